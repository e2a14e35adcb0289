#!/usr/bin/env bash
# Builds the release that comes after RELEASE, for the update checks: the
# source tarball in RELEASE, unpacked into a scratch folder, is made one
# version further by scripts/new-version.sh (the patch number up by one) and
# released from there with scripts/release.sh into NEXT.
# Usage: scripts/next-release.sh RELEASE NEXT
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 RELEASE NEXT" >&2; exit 2; }
release=$(cd "$1" && pwd)
mkdir -p "$2"
next=$(cd "$2" && pwd)
tarball=$(ls "$release"/rechner-*.tar.xz)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tar -C "$work" -xJf "$tarball"
src=$(ls -d "$work"/rechner-*)
. "$src/scripts/lib.sh"
IFS=. read -r major minor patch <<<"$(rechner_version)"
"$src/scripts/new-version.sh" "$major.$minor.$((patch + 1))" >/dev/null
# Its tests are this release's, run with it: its package is built without.
env -u SOURCE_DATE_EPOCH DEB_BUILD_OPTIONS=nocheck "$src/scripts/release.sh" "$next" >/dev/null
echo "next-release: $next holds $major.$minor.$((patch + 1)), the release after $(basename "$tarball" .tar.xz)"
