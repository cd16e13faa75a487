#!/usr/bin/python3
"""Static checks of a built QuellmarkBrenvik.exe: PE header, resource table,
manifest, version information, icon, hand cursor, form definition,
imports and size. One group per run; every failed check is named on its own line."""

import argparse
import os
import struct
import sys

import ExeReader

kMachines = {"i386": 0x14C, "amd64": 0x8664}
kOptionalMagic = {"i386": 0x10B, "amd64": 0x20B}
kSubsystemGui = 2

kRtCursor, kRtIcon, kRtRcData, kRtGroupCursor, kRtGroupIcon, kRtVersion, kRtManifest = 1, 3, 10, 12, 14, 16, 24
kNeutral, kRussian = 0x0000, 0x0419
kIconImageId, kCursorImageId, kHandCursorId = 1, 8, 32761

# type, name, language, exact size (None: any non-empty size). The form
# definition is checked by a group of its own, since it comes from src/ui.
kFormResource = (kRtRcData, "TFORM1", kNeutral, None)
kResourceTable = [
    (kRtManifest, 1, kNeutral, None),
    (kRtVersion, 1, kRussian, None),
    (kRtGroupIcon, "MAINICON", kRussian, 20),
    (kRtIcon, kIconImageId, kRussian, 4264),
    (kRtGroupCursor, kHandCursorId, kNeutral, 20),
    (kRtCursor, kCursorImageId, kNeutral, 308),
]

kStringTable = [
    ("CompanyName", "Halvorn"), ("FileDescription", ""), ("FileVersion", "1.0.0.0"),
    ("InternalName", ""), ("LegalCopyright", ""), ("LegalTrademarks", ""),
    ("OriginalFilename", ""), ("ProductName", ""), ("ProductVersion", "1.0.0.0"),
    ("Comments", ""),
]

kSystemDlls = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "ole32.dll",
               "oleaut32.dll", "shell32.dll", "shlwapi.dll", "advapi32.dll", "msvcrt.dll"}


def ExpectedManifest():
    identity = 'type="win32" name="Halvorn.QuellmarkBrenvik" version="1.0.0.0" processorArchitecture="*"'
    controls = ('type="win32" name="Microsoft.Windows.Common-Controls" version="6.0.0.0" '
                'publicKeyToken="6595b64144ccf1df" language="*" processorArchitecture="*"')
    lines = ['<?xml version="1.0" encoding="UTF-8" standalone="yes"?>', "",
             '<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">',
             f"  <assemblyIdentity {identity}/>", "  <dependency>", "    <dependentAssembly>",
             f"      <assemblyIdentity {controls}/>", "    </dependentAssembly>", "  </dependency>",
             "</assembly>"]
    return "".join(line + "\r\n" for line in lines).encode("ascii")


class Checker:
    def __init__(self):
        self.failures = []
        self.count = 0

    def Equal(self, actual, expected, what):
        self.count += 1
        if actual != expected:
            self.failures.append(f"{what}: got {actual!r}, expected {expected!r}")
        return actual == expected

    def That(self, condition, what):
        self.count += 1
        if not condition:
            self.failures.append(what)
        return condition


def One(check, resources, typeId, name, language, what):
    """The single resource of that type and name, in the expected language."""
    found = ExeReader.Find(resources, typeId, name)
    languages = [hex(resource.language) for resource in found]
    if not check.Equal(languages, [hex(language)], f"{what}: languages of resource {typeId}/{name}"):
        return None
    return found[0]


def CheckHeader(check, pe, args):
    check.Equal(hex(pe.FILE_HEADER.Machine), hex(kMachines[args.machine]), "PE machine")
    check.Equal(hex(pe.OPTIONAL_HEADER.Magic), hex(kOptionalMagic[args.machine]), "optional header magic")
    check.Equal(pe.OPTIONAL_HEADER.Subsystem, kSubsystemGui, "subsystem (2 is the Windows GUI)")


def CheckInventory(check, pe, args):
    resources = ExeReader.Resources(pe)
    for typeId, name, language, size in kResourceTable:
        resource = One(check, resources, typeId, name, language, "inventory")
        if resource is None:
            continue
        if size is None:
            check.That(len(resource.data) > 0, f"resource {typeId}/{name} is empty")
        else:
            check.Equal(len(resource.data), size, f"size of resource {typeId}/{name}")
    expected = {(typeId, name) for typeId, name, _, _ in kResourceTable + [kFormResource]}
    extra = sorted(f"{r.typeId}/{r.name}" for r in resources if (r.typeId, r.name) not in expected)
    check.Equal(extra, [], "resources beyond the expected table")


def CheckManifest(check, pe, args):
    manifest = One(check, ExeReader.Resources(pe), kRtManifest, 1, kNeutral, "manifest")
    if manifest is None:
        return
    expected = ExpectedManifest()
    check.Equal(len(manifest.data), len(expected), "manifest length in bytes")
    differing = next((i for i, (a, b) in enumerate(zip(manifest.data, expected)) if a != b), None)
    if not check.Equal(differing, None, "offset of the first manifest byte that differs"):
        check.Equal(manifest.data[differing:differing + 24], expected[differing:differing + 24],
                    "manifest bytes from that offset")


def CheckVersion(check, pe, args):
    version = One(check, ExeReader.Resources(pe), kRtVersion, 1, kRussian, "version")
    if version is None:
        return
    fixed = pe.VS_FIXEDFILEINFO[0]
    for field, expected in [("Signature", 0xFEEF04BD), ("StrucVersion", 0x00010000),
                            ("FileVersionMS", 0x00010000), ("FileVersionLS", 0),
                            ("ProductVersionMS", 0x00010000), ("ProductVersionLS", 0),
                            ("FileFlagsMask", 0x3F), ("FileFlags", 0), ("FileOS", 4),
                            ("FileType", 1), ("FileSubtype", 0), ("FileDateMS", 0), ("FileDateLS", 0)]:
        check.Equal(hex(getattr(fixed, field)), hex(expected), f"fixed version field {field}")
    root = ExeReader.VersionBlock(version.data, 0)
    check.Equal(root.key, "VS_VERSION_INFO", "version root key")
    children = {child.key: child for child in root.Children()}
    check.Equal(sorted(children), ["StringFileInfo", "VarFileInfo"], "version root children")
    if "StringFileInfo" in children:
        tables = children["StringFileInfo"].Children()
        check.Equal([table.key for table in tables], ["041904E3"], "string table keys")
        strings = tables[0].Children() if tables else []
        check.Equal([s.key for s in strings], [key for key, _ in kStringTable], "string keys in order")
        for entry, (key, text) in zip(strings, kStringTable):
            check.Equal(entry.valueType, 1, f"{key}: value type (1 is text)")
            check.Equal(entry.valueLength, len(text) + 1, f"{key}: value length in characters")
            check.Equal(entry.value, (text + "\0").encode("utf-16-le"), f"{key}: value")
            check.Equal(entry.excess, 0, f"{key}: bytes stored beyond the terminating null")
    if "VarFileInfo" in children:
        translations = children["VarFileInfo"].Children()
        check.Equal([(t.key, t.value) for t in translations], [("Translation", b"\x19\x04\xe3\x04")],
                    "translation pair (0x0419, 0x04E3)")


def CheckIcon(check, pe, args):
    resources = ExeReader.Resources(pe)
    group = One(check, resources, kRtGroupIcon, "MAINICON", kRussian, "icon group")
    if group is None:
        return
    reserved, kind, count, entries = ExeReader.ReadGroup(
        group.data, ExeReader.kIconEntryFormat, ExeReader.kIconEntryFields)
    check.Equal((reserved, kind, count), (0, 1, 1), "icon group header (reserved, type, count)")
    if entries:
        check.Equal(entries[0], {"width": 32, "height": 32, "colourCount": 32, "reserved": 0, "planes": 1,
                                 "bitCount": 32, "bytes": 4264, "id": kIconImageId}, "icon group entry")
    image = One(check, resources, kRtIcon, kIconImageId, kRussian, "icon image")
    if image is None or not check.Equal(len(image.data), 4264, "icon image size"):
        return
    header = ExeReader.BitmapHeader(image.data)
    check.Equal((header.size, header.width, header.height, header.planes, header.bitCount,
                 header.compression, header.sizeImage), (40, 32, 64, 1, 32, 0, 4096),
                "icon bitmap header (size, width, height, planes, bpp, compression, image size)")
    pixels = image.data[40:40 + 4096]
    mask = image.data[40 + 4096:]
    check.Equal(sum(1 for i in range(3, 4096, 4) if pixels[i] != 0), 0, "icon pixels with a non-zero fourth byte")
    transparent = {(x, y) for y in range(32) for x in range(32) if ExeReader.MaskBit(mask, x, y, 32, 32)}
    check.Equal(len(transparent), 238, "transparent pixels in the icon mask")

    def Pixel(x, y):
        offset = ((31 - y) * 32 + x) * 4
        return pixels[offset:offset + 3]
    # A masked pixel that is not black would tint whatever lies behind the icon.
    tinted = [(x, y) for x, y in sorted(transparent) if Pixel(x, y) != b"\0\0\0"]
    check.Equal(tinted[:5], [], "transparent icon pixels that are not black")
    opaque = {Pixel(x, y) for y in range(32) for x in range(32) if (x, y) not in transparent}
    check.That(len(opaque) >= 4, f"the icon's opaque pixels use {len(opaque)} colours; a picture needs more")


def CheckCursor(check, pe, args):
    resources = ExeReader.Resources(pe)
    group = One(check, resources, kRtGroupCursor, kHandCursorId, kNeutral, "cursor group")
    if group is None:
        return
    reserved, kind, count, entries = ExeReader.ReadGroup(
        group.data, ExeReader.kCursorEntryFormat, ExeReader.kCursorEntryFields)
    check.Equal((reserved, kind, count), (0, 2, 1), "cursor group header (reserved, type, count)")
    if entries:
        check.Equal(entries[0], {"width": 32, "height": 32, "planes": 1, "bitCount": 1,
                                 "bytes": 308, "id": kCursorImageId}, "cursor group entry")
    image = One(check, resources, kRtCursor, kCursorImageId, kNeutral, "cursor image")
    if image is None or not check.Equal(len(image.data), 308, "cursor image size"):
        return
    check.Equal(struct.unpack_from("<HH", image.data, 0), (7, 1), "cursor hot spot (x, y)")
    header = ExeReader.BitmapHeader(image.data, 4)
    check.Equal((header.size, header.width, header.height, header.planes, header.bitCount, header.compression),
                (40, 32, 64, 1, 1, 0), "cursor bitmap header (size, width, height, planes, bpp, compression)")
    check.Equal(image.data[44:52], bytes((0, 0, 0, 0, 255, 255, 255, 0)), "cursor palette (black, white)")
    colour, mask = image.data[52:180], image.data[180:308]
    kinds = {}
    for y in range(32):
        for x in range(32):
            bits = (ExeReader.MaskBit(mask, x, y, 32, 32), ExeReader.MaskBit(colour, x, y, 32, 32))
            kinds[(x, y)] = {(1, 0): "transparent", (0, 0): "black", (0, 1): "white"}.get(bits, "inverting")
    counts = {name: sum(1 for k in kinds.values() if k == name) for name in ("black", "white", "inverting")}
    check.Equal(counts["inverting"], 0, "cursor pixels that invert the screen")
    check.That(counts["black"] > 0 and counts["white"] > 0, f"cursor has an outline and a fill: {counts}")
    check.Equal(kinds[(7, 1)], "black", "cursor pixel at the hot spot (the outline of the fingertip)")
    above = [kinds[(x, 0)] for x in range(32)]
    check.Equal(set(above), {"transparent"}, "cursor row 0, above the fingertip")


def CheckForm(check, pe, args):
    typeId, name, language, _ = kFormResource
    form = One(check, ExeReader.Resources(pe), typeId, name, language, "form definition")
    if form is not None:
        check.That(len(form.data) > 0, "form definition TFORM1 is empty")


def CheckImports(check, pe, args):
    dlls = [entry.dll.decode("ascii") for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])]
    dlls += [entry.dll.decode("ascii") for entry in getattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT", [])]
    print("imports:", ", ".join(dlls))
    foreign = [dll for dll in dlls
               if dll.lower() not in kSystemDlls and not dll.lower().startswith("api-ms-win-crt-")]
    check.Equal(foreign, [], "imported DLLs that are not system DLLs")
    check.That("kernel32.dll" in (dll.lower() for dll in dlls), f"KERNEL32 among the imports {dlls}")


kDynamicBase, kNxCompat, kHighEntropyVa = 0x0040, 0x0100, 0x0020
kSectionExecute, kSectionWrite = 0x20000000, 0x80000000


def CheckHardening(check, pe, args):
    flags = pe.OPTIONAL_HEADER.DllCharacteristics
    check.That(flags & kDynamicBase, f"DYNAMIC_BASE (address-space randomisation) in {hex(flags)}")
    check.That(flags & kNxCompat, f"NX_COMPAT (no-execute data) in {hex(flags)}")
    if args.machine == "amd64":
        check.That(flags & kHighEntropyVa, f"HIGH_ENTROPY_VA in {hex(flags)}")
    check.That(pe.OPTIONAL_HEADER.DATA_DIRECTORY[5].Size > 0, "a base relocation table, which ASLR needs")
    for section in pe.sections:
        name = section.Name.rstrip(b"\0").decode("ascii", "replace")
        both = (section.Characteristics & kSectionExecute) and (section.Characteristics & kSectionWrite)
        check.That(not both, f"section {name} is not both writable and executable")
    check.Equal(pe.FILE_HEADER.TimeDateStamp, 0, "link timestamp (none, for reproducible builds)")


# The shipped 32-bit program's size budget, in bytes.
kSizeBudget = {"i386": 320 * 1024}


def CheckSize(check, pe, args):
    size = os.path.getsize(args.exe)
    print(f"size: {size} bytes ({size / 1024:.1f} KiB)")
    check.Equal((pe.FILE_HEADER.PointerToSymbolTable, pe.FILE_HEADER.NumberOfSymbols), (0, 0),
                "symbol table (none: the exe ships stripped)")
    if args.machine in kSizeBudget:
        check.That(size <= kSizeBudget[args.machine], f"{size} bytes within {kSizeBudget[args.machine]}")


kGroups = {"header": CheckHeader, "hardening": CheckHardening, "inventory": CheckInventory, "manifest": CheckManifest,
           "version": CheckVersion, "icon": CheckIcon, "cursor": CheckCursor, "form": CheckForm,
           "imports": CheckImports, "size": CheckSize}


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--exe", required=True)
    parser.add_argument("--machine", choices=sorted(kMachines), required=True)
    parser.add_argument("group", choices=sorted(kGroups))
    args = parser.parse_args()
    try:
        pe = ExeReader.Load(args.exe)
    except (OSError, ExeReader.pefile.PEFormatError) as error:
        print(f"FAIL: cannot read {args.exe}: {error}")
        return 1
    check = Checker()
    kGroups[args.group](check, pe, args)
    for failure in check.failures:
        print(f"FAIL: {args.group}: {failure}")
    print(f"{args.group}: {check.count - len(check.failures)} of {check.count} checks passed in {args.exe}")
    return 1 if check.failures else 0


if __name__ == "__main__":
    sys.exit(main())
