-- y = 3 * x + 1 in three states, with the control ports high-level
-- synthesis writes: ap_done and ap_ready in the last state, and ap_idle '1'
-- in the first state only while ap_start is '0', so it falls as soon as the
-- bench raises start, half a period before the edge that takes it. The
-- last state ignores ap_start: a start pulse at the edge at which ap_done
-- stands at '1' is lost.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity step_hls is
  port (
    ap_clk, ap_rst, ap_start    : in  std_logic;
    ap_done, ap_idle, ap_ready  : out std_logic;
    x                           : in  std_logic_vector(7 downto 0);
    ap_return                   : out std_logic_vector(7 downto 0)
  );
end entity step_hls;

architecture behav of step_hls is
  signal state  : natural range 1 to 3 := 1;
  signal x_read : unsigned(7 downto 0) := (others => '0');
  signal t      : unsigned(7 downto 0) := (others => '0');
begin
  -- state 1 waits for ap_start, 2 computes, 3 hands out the result.
  machine : process (ap_clk)
  begin
    if rising_edge(ap_clk) then
      if ap_rst = '1' then
        state <= 1;
      else
        case state is
          when 1 =>
            if ap_start = '1' then
              x_read <= unsigned(x);
              state  <= 2;
            end if;
          when 2 =>
            t     <= shift_left(x_read, 1) + x_read;
            state <= 3;
          when 3 =>
            state <= 1;
        end case;
      end if;
    end if;
  end process machine;

  ap_done   <= '1' when state = 3 else '0';
  ap_ready  <= '1' when state = 3 else '0';
  ap_idle   <= '1' when ap_start = '0' and state = 1 else '0';
  ap_return <= std_logic_vector(t + 1);
end architecture behav;
