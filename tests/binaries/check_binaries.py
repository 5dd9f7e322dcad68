#!/usr/bin/env python3
"""What a Windows binary promises before it is ever started, read from its PE
file: the machine it is built for, address-space randomisation and no-execute
data, a program's subsystem and manifest (administrator rights, the
architecture), imports from system libraries only, exactly the exports its
callers bind by name, and for the delivery no debug sections and a bounded size.

Usage: check_binaries.py MACHINE BINARY[:EXPORT,EXPORT...]... [-- BINARY...]
MACHINE is i386 or amd64. Binaries before -- are delivered ones; the export list
after a colon is the exact set of names the binary must export (none after a
bare colon); without a colon the exports are not looked at.
"""
import re
import struct
import sys

MACHINES = {"i386": 0x14C, "amd64": 0x8664}
SUBSYSTEM_GUI = 2
DYNAMIC_BASE, NX_COMPAT, HIGH_ENTROPY_VA = 0x40, 0x100, 0x20
SYSTEM_LIBRARIES = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ole32.dll",
                    "oleaut32.dll", "msvcrt.dll", "comctl32.dll", "shlwapi.dll", "version.dll"}
DELIVERED_SIZE_LIMIT = 520000


class Pe:
    def __init__(self, path):
        self.data = open(path, "rb").read()
        pe = self.u32(0x3C)
        if self.data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        (self.machine, sections, _, symbols, symbol_count, optional_size,
         self.characteristics) = struct.unpack_from("<HHIIIHH", self.data, pe + 4)
        optional = pe + 24
        magic = self.u16(optional)
        self.wide = magic == 0x20B
        self.subsystem = self.u16(optional + 68)
        self.dll_characteristics = self.u16(optional + 70)
        directories = optional + (112 if self.wide else 96)
        self.directories = [struct.unpack_from("<II", self.data, directories + 8 * i) for i in range(16)]
        strings = symbols + 18 * symbol_count
        self.sections = []
        for i in range(sections):
            at = optional + optional_size + 40 * i
            name = self.data[at:at + 8].rstrip(b"\0").decode("latin-1")
            if name.startswith("/") and symbols:  # a long name, kept in the string table
                start = strings + int(name[1:])
                name = self.data[start:self.data.index(b"\0", start)].decode("latin-1")
            size, address, raw_size, raw = struct.unpack_from("<IIII", self.data, at + 8)
            self.sections.append((name, address, max(size, raw_size), raw))

    def u16(self, at):
        return struct.unpack_from("<H", self.data, at)[0]

    def u32(self, at):
        return struct.unpack_from("<I", self.data, at)[0]

    def offset(self, rva):
        for _, address, size, raw in self.sections:
            if address <= rva < address + size:
                return rva - address + raw
        raise ValueError(f"address {rva:#x} lies in no section")

    def text(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("latin-1")

    def imports(self):
        rva, _ = self.directories[1]
        names, at = [], self.offset(rva) if rva else None
        while at is not None and any(self.data[at:at + 20]):
            names.append(self.text(self.u32(at + 12)))
            at += 20
        return names

    def exports(self):
        rva, _ = self.directories[0]
        if not rva:
            return []
        at = self.offset(rva)
        count, names = self.u32(at + 24), self.u32(at + 32)
        return [self.text(self.u32(self.offset(names) + 4 * i)) for i in range(count)]

    def resource(self, *path):
        """The bytes of the resource at type/name/first language, or None."""
        rva, _ = self.directories[2]
        if not rva:
            return None
        base = self.offset(rva)
        entry = base
        for wanted in path + (None,):
            named, ids = struct.unpack_from("<HH", self.data, entry + 12)
            for i in range(named + ids):
                key, target = struct.unpack_from("<II", self.data, entry + 16 + 8 * i)
                if wanted is None or key == wanted:
                    break
            else:
                return None
            if target & 0x80000000:
                entry = base + (target & 0x7FFFFFFF)
            else:
                data_rva, size = struct.unpack_from("<II", self.data, base + target)
                at = self.offset(data_rva)
                return self.data[at:at + size]
        return None


def check(path, machine, delivered, exports):
    problems = []
    pe = Pe(path)
    if pe.machine != MACHINES[machine]:
        problems.append(f"built for machine {pe.machine:#x}, not {machine}")
    if pe.wide != (machine == "amd64"):
        problems.append("PE32+ where PE32 belongs, or the reverse")
    wanted = DYNAMIC_BASE | NX_COMPAT | (HIGH_ENTROPY_VA if machine == "amd64" else 0)
    if pe.dll_characteristics & wanted != wanted:
        problems.append(f"DllCharacteristics {pe.dll_characteristics:#06x} lack {wanted:#06x}"
                        " (address-space randomisation, no-execute data)")
    if pe.directories[5][0] == 0:
        problems.append("no relocations: the loader cannot move it")
    # The loader reads a program's subsystem; a library's is never consulted.
    is_dll = bool(pe.characteristics & 0x2000)
    if not is_dll and pe.subsystem != SUBSYSTEM_GUI:
        problems.append(f"subsystem {pe.subsystem}, not the Windows GUI")
    if not is_dll:
        manifest = pe.resource(24, 1)
        if manifest is None:
            problems.append("no manifest")
        else:
            text = manifest.decode("utf-8")
            if 'level="requireAdministrator"' not in text:
                problems.append("the manifest does not ask for administrator rights")
            identity = re.search(r'<assemblyIdentity type="win32" name="Dravimex[^>]*'
                                 r'processorArchitecture="([^"]*)"', text)
            architecture = {"i386": "x86", "amd64": "amd64"}[machine]
            if not identity or identity.group(1) != architecture:
                problems.append(f"the manifest names another architecture than {architecture}")
    imports = pe.imports()
    if not imports:
        problems.append("no import table read")
    problems += [f"imports {name}, which is not a system library" for name in imports
                 if name.lower() not in SYSTEM_LIBRARIES]
    if exports is not None and sorted(pe.exports()) != sorted(exports):
        problems.append(f"exports {pe.exports()}, not exactly {exports}")
    if delivered:
        problems += [f"delivered with the debug section {name}" for name, *_ in pe.sections
                     if name.startswith(".debug")]
        if len(pe.data) >= DELIVERED_SIZE_LIMIT:
            problems.append(f"delivered with {len(pe.data)} bytes")
    return problems, imports


def main(arguments):
    machine, status, delivered = arguments[0], 0, True
    for argument in arguments[1:]:
        if argument == "--":
            delivered = False
            continue
        path, listed, names = argument.partition(":")
        exports = [name for name in names.split(",") if name] if listed else None
        problems, imports = check(path, machine, delivered, exports)
        name = path.rsplit("/", 1)[-1]
        for problem in problems:
            print(f"{name}: {problem}")
        status |= bool(problems)
        print(f"{name}: {machine}, {'ok' if not problems else 'FAILED'}; imports {' '.join(imports)}")
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
