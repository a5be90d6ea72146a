#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target, taken from the test tables.

Usage: make_seeds.py OUTDIR   (writes OUTDIR/<target>/<hash> files)

Command-line transcripts ({"name", {args...}, "stdin", {{file, bytes}}...})
give the command-line, replacement, extraction and splitter seeds; the
string literals of the unit tests give the rest.
"""
import hashlib
import itertools
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
TESTS = ROOT / "tests"

LIT = r'"(?:[^"\\\n]|\\.)*"'
LITS = r'(?:%s\s*)+' % LIT  # adjacent literals concatenate
CASE = re.compile(r'\{\s*(%s)\s*,\s*\{((?:\s*%s\s*,?)*)\}\s*,\s*(%s)\s*,\s*\{((?:\s*\{[^{}]*\}\s*,?)*)\s*\}\s*,' %
                  (LIT, LITS, LITS), re.S)
FILE = re.compile(r'\{\s*(%s)\s*,\s*(%s)\s*\}' % (LITS, LITS), re.S)

ESC = {'n': 10, 't': 9, 'r': 13, '0': 0, '\\': 92, '"': 34, "'": 39, 'a': 7, 'b': 8,
       'f': 12, 'v': 11, '?': 63}


def c_string(text):
    """The bytes of one or more adjacent C string literals."""
    out = bytearray()
    for lit in re.findall(LIT, text):
        body = lit[1:-1]
        i = 0
        while i < len(body):
            c = body[i]
            if c != '\\':
                out += c.encode()
                i += 1
                continue
            e = body[i + 1]
            if e == 'x':
                m = re.match(r'[0-9A-Fa-f]+', body[i + 2:])
                out.append(int(m.group(0), 16) & 0xFF)
                i += 2 + len(m.group(0))
            elif e in '01234567' and re.match(r'[0-7]{1,3}', body[i + 1:]):
                m = re.match(r'[0-7]{1,3}', body[i + 1:])
                out.append(int(m.group(0), 8) & 0xFF)
                i += 1 + len(m.group(0))
            else:
                out.append(ESC.get(e, ord(e)))
                i += 2
    return bytes(out)


def literals(path):
    return [c_string(m) for m in re.findall(LITS, path.read_text(errors='replace'))]


def cli_cases():
    """(args, stdin, files) of every transcript case in tests/cli."""
    for path in sorted((TESTS / "cli").glob("*_cli_test.cc")):
        for m in CASE.finditer(path.read_text(errors='replace')):
            args = [c_string(a) for a in re.findall(LITS, m.group(2))]
            files = [(c_string(f.group(1)), c_string(f.group(2)))
                     for f in FILE.finditer(m.group(4))]
            yield args, c_string(m.group(3)), files


def options(args):
    """sep, brackets, specs, template and operand of one argument list."""
    sep, brackets, specs, templ, operand = b'\0', b'\0\0', [], b'', b''
    i = 0
    while i < len(args):
        a = args[i]
        if a in (b'-r', b'-e') and i + 1 < len(args):
            (specs.append(args[i + 1]) if a == b'-r' else None)
            templ = args[i + 1] if a == b'-e' else templ
            i += 2
            continue
        if a.startswith(b'-t') and len(a) > 2:
            sep = b'\t' if a[2:4] == b'\\t' else a[2:3]
        elif a == b'-b':
            brackets = b'""'
        elif a.startswith(b'-b') and len(a) == 4:
            brackets = a[2:4]
        operand = a
        i += 1
    return sep, brackets, specs, templ, operand


def cli_seed(args, stdin, files):
    """The command-line target's encoding of one case: files renamed r and f."""
    names = {name: b'' for name, _ in files}
    rule, inp = b'', b''
    out = []
    for i, a in enumerate(args):
        if a in names and i > 0 and args[i - 1] == b'-R':
            rule = dict(files)[a]
            a = b'r'
        elif a in names and i > 0 and args[i - 1] == b'-f':
            inp = dict(files)[a]
            a = b'f'
        out.append(a if a else b' ')
    sep = b'\0\xff\0'
    return b''.join(a.replace(b'\0', b'') + b'\0' for a in out) + b'\0' + rule + sep + inp + sep + stdin


def main():
    outdir = pathlib.Path(sys.argv[1])
    seeds = {t: set() for t in ("splitter", "replace", "extract", "convert", "strings", "cli")}
    for args, stdin, files in cli_cases():
        seeds["cli"].add(cli_seed(args, stdin, files))
        sep, brackets, specs, templ, operand = options(args)
        lines = [operand, stdin.split(b'\n')[0]] + [line for _, b in files for line in b.split(b'\n')[:3]]
        for spec in specs + [line for _, b in files for line in b.split(b'\n')[:3]]:
            seeds["splitter"].add(spec)
            for line in lines[:3]:
                seeds["replace"].add(sep + brackets + spec + b'\0' + line)
        if templ:
            for line in lines[:3]:
                seeds["extract"].add(sep + templ + b'\0' + line)
    # Names near PATH_MAX in the messages that carry them.
    sep = b'\0\xff\0'
    for opts in (b'--check\0-f', b'-r\0a:b\0-f', b'--in-place\0-r\0a:b\0-f', b'-R'):
        for name in (b'./' * 2000 + b'f', b'./' * 2000 + b'x', b'd/../' * 800 + b'r'):
            seeds["cli"].add(opts + b'\0' + name + b'\0\0' + b'a:b\n' + sep + b'a\x80\0b\n' + sep)
    for path in sorted((TESTS / "replace").glob("*_test.cc")):
        lits = literals(path)
        for a, b in zip(lits, lits[1:]):
            seeds["splitter"].add(a)
            seeds["replace"].add(b'\0\0\0' + a + b'\0' + b)
    for path in sorted((TESTS / "extract").glob("extractor_test.cc")):
        lits = literals(path)
        for a, b in zip(lits, lits[1:]):
            seeds["extract"].add(b'\0' + a + b'\0' + b)
    for path in sorted((TESTS / "extract").glob("*_test.cc")):
        lits = literals(path)
        for flag, (a, b, c) in itertools.product(b'\0\1', zip(lits, lits[1:], lits[2:])):
            seeds["convert"].add(bytes([flag]) + a + b'\0' + b + b'\0' + c)
    for name in ("scan_test.cc", "wildcard_test.cc", "tabs_test.cc", "search_test.cc"):
        for lit in literals(TESTS / "util" / name):
            for param in (b'\0', b'\x01', b'\x08', b'"', b'\x84', b'\xff'):
                seeds["strings"].add(param + lit)
    for target, items in seeds.items():
        d = outdir / target
        d.mkdir(parents=True, exist_ok=True)
        for s in items:
            (d / hashlib.sha1(s).hexdigest()).write_bytes(s)
        print(f"{target}: {len(items)} seeds")


if __name__ == "__main__":
    main()
