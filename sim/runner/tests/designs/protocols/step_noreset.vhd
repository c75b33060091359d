-- No reset port: its registers start from their initial values. before
-- counts the rising edges it saw before its first start (up to 15), which
-- shows the idle cycles a bench gives it; y = a + before, done two cycles
-- after start.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity step_noreset is
  port (
    clk    : in  std_logic;
    start  : in  std_logic;
    a      : in  unsigned(7 downto 0);
    y      : out unsigned(7 downto 0);
    before : out unsigned(3 downto 0);
    done   : out std_logic
  );
end entity step_noreset;

architecture fsmd of step_noreset is
  signal edges   : unsigned(3 downto 0) := (others => '0');
  signal started : boolean := false;
  signal stage   : natural range 0 to 2 := 0;
begin
  -- One count per edge until the first start; then two cycles per test.
  machine : process (clk)
  begin
    if rising_edge(clk) then
      done <= '0';
      if not started and start /= '1' and edges /= 15 then
        edges <= edges + 1;
      end if;
      if stage = 0 then
        if start = '1' then
          started <= true;
          stage   <= 1;
        end if;
      elsif stage = 1 then
        stage <= 2;
      else
        y     <= a + edges;
        done  <= '1';
        stage <= 0;
      end if;
    end if;
  end process machine;

  before <= edges;
end architecture fsmd;
