-- Greatest common divisor by repeated subtraction, with integer ports and
-- no completion signal: the caller waits long enough, as its author's own
-- bench did (a and b below 256 need at most 255 cycles).
library ieee;
use ieee.std_logic_1164.all;

entity gcd_unit is
  port (
    clk    : in  std_logic;
    reset  : in  std_logic;
    start  : in  std_logic;
    a      : in  integer range 0 to 255;
    b      : in  integer range 0 to 255;
    result : out integer range 0 to 255;
    free   : out boolean
  );
end entity gcd_unit;

architecture fsmd of gcd_unit is
  signal x, y : integer range 0 to 255;
  signal busy_r : boolean;
begin
  -- Subtracts the smaller from the larger until they are equal; a zero
  -- operand ends at once with the other one.
  subtract : process (clk)
  begin
    if rising_edge(clk) then
      if reset = '1' then
        busy_r <= false;
        x <= 0;
        y <= 0;
      elsif not busy_r then
        if start = '1' then
          x <= a;
          y <= b;
          busy_r <= true;
        end if;
      elsif x = 0 or y = 0 or x = y then
        busy_r <= false;
      elsif x > y then
        x <= x - y;
      else
        y <= y - x;
      end if;
    end if;
  end process subtract;

  result <= y when x = 0 else x;
  free   <= not busy_r;
end architecture fsmd;
