-- Test design that never ends one test: y = a + 1 one cycle after start,
-- except for a = x"FF", where it stays busy for ever and done never rises.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity hang_on_ff is
  port (
    clk   : in  std_logic;
    reset : in  std_logic;
    start : in  std_logic;
    a     : in  unsigned(7 downto 0);
    y     : out unsigned(7 downto 0);
    done  : out std_logic
  );
end entity hang_on_ff;

architecture fsmd of hang_on_ff is
  signal busy : std_logic;
begin
  control : process (clk)
  begin
    if rising_edge(clk) then
      if reset = '1' then
        busy <= '0';
        done <= '0';
      else
        done <= '0';
        if busy = '0' and start = '1' then
          busy <= '1';
        elsif busy = '1' and a /= x"FF" then
          busy <= '0';
          done <= '1';
          y    <= a + 1;
        end if;
      end if;
    end if;
  end process control;
end architecture fsmd;
