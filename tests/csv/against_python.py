#!/usr/bin/env python3
"""quorl --csv against Python's csv module on a random Shift_JIS corpus.

    against_python.py QUORL

45,000 records (over 1 MiB, so --jobs=2 cuts chunks) per separator (comma, semicolon, tab), written by csv.writer
(QUOTE_MINIMAL, CR LF, and LF read without --crlf, once in UTF-8): quoted separators,
doubled quotes, CR LF and LF inside fields, empty fields, trailing
separators, and characters whose Shift_JIS second byte is 0x5C or 0x7C;
one record in ten is written by hand with quotes inside unquoted fields
and text after a closing quote. Each quorl run must print exactly what
csv.reader and csv.writer make of the same records, on one thread and on
two.
"""
import csv
import io
import os
import random
import subprocess
import sys
import tempfile

# ソ 表 十 能 end in 0x5C, ポ 竹 in 0x7C; the rest is ASCII that CSV quotes.
PIECES = ["ソ", "表", "十", "能", "ポ", "竹", "a", "ab", "1", "23", " ", ",", ";", "\t", '"', '""',
          "\r\n", "\n", "東京都,千代田区", "x\\y", "|"]


def field(rng):
    return "".join(rng.choice(PIECES) for _ in range(rng.choice([0, 0, 1, 2, 3, 5])))


# Fields a writer never writes: a quote that does not open the field is text.
# None holds what -r edits, so -r must leave such a record as it stands.
RAW = ['x"y', 'x""', '1"', '"q"t"u', '"s{sep}t"v', '表"', "bc"]


def raw(rng, sep):
    return sep.join(rng.choice(RAW).format(sep=sep) for _ in range(rng.randint(1, 7)))


def encode(rows, sep, term="\r\n", enc="cp932"):
    out = io.StringIO()
    w = csv.writer(out, delimiter=sep, lineterminator=term)
    for r in rows:
        if isinstance(r, str):
            out.write(r + term)
        else:
            w.writerow(r)
    return out.getvalue().encode(enc)


def quorl(exe, path, *args):
    r = subprocess.run([exe, "--csv", *args, "-f", path], capture_output=True)
    if r.returncode != 0:
        sys.exit(f"quorl {args}: status {r.returncode}: {r.stderr!r}")
    return r.stdout


def main():
    exe = sys.argv[1]
    rng = random.Random(25)
    failed = 0
    with tempfile.TemporaryDirectory() as tmp:
        for sep, term, enc in [(",", "\r\n", "cp932"), (";", "\r\n", "cp932"), ("\t", "\r\n", "cp932"),
                               (",", "\n", "cp932"), (";", "\n", "utf-8")]:
            crlf = ["--crlf"] if term == "\r\n" else []
            crlf += ["--encoding=" + ("sjis" if enc == "cp932" else enc)]
            rows = [raw(rng, sep) if rng.random() < 0.1 else [field(rng) for _ in range(rng.randint(1, 7))]
                    for _ in range(45000)]
            path = os.path.join(tmp, "in.csv")
            with open(path, "wb") as f:
                f.write(encode(rows, sep, term, enc))
            with open(path, encoding=enc, newline="") as f:
                read = list(csv.reader(f, delimiter=sep))
            assert len(read) == len(rows)
            pick = [[r[1] if len(r) > 1 else "", r[4] if len(r) > 4 else ""] for r in read]
            edited = [w if isinstance(w, str) else
                      r[:2] + [r[2].replace("a", "<a>").replace("ソ", "[ソ]")] + r[3:] if len(r) > 2 else r
                      for w, r in zip(rows, read)]
            so = "ソ".encode(enc)
            cases = [
                ("-e $2<sep>$5", ["-t" + sep, "-e", f"$2{sep}$5"], encode(pick, sep, term, enc)),
                ("-e $*", ["-t" + sep, "-e", "$*"], encode(read, sep, term, enc)),
                ("-r (3)", ["-t" + sep, "-r", b"(3)a:<a>,(3)" + so + b":[" + so + b"]"], encode(edited, sep, term, enc)),
            ]
            for name, args, want in cases:
                for jobs in ["--jobs=1", "--jobs=2"]:
                    got = quorl(exe, path, jobs, *crlf, *args)
                    if got != want:
                        failed += 1
                        at = next((i for i, (a, b) in enumerate(zip(got, want)) if a != b), min(len(got), len(want)))
                        print(f"sep {sep!r} {term!r} {name} {jobs}: differs at byte {at}: "
                              f"{got[at - 40:at + 40]!r} != {want[at - 40:at + 40]!r}")
            print(f"sep {sep!r} {term!r}: {len(read)} records, {os.path.getsize(path)} bytes")
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
