"""The bench table fsmd-sim reads agrees with the files it describes."""
import pathlib
import unittest

from fsmd_sim.benches import BENCHES, TABLE
from fsmd_sim.kit import Kit

SIM = pathlib.Path(__file__).resolve().parents[2]


class BenchTable(unittest.TestCase):
    def test_final_report_locations_are_the_final_assertions(self):
        for bench in BENCHES:
            for key, words in (("passed_report_at", "NONE."), ("failed_report_at", "ERRORS.")):
                with self.subTest(bench=bench, report=key):
                    path, _, line = TABLE[bench][key].rpartition(":")
                    text = (SIM / path).read_text().splitlines()[int(line) - 1]
                    self.assertEqual(text.strip(), f'assert false report "{words} End simulation'
                                     ' time reached" severity failure;')

    def test_every_file_named_exists_and_the_unit_list_holds_the_benches(self):
        kit = Kit(str(SIM))
        for bench in BENCHES:
            spec = TABLE[bench]
            with self.subTest(bench):
                for key in ("harness", "types", "configuration"):
                    self.assertTrue((SIM / spec[key]).is_file(), spec[key])
                self.assertLess(kit.units.index(spec["types"]), kit.units.index(spec["harness"]))
                self.assertIn(f"configuration {spec['top']} of", (SIM / spec["configuration"]).read_text())
                self.assertIn(f'"{spec["results_file"]}"', (SIM / spec["harness"]).read_text())
                self.assertIn(f'"{spec["data_file"]}"', (SIM / spec["harness"]).read_text())


if __name__ == "__main__":
    unittest.main()
