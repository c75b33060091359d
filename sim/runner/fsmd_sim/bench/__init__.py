"""The pieces of the generated bench, one concern each.

The bench's whole text is the template templates/bench.vhd.in. A line that
holds only `@slot@` is a block slot: every piece may add lines to it, and
they appear in the order of the pieces, indented as the slot. `@word@`
inside a line is a word of `Names.words()`. A piece is a function that
returns a dict from block slot to its lines (see `template.fill`); it reads
the port or options it concerns and the shared `Names`, never another
piece's text. `harness_gen.generate` lists the pieces.
"""
