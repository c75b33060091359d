-- Text conversions of logic values and vectors, and the tables they rest on.
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

  -- One hexadecimal digit's worth of elements, most significant first.
  subtype quad_type is std_ulogic_vector(0 to 3);

  function to_string(value : std_ulogic) return string is
    variable result : string(1 to 1);
  begin
    result(1) := mvl9_to_char(value);
    return result;
  end function to_string;

  function to_string(value : std_ulogic_vector) return string is
    alias elements : std_ulogic_vector(1 to value'length) is value;
    variable result : string(1 to value'length);
  begin
    if value'length < 1 then
      return nus;
    end if;
    for i in elements'range loop
      result(i) := mvl9_to_char(elements(i));
    end loop;
    return result;
  end function to_string;

  function to_hstring(value : std_ulogic_vector) return string is
    constant digit_count : natural := (value'length + 3) / 4;
    constant fill_length : natural := 4 * digit_count - value'length;
    -- value aligned on its rightmost element to a whole number of digits.
    variable extended : std_ulogic_vector(0 to 4 * digit_count - 1);
    variable quad : quad_type;
    variable result : string(1 to digit_count);
  begin
    if value'length < 1 then
      return nus;
    end if;
    -- A high-impedance vector stays high-impedance in its leftmost digit;
    -- anything else is widened like an unsigned number.
    if value(value'left) = 'Z' then
      extended(0 to fill_length - 1) := (others => 'Z');
    else
      extended(0 to fill_length - 1) := (others => '0');
    end if;
    extended(fill_length to extended'right) := value;
    for digit in 0 to digit_count - 1 loop
      quad := to_x01z(extended(4 * digit to 4 * digit + 3));
      case quad is
        when "0000" => result(digit + 1) := '0';
        when "0001" => result(digit + 1) := '1';
        when "0010" => result(digit + 1) := '2';
        when "0011" => result(digit + 1) := '3';
        when "0100" => result(digit + 1) := '4';
        when "0101" => result(digit + 1) := '5';
        when "0110" => result(digit + 1) := '6';
        when "0111" => result(digit + 1) := '7';
        when "1000" => result(digit + 1) := '8';
        when "1001" => result(digit + 1) := '9';
        when "1010" => result(digit + 1) := 'A';
        when "1011" => result(digit + 1) := 'B';
        when "1100" => result(digit + 1) := 'C';
        when "1101" => result(digit + 1) := 'D';
        when "1110" => result(digit + 1) := 'E';
        when "1111" => result(digit + 1) := 'F';
        when "ZZZZ" => result(digit + 1) := 'Z';
        when others => result(digit + 1) := 'X';
      end case;
    end loop;
    return result;
  end function to_hstring;

  function to_string(value : std_logic_vector) return string is
  begin
    return to_string(to_stdulogicvector(value));
  end function to_string;

  function to_hstring(value : std_logic_vector) return string is
  begin
    return to_hstring(to_stdulogicvector(value));
  end function to_hstring;

  function to_stdulogicvector(value : std_logic_vector)
    return std_ulogic_vector is
    alias elements : std_logic_vector(value'length - 1 downto 0) is value;
    variable result : std_ulogic_vector(value'length - 1 downto 0);
  begin
    for i in result'range loop
      result(i) := elements(i);
    end loop;
    return result;
  end function to_stdulogicvector;

  procedure count_tokens(l : inout line; count : out integer) is
    variable c : character;
    variable good : boolean;
    variable spaces : natural := 0;
  begin
    assert l /= null
      report "count_tokens: the line is null; it must designate a string"
      severity failure;
    if l = null then
      count := 0;
      return;
    end if;
    -- The loop range is fixed on entry: each read replaces l by a shorter
    -- string, so the loop runs once per character the line held.
    for i in l'range loop
      read(l, c, good);
      exit when not good;
      if c = ' ' then
        spaces := spaces + 1;
      end if;
    end loop;
    count := spaces;
  end procedure count_tokens;

end package body std_logic_1164_textutil;
