#!/bin/sh
# Regenerates port_kinds.xml.gz, the tree GHDL dumps for port_kinds.vhd, on
# which the port-reading tests run without GHDL.
set -eu
cd "$(dirname "$0")"
ghdl-mcode --file-to-xml --std=93c --ieee=standard port_kinds.vhd | gzip -9n > port_kinds.xml.gz
