-- Text conversions of IEEE 1164 logic values and vectors for test benches.
library ieee;
use ieee.std_logic_1164.all;
library std;
use std.textio.all;

-- Converts logic values and vectors to text in VHDL-93, where
-- ieee.std_logic_1164 has no to_string of its own.
--
-- Every string result is ascending and starts at index 1, except for an
-- empty (null) vector argument: then the result is a null string whose
-- bounds are 2 to 1. The direction and bounds of a vector argument never
-- matter, only its elements from left to right.
package std_logic_1164_textutil is

  -- The logic literal of value as a one-character string(1 to 1).
  --   to_string('Z') = "Z"; to_string('-') = "-"
  function to_string(value : std_ulogic) return string;

  -- The logic literals of the elements of value, leftmost first, as a
  -- string(1 to value'length). A null vector gives a null string(2 to 1).
  --   to_string(std_ulogic_vector'("1-0Z")) = "1-0Z", for a vector
  --   declared (3 downto 0) as well as (0 to 3)
  function to_string(value : std_ulogic_vector) return string;

  -- value in hexadecimal, one digit per four elements, as a
  -- string(1 to (value'length + 3) / 4); a null vector gives a null
  -- string(2 to 1).
  -- Groups of four are counted from the rightmost element. When the
  -- length is not a multiple of four, the leftmost group is filled on
  -- its left with 'Z' if the leftmost element is 'Z', else with '0'.
  -- 'L' and 'H' read as '0' and '1'. A group gives '0' to '9' or 'A' to
  -- 'F' (upper case) when all its elements are 0 or 1, 'Z' when all are
  -- 'Z', and 'X' otherwise (any 'U', 'X', 'W', '-', or 'Z' mixed with 0/1).
  --   to_hstring(std_ulogic_vector'("11111"))    = "1F"
  --   to_hstring(std_ulogic_vector'("10101010")) = "AA"
  --   to_hstring(std_ulogic_vector'("LHHL"))     = "6"
  --   to_hstring(std_ulogic_vector'("Z1111"))    = "ZF"
  --   to_hstring(std_ulogic_vector'("X1111"))    = "XF"
  --   to_hstring(std_ulogic_vector'("0Z"))       = "X"
  function to_hstring(value : std_ulogic_vector) return string;

  -- As to_string of a std_ulogic_vector with the same elements.
  --   to_string(std_logic_vector'("01XZ")) = "01XZ"
  function to_string(value : std_logic_vector) return string;

  -- As to_hstring of a std_ulogic_vector with the same elements.
  --   to_hstring(std_logic_vector'(x"C0FFEE")) = "C0FFEE"
  function to_hstring(value : std_logic_vector) return string;

  -- The elements of value, in the same left-to-right order, as a
  -- std_ulogic_vector(value'length - 1 downto 0); a null vector gives
  -- a null vector(-1 downto 0).
  --   for v : std_logic_vector(0 to 3) := "01XZ",
  --   to_stdulogicvector(v) is (3 downto 0) and reads "01XZ":
  --   element 3 is '0', element 0 is 'Z'
  -- ieee.std_logic_1164 declares To_StdULogicVector with the same profile
  -- and the same result; where both packages are used, neither name is
  -- visible alone, so call this one as
  -- work.std_logic_1164_textutil.to_stdulogicvector(v).
  function to_stdulogicvector(value : std_logic_vector)
    return std_ulogic_vector;

  -- Reads every character of the line l and sets count to the number of
  -- space characters (character'val(32) only: tabs and the no-break space
  -- do not count) it held. This counts separators, not words. On return
  -- l designates an empty string. l must not be null: a null line stops
  -- the simulation with a failure.
  --   l := new string'("a b c"); count_tokens(l, n);  -- n = 2, l.all = ""
  --   l := new string'("abc");   count_tokens(l, n);  -- n = 0
  procedure count_tokens(l : inout line; count : out integer);

end package std_logic_1164_textutil;
