-- Binds the design instance of testbench eda_harness to entity eda, architecture fsmd.
configuration eda_harness_cfg of eda_harness is
  for tb_arch
    for uut : eda
      use entity work.eda(fsmd);
    end for;
  end for;
end configuration eda_harness_cfg;
