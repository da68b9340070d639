#!/bin/sh
# The signed release under Wine: WinVerifyTrust with the Authenticode policy trusts it once the
# throwaway root is in the prefix's Root store, and answers TRUST_E_BAD_DIGEST for a copy with a
# byte changed and TRUST_E_NOSIGNATURE for the unsigned program; and the signed program starts and
# shows its window (the e2e driver's first case). Wine 8.0 checks no chain: with the root unknown it
# answers 0 where Windows answers CERT_E_UNTRUSTEDROOT, so that stage is printed, not checked.
# Usage: check_signed_wine.sh FOLDER WINE verify_trust.exe e2e_tests.exe EMULATED(0|1)
# FOLDER holds signed.exe, tampered.exe, unsigned.exe and root.cer from shipped_signing.
set -eu
dir=$1 wine=$2 verify=$3 e2e=$4 emulated=$5
fail() { echo "FAIL: $*"; exit 1; }
dos() { printf 'Z:%s' "$1" | tr / '\\'; }
answers=$("$wine" "$verify" "$(dos "$dir/root.cer")" "$(dos "$dir/signed.exe")" \
  "$(dos "$dir/tampered.exe")" "$(dos "$dir/unsigned.exe")" | tr -d '\r') ||
  fail "verify_trust: $answers"
printf '%s\n' "$answers"
# awk -v would read the backslashes as escapes; the environment it takes as it is.
answer() {
  printf '%s\n' "$answers" | STAGE=$1 FILE=$(dos "$dir/$2") \
    awk '$1 == ENVIRON["STAGE"] && $2 == ENVIRON["FILE"] { print $3 }'
}
[ "$(answer trusted-root signed.exe)" = 0x00000000 ] || fail "signed, root in the Root store: not trusted"
[ "$(answer trusted-root tampered.exe)" = 0x80096010 ] || fail "tampered: not TRUST_E_BAD_DIGEST"
[ "$(answer trusted-root unsigned.exe)" = 0x800B0100 ] || fail "unsigned: not TRUST_E_NOSIGNATURE"
echo "root unknown, Windows answers 0x800B0109 (CERT_E_UNTRUSTEDROOT); Wine: $(answer unknown-root signed.exe)"
SVCMGR_UNDER_TEST=$dir/signed.exe SVCMGR_DRIVEN_PROGRAM_EMULATED=$emulated \
  "$wine" "$e2e" --gtest_filter=MainWindowList.StartsWithItsCaptionFiveColumnsAndNoRows ||
  fail "the signed program did not start with its window"
echo "2 passed, 0 failed"
