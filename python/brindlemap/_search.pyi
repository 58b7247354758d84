# Types of brindlemap._search, the package's second native module. The queries' docstrings are
# their native declarations' (in src/_search), which help() shows.

from array import array
from collections.abc import Buffer, Mapping, Sequence
from typing import final

from brindlemap._brindlemap import PrefixSearch
from brindlemap._types import Match, Metric, Queries, Rank
from brindlemap.costs import Costs

# The most any one edit may cost: far beyond any sensible weighting, and small enough that a
# distance over thousands of characters stays well within 64 bits.
MAX_COST: int
# What refuses a trie whose arrays are not those of a well-formed trie.
MALFORMED_TRIE: str
# The reasons native code gives an IndexFileError, by their IndexFileReason values.
INDEX_REASONS: tuple[str, ...]

@final
class EditCosts:
    """The native table of a weighted rule; brindlemap.Costs holds one, which
    _search.edit_costs() makes."""

def edit_costs(
    plain: Mapping[str, object],
    substitutions: Sequence[tuple[str, str, int]],
    insertions: Sequence[tuple[str, int]],
    deletions: Sequence[tuple[str, int]],
) -> EditCosts: ...

def search(
    trie: PrefixSearch,
    word: str,
    max_dist: int = 1,
    *,
    metric: Metric | EditCosts | Costs = "levenshtein",
    limit: int | None = None,
) -> list[Match]: ...

def band_search(
    trie: PrefixSearch, word: str, max_dist: int, metric: Metric | EditCosts | Costs, limit: int | None
) -> list[Match]: ...

def suggest(
    trie: PrefixSearch,
    word: str,
    max_dist: int = 2,
    k: int = 10,
    *,
    metric: Metric | EditCosts | Costs = "osa",
    rank: Rank = "payload",
) -> list[Match]: ...
def complete(
    trie: PrefixSearch,
    typed: str,
    max_dist: int = 1,
    k: int = 10,
    *,
    metric: Metric | EditCosts | Costs = "osa",
    rank: Rank = "payload",
) -> list[Match]: ...
def search_many(
    trie: PrefixSearch,
    queries: Queries,
    max_dist: int = 1,
    *,
    metric: Metric | EditCosts | Costs | None = None,
    limit: int | None = None,
    k: int | None = None,
    rank: Rank = "payload",
    threads: int | None = None,
) -> list[list[Match]]: ...
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

def register_errors(
    malformed_trie: type[ValueError], index_file: type[ValueError], reasons: tuple[str, ...]
) -> None:
    """Hands the package's error types and reasons to the native code that raises them."""

def panic_exception() -> type[BaseException]:
    """The type of the exception that brindlemap._brindlemap raises when an internal check
    fails (pyo3_runtime.PanicException, derived from BaseException)."""

def flat(trie: PrefixSearch) -> bytes:
    """The trie's arrays laid out flat, as index files hold them; MalformedTrieError for a
    trie that fails the shape check."""

def flat_reversed(trie: PrefixSearch) -> bytes | None:
    """The reversed trie that forward-backward searches read, laid out as flat lays out a
    trie, made first if needed; None when the words are too long for one."""

def from_flat(trie: Buffer, reversed: Buffer | None) -> PrefixSearch:
    """The trie of flat bytes, with `reversed` taken as its reversed trie; IndexFileError
    (reason layout or malformed) for anything that no writer makes."""

def packed(trie: PrefixSearch, *, version: int = 5) -> bytes:
    """The trie's arrays packed (flat's items narrowed to what the trie holds), as index files
    of format `version` (5, or 4) hold them; MalformedTrieError for a trie that fails the shape
    check."""

def packed_reversed(trie: PrefixSearch, *, version: int = 5) -> bytes | None:
    """flat_reversed's reversed trie, packed as packed packs a trie; None when there is none."""

def from_packed(trie: Buffer, reversed: Buffer | None,
                tables: Buffer | None = None, *, version: int = 5) -> PrefixSearch:
    """from_flat for packed bytes of format `version` (5, or 4), with the same checks and
    errors; with `tables` (as packed_tables gives them), the trie's ranked queries read those
    rather than make them."""

def from_packed_summed(body: Buffer, trie: Buffer, reversed: Buffer | None,
                       tables: Buffer | None = None, *,
                       version: int = 5) -> tuple[PrefixSearch, int]:
    """(from_packed(trie, reversed, tables, version=version), the CRC-32 of `body`), `body`
    being the index's bytes that hold those sections: its checksum is worked out by the
    threads that read them, each part while they have it in cache, rather than read again
    apart."""

def packed_tables(trie: PrefixSearch) -> bytes:
    """The tables the trie's ranked queries read (the least payload under each node and its
    place in word order), made first if no query has made them, laid out for index files;
    MalformedTrieError for a trie that fails the shape check."""

def crc32(data: Buffer, value: int = 0) -> int:
    """zlib.crc32(data, value), several times faster where the processor multiplies without
    carries; the interpreter lock is given up over large buffers."""

def number_span(numbers: Buffer) -> tuple[int, int, int]:
    """(the largest item or 0, the sum of the items, the least item or 0) of an array of
    unsigned integers, in one pass that makes no Python object per item."""

def run_sums(numbers: Buffer, runs: Buffer) -> bytes:
    """The sum of each run of items of `numbers` in turn, the runs as long as the items of
    `runs`, as bytes of little-endian u64; ValueError unless the runs, none of them empty,
    take exactly the items there are."""

@final
class Places:
    """Where each of a run of items begins, from their sizes; _search.places() makes one."""

    def __len__(self) -> int: ...
    def __getitem__(self, at: int, /) -> int: ...

def places(sizes: Buffer, *, least: int = 0) -> Places:
    """Where each item begins when items of these sizes (an array of unsigned integers) lie end
    to end, as a read-only sequence of len(sizes) + 1 places, the last where the last item
    ends: the sizes are held, not copied, with the sum of every 32 of them. ValueError where
    a size is less than `least`."""

def payload_span(trie: PrefixSearch) -> tuple[int, int | None]:
    """(how many nodes carry a payload, the largest payload or None): what a loader checks
    before it uses payloads as positions in tables of its own, in one pass over the nodes."""

def alphabet(trie: PrefixSearch) -> str:
    """The distinct characters of the trie's nodes, in code-point order, as a str: what every
    word it holds is made of, found without reading the words."""

def segment(
    trie: PrefixSearch,
    text: str,
    allowed: bytes,
    totals: Buffer,
    total: int,
    pairs: Buffer,
    pair_counts: Buffer,
    mass: int,
    smoothing: float,
    unknown_first: float,
    unknown_per_letter: float,
    longest: int,
    max_edits: int,
    per_edit: float,
    others: Buffer,
    demoted: bytes,
    demoted_count: int,
) -> list[tuple[int, int | None, int]]:
    """The pieces of the likeliest split of text, in order, as (start, payload of its
    word or None, edits): the words are the trie's (payload r counting totals[r] of
    total), each pair (a, b) counting pair_counts[i] where pairs[i] == a *
    len(totals) + b (pairs ascending; mass their total), a piece within max_edits
    edits of its word, each costing per_edit, scored as brindlemap.segmenting
    describes; a piece starts and ends only where allowed (bytes, one a position) is
    nonzero, or at either end. others holds (start, end, count) triples one after
    another, stretches that spell the words of another list: the i-th is a word
    numbered len(totals) + i, in no pair. The payloads whose bits are set in demoted
    (bytes: payload r's is bit r % 8 of byte r // 8) count demoted_count as pieces,
    their pairs still weighed by their totals."""

def spelt_words(trie: PrefixSearch, text: str, longest: int,
                max_edits: int) -> list[tuple[int, int, int, int]]:
    """Every stretch of text within max_edits edits (optimal string alignment) of a word of the
    trie of at most longest letters, and no more than one edit for every three of its
    letters, as (start, end, payload, edits) with text[start:end] the stretch, by start: with
    max_edits 0, the words the stretches spell, one descent from the root for each start."""

def well_formed(trie: PrefixSearch) -> bool:
    """Whether the trie's arrays passed the shape check made when it was created: only such
    tries answer search, suggest and complete, or are saved to and loaded from index files."""
