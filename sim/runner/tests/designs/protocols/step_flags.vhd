-- y = a xor 5A after a number of cycles set by a (1 to 4), with busy high
-- while it works and idle its opposite: no done port. Entity step_busy has
-- busy only, step_idle idle only.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity step_busy is
  port (
    clk   : in  std_logic;
    reset : in  std_logic;
    start : in  std_logic;
    a     : in  unsigned(7 downto 0);
    y     : out unsigned(7 downto 0);
    busy  : out std_logic
  );
end entity step_busy;

architecture fsmd of step_busy is
  signal left    : natural range 0 to 4 := 0;
  signal running : std_logic := '0';
begin
  -- Takes a at start, works 1 + (a mod 4) cycles, writes y as busy falls.
  machine : process (clk)
  begin
    if rising_edge(clk) then
      if reset = '1' then
        running <= '0';
      elsif running = '0' then
        if start = '1' then
          left    <= to_integer(a(1 downto 0));
          running <= '1';
        end if;
      elsif left = 0 then
        y       <= a xor x"5A";
        running <= '0';
      else
        left <= left - 1;
      end if;
    end if;
  end process machine;

  busy <= running;
end architecture fsmd;

library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity step_idle is
  port (
    clk   : in  std_logic;
    reset : in  std_logic;
    start : in  std_logic;
    a     : in  unsigned(7 downto 0);
    y     : out unsigned(7 downto 0);
    idle  : out std_logic
  );
end entity step_idle;

architecture fsmd of step_idle is
  signal y_busy : std_logic;
begin
  -- The same machine, with its flag the other way round.
  unit : entity work.step_busy(fsmd)
    port map (clk => clk, reset => reset, start => start, a => a, y => y, busy => y_busy);
  idle <= not y_busy;
end architecture fsmd;
