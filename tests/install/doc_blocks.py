#!/usr/bin/env python3
"""Reads the installed README and guides the way a user does: copies out
the code blocks that are meant to be run, and follows every relative link.

usage:
  doc_blocks.py block FILE LANG TEXT    prints the one ```LANG block of FILE
                                        that contains TEXT (fails unless
                                        exactly one does)
  doc_blocks.py excerpts FILE LANG SOURCE...
                                        fails unless every line of every
                                        ```LANG block of FILE (but "...")
                                        is a line of one of the SOURCE files
  doc_blocks.py output FILE TEXT LOG [ELIDED]
                                        fails unless every line of the one
                                        plain ``` block of FILE that
                                        contains TEXT (but "...") is a line
                                        of LOG, blanks compared as one and
                                        "/.../" read as ELIDED (a path
                                        ending in "/")
  doc_blocks.py links DOC_DIR           fails unless every relative link of
                                        every .md file under DOC_DIR names
                                        a file under DOC_DIR (and, with
                                        #anchor, a heading of that file)
"""
import pathlib
import re
import sys
import urllib.parse

FENCE = re.compile(r"^```([^\n`]*)\n(.*?)^```[ \t]*$", re.S | re.M)
# [text](target) outside code; images and reference links are not used here.
LINK = re.compile(r"\[[^\]\n]*\]\(([^)\s]+)\)")
HEADING = re.compile(r"^#{1,6}[ \t]+(.*?)[ \t]*#*[ \t]*$", re.M)


def blocks(text, lang):
    return [body for info, body in FENCE.findall(text) if info.strip() == lang]


def without_fences(text):
    """The text with its fenced blocks blanked (line numbers kept): a "#"
    comment in a shell example is no heading."""
    return FENCE.sub(lambda m: "\n" * m.group(0).count("\n"), text)


def without_code(text):
    """The text without fenced blocks and inline code spans, so that a
    bracket in an example is never taken for a link."""
    return re.sub(r"`[^`\n]*`", "``", without_fences(text))


def anchor(heading):
    """The anchor a Markdown renderer gives a heading: lower case, inline
    markup and punctuation dropped (hyphens and underscores kept), blanks
    made hyphens."""
    text = re.sub(r"[`*]", "", heading).strip().lower()
    text = re.sub(r"[^\w\- ]", "", text)
    return text.replace(" ", "-")


def anchors(path):
    return {anchor(h) for h in HEADING.findall(without_fences(path.read_text(encoding="utf-8")))}


def broken_links(doc_dir):
    doc_dir = doc_dir.resolve()
    problems = []
    for page in sorted(doc_dir.rglob("*.md")):
        text = without_code(page.read_text(encoding="utf-8"))
        for number, line in enumerate(text.splitlines(), 1):
            for target in LINK.findall(line):
                if re.match(r"[a-z][a-z0-9+.-]*:", target):
                    continue  # an absolute URL: not the installed tree's business
                path, _, fragment = urllib.parse.unquote(target).partition("#")
                where = f"{page.relative_to(doc_dir)}:{number}: {target}"
                dest = (page.parent / path).resolve() if path else page
                if not dest.is_relative_to(doc_dir):
                    problems.append(f"{where}: leads out of the installed documentation")
                elif not dest.is_file():
                    problems.append(f"{where}: no such installed file")
                elif fragment and dest.suffix == ".md" and fragment not in anchors(dest):
                    problems.append(f"{where}: {dest.name} has no heading #{fragment}")
    return problems


def squeezed(line):
    return " ".join(line.split())


def unshown(block, log, elided=None):
    """The lines of a quoted output block that log does not hold: each
    compared with its runs of blanks as one (a column's width follows the
    length of a path that the block shortens to "/.../"); "..." stands for
    lines left out."""
    held = {squeezed(line) for line in log.splitlines()}
    missing = []
    for line in block.splitlines():
        if line.strip() in ("", "..."):
            continue
        real = line.replace("/.../", elided) if elided else line
        if squeezed(real) not in held:
            missing.append(line)
    return missing


def main(argv):
    command, args = argv[1], argv[2:]
    if command == "block":
        path, lang, needle = args
        found = [b for b in blocks(pathlib.Path(path).read_text(encoding="utf-8"), lang)
                 if needle in b]
        if len(found) != 1:
            sys.exit(f"{path}: {len(found)} ```{lang} blocks contain {needle!r}, not one")
        sys.stdout.write(found[0])
        return 0
    if command == "excerpts":
        path, lang, *sources = args
        known = {line.strip() for s in sources
                 for line in pathlib.Path(s).read_text(encoding="utf-8").splitlines()}
        shown = [line.strip() for b in blocks(pathlib.Path(path).read_text(encoding="utf-8"), lang)
                 for line in b.splitlines()]
        missing = [line for line in shown if line and line != "..." and line not in known]
        for line in missing:
            print(f"{path}: this ```{lang} line is in none of the sources: {line}")
        if not shown:
            print(f"{path}: no ```{lang} block")
        return 1 if missing or not shown else 0
    if command == "output":
        path, needle, log, *elided = args
        found = [b for b in blocks(pathlib.Path(path).read_text(encoding="utf-8"), "")
                 if needle in b]
        if len(found) != 1:
            sys.exit(f"{path}: {len(found)} plain ``` blocks contain {needle!r}, not one")
        text = pathlib.Path(log).read_text(encoding="utf-8", errors="replace")
        missing = unshown(found[0], text, elided[0] if elided else None)
        for line in missing:
            print(f"{path}: this quoted line is not in {log}: {line}")
        return 1 if missing else 0
    if command == "links":
        problems = broken_links(pathlib.Path(args[0]))
        for problem in problems:
            print(problem)
        return 1 if problems else 0
    sys.exit(__doc__)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
