"""The common vectors file in one pass of a regular expression over its
text: every line after the header a test, every field exactly as many
hexadecimal digits as its port needs, blanks between fields, no comment,
no '-'. Such a file (what a generator writes) is rewritten into the bench's
lines inside the regular-expression engine, a fraction of a microsecond a
line; any other file is left to vectors.parse's reader of single lines and
its full check, which give the same lines and name every problem."""
import re

HEX = "0-9A-Fa-f"
# The digits a port's leftmost digit may take, by the bits it holds.
TOP_DIGIT = {0: f"[{HEX}]", 1: "[01]", 2: "[0-3]", 3: "[0-7]"}
BLANKS = r"[ \t\f\v]"


def field_pattern(port):
    return f"({TOP_DIGIT[port.width % 4]}[{HEX}]{{{port.digits - 1}}})"


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
    if "#" in body or any(ports[i].is_integer for i in order):
        return None
    pattern, template = _line_rewrite(columns, ports, order)
    rows, count = pattern.subn(template, body)
    lines = body.count("\n") + (0 if body.endswith("\n") or not body else 1)
    if count != lines:
        return None
    rows = rows.split("\n")
    if rows[-1] == "":
        rows.pop()
    return [row + "\n" for row in rows], list(range(header_line + 1, header_line + 1 + count))


def _line_rewrite(columns, ports, order):
    """The pattern of a test's line and the template of the bench's line."""
    parts = []
    group = {}
    for index in columns:
        if index is None:
            parts.append(f"{BLANKS}*:{BLANKS}*")
            continue
        if parts and not parts[-1].endswith("*"):
            parts.append(f"{BLANKS}+")
        group[index] = len(group) + 1
        parts.append(field_pattern(ports[index]))
    pattern = re.compile(f"^{BLANKS}*" + "".join(parts) + rf"{BLANKS}*\r?$", re.M)
    flags = "".join("c" if i in group else "-" for i in order if ports[i].mode == "out")
    fields = [f"\\g<{group[i]}>" if i in group else "0" * ports[i].digits for i in order]
    return pattern, flags + " " + " ".join(fields)
