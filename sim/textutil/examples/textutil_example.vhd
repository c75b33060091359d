-- Prints logic values and vectors as text with std_logic_1164_textutil.
library ieee;
use ieee.std_logic_1164.all;
library std;
use std.textio.all;
use work.std_logic_1164_textutil.all;

entity textutil_example is
end entity textutil_example;

architecture example of textutil_example is
  signal data : std_logic_vector(11 downto 0) := x"0A5";
  signal released : std_logic_vector(4 downto 0) := (others => 'Z');
  signal partial : std_ulogic_vector(0 to 5) := "1X0101";
  signal ready : std_ulogic := 'H';
begin

  show : process
    variable l : line;
    variable spaces : integer;
  begin
    write(l, "data     = " & to_string(data) & " = x" & to_hstring(data));
    writeline(output, l);
    write(l, "released = " & to_string(released)
             & " = x" & to_hstring(released));
    writeline(output, l);
    write(l, "partial  = " & to_string(partial)
             & " = x" & to_hstring(partial));
    writeline(output, l);
    write(l, "ready    = " & to_string(ready));
    writeline(output, l);

    l := new string'("8 1F 3C");
    count_tokens(l, spaces);
    write(l, "spaces   = " & integer'image(spaces));
    writeline(output, l);
    wait;
  end process show;

end architecture example;
