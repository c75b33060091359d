-- Benchmark design wide_power: y = x ** 4 of a 64-bit unsigned x as a 256-bit unsigned y, in two multiply steps.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity wide_power is
  port (
    clk   : in  std_logic;
    reset : in  std_logic;
    start : in  std_logic;
    x     : in  unsigned(63 downto 0);
    y     : out unsigned(255 downto 0);
    done  : out std_logic;
    ready : out std_logic
  );
end entity wide_power;

architecture fsmd of wide_power is
  type state_t is (st_idle, st_square, st_fourth);
  signal state  : state_t;
  signal x_r    : unsigned(63 downto 0);
  signal square : unsigned(127 downto 0);
begin
  -- One test: take x, square it, square the square, raise done with y.
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
              ready <= '0';
              x_r   <= x;
              state <= st_square;
            end if;
          when st_square =>
            square <= x_r * x_r;
            state  <= st_fourth;
          when st_fourth =>
            y     <= square * square;
            done  <= '1';
            state <= st_idle;
        end case;
      end if;
    end if;
  end process control;
end architecture fsmd;
