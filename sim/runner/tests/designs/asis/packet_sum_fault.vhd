-- Dataflow adder with neither start nor done: sums each packet of its input
-- stream (din_last marks a packet's final value) and sends the sum on its
-- output stream.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity packet_sum is
  port (
    clk        : in  std_logic;
    reset      : in  std_logic;
    din        : in  std_logic_vector(15 downto 0);
    din_valid  : in  std_logic;
    din_ready  : out std_logic;
    din_last   : in  std_logic;
    dout       : out std_logic_vector(19 downto 0);
    dout_valid : out std_logic;
    dout_ready : in  std_logic
  );
end entity packet_sum;

architecture fsmd of packet_sum is
  signal acc      : unsigned(19 downto 0);
  signal total    : unsigned(19 downto 0);
  signal pending  : std_logic;
  signal can_take : std_logic;
begin
  -- A packet's sum waits in total until it is taken; meanwhile no input is
  -- taken.
  can_take <= not pending;

  accumulate : process (clk)
  begin
    if rising_edge(clk) then
      if reset = '1' then
        acc     <= (others => '0');
        pending <= '0';
      else
        if pending = '1' and dout_ready = '1' then
          pending <= '0';
        end if;
        if can_take = '1' and din_valid = '1' then
          if din_last = '1' then
            total   <= acc + unsigned(din);
            pending <= '1';
            null;
          else
            acc <= acc + unsigned(din);
          end if;
        end if;
      end if;
    end if;
  end process accumulate;

  din_ready  <= can_take;
  dout       <= std_logic_vector(total);
  dout_valid <= pending;
end architecture fsmd;
