"""Lexicon: its queries against brute force over the folded keys, the casing of its answers,
folding, frequency files and pickling."""

import base64
from itertools import accumulate
import pickle
import sys
from array import array
import unicodedata
from typing import NamedTuple

import pytest
from hypothesis import given, settings, strategies as st

import brindlemap
from brindlemap import IndexFileError, Lexicon, Suggestion
from brindlemap.bigrams import Bigrams
from brindlemap.folding import folder
from brindlemap.index_format import (ENTRY, KIND_HEADER, LENGTHS, NEWEST, SECTIONS, TABLE, Kind,
                                     pack_header, parse_header)
from brindlemap.lexicon import _restored
from brindlemap.lexicon_file import lexicon_bytes, lexicon_from_bytes
from brindlemap.lexicon_tables import Tables
from brindlemap.shipped import data_path
from conftest import DISTANCE

# Capitals, an accent both composed and apart, a letter that folds to two, and capitals whose
# casing folds to another key.
ALPHABET = "abeiABEIéÉ\u0301ßıİᾷ"


@settings(max_examples=150, deadline=None)
@given(words=st.dictionaries(st.text(ALPHABET, min_size=1, max_size=5), st.integers(0, 3),
                             max_size=20),
       query=st.text(ALPHABET, max_size=6), max_dist=st.integers(0, 3), k=st.integers(0, 5),
       fold=st.sampled_from(["case", "case+accents", None]),
       metric=st.sampled_from(["levenshtein", "osa"]))
def test_queries_agree_with_brute_force_over_folded_keys(words, query, max_dist, k, fold,
                                                         metric):
    key_of, distance = folder(fold), DISTANCE[metric]
    words = {w: c for w, c in words.items() if key_of(w)}  # "\u0301" alone folds to nothing
    totals = {}
    for word, count in words.items():
        totals[key_of(word)] = totals.get(key_of(word), 0) + count
    key, given = key_of(query), list(totals)  # equal counts rank in the order given

    def best(reach):
        found = [(other, total, reach(other)) for other, total in totals.items()]
        return sorted((m for m in found if m[2] <= max_dist),
                      key=lambda m: (m[2], -m[1], given.index(m[0])))

    lexicon = Lexicon(words, fold=fold)
    as_keys = lambda answers: [(key_of(a.word), a.count, a.distance) for a in answers]  # noqa
    near = best(lambda other: distance(key, other)) if key else []  # "" is no word to fix
    assert as_keys(lexicon.search(query, max_dist, metric=metric)) == near
    found = lexicon.suggest(query, max_dist, k, metric=metric)
    assert as_keys(found) == near[:k]
    assert lexicon.lookup_many([query, query], max_dist, k, metric=metric) == [found, found]
    prefix = best(lambda other: min(distance(key, other[:j]) for j in range(len(other) + 1)))
    assert as_keys(lexicon.complete(query, max_dist, k, metric=metric)) == prefix[:k]
    typed = unicodedata.normalize("NFC", query)
    if typed in {unicodedata.normalize("NFC", w) for w in words} and k:
        assert found[0].word == typed
    assert lexicon.count(query) == totals.get(key, 0) and (query in lexicon) == (key in totals)


CASING = [
    # stored words, query, the word answered
    ({"the": 5}, "teh", "the"),
    ({"the": 5}, "Teh", "The"),
    ({"the": 5}, "TEH", "THE"),
    ({"an": 5}, "A", "An"),  # one capital reads as a capitalised word, not as capitals
    ({"i": 5}, "I", "I"),
    ({"London": 5}, "londn", "London"),
    ({"London": 5}, "LONDN", "LONDON"),
    ({"iPhone": 5}, "Iphne", "iPhone"),
    ({"NASA": 5}, "nasa", "NASA"),
    ({"straße": 5}, "Strase", "Straße"),
    ({"straße": 5}, "STRASE", "STRASSE"),
    ({"polish": 5, "Polish": 3}, "polsh", "polish"),  # the commonest spelling
    ({"polish": 5, "Polish": 3}, "Polish", "Polish"),  # the query's own spelling
    ({"polish": 3, "Polish": 5}, "polish", "polish"),
    ({"polish": 3, "Polish": 5}, "POLISH", "POLISH"),
    ({"1st": 5}, "1ST", "1ST"),
]


@pytest.mark.parametrize("words, query, answer", CASING)
def test_answers_take_the_casing_of_the_query(words, query, answer):
    assert Lexicon(words).suggest(query, k=1)[0].word == answer


def test_completions_and_unfolded_lexicons_carry_casing_as_they_should():
    lexicon = Lexicon({"hello": 3, "help": 5, "Helsinki": 1})
    assert [a.word for a in lexicon.complete("HEL", 0)] == ["HELP", "HELLO", "HELSINKI"]
    assert [a.word for a in lexicon.complete("Hel", 0)] == ["Help", "Hello", "Helsinki"]
    # Without folding, case is part of the word: answers are the stored words as they are.
    assert Lexicon({"the": 5}, fold=None).suggest("Teh") == [Suggestion("the", 5, 2)]


@pytest.mark.parametrize("fold, stored, query, found", [
    ("case", "Straße", "STRASSE", True),
    ("case", "İstanbul", "istanbul", False),  # İ folds to i and a combining dot
    ("case+accents", "İstanbul", "ISTANBUL", True),
    ("case", "Café", "cafe", False),
    ("case+accents", "Café", "CAFE", True),
    ("case+accents", "Ångström", "angstrom", True),
    (None, "café", "cafe\u0301", True),  # composed or apart, one word
    ("case", "cafe\u0301", "CAFÉ", True),
    (None, "Café", "café", False),
    ("case+accents", "Ἀθῆναι", "ΑΘΗΝΑΙ", True),  # Greek and Cyrillic marks are accents
    ("case+accents", "Йод", "иод", True),
    ("case+accents", "हिन्दी", "हिनदी", False),  # a virama is no accent: it joins letters
    ("case+accents", "カード", "カート", False),  # nor are the dakuten of kana
])
def test_folding(fold, stored, query, found):
    lexicon = Lexicon([stored, stored], fold=fold)
    assert (query in lexicon, lexicon.count(query)) == (found, 2 * found)
    assert "te\ud800h" not in lexicon  # a lone surrogate is in no word


def test_words_composed_or_apart_are_one_spelling_with_their_counts_added():
    lexicon = Lexicon([("café", 2), ("cafe\u0301", 3), ("CAFÉ", 1)])
    assert (len(lexicon), lexicon.keys, lexicon.count("Café")) == (2, 1, 6)
    assert lexicon.suggest("café") == [Suggestion("café", 6, 0)]


@pytest.mark.parametrize("content, message", [
    (b"the 5\nthe\n", r"f\.txt:2: expected a word and a count, not 'the'"),
    (b"\nthe x\n", r"f\.txt:2: count 'x' is not an integer in 0\.\.9223372036854775807"),
    (b"the 9223372036854775808", r"f\.txt:1: count '9223372036854775808' is not"),
    (b"the -5", r"f\.txt:1: count '-5' is not"),
    (b"the 1\n\xff 1\n", r"f\.txt:2: not UTF-8 text \(byte 1\)"),
    (b"a 9223372036854775807\nA 1\n", r"f\.txt:2: the counts of the words that fold to 'a' "
                                      r"add up past 9223372036854775807"),
])
def test_frequency_file_errors_name_the_file_and_line(tmp_path, monkeypatch, content, message):
    monkeypatch.chdir(tmp_path)
    (tmp_path / "f.txt").write_bytes(content)
    with pytest.raises(ValueError, match=f"^{message}"):
        Lexicon.from_file("f.txt")


def test_frequency_file_adds_up_repeated_words(tmp_path):
    path = tmp_path / "f.txt"
    # Any line break, lone \r included, ends a line.
    path.write_bytes(b"\xef\xbb\xbfthe 5\r\n  The\t3 \r\rNew York 7\nthee 6\r")
    lexicon = Lexicon.from_file(path)
    assert (lexicon.count("THE"), lexicon.count("new york"), len(lexicon)) == (8, 7, 4)
    assert lexicon.suggest("teh") == [Suggestion("the", 8, 1), Suggestion("thee", 6, 2)]


@pytest.mark.parametrize("words, fold, error, message", [
    ([("a", -1)], "case", ValueError, r"count of item 0 \(\('a', -1\)\) is outside"),
    ([("a", 1.5)], "case", TypeError, "count of item 0 .* is not an integer"),
    (["a", 3], "case", TypeError, r"item 1 \(3\) is neither a str nor"),
    ("abc", "case", TypeError, "not a single str"),
    (["a", "\u0301"], "case+accents", ValueError, "item 1: '\u0301' folds to the empty word"),
    (["a", "te\ud800h"], "case", UnicodeEncodeError, "position 2: item 1 \\('te\\\\ud800h'\\)"),
    (["a"], "accents", ValueError, "fold must be one of None, 'case', 'case\\+accents'"),
])
def test_bad_words_are_refused_naming_the_item(words, fold, error, message):
    with pytest.raises(error, match=message):
        Lexicon(words, fold=fold)


def _damaged(data, section, at, value):
    """`data` with the bytes at `at` into its `section` replaced, its checksum made good."""
    tag = next(each.tag for each in SECTIONS[Kind.LEXICON] if each.name == section)
    (count,) = TABLE.unpack_from(data, KIND_HEADER.size)
    entries = [ENTRY.unpack_from(data, KIND_HEADER.size + TABLE.size + ENTRY.size * i)
               for i in range(count)]
    start = next(offset for entry_tag, offset, _ in entries if entry_tag == tag) + at
    body = bytearray(data[KIND_HEADER.size:])
    body[start - KIND_HEADER.size:start - KIND_HEADER.size + len(value)] = value
    return pack_header(bytes(body), Kind.LEXICON, LENGTHS) + bytes(body)


def _retabled(data, **tables):
    """The bytes of the lexicon of `data` with some of its tables replaced."""
    fold, laid_out, bigrams = lexicon_from_bytes(data)
    pairs = tables.pop("bigrams", None)
    if pairs is not None:
        bigrams = Bigrams(bigrams.keys, array("Q", pairs), array("Q", [1] * len(pairs)))
    kept = {name: getattr(laid_out, name) for name in ("trie", "text", "lengths", "counts", "runs")}
    return lexicon_bytes(fold, Tables(**(kept | tables)), bigrams)


DAMAGE = [
    (lambda data: data[:-1], "truncated"),
    (lambda data: data[:-1] + bytes([data[-1] ^ 1]), "checksum mismatch"),
    (lambda data: data + b"\0", "unexpected bytes after the lexicon"),
    (lambda data: data[:8] + bytes([NEWEST + 1]) + data[9:], f"format version {NEWEST + 1}, newer"),
    (lambda data: _damaged(data, "fold", 0, b"\x09"), "unknown fold 9"),
    (lambda data: _damaged(data, "lengths", 0, b"\x03"), "the lengths has items of 3 bytes"),
    (lambda data: _damaged(data, "runs", 1, b"\x01"), "the runs has no item size"),
    (lambda data: _damaged(data, "reversed", 40, b"\xff"), "reversed"),
    (lambda data: _retabled(data, lengths=array("B", [1])), "spellings do not tile"),
    (lambda data: _retabled(data, runs=array("B", [1, 1, 3])), "keys do not tile"),
    (lambda data: _damaged(data, "runs", 8, b"\x00"), "keys do not tile"),
    (lambda data: _retabled(data, trie=brindlemap.build({"the": 3, "thee": 1, "cafe": 2})),
     "keys are not numbered"),
    (lambda data: brindlemap.build(["a"]).to_bytes(), "no index header"),
    (lambda data: _retabled(data, bigrams=[1, 9]), "bigrams name keys it does not have"),
]


@pytest.mark.parametrize("damage, message", DAMAGE)
def test_lexicon_files_refuse_damage(tmp_path, damage, message):
    data = damage(Lexicon({"the": 9, "The": 4, "thee": 2, "café": 1},
                          bigrams=[(("the", "café"), 3)]).to_bytes())
    with pytest.raises(ValueError, match=message):
        Lexicon.from_bytes(data)
    (tmp_path / "x.lexicon").write_bytes(data)
    with pytest.raises(ValueError, match=f"x.lexicon.*({message})"):
        Lexicon.load(tmp_path / "x.lexicon")


def test_trie_and_lexicon_files_name_each_others_loader(tmp_path):
    brindlemap.save(brindlemap.build(["a"]), tmp_path / "trie.idx")
    Lexicon(["a"]).save(tmp_path / "words.lexicon")
    with pytest.raises(ValueError, match="index of a trie, not of a lexicon: .*brindlemap.load"):
        Lexicon.load(tmp_path / "trie.idx")
    with pytest.raises(ValueError, match="of a lexicon, not of a trie: .*Lexicon.load"):
        brindlemap.load(tmp_path / "words.lexicon")
    assert brindlemap.files.read_header(tmp_path / "words.lexicon").version == LENGTHS


def test_any_byte_changed_under_a_matching_checksum_is_refused_or_answers_safely():
    # The checksum catches accidents; bytes made to pass it may mislead, never fault.
    data = Lexicon({"the": 9, "The": 4, "thee": 2, "café": 1},
                   bigrams=[(("the", "café"), 3), (("café", "the"), 1)]).to_bytes()
    size = parse_header(data).size
    for at in range(size, len(data)):
        for value in 0x00, 0x7F, 0xFF:
            body = bytearray(data[size:])
            body[at - size] = value
            try:
                lexicon = Lexicon.from_bytes(pack_header(bytes(body), Kind.LEXICON, LENGTHS)
                                             + bytes(body))
            except IndexFileError:
                continue
            lexicon.check("Teh thee cafe the"), lexicon.correct("teh cafe"), list(lexicon)
            lexicon.complete("th"), lexicon.segment("thethee"), lexicon.suggest("tha")


# Lexicon({"the": 9, "The": 4, "thee": 2, "café": 1}, fold="case+accents",
#         bigrams=[(("the", "café"), 3)]) as earlier brindlemaps wrote it.
EARLIER = base64.b64decode(
    "iUJNSURYDQoCAAAAAgAAAK0AAAAAAAAAxa8wIAIAAAABMgAAAAAAAAAJAAIDBAUGBwgICQABYwF0AWEBaAFmAWUBZQ"
    "FlCQAAAAAAAAEAAQIBAQgBAgMEBQYHCAEPAAAAAAAAAHRoZVRoZXRoZWVjYWbDqQEFAAAAAAAAAAADBgoOAQQAAAAA"
    "AAAACQQCAQEEAAAAAAAAAAACAwQBAwAAAAAAAAANAgEIAQAAAAAAAAACAAAAAAAAAAgBAAAAAAAAAAMAAAAAAAAA")


def _earlier_damaged(at, value):
    """EARLIER with the bytes at `at` (from the body's start) replaced, its checksum good."""
    body = bytearray(EARLIER[parse_header(EARLIER).size:])
    body[at:at + len(value)] = value
    return pack_header(bytes(body), Kind.LEXICON) + bytes(body)


def test_lexicons_of_the_earlier_format_still_load_and_are_checked(tmp_path):
    (tmp_path / "earlier.lexicon").write_bytes(EARLIER)
    lexicon = Lexicon({"the": 9, "The": 4, "thee": 2, "café": 1}, fold="case+accents",
                      bigrams=[(("the", "café"), 3)])
    for earlier in Lexicon.from_bytes(EARLIER), Lexicon.load(tmp_path / "earlier.lexicon"):
        assert earlier.to_bytes() == lexicon.to_bytes()
        assert earlier.suggest("teh") == lexicon.suggest("teh")
    # Offsets into its body: the fold, then the trie section's item size and length.
    for at, value, message in [(0, b"\x09", "unknown fold 9"),
                               (4, b"\x02", "the trie has items of 2 bytes"),
                               (5, b"\xff" * 8, "the trie runs past the end")]:
        with pytest.raises(ValueError, match=message):
            Lexicon.from_bytes(_earlier_damaged(at, value))


class _EarlierTables(NamedTuple):
    trie: object
    text: str
    starts: array
    counts: object
    firsts: array
    totals: object


def test_files_and_pickling_keep_every_answer(tmp_path):
    lexicon = Lexicon({"the": 9, "The": 4, "thee": 2, "café": 1}, fold="case+accents")
    lexicon.save(tmp_path / "x.lexicon")
    # The tables themselves, as pickles of the earlier format hold them: the spellings as one
    # str, where each begins counted in characters.
    words, kept = list(lexicon), lexicon._tables
    tables = _EarlierTables(kept.trie, "".join(words),
                            array("B", accumulate(map(len, words), initial=0)), kept.counts,
                            array("B", accumulate(kept.runs, initial=0)), array("Q", kept.totals()))
    copies = [pickle.loads(pickle.dumps(lexicon)), Lexicon.load(tmp_path / "x.lexicon"),
              _restored(lexicon.fold, *tables)]
    for copy in copies:
        assert repr(copy) == repr(lexicon) == "<Lexicon of 4 words, 3 keys, fold='case+accents'>"
        for query in "Teh", "THE", "cafe", "th":
            assert copy.suggest(query) == lexicon.suggest(query)
            assert copy.complete(query) == lexicon.complete(query)
    # Pickles of the earlier form are checked as files are.
    for damage, message in [({"text": tables.text[:-1]}, "spellings do not tile"),
                            ({"trie": brindlemap.build({"the": 7, "a": 0})}, "not numbered")]:
        with pytest.raises(ValueError, match=f"not the state of a pickled Lexicon: .*{message}"):
            _restored("case", *tables._replace(**damage))


def test_the_shipped_english_lexicon_is_its_frequency_file_built():
    english = Lexicon.english()
    assert english is Lexicon.english() and len(english) >= 80_000
    # The prebuilt index is what the shipped text gives today (with the bigram counts it holds):
    # tools/make_english.py remade both.
    built = Lexicon.from_file(data_path("english.txt")).with_bigrams(english._bigram_items())
    assert english.to_bytes() == built.to_bytes() and english.bigram("of", "the") > 10**11
    assert [english.suggest(q, k=1)[0].word for q in ("londn", "Teh", "ENGLSH", "dr")] == \
        ["London", "The", "ENGLISH", "Dr"]


@pytest.mark.parametrize("language, fold, query, answer", [
    ("fr", "case+accents", "Etre", "Être"),  # found without its accent, answered with it
    ("fr", "case", "bonjuor", "bonjour"),
    ("de", "case", "STRASE", "STRASSE"),
    ("de", "case", "Mussen", "Müssen"),
])
def test_wordfreq_lexicons(language, fold, query, answer):
    lexicon = Lexicon.from_wordfreq(language, n=20_000, fold=fold)
    assert len(lexicon) == 20_000
    assert lexicon.suggest(query, k=1)[0].word == answer


def test_wordfreq_lexicon_without_wordfreq_names_the_extra(monkeypatch):
    monkeypatch.setitem(sys.modules, "wordfreq", None)
    with pytest.raises(ImportError, match=r"pip install 'brindlemap\[wordfreq\]'"):
        Lexicon.from_wordfreq("fr")


@pytest.mark.parametrize("ask", [
    lambda lexicon, k: lexicon.suggest("teh", k=k),
    lambda lexicon, k: lexicon.suggest("ovr", k=k, before="jumped"),
    lambda lexicon, k: lexicon.complete("th", k=k),
    lambda lexicon, k: lexicon.lookup_many(["teh"], k=k),
    lambda lexicon, k: lexicon.check("teh", k=k),
], ids=["suggest", "suggest in context", "complete", "lookup_many", "check"])
def test_regression_k_was_unchecked_where_more_answers_than_k_are_asked_for(ask):
    # check and suggest in context had cut their answers at k=-1 as a slice does.
    english = Lexicon.english()
    with pytest.raises(ValueError, match="^k must not be negative, not -1$"):
        ask(english, -1)
    with pytest.raises(TypeError, match="^argument 'k': 'float' object cannot be interpreted"):
        ask(english, 1.5)
