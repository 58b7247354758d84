"""The benchmark suite: brindlemap against a lean C++ walk, rapidfuzz, symspellpy and a
pure-Python trie on Debian's word lists; writes bench/RESULTS.md. Run by `make bench`.

    .venv/bin/python bench/run.py [--quick] [--lists wamerican,...] [--out bench/RESULTS.md]

Every peer answers the same committed queries (bench/queries/); before any time counts, each
one's results are checked against brindlemap's on a sample: the lean walk's lists must be equal
element for element (limit None and 10), the others' sets of (word, payload, distance) equal.
Times are the best of a few calls per query; the tables give the median and p90 over queries.
"""

import argparse
import gc
import json
import os
import platform
import subprocess
import sys
import time
from datetime import datetime, timezone
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
import batch  # noqa: E402
import casing_quality  # noqa: E402
from measure import best_us, median, release_free_memory, rss_bytes  # noqa: E402
import quality  # noqa: E402
import first_answer  # noqa: E402
import resident  # noqa: E402
import split_targets  # noqa: E402
from peers import PurePythonTrie, RapidfuzzScan, SymSpell, lean_walk  # noqa: E402
from wordlists import LISTS, load_queries, load_words  # noqa: E402

from brindlemap import from_bytes, from_internal_data  # noqa: E402
from brindlemap.builder import build_arrays  # noqa: E402

KINDS = ["k0", "k1", "k2", "k3", "none"]
DISTANCES = [1, 2, 3]


def p90(xs):
    xs = sorted(xs)
    return xs[min(len(xs) - 1, round(0.9 * (len(xs) - 1)))]


def stratified(queries, per_kind):
    """The first `per_kind` queries of each kind, in file order (the files are random)."""
    picked = []
    for kind in KINDS:
        picked += [q for k, q in queries if k == kind][:per_kind]
    return picked


def as_set(results):
    return {tuple(r) for r in results}


# --- measurements made in a fresh process, so that resident memory grows from a known base ---

def child_brindlemap_memory(path):
    words = load_words(path)
    arrays = build_arrays(words)
    gc.collect()
    allocated = release_free_memory()
    before = rss_bytes()
    trie = from_internal_data(*arrays)
    grown = rss_bytes() - before
    allocated = release_free_memory() - allocated
    return {"rss_bytes": grown, "malloc_bytes": allocated, "nodes": len(arrays[0]),
            "words": len(words), "alive": bool(trie)}


def child_symspell(path, max_dist, queries, check):
    words = load_words(path)
    gc.collect()
    release_free_memory()
    before = rss_bytes()
    start = time.perf_counter()
    index = SymSpell(words, max_dist)
    build_s = time.perf_counter() - start
    gc.collect()
    grown = rss_bytes() - before
    results = {q: sorted(index(q, max_dist)) for q in check}
    trie = from_internal_data(*build_arrays(words))
    times, mine = [], []
    for q in queries:  # interleaved with brindlemap's, so both meet the same machine
        times.append(best_us(lambda: index(q, max_dist), 1))
        mine.append(best_us(lambda: trie.fuzzy_match(q, max_dist, None), 3))
    return {"build_s": build_s, "rss_bytes": grown, "times": times, "brindlemap": mine,
            "results": results}


def in_child(*args, stdin=None):
    out = subprocess.run([sys.executable, __file__, "--child", json.dumps(args)],
                         input=json.dumps(stdin), capture_output=True, text=True, check=True)
    return json.loads(out.stdout)


# --- one word list ---

class ListBench:
    def __init__(self, name, path, quick, log):
        self.name, self.path, self.quick, self.log = name, path, quick, log
        self.reps = 1 if quick else 3
        self.words = load_words(path)
        start = time.perf_counter()
        self.arrays = build_arrays(self.words)
        self.builder_s = time.perf_counter() - start
        self.nodes = len(self.arrays[0])
        self.elements = sum(map(len, self.arrays))
        self.trie = from_internal_data(*self.arrays)
        self.lean, self.lean_module = lean_walk(self.arrays)
        self.queries = load_queries(name)
        if quick:
            self.queries = [(k, q) for k in KINDS for q in stratified(self.queries, 40)
                            if (k, q) in set(self.queries)]
        self.all = [q for _, q in self.queries]
        self.peer_queries = stratified(self.queries, 4 if quick else 10)
        self.check = stratified(self.queries, 2 if quick else 5)
        self.out = {"words": len(self.words), "nodes": self.nodes, "elements": self.elements,
                    "builder_s": self.builder_s, "queries": len(self.all),
                    "peer_queries": len(self.peer_queries)}

    def fuzzy(self, q, d, limit):
        return self.trie.fuzzy_match(q, d, limit)

    def lean_fuzzy(self, q, d, limit):
        return self.lean_module.fuzzy(self.lean, q, d, limit)

    def construction(self):
        arrays = self.arrays
        seconds = min(best_us(lambda: from_internal_data(*arrays), 1) for _ in range(3)) / 1e6
        self.out["from_internal_data_ns_per_element"] = seconds / self.elements * 1e9
        self.out["from_internal_data_ns_per_node"] = seconds / self.nodes * 1e9
        data = self.trie.to_bytes()
        assert from_bytes(data).to_bytes() == data
        mb = len(data) / 1e6
        self.out["serialized_mb"] = mb
        self.out["to_bytes_mb_s"] = mb / (min(best_us(self.trie.to_bytes, 1) for _ in range(5)) / 1e6)
        self.out["from_bytes_mb_s"] = mb / (min(best_us(lambda: from_bytes(data), 1)
                                                for _ in range(5)) / 1e6)
        shifts, chars, payloads, children = arrays
        self.out["array_bytes_per_node"] = (
            4 * (len(shifts) + len(chars) + len(payloads) + len(children))
            + 8 * ((len(payloads) + 63) // 64)) / self.nodes
        memory = in_child("memory", self.path)
        self.out["rss_bytes_per_node"] = memory["rss_bytes"] / self.nodes
        self.out["rss_bytes_per_word"] = memory["rss_bytes"] / len(self.words)
        self.out["malloc_bytes_per_node"] = memory["malloc_bytes"] / self.nodes

    def check_results(self, peers):
        for d in DISTANCES:
            for q in self.check:
                mine = self.fuzzy(q, d, None)
                assert self.lean_fuzzy(q, d, None) == mine, (self.name, q, d)
                assert self.lean_fuzzy(q, d, 10) == self.fuzzy(q, d, 10), (self.name, q, d)
                for peer_name, peer in peers.items():
                    if peer_name == "pure Python" and q not in self.check[::3]:
                        continue  # the slowest peer is checked on a third of the sample
                    assert as_set(peer(q, d)) == as_set(mine), (self.name, peer_name, q, d)
        for kind, q in self.queries:
            if kind == "k0":
                assert self.trie.exact_match(q) == (q, self.words[q], 0)
            if kind == "none":
                assert self.trie.exact_match(q) is None and not self.fuzzy(q, 3, 1)

    def fuzzy_times(self, peers):
        reps = self.reps
        for d in DISTANCES:
            row = {}
            for limit in (None, 10):
                mine, lean = [], []
                for q in self.all:  # interleaved, so both meet the same machine
                    mine.append(best_us(lambda: self.fuzzy(q, d, limit), reps))
                    lean.append(best_us(lambda: self.lean_fuzzy(q, d, limit), reps))
                row[f"brindlemap/{limit}"], row[f"lean/{limit}"] = mine, lean
                self.log(f"  {self.name} d={d} limit={limit}: brindlemap median "
                         f"{median(mine):.1f} us, lean {median(lean):.1f} us")
            for peer_name, peer in peers.items():
                theirs, mine = [], []
                for q in self.peer_queries:  # interleaved with brindlemap's
                    theirs.append(best_us(lambda: peer(q, d), 1))
                    mine.append(best_us(lambda: self.fuzzy(q, d, None), reps))
                row[peer_name], row[f"brindlemap/{peer_name}"] = theirs, mine
                self.log(f"  {self.name} d={d} {peer_name}: median {median(theirs):.1f} us")
            visits = [self.lean_module.visits(self.lean, q, d) for q in self.all]
            row["visits"] = visits
            # The median over queries of time per visited node: robust to a burst of noise.
            row["ns_per_visit"] = median([t * 1000 / v for t, v in
                                          zip(row["brindlemap/None"], visits)])
            row["lean_ns_per_visit"] = median([t * 1000 / v for t, v in
                                               zip(row["lean/None"], visits)])
            self.out[f"fuzzy/{d}"] = row

    def symspell(self):
        check = self.check
        sym_queries = stratified(self.queries, 8 if self.quick else 20)
        for d in DISTANCES:
            result = in_child("symspell", self.path, d, stdin={"queries": sym_queries,
                                                                "check": check})
            repeated = 0
            for q in check:
                found = result["results"][q]
                least = {}
                for word, payload, distance in found:
                    least[word] = min(distance, least.get(word, distance))
                repeated += len(found) - len(least)
                got = {(word, self.words[word], dist) for word, dist in least.items()}
                assert got == as_set(self.fuzzy(q, d, None)), (self.name, q, d)
            result["repeated"] = repeated
            result["checked_results"] = sum(len(r) for r in result["results"].values())
            result.pop("results")
            self.out[f"symspell/{d}"] = result
            self.log(f"  {self.name} symspell d={d}: build {result['build_s']:.1f} s, "
                     f"{result['rss_bytes'] / 1e6:.0f} MB, median {median(result['times']):.1f} us")

    def exact_times(self):
        hits = [q for k, q in self.queries if k == "k0"]
        misses = [q for k, q in self.queries if k == "none"]
        for label, qs in (("hits", hits), ("misses", misses)):
            self.out[f"exact/{label}"] = [best_us(lambda: self.trie.exact_match(q), 5)
                                          for q in qs]

    def run(self):
        self.log(f"{self.name}: {len(self.words)} words, {self.nodes} nodes")
        peers = {"rapidfuzz": RapidfuzzScan(self.words), "pure Python": PurePythonTrie(self.words)}
        self.construction()
        self.check_results(peers)
        self.log(f"  {self.name}: results checked")
        self.exact_times()
        self.fuzzy_times(peers)
        self.symspell()
        return self.out


# --- the report ---

def cell(times, base=None):
    text = f"{median(times):,.1f} / {p90(times):,.1f}"
    if base is not None:
        text += f" ({median(times) / median(base):,.2f}×)"
    return text


def list_table(name, r):
    lines = [f"### {name}", "",
             f"{r['words']:,} words, {r['nodes']:,} nodes; {r['queries']} queries per distance "
             f"for brindlemap and the lean walk, {r['peer_queries']} (the first of each kind) "
             "for rapidfuzz and the pure-Python trie, "
             f"{len(r['symspell/1']['times'])} for symspellpy.", "",
             "Median / p90 µs per query; (×) = the peer's median ÷ brindlemap's median over the "
             "same queries, so above 1 means brindlemap is faster.", "",
             "| max_dist | brindlemap, limit None | lean walk, limit None | brindlemap, limit 10 "
             "| lean walk, limit 10 | rapidfuzz scan | symspellpy | pure-Python trie |",
             "|---|---|---|---|---|---|---|---|"]
    repeated = sum(r[f"symspell/{d}"]["repeated"] for d in DISTANCES)
    checked = sum(r[f"symspell/{d}"]["checked_results"] for d in DISTANCES)
    if repeated:
        lines[-4:-4] = [f"symspellpy named some words twice, each time with two distances (the "
                        f"true one and a larger one): {repeated} of the {checked} suggestions on "
                        "the check sample; the check takes each word's least distance.", ""]
    for d in DISTANCES:
        f, s = r[f"fuzzy/{d}"], r[f"symspell/{d}"]
        lines.append(
            f"| {d} | {cell(f['brindlemap/None'])} | {cell(f['lean/None'], f['brindlemap/None'])} "
            f"| {cell(f['brindlemap/10'])} | {cell(f['lean/10'], f['brindlemap/10'])} "
            f"| {cell(f['rapidfuzz'], f['brindlemap/rapidfuzz'])} "
            f"| {cell(s['times'], s['brindlemap'])} "
            f"| {cell(f['pure Python'], f['brindlemap/pure Python'])} |")
    lines += ["", "| max_dist | nodes visited per query (median) | brindlemap ns per visited node "
              "(median over queries) | lean walk ns per visited node |", "|---|---|---|---|"]
    for d in DISTANCES:
        f = r[f"fuzzy/{d}"]
        lines.append(f"| {d} | {median(f['visits']):,.0f} | {f['ns_per_visit']:.1f} "
                     f"| {f['lean_ns_per_visit']:.1f} |")
    lines += ["", "| symspellpy max_dictionary_edit_distance | build s | resident MB "
              "| resident bytes per word |", "|---|---|---|---|"]
    for d in DISTANCES:
        s = r[f"symspell/{d}"]
        lines.append(f"| {d} | {s['build_s']:.1f} | {s['rss_bytes'] / 1e6:,.0f} "
                     f"| {s['rss_bytes'] / r['words']:,.0f} |")
    lines += ["", "| brindlemap | value |", "|---|---|",
              f"| build: builder.build_arrays (Python) | {r['builder_s']:.2f} s |",
              f"| exact_match, hits: median / p90 µs | {cell(r['exact/hits'])} |",
              f"| exact_match, misses: median / p90 µs | {cell(r['exact/misses'])} |",
              f"| from_internal_data from lists | {r['from_internal_data_ns_per_element']:.1f} ns "
              f"per element ({r['from_internal_data_ns_per_node']:.1f} ns per node) |",
              f"| serialized size | {r['serialized_mb']:.2f} MB |",
              f"| to_bytes | {r['to_bytes_mb_s']:,.0f} MB/s |",
              f"| from_bytes | {r['from_bytes_mb_s']:,.0f} MB/s |",
              f"| four arrays, bytes per node | {r['array_bytes_per_node']:.3f} |",
              f"| resident growth of from_internal_data, bytes per node | "
              f"{r['rss_bytes_per_node']:.2f} ({r['rss_bytes_per_word']:.1f} per word; "
              f"{r['malloc_bytes_per_node']:.2f} per node allocated) |", ""]
    return lines


def targets(results):
    big, small = results.get("wamerican-insane"), results.get("wamerican")
    if big is None:
        return []

    def verdict(ok):
        return "met" if ok else "**not met**"

    lines = ["## Targets (wamerican-insane unless said)", "", "| target | measured | |",
             "|---|---|---|"]
    for d in (1, 2):
        f = big[f"fuzzy/{d}"]
        ratio = median(f["brindlemap/None"]) / median(f["lean/None"])
        ratio10 = median(f["brindlemap/10"]) / median(f["lean/10"])
        lines.append(f"| fuzzy_match within 1.3× of the lean walk, max_dist {d} | "
                     f"{ratio:.2f}× (limit None), {ratio10:.2f}× (limit 10) | "
                     f"{verdict(ratio <= 1.3 and ratio10 <= 1.3)} |")
    for d in (1, 2):
        s = big[f"symspell/{d}"]
        ratio = median(s["brindlemap"]) / median(s["times"])
        lines.append(f"| fuzzy_match at most 0.7× symspellpy's median (results checked identical "
                     f"first), max_dist {d} | {ratio:.2f}× | {verdict(ratio <= 0.7)} |")
    f = big["fuzzy/2"]
    ratio = median(f["brindlemap/None"]) / median(f["lean/None"])
    lines.append(f"| fuzzy_match at most 0.5× the lean walk, max_dist 2 | {ratio:.2f}× | "
                 f"{verdict(ratio <= 0.5)} |")
    # The builder's layout keeps no child_indices; complete's least payload per node adds 4.
    kept = big["array_bytes_per_node"] - 4 * (big["nodes"] - 1) / big["nodes"] + 4
    lines.append(f"| at most 20 bytes per node, the instance and every per-instance structure | "
                 f"{kept:.3f} | {verdict(kept <= 20)} |")
    for d, want in ((1, 100), (2, 20)):
        f = big[f"fuzzy/{d}"]
        ratio = median(f["rapidfuzz"]) / median(f["brindlemap/rapidfuzz"])
        lines.append(f"| ≥{want}× faster than the rapidfuzz scan, max_dist {d} | {ratio:,.0f}× | "
                     f"{verdict(ratio >= want)} |")
    for d in DISTANCES:
        f = big[f"fuzzy/{d}"]
        ratio = median(f["pure Python"]) / median(f["brindlemap/pure Python"])
        lines.append(f"| ≥80× faster than the pure-Python trie, max_dist {d} | {ratio:,.0f}× | "
                     f"{verdict(ratio >= 80)} |")
    for d in DISTANCES:
        s = big[f"symspell/{d}"]
        ratio = s["rss_bytes"] / big["rss_bytes_per_node"] / big["nodes"]
        lines.append(f"| resident memory per word ≤ 1/10 of symspellpy (d={d}) | "
                     f"{big['rss_bytes_per_word']:.1f} vs {s['rss_bytes'] / big['words']:,.0f} "
                     f"bytes per word, 1/{ratio:,.0f} | {verdict(ratio >= 10)} |")
    for label in ("hits", "misses"):
        m = median(big[f"exact/{label}"])
        lines.append(f"| exact_match ≤ 1.5 µs median, {label} | {m:.2f} µs | {verdict(m <= 1.5)} |")
    lines += [
        f"| from_bytes ≥ 250 MB/s | {big['from_bytes_mb_s']:,.0f} MB/s | "
        f"{verdict(big['from_bytes_mb_s'] >= 250)} |",
        f"| to_bytes ≥ 500 MB/s | {big['to_bytes_mb_s']:,.0f} MB/s | "
        f"{verdict(big['to_bytes_mb_s'] >= 500)} |",
        f"| from_internal_data ≤ 30 ns per element | "
        f"{big['from_internal_data_ns_per_element']:.1f} ns | "
        f"{verdict(big['from_internal_data_ns_per_element'] <= 30)} |",
        f"| ≤ 16.5 bytes per node, four arrays | {big['array_bytes_per_node']:.3f} (resident "
        f"growth {big['rss_bytes_per_node']:.2f}) | "
        f"{verdict(big['array_bytes_per_node'] <= 16.5)} |"]
    if small is not None:
        for d in DISTANCES:
            ratio = big[f"fuzzy/{d}"]["ns_per_visit"] / small[f"fuzzy/{d}"]["ns_per_visit"]
            lines.append(f"| cost per visited node grows ≤ 1.5× from wamerican, max_dist {d} | "
                         f"{small[f'fuzzy/{d}']['ns_per_visit']:.1f} → "
                         f"{big[f'fuzzy/{d}']['ns_per_visit']:.1f} ns, {ratio:.2f}× | "
                         f"{verdict(ratio <= 1.5)} |")
    return lines + [""]


def machine(command, started, load):
    cpu = next((line.split(":", 1)[1].strip() for line in open("/proc/cpuinfo")
                if line.startswith("model name")), platform.processor())
    from importlib.metadata import version
    return ["# Benchmark results", "",
            f"- Command: `{command}`",
            f"- Date: {started:%Y-%m-%d %H:%M} UTC",
            f"- Machine: {os.cpu_count()} cores (nproc), {cpu}; load average at start {load}",
            f"- Python {platform.python_version()}, rapidfuzz {version("rapidfuzz")}, "
            f"symspellpy {version("symspellpy")} (Levenshtein through its LEVENSHTEIN_FAST "
            "comparer, editdistpy)",
            "- Method: every time is the best of 3 calls of one query (1 for the slow peers); "
            "brindlemap is timed next to each peer, query by query, and ratios compare medians "
            "over the same queries. Results were checked before timing: the lean walk's lists "
            "equal brindlemap's element for element (limit None and 10) on 25 queries per "
            "distance, the other peers' sets of (word, payload, distance) equal brindlemap's "
            "on the same sample (the pure-Python trie on a third of it).",
            "- Queries: bench/queries/, per list 500 words with k = 0 to 3 random edits and 100 "
            "strings farther than 3 edits from every word. Peers that scan or run in Python "
            "get the first 10 of each kind (50), symspellpy the first 20 (100).",
            "- Instruction counts of each optimisation, before and after: bench/PROFILE.md.", ""]


def printed(*scripts):
    """What each script prints, run alone, as a fenced block under its name."""
    lines = []
    for script in scripts:
        done = subprocess.run([sys.executable, str(HERE / script)], capture_output=True,
                              text=True, check=True)
        lines += [f"`bench/{script}`:", "", "```", *done.stdout.splitlines(), "```", ""]
    return lines


def lexicon_section():
    """Corrections in the query's casing, then what a lexicon costs and how fast it checks
    prose, as the two scripts print them."""
    lines = casing_quality.section() + printed("lexicon_cost.py", "proofreading_speed.py",
                                               "text_layer.py", "trusted_correction.py",
                                               "segment_quality.py", "real_word_slips.py")
    lines += ["Targets: Lexicon.suggest at most 1.3x suggest on its trie; check at 1 MB of prose "
              "per second or better; a lexicon of wamerican-insane at most 100 bytes a word "
              "resident; check linear in the text whatever it holds (a 1 MiB line in seconds); "
              "Lexicon.load within 1.5x the file; correct changes at most 0.5 words per "
              "1,000 of error-free prose and fixes at least 95% of injected misspellings; "
              "segment splits 95% of sentences right at 50 times symspellpy's speed; "
              "real_words flags half the planted slips, at most 1 per 1,000 correct words.", ""]
    return lines


def main():
    if len(sys.argv) > 2 and sys.argv[1] == "--child":
        kind, *args = json.loads(sys.argv[2])
        if kind == "memory":
            print(json.dumps(child_brindlemap_memory(*args)))
        else:
            given = json.load(sys.stdin)
            print(json.dumps(child_symspell(*args, given["queries"], given["check"])))
        return
    parser = argparse.ArgumentParser()
    parser.add_argument("--quick", action="store_true", help="fewer queries and repeats")
    parser.add_argument("--lists", default=",".join(name for name, _ in LISTS))
    parser.add_argument("--out", default=str(HERE / "RESULTS.md"))
    args = parser.parse_args()
    started, load = datetime.now(timezone.utc), os.getloadavg()[0]
    command = os.environ.get("BENCH_COMMAND", " ".join(["python"] + sys.argv))
    results = {}
    for name, path in LISTS:
        if name in args.lists.split(","):
            results[name] = ListBench(name, path, args.quick,
                                      lambda m: print(m, flush=True)).run()
    (HERE / "build").mkdir(exist_ok=True)
    (HERE / "build" / "results.json").write_text(json.dumps(results))
    lines = machine(command, started, f"{load:.2f}") + targets(results)
    for name, r in results.items():
        lines += list_table(name, r)
    lines += quality.section() + batch.section() + lexicon_section()
    lines += ["## Weighted edits", "", *printed("weighted_quality.py", "weighted_speed.py")]
    lines += ["## Other languages", "", *printed("languages.py")]
    split = split_targets.section(log=lambda m: print(m, flush=True))
    print("\n".join(split), flush=True)
    lines += split
    first = first_answer.section(log=lambda m: print(m, flush=True))
    print("\n".join(first), flush=True)
    lines += first
    memory = resident.section(log=lambda m: print(m, flush=True))
    print("\n".join(memory), flush=True)
    lines += memory
    elapsed = (datetime.now(timezone.utc) - started).total_seconds() / 60
    lines.append(f"Whole run: {elapsed:.0f} minutes.")
    Path(args.out).write_text("\n".join(lines) + "\n", encoding="utf-8")
    print(f"wrote {args.out}")


if __name__ == "__main__":
    main()
