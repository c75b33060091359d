#!/usr/bin/env python3
"""Designs brought as they are, end to end on GHDL (the back end named by
FSMD_BACKEND): files in any order and given twice, generics setting port
widths, VHDL-2008, the Synopsys packages, argument files, a port of every
kind driven and checked against an independent model, and the refusals
that name a missing architecture, a generic or a unit named as the bench.

Environment: FSMD_SIM, FSMD_BACKEND, FSMD_TEST_DIR (a scratch folder of this
test alone), FSMDKIT_CACHE_DIR.
"""
import os
import pathlib
import random
import shutil
import subprocess
import unittest

FSMD_SIM = os.path.abspath(os.environ["FSMD_SIM"])
BACKEND = os.environ["FSMD_BACKEND"]
SCRATCH = pathlib.Path(os.environ["FSMD_TEST_DIR"])
DESIGNS = pathlib.Path(__file__).resolve().parent / "designs"
KINDS_FSMD = DESIGNS / "port_kinds_fsmd.vhd"
KINDS_ENTITY = DESIGNS / "port_kinds_entity.vhd"
KINDS_PKG = DESIGNS / "port_kinds_pkg.vhd"
INPUTS = ["flag", "b", "x", "bv", "asc", "small", "ranged", "nat", "whole", "\\in put\\"]
OUTPUTS = ["flag_o", "b_o", "x_o", "bv_o", "asc_o", "small_o", "ranged_o", "nat_o", "whole_o",
           "\\Out\"Put\\"]
KINDS_HEADER = " ".join(INPUTS + [":"] + OUTPUTS)
# The field of each column in a test's line.
COLUMN = {name: i for i, name in enumerate(INPUTS + [":"] + OUTPUTS)}


def fresh(name):
    path = SCRATCH / name
    shutil.rmtree(path, ignore_errors=True)
    path.mkdir(parents=True)
    return path


def fsmd_sim(*args, cwd=None):
    proc = subprocess.run([FSMD_SIM, *map(str, args), "--backend", BACKEND], capture_output=True,
                          text=True, cwd=cwd)
    return proc.returncode, proc.stdout, proc.stderr


def kinds_vectors(count, width=8, top=15, seed=1):
    """Vectors of port_kinds from a model of its own: every output copies its
    input, except flag_o = not flag and small_o = -small (-8 gives 7). Each
    value is written as the bits the bench reads: booleans 1 = true, integers
    in two's complement of the port's width."""
    rng = random.Random(seed)
    lines = [KINDS_HEADER]
    for _ in range(count):
        flag, b, x = rng.randrange(2), rng.randrange(2), rng.randrange(2)
        bv, asc = rng.randrange(16), rng.randrange(1 << width)
        small, ranged = rng.randint(-8, 7), rng.randint(0, top)
        nat, whole = rng.choice([0, 2**31 - 1, rng.randrange(2**31)]), rng.randint(-2**31, 2**31 - 1)
        word = rng.randrange(64)
        small_o = 7 if small == -8 else -small
        digits = (width + 3) // 4
        ins = [flag, b, x, f"{bv:X}", f"{asc:0{digits}X}", f"{small & 15:X}", f"{ranged:X}",
               f"{nat:X}", f"{whole & 0xFFFFFFFF:X}", f"{word:X}"]
        outs = [1 - flag, b, x, f"{bv:X}", f"{asc:0{digits}X}", f"{small_o & 15:X}",
                f"{ranged:X}", f"{nat:X}", f"{whole & 0xFFFFFFFF:X}", f"{word:X}"]
        lines.append(" ".join(map(str, ins)) + " : " + " ".join(map(str, outs)))
    return "\n".join(lines) + "\n"


class PortKinds(unittest.TestCase):
    def test_every_kind_passes_from_files_in_any_order_with_generics(self):
        # Caught faults: a second file after --design was refused, the
        # architecture's file before the entity's failed analysis, and
        # bit, boolean, X01, integer, bit_vector, ascending and extended
        # ports were refused or produced a bench that did not analyse.
        d = fresh("kinds")
        vectors = d / "kinds.vectors"
        vectors.write_text(kinds_vectors(40, width=12, top=100))
        status, out, err = fsmd_sim("port_kinds", "--design", KINDS_FSMD, KINDS_ENTITY,
                                    "--design", KINDS_PKG, KINDS_FSMD, "--generic", "width=12",
                                    "--generic", "TOP=16#64#", "--vectors", vectors,
                                    "--dir", d / "run", "--quiet")
        self.assertEqual(status, 0, out + err)
        self.assertIn("port_kinds: 40 tests run, 40 passed, 0 failed", out)
        bench = (d / "run" / "port_kinds_fsmd_sim_bench.vhd").read_text()
        self.assertIn("generic map (\n      width => 12,\n      TOP => 16#64#\n    )", bench)

    def test_a_wrong_expected_value_of_each_kind_fails_with_its_values(self):
        d = fresh("kinds_fault")
        rows = kinds_vectors(3).splitlines()
        # Test 2 expects a wrong small_o (sign not inverted), test 3 a wrong boolean.
        fields = rows[2].split()
        # small_o = small is wrong except for 0 and -8 (8), which expect 1.
        small = fields[COLUMN["small"]]
        fields[COLUMN["small_o"]] = "1" if small in ("0", "8") else small
        rows[2] = " ".join(fields)
        fields = rows[3].split()
        fields[COLUMN["flag_o"]] = str(1 - int(fields[COLUMN["flag_o"]]))
        rows[3] = " ".join(fields)
        (d / "v").write_text("\n".join(rows) + "\n")
        status, out, err = fsmd_sim("port_kinds", "--design", KINDS_ENTITY, KINDS_FSMD, KINDS_PKG,
                                    "--vectors", d / "v", "--dir", d / "run")
        self.assertEqual(status, 1, out + err)
        self.assertIn("port_kinds test 1: passed", out)
        self.assertRegex(out, r"test 2: FAILED: at \d+ ns: .* small_o=\w small_o_expected=\w ")
        self.assertRegex(out, r"test 3: FAILED: at \d+ ns: .* flag_o=(\d) flag_o_expected=(?!\1)\d ")


class ControlKinds(unittest.TestCase):
    def test_control_ports_of_other_one_bit_types(self):
        # Caught faults: a bit clock or a boolean done gave a bench that did
        # not analyse; a design that loads no IEEE package made GHDL's dump
        # of the ports fail with its internal-bug report. (port_kinds has an
        # X01 start and a UX01 done.)
        d = fresh("control")
        (d / "v").write_text("a : y\n" + "".join(f"{a:X} : {15 - a:X}\n" for a in range(16)))
        status, out, err = fsmd_sim("control_kinds", "--design", DESIGNS / "control_kinds.vhd",
                                    "--vectors", d / "v", "--dir", d / "run", "--quiet")
        self.assertEqual(status, 0, out + err)
        self.assertIn("16 tests run, 16 passed", out)


class Elaboration(unittest.TestCase):
    def test_the_same_file_twice_and_an_argument_file(self):
        # Caught fault: the same file given twice ended in GHDL's bug dump.
        d = fresh("argfile")
        (d / "v").write_text(kinds_vectors(5, width=4))
        settings = d / "port_kinds.args"
        settings.write_text(f"# port_kinds as it is\n--design\n{KINDS_ENTITY}\n{KINDS_FSMD}\n"
                            f"{KINDS_PKG}\n{KINDS_ENTITY}\n--generic\nwidth=4\n")
        status, out, err = fsmd_sim("port_kinds", f"@{settings}", "--design", KINDS_FSMD,
                                    "--vectors", d / "v", "--dir", d / "run", "--quiet")
        self.assertEqual(status, 0, out + err)

    def test_vhdl_2008_and_the_synopsys_packages_need_their_option(self):
        d = fresh("std")
        rng = random.Random(3)
        pairs = [(rng.randrange(256), rng.randrange(256)) for _ in range(30)] + [(0xFF, 0xFF)]
        (d / "add.v").write_text("a b : y\n" + "".join(f"{a:X} {b:X} : {a + b:X}\n" for a, b in pairs))
        (d / "count.v").write_text("a : y\n" + "".join(f"{a:X} : {(a + 1) % 256:X}\n"
                                                       for a in (0, 7, 0xFE, 0xFF, 0x80)))
        # Without its option, fsmd-sim's own advice follows GHDL's errors
        # where GHDL names the option of its own that fsmd-sim gives.
        synopsys = ("fsmd-sim: the design uses the Synopsys package std_logic_unsigned of library"
                    " ieee: run with --ieee synopsys")
        cases = [
            ("std08_adder", "add.v", ("--std", "08"), "31 tests run, 31 passed", None),
            ("synopsys_counter", "count.v", ("--ieee", "synopsys"), "5 tests run, 5 passed", synopsys),
            ("synopsys_counter", "count.v", ("--ieee", "synopsys", "--std", "08"),
             "5 tests run, 5 passed", synopsys),
        ]
        for entity, vectors, options, summary, hint in cases:
            with self.subTest(entity=entity, options=options):
                design = DESIGNS / f"{entity}.vhd"
                status, out, err = fsmd_sim(entity, "--design", design, "--vectors", d / vectors,
                                            "--dir", d / entity, *options)
                self.assertEqual(status, 0, out + err)
                self.assertIn(summary, out)
                status, out, err = fsmd_sim(entity, "--design", design, "--vectors", d / vectors,
                                            "--dir", d / entity)
                self.assertEqual(status, 3, out + err)
                self.assertIn(f"the design does not analyse:\n{design}:", err)
                if hint:
                    self.assertTrue(err.rstrip().endswith(hint), err)
                else:
                    self.assertNotIn("--ieee", err)

    def test_run_time_messages_name_the_user_s_file(self):
        # Caught faults: GHDL's messages cited the kit's copy, design-1.vhd;
        # the backtrace after a failed assertion still did ("at
        # design-1.vhd:33"). GHDL's backtrace gives the line after the
        # assertion's, in the user's file as in the copy (whose bytes are
        # the file's).
        d = fresh("messages")
        (d / "count.v").write_text("a : y\nFF : 00\n")
        (d / "own.v").write_text("x : y\n1 : 1\n9 : 9\n")
        shutil.copy(DESIGNS / "synopsys_counter.vhd", d / "my counter.vhd")
        shutil.copy(DESIGNS / "own_assertions.vhd", d / "my (own) assertions.vhd")
        assertion = 1 + next(n for n, line in enumerate(
            (DESIGNS / "own_assertions.vhd").read_text().splitlines()) if "refuses 9" in line)
        cases = [
            # (entity, design, vectors, options, status, patterns shown)
            ("synopsys_counter", "my counter.vhd", "count.v", ("--ieee", "synopsys"), 0,
             [r"simulation message: my counter\.vhd:\d+:\d+:@\d+ns:\(assertion note\): a is FF"]),
            ("own_assertions", "my (own) assertions.vhd", "own.v", (), 3,
             [rf"\nmy \(own\) assertions\.vhd:{assertion}:\d+:@\d+ns:\(assertion failure\):"
              r" own_assertions refuses 9\n"]
             # Only mcode's backtrace names the file.
             + ([rf" at my \(own\) assertions\.vhd:{assertion + 1}\n"] if BACKEND == "mcode"
                else [])),
        ]
        for entity, design, vectors, options, want, patterns in cases:
            with self.subTest(entity):
                run = d / f"run-{entity}"
                run.mkdir()
                status, out, err = fsmd_sim(entity, "--design", design, "--vectors", vectors,
                                            "--dir", run.name, *options, cwd=d)
                self.assertEqual(status, want, out + err)
                for pattern in patterns:
                    self.assertRegex(out, pattern)
                self.assertNotIn("design-1.vhd", out + err)


class Refused(unittest.TestCase):
    def test_each_refusal_names_its_cause(self):
        d = fresh("refused")
        (d / "v").write_text(kinds_vectors(1))
        clash = d / "clash.vhd"
        clash.write_text("entity port_kinds_fsmd_sim_bench is\nend entity;\n")
        base = ("port_kinds", "--vectors", d / "v", "--dir", d / "run")
        cases = [
            (("--design", KINDS_FSMD, KINDS_ENTITY, KINDS_PKG, "--architecture", "rtl"),
             "the design files declare no architecture rtl of entity port_kinds: they declare"
             " only fsmd (choose one with --architecture)"),
            (("--design", KINDS_ENTITY, KINDS_PKG, "--architecture", "rtl"),
             "no architecture rtl of entity port_kinds: they declare none"),
            (("--design", KINDS_FSMD, KINDS_ENTITY, KINDS_PKG, clash),
             "the design files declare entity port_kinds_fsmd_sim_bench, the name of the bench"
             " fsmd-sim generates for entity port_kinds"),
            (("--design", KINDS_FSMD, KINDS_ENTITY, KINDS_PKG, "--generic", "depth=3"),
             "entity port_kinds has no generic depth (--generic); its generics: width, top"),
            (("--design", KINDS_FSMD, KINDS_ENTITY, KINDS_PKG, "--generic", "width=0"),
             "port asc of entity port_kinds: its range (0 to -1) is empty"),
            (("--design", KINDS_FSMD, KINDS_ENTITY, KINDS_PKG, "--generic", "width='a'"),
             "(generic width is given no integer)"),
        ]
        for options, message in cases:
            with self.subTest(options=options[-2:]):
                status, out, err = fsmd_sim(*base, *options)
                self.assertEqual(status, 3, out + err)
                self.assertIn(message, err)


if __name__ == "__main__":
    unittest.main()
