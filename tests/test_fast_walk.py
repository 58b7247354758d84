"""The specialised road of the match queries against the general walk, record for record, on
random well-formed tries; and the shape check that decides between them."""

import ctypes
import os
import random
import subprocess
import sys
from pathlib import Path

import pytest
from hypothesis import given, settings, strategies as st

from brindlemap.builder import build_arrays
from conftest import CAR_CAT_DOG, layout

ROOT = Path(__file__).resolve().parent.parent
ABSENT_CHAR = 0xFFFFFFFF
GENERAL_FUZZY, FAST_FUZZY, GENERAL_EXACT, FAST_EXACT, FAST_FUZZY_WIDE = range(5)


def build_walk_check():
    """The path of the test library: the one the sanitizer build made, or a fresh Release
    build of it with the venv's own CMake."""
    if os.environ.get("BRINDLEMAP_WALK_CHECK"):
        return os.environ["BRINDLEMAP_WALK_CHECK"]
    bin_dir = Path(sys.executable).parent
    build = ROOT / "build" / "walk-check"
    subprocess.run([bin_dir / "cmake", "-S", ROOT, "-B", build, "-G", "Ninja",
                    f"-DCMAKE_MAKE_PROGRAM={bin_dir / 'ninja'}", "-DCMAKE_BUILD_TYPE=Release",
                    f"-DPython_EXECUTABLE={sys.executable}"], check=True, capture_output=True)
    subprocess.run([bin_dir / "cmake", "--build", build, "--target", "walk_check"],
                   check=True, capture_output=True)
    return str(next(build.glob("*walk_check*.so")))


@pytest.fixture(scope="module")
def native():
    lib = ctypes.CDLL(build_walk_check())
    u32p, i64p = ctypes.POINTER(ctypes.c_uint32), ctypes.POINTER(ctypes.c_int64)
    size = ctypes.c_size_t
    lib.walk_check_trie.restype = ctypes.c_void_p
    lib.walk_check_trie.argtypes = [u32p, size, u32p, size, i64p, size, u32p, size]
    lib.walk_check_free.argtypes = [ctypes.c_void_p]
    lib.walk_check_shape.restype = ctypes.c_int64
    lib.walk_check_shape.argtypes = [ctypes.c_void_p]
    lib.walk_check_breadth_first.argtypes = [ctypes.c_void_p]
    lib.walk_check_records.restype = size
    lib.walk_check_records.argtypes = [ctypes.c_void_p, ctypes.c_int, u32p, size,
                                       ctypes.c_uint64, ctypes.c_int64, ctypes.c_char_p, size]
    return lib


class NativeTrie:
    def __init__(self, lib, shifts, chars, payloads, children):
        def array(kind, values):
            return (kind * len(values))(*values), len(values)

        codes = [ord(c[0]) if c else ABSENT_CHAR for c in chars]
        payload_codes = [-1 if p is None else p for p in payloads]
        self.lib = lib
        self.handle = lib.walk_check_trie(*array(ctypes.c_uint32, shifts),
                                          *array(ctypes.c_uint32, codes),
                                          *array(ctypes.c_int64, payload_codes),
                                          *array(ctypes.c_uint32, children))

    def __del__(self):
        self.lib.walk_check_free(self.handle)

    def shape(self):
        return self.lib.walk_check_shape(self.handle)

    def breadth_first(self):
        return bool(self.lib.walk_check_breadth_first(self.handle))

    def records(self, road, query, max_dist=0, limit=None):
        codes = (ctypes.c_uint32 * len(query))(*map(ord, query))
        limit = -1 if limit is None else limit
        capacity = 4096
        while True:
            out = ctypes.create_string_buffer(capacity)
            needed = self.lib.walk_check_records(self.handle, road, codes, len(query), max_dist,
                                                 limit, out, capacity)
            if needed <= capacity:
                break
            capacity = needed
        lines = out.raw[:needed].decode("utf-8").splitlines()
        return [(text, int(node), int(dist)) for text, node, dist in
                (line.split("\t") for line in lines)]


ALPHABET = "abcé中😀"
WORDS = st.dictionaries(st.text(ALPHABET, min_size=1, max_size=7),
                        st.integers(0, 2**32 - 1), max_size=30)


@settings(max_examples=300, deadline=None)
@given(words=WORDS, rng=st.randoms(use_true_random=False),
       queries=st.lists(st.text(ALPHABET, max_size=8), min_size=1, max_size=4),
       max_dist=st.integers(0, 5) | st.just(2**64 - 1), limit=st.none() | st.integers(0, 8))
def test_fast_road_gives_the_general_walks_records_in_order(native, words, rng, queries,
                                                            max_dist, limit):
    arrays, deepest = layout(words, rng=rng), max(map(len, words), default=0)
    shuffled, level_by_level = NativeTrie(native, *arrays), NativeTrie(native, *build_arrays(words))
    assert shuffled.shape() == deepest and level_by_level.shape() == (deepest if words else 0)
    assert level_by_level.breadth_first()
    assert shuffled.breadth_first() == (arrays[3] == list(range(1, len(arrays[0]))))
    for trie in shuffled, level_by_level:
        for query in queries + list(words)[:3]:
            general = trie.records(GENERAL_FUZZY, query, max_dist, limit)
            assert trie.records(FAST_FUZZY, query, max_dist, limit) == general
            assert trie.records(FAST_FUZZY_WIDE, query, max_dist, limit) == general
            assert trie.records(FAST_EXACT, query) == trie.records(GENERAL_EXACT, query)


def test_fast_road_on_a_deep_chain_and_a_wide_root(native):
    # Queries as long as the chain, with bands narrower and wider than the query.
    chain = "ab" * 2000
    arrays = layout({chain: 1, chain[:1000]: 2}, rng=random.Random(0))
    trie = NativeTrie(native, *arrays)
    for query, max_dist in [(chain[:998], 3), ("", 2**64 - 1), (chain, 0), (chain[1:], 1),
                            ("b" + chain, 2), (chain[:3000], 2500), ("a" * 5000, 2**64 - 1)]:
        general = trie.records(GENERAL_FUZZY, query, max_dist)
        assert trie.records(FAST_FUZZY, query, max_dist) == general
        assert trie.records(FAST_FUZZY_WIDE, query, max_dist) == general
    wide = {chr(0x4E00 + i): i for i in range(3000)}
    trie = NativeTrie(native, *layout(wide, rng=random.Random(1)))
    for query in ["一", "丁x", ""]:
        assert trie.records(FAST_FUZZY, query, 1) == trie.records(GENERAL_FUZZY, query, 1)
        assert trie.records(FAST_EXACT, query) == trie.records(GENERAL_EXACT, query)


@pytest.mark.parametrize("arrays, depth", [
    (CAR_CAT_DOG, 3),
    (([0], [""], [None], []), 0),
    (([0], ["x"], [4], []), 0),  # the root's own character plays no part
    (([0, 1, 1], ["", "b", "a"], [None, 1, 2], [2, 1]), 2),  # 2 is the root's child, 1 its
    (([0, 2, 2], ["", "b", "a"], [None, 1, 2], [1, 2]), 1),  # siblings out of order
    (([0, 2, 2], ["", "b", "a"], [None, 1, 2], [2, 1]), 1),
])
def test_shape_check_accepts_well_formed_tries(native, arrays, depth):
    assert NativeTrie(native, *arrays).shape() == depth


@pytest.mark.parametrize("arrays", [
    pytest.param(([], [], [], []), id="no nodes"),
    pytest.param(([0], [], [], []), id="unequal lengths"),
    pytest.param(([0, 1], ["", "a"], [None, 1], [1, 1]), id="cycle"),
    pytest.param(([0, 2, 3, 4], ["", "a", "b", "c"], [None] * 4, [1, 2, 3, 3]), id="shared"),
    pytest.param(([0, 0, 1], ["", "a", "b"], [None] * 3, [2, 1]), id="unreachable loop"),
    pytest.param(([0, 1], ["", "a"], [None] * 2, [0]), id="root listed"),
    pytest.param(([0, 1], ["", "a"], [None] * 2, [5]), id="child beyond nodes"),
    pytest.param(([0, 1], ["", ""], [None] * 2, [1]), id="child without character"),
    pytest.param(([0, 2, 2], ["", "a", "a"], [None] * 3, [1, 2]), id="equal siblings"),
    pytest.param(([0, 3, 3, 3], ["", "b", "a", "b"], [None] * 4, [1, 2, 3]),
                 id="equal unsorted siblings"),
    pytest.param(([0, 3, 3, 3], ["", "b", "a", "b"], [None] * 4, [3, 2, 1]),
                 id="equal unsorted siblings, numbered otherwise"),
    pytest.param(([0, 3, 3, 3], ["", "b", "a", ""], [None] * 4, [1, 2, 3]),
                 id="child without character after unsorted siblings"),
    pytest.param(([0, 0], ["", "a"], [None] * 2, [1]), id="own child, numbered level by level"),
    pytest.param(([0, 1, 1, 1], ["", "a", "b", "c"], [None] * 4, [1, 2, 3]),
                 id="child below its parent's number"),
    pytest.param(([0, 2, 1], ["", "a", "b"], [None] * 3, [1, 2]), id="decreasing shifts"),
    pytest.param(([1, 1], ["", "a"], [None] * 2, [1]), id="first run not at 0"),
    pytest.param(([0, 1], ["", "a"], [None] * 2, [1, 1]), id="extra link"),
    pytest.param(([0, 3], ["", "a"], [None] * 2, [1]), id="run beyond links"),
])
def test_shape_check_refuses_malformed_tries(native, arrays):
    trie = NativeTrie(native, *arrays)
    assert trie.shape() == -1
