"""Throughput of to_bytes and from_bytes on the trie of a word list, in MB/s.

Usage: python bench/quick_serial.py [WORDLIST] [REPEATS]
(default /usr/share/dict/american-english-insane, Debian's wamerican-insane, 5 repeats).
"""

import sys
import time

from brindlemap import from_bytes, from_internal_data


def trie_arrays(words):
    """The four arrays of the trie of `words`, numbered level by level, siblings sorted by code
    point, each word's payload its line number (the first line, for a repeated word)."""
    line_of = {}
    for line, word in enumerate(words, 1):
        line_of.setdefault(word, line)
    ordered = sorted(line_of)
    shifts, strings, payloads, children = [], [""], [], []
    # Each node is the run ordered[lo:hi] of the words that share its text, of length depth.
    level = [(0, len(ordered), 0)]
    next_id = 1
    while level:
        below = []
        for lo, hi, depth in level:
            shifts.append(len(children))
            if lo < hi and len(ordered[lo]) == depth:
                payloads.append(line_of[ordered[lo]])
                lo += 1  # the node's own word sorts before every longer one
            else:
                payloads.append(None)
            while lo < hi:
                c = ordered[lo][depth]
                end = lo + 1
                while end < hi and ordered[end][depth] == c:
                    end += 1
                children.append(next_id)
                strings.append(c)
                below.append((lo, end, depth + 1))
                next_id += 1
                lo = end
        level = below
    return shifts, strings, payloads, children


def best_seconds(call, repeats):
    best = float("inf")
    for _ in range(repeats):
        start = time.perf_counter()
        call()
        best = min(best, time.perf_counter() - start)
    return best


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else "/usr/share/dict/american-english-insane"
    repeats = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    with open(path, encoding="utf-8") as f:
        words = [line.rstrip("\n") for line in f]
    arrays = trie_arrays(words)
    trie = from_internal_data(*arrays)
    data = trie.to_bytes()
    assert from_bytes(data).to_bytes() == data
    megabytes = len(data) / 1e6
    print(f"{len(words)} words, {len(arrays[0])} nodes, {megabytes:.2f} MB serialized")
    print(f"to_bytes:   {megabytes / best_seconds(trie.to_bytes, repeats):8.0f} MB/s")
    print(f"from_bytes: {megabytes / best_seconds(lambda: from_bytes(data), repeats):8.0f} MB/s")


if __name__ == "__main__":
    main()
