-- Example design qmac: y = c + a * b on Q8.8 operands, rounded to Q8.8 and saturated; sat = '1' when it saturated.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity qmac is
  port (
    clk   : in  std_logic;
    reset : in  std_logic;
    start : in  std_logic;
    a     : in  signed(15 downto 0);
    b     : in  signed(15 downto 0);
    c     : in  signed(15 downto 0);
    y     : out signed(15 downto 0);
    sat   : out std_logic;
    done  : out std_logic;
    ready : out std_logic
  );
end entity qmac;

architecture fsmd of qmac is
  type state_t is (st_idle, st_multiply, st_accumulate, st_round, st_saturate);
  signal state   : state_t;
  signal a_r     : signed(15 downto 0);
  signal b_r     : signed(15 downto 0);
  signal c_r     : signed(15 downto 0);
  -- Q16.16 and wider: the product and the sum are exact, one rounding at the end.
  signal product : signed(33 downto 0);
  signal sum     : signed(33 downto 0);
  -- Q.8 after rounding, before saturation.
  signal rounded : signed(33 downto 0);
  constant y_max : signed(33 downto 0) := to_signed(32767, 34);
  constant y_min : signed(33 downto 0) := to_signed(-32768, 34);
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
              a_r   <= a;
              b_r   <= b;
              c_r   <= c;
              state <= st_multiply;
            end if;
          when st_multiply =>
            product <= resize(a_r * b_r, 34);
            state   <= st_accumulate;
          when st_accumulate =>
            sum   <= product + shift_left(resize(c_r, 34), 8);
            state <= st_round;
          when st_round =>
            -- Half a least significant bit, then drop 8 fraction bits:
            -- ties go toward plus infinity.
            rounded <= shift_right(sum + 128, 8);
            state   <= st_saturate;
          when st_saturate =>
            if rounded > y_max then
              y   <= y_max(15 downto 0);
              sat <= '1';
            elsif rounded < y_min then
              y   <= y_min(15 downto 0);
              sat <= '1';
            else
              y   <= rounded(15 downto 0);
              sat <= '0';
            end if;
            done  <= '1';
            state <= st_idle;
        end case;
      end if;
    end if;
  end process control;
end architecture fsmd;
