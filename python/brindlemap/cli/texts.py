"""The texts that `check` and `correct` read: whole lines at a time, in chunks that each know
the number of their first line, so that a long text takes bounded memory and a line typed into
standard input is answered as soon as it is complete; and what of a text cannot be checked,
which passes through as it is: a line longer than MAX_LINE_BYTES, in parts, and bytes that do
not decode. A Markdown or HTML text is one chunk, since a code block or a comment may span any
number of lines; only a line too long to check parts it."""

import os
import sys
from bisect import bisect_right
from collections.abc import Callable, Iterator
from typing import NamedTuple

from brindlemap.cli.encodings import Encoding
from brindlemap.cli.indexes import opened
from brindlemap.cli.streams import ReadyAwareInput, say
from brindlemap.lines import LineSource, read_lines
from brindlemap.wordlist import MAX_LINE_BYTES

STDIN_NAME = "<stdin>"
# A chunk ends at the first line break past this many characters: one lookup batch each.
CHUNK_CHARS = 1 << 16
# The places left unchecked that are named one by one; the rest are counted.
NAMED_UNCHECKED = 10
# The format of a text by its file's extension; any other, and standard input, is "text".
EXTENSION_FORMATS = {".md": "markdown", ".markdown": "markdown", ".html": "html",
                     ".htm": "html"}


class Chunk(NamedTuple):
    """Whole lines of a text, their line breaks kept."""

    first_line: int  # from 1
    # Bytes that do not decode stand in it as lone surrogates (`brindlemap.cli.encodings`),
    # which no word holds and which encode back to the same bytes.
    text: str
    line_starts: list[int]  # where each of its lines begins in text
    undecodable: list[tuple[int, int]]  # (line, byte from 1) of each line with such bytes


class LongLine(NamedTuple):
    """A part of a line too long to check, its bytes as they are (with the line break, in its
    last part)."""

    number: int
    data: bytes
    first: bool  # whether this is the line's first part


def _parts(source: LineSource, ready: Callable[[], bool], encoding: Encoding,
           whole: bool) -> Iterator[Chunk | LongLine]:
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
        line, bad_byte = encoding.line(data)
        if bad_byte is not None:
            undecodable.append((number, bad_byte))
        starts.append(size)
        pending.append(line + end.decode("ascii"))
        size += len(pending[-1])
        if not whole and (size >= CHUNK_CHARS or not ready()):
            yield Chunk(first, "".join(pending), starts, undecodable)
            pending, starts, undecodable, size = [], [], [], 0
    if pending:
        yield Chunk(first, "".join(pending), starts, undecodable)


def text_parts(path: str, encoding: Encoding, whole: bool) -> Iterator[Chunk | LongLine]:
    """The text at `path`, or standard input for "-", in chunks of whole lines (with `whole`,
    one chunk between lines too long to check), and the parts of each line too long to
    check."""
    if path == "-":
        if sys.stdin is None:
            return
        source = ReadyAwareInput(sys.stdin.fileno())
        yield from _parts(encoding.source(source), source.line_ready, encoding, whole)
        return
    with opened(path) as file:
        yield from _parts(encoding.source(file), lambda: True, encoding, whole)


def text_format(path: str) -> str:
    """The format of the text at `path` by its extension."""
    return EXTENSION_FORMATS.get(os.path.splitext(path)[1].lower(), "text")


def text_name(path: str) -> str:
    return STDIN_NAME if path == "-" else path


class Unchecked:
    """Says on standard error where a text was left unchecked: the first places by name, then
    how many more."""

    def __init__(self, name: str, encoding: Encoding) -> None:
        self._name = name
        self._encoding = encoding.label
        self.count = 0

    def of(self, part: Chunk | LongLine) -> None:
        """Notes what of `part` is left unchecked."""
        if isinstance(part, LongLine):
            if part.first:
                self._note(part.number, f"a line longer than {MAX_LINE_BYTES} bytes, left "
                                        "unchecked")
            return
        for line, byte in part.undecodable:
            self._note(line, f"not {self._encoding} text (byte {byte}): the words around it "
                             "are left unchecked")

    def cannot_write(self, line: int) -> None:
        """Notes that the corrections of `line` cannot be written in the text's encoding."""
        self._note(line, f"a correction {self._encoding} cannot write: the line is left as it "
                         "was")

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
