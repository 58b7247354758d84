"""The speed and memory targets of the forward-backward search on wamerican-insane, measured
side by side with symspellpy in one process (run by bench/run.py, or alone):

    .venv/bin/python bench/split_targets.py [--per-kind 20] [--distances 1,2,3]

For each distance, symspellpy is built with max_dictionary_edit_distance equal to it (its
Levenshtein comparer, Verbosity.ALL), the results of fuzzy_match, search (both metrics, against
the band walk alone) and suggest are checked first, then each call is timed beside symspellpy
alone, two ways, the same way for both: interleaved, one call of each in turn for each query
(the order turning from query to query), compared by medians; and in loops, each over all the
queries in turn (symspellpy, the call, the call, symspellpy), compared by means. Neither
repeats a call to keep its best, and no call of ours runs between the pair to warm the paths
the other takes: an application's lookup comes after other work. Also: the first query's latency (the reversed trie made on first use), the bytes per
word of the trie with everything made for it, search_many on 1 and 2 threads, complete and
exact_match, and two Python threads looping over suggest against one thread doing both loops.
"""

import argparse
import gc
import sys
import threading
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
from batch import queries as replaced_letter  # noqa: E402
from measure import best_us, median, release_free_memory, rss_bytes  # noqa: E402
from peers import SymSpell  # noqa: E402
from wordlists import load_queries, load_words  # noqa: E402

import brindlemap  # noqa: E402
from brindlemap import _search  # noqa: E402

INSANE = ("wamerican-insane", "/usr/share/dict/american-english-insane")
KINDS = ["k0", "k1", "k2", "k3", "none"]


def first_of_each_kind(queries, per_kind):
    """The first `per_kind` queries of each kind, kind by kind (the query files are random)."""
    return [q for kind in KINDS for q in [q for k, q in queries if k == kind][:per_kind]]


def least_distances(found):
    """symspellpy may name a word twice with two distances: each word's least."""
    least = {}
    for word, payload, distance in found:
        least[word] = min(distance, least.get(word, distance))
    return least


def calls(trie, d):
    """The timed calls of one distance, by name; "band walk" is the road search took before."""
    return {
        "fuzzy_match": lambda q: trie.fuzzy_match(q, d, None),
        "search levenshtein": lambda q: _search.search(trie, q, d, metric="levenshtein"),
        "search osa": lambda q: _search.search(trie, q, d, metric="osa"),
        "suggest": lambda q: brindlemap.suggest(trie, q, d),
        "band walk": lambda q: _search.band_search(trie, q, d, "levenshtein", None),
    }


def check(trie, words, index, d, sample):
    for q in sample:
        mine = trie.fuzzy_match(q, d, None)
        theirs = {(w, words[w], dist) for w, dist in least_distances(index(q, d)).items()}
        assert {tuple(m) for m in mine} == theirs, (q, d)
        for metric in ("levenshtein", "osa"):
            band = _search.band_search(trie, q, d, metric, None)
            assert _search.search(trie, q, d, metric=metric) == band, (q, d, metric)
            for limit in (1, 10):
                found = _search.search(trie, q, d, metric=metric, limit=limit)
                assert found == band[:limit], (q, d, limit)
        assert mine == _search.band_search(trie, q, d, "levenshtein", None), (q, d)
        best = sorted(_search.band_search(trie, q, d, "osa", None),
                      key=lambda m: (m[2], m[1], m[0]))[:10]
        assert brindlemap.suggest(trie, q, d) == best, (q, d)


def interleaved(peer, call, sample):
    """Each query taken once by the peer and once by the call, which goes first turning from
    query to query: the median µs of each, (call, peer)."""
    times = ([], [])
    for i, q in enumerate(sample):
        for which in ((0, 1), (1, 0))[i % 2]:
            times[which].append(best_us(lambda: (call, peer)[which](q), 1))
    return median(times[0]), median(times[1])


def loops(peer, call, sample):
    """The peer over all the queries, the call twice, the peer again: the mean µs of a query
    for each over both of its loops, (call, peer)."""
    def loop(run):
        return best_us(lambda: [run(q) for q in sample], 1)

    peer_us = loop(peer)
    call_us = loop(call) + loop(call)
    peer_us += loop(peer)
    return call_us / (2 * len(sample)), peer_us / (2 * len(sample))


def paired(peer, timed, sample):
    """Each call of `timed` against the peer, both ways, each call in a run of its own beside
    the peer alone, so that no call of ours warms the paths of another: by way and label,
    (call µs, the peer's µs in the same run)."""
    return {way: {label: timing(peer, call, sample) for label, call in timed.items()}
            for way, timing in (("times", interleaved), ("loops", loops))}


def first_query_ms(words):
    """A fresh trie's first search at max_dist 2 and its second, in ms: the difference is what
    the first use makes for the trie."""
    trie = brindlemap.build(words)
    q = "abbreviatoin"
    first = best_us(lambda: _search.search(trie, q, 2), 1) / 1000
    second = best_us(lambda: _search.search(trie, q, 2), 1) / 1000
    return first, second


def trie_bytes_per_word(words):
    """Bytes in use for the trie, the reversed one and every per-instance structure (after a
    search, a suggest and a complete have made them), per word."""
    gc.collect()
    before, rss_before = release_free_memory(), rss_bytes()
    trie = brindlemap.build(words)
    _search.search(trie, "abbreviatoin", 2)
    brindlemap.suggest(trie, "abbreviatoin")
    brindlemap.complete(trie, "abbr")
    gc.collect()
    grown, rss_grown = release_free_memory() - before, rss_bytes() - rss_before
    del trie
    return grown / len(words), rss_grown / len(words)


def threads_ratio(trie, sample, d=2, rounds=3):
    """Two Python threads each looping over suggest, against one thread doing both loops."""
    def loop():
        for q in sample:
            brindlemap.suggest(trie, q, d)

    def one():
        loop()
        loop()

    def two():
        workers = [threading.Thread(target=loop) for _ in range(2)]
        for w in workers:
            w.start()
        for w in workers:
            w.join()

    best_one = best_two = float("inf")
    for _ in range(rounds):
        best_one = min(best_one, best_us(one, 1))
        best_two = min(best_two, best_us(two, 1))
    return best_two / best_one


def measure(per_kind, distances, log):
    name, path = INSANE
    words = load_words(path)
    queries = load_queries(name)
    sample = first_of_each_kind(queries, per_kind)
    out = {"words": len(words), "queries": len(sample)}
    out["first_ms"], out["second_ms"] = first_query_ms(words)
    log(f"  first search {out['first_ms']:.1f} ms, second {out['second_ms']:.2f} ms")
    out["bytes_per_word"], out["rss_per_word"] = trie_bytes_per_word(words)
    log(f"  {out['bytes_per_word']:.1f} bytes per word in use ({out['rss_per_word']:.1f} resident)")
    trie = brindlemap.build(words)
    for d in distances:
        gc.collect()
        rss = rss_bytes()
        index = SymSpell(words, d)
        gc.collect()
        out[f"symspell_rss_per_word/{d}"] = (rss_bytes() - rss) / len(words)
        check(trie, words, index, d, sample[::4])
        for way, figures in paired(lambda q: index(q, d), calls(trie, d), sample).items():
            out[f"{way}/{d}"] = figures
            log(f"  d={d} {way}: " + ", ".join(f"{label} {mine:.1f} us against {peer:.1f}"
                                               for label, (mine, peer) in figures.items()))
        del index
    word_list = list(words)
    batch = replaced_letter(word_list, 4000, 3)
    one = min(best_us(lambda: _search.search_many(trie, batch, 2, threads=1), 1)
              for _ in range(2))
    two = min(best_us(lambda: _search.search_many(trie, batch, 2, threads=2), 1)
              for _ in range(2))
    out["batch_ratio"] = two / one
    out["complete_us"] = median([best_us(lambda: brindlemap.complete(trie, q[:4]), 3)
                                 for q in sample])
    out["exact_us"] = median([best_us(lambda: trie.exact_match(q), 5) for q in sample])
    out["threads_ratio"] = threads_ratio(trie, sample[:100])
    log(f"  search_many 2/1 threads {out['batch_ratio']:.2f}, complete {out['complete_us']:.1f} "
        f"us, exact_match {out['exact_us']:.2f} us, 2 Python threads {out['threads_ratio']:.2f}")
    return out


def verdict(ok):
    return "met" if ok else "**not met**"


# fuzzy_match against symspellpy, both ways, by max_dist.
TARGETS = {1: 0.12, 2: 0.12, 3: 0.05}


def section(out=None, per_kind=60, distances=(1, 2, 3), log=print):
    """The lines of RESULTS.md's forward-backward section."""
    if out is None:
        out = measure(per_kind, distances, log)
    lines = ["## Forward-backward search on wamerican-insane, beside symspellpy", "",
             f"{out['words']:,} words, {out['queries']} queries (the first of each kind), "
             "µs per query, each call in a run of its own beside symspellpy: interleaved, one call "
             "of each in turn per query (medians), and in loops, each over all the queries "
             "(means); (×) = the call's figure ÷ symspellpy's in the same run, whose figures "
             "(the least and the most of the five runs) come first.", "",
             "| max_dist | way | symspellpy | fuzzy_match | search levenshtein | search osa "
             "| suggest | band walk |", "|---|---|---|---|---|---|---|---|"]
    targets = []
    for d in distances:
        for way, name in ("times", "interleaved"), ("loops", "loops"):
            t = out[f"{way}/{d}"]
            peers = [peer for _, peer in t.values()]
            lines.append(f"| {d} | {name} | {min(peers):,.1f}–{max(peers):,.1f} | " + " | ".join(
                f"{t[label][0]:,.1f} ({t[label][0] / t[label][1]:.2f}×)" for label in
                ("fuzzy_match", "search levenshtein", "search osa", "suggest", "band walk"))
                + " |")
            ratio = t["fuzzy_match"][0] / t["fuzzy_match"][1]
            targets.append(f"| fuzzy_match at most {TARGETS[d]}× symspellpy, max_dist {d}, "
                           f"{name} | {ratio:.2f}× | {verdict(ratio <= TARGETS[d])} |")
        if d == 2:
            t = out["times/2"]
            ratio = t["fuzzy_match"][0] / t["band walk"][0]
            targets.append(f"| fuzzy_match at most 0.15× the band walk, max_dist 2 | {ratio:.2f}× "
                           f"| {verdict(ratio <= 0.15)} |")
    if 2 in distances:
        sym = out["symspell_rss_per_word/2"]
        targets.append(f"| bytes per word, tries and per-instance structures, at most 1/8 of "
                       f"symspellpy's resident (d=2) | {out['bytes_per_word']:.1f} (resident "
                       f"{out['rss_per_word']:.1f}) vs {sym:,.0f}, 1/{sym / out['bytes_per_word']:.0f} "
                       f"| {verdict(out['bytes_per_word'] * 8 <= sym)} |")
    made = out["first_ms"] - out["second_ms"]
    targets += [
        f"| first search of a fresh trie (the reversed trie made), at most 1.5 s | "
        f"{out['first_ms']:,.0f} ms (then {out['second_ms']:.2f} ms) | {verdict(made <= 1500)} |",
        f"| search_many, 2 threads at most 0.55× of 1 | {out['batch_ratio']:.2f}× | "
        f"{verdict(out['batch_ratio'] <= 0.55)} |",
        f"| two Python threads over suggest at most 0.6× of one doing both | "
        f"{out['threads_ratio']:.2f}× | {verdict(out['threads_ratio'] <= 0.6)} |"]
    lines += ["", "| target | measured | |", "|---|---|---|", *targets, "",
              f"complete (first four characters, max_dist 1, k 10): {out['complete_us']:.1f} µs; "
              f"exact_match: {out['exact_us']:.2f} µs (medians).", ""]
    return lines


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--per-kind", type=int, default=60)
    parser.add_argument("--distances", default="1,2,3")
    args = parser.parse_args()
    print("\n".join(section(per_kind=args.per_kind,
                            distances=[int(d) for d in args.distances.split(",")])))
