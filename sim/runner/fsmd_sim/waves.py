"""VCD files as GHDL writes them: the signals of the bench's top scope, the
time window of one test, and a copy cut to that window.

A VCD is text: a header that declares the signals ($var, inside $scope
blocks, up to $enddefinitions), then "#TIME" lines, each followed by the
changes at that time ("1!" for a bit, "b0101 $" for a vector, "r1.5 %" for
a real). A cut copy keeps the header, gives every signal's value at the
window's start under $dumpvars, then the changes inside the window, at
their own times: a viewer shows the same times as the whole run's file.
"""

import re

TIME_UNITS_FS = {"fs": 1, "ps": 10**3, "ns": 10**6, "us": 10**9, "ms": 10**12, "s": 10**15,
                 "sec": 10**15}


class Signal:
    """A signal of the top scope: its name (without the [7:0] GHDL adds), its
    width, its kind ("reg", "integer", ...), and its changes (time, value)."""

    def __init__(self, name, width, kind, code):
        self.name, self.width, self.kind, self.code = name, width, kind, code
        self.changes = []

    def value_at(self, time):
        """The value in force at time (the last change at or before it)."""
        value = None
        for t, v in self.changes:
            if t > time:
                break
            value = v
        return value

    def rising_edges(self):
        edges, previous = [], None
        for t, v in self.changes:
            if v == "1" and previous != "1":
                edges.append(t)
            previous = v
        return edges


class Trace:
    """A VCD read whole: the femtoseconds per time unit, the top scope's
    signals by name (in declaration order), and the last time."""

    def __init__(self):
        self.unit_fs = 1
        self.signals = {}
        self.end = 0


def _value_line(line):
    """(code, value) of a change line, or None."""
    if line[0] in "br":
        value, _, code = line[1:].partition(" ")
        return code.strip(), value
    return line[1:].strip(), line[0]


def _header(lines):
    """Reads the header from the iterator lines; returns (its lines, the
    femtoseconds per unit, the top scope's signals by code)."""
    header, tokens, depth, top_seen = [], [], 0, False
    unit_fs, top = 1, {}
    statement = ""
    for line in lines:
        header.append(line)
        tokens += line.split()
        statement += line
        if "$end" not in tokens and not line.strip().startswith("$enddefinitions"):
            continue
        words, tokens = tokens, []
        statement, text = "", statement
        keyword = words[0] if words else ""
        if keyword == "$timescale":
            text = "".join(words[1:-1])
            digits = "".join(c for c in text if c.isdigit()) or "1"
            unit_fs = int(digits) * TIME_UNITS_FS.get(text[len(digits):], 1)
        elif keyword == "$scope":
            depth += 1
        elif keyword == "$upscope":
            depth -= 1
            if depth == 0 and top:
                top_seen = True
        elif keyword == "$var" and depth == 1 and not top_seen and len(words) >= 5:
            kind, width, code, name = _var(words, text)
            top[code] = Signal(name, width, kind, code)
        elif keyword == "$enddefinitions":
            break
    return header, unit_fs, top


# A $var statement: kind, width, code, then the name up to the last $end.
# GHDL writes an extended identifier as it is declared (\\a b\\, \\x[1]\\),
# blanks included, and a vector's range after it ([7:0]).
_VAR = re.compile(r"\s*\$var\s+(\S+)\s+(\d+)\s+(\S+)\s+(.*?)\s+\$end\s*$", re.S)
_RANGE = re.compile(r"\[\d+(?::\d+)?\]$")


def _var(words, text):
    """(kind, width, code, name without its range) of a $var statement."""
    m = _VAR.match(text)
    if m:
        kind, width, code, name = m.group(1), int(m.group(2)), m.group(3), m.group(4)
    else:
        kind, width, code, name = words[1], int(words[2]), words[3], words[4]
    return kind, width, code, _RANGE.sub("", name)


def read(path, names=None):
    """The Trace of the VCD at path; the changes of the signals named in
    names (all of the top scope when None)."""
    trace = Trace()
    with open(path, errors="replace") as f:
        lines = iter(f)
        _, trace.unit_fs, top = _header(lines)
        wanted = {code: s for code, s in top.items() if names is None or s.name in names}
        time = 0
        for line in lines:
            if line.startswith("#"):
                time = int(line[1:])
            elif line[:1] in ("", "\n", "$"):
                continue
            else:
                code, value = _value_line(line)
                signal = wanted.get(code)
                if signal is not None:
                    signal.changes.append((time, value))
        trace.end = time
    trace.signals = {s.name: s for s in top.values()}
    return trace


def test_window(trace, test, clock, done, before=3, number=None):
    """(start, end of the trace, start of the test) of the window of test
    number test (1 for the first), which starts `before` rising clock edges
    before the test.
    The test starts when the bench's signal of the test number (named
    number) becomes test, or, in a bench without it, at the rising edge of
    done that ended the test before it."""
    numbers = trace.signals.get(number) if number else None
    start = None
    if numbers is not None:
        start = next((t for t, v in numbers.changes if _integer(v) == test), None)
    if start is None and done in trace.signals:
        edges = trace.signals[done].rising_edges()
        start = 0 if test == 1 else (edges[test - 2] if len(edges) >= test - 1 else None)
    if start is None:
        start = 0
    edges = [t for t in trace.signals[clock].rising_edges() if t < start] if clock in \
        trace.signals else []
    window_start = edges[-before] if len(edges) >= before else 0
    return window_start, trace.end, start


def _integer(value):
    try:
        return int(value, 2)
    except ValueError:
        return None


def cut(source, target, start, end):
    """Writes into target the VCD source cut to the times start..end. The
    bytes of every line kept are copied as they are (latin-1 maps each
    byte to one character and back)."""
    with open(source, encoding="latin-1", newline="") as f, \
            open(target, "w", encoding="latin-1", newline="") as out:
        lines = iter(f)
        header, _, _ = _header(lines)
        out.writelines(header)
        values, time, opened = {}, 0, False
        for line in lines:
            if line.startswith("#"):
                time = int(line[1:])
                if time > end:
                    break
                if time > start:
                    if not opened:
                        _dump_values(out, start, values)
                        opened = True
                    out.write(line)
                continue
            if line[:1] in ("", "\n") or line.startswith("$"):
                continue
            if opened:
                out.write(line)
            else:
                values[_value_line(line)[0]] = line
        if not opened:
            _dump_values(out, start, values)


def _dump_values(out, start, values):
    out.write(f"#{start}\n$dumpvars\n")
    out.writelines(values.values())
    out.write("$end\n")
