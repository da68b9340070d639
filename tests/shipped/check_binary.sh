#!/bin/sh
# The shipped program is a 32-bit GUI executable for Windows 7 SP1 and later: it needs no DLL but
# the system's own, no function that Windows 7 SP1 lacks, and a manifest that Windows accepts.
set -eu
exe=$1 delayload=$2
list=$(dirname "$0")/shipped_imports.txt
export LC_ALL=C  # objdump speaks the locale's language otherwise
dump=$(i686-w64-mingw32-objdump -p "$exe")
fail() { echo "FAIL: $*"; exit 1; }
field() { echo "$dump" | awk -v name="$1" '$1 == name {print $2}'; }
echo "$dump" | grep -Eq 'file format[[:space:]]+pei-i386' || fail "not PE32 i386"
echo "$dump" | grep -Eq '^Subsystem[[:space:]]+00000002' || fail "not a Windows GUI program"
# The header names the oldest Windows it runs on, 7 (6.1), so that an older one refuses the program
# at once rather than failing on a function it lacks.
os=$(field MajorOSystemVersion).$(field MinorOSystemVersion)
subsystem=$(field MajorSubsystemVersion).$(field MinorSubsystemVersion)
[ "$os $subsystem" = "6.1 6.1" ] || fail "the header's OS version is $os, its subsystem's $subsystem"

# The hardening Windows programs carry: ASLR (0x0040), DEP (0x0100), terminal-server aware (0x8000).
characteristics=$(field DllCharacteristics)
for flag in 0040 0100 8000; do
  [ $((0x$characteristics & 0x$flag)) != 0 ] ||
    fail "DllCharacteristics $characteristics lacks 0x$flag (ASLR 0040, DEP 0100, terminal server 8000)"
done

# The manifest Windows reads, parsed as XML (shipped_image.py says why).
python3 "$(dirname "$0")/shipped_image.py" manifest "$exe"

# The delay-loaded imports, which objdump does not show, are read from their descriptors. Each
# function of cmake/delayload/*.def is bound by a thunk of the program's own on its first call, so
# its address slot must start out in the program's code: the browse button's is the only call into
# comdlg32, which the emulated level never makes.
dlls=$(sed -n 's/^LIBRARY[[:space:]]*//p' "$delayload"/*.def | tr -d '\r')
delayed=$(python3 "$(dirname "$0")/shipped_image.py" delay-imports "$exe" $dlls) ||
  fail "a delay-load address slot: $delayed"

# What loads before the program's first line, from wherever Windows looks: only KnownDLLs, which
# come from the system folder whatever lies beside the program, and comctl32, which the manifest
# binds side by side. Everything else is delay-loaded from the system folder.
startup=$(echo "$dump" | awk '/^[^ \t]/ {tables = /^The Import Tables/}
  tables && /DLL Name:/ {print tolower($3)}' | sort -u)
others=$(echo "$startup" | grep -vxE 'kernel32\.dll|user32\.dll|advapi32\.dll|msvcrt\.dll|comctl32\.dll' ||
  true)
[ -z "$others" ] || fail "loads at start what is neither a KnownDLL nor comctl32:
$others"

# Every function imported, "dll function", the delay-loaded ones marked, against the list of
# those checked for Windows 7 SP1: a toolchain update must not raise the minimum unseen.
imports=$(echo "$dump" | awk '/^[^ \t]/ {tables = /^The Import Tables/}
  tables && /DLL Name:/ {dll = tolower($3)} tables && /^\t[0-9a-f]+\t/ {print dll, $3}')
imports=$(printf '%s\n%s\n' "$imports" "$delayed" | grep . | sort)
new=$(echo "$imports" | grep -vxF -f "$list" || true)
gone=$(echo "$imports" | grep -vxF -f - "$list" | grep -v -e '^#' -e '^$' || true)
# The imports that antivirus heuristics read as process injection: the posix thread model's
# runtime brings them, and the program, one thread, calls none of them.
injection=$(echo "$imports" | awk '{print $2}' | grep -xE 'GetThreadContext|SetThreadContext|SuspendThread|ResumeThread|OpenProcess|DuplicateHandle|GetProcessAffinityMask|SetProcessAffinityMask|AddVectoredExceptionHandler|RemoveVectoredExceptionHandler' ||
  true)
[ -z "$injection" ] || fail "imports what the posix thread model's runtime brings (build with the
win32 thread model: cmake/mingw-i686.cmake):
$injection"
[ -z "$new" ] || fail "imports what $list does not hold (check its minimum Windows first):
$new"
[ -z "$gone" ] || fail "no longer imports what $list holds (take it off the list):
$gone"
echo "imports: $(echo "$imports" | wc -l) functions, each in $list"

size=$(stat -c %s "$exe")
echo "size: $size bytes"
echo "1 passed, 0 failed"
