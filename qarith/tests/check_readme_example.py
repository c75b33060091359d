#!/usr/bin/env python3
"""Checks that the qarith guide shows the tested examples as they are: every C
example under examples/ and its expected output appear verbatim as fenced
blocks, and the test-qarith lines shown are how its output really begins.

usage: check_readme_example.py docs/qarith.md EXAMPLES_DIR GOLDEN_DIR
"""
import re
import sys
from pathlib import Path


def main():
    readme = Path(sys.argv[1]).read_text()
    examples, golden = Path(sys.argv[2]), Path(sys.argv[3])
    failures = []
    for source in sorted(examples.glob("*.c")):
        if "```c\n" + source.read_text() + "```\n" not in readme:
            failures.append("the guide does not show %s as it is" % source.name)
        expected = source.with_suffix(".expected")
        if "```text\n" + expected.read_text() + "```\n" not in readme:
            failures.append("the guide does not show %s as it is" % expected.name)
    shown = re.search(r"```sh\n\$ (build/bin/test-qarith \| head -n (\d+))\n(.*?)```", readme, re.S)
    if not shown:
        failures.append("the guide shows no test-qarith run")
    else:
        count = int(shown.group(2))
        lines = (golden / "test-qarith.stdout").read_text().split("\n")[:count]
        if shown.group(3) != "\n".join(lines) + "\n":
            failures.append("the guide's test-qarith lines differ from its output")
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
