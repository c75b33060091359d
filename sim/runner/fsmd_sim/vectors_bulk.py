"""The common vectors file read with a few operations over its whole text:
every line after the header a test, every field exactly as many hexadecimal
digits as its port needs, blanks between all fields and around the ':', no
comment, no '-'. A generator writes such files; they are checked and
rewritten into the bench's lines column by column, a fraction of a
microsecond a line. Any other file is left to vectors.parse's reader of
single lines and its full check, which give the same lines and name every
problem."""

HEX_DIGITS = "0123456789ABCDEFabcdef"
# The digits a port's leftmost digit may take, by the bits it holds.
TOP_DIGITS = {1: frozenset("01"), 2: frozenset("0123"), 3: frozenset("01234567")}
# Blanks within a line; '\r' only at its end (a file written on Windows).
BLANKS = " \t\f\v"
# What a line in the common form is made of.
_NOT_IN_COMMON_FORM = str.maketrans("", "", HEX_DIGITS + BLANKS + ":\n\r")


def bulk_rows(text, header_line, columns, ports, order):
    """(rows, line numbers) of the tests after line header_line of text,
    in the layout of vectors._fast_line, when every line is in the common
    form; None otherwise. columns: the port index of each header field
    (None for the ':')."""
    start = 0
    for _ in range(header_line):
        start = text.find("\n", start) + 1
        if start == 0:
            return [], []  # the header is the last line: no test
    body = text[start:]
    if body.translate(_NOT_IN_COMMON_FORM) or any(ports[i].is_integer for i in order):
        return None
    breaks = body.count("\n")
    rows = _rows_in_bench_order(body, breaks, columns, ports, order)
    if rows is not None:
        return rows, range(header_line + 1, header_line + 1 + breaks)
    lines = body.split("\n")
    if lines[-1] == "":
        lines.pop()
    n = len(columns)
    if "\r" in body:
        # Only as a line's last character.
        lines = [line[:-1] if line.endswith("\r") else line for line in lines]
        if any("\r" in line for line in lines):
            return None
    tokens = body.split()
    count = len(lines)
    if len(tokens) != n * count or body.count(":") != count:
        return None
    colon = columns.index(None)
    if tokens[colon::n] != [":"] * count:
        return None
    # Every line holds n tokens: with the total right, none may hold more.
    if not _fixed_layout(body, columns, ports, count) and any(len(line.split()) != n
                                                              for line in lines):
        return None
    by_port = {}
    for c, index in enumerate(columns):
        if index is None:
            continue
        column = tokens[c::n]
        port = ports[index]
        if set(map(len, column)) != {port.digits}:
            return None
        top = TOP_DIGITS.get(port.width % 4)
        if top and not set("".join(column)[::port.digits]) <= top:
            return None
        by_port[index] = column
    flags = "".join("c" if i in by_port else "-" for i in order if ports[i].mode == "out")
    fields = [by_port[i] if i in by_port else ["0" * ports[i].digits] * count for i in order]
    rows = [f"{flags} {' '.join(row)}\n" for row in zip(*fields)]
    return rows, list(range(header_line + 1, header_line + 1 + count))


def _rows_in_bench_order(body, count, columns, ports, order):
    """The bench's rows taken straight from the text, when every line is
    its fields at full width in the bench's own order (inputs, the ':',
    outputs, each group in port order) with one space between each two,
    every output checked: then a row is the flags and the line without its
    ':', and no line is split into fields. (flags, the text of the rows
    without their flags), None otherwise. count: body's line breaks."""
    inputs = [i for i in order if ports[i].mode == "in"]
    outputs = [i for i in order if ports[i].mode == "out"]
    if not inputs or not outputs or columns != inputs + [None] + outputs:
        return None
    if not _fixed_layout(body, columns, ports, count):
        return None
    stride = sum(ports[i].digits + 1 for i in inputs + outputs) + 2
    offset = 0
    for index in columns:
        if index is None:
            offset += 2
            continue
        top = TOP_DIGITS.get(ports[index].width % 4)
        if top and not set(body[offset::stride]) <= top:
            return None
        offset += ports[index].digits + 1
    return "c" * len(outputs) + " ", body.replace(" : ", " ")


def _fixed_layout(body, columns, ports, count):
    """Whether every line of body is its fields at full width with one
    space between each two, a whole line apart: then every line holds every
    field in its place, checked with a few slices of the whole text instead
    of splitting each line."""
    if not body.endswith("\n") or any(c in body for c in "\t\f\v\r"):
        return False
    widths = [1 if index is None else ports[index].digits for index in columns]
    stride = sum(widths) + len(widths)  # the line and its break
    if len(body) != stride * count or body[stride - 1::stride] != "\n" * count:
        return False
    if body.count(" ") != (len(widths) - 1) * count or body.count(":") != count:
        return False
    offset = 0
    for index, width in zip(columns, widths):
        if index is None and body[offset::stride] != ":" * count:
            return False
        offset += width
        if offset < stride - 1 and body[offset::stride] != " " * count:
            return False
        offset += 1
    return True
