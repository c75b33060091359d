"""The names and texts that the pieces of a bench share: the bench's own
names (one prefix that no port name starts with), the signal of each port,
and the files and verdicts that more than one piece writes."""

# Names the bench uses without its prefix: libraries, types, subprograms,
# literals and units of the standard packages. A port called like one of
# them (read, write and line are common port names) gets a bench signal of
# another name, so it cannot hide what the bench means.
BENCH_NAMES = frozenset("""
    work std ieee line text now read write readline writeline hread endfile to_x01
    std_logic std_ulogic std_logic_vector std_ulogic_vector signed unsigned natural
    integer boolean time string character true false read_mode write_mode failure
    fs ps ns us ms sec min hr
""".split())


def bench_entity(entity):
    return f"{entity.lower()}_fsmd_sim_bench"


def vectors_file(entity):
    return f"{entity.lower()}_bench_vectors.txt"


def results_file(entity):
    return f"{entity.lower()}_test_results.txt"


def prefix_for(ports):
    """A prefix for the bench's own names that no port name starts with, so
    that a port called ncycles or uut cannot clash with them."""
    prefix, n = "tb_", 0
    # An extended identifier's own names are \\<prefix>...\\ (see Names.own).
    while any(p.name.lstrip("\\").startswith(prefix) for p in ports):
        n += 1
        prefix = f"tb{n}_"
    return prefix


class Names:
    """What every piece may use. The bench's own signals, variables and
    constants carry the prefix `p`: a variable named like a port would hide
    the port's signal inside a process."""

    def __init__(self, ports, controls, options):
        self.entity = options.entity
        self.architecture = options.architecture
        # Generic name -> VHDL literal, for the design's instance.
        self.generics = getattr(options, "generics", {})
        self.p = prefix_for(ports)
        # The control ports' signals by role ('clk', 'reset', ...), always
        # std_logic (see Port.control_association).
        self.control = {role: self.signal(port) for role, port in controls.items()}
        self.control_ports = {port.name for port in controls.values()}
        # The role that ends a test: done, busy or idle.
        self.completion = next((r for r in ("done", "busy", "idle") if r in controls), "done")
        p = self.p
        self.vectors, self.results = f"{p}vectors", f"{p}results"   # the two files
        self.vector, self.result = f"{p}vector", f"{p}result"       # their current lines
        self.number = f"{p}number"            # the current test's number, from 1
        self.passed = f"{p}passed"            # false once a checker saw a difference
        self.clk_period = f"{p}clk_period"    # time constant, declared by the clock
        self.reset_time = f"{p}reset_time"    # time constant: when the first test may start
        self.finished = f"{p}finished"        # boolean signal: true once the verdict is written
        self.passed_verdict = f"{self.entity.upper()} test has passed"
        self.failed_verdict = f"{self.entity.upper()} test has not passed"

    def signal(self, port):
        """The bench's signal of a port: named as the port where it can be."""
        return f"{self.p}port_{port.name}" if port.name in BENCH_NAMES else port.name

    def own(self, word):
        """A name of the bench's own. A word made from an extended
        identifier (expected_\\my port\\) gives an extended identifier
        (\\tb_expected_my port\\)."""
        head, backslash, rest = word.partition("\\")
        if backslash:
            return f"\\{self.p}{head}{rest}"
        return f"{self.p}{word}"

    @staticmethod
    def label(port):
        """The port's name inside a VHDL string literal (an extended
        identifier may hold a double quote)."""
        return port.name.replace('"', '""')

    def image(self, expression):
        """The results file's text of a std_logic_vector expression."""
        return f"{self.p}image({expression})"

    def words(self):
        """The template's words."""
        return {"p": self.p, "entity": self.entity, "architecture": self.architecture,
                "bench": bench_entity(self.entity), "vectors_file": vectors_file(self.entity),
                "results_file": results_file(self.entity)}
