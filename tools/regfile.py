"""Reads and writes registry files (.reg), as Registry Editor imports them.

Two formats are read: "REGEDIT4" files, which must be plain ASCII, and "Windows Registry Editor
Version 5.00" files in UTF-16 (with its byte-order mark) or UTF-8. Blank lines and lines that
start with ';' are skipped; a line ending in a backslash continues a hex value on the next line.

    parse(text, path)  -> list of Key, in file order; raises RegFileError on a malformed line
    read(path)         -> the same, from a file
    format_reg(keys)   -> REGEDIT4 text (CRLF lines) when all of it is ASCII, else the
                          Version 5.00 header; write_reg(path, keys) stores it (UTF-16 for 5.00)

Standard library only. Used by check_catalogue.py and make_catalogue.py.
"""

import re
from dataclasses import dataclass, field

REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ, REG_QWORD = 1, 2, 3, 4, 7, 11
TYPE_NAMES = {REG_SZ: "REG_SZ", REG_EXPAND_SZ: "REG_EXPAND_SZ", REG_BINARY: "REG_BINARY",
              REG_DWORD: "REG_DWORD", REG_MULTI_SZ: "REG_MULTI_SZ", REG_QWORD: "REG_QWORD"}

HEADER_4 = "REGEDIT4"
HEADER_5 = "Windows Registry Editor Version 5.00"


class RegFileError(Exception):
    def __init__(self, path, line, message):
        super().__init__(f"{path}:{line}: {message}")
        self.path, self.line, self.message = path, line, message


@dataclass
class Value:
    name: str | None  # None: the key's default value (@)
    type: int | None  # None: a deletion ("name"=-)
    data: object  # str for REG_SZ, int for REG_DWORD, bytes otherwise
    line: int


@dataclass
class Key:
    path: str
    line: int
    deleted: bool = False  # [-path]
    values: list = field(default_factory=list)


def type_name(kind):
    return TYPE_NAMES.get(kind, f"type {kind}")


def _decode(raw, path):
    if raw.startswith(b"\xff\xfe"):
        return raw[2:].decode("utf-16-le")
    if raw.startswith(b"\xef\xbb\xbf"):
        return raw[3:].decode("utf-8")
    try:
        return raw.decode("ascii")
    except UnicodeDecodeError as e:
        line = raw[:e.start].count(b"\n") + 1
        raise RegFileError(path, line, "text that is not ASCII: store the file as "
                           f"'{HEADER_5}' in UTF-16") from None


def _quoted(text, pos, path, line):
    """The string that starts with the quote at text[pos], and the position after it."""
    out = []
    i = pos + 1
    while i < len(text):
        c = text[i]
        if c == '"':
            return "".join(out), i + 1
        if c == "\\":
            if i + 1 < len(text) and text[i + 1] in '\\"':
                out.append(text[i + 1])
                i += 2
                continue
            raise RegFileError(path, line, "a backslash in a string must be written \\\\")
        out.append(c)
        i += 1
    raise RegFileError(path, line, "string without its closing quote")


_HEX = re.compile(r"hex(?:\(([0-9a-fA-F]{1,8})\))?:(.*)$")


def _data(text, path, line):
    """(type, data) of the part after '='."""
    if text == "-":
        return None, None
    if text.startswith('"'):
        s, end = _quoted(text, 0, path, line)
        if text[end:].strip():
            raise RegFileError(path, line, f"unexpected text after the string: {text[end:]!r}")
        return REG_SZ, s
    if text.lower().startswith("dword:"):
        digits = text[6:].strip()
        if not re.fullmatch(r"[0-9a-fA-F]{1,8}", digits):
            raise RegFileError(path, line, f"a dword needs 1 to 8 hex digits: {text!r}")
        return REG_DWORD, int(digits, 16)
    m = _HEX.match(text)
    if m:
        kind = int(m.group(1), 16) if m.group(1) else REG_BINARY
        body = m.group(2).replace(" ", "").rstrip(",")
        try:
            data = bytes(int(b, 16) for b in body.split(",")) if body else b""
        except ValueError:
            raise RegFileError(path, line, f"malformed hex data: {text!r}") from None
        return kind, data
    raise RegFileError(path, line, f"unknown value data: {text!r}")


def parse(text, path="<text>"):
    lines = text.splitlines()
    first = next((i for i, s in enumerate(lines) if s.strip()), None)
    if first is None or lines[first].strip() not in (HEADER_4, HEADER_5):
        raise RegFileError(path, (first or 0) + 1,
                           f"not a registry file: the first line must be {HEADER_4} or {HEADER_5}")
    keys = []
    i = first + 1
    while i < len(lines):
        number = i + 1
        line = lines[i].strip()
        i += 1
        # A hex value may go on over several lines, each but the last ending in a backslash.
        while line.endswith("\\") and "=hex" in line.replace(" ", "").lower() and i < len(lines):
            line = line[:-1] + lines[i].strip()
            i += 1
        if not line or line.startswith(";"):
            continue
        if line.startswith("["):
            if not line.endswith("]"):
                raise RegFileError(path, number, f"key line without its closing bracket: {line!r}")
            name = line[1:-1]
            deleted = name.startswith("-")
            keys.append(Key(name[1:] if deleted else name, number, deleted))
            continue
        if not keys:
            raise RegFileError(path, number, "a value before the first key")
        if line.startswith("@"):
            name, end = None, 1
        elif line.startswith('"'):
            name, end = _quoted(line, 0, path, number)
        else:
            raise RegFileError(path, number, f"neither a key nor a value: {line!r}")
        rest = line[end:].lstrip()
        if not rest.startswith("="):
            raise RegFileError(path, number, f"a value needs '=' after its name: {line!r}")
        kind, data = _data(rest[1:].strip(), path, number)
        keys[-1].values.append(Value(name, kind, data, number))
    return keys


def read(path):
    with open(path, "rb") as f:
        raw = f.read()
    return parse(_decode(raw, path), path)


def _escape(s):
    return s.replace("\\", "\\\\").replace('"', '\\"')


def _format_value(v):
    name = "@" if v.name is None else f'"{_escape(v.name)}"'
    if v.type is None:
        return f"{name}=-"
    if v.type == REG_SZ:
        return f'{name}="{_escape(v.data)}"'
    if v.type == REG_DWORD:
        return f"{name}=dword:{v.data:08x}"
    prefix = "hex" if v.type == REG_BINARY else f"hex({v.type:x})"
    return f"{name}={prefix}:" + ",".join(f"{b:02x}" for b in v.data)


def format_reg(keys, comments=()):
    """The text of a registry file holding keys; comments go after the header, each as ';'."""
    out = []
    for key in keys:
        out.append("")
        out.append(f"[{'-' if key.deleted else ''}{key.path}]")
        out.extend(_format_value(v) for v in key.values)
    body = [f"; {c}" if c else ";" for c in comments] + out
    header = HEADER_4 if all(s.isascii() for s in body) else HEADER_5
    return "\r\n".join([header] + body) + "\r\n"


def write_reg(path, keys, comments=()):
    text = format_reg(keys, comments)
    raw = text.encode("ascii") if text.startswith(HEADER_4) else b"\xff\xfe" + text.encode(
        "utf-16-le")
    with open(path, "wb") as f:
        f.write(raw)
