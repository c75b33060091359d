-- stream_echo with handshake ports of other types than std_logic: x_valid
-- a bit, y_valid and y_ready booleans, as some flows emit them.
library ieee;
use ieee.std_logic_1164.all;

entity stream_echo_typed is
  generic (keep_last : boolean := true);
  port (
    clk     : in  std_logic;
    reset   : in  std_logic;
    x       : in  std_logic_vector(11 downto 0);
    x_valid : in  bit;
    x_ready : out std_logic;
    x_last  : in  std_logic;
    y       : out std_logic_vector(11 downto 0);
    y_valid : out boolean;
    y_ready : in  boolean;
    y_last  : out std_logic
  );
end entity stream_echo_typed;

architecture fsmd of stream_echo_typed is
  signal full : std_logic;
  signal take : std_logic;
begin
  take <= '1' when full = '0' or y_ready else '0';

  echo : process (clk)
  begin
    if rising_edge(clk) then
      if reset = '1' then
        full <= '0';
      else
        if full = '1' and y_ready then
          full <= '0';
        end if;
        if take = '1' and x_valid = '1' then
          y     <= x;
          full  <= '1';
          if keep_last then
            y_last <= x_last;
          else
            y_last <= '0';
          end if;
        end if;
      end if;
    end if;
  end process echo;

  x_ready <= take;
  y_valid <= full = '1';
end architecture fsmd;
