#!/usr/bin/env python3
"""Checks the program's resources as Windows will load them.

Draws the icon groups with tools/make_icons.py, compiles res/pixmote.rc with windres (the
WINDRES environment variable, default x86_64-w64-mingw32-windres) into a .res file, and reads
the icons, the dialog template and the application manifest back out of it, byte by byte.
When PIXMOTE_EXE names the built pixmote.exe, its resource section must hold exactly the same
resources. Standard library only.
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WINDRES = os.environ.get("WINDRES", "x86_64-w64-mingw32-windres")
EXE = os.environ.get("PIXMOTE_EXE", "")

VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]

# The tray picture of the Halted state, as it must appear (hex = VGA index, '.' transparent).
HALTED_16 = """
.0000000..000000
077777770.079970
077777770.099990
077777770.099990
077777770.079970
000000000.077770
0B0800700.073370
000007070.033330
0E0800700.033330
000000000.073370
080808080.077770
000000000.072270
080707080.022220
000000000.022220
080707080.072270
.0000000..000000
""".split()

# Top, middle and bottom lamp of each group.
LAMPS = {101: "932", 102: "1B2", 103: "13A"}

# The system's small-icon size at 100, 125, 150 and 200 %, each drawn for itself; the columns
# of each size's traffic light and the width of its round lamps.
SIZES = [16, 20, 24, 32]
LIGHT = {16: range(10, 16), 20: range(14, 20), 24: range(15, 24), 32: range(20, 32)}
LAMP_SIDE = {20: 4, 24: 5, 32: 6}

RT_ICON, RT_DIALOG, RT_GROUP_ICON, RT_MANIFEST = 3, 5, 14, 24

WS_POPUP, WS_CHILD, WS_VISIBLE = 0x80000000, 0x40000000, 0x10000000
WS_CAPTION, WS_BORDER, WS_SYSMENU = 0x00C00000, 0x00800000, 0x00080000
WS_GROUP, WS_TABSTOP = 0x00020000, 0x00010000
DS_MODALFRAME, DS_SETFONT = 0x80, 0x40
BS_PUSHBUTTON, BS_DEFPUSHBUTTON, BS_AUTOCHECKBOX = 0, 1, 3
BS_GROUPBOX, BS_AUTORADIOBUTTON = 7, 9
SS_LEFT, SS_CENTER, SS_ICON, SS_SUNKEN = 0, 1, 3, 0x1000
ES_LEFT, ES_AUTOHSCROLL = 0, 0x80
BUTTON, EDIT, STATIC = 0x80, 0x81, 0x82
NONE = 0xFFFF  # id -1
CHILD = WS_CHILD | WS_VISIBLE

MESSAGE_TEXT = ("The following message will be embedded into all GIFs created by this program. "
                "It is recommended that you choose a reasonably short message.")

# (id, class, text or icon number, style, x, y, cx, cy), in template order: the twelve controls
# of the first template with their texts, ids, styles and order, laid out again so that every
# text shows whole, then the Size group and the start/stop key.
DIALOG_CONTROLS = [
    (1, BUTTON, "&OK", CHILD | BS_DEFPUSHBUTTON | WS_TABSTOP, 196, 152, 46, 15),
    (NONE, STATIC, 103, CHILD | SS_ICON, 5, 5, 20, 20),
    (NONE, STATIC, "Pixmote v2.0", CHILD | SS_CENTER | SS_SUNKEN, 35, 5, 259, 20),
    (NONE, BUTTON, "Timer", CHILD | BS_GROUPBOX, 6, 30, 48, 73),
    (40006, BUTTON, "&110 ms", CHILD | BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 12, 42, 40, 10),
    (40007, BUTTON, "&220 ms", CHILD | BS_AUTORADIOBUTTON | WS_TABSTOP, 12, 57, 40, 10),
    (40008, BUTTON, "&330 ms", CHILD | BS_AUTORADIOBUTTON | WS_TABSTOP, 12, 72, 40, 10),
    (NONE, BUTTON, "&Embedded Message", CHILD | BS_GROUPBOX, 106, 30, 188, 73),
    (NONE, STATIC, MESSAGE_TEXT, CHILD | SS_LEFT | WS_GROUP, 112, 42, 176, 40),
    (1004, EDIT, "", CHILD | ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 112, 85, 176, 12),
    (1005, BUTTON, "Do &still motion screenshots instead", CHILD | BS_AUTOCHECKBOX | WS_TABSTOP,
     6, 155, 150, 10),
    (2, BUTTON, "E&xit", CHILD | BS_PUSHBUTTON | WS_TABSTOP, 248, 152, 46, 15),
    (1006, BUTTON, "Si&ze", CHILD | BS_GROUPBOX, 59, 30, 42, 73),
    (1007, BUTTON, "x1", CHILD | BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 65, 42, 30, 10),
    (1008, BUTTON, "x2", CHILD | BS_AUTORADIOBUTTON | WS_TABSTOP, 65, 57, 30, 10),
    (1009, BUTTON, "x3", CHILD | BS_AUTORADIOBUTTON | WS_TABSTOP, 65, 72, 30, 10),
    (1010, BUTTON, "x4", CHILD | BS_AUTORADIOBUTTON | WS_TABSTOP, 65, 87, 30, 10),
    (1011, STATIC, "Start/stop &key:", CHILD | SS_LEFT | WS_GROUP, 6, 112, 70, 10),
    # windres writes a class name in capitals; Windows compares class names without case.
    (1012, "MSCTLS_HOTKEY32", "", CHILD | WS_BORDER | WS_TABSTOP, 80, 110, 100, 13),
    (1013, STATIC, "", CHILD | SS_LEFT | WS_GROUP, 6, 126, 288, 24),
]


# --- readers -------------------------------------------------------------------------------

def read_id(data, pos):
    """A resource name or class: an ordinal (0xFFFF, n) or a NUL-terminated UTF-16 string."""
    if struct.unpack_from("<H", data, pos)[0] == 0xFFFF:
        return struct.unpack_from("<H", data, pos + 2)[0], pos + 4
    end = pos
    while struct.unpack_from("<H", data, end)[0] != 0:
        end += 2
    return data[pos:end].decode("utf-16-le"), end + 2


def read_res(data):
    """{(type, name): bytes} of a .res file."""
    resources = {}
    pos = 0
    while pos < len(data):
        size, header = struct.unpack_from("<II", data, pos)
        kind, p = read_id(data, pos + 8)
        name, _ = read_id(data, p)
        if size:
            resources[(kind, name)] = data[pos + header:pos + header + size]
        pos = (pos + header + size + 3) & ~3
    return resources


def read_exe_resources(data):
    """{(type, name): bytes} of a PE file's resource section, one language per name."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    assert data[pe:pe + 4] == b"PE\0\0", "not a PE file"
    sections, optional_size = struct.unpack_from("<2xH12xH", data, pe + 4)
    optional = pe + 24
    plus = struct.unpack_from("<H", data, optional)[0] == 0x20B
    rva = struct.unpack_from("<I", data, optional + (112 if plus else 96) + 2 * 8)[0]
    assert rva, "no resource directory"
    for i in range(sections):
        size, start, _, raw = struct.unpack_from("<IIII", data, optional + optional_size + 40 * i + 8)
        if start <= rva < start + size:
            break
    else:
        raise AssertionError("no section holds the resource directory")

    def at(address):  # file offset of a relative virtual address in that section
        return address - start + raw

    base = at(rva)

    def entries(offset):
        named, numbered = struct.unpack_from("<HH", data, base + offset + 12)
        for k in range(named + numbered):
            name, target = struct.unpack_from("<II", data, base + offset + 16 + 8 * k)
            if name & 0x80000000:
                text = base + (name & 0x7FFFFFFF)
                length = struct.unpack_from("<H", data, text)[0]
                name = data[text + 2:text + 2 + 2 * length].decode("utf-16-le")
            yield name, target & 0x7FFFFFFF

    resources = {}
    for kind, names in entries(0):
        for name, languages in entries(names):
            leaves = list(entries(languages))
            assert len(leaves) == 1, f"resource {kind}/{name} in {len(leaves)} languages"
            address, size = struct.unpack_from("<II", data, base + leaves[0][1])
            resources[(kind, name)] = data[at(address):at(address) + size]
    return resources


def read_manifest(blob):
    """The manifest's XML tree; the text must be UTF-8 XML."""
    return ET.fromstring(blob.decode("utf-8"))


def decode_image(blob):
    """(rows, palette, colour under transparent pixels): an icon image as hex/'.' rows."""
    (hsize, width, height, planes, bits, compression) = struct.unpack_from("<IiiHHI", blob, 0)
    assert (hsize, height, planes, bits, compression) == (40, 2 * width, 1, 4, 0), \
        "not a 4-bit uncompressed icon image"
    palette = [(r, g, b) for b, g, r, _ in struct.iter_unpack("<BBBB", blob[40:40 + 64])]
    xor_stride = (width * 4 + 31) // 32 * 4
    and_stride = (width + 31) // 32 * 4
    xor = blob[104:104 + xor_stride * width]
    mask = blob[104 + xor_stride * width:]
    assert len(mask) == and_stride * width, "AND mask of the wrong size"
    rows, under = [], set()
    for y in range(width):
        line = xor[(width - 1 - y) * xor_stride:]
        bits_row = mask[(width - 1 - y) * and_stride:]
        row = ""
        for x in range(width):
            index = line[x // 2] >> 4 if x % 2 == 0 else line[x // 2] & 15
            if bits_row[x // 8] & (0x80 >> (x % 8)):
                under.add(index)
                row += "."
            else:
                row += "%X" % index
        rows.append(row)
    return rows, palette, under


def read_ico(data):
    """{size: image bytes} of an .ico file, checking its directory."""
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    assert (reserved, kind) == (0, 1), "not an icon file"
    images = {}
    for i in range(count):
        w, h, colours, _, planes, bits, size, offset = struct.unpack_from("<BBBBHHII", data,
                                                                          6 + 16 * i)
        assert (w, colours, planes, bits) == (h, 16, 1, 4), "directory entry"
        images[w] = data[offset:offset + size]
    return images


def read_group(resources, group):
    """{size: image bytes} of an icon group in a .res."""
    data = resources[(RT_GROUP_ICON, group)]
    _, kind, count = struct.unpack_from("<HHH", data, 0)
    assert kind == 1
    images = {}
    for i in range(count):
        w, h, colours, _, planes, bits, size, number = struct.unpack_from("<BBBBHHIH", data,
                                                                          6 + 14 * i)
        assert (w, colours, planes, bits) == (h, 16, 1, 4), "group entry"
        images[w] = resources[(RT_ICON, number)]
        assert len(images[w]) == size
    return images


def read_dialog(data):
    style, ex, count, x, y, cx, cy = struct.unpack_from("<IIHhhhh", data, 0)
    menu, p = read_id(data, 18)
    cls, p = read_id(data, p)
    title, p = read_id(data, p)
    font = None
    if style & DS_SETFONT:
        points = struct.unpack_from("<H", data, p)[0]
        name, p = read_id(data, p + 2)
        font = (points, name)
    controls = []
    for _ in range(count):
        p = (p + 3) & ~3
        cstyle, cex, cx_, cy_, cw, ch, cid = struct.unpack_from("<IIhhhhH", data, p)
        kind, p = read_id(data, p + 18)
        text, p = read_id(data, p)
        extra = struct.unpack_from("<H", data, p)[0]
        p += 2 + extra
        controls.append(((cid, kind, text, cstyle, cx_, cy_, cw, ch), cex))
    return dict(style=style, ex=ex, pos=(x, y, cx, cy), menu=menu, cls=cls, title=title,
                font=font, controls=controls)


# --- pixel helpers -------------------------------------------------------------------------

def repaint(rows, columns, lamps):
    swap = dict(zip(LAMPS[101], lamps))
    return ["".join(swap.get(c, c) if x in columns else c for x, c in enumerate(r)) for r in rows]


def components(rows, colour, columns):
    """Bounding boxes (x0, y0, x1, y1) of the 4-connected areas of one colour."""
    seen, boxes = set(), []
    for y, row in enumerate(rows):
        for x in columns:
            if row[x] != colour or (x, y) in seen:
                continue
            stack, box = [(x, y)], [x, y, x, y]
            seen.add((x, y))
            while stack:
                px, py = stack.pop()
                box = [min(box[0], px), min(box[1], py), max(box[2], px), max(box[3], py)]
                for nx, ny in ((px + 1, py), (px - 1, py), (px, py + 1), (px, py - 1)):
                    if (nx in columns and 0 <= ny < len(rows) and (nx, ny) not in seen
                            and rows[ny][nx] == colour):
                        seen.add((nx, ny))
                        stack.append((nx, ny))
            boxes.append(tuple(box))
    return boxes


# --- tests ---------------------------------------------------------------------------------

class Built:
    icons = {}      # group -> {size: image bytes} from the .ico files
    resources = {}  # the compiled resource script


def setUpModule():
    work = tempfile.mkdtemp(prefix="pixmote-res-")
    try:
        art = [os.path.join(REPO, "res", "icons", f"halted-{size}.txt")
               for size in sorted(SIZES, reverse=True)]
        subprocess.run([sys.executable, os.path.join(REPO, "tools", "make_icons.py"),
                        "--lamps", os.path.join(REPO, "res", "icons", "lamps.txt"),
                        "--outdir", work] + art, check=True)
        for group in LAMPS:
            with open(os.path.join(work, f"pixmote-{group}.ico"), "rb") as f:
                Built.icons[group] = read_ico(f.read())
        if shutil.which(WINDRES):
            res = os.path.join(work, "pixmote.res")
            subprocess.run([WINDRES, "-I", work, "-O", "res",
                            os.path.join(REPO, "res", "pixmote.rc"), res], check=True)
            with open(res, "rb") as f:
                Built.resources = read_res(f.read())
    finally:
        shutil.rmtree(work)


class IconTest(unittest.TestCase):
    def image(self, group, size):
        rows, palette, under = decode_image(Built.icons[group][size])
        self.assertEqual(palette, VGA, f"group {group} {size}x{size}: palette")
        self.assertEqual(under, {0} if any("." in r for r in rows) else set(),
                         f"group {group} {size}x{size}: transparent pixels must hold black")
        return rows

    def test_each_group_holds_every_small_icon_size(self):
        for group in LAMPS:
            self.assertEqual(sorted(Built.icons[group]), SIZES, f"group {group}")

    def test_16_pixel_images_are_the_halted_picture_with_the_groups_lamps(self):
        for group, lamps in LAMPS.items():
            self.assertEqual(self.image(group, 16), repaint(HALTED_16, LIGHT[16], lamps),
                             f"group {group}")

    def test_groups_differ_only_in_lamp_colours(self):
        for size in SIZES:
            base = self.image(101, size)
            for group, lamps in LAMPS.items():
                self.assertEqual(self.image(group, size), repaint(base, LIGHT[size], lamps),
                                 f"group {group} {size}x{size}")

    def test_larger_traffic_lights_have_three_round_lamps(self):
        for size, side in LAMP_SIDE.items():
            light = LIGHT[size]
            for group, lamps in LAMPS.items():
                where = f"group {group} {size}x{size}"
                rows = self.image(group, size)
                tops = []
                for colour in lamps:
                    boxes = components(rows, colour, light)
                    self.assertEqual(len(boxes), 1, f"{where}: lamp {colour}")
                    x0, y0, x1, y1 = boxes[0]
                    self.assertEqual((x1 - x0 + 1, y1 - y0 + 1), (side, side), f"{where}: lamp")
                    self.assertNotEqual(rows[y0][x0], colour, f"{where}: square lamp corner")
                    tops.append(y0)
                self.assertEqual(tops, sorted(tops), f"{where}: lamp order")
                housing = {c for r in rows for x, c in enumerate(r) if x in light} - set(lamps)
                self.assertLessEqual(housing, {"0", "7", "."}, f"{where}: housing colours")

    def test_larger_calculators_have_a_display_above_their_keys(self):
        for size in LAMP_SIDE:
            rows = self.image(101, size)
            calculator = range(0, LIGHT[size].start)
            colours = {c for r in rows for x, c in enumerate(r) if x in calculator}
            self.assertEqual(colours, set("0278BE."), f"{size}x{size}")
            for colour in "BE2":
                self.assertEqual(len(components(rows, colour, calculator)), 1,
                                 f"{size}x{size}: key colour {colour}")
            display = max(components(rows, "7", calculator),
                          key=lambda b: (b[2] - b[0] + 1) * (b[3] - b[1] + 1))
            first_key_row = min(y for y, r in enumerate(rows) if "8" in r[:calculator.stop])
            self.assertLess(display[3], first_key_row, f"{size}x{size}")
            self.assertGreaterEqual(3 * (display[2] - display[0] + 1), 2 * len(calculator),
                                    f"{size}x{size}: display width")


# The manifest's namespaces and the Windows versions it names (Vista, 7, 8, 8.1, 10 and 11).
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"
SETTINGS_2005 = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
SETTINGS_2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"
SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
}


@unittest.skipUnless(shutil.which(WINDRES), "no windres")
class ResourceScriptTest(unittest.TestCase):
    def test_icon_groups_hold_the_drawn_images(self):
        for group in LAMPS:
            self.assertEqual(read_group(Built.resources, group), Built.icons[group])

    def test_dialog_template(self):
        dialog = read_dialog(Built.resources[(RT_DIALOG, "PIXMOTE")])
        self.assertEqual(dialog["style"],
                         WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT)
        self.assertEqual(dialog["ex"], 0)
        self.assertEqual(dialog["pos"], (0, 0, 300, 172))
        self.assertEqual((dialog["menu"], dialog["cls"]), ("", ""))
        self.assertEqual(dialog["title"], "Pixmote Configuration")
        self.assertEqual(dialog["font"], (8, "MS Sans Serif"))
        self.assertEqual([c for c, _ in dialog["controls"]], DIALOG_CONTROLS)
        self.assertEqual([ex for _, ex in dialog["controls"]], [0] * len(DIALOG_CONTROLS))

    def test_one_manifest_the_one_windows_reads_at_process_start(self):
        manifests = [key for key in Built.resources if key[0] == RT_MANIFEST]
        self.assertEqual(manifests, [(RT_MANIFEST, 1)])

    def test_manifest_asks_for_per_monitor_dpi_awareness_with_the_older_fallback(self):
        root = read_manifest(Built.resources[(RT_MANIFEST, 1)])
        settings = root.findall(f"{ASM_V3}application/{ASM_V3}windowsSettings")
        self.assertEqual(len(settings), 1)
        awareness = settings[0].findall(f"{SETTINGS_2016}dpiAwareness")
        self.assertEqual([[v.strip() for v in a.text.split(",")] for a in awareness],
                         [["PerMonitorV2", "PerMonitor"]])
        self.assertEqual([a.text.strip() for a in settings[0].findall(f"{SETTINGS_2005}dpiAware")],
                         ["true/pm"])

    def test_manifest_names_common_controls_6_the_supported_windows_and_no_elevation(self):
        root = read_manifest(Built.resources[(RT_MANIFEST, 1)])
        self.assertEqual((root.tag, root.get("manifestVersion")), (f"{ASM_V1}assembly", "1.0"))
        self.assertIsNotNone(root.find(f"{ASM_V1}assemblyIdentity"))
        dependencies = [a.attrib for a in root.iterfind(
            f"{ASM_V1}dependency/{ASM_V1}dependentAssembly/{ASM_V1}assemblyIdentity")]
        self.assertEqual(dependencies, [{
            "type": "win32", "name": "Microsoft.Windows.Common-Controls", "version": "6.0.0.0",
            "processorArchitecture": "*", "publicKeyToken": "6595b64144ccf1df", "language": "*"}])
        ids = {os_.get("Id") for os_ in root.iterfind(
            f"{COMPATIBILITY}compatibility/{COMPATIBILITY}application/{COMPATIBILITY}supportedOS")}
        self.assertEqual(ids, SUPPORTED_OS)
        levels = [r.attrib for r in root.iter(f"{ASM_V3}requestedExecutionLevel")]
        self.assertEqual(levels, [{"level": "asInvoker", "uiAccess": "false"}])

    @unittest.skipUnless(EXE, "PIXMOTE_EXE not set (the Windows build sets it)")
    def test_built_program_holds_exactly_these_resources(self):
        with open(EXE, "rb") as f:
            self.assertEqual(read_exe_resources(f.read()), Built.resources)


if __name__ == "__main__":
    unittest.main()
