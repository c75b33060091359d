"""The VHDL-93 self-checking bench generated from a design's ports.

It keeps the frame of the kit's four benches (clock, reset for the first
period, start held or pulsed, cycles counted from done, the next test
presented when done rises) and adds what a bench for any design needs: the
test number and simulation time on failure lines, metavalues printed as
themselves, expected values in signals (visible in waveforms), outputs left
unchecked per test, and a per-test cycle limit that ends the run as a hang
naming the test.

The text depends only on the ports and the options, never on the vectors,
so a new vectors file reuses the analysed bench.
"""
from . import ports as ports_module

ROLES = ("clk", "reset", "start", "done", "ready")
ROLE_MODES = {"clk": "in", "reset": "in", "start": "in", "done": "out", "ready": "out"}
OPTIONAL_ROLES = ("ready",)
PASSED_REPORT = "NONE. End simulation time reached"
FAILED_REPORT = "ERRORS. End simulation time reached"
HANG_REPORT = "HANG: done did not rise in test "


# Names the bench uses without its prefix: libraries, types, subprograms,
# literals and units of the standard packages. A port called like one of
# them (read, write and line are common port names) gets a bench signal of
# another name, so it cannot hide what the bench means.
BENCH_NAMES = frozenset("""
    work std ieee line text now read write readline writeline hread endfile to_x01
    std_logic std_ulogic std_logic_vector std_ulogic_vector signed unsigned natural
    integer boolean time string character true false read_mode write_mode failure
    fs ps ns us ms sec min hr
""".split())


class Options:
    def __init__(self, entity, architecture="fsmd", controls=None, reset_active="high",
                 start_mode="level", clock_period="10 ns", max_cycles=1000000, generics=None):
        self.entity = entity.lower()
        self.architecture = architecture.lower()
        self.controls = {role: role for role in ROLES}
        self.controls.update({k: v.lower() for k, v in (controls or {}).items()})
        self.reset_active = reset_active
        self.start_mode = start_mode
        self.clock_period = clock_period
        self.max_cycles = max_cycles
        # Generic name -> VHDL literal, for the design's instance.
        self.generics = dict(generics or {})


def bench_entity(entity):
    return f"{entity.lower()}_fsmd_sim_bench"


def vectors_file(entity):
    return f"{entity.lower()}_bench_vectors.txt"


def results_file(entity):
    return f"{entity.lower()}_test_results.txt"


def split_ports(ports, options):
    """(control ports by role, data ports) of the design; raises PortError
    for a missing or unsuitable control port."""
    by_name = {p.name: p for p in ports}
    controls = {}
    for role in ROLES:
        name = options.controls[role]
        port = by_name.get(name)
        if port is None:
            if role in OPTIONAL_ROLES:
                continue
            hint = f" (name it with --control {role}=PORT)" if name == role else ""
            raise ports_module.PortError(f"entity {options.entity} has no port {name}"
                                         f" for the role {role}{hint}")
        if port.is_vector:
            raise ports_module.PortError(f"port {name} ({role}) of entity {options.entity}"
                                         " must be a"
                                         f" std_logic, not {port.subtype}")
        if port.mode != ROLE_MODES[role]:
            raise ports_module.PortError(f"port {name} ({role}) of entity {options.entity}"
                                         " must be an"
                                         f" {ROLE_MODES[role]} port, not {port.mode}")
        controls[role] = port
    control_names = {p.name for p in controls.values()}
    return controls, [p for p in ports if p.name not in control_names]


def _prefix(ports):
    """A prefix for the bench's own names that no port name starts with, so
    that a port called ncycles or uut cannot clash with them."""
    prefix, n = "tb_", 0
    while any(p.name.startswith(prefix) for p in ports):
        n += 1
        prefix = f"tb{n}_"
    return prefix


def _in_string(text):
    """text inside a VHDL string literal (an extended identifier may hold
    a double quote)."""
    return text.replace('"', '""')


def generate(ports, options):
    controls, data = split_ports(ports, options)
    p = _prefix(ports)

    def sig(port):
        """The bench's signal of a port: named as the port where it can be."""
        return (ports_module.derived_name(f"{p}port_", port.name) if port.name in BENCH_NAMES
                else port.name)

    def expected(port):
        return ports_module.derived_name(f"{p}expected_", port.name)

    def checked(port):
        return ports_module.derived_name(f"{p}checked_", port.name)

    ent = options.entity
    ins = [d for d in data if d.mode == "in"]
    outs = [d for d in data if d.mode == "out"]
    clk, reset, start, done = (sig(controls[r]) for r in ("clk", "reset", "start", "done"))
    active = "'1'" if options.reset_active == "high" else "'0'"
    inactive = "'0'" if options.reset_active == "high" else "'1'"
    pulse = options.start_mode == "pulse"
    w = []
    add = w.append

    add(f"-- Self-checking bench of entity {ent}({options.architecture}), generated by fsmd-sim"
        " from the")
    add(f"-- entity's ports: reads {vectors_file(ent)} (the vectors file in the bench's"
        " layout) and")
    add(f"-- writes {results_file(ent)}. fsmd-sim rewrites this file when the ports or"
        " options change.")
    add("library ieee;")
    add("use ieee.std_logic_1164.all;")
    add("use ieee.numeric_std.all;")
    add("use std.textio.all;")
    add("use work.std_logic_textio.all;")
    add("")
    add(f"entity {bench_entity(ent)} is")
    add(f"end entity {bench_entity(ent)};")
    add("")
    add(f"architecture tb_arch of {bench_entity(ent)} is")
    add(f"  -- The design's ports, one signal each, named as the port ({p}port_<name> for")
    add("  -- a port named like something the bench uses, such as read or line).")
    for port in ports:
        add(f"  signal {sig(port)} : {port.subtype};")
    if outs:
        add("  -- Expected value of each output in the current test, and whether it")
        add("  -- is checked there ('-' in the vectors file leaves it unchecked).")
    for port in outs:
        add(f"  signal {expected(port)} : std_logic_vector({port.width - 1} downto 0);")
        add(f"  signal {checked(port)} : boolean;")
    add(f"  signal {p}test_number : natural := 0;")
    add("  -- Rising clock edges since reset or done was last active.")
    add(f"  signal {p}ncycles : integer;")
    add("")
    add(f"  constant {p}clk_period : time := {options.clock_period};")
    add(f"  constant {p}max_cycles : integer := {options.max_cycles};")
    add("")
    add(f"  file {p}vectors : text open read_mode is \"{vectors_file(ent)}\";")
    add(f"  file {p}results : text open write_mode is \"{results_file(ent)}\";")
    add("")
    add("  -- Hexadecimal digits when every element is '0' or '1', else every element")
    add("  -- as its own character in double quotes, so that 'U', 'X', 'Z' and the")
    add("  -- other metavalues show as such and never as 0.")
    add(f"  function {p}image(v : std_logic_vector) return string is")
    add("    constant digits : string(1 to 16) := \"0123456789ABCDEF\";")
    add("    constant chars  : string(1 to 9) := \"UX01ZWLH-\";")
    add("    alias    bits   : std_logic_vector(v'length - 1 downto 0) is v;")
    add("    variable hex    : string(1 to (v'length + 3) / 4);")
    add("    variable raw    : string(1 to v'length + 2);")
    add("    variable digit  : natural := 0;")
    add("    variable weight : natural := 1;")
    add("    variable pos    : natural := hex'high;")
    add("  begin")
    add("    for i in bits'range loop")
    add("      if bits(i) /= '0' and bits(i) /= '1' then")
    add("        raw(1) := '\"';")
    add("        raw(raw'high) := '\"';")
    add("        for j in bits'range loop")
    add("          raw(bits'high - j + 2) := chars(std_ulogic'pos(bits(j)) + 1);")
    add("        end loop;")
    add("        return raw;")
    add("      end if;")
    add("    end loop;")
    add("    -- Four bits a digit from the right; the leftmost digit may have fewer.")
    add("    for i in 0 to bits'high loop")
    add("      if bits(i) = '1' then")
    add("        digit := digit + weight;")
    add("      end if;")
    add("      if weight = 8 or i = bits'high then")
    add("        hex(pos) := digits(digit + 1);")
    add("        pos := pos - 1;")
    add("        digit := 0;")
    add("        weight := 1;")
    add("      else")
    add("        weight := weight * 2;")
    add("      end if;")
    add("    end loop;")
    add("    return hex;")
    add("  end function;")
    add("begin")
    add(f"  {p}uut : entity work.{ent}({options.architecture})")
    if options.generics:
        add("    generic map (")
        add(",\n".join(f"      {name} => {value}" for name, value in options.generics.items()))
        add("    )")
    add("    port map (")
    add(",\n".join(f"      {port.name} => {sig(port)}" for port in ports))
    add("    );")
    add("")
    add("  -- '1' one delta after time 0, then a rising edge every period.")
    add(f"  {p}clock : process ({clk})")
    add("  begin")
    add(f"    if {clk} = 'U' then")
    add(f"      {clk} <= '1';")
    add("    else")
    add(f"      {clk} <= not {clk} after {p}clk_period / 2;")
    add("    end if;")
    add(f"  end process {p}clock;")
    add("")
    if pulse:
        add("  -- reset for the first period; start is pulsed by the bench process.")
    else:
        add("  -- reset for the first period, then start stays '1': the tests are")
        add("  -- paced by done alone.")
    add(f"  {p}reset_start : process")
    add("  begin")
    add(f"    {reset} <= {active};")
    add(f"    {start} <= '0';" if not pulse else "    -- start: driven by the bench process")
    add(f"    wait for {p}clk_period;")
    add(f"    {reset} <= {inactive};")
    if not pulse:
        add(f"    {start} <= '1';")
    add("    wait;")
    add(f"  end process {p}reset_start;")
    add("")
    add("  -- The clear takes effect one delta later, so the bench reads the count")
    add("  -- of the finished test in the delta in which done rises.")
    add(f"  {p}profiling : process ({clk}, {reset}, {done})")
    add("  begin")
    add(f"    if {reset} = {active} or {done} = '1' then")
    add(f"      {p}ncycles <= 0;")
    add(f"    elsif {clk} = '1' and {clk}'event then")
    add(f"      {p}ncycles <= {p}ncycles + 1;")
    add("    end if;")
    add(f"  end process {p}profiling;")
    add("")
    # The process's variables carry the prefix too: a variable named like a
    # port would hide the port's signal inside the process.
    flags, line, res, num = f"{p}flags", f"{p}vector", f"{p}result", f"{p}number"
    ok, fails, deadline = f"{p}passed", f"{p}failures", f"{p}deadline"

    def value(port):
        return ports_module.derived_name(f"{p}value_", port.name)

    def bits(port):
        return f"{value(port)}({port.width - 1} downto 0)"

    add(f"  {p}bench : process")
    if outs:
        add(f"    variable {flags} : string(1 to {len(outs)});")
    for port in data:
        add(f"    variable {value(port)} : std_logic_vector({4 * port.digits - 1} downto 0);")
    add(f"    variable {line} : line;")
    add(f"    variable {res} : line;")
    add(f"    variable {num} : natural := 0;")
    add(f"    variable {ok} : boolean;")
    add(f"    variable {fails} : natural := 0;")
    add(f"    variable {deadline} : time;")
    add("  begin")
    if pulse:
        add(f"    {start} <= '0';")
    add(f"    while not endfile({p}vectors) loop")
    add(f"      readline({p}vectors, {line});")
    add(f"      {num} := {num} + 1;")
    add(f"      {p}test_number <= {num};")
    if outs:
        add(f"      read({line}, {flags});")
    for port in ins:
        add(f"      hread({line}, {value(port)});")
        add(f"      {sig(port)} <= {port.from_slv(bits(port))};")
    for i, port in enumerate(outs, 1):
        add(f"      hread({line}, {value(port)});")
        add(f"      {expected(port)} <= {bits(port)};")
        add(f"      {checked(port)} <= {flags}({i}) = 'c';")
    add("")
    add(f"      -- done within {p}max_cycles rising edges of the test.")
    add(f"      {deadline} := {p}clk_period * {p}max_cycles + {p}clk_period / 2;")
    if pulse:
        add(f"      if {reset} /= {inactive} then")
        add(f"        wait until {reset} = {inactive};")
        add("      end if;")
        add(f"      {start} <= '1';")
        add(f"      wait until {clk} = '1' and {clk}'event;")
        add(f"      {start} <= '0';")
    else:
        add("      -- The first test also waits out the reset period.")
        add(f"      if {num} = 1 then")
        add(f"        {deadline} := {deadline} + {p}clk_period;")
        add("      end if;")
    add(f"      wait until {done} = '1' for {deadline};")
    add(f"      if {done} /= '1' then")
    add(f"        write({res}, string'(\"test \"));")
    add(f"        write({res}, {num});")
    add(f"        write({res}, string'(\" HANG at \"));")
    add(f"        write({res}, now);")
    add(f"        write({res}, string'(\": done did not rise within \"));")
    add(f"        write({res}, {p}max_cycles);")
    add(f"        write({res}, string'(\" cycles\"));")
    add(f"        writeline({p}results, {res});")
    add(f"        write({res}, string'(\"{ent.upper()} test has not passed\"));")
    add(f"        writeline({p}results, {res});")
    add(f"        report \"{HANG_REPORT}\" & integer'image({num}) severity failure;")
    add("        wait;")
    add("      end if;")
    add("")
    add("      -- An output equal to its expected bits passes at once; otherwise to_X01")
    add("      -- reads 'L' and 'H' as '0' and '1', as numeric_std compares, and any")
    add("      -- metavalue in a checked output fails the test.")
    add(f"      {ok} := true;")
    for i, port in enumerate(outs, 1):
        actual = port.as_slv(sig(port))
        add(f"      if {flags}({i}) = 'c' and {actual} /= {bits(port)}"
            f" and to_X01({actual}) /= {bits(port)} then")
        add(f"        {ok} := false;")
        add("      end if;")
    add(f"      write({res}, string'(\"test \"));")
    add(f"      write({res}, {num});")
    add(f"      if {ok} then")
    add(f"        write({res}, string'(\" passed:\"));")
    add("      else")
    add(f"        {fails} := {fails} + 1;")
    add(f"        write({res}, string'(\" FAILED at \"));")
    add(f"        write({res}, now);")
    add(f"        write({res}, string'(\":\"));")
    add("      end if;")
    for port in ins:
        add(f"      write({res}, string'(\" {_in_string(port.name)}=\"));")
        add(f"      write({res}, {p}image({port.as_slv(sig(port))}));")
    for i, port in enumerate(outs, 1):
        add(f"      write({res}, string'(\" {_in_string(port.name)}=\"));")
        add(f"      write({res}, {p}image({port.as_slv(sig(port))}));")
        add(f"      write({res}, string'(\" {_in_string(port.name)}_expected=\"));")
        add(f"      if {flags}({i}) = 'c' then")
        add(f"        write({res}, {p}image({bits(port)}));")
        add("      else")
        add(f"        write({res}, string'(\"-\"));")
        add("      end if;")
    add(f"      write({res}, string'(\" cycles=\"));")
    add(f"      write({res}, {p}ncycles);")
    add(f"      writeline({p}results, {res});")
    add("    end loop;")
    add("")
    add(f"    if {fails} = 0 then")
    add(f"      write({res}, string'(\"{ent.upper()} test has passed\"));")
    add(f"      writeline({p}results, {res});")
    add(f"      assert false report \"{PASSED_REPORT}\" severity failure;")
    add("    else")
    add(f"      write({res}, string'(\"{ent.upper()} test has not passed\"));")
    add(f"      writeline({p}results, {res});")
    add(f"      assert false report \"{FAILED_REPORT}\" severity failure;")
    add("    end if;")
    add("    wait;")
    add(f"  end process {p}bench;")
    add("end architecture tb_arch;")
    return "\n".join(w) + "\n"
