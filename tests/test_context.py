"""Neighbours in the text: bigram counts, guesses ranked in context, run-on words split and
known words caught in the wrong place."""

import math
import pickle
from array import array

import pytest
from hypothesis import given, settings, strategies as st

import brindlemap
from brindlemap import Lexicon, _search, segmenting
from brindlemap._types import MAX_COUNT
from brindlemap.context import pair_lift
from brindlemap.segmenting import UNKNOWN_COUNT, UNKNOWN_PER_LETTER
from conftest import osa

# "or" is commoner than "over" at the same distance from "ovr"; the pairs say which is meant.
WORDS = {"the": 1000, "or": 300, "over": 40, "jumped": 20, "dog": 30, "a": 500, "lot": 60,
         "of": 900, "in": 800, "fact": 50, "cat": 25}
PAIRS = {("jumped", "over"): 15, ("over", "the"): 100, ("a", "lot"): 200, ("lot", "of"): 100,
         ("in", "fact"): 40, ("the", "dog"): 20}


@pytest.fixture(scope="module")
def lexicon():
    return Lexicon(WORDS, bigrams=PAIRS)


@pytest.fixture(scope="module")
def strict():
    """The same, its short words but the commonest as rare in a split as a large lexicon's."""
    strict = Lexicon(WORDS, bigrams=PAIRS)
    with pytest.MonkeyPatch.context() as patch:
        patch.setattr(segmenting, "COMMON_ONE", 1)
        patch.setattr(segmenting, "COMMON_TWO", 3)
        assert segmenting.rare_short(strict) == bytes([0b11000])  # "a", "or": keys 3 and 4
    return strict


@pytest.mark.parametrize("word, before, after, first", [
    ("ovr", None, None, "or"),  # by counts alone
    ("ovr", "jumped", None, "over"),
    ("ovr", None, "the", "over"),
    ("ovr", "dog", "cat", "or"),  # neighbours with no pairs say nothing
    ("JUMPD", None, "OVER", "JUMPED"),  # the query's casing, as ever
])
def test_suggestions_ranked_in_their_context(lexicon, word, before, after, first):
    assert lexicon.suggest(word, before=before, after=after)[0].word == first


def test_regression_neighbours_were_ignored():
    english = Lexicon.english()
    assert english.correct("jumpd ovr the lazy dog").split()[1] == "over"
    assert english.suggest("ovr", k=1, before="jumped", after="the")[0].word == "over"


def test_bigrams_fold_add_up_and_travel_with_the_lexicon(tmp_path, lexicon):
    folded = Lexicon(WORDS).with_bigrams([(("The", "DOG"), 3), (("the", "dog"), 2),
                                          (("the", "unknown"), 9)])
    assert (folded.bigram("THE", "Dog"), folded.bigram("the", "unknown")) == (5, 0)
    assert folded.with_bigrams({}).bigram("the", "dog") == 0  # replaced, not merged
    assert lexicon.with_words(["zebra"]).bigram("a", "lot") == 200
    for copy in (Lexicon.from_bytes(lexicon.to_bytes()), pickle.loads(pickle.dumps(lexicon)),
                 Lexicon.from_bytes(lexicon.with_words(["zebra"]).to_bytes())):
        assert [copy.bigram(*pair) for pair in PAIRS] == list(PAIRS.values())
    lexicon.save(tmp_path / "x.lexicon")
    assert Lexicon.load(tmp_path / "x.lexicon").bigram("in", "fact") == 40
    # Without bigrams a lexicon's file is as earlier versions wrote it.
    assert Lexicon(WORDS).to_bytes() == Lexicon.from_bytes(Lexicon(WORDS).to_bytes()).to_bytes()


@pytest.mark.parametrize("pairs, error, message", [
    ("the dog", TypeError, "not a str"),
    ([("the", 3)], TypeError, "bigram 0"),
    ([(("the", 1), 3)], TypeError, "not a str"),
    ([(("the", "dog"), -1)], ValueError, "count of bigram 0"),
    ([(("the", "dog"), "3")], TypeError, "not an integer"),
])
def test_bad_bigrams_are_refused_naming_the_item(pairs, error, message):
    with pytest.raises(error, match=message):
        Lexicon(WORDS, bigrams=pairs)


def test_regression_totals_past_64_bits_summed_exactly():
    # The sums are made natively, which must carry rather than wrap.
    top = MAX_COUNT
    lexicon = Lexicon({"the": top, "dog": top, "cat": top},
                      bigrams={("the", "dog"): top, ("dog", "the"): top, ("the", "cat"): top})
    assert lexicon.total() == lexicon._bigrams.mass() == 3 * top > 2**64
    assert _search.number_span(array("Q", [5, 2**64 - 1, 3])) == (2**64 - 1, 2**64 + 7, 3)
    assert _search.number_span(array("Q")) == (0, 0, 0)


def _model_score(lexicon, pieces):
    """The score of a split by the model that `segment` states, worked out piece by piece."""
    total = lexicon.total()
    score, last, unknown_run = 0.0, None, False
    for piece in pieces:
        number = lexicon._base_number(piece)
        if number is None:
            score += (math.log(UNKNOWN_COUNT / total) if not unknown_run else 0.0) \
                - UNKNOWN_PER_LETTER * len(piece)
            last, unknown_run = None, True
            continue
        count = segmenting.RARE_SHORT_COUNT if segmenting.is_rare_short(lexicon, number) \
            else lexicon.count(piece)
        score += math.log(max(count, 1) / total)
        if last is not None:
            score += pair_lift(lexicon._bigrams, lexicon._tables.totals(), total, last, number)
        last, unknown_run = number, False
    return score


def _splits(text):
    if not text:
        yield []
        return
    for cut in range(1, len(text) + 1):
        for rest in _splits(text[cut:]):
            yield [text[:cut], *rest]


@settings(max_examples=150, deadline=None)
@given(st.lists(st.sampled_from(["a", "lot", "of", "the", "dog", "in", "fact", "x", "o"]),
                min_size=1, max_size=5).map("".join))
def test_segment_finds_the_best_split_that_brute_force_finds(lexicon, strict, text):
    for split_by in lexicon, strict:
        found = split_by.segment(text)
        assert "".join(found) == text
        assert _model_score(split_by, found) >= max(map(lambda s: _model_score(split_by, s),
                                                        _splits(text))) - 1e-9
    # The native descents find exactly the words that stretches of the text spell.
    spelt = {(start, end) for start, end, _, _ in _search.spelt_words(lexicon._trie, text, 32, 0)}
    assert spelt == {(i, j) for i in range(len(text)) for j in range(i + 1, len(text) + 1)
                     if text[i:j] in lexicon}


NEAR = ["the", "then", "than", "hen", "a", "at", "tea", "steam", "eat", "hat", "heath"]


@settings(max_examples=200, deadline=None)
@given(text=st.text("aehnst", max_size=9), max_edits=st.integers(0, 3),
       longest=st.integers(1, 7))
def test_near_words_are_those_brute_force_finds(text, max_edits, longest):
    trie = brindlemap.build(NEAR)
    found = _search.spelt_words(trie, text, longest, max_edits)
    assert [start for start, *_ in found] == sorted(start for start, *_ in found)
    expected = set()
    for start in range(len(text)):
        for end in range(start + 1, len(text) + 1):
            for payload, word in enumerate(NEAR):
                edits = osa(text[start:end], word)
                if len(word) <= longest and edits <= min(max_edits, len(word) // 3):
                    expected.add((start, end, payload, edits))
    assert set(found) == expected and len(found) == len(expected)


def test_segment_finds_words_past_their_slips():
    english = Lexicon.english()
    assert english.segment("Thequikbrwnfox, thsi", max_dist=1) == ["The", "quick", "brown",
                                                                  "fox", ",", "this"]
    assert english.segment("recieve") == ["rec", "i", "eve"]  # no edits unless asked
    assert english.segment("recieve", 2) == ["receive"]
    with pytest.raises(ValueError, match="max_dist must be from 0 to 2, not 3"):
        english.segment("a", 3)


def test_regression_segment_takes_the_words_laid_over_a_lexicon():
    mine = Lexicon.english().with_words(["brindlemap"])
    assert mine.segment("Usebrindlemapnow") == ["Use", "brindlemap", "now"]
    assert mine.segment("usebrindlemapnow", 1) == ["use", "brindlemap", "now"]
    assert Lexicon.english().segment("usebrindlemapnow") == ["use", "brindle", "map", "now"]


def test_regression_segment_keeps_contractions_possessives_and_numbers_whole():
    english = Lexicon.english()
    # An apostrophe had cut its word in three ("Id on ' t"), a number into its digits.
    assert english.segment("Idon’tknowwhatyou'resaying") == ["I", "don’t", "know", "what",
                                                            "you're", "saying"]
    assert english.segment("thedog'sbone,In1984pi3.14") == ["the", "dog's", "bone", ",",
                                                            "In", "1984", "pi", "3.14"]
    assert english.with_words(["brindlemap"]).segment("brindlemap'sjob") == ["brindlemap's",
                                                                             "job"]


def test_regression_segment_cut_codes_into_rare_short_words():
    english = Lexicon.english()
    # "kw ar gs", "i nj son": codes the lexicon lacks are pieces as written.
    assert english.segment("returnthemessageandkwargsmodified") == [
        "return", "the", "message", "and", "kwargs", "modified"]
    assert english.segment("escapedinjsonstrings") == ["escaped", "in", "json", "strings"]
    assert english.segment("Ithinkitisalotofwork") == ["I", "think", "it", "is", "a", "lot", "of",
                                                        "work"]


def test_segment_gives_pieces_as_written_where_a_letter_folds_to_two():
    lexicon = Lexicon({"die": 5, "strasse": 3, "ist": 9, "gross": 2})
    for slips in 0, 1:
        assert lexicon.segment("DieStraßeistgroß", slips) == ["Die", "Straße", "ist", "groß"]


def test_regression_segment_keeps_cannot_whole():
    # Google Books counts "cannot" as "can not": that pair's lift split it every time.
    assert Lexicon.english().segment("youcannotbeserious") == ["you", "cannot", "be", "serious"]


@pytest.mark.parametrize("others", [[5, 2, 1], [0, 99, 1], [0, 3], [0, 3, 2**64 - 1, 1, 1, 0],
                                    [0, 1, 0] * 5000])
def test_segment_passes_over_laid_words_that_do_not_fit(monkeypatch, others):
    monkeypatch.setattr(segmenting, "_own_words", lambda lexicon, folded: array("Q", others))
    assert "".join(Lexicon.english().segment("thecat")) == "thecat"


def test_run_ons_are_split_where_sure_and_offered_where_likelier():
    english = Lexicon.english()
    assert english.segment("Thequickbrownfox, 2 dogs") == ["The", "quick", "brown", "fox", ",",
                                                          "2", "dogs"]
    assert english.correct("I like it alot, infact thankyou") == \
        "I like it a lot, in fact thank you"
    # A run-on that nobody writes is a term more often than a slip: offered, not made, unless
    # its neighbours suit the split.
    assert english.correct("Inplace add; GUI inits") == "Inplace add; GUI inits"
    assert english.correct("it isnot so. Shouldbe fine") == "it is not so. Should be fine"
    assert english.check("GUI inits")[0].suggestions[0].word == "in its"
    # ...where the lexicon knows what people write: without that, a likely split is made.
    mine = Lexicon({"a": 900, "lot": 50, "it": 300, "allot": 1}).with_bigrams(
        [(("a", "lot"), 40), (("it", "a"), 30)])
    assert (mine.heard("alot"), mine.correct("it alot")) == (None, "it a lot")
    offered, = english.check("thequickbrownfox")
    assert (offered.suggestions[0].word, offered.fix) == ("the quick brown fox", None)
    # A piece of two letters is a common word, not a code: no split is offered of
    # "alogirhtm" (had been "a log i rh tm"), though "let me" is.
    assert [[s.word for s in m.suggestions[:1]] for m in english.check("alogirhtm letme")] \
        == [[], ["let me"]]
    # Compounds of long words are a term the lexicon lacks, not a run-on.
    assert english.correct("The namespace and the runtime") == "The namespace and the runtime"


def test_known_words_in_the_wrong_place_are_flagged_only_when_asked():
    english = Lexicon.english()
    # "they file", "his a": by the pairs the bigram list lacks though chance would make them
    # common; "cor": a word too rare for the list to pair, against a rival it pairs both ways;
    # "yo": a word the list never saw, against a far commoner rival it pairs both ways.
    slips = ("I got a letter form my friend. They lost there car. It is in they file. The "
             "object his a name. You may modify cor distribute it. So that yo have it.")
    assert english.check(slips) == []
    flagged = english.check(slips, real_words=True)
    assert [(m.word, m.suggestions[0].word, m.fix) for m in flagged] == [
        ("form", "from", None), ("there", "their", None), ("they", "the", None),
        ("his", "is", None), ("cor", "or", None), ("yo", "you", None)]
    assert english.correct(slips) == slips
    # A short word's likeliest rival may lie past dozens of others a slip away ("a" for "at").
    assert [m.suggestions[0].word for m in english.check("Do not impose at fee.",
                                                           real_words=True)] == ["a"]
    # "favor": unpaired only because the list spells it "favour"; "dead ant": said again; a
    # table's columns are no neighbours.
    clean = ("I got a letter from my friend. They lost their car. Form a line, Dr Form. It is "
             "in the file. The object has a name. I am in favor of it. A dead ant, a dead ant.\n"
             "I think you're right. A blond woman. Beware of a tall blond man. "
             "letter\tform  my")
    assert english.check(clean, real_words=True) == []
    # A phrase said twice is meant, unless the text says a rival's far more often: the same
    # slip made twice.
    licence = "Use it in the Work. " * 60 + "Keep it in tie Work; it is in tie Work."
    assert [m.word for m in english.check(licence, real_words=True)] == ["tie", "tie"]
    # ...but alone, "blond" is "blind" (a word the text writes elsewhere is the likelier).
    assert [m.word for m in english.check("A dead ant. Beware of a tall blond man.",
                                          real_words=True)] == ["ant", "blond"]
    with pytest.raises(TypeError, match="real_words"):
        english.check(slips, real_words="yes")
