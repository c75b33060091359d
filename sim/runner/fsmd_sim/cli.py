"""The command line.

usage: fsmd-sim BENCH [--design FILE...]... [--data FILE] [--dir DIR]
                      [--stop-time TIME] [--timeout SECONDS] [--backend B]
                      [--ieee standard|synopsys] [--junit FILE] [--wave FILE]
                      [--wave-on-failure FILE] [--coverage DIR] [--quiet]
       fsmd-sim all [-j N] [--dir DIR] [--backend B] [--junit FILE]
                    [--timeout SECONDS] [--coverage DIR]
       fsmd-sim ENTITY --design FILE... --vectors FILE [--architecture NAME]
                    [--generic NAME=VALUE]... [--std 93c|08]
                    [--ieee standard|synopsys]
                    [--control ROLE=PORT]... [--reset-active high|low]
                    [--reset-cycles N] [--after-reset N]
                    [--start-mode level|pulse] [--output-delay N] [--overlap]
                    [--clock-period TIME]
                    [--max-cycles N] [--tolerance PORT=N]... [--memory SPEC]...
                    [--stream SPEC]... [--stall PERCENT] [--seed N]
                    [--max-failures N]
                    [--tests LIST] [--dir DIR] [--stop-time TIME]
                    [--timeout SECONDS] [--backend B] [--junit FILE]
                    [--wave FILE] [--wave-on-failure FILE] [--coverage DIR]
                    [--passing-values] [--quiet]
                    [--independent-tests [--jobs N | --shard K/N]]
       fsmd-sim merge DIR... [--dir OUT] [--junit FILE] [--coverage DIR] [--quiet]

BENCH is one of eda, fibo, arraysum, popcount; B is a GHDL back end (mcode,
llvm, gcc). --design takes one or more files and may repeat; GHDL finds the
order of analysis, and a file given twice counts once. With --vectors,
fsmd-sim generates the bench from ENTITY's ports (ROLE: clk, reset, start,
ready and the completion role done, busy or idle; defaults: architecture
fsmd, reset active high for 1 cycle, start held at '1', a test ended by done
rising, a 10ns clock, 1000000 cycles at most per test; the results file
shows the values of failing tests, and of passing ones too with
--passing-values). A test ends at the first rising edge after its start
where done is '1' after '0' (busy '0' after '1', idle '1' after '0'); the
outputs are read at the falling edge before it, or --output-delay N cycles
later. --control reset=none: no reset port, --reset-cycles N (default 1)
idle cycles instead; --after-reset N idle cycles before the first test.
--overlap (needs ready): the next test is offered as soon as the design
takes one (start and ready '1' at a rising edge); the summary adds the
interval between accepted starts and the throughput. --generic sets a
generic of ENTITY to a VHDL literal (integer, true or false, 'c', "text",
X"1F"); port widths follow it. --std (default 93c) is the VHDL revision of
the design and the generated bench; 08 applies to --vectors only. --ieee
synopsys (default standard) accepts std_logic_unsigned, std_logic_signed and
std_logic_arith. An argument @FILE stands for the lines of FILE, one
argument per line (surrounding blanks, blank lines and lines starting with
# are left out; paths stay relative to the current folder). An output field
of the vectors file may leave single hexadecimal digits unchecked ('12-4');
--tolerance PORT=N (N decimal) passes an output that differs from its
expected value by at most N, as a signed number for a signed port. --memory
NAME:address=A[,read_data=Q][,write_data=D][,write_enable=WE][,enable=EN]
[,depth=N][,latency=L] models a single-port synchronous memory on those
ports (depth default 2^width of A, latency default 1 rising edge from an
address to its word on Q); NAME is a column of the vectors file whose field
is a list, [0001 0002] or []: the memory's words when the test starts
(zeros after the list, or all zeros without an input column) and, after the
':', those expected when it ends ('-' leaves a word unchecked).
--stream PORT[,valid=V][,ready=R][,last=L] moves a list of values per test
through PORT's valid/ready handshake (V and R default to PORT_valid and
PORT_ready): offered from an input list, or taken and checked against an
output list. --control start=none: a dataflow design without start (and
without done unless one is named); --control done=none: a test ends when
every output stream has delivered its list. --stall PERCENT (0-99) and
--seed N withhold valid and ready in about that share of cycles, the same
way for the same seed.
--max-failures N stops the run after N failed tests; --tests
LIST (57 or 10-20,57) runs only those tests of the vectors file, from reset,
in the file's order, under their numbers in it. --coverage (gcc back end
only, chosen when --backend is not given) writes the design's line and
branch coverage and the states and transitions of its state machines into
DIR: summary.txt, annotated sources, coverage.info for genhtml.
--wave-on-failure FILE (.vcd or .ghw): after a run that failed a test (and
may have hung in a later one), a second run repeats it up to its first
failing test and FILE gets that test's waves, from a few cycles before its
start to its end (a GHW file: from time 0), and FILE with .svg for its
extension a timing diagram of them; the summary names both. --stop-time
(default 100ms; with --vectors, a bound that no test within --max-cycles
reaches) stops a run without verdict in simulated time, --timeout (default
3600) in wall-clock seconds. --jobs N splits the tests into N contiguous
parts run by N simulator processes at once, from reset each, and reports as
one run; --shard K/N runs the K-th part alone and
leaves in DIR what merge needs; merge combines the shards in the folders
DIR... into one report, results file (in OUT, default the current folder),
JUnit file and coverage. Both need --independent-tests: only a design whose
tests do not depend on each other gives a part's tests the same results from
reset. Neither takes --stop-time (each part counts simulated time from its
own reset); --timeout bounds all the parts of --jobs together and each
--shard run alone. Exit status: 0 every
test passed, 1 some test failed, 2 no verdict before the stop time or the
timeout (a hang), 3 usage error, unreadable file, failed analysis or
elaboration, a fault of fsmd-sim itself; 130 or 143 when interrupted by
SIGINT or SIGTERM.
"""
from . import port_names
from .benches import BENCHES
from .errors import BadInput
from .ghdl import BACKENDS, COVERAGE_BACKEND

# 10 million clock cycles: far beyond every bundled test, short enough that a
# stuck design is reported within seconds.
DEFAULT_STOP_TIME = "100ms"
# Wall-clock seconds: generous for any bundled bench, a bound for a design
# that loops without advancing simulated time.
DEFAULT_TIMEOUT = 3600
TIME_UNITS = ("fs", "ps", "ns", "us", "ms", "sec", "min", "hr")

# Every option: its attribute and whether it repeats. Modes that do not use
# an option reject it in check().
OPTIONS = {
    "--design": ("designs", True),
    "--data": ("data", False),
    "--dir": ("dir", False),
    "--stop-time": ("stop_time", False),
    "--timeout": ("timeout", False),
    "--backend": ("backend", False),
    "--junit": ("junit", False),
    "--wave": ("wave", False),
    "--wave-on-failure": ("wave_on_failure", False),
    "--coverage": ("coverage", False),
    "--vectors": ("vectors", False),
    "--architecture": ("architecture", False),
    "--control": ("controls", True),
    "--reset-active": ("reset_active", False),
    "--start-mode": ("start_mode", False),
    "--clock-period": ("clock_period", False),
    "--max-cycles": ("max_cycles", False),
    "--reset-cycles": ("reset_cycles", False),
    "--after-reset": ("after_reset", False),
    "--output-delay": ("output_delay", False),
    "--generic": ("generics", True),
    "--std": ("std", False),
    "--ieee": ("ieee", False),
    "--tolerance": ("tolerances", True),
    "--memory": ("memories", True),
    "--stream": ("streams", True),
    "--stall": ("stall", False),
    "--seed": ("seed", False),
    "--max-failures": ("max_failures", False),
    "--tests": ("tests", False),
    "-j": ("jobs", False),
    "--jobs": ("parts", False),
    "--shard": ("shard", False),
}
# Options that take every following argument up to the next option.
MANY_VALUES = ("--design",)
FLAGS = {"--quiet": "quiet", "--passing-values": "passing_values",
         "--independent-tests": "independent_tests", "--overlap": "overlap"}
# Options of the single-bench modes that `all` does not take.
SINGLE_RUN_ONLY = ("--design", "--data", "--stop-time", "--wave", "--wave-on-failure", "--vectors",
                   "--architecture", "--control", "--reset-active", "--start-mode", "--clock-period",
                   "--max-cycles", "--generic", "--std", "--ieee", "--tolerance", "--memory",
                   "--stream", "--stall", "--seed", "--max-failures", "--tests",
                   "--quiet", "--passing-values", "--jobs", "--shard", "--independent-tests",
                   "--reset-cycles", "--after-reset", "--output-delay", "--overlap")
# Options of the any-design mode (--vectors), which the bundled benches do not take.
ANY_DESIGN_ONLY = ("--vectors", "--architecture", "--control", "--reset-active", "--start-mode",
                   "--clock-period", "--max-cycles", "--generic", "--tolerance", "--memory",
                   "--stream", "--stall", "--seed", "--passing-values", "--jobs", "--shard",
                   "--independent-tests", "--reset-cycles", "--after-reset", "--output-delay",
                   "--overlap")
STANDARDS = ("93c", "08")
IEEE_LIBRARIES = ("standard", "synopsys")
# Options that choose which tests run: a bundled bench always runs its whole
# test data (at most 256 tests, in a fraction of a second), and its results
# file numbers no test.
TEST_CHOICE = ("--max-failures", "--tests")
# What merge takes: the shards' folders and these.
MERGE_OPTIONS = ("--dir", "--junit", "--coverage", "--quiet")
INDEPENDENT_TESTS_WHY = (
    "each part starts from reset in a simulator process of its own, so its first test does not"
    " see the state the tests before it left in the design; the results equal one run's only"
    " when no test depends on an earlier one. Say so with --independent-tests")
# Options that need the one process of the whole run.
NOT_SPLIT = ("--tests", "--max-failures", "--wave-on-failure", "--overlap")
# --stop-time bounds simulated time, which each part counts from its own
# reset: a split run would stop at other tests than the one process it
# stands for, and reach another verdict.
STOP_TIME_SPLIT_WHY = (
    "a part starts its simulated time at its own reset, so the bound would apply to each part"
    " and a split run would stop elsewhere than one run; --max-cycles bounds each test alike"
    " in both")


class Options:
    def __init__(self):
        self.target = None
        self.merge_dirs = []  # merge: the shards' folders
        self.given = []  # the options given, in order
        for attr, repeats in OPTIONS.values():
            setattr(self, attr, [] if repeats else None)
        for attr in FLAGS.values():
            setattr(self, attr, False)


class HelpWanted(Exception):
    pass


def usage_text():
    return __doc__.split("\n\n")[1]


def help_text():
    return __doc__.split("\n\n", 1)[1].strip()


def parse_args(argv):
    opts = Options()
    args = expand_argument_files(argv)
    while args:
        arg = args.pop(0)
        if arg in ("-h", "--help"):
            raise HelpWanted()
        name, eq, value = arg.partition("=")
        if name.startswith("-j") and name != "-j" and not name.startswith("--"):
            name, eq, value = "-j", "=", arg[2:]
        if name in OPTIONS:
            if not eq:
                if not args:
                    raise BadInput(f"{name} needs a value")
                value = args.pop(0)
            attr, repeats = OPTIONS[name]
            if name in MANY_VALUES:
                values = getattr(opts, attr)
                values.append(value)
                while args and not args[0].startswith("-") and not is_target(opts, args[0]):
                    values.append(args.pop(0))
            elif repeats:
                getattr(opts, attr).append(value)
            else:
                setattr(opts, attr, value)
            opts.given.append(name)
        elif arg in FLAGS:
            setattr(opts, FLAGS[arg], True)
            opts.given.append(arg)
        elif arg.startswith("-") and arg != "-":
            raise BadInput(f"unknown option {arg}")
        elif opts.target is None:
            opts.target = arg
        elif opts.target == "merge":
            opts.merge_dirs.append(arg)
        else:
            raise BadInput(f"unexpected argument {arg}")
    check(opts)
    return opts


def is_target(opts, arg):
    """After --design FILE..., an argument that names a bench or an entity
    and no file is the target, while none was given: `--design a.vhd fibo`."""
    import os
    return opts.target is None and is_identifier(arg) and not os.path.exists(arg)


# Argument files inside argument files: as deep as this, which no sensible
# use reaches and a file that names itself does.
MAX_ARGUMENT_FILE_DEPTH = 8


def expand_argument_files(argv, depth=0):
    """The arguments with each @FILE replaced by the lines of FILE: one
    argument per line, stripped of surrounding blanks; blank lines and lines
    starting with # are left out. A path in FILE is taken as it would be on
    the command line, relative to the current folder."""
    if not any(arg.startswith("@") for arg in argv):
        return list(argv)
    args = []
    for arg in argv:
        if not arg.startswith("@"):
            args.append(arg)
            continue
        path = arg[1:]
        if depth >= MAX_ARGUMENT_FILE_DEPTH:
            raise BadInput(f"argument file {path}: argument files nest deeper than"
                           f" {MAX_ARGUMENT_FILE_DEPTH} (does one name itself?)")
        try:
            with open(path, "rb") as f:
                data = f.read()
        except OSError as e:
            raise BadInput(f"argument file {path} is not readable: {e.strerror}")
        try:
            text = data.decode("utf-8")
        except UnicodeDecodeError as e:
            raise BadInput(f"argument file {path} is not UTF-8 text"
                           f" (byte {data[e.start]:#04x} at offset {e.start})")
        text = text.removeprefix("\ufeff")
        lines = [line.strip() for line in text.splitlines()]
        args += expand_argument_files([line for line in lines
                                       if line and not line.startswith("#")], depth + 1)
    return args


def check(opts):
    target = opts.target
    if target is None:
        raise BadInput("no bench given")
    if target == "merge" and opts.vectors is None:
        return check_merge(opts)
    if opts.vectors is None and target not in BENCHES + ("all",):
        raise BadInput(f"there is no bench {target!r};"
                       f" the benches are {', '.join(BENCHES)} and all")
    if opts.backend is not None and opts.backend not in BACKENDS:
        raise BadInput(f"--backend must be {' or '.join(BACKENDS)}, not {opts.backend!r}")
    if opts.coverage is not None:
        # Coverage is the gcc back end's alone: it is chosen when no back
        # end is named.
        if opts.backend is None:
            opts.backend = COVERAGE_BACKEND
        elif opts.backend != COVERAGE_BACKEND:
            raise BadInput(f"--coverage needs --backend {COVERAGE_BACKEND} (GHDL's GCC back end,"
                           f" whose objects gcov counts), not --backend {opts.backend}")
        import os
        opts.coverage = os.path.abspath(opts.coverage)
        for design in opts.designs:
            if "\n" in design or "\r" in design:
                raise BadInput(f"--coverage: the path of the design file {design!r} holds a line"
                               " break, which the lcov tracefile (one record a line) cannot"
                               " hold; rename the file")
    opts.std = choice(opts.std, "--std", STANDARDS)
    opts.ieee = choice(opts.ieee, "--ieee", IEEE_LIBRARIES)
    if target == "all":
        for name in SINGLE_RUN_ONLY:
            if name in opts.given:
                raise BadInput(f"{name} applies to a single bench, not to all")
        if opts.jobs is not None:
            opts.jobs = positive(opts.jobs, "-j")
    else:
        if opts.jobs is not None:
            raise BadInput("-j applies to all only")
        if opts.vectors is None:
            for name in TEST_CHOICE:
                if name in opts.given:
                    raise BadInput(f"{name} applies to the any-design mode (--vectors) only:"
                                   " a bundled bench runs its whole test data; to run some of"
                                   " its tests, give --data a file holding only them")
            for name in ANY_DESIGN_ONLY:
                if name in opts.given:
                    raise BadInput(f"{name} applies to the any-design mode (--vectors) only")
        else:
            check_any_design(opts)
            check_parts(opts)
        if opts.vectors is None and opts.std != STANDARDS[0]:
            raise BadInput(f"--std {opts.std} applies to the any-design mode (--vectors) only:"
                           f" the bundled benches are VHDL-93")
        opts.designs = distinct_files(opts.designs)
        opts.stop_time = parse_time(opts.stop_time or DEFAULT_STOP_TIME)
        for option, value in (("--wave", opts.wave), ("--wave-on-failure", opts.wave_on_failure)):
            name = (value or "").rpartition("/")[2]
            if value is not None and ("." not in name or name.rpartition(".")[2].lower()
                                      not in ("ghw", "vcd")):
                raise BadInput(f"{option} {value}: the file name must end in .ghw or .vcd")
        if opts.wave_on_failure is not None:
            check_wave_on_failure(opts)
        if opts.junit is not None:
            check_junit(opts)
    opts.timeout = (DEFAULT_TIMEOUT if opts.timeout is None
                    else positive(opts.timeout, "--timeout"))


def check_wave_on_failure(opts):
    """FILE and its diagram (FILE with .svg) are removed when the run starts
    and written after it: neither may be a file the run reads or another
    file it writes."""
    from .failure_waves import svg_path
    if opts.wave is not None and same_file(opts.wave, opts.wave_on_failure):
        raise BadInput("--wave-on-failure must name another file than --wave")
    others = ([("design file", d) for d in opts.designs] + [("vectors file", opts.vectors),
              ("test-data file", opts.data), ("--wave file", opts.wave),
              ("--junit file", opts.junit)])
    for written in (opts.wave_on_failure, svg_path(opts.wave_on_failure)):
        for what, path in others:
            if path is not None and same_file(path, written):
                shown = ("" if written == opts.wave_on_failure
                         else f" (its timing diagram {written})")
                raise BadInput(f"--wave-on-failure {opts.wave_on_failure}{shown} would replace the"
                               f" {what} {path}; name another file")


def check_junit(opts):
    """The JUnit file is written after the run: it may not be a file the run
    reads or another file it writes."""
    others = ([("design file", d) for d in opts.designs] + [("vectors file", opts.vectors),
              ("test-data file", opts.data), ("--wave file", opts.wave)])
    for what, path in others:
        if path is not None and same_file(path, opts.junit):
            raise BadInput(f"--junit {opts.junit} would replace the {what} {path};"
                           " name another file")


def same_file(a, b):
    """Whether the paths a and b name one file: the same path, or two paths
    (links) to one existing file."""
    import os
    if os.path.abspath(a) == os.path.abspath(b):
        return True
    try:
        return os.path.samefile(a, b)
    except OSError:
        return False


def check_merge(opts):
    for name in opts.given:
        if name not in MERGE_OPTIONS:
            raise BadInput(f"{name} does not apply to merge, which takes only"
                           f" {', '.join(MERGE_OPTIONS)}")
    if not opts.merge_dirs:
        raise BadInput("merge needs the folders of the shards to merge: fsmd-sim merge DIR...")
    if opts.coverage is not None:
        import os
        opts.coverage = os.path.abspath(opts.coverage)
    opts.timeout = DEFAULT_TIMEOUT


def check_parts(opts):
    """--jobs and --shard: the split of the any-design mode's tests."""
    if opts.parts is not None:
        opts.parts = positive(opts.parts, "--jobs")
        if opts.shard is not None:
            raise BadInput("--jobs and --shard exclude each other: a shard is one part,"
                           " run by one process")
        if opts.wave is not None:
            raise BadInput("--wave needs a single simulation; it does not go with --jobs")
    if opts.parts is not None or opts.shard is not None:
        for name in NOT_SPLIT:
            if name in opts.given:
                raise BadInput(f"{name} needs the whole run in one process; it does not go with"
                               f" {'--jobs' if opts.parts is not None else '--shard'}")
        if "--stop-time" in opts.given:
            raise BadInput(f"--stop-time does not go with"
                           f" {'--jobs' if opts.parts is not None else '--shard'}:"
                           f" {STOP_TIME_SPLIT_WHY}")
    if opts.shard is not None:
        from .split import parse_shard
        opts.shard = parse_shard(opts.shard)
    if (opts.parts is not None or opts.shard is not None) and not opts.independent_tests:
        name = "--jobs" if opts.parts is not None else "--shard"
        raise BadInput(f"{name} needs --independent-tests: {INDEPENDENT_TESTS_WHY}")


def distinct_files(paths):
    """The paths without a second naming of the same file (the same path,
    or another path to the same file), in the order first given."""
    import os
    seen, kept = set(), []
    for path in paths:
        try:
            st = os.stat(path)
            identity = (st.st_dev, st.st_ino)
        except OSError:
            identity = os.path.abspath(path)  # reported as missing later
        if identity not in seen:
            seen.add(identity)
            kept.append(path)
    return kept




def is_identifier(text):
    """A VHDL basic identifier: a letter, then letters, digits and single
    underscores, not ending in one. (No re here: it costs start-up time.)"""
    return (text[:1].isascii() and text[:1].isalpha() and text.isascii() and not text.endswith("_")
            and "__" not in text and all(c.isalnum() or c == "_" for c in text))

def is_extended_identifier(text):
    """A VHDL extended identifier as written: between backslashes, at least
    one character, a backslash inside doubled."""
    inner = text[1:-1]
    return (len(text) >= 3 and text[0] == text[-1] == "\\"
            and "\\" not in inner.replace("\\\\", ""))


CONTROL_ROLES = ("clk", "reset", "start", "done", "ready", "busy", "idle")
COMPLETION_ROLES = ("done", "busy", "idle")
# Roles a design may lack: reset (idle cycles instead), start (a dataflow
# design whose streams pace it), done (a test ends when its streams delivered).
NONE_ROLES = ("reset", "start", "done")
# The most idle or reset cycles, and the longest output delay: far beyond
# any design's need, and a VHDL time at any clock period.
MAX_PROTOCOL_CYCLES = 1000000
# ncycles counts in a VHDL integer; the limit times the period must stay a
# VHDL time (64-bit femtoseconds) with room for the whole run.
MAX_CYCLES_LIMIT = 2**31 - 2
FEMTOSECONDS = {"fs": 1, "ps": 10**3, "ns": 10**6, "us": 10**9, "ms": 10**12, "sec": 10**15}
DEFAULT_MAX_CYCLES = 1000000
DEFAULT_CLOCK_PERIOD = "10ns"


def check_any_design(opts):
    """The options of the any-design mode, checked and put into the form
    the generated bench takes."""
    if not opts.designs:
        raise BadInput("the any-design mode needs the design's VHDL files: --design FILE")
    if "--data" in opts.given:
        raise BadInput("--data applies to the bundled benches; with --vectors the vectors file"
                       " holds the tests")
    if not is_identifier(opts.target):
        raise BadInput(f"{opts.target!r} is not a VHDL entity name")
    opts.architecture = opts.architecture or "fsmd"
    if not is_identifier(opts.architecture):
        raise BadInput(f"--architecture {opts.architecture!r} is not a VHDL name")
    controls = {}
    for item in opts.controls:
        # ROLE is a plain word: the first '=' ends it (an extended PORT,
        # \a=b\, may hold more).
        role, eq, port = item.partition("=")
        port = port_names.key(port)
        if not eq or role not in CONTROL_ROLES or port is None:
            raise BadInput(f"--control '{item}': give ROLE=PORT with ROLE one of"
                           f" {', '.join(CONTROL_ROLES)} and PORT a port name"
                           " (reset=none, start=none or done=none for a design without"
                           " that port)")
        if role in controls:
            raise BadInput(f"--control gives the role {role} twice")
        if port == "none" and role not in NONE_ROLES:
            raise BadInput(f"--control '{item}': only reset, start and done may be none")
        controls[role] = port
    completions = [role for role in COMPLETION_ROLES if role in controls]
    if len(completions) > 1:
        raise BadInput(f"--control names {' and '.join(completions)}: a test ends by one"
                       " completion role only")
    # A design without start has no completion port unless one is named.
    if controls.get("start") == "none" and not completions:
        controls["done"] = "none"
        completions = ["done"]
    if opts.overlap and (controls.get("start") == "none" or controls.get("done") == "none"):
        raise BadInput("--overlap offers the next test at a rising edge with start and ready"
                       " at '1' and ends each by its completion port: it needs start and done"
                       " (or busy or idle), not --control start=none or done=none")
    named = {}
    # Roles not named keep their default port only where it may be looked
    # for: done, busy and idle are looked for only when --control names none.
    looked_for = [r for r in CONTROL_ROLES if r in controls or not
                  (completions and r in COMPLETION_ROLES)]
    for role in looked_for:
        port = controls.get(role, role)
        if port == "none":
            continue
        if port in named:
            raise BadInput(f"port {port} cannot be both {named[port]} and {role}")
        named[port] = role
    opts.controls = controls
    opts.reset_cycles = cycles_option(opts.reset_cycles, "--reset-cycles", 1, minimum=1)
    opts.after_reset = cycles_option(opts.after_reset, "--after-reset", 0)
    opts.output_delay = cycles_option(opts.output_delay, "--output-delay", 0)
    if opts.overlap and "--start-mode" in opts.given:
        raise BadInput("--overlap drives start itself (held at '1' while a test is offered);"
                       " it takes no --start-mode")
    opts.reset_active = choice(opts.reset_active, "--reset-active", ("high", "low"))
    opts.start_mode = choice(opts.start_mode, "--start-mode", ("level", "pulse"))
    if opts.start_mode == "pulse" and controls.get("start") == "none":
        raise BadInput("--start-mode pulse needs a start port; --control start=none says the"
                       " design has none")
    text = opts.clock_period or DEFAULT_CLOCK_PERIOD
    number, unit = split_time(text.replace(" ", ""), "--clock-period")
    opts.clock_period = f"{number} {unit}"
    opts.clock_period_fs = int(float(number) * FEMTOSECONDS[unit]) if unit in FEMTOSECONDS else 0
    if opts.clock_period_fs < 2:
        raise BadInput(f"--clock-period {text!r} must be a time of at least 2 fs"
                       " in fs, ps, ns, us, ms or sec")
    opts.max_cycles = (positive(opts.max_cycles, "--max-cycles") if opts.max_cycles
                       else DEFAULT_MAX_CYCLES)
    generics = {}
    for item in opts.generics:
        name, eq, value = item.partition("=")
        name, value = name.strip(), value.strip()
        if not eq or not is_identifier(name):
            raise BadInput(f"--generic {item!r}: give NAME=VALUE with NAME a generic of"
                           f" {opts.target}")
        if name.lower() in (given.lower() for given in generics):
            raise BadInput(f"--generic gives the generic {name} twice")
        from .literals import LiteralError, parse_literal
        try:
            parse_literal(value)
        except LiteralError as e:
            raise BadInput(f"--generic {item!r}: {e}")
        # As written: messages name it so, and VHDL's generic map takes any case.
        generics[name] = value
    opts.generics = generics
    from . import memories, streams
    opts.memories = [memories.parse_option(item, is_identifier) for item in opts.memories]
    memories.check_distinct(opts.memories)
    opts.streams = [streams.parse_option(item, is_identifier) for item in opts.streams]
    streams.check_distinct(opts.streams, opts.memories)
    opts.stall = streams.parse_stall(opts.stall)
    opts.seed = streams.parse_seed(opts.seed)
    if (opts.stall or "--seed" in opts.given) and not opts.streams:
        raise BadInput("--stall and --seed withhold the valid and ready of streams:"
                       " give the streams with --stream PORT")
    if opts.overlap and (opts.memories or opts.streams):
        # A memory's words and a stream's values are loaded and checked per
        # test, one test at a time.
        raise BadInput("--overlap keeps several tests in flight; --memory and --stream load and"
                       " check one test at a time")
    if opts.max_cycles > MAX_CYCLES_LIMIT or opts.max_cycles * opts.clock_period_fs >= 2**60:
        raise BadInput(f"--max-cycles {opts.max_cycles} is too large for a VHDL time"
                       " at this clock period")
    extra = opts.reset_cycles + opts.after_reset + opts.output_delay
    if (opts.max_cycles + extra) * opts.clock_period_fs >= 2**60:
        raise BadInput(f"--reset-cycles, --after-reset and --output-delay ({extra} cycles) with"
                       f" --max-cycles {opts.max_cycles} are too long for a VHDL time at this"
                       " clock period")
    check_checking(opts)


# A tolerance of more digits is wider than any port's range: it is kept as
# this power of ten, which passes every value as well.
TOLERANCE_DIGITS = 4000


def check_checking(opts):
    """--tolerance into {port: N}, --max-failures into a number (0: none),
    --tests into its ranges (None: every test). Whether a tolerance names an
    output of the design is known once its ports are read."""
    from . import test_list
    tolerances = {}
    for item in opts.tolerances:
        # An extended identifier may hold "=" (\y=1\=2): N follows the last one.
        port, eq, number = item.rpartition("=")
        extended = is_extended_identifier(port)
        if not eq or not (extended or is_identifier(port)):
            raise BadInput(f"--tolerance '{item}': give PORT=N with PORT an output's name"
                           " and N a decimal number")
        port = port if extended else port.lower()
        if not (number.isascii() and number.isdigit()):
            raise BadInput(f"--tolerance '{item}': N must be a decimal number of 0 or more")
        if port in tolerances:
            raise BadInput(f"--tolerance gives port {port} twice")
        tolerances[port] = (int(number) if len(number) <= TOLERANCE_DIGITS
                            else 10**TOLERANCE_DIGITS)
    opts.tolerances = tolerances
    opts.max_failures = (positive(opts.max_failures, "--max-failures")
                         if opts.max_failures is not None else 0)
    opts.test_ranges = test_list.parse(opts.tests) if opts.tests is not None else None


def cycles_option(text, name, default, minimum=0):
    """A count of clock cycles: default when not given, at least minimum."""
    if text is None:
        return default
    if not (text.isascii() and text.isdigit()):
        raise BadInput(f"{name} needs a whole number of clock cycles, not {text!r}")
    value = int(text.lstrip("0")[:40] or "0")
    if value < minimum or value > MAX_PROTOCOL_CYCLES:
        raise BadInput(f"{name} must be from {minimum} to {MAX_PROTOCOL_CYCLES}, not {text}")
    return value


def choice(value, name, allowed):
    if value is None:
        return allowed[0]
    if value not in allowed:
        raise BadInput(f"{name} must be {' or '.join(allowed)}, not {value!r}")
    return value


def split_time(text, name):
    """(number, unit) of a VHDL time written without a blank (10ns, 2.5us)."""
    for unit in sorted(TIME_UNITS, key=len, reverse=True):
        if text.endswith(unit):
            whole, dot, frac = text[: -len(unit)].partition(".")
            if (whole.isascii() and whole.isdigit()
                    and (not dot or (frac.isascii() and frac.isdigit()))):
                return text[: -len(unit)], unit
            break
    raise BadInput(f"{name} {text!r} is not a VHDL time such as 10ns or 2.5us")


def positive(text, name):
    if not (text.isascii() and text.isdigit()) or not text.strip("0"):
        raise BadInput(f"{name} needs a positive number, not {text!r}")
    # Python converts at most 4300 digits; a longer number is beyond every
    # limit, and one of 40 digits is as far beyond it.
    return int(text.lstrip("0")[:40])


def parse_time(text):
    """Accepts a VHDL time as GHDL's --stop-time takes it: ASCII digits, an
    optional fraction, a unit, no blank (10ms, 2.5us)."""
    for unit in sorted(TIME_UNITS, key=len, reverse=True):
        if text.endswith(unit):
            whole, dot, frac = text[: -len(unit)].partition(".")
            if (whole.isascii() and whole.isdigit()
                    and (not dot or (frac.isascii() and frac.isdigit()))):
                return text
            break
    raise BadInput(f"--stop-time {text!r} is not a VHDL time such as 10ms or 500us")
