-- Test design for the pulsed start and an active-low reset with renamed
-- control ports: starts counts the rising edges with ap_start = '1' since the
-- last ap_done, the one that started the computation included, so a bench
-- that pulses start once per test sees 1; sum = a + b after three cycles.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity start_pulses is
  port (
    ap_clk   : in  std_logic;
    ap_rst_n : in  std_logic;
    ap_start : in  std_logic;
    a        : in  unsigned(7 downto 0);
    b        : in  unsigned(7 downto 0);
    sum      : out unsigned(8 downto 0);
    starts   : out unsigned(3 downto 0);
    ap_done  : out std_logic;
    ap_idle  : out std_logic
  );
end entity start_pulses;

architecture rtl of start_pulses is
  signal step  : natural range 0 to 3;
  signal count : unsigned(3 downto 0);
begin
  control : process (ap_clk)
  begin
    if rising_edge(ap_clk) then
      if ap_rst_n = '0' then
        step    <= 0;
        count   <= (others => '0');
        ap_done <= '0';
        ap_idle <= '1';
      else
        ap_done <= '0';
        if ap_start = '1' then
          count <= count + 1;
        end if;
        case step is
          when 0 =>
            if ap_start = '1' then
              ap_idle <= '0';
              step    <= 1;
            end if;
          when 3 =>
            sum     <= resize(a, 9) + resize(b, 9);
            starts  <= count + ("000" & ap_start);
            count   <= (others => '0');
            ap_done <= '1';
            ap_idle <= '1';
            step    <= 0;
          when others =>
            step <= step + 1;
        end case;
      end if;
    end if;
  end process control;
end architecture rtl;
