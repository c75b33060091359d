"""Cache keys and eviction, without GHDL."""
import os
import subprocess
import sys
import tempfile
import unittest
from unittest import mock

from fsmd_sim.cache import Cache, Key, safe_for_ghdl
from fsmd_sim.library import Ghdl, kit_library


class Keys(unittest.TestCase):
    def test_parts_are_delimited(self):
        self.assertNotEqual(Key("ab", "c").hex(), Key("a", "bc").hex())
        self.assertNotEqual(Key("a", "").hex(), Key("a").hex())
        self.assertEqual(Key("a", b"b").hex(), Key("a", "b").hex())

    def test_paths_ghdl_can_record(self):
        for path, safe in (("/home/a b/c-d_e.f", True), ('/x"y', False), ("/x\ny", False),
                           ("/caché", False), ("/x\x7f", False), ("/-lead", True)):
            with self.subTest(path):
                self.assertEqual(safe_for_ghdl(path), safe)


class FakeKit:
    units = ["textutil/u.vhd"]
    flags = ["--std=93c"]

    def __init__(self, root):
        self.root = root

    def path(self, rel):
        return os.path.join(self.root, rel)


class RecordingCache:
    def __init__(self):
        self.names = []

    def acquire(self, name, write_sources, build):
        self.names.append(name)
        return type("Use", (), {})()


class GhdlIdentity(unittest.TestCase):
    """The kit's library is keyed by the GHDL version, the back end, the
    precompiled std and ieee libraries and the std_logic_textio source."""

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        root = self.tmp.name
        self.prefix = os.path.join(root, "lib", "ghdl", "mcode")
        os.makedirs(os.path.join(self.prefix, "vhdl", "ieee", "v93"))
        self.ieee = os.path.join(self.prefix, "vhdl", "ieee", "v93", "ieee-obj93.cf")
        self.write(self.ieee, "v 4\n")
        self.textio = os.path.join(root, "std_logic_textio.vhdl")
        self.write(self.textio, "package std_logic_textio is end;\n")
        os.makedirs(os.path.join(root, "kit", "textutil"))
        self.write(os.path.join(root, "kit", "textutil", "u.vhd"), "package u is end;\n")
        self.kit = FakeKit(os.path.join(root, "kit"))

    def tearDown(self):
        self.tmp.cleanup()

    def write(self, path, text):
        with open(path, "w") as f:
            f.write(text)

    def key(self, version="GHDL 2.0.0", backend="mcode"):
        g = object.__new__(Ghdl)
        g.version, g.backend, g.library_prefix, g.textio = version, backend, self.prefix, self.textio
        g.executable = "/bin/false"
        g.library_files = Ghdl._library_files(self.prefix)
        c = RecordingCache()
        kit_library(self.kit, g, c)
        return c.names[0]

    def test_each_part_of_the_installation_changes_the_key(self):
        base = self.key()
        self.assertEqual(self.key(), base)
        self.assertNotEqual(self.key(version="GHDL 3.0.0"), base)
        self.assertNotEqual(self.key(backend="llvm"), base)
        self.write(self.ieee, "v 4\nchanged\n")
        after_ieee = self.key()
        self.assertNotEqual(after_ieee, base)
        self.write(self.textio, "package std_logic_textio is end; -- patched\n")
        self.assertNotEqual(self.key(), after_ieee)
        self.write(os.path.join(self.kit.root, "textutil", "u.vhd"), "package u is end; --\n")
        self.assertNotEqual(self.key(), after_ieee)


def entry(cache, name, log=None):
    def write_sources(folder):
        with open(os.path.join(folder, "source.vhd"), "w") as f:
            f.write(name)

    def build(src, lib):
        with open(os.path.join(src, "source.vhd")) as f:
            text = f.read()
        with open(os.path.join(lib, "work-obj93.cf"), "w") as f:
            f.write(text)
        if log is not None:
            log.append(name)

    return cache.acquire(name, write_sources, build)


HOLDER = """
import fcntl, os, sys
fd = os.open(sys.argv[1], os.O_RDWR)
fcntl.flock(fd, fcntl.LOCK_SH)
print("held", flush=True)
sys.stdin.read()
"""


class Eviction(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.cache = Cache(os.path.join(self.tmp.name, "cache"))

    def tearDown(self):
        self.tmp.cleanup()

    def lib(self, name):
        return os.path.join(self.cache.root, "lib", name)

    def test_entries_are_built_once_and_published_whole(self):
        log = []
        for _ in range(3):
            entry(self.cache, "design-a", log).release()
        self.assertEqual(log, ["design-a"])
        self.assertEqual(open(os.path.join(self.lib("design-a"), "work-obj93.cf")).read(), "design-a")
        self.assertEqual(os.listdir(os.path.join(self.cache.root, "tmp")), [])

    def test_least_recently_used_go_first(self):
        for i in range(5):
            entry(self.cache, f"design-{i}").release()
            os.utime(os.path.join(self.cache.root, "lock", f"design-{i}"), (1000 + i, 1000 + i))
        entry(self.cache, "kit-mcode-x").release()
        self.cache.evict(keep=2)
        self.assertEqual(sorted(os.listdir(os.path.join(self.cache.root, "lib"))),
                         ["design-3", "design-4", "kit-mcode-x"])
        self.assertEqual(sorted(os.listdir(os.path.join(self.cache.root, "src"))),
                         ["design-3", "design-4", "kit-mcode-x"])

    def test_an_entry_in_use_is_never_evicted(self):
        entry(self.cache, "design-old").release()
        os.utime(os.path.join(self.cache.root, "lock", "design-old"), (1000, 1000))
        # Another process uses it: it holds the entry's shared lock.
        holder = subprocess.Popen([sys.executable, "-c", HOLDER,
                                   os.path.join(self.cache.root, "lock", "design-old")],
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        try:
            self.assertEqual(holder.stdout.readline().strip(), "held")
            self.cache.evict(keep=0)
            self.assertTrue(os.path.isdir(self.lib("design-old")))
        finally:
            holder.stdin.close()
            holder.wait()
        self.cache.evict(keep=0)
        self.assertFalse(os.path.exists(self.lib("design-old")))
        # The entry comes back when asked for again.
        use = entry(self.cache, "design-old")
        self.assertTrue(os.path.isdir(use.lib))
        use.release()

    def test_own_use_is_kept_too(self):
        use = entry(self.cache, "design-mine")
        self.cache.evict(keep=0)
        self.assertTrue(os.path.isdir(use.lib))
        use.release()

    def test_abandoned_builds_are_cleared(self):
        # A build whose process died: its folder holds an unlocked owner file.
        dead = os.path.join(self.cache.root, "tmp", "dead")
        os.makedirs(os.path.join(dead, "lib"))
        open(os.path.join(dead, "owner"), "w").close()
        alive = self.cache.private_folder()
        self.cache.evict()
        self.assertFalse(os.path.exists(dead))
        self.assertTrue(os.path.isdir(alive.path))
        alive.remove()

    def test_a_failed_build_leaves_nothing(self):
        def build(src, lib):
            raise RuntimeError("analysis failed")

        with self.assertRaises(RuntimeError):
            self.cache.acquire("design-bad", lambda folder: None, build)
        self.assertFalse(os.path.exists(self.lib("design-bad")))
        self.assertEqual(os.listdir(os.path.join(self.cache.root, "tmp")), [])


class PrivateFolders(unittest.TestCase):
    """Another run's eviction may look at a private folder at any moment of
    its making; it must never take a folder being made for abandoned."""

    def test_eviction_between_the_owner_file_and_its_lock_keeps_the_folder(self):
        from fsmd_sim import cache as cache_module
        with tempfile.TemporaryDirectory() as parent:
            real_flock = cache_module._flock
            seen = []

            def evict_then_lock(fd, how):
                # What a concurrent run's eviction does just before this
                # process takes its lock.
                for name in os.listdir(parent):
                    seen.append(name)
                    cache_module.Private.remove_if_abandoned(os.path.join(parent, name))
                real_flock(fd, how)

            cache_module._flock = evict_then_lock
            try:
                private = cache_module.Private(parent)
            finally:
                cache_module._flock = real_flock
            self.assertEqual(len(seen), 1)
            self.assertTrue(os.path.isfile(os.path.join(private.path, "owner")))
            # Once made, the folder is locked: eviction leaves it alone.
            cache_module.Private.remove_if_abandoned(private.path)
            self.assertTrue(os.path.isdir(private.path))
            private.remove()
            self.assertFalse(os.path.exists(private.path))

    def test_each_private_folder_is_new_and_its_owner_s_alone(self):
        # Faults it would catch: two runs given one folder (a name reused,
        # an existing folder taken over) or a folder others may enter.
        from fsmd_sim import cache as cache_module
        with tempfile.TemporaryDirectory() as parent:
            taken = os.path.join(parent, "tmp" + "00" * 6)
            os.mkdir(taken)
            names = iter([b"\0" * 6, b"\0" * 6, b"\1" * 6])  # the first two taken
            with mock.patch.object(cache_module.os, "urandom", lambda n: next(names)):
                first = cache_module.make_folder(parent)
            self.assertEqual(first, os.path.join(parent, "tmp" + "01" * 6))
            made = {cache_module.make_folder(parent) for _ in range(50)}
            self.assertEqual(len(made - {first, taken}), 50)
            for path in made | {first}:
                self.assertEqual(os.path.dirname(path), parent)
                self.assertEqual(os.stat(path).st_mode & 0o777, 0o700)
                self.assertEqual(os.listdir(path), [])


if __name__ == "__main__":
    unittest.main()
