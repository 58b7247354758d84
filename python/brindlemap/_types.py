"""The shapes and bounds that the package's modules share."""

from array import array
from collections.abc import Iterator
from typing import Literal, NamedTuple, Protocol

# (word, payload, distance): one answer of a query. The payload is the stored word's integer.
Match = tuple[str, int, int]



class Suggestion(NamedTuple):
    """One answer: a word as the lexicon holds it (in the query's casing), the count of all
    the words that fold as it does, and its distance from the query."""

    word: str
    count: int  # type: ignore[assignment]  # a field, where tuple has a method of that name
    distance: int


# The queries' names of their metrics and ranks. Unions of one-value literals: what a checker
# makes of Literal["levenshtein", "osa"], and so what stubtest expects to find at run time.
Metric = Literal["levenshtein"] | Literal["osa"]
Rank = Literal["payload"] | Literal["word"]

# A table of unsigned numbers: an array built in memory, or a view of an index file's section.
Numbers = array[int] | memoryview

# A word's count, and every total of counts, fits a signed 64-bit integer.
MAX_COUNT = 2**63 - 1

# Payloads, like node identifiers, are unsigned 32-bit integers.
MAX_PAYLOAD = 2**32 - 1

# The widest distance bound a walk takes: no word lies beyond it.
MAX_DISTANCE = 2**64 - 1

# The most answers a query may be asked for (its k or its limit): an unsigned 64-bit integer
# in the walks.
MAX_ANSWERS = 2**64 - 1


class QueryCollection(Protocol):
    """A collection of str queries (list, tuple, set...). A str is not one, for a type checker
    too: its `in` takes only a str, where a collection's takes any object."""

    def __iter__(self) -> Iterator[str]: ...
    def __len__(self) -> int: ...
    def __contains__(self, value: object, /) -> bool: ...


# What takes a batch of queries: a collection of them, or an iterator (a generator) read once.
Queries = QueryCollection | Iterator[str]
