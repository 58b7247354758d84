"""fuzzy_match of two or more builds of the extension, each timed beside symspellpy the way
bench/split_targets.py times one build (one call of each per query, the order turning from
query to query, no call repeated), with the builds taking each query in turn, so that the
machine's drift falls on all of them alike:

    python bench/builds_beside_symspell.py BUILD_DIR BUILD_DIR ... [--distance 1] [--per-kind 60]

Each BUILD_DIR is a folder holding a `brindlemap` package (an install's site-packages, or a copy
of it). One worker process per build loads wamerican-insane's trie and a symspellpy index of the
same words. Prints each build's medians and its ratio to symspellpy in its own process.
"""

import argparse
import os
import subprocess
import sys
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
from builds_side_by_side import INSANE, KINDS, trie_file  # noqa: E402
from measure import median  # noqa: E402
from wordlists import load_queries  # noqa: E402

WORKER = r"""
import sys, time
sys.path.insert(0, sys.argv[1])
sys.path.insert(0, sys.argv[4])
import brindlemap
from peers import SymSpell
from wordlists import load_words
d = int(sys.argv[3])
with open(sys.argv[2], "rb") as f:
    trie = brindlemap.from_bytes(f.read())
index = SymSpell(load_words(sys.argv[5]), d)
trie.fuzzy_match("warmup", d, None)  # the reversed trie made before timing
calls = (lambda q: trie.fuzzy_match(q, d, None), lambda q: index(q, d))
clock = time.perf_counter_ns
print("ready", flush=True)
for line in sys.stdin:
    first, q = line.rstrip("\n").split("\t", 1)
    took = [0, 0]
    for which in ((0, 1), (1, 0))[int(first)]:
        start = clock(); calls[which](q); took[which] = clock() - start
    print(took[0], took[1], flush=True)
"""


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("builds", nargs="+")
    parser.add_argument("--distance", type=int, default=1)
    parser.add_argument("--per-kind", type=int, default=60)
    args = parser.parse_args()
    path = trie_file()
    workers = [subprocess.Popen([sys.executable, "-c", WORKER, build, str(path),
                                 str(args.distance), str(HERE), INSANE],
                                stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True,
                                env=dict(os.environ)) for build in args.builds]
    for worker in workers:
        assert worker.stdout.readline().strip() == "ready"
    queries = load_queries("wamerican-insane")
    sample = [q for kind in KINDS for q in [q for k, q in queries if k == kind][: args.per_kind]]
    times = {w: ([], []) for w in range(len(workers))}
    for step, q in enumerate(sample):
        order = range(len(workers)) if step % 2 else reversed(range(len(workers)))
        for w in order:
            workers[w].stdin.write(f"{step % 2}\t{q}\n")
            workers[w].stdin.flush()
            ours, theirs = map(int, workers[w].stdout.readline().split())
            times[w][0].append(ours / 1000)
            times[w][1].append(theirs / 1000)
    for worker in workers:
        worker.stdin.close()
        worker.wait()
    print(f"{len(sample)} wamerican-insane queries, max_dist {args.distance}, medians in µs, "
          f"{time.strftime('%H:%M')}")
    for w, build in enumerate(args.builds):
        ours, theirs = median(times[w][0]), median(times[w][1])
        print(f"{build}: fuzzy_match {ours:.2f} against symspellpy {theirs:.2f}: "
              f"{ours / theirs:.3f}×")


if __name__ == "__main__":
    main()
