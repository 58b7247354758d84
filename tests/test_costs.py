"""Costs: the weighted reference distance against plain OSA, the presets' edits, and the
checks of a rule's costs."""

import pickle

import pytest
from hypothesis import given, strategies as st

from brindlemap.costs import Costs, weighted_distance
from conftest import osa

WORDS = st.text("abcé", max_size=6)


@given(WORDS, WORDS)
def test_plain_costs_are_osa_in_their_unit(query, word):
    assert weighted_distance(query, word, Costs()) == osa(query, word)
    assert weighted_distance(query, word, Costs(unit=10)) == 10 * osa(query, word)


@pytest.mark.parametrize("query, word, cost", [
    ("tomorow", "tomorrow", 5),  # undoubled
    ("tommorrow", "tomorrow", 5),  # doubled
    ("teh", "the", 8),
    ("cafe", "café", 3),
    ("CAFE", "CAFÉ", 3),
    ("hrllo", "hello", 6),  # r is next to e
    ("HRLLO", "HELLO", 6),
    ("hxllo", "hello", 10),
    ("accomodate", "accommodate", 5),
    ("helo", "hello", 5),
])
def test_english_costs(query, word, cost):
    assert weighted_distance(query, word, Costs.english()) == cost


def test_layouts_and_value_semantics():
    assert [Costs.keyboard(layout).substitution("z", "a") for layout in
            ("qwerty", "qwertz", "azerty")] == [6, 10, 6]
    english = Costs.english()
    assert pickle.loads(pickle.dumps(english)) == english == Costs.english()
    assert len({english, Costs.english(), Costs()}) == 2


@pytest.mark.parametrize("kwargs, error, message", [
    ({"insert": 0}, ValueError, "insert must be in 1..1048576, not 0"),
    ({"unit": 1 << 21}, ValueError, "unit must be in"),
    ({"substitutions": {("a", "b"): 1, ("b", "a"): 2}}, ValueError, "different costs"),
    ({"substitutions": {("ab", "b"): 1}}, TypeError, "one character"),
    ({"double": 1.5}, TypeError, "integer"),
])
def test_bad_costs_are_refused(kwargs, error, message):
    with pytest.raises(error, match=message):
        Costs(**kwargs)
