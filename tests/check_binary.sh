#!/bin/sh
# The shipped program is a 32-bit GUI executable that needs no DLL but the system's own.
set -eu
exe=$1
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


def offset(rva):  # where an address of the loaded program lies in the file
    for s in sections:
        if u32(s + 12) <= rva < u32(s + 12) + u32(s + 16):
            return u32(s + 20) + rva - u32(s + 12)
    sys.exit(f'FAIL: address {rva:#x} lies in no section')


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
sys.exit('\n'.join(wrong) or None)
EOF

size=$(stat -c %s "$exe")
echo "size: $size bytes"
echo "1 passed, 0 failed"
