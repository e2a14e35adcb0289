#!/usr/bin/env bash
# Writes the source tarball rechner-VERSION.tar.xz into OUT (default
# build/dist), under the folder rechner-VERSION/, from which the README's
# two commands work as in a clone:
# - in a git clone, the files of the last commit (git archive HEAD), which
#   also writes that commit into .source-commit; a tree with changes not
#   committed is refused, naming them;
# - with --worktree (for the checks), the tracked files as they are now in
#   the working tree, changes included;
# - in a tree without .git (an unpacked tarball), every file but build/.
# The same files give the same bytes: sorted members, each with the time of
# the source, owned by root, with modes 755 or 644 whatever the umask,
# compressed by one xz thread.
# Usage: scripts/dist.sh [--worktree] [OUT]
set -euo pipefail
. "$(dirname "$0")/lib.sh"
cd "$RECHNER_ROOT"
worktree=false
if [ "${1:-}" = --worktree ]; then worktree=true; shift; fi
out=${1:-build/dist}
epoch=$(scripts/source-date-epoch.sh)
name=rechner-$(rechner_version)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

if in_clone && [ "$worktree" = false ]; then
  require_committed dist
  git archive --format=tar HEAD | tar -C "$stage" -xf -
elif in_clone; then
  git ls-files -z | tar --null -T - -cf - | tar -C "$stage" -xf -
  commit=$(git rev-parse HEAD)
  [ -z "$(git status --porcelain --untracked-files=no)" ] || commit="$commit with changes not committed"
  echo "$commit" >"$stage/.source-commit"
else
  find . \( -path ./build -o -path ./.git \) -prune -o \( -type f -o -type l \) -print0 \
    | tar --null -T - -cf - | tar -C "$stage" -xf -
fi

mkdir -p "$out"
(cd "$stage" && find . \( -type f -o -type l \) -print | sed 's|^\./||' | LC_ALL=C sort) \
  | LC_ALL=C tar -C "$stage" --format=gnu --no-recursion --verbatim-files-from -T - \
    --mtime="@$epoch" --owner=0 --group=0 --numeric-owner --mode='u=rwX,go=rX' \
    --transform="s|^|$name/|" -cf - | xz -T1 -6 -c >"$out/$name.tar.xz.part"
mv "$out/$name.tar.xz.part" "$out/$name.tar.xz"
echo "dist: $out/$name.tar.xz"
