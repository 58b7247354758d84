"""fuzzy_match and exact_match: hand-made tries, malformed tries, argument errors, and a
property test against a brute-force reference."""

import pytest
from hypothesis import given, settings, strategies as st

from brindlemap._brindlemap import from_internal_data
from conftest import A_AB_B, CAR_CAT_DOG, CYCLE, layout, levenshtein, panic_message

DOG_FIRST = ([0, 2, 3, 4, 5, 7, 7, 7], ["", "d", "c", "o", "a", "g", "r", "t"],
             [None] * 5 + [12, 10, 11], [1, 2, 3, 4, 5, 6, 7])


def reference_matches(arrays, query, max_dist):
    """Pre-order over the arrays' tree, entering first the child with the next query character."""
    shifts, chars, payloads, children = arrays
    found = []

    def walk(node, text):
        distance = levenshtein(query, text)
        if text and payloads[node] is not None and distance <= max_dist:
            found.append((text, payloads[node], distance))
        end = shifts[node + 1] if node + 1 < len(shifts) else len(children)
        wanted = query[len(text)] if len(text) < len(query) else None
        for child in sorted(children[shifts[node]:end], key=lambda c: chars[c] != wanted):
            walk(child, text + chars[child])

    walk(0, "")
    return found


def trie(arrays):
    return from_internal_data(*arrays)


WITH_ROOT_PAYLOAD = layout({"": 99, "car": 10, "cat": 11, "dog": 12})
ASTRAL = layout({"a😀b": 1, "a𝄞b": 2, "ab": 3})
ALL_AT_3 = [("car", 10, 3), ("cat", 11, 3), ("dog", 12, 3)]


@pytest.mark.parametrize(
    "arrays, query, max_dist, limit, expected",
    [
        (CAR_CAT_DOG, "cas", 1, None, [("car", 10, 1), ("cat", 11, 1)]),
        (CAR_CAT_DOG, "cas", 1, 1, [("car", 10, 1)]),
        (CAR_CAT_DOG, "cat", 1, None, [("cat", 11, 0), ("car", 10, 1)]),
        (DOG_FIRST, "cas", 1, None, [("car", 10, 1), ("cat", 11, 1)]),
        (CAR_CAT_DOG, "", 1, None, []),
        (CAR_CAT_DOG, "", 3, None, ALL_AT_3),
        (CAR_CAT_DOG, "car", 0, None, [("car", 10, 0)]),
        (CAR_CAT_DOG, "ca", 0, None, []),
        (CAR_CAT_DOG, "cars", 1, None, [("car", 10, 1)]),
        (CAR_CAT_DOG, "Car", 1, None, [("car", 10, 1)]),
        (WITH_ROOT_PAYLOAD, "", 5, None, ALL_AT_3),
        (A_AB_B, "b", 1, None, [("b", 5, 0), ("a", 7, 1), ("ab", 300, 1)]),
        (A_AB_B, "b", 1, 2, [("b", 5, 0), ("a", 7, 1)]),
        (A_AB_B, "b", 1, 0, []),
        (A_AB_B, "b", 0, None, [("b", 5, 0)]),
        (A_AB_B, "", 1, None, [("a", 7, 1), ("b", 5, 1)]),
        (A_AB_B, "ab", 2, None, [("a", 7, 1), ("ab", 300, 0), ("b", 5, 1)]),
        (A_AB_B, "ab", 2, 2**64 - 1, [("a", 7, 1), ("ab", 300, 0), ("b", 5, 1)]),
        # Astral characters count as one; the children of "a" are stored b, 𝄞, 😀.
        (ASTRAL, "axb", 1, None, [("ab", 3, 1), ("a𝄞b", 2, 1), ("a😀b", 1, 1)]),
        (ASTRAL, "a𝄞b", 1, None, [("a𝄞b", 2, 0), ("ab", 3, 1), ("a😀b", 1, 1)]),
    ],
)
def test_fuzzy_match(arrays, query, max_dist, limit, expected):
    assert trie(arrays).fuzzy_match(query, max_dist, limit) == expected


@pytest.mark.parametrize(
    "arrays, prefix, expected",
    [
        (A_AB_B, "ab", ("ab", 300, 0)),
        (A_AB_B, "b", ("b", 5, 0)),
        (A_AB_B, "", None),
        (A_AB_B, "abc", None),
        (A_AB_B, "B", None),
        (WITH_ROOT_PAYLOAD, "", None),
        (layout({"z": 0}), "z", ("z", 0, 0)),
    ],
)
def test_exact_match(arrays, prefix, expected):
    assert trie(arrays).exact_match(prefix) == expected


def test_arguments_bind_by_keyword():
    search = trie(A_AB_B)
    assert search.fuzzy_match(limit=2, prefix="b", max_dist=0) == [("b", 5, 0)]
    assert search.exact_match(prefix="b") == ("b", 5, 0)


FUZZY, EXACT = "PrefixSearch.fuzzy_match()", "PrefixSearch.exact_match()"
NOT_TEXT = "argument 'prefix': 'int' object cannot be converted to 'PyString'"
NOT_INDEX = "argument '{}': '{}' object cannot be interpreted as an integer"
NEGATIVE = "can't convert negative int to unsigned"


@pytest.mark.parametrize(
    "call, error, message",
    [
        ("fuzzy_match('b', 1)", TypeError,
         f"{FUZZY} missing 1 required positional argument: 'limit'"),
        ("fuzzy_match()", TypeError,
         f"{FUZZY} missing 3 required positional arguments: 'prefix', 'max_dist', and "
         "'limit'"),
        ("exact_match('a', 'b')", TypeError,
         f"{EXACT} takes 1 positional arguments but 2 were given"),
        ("exact_match(5)", TypeError, NOT_TEXT),
        ("fuzzy_match(5, 'x', 'y')", TypeError, NOT_TEXT),
        ("fuzzy_match('a', 'x', 'y')", TypeError, NOT_INDEX.format("max_dist", "str")),
        ("fuzzy_match('a', -1, 'y')", OverflowError, NEGATIVE),
        ("fuzzy_match('a', 2**64, None)", OverflowError, "int too big to convert"),
        ("fuzzy_match('a', 1, 1.5)", TypeError, NOT_INDEX.format("limit", "float")),
        ("fuzzy_match('a', 1, -1)", OverflowError, NEGATIVE),
    ],
)
def test_binding_and_conversion_errors(call, error, message):
    with pytest.raises(error) as info:
        eval("search." + call, {"search": trie(A_AB_B)})
    assert type(info.value) is error and str(info.value) == message


@pytest.mark.parametrize(
    "call", [lambda s: s.fuzzy_match("a", 9, None), lambda s: s.exact_match("")]
)
def test_trie_without_nodes_fails_at_the_root(call):
    search = from_internal_data([], [], [], [])
    message = panic_message(call, search)
    assert message == "index out of bounds: the len is 0 but the index is 0"


def test_regression_siblings_with_the_same_character_are_all_entered():
    # Two children of the root carry "a"; the first of them has the child "b".
    search = from_internal_data([0, 2, 3, 3], ["", "a", "a", "b"], [None, 1, 2, 3], [1, 2, 3])
    assert search.fuzzy_match("a", 1, None) == [("a", 2, 0), ("a", 1, 0), ("ab", 3, 1)]
    assert search.exact_match("a") == ("a", 2, 0)
    assert search.exact_match("ab") == ("ab", 3, 0)


SHARED = ([0, 2, 3, 4], ["", "a", "b", "c"], [None, None, None, 5], [1, 2, 3, 3])  # 3 under 1, 2


@pytest.mark.parametrize(
    "arrays, pruned_query, pruned", [(CYCLE, "b", []), (SHARED, "ac", [("ac", 5, 0)])]
)
def test_regression_child_links_that_do_not_form_a_tree_end_the_walk(arrays, pruned_query, pruned):
    search = trie(arrays)
    message = panic_message(search.fuzzy_match, "a", 10**9, None)
    assert message.startswith("malformed trie: ") and "do not form a tree" in message
    # A walk pruned before it meets a node twice never notices; the failure harmed nothing.
    assert search.fuzzy_match(pruned_query, 0, None) == pruned


ALPHABET = "abcéü中文😀𝄞"


@settings(max_examples=300, deadline=None)
@given(
    words=st.dictionaries(st.text(ALPHABET, max_size=6), st.integers(0, 2**32 - 1), max_size=25),
    shuffled=st.booleans(),
    rng=st.randoms(use_true_random=False),
    query=st.text(ALPHABET, max_size=7),
    max_dist=st.integers(0, 4),
    limit=st.integers(0, 6),
)
def test_matches_agree_with_brute_force(words, shuffled, rng, query, max_dist, limit):
    def order(chars):
        return rng.sample(chars, len(chars)) if shuffled else sorted(chars)

    arrays = layout(words, order)
    search = trie(arrays)
    brute = {(w, p, levenshtein(query, w)) for w, p in words.items() if w}
    expected = reference_matches(arrays, query, max_dist)
    assert set(expected) == {m for m in brute if m[2] <= max_dist}

    found = search.fuzzy_match(query, max_dist, None)
    assert found == expected
    assert search.fuzzy_match(query, max_dist, limit) == found[:limit]
    exact = search.fuzzy_match(query, 0, None)
    assert search.exact_match(query) == (exact[0] if exact else None)
    if query in words and query:
        assert search.exact_match(query) == (query, words[query], 0)
    # A bound beyond every length visits every node exactly once.
    assert sorted(search.fuzzy_match(query, 100, None)) == sorted(brute)
