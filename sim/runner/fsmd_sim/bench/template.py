"""Fills the bench's template with the lines of the pieces.

A template line that holds nothing but `@slot@` (after its indent) is a
block slot: it is replaced by the lines every piece gave for that slot, in
the order of the pieces, each indented as the slot; a slot no piece fills
leaves no line. The pieces' lines are taken as they are (no words are
replaced in them). Any other `@word@` is replaced by its value from `words`.
A piece that names a slot the template lacks, or a word without a value,
is an error: a misspelt slot never drops its lines silently.
"""
import functools
import os
import re

TEMPLATE_PATH = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                             "templates", "bench.vhd.in")

_BLOCK = re.compile(r"^( *)@([a-z_]+)@$")
_WORD = re.compile(r"@([a-z_]+)@")


class TemplateError(Exception):
    """A piece or a word that does not fit the template (a fault of fsmd-sim)."""


@functools.lru_cache(maxsize=None)
def bench_template():
    with open(TEMPLATE_PATH, encoding="utf-8") as f:
        return f.read()


def lines(text):
    """The lines of an indented triple-quoted block of VHDL, its common
    indent and its first and last line breaks removed."""
    return dedent(text).strip("\n").split("\n")


def dedent(text):
    """text without the indent its non-blank lines share, blank lines
    emptied (textwrap.dedent for blocks indented with spaces, without
    importing textwrap: every run of fsmd-sim generates a bench, and the
    import cost more than the generation)."""
    rows = text.split("\n")
    cut = min((len(r) - len(r.lstrip(" ")) for r in rows if r.strip()), default=0)
    return "\n".join(r[cut:] if r.strip() else "" for r in rows)


def block_slots(template):
    return [m.group(2) for m in map(_BLOCK.match, template.splitlines()) if m]


def fill(template, words, pieces):
    """The text of `template` with its block slots filled from `pieces` (dicts
    from slot to a list of lines) and its words from `words`."""
    slots = block_slots(template)
    blocks = {slot: [] for slot in slots}
    for piece in pieces:
        for slot, piece_lines in piece.items():
            if slot not in blocks:
                raise TemplateError(f"the bench template has no slot @{slot}@")
            if any("\n" in item for item in piece_lines):
                # Its second line would miss the slot's indent.
                raise TemplateError(f"a line for @{slot}@ holds a line break")
            blocks[slot].extend(piece_lines)

    def word(match):
        if match.group(1) not in words:
            raise TemplateError(f"the bench template's @{match.group(1)}@ has no value")
        return words[match.group(1)]

    text = []
    for line in template.splitlines():
        block = _BLOCK.match(line)
        if block:
            indent, slot = block.groups()
            text += [indent + item if item else "" for item in blocks[slot]]
        else:
            text.append(_WORD.sub(word, line))
    return "\n".join(text) + "\n"
