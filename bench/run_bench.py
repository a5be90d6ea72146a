#!/usr/bin/env python3
"""Times quorl against sed, mawk, gawk, perl and cut on the same work.

    bench/run_bench.py --quorl BUILD/quorl [--size-mb 100] [--rounds 5]
                       [--workdir /tmp/quorl-bench] [--memory] [--keep]
                       [--streams-only] [--rules] [--csv-only] [--to-only]
                       [--guess-only]

One run does everything, in this order:
  1. installs missing anchors with apt-get (sed mawk gawk perl coreutils);
  2. compiles the C references (a memchr line loop, a static hello-world and
     the start-up timer) with cc;
  3. writes the ASCII and the Shift_JIS corpus with gen_corpus.py (seeded);
  4. checks the outputs: on the ASCII corpus quorl must print what the
     anchors print; on the Shift_JIS corpus it must print what a reference
     that decodes code page 932 prints, so every match begins on a
     character boundary (the byte-wise anchors' false matches are counted);
  5. times W1..W5 for every tool on both corpora, W6 (start-up), C1 and C2
     (--csv against Miller, csvtool and Python's csv module on a CSV
     corpus), W1..W5 in every encoding (the Shift_JIS corpus converted to UTF-8 and EUC-JP with
     iconv) and the long-run cases, rounds interleaved, and prints medians
     and ratios;
  5b. times --to (Shift_JIS to UTF-8 and to EUC-JP) against iconv and
     nkf converting the same file, once its output is checked equal to
     iconv's;
  6. times --in-place against the same edit redirected to a new file and
     to an existing one, and standard input through a pipe
     (cat FILE | quorl ... -f -) against -f FILE with one thread and with
     the default jobs, beside cat FILE | cat, on the ASCII corpus;
  7. times --encoding=auto --check (the encoding guess alone) against an
     edit of the same file with its encoding given (one literal, W2), on the
     ASCII corpus (read whole: the guess skips leading ASCII) and on the
     Shift_JIS, UTF-8 and EUC-JP ones;
  8. with --memory, the peak resident size of quorl on a 100 MB and a 1 GB
     file (the 1 GB file is deleted afterwards).
With --rules it only times loading many -R rules (12,500 and 100,000
distinct ones, and the 100,000 given twice) for a one-line file.
Outputs go to /dev/null while timed. Times are wall-clock medians.
"""
import argparse
import filecmp
import os
import re
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))

# Each workload: the quorl arguments, the anchors' commands, and the target
# as the largest allowed ratio quorl time / fastest anchor time.
WORKLOADS = [
    ("W1", "pass-through", ["-f"], {
        "cat": ["cat"],
        "sed": ["sed", ""],
        "mawk": ["mawk", "1"],
        "gawk": ["gawk", "1"],
        "perl": ["perl", "-pe", ""],
    }, None),
    ("W2", "one literal", ["-r", "the:[THE]", "-f"], {
        "sed": ["sed", "s/the/[THE]/g"],
        "mawk": ["mawk", '{gsub(/the/,"[THE]")}1'],
        "gawk": ["gawk", '{gsub(/the/,"[THE]")}1'],
        "perl": ["perl", "-pe", "s/the/[THE]/g"],
        "rg": ["rg", "--passthru", "-N", "--no-filename", "-r", "[THE]", "the"],
        "sd": "sd the '[THE]' < {F}",
    }, 1 / 3),
    ("W3", "digit runs", ["-r", "$d:<$d>", "-f"], {
        "sed": ["sed", "s/[0-9][0-9]*/<&>/g"],
        "mawk": ["mawk", '{gsub(/[0-9]+/,"<&>")}1'],
        "gawk": ["gawk", '{gsub(/[0-9]+/,"<&>")}1'],
        "perl": ["perl", "-pe", "s/([0-9]+)/<$1>/g"],
        "rg": ["rg", "--passthru", "-N", "--no-filename", "-r", "<$0>", "[0-9]+"],
        "sd": "sd '[0-9]+' '<$0>' < {F}",
    }, 1 / 3),
    ("W4a", "reorder fields", ["-e", "$3-$1", "-f"], {
        "mawk": ["mawk", '{print $3 "-" $1}'],
        "gawk": ["gawk", '{print $3 "-" $1}'],
        "perl": ["perl", "-lane", 'print "$F[2]-$F[0]"'],
    }, 1 / 3),
    ("W4b", "one CSV column", ["-t,", "-e", "$2", "-f"], {
        "cut": ["cut", "-d,", "-f2"],
        "mawk": ["mawk", "-F,", "{print $2}"],
        "gawk": ["gawk", "-F,", "{print $2}"],
        "perl": ["perl", "-F,", "-lane", "print $F[1]"],
    }, 1 / 3),
    ("W5", "three literals", ["-r", "the:THE,and:AND,ing:ING", "-f"], {
        "sed": ["sed", "s/the/THE/g;s/and/AND/g;s/ing/ING/g"],
        "mawk": ["mawk", '{gsub(/the/,"THE");gsub(/and/,"AND");gsub(/ing/,"ING")}1'],
        "gawk": ["gawk", '{gsub(/the/,"THE");gsub(/and/,"AND");gsub(/ing/,"ING")}1'],
        "perl": ["perl", "-pe", "s/the/THE/g;s/and/AND/g;s/ing/ING/g"],
        # One replacement per run: three in a pipeline.
        "rg": "rg --passthru -N --no-filename -r THE the {F} | rg --passthru -N -r AND and"
              " | rg --passthru -N -r ING ing",
        "sd": "sd the THE < {F} | sd and AND | sd ing ING",
    }, 1 / 3),
]

# The byte-wise anchors in the C locale: fastest, and what the issue measured.
ENV = dict(os.environ, LC_ALL="C")


def sh(cmd, **kw):
    kw.setdefault("env", ENV)
    return subprocess.run(cmd, check=True, **kw)


def install_anchors():
    need = []
    for tool, pkg in [("sed", "sed"), ("mawk", "mawk"), ("gawk", "gawk"), ("perl", "perl"),
                      ("cut", "coreutils"), ("cc", "gcc"), ("iconv", "libc-bin"),
                      ("rg", "ripgrep"), ("sd", "sd"), ("mlr", "miller"), ("csvtool", "csvtool"),
                      ("nkf", "nkf")]:
        if shutil.which(tool) is None:
            need.append(pkg)
    if not need:
        return
    print("installing:", " ".join(need), flush=True)
    sudo = [] if os.geteuid() == 0 else ["sudo"]
    sh(sudo + ["apt-get", "update", "-qq"])
    sh(sudo + ["apt-get", "install", "-y", "-qq"] + need, env=dict(ENV, DEBIAN_FRONTEND="noninteractive"))


def build_references(work):
    out = {}
    for name, extra in [("memchr_loop", []), ("hello", ["-static"]), ("spawn_loop", [])]:
        exe = os.path.join(work, name)
        sh(["cc", "-O2"] + extra + ["-o", exe, os.path.join(HERE, name + ".c")])
        out[name] = exe
    return out


def corpus(work, kind, size_mb, seed=1):
    path = os.path.join(work, f"{kind}-{size_mb:g}mb-seed{seed}.txt")
    if not os.path.exists(path):
        print(f"writing {path}", flush=True)
        sh([sys.executable, os.path.join(HERE, "gen_corpus.py"), kind, str(size_mb), path,
            "--seed", str(seed)])
    return path


def head_file(path, out, nbytes):
    with open(path, "rb") as f:
        data = f.read(nbytes)
    with open(out, "wb") as f:
        f.write(data[: data.rindex(b"\n") + 1])
    return out


def run_out(cmd, path):
    if isinstance(cmd, str):  # a shell pipeline reading {F}
        return subprocess.run(["sh", "-c", cmd.replace("{F}", path)], check=True, env=ENV,
                              stdout=subprocess.PIPE).stdout
    return subprocess.run(cmd + [path], check=True, env=ENV, stdout=subprocess.PIPE).stdout


# Reference editing of code page 932 text: the lines are decoded, so a match
# can only start at a character.
def ref_sjis(wid, data):
    lines = data.decode("cp932").split("\n")[:-1]
    out = []
    for line in lines:
        if wid == "W1":
            r = line
        elif wid == "W2":
            r = line.replace("the", "[THE]")
        elif wid == "W3":
            r = re.sub(r"[0-9]+", lambda m: "<" + m.group(0) + ">", line)
        elif wid == "W4a":
            f = re.split(r"[ \t]+", line)
            if f and f[0] == "":
                f = f[1:]
            pick = lambda i: f[i] if i < len(f) else ""
            r = pick(2) + "-" + pick(0)
        elif wid == "W4b":
            f = line.split(",")
            r = f[1] if len(f) > 1 else ""
        elif wid == "W5":
            r = line.replace("the", "THE").replace("and", "AND").replace("ing", "ING")
        out.append(r)
    return ("\n".join(out) + "\n").encode("cp932")


def check_outputs(quorl, work, ascii_path, sjis_path):
    ok = True
    sample_a = head_file(ascii_path, os.path.join(work, "check-ascii.txt"), 8 << 20)
    sample_s = head_file(sjis_path, os.path.join(work, "check-sjis.txt"), 8 << 20)
    with open(sample_s, "rb") as f:
        sjis_data = f.read()
    with open(sample_a, "rb") as f:
        ascii_data = f.read()
    for wid, _, qargs, anchors, _ in WORKLOADS:
        q = run_out([quorl] + qargs, sample_a)
        for name, cmd in anchors.items():
            if wid == "W4b" and name == "cut":
                continue  # cut prints a line without a comma whole; awk prints nothing
            if run_out(cmd, sample_a) != q:
                print(f"CHECK FAILED: {wid} ascii: quorl differs from {name}")
                ok = False
        if wid == "W1" and q != ascii_data:
            print("CHECK FAILED: W1 ascii: output differs from input")
            ok = False
        qs = run_out([quorl] + qargs, sample_s)
        ref = ref_sjis(wid, sjis_data)
        if qs != ref:
            print(f"CHECK FAILED: {wid} sjis: quorl differs from the code page 932 reference")
            ok = False
        if wid in ("W2", "W3", "W5"):
            m = run_out(anchors["mawk"], sample_s)
            wrong = sum(1 for a, b in zip(m.split(b"\n"), ref.split(b"\n")) if a != b)
            print(f"  {wid} sjis: quorl matches the reference; byte-wise mawk gets {wrong} lines wrong")
    print("output checks:", "passed" if ok else "FAILED", flush=True)
    return ok


def time_cmd(cmd, stdin_path=None):
    with open(os.devnull, "wb") as null, open(stdin_path or os.devnull, "rb") as inp:
        t0 = time.perf_counter()
        subprocess.run(cmd, stdin=inp, stdout=null, check=True, env=ENV)
        return time.perf_counter() - t0


def time_anchor(cmd, path):
    """cmd (an argument list, or a shell pipeline reading {F}) on path."""
    if isinstance(cmd, str):
        return time_cmd(["sh", "-c", cmd.replace("{F}", path)])
    return time_cmd(cmd + [path])


def fmt_rate(size, t):
    return f"{size / t / 1e6:7.0f}"


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--quorl", required=True, help="the quorl binary to time")
    ap.add_argument("--size-mb", type=float, default=100)
    ap.add_argument("--rounds", type=int, default=5)
    ap.add_argument("--workdir", default="/tmp/quorl-bench")
    ap.add_argument("--memory", action="store_true", help="also peak memory on 100 MB and 1 GB")
    ap.add_argument("--keep", action="store_true", help="keep the corpora afterwards")
    ap.add_argument("--no-check", action="store_true")
    ap.add_argument("--streams-only", action="store_true", help="only step 6, on the ASCII corpus")
    ap.add_argument("--rules", action="store_true", help="only time loading many -R rules")
    ap.add_argument("--csv-only", action="store_true", help="only time the CSV workloads")
    ap.add_argument("--to-only", action="store_true", help="only time --to against iconv and nkf")
    ap.add_argument("--guess-only", action="store_true", help="only time the encoding guess (step 7)")
    args = ap.parse_args()
    quorl = os.path.abspath(args.quorl)
    os.makedirs(args.workdir, exist_ok=True)
    work = args.workdir
    if args.streams_only:
        streams(quorl, work, corpus(work, "ascii", args.size_mb), args.rounds)
        return
    if args.rules:
        rule_loading(quorl, work, args.rounds)
        return
    if args.to_only:
        install_anchors()
        path = corpus(work, "sjis", args.size_mb)
        transcoding(quorl, path, args.rounds)
        if not args.keep:
            os.remove(path)
        return
    if args.csv_only:
        install_anchors()
        path = csv_fields(quorl, work, args.size_mb, args.rounds)
        if not args.keep:
            os.remove(path)
        return

    if args.guess_only:
        paths = {"ascii": corpus(work, "ascii", args.size_mb), "sjis": corpus(work, "sjis", args.size_mb)}
        guess(quorl, work, paths, args.rounds)
        if not args.keep:
            for p in paths.values():
                os.remove(p)
        return

    install_anchors()
    refs = build_references(work)
    paths = {"ascii": corpus(work, "ascii", args.size_mb), "sjis": corpus(work, "sjis", args.size_mb)}
    sizes = {k: os.path.getsize(v) for k, v in paths.items()}
    if not args.no_check and not check_outputs(quorl, work, paths["ascii"], paths["sjis"]):
        sys.exit(1)

    # Throughput: every round runs every command once, so background load
    # falls on all of them alike.
    cmds = []
    for wid, _, qargs, anchors, _ in WORKLOADS:
        for kind in paths:
            cmds.append((wid, kind, "quorl", [quorl] + qargs))
            for name, cmd in anchors.items():
                cmds.append((wid, kind, name, cmd))
        if wid == "W1":
            for kind in paths:
                cmds.append((wid, kind, "memchr-loop", [refs["memchr_loop"]]))
    times = {}
    for r in range(args.rounds):
        print(f"round {r + 1}/{args.rounds}", flush=True)
        for wid, kind, name, cmd in cmds:
            times.setdefault((wid, kind, name), []).append(time_anchor(cmd, paths[kind]))
    med = {k: statistics.median(v) for k, v in times.items()}

    print()
    print(f"Throughput in MB/s (median of {args.rounds}), {args.size_mb:g} MB corpora, output to /dev/null")
    print("ratio = quorl time / fastest anchor time (below 1: quorl is faster); target is the largest ratio allowed")
    for wid, title, _, anchors, target in WORKLOADS:
        for kind in paths:
            size = sizes[kind]
            q = med[(wid, kind, "quorl")]
            row = [f"{wid:4} {kind:5} quorl {fmt_rate(size, q)}"]
            for name in anchors:
                row.append(f"{name} {fmt_rate(size, med[(wid, kind, name)])}")
            best = min(anchors, key=lambda n: med[(wid, kind, n)])
            ratio = q / med[(wid, kind, best)]
            line = "  ".join(row) + f"  | vs {best}: {ratio:.2f}"
            if wid == "W1":
                ref = med[(wid, kind, "memchr-loop")]
                cat = q / med[(wid, kind, "cat")]
                line += f"  | memchr-loop {fmt_rate(size, ref)}: {q / ref:.2f}"
                line += f"  | vs cat {cat:.2f} (target 1.00) {'met' if cat <= 1.0 else 'MISSED'}"
            else:
                line += f" (target {target:.2f}) {'met' if ratio <= target else 'MISSED'}"
            print(line)
    print()
    print("Shift_JIS time / ASCII time for quorl (target 1.20; per byte):")
    for wid, *_ in WORKLOADS:
        a = med[(wid, "ascii", "quorl")] / sizes["ascii"]
        s = med[(wid, "sjis", "quorl")] / sizes["sjis"]
        print(f"  {wid:4} {s / a:.2f} {'met' if s / a <= 1.2 else 'MISSED'}")

    # Start-up: the timer forks each command 1000 times per round.
    stdin_abc = os.path.join(work, "abc.txt")
    with open(stdin_abc, "w") as f:
        f.write("abc\n")
    starts = {
        "static hello": [refs["hello"]],
        "quorl": [quorl, "-r", "a:b", "abc"],
        "sed": [shutil.which("sed"), "s/a/b/"],
        "mawk": [shutil.which("mawk"), '{sub(/a/,"b")}1'],
    }
    st = {k: [] for k in starts}
    for _ in range(args.rounds):
        for name, cmd in starts.items():
            out = subprocess.run([refs["spawn_loop"], "1000", stdin_abc] + cmd, check=True,
                                 stdout=subprocess.PIPE, text=True).stdout
            st[name].append(float(out))
    print()
    print("W6 start-up, median microseconds per run:")
    hello = statistics.median(st["static hello"])
    for name in starts:
        m = statistics.median(st[name])
        print(f"  {name:13} {m:7.0f}  {m / hello:.2f}x static hello")
    q6 = statistics.median(st["quorl"]) / hello
    print(f"  W6 target 1.50x: {'met' if q6 <= 1.5 else 'MISSED'}")

    paths["csv"] = csv_fields(quorl, work, args.size_mb, args.rounds)
    threads(quorl, paths["ascii"], args.rounds)
    encodings(quorl, work, paths["sjis"], args.rounds)
    transcoding(quorl, paths["sjis"], args.rounds)
    long_runs(quorl, work, args.rounds)
    streams(quorl, work, paths["ascii"], args.rounds)
    guess(quorl, work, paths, args.rounds)
    if args.memory:
        memory(quorl, work, paths["ascii"], args.size_mb)
    if not args.keep:
        for p in paths.values():
            os.remove(p)


# --csv: quoted CSV fields, against the CSV tools a user would pick, on a
# UTF-8 CSV corpus (Miller and Python's csv module read UTF-8 only), and
# against quorl's plain -t, run of the same command, which cuts inside quotes.
PY_PICK = ("import csv,sys;w=csv.writer(sys.stdout,lineterminator='\\n');"
           "[w.writerow([r[1],r[4]]) for r in csv.reader(open(sys.argv[1],newline=''))]")
PY_EDIT = ("import csv,re,sys;w=csv.writer(sys.stdout,lineterminator='\\n');d=re.compile('[0-9]+');"
           "[w.writerow(r[:2]+[d.sub(lambda m:'<'+m[0]+'>',r[2])]+r[3:]) for r in csv.reader(open(sys.argv[1],newline=''))]")
MLR = ["mlr", "-S", "--csv", "--implicit-csv-header", "--headerless-csv-output"]
CSV_WORKLOADS = [
    ("C1", "pick two CSV fields", ["-e", "$2,$5"], {
        "mlr": MLR + ["cut", "-o", "-f", "2,5"],
        "csvtool": ["csvtool", "col", "2,5"],
        "python": [sys.executable, "-c", PY_PICK],
    }),
    ("C2", "digit runs in CSV field 3", ["-r", "(3)$d:<$d>"], {
        "mlr": MLR + ["put", '$3 = gsub($3, "([0-9]+)", "<\\1>")'],
        "python": [sys.executable, "-c", PY_EDIT],
    }),
]


def csv_fields(quorl, work, size_mb, rounds):
    """C1 and C2: quorl --csv against Miller, csvtool and Python's csv module
    (target: at most 1/3 of the fastest one's time), and against quorl -t,
    (target: --csv at most 1.5x its time), with the default jobs."""
    path = corpus(work, "csv", size_mb)
    size = os.path.getsize(path)
    base = [quorl, "--encoding=utf-8"]
    sample = os.path.join(work, "csv-sample.csv")
    with open(path, "rb") as f, open(sample, "wb") as out:
        data = f.read(8 << 20)
        # Cut after a whole record: a newline after an even number of quotes.
        end = data.rindex(b"\n") + 1
        quotes = data.count(b'"', 0, end)
        while quotes % 2:
            start = data.rindex(b"\n", 0, end - 1) + 1
            quotes -= data.count(b'"', start, end)
            end = start
        out.write(data[:end])
    # The tools must agree with quorl before they are timed.
    for wid, _, qargs, anchors in CSV_WORKLOADS:
        want = run_out(base + ["--csv"] + qargs + ["-f"], sample)
        for name, cmd in anchors.items():
            if run_out(cmd, sample) != want:
                print(f"  {wid}: {name} prints something else than quorl --csv on the sample")
    os.remove(sample)
    times = {}
    for _ in range(rounds):
        for wid, _, qargs, anchors in CSV_WORKLOADS:
            cmds = {"quorl --csv": base + ["--csv"] + qargs + ["-f"],
                    "quorl -t,": base + ["-t,"] + qargs + ["-f"], **anchors}
            for name, cmd in cmds.items():
                times.setdefault((wid, name), []).append(time_anchor(cmd, path))
    print()
    print(f"CSV fields: MB/s (median of {rounds}) on {size / 1e6:.0f} MB of UTF-8 CSV; ratio to the fastest"
          " tool (target 0.33) and --csv against -t, (target 1.50)")
    for wid, title, _, anchors in CSV_WORKLOADS:
        med = {name: statistics.median(times[(wid, name)]) for name in ["quorl --csv", "quorl -t,", *anchors]}
        best = min(anchors, key=med.get)
        ratio = med["quorl --csv"] / med[best]
        cost = med["quorl --csv"] / med["quorl -t,"]
        row = "  ".join(f"{name} {fmt_rate(size, t)}" for name, t in med.items())
        print(f"  {wid} {title}: {row}")
        print(f"     vs {best}: {ratio:.2f} {'met' if ratio <= 1 / 3 else 'MISSED'};"
              f"  --csv / -t,: {cost:.2f} {'met' if cost <= 1.5 else 'MISSED'}")
    return path


def threads(quorl, path, rounds):
    """W1..W5 on the ASCII corpus with --jobs=1, 2, 3 and 4, and the default
    (one thread per processor)."""
    counts = ["1", "2", "3", "4", "default"]
    times = {}
    for _ in range(rounds):
        for wid, _, qargs, _, _ in WORKLOADS:
            for n in counts:
                jobs = [] if n == "default" else [f"--jobs={n}"]
                times.setdefault((wid, n), []).append(time_cmd([quorl] + jobs + qargs + [path]))
    print()
    print(f"Threads: speed-up over --jobs=1 (median of {rounds}; {os.cpu_count()} processors;"
          " target 1.70 for W3 and W5 with the default)")
    for wid, *_ in WORKLOADS:
        one = statistics.median(times[(wid, "1")])
        row = [f"{wid:4} jobs=1 {one * 1000:7.1f} ms"]
        for n in counts[1:]:
            row.append(f"{n} {one / statistics.median(times[(wid, n)]):.2f}")
        if wid in ("W3", "W5"):
            d = one / statistics.median(times[(wid, "default")])
            row.append("met" if d >= 1.7 else "MISSED")
        print("  ".join(row))


def encodings(quorl, work, sjis_path, rounds):
    """W1..W5 in each encoding on the same text: the Shift_JIS corpus, and
    the same corpus converted to UTF-8 and to EUC-JP with iconv; bytes mode
    reads the Shift_JIS corpus. Speed in MB/s of input, against sjis."""
    files = {"sjis": sjis_path, "bytes": sjis_path}
    for enc, charset in (("utf-8", "UTF-8"), ("euc-jp", "EUC-JP")):
        path = os.path.join(work, f"corpus-{enc}.txt")
        with open(path, "wb") as out:
            sh(["iconv", "-f", "CP932", "-t", charset, sjis_path], stdout=out)
        files[enc] = path
    times = {}
    for _ in range(rounds):
        for wid, _, qargs, _, _ in WORKLOADS:
            for enc, path in files.items():
                cmd = [quorl, f"--encoding={enc}"] + qargs + [path]
                times.setdefault((wid, enc), []).append(time_cmd(cmd))
    print()
    print(f"Encodings: quorl MB/s of input (median of {rounds}) on the same text, and the ratio"
          " to its sjis speed (target 0.90 for utf-8 and euc-jp, 1.00 for bytes)")
    for wid, *_ in WORKLOADS:
        rate = {enc: os.path.getsize(p) / statistics.median(times[(wid, enc)]) for enc, p in files.items()}
        row = [f"{wid:4}"]
        for enc in files:
            r = rate[enc] / rate["sjis"]
            want = 1.0 if enc == "bytes" else 0.9
            mark = "" if enc == "sjis" else f" {r:.2f} {'met' if r >= want else 'MISSED'}"
            row.append(f"{enc} {rate[enc] / 1e6:7.0f}{mark}")
        print("  ".join(row))
    for enc in ("utf-8", "euc-jp"):
        os.remove(files[enc])


def transcoding(quorl, sjis_path, rounds):
    """--to on the Shift_JIS corpus against iconv and nkf doing the same
    conversion (target: quorl at most the fastest one's time). The output
    must be iconv's, byte for byte."""
    cases = {
        "utf-8": {"quorl": [quorl, "--to=utf-8", "-f", sjis_path],
                  "iconv": ["iconv", "-f", "CP932", "-t", "UTF-8", sjis_path],
                  "nkf": ["nkf", "-S", "-w", sjis_path]},
        "euc-jp": {"quorl": [quorl, "--to=euc-jp", "-f", sjis_path],
                   "iconv": ["iconv", "-f", "CP932", "-t", "EUC-JP-MS", sjis_path],
                   "nkf": ["nkf", "-S", "-e", sjis_path]},
    }
    for to, cmds in cases.items():
        q = subprocess.run(cmds["quorl"], stdout=subprocess.PIPE, check=True).stdout
        i = subprocess.run(cmds["iconv"], stdout=subprocess.PIPE, check=True).stdout
        print(f"--to={to} output equals iconv's: {'yes' if q == i else 'NO'}", flush=True)
    times = {}
    for _ in range(rounds):
        for to, cmds in cases.items():
            for name, cmd in cmds.items():
                times.setdefault((to, name), []).append(time_cmd(cmd))
    size = os.path.getsize(sjis_path)
    print()
    print(f"Conversion of {size / 1e6:.0f} MB of Shift_JIS: MB/s of input (median of {rounds});"
          " ratio = quorl time / fastest other (target 1.00)")
    for to, cmds in cases.items():
        med = {name: statistics.median(times[(to, name)]) for name in cmds}
        best = min((n for n in cmds if n != "quorl"), key=lambda n: med[n])
        ratio = med["quorl"] / med[best]
        row = "  ".join(f"{name} {fmt_rate(size, med[name])}" for name in cmds)
        print(f"  {to:6} {row}  | vs {best}: {ratio:.2f} {'met' if ratio <= 1.0 else 'MISSED'}")


def guess(quorl, work, paths, rounds):
    """--encoding=auto --check (the guess of each file, nothing edited)
    against -r the:[THE] with the encoding given, per corpus; the guess
    must print the right name and cost under 5% of the edit. The same edit
    with --encoding=auto (guess, then edit) shows the whole cost."""
    files = {"ascii": ("sjis", paths["ascii"]), "shift_jis": ("sjis", paths["sjis"])}
    for enc, charset in (("utf-8", "UTF-8"), ("euc-jp", "EUC-JP")):
        path = os.path.join(work, f"corpus-{enc}.txt")
        with open(path, "wb") as out:
            sh(["iconv", "-f", "CP932", "-t", charset, paths["sjis"]], stdout=out)
        files[enc] = (enc, path)
    for name, (_, path) in files.items():
        out = subprocess.run([quorl, "--encoding=auto", "--check", "-f", path], capture_output=True,
                             check=True, env=ENV).stdout.decode()
        if out != f"{path}: {name}\n":
            sys.exit(f"--encoding=auto --check -f {path} printed {out!r}")
    times = {}
    for _ in range(rounds):
        for name, (enc, path) in files.items():
            times.setdefault((name, "guess"), []).append(
                time_cmd([quorl, "--encoding=auto", "--check", "-f", path]))
            times.setdefault((name, "edit"), []).append(
                time_cmd([quorl, f"--encoding={enc}", "-r", "the:[THE]", "-f", path]))
            times.setdefault((name, "auto"), []).append(
                time_cmd([quorl, "--encoding=auto", "-r", "the:[THE]", "-f", path]))
    print()
    print(f"Encoding guess: --encoding=auto --check -f F against --encoding=E -r the:[THE] -f F,"
          f" median seconds of {rounds} (target: guess under 0.05 of the edit)")
    for name in files:
        g = statistics.median(times[(name, "guess")])
        e = statistics.median(times[(name, "edit")])
        a = statistics.median(times[(name, "auto")])
        print(f"  {name:9} guess {g:.4f}  edit {e:.4f}  ratio {g / e:.3f} {'met' if g / e < 0.05 else 'MISSED'}"
              f"  | the edit with auto {a:.4f} ({a / e:.3f} of it)")
    for enc in ("utf-8", "euc-jp"):
        os.remove(files[enc][1])


def long_runs(quorl, work, rounds):
    """A greedy element tried at every position of a long run, against a
    literal replacement over the same bytes."""
    digits = os.path.join(work, "digits-4093.txt")
    with open(digits, "wb") as f:
        line = (b"0123456789" * 410)[:4093] + b"\n"  # the longest line a file may hold
        f.write(line * 5000)
    one_mb = os.path.join(work, "digits-1mb.txt")
    with open(one_mb, "wb") as f:
        f.write((b"0123456789" * 100000)[:1 << 20] + b"\n")
    cases = [
        ("file of 4093-digit lines", digits, "-f", [
            ("literal '9:Y'", "9:Y"), ("'$dX:Y'", "$dX:Y"), ("'$$X:Y'", "$$X:Y"),
            ("'$d$aX:Y'", "$d$aX:Y"), ("20 items '$dX:Y,...'", ",".join(["$dX:Y"] * 20)),
            ("20 literal items '9:Y,...'", ",".join(["9:Y"] * 20))]),
        ("1 MB line on standard input", one_mb, None, [
            ("literal '9:Y'", "9:Y"), ("'$dX:Y'", "$dX:Y"), ("'$$X:Y'", "$$X:Y")]),
    ]
    print()
    print(f"Long runs (median of {rounds}); ratio to the literal replacement over the same bytes"
          " (as many literal items for many items), target 5:")
    for title, path, flag, specs in cases:
        res = {}
        for _ in range(rounds):
            for label, spec in specs:
                if flag:
                    t = time_cmd([quorl, "-r", spec, flag, path])
                else:
                    t = time_cmd([quorl, "-r", spec], stdin_path=path)
                res.setdefault(label, []).append(t)
        # One item is compared with the one literal item, twenty with the
        # twenty literal items.
        base = statistics.median(res[specs[0][0]])
        many = [label for label, _ in specs if label.startswith("20 literal")]
        base20 = statistics.median(res[many[0]]) if many else base
        print(f"  {title} ({os.path.getsize(path) / 1e6:.1f} MB):")
        for label, _ in specs:
            m = statistics.median(res[label])
            ref = base20 if label.startswith("20 ") else base
            print(f"    {label:28} {m * 1e3:8.1f} ms  {m / ref:6.2f}x")
    os.remove(digits)
    os.remove(one_mb)


def streams(quorl, work, path, rounds):
    """--in-place against the same edit to standard output redirected to a
    file: a new file, and a file of the same size that the redirection
    truncates (as a shell does when the name exists; both that and in place
    free the pages of the old text). A pipe into standard input against -f on
    the same file: -f with one thread, since standard input is edited on one,
    and with the default jobs; the ceiling is cat F | cat, what any reader of
    the pipe gets. Every timed run starts after a sync, so no run pays for the
    writes of the one before."""
    size = os.path.getsize(path)
    spec = ["-r", "the:[THE]"]
    copy = os.path.join(work, "in-place.txt")
    redirected = os.path.join(work, "redirected.txt")
    moved = os.path.join(work, "moved.txt")
    t = {}
    piped = [w for w in WORKLOADS if w[0] in ("W1", "W2", "W4b")]

    def timed(key, cmd, stdin=None, stdout=None):
        t0 = time.perf_counter()
        sh(cmd, stdin=stdin, stdout=stdout)
        t.setdefault(key, []).append(time.perf_counter() - t0)

    for _ in range(rounds):
        shutil.copyfile(path, copy)
        os.sync()
        timed("in-place", [quorl, "--in-place"] + spec + ["-f", copy])
        if os.path.exists(redirected):
            os.remove(redirected)
        os.sync()
        with open(redirected, "wb") as out:
            timed("redirect", [quorl] + spec + ["-f", path], stdout=out)
        os.sync()
        # The same again over the file just written: the open that truncates
        # it is timed, as in a shell's  quorl ... > out.
        t0 = time.perf_counter()
        with open(redirected, "wb") as out:
            sh([quorl] + spec + ["-f", path], stdout=out)
        t.setdefault("redirect over", []).append(time.perf_counter() - t0)
        # What --in-place replaces: quorl ... -f F > F.new && mv F.new F.
        shutil.copyfile(path, moved)
        os.sync()
        with open(moved + ".new", "wb") as out:
            t0 = time.perf_counter()
            sh([quorl] + spec + ["-f", moved], stdout=out)
            os.rename(moved + ".new", moved)
            t.setdefault("redirect, mv", []).append(time.perf_counter() - t0)
        with open(os.devnull, "wb") as null:
            t0 = time.perf_counter()
            c1 = subprocess.Popen(["cat", path], stdout=subprocess.PIPE)
            c2 = subprocess.Popen(["cat"], stdin=c1.stdout, stdout=null)
            c1.stdout.close()
            c2.wait()
            c1.wait()
            t.setdefault("cat | cat", []).append(time.perf_counter() - t0)
        for wid, _, qargs, _, _ in piped:
            for how in ("-f", "-f jobs=1", "pipe"):
                with open(os.devnull, "wb") as null:
                    t0 = time.perf_counter()
                    cat = None
                    if how == "pipe":
                        cat = subprocess.Popen(["cat", path], stdout=subprocess.PIPE)
                        q = subprocess.Popen([quorl] + qargs + ["-"], stdin=cat.stdout, stdout=null, env=ENV)
                        cat.stdout.close()
                    else:
                        jobs = ["--jobs=1"] if how == "-f jobs=1" else []
                        q = subprocess.Popen([quorl] + jobs + qargs + [path], stdout=null, env=ENV)
                    _, status, usage = os.wait4(q.pid, 0)
                    if cat is not None:
                        cat.wait()
                    assert status == 0
                    t.setdefault((wid, how), []).append(time.perf_counter() - t0)
                    # quorl's own processor time, which the writer of the pipe
                    # and other load on the machine do not change.
                    t.setdefault((wid, how, "cpu"), []).append(usage.ru_utime + usage.ru_stime)
    same = filecmp.cmp(copy, redirected, shallow=False)
    for p in (copy, redirected, moved):
        os.remove(p)
    print()
    print(f"Streams, {size / 1e6:.0f} MB ASCII corpus; median of {rounds} (best of {rounds}):")
    for pick, label in [(statistics.median, "median"), (min, "best")]:
        m = {k: pick(v) for k, v in t.items()}
        for key, what in [("redirect", "> new file"), ("redirect over", "> existing file")]:
            ratio = m["in-place"] / m[key]
            print(f"  {label:6} W2 -f {what:16} {m[key] * 1e3:7.1f} ms   --in-place {m['in-place'] * 1e3:7.1f} ms"
                  f"   in place / redirect {ratio:.2f} (target 1.10) {'met' if ratio <= 1.1 else 'MISSED'}")
        print(f"  {label:6} W2 -f > file; mv {m['redirect, mv'] * 1e3:7.1f} ms"
              f"   in place / (redirect and mv) {m['in-place'] / m['redirect, mv']:.2f}")
        print(f"  {label:6} cat F | cat: {fmt_rate(size, m['cat | cat'])} MB/s (what any reader of the pipe gets)")
        for wid, *_ in piped:
            f, f1, p = m[(wid, "-f")], m[(wid, "-f jobs=1")], m[(wid, "pipe")]
            fc, pc = m[(wid, "-f jobs=1", "cpu")], m[(wid, "pipe", "cpu")]
            print(f"  {label:6} {wid:4} -f {fmt_rate(size, f)} MB/s, --jobs=1 {fmt_rate(size, f1)} MB/s,"
                  f" cat | -f - {fmt_rate(size, p)} MB/s; pipe / --jobs=1 {f1 / p:.2f}"
                  f" (target 0.90) {'met' if f1 / p >= 0.9 else 'MISSED'}, pipe / -f {f / p:.2f};"
                  f" quorl's own time, --jobs=1 {fc * 1e3:.0f} / pipe {pc * 1e3:.0f} ms")
    print(f"  in-place result equals the redirected output: {'yes' if same else 'NO'}")


def rule_loading(quorl, work, rounds):
    """Many distinct -R rules, all collected, compiled and applied to one
    line: the whole run's time, which should grow linearly with the rules."""
    one_line = os.path.join(work, "one-line.txt")
    with open(one_line, "w") as f:
        f.write("a w000001 b\n")
    files, cases = [one_line], []
    for n in (12_500, 100_000):
        path = os.path.join(work, f"rules-{n}.txt")
        with open(path, "w") as f:
            f.writelines(f"w{i:06d}:x{i:06d}\n" for i in range(n))
        files.append(path)
        cases.append((f"{n:,} distinct rules", ["-R", path]))
    big = files[-1]
    cases.append(("100,000 rules, the file given twice", ["-R", big, "-R", big]))
    for label, args in cases:
        out = run_out([quorl] + args + ["-f"], one_line)
        if out != b"a x000001 b\n":
            sys.exit(f"CHECK FAILED: {label}: {out!r}")
    res = {}
    for _ in range(rounds):
        for label, args in cases:
            res.setdefault(label, []).append(time_cmd([quorl] + args + ["-f", one_line]))
    print(f"Rule loading, -R rules and a one-line -f file (median of {rounds}),"
          " target for 100,000 distinct rules under 0.5 s:")
    for label, args in cases:
        m = statistics.median(res[label])
        kib = peak_kib([quorl] + args + ["-f", one_line])
        verdict = ("met" if m < 0.5 else "MISSED") if label.startswith("100,000 distinct") else ""
        print(f"  {label:36} {m * 1e3:9.1f} ms  {kib:8d} KiB peak  {verdict}")
    for p in files:
        os.remove(p)


def peak_kib(cmd):
    r = subprocess.run(["/usr/bin/time", "-f", "%M"] + cmd, stdout=subprocess.DEVNULL,
                       stderr=subprocess.PIPE, text=True, env=ENV, check=True)
    return int(r.stderr.strip().splitlines()[-1])


def memory(quorl, work, ascii_path, size_mb):
    print()
    print("Peak resident memory (KiB, /usr/bin/time): --jobs=1, then the default threads;"
          " target under 4096 on one thread, and the same whatever the file's size")
    big = os.path.join(work, "ascii-1gb.txt")
    src = ascii_path
    if abs(size_mb - 100) > 0.5:
        src = corpus(work, "ascii", 100)
    with open(big, "wb") as out, open(src, "rb") as f:
        data = f.read()
        while out.tell() < 1_000_000_000:
            out.write(data)
    try:
        for label, path in [("100 MB", src), ("1 GB", big)]:
            for wid, _, qargs, _, _ in WORKLOADS:
                kib = peak_kib([quorl, "--jobs=1"] + qargs + [path])
                many = peak_kib([quorl] + qargs + [path])
                print(f"  {label:6} {wid:4} {kib:6d} {'met' if kib < 4096 else 'MISSED'}  default {many:6d}")
        print(f"  C memchr loop on 1 GB: {peak_kib([os.path.join(work, 'memchr_loop'), big])}")
        print(f"  static hello: {peak_kib([os.path.join(work, 'hello')])}")
    finally:
        os.remove(big)


if __name__ == "__main__":
    main()
