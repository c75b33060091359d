"""Valid/ready streams (--stream): per input stream a process that offers
the test's values one per handshake, per output stream one that takes the
design's values and checks each against the test's list as it arrives.

A stream's lists are in a file of its own, which only its process reads:
per test a line with the count (after the flag of an output list), then a
line per value, so a stream of any length costs no signal per value and
each value one short read. The
bench process starts each test's streams with an event (`go`) after reading
the test's line, and reads what the processes saw when the test ends.

With --stall the processes withhold valid (before a new value, never once
it is offered) and ready in about that percentage of cycles, from a
pseudo-random sequence of their own that depends on --seed and the stream's
place alone, so a run repeats exactly. Without done (--control done=none)
a test ends when every output stream has delivered the values its list
expects and every input stream has had all of its values taken; without
start (--control start=none) the bench drives a signal of its own in
start's place and a test begins when its values are offered."""
from .template import lines

# Why a test of a design without done did not end: the bench's hang line.
HANG_OUTPUTS = "the output streams did not deliver every value the test expects"
HANG_INPUTS = "the design did not take every value its input streams offer"

# Park and Miller's generator, computed by Schrage's method in 31-bit
# integers, which every VHDL simulator has.
RANDOM_MODULUS = 2147483647


def drive_bit(port, bit):
    """A literal of the port's one-bit type for '0' or '1'."""
    if port.type_mark == "boolean":
        return "true" if bit == "1" else "false"
    return f"'{bit}'"


def read_bit(port, signal):
    """A std_ulogic expression of a one-bit port's signal, 'L' and 'H' as
    '0' and '1'."""
    if port.type_mark == "bit":
        return f"to_stdulogic({signal})"
    if port.type_mark == "boolean":
        return f"std_ulogic'val(boolean'pos({signal}) + 2)"
    return f"to_X01({signal})"


def seed_of(seed, k):
    """The first state of stream k's generator: from 1 to the modulus - 1."""
    return (seed * 7919 + (k + 1) * 104729) % (RANDOM_MODULUS - 1) + 1


class _Own:
    def __init__(self, k, names):
        for word in ("go", "file", "count", "left", "empty", "got", "checked", "bad", "bad_seen",
                     "bad_expected", "bad_masked", "last_bad", "delivered", "taken", "driver",
                     "checker"):
            setattr(self, word, names.own(f"s{k}_{word}"))


def shared(names, streams, options, start_none, done_none):
    """What the streams share: the generator and hexadecimal text of an
    index; the signal in start's place without start; the completion
    without done."""
    piece = {"functions": lines(f"""
        -- The next state of a stream's pseudo-random sequence (1 to 2**31 - 2).
        function {names.own('random')}(state : integer) return integer is
          variable next_state : integer;
        begin
          next_state := 16807 * (state mod 127773) - 2836 * (state / 127773);
          if next_state <= 0 then
            next_state := next_state + {RANDOM_MODULUS};
          end if;
          return next_state;
        end function;

        -- An index in hexadecimal, without leading zeros.
        function {names.own('hex')}(n : natural) return string is
          constant digits : string(1 to 16) := "0123456789ABCDEF";
        begin
          if n < 16 then
            return digits(n + 1 to n + 1);
          end if;
          return {names.own('hex')}(n / 16) & digits(n mod 16 + 1 to n mod 16 + 1);
        end function;
    """)}
    declarations = []
    if start_none:
        declarations += ["-- The design has no start: the bench drives this signal in its place.",
                         f"signal {names.control['start']} : std_logic;"]
    if done_none:
        declarations += ["-- The design has no done: a test ends when every output stream has",
                         "-- delivered what the test expects and every input stream has had all",
                         "-- of the test's values taken (or, without start, at once when it",
                         "-- offers no input).",
                         f"signal {names.control[names.completion]} : std_logic := '0';"]
        # A filter may drop a test's last values: its outputs are complete
        # before its inputs are all taken, and the test goes on until they are.
        moved = [f"{_Own(k, names).taken if s.is_input else _Own(k, names).delivered}"
                 f" = {names.own('test_number')}" for k, s in enumerate(streams)]
        condition = " and ".join(moved)
        if start_none:
            empty = [f"{_Own(k, names).empty} = {names.own('test_number')}"
                     for k, s in enumerate(streams) if s.is_input]
            if empty:
                condition = f"({condition}) or ({' and '.join(empty)})"
        # The number of the test whose streams delivered: the bench compares it
        # with the number of the test it waits for, so a value left from the
        # test before, in the delta cycles before this one's signals follow,
        # never ends this test.
        declarations += [f"signal {names.own('delivered_test')} : integer := -1;"]
        piece["bench_variables"] = hang_reports(names, streams)
        piece["processes"] = [
            f"{names.own('delivered_test')} <= {names.own('test_number')} when {condition} else -1;",
            f"{names.control[names.completion]} <= '1' when {condition} else '0';", ""]
    piece["declarations"] = declarations
    return piece


def _coin(names, options, state, hold):
    """Lines that draw whether this cycle is withheld (none without --stall)."""
    if not options.stall:
        return [f"{hold} := false;"]
    return [f"{state} := {names.own('random')}({state});",
            f"{hold} := {state} mod 100 < {options.stall};"]


def input_stream(stream, k, names, options, path):
    s = _Own(k, names)
    port, valid, ready = stream.port, stream.ports["valid"], stream.ports["ready"]
    last = stream.ports.get("last")
    sig = names.signal
    w, digits = port.width, port.digits
    clk = names.control["clk"]
    # The name inside the results' string literals (an extended one may hold '"').
    label = names.label(port)
    line, count, sent, word, offering, state, hold, lines_read = (
        names.own(x) for x in ("line", "count", "sent", "word", "offering", "state", "hold",
                               "lines_read"))
    set_last = []
    if last is not None:
        set_last = [f"if {sent} = {count} - 1 then",
                    f"  {sig(last)} <= {drive_bit(last, '1')};",
                    "else",
                    f"  {sig(last)} <= {drive_bit(last, '0')};",
                    "end if;"]
    idle = [f"{sig(valid)} <= {drive_bit(valid, '0')};"]
    if last is not None:
        idle.append(f"{sig(last)} <= {drive_bit(last, '0')};")
    offer = [
        f"if not {offering} then",
        *["  " + x for x in _coin(names, options, state, hold)],
        f"  if {sent} < {count} and not {hold} then",
        f"    readline({s.file}, {line});",
        f"    {lines_read} := {lines_read} + 1;",
        f"    hread({line}, {word});",
        f"    {sig(port)} <= {port.from_slv(f'{word}({w - 1} downto 0)')};",
        f"    {sig(valid)} <= {drive_bit(valid, '1')};",
        *["    " + x for x in set_last],
        f"    {offering} := true;",
        "  else",
        *["    " + x for x in idle],
        "  end if;",
        "end if;",
    ]
    body = lines(f"""
        wait on {clk}, {s.go};
        if {s.go}'event then
          -- A new test: its values, the earlier test's left behind.
          while {lines_read} < {count} loop
            readline({s.file}, {line});
            {lines_read} := {lines_read} + 1;
          end loop;
          readline({s.file}, {line});
          read({line}, {count});
          {lines_read} := 0;
          {sent} := 0;
          {offering} := false;
          {s.count} <= {count};
          {s.left} <= {count};
          if {count} = 0 then
            {s.empty} <= {names.own('test_number')};
            {s.taken} <= {names.own('test_number')};
          end if;
          -- Nothing is offered before reset and the idle cycles after it are
          -- over: a design out of reset in those cycles would take a value
          -- that the bench does not count as taken.
          if now < {names.reset_time} then
            wait for {names.reset_time} - now;
          end if;
        elsif rising_edge({clk}) and now > {names.reset_time} then
          -- The offered value moves at an edge where ready is '1'.
          if {offering} and {read_bit(ready, sig(ready))} = '1' then
            {sent} := {sent} + 1;
            {s.left} <= {count} - {sent};
            {offering} := false;
            if {sent} = {count} then
              {s.taken} <= {names.own('test_number')};
            end if;
          end if;
        else
          next;
        end if;
    """) + offer
    return {
        "declarations": [
            f"-- Input stream {port.name}: its lists, one line per test; the event that starts",
            "-- a test's values, their count, those not taken yet, and the last test whose",
            "-- list was empty and whose values were all taken.",
            f"file {s.file} : text open read_mode is \"{path}\";",
            f"signal {s.go} : boolean := false;",
            f"signal {s.count} : natural := 0;",
            f"signal {s.left} : natural := 0;",
            f"signal {s.empty}, {s.taken} : integer := -1;",
        ],
        "processes": [
            f"-- Offers the values of {port.name}'s list, each until the design takes it.",
            f"{s.driver} : process",
            f"  variable {line} : line;",
            f"  variable {count}, {sent}, {lines_read} : natural := 0;",
            f"  variable {word} : std_logic_vector({4 * digits - 1} downto 0);",
            f"  variable {offering}, {hold} : boolean := false;",
            f"  variable {state} : integer := {seed_of(options.seed, k)};",
            "begin",
            *["  " + x for x in idle],
            "  loop",
            *["    " + x if x else "" for x in body],
            "  end loop;",
            f"end process {s.driver};",
            "",
        ],
        "read_test": [f"{s.go} <= not {s.go};"],
        "check_outputs": [f"if {s.left} /= 0 then", f"  {names.passed} := false;", "end if;"],
        "result_fields": lines(f"""
            if {s.left} /= 0 then
              write({names.result}, string'(" {label}: "));
              write({names.result}, {s.left});
              write({names.result}, string'(" of "));
              write({names.result}, {s.count});
              write({names.result}, string'(" values not taken"));
            end if;
        """),
    }


def output_stream(stream, k, names, options, path):
    s = _Own(k, names)
    port, valid, ready = stream.port, stream.ports["valid"], stream.ports["ready"]
    last = stream.ports.get("last")
    sig = names.signal
    w, digits = port.width, port.digits
    clk = names.control["clk"]
    label = names.label(port)
    line, flag, eflag, count, got, word, mask, expected, value, bad, last_bad, state, hold, nothing = (
        names.own(x) for x in ("line", "flag", "eflag", "count", "got", "word", "mask",
                               "expected", "value", "bad", "last_bad", "state", "hold", "nothing"))
    take = []
    if last is not None:
        take = lines(f"""
            -- last is '1' with the final expected value alone.
            if {last_bad} < 0 and ({read_bit(last, sig(last))} = '1') /= ({got} = {count} - 1) then
              {last_bad} := {got};
              {s.last_bad} <= {got};
            end if;
        """)
    ready_next = _coin(names, options, state, hold) + [
        f"if {hold} then",
        f"  {sig(ready)} <= {drive_bit(ready, '0')};",
        "else",
        f"  {sig(ready)} <= {drive_bit(ready, '1')};",
        "end if;",
    ]
    body = lines(f"""
        wait on {clk}, {s.go};
        if {s.go}'event then
          -- The expected values of the earlier test that never came.
          while {flag} = 'c' and {got} < {count} loop
            readline({s.file}, {line});
            {got} := {got} + 1;
          end loop;
          readline({s.file}, {line});
          read({line}, {flag});
          read({line}, {count});
          {got} := 0;
          {bad} := -1;
          {last_bad} := -1;
          {s.got} <= 0;
          {s.count} <= {count};
          {s.checked} <= {flag} = 'c';
          {s.bad} <= -1;
          {s.last_bad} <= -1;
          -- A test that expects nothing here has it at its first edge: a bench
          -- that pulses start waits for that edge before it waits for the end.
          {nothing} := {flag} /= 'c' or {count} = 0;
        elsif rising_edge({clk}) and now > {names.reset_time} then
          if {nothing} then
            {s.delivered} <= {names.own('test_number')};
            {nothing} := false;
          end if;
          if {read_bit(valid, sig(valid))} = '1' and {read_bit(ready, sig(ready))} = '1' then
            {value} := {port.as_slv(sig(port))};
            if {flag} = 'c' and {got} < {count} then
              readline({s.file}, {line});
              read({line}, {eflag});
              hread({line}, {word});
              {expected} := {word}({w - 1} downto 0);
              if {eflag} = 'm' then
                hread({line}, {mask});
                {expected} := {names.own('masked')}({expected}, {mask}({w - 1} downto 0));
              end if;
              if {bad} < 0 and (({eflag} = 'c' and {value} /= {expected} and to_X01({value}) /= {expected})
                                or ({eflag} = 'm' and not std_match({value}, {expected}))) then
                {bad} := {got};
                {s.bad} <= {got};
                {s.bad_seen} <= {value};
                {s.bad_expected} <= {expected};
                {s.bad_masked} <= {eflag} = 'm';
              end if;
    """) + ["      " + x for x in take] + lines(f"""
            end if;
            {got} := {got} + 1;
            {s.got} <= {got};
            if {got} = {count} then
              {s.delivered} <= {names.own('test_number')};
            end if;
          end if;
        else
          next;
        end if;
        -- ready for the next cycle.
    """) + ready_next
    n = names.result
    expected_text = (f"{names.own('expected_image')}({s.bad_expected})")
    return {
        "declarations": [
            f"-- Output stream {port.name}: its expected lists, one line per test; the event",
            "-- that starts a test, the values taken and expected, whether they are checked,",
            "-- the first that differs (its index, both values) or whose last is wrong, and",
            "-- the last test whose values are all delivered.",
            f"file {s.file} : text open read_mode is \"{path}\";",
            f"signal {s.go} : boolean := false;",
            f"signal {s.got}, {s.count} : natural := 0;",
            f"signal {s.checked} : boolean := false;",
            f"signal {s.bad}, {s.last_bad} : integer := -1;",
            f"signal {s.bad_seen}, {s.bad_expected} : std_logic_vector({w - 1} downto 0);",
            f"signal {s.bad_masked} : boolean := false;",
            f"signal {s.delivered} : integer := -1;",
        ],
        "processes": [
            f"-- Takes the values of {port.name}, checking each against the test's list.",
            f"{s.checker} : process",
            f"  variable {line} : line;",
            f"  variable {flag}, {eflag} : character := '-';",
            f"  variable {count}, {got} : natural := 0;",
            f"  variable {bad}, {last_bad} : integer := -1;",
            f"  variable {word}, {mask} : std_logic_vector({4 * digits - 1} downto 0);",
            f"  variable {expected}, {value} : std_logic_vector({w - 1} downto 0);",
            f"  variable {hold}, {nothing} : boolean := false;",
            f"  variable {state} : integer := {seed_of(options.seed, k)};",
            "begin",
            f"  {sig(ready)} <= {drive_bit(ready, '0')};",
            "  loop",
            *["    " + x if x else "" for x in body],
            "  end loop;",
            f"end process {s.checker};",
            "",
        ],
        "read_test": [f"{s.go} <= not {s.go};"],
        "check_outputs": lines(f"""
            if {s.checked} and ({s.bad} >= 0 or {s.got} /= {s.count} or {s.last_bad} >= 0) then
              {names.passed} := false;
            end if;
        """),
        "result_fields": lines(f"""
            if {s.checked} and {s.bad} >= 0 then
              write({n}, string'(" {label}["));
              write({n}, {names.own('hex')}({s.bad}));
              write({n}, string'("]="));
              write({n}, {names.image(s.bad_seen)});
              write({n}, string'(" {label}["));
              write({n}, {names.own('hex')}({s.bad}));
              write({n}, string'("]_expected="));
              if {s.bad_masked} then
                write({n}, {expected_text});
              else
                write({n}, {names.image(s.bad_expected)});
              end if;
            end if;
            if {s.checked} and {s.got} /= {s.count} then
              write({n}, string'(" {label}: expected "));
              write({n}, {s.count});
              if {s.count} = 1 then
                write({n}, string'(" value, got "));
              else
                write({n}, string'(" values, got "));
              end if;
              write({n}, {s.got});
            end if;
            if {s.checked} and {s.last_bad} >= 0 then
              write({n}, string'(" {label}: last wrong with value "));
              write({n}, {names.own('hex')}({s.last_bad}));
            end if;
        """),
    }


def hang_reports(names, streams):
    """Procedures the hang of a design without done calls: why the test did
    not end (an output stream short of values, or else an input stream whose
    values were not all taken), and where each stream stands, so a run that
    lost values shows which and how many."""
    reason, state = names.own("hang_reason"), names.own("hang_state")
    checked = [(s, _Own(k, names)) for k, s in enumerate(streams) if not s.is_input]
    short = " or ".join(f"({o.checked} and {o.got} < {o.count})" for _, o in checked) or "false"
    body = []
    for stream, o in checked:
        label = names.label(stream.port)
        body += lines(f"""
            if {o.checked} then
              write(l, string'("; {label}: "));
              write(l, {o.got});
              write(l, string'(" of "));
              write(l, {o.count});
              write(l, string'(" values delivered"));
              if {o.bad} >= 0 then
                write(l, string'(", {label}["));
                write(l, {names.own('hex')}({o.bad}));
                write(l, string'("]="));
                write(l, {names.image(o.bad_seen)});
                write(l, string'(" {label}["));
                write(l, {names.own('hex')}({o.bad}));
                write(l, string'("]_expected="));
                if {o.bad_masked} then
                  write(l, {names.own('expected_image')}({o.bad_expected}));
                else
                  write(l, {names.image(o.bad_expected)});
                end if;
              end if;
            end if;
        """)
    for k, stream in enumerate(streams):
        if stream.is_input:
            o = _Own(k, names)
            body += lines(f"""
                if {o.left} /= 0 then
                  write(l, string'("; {names.label(stream.port)}: "));
                  write(l, {o.left});
                  write(l, string'(" of "));
                  write(l, {o.count});
                  write(l, string'(" values not taken"));
                end if;
            """)
    return [
        f"procedure {reason}(l : inout line) is",
        "begin",
        f"  if {short} then",
        f"    write(l, string'(\"{HANG_OUTPUTS}\"));",
        "  else",
        f"    write(l, string'(\"{HANG_INPUTS}\"));",
        "  end if;",
        f"end procedure {reason};",
        f"procedure {state}(l : inout line) is",
        "begin",
        *["  " + x if x else "" for x in body],
        "  null;",
        f"end procedure {state};",
    ]
