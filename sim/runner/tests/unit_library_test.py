"""The design's files in GHDL's order of analysis, and what a listing of
library work says is missing: without GHDL."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from fsmd_sim.library import Sources, missing_unit  # noqa: E402

# What `ghdl --dir` prints for a library with the kit's units and a design.
LISTING = """# Library work
# Directory: ./
entity popcount_harness
architecture tb_arch of popcount_harness
architecture fsmd of qmac
architecture rtl of qmac
entity qmac
architecture fsmd of other
package qmac_pkg
"""


class MissingUnit(unittest.TestCase):
    def test_each_case_names_what_is_missing(self):
        cases = [
            ("qmac", "fsmd", None),
            ("qmac", "pipelined", "no architecture pipelined of entity qmac: they declare only"
                                  " fsmd, rtl (choose one with --architecture)"),
            ("other", "fsmd", "declare no entity other"),
            ("qmac_pkg", "fsmd", "declare no entity qmac_pkg"),
            ("popcount_harness", "fsmd", "architecture fsmd of entity popcount_harness:"
                                         " they declare only tb_arch"),
        ]
        for entity, architecture, message in cases:
            with self.subTest(entity=entity, architecture=architecture):
                found = missing_unit(LISTING, entity, architecture)
                if message is None:
                    self.assertIsNone(found)
                else:
                    self.assertIn(message, found)


class Reorder(unittest.TestCase):
    def test_the_design_files_move_and_the_rest_keep_their_places(self):
        s = Sources()
        for name in ("design-1.vhd", "design-2.vhd", "design-3.vhd", "bench.vhd"):
            s.add(name, name, b"")
        s.reorder(["design-3.vhd", "design-1.vhd", "design-2.vhd"])
        self.assertEqual(s.names(), ["design-3.vhd", "design-1.vhd", "design-2.vhd", "bench.vhd"])
        t = Sources()
        for name in ("kit.vhd", "design-1.vhd", "design-2.vhd", "conf.vhd"):
            t.add(name, name, b"")
        t.reorder(["design-2.vhd", "design-1.vhd"])
        self.assertEqual(t.names(), ["kit.vhd", "design-2.vhd", "design-1.vhd", "conf.vhd"])


if __name__ == "__main__":
    unittest.main()
