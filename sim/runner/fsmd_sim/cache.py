"""The cache of analysed GHDL libraries, shared by every fsmd-sim of a user.

Layout under the cache folder:
  src/<name>/     copies of the sources of entry <name>, as GHDL reads them
  lib/<name>/     the GHDL library of entry <name>
  lock/<name>     its lock file; its modification time is its last use
  tmp/<id>/       private folders of builds in progress

An entry is built in a private folder and published by renaming it into
place, so a folder under src/ or lib/ is always complete, whoever is killed
when. GHDL records the folder of each analysed source in its library, so the
sources are published first, in their final place, and analysed from there.
A run holds a shared lock on each entry it uses until it ends; building takes
the lock exclusively (one build per entry at a time) and so does eviction,
which therefore never removes an entry in use. The kernel drops the locks of
a killed process.
"""
import fcntl
import os

from .errors import BadInput

try:
    # hashlib's BLAKE2b from its own module: importing hashlib itself loads
    # OpenSSL, which takes longer than a cached run's work, and BLAKE2b hashes
    # the sources of every run several times faster than SHA-256 here.
    from _blake2 import blake2b
except ImportError:  # a Python built without it
    from hashlib import blake2b

# Design libraries kept (FSMDKIT_CACHE_KEEP overrides); the least recently
# used beyond them are evicted.
KEPT_DESIGN_LIBRARIES = 32
DESIGN_PREFIX = "design-"


def kept_design_libraries():
    text = os.environ.get("FSMDKIT_CACHE_KEEP", "")
    return int(text) if text.isascii() and text.isdigit() else KEPT_DESIGN_LIBRARIES


def default_root():
    explicit = os.environ.get("FSMDKIT_CACHE_DIR")
    if explicit:
        return explicit
    base = os.environ.get("XDG_CACHE_HOME") or os.path.join(os.path.expanduser("~"), ".cache")
    return os.path.join(base, "fsmdkit")


def safe_for_ghdl(path):
    """GHDL writes the folder of each source into its library file between
    double quotes and cannot read back a name holding a double quote, a
    control character or (in messages and some versions) non-ASCII text."""
    return all(" " <= c <= "~" for c in path) and '"' not in path


class Key:
    """A BLAKE2b hash over length-prefixed parts, so no two lists of parts
    collide."""

    def __init__(self, *parts):
        self._h = blake2b(digest_size=20)
        for p in parts:
            self.add(p)

    def add(self, part):
        data = part if isinstance(part, bytes) else str(part).encode("utf-8", "surrogateescape")
        self._h.update(len(data).to_bytes(8, "little"))
        self._h.update(data)
        return self

    def hex(self):
        return self._h.hexdigest()


def _flock(fd, how):
    fcntl.flock(fd, how)


def _same_file(fd, path):
    """Whether fd is still the file at path (eviction unlinks lock files)."""
    try:
        a, b = os.fstat(fd), os.stat(path)
    except OSError:
        return False
    return (a.st_dev, a.st_ino) == (b.st_dev, b.st_ino)


def remove_tree(path):
    """Removes a folder tree; what is already gone is no error."""
    try:
        entries = list(os.scandir(path))
    except FileNotFoundError:
        return
    except NotADirectoryError:
        os.unlink(path)
        return
    for e in entries:
        if e.is_dir(follow_symlinks=False):
            remove_tree(e.path)
        else:
            try:
                os.unlink(e.path)
            except FileNotFoundError:
                pass
    try:
        os.rmdir(path)
    except FileNotFoundError:
        pass


def make_folder(parent):
    """A new folder of its own under parent, readable by its owner alone
    (what tempfile.mkdtemp makes, without the imports that module costs
    every cold run: shutil, random and the compression modules)."""
    while True:
        path = os.path.join(parent, "tmp" + os.urandom(6).hex())
        try:
            os.mkdir(path, 0o700)
            return path
        except FileExistsError:
            continue


class Use:
    """An entry in use: the shared lock keeps it from eviction until
    release() or the end of the process."""

    def __init__(self, cache, name, fd):
        self.cache, self.name, self.fd = cache, name, fd
        self.src = os.path.join(cache.root, "src", name)
        self.lib = os.path.join(cache.root, "lib", name)

    def release(self):
        if self.fd is not None:
            os.close(self.fd)
            self.fd = None


class Cache:
    def __init__(self, root, temporary=False):
        self.root = os.path.abspath(root)
        self.temporary = temporary
        self.built = False  # whether this process has added an entry
        for sub in ("src", "lib", "lock", "tmp"):
            os.makedirs(os.path.join(self.root, sub), exist_ok=True)

    def acquire(self, name, write_sources, build):
        """The entry name, built if missing: write_sources(folder) writes its
        sources into a fresh folder, build(src, lib) analyses them from src
        (their final place) into the fresh library folder lib. Returns a Use
        holding the entry's shared lock."""
        try:
            return self._acquire(name, write_sources, build)
        except OSError as e:
            where = f" ({e.filename})" if e.filename else ""
            raise BadInput(f"cannot use the cache {self.root}: {e.strerror or e}{where};"
                           " set FSMDKIT_CACHE_DIR to another folder")

    def _acquire(self, name, write_sources, build):
        lock_path = os.path.join(self.root, "lock", name)
        lib = os.path.join(self.root, "lib", name)
        while True:
            fd = os.open(lock_path, os.O_RDWR | os.O_CREAT | os.O_CLOEXEC, 0o644)
            try:
                _flock(fd, fcntl.LOCK_SH)
                if _same_file(fd, lock_path) and os.path.isdir(lib):
                    self._mark_used(lock_path)
                    use, fd = Use(self, name, fd), None
                    return use
                _flock(fd, fcntl.LOCK_EX)
                if not _same_file(fd, lock_path):
                    continue
                if not os.path.isdir(lib):
                    self._build(name, write_sources, build)
                # Downgrading is not atomic: look again under the shared lock.
                _flock(fd, fcntl.LOCK_SH)
                if _same_file(fd, lock_path) and os.path.isdir(lib):
                    self._mark_used(lock_path)
                    use, fd = Use(self, name, fd), None
                    return use
            finally:
                if fd is not None:
                    os.close(fd)

    def _build(self, name, write_sources, build):
        private = self.private_folder()
        try:
            src = os.path.join(self.root, "src", name)
            if not os.path.isdir(src):
                fresh = os.path.join(private.path, "src")
                os.mkdir(fresh)
                write_sources(fresh)
                _publish(fresh, src)
            lib = os.path.join(private.path, "lib")
            os.mkdir(lib)
            build(src, lib)
            _publish(lib, os.path.join(self.root, "lib", name))
            self.built = True
        finally:
            private.remove()

    def private_folder(self):
        return Private(os.path.join(self.root, "tmp"))

    def _mark_used(self, lock_path):
        try:
            os.utime(lock_path)
        except OSError:
            pass  # a read-only cache: the order of eviction only

    def evict(self, keep=None):
        """Removes the least recently used design libraries beyond keep, and
        the private folders of builds whose process has died. An entry that
        any run holds is skipped. Best effort: what cannot be removed now
        is left for a later run."""
        try:
            self._evict_all(keep)
        except OSError:
            pass

    def _evict_all(self, keep):
        if keep is None:
            keep = kept_design_libraries()
        names = []
        for name in _listdir(os.path.join(self.root, "lib")):
            if name.startswith(DESIGN_PREFIX):
                try:
                    used = os.stat(os.path.join(self.root, "lock", name)).st_mtime
                except OSError:
                    used = 0.0
                names.append((used, name))
        names.sort(reverse=True)
        for _, name in names[keep:]:
            self._evict(name)
        for name in _listdir(os.path.join(self.root, "tmp")):
            Private.remove_if_abandoned(os.path.join(self.root, "tmp", name))

    def _evict(self, name):
        lock_path = os.path.join(self.root, "lock", name)
        try:
            fd = os.open(lock_path, os.O_RDWR | os.O_CREAT | os.O_CLOEXEC, 0o644)
        except OSError:
            return
        try:
            try:
                _flock(fd, fcntl.LOCK_EX | fcntl.LOCK_NB)
            except OSError:
                return  # in use
            if not _same_file(fd, lock_path):
                return
            trash = self.private_folder()
            try:
                for sub in ("lib", "src"):
                    try:
                        os.rename(os.path.join(self.root, sub, name),
                                  os.path.join(trash.path, sub))
                    except FileNotFoundError:
                        pass
                os.unlink(lock_path)
            finally:
                trash.remove()
        finally:
            os.close(fd)

    def close(self):
        if self.temporary:
            remove_tree(self.root)


class Private:
    """A private folder under tmp/, marked as alive by an exclusive lock on
    its owner file for as long as its process lives."""

    def __init__(self, parent):
        self.path = make_folder(parent)
        # The owner file takes its name only once it is locked: another
        # run's eviction that found it unlocked under that name would take
        # the folder for abandoned and remove it under its new owner.
        unlocked = os.path.join(self.path, "owner.new")
        self.fd = os.open(unlocked, os.O_RDWR | os.O_CREAT | os.O_CLOEXEC, 0o644)
        _flock(self.fd, fcntl.LOCK_EX)
        os.rename(unlocked, os.path.join(self.path, "owner"))

    def remove(self):
        remove_tree(self.path)
        os.close(self.fd)

    @staticmethod
    def remove_if_abandoned(path):
        try:
            fd = os.open(os.path.join(path, "owner"), os.O_RDWR | os.O_CLOEXEC)
        except FileNotFoundError:
            # Not yet marked (its owner is between mkdtemp and the lock) or
            # already being removed: only an old one is abandoned.
            try:
                import time
                if time.time() - os.stat(path).st_mtime > 3600:
                    remove_tree(path)
            except OSError:
                pass
            return
        except OSError:
            return
        try:
            try:
                _flock(fd, fcntl.LOCK_EX | fcntl.LOCK_NB)
            except OSError:
                return
            remove_tree(path)
        finally:
            os.close(fd)


def _publish(fresh, final):
    """Renames the complete folder fresh to final; if final exists (built by
    a run that held the lock before), fresh is dropped."""
    try:
        os.rename(fresh, final)
    except OSError as e:
        import errno
        if e.errno not in (errno.ENOTEMPTY, errno.EEXIST):
            raise


def _listdir(path):
    try:
        return os.listdir(path)
    except OSError:
        return []
