-- Check counting, failure reports and vector construction for the textutil test benches.
library ieee;
use ieee.std_logic_1164.all;

package textutil_test_support is

  -- Running totals of one test bench.
  type tally_type is record
    checks : natural;
    failures : natural;
  end record tally_type;

  constant new_tally : tally_type := (checks => 0, failures => 0);

  -- Counts one check; when ok is false, counts a failure and reports what
  -- was checked (only the first failures are reported, all are counted).
  procedure check(tally : inout tally_type; ok : boolean; what : string);

  -- Checks a string result of the package: the characters of expected,
  -- with bounds 1 to expected'length, or 2 to 1 when expected is empty.
  procedure check_result(tally : inout tally_type; actual : string;
                         expected : string; what : string);

  -- Reports "<bench>: <n> checks, <m> failed" and, when m > 0, stops the
  -- run with a failure so that its exit status is non-zero.
  procedure finish(tally : tally_type; bench : string);

  -- The vector whose elements, from left to right, are the logic literals
  -- of the characters of literals, indexed from low upwards (ascending) or
  -- from low + length - 1 down to low (descending). Built through
  -- std_ulogic'value, independently of the package under test.
  function literals_to_vector(literals : string; ascending : boolean;
                              low : natural) return std_ulogic_vector;

  -- A description of such a vector for failure reports, such as
  -- "(7 downto 4) 1-0Z".
  function describe(literals : string; ascending : boolean;
                    low : natural) return string;

end package textutil_test_support;
