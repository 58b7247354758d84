"""Shared tries and helpers for the test suite."""

import os
import subprocess
import sys
import textwrap

import pytest

from brindlemap import _brindlemap as bm
from brindlemap import complete

# The words car, cat and dog with payloads 10, 11 and 12, nodes numbered level by level.
CAR_CAT_DOG = (
    [0, 2, 3, 4, 6, 7, 7, 7],
    ["", "c", "d", "a", "o", "r", "t", "g"],
    [None, None, None, None, None, 10, 11, 12],
    [1, 2, 3, 4, 5, 6, 7],
)
# Node 1 is its own child: arrays that from_internal_data takes but the shape check refuses.
CYCLE = ([0, 1], ["", "a"], [None, 1], [1, 1])
# a (7), ab (300), b (5); the node of "ab" is numbered before that of "b".
A_AB_B = ([0, 2, 3, 3], ["", "a", "b", "b"], [None, 7, 300, 5], [1, 3, 2])


def layout(words, order=sorted, rng=None):
    """The four arrays of a trie of `words` (text -> payload; "" puts a payload on the root).
    Nodes are numbered level by level, each node's children stored by `order` (a function of
    their characters); with `rng`, nodes are numbered and children stored at random instead."""
    kids = {"": []}
    for word in words:
        for depth in range(1, len(word) + 1):
            if word[:depth] not in kids:
                kids[word[:depth]] = []
                kids[word[:depth - 1]].append(word[:depth])
    if rng is None:
        for text, below in kids.items():
            below[:] = [text + c for c in order([k[-1] for k in below])]
        numbered = [""]
        for text in numbered:  # grows while it is walked: breadth first
            numbered += kids[text]
    else:
        numbered = [""] + rng.sample(list(kids)[1:], len(kids) - 1)
        for below in kids.values():
            rng.shuffle(below)
    ids = {text: i for i, text in enumerate(numbered)}
    shifts, children = [], []
    for text in numbered:  # runs follow node numbers, whatever the order of the tree
        shifts.append(len(children))
        children += [ids[kid] for kid in kids[text]]
    return shifts, [t[-1:] for t in numbered], [words.get(t) for t in numbered], children


@pytest.fixture
def words():
    return bm.from_internal_data(*CAR_CAT_DOG)


def panic_of(call, *args, **kwargs):
    """Runs a call that must fail internally and returns the PanicException it raised."""
    with pytest.raises(BaseException) as caught:
        call(*args, **kwargs)
    error = caught.value
    assert type(error).__name__ == "PanicException", repr(error)
    return error


def panic_message(call, *args, **kwargs):
    error = panic_of(call, *args, **kwargs)
    assert len(error.args) == 1
    return error.args[0]


def run_python(code, timeout=60, **env):
    """Runs `code` in a fresh interpreter, which must succeed within `timeout` seconds; returns
    (stdout, stderr)."""
    environment = {k: v for k, v in os.environ.items() if k != "BRINDLEMAP_BACKTRACE"}
    environment.update(env)
    done = subprocess.run([sys.executable, "-c", textwrap.dedent(code)], capture_output=True,
                          text=True, env=environment, timeout=timeout)
    assert done.returncode == 0, done.stderr
    return done.stdout, done.stderr


# Builders of tries with very long words, made from their arrays at once (the builder would take
# the words' whole text): code for the fresh interpreters of run_python, and for bench/.
LONG_SHAPES = """
from brindlemap import from_internal_data

def stem_with_leaves(length, leaves):
    # A stem of `length` a's whose last node has `leaves` children, each a word (payloads 0...).
    shifts = list(range(length + 1)) + [length + leaves] * leaves
    chars = [""] + ["a"] * length + [chr(0x10000 + i) for i in range(leaves)]
    payloads = [None] * (length + 1) + list(range(leaves))
    return from_internal_data(shifts, chars, payloads, list(range(1, length + leaves + 1)))

def chain(length, every_prefix=False):
    # One word of `length` a's (payload 0), and with every_prefix each of its beginnings too.
    payloads = [None] + (list(range(length - 1, -1, -1)) if every_prefix else
                         [None] * (length - 1) + [0])
    return from_internal_data(list(range(length + 1)), [""] + ["a"] * length, payloads,
                              list(range(1, length + 1)))
"""


def out_of_bounds(length, index):
    return f"index out of bounds: the len is {length} but the index is {index}"


# Set by tools/sanitize.sh: the suite runs against the AddressSanitizer build.
SANITIZED = os.environ.get("BRINDLEMAP_SANITIZED") == "1"

# Limits on address space mean nothing to a sanitizer runtime, which reserves terabytes of it.
plain_allocator_only = pytest.mark.skipif(
    SANITIZED,
    reason="the sanitizer runtime reserves address space beyond any small limit")


def osa(a, b):
    """Optimal string alignment: Levenshtein plus the swap of two adjacent characters."""
    d = [[i + j if i * j == 0 else 0 for j in range(len(b) + 1)] for i in range(len(a) + 1)]
    for i in range(1, len(a) + 1):
        for j in range(1, len(b) + 1):
            d[i][j] = min(d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] != b[j - 1]))
            if i > 1 and j > 1 and a[i - 1] == b[j - 2] and a[i - 2] == b[j - 1]:
                d[i][j] = min(d[i][j], d[i - 2][j - 2] + 1)
    return d[-1][-1]


def levenshtein(a, b):
    """Edit distance by the textbook dynamic programme: the reference for the queries."""
    row = list(range(len(b) + 1))
    for i, ca in enumerate(a, 1):
        previous, row[0] = row[0], i
        for j, cb in enumerate(b, 1):
            previous, row[j] = row[j], min(row[j] + 1, row[j - 1] + 1, previous + (ca != cb))
    return row[-1]


# The reference distance of each metric, by name.
DISTANCE = {"levenshtein": levenshtein, "osa": osa}


def completions(trie, typed, max_dist, k, metric):
    """complete's answers under both ranks."""
    return [complete(trie, typed, max_dist, k, metric=metric, rank=rank)
            for rank in ("payload", "word")]


def expected_completions(words, typed, max_dist, k, distance):
    """By brute force: the prefix distance of a word is its least distance to any beginning."""
    reach = [(w, p, min(distance(typed, w[:j]) for j in range(len(w) + 1)))
             for w, p in words.items()]
    reach = [m for m in reach if m[2] <= max_dist]
    return [sorted(reach, key=lambda m: (m[2], m[1], m[0]))[:k],
            sorted(reach, key=lambda m: (m[2], m[0]))[:k]]


@pytest.fixture(scope="session")
def language_cache(tmp_path_factory):
    """A cache folder of its own for the lexicons that for_language builds, shared by the
    session's tests so that each dictionary is built once."""
    folder = tmp_path_factory.mktemp("cache")
    with pytest.MonkeyPatch.context() as patch:
        patch.setenv("XDG_CACHE_HOME", str(folder))
        yield folder


@pytest.fixture(scope="session")
def system_lexicon(language_cache):
    """Lexicon.for_language of a system dictionary, skipping where it is not installed (make
    test installs hunspell-fr and hunspell-de-de)."""
    from brindlemap import Lexicon
    from brindlemap.errors import DictionaryNotFoundError

    def open_language(language):
        try:
            return Lexicon.for_language(language)
        except DictionaryNotFoundError as error:
            pytest.skip(f"{error.package} is not installed")
    return open_language
