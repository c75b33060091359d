"""The vectors file of a generated bench: parsed strictly, then rewritten in
the fixed layout the bench reads.

    # comment to the end of the line; blank lines are skipped
    a    b    c    : y    sat        <- header: inputs, ':', checked outputs
    0100 0180 0000 : 0180 0          <- one test per line
    0001 0002 0003 : -    0          <- '-': output not checked in this test
    0001 0002 0003 : 01-- 0          <- a '-' digit: those four bits not checked

Every problem is reported as FILE:LINE:COLUMN before any simulation starts;
no value is ever truncated, padded from garbage or skipped.
"""
import re

from . import vector_lists
from .vectors_bulk import bulk_rows

HEX_DIGITS = frozenset("0123456789abcdefABCDEF")
DONT_CARE = "-"
# The bench's flag of an output checked only where its mask says.
MASKED = "m"
# Tokens are a list (from '[' to the next ']', or up to a ':' or another
# '[' when its ']' is missing), a run of characters other than blanks, ':'
# and '[', or a ':' alone. Blanks are space, tab, carriage return (files
# written on Windows), form feed and vertical tab.
_TOKEN = re.compile(r"\[[^\]\[:]*\]?|[^ \t\r\f\v:\[]+|:")
MAX_ERRORS_SHOWN = 20


class VectorsError(Exception):
    """One or more problems in a vectors file; str() lists them all, each as
    FILE:LINE:COLUMN: cause."""

    def __init__(self, problems, more=0):
        self.problems = problems
        text = "\n".join(problems)
        if more:
            text += f"\n... and {more} more problems"
        super().__init__(text)


class Vectors:
    """A parsed vectors file: the data ports and, per test, its line in the
    layout the generated bench reads (see bench_text) and its line number in
    the vectors file."""

    def __init__(self, ports, rows, lines, lists=(), list_parts=None):
        self.ports = ports
        # The rows as a list, or as (flags, text): each line of text a row
        # without its flags, every row with the same (vectors_bulk), made a
        # list only when something takes the rows one by one.
        self._rows = rows
        self.lines = lines
        # The list columns (vector_lists.ListColumn): each has a file of its
        # own, which the bench reads word by word.
        self.lists = list(lists)
        # Per list column, in order: its part of each test's lines.
        self.list_parts = list_parts if list_parts is not None else [[] for c in self.lists]

    @property
    def rows(self):
        if isinstance(self._rows, tuple):
            flags, text = self._rows
            self._rows = list(map(flags.__add__, text.splitlines(True)))
        return self._rows

    @property
    def tests(self):
        return self.rows

    def count(self):
        """The number of tests."""
        return len(self.lines)

    def values(self, index):
        """The values of test `index` by port (None: not checked; a pair
        (value, mask) for an output with unchecked digits, the mask's bits
        1 where checked)."""
        flags, *fields = self.rows[index].split()
        order = _bench_order(self.ports)
        values = [None] * len(self.ports)
        checked = iter(flags if self.rows[index][0] != " " else "")
        fields = iter(fields)
        for i in order:
            field = next(fields)
            flag = "c" if self.ports[i].mode == "in" else next(checked)
            if flag == "c":
                values[i] = int(field, 16)
            elif flag == MASKED:
                values[i] = (int(field, 16), int(next(fields), 16))
        return values

    def bench_text(self, numbers=None, max_failures=0):
        """The file the bench reads. Its first line: the number of failed
        tests after which the bench stops (0: none). Then per test one line:
        the test's number in the vectors file, a blank, one flag per data
        output ('c' checked, '-' not, 'm' checked where its mask says), a
        blank, then every data port's value as exactly `digits` hexadecimal
        digits (zeros for an unchecked output), inputs first, each group in
        port order; a masked output's value is followed by its mask, 'F' for
        a checked digit and '0' for one that is not. `numbers`: the tests to
        run, ascending (default: all). A run of all tests leaves the numbers
        out: a line that starts with its flags (never a digit) is the test
        after the one before, and the text is made without a step a test."""
        if numbers is None:
            if isinstance(self._rows, tuple):
                flags, text = self._rows  # at least one line, ending in its break
                return f"{max_failures}\n{flags}" + text[:-1].replace("\n", "\n" + flags) + "\n"
            return f"{max_failures}\n" + "".join(self.rows)
        rows = self.rows
        return f"{max_failures}\n" + "".join([f"{n} {rows[n - 1]}" for n in numbers])

    def list_texts(self, numbers=None):
        """The file of each list column, in order: per test run (`numbers`,
        default all) its count and then each word on a line of its own, in
        the layout of vector_lists."""
        if numbers is None:
            numbers = range(1, self.count() + 1)
        # Each part starts with its line break: it ends the line before.
        return ["".join([parts[n - 1] for n in numbers])[1:] + "\n" if numbers else ""
                for parts in self.list_parts]

    def part(self, first, end):
        """The tests first + 1 to end alone (a part of a split run)."""
        return Vectors(self.ports, self.rows[first:end], self.lines[first:end], self.lists,
                       [parts[first:end] for parts in self.list_parts])


def _lines(text):
    """The lines of text: the first few one by one, where the header is
    found and often the whole rest taken at once (vectors_bulk), then the
    others split in one step."""
    start = 0
    for _ in range(16):
        end = text.find("\n", start)
        if end < 0:
            yield text[start:]
            return
        yield text[start:end]
        start = end + 1
    yield from text[start:].split("\n")


def _bench_order(ports):
    return ([i for i, p in enumerate(ports) if p.mode == "in"]
            + [i for i, p in enumerate(ports) if p.mode == "out"])


def _bench_row(ports, order, fields, masked):
    """The bench's line of one test from its fields by port index; `masked`
    holds the indexes of outputs whose field carries a mask."""
    flags = "".join("-" if fields[i] is None else MASKED if i in masked else "c"
                    for i in order if ports[i].mode == "out")
    return flags + " " + " ".join(fields[i] or "0" * ports[i].digits for i in order) + "\n"


def _tokens(text):
    """(column, token) pairs of a line, the comment removed; columns count
    characters from 1. A list that lacks its ']' ends before the blanks
    that follow it."""
    code = text.split("#", 1)[0]
    return [(m.start() + 1, m.group().rstrip(" \t\r\f\v")) for m in _TOKEN.finditer(code)]


def _header_tokens(text):
    """(column, token) pairs of the header line. Besides the plain tokens,
    an extended identifier (\\my port\\, a doubled backslash standing for
    one inside it) is one token whatever blanks, ':' or '#' it holds."""
    tokens = []
    i, n = 0, len(text)
    while i < n:
        ch = text[i]
        if ch == "#":
            break
        if ch in " \t\r\f\v":
            i += 1
        elif ch == ":":
            tokens.append((i + 1, ":"))
            i += 1
        elif ch == "\\":
            end = i + 1
            while end < n:
                if text[end] == "\\":
                    if text[end + 1:end + 2] != "\\":
                        break
                    end += 1
                end += 1
            tokens.append((i + 1, text[i:end + 1]))
            i = end + 1
        else:
            end = i
            while end < n and text[end] not in " \t\r\f\v:#":
                end += 1
            tokens.append((i + 1, text[i:end]))
            i = end
    return tokens


def header_key(name):
    """How a header name is matched to a port: basic identifiers in any
    case, extended identifiers exactly as written."""
    return name if name.startswith("\\") else name.lower()


def _bits(width):
    return "1 bit" if width == 1 else f"{width} bits"


def _what(port):
    """How a message names the column of a field: a port, or the words of a
    list (vector_lists.Element)."""
    return getattr(port, "what", None) or f"port {port.name}"


def described(ch):
    """One character of the file as a message names it: a byte that is not
    UTF-8 (decoded as a lone surrogate) as that byte, an invisible
    character by its code, any other in quotes."""
    if 0xDC80 <= ord(ch) <= 0xDCFF:
        return f"byte {ord(ch) - 0xDC00:#04x}"
    if not ch.isprintable():
        return f"character {ord(ch):#04x}"
    return repr(ch)


def _unshowable(token):
    """(offset, description) of the first character of token that a
    message cannot quote (a byte that is not UTF-8, an invisible
    character), or None."""
    if token.isascii() and token.isprintable():
        return None
    for offset, ch in enumerate(token):
        if not ch.isprintable() or 0xDC80 <= ord(ch) <= 0xDCFF:
            return offset, described(ch)
    return None


def _check_field(token, port, is_output):
    """The value of one field and its mask (None: every digit checked), or
    the cause of its rejection as (offset of the offending character,
    message). In an output, a '-' digit leaves that digit unchecked: its
    bits count as 0 for the width rules, so a mask digit obeys them as any
    other."""
    if token == DONT_CARE:
        if is_output:
            return None, None, None
        return None, None, (0, f"'-' (not checked) in input column {port.name}:"
                               " an input needs a value")
    for offset, ch in enumerate(token):
        if ch not in HEX_DIGITS and not (ch == DONT_CARE and is_output):
            if ch == DONT_CARE:
                return None, None, (offset, f"'-' (not checked) in input column {port.name}:"
                                            " an input needs a value")
            return None, None, (offset, f"{described(ch)} is not a hexadecimal digit"
                                        f" (field of {port.name})")
    if len(token) > port.digits:
        return None, None, (0, f"{len(token)} digits for {_what(port)} of {_bits(port.width)}"
                               f" (at most {port.digits})")
    mask = None
    if DONT_CARE in token:
        mask = "".join("0" if ch == DONT_CARE else "F" for ch in token.rjust(port.digits, "0"))
    value = int(token.replace(DONT_CARE, "0"), 16)
    if value >> port.width:
        return None, None, (0, f"value {token} does not fit {_what(port)} of"
                               f" {_bits(port.width)} (at most {(1 << port.width) - 1:X})")
    # An integer port's value must be in its range; one with unchecked
    # digits stands for several values and is not judged here.
    if mask is None and not port.fits(value):
        form = " of two's complement" if port.low < 0 else ""
        return None, None, (0, f"value {token} is outside the range of {_what(port)}"
                               f" ({port.range_text}, in {_bits(port.width)}{form})")
    return value, mask, None


_HEX_ONLY = str.maketrans("", "", "0123456789abcdefABCDEF")
# The leftmost digits a word may have, by the bits of its top digit.
_TOP_DIGITS = {1: frozenset("01"), 2: frozenset("0123"), 3: frozenset("01234567")}


def _fast_list(token, column):
    """The bench's text of a closed list whose words are all plain
    hexadecimal and fit, checked with a few operations over the whole list
    (a stream of 100,000 values in a fraction of a second); None for any
    other list, which the word-by-word check then reads or reports."""
    body = token[1:-1]
    if not body.isascii() or any(c in body for c in _STR_ONLY_BLANKS + "[]"):
        return None
    if column.element.is_integer:
        return None
    words = body.split()
    if not words:
        return "\nc0" if column.mode == "out" else "\n0"
    digits, top = column.digits, _TOP_DIGITS.get(column.width % 4)
    if column.max_length is not None and len(words) > column.max_length:
        return None
    joined = "".join(words)
    lengths = set(map(len, words))
    if joined.translate(_HEX_ONLY) or max(lengths) > digits:
        return None
    if lengths != {digits}:
        # Words of fewer digits than the width needs: zero-extended.
        words = [w.rjust(digits, "0") for w in words]
        joined = "".join(words)
    if top and not set(joined[::digits]) <= top:
        return None
    text = "\n".join(words).upper()
    if column.mode == "out":
        return f"\nc{len(words)}\nc" + text.replace("\n", "\nc")
    return f"\n{len(words)}\n" + text


def _check_list(token, column):
    """The bench's text of a list field, or the cause of its rejection as
    (offset in the token, message)."""
    is_output = column.mode == "out"
    if token == DONT_CARE and is_output:
        return vector_lists.output_part(None, column.digits), None
    if token.startswith(vector_lists.OPEN) and token.endswith(vector_lists.CLOSE):
        part = _fast_list(token, column)
        if part is not None:
            return part, None
    if not token.startswith(vector_lists.OPEN):
        example = "[0001 0002] or []" if column.digits == 4 else "[...] or []"
        return None, (0, f"{column.name} is a {column.kind}: its field is a list in square"
                         f" brackets, such as {example}")
    if vector_lists.unclosed(token):
        return None, (len(token), f"the list of {column.name} has no closing ']'")
    element = vector_lists.Element(column)
    words = []
    for offset, item in vector_lists.elements(token):
        if vector_lists.OPEN in item or vector_lists.CLOSE in item:
            ch = vector_lists.OPEN if vector_lists.OPEN in item else vector_lists.CLOSE
            return None, (offset + item.index(ch), f"{ch!r} inside the list of {column.name}")
        if column.max_length is not None and len(words) == column.max_length:
            return None, (offset, f"the list of {column.name} holds more than its"
                                  f" {column.max_length} words (the {column.kind}'s depth)")
        value, mask, error = _check_field(item, element, is_output)
        if error:
            return None, (offset + error[0], error[1])
        words.append(value if mask is None or value is None else (value, mask))
    if is_output:
        return vector_lists.output_part(words, column.digits), None
    return vector_lists.input_part(words, column.digits), None


def parse(path, text, ports, exact=(), lists=()):
    """Parses `text`, the contents of the vectors file `path`, against the
    design's data ports and its list columns (vector_lists.ListColumn, in the
    order their fields follow the scalar ones in the bench's lines).
    `exact`: names of outputs whose fields must not leave digits unchecked
    (those with a tolerance). Returns Vectors; raises VectorsError."""
    problems = []
    more = 0

    def problem(line, column, message):
        nonlocal more
        if len(problems) < MAX_ERRORS_SHOWN:
            problems.append(f"{path}:{line}:{column}: {message}")
        else:
            more += 1

    lists = list(lists)
    every = list(ports) + lists
    by_name = {}
    for column in every:
        by_name.setdefault(header_key(column.name), {})[column.mode] = column
    header = None
    columns = []  # index in `every` per field, None for the ':' column
    tests, lines = [], []
    list_parts = [[] for c in lists]
    if isinstance(text, bytes):
        text = text.decode("utf-8", "surrogateescape")
    # A byte-order mark that an editor put before the header is no part of
    # it; columns count from the character after it.
    text = text.removeprefix("\ufeff")
    order = _bench_order(ports)
    # The fast reader takes plain ASCII files only; any other file is read
    # line by line by the full check. A design with list columns is read by
    # the full check too: its lines carry lists.
    fast_allowed = (text.isascii() and not any(c in text for c in _STR_ONLY_BLANKS)
                    and not lists)
    fast = None
    n_ports = len(ports)
    for number, line in enumerate(_lines(text), 1):
        if fast is not None:
            row = fast(line)
            if row is not None:
                if row:
                    tests.append(row)
                    lines.append(number)
                continue
        tokens = _tokens(line) if header is not None else _header_tokens(line)
        if not tokens:
            continue
        if header is None:
            header = number
            columns = _parse_header(tokens, every, by_name, number, problem)
            if columns is None:
                break
            if fast_allowed:
                fast = _fast_line(columns, ports, order, exact)
                bulk = bulk_rows(text, number, columns, ports, order)
                if bulk is not None:
                    tests, lines = bulk
                    break
            continue
        if vector_lists.OPEN in line or vector_lists.CLOSE in line:
            # A bracket out of place shifts every field after it: named first.
            bracket = vector_lists.misplaced_bracket(tokens)
            if bracket is not None:
                problem(number, *bracket)
                continue
        fields = [None] * n_ports
        parts = [vector_lists.absent_part(c) for c in lists]
        masked = set()
        ok = True
        if len(tokens) != len(columns):
            if len(tokens) > len(columns):
                column = tokens[len(columns)][0]
            else:
                column = len(line.rstrip("\r")) + 1
            problem(number, column, f"{len(tokens)} fields where the header at line {header} has"
                                    f" {len(columns)} (':' included)")
            continue
        for (column, token), index in zip(tokens, columns):
            if index is None:
                if token != ":":
                    odd = _unshowable(token)
                    if odd:
                        problem(number, column + odd[0], f"{odd[1]} where the header has ':'")
                    else:
                        problem(number, column, f"{token!r} where the header has ':'")
                    ok = False
                continue
            if token == ":":
                problem(number, column, f"':' where the header has {_column_text(every[index])}")
                ok = False
                continue
            if index >= n_ports:
                part, error = _check_list(token, every[index])
                if error:
                    problem(number, column + error[0], error[1])
                    ok = False
                else:
                    parts[index - n_ports] = part
                continue
            if token.startswith(vector_lists.OPEN):
                problem(number, column, f"a list in the field of port {ports[index].name},"
                                        " which takes one value")
                ok = False
                continue
            value, mask, error = _check_field(token, ports[index], ports[index].mode == "out")
            if error:
                problem(number, column + error[0], error[1])
                ok = False
            elif value is not None:
                fields[index] = f"{value:0{ports[index].digits}X}"
                if mask is not None:
                    if ports[index].name in exact:
                        problem(number, column, f"'-' digits in the field of {ports[index].name},"
                                f" which --tolerance compares as a number: give the whole"
                                f" value or '-'")
                        ok = False
                    fields[index] += " " + mask
                    masked.add(index)
        if ok:
            row = _bench_row(ports, order, fields, masked)
            for column_parts, part in zip(list_parts, parts):
                column_parts.append(part)
            tests.append(row)
            lines.append(number)
    if header is None and not problems:
        problem(1, 1, "no header line (input port names, ':', output port names)")
    if problems:
        raise VectorsError(problems, more)
    return Vectors(ports, tests, lines, lists, list_parts)


def _column_text(column):
    if getattr(column, "is_list", False):
        return f"{column.kind} {column.name}"
    return f"port {column.name}"


# ASCII characters that str.split() takes for blanks and the check does not.
_STR_ONLY_BLANKS = "\x1c\x1d\x1e\x1f"


def _fast_line(columns, ports, order, exact):
    """A reader of the common line: blanks around every field and the ':',
    every field valid. It returns the bench's line, "" for a line with no
    test, or None for anything else, which the full check then reports with
    its column. A few str methods per field keep 100,000 lines well under a
    second. Used for ASCII files without the separators \\x1c-\\x1f only, so
    str.split() splits at the same blanks as the full check. A '-' digit in
    an output of `exact` is left to the full check, which names it."""
    n = len(columns)
    colon = columns.index(None)
    position = {index: i for i, index in enumerate(columns) if index is not None}
    # Per field of the bench's line: the header column it comes from (None:
    # an output the header does not name), its digits, the bits of its top
    # digit when the width is not a multiple of 4, whether it is an output,
    # whether its digits may be left unchecked (a mask), and for an integer
    # port the test of its range.
    layout = [(position.get(i), ports[i].digits, ports[i].width % 4, ports[i].mode == "out",
               ports[i].name not in exact, ports[i].fits if ports[i].is_integer else None)
              for i in order]

    def read(line):
        code = line.split("#", 1)[0] if "#" in line else line
        parts = code.split()
        if not parts:
            return ""
        if len(parts) != n or parts[colon] != ":":
            return None
        flags, fields = [], []
        for c, digits, top_bits, is_output, maskable, fits in layout:
            token = "-" if c is None else parts[c]
            mask = None
            if is_output:
                if token == DONT_CARE:
                    flags.append(DONT_CARE)
                    fields.append("0" * digits)
                    continue
                if DONT_CARE in token:
                    if not maskable:
                        return None
                    mask = "".join("0" if ch == DONT_CARE else "F" for ch in token)
                    token = token.replace(DONT_CARE, "0")
            # An input's '-' fails the digit test here, and the full check
            # names it.
            size = len(token)
            if size > digits or token.strip("0123456789abcdefABCDEF"):
                return None
            if size == digits:
                if top_bits and int(token[0], 16) >> top_bits:
                    return None
            else:
                token = token.rjust(digits, "0")
            if fits is not None and mask is None and not fits(int(token, 16)):
                return None
            if is_output:
                flags.append("c" if mask is None else MASKED)
            fields.append(token if mask is None else f"{token} {mask.rjust(digits, 'F')}")
        return "".join(flags) + " " + " ".join(fields) + "\n"

    return read


def _parse_header(tokens, every, by_name, number, problem):
    """The index in `every` (the ports, then the list columns) of each header
    field (None for ':'), or None after reporting what is wrong with the
    header. A memory's name may stand on both sides: its contents when the
    test starts, and those expected when it ends."""
    columns, seen, first = [], {}, {}
    bad = False
    colon = None
    for column, token in tokens:
        if token == ":":
            if colon is not None:
                problem(number, column,
                        f"a second ':' in the header (the first is at column {colon})")
                bad = True
            colon = column
            columns.append(None)
            continue
        name = header_key(token)
        sides = by_name.get(name)
        side = "in" if colon is None else "out"
        port = sides.get(side) if sides else None
        odd = _unshowable(token) if sides is None else None
        if odd:
            problem(number, column + odd[0], f"{odd[1]} in the header, which holds port names")
            bad = True
        elif sides is None:
            known = ", ".join(dict.fromkeys(p.name for p in every)) or "none"
            problem(number, column,
                    f"unknown column {token!r}: the design's data ports are {known}")
            bad = True
        elif (name, side) in seen or (name in first and len(sides) == 1):
            problem(number, column,
                    f"column {token!r} appears twice"
                    f" (first at column {seen.get((name, side), first.get(name))})")
            bad = True
        elif colon is None and port is None:
            problem(number, column,
                    f"output {token!r} before the ':' (outputs are named after it)")
            bad = True
        elif colon is not None and port is None:
            problem(number, column,
                    f"expected value for input {token!r}: only outputs follow the ':'")
            bad = True
        seen[name, side] = column
        first.setdefault(name, column)
        columns.append(every.index(port) if port is not None else -1)
    if colon is None:
        problem(number, tokens[-1][0] + len(tokens[-1][1]),
                "the header has no ':' between the input and the output names")
        bad = True
    for port in every:
        if (port.mode == "in" and getattr(port, "required", True)
                and (header_key(port.name), "in") not in seen):
            problem(number, 1, f"missing column for input {port.name}: every input needs a value")
            bad = True
    return None if bad else columns
