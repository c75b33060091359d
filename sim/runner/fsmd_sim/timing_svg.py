"""A timing diagram of one window of a run as SVG, which any browser shows:
the clock and the control ports as waveforms, every data port as a bus of
segments labelled with its hexadecimal values, the expected values beneath
their port, and the failing sample marked by a red line with the failure's
text. Written with xml.etree, so names and values are escaped."""
import xml.etree.ElementTree as ElementTree

LABEL_WIDTH = 190
PLOT_WIDTH = 1000
ROW_HEIGHT = 30
TOP = 60
WAVE_COLOUR = "#1a5fb4"
EXPECTED_COLOUR = "#26a269"
UNKNOWN_COLOUR = "#c01c28"
FONT = "font-family:monospace;font-size:12px"


class Row:
    """One row: its label, whether it is a one-bit waveform (else a bus),
    its width in bits, its changes [(time, value)] with values as GHDL
    writes them (binary digits or metavalues), and whether it holds
    expected values."""

    def __init__(self, label, changes, width=1, wave=False, expected=False, decimal=False):
        self.label, self.changes, self.width = label, changes, width
        self.wave, self.expected, self.decimal = wave, expected, decimal


def hex_value(bits, width, decimal=False):
    """The text of a value: hexadecimal, as wide as the port's digits, from
    binary digits; a metavalue ('U', 'X', ...) shown as itself, repeated
    over the digits when the whole value is one; decimal for an integer.
    A value with '-' bits (an expected value whose digits the test leaves
    unchecked) is shown digit by digit: '-' for a digit of '-' bits alone,
    'X' for a digit that mixes them with others."""
    bits = bits.lstrip("b")
    digits = max(1, (width + 3) // 4)
    if bits and all(c in "01" for c in bits):
        if decimal:
            value = int(bits, 2)
            if width and len(bits) == width and bits[0] == "1":
                value -= 1 << width
            return str(value)
        return f"{int(bits, 2):0{digits}X}"
    if bits and len(set(bits)) == 1:
        return bits[0] * digits
    if bits and "-" in bits and all(c in "01-" for c in bits) and not decimal:
        # Digits count from the right; the leftmost may hold fewer bits.
        # A value written shorter than the port extends as VCD says: with
        # 0 after a 0 or 1, with its first bit after a '-'.
        bits = bits.rjust(width, "0" if bits[0] in "01" else bits[0])
        groups = [bits[max(0, end - 4):end] for end in range(len(bits), 0, -4)][::-1]
        return "".join("-" if set(g) == {"-"} else "X" if "-" in g else f"{int(g, 2):X}"
                       for g in groups)
    return "X" * digits if bits else "?"


def is_known(bits):
    """Whether a value holds no metavalue but '-' (a don't-care)."""
    return bits is not None and all(c in "01-" for c in bits.lstrip("b"))


def render(rows, start, end, unit_ns, marker, title):
    """The SVG text. rows: Row list; start, end: the window in trace units;
    unit_ns: nanoseconds per trace unit; marker: (time, text) of the
    failing sample."""
    span = max(end - start, 1)
    # The names' column is as wide as the longest name: a long (extended)
    # port name would run into the waves.
    label_column = max(LABEL_WIDTH, round(label_width(max((len(r.label) for r in rows),
                                                          default=0))) + 16)
    height = TOP + ROW_HEIGHT * len(rows) + 50
    svg = ElementTree.Element("svg", xmlns="http://www.w3.org/2000/svg",
                              width=str(label_column + PLOT_WIDTH + 20), height=str(height),
                              viewBox=f"0 0 {label_column + PLOT_WIDTH + 20} {height}")
    ElementTree.SubElement(svg, "rect", x="0", y="0", width="100%", height="100%", fill="white")
    _text(svg, 10, 20, title, weight="bold")

    def x_of(t):
        return label_column + PLOT_WIDTH * (min(max(t, start), end) - start) / span

    for index, row in enumerate(rows):
        top = TOP + ROW_HEIGHT * index
        colour = EXPECTED_COLOUR if row.expected else WAVE_COLOUR
        _text(svg, 10, top + 19, row.label, fill=colour)
        segments = _segments(row.changes, start, end)
        if row.wave:
            _waveform(svg, segments, x_of, top, colour)
        else:
            _bus(svg, segments, x_of, top, colour, row)
    # The time axis: the window's ends and the failing sample.
    axis = TOP + ROW_HEIGHT * len(rows) + 15
    ElementTree.SubElement(svg, "line", x1=str(label_column), y1=str(axis),
                           x2=str(label_column + PLOT_WIDTH), y2=str(axis), stroke="#777")
    for t, anchor in ((start, "start"), (end, "end")):
        _text(svg, x_of(t), axis + 15, _time_text(t, unit_ns), anchor=anchor, fill="#555")
    if marker is not None:
        t, text = marker
        x = x_of(t)
        ElementTree.SubElement(svg, "line", x1=f"{x:.1f}", y1=str(TOP - 14), x2=f"{x:.1f}",
                               y2=str(axis), stroke=UNKNOWN_COLOUR, **{"stroke-width": "2"})
        anchor = "end" if x > label_column + PLOT_WIDTH / 2 else "start"
        _text(svg, x + (-4 if anchor == "end" else 4), TOP - 18,
              f"{_time_text(t, unit_ns)}: {text}", anchor=anchor, fill=UNKNOWN_COLOUR,
              weight="bold")
    ElementTree.indent(svg)
    return ElementTree.tostring(svg, encoding="unicode") + "\n"


def _segments(changes, start, end):
    """[(from, to, value)] covering start..end."""
    out, value = [], None
    for t, v in changes:
        if t <= start:
            value = v
            continue
        if t > end:
            break
        out.append([start if not out else out[-1][1], t, value])
        value = v
    out.append([start if not out else out[-1][1], end, value])
    # Changes at one time leave empty segments.
    return [s for s in out if s[1] > s[0] or len(out) == 1]


def _waveform(svg, segments, x_of, top, colour):
    high, low = top + 6, top + 24
    points = []
    for t0, t1, v in segments:
        if v not in ("0", "1"):
            ElementTree.SubElement(svg, "rect", x=f"{x_of(t0):.1f}", y=str(high),
                                   width=f"{max(x_of(t1) - x_of(t0), 0.5):.1f}",
                                   height=str(low - high), fill=UNKNOWN_COLOUR,
                                   opacity="0.25")
            points += [(x_of(t0), (high + low) / 2), (x_of(t1), (high + low) / 2)]
            continue
        y = high if v == "1" else low
        points += [(x_of(t0), y), (x_of(t1), y)]
    ElementTree.SubElement(svg, "polyline", fill="none", stroke=colour,
                           points=" ".join(f"{x:.1f},{y:.1f}" for x, y in points),
                           **{"stroke-width": "1.5"})


def _bus(svg, segments, x_of, top, colour, row):
    high, low, middle = top + 6, top + 24, top + 15
    for t0, t1, v in segments:
        if v is None:
            continue  # before the first value (an expected value before its test)
        x0, x1 = x_of(t0), x_of(t1)
        slope = min(3.0, (x1 - x0) / 2)
        known = is_known(v)
        segment = ElementTree.SubElement(svg, "polygon", points=" ".join(
            f"{x:.1f},{y:.1f}" for x, y in ((x0, middle), (x0 + slope, high), (x1 - slope, high),
                                            (x1, middle), (x1 - slope, low), (x0 + slope, low))),
            fill="#eef3fb" if known else "#f8d7da", stroke=colour)
        text = hex_value(v, row.width, row.decimal)
        # Every segment's value is its tooltip; a label that does not fit
        # its segment is left out rather than drawn over its neighbours.
        ElementTree.SubElement(segment, "title").text = f"{row.label} = {text}"
        if label_width(len(text)) <= x1 - x0:
            _text(svg, (x0 + x1) / 2, middle + 4, text, anchor="middle", fill=colour)


def label_width(characters):
    """The pixels a bus label of so many characters needs."""
    return 7.5 * characters + 4


def _text(svg, x, y, text, anchor="start", fill="black", weight="normal"):
    element = ElementTree.SubElement(svg, "text", x=f"{x:.1f}" if isinstance(x, float) else str(x),
                                     y=str(y), fill=fill, style=FONT,
                                     **{"text-anchor": anchor, "font-weight": weight})
    element.text = text
    return element


def _time_text(t, unit_ns):
    ns = t * unit_ns
    return f"{ns:g} ns"
