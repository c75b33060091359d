"""The VHDL self-checking bench generated from a design's ports.

It keeps the frame of the kit's four benches (clock, reset for the first
period, start held or pulsed, cycles counted from done, the next test
presented at the edge at which the previous one ends) and adds what a bench
for any design needs: the test number and simulation time on failure
lines, metavalues printed as themselves, expected values in signals
(visible in waveforms), outputs left unchecked per test, a per-test cycle
limit that ends the run as a hang naming the test, and the ways a design
says a test starts and ends (bench/completion.py: done, busy or idle, read
at rising edges; --reset-cycles, --after-reset, reset=none; --output-delay;
--overlap for pipelines, bench/overlap.py), and the list fields of
memories and streams (bench/memory.py, bench/streams.py; a design without
start or done, its tests paced by its streams).

The text depends only on the ports and the options, never on the vectors,
so a new vectors file reuses the analysed bench.

The bench's whole text is templates/bench.vhd.in; `generate` fills its
slots from one piece per concern (the modules of the package bench: the
design's instance, clock and reset, start, completion, each input's driver,
each output's checker, the offers and checks of a pipeline, each memory's
model, each stream's process, results and verdict, the image function). A new concern is a new piece added to the list in
`generate`.
"""
from . import memories as memories_module
from . import ports as ports_module
from . import streams as streams_module
from .bench.checker import checked_flags, is_maskable, output_checker
from .bench.clock_reset import clock, reset
from .bench.completion import DELIVERED, HANG_REPORT, NEVER_TEXT, wait_for_end, watch
from .bench.driver import input_driver
from .bench.overlap import OVERLAP_PREFIX, collector, offering, tests_follow as overlap_tests_follow
from .bench.start import start
from .bench.image import image_function
from .bench.instance import design_instance
from .bench.matching import masks, tolerance
from .bench.memory import memory_model
from .bench.list_files import list_file
from .bench.streams import input_stream, output_stream, shared as streams_shared
from .bench.names import BENCH_NAMES, Names, bench_entity, results_file, vectors_file
from .bench.template import bench_template, fill
from .bench.verdict import (FAILED_REPORT, FINAL_REPORT_KIND, PASSED_REPORT, STOPPED_TEXT,
                            one_line_per_test, results_and_verdict)

# What the any-design job reads from here: file names and report texts.
__all__ = ["BENCH_NAMES", "COMPLETION_ROLES", "DELIVERED", "FAILED_REPORT", "FINAL_REPORT_KIND", "HANG_REPORT",
           "NEVER_TEXT", "OVERLAP_PREFIX", "PASSED_REPORT", "STOPPED_TEXT", "Options", "bench_entity",
           "generate", "list_file", "results_file", "split_ports", "vectors_file"]

ROLES = ("clk", "reset", "start", "done", "ready", "busy", "idle")
ROLE_MODES = {"clk": "in", "reset": "in", "start": "in", "done": "out", "ready": "out",
              "busy": "out", "idle": "out"}
# Looked for in this order when --control names none of them.
COMPLETION_ROLES = ("done", "busy", "idle")
NO_PORT = "none"
# Roles besides reset a design may lack when --control names them none: a
# dataflow design with streams has no start, and its tests end when its
# streams deliver.
NONE_ROLES = ("start", "done")


class Options:
    def __init__(self, entity, architecture="fsmd", controls=None, reset_active="high",
                 start_mode="level", clock_period="10 ns", max_cycles=1000000, tolerances=None,
                 generics=None, passing_values=False, reset_cycles=1, after_reset=0,
                 output_delay=0, overlap=False, memories=None, streams=None, stall=0, seed=1):
        self.entity = entity.lower()
        self.architecture = architecture.lower()
        self.controls = {role: role for role in ROLES}
        # Basic names in any case, extended ones (\Go!\) as written.
        self.controls.update({k: v if v.startswith("\\") else v.lower()
                              for k, v in (controls or {}).items()})
        # The completion role --control names, if any: then no other is looked for.
        self.named_completion = next((r for r in COMPLETION_ROLES if r in (controls or {})), None)
        self.reset_active = reset_active
        self.start_mode = start_mode
        self.clock_period = clock_period
        self.max_cycles = max_cycles
        # --tolerance: output name -> the largest difference that passes.
        self.tolerances = dict(tolerances or {})
        # Generic name -> VHDL literal, for the design's instance.
        self.generics = dict(generics or {})
        # --passing-values: a passing test's line of results shows its values.
        self.passing_values = passing_values
        # --reset-cycles: rising edges with reset active (with reset=none: idle
        # edges); --after-reset: idle edges after them before the first test.
        self.reset_cycles = reset_cycles
        self.after_reset = after_reset
        # --output-delay: clock cycles between a test's end and its outputs' reading.
        self.output_delay = output_delay
        # --overlap: the next test is offered as soon as the design took one.
        self.overlap = overlap
        # --memory: memories.MemorySpec, in the order given.
        self.memories = list(memories or [])
        # --stream: streams.StreamSpec, in the order given; --stall, --seed.
        self.streams = list(streams or [])
        self.stall = stall
        self.seed = seed

    @property
    def has_reset(self):
        return self.controls["reset"] != NO_PORT

    def control_ports(self):
        """The port names of the roles, the clock first: for waveforms."""
        return [self.controls[r] for r in ROLES if self.controls[r] != NO_PORT]

    def lacks(self, role):
        """Whether --control says the design has no port of this role."""
        return role in NONE_ROLES and self.controls.get(role) == NO_PORT


def split_ports(ports, options):
    """(control ports by role, data ports) of the design; raises PortError
    for a missing or unsuitable control port."""
    by_name = {p.name: p for p in ports}
    controls = {}
    completion = completion_role(by_name, options)
    for role in ("clk", "reset", "start", completion, "ready"):
        name = options.controls[role]
        if hasattr(options, "lacks") and options.lacks(role):
            continue
        port = by_name.get(name)
        if role == "reset" and not options.has_reset:
            continue
        if port is None:
            if role == "ready" and not options.overlap:
                continue
            if role == "ready":
                raise ports_module.PortError(
                    f"--overlap needs a ready port: entity {options.entity} has no port {name}"
                    " (name it with --control ready=PORT); the bench offers the next test when"
                    " the design takes one, at a rising edge with start and ready at '1'")
            hint = f" (name it with --control {role}=PORT)" if name == role else ""
            raise ports_module.PortError(f"entity {options.entity} has no port {name}"
                                         f" for the role {role}{hint}")
        if port.is_vector or port.is_integer:
            raise ports_module.PortError(f"port {name} ({role}) of entity {options.entity}"
                                         " must be a std_logic or another one-bit type"
                                         f" (bit, boolean, X01, ...), not {port.subtype}")
        if port.mode != ROLE_MODES[role]:
            raise ports_module.PortError(f"port {name} ({role}) of entity {options.entity}"
                                         " must be an"
                                         f" {ROLE_MODES[role]} port, not {port.mode}")
        controls[role] = port
    control_names = {p.name for p in controls.values()}
    # A memory's ports are the bench's to drive and read, not columns.
    memory_ports = {name for spec in getattr(options, "memories", ()) for name in spec.port_names()}
    # So are a stream's handshake ports; its data port is a list column.
    stream_ports = {name for spec in getattr(options, "streams", ()) for name in spec.port_names()}
    return controls, [p for p in ports if p.name not in control_names | memory_ports | stream_ports]


def memories_of(ports, options):
    """The memories of --memory bound to the design's ports; raises
    PortError when one does not suit them."""
    controls, data = split_ports(ports, options)
    memories = memories_module.bind(getattr(options, "memories", ()), ports,
                                    {p.name for p in controls.values()}, options.entity)
    memories_module.check_names(memories, data)
    return memories


def own_controls(names, options):
    """Gives each role the design lacks (--control start=none, done=none) a
    signal of the bench's own in names.control, and returns them by role."""
    own = {}
    if options.lacks("start"):
        own["start"] = names.own("no_start")
    if options.lacks("done"):
        own["done"] = names.own(DELIVERED)
        names.control[DELIVERED] = own["done"]
        names.completion = DELIVERED
    names.control.update(own)
    return own


def streams_of(ports, options):
    """The streams of --stream bound to the design's ports; raises PortError
    when one does not suit them, or when a design without done has no
    output stream to end its tests."""
    controls, _ = split_ports(ports, options)
    streams = streams_module.bind(getattr(options, "streams", ()), ports,
                                  {p.name for p in controls.values()}, options.entity)
    if options.lacks("done") and not any(not s.is_input for s in streams):
        raise ports_module.PortError("--control done=none: a test then ends when every output"
                                     " stream has delivered its values, and there is no output"
                                     " stream (--stream PORT)")
    return streams


def list_columns(memories, streams=()):
    """The columns of the vectors file whose fields are lists, in the order
    the bench reads them."""
    return ([column for memory in memories for column in memory.columns()]
            + [stream.column() for stream in streams])


def completion_role(by_name, options):
    """The role that ends a test: the one --control names, else the first of
    done, busy and idle that is a port's name."""
    if options.named_completion:
        return options.named_completion
    for role in COMPLETION_ROLES:
        if options.controls[role] in by_name:
            return role
    raise ports_module.PortError(
        f"entity {options.entity} has no port that says when a test ends: the bench needs one"
        " of the roles done (rises when the results are there), busy (falls then) or idle"
        " (rises again then), a port of that name or one named with --control done=PORT,"
        " --control busy=PORT or --control idle=PORT; or --control done=none where output"
        " streams (--stream) end each test")


def generate(ports, options):
    """The bench's text: the template filled by one piece per concern, in
    the order their lines appear in each slot."""
    controls, data = split_ports(ports, options)
    names = Names(ports, controls, options)
    own_controls(names, options)
    start_none, done_none = options.lacks("start"), options.lacks("done")
    inputs = [port for port in data if port.mode == "in"]
    outputs = [port for port in data if port.mode == "out"]
    overlap = getattr(options, "overlap", False)
    pieces = [
        design_instance(ports, names),
        clock(options, names),
        reset(options, names),
        watch(options, names),
    ]
    if overlap:
        pieces.append(collector(options, names))
    else:
        pieces += [start(options, names), wait_for_end(options, names), one_line_per_test(names)]
    flags = []
    if outputs:
        flags_piece, flags = checked_flags(outputs, names)
        pieces.append(flags_piece)
    pieces += [input_driver(port, names, drives=not overlap) for port in inputs]
    pieces += [output_checker(port, flag, names, options.tolerances.get(port.name))
               for port, flag in zip(outputs, flags)]
    memories = memories_of(ports, options)
    # The list columns' files: each memory's input and output, then each stream.
    pieces += [memory_model(memory, i, names, list_file(options.entity, 2 * i),
                            list_file(options.entity, 2 * i + 1))
               for i, memory in enumerate(memories)]
    streams = streams_of(ports, options)
    if streams or start_none or done_none:
        pieces.append(streams_shared(names, streams, options, start_none, done_none))
    pieces += [(input_stream if stream.is_input else output_stream)(
                   stream, k, names, options, list_file(options.entity, 2 * len(memories) + k))
               for k, stream in enumerate(streams)]
    pieces += [results_and_verdict(names, options, overlap_tests_follow(names) if overlap else None),
               image_function(names)]
    if overlap:
        # After the verdict's piece: its first line of the vectors file is read
        # before the first test is offered.
        pieces.append(offering(options, names, inputs, len(outputs)))
    # A memory's words may leave digits unchecked too.
    if memories or streams or any(is_maskable(port, options.tolerances.get(port.name)) for port in outputs):
        pieces.append(masks(names))
    if options.tolerances:
        pieces.append(tolerance(names))
    return fill(bench_template(), names.words(), pieces)
