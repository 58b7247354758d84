"""Wall time of two or more builds of the extension side by side, query by query, with the
trie's data cold (the caches flushed before the call, as after other work in an application,
then the same call made on a small trie, so that only the large trie's data is cold)
and warm (the best of three calls in a row):

    python bench/builds_side_by_side.py BUILD_DIR BUILD_DIR ... [--distances 1,2] [--per-kind 40]

Each BUILD_DIR is a folder holding a `brindlemap` package (an install's site-packages, or a copy
of it). One worker process per build loads wamerican-insane's trie; the workers take each query
in turn, in an order that alternates, so that the machine's drift falls on all of them alike.
Prints the medians by call and distance, and each build's ratio to the first.
"""

import argparse
import json
import os
import subprocess
import sys
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
from measure import median  # noqa: E402
from wordlists import load_queries  # noqa: E402

INSANE = "/usr/share/dict/american-english-insane"
KINDS = ["k0", "k1", "k2", "k3", "none"]
# Larger than the last-level cache that the machine's cores share.
FLUSH_BYTES = 64 << 20

WORKER = r"""
import sys, time, json
sys.path.insert(0, sys.argv[1])
import brindlemap
from brindlemap import _search
with open(sys.argv[2], "rb") as f:
    trie = brindlemap.from_bytes(f.read())
small = brindlemap.build(sorted({line.strip() for line in open(sys.argv[4])})[::500])
def calls_on(trie):
    return {
        "fuzzy_match": lambda q, d: trie.fuzzy_match(q, d, None),
        "suggest": lambda q, d: brindlemap.suggest(trie, q, d),
        "complete": lambda q, d: brindlemap.complete(trie, q[: max(1, len(q) - 2)], min(d, 1)),
        "exact": lambda q, d: trie.exact_match(q),
    }
calls, small_calls = calls_on(trie), calls_on(small)
for name in calls:
    calls[name]("warmup", 2)  # every per-trie table made before timing
    small_calls[name]("warmup", 2)
dirty, clean = bytearray(int(sys.argv[3])), bytes(int(sys.argv[3]))
clock = time.perf_counter_ns
print("ready", flush=True)
for line in sys.stdin:
    name, d, mode, q = json.loads(line)
    f = calls[name]
    if mode == "cold":
        # The caches flushed, then the interpreter's and the extension's own paths warmed
        # again on a small trie: what stays cold is the large trie's data.
        dirty[:] = clean
        small_calls[name](q, d)
        start = clock(); f(q, d); took = clock() - start
    else:
        took = None
        for _ in range(3):
            start = clock(); f(q, d); t = clock() - start
            took = t if took is None else min(took, t)
    print(took, flush=True)
"""


def trie_file():
    path = Path("/tmp/brindlemap-bench-insane.trie")
    if not path.exists():
        import brindlemap
        from wordlists import load_words

        path.write_bytes(brindlemap.build(load_words(INSANE)).to_bytes())
    return path


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("builds", nargs="+")
    parser.add_argument("--distances", default="1,2")
    parser.add_argument("--per-kind", type=int, default=40)
    parser.add_argument("--calls", default="fuzzy_match,suggest,complete,exact")
    parser.add_argument("--flush-bytes", type=int, default=FLUSH_BYTES,
                        help="bytes written before a cold call: the default leaves the trie out "
                             "of every cache level, 4 MB only out of the cores' own")
    args = parser.parse_args()
    path = trie_file()
    workers = []
    for build in args.builds:
        worker = subprocess.Popen([sys.executable, "-c", WORKER, build, str(path),
                                   str(args.flush_bytes), INSANE], stdin=subprocess.PIPE,
                                  stdout=subprocess.PIPE, text=True, env=dict(os.environ))
        assert worker.stdout.readline().strip() == "ready"
        workers.append(worker)
    queries = load_queries("wamerican-insane")
    sample = [q for kind in KINDS for q in [q for k, q in queries if k == kind][: args.per_kind]]
    times = {}
    step = 0
    for name in args.calls.split(","):
        for d in map(int, args.distances.split(",")):
            for mode in ("cold", "warm"):
                for q in sample:
                    step += 1
                    order = range(len(workers)) if step % 2 else reversed(range(len(workers)))
                    for w in order:
                        workers[w].stdin.write(json.dumps([name, d, mode, q]) + "\n")
                        workers[w].stdin.flush()
                        took = int(workers[w].stdout.readline())
                        times.setdefault((name, d, mode, w), []).append(took / 1000)
    for worker in workers:
        worker.stdin.close()
        worker.wait()
    print(f"{len(sample)} wamerican-insane queries, medians in µs, {time.strftime('%H:%M')}")
    for name in args.calls.split(","):
        for d in map(int, args.distances.split(",")):
            for mode in ("cold", "warm"):
                base = median(times[(name, d, mode, 0)])
                cells = [f"{median(times[(name, d, mode, w)]):.2f}"
                         + ("" if w == 0 else
                            f" ({median(times[(name, d, mode, w)]) / base:.2f}×)")
                         for w in range(len(workers))]
                print(f"{name} d={d} {mode}: " + " | ".join(cells))


if __name__ == "__main__":
    main()
