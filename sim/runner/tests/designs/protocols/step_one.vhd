-- y = a + 1 at the edge that sees start, with done for one cycle: a design
-- that completes in one cycle. Under a held start it raises done again at
-- the edge at which done ended the test before, so done never falls.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity step_one is
  port (
    clk, reset, start : in  std_logic;
    a                 : in  unsigned(7 downto 0);
    y                 : out unsigned(7 downto 0);
    done              : out std_logic
  );
end entity step_one;

architecture fsmd of step_one is
begin
  -- One edge per test: the result and done together.
  machine : process (clk)
  begin
    if rising_edge(clk) then
      done <= '0';
      if reset = '0' and start = '1' then
        y    <= a + 1;
        done <= '1';
      end if;
    end if;
  end process machine;
end architecture fsmd;
