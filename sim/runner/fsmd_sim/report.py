"""The console report of an outcome: one line per test, then a summary and
the verdict."""
import sys

from .errors import EXIT_FAILED, EXIT_PASSED, VERDICT_NAMES

# Simulation messages printed in full; the rest stay in the run's log.
MESSAGES_SHOWN = 10


def print_outcome(outcome, per_test=True, out=None, coverage=True):
    out = out or sys.stdout
    b = outcome.name
    for t in outcome.tests:
        if t.passed:
            if per_test:
                print(f"{b} test {t.number}: passed, {t.cycles} cycles", file=out)
        else:
            print(f"{b} test {t.number}: FAILED: {t.line}", file=out)
    for line in outcome.unexpected:
        print(f"{b}: unexpected line in the results file: {line}", file=out)
    for line in outcome.messages[:MESSAGES_SHOWN]:
        print(f"{b}: simulation message: {line}", file=out)
    if len(outcome.messages) > MESSAGES_SHOWN:
        print(f"{b}: {len(outcome.messages) - MESSAGES_SHOWN} more simulation messages"
              f" in {outcome.run_log}", file=out)
    if outcome.note:
        print(f"{b}: note: {outcome.note}", file=out)
    print(summary_line(outcome), file=out)
    if getattr(outcome, "failure_waves", None) is not None:
        print(outcome.failure_waves.summary_line(b), file=out)
    print(f"{b}: verdict: {verdict_text(outcome)}", file=out)
    if coverage and outcome.coverage is not None:
        print_coverage(outcome.coverage, out)


def print_coverage(summary, out=None):
    """The design's coverage summary (per file: lines with code, executed,
    percent; branches of if/case; the lines never executed)."""
    out = out or sys.stdout
    print("coverage of the design:", file=out)
    for line in summary:
        print(f"  {line}", file=out)


def summary_line(outcome):
    not_run = ""
    if outcome.lines_not_run:
        n = outcome.lines_not_run
        not_run = (f", {n} line{'s' if n > 1 else ''} of test data not run"
                   " (beyond the bench's limit)")
    if outcome.tests_not_run:
        not_run += f", {outcome.tests_not_run} not run ({outcome.not_run_reason})"
    return (f"{outcome.name}: {len(outcome.tests)} tests run, {len(outcome.passed)} passed, "
            f"{len(outcome.failed)} failed{not_run}; cycles min / mean / max: {outcome.cycles()}")


def verdict_text(outcome):
    verdict = VERDICT_NAMES[outcome.status]
    if outcome.status in (EXIT_PASSED, EXIT_FAILED):
        return verdict + f" ({outcome.verdict_line or 'no verdict line in the results file'})"
    return verdict + f": {outcome.detail}"


def summary_table(outcomes):
    """`all`'s closing table, one row per bench."""
    rows = [("bench", "run", "passed", "failed", "cycles min / mean / max", "verdict")]
    for o in outcomes:
        rows.append((o.name, str(len(o.tests)), str(len(o.passed)), str(len(o.failed)),
                     o.cycles(), VERDICT_NAMES[o.status]))
    widths = [max(len(r[i]) for r in rows) for i in range(len(rows[0]))]
    return ["  ".join(c.ljust(w) if i in (0, 4, 5) else c.rjust(w)
                      for i, (c, w) in enumerate(zip(r, widths))).rstrip() for r in rows]
