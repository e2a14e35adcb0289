#!/usr/bin/env bash
# Checks a release as it ships (RELEASE, default build/releases/this, made
# by scripts/check-signing.sh): its Debian source package unpacks, and
# a damaged one does not; the program in its package for hardening, its
# command line without a display, and its start on X11 and on Wayland with
# its window named as its desktop entry says; the files the package
# installs (desktop entry, metainfo and manual page valid, and the AppStream
# catalogue composed from them as Debian's archive composes it); lintian on the upload (.changes) as a sponsor runs it. NEXT
# (default build/releases/next, from scripts/next-release.sh) is the release
# after it. With --install (as root, on a system to spare: CI's fresh roots)
# the package's autopkgtest runs on it installed (in the clean root
# RECHNER_TESTBED names, if set), and then it is installed
# from RELEASE's apt repository as a user does it, updated by apt-get
# upgrade from NEXT's, started each time, and purged, which must leave none
# of its files; both repositories must be signed with the same key.
# Otherwise apt only simulates installing both packages.
# Usage: scripts/check-release.sh [--install] [RELEASE [NEXT]]
set -euo pipefail
. "$(dirname "$0")/lib.sh"
install=false
[ "${1:-}" != --install ] || { install=true; shift; }
release=$(realpath -m "${1:-$(dirname "$0")/../build/releases/this}")
next=$(realpath -m "${2:-$(dirname "$0")/../build/releases/next}")
cd "$(dirname "$0")/.."
scripts/install-deps.sh test

fail() { echo "check-release: $*" >&2; exit 1; }
# (Outputs are read whole first: grep -q ending a pipe early trips pipefail.)
has() { grep -q "$1" <<<"$2"; }

deb=$(only_file "Debian package in $release (scripts/check-signing.sh and scripts/next-release.sh make the releases)" "$release"/rechner_*_amd64.deb)
new_deb=$(only_file "Debian package in $next" "$next"/rechner_*_amd64.deb)
version=$(dpkg-deb -f "$deb" Version)
new_version=$(dpkg-deb -f "$new_deb" Version)
dpkg --compare-versions "$new_version" gt "$version" || fail "$new_deb ($new_version) is not newer than $deb ($version)"
# One cleanup for all the check makes: its folders, what it installed into
# the system (with --install), the processes it started.
root=$(mktemp -d) runtime=$(mktemp -d)
installed_files=()
cleanup() { end_started; rm -rf "$root" "$runtime" "${installed_files[@]}"; }
trap cleanup EXIT

# The source package: dpkg-source unpacks it, its checksums true; with one
# byte of the debian tarball changed it refuses. The orig tarball holds no
# packaging.
dsc=$(ls "$(dirname "$deb")"/rechner_*.dsc)
mkdir "$root/source"
cp "$dsc" "$(dirname "$deb")"/rechner_*.orig.tar.xz "$(dirname "$deb")"/rechner_*.debian.tar.xz "$root/source/"
(cd "$root/source" && dpkg-source -x "$(basename "$dsc")" unpacked >"$root/dpkg-source.log" 2>&1) \
  || fail "dpkg-source cannot unpack $(basename "$dsc"): $(cat "$root/dpkg-source.log")"
[ -x "$root/source/unpacked/debian/rules" ] || fail "$(basename "$dsc") unpacked without debian/rules"
! tar -tJf "$root"/source/rechner_*.orig.tar.xz | grep -q '^[^/]*/debian/' || fail "the orig tarball holds debian/"
printf 'x' | dd of="$(ls "$root"/source/rechner_*.debian.tar.xz)" bs=1 seek=100 conv=notrunc status=none
if message=$(cd "$root/source" && dpkg-source -x "$(basename "$dsc")" damaged 2>&1); then
  fail "dpkg-source unpacked a source package whose debian tarball was changed"
fi
has "checksum\|does not match" "$message" || fail "a damaged debian tarball: dpkg-source said $message"
rm -rf "$root/source"
echo "source package: $(basename "$dsc") unpacks; a damaged copy is refused; no debian/ in the orig tarball"

dpkg-deb -x "$deb" "$root"
binary="$root/usr/bin/rechner"

# Hardening, as Debian's hardening-check reads the program: position-
# independent, stack protector, full RELRO, each line of its report a yes.
# Its other lines cannot speak for this program: fortify, because the only
# libc functions it could guard here are memcpy, memmove and memset on
# sizes known at run time only, which it leaves unguarded (release.sh has
# blhc make sure that -D_FORTIFY_SOURCE=2 reached every compile); and
# control-flow and branch protection, which Debian 12's dpkg-buildflags
# does not ask for (and branch protection is arm64's).
report=$(hardening-check "$binary" 2>&1 || true)
for want in "Position Independent Executable: yes" "Stack protected: yes" "Read-only relocations: yes" \
            "Immediate binding: yes"; do
  has "$want" "$report" || fail "the program is not hardened as Debian builds it: hardening-check has no \"$want\":"$'\n'"$report"
done
echo "hardening: PIE, stack protector, full RELRO (hardening-check)"

# The command line answers without a display, within a second.
nodisplay() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 1 "$binary" "$@"; }
expect() {   # expect STATUS OUTPUT-PATTERN ARGS...: runs without a display
  local status=$1 pattern=$2 out; shift 2
  set +e; out=$(nodisplay "$@" 2>&1); local got=$?; set -e
  [ "$got" -eq "$status" ] || fail "rechner $* exited $got, not $status: $out"
  has "$pattern" "$out" || fail "rechner $* printed no \"$pattern\": $out"
}
expect 0 "^rechner ${version%-*}\$" --version
expect 0 '^Aufruf: rechner' --help
expect 2 'unbekannte Option „--gibtsnicht“' --gibtsnicht
expect 1 'keine grafische Anzeige'
echo "command line: --version, --help, a bad option and no display answered in German"

# The desktop entry, as menus and docks read it: what its window must be
# named for a dock to match it to the launcher (StartupWMClass on X11, the
# entry's file name as app id on Wayland) and the icon it names.
entry=$(only_file "desktop entry in the package" "$root"/usr/share/applications/*.desktop)
wm_class=$(sed -n 's/^StartupWMClass=//p' "$entry")
app_id=$(basename "$entry" .desktop)
icon=$(sed -n 's/^Icon=//p' "$entry")
[ -n "$wm_class" ] && [ -n "$icon" ] || fail "the desktop entry $(basename "$entry") names no StartupWMClass or no Icon"

# It starts and keeps running on X11 (Xvfb) and on Wayland (a headless
# weston), and names itself as its desktop entry says, so that docks match
# it to its launcher: once its window is there, it is still running and
# ends on a plain kill.
set +e
x11=$(xvfb-run -a -s "-screen 0 1024x768x24" sh -c \
  '"$0" & timeout 60 xdotool search --sync --name "^Form1\$" >/dev/null; xprop -name Form1 WM_CLASS
   kill $! && wait $!; echo "status $?"' "$binary" 2>&1)
set -e
has "^WM_CLASS(STRING) = \".*\", \"$wm_class\"\$" "$x11" \
  || fail "the Form1 window's class on X11 is not the desktop entry's StartupWMClass $wm_class: $x11"
has 'status 143' "$x11" || fail "rechner did not keep running on X11: $x11"
XDG_RUNTIME_DIR="$runtime" weston --backend=headless-backend.so --socket=rechner-check --idle-time=0 >"$runtime/weston.log" 2>&1 &
weston=$!
started+=("$weston")
wait_for 60 "weston's socket" test -S "$runtime/rechner-check" || fail "weston did not start: $(cat "$runtime/weston.log")"
XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY=rechner-check QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=client \
  "$binary" >"$runtime/rechner.log" 2>&1 &
rechner=$!
# The window is there once the program has answered weston's first
# configure (or it has ended, which the status below tells).
configured() { grep -q 'ack_configure' "$runtime/rechner.log" || ! kill -0 $rechner 2>/dev/null; }
wait_for 60 "rechner's window on Wayland" configured || true
set +e
kill $rechner && wait $rechner
status=$?
set -e
kill $weston 2>/dev/null || true
wayland=$(cat "$runtime/rechner.log")
has "set_app_id(\"$app_id\")" "$wayland" \
  || fail "no Wayland window with the desktop entry's name $app_id as app id: $(grep -o 'set_app_id([^)]*)' <<<"$wayland" || echo none set)"
grep -q 'ack_configure' <<<"$wayland" || fail "no Wayland window was configured"
[ "$status" -eq 143 ] || fail "rechner did not keep running on Wayland (status $status)"
echo "start: keeps running on X11 and on Wayland, class $wm_class and app id $app_id as its desktop entry says"

# The files the package installs.
for f in bin/rechner share/applications/org.rechner.Rechner.desktop \
         share/metainfo/org.rechner.Rechner.metainfo.xml \
         share/icons/hicolor/16x16/apps/org.rechner.Rechner.png \
         share/icons/hicolor/32x32/apps/org.rechner.Rechner.png \
         share/icons/hicolor/scalable/apps/org.rechner.Rechner.svg \
         share/man/man1/rechner.1.gz share/doc/rechner/copyright share/doc/rechner/changelog.Debian.gz \
         share/doc/rechner/NEWS.gz; do
  [ -s "$root/usr/$f" ] || fail "not in the package: /usr/$f"
done
[ -x "$binary" ] || fail "the packaged rechner is not executable"
desktop-file-validate "$root/usr/share/applications/org.rechner.Rechner.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.rechner.Rechner.metainfo.xml" >/dev/null
manual=$(zcat "$root/usr/share/man/man1/rechner.1.gz" | groff -man -ww -z 2>&1)
[ -z "$manual" ] || fail "groff warns about the manual page: $manual"
# The AppStream catalogue as Debian's archive composes it from the package:
# no error or warning (the software centres leave out a program with
# errors), and the entry's icon found in the icon theme it installs.
NO_COLOR=1 appstreamcli compose --no-net --print-report=full --origin=rechner --prefix=/usr \
  --result-root="$runtime/composed" "$root" >"$runtime/compose.log" 2>&1 || true
report=$(sed 's/\x1b\[[0-9;]*m//g' "$runtime/compose.log")
! has '^  [EW]: ' "$report" || fail "appstreamcli compose reports: $(grep -A2 '^  [EW]: ' <<<"$report")"
# (PNG, or JPEG XL where the composer has it, as AppStream 1.2 does.)
compgen -G "$runtime/composed/usr/share/swcatalog/icons/rechner/*/$icon.*" >/dev/null \
  || fail "appstreamcli compose found no icon $icon for the catalogue: $report"
echo "files: in place; desktop entry, metainfo and manual page valid; AppStream composed without error or warning, icon $icon found"

has 'Depends:.*libqt6widgets6' "$(dpkg-deb -I "$deb")" || fail "package does not depend on Qt"

# lintian as the sponsors' site runs it, on the upload. Every tag it
# reports must be overridden with its reason in debian/, but these: the
# warning a first upload has before it has a bug to close; testing's
# pedantic redundant-* tags for two fields Debian 12's dpkg still needs
# written; and the overrides an older lintian has no use for (two tags it
# does not raise there). Anything else, of any severity, fails.
changes=$(ls "$(dirname "$deb")"/rechner_*.changes)
report=$(lintian --pedantic -E -I --show-overrides "$changes" 2>&1) \
  || fail "lintian does not accept $(basename "$changes"): $report"
expected='initial-upload-closes-no-bugs|redundant-priority-optional-field|redundant-rules-requires-root-no-field'
expected+='|unused-override (out-of-date-standards-version|package-uses-old-debhelper-compat-version) '
unexpected=$(grep -E '^[EWIPX]: ' <<<"$report" | grep -v -E ": ($expected)" || true)
[ -z "$unexpected" ] || fail "lintian reports on $(basename "$changes") what is neither mended nor overridden:
$unexpected"
echo "package: lintian $(lintian --version | cut -d' ' -f2) --pedantic -E -I on $(basename "$changes"): $(grep -c '^O: ' <<<"$report") overridden, nothing else but $(grep -E '^[EWIP]: ' <<<"$report" | sed 's/^.: [^:]*: \([^ ]*\).*/\1/' | sort -u | tr '\n' ' ')"

if $install; then
  [ "$(id -u)" -eq 0 ] || fail "--install installs packages: run it as root"
  apt() { DEBIAN_FRONTEND=noninteractive apt-get -y -qq "$@" >/dev/null; }
  runs() {   # runs VERSION: the installed program says it and keeps running
    has "^rechner $1\$" "$(/usr/bin/rechner --version)" || fail "installed rechner is not $1"
    set +e
    QT_QPA_PLATFORM=offscreen timeout 3 /usr/bin/rechner
    local status=$?
    set -e
    [ "$status" -eq 124 ] || fail "installed rechner $1 did not keep running (status $status)"
  }

  # The package's own tests, on the package installed with what they need
  # (autopkgtest installs it): in RECHNER_TESTBED, a clean root of this
  # Debian release (scripts/fresh-debian.sh makes one), where only what the
  # package and its tests depend on is installed, as on Debian's CI; else
  # on this system.
  if [ -n "${RECHNER_TESTBED:-}" ]; then
    testbed=(--setup-commands="apt-get update -qq" "$changes" -- chroot "$RECHNER_TESTBED")
    where="in the clean testbed $RECHNER_TESTBED"
  else
    testbed=("$changes" -- null) where="on this system (no RECHNER_TESTBED)"
  fi
  autopkgtest "${testbed[@]}" >"$root/autopkgtest.log" 2>&1 \
    || { tail -n 30 "$root/autopkgtest.log" >&2; fail "autopkgtest $where failed"; }
  echo "autopkgtest $where:"
  sed -n '/@@@ summary$/,$ s/^\([a-z-]*  *[A-Z]\)/  \1/p' "$root/autopkgtest.log"
  grep '^calculate: ' "$root/autopkgtest.log" | sed 's/^/  /' || true
  [ -n "${RECHNER_TESTBED:-}" ] || apt purge rechner

  # The two steps the README gives a user: the key into /usr/share/keyrings/
  # and a sources entry for the repository, signed by it.
  for r in "$release" "$next"; do
    [ -f "$r/apt/InRelease" ] || fail "$r/apt is not signed (no InRelease): --install needs signed releases"
  done
  keyring=/usr/share/keyrings/rechner-archive-keyring.asc
  sources=/etc/apt/sources.list.d/rechner.sources
  installed_files+=("$keyring" "$sources")
  install -m 644 "$release/signatures/openpgp-key.asc" "$keyring"
  repository() {   # repository RELEASE: the sources entry names RELEASE's apt folder
    printf 'Types: deb\nURIs: file://%s/apt/\nSuites: ./\nSigned-By: %s\n' "$1" "$keyring" >"$sources"
    apt-get update -qq -o APT::Sandbox::User=root 2>&1 | { ! grep -i 'rechner\|^[WE]:'; } \
      || fail "apt-get update of $1/apt complained (above)"
  }
  repository "$release"
  apt install rechner
  [ "$(dpkg-query -W -f='${Version}' rechner)" = "$version" ] || fail "apt did not install rechner $version from $release/apt"
  runs "${version%-*}"
  repository "$next"
  apt upgrade
  [ "$(dpkg-query -W -f='${Version}' rechner)" = "$new_version" ] || fail "apt-get upgrade did not bring rechner $new_version from $next/apt"
  runs "${new_version%-*}"
  apt purge rechner
  left=()
  # Every file of both packages, and the folders of their own (/usr/share/doc/rechner).
  for f in $( (dpkg-deb --fsys-tarfile "$deb"; dpkg-deb --fsys-tarfile "$new_deb") | tar -t --ignore-zeros \
              | sed -n 's|^\./\(.*[^/]\)/*$|/\1|p' | sort -u); do
    if [ -d "$f" ]; then [[ $f != *rechner* ]] || left+=("$f"); elif [ -e "$f" ]; then left+=("$f"); fi
  done
  [ ${#left[@]} -eq 0 ] || fail "apt-get purge left: ${left[*]}"
  ! dpkg-query -W rechner >/dev/null 2>&1 || fail "dpkg still knows rechner after purge: $(dpkg-query -W rechner 2>&1)"
  echo "package: $version installs from its apt repository and runs, apt-get upgrade brings $new_version from the next one, purge leaves none of its files"
else
  apt-get install --simulate "$deb" >/dev/null || fail "the dependencies of $deb cannot be met"
  apt-get install --simulate "$new_deb" >/dev/null || fail "the dependencies of $new_deb cannot be met"
  echo "package: dependencies of $version and $new_version can be met (installed only with --install)"
fi
