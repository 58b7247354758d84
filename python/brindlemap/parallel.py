"""Many queries over one trie, spread over a pool of processes.

Public: the names of `__all__`; the rest serves the package and may change."""

import contextlib
import os
import warnings
from collections.abc import Iterator
from operator import index
from typing import TYPE_CHECKING

from brindlemap import _search
from brindlemap._brindlemap import PrefixSearch
from brindlemap._failures import is_panic

if TYPE_CHECKING:
    from multiprocessing.context import BaseContext
from brindlemap._types import Match, Queries
from brindlemap.queries import search_many

__all__ = ["SMALL_BATCH", "install_worker_trie", "match_many", "worker_fuzzy_match",
           "worker_trie"]

# Below this many queries, starting worker processes costs more than the queries themselves.
SMALL_BATCH = 2000

_worker_trie: PrefixSearch | None = None


def install_worker_trie(trie: PrefixSearch) -> None:
    """A pool initializer: keeps `trie` for the tasks this worker process runs.

    Passed as `initargs=(trie,)`, the trie is pickled once per worker (as its bytes) rather
    than once per task.
    """
    global _worker_trie
    _worker_trie = trie


def worker_trie() -> PrefixSearch:
    """The trie that install_worker_trie kept in this worker process."""
    if _worker_trie is None:
        raise RuntimeError("no trie installed in this process: pass "
                           "initializer=install_worker_trie, initargs=(trie,) to the pool")
    return _worker_trie


@contextlib.contextmanager
def _failures_sent_back() -> Iterator[None]:
    # The pool pickles a task's exception to send it to the caller, and PanicException's type
    # cannot be pickled (it lives in no importable module): the caller would get a
    # PicklingError in place of the failure. Its message travels in a RuntimeError instead.
    try:
        yield
    except BaseException as error:
        if not is_panic(error):
            raise
        raise RuntimeError(*error.args) from None


def worker_fuzzy_match(query: str, max_dist: int, limit: int | None = None) -> list[Match]:
    """fuzzy_match on this worker's trie: a task function for pools of any kind. An internal
    failure (on a malformed trie) reaches the caller as RuntimeError with its message."""
    with _failures_sent_back():
        return worker_trie().fuzzy_match(query, max_dist, limit)


def _match_chunk(queries: list[str], max_dist: int, limit: int | None) -> list[list[Match]]:
    trie = worker_trie()
    with _failures_sent_back():
        return [trie.fuzzy_match(q, max_dist, limit) for q in queries]


def _pool_context() -> "BaseContext":
    # Imported here: multiprocessing takes a tenth of the package's import, and only a
    # malformed trie's batch needs it.
    import multiprocessing  # noqa: PLC0415

    methods = multiprocessing.get_all_start_methods()
    return multiprocessing.get_context("forkserver" if "forkserver" in methods else "spawn")


def match_many(trie: PrefixSearch, queries: Queries, max_dist: int, limit: int | None = None,
               workers: int | None = None, *,
               processes: int | None = None) -> list[list[Match]]:
    """Returns `[trie.fuzzy_match(q, max_dist, limit) for q in queries]`, in input order.

    On a well-formed trie (every trie that `build` makes) the queries run as `search_many`
    does: on `workers` native threads (default: one per CPU) with the interpreter lock
    released. A trie that failed its shape check answers only its own methods, which hold the
    lock; there large batches are split over that many worker processes, each of which loads
    the trie once from its bytes, and small batches run as a plain loop; a query that fails
    internally in a worker raises RuntimeError with the failure's message. Workers start with
    "forkserver" (or "spawn"), which imports the caller's main module afresh: a script that
    calls this at top level needs the usual `if __name__ == "__main__":` guard.
    (`processes=` is the old name of `workers`, still taken with a DeprecationWarning.)
    """
    if isinstance(queries, str):
        raise TypeError("a str is one query, not a sequence of them: pass [word] for one query")
    queries = list(queries)
    for position, query in enumerate(queries):
        if not isinstance(query, str):
            raise TypeError(f"query {position} ({query!r}) is not a str")
    max_dist = index(max_dist)
    limit = None if limit is None else index(limit)
    if processes is not None:
        if workers is not None:
            raise TypeError("give workers, not both workers and processes (its old name)")
        warnings.warn("match_many(processes=) is now workers=", DeprecationWarning,
                      stacklevel=2)
        workers = processes
    workers = (os.cpu_count() or 1) if workers is None else index(workers)
    if workers < 1:
        raise ValueError("workers must be at least 1")
    if not queries:
        return []
    # The first query runs here: bad arguments or a broken trie fail as they would in the loop.
    first = trie.fuzzy_match(queries[0], max_dist, limit)
    rest = queries[1:]
    if _search.well_formed(trie):
        return [first] + search_many(trie, rest, max_dist, limit=limit, threads=workers)
    if workers == 1 or len(queries) < SMALL_BATCH:
        return [first] + [trie.fuzzy_match(q, max_dist, limit) for q in rest]
    chunk = max(1, -(-len(rest) // (workers * 4)))
    chunks = [rest[i:i + chunk] for i in range(0, len(rest), chunk)]
    from concurrent.futures import ProcessPoolExecutor  # noqa: PLC0415  (see _pool_context)

    with ProcessPoolExecutor(max_workers=workers, mp_context=_pool_context(),
                             initializer=install_worker_trie, initargs=(trie,)) as pool:
        results = [first]
        for part in pool.map(_match_chunk, chunks, [max_dist] * len(chunks),
                             [limit] * len(chunks)):
            results.extend(part)
    return results
