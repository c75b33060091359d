-- A pipeline: y = a * 3 + b, STAGES register stages, a new input every
-- INTERVAL cycles (ready falls for INTERVAL - 1 cycles after each input it
-- takes), done marks the cycle a result leaves the pipeline; with LATE = 1
-- y is a register that takes the result at the edge after done.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity step_pipe is
  generic (
    STAGES   : positive := 5;
    INTERVAL : positive := 2;
    LATE     : natural range 0 to 1 := 0
  );
  port (
    clk   : in  std_logic;
    reset : in  std_logic;
    start : in  std_logic;
    a     : in  unsigned(7 downto 0);
    b     : in  unsigned(7 downto 0);
    y     : out unsigned(9 downto 0);
    ready : out std_logic;
    done  : out std_logic
  );
end entity step_pipe;

architecture fsmd of step_pipe is
  type values is array (1 to STAGES) of unsigned(9 downto 0);
  signal stage : values;
  signal valid : std_logic_vector(1 to STAGES);
  signal wait_left : natural range 0 to INTERVAL;
  signal result, result_late : unsigned(9 downto 0);
begin
  -- The stages move every cycle; an input is taken at an edge with start and
  -- ready at '1'.
  pipeline : process (clk)
  begin
    if rising_edge(clk) then
      if reset = '1' then
        valid     <= (others => '0');
        wait_left <= 0;
      else
        if start = '1' and wait_left = 0 then
          valid(1)  <= '1';
          wait_left <= INTERVAL - 1;
        else
          valid(1) <= '0';
          if wait_left /= 0 then
            wait_left <= wait_left - 1;
          end if;
        end if;
        valid(2 to STAGES) <= valid(1 to STAGES - 1);
      end if;
      stage(1) <= resize(a * 3, 10) + b;
      stage(2 to STAGES) <= stage(1 to STAGES - 1);
      if valid(STAGES) = '1' then
        result_late <= stage(STAGES);
      end if;
    end if;
  end process pipeline;

  result <= stage(STAGES);
  y      <= result when LATE = 0 else result_late;
  ready  <= '1' when wait_left = 0 else '0';
  done   <= valid(STAGES);
end architecture fsmd;
