"""The VHDL literals that `--generic NAME=VALUE` takes as VALUE.

The text goes into the generated bench's generic map as written, so GHDL
has the last word on its type; here it is only recognised, so that a typo
is refused before any analysis and an integer's value is known for the
port widths that depend on it.
"""
import re

_DECIMAL = r"\d(?:_?\d)*"
_INTEGER = re.compile(rf"(-?)\s*({_DECIMAL})(?:[eE]\+?({_DECIMAL}))?\Z")
_BASED_DIGITS = r"[0-9a-fA-F](?:_?[0-9a-fA-F])*"
_BASED = re.compile(rf"(-?)\s*({_DECIMAL})#({_BASED_DIGITS})#(?:[eE]\+?({_DECIMAL}))?\Z")
# B"0101", X"1F", O"17"; VHDL-2008 adds D, a width and U or S: 8UX"1F".
_BIT_STRING = re.compile(r"(?:\d+)?[uUsS]?[bBoOxXdD]\"[0-9a-zA-Z_]*\"\Z")
_STRING = re.compile(r'"(?:[^"]|"")*"\Z')
_CHARACTER = re.compile(r"'.'\Z", re.S)

FORMS = "an integer (-3, 16#FF#), true or false, a character ('a'), a string (\"ab\")" \
        " or a bit string (X\"1F\")"


class LiteralError(Exception):
    """The text is none of the literals a generic may be given."""


def _plain(digits):
    return digits.replace("_", "")


def parse_literal(text):
    """(kind, value) of a literal: ("integer", int), ("boolean", bool), or
    ("character" | "string" | "bit_string", the text as written)."""
    m = _INTEGER.match(text)
    if m:
        value = int(_plain(m.group(2))) * 10 ** int(_plain(m.group(3) or "0"))
        return "integer", -value if m.group(1) else value
    m = _BASED.match(text)
    if m:
        base = int(_plain(m.group(2)))
        if not 2 <= base <= 16:
            raise LiteralError(f"{text}: the base of a based literal is 2 to 16, not {base}")
        try:
            value = int(_plain(m.group(3)), base) * base ** int(_plain(m.group(4) or "0"))
        except ValueError:
            raise LiteralError(f"{text}: a digit is not below the base {base}")
        return "integer", -value if m.group(1) else value
    if text.lower() in ("true", "false"):
        return "boolean", text.lower() == "true"
    if _CHARACTER.match(text) and text[1].isprintable():
        return "character", text
    if _BIT_STRING.match(text):
        return "bit_string", text
    if _STRING.match(text) and text.isprintable():
        return "string", text
    raise LiteralError(f"{text!r} is not a VHDL literal: give {FORMS}")
