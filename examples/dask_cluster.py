"""Matching 100,000 queries on a Dask cluster: a LocalCluster of two worker processes on this
machine stands in for one spread over many. The trie goes to every worker once (pickled as its
bytes) and each partition of a bag of queries is answered where it lies; the answers are
checked against a plain loop here.

Run it as `python examples/dask_cluster.py [QUERIES]`; the test suite runs it.
"""

# Annotations stay text: Dask sends this script's functions to the workers by value, and an
# annotation holding the PrefixSearch type itself (whose module is "builtins") would make it
# try to send the type too.
from __future__ import annotations

import random
import sys
from pathlib import Path

import dask.bag as db
from dask.distributed import Client, LocalCluster

import brindlemap
from brindlemap import PrefixSearch
from brindlemap._types import Match

WORDS = Path(brindlemap.__file__).parent / "data" / "frequent-words.txt"


def noisy_queries(words: list[str], count: int) -> list[str]:
    """`count` words of the list, each with one character changed, dropped or doubled."""
    rng = random.Random(0)
    queries = []
    for _ in range(count):
        word = rng.choice(words)
        at = rng.randrange(len(word))
        queries.append(rng.choice([word[:at] + "x" + word[at + 1:], word[:at] + word[at + 1:],
                                   word[:at] + word[at] + word[at:]]))
    return queries


def match_partition(queries: list[str], trie: PrefixSearch, max_dist: int) -> list[list[Match]]:
    """One partition's answers, on the worker that holds it; its walks use the worker's
    thread pool slot alone (threads=1), the cluster spreading the partitions."""
    return brindlemap.search_many(trie, list(queries), max_dist, threads=1)


def main(count: int) -> None:
    words = WORDS.read_text(encoding="utf-8").split()
    trie = brindlemap.build(words)
    queries = noisy_queries(words, count)
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                      dashboard_address=None) as cluster, Client(cluster) as client:
        # One copy per worker, sent now: the tasks refer to it instead of carrying it.
        shared = client.scatter(trie, broadcast=True)
        bag = db.from_sequence(queries, npartitions=16)
        matched = bag.map_partitions(match_partition, shared, 1).compute()
        workers = len(client.scheduler_info()["workers"])
    assert matched == [trie.fuzzy_match(q, 1, None) for q in queries]
    print(f"{len(queries)} queries matched on {workers} workers, "
          f"as the local loop matches them")


if __name__ == "__main__":  # the workers import this module afresh
    main(int(sys.argv[1]) if len(sys.argv) > 1 else 100_000)
