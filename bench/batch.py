"""Batches and metrics on wamerican-insane, for bench/RESULTS.md (run by bench/run.py, or alone):

    .venv/bin/python bench/batch.py

- 20,000 queries (words of the list with one letter replaced, seed 3) at max_dist 2: a Python
  loop over fuzzy_match, and search_many with 1 and with 2 threads. Best of 2 runs each.
- search with metric="osa" against Levenshtein on 300 of those queries, medians of the best of
  3 calls per query. The compared calls are timed in turn, so that drift in the machine's load
  falls on both.
"""

import random
import statistics
import time
from pathlib import Path

from brindlemap import from_internal_data, search, search_many
from brindlemap.builder import build_arrays

INSANE = "/usr/share/dict/american-english-insane"


def queries(words, count, seed):
    rng = random.Random(seed)
    out = []
    for word in rng.choices(words, k=count):
        i = rng.randrange(len(word))
        out.append(word[:i] + "x" + word[i + 1:])
    return out


def best_seconds(calls, runs=2):
    """The best of `runs` timings of each call, the calls taken in turn so that a change in the
    machine's load falls on all of them alike."""
    best = [float("inf")] * len(calls)
    for _ in range(runs):
        for i, call in enumerate(calls):
            start = time.perf_counter()
            call()
            best[i] = min(best[i], time.perf_counter() - start)
    return best


def median_us(calls, items):
    """Per call, the median over items of the best of 3 timings, the calls interleaved."""
    times = [[] for _ in calls]
    for item in items:
        for i, call in enumerate(calls):
            best = float("inf")
            for _ in range(3):
                start = time.perf_counter_ns()
                call(item)
                best = min(best, time.perf_counter_ns() - start)
            times[i].append(best / 1000)
    return [statistics.median(t) for t in times]


def section(path=INSANE):
    words = [w for w in Path(path).read_text(encoding="utf-8").split("\n") if w]
    trie = from_internal_data(*build_arrays({w: i for i, w in enumerate(words)}))
    batch = queries(words, 20_000, 3)
    assert search_many(trie, batch[:200], 2, threads=2) == [
        trie.fuzzy_match(q, 2, None) for q in batch[:200]]
    loop, one, two = best_seconds([lambda: [trie.fuzzy_match(q, 2, None) for q in batch],
                                   lambda: search_many(trie, batch, 2, threads=1),
                                   lambda: search_many(trie, batch, 2, threads=2)])
    sample = batch[:300]
    rows = []
    for d in (1, 2):
        lev, osa = median_us([lambda q: search(trie, q, d),
                              lambda q: search(trie, q, d, metric="osa")], sample)
        rows.append((d, lev, osa))

    def verdict(ok):
        return "met" if ok else "**not met**"

    lines = ["## Batches and metrics on wamerican-insane", "",
             "| 20,000 queries, max_dist 2 | seconds |", "|---|---|",
             f"| Python loop over fuzzy_match | {loop:.2f} |",
             f"| search_many, 1 thread | {one:.2f} |",
             f"| search_many, 2 threads | {two:.2f} |", "",
             f"Target: 2 threads at most 0.55× of 1 thread: {two / one:.2f}×, "
             f"{verdict(two / one <= 0.55)}; at most 0.6× of the loop: {two / loop:.2f}×, "
             f"{verdict(two / loop <= 0.6)}.", "",
             "| max_dist | Levenshtein median µs | OSA median µs | ratio |", "|---|---|---|---|"]
    lines += [f"| {d} | {lev:.1f} | {osa:.1f} | {osa / lev:.2f}× |" for d, lev, osa in rows]
    worst = max(osa / lev for _, lev, osa in rows)
    lines += ["", f"Target: OSA at most 1.25× Levenshtein: {worst:.2f}×, {verdict(worst <= 1.25)}.",
              ""]
    return lines


if __name__ == "__main__":
    print("\n".join(section()))
