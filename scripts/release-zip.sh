#!/usr/bin/env bash
# Packs the release archive and SHA256SUMS beside it; run by the build (target release_zip).
# Usage: release-zip.sh ARCHIVE.zip EPOCH svcmgr.exe readme.txt
# The same program, read-me and time give the same bytes on any machine: a fixed order and fixed
# modes, the time read in UTC, no Unix owners or extra time fields (-X), no folder entries (-D).
set -euo pipefail
# zip takes options from these, which would change the archive's bytes.
unset ZIPOPT ZIP
zip=$1 epoch=$2 exe=$3 readme=$4
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
# Checked with `sha256sum -c SHA256SUMS` in a folder that holds the archive and, once it is
# unpacked there, the program (the build folder holds both).
(cd "$out" && sha256sum "$(basename "$zip")" && cd "$stage" && sha256sum svcmgr.exe) \
  >"$out/SHA256SUMS"
rm -rf "$stage"
