"""Reading lines of bytes from a file or a stream, one at a time and each within a limit: a
line ends at \\n, \\r\\n or a lone \\r (as old Mac files end them), and a line longer than the
limit comes in parts, so that a source with no line breaks costs bounded memory."""

import re
from collections.abc import Iterator
from typing import NamedTuple, Protocol

_BREAK = re.compile(rb"\r\n|\r|\n")


class LineSource(Protocol):
    """What lines are read from: a binary file, or anything that reads a line up to a limit."""

    def readline(self, limit: int, /) -> bytes: ...


class Line(NamedTuple):
    """A line, or a part of one that is longer than the limit."""

    number: int  # from 1
    data: bytes  # without its line break
    end: bytes  # its line break: b"\n", b"\r\n", b"\r", or b"" for the last line of the source
    # and for the parts of a long line but its last
    whole: bool  # False for each part of a line longer than the limit


def read_lines(source: LineSource, limit: int) -> Iterator[Line]:
    """The lines of `source`, read as they are needed: each line whole while it holds at most
    `limit` bytes, a longer one in parts of at most about twice that, each marked as such."""
    pending = b""  # bytes read that start a line not yet given
    number = 1
    long_line = False  # whether the current line has been given in part
    while True:
        data = source.readline(limit + 1)
        if not pending and not long_line and data.endswith(b"\n"):
            # The common case: one line read whole, ended by \n or \r\n, no \r inside.
            carriage = data.find(b"\r")
            if carriage < 0 or carriage == len(data) - 2:
                cut = len(data) - 1 if carriage < 0 else carriage
                yield Line(number, data[:cut], data[cut:], True)
                number += 1
                continue
        ended = not data
        buffer = pending + data if pending else data
        start = 0
        for found in _BREAK.finditer(buffer):
            if found.end() == len(buffer) and not ended and buffer.endswith(b"\r"):
                break  # a \n may follow in what comes next
            line = buffer[start:found.start()]
            yield Line(number, line, found.group(), not long_line and len(line) <= limit)
            number += 1
            long_line = False
            start = found.end()
        rest = buffer[start:]
        if ended:
            if rest:
                yield Line(number, rest, b"", not long_line and len(rest) <= limit)
            return
        cut = len(rest) - rest.endswith(b"\r")  # a \r there may be half of a \r\n
        if cut > limit:
            yield Line(number, rest[:cut], b"", False)
            long_line = True
            rest = rest[cut:]
        pending = rest
