"""The buffered standard output of GHDL's tree dump: when it is preloaded,
that the dump is the same with it, and that a machine where it cannot be
built runs without it and tries no second time."""
import os
import re
import shutil
import subprocess
import tempfile
import unittest

from fsmd_sim.cache import Cache
from fsmd_sim.stdout_buffer import BufferedStdout, preload_list

DESIGN = """library ieee;
use ieee.std_logic_1164.all;
entity tiny is
  port (clk : in std_logic; a : in std_logic_vector(7 downto 0); y : out std_logic);
end entity tiny;
architecture rtl of tiny is
begin
  y <= a(0) and clk;
end architecture rtl;
"""


class PreloadList(unittest.TestCase):
    def test_where_the_loader_can_take_the_path(self):
        for path, earlier, expected in (
                ("/c/lib/s.so", "", "/c/lib/s.so"),
                ("/c/lib/s.so", "/asan.so", "/c/lib/s.so /asan.so"),
                ("/my cache/s.so", "", None),
                ("/c:d/s.so", "/asan.so", None),
                ("/c\td/s.so", "", None)):
            with self.subTest(path=path, earlier=earlier):
                self.assertEqual(preload_list(path, earlier), expected)


class Fallback(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.dir)
        self.bin = os.path.join(self.dir, "bin")
        os.mkdir(self.bin)
        self.calls = os.path.join(self.dir, "calls")
        old_path = os.environ["PATH"]
        self.addCleanup(os.environ.__setitem__, "PATH", old_path)
        os.environ["PATH"] = self.bin

    def fake_cc(self, status):
        cc = os.path.join(self.bin, "cc")
        with open(cc, "w") as f:
            f.write(f"#!/bin/sh\necho x >> '{self.calls}'\nexit {status}\n")
        os.chmod(cc, 0o755)

    def test_no_compiler_means_no_preload(self):
        with BufferedStdout(Cache(os.path.join(self.dir, "cache")), "/bin/true") as env:
            self.assertEqual(env, {})

    def test_a_failed_build_is_tried_once(self):
        self.fake_cc(1)
        cache = Cache(os.path.join(self.dir, "cache"))
        for _ in range(3):
            with BufferedStdout(cache, "/bin/true") as env:
                self.assertEqual(env, {})
        with open(self.calls) as f:
            self.assertEqual(len(f.read().split()), 1)

    def test_an_unusable_cache_means_no_preload(self):
        self.fake_cc(0)
        cache = Cache(os.path.join(self.dir, "cache"))
        # A file where the cache keeps its locks stops root as well.
        os.rmdir(os.path.join(cache.root, "lock"))
        open(os.path.join(cache.root, "lock"), "w").close()
        with BufferedStdout(cache, "/bin/true") as env:
            self.assertEqual(env, {})


@unittest.skipUnless(shutil.which("ghdl") and (shutil.which("cc") or shutil.which("gcc")),
                     "needs GHDL and a C compiler")
class SameDump(unittest.TestCase):
    def test_the_dump_is_the_same_with_the_preload(self):
        folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, folder)
        with open(os.path.join(folder, "tiny.vhd"), "w") as f:
            f.write(DESIGN)
        ghdl = shutil.which("ghdl")
        dumps = []
        with BufferedStdout(Cache(os.path.join(folder, "cache")), ghdl) as env:
            self.assertIn("LD_PRELOAD", env)
            for extra in ({}, env):
                dump = subprocess.run([ghdl, "--file-to-xml", "tiny.vhd"], cwd=folder,
                                      env=dict(os.environ, **extra), capture_output=True,
                                      check=True).stdout
                self.assertIn(b'identifier="tiny"', dump)
                dumps.append(re.sub(rb'analysis_time_stamp="[0-9.]*"', b"", dump))
        self.assertEqual(dumps[0], dumps[1])


if __name__ == "__main__":
    unittest.main()
