#!/bin/sh
# Writes the portable zip ZIP of the folder FOLDER (run in its parent) so
# that the same files give the same bytes: the members in a fixed order,
# modes 755 and 644 whatever the umask, times in UTC set to the time of the
# source (SOURCE_DATE_EPOCH) when it is given, and no owners or extra time
# fields (zip -X).
# Usage: make-zip.sh ZIP FOLDER
set -eu
zip=$1 folder=$2
chmod 0755 "$folder" "$folder/rechner.exe"
chmod 0644 "$folder/COPYING.txt" "$folder/LIESMICH.txt"
if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
  touch -d "@$SOURCE_DATE_EPOCH" "$folder" "$folder/rechner.exe" "$folder/COPYING.txt" "$folder/LIESMICH.txt"
fi
rm -f "$zip"
TZ=UTC zip -X -q "$zip" "$folder/" "$folder/COPYING.txt" "$folder/LIESMICH.txt" "$folder/rechner.exe"
