#!/bin/sh
# Prints the time of the source in seconds since 1970, which every tool of a
# reproducible build writes instead of its clock: SOURCE_DATE_EPOCH itself
# when it is set, else the time of the last commit, else (in a tree without
# .git, as a source tarball has it) the date of the newest entry of
# debian/changelog, as dpkg-parsechangelog reads it. A tree with neither is
# refused.
set -eu
cd "$(dirname "$0")/.."
if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
  echo "$SOURCE_DATE_EPOCH"
  exit 0
fi
if [ -e .git ] && command -v git >/dev/null 2>&1 && epoch=$(git log -1 --format=%ct 2>/dev/null) && [ -n "$epoch" ]; then
  echo "$epoch"
  exit 0
fi
if [ -f debian/changelog ] && ! command -v dpkg-parsechangelog >/dev/null 2>&1; then
  echo "source-date-epoch: reading the date of debian/changelog needs dpkg-parsechangelog (Debian package dpkg-dev)" >&2
  exit 1
fi
epoch=$(dpkg-parsechangelog -l debian/changelog -STimestamp 2>/dev/null) || epoch=
if [ -n "$epoch" ]; then
  echo "$epoch"
  exit 0
fi
echo "source-date-epoch: this tree has no .git and no date in debian/changelog, so the time of its" >&2
echo "source is unknown; refusing to stamp the release with today's date. Build it from a git" >&2
echo "clone, or set SOURCE_DATE_EPOCH (seconds since 1970) to the time of its source." >&2
exit 1
