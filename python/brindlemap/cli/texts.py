"""The texts that `check` and `correct` read: whole lines at a time, in chunks that each know
the number of their first line, so that a long text takes bounded memory and a line typed into
standard input is answered as soon as it is complete."""

import sys
from bisect import bisect_right
from collections.abc import Callable, Iterator
from typing import Protocol

from brindlemap.cli.indexes import opened
from brindlemap.cli.streams import ReadyAwareInput, UserError
from brindlemap.wordlist import MAX_LINE_BYTES

STDIN_NAME = "<stdin>"
# A chunk ends at the first line break past this many characters: one lookup batch each.
CHUNK_CHARS = 1 << 16


class _Lines(Protocol):
    def readline(self, limit: int, /) -> bytes: ...


def _chunks(source: _Lines, name: str,
            ready: Callable[[], bool]) -> Iterator[tuple[int, str]]:
    pending: list[str] = []
    size, first = 0, 1
    for number in range(1, sys.maxsize):
        raw = source.readline(MAX_LINE_BYTES + 1)
        if not raw:
            break
        if len(raw) > MAX_LINE_BYTES:
            raise UserError(f"{name}:{number}: line longer than {MAX_LINE_BYTES} bytes")
        try:
            line = raw.decode("utf-8")
        except UnicodeDecodeError as error:
            raise UserError(f"{name}:{number}: not UTF-8 text (byte {error.start + 1})") from None
        pending.append(line)
        size += len(line)
        if size >= CHUNK_CHARS or not ready():
            yield first, "".join(pending)
            pending, size, first = [], 0, number + 1
    if pending:
        yield first, "".join(pending)


def text_chunks(path: str) -> Iterator[tuple[int, str]]:
    """(the number of its first line, from 1; the chunk's text, line breaks kept) for the
    text at `path`, or standard input for "-"; a line that is not UTF-8, or longer than
    MAX_LINE_BYTES, is a UserError naming it."""
    if path == "-":
        if sys.stdin is None:
            return
        source = ReadyAwareInput(sys.stdin.fileno())
        yield from _chunks(source, STDIN_NAME, source.line_ready)
        return
    with opened(path) as file:
        yield from _chunks(file, path, lambda: True)


def text_name(path: str) -> str:
    return STDIN_NAME if path == "-" else path


class Places:
    """Line and column (from 1, in characters) of the offsets into a chunk."""

    def __init__(self, first_line: int, chunk: str) -> None:
        self._first = first_line
        self._starts = [0]
        at = chunk.find("\n")
        while at >= 0:
            self._starts.append(at + 1)
            at = chunk.find("\n", at + 1)

    def __call__(self, offset: int) -> tuple[int, int]:
        line = bisect_right(self._starts, offset) - 1
        return self._first + line, offset - self._starts[line] + 1
