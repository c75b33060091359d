-- Shows that count_tokens of std_logic_1164_textutil stops the run on a null line.
library std;
use std.textio.all;
use work.std_logic_1164_textutil.all;

entity count_tokens_null_line_tb is
end entity count_tokens_null_line_tb;

architecture test of count_tokens_null_line_tb is
begin

  call_with_null_line : process
    variable l : line;
    variable count : integer;
  begin
    count_tokens(l, count);
    report "count_tokens returned from a null line, count "
      & integer'image(count);
    wait;
  end process call_with_null_line;

end architecture test;
