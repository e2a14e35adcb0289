#!/usr/bin/env bash
# Builds rechner.exe and its tests for Windows and runs them under Wine, on a
# virtual X display of their own with a German keyboard and a window manager
# (without one Wine waits two seconds for every window it hides), in a Wine
# prefix of their own (build/windows/wineprefix, made once). Then it checks
# the downloads of a release as they ship, RELEASE (default
# build/releases/this, made by scripts/check-signing.sh), and NEXT
# (default build/releases/next, the release after it, from
# scripts/next-release.sh):
# - the zip's contents, and its rechner.exe's hardening and imports;
# - that rechner.exe under what other programs can do to it: messages no
#   key sent, DLLs put beside it;
# - in a fresh prefix, RELEASE's installer into a folder of the user's
#   choice, silently and again over itself; NEXT's installer refusing to
#   update while Rechner runs or while another installer runs, each
#   leaving the installation as it was; then updating it in place, and
#   moving it to another folder chosen; the program started from its
#   Start-menu entry; the uninstaller waiting while Rechner runs, then
#   leaving none of it behind.
# Ends every process it started. Wine runs here without address-space
# randomisation (setarch -R, where the machine allows it): with it, about
# one start of a Windows program in 4,000 died inside Wine's own start-up
# and its CreateProcessW failed with ERROR_INTERNAL_ERROR (1359), as
# reader_tests once saw starting rechner.exe (5 in 21,000 starts from a
# Windows program, with one core kept busy; none in 21,000 without it).
# Usage: scripts/test-windows.sh [RELEASE [NEXT]]
set -euo pipefail
if [ -z "${RECHNER_FIXED_ADDRESSES:-}" ] && setarch "$(uname -m)" -R true 2>/dev/null; then
  exec env RECHNER_FIXED_ADDRESSES=1 setarch "$(uname -m)" -R "$0" "$@"
fi
release=$(realpath -m "${1:-$(dirname "$0")/../build/releases/this}")
next=$(realpath -m "${2:-$(dirname "$0")/../build/releases/next}")
cd "$(dirname "$0")/.."
. scripts/lib.sh

scripts/install-deps.sh test
scripts/build-windows.sh --tests

build=build/windows
fail() { echo "test-windows: $*" >&2; exit 1; }
setup=$(only_file "installer in $release (scripts/check-signing.sh and scripts/next-release.sh make the releases)" "$release"/rechner-*-setup.exe)
new_setup=$(only_file "installer in $next" "$next"/rechner-*-setup.exe)
version=$(basename "$setup" -setup.exe) version=${version#rechner-}
new_version=$(basename "$new_setup" -setup.exe) new_version=${new_version#rechner-}

package=rechner-$version-windows-x64
contents=$(cmake -E tar tf "$release/$package.zip" | LC_ALL=C sort | tr '\n' ' ')
[ "$contents" = "$package/ $package/COPYING.txt $package/LIESMICH.txt $package/rechner.exe " ] \
  || fail "the zip holds: $contents"
echo "test-windows: $package.zip holds rechner.exe, COPYING.txt and LIESMICH.txt"

# The shipped rechner.exe as a security review reads it: address-space
# randomisation (64-bit), no-execute data and terminal-server awareness in
# its header; the stack protector's and fortified calls' failure routines
# (from libssp) linked in; and imports of Windows' known DLLs alone, which
# Windows takes from the system folder, never from the program's.
pe=$(x86_64-w64-mingw32-objdump -p "$release/rechner.exe")
characteristics=$((16#$(awk '$1 == "DllCharacteristics" { print $2 }' <<<"$pe")))
for flag in 0x20:HIGH_ENTROPY_VA 0x40:DYNAMIC_BASE 0x100:NX_COMPAT 0x8000:TERMINAL_SERVER_AWARE; do
  (( characteristics & ${flag%%:*} )) || fail "rechner.exe is not marked ${flag#*:} (DllCharacteristics $(printf %#x "$characteristics"))"
done
grep -qa 'stack smashing detected' "$release/rechner.exe" || fail "rechner.exe has no stack protector (no __stack_chk_fail in it)"
grep -qa 'buffer overflow detected' "$release/rechner.exe" || fail "rechner.exe has no fortified calls (no __chk_fail in it)"
known=" advapi32 combase comdlg32 gdi32 gdiplus imagehlp imm32 kernel32 msctf msvcrt normaliz nsi ole32 oleaut32 psapi rpcrt4 sechost setupapi shcore shell32 shlwapi user32 wldap32 ws2_32 "
for dll in $(awk '/DLL Name:/ { print tolower($3) }' <<<"$pe"); do
  [[ $known == *" ${dll%.dll} "* ]] || fail "rechner.exe imports $dll, which is no known DLL: Windows would look for it in the program's folder first"
done
echo "test-windows: rechner.exe is hardened (DllCharacteristics $(printf %#x "$characteristics"), stack protector, fortified calls) and imports known DLLs only"

# winget's manifests (made with the release's address) against its
# installer; the product code they name is the Apps key the installer is
# checked to write below.
product_code=$(scripts/winget.py check "$release/winget" "$setup")
echo "test-windows: winget's manifests fit $(basename "$setup") (product code $product_code)"

# Debian testing (14 to be) has no Wine: what runs under it is left out there.
if ! command -v wine >/dev/null; then
  if apt-cache policy wine 2>/dev/null | grep '^ *Candidate: [^(]' >/dev/null; then
    fail "this Debian release offers Wine, but it is not installed"
  fi
  echo "test-windows: this Debian release has no Wine; the Windows program, its tests and installer are built, not run"
  exit 0
fi

work=$(mktemp -d)
cleanup() {
  WINEPREFIX="$PWD/$build/wineprefix" wineserver -k 2>/dev/null || true
  WINEPREFIX="$work/installed" wineserver -k 2>/dev/null || true
  end_started
  rm -rf "$work"
}
trap cleanup EXIT

start_display "$work/xvfb.log" 1920x1200   # room for the window at a message font of 200 %
setxkbmap de   # read by Wine's server when it starts: umlauts typed arrive
openbox >/dev/null 2>&1 &
started+=($!)

[ -f "$build/wineprefix/system.reg" ] || echo "test-windows: making the Wine prefix $build/wineprefix"
wine_prefix "$PWD/$build/wineprefix"
# As on a German Windows: Wine's own texts in German.
LC_ALL=de_DE.UTF-8 ctest --test-dir "$build" --output-on-failure
# What other programs can do to it, done to the rechner.exe the release ships.
wine "$build/tests/reader_tests.exe" --gtest_brief=1 --gtest_filter='ForeignPrograms.*' "$(winepath -w "$release/rechner.exe")" \
  || fail "the shipped rechner.exe failed the foreign programs' tests above"
echo "test-windows: the release's rechner.exe ran no foreign click and loaded no DLL put beside it"


# The installers, as an administrator runs them, in a Windows of its own.
(
  wine_prefix "$work/installed"
  drive="$WINEPREFIX/drive_c"
  key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product_code"
  link="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Rechner.lnk"
  publisher=$(rechner_identity RECHNER_PUBLISHER)
  # Each download's rechner.exe, to tell which one is installed.
  for zip in "$release/$package.zip" "$next/rechner-$new_version-windows-x64.zip"; do
    (cd "$work" && cmake -E tar xf "$zip")
  done

  run() {   # run STATUS STEP PROGRAM ARGS...: PROGRAM must end with STATUS
    local status=$1 step=$2 got=0
    shift 2
    wine "$@" || got=$?
    [ "$got" -eq "$status" ] || fail "$step: $(basename "$1") $* ended with status $got, not $status"
  }
  installed() {   # installed STEP FOLDER VERSION: one copy of VERSION, in FOLDER, registered
    local step=$1 folder=$2 version=$3 path unix copies registered value
    path=${folder#C:\\} path=${path//\\//}   # C:\A\B is drive_c/A/B
    copies=$(cd "$drive" && find . -iname rechner.exe | sort | tr '\n' ' ')
    [ "$copies" = "./$path/rechner.exe " ] || fail "$step: rechner.exe should be in $folder alone, but is in: $copies"
    unix="$drive/$path"
    cmp -s "$unix/rechner.exe" "$work/rechner-$version-windows-x64/rechner.exe" || fail "$step: $folder holds another rechner.exe than $version's"
    [ -f "$unix/COPYING.txt" ] && [ -f "$unix/uninstall.exe" ] || fail "$step: $folder lacks COPYING.txt or uninstall.exe"
    [ -f "$link" ] || fail "$step: no Start-menu entry"
    registered=$(wine reg query "$key" | tr -d '\r')
    for value in "DisplayName    REG_SZ    Rechner" "DisplayVersion    REG_SZ    $version" \
                 "Publisher    REG_SZ    $publisher" "InstallLocation    REG_SZ    $folder" \
                 "UninstallString    REG_SZ    \"$folder\\uninstall.exe\"" \
                 "QuietUninstallString    REG_SZ    \"$folder\\uninstall.exe\" /S" \
                 "DisplayIcon    REG_SZ    $folder\\rechner.exe,0" \
                 "EstimatedSize    REG_DWORD    $(printf %#x $(( ($(cat "$unix"/{rechner.exe,COPYING.txt,uninstall.exe} | wc -c) + 1023) / 1024 )))"; do
      grep -qF -- "$value" <<<"$registered" || fail "$step: not registered under Apps: $value (registered: $registered)"
    done
  }
  # secured STEP FOLDER LOG: the installer set FOLDER's permissions as
  # Program Files has them (Wine has none: its icacls only logs what it was
  # asked, into LOG, which is what is checked).
  secured() {
    local step=$1 folder=$2 log=$3 want ran
    ran=$(grep -F 'icacls.exe" ' "$log" | sed 's/.*stub: //; s/\\\\/\\/g') || true
    for want in "\"$folder\" \"/inheritance:r\" \"/grant:r\" \"*S-1-5-32-544:(OI)(CI)F\" \"*S-1-5-18:(OI)(CI)F\" \"*S-1-5-32-545:(OI)(CI)RX\"" \
                "\"$folder\" \"/setowner\" \"*S-1-5-32-544\" \"/T\""; do
      grep -qF -- "$want" <<<"$ran" || fail "$step: the installer did not secure $folder with icacls $want; it ran: ${ran:-no icacls}"
    done
  }

  chosen='C:\Werkzeuge\Rechner' moved='C:\Anderswo\Rechner'
  mkdir -p "$drive/Daten"
  echo "Eigene Datei" >"$drive/Daten/brief.txt"
  run 6 "install $version into a folder with other files" "$setup" /S '/D=C:\Daten'
  wineserver -w
  [ "$(ls "$drive/Daten")" = brief.txt ] || fail "install into a folder with other files: C:\Daten now holds: $(ls "$drive/Daten")"
  [ -z "$(cd "$drive" && find . -iname rechner.exe)" ] || fail "install into a folder with other files: installed all the same"
  WINEDEBUG=fixme+icacls run 0 "install $version into $chosen" "$setup" /S "/D=$chosen" 2>"$work/icacls.log"
  wineserver -w
  installed "install $version into $chosen" "$chosen" "$version"
  secured "install $version into $chosen" "$chosen" "$work/icacls.log"
  echo "test-windows: $version refused C:\Daten, which holds a file of its own, and installed into $chosen, secured as Program Files is"
  run 0 "install $version again" "$setup" /S
  wineserver -w
  installed "install $version again" "$chosen" "$version"
  echo "test-windows: $version installed into $chosen, and again over itself"

  wine "$chosen\\rechner.exe" &
  rechner=$!
  timeout 120 xdotool search --sync --name '^Form1$' >/dev/null || fail "no window from $chosen\\rechner.exe"
  run 4 "update while Rechner runs" "$new_setup" /S
  installed "update while Rechner runs" "$chosen" "$version"
  kill "$rechner"
  wineserver -w
  wine "$new_setup" &
  interactive=$!
  timeout 120 xdotool search --sync --name '^Installation von Rechner$' >/dev/null || fail "no window of the interactive installer"
  run 5 "update while another installer runs" "$new_setup" /S
  installed "update while another installer runs" "$chosen" "$version"
  kill "$interactive"
  wineserver -w
  echo "test-windows: $new_version's installer ended with 4 while Rechner ran and 5 while another installer ran, changing nothing"

  run 0 "update to $new_version" "$new_setup" /S
  wineserver -w
  installed "update to $new_version" "$chosen" "$new_version"
  WINEDEBUG=fixme+icacls run 0 "move to $moved" "$new_setup" /S "/D=$moved" 2>"$work/icacls.log"
  wineserver -w
  installed "move to $moved" "$moved" "$new_version"
  secured "move to $moved" "$moved" "$work/icacls.log"
  [ ! -e "$drive/Werkzeuge/Rechner" ] || fail "move to $moved: left behind in $chosen: $(ls "$drive/Werkzeuge/Rechner")"
  echo "test-windows: updated to $new_version in $chosen, then moved to $moved: one copy, one Apps entry"

  wine start 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Rechner.lnk' 2>"$work/start.log" \
    || fail "start from the Start-menu entry: Windows could not start it: $(tail -n 3 "$work/start.log" | tr '\n' ' ')"
  window=$(timeout 120 xdotool search --sync --name '^Form1$' | head -n 1) || fail "start from the Start-menu entry: no Rechner window came"
  # The window's process, by the id the window gives (_NET_WM_PID).
  pid=$(xdotool getwindowpid "$window") && started_as=$(tr '\0' ' ' <"/proc/$pid/cmdline") \
    || fail "start from the Start-menu entry: the window $window names no process"
  grep -qiF "$moved\\rechner.exe" <<<"$started_as" || fail "start from the Start-menu entry: it started $started_as, not $moved\\rechner.exe"
  # Run in place (_?=), the uninstaller's own status comes back.
  run 4 "uninstall while Rechner runs" "$moved\\uninstall.exe" /S "_?=$moved"
  installed "uninstall while Rechner runs" "$moved" "$new_version"
  kill "$pid"
  wineserver -w
  echo "test-windows: the Start-menu entry started $moved\\rechner.exe (window $window); the uninstaller waited for it to end"

  run 0 "uninstall" "$moved\\uninstall.exe" /S
  wineserver -w
  copies=$(cd "$drive" && find . -iname rechner.exe)
  [ -z "$copies" ] || fail "uninstall: left behind: $copies"
  [ ! -e "$drive/Anderswo/Rechner" ] || fail "uninstall: left behind: $(ls "$drive/Anderswo/Rechner")"
  [ ! -e "$link" ] || fail "uninstall: left behind: the Start-menu entry"
  ! wine reg query "$key" >/dev/null 2>&1 || fail "uninstall: left behind: the registration under Apps"
  echo "test-windows: uninstalled silently, nothing left behind"
  wineserver -k
)
