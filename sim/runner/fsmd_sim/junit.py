"""JUnit XML of outcomes, one test suite per bench, one test case per test."""
from .errors import EXIT_BAD_INPUT, EXIT_HANG, BadInput

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


def write_junit(path, outcomes):
    from xml.etree import ElementTree as ET
    root = ET.Element("testsuites")
    for o in outcomes:
        root.append(suite(o))
    ET.indent(root)
    try:
        ET.ElementTree(root).write(path, encoding="UTF-8", xml_declaration=True)
    except OSError as e:
        raise BadInput(f"cannot write the JUnit file {path}: {e.strerror}")
