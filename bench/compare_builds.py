#!/usr/bin/env python3
"""Two builds of quorl timed against each other on W1..W5, in one run.

    bench/compare_builds.py OLD NEW ASCII_CORPUS SJIS_CORPUS [ROUNDS] [ONLY]

Runs of the two builds alternate (old first in even rounds, new first in
odd ones), so the machine's drift hits both alike; prints the median wall
time of each and new/old, with --jobs=1 and with the default threads.
ONLY, if given, is a comma-separated list of WID:corpus:jobs (for example
W3:sjis:--jobs=1,W1:ascii:default) to time those alone. The corpora are
those run_bench.py writes (gen_corpus.py, seed 1).
"""
import statistics
import subprocess
import sys
import time

WORK = [("W1", ["-f"]), ("W2", ["-r", "the:[THE]", "-f"]), ("W3", ["-r", "$d:<$d>", "-f"]),
        ("W4a", ["-e", "$3-$1", "-f"]), ("W4b", ["-t,", "-e", "$2", "-f"]),
        ("W5", ["-r", "the:THE,and:AND,ing:ING", "-f"])]


def wall(cmd):
    start = time.perf_counter()
    subprocess.run(cmd, stdout=subprocess.DEVNULL, check=True)
    return time.perf_counter() - start


def main():
    old, new, ascii_path, sjis_path = sys.argv[1:5]
    rounds = int(sys.argv[5]) if len(sys.argv) > 5 else 9
    only = sys.argv[6].split(",") if len(sys.argv) > 6 else None
    for jobs in ("--jobs=1", None):
        for wid, args in WORK:
            for name, path in (("ascii", ascii_path), ("sjis", sjis_path)):
                if only and f"{wid}:{name}:{jobs or 'default'}" not in only:
                    continue
                times = {old: [], new: []}
                extra = [jobs] if jobs else []
                for r in range(rounds):
                    for binary in (old, new) if r % 2 == 0 else (new, old):
                        times[binary].append(wall([binary] + extra + args + [path]))
                a, b = statistics.median(times[old]), statistics.median(times[new])
                print(f"{wid:4} {name:5} {jobs or 'default':8} old {a * 1000:7.1f} ms  "
                      f"new {b * 1000:7.1f} ms  new/old {b / a:.3f}", flush=True)


if __name__ == "__main__":
    main()
