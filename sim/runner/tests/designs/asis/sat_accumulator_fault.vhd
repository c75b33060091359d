-- Adds a to itself n times, saturating at cap: a small state machine whose
-- states are an enumeration type, as a synthesis flow writes them.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity sat_accumulator is
  port (
    clk   : in  std_logic;
    reset : in  std_logic;
    start : in  std_logic;
    n     : in  unsigned(3 downto 0);
    a     : in  unsigned(7 downto 0);
    cap   : in  unsigned(11 downto 0);
    acc   : out unsigned(11 downto 0);
    done  : out std_logic
  );
end entity sat_accumulator;

architecture fsmd of sat_accumulator is
  type state_t is (st_idle, st_add, st_saturate, st_done);
  signal state : state_t;
  signal count : unsigned(3 downto 0);
  signal total : unsigned(11 downto 0);
begin
  -- One addition per cycle; a sum above cap ends the run at cap.
  control : process (clk)
  begin
    if rising_edge(clk) then
      if reset = '1' then
        state <= st_idle;
      else
        case state is
          when st_idle =>
            if start = '1' then
              total <= (others => '0');
              count <= n;
              state <= st_add;
            end if;
          when st_add =>
            if count = 0 then
              state <= st_done;
            elsif resize(total, 13) + a > cap then
              state <= st_saturate;
            else
              total <= total + a;
              count <= count - 1;
            end if;
          when st_saturate =>
            total <= total;
            state <= st_done;
          when st_done =>
            state <= st_idle;
        end case;
      end if;
    end if;
  end process control;

  acc  <= total;
  done <= '1' when state = st_done else '0';
end architecture fsmd;
