"""The peers brindlemap is measured against, each behind the same call: query, max_dist ->
[(word, payload or None, distance), ...]. The lean C++ walk lives in lean_walk.cpp."""

import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent / "build"))


def lean_walk(arrays):
    import _lean_walk

    handle = _lean_walk.load(*arrays)
    return handle, _lean_walk


class RapidfuzzScan:
    """A full scan of the word list with rapidfuzz's Levenshtein distance and a cutoff."""

    def __init__(self, words):
        from rapidfuzz import process
        from rapidfuzz.distance import Levenshtein

        self.words = list(words)
        self.payloads = list(words.values())
        self._extract, self._scorer = process.extract, Levenshtein.distance

    def __call__(self, query, max_dist):
        found = self._extract(query, self.words, scorer=self._scorer, score_cutoff=max_dist,
                              limit=None)
        return [(word, self.payloads[i], d) for word, d, i in found]


class SymSpell:
    """symspellpy's symmetric-delete index with Verbosity.ALL and its Levenshtein distance
    (the LEVENSHTEIN_FAST comparer, computed by editdistpy)."""

    def __init__(self, words, max_dist):
        from symspellpy import SymSpell as Index, Verbosity
        from symspellpy.editdistance import DistanceAlgorithm, EditDistance

        self.index = Index(max_dictionary_edit_distance=max_dist,
                           distance_comparer=EditDistance(DistanceAlgorithm.LEVENSHTEIN_FAST))
        for word in words:
            self.index.create_dictionary_entry(word, 1)
        self.words, self.all = words, Verbosity.ALL

    def __call__(self, query, max_dist):
        found = self.index.lookup(query, self.all, max_edit_distance=max_dist)
        return [(s.term, self.words.get(s.term), s.distance) for s in found]


class PurePythonTrie:
    """The textbook trie of nested dicts, walked recursively with one Levenshtein row per node."""

    def __init__(self, words):
        self.root = {}
        for word, payload in words.items():
            node = self.root
            for c in word:
                node = node.setdefault(c, {})
            node[None] = payload

    def __call__(self, query, max_dist):
        results = []
        columns = len(query) + 1

        def walk(node, c, above, text):
            row = [above[0] + 1]
            for i in range(1, columns):
                row.append(min(row[i - 1] + 1, above[i] + 1, above[i - 1] + (query[i - 1] != c)))
            if row[-1] <= max_dist and None in node:
                results.append((text, node[None], row[-1]))
            if min(row) <= max_dist:
                for k, child in node.items():
                    if k is not None:
                        walk(child, k, row, text + k)

        first = list(range(columns))
        for k, child in self.root.items():
            if k is not None:
                walk(child, k, first, k)
        return results
