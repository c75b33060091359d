"""The command line.

usage: fsmd-sim BENCH [--design FILE]... [--data FILE] [--dir DIR]
                      [--stop-time TIME] [--timeout SECONDS] [--backend B]
                      [--junit FILE] [--wave FILE] [--quiet]
       fsmd-sim all [-j N] [--dir DIR] [--backend B] [--junit FILE]
                    [--timeout SECONDS]

BENCH is one of eda, fibo, arraysum, popcount; B is a GHDL back end (mcode,
llvm). --stop-time (default 100ms) stops a run without verdict in simulated
time, --timeout (default 3600) in wall-clock seconds. Exit status: 0 every
test passed, 1 some test failed, 2 no verdict before the stop time or the
timeout (a hang), 3 usage error, unreadable file, failed analysis or
elaboration; 130 or 143 when interrupted by SIGINT or SIGTERM.
"""
from .benches import BENCHES
from .errors import BadInput
from .ghdl import BACKENDS

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
    "--coverage": ("coverage", False),
    "--vectors": ("vectors", False),
    "--architecture": ("architecture", False),
    "--control": ("controls", True),
    "--reset-active": ("reset_active", False),
    "--start-mode": ("start_mode", False),
    "--clock-period": ("clock_period", False),
    "--max-cycles": ("max_cycles", False),
    "-j": ("jobs", False),
}
FLAGS = {"--quiet": "quiet"}
# Options of the single-bench modes that `all` does not take.
SINGLE_RUN_ONLY = ("--design", "--data", "--stop-time", "--wave", "--vectors", "--architecture",
                   "--control", "--reset-active", "--start-mode", "--clock-period", "--max-cycles",
                   "--quiet")
# Options of the any-design mode (--vectors), which the bundled benches do not take.
ANY_DESIGN_ONLY = ("--vectors", "--architecture", "--control", "--reset-active", "--start-mode",
                   "--clock-period", "--max-cycles")


class Options:
    def __init__(self):
        self.target = None
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
    args = list(argv)
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
            if repeats:
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
        else:
            raise BadInput(f"unexpected argument {arg}")
    check(opts)
    return opts


def check(opts):
    target = opts.target
    if target is None:
        raise BadInput("no bench given")
    if opts.vectors is None and target not in BENCHES + ("all",):
        raise BadInput(f"there is no bench {target!r};"
                       f" the benches are {', '.join(BENCHES)} and all")
    if opts.backend is not None and opts.backend not in BACKENDS:
        raise BadInput(f"--backend must be {' or '.join(BACKENDS)}, not {opts.backend!r}")
    if opts.coverage is not None:
        raise BadInput("--coverage needs a back end that supports coverage; none is installed")
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
            for name in ANY_DESIGN_ONLY:
                if name in opts.given:
                    raise BadInput(f"{name} applies to the any-design mode (--vectors) only")
        else:
            raise BadInput("the any-design mode (--vectors) is not available in this version")
        opts.stop_time = parse_time(opts.stop_time or DEFAULT_STOP_TIME)
        if opts.wave is not None:
            name = opts.wave.rpartition("/")[2]
            if "." not in name or name.rpartition(".")[2].lower() not in ("ghw", "vcd"):
                raise BadInput(f"--wave {opts.wave}: the file name must end in .ghw or .vcd")
    opts.timeout = (DEFAULT_TIMEOUT if opts.timeout is None
                    else positive(opts.timeout, "--timeout"))


def positive(text, name):
    if not (text.isascii() and text.isdigit()) or int(text) < 1:
        raise BadInput(f"{name} needs a positive number, not {text!r}")
    return int(text)


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
