-- Test design bound to the popcount bench: counts the set bits in one cycle and raises done on the first rising edge after done fell; with holds_done_after > 0 it keeps done at '1' for ever after that many results, with never_done it never raises done.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity popcount is
  generic (
    holds_done_after : natural := 0;
    never_done       : boolean := false
  );
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
  type state_type is (st_idle, st_rest, st_stuck);
  signal state : state_type;
begin
  ready <= '1';

  control : process (clk)
    variable count   : natural;
    variable results : natural := 0;
  begin
    if rising_edge(clk) then
      if reset = '1' then
        state <= st_idle;
        done  <= '0';
      else
        case state is
          when st_idle =>
            if start = '1' and not never_done then
              count := 0;
              for i in inp'range loop
                if inp(i) = '1' then
                  count := count + 1;
                end if;
              end loop;
              d_1236  <= std_logic_vector(to_unsigned(count, 32));
              done    <= '1';
              results := results + 1;
              if results = holds_done_after then
                state <= st_stuck;
              else
                state <= st_rest;
              end if;
            end if;
          when st_rest =>
            done  <= '0';
            state <= st_idle;
          when st_stuck =>
            done <= '1';
        end case;
      end if;
    end if;
  end process control;
end architecture fsmd;
