"""The shapes and bounds that the package's modules share."""

from collections.abc import Iterator
from typing import Protocol

# (word, payload, distance): one answer of a query. The payload is the stored word's integer.
Match = tuple[str, int, int]

# Payloads, like node identifiers, are unsigned 32-bit integers.
MAX_PAYLOAD = 2**32 - 1

# The widest distance bound a walk takes: no word lies beyond it.
MAX_DISTANCE = 2**64 - 1


class QueryCollection(Protocol):
    """A collection of str queries (list, tuple, set...). A str is not one, for a type checker
    too: its `in` takes only a str, where a collection's takes any object."""

    def __iter__(self) -> Iterator[str]: ...
    def __len__(self) -> int: ...
    def __contains__(self, value: object, /) -> bool: ...


# What takes a batch of queries: a collection of them, or an iterator (a generator) read once.
Queries = QueryCollection | Iterator[str]
