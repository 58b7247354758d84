"""How often one word follows another, kept by the numbers of the two words' keys in a
lexicon: two arrays of 64-bit items, 16 bytes a pair, and no Python object for any pair."""

from __future__ import annotations

from array import array
from bisect import bisect_left
from collections.abc import Callable, Iterable, Iterator, Mapping
from operator import index
from typing import Any

from brindlemap._search import number_span
from brindlemap._types import MAX_COUNT, Numbers

__all__ = ["Bigrams", "Pairs"]

Pairs = Iterable[tuple[tuple[str, str], int]] | Mapping[tuple[str, str], int]


def _pair_items(pairs: Any) -> Iterator[tuple[int, object, str, str, int]]:
    """(position, item, first, second, count) for each item of `pairs`, checked."""
    if isinstance(pairs, (str, bytes)):
        raise TypeError("bigrams are ((word, word), count) items, not a str")
    source = pairs.items() if isinstance(pairs, Mapping) else pairs
    for position, item in enumerate(source):
        try:
            words, count = item
            first, second = words
        except (TypeError, ValueError):
            raise TypeError(f"bigram {position} ({item!r}) is not a ((word, word), count) "
                            "pair") from None
        if not isinstance(first, str) or not isinstance(second, str):
            raise TypeError(f"bigram {position} ({item!r}) holds a word that is not a str")
        try:
            number = index(count)
        except TypeError:
            raise TypeError(f"count of bigram {position} ({item!r}) is not an integer") from None
        if not 0 <= number <= MAX_COUNT:
            raise ValueError(f"count of bigram {position} ({item!r}) is outside "
                             f"0..{MAX_COUNT}")
        yield position, item, first, second, number


class Bigrams:
    """Counts of pairs of keys: `pairs` holds first * keys + second for each pair, ascending,
    and `counts` the count of each. Pairs of words the lexicon lacks are not kept."""

    __slots__ = ("_paired", "_span", "counts", "keys", "pairs")

    def __init__(self, keys: int, pairs: Numbers, counts: Numbers) -> None:
        self.keys, self.pairs, self.counts = keys, pairs, counts
        self._paired: bytearray | None = None
        self._span: tuple[int, int] | None = None

    def least(self) -> int:
        """The least count the table holds, at least 1: a list of the commonest pairs holds
        every pair met that often, and a pair it lacks was met less."""
        return self._measured()[1]

    def mass(self) -> int:
        """The sum of the table's counts, at least 1."""
        return self._measured()[0]

    def _measured(self) -> tuple[int, int]:
        # Both in one pass over the counts.
        if self._span is None:
            _, mass, least = number_span(self.counts)
            self._span = max(mass, 1), max(least, 1)
        return self._span

    @classmethod
    def of(cls, pairs: Pairs, keys: int, number_of: Callable[[str], int | None]) -> Bigrams:
        """The table of `pairs`, each word numbered by `number_of` (None for a word the
        lexicon lacks, whose pairs are left out); pairs that fold alike add their counts."""
        summed: dict[int, int] = {}
        for position, item, first, second, count in _pair_items(pairs):
            one, two = number_of(first), number_of(second)
            if one is None or two is None:
                continue
            code = one * keys + two
            total = summed.get(code, 0) + count
            if total > MAX_COUNT:
                raise ValueError(f"bigram {position} ({item!r}): the counts of the pairs that "
                                 f"fold as it does add up past {MAX_COUNT}")
            summed[code] = total
        codes = sorted(summed)
        return cls(keys, array("Q", codes), array("Q", map(summed.__getitem__, codes)))

    def __len__(self) -> int:
        return len(self.pairs)

    def count(self, first: int, second: int) -> int:
        """How often key `second` follows key `first`; 0 where the table lacks the pair."""
        code = first * self.keys + second
        pairs = self.pairs
        at = bisect_left(pairs, code)
        return self.counts[at] if at < len(pairs) and pairs[at] == code else 0

    def paired(self, key: int) -> bool:
        """Whether key `key` is in any pair of the table, first or second: where it is not,
        the table says nothing of the words it goes with."""
        if self._paired is None:
            paired = bytearray(self.keys)
            keys = self.keys
            for code in self.pairs:
                paired[code // keys] = paired[code % keys] = 1
            self._paired = paired
        return bool(self._paired[key])

    def opens_pair(self, key: int) -> bool:
        """Whether key `key` is the first word of any pair of the table: found by one search
        of the ordered pairs, where `paired` reads them all once. A word of the vocabulary the
        pairs were counted in opens some pair; one outside it (a word the lexicon added to the
        counted ones, "you're") opens none, and its neighbours say nothing of it."""
        pairs = self.pairs
        at = bisect_left(pairs, key * self.keys)
        return at < len(pairs) and pairs[at] // self.keys == key

    def numbered(self) -> Iterator[tuple[int, int, int]]:
        """(first, second, count) of every pair, in the table's order."""
        keys = self.keys
        for code, count in zip(self.pairs, self.counts):
            yield code // keys, code % keys, count

    def checked(self) -> Bigrams:
        """The table, once it is known to number only keys below `keys`, with a count for each
        pair; ValueError otherwise. Its order is not checked: a table out of order (which a
        checksum lets through only if it was made so) finds wrong counts, never a fault."""
        pairs, counts = self.pairs, self.counts
        if len(pairs) != len(counts):
            raise ValueError("its bigrams and their counts differ in number")
        if number_span(pairs)[0] >= self.keys * self.keys:
            raise ValueError("its bigrams name keys it does not have")
        return self
