-- Read access, for the tests only, to the private tables of std_logic_1164_textutil.
library ieee;
use ieee.std_logic_1164.all;

-- The body of this package is produced at build time from the body of
-- std_logic_1164_textutil (renamed, with the functions below added), so
-- the tests read the very tables that the package holds privately.
package textutil_tables_probe is

  -- mvl9_to_char(value).
  function mvl9_to_char_entry(value : std_ulogic) return character;

  -- char_to_mvl9(c).
  function char_to_mvl9_entry(c : character) return std_ulogic;

  -- char_to_mvl9plus(c) as its image: "'U'" ... "'-'" or "error".
  function char_to_mvl9plus_entry(c : character) return string;

  -- The position of char_to_mvl9plus(c): 0 to 8 for a logic value, 9 for
  -- error.
  function char_to_mvl9plus_position(c : character) return natural;

  -- The constant nbsp.
  function nbsp_entry return character;

  -- The constant nus.
  function nus_entry return string;

end package textutil_tables_probe;
