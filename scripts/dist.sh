#!/usr/bin/env bash
# Writes the source tarball rechner-VERSION.tar.xz into OUT (default
# build/dist), under the folder rechner-VERSION/, from which the README's
# two commands work as in a clone, and beside it Debian's orig tarball
# rechner_VERSION.orig.tar.xz: the same without the packaging in debian/,
# which Debian's source package adds as a tarball of its own. The files:
# - in a git clone, the files of the last commit (git archive HEAD), which
#   also writes that commit into .source-commit; a tree with changes not
#   committed is refused, naming them;
# - with --worktree (for the checks), the files of the working tree as git
#   sees them: tracked ones as they are now (deleted ones left out) and new
#   ones it does not ignore;
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
epoch=$(source_date_epoch)
name=rechner-$(rechner_version)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

if in_clone && [ "$worktree" = false ]; then
  require_committed dist
  git archive --format=tar HEAD | tar -C "$stage" -xf -
elif in_clone; then
  git ls-files -z --cached --others --exclude-standard \
    | while IFS= read -r -d '' f; do if [ -e "$f" ] || [ -L "$f" ]; then printf '%s\0' "$f"; fi; done \
    | tar --null -T - -cf - | tar -C "$stage" -xf -
  commit=$(git rev-parse HEAD)
  [ -z "$(git status --porcelain)" ] || commit="$commit with changes not committed"
  echo "$commit" >"$stage/.source-commit"
else
  find . \( -path ./build -o -path ./.git \) -prune -o \( -type f -o -type l \) -print0 \
    | tar --null -T - -cf - | tar -C "$stage" -xf -
fi

mkdir -p "$out"
files=$(cd "$stage" && find . \( -type f -o -type l \) -print | sed 's|^\./||' | LC_ALL=C sort)
pack() {   # pack TARBALL: the files listed on standard input, under $name/
  LC_ALL=C tar -C "$stage" --format=gnu --no-recursion --verbatim-files-from -T - \
    --mtime="@$epoch" --owner=0 --group=0 --numeric-owner --mode='u=rwX,go=rX' \
    --transform="s|^|$name/|" -cf - | xz -T1 -6 -c >"$1.part"
  mv "$1.part" "$1"
}
pack "$out/$name.tar.xz" <<<"$files"
grep -v '^debian/' <<<"$files" | pack "$out/rechner_${name#rechner-}.orig.tar.xz"
echo "dist: $out/$name.tar.xz and $out/rechner_${name#rechner-}.orig.tar.xz"
