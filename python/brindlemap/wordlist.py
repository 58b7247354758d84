"""Reading word lists: UTF-8 text, one word per line, optionally a tab and a payload."""

import functools
from collections.abc import Iterator
from typing import BinaryIO

from brindlemap._types import MAX_PAYLOAD
from brindlemap.lines import LineSource, read_lines

# No word comes near this; a longer line is refused rather than read, so that a source with no
# line breaks (/dev/zero, a stray binary file) costs a bounded amount of memory.
MAX_LINE_BYTES = 1 << 20

_BOM = b"\xef\xbb\xbf"
@functools.cache
def _space_but_tab() -> str:
    """Whitespace around a line, but not a tab: a leading tab is an empty word, not
    indentation. Unicode has no whitespace beyond its first plane; the walk over it is made
    when the first list is read, not when the package is imported."""
    return "".join(c for c in map(chr, range(0x10000)) if c.isspace() and c != "\t")


class WordListError(ValueError):
    """A line that cannot be taken; the message names the source and the line (from 1)."""


def parse_unsigned(text: str, maximum: int) -> int | None:
    """The value of `text` if it is ASCII decimal digits worth at most `maximum`, else None.

    Unlike int(), no sign, no surrounding space, no underscores and no other scripts' digits.
    """
    if not (text.isascii() and text.isdigit()):
        return None
    if len(text.lstrip("0")) > len(str(maximum)):  # before int(), which caps its digit count
        return None
    value = int(text)
    return value if value <= maximum else None


def lines(source: LineSource, name: str) -> Iterator[str]:
    """The text of each line of `source`, read one at a time.

    Lines end at \\n, \\r\\n or a lone \\r; the other characters that str.splitlines()
    breaks at stay inside the line. A byte-order mark opening the first line is dropped. A line
    that is not UTF-8, holds a NUL byte or is longer than MAX_LINE_BYTES raises WordListError.
    """
    for number, raw, _, whole in read_lines(source, MAX_LINE_BYTES):
        if not whole:
            raise WordListError(f"{name}:{number}: line longer than {MAX_LINE_BYTES} bytes")
        if number == 1 and raw.startswith(_BOM):
            raw = raw[len(_BOM):]
        if b"\0" in raw:
            raise WordListError(f"{name}:{number}: a NUL byte (at byte {raw.index(0) + 1}), "
                                "which text does not hold")
        try:
            yield raw.decode("utf-8")
        except UnicodeDecodeError as error:
            raise WordListError(
                f"{name}:{number}: not UTF-8 text (byte {error.start + 1})") from None


def entries(source: BinaryIO, name: str) -> Iterator[tuple[str, int]]:
    """(word, payload) for each non-blank line of `source`: "word" (the payload is the line's
    index, from 0) or "word<TAB>payload", with the surrounding whitespace trimmed."""
    for index, line in enumerate(lines(source, name)):
        text = line.strip(_space_but_tab())
        if not text:
            continue
        word, tab, payload = text.partition("\t")
        word = word.rstrip()
        if not word:
            raise WordListError(f"{name}:{index + 1}: empty word before the tab")
        value = parse_unsigned(payload, MAX_PAYLOAD) if tab else index
        if value is None:
            raise WordListError(f"{name}:{index + 1}: payload {payload!r} is not an integer "
                                f"in 0..{MAX_PAYLOAD}")
        yield word, value
