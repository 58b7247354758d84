"""The bytes of a lexicon index: its fold and its tables, each length checked before it is
trusted.

Behind the header (kind LEXICON) come, little-endian: the fold (one byte: 0 none, 1 case,
2 case and accents, then three zero bytes), then six sections, each an item size (one byte:
1, 2, 4 or 8) and a count of items (eight bytes) followed by the items: the trie's bytes, the
text of every spelling in UTF-8, then the arrays starts, counts, firsts and totals of
`lexicon_tables.Tables`. A lexicon with bigram counts has two sections more, the pairs and the
counts of `bigrams.Bigrams`; a file without them (as earlier versions wrote) has none.
"""

import struct
import sys
from array import array
from collections.abc import Callable, Iterable

from brindlemap import _search
from brindlemap.bigrams import Bigrams
from brindlemap.errors import IndexFileError, IndexFileReason
from brindlemap.folding import FOLDS, Fold
from brindlemap.index_format import Kind, byte_bound, pack_header, shaped
from brindlemap.index_reader import BodyStream, IndexFile, Source, in_place, read_index
from brindlemap.lexicon_tables import Tables

FOLD = struct.Struct("<B3x")
SECTION = struct.Struct("<BQ")
ARRAY_CODES = {array(code).itemsize: code for code in "BHIQ"}
BIG_ENDIAN = sys.byteorder == "big"


def _section(items: bytes | array[int]) -> Iterable[bytes]:
    if isinstance(items, bytes):
        return SECTION.pack(1, len(items)), items
    if BIG_ENDIAN:
        items = array(items.typecode, items)
        items.byteswap()
    return SECTION.pack(items.itemsize, len(items)), items.tobytes()


def lexicon_bytes(fold: Fold, tables: Tables, bigrams: Bigrams | None = None) -> bytes:
    """The whole index file of a lexicon: header, then its bytes."""
    parts = [FOLD.pack(FOLDS.index(fold))]
    extra = () if bigrams is None else (bigrams.pairs, bigrams.counts)
    for items in (tables.trie.to_bytes(), tables.text.encode("utf-8"), *tables[2:], *extra):
        parts.extend(_section(items))
    body = b"".join(parts)
    return pack_header(body, Kind.LEXICON) + body


def _layout(message: str) -> IndexFileError:
    return IndexFileError(message, IndexFileReason.LAYOUT)


class _Reader:
    """Reads the sections of a body of `length` bytes in order through `read`, which gives the
    next bytes asked for; refuses any section that runs past the body's end."""

    def __init__(self, length: int, read: Callable[[int], bytes | bytearray | memoryview]) -> None:
        self._left = length
        self._read = read

    def take(self, size: int, what: str) -> bytes | bytearray | memoryview:
        if size > self._left:
            raise IndexFileError(f"truncated: the {what} runs past the end of the lexicon",
                                 IndexFileReason.LAYOUT)
        self._left -= size
        return self._read(size)

    def _items(self, what: str, sizes: Iterable[int]) -> tuple[int, bytes | bytearray | memoryview]:
        itemsize, count = SECTION.unpack(self.take(SECTION.size, what))
        if itemsize not in sizes:
            raise _layout(f"the {what} has items of {itemsize} bytes")
        return itemsize, self.take(itemsize * count, what)

    def raw(self, what: str) -> bytes | bytearray:
        return in_place(self._items(what, (1,))[1])

    def numbers(self, what: str) -> array[int]:
        itemsize, items = self._items(what, ARRAY_CODES)
        numbers = array(ARRAY_CODES[itemsize])
        numbers.frombytes(items)
        if BIG_ENDIAN:
            numbers.byteswap()
        return numbers

    def done(self) -> bool:
        return not self._left

    def end(self) -> None:
        if self._left:
            raise _layout(f"{self._left} unexpected bytes after the lexicon")


def _fold(code: int) -> Fold:
    if code >= len(FOLDS):
        raise _layout(f"unknown fold {code}")
    return FOLDS[code]


Laid = tuple[Fold, Tables, Bigrams | None]


def read_lexicon(source: Source, max_bytes: int) -> Laid:
    """The fold, tables and bigrams of the lexicon index at `source` (a path or an index
    file's bytes), read by `index_reader` within `max_bytes`, each part checked."""
    return read_index(source, lexicon_of, kind=Kind.LEXICON, max_bytes=byte_bound(max_bytes))


def lexicon_from_bytes(data: bytes | bytearray) -> Laid:
    """The fold and tables of a lexicon index's bytes, header and all, each part checked."""
    return read_lexicon(data, len(data))


def lexicon_of(index: IndexFile) -> Laid:
    """The fold and tables of a lexicon's index, as `read_index` read it: from its file a
    section at a time, so that only the tables and the section at hand are held, a damaged
    byte told as such before whatever it broke; or from the bytes in memory."""
    if isinstance(index.body, BodyStream):
        stream = index.body
        try:
            laid_out = _sections(_Reader(stream.header.length, stream.read))
        except ValueError:
            stream.finish()
            raise
        stream.finish()
        return laid_out
    body = memoryview(index.body)
    at = 0

    def read(size: int) -> memoryview:
        nonlocal at
        at += size
        return body[at - size:at]

    return _sections(_Reader(len(body), read))


def _sections(reader: _Reader) -> Laid:
    fold = _fold(FOLD.unpack(reader.take(FOLD.size, "fold"))[0])
    trie = _search.decode(reader.raw("trie"))
    try:
        text = str(reader.raw("text"), "utf-8")
    except UnicodeDecodeError as error:
        raise _layout(f"the text is not UTF-8: {error.reason}") from None
    starts, counts, firsts, totals = map(reader.numbers, ("starts", "counts", "firsts",
                                                          "totals"))
    bigrams = None
    if not reader.done():
        pairs, pair_counts = reader.numbers("bigrams"), reader.numbers("bigram counts")
        try:
            bigrams = Bigrams(len(totals), pairs, pair_counts).checked()
        except ValueError as error:
            raise _layout(str(error)) from None
    reader.end()
    return fold, checked_tables(Tables(trie, text, starts, counts, firsts, totals)), bigrams


def checked_tables(tables: Tables) -> Tables:
    """`tables` once what indexes each table is checked against it; IndexFileError where they
    do not fit together."""
    # The order within a table only orders the answers, so bytes made to pass the checksum can
    # mislead but never fault a query.
    trie, text, starts, counts, firsts, totals = tables
    if not (len(starts) == len(counts) + 1 and starts[0] == 0 and starts[-1] == len(text)):
        raise _layout("its spellings do not tile its text")
    if not (len(firsts) == len(totals) + 1 and firsts[0] == 0 and firsts[-1] == len(counts)
            and _search.number_span(memoryview(firsts)[:-1])[0] < max(len(counts), 1)):
        raise _layout("its keys do not tile its spellings")
    count, largest = _search.payload_span(shaped(trie))
    if count != len(totals) or (largest or 0) >= max(count, 1):
        raise _layout("its trie's keys are not numbered as its tables are")
    return tables
