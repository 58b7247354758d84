"""Recognising the extension's internal failures, and keeping their reports off the terminal."""

import contextlib
import os


def is_panic(error: BaseException) -> bool:
    """Whether `error` is the extension's PanicException (it is not an attribute of any module)."""
    kind = type(error)
    return kind.__module__ == "pyo3_runtime" and kind.__name__ == "PanicException"


@contextlib.contextmanager
def native_reports_silenced():
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


def panic_exception_type() -> type[BaseException]:
    """The PanicException type, taken from a deliberately failed call whose report is hidden."""
    from brindlemap._brindlemap import from_internal_data

    with native_reports_silenced():
        try:
            from_internal_data([], [], [], []).get_payload(0)
        except BaseException as error:  # the type is reachable only through an instance
            return type(error)
    raise AssertionError("a lookup in a trie without nodes did not fail")
