"""A data port's hexadecimal field of a test's line, as the driver and the
checker read it."""


class HexField:
    """The variable the field is read into (whole hexadecimal digits) and
    `bits`, the name of its low `port.width` bits (width - 1 downto 0):
    the port's value as a std_logic_vector. `word` names the variable
    (another word for a second reading of the same field)."""

    def __init__(self, port, names, word="value"):
        self.variable = names.own(f"{word}_{port.name}")
        self.bits = f"{self.variable}({port.width - 1} downto 0)"
        self.declaration = (f"variable {self.variable} :"
                            f" std_logic_vector({4 * port.digits - 1} downto 0);")
        self.read = f"hread({names.vector}, {self.variable});"
