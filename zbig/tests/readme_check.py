#!/usr/bin/env python3
"""Checks that the README shows the tested example program verbatim."""
import sys

readme, example = sys.argv[1], sys.argv[2]
text = open(readme, encoding="utf-8").read()
code = open(example, encoding="utf-8").read()
if "```c\n" + code + "```" not in text:
    sys.exit(f"{readme} does not show {example} verbatim in a ```c block")
