-- y = a + 1 three cycles after the edge that takes start, with done for one
-- cycle, y_copy a concurrent copy of the result register written at the same
-- edge as done, and y_late the result one cycle after done. Architecture
-- held_done: after its first result done stays '1' for ever.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity step_done is
  port (
    clk    : in  std_logic;
    reset  : in  std_logic;
    start  : in  std_logic;
    a      : in  unsigned(7 downto 0);
    y_copy : out unsigned(7 downto 0);
    y_late : out unsigned(7 downto 0);
    done   : out std_logic
  );
end entity step_done;

architecture fsmd of step_done is
  signal count  : natural range 0 to 3 := 0;
  signal result : unsigned(7 downto 0) := (others => '0');
  signal ended  : std_logic := '0';
begin
  -- Counts three cycles from start, then writes the result and done.
  machine : process (clk)
  begin
    if rising_edge(clk) then
      done <= '0';
      if ended = '1' then
        y_late <= result;
      end if;
      ended <= '0';
      if reset = '1' then
        count <= 0;
      elsif count = 0 then
        if start = '1' then
          count <= 1;
        end if;
      elsif count = 3 then
        result <= a + 1;
        done   <= '1';
        ended  <= '1';
        count  <= 0;
      else
        count <= count + 1;
      end if;
    end if;
  end process machine;

  y_copy <= result;
end architecture fsmd;

architecture held_done of step_done is
  signal count  : natural range 0 to 3 := 0;
  signal result : unsigned(7 downto 0) := (others => '0');
begin
  -- As fsmd, but done never falls once it rose.
  machine : process (clk)
  begin
    if rising_edge(clk) then
      if reset = '1' then
        count <= 0;
        done  <= '0';
      elsif count = 0 then
        if start = '1' then
          count <= 1;
        end if;
      elsif count = 3 then
        result <= a + 1;
        done   <= '1';
        count  <= 0;
      else
        count <= count + 1;
      end if;
    end if;
  end process machine;

  y_copy <= result;
  y_late <= result;
end architecture held_done;
