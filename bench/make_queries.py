"""Writes the benchmark's fixed query sets, bench/queries/<list>.tsv, from the word lists.

    .venv/bin/python bench/make_queries.py

For each list, seeded by its name: 500 sampled words with k = 0, 1, 2 and 3 random edits
(insertions, deletions and substitutions drawn from the list's own characters), and 100
random strings that are farther than 3 edits from every word. One query a line: its kind
(k0..k3, none), a tab, the query. The files are committed; run this only to remake them.
"""

import random
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from wordlists import LISTS, load_words  # noqa: E402

from brindlemap.builder import build  # noqa: E402

QUERY_DIR = Path(__file__).resolve().parent / "queries"


def edit(word, k, alphabet, rng):
    chars = list(word)
    for _ in range(k):
        op = rng.choice("ids") if chars else "i"
        at = rng.randrange(len(chars) + (op == "i"))
        if op == "i":
            chars.insert(at, rng.choice(alphabet))
        elif op == "d":
            del chars[at]
        else:
            chars[at] = rng.choice([c for c in alphabet if c != chars[at]])
    return "".join(chars)


def queries_for(name, words):
    rng = random.Random(f"brindlemap-bench-{name}")
    alphabet = sorted({c for w in words for c in w})
    lines = []
    for k in range(4):
        lines += [(f"k{k}", edit(w, k, alphabet, rng)) for w in rng.sample(words, 500)]
    trie = build({w: i for i, w in enumerate(words)})
    letters = [c for c in alphabet if c.isalpha()]
    misses = []
    while len(misses) < 100:
        q = "".join(rng.choice(letters) for _ in range(rng.randint(6, 12)))
        if not trie.fuzzy_match(q, 3, 1):
            misses.append(("none", q))
    return lines + misses


def main():
    QUERY_DIR.mkdir(exist_ok=True)
    for name, path in LISTS:
        words = list(load_words(path))
        lines = queries_for(name, words)
        (QUERY_DIR / f"{name}.tsv").write_text(
            "".join(f"{kind}\t{q}\n" for kind, q in lines), encoding="utf-8")
        print(f"{name}: {len(lines)} queries")


if __name__ == "__main__":
    main()
