"""Port names in option values (--control, --stream, --memory). A basic
identifier is matched in any case; an extended one (\\my port\\) exactly as
written, backslashes included, as VHDL compares them. An extended
identifier may hold any character, ',', '=' and ':' among them, so option
values are split outside extended identifiers only: one runs from a
backslash to the next single backslash, a doubled one standing for a
backslash inside it."""


def is_basic(text):
    """A VHDL basic identifier: a letter, then letters, digits and single
    underscores, not ending in one."""
    return (text[:1].isascii() and text[:1].isalpha() and text.isascii() and not text.endswith("_")
            and "__" not in text and all(c.isalnum() or c == "_" for c in text))


def is_extended(text):
    """A VHDL extended identifier as written: between backslashes, at least
    one character, a backslash inside doubled."""
    inner = text[1:-1]
    return (len(text) >= 3 and text[0] == text[-1] == "\\"
            and "\\" not in inner.replace("\\\\", ""))


def key(text):
    """How a port name given in an option is matched to the design's ports:
    a basic identifier in lower case, an extended one as written; None for
    text that is neither."""
    if is_extended(text):
        return text
    if is_basic(text):
        return text.lower()
    return None


def split(text, separator):
    """The parts of text between separators outside extended identifiers.
    An extended identifier left open runs to the end (the part is then no
    port name, and refused as such)."""
    parts, start, i, n = [], 0, 0, len(text)
    while i < n:
        ch = text[i]
        if ch == "\\":
            i += 1
            while i < n:
                if text[i] == "\\":
                    if text[i + 1:i + 2] != "\\":
                        break
                    i += 1
                i += 1
        elif ch == separator:
            parts.append(text[start:i])
            start = i + 1
        i += 1
    parts.append(text[start:])
    return parts


def with_suffix(name, suffix):
    """A port's name with a suffix: x gives x_valid, \\my x\\ gives
    \\my x_valid\\."""
    if name.startswith("\\"):
        return name[:-1] + suffix + "\\"
    return name + suffix
