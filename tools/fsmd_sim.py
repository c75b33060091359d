"""fsmd-sim: builds and runs one of fsmdkit's self-checking testbenches
against a design on GHDL, and reports every test and the verdict.

usage: fsmd-sim BENCH [--design FILE]... [--data FILE] [--dir DIR]
                      [--stop-time TIME] [--backend mcode|llvm]
                      [--junit FILE] [--wave FILE]
       fsmd-sim all [-j N] [--dir DIR] [--backend mcode|llvm] [--junit FILE]

BENCH is one of eda, fibo, arraysum, popcount. Exit status: 0 every test
passed, 1 some test failed, 2 no verdict before the stop time (a hang),
3 usage error, unreadable file, failed analysis or elaboration.
"""
# Start-up time counts (a popcount run takes well under a second), so this
# module imports only os and sys up front, is imported by the small fsmd-sim
# script (Python keeps its compiled form, a script it compiles every time),
# runs without the site module and starts GHDL with os.posix_spawn instead of
# the subprocess module.
import os
import sys

BENCHES = ("eda", "fibo", "arraysum", "popcount")
BACKENDS = ("mcode", "llvm")
# 10 million clock cycles: far beyond every bundled test, short enough that a
# stuck design is reported within seconds.
DEFAULT_STOP_TIME = "100ms"
TIME_UNITS = ("fs", "ps", "ns", "us", "ms", "sec", "min", "hr")
PASSED_REPORT = "NONE. End simulation time reached"
FAILED_REPORT = "ERRORS. End simulation time reached"
STOPPED_MESSAGE = "simulation stopped by --stop-time"
# The testbench's last words, as GHDL prints a failure assertion.
FINAL_REPORTS = (f":(assertion failure): {PASSED_REPORT}", f":(assertion failure): {FAILED_REPORT}")
EXIT_PASSED, EXIT_FAILED, EXIT_HANG, EXIT_BAD_INPUT = 0, 1, 2, 3
VERDICT_NAMES = {EXIT_PASSED: "passed", EXIT_FAILED: "FAILED", EXIT_HANG: "HANG",
                 EXIT_BAD_INPUT: "NO VERDICT"}
# Simulation messages printed in full; the rest stay in the run's log.
MESSAGES_SHOWN = 10
# Per-run scratch space inside DIR: the GHDL library of the run and its logs.
SCRATCH = ".fsmd-sim"


class BadInput(Exception):
    """A problem with the command line or the files it names: exit status 3."""


def usage_text():
    return __doc__.split("\n\n")[1]


# ---------------------------------------------------------------- the kit


class Kit:
    """Where the kit's VHDL, its analysis order and its examples live: in
    the source tree this module sits in tools/ beside sim/, in the installed
    tree in share/fsmdkit/python/ beside share/fsmdkit/vhdl/."""

    def __init__(self):
        here = os.path.dirname(os.path.realpath(__file__))
        installed = os.path.join(here, "..")
        if os.path.isfile(os.path.join(installed, "vhdl", "runtime", "kit-units.txt")):
            self.vhdl = os.path.normpath(os.path.join(installed, "vhdl"))
            self.examples = os.path.normpath(os.path.join(installed, "examples"))
        else:
            self.vhdl = os.path.normpath(os.path.join(here, "..", "sim"))
            self.examples = os.path.join(self.vhdl, "examples")
        self.units = read_list(os.path.join(self.vhdl, "runtime", "kit-units.txt"))
        self.flags = read_list(os.path.join(self.vhdl, "runtime", "ghdl-flags.txt"))

    def config_unit(self, bench):
        return f"elab/{bench}_harness_cfg.vhd"

    def design(self, bench):
        return os.path.join(self.examples, "designs", f"{bench}.vhd")

    def data(self, bench):
        return os.path.join(self.examples, "data", f"{bench}_test_data.txt")


def read_list(path):
    """The non-comment lines of one of the kit's list files."""
    try:
        with open(path) as f:
            return [ln.strip() for ln in f if ln.strip() and not ln.startswith("#")]
    except OSError as e:
        raise BadInput(f"the kit is incomplete: cannot read {path}: {e.strerror}")


# ---------------------------------------------------------------- GHDL


def find_ghdl(backend):
    """Debian installs one driver per code generator (ghdl-mcode, ghdl-llvm)."""
    name = f"ghdl-{backend}"
    for d in os.get_exec_path():
        path = os.path.join(d, name)
        if os.access(path, os.X_OK):
            return path
    raise BadInput(f"the GHDL {backend} back end is not installed ({name} is not on PATH)")


def default_backend():
    """mcode, whose elaboration is fastest, unless only the LLVM back end is
    installed."""
    for backend in BACKENDS:
        try:
            find_ghdl(backend)
            return backend
        except BadInput:
            pass
    return BACKENDS[0]


def spawn(argv, log, cwd=None):
    """Runs argv with stdout and stderr into the file log; returns the exit
    status (negative: killed by that signal)."""
    actions = [(os.POSIX_SPAWN_OPEN, 1, log, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644),
               (os.POSIX_SPAWN_DUP2, 1, 2)]
    old = None
    if cwd is not None:
        old = os.getcwd()
        os.chdir(cwd)
    try:
        pid = os.posix_spawn(argv[0], argv, os.environ, file_actions=actions)
    except OSError as e:
        raise BadInput(f"cannot run {argv[0]}: {e.strerror}")
    finally:
        if old is not None:
            os.chdir(old)
    _, status = os.waitpid(pid, 0)
    return os.waitstatus_to_exitcode(status)


def read_text(path):
    try:
        with open(path, errors="replace") as f:
            return f.read()
    except OSError:
        return ""


def library_prefix(ghdl, scratch):
    """GHDL's library prefix, from its configuration report."""
    log = os.path.join(scratch, "dispconfig.log")
    spawn([ghdl, "--dispconfig"], log)
    for line in read_text(log).splitlines():
        if line.startswith("library prefix:"):
            return line.split(":", 1)[1].strip()
    raise BadInput(f"cannot find GHDL's library prefix in the output of {ghdl} --dispconfig")


def find_std_logic_textio(ghdl, scratch):
    """The std_logic_textio source that this GHDL ships: its sources sit in
    src/ beside the per-back-end library folders (lib/ghdl/src/synopsys on
    Debian)."""
    prefix = library_prefix(ghdl, scratch)
    for candidate in (os.path.join(prefix, "..", "src", "synopsys", "std_logic_textio.vhdl"),
                      os.path.join(prefix, "src", "synopsys", "std_logic_textio.vhdl")):
        if os.path.isfile(candidate):
            return os.path.normpath(candidate)
    raise BadInput(f"cannot find std_logic_textio.vhdl in GHDL's sources under {prefix}")


# ---------------------------------------------------------------- cache


def cache_root():
    explicit = os.environ.get("FSMDKIT_CACHE_DIR")
    if explicit:
        return explicit
    base = os.environ.get("XDG_CACHE_HOME") or os.path.join(os.path.expanduser("~"), ".cache")
    return os.path.join(base, "fsmdkit")


def cache_key(kit, backend, ghdl):
    """Changes whenever a kit source, the back end or the GHDL installation
    changes; two checksums of the contents keep collisions out of reach."""
    import zlib
    crc, adler = 0, 1
    st = os.stat(ghdl)
    for part in (backend, ghdl, str(st.st_size), str(st.st_mtime_ns), *kit.flags):
        crc = zlib.crc32(part.encode(), crc)
    for rel in kit.units + [kit.config_unit(b) for b in BENCHES]:
        try:
            with open(os.path.join(kit.vhdl, rel), "rb") as f:
                data = f.read()
        except OSError as e:
            raise BadInput(f"the kit is incomplete: cannot read {os.path.join(kit.vhdl, rel)}: {e.strerror}")
        crc = zlib.crc32(rel.encode() + b"\0" + data, crc)
        adler = zlib.adler32(data, adler)
    return f"{crc:08x}{adler:08x}"


def copy_file(source, dest):
    with open(source, "rb") as f:
        data = f.read()
    with open(dest, "wb") as f:
        f.write(data)
    return dest


def remove_tree(path):
    if not os.path.lexists(path):
        return
    for top, dirs, files in os.walk(path, topdown=False):
        for name in files:
            os.unlink(os.path.join(top, name))
        for name in dirs:
            full = os.path.join(top, name)
            if os.path.islink(full):
                os.unlink(full)
            else:
                os.rmdir(full)
    os.rmdir(path)


def locked_build(root, build):
    """Builds the folder root once with build(root), even when several
    fsmd-sim processes ask for it at the same time: they serialise on a lock
    file, and a folder counts only once its 'ready' mark exists (a build that
    failed half-way is removed and redone by the next run)."""
    ready = os.path.join(root, "ready")
    if os.path.isfile(ready):
        return root
    import fcntl
    try:
        os.makedirs(os.path.dirname(root), exist_ok=True)
        lock = open(root + ".lock", "w")
    except OSError as e:
        raise BadInput(f"cannot write the cache of analysed units in {cache_root()}: {e.strerror}"
                       " (set FSMDKIT_CACHE_DIR to a writable folder)")
    with lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if os.path.isfile(ready):
            return root
        remove_tree(root)
        os.makedirs(root)
        try:
            build(root)
        except BaseException:
            remove_tree(root)
            raise
        with open(ready, "w") as f:
            f.write("ready\n")
    return root


def ensure_cache(kit, backend, ghdl):
    """A GHDL library holding std_logic_textio and every kit unit, analysed
    once per content of the sources and shared by all later runs. The sources
    are copied into it first, so the library never points at files that may
    change under it."""

    def build(root):
        os.makedirs(os.path.join(root, "src"))
        textio = find_std_logic_textio(ghdl, root)
        sources = [copy_file(textio, os.path.join(root, "src", "std_logic_textio.vhdl"))]
        for rel in kit.units + [kit.config_unit(b) for b in BENCHES]:
            dest = os.path.join(root, "src", rel)
            os.makedirs(os.path.dirname(dest), exist_ok=True)
            copy_file(os.path.join(kit.vhdl, rel), dest)
            if rel in kit.units:
                sources.append(dest)
        log = os.path.join(root, "analysis.log")
        if spawn([ghdl, "-a", *kit.flags, f"--workdir={root}", *sources], log, cwd=root) != 0:
            raise BadInput(f"the kit's own VHDL units fail analysis with GHDL {backend}:\n"
                           + read_text(log).rstrip())

    return locked_build(os.path.join(cache_root(), f"{backend}-{cache_key(kit, backend, ghdl)}"), build)


# Design libraries kept per kit library; the least recently used go first.
KEPT_DESIGN_LIBRARIES = 32
RECENT_USE_SECONDS = 600


def design_library(kit, bench, backend, ghdl, cache, designs, scratch):
    """The kit library plus the design and the bench's configuration, built
    once per content and place of the design files: running the same design
    again, with other data, analyses (and with LLVM, elaborates) nothing.
    The library records the design files' places; GHDL itself rejects a
    library whose recorded file has changed, and the key changes with it."""
    import zlib
    crc, adler = zlib.crc32(f"{bench}\0{cache}".encode()), 1
    for path in designs:
        try:
            with open(path, "rb") as f:
                data = f.read()
        except OSError as e:
            raise BadInput(f"design file {path} is not readable: {e.strerror}")
        crc = zlib.crc32(path.encode() + b"\0" + data, crc)
        adler = zlib.adler32(data, adler)
    config = f"{bench}_harness_cfg"
    log = os.path.join(scratch, "analysis.log")

    def build(root):
        for name in os.listdir(cache):
            if name.endswith(".cf"):
                copy_file(os.path.join(cache, name), os.path.join(root, name))
            elif name.endswith(".o"):
                os.symlink(os.path.join(cache, name), os.path.join(root, name))
        config_file = os.path.join(cache, "src", kit.config_unit(bench))
        argv = [ghdl, "-a", *kit.flags, f"--workdir={root}", *designs, config_file]
        if spawn(argv, log, cwd=scratch) != 0:
            errors = read_text(log).rstrip()
            # Only the configuration failed: the design files analyse, but
            # what they declare cannot be bound in place of the component.
            if all(l.startswith(config_file) or not l.startswith("/") or l.startswith(ghdl)
                   for l in errors.splitlines()):
                raise BadInput(f"the design files ({' '.join(designs)}) provide no entity {bench}"
                               f" with architecture fsmd and the ports of the {bench} bench:\n"
                               + errors)
            raise BadInput(f"the design does not analyse ({' '.join(designs)}):\n" + errors)
        if backend == "llvm":
            if spawn([ghdl, "-e", *kit.flags, f"--workdir={root}", "-o", os.path.join(root, config),
                      config], log, cwd=root) != 0:
                raise BadInput(f"elaboration of {config} fails:\n" + read_text(log).rstrip())
        prune(os.path.dirname(root))

    root = locked_build(os.path.join(cache, "designs", f"{crc:08x}{adler:08x}"), build)
    os.utime(os.path.join(root, "ready"))
    return root


def prune(folder):
    """Removes the least recently used design libraries beyond the number
    kept; one used in the last minutes stays, as another run may be about to
    simulate with it."""
    import time
    marks = []
    for name in os.listdir(folder):
        ready = os.path.join(folder, name, "ready")
        if os.path.isfile(ready):
            marks.append((os.stat(ready).st_mtime, name))
    for used, name in sorted(marks)[:-KEPT_DESIGN_LIBRARIES]:
        if time.time() - used > RECENT_USE_SECONDS:
            remove_tree(os.path.join(folder, name))
            os.unlink(os.path.join(folder, name + ".lock"))


# ---------------------------------------------------------------- one run


def parse_time(text):
    """Accepts a VHDL time as GHDL's --stop-time takes it: digits, an
    optional fraction, a unit, no blank (10ms, 2.5us)."""
    for unit in sorted(TIME_UNITS, key=len, reverse=True):
        if text.endswith(unit):
            number = text[: -len(unit)]
            whole, _, frac = number.partition(".")
            if whole.isdigit() and (frac == "" or frac.isdigit()) and "." not in frac:
                return text
            break
    raise BadInput(f"--stop-time {text!r} is not a VHDL time such as 10ms or 500us")


def readable(path, what):
    if not os.path.isfile(path):
        raise BadInput(f"{what} {path} does not exist or is not a file")
    if not os.access(path, os.R_OK):
        raise BadInput(f"{what} {path} is not readable")
    return os.path.abspath(path)


def prepare_dir(path):
    if path is None:
        import tempfile
        path = tempfile.mkdtemp(prefix="fsmd-sim-")
        print(f"fsmd-sim: working directory {path}")
    try:
        os.makedirs(path, exist_ok=True)
    except OSError as e:
        raise BadInput(f"cannot create the working directory {path}: {e.strerror}")
    if not os.access(path, os.W_OK | os.X_OK):
        raise BadInput(f"the working directory {path} is not writable")
    return os.path.abspath(path)


class Outcome:
    def __init__(self, bench):
        self.bench = bench
        self.tests = []  # (number, passed, cycles or None, results line)
        self.verdict_line = None
        self.unexpected = []
        self.status = EXIT_BAD_INPUT
        self.detail = ""
        self.messages = []
        self.run_log = None

    @property
    def passed(self):
        return [t for t in self.tests if t[1]]

    @property
    def failed(self):
        return [t for t in self.tests if not t[1]]

    def cycles(self):
        c = [t[2] for t in self.passed]
        if not c:
            return "-"
        return f"{min(c)} / {sum(c) / len(c):.1f} / {max(c)}"


def parse_results(outcome, path):
    """Reads the testbench's results file: a passing test is a values line
    followed by '<NAME> OK: Number of cycles=N', a failing test one line
    with '<NAME> error: ', and the verdict ends the file."""
    lines = read_text(path).splitlines()
    i = 0
    while i < len(lines):
        line = lines[i]
        nxt = lines[i + 1] if i + 1 < len(lines) else ""
        if line.endswith("algorithm test has passed") or line.endswith("algorithm test has not passed"):
            outcome.verdict_line = line
            i += 1
        elif " OK: Number of cycles=" in nxt:
            count = nxt.rpartition("=")[2]
            try:
                cycles = int(count)
            except ValueError:
                outcome.unexpected.append(nxt)
                cycles = None
            outcome.tests.append((len(outcome.tests) + 1, cycles is not None, cycles, line))
            i += 2
        elif " error: " in line:
            outcome.tests.append((len(outcome.tests) + 1, False, None, line))
            i += 1
        else:
            outcome.unexpected.append(line)
            i += 1


def run_bench(kit, opts):
    bench, backend = opts["bench"], opts["backend"]
    ghdl = find_ghdl(backend)
    designs = [readable(d, "design file") for d in opts["designs"]] or [kit.design(bench)]
    data = readable(opts["data"] or kit.data(bench), "test-data file")
    stop_time = parse_time(opts["stop_time"] or DEFAULT_STOP_TIME)
    wave_opt = []
    if opts["wave"]:
        ext = os.path.splitext(opts["wave"])[1].lower()
        if ext not in (".ghw", ".vcd"):
            raise BadInput(f"--wave {opts['wave']}: the file name must end in .ghw or .vcd")
        wave = os.path.abspath(opts["wave"])
        wave_opt = [f"--wave={wave}" if ext == ".ghw" else f"--vcd={wave}"]
    directory = prepare_dir(opts["dir"])
    cache = ensure_cache(kit, backend, ghdl)

    scratch = os.path.join(directory, SCRATCH)
    os.makedirs(scratch, exist_ok=True)
    data_copy = os.path.join(directory, f"{bench}_test_data.txt")
    results = os.path.join(directory, f"{bench}_alg_test_results.txt")
    if os.path.abspath(data) != data_copy:
        copy_file(data, data_copy)
    if os.path.exists(results):
        os.remove(results)
    work = design_library(kit, bench, backend, ghdl, cache, designs, scratch)

    config = f"{bench}_harness_cfg"
    run_log = os.path.join(scratch, "simulation.log")
    run_opts = [f"--stop-time={stop_time}", *wave_opt]
    if backend == "mcode":
        spawn([ghdl, "--elab-run", *kit.flags, f"--workdir={work}", config, *run_opts],
              run_log, cwd=directory)
    else:
        spawn([os.path.join(work, config), *run_opts], run_log, cwd=directory)

    outcome = Outcome(bench)
    outcome.stop_time = stop_time
    parse_results(outcome, results)
    # GHDL ends with status 1 after any failure assertion, the testbench's
    # normal end included, so the verdict comes from the report text.
    console = read_text(run_log)
    # Reports of the run other than the bench's final one, such as
    # std_logic_textio's complaint about a field that is not hexadecimal:
    # they do not change the verdict but often explain it.
    lines = console.splitlines()
    final = [line for line in lines if line.endswith(FINAL_REPORTS)]
    outcome.messages = [line for line in lines
                        if (":(assertion " in line or ":(report " in line) and line not in final]
    outcome.run_log = run_log
    if any(line.endswith(FINAL_REPORTS[0]) for line in final):
        outcome.status = EXIT_PASSED
    elif final:
        outcome.status = EXIT_FAILED
    elif STOPPED_MESSAGE in console:
        outcome.status = EXIT_HANG
        outcome.detail = (f"no verdict by the stop time {stop_time}: test {len(outcome.tests) + 1}"
                          " never saw done rise")
    else:
        outcome.status = EXIT_BAD_INPUT
        outcome.detail = "the simulation ended without a verdict; GHDL said:\n" + console.rstrip()
    return outcome


# ---------------------------------------------------------------- reports


def print_outcome(outcome, per_test=True, out=sys.stdout):
    b = outcome.bench
    for number, ok, cycles, line in outcome.tests:
        if ok:
            if per_test:
                print(f"{b} test {number}: passed, {cycles} cycles", file=out)
        else:
            print(f"{b} test {number}: FAILED: {line}", file=out)
    for line in outcome.unexpected:
        print(f"{b}: unexpected line in the results file: {line}", file=out)
    for line in outcome.messages[:MESSAGES_SHOWN]:
        print(f"{b}: simulation message: {line}", file=out)
    if len(outcome.messages) > MESSAGES_SHOWN:
        print(f"{b}: {len(outcome.messages) - MESSAGES_SHOWN} more simulation messages"
              f" in {outcome.run_log}", file=out)
    if not outcome.tests and outcome.status == EXIT_PASSED:
        print(f"{b}: note: the test-data file holds no test; nothing was checked", file=out)
    print(f"{b}: {len(outcome.tests)} tests run, {len(outcome.passed)} passed, "
          f"{len(outcome.failed)} failed; cycles min / mean / max: {outcome.cycles()}", file=out)
    verdict = VERDICT_NAMES[outcome.status]
    if outcome.status in (EXIT_PASSED, EXIT_FAILED):
        verdict += f" ({outcome.verdict_line or 'no verdict line in the results file'})"
    else:
        verdict += f": {outcome.detail}"
    print(f"{b}: verdict: {verdict}", file=out)


def xml_escape(text):
    return (text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
            .replace('"', "&quot;"))


def junit_suite(outcome):
    b = outcome.bench
    cases = []
    for number, ok, cycles, line in outcome.tests:
        name = f'<testcase classname="{b}" name="test {number}"'
        if ok:
            cases.append(f"{name}><system-out>{cycles} cycles</system-out></testcase>")
        else:
            cases.append(f'{name}><failure message="{xml_escape(line)}"/></testcase>')
    errors = 0
    if outcome.status in (EXIT_HANG, EXIT_BAD_INPUT):
        errors = 1
        cases.append(f'<testcase classname="{b}" name="test {len(outcome.tests) + 1}">'
                     f'<error message="{xml_escape(outcome.detail.splitlines()[0])}"/></testcase>')
    head = (f'<testsuite name="{b}" tests="{len(cases)}" failures="{len(outcome.failed)}" '
            f'errors="{errors}">')
    return "\n".join(["  " + head] + ["    " + c for c in cases] + ["  </testsuite>"])


def write_junit(path, suites):
    text = ('<?xml version="1.0" encoding="UTF-8"?>\n<testsuites>\n'
            + "".join(s + "\n" for s in suites) + "</testsuites>\n")
    try:
        with open(path, "w") as f:
            f.write(text)
    except OSError as e:
        raise BadInput(f"cannot write the JUnit file {path}: {e.strerror}")


# ---------------------------------------------------------------- all


def run_all(kit, opts):
    """Runs the four benches on their bundled designs and data, each as its
    own fsmd-sim process in DIR/<bench>, at most N at a time."""
    backend = opts["backend"]
    ensure_cache(kit, backend, find_ghdl(backend))
    directory = prepare_dir(opts["dir"])
    jobs = opts["jobs"] or os.cpu_count() or 1
    pending, running, finished = list(BENCHES), {}, {}
    while pending or running:
        while pending and len(running) < jobs:
            bench = pending.pop(0)
            sub = os.path.join(directory, bench)
            os.makedirs(sub, exist_ok=True)
            argv = [sys.executable, "-S", COMMAND, bench, "--dir", sub,
                    "--backend", backend, "--summary", os.path.join(sub, "fsmd-sim.summary")]
            if opts["junit"]:
                argv += ["--junit", os.path.join(sub, "fsmd-sim.junit.xml")]
            actions = [(os.POSIX_SPAWN_OPEN, 1, os.path.join(sub, "fsmd-sim.log"),
                        os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644), (os.POSIX_SPAWN_DUP2, 1, 2)]
            running[os.posix_spawn(argv[0], argv, os.environ, file_actions=actions)] = bench
        pid, status = os.wait()
        bench = running.pop(pid)
        finished[bench] = os.waitstatus_to_exitcode(status)
        sub = os.path.join(directory, bench)
        # The passing tests stay in DIR/<bench>/fsmd-sim.log; failures,
        # summaries and verdicts are shown as each bench finishes.
        for line in read_text(os.path.join(sub, "fsmd-sim.log")).splitlines():
            if not (line.startswith(f"{bench} test ") and ": passed, " in line):
                print(line)
    print()
    rows = [("bench", "run", "passed", "failed", "cycles min / mean / max", "verdict")]
    for bench in BENCHES:
        fields = dict(item.split("=", 1) for item in
                      read_text(os.path.join(directory, bench, "fsmd-sim.summary")).splitlines()
                      if "=" in item)
        status = finished[bench] if finished[bench] in VERDICT_NAMES else EXIT_BAD_INPUT
        rows.append((bench, fields.get("run", "-"), fields.get("passed", "-"),
                     fields.get("failed", "-"), fields.get("cycles", "-"), VERDICT_NAMES[status]))
    widths = [max(len(r[i]) for r in rows) for i in range(len(rows[0]))]
    for r in rows:
        print("  ".join(c.ljust(w) if i in (0, 4, 5) else c.rjust(w)
                        for i, (c, w) in enumerate(zip(r, widths))).rstrip())
    if opts["junit"]:
        suites = []
        for bench in BENCHES:
            text = read_text(os.path.join(directory, bench, "fsmd-sim.junit.xml"))
            start, end = text.find("  <testsuite"), text.rfind("</testsuite>")
            if start >= 0 and end >= 0:
                suites.append(text[start:end + len("</testsuite>")])
        write_junit(opts["junit"], suites)
    worst = max(finished.values(), key=lambda s: s if s in VERDICT_NAMES else EXIT_BAD_INPUT)
    return worst if worst in VERDICT_NAMES else EXIT_BAD_INPUT


# ---------------------------------------------------------------- main


def parse_args(argv):
    opts = {"bench": None, "designs": [], "data": None, "dir": None, "stop_time": None,
            "backend": None, "junit": None, "wave": None, "jobs": None, "summary": None}
    single = {"--data": "data", "--dir": "dir", "--stop-time": "stop_time",
              "--backend": "backend", "--junit": "junit", "--wave": "wave", "-j": "jobs",
              "--summary": "summary"}
    args = list(argv)
    while args:
        arg = args.pop(0)
        if arg in ("-h", "--help"):
            print(__doc__.strip())
            sys.exit(0)
        name, eq, value = arg.partition("=")
        if name == "--design" or name in single:
            if not eq:
                if not args:
                    raise BadInput(f"{name} needs a value")
                value = args.pop(0)
            if name == "--design":
                opts["designs"].append(value)
            else:
                opts[single[name]] = value
        elif arg.startswith("-j") and arg[2:].isdigit():
            opts["jobs"] = arg[2:]
        elif arg.startswith("-"):
            raise BadInput(f"unknown option {arg}")
        elif opts["bench"] is None:
            opts["bench"] = arg
        else:
            raise BadInput(f"unexpected argument {arg}")
    bench = opts["bench"]
    if bench is None:
        raise BadInput("no bench given")
    if bench not in BENCHES + ("all",):
        raise BadInput(f"there is no bench {bench!r}; the benches are {', '.join(BENCHES)} and all")
    if opts["backend"] is None:
        opts["backend"] = default_backend()
    elif opts["backend"] not in BACKENDS:
        raise BadInput(f"--backend must be mcode or llvm, not {opts['backend']!r}")
    if bench == "all":
        for key in ("designs", "data", "stop_time", "wave"):
            if opts[key]:
                raise BadInput(f"--{key.replace('_', '-').rstrip('s')} applies to a single bench, not to all")
        if opts["jobs"] is not None:
            if not opts["jobs"].isdigit() or int(opts["jobs"]) < 1:
                raise BadInput(f"-j needs a positive number, not {opts['jobs']!r}")
            opts["jobs"] = int(opts["jobs"])
    elif opts["jobs"] is not None:
        raise BadInput("-j applies to all only")
    return opts


# The fsmd-sim script, which `all` starts once per bench.
COMMAND = os.path.realpath(sys.argv[0])


def main(argv):
    try:
        opts = parse_args(argv)
        kit = Kit()
        if opts["bench"] == "all":
            return run_all(kit, opts)
        outcome = run_bench(kit, opts)
        if opts["junit"]:
            write_junit(opts["junit"], [junit_suite(outcome)])
        if opts["summary"]:
            with open(opts["summary"], "w") as f:
                f.write(f"run={len(outcome.tests)}\npassed={len(outcome.passed)}\n"
                        f"failed={len(outcome.failed)}\ncycles={outcome.cycles()}\n")
    except BadInput as e:
        print(f"fsmd-sim: {e}", file=sys.stderr)
        if "no bench given" in str(e) or "unknown option" in str(e):
            print(usage_text(), file=sys.stderr)
        return EXIT_BAD_INPUT
    except KeyboardInterrupt:
        return 130
    try:
        print_outcome(outcome)
        sys.stdout.flush()
    except BrokenPipeError:
        # A reader such as head that stops early does not change the verdict.
        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
    return outcome.status
