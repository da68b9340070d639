#!/bin/sh
# The shipped program is a 32-bit GUI executable that needs no DLL but the system's own.
set -eu
exe=$1 delayload=$2
export LC_ALL=C  # objdump speaks the locale's language otherwise
dump=$(i686-w64-mingw32-objdump -p "$exe")
fail() { echo "FAIL: $*"; exit 1; }
echo "$dump" | grep -Eq 'file format[[:space:]]+pei-i386' || fail "not PE32 i386"
echo "$dump" | grep -Eq '^Subsystem[[:space:]]+00000002' || fail "not a Windows GUI program"
allowed='^(KERNEL32|USER32|GDI32|COMCTL32|COMDLG32|ADVAPI32|SHELL32|msvcrt)\.dll$'
imports=$(echo "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p')
echo "imports: $(echo $imports)"
for dll in $imports; do
  echo "$dll" | grep -Eiq "$allowed" || fail "imports $dll"
done
# Loaded on first use only: a function called in them but missing from cmake/delayload/*.def
# would be imported directly and bring them, with the DLLs they pull in, back into every start.
for dll in $imports; do
  echo "$dll" | grep -Eiq '^(COMDLG32|SHELL32)\.dll$' && fail "imports $dll at start-up"
done
# Each function of cmake/delayload/*.def is bound by a thunk of the program's own on its first
# call; the browse button's is the only call into comdlg32, which the emulated level never makes.
dlls=$(sed -n 's/^LIBRARY[[:space:]]*//p' "$delayload"/*.def | tr -d '\r')
python3 "$(dirname "$0")/delay_imports.py" "$exe" $dlls || fail "a delay-load address slot"
size=$(stat -c %s "$exe")
echo "size: $size bytes"
echo "1 passed, 0 failed"
