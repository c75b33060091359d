-- Test design with the Synopsys arithmetic packages (std_logic_unsigned):
-- y = a + 1 one cycle after start, then done; a note when a is FF, so that a
-- run-time message names this file. Analyses with --ieee synopsys alone.
library ieee;
use ieee.std_logic_1164.all;
use ieee.std_logic_unsigned.all;

entity synopsys_counter is
  port (
    clk, reset, start : in  std_logic;
    a                 : in  std_logic_vector(7 downto 0);
    y                 : out std_logic_vector(7 downto 0);
    done              : out std_logic
  );
end entity synopsys_counter;

architecture fsmd of synopsys_counter is
  signal busy : std_logic;
begin
  control : process (clk)
  begin
    if clk'event and clk = '1' then
      done <= '0';
      if reset = '1' then
        busy <= '0';
      elsif start = '1' and busy = '0' then
        busy <= '1';
      elsif busy = '1' then
        assert a /= x"FF" report "a is FF: y wraps to 00" severity note;
        y <= a + 1;
        done <= '1';
        busy <= '0';
      end if;
    end if;
  end process control;
end architecture fsmd;
