library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

-- passes on x+1 for every x that is not a multiple of 3; drops the others
entity keep_nonmult3 is
  port (clk      : in  std_logic;
        reset    : in  std_logic;
        x        : in  std_logic_vector(7 downto 0);
        x_valid  : in  std_logic;
        x_ready  : out std_logic;
        y        : out std_logic_vector(8 downto 0);
        y_valid  : out std_logic;
        y_ready  : in  std_logic);
end entity;

architecture fsmd of keep_nonmult3 is
  signal full : std_logic := '0';
  signal yr   : std_logic_vector(8 downto 0);
  signal take : std_logic;
begin
  take    <= x_valid and (not full or y_ready);
  x_ready <= not full or y_ready;
  y       <= yr;
  y_valid <= full;
  process (clk, reset) begin
    if reset = '1' then
      full <= '0';
    elsif rising_edge(clk) then
      if y_ready = '1' and full = '1' then full <= '0'; end if;
      if take = '1' then
        if to_integer(unsigned(x)) mod 3 /= 0 then
          yr   <= std_logic_vector(resize(unsigned(x), 9) + 1);
          full <= '1';
        end if;
      end if;
    end if;
  end process;
end architecture;
