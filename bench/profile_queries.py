"""A fixed workload for instruction counts under callgrind, which are repeatable where wall
time on a shared machine is not.

    valgrind --tool=callgrind --toggle-collect='brindlemap::fuzzy_match_method*' \\
        python bench/profile_queries.py fuzzy 2

Builds the trie of wamerican (or --words) with the builder and runs the query kind (fuzzy or
exact, or construction: from_internal_data alone) over 200 of its words sampled with seed 1,
printing the number of results. The installed extension is stripped: put an unstripped build
first on PYTHONPATH so that callgrind can name its functions.
"""

import argparse
import random

from brindlemap import from_internal_data
from brindlemap.builder import build_arrays


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("kind", choices=["fuzzy", "exact", "construction"])
    parser.add_argument("max_dist", type=int, nargs="?", default=1)
    parser.add_argument("--words", default="/usr/share/dict/american-english")
    parser.add_argument("--queries", type=int, default=200)
    args = parser.parse_args()
    with open(args.words, encoding="utf-8") as f:
        words = [line.rstrip("\n") for line in f if line.strip()]
    arrays = build_arrays({w: i + 1 for i, w in enumerate(words)})
    trie = from_internal_data(*arrays)
    queries = random.Random(1).sample(words, args.queries)
    if args.kind == "fuzzy":
        print(sum(len(trie.fuzzy_match(q, args.max_dist, None)) for q in queries))
    elif args.kind == "exact":
        print(sum(trie.exact_match(q) is not None for q in queries))
    else:
        print(len(arrays[0]))


if __name__ == "__main__":
    main()
