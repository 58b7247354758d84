"""What the ranked queries' default metric is worth, measured by hand (not part of the suite):

    .venv/bin/python bench/default_metric.py

Top-1 of `suggest` (max_dist=2) on 10,000 seeded noisy queries made as bench/quality.py makes
them, with words drawn by a Zipf law over the shipped list's frequency ranks; and how often
`complete` (max_dist=1, k=10) lists the intended word when its typed prefix (4 to 8 characters)
has one adjacent pair swapped. Each under both metrics.
"""

import random

from quality import SHIPPED, noisy

from brindlemap import build, complete, search_many
from brindlemap.wordlist import entries

METRICS = ("levenshtein", "osa")


def swapped_prefix(word: str, rng: random.Random) -> str:
    typed = word[:rng.randrange(4, min(len(word), 8) + 1)]
    i = rng.randrange(len(typed) - 1)
    return typed[:i] + typed[i + 1] + typed[i] + typed[i + 2:]


def main() -> None:
    with open(SHIPPED, "rb") as source:
        listed = list(entries(source, str(SHIPPED)))
    trie = build(listed)
    words = [word for word, _ in listed]
    rng = random.Random(7)
    drawn = rng.choices(words, [1 / (rank + 1) for rank in range(len(words))], k=10_000)
    queries = [noisy(word, rng) for word in drawn]
    for metric in METRICS:
        tops = search_many(trie, queries, 2, k=1, metric=metric)
        hits = sum(bool(top) and top[0][0] == word for top, word in zip(tops, drawn))
        print(f"suggest top-1, metric={metric}: {hits / len(drawn):.1%}")
    long = [word for word in drawn if len(word) >= 6][:3000]
    typed = [swapped_prefix(word, random.Random(8 + i)) for i, word in enumerate(long)]
    for metric in METRICS:
        hits = sum(word in [found for found, _, _ in complete(trie, text, 1, 10, metric=metric)]
                   for text, word in zip(typed, long))
        print(f"complete top-10, swapped pair in the prefix, metric={metric}: "
              f"{hits / len(long):.1%}")


if __name__ == "__main__":
    main()
