"""Best-first suggestions: the closest words first, found by widening the distance step by step."""

from operator import index

from brindlemap._brindlemap import PrefixSearch
from brindlemap._types import MAX_DISTANCE, Match


def suggest(trie: PrefixSearch, word: str, max_dist: int = 2, k: int = 10) -> list[Match]:
    """Returns up to `k` (word, payload, distance) tuples, by distance and then by word.

    The search starts at distance 0 and widens one step at a time, stopping as soon as `k`
    words are within reach: close matches cost only the small walks they need. Every word at
    the distance where the search stops is considered, so the answer is exactly the first `k`
    of all words within `max_dist` in (distance, word) order.

    Once the distance reaches the query's length, each step reaches further down every branch
    and soon the whole trie: a last walk at `max_dist` itself, which the walk clamps to the
    deepest word, ends the search however large `max_dist` is.
    """
    max_dist = index(max_dist)
    k = index(k)
    if max_dist < 0 or k < 0:
        raise ValueError("max_dist and k must not be negative")
    found: list[Match] = []
    if k == 0:
        return found
    for distance in range(min(max_dist, len(word)) + 1):
        found = trie.fuzzy_match(word, distance, None)
        if len(found) >= k:
            break
    else:
        if max_dist > len(word):
            found = trie.fuzzy_match(word, min(max_dist, MAX_DISTANCE), None)
    found.sort(key=lambda match: (match[2], match[0]))
    return found[:k]
