-- Checks to_string and to_stdulogicvector of std_logic_1164_textutil.
library ieee;
use ieee.std_logic_1164.all;
use work.std_logic_1164_textutil.all;
use work.textutil_test_support.all;

entity to_string_tb is
  -- wrong_expectation expects 'u' for 'U', to show that this bench can fail.
  generic (wrong_expectation : boolean := false);
end entity to_string_tb;

architecture test of to_string_tb is
begin

  checks : process
    variable tally : tally_type := new_tally;

    function expected_text(literals : string) return string is
      variable text : string(1 to literals'length) := literals;
    begin
      for i in text'range loop
        if wrong_expectation and text(i) = 'U' then
          text(i) := 'u';
        end if;
      end loop;
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
      constant ulogic : std_ulogic_vector
        := literals_to_vector(literals, ascending, low);
      -- ieee.std_logic_1164 declares a homograph, so the call names the
      -- package under test.
      constant renumbered : std_ulogic_vector
        := work.std_logic_1164_textutil.to_stdulogicvector(
             std_logic_vector(ulogic));
    begin
      check_result(tally, to_string(ulogic), expected_text(literals),
                   "to_string(std_ulogic_vector " & what & ")");
      check_result(tally, to_string(std_logic_vector(ulogic)),
                   expected_text(literals),
                   "to_string(std_logic_vector " & what & ")");
      check(tally,
            renumbered = ulogic and renumbered'left = literals'length - 1
              and renumbered'right = 0 and not renumbered'ascending,
            "to_stdulogicvector(" & what & ") gave ("
              & integer'image(renumbered'left) & ", "
              & integer'image(renumbered'right) & ") "
              & to_string(renumbered));
    end procedure check_vector;

  begin
    -- Single values: every literal, against std_ulogic'image.
    for value in std_ulogic loop
      check_result(tally, to_string(value),
                   expected_text(std_ulogic'image(value)(2 to 2)),
                   "to_string(" & std_ulogic'image(value) & ")");
    end loop;

    -- Every length of every sample, both directions, index ranges that
    -- start at 0 and elsewhere.
    for sample in samples'range loop
      for count in 0 to 9 loop
        for ascending in false to true loop
          check_vector(samples(sample)(1 to count), ascending, 0);
          check_vector(samples(sample)(1 to count), ascending, 5);
        end loop;
      end loop;
    end loop;

    finish(tally, "to_string_tb");
    wait;
  end process checks;

end architecture test;
