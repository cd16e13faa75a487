#!/usr/bin/python3
"""Static checks of a built QuellmarkBrenvik.exe, read with pefile: one group
per run, every failed check printed on its own line."""

import os
import struct
import sys
import types

import pefile

kMachines = {"i386": 0x14C, "amd64": 0x8664}
kSystemDlls = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "ole32.dll", "oleaut32.dll",
               "shell32.dll", "shlwapi.dll", "advapi32.dll", "msvcrt.dll"}
kDynamicBase, kNxCompat, kHighEntropyVa = 0x0040, 0x0100, 0x0020
kExecute, kWrite = 0x20000000, 0x80000000
kSizeBudget = {"i386": 327680}
kRtCursor, kRtIcon, kRtGroupCursor, kRtGroupIcon = 1, 3, 12, 14


def Resource(pe, typeId, name):
    """The data of the one resource of that type and name, or None."""
    root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for typeEntry in (entry for entry in (root.entries if root else []) if entry.id == typeId):
        for nameEntry in typeEntry.directory.entries:
            if (nameEntry.id if nameEntry.name is None else str(nameEntry.name)) == name:
                leaf = nameEntry.directory.entries[0].data.struct
                return pe.get_data(leaf.OffsetToData, leaf.Size)
    return None


def Imports(pe, args, check):
    entries = getattr(pe, "DIRECTORY_ENTRY_IMPORT", []) + getattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT", [])
    dlls = [entry.dll.decode("ascii").lower() for entry in entries]
    foreign = [dll for dll in dlls if dll not in kSystemDlls and not dll.startswith("api-ms-win-crt-")]
    check(dlls and not foreign, f"imports from DLLs that are not the system's: {foreign or 'no imports'}")


def Header(pe, args, check):
    check(pe.FILE_HEADER.Machine == kMachines[args.machine], f"machine {pe.FILE_HEADER.Machine:#x}")
    check(pe.OPTIONAL_HEADER.Subsystem == 2, f"subsystem {pe.OPTIONAL_HEADER.Subsystem}, not the GUI (2)")
    flags = pe.OPTIONAL_HEADER.DllCharacteristics
    check(flags & kDynamicBase and pe.OPTIONAL_HEADER.DATA_DIRECTORY[5].Size > 0,
          f"no ASLR (DYNAMIC_BASE and relocations) in {flags:#x}")
    check(flags & kNxCompat, f"no NX_COMPAT in {flags:#x}")
    check(args.machine != "amd64" or flags & kHighEntropyVa, f"no HIGH_ENTROPY_VA in {flags:#x}")
    for section in pe.sections:
        both = section.Characteristics & kExecute and section.Characteristics & kWrite
        check(not both, f"section {section.Name!r} is writable and executable")
    check(pe.FILE_HEADER.TimeDateStamp == 0, f"link timestamp {pe.FILE_HEADER.TimeDateStamp:#x}, not 0")


def Size(pe, args, check):
    size = os.path.getsize(args.exe)
    print(f"size: {size} bytes")
    check(pe.FILE_HEADER.PointerToSymbolTable == 0 and pe.FILE_HEADER.NumberOfSymbols == 0, "a symbol table")
    check(size <= kSizeBudget.get(args.machine, size), f"{size} bytes, over {kSizeBudget.get(args.machine)}")


def Version(pe, args, check):
    fixed = getattr(pe, "VS_FIXEDFILEINFO", [None])[0]
    if not check(fixed and fixed.Signature == 0xFEEF04BD, "no parsable version block"):
        return
    parts = [int(part) for part in (args.version.split(".") + ["0"] * 4)[:4]]
    packed = (parts[0] << 16 | parts[1], parts[2] << 16 | parts[3])
    for field in ("File", "Product"):
        got = (getattr(fixed, field + "VersionMS"), getattr(fixed, field + "VersionLS"))
        check(got == packed, f"{field.lower()} version {got}, program version {args.version}")
    strings = {key.decode(): value.decode() for table in getattr(pe, "FileInfo", [[]])[0]
               if table.Key == b"StringFileInfo" for st in table.StringTable for key, value in st.entries.items()}
    for key in ("FileVersion", "ProductVersion"):
        check(strings.get(key) == args.version, f"{key} {strings.get(key)!r}, program version {args.version}")
    check(fixed.FileFlags == 0 and fixed.FileType == 1, f"flags {fixed.FileFlags}, type {fixed.FileType}")


def Images(pe, args, check):
    # Directory entry fields: width, height, (icon: colours, reserved), planes, bits, bytes, image id;
    # then the image's bitmap header: size, width, height (both halves), planes, bits.
    for what, group, image, entry, expected, skip in [
            ("icon", (kRtGroupIcon, "MAINICON"), kRtIcon, "<BBBBHHIH", (32, 32, 32, 0, 1, 32, 4264, 1), 0),
            ("cursor", (kRtGroupCursor, 32761), kRtCursor, "<HHHHIH", (32, 32, 1, 1, 308, 8), 4)]:
        data = Resource(pe, *group) or bytes(6)
        check(struct.unpack_from("<H", data, 4) == (1,), f"{what} directory without exactly one entry")
        got = struct.unpack_from(entry, data + bytes(16), 6)
        check(got == expected, f"{what} directory entry {got}, expected {expected}")
        bits = (Resource(pe, image, expected[-1]) or b"") + bytes(60)
        check(len(bits) - 60 == expected[-2], f"{what} image of {len(bits) - 60} bytes")
        header = struct.unpack_from("<IiiHH", bits, skip)
        check(header == (40, 32, 64, 1, expected[-3]), f"{what} bitmap header {header}")
        check(not skip or struct.unpack_from("<HH", bits) == (7, 1), f"hot spot {struct.unpack_from('<HH', bits)}")


kGroups = {"header": Header, "imports": Imports, "size": Size, "version": Version,
           "images": Images}


def main():
    """Usage: CheckExe.py <exe> <i386|amd64> <the program's version, from CMake> <group>"""
    args = types.SimpleNamespace(**dict(zip(("exe", "machine", "version", "group"), sys.argv[1:])))
    failures = []

    def Check(condition, what):
        failures.append(None if condition else what)
        return bool(condition)
    kGroups[args.group](pefile.PE(args.exe), args, Check)
    for failure in filter(None, failures):
        print(f"FAIL: {args.group}: {failure}")
    return 1 if any(failures) else 0


if __name__ == "__main__":
    sys.exit(main())
