-- Example design restoring_divider: unsigned division of W-bit operands,
-- one quotient bit per clock cycle. quotient = dividend / divisor and
-- remainder = dividend mod divisor; a zero divisor gives a quotient of all
-- ones and the dividend as remainder, as the restoring steps do by
-- themselves. busy is '1' from the clock edge that takes start until the
-- results are in quotient and remainder; the design has no done port.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity restoring_divider is
  generic (
    W : positive := 8
  );
  port (
    clk       : in  std_logic;
    reset     : in  std_logic;
    start     : in  std_logic;
    dividend  : in  unsigned(W - 1 downto 0);
    divisor   : in  unsigned(W - 1 downto 0);
    quotient  : out unsigned(W - 1 downto 0);
    remainder : out unsigned(W - 1 downto 0);
    busy      : out std_logic
  );
end entity restoring_divider;

architecture fsmd of restoring_divider is
  type state_t is (st_idle, st_step);
  signal state   : state_t;
  -- The partial remainder has one bit more than the operands: shifted left
  -- it may reach twice the divisor before the trial subtraction.
  signal partial : unsigned(W downto 0);
  -- The dividend's bits leave at the top as the quotient's bits come in
  -- at the bottom.
  signal bits    : unsigned(W - 1 downto 0);
  signal den     : unsigned(W - 1 downto 0);
  signal left    : natural range 0 to W;
begin
  control : process (clk)
    variable shifted : unsigned(W downto 0);
  begin
    if rising_edge(clk) then
      if reset = '1' then
        state <= st_idle;
        busy  <= '0';
      else
        case state is
          when st_idle =>
            if start = '1' then
              partial <= (others => '0');
              bits    <= dividend;
              den     <= divisor;
              left    <= W;
              busy    <= '1';
              state   <= st_step;
            end if;
          when st_step =>
            shifted := partial(W - 1 downto 0) & bits(W - 1);
            -- Trial subtraction: keep it when the divisor fits, else
            -- restore (keep the shifted remainder) and take a 0.
            if shifted >= ('0' & den) then
              partial <= shifted - ('0' & den);
              bits    <= bits(W - 2 downto 0) & '1';
            else
              partial <= shifted;
              bits    <= bits(W - 2 downto 0) & '0';
            end if;
            left <= left - 1;
            if left = 1 then
              busy  <= '0';
              state <= st_idle;
            end if;
        end case;
      end if;
    end if;
  end process control;

  quotient  <= bits;
  remainder <= partial(W - 1 downto 0);
end architecture fsmd;
