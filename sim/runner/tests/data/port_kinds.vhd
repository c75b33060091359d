-- Entities whose ports cover what the generated bench accepts and rejects;
-- port_kinds.xml.gz is GHDL's tree of this file (see make_port_fixture.sh).
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

package port_kinds_pkg is
  subtype word_t is std_logic_vector(15 downto 0);
  constant half : integer := 4;
  function clog2(n : positive) return natural;
  type pair_t is record
    x : std_logic;
    y : std_logic;
  end record;
end package port_kinds_pkg;

library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;
use work.port_kinds_pkg.all;

entity all_kinds is
  generic (unused : integer := 3);
  port (
    clk, reset : in  std_logic;
    start      : in  std_ulogic;
    a          : in  signed(15 downto 0);
    b          : in  unsigned(0 to 63);
    c          : in  word_t;
    e          : in  std_logic_vector(half * 2 - 1 downto 0);
    f          : in  std_ulogic_vector(255 downto 0);
    g          : in  std_ulogic;
    y          : out std_logic_vector(16 downto 1);
    sat        : buffer std_logic;
    done       : out std_logic;
    ready      : out std_logic
  );
end entity all_kinds;

architecture fsmd of all_kinds is
begin
end architecture fsmd;

library ieee;
use ieee.std_logic_1164.all;

entity has_inout is
  port (clk : in std_logic; bus_io : inout std_logic_vector(7 downto 0));
end entity has_inout;

architecture fsmd of has_inout is
begin
end architecture fsmd;

library ieee;
use ieee.std_logic_1164.all;
use work.port_kinds_pkg.all;

entity has_record is
  port (clk : in std_logic; p : in pair_t);
end entity has_record;

architecture fsmd of has_record is
begin
end architecture fsmd;

library ieee;
use ieee.std_logic_1164.all;

entity has_unconstrained is
  port (clk : in std_logic; u : in std_logic_vector);
end entity has_unconstrained;

architecture fsmd of has_unconstrained is
begin
end architecture fsmd;

library ieee;
use ieee.std_logic_1164.all;

entity has_generic_width is
  generic (n : integer := 8);
  port (clk : in std_logic; v : in std_logic_vector(n - 1 downto 0));
end entity has_generic_width;

architecture fsmd of has_generic_width is
begin
end architecture fsmd;

library ieee;
use ieee.std_logic_1164.all;

entity has_integer is
  port (clk : in std_logic; count : out integer);
end entity has_integer;

architecture fsmd of has_integer is
begin
end architecture fsmd;

entity has_bit_vector is
  port (clk : in bit; v : in bit_vector(3 downto 0));
end entity has_bit_vector;

architecture fsmd of has_bit_vector is
begin
end architecture fsmd;

library ieee;
use ieee.std_logic_1164.all;

entity no_fsmd is
  port (clk : in std_logic);
end entity no_fsmd;

architecture rtl of no_fsmd is
begin
end architecture rtl;

library ieee;
use ieee.std_logic_1164.all;
use work.port_kinds_pkg.all;

entity new_kinds is
  generic (w : positive := 8; top : integer := 15; name : string := "x");
  port (
    flag      : in  boolean;
    b         : in  bit;
    x         : in  X01;
    ux        : out UX01;
    small     : in  integer range -8 to 7;
    nat       : in  natural;
    whole     : out integer;
    ranged    : out integer range 0 to top;
    down      : in  integer range 5 downto -5;
    bv        : in  bit_vector(0 to 3);
    asc       : in  std_logic_vector(0 to w - 1);
    \my port\ : in  std_logic;
    \A\\B\    : out std_logic_vector(half - 1 downto 0)
  );
end entity new_kinds;

architecture fsmd of new_kinds is
begin
end architecture fsmd;

architecture other of new_kinds is
begin
end architecture other;

library ieee;
use ieee.std_logic_1164.all;
use work.port_kinds_pkg.all;

-- Bounds computed from generics by every operator fsmd-sim evaluates.
entity expr_widths is
  generic (w : integer := 8);
  port (
    sum      : in std_logic_vector((w + 1) * 2 - 1 downto 0);
    quotient : in std_logic_vector(0 to -((0 - w) / 3));
    modulus  : in std_logic_vector((0 - w) mod 3 downto 0);
    rest     : in std_logic_vector(-((0 - w) rem 3) downto 0);
    power    : in std_logic_vector(2 ** (w / 4) - 1 downto 0);
    absolute : in std_logic_vector(abs (0 - w) downto 1);
    constant_mix : in std_logic_vector(half + w - 1 downto 0)
  );
end entity expr_widths;

architecture fsmd of expr_widths is
begin
end architecture fsmd;

library ieee;
use ieee.std_logic_1164.all;
use work.port_kinds_pkg.all;

entity called_width is
  generic (w : integer := 8);
  port (v : in std_logic_vector(clog2(w) downto 0));
end entity called_width;

architecture fsmd of called_width is
begin
end architecture fsmd;

entity needs_generic is
  generic (N : integer);
  port (v : in bit_vector(N downto 0));
end entity needs_generic;

architecture fsmd of needs_generic is
begin
end architecture fsmd;

entity new_kinds_fsmd_sim_bench is
end entity new_kinds_fsmd_sim_bench;
