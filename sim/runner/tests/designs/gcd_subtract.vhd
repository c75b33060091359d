library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

-- Euclid by subtraction, one subtraction per cycle, as an HLS flow emits it.
entity gcd_subtract is
  port (clk   : in  std_logic;
        reset : in  std_logic;
        start : in  std_logic;
        a     : in  std_logic_vector(15 downto 0);
        b     : in  std_logic_vector(15 downto 0);
        g     : out std_logic_vector(15 downto 0);
        steps : out std_logic_vector(15 downto 0);
        done  : out std_logic);
end entity;

architecture fsmd of gcd_subtract is
  type state_t is (st_idle, st_run, st_zero);
  signal state : state_t;
  signal x, y, n : unsigned(15 downto 0);
  signal done_r : std_logic;
begin
  done <= done_r;
  process (clk)
  begin
    if rising_edge(clk) then
      if reset = '1' then
        state <= st_idle;
        done_r <= '0';
        x <= (others => '0');
        y <= (others => '0');
        n <= (others => '0');
        g <= (others => '0');
        steps <= (others => '0');
      else
        case state is
          when st_idle =>
            done_r <= '0';
            if start = '1' then
              x <= unsigned(a);
              y <= unsigned(b);
              n <= (others => '0');
              if unsigned(a) = 0 or unsigned(b) = 0 then
                state <= st_zero;
              else
                state <= st_run;
              end if;
            end if;
          when st_zero =>
            -- gcd(x,0)=x, gcd(0,y)=y
            if x = 0 then
              g <= std_logic_vector(y);
            else
              g <= std_logic_vector(x);
            end if;
            steps <= (others => '0');
            done_r <= '1';
            state <= st_idle;
          when st_run =>
            if x = y then
              g <= std_logic_vector(x);
              steps <= std_logic_vector(n);
              done_r <= '1';
              state <= st_idle;
            elsif x > y then
              x <= x - y;
              n <= n + 1;
            else
              y <= y - x;
              n <= n + 1;
            end if;
        end case;
      end if;
    end if;
  end process;
end architecture;
