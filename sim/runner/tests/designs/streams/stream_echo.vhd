-- Passes each value of its input stream to its output stream, last with
-- it, through one register; no start, no done. With keep_last false it
-- never raises y_last: a fault the bench's check of last must catch.
library ieee;
use ieee.std_logic_1164.all;

entity stream_echo is
  generic (keep_last : boolean := true);
  port (
    clk     : in  std_logic;
    reset   : in  std_logic;
    x       : in  std_logic_vector(11 downto 0);
    x_valid : in  std_logic;
    x_ready : out std_logic;
    x_last  : in  std_logic;
    y       : out std_logic_vector(11 downto 0);
    y_valid : out std_logic;
    y_ready : in  std_logic;
    y_last  : out std_logic
  );
end entity stream_echo;

architecture fsmd of stream_echo is
  signal full : std_logic;
  signal take : std_logic;
begin
  take <= not full or y_ready;

  echo : process (clk)
  begin
    if rising_edge(clk) then
      if reset = '1' then
        full <= '0';
      else
        if full = '1' and y_ready = '1' then
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
  y_valid <= full;
end architecture fsmd;
