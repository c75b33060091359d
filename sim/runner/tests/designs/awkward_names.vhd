-- Test design whose ports are named like what a bench uses: now = read + 1
-- when line = '1', else read; work (its done) rises two cycles after start.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity awkward_names is
  port (
    clk   : in  std_logic;
    reset : in  std_logic;
    start : in  std_logic;
    read  : in  unsigned(7 downto 0);
    line  : in  std_logic;
    now   : out unsigned(7 downto 0);
    ns    : out std_logic;
    work  : out std_logic
  );
end entity awkward_names;

architecture fsmd of awkward_names is
  signal busy : std_logic;
begin
  control : process (clk)
  begin
    if rising_edge(clk) then
      if reset = '1' then
        busy <= '0';
        work <= '0';
      else
        work <= '0';
        if busy = '0' and start = '1' then
          busy <= '1';
        elsif busy = '1' then
          busy <= '0';
          work <= '1';
          if line = '1' then
            now <= read + 1;
          else
            now <= read;
          end if;
          ns <= line;
        end if;
      end if;
    end if;
  end process control;
end architecture fsmd;
