"""Recognising the extension's internal failures, and keeping their reports off the terminal."""

import contextlib
import os
from collections.abc import Iterator

from brindlemap._search import panic_exception


def is_panic(error: BaseException) -> bool:
    """Whether `error` is the extension's PanicException."""
    return isinstance(error, panic_exception())


@contextlib.contextmanager
def native_reports_silenced() -> Iterator[None]:
    """Sends what native code writes to file descriptor 2 to /dev/null for the duration.

    The extension reports each internal failure there; a command-line tool that turns the
    failure into its own one-line message does not want the report in front of it.
    """
    saved = os.dup(2)
    try:
        with open(os.devnull, "wb") as null:
            os.dup2(null.fileno(), 2)
        yield
    finally:
        os.dup2(saved, 2)
        os.close(saved)
