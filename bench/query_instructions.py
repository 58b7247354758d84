"""A fixed query workload whose instruction count under callgrind compares two builds of the
walks, where wall time on a shared machine cannot:

    python bench/query_instructions.py --save /tmp/wamerican.trie     # once, outside valgrind
    PYTHONHASHSEED=0 PYTHONPATH=BUILD valgrind --tool=callgrind --callgrind-out-file=/dev/null \\
        python bench/query_instructions.py /tmp/wamerican.trie band-osa-2

The calls: search-METRIC-D (the queries' road), band-METRIC-D (the band walk alone), suggest
(max_dist 2), complete (all but the last two characters typed), or none (the set-up alone,
to subtract), each over 100 of wamerican's committed queries (bench/queries). The installed
extension is stripped, so the whole run is counted: subtract the count of `none`.
"""

import argparse
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from wordlists import load_queries, load_words  # noqa: E402

import brindlemap  # noqa: E402
from brindlemap import _search  # noqa: E402


def call(trie, kind):
    if kind.startswith(("search-", "band-")):
        road, metric, d = kind.split("-")
        if road == "band":
            return lambda q: _search.band_search(trie, q, int(d), metric, None)
        return lambda q: _search.search(trie, q, int(d), metric=metric)
    return {
        "suggest": lambda q: brindlemap.suggest(trie, q, 2),
        "complete": lambda q: brindlemap.complete(trie, q[: max(1, len(q) - 2)]),
        "none": lambda q: None,
    }[kind]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("trie")
    parser.add_argument("kind", nargs="?", default="none")
    parser.add_argument("--save", action="store_true", help="build the trie file and stop")
    args = parser.parse_args()
    if args.save:
        words = load_words("/usr/share/dict/american-english")
        Path(args.trie).write_bytes(brindlemap.build(words).to_bytes())
        return
    trie = brindlemap.from_bytes(Path(args.trie).read_bytes())
    queries = [q for _, q in load_queries("wamerican")]
    f = call(trie, args.kind)
    for q in queries[:: max(1, len(queries) // 100)][:100]:
        f(q)


if __name__ == "__main__":
    main()
