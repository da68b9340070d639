#!/usr/bin/env bash
# Packs the release archive and SHA256SUMS beside it; run by the build (target release_zip).
# Usage: release-zip.sh ARCHIVE.zip EPOCH svcmgr.exe svcmgr-unsigned.exe readme.txt
# The same program, read-me and time give the same bytes on any machine: a fixed order and fixed
# modes, the time read in UTC, no Unix owners or extra time fields (-X), no folder entries (-D).
set -euo pipefail
# zip takes options from these, which would change the archive's bytes.
unset ZIPOPT ZIP
zip=$1 epoch=$2 exe=$3 unsigned=$4 readme=$5
out=$(dirname "$zip")
stage=$out/release-contents
rm -rf "$stage" "$zip"  # zip adds to an archive that is there
mkdir -p "$stage"
cp "$exe" "$stage/svcmgr.exe"
cp "$readme" "$stage/readme.txt"
chmod 755 "$stage/svcmgr.exe"
chmod 644 "$stage/readme.txt"
touch -d "@$epoch" "$stage/svcmgr.exe" "$stage/readme.txt"
TZ=UTC zip -q -X -D -j "$zip" "$stage/svcmgr.exe" "$stage/readme.txt"
rm -rf "$stage"
# The archive, the program in it and the program without its signature: every line checks in the
# build folder, and `sha256sum -c --ignore-missing` where the archive was unpacked.
[ "$(dirname "$exe")" = "$out" ] && [ "$(dirname "$unsigned")" = "$out" ] ||
  { echo "release-zip: $exe and $unsigned must lie beside $zip" >&2; exit 1; }
(cd "$out" && sha256sum "$(basename "$zip")" svcmgr.exe "$(basename "$unsigned")") >"$out/SHA256SUMS"
