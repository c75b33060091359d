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

from .vectors_bulk import bulk_rows

HEX_DIGITS = frozenset("0123456789abcdefABCDEF")
DONT_CARE = "-"
# The bench's flag of an output checked only where its mask says.
MASKED = "m"
# Tokens are runs of characters other than blanks and ':', or a ':' alone.
# Blanks are space, tab, carriage return (files written on Windows),
# form feed and vertical tab.
_TOKEN = re.compile(r"[^ \t\r\f\v:]+|:")
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

    def __init__(self, ports, rows, lines):
        self.ports = ports
        self.rows = rows
        self.lines = lines

    @property
    def tests(self):
        return self.rows

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
        run, ascending (default: all)."""
        rows = self.rows
        if numbers is None:
            numbers = range(1, len(rows) + 1)
        return f"{max_failures}\n" + "".join([f"{n} {rows[n - 1]}" for n in numbers])


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
    characters from 1."""
    code = text.split("#", 1)[0]
    return [(m.start() + 1, m.group()) for m in _TOKEN.finditer(code)]


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
        return None, None, (0, f"{len(token)} digits for port {port.name} of {_bits(port.width)}"
                               f" (at most {port.digits})")
    mask = None
    if DONT_CARE in token:
        mask = "".join("0" if ch == DONT_CARE else "F" for ch in token.rjust(port.digits, "0"))
    value = int(token.replace(DONT_CARE, "0"), 16)
    if value >> port.width:
        return None, None, (0, f"value {token} does not fit port {port.name} of"
                               f" {_bits(port.width)} (at most {(1 << port.width) - 1:X})")
    # An integer port's value must be in its range; one with unchecked
    # digits stands for several values and is not judged here.
    if mask is None and not port.fits(value):
        form = " of two's complement" if port.low < 0 else ""
        return None, None, (0, f"value {token} is outside the range of port {port.name}"
                               f" ({port.range_text}, in {_bits(port.width)}{form})")
    return value, mask, None


def parse(path, text, ports, exact=()):
    """Parses `text`, the contents of the vectors file `path`, against the
    design's data ports. `exact`: names of outputs whose fields must not
    leave digits unchecked (those with a tolerance). Returns Vectors; raises
    VectorsError."""
    problems = []
    more = 0

    def problem(line, column, message):
        nonlocal more
        if len(problems) < MAX_ERRORS_SHOWN:
            problems.append(f"{path}:{line}:{column}: {message}")
        else:
            more += 1

    by_name = {header_key(p.name): p for p in ports}
    header = None
    columns = []  # port index per field, None for the ':' column
    tests, lines = [], []
    if isinstance(text, bytes):
        text = text.decode("utf-8", "surrogateescape")
    # A byte-order mark that an editor put before the header is no part of
    # it; columns count from the character after it.
    text = text.removeprefix("\ufeff")
    order = _bench_order(ports)
    # The fast reader takes plain ASCII files only; any other file is read
    # line by line by the full check.
    fast_allowed = text.isascii() and not any(c in text for c in _STR_ONLY_BLANKS)
    fast = None
    for number, line in enumerate(text.split("\n"), 1):
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
            columns = _parse_header(tokens, ports, by_name, number, problem)
            if columns is None:
                break
            if fast_allowed:
                fast = _fast_line(columns, ports, order, exact)
                bulk = bulk_rows(text, number, columns, ports, order)
                if bulk is not None:
                    tests, lines = bulk
                    break
            continue
        fields = [None] * len(ports)
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
                problem(number, column, f"':' where the header has port {ports[index].name}")
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
            tests.append(_bench_row(ports, order, fields, masked))
            lines.append(number)
    if header is None and not problems:
        problem(1, 1, "no header line (input port names, ':', output port names)")
    if problems:
        raise VectorsError(problems, more)
    return Vectors(ports, tests, lines)


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


def _parse_header(tokens, ports, by_name, number, problem):
    """The port index of each header field (None for ':'), or None after
    reporting what is wrong with the header."""
    columns, seen = [], {}
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
        port = by_name.get(name)
        odd = _unshowable(token) if port is None else None
        if odd:
            problem(number, column + odd[0], f"{odd[1]} in the header, which holds port names")
            bad = True
        elif port is None:
            known = ", ".join(p.name for p in ports) or "none"
            problem(number, column,
                    f"unknown column {token!r}: the design's data ports are {known}")
            bad = True
        elif name in seen:
            problem(number, column,
                    f"column {token!r} appears twice (first at column {seen[name]})")
            bad = True
        elif colon is None and port.mode == "out":
            problem(number, column,
                    f"output {token!r} before the ':' (outputs are named after it)")
            bad = True
        elif colon is not None and port.mode == "in":
            problem(number, column,
                    f"expected value for input {token!r}: only outputs follow the ':'")
            bad = True
        seen[name] = column
        columns.append(ports.index(port) if port is not None else -1)
    if colon is None:
        problem(number, tokens[-1][0] + len(tokens[-1][1]),
                "the header has no ':' between the input and the output names")
        bad = True
    for port in ports:
        if port.mode == "in" and header_key(port.name) not in seen:
            problem(number, 1, f"missing column for input {port.name}: every input needs a value")
            bad = True
    return None if bad else columns
