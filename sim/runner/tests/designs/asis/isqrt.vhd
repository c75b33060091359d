-- Integer square root, one result bit per cycle by the digit-by-digit
-- method, written with the vendor arithmetic package std_logic_unsigned,
-- natural ports and no reset: the registers start from their initial
-- values. exact is true when x is a perfect square.
library ieee;
use ieee.std_logic_1164.all;
use ieee.std_logic_arith.all;
use ieee.std_logic_unsigned.all;

entity isqrt is
  port (
    clk   : in  std_logic;
    start : in  std_logic;
    x     : in  natural range 0 to 65535;
    root  : out natural range 0 to 255;
    exact : out boolean;
    done  : out std_logic
  );
end entity isqrt;

architecture fsmd of isqrt is
  type state_t is (st_idle, st_step, st_done, st_rest);
  signal state : state_t := st_idle;
  -- rest: what is left of x; res: the root being built, shifted into place;
  -- one_bit: the weight of the bit tried in this step (a power of four).
  signal rest    : std_logic_vector(15 downto 0) := (others => '0');
  signal res     : std_logic_vector(15 downto 0) := (others => '0');
  signal one_bit : std_logic_vector(15 downto 0) := (others => '0');
begin
  -- Tries one root bit per cycle, from the highest: when rest holds res +
  -- one_bit, the bit belongs to the root.
  step : process (clk)
  begin
    if rising_edge(clk) then
      case state is
        when st_idle =>
          if start = '1' then
            rest    <= conv_std_logic_vector(x, 16);
            res     <= (others => '0');
            one_bit <= x"4000";
            state   <= st_step;
          end if;
        when st_step =>
          if rest >= res + one_bit then
            rest <= rest - (res + one_bit);
            res  <= ('0' & res(15 downto 1)) + one_bit;
          else
            res <= '0' & res(15 downto 1);
          end if;
          one_bit <= "00" & one_bit(15 downto 2);
          if one_bit = 1 then
            state <= st_done;
          end if;
        when st_done =>
          state <= st_rest;
        when st_rest =>
          state <= st_idle;
      end case;
    end if;
  end process step;

  root  <= conv_integer(res(7 downto 0));
  exact <= rest = 0;
  done  <= '1' when state = st_done else '0';
end architecture fsmd;
