-- Test design in VHDL-2008 only (process (all), to_hstring of std_logic_1164):
-- y = a + b one cycle after start, then done. Analyses with --std 08 alone.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity std08_adder is
  port (
    clk, reset, start : in  std_logic;
    a, b              : in  unsigned(7 downto 0);
    y                 : out unsigned(8 downto 0);
    done              : out std_logic
  );
end entity std08_adder;

architecture fsmd of std08_adder is
  signal busy : std_logic;
  signal sum  : unsigned(8 downto 0);
begin
  add : process (all)
  begin
    sum <= ('0' & a) + b;
  end process add;

  control : process (clk)
  begin
    if rising_edge(clk) then
      done <= '0';
      if reset = '1' then
        busy <= '0';
      elsif start = '1' and busy = '0' then
        busy <= '1';
      elsif busy = '1' then
        y <= sum;
        done <= '1';
        busy <= '0';
        assert sum /= 16#1FE# report "sum " & to_hstring(sum) severity note;
      end if;
    end if;
  end process control;
end architecture fsmd;
