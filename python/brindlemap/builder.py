"""Lays out the four trie arrays for a set of words, and builds a PrefixSearch from them."""

from collections.abc import Iterable, Mapping
from itertools import accumulate
from operator import index
from typing import Any

from brindlemap._brindlemap import PrefixSearch, from_internal_data
from brindlemap._types import MAX_PAYLOAD

Arrays = tuple[list[int], list[str], list[int | None], list[int]]


def _checked_payload(payload: Any, item: object, position: int) -> int:
    try:
        value = index(payload)
    except TypeError:
        raise TypeError(
            f"payload of item {position} ({item!r}) is not an integer") from None
    if not 0 <= value <= MAX_PAYLOAD:
        raise ValueError(
            f"payload of item {position} ({item!r}) is outside 0..{MAX_PAYLOAD}")
    return value


def _checked_word(word: object, item: object, position: int) -> str:
    if not isinstance(word, str):
        raise TypeError(f"item {position} ({item!r}) is not a str word")
    if not word:
        raise ValueError(f"item {position} is the empty word, which a trie cannot report")
    return word


def _collect(words: Any) -> dict[str, int]:
    """Word to payload; a repeated word keeps its last payload."""
    entries: dict[str, int] = {}
    if isinstance(words, Mapping):
        for position, (word, payload) in enumerate(words.items()):
            item = (word, payload)
            entries[_checked_word(word, item, position)] = _checked_payload(payload, item, position)
        return entries
    if isinstance(words, str):
        raise TypeError("words must be an iterable of words, not a single str")
    for position, item in enumerate(words):
        if isinstance(item, str):
            word, payload = item, position
        elif isinstance(item, tuple) and len(item) == 2:
            word, payload = item
        else:
            raise TypeError(f"item {position} ({item!r}) is neither a str nor a (str, int) pair")
        entries[_checked_word(word, item, position)] = _checked_payload(payload, item, position)
    return entries


def build_arrays(words: Iterable[str] | Iterable[tuple[str, int]] | Mapping[str, int]) -> Arrays:
    """Returns (node_shifts, node_strings, node_payloads, child_indices) for `words`.

    `words` is an iterable of str (each word's payload is its position), an iterable of
    (word, payload) pairs, or a mapping from word to payload. Siblings are sorted by code point
    and nodes are numbered level by level, so each node's children sit next to each other. A
    repeated word keeps its last payload; an empty word, a non-str word or a payload outside
    0..4294967295 is refused with the offending item and its position.
    """
    entries = _collect(words)
    # Per depth, in order: the parent's index within the level above, the character, the
    # payload. Walking the words in sorted order creates each level's nodes in sorted order,
    # which is parent order first and character order among siblings.
    parents: list[list[int]] = [[]]
    characters: list[list[str]] = [[]]
    payloads: list[list[int | None]] = [[]]
    path = [0]  # index within its level of each node on the previous word's path
    previous = ""
    for word in sorted(entries):
        shared = 0
        limit = min(len(previous), len(word))
        while shared < limit and previous[shared] == word[shared]:
            shared += 1
        del path[shared + 1:]
        for depth in range(shared + 1, len(word) + 1):
            if depth == len(parents):
                parents.append([])
                characters.append([])
                payloads.append([])
            level = parents[depth]
            path.append(len(level))
            level.append(path[depth - 1])
            characters[depth].append(word[depth - 1])
            payloads[depth].append(None)
        payloads[len(word)][-1] = entries[word]
        previous = word

    first_id = [0, 1]  # the node id of each level's first node
    for level in parents[1:]:
        first_id.append(first_id[-1] + len(level))
    node_count = first_id[-1]
    child_counts = [0] * node_count
    for depth in range(1, len(parents)):
        above = first_id[depth - 1]
        for parent in parents[depth]:
            child_counts[above + parent] += 1

    node_shifts = [0, *accumulate(child_counts)][:node_count]
    node_strings = [""]
    node_payloads: list[int | None] = [None]
    for depth in range(1, len(parents)):
        node_strings.extend(characters[depth])
        node_payloads.extend(payloads[depth])
    # Level-by-level numbering puts every run of children in id order, one after the other.
    child_indices = list(range(1, node_count))
    return node_shifts, node_strings, node_payloads, child_indices


def build(words: Iterable[str] | Iterable[tuple[str, int]] | Mapping[str, int]) -> PrefixSearch:
    """Returns a PrefixSearch holding `words`; see build_arrays for what `words` may be."""
    return from_internal_data(*build_arrays(words))
