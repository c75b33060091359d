"""The command line, without GHDL: what is accepted, and the message of
each refusal."""
import os
import unittest

from fsmd_sim import cli
from fsmd_sim.errors import BadInput


class Accepted(unittest.TestCase):
    def test_values_with_and_without_equals_and_repeats(self):
        o = cli.parse_args(["popcount", "--design", "a.vhd", "--design=-b.vhd", "--data=d.txt",
                            "--dir", "--odd dir", "--stop-time", "2.5us", "--backend", "llvm",
                            "--timeout=5", "--quiet"])
        self.assertEqual((o.target, o.designs, o.data, o.dir, o.stop_time, o.backend, o.timeout,
                          o.quiet),
                         ("popcount", ["a.vhd", "-b.vhd"], "d.txt", "--odd dir", "2.5us", "llvm",
                          5, True))

    def test_defaults(self):
        o = cli.parse_args(["fibo"])
        self.assertEqual((o.stop_time, o.timeout, o.backend, o.designs), ("100ms", 3600, None, []))

    def test_coverage_takes_the_gcc_back_end_and_an_absolute_folder(self):
        import os
        for argv in (["popcount", "--coverage", "cov"], ["all", "--coverage=cov", "--backend", "gcc"]):
            with self.subTest(argv):
                o = cli.parse_args(argv)
                self.assertEqual((o.backend, o.coverage), ("gcc", os.path.abspath("cov")))

    def test_jobs_spellings_for_all(self):
        for argv in (["all", "-j", "3"], ["all", "-j3"], ["all", "-j=3"]):
            with self.subTest(argv):
                self.assertEqual(cli.parse_args(argv).jobs, 3)

    def test_stop_times(self):
        for t in ("10ms", "1sec", "2.5us", "0fs", "3hr", "12min"):
            with self.subTest(t):
                self.assertEqual(cli.parse_time(t), t)


class Refused(unittest.TestCase):
    CASES = [
        (["sqrt"], "there is no bench 'sqrt'"),
        ([], "no bench given"),
        (["fibo", "--fast"], "unknown option --fast"),
        (["fibo", "popcount"], "unexpected argument popcount"),
        (["fibo", "--data"], "--data needs a value"),
        (["fibo", "--backend", "vhdl"], "--backend must be mcode or llvm"),
        (["all", "-j", "0"], "-j needs a positive number"),
        (["all", "-j", "٣"], "-j needs a positive number"),
        (["all", "--design", "x.vhd"], "--design applies to a single bench"),
        (["all", "--stop-time", "1ms"], "--stop-time applies to a single bench"),
        (["all", "--quiet"], "--quiet applies to a single bench"),
        (["fibo", "-j", "2"], "-j applies to all only"),
        (["fibo", "--max-cycles", "9"], "applies to the any-design mode"),
        (["fibo", "--passing-values"], "--passing-values applies to the any-design mode"),
        (["all", "--passing-values"], "--passing-values applies to a single bench"),
        (["fibo", "--wave", "w.txt"], "must end in .ghw or .vcd"),
        (["fibo", "--wave", "dir.vcd/w"], "must end in .ghw or .vcd"),
        (["fibo", "--timeout", "0"], "--timeout needs a positive number"),
        (["fibo", "--coverage", "c", "--backend", "llvm"], "--coverage needs --backend gcc"),
        (["all", "--backend=mcode", "--coverage", "c"], "--coverage needs --backend gcc"),
        (["fibo", "--coverage"], "--coverage needs a value"),
        (["fibo", "--timeout", "1e3"], "--timeout needs a positive number"),
    ] + [(["fibo", "--stop-time", t], "is not a VHDL time")
         for t in ("10 ms", "ms", "10", "1.ms", ".5ms", "1.2.3ms", "-1ms", "10mss",
                   # Digits of other scripts pass str.isdigit but not GHDL.
                   "٣ms", "１０ns", "1.٣us", "²ms")]

    def test_each_refusal_names_the_cause(self):
        for argv, message in self.CASES:
            with self.subTest(argv):
                with self.assertRaises(BadInput) as e:
                    cli.parse_args(argv)
                self.assertIn(message, str(e.exception))

    def test_help_wins_over_later_arguments(self):
        with self.assertRaises(cli.HelpWanted):
            cli.parse_args(["fibo", "--help", "--bogus"])


class Elaboration(unittest.TestCase):
    """--design FILE..., --generic, --std, --ieee and @FILE."""

    def setUp(self):
        import tempfile
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)
        self.files = []
        for name in ("a.vhd", "b.vhd", "c.vhd"):
            path = os.path.join(self.tmp.name, name)
            with open(path, "w") as f:
                f.write("-- x\n")
            self.files.append(path)
        self.a, self.b, self.c = self.files

    def argfile(self, text, name="args.txt"):
        path = os.path.join(self.tmp.name, name)
        with open(path, "wb") as f:
            f.write(text.encode() if isinstance(text, str) else text)
        return path

    def test_one_flag_takes_several_files_and_the_target_may_follow(self):
        # Caught fault: a second file after one --design was "unexpected".
        cases = [
            (["qmac", "--design", self.a, self.b, "--design", self.c, "--vectors", "v"], "qmac"),
            (["--design", self.a, self.b, "qmac", "--vectors", "v"], "qmac"),
            (["--design", self.a, self.b, "popcount"], "popcount"),
        ]
        for argv, target in cases:
            with self.subTest(argv):
                o = cli.parse_args(argv)
                self.assertEqual((o.target, o.designs[:2]), (target, [self.a, self.b]))

    def test_the_same_file_twice_is_one_file(self):
        # Caught fault: GHDL's internal-bug dump on a file analysed twice.
        same = os.path.join(self.tmp.name, ".", "a.vhd")
        link = os.path.join(self.tmp.name, "link.vhd")
        os.symlink(self.a, link)
        o = cli.parse_args(["qmac", "--design", self.a, self.b, same, "--design", link, self.a,
                            "--vectors", "v"])
        self.assertEqual(o.designs, [self.a, self.b])

    def test_generics_std_and_ieee(self):
        o = cli.parse_args(["qmac", "--design", self.a, "--vectors", "v", "--generic", "W=16",
                            "--generic=mode = 'x'", "--std", "08", "--ieee=synopsys"])
        self.assertEqual((o.generics, o.std, o.ieee), ({"W": "16", "mode": "'x'"}, "08", "synopsys"))
        o = cli.parse_args(["fibo", "--ieee", "synopsys"])
        self.assertEqual((o.std, o.ieee), ("93c", "synopsys"))
        self.assertEqual((cli.parse_args(["all"]).std, cli.parse_args(["all"]).ieee),
                         ("93c", "standard"))

    def test_argument_files_stand_for_their_lines(self):
        inner = self.argfile(f"--design\n{self.c}\n", "inner.txt")
        outer = self.argfile(f"\ufeff# settings of qmac\n\n  --design  \n{self.a}\r\n{self.b}\n"
                             f"--generic\nW=8\n@{inner}\n")
        o = cli.parse_args(["qmac", f"@{outer}", "--vectors", "v"])
        self.assertEqual((o.designs, o.generics), ([self.a, self.b, self.c], {"W": "8"}))
        self.assertEqual(cli.parse_args([f"@{self.argfile('all' + chr(10) + '-j2')}"]).jobs, 2)

    def test_refusals(self):
        looping = self.argfile("@" + os.path.join(self.tmp.name, "loop.txt"), "loop.txt")
        cases = [
            (["qmac", "--design", self.a, "--vectors", "v", "--generic", "w"], "give NAME=VALUE"),
            (["qmac", "--design", self.a, "--vectors", "v", "--generic", "2w=1"], "give NAME=VALUE"),
            (["qmac", "--design", self.a, "--vectors", "v", "--generic", "w=4+4"],
             "'4+4' is not a VHDL literal"),
            (["qmac", "--design", self.a, "--vectors", "v", "--generic", "w=1", "--generic", "W=2"],
             "gives the generic W twice"),
            (["fibo", "--generic", "w=1"], "--generic applies to the any-design mode"),
            (["fibo", "--std", "08"], "--std 08 applies to the any-design mode"),
            (["qmac", "--design", self.a, "--vectors", "v", "--std", "2008"],
             "--std must be 93c or 08"),
            (["fibo", "--ieee", "mentor"], "--ieee must be standard or synopsys"),
            (["all", "--std", "93c"], "--std applies to a single bench"),
            ([f"@{self.tmp.name}/none.txt"], "argument file " + self.tmp.name + "/none.txt is not readable"),
            ([f"@{self.argfile(b'fibo' + bytes([10, 0xff]), 'bad.txt')}"], "is not UTF-8 text (byte 0xff"),
            ([f"@{looping}"], "argument files nest deeper than 8"),
        ]
        for argv, message in cases:
            with self.subTest(argv):
                with self.assertRaises(BadInput) as e:
                    cli.parse_args(argv)
                self.assertIn(message, str(e.exception))


if __name__ == "__main__":
    unittest.main()
