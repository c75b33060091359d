-- Designs the generated bench cannot check yet, one entity each, as the
-- simulation guide's "What is still out of reach" lists them.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

-- The result register runs on a second clock, which the bench does not drive.
entity two_clocks is
  port (
    clk, clk_out, reset, start : in  std_logic;
    x                          : in  unsigned(7 downto 0);
    y                          : out unsigned(7 downto 0);
    done                       : out std_logic
  );
end entity two_clocks;

architecture fsmd of two_clocks is
  signal sum      : unsigned(7 downto 0);
  signal finished : std_logic := '0';
begin
  -- One cycle per test: done rises at every second edge under a held start.
  core : process (clk)
  begin
    if rising_edge(clk) then
      sum      <= x + 1;
      finished <= start and not finished;
    end if;
  end process core;
  done <= finished;

  output : process (clk_out)
  begin
    if rising_edge(clk_out) then
      y <= sum;
    end if;
  end process output;
end architecture fsmd;

library ieee;
use ieee.std_logic_1164.all;

entity shared_bus is
  port (
    clk, reset, start : in    std_logic;
    data              : inout std_logic_vector(7 downto 0);
    done              : out   std_logic
  );
end entity shared_bus;

architecture fsmd of shared_bus is
begin
  data <= (others => 'Z');
  done <= start;
end architecture fsmd;

library ieee;
use ieee.std_logic_1164.all;

entity real_gain is
  port (
    clk, reset, start : in  std_logic;
    x                 : in  real;
    y                 : out real;
    done              : out std_logic
  );
end entity real_gain;

architecture fsmd of real_gain is
begin
  y    <= 2.0 * x;
  done <= start;
end architecture fsmd;

library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;
use ieee.math_real.all;

-- The index's width is the base-2 logarithm of N, computed by functions.
entity log_width is
  generic (
    N : positive := 16
  );
  port (
    clk, reset, start : in  std_logic;
    x                 : in  unsigned(N - 1 downto 0);
    index             : out unsigned(integer(ceil(log2(real(N)))) - 1 downto 0);
    done              : out std_logic
  );
end entity log_width;

architecture fsmd of log_width is
begin
  index <= (others => '0');
  done  <= start;
end architecture fsmd;

library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

-- Gives a new result every cycle and never says when one is ready.
entity no_completion is
  port (
    clk, reset, start : in  std_logic;
    x                 : in  unsigned(7 downto 0);
    y                 : out unsigned(7 downto 0)
  );
end entity no_completion;

architecture fsmd of no_completion is
begin
  step : process (clk)
  begin
    if rising_edge(clk) then
      y <= x + 1;
    end if;
  end process step;
end architecture fsmd;

library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

-- A pipeline that takes an input at every edge; done is the valid flag of
-- its output register and stays '1' while results follow each other.
entity every_cycle is
  port (
    clk, reset, start : in  std_logic;
    x                 : in  unsigned(7 downto 0);
    y                 : out unsigned(7 downto 0);
    ready             : out std_logic;
    done              : out std_logic
  );
end entity every_cycle;

architecture fsmd of every_cycle is
begin
  step : process (clk)
  begin
    if rising_edge(clk) then
      if reset = '1' then
        done <= '0';
      else
        done <= start;
      end if;
      y <= x + 1;
    end if;
  end process step;
  ready <= '1';
end architecture fsmd;
