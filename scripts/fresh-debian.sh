#!/usr/bin/env bash
# Proves the README's two commands on a fresh Debian: makes a minimal root of
# the release given (bookworm, the default, for Debian 12, trixie for
# Debian 13, or testing for the next Debian) with debootstrap
# --variant=minbase, unpacks this tree's source tarball (scripts/dist.sh)
# into it, runs ./test.sh --fresh-system there (the checks whose outcome
# can differ between releases) with a clean environment, then ./run.sh
# without a display, which must fail with its German message. With
# --package-build it first builds the Debian package there with only what
# apt-get build-dep installs, so that a build dependency missing from
# debian/control fails (the same control file on every release: CI does it
# on one). Needs root (debootstrap, mount, chroot).
#
# The bare root is made once and kept as a tarball in $RECHNER_FRESH_CACHE
# (default /var/cache/rechner-fresh-debian); every run unpacks a new copy.
# The mirror is the one this machine's own apt configuration uses.
# Usage: scripts/fresh-debian.sh [--package-build] [bookworm|trixie|testing]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh
package_build=false
if [ "${1:-}" = --package-build ]; then
  package_build=true
  shift
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "fresh-debian: braucht root (debootstrap, mount, chroot); bitte als root ausführen." >&2
  exit 1
fi

release=${1:-bookworm}
case $release in
  bookworm) version=12 ;;
  trixie) version=13 ;;
  testing) version=testing ;;
  *) echo "usage: $0 [--package-build] [bookworm|trixie|testing]" >&2; exit 2 ;;
esac
cache=${RECHNER_FRESH_CACHE:-/var/cache/rechner-fresh-debian}
base="$cache/$release-minbase.tar"
start=$(date +%s)

need=()
for p in debootstrap debian-archive-keyring tar xz-utils; do
  installed "$p" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

# The archives this machine's apt knows (its own release's main, -updates
# and -security), as "URI suite" pairs for the release wanted: the same
# mirrors carry every release.
sources=$(apt-cache policy | awk -v want="$release" '$2 ~ /^(https?|file):/ && $3 ~ /^(bullseye|bookworm|trixie|forky|testing)(-updates|-security)?\/main$/ {
  split($3, s, "/"); sub(/^[a-z]+/, want, s[1]); print $2, s[1] }' | sort -u)
mirror=$(awk -v want="$release" '$2 == want { print $1; exit }' <<<"$sources")
if [ -z "$mirror" ]; then
  echo "fresh-debian: apt knows no Debian archive on this machine" >&2
  exit 1
fi

if [ ! -s "$base" ]; then
  echo "fresh-debian: making the Debian $version minbase root (once) from $mirror"
  mkdir -p "$cache"
  tmp=$(mktemp -d "$cache/make.XXXXXX")
  debootstrap --variant=minbase "$release" "$tmp/root" "$mirror" >"$tmp/debootstrap.log" 2>&1 \
    || { tail -n 30 "$tmp/debootstrap.log" >&2; rm -rf "$tmp"; exit 1; }
  tar -C "$tmp/root" -cf "$tmp/base.tar" .
  mv "$tmp/base.tar" "$base"
  rm -rf "$tmp"
fi

work=$(mktemp -d /var/tmp/rechner-fresh.XXXXXX)
root="$work/root"
mounted=()
cleanup() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount -R "${mounted[i]}" 2>/dev/null || umount -R -l "${mounted[i]}" 2>/dev/null || true
  done
  # Remove the copy only once nothing is mounted in it any more.
  if ! grep -q " $work/" /proc/mounts; then rm -rf "$work"; fi
}
trap cleanup EXIT
mkdir -p "$root"
tar -C "$root" -xf "$base"

# apt inside sees the same archives; name resolution as on this machine.
awk '{ print "deb", $1, $2, "main" }' <<<"$sources" >"$root/etc/apt/sources.list"
# Testing's indexes expire a week after they are made; a mirror that syncs
# less often than that still serves them, and apt would refuse them.
if [ "$release" = testing ]; then
  echo 'Acquire::Check-Valid-Until "false";' >"$root/etc/apt/apt.conf.d/50rechner-fresh-debian"
fi
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
# The roots go when the run ends: dpkg need not wait for every file it
# unpacks to reach the disk.
echo force-unsafe-io >"$root/etc/dpkg/dpkg.cfg.d/rechner-fresh-debian"

# The source tarball, as a user downloads it, unpacked.
scripts/dist.sh --worktree "$work" >/dev/null
mkdir -p "$root/src"
tar -C "$root/src" -xJf "$work"/rechner-*.tar.xz
src=$(cd "$root/src" && ls -d rechner-*)

# The testbed for the package's autopkgtest (CI only): another copy of the
# bare root inside this one, with the same archives, where autopkgtest
# installs the package and what its tests depend on, and nothing else.
testbed=
if [ -n "${CI:-}" ]; then
  testbed=/var/tmp/testbed
  mkdir -p "$root$testbed"
  tar -C "$root$testbed" -xf "$base"
  cp "$root/etc/apt/sources.list" "$root$testbed/etc/apt/sources.list"
  cp -r "$root/etc/apt/apt.conf.d/." "$root$testbed/etc/apt/apt.conf.d/"
  cp "$root/etc/dpkg/dpkg.cfg.d/rechner-fresh-debian" "$root$testbed/etc/dpkg/dpkg.cfg.d/"
  cp -L /etc/resolv.conf "$root$testbed/etc/resolv.conf"
fi

for dir in "$root" ${testbed:+"$root$testbed"}; do
  mounted+=("$dir/proc" "$dir/sys" "$dir/dev")   # (unmounting one not mounted does no harm)
  mount -t proc proc "$dir/proc"
  mount -t sysfs sysfs "$dir/sys"
  mount --rbind /dev "$dir/dev" && mount --make-rslave "$dir/dev"
done

# A clean environment; CI (when set) goes in, so that the package is really
# installed, updated and purged there as on CI's own machine, and tested
# in the testbed.
inside() {
  chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    ${CI:+CI="$CI"} ${testbed:+RECHNER_TESTBED="$testbed"} /bin/bash -c "cd /src/$src && $1"
}

# The Debian package as a packager builds it from the source: with only
# what apt-get build-dep installs, in a copy of the tree.
if [ "$package_build" = true ]; then
  echo "fresh-debian: the Debian package, built with what apt-get build-dep installs and nothing else"
  inside "cp -a . /var/tmp/package && cd /var/tmp/package && apt-get update -qq \
    && DEBIAN_FRONTEND=noninteractive apt-get build-dep -y -qq ./ >/dev/null \
    && { dpkg-buildpackage -us -uc -b >../package.log 2>&1 || { tail -n 40 ../package.log >&2; exit 1; }; } \
    && cd / && rm -rf /var/tmp/package /var/tmp/package.log /var/tmp/rechner_*"
fi

echo "fresh-debian: ./test.sh --fresh-system in a fresh Debian $version minbase root, from the source tarball"
inside "./test.sh --fresh-system"

echo "fresh-debian: ./run.sh without a display"
set +e
message=$(inside ./run.sh 2>&1 >/dev/null)
status=$?
set -e
if [ "$status" -eq 0 ] || ! grep -q 'keine grafische Anzeige' <<<"$message"; then
  echo "fresh-debian: ./run.sh without a display exited $status with:" >&2
  echo "$message" >&2
  exit 1
fi
echo "fresh-debian: Debian $version passed in $(( $(date +%s) - start )) s"
