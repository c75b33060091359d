#!/usr/bin/env python3
"""fsmd-sim --wave-on-failure end to end: on a 3,000-test run the file is a
small fraction of the whole run's waves and its window holds the first
failing test at the run's own times; the four bundled benches get theirs
from their results; a GHW file is written; the first run's results stay as
they are; a run that hangs after its failing test still gets them; the SVG
names every port (odd names too) and shows the failing value, and
headless Chromium (Debian's chromium, where installed: the test says it
skips otherwise) draws it.

Environment: FSMD_SIM, FSMD_BACKEND, FSMD_TEST_DIR (a scratch folder of this
test alone).
"""
import os
import pathlib
import random
import re
import shutil
import struct
import subprocess
import sys
import unittest
import xml.etree.ElementTree as ElementTree
import zlib

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1]))
from fsmd_sim import waves  # noqa: E402

FSMD_SIM = os.environ["FSMD_SIM"]
BACKEND = os.environ.get("FSMD_BACKEND", "mcode")
SCRATCH = pathlib.Path(os.environ["FSMD_TEST_DIR"])
EXAMPLES = pathlib.Path(__file__).resolve().parents[2] / "examples"
DESIGNS = pathlib.Path(__file__).parent / "designs"
DESIGN = DESIGNS / "fsm_full.vhd"
SVG = "{http://www.w3.org/2000/svg}"
PORTS = ["clk", "reset", "start", "a", "op", "y", "done"]
BUNDLED = {"eda": ["in1", "in2", "out1"], "fibo": ["x", "d_1236"],
           "arraysum": ["in1", "out1"], "popcount": ["inp", "d_1236"]}


def fresh(name):
    path = SCRATCH / name
    shutil.rmtree(path, ignore_errors=True)
    path.mkdir(parents=True)
    return path


def fsmd_sim(*args):
    proc = subprocess.run([FSMD_SIM, "--backend", BACKEND, *map(str, args)],
                          capture_output=True, text=True)
    return proc.returncode, proc.stdout, proc.stderr


def svg_texts(path):
    return [t.text or "" for t in ElementTree.parse(path).getroot().iter(f"{SVG}text")]


def model(a, op):
    return (a << 1) & 0xFF if op else a >> 1


def long_vectors(path, tests=3000, first_bad=1234):
    """3,000 tests of fsm_full, the first wrong expectation at first_bad and
    about one in eight after it."""
    rng = random.Random(23)
    rows, bad = ["a op : y"], []
    for n in range(1, tests + 1):
        a, op = rng.randrange(256), rng.randrange(2)
        y = model(a, op)
        if n == first_bad or (n > first_bad and rng.random() < 0.125):
            y ^= 1
            bad.append((n, a, op))
        rows.append(f"{a:02X} {op} : {y:02X}")
    path.write_text("\n".join(rows) + "\n")
    return bad


class GeneratedBench(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.d = fresh("long")
        cls.bad = long_vectors(cls.d / "v.txt")
        cls.full = fsmd_sim("fsm_full", "--design", DESIGN, "--vectors", cls.d / "v.txt",
                            "--dir", cls.d / "full", "--wave", cls.d / "full.vcd", "--quiet")
        cls.result = fsmd_sim("fsm_full", "--design", DESIGN, "--vectors", cls.d / "v.txt",
                           "--dir", cls.d / "run", "--wave-on-failure", cls.d / "fail.vcd",
                           "--quiet")

    def test_the_file_is_small_and_named_in_the_summary(self):
        status, out, err = self.result
        self.assertEqual(status, 1, out + err)
        self.assertIn(f"fsm_full: waves of failing test {self.bad[0][0]}: {self.d / 'fail.vcd'}"
                      f" (timing diagram {self.d / 'fail.svg'})", out)
        size, whole = (self.d / "fail.vcd").stat().st_size, (self.d / "full.vcd").stat().st_size
        self.assertLess(size, whole * 0.05, (size, whole))

    def test_the_window_holds_the_first_failing_test_at_the_runs_own_times(self):
        # Fault: another test's window, times shifted to 0, or the failing
        # value missing (the bench ends inside the step of its last check).
        number, a, op = self.bad[0]
        full = waves.read(self.d / "full.vcd", {"tb_test_number", "a", "y"})
        cut = waves.read(self.d / "fail.vcd")
        starts = [t for t, v in full.signals["tb_test_number"].changes if int(v, 2) == number]
        ends = [t for t, v in full.signals["tb_test_number"].changes if int(v, 2) == number + 1]
        first = min(t for s in cut.signals.values() for t, _ in s.changes)
        self.assertLess(first, starts[0])
        self.assertGreaterEqual(cut.end, ends[0])
        self.assertEqual(int(cut.signals["a"].value_at(starts[0]), 2), a)
        for t in range(starts[0], ends[0] + 1, 10**6):
            self.assertEqual(cut.signals["y"].value_at(t), full.signals["y"].value_at(t), t)
        self.assertEqual(int(cut.signals["y"].value_at(ends[0]), 2), model(a, op))

    def test_the_svg_names_every_port_and_shows_the_failing_value(self):
        number, a, op = self.bad[0]
        texts = svg_texts(self.d / "fail.svg")
        for port in PORTS:
            self.assertIn(port, texts)
        self.assertIn("y expected", texts)
        self.assertIn(f"{model(a, op):02X}", texts)
        self.assertIn(f"{model(a, op) ^ 1:02X}", texts)
        marker = [t for t in texts if "failed" in t and "ns:" in t]
        self.assertEqual(len(marker), 1, texts)
        self.assertIn(f"y={model(a, op):02X} y_expected={model(a, op) ^ 1:02X}", marker[0])

    def test_the_first_runs_results_stay_as_they_are(self):
        # Fault: the second run writing into DIR over the first run's results.
        ran = (self.d / "run" / "fsm_full_test_results.txt").read_text()
        self.assertEqual(ran, (self.d / "full" / "fsm_full_test_results.txt").read_text())


class Others(unittest.TestCase):
    def test_each_bundled_bench_gets_the_waves_of_its_failing_test(self):
        for bench, ports in BUNDLED.items():
            with self.subTest(bench=bench):
                d = fresh(f"bundled-{bench}")
                lines = (EXAMPLES / "data" / f"{bench}_test_data.txt").read_text().splitlines()
                failing = min(3, len(lines))
                fields = lines[failing - 1].split()
                wrong = f"{int(fields[-1], 16) ^ 1:08X}"
                lines[failing - 1] = " ".join(fields[:-1] + [wrong])
                (d / "data.txt").write_text("\n".join(lines) + "\n")
                status, out, err = fsmd_sim(bench, "--data", d / "data.txt", "--dir", d / "run",
                                            "--wave-on-failure", d / "w.vcd", "--quiet")
                self.assertEqual(status, 1, out + err)
                self.assertIn(f"waves of failing test {failing}:", out)
                texts = svg_texts(d / "w.svg")
                for port in ["clk", "reset", "start", "done", *ports]:
                    self.assertIn(port, texts)
                self.assertIn(wrong, texts)  # the expected value
                # The design's value at the failing sample, as the results say.
                got = re.search(r"=([0-9A-Fa-f]{8}) \S+_ref=", out).group(1).upper()
                self.assertIn(got, texts)

    def test_a_failure_on_the_last_line_a_bundled_bench_reads_is_said_to_lack_its_sample(self):
        # arraysum reads 10 lines at most: no test follows the tenth.
        d = fresh("bundled-last")
        lines = (EXAMPLES / "data" / "arraysum_test_data.txt").read_text().splitlines()[:10]
        fields = lines[9].split()
        lines[9] = f"{fields[0]} {int(fields[1], 16) ^ 1:08X}"
        (d / "data.txt").write_text("\n".join(lines) + "\n")
        status, out, err = fsmd_sim("arraysum", "--data", d / "data.txt", "--dir", d / "run",
                                    "--wave-on-failure", d / "w.vcd", "--quiet")
        self.assertEqual(status, 1, out + err)
        self.assertIn(f"arraysum: waves of failing test 10: {d / 'w.vcd'} (timing diagram"
                      f" {d / 'w.svg'}); the arraysum bench reads no test after test 10", out)

    def test_a_ghw_file_and_no_file_for_a_passing_run(self):
        d = fresh("ghw")
        (d / "v.txt").write_text("a op : y\n03 1 : 06\n08 0 : 05\n")
        status, out, err = fsmd_sim("fsm_full", "--design", DESIGN, "--vectors", d / "v.txt",
                                    "--dir", d / "run", "--wave-on-failure", d / "w.ghw")
        self.assertEqual(status, 1, out + err)
        self.assertTrue((d / "w.ghw").read_bytes().startswith(b"GHDLwave"))
        self.assertIn("04", svg_texts(d / "w.svg"))
        # Fault: a passing run leaving an earlier failure's waves beside it.
        (d / "v.txt").write_text("a op : y\n03 1 : 06\n")
        status, out, err = fsmd_sim("fsm_full", "--design", DESIGN, "--vectors", d / "v.txt",
                                    "--dir", d / "pass", "--wave-on-failure", d / "w.ghw")
        self.assertEqual(status, 0, out + err)
        self.assertNotIn("waves of", out)
        self.assertFalse((d / "w.ghw").exists() or (d / "w.svg").exists())

    def test_a_run_limited_by_tests_or_max_failures_still_shows_the_failing_value(self):
        # Fault: the second run repeating the first run's limits, so that it
        # ends at the failing check and GHDL's VCD leaves out that step: the
        # waves and the diagram would hold no value of the failing sample.
        d = fresh("limited")
        rows = [(3, 1), (8, 0), (0x41, 1), (0x10, 0), (0x22, 1)]
        (d / "v.txt").write_text("a op : y\n" + "".join(
            f"{a:02X} {op} : {model(a, op) ^ (n == 3):02X}\n" for n, (a, op) in enumerate(rows, 1)))
        got = f"{model(0x41, 1):02X}"
        for name, limit in (("tests", ["--tests", "2-3"]), ("max-failures", ["--max-failures", "1"]),
                            ("both", ["--tests", "3,5", "--max-failures", "1"])):
            with self.subTest(limit=limit):
                status, out, err = fsmd_sim("fsm_full", "--design", DESIGN, "--vectors",
                                            d / "v.txt", "--dir", d / name, *limit,
                                            "--wave-on-failure", d / f"{name}.vcd")
                self.assertEqual(status, 1, out + err)
                self.assertIn("fsm_full: waves of failing test 3:", out)
                cut = waves.read(d / f"{name}.vcd")
                ns = int(re.search(r"test 3: FAILED: at (\d+) ns", out).group(1))
                at = ns * 10**6 // cut.unit_fs
                self.assertEqual(f"{int(cut.signals['y'].value_at(at), 2):02X}", got)
                texts = svg_texts(d / f"{name}.svg")
                self.assertIn(got, texts[texts.index("y"):texts.index("y expected")])

    def test_a_failing_test_followed_by_one_that_never_ends_still_gets_its_waves(self):
        # Test 3 fails, test 4 never ends (hang_on_ff stays busy on FF): the
        # run's status is a hang. Faults: no waves at all for a run of that
        # status, or a second run that repeats the whole hang (a million
        # cycles of waves) before the window is cut.
        d = fresh("hang")
        (d / "v.txt").write_text("a : y\n01 : 02\n05 : 06\n10 : 12\nFF : 00\n20 : 21\n")
        status, out, err = fsmd_sim("hang_on_ff", "--design", DESIGNS / "hang_on_ff.vhd",
                                    "--vectors", d / "v.txt", "--dir", d / "run",
                                    "--wave-on-failure", d / "w.vcd")
        self.assertEqual(status, 2, out + err)
        self.assertIn(f"hang_on_ff: waves of failing test 3: {d / 'w.vcd'}", out)
        second = d / "run" / ".fsmd-sim" / "failure-run" / "waves.vcd"
        self.assertLess(second.stat().st_size, 100_000)
        cut = waves.read(d / "w.vcd")
        ns = int(re.search(r"test 3: FAILED: at (\d+) ns", out).group(1))
        self.assertEqual(cut.signals["y"].value_at(ns * 10**6 // cut.unit_fs), "00010001")
        texts = svg_texts(d / "w.svg")
        self.assertIn("11", texts[texts.index("y"):texts.index("y expected")])
        self.assertIn("12", texts[texts.index("y expected"):])

    def test_odd_port_names_are_drawn_and_kept(self):
        # Faults: a port whose name holds a blank or '=' missing from the
        # diagram (its VCD name cut at the blank) or shown with another's
        # values, XML's characters breaking the SVG, the expected value with
        # unchecked digits drawn as unknown.
        d = fresh("odd-names")
        (d / "v.txt").write_text('\\a b\\ \\x<&>"y\\ read : \\y=1\\ tb_x\n'
                                 "01 0 10 : 02 10\n"
                                 "05 1 20 : 0- 22\n"
                                 "07 0 30 : 08 30\n")
        status, out, err = fsmd_sim("odd_names", "--design", DESIGNS / "odd_names.vhd",
                                    "--vectors", d / "v.txt", "--dir", d / "run",
                                    "--wave-on-failure", d / "w.vcd")
        self.assertEqual(status, 1, out + err)
        self.assertIn("odd_names: waves of failing test 2:", out)
        texts = svg_texts(d / "w.svg")
        rows = {}
        for name in ["\\a b\\", '\\x<&>"y\\', "read", "\\y=1\\", "\\y=1\\ expected", "tb_x",
                     "tb_x expected", "test"]:
            self.assertIn(name, texts)
        order = [texts.index(n) for n in ["\\a b\\", "read", "\\y=1\\", "\\y=1\\ expected",
                                          "tb_x", "tb_x expected", "test"]]
        self.assertEqual(order, sorted(order))
        for name, following, want in [("\\a b\\", '\\x<&>"y\\', "05"), ("read", "\\y=1\\", "20"),
                                      ("\\y=1\\", "\\y=1\\ expected", "06"),
                                      ("\\y=1\\ expected", "tb_x", "0-"),
                                      ("tb_x", "tb_x expected", "21"),
                                      ("tb_x expected", "test", "22")]:
            rows[name] = texts[texts.index(name) + 1:texts.index(following)]
            self.assertIn(want, rows[name], (name, rows[name]))
        cut = waves.read(d / "w.vcd")
        self.assertIn("\\a b\\", cut.signals)
        self.assertIn("\\y=1\\", cut.signals)

    def test_a_missing_folder_is_said_in_the_summary(self):
        d = fresh("no-folder")
        (d / "v.txt").write_text("a op : y\n08 0 : 05\n")
        status, out, err = fsmd_sim("fsm_full", "--design", DESIGN, "--vectors", d / "v.txt",
                                    "--dir", d / "run", "--wave-on-failure", d / "no" / "w.vcd")
        self.assertEqual(status, 1, out + err)
        self.assertIn(f"fsm_full: no waves of failing test 1: the folder {d / 'no'} does not"
                      " exist", out)


def png_pixels(path):
    """The rows of an 8-bit RGB(A) PNG as bytes, each without its filter
    byte's effect undone: enough to tell one colour from several."""
    data = path.read_bytes()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, chunks, header = 8, [], None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            chunks.append(body)
        pos += 12 + length
    return header, zlib.decompress(b"".join(chunks))


class InABrowser(unittest.TestCase):
    def test_chromium_draws_the_diagram(self):
        chromium = shutil.which("chromium")
        if chromium is None:
            self.skipTest("headless Chromium (Debian's chromium package) is not installed")
        d = fresh("browser")
        (d / "v.txt").write_text("a op : y\n03 1 : 06\n08 0 : 05\n")
        status, out, err = fsmd_sim("fsm_full", "--design", DESIGN, "--vectors", d / "v.txt",
                                    "--dir", d / "run", "--wave-on-failure", d / "w.vcd")
        self.assertEqual(status, 1, out + err)
        shot = d / "w.png"
        proc = subprocess.run([chromium, "--headless", "--no-sandbox", "--disable-gpu",
                               f"--user-data-dir={d / 'profile'}", "--window-size=1250,420",
                               f"--screenshot={shot}", (d / "w.svg").as_uri()],
                              capture_output=True, text=True, timeout=120)
        self.assertTrue(shot.is_file(), proc.stderr)
        (width, height, depth, *_), pixels = png_pixels(shot)
        self.assertEqual((width, height, depth), (1250, 420, 8))
        # A blank page is one colour; the diagram has white, its blue
        # waves, green expected values and the red marker.
        self.assertGreater(len(set(pixels)), 16)
        # What it drew: the DOM Chromium read from the file.
        proc = subprocess.run([chromium, "--headless", "--no-sandbox", "--disable-gpu",
                               f"--user-data-dir={d / 'profile'}", "--dump-dom",
                               (d / "w.svg").as_uri()],
                              capture_output=True, text=True, timeout=120)
        for port in PORTS:
            self.assertIn(f">{port}</text>", proc.stdout)
        self.assertIn("y=04 y_expected=05", proc.stdout)


if __name__ == "__main__":
    unittest.main()
