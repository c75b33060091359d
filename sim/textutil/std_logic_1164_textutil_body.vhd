-- Logic/character tables behind the text conversions of std_logic_1164_textutil.
library ieee;
use ieee.std_logic_1164.all;
library std;
use std.textio.all;

package body std_logic_1164_textutil is

  -- The nine logic literals at the positions they have in std_ulogic, plus
  -- error for a character that is not a logic value.
  type mvl9plus is ('U', 'X', '0', '1', 'Z', 'W', 'L', 'H', '-', error);

  type char_indexed_by_mvl9 is array (std_ulogic) of character;
  type mvl9_indexed_by_char is array (character) of std_ulogic;
  type mvl9plus_indexed_by_char is array (character) of mvl9plus;

  constant mvl9_to_char : char_indexed_by_mvl9 := "UX01ZWLH-";

  -- Only the upper-case literals are logic characters; every other
  -- character reads as 'U', so 'U' and a non-logic character look alike here.
  constant char_to_mvl9 : mvl9_indexed_by_char := (
    'U' => 'U', 'X' => 'X', '0' => '0', '1' => '1', 'Z' => 'Z',
    'W' => 'W', 'L' => 'L', 'H' => 'H', '-' => '-', others => 'U');

  -- As char_to_mvl9, but a non-logic character reads as error.
  constant char_to_mvl9plus : mvl9plus_indexed_by_char := (
    'U' => 'U', 'X' => 'X', '0' => '0', '1' => '1', 'Z' => 'Z',
    'W' => 'W', 'L' => 'L', 'H' => 'H', '-' => '-', others => error);

  -- The no-break space of ISO 8859-1.
  constant nbsp : character := character'val(160);

  -- The result for an empty argument: a null string with bounds 2 to 1.
  constant nus : string(2 to 1) := (others => ' ');

end package body std_logic_1164_textutil;
