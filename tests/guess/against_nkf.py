#!/usr/bin/env python3
"""against_nkf.py GUESS_LINES [DICTIONARY]: 3,000 SKK dictionary entries (a fixed seed picks them) in
UTF-8, EUC-JP and Shift_JIS (CP932) by iconv, each line guessed alone. Per encoding, quorl must guess
at least as many lines right as nkf --guess does, and every line of 20 characters or more."""
import os
import random
import subprocess
import sys
import tempfile

ENCODINGS = [("utf-8", "UTF-8"), ("euc-jp", "EUC-JP"), ("shift_jis", "CP932")]
NKF_NAMES = {"UTF-8": "utf-8", "EUC-JP": "euc-jp", "Shift_JIS": "shift_jis", "CP932": "shift_jis"}


def entries(path, count):
    lines = []
    with open(path, "rb") as f:
        for raw in f:
            raw = raw.rstrip(b"\n")
            if raw.startswith(b";") or raw.isascii():
                continue
            try:
                text = raw.decode("euc_jp")
                text.encode("cp932")
            except UnicodeError:
                continue
            lines.append(text)
    return random.Random(20261209).sample(lines, count)


def convert(text, to):
    r = subprocess.run(["iconv", "-c", "-f", "UTF-8", "-t", to], input=text.encode(), capture_output=True)
    return r.stdout.split(b"\n")


def nkf_guesses(lines, work):
    names = []
    for i, line in enumerate(lines):
        names.append(os.path.join(work, f"{i:05}"))
        with open(names[-1], "wb") as f:
            f.write(line)
    guesses = []
    for at in range(0, len(names), 500):
        out = subprocess.run(["nkf", "--guess", *names[at:at + 500]], capture_output=True, check=True).stdout
        guesses += [NKF_NAMES.get(g.split(b": ", 1)[1].decode(), "?") for g in out.splitlines()]
    return guesses


def main():
    helper = sys.argv[1]
    dictionary = sys.argv[2] if len(sys.argv) > 2 else "/usr/share/skk/SKK-JISYO.L"
    texts = entries(dictionary, 3000)
    failed = False
    with tempfile.TemporaryDirectory() as work:
        for name, iconv_name in ENCODINGS:
            lines = convert("\n".join(texts) + "\n", iconv_name)[:len(texts)]
            ours = subprocess.run([helper], input=b"\n".join(lines) + b"\n", capture_output=True,
                                  check=True).stdout.decode().split()
            theirs = nkf_guesses(lines, work)
            right = sum(g == name for g in ours)
            nkf_right = sum(g == name for g in theirs)
            print(f"{name}: quorl {right}/{len(lines)} right, nkf {nkf_right}/{len(lines)}")
            failed |= right < nkf_right
            for text, guess in zip(texts, ours):
                if len(text) >= 20 and guess != name:
                    print(f"  {name} line of {len(text)} characters taken as {guess}: {text}")
                    failed = True
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
