#!/usr/bin/env python3
"""Checks that the C++ guide shows the C++ example and its output as they are
in the installed-tree client that CI builds and runs.

usage: check_readme_cxx.py docs/cxx.md client_hpp.cpp client_hpp.expected
"""
import sys
from pathlib import Path


def main():
    readme = Path(sys.argv[1]).read_text()
    failures = []
    for path, fence in ((sys.argv[2], "cpp"), (sys.argv[3], "text")):
        if "```%s\n%s```\n" % (fence, Path(path).read_text()) not in readme:
            failures.append("the guide does not show %s as it is" % Path(path).name)
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
