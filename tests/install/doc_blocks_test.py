#!/usr/bin/env python3
"""The documentation checks of doc_blocks.py on small made-up trees: each
case is a README and a guide with one kind of link, and whether the link
check must refuse it."""
import os
import pathlib
import sys
import tempfile
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import doc_blocks  # noqa: E402

GUIDE = "# The guide (`--opt`)\n\n## Part two: more\n\ntext\n"

# (what the README says, refused?, the fault a wrong answer would let through)
LINK_CASES = [
    ("[g](docs/guide.md)", False, "a good link refused"),
    ("[g](docs/guide.md#part-two-more)", False, "a heading's anchor not derived as renderers do"),
    ("[g](docs/guide.md#the-guide---opt)", False, "code spans in headings dropped from anchors"),
    ("[g](docs/missing.md)", True, "a link to a file that was not installed"),
    ("[g](docs/guide.md#no-such-part)", True, "a link to a heading that does not exist"),
    ("[g](../../etc/hostname)", True, "a link that leaves the installed documentation"),
    ("`[g](docs/missing.md)`", False, "a link shown as code taken for a link"),
    ("```sh\n[g](docs/missing.md)\n```", False, "a fenced example taken for a link"),
    ("[web](https://example.org/missing.md)", False, "an absolute URL looked up on disk"),
    ("[self](#top)\n\n# Top", False, "an anchor of the page itself not found"),
]


class Links(unittest.TestCase):
    def test_link_check_table(self):
        for readme, refused, fault in LINK_CASES:
            with self.subTest(readme=readme), tempfile.TemporaryDirectory() as d:
                root = pathlib.Path(d) / "doc"
                (root / "docs").mkdir(parents=True)
                (root / "docs" / "guide.md").write_text(GUIDE)
                (root / "README.md").write_text("# Readme\n\n" + readme + "\n")
                problems = doc_blocks.broken_links(root)
                self.assertEqual(bool(problems), refused, f"{fault}: {problems}")
                # The same tree named by a relative path (as from the command line).
                relative = pathlib.Path(os.path.relpath(root))
                self.assertEqual(doc_blocks.broken_links(relative), problems, fault)


class Blocks(unittest.TestCase):
    TEXT = "```sh\necho one\n```\n\n```cmake\nproject(x)\n```\n\n```sh\necho two\n```\n"

    def test_blocks_by_language(self):
        # Catches a block of another language, or a fence's end, copied out.
        self.assertEqual(doc_blocks.blocks(self.TEXT, "sh"), ["echo one\n", "echo two\n"])
        self.assertEqual(doc_blocks.blocks(self.TEXT, "cmake"), ["project(x)\n"])


# (quoted block, log, lines reported missing, the fault a wrong answer would let through)
OUTPUT_CASES = [
    ("a: 3 tests run\n", "x\na: 3 tests run\n", [], "a quoted line that ran refused"),
    ("a: 4 tests run\n", "a: 3 tests run\n", ["a: 4 tests run"], "a made-up result accepted"),
    ("a: 3 tests\n", "a: 3 tests run\n", ["a: 3 tests"], "part of a line taken for the line"),
    ("first\n...\nlast\n", "first\nmiddle\nlast\n", [], "an elided stretch refused"),
    ("  /.../q/q.vhd   42  40\n", "  /tmp/w/q/q.vhd 42    40\n", [],
     "a shortened path or a column's width refused"),
    ("  /.../q/q.vhd 42\n", "  /tmp/v/q/q.vhd 42\n", ["  /.../q/q.vhd 42"],
     "a path from another folder accepted"),
]


class Output(unittest.TestCase):
    def test_quoted_output_table(self):
        for block, log, missing, fault in OUTPUT_CASES:
            with self.subTest(block=block):
                self.assertEqual(doc_blocks.unshown(block, log, "/tmp/w/"), missing, fault)

    def test_the_plain_block_is_found_by_its_text(self):
        # Catches a ```sh block taken for quoted output.
        text = "```sh\necho 3 tests run\n```\n\n```\n3 tests run\n```\n"
        self.assertEqual(doc_blocks.blocks(text, ""), ["3 tests run\n"])


if __name__ == "__main__":
    unittest.main(verbosity=2)
