-- Test design for state coverage: a case over every value of its state
-- type, without `when others`, with two states sharing one arm. y = 2a when
-- op = '1', else a / 2, one cycle in st_idle, one in st_double or st_halve,
-- one in st_out. st_idle starts a test without looking at start, which the
-- bench holds at '1', so that every branch of the design can be taken.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity fsm_full is
  port (
    clk   : in  std_logic;
    reset : in  std_logic;
    start : in  std_logic;
    a     : in  unsigned(7 downto 0);
    op    : in  std_logic;
    y     : out unsigned(7 downto 0);
    done  : out std_logic
  );
end entity fsm_full;

architecture fsmd of fsm_full is
  type state_t is (st_idle, st_double, st_halve, st_out);
  signal state : state_t;
  signal acc   : unsigned(7 downto 0);
begin
  -- The state machine: st_double and st_halve share an arm.
  control : process (clk)
  begin
    if rising_edge(clk) then
      if reset = '1' then
        state <= st_idle;
        done  <= '0';
      else
        done <= '0';
        case state is
          when st_idle =>
            acc <= a;
            if op = '1' then
              state <= st_double;
            else
              state <= st_halve;
            end if;
          when st_double | st_halve =>
            if state = st_double then
              acc <= shift_left(acc, 1);
            else
              acc <= shift_right(acc, 1);
            end if;
            state <= st_out;
          when st_out =>
            y     <= acc;
            done  <= '1';
            state <= st_idle;
        end case;
      end if;
    end if;
  end process control;
end architecture fsmd;
