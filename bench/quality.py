"""Search quality and completion speed, for bench/RESULTS.md (run by bench/run.py, or alone):

    .venv/bin/python bench/quality.py

Spelling: 10,000 seeded noisy queries, each a word of the shipped list (drawn by its
frequency, as typed text is) with one or two edits drawn from substitution, insertion, deletion
and adjacent swap. The rate is how often the top suggestion is the intended word: brindlemap's
`suggest(k=1, max_dist=2)` under each metric, against symspellpy's `lookup(Verbosity.CLOSEST)`
with its default distance and comparer on the same list and counts.

Completion: `complete(k=10, max_dist=1)` on the trie of wamerican-insane (payloads: positions),
prefixes of 1 to 8 characters of 1,000 sampled words, best of 3 calls each.
"""

import random
import statistics
import string
import sys
import time
from pathlib import Path

from brindlemap import build, complete, from_internal_data, suggest
from brindlemap.builder import build_arrays

HERE = Path(__file__).resolve().parent
SHIPPED = HERE.parent / "python/brindlemap/data/frequent-words.txt"
QUERIES, SEED = 10_000, 7
LETTERS = string.ascii_lowercase


def noisy(word, rng):
    for _ in range(rng.choice((1, 2))):
        kind = rng.choice(("substitute", "insert", "delete", "swap"))
        i = rng.randrange(len(word) + (kind == "insert"))
        if kind == "substitute":
            word = word[:i] + rng.choice(LETTERS.replace(word[i], "")) + word[i + 1:]
        elif kind == "insert":
            word = word[:i] + rng.choice(LETTERS) + word[i:]
        elif kind == "delete" and len(word) > 1:
            word = word[:i] + word[i + 1:]
        elif kind == "swap" and len(word) > 1:
            i = min(i, len(word) - 2)
            word = word[:i] + word[i + 1] + word[i] + word[i + 2:]
    return word


def spelling_accuracy():
    """(rates by name, queries): how often each tool's top suggestion is the intended word."""
    from symspellpy import SymSpell, Verbosity

    words = SHIPPED.read_text(encoding="utf-8").split()
    # Counts that order the words as their ranks do; Zipf's law gives their shape.
    counts = {w: round(10**9 / (rank + 1)) for rank, w in enumerate(words)}
    rng = random.Random(SEED)
    intended = rng.choices(words, weights=[counts[w] for w in words], k=QUERIES)
    queries = [(noisy(w, rng), w) for w in intended]

    trie = build(words)
    symspell = SymSpell()  # max_dictionary_edit_distance 2, its default comparer
    for w in words:
        symspell.create_dictionary_entry(w, counts[w])

    def top_brindlemap(metric):
        return lambda q: next(iter(suggest(trie, q, 2, 1, metric=metric)), (None,))[0]

    def top_symspell(q):
        found = symspell.lookup(q, Verbosity.CLOSEST, max_edit_distance=2)
        return found[0].term if found else None

    tops = {"brindlemap suggest, metric=\"osa\"": top_brindlemap("osa"),
            "brindlemap suggest, metric=\"levenshtein\"": top_brindlemap("levenshtein"),
            "symspellpy lookup, Verbosity.CLOSEST": top_symspell}
    return {name: sum(top(q) == w for q, w in queries) / QUERIES for name, top in tops.items()}


def completion_times(path="/usr/share/dict/american-english-insane"):
    """Median and p90 µs of a top-10 completion with max_dist 1, by rank."""
    words = [w for w in Path(path).read_text(encoding="utf-8").split("\n") if w]
    trie = from_internal_data(*build_arrays({w: i for i, w in enumerate(words)}))
    rng = random.Random(1)
    prefixes = [w[:rng.randint(1, 8)] for w in rng.sample(words, 1000)]
    started = time.perf_counter()
    complete(trie, "a", 1)  # the first call works out the least payload under each node
    first = (time.perf_counter() - started) * 1e3
    times = {}
    for rank in ("payload", "word"):
        per_query = []
        for p in prefixes:
            best = float("inf")
            for _ in range(3):
                start = time.perf_counter_ns()
                complete(trie, p, 1, 10, rank=rank)
                best = min(best, time.perf_counter_ns() - start)
            per_query.append(best / 1000)
        per_query.sort()
        times[rank] = (statistics.median(per_query), per_query[int(0.9 * (len(per_query) - 1))])
    return times, first, len(words)


def section():
    """The lines of RESULTS.md's search-quality section."""
    rates = spelling_accuracy()
    symspell = rates["symspellpy lookup, Verbosity.CLOSEST"]
    osa = rates["brindlemap suggest, metric=\"osa\""]
    times, first, size = completion_times()
    lines = ["## Search quality", "",
             f"Top suggestion = intended word, {QUERIES:,} noisy queries on the shipped list "
             f"(seed {SEED}; bench/quality.py says how they are made):", "",
             "| tool | rate |", "|---|---|"]
    lines += [f"| {name} | {rate:.1%} |" for name, rate in rates.items()]
    met = "met" if osa >= symspell else "**not met**"
    lines += ["", f"Target: metric=\"osa\" at least symspellpy's rate: {osa:.1%} against "
              f"{symspell:.1%}, {met}.", "",
              f"## Completion on wamerican-insane ({size:,} words)", "",
              "| rank | median µs | p90 µs |", "|---|---|---|"]
    lines += [f"| {rank} | {m:.1f} | {p:.1f} |" for rank, (m, p) in times.items()]
    p90 = max(p for _, p in times.values())
    lines += ["", f"Target: top 10 with max_dist 1 within 300 µs at p90 for prefixes of 1 to 8 "
              f"characters: {p90:.1f} µs, {'met' if p90 <= 300 else '**not met**'}. The first "
              f"call worked out the least payload under each node in {first:.0f} ms "
              f"(4 bytes per node, kept with the trie).", ""]
    return lines


if __name__ == "__main__":
    print("\n".join(section()))
    sys.exit(0)
