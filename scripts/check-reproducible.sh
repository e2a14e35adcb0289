#!/usr/bin/env bash
# Builds RELEASE (default build/releases/this, a signed release made by
# scripts/check-signing.sh) again, as anyone can rebuild a published
# release: from its source tarball, with no key, only its signatures
# folder and the address its winget manifests name, and compares every
# file byte for byte with RELEASE's (but the package build's own record,
# .buildinfo and .changes). The build differs in all a build must not
# depend on: the folder, the clock (faketime, three days and five hours
# on), the time zone, the umask, the locale and, run as root, the user
# (nobody). On a difference diffoscope shows where. Debian's reprotest
# builds RELEASE's source package twice more, varying what it can. A source
# tree without .git and without a date in debian/changelog is refused.
# Usage: scripts/check-reproducible.sh [RELEASE]
set -euo pipefail
release=$(realpath -m "${1:-$(dirname "$0")/../build/releases/this}")
cd "$(dirname "$0")/.."
. scripts/lib.sh
fail() { echo "check-reproducible: $*" >&2; exit 1; }
tarball=$(only_file "source tarball in $release (scripts/check-signing.sh makes the release)" "$release"/rechner-*.tar.xz)
[ -d "$release/signatures" ] || fail "no signatures folder in $release (scripts/check-signing.sh makes a signed release)"

scripts/install-deps.sh reproducible
work=$(mktemp -d /var/tmp/rechner-reproducible.XXXXXX)
trap 'rm -rf "$work"' EXIT
chmod 0755 "$work"

# The release's source tarball, unpacked deeper than it was built.
mkdir -p "$work/second/somewhere/else"
tar -C "$work/second/somewhere/else" -xJf "$tarball"
src=$(basename "$work"/second/somewhere/else/rechner-*)
SOURCE_DATE_EPOCH=$(cat "$release/SOURCE_DATE_EPOCH")
url=
[ ! -d "$release/winget" ] || url=$(scripts/winget.py url "$release/winget")

# A tree without .git and without a date in debian/changelog is refused, not
# stamped with today's date.
mkdir -p "$work/undated/debian"
cp -r "$work/second/somewhere/else/$src/scripts" "$work/undated/"
sed '/^ -- /d' debian/changelog >"$work/undated/debian/changelog"
if message=$(env -u SOURCE_DATE_EPOCH bash -c '. "$1/scripts/lib.sh" && source_date_epoch' sh "$work/undated" 2>&1) \
   || ! grep -q "refusing to stamp the release with today's date" <<<"$message"; then
  echo "check-reproducible: a tree without .git and a changelog date was not refused: $message" >&2
  exit 1
fi

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
  TZ=Pacific/Kiritimati LC_ALL="$locale" RECHNER_SIGNATURES="$release/signatures" RECHNER_RELEASE_URL="$url" \
  faketime -f '+3d5h' bash -c 'umask 077 && cd "$1/somewhere/else/$2" && scripts/release.sh "$1/out"' sh "$work/second" "$src" >"$work/second.log" 2>&1 \
  || { tail -n 30 "$work/second.log" >&2; echo "check-reproducible: the second build failed" >&2; exit 1; }

# Every file but the package build's .buildinfo and the .changes that names
# it: they record when, where and with what the package was built, which is
# what they are for.
files() { (cd "$1" && find . -type f ! -name '*.buildinfo' ! -name '*.changes' | sed 's|^\./||' | LC_ALL=C sort); }
different=0
names=$(files "$release")
[ "$names" = "$(files "$work/second/out")" ] \
  || fail "the rebuild wrote other files: $(diff <(echo "$names") <(files "$work/second/out") | grep '^[<>]' | tr '\n' ' ')"
for name in $names; do
  if ! cmp -s "$release/$name" "$work/second/out/$name"; then
    echo "check-reproducible: $name differs between the release and its rebuild:" >&2
    diffoscope --text - "$release/$name" "$work/second/out/$name" | head -n 60 >&2 || true
    different=1
  fi
done
[ "$different" -eq 0 ] || exit 1
echo "check-reproducible: the rebuild from the signatures alone gave the same bytes, signatures included (SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH):"
sed 's/^/  /' "$release/SHA256SUMS"

# Debian's reprotest on the source package: built twice, with the time,
# time zone, locale, umask, build path, environment, kernel and number of
# CPUs varied (not the file order, the user or the host name: that takes
# FUSE, other users or root privileges it does not use here), and both
# packages compared. The package's tests ran with the release's build: here
# it is built without them.
mkdir "$work/reprotest"
cp "$release"/rechner_*.dsc "$release"/rechner_*.orig.tar.xz "$release"/rechner_*.debian.tar.xz "$work/reprotest/"
(cd "$work/reprotest" && DEB_BUILD_OPTIONS=nocheck reprotest --vary=-fileordering,-user_group,-domain_host rechner_*.dsc -- null) \
  >"$work/reprotest.log" 2>&1 || { grep -v '^\[\|^perl: \|^	L' "$work/reprotest.log" | tail -n 40 >&2; fail "reprotest found the package built twice to differ"; }
echo "check-reproducible: reprotest built the source package twice with its variations; $(grep -m 1 '^No differences' "$work/reprotest.log")"

