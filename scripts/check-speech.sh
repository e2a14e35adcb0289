#!/usr/bin/env bash
# Listens to the program with the screen reader Orca, as a blind user would,
# once with Orca in German and once in English: on a virtual X display with
# a window manager, keys are pressed by keyboard alone ("7 + 5 =", then a
# text that is no number and "sqrt", whose error box is opened and closed
# eight times) by scripts/speech-keys.py, which presses each key once the
# accessibility bus says it has the focus and waits for Orca's words before
# the next. Orca's speech, read back from its debug log, must hold what each
# key did and the error message once for every box. From Qt 6.8 on, no
# utterance may be a role word alone. Every process it starts, it ends.
# Usage: scripts/check-speech.sh [PROGRAM|PACKAGE.deb]   (default: the
# Release build; of a Debian package, the program it ships)
# With RECHNER_SPEECH_LOG=DIR set, the logs of every process are kept there;
# RECHNER_SPEECH_TRIES (8) and RECHNER_SPEECH_LANGUAGES ("de en") change how
# often the box is opened, and in which languages Orca listens.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh

if [ "${1:-}" = --session ]; then
  # Inside the D-Bus session: the accessibility bus, a window manager,
  # speech-dispatcher, Orca and the program, each ended by its own id.
  binary=$2 tries=$3 work=$4 keys=$5
  trap end_started EXIT
  /usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/at-spi.log" 2>&1 &
  started+=($!)
  openbox >"$work/openbox.log" 2>&1 &
  started+=($!)
  # Without a window manager the window never gets the focus. It runs once
  # the window its root property names is there and is its own.
  wm_runs() {
    local wm
    wm=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | sed -n 's/^.*window id # //p')
    [ -n "$wm" ] && xprop -id "$wm" _NET_WM_NAME 2>/dev/null | grep -q Openbox
  }
  wait_for 60 "openbox to manage the display" wm_runs \
    || { echo "speech-keys: step \"openbox starts\": $(cat "$work/openbox.log")" >&2; exit 1; }
  # Its log (level 5) holds every text it is given, as soon as it is given.
  mkdir -p "$work/speechd"
  speech-dispatcher --run-single --timeout 0 -l 5 -L "$work/speechd" >"$work/speechd.log" 2>&1 &
  started+=($!)
  wait_for 30 "speech-dispatcher's socket" test -S "$XDG_RUNTIME_DIR/speech-dispatcher/speechd.sock" \
    || { echo "speech-keys: step \"speech-dispatcher starts\": $(cat "$work/speechd.log")" >&2; exit 1; }
  orca --disable braille --disable braille-monitor --debug-file "$work/orca.log" >"$work/orca.out" 2>&1 &
  started+=($!)
  # The keys, each pressed once the bus says the focus is where it belongs,
  # the next once Orca has said what the last one did.
  /usr/bin/python3 scripts/speech-keys.py "$binary" "$work/rechner.log" "$work/speechd/speech-dispatcher.log" "$tries" "$keys" &
  started+=($!)
  wait "${started[-1]}"
  exit 0
fi

scripts/install-deps.sh test
tries=${RECHNER_SPEECH_TRIES:-8}
top=$(mktemp -d)
trap 'end_started; rm -rf "$top"' EXIT
binary=$(realpath "${1:-build/release/rechner}")
if [[ $binary == *.deb ]]; then
  dpkg-deb -x "$binary" "$top/package" || { echo "check-speech: $binary cannot be unpacked" >&2; exit 1; }
  binary=$top/package/usr/bin/rechner
fi
[ -x "$binary" ] || { echo "check-speech: no program at $binary" >&2; exit 1; }

unset WAYLAND_DISPLAY QT_QPA_PLATFORM
# One display for both passes (Xvfb without a reset between them, or it
# would refuse the next pass's first clients while it resets).
start_display "$top/xvfb.log"

# Qt 6.8 and later announce without a notification object, so no role word.
qt=$(dpkg-query -W -f='${Version}\n' 'libqt6core6*' 2>/dev/null | head -n 1)
failed=false
for language in ${RECHNER_SPEECH_LANGUAGES:-de en}; do
  work=$top/$language
  # A home of its own, and no sound card: espeak-ng speaks into ALSA's null
  # device, or speech-dispatcher would hang waiting for one. Orca speaks
  # German, or English in the C locale; the program is German either way.
  export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data \
    XDG_CACHE_HOME=$work/cache XDG_RUNTIME_DIR=$work/run
  mkdir -p "$HOME" "$XDG_CONFIG_HOME/speech-dispatcher" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  if [ $language = de ]; then
    export LANG=de_DE.UTF-8 LANGUAGE=de LC_ALL=de_DE.UTF-8
  else
    export LANG=C.UTF-8 LANGUAGE=en LC_ALL=C.UTF-8
  fi
  echo 'pcm.!default { type null }' >"$HOME/.asoundrc"
  cat >"$XDG_CONFIG_HOME/speech-dispatcher/speechd.conf" <<'EOT'
AudioOutputMethod "alsa"
AddModule "espeak-ng" "sd_espeak-ng" "espeak-ng.conf"
DefaultModule espeak-ng
DefaultLanguage "de"
DisableAutoSpawn
EOT

  # The keys' announcements in German; the error boxes in both languages.
  keys=all; [ $language = de ] || keys=errors
  driven=true
  timeout 600 dbus-run-session -- bash "$0" --session "$binary" "$tries" "$work" $keys 2>"$work/session.log" || driven=false
  [ -z "${RECHNER_SPEECH_LOG:-}" ] || { mkdir -p "$RECHNER_SPEECH_LOG"; cp -r "$work" "$RECHNER_SPEECH_LOG/"; }

  # Orca writes each utterance as a line "SPEECH OUTPUT: '…'".
  spoken=$(sed -n "s/^.*SPEECH OUTPUT: '\([^']*\)'.*$/\1/p" "$work/orca.log")
  problems=()
  [ "$driven" = true ] || problems+=("stopped early: $(grep -h '^speech-keys:' "$work/session.log" || echo 'the session ended before the last key')")
  if [ $keys = all ]; then
    for expected in 'Variable 1: 7' 'Operator: plus' 'Variable 2: 5' 'Resultat: 12'; do
      grep -qF -- "$expected" <<<"$spoken" || problems+=("did not say \"$expected\"")
    done
  fi
  said=$(grep -cF -- 'Keine Zahl: „abc“' <<<"$spoken" || true)
  [ "$said" -eq "$tries" ] || problems+=("said the error message $said times for $tries boxes")
  if dpkg --compare-versions "${qt:-0}" ge 6.8; then
    roles=$(grep -ciE '^ *(Benachrichtigung|notification)[ .]*$' <<<"$spoken" || true)
    [ "$roles" -eq 0 ] || problems+=("said the role word alone $roles times")
  fi
  if [ ${#problems[@]} -gt 0 ]; then
    failed=true
    for problem in "${problems[@]}"; do echo "check-speech: Orca ($language) $problem" >&2; done
    echo "check-speech: what Orca said:" >&2
    sed 's/^/    /' <<<"$spoken" >&2
  else
    echo "speech: Orca ($language) says the keys' effects and the error message once for each of $tries boxes:"
    grep -E 'Variable|Operator|Resultat|Fehler|Keine Zahl' <<<"$spoken" | head -n 12 | sed 's/^/    /' || true
  fi
done
[ "$failed" = false ]
