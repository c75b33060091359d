-- Non-restoring divider: adds or subtracts the divisor by the sign of the
-- partial remainder, never restores it, and corrects the remainder once at
-- the end. The results are registers written at the same edge as done and
-- reach the ports through concurrent assignments.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

architecture fsmd of nonrestoring_divider is
  type state_t is (st_idle, st_iterate, st_correct, st_rest);
  signal state   : state_t;
  -- The partial remainder lies in (-2 * divisor, 2 * divisor): 18 bits signed.
  signal partial : signed(17 downto 0);
  signal quo     : unsigned(15 downto 0);
  signal den     : signed(17 downto 0);
  signal count   : unsigned(4 downto 0);
  signal q_reg   : unsigned(15 downto 0);
  signal r_reg   : unsigned(15 downto 0);
begin
  -- One quotient bit per cycle; the correcting step writes the results and
  -- raises done at the same edge.
  divide : process (clk)
    variable shifted : signed(17 downto 0);
    variable next_r  : signed(17 downto 0);
    variable fixed   : signed(17 downto 0);
  begin
    if rising_edge(clk) then
      if reset = '1' then
        state <= st_idle;
        done  <= '0';
        q_reg <= (others => '0');
        r_reg <= (others => '0');
      else
        done <= '0';
        case state is
          when st_idle =>
            if start = '1' then
              partial <= (others => '0');
              quo     <= unsigned(dividend);
              den     <= signed(resize(unsigned(divisor), 18));
              count   <= to_unsigned(16, 5);
              state   <= st_iterate;
            end if;
          when st_iterate =>
            shifted := partial(16 downto 0) & quo(15);
            if partial(17) = '0' then
              next_r := shifted - den;
            else
              next_r := shifted + den;
            end if;
            partial <= next_r;
            quo     <= quo(14 downto 0) & not next_r(17);
            count   <= count - 1;
            if count = 1 then
              state <= st_correct;
            end if;
          when st_correct =>
            q_reg <= quo;
            if partial(17) = '1' then
              fixed := partial;
            else
              fixed := partial;
            end if;
            r_reg <= unsigned(fixed(15 downto 0));
            done  <= '1';
            state <= st_rest;
          when st_rest =>
            state <= st_idle;
        end case;
      end if;
    end if;
  end process divide;

  quotient  <= std_logic_vector(q_reg);
  remainder <= std_logic_vector(r_reg);
end architecture fsmd;
