"""The layout of an index file, a header then the bytes of what it holds, and the checks that
read it.

An index is a header (magic bytes, format version, from version 2 the kind of index, then the
length of the bytes behind it and their CRC-32) followed by exactly that many bytes.

Version 3, which earlier brindlemaps wrote a trie in, holds sections: behind the 28-byte header
come four zero bytes, a u32 count of sections and four zero bytes, then for each section a u32
tag, four zero bytes, the u64 offset of its first byte from the start of the file and its u64
length, then the sections in the order of the table, each starting at a multiple of 64 bytes
from the start of the file (zeros in between), the last ending the file. SECTIONS says which
tags each kind of index holds; a trie's are its arrays and those of its reversed trie, laid out
flat (`_search.flat`), so that loading copies them and no search rebuilds the reversed trie.

Version 4, which earlier brindlemaps wrote, is version 3 with its trie sections packed
(`_search.packed(trie, version=4)`): characters as codes into the trie's own alphabet, runs of
children as counts, payloads only where they are; the file is about a third as large, and loads
faster. It may hold the tables of the trie's ranked queries too (`_search.packed_tables`), so
that the first `complete` of a process reads them rather than makes them. A lexicon's index
holds its tables as sections too (`lexicon_file` says which).

Version 5, which every trie's index is written in now, is version 4 with each node's shift
(where its children begin) stored in place of its run of children, in the lines of one-byte
offsets that a loaded trie keeps: a mapped file's are checked where they lie rather than added
up into memory of the process's own, so that loading is quicker and more of a loaded index is
shared.

Version 6, which every lexicon is written in now, is version 5 with a lexicon's spellings placed
by their lengths and its keys' runs of spellings by their sizes, its keys' total counts left to
be added up (`lexicon_file`); a trie's index is still written in version 5, and would read
alike in 6.

Version 1, written by earlier brindlemaps, has no kind (every version-1 index holds a trie): its
bytes are `PrefixSearch.to_bytes()` of a trie that passes the shape check. Earlier brindlemaps
wrote a lexicon in version 2, kind LEXICON, its tables one after another (`lexicon_file`). Files written before the header
existed hold the trie bytes alone, with nothing to catch a changed bit; they read only when asked
for, and only when they are exactly what `to_bytes` gives, so that no other kind of file passes
for one.
"""

import enum
import operator
import struct
from collections.abc import Mapping
from typing import TYPE_CHECKING, NamedTuple, NoReturn

from brindlemap import _search
from brindlemap._brindlemap import PrefixSearch
from brindlemap.errors import IndexFileError, IndexFileReason, MalformedTrieError

if TYPE_CHECKING:
    from brindlemap.index_reader import Checksum

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
VERSION = 1  # the first header's version, which has no kind
SECTIONED = 3  # the first version with sections, its tries laid out flat
PACKED = 4  # version 3 with its tries packed
LINED = 5  # what a trie is written in: version 4 with its tries' shifts stored in lines
LENGTHS = 6  # what a lexicon is written in: version 5 with its spellings placed by lengths
NEWEST = 6  # the newest version this brindlemap reads


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

MALFORMED = _search.MALFORMED_TRIE
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


def pack_header(data: bytes, kind: Kind = Kind.TRIE, version: int | None = None) -> bytes:
    """The header for the bytes `data` of an index of `kind` in `version`: by default 1 for a
    trie's `to_bytes()` and 2 for a lexicon's body."""
    if version is None:
        version = VERSION if kind is Kind.TRIE else 2
    if version == VERSION:
        return HEADER.pack(MAGIC, VERSION, len(data), _search.crc32(data))
    return KIND_HEADER.pack(MAGIC, version, kind, len(data), _search.crc32(data))


class Section(NamedTuple):
    """One section that an index of a kind may hold in versions 3 and 4."""

    name: str
    tag: int
    required: bool


# The sections of each kind of index, in the order they are written. A new optional section is
# one more entry here, and one more part that its writer hands to `sectioned`; which of a
# lexicon's arrays a version holds, `lexicon_file` checks.
SECTIONS = {
    Kind.TRIE: (Section("trie", 1, True), Section("reversed", 2, False),
                Section("tables", 3, False)),
    Kind.LEXICON: (Section("fold", 1, True), Section("trie", 2, True),
                   Section("reversed", 3, False), Section("text", 4, True),
                   Section("starts", 5, False), Section("lengths", 12, False),
                   Section("counts", 6, True), Section("firsts", 7, False),
                   Section("runs", 13, False), Section("totals", 8, False),
                   Section("bigrams", 9, False), Section("bigram counts", 10, False),
                   Section("tables", 11, False)),
}
TABLE = struct.Struct("<4xI4x")
ENTRY = struct.Struct("<I4xQQ")
SECTION_ALIGN = 64


def _aligned(at: int) -> int:
    return -(-at // SECTION_ALIGN) * SECTION_ALIGN


def sectioned(kind: Kind, parts: Mapping[str, bytes | memoryview],
              version: int = LINED) -> list[bytes | memoryview]:
    """The whole sectioned index of `kind` in `version` holding `parts` by section name,
    header first, as pieces to be written one after another (joined, the file's bytes)."""
    named = [(section, parts[section.name]) for section in SECTIONS[kind]
             if section.name in parts]
    written = KIND_HEADER.size + TABLE.size + ENTRY.size * len(named)
    table, pieces = [TABLE.pack(len(named))], []
    for section, data in named:
        at = _aligned(written)
        table.append(ENTRY.pack(section.tag, at, len(data)))
        pieces += [bytes(at - written), data]
        written = at + len(data)
    body = [b"".join(table), *pieces]
    crc = 0
    for piece in body:
        crc = _search.crc32(piece, crc)
    return [KIND_HEADER.pack(MAGIC, version, kind, written - KIND_HEADER.size, crc), *body]


def trie_sections(trie: PrefixSearch, version: int = LINED) -> dict[str, bytes]:
    """The sections that hold `trie`, which passes the shape check, in an index of either kind
    and of `version` (4 or 5): its arrays packed, those of its reversed trie where it has one,
    and the tables of its ranked queries (the reversed trie and the tables are made here if no
    query has)."""
    parts = {"trie": _search.packed(trie, version=version),
             "tables": _search.packed_tables(trie)}
    if (backward := _search.packed_reversed(trie, version=version)) is not None:
        parts["reversed"] = backward
    return parts


def trie_of_sections(found: Mapping[str, memoryview], version: int,
                     checksum: "Checksum | None" = None) -> PrefixSearch:
    """The trie of the packed sections that `trie_sections` makes for `version`, as an index
    of that version holds them; with the `checksum` of the body that holds them still to be
    worked out, the reader works it out as it reads and settles it there."""
    tables, layout = found.get("tables"), min(version, LINED)
    if checksum is None or checksum.body is None:
        return _search.from_packed(found["trie"], found.get("reversed"), tables, version=layout)
    trie, crc = _search.from_packed_summed(checksum.body, found["trie"], found.get("reversed"),
                                           tables, version=layout)
    checksum.settle(crc)
    return trie


def _layout(message: str) -> IndexFileError:
    return IndexFileError(message, IndexFileReason.LAYOUT)


def sections(header: Header, body: memoryview) -> dict[str, memoryview]:
    """The sections of a sectioned body, which has passed its checksum, by name: the table is
    checked against what the kind holds (known tags, once each, every required one) and every
    section against the file (aligned, in order, within it, the last ending it)."""
    if header.kind not in SECTIONS:
        raise IndexFileError(f"an index of a {header.kind.name.lower()} in format version "
                             f"{header.version}, which this brindlemap writes only for tries: "
                             "upgrade brindlemap to read it", IndexFileReason.VERSION)
    known = {section.tag: section for section in SECTIONS[header.kind]}
    if len(body) < TABLE.size:
        raise _layout("truncated: shorter than its table of sections")
    (count,) = TABLE.unpack_from(body)
    table_end = TABLE.size + ENTRY.size * count
    if count > len(known) or table_end > len(body):
        raise _layout(f"a table of {count} sections, more than an index of a "
                      f"{header.kind.name.lower()} holds")
    end = header.size + len(body)
    found: dict[str, memoryview] = {}
    at = header.size + table_end
    for i in range(count):
        tag, offset, length = ENTRY.unpack_from(body, TABLE.size + ENTRY.size * i)
        section = known.get(tag)
        if section is None or section.name in found:
            raise _layout(f"a section tagged {tag}, which is unknown or repeated")
        if offset % SECTION_ALIGN or offset < at or length > end - offset:
            raise _layout(f"the {section.name} section lies outside its place")
        found[section.name] = body[offset - header.size:offset - header.size + length]
        at = offset + length
    if at != end:
        raise _layout(f"{end - at} unexpected bytes after the last section")
    missing = [s.name for s in SECTIONS[header.kind] if s.required and s.name not in found]
    if missing:
        raise _layout(f"no {missing[0]} section")
    return found


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
    check_crc_value(header, _search.crc32(body))


def check_crc_value(header: Header, crc: int) -> None:
    """ValueError unless `crc` is the CRC-32 that the header gives its body."""
    if crc != header.crc:
        raise IndexFileError(f"checksum mismatch: the {header.kind.name.lower()} bytes are "
                             "corrupt", IndexFileReason.CHECKSUM)


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
