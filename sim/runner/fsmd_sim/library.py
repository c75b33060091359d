"""The GHDL libraries of a run, built through the cache: the kit's library
(std_logic_textio and the kit's units, once per back end, GHDL and kit
content) and a design's library (a copy of the kit's library plus the
design's sources and whatever the bench kind adds, elaborated where the back
end writes an executable)."""
import os

from .cache import DESIGN_PREFIX, Key
from .errors import BadInput
from .ghdl import BACKENDS, read_text, spawn

TEXTIO = "std_logic_textio.vhdl"
# Bumped when the layout of the entries changes, so old entries are not read.
FORMAT = "2"


class Ghdl:
    """One GHDL back end and what identifies its installation: the version,
    the precompiled std and ieee libraries and the std_logic_textio source
    (another Debian package). The facts that take a GHDL run to learn are
    remembered in the cache, keyed by the driver's file."""

    def __init__(self, backend, executable, cache, scratch):
        self.backend, self.executable = backend, executable
        st = os.stat(executable)
        stamp = f"{os.path.realpath(executable)}\0{st.st_size}\0{st.st_mtime_ns}\0{st.st_ino}"
        memo = os.path.join(cache.root, "lib", f"ghdl-{backend}-{Key(stamp).hex()}.txt")
        facts = read_text(memo).split("\n")
        if len(facts) < 4 or facts[0] != stamp.replace("\0", " "):
            facts = [stamp.replace("\0", " ")] + self._ask(scratch)
            facts.append("\0".join(self._library_files(facts[2])))
            try:
                _write_atomically(memo, "\n".join(facts) + "\n", cache)
            except OSError:
                pass  # asked again next time
        self.version, self.library_prefix = facts[1], facts[2]
        self.library_files = facts[3].split("\0") if facts[3] else []
        self.textio = self._find_textio()

    @staticmethod
    def _library_files(prefix):
        """GHDL's precompiled library files (*.cf), which it rewrites with
        every unit it analyses: found once per installation of the driver,
        looked at on every run."""
        found = []
        for top, dirs, files in os.walk(os.path.join(prefix, "vhdl")):
            dirs.sort()
            found += [os.path.join(top, f) for f in sorted(files) if f.endswith(".cf")]
        return found

    def _ask(self, scratch):
        log = os.path.join(scratch, "ghdl-version.log")
        spawn([self.executable, "--version"], log)
        lines = read_text(log).splitlines()
        version = lines[0] if lines else "unknown"
        spawn([self.executable, "--dispconfig"], log)
        for line in read_text(log).splitlines():
            if line.startswith("library prefix:"):
                return [version, line.split(":", 1)[1].strip()]
        raise BadInput(f"cannot find GHDL's library prefix in the output of"
                       f" {self.executable} --dispconfig")

    def _find_textio(self):
        """GHDL's sources sit in src/ beside the per-back-end library folders
        (lib/ghdl/src/synopsys on Debian)."""
        for candidate in (os.path.join(self.library_prefix, "..", "src", "synopsys", TEXTIO),
                          os.path.join(self.library_prefix, "src", "synopsys", TEXTIO)):
            if os.path.isfile(candidate):
                return os.path.normpath(candidate)
        raise BadInput(f"cannot find {TEXTIO} in GHDL's sources under {self.library_prefix}")

    def identity(self):
        """The version, the back end, the state of the precompiled libraries
        (size and time of each library file) and the textio source."""
        key = Key(self.version, self.backend)
        for path in self.library_files:
            try:
                st = os.stat(path)
            except OSError:
                key.add(f"{path}\0missing")
                continue
            key.add(f"{path}\0{st.st_size}\0{st.st_mtime_ns}")
        return key.add(_read_bytes(self.textio, "GHDL's std_logic_textio source")).hex()


def _read_bytes(path, what):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError as e:
        raise BadInput(f"{what} {path} is not readable: {e.strerror}")


def _write_atomically(path, text, cache):
    private = cache.private_folder()
    try:
        tmp = os.path.join(private.path, "file")
        with open(tmp, "w") as f:
            f.write(text)
        os.rename(tmp, path)
    finally:
        private.remove()


def _write(folder, rel, data):
    path = os.path.join(folder, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


class Sources:
    """Source files for GHDL: the name of each copy in the cache (chosen by
    fsmd-sim, so GHDL only ever sees plain names), the name to show the user
    and the contents."""

    def __init__(self):
        self.items = []  # (name of the copy, name shown, bytes)

    def add(self, copy_name, shown, data):
        self.items.append((copy_name, shown, data))

    def add_file(self, copy_name, path, what):
        self.add(copy_name, path, _read_bytes(path, what))

    def key(self, key):
        for copy_name, _, data in self.items:
            key.add(copy_name).add(data)
        return key

    def write(self, folder):
        for copy_name, _, data in self.items:
            _write(folder, copy_name, data)

    def names(self):
        return [copy_name for copy_name, _, _ in self.items]

    def reorder(self, names):
        """Puts the copies named, in the order given, where the first of
        them stood; the other items keep their places."""
        chosen = {item[0]: item for item in self.items if item[0] in names}
        first = next(i for i, item in enumerate(self.items) if item[0] in chosen)
        rest = [item for item in self.items if item[0] not in chosen]
        self.items = rest[:first] + [chosen[n] for n in names] + rest[first:]

    def shown(self, text):
        """GHDL's messages with each copy's name replaced by the user's."""
        import re
        for copy_name, shown, _ in self.items:
            if copy_name != shown:
                text = re.sub(rf"(^|(?<=\s)){re.escape(copy_name)}(?=:)", lambda m: shown, text,
                              flags=re.M)
        return text


def kit_sources(kit, ghdl, units=None):
    s = Sources()
    if getattr(kit, "textio", None):
        s.add_file(TEXTIO, kit.textio, "the kit is incomplete:")
    else:
        s.add_file(TEXTIO, ghdl.textio, "GHDL's std_logic_textio source")
    for rel in kit.units if units is None else units:
        s.add_file(rel, kit.path(rel), "the kit is incomplete:")
    return s


def kit_library(kit, ghdl, cache, deadline=None, units=None):
    """The kit's library, shared by every design and bench: std_logic_textio
    and units (default: all the kit's units)."""
    units = kit.units if units is None else units
    sources = kit_sources(kit, ghdl, units)
    analysed = [TEXTIO] + units
    key = sources.key(Key(FORMAT, ghdl.identity(), *kit.flags, *analysed)).hex()

    def build(src, lib):
        log = os.path.join(lib, "analysis.log")
        if spawn([ghdl.executable, "-a", *kit.flags, f"--workdir={os.path.relpath(lib, src)}",
                  *analysed], log, cwd=src, deadline=deadline) != 0:
            raise BadInput(f"the kit's own VHDL units fail analysis with GHDL {ghdl.backend}:\n"
                           + read_text(log).rstrip())

    use = cache.acquire(f"kit-{ghdl.backend}-{key}", sources.write, build)
    use.sources = sources
    return use


def declared_units(text):
    """The primary units a VHDL text declares (comments removed). Only a
    build needs it, so re (slow to import) is imported here."""
    import re
    text = re.sub(r"--[^\n]*", "", text)
    unit = re.compile(r"^\s*(entity|package|configuration)\s+(?!body\b)(\w+)\s+(?:is|of)\b",
                      re.I | re.M)
    return [(kind.lower(), name.lower()) for kind, name in unit.findall(text)]


def kit_unit_names(sources):
    names = {}
    for copy_name, _, data in sources.items:
        for kind, name in declared_units(data.decode("latin-1")):
            names[name] = (kind, copy_name)
    return names


def design_library(kit, ghdl, cache, kit_use, job, scratch, deadline, coverage=False):
    """The kit's library plus the job's sources (the design's files, then
    what the bench kind adds), analysed, and on back ends that write an
    executable elaborated, once per content: a later run of the same design
    analyses nothing. With coverage the design's files (and nothing else)
    are analysed with gcov instrumentation and the bench is linked with
    libgcov: an entry of its own, beside the plain one."""
    sources = job.sources
    key = sources.key(Key(FORMAT, kit_use.name, job.top, *kit.flags,
                          "coverage" if coverage else "plain")).hex()
    log = os.path.join(scratch, "analysis.log")

    def analyse(src, lib, names, extra):
        workdir = f"--workdir={os.path.relpath(lib, src)}"
        if names and spawn([ghdl.executable, "-a", *kit.flags, *extra, workdir, *names], log,
                           cwd=src, deadline=deadline) != 0:
            raise BadInput(job.analysis_failure(read_text(log).rstrip()))

    def build(src, lib):
        check_clashes(job, kit_use)
        for name in os.listdir(kit_use.lib):
            if name.endswith(".cf"):
                with open(os.path.join(kit_use.lib, name), "rb") as f:
                    _write(lib, name, f.read())
            elif name.endswith(".o"):
                os.symlink(os.path.join(kit_use.lib, name), os.path.join(lib, name))
        link = []
        if coverage:
            from . import coverage as cov
            design = [n for n in sources.names() if job.is_design_source(n)]
            analyse(src, lib, design, cov.ANALYSIS_FLAGS)
            # GCC writes the notes files (.gcno) into the folder it runs in;
            # they belong with the objects, in the entry's library.
            for name in os.listdir(src):
                if name.endswith(".gcno"):
                    os.replace(os.path.join(src, name), os.path.join(lib, name))
            analyse(src, lib, [n for n in sources.names() if n not in design], ())
            flush = cov.flush_object(os.path.join(os.path.dirname(__file__), "gcov_flush.c"),
                                     lib, lambda argv, out: spawn(argv, out, deadline=deadline))
            # The handler's object before libgcov, whose dump function it calls.
            link = [f"-Wl,{os.path.basename(flush)}", *cov.ELABORATION_FLAGS]
            # The counters' path compiled in is the folder of this build, which
            # the cache renames into place afterwards; runs need it to send
            # the counters elsewhere.
            _write(lib, cov.OBJECTS_RECORD, os.path.abspath(lib).encode())
        else:
            analyse(src, lib, sources.names(), ())
        if BACKENDS[ghdl.backend]:
            if spawn([ghdl.executable, "-e", *kit.flags, "--workdir=.", *link, "-o", job.top,
                      job.top], log, cwd=lib, deadline=deadline) != 0:
                raise BadInput(f"elaboration of {job.top} fails:\n"
                               + sources.shown(read_text(log).rstrip()))

    use = cache.acquire(f"{DESIGN_PREFIX}{key}", sources.write, build)
    return use


ORDER_PREFIX = "order-"
ORDER_FILE = "order.txt"


def order_design_files(kit, ghdl, cache, kit_use, job, entity, architecture, deadline):
    """Puts the job's design files into an order GHDL can analyse, whatever
    order the user gave them in (an architecture before its entity's file):
    GHDL imports them all (ghdl -i) and names the files that ENTITY's
    ARCHITECTURE needs, in their order of analysis (--elab-order); the files
    it needs not follow in the order given. One file needs no GHDL; the
    order of several is kept in the cache per content."""
    names = [n for n in job.sources.names() if job.is_design_source(n)]
    if len(names) < 2:
        return
    sources = Sources()
    for item in job.sources.items:
        if item[0] in names:
            sources.add(*item)
    key = sources.key(Key(FORMAT, "order", kit_use.name, entity, architecture, *kit.flags)).hex()

    def build(src, lib):
        log = os.path.join(lib, "order.log")
        listing = os.path.join(lib, "order.out")
        for name in os.listdir(kit_use.lib):
            if name.endswith(".cf"):
                with open(os.path.join(kit_use.lib, name), "rb") as f:
                    _write(lib, name, f.read())
        workdir = f"--workdir={os.path.relpath(lib, src)}"
        if spawn([ghdl.executable, "-i", *kit.flags, workdir, *names], log, cwd=src,
                 deadline=deadline) != 0:
            raise BadInput(job.analysis_failure(read_text(log).rstrip()))
        status = spawn([ghdl.executable, "--elab-order", *kit.flags, workdir, entity,
                        architecture], log, cwd=src, deadline=deadline, out=listing)
        if status != 0:
            errors = read_text(log).rstrip()
            spawn([ghdl.executable, "--dir", *kit.flags, workdir], log, cwd=src,
                  deadline=deadline, out=listing)
            raise BadInput(missing_unit(read_text(listing), entity, architecture)
                           or job.analysis_failure(errors))
        needed = [os.path.basename(line.strip()) for line in read_text(listing).splitlines()]
        order = [n for n in needed if n in names]
        order += [n for n in names if n not in order]
        for name in os.listdir(lib):
            os.remove(os.path.join(lib, name))
        with open(os.path.join(lib, ORDER_FILE), "w") as f:
            f.write("\n".join(order) + "\n")

    use = cache.acquire(f"{ORDER_PREFIX}{key}", sources.write, build)
    try:
        order = read_text(os.path.join(use.lib, ORDER_FILE)).split()
    finally:
        use.release()
    if sorted(order) != sorted(names):
        raise BadInput(f"the cache entry {use.lib} is damaged; remove it and run again")
    job.sources.reorder(order)


def missing_unit(listing, entity, architecture):
    """What `ghdl --dir` (lines such as "entity e", "architecture a of e")
    says is missing for ENTITY(ARCHITECTURE), or None when both are there."""
    entities, architectures = [], []
    for line in listing.splitlines():
        words = line.split()
        if len(words) == 2 and words[0] == "entity":
            entities.append(words[1])
        elif len(words) == 4 and words[0] == "architecture" and words[3] == entity:
            architectures.append(words[1])
    if entity not in entities:
        return f"the design files declare no entity {entity}"
    if architecture not in architectures:
        return no_architecture_message(entity, architecture, architectures)
    return None


def no_architecture_message(entity, architecture, declared):
    listed = (f"they declare only {', '.join(sorted(declared))}" if declared
              else "they declare none")
    return (f"the design files declare no architecture {architecture} of entity {entity}:"
            f" {listed} (choose one with --architecture)")


def check_clashes(job, kit_use):
    """A design file that declares a unit the kit already provides (its own
    copy of popcount_types, say) would replace the kit's in library work."""
    kit_units = kit_unit_names(kit_use.sources)
    for copy_name, shown, data in job.sources.items:
        if not job.is_design_source(copy_name):
            continue
        for kind, name in declared_units(data.decode("latin-1")):
            if name in kit_units:
                kit_file = kit_units[name][1]
                raise BadInput(f"the design file {shown} declares {kind} {name}, which the kit"
                               f" provides already ({kit_file}): leave it out of the design files")
