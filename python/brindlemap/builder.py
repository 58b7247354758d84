"""Builds a PrefixSearch from words: they are checked and streamed into compact buffers (their
UTF-8 end to end, each word's length and payload as 32-bit items), which the native builder
sorts and lays out; gives the four trie arrays of that layout; and, with the documentation
that the extension's own functions lack, takes a trie back from its arrays or its bytes."""

import re
from array import array
from collections.abc import Iterable, Iterator, Mapping, Sequence
from operator import index
from typing import Any

from brindlemap import _brindlemap, _search
from brindlemap._brindlemap import PrefixSearch
from brindlemap._types import MAX_PAYLOAD

Arrays = tuple[list[int], list[str], list[int | None], list[int]]
Words = Iterable[str | tuple[str, int]] | Mapping[str, int]

# A lone surrogate as "surrogatepass" encodes it: ED followed by A0 to BF, a pair that no
# scalar value's UTF-8 holds.
_ENCODED_SURROGATE = re.compile(rb"\xed[\xa0-\xbf]")
_SURROGATE = re.compile("[\ud800-\udfff]")


def checked_number(value: Any, item: object, position: int, what: str = "payload",
                   maximum: int = MAX_PAYLOAD) -> int:
    """`value` as an int in 0..maximum; else TypeError or ValueError naming `what` and the item."""
    try:
        number = index(value)
    except TypeError:
        raise TypeError(f"{what} of item {position} ({item!r}) is not an integer") from None
    if not 0 <= number <= maximum:
        raise ValueError(f"{what} of item {position} ({item!r}) is outside 0..{maximum}")
    return number


def refuse_surrogate(word: str, position: int) -> None:
    """Raises UnicodeEncodeError, naming item `position` and the place in it, where `word`
    holds a lone surrogate: the trie holds scalar values only."""
    found = _SURROGATE.search(word)
    if found is not None:
        raise UnicodeEncodeError("utf-8", word, found.start(), found.end(),
                                 f"item {position} ({word!r}) holds a lone surrogate, "
                                 "which is not text")


def checked_word(word: object, item: object, position: int) -> str:
    if not isinstance(word, str):
        raise TypeError(f"item {position} ({item!r}) is not a str word")
    if not word:
        raise ValueError(f"item {position} is the empty word, which a trie cannot report")
    if not word.isascii():
        refuse_surrogate(word, position)
    return word


def items(words: Any, bare: int | None = None) -> Iterator[tuple[object, Any, Any]]:
    """(item, word, value) for each item of `words`, unchecked but for the item's form; a bare
    word's value is its position, or `bare` where given."""
    if isinstance(words, Mapping):
        for word, payload in words.items():
            yield (word, payload), word, payload
        return
    if isinstance(words, str):
        raise TypeError("words must be an iterable of words, not a single str")
    for position, item in enumerate(words):
        if isinstance(item, str):
            yield item, item, position if bare is None else bare
        elif isinstance(item, tuple) and len(item) == 2:
            yield item, item[0], item[1]
        else:
            raise TypeError(f"item {position} ({item!r}) is neither a str nor a (str, int) pair")


def _refuse_surrogates(text: bytearray, lengths: array[int]) -> None:
    """Raises the UnicodeEncodeError of the first word, in the order given, that holds a lone
    surrogate (as "surrogatepass" encodes it in `text`, the words end to end)."""
    first = _ENCODED_SURROGATE.search(text)
    if first is None:
        return
    start = 0
    for position, length in enumerate(lengths):
        if start + length > first.start():
            refuse_surrogate(text[start:start + length].decode("utf-8", "surrogatepass"),
                             position)
        start += length


def _compact(words: Words) -> tuple[bytes, array[int], array[int]]:
    """The UTF-8 of every word end to end, each word's length in bytes and its payload; a word
    with a lone surrogate is refused, as the trie holds scalar values only."""
    text = bytearray()
    lengths = array("I")
    payloads = array("I")
    encode, add_length, add_payload = str.encode, lengths.append, payloads.append
    for position, (item, word, payload) in enumerate(items(words)):
        if type(word) is not str or not word:  # the common case checked inline
            checked_word(word, item, position)
        encoded = encode(word, "utf-8", "surrogatepass")
        text += encoded
        add_length(len(encoded))
        try:
            add_payload(payload)  # refuses what is not an integer in 0..MAX_PAYLOAD
        except (TypeError, OverflowError):
            add_payload(checked_number(payload, item, position))
    _refuse_surrogates(text, lengths)
    # Immutable, the native builder reads it in place rather than copying it.
    return bytes(text), lengths, payloads


def build(words: Words) -> PrefixSearch:
    """Returns a PrefixSearch holding `words`; see build_arrays for what `words` may be."""
    return _search.build(*_compact(words))


def build_arrays(words: Words) -> Arrays:
    """Returns (node_shifts, node_strings, node_payloads, child_indices) for `words`.

    `words` is an iterable of str (each word's payload is its position), an iterable of
    (word, payload) pairs, or a mapping from word to payload. Siblings are sorted by code point
    and nodes are numbered level by level, so each node's children sit next to each other. A
    repeated word keeps its last payload; an empty word, a non-str word or a payload outside
    0..4294967295 is refused with the offending item and its position.
    """
    return _search.arrays(build(words))


# The extension's two module functions under the package's name: a built-in function cannot
# be given a docstring, and the extension's surface is fixed. Each passes its arguments on.

def from_internal_data(node_shifts: Sequence[int], node_strings: Sequence[str],
                       node_payloads: Sequence[int | None],
                       child_indices: Sequence[int]) -> PrefixSearch:
    """A trie from its four arrays, as `build_arrays` lays them out: where each node's children
    begin in `child_indices`, each node's last character ("" for the root), each node's payload
    (None where no word ends) and the children of all nodes, end to end. Any sequences but str;
    integers 0..4294967295. Arrays that are not those of a well-formed trie are kept as they
    are: only the trie's own methods answer on them, and may fail with PanicException."""
    return _brindlemap.from_internal_data(node_shifts, node_strings, node_payloads,
                                          child_indices)


def from_bytes(bs: Sequence[int]) -> PrefixSearch:
    """A trie from the bytes of `PrefixSearch.to_bytes` (bytes, bytearray or ints 0..255).
    Bytes that do not decode raise PanicException (a BaseException) after a report on standard
    error; `loads` and `load` read index files and raise IndexFileError instead."""
    return _brindlemap.from_bytes(bs)
