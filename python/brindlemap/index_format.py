"""The layout of an index file, a header then the trie's bytes, and the checks that read it.

An index is HEADER (magic bytes, format version, length of the trie bytes, CRC-32 of them)
followed by exactly that many bytes of `PrefixSearch.to_bytes()`, of a trie that passes the
shape check. Files written before the header existed hold the trie bytes alone, with nothing
to catch a changed bit; they read only when asked for, and only when they are exactly what
`to_bytes` gives, so that no other kind of file passes for one.
"""

import operator
import struct
import zlib
from typing import NamedTuple, NoReturn

from brindlemap import _search
from brindlemap._brindlemap import PrefixSearch

# Little-endian: magic, format version, length of the trie bytes, their CRC-32.
HEADER = struct.Struct("<8sIQI")
# Not text (its first byte is not ASCII), and its line ending shows a text-mode mangling.
MAGIC = b"\x89BMIDX\r\n"
VERSION = 1

# The most trie bytes read by default: an index of several million words takes a few hundred
# MiB, and a header that claims more is refused before any of it is read.
DEFAULT_MAX_BYTES = 4 << 30
# How much of a file without a header is decoded before the rest of it is read: anything but
# an index of the headerless format fails within it, so a huge file of another kind is
# refused without being read.
SNIFF_BYTES = 1 << 16

# The decoder's reason when the bytes end before the trie does.
ENDS_EARLY = "UnexpectedEnd"
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


def pack_header(data: bytes) -> bytes:
    """The header for the trie bytes `data`."""
    return HEADER.pack(MAGIC, VERSION, len(data), zlib.crc32(data))


def starts_with_header(head: bytes) -> bool:
    """Whether `head`, the first bytes of a file, begin an index header (even a cut one)."""
    return head.startswith(MAGIC) or (0 < len(head) < len(MAGIC) and MAGIC.startswith(head))


def parse_header(head: bytes) -> IndexHeader:
    """The header at the front of `head`, which starts_with_header accepted; ValueError for a
    cut header or a format this version cannot read."""
    if len(head) < HEADER.size:
        raise ValueError(f"truncated: {len(head)} bytes, shorter than the index header")
    _, version, length, crc = HEADER.unpack_from(head)
    if version > VERSION:
        raise ValueError(f"written in format version {version}, newer than this brindlemap "
                         f"reads (up to {VERSION}): upgrade brindlemap to read it")
    if version < 1:
        raise ValueError(f"unknown format version {version}")
    return IndexHeader(version, length, crc)


def check_length(header: IndexHeader, available: int) -> None:
    """ValueError unless `available`, the count of bytes behind the header, is what it says."""
    if available < header.length:
        raise ValueError(f"truncated: {available} of the {header.length} bytes of the trie")
    if available > header.length:
        raise ValueError(f"{available - header.length} unexpected bytes after the trie")


def byte_bound(max_bytes: int) -> int:
    """`max_bytes` checked: a non-negative integer."""
    max_bytes = operator.index(max_bytes)
    if max_bytes < 0:
        raise ValueError(f"max_bytes must be at least 0, not {max_bytes}")
    return max_bytes


def check_within(length: int, max_bytes: int) -> None:
    """ValueError unless `length` trie bytes are within the bound of `max_bytes`."""
    if length > max_bytes:
        raise ValueError(f"{length} bytes of trie, more than max_bytes ({max_bytes}) allows")


def shaped(trie: PrefixSearch) -> PrefixSearch:
    """`trie` itself when it passes the shape check; ValueError otherwise."""
    if not _search.well_formed(trie):
        raise ValueError(MALFORMED)
    return trie


def check_body(header: IndexHeader, body: bytes | bytearray, *, shape: bool = True) -> PrefixSearch:
    """The trie of `body`, the bytes that follow the header, once they are checked against it
    (and, unless `shape` is false, once it passes the shape check)."""
    check_length(header, len(body))
    if zlib.crc32(body) != header.crc:
        raise ValueError("checksum mismatch: the trie bytes are corrupt")
    trie = _search.decode(body)
    return shaped(trie) if shape else trie


def _not_an_index(why: str) -> ValueError:
    return ValueError(f"no index header, and {why}")


def decode_exactly(data: bytes) -> PrefixSearch:
    """The trie of `data` if it is exactly the bytes of one, whatever its shape; ValueError
    for anything else."""
    try:
        trie = _search.decode(data)
    except ValueError as error:
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
    except ValueError as error:
        if ENDS_EARLY in str(error):
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
    raise ValueError(HEADERLESS)


def loads(data: bytes, max_bytes: int, legacy: bool) -> PrefixSearch:
    """The trie of an index file's bytes `data`, checked as `brindlemap.loads` documents."""
    if starts_with_header(data[:len(MAGIC)]):
        header = parse_header(data)
        check_within(header.length, max_bytes)
        return check_body(header, data[HEADER.size:])
    if not legacy:
        refuse_headerless(data[:SNIFF_BYTES], len(data) <= SNIFF_BYTES)
    check_within(len(data), max_bytes)
    return decode_headerless(data)
