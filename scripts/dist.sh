#!/usr/bin/env bash
# Writes the source tarball rechner-VERSION.tar.xz into OUT (default
# build/dist): the tracked files (in a tree without .git, every file but
# build/), under the folder rechner-VERSION/, from which the README's two
# commands work as in a clone. The same files give the same bytes: sorted
# members, each with the time of the source, owned by root, with modes 755
# or 644 whatever the umask, compressed by one xz thread.
# Usage: scripts/dist.sh [OUT]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/dist}
epoch=$(scripts/source-date-epoch.sh)
version=$(sed -n 's/^project(rechner VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=rechner-$version

if [ -e .git ] && command -v git >/dev/null 2>&1; then
  files=$(git ls-files)
else
  files=$(find . \( -path ./build -o -path ./.git \) -prune -o \( -type f -o -type l \) -print | sed 's|^\./||')
fi
mkdir -p "$out"
LC_ALL=C sort <<<"$files" | LC_ALL=C tar --format=gnu --no-recursion --verbatim-files-from -T - \
  --mtime="@$epoch" --owner=0 --group=0 --numeric-owner --mode='u=rwX,go=rX' \
  --transform="s|^|$name/|" -cf - | xz -T1 -6 -c >"$out/$name.tar.xz.part"
mv "$out/$name.tar.xz.part" "$out/$name.tar.xz"
echo "dist: $out/$name.tar.xz"
