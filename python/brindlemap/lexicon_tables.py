"""The compact tables behind a Lexicon: its words counted and grouped under their folded keys,
laid out as a few arrays and one text, with no Python object kept per word."""

from __future__ import annotations

from array import array
from collections.abc import Callable, Iterable, Iterator
from itertools import accumulate, groupby
from operator import sub

from brindlemap import _search
from brindlemap._brindlemap import PrefixSearch
from brindlemap.builder import Words, build, checked_number, checked_word, items
from brindlemap.errors import IndexFileError, IndexFileReason
from brindlemap.folding import spelling
from brindlemap.index_format import shaped
from brindlemap._types import MAX_COUNT, Numbers

# (where, word, count): a counted word and the position (an item's index, a file's line
# number) that a failure names.
Counted = Iterable[tuple[int, str, int]]


class Tables:
    """Keys are numbered by total count, most first (ties in the order their first words came):
    key r is the trie's payload r, and holds the r-th run of spellings, `runs[r]` of them (at
    least one), most frequent first (ties by code point). Spelling i is `lengths[i]` bytes of
    UTF-8 in `text`, where the spellings lie end to end, and counts `counts[i]`; a key's total
    count is the sum of its spellings'. Only what a file holds is kept: where a spelling and a
    run begin is added up when asked (`_search.places`, a byte an item where a file maps them
    rather than the four of the places themselves), and the keys' totals made only for the
    queries that read them all (`totals`)."""

    __slots__ = ("_least", "_totals", "counts", "firsts", "lengths", "runs", "starts", "text",
                 "trie")

    def __init__(self, trie: PrefixSearch, text: bytes | memoryview, lengths: Numbers,
                 counts: Numbers, runs: Numbers) -> None:
        self.trie, self.text, self.lengths = trie, text, lengths
        self.counts, self.runs = counts, runs
        self.starts = _search.places(lengths)
        self.firsts = _search.places(runs, least=1)  # ValueError for a key without spellings
        self._totals: memoryview | None = None
        self._least: int | None = None

    @property
    def keys(self) -> int:
        return len(self.runs)

    def spelling(self, at: int) -> str:
        """Spelling `at`. Bytes made to pass a file's checksum may cut a character: they
        mislead, never raise."""
        start = self.starts[at]
        return str(self.text[start:start + self.lengths[at]], "utf-8", "replace")

    def spellings(self) -> Iterator[str]:
        """Every spelling in turn."""
        text, start = self.text, 0
        for length in self.lengths:
            yield str(text[start:start + length], "utf-8", "replace")
            start += length

    def run(self, number: int) -> range:
        """The spellings of key `number`."""
        first = self.firsts[number]
        return range(first, first + self.runs[number])

    def total(self, number: int) -> int:
        """The count of key `number`: the sum of its spellings'."""
        return self.total_of(self.run(number))

    def total_of(self, run: range) -> int:
        """The count of the key whose spellings are `run`."""
        return self.counts[run.start] if len(run) == 1 else sum(self.counts[run.start:run.stop])

    def totals(self) -> memoryview:
        """Every key's total count, made natively the first time a query reads them all (a
        bigram's lift, a segmentation) and kept."""
        if self._totals is None:
            self._totals = memoryview(_search.run_sums(self.counts, self.runs)).cast("Q")
        return self._totals

    def least_total(self) -> int:
        """The least of the keys' totals (0 for no keys), worked out once."""
        if self._least is None:
            self._least = _search.number_span(self.totals())[2]
        return self._least

    @classmethod
    def read(cls, trie: PrefixSearch, text: bytes | memoryview, lengths: Numbers,
             counts: Numbers, runs: Numbers) -> Tables:
        """The tables of these parts, once what indexes each is checked against the next;
        IndexFileError where they do not fit together. The order within a table only orders
        the answers, so bytes made to pass a checksum can mislead but never fault a query."""
        try:
            tables = cls(trie, text, lengths, counts, runs)
        except ValueError:
            raise _layout("its keys do not tile its spellings") from None
        if len(lengths) != len(counts) or tables.starts[-1] != len(text):
            raise _layout("its spellings do not tile its text")
        if tables.firsts[-1] != len(counts):
            raise _layout("its keys do not tile its spellings")
        count, largest = _search.payload_span(shaped(trie))
        if count != len(runs) or (largest or 0) >= max(count, 1):
            raise _layout("its trie's keys are not numbered as its tables are")
        return tables

    @classmethod
    def of_places(cls, trie: PrefixSearch, text: bytes | memoryview, starts: Numbers,
                  counts: Numbers, firsts: Numbers) -> Tables:
        """The tables that earlier formats held as where each spelling begins in `text` (and
        where the last ends) and where each key's run of spellings begins (and the last
        ends), checked."""
        lengths = _sizes(starts, len(text), "its spellings do not tile its text")
        runs = _sizes(firsts, len(counts), "its keys do not tile its spellings")
        return cls.read(trie, text, lengths, counts, runs)


def _layout(message: str) -> IndexFileError:
    return IndexFileError(message, IndexFileReason.LAYOUT)


def _sizes(places: Numbers, end: int, failure: str) -> array[int]:
    """The gaps between increasing `places`, which start at 0 and end at `end`."""
    if not places or places[0] != 0 or places[-1] != end:
        raise _layout(failure)
    gaps = array("q", map(sub, places[1:], places))
    if gaps and min(gaps) < 0:
        raise _layout(failure)
    return _packed(gaps)


def counted_items(words: Words) -> Iterator[tuple[int, str, int]]:
    """(position, word, count) for each item of `words` (a bare word counts 1), checked."""
    for position, (item, word, count) in enumerate(items(words, bare=1)):
        yield (position, checked_word(word, item, position),
               checked_number(count, item, position, "count", MAX_COUNT))


def _packed(values: Iterable[int]) -> array[int]:
    """`values` in the narrowest unsigned array that holds them: a word list's counts of 1
    take a byte each, offsets into a few million characters four."""
    packed = array("Q", values)
    widest = max(packed, default=0)
    for code in "BHI":
        if widest < 1 << 8 * array(code).itemsize:
            return array(code, packed)
    return packed


def lay_out(words: Counted, key_of: Callable[[str], str], place: Callable[[int], str]) -> Tables:
    """The tables of `words`, each folded by `key_of`; repeated words add their counts. A word
    that folds to nothing, or counts past MAX_COUNT, raises ValueError naming `place(where)`."""
    counts: dict[str, int] = {}
    totals: dict[str, int] = {}
    for where, word, count in words:
        written = spelling(word)
        key = key_of(written)
        if not key:
            raise ValueError(f"{place(where)}: {word!r} folds to the empty word")
        total = totals.get(key, 0) + count
        if total > MAX_COUNT:  # and so is every spelling's count, which is part of it
            raise ValueError(f"{place(where)}: the counts of the words that fold to {key!r} "
                             f"add up past {MAX_COUNT}")
        totals[key] = total
        counts[written] = counts.get(written, 0) + count
    # A stable sort: equal counts keep the order the words came in, which a list given in
    # frequency order (or without counts, each word counting 1) means as a rank.
    keys = sorted(totals, key=totals.__getitem__, reverse=True)
    rank = totals  # reused: each key's number from here on
    for number, key in enumerate(keys):
        rank[key] = number
    trie = build(zip(keys, range(len(keys))))
    del keys
    # (key number, -count, first seen, spelling): the spellings in the order of the tables,
    # those of one key that tie in the order they came in.
    ordered = sorted((rank[key_of(written)], -count, seen, written)
                     for seen, (written, count) in enumerate(counts.items()))
    del counts, rank
    runs = [len(list(run)) for _, run in groupby(entry[0] for entry in ordered)]
    encoded = [entry[3].encode("utf-8") for entry in ordered]
    return Tables(trie, b"".join(encoded), _packed(map(len, encoded)),
                  _packed(-entry[1] for entry in ordered), _packed(runs))


def in_bytes(text: str, starts: Numbers) -> tuple[bytes, Numbers]:
    """A text of spellings and where each begins, counted in characters (as lexicons of
    format 2 and earlier pickles hold them), in UTF-8 and counted in bytes."""
    encoded = text.encode("utf-8")
    if len(encoded) == len(text):
        return encoded, starts
    return encoded, _packed(accumulate((len(text[a:b].encode("utf-8"))
                                        for a, b in zip(starts, starts[1:])), initial=0))
