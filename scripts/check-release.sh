#!/usr/bin/env bash
# Builds the Release program and checks it as it ships: hardening of the
# binary, its command line without a display, its start on X11 and on
# Wayland, the files "cmake --install" puts into a DESTDIR, and the Debian
# package, which lintian must accept. With CI set (and as root) the package
# is really installed, started on the offscreen platform, and removed again.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/release

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build"
binary="$build/window/rechner"

fail() { echo "check-release: $*" >&2; exit 1; }

# Hardening: position-independent, full RELRO, stack protector.
# (Outputs are read whole first: grep -q ending a pipe early trips pipefail.)
has() { grep -q "$1" <<<"$2"; }
has 'Type:.*DYN' "$(readelf -h "$binary")" || fail "not a position-independent executable"
has GNU_RELRO "$(readelf -l "$binary")" || fail "no RELRO segment"
has BIND_NOW "$(readelf -d "$binary")" || fail "RELRO is not full (no BIND_NOW)"
has __stack_chk_fail "$(nm -D "$binary")" || fail "no stack protector"
echo "hardening: PIE, full RELRO, stack protector"

# The command line answers without a display, within a second.
nodisplay() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 1 "$binary" "$@"; }
expect() {   # expect STATUS OUTPUT-PATTERN ARGS...: runs without a display
  local status=$1 pattern=$2 out; shift 2
  set +e; out=$(nodisplay "$@" 2>&1); local got=$?; set -e
  [ "$got" -eq "$status" ] || fail "rechner $* exited $got, not $status: $out"
  has "$pattern" "$out" || fail "rechner $* printed no \"$pattern\": $out"
}
expect 0 "^rechner $(sed -n 's/^project(rechner VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)\$" --version
expect 0 '^Aufruf: rechner' --help
expect 2 'unbekannte Option „--gibtsnicht“' --gibtsnicht
expect 1 'keine grafische Anzeige'
echo "command line: --version, --help, a bad option and no display answered in German"

# It starts and keeps running on X11 (Xvfb) and on Wayland (a headless
# weston), and names itself so that shells match it to its launcher entry:
# once its window is there, it is still running and ends on a plain kill.
set +e
x11=$(xvfb-run -a -s "-screen 0 1024x768x24" sh -c \
  '"$0" & timeout 60 xdotool search --sync --name "^Form1\$" >/dev/null; xprop -name Form1 WM_CLASS
   kill $! && wait $!; echo "status $?"' "$binary" 2>&1)
set -e
has 'WM_CLASS(STRING) = "rechner", "rechner"' "$x11" || fail "no Form1 window of class rechner on X11: $x11"
has 'status 143' "$x11" || fail "rechner did not keep running on X11: $x11"
runtime=$(mktemp -d)
XDG_RUNTIME_DIR="$runtime" weston --backend=headless-backend.so --socket=rechner-check --idle-time=0 >"$runtime/weston.log" 2>&1 &
weston=$!
trap 'kill $weston 2>/dev/null || true; rm -rf "$runtime"' EXIT
for _ in $(seq 600); do [ -S "$runtime/rechner-check" ] && break; sleep 0.1; done
XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY=rechner-check QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=client \
  "$binary" >"$runtime/rechner.log" 2>&1 &
rechner=$!
# The window is there once the program has answered weston's first configure.
for _ in $(seq 600); do
  grep -q 'ack_configure' "$runtime/rechner.log" && break
  kill -0 $rechner 2>/dev/null || break
  sleep 0.1
done
set +e
kill $rechner && wait $rechner
status=$?
set -e
kill $weston 2>/dev/null || true
wayland=$(cat "$runtime/rechner.log")
has 'set_app_id("org.rechner.Rechner")' "$wayland" || fail "no Wayland window with app id org.rechner.Rechner"
grep -q 'ack_configure' <<<"$wayland" || fail "no Wayland window was configured"
[ "$status" -eq 143 ] || fail "rechner did not keep running on Wayland (status $status)"
echo "start: keeps running on X11 and on Wayland, class rechner, app id org.rechner.Rechner"

# Install into a DESTDIR and check what lands there.
destdir=$(mktemp -d)
trap 'kill $weston 2>/dev/null || true; rm -rf "$runtime" "$destdir"' EXIT
DESTDIR="$destdir" cmake --install "$build" --prefix /usr >/dev/null
for f in bin/rechner share/applications/org.rechner.Rechner.desktop \
         share/metainfo/org.rechner.Rechner.metainfo.xml \
         share/icons/hicolor/16x16/apps/org.rechner.Rechner.png \
         share/icons/hicolor/32x32/apps/org.rechner.Rechner.png \
         share/icons/hicolor/scalable/apps/org.rechner.Rechner.svg \
         share/man/man1/rechner.1.gz share/doc/rechner/copyright share/doc/rechner/changelog.gz; do
  [ -s "$destdir/usr/$f" ] || fail "missing after install: /usr/$f"
done
[ -x "$destdir/usr/bin/rechner" ] || fail "installed rechner is not executable"
desktop-file-validate "$destdir/usr/share/applications/org.rechner.Rechner.desktop"
appstreamcli validate --no-net "$destdir/usr/share/metainfo/org.rechner.Rechner.metainfo.xml" >/dev/null
manual=$(zcat "$destdir/usr/share/man/man1/rechner.1.gz" | groff -man -ww -z 2>&1)
[ -z "$manual" ] || fail "groff warns about the manual page: $manual"
echo "install: files in place, desktop entry, metainfo and manual page valid"

# The Debian package.
rm -f "$build"/rechner_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/rechner_*.deb)
has 'Depends:.*libqt6widgets6' "$(dpkg-deb -I "$deb")" || fail "package does not depend on Qt"
has './usr/bin/rechner$' "$(dpkg-deb -c "$deb")" || fail "package lacks /usr/bin/rechner"
lintian --fail-on error,warning "$deb" || fail "lintian does not accept $deb"
echo "package: lintian accepts $deb"
if [ -n "${CI:-}" ] && [ "$(id -u)" -eq 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >/dev/null
  set +e
  QT_QPA_PLATFORM=offscreen timeout 3 /usr/bin/rechner
  status=$?
  set -e
  DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq rechner >/dev/null
  [ "$status" -eq 124 ] || fail "installed rechner did not keep running (status $status)"
  echo "package: $deb installs with its dependencies and runs"
else
  apt-get install --simulate "./$deb" >/dev/null || fail "package dependencies cannot be met"
  echo "package: $deb built, dependencies can be met"
fi
