-- Checks to_hstring of std_logic_1164_textutil against an independent model.
library ieee;
use ieee.std_logic_1164.all;
use work.std_logic_1164_textutil.all;
use work.textutil_test_support.all;

entity to_hstring_tb is
  -- wrong_expectation makes the model write lower-case digits, to show
  -- that this bench can fail.
  generic (wrong_expectation : boolean := false);
end entity to_hstring_tb;

architecture test of to_hstring_tb is
begin

  checks : process
    variable tally : tally_type := new_tally;
    constant upper_digits : string(1 to 16) := "0123456789ABCDEF";
    constant lower_digits : string(1 to 16) := "0123456789abcdef";

    -- The hexadecimal text of the logic literals, worked out digit by digit
    -- from the right on the characters themselves: a group of four is a
    -- digit when it holds only 0/1/L/H, 'Z' when it holds only Z, and 'X'
    -- otherwise; missing elements on the left read as 'Z' when the leftmost
    -- literal is Z, else as 0.
    function model_hex(literals : string) return string is
      alias chars : string(1 to literals'length) is literals;
      constant digit_count : natural := (chars'length + 3) / 4;
      variable text : string(1 to digit_count);
      variable fill : character := '0';
      variable char : character;
      variable weight, value : natural;
      variable all_binary, all_z : boolean;
      variable position : integer;
    begin
      if chars'length > 0 and chars(1) = 'Z' then
        fill := 'Z';
      end if;
      for digit in digit_count downto 1 loop
        value := 0;
        weight := 1;
        all_binary := true;
        all_z := true;
        for offset in 0 to 3 loop
          -- Element offset places to the left of the digit's rightmost.
          position := chars'length - 4 * (digit_count - digit) - offset;
          if position >= 1 then
            char := chars(position);
          else
            char := fill;
          end if;
          if char = '1' or char = 'H' then
            value := value + weight;
          end if;
          all_binary := all_binary
            and (char = '0' or char = '1' or char = 'L' or char = 'H');
          all_z := all_z and char = 'Z';
          weight := weight * 2;
        end loop;
        if all_binary and wrong_expectation then
          text(digit) := lower_digits(value + 1);
        elsif all_binary then
          text(digit) := upper_digits(value + 1);
        elsif all_z then
          text(digit) := 'Z';
        else
          text(digit) := 'X';
        end if;
      end loop;
      return text;
    end function model_hex;

    -- to_hstring of the vector of literals, as std_ulogic_vector and as
    -- std_logic_vector, in both directions.
    procedure check_hex(literals : string; expected : string) is
    begin
      for ascending in false to true loop
        check_result(tally,
                     to_hstring(literals_to_vector(literals, ascending, 3)),
                     expected,
                     "to_hstring(std_ulogic_vector "
                       & describe(literals, ascending, 3) & ")");
        check_result(tally,
                     to_hstring(std_logic_vector(
                       literals_to_vector(literals, ascending, 0))),
                     expected,
                     "to_hstring(std_logic_vector "
                       & describe(literals, ascending, 0) & ")");
      end loop;
    end procedure check_hex;

    type choice_list is array (positive range <>) of positive;

    -- Every vector of 1 to length_max elements over alphabet against the
    -- model; odometer order, the leftmost literal changing slowest.
    procedure check_all_vectors(alphabet : string; length_max : positive) is
      alias letters : string(1 to alphabet'length) is alphabet;
      variable choice : choice_list(1 to length_max);
      variable literals : string(1 to length_max);
      variable position : natural;
    begin
      for length in 1 to length_max loop
        choice := (others => 1);
        loop
          for i in 1 to length loop
            literals(i) := letters(choice(i));
          end loop;
          check_hex(literals(1 to length), model_hex(literals(1 to length)));
          position := length;
          while position >= 1 and choice(position) = letters'length loop
            choice(position) := 1;
            position := position - 1;
          end loop;
          exit when position = 0;
          choice(position) := choice(position) + 1;
        end loop;
      end loop;
    end procedure check_all_vectors;

  begin
    -- The documented examples and further hand-worked cases.
    check_hex("1", "1");
    check_hex("11111", "1F");
    check_hex("10101010", "AA");
    check_hex("LHHL", "6");
    check_hex("H1111", "1F");
    check_hex("Z1111", "ZF");
    check_hex("ZZZZZ", "ZZ");
    check_hex("Z0", "X");
    check_hex("0Z", "X");
    check_hex("X1111", "XF");
    check_hex("UUUU", "X");
    check_hex("-000", "X");
    check_hex("11011110101011011011111011101111", "DEADBEEF");
    check_hex("Z11011110101011011011111011101111", "ZDEADBEEF");
    check_hex("", "");
    check_result(tally, to_hstring(std_logic_vector'(x"C0FFEE")), "C0FFEE",
                 "to_hstring(std_logic_vector'(x""C0FFEE""))");

    -- Every short vector: 0, 1, Z and X up to two digits long, and all
    -- nine values (U, W and - read as X; L and H as 0 and 1) up to one.
    check_all_vectors("01ZX", 8);
    check_all_vectors("UX01ZWLH-", 4);

    finish(tally, "to_hstring_tb");
    wait;
  end process checks;

end architecture test;
