"""The package around the extension: suggestions, files, pickling, many processes."""

import copy
import os
import pickle

import pytest

import brindlemap
from brindlemap import build, load, match_many, save, suggest
from conftest import levenshtein

WORDS = ["car", "cart", "cat", "care", "dog", "cog", "bat", "scar", "ca"]


@pytest.fixture(scope="module")
def trie():
    return build(WORDS)


class TestSuggest:
    @pytest.mark.parametrize("word", ["car", "cas", "xyz", "", "scat"])
    @pytest.mark.parametrize("k", [1, 3, 20])
    def test_closest_first_then_by_rank(self, trie, word, k):
        within = [(levenshtein(word, w), p, w) for p, w in enumerate(WORDS)]
        by_payload = [(w, p, d) for d, p, w in sorted(within) if d <= 2][:k]
        by_word = [(w, p, d) for d, w, p in sorted((d, w, p) for d, p, w in within) if d <= 2][:k]
        assert suggest(trie, word, max_dist=2, k=k) == by_payload
        assert suggest(trie, word, max_dist=2, k=k, rank="word") == by_word

    def test_bounds(self, trie):
        assert suggest(trie, "car", k=0) == []
        assert suggest(trie, "zzzz", max_dist=0) == []
        for bad in {"max_dist": -1}, {"k": -1}:
            with pytest.raises(ValueError):
                suggest(trie, "car", **bad)


class TestFiles:
    def test_round_trip_and_pickling(self, trie, tmp_path):
        path = tmp_path / "words.idx"
        save(trie, path)
        assert load(path).to_bytes() == trie.to_bytes()
        for protocol in range(pickle.HIGHEST_PROTOCOL + 1):
            assert pickle.loads(pickle.dumps(trie, protocol)).to_bytes() == trie.to_bytes()
        assert copy.deepcopy(trie).fuzzy_match("cat", 1, None) == trie.fuzzy_match("cat", 1, None)

    @pytest.mark.parametrize("step", ["fsync", "replace"])
    def test_failed_write_keeps_the_old_file_and_leaves_no_temporary(self, trie, tmp_path,
                                                                      monkeypatch, step):
        path = tmp_path / "words.idx"
        path.write_bytes(b"old index")

        def failing(*args, **kwargs):
            raise OSError(28, "No space left on device")

        monkeypatch.setattr(os, step, failing)
        with pytest.raises(OSError):
            save(trie, path)
        assert path.read_bytes() == b"old index"
        assert os.listdir(tmp_path) == ["words.idx"]

    def test_corrupt_file_is_a_value_error(self, trie, tmp_path):
        path = tmp_path / "cut.idx"
        path.write_bytes(trie.to_bytes()[:-2])
        with pytest.raises(ValueError, match="is not a valid brindlemap index") as caught:
            load(path)
        assert caught.value.__cause__ is None  # an ordinary error, no internal failure behind it


def test_panic_exception_is_exposed():
    with pytest.raises(brindlemap.PanicException):
        brindlemap.from_internal_data([], [], [], []).exact_match("a")
    assert brindlemap.PanicException.__bases__ == (BaseException,)


class TestMatchMany:
    def test_equal_to_the_plain_loop_in_order(self, trie, monkeypatch):
        queries = [w[::-1] for w in WORDS] * 300 + ["", "cat"]
        expected = [trie.fuzzy_match(q, 2, 3) for q in queries]
        assert match_many(trie, queries, 2, 3, workers=2) == expected  # native threads
        # A node that nothing links to fails the shape check: then the loop, or the pool.
        shifts, chars, payloads, children = brindlemap.build_arrays(WORDS)
        malformed = brindlemap.from_internal_data(shifts + [len(children)], chars + ["q"],
                                                  payloads + [None], children)
        assert match_many(malformed, queries[:10], 2, 3) == expected[:10]
        monkeypatch.setattr("brindlemap.parallel.SMALL_BATCH", 100)
        assert match_many(malformed, queries, 2, 3, workers=2) == expected

    def test_regression_worker_failure_arrived_as_a_pickling_error(self, monkeypatch):
        # Node 2's child is out of range: "z" is answered, "ab" fails, in a worker process.
        broken = brindlemap.from_internal_data([0, 1, 2, 3], ["", "a", "b", "c"],
                                               [None, 1, 2, 3], [1, 2, 9])
        monkeypatch.setattr("brindlemap.parallel.SMALL_BATCH", 10)
        with pytest.raises(RuntimeError, match="index out of bounds: the len is 4"):
            match_many(broken, ["z"] * 20 + ["ab"], 0, workers=2)

    def test_refusals(self, trie):
        with pytest.raises(TypeError, match="query 1"):
            match_many(trie, ["a", 5], 1)
        with pytest.raises(TypeError, match="a str is one query"):
            match_many(trie, "cas", 1)
        with pytest.raises(ValueError, match="workers must be at least 1"):
            match_many(trie, ["a"], 1, workers=0)
        with pytest.warns(DeprecationWarning, match="now workers="):
            assert match_many(trie, ["a"], 0, processes=1) == match_many(trie, ["a"], 0)
        with pytest.raises(TypeError, match="not both"):
            match_many(trie, ["a"], 1, None, 1, processes=1)
        with pytest.raises(OverflowError):
            match_many(trie, ["a"], -1)
        assert match_many(trie, [], 1) == []
