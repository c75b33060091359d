-- Checks count_tokens of std_logic_1164_textutil.
library std;
use std.textio.all;
use work.std_logic_1164_textutil.all;
use work.textutil_test_support.all;

entity count_tokens_tb is
  -- wrong_expectation expects one space too many, to show that this bench
  -- can fail.
  generic (wrong_expectation : boolean := false);
end entity count_tokens_tb;

architecture test of count_tokens_tb is
begin

  checks : process
    variable tally : tally_type := new_tally;
    constant tab : character := character'val(9);
    constant no_break_space : character := character'val(160);

    -- The spaces in text, counted on its characters.
    function model_spaces(text : string) return natural is
      variable spaces : natural := 0;
    begin
      for i in text'range loop
        if text(i) = ' ' then
          spaces := spaces + 1;
        end if;
      end loop;
      if wrong_expectation then
        return spaces + 1;
      end if;
      return spaces;
    end function model_spaces;

    -- Counts the spaces of a line holding text and checks that the whole
    -- line was read: count_tokens must not stop at the first space, nor
    -- leave characters, nor free the line.
    procedure check_line(text : string; ascending : boolean) is
      variable l : line;
      -- count_tokens must not read its out parameter: start from garbage.
      variable count : integer := -7;
      variable what : line := new string'("count_tokens(""" & text & """, ");
    begin
      if ascending then
        l := new string(1 to text'length);
        write(what, string'("ascending)"));
      else
        l := new string(text'length downto 1);
        write(what, string'("descending)"));
      end if;
      l.all := text;
      count_tokens(l, count);
      check(tally, count = model_spaces(text),
            what.all & ": count " & integer'image(count) & ", expected "
              & integer'image(model_spaces(text)));
      check(tally, l /= null, what.all & ": the line is null on return");
      if l /= null then
        check(tally, l'length = 0,
              what.all & ": """ & l.all & """ left in the line");
        deallocate(l);
      end if;
      deallocate(what);
    end procedure check_line;

    type text_list is array (positive range <>) of line;
    variable texts : text_list(1 to 10);
    variable long_text : string(1 to 300);
  begin
    -- Every third character a space, the others printable non-blanks.
    for i in long_text'range loop
      if i mod 3 = 0 then
        long_text(i) := ' ';
      else
        long_text(i) := character'val(33 + i mod 90);
      end if;
    end loop;
    -- Spaces counted, not words; tabs and no-break spaces are not spaces.
    texts := (
      new string'("a b c"),
      new string'("   "),
      new string'("abc"),
      new string'(""),
      new string'(" a  b "),
      new string'("a" & tab & "b" & no_break_space & "c"),
      new string'(" "),
      new string'("x"),
      new string'("0123 4567 89AB CDEF"),
      new string'(long_text));
    for i in texts'range loop
      check_line(texts(i).all, true);
      if texts(i)'length > 0 then
        check_line(texts(i).all, false);
      end if;
      deallocate(texts(i));
    end loop;

    finish(tally, "count_tokens_tb");
    wait;
  end process checks;

end architecture test;
