"""Queries beyond PrefixSearch's own methods, computed natively by brindlemap._search, whose
declarations give each its defaults, keyword-only options and checks (and its docstring).

Each takes `metric="levenshtein"` (insertions, deletions and substitutions cost 1) or
`metric="osa"` (optimal string alignment: swapping two adjacent characters costs 1 as well,
so "teh" is 1 from "the"). The ranked queries, `suggest` and `complete`, default to OSA, since
a swapped pair is the commonest typo; `search` defaults to Levenshtein, as `fuzzy_match` has
it. Distances count code points. A trie whose arrays are not those of a
well-formed trie (only possible through from_internal_data or from_bytes of foreign data) is
refused with ValueError. A negative or too large count raises ValueError naming it; a
`max_dist` beyond 2**64 - 1 is taken as 2**64 - 1, since no word lies further.
"""

import inspect
from collections.abc import Callable
from typing import cast

from brindlemap._search import complete, search, search_many, suggest
from brindlemap._types import Metric, Rank

__all__ = ["RANKED_METRIC", "UNRANKED_METRIC", "Metric", "Rank", "complete", "search",
           "search_many", "suggest"]


def _default_metric(query: Callable[..., object]) -> Metric:
    return cast(Metric, inspect.signature(query).parameters["metric"].default)


# The defaults, as the native declarations state them: the command line and the documentation
# take them from these.
UNRANKED_METRIC: Metric = _default_metric(search)
RANKED_METRIC: Metric = _default_metric(suggest)
