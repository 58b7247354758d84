"""The bytes of a lexicon index: its fold and its tables, each length checked before it is
trusted.

A lexicon is written in format 6 (earlier brindlemaps wrote 5 and 4), sectioned as a trie's
index is (`index_format`), so that a file maps and its first query makes nothing: the fold (one
byte: 0 none, 1 case, 2 case and accents, then three zero bytes); the trie of its keys, the
reversed trie that searches read and the tables that rank completions, as a trie's index of
format 5 holds them; the text of every spelling in UTF-8; the arrays lengths (in bytes of that
text), counts and runs of `lexicon_tables.Tables`; and, for a lexicon with bigram counts, the
pairs and the counts of `bigrams.Bigrams`. Each array is an item size (one byte: 1, 2, 4 or 8,
then seven zero bytes) followed by its items, little-endian. Formats 4 and 5 hold, in place of
lengths and runs, where each spelling begins in the text and where each key's run begins (and
where the last of each ends), and each key's total count.

Earlier brindlemaps wrote format 2, which still loads: behind the header, the fold, then six
sections, each an item size (one byte) and a count of items (eight bytes) followed by the
items: the trie's bytes, the text, then the arrays of starts (counted in characters), counts,
firsts and totals, and for bigrams two sections more.
"""

import struct
import sys
from array import array
from collections.abc import Callable, Iterable

from brindlemap import _search
from brindlemap._brindlemap import PrefixSearch
from brindlemap._types import Numbers
from brindlemap.bigrams import Bigrams
from brindlemap.errors import IndexFileError, IndexFileReason
from brindlemap.folding import FOLDS, Fold
from brindlemap.index_format import (LENGTHS, PACKED, Kind, byte_bound, sectioned,
                                     trie_of_sections, trie_sections)
from brindlemap.index_reader import (BodyStream, Checksum, IndexFile, Source, in_place,
                                     read_index)
from brindlemap.lexicon_tables import Tables, in_bytes

FOLD = struct.Struct("<B3x")
# Format 2's sections: item size and count of items.
SECTION = struct.Struct("<BQ")
# The item size in front of each array of the newest format.
ITEMS = struct.Struct("<B7x")
# The arrays of `Tables` after its trie and text, by their sections' names; and those that
# formats 2 to 5 hold.
NUMBERED = ("lengths", "counts", "runs")
PLACED = ("starts", "counts", "firsts", "totals")
ARRAY_CODES = {array(code).itemsize: code for code in "BHIQ"}
BIG_ENDIAN = sys.byteorder == "big"


def _little_endian(items: Numbers) -> bytes:
    if BIG_ENDIAN:
        items = array(ARRAY_CODES[items.itemsize], items)
        items.byteswap()
    return items.tobytes()


def lexicon_bytes(fold: Fold, tables: Tables, bigrams: Bigrams | None = None) -> bytes:
    """The whole index file of a lexicon, in the newest format: header, then its sections."""
    parts = {"fold": FOLD.pack(FOLDS.index(fold)), "text": tables.text,
             **trie_sections(tables.trie)}
    arrays = {"lengths": tables.lengths, "counts": tables.counts, "runs": tables.runs}
    if bigrams is not None:
        arrays.update({"bigrams": bigrams.pairs, "bigram counts": bigrams.counts})
    for name, items in arrays.items():
        parts[name] = ITEMS.pack(items.itemsize) + _little_endian(items)
    return b"".join(sectioned(Kind.LEXICON, parts, LENGTHS))


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


def read_lexicon(source: Source, max_bytes: int, mapped: bool = False) -> Laid:
    """The fold, tables and bigrams of the lexicon index at `source` (a path or an index
    file's bytes), read by `index_reader` within `max_bytes` (mapped, where `mapped` and the
    file is regular and sectioned), each part checked."""
    return read_index(source, lexicon_of, kind=Kind.LEXICON, max_bytes=byte_bound(max_bytes),
                      mapped=mapped)


def lexicon_from_bytes(data: bytes | bytearray) -> Laid:
    """The fold and tables of a lexicon index's bytes, header and all, each part checked."""
    return read_lexicon(data, len(data))


def lexicon_of(index: IndexFile) -> Laid:
    """The fold and tables of a lexicon's index, as `read_index` read it: from its sections;
    or, in format 2, from its file a section at a time, so that only the tables and the
    section at hand are held, a damaged byte told as such before whatever it broke, or from
    the bytes in memory."""
    if index.sections:
        assert index.header is not None
        if index.header.version < PACKED:
            raise _layout("a lexicon in format 3, which no brindlemap writes")
        return _from_sections(index.sections, index.header.version, index.checksum)
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


def _array(data: memoryview, what: str) -> Numbers:
    """The items of an array section. On a little-endian machine they are viewed where they
    lie, in the mapped file or the bytes given, so that loading copies none of them and two
    processes that map one file share its pages; the view keeps the mapping alive."""
    if len(data) < ITEMS.size or bytes(data[1:ITEMS.size]) != bytes(ITEMS.size - 1):
        raise _layout(f"the {what} has no item size")
    itemsize = data[0]
    if itemsize not in ARRAY_CODES or (len(data) - ITEMS.size) % itemsize:
        raise _layout(f"the {what} has items of {itemsize} bytes")
    if not BIG_ENDIAN:
        return data[ITEMS.size:].cast(ARRAY_CODES[itemsize])  # type: ignore[call-overload,no-any-return]
    numbers = array(ARRAY_CODES[itemsize])
    numbers.frombytes(data[ITEMS.size:])
    if BIG_ENDIAN:
        numbers.byteswap()
    return numbers


def _from_sections(sections: dict[str, memoryview], version: int,
                   checksum: Checksum | None = None) -> Laid:
    fold = sections["fold"]
    if len(fold) != FOLD.size or bytes(fold[1:]) != bytes(FOLD.size - 1):
        raise _layout("its fold is not one byte and three zeros")
    trie = trie_of_sections(sections, version, checksum)
    text = sections["text"]
    held = NUMBERED if version >= LENGTHS else PLACED
    missing = [name for name in held if name not in sections]
    if missing or any(name in sections for name in {*NUMBERED, *PLACED} - {*held}):
        raise _layout(f"no {missing[0]} section" if missing
                      else f"sections of another format than {version}")
    if version >= LENGTHS:
        tables = Tables.read(trie, text, *(_array(sections[name], name) for name in held))
    else:
        starts, counts, firsts, _ = (_array(sections[name], name) for name in held)
        tables = Tables.of_places(trie, text, starts, counts, firsts)
    bigrams = None
    if ("bigrams" in sections) != ("bigram counts" in sections):
        raise _layout("its bigrams and their counts come apart")
    if "bigrams" in sections:
        bigrams = _bigrams(tables.keys, _array(sections["bigrams"], "bigrams"),
                           _array(sections["bigram counts"], "bigram counts"))
    return _fold(fold[0]), tables, bigrams


def _text(data: bytes | bytearray | memoryview) -> str:
    try:
        return str(data, "utf-8")
    except UnicodeDecodeError as error:
        raise _layout(f"the text is not UTF-8: {error.reason}") from None


def _bigrams(keys: int, pairs: Numbers, counts: Numbers) -> Bigrams:
    try:
        return Bigrams(keys, pairs, counts).checked()
    except ValueError as error:
        raise _layout(str(error)) from None


def _sections(reader: _Reader) -> Laid:
    fold = _fold(FOLD.unpack(reader.take(FOLD.size, "fold"))[0])
    trie = _search.decode(reader.raw("trie"))
    text = _text(reader.raw("text"))
    starts, counts, firsts, _ = map(reader.numbers, PLACED)
    bigrams = None
    tables = tables_of_characters(trie, text, starts, counts, firsts)
    if not reader.done():
        pairs, pair_counts = reader.numbers("bigrams"), reader.numbers("bigram counts")
        bigrams = _bigrams(tables.keys, pairs, pair_counts)
    reader.end()
    return fold, tables, bigrams


def tables_of_characters(trie: PrefixSearch, text: str, starts: Numbers, counts: Numbers,
                         firsts: Numbers) -> Tables:
    """The tables of spellings whose places count characters (as format 2 and earlier pickles
    hold them), checked."""
    if not (len(starts) == len(counts) + 1 and starts[0] == 0 and starts[-1] == len(text)):
        raise _layout("its spellings do not tile its text")
    return Tables.of_places(trie, *in_bytes(text, starts), counts, firsts)
