"""search and suggest against brute force over the whole word list, under both metrics, on
tries laid out level by level and at random."""

import inspect
import threading

import pytest
from hypothesis import given, settings, strategies as st

import brindlemap
from brindlemap import (_search, build, build_arrays, complete, from_internal_data, search,
                        search_many, suggest)
from brindlemap import Costs, MalformedTrieError, save
from brindlemap._search import band_search
from conftest import DISTANCE, completions, expected_completions, layout

ALPHABET = "abcdefghijé中😀"  # more letters than a short run of siblings holds
# Words of 300 more characters than a trie's one-byte character codes hold, at several depths:
# the rarest of them are read from the layout's side table.
CROWDED = {chr(0x4E00 + i) * (1 + i % 3): 2**32 - 1 - i for i in range(300)}


@settings(max_examples=200, deadline=None)
@given(words=st.dictionaries(st.text(ALPHABET, min_size=1, max_size=7),
                             st.integers(0, 2**32 - 1), max_size=30),
       rng=st.randoms(use_true_random=False), query=st.text(ALPHABET, max_size=8),
       max_dist=st.integers(0, 4), metric=st.sampled_from(["levenshtein", "osa"]),
       k=st.integers(0, 6), crowded=st.booleans())
def test_queries_agree_with_brute_force(words, rng, query, max_dist, metric, k, crowded):
    if crowded:
        words = CROWDED | words
        query += chr(0x4E00 + len(query))
    distance = DISTANCE[metric]
    within = [(w, p, distance(query, w)) for w, p in words.items()]
    within = [m for m in within if m[2] <= max_dist]
    built = build(words)
    payloads = build_arrays(words)[2]  # as the walks' layout gives them, by rank
    assert [built.get_payload(i) for i in range(len(payloads))] == payloads
    # Built, numbered at random, and level by level with each run of siblings reversed.
    backwards = layout(words, order=lambda characters: sorted(characters, reverse=True))
    for trie in built, from_internal_data(*layout(words, rng=rng)), from_internal_data(*backwards):
        found = search(trie, query, max_dist, metric=metric)
        assert sorted(found) == sorted(within)
        assert found == band_search(trie, query, max_dist, metric, None)
        assert search(trie, query, max_dist, metric=metric, limit=k) == found[:k]
        if metric == "levenshtein":
            assert found == trie.fuzzy_match(query, max_dist, None)
        by_payload = sorted(within, key=lambda m: (m[2], m[1], m[0]))[:k]
        by_word = sorted(within, key=lambda m: (m[2], m[0]))[:k]
        assert suggest(trie, query, max_dist, k, metric=metric) == by_payload
        assert suggest(trie, query, max_dist, k, metric=metric, rank="word") == by_word
        assert completions(trie, query, max_dist, k, metric) == expected_completions(
            words, query, max_dist, k, distance)


def walk_order(query):
    """The order of the band walk over a trie of sorted runs: a word before its continuations,
    and where two words part at position i, the one that goes on with query[i] first, the
    others by code point."""
    return lambda match: [-1 if i < len(query) and c == query[i] else ord(c)
                          for i, c in enumerate(match[0])]


def planted(word, edits):
    """`word` with each edit made near the middle of what it has become: (kind, offset from the
    middle, character), kind one of insert, delete, replace or swap (of the two characters
    about that place)."""
    text = list(word)
    for kind, offset, c in edits:
        at = max(0, min(len(text), len(text) // 2 + offset))
        if kind == "insert":
            text.insert(at, c)
        elif kind == "delete" and at < len(text):
            del text[at]
        elif kind == "replace" and at < len(text):
            text[at] = c
        elif kind == "swap" and 1 <= at < len(text):
            text[at - 1], text[at] = text[at], text[at - 1]
    return "".join(text)


@settings(max_examples=300, deadline=None)
@given(words=st.lists(st.text("abcé", min_size=1, max_size=9), min_size=1, max_size=25,
                      unique=True),
       pick=st.integers(0, 24),
       edits=st.lists(st.tuples(st.sampled_from(["insert", "delete", "replace", "swap"]),
                                st.integers(-2, 2), st.sampled_from("abcé")),
                      min_size=1, max_size=3),
       metric=st.sampled_from(["levenshtein", "osa"]), limit=st.sampled_from([None, 1, 3]))
def test_edits_planted_about_the_split_point_are_found_in_walk_order(words, pick, edits, metric,
                                                                     limit):
    # The split search divides the query at its middle; an insertion between the halves or a
    # swap across them belongs to neither half alone.
    query = planted(words[pick % len(words)], edits)
    distance = DISTANCE[metric]
    trie = build(words)
    for max_dist in range(1, len(edits) + 1):
        within = [(w, p, distance(query, w)) for p, w in enumerate(words)]
        expected = sorted([m for m in within if m[2] <= max_dist], key=walk_order(query))
        assert search(trie, query, max_dist, metric=metric, limit=limit) == expected[:limit]
        if metric == "levenshtein":
            assert trie.fuzzy_match(query, max_dist, limit) == expected[:limit]


@pytest.mark.parametrize("word, query, metric", [
    ("juan", "jun", "levenshtein"),  # an insertion right between the halves
    ("abcdef", "abdcef", "osa"),  # a swap across them
    ("abcdef", "abcxdef", "osa"),
])
def test_regression_split_search_finds_edits_between_the_halves(word, query, metric):
    assert search(build([word, "zzzzzz"]), query, 1, metric=metric) == [(word, 0, 1)]


def test_completion_of_a_mistyped_prefix():
    trie = build({"hello": 5, "help": 2, "helmet": 9, "world": 1, "hero": 3, "he": 7})
    assert complete(trie, "hel", 0) == [("help", 2, 0), ("hello", 5, 0), ("helmet", 9, 0)]
    assert complete(trie, "hlep", 1, metric="osa", k=1) == [("help", 2, 1)]
    assert complete(trie, "", 0, k=2) == [("world", 1, 0), ("help", 2, 0)]


def test_transpositions_cost_one_under_osa_only():
    trie = build({"the": 1, "recieve": 2, "friend": 3})
    assert suggest(trie, "teh", 1, metric="levenshtein") == []
    assert suggest(trie, "teh", 1, metric="osa") == [("the", 1, 1)]
    assert search(trie, "receive", 1, metric="osa") == [("recieve", 2, 1)]
    assert search(trie, "freind", 2, metric="osa") == [("friend", 3, 1)]


@pytest.mark.parametrize("query, found", [
    # A swapped pair is the commonest typo: the ranked queries count it as one edit unasked.
    (lambda trie: suggest(trie, "teh", 1), [("the", 1, 1)]),
    (lambda trie: complete(trie, "hlep", 1, k=1), [("help", 2, 1)]),
    (lambda trie: search_many(trie, ["teh"], 1, k=1), [[("the", 1, 1)]]),
    # Unranked, the walk stays fuzzy_match's.
    (lambda trie: search(trie, "teh", 1), []),
    (lambda trie: search_many(trie, ["teh"], 1), [[]]),
])
def test_regression_ranked_queries_default_to_osa(query, found):
    assert query(build({"the": 1, "help": 2, "helpful": 3})) == found


def test_refusals_are_ordinary_exceptions():
    malformed = from_internal_data([0, 0], ["", "a"], [None, 1], [1])
    with pytest.raises(ValueError, match="^malformed trie"):
        search(malformed, "a")
    with pytest.raises(ValueError, match="'metric': must be 'levenshtein' or 'osa', not 'lev'"):
        search(build(["a"]), "a", metric="lev")
    with pytest.raises(ValueError, match="'rank'"):
        suggest(build(["a"]), "a", rank="frequency")
    with pytest.raises(TypeError, match="argument 'trie': 'str' object cannot be converted"):
        search("a", "a")


def test_native_costs_refuse_what_the_walks_cannot_take():
    with pytest.raises(TypeError, match="cannot create"):
        _search.EditCosts()  # made whole by edit_costs, or not at all
    plain = {"insert": 10, "delete": 10, "substitute": 10, "transpose": 10, "double": None,
             "undouble": None}
    for name, bad in (("insert", 0), ("transpose", 2**20 + 1), ("double", -1)):
        with pytest.raises(ValueError, match="must (be in 1..1048576|not be negative)"):
            _search.edit_costs({**plain, name: bad}, [], [], [])
    with pytest.raises(TypeError, match="must give a cost for 'undouble'"):
        _search.edit_costs({k: v for k, v in plain.items() if k != "undouble"}, [], [], [])
    with pytest.raises(TypeError, match="one character"):
        _search.edit_costs(plain, [("ab", "c", 3)], [], [])
    table = _search.edit_costs(plain, [("a", "b", 3)], [], [("a", 4)])
    assert search(build(["b", "aa"]), "a", 5, metric=table) == [("aa", 1, 4), ("b", 0, 3)]


def test_regression_a_weighted_table_is_held_while_the_walk_reads_it():
    plain = {"insert": 10, "delete": 10, "substitute": 10, "transpose": 10, "double": None,
             "undouble": None}

    class Fresh:  # hands out a table that nothing else holds: the query must keep it alive
        @property
        def _compiled(self):
            return _search.edit_costs(plain, [("a", "b", 3)], [], [("a", 4)])

    trie = build(["b", "aa"])
    assert search(trie, "a", 5, metric=Fresh()) == [("aa", 1, 4), ("b", 0, 3)]
    assert search_many(trie, ["a"] * 8, 5, metric=Fresh(), threads=2) == [
        [("aa", 1, 4), ("b", 0, 3)]] * 8


def test_bounds_and_messages_the_python_side_states_are_the_native_ones(tmp_path):
    plain = {"insert": _search.MAX_COST, "delete": 10, "substitute": 10, "transpose": 10,
             "double": None, "undouble": None}
    Costs(insert=_search.MAX_COST), _search.edit_costs(plain, [], [], [])
    for refuse in (lambda: Costs(insert=_search.MAX_COST + 1),
                   lambda: _search.edit_costs({**plain, "insert": _search.MAX_COST + 1}, [],
                                              [], [])):
        with pytest.raises(ValueError, match=f"must be in 1..{_search.MAX_COST}, not"):
            refuse()
    malformed = from_internal_data([0, 0], ["", "a"], [None, 1], [1])
    for refuse in (lambda: search(malformed, "a"), lambda: save(malformed, tmp_path / "x")):
        with pytest.raises(MalformedTrieError) as refused:
            refuse()
        assert str(refused.value).startswith(_search.MALFORMED_TRIE)


def test_search_many_gives_the_loops_answers_whatever_the_threads():
    words = {w: i for i, w in enumerate(["car", "cart", "cat", "care", "dog", "cög", "😀a"])}
    trie = build(words)
    queries = ["car", "dgo", "", "cxt", "😀", "ca"] * 20
    loop = [search(trie, q, 2) for q in queries]
    best = [suggest(trie, q, 2, 3, metric="osa") for q in queries]
    for threads in 1, 2, 7, None:
        assert search_many(trie, queries, 2, threads=threads) == loop
        assert search_many(trie, iter(queries), 2, threads=threads) == loop
        assert search_many(trie, queries, 2, k=3, metric="osa", threads=threads) == best
    assert search_many(trie, [], 2) == []
    assert search_many(trie, queries, 2, limit=1) == [found[:1] for found in loop]

    # One instance, several Python threads at once, each batch on native threads.
    outcomes = []
    runners = [threading.Thread(target=lambda: outcomes.append(
        search_many(trie, queries, 2, threads=2) == loop)) for _ in range(4)]
    for runner in runners:
        runner.start()
    for runner in runners:
        runner.join()
    assert outcomes == [True] * 4

    with pytest.raises(TypeError, match="a str is one query"):
        search_many(trie, "car")
    with pytest.raises(ValueError, match="limit and k exclude each other"):
        search_many(trie, queries, limit=1, k=1)


# Each query with its count parameters: one declaration gives them all the same checks.
COUNTS = [(search, "max_dist"), (search, "limit"), (suggest, "max_dist"), (suggest, "k"),
          (complete, "max_dist"), (complete, "k"), (search_many, "max_dist"),
          (search_many, "limit"), (search_many, "k"), (search_many, "threads")]
QUERIES = [search, suggest, complete, search_many]


def ask(query, trie, *args, **kwargs):
    return query(trie, ["ca"] if query is search_many else "ca", *args, **kwargs)


@pytest.mark.parametrize("query, name", COUNTS)
def test_negative_limit_raises_value_error_like_negative_max_dist(words, query, name):
    with pytest.raises(ValueError, match=f"^{name} must not be negative, not -1$"):
        ask(query, words, **{name: -1})


@pytest.mark.parametrize("query, name", [c for c in COUNTS if c[1] != "max_dist"])
def test_count_beyond_64_bits_raises_value_error_not_overflow_error(words, query, name):
    with pytest.raises(ValueError, match=f"^{name} must be at most 18446744073709551615, not "):
        ask(query, words, **{name: 2**64})


@pytest.mark.parametrize("query, name", COUNTS)
def test_non_integer_max_dist_names_its_parameter_like_limit(words, query, name):
    with pytest.raises(TypeError, match=f"^argument '{name}': 'str' object cannot be interpreted"):
        ask(query, words, **{name: "1"})


@pytest.mark.parametrize("query", QUERIES)
def test_native_queries_state_their_defaults_and_keyword_only_options(words, query):
    # The package's names are the native functions, which bind as their signatures read.
    assert getattr(brindlemap, query.__name__) is getattr(_search, query.__name__)
    shown = str(inspect.signature(query))
    assert "max_dist=" in shown and ", *, metric=" in shown, shown
    positional = shown[:shown.index("*")].count(",")  # the parameters before the *
    with pytest.raises(TypeError, match=f"takes from 2 to {positional} positional arguments "
                                        f"but {positional + 1} were given"):
        ask(query, words, *range(positional - 1))
