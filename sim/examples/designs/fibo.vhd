-- Example design fibo: the Fibonacci number F(x), F(0) = 0, F(1) = 1, one step per clock cycle.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;
use work.fibo_types.all;

entity fibo is
  port (
    clk    : in  std_logic;
    reset  : in  std_logic;
    start  : in  std_logic;
    x      : in  std_logic_vector(31 downto 0);
    d_1236 : out std_logic_vector(31 downto 0);
    done   : out std_logic;
    ready  : out std_logic
  );
end entity fibo;

-- F(n) fits 32 unsigned bits up to n = 47; beyond, the sum wraps as the C
-- model's uint32_t does.
architecture fsmd of fibo is
  type state_type is (st_idle, st_step);
  signal state     : state_type;
  signal remaining : unsigned(31 downto 0);
  -- f_lo = F(k), f_hi = F(k + 1) after k steps.
  signal f_lo      : unsigned(31 downto 0);
  signal f_hi      : unsigned(31 downto 0);
begin
  control : process (clk)
  begin
    if rising_edge(clk) then
      if reset = '1' then
        state <= st_idle;
        done  <= '0';
        ready <= '1';
      else
        done <= '0';
        case state is
          when st_idle =>
            ready <= '1';
            if start = '1' then
              ready     <= '0';
              remaining <= unsigned(x);
              f_lo      <= to_unsigned(0, 32);
              f_hi      <= to_unsigned(1, 32);
              state     <= st_step;
            end if;
          when st_step =>
            if remaining = 0 then
              d_1236 <= std_logic_vector(f_lo);
              done   <= '1';
              state  <= st_idle;
            else
              f_lo      <= f_hi;
              f_hi      <= f_lo + f_hi;
              remaining <= remaining - 1;
            end if;
        end case;
      end if;
    end if;
  end process control;
end architecture fsmd;
