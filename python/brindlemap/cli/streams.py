"""The command-line tool's standard streams, any of which may be closed, a pipe that its reader
has closed, a full device or a terminal of any encoding."""

import os
import re
import select
import sys
from collections.abc import Callable
from typing import Any

# What a shell reports for a command that SIGPIPE ended: `... | head -1` is no failure.
EXIT_PIPE_CLOSED = 128 + 13


class UserError(Exception):
    """A mistake of the user's (bad argument, unreadable file, corrupt index): one line, exit 2."""


class BufferedLines:
    """Lines read out of a buffer of this class's own, which `_more` fills; `_ended` says that
    it has put in the last of its source."""

    def __init__(self) -> None:
        self._buffer = bytearray()
        self._ended = False

    def _more(self) -> None:
        raise NotImplementedError

    def readline(self, limit: int, /) -> bytes:
        """The next line with its \\n, or at most `limit` bytes of it; b"" at the end."""
        while True:
            end = self._buffer.find(b"\n", 0, limit)
            if end >= 0:
                take = end + 1
                break
            if len(self._buffer) >= limit or self._ended:
                take = min(limit, len(self._buffer))
                break
            self._more()
        line = bytes(self._buffer[:take])
        del self._buffer[:take]  # cheap: a bytearray drops its front without moving the rest
        return line


class ReadyAwareInput(BufferedLines):
    """A file descriptor read through a buffer of this class's own, so that the tool can tell
    whether another line is at hand or would have to be waited for."""

    CHUNK = 1 << 16

    def __init__(self, descriptor: int) -> None:
        super().__init__()
        self._descriptor = descriptor

    def _more(self) -> None:
        try:
            chunk = os.read(self._descriptor, self.CHUNK)
        except BlockingIOError:  # a non-blocking descriptor with nothing yet: wait for it
            select.select([self._descriptor], [], [])
            return
        self._ended = not chunk
        self._buffer += chunk

    def line_ready(self) -> bool:
        """Whether reading the next line would not wait for the writer."""
        if self._ended or b"\n" in self._buffer:
            return True
        return bool(select.select([self._descriptor], [], [], 0)[0])


def occupy_closed_descriptors() -> None:
    """Puts /dev/null on whichever of file descriptors 0, 1 and 2 is closed.

    Otherwise the next file opened would take its number: native failure reports meant for fd 2
    would land in an index being written, for one. Standard output gets a read-only descriptor,
    so that writing to it still fails (sys.stdout is None then, and the tool says so).
    """
    for descriptor, flags in ((0, os.O_RDONLY), (1, os.O_RDONLY), (2, os.O_WRONLY)):
        try:
            os.fstat(descriptor)
        except OSError:
            opened = os.open(os.devnull, flags)
            if opened != descriptor:
                os.dup2(opened, descriptor)
                os.close(opened)


def _discard_stdout() -> None:
    """Points standard output at /dev/null, so that what is still buffered for it flushes
    quietly at exit instead of failing a second time."""
    try:
        null = os.open(os.devnull, os.O_WRONLY)
        try:
            os.dup2(null, sys.stdout.fileno())
        finally:
            os.close(null)
    except (AttributeError, OSError, ValueError):
        pass


def write(text: str) -> None:
    """Writes `text` to standard output, as UTF-8 whatever PYTHONIOENCODING says, and flushes.

    BrokenPipeError passes through (the reader has gone: a quiet exit); any other failure is a
    UserError.
    """
    _written(text, lambda binary: binary.write(text.encode("utf-8", "backslashreplace")))


def write_bytes(data: bytes) -> None:
    """Writes `data` to standard output as it is, and flushes; fails as `write` does."""
    _written(data.decode("utf-8", "replace"), lambda binary: binary.write(data))


def _written(text: str, put: Callable[[Any], object]) -> None:
    """Flushes what `put` writes to the binary standard output; `text` is what a text stream
    put in its place (as tests do) is given instead."""
    stream = sys.stdout
    if stream is None:
        raise UserError("cannot write to standard output: it is closed")
    try:
        binary = getattr(stream, "buffer", None)
        if binary is None:
            stream.write(text)
            stream.flush()
        else:
            stream.flush()
            put(binary)
            binary.flush()
    except BrokenPipeError:
        raise
    except (OSError, ValueError) as error:
        _discard_stdout()
        reason = getattr(error, "strerror", None) or error
        raise UserError(f"cannot write to standard output: {reason}") from None


def end_after_closed_pipe() -> int:
    _discard_stdout()
    return EXIT_PIPE_CLOSED


# What a tab-separated field cannot hold as it is: the separators, the escape character itself,
# and control characters, which a terminal would act on (an escape sequence can retitle it).
_FIELD_ESCAPES = {"\\": "\\\\", "\t": "\\t", "\n": "\\n", "\r": "\\r"}
_NEEDS_ESCAPE = re.compile("[\\\\\x00-\x1f\x7f-\x9f\u2028\u2029]")


def _escaped(match: re.Match[str]) -> str:
    c = match.group()
    return _FIELD_ESCAPES.get(c) or (f"\\x{ord(c):02x}" if ord(c) <= 0xFF else f"\\u{ord(c):04x}")


def tsv_field(text: str) -> str:
    """`text` as one field of a tab-separated row: a backslash, tab, newline and carriage return
    become \\\\, \\t, \\n and \\r, any other control character (and the line and paragraph
    separators) \\xHH or \\uHHHH, so that each row keeps its fields and its line."""
    return _NEEDS_ESCAPE.sub(_escaped, text)


def one_line(text: str) -> str:
    """`text` with every character that would break the line or the terminal escaped."""
    return "".join(c if c.isprintable() or c == "\t" else repr(c)[1:-1] for c in text)


def say(message: str) -> None:
    """Writes one line to standard error if it can; never fails (standard error may be closed,
    None, a closed pipe or unable to encode the text)."""
    stream = sys.stderr
    if stream is None:
        return
    try:
        encoding = getattr(stream, "encoding", None) or "utf-8"
        line = one_line(message).encode(encoding, "backslashreplace").decode(encoding)
        stream.write(line + "\n")
        stream.flush()
    except Exception:  # nothing is left to report a failure to report on
        pass


def progress(message: str) -> None:
    """Overwrites the line of progress on a terminal's standard error; says nothing elsewhere."""
    try:
        if sys.stderr is not None and sys.stderr.isatty():
            sys.stderr.write(f"\r{message}")
            sys.stderr.flush()
    except Exception:  # progress is a courtesy, never a reason to fail
        pass
