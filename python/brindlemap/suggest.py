"""Best-first suggestions: the closest words first, found by widening the distance step by step."""

from operator import index

from brindlemap._brindlemap import PrefixSearch

Match = tuple[str, int, int]


def suggest(trie: PrefixSearch, word: str, max_dist: int = 2, k: int = 10) -> list[Match]:
    """Returns up to `k` (word, payload, distance) tuples, by distance and then by word.

    The search starts at distance 0 and widens one step at a time up to `max_dist`, stopping as
    soon as `k` words are within reach: close matches cost only the small walks they need.
    Every word at the distance where the search stops is considered, so the answer is exactly
    the first `k` of all words within `max_dist` in (distance, word) order.
    """
    max_dist = index(max_dist)
    k = index(k)
    if max_dist < 0 or k < 0:
        raise ValueError("max_dist and k must not be negative")
    found: list[Match] = []
    if k == 0:
        return found
    for distance in range(max_dist + 1):
        found = trie.fuzzy_match(word, distance, None)
        if len(found) >= k:
            break
    found.sort(key=lambda match: (match[2], match[0]))
    return found[:k]
