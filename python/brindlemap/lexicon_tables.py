"""The compact tables behind a Lexicon: its words counted and grouped under their folded keys,
laid out as a few arrays and one string, with no Python object kept per word."""

from array import array
from collections.abc import Callable, Iterable, Iterator
from itertools import accumulate
from typing import NamedTuple

from brindlemap._brindlemap import PrefixSearch
from brindlemap.builder import Words, build, checked_number, checked_word, items
from brindlemap.folding import spelling
from brindlemap._types import MAX_COUNT, Numbers

# (where, word, count): a counted word and the position (an item's index, a file's line
# number) that a failure names.
Counted = Iterable[tuple[int, str, int]]


class Tables(NamedTuple):
    """Keys are numbered by total count, most first (ties in the order their first words came):
    key r is the trie's payload r. Its spellings are r's run, firsts[r] to firsts[r + 1], most
    frequent first (ties by code point); spelling i is text[starts[i]:starts[i + 1]]."""

    trie: PrefixSearch  # the folded keys
    text: bytes | memoryview  # every spelling, end to end, in UTF-8 (decoded when returned)
    starts: Numbers  # the byte where each spelling begins in text, and where the last ends
    counts: Numbers  # each spelling's count
    firsts: Numbers  # where each key's run of spellings begins, and where the last ends
    totals: Numbers  # each key's total count


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
    total_counts = _packed(totals[key] for key in keys)
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
    firsts = [at for at, entry in enumerate(ordered) if at == 0 or entry[0] != ordered[at - 1][0]]
    encoded = [entry[3].encode("utf-8") for entry in ordered]
    return Tables(trie, b"".join(encoded),
                  _packed(accumulate(map(len, encoded), initial=0)),
                  _packed(-entry[1] for entry in ordered), _packed(firsts + [len(ordered)]),
                  total_counts)


def in_bytes(text: str, starts: array[int]) -> tuple[bytes, array[int]]:
    """A text of spellings and where each begins, counted in characters (as lexicons of
    format 2 and earlier pickles hold them), in UTF-8 and counted in bytes."""
    encoded = text.encode("utf-8")
    if len(encoded) == len(text):
        return encoded, starts
    return encoded, _packed(accumulate((len(text[a:b].encode("utf-8"))
                                        for a, b in zip(starts, starts[1:])), initial=0))
