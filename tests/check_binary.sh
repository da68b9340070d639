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

# Windows refuses to start a program whose manifest is not well-formed, and ignores a setting
# outside its own namespace; Wine is lenient about both. So the manifest is read back from the
# program, parsed by a real XML parser, and each setting looked up in its namespace.
python3 - "$exe" <<'EOF'
import struct, sys
import xml.etree.ElementTree as ET

image = open(sys.argv[1], 'rb').read()
u16 = lambda at: struct.unpack_from('<H', image, at)[0]
u32 = lambda at: struct.unpack_from('<I', image, at)[0]
pe = u32(0x3C)
optional = pe + 24
sections = [optional + u16(pe + 20) + 40 * i for i in range(u16(pe + 6))]


def offset(rva):  # where an address of the loaded program lies in the file, if it does
    for s in sections:
        if u32(s + 12) <= rva < u32(s + 12) + u32(s + 16):
            return u32(s + 20) + rva - u32(s + 12)


def resource(type_id, name_id):
    # The resource tree: type, then name, then the first language there is.
    base = offset(u32(optional + 96 + 8 * 2))  # PE32's third data directory
    node = base
    for wanted in (type_id, name_id, None):
        entries = [node + 16 + 8 * i for i in range(u16(node + 12) + u16(node + 14))]
        found = [e for e in entries if wanted in (None, u32(e))]
        if not found:
            sys.exit(f'FAIL: no resource {name_id} of type {type_id}')
        node = base + (u32(found[0] + 4) & 0x7FFFFFFF)
    return image[offset(u32(node)):offset(u32(node)) + u32(node + 4)]


try:
    manifest = ET.fromstring(resource(24, 1))  # RT_MANIFEST, the process's own
except ET.ParseError as error:
    sys.exit(f'FAIL: the manifest is not well-formed XML: {error}')
v1, v3 = '{urn:schemas-microsoft-com:asm.v1}', '{urn:schemas-microsoft-com:asm.v3}'
compatibility = '{urn:schemas-microsoft-com:compatibility.v1}'
settings = '{http://schemas.microsoft.com/SMI/2017/WindowsSettings}'


def values(path, read):
    return sorted(read(e) for e in manifest.iterfind(path))


found = {
    'root': [manifest.tag, manifest.get('manifestVersion')],
    'common controls': values(f'{v1}dependency/{v1}dependentAssembly/{v1}assemblyIdentity',
                              lambda e: (e.get('name'), e.get('version'))),
    'execution level': values(
        f'{v3}trustInfo/{v3}security/{v3}requestedPrivileges/{v3}requestedExecutionLevel',
        lambda e: e.get('level')),
    'supported Windows': values(
        f'{compatibility}compatibility/{compatibility}application/{compatibility}supportedOS',
        lambda e: e.get('Id').lower()),
    'GDI scaling': values(f'{v3}application/{v3}windowsSettings/{settings}gdiScaling',
                          lambda e: e.text.strip().lower()),
    # Declared DPI-aware in any namespace, the list's pixel column widths and row images would
    # shrink against its text.
    'DPI awareness': [e.tag for e in manifest.iter()
                      if e.tag.split('}')[-1] in ('dpiAware', 'dpiAwareness')],
}
expected = {
    'root': [f'{v1}assembly', '1.0'],
    'common controls': [('Microsoft.Windows.Common-Controls', '6.0.0.0')],
    'execution level': ['requireAdministrator'],
    'supported Windows': sorted([
        '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}',  # 7
        '{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}',  # 8
        '{1f676c76-80e1-4239-95bb-83d0f6d0da78}',  # 8.1
        '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}',  # 10 and 11
    ]),
    'GDI scaling': ['true'],
    'DPI awareness': [],
}
wrong = [f'FAIL: manifest, {key}: {found[key]}, not {value}'
         for key, value in expected.items() if found[key] != value]
if wrong:
    sys.exit('\n'.join(wrong))
EOF

# The delay-loaded imports, which objdump does not show, are read from their descriptors. Each
# function of cmake/delayload/*.def is bound by a thunk of the program's own on its first call, so
# its address slot must start out in the program's code: the browse button's is the only call into
# comdlg32, which the emulated level never makes.
dlls=$(sed -n 's/^LIBRARY[[:space:]]*//p' "$delayload"/*.def | tr -d '\r')
delayed=$(python3 "$(dirname "$0")/delay_imports.py" "$exe" $dlls) ||
  fail "a delay-load address slot: $delayed"

# Every function imported, "dll function", the delay-loaded ones marked, against the list of
# those checked for Windows 7 SP1: a toolchain update must not raise the minimum unseen.
imports=$(echo "$dump" | awk '/^[^ \t]/ {tables = /^The Import Tables/}
  tables && /DLL Name:/ {dll = tolower($3)} tables && /^\t[0-9a-f]+\t/ {print dll, $3}')
imports=$(printf '%s\n%s\n' "$imports" "$delayed" | grep . | sort)
new=$(echo "$imports" | grep -vxF -f "$list" || true)
gone=$(echo "$imports" | grep -vxF -f - "$list" | grep -v -e '^#' -e '^$' || true)
[ -z "$new" ] || fail "imports what $list does not hold (check its minimum Windows first):
$new"
[ -z "$gone" ] || fail "no longer imports what $list holds (take it off the list):
$gone"
echo "imports: $(echo "$imports" | wc -l) functions, each in $list"

size=$(stat -c %s "$exe")
echo "size: $size bytes"
echo "1 passed, 0 failed"
