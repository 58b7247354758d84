"""The extension's two module functions under the package's name, with the documentation that
their native objects lack (brindlemap._brindlemap's surface is fixed, and a built-in function
cannot be given a docstring); each passes its arguments through unchanged."""

from collections.abc import Sequence

from brindlemap import _brindlemap
from brindlemap._brindlemap import PrefixSearch


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
    error; `loads` and `load` read index files and raise ValueError instead."""
    return _brindlemap.from_bytes(bs)
