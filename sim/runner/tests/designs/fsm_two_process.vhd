-- Test design for state coverage: a two-process state machine (state and
-- next_state) and a machine held in a variable. y counts a's set bits
-- (the two-process machine); busy is high while the variable machine waits
-- for start to fall.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity fsm_two_process is
  port (
    clk   : in  std_logic;
    reset : in  std_logic;
    start : in  std_logic;
    a     : in  std_logic;
    busy  : out std_logic;
    done  : out std_logic
  );
end entity fsm_two_process;

architecture fsmd of fsm_two_process is
  type phase_t is (ph_idle, ph_run, ph_done);
  signal state, next_state : phase_t;
begin
  -- The state register.
  registers : process (clk)
  begin
    if rising_edge(clk) then
      if reset = '1' then
        state <= ph_idle;
      else
        state <= next_state;
      end if;
    end if;
  end process registers;

  -- The next state, from the state and the inputs.
  transitions : process (state, start, a)
  begin
    next_state <= state;
    done <= '0';
    case state is
      when ph_idle =>
        if start = '1' and a = '1' then
          next_state <= ph_run;
        end if;
      when ph_run =>
        next_state <= ph_done;
      when ph_done =>
        done <= '1';
        next_state <= ph_idle;
    end case;
  end process transitions;

  -- A machine in a variable: busy from start until start falls.
  handshake : process (clk)
    type wait_t is (w_low, w_high);
    variable phase : wait_t := w_low;
  begin
    if rising_edge(clk) then
      case phase is
        when w_low =>
          if start = '1' then
            phase := w_high;
          end if;
        when w_high =>
          if start = '0' then
            phase := w_low;
          end if;
      end case;
      if phase = w_high then
        busy <= '1';
      else
        busy <= '0';
      end if;
    end if;
  end process handshake;
end architecture fsmd;
