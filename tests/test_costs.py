"""Costs: the weighted reference distance against plain OSA, the presets' edits, the checks of
a rule's costs, and the queries under weighted edits against brute force over the words."""

import pickle

import pytest
from hypothesis import given, settings, strategies as st

from brindlemap import (Costs, Lexicon, build, from_internal_data, search, search_many,
                        suggest)
from brindlemap.costs import _rebuilt, weighted_distance
from conftest import completions, expected_completions, layout, osa

ALPHABET = "abcé"
WORDS = st.text(ALPHABET, max_size=6)
SMALL = st.integers(1, 4)


@st.composite
def costs(draw):
    """A rule of small costs, with some cheap (or dear) pairs and characters, doubling or not."""
    pairs = draw(st.dictionaries(st.tuples(st.sampled_from(ALPHABET), st.sampled_from(ALPHABET))
                                 .filter(lambda pair: pair[0] < pair[1]), SMALL, max_size=4))
    letters = st.dictionaries(st.sampled_from(ALPHABET), SMALL, max_size=2)
    return Costs(insert=draw(SMALL), delete=draw(SMALL), substitute=draw(SMALL),
                 transpose=draw(SMALL), substitutions=pairs, insertions=draw(letters),
                 deletions=draw(letters), double=draw(st.none() | SMALL),
                 undouble=draw(st.none() | SMALL))


@given(WORDS, WORDS)
def test_plain_costs_are_osa_in_their_unit(query, word):
    assert weighted_distance(query, word, Costs()) == osa(query, word)
    assert weighted_distance(query, word, Costs(unit=10)) == 10 * osa(query, word)


@given(WORDS, WORDS, costs())
def test_weighted_distance_is_the_same_spelt_backwards(query, word, rule):
    # The split search measures the query's second half on a trie of reversed words.
    assert weighted_distance(query[::-1], word[::-1], rule) == weighted_distance(query, word, rule)


@pytest.mark.parametrize("query, word, cost", [
    ("tomorow", "tomorrow", 7),  # undoubled
    ("tommorrow", "tomorrow", 7),  # doubled
    ("teh", "the", 7),
    ("cafe", "café", 7),
    ("CAFE", "CAFÉ", 7),
    ("hrllo", "hello", 7),  # r is next to e
    ("HRLLO", "HELLO", 7),
    ("hxllo", "hello", 10),
    ("hllo", "hello", 7),
    ("hhello", "hello", 7),
    ("hjello", "hello", 10),  # an extra letter, even a neighbour
    ("heelo", "hello", 10),  # the double misplaced: one substitution beats two doubling edits
])
def test_english_costs(query, word, cost):
    assert weighted_distance(query, word, Costs.english()) == cost


def test_layouts_and_value_semantics():
    assert [Costs.keyboard(layout).substitution("z", "a") for layout in
            ("qwerty", "qwertz", "azerty")] == [6, 10, 6]
    english = Costs.english()
    assert pickle.loads(pickle.dumps(english)) == english == Costs.english()
    assert len({english, Costs.english(), Costs()}) == 2

    class EarlierPickle:  # what earlier versions wrote for a Costs
        def __reduce__(self):
            return _rebuilt, (10, 10, 7, 10, 7, {("a", "b"): 3}, {}, {"x": 4}, 7, None)
    assert pickle.loads(pickle.dumps(EarlierPickle())) == Costs(
        unit=10, delete=7, transpose=7, substitutions={("a", "b"): 3}, deletions={"x": 4},
        double=7)


def test_costs_cannot_drift_from_their_compiled_table():
    english = Costs.english()
    for name in ("unit", "double", "_compiled", "anything"):
        with pytest.raises(AttributeError, match="cannot assign"):
            setattr(english, name, 1)
    with pytest.raises(TypeError):
        english.__init__(unit=1)  # a second compilation is refused before anything changes
    with pytest.raises(TypeError):
        english.substitutions[("a", "b")] = 1
    assert english == Costs.english() and english.unit == 10


@pytest.mark.parametrize("kwargs, error, message", [
    ({"insert": 0}, ValueError, "insert must be in 1..1048576, not 0"),
    ({"unit": 1 << 21}, ValueError, "unit must be in"),
    ({"substitutions": {("a", "b"): 1, ("b", "a"): 2}}, ValueError, "different costs"),
    ({"substitutions": {("ab", "b"): 1}}, TypeError, "one character"),
    ({"substitutions": {("a", "b"): 0}}, ValueError, r"must be in 1\.\.1048576, not 0"),
    ({"substitutions": {("a", "a"): 1}}, ValueError, "for itself"),
    ({"double": 1.5}, TypeError, "integer"),
])
def test_bad_costs_are_refused(kwargs, error, message):
    with pytest.raises(error, match=message):
        Costs(**kwargs)


@settings(max_examples=150, deadline=None)
@given(words=st.dictionaries(st.text(ALPHABET, min_size=1, max_size=6),
                             st.integers(0, 2**32 - 1), max_size=20),
       rng=st.randoms(use_true_random=False), query=WORDS, rule=costs(),
       max_dist=st.integers(0, 12), k=st.integers(0, 6))
def test_queries_under_weighted_edits_agree_with_brute_force(words, rng, query, rule, max_dist,
                                                            k):
    def distance(typed, word):
        return weighted_distance(typed, word, rule)

    within = [(w, p, distance(query, w)) for w, p in words.items()]
    within = [m for m in within if m[2] <= max_dist]
    best = sorted(within, key=lambda m: (m[2], m[1], m[0]))[:k]
    for trie in build(words), from_internal_data(*layout(words, rng=rng)):
        found = search(trie, query, max_dist, metric=rule)
        assert sorted(found) == sorted(within)
        assert search_many(trie, [query, query[::-1]], max_dist, metric=rule) == [
            found, search(trie, query[::-1], max_dist, metric=rule)]
        ranked = suggest(trie, query, max_dist, k, metric=rule)
        assert [m[2] for m in ranked] == [m[2] for m in best] and set(ranked) <= set(within)
        assert search_many(trie, [query], max_dist, metric=rule, k=k) == [ranked]
        assert completions(trie, query, max_dist, k, rule) == expected_completions(
            words, query, max_dist, k, distance)


LEXICON = {"test": 900, "text": 300, "tests": 120, "toast": 40, "best": 700, "testing": 50}


@pytest.mark.parametrize("query", ["tset", "tst", "txsx", "tes", "bets"])
def test_lexicon_queries_default_to_as_many_plain_edits_in_the_metric_unit(query):
    lexicon, tenfold = Lexicon(LEXICON), Costs(unit=10)

    def scaled(answers):
        return [answer._replace(distance=10 * answer.distance) for answer in answers]

    for name in ("suggest", "complete", "search"):
        assert getattr(lexicon, name)(query, metric=tenfold) == scaled(
            getattr(lexicon, name)(query)), name
    assert lexicon.lookup_many([query], metric=tenfold) == [scaled(lexicon.suggest(query))]
    assert lexicon.correct(query, metric=tenfold) == lexicon.correct(query)
    assert lexicon.suggest("tset", metric=Costs.english())[0] == ("test", 900, 7)
