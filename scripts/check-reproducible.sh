#!/usr/bin/env bash
# Builds the release twice from this tree (scripts/release.sh) and compares
# every artefact byte for byte. The two builds differ in all a build must
# not depend on: the folder, the clock (faketime, three days and five hours
# on), the time zone, the umask, the locale and, run as root, the user
# (nobody). On a difference it names the file and shows where it differs:
# with diffoscope where that is installed, else the first differing member
# of the archive and the byte offset. With KEEP given, the first build's
# release is kept there for the checks that install it.
# Usage: scripts/check-reproducible.sh [KEEP]
set -euo pipefail
keep=${1:+$(realpath -m "$1")}
cd "$(dirname "$0")/.."

scripts/install-deps.sh release
command -v faketime >/dev/null 2>&1 || scripts/install-deps.sh reproducible
SOURCE_DATE_EPOCH=$(scripts/source-date-epoch.sh)
export SOURCE_DATE_EPOCH
work=$(mktemp -d /var/tmp/rechner-reproducible.XXXXXX)
trap 'rm -rf "$work"' EXIT
chmod 0755 "$work"

# The source tarball of the tree as it is, unpacked into two folders of
# different depths.
scripts/dist.sh --worktree "$work" >/dev/null
mkdir -p "$work/first" "$work/second/somewhere/else"
tar -C "$work/first" -xJf "$work"/rechner-*.tar.xz
tar -C "$work/second/somewhere/else" -xJf "$work"/rechner-*.tar.xz
src=$(basename "$work"/first/rechner-*)

# A tree without .git and without a date in data/changelog is refused, not
# stamped with today's date.
mkdir -p "$work/undated/data"
cp -r "$work/first/$src/scripts" "$work/undated/"
sed '/^ -- /d' data/changelog >"$work/undated/data/changelog"
if message=$(env -u SOURCE_DATE_EPOCH "$work/undated/scripts/source-date-epoch.sh" 2>&1) \
   || ! grep -q "refusing to stamp the release with today's date" <<<"$message"; then
  echo "check-reproducible: a tree without .git and a changelog date was not refused: $message" >&2
  exit 1
fi

echo "check-reproducible: first build (TZ=UTC, umask 022, C.UTF-8, $(id -un))"
(umask 022 && cd "$work/first/$src" && TZ=UTC LC_ALL=C.UTF-8 scripts/release.sh "$work/first/out" >/dev/null 2>&1) \
  || { echo "check-reproducible: the first build failed" >&2; exit 1; }

locale=C
locale -a 2>/dev/null | grep -i '^de_DE\.utf-\?8$' >/dev/null && locale=de_DE.UTF-8
as=()
user=$(id -un)
if [ "$(id -u)" -eq 0 ]; then
  chown -R nobody "$work/second"
  as=(setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups)
  user=nobody
fi
echo "check-reproducible: second build (3 days 5 hours later, TZ=Pacific/Kiritimati, umask 077, $locale, $user)"
"${as[@]}" env -i PATH="$PATH" HOME="$work/second" SOURCE_DATE_EPOCH="$SOURCE_DATE_EPOCH" \
  TZ=Pacific/Kiritimati LC_ALL="$locale" faketime -f '+3d5h' \
  bash -c 'umask 077 && cd "$1/somewhere/else/$2" && scripts/release.sh "$1/out"' sh "$work/second" "$src" >"$work/second.log" 2>&1 \
  || { tail -n 30 "$work/second.log" >&2; echo "check-reproducible: the second build failed" >&2; exit 1; }

listing() {
  case $1 in
    *.deb) dpkg-deb -c "$1" ;;
    *) cmake -E tar tvf "$1" ;;
  esac
}

# Where two files differ: diffoscope, or the first differing member of an
# archive (tar, zip and the members of a .deb) and the first differing byte.
explain() {
  local a=$1 b=$2 x="$work/explain"
  if command -v diffoscope >/dev/null 2>&1; then
    diffoscope --text - "$a" "$b" | head -n 60
    return
  fi
  cmp "$a" "$b" | sed 's/^/  /' || true
  rm -rf "$x" && mkdir -p "$x/a" "$x/b"
  case $a in
    *.deb) (cd "$x/a" && ar x "$a" && for t in *.tar.*; do mkdir "${t%%.*}" && tar -C "${t%%.*}" -xf "$t"; done)
           (cd "$x/b" && ar x "$b" && for t in *.tar.*; do mkdir "${t%%.*}" && tar -C "${t%%.*}" -xf "$t"; done) ;;
    *.tar.xz|*.zip) cmake -E chdir "$x/a" cmake -E tar xf "$a"; cmake -E chdir "$x/b" cmake -E tar xf "$b" ;;
    *) return ;;
  esac
  local member
  member=$(diff -rq "$x/a" "$x/b" | head -n 1 | sed "s|$x/[ab]/||g")
  if [ -n "$member" ]; then
    echo "  first differing member: $member"
  else   # the same contents: the listings show the time, owner, mode or order
    echo "  same contents; the first differing entry of the listings:"
    diff <(listing "$a") <(listing "$b") >"$x/listings" || true
    { grep -m 1 '^<' "$x/listings"; grep -m 1 '^>' "$x/listings"; } | sed 's/^/    /'
  fi
}

different=0
names=$(awk '{ print $2 }' "$work/first/out/SHA256SUMS")
for name in $names SHA256SUMS; do
  if ! cmp -s "$work/first/out/$name" "$work/second/out/$name"; then
    echo "check-reproducible: $name differs between the two builds:" >&2
    explain "$work/first/out/$name" "$work/second/out/$name" >&2
    different=1
  fi
done
[ "$different" -eq 0 ] || exit 1
echo "check-reproducible: both builds gave the same bytes (SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH):"
sed 's/^/  /' "$work/first/out/SHA256SUMS"
if [ -n "$keep" ]; then
  rm -rf "$keep" && mkdir -p "$(dirname "$keep")" && mv "$work/first/out" "$keep"
  echo "check-reproducible: the release is kept in $keep"
fi
