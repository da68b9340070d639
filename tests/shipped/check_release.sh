#!/bin/sh
# Anyone rebuilding a release gets the shipped bytes: the README's release commands, run on a copy
# of the sources at another path (without git history, dated by SOURCE_DATE_EPOCH as a tarball
# is), later and in another time zone, give the same svcmgr.exe and an archive that holds it.
set -eu
exe=$1 src=$2 work=$3
export LC_ALL=C
fail() { echo "FAIL: $*"; exit 1; }
copy=$work/a/longer/path/to/the/sources
rm -rf "$work"
mkdir -p "$copy"
tar -C "$src" --exclude=./.git --exclude=./build --exclude='./build-*' -cf - . | tar -C "$copy" -xf -
if epoch=$(git -C "$src" log -1 --format=%ct 2>/dev/null); then export SOURCE_DATE_EPOCH=$epoch; fi
cd "$copy"
export TZ=CST-8
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null
out=$copy/build/release
zip=$(echo "$out"/svcmgr-*-win32.zip)
cmp "$exe" "$out/svcmgr.exe" || fail "svcmgr.exe built at $out differs"
entries=$(unzip -Z1 "$zip" | tr '\n' ' ')
[ "$entries" = "svcmgr.exe readme.txt " ] || fail "archive holds: $entries"
# Extra fields would carry the builder's uid and gid, and times of the build.
unzip -Zv "$zip" | grep -q 'extra field contains' && fail "the archive has extra fields"
unzip -p "$zip" svcmgr.exe | cmp - "$exe" || fail "the archive's svcmgr.exe is not the program"
unzip -p "$zip" readme.txt | cmp - "$src/res/readme.txt" || fail "the archive's readme.txt"
(cd "$out" && sha256sum -c SHA256SUMS) || fail "SHA256SUMS does not check"
# Packed again from inputs of other times and modes, later, in another time zone, with options for
# zip in the environment: the same bytes.
mv "$zip" "$work/first.zip"
touch -d 2001-01-01 "$out/svcmgr.exe" "$copy/res/readme.txt"  # the program is linked again
chmod 600 "$copy/res/readme.txt"
sleep 2
(umask 077 && ZIPOPT=-0 TZ=UTC+10 cmake --build --preset release >/dev/null)
cmp "$work/first.zip" "$zip" || fail "the archive packed again differs"
echo "1 passed, 0 failed"
