"""A quick throughput figure for fuzzy_match over a real word list.

    .venv/bin/python bench/quick_fuzzy.py [--words /usr/share/dict/american-english]

Builds the trie arrays level by level with siblings sorted, times fuzzy_match(word, d, None)
for a fixed sample of the list's own words at d = 1 and 2 (the best of a few rounds), and
estimates the nodes each query visits by replaying the pruned walk in Python, to give a cost
per visited node. Needs the word list of Debian's wamerican package.
"""

import argparse
import random
import time

from brindlemap import from_internal_data


def build_arrays(words):
    root = {}
    for payload, word in enumerate(words):
        node = root
        for c in word:
            node = node.setdefault(c, {})
        node[None] = payload  # the key None holds the payload
    shifts, chars, payloads, child_indices = [], [""], [root.get(None)], []
    level = [root]
    while level:  # node ids run level by level, so each level's children are numbered in order
        next_level = []
        for node in level:
            shifts.append(len(child_indices))
            for c in sorted(k for k in node if k is not None):
                child_indices.append(len(chars))
                chars.append(c)
                payloads.append(node[c].get(None))
                next_level.append(node[c])
        level = next_level
    return (shifts, chars, payloads, child_indices), root


def visited_nodes(root, query, max_dist):
    """The nodes the matcher's walk visits: the root, and every child of a node whose row
    still has an entry within max_dist."""
    count, stack = 0, [(root, list(range(len(query) + 1)))]
    while stack:
        node, row = stack.pop()
        count += 1
        if min(row) > max_dist:
            continue
        for c, child in node.items():
            if c is None:
                continue
            new = [row[0] + 1]
            for i, q in enumerate(query, 1):
                new.append(min(row[i] + 1, new[i - 1] + 1, row[i - 1] + (q != c)))
            stack.append((child, new))
    return count


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--words", default="/usr/share/dict/american-english")
    parser.add_argument("--queries", type=int, default=2000)
    parser.add_argument("--rounds", type=int, default=3)
    args = parser.parse_args()

    with open(args.words, encoding="utf-8") as f:
        words = sorted({line.strip() for line in f if line.strip()})
    arrays, root = build_arrays(words)
    search = from_internal_data(*arrays)
    queries = random.Random(0).sample(words, args.queries)
    print(f"{len(words)} words, {len(arrays[0])} nodes, {len(queries)} queries")

    for max_dist in (1, 2):
        elapsed = float("inf")
        for _ in range(args.rounds):  # the best round: the machine may be shared
            start = time.perf_counter()
            results = sum(len(search.fuzzy_match(q, max_dist, None)) for q in queries)
            elapsed = min(elapsed, time.perf_counter() - start)
        sample = queries[:200]
        visits = sum(visited_nodes(root, q, max_dist) for q in sample) / len(sample)
        per_query = elapsed / len(queries)
        print(f"max_dist {max_dist}: {len(queries) / elapsed:,.0f} queries/s, "
              f"{per_query * 1e6:,.1f} us/query, {results / len(queries):.1f} results/query, "
              f"~{visits:,.0f} nodes visited/query, ~{per_query / visits * 1e9:.1f} ns/node")


if __name__ == "__main__":
    main()
