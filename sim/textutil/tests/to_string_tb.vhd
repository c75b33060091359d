-- Checks to_string and to_stdulogicvector of std_logic_1164_textutil.
library ieee;
use ieee.std_logic_1164.all;
use work.std_logic_1164_textutil.all;
use work.textutil_test_support.all;

entity to_string_tb is
  -- wrong_expectation corrupts the expected texts, to show that this bench
  -- can fail.
  generic (wrong_expectation : boolean := false);
end entity to_string_tb;

architecture test of to_string_tb is
begin

  checks : process
    variable tally : tally_type := new_tally;

    -- The text to_string must give for literals; a lower-case first letter
    -- when the bench must prove it can fail.
    function expected_text(literals : string) return string is
      variable text : string(1 to literals'length) := literals;
    begin
      if wrong_expectation and text'length > 0 and text(1) = 'U' then
        text(1) := 'u';
      end if;
      return text;
    end function expected_text;

    type sample_list is array (positive range <>) of string(1 to 9);
    -- Vectors of 0 to 9 elements (the first count characters of each
    -- sample), covering every logic value in every position.
    constant samples : sample_list := (
      "UX01ZWLH-", "-HLWZ10XU", "1-0Z01XZU", "ZZZZZZZZZ", "0000L1111");

    procedure check_vector(literals : string; ascending : boolean;
                           low : natural) is
      constant what : string := describe(literals, ascending, low);
      constant expected : string := expected_text(literals);
      constant ulogic : std_ulogic_vector
        := literals_to_vector(literals, ascending, low);
      constant logic : std_logic_vector
        := literals_to_logic_vector(literals, ascending, low);
      -- ieee.std_logic_1164 declares a homograph, so the call names the
      -- package under test.
      constant converted : std_ulogic_vector
        := work.std_logic_1164_textutil.to_stdulogicvector(logic);
    begin
      check_text(tally, to_string(ulogic), expected,
                 "to_string(std_ulogic_vector " & what & ")");
      check_text(tally, to_string(logic), expected,
                 "to_string(std_logic_vector " & what & ")");
      if literals'length = 0 then
        -- An empty argument gives the null string with bounds 2 to 1.
        check_bounds(tally, to_string(ulogic), 2, 1, true,
                     "to_string(std_ulogic_vector " & what & ")");
        check_bounds(tally, to_string(logic), 2, 1, true,
                     "to_string(std_logic_vector " & what & ")");
      else
        check_bounds(tally, to_string(ulogic), 1, literals'length, true,
                     "to_string(std_ulogic_vector " & what & ")");
        check_bounds(tally, to_string(logic), 1, literals'length, true,
                     "to_string(std_logic_vector " & what & ")");
      end if;
      -- to_stdulogicvector keeps the elements and renumbers them
      -- length - 1 downto 0.
      check(tally,
            converted'left = literals'length - 1 and converted'right = 0
              and not converted'ascending
              and converted'length = literals'length,
            "to_stdulogicvector(" & what & "): bounds ("
              & integer'image(converted'left) & ", "
              & integer'image(converted'right) & ")");
      check(tally, converted = ulogic,
            "to_stdulogicvector(" & what & "): elements changed");
    end procedure check_vector;

  begin
    -- Single values: every literal, against std_ulogic'image.
    for value in std_ulogic loop
      check_text(tally, to_string(value),
                 expected_text(std_ulogic'image(value)(2 to 2)),
                 "to_string('" & std_ulogic'image(value)(2) & "')");
      check_bounds(tally, to_string(value), 1, 1, true,
                   "to_string('" & std_ulogic'image(value)(2) & "')");
    end loop;

    -- Vectors: every length of every sample, both directions, with index
    -- ranges that start at 0 and elsewhere.
    for sample in samples'range loop
      for count in 0 to 9 loop
        for low in 0 to 1 loop
          check_vector(samples(sample)(1 to count), true, low * 5);
          check_vector(samples(sample)(1 to count), false, low * 5);
        end loop;
      end loop;
    end loop;

    -- The examples of the package documentation.
    check_text(tally, to_string(std_ulogic_vector'("1-0Z")),
               expected_text("1-0Z"), "to_string(""1-0Z"")");
    check_text(tally, to_string(std_logic_vector'("01XZ")),
               expected_text("01XZ"), "to_string(""01XZ"")");

    finish(tally, "to_string_tb");
    wait;
  end process checks;

end architecture test;
