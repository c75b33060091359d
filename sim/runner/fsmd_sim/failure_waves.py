"""--wave-on-failure FILE: after a failed run, the waves of its first failing
test alone, and a timing diagram of them.

A second run repeats the first up to that test: the same design on the same
tests, cut after the failing one (the vectors file up to its line, the
bundled bench's test data up to its line), so every earlier test runs as
before and the failing test happens at the same simulation time. It runs
in a folder of its own (DIR/.fsmd-sim/failure-run), so the first run's
results stay as they are, and dumps a VCD. The window is cut from it: from
a few clock cycles before the failing test starts to its end (waves.py).
FILE.svg beside it draws the same window (timing_svg.py).

A GHW file is binary and GHDL cannot begin its dump at a later time: FILE
then holds the second run from time 0 to the end of the failing test, and
the window is shown by the SVG alone.
"""
import os
import re

from . import timing_svg, waves
from .errors import BadInput

# Cycles shown before the failing test starts.
CYCLES_BEFORE = 3
FOLDER = "failure-run"


class FailureWaves:
    """What the summary says: the test, the files written, or why none."""

    def __init__(self, test, wave=None, svg=None, problem=None):
        self.test, self.wave, self.svg, self.problem = test, wave, svg, problem

    def summary_line(self, bench):
        if self.problem:
            return f"{bench}: no waves of failing test {self.test}: {self.problem}"
        return (f"{bench}: waves of failing test {self.test}: {self.wave}"
                f" (timing diagram {self.svg})")


def svg_path(wave):
    return os.path.splitext(wave)[0] + ".svg"


# The bench ends the simulation in the middle of the time step of its last
# check, and GHDL's VCD leaves out that step's changes: the failing value
# would be missing. So the second run goes on with one more test (the next
# one of the first run, or the failing one once more when it was the last),
# whose end falls outside the window.


def cut_vectors(text, test_lines, test):
    """The vectors text up to test number test (1 for the first), and one
    more test. test_lines: the line number of each test."""
    lines = text.splitlines(keepends=True)
    kept = lines[:test_lines[test - 1]]
    if not kept[-1].endswith("\n"):
        kept[-1] += "\n"
    extra = test_lines[test] if test < len(test_lines) else test_lines[test - 1]
    return "".join(kept) + lines[extra - 1]


def second_run_choice(numbers, test):
    """The --tests list of the second run when the first ran the tests
    numbers (None: every test): those up to the failing test, and the one
    more test that the cut vectors hold after it, as ranges ('1-3,7-8').
    The first run's --max-failures is not repeated: it would end the second
    run at the failing check, and the waves would miss its last step too."""
    if numbers is None:
        return None
    chosen = [n for n in numbers if n <= test] + [test + 1]
    ranges = []
    for n in chosen:
        if ranges and ranges[-1][1] == n - 1:
            ranges[-1][1] = n
        else:
            ranges.append([n, n])
    return ",".join(f"{a}" if a == b else f"{a}-{b}" for a, b in ranges)


def cut_data(data, test):
    """The bundled bench's test data up to line test, and one more line."""
    lines = data.splitlines(keepends=True)
    kept = lines[:test]
    if not kept[-1].endswith(b"\n"):
        kept[-1] += b"\n"
    return b"".join(kept) + (lines[test] if test < len(lines) else kept[-1])


def failure_time(line, unit_fs):
    """The time of a failure line of the generated bench ("... at 70 ns:
    ..."), in trace units; None when the line carries none."""
    m = re.search(r"\bat (\d+(?:\.\d+)?) (fs|ps|ns|us|ms|sec)\b", line)
    if not m:
        return None
    return round(float(m.group(1)) * waves.TIME_UNITS_FS[m.group(2)] / unit_fs)


def marker_text(test):
    """The label of the failing sample: the failure line's values, without
    its time (the marker shows it) and its place in the vectors file."""
    text = re.sub(r"^at \d+(?:\.\d+)? (?:fs|ps|ns|us|ms|sec): ", "", test.line)
    text = re.sub(r" \(vectors file line \d+\)$", "", text)
    return f"test {test.number} failed: {text}"


def tail(span, period, digits):
    """How long the window goes on after the failing sample: whole clock
    periods, at least one, and enough for the diagram to label the values
    sampled there (digits hexadecimal digits) in the last segment."""
    label = timing_svg.label_width(digits)
    needed = label * span / max(timing_svg.PLOT_WIDTH - label, 1)
    if period <= 0:
        return int(needed) + 1
    return period * max(1, -(-int(needed) // period))


def write(wave, first_job, outcome, rerun):
    """Runs the second run and writes wave (a VCD is cut to the window) and
    its SVG; returns a FailureWaves. rerun(job_inputs) -> (outcome, vcd
    path) runs the cut job; job_inputs is ("vectors", text) or ("data",
    bytes)."""
    test = outcome.failed[0]
    svg = svg_path(wave)
    try:
        if hasattr(first_job, "vectors"):
            second, vcd = rerun(("vectors", cut_vectors(first_job.vectors_text,
                                                         first_job.vectors.lines,
                                                         test.number)))
        else:
            second, vcd = rerun(("data", cut_data(first_job.data, test.number)))
        if not os.path.isfile(vcd):
            return FailureWaves(test.number, problem="the second run wrote no waves"
                                f" ({second.detail or 'see its log'})")
        trace = waves.read(vcd)
        controls, ports, expected = signal_roles(first_job, test.number)
        clock = controls[0]
        done = "done" if "done" in controls else controls[-1]
        start, end, test_start = waves.test_window(trace, test.number, clock, done,
                                                   CYCLES_BEFORE)
        marker_time = failure_time(test.line, trace.unit_fs)
        if marker_time is None:
            edges = trace.signals[done].rising_edges() if done in trace.signals else []
            later = [t for t in edges if t > test_start]
            marker_time = later[0] if later else end
        rising = trace.signals[clock].rising_edges() if clock in trace.signals else []
        period = rising[-1] - rising[-2] if len(rising) > 1 else 0
        digits = max([(trace.signals[p].width + 3) // 4 for p in ports if p in trace.signals],
                     default=1)
        end = marker_time + tail(marker_time - start, period, digits)
        if os.path.splitext(wave)[1].lower() == ".vcd":
            waves.cut(vcd, wave + ".fsmd-sim-new", start, end)
            os.replace(wave + ".fsmd-sim-new", wave)
        rows = diagram_rows(trace, controls, ports, expected, test_start)
        title = f"{outcome.name}: waves of test {test.number}, the first that failed"
        text = timing_svg.render(rows, start, end, trace.unit_fs / 10**6,
                                 (marker_time, marker_text(test)), title)
        with open(svg + ".fsmd-sim-new", "w") as f:
            f.write(text)
        os.replace(svg + ".fsmd-sim-new", svg)
    except BadInput as e:
        return FailureWaves(test.number, problem=str(e))
    except OSError as e:
        return FailureWaves(test.number, problem=f"{e.strerror} ({e.filename})")
    return FailureWaves(test.number, wave, svg)


def signal_roles(job, test):
    """(the control ports with the clock first, the data ports in order, the
    expected value of each checked output as a hexadecimal text where the
    bench holds it in no signal) of job's failing test number test."""
    if hasattr(job, "options"):
        controls = job.options.control_ports()
        return controls, [p.name for p in job.vectors.ports], {}
    spec = job.spec
    lines = job.data.splitlines()
    fields = lines[test - 1].split() if len(lines) >= test else []
    expected = {spec["output"]: fields[-1].decode("ascii", "replace")} if fields else {}
    return ["clk", "reset", "start", "done", "ready"], [*spec["inputs"], spec["output"]], expected


def diagram_rows(trace, controls, ports, expected, test_start):
    """The rows of the diagram: the clock and the control ports that the
    trace holds as waveforms, then each data port as a bus, each checked
    output followed by its expected values, then the test number.
    expected: the expected value (hexadecimal text) of an output whose
    bench holds it in no signal, shown from the test's start."""
    rows = []
    for name in controls:
        signal = trace.signals.get(name)
        if signal is not None:
            rows.append(timing_svg.Row(name, signal.changes, 1, wave=True))
    # The generated bench holds each output's expected value in a signal of
    # its own: <prefix>expected_<port>.
    expected_signals = {}
    for s in trace.signals.values():
        for port in ports:
            if s.name.endswith(f"expected_{port}") and s.name not in ports:
                expected_signals[port] = s
    for port in ports:
        signal = trace.signals.get(port)
        if signal is None:
            continue
        rows.append(timing_svg.Row(port, signal.changes, signal.width))
        label = f"{port} expected"
        if port in expected_signals:
            e = expected_signals[port]
            rows.append(timing_svg.Row(label, e.changes, e.width, expected=True))
        elif port in expected:
            try:
                bits = format(int(expected[port], 16), f"0{signal.width}b")
            except ValueError:
                continue
            rows.append(timing_svg.Row(label, [(test_start, bits)], signal.width, expected=True))
    number = next((s for s in trace.signals.values() if s.name.endswith("test_number")), None)
    if number is not None:
        rows.append(timing_svg.Row("test", number.changes, number.width, decimal=True))
    return rows


def forget(wave):
    """Removes the files of an earlier run, so that a run that does not
    fail leaves no waves of another's failure beside it; returns a problem
    that will keep this run from writing them, or None."""
    folder = os.path.dirname(os.path.abspath(wave))
    if not os.path.isdir(folder):
        return f"the folder {folder} does not exist"
    for path in (wave, svg_path(wave)):
        try:
            if not os.path.isdir(path):
                os.remove(path)
        except FileNotFoundError:
            pass
        except OSError as e:
            return f"cannot replace {path}: {e.strerror}"
    return None


def write_for_run(kit, opts, first_job, outcome, settings, cache):
    """write() for a run of the command line: the cut job is built as the
    first was, with the cut vectors or test data in the second run's own
    folder, and run with the first run's back end and time limits (its
    --tests up to the failing test, without --max-failures: second_run_choice)."""
    from .job import BenchJob
    from .run import Settings, execute, make_scratch, prepare_dir
    scratch = make_scratch(settings.directory)
    folder = prepare_dir(os.path.join(scratch, FOLDER), lambda text: None)
    wave = os.path.abspath(opts.wave_on_failure)
    problem = forget(wave)
    if problem:
        return FailureWaves(outcome.failed[0].number, problem=problem)

    def rerun(cut):
        kind, content = cut
        if kind == "vectors":
            path = os.path.join(folder, "failing.vectors")
            with open(path, "w", encoding="utf-8", errors="surrogateescape") as f:
                f.write(content)
            from .main import design_job
            second_opts = _copy(opts, vectors=path, max_failures=0,
                                tests=second_run_choice(first_job.numbers,
                                                        outcome.failed[0].number))
            make = lambda: design_job(second_opts)  # noqa: E731
        else:
            path = os.path.join(folder, "failing_test_data.txt")
            with open(path, "wb") as f:
                f.write(content)
            make = lambda: BenchJob(kit, opts.target, opts.designs, path)  # noqa: E731
        vcd = os.path.join(folder, "waves.vcd")
        for stale in (vcd,):
            if os.path.exists(stale):
                os.remove(stale)
        if os.path.splitext(wave)[1].lower() == ".ghw":
            # GHDL writes one kind of waves per run: the GHW file first.
            execute(kit, make(), Settings(settings.backend, folder, settings.stop_time, wave,
                                          settings.timeout, settings.deadline), cache)
        second = execute(kit, make(), Settings(settings.backend, folder, settings.stop_time, vcd,
                                               settings.timeout, settings.deadline), cache)
        return second, vcd

    return write(wave, first_job, outcome, rerun)


def _copy(opts, **changes):
    import copy
    other = copy.copy(opts)
    for name, value in changes.items():
        setattr(other, name, value)
    return other
