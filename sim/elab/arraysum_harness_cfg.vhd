-- Binds the design instance of testbench arraysum_harness to entity arraysum, architecture fsmd.
configuration arraysum_harness_cfg of arraysum_harness is
  for tb_arch
    for uut : arraysum
      use entity work.arraysum(fsmd);
    end for;
  end for;
end configuration arraysum_harness_cfg;
