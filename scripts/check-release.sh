#!/usr/bin/env bash
# Builds the Release program and checks it as it ships: hardening of the
# binary, the files "cmake --install" puts into a DESTDIR, and the Debian
# package. With CI set (and as root) the package is really installed,
# started on the offscreen platform, and removed again.
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

# Install into a DESTDIR and check what lands there.
destdir=$(mktemp -d)
trap 'rm -rf "$destdir"' EXIT
DESTDIR="$destdir" cmake --install "$build" --prefix /usr >/dev/null
for f in bin/rechner share/applications/org.rechner.Rechner.desktop \
         share/metainfo/org.rechner.Rechner.metainfo.xml \
         share/icons/hicolor/16x16/apps/org.rechner.Rechner.png \
         share/icons/hicolor/32x32/apps/org.rechner.Rechner.png \
         share/icons/hicolor/scalable/apps/org.rechner.Rechner.svg; do
  [ -s "$destdir/usr/$f" ] || fail "missing after install: /usr/$f"
done
[ -x "$destdir/usr/bin/rechner" ] || fail "installed rechner is not executable"
desktop-file-validate "$destdir/usr/share/applications/org.rechner.Rechner.desktop"
appstreamcli validate --no-net "$destdir/usr/share/metainfo/org.rechner.Rechner.metainfo.xml" >/dev/null
echo "install: files in place, desktop entry and metainfo valid"

# The Debian package.
rm -f "$build"/rechner_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/rechner_*.deb)
has 'Depends:.*libqt6widgets6' "$(dpkg-deb -I "$deb")" || fail "package does not depend on Qt"
has './usr/bin/rechner$' "$(dpkg-deb -c "$deb")" || fail "package lacks /usr/bin/rechner"
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
