-- Binds the design instance of testbench fibo_harness to entity fibo, architecture fsmd.
configuration fibo_harness_cfg of fibo_harness is
  for tb_arch
    for uut : fibo
      use entity work.fibo(fsmd);
    end for;
  end for;
end configuration fibo_harness_cfg;
