#!/usr/bin/env bash
# Listens to the program with the screen reader Orca, in German, as a blind
# user would: on a virtual X display with a window manager, keys are pressed
# by keyboard alone ("7 + 5 =", then a text that is no number and "sqrt"),
# and Orca's speech, read back from its debug log, must hold what each key
# did and the whole error message. Every process it starts, it ends.
# Usage: scripts/check-speech.sh [PROGRAM]   (default: the Release build)
# With RECHNER_SPEECH_LOG=DIR set, the logs of every process are kept there.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = --session ]; then
  # Inside the D-Bus session: the accessibility bus, a window manager,
  # speech-dispatcher, Orca and the program, each ended by its own id.
  binary=$2
  pids=()
  stop() {   # each process it started, newest first: asked to end, then made to
    local i pid
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
      pid=${pids[i]}
      kill "$pid" 2>/dev/null || continue
      for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
      kill -KILL "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
    done
    pids=()
  }
  trap stop EXIT
  /usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/at-spi.log" 2>&1 &
  pids+=($!)
  openbox >"$work/openbox.log" 2>&1 &
  pids+=($!)
  speech-dispatcher --run-single --timeout 0 >"$work/speechd.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [ -S "$XDG_RUNTIME_DIR/speech-dispatcher/speechd.sock" ] && break; sleep 0.1; done
  orca --disable braille --disable braille-monitor --debug-file "$work/orca.log" >"$work/orca.out" 2>&1 &
  pids+=($!)
  # Orca is ready once it has said its welcome.
  for _ in $(seq 100); do grep -q 'SPEECH OUTPUT' "$work/orca.log" 2>/dev/null && break; sleep 0.2; done
  QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$binary" >"$work/rechner.log" 2>&1 &
  pids+=($!)
  # The window has the focus once Orca has named it.
  for _ in $(seq 100); do grep -q "SPEECH OUTPUT: 'Form1" "$work/orca.log" 2>/dev/null && break; sleep 0.2; done
  sleep 1
  press() {   # press KEY [TIMES]: one key by keyboard, as often as asked
    local _
    for _ in $(seq "${2:-1}"); do xdotool key --delay 80 "$1"; sleep 0.25; done
    sleep 1
  }
  # Focus starts in Variable 1. Tab order: fields 1-3, 8, 9, löschen, 7, ...
  press Tab 6; press space              # "7"
  press Tab 12; press space             # "+"
  press shift+Tab 10; press space       # "5"
  press Tab 9; press space              # "="
  press Tab 16                          # back to Variable 1
  xdotool type --delay 80 abc; sleep 1
  press shift+Tab 4; press space        # "sqrt": an error box
  sleep 2
  press Return                          # closes it
  sleep 1
  exit 0
fi

binary=$(realpath "${1:-build/release/window/rechner}")
[ -x "$binary" ] || { echo "check-speech: no program at $binary" >&2; exit 1; }
work=$(mktemp -d)
export work
xvfb=
cleanup() {
  [ -z "$xvfb" ] || { kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; }
  rm -rf "$work"
}
trap cleanup EXIT

# A home of its own, German, and no sound card: espeak-ng speaks into ALSA's
# null device, or speech-dispatcher would hang waiting for one.
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data \
  XDG_CACHE_HOME=$work/cache XDG_RUNTIME_DIR=$work/run
mkdir -p "$HOME" "$XDG_CONFIG_HOME/speech-dispatcher" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
export LANG=de_DE.UTF-8 LANGUAGE=de LC_ALL=de_DE.UTF-8
unset WAYLAND_DISPLAY QT_QPA_PLATFORM
echo 'pcm.!default { type null }' >"$HOME/.asoundrc"
cat >"$XDG_CONFIG_HOME/speech-dispatcher/speechd.conf" <<'EOT'
AudioOutputMethod "alsa"
AddModule "espeak-ng" "sd_espeak-ng" "espeak-ng.conf"
DefaultModule espeak-ng
DefaultLanguage "de"
DisableAutoSpawn
EOT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
DISPLAY=:$(head -n 1 "$work/display")
export DISPLAY

timeout 120 dbus-run-session -- bash "$0" --session "$binary" 2>"$work/session.log" || true
[ -z "${RECHNER_SPEECH_LOG:-}" ] || cp -r "$work" "$RECHNER_SPEECH_LOG"

# Orca writes each utterance as a line "SPEECH OUTPUT: '…'".
spoken=$(sed -n "s/^.*SPEECH OUTPUT: '\([^']*\)'.*$/\1/p" "$work/orca.log")
missing=()
for expected in 'Variable 1: 7' 'Operator: plus' 'Variable 2: 5' 'Resultat: 12' 'Keine Zahl: „abc“'; do
  grep -qF -- "$expected" <<<"$spoken" || missing+=("$expected")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "check-speech: Orca did not say: ${missing[*]}" >&2
  echo "check-speech: what Orca said:" >&2
  sed 's/^/    /' <<<"$spoken" >&2
  exit 1
fi
echo "speech: Orca says each key's effect and the error message:"
grep -E 'Variable|Operator|Resultat|Fehler|Keine Zahl' <<<"$spoken" | sed 's/^/    /'
