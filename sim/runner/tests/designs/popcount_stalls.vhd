-- popcount that stalls for ever, its clock running, on the input DEADBEEF:
-- a run with that input goes on until its stop time, the lines of the
-- stall counted on every cycle; without it, they never run.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;
use work.popcount_types.all;

entity popcount is
  port (
    clk    : in  std_logic;
    reset  : in  std_logic;
    start  : in  std_logic;
    inp    : in  std_logic_vector(31 downto 0);
    d_1236 : out std_logic_vector(31 downto 0);
    done   : out std_logic;
    ready  : out std_logic
  );
end entity popcount;

architecture fsmd of popcount is
  signal state : popcount_state_type;
  signal rest  : unsigned(31 downto 0);
  signal count : unsigned(31 downto 0);
begin
  control : process (clk)
  begin
    if rising_edge(clk) then
      if reset = '1' then
        state <= st_idle;
        done  <= '0';
        ready <= '1';
      else
        done <= '0';
        case state is
          when st_idle =>
            ready <= '1';
            if start = '1' then
              ready <= '0';
              rest  <= unsigned(inp);
              count <= to_unsigned(0, 32);
              state <= st_scan;
            end if;
          when st_scan =>
            if unsigned(inp) = x"DEADBEEF" then
              count <= count + 1;  -- stalled
            elsif rest = 0 then
              d_1236 <= std_logic_vector(count);
              done   <= '1';
              state  <= st_idle;
            else
              if rest(0) = '1' then
                count <= count + 1;
              end if;
              rest <= shift_right(rest, 1);
            end if;
        end case;
      end if;
    end if;
  end process control;
end architecture fsmd;
