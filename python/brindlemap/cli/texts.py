"""The texts that `check` and `correct` read: whole lines at a time, in chunks that each know
the number of their first line, so that a long text takes bounded memory and a line typed into
standard input is answered as soon as it is complete; and what of a text cannot be checked,
which passes through as it is: a line longer than MAX_LINE_BYTES, in parts, and bytes that are
not UTF-8."""

import sys
from bisect import bisect_right
from collections.abc import Callable, Iterator
from typing import NamedTuple

from brindlemap.cli.indexes import opened
from brindlemap.cli.streams import ReadyAwareInput, say
from brindlemap.lines import LineSource, read_lines
from brindlemap.wordlist import MAX_LINE_BYTES

STDIN_NAME = "<stdin>"
# A chunk ends at the first line break past this many characters: one lookup batch each.
CHUNK_CHARS = 1 << 16
# The places left unchecked that are named one by one; the rest are counted.
NAMED_UNCHECKED = 10


class Chunk(NamedTuple):
    """Whole lines of a text, their line breaks kept."""

    first_line: int  # from 1
    # Bytes that are not UTF-8 stand in it as lone surrogates ("surrogateescape"), which no
    # word holds and which encode back to the same bytes.
    text: str
    line_starts: list[int]  # where each of its lines begins in text
    undecodable: list[tuple[int, int]]  # (line, byte from 1) of each line with such bytes


class LongLine(NamedTuple):
    """A part of a line too long to check, its bytes as they are (with the line break, in its
    last part)."""

    number: int
    data: bytes
    first: bool  # whether this is the line's first part


def _parts(source: LineSource, ready: Callable[[], bool]) -> Iterator[Chunk | LongLine]:
    pending: list[str] = []
    starts: list[int] = []
    undecodable: list[tuple[int, int]] = []
    size, first, long_line = 0, 1, 0
    for number, data, end, whole in read_lines(source, MAX_LINE_BYTES):
        if not whole:
            if pending:
                yield Chunk(first, "".join(pending), starts, undecodable)
                pending, starts, undecodable, size = [], [], [], 0
            yield LongLine(number, data + end, number != long_line)
            long_line = number
            continue
        if not pending:
            first = number
        try:
            line = data.decode("utf-8")
        except UnicodeDecodeError as error:
            undecodable.append((number, error.start + 1))
            line = data.decode("utf-8", "surrogateescape")
        starts.append(size)
        pending.append(line + end.decode("ascii"))
        size += len(pending[-1])
        if size >= CHUNK_CHARS or not ready():
            yield Chunk(first, "".join(pending), starts, undecodable)
            pending, starts, undecodable, size = [], [], [], 0
    if pending:
        yield Chunk(first, "".join(pending), starts, undecodable)


def text_parts(path: str) -> Iterator[Chunk | LongLine]:
    """The text at `path`, or standard input for "-", in chunks of whole lines, and the parts
    of each line too long to check."""
    if path == "-":
        if sys.stdin is None:
            return
        source = ReadyAwareInput(sys.stdin.fileno())
        yield from _parts(source, source.line_ready)
        return
    with opened(path) as file:
        yield from _parts(file, lambda: True)


def text_name(path: str) -> str:
    return STDIN_NAME if path == "-" else path


class Unchecked:
    """Says on standard error where a text was left unchecked: the first places by name, then
    how many more."""

    def __init__(self, name: str) -> None:
        self._name = name
        self.count = 0

    def of(self, part: Chunk | LongLine) -> None:
        """Notes what of `part` is left unchecked."""
        if isinstance(part, LongLine):
            if part.first:
                self._note(part.number, f"a line longer than {MAX_LINE_BYTES} bytes, left "
                                        "unchecked")
            return
        for line, byte in part.undecodable:
            self._note(line, f"not UTF-8 text (byte {byte}): the words around it are left "
                             "unchecked")

    def _note(self, line: int, why: str) -> None:
        self.count += 1
        if self.count <= NAMED_UNCHECKED:
            say(f"brindlemap: warning: {self._name}:{line}: {why}")

    def close(self) -> None:
        if self.count > NAMED_UNCHECKED:
            say(f"brindlemap: warning: {self._name}: {self.count - NAMED_UNCHECKED} more lines "
                "left unchecked")


class Places:
    """Line and column (from 1, in characters) of the offsets into a chunk."""

    def __init__(self, chunk: Chunk) -> None:
        self._first = chunk.first_line
        self._starts = chunk.line_starts

    def __call__(self, offset: int) -> tuple[int, int]:
        line = bisect_right(self._starts, offset) - 1
        return self._first + line, offset - self._starts[line] + 1
