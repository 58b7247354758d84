"""Each language's rules in check and correct: its elisions and endings known by their word,
fixed with the elision kept, and no other language's rules applied."""

import pickle

import pytest

from brindlemap import Lexicon
from brindlemap.languages import profile, speaking

WORDS = {
    "fr": {"homme": 90, "il": 900, "est": 800, "hier": 50, "autre": 70, "été": 60, "ai": 300,
           "aujourd'hui": 80, "un": 900, "à": 900, "on": 700, "dog": 3, "ce": 400},
    "it": {"uomo": 90, "anno": 80, "altra": 70, "acqua": 40, "è": 900, "era": 300},
    "ca": {"home": 90, "aigua": 40, "porta": 50, "dóna": 30, "me": 60},
    "de": {"gibt": 90, "geht": 80, "es": 900, "Hans": 30, "Haus": 70},
    "es": {"hombre": 90, "agua": 80, "el": 900},
    "en": {"do": 30, "the": 900, "dog": 80, "dogs": 60, "can": 200, "homme": 1},
}


@pytest.mark.parametrize("language, text, flagged, corrected", [
    ("fr", "L'homme qu’il n'est d'hier, c'est d'autre. L’été j’ai aujourd’hui "
     "jusqu'à l'on", [], None),
    ("fr", "l'homne qu’ill jusqu'a", ["l'homne", "qu’ill"], "l'homme qu’il jusqu'a"),
    ("fr", "dog's", ["dog's"], None),  # English's possessive is not French
    ("it", "l'uomo dell'anno un'altra nell'acqua c'è c'era", [], None),
    ("it", "dell'ano un'alta", ["dell'ano", "un'alta"], "dell'anno un'altra"),
    ("ca", "l'home d'aigua porta'l dóna'm", [], None),
    ("ca", "l'hoem", ["l'hoem"], "l'home"),
    ("de", "gibt's geht’s Hans' Haus", [], None),
    ("de", "gibbt's", ["gibbt's"], "gibt's"),
    ("es", "el hombre l'hombre", ["l'hombre"], None),  # no elision in Spanish
    ("en", "don't the dogs' dgo's", ["dgo's"], "don't the dogs' dog's"),
    ("en", "l'homme", ["l'homme"], None),
])
def test_elisions_and_endings_per_language(language, text, flagged, corrected):
    lexicon = speaking(Lexicon(WORDS[language]), language)
    assert [m.word for m in lexicon.check(text, confidence=0)] == flagged
    if corrected is not None:
        assert lexicon.correct(text, confidence=0) == corrected


def test_a_language_lexicon_keeps_its_rules_and_weighs_accents():
    french = speaking(Lexicon(WORDS["fr"]), "fr_FR")
    assert french.language is profile("fr") and profile("fr").debian == "hunspell-fr"
    assert french.suggest("ete", k=1)[0].word == "été"  # an accent costs less than an edit
    for copy in (pickle.loads(pickle.dumps(french)), french.with_words(["maison"])):
        assert copy.language is french.language and copy.check("l'homme") == []
    assert Lexicon(WORDS["en"]).language is profile(None) is profile("en")
    assert profile("xx").elisions == () and profile("xx").debian == "hunspell-xx"


def test_regression_english_quoted_in_another_language_is_left_but_lost_accents_are_not():
    french = speaking(Lexicon({"général": 90, "la": 900, "licence": 50, "trois": 60,
                               "dans": 900, "de": 900}), "fr")
    assert french.correct("la GNU General licence de trois days") == \
        "la GNU General licence de trois days"
    assert french.correct("dans la licence general de la") == "dans la licence général de la"
