-- Checks the private logic/character tables of std_logic_1164_textutil.
library ieee;
use ieee.std_logic_1164.all;
use work.textutil_tables_probe.all;
use work.textutil_test_support.all;

entity tables_tb is
  -- wrong_expectation takes lower-case letters for logic characters, to
  -- show that this bench can fail.
  generic (wrong_expectation : boolean := false);
end entity tables_tb;

architecture test of tables_tb is
begin

  checks : process
    variable tally : tally_type := new_tally;
    constant logic_characters : string(1 to 9) := "UX01ZWLH-";

    -- The place of c in logic_characters (0 when c is none of them), which
    -- is also one more than the position of its std_ulogic value.
    function place(c : character) return natural is
      variable wanted : character := c;
    begin
      if wrong_expectation and c >= 'a' and c <= 'z' then
        wanted := character'val(character'pos(c) - 32);
      end if;
      for i in logic_characters'range loop
        if logic_characters(i) = wanted then
          return i;
        end if;
      end loop;
      return 0;
    end function place;

    function code_of(c : character) return string is
    begin
      return "character'val(" & integer'image(character'pos(c)) & ")";
    end function code_of;

  begin
    -- Every logic value has its own literal as character.
    for value in std_ulogic loop
      check(tally,
            mvl9_to_char_entry(value) = std_ulogic'image(value)(2),
            "mvl9_to_char('" & std_ulogic'image(value)(2) & "') = '"
              & mvl9_to_char_entry(value) & "'");
    end loop;

    -- Every character code: the nine upper-case logic characters map to
    -- their value, everything else (lower case, blanks, the no-break
    -- space, control characters) to 'U' or error.
    for c in character loop
      if place(c) = 0 then
        check(tally, char_to_mvl9_entry(c) = 'U',
              "char_to_mvl9(" & code_of(c) & ") is not 'U'");
        check_text(tally, char_to_mvl9plus_entry(c), "error",
                   "char_to_mvl9plus(" & code_of(c) & ")");
        check(tally, char_to_mvl9plus_position(c) = 9,
              "char_to_mvl9plus(" & code_of(c) & ") is not at position 9");
      else
        check(tally,
              char_to_mvl9_entry(c) = std_ulogic'val(place(c) - 1),
              "char_to_mvl9(" & code_of(c) & ") is not '" & c & "'");
        check_text(tally, char_to_mvl9plus_entry(c), "'" & c & "'",
                   "char_to_mvl9plus(" & code_of(c) & ")");
        check(tally, char_to_mvl9plus_position(c) = place(c) - 1,
              "char_to_mvl9plus(" & code_of(c) & ") is at position "
                & integer'image(char_to_mvl9plus_position(c)));
      end if;
    end loop;

    check(tally, nbsp_entry = character'val(160),
          "nbsp is " & code_of(nbsp_entry));
    check_bounds(tally, nus_entry, 2, 1, true, "nus");

    finish(tally, "tables_tb");
    wait;
  end process checks;

end architecture test;
