#!/usr/bin/env python3
"""Turns the Japanese --help text into the table in driver/help_ja.cc.

Reads UTF-8 lines on standard input and prints one table entry per line:
the text as a comment, then the line as UTF-8 and as Shift_JIS, both as C
string literals where every byte beyond ASCII is a \\x escape (a Shift_JIS
second byte 0x5C never stands raw in the source). Only characters that
Shift_JIS and code page 932 encode alike are accepted, so the table reads
the same under either name.

    python3 tools/help_escapes.py < help_ja.txt
"""
import sys


def literal(text: str, encoding: str) -> str:
    """text as a C string literal in encoding; every byte of a character
    beyond ASCII is escaped, its second byte too."""
    out = []
    escaped = False
    for c in text:
        if ord(c) >= 0x80 or ord(c) < 0x20:
            out.append("".join("\\x%02x" % b for b in c.encode(encoding)))
            escaped = True
            continue
        if escaped and c in "0123456789abcdefABCDEF":
            out.append('" "')  # a hex digit would extend the escape before it
        escaped = False
        out.append("\\" + c if c in '"\\' else c)
    return '"' + "".join(out) + '"'


for line in sys.stdin.read().splitlines():
    if line.encode("cp932") != line.encode("shift_jis"):
        sys.exit("not the same in Shift_JIS and CP932: " + line)
    if line.endswith("\\"):
        sys.exit("a comment may not end in a backslash: " + line)
    print("    // " + line if line else "    //")
    print("    {%s,\n     %s}," % (literal(line, "utf-8"), literal(line, "shift_jis")))
