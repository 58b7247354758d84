"""The layout of an index file, a header then the bytes of what it holds, and the checks that
read it.

An index is a header (magic bytes, format version, for version 2 the kind of index, then the
length of the bytes behind it and their CRC-32) followed by exactly that many bytes. A trie is
written in version 1, whose header has no kind (every version-1 index holds a trie), so that
every brindlemap since the header existed reads it: its bytes are `PrefixSearch.to_bytes()` of a
trie that passes the shape check. A lexicon is written in version 2, kind LEXICON
(`lexicon_file` lays out its bytes). Files written before the header existed hold the trie
bytes alone, with nothing to catch a changed bit; they read only when asked for, and only when
they are exactly what `to_bytes` gives, so that no other kind of file passes for one.
"""

import enum
import operator
import struct
import zlib
from typing import NamedTuple, NoReturn

from brindlemap import _search
from brindlemap._brindlemap import PrefixSearch
from brindlemap.errors import IndexFileError, IndexFileReason, MalformedTrieError

# Little-endian: magic, format version, length of the trie bytes, their CRC-32.
HEADER = struct.Struct("<8sIQI")
# Version 2 adds the kind of index after the version.
KIND_HEADER = struct.Struct("<8sIIQI")
# What every version begins with: magic and version.
PREFIX = struct.Struct("<8sI")
# The most bytes a header takes, which a reader takes in before it knows the version.
HEADER_BYTES = KIND_HEADER.size
# Not text (its first byte is not ASCII), and its line ending shows a text-mode mangling.
MAGIC = b"\x89BMIDX\r\n"
VERSION = 1  # what a trie is written in
NEWEST = 2  # the newest version this brindlemap reads


class Kind(enum.IntEnum):
    """What an index file holds."""

    TRIE = 1
    LEXICON = 2


# How to load each kind of index, for the message that refuses one of another kind.
LOADERS = {Kind.TRIE: "brindlemap.load", Kind.LEXICON: "brindlemap.Lexicon.load"}

# The most trie bytes read by default: an index of several million words takes a few hundred
# MiB, and a header that claims more is refused before any of it is read.
DEFAULT_MAX_BYTES = 4 << 30
# How much of a file without a header is decoded before the rest of it is read: anything but
# an index of the headerless format fails within it, so a huge file of another kind is
# refused without being read.
SNIFF_BYTES = 1 << 16

MALFORMED = ("malformed trie: its arrays are not those of a well-formed tree (one entry per "
             "node, runs of children in node order, a tree from node 0, a character on every "
             "child, distinct characters among siblings)")
HEADERLESS = ("an index of the earlier headerless format, which has no checksum to catch a "
              "damaged byte: load it with legacy=True (--legacy on the command line) if you "
              "trust it")


class IndexHeader(NamedTuple):
    """What an index file's header says of the trie bytes behind it."""

    version: int
    length: int
    crc: int


class Header(NamedTuple):
    """A header as read: what IndexHeader holds, the kind of index and the header's size."""

    version: int
    length: int
    crc: int
    kind: Kind
    size: int


def pack_header(data: bytes, kind: Kind = Kind.TRIE) -> bytes:
    """The header for the bytes `data` of an index of `kind`."""
    if kind is Kind.TRIE:
        return HEADER.pack(MAGIC, VERSION, len(data), zlib.crc32(data))
    return KIND_HEADER.pack(MAGIC, NEWEST, kind, len(data), zlib.crc32(data))


def starts_with_header(head: bytes) -> bool:
    """Whether `head`, the first bytes of a file, begin an index header (even a cut one)."""
    return head.startswith(MAGIC) or (0 < len(head) < len(MAGIC) and MAGIC.startswith(head))


def _cut(head: bytes | bytearray) -> IndexFileError:
    return IndexFileError(f"truncated: {len(head)} bytes, shorter than the index header",
                          IndexFileReason.TRUNCATED)


def parse_header(head: bytes | bytearray) -> Header:
    """The header at the front of `head`, which starts_with_header accepted; ValueError for a
    cut header, or a format or kind this version cannot read."""
    if len(head) < PREFIX.size:
        raise _cut(head)
    version = PREFIX.unpack_from(head)[1]
    if version > NEWEST:
        raise IndexFileError(f"written in format version {version}, newer than this "
                             f"brindlemap reads (up to {NEWEST}): upgrade brindlemap to read it",
                             IndexFileReason.VERSION)
    if version < 1:
        raise IndexFileError(f"unknown format version {version}", IndexFileReason.VERSION)
    layout = HEADER if version == 1 else KIND_HEADER
    if len(head) < layout.size:
        raise _cut(head)
    if version == 1:
        _, _, length, crc = HEADER.unpack_from(head)
        return Header(version, length, crc, Kind.TRIE, layout.size)
    _, _, kind, length, crc = KIND_HEADER.unpack_from(head)
    if kind not in Kind.__members__.values():
        raise IndexFileError(f"an index of kind {kind}, which this brindlemap does not know: "
                             "upgrade brindlemap to read it", IndexFileReason.VERSION)
    return Header(version, length, crc, Kind(kind), layout.size)


def expect_kind(header: Header, kind: Kind) -> None:
    """ValueError unless the index holds `kind`, naming how to load what it holds."""
    if header.kind is not kind:
        raise IndexFileError(f"an index of a {header.kind.name.lower()}, not of a "
                             f"{kind.name.lower()}: load it with {LOADERS[header.kind]}",
                             IndexFileReason.KIND)


def check_length(header: Header, available: int) -> None:
    """ValueError unless `available`, the count of bytes behind the header, is what it says."""
    kind = header.kind.name.lower()
    if available < header.length:
        raise IndexFileError(f"truncated: {available} of the {header.length} bytes of the "
                             f"{kind}", IndexFileReason.TRUNCATED)
    if available > header.length:
        raise IndexFileError(f"{available - header.length} unexpected bytes after the {kind}",
                             IndexFileReason.TRAILING)


def byte_bound(max_bytes: int) -> int:
    """`max_bytes` checked: a non-negative integer."""
    max_bytes = operator.index(max_bytes)
    if max_bytes < 0:
        raise ValueError(f"max_bytes must be at least 0, not {max_bytes}")
    return max_bytes


def check_within(length: int, max_bytes: int) -> None:
    """ValueError unless `length` trie bytes are within the bound of `max_bytes`."""
    if length > max_bytes:
        raise IndexFileError(f"{length} bytes of trie, more than max_bytes ({max_bytes}) "
                             "allows", IndexFileReason.TOO_LARGE)


def shaped(trie: PrefixSearch) -> PrefixSearch:
    """`trie` itself when it passes the shape check; MalformedTrieError otherwise."""
    if not _search.well_formed(trie):
        raise MalformedTrieError(MALFORMED)
    return trie


def check_crc(header: Header, body: bytes | bytearray | memoryview) -> None:
    """ValueError unless `body`, the bytes that follow the header, are what it says."""
    check_length(header, len(body))
    check_crc_value(header, zlib.crc32(body))


def check_crc_value(header: Header, crc: int) -> None:
    """ValueError unless `crc` is the CRC-32 that the header gives its body."""
    if crc != header.crc:
        raise IndexFileError(f"checksum mismatch: the {header.kind.name.lower()} bytes are "
                             "corrupt", IndexFileReason.CHECKSUM)


def check_body(header: Header, body: bytes | bytearray, *, shape: bool = True) -> PrefixSearch:
    """The trie of `body`, the bytes that follow the header, once they are checked against it
    (and, unless `shape` is false, once it passes the shape check)."""
    expect_kind(header, Kind.TRIE)
    check_crc(header, body)
    trie = _search.decode(body)
    return shaped(trie) if shape else trie


def _not_an_index(why: str) -> IndexFileError:
    return IndexFileError(f"no index header, and {why}", IndexFileReason.NO_HEADER)


def decode_exactly(data: bytes) -> PrefixSearch:
    """The trie of `data` if it is exactly the bytes of one, whatever its shape; ValueError
    for anything else."""
    try:
        trie = _search.decode(data)
    except IndexFileError as error:
        raise _not_an_index(str(error)) from None
    if trie.to_bytes() != data:
        raise _not_an_index("more bytes than a trie's")
    return trie


def decode_headerless(data: bytes) -> PrefixSearch:
    """The trie of an index written before the header existed, which passes the shape check;
    ValueError for anything else."""
    return shaped(decode_exactly(data))


def check_headerless_start(start: bytes) -> None:
    """ValueError unless `start`, the first bytes of a longer file, can begin an index written
    before the header existed: a prefix of trie bytes only ever fails for ending early."""
    try:
        _search.decode(start)
    except IndexFileError as error:
        if error.reason is IndexFileReason.ENDS_EARLY:
            return
        raise _not_an_index(str(error)) from None
    raise _not_an_index("more bytes than a trie's")


def refuse_headerless(start: bytes, whole: bool) -> NoReturn:
    """Refuses a file without a header, whose first bytes are `start` (all of it if `whole`):
    as a headerless index that was not asked for, or as no index at all."""
    if whole:
        decode_exactly(start)
    else:
        check_headerless_start(start)
    raise IndexFileError(HEADERLESS, IndexFileReason.HEADERLESS)


def loads(data: bytes, max_bytes: int, legacy: bool) -> PrefixSearch:
    """The trie of an index file's bytes `data`, checked as `brindlemap.loads` documents."""
    if starts_with_header(data[:len(MAGIC)]):
        header = parse_header(data)
        expect_kind(header, Kind.TRIE)
        check_within(header.length, max_bytes)
        return check_body(header, data[header.size:])
    if not legacy:
        refuse_headerless(data[:SNIFF_BYTES], len(data) <= SNIFF_BYTES)
    check_within(len(data), max_bytes)
    return decode_headerless(data)
