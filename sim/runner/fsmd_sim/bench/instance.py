"""The design under test: one bench signal per port and the instance that
connects them."""


def generic_map(generics):
    """The generics given with --generic, as written (VHDL literals)."""
    if not generics:
        return []
    lines = [f"    {name} => {value}," for name, value in generics.items()]
    lines[-1] = lines[-1][:-1]
    return ["  generic map (", *lines, "  )"]


def design_instance(ports, names):
    port_map, functions, declarations = [], [], []
    for port in ports:
        if port.name in names.control_ports:
            association, needed = port.control_association(names.signal(port), names.p)
            functions += [f for f in needed if f not in functions]
            subtype = "std_logic"
        else:
            association, subtype = f"{port.name} => {names.signal(port)}", port.subtype
        port_map.append(f"    {association},")
        declarations.append(f"signal {names.signal(port)} : {subtype};")
    if port_map:
        port_map[-1] = port_map[-1][:-1]
    function_lines = []
    if functions:
        function_lines.append("-- Control ports of other types than std_logic, converted in the"
                              " port map.")
        for function in functions:
            function_lines += [*function, ""]
    return {
        "functions": function_lines,
        "declarations": [
            f"-- The design's ports, one signal each, named as the port ({names.p}port_<name> for",
            "-- a port named like something the bench uses, such as read or line).",
            *declarations,
        ],
        "instance": [
            f"{names.own('uut')} : entity work.{names.entity}({names.architecture})",
            *generic_map(names.generics),
            "  port map (",
            *port_map,
            "  );",
        ],
    }
