#!/usr/bin/env python3
"""Runs the examples of linetidy's guide (docs/linetidy.md) as written.

In the guide every ```console block is a transcript:
lines starting with "$ " are commands, the lines after one are what it
prints (standard output and standard error, as a terminal shows them). The
commands run in order, in one scratch directory, with the built linetidy
first on PATH; each must print exactly what the guide shows and end with
status 0.

usage: readme_usage_test.py docs/linetidy.md BIN_DIR
"""
import os
import re
import subprocess
import sys
import tempfile


def transcripts(guide):
    steps = []
    for block in re.findall(r"^```console\n(.*?)^```", guide, re.S | re.M):
        for line in block.splitlines():
            if line.startswith("$ "):
                steps.append([line[2:], []])
            elif steps:
                steps[-1][1].append(line)
            else:
                sys.exit("output before the first command: " + line)
    return steps


def main():
    guide_path, bin_dir = sys.argv[1], os.path.abspath(sys.argv[2])
    with open(guide_path, encoding="utf-8") as f:
        steps = transcripts(f.read())
    if len(steps) < 5:
        sys.exit("the guide shows only %d linetidy commands" % len(steps))
    env = dict(os.environ, PATH=bin_dir + os.pathsep + os.environ.get("PATH", ""), LC_ALL="C")
    failures = 0
    with tempfile.TemporaryDirectory() as scratch:
        for command, expected in steps:
            run = subprocess.run(["sh", "-c", command], cwd=scratch, env=env,
                                 stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60)
            shown = run.stdout.decode("utf-8", "backslashreplace").splitlines()
            if shown != expected or run.returncode != 0:
                failures += 1
                print("$ " + command)
                print("  guide shows:  %r" % expected)
                print("  it printed:   %r (exit status %d)" % (shown, run.returncode))
    if failures:
        sys.exit("%d example(s) of the guide differ" % failures)
    print("%d commands of the guide checked" % len(steps))


if __name__ == "__main__":
    main()
