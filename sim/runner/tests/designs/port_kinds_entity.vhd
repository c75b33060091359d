-- Test design with a port of every kind the generated bench drives: bit,
-- boolean, X01, bit_vector and std_logic_vector with ascending ranges,
-- integer ranges (one set by a generic, one negative), natural, integer and
-- extended identifiers; an X01 start and a UX01 done. Its architecture is in
-- port_kinds_fsmd.vhd, which a run may name first. One cycle per test: every
-- output follows its input.
library ieee;
use ieee.std_logic_1164.all;
use work.port_kinds_pkg.all;

entity port_kinds is
  generic (width : positive := 8; top : integer := 15);
  port (
    clk       : in  std_logic;
    reset     : in  std_logic;
    start     : in  X01;
    flag      : in  boolean;
    b         : in  bit;
    x         : in  X01;
    bv        : in  bit_vector(0 to 3);
    asc       : in  std_logic_vector(0 to width - 1);
    small     : in  integer range -8 to 7;
    ranged    : in  integer range 0 to top;
    nat       : in  natural;
    whole     : in  integer;
    \in put\  : in  std_logic_vector(word_bits - 1 downto 0);
    flag_o    : out boolean;
    b_o       : out bit;
    x_o       : out UX01;
    bv_o      : out bit_vector(0 to 3);
    asc_o     : out std_logic_vector(0 to width - 1);
    small_o   : out integer range -8 to 7;
    ranged_o  : out integer range 0 to top;
    nat_o     : out natural;
    whole_o   : out integer;
    \Out"Put\ : out std_logic_vector(word_bits - 1 downto 0);
    done      : out UX01
  );
end entity port_kinds;
