#!/usr/bin/env python3
"""Times linetidy against tr and expand on ~200 MB of generated source text.

usage: linetidy_speed.py [--linetidy PATH] [--megabytes N] [--runs N] [--write FILE]

Builds the input in a temporary directory (removed afterwards), then runs
each command --runs times (default 5) with the file as standard input and
/dev/null as standard output, and reports the best wall and CPU time and the
largest resident set of each. linetidy also runs on a tenth of the input, to
show that its memory does not grow with the input. Prints a Markdown report;
--write FILE also writes it, as docs/linetidy-speed.md is written.
"""
import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time


def generated_source(rng, size):
    """Text shaped like generator output: nested blocks indented with blanks,
    tabs or both, blank lines (some holding stray white space), comments."""
    words = ["signal", "begin", "end", "process", "if", "then", "else", "elsif",
             "state", "next_state", "<=", ":=", "(", ")", ";", "std_logic_vector",
             "unsigned", "x_reg", "y_reg", "done", "start", "clk", "reset", "0", "1",
             "when", "case", "others", "=>", "return", "int32_t", "acc", "+", "-"]
    lines = []
    total = 0
    depth = 0
    while total < size:
        r = rng.random()
        if r < 0.08:
            line = rng.choice(["", "", " ", "\t", "  \t "])
        else:
            depth = max(0, min(8, depth + rng.choice([-1, 0, 0, 0, 1])))
            style = rng.random()
            if style < 0.5:
                indent = "    " * depth
            elif style < 0.8:
                indent = "\t" * depth
            else:
                indent = "  " * depth + ("\t" if depth else "")
            body = " ".join(rng.choice(words) for _ in range(rng.randint(1, 9)))
            if rng.random() < 0.1:
                body += "\t-- " + " ".join(rng.choice(words) for _ in range(3))
            line = indent + body
        lines.append(line)
        total += len(line) + 1
    return ("\n".join(lines) + "\n").encode()


def make_input(path, megabytes):
    rng = random.Random(7)
    piece = generated_source(rng, 4 << 20)
    target = megabytes << 20
    with open(path, "wb") as f:
        written = 0
        while written < target:
            chunk = piece[: target - written]
            f.write(chunk)
            written += len(chunk)


def measure(argv, input_path, scratch):
    """Wall time, CPU time (user + system) and max RSS (KiB) of one run,
    output to /dev/null. GNU time reports CPU and RSS: a child forked from
    this Python process would count the pages it shares with Python before
    its exec."""
    rss_file = os.path.join(scratch, "rss")
    timed = ["/usr/bin/time", "-f", "%M %U %S", "-o", rss_file] + argv
    with open(input_path, "rb") as src, open(os.devnull, "wb") as sink:
        start = time.perf_counter()
        status = subprocess.call(timed, stdin=src, stdout=sink)
        elapsed = time.perf_counter() - start
    if status != 0:
        sys.exit("%s failed with status %d" % (" ".join(argv), status))
    with open(rss_file) as f:
        rss, user, system = f.read().split()[-3:]
    return elapsed, float(user) + float(system), int(rss)


def best_of(runs, commands, input_path, scratch):
    """Best wall and CPU time and largest RSS of each command. The commands
    take turns, round after round, so that a spell of load on the machine
    hits them alike instead of spoiling one command's runs."""
    best = {name: [float("inf"), float("inf"), 0] for name, _ in commands}
    for _ in range(runs):
        for name, argv in commands:
            seconds, cpu, rss = measure(argv, input_path, scratch)
            entry = best[name]
            best[name] = [min(entry[0], seconds), min(entry[1], cpu), max(entry[2], rss)]
    return best


def machine():
    model = "unknown CPU"
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    model = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    return "%s, %d cores, load average %.1f at the start" % (
        model, os.cpu_count() or 0, os.getloadavg()[0])


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    default = os.path.join(here, "..", "..", "build", "bin", "linetidy")
    parser = argparse.ArgumentParser()
    parser.add_argument("--linetidy", default=default)
    parser.add_argument("--megabytes", type=int, default=200)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--write", metavar="FILE")
    args = parser.parse_args()
    linetidy = os.path.abspath(args.linetidy)

    scratch = tempfile.mkdtemp(prefix="linetidy-speed-")
    try:
        where = machine()
        big = os.path.join(scratch, "big.txt")
        small = os.path.join(scratch, "small.txt")
        make_input(big, args.megabytes)
        make_input(small, max(1, args.megabytes // 10))
        size = os.path.getsize(big)
        commands = [
            ("linetidy -noprecspaces -notabs", [linetidy, "-noprecspaces", "-notabs"]),
            ("linetidy -notabs", [linetidy, "-notabs"]),
            ("linetidy -noprecspaces", [linetidy, "-noprecspaces"]),
            ("linetidy", [linetidy]),
            ("tr -d '\\t'", ["tr", "-d", "\t"]),
            ("expand", ["expand"]),
        ]
        best = best_of(args.runs, commands, big, scratch)
        _, _, small_rss = measure(commands[0][1], small, scratch)
        _, _, big_rss = measure(commands[0][1], big, scratch)
    finally:
        shutil.rmtree(scratch)

    lines = [
        "Input: %d bytes (%d MiB) of generated source text, from a file, output"
        " to /dev/null; best of %d runs taken in turns. Machine: %s."
        % (size, size >> 20, args.runs, where),
        "",
        "| command | wall (s) | CPU (s) | MB/s (wall) | max RSS (KiB) |",
        "|---|---:|---:|---:|---:|",
    ]
    for name, _ in commands:
        seconds, cpu, rss = best[name]
        lines.append("| `%s` | %.3f | %.3f | %.0f | %d |"
                     % (name, seconds, cpu, size / seconds / 1e6, rss))
    lines += ["", "Max RSS of `%s`: %d KiB on %d MiB of input, %d KiB on %d MiB."
              % (commands[0][0], small_rss, max(1, args.megabytes // 10), big_rss,
                 size >> 20)]
    tidy_cpu, tr_cpu = best[commands[0][0]][1], best[commands[4][0]][1]
    tidy_wall, tr_wall = best[commands[0][0]][0], best[commands[4][0]][0]
    cpu_ratio = "%.2f" % (tidy_cpu / tr_cpu) if tr_cpu > 0 else "n/a"
    lines += ["", "`%s` against `%s`: %.2f times the wall time, %s times the CPU time."
              % (commands[0][0], commands[4][0], tidy_wall / tr_wall, cpu_ratio)]
    report = "\n".join(lines)
    print(report)
    if args.write:
        with open(args.write, "w") as f:
            command = " ".join(["python3", "linetidy/bench/linetidy_speed.py"] + sys.argv[1:])
            f.write(DOC_HEAD.replace("COMMAND", command) + report + "\n")


DOC_HEAD = """# linetidy speed

Users run `linetidy` over large generated trees in pipelines, so it reads and
writes in 128 KiB blocks and scans eight bytes at a time; its memory is two
fixed blocks whatever the input. The yardstick is `tr -d '\\t'`, a filter of
similar work: `linetidy -noprecspaces -notabs` should be no slower.
`expand` is shown for scale. Written by

```sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release && cmake --build build -j2
COMMAND
```

The machine is shared, so wall times vary from run to run; CPU times
(user + system, 10 ms resolution) are steadier.

"""


if __name__ == "__main__":
    main()
