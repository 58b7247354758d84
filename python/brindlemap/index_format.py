"""The layout of an index file, a header then the trie's bytes, and the checks that read it.

An index is HEADER (magic bytes, format version, length of the trie bytes, CRC-32 of them)
followed by exactly that many bytes of `PrefixSearch.to_bytes()`. Files written before the
header existed hold the trie bytes alone; they still read, but only when they are exactly what
`to_bytes` gives, so that no other kind of file passes for one.
"""

import struct
import zlib
from typing import NamedTuple

from brindlemap import _search
from brindlemap._brindlemap import PrefixSearch

# Little-endian: magic, format version, length of the trie bytes, their CRC-32.
HEADER = struct.Struct("<8sIQI")
# Not text (its first byte is not ASCII), and its line ending shows a text-mode mangling.
MAGIC = b"\x89BMIDX\r\n"
VERSION = 1

# The decoder's reason when the bytes end before the trie does.
ENDS_EARLY = "UnexpectedEnd"


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


def check_body(header: IndexHeader, body: bytes) -> PrefixSearch:
    """The trie of `body`, the bytes that follow the header, once they are checked against it."""
    check_length(header, len(body))
    if zlib.crc32(body) != header.crc:
        raise ValueError("checksum mismatch: the trie bytes are corrupt")
    return _search.decode(body)


def _not_an_index(why: str) -> ValueError:
    return ValueError(f"no index header, and {why}")


def decode_headerless(data: bytes) -> PrefixSearch:
    """The trie of an index written before the header existed; ValueError for anything else."""
    try:
        trie = _search.decode(data)
    except ValueError as error:
        raise _not_an_index(str(error)) from None
    if trie.to_bytes() != data:
        raise _not_an_index("more bytes than a trie's")
    return trie


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


def loads(data: bytes) -> PrefixSearch:
    """The trie of an index file's bytes `data`, checked; ValueError saying what is wrong."""
    if starts_with_header(data[:len(MAGIC)]):
        return check_body(parse_header(data), data[HEADER.size:])
    return decode_headerless(data)
