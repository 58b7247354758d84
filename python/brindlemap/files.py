"""Saving tries to index files and loading them back, and pickling through the trie's bytes."""

import contextlib
import os
import stat
from collections.abc import Callable, Iterator
from typing import BinaryIO

from brindlemap import _search
from brindlemap._brindlemap import PrefixSearch
from brindlemap.index_format import (
    HEADER, IndexHeader, check_body, check_headerless_start, check_length, decode_headerless,
    pack_header, parse_header, starts_with_header)
from brindlemap.index_format import loads as _loads

__all__ = ["IndexHeader", "is_index_file", "load", "loads", "read_header", "save"]

# How much of a file without a header is decoded before the rest of it is read: anything but
# an index of the headerless format fails within it, so a huge file of another kind is
# refused without being read.
SNIFF_BYTES = 1 << 16
# The most read at once: memory grows with what a file holds, not with what a header claims.
CHUNK_BYTES = 1 << 20


def save(trie: PrefixSearch, path: str | os.PathLike[str]) -> None:
    """Writes `trie` to the index file `path`: a header, then `trie.to_bytes()`.

    The bytes go to a temporary file in the target's folder, which is flushed to disk and then
    renamed over the target: a crash or a failed write leaves the old file (or none) behind,
    never a half-written index. A symlink is written through to the file it names. An existing
    file keeps its mode; a new one gets 0666 less the umask, as files do.
    """
    target = os.path.realpath(path)
    folder, name = os.path.split(target)
    data = trie.to_bytes()
    try:
        mode: int | None = stat.S_IMODE(os.stat(target).st_mode)
    except FileNotFoundError:
        mode = None
    # Random enough that no two writers meet; secrets would load OpenSSL for no more than this.
    temporary = os.path.join(folder, f".{name}.{os.urandom(8).hex()}.tmp")
    # Created with 0666 for the umask to reduce, as open() does: mkstemp's 0600 would stick.
    handle = os.open(temporary, os.O_WRONLY | os.O_CREAT | os.O_EXCL | os.O_CLOEXEC, 0o666)
    try:
        with os.fdopen(handle, "wb") as out:
            if mode is not None:
                os.fchmod(out.fileno(), mode)
            out.write(pack_header(data))
            out.write(data)
            out.flush()
            os.fsync(out.fileno())
        os.replace(temporary, target)
    except BaseException:
        with contextlib.suppress(FileNotFoundError):
            os.unlink(temporary)
        raise
    # The rename itself reaches the disk with the folder; some file systems cannot sync one.
    with contextlib.suppress(OSError):
        folder_handle = os.open(folder, os.O_RDONLY | os.O_DIRECTORY)
        try:
            os.fsync(folder_handle)
        finally:
            os.close(folder_handle)


@contextlib.contextmanager
def _invalid_index(name: str) -> Iterator[None]:
    try:
        yield
    except ValueError as error:
        raise ValueError(f"{name} is not a valid brindlemap index: {error}") from None


def _read_up_to(source: BinaryIO, count: int) -> bytes:
    parts = []
    while count > 0 and (part := source.read(min(count, CHUNK_BYTES))):
        parts.append(part)
        count -= len(part)
    return b"".join(parts)


def _regular_size(source: BinaryIO) -> int | None:
    status = os.fstat(source.fileno())
    return status.st_size if stat.S_ISREG(status.st_mode) else None


def _read_trie(source: BinaryIO) -> PrefixSearch:
    head = source.read(HEADER.size)
    size = _regular_size(source)
    if starts_with_header(head):
        header = parse_header(head)
        if size is not None:  # refused before a byte of a body it cannot hold is read
            check_length(header, size - HEADER.size)
        return check_body(header, _read_up_to(source, header.length + 1))
    if size is None:
        raise ValueError("no index header, and not a regular file")
    head += _read_up_to(source, SNIFF_BYTES - len(head))
    if len(head) < size:
        check_headerless_start(head)
        head += _read_up_to(source, size - len(head))
    return decode_headerless(head)


def load(path: str | os.PathLike[str]) -> PrefixSearch:
    """Reads an index written by `save` (or the bare trie bytes that earlier versions wrote).

    Anything else raises ValueError saying what is wrong: another kind of file, a newer format,
    a truncated file or a checksum mismatch. Nothing is written to standard error, and no more
    is read than the header announces (or, without one, than a trie's bytes can begin with).
    """
    with open(path, "rb") as source, _invalid_index(repr(os.fspath(path))):
        return _read_trie(source)


def loads(data: bytes) -> PrefixSearch:
    """The trie of the bytes of an index file, with the checks that `load` makes."""
    with _invalid_index("data"):
        return _loads(data)


def read_header(path: str | os.PathLike[str]) -> IndexHeader | None:
    """The header of an index file (version, length and CRC-32 of the trie bytes), or None for
    a file without one: an index of the earlier format, or no index at all. ValueError for a
    cut header or a newer format."""
    with open(path, "rb") as source, _invalid_index(repr(os.fspath(path))):
        head = source.read(HEADER.size)
        return parse_header(head) if starts_with_header(head) else None


def is_index_file(path: str | os.PathLike[str]) -> bool:
    """Whether the file begins as an index does, reading at most its first 64 KiB: one with a
    header (valid or not), or one of the earlier format (trie bytes alone). No text file does,
    whatever bytes it holds."""
    with open(path, "rb") as source:
        head = _read_up_to(source, SNIFF_BYTES)
        size = _regular_size(source)
    if starts_with_header(head):
        return True
    try:
        if size is not None and len(head) < size:
            check_headerless_start(head)
        else:
            decode_headerless(head)
    except ValueError:
        return False
    return True


def trie_from_bytes(data: bytes) -> PrefixSearch:
    """The trie of `to_bytes()` output: what a pickled trie is rebuilt with. Bytes that do not
    decode raise ValueError."""
    return _search.decode(data)


def reduce_trie(trie: PrefixSearch) -> tuple[Callable[[bytes], PrefixSearch], tuple[bytes]]:
    """Pickles a trie as the call that rebuilds it from its bytes (registered with copyreg)."""
    return trie_from_bytes, (trie.to_bytes(),)
