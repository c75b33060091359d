-- Test design for state coverage: six states, arms in another order than
-- the type's. y = a + b after st_add, a - b after st_sub, a xor b after
-- st_mix (via st_wait), and FF at once from st_full when a = FF, which the
-- coverage tests' vectors never give. odd tells whether op is odd: a case
-- over a std_logic_vector, which is no state machine.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity fsm_states is
  port (
    clk   : in  std_logic;
    reset : in  std_logic;
    start : in  std_logic;
    a     : in  unsigned(7 downto 0);
    b     : in  unsigned(7 downto 0);
    op    : in  std_logic_vector(1 downto 0);
    y     : out unsigned(7 downto 0);
    odd   : out std_logic;
    done  : out std_logic
  );
end entity fsm_states;

architecture fsmd of fsm_states is
  type state_t is (st_idle, st_add, st_sub, st_mix, st_wait, st_full);
  signal state : state_t;
begin
  -- The state machine: one arm per state, each ending in st_idle.
  control : process (clk)
  begin
    if rising_edge(clk) then
      if reset = '1' then
        state <= st_idle;
        done  <= '0';
      else
        done <= '0';
        case state is
          when st_wait =>
            state <= st_idle;
            done  <= '1';
          when st_idle =>
            if start = '1' then
              if a = x"FF" then
                state <= st_full;
              elsif op = "00" then
                state <= st_add;
              elsif op = "01" then
                state <= st_sub;
              else
                state <= st_mix;
              end if;
            end if;
          when st_full =>
            y     <= x"FF";
            done  <= '1';
            state <= st_idle;
          when st_sub =>
            y     <= a - b;
            done  <= '1';
            state <= st_idle;
          when st_add =>
            y     <= a + b;
            done  <= '1';
            state <= st_idle;
          when st_mix =>
            y     <= a xor b;
            state <= st_wait;
        end case;
      end if;
    end if;
  end process control;

  -- Not a state machine: a case over a vector, with `when others`.
  parity : process (op)
  begin
    case op is
      when "01" | "11" =>
        odd <= '1';
      when others =>
        odd <= '0';
    end case;
  end process parity;
end architecture fsmd;
