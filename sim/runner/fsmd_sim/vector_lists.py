"""List fields of the vectors file: the contents of a memory or the values
of a stream in one test, in square brackets, `[0001 0002 0003]` or `[]`.

Every element obeys the rules of a plain field of the column's word (its
width, hexadecimal digits, in an output '-' for a word left unchecked and
'-' digits for digits left unchecked). A list column's line in the bench's
layout is written here too:

    input:   ' ' COUNT (' ' WORD)*
    output:  ' ' FLAG COUNT (' ' EFLAG WORD [' ' MASK])*

in a test's line (a memory), or with a line break for each ' ' before an
item in a stream's own file.
FLAG is 'c' for a checked list and '-' for one the test does not check (the
field '-', or no column in the header); EFLAG is 'c', '-' or 'm' per word
as for a scalar output, a mask following an 'm' word."""

OPEN, CLOSE = "[", "]"
BLANKS = " \t\r\f\v"


class ListColumn:
    """A column whose field is a list: `name` as the header writes it, on the
    side `mode` ('in' or 'out'), each element a word of `element` (a Port,
    whose width and range the elements obey). `max_length`: the most
    elements a list may hold (None: any number). `required`: whether an
    input column must be in the header. `kind` names it in messages
    ('memory', 'stream')."""

    is_list = True

    def __init__(self, name, mode, element, kind, max_length=None, required=False):
        # A memory's list travels in the test's line; a stream's in a file
        # of the stream's own.
        self.in_row = kind == "memory"
        self.name = name
        self.mode = mode
        self.element = element
        self.kind = kind
        self.max_length = max_length
        self.required = required

    @property
    def width(self):
        return self.element.width

    @property
    def digits(self):
        return self.element.digits

    def __repr__(self):
        return f"ListColumn({self.kind} {self.name} : {self.mode})"


class Element:
    """One word of a list as `vectors._check_field` judges it: the element
    port's width and range under the column's name."""

    def __init__(self, column):
        port = column.element
        self.name = column.name
        self.what = f"a word of {column.kind} {column.name}"
        self.width = port.width
        self.digits = port.digits
        self.fits = port.fits
        self.low = port.low if port.is_integer else 0
        self.range_text = port.range_text if port.is_integer else ""


def unclosed(token):
    """Whether a token that opens a list lacks its closing bracket."""
    return token.startswith(OPEN) and not token.endswith(CLOSE)


def misplaced_bracket(tokens):
    """(column, message) of the first list without its ']' or ']' without
    its '[' among a line's (column, token) pairs, or None."""
    for column, token in tokens:
        if unclosed(token):
            return column + len(token), f"the list opened at column {column} has no closing ']'"
        if not token.startswith(OPEN) and CLOSE in token:
            return column + token.index(CLOSE), f"{CLOSE!r} with no {OPEN!r} before it"
    return None


def elements(token):
    """(offset in the token, element) of each element of a closed list token."""
    inner_start = 1
    body = token[inner_start:-1]
    items, i, n = [], 0, len(body)
    while i < n:
        if body[i] in BLANKS:
            i += 1
            continue
        end = i
        while end < n and body[end] not in BLANKS:
            end += 1
        items.append((inner_start + i, body[i:end]))
        i = end
    return items


def separator(column):
    """What comes before each item of a list's text: a blank in the test's
    line of the bench's vectors file; a line break in a stream's own file,
    where each value is a line, so that a stream of any length is read
    value by value (a line of a million values would be copied at each
    read)."""
    return " " if column.in_row else "\n"


def input_part(words, digits, sep=" "):
    """The bench's text of an input list: its count and its words."""
    return f"{sep}{len(words)}" + "".join(f"{sep}{w:0{digits}X}" for w in words)


def output_part(words, digits, sep=" "):
    """The bench's text of an output list: `words` holds per element None
    (unchecked), an int, or (value, mask text); None for a list not checked."""
    if words is None:
        return f"{sep}-0"
    parts = [f"{sep}c{len(words)}"]
    for word in words:
        if word is None:
            parts.append(f"{sep}-" + "0" * digits)
        elif isinstance(word, tuple):
            parts.append(f"{sep}m{word[0]:0{digits}X} {word[1]}")
        else:
            parts.append(f"{sep}c{word:0{digits}X}")
    return "".join(parts)


def absent_part(column):
    """The bench's text of a list column the header does not name: an empty
    input (a memory then holds zeros), an output not checked."""
    sep = separator(column)
    return f"{sep}0" if column.mode == "in" else f"{sep}-0"
