"""The one reader of index files, for a path, an open file or bytes: it tells an index from
anything else, reads its header, checks its kind, its bound, its length and its checksum and
lays out its sections, once; every loader (`load`, `loads`, `Lexicon.load`,
`Lexicon.from_bytes`, the pickle rebuilders, the command line) starts here."""

import contextlib
import io
import mmap
import os
import stat
import threading
from collections.abc import Callable, Iterator
from typing import BinaryIO, NamedTuple, TypeVar

from brindlemap import _search
from brindlemap._brindlemap import PrefixSearch
from brindlemap.errors import IndexFileError, IndexFileReason, MalformedTrieError
from brindlemap.index_format import (
    HEADER_BYTES, PACKED, SECTIONED, SNIFF_BYTES, Header, Kind, check_crc, check_crc_value,
    check_headerless_start, check_length, check_within, decode_exactly, decode_headerless,
    expect_kind, parse_header,
    refuse_headerless, sections, shaped, starts_with_header, trie_of_sections)

Source = str | os.PathLike[str] | BinaryIO | bytes | bytearray | memoryview
T = TypeVar("T")

# The most read at once: memory grows with what a file holds, not with what a header claims.
CHUNK_BYTES = 1 << 20
# From this size a sectioned body's checksum is worked out while its sections are read, by their
# readers or on a thread of its own, rather than before.
CHECK_BESIDE_BYTES = 2 << 20


class BodyStream:
    """The bytes behind a header, read from their file as they are asked for, so that no more
    than the part at hand is held at once; their CRC-32 is worked out as they come, and
    `finish` checks it with the length. A lexicon of format 2 is read so."""

    def __init__(self, header: Header, head: bytes, source: BinaryIO) -> None:
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
                arrived = self._source.readinto(view[filled:])  # type: ignore[attr-defined]
                if not arrived:
                    raise IndexFileError(
                        f"truncated: {self._read + filled} of the {self.header.length} bytes "
                        f"of the {self.header.kind.name.lower()}", IndexFileReason.TRUNCATED)
                filled += arrived
        self._crc = _search.crc32(data, self._crc)
        self._read += size
        return data

    def finish(self) -> None:
        """Reads what is left of the body, then IndexFileError unless it was as long as the
        header says and its checksum matches."""
        while self._read < self.header.length:
            self.read(min(CHUNK_BYTES, self.header.length - self._read))
        if self._early or self._source.read(1):
            raise IndexFileError(f"unexpected bytes after the {self.header.kind.name.lower()}",
                                 IndexFileReason.TRAILING)
        check_crc_value(self.header, self._crc)


class Checksum:
    """The checksum of a large sectioned body, worked out while its sections are read (which
    every reader checks as it goes, so unchecked bytes do no harm): by the native reader of its
    packed tries, which sums each part as it reads it (`settle`), or, for the flat tries of
    format 3, on a thread of its own. `check` waits for it, works it out where nothing did (a
    reader that failed, or took none of the tries), and refuses a body that does not match its
    header."""

    def __init__(self, header: Header, body: bytes | bytearray | memoryview) -> None:
        self._header = header
        self.body: bytes | bytearray | memoryview | None = body
        self._crc: int | None = None
        self._thread: threading.Thread | None = None
        if header.version < PACKED:
            thread = threading.Thread(target=self._work, daemon=True)
            try:
                thread.start()
                self._thread = thread
            except RuntimeError:  # no thread to be had: worked out when asked for
                pass

    def _work(self) -> None:
        assert self.body is not None
        self._crc = _search.crc32(self.body)

    def settle(self, crc: int) -> None:
        """Takes `crc` as the body's CRC-32, which a reader worked out as it read the body."""
        if self._thread is None:
            self._crc = crc

    def check(self) -> None:
        if self._thread is not None:
            self._thread.join()
        if self._crc is None:  # nothing worked it out, or the thread failed
            self._work()
        self.body = None
        check_crc_value(self._header, self._crc)  # type: ignore[arg-type]


class IndexFile(NamedTuple):
    """An index as read and checked: its header (None for the earlier headerless format, whose
    `body` is the trie's bytes alone), the bytes behind it (checked, or a stream that checks
    them as it ends, for a lexicon of format 2 read from a file), its sections by name
    (formats 3 and 4, empty otherwise), and the checksum still being worked out for a large
    sectioned body (`read_index` checks it once what it takes has been read)."""

    header: Header | None
    body: bytes | bytearray | memoryview | BodyStream
    sections: dict[str, memoryview]
    checksum: Checksum | None = None

    @property
    def kind(self) -> Kind:
        return Kind.TRIE if self.header is None else self.header.kind


@contextlib.contextmanager
def invalid_index(name: str) -> Iterator[None]:
    """Names `name` in every refusal of what is read within, as "<name> is not a valid
    brindlemap index: ...", each keeping its reason."""
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


def read_up_to(source: BinaryIO, count: int) -> bytearray:
    """At most `count` bytes, read straight into one buffer that starts at a chunk and doubles
    as it fills: memory follows what arrives (at most twice it), never what was announced."""
    buffer = bytearray(min(count, CHUNK_BYTES))
    filled = 0
    while filled < count:
        if filled == len(buffer):
            buffer += bytes(min(filled, count - filled))
        with memoryview(buffer) as free:
            arrived = source.readinto(free[filled:])  # type: ignore[attr-defined]
        if not arrived:
            break
        filled += arrived
    del buffer[filled:]
    return buffer


def regular_size(source: BinaryIO) -> int | None:
    """The size of the file behind `source`, or None for a pipe, a device, a socket or a file
    held in memory (`io.BytesIO` has no descriptor: it is read as a pipe is)."""
    try:
        descriptor = source.fileno()
    except (AttributeError, io.UnsupportedOperation):
        return None
    status = os.fstat(descriptor)
    return status.st_size if stat.S_ISREG(status.st_mode) else None


def _checked(header: Header, kind: Kind | None, max_bytes: int) -> None:
    if kind is not None:
        expect_kind(header, kind)
    check_within(header.length, max_bytes)


def _with_sections(header: Header, body: bytes | bytearray | memoryview) -> IndexFile:
    if header.version < SECTIONED or len(body) < CHECK_BESIDE_BYTES:
        check_crc(header, body)
        view = memoryview(body)
        return IndexFile(header, body,
                         sections(header, view) if header.version >= SECTIONED else {})
    check_length(header, len(body))
    checksum = Checksum(header, body)
    try:
        found = sections(header, memoryview(body))
    except IndexFileError:
        checksum.check()  # a body that changed is refused as such, whatever else it breaks
        raise
    return IndexFile(header, body, found, checksum)


def _taken(index: IndexFile, take: Callable[[IndexFile], T]) -> T:
    """What `take` makes of `index`, once its checksum, if still being worked out, matches; a
    body that changed is refused as such whatever else `take` refused in it."""
    if index.checksum is None:
        return take(index)
    try:
        taken = take(index)
    except BaseException:
        index.checksum.check()
        raise
    index.checksum.check()
    return taken


def _headerless_kind(kind: Kind | None) -> None:
    """Only a trie was ever written without a header: for anything else such a file is no
    index at all."""
    if kind not in (None, Kind.TRIE):
        raise IndexFileError("no index header", IndexFileReason.NO_HEADER)


def _mapped(header: Header, source: BinaryIO) -> IndexFile:
    """The index behind `header` in the regular file open at `source`, mapped rather than read:
    the checksum and the loader read its pages in place, and the mapping goes with the last
    view of it. The file's length is taken again from the mapping, which a file that changed
    since its size was read may not match."""
    mapping = mmap.mmap(source.fileno(), 0, access=mmap.ACCESS_READ)
    return _with_sections(header, memoryview(mapping)[header.size:])


def _from_file(source: BinaryIO, kind: Kind | None, max_bytes: int, legacy: bool,
               mapped: bool = False) -> IndexFile:
    head = source.read(HEADER_BYTES)
    size = regular_size(source)
    if starts_with_header(head):
        header = parse_header(head)
        _checked(header, kind, max_bytes)
        if size is not None:
            check_length(header, size - header.size)
        if header.kind is Kind.LEXICON and header.version < SECTIONED:
            return IndexFile(header, BodyStream(header, head, source), {})
        if mapped and size is not None and header.version >= SECTIONED:
            return _mapped(header, source)
        early = head[header.size:]
        if size is not None:  # its length is known: one buffer of that size, read into
            body = bytearray(header.length)
            body[:len(early)] = early
            filled = len(early)
            with memoryview(body) as free:
                while filled < header.length:
                    arrived = source.readinto(free[filled:])  # type: ignore[attr-defined]
                    if not arrived:
                        break
                    filled += arrived
            del body[filled:]
            if source.read(1):
                raise IndexFileError(f"unexpected bytes after the {header.kind.name.lower()}",
                                     IndexFileReason.TRAILING)
        else:
            body = bytearray(early) + read_up_to(source, header.length + 1 - len(early))
        return _with_sections(header, body)
    if size is None:
        raise IndexFileError("no index header, and not a regular file",
                             IndexFileReason.NO_HEADER)
    _headerless_kind(kind)
    start = head + read_up_to(source, SNIFF_BYTES - len(head))
    whole = len(start) >= size
    if not legacy:
        refuse_headerless(bytes(start), whole)
    check_within(size, max_bytes)
    if not whole:
        check_headerless_start(bytes(start))
        start += read_up_to(source, size - len(start))
    return IndexFile(None, bytes(start), {})


def _from_bytes(data: bytes | bytearray | memoryview, kind: Kind | None, max_bytes: int,
                legacy: bool) -> IndexFile:
    view = memoryview(data).cast("B")
    if starts_with_header(bytes(view[:HEADER_BYTES])):
        header = parse_header(bytes(view[:HEADER_BYTES]))
        _checked(header, kind, max_bytes)
        return _with_sections(header, view[header.size:])
    _headerless_kind(kind)
    data = bytes(view)
    if not legacy:
        try:
            refuse_headerless(data[:SNIFF_BYTES], len(data) <= SNIFF_BYTES)
        except IndexFileError as error:
            if error.reason is not IndexFileReason.HEADERLESS:
                raise
            raise IndexFileError(f"{error}; PrefixSearch.to_bytes() gives that format, and "
                                 "brindlemap.dumps(trie) the bytes that loads reads with their "
                                 "checksum", error.reason) from None
    check_within(len(data), max_bytes)
    return IndexFile(None, data, {})


def read_index(source: Source, take: Callable[[IndexFile], T], *, kind: Kind | None = None,
               max_bytes: int, legacy: bool = False, name: str | None = None,
               mapped: bool = False) -> T:
    """What `take` makes of the index at `source` (a path, a file open for reading in binary,
    or the bytes of an index file), of `kind` unless that is None, its body within
    `max_bytes`: a header that announces more is refused before any of it is read, and no
    more is read than it announces, a chunk at a time. A file without a header reads as a
    trie of the earlier format only with `legacy`. With `mapped`, a sectioned index in a
    regular file is memory-mapped instead of read. `take` runs while the file is open. Any
    refusal, the reader's or `take`'s, raises IndexFileError naming `name` (by default the
    path, or "data"), with its reason."""
    if isinstance(source, (bytes, bytearray, memoryview)):
        with invalid_index(name or "data"):
            return _taken(_from_bytes(source, kind, max_bytes, legacy), take)
    if isinstance(source, io.TextIOBase):
        raise TypeError("an index is read from a file opened in binary mode ('rb'), not from "
                        "a text file")
    if not isinstance(source, (str, os.PathLike)):
        with invalid_index(name or repr(getattr(source, "name", "data"))):
            return _taken(_from_file(source, kind, max_bytes, legacy, mapped), take)
    path = os.fspath(source)
    with open(path, "rb") as opened, invalid_index(name or repr(path)):
        return _taken(_from_file(opened, kind, max_bytes, legacy, mapped), take)


def trie_of(index: IndexFile, *, shape: bool = True) -> PrefixSearch:
    """The trie that `index` holds (a trie's index, read by `read_index`). Unless `shape` is
    false it must pass the shape check; a sectioned index always must, since its reversed trie
    is checked against it."""
    assert not isinstance(index.body, BodyStream)  # only lexicons are streamed
    if index.header is None:
        body = bytes(index.body)
        return decode_headerless(body) if shape else decode_exactly(body)
    expect_kind(index.header, Kind.TRIE)
    if index.header.version >= SECTIONED:
        if index.header.version >= PACKED:
            return trie_of_sections(index.sections, index.header.version, index.checksum)
        return _search.from_flat(index.sections["trie"], index.sections.get("reversed"))
    trie = _search.decode(in_place(index.body))
    return shaped(trie) if shape else trie


def in_place(data: bytes | bytearray | memoryview) -> bytes | bytearray:
    """`data` as the decoders read in place: a view is copied once."""
    return data if isinstance(data, (bytes, bytearray)) else bytes(data)


def read_header(source: str | os.PathLike[str]) -> Header | None:
    """The header of the file at `source`, or None for a file without one (an index of the
    earlier format, or no index at all); IndexFileError for a cut header or a newer format."""
    path = os.fspath(source)
    with open(path, "rb") as opened, invalid_index(repr(path)):
        head = opened.read(HEADER_BYTES)
        return parse_header(head) if starts_with_header(head) else None


def looks_like_index(source: BinaryIO) -> bool:
    """Whether the file open at `source` begins as an index does, reading at most its first
    64 KiB from where it stands (and leaving it there again when it is a regular file): one
    with a header (valid or not), or one of the earlier format (trie bytes alone). No text
    file does, whatever bytes it holds."""
    size = regular_size(source)
    start = source.tell() if size is not None else None
    head = bytes(read_up_to(source, SNIFF_BYTES))
    if start is not None:
        source.seek(start)
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
