#!/usr/bin/env python3
"""Compares a screenshot of the tray's first icon slot with the icon the program draws.

    icon_pixels.py SLOT.txt GROUP

SLOT.txt is ImageMagick's text dump ("x,y: (r,g,b...) #RRGGBB ...") of the 20 x 20 slot;
GROUP is the icon group shown (101 Halted, 102 Ready, 103 Capturing). The expected 16 x 16
picture is res/icons/halted-16.txt with the group's lamps from res/icons/lamps.txt, in the VGA
palette, drawn by tools/make_icons.py's own rules; transparent pixels are not compared. The
icon's place in the slot is found (the offset where the most pixels match). Prints the
offset, the traffic light's pixels (lamp columns) that differ and the count of the rest;
exit code 0 when every pixel of the traffic light and at least 95 % of the other opaque
pixels are exact.
"""

import os
import re
import sys

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../.."))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import make_icons  # noqa: E402

LAMP_NAMES = {"9": "red", "1": "dark red", "B": "yellow", "3": "olive", "A": "lime",
              "2": "dark green"}


def read_dump(path):
    pixels = {}
    pattern = re.compile(r"^(\d+),(\d+):.*#([0-9A-Fa-f]{6})")
    with open(path, encoding="ascii", errors="replace") as f:
        for line in f:
            m = pattern.match(line)
            if m:
                pixels[(int(m.group(1)), int(m.group(2)))] = tuple(
                    int(m.group(3)[i:i + 2], 16) for i in (0, 2, 4))
    return pixels


def expected_rows(group):
    groups = make_icons.read_lamps(os.path.join(ROOT, "res/icons/lamps.txt"))
    art = make_icons.read_art(os.path.join(ROOT, "res/icons/halted-16.txt"))
    lamps = dict(groups)
    return art, make_icons.repaint(art, groups[0][1], lamps[group])


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    shot = read_dump(argv[0])
    group = int(argv[1])
    art, rows = expected_rows(group)
    size = len(rows)
    opaque = [(x, y, c) for y, row in enumerate(rows) for x, c in enumerate(row) if c != "."]

    def matches(dx, dy):
        return sum(1 for x, y, c in opaque
                   if shot.get((x + dx, y + dy)) == make_icons.VGA_PALETTE[int(c, 16)])

    width = max((p[0] for p in shot), default=-1) + 1
    height = max((p[1] for p in shot), default=-1) + 1
    offsets = [(dx, dy) for dy in range(0, height - size + 1) for dx in range(0, width - size + 1)]
    if not offsets:
        print(f"the dump is {width} x {height}: too small for a {size} x {size} icon")
        return 1
    dx, dy = max(offsets, key=lambda o: matches(*o))
    lamp_wrong = []
    other_wrong = 0
    lamp_total = 0
    for x, y, c in opaque:
        want = make_icons.VGA_PALETTE[int(c, 16)]
        got = shot.get((x + dx, y + dy))
        if x in art.lamp_columns:
            lamp_total += 1
            if got != want:
                lamp_wrong.append(f"({x + 1},{y + 1}) want {want} got {got}")
        elif got != want:
            other_wrong += 1
    lit = [LAMP_NAMES.get(rows[y][x], rows[y][x]) for y, x in ((2, 12), (7, 12), (12, 12))]
    others = len(opaque) - lamp_total
    print(f"icon {group} at ({dx},{dy}) of the slot; lamps top to bottom: {', '.join(lit)}; "
          f"traffic light {lamp_total - len(lamp_wrong)}/{lamp_total} pixels exact, "
          f"the rest {others - other_wrong}/{others}")
    for line in lamp_wrong[:8]:
        print("  " + line)
    return 0 if not lamp_wrong and other_wrong * 20 <= others else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
