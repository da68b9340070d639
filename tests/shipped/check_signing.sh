#!/usr/bin/env bash
# A signed release that anyone can still rebuild, checked offline with a throwaway CA made here:
# both key routes (a key file, a SoftHSM token), the detached signature attached by the release
# build of other clones, the refusals, the timestamp, and the OpenPGP signature of SHA256SUMS.
# Leaves the signed program, a tampered copy and the root in WORK/wine for shipped_signing_wine.
# Usage: check_signing.sh svcmgr.exe SOURCE-DIR WORK
set -euo pipefail
exe=$1 src=$2 work=$3
export LC_ALL=C
passed=0
fail() { echo "FAIL: $*"; exit 1; }
pass() { passed=$((passed + 1)); echo "ok: $*"; }
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
help=$(osslsigncode --help 2>&1 || true)
osslsigncode --version 2>&1 | head -1
offline=()
for flag in -ignore-crl -ignore-cdp; do grep -q -- "$flag" <<<"$help" && offline+=("$flag"); done
# The sign command's own options: -time fixes the signing time; -TSA-* is a built-in test
# timestamp authority (2.9).
sign_help=$(sed -n '/\[ sign \]/,/extract-data/p' <<<"$help")
grep -q -- '-time' <<<"$sign_help" && fixed_time=1 || fixed_time=0
grep -q -- '-TSA-certs' <<<"$sign_help" && test_tsa=1 || test_tsa=0

# The throwaway CA: a root, a code-signing leaf valid 30 days, a leaf without codeSigning, a
# timestamping certificate (critical timeStamping) valid longer than the leaf, and a code-signing
# leaf that names a CRL, as real ones do, at an address that answers nothing. And another such CA,
# whose root the release does not pin.
make_ca() {  # make_ca FOLDER NAME
  local ca=$1 serial=1 cert n
  mkdir -p "$ca"
  printf '%s\n' '[leaf]' 'basicConstraints=critical,CA:false' 'keyUsage=critical,digitalSignature' \
    'extendedKeyUsage=codeSigning' '[plain]' 'basicConstraints=critical,CA:false' \
    'keyUsage=critical,digitalSignature' 'extendedKeyUsage=clientAuth' '[tsa]' \
    'basicConstraints=critical,CA:false' 'keyUsage=critical,digitalSignature' \
    'extendedKeyUsage=critical,timeStamping' '[cdp]' 'basicConstraints=critical,CA:false' \
    'keyUsage=critical,digitalSignature' 'extendedKeyUsage=codeSigning' \
    'crlDistributionPoints=URI:http://127.0.0.1:9/unreachable.crl' >"$ca/ext.cnf"
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$ca/root.key" -subj "/CN=Throwaway $2 Root" \
    -days 3650 -addext basicConstraints=critical,CA:true \
    -addext keyUsage=critical,keyCertSign,cRLSign -out "$ca/root.pem" 2>/dev/null
  for cert in leaf:30 plain:30 tsa:3000 cdp:30; do
    serial=$((serial + 1))
    n=${cert%:*}
    openssl req -newkey rsa:2048 -nodes -keyout "$ca/$n.key" -subj "/CN=Throwaway $2 $n" \
      -out "$ca/$n.csr" 2>/dev/null
    openssl x509 -req -in "$ca/$n.csr" -CA "$ca/root.pem" -CAkey "$ca/root.key" \
      -set_serial $serial -days "${cert#*:}" -extfile "$ca/ext.cnf" -extensions "$n" \
      -out "$ca/$n.pem" 2>/dev/null
  done
}
ca=$work/ca
other=$work/other-ca
make_ca "$ca" Test
make_ca "$other" Other
leaf_end=$(date -d "$(openssl x509 -enddate -noout -in "$ca/leaf.pem" | cut -d= -f2)" +%s)
after_leaf=$((leaf_end + 86400))

verify() {  # verify FILE [options]: prints osslsigncode's lines; fails as the build's check does
  local file=$1 log
  shift
  log=$(osslsigncode verify "${offline[@]}" -CAfile "$ca/root.pem" -TSA-CAfile "$ca/root.pem" \
    "$@" -in "$file" 2>&1) || { echo "$log"; return 1; }
  echo "$log"
  grep -q '^Signature verification: ok' <<<"$log" && ! grep -q 'verification: failed' <<<"$log"
}
sign() {  # sign OUT [options]: the unsigned program signed as the release is
  local out=$1
  shift
  osslsigncode sign -h sha256 -n "Tavrelmo svcmgr" -i http://www.tavrelmo.example/ "$@" \
    -in "$exe" -out "$out" >"$work/sign.log" 2>&1 || { cat "$work/sign.log"; return 1; }
}
release_time=$(git -C "$src" log -1 --format=%ct -- . ':(exclude)res/signatures' 2>/dev/null ||
  date +%s)
[ "$fixed_time" = 1 ] && at_release=(-time "$release_time") || at_release=()

# A token holding the same key and certificate.
hsm=$work/hsm
mkdir -p "$hsm/tokens"
printf 'directories.tokendir = %s\nobjectstore.backend = file\nlog.level = ERROR\n' "$hsm/tokens" \
  >"$hsm/softhsm2.conf"
export SOFTHSM2_CONF=$hsm/softhsm2.conf
module=/usr/lib/softhsm/libsofthsm2.so
pin=$work/pin
printf '1234\n' >"$pin"
softhsm2-util --init-token --free --label release --pin 1234 --so-pin 87654321 >/dev/null
openssl pkcs8 -topk8 -nocrypt -in "$ca/leaf.key" -out "$hsm/leaf.p8"
softhsm2-util --import "$hsm/leaf.p8" --token release --label signer --id 01 --pin 1234 >/dev/null
openssl x509 -in "$ca/leaf.pem" -outform der -out "$hsm/leaf.der"
pkcs11-tool --module "$module" --token-label release --login --pin 1234 \
  --write-object "$hsm/leaf.der" --type cert --id 01 --label signer >/dev/null 2>&1
# OpenSSL's own "pkcs11" engine, found by its name: osslsigncode 2.5 refuses it named by its path.
token=(-pkcs11module "$module"
  -key 'pkcs11:token=release;object=signer;type=private' -readpass "$pin")

# Both key routes verify; with the signing time fixed they give the same bytes.
sign "$work/file.exe" -certs "$ca/leaf.pem" -key "$ca/leaf.key" "${at_release[@]}" || fail "file key: sign"
verify "$work/file.exe" >/dev/null || fail "file key: the signed program does not verify"
sign "$work/token.exe" "${token[@]}" -pkcs11cert 'pkcs11:token=release;object=signer;type=cert' \
  "${at_release[@]}" || fail "token: sign"
verify "$work/token.exe" >/dev/null || fail "token: the signed program does not verify"
if [ "$fixed_time" = 1 ]; then
  cmp "$work/file.exe" "$work/token.exe" || fail "the key file and the token give other signatures"
  pass "key file and token: both verify, the same bytes"
else
  echo "skipped: this osslsigncode cannot fix the signing time, so the two routes' bytes differ"
  pass "key file and token: both verify"
fi

# Stripped, the signed program is the unsigned one.
osslsigncode remove-signature -in "$work/file.exe" -out "$work/stripped.exe" >/dev/null
cmp "$exe" "$work/stripped.exe" || fail "the stripped program is not the unsigned one"
pass "remove-signature gives the unsigned bytes back"

# Refusals.
cp "$work/file.exe" "$work/tampered.exe"
printf '\x90' | dd of="$work/tampered.exe" bs=1 seek=4096 conv=notrunc 2>/dev/null
log=$(verify "$work/tampered.exe") && fail "a changed byte verifies"
grep -q MISMATCH <<<"$log" || fail "a changed byte: no MISMATCH in: $log"
sign "$work/plain.exe" -certs "$ca/plain.pem" -key "$ca/plain.key" || fail "signing with no codeSigning"
log=$(verify "$work/plain.exe") && fail "a signer without codeSigning verifies"
grep -q "Unsupported Signer's certificate purpose" <<<"$log" || fail "no codeSigning: $log"
log=$(verify "$work/file.exe" -time "$after_leaf") && fail "no timestamp: verifies after the leaf's end"
grep -q 'certificate has expired' <<<"$log" || fail "no timestamp, after the leaf's end: $log"
pass "refused: a changed byte, a signer without codeSigning, no timestamp after the leaf's end"

if [ "$test_tsa" = 1 ]; then
  sign "$work/stamped.exe" -certs "$ca/leaf.pem" -key "$ca/leaf.key" -TSA-certs "$ca/tsa.pem" \
    -TSA-key "$ca/tsa.key" -TSA-time "$(date +%s)" || fail "signing with the test timestamp"
  log=$(verify "$work/stamped.exe" -time "$after_leaf") || fail "timestamped, after the leaf's end: $log"
  grep -q '^Timestamp Server Signature verification: ok' <<<"$log" ||
    fail "timestamped: no verified timestamp line in: $log"
  pass "timestamped: verifies after the leaf's end, its timestamp verified"
else
  echo "skipped: this osslsigncode has no test timestamp authority (-TSA-certs, 2.9)"
fi

# The release, from clones of one repository, built as the README says.
origin=$work/origin
mkdir -p "$origin"
tar -C "$src" --exclude=./.git --exclude=./build --exclude='./build-*' --exclude=./res/signatures \
  -cf - . | tar -C "$origin" -xf -
git_as() { GIT_AUTHOR_DATE="@$1 +0000" GIT_COMMITTER_DATE="@$1 +0000" git -C "$2" "${@:3}"; }
git -C "$origin" init -q
git -C "$origin" config user.name Test
git -C "$origin" config user.email test@example.invalid
git -C "$origin" add -A
git_as "$release_time" "$origin" commit -qm release
build() {  # build CLONE: the release commands; their output in CLONE/build/build.log (ignored)
  mkdir -p "$1/build"
  (cd "$1" && { cmake --preset release && cmake --build --preset release; } >"$1/build/build.log" 2>&1)
}
sums_check() {  # sums_check FOLDER: SHA256SUMS lists the archive and both programs, all check
  local names
  names=$(cut -d' ' -f3 "$1/SHA256SUMS" | tr '\n' ' ')
  [ "$names" = "svcmgr-1.0.0.1-win32.zip svcmgr.exe svcmgr-unsigned.exe " ] ||
    fail "SHA256SUMS lists: $names"
  (cd "$1" && sha256sum -c --quiet SHA256SUMS) || fail "SHA256SUMS does not check in $1"
}
one=$work/one
git clone -q "$origin" "$one"
build "$one" || fail "release build: $(tail -5 "$one/build/build.log")"
out=$one/build/release
grep -q 'release: no signature in res/signatures/ names this program .*: the release is unsigned' \
  "$one/build/build.log" || fail "an unsigned release does not say so"
cmp "$exe" "$out/svcmgr.exe" && cmp "$exe" "$out/svcmgr-unsigned.exe" ||
  fail "without a signature the release is not the unsigned program"
unzip -p "$out"/svcmgr-*-win32.zip svcmgr.exe | cmp - "$exe" || fail "unsigned: the archive's program"
sums_check "$out"
pass "without a signature file: today's program, in the archive, and says so"

# The OpenPGP key that signs SHA256SUMS, in a home short enough for the agent's socket.
export GNUPGHOME
GNUPGHOME=$(mktemp -d /tmp/gnupg.XXXXXX)
trap 'gpgconf --homedir "$GNUPGHOME" --kill gpg-agent 2>/dev/null; rm -rf "$GNUPGHOME"' EXIT
gpg --batch --passphrase '' --quick-gen-key 'Throwaway <throwaway@example.invalid>' ed25519 sign 1d \
  2>/dev/null
fingerprint=$(gpg --with-colons --list-keys 2>/dev/null | awk -F: '$1 == "fpr" { print $10; exit }')

# The release engineer's step, with the key file.
"$one/scripts/sign-release.sh" --cert "$ca/leaf.pem" --key "$ca/leaf.key" --roots "$ca/root.pem" \
  --gpg-key "$fingerprint" >"$work/sign-release.out" 2>"$work/sign-release.err" ||
  fail "sign-release.sh: $(cat "$work/sign-release.err")"
grep -qx 'sign-release: warning: no timestamp server (-ts URL): the signature stops verifying when the certificate expires' \
  "$work/sign-release.err" || fail "no timestamp, no warning: $(cat "$work/sign-release.err")"
sha=$(sha256sum "$exe" | cut -d' ' -f1)
[ -f "$one/res/signatures/$sha.pem" ] && [ -f "$one/res/signatures/roots.pem" ] ||
  fail "sign-release.sh wrote: $(ls "$one/res/signatures")"
grep -q "^release: signed with $sha.pem" "$one/build/sign-release.log" ||
  fail "the build did not say it signed"
signed=$work/signed.exe
cp "$out/svcmgr.exe" "$signed"
cmp -s "$signed" "$exe" && fail "the release's svcmgr.exe is unsigned"
verify "$signed" >/dev/null || fail "the release's svcmgr.exe does not verify"
unzip -p "$out"/svcmgr-*-win32.zip svcmgr.exe | cmp - "$signed" || fail "the archive's program is unsigned"
sums_check "$out"
cp "$out"/svcmgr-*-win32.zip "$work/signed.zip"
cp "$out/SHA256SUMS" "$work/SHA256SUMS"
gpg --verify "$out/SHA256SUMS.asc" "$out/SHA256SUMS" 2>/dev/null || fail "SHA256SUMS.asc does not verify"
sed 's/^./0/' "$out/SHA256SUMS" >"$work/SHA256SUMS.changed"
gpg --verify "$out/SHA256SUMS.asc" "$work/SHA256SUMS.changed" 2>/dev/null &&
  fail "SHA256SUMS.asc verifies a changed SHA256SUMS"
pass "sign-release.sh: the signed program in the archive, three sums, SHA256SUMS.asc (and not for a changed line)"

# Committed, later: the same release.
git -C "$one" add res/signatures
git_as "$((release_time + 86400))" "$one" commit -qm "Signature of the release"
build "$one" || fail "after the commit: $(tail -5 "$one/build/build.log")"
cmp "$signed" "$out/svcmgr.exe" && cmp "$work/signed.zip" "$out"/svcmgr-*-win32.zip ||
  fail "committing the signature changed the release"
pass "committing the signature changes neither program nor archive"

# Another clone elsewhere, later, in another time zone: the signed bytes, attached to its own build.
two=$work/elsewhere/at/another/path
mkdir -p "$(dirname "$two")"
git clone -q "$one" "$two"
TZ=CST-8 build "$two" || fail "second clone: $(tail -5 "$two/build/build.log")"
out2=$two/build/release
cmp "$signed" "$out2/svcmgr.exe" || fail "the second clone's signed program differs"
cmp "$work/signed.zip" "$out2"/svcmgr-*-win32.zip || fail "the second clone's archive differs"
cmp "$work/SHA256SUMS" "$out2/SHA256SUMS" || fail "the second clone's SHA256SUMS differs"
osslsigncode extract-signature -pem -in "$signed" -out "$work/extracted.pem" >/dev/null
osslsigncode attach-signature -CAfile "$ca/root.pem" -sigin "$work/extracted.pem" -in "$out2/svcmgr-unsigned.exe" \
  -out "$work/attached.exe" >/dev/null 2>&1 || fail "attaching the extracted signature"
cmp "$signed" "$work/attached.exe" || fail "extracted and attached elsewhere: other bytes"
mkdir "$work/unpacked"
(cd "$work/unpacked" && unzip -q "$work/signed.zip" && cp "$work/SHA256SUMS" . &&
  sha256sum -c --ignore-missing --quiet SHA256SUMS) || fail "the unpacked archive does not check"
pass "another clone: the same signed program, archive and sums; extract and attach gives the bytes"

# The build's check pins the roots: a signature that chains to another root, and one whose
# timestamp does (verify exits 0 there, printing the failed timestamp check), fail the build.
no_program() {  # no_program WHAT: the build failed for WHAT, saying so, and left no program
  build "$two" && fail "$1: the build passed"
  grep -q '^release: the program with .* does not verify against' "$two/build/build.log" ||
    fail "$1: $(tail -3 "$two/build/build.log")"
  [ ! -e "$out2/svcmgr.exe" ] && [ ! -e "$out2/svcmgr.exe.partial" ] || fail "$1: left a program"
}
cp "$other/root.pem" "$two/res/signatures/roots.pem"
no_program "another root pinned"
git -C "$two" checkout -q res/signatures
if [ "$test_tsa" = 1 ]; then
  sign "$work/foreign-stamp.exe" -certs "$ca/leaf.pem" -key "$ca/leaf.key" -TSA-certs "$other/tsa.pem" \
    -TSA-key "$other/tsa.key" -TSA-time "$(date +%s)" || fail "signing with another timestamp"
  rm "$two/res/signatures/$sha.pem"
  osslsigncode extract-signature -pem -in "$work/foreign-stamp.exe" \
    -out "$two/res/signatures/$sha.pem" >/dev/null
  no_program "a timestamp of another root"
  git -C "$two" checkout -q res/signatures
  pass "refused by the build: a signature of an unpinned root, a timestamp of an unpinned root"
else
  pass "refused by the build: a signature of an unpinned root"
fi
# A certificate that names a CRL: the build, offline, still attaches and verifies.
sign "$work/cdp.exe" -certs "$ca/cdp.pem" -key "$ca/cdp.key" || fail "signing with a CRL named"
rm "$two/res/signatures/$sha.pem"
osslsigncode extract-signature -pem -in "$work/cdp.exe" -out "$two/res/signatures/$sha.pem" >/dev/null
build "$two" || fail "a certificate naming a CRL: $(tail -3 "$two/build/build.log")"
cmp "$work/cdp.exe" "$out2/svcmgr.exe" || fail "a certificate naming a CRL: another program"
pass "offline: a certificate that names an unreachable CRL still attaches and verifies"
git -C "$two" checkout -q res/signatures
build "$two" || fail "the committed signature again: $(tail -3 "$two/build/build.log")"

# The engineer's failures, each one line: wrong PIN, a key not on the token, no codeSigning.
engineer() {  # engineer EXPECTED OPTIONS...: sign-release.sh fails, saying EXPECTED in one line
  local expected=$1 err
  shift
  "$two/scripts/sign-release.sh" --roots "$ca/root.pem" "$@" >/dev/null 2>"$work/err" &&
    fail "sign-release.sh $*: signed"
  err=$(grep -v '^sign-release: warning:' "$work/err")
  [ "$(wc -l <<<"$err")" = 1 ] && grep -q "$expected" <<<"$err" ||
    fail "sign-release.sh $*: expected one line with '$expected', got: $err"
}
printf '0000\n' >"$work/wrong-pin"
engineer 'wrong PIN' --pkcs11-module "$module" --key 'pkcs11:token=release;object=signer;type=private' \
  --cert "$ca/leaf.pem" --pass-file "$work/wrong-pin"
engineer 'not found on the token' --pkcs11-module "$module" \
  --key 'pkcs11:token=release;object=nothing;type=private' --cert "$ca/leaf.pem" --pass-file "$pin"
engineer 'verification failed' --cert "$ca/plain.pem" --key "$ca/plain.key"
engineer 'key file not found' --cert "$ca/leaf.pem" --key "$work/no-such.key"
echo >>"$two/README.md"
engineer 'change(s) outside res/signatures/ .*: README.md$' --cert "$ca/leaf.pem" --key "$ca/leaf.key"
git -C "$two" checkout -q README.md
pass "sign-release.sh refuses in one line: wrong PIN, key not on the token, no codeSigning, no key file, a changed tree"

# The release engineer's step with the token, the certificate from the token, the PIN on stdin.
"$two/scripts/sign-release.sh" --pkcs11-module "$module" \
  --key 'pkcs11:token=release;object=signer;type=private' \
  --cert 'pkcs11:token=release;object=signer;type=cert' --roots "$ca/root.pem" --pass-stdin \
  --gpg-home "$GNUPGHOME" <"$pin" >/dev/null 2>"$work/err" || fail "token: $(cat "$work/err")"
verify "$out2/svcmgr.exe" >/dev/null || fail "token: the release's svcmgr.exe does not verify"
unzip -p "$out2"/svcmgr-*-win32.zip svcmgr.exe | cmp - "$out2/svcmgr.exe" || fail "token: archive"
sums_check "$out2"
gpg --verify "$out2/SHA256SUMS.asc" "$out2/SHA256SUMS" 2>/dev/null || fail "token: SHA256SUMS.asc"
pass "sign-release.sh with the token: signed release, SHA256SUMS.asc"

# A one-byte change to a source: a program no signature names, so the release is unsigned.
sed -i 's|http://www.tavrelmo.example/|http://www.tavrelmo.example./|' "$two/res/resource.h"
build "$two" || fail "after a changed byte: $(tail -5 "$two/build/build.log")"
grep -q 'the release is unsigned' "$two/build/build.log" || fail "a changed source: the build does not say unsigned"
cmp "$out2/svcmgr.exe" "$out2/svcmgr-unsigned.exe" || fail "a changed source: svcmgr.exe is not unsigned"
cmp -s "$out2/svcmgr.exe" "$exe" && fail "the changed byte changed nothing"
sums_check "$out2"
pass "after a one-byte change: the release is unsigned and says so"

# A signature that names the program but is another's fails the build, and leaves no program.
cp "$two/res/signatures/$sha.pem" "$two/res/signatures/$(sha256sum "$out2/svcmgr-unsigned.exe" | cut -d' ' -f1).pem"
build "$two" && fail "a signature of another program: the build passed"
grep -q '^release: attaching .* failed' "$two/build/build.log" || fail "a wrong signature: $(tail -3 "$two/build/build.log")"
[ ! -e "$out2/svcmgr.exe" ] && [ ! -e "$out2/svcmgr.exe.partial" ] || fail "a failed attach left a program"
pass "a failed attach fails the build and leaves no svcmgr.exe"

# For the Wine check: the signed release, a tampered copy and the root.
mkdir -p "$work/wine"
cp "$signed" "$work/wine/signed.exe"
cp "$exe" "$work/wine/unsigned.exe"
cp "$signed" "$work/wine/tampered.exe"
printf '\x90' | dd of="$work/wine/tampered.exe" bs=1 seek=4096 conv=notrunc 2>/dev/null
openssl x509 -in "$ca/root.pem" -outform der -out "$work/wine/root.cer"
echo "$passed passed, 0 failed"
