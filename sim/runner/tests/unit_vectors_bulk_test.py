"""The reader of the common vectors file over its whole text, against the
reader of single lines and the full check, without GHDL."""
import random
import unittest
from unittest import mock

from fsmd_sim import vectors
from fsmd_sim.ports import Port
from fsmd_sim.vectors_bulk import _rows_in_bench_order, bulk_rows

PORTS = [Port("a", "in", "signed", 15, 0), Port("k", "in", "std_logic_vector", 8, 0),
         Port("y", "out", "signed", 15, 0), Port("sat", "out", "std_logic", None, None),
         Port("w", "out", "unsigned", 66, 0)]


def by_lines(text, ports=PORTS):
    """vectors.parse with the whole-text reader switched off."""
    with mock.patch.object(vectors, "bulk_rows", lambda *args: None):
        return outcome(text, ports)


def outcome(text, ports=PORTS):
    try:
        v = vectors.parse("v.vectors", text, ports)
        return v.rows, list(v.lines), v.bench_text()
    except vectors.VectorsError as e:
        return str(e)


def field(rng, port, digits=None):
    return f"{rng.randrange(1 << port.width):0{digits or port.digits}X}"


def random_file(rng, form):
    """A vectors file in one of the forms the readers must agree on."""
    names = ["k", "a"] if rng.random() < 0.5 else ["a", "k"]
    outputs = rng.choice([["y", "sat", "w"], ["w", "y"], ["sat"]])
    by_name = {p.name: p for p in PORTS}
    lines = ["# a comment before the header", " ".join(names) + " : " + " ".join(outputs)]
    for _ in range(rng.randrange(0, 40)):
        fields = [field(rng, by_name[n]) for n in names] + [":"] + [field(rng, by_name[n])
                                                               for n in outputs]
        lines.append(" ".join(fields))
    body = lines[2:]
    if body and form != "plain":
        i = rng.randrange(len(body))
        parts = body[i].split()
        if form == "tabs":
            body[i] = "\t".join(parts)
        elif form == "wide blanks":
            body[i] = "  " + "   ".join(parts) + " "
        elif form == "crlf":
            body = [line + "\r" for line in body]
        elif form == "short field":
            parts[0] = parts[0][1:] or "0"
            body[i] = " ".join(parts)
        elif form == "dash":
            parts[-1] = "-"
            body[i] = " ".join(parts)
        elif form == "comment":
            body[i] += "  # why"
        elif form == "blank line":
            body.insert(i, "")
        elif form == "top bit too high":
            parts[names.index("k")] = "2" + parts[names.index("k")][1:]
            body[i] = " ".join(parts)
        elif form == "misaligned":
            # One line a field short, the next a field long: the same total.
            if i + 1 < len(body):
                body[i] = " ".join(parts[1:])
                body[i + 1] = body[i + 1] + " " + parts[0]
        elif form == "colon joined":
            body[i] = body[i].replace(" : ", ":")
        elif form == "garbage":
            body[i] = body[i][:3] + "g" + body[i][4:]
    end = rng.choice(["\n", ""]) if body else "\n"
    return "\n".join(lines[:2] + body) + end


class WholeText(unittest.TestCase):
    FORMS = ["plain", "tabs", "wide blanks", "crlf", "short field", "dash", "comment", "blank line",
             "top bit too high", "misaligned", "colon joined", "garbage"]

    def test_the_same_rows_lines_and_errors_as_the_line_reader(self):
        # Faults it would catch: a field taken from the wrong column, a test
        # dropped or invented, a line number off, a bad file accepted.
        rng = random.Random(25)
        for form in self.FORMS:
            for round_ in range(30):
                text = random_file(rng, form)
                with self.subTest(form=form, round=round_):
                    self.assertEqual(outcome(text), by_lines(text), text)

    def test_lines_that_make_up_each_other_s_missing_field_are_refused(self):
        # A fault it would catch: the whole text's count of fields taken for
        # every line's, when one line lacks the field the next has too many.
        ports = [Port(name, mode, "unsigned", 15, 0)
                 for name, mode in (("a", "in"), ("b", "in"), ("y", "out"), ("z", "out"))]
        text = "a b : y z\n0001 0002 : 0003\n0001 0002 0005 : 0003 0004\n"
        self.assertEqual(outcome(text, ports), by_lines(text, ports))
        self.assertIn("v.vectors:2:", by_lines(text, ports))

    def test_the_common_file_is_read_by_the_whole_text_reader(self):
        # A fault it would catch: the fast reader never taking a file (all
        # files left to the line reader), which the comparison above misses.
        text = "a k : y sat w\n" + "".join(f"{n:04X} 1{n % 256:02X} : {n:04X} 1 {n:017X}\n"
                                            for n in range(50))
        columns = [0, 1, None, 2, 3, 4]
        (flags, rows), lines = bulk_rows(text, 1, columns, PORTS, [0, 1, 2, 3, 4])
        rows = [flags + row for row in rows.splitlines(True)]
        self.assertEqual(rows[3], f"ccc 0003 103 0003 1 {3:017X}\n")
        self.assertEqual(list(lines), list(range(2, 52)))
        # Blanks other than single spaces: read by the same reader, line by line.
        tabbed = bulk_rows(text.replace(" : ", "\t:  "), 1, columns, PORTS, [0, 1, 2, 3, 4])
        self.assertEqual(tabbed, (rows, list(lines)))

    def test_a_file_in_the_bench_s_order_is_taken_without_splitting_its_lines(self):
        # Faults it would catch: the straight path never taken (a file in
        # the bench's order split field by field all the same), or taken for
        # a file whose fields must be moved or whose top digits are not
        # checked.
        order = [0, 1, 2, 3, 4]
        line = f"0003 103 : 0003 1 {3:017X}\n"
        cases = [
            ("bench order", [0, 1, None, 2, 3, 4], line * 3,
             ("ccc ", f"0003 103 0003 1 {3:017X}\n" * 3)),
            ("inputs swapped", [1, 0, None, 2, 3, 4], f"103 0003 : 0003 1 {3:017X}\n", None),
            ("an output left out", [0, 1, None, 2, 3], "0003 103 : 0003 1\n", None),
            ("top digit beyond 9 bits", [0, 1, None, 2, 3, 4], line.replace(" 103 ", " 203 "), None),
            ("two blanks", [0, 1, None, 2, 3, 4], line.replace(" : ", "  : "), None),
        ]
        for name, columns, body, rows in cases:
            with self.subTest(name):
                self.assertEqual(_rows_in_bench_order(body, body.count("\n"), columns, PORTS, order),
                                 rows)


class Lines(unittest.TestCase):
    def test_the_lines_are_those_of_a_split_at_line_breaks(self):
        # The reader takes its first lines one by one and the rest in one
        # split; a fault it would catch: a line lost, doubled or cut where
        # the two meet, or an empty last line dropped.
        for count in (0, 1, 15, 16, 17, 40):
            for end in ("", "\n", "\r\n", "\n\n"):
                text = "\n".join(f"line {n}" for n in range(count)) + end
                with self.subTest(count=count, end=end):
                    self.assertEqual(list(vectors._lines(text)), text.split("\n"))


if __name__ == "__main__":
    unittest.main()
