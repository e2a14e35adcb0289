#!/usr/bin/env bash
# Builds a release into OUT (default build/dist) from the source tarball, as
# anyone can build it again: the tarball (scripts/dist.sh), then, from the
# tarball unpacked, the Debian package, rechner.exe, the portable zip and the
# installer, and SHA256SUMS over all five. In a git clone the release is the
# last commit: a tree with changes not committed is refused, naming them,
# before anything is written. Every tool writes the time of the source
# (scripts/source-date-epoch.sh) instead of its clock, so the same source
# gives the same bytes; that time is written to OUT/SOURCE_DATE_EPOCH, and
# the commit the source is from to OUT/SOURCE_COMMIT.
# Usage: scripts/release.sh [OUT]
set -euo pipefail
. "$(dirname "$0")/lib.sh"
cd "$RECHNER_ROOT"
out=${1:-build/dist}
require_committed release

scripts/install-deps.sh release
SOURCE_DATE_EPOCH=$(scripts/source-date-epoch.sh)
export SOURCE_DATE_EPOCH
version=$(rechner_version)
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

scripts/dist.sh "$out" >/dev/null
tar -C "$work" -xJf "$out/rechner-$version.tar.xz"
src="$work/rechner-$version"

echo "release: the Debian package"
cmake -S "$src" -B "$work/linux" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/linux" >/dev/null
(cd "$work/linux" && cpack -G DEB >/dev/null)
cp "$work/linux/rechner_${version}_amd64.deb" "$out/"

echo "release: rechner.exe, the portable zip and the installer"
cmake -S "$src" -B "$work/windows" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/windows" >/dev/null
cp "$work/windows/rechner.exe" "$work/windows/rechner-$version-windows-x64.zip" \
  "$work/windows/rechner-$version-setup.exe" "$out/"

echo "$SOURCE_DATE_EPOCH" >"$out/SOURCE_DATE_EPOCH"
commit=$(cat "$src/.source-commit")
[[ $commit != *'$Format'* ]] || commit="unknown (not made from a git clone)"
echo "$commit" >"$out/SOURCE_COMMIT"
(cd "$out" && sha256sum "rechner-$version.tar.xz" "rechner_${version}_amd64.deb" rechner.exe \
  "rechner-$version-windows-x64.zip" "rechner-$version-setup.exe" >SHA256SUMS)
echo "release: $out (commit $commit, SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH)"
cat "$out/SHA256SUMS"
