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
if epoch=$(git -C "$src" log -1 --format=%ct -- . ':(exclude)res/signatures' 2>/dev/null); then
  export SOURCE_DATE_EPOCH=$epoch
fi
cd "$copy"
export TZ=CST-8
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null
out=$copy/build/release
zip=$(echo "$out"/svcmgr-*-win32.zip)
cmp "$exe" "$out/svcmgr-unsigned.exe" || fail "svcmgr-unsigned.exe built at $out differs"
# svcmgr.exe is that program with the committed signature that names it, if one does.
sha=$(sha256sum "$exe" | cut -d' ' -f1)
if [ -f "$src/res/signatures/$sha.pem" ]; then
  cmp -s "$exe" "$out/svcmgr.exe" && fail "a signature names svcmgr.exe, but it is unsigned"
else
  cmp "$exe" "$out/svcmgr.exe" || fail "svcmgr.exe differs though no signature names it"
fi
entries=$(unzip -Z1 "$zip" | tr '\n' ' ')
[ "$entries" = "svcmgr.exe readme.txt " ] || fail "archive holds: $entries"
# Extra fields would carry the builder's uid and gid, and times of the build.
unzip -Zv "$zip" | grep -q 'extra field contains' && fail "the archive has extra fields"
unzip -p "$zip" svcmgr.exe | cmp - "$out/svcmgr.exe" || fail "the archive's svcmgr.exe is not the program"
unzip -p "$zip" readme.txt | cmp - "$src/res/readme.txt" || fail "the archive's readme.txt"
(cd "$out" && sha256sum -c SHA256SUMS) || fail "SHA256SUMS does not check"
[ "$(cut -d' ' -f3 "$out/SHA256SUMS" | tr '\n' ' ')" = "$(basename "$zip") svcmgr.exe svcmgr-unsigned.exe " ] ||
  fail "SHA256SUMS lists: $(cut -d' ' -f3 "$out/SHA256SUMS" | tr '\n' ' ')"
# Packed again from inputs of other times and modes, later, in another time zone, with options for
# zip in the environment: the same bytes.
mv "$zip" "$work/first.zip"
touch -d 2001-01-01 "$out/svcmgr-unsigned.exe" "$copy/res/readme.txt"  # linked again
chmod 600 "$copy/res/readme.txt"
sleep 2
(umask 077 && ZIPOPT=-0 TZ=UTC+10 cmake --build --preset release >/dev/null)
cmp "$work/first.zip" "$zip" || fail "the archive packed again differs"
echo "1 passed, 0 failed"
