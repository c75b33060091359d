-- Once out of reset, a signal toggles in every delta cycle: simulated time
-- never advances.
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
  signal toggle : std_logic := '0';
begin
  done <= '0';
  ready <= '1';
  d_1236 <= (others => '0');
  flip : process (toggle, reset)
  begin
    if reset = '0' then
      toggle <= not toggle;
    end if;
  end process flip;
end architecture fsmd;
