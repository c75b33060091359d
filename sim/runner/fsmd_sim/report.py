"""The console report of an outcome: one line per test, then a summary and
the verdict."""
import sys
from itertools import islice, repeat

from .errors import EXIT_FAILED, EXIT_PASSED, VERDICT_NAMES
from .results import PassingRun

# Simulation messages printed in full; the rest stay in the run's log.
MESSAGES_SHOWN = 10

# Lines of the report handed to the output at once: where standard output
# is unbuffered (as in many CI runners) each write is a system call, and a
# line per call made 200,000 calls of a run of 100,000 tests.
LINES_PER_WRITE = 4096


def print_outcome(outcome, per_test=True, out=None, coverage=True):
    out = out or sys.stdout
    b = outcome.name
    write_test_lines(outcome, per_test, out)
    lines = []
    for line in outcome.unexpected:
        lines.append(f"{b}: unexpected line in the results file: {line}")
    for line in outcome.messages[:MESSAGES_SHOWN]:
        lines.append(f"{b}: simulation message: {line}")
    if len(outcome.messages) > MESSAGES_SHOWN:
        lines.append(f"{b}: {len(outcome.messages) - MESSAGES_SHOWN} more simulation messages"
                     f" in {outcome.run_log}")
    if outcome.note:
        lines.append(f"{b}: note: {outcome.note}")
    lines.append(summary_line(outcome))
    if getattr(outcome, "failure_waves", None) is not None:
        lines.append(outcome.failure_waves.summary_line(b))
    lines.append(f"{b}: verdict: {verdict_text(outcome)}")
    out.write("".join(line + "\n" for line in lines))
    if coverage and outcome.coverage is not None:
        print_coverage(outcome.coverage, out)


def write_test_lines(outcome, per_test, out):
    """The line of each test (of each failed test only when not per_test),
    LINES_PER_WRITE lines per write."""
    b = outcome.name
    chunk = []

    def flush():
        out.write("".join(chunk))
        chunk.clear()

    parts = outcome.tests.parts() if per_test else [outcome.failed]
    for part in parts:
        if isinstance(part, PassingRun):
            # Joined from the run's digit strings, without an object a test.
            lines = map("".join, zip(repeat(f"{b} test "), part.shown_numbers(), repeat(": passed, "),
                                     part.cycles, repeat(" cycles\n")))
            while True:
                chunk.extend(islice(lines, LINES_PER_WRITE - len(chunk)))
                if len(chunk) < LINES_PER_WRITE:
                    break  # the run is written out
                flush()
            continue
        for t in part:
            if t.passed:
                chunk.append(f"{b} test {t.number}: passed, {t.cycles} cycles\n")
            else:
                chunk.append(f"{b} test {t.number}: FAILED: {t.line}\n")
            if len(chunk) == LINES_PER_WRITE:
                flush()
    if chunk:
        flush()


def print_coverage(summary, out=None):
    """The design's coverage summary (per file: lines with code, executed,
    percent; branches of if/case; the lines never executed)."""
    out = out or sys.stdout
    print("coverage of the design:", file=out)
    for line in summary:
        # A path's bytes that are no UTF-8 are shown as U+FFFD: the console
        # may take no other.
        shown = line.encode("utf-8", "surrogateescape").decode("utf-8", "replace")
        print(f"  {shown}", file=out)


def summary_line(outcome):
    not_run = ""
    if outcome.lines_not_run:
        n = outcome.lines_not_run
        not_run = (f", {n} line{'s' if n > 1 else ''} of test data not run"
                   " (beyond the bench's limit)")
    if outcome.tests_not_run:
        not_run += f", {outcome.tests_not_run} not run ({outcome.not_run_reason})"
    pipeline = ""
    if getattr(outcome, "interval", None) is not None:
        pipeline = (f"; interval between accepted starts min / mean / max: {outcome.interval}"
                    f" cycles; throughput: {outcome.throughput} tests per 1,000 cycles")
    return (f"{outcome.name}: {len(outcome.tests)} tests run, {outcome.passed_count()} passed, "
            f"{len(outcome.failed)} failed{not_run}; cycles min / mean / max: {outcome.cycles()}"
            f"{pipeline}")


def verdict_text(outcome):
    verdict = VERDICT_NAMES[outcome.status]
    if outcome.status in (EXIT_PASSED, EXIT_FAILED):
        return verdict + f" ({outcome.verdict_line or 'no verdict line in the results file'})"
    return verdict + f": {outcome.detail}"


def summary_table(outcomes):
    """`all`'s closing table, one row per bench."""
    rows = [("bench", "run", "passed", "failed", "cycles min / mean / max", "verdict")]
    for o in outcomes:
        rows.append((o.name, str(len(o.tests)), str(o.passed_count()), str(len(o.failed)),
                     o.cycles(), VERDICT_NAMES[o.status]))
    widths = [max(len(r[i]) for r in rows) for i in range(len(rows[0]))]
    return ["  ".join(c.ljust(w) if i in (0, 4, 5) else c.rjust(w)
                      for i, (c, w) in enumerate(zip(r, widths))).rstrip() for r in rows]
