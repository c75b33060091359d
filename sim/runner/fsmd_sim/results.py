"""Reading a run's results into one outcome, from which the console report,
the JUnit file and the exit status all come."""
import re
from collections import Counter

from .errors import EXIT_BAD_INPUT, EXIT_FAILED, EXIT_HANG, EXIT_PASSED

PASSED_REPORT = "NONE. End simulation time reached"
FAILED_REPORT = "ERRORS. End simulation time reached"
STOPPED_BY_TIME = "simulation stopped by --stop-time"
STOPPED_BY_DELTA = "simulation stopped by --stop-delta"
DELTA_LIMIT = "stop-delta"


class Test:
    __slots__ = ("number", "passed", "cycles", "line")

    def __init__(self, number, passed, cycles, line):
        # One assignment each: a run of a million tests makes a million.
        self.number = number
        self.passed = passed
        self.cycles = cycles
        self.line = line


# A run of the generated bench's lines of passing tests without values, most
# lines of most runs, read (and renumbered) in one piece. Numbers without
# leading zeros: the digits are shown as they are, and must read as the
# numbers a Test would show.
PASSING_RUN = re.compile(r"(?:test [1-9][0-9]* passed: cycles=(?:0|[1-9][0-9]*)\n)+")


def passing_run_fields(run):
    """(numbers, cycle counts) as digit strings of the text of a PASSING_RUN
    match: only its line starts hold "test ", digits and the fixed words are
    all the rest."""
    fields = run.replace("test ", "").replace(" passed: cycles=", "\n").split("\n")  # N C N C ... ''
    return fields[0:-1:2], fields[1::2]


def results_pieces(text):
    """A results file's text in order, as pieces: (numbers, cycle counts)
    of a run of passing lines without values (passing_run_fields), or
    (None, line) for any other line with its line break."""
    pos, end = 0, len(text)
    while pos < end:
        run = PASSING_RUN.match(text, pos)
        if run is not None:
            yield passing_run_fields(run.group())
            pos = run.end()
            continue
        stop = text.find("\n", pos)
        stop = end if stop < 0 else stop + 1
        yield None, text[pos:stop]
        pos = stop


class PassingRun:
    """Consecutive passing tests read from the results file in one piece:
    their numbers and cycle counts as the decimal digits the bench wrote."""
    __slots__ = ("numbers", "cycles", "offset")

    def __init__(self, numbers, cycles, offset=0):
        self.numbers = numbers
        self.cycles = cycles
        self.offset = offset  # added to each number (a part of a split run)

    def __len__(self):
        return len(self.numbers)

    def shown_numbers(self):
        """The tests' numbers as decimal text."""
        if not self.offset:
            return self.numbers
        return list(map(str, map(self.offset.__add__, map(int, self.numbers))))

    def tests(self):
        k = self.offset
        return [Test(int(n) + k, True, int(c), "cycles=" + c)
                for n, c in zip(self.numbers, self.cycles)]


class Tests:
    """An outcome's tests in order. A run of passing tests read in one piece
    stays two lists of digit strings until something walks the tests one by
    one (the per-test report, JUnit, a split run's renumbering): the summary
    of 100,000 passing tests needs their count and cycle counts only, and an
    object per test would cost more than the rest of the reading."""
    __slots__ = ("_parts", "_count")

    def __init__(self, tests=()):
        self._parts = []  # lists of Test, and PassingRun
        self._count = 0
        self.extend(tests)

    def append(self, test):
        if not self._parts or not isinstance(self._parts[-1], list):
            self._parts.append([])
        self._parts[-1].append(test)
        self._count += 1

    def add_passing_run(self, numbers, cycles, offset=0):
        if numbers:
            self._parts.append(PassingRun(numbers, cycles, offset))
            self._count += len(numbers)

    def extend(self, tests):
        if isinstance(tests, Tests):
            for part in tests._parts:
                if isinstance(part, PassingRun):
                    self.add_passing_run(part.numbers, part.cycles, part.offset)
                else:
                    for t in part:
                        self.append(t)
        else:
            for t in tests:
                self.append(t)

    def __iadd__(self, tests):
        self.extend(tests)
        return self

    def __len__(self):
        return self._count

    def __bool__(self):
        return self._count > 0

    def _whole(self, k):
        """Part k as Test objects, kept so: a caller may change them."""
        part = self._parts[k]
        if isinstance(part, PassingRun):
            part = self._parts[k] = part.tests()
        return part

    def parts(self):
        """The tests as they are kept: lists of Test and PassingRun, in
        order; for writers that make a line per test without an object."""
        return list(self._parts)

    def __iter__(self):
        for k in range(len(self._parts)):
            yield from self._whole(k)

    def __getitem__(self, index):
        if not isinstance(index, int):
            return list(self)[index]
        if index < 0:
            index += self._count
        if not 0 <= index < self._count:
            raise IndexError("test index out of range")
        for k, part in enumerate(self._parts):
            if index < len(part):
                return self._whole(k)[index]
            index -= len(part)

    def __eq__(self, other):
        return list(self) == list(other)

    def __repr__(self):
        return f"Tests({list(self)!r})"

    def renumber(self, offset):
        """Adds offset to every test's number."""
        for part in self._parts:
            if isinstance(part, PassingRun):
                part.offset += offset
            else:
                for t in part:
                    t.number += offset

    def numbers(self):
        """The tests' numbers in order, without an object a test."""
        numbers = []
        for part in self._parts:
            if isinstance(part, PassingRun):
                numbers += map(part.offset.__add__, map(int, part.numbers))
            else:
                numbers += [t.number for t in part]
        return numbers

    def failed(self):
        return [t for part in self._parts if isinstance(part, list) for t in part if not t.passed]

    def passed_count(self):
        return self._count - len(self.failed())

    def cycle_figures(self):
        """(least, sum, count, most) of the passing tests' cycle counts, or
        None when no test passed. A run of passing tests is counted by its
        distinct counts, which are few."""
        tally = Counter()
        for part in self._parts:
            if isinstance(part, PassingRun):
                tally.update(Counter(part.cycles))
            else:
                tally.update(str(t.cycles) for t in part if t.passed)
        if not tally:
            return None
        counts = [int(c) for c in tally]
        return (min(counts), sum(int(c) * n for c, n in tally.items()), sum(tally.values()),
                max(counts))


class Outcome:
    def __init__(self, name):
        self.name = name
        self.tests = Tests()
        self.verdict_line = None
        self.stopped_line = None  # the bench's word that it stopped at --max-failures
        self.unexpected = []  # results lines that are neither a test nor a verdict
        self.status = EXIT_BAD_INPUT
        self.detail = ""
        self.note = ""
        self.messages = []  # the simulation's reports other than the final one
        self.run_log = None
        self.coverage = None  # the lines of the design's coverage summary
        self.counters = None  # the folder of the run's coverage counters
        self.lines_not_run = 0  # test-data lines beyond the bench's limit
        # Tests of the input that did not run, and why (--tests, --max-failures).
        self.tests_not_run = 0
        self.not_run_reason = ""
        self.numbers = None  # the numbers of the tests chosen to run (None: 1, 2, ...)
        # --overlap: the interval between accepted starts ('2 / 2.0 / 2') and
        # the throughput ('493.8', tests per 1,000 cycles), from the results file.
        self.interval = None
        self.throughput = None

    def running_test(self):
        """The number of the test after the last one in the results: the one
        that was running when a run stopped without verdict."""
        n = len(self.tests)
        if self.numbers is not None:
            return self.numbers[n] if n < len(self.numbers) else self.numbers[-1] + 1
        return n + 1

    @property
    def tests(self):
        return self._tests

    @tests.setter
    def tests(self, tests):
        self._tests = tests if isinstance(tests, Tests) else Tests(tests)

    @property
    def passed(self):
        return [t for t in self.tests if t.passed]

    @property
    def failed(self):
        return self._tests.failed()

    def passed_count(self):
        return self._tests.passed_count()

    def cycles(self):
        figures = self._tests.cycle_figures()
        if figures is None:
            return "-"
        least, total, count, most = figures
        return f"{least} / {total / count:.1f} / {most}"


def parse_pipeline_figures(outcome, text):
    """The figures of the results file's line 'interval min / mean / max: 2 /
    2.0 / 2 cycles; throughput: 493.8 tests per 1,000 cycles' (its text
    after the bench's prefix). False when text is not such a line."""
    head, sep, rest = text.partition(" cycles; throughput: ")
    label = "interval min / mean / max: "
    throughput = rest.removesuffix(" tests per 1,000 cycles")
    if not (sep and head.startswith(label) and throughput != rest):
        return False
    outcome.interval, outcome.throughput = head[len(label):], throughput
    return True


def parse_bench_results(outcome, bench, lines):
    """A bundled bench's results file: a passing test is a values line
    followed by '<NAME> OK: Number of cycles=N' (N may be negative), a
    failing test one line starting '<NAME> error: ', and the verdict line
    ends the file."""
    i = 0
    verdicts = (bench["passed_verdict"], bench["failed_verdict"])
    while i < len(lines):
        line = lines[i]
        nxt = lines[i + 1] if i + 1 < len(lines) else ""
        if line in verdicts and outcome.verdict_line is None:
            outcome.verdict_line = line
            i += 1
        elif nxt.startswith(bench["cycles_text"]) and outcome.verdict_line is None:
            cycles = cycle_count(nxt[len(bench["cycles_text"]):])
            if cycles is None:
                outcome.unexpected.append(nxt)
            outcome.tests.append(Test(len(outcome.tests) + 1, cycles is not None, cycles, line))
            i += 2
        elif line.startswith(bench["error_text"]) and outcome.verdict_line is None:
            outcome.tests.append(Test(len(outcome.tests) + 1, False, None, line))
            i += 1
        else:
            outcome.unexpected.append(line)
            i += 1


def cycle_count(text):
    """The count as the bench wrote it with VHDL's integer image: decimal
    digits after an optional minus sign. A count is negative when done rose
    before the first reset had cleared the counter (it starts at
    integer'low); the test passed all the same, as the bench says. None for
    anything else."""
    digits = text[1:] if text.startswith("-") else text
    if not (digits.isascii() and digits.isdigit()):
        return None
    return int(text)


def final_reports(bench, console_lines):
    """The bench's own final report, known by its source location: the
    harness file and line of its final assertion (or of its final report,
    for a bench whose table entry names another kind, such as "report note"). A
    design that prints the same words from elsewhere does not end the
    bench."""
    found = []
    kind = bench.get("final_kind", "assertion failure")
    for line in console_lines:
        for report, location, status in ((PASSED_REPORT, bench["passed_report_at"], EXIT_PASSED),
                                         (FAILED_REPORT, bench["failed_report_at"], EXIT_FAILED)):
            if (line.startswith(location + ":")
                    and line.endswith(f":({kind}): {report}")):
                found.append((line, status))
    return found


def judge(outcome, bench, console, data_tests, stop_time):
    """Sets the outcome's status from the bench's final report, checked
    against the results file; data_tests is the number of tests the data file
    holds (up to the bench's limit)."""
    lines = console.splitlines()
    final = final_reports(bench, lines)
    finals = {line for line, _ in final}
    outcome.messages = [line for line in lines if line not in finals
                        and (":(assertion " in line or ":(report " in line)]
    n = len(outcome.tests)
    if len(final) == 1:
        status = final[0][1]
        expected_verdict = bench["passed_verdict" if status == EXIT_PASSED else "failed_verdict"]
        if outcome.verdict_line != expected_verdict:
            return _no_verdict(outcome, "the bench's final report and the results file disagree:"
                               f" the report says {final[0][0].rpartition(': ')[2]!r}, the results"
                               f" file ends with {outcome.verdict_line or 'no verdict line'!r}")
        if (status == EXIT_PASSED) != (not outcome.failed):
            return _no_verdict(outcome, f"the bench reported {final[0][0].rpartition(': ')[2]!r}"
                               f" but the results file lists {len(outcome.failed)} failed tests")
        if n != data_tests:
            return _no_verdict(outcome, f"the results file lists {n} tests where the test data"
                               f" holds {data_tests}")
        if n == 0:
            outcome.note = "the test-data file holds no test; nothing was checked"
        outcome.status = status
    elif final:
        _no_verdict(outcome, "the bench reported its end more than once")
    elif STOPPED_BY_TIME in console:
        outcome.status = EXIT_HANG
        outcome.detail = (f"no verdict by the stop time {stop_time}: test {outcome.running_test()}"
                          " never saw done rise")
    elif STOPPED_BY_DELTA in console or DELTA_LIMIT in console:
        outcome.status = EXIT_HANG
        outcome.detail = (f"the simulation is stuck in delta cycles during test"
                          f" {outcome.running_test()}:"
                          " time no longer advances")
    else:
        _no_verdict(outcome, "the simulation ended without a verdict (no final report of"
                    " the bench); GHDL said:\n" + console.rstrip())


def _no_verdict(outcome, detail):
    outcome.status = EXIT_BAD_INPUT
    outcome.detail = detail


def watchdog_expired(outcome, seconds):
    outcome.status = EXIT_HANG
    # GHDL writes the results file in blocks, and the block of the last
    # tests is lost with the process ended at the limit: the results file
    # tells the earliest test that may have been running, not which was.
    done = len(outcome.tests)
    outcome.detail = (f"no verdict within the wall-clock limit of {seconds} s (--timeout):"
                      f" test {outcome.running_test()} or a later one was running (the results"
                      f" file holds {done} test{'' if done == 1 else 's'}; GHDL writes it in"
                      " blocks, and the last block is lost when the run is ended)")
