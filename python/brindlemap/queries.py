"""Queries beyond PrefixSearch's own methods, computed natively by brindlemap._search.

Each takes `metric="levenshtein"` (insertions, deletions and substitutions cost 1) or
`metric="osa"` (optimal string alignment: swapping two adjacent characters costs 1 as well,
so "teh" is 1 from "the"). The ranked queries, `suggest` and `complete`, default to OSA, since
a swapped pair is the commonest typo; `search` defaults to Levenshtein, as `fuzzy_match` has
it. Distances count code points. A trie whose arrays are not those of a
well-formed trie (only possible through from_internal_data or from_bytes of foreign data) is
refused with ValueError.
"""

from operator import index
from typing import Literal

from brindlemap import _search
from brindlemap._brindlemap import PrefixSearch
from brindlemap._types import MAX_DISTANCE, Match, Queries

# Unions of one-value literals: what a checker makes of Literal["levenshtein", "osa"], and so
# what stubtest expects to find at run time.
Metric = Literal["levenshtein"] | Literal["osa"]
Rank = Literal["payload"] | Literal["word"]

# The defaults, stated once here: the command line and the documentation take them from these.
UNRANKED_METRIC: Metric = "levenshtein"
RANKED_METRIC: Metric = "osa"


def _distance(max_dist: int) -> int:
    max_dist = index(max_dist)
    if max_dist < 0:
        raise ValueError(f"max_dist must not be negative, not {max_dist}")
    return min(max_dist, MAX_DISTANCE)  # no word lies further than that


def _count(k: int) -> int:
    k = index(k)
    if k < 0:
        raise ValueError(f"k must not be negative, not {k}")
    return k


def search(trie: PrefixSearch, word: str, max_dist: int = 1, *,
           metric: Metric = UNRANKED_METRIC, limit: int | None = None) -> list[Match]:
    """Every word within `max_dist` of `word`, as (word, payload, distance) in walk order (the
    branch that follows `word` first), at most `limit` of them. With the default metric this
    is `trie.fuzzy_match(word, max_dist, limit)`."""
    return _search.search(trie, word, _distance(max_dist), metric, limit)


def complete(trie: PrefixSearch, typed: str, max_dist: int = 1, k: int = 10, *,
             metric: Metric = RANKED_METRIC, rank: Rank = "payload") -> list[Match]:
    """The `k` best words that begin with something within `max_dist` of `typed`, as (word,
    payload, prefix distance), best first: by the prefix distance (the least distance between
    `typed` and any beginning of the word), then by `rank`, then by word. `max_dist=0` is
    plain completion. Search-as-you-type: "helo" completes to "hello", "help", "helmet"...

    Only the branches that lead to the answer are opened, never a whole subtree; ranking by
    payload uses the least payload under each node, worked out once per trie (4 bytes a node).
    """
    return _search.complete(trie, typed, _distance(max_dist), _count(k), metric, rank)


def suggest(trie: PrefixSearch, word: str, max_dist: int = 2, k: int = 10, *,
            metric: Metric = RANKED_METRIC, rank: Rank = "payload") -> list[Match]:
    """The `k` best words within `max_dist` of `word`, best first: by distance, then by `rank`
    ("payload": the smaller payload first, which ranks the commonest words first in a list
    stored in frequency order; "word": alphabetical by code point), then by word.

    Searches at distances 1, 2, 4, ... up to `max_dist` find them, the first that finds `k`
    words ending it, so a large `max_dist` costs little more than the answer needs.
    """
    return _search.suggest(trie, word, _distance(max_dist), _count(k), metric, rank)


def search_many(trie: PrefixSearch, queries: Queries, max_dist: int = 1, *,
                metric: Metric | None = None, limit: int | None = None, k: int | None = None,
                rank: Rank = "payload", threads: int | None = None) -> list[list[Match]]:
    """For each query, in input order, what `search` gives (or, with `k`, what `suggest` gives),
    under the same default metric as that function unless `metric` is given.

    The queries are walked on `threads` native threads (default: one per CPU; at most 256)
    with the interpreter lock released, so other Python threads run meanwhile and a batch uses
    every core; Ctrl-C stops it within a few tens of milliseconds. A str is one query, not a
    sequence of them, and is refused.
    """
    # A str goes to the native side as it is, to be refused there; other iterables are read once.
    batch = queries if isinstance(queries, (list, tuple, str)) else list(queries)
    if metric is None:
        metric = UNRANKED_METRIC if k is None else RANKED_METRIC
    return _search.search_many(trie, batch, _distance(max_dist), metric, limit,
                               None if k is None else _count(k), rank, threads)
