-- Composite data types of design arraysum: the 10-word array it sums.
library ieee;
use ieee.std_logic_1164.all;

package arraysum_types is
  -- Ten 32-bit words, index 9 on the left; arr_type names the same array for
  -- the design's signals and variables, so values of the two convert freely.
  type cdt000_type is array (9 downto 0) of std_logic_vector(31 downto 0);
  subtype arr_type is cdt000_type;
end package arraysum_types;
