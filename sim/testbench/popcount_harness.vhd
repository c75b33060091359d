-- Self-checking testbench of design popcount: feeds popcount_test_data.txt through the start/done handshake and writes popcount_alg_test_results.txt.
-- Produced by generate_harness.py from harness.vhd.in and instances.json; edit those, not this file.
library ieee;
use std.textio.all;
use work.std_logic_textio.all;
use ieee.numeric_std.all;
use work.popcount_types.all;
use work.std_logic_1164_textutil.all;
use ieee.std_logic_1164.all;

entity popcount_harness is
end entity popcount_harness;

architecture tb_arch of popcount_harness is
  component popcount is
    port (
      clk   : in  std_logic;
      reset : in  std_logic;
      start : in  std_logic;
      inp   : in  std_logic_vector(31 downto 0);
      d_1236 : out std_logic_vector(31 downto 0);
      done  : out std_logic;
      ready : out std_logic
    );
  end component popcount;

  signal clk   : std_logic;
  signal reset : std_logic;
  signal start : std_logic;
  signal inp   : std_logic_vector(31 downto 0);
  signal d_1236 : std_logic_vector(31 downto 0);
  signal done  : std_logic;
  signal ready : std_logic;
  -- Rising clock edges since reset or done was last '1'; integer'low until
  -- the first reset.
  signal ncycles : integer;

  constant clk_period : time := 10 ns;

  -- Opened during elaboration, the test data first: the results file is
  -- created empty before simulation time 0.
  file testdatafile : text open read_mode is "popcount_test_data.txt";
  file resultsfile  : text open write_mode is "popcount_alg_test_results.txt";
begin
  uut : popcount
    port map (
      clk   => clk,
      reset => reset,
      start => start,
      inp   => inp,
      d_1236 => d_1236,
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

  popcount_bench : process
    variable inp_v_vec      : std_logic_vector(31 downto 0);
    variable d_1236_v       : signed(31 downto 0);
    variable d_1236_ref     : signed(31 downto 0);
    variable d_1236_ref_vec : std_logic_vector(31 downto 0);
    variable ncycles_v      : integer;
    variable ntests_v       : integer := 1;
    variable ntests_max     : integer := 256;
    variable testdata       : line;
    variable bufline        : line;
    variable passed         : std_logic := '1';
  begin
    while not endfile(testdatafile) loop
      readline(testdatafile, testdata);
      hread(testdata, inp_v_vec);
      inp <= inp_v_vec;
      hread(testdata, d_1236_ref_vec);
      d_1236_ref := signed(d_1236_ref_vec);

      wait until done = '1';

      d_1236_v := signed(d_1236);
      if d_1236_v /= d_1236_ref then
        passed := '0';
        write(bufline, string'("POPCOUNT error: inp="));
        hwrite(bufline, inp);
        write(bufline, string'(" D_1236="));
        hwrite(bufline, std_logic_vector(d_1236_v));
        write(bufline, string'(" D_1236_ref="));
        hwrite(bufline, std_logic_vector(d_1236_ref));
        writeline(resultsfile, bufline);
      else
        write(bufline, string'(" inp="));
        hwrite(bufline, inp);
        write(bufline, string'(" D_1236="));
        hwrite(bufline, d_1236);
        write(bufline, string'(" D_1236_ref="));
        hwrite(bufline, std_logic_vector(d_1236_ref));
        writeline(resultsfile, bufline);
        ncycles_v := ncycles;
        write(bufline, string'("POPCOUNT OK: Number of cycles="));
        write(bufline, ncycles_v);
        writeline(resultsfile, bufline);
      end if;

      exit when ntests_v = ntests_max;
      ntests_v := ntests_v + 1;
    end loop;

    if passed = '1' then
      write(bufline, string'("POPCOUNT algorithm test has passed"));
      writeline(resultsfile, bufline);
      assert false report "NONE. End simulation time reached" severity failure;
    else
      write(bufline, string'("POPCOUNT algorithm test has not passed"));
      writeline(resultsfile, bufline);
      assert false report "ERRORS. End simulation time reached" severity failure;
    end if;
    wait for clk_period;
  end process popcount_bench;
end architecture tb_arch;
