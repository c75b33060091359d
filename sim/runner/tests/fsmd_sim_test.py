#!/usr/bin/env python3
"""Tests of fsmd-sim's command line: bad input ends with exit status 3 and a
message naming the file and the cause; JUnit and waveform output; the
installed tree; the example of the simulation guide.

Environment: FSMD_SIM, FSMD_EXAMPLES, FSMD_SIM_GUIDE, FSMD_BUILD_DIR,
FSMD_TEST_DIR (a scratch folder of this test alone).
"""
import json
import os
import pathlib
import shutil
import subprocess
import unittest
import xml.etree.ElementTree as ElementTree

FSMD_SIM = os.environ["FSMD_SIM"]
EXAMPLES = pathlib.Path(os.environ["FSMD_EXAMPLES"])
SCRATCH = pathlib.Path(os.environ["FSMD_TEST_DIR"])
GUIDE = pathlib.Path(os.environ["FSMD_SIM_GUIDE"])
BUILD = pathlib.Path(os.environ["FSMD_BUILD_DIR"])
DESIGNS = pathlib.Path(__file__).resolve().parent / "designs"


def fresh(name):
    path = SCRATCH / name
    shutil.rmtree(path, ignore_errors=True)
    path.mkdir(parents=True)
    return path


def fsmd_sim(*args, command=FSMD_SIM, cwd=None):
    proc = subprocess.run([command, *map(str, args)], capture_output=True, text=True, cwd=cwd)
    return proc.returncode, proc.stdout, proc.stderr


class BadInput(unittest.TestCase):
    def test_each_bad_input_is_named_with_status_3(self):
        d = fresh("bad-input")
        broken = d / "broken.vhd"
        broken.write_text("entity fibo is\n  port (clk : in std_logic)\nend entity;\n")
        wrong_entity = d / "wrong_entity.vhd"
        wrong_entity.write_text("entity not_fibo is\nend entity;\narchitecture fsmd of not_fibo is\n"
                                "begin\nend architecture;\n")
        # popcount's design renamed fibo: input inp where the bench has x.
        wrong_ports = d / "wrong_ports.vhd"
        wrong_ports.write_text((EXAMPLES / "designs" / "popcount.vhd").read_text()
                               .replace("entity popcount", "entity fibo").replace("of popcount", "of fibo"))
        a_file = d / "plain-file"
        a_file.write_text("")
        unreadable = d / "no-such-data.txt"
        cases = [
            ("unknown bench", ["sqrt"], "there is no bench 'sqrt'"),
            ("no bench", [], "no bench given"),
            ("unknown option", ["fibo", "--fast"], "unknown option --fast"),
            ("missing data", ["fibo", "--data", unreadable, "--dir", d / "r1"],
             f"test-data file {unreadable} does not exist"),
            ("missing design", ["fibo", "--design", d / "none.vhd", "--dir", d / "r2"],
             f"design file {d / 'none.vhd'} does not exist"),
            ("design fails analysis", ["fibo", "--design", broken, "--dir", d / "r3"],
             "broken.vhd:2"),
            ("design entity missing", ["fibo", "--design", wrong_entity, "--dir", d / "r4"],
             f"the design files ({wrong_entity}) provide no entity fibo with architecture fsmd"),
            ("design ports differ", ["fibo", "--design", wrong_ports, "--dir", d / "r7"],
             'signal interface "x" has no association'),
            ("directory cannot be made", ["fibo", "--dir", a_file / "sub"],
             f"cannot create the working directory {a_file / 'sub'}"),
            ("bad stop time", ["fibo", "--stop-time", "10 ms", "--dir", d / "r5"],
             "is not a VHDL time"),
            ("bad wave name", ["fibo", "--wave", d / "w.txt", "--dir", d / "r6"],
             "must end in .ghw or .vcd"),
            ("bad back end", ["fibo", "--backend", "vhdl"], "--backend must be mcode or llvm"),
            ("bad job count", ["all", "-j", "0"], "-j needs a positive number"),
            ("design option with all", ["all", "--design", broken], "applies to a single bench"),
        ]
        for name, args, message in cases:
            with self.subTest(name):
                status, out, err = fsmd_sim(*args)
                self.assertEqual(status, 3, out + err)
                self.assertIn(message, err)
                self.assertTrue(err.startswith("fsmd-sim: "), err)

    def test_analysis_failure_leaves_no_stale_results(self):
        d = fresh("stale")
        self.assertEqual(fsmd_sim("fibo", "--dir", d)[0], 0)
        broken = d / "broken.vhd"
        broken.write_text("this is not vhdl\n")
        status, _, err = fsmd_sim("fibo", "--dir", d, "--design", broken)
        self.assertEqual(status, 3, err)
        self.assertFalse((d / "fibo_alg_test_results.txt").exists())


class Reports(unittest.TestCase):
    def test_one_line_per_test_and_summary(self):
        d = fresh("report")
        data = d / "data.txt"
        data.write_text("00000000 00000000\n00000005 00000006\n0000000A 00000037\n")
        status, out, err = fsmd_sim("fibo", "--dir", d, "--data", data)
        self.assertEqual(status, 1, err)
        lines = out.splitlines()
        self.assertRegex(lines[0], r"^fibo test 1: passed, \d+ cycles$")
        self.assertEqual(lines[1], "fibo test 2: FAILED: FIBO error: x=00000005 D_1236=00000005 D_1236_ref=00000006")
        self.assertRegex(lines[2], r"^fibo test 3: passed, \d+ cycles$")
        self.assertRegex(lines[3], r"^fibo: 3 tests run, 2 passed, 1 failed; cycles min / mean / max: \d+ / [\d.]+ / \d+$")
        self.assertEqual(lines[4], "fibo: verdict: FAILED (FIBO algorithm test has not passed)")
        # The data file is copied under the bench's own name.
        self.assertEqual((d / "fibo_test_data.txt").read_text(), data.read_text())

    def test_a_design_done_during_reset_passes_with_the_count_the_bench_wrote(self):
        # done rises before the first reset clears the bench's counter,
        # which starts at integer'low: the bench writes that count for
        # test 1 and passes the run.
        d = fresh("done-in-reset")
        status, out, err = fsmd_sim("popcount", "--dir", d, "--design",
                                    DESIGNS / "done_in_reset.vhd")
        results = (d / "popcount_alg_test_results.txt").read_text().splitlines()
        self.assertEqual(results[1], "POPCOUNT OK: Number of cycles=-2147483648")
        self.assertEqual(results[-1], "POPCOUNT algorithm test has passed")
        self.assertEqual(status, 0, out + err)
        self.assertEqual(out.splitlines()[0], "popcount test 1: passed, -2147483648 cycles")
        self.assertIn("popcount: 256 tests run, 256 passed, 0 failed;", out)
        self.assertNotIn("unexpected", out + err)

    def test_quiet_leaves_out_only_the_passing_tests(self):
        d = fresh("quiet")
        data = d / "data.txt"
        data.write_text("00000000 00000000\n00000005 00000006\n")
        status, out, err = fsmd_sim("fibo", "--dir", d, "--data", data, "--quiet")
        self.assertEqual(status, 1, err)
        self.assertEqual(out.splitlines()[0], "fibo test 2: FAILED: FIBO error: x=00000005 D_1236=00000005 D_1236_ref=00000006")
        self.assertIn("fibo: 2 tests run, 1 passed, 1 failed", out)

    def test_malformed_data_is_refused_before_the_simulation(self):
        # The bench would read a field that is not 8 hexadecimal digits as 0
        # or garbage, and a test could pass on it: fsmd-sim refuses the file
        # with its line, column and field, and simulates nothing.
        d = fresh("malformed")
        data = d / "data.txt"
        cases = [
            ("00000001 00000001\n0000000G 00000001\n", f"{data}:2:8: field inp: 'G' is not a hexadecimal digit"),
            ("00000001 00000001\n\n00000003 00000002\n", f"{data}:2:1: field inp is missing"),
            ("00000000 zzzzzzzz\n", f"{data}:1:10: field d_1236: 'z'"),
            ("0x000000 00000000\n", f"{data}:1:2: field inp: 'x'"),
            ("00000000 0000\n", f"{data}:1:14: field d_1236 has only 4 hexadecimal digits"),
            ("00000000 000\x0000000\n", f"{data}:1:13: field d_1236: byte 0x00"),
        ]
        for text, message in cases:
            with self.subTest(text=text):
                data.write_text(text)
                status, out, err = fsmd_sim("popcount", "--dir", d, "--data", data)
                self.assertEqual(status, 3, out + err)
                self.assertIn(message, err)
                self.assertNotIn("test 1", out)

    def test_data_the_bench_reads_correctly_still_runs(self):
        d = fresh("trailing")
        data = d / "data.txt"
        # Text after the last field is ignored by the bench, even unspaced.
        data.write_text("00000002 00000001xyz\n00000003\t00000002  comment\n")
        status, out, err = fsmd_sim("popcount", "--dir", d, "--data", data)
        self.assertEqual(status, 0, out + err)
        self.assertIn("popcount: 2 tests run, 2 passed, 0 failed;", out)
        # Lines beyond the bench's limit are not run, and fsmd-sim says so.
        data.write_text("".join(f"{i:08X} 00000001\n" for i in (1, 2, 4, 8, 16, 32, 64, 128, 256, 512)) + "garbage\n")
        status, out, err = fsmd_sim("arraysum", "--dir", d, "--data", data,
                                    "--design", EXAMPLES / "designs" / "arraysum.vhd")
        self.assertIn(f"warning: lines 11 to 11 of the test-data file {data} are not run:"
                      " the arraysum bench reads at most 10 tests", err)
        self.assertIn("10 tests run", out)
        self.assertIn("1 line of test data not run (beyond the bench's limit)", out)

    def test_junit_lists_every_test(self):
        d = fresh("junit")
        data = d / "data.txt"
        data.write_text("00000001 00000001\nFFFFFFFF 00000021\n")
        status, _, err = fsmd_sim("popcount", "--dir", d, "--data", data, "--junit", d / "r.xml")
        self.assertEqual(status, 1, err)
        suite = ElementTree.parse(d / "r.xml").getroot().find("testsuite")
        self.assertEqual((suite.get("name"), suite.get("tests"), suite.get("failures")), ("popcount", "2", "1"))
        cases = suite.findall("testcase")
        self.assertIsNone(cases[0].find("failure"))
        self.assertIn("POPCOUNT error: inp=FFFFFFFF", cases[1].find("failure").get("message"))

    def test_waves_in_both_formats(self):
        d = fresh("wave")
        for name in ("run.vcd", "run.ghw"):
            with self.subTest(name):
                status, _, err = fsmd_sim("arraysum", "--dir", d, "--wave", d / name)
                self.assertEqual(status, 0, err)
                self.assertGreater((d / name).stat().st_size, 1000)
        self.assertIn("$enddefinitions", (d / "run.vcd").read_text())
        self.assertIn("done", (d / "run.vcd").read_text())

    def test_fresh_directory_is_printed(self):
        status, out, err = fsmd_sim("arraysum")
        self.assertEqual(status, 0, err)
        first = out.splitlines()[0]
        self.assertTrue(first.startswith("fsmd-sim: working directory "), first)
        path = pathlib.Path(first.split("working directory ", 1)[1])
        self.assertTrue((path / "arraysum_alg_test_results.txt").is_file())
        shutil.rmtree(path)

    def test_all_with_junit_has_four_suites(self):
        d = fresh("all")
        status, out, err = fsmd_sim("all", "-j", "2", "--dir", d, "--junit", d / "all.xml")
        self.assertEqual(status, 0, out + err)
        table = out.splitlines()[-5:]
        self.assertTrue(table[0].startswith("bench"), table)
        for row, bench in zip(table[1:], ("eda", "fibo", "arraysum", "popcount")):
            self.assertTrue(row.startswith(bench) and row.endswith("passed"), row)
        suites = ElementTree.parse(d / "all.xml").getroot().findall("testsuite")
        # The bundled data holds as many tests as each bench reads at most.
        manifest = json.loads((EXAMPLES.parent / "testbench" / "instances.json").read_text())
        self.assertEqual([s.get("tests") for s in suites],
                         [str(m["ntests_max"]) for m in manifest.values()])


class ClosedOutput(unittest.TestCase):
    """A reader that goes away (`fsmd-sim ... | head`) or a stream closed
    from the start is no fault of the run: its verdict is the exit status,
    its results file is written, and no traceback follows."""

    @staticmethod
    def run_with(streams, args):
        """streams: 'pipe gone' (stdout a pipe whose reader has closed it),
        'closed' (stdout closed) or 'both closed' (stdout and stderr)."""
        read_end, write_end = os.pipe()
        os.close(read_end)
        shell = {"pipe gone": 'exec "$@"', "closed": 'exec "$@" >&-',
                 "both closed": 'exec "$@" >&- 2>&-'}[streams]
        try:
            proc = subprocess.run(["sh", "-c", shell, "sh", FSMD_SIM, *map(str, args)],
                                  stdout=write_end, stderr=subprocess.PIPE, text=True)
        finally:
            os.close(write_end)
        return proc.returncode, proc.stderr

    def test_the_verdict_is_the_exit_status(self):
        d = fresh("closed-output")
        failing = d / "failing.txt"
        failing.write_text("00000000 00000000\n00000005 00000006\n")
        runs = [
            # bench, its options, the verdict's status
            ("fibo", [], 0),
            ("fibo", ["--data", failing], 1),
            ("fibo", ["--design", d / "missing.vhd"], 3),
        ]
        for streams in ("pipe gone", "closed", "both closed"):
            for bench, options, status in runs:
                with self.subTest(streams=streams, bench=bench, status=status):
                    run = d / f"{streams.replace(' ', '-')}-{status}"
                    shutil.rmtree(run, ignore_errors=True)
                    got, err = self.run_with(streams, [bench, "--dir", run, *options])
                    self.assertEqual(got, status, err)
                    self.assertNotIn("Traceback", err)
                    if status != 3:
                        self.assertTrue((run / "fibo_alg_test_results.txt").is_file())
                    if status == 3 and streams != "both closed":
                        self.assertIn("design file", err)


class PipedInputs(unittest.TestCase):
    """An input given as a pipe (`--vectors <(generator)`, a named pipe) is
    read once to its end, not refused as no file; a folder still is."""
    MIXED = DESIGNS / "mixed_widths.vhd"
    # Beyond a pipe's 64 KiB buffer: the whole stream is read, not one buffer.
    VECTORS = ("a add c : y carry\n"
               + "0003 1 0000000000000010 : 0000000000000013 0\n" * 2000).encode()
    POPCOUNT_DATA = (EXAMPLES / "data" / "popcount_test_data.txt").read_bytes()

    def piped(self, kind, data, folder):
        """A path that yields data once: a named pipe, or /dev/fd/N of an
        anonymous pipe (what the shell's <(...) gives); the writer and the
        descriptors to pass on."""
        import threading
        if kind == "named pipe":
            path = folder / "fifo"
            os.mkfifo(path)

            def write():
                with open(path, "wb") as f:
                    f.write(data)
            passed = ()
        else:
            read_end, write_end = os.pipe()
            path, passed = f"/dev/fd/{read_end}", (read_end,)

            def write():
                with open(write_end, "wb") as f:
                    f.write(data)
        writer = threading.Thread(target=write, daemon=True)
        writer.start()
        return path, passed, writer

    def test_a_pipe_is_read_once_for_each_input_option(self):
        cases = [
            # option, the piped bytes, the other arguments, words of the output
            ("--vectors", self.VECTORS, ["mixed_widths", "--design", self.MIXED],
             "mixed_widths: 2000 tests run, 2000 passed"),
            ("--data", self.POPCOUNT_DATA, ["popcount"], "popcount: 256 tests run, 256 passed"),
            ("--design", (EXAMPLES / "designs" / "fibo.vhd").read_bytes(), ["fibo"],
             "fibo: 47 tests run, 47 passed"),
        ]
        for kind in ("named pipe", "anonymous pipe"):
            for option, data, args, words in cases:
                with self.subTest(kind=kind, option=option):
                    d = fresh(f"piped-{option[2:]}-{kind.split()[0]}")
                    path, passed, writer = self.piped(kind, data, d)
                    try:
                        proc = subprocess.run([FSMD_SIM, *map(str, args), option, str(path),
                                               "--dir", str(d / "run")], pass_fds=passed,
                                              capture_output=True, text=True, timeout=600)
                    finally:
                        for fd in passed:
                            os.close(fd)
                    writer.join(5)
                    self.assertEqual(proc.returncode, 0, proc.stdout + proc.stderr)
                    self.assertIn(words, proc.stdout)

    def test_a_folder_or_a_device_is_still_no_input_file(self):
        d = fresh("folder-input")
        for path in (d, "/dev/zero"):
            for option, args in (("--vectors", ["mixed_widths", "--design", self.MIXED]),
                                 ("--data", ["popcount"]), ("--design", ["fibo"])):
                with self.subTest(option=option, path=path):
                    proc = subprocess.run([FSMD_SIM, *map(str, args), option, str(path),
                                           "--dir", str(d / "run")],
                                          capture_output=True, text=True, timeout=60)
                    self.assertEqual(proc.returncode, 3, proc.stdout + proc.stderr)
                    self.assertIn(f"{path} does not exist or is not a file", proc.stderr)


class Installed(unittest.TestCase):
    def test_installed_command_finds_its_units(self):
        prefix = fresh("prefix")
        subprocess.run(["cmake", "--install", str(BUILD), "--prefix", str(prefix)],
                       check=True, capture_output=True)
        self.assertTrue((prefix / "share/fsmdkit/vhdl/testbench/fibo_harness.vhd").is_file())
        self.assertTrue((prefix / "share/fsmdkit/examples/data/fibo_test_data.txt").is_file())
        status, out, err = fsmd_sim("fibo", "--dir", prefix / "run", command=prefix / "bin/fsmd-sim")
        self.assertEqual(status, 0, out + err)
        self.assertIn("47 tests run, 47 passed", out)
        # The any-design mode needs the generated bench's template, which is
        # no Python file: a pattern missing from the install rule loses it.
        design = pathlib.Path(__file__).parent / "designs" / "mixed_widths.vhd"
        vectors = prefix / "mixed.txt"
        vectors.write_text("a add c : y carry\n0003 1 0000000000000010 : 0000000000000013 0\n")
        status, out, err = fsmd_sim("mixed_widths", "--design", design, "--vectors", vectors,
                                    "--dir", prefix / "run-any", command=prefix / "bin/fsmd-sim")
        self.assertEqual(status, 0, out + err)
        self.assertIn("mixed_widths: 1 tests run, 1 passed", out)


class Guide(unittest.TestCase):
    def test_guide_example_is_the_tested_script(self):
        script = pathlib.Path(__file__).resolve().parents[3] / "tools" / "examples" / "fsmd-sim-example.sh"
        text = script.read_text()
        body = text.split("\n", 2)[2]  # without the shebang and purpose lines
        self.assertIn(body, GUIDE.read_text())
        d = fresh("readme")
        env = dict(os.environ, PATH=f"{pathlib.Path(FSMD_SIM).parent}:{os.environ['PATH']}")
        proc = subprocess.run(["sh", str(script)], cwd=d, capture_output=True, text=True, env=env)
        self.assertEqual(proc.returncode, 0, proc.stdout + proc.stderr)
        self.assertIn("popcount: verdict: passed", proc.stdout)


if __name__ == "__main__":
    unittest.main(verbosity=2)
