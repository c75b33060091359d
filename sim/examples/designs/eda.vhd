-- Example design eda: approximates the Euclidean distance of two signed inputs as max(0.875x + 0.5y, x), x = max(|in1|, |in2|), y = min(|in1|, |in2|).
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;
use work.eda_types.all;

entity eda is
  port (
    clk   : in  std_logic;
    reset : in  std_logic;
    start : in  std_logic;
    in1   : in  std_logic_vector(31 downto 0);
    in2   : in  std_logic_vector(31 downto 0);
    out1  : out std_logic_vector(31 downto 0);
    done  : out std_logic;
    ready : out std_logic
  );
end entity eda;

-- All arithmetic wraps at 32 bits, as the C model's int32_t does; the latency
-- depends on the signs of the inputs (a negation step per negative input).
architecture fsmd of eda is
  signal state : eda_state_type;
  -- a ends as x, the larger magnitude; b as y, then as the blend.
  signal a, b  : signed(31 downto 0);
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
              a     <= signed(in1);
              b     <= signed(in2);
              if signed(in1) < 0 then
                state <= st_abs1;
              elsif signed(in2) < 0 then
                state <= st_abs2;
              else
                state <= st_order;
              end if;
            end if;
          when st_abs1 =>
            a <= -a;
            if b < 0 then
              state <= st_abs2;
            else
              state <= st_order;
            end if;
          when st_abs2 =>
            b     <= -b;
            state <= st_order;
          when st_order =>
            if a < b then
              a <= b;
              b <= a;
            end if;
            state <= st_blend;
          when st_blend =>
            b     <= a - shift_right(a, 3) + shift_right(b, 1);
            state <= st_finish;
          when st_finish =>
            if b > a then
              out1 <= std_logic_vector(b);
            else
              out1 <= std_logic_vector(a);
            end if;
            done  <= '1';
            state <= st_idle;
        end case;
      end if;
    end if;
  end process control;
end architecture fsmd;
