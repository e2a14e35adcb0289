#!/usr/bin/env bash
# Runs a window test program as on a desktop of the tests': the settings in
# desktops/NAME (GTK's or qt6ct's) in a configuration folder of their own,
# Qt's platform theme THEME (gtk3, qt6ct, or "-" for none) and the screen of
# desktops/screen-SCREEN.json. Qt's GTK theme reads GTK's settings only with
# a display, here a virtual one of its own; Qt itself draws offscreen.
# Qt's KDE theme is Qt 6's only from Debian 13 on: without it the program
# is not run, and the script exits with 77 (CTest's skip).
# Usage: on-desktop.sh NAME THEME SCREEN PROGRAM [ARGUMENTS...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../../scripts/lib.sh"
name=$1 theme=$2 screen=$3
shift 3
if [ "$theme" = kde ] && ! compgen -G '/usr/lib/*/qt6/plugins/platformthemes/KDEPlasmaPlatformTheme6.so' >/dev/null; then
  echo "on-desktop: no KDE platform theme for Qt 6 here (Debian's plasma-integration from Debian 13 on)"
  exit 77
fi
work=$(mktemp -d)
trap 'end_started; rm -rf "$work"' EXIT
mkdir -m 700 "$work/config" "$work/run"
[ ! -d "$here/desktops/$name" ] || cp -r "$here/desktops/$name/." "$work/config"
if [ "$theme" = gtk3 ]; then
  start_display "$work/xvfb.log"
fi
# The platform themes bring GTK, GL, D-Bus and fontconfig into the process,
# which keep memory for its whole life and differ from release to release:
# no leak check here (the plain run of the window tests has Rechner's).
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
[ "$theme" != - ] || theme=
XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run QT_QPA_PLATFORMTHEME=$theme \
  QT_QPA_PLATFORM="offscreen:configfile=$here/desktops/screen-$screen.json" RECHNER_TEST_DESKTOP=$name "$@"
