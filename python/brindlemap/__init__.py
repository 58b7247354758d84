"""brindlemap: fast, exact approximate word lookup over an immutable character trie.

`build(words)` makes a trie, `PrefixSearch.fuzzy_match` and `exact_match` query it, `search`
and `suggest` add transpositions and ranked answers, `save`/`load`, `dumps`/`loads` (and
pickling) keep it, and `match_many` spreads many queries over several processes; `Costs`
weighs edits (a slip to the next key, a missing accent, a doubled letter) for any query's
`metric=`. `Lexicon` holds words with their counts and answers in the user's own words, past
typos, case and accents; its `check` and `correct` take whole texts. The extension module
`brindlemap._brindlemap` holds the trie itself; `brindlemap._search` computes the queries
beyond its methods.
"""

import copyreg
from typing import TYPE_CHECKING

from brindlemap._brindlemap import PrefixSearch
from brindlemap._search import panic_exception
from brindlemap._types import Metric, Rank
from brindlemap.builder import build, build_arrays, from_bytes, from_internal_data
from brindlemap.costs import Costs
from brindlemap.errors import IndexFileError, IndexFileReason, MalformedTrieError
from brindlemap.files import UnsafeTargetError, dumps, load, loads, reduce_trie, save
from brindlemap.lexicon import Lexicon, Suggestion
from brindlemap.parallel import match_many
from brindlemap.proofreading import Misspelling
from brindlemap.queries import complete, search, search_many, suggest

__all__ = [
    "Costs",
    "IndexFileError",
    "IndexFileReason",
    "Lexicon",
    "MalformedTrieError",
    "Metric",
    "Misspelling",
    "PanicException",
    "PrefixSearch",
    "Rank",
    "UnsafeTargetError",
    "build",
    "build_arrays",
    "complete",
    "dumps",
    "from_bytes",
    "from_internal_data",
    "load",
    "loads",
    "match_many",
    "save",
    "search",
    "search_many",
    "suggest",
    "Suggestion",
]

# Pickling, and with it every process pool, carries a trie as its bytes.
copyreg.pickle(PrefixSearch, reduce_trie)

if TYPE_CHECKING:
    class PanicException(BaseException):
        """Raised when the extension's native code fails an internal check."""
else:
    # The extension exposes its failure type through caught instances alone; the package's
    # second native module hands over the very same type object.
    PanicException = panic_exception()
