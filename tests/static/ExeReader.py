"""Reading helpers for the static checks: the resources of a PE file as a
flat table, through pefile, and the raw layouts the checks take apart
(version blocks, icon and cursor directories, bitmap headers)."""

import struct

import pefile


class Resource:
    def __init__(self, typeId, name, language, data):
        self.typeId = typeId
        self.name = name
        self.language = language
        self.data = data


def Resources(pe):
    """Every resource leaf; names are ints for ids and str for named ones."""
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return []
    table = []
    for typeEntry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        typeId = typeEntry.id if typeEntry.name is None else str(typeEntry.name)
        for nameEntry in typeEntry.directory.entries:
            name = nameEntry.id if nameEntry.name is None else str(nameEntry.name)
            for languageEntry in nameEntry.directory.entries:
                rva = languageEntry.data.struct.OffsetToData
                size = languageEntry.data.struct.Size
                table.append(Resource(typeId, name, languageEntry.id, pe.get_data(rva, size)))
    return table


def Find(resources, typeId, name):
    return [resource for resource in resources if resource.typeId == typeId and resource.name == name]


class VersionBlock:
    """One node of a version resource: its key, its declared lengths and value
    (the value length counts characters for text, bytes for binary data)."""

    def __init__(self, data, offset):
        self.length, self.valueLength, self.valueType = struct.unpack_from("<HHH", data, offset)
        keyEnd = offset + 6
        while data[keyEnd:keyEnd + 2] != b"\0\0":
            keyEnd += 2
        self.key = data[offset + 6:keyEnd].decode("utf-16-le")
        valueStart = Align4(keyEnd + 2)
        valueEnd = valueStart + self.valueLength * (2 if self.valueType == 1 else 1)
        self.value = data[valueStart:valueEnd]
        # Bytes that the block's length claims beyond its value; a string
        # entry stored exactly has none.
        self.excess = offset + self.length - valueEnd
        self.data_ = data
        self.childStart_ = Align4(valueEnd)
        self.end_ = offset + self.length

    def Children(self):
        children = []
        child = self.childStart_
        while child < self.end_:
            block = VersionBlock(self.data_, child)
            children.append(block)
            child = Align4(child + max(block.length, 6))
        return children


def Align4(offset):
    return (offset + 3) & ~3


class BitmapHeader:
    kFormat = "<IiiHHIIiiII"
    kFields = ("size", "width", "height", "planes", "bitCount", "compression",
               "sizeImage", "xPelsPerMeter", "yPelsPerMeter", "clrUsed", "clrImportant")

    def __init__(self, data, offset=0):
        for field, value in zip(self.kFields, struct.unpack_from(self.kFormat, data, offset)):
            setattr(self, field, value)


def ReadGroup(data, entryFormat, entryFields):
    """A GRPICONDIR or the cursor equivalent: header words and the entries."""
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    size = struct.calcsize(entryFormat)
    entries = [dict(zip(entryFields, struct.unpack_from(entryFormat, data, 6 + i * size)))
               for i in range(count) if 6 + (i + 1) * size <= len(data)]
    return reserved, kind, count, entries


kIconEntryFormat = "<BBBBHHIH"
kIconEntryFields = ("width", "height", "colourCount", "reserved", "planes", "bitCount", "bytes", "id")
kCursorEntryFormat = "<HHHHIH"
kCursorEntryFields = ("width", "height", "planes", "bitCount", "bytes", "id")


def MaskBit(mask, x, y, width, height):
    """Bit of a bottom-up 1-bpp bitmap at (x, y) counted from the top left."""
    stride = (width + 31) // 32 * 4
    row = mask[(height - 1 - y) * stride:(height - y) * stride]
    return (row[x // 8] >> (7 - x % 8)) & 1


def Load(path):
    return pefile.PE(path, fast_load=False)
