#!/usr/bin/env python3
"""Checks of the shipped 32-bit program that read its file, with no Windows to run it.

Usage: shipped_image.py delay-imports PROGRAM.exe DLL [DLL...]
         Each delay-load address slot must start out pointing into the program's own code: the
         thunk that binds the function on its first call. A slot that points elsewhere (zero,
         where the linker dropped the thunk) makes that first call jump there. And each slot must
         have a base relocation: Windows loads the program elsewhere than its preferred base
         (ASLR), and an unrelocated slot would send the first call to where the thunk is not.
         Wine loads it at its preferred base, so only this check sees one missing. Prints
         "dll function delay-loaded" for each function.
       shipped_image.py manifest PROGRAM.exe
         Windows refuses to start a program whose manifest is not well-formed, and ignores a
         setting outside its own namespace; Wine is lenient about both. So the manifest is read
         back from the program, parsed by a real XML parser, and each setting looked up in its
         namespace.
Exits 1 naming what fails.
"""
import struct
import sys
import xml.etree.ElementTree as ET

EXECUTE = 0x20000000  # IMAGE_SCN_MEM_EXECUTE


class Image:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0" or struct.unpack_from("<H", data, pe + 24)[0] != 0x10B:
            raise ValueError("not a PE32 program")
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        self.base = struct.unpack_from("<I", data, pe + 24 + 28)[0]
        self.sections = []
        table = pe + 24 + optional_size
        for i in range(sections):
            _, virtual_size, va, raw_size, raw = struct.unpack_from("<8sIIII", data, table + 40 * i)
            characteristics = struct.unpack_from("<I", data, table + 40 * i + 36)[0]
            self.sections.append((va, max(virtual_size, raw_size), raw, raw_size, characteristics))

    def offset(self, rva):
        for va, _, raw, raw_size, _ in self.sections:
            if va <= rva < va + raw_size:
                return raw + rva - va
        return None

    def rva(self, offset):
        for va, _, raw, raw_size, _ in self.sections:
            if raw <= offset < raw + raw_size:
                return va + offset - raw
        return None

    def executable(self, rva):
        return any(va <= rva < va + size and flags & EXECUTE
                   for va, size, _, _, flags in self.sections)

    def dword(self, rva):
        offset = self.offset(rva)
        return None if offset is None else struct.unpack_from("<I", self.data, offset)[0]

    def text(self, rva):
        offset = self.offset(rva)
        return self.data[offset:self.data.index(b"\0", offset)].decode("ascii")

    def resource(self, type_id, name_id):
        """The data of a resource: the tree's type, then name, then the first language there is."""
        pe = struct.unpack_from("<I", self.data, 0x3C)[0]
        base = self.offset(struct.unpack_from("<I", self.data, pe + 24 + 96 + 8 * 2)[0])
        node = base
        for wanted in (type_id, name_id, None):
            named, numbered = struct.unpack_from("<HH", self.data, node + 12)
            entries = [struct.unpack_from("<II", self.data, node + 16 + 8 * i)
                       for i in range(named + numbered)]
            found = [child for key, child in entries if wanted in (None, key)]
            if not found:
                return None
            node = base + (found[0] & 0x7FFFFFFF)
        at, size = struct.unpack_from("<II", self.data, node)
        return self.data[self.offset(at):self.offset(at) + size]

    def relocated(self):
        """The RVAs that the base relocations (32-bit, HIGHLOW) patch."""
        pe = struct.unpack_from("<I", self.data, 0x3C)[0]
        at, size = struct.unpack_from("<II", self.data, pe + 24 + 96 + 8 * 5)
        patched = set()
        end = at + size
        while at < end:
            page, block = struct.unpack_from("<II", self.data, self.offset(at))
            if block < 8:
                break
            for i in range((block - 8) // 2):
                entry = struct.unpack_from("<H", self.data, self.offset(at) + 8 + 2 * i)[0]
                if entry >> 12 == 3:  # IMAGE_REL_BASED_HIGHLOW
                    patched.add(page + (entry & 0xFFF))
            at += block
        return patched

    def descriptors(self, dll):
        """The delay-load descriptors whose name is `dll`: attributes 1 (addresses are RVAs),
        then the RVAs of the name, the module handle, the address slots and the names."""
        name = dll.encode("ascii").lower()
        found = []
        lowered = self.data.lower()
        at = lowered.find(name + b"\0")
        while at >= 0:
            name_rva = self.rva(at)
            if name_rva is not None:
                key = struct.pack("<II", 1, name_rva)
                ref = self.data.find(key)
                while ref >= 0:
                    if ref % 4 == 0:
                        found.append(struct.unpack_from("<8I", self.data, ref))
                    ref = self.data.find(key, ref + 1)
            at = lowered.find(name + b"\0", at + 1)
        return found


def delay_imports(image, dlls):
    failures = []
    relocated = image.relocated()
    for dll in dlls:
        descriptors = image.descriptors(dll)
        if len(descriptors) != 1:
            failures.append(f"{dll}: {len(descriptors)} delay-load descriptors, not one")
            continue
        _, _, _, slots, names = descriptors[0][:5]
        functions = []
        for i in range(4096):
            entry = image.dword(names + 4 * i)
            if entry is None:
                failures.append(f"{dll}: its name table runs out of the image")
                break
            if entry == 0:
                break
            function = f"#{entry & 0xFFFF}" if entry & 0x80000000 else image.text(entry + 2)
            functions.append(function)
            slot = image.dword(slots + 4 * i)
            if slot is None or not image.executable(slot - image.base):
                shown = "outside the image" if slot is None else f"0x{slot:08x}"
                failures.append(f"{dll}!{function}: its address slot starts out at {shown}, "
                                "not in the program's code")
            if slots + 4 * i not in relocated:
                failures.append(f"{dll}!{function}: its address slot has no base relocation")
        for function in functions:
            print(f"{dll.lower()} {function} delay-loaded")
    for failure in failures:
        print(f"FAIL: {failure}")
    return not failures


def manifest_failures(image):
    data = image.resource(24, 1)  # RT_MANIFEST, the process's own
    if data is None:
        return ['FAIL: no manifest (resource 1 of type 24)']
    try:
        manifest = ET.fromstring(data)
    except ET.ParseError as error:
        return [f'FAIL: the manifest is not well-formed XML: {error}']
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
    return [f'FAIL: manifest, {key}: {found[key]}, not {value}'
            for key, value in expected.items() if found[key] != value]


if __name__ == "__main__":
    if len(sys.argv) < 3 or sys.argv[1] not in ("delay-imports", "manifest"):
        sys.exit(__doc__)
    program = Image(open(sys.argv[2], "rb").read())
    if sys.argv[1] == "delay-imports":
        sys.exit(0 if delay_imports(program, sys.argv[3:]) else 1)
    wrong = manifest_failures(program)
    sys.exit("\n".join(wrong) if wrong else 0)
