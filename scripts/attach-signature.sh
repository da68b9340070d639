#!/usr/bin/env bash
# Gives the release's svcmgr.exe: the freshly linked unsigned program with the committed signature
# that names its SHA-256 attached and verified, or the unsigned bytes where none does. Run by the
# build (target release_zip).
# Usage: attach-signature.sh UNSIGNED.exe SIGNATURE-FOLDER OUT.exe
# A build runs offline, so the chain is checked against the pinned roots in the signature folder
# (roots.pem) and no CRL is fetched.
set -euo pipefail
unsigned=$1 signatures=$2 out=$3
fail() { echo "release: $*" >&2; exit 1; }
rm -f "$out"
sha=$(sha256sum "$unsigned" | cut -d' ' -f1)
signature=$signatures/$sha.pem
if [ ! -f "$signature" ]; then
  echo "release: no signature in res/signatures/ names this program ($sha): the release is unsigned"
  cp "$unsigned" "$out"
  exit 0
fi
roots=$signatures/roots.pem
[ -f "$roots" ] || fail "$signature is there but not the pinned roots ($roots)"
# osslsigncode leaves a half-written program behind when it fails.
partial=$out.partial
trap 'rm -f "$partial"' EXIT
rm -f "$partial"
# osslsigncode 2.9 checks while it attaches, and fetches the CRL its certificate names, which fails
# offline; it still writes the program then. So its status is not the check: the verification
# below is. A program it did not write, or whose digest it found not to match, fails here. (2.5
# also calls the PE checksum a mismatch, of the program before the signature: the checksum of the
# program it writes is right.)
log=$(osslsigncode attach-signature -CAfile "$roots" -TSA-CAfile "$roots" -sigin "$signature" \
  -in "$unsigned" -out "$partial" 2>&1) || true
[ -s "$partial" ] && ! grep -q 'message digest.*MISMATCH' <<<"$log" ||
  fail "attaching $signature failed: $(grep -m1 -iE 'digest.*mismatch|error|fail' <<<"$log")"
# -ignore-crl and -ignore-cdp keep verify from fetching CRLs, where this osslsigncode has them.
offline=()
help=$(osslsigncode --help 2>&1 || true)
for flag in -ignore-crl -ignore-cdp; do grep -q -- "$flag" <<<"$help" && offline+=("$flag"); done
# verify can exit 0 while it prints a failed timestamp check, so its lines are read too.
log=$(osslsigncode verify "${offline[@]}" -CAfile "$roots" -TSA-CAfile "$roots" -in "$partial" 2>&1) &&
  grep -q '^Signature verification: ok' <<<"$log" && ! grep -q 'verification: failed' <<<"$log" ||
  fail "the program with $signature attached does not verify against $roots:" \
    "$(grep -m1 -E 'Error:|MISMATCH|failed' <<<"$log")"
mv "$partial" "$out"
echo "release: signed with $(basename "$signature")"
