-- Test design with assertions of its own: y = x one test later than start;
-- x = 9 stops the simulation with a failing assertion, x = 7 reports an
-- error and goes on.
library ieee;
use ieee.std_logic_1164.all;

entity own_assertions is
  port (
    clk   : in  std_logic;
    reset : in  std_logic;
    start : in  std_logic;
    x     : in  std_logic_vector(3 downto 0);
    y     : out std_logic_vector(3 downto 0);
    done  : out std_logic
  );
end entity own_assertions;

architecture fsmd of own_assertions is
  signal busy : std_logic;
begin
  -- One cycle to take x, one to answer.
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
          assert x /= "1001" report "own_assertions refuses 9" severity failure;
          assert x /= "0111" report "own_assertions dislikes 7" severity error;
        elsif busy = '1' then
          busy <= '0';
          done <= '1';
          y <= x;
        end if;
      end if;
    end if;
  end process control;
end architecture fsmd;
