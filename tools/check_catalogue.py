#!/usr/bin/env python3
"""Checks the emulator catalogue that the installer ships, one .reg file per group.

    check_catalogue.py FILE_OR_DIR...    exit 0 when the catalogue is sound, 1 with one
                                         'file:line: problem' per line on stderr when not

A directory stands for the .reg files in it. The catalogue is sound when Pixmote can use every
profile in it exactly as written:

- the files are registry files that only add keys below HKEY_CURRENT_USER\\Software\\Pixmote:
  one group per file, each group in one file, profiles directly below their group, no values
  on the program key (its default value is the user's stored message) or on a group;
- no group is empty;
- every profile has ClassName and Caption (REG_SZ, at most 63 characters, ClassName not
  empty) and CX, CY (REG_DWORD); a layout has all of RCX, RCY, RX, RY (REG_DWORD); no other
  values; CX, CY, RCX, RCY within 1..32767, RX, RY within 0..32767; the screen lies inside the
  layout (RX + CX <= RCX, RY + CY <= RCY); names of groups and profiles at most 63 characters;
- the optional values for real emulator windows: CaptionMatch (REG_DWORD 0, 1 or 2; Caption
  may be missing only with 2), ScreenClass (REG_SZ, 1 to 63 characters), AnyScale (REG_DWORD 0
  to 2), DotWidth and DotHeight (REG_DWORD within 1..32767, dividing CX and CY, and only with
  AnyScale 1 or 2, the only places they are read), FitWidth and FitHeight (REG_DWORD, both and
  only with AnyScale 2, which needs a layout; within 1..RCX and 1..RCY), Colors (REG_DWORD 0 or
  1: 1 records the screen in its own colours, 0 or missing in 16 grays);
- no profile is unmatchable: a layout whose size at scale 1 is a multiple of the screen size
  would always be taken by the whole-client test, and a profile whose window at scale 1 is
  already taken by an earlier profile for the same window (in the order Pixmote searches:
  groups, then profiles, by name) is never reached. A window that fits a profile at scale 1
  fits it at every whole scale, so a profile reachable at no scale is exactly one that is
  unreachable at scale 1. An earlier profile takes the same window when its caption test
  accepts every caption the later one does (the same caption, a prefix of it with
  CaptionMatch 1, or any caption), and both measure the same window (the same ScreenClass);
- no AnyScale profile shadows a later one: when an earlier AnyScale profile takes, by aspect
  (within 2 px of rounding), a window size at which a later profile for the same window
  describes it (a whole scale of its own), the later one loses those windows. A fitted picture
  (AnyScale 2) takes its window at nearly every size, so a later profile for the same window
  that it takes at that profile's own first size is reported too.

Standard library only. make_catalogue.py runs the same check before it builds anything.
"""

import os
import sys
from dataclasses import dataclass, field

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import regfile  # noqa: E402
from regfile import REG_DWORD, REG_SZ, RegFileError  # noqa: E402

PROGRAM_KEY = ("HKEY_CURRENT_USER", "Software", "Pixmote")
TEXT_LIMIT = 63  # characters of a name or string; the program's buffers hold 64 with the NUL
STRINGS = ("ClassName", "Caption")
SIZES = ("CX", "CY")
LAYOUT = ("RCX", "RCY", "RX", "RY")
OPTIONAL_STRINGS = ("ScreenClass",)
OPTIONAL_NUMBERS = ("CaptionMatch", "AnyScale", "DotWidth", "DotHeight", "FitWidth", "FitHeight",
                    "Colors")
OPTIONAL = ("CaptionMatch", "ScreenClass", "AnyScale", "DotWidth", "DotHeight", "FitWidth",
            "FitHeight", "Colors")
RANGES = {"CX": 1, "CY": 1, "RCX": 1, "RCY": 1, "RX": 0, "RY": 0,
          "CaptionMatch": 0, "AnyScale": 0, "DotWidth": 1, "DotHeight": 1, "FitWidth": 1,
          "FitHeight": 1, "Colors": 0}  # lowest allowed
HIGHEST = 32767
TOPS = {"CaptionMatch": 2, "AnyScale": 2, "Colors": 1}  # highest allowed, where not HIGHEST
SLACK = 2  # pixels of rounding an AnyScale profile allows between the client and its aspect
# Values in the order the installer writes them.
ORDER = STRINGS + OPTIONAL_STRINGS + SIZES + LAYOUT + OPTIONAL_NUMBERS
KNOWN = {n.upper(): n for n in ORDER}


@dataclass
class Problem:
    path: str
    line: int
    message: str

    def __str__(self):
        return f"{self.path}:{self.line}: {self.message}"


@dataclass
class Profile:
    group: str
    name: str
    path: str
    line: int
    values: dict = field(default_factory=dict)  # canonical or given name -> regfile.Value
    sound: bool = True  # every value present, typed and in range

    def label(self):
        return f"{self.group}\\{self.name}"

    def number(self, name, default=0):
        return self.values[name].data if name in self.values else default

    def text(self, name):
        return self.values[name].data if name in self.values else ""

    def is_layout(self):
        return any(n in self.values for n in LAYOUT)

    def any_scale(self):
        return self.number("AnyScale") == 1

    def fitted(self):
        """AnyScale 2: the picture fitted into a client area of any size, centred."""
        return self.number("AnyScale") == 2

    def caption_match(self):
        return self.number("CaptionMatch")

    def takes_window_of(self, other):
        """Whether every window `other` looks for is also one this profile looks for, measured
        the same way. Class, caption and screen class compare without regard to case, as
        Windows compares them."""
        if (self.text("ClassName").upper() != other.text("ClassName").upper()
                or self.text("ScreenClass").upper() != other.text("ScreenClass").upper()):
            return False
        mine, theirs = self.text("Caption").upper(), other.text("Caption").upper()
        if self.caption_match() == 2:
            return True
        if self.caption_match() == 1:
            return other.caption_match() != 2 and theirs.startswith(mine)
        return other.caption_match() == 0 and theirs == mine

    def scale_one(self):
        """The client size at which the profile describes its window at scale 1."""
        if self.is_layout():
            return self.number("RCX"), self.number("RCY")
        return self.number("CX"), self.number("CY")

    def matches_whole(self, width, height):
        """Whether the whole-client or the layout test takes a client area of width x height
        (neither is made for a fitted picture)."""
        if self.fitted():
            return False
        if width % self.number("CX") == 0 and height % self.number("CY") == 0:
            return True
        return (self.is_layout() and width % self.number("RCX") == 0
                and height % self.number("RCY") == 0)

    def matches_aspect(self, width, height):
        """Whether the AnyScale test takes a client area of width x height: the height within
        SLACK pixels of what the width implies, or the width of what the height implies, and
        every dot at least one window pixel."""
        if not self.any_scale():
            return False
        rw, rh = self.scale_one()
        return (abs(width * rh - height * rw) <= SLACK * max(rw, rh)
                and width * self.number("DotWidth", 1) >= rw
                and height * self.number("DotHeight", 1) >= rh)

    def matches_fit(self, width, height):
        """Whether the fitted picture's test takes a client area of width x height: the factor
        s = min(width / FitWidth, height / FitHeight) leaves every dot at least one pixel, and
        the centred screen lies inside the client area."""
        if not self.fitted():
            return False
        n = self.number
        num, den = ((width, n("FitWidth")) if width * n("FitHeight") <= height * n("FitWidth")
                    else (height, n("FitHeight")))
        if num * n("DotWidth", 1) < den or num * n("DotHeight", 1) < den:
            return False
        for client, ref, at, size in ((width, n("RCX"), n("RX"), n("CX")),
                                      (height, n("RCY"), n("RY"), n("CY"))):
            # The screen's edges, client/2 + (edge - ref/2) * s, times 2 * den.
            if (client * den + (2 * at - ref) * num < 0
                    or client * den + (2 * (at + size) - ref) * num > 2 * client * den):
                return False
        return True

    def matches(self, width, height):
        """Whether detection takes this profile for a client area of width x height."""
        return (self.matches_whole(width, height) or self.matches_aspect(width, height)
                or self.matches_fit(width, height))


@dataclass
class Group:
    name: str
    path: str
    line: int
    profiles: dict = field(default_factory=dict)  # upper-case name -> Profile


def catalogue_files(arguments):
    files = []
    for a in arguments:
        if os.path.isdir(a):
            files.extend(os.path.join(a, n) for n in sorted(os.listdir(a))
                         if n.lower().endswith(".reg"))
        else:
            files.append(a)
    return files


def _name_problem(name, what):
    if not name:
        return f"{what} has an empty name"
    if len(name) > TEXT_LIMIT:
        return (f"{what} name {name[:20]!r}... is {len(name)} characters long; Pixmote reads "
                f"at most {TEXT_LIMIT}, and a longer one hides the entries after it")
    if any(ord(c) < 32 for c in name):
        return f"{what} name {name!r} holds a control character"
    return None


def _load_file(path, groups, problems):
    """Adds the groups and profiles of one file; returns the groups it describes."""
    try:
        keys = regfile.read(path)
    except RegFileError as e:
        problems.append(Problem(e.path, e.line, e.message))
        return {}
    except OSError as e:
        problems.append(Problem(path, 0, f"cannot read: {e.strerror}"))
        return {}
    mine = {}  # upper-case group name -> Group, in this file
    for key in keys:
        def problem(message, line=key.line):
            problems.append(Problem(path, line, message))

        if key.deleted:
            problem(f"deletes [{key.path}]: a catalogue file only adds keys")
            continue
        parts = key.path.split("\\")
        if [p.upper() for p in parts[:3]] != [p.upper() for p in PROGRAM_KEY]:
            problem(f"[{key.path}] is not below HKEY_CURRENT_USER\\Software\\Pixmote")
            continue
        below = parts[3:]
        if len(below) > 2:
            problem(f"[{key.path}] is too deep: Pixmote reads groups and the profiles "
                    "directly below them, nothing further down")
            continue
        bad = next((p for p in (_name_problem(n, w) for n, w in zip(below, ("group", "profile")))
                    if p), None)
        if bad:
            problem(bad)
            continue
        if not below:
            for v in key.values:
                if v.name is None:
                    problem("sets the default value of the program key, which is the user's "
                            "stored message: a catalogue file must leave it alone", v.line)
                else:
                    problem(f"value {v.name!r} on the program key: it holds no values of its "
                            "own", v.line)
            continue
        upper = below[0].upper()
        if upper in groups and upper not in mine:
            other = groups[upper]
            problem(f"group {below[0]} is also described in {other.path}: one file per group")
            continue
        group = mine.setdefault(upper, groups.setdefault(upper, Group(below[0], path, key.line)))
        if len(below) == 1:
            for v in key.values:
                problem(f"value {'@' if v.name is None else repr(v.name)} on group "
                        f"{group.name}: a group holds no values; put them in a profile",
                        v.line)
            continue
        profile = group.profiles.setdefault(
            below[1].upper(), Profile(group.name, below[1], path, key.line))
        for v in key.values:
            if v.name is None:
                problem(f"profile {profile.label()} sets a default value (@), which Pixmote "
                        "never reads", v.line)
                continue
            name = KNOWN.get(v.name.upper(), v.name)
            if v.type is None:
                problem(f"profile {profile.label()} deletes value {v.name!r}: a catalogue file "
                        "only adds", v.line)
            elif name in profile.values:
                problem(f"profile {profile.label()} gives {name} twice (lines "
                        f"{profile.values[name].line} and {v.line})", v.line)
            else:
                profile.values[name] = v
    if not mine and not any(p.path == path for p in problems):
        problems.append(Problem(path, 1, "describes no group"))
    elif len(mine) > 1:
        names = ", ".join(g.name for g in mine.values())
        problems.append(Problem(path, 1, f"describes several groups ({names}): one file "
                                "per group"))
    return mine


def _check_profile(p, problems):
    def problem(message, line=p.line):
        problems.append(Problem(p.path, line, f"profile {p.label()}: {message}"))
        p.sound = False

    for name, v in p.values.items():
        if name not in KNOWN.values():
            problem(f"unknown value {name!r}; Pixmote reads only "
                    f"{', '.join(KNOWN.values())}", v.line)
    layout = [n for n in LAYOUT if n in p.values]
    if layout and len(layout) < len(LAYOUT):
        missing = ", ".join(n for n in LAYOUT if n not in p.values)
        problem(f"a layout needs all of RCX, RCY, RX, RY: {missing} missing")
    wanted = STRINGS + SIZES + (LAYOUT if layout else ()) + OPTIONAL
    for name in wanted:
        v = p.values.get(name)
        kind = REG_SZ if name in STRINGS + OPTIONAL_STRINGS else REG_DWORD
        if v is None:
            if name in OPTIONAL:
                continue
            if name == "Caption" and _caption_optional(p):
                continue
            if name not in LAYOUT:  # a missing layout value is reported above
                problem(f"{name} is missing")
            p.sound = False
        elif v.type != kind:
            problem(f"{name} is {regfile.type_name(v.type)}; it must be "
                    f"{regfile.type_name(kind)}, or Pixmote takes it as missing", v.line)
        elif kind == REG_SZ:
            if len(v.data) > TEXT_LIMIT:
                problem(f"{name} is {len(v.data)} characters long; at most {TEXT_LIMIT} fit",
                        v.line)
            elif any(ord(c) < 32 for c in v.data):
                problem(f"{name} holds a control character", v.line)
            elif name in ("ClassName", "ScreenClass") and not v.data:
                problem(f"{name} is empty; every window has a class name", v.line)
        elif not RANGES[name] <= v.data <= TOPS.get(name, HIGHEST):
            problem(f"{name} is {v.data}; it must lie within {RANGES[name]}.."
                    f"{TOPS.get(name, HIGHEST)}", v.line)
    if not p.sound:
        return
    for name, size in (("DotWidth", "CX"), ("DotHeight", "CY")):
        if name not in p.values:
            continue
        if not p.any_scale() and not p.fitted():
            problem(f"{name} is read only with AnyScale 1 or 2; without it the value does "
                    "nothing", p.values[name].line)
        elif p.number(size) % p.number(name):
            problem(f"{name} {p.number(name)} does not divide {size} {p.number(size)}: the "
                    "screen must be a whole number of dots", p.values[name].line)
    fit = [name for name in ("FitWidth", "FitHeight") if name in p.values]
    if fit and not p.fitted():
        problem(f"{fit[0]} is read only with AnyScale 2; without it the value does nothing",
                p.values[fit[0]].line)
    elif p.fitted() and (len(fit) < 2 or not layout):
        problem("AnyScale 2 needs a layout (RCX, RCY, RX, RY) and both FitWidth and FitHeight; "
                "without them Pixmote takes the window at whole factors only")
    elif p.fitted() and (p.number("FitWidth") > p.number("RCX")
                         or p.number("FitHeight") > p.number("RCY")):
        problem(f"the fitted picture ({p.number('FitWidth')} x {p.number('FitHeight')}) is "
                f"larger than the client area it is measured in ({p.number('RCX')} x "
                f"{p.number('RCY')})")
    if not p.sound or not layout:
        return
    n = p.number
    if n("RX") + n("CX") > n("RCX") or n("RY") + n("CY") > n("RCY"):
        problem(f"the screen ({n('CX')} x {n('CY')} at {n('RX')}, {n('RY')}) does not fit "
                f"inside the layout ({n('RCX')} x {n('RCY')})")
    elif (n("RCX") % n("CX") == 0 and n("RCY") % n("CY") == 0 and not p.any_scale()
          and not p.fitted()):
        problem(f"the layout can never be used: {n('RCX')} x {n('RCY')} is a multiple of the "
                f"screen's {n('CX')} x {n('CY')}, so the whole-client test comes first and "
                "takes the whole window as the screen at every scale")


def _caption_optional(p):
    v = p.values.get("CaptionMatch")
    return v is not None and v.type == REG_DWORD and v.data == 2


def search_order(groups):
    """Every profile, in the order detection meets them (the registry lists subkeys sorted by
    their upper-case names)."""
    order = []
    for g in sorted(groups.values(), key=lambda g: g.name.upper()):
        order.extend(g.profiles[k] for k in sorted(g.profiles))
    return order


def _whole_sizes(p):
    """The client sizes at which p describes its window at a whole scale (the same scale
    across and down), smallest first, within the 16-bit range."""
    width, height = p.scale_one()
    k = 1
    while k * width <= HIGHEST and k * height <= HIGHEST:
        yield k * width, k * height
        k += 1


def _same_aspect(q, p):
    qw, qh = q.scale_one()
    pw, ph = p.scale_one()
    return qw * ph == qh * pw


def _shadow(q, p):
    """Why the earlier profile q keeps p from windows that p describes, or None."""
    width, height = p.scale_one()
    if q.fitted():
        if q.matches_fit(width, height):
            return (f"can never be matched at its first size: profile {q.label()} ({q.path}), "
                    f"a fitted picture (AnyScale 2) that comes first in the search, takes the "
                    f"same window at {width} x {height}")
        return None
    if q.matches_whole(width, height) or (q.any_scale() and _same_aspect(q, p)
                                          and q.matches_aspect(width, height)):
        # A whole-scale take at scale 1 repeats at every whole scale; an AnyScale profile of
        # the same aspect takes every size p could describe.
        if not (p.any_scale() or p.fitted()) or q.any_scale() and _same_aspect(q, p):
            return (f"can never be matched: profile {q.label()} ({q.path}), which comes first "
                    f"in the search, takes the same window at {width} x {height} and so at "
                    "every scale of it")
        return None  # p's sizes that are not whole multiples stay its own
    if not q.any_scale():
        return None
    for w, h in _whole_sizes(p):
        if q.matches_aspect(w, h):
            return (f"is shadowed by AnyScale: profile {q.label()} ({q.path}), which comes "
                    f"first in the search, takes the same window at {w} x {h} by its aspect "
                    f"(within {SLACK} px of rounding), where this profile describes it")
    return None


def _check_reachable(groups, problems):
    earlier = []
    for p in search_order(groups):
        if not p.sound:
            continue
        for q in earlier:
            if not q.takes_window_of(p):
                continue
            why = _shadow(q, p)
            if why:
                problems.append(Problem(p.path, p.line, f"profile {p.label()} {why}"))
                p.sound = False
                break
        earlier.append(p)


DISPLAY = (3840, 2160)  # the largest client area the notes below consider: a 4K display


def whole_scale_overlaps(groups):
    """Notes, not problems: sizes at which an earlier profile for the same window takes a later
    one's window at a whole scale of the later one, through different factors across and down
    (96 x 64 takes 384 x 192, 128 x 64 at scale 3, as 4 x 3). The whole-client test allows such
    factors, so no order of two such profiles avoids every overlap; the notes say which windows
    each order gives up. Only client areas that fit DISPLAY are considered."""
    notes = []
    earlier = []
    for p in search_order(groups):
        if not p.sound:
            continue
        for q in earlier:
            if not q.takes_window_of(p):
                continue
            for w, h in _whole_sizes(p):
                if w > DISPLAY[0] or h > DISPLAY[1]:
                    break
                if q.matches_whole(w, h):
                    notes.append(Problem(p.path, p.line, (
                        f"note: profile {q.label()} comes first and takes {w} x {h}, where "
                        f"profile {p.label()} describes its window at scale "
                        f"{w // p.scale_one()[0]}")))
                    break
        earlier.append(p)
    return notes


def check_files(paths):
    """(groups by upper-case name, list of Problem) for the given .reg files."""
    groups, problems = {}, []
    for path in paths:
        _load_file(path, groups, problems)
    for g in groups.values():
        if not g.profiles:
            problems.append(Problem(g.path, g.line, f"group {g.name} has no profiles"))
        for p in g.profiles.values():
            _check_profile(p, problems)
    _check_reachable(groups, problems)
    return groups, problems


def main(argv):
    if not argv or any(a.startswith("-") for a in argv):
        print("usage: check_catalogue.py FILE_OR_DIR...", file=sys.stderr)
        return 2
    files = catalogue_files(argv)
    if not files:
        print("check_catalogue: no .reg files given", file=sys.stderr)
        return 1
    groups, problems = check_files(files)
    for p in problems:
        print(p, file=sys.stderr)
    if problems:
        print(f"check_catalogue: {len(problems)} problem(s) in the catalogue", file=sys.stderr)
        return 1
    for note in whole_scale_overlaps(groups):
        print(note, file=sys.stderr)
    count = sum(len(g.profiles) for g in groups.values())
    print(f"check_catalogue: {len(groups)} group(s), {count} profile(s), all usable")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
