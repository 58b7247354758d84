"""Saving tries to files and loading them back, and pickling through the same bytes."""

import os
import tempfile

from brindlemap._brindlemap import PrefixSearch, from_bytes
from brindlemap._failures import is_panic


def save(trie: PrefixSearch, path: str | os.PathLike) -> None:
    """Writes `trie.to_bytes()` to `path` atomically.

    The bytes go to a temporary file in the same folder, which is flushed to disk and then
    renamed over `path`: a crash or a failed write leaves the old file (or none) behind, never
    a half-written index.
    """
    path = os.fspath(path)
    data = trie.to_bytes()
    folder = os.path.dirname(os.path.abspath(path))
    handle, temporary = tempfile.mkstemp(dir=folder, prefix=".brindlemap-", suffix=".tmp")
    try:
        with os.fdopen(handle, "wb") as out:
            out.write(data)
            out.flush()
            os.fsync(out.fileno())
        os.replace(temporary, path)
    except BaseException:
        try:
            os.unlink(temporary)
        except FileNotFoundError:
            pass
        raise


def load(path: str | os.PathLike) -> PrefixSearch:
    """Reads a trie written by `save`.

    A file that does not decode raises ValueError (the decoder's message is kept as the cause),
    so that a corrupt index is an ordinary error rather than an internal failure.
    """
    with open(path, "rb") as source:
        data = source.read()
    try:
        return from_bytes(data)
    except BaseException as error:
        if is_panic(error):
            raise ValueError(f"{os.fspath(path)!r} is not a valid brindlemap index: "
                             f"{error.args[0] if error.args else error}") from error
        raise


def reduce_trie(trie: PrefixSearch):
    """Pickles a trie as the call that rebuilds it from its bytes (registered with copyreg)."""
    return from_bytes, (trie.to_bytes(),)
