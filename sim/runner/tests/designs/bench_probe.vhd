-- Probe of the generated bench's timing: reports what it saw of reset, start and done.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity bench_probe is
  port (
    clk      : in  std_logic;
    reset    : in  std_logic;
    start    : in  std_logic;
    a        : in  std_logic_vector(7 downto 0);
    nreset   : out std_logic_vector(7 downto 0);  -- rising edges seen with reset at '1'
    nstart   : out std_logic_vector(7 downto 0);  -- edges with start at '1' since the last completion
    y        : out std_logic_vector(7 downto 0);  -- a, registered at completion
    ylate    : out std_logic_vector(7 downto 0);  -- y one delta cycle after done
    in_reset : out std_logic;
    done     : out std_logic);
end entity bench_probe;

-- Three cycles per test from the first edge that sees start; done for one cycle.
architecture fsmd of bench_probe is
  signal resets : unsigned(7 downto 0) := (others => '0');
  signal starts : unsigned(7 downto 0) := (others => '0');
  signal y_reg  : std_logic_vector(7 downto 0) := (others => '0');
  signal state  : natural range 0 to 2 := 0;
begin
  ylate    <= y_reg;
  in_reset <= reset;

  -- The whole machine: counts what it sees, completes two edges after start.
  machine : process (clk)
    variable seen : unsigned(7 downto 0);
  begin
    if rising_edge(clk) then
      done <= '0';
      if reset = '1' then
        resets <= resets + 1;
        starts <= (others => '0');
        state  <= 0;
      else
        seen := starts;
        if start = '1' then
          seen := seen + 1;
        end if;
        starts <= seen;
        case state is
          when 0 =>
            if start = '1' then
              state <= 1;
            end if;
          when 1 =>
            state <= 2;
          when 2 =>
            y      <= a;
            y_reg  <= a;
            nreset <= std_logic_vector(resets);
            nstart <= std_logic_vector(seen);
            starts <= (others => '0');
            done   <= '1';
            state  <= 0;
        end case;
      end if;
    end if;
  end process machine;
end architecture fsmd;

-- Completes once, then keeps done at '1'.
architecture done_high of bench_probe is
  signal state : natural range 0 to 3 := 0;
begin
  nreset   <= (others => '0');
  nstart   <= (others => '0');
  ylate    <= (others => '0');
  in_reset <= reset;

  -- Two edges after start, done rises and stays.
  machine : process (clk)
  begin
    if rising_edge(clk) then
      if reset = '1' then
        done  <= '0';
        state <= 0;
      elsif state < 3 then
        if state > 0 or start = '1' then
          state <= state + 1;
        end if;
        if state = 2 then
          y    <= a;
          done <= '1';
        end if;
      end if;
    end if;
  end process machine;
end architecture done_high;

-- done follows reset: '1' during reset only; outputs show the inputs at once.
architecture done_in_reset of bench_probe is
begin
  nreset   <= (others => '0');
  nstart   <= (others => '0');
  y        <= a;
  ylate    <= a;
  in_reset <= reset;
  done     <= reset;
end architecture done_in_reset;
