#!/usr/bin/python3
"""Turns the pixel-art sources of the application icon and the hand cursor
into the raw icon, cursor and group blobs that Images.rc embeds."""

import argparse
import struct
import sys
import zlib

kBitmapHeaderSize = 40
# A 32-bit image has no palette and readers ignore the directory's colour
# count; the viewer's icon directory stores 32 there all the same.
kIconDirectoryColourCount = 32
kResourceTypeIcon = 1
kResourceTypeCursor = 2


class PictureError(Exception):
    pass


class Picture:
    def __init__(self, path):
        self.path = path
        self.width = 0
        self.height = 0
        self.legend = {}
        self.settings = {}
        self.rows = []

    def Colour(self, x, y):
        """RGB tuple of the pixel, or None where it is transparent."""
        return self.legend[self.rows[y][x]]

    def TransparentCount(self):
        return sum(1 for y in range(self.height) for x in range(self.width)
                   if self.Colour(x, y) is None)


def ReadPicture(path):
    picture = Picture(path)
    with open(path, encoding="ascii") as source:
        lines = source.read().splitlines()
    inPixels = False
    for number, line in enumerate(lines, 1):
        where = f"{path}:{number}"
        if inPixels:
            picture.rows.append(line)
            continue
        if not line.strip() or line.startswith("#"):
            continue
        words = line.split()
        if words[0] == "size":
            picture.width, picture.height = int(words[1]), int(words[2])
        elif words[0] == "colour":
            if len(words[1]) != 1:
                raise PictureError(f"{where}: a colour is named by one character")
            picture.legend[words[1]] = (None if words[2] == "transparent"
                                        else tuple(bytes.fromhex(words[2])))
        elif words[0] == "pixels":
            inPixels = True
        else:
            picture.settings[words[0]] = [int(word) for word in words[1:]]
    CheckPicture(picture)
    return picture


def CheckPicture(picture):
    if len(picture.rows) != picture.height:
        raise PictureError(f"{picture.path}: {len(picture.rows)} rows, expected {picture.height}")
    for y, row in enumerate(picture.rows):
        if len(row) != picture.width:
            raise PictureError(f"{picture.path}: row {y} has {len(row)} pixels, expected {picture.width}")
        unknown = set(row) - picture.legend.keys()
        if unknown:
            raise PictureError(f"{picture.path}: row {y} uses {''.join(sorted(unknown))}, not in the legend")
    expected = picture.settings.get("transparent")
    if expected and picture.TransparentCount() != expected[0]:
        raise PictureError(f"{picture.path}: {picture.TransparentCount()} transparent pixels, expected {expected[0]}")


def BitmapHeader(picture, bitsPerPixel, colourBytes):
    # The height covers the colour bitmap and the mask stacked together.
    return struct.pack("<IiiHHIIiiII", kBitmapHeaderSize, picture.width, 2 * picture.height,
                       1, bitsPerPixel, 0, colourBytes, 0, 0, 0, 0)


def RowBits(picture, y, isSet):
    """One bottom-up DIB row of 1-bit pixels, leftmost pixel in the top bit,
    padded to a whole number of 32-bit words."""
    stride = (picture.width + 31) // 32 * 4
    row = bytearray(stride)
    for x in range(picture.width):
        if isSet(picture.Colour(x, y)):
            row[x // 8] |= 0x80 >> (x % 8)
    return bytes(row)


def Mask(picture):
    return b"".join(RowBits(picture, y, lambda colour: colour is None)
                    for y in reversed(range(picture.height)))


def IconImage(picture):
    pixels = bytearray()
    for y in reversed(range(picture.height)):
        for x in range(picture.width):
            # Transparent pixels stay black so that the XOR half leaves the
            # background untouched; the fourth byte stays 0, so only the mask
            # decides transparency.
            red, green, blue = picture.Colour(x, y) or (0, 0, 0)
            pixels += bytes((blue, green, red, 0))
    return BitmapHeader(picture, 32, len(pixels)) + bytes(pixels) + Mask(picture)


def IconGroup(picture, imageSize, imageId):
    return (struct.pack("<HHH", 0, kResourceTypeIcon, 1) +
            struct.pack("<BBBBHHIH", picture.width, picture.height, kIconDirectoryColourCount,
                        0, 1, 32, imageSize, imageId))


def CursorImage(picture):
    colours = set(picture.legend.values()) - {None}
    if not colours <= {(0, 0, 0), (255, 255, 255)}:
        raise PictureError(f"{picture.path}: a cursor is drawn in black and white only")
    if len(picture.settings.get("hotspot", [])) != 2:
        raise PictureError(f"{picture.path}: a cursor needs a line 'hotspot X Y'")
    hotX, hotY = picture.settings["hotspot"]
    if picture.Colour(hotX, hotY) is None:
        raise PictureError(f"{picture.path}: the hot spot ({hotX},{hotY}) is transparent")
    white = b"".join(RowBits(picture, y, lambda colour: colour == (255, 255, 255))
                     for y in reversed(range(picture.height)))
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    return (struct.pack("<HH", hotX, hotY) + BitmapHeader(picture, 1, len(white)) +
            palette + white + Mask(picture))


def CursorGroup(picture, imageSize, imageId):
    return (struct.pack("<HHH", 0, kResourceTypeCursor, 1) +
            struct.pack("<HHHHIH", picture.width, picture.height, 1, 1, imageSize, imageId))


def Png(picture, scale, backdrop):
    """An enlarged preview. Without a backdrop, transparent pixels get alpha 0;
    with one, they show as a checkerboard of it, so that the outline of the
    shape can be judged against a given background."""
    def Chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    rows = bytearray()
    for y in range(picture.height * scale):
        rows.append(0)
        for x in range(picture.width * scale):
            colour = picture.Colour(x // scale, y // scale)
            if backdrop is None:
                rows += bytes(colour or (0, 0, 0)) + (b"\x00" if colour is None else b"\xff")
                continue
            if colour is None:
                shade = 1.0 if (x // 4 + y // 4) % 2 else 0.85
                colour = tuple(int(channel * shade) for channel in backdrop)
            rows += bytes(colour)
    colourType = 6 if backdrop is None else 2
    header = struct.pack(">IIBBBBB", picture.width * scale, picture.height * scale, 8, colourType, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + Chunk(b"IHDR", header) +
            Chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + Chunk(b"IEND", b""))


def WriteFile(path, data):
    with open(path, "wb") as target:
        target.write(data)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("kind", choices=("icon", "cursor", "png"))
    parser.add_argument("picture")
    parser.add_argument("--image", help="where to write the icon or cursor image")
    parser.add_argument("--group", help="where to write the group directory")
    parser.add_argument("--image-id", type=int, help="resource id of the image, stored in the group")
    parser.add_argument("--png", help="where to write the preview")
    parser.add_argument("--scale", type=int, default=8)
    parser.add_argument("--backdrop", help="RGB hex shown behind transparent pixels of the preview")
    args = parser.parse_args()
    try:
        picture = ReadPicture(args.picture)
        if args.kind == "png":
            backdrop = tuple(bytes.fromhex(args.backdrop)) if args.backdrop else None
            WriteFile(args.png, Png(picture, args.scale, backdrop))
            return 0
        makeImage, makeGroup = {"icon": (IconImage, IconGroup),
                                "cursor": (CursorImage, CursorGroup)}[args.kind]
        image = makeImage(picture)
        expectedSize = picture.settings.get("bytes")
        if expectedSize and len(image) != expectedSize[0]:
            raise PictureError(f"{args.picture}: image of {len(image)} bytes, expected {expectedSize[0]}")
        WriteFile(args.image, image)
        WriteFile(args.group, makeGroup(picture, len(image), args.image_id))
    except (PictureError, ValueError, OSError) as error:
        print(f"BuildImages: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
