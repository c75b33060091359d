"""Which signals of a run's waves the timing diagram of --wave-on-failure
draws, and its rows: the control ports, each data port under the name the
bench gives its signal, each checked output's expected value (with '-' for
what the test leaves unchecked) and the test number."""
from . import timing_svg


class Roles:
    """Which signals of the trace the diagram shows, each as (label: the
    port's name, the trace's name of its signal): the control ports with
    the clock first and done fourth, the data ports in order; for each
    checked output, the signals of its expected value and of whether the
    test checks it (expected_signals), or its expected value as a
    hexadecimal text where the bench holds it in no signal (expected_texts);
    and the signal of the test's number (None where the bench has none)."""

    def __init__(self, controls, ports, expected_signals=None, expected_texts=None,
                 number=None, completion=None):
        self.controls, self.ports = controls, ports
        # The signal of the port that ends a test (done, busy or idle), where
        # it is not the fourth control port (a design without reset).
        self.completion = completion
        self.expected_signals = expected_signals or {}
        self.expected_texts = expected_texts or {}
        self.number = number

    @property
    def clock(self):
        return self.controls[0][1]

    @property
    def done(self):
        return self.completion or self.controls[3][1]


def signal_roles(job, test):
    """The Roles of job's failing test number test."""
    if hasattr(job, "options"):
        return generated_bench_roles(job.ports, job.options)
    from .data_check import read_fields
    spec = job.spec
    lines = job.data.split(b"\n")
    # The expected value is the field after the inputs, as the bench reads
    # it: a comment or more fields may follow it on the line.
    expected = {}
    if len(lines) >= test:
        fields = read_fields(lines[test - 1], len(spec["inputs"]) + 1)
        expected[spec["output"]] = fields[-1].decode("ascii", "replace")
    controls = [(name, name) for name in ("clk", "reset", "start", "done", "ready")]
    ports = [(name, name) for name in (*spec["inputs"], spec["output"])]
    return Roles(controls, ports, expected_texts=expected)


def generated_bench_roles(ports, options):
    """The Roles of a bench generated from ports: its signals are named as
    the bench names them (a port called like a word of the bench, such as
    read or now, has a signal of another name; the bench's own names carry
    a prefix that no port starts with, inside the backslashes of an
    extended identifier)."""
    from .bench.names import Names
    from .harness_gen import ROLES, own_controls, split_ports
    controls, data = split_ports(ports, options)
    names = Names(ports, controls, options)
    # A role the design lacks (start or done of a dataflow design) is drawn
    # as the bench's own signal in its place.
    own = own_controls(names, options)
    expected = {port.name: (names.own(f"expected_{port.name}"), names.own(f"checked_{port.name}"))
                for port in data if port.mode == "out"}
    # The clock first, the optional ready port after the completion port.
    # The ports of memories and streams, which are no data columns, are
    # drawn with the data ports, in the entity's order.
    drawn = {port.name for port in data} | {
        name for spec in (*getattr(options, "memories", ()), *getattr(options, "streams", ()))
        for name in spec.port_names()}
    return Roles([(controls[role].name, names.signal(controls[role])) if role in controls
                  else (role, own[role]) for role in ROLES if role in controls or role in own],
                 [(port.name, names.signal(port)) for port in ports if port.name in drawn], expected,
                 number=names.own("test_number"),
                 completion=names.control[names.completion])


def diagram_rows(trace, roles, test_start):
    """The rows of the diagram: the clock and the control ports that the
    trace holds as waveforms, then each data port as a bus, each checked
    output followed by its expected values ('-' for digits the test leaves
    unchecked, all of them while it does not check the output), then the
    test number."""
    rows = []
    for label, name in roles.controls:
        signal = trace.signals.get(name)
        if signal is not None:
            rows.append(timing_svg.Row(label, signal.changes, 1, wave=True))
    for label, name in roles.ports:
        signal = trace.signals.get(name)
        if signal is None:
            continue
        rows.append(timing_svg.Row(label, signal.changes, signal.width))
        row_label = f"{label} expected"
        if label in roles.expected_signals:
            expected_name, checked_name = roles.expected_signals[label]
            e, checked = trace.signals.get(expected_name), trace.signals.get(checked_name)
            if e is not None:
                changes = e.changes if checked is None else unchecked_as_dashes(
                    e.changes, checked.changes, e.width)
                rows.append(timing_svg.Row(row_label, changes, e.width, expected=True))
        elif label in roles.expected_texts:
            try:
                bits = format(int(roles.expected_texts[label], 16), f"0{signal.width}b")
            except ValueError:
                continue
            rows.append(timing_svg.Row(row_label, [(test_start, bits)], signal.width,
                                       expected=True))
    number = trace.signals.get(roles.number) if roles.number else None
    if number is not None:
        rows.append(timing_svg.Row("test", number.changes, number.width, decimal=True))
    return rows


def unchecked_as_dashes(expected, checked, width):
    """The changes of an expected value, with '-' in every bit while the
    checked flag (changes of a boolean, '1' while checked) is not '1'."""
    events = sorted([(t, 0, v) for t, v in expected] + [(t, 1, v) for t, v in checked])
    out, value, flag = [], None, "1"
    for t, which, v in events:
        if which == 0:
            value = v
        else:
            flag = v
        shown = value if flag == "1" or value is None else "b" + "-" * width
        if out and out[-1][0] == t:
            out[-1] = (t, shown)
        elif shown is not None and (not out or out[-1][1] != shown):
            out.append((t, shown))
    return out
