"""The design under test: one bench signal per port and the instance that
connects them."""


def design_instance(ports, names):
    port_map = [f"    {port.name} => {names.signal(port)}," for port in ports]
    if port_map:
        port_map[-1] = port_map[-1][:-1]
    return {
        "declarations": [
            f"-- The design's ports, one signal each, named as the port ({names.p}port_<name> for",
            "-- a port named like something the bench uses, such as read or line).",
            *(f"signal {names.signal(port)} : {port.subtype};" for port in ports),
        ],
        "instance": [
            f"{names.own('uut')} : entity work.{names.entity}({names.architecture})",
            "  port map (",
            *port_map,
            "  );",
        ],
    }
