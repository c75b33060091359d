library ieee; use ieee.std_logic_1164.all; use ieee.numeric_std.all;
entity pt is
  port (clk, reset, start : in std_logic;
        x : in std_logic_vector(7 downto 0);
        u : out unsigned(7 downto 0);
        s : out signed(7 downto 0);
        w : out std_logic_vector(15 downto 0);
        acc : out std_logic_vector(7 downto 0);
        done : out std_logic);
end entity;
architecture fsmd of pt is
  type st_t is (st_idle, st_work, st_fin, st_never);
  signal st : st_t := st_idle;
  signal a : unsigned(7 downto 0) := (others => '0');
begin
  acc <= std_logic_vector(a);
  process (clk) begin
    if rising_edge(clk) then
      if reset = '1' then st <= st_idle; done <= '0'; a <= (others => '0');
      else
        done <= '0';
        case st is
          when st_idle => if start = '1' then st <= st_work; end if;
          when st_work =>
            u <= unsigned(x); s <= signed(x); w <= x & x;
            a <= a + unsigned(x);
            if x = "11111111" and a = "11111111" then st <= st_never; else st <= st_fin; end if;
            done <= '1';
          when st_fin => st <= st_idle;
          when st_never => st <= st_idle;
        end case;
      end if;
    end if;
  end process;
end architecture;
