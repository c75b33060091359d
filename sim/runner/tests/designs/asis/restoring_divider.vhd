-- Restoring divider, one quotient bit per clock cycle, as found in course
-- material: the width is a generic, busy is high while it works (no done),
-- and the reset is synchronous.
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
    dividend  : in  std_logic_vector(W - 1 downto 0);
    divisor   : in  std_logic_vector(W - 1 downto 0);
    quotient  : out std_logic_vector(W - 1 downto 0);
    remainder : out std_logic_vector(W - 1 downto 0);
    busy      : out std_logic
  );
end entity restoring_divider;

architecture fsmd of restoring_divider is
  -- The partial remainder is one bit wider than the operands: shifted left
  -- before each trial subtraction, it may reach twice the divisor.
  signal partial : unsigned(W downto 0);
  signal quo     : unsigned(W - 1 downto 0);
  signal den     : unsigned(W - 1 downto 0);
  signal steps   : natural range 0 to W;
  signal running : std_logic;
begin
  -- One trial subtraction per cycle; a negative trial keeps the shifted
  -- remainder (the restoring step) and shifts a 0 into the quotient.
  divide : process (clk)
    variable shifted : unsigned(W downto 0);
    variable trial   : unsigned(W downto 0);
  begin
    if rising_edge(clk) then
      if reset = '1' then
        running <= '0';
        steps   <= 0;
        partial <= (others => '0');
        quo     <= (others => '0');
      elsif running = '0' then
        if start = '1' then
          partial <= (others => '0');
          quo     <= unsigned(dividend);
          den     <= unsigned(divisor);
          steps   <= W;
          running <= '1';
        end if;
      else
        shifted := partial(W - 1 downto 0) & quo(W - 1);
        trial   := shifted - ('0' & den);
        if trial(W) = '1' then
          partial <= shifted;
          quo     <= quo(W - 2 downto 0) & '0';
        else
          partial <= trial;
          quo     <= quo(W - 2 downto 0) & '1';
        end if;
        steps <= steps - 1;
        if steps = 1 then
          running <= '0';
        end if;
      end if;
    end if;
  end process divide;

  quotient  <= std_logic_vector(quo);
  remainder <= std_logic_vector(partial(W - 1 downto 0));
  busy      <= running;
end architecture fsmd;
