-- Binds the design instance of testbench popcount_harness to entity popcount, architecture fsmd.
configuration popcount_harness_cfg of popcount_harness is
  for tb_arch
    for uut : popcount
      use entity work.popcount(fsmd);
    end for;
  end for;
end configuration popcount_harness_cfg;
