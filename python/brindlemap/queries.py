"""Queries beyond PrefixSearch's own methods, computed natively by brindlemap._search, whose
declarations give each its defaults, keyword-only options and checks (and its docstring).

Each takes `metric="levenshtein"` (insertions, deletions and substitutions cost 1),
`metric="osa"` (optimal string alignment: swapping two adjacent characters costs 1 as well,
so "teh" is 1 from "the") or a `brindlemap.Costs` (weighted edits, as optimal string alignment
counts them: a slip to the next key or a missing accent may cost less than another edit), whose
`max_dist` counts in its own unit (`costs.edits(2)` is as tolerant as 2 plain edits). A metric
is `Metric | Costs`. The ranked queries, `suggest` and `complete`, default to OSA, since
a swapped pair is the commonest typo; `search` defaults to Levenshtein, as `fuzzy_match` has
it. Distances count code points. A trie whose arrays are not those of a
well-formed trie (only possible through from_internal_data or from_bytes of foreign data) is
refused with ValueError. A negative or too large count raises ValueError naming it; a
`max_dist` beyond 2**64 - 1 is taken as 2**64 - 1, since no word lies further.

Public: the queries, the defaults and the choices of `__all__`; `in_units` and `reach` convert
plain edits for the package's own callers.
"""

import inspect
from collections.abc import Callable
from typing import Any, get_args

from brindlemap._brindlemap import PrefixSearch
from brindlemap._search import complete, search, search_many, suggest
from brindlemap._types import MAX_DISTANCE, Metric, Rank
from brindlemap.costs import Costs

__all__ = ["COMPLETION_EDITS", "DEFAULT_RANK", "METRICS", "RANKED_EDITS", "RANKED_METRIC", "RANKS",
           "SUGGESTIONS", "UNRANKED_EDITS", "UNRANKED_METRIC", "Metric", "Rank", "checked_k",
           "complete", "search", "search_many", "suggest"]


def _default(query: Callable[..., object], parameter: str) -> Any:
    return inspect.signature(query).parameters[parameter].default


# The defaults, as the native declarations state them, and the names each choice takes: the
# command line and the documentation take them from these.
UNRANKED_METRIC: Metric = _default(search, "metric")
RANKED_METRIC: Metric = _default(suggest, "metric")
# How many plain edits each kind of query tolerates by default: search's, suggest's (and so a
# batch of suggestions'), complete's.
UNRANKED_EDITS: int = _default(search, "max_dist")
RANKED_EDITS: int = _default(suggest, "max_dist")
COMPLETION_EDITS: int = _default(complete, "max_dist")
DEFAULT_RANK: Rank = _default(suggest, "rank")
# How many words suggest and complete answer with unless told.
SUGGESTIONS: int = _default(suggest, "k")
METRICS: tuple[Metric, ...] = tuple(get_args(name)[0] for name in get_args(Metric))
RANKS: tuple[Rank, ...] = tuple(get_args(name)[0] for name in get_args(Rank))


def in_units(edits: int, metric: Metric | Costs | None) -> int:
    """`edits` plain edits as the `max_dist` of a query under `metric`: scaled by the unit of a
    Costs metric, and no wider than the widest bound a walk takes (no word lies beyond it)."""
    return min(metric.edits(edits) if isinstance(metric, Costs) else edits, MAX_DISTANCE)


def reach(max_dist: int | None, metric: Metric | Costs | None, edits: int) -> int:
    """A query's `max_dist`: as given, or as tolerant as `edits` plain edits under `metric`."""
    return in_units(edits, metric) if max_dist is None else max_dist


def checked_k(trie: PrefixSearch, k: int) -> int:
    """`k` checked as the native queries check it, with the same TypeError or ValueError
    naming it: for the paths that ask them for more answers than `k` and keep `k` of them
    (the empty word at distance 0 is an answer of no work)."""
    suggest(trie, "", 0, k)
    return k
