#!/usr/bin/env python3
"""fsmd-sim against designs that cheat or hang, hostile paths and folders,
signals, and runs that share one cache or are killed at random moments.

Environment: FSMD_SIM (the command), FSMD_EXAMPLES, FSMD_TEST_DIR (a scratch
folder of this test alone), FSMD_BACKENDS (the back ends to use, blank
separated), FSMD_STRESS_ROUNDS (rounds of the stress tests: the default keeps
the suite under a minute; raise it for a run by hand).
"""
import os
import pathlib
import random
import resource
import shutil
import signal
import subprocess
import time
import unittest

FSMD_SIM = os.environ["FSMD_SIM"]
EXAMPLES = pathlib.Path(os.environ["FSMD_EXAMPLES"])
SCRATCH = pathlib.Path(os.environ["FSMD_TEST_DIR"])
BACKENDS = os.environ.get("FSMD_BACKENDS", "mcode").split()
ROUNDS = int(os.environ.get("FSMD_STRESS_ROUNDS", "4"))
DESIGNS = pathlib.Path(__file__).resolve().parent / "designs"
POPCOUNT = (EXAMPLES / "designs" / "popcount.vhd").read_text()
POPCOUNT_DATA = (EXAMPLES / "data" / "popcount_test_data.txt").read_text()
SHORT_DATA = "".join(POPCOUNT_DATA.splitlines(keepends=True)[:8])


def fresh(name):
    path = SCRATCH / name
    shutil.rmtree(path, ignore_errors=True)
    path.mkdir(parents=True)
    return path


def env_with(cache, **extra):
    return dict(os.environ, FSMDKIT_CACHE_DIR=str(cache), **extra)


def fsmd_sim(*args, cache, timeout=120, **extra):
    proc = subprocess.run([FSMD_SIM, *map(str, args)], capture_output=True, text=True,
                          env=env_with(cache, **extra), timeout=timeout)
    return proc.returncode, proc.stdout + proc.stderr


def leftovers(*folders):
    """Processes whose folder lies in one of folders: GHDL left behind."""
    roots = [os.path.realpath(f) for f in folders]
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            cwd = os.readlink(f"/proc/{pid}/cwd")
        except OSError:
            continue
        if any(cwd == r or cwd.startswith(r + os.sep) for r in roots):
            found.append((pid, cwd))
    return found


GUARD = b"fsmd-sim-guard"


def children(proc):
    """The process ids of proc's children: GHDL's, and fsmd-sim's guard
    (named GUARD) apart."""
    ghdl, guards = [], []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/stat") as f:
                fields = f.read().rpartition(")")[2].split()
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                name = f.read().split(b"\0")[0]
        except OSError:
            continue
        if int(fields[1]) == proc.pid:
            (guards if name == GUARD else ghdl).append(int(pid))
    return ghdl, guards


def wait_for_child(proc, seconds=30):
    """Waits until fsmd-sim has started a GHDL process."""
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if children(proc)[0]:
            return
        time.sleep(0.02)
    raise AssertionError("fsmd-sim started no process")


def wait_for_simulation(proc, folder, seconds=120):
    """Waits until fsmd-sim runs a GHDL process in folder (the simulation:
    builds run elsewhere)."""
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if proc.poll() is not None:
            raise AssertionError(f"fsmd-sim ended with {proc.returncode} before its simulation")
        if leftovers(folder):
            return
        time.sleep(0.02)
    raise AssertionError("fsmd-sim started no simulation")


def leftovers_after(folder, seconds):
    """leftovers(folder) once they are gone, or after seconds."""
    end = time.monotonic() + seconds
    while leftovers(folder) and time.monotonic() < end:
        time.sleep(0.1)
    return leftovers(folder)


def end_leftovers(folder):
    """Kills what a failed test left running in folder."""
    for pid, _ in leftovers(folder):
        try:
            os.kill(int(pid), signal.SIGKILL)
        except OSError:
            pass


def coverage_table(out):
    """The coverage summary as fsmd-sim prints it, from its heading on."""
    lines = out.splitlines()
    start = lines.index("coverage of the design:")
    return lines[start:]


class CheatingAndHangingDesigns(unittest.TestCase):
    def test_a_design_cannot_fake_the_bench_verdict(self):
        d = fresh("fake")
        status, out = fsmd_sim("popcount", "--design", DESIGNS / "fake_verdict.vhd", "--dir", d,
                               cache=SCRATCH / "cache")
        self.assertEqual(status, 3, out)
        self.assertIn("ended without a verdict", out)
        self.assertNotIn("verdict: passed", out)
        self.assertNotIn("holds no test", out)

    def test_a_busy_loop_is_a_hang_after_the_timeout_and_leaves_no_process(self):
        d = fresh("busy")
        start = time.monotonic()
        status, out = fsmd_sim("popcount", "--design", DESIGNS / "busy_loop.vhd", "--dir", d,
                               "--timeout", "2", "--stop-time", "1us", cache=SCRATCH / "cache")
        self.assertEqual(status, 2, out)
        self.assertIn("wall-clock limit of 2 s", out)
        self.assertLess(time.monotonic() - start, 20)
        self.assertEqual(leftovers(d), [])

    def test_a_delta_cycle_loop_is_a_hang(self):
        d = fresh("delta")
        status, out = fsmd_sim("popcount", "--design", DESIGNS / "delta_loop.vhd", "--dir", d,
                               cache=SCRATCH / "cache")
        self.assertEqual(status, 2, out)
        self.assertIn("delta cycles", out)

    def test_a_design_with_its_own_copy_of_a_kit_package_is_named(self):
        d = fresh("own-types")
        status, out = fsmd_sim("popcount", "--design", DESIGNS / "own_types.vhd", "--dir", d,
                               cache=SCRATCH / "cache")
        self.assertEqual(status, 3, out)
        self.assertIn(f"the design file {DESIGNS / 'own_types.vhd'} declares package"
                      " popcount_types, which the kit provides already", out)


HOSTILE_NAMES = ["with space", 'with "quote"', "with\nnewline", "-leading-dash", "nön-äscii ✓",
                 "back\\slash 'single'"]


class HostilePaths(unittest.TestCase):
    def test_every_path_may_hold_any_character(self):
        for name in HOSTILE_NAMES:
            with self.subTest(name):
                base = fresh("hostile") / name
                base.mkdir()
                design, data = base / f"{name}.vhd", base / f"{name}.txt"
                design.write_text(POPCOUNT + f"-- {name!r}\n")
                data.write_text(SHORT_DATA)
                cache = base / f"cache {name}"
                status, out = fsmd_sim("popcount", "--design", design, "--data", data,
                                       "--dir", base / f"run {name}", "--junit",
                                       base / f"{name}.xml", cache=cache)
                self.assertEqual(status, 0, out)
                self.assertIn("8 tests run, 8 passed", out)
                # A cache GHDL cannot record is not used, and the run says so.
                if '"' in name or "\n" in name or not name.isascii():
                    self.assertIn("not using the cache", out)
                # A design that fails analysis is named by the user's path.
                design.write_text("entity popcount is\n  port (clk : in bit)\nend;\n")
                status, out = fsmd_sim("popcount", "--design", design, "--dir", base / "run2",
                                       cache=cache)
                self.assertEqual(status, 3, out)
                self.assertIn(f"{design}:2:22: missing", out)
                # The failure was not cached: the repaired file runs.
                design.write_text(POPCOUNT)
                status, out = fsmd_sim("popcount", "--design", design, "--data", data,
                                       "--dir", base / "run3", cache=cache)
                self.assertEqual(status, 0, out)


class FoldersInTheWay(unittest.TestCase):
    def test_each_obstacle_is_a_clear_message_or_a_run_without_the_cache(self):
        d = fresh("obstacles")
        a_file = d / "a-file"
        a_file.write_text("")
        results_dir = d / "results-dir"
        (results_dir / "popcount_alg_test_results.txt").mkdir(parents=True)
        scratch_file = d / "scratch-file"
        scratch_file.mkdir()
        (scratch_file / ".fsmd-sim").write_text("")
        data_dir = d / "data-dir"
        (data_dir / "popcount_test_data.txt").mkdir(parents=True)
        cases = [
            ("--dir is a file", ["--dir", a_file], "the working directory"),
            ("results file is a folder", ["--dir", results_dir], "a folder of that name is in the way"),
            (".fsmd-sim is a file", ["--dir", scratch_file], "a file of that name is in the way"),
            ("data file name is a folder", ["--dir", data_dir], "a folder of that name is in the way"),
        ]
        for name, args, message in cases:
            with self.subTest(name):
                status, out = fsmd_sim("popcount", *args, cache=SCRATCH / "cache")
                self.assertEqual(status, 3, out)
                self.assertIn(message, out)
                self.assertNotIn("Traceback", out)
        status, out = fsmd_sim("popcount", "--dir", d / "run", cache=a_file)
        self.assertEqual(status, 0, out)
        self.assertIn("not using the cache", out)

    def test_a_damaged_ports_entry_of_the_cache_is_named(self):
        # Catches a cache file that reads as some other value (a number, a
        # list of the wrong shape) ending the run with a traceback.
        d = fresh("damaged-ports")
        cache = d / "cache"
        design = EXAMPLES / "qmac" / "qmac.vhd"
        vectors = d / "q.vectors"
        vectors.write_text("a b c : y sat\n0100 0100 0000 : 0100 0\n")
        args = ["qmac", "--design", design, "--vectors", vectors, "--dir", d / "run"]
        status, out = fsmd_sim(*args, cache=cache)
        self.assertEqual(status, 0, out)
        (entry,) = (cache / "lib").glob("ports-*/ports.txt")
        for damage in ["", "{", "5", "[5]", "[[\"a\"]]", "[[1, 2, 3, 4, 5, 6, 7, 8]]"]:
            with self.subTest(damage=damage):
                entry.write_text(damage)
                status, out = fsmd_sim(*args, cache=cache)
                self.assertEqual(status, 3, out)
                self.assertIn("is damaged; remove it and run again", out)
                self.assertNotIn("Traceback", out)

    def test_a_read_only_cache_gives_a_run_without_it(self):
        # A read-only file system needs a mount: only where this test may
        # mount one (as root, in a container or virtual machine).
        d = fresh("read-only")
        cache = d / "cache"
        cache.mkdir()
        if os.geteuid() != 0 or subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64m", "tmpfs",
                                                str(cache)], capture_output=True).returncode != 0:
            self.skipTest("cannot mount a file system here")
        try:
            status, out = fsmd_sim("popcount", "--dir", d / "fill", cache=cache)
            self.assertEqual(status, 0, out)
            subprocess.run(["mount", "-o", "remount,ro", str(cache)], check=True)
            status, out = fsmd_sim("popcount", "--dir", d / "run", cache=cache)
            self.assertEqual(status, 0, out)
            self.assertIn("not using the cache", out)
        finally:
            subprocess.run(["umount", str(cache)])

    def test_a_full_disk_is_a_clear_message(self):
        # A file-size limit fails writes as a full disk does (EFBIG for
        # ENOSPC); Python ignores SIGXFSZ, so fsmd-sim sees the error.
        d = fresh("full")
        small = d / "small.txt"  # fits the limit, unlike the bundled data
        small.write_text(SHORT_DATA)
        for name, cache, data, message in (
                ("run", SCRATCH / "cache", [], "cannot write the input file"),
                ("cache", d / "new-cache", ["--data", str(small)], "cannot use the cache")):
            with self.subTest(name):
                proc = subprocess.run(
                    [FSMD_SIM, "popcount", "--dir", str(d / name), *data], capture_output=True,
                    text=True, env=env_with(cache), timeout=60,
                    preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (1000, 1000)))
                self.assertEqual(proc.returncode, 3, proc.stdout + proc.stderr)
                self.assertIn(message, proc.stderr)
                self.assertNotIn("Traceback", proc.stderr)


class DamagedCompiledForms(unittest.TestCase):
    def test_compiled_modules_written_short_are_replaced(self):
        # On a full disk Python can leave a compiled module cut short, with
        # its header intact: every later import of it fails.
        d = fresh("short-pyc")
        cache = d / "cache"
        for args in (["--help"], ["popcount", "--dir", d / "run"], ["all", "-j", "1",
                                                                      "--dir", d / "all"]):
            with self.subTest(args[0]):
                self.assertEqual(fsmd_sim("all", "--dir", d / "fill", cache=cache)[0], 0)
                compiled = list((cache / "python").rglob("*.pyc"))
                self.assertGreater(len(compiled), 5)
                for path in compiled:
                    with open(path, "r+b") as f:
                        f.truncate(20)
                status, out = fsmd_sim(*args, cache=cache)
                # A standard module imported late is found damaged only
                # then: the run says so, and the next one works.
                if status == 3:
                    self.assertIn("run the command again", out)
                    status, out = fsmd_sim(*args, cache=cache)
                self.assertEqual(status, 0, out)
                self.assertNotIn("Traceback", out)


class Signals(unittest.TestCase):
    def test_sigint_and_sigterm_end_ghdl_and_give_the_conventional_status(self):
        for signum, status in ((signal.SIGINT, 130), (signal.SIGTERM, 143)):
            with self.subTest(signum):
                d = fresh(f"signal-{signum}")
                proc = subprocess.Popen([FSMD_SIM, "popcount", "--design",
                                         str(DESIGNS / "busy_loop.vhd"), "--dir", str(d)],
                                        env=env_with(SCRATCH / "cache"),
                                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
                wait_for_child(proc)
                time.sleep(0.3)  # into the simulation (the library is cached)
                proc.send_signal(signum)
                out, _ = proc.communicate(timeout=30)
                self.assertEqual(proc.returncode, status, out)
                self.assertNotIn(b"Traceback", out)
                time.sleep(0.2)
                self.assertEqual(leftovers(d), [])


    def test_a_busy_ghdl_outlives_a_killed_fsmd_sim_and_guard_only_until_the_timeout(self):
        # SIGKILL to fsmd-sim and to its guard leaves nothing to end GHDL:
        # the processor-time limit GHDL inherits ends a design that keeps
        # it busy.
        d = fresh("sigkill-busy")
        self.addCleanup(end_leftovers, d)
        proc = subprocess.Popen([FSMD_SIM, "popcount", "--design", str(DESIGNS / "busy_loop.vhd"),
                                 "--dir", str(d), "--timeout", "2"], env=env_with(SCRATCH / "cache"),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for_simulation(proc, d)
        guards = children(proc)[1]
        self.assertEqual(len(guards), 1)
        os.kill(guards[0], signal.SIGKILL)
        proc.kill()
        proc.wait()
        end = time.monotonic() + 30
        while leftovers(d) and time.monotonic() < end:
            time.sleep(0.2)
        self.assertEqual(leftovers(d), [])

    def test_a_killed_fsmd_sim_takes_its_ghdl_with_it(self):
        # SIGKILL leaves fsmd-sim no handler: its guard ends GHDL at once,
        # long before the processor-time limit of a --timeout of 600 s.
        for backend in BACKENDS:
            with self.subTest(backend):
                d = fresh(f"sigkill-guard-{backend}")
                self.addCleanup(end_leftovers, d)
                proc = subprocess.Popen([FSMD_SIM, "popcount", "--backend", backend, "--design",
                                         str(DESIGNS / "busy_loop.vhd"), "--dir", str(d),
                                         "--timeout", "600"], env=env_with(SCRATCH / "cache"),
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                wait_for_simulation(proc, d)
                # Not in the instant between GHDL's start and its line to the
                # guard: a process started then is left to its time limit.
                time.sleep(0.3)
                proc.kill()
                proc.wait()
                self.assertEqual(leftovers_after(d, 5), [])

    def test_a_killed_coverage_run_leaves_the_next_run_its_own_counts(self):
        # The killed run stalls on DEADBEEF, counting the stall on every
        # clock cycle; the next run in the same folder never reaches it and
        # must report exactly what the same run reports in a fresh folder.
        if "gcc" not in BACKENDS:
            self.skipTest("coverage needs the gcc back end")
        d = fresh("sigkill-coverage")
        self.addCleanup(end_leftovers, d)
        design = DESIGNS / "popcount_stalls.vhd"
        stalling = d / "stalling.txt"
        stalling.write_text(SHORT_DATA + "DEADBEEF 00000018\n")
        data = d / "data.txt"
        data.write_text(SHORT_DATA)
        cache = SCRATCH / "cache"
        status, reference = fsmd_sim("popcount", "--design", design, "--data", data, "--dir",
                                     d / "reference", "--coverage", d / "reference-cov",
                                     "--quiet", cache=cache)
        self.assertEqual(status, 0, reference)
        self.assertIn("never executed", reference)
        for round_number in range(2):
            with self.subTest(round_number):
                proc = subprocess.Popen(
                    [FSMD_SIM, "popcount", "--design", str(design), "--data", str(stalling),
                     "--dir", str(d / "run"), "--coverage", str(d / "cov"), "--timeout", "600",
                     "--stop-time", "1000sec"], env=env_with(cache),
                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                wait_for_simulation(proc, d / "run")
                time.sleep(0.5)  # the stall counted many times over
                proc.kill()
                proc.wait()
                self.assertEqual(leftovers_after(d / "run", 5), [])
                status, out = fsmd_sim("popcount", "--design", design, "--data", data, "--dir",
                                       d / "run", "--coverage", d / "cov", "--quiet", cache=cache)
                self.assertEqual(status, 0, out)
                self.assertEqual(coverage_table(out), coverage_table(reference))
                self.assertEqual((d / "cov" / "coverage.info").read_text(),
                                 (d / "reference-cov" / "coverage.info").read_text())

    def test_ctrl_c_at_start_up_is_status_130_without_traceback(self):
        d = fresh("early-signal")
        self.addCleanup(end_leftovers, d)
        # A design that never ends: a run over before the signal came (a
        # cached popcount run takes well under 0.1 s on a fast machine)
        # would rightly end with its own status.
        design = DESIGNS / "busy_loop.vhd"
        for delay in (0.0, 0.005, 0.01, 0.02, 0.04, 0.08):
            with self.subTest(delay):
                proc = subprocess.Popen([FSMD_SIM, "popcount", "--design", str(design), "--dir",
                                         str(d), "--timeout", "10"],
                                        env=env_with(SCRATCH / "cache"),
                                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
                time.sleep(delay)
                proc.send_signal(signal.SIGINT)
                out, _ = proc.communicate(timeout=30)
                # Before the launcher holds the signal back while Python
                # starts, the signal itself ends the process; a shell shows
                # 130 for both. No "Fatal Python error: init_..." or
                # traceback of the interpreter's start-up either.
                self.assertIn(proc.returncode, (130, -signal.SIGINT), out)
                self.assertNotIn(b"Traceback", out)
                self.assertNotIn(b"Fatal Python error", out)


class CtrlCAtAnyMoment(unittest.TestCase):
    """SIGINT to fsmd-sim, or to its process group as Ctrl-C sends it, at a
    series of moments from its start through its start-up (Python's own,
    the imports, the cache, building the design when it is new) into the
    simulation of a design that never ends."""

    # Dense where Python starts and fsmd-sim reads its cache, sparse beyond.
    DELAYS = [i * 0.003 for i in range(21)] + [0.08, 0.12, 0.17, 0.23, 0.3, 0.4, 0.5]

    def setUp(self):
        # Children started with SIGINT ignored (this test run in a shell's
        # background) would keep ignoring it, as they should.
        if signal.getsignal(signal.SIGINT) == signal.SIG_IGN:
            signal.signal(signal.SIGINT, signal.default_int_handler)
            self.addCleanup(signal.signal, signal.SIGINT, signal.SIG_IGN)

    def test_a_sigint_at_any_moment_ends_the_run_with_130_and_leaves_a_usable_cache(self):
        # Caught faults: the signal lost, the run going on to its verdict
        # (the handler's exception ignored inside a weakref callback of
        # the imports, or Python swallowing the KeyboardInterrupt while it
        # looks at argv[0]); status 1 with "Fatal Python error: init_..."
        # while Python started; a traceback ("line 0" of the launcher); an
        # internal error when it came before the verdict's watch started.
        d = fresh("ctrl-c-moments")
        self.addCleanup(end_leftovers, d)
        cache = d / "cache"
        busy = (DESIGNS / "busy_loop.vhd").read_text()
        runs = 0
        for target in ("process", "group"):
            for design_state in ("cached", "new"):
                for delay in self.DELAYS:
                    with self.subTest(target=target, design=design_state, delay=delay):
                        runs += 1
                        design = d / ("busy.vhd" if design_state == "cached" else f"busy-{runs}.vhd")
                        design.write_text(busy + f"-- {design.name}\n")
                        run = d / f"run-{runs}"
                        proc = subprocess.Popen(
                            [FSMD_SIM, "popcount", "--design", str(design), "--dir", str(run),
                             "--timeout", "10"], env=env_with(cache), start_new_session=True,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
                        time.sleep(delay)
                        if target == "group":
                            os.killpg(proc.pid, signal.SIGINT)
                        else:
                            proc.send_signal(signal.SIGINT)
                        out, _ = proc.communicate(timeout=60)
                        # Killed by the signal itself: it came before the
                        # launcher held it back (a shell shows 130 for both).
                        self.assertIn(proc.returncode, (130, -signal.SIGINT), out)
                        for text in (b"Traceback", b"Exception ignored", b"Fatal Python error",
                                     b"verdict"):
                            self.assertNotIn(text, out)
                        self.assertEqual(leftovers_after(run, 5), [])
        # Whatever the signals cut short in the cache, the next runs use it:
        # the kit's library for a passing run, and the last new design.
        design = d / "popcount.vhd"
        design.write_text(POPCOUNT)
        data = d / "data.txt"
        data.write_text(SHORT_DATA)
        status, out = fsmd_sim("popcount", "--design", design, "--data", data, "--dir", d / "pass",
                               cache=cache)
        self.assertEqual(status, 0, out)
        self.assertIn("8 tests run, 8 passed", out)
        status, out = fsmd_sim("popcount", "--design", d / f"busy-{runs}.vhd", "--dir", d / "hang",
                               "--timeout", "1", cache=cache)
        self.assertEqual(status, 2, out)


class SharedCache(unittest.TestCase):
    def test_killed_runs_leave_a_cache_the_next_run_uses(self):
        d = fresh("kills")
        cache = d / "cache"
        rng = random.Random(int(os.environ.get("FSMD_STRESS_SEED", "12")))
        for round_number in range(ROUNDS):
            backend = rng.choice(BACKENDS)
            design = d / f"design-{round_number}.vhd"
            design.write_text(POPCOUNT + f"-- round {round_number}\n")
            data = d / "data.txt"
            data.write_text(SHORT_DATA)
            run = d / f"run-{round_number}"
            argv = [FSMD_SIM, "popcount", "--backend", backend, "--design", str(design),
                    "--data", str(data), "--dir", str(run)]
            # The kit's library too, now and then: its build is the longest.
            if rng.random() < 0.3:
                shutil.rmtree(cache, ignore_errors=True)
            proc = subprocess.Popen(argv, env=env_with(cache), stdout=subprocess.PIPE,
                                    stderr=subprocess.STDOUT)
            time.sleep(rng.uniform(0.0, 1.5 if backend == "llvm" else 0.4))
            signum = rng.choice([signal.SIGINT, signal.SIGTERM, signal.SIGKILL])
            proc.send_signal(signum)
            out, _ = proc.communicate(timeout=60)
            self.assertNotIn(b"Traceback", out)
            if signum == signal.SIGKILL:
                # Its GHDL, orphaned, may still run: the next run must cope.
                pass
            else:
                self.assertEqual(leftovers(run), [], (signum, out))
            status, out = fsmd_sim(*argv[1:], cache=cache)
            self.assertEqual(status, 0, f"round {round_number} ({backend}, {signum}): {out}")
            self.assertIn("8 tests run, 8 passed", out)

    def test_concurrent_runs_on_one_cache_under_eviction(self):
        d = fresh("concurrent")
        cache = d / "cache"
        data_fail = d / "fail.txt"
        data_fail.write_text("00000007 00000003\n000000FF 00000009\n")
        for round_number in range(max(1, ROUNDS // 2)):
            procs = []
            for i in range(6):
                backend = BACKENDS[i % len(BACKENDS)]
                run = d / f"run-{round_number}-{i}"
                argv = [FSMD_SIM, "popcount", "--backend", backend, "--dir", str(run)]
                expected = 0
                if i % 3 == 1:
                    design = d / f"design-{round_number}-{i}.vhd"
                    design.write_text(POPCOUNT + f"-- {round_number} {i}\n")
                    argv += ["--design", str(design)]
                if i % 3 == 2:
                    argv += ["--data", str(data_fail)]
                    expected = 1
                if i == 5:
                    argv = [FSMD_SIM, "fibo", "--backend", backend, "--dir", str(run)]
                    expected = 0
                procs.append((subprocess.Popen(argv, env=env_with(cache, FSMDKIT_CACHE_KEEP="1"),
                                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                               text=True), expected, argv))
            for proc, expected, argv in procs:
                out, _ = proc.communicate(timeout=120)
                self.assertEqual(proc.returncode, expected, f"{argv}: {out}")
        # Eviction kept the cache small and left nothing half-built.
        designs = [n for n in os.listdir(cache / "lib") if n.startswith("design-")]
        self.assertLessEqual(len(designs), 1 + 6)
        self.assertEqual(os.listdir(cache / "tmp"), [])


if __name__ == "__main__":
    unittest.main(verbosity=2)
