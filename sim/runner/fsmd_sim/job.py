"""What one run builds and runs. A bench kind makes a Job: the sources to
analyse after the kit's units (the design's files, then what the kind adds,
such as a configuration or a generated bench), the unit to elaborate, the
input files to place in the run's folder, the results file, and how to judge
the run. The bundled benches are one kind; others plug in the same way."""
import os
import re

from .benches import TABLE
from .errors import BadInput
from .input_files import is_input_file
from .library import Sources
from .results import Outcome, judge, parse_bench_results


# GHDL's words for a unit that uses a Synopsys package of library ieee
# without -fsynopsys, which fsmd-sim gives with --ieee synopsys.
SYNOPSYS_PACKAGE = re.compile(r'use of synopsys package "(\w+)" needs the -fsynopsys option')


def analysis_hint(errors):
    """fsmd-sim's own advice after GHDL's errors, where they call for an
    option of fsmd-sim rather than GHDL's: a line that starts with a line
    break, or nothing."""
    packages = list(dict.fromkeys(SYNOPSYS_PACKAGE.findall(errors)))
    if not packages:
        return ""
    named = " and ".join(packages)
    return (f"\nfsmd-sim: the design uses the Synopsys package{'s' if len(packages) > 1 else ''} {named} of"
            " library ieee: run with --ieee synopsys")


class Job:
    def __init__(self, name, top, results_file):
        self.name = name
        self.top = top
        self.results_file = results_file
        self.sources = Sources()
        self.design_copies = set()  # copy names of the user's design files
        self.inputs = []  # (name in the run's folder, bytes)

    def add_design_file(self, path):
        copy_name = f"design-{len(self.design_copies) + 1}.vhd"
        self.design_copies.add(copy_name)
        self.sources.add_file(copy_name, path, "design file")

    def is_design_source(self, copy_name):
        return copy_name in self.design_copies

    def analysis_failure(self, errors):
        """The message for sources that fail analysis; errors is GHDL's
        output, which names the copies."""
        return f"the design does not analyse:\n{self.sources.shown(errors)}{analysis_hint(errors)}"

    def warnings(self):
        """Lines to show before the run: what the inputs hold that will not
        be used."""
        return []

    def kit_units(self, kit):
        """The kit's units the run's library needs after std_logic_textio:
        all of them for the bundled benches."""
        return kit.units

    def verdict_lines(self):
        """The results file's verdict lines of a bench that goes on
        simulating after its verdict until the design is idle (the
        generated bench), so that fsmd-sim may end a design that never is;
        none for a bench whose verdict ends the simulation."""
        return ()

    def prepare(self, kit, ghdl, cache, kit_use, directory, scratch, deadline):
        """Called once the kit's library is ready, before the design's is
        built: a kind that learns its sources from the design does it here."""

    def outcome(self, results_text, console, stop_time):
        """Judges the run from its results file and its console."""
        raise NotImplementedError


class BenchJob(Job):
    """One of the bundled benches on a design and test data."""

    def __init__(self, kit, bench, designs, data):
        spec = TABLE[bench]
        super().__init__(bench, spec["top"], spec["results_file"])
        self.spec = spec
        for path in designs or [kit.design(bench)]:
            self.add_design_file(path)
        self.sources.add_file(spec["configuration"], kit.path(spec["configuration"]),
                              "the kit is incomplete:")
        data_path = data or kit.data(bench)
        if not is_input_file(data_path):
            raise BadInput(f"test-data file {data_path} does not exist or is not a file")
        try:
            with open(data_path, "rb") as f:
                self.data = f.read()
        except OSError as e:
            raise BadInput(f"test-data file {data_path} is not readable: {e.strerror}")
        self.inputs.append((spec["data_file"], self.data))
        # The bench reads a malformed field as 0 or garbage and a test can
        # pass on it: such data is refused before anything runs.
        from .data_check import DataError, check
        try:
            checked = check(data_path, self.data, [*spec["inputs"], spec["output"]],
                            spec["ntests_max"])
        except DataError as e:
            raise BadInput(str(e))
        self.data_path = data_path
        self.lines_not_run = checked.ignored_lines

    def warnings(self):
        if not self.lines_not_run:
            return []
        limit = self.spec["ntests_max"]
        return [f"lines {limit + 1} to {limit + self.lines_not_run} of the test-data file"
                f" {self.data_path}"
                f" are not run: the {self.name} bench reads at most {limit} tests"]

    def prepare(self, kit, ghdl, cache, kit_use, directory, scratch, deadline):
        from .library import order_design_files
        order_design_files(kit, ghdl, cache, kit_use, self, self.name, "fsmd", deadline)

    def data_tests(self):
        lines = self.data.count(b"\n") + (1 if self.data and not self.data.endswith(b"\n") else 0)
        return min(lines, self.spec["ntests_max"])

    def analysis_failure(self, errors):
        shown = " ".join(s for c, s, _ in self.sources.items if self.is_design_source(c))
        # Only the configuration failed: the design files analyse, but what
        # they declare cannot be bound in place of the component.
        if not any(line.startswith(tuple(c + ":" for c in self.design_copies))
                   for line in errors.splitlines()):
            return (f"the design files ({shown}) provide no entity {self.name} with architecture"
                    f" fsmd and the ports of the {self.name} bench:\n{self.sources.shown(errors)}")
        return (f"the design does not analyse ({shown}):\n{self.sources.shown(errors)}"
                f"{analysis_hint(errors)}")

    def outcome(self, results_text, console, stop_time):
        outcome = Outcome(self.name)
        parse_bench_results(outcome, self.spec, results_text.splitlines())
        judge(outcome, self.spec, console, self.data_tests(), stop_time)
        outcome.lines_not_run = self.lines_not_run
        return outcome
