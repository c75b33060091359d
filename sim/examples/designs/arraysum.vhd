-- Example design arraysum: fills a 10-word array with in1 shifted right arithmetically by 0 to 9 places and sums it.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;
use work.arraysum_types.all;

entity arraysum is
  port (
    clk   : in  std_logic;
    reset : in  std_logic;
    start : in  std_logic;
    in1   : in  std_logic_vector(31 downto 0);
    out1  : out std_logic_vector(31 downto 0);
    done  : out std_logic;
    ready : out std_logic
  );
end entity arraysum;

-- The sum wraps at 32 bits. It stops at the first zero word: every later
-- word is zero too (a shift of a non-negative value only shrinks it), so the
-- latency depends on the magnitude of in1.
architecture fsmd of arraysum is
  type state_type is (st_idle, st_sum);
  signal state : state_type;
  signal words : arr_type;
  signal index : integer range 0 to 10;
  signal total : signed(31 downto 0);
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
              for i in 0 to 9 loop
                words(i) <= std_logic_vector(shift_right(signed(in1), i));
              end loop;
              index <= 0;
              total <= to_signed(0, 32);
              state <= st_sum;
            end if;
          when st_sum =>
            if index = 10 then
              out1  <= std_logic_vector(total);
              done  <= '1';
              state <= st_idle;
            elsif signed(words(index)) = 0 then
              out1  <= std_logic_vector(total);
              done  <= '1';
              state <= st_idle;
            else
              total <= total + signed(words(index));
              index <= index + 1;
            end if;
        end case;
      end if;
    end if;
  end process control;
end architecture fsmd;
