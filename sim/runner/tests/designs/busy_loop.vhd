-- Once out of reset, one process loops for ever without waiting: simulated
-- time stops while the processor is busy; only a wall-clock limit ends it.
library ieee;
use ieee.std_logic_1164.all;

entity popcount is
  port (
    clk    : in  std_logic;
    reset  : in  std_logic;
    start  : in  std_logic;
    inp    : in  std_logic_vector(31 downto 0);
    d_1236 : out std_logic_vector(31 downto 0);
    done   : out std_logic;
    ready  : out std_logic
  );
end entity popcount;

architecture fsmd of popcount is
begin
  done <= '0';
  ready <= '1';
  d_1236 <= (others => '0');
  spin : process
    variable n : integer := 0;
  begin
    wait until reset = '0';
    loop
      n := (n + 1) mod 1000;
    end loop;
  end process spin;
end architecture fsmd;
