"""Hostile arrays: malformed tries answer every method with a value or a clean exception."""

import re
import subprocess
import sys

from hypothesis import event, given, settings, strategies as st

from brindlemap import from_bytes, from_internal_data
from conftest import plain_allocator_only

CLEAN = (TypeError, OverflowError, ValueError, MemoryError)
PANIC = re.compile(r"index out of bounds: the len is (\d+) but the index is (\d+)"
                   r"|called `Option::unwrap\(\)` on a `None` value|malformed trie: .+")

u32 = st.integers(0, 12) | st.sampled_from([2**31, 2**32 - 1])
characters = st.sampled_from(["a", "b", "ab", "é", "😀", "\x00"])
node_strings = st.just("") | characters


@st.composite
def random_arrays(draw):
    """Four arrays of about one node count, with values mostly near it."""
    n = draw(st.integers(0, 8))
    inside = st.integers(0, max(n - 1, 0))
    near = st.one_of(inside, inside, inside, st.integers(0, n + 1), u32)
    elements = (near, node_strings, st.none() | near, near)
    return tuple(draw(st.lists(element, min_size=size, max_size=size))
                 for element in elements
                 for size in [draw(st.one_of(st.just(n), st.just(n), st.integers(0, 10)))])


@st.composite
def damaged_tree(draw, first_blow=None):
    """A well-formed trie, then a few blows: cuts, additions, bad shifts and children,
    absent characters, links back to an ancestor and children shared between parents."""
    parents = sorted(draw(st.lists(st.integers(0, 8), max_size=9)))
    parents = [min(p, i) for i, p in enumerate(parents)]  # level by level, a parent first
    n = len(parents) + 1
    arrays = [[sum(p < node for p in parents) for node in range(n)],
              [""] + draw(st.lists(characters, min_size=n - 1, max_size=n - 1)),
              draw(st.lists(st.none() | u32, min_size=n, max_size=n)), list(range(1, n))]
    for blow_number in range(draw(st.integers(1, 3))):
        which = draw(st.integers(0, 3))
        array = arrays[which]
        blow = first_blow if first_blow and blow_number == 0 else draw(
            st.sampled_from(["cut", "add", "set", "cycle", "share"]))
        if blow == "cut" and array:
            del array[draw(st.integers(0, len(array) - 1)):]
        elif blow == "add":
            array.append(draw([u32, node_strings, st.none() | u32, u32][which]))
        elif blow == "set" and array:
            value = [u32, st.just(""), st.none(), u32][which]
            array[draw(st.integers(0, len(array) - 1))] = draw(value)
        elif blow in ("cycle", "share") and arrays[3]:
            children = arrays[3]
            at = draw(st.integers(0, len(children) - 1))
            children[at] = 0 if blow == "cycle" else draw(st.sampled_from(children))
            if blow == "cycle" and arrays[1]:
                arrays[1][0] = "r"  # the root, now a child of a descendant, needs a character
    return tuple(arrays)


prefixes = st.text("abé😀", max_size=4) | st.just("a\ud800")
unsigned = st.integers(0, 5) | st.sampled_from([2**32, 2**64 - 1, 2**64, -1])
limits = st.none() | unsigned
node_ids = st.integers(0, 6) | st.integers(0, 14) | st.sampled_from([2**32 - 1, 2**32, -1])
fuzzy = st.tuples(st.just("fuzzy_match"), st.tuples(prefixes, unsigned, limits))
calls = st.one_of(
    fuzzy, fuzzy,
    st.tuples(st.just("exact_match"), st.tuples(prefixes)),
    st.tuples(st.just("get_children"), st.tuples(node_ids)),
    st.tuples(st.just("get_payload"), st.tuples(node_ids)),
    st.tuples(st.just("to_bytes"), st.just(())),
)


def outcome(trie, method, args):
    """The call's value, or its exception's type name and message, checked to be clean."""
    try:
        value = getattr(trie, method)(*args)
        event(f"{method}: answered")
        return value
    except BaseException as error:  # PanicException derives from BaseException
        kind = type(error).__name__
        assert kind == "PanicException" or isinstance(error, CLEAN), repr(error)
        if kind == "PanicException":
            message = str(error)
            match = PANIC.fullmatch(message)
            assert match, message
            if match.group(1) is not None:
                assert int(match.group(2)) >= int(match.group(1)), message
            event(f"{method}: {message.split(':')[0]}")
        return kind, str(error)


def check_value(arrays, method, args, value):
    if method == "fuzzy_match" and isinstance(value, list):
        # Every accepted node is a visit, and a walk visits at most as many nodes as it holds.
        assert len(value) <= len(arrays[2])
        if isinstance(args[2], int):
            assert len(value) <= args[2]
        for text, payload, distance in value:
            assert text and isinstance(payload, int) and distance <= args[1]


@settings(max_examples=400, deadline=None)
@given(arrays=st.one_of(random_arrays(), damaged_tree(), damaged_tree("cycle"),
                        damaged_tree("share")),
       plan=st.lists(calls, min_size=1, max_size=8))
def test_every_method_answers_cleanly_and_keeps_answering(arrays, plan):
    try:
        trie = from_internal_data(*arrays)
    except ValueError:  # a lone surrogate in a node string
        return
    decoded = from_bytes(trie.to_bytes())
    assert decoded.to_bytes() == trie.to_bytes()
    first = [outcome(trie, method, args) for method, args in plan]
    for (method, args), value in zip(plan, first):
        check_value(arrays, method, args, value)
    # The failures harmed nothing: both instances give the same answers again.
    for (method, args), value in zip(plan, first):
        assert outcome(trie, method, args) == value
        assert outcome(decoded, method, args) == value


FAN_OUT = """
import resource
from brindlemap import from_internal_data
n = 3000
trie = from_internal_data([0], ["a"], [None] * n, [0] * n)
vm = int(open("/proc/self/statm").read().split()[0]) * resource.getpagesize()
resource.setrlimit(resource.RLIMIT_AS, (vm + (512 << 20), resource.RLIM_INFINITY))
try:
    trie.fuzzy_match("", 2**64 - 1, None)
except BaseException as error:
    print(type(error).__name__, str(error).split(" (")[0])
"""


@plain_allocator_only
def test_regression_a_node_listed_as_its_own_child_many_times_is_refused_at_once():
    # Node 0 is its own child 3000 times over, and nothing is pruned: were the refusal left to
    # the visit count, 3000 visits would each schedule 3000 copies with ever longer texts,
    # tens of gigabytes in all, before the walk gave up.
    done = subprocess.run([sys.executable, "-c", FAN_OUT], capture_output=True, text=True,
                          timeout=120)
    assert done.returncode == 0, done.stderr
    assert done.stdout == (
        "PanicException malformed trie: the child links do not form a tree\n"), done.stderr
