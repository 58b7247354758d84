"""Saving tries to index files and loading them back within a bound, and pickling through an
index file's bytes."""

import contextlib
import os
import stat
import zlib
from collections.abc import Callable, Iterator
from io import BufferedReader

from brindlemap import _search
from brindlemap._brindlemap import PrefixSearch
from brindlemap.index_format import (
    DEFAULT_MAX_BYTES, HEADER_BYTES, MALFORMED, SNIFF_BYTES, Header, IndexHeader, Kind,
    byte_bound, check_body, check_crc_value, check_headerless_start, check_length, check_within,
    decode_exactly, decode_headerless, expect_kind, pack_header, parse_header, refuse_headerless,
    shaped, starts_with_header)
from brindlemap.index_format import loads as _loads
from brindlemap.errors import IndexFileError, IndexFileReason, MalformedTrieError
from brindlemap.safe_replace import UnsafeTargetError, replace_file

__all__ = ["DEFAULT_MAX_BYTES", "IndexHeader", "UnsafeTargetError", "is_index_file", "load",
           "loads", "read_header", "save"]

# The most read at once: memory grows with what a file holds, not with what a header claims.
CHUNK_BYTES = 1 << 20


def save(trie: PrefixSearch, path: str | os.PathLike[str]) -> None:
    """Writes `trie` to the index file `path`: a header, then `trie.to_bytes()`.

    Only a trie that passes the shape check (every trie that `build` makes) is saved, since
    `load` refuses any other: a malformed one raises ValueError before anything is touched.
    Only a regular file is written: a folder, device, FIFO or socket at the path, or a
    symlink on the way that belongs to another user (one in the folders owned by root is
    followed), raises `UnsafeTargetError`, an OSError, before anything is created; a symlink
    of the caller's own is followed to the file it names, which is replaced.

    The bytes go to a temporary file in the target's folder (unnamed where Linux allows),
    which is flushed to disk and then renamed over the target: a crash or a failed write
    leaves the old file (or none) behind, never a half-written index, and the next save of
    the same path removes the temporary file of a killed one. An existing file keeps its
    owner and group where the process may set them, and its permission bits without setuid,
    setgid or sticky; a new one gets 0666 less the umask, as files do.
    """
    if not _search.well_formed(trie):
        raise MalformedTrieError(f"{MALFORMED}: load would refuse its index, so none is "
                                 "written")
    data = trie.to_bytes()
    replace_file(path, (pack_header(data), data))


@contextlib.contextmanager
def invalid_index(name: str) -> Iterator[None]:
    try:
        yield
    except MalformedTrieError as error:
        raise IndexFileError(f"{name} is not a valid brindlemap index: {error}",
                             IndexFileReason.MALFORMED) from None
    except IndexFileError as error:
        raise IndexFileError(f"{name} is not a valid brindlemap index: {error}",
                             error.reason) from None
    except ValueError as error:  # what else its bytes may make a reader refuse
        raise IndexFileError(f"{name} is not a valid brindlemap index: {error}",
                             IndexFileReason.UNDECODABLE) from None


def _read_up_to(source: BufferedReader, count: int) -> bytearray:
    """At most `count` bytes, read straight into one buffer that starts at a chunk and doubles
    as it fills: memory follows what arrives (at most twice it), never what was announced."""
    buffer = bytearray(min(count, CHUNK_BYTES))
    filled = 0
    while filled < count:
        if filled == len(buffer):
            buffer += bytes(min(filled, count - filled))
        with memoryview(buffer) as free:
            arrived = source.readinto(free[filled:])
        if not arrived:
            break
        filled += arrived
    del buffer[filled:]
    return buffer


def _regular_size(source: BufferedReader) -> int | None:
    status = os.fstat(source.fileno())
    return status.st_size if stat.S_ISREG(status.st_mode) else None


def _checked_header(source: BufferedReader, head: bytes, kind: Kind, max_bytes: int) -> Header:
    """The header at the front of `head`, the first bytes read from `source`, checked before a
    byte of a body it cannot hold, or that is too long, is read: an index of `kind`, within
    `max_bytes`, as long as the file."""
    header = parse_header(head)
    expect_kind(header, kind)
    check_within(header.length, max_bytes)
    size = _regular_size(source)
    if size is not None:
        check_length(header, size - header.size)
    return header


def _read_body(source: BufferedReader, head: bytes, kind: Kind,
               max_bytes: int) -> tuple[Header, bytearray]:
    """The header at the front of `head` and the bytes behind it, all read at once."""
    header = _checked_header(source, head, kind, max_bytes)
    body = bytearray(head[header.size:])
    body += _read_up_to(source, header.length + 1 - len(body))
    return header, body


class BodyStream:
    """The bytes behind an index's header, read from its file as they are asked for, so that
    no more than the part at hand is held at once; their CRC-32 is worked out as they come,
    and `finish` checks it with the length."""

    def __init__(self, header: Header, head: bytes, source: BufferedReader) -> None:
        self.header = header
        self._early = head[header.size:]  # read with the header
        self._source = source
        self._crc = 0
        self._read = 0

    def read(self, size: int) -> bytearray:
        """The next `size` bytes; IndexFileError where the file ends before them."""
        early = self._early[:size]
        self._early = self._early[len(early):]
        data = bytearray(size)
        data[:len(early)] = early
        filled = len(early)
        with memoryview(data) as view:
            while filled < size:
                arrived = self._source.readinto(view[filled:])
                if not arrived:
                    raise IndexFileError(
                        f"truncated: {self._read + filled} of the {self.header.length} bytes "
                        f"of the {self.header.kind.name.lower()}", IndexFileReason.TRUNCATED)
                filled += arrived
        self._crc = zlib.crc32(data, self._crc)
        self._read += size
        return data

    def finish(self) -> None:
        """Reads what is left of the body, then ValueError unless it was as long as the header
        says and its checksum matches."""
        while self._read < self.header.length:
            self.read(min(CHUNK_BYTES, self.header.length - self._read))
        if self._early or self._source.read(1):
            raise IndexFileError(f"unexpected bytes after the {self.header.kind.name.lower()}",
                                 IndexFileReason.TRAILING)
        check_crc_value(self.header, self._crc)


@contextlib.contextmanager
def index_stream(path: str | os.PathLike[str], kind: Kind,
                 max_bytes: int) -> Iterator[BodyStream]:
    """The body of the index of `kind` at `path`, to be read in parts; ValueError naming the
    file for anything that is not such an index."""
    with open(path, "rb") as source, invalid_index(repr(os.fspath(path))):
        head = source.read(HEADER_BYTES)
        if not starts_with_header(head):
            raise IndexFileError("no index header", IndexFileReason.NO_HEADER)
        yield BodyStream(_checked_header(source, head, kind, max_bytes), head, source)


def _read_trie(source: BufferedReader, max_bytes: int, legacy: bool) -> PrefixSearch:
    head = source.read(HEADER_BYTES)
    if starts_with_header(head):
        return check_body(*_read_body(source, head, Kind.TRIE, max_bytes))
    size = _regular_size(source)
    if size is None:
        raise IndexFileError("no index header, and not a regular file",
                             IndexFileReason.NO_HEADER)
    start = head + _read_up_to(source, SNIFF_BYTES - len(head))
    whole = len(start) >= size
    if not legacy:
        refuse_headerless(start, whole)
    check_within(size, max_bytes)
    if not whole:
        check_headerless_start(start)
        start += _read_up_to(source, size - len(start))
    return decode_headerless(start)


def load(path: str | os.PathLike[str], *, max_bytes: int = DEFAULT_MAX_BYTES,
         legacy: bool = False) -> PrefixSearch:
    """Reads an index written by `save`.

    Anything else raises ValueError saying what is wrong: another kind of file, a newer
    format, a truncated file, a checksum mismatch, or a trie that fails the shape check.
    Nothing is written to standard error. At most `max_bytes` bytes of trie are read (by
    default DEFAULT_MAX_BYTES, 4 GiB, ample for an index of several million words): a header
    that announces more is refused before any of them is read, and no more is read than the
    header announces, a chunk at a time, so a pipe that lies about its length costs nothing.

    An index of the earlier format (the trie's bytes alone, without a header or checksum)
    loads only with `legacy=True`, since a damaged byte in it goes unnoticed unless it breaks
    the trie's shape; otherwise it raises ValueError naming that way.
    """
    max_bytes = byte_bound(max_bytes)
    with open(path, "rb") as source, invalid_index(repr(os.fspath(path))):
        return _read_trie(source, max_bytes, legacy)


def loads(data: bytes, *, max_bytes: int = DEFAULT_MAX_BYTES,
          legacy: bool = False) -> PrefixSearch:
    """The trie of the bytes of an index file, with the checks that `load` makes."""
    max_bytes = byte_bound(max_bytes)
    with invalid_index("data"):
        return _loads(data, max_bytes, legacy)


def read_header(path: str | os.PathLike[str]) -> IndexHeader | None:
    """The header of an index file (version, length and CRC-32 of the trie bytes), or None for
    a file without one: an index of the earlier format, or no index at all. ValueError for a
    cut header or a newer format."""
    with open(path, "rb") as source, invalid_index(repr(os.fspath(path))):
        head = source.read(HEADER_BYTES)
        if not starts_with_header(head):
            return None
        return IndexHeader(*parse_header(head)[:3])


def is_index_file(path: str | os.PathLike[str]) -> bool:
    """Whether the file begins as an index does, reading at most its first 64 KiB: one with a
    header (valid or not), or one of the earlier format (trie bytes alone). No text file does,
    whatever bytes it holds."""
    with open(path, "rb") as source:
        head = bytes(_read_up_to(source, SNIFF_BYTES))
        size = _regular_size(source)
    if starts_with_header(head):
        return True
    try:
        if size is not None and len(head) < size:
            check_headerless_start(head)
        else:
            decode_exactly(head)
    except ValueError:
        return False
    return True


def trie_from_index(data: bytes) -> PrefixSearch:
    """The trie that a pickle holds, as the bytes of an index file, checked as `loads` checks
    them. Its bytes are in memory already: no bound but their own length applies."""
    return loads(data, max_bytes=len(data))


def malformed_trie_from_index(data: bytes) -> PrefixSearch:
    """The trie that a pickle of a trie without the shape check's approval holds, as the
    bytes of an index file: checked against the header and its checksum, but not for shape,
    so that such a trie (which from_internal_data may make) travels to a worker process as
    it is."""
    with invalid_index("data"):
        if not starts_with_header(data[:HEADER_BYTES]):
            raise IndexFileError("no index header", IndexFileReason.NO_HEADER)
        header = parse_header(data)
        return check_body(header, data[header.size:], shape=False)


def trie_from_bytes(data: bytes) -> PrefixSearch:
    """The trie of `to_bytes()` output, which pickles made by earlier versions hold; bytes that
    do not decode, or a trie that fails the shape check, raise ValueError."""
    return shaped(_search.decode(data))


def reduce_trie(trie: PrefixSearch) -> tuple[Callable[[bytes], PrefixSearch], tuple[bytes]]:
    """Pickles a trie as the bytes of its index file and the call that rebuilds it from them
    (registered with copyreg): a damaged pickle fails its checksum, and a malformed trie, which
    no index file holds, still round-trips."""
    data = trie.to_bytes()
    rebuild = trie_from_index if _search.well_formed(trie) else malformed_trie_from_index
    return rebuild, (pack_header(data) + data,)
