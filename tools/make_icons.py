#!/usr/bin/env python3
"""Draws the program's icon groups (.ico files) from text pixel art.

    make_icons.py --lamps res/icons/lamps.txt --outdir DIR ART [ART ...]

Each ART file is one square image of the first group in the lamps file (8 to 256 pixels, a
multiple of 4, so 16, 20, 24 and 32 for the small-icon sizes of 100 to 200 %): '#' lines are
comments, "lamps FIRST-LAST" names the columns (counted from 1) that hold the lamps, and every
other non-empty line is a pixel row, top row first, one character per pixel: a hexadecimal
digit is an index into the 16-colour VGA palette and '.' is transparent.

The lamps file has one line per group: its number and the colours of its top, middle and
bottom lamp. For every group it writes DIR/pixmote-<group>.ico holding one image per ART
file, in the order given; a group other than the first is the art with the first group's
lamp colours replaced by its own, inside the lamp columns only.

Every image is stored with 4 bits per pixel and the VGA palette, followed by its AND mask
(1 where transparent); transparent pixels hold colour 0, so the screen shows through.
Standard library only.
"""

import argparse
import os
import struct
import sys

# The standard 16-colour VGA palette, as (red, green, blue).
VGA_PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]

TRANSPARENT = "."


class ArtError(Exception):
    pass


class Art:
    """One image: rows of pixel characters and the range of its lamp columns (0-based)."""

    def __init__(self, path, rows, lamp_columns):
        self.path = path
        self.rows = rows
        self.lamp_columns = lamp_columns

    @property
    def size(self):
        return len(self.rows)


def read_art(path):
    rows = []
    lamp_columns = None
    with open(path, encoding="ascii") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n").rstrip()
            where = f"{path}:{number}"
            if not line or line.startswith("#"):
                continue
            if line.startswith("lamps"):
                try:
                    first, last = (int(v) for v in line.split()[1].split("-"))
                except (IndexError, ValueError):
                    raise ArtError(f"{where}: expected 'lamps FIRST-LAST'") from None
                lamp_columns = range(first - 1, last)
                continue
            bad = [c for c in line if c not in "0123456789ABCDEFabcdef" + TRANSPARENT]
            if bad:
                raise ArtError(f"{where}: not a pixel: {bad[0]!r}")
            rows.append(line.upper())
    size = len(rows)
    if size < 8 or size > 256 or size % 4 != 0:
        raise ArtError(f"{path}: {size} rows; an icon is square, 8 to 256 pixels, a multiple of 4")
    for number, row in enumerate(rows, 1):
        if len(row) != size:
            raise ArtError(f"{path}: pixel row {number} is {len(row)} wide, not {size}")
    if lamp_columns is None:
        raise ArtError(f"{path}: no 'lamps FIRST-LAST' line")
    if lamp_columns.start < 0 or lamp_columns.stop > size or len(lamp_columns) == 0:
        raise ArtError(f"{path}: lamp columns outside the image")
    return Art(path, rows, lamp_columns)


def read_lamps(path):
    """Returns [(group, (top, middle, bottom))] in file order."""
    groups = []
    with open(path, encoding="ascii") as f:
        for number, line in enumerate(f, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            fields = line.split()
            colours = [c.upper() for c in fields[1:]]
            if (len(fields) != 4 or not fields[0].isdigit()
                    or any(len(c) != 1 or c not in "0123456789ABCDEF" for c in colours)):
                raise ArtError(f"{path}:{number}: expected 'GROUP TOP MIDDLE BOTTOM'")
            groups.append((int(fields[0]), tuple(colours)))
    if not groups:
        raise ArtError(f"{path}: no groups")
    base = groups[0][1]
    if len(set(base)) != 3:
        raise ArtError(f"{path}: the first group's three lamp colours must differ")
    return groups


def repaint(art, base_lamps, lamps):
    """The art's rows with the base lamp colours replaced by lamps inside the lamp columns."""
    swap = dict(zip(base_lamps, lamps))
    return ["".join(swap.get(c, c) if x in art.lamp_columns else c for x, c in enumerate(row))
            for row in art.rows]


def check_lamps(art, base_lamps):
    present = {c for row in art.rows for x, c in enumerate(row) if x in art.lamp_columns}
    missing = [c for c in base_lamps if c not in present]
    if missing:
        raise ArtError(f"{art.path}: lamp colour {missing[0]} not found in the lamp columns")


def image_bytes(rows):
    """BITMAPINFOHEADER (height doubled), palette, XOR bits and AND mask, rows bottom-up."""
    size = len(rows)
    xor_stride = (size * 4 + 31) // 32 * 4
    and_stride = (size + 31) // 32 * 4
    xor = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x, c in enumerate(row):
            if c == TRANSPARENT:
                bits[x // 8] |= 0x80 >> (x % 8)
                index = 0
            else:
                index = int(c, 16)
            line[x // 2] |= index << 4 if x % 2 == 0 else index
        xor += line
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in VGA_PALETTE)
    return header + palette + bytes(xor) + bytes(mask)


def ico_bytes(images):
    """An icon file holding the given images (lists of pixel rows)."""
    blobs = [image_bytes(rows) for rows in images]
    out = bytearray(struct.pack("<HHH", 0, 1, len(blobs)))
    offset = 6 + 16 * len(blobs)
    for rows, blob in zip(images, blobs):
        side = len(rows) % 256  # 256 is written as 0
        out += struct.pack("<BBBBHHII", side, side, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    return bytes(out)


def main(argv):
    parser = argparse.ArgumentParser(description="Draw the icon groups from text pixel art.")
    parser.add_argument("--lamps", required=True, help="the groups' lamp colours")
    parser.add_argument("--outdir", required=True, help="where pixmote-<group>.ico go")
    parser.add_argument("art", nargs="+", help="pixel art files of the first group")
    args = parser.parse_args(argv)
    try:
        groups = read_lamps(args.lamps)
        arts = [read_art(path) for path in args.art]
        base_lamps = groups[0][1]
        for art in arts:
            check_lamps(art, base_lamps)
    except (ArtError, OSError) as e:
        print(f"make_icons: {e}", file=sys.stderr)
        return 1
    os.makedirs(args.outdir, exist_ok=True)
    for group, lamps in groups:
        data = ico_bytes([repaint(art, base_lamps, lamps) for art in arts])
        path = os.path.join(args.outdir, f"pixmote-{group}.ico")
        # Written beside and renamed, so a build never sees half an icon.
        with open(path + ".tmp", "wb") as f:
            f.write(data)
        os.replace(path + ".tmp", path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
