-- Multiply-accumulate pipeline: y = a * b + c, five register stages, a new
-- input every second cycle. ready says the next rising edge takes the inputs
-- when start is '1'; done marks the cycle a result leaves the pipeline.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity mac_pipeline is
  port (
    clk   : in  std_logic;
    reset : in  std_logic;
    start : in  std_logic;
    a     : in  unsigned(7 downto 0);
    b     : in  unsigned(7 downto 0);
    c     : in  unsigned(15 downto 0);
    y     : out unsigned(16 downto 0);
    ready : out std_logic;
    done  : out std_logic
  );
end entity mac_pipeline;

architecture fsmd of mac_pipeline is
  signal ready_r : std_logic;
  signal valid   : std_logic_vector(1 to 5);
  signal prod    : unsigned(15 downto 0);
  signal addend  : unsigned(15 downto 0);
  signal sum2    : unsigned(16 downto 0);
  signal sum3    : unsigned(16 downto 0);
  signal sum4    : unsigned(16 downto 0);
  signal result  : unsigned(16 downto 0);
begin
  -- The stages move every cycle; an input is taken only when ready, which
  -- drops for one cycle after each one taken (the multiplier is shared by
  -- two cycles in the circuit this models).
  stages : process (clk)
    variable take : std_logic;
  begin
    if rising_edge(clk) then
      if reset = '1' then
        ready_r <= '1';
        valid   <= (others => '0');
      else
        take    := start and ready_r;
        ready_r <= not take;
        valid   <= take & valid(1 to 4);
      end if;
      prod   <= a * b;
      addend <= '0' & c(14 downto 0);
      sum2   <= resize(prod, 17) + addend;
      sum3   <= sum2;
      sum4   <= sum3;
      result <= sum4;
    end if;
  end process stages;

  y     <= result;
  ready <= ready_r;
  done  <= valid(5);
end architecture fsmd;
