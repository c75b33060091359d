-- Test design: a 16-bit restoring divider, q = a / b, one quotient bit per
-- cycle, that comes out one unit low whenever a is a multiple of 20 (and
-- the quotient is not 0): the kind of approximate result a fast divider
-- gives, on about 5% of random dividends.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity div_low is
  port (
    clk   : in  std_logic;
    reset : in  std_logic;
    start : in  std_logic;
    a     : in  unsigned(15 downto 0);
    b     : in  unsigned(15 downto 0);
    q     : out unsigned(15 downto 0);
    done  : out std_logic
  );
end entity div_low;

architecture fsmd of div_low is
  type state_t is (st_idle, st_divide, st_done);
  signal state     : state_t;
  signal remainder : unsigned(16 downto 0);
  signal quotient  : unsigned(15 downto 0);
  signal divisor   : unsigned(15 downto 0);
  signal count     : natural range 0 to 16;
  signal low       : boolean;
begin
  -- st_divide shifts one dividend bit into the remainder per cycle and
  -- subtracts the divisor where it fits.
  control : process (clk)
    variable trial : unsigned(16 downto 0);
  begin
    if rising_edge(clk) then
      if reset = '1' then
        state <= st_idle;
        done  <= '0';
      else
        done <= '0';
        case state is
          when st_idle =>
            if start = '1' then
              remainder <= (others => '0');
              quotient  <= a;
              divisor   <= b;
              count     <= 16;
              low       <= a mod 20 = 0;
              state     <= st_divide;
            end if;
          when st_divide =>
            trial := remainder(15 downto 0) & quotient(15);
            if trial >= ('0' & divisor) then
              remainder <= trial - divisor;
              quotient  <= quotient(14 downto 0) & '1';
            else
              remainder <= trial;
              quotient  <= quotient(14 downto 0) & '0';
            end if;
            count <= count - 1;
            if count = 1 then
              state <= st_done;
            end if;
          when st_done =>
            if low and quotient /= 0 then
              q <= quotient - 1;
            else
              q <= quotient;
            end if;
            done  <= '1';
            state <= st_idle;
        end case;
      end if;
    end if;
  end process control;
end architecture fsmd;
