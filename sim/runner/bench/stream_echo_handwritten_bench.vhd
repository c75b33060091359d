-- A stream bench as one writes it by hand for stream_echo: reads the
-- values to send (x.txt) and those expected (y.txt), one hexadecimal value
-- a line, offers each until taken, takes and compares each output, and
-- reports the count of differences. The stream benchmark's yardstick.
library ieee;
use ieee.std_logic_1164.all;
use std.textio.all;
use work.std_logic_textio.all;

entity stream_echo_handwritten_bench is
end entity stream_echo_handwritten_bench;

architecture tb_arch of stream_echo_handwritten_bench is
  signal clk, reset           : std_logic := '0';
  signal x, y                 : std_logic_vector(11 downto 0);
  signal x_valid, x_ready     : std_logic := '0';
  signal x_last, y_last       : std_logic := '0';
  signal y_valid, y_ready     : std_logic := '0';
  signal finished             : boolean := false;
  file xs : text open read_mode is "x.txt";
  file ys : text open read_mode is "y.txt";
begin
  uut : entity work.stream_echo
    port map (clk => clk, reset => reset, x => x, x_valid => x_valid, x_ready => x_ready,
              x_last => x_last, y => y, y_valid => y_valid, y_ready => y_ready, y_last => y_last);

  clk   <= not clk after 5 ns when not finished;
  reset <= '1', '0' after 10 ns;

  send : process
    variable l : line;
    variable v : std_logic_vector(11 downto 0);
  begin
    wait until reset = '0';
    while not endfile(xs) loop
      readline(xs, l);
      hread(l, v);
      x       <= v;
      x_valid <= '1';
      x_last  <= '0';
      if endfile(xs) then
        x_last <= '1';
      end if;
      loop
        wait until rising_edge(clk);
        exit when x_ready = '1';
      end loop;
    end loop;
    x_valid <= '0';
    wait;
  end process send;

  take : process
    variable l       : line;
    variable v       : std_logic_vector(11 downto 0);
    variable wrong   : natural := 0;
  begin
    y_ready <= '1';
    wait until reset = '0';
    while not endfile(ys) loop
      readline(ys, l);
      hread(l, v);
      loop
        wait until rising_edge(clk);
        exit when y_valid = '1';
      end loop;
      if y /= v then
        wrong := wrong + 1;
      end if;
    end loop;
    report "differences: " & integer'image(wrong);
    finished <= true;
    wait;
  end process take;
end architecture tb_arch;
