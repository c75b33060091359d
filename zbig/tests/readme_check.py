#!/usr/bin/env python3
"""Checks that the zbig guide shows each tested example program verbatim.

usage: readme_check.py docs/zbig.md EXAMPLE.c...
"""
import sys

readme, examples = sys.argv[1], sys.argv[2:]
text = open(readme, encoding="utf-8").read()
missing = [e for e in examples
           if "```c\n" + open(e, encoding="utf-8").read() + "```" not in text]
for example in missing:
    print(f"{readme} does not show {example} verbatim in a ```c block")
sys.exit(1 if missing else 0)
