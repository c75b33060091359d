-- Passes on, in order, the values of its input stream that are at least
-- limit; n says how many values a call reads. One output register: a new
-- value is taken only when that register is empty or being emptied.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity stream_filter is
  port (
    clk     : in  std_logic;
    reset   : in  std_logic;
    start   : in  std_logic;
    n       : in  unsigned(7 downto 0);
    limit   : in  unsigned(15 downto 0);
    x       : in  unsigned(15 downto 0);
    x_valid : in  std_logic;
    x_ready : out std_logic;
    y       : out unsigned(15 downto 0);
    y_valid : out std_logic;
    y_ready : in  std_logic;
    done    : out std_logic
  );
end entity stream_filter;

architecture fsmd of stream_filter is
  type state_t is (st_idle, st_run, st_done, st_rest);
  signal state     : state_t;
  signal remaining : unsigned(7 downto 0);
  signal bound     : unsigned(15 downto 0);
  signal out_value : unsigned(15 downto 0);
  signal out_full  : std_logic;
  signal take      : std_logic;
begin
  take <= '1' when state = st_run and remaining /= 0 and (out_full = '0' or y_ready = '1') else '0';

  -- Counts the values taken; done once all n are taken and the last one
  -- passed on has left.
  control : process (clk)
  begin
    if rising_edge(clk) then
      if reset = '1' then
        state    <= st_idle;
        out_full <= '0';
      else
        if out_full = '1' and y_ready = '1' then
          out_full <= '0';
        end if;
        case state is
          when st_idle =>
            if start = '1' then
              remaining <= n;
              bound     <= limit;
              state     <= st_run;
            end if;
          when st_run =>
            if take = '1' and x_valid = '1' then
              remaining <= remaining - 1;
              if x >= bound then
                out_value <= x;
                out_full  <= '1';
              end if;
            elsif remaining = 0 and out_full = '0' then
              state <= st_done;
            end if;
          when st_done =>
            state <= st_rest;
          when st_rest =>
            state <= st_idle;
        end case;
      end if;
    end if;
  end process control;

  x_ready <= take;
  y       <= out_value;
  y_valid <= out_full;
  done    <= '1' when state = st_done else '0';
end architecture fsmd;
