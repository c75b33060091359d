"""--wave-on-failure FILE: after a run that failed a test (a later test may
have hung), the waves of its first failing test alone, and a timing diagram
of them.

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
import contextlib
import os
import re
import tempfile

from . import timing_svg, waves
from .failure_signals import diagram_rows, signal_roles
from .errors import EXIT_HANG, BadInput

# Cycles shown before the failing test starts.
CYCLES_BEFORE = 3
FOLDER = "failure-run"


class FailureWaves:
    """What the summary says: the test, the files written, or why none."""

    def __init__(self, test, wave=None, svg=None, problem=None, note=None):
        self.test, self.wave, self.svg, self.problem = test, wave, svg, problem
        self.note = note  # what the files lack, said beside their names

    def summary_line(self, bench):
        if self.problem:
            return f"{bench}: no waves of failing test {self.test}: {self.problem}"
        return (f"{bench}: waves of failing test {self.test}: {self.wave}"
                f" (timing diagram {self.svg})" + (f"; {self.note}" if self.note else ""))


def svg_path(wave):
    return os.path.splitext(wave)[0] + ".svg"


# The bench ends the simulation in the middle of the time step of its last
# check, and GHDL's VCD leaves out that step's changes: the failing value
# would be missing. So the second run goes on with one more test (the next
# one of the first run, or the failing one once more when it was the last),
# whose end falls outside the window.


def cut_vectors(text, test_lines, test):
    """The vectors text up to test number test (1 for the first), and one
    more test. test_lines: the line number of each test, counted as the
    vectors file is read: lines end at LF alone (a form feed or a lone CR
    in a comment ends none)."""
    lines = text.split("\n")
    lines = [line + "\n" for line in lines[:-1]] + ([lines[-1]] if lines[-1] else [])
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


def cut_data(data, test, repeat=False):
    """The bundled bench's test data up to line test, and one more line
    (the failing one again when repeat: the next one never ended); lines
    end at LF alone, as the bench reads them."""
    lines = data.split(b"\n")
    lines = [line + b"\n" for line in lines[:-1]] + ([lines[-1]] if lines[-1] else [])
    kept = lines[:test]
    if not kept[-1].endswith(b"\n"):
        kept[-1] += b"\n"
    return b"".join(kept) + (lines[test] if test < len(lines) and not repeat else kept[-1])


def second_run_stop(test, period_fs):
    """The stop time of the second run ("...fs"), or None where the failure
    line carries no time: some clock periods after the failing sample, more
    than the window's tail needs, so that a next test that never ends (the
    first run hung in it) costs the second run nothing."""
    at = failure_time(test.line, 1)
    if at is None or not period_fs:
        return None
    stop = at + 2 * ((test.cycles or 0) + CYCLES_BEFORE + 2) * period_fs
    # Beyond what GHDL's 64-bit time holds: the first run's stop time stands.
    return f"{stop}fs" if stop < 2**62 else None


def _period_fs(job):
    """The clock period of a generated bench in femtoseconds ("10 ns"), or
    None."""
    options = getattr(job, "options", None)
    number, _, unit = (getattr(options, "clock_period", "") or "").partition(" ")
    try:
        return round(float(number) * waves.TIME_UNITS_FS[unit])
    except (KeyError, ValueError):
        return None


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
    its SVG; returns a FailureWaves. rerun(job_inputs, stop_time) ->
    (outcome, vcd path) runs the cut job; job_inputs is ("vectors", text)
    or ("data", bytes); stop_time, when not None, ends the second run."""
    test = outcome.failed[0]
    svg = svg_path(wave)
    stop = second_run_stop(test, _period_fs(first_job))
    # The first run hung in the test after the failing one (its status is
    # then a hang, not a failure).
    next_hung = outcome.status == EXIT_HANG and outcome.running_test() == test.number + 1
    try:
        if hasattr(first_job, "vectors"):
            second, vcd = rerun(("vectors", cut_vectors(first_job.vectors_text,
                                                         first_job.vectors.lines,
                                                         test.number)), stop)
        else:
            second, vcd = rerun(("data", cut_data(first_job.data, test.number, next_hung)),
                                stop)
        if not os.path.isfile(vcd):
            return FailureWaves(test.number, problem="the second run wrote no waves"
                                f" ({second.detail or 'see its log'})")
        trace = waves.read(vcd)
        roles = signal_roles(first_job, test.number)
        clock, done = roles.clock, roles.done
        start, end, test_start = waves.test_window(trace, test.number, clock, done,
                                                   CYCLES_BEFORE, roles.number)
        marker_time = failure_time(test.line, trace.unit_fs)
        if marker_time is None:
            edges = trace.signals[done].rising_edges() if done in trace.signals else []
            later = [t for t in edges if t > test_start]
            marker_time = later[0] if later else end
        rising = trace.signals[clock].rising_edges() if clock in trace.signals else []
        period = rising[-1] - rising[-2] if len(rising) > 1 else 0
        digits = max([(trace.signals[p].width + 3) // 4 for _, p in roles.ports
                      if p in trace.signals], default=1)
        end = marker_time + tail(marker_time - start, period, digits)
        if os.path.splitext(wave)[1].lower() == ".vcd":
            with _replacing(wave) as new:
                waves.cut(vcd, new, start, end)
        rows = diagram_rows(trace, roles, test_start)
        title = f"{outcome.name}: waves of test {test.number}, the first that failed"
        text = timing_svg.render(rows, start, end, trace.unit_fs / 10**6,
                                 (marker_time, marker_text(test)), title)
        with _replacing(svg) as new:
            with open(new, "w", encoding="utf-8") as f:
                f.write(text)
    except BadInput as e:
        return FailureWaves(test.number, problem=str(e))
    except OSError as e:
        return FailureWaves(test.number, problem=f"{e.strerror} ({e.filename})")
    return FailureWaves(test.number, wave, svg, note=last_step_note(first_job, test.number))


def last_step_note(job, test):
    """What the waves of a bundled bench's failing test lack when the bench
    reads no test after it (its limit): GHDL's VCD leaves out the time step
    of the bench's last check, which holds the failing sample. None when
    they lack nothing."""
    spec = getattr(job, "spec", None)
    if spec is None or test < spec["ntests_max"]:
        return None
    return (f"the {job.name} bench reads no test after test {test} (at most"
            f" {spec['ntests_max']}), so its waves end just before the failing sample")


@contextlib.contextmanager
def _replacing(path):
    """A new file of a name of its own beside path, which replaces path
    once written whole (a file the user keeps beside it is never taken for
    the temporary); removed when writing it fails."""
    fd, new = tempfile.mkstemp(prefix=".fsmd-sim-", suffix=os.path.splitext(path)[1],
                               dir=os.path.dirname(os.path.abspath(path)))
    os.close(fd)
    # mkstemp makes it private; the file is as readable as any other written.
    umask = os.umask(0)
    os.umask(umask)
    try:
        os.chmod(new, 0o666 & ~umask)
        yield new
        os.replace(new, path)
    except BaseException:
        try:
            os.remove(new)
        except OSError:
            pass
        raise


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
    import time
    if settings.deadline is not None and time.monotonic() >= settings.deadline:
        return FailureWaves(outcome.failed[0].number, problem="the run used up its wall-clock"
                            f" limit of {settings.timeout} s (--timeout); no time is left for"
                            " a second run")
    problem = forget(wave)
    if problem:
        return FailureWaves(outcome.failed[0].number, problem=problem)

    def rerun(cut, stop_time):
        kind, content = cut
        stop_time = stop_time or settings.stop_time
        if kind == "vectors":
            path = os.path.join(folder, "failing.vectors")
            with open(path, "w", encoding="utf-8", errors="surrogateescape") as f:
                f.write(content)
            from .main import design_job
            second_opts = _copy(opts, vectors=path, max_failures=0,
                                tests=second_run_choice(first_job.numbers,
                                                        outcome.failed[0].number))
            make = lambda: with_first_design(design_job(second_opts), first_job)  # noqa: E731
        else:
            path = os.path.join(folder, "failing_test_data.txt")
            with open(path, "wb") as f:
                f.write(content)
            make = lambda: with_first_design(  # noqa: E731
                BenchJob(kit, opts.target, opts.designs, path), first_job)
        vcd = os.path.join(folder, "waves.vcd")
        for stale in (vcd,):
            if os.path.exists(stale):
                os.remove(stale)
        if os.path.splitext(wave)[1].lower() == ".ghw":
            # GHDL writes one kind of waves per run: the GHW file first.
            execute(kit, make(), Settings(settings.backend, folder, stop_time, wave,
                                          settings.timeout, settings.deadline), cache)
        second = execute(kit, make(), Settings(settings.backend, folder, stop_time, vcd,
                                               settings.timeout, settings.deadline), cache)
        return second, vcd

    return write(wave, first_job, outcome, rerun)


def with_first_design(job, first_job):
    """job, the second run's, with the design files as the first run read
    them: a file edited (or replaced) since, while a long run went on, would
    give the waves of another design."""
    first = {copy: data for copy, _, data in first_job.sources.items
             if first_job.is_design_source(copy)}
    job.sources.items = [(copy, shown, first.get(copy, data) if job.is_design_source(copy)
                          else data) for copy, shown, data in job.sources.items]
    return job


def _copy(opts, **changes):
    import copy
    other = copy.copy(opts)
    for name, value in changes.items():
        setattr(other, name, value)
    return other
