"""JUnit XML of outcomes, one test suite per bench, one test case per test."""
from itertools import repeat

from .errors import EXIT_BAD_INPUT, EXIT_HANG, BadInput
from .results import PassingRun

# What XML 1.0 cannot hold: most control characters, lone surrogates (from
# undecodable bytes) and the two non-characters U+FFFE and U+FFFF.
_NOT_XML = "[\x00-\x08\x0b\x0c\x0e-\x1f\ud800-\udfff\ufffe\uffff]"


def xml_text(text):
    """text with each character XML 1.0 cannot hold shown as \\xNN or
    \\uNNNN, so the message stays readable and the file well-formed."""
    import re
    return re.sub(_NOT_XML, lambda m: f"\\x{ord(m.group()):02x}" if ord(m.group()) < 0x100
                        else f"\\u{ord(m.group()):04x}", text)


def suite(outcome):
    from xml.etree import ElementTree as ET
    b = xml_text(outcome.name)
    s = ET.Element("testsuite", name=b)
    if getattr(outcome, "interval", None) is not None:
        properties = ET.SubElement(s, "properties")
        for name, value in pipeline_properties(outcome):
            ET.SubElement(properties, "property", name=name, value=xml_text(value))
    for t in outcome.tests:
        case = ET.SubElement(s, "testcase", classname=b, name=f"test {t.number}")
        if t.passed:
            ET.SubElement(case, "system-out").text = f"{t.cycles} cycles"
        else:
            ET.SubElement(case, "failure", message=xml_text(t.line))
    errors = 0
    if outcome.status in (EXIT_HANG, EXIT_BAD_INPUT):
        errors = 1
        case = ET.SubElement(s, "testcase", classname=b, name=f"test {outcome.running_test()}")
        detail = xml_text(outcome.detail)
        error = ET.SubElement(case, "error", message=detail.split("\n", 1)[0])
        error.text = detail
    s.set("tests", str(len(outcome.tests) + errors))
    s.set("failures", str(len(outcome.failed)))
    s.set("errors", str(errors))
    return s


def pipeline_properties(outcome):
    """--overlap: the run's interval and throughput, as suite properties."""
    return [("interval between accepted starts (cycles min / mean / max)", outcome.interval),
            ("throughput (tests per 1,000 cycles)", outcome.throughput)]


def _attribute(text):
    """An attribute value escaped as ElementTree escapes it."""
    return (text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
            .replace('"', "&quot;").replace("\r", "&#13;").replace("\n", "&#10;")
            .replace("\t", "&#09;"))


def _text(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def junit_text(outcomes):
    """The JUnit file of the outcomes: the bytes ElementTree writes for
    suite() of each, indented, but written line by line, as a run of a
    million tests takes ElementTree seconds."""
    out = ["<?xml version='1.0' encoding='UTF-8'?>\n<testsuites>"]
    add = out.append
    for o in outcomes:
        b = _attribute(xml_text(o.name))
        errors = 1 if o.status in (EXIT_HANG, EXIT_BAD_INPUT) else 0
        head = (f'\n  <testsuite name="{b}" tests="{len(o.tests) + errors}"'
                f' failures="{len(o.failed)}" errors="{errors}"')
        if not o.tests and not errors and getattr(o, "interval", None) is None:
            add(head + " />")
            continue
        add(head + ">")
        if getattr(o, "interval", None) is not None:
            add("\n    <properties>")
            for name, value in pipeline_properties(o):
                add(f'\n      <property name="{_attribute(name)}"'
                    f' value="{_attribute(xml_text(value))}" />')
            add("\n    </properties>")
        case = f'\n    <testcase classname="{b}" name="test '
        for part in o.tests.parts():
            if isinstance(part, PassingRun):
                # Digits need no escaping: joined without an object a test.
                out.extend(map("".join, zip(repeat(case), part.shown_numbers(),
                                            repeat('">\n      <system-out>'), part.cycles,
                                            repeat(" cycles</system-out>\n    </testcase>"))))
                continue
            for t in part:
                if t.passed:
                    add(f"{case}{t.number}\">\n      <system-out>{_text(str(t.cycles))} cycles"
                        "</system-out>\n    </testcase>")
                else:
                    add(f'{case}{t.number}">\n      <failure message="{_attribute(xml_text(t.line))}" />'
                        "\n    </testcase>")
        if errors:
            detail = xml_text(o.detail)
            message = _attribute(detail.split("\n", 1)[0])
            body = f">{_text(detail)}</error>" if detail else " />"
            add(f'{case}{len(o.tests) + 1}">\n      <error message="{message}"{body}'
                "\n    </testcase>")
        add("\n  </testsuite>")
    add("\n</testsuites>" if outcomes else "")
    if not outcomes:
        out[0] = "<?xml version='1.0' encoding='UTF-8'?>\n<testsuites />"
    return "".join(out)


def write_junit(path, outcomes):
    try:
        with open(path, "w", encoding="utf-8", errors="xmlcharrefreplace", newline="\n") as f:
            f.write(junit_text(outcomes))
    except OSError as e:
        raise BadInput(f"cannot write the JUnit file {path}: {e.strerror}")
