"""Every callable, called many times on its success and failure paths, leaves nothing behind."""

import gc
import sys
from array import array

import pytest

from brindlemap import _brindlemap as bm, _search
from conftest import CAR_CAT_DOG

ROUNDS = 1000


class Index:
    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


class RaisingIndex:
    """Raises a new error each time: re-raising one object would grow its traceback."""

    def __init__(self, make_error):
        self.make_error = make_error

    def __index__(self):
        raise self.make_error()


def panic_type():
    try:
        bm.from_internal_data([], [], [], []).get_payload(0)
    except BaseException as error:
        return type(error)


def cases():
    """(name, call, arguments whose reference counts must come back) for each path."""
    words = bm.from_internal_data(*CAR_CAT_DOG)
    empty = bm.from_internal_data([], [], [], [])
    cyclic = bm.from_internal_data([0, 1], ["", "a"], [1, 2], [1, 1])
    shifts, strings, payloads, children = (list(a) for a in CAR_CAT_DOG)
    data = words.to_bytes()
    text = "ca" + "s"
    cause = KeyError("cause")
    panic = panic_type()

    def chained():
        error = TypeError("plain")
        error.__cause__ = cause
        return error

    def python_panic():
        return panic("from Python")

    # The type too: every instance holds a reference to it, which its deallocation gives back.
    lengths, numbers = array("I", [3, 3]), array("I", [1, 2])
    keep = [shifts, strings, payloads, children, data, text, cause, bm.PrefixSearch, lengths,
            numbers, _search.Places]

    def call(function, *args, **kwargs):
        def run():
            try:
                function(*args, **kwargs)
            except BaseException:
                pass
        return run

    yield "build", call(bm.from_internal_data, shifts, strings, payloads, children), keep
    yield "build binding", call(bm.from_internal_data, shifts, strings, node_shifts=[]), keep
    yield "build str", call(bm.from_internal_data, shifts, "abc", payloads, children), keep
    yield "build overflow", call(bm.from_internal_data, shifts, strings, [2**32], children), keep
    yield "build surrogate", call(bm.from_internal_data, [0], ["\ud800"], [None], []), keep
    yield "build not a sequence", call(bm.from_internal_data, shifts, strings, payloads, {}), keep
    yield "native build", call(_search.build, b"catcar", lengths, numbers), keep
    yield "native build items", call(_search.build, b"catcar", [3, 3], [1, Index(2)]), keep
    yield "native build not UTF-8", call(_search.build, b"cat\xffar", lengths, numbers), keep
    yield "native build disagreeing", call(_search.build, b"cat", lengths, numbers), keep
    yield "arrays", call(_search.arrays, words), keep
    yield "places", call(lambda: _search.places(lengths)[2]), keep
    yield "places out of range", call(lambda: _search.places(lengths)[3]), keep
    yield "places refused", call(_search.places, lengths, least=4), keep
    yield "run sums refused", call(_search.run_sums, numbers, lengths), keep
    yield "query defaults", call(_search.suggest, words, text), keep
    yield "query count refused", call(_search.search_many, words, [text], limit=-1), keep
    yield "query choice refused", call(_search.complete, words, text, metric="lev"), keep
    yield "children", call(words.get_children, 0), keep
    yield "children panic", call(words.get_children, 99), keep
    yield "payload wrapped", call(words.get_payload, RaisingIndex(chained)), keep
    yield "payload resumed panic", call(words.get_payload, RaisingIndex(python_panic)), keep
    yield "payload index object", call(words.get_payload, Index(5)), keep
    yield "fuzzy", call(words.fuzzy_match, text, 2, None), keep
    yield "fuzzy limit", call(words.fuzzy_match, text, Index(1), Index(1)), keep
    yield "fuzzy binding", call(words.fuzzy_match, text, 1), keep
    yield "fuzzy conversion", call(words.fuzzy_match, text, -1, None), keep
    yield "fuzzy empty trie", call(empty.fuzzy_match, text, 1, None), keep
    yield "fuzzy malformed", call(cyclic.fuzzy_match, "", 50, None), keep
    yield "exact", call(words.exact_match, "cat"), keep
    yield "exact conversion", call(words.exact_match, b"cat"), keep
    yield "to_bytes", call(words.to_bytes), keep
    yield "from_bytes", call(bm.from_bytes, data), keep
    yield "from_bytes list", call(bm.from_bytes, list(data)), keep
    yield "from_bytes truncated", call(bm.from_bytes, data[:-3]), keep
    yield "from_bytes str", call(bm.from_bytes, "abc"), keep
    yield "from_bytes overflow", call(bm.from_bytes, [1, 300]), keep


CASES = list(cases())


@pytest.mark.parametrize("name, run, keep", CASES, ids=[c[0] for c in CASES])
def test_no_blocks_or_references_are_left_behind(name, run, keep, capfd):
    for _ in range(100):  # interpreter caches fill during the first calls
        run()
    capfd.readouterr()  # the failure reports on standard error are expected
    gc.collect()
    references = [sys.getrefcount(k) for k in keep]
    blocks = sys.getallocatedblocks()
    for _ in range(ROUNDS):
        run()
    capfd.readouterr()
    gc.collect()
    grown = sys.getallocatedblocks() - blocks
    assert [sys.getrefcount(k) for k in keep] == references
    assert grown < ROUNDS // 10, f"{grown} blocks left after {ROUNDS} calls"
