"""The vectors file of a generated bench: parsed strictly, then rewritten in
the fixed layout the bench reads.

    # comment to the end of the line; blank lines are skipped
    a    b    c    : y    sat        <- header: inputs, ':', checked outputs
    0100 0180 0000 : 0180 0          <- one test per line
    0001 0002 0003 : -    0          <- '-': output not checked in this test

Every problem is reported as FILE:LINE:COLUMN before any simulation starts;
no value is ever truncated, padded from garbage or skipped.
"""
import re

HEX_DIGITS = frozenset("0123456789abcdefABCDEF")
DONT_CARE = "-"
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
    """A parsed vectors file: the data ports in the bench's order and, per
    test, one value per data port (an int for a value, None for an output
    not checked in that test)."""

    def __init__(self, ports, tests, lines):
        self.ports = ports
        self.tests = tests
        self.lines = lines  # source line number of each test

    def bench_text(self):
        """The vectors in the layout the generated bench reads: per test one
        line with one flag per data output ('c' checked, '-' not), a blank,
        then every data port's value as exactly `digits` hexadecimal digits,
        inputs first, each group in port order."""
        outputs = [i for i, p in enumerate(self.ports) if p.mode == "out"]
        order = [i for i, p in enumerate(self.ports) if p.mode == "in"] + outputs
        formats = [f"{{:0{self.ports[i].digits}X}}" for i in order]
        lines = []
        for values in self.tests:
            flags = "".join("-" if values[i] is None else "c" for i in outputs)
            fields = " ".join(f.format(values[i] or 0) for f, i in zip(formats, order))
            lines.append(f"{flags} {fields}\n")
        return "".join(lines)


def _tokens(text):
    """(column, token) pairs of a line, the comment removed; columns count
    characters from 1."""
    code = text.split("#", 1)[0]
    return [(m.start() + 1, m.group()) for m in _TOKEN.finditer(code)]


def _check_field(token, port, is_output):
    """The value of one field, or the cause of its rejection as (offset of
    the offending character, message)."""
    if token == DONT_CARE:
        if is_output:
            return None, None
        return None, (0, f"'-' (not checked) in input column {port.name}: an input needs a value")
    for offset, ch in enumerate(token):
        if ch not in HEX_DIGITS:
            shown = repr(ch) if ch.isprintable() else f"character {ord(ch):#04x}"
            return None, (offset, f"{shown} is not a hexadecimal digit (field of {port.name})")
    if len(token) > port.digits:
        return None, (0, f"{len(token)} digits for port {port.name} of {port.width} bits"
                         f" (at most {port.digits})")
    value = int(token, 16)
    if value >> port.width:
        return None, (0, f"value {token} does not fit port {port.name} of {port.width} bits"
                         f" (at most {(1 << port.width) - 1:X})")
    return value, None


def parse(path, text, ports):
    """Parses `text`, the contents of the vectors file `path`, against the
    design's data ports. Returns Vectors; raises VectorsError."""
    problems = []
    more = 0

    def problem(line, column, message):
        nonlocal more
        if len(problems) < MAX_ERRORS_SHOWN:
            problems.append(f"{path}:{line}:{column}: {message}")
        else:
            more += 1

    by_name = {p.name: p for p in ports}
    header = None
    columns = []  # port index per field, None for the ':' column
    tests, lines = [], []
    for number, line in enumerate(text.split("\n"), 1):
        tokens = _tokens(line)
        if not tokens:
            continue
        if header is None:
            header = number
            columns = _parse_header(tokens, ports, by_name, number, problem)
            if columns is None:
                break
            continue
        values = [None] * len(ports)
        ok = True
        if len(tokens) != len(columns):
            column = tokens[len(columns)][0] if len(tokens) > len(columns) else len(line.rstrip("\r")) + 1
            problem(number, column, f"{len(tokens)} fields where the header at line {header} has"
                                    f" {len(columns)} (':' included)")
            continue
        for (column, token), index in zip(tokens, columns):
            if index is None:
                if token != ":":
                    problem(number, column, f"{token!r} where the header has ':'")
                    ok = False
                continue
            if token == ":":
                problem(number, column, f"':' where the header has port {ports[index].name}")
                ok = False
                continue
            value, error = _check_field(token, ports[index], ports[index].mode == "out")
            if error:
                problem(number, column + error[0], error[1])
                ok = False
            values[index] = value
        if ok:
            tests.append(values)
            lines.append(number)
    if header is None and not problems:
        problem(1, 1, "no header line (input port names, ':', output port names)")
    if problems:
        raise VectorsError(problems, more)
    return Vectors(ports, tests, lines)


def _parse_header(tokens, ports, by_name, number, problem):
    """The port index of each header field (None for ':'), or None after
    reporting what is wrong with the header."""
    columns, seen = [], {}
    bad = False
    colon = None
    for column, token in tokens:
        if token == ":":
            if colon is not None:
                problem(number, column, f"a second ':' in the header (the first is at column {colon})")
                bad = True
            colon = column
            columns.append(None)
            continue
        name = token.lower()
        port = by_name.get(name)
        if port is None:
            known = ", ".join(p.name for p in ports) or "none"
            problem(number, column, f"unknown column {token!r}: the design's data ports are {known}")
            bad = True
        elif name in seen:
            problem(number, column, f"column {token!r} appears twice (first at column {seen[name]})")
            bad = True
        elif colon is None and port.mode == "out":
            problem(number, column, f"output {token!r} before the ':' (outputs are named after it)")
            bad = True
        elif colon is not None and port.mode == "in":
            problem(number, column, f"expected value for input {token!r}: only outputs follow the ':'")
            bad = True
        seen[name] = column
        columns.append(ports.index(port) if port is not None else -1)
    if colon is None:
        problem(number, tokens[-1][0] + len(tokens[-1][1]),
                "the header has no ':' between the input and the output names")
        bad = True
    for port in ports:
        if port.mode == "in" and port.name not in seen:
            problem(number, 1, f"missing column for input {port.name}: every input needs a value")
            bad = True
    return None if bad else columns
