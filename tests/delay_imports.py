#!/usr/bin/env python3
"""Checks the delay-load address slots of a 32-bit program, with no Windows to run it.

Each slot must start out pointing into the program's own code: the thunk that binds the function
on its first call. A slot that points elsewhere (zero, where the linker dropped the thunk) makes
that first call jump there. The linker leaves the header's delay-import entry empty, so the
descriptors are found by the names of the DLLs they load, which the descriptors point to.

Usage: delay_imports.py PROGRAM.exe DLL [DLL...]
Prints "dll function delay-loaded" for each function; exits 1 naming any DLL or slot that fails.
"""
import struct
import sys

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


def check(path, dlls):
    image = Image(open(path, "rb").read())
    failures = []
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
        for function in functions:
            print(f"{dll.lower()} {function} delay-loaded")
    for failure in failures:
        print(f"FAIL: {failure}")
    return not failures


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    sys.exit(0 if check(sys.argv[1], sys.argv[2:]) else 1)
