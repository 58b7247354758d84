"""What a Lexicon costs over the bare trie it holds: the time of its suggest beside
brindlemap.suggest on the same trie, and the memory it keeps per word.

    .venv/bin/python bench/lexicon_cost.py [WORD_LIST]

Speed: the shipped frequent-words list (counts made from its ranks) and the queries of
bench/queries/wamerican.tsv, both sides in one run, interleaved, CPU time, best of 15 rounds;
the bare trie is given the folded queries, so both sides walk alike. Memory: a lexicon of
WORD_LIST (default /usr/share/dict/american-english-insane) built in a fresh interpreter,
measured by tracemalloc plus the trie's bytes, and by resident size once freed memory is
handed back, before and after the ranked queries work out their per-node tables. A user's
own words: `with_words` of 1,000 made-up words over the shipped lexicon, wall time (median of
21 calls) and the memory the layered lexicon keeps (tracemalloc plus its trie's bytes).
"""

import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
FREQUENT = ROOT / "python" / "brindlemap" / "data" / "frequent-words.txt"
QUERIES = Path(__file__).resolve().parent / "queries" / "wamerican.tsv"

MEMORY = """
import ctypes, gc, sys, tracemalloc
from brindlemap import Lexicon

def resident():
    gc.collect()
    ctypes.CDLL("libc.so.6").malloc_trim(0)  # what the build freed goes back to the system
    return int(open("/proc/self/statm").read().split()[1]) * 4096

words = [line.rstrip("\\n") for line in open(sys.argv[1], encoding="utf-8") if line.strip()]
tracemalloc.start()
lexicon = Lexicon(words)
traced = tracemalloc.get_traced_memory()[0]
tracemalloc.stop()
trie = len(lexicon._trie.to_bytes())
del lexicon
before = resident()
lexicon = Lexicon(words)
built = resident() - before
lexicon.suggest("helo"), lexicon.complete("helo")
queried = resident() - before
n = len(words)
print(f"{lexicon!r}: tracemalloc {traced / n:.1f} + trie bytes {trie / n:.1f} = "
      f"{(traced + trie) / n:.1f} B/word; resident {built / n:.1f} B/word, "
      f"{queried / n:.1f} after suggest and complete")
"""


def _timed(call):
    start = time.process_time()
    call()
    return time.process_time() - start


def speed():
    from brindlemap import Lexicon, suggest
    words = [line.strip() for line in FREQUENT.open(encoding="utf-8") if line.strip()]
    lexicon = Lexicon({word: len(words) - rank for rank, word in enumerate(words)})
    queries = [line.rstrip("\n").split("\t")[1] for line in QUERIES.open(encoding="utf-8")]
    trie, folded = lexicon._trie, [lexicon._key(query) for query in queries]
    bare = lambda: [suggest(trie, q, 2, 10, metric="osa") for q in folded]  # noqa: E731
    mine = lambda: [lexicon.suggest(q, 2, 10) for q in queries]  # noqa: E731
    times = {bare: [], mine: []}
    for _ in range(15):
        for call, spent in times.items():
            spent.append(_timed(call))
    plain, lexicon_time = (min(spent) / len(queries) * 1e6 for spent in times.values())
    print(f"suggest on {len(queries)} queries: brindlemap.suggest {plain:.1f} us, "
          f"Lexicon.suggest {lexicon_time:.1f} us, ratio {lexicon_time / plain:.2f}")


def user_words():
    import tracemalloc
    from brindlemap import Lexicon
    english = Lexicon.english()
    words = [f"brindle{n}word" for n in range(1000)]
    times = []
    for _ in range(21):
        start = time.perf_counter()
        english.with_words(words)
        times.append(time.perf_counter() - start)
    tracemalloc.start()
    mine = english.with_words(words)
    kept = tracemalloc.get_traced_memory()[0] + len(mine._extra._trie.to_bytes())
    tracemalloc.stop()
    assert all(word in mine for word in words)
    print(f"with_words of 1,000 words over Lexicon.english(): {sorted(times)[10] * 1e3:.1f} ms, "
          f"{kept / 1e6:.2f} MB kept (targets: 10 ms, 1 MB)")


if __name__ == "__main__":
    speed()
    user_words()
    word_list = sys.argv[1] if len(sys.argv) > 1 else "/usr/share/dict/american-english-insane"
    subprocess.run([sys.executable, "-c", MEMORY, word_list], check=True)
