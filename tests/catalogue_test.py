#!/usr/bin/env python3
"""The catalogue's build tools: tools/check_catalogue.py rejects every kind of entry that Pixmote
could not use as written, and tools/make_catalogue.py turns the group files into the installer's
NSIS commands and one merged registry file that both describe exactly the same tree.

Standard library only; run by CTest (test "catalogue") or directly.
"""

import contextlib
import io
import os
import re
import shutil
import sys
import tempfile
import unittest

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(REPO, "tools"))

import check_catalogue  # noqa: E402
import make_catalogue  # noqa: E402
import regfile  # noqa: E402

ROOT = r"HKEY_CURRENT_USER\Software\Pixmote"
WINDOW = {"ClassName": '"Calc"', "Caption": '"Calc Window"'}
BARE = dict(WINDOW, CX="dword:00000060", CY="dword:00000040")  # 96 x 64
FACE = dict(BARE, RCX="dword:000000a0", RCY="dword:00000118",  # 160 x 280, screen at 32, 40
            RX="dword:00000020", RY="dword:00000028")


def dword(n):
    return f"dword:{n:08x}"


def group_file(group, profiles, header="REGEDIT4"):
    """A group file: profiles is [(name, {value: data text})]."""
    lines = [header, "", f"[{ROOT}\\{group}]"]
    for name, values in profiles:
        lines += ["", f"[{ROOT}\\{group}\\{name}]"]
        lines += [f'"{k}"={v}' for k, v in values.items()]
    return "\r\n".join(lines) + "\r\n"


class TempDir(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="catalogue-test-")
        self.addCleanup(shutil.rmtree, self.dir)

    def write(self, name, text, encoding="ascii"):
        path = os.path.join(self.dir, name)
        with open(path, "wb") as f:
            if encoding == "utf-16":
                f.write(b"\xff\xfe" + text.encode("utf-16-le"))
            else:
                f.write(text.encode(encoding))
        return path

    def problems(self, *files):
        """The check's messages for the given {name: text} files."""
        paths = [self.write(name, text) for name, text in files]
        return [str(p) for p in check_catalogue.check_files(paths)[1]]

    def assertRejected(self, files, *patterns):
        """files: one (name, text) pair or a list of them."""
        found = self.problems(*([files] if isinstance(files[0], str) else files))
        self.assertTrue(found, "accepted")
        for pattern in patterns:
            self.assertTrue(any(re.search(pattern, p) for p in found),
                            f"no problem matches {pattern!r} in {found}")

    def assertAccepted(self, *files):
        self.assertEqual(self.problems(*files), [])


class ShippedCatalogue(TempDir):
    def test_the_shipped_catalogue_is_sound(self):
        groups, problems = check_catalogue.check_files(
            check_catalogue.catalogue_files([os.path.join(REPO, "res", "catalogue")]))
        self.assertEqual([str(p) for p in problems], [])

    def test_standin_group_holds_the_profiles_the_tests_rely_on(self):
        # The stand-in's profiles are test data, imported by the Wine checks; the installer
        # ships only real emulators' groups.
        self.assertFalse(os.path.exists(os.path.join(REPO, "res", "catalogue", "standin.reg")))
        path = os.path.join(REPO, "tests", "data", "standin.reg")
        self.assertEqual(check_catalogue.check_files([path])[1], [])
        keys = regfile.read(path)
        profiles = {k.path.split("\\")[-1]: {v.name: v.data for v in k.values}
                    for k in keys if k.path.count("\\") == 4}
        window = {"ClassName": "CalcStandIn", "Caption": "Calculator Stand-In"}
        self.assertEqual(profiles, {
            "Bare": dict(window, CX=96, CY=64),
            "Face": dict(window, CX=96, CY=64, RCX=160, RCY=280, RX=32, RY=40),
            "Color": dict(window, CX=320, CY=240),
        })
        self.assertTrue(all(k.path.lower().startswith(ROOT.lower() + "\\standin") or
                            k.path.lower() == ROOT.lower() for k in keys))


    def test_numworks_profile_takes_the_simulator_at_the_sizes_measured(self):
        groups, problems = check_catalogue.check_files(
            [os.path.join(REPO, "res", "catalogue", "numworks.reg")])
        self.assertEqual(problems, [])
        (profile,) = check_catalogue.search_order(groups)
        self.assertEqual((profile.text("ClassName"), profile.text("Caption")),
                         ("SDL_app", "Epsilon"))
        # Client areas measured under Wine (its first start, resized); at 229 x 444 (half
        # size) a dot would be half a pixel.
        for size in ((458, 888), (640, 940), (700, 1000), (400, 980), (1374, 888)):
            self.assertTrue(profile.matches(*size), size)
        self.assertFalse(profile.matches(229, 444))

    def test_wabbitemu_profiles_take_the_windows_its_source_describes(self):
        groups, problems = check_catalogue.check_files(
            [os.path.join(REPO, "res", "catalogue", "wabbitemu.reg")])
        self.assertEqual(problems, [])
        order = check_catalogue.search_order(groups)

        def first(caption, width, height):
            """CX x CY of the first profile that takes the LCD child of width x height."""
            for p in order:
                if (p.text("ClassName") == "z80" and p.text("ScreenClass") == "wabbitlcd"
                        and p.caption_match() == 1 and caption.upper().startswith(
                            p.text("Caption").upper()) and p.matches(width, height)):
                    return p.number("CX"), p.number("CY")
            return None

        for caption in ("Wabbitemu", "Wabbitemu (1)", "Wabbitemu (12)"):
            for s in range(2, 9):
                for screen in ((96, 64), (128, 64), (320, 240)):
                    # The one overlap no order avoids: 128 x 64 at 3 and 6 is 96 x 64 at 4 x 3
                    # and 8 x 6; the commoner 96 x 64 screens come first and keep theirs.
                    want = (96, 64) if screen == (128, 64) and s % 3 == 0 else screen
                    with self.subTest(caption=caption, s=s, screen=screen):
                        self.assertEqual(first(caption, screen[0] * s, screen[1] * s), want)
            # The default skin's LCD child; and sizes that are no whole scale of any screen.
            self.assertEqual(first(caption, 192, 128), (96, 64))
            self.assertIsNone(first(caption, 192, 148))  # a status bar is never in the child
            self.assertIsNone(first(caption, 288, 190))
        self.assertIsNone(first("Wabbit", 192, 128))
        self.assertTrue(all(not p.any_scale() for p in order))
        notes = [str(n) for n in check_catalogue.whole_scale_overlaps(groups)]
        self.assertEqual(len(notes), 2, notes)
        self.assertRegex(notes[0], r"TI-73 to TI-84 Plus comes first and takes 384 x 192, where "
                         r"profile Wabbitemu\\TI-85 and TI-86 describes its window at scale 3")
        self.assertRegex(notes[1], r"TI-84 Plus CSE comes first and takes 1920 x 960, where "
                         r"profile Wabbitemu\\TI-85 and TI-86 describes its window at scale 15")


class FilePlacement(TempDir):
    """What a group file may hold and where."""

    def test_sound_files_pass(self):
        self.assertAccepted(("a.reg", group_file("A", [("Bare", BARE), ("Face", FACE)])),
                            ("b.reg", group_file("B", [("Bare", dict(BARE, Caption='"Other"'))])))

    def test_broken_files(self):
        cases = [
            ("not a registry file", "just text\r\n", r"a\.reg:1: not a registry file"),
            ("malformed line", group_file("A", [("P", BARE)]) + "CX=5\r\n",
             r"a\.reg:\d+: neither a key nor a value"),
            ("dword of 9 digits", group_file("A", [("P", dict(BARE, CX="dword:000000060"))]),
             r"1 to 8 hex digits"),
            ("string without its quote", group_file("A", [("P", dict(BARE, Caption='"Calc'))]),
             r"without its closing quote"),
            ("value before any key", "REGEDIT4\r\n\r\n\"CX\"=dword:00000001\r\n",
             r"a\.reg:3: a value before the first key"),
            ("outside the program key",
             group_file("A", [("P", BARE)]).replace(ROOT + "\\A\\P",
                                                    r"HKEY_CURRENT_USER\Software\Other\P"),
             r"not below HKEY_CURRENT_USER\\Software\\Pixmote"),
            ("too deep", group_file("A", [("P", BARE), ("P\\Sub", BARE)]), r"too deep"),
            ("deletes a key", group_file("A", [("P", BARE)]) + f"\r\n[-{ROOT}\\A\\Old]\r\n",
             r"deletes \["),
            ("deletes a value", group_file("A", [("P", dict(BARE, RX="-"))]),
             r"deletes value 'RX'"),
            ("sets the stored message", f'REGEDIT4\r\n\r\n[{ROOT}]\r\n@="Hello"\r\n' +
             group_file("A", [("P", BARE)])[len("REGEDIT4\r\n"):], r"user's stored message"),
            ("value on the program key", f'REGEDIT4\r\n\r\n[{ROOT}]\r\n"X"=dword:1\r\n' +
             group_file("A", [("P", BARE)])[len("REGEDIT4\r\n"):], r"'X' on the program key"),
            ("value on a group", group_file("A", [("P", BARE)]).replace(
                f"[{ROOT}\\A]", f'[{ROOT}\\A]\r\n"CX"=dword:00000060'), r"on group A"),
            ("two groups in one file", group_file("A", [("P", BARE)]) +
             group_file("B", [("P", dict(BARE, Caption='"B"'))])[len("REGEDIT4\r\n"):],
             r"several groups \(A, B\)"),
            ("no group", f"REGEDIT4\r\n\r\n[{ROOT}]\r\n", r"a\.reg:1: describes no group"),
            ("non-ASCII REGEDIT4", group_file("A", [("P", dict(BARE, Caption='"Calc\u00e9"'))]),
             r"not ASCII"),
        ]
        for what, text, pattern in cases:
            with self.subTest(what):
                path = self.write("a.reg", text, "latin-1")
                found = [str(p) for p in check_catalogue.check_files([path])[1]]
                self.assertTrue(any(re.search(pattern, p) for p in found),
                                f"no problem matches {pattern!r} in {found}")

    def test_group_in_two_files(self):
        self.assertRejected([("a.reg", group_file("A", [("P", BARE)])),
                             ("b.reg", group_file("a", [("Q", dict(BARE, Caption='"Q"'))]))],
                            r"group a is also described in .*a\.reg")

    def test_empty_group(self):
        self.assertRejected(("a.reg", group_file("A", [])), r"group A has no profiles")
        # A profile written under a misspelt group leaves the real one empty.
        text = group_file("StandIn", [("P", BARE)]).replace(f"{ROOT}\\StandIn\\P",
                                                             f"{ROOT}\\Standln\\P")
        self.assertRejected(("a.reg", text), r"several groups", r"group StandIn has no profiles")

    def test_names_up_to_63_characters(self):
        self.assertAccepted(("a.reg", group_file("G" * 63, [("P" * 63, BARE)])))
        self.assertRejected(("a.reg", group_file("G" * 64, [("P", BARE)])),
                            r"group name 'GGG.*is 64 characters long")
        self.assertRejected(("a.reg", group_file("G", [("P" * 64, BARE)])),
                            r"profile name 'PPP.*is 64 characters long")


class ProfileValues(TempDir):
    """Each value a profile needs, with its type and range."""

    def rejected(self, values, *patterns, name="P"):
        self.assertRejected(("a.reg", group_file("G", [(name, values)])), *patterns)

    def accepted(self, values):
        self.assertAccepted(("a.reg", group_file("G", [("P", values)])))

    def without(self, values, name):
        return {k: v for k, v in values.items() if k != name}

    def test_needed_values(self):
        for name in ("ClassName", "Caption", "CX", "CY"):
            with self.subTest(name):
                self.rejected(self.without(BARE, name),
                              rf"a\.reg:\d+: profile G\\P: {name} is missing")
        for name in ("RCX", "RCY", "RX", "RY"):
            with self.subTest(name):
                self.rejected(self.without(FACE, name),
                              rf"a layout needs all of RCX, RCY, RX, RY: {name} missing")

    def test_types_are_exact(self):
        cases = [("ClassName", 'hex(2):43,00', "REG_EXPAND_SZ"),
                 ("Caption", 'hex(7):43,00,00', "REG_MULTI_SZ"),
                 ("CX", 'hex:60,00,00,00', "REG_BINARY"),
                 ("CY", '"64"', "REG_SZ"),
                 ("RX", 'hex(b):20,00,00,00,00,00,00,00', "REG_QWORD")]
        for name, data, kind in cases:
            with self.subTest(name):
                self.rejected(dict(FACE, **{name: data}),
                              rf"{name} is {kind}; it must be REG_(SZ|DWORD)")

    def test_strings(self):
        self.accepted(dict(BARE, Caption='"' + "c" * 63 + '"', ClassName='"' + "k" * 63 + '"'))
        self.accepted(dict(BARE, Caption='""'))  # an empty title is a title
        self.accepted(dict(BARE, Caption=r'"C:\\path \"quoted\""'))
        self.rejected(dict(BARE, Caption='"' + "c" * 64 + '"'), r"Caption is 64 characters long")
        self.rejected(dict(BARE, ClassName='"' + "k" * 64 + '"'), r"ClassName is 64 characters")
        self.rejected(dict(BARE, ClassName='""'), r"ClassName is empty")

    def test_number_ranges(self):
        for name, low in (("CX", 1), ("CY", 1), ("RCX", 1), ("RCY", 1), ("RX", 0), ("RY", 0)):
            with self.subTest(name):
                if low:
                    self.rejected(dict(FACE, **{name: dword(low - 1)}),
                                  rf"{name} is {low - 1}; it must lie within {low}\.\.32767")
                # 32768 reads as a negative number, 65536 + n as n: both out of range.
                for bad in (32768, 65536 + 96):
                    self.rejected(dict(FACE, **{name: dword(bad)}), rf"{name} is {bad};")
        self.accepted(dict(FACE, RX=dword(0), RY=dword(0)))
        self.accepted(dict(BARE, CX=dword(32767), CY=dword(1)))

    def test_other_values(self):
        self.rejected(dict(BARE, RXC=dword(1)), r"unknown value 'RXC'")
        # Value names are not case-sensitive, so a second 'cx' is the same value twice.
        self.rejected(dict(BARE, cx=dword(96)), r"gives CX twice")
        self.accepted({k.lower(): v for k, v in FACE.items()})

    def test_screen_inside_the_layout(self):
        self.accepted(dict(FACE, RX=dword(160 - 96), RY=dword(280 - 64)))
        self.rejected(dict(FACE, RX=dword(160 - 96 + 1)), r"does not fit inside the layout")
        self.rejected(dict(FACE, RY=dword(280 - 64 + 1)), r"does not fit inside the layout")


class Reachability(TempDir):
    """Profiles that detection could never pick."""

    def test_layout_taken_by_the_whole_client_test(self):
        taken = dict(FACE, RCX=dword(288), RCY=dword(640), RX=dword(96), RY=dword(64))
        self.assertRejected(("a.reg", group_file("G", [("P", taken)])),
                            r"profile G\\P: the layout can never be used: 288 x 640 is a multiple")
        # A multiple across only is fine: at 288 x 600 the whole-client test fails.
        self.assertAccepted(("a.reg", group_file("G", [("P", dict(taken, RCY=dword(600)))])))

    def test_earlier_profile_for_the_same_window(self):
        # 'Bare' (96 x 64) comes before 'Face' and takes 192 x 256 = its own multiple.
        face = dict(FACE, RCX=dword(192), RCY=dword(256), CX=dword(80), CY=dword(48),
                    RX=dword(16), RY=dword(16))
        self.assertRejected(("a.reg", group_file("G", [("Face", face), ("Bare", BARE)])),
                            r"profile G\\Face can never be matched: profile G\\Bare")
        # The same pair for different windows, or with the layout first in name order, is fine.
        other = dict(face, Caption='"Another Title"')
        self.assertAccepted(("a.reg", group_file("G", [("Face", other), ("Bare", BARE)])))
        self.assertAccepted(("a.reg", group_file("G", [("A", face), ("Bare", BARE)])))

    def test_order_is_by_name_and_ignores_case(self):
        # Groups are searched by name: "a" before "B", whatever the file names say.
        first = ("z.reg", group_file("a", [("P", BARE)]))
        second = ("y.reg", group_file("B", [("P", dict(BARE, ClassName='"CALC"',
                                                      Caption='"calc window"'))]))
        self.assertRejected([second, first],
                            r"profile B\\P can never be matched: profile a\\P")

    def test_duplicate_profile(self):
        self.assertRejected(("a.reg", group_file("G", [("One", BARE), ("Two", BARE)])),
                            r"G\\Two can never be matched")

    def test_layout_and_bare_that_do_not_collide(self):
        self.assertAccepted(("a.reg", group_file("G", [("Bare", BARE), ("Face", FACE),
                                                       ("Color", dict(BARE, CX=dword(320),
                                                                      CY=dword(240)))])))


class RealWindowValues(TempDir):
    """CaptionMatch, ScreenClass, AnyScale, DotWidth and DotHeight: types and ranges, on both
    sides of every bound."""

    def rejected(self, values, *patterns):
        self.assertRejected(("a.reg", group_file("G", [("P", values)])), *patterns)

    def accepted(self, values):
        self.assertAccepted(("a.reg", group_file("G", [("P", values)])))

    def test_caption_match(self):
        for mode in (0, 1, 2):
            self.accepted(dict(BARE, CaptionMatch=dword(mode)))
        for bad in (3, 32768, 65536 + 1):
            with self.subTest(bad):
                self.rejected(dict(BARE, CaptionMatch=dword(bad)),
                              rf"CaptionMatch is {bad}; it must lie within 0\.\.2")
        self.rejected(dict(BARE, CaptionMatch='"1"'), r"CaptionMatch is REG_SZ")
        # Only "any caption" may go without one.
        no_caption = {k: v for k, v in BARE.items() if k != "Caption"}
        self.accepted(dict(no_caption, CaptionMatch=dword(2)))
        for mode in (0, 1):
            self.rejected(dict(no_caption, CaptionMatch=dword(mode)), r"Caption is missing")
        self.rejected(dict(no_caption, CaptionMatch="hex:02,00,00,00"), r"Caption is missing",
                      r"CaptionMatch is REG_BINARY")

    def test_screen_class(self):
        self.accepted(dict(BARE, ScreenClass='"' + "s" * 63 + '"'))
        self.rejected(dict(BARE, ScreenClass='"' + "s" * 64 + '"'), r"ScreenClass is 64 char")
        self.rejected(dict(BARE, ScreenClass='""'), r"ScreenClass is empty")
        self.rejected(dict(BARE, ScreenClass="hex(2):6c,00"), r"ScreenClass is REG_EXPAND_SZ")

    def test_any_scale_and_dots(self):
        free = dict(BARE, CX=dword(262), CY=dword(48), AnyScale=dword(1))
        self.accepted(dict(free, AnyScale=dword(0)))
        self.accepted(dict(free, DotWidth=dword(2), DotHeight=dword(3)))
        self.accepted(dict(free, DotWidth=dword(262), DotHeight=dword(1)))
        self.rejected(dict(free, AnyScale=dword(3)), r"AnyScale is 3; it must lie within 0\.\.2")
        self.rejected(dict(free, AnyScale='"1"'), r"AnyScale is REG_SZ")
        self.rejected(dict(free, DotWidth=dword(0)), r"DotWidth is 0; it must lie within 1\.\.")
        self.rejected(dict(free, DotHeight=dword(32768)), r"DotHeight is 32768")
        self.rejected(dict(free, DotHeight="hex:03,00,00,00"), r"DotHeight is REG_BINARY")
        self.rejected(dict(free, DotWidth=dword(4)), r"DotWidth 4 does not divide CX 262")
        self.rejected(dict(free, DotHeight=dword(5)), r"DotHeight 5 does not divide CY 48")
        self.rejected(dict(free, AnyScale=dword(0), DotWidth=dword(2)),
                      r"DotWidth is read only with AnyScale 1 or 2")
        self.rejected(dict(BARE, DotHeight=dword(2)), r"DotHeight is read only with AnyScale 1")

    def test_fitted_picture(self):
        # The NumWorks simulator's shape: 458 x 888 with the picture 388 x 888 in it.
        fitted = dict(BARE, CX=dword(320), CY=dword(240), RCX=dword(458), RCY=dword(888),
                      RX=dword(69), RY=dword(67), AnyScale=dword(2), FitWidth=dword(388),
                      FitHeight=dword(888))
        self.accepted(fitted)
        self.accepted(dict(fitted, FitWidth=dword(458), FitHeight=dword(1)))
        self.accepted(dict(fitted, DotWidth=dword(2), DotHeight=dword(2)))
        self.rejected(dict(fitted, FitWidth=dword(459)), r"FitWidth is 459.*larger|larger than")
        self.rejected(dict(fitted, FitHeight=dword(0)), r"FitHeight is 0; it must lie within 1")
        self.rejected(dict(fitted, FitHeight='"888"'), r"FitHeight is REG_SZ")
        without = {k: v for k, v in fitted.items() if k != "FitHeight"}
        self.rejected(without, r"AnyScale 2 needs a layout .* and both FitWidth and FitHeight")
        bare = {k: v for k, v in fitted.items() if k not in ("RCX", "RCY", "RX", "RY")}
        self.rejected(bare, r"AnyScale 2 needs a layout")
        for any_scale in (0, 1):
            with self.subTest(any_scale):
                self.rejected(dict(fitted, AnyScale=dword(any_scale)),
                              r"FitWidth is read only with AnyScale 2")
        # A layout that is a multiple of the screen: no whole-client test is made for it.
        self.accepted(dict(fitted, RCX=dword(640), RCY=dword(960), FitWidth=dword(400),
                           FitHeight=dword(960)))

    def test_colors(self):
        for value in (0, 1):
            self.accepted(dict(BARE, Colors=dword(value)))
        for bad in (2, 32768, 65536 + 1):
            with self.subTest(bad):
                self.rejected(dict(BARE, Colors=dword(bad)),
                              rf"Colors is {bad}; it must lie within 0\.\.1")
        self.rejected(dict(BARE, Colors='"1"'), r"Colors is REG_SZ")
        self.rejected(dict(BARE, Colors="hex:01,00,00,00"), r"Colors is REG_BINARY")

    def test_any_scale_layout_whose_size_is_a_multiple_of_the_screen(self):
        # At whole scales the whole-client test takes it, but at other sizes the layout is used.
        taken = dict(FACE, RCX=dword(288), RCY=dword(640), RX=dword(96), RY=dword(64))
        self.accepted(dict(taken, AnyScale=dword(1)))

    def test_written_by_the_installer(self):
        values = dict(BARE, CaptionMatch=dword(1), ScreenClass='"lcd"', AnyScale=dword(1),
                      DotWidth=dword(2), DotHeight=dword(2), Colors=dword(1))
        source = self.write("a.reg", group_file("A", [("P", values)]))
        out_reg, out_nsh = (os.path.join(self.dir, n) for n in ("out.reg", "out.nsh"))
        with contextlib.redirect_stdout(io.StringIO()):
            self.assertEqual(make_catalogue.main(["--reg", out_reg, "--nsh", out_nsh, source]), 0)
        want = reg_tree([source])
        self.assertEqual(len(want[r"software\pixmote\a\p"]), 10)
        self.assertEqual(reg_tree([out_reg]), want)
        with open(out_nsh, encoding="utf-8") as f:
            self.assertEqual(run_nsh(f.read()), want)


class CaptionAndAspectShadowing(TempDir):
    """Profiles that a caption prefix, any caption or an AnyScale aspect takes first."""

    def check(self, earlier, later):
        """The problems of a group where `earlier` is searched before `later`."""
        return self.problems(("a.reg", group_file("G", [("A", earlier), ("B", later)])))

    def test_caption_prefix_takes_the_exact_caption(self):
        prefix = dict(BARE, Caption='"CALC"', CaptionMatch=dword(1))
        self.assertRegex(" ".join(self.check(prefix, BARE)),
                         r"G\\B can never be matched: profile G\\A")
        # The other way round, or a longer prefix first, both stay reachable.
        self.assertEqual(self.check(BARE, prefix), [])
        longer = dict(BARE, Caption='"Calc Win"', CaptionMatch=dword(1))
        self.assertEqual(self.check(longer, prefix), [])
        self.assertTrue(self.check(prefix, longer))
        # A prefix that is not one, and a later profile for any caption, are not taken.
        self.assertEqual(self.check(dict(prefix, Caption='"Calx"'), BARE), [])
        self.assertEqual(self.check(prefix, dict(BARE, CaptionMatch=dword(2))), [])

    def test_any_caption_takes_everything_of_its_class(self):
        anything = {k: v for k, v in BARE.items() if k != "Caption"}
        anything["CaptionMatch"] = dword(2)
        for later in (BARE, dict(BARE, CaptionMatch=dword(1)), anything):
            self.assertTrue(self.check(anything, later))
        self.assertEqual(self.check(anything, dict(BARE, ClassName='"Other"')), [])

    def test_screen_class_measures_another_window(self):
        lcd = dict(BARE, ScreenClass='"lcd"')
        self.assertEqual(self.check(lcd, BARE), [])
        self.assertEqual(self.check(BARE, lcd), [])
        self.assertTrue(self.check(lcd, dict(lcd, ScreenClass='"LCD"')))

    def test_aspect_within_two_pixels(self):
        free = dict(BARE, AnyScale=dword(1))  # 96 x 64: a height of 2/3 of the width
        # 99 x 64: the width implies 66 rows, 2 off; 100 x 64: 66.67 rows, 2.67 off.
        self.assertRegex(" ".join(self.check(free, dict(BARE, CX=dword(99)))),
                         r"G\\B is shadowed by AnyScale: profile G\\A .* at 99 x 64")
        self.assertEqual(self.check(free, dict(BARE, CX=dword(100))), [])
        self.assertRegex(" ".join(self.check(free, dict(BARE, CY=dword(66)))),
                         r"shadowed by AnyScale.* at 96 x 66")
        self.assertEqual(self.check(free, dict(BARE, CY=dword(67))), [])
        # 96 x 62 has the aspect within 2 px too, but its dots would be less than a pixel tall.
        self.assertEqual(self.check(free, dict(BARE, CY=dword(62))), [])
        # A layout of another aspect is not taken; without AnyScale no aspect is taken.
        self.assertEqual(self.check(free, FACE), [])
        self.assertEqual(self.check(BARE, dict(BARE, CX=dword(97))), [])

    def test_same_aspect(self):
        free = dict(BARE, AnyScale=dword(1))
        half = dict(BARE, CX=dword(48), CY=dword(32))
        # Half the size: each dot would be half a pixel, so 48 x 32 itself is not taken, but
        # 96 x 64, its scale 2, is.
        self.assertRegex(" ".join(self.check(free, half)), r"shadowed by AnyScale.* at 96 x 64")
        dots = dict(free, DotWidth=dword(2), DotHeight=dword(2))
        self.assertRegex(" ".join(self.check(dots, half)), r"can never be matched")
        self.assertRegex(" ".join(self.check(free, dict(half, AnyScale=dword(1),
                                                        CX=dword(192), CY=dword(128)))),
                         r"can never be matched")
        # A whole-scale profile first leaves an AnyScale one its sizes between the multiples.
        self.assertEqual(self.check(BARE, free), [])

    def test_fitted_picture_takes_its_window_at_nearly_every_size(self):
        fitted = dict(FACE, AnyScale=dword(2), FitWidth=dword(160), FitHeight=dword(280))
        # Any later profile of the window that it takes at its own first size is lost.
        self.assertRegex(" ".join(self.check(fitted, dict(BARE, CX=dword(320), CY=dword(560)))),
                         r"G\\B can never be matched at its first size: profile G\\A")
        # 96 x 64 would give dots of a fifth of a pixel: not taken.
        self.assertEqual(self.check(fitted, BARE), [])
        self.assertRegex(" ".join(self.check(fitted, dict(FACE, RCX=dword(200)))),
                         r"never be matched at its first size")
        # Neither the whole-client nor the layout test is made for it, and a whole-scale
        # profile first leaves it every other size.
        self.assertEqual(self.check(BARE, fitted), [])
        self.assertEqual(self.check(FACE, fitted), [])


class RegFiles(TempDir):
    def test_unicode_file_with_continued_hex(self):
        text = ("Windows Registry Editor Version 5.00\r\n\r\n"
                f"[{ROOT}\\Gr\u00fcn]\r\n\r\n[{ROOT}\\Gr\u00fcn\\P]\r\n"
                '"ClassName"="Rechner"\r\n"Caption"="Gr\u00fcner Rechner"\r\n'
                '"CX"=dword:00000060\r\n"CY"=dword:00000040\r\n'
                '"X"=hex:01,02,\\\r\n  03\r\n')
        keys = regfile.read(self.write("u.reg", text, "utf-16"))
        values = {v.name: (v.type, v.data) for v in keys[1].values}
        self.assertEqual(values["Caption"], (regfile.REG_SZ, "Gr\u00fcner Rechner"))
        self.assertEqual(values["X"], (regfile.REG_BINARY, b"\x01\x02\x03"))

    def test_written_files_read_back(self):
        keys = [regfile.Key(ROOT, 0), regfile.Key(ROOT + "\\G\\P", 0, values=[
            regfile.Value("Caption", regfile.REG_SZ, 'a "quoted" C:\\path', 0),
            regfile.Value("CX", regfile.REG_DWORD, 0x12345678, 0),
            regfile.Value("B", regfile.REG_BINARY, b"\x00\xff", 0),
            regfile.Value(None, regfile.REG_SZ, "", 0)])]
        for caption in ('a "quoted" C:\\path', "gr\u00fcn"):
            keys[1].values[0].data = caption
            with self.subTest(caption):
                path = os.path.join(self.dir, "w.reg")
                regfile.write_reg(path, keys, comments=["a comment"])
                back = regfile.read(path)
                self.assertEqual([(k.path, [(v.name, v.type, v.data) for v in k.values])
                                  for k in back],
                                 [(k.path, [(v.name, v.type, v.data) for v in k.values])
                                  for k in keys])


def run_nsh(text):
    """Applies the registry commands of a generated include to an empty HKCU: {key: {name:
    (type, data)}}, key paths and names in lower case."""
    tree = {}
    string = r'"((?:[^"$]|\$\$|\$\\")*)"'
    unquote = lambda s: s.replace('$\\"', '"').replace("$$", "$")  # noqa: E731
    for line in text.lstrip("\ufeff").splitlines():
        line = line.strip()
        if m := re.fullmatch(rf"DeleteRegKey HKCU {string}", line):
            key = unquote(m.group(1)).lower()
            for k in [k for k in tree if k == key or k.startswith(key + "\\")]:
                del tree[k]
        elif m := re.fullmatch(rf"WriteRegStr HKCU {string} {string} {string}", line):
            tree.setdefault(unquote(m.group(1)).lower(), {})[unquote(m.group(2)).lower()] = (
                regfile.REG_SZ, unquote(m.group(3)))
        elif m := re.fullmatch(rf"WriteRegDWORD HKCU {string} {string} (\d+)", line):
            tree.setdefault(unquote(m.group(1)).lower(), {})[unquote(m.group(2)).lower()] = (
                regfile.REG_DWORD, int(m.group(3)))
        elif line and not line.startswith((";", "!", "ClearErrors")):
            raise AssertionError(f"unexpected line in the include: {line}")
    return tree


def reg_tree(paths):
    """The profiles of registry files as run_nsh gives them (keys below HKCU, no 'HKCU\\')."""
    tree = {}
    for path in paths:
        for key in regfile.read(path):
            if key.values:
                sub = key.path.split("\\", 1)[1].lower()
                tree.setdefault(sub, {}).update(
                    {v.name.lower(): (v.type, v.data) for v in key.values})
    return tree


class MakeCatalogue(TempDir):
    def make(self, *sources):
        out_reg = os.path.join(self.dir, "out.reg")
        out_nsh = os.path.join(self.dir, "out.nsh")
        err = io.StringIO()
        with contextlib.redirect_stdout(io.StringIO()), contextlib.redirect_stderr(err):
            rc = make_catalogue.main(["--reg", out_reg, "--nsh", out_nsh, *sources])
        return rc, out_reg, out_nsh, err.getvalue()

    def test_outputs_describe_the_group_files(self):
        tricky = dict(BARE, Caption='"Cost $5 \\"deluxe\\" ${NAME} \\\\ end"', CX=dword(1),
                      CY=dword(32767))
        sources = [self.write("a.reg", group_file("A", [("Face", FACE), ("Bare", BARE)])),
                   self.write("b.reg", group_file("B", [("Tricky", tricky)])),
                   self.write("c.reg", group_file("C\u00e4",
                                                  [("P", dict(BARE, Caption='"\u00dc"'))],
                                                  header=regfile.HEADER_5), "utf-16")]
        rc, out_reg, out_nsh, err = self.make(*sources)
        self.assertEqual(rc, 0, err)
        want = reg_tree(sources)
        self.assertEqual(want[r"software\pixmote\b\tricky"]["caption"],
                         (regfile.REG_SZ, 'Cost $5 "deluxe" ${NAME} \\ end'))
        self.assertEqual(reg_tree([out_reg]), want)
        with open(out_nsh, encoding="utf-8") as f:
            self.assertEqual(run_nsh(f.read()), want)

    def test_include_replaces_shipped_profiles_and_keeps_the_rest(self):
        source = self.write("a.reg", group_file("A", [("Face", FACE)]))
        rc, _, out_nsh, err = self.make(source)
        self.assertEqual(rc, 0, err)
        with open(out_nsh, encoding="utf-8") as f:
            text = f.read()
        self.assertIn("!macro PixmoteWriteCatalogue", text)
        self.assertIn('!define PIXMOTE_CATALOGUE_GROUPS "A"', text)
        self.assertIn("!define PIXMOTE_CATALOGUE_PROFILES 1", text)
        # Every delete comes before the writes, so the error flag tells of the writes only.
        lines = [s.strip() for s in text.splitlines()]
        self.assertLess(max(i for i, s in enumerate(lines) if s.startswith("DeleteRegKey")),
                        lines.index("ClearErrors"))
        self.assertLess(lines.index("ClearErrors"),
                        min(i for i, s in enumerate(lines) if s.startswith("WriteReg")))
        # The profile's key is deleted before it is written: a stale value does not survive.
        self.assertIn('DeleteRegKey HKCU "Software\\Pixmote\\A\\Face"', text)
        self.assertNotIn('DeleteRegKey HKCU "Software\\Pixmote\\A"', text)

    def test_refuses_an_unsound_catalogue(self):
        source = self.write("a.reg", group_file("A", [("P", self_shadowed())]))
        rc, out_reg, out_nsh, err = self.make(source)
        self.assertEqual(rc, 1)
        self.assertIn("the layout can never be used", err)
        self.assertFalse(os.path.exists(out_reg) or os.path.exists(out_nsh))

    def test_check_command_line(self):
        good = self.write("good.reg", group_file("A", [("P", BARE)]))
        bad = self.write("bad.reg", group_file("B", [("Q", dict(BARE, CX=dword(0)))]))
        with contextlib.redirect_stdout(io.StringIO()) as out, \
                contextlib.redirect_stderr(io.StringIO()) as err:
            self.assertEqual(check_catalogue.main([good]), 0)
            self.assertEqual(check_catalogue.main([self.dir]), 1)
        self.assertIn("1 group(s), 1 profile(s)", out.getvalue())
        self.assertRegex(err.getvalue(), rf"{re.escape(bad)}:\d+: profile B\\Q: CX is 0")


def self_shadowed():
    return dict(FACE, RCX=dword(192), RCY=dword(128), RX=dword(0), RY=dword(0))


if __name__ == "__main__":
    unittest.main()
