# Types of brindlemap._search, the package's second native module. Its functions take every
# argument; brindlemap.queries gives them defaults and keyword-only options.

from collections.abc import Sequence
from typing import Literal

from brindlemap._brindlemap import PrefixSearch
from brindlemap._types import Match

def search(
    trie: PrefixSearch,
    word: str,
    max_dist: int,
    metric: Literal["levenshtein", "osa"],
    limit: int | None,
) -> list[Match]:
    """Every word within max_dist of word, in walk order, at most limit of them."""

def band_search(
    trie: PrefixSearch,
    word: str,
    max_dist: int,
    metric: Literal["levenshtein", "osa"],
    limit: int | None,
) -> list[Match]:
    """What search gives, always from the band walk: for the benchmark and the road tests."""

def suggest(
    trie: PrefixSearch,
    word: str,
    max_dist: int,
    k: int,
    metric: Literal["levenshtein", "osa"],
    rank: Literal["payload", "word"],
) -> list[Match]:
    """The k best words within max_dist of word, best first."""

def complete(
    trie: PrefixSearch,
    typed: str,
    max_dist: int,
    k: int,
    metric: Literal["levenshtein", "osa"],
    rank: Literal["payload", "word"],
) -> list[Match]:
    """The k best words beginning with something within max_dist of typed, best first."""

def search_many(
    trie: PrefixSearch,
    queries: Sequence[str],
    max_dist: int,
    metric: Literal["levenshtein", "osa"],
    limit: int | None,
    k: int | None,
    rank: Literal["payload", "word"],
    threads: int | None,
) -> list[list[Match]]:
    """Per query, in input order, what search (or with k, suggest) gives, on native threads."""

def decode(data: bytes | bytearray | Sequence[int]) -> PrefixSearch:
    """The trie that data (written by PrefixSearch.to_bytes) describes; IndexFileError (a
    ValueError) with its reason when it does not decode, and nothing on standard error."""

def build(
    text: bytes | bytearray | Sequence[int],
    lengths: Sequence[int],
    payloads: Sequence[int],
) -> PrefixSearch:
    """The trie of the words of text (UTF-8 end to end, word i lengths[i] bytes long) with
    payloads[i] each, laid out as brindlemap.build lays it out, the interpreter lock released;
    ValueError for an empty or non-UTF-8 word or lengths that do not cover text."""

def arrays(
    trie: PrefixSearch,
) -> tuple[list[int], list[str], list[int | None], list[int]]:
    """The four arrays of trie, as from_internal_data takes them."""

def panic_exception() -> type[BaseException]:
    """The type of the exception that brindlemap._brindlemap raises when an internal check
    fails (pyo3_runtime.PanicException, derived from BaseException)."""

def payload_span(trie: PrefixSearch) -> tuple[int, int | None]:
    """(how many nodes carry a payload, the largest payload or None): what a loader checks
    before it uses payloads as positions in tables of its own, in one pass over the nodes."""

def well_formed(trie: PrefixSearch) -> bool:
    """Whether the trie's arrays passed the shape check made when it was created: only such
    tries answer search, suggest and complete, or are saved to and loaded from index files."""
