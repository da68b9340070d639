#!/usr/bin/env bash
# Signs a release, run by the release engineer with the maker's key, never by CI: builds the
# release, signs build/release/svcmgr-unsigned.exe (Authenticode, SHA-256), verifies it, writes
# the detached signature to res/signatures/<sha256 of the unsigned program>.pem for the engineer
# to commit, builds again so that the build attaches it, and signs the finished SHA256SUMS with
# OpenPGP (SHA256SUMS.asc).
set -euo pipefail
usage() {
  cat <<'TEXT'
Usage: scripts/sign-release.sh KEY --roots ROOTS.pem [options]
KEY, one of:
  --pkcs12 FILE                      a PKCS#12 file with the certificate and its key
  --cert FILE --key FILE             a certificate and its key file
  --pkcs11-module MODULE.so --key 'pkcs11:...'  [--cert FILE | --cert 'pkcs11:...']
                                     a key on a PKCS#11 token; its certificate from a file or the
                                     token (--pkcs11-engine ENGINE.so: the OpenSSL engine to use)
--roots FILE        the root certificate(s) the signature chains to, the timestamp's too; pinned
                    as res/signatures/roots.pem, which the release build verifies against
--chain FILE        intermediate certificates to put in the signature
--pass-file FILE    the PIN or passphrase, from a file; --pass-stdin: from standard input
-n NAME, -i URL     the program's name and the maker's address in the signature
-ts URL             an RFC 3161 timestamp server (without one the signature stops verifying when
                    the certificate expires)
--gpg-key FINGERPRINT, --gpg-home DIR   the OpenPGP key that signs SHA256SUMS, by fingerprint
                    and/or the GnuPG home (keyring) that holds it
TEXT
}
fail() { echo "sign-release: $*" >&2; exit 1; }
ROOT=$(cd "$(dirname "$0")/.." && pwd)
pkcs12='' cert='' key='' module='' engine='' roots='' chain='' pass='' name='' url='' ts=''
gpg_key='' gpg_home=''
while (($#)); do
  (($# >= 2)) || { [ "$1" = --pass-stdin ] || [ "$1" = --help ]; } || fail "$1 needs a value"
  case $1 in
    --pkcs12) pkcs12=$2 ;;
    --cert) cert=$2 ;;
    --key) key=$2 ;;
    --pkcs11-module) module=$2 ;;
    --pkcs11-engine) engine=$2 ;;
    --roots) roots=$2 ;;
    --chain) chain=$2 ;;
    --pass-file) pass=$2 ;;
    --pass-stdin) pass=/dev/stdin; shift; continue ;;
    -n) name=$2 ;;
    -i) url=$2 ;;
    -ts) ts=$2 ;;
    --gpg-key) gpg_key=$2 ;;
    --gpg-home) gpg_home=$2 ;;
    --help) usage; exit 0 ;;
    *) usage >&2; fail "unknown option $1" ;;
  esac
  shift 2
done

# Only a committed tree is signed: the published program must be the build of a commit, to which
# the engineer then adds the signature. Untracked files count, as a build may take them in.
changes=$(git -C "$ROOT" status --porcelain -- . ':(exclude)res/signatures' 2>/dev/null) ||
  fail "not a git work tree: $ROOT"
[ -z "$changes" ] || fail "the tree has $(wc -l <<<"$changes") change(s) outside res/signatures/" \
  "(commit or remove them first), the first: $(head -1 <<<"$changes" | cut -c4-)"

# Where the key comes from. A PIN or passphrase is read from a file (/dev/stdin for standard
# input, which osslsigncode 2.5 reads as well as 2.9), never from the command line.
signer=()
readable() { [ -r "$1" ] || fail "$2 not found: $1"; }
if [ -n "$pkcs12" ]; then
  readable "$pkcs12" "PKCS#12 file"
  signer=(-pkcs12 "$pkcs12")
elif [ -n "$module" ]; then
  readable "$module" "PKCS#11 module"
  [[ $key == pkcs11:* ]] || fail "--key must be a pkcs11: URI with --pkcs11-module"
  # Without --pkcs11-engine, osslsigncode loads OpenSSL's own "pkcs11" engine
  # (libengine-pkcs11-openssl); 2.5 refuses that engine when it is named by its path.
  signer=(-pkcs11module "$module" -key "$key")
  if [ -n "$engine" ]; then
    readable "$engine" "PKCS#11 engine"
    signer=(-pkcs11engine "$engine" "${signer[@]}")
  fi
  case $cert in
    pkcs11:*) signer+=(-pkcs11cert "$cert") ;;
    '') fail "--cert must name the certificate: a file or a pkcs11: URI" ;;
    *) readable "$cert" "certificate file"; signer+=(-certs "$cert") ;;
  esac
elif [ -n "$cert$key" ]; then
  readable "$cert" "certificate file"
  readable "$key" "key file"
  signer=(-certs "$cert" -key "$key")
else
  usage >&2
  fail "no key: give --pkcs12, --cert and --key, or --pkcs11-module"
fi
[ -n "$roots" ] || fail "--roots must name the root certificate(s) the signature chains to"
readable "$roots" "root certificate file"
[ -z "$chain" ] || { readable "$chain" "chain file"; signer+=(-ac "$chain"); }
[ -z "$pass" ] || { [ "$pass" = /dev/stdin ] || readable "$pass" "PIN or passphrase file"; signer+=(-readpass "$pass"); }
# From standard input, the PIN is read now, before the builds, which run without standard input:
# nothing they start can take it, and the engineer types it at the start, not after a build.
# osslsigncode then reads it on its own standard input.
pin=''
if [ "$pass" = /dev/stdin ]; then
  IFS= read -r pin || [ -n "$pin" ] || fail "--pass-stdin: nothing on standard input"
fi
command -v osslsigncode >/dev/null || fail "osslsigncode is not installed (scripts/install-deps.sh)"
[ -n "$name" ] || name="Tavrelmo svcmgr"
[ -n "$url" ] || url=$(sed -n 's/^#define MAKER_URL "\(.*\)"$/\1/p' "$ROOT/res/resource.h")
details=(-h sha256 -n "$name" -i "$url")
if [ -n "$ts" ]; then
  details+=(-ts "$ts")
else
  echo "sign-release: warning: no timestamp server (-ts URL): the signature stops verifying when the certificate expires" >&2
fi

# 1. The release, built as always.
cd "$ROOT"
out=$ROOT/build/release
log=$ROOT/build/sign-release.log
mkdir -p "$ROOT/build"
build() {
  { cmake --preset release && cmake --build --preset release; } </dev/null >"$log" 2>&1 ||
    fail "the release build failed: $(grep -m1 -E 'release:|rror' "$log" || tail -1 "$log") (log: $log)"
}
build
unsigned=$out/svcmgr-unsigned.exe
sha=$(sha256sum "$unsigned" | cut -d' ' -f1)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 2. Signed.
if ! result=$(osslsigncode sign "${signer[@]}" "${details[@]}" -in "$unsigned" -out "$work/signed.exe" \
  2>&1 <<<"$pin"); then
  case $result in
    *'PIN incorrect'* | *'PIN_INCORRECT'*) fail "wrong PIN for the token" ;;
    *'PIN locked'* | *'PIN_LOCKED'*) fail "the token's PIN is locked" ;;
    *'object not found'* | *'was not found at'* | *'No private key'*)
      fail "key or certificate not found on the token: $(grep -m1 'not found' <<<"$result")" ;;
    *'mac verify failure'* | *'bad decrypt'* | *'maybe wrong password'*) fail "wrong passphrase for the key" ;;
    *'Failed to read key or certificates'* | *'Failed to read private key'*)
      fail "the key or certificate could not be read: $(grep -m1 -iE 'error|fail' <<<"$result")" ;;
    *) fail "signing failed: $(grep -m1 -iE 'error|fail' <<<"$result" || echo "$result" | tail -1)" ;;
  esac
fi

# 3. Verified against the pinned roots, offline; verify can exit 0 beside a failed timestamp check.
offline=()
help=$(osslsigncode --help 2>&1 || true)
for flag in -ignore-crl -ignore-cdp; do grep -q -- "$flag" <<<"$help" && offline+=("$flag"); done
result=$(osslsigncode verify "${offline[@]}" -CAfile "$roots" -TSA-CAfile "$roots" -in "$work/signed.exe" 2>&1) &&
  grep -q '^Signature verification: ok' <<<"$result" && ! grep -q 'verification: failed' <<<"$result" ||
  fail "verification failed: $(grep -m1 -E 'Error:|Unsupported|MISMATCH|failed' <<<"$result")"

# 4. The detached signature and the roots it is checked against, for the engineer to commit.
mkdir -p "$ROOT/res/signatures"
signature=$ROOT/res/signatures/$sha.pem
osslsigncode extract-signature -pem -in "$work/signed.exe" -out "$work/signature.pem" >/dev/null 2>&1 ||
  fail "extracting the signature failed"
mv "$work/signature.pem" "$signature"
cmp -s "$roots" "$ROOT/res/signatures/roots.pem" || cp "$roots" "$ROOT/res/signatures/roots.pem"

# 5. The build attaches it, and gives the program just signed.
build
cmp -s "$work/signed.exe" "$out/svcmgr.exe" ||
  fail "the release build did not give the signed program (see $log)"
if [ -n "$gpg_key$gpg_home" ]; then
  gpg=(gpg --batch --yes)
  [ -z "$gpg_home" ] || { [ -d "$gpg_home" ] || fail "GnuPG home not found: $gpg_home"; gpg+=(--homedir "$gpg_home"); }
  [ -z "$gpg_key" ] || gpg+=(--local-user "$gpg_key")
  result=$("${gpg[@]}" --armor --detach-sign -o "$out/SHA256SUMS.asc" "$out/SHA256SUMS" 2>&1) ||
    fail "signing SHA256SUMS failed: $(grep -m1 -E 'gpg: ' <<<"$result")"
  "${gpg[@]}" --verify "$out/SHA256SUMS.asc" "$out/SHA256SUMS" >/dev/null 2>&1 ||
    fail "SHA256SUMS.asc does not verify"
  asc=" SHA256SUMS.asc"
else
  echo "sign-release: warning: SHA256SUMS not signed (give --gpg-key or --gpg-home)" >&2
  asc=''
fi
echo "sign-release: signed; commit res/signatures/ (git add res/signatures && git commit)," \
  "then publish from build/release: $(basename "$out"/svcmgr-*-win32.zip) SHA256SUMS$asc"
