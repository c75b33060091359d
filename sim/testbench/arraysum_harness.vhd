-- Self-checking testbench of design arraysum: feeds arraysum_test_data.txt through the start/done handshake and writes arraysum_alg_test_results.txt.
-- Produced by generate_harness.py from harness.vhd.in and instances.json; edit those, not this file.
library ieee;
use std.textio.all;
use work.std_logic_textio.all;
use ieee.numeric_std.all;
use work.arraysum_types.all;
use work.std_logic_1164_textutil.all;
use ieee.std_logic_1164.all;

entity arraysum_harness is
end entity arraysum_harness;

architecture tb_arch of arraysum_harness is
  component arraysum is
    port (
      clk   : in  std_logic;
      reset : in  std_logic;
      start : in  std_logic;
      in1   : in  std_logic_vector(31 downto 0);
      out1  : out std_logic_vector(31 downto 0);
      done  : out std_logic;
      ready : out std_logic
    );
  end component arraysum;

  signal clk   : std_logic;
  signal reset : std_logic;
  signal start : std_logic;
  signal in1   : std_logic_vector(31 downto 0);
  signal out1  : std_logic_vector(31 downto 0);
  signal done  : std_logic;
  signal ready : std_logic;
  -- Rising clock edges since reset or done was last '1'; integer'low until
  -- the first reset.
  signal ncycles : integer;

  constant clk_period : time := 10 ns;

  -- Opened during elaboration, the test data first: the results file is
  -- created empty before simulation time 0.
  file testdatafile : text open read_mode is "arraysum_test_data.txt";
  file resultsfile  : text open write_mode is "arraysum_alg_test_results.txt";
begin
  uut : arraysum
    port map (
      clk   => clk,
      reset => reset,
      start => start,
      in1   => in1,
      out1  => out1,
      done  => done,
      ready => ready
    );

  -- '1' one delta after time 0, then a falling edge at 5 ns and a rising edge
  -- every 10 ns from 10 ns on; it never stops.
  clk_gen_proc : process (clk)
  begin
    if clk = 'U' then
      clk <= '1';
    else
      clk <= not clk after clk_period / 2;
    end if;
  end process clk_gen_proc;

  -- reset for the first period, then start stays '1': the bench paces the
  -- computations by done alone.
  reset_start_stim : process
  begin
    reset <= '1';
    start <= '0';
    wait for clk_period;
    reset <= '0';
    start <= '1';
    wait for clk_period * 536870911;
  end process reset_start_stim;

  -- The clear takes effect one delta later, so the bench reads the count of
  -- the finished computation in the delta in which done rises.
  profiling : process (clk, reset, done)
  begin
    if reset = '1' or done = '1' then
      ncycles <= 0;
    elsif clk = '1' and clk'event then
      ncycles <= ncycles + 1;
    end if;
  end process profiling;

  arraysum_bench : process
    variable in1_v_vec    : std_logic_vector(31 downto 0);
    variable out1_v       : signed(31 downto 0);
    variable out1_ref     : signed(31 downto 0);
    variable out1_ref_vec : std_logic_vector(31 downto 0);
    variable ncycles_v    : integer;
    variable ntests_v     : integer := 1;
    variable ntests_max   : integer := 10;
    variable testdata     : line;
    variable bufline      : line;
    variable passed       : std_logic := '1';
  begin
    while not endfile(testdatafile) loop
      readline(testdatafile, testdata);
      hread(testdata, in1_v_vec);
      in1 <= in1_v_vec;
      hread(testdata, out1_ref_vec);
      out1_ref := signed(out1_ref_vec);

      wait until done = '1';

      out1_v := signed(out1);
      if out1_v /= out1_ref then
        passed := '0';
        write(bufline, string'("ARRAYSUM error: in1="));
        hwrite(bufline, in1);
        write(bufline, string'(" out1="));
        hwrite(bufline, std_logic_vector(out1_v));
        write(bufline, string'(" out1_ref="));
        hwrite(bufline, std_logic_vector(out1_ref));
        writeline(resultsfile, bufline);
      else
        write(bufline, string'(" in1="));
        hwrite(bufline, in1);
        write(bufline, string'(" out1="));
        hwrite(bufline, out1);
        write(bufline, string'(" out1_ref="));
        hwrite(bufline, std_logic_vector(out1_ref));
        writeline(resultsfile, bufline);
        ncycles_v := ncycles;
        write(bufline, string'("ARRAYSUM OK: Number of cycles="));
        write(bufline, ncycles_v);
        writeline(resultsfile, bufline);
      end if;

      exit when ntests_v = ntests_max;
      ntests_v := ntests_v + 1;
    end loop;

    if passed = '1' then
      write(bufline, string'("ARRAYSUM algorithm test has passed"));
      writeline(resultsfile, bufline);
      assert false report "NONE. End simulation time reached" severity failure;
    else
      write(bufline, string'("ARRAYSUM algorithm test has not passed"));
      writeline(resultsfile, bufline);
      assert false report "ERRORS. End simulation time reached" severity failure;
    end if;
    wait for clk_period;
  end process arraysum_bench;
end architecture tb_arch;
