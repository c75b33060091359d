-- std_logic_textio for VHDL-2008 runs: empty, as std_logic_1164 itself reads and
-- writes std_logic values there (hread, hwrite, ...). Units written for
-- VHDL-93 name work.std_logic_textio, which this keeps valid; GHDL's
-- VHDL-93 source of it would declare every procedure a second time.
package std_logic_textio is
end package std_logic_textio;
