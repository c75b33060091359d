"""The any-design bench kind: a self-checking bench generated from the
ports of the user's own entity, fed from a vectors file.

Before anything is simulated: the ports are read (a plain entity in a file
of its own directly from the text, any other with GHDL's own parser; cached
per content of the design files), the vectors file is checked
completely against them, and the bench is generated. The bench's text
depends on the ports and options only, so a new vectors file reuses the
analysed (and elaborated) library; the bench is also written into the run's
folder for the user to read.
"""
import json
import os

from . import harness_gen, test_list
from .cache import Key
from .errors import EXIT_BAD_INPUT, EXIT_FAILED, EXIT_HANG, EXIT_PASSED, BadInput
from .ghdl import read_text, spawn
from .job import Job
from .library import FORMAT, order_design_files
from .ports import Port, PortError, ports_from_xml
from .results import Outcome, Test, judge, parse_pipeline_figures, results_pieces
from .bench.streams import HANG_INPUTS
from .stdout_buffer import BufferedStdout
from .vectors import VectorsError, parse as parse_vectors

PORTS_PREFIX = "ports-"
PORTS_FILE = "ports.txt"
# Bumped when the reading of ports changes, so entries of an older reading
# are not used.
PORTS_FORMAT = "3"
XML_ANCHOR = "fsmd_sim_ports_anchor.vhd"


class DesignJob(Job):
    """ENTITY of the design files through a bench generated from its ports,
    on the tests of a vectors file."""

    def __init__(self, options, designs, vectors_path, max_failures=0, tests=None):
        """max_failures: failed tests after which the run stops (0: none);
        tests: the --tests list as given (None: every test)."""
        entity = options.entity
        super().__init__(entity, harness_gen.bench_entity(entity),
                         harness_gen.results_file(entity))
        self.options = options
        for path in designs:
            self.add_design_file(path)
        self.vectors_path = vectors_path
        try:
            with open(vectors_path, "rb") as f:
                self.vectors_text = f.read().decode("utf-8", "surrogateescape")
        except OSError as e:
            raise BadInput(f"vectors file {vectors_path} is not readable: {e.strerror}")
        self.vectors = None
        # (K, N): this run is the K-th of N parts of the vectors file's tests
        # (split.py); test_offset tests of the file come before it.
        self.part = None
        self.test_offset = 0
        self.tests_in_file = 0
        self.digests = {}  # of the vectors and options, shared by the parts of a split
        self.harness_text = None
        # Set by the run: fsmd-sim ended the simulation after the verdict.
        self.ended_after_verdict = False
        self.locations = {}
        self.max_failures = max_failures
        self.tests_text = tests
        self.numbers = None  # the tests chosen by --tests
        self.completion = "done"  # the role that ends a test, known once the ports are read

    @property
    def total_tests(self):
        """The tests this run is to run."""
        if self.numbers is not None:
            return len(self.numbers)
        return self.vectors.count() if self.vectors else 0

    def verdict_lines(self):
        return (f"{self.name.upper()} test has passed", f"{self.name.upper()} test has not passed")

    def kit_units(self, kit):
        """None of the kit's units unless the design files name one."""
        from .kit_needs import units_needed
        return units_needed(kit.units, [data.decode("latin-1") for copy, _, data
                                        in self.sources.items if self.is_design_source(copy)])

    def prepare(self, kit, ghdl, cache, kit_use, directory, scratch, deadline):
        """Reads the ports, checks the vectors, generates the bench and
        places it into the run's folder."""
        ports = read_ports(kit, ghdl, cache, kit_use, self, scratch, deadline)
        # Every port, controls included: the names of the bench's signals
        # (--wave-on-failure's diagram) follow from them.
        self.ports = ports
        try:
            controls, data_ports = harness_gen.split_ports(ports, self.options)
            # Without a completion port (--control done=none) its output streams end a test.
            self.completion = next((r for r in harness_gen.COMPLETION_ROLES if r in controls),
                                   harness_gen.DELIVERED)
            lists = harness_gen.list_columns(harness_gen.memories_of(ports, self.options),
                                             harness_gen.streams_of(ports, self.options))
            self.harness_text = harness_gen.generate(ports, self.options)
        except PortError as e:
            raise BadInput(str(e))
        tolerances = self.options.tolerances
        check_tolerances(tolerances, data_ports, self.options.entity)
        try:
            self.vectors = parse_vectors(self.vectors_path, self.vectors_text, data_ports,
                                         exact=tolerances, lists=lists)
        except VectorsError as e:
            raise BadInput(f"the vectors file does not suit entity {self.options.entity}:\n{e}")
        self.tests_in_file = self.vectors.count()
        if self.tests_text is not None:
            self.numbers = test_list.numbers(test_list.parse(self.tests_text),
                                             self.vectors.count(), self.tests_text)
        # A limit the run cannot reach stops nothing: the bench is told none.
        limit = self.max_failures if self.max_failures < self.total_tests else 0
        if self.part is not None:
            # --shard refuses --tests and --max-failures: numbers and limit are none.
            self.select_part(*self.part)
        name = f"{self.top}.vhd"
        shown = os.path.join(directory, name)
        data = self.harness_text.encode()
        self.sources.add(name, shown, data)
        self.inputs.append((harness_gen.vectors_file(self.options.entity),
                            self.vectors.bench_text(self.numbers, limit).encode()))
        self.inputs += self.list_inputs(self.numbers)
        # The bench is kept for the user to read; rewritten only when it changed.
        if read_text(shown) != self.harness_text:
            self.inputs.append((name, data))
        lines = self.harness_text.splitlines()
        for key, text in (("passed", harness_gen.PASSED_REPORT),
                          ("failed", harness_gen.FAILED_REPORT),
                          ("hang", harness_gen.HANG_REPORT)):
            number = next(i for i, line in enumerate(lines, 1) if f'report "{text}' in line)
            self.locations[key] = f"{name}:{number}"

    def select_part(self, k, n):
        """Keeps the tests of part k of n alone. The outcome numbers them from
        1 as the part's bench does, and split.renumber_outcome then adds
        test_offset; the vectors-file lines stay those of each test."""
        from .split import part_range
        first, end = part_range(self.vectors.count(), k, n)
        self.vectors = self.vectors.part(first, end)
        self.part, self.test_offset = (k, n), first

    def part_job(self, k, n):
        """A copy of this prepared job that runs part k of n only (`--jobs`):
        the bench and library are the same, the vectors are the part's."""
        import copy
        job = copy.copy(self)
        job.inputs = list(self.inputs)
        job.select_part(k, n)
        return job

    def part_vectors_inputs(self):
        """(name, bytes) of the bench's vectors file for this job's tests,
        and of each list column's file."""
        return [(harness_gen.vectors_file(self.options.entity), self.vectors.bench_text().encode()),
                *self.list_inputs()]

    def list_inputs(self, numbers=None):
        """(name, bytes) of the file of each list column (memories, streams)
        for the tests `numbers` (default all)."""
        return [(harness_gen.list_file(self.options.entity, k), text.encode())
                for k, text in enumerate(self.vectors.list_texts(numbers))]

    def outcome(self, results_text, console, stop_time):
        outcome = Outcome(self.name)
        outcome.numbers = self.numbers
        hang_line = parse_results_text(outcome, results_text, self.vectors)
        spec = {"passed_verdict": f"{self.name.upper()} test has passed",
                "failed_verdict": f"{self.name.upper()} test has not passed",
                "passed_report_at": self.locations.get("passed", "?"),
                "failed_report_at": self.locations.get("failed", "?"),
                "final_kind": harness_gen.FINAL_REPORT_KIND}
        hang_at = self.locations.get("hang", "?") + ":"
        hang = [line for line in console.splitlines()
                if line.startswith(hang_at) and harness_gen.HANG_REPORT in line]
        if hang:
            number = hang[0].rpartition(harness_gen.HANG_REPORT)[2].strip()
            outcome.messages = [line for line in console.splitlines() if line not in hang
                                and (":(assertion " in line or ":(report " in line)]
            outcome.status = EXIT_HANG
            where = self._where(int(number) if number.isdigit() else 0)
            completion = getattr(self, "completion", "done")
            if completion != harness_gen.DELIVERED:
                ended = f"never {harness_gen.NEVER_TEXT[completion]}"
            elif hang_line and HANG_INPUTS in hang_line:
                ended = "did not have every value of its input streams taken"
            else:
                ended = "did not get every value its output streams expect"
            outcome.detail = (f"test {number} {ended} within"
                              f" {self.options.max_cycles} cycles (--max-cycles){where}")
            if hang_line:
                outcome.detail += f"; the bench says: {hang_line}"
            # With --tests, the missing state of skipped tests may be why.
            self.count_not_run(outcome)
            return outcome
        judge(outcome, spec, console, self.tests_expected(outcome), stop_time)
        if outcome.note and self.part is not None and self.tests_in_file:
            outcome.note = (f"part {self.part[0]} of {self.part[1]} holds no test (the vectors"
                            f" file {self.vectors_path} holds {self.tests_in_file});"
                            " nothing was checked here")
        elif outcome.note:
            outcome.note = (f"the vectors file {self.vectors_path} holds no test;"
                            " nothing was checked")
        if self.ended_after_verdict and outcome.status == EXIT_BAD_INPUT:
            from .verdict_watch import judge_ended
            judge_ended(outcome, spec, self.tests_expected(outcome), EXIT_PASSED, EXIT_FAILED)
        if outcome.status == EXIT_HANG:
            outcome.detail += self._where(outcome.running_test())
        self.count_not_run(outcome)
        stall = getattr(self.options, "stall", 0)
        if stall:
            said = (f"stall rate {stall}% (--stall {stall} --seed {self.options.seed}): the"
                    " streams' valid and ready were withheld in about that share of cycles")
            outcome.note = f"{outcome.note}; {said}" if outcome.note else said
        return outcome

    def tests_expected(self, outcome):
        """The tests the results file must list: all those chosen, or fewer
        when the bench says it stopped at --max-failures and the results
        agree (as many failures as the limit, the last test one of them)."""
        n = len(outcome.tests)
        if (outcome.stopped_line is not None and self.max_failures
                and len(outcome.failed) == self.max_failures and n < self.total_tests
                and not outcome.tests[-1].passed):
            return n
        return self.total_tests

    def count_not_run(self, outcome):
        """The summary's count of tests that did not run, and why; with
        --tests, a note that earlier tests were skipped (a hang too may come
        from the state they would have left)."""
        if self.vectors is None:
            return
        reasons = []
        if self.numbers is not None:
            reasons.append(f"--tests {self.tests_text}")
            skipped = test_list.skipped_before(self.numbers)
            if skipped:
                earlier = (f"{skipped} earlier test was" if skipped == 1
                           else f"{skipped} earlier tests were")
                outcome.note = (f"{earlier} skipped (--tests): the run went from reset straight"
                                " to the chosen tests, so a design that carries state from test"
                                " to test may behave otherwise than in the full run")
        if outcome.stopped_line is not None:
            reasons.append(f"stopped after {self.max_failures} failed"
                           f" test{'s' if self.max_failures > 1 else ''}: --max-failures"
                           f" {self.max_failures}")
        not_run = self.vectors.count() - len(outcome.tests)
        if not_run > 0 and outcome.status in (EXIT_PASSED, EXIT_FAILED):
            outcome.tests_not_run = not_run
            outcome.not_run_reason = "; ".join(reasons)

    def _where(self, number):
        if self.vectors and 1 <= number <= len(self.vectors.lines):
            return f" (vectors file {self.vectors_path}, line {self.vectors.lines[number - 1]})"
        return ""


def check_tolerances(tolerances, data_ports, entity):
    """Every --tolerance names a data output of the design."""
    outputs = {p.name for p in data_ports if p.mode == "out"}
    for name in tolerances:
        if name not in outputs:
            known = ", ".join(sorted(outputs)) or "none"
            raise BadInput(f"--tolerance {name}=...: entity {entity} has no data output {name}"
                           f" (its data outputs: {known})")


def parse_results_text(outcome, text, vectors):
    """parse_results on the whole text of a results file, its lines as
    str.splitlines cuts them. A run of passing tests' lines without values
    is read in one piece, a few operations over its text: a run of 100,000
    tests is read in hundredths of a second."""
    reader = _ResultsReader(outcome, vectors)
    for numbers, piece in results_pieces(text):
        if numbers is None:
            # One line with its break, so that splitlines gives what it gives
            # over the whole text (an empty line, a line ending in '\r\n').
            for line in piece.splitlines():
                reader.line(line)
        elif outcome.verdict_line is None:
            outcome.tests.add_passing_run(numbers, piece)
        else:
            # After the verdict such lines are no tests: read one by one.
            for number, cycles in zip(numbers, piece):
                reader.line(f"test {number} passed: cycles={cycles}")
    return reader.hang


def parse_results(outcome, lines, vectors):
    """The generated bench's results file: one line per test ('test N
    passed: ...', 'test N FAILED at T: ...'), then the verdict; a test
    stopped as a hang has a 'test N HANG at T: ...' line, which is returned."""
    reader = _ResultsReader(outcome, vectors)
    for line in lines:
        reader.line(line)
    return reader.hang


class _ResultsReader:
    """Reads the results file's lines one at a time into outcome."""

    def __init__(self, outcome, vectors):
        self.outcome, self.vectors = outcome, vectors
        self.hang = None

    def line(self, line):
        outcome = self.outcome
        parts = line.split(" ", 3)
        if (len(parts) == 4 and parts[0] == "test" and parts[1].isdigit()
                and outcome.verdict_line is None and parts[2] in ("passed:", "FAILED", "HANG")):
            number, kind, rest = int(parts[1]), parts[2], parts[3]
            if kind == "HANG":
                self.hang = line
                return
            head, _, count = line.rpartition(" cycles=")
            cycles = int(count) if head and count.isdigit() else None
            if kind == "passed:":
                if cycles is None:
                    # Cut short: the bench was stopped (--timeout, a signal)
                    # while writing it. Not a test that passed.
                    outcome.unexpected.append(line)
                else:
                    outcome.tests.append(Test(number, True, cycles, rest))
                return
            vectors = self.vectors
            where = ""
            if vectors and 1 <= number <= len(vectors.lines):
                where = f" (vectors file line {vectors.lines[number - 1]})"
            outcome.tests.append(Test(number, False, cycles, rest + where))
        elif (line.startswith(harness_gen.STOPPED_TEXT) and outcome.verdict_line is None
              and outcome.stopped_line is None):
            outcome.stopped_line = line
        elif (line.startswith(harness_gen.OVERLAP_PREFIX) and outcome.verdict_line is None
              and outcome.interval is None
              and parse_pipeline_figures(outcome, line[len(harness_gen.OVERLAP_PREFIX):])):
            return
        elif (line.endswith((" test has passed", " test has not passed"))
              and outcome.verdict_line is None):
            outcome.verdict_line = line
        else:
            outcome.unexpected.append(line)


def source_lines(src, name):
    """The lines of the source file name (as GHDL names it) in folder src,
    or None."""
    try:
        with open(os.path.join(src, name), "rb") as f:
            return f.read().decode("utf-8", "replace").splitlines()
    except (OSError, ValueError):
        return None


def with_source_line(message, src):
    """A message that names a place (at FILE:LINE:COL) followed by that line
    of the source, so the user sees the expression meant."""
    words = message.split(" ")
    for i, word in enumerate(words[:-1]):
        if word != "at":
            continue
        name, _, rest = words[i + 1].partition(":")
        line, _, column = rest.partition(":")
        if not (line.isdigit() and column.isdigit()):
            continue
        try:
            with open(os.path.join(src, name), "rb") as f:
                lines = f.read().decode("utf-8", "replace").splitlines()
        except (OSError, ValueError):
            return message
        if 1 <= int(line) <= len(lines):
            return f"{message}:\n  {lines[int(line) - 1].strip()}"
        return message
    return message


def read_ports(kit, ghdl, cache, kit_use, job, scratch, deadline):
    """The entity's ports: those of a plain entity read from its text
    (ports_fast), else from the tree `ghdl --file-to-xml` dumps for the
    design files (analysed against the kit's library, so a design may use
    the kit's packages). Kept in the cache per content of the design files,
    entity and architecture: a later run starts no GHDL for them, and reads
    no text either (a lookup costs less than reading the text)."""
    options = job.options
    order_design_files(kit, ghdl, cache, kit_use, job, options.entity, options.architecture,
                       deadline)
    sources = job.sources
    key = sources.key(Key(FORMAT, "ports", PORTS_FORMAT, kit_use.name, options.entity,
                          options.architecture, *kit.flags,
                          *(f"{n}={v}" for n, v in sorted(options.generics.items())))).hex()
    log = os.path.join(scratch, "ports.log")

    def build(src, lib):
        ports = plain_ports(kit, job)
        if ports is None:
            ports = dumped_ports(src, lib)
        with open(os.path.join(lib, PORTS_FILE), "w") as f:
            f.write(json.dumps([p.to_json() for p in ports]) + "\n")

    def dumped_ports(src, lib):
        tree = os.path.join(lib, "tree.xml")
        # GHDL 2.0's dump fails with an internal error ("GHDL Bug occurred")
        # for design files that load no IEEE package; a first file that
        # loads std_logic_1164 avoids it and declares nothing the ports need.
        anchor = os.path.join(lib, XML_ANCHOR)
        with open(anchor, "w") as f:
            f.write("library ieee;\nuse ieee.std_logic_1164.all;\n"
                    "package fsmd_sim_ports_anchor is\nend package fsmd_sim_ports_anchor;\n")
        with BufferedStdout(cache, ghdl.executable) as buffered:
            status = spawn([ghdl.executable, "--file-to-xml", *kit.flags,
                            f"--workdir={os.path.relpath(kit_use.lib, src)}",
                            os.path.relpath(anchor, src), *sources.names()],
                           log, cwd=src, deadline=deadline, out=tree, env=buffered)
        os.remove(anchor)
        errors = read_text(log).rstrip()
        # GHDL 2.0 ends with status 0 even when the dump failed.
        if status != 0 or "dump failed" in errors or not os.path.getsize(tree):
            raise BadInput(job.analysis_failure(errors))
        try:
            ports = ports_from_xml(tree, options.entity, options.architecture, options.generics,
                                   harness_gen.bench_entity(options.entity),
                                   lambda name: source_lines(src, name))
        except PortError as e:
            raise BadInput(sources.shown(with_source_line(str(e), src)))
        finally:
            os.remove(tree)
        return ports

    use = cache.acquire(f"{PORTS_PREFIX}{key}", sources.write, build)
    try:
        items = json.loads(read_text(os.path.join(use.lib, PORTS_FILE)))
        return [Port.from_json(item) for item in items]
    except (ValueError, TypeError):
        raise BadInput(f"the cache entry {use.lib} is damaged; remove it and run again")
    finally:
        use.release()


def plain_ports(kit, job):
    """The ports as ports_fast reads them from the one design file, or None
    where GHDL is to read them: several files (their order and units are
    GHDL's to find), generics given (GHDL's tree has the messages), the
    Synopsys library or a kit package (either may declare a type named like
    a standard one)."""
    options = job.options
    designs = [data for copy, _, data in job.sources.items if job.is_design_source(copy)]
    if (len(designs) != 1 or options.generics or getattr(kit, "ieee", None) != "standard"
            or getattr(kit, "std", None) not in ("93c", "08") or job.kit_units(kit)):
        return None
    from .ports_fast import read_ports as read_plain_ports
    return read_plain_ports(designs[0], options.entity, options.architecture,
                            harness_gen.bench_entity(options.entity), kit.std)
