#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes src/model/codepagetables.cpp, the CP932 and Windows-1252 tables of src/model/codepage.

The mapping comes from Python's own codecs 'cp932' and 'cp1252' (CPython's tables of the two
Windows code pages). The editor reads and writes them as older map files and their systems do,
which differs from those codecs in a few places; each difference is made here, named below,
and the script stops if the reference no longer looks as these rules expect.

Run it again (from anywhere) after changing a rule; the output needs no clang-format (the data
is marked to be left alone). The tables' sizes are set in src/model/codepagetables.h, which
the script checks.

    python3 scripts/make-codepages.py

Rules on top of the reference:
- CP932 one-byte codes: ASCII 00-7F and the half-width katakana A1-DF (U+FF61-U+FF9F) are
  computed by the code, not stored. 80, A0 and FD-FF are no characters (the reference reads
  them as U+0080 and the private U+F8F0-U+F8F3; a map file never holds them as text).
- The user-defined area (lead bytes F0-F9) holds no character: it is no text of a map written
  elsewhere, and Windows-1252 texts of accented letters fall into it easily. So the private-use
  characters the reference writes there have no place either: a map that holds one is written
  in UTF-8, which reads back.
- A character with two or three codes (NEC's row 13 beside JIS row 2, IBM's extensions FA-FC
  beside NEC's selection of them in rows ED-EE) is written with its lowest code, except that
  rows ED-EE are never written: their characters go out as the FA-FC code. Reading keeps
  every code. The code applies this rule when it builds its writing table; this script checks
  it against the reference, which writes rows ED-EE instead of FA-FC.
- Characters written but never read back as themselves (kCp932AlsoWritten): the reference's
  own (U+00A2, U+00A3, U+00AC, U+2016, U+2212, U+301C) and JIS's readings of three codes:
  U+00A5 YEN SIGN as 5C, U+203E OVERLINE as 7E and U+2014 EM DASH as 815C. The reference's
  U+0080 and U+F8F0-U+F8F3 go, as their bytes are no characters.
- Windows-1252: 00-7F and A0-FF are their own code points (checked); the table holds 80-9F,
  where the five unassigned bytes 81, 8D, 8F, 90 and 9D stand for the C1 control of the same
  number, as Windows reads them, so that every byte sequence is a text.
"""

import os
import sys

LEADS = list(range(0x81, 0xA0)) + list(range(0xE0, 0xF0)) + list(range(0xFA, 0xFD))
TRAILS = list(range(0x40, 0x7F)) + list(range(0x80, 0xFD))
NOT_WRITTEN_ROWS = (0xED, 0xEE)
NOT_CHARACTERS = (0x80, 0xA0, 0xFD, 0xFE, 0xFF)
EXTRA_WRITTEN = {0x00A5: 0x5C, 0x203E: 0x7E, 0x2014: 0x815C}
DROPPED_WRITTEN = {0x0080, 0xF8F0, 0xF8F1, 0xF8F2, 0xF8F3}
CP1252_UNASSIGNED = (0x81, 0x8D, 0x8F, 0x90, 0x9D)


def fail(message):
    sys.exit("make-codepages: " + message)


def read(data, codec):
    try:
        text = data.decode(codec)
    except UnicodeDecodeError:
        return None
    return ord(text) if len(text) == 1 else None


def cp932_tables():
    for byte in range(0x100):
        c = read(bytes([byte]), "cp932")
        if byte < 0x80:
            expected = byte
        elif 0xA1 <= byte <= 0xDF:
            expected = 0xFF61 + byte - 0xA1
        elif byte in NOT_CHARACTERS:
            continue  # the reference's stand-ins, dropped
        else:
            expected = None  # a lead byte
        if c != expected:
            fail("CP932 byte %02X reads as %r, not %r" % (byte, c, expected))

    cells = []
    codes_of = {}
    for lead in LEADS:
        for trail in TRAILS:
            c = read(bytes([lead, trail]), "cp932") or 0
            if c > 0xFFFF:
                fail("CP932 %02X%02X is beyond the BMP" % (lead, trail))
            cells.append(c)
            if c:
                codes_of.setdefault(c, []).append((lead << 8) | trail)

    # The writing rule against the reference.
    def written(codes):
        usable = [code for code in codes if (code >> 8) not in NOT_WRITTEN_ROWS]
        return min(usable or codes)

    changed = 0
    for c, codes in codes_of.items():
        reference = int.from_bytes(chr(c).encode("cp932"), "big")
        if written(codes) != reference:
            if (reference >> 8) not in NOT_WRITTEN_ROWS:
                fail("U+%04X is written as %04X, not %04X" % (c, reference, written(codes)))
            changed += 1

    also = {}
    for c in range(0x110000):
        if 0xD800 <= c <= 0xDFFF or c in DROPPED_WRITTEN:
            continue
        try:
            data = chr(c).encode("cp932")
        except UnicodeEncodeError:
            continue
        if read(data, "cp932") != c:
            also[c] = int.from_bytes(data, "big")
    for c, code in EXTRA_WRITTEN.items():
        if c in also or c in codes_of:
            fail("U+%04X already has a code" % c)
        also[c] = code
    return cells, len(codes_of), changed, sorted(also.items())


def cp1252_table():
    table = []
    for byte in range(0x100):
        c = read(bytes([byte]), "cp1252")
        if byte in CP1252_UNASSIGNED:
            if c is not None:
                fail("Windows-1252 byte %02X is assigned" % byte)
            c = byte
        if c is None:
            fail("Windows-1252 byte %02X is unassigned" % byte)
        if (byte < 0x80 or byte >= 0xA0) and c != byte:
            fail("Windows-1252 byte %02X reads as U+%04X" % (byte, c))
        table.append(c)
    return table[0x80:0xA0]


def rows(values, per_line, indent="    "):
    lines = []
    for at in range(0, len(values), per_line):
        lines.append(indent + ", ".join(values[at:at + per_line]) + ",")
    return lines


def main():
    cells, characters, changed, also = cp932_tables()
    cp1252 = cp1252_table()
    out = [
        "// SPDX-License-Identifier: GPL-3.0-or-later",
        "// Generated by scripts/make-codepages.py from Python's codecs 'cp932' and 'cp1252' and",
        "// the rules written there; run it again instead of editing this file.",
        '#include "model/codepagetables.h"',
        "",
        "namespace kel::codepage {",
        "",
        "// clang-format off",
        "const std::uint16_t kCp932Double[kCp932Leads * kCp932Trails] = {",
    ]
    for row, lead in enumerate(LEADS):
        out.append("    // %02X" % lead)
        part = cells[row * len(TRAILS):(row + 1) * len(TRAILS)]
        out += rows(["0x%04X" % c for c in part], 12)
    out += [
        "};",
        "",
        "const Cp932AlsoWritten kCp932AlsoWritten[kCp932AlsoWrittenCount] = {",
    ]
    out += rows(["{0x%04X, 0x%04X}" % pair for pair in also], 4)
    out += [
        "};",
        "",
        "const std::uint16_t kCp1252High[32] = {",
    ]
    out += rows(["0x%04X" % c for c in cp1252], 8)
    out += [
        "};",
        "// clang-format on",
        "",
        "} // namespace kel::codepage",
        "",
    ]
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    target = os.path.join(root, "src", "model", "codepagetables.cpp")
    with open(target, "w", encoding="ascii") as file:
        file.write("\n".join(out))

    header = os.path.join(root, "src", "model", "codepagetables.h")
    with open(header, encoding="ascii") as file:
        text = file.read()
    wanted = "kCp932AlsoWrittenCount = %d;" % len(also)
    if wanted not in text:
        fail("set %s in %s" % (wanted, header))
    print("make-codepages: %d CP932 characters in %d codes, %d written in rows FA-FC instead of "
          "ED-EE, %d also written; wrote %s" % (characters, sum(1 for c in cells if c), changed,
                                                len(also), target))


if __name__ == "__main__":
    main()
