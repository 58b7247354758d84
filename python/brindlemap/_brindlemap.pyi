"""Types of the extension module: an immutable character trie and its queries."""

from collections.abc import Sequence
from typing import final

from brindlemap._types import Match

__all__ = ["from_internal_data", "from_bytes", "PrefixSearch"]

def from_internal_data(
    node_shifts: Sequence[int],
    node_strings: Sequence[str],
    node_payloads: Sequence[int | None],
    child_indices: Sequence[int],
) -> PrefixSearch:
    """A trie from its four arrays (any sequences but str; integers 0..4294967295)."""

def from_bytes(bs: Sequence[int]) -> PrefixSearch:
    """A trie from bytes written by PrefixSearch.to_bytes (bytes, bytearray or ints 0..255).

    Bytes that do not decode raise pyo3_runtime.PanicException (a BaseException), which the
    package exposes as brindlemap.PanicException.
    """

@final
class PrefixSearch:
    """An immutable trie. Made only by from_internal_data and from_bytes; not subclassable."""

    def fuzzy_match(self, prefix: str, max_dist: int, limit: int | None) -> list[Match]:
        """Every word within Levenshtein distance max_dist of prefix, in traversal order."""
    def exact_match(self, prefix: str) -> Match | None:
        """The word equal to prefix, or None."""
    def get_children(self, node_id: int) -> list[tuple[str, int]]:
        """(character, child node id) for each child of node_id, in stored order."""
    def get_payload(self, node_id: int) -> int | None:
        """The payload of node_id, or None."""
    def to_bytes(self) -> bytes:
        """The trie as bytes for from_bytes."""
