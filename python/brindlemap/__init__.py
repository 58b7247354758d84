"""brindlemap: fast, exact approximate word lookup over an immutable character trie.

`build(words)` makes a trie, `PrefixSearch.fuzzy_match` and `exact_match` query it, `suggest`
ranks the closest words first, `save`/`load` (and pickling) keep it, and `match_many` spreads
many queries over several processes. The extension module `brindlemap._brindlemap` holds the
trie itself.
"""

from typing import TYPE_CHECKING

from brindlemap._brindlemap import PrefixSearch, from_bytes, from_internal_data
from brindlemap.builder import build, build_arrays
from brindlemap.files import load, save
from brindlemap.parallel import match_many
from brindlemap.suggest import suggest

__all__ = [
    "PanicException",
    "PrefixSearch",
    "build",
    "build_arrays",
    "from_bytes",
    "from_internal_data",
    "load",
    "match_many",
    "save",
    "suggest",
]

if TYPE_CHECKING:
    class PanicException(BaseException):
        """Raised when the extension's native code fails an internal check."""


def __getattr__(name):
    # The extension makes its failure type only on first need and exposes it through caught
    # instances alone; it is looked up when first asked for.
    if name == "PanicException":
        from brindlemap._failures import panic_exception_type

        kind = panic_exception_type()
        globals()["PanicException"] = kind
        return kind
    raise AttributeError(f"module 'brindlemap' has no attribute {name!r}")
