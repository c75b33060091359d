"""Which kit units a generated bench's library gets, without GHDL."""
import unittest

from fsmd_sim.kit_needs import units_needed

UNITS = ["textutil/std_logic_1164_textutil.vhd", "textutil/std_logic_1164_textutil_body.vhd",
         "types/eda_types.vhd", "testbench/eda_harness.vhd"]


class UnitsNeeded(unittest.TestCase):
    def test_the_whole_kit_only_for_a_design_that_names_one_of_its_units(self):
        cases = [
            # (design texts, whole kit?, fault it would catch)
            (["use ieee.numeric_std.all;\\nentity qmac is"], False,
             "every design paying for the whole kit on a first run"),
            (["entity a is", "use work.EDA_TYPES.all;"], True,
             "a design using a kit package, in its second file and in capitals, failing analysis"),
            (["use work.std_logic_1164_textutil.all;"], True, "the text utilities missed"),
            (["-- like eda_types\\nentity b is"], True, "a mention in a comment (harmless) missed"),
            (["package popcount_types is"], False, "a unit the kit does not have taken for one"),
            ([], False, "no design file at all"),
        ]
        for texts, whole, fault in cases:
            with self.subTest(fault):
                self.assertEqual(units_needed(UNITS, texts), UNITS if whole else [])


if __name__ == "__main__":
    unittest.main()
