#!/usr/bin/env bash
# Makes VERSION the project's version: writes it into project.conf, from
# which everything that shows the version is made, and puts
# a new entry dated today at the top of NEWS, of the AppStream release list
# and of debian/changelog (the package VERSION-1, written by dch), each with
# a line for the maintainer to fill in. Refuses,
# changing nothing, a version that is not MAJOR.MINOR.PATCH or not newer than
# the current one, and (in a git clone) a tree with changes not committed.
# Then: fill in the entries, commit, tag vVERSION, scripts/release.sh.
# Usage: scripts/new-version.sh VERSION
set -euo pipefail
. "$(dirname "$0")/lib.sh"
cd "$RECHNER_ROOT"
fail() { echo "new-version: $*" >&2; exit 1; }
[ $# -eq 1 ] || { echo "usage: $0 MAJOR.MINOR.PATCH" >&2; exit 2; }

number='(0|[1-9][0-9]*)'
new=$1
[[ $new =~ ^$number\.$number\.$number$ ]] || fail "\"$new\" is not a version of the form MAJOR.MINOR.PATCH, such as 1.2.0"
old=$(rechner_version)
IFS=. read -r n1 n2 n3 <<<"$new"
IFS=. read -r o1 o2 o3 <<<"$old"
(( n1 > o1 || (n1 == o1 && (n2 > o2 || (n2 == o2 && n3 > o3))) )) \
  || fail "$new is not newer than the current version $old"
require_committed new-version || exit 1
scripts/install-deps.sh release   # dch, and what the release after it needs

contact=$(rechner_identity RECHNER_CONTACT)
[ -n "$contact" ] || fail "project.conf sets no RECHNER_CONTACT"
now=$(date -u +%s)
metainfo=data/org.rechner.Rechner.metainfo.xml.in
grep -q '^  <releases>$' "$metainfo" || fail "$metainfo has no line '  <releases>'"

# Each file is written beside itself first and moved into place only when
# all four are written.
sed "s/^RECHNER_VERSION=\"$old\"\$/RECHNER_VERSION=\"$new\"/" project.conf >project.conf.new
# debian/changelog's entry, by Debian's dch, as the contact.
cp debian/changelog debian/changelog.new
name=${contact% <*} email=${contact##*<}
DEBFULLNAME=$name DEBEMAIL=${email%>} dch --changelog debian/changelog.new --check-dirname-level 0 \
  --newversion "$new-1" --distribution unstable --force-distribution --urgency medium \
  "New upstream release $new. (What changed: write it here.)" </dev/null >debian/changelog.log 2>&1 \
  || { cat debian/changelog.log >&2; rm -f debian/changelog.new debian/changelog.log project.conf.new; fail "dch could not write the changelog entry"; }
rm -f debian/changelog.log
# NEWS: the new version's heading; it names what was gathered "Since OLD",
# or opens a section of its own after the first paragraph.
since=$(grep -cx "Since $old" NEWS || true)
awk -v old="Since $old" -v since="$since" -v heading="$new ($(date -u +%F -d "@$now"))" '
  since && $0 == old { print heading; since = 0; done = 1; next }
  { print }
  !since && !done && /^$/ { print heading; print "- (What changed, for those who use Rechner: write it here.)"; print ""; done = 1 }' \
  NEWS >NEWS.new
awk -v version="$new" -v date="$(date -u +%F -d "@$now")" '
  { print }
  /^  <releases>$/ {
    print "    <release version=\"" version "\" date=\"" date "\">"
    print "      <description>"
    print "        <p>(Was sich in dieser Version geändert hat: hier beschreiben.)</p>"
    print "      </description>"
    print "    </release>"
  }' "$metainfo" >"$metainfo.new"
mv project.conf.new project.conf
mv debian/changelog.new debian/changelog
mv NEWS.new NEWS
mv "$metainfo.new" "$metainfo"
[ "$(rechner_version)" = "$new" ] || fail "project.conf could not be changed to $new"
echo "new-version: $old -> $new in project.conf, NEWS, $metainfo and debian/changelog;"
echo "new-version: describe the changes in the three new entries, commit, tag v$new, then scripts/release.sh"
