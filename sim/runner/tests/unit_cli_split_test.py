"""The command line of split runs (--jobs, --shard) and of merge, without
GHDL: what is accepted, and the message of each refusal."""
import os
import unittest

from fsmd_sim import cli
from fsmd_sim.errors import BadInput

ANY = ["e", "--design", "e.vhd", "--vectors", "v.txt"]


class Accepted(unittest.TestCase):
    def test_jobs_and_shard(self):
        o = cli.parse_args(ANY + ["--jobs", "2", "--independent-tests"])
        self.assertEqual((o.parts, o.shard, o.independent_tests), (2, None, True))
        o = cli.parse_args(ANY + ["--shard=3/4", "--independent-tests"])
        self.assertEqual((o.parts, o.shard), (None, (3, 4)))
        # The per-test and the wall-clock limits go with a split; --stop-time
        # alone does not, and without a split it stays.
        o = cli.parse_args(ANY + ["--shard", "1/2", "--independent-tests", "--max-cycles", "50",
                                  "--timeout", "60"])
        self.assertEqual((o.shard, o.timeout), ((1, 2), 60))
        self.assertEqual(cli.parse_args(ANY + ["--stop-time", "12us"]).stop_time, "12us")

    def test_merge_takes_folders_and_its_options(self):
        o = cli.parse_args(["merge", "a", "b c", "--dir", "out", "--junit", "j.xml", "--coverage",
                            "cov", "d", "--quiet"])
        self.assertEqual((o.target, o.merge_dirs, o.dir, o.junit, o.coverage, o.quiet),
                         ("merge", ["a", "b c", "d"], "out", "j.xml", os.path.abspath("cov"), True))
        # Merging coverage needs no back end: the shards ran it.
        self.assertIsNone(o.backend)

    def test_an_entity_called_merge_runs_as_any_design(self):
        o = cli.parse_args(["merge", "--design", "m.vhd", "--vectors", "v.txt"])
        self.assertEqual((o.target, o.merge_dirs), ("merge", []))


class Refused(unittest.TestCase):
    CASES = [
        # A split of a design whose tests depend on each other gives wrong
        # results: the user must say it does not.
        (ANY + ["--jobs", "2"], "--jobs needs --independent-tests: each part starts from reset"),
        (ANY + ["--shard", "1/2"], "--shard needs --independent-tests"),
        (ANY + ["--jobs", "0", "--independent-tests"], "--jobs needs a positive number"),
        (ANY + ["--jobs", "2", "--shard", "1/2", "--independent-tests"], "exclude each other"),
        (ANY + ["--jobs", "2", "--independent-tests", "--wave", "w.vcd"], "does not go with --jobs"),
        (ANY + ["--shard", "3/2", "--independent-tests"], "give K/N"),
        (["fibo", "--jobs", "2"], "--jobs applies to the any-design mode"),
        (["fibo", "--shard", "1/2"], "--shard applies to the any-design mode"),
        (["all", "--jobs", "2"], "--jobs applies to a single bench"),
        # Options that need the whole run in one process.
        (ANY + ["--jobs", "2", "--independent-tests", "--tests", "5"], "--tests needs the whole run"),
        (ANY + ["--shard", "1/2", "--independent-tests", "--max-failures", "3"],
         "--max-failures needs the whole run in one process; it does not go with --shard"),
        (ANY + ["--jobs", "2", "--independent-tests", "--wave-on-failure", "f.vcd"],
         "--wave-on-failure needs the whole run"),
        # Simulated time starts at each part's own reset: a bound on it would
        # stop a split run at other tests than one run.
        (ANY + ["--jobs", "2", "--independent-tests", "--stop-time", "12us"],
         "--stop-time does not go with --jobs: a part starts its simulated time at its own reset"),
        (ANY + ["--shard=2/2", "--independent-tests", "--stop-time=1ms"],
         "--stop-time does not go with --shard: a part starts its simulated time at its own reset"),
        (["merge"], "merge needs the folders of the shards"),
        (["merge", "a", "--backend", "gcc"], "--backend does not apply to merge"),
        (["merge", "a", "--jobs", "2"], "--jobs does not apply to merge"),
    ]

    def test_each_refusal_names_the_cause(self):
        for argv, message in self.CASES:
            with self.subTest(argv):
                with self.assertRaises(BadInput) as caught:
                    cli.parse_args(argv)
                self.assertIn(message, str(caught.exception))


if __name__ == "__main__":
    unittest.main()
