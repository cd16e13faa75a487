#!/usr/bin/python3
"""Static checks of a built QuellmarkBrenvik.exe, read with pefile; every failed check is printed on its own line.
Usage: CheckExe.py <exe> <i386|amd64> <the program's version, from CMake>"""

import os
import struct
import sys

import pefile

kMachines = {"i386": 0x14C, "amd64": 0x8664}
kSystemDlls = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "ole32.dll", "oleaut32.dll",
               "shell32.dll", "shlwapi.dll", "advapi32.dll", "msvcrt.dll"}
kDynamicBase, kNxCompat, kHighEntropyVa = 0x0040, 0x0100, 0x0020
kExecute, kWrite = 0x20000000, 0x80000000
kShippedSizeBudget = 327680
kRtCursor, kRtIcon, kRtGroupCursor, kRtGroupIcon = 1, 3, 12, 14


failures = []


def Check(condition, what):
    if not condition:
        failures.append(what)
        print(f"FAIL: {what}")
    return bool(condition)


def Resource(pe, typeId, name):
    """The data of the resource of that type and name, or b"" (all the checks after it then fail)."""
    root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    leaves = [entry.directory.entries[0].data.struct for typeEntry in (root.entries if root else [])
              if typeEntry.id == typeId for entry in typeEntry.directory.entries
              if (entry.id if entry.name is None else str(entry.name)) == name]
    return pe.get_data(leaves[0].OffsetToData, leaves[0].Size) if leaves else b""


def CheckExe(exe, machine, version):
    pe = pefile.PE(exe)
    Check(pe.FILE_HEADER.Machine == kMachines[machine], f"machine {pe.FILE_HEADER.Machine:#x}")
    Check(pe.OPTIONAL_HEADER.Subsystem == 2, f"subsystem {pe.OPTIONAL_HEADER.Subsystem}, not the GUI (2)")
    flags = pe.OPTIONAL_HEADER.DllCharacteristics
    Check(flags & kDynamicBase and pe.OPTIONAL_HEADER.DATA_DIRECTORY[5].Size > 0,
          f"no ASLR (DYNAMIC_BASE and relocations) in {flags:#x}")
    Check(flags & kNxCompat, f"no NX_COMPAT in {flags:#x}")
    Check(machine != "amd64" or flags & kHighEntropyVa, f"no HIGH_ENTROPY_VA in {flags:#x}")
    for section in pe.sections:
        Check(~section.Characteristics & (kExecute | kWrite), f"section {section.Name!r} is writable and executable")
    Check(pe.FILE_HEADER.TimeDateStamp == 0, f"link timestamp {pe.FILE_HEADER.TimeDateStamp:#x}, not 0")

    entries = getattr(pe, "DIRECTORY_ENTRY_IMPORT", []) + getattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT", [])
    dlls = [entry.dll.decode("ascii").lower() for entry in entries]
    foreign = [dll for dll in dlls if dll not in kSystemDlls and not dll.startswith("api-ms-win-crt-")]
    Check(dlls and not foreign, f"imports from DLLs that are not the system's: {foreign or 'no imports'}")

    size = os.path.getsize(exe)
    Check(machine != "i386" or size <= kShippedSizeBudget, f"{size} bytes, over {kShippedSizeBudget}")

    fixed = getattr(pe, "VS_FIXEDFILEINFO", [None])[0]
    parts = [int(part) for part in (version.split(".") + ["0"] * 4)[:4]]
    packed = (parts[0] << 16 | parts[1], parts[2] << 16 | parts[3])
    if Check(fixed and fixed.Signature == 0xFEEF04BD, "no parsable version block"):
        for field in ("File", "Product"):
            got = (getattr(fixed, field + "VersionMS"), getattr(fixed, field + "VersionLS"))
            Check(got == packed, f"{field.lower()} version {got}, program version {version}")
    strings = {key.decode(): value.decode() for table in getattr(pe, "FileInfo", [[]])[0]
               if table.Key == b"StringFileInfo" for st in table.StringTable for key, value in st.entries.items()}
    for key in ("FileVersion", "ProductVersion"):
        Check(strings.get(key) == version, f"{key} {strings.get(key)!r}, program version {version}")

    # The group must have one entry: width and height (bytes for an icon, words for a cursor), and the image id in its
    # last word. The image holds a cursor's hot spot, then a bitmap header whose height counts colour and mask halves.
    for what, group, imageType, extent, skip in [("icon", (kRtGroupIcon, "MAINICON"), kRtIcon, "<BB", 0),
                                                 ("cursor", (kRtGroupCursor, 32761), kRtCursor, "<HH", 4)]:
        data = Resource(pe, *group) + bytes(20)
        Check(struct.unpack_from("<H", data, 4) == (1,), f"{what} directory without exactly one entry")
        Check(struct.unpack_from(extent, data, 6) == (32, 32), f"{what} entry {struct.unpack_from(extent, data, 6)}")
        bits = Resource(pe, imageType, struct.unpack_from("<H", data, 18)[0]) + bytes(20)
        Check(struct.unpack_from("<Iii", bits, skip) == (40, 32, 64), f"{what} bitmap {bits[skip:skip + 12]}")
        Check(not skip or struct.unpack_from("<HH", bits) == (7, 1), f"hot spot {struct.unpack_from('<HH', bits)}")


if __name__ == "__main__":
    CheckExe(*sys.argv[1:4])
    sys.exit(1 if failures else 0)
