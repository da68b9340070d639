#!/bin/sh
# The emulated level needs a prefix that starts 32-bit programs; without one each of its cases
# would wait out its launch time. Fails at once, naming what is missing.
# Usage: check_32bit_prefix.sh WINE (the 64-bit loader; WINEPREFIX set)
set -eu
wine=$1
fail() { echo "FAIL: $*"; exit 1; }
[ -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ] ||
  fail "$WINEPREFIX has no 32-bit system (drive_c/windows/syswow64/kernel32.dll): it was booted" \
    "where Wine's 32-bit half could not run. On a host whose kernel runs no 32-bit code, boot it" \
    "inside scripts/i386-emulated.sh, as scripts/test.sh does."
# A short 32-bit program of the prefix's own, started as the tests start the shipped one.
"$wine" 'C:\windows\syswow64\cmd.exe' /c exit 7 >/dev/null 2>&1 </dev/null && status=0 || status=$?
[ "$status" = 7 ] ||
  fail "a 32-bit program does not start in $WINEPREFIX (exit status $status): Wine's 32-bit" \
    "loader cannot run here. On a host whose kernel runs no 32-bit code, run inside" \
    "scripts/i386-emulated.sh, as scripts/test.sh does."
echo "1 passed, 0 failed"
