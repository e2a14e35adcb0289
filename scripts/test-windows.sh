#!/usr/bin/env bash
# Builds rechner.exe, its tests, the portable zip and the installer for
# Windows, and checks them under Wine, on a virtual X display of their own
# with a German keyboard and a window manager (without one Wine waits two
# seconds for every window it hides):
# - the tests, in a Wine prefix of their own (build/windows/wineprefix, made once);
# - the zip's contents;
# - the installer, in a fresh prefix: a silent install (twice, as over the
#   same version), the program started from its Start-menu entry and its
#   window seen, and a silent uninstall that leaves none of it behind.
# Ends every process it started.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh test
scripts/build-windows.sh --tests

build=build/windows
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
fail() { echo "test-windows: $*" >&2; exit 1; }

package=rechner-$version-windows-x64
contents=$(cmake -E tar tf "$build/$package.zip" | LC_ALL=C sort | tr '\n' ' ')
[ "$contents" = "$package/ $package/COPYING.txt $package/LIESMICH.txt $package/rechner.exe " ] \
  || fail "the zip holds: $contents"
echo "test-windows: $package.zip holds rechner.exe, COPYING.txt and LIESMICH.txt"

# Debian testing (14 to be) has no Wine: what runs under it is left out there.
if ! command -v wine >/dev/null; then
  if apt-cache policy wine 2>/dev/null | grep '^ *Candidate: [^(]' >/dev/null; then
    fail "this Debian release offers Wine, but it is not installed"
  fi
  echo "test-windows: this Debian release has no Wine; the Windows program, its tests and installer are built, not run"
  exit 0
fi

export WINEPREFIX="$PWD/$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
work=$(mktemp -d)
xvfb= openbox=
cleanup() {
  wineserver -k 2>/dev/null || true
  WINEPREFIX="$work/installed" wineserver -k 2>/dev/null || true
  for pid in $openbox $xvfb; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display and writes its number once it accepts clients.
# -noreset: without it Xvfb resets whenever its last client goes (setxkbmap,
# before openbox connects), forgetting what was set on its root window.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 600); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
setxkbmap de   # read by Wine's server when it starts: umlauts typed arrive
openbox >/dev/null 2>&1 &
openbox=$!

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "test-windows: making the Wine prefix $WINEPREFIX"
  wineboot -i >/dev/null 2>&1
fi
# As on a German Windows: Wine's own texts in German.
LC_ALL=de_DE.UTF-8 ctest --test-dir "$build" --output-on-failure


# The installer, as an administrator runs it, in a Windows of its own.
(
  export WINEPREFIX="$work/installed"
  wineboot -i >/dev/null 2>&1
  drive="$WINEPREFIX/drive_c"
  folder="$drive/Program Files/Rechner"
  link='C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Rechner.lnk'
  key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Rechner'
  for _ in 1 2; do
    wine "$build/rechner-$version-setup.exe" /S || fail "the installer failed"
    wineserver -w
  done
  [ -f "$folder/rechner.exe" ] && [ -f "$folder/COPYING.txt" ] || fail "nothing installed in $folder"
  registered=$(wine reg query "$key" | tr -d '\r')
  for value in "DisplayName    REG_SZ    Rechner" "DisplayVersion    REG_SZ    $version" \
               "UninstallString    REG_SZ    \"C:\\Program Files\\Rechner\\uninstall.exe\"" \
               "DisplayIcon    REG_SZ    C:\\Program Files\\Rechner\\rechner.exe,0" "Publisher" "EstimatedSize"; do
    grep -qF -- "$value" <<<"$registered" || fail "not registered under Apps: $value"
  done
  wine start "$link"
  window=$(timeout 120 xdotool search --sync --name '^Form1$' | head -n 1) || fail "no window from the Start-menu entry"
  pid=$(pgrep -f 'C:.Program Files.Rechner.rechner.exe' | head -n 1) || fail "the Start-menu entry started something else"
  kill "$pid"
  wineserver -w
  echo "test-windows: installed twice; the Start-menu entry started C:\Program Files\Rechner\rechner.exe (window $window)"

  wine "C:\\Program Files\\Rechner\\uninstall.exe" /S || fail "the uninstaller failed"
  wineserver -w
  [ ! -e "$folder" ] || fail "left behind: $(ls "$folder")"
  [ ! -e "$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Rechner.lnk" ] || fail "left behind: the Start-menu entry"
  ! wine reg query "$key" >/dev/null 2>&1 || fail "left behind: the registration under Apps"
  echo "test-windows: uninstalled silently, nothing left behind"
  wineserver -k
)
