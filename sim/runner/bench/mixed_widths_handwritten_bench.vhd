-- Hand-written bench of the test design mixed_widths in the style of the kit's four benches, the baseline of the generated bench's speed.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;
use std.textio.all;
use work.std_logic_textio.all;

entity mixed_widths_handwritten_bench is
end entity mixed_widths_handwritten_bench;

architecture tb_arch of mixed_widths_handwritten_bench is
  signal clk   : std_logic;
  signal reset : std_logic;
  signal start : std_logic;
  signal a     : signed(15 downto 0);
  signal add   : std_logic;
  signal c     : unsigned(63 downto 0);
  signal y     : std_logic_vector(63 downto 0);
  signal carry : std_logic;
  signal done  : std_logic;
  signal ready : std_logic;
  signal ncycles : integer;

  constant clk_period : time := 10 ns;

  -- One test per line: a, add, c, y, carry as 4, 1, 16, 16 and 1 hexadecimal digits.
  file testdatafile : text open read_mode is "mixed_widths_test_data.txt";
  file resultsfile  : text open write_mode is "mixed_widths_handwritten_results.txt";
begin
  uut : entity work.mixed_widths(fsmd)
    port map (clk => clk, reset => reset, start => start, a => a, add => add, c => c,
              y => y, carry => carry, done => done, ready => ready);

  clk_gen_proc : process (clk)
  begin
    if clk = 'U' then
      clk <= '1';
    else
      clk <= not clk after clk_period / 2;
    end if;
  end process clk_gen_proc;

  reset_start_stim : process
  begin
    reset <= '1';
    start <= '0';
    wait for clk_period;
    reset <= '0';
    start <= '1';
    wait;
  end process reset_start_stim;

  profiling : process (clk, reset, done)
  begin
    if reset = '1' or done = '1' then
      ncycles <= 0;
    elsif clk = '1' and clk'event then
      ncycles <= ncycles + 1;
    end if;
  end process profiling;

  mixed_widths_bench : process
    variable a_v       : std_logic_vector(15 downto 0);
    variable add_v     : std_logic_vector(3 downto 0);
    variable c_v       : std_logic_vector(63 downto 0);
    variable y_ref     : std_logic_vector(63 downto 0);
    variable carry_ref : std_logic_vector(3 downto 0);
    variable testdata  : line;
    variable bufline   : line;
    variable ntests    : natural := 0;
    variable passed    : boolean := true;
  begin
    while not endfile(testdatafile) loop
      readline(testdatafile, testdata);
      ntests := ntests + 1;
      hread(testdata, a_v);
      a <= signed(a_v);
      hread(testdata, add_v);
      add <= add_v(0);
      hread(testdata, c_v);
      c <= unsigned(c_v);
      hread(testdata, y_ref);
      hread(testdata, carry_ref);

      wait until done = '1';

      if y /= y_ref or carry /= carry_ref(0) then
        passed := false;
        write(bufline, string'("MIXED_WIDTHS error: test "));
        write(bufline, ntests);
      else
        write(bufline, string'(" test "));
        write(bufline, ntests);
      end if;
      write(bufline, string'(" a="));
      hwrite(bufline, std_logic_vector(a));
      write(bufline, string'(" add="));
      write(bufline, add);
      write(bufline, string'(" c="));
      hwrite(bufline, std_logic_vector(c));
      write(bufline, string'(" y="));
      hwrite(bufline, y);
      write(bufline, string'(" y_ref="));
      hwrite(bufline, y_ref);
      write(bufline, string'(" carry="));
      write(bufline, carry);
      write(bufline, string'(" carry_ref="));
      write(bufline, carry_ref(0));
      write(bufline, string'(" cycles="));
      write(bufline, ncycles);
      writeline(resultsfile, bufline);
    end loop;

    if passed then
      write(bufline, string'("MIXED_WIDTHS algorithm test has passed"));
      writeline(resultsfile, bufline);
      assert false report "NONE. End simulation time reached" severity failure;
    else
      write(bufline, string'("MIXED_WIDTHS algorithm test has not passed"));
      writeline(resultsfile, bufline);
      assert false report "ERRORS. End simulation time reached" severity failure;
    end if;
    wait;
  end process mixed_widths_bench;
end architecture tb_arch;
