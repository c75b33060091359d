"""The command line, without GHDL: what is accepted, and the message of
each refusal."""
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


if __name__ == "__main__":
    unittest.main()
