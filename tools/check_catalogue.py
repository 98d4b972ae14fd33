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
- no profile is unmatchable: a layout whose size at scale 1 is a multiple of the screen size
  would always be taken by the whole-client test, and a profile whose window at scale 1 is
  already taken by an earlier profile for the same window (in the order Pixmote searches:
  groups, then profiles, by name) is never reached. A window that fits a profile at scale 1
  fits it at every whole scale, so a profile reachable at no scale is exactly one that is
  unreachable at scale 1.

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
RANGES = {"CX": 1, "CY": 1, "RCX": 1, "RCY": 1, "RX": 0, "RY": 0}  # lowest allowed
HIGHEST = 32767
KNOWN = {n.upper(): n for n in STRINGS + SIZES + LAYOUT}


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

    def number(self, name):
        return self.values[name].data

    def is_layout(self):
        return any(n in self.values for n in LAYOUT)

    def window(self):
        # FindWindowA compares class and title without regard to case.
        return (self.values["ClassName"].data.upper(), self.values["Caption"].data.upper())

    def scale_one(self):
        """The client size at which the profile describes its window at scale 1."""
        if self.is_layout():
            return self.number("RCX"), self.number("RCY")
        return self.number("CX"), self.number("CY")

    def matches(self, width, height):
        """Whether detection takes this profile for a client area of width x height."""
        if width % self.number("CX") == 0 and height % self.number("CY") == 0:
            return True
        return (self.is_layout() and width % self.number("RCX") == 0
                and height % self.number("RCY") == 0)


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
    wanted = STRINGS + SIZES + (LAYOUT if layout else ())
    for name in wanted:
        v = p.values.get(name)
        kind = REG_SZ if name in STRINGS else REG_DWORD
        if v is None:
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
            elif name == "ClassName" and not v.data:
                problem("ClassName is empty; every window has a class name", v.line)
        elif not RANGES[name] <= v.data <= HIGHEST:
            problem(f"{name} is {v.data}; it must lie within {RANGES[name]}..{HIGHEST}", v.line)
    if not p.sound or not layout:
        return
    n = p.number
    if n("RX") + n("CX") > n("RCX") or n("RY") + n("CY") > n("RCY"):
        problem(f"the screen ({n('CX')} x {n('CY')} at {n('RX')}, {n('RY')}) does not fit "
                f"inside the layout ({n('RCX')} x {n('RCY')})")
    elif n("RCX") % n("CX") == 0 and n("RCY") % n("CY") == 0:
        problem(f"the layout can never be used: {n('RCX')} x {n('RCY')} is a multiple of the "
                f"screen's {n('CX')} x {n('CY')}, so the whole-client test comes first and "
                "takes the whole window as the screen at every scale")


def search_order(groups):
    """Every profile, in the order detection meets them (the registry lists subkeys sorted by
    their upper-case names)."""
    order = []
    for g in sorted(groups.values(), key=lambda g: g.name.upper()):
        order.extend(g.profiles[k] for k in sorted(g.profiles))
    return order


def _check_reachable(groups, problems):
    earlier = []
    for p in search_order(groups):
        if not p.sound:
            continue
        width, height = p.scale_one()
        for q in earlier:
            if q.window() == p.window() and q.matches(width, height):
                problems.append(Problem(
                    p.path, p.line,
                    f"profile {p.label()} can never be matched: profile {q.label()} "
                    f"({q.path}), which comes first in the search, takes the same window at "
                    f"{width} x {height} and so at every whole scale of it"))
                p.sound = False
                break
        earlier.append(p)


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
    count = sum(len(g.profiles) for g in groups.values())
    print(f"check_catalogue: {len(groups)} group(s), {count} profile(s), all usable")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
