"""List fields of the vectors file: the contents of a memory or the values
of a stream in one test, in square brackets, `[0001 0002 0003]` or `[]`.

Every element obeys the rules of a plain field of the column's word (its
width, hexadecimal digits, in an output '-' for a word left unchecked and
'-' digits for digits left unchecked). Each list column has a file of its
own in the bench's layout, written here too; per test:

    input:   COUNT, then a line per word: WORD
    output:  FLAG COUNT, then a line per word: EFLAG WORD [' ' MASK]

FLAG is 'c' for a checked list and '-' for one the test does not check (the
field '-', or no column in the header); EFLAG is 'c', '-' or 'm' per word
as for a scalar output, a mask following an 'm' word. A line per word: a
line of a million words would be copied at each word VHDL reads from it."""

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


def input_part(words, digits):
    """The text of an input list in its file: its count and its words, each
    item after a line break (which ends the line before)."""
    return f"\n{len(words)}" + "".join(f"\n{w:0{digits}X}" for w in words)


def output_part(words, digits):
    """The text of an output list in its file: `words` holds per element None
    (unchecked), an int, or (value, mask text); None for a list not checked."""
    if words is None:
        return f"\n-0"
    parts = [f"\nc{len(words)}"]
    for word in words:
        if word is None:
            parts.append(f"\n-" + "0" * digits)
        elif isinstance(word, tuple):
            parts.append(f"\nm{word[0]:0{digits}X} {word[1]}")
        else:
            parts.append(f"\nc{word:0{digits}X}")
    return "".join(parts)


def absent_part(column):
    """The text of a list column the header does not name: an empty
    input (a memory then holds zeros), an output not checked."""
    return "\n0" if column.mode == "in" else "\n-0"
