"""Recognising the extension's internal failures."""

from brindlemap._search import panic_exception


def is_panic(error: BaseException) -> bool:
    """Whether `error` is the extension's PanicException."""
    return isinstance(error, panic_exception())
