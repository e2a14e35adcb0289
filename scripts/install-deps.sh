#!/usr/bin/env bash
# Installs the Debian packages that building, running, testing or
# benchmarking needs, only those that are missing: what debian/control's
# Build-Depends names, as apt-get build-dep reads it (without the tests'
# ones, the nocheck profile, where no tests are built), and besides it
# what each job needs that a package build does not.
# Usage: scripts/install-deps.sh run|test|release|signing|reproducible|bench|windows
set -euo pipefail
. "$(dirname "$0")/lib.sh"

# Which build dependencies: nocheck (none of the tests'), all, or none.
build_deps=nocheck
# Running from the build tree: what the package Depends on beyond its
# libraries (Arial's metric twin, Qt's German texts and its Wayland plugin).
packages=(qt6-wayland qt6-translations-l10n fonts-liberation)
# Building for Windows: the cross-compiler (posix threads), its resource
# compiler, zip for the portable zip and NSIS for the installer.
windows=(cmake ninja-build g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 zip nsis)
optional=()   # installed only where the release has them (NAME>=VERSION: in that version or later)
case "${1:-run}" in
  run) ;;
  windows) build_deps=none packages=("${windows[@]}") ;;
  test)
    # tests, fuzzing, static analysis, packaging checks (hardening-check
    # from devscripts reads the packaged program; autopkgtest runs the
    # package's own tests on it installed; AppStream's composer, with the
    # SVG loader the archive's has, reads the package as the archive does),
    # start-up on X11 and Wayland, the screen reader Orca with its speech,
    # bus and window manager, and the desktops the layout is tried on
    # (Qt's GTK theme with GNOME's font, qt6ct with Plasma's)
    build_deps=all
    packages+=(clang libclang-rt-dev clang-tidy cppcheck
               binutils file desktop-file-utils appstream appstream-compose librsvg2-common
               devscripts lintian autopkgtest groff-base
               xvfb xauth x11-utils weston
               orca speech-dispatcher speech-dispatcher-espeak-ng espeak-ng at-spi2-core
               dbus openbox xdotool python3 python3-gi gir1.2-atspi-2.0
               xz-utils faketime "${windows[@]}" googletest x11-xkb-utils
               gnupg osslsigncode openssl python3-yaml softhsm2 opensc libengine-pkcs11-openssl
               qt6-gtk-platformtheme qt6ct fonts-cantarell fonts-noto-core)
    # Wine runs the Windows program's tests; not every Debian release has
    # it. Qt 6's KDE platform theme, for the layout under Plasma's settings:
    # Debian 12's plasma-integration is Qt 5's.
    optional=(wine wine64 "plasma-integration>=6") ;;
  release)
    # the Debian package with its tests, its build log's hardening flags
    # (blhc) and its apt repository (dpkg-scanpackages, apt-ftparchive),
    # the source tarball (xz), the Windows downloads, and what signs them
    # (OpenPGP, Authenticode), winget's manifests (written with PyYAML);
    # dch for the next version's changelog entry
    build_deps=all
    packages=(dpkg-dev blhc apt-utils devscripts libdistro-info-perl file xz-utils "${windows[@]}" gnupg
              osslsigncode openssl python3 python3-yaml)
    [ -z "${RECHNER_AUTHENTICODE_PKCS11_MODULE:-}" ] || packages+=(libengine-pkcs11-openssl opensc) ;;
  signing)
    # scripts/check-signing.sh: throwaway keys (OpenPGP, a test CA and a
    # time-stamp service's certificate), a PKCS#11 token, another clock for
    # the signatures past the certificate's end, a display for installing
    # under Wine (where the release has Wine)
    build_deps=none
    packages=(faketime gnupg osslsigncode openssl python3 softhsm2 opensc libengine-pkcs11-openssl
              xvfb xauth) ;;
  reproducible)
    # scripts/check-reproducible.sh: another clock, diffoscope to show a
    # difference, and Debian's reprotest for the source package
    build_deps=none
    packages=(faketime diffoscope-minimal reprotest python3 python3-yaml) ;;
  bench)
    build_deps=nocheck packages+=(xvfb xauth libx11-dev gcc) ;;
  *)
    echo "usage: $0 run|test|release|signing|reproducible|bench|windows" >&2
    exit 2 ;;
esac
missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done

# Whether the release offers a package, as apt's lists say. A fresh machine
# has no lists of its archives yet (debootstrap's own do not count): there
# the package is asked for again after the update below.
# (grep reads all of apt's answer: with -q it would stop early, and apt's
# broken pipe would fail the test under pipefail.)
offered() {
  local name=${1%%>=*} candidate
  candidate=$(apt-cache policy "$name" 2>/dev/null | awk '$1 == "Candidate:" && $2 != "(none)" { print $2 }')
  [ -n "$candidate" ] && { [ "$name" = "$1" ] || dpkg --compare-versions "$candidate" ge "${1#*>=}"; }
}
lists_known() { apt-cache policy 2>/dev/null | grep ' Packages$' >/dev/null; }
for p in "${optional[@]}"; do
  installed "${p%%>=*}" && continue
  if offered "$p" || ! lists_known; then
    missing+=("${p%%>=*}")
  fi
done

# What the build dependencies still need, as apt-get answers anyone who
# asks (a simulation needs no root); without lists of its archives apt
# cannot answer, and the lists are fetched below.
profile=()
[ "$build_deps" != nocheck ] || profile=(-P nocheck)
build_deps_missing=false
if [ "$build_deps" != none ]; then
  if ! answer=$(apt-get -s build-dep "${profile[@]}" "$RECHNER_ROOT" 2>&1) || grep '^Inst ' <<<"$answer" >/dev/null; then
    build_deps_missing=true
  fi
fi

locale_missing=false
if [ "${1:-run}" = test ] && ! locale -a 2>/dev/null | grep -i '^de_DE\.utf-\?8$' >/dev/null; then
  locale_missing=true
fi

[ ${#missing[@]} -gt 0 ] || [ "$build_deps_missing" = true ] || [ "$locale_missing" = true ] || exit 0

# Installing needs root: as root directly, otherwise through sudo.
as_root=()
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
  else
    {
      echo "Es fehlen Debian-Pakete. Nur root kann sie installieren, und sudo gibt es hier"
      echo "nicht. Führen Sie bitte einmal als root aus, was hier steht, und danach diesen"
      echo "Befehl noch einmal als Sie selbst:"
      [ "$build_deps_missing" = false ] || echo "    su -c 'apt-get update && apt-get build-dep --no-install-recommends ${profile[*]} $RECHNER_ROOT'"
      [ ${#missing[@]} -eq 0 ] || echo "    su -c 'apt-get update && apt-get install --no-install-recommends ${missing[*]}'"
      [ "$locale_missing" = false ] || echo "    su -c \"sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen && locale-gen\""
      echo "(oder als root sudo installieren: apt-get install sudo)"
    } >&2
    exit 1
  fi
fi

if [ ${#missing[@]} -gt 0 ] || [ "$build_deps_missing" = true ]; then
  "${as_root[@]}" apt-get update -qq
  wanted=("${missing[@]}") missing=()
  for p in "${wanted[@]}"; do
    entry=$(printf '%s\n' "${optional[@]}" | grep -x -- "$p\(>=.*\)\?" || true)
    if [ -z "$entry" ] || offered "$entry"; then missing+=("$p"); fi
  done
fi
if [ "$build_deps_missing" = true ]; then
  echo "Installing the build dependencies (debian/control)"
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get build-dep -y -qq --no-install-recommends "${profile[@]}" "$RECHNER_ROOT" >/dev/null
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The tests also run under a German locale, the one the program's users have.
if [ "$locale_missing" = true ]; then
  "${as_root[@]}" sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | "${as_root[@]}" tee -a /etc/locale.gen >/dev/null
  "${as_root[@]}" locale-gen >/dev/null
fi
