-- Test design with 16-, 1- and 64-bit ports: y = c + a when add = '1', else
-- c - a (a sign-extended); carry is the carry (add) or borrow out of bit 63.
-- Takes one cycle per set bit of a's low nibble, plus two.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity mixed_widths is
  port (
    clk   : in  std_logic;
    reset : in  std_logic;
    start : in  std_logic;
    a     : in  signed(15 downto 0);
    add   : in  std_logic;
    c     : in  unsigned(63 downto 0);
    y     : out std_logic_vector(63 downto 0);
    carry : out std_logic;
    done  : out std_logic;
    ready : out std_logic
  );
end entity mixed_widths;

architecture fsmd of mixed_widths is
  type state_t is (st_idle, st_wait, st_compute);
  signal state : state_t;
  signal delay : unsigned(3 downto 0);
begin
  control : process (clk)
    variable wide : unsigned(64 downto 0);
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
              delay <= unsigned(a(3 downto 0));
              state <= st_wait;
            end if;
          when st_wait =>
            if delay = 0 then
              state <= st_compute;
            else
              delay <= shift_right(delay, 1);
            end if;
          when st_compute =>
            if add = '1' then
              wide := ('0' & c) + unsigned(resize(a, 65));
            else
              wide := ('0' & c) - unsigned(resize(a, 65));
            end if;
            y     <= std_logic_vector(wide(63 downto 0));
            carry <= wide(64);
            done  <= '1';
            state <= st_idle;
        end case;
      end if;
    end if;
  end process control;
end architecture fsmd;
