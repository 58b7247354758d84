"""Checking and correcting whole texts with a Lexicon: which words it does not know, and what to
put in their place.

A word is known when the lexicon holds it (with ’ read as '), or, followed by a period, holds
it with the period ("Dr." for "Dr"). The lexicon's language (`brindlemap.languages`) says which
elisions may open a word and which endings may close it: in English a contraction or a
possessive ('s, 't, 'll, 're, 've, 'd, 'm, or the bare ' of "dogs'"), known when the lexicon
holds the whole word or its stem: the word before "n't" for 't ("don't": "do"), with a few
irregular stems taken from a table ("can't": "ca" or "can", "won't": "wo" or "will"); in French
an elision ("l'homme", "qu’il"), known when the lexicon holds the word after it. A word written
with invisible format characters inside it (a soft hyphen, a zero-width joiner) is known as
written or without them; a part of a hyphenated word is known when the lexicon holds the whole
("Jean-Baptiste"); a word in capitals that the lexicon holds in small letters, as the casing of
some languages writes them, is known ("IŞIK", "İstanbul" for "ışık", "istanbul"). Unknown words
with capitals inside them ("camelCase", "iPhone") are left alone, as code or names, and so are
single letters, which mark list items and stand for variables and initials ("(b)", "x", "J.
Smith"). Unknown words in capitals are checked like any other, since "TEH" is a typo as much as
"teh": a lexicon that should pass acronyms holds them.

An unknown word with an elision or an ending is looked up without them, and its suggestions and
its fix carry them back ("freind's" suggests "friend's", "l'homne" "l'homme"). Correcting a
word keeps its format characters where the replacement keeps the letters around them.
"""

from __future__ import annotations

import math
import re
from collections import Counter
from bisect import bisect_left
from itertools import accumulate
from operator import attrgetter
from typing import TYPE_CHECKING, NamedTuple

from brindlemap._types import Suggestion
from brindlemap.casing import in_turkic_capitals
from brindlemap.confidence import (CANDIDATES, MIN_CONFIDENCE, SPACE_WEIGHT, SUPPORTED, Evidence,
                                   _bare, decide, ranked, score, split_wins, text_shares)
from brindlemap.context import neighbours, pair_lift
from brindlemap.languages import ENGLISH
from brindlemap.real_words import rivals_in_place
from brindlemap.segmenting import is_rare_short, split
from brindlemap.costs import Costs
from brindlemap.tokens import FORMAT_CHARACTERS, Token, words_and_rest

if TYPE_CHECKING:
    from brindlemap.lexicon import Lexicon
    from brindlemap.queries import Metric

__all__ = ["Misspelling", "check", "correct"]


class Misspelling(NamedTuple):
    """A word the lexicon does not know, where it is (`text[start:end] == word`), the
    lexicon's best guesses at what was meant, best first, and what `correct` puts in its
    place: `fix`, or None where it is not sure enough to touch it (`brindlemap.confidence`)."""

    word: str
    start: int
    end: int
    suggestions: list[Suggestion]
    fix: str | None = None


# What a flagged word was looked up without and carries back: its elision and its ending.
Affixes = tuple[str, str]
_WITHOUT_FORMAT = str.maketrans(dict.fromkeys(FORMAT_CHARACTERS))
_HYPHENS = "-\u2010"
# A hyphen that ends a line, where a word is broken to fit it ("correc‐\n   tion": man pages,
# text taken from a PDF), with the space about the break.
_LINE_BREAK = re.compile(r"[-\u2010][ \t]*\r?\n[ \t]*")


def _has_inner_capital(word: str) -> bool:
    """Whether `word` has a capital past its first letter without being all capitals:
    camelCase, iPhone, McDonald."""
    rest = word[1:]
    return rest != rest.lower() and not word.isupper()


def _without_format(word: str) -> str:
    return word if word.isascii() else word.translate(_WITHOUT_FORMAT)


def _holds(lexicon: Lexicon, word: str, dotted: bool) -> bool:
    if word in lexicon or (dotted and word + "." in lexicon):
        return True
    plain = word.replace("’", "'")
    return plain != word and _holds(lexicon, plain, dotted)


def _verdict(lexicon: Lexicon, word: str, dotted: bool) -> tuple[str, Affixes] | None:
    """None where `word` is known; otherwise the query to look up and the elision and ending
    that its answers take back."""
    if _holds(lexicon, word, dotted):
        return None
    bare = _without_format(word)
    if bare != word and _holds(lexicon, bare, dotted):
        return None
    turkic = in_turkic_capitals(bare)
    if turkic != bare and _holds(lexicon, turkic, dotted):
        return None
    language = lexicon.language
    elision, rest = language.elision(bare)
    if elision and _holds(lexicon, rest, dotted):
        return None
    stem, suffix = language.ending(rest)
    if suffix:
        if _holds(lexicon, stem, False):
            return None
        if suffix[0] in "nN" and (stem + suffix[0] in lexicon
                                  or language.irregular.get(stem.lower(), "") in lexicon):
            return None
    if len(stem) < 2 or _has_inner_capital(rest if elision else bare):
        return None
    return stem, (elision, suffix)


def _english_term(lexicon: Lexicon, word: str, fix: str) -> bool:
    """Whether `word`, unknown to a lexicon of another language, is English quoted in its
    text ("the GNU General Public License", "»never«", "3 days") rather than a slip of
    `fix`: a word the shipped English lexicon holds, unless it is in small letters and lacks
    only the accents of `fix`, the commonest slip where accents are letters ("religion" for
    "religión")."""
    if lexicon.language.code == ENGLISH.code or word not in type(lexicon).english():
        return False
    return not (word.islower() and _bare(word) == _bare(fix).lower())


def _broken_words(text: str, found: list[Token]) -> tuple[set[int], set[int]]:
    """The words broken at a line's end: the tokens that go on a word from the line before
    ("tion" after "informa-"), and those whose other side of the break is no word, the rest
    or the start of a link, an address or a name of code broken to fit the line
    ("…/configuring-builds/sub‐\n  stitute-…", "<gre‐\n  goire.scano@malloc.fr>"). Breaks
    are few: each is looked up among the tokens by a binary search."""
    goes_on: set[int] = set()
    beside_no_word: set[int] = set()
    by_start = attrgetter("start")
    for broken in _LINE_BREAK.finditer(text):
        hyphen = broken.start()
        if not hyphen or text[hyphen - 1].isspace():
            continue  # a dash between words ("a -\n dash")
        after = bisect_left(found, broken.end(), key=by_start)
        word_before = after > 0 and found[after - 1].end == hyphen
        word_after = after < len(found) and found[after].start == broken.end()
        if word_before and word_after:
            goes_on.add(after)
        elif word_before or word_after:
            beside_no_word.add(after if word_after else after - 1)
    return goes_on, beside_no_word


def _compounds(text: str, found: list[Token], goes_on: set[int]) -> list[tuple[int, int]]:
    """For each token, the span of the hyphenated word it is part of (its own span where it
    stands alone), a token in `goes_on` continuing the word broken before it."""
    spans: list[tuple[int, int]] = []
    first = 0
    for at, token in enumerate(found):
        if at and not (token.start == found[at - 1].end + 1
                       and text[token.start - 1] in _HYPHENS or goes_on and at in goes_on):
            spans += [(found[first].start, found[at - 1].end)] * (at - first)
            first = at
    if found:
        spans += [(found[first].start, found[-1].end)] * (len(found) - first)
    return spans


# What may stand between the end of a sentence and the word that opens the next.
_OPENERS = "\"'“‘«([{*#>-–—•"
_SENTENCE_ENDS = ".!?…:"


def _opens_sentence(text: str, start: int) -> bool:
    """Whether the word at `start` opens a sentence, a paragraph, an item of a list or a
    column of a table (after a tab or two spaces inside a line); not after an initial ("John
    V. Belmonte")."""
    at, breaks, blanks = start - 1, 0, 0
    while at >= 0 and (text[at].isspace() or text[at] in _OPENERS):
        breaks += text[at] == "\n"
        blanks += not breaks and text[at] in " \t" and 1 + (text[at] == "\t")
        at -= 1
    initial = at >= 1 and text[at] == "." and text[at - 1].isupper() \
        and (at == 1 or not text[at - 2].isalnum())
    return at < 0 or (text[at] in _SENTENCE_ENDS and not initial) or breaks > 1 \
        or (not breaks and blanks >= 2)


def _capitals_beside(lexicon: Lexicon, text: str, found: list[Token], at: int,
                     known: set[int]) -> tuple[bool, bool]:
    """Whether a capitalised word stands beside token `at` within its paragraph (not one
    capitalised because it opens a sentence, "The Zipf scale"), as in a title or a heading:
    one of the `known` words (by index) that the lexicon does not know as a name ("GNU
    General Public License"); and whether one stands there that the lexicon lacks, or an
    initial, as the parts of a name do ("Matteo Collina"). (A name the lexicon knows says
    little: German writes every noun with a capital of its own.)"""
    token = found[at]
    title = named = False
    # A word that opens a sentence has no neighbour before it in that sentence.
    for near in (at + 1,) if _opens_sentence(text, token.start) else (at - 1, at + 1):
        if not 0 <= near < len(found):
            continue
        other = found[near]
        low, high = min(other.end, token.end), max(other.start, token.start)
        if not other.word[:1].isupper() or "\n\n" in text[low:high] \
                or (near < at and _opens_sentence(text, other.start)):
            continue
        if near not in known and not other.word.isupper() \
                or len(other.word) == 1 and text.startswith(".", other.end):
            named = True  # a word the lexicon lacks, or an initial ("John V. Belmonte")
        elif not lexicon.is_name(other.word):
            title = True
    return title, named


# How far a parenthesis that credits people may reach either side of a word in it.
_CREDIT_REACH = 80
_CREDIT_WORDS = 4


def _credited(text: str, token: Token) -> bool:
    """Whether token `token` stands among the names a parenthesis credits: "(Herb Sitz)",
    "(Marcelo D Montu, 2016 Dec 15)", "(Kirshna)". Its words up to a closing parenthesis or a
    comma, on one line, are a few capitalised words or initials."""
    if not token.word[:1].isupper():
        return False
    low = max(token.start - _CREDIT_REACH, 0)
    opening = max(text.rfind(mark, low, token.start) for mark in "()\n")
    if opening < 0 or text[opening] != "(":
        return False
    ends = [at for at in (text.find(mark, token.end, token.end + _CREDIT_REACH)
                          for mark in "),\n") if at >= 0]
    if not ends or text[min(ends)] == "\n":
        return False
    words = text[opening + 1:min(ends)].split()
    return 0 < len(words) <= _CREDIT_WORDS and all(
        word[:1].isupper() and all(c.isalpha() or c in ".-'’" for c in word) for word in words)


# The small words that join the parts of a name ("Dirk van Deun", "Martin v. Loewis").
_PARTICLES = frozenset({"van", "von", "de", "der", "den", "da", "di", "du", "del", "della",
                        "le", "la", "ter", "ten", "bin", "ibn", "al", "v"})
# An e-mail address in angle brackets after a word: the way a name is written with its address
# in credits, changelogs and mail ("Robie Basak <robie@example.org>").
_ADDRESS_AFTER = re.compile(r"[ \t]*<[^<>\s@]+@[^<>\s]+>")


def _name_form(text: str, found: list[Token], at: int) -> bool:
    """Whether capitalised token `at` is written as a part of a name: after a particle that
    follows a capitalised word ("Dirk van Deun"), or before an e-mail address."""
    token = found[at]
    if not token.word[:1].isupper():
        return False
    if _ADDRESS_AFTER.match(text, token.end):
        return True
    if at < 2:
        return False
    particle, first = found[at - 1], found[at - 2]
    between = text[particle.end:token.start].strip()
    return particle.word in _PARTICLES and between in ("", ".") and first.word[:1].isupper() \
        and text[first.end:particle.start].strip() == "" and "\n\n" not in \
        text[first.end:token.start]


# The quoted letters before a piece of a word that quotes cut ("c"hange, "K"eyword).
_CUT_BY_QUOTES = re.compile(r'["”“»«][^\W\d_]{1,3}["”“»«]\Z')
_CUT_REACH = 5


# Quotation marks, and angle brackets and braces, which hold a placeholder or a tag ("<afile>",
# "{scriptin}"), never prose: each opening mark with its closing one.
_QUOTES = {"'": "'", '"': '"', "“": "”", "‘": "’", "«": "»", "‹": "›", "„": "“", "‚": "‘",
           "<": ">", "{": "}"}


def _quoted(text: str, token: Token) -> bool:
    """Whether `token` stands alone between quotation marks ("the "oneline" format",
    'the 'gdefault' option'), angle brackets or braces: a word mentioned, a name or a
    setting, not prose; or a piece of a word that quotes cut."""
    opening = text[token.start - 1:token.start] if token.start else ""
    # A piece of a word that quotes cut from a letter of it ("c"hange) is no word either.
    # (Not an apostrophe: "l'" elides, it does not quote.)
    if opening in '"”“»«' and token.start >= 2:
        cut = _CUT_BY_QUOTES.search(text, max(token.start - _CUT_REACH, 0), token.start)
        if cut is not None:
            return True
    closing = _QUOTES.get(opening)
    if closing is None:
        return False
    # A trailing apostrophe after an s is part of the token ("'shortmess'").
    return text.startswith(closing, token.end) or \
        (closing in "'’" and token.word.endswith(closing) and len(token.word) > 1)


def _shouted(text: str, found: list[Token], at: int) -> bool:
    """Whether the words beside token `at` within its paragraph, one at least, are in
    capitals of two letters or more: a passage in capitals ("EDN OF TERMS" heading a
    paragraph), where capitals do not mark an acronym."""
    token = found[at]
    beside = 0
    for near in at - 1, at + 1:
        if not 0 <= near < len(found):
            continue
        other = found[near]
        low, high = min(other.end, token.end), max(other.start, token.start)
        if "\n\n" in text[low:high]:
            continue  # the paragraph's edge
        if not (other.word.isupper() and sum(c.isalpha() for c in other.word) >= 2):
            return False
        beside += 1
    return beside > 0


def _words_outside(text: str, spans: list[tuple[int, int]], left_out: list[str],
                   ) -> Counter[str]:
    """How often `text` writes each run of letters (in small letters) outside its words:
    outside its prose `spans` (ascending), in its code, tags and link targets, and within
    them in the runs `left_out` as no words that are no links or paths (names of code,
    calls, options): where "primitive.bool.html", "max_len" and "printf()" write "bool",
    "len" and "printf"."""
    words: Counter[str] = Counter()
    done = 0
    for low, high in [*spans, (len(text), len(text))]:
        if low > done:
            words.update(run.lower() for run in _LETTER_RUNS.findall(text, done, low))
        done = max(done, high)
    words.update(run.lower() for rest in left_out if not _LINK_OR_PATH.search(rest)
                 for run in _LETTER_RUNS.findall(rest))
    return words


_LETTER_RUNS = re.compile(r"[^\W\d_]+")
# A link, an address or a path: what it names may be misspelt in the prose beside it
# ("see https://ex.org/teh" is no use of "teh").
_LINK_OR_PATH = re.compile(r"[/\\@]|www\.|^[^\W\d_][\w+.-]*:")


def _tokens_in(text: str, spans: list[tuple[int, int]],
               ) -> tuple[list[Token], set[int], list[str]]:
    """The words of the spans of `text`, each span read as a text of its own; where the
    first word of each span starts (after a tag or a code block, a word opens a sentence as
    far as its capitals tell); and the runs of the spans left out as no words."""
    left_out: list[str] = []
    if spans == [(0, len(text))]:
        return list(words_and_rest(text, left_out)), set(), left_out
    new = tuple.__new__
    found: list[Token] = []
    firsts = set()
    for low, high in spans:
        words = [new(Token, (word, low + start, low + end))
                 for word, start, end in words_and_rest(text[low:high], left_out)]
        if words and not text[low:words[0].start].strip(_OPENERS + " \t\r\n"):
            firsts.add(words[0].start)
        found += words
    return found, firsts, left_out


# Words on either side that make a word's neighbourhood, and the share of them that are
# unknown words with no sure fix, from which the passage reads as another language, a list of
# names or code rather than as slips: slips seldom come that thick, and each has its fix.
_NEIGHBOURS = 8
_CROWDED = 1 / 3
_FEWEST_CROWDING = 3  # two names beside a slip in a short sentence are no foreign passage


def _crowded(asked: list[int], unsure: list[int], count: int) -> set[int]:
    """Those of the `asked` words (by their index among the `count` words) whose neighbourhood
    holds more than _CROWDED of the `unsure` words (ascending indexes)."""
    flags = [0] * (count + 1)
    for at in unsure:
        flags[at + 1] = 1
    before = list(accumulate(flags))  # before[i]: unsure words before word i
    found = set()
    for at in asked:
        low, high = max(at - _NEIGHBOURS, 0), min(at + _NEIGHBOURS + 1, count)
        around = before[high] - before[low] - flags[at + 1]
        if around > _CROWDED * (high - low - 1) and around >= _FEWEST_CROWDING:
            found.add(at)
    return found


def _lowered(written: Counter[str]) -> Counter[str]:
    """The counts of `written` words by their lowercase."""
    lowered: Counter[str] = Counter()
    for word, count in written.items():
        lowered[word.lower()] += count
    return lowered


def _capitalised_inside(text: str, found: list[Token], words: set[str]) -> set[str]:
    """Those of `words` that `found` holds inside a sentence somewhere."""
    if not words:
        return set()
    return {token.word for token in found if token.word in words
            and not _opens_sentence(text, token.start)}


def check(lexicon: Lexicon, text: str, spans: list[tuple[int, int]], max_dist: int | None,
          k: int, metric: Metric | Costs, confidence: float,
          real_words: bool = False) -> list[Misspelling]:
    """The words of the spans of `text` that `lexicon` does not know, with up to `k`
    suggestions each and the fix that `correct` makes of each; with `real_words`, also the
    known words that stand in the wrong place (`brindlemap.real_words`), without a fix."""
    verdicts: dict[tuple[str, bool], tuple[str, Affixes] | None] = {}
    whole_known: dict[tuple[int, int], bool] = {}
    unknown: list[tuple[int, tuple[str, Affixes]]] = []
    known: list[int] = []
    # The hyphenated word that each unknown part of one belongs to.
    compound_of: dict[int, tuple[int, int]] = {}
    found, span_starts, left_out = _tokens_in(text, spans)
    goes_on, beside_no_word = _broken_words(text, found)
    spans_of = _compounds(text, found, goes_on)
    no_word = {spans_of[at][0] for at in beside_no_word}
    for at, ((word, start, end), (low, high)) in enumerate(zip(found, spans_of)):
        if no_word and low in no_word:
            continue
        dotted = text.startswith(".", end)
        try:
            verdict = verdicts[word, dotted]
        except KeyError:
            verdict = verdicts[word, dotted] = _verdict(lexicon, word, dotted)
        if verdict is None:
            known.append(at)
            continue
        if (low, high) != (start, end):
            if (low, high) not in whole_known:  # once for each hyphenated word, however long
                whole = _without_format(text[low:high])
                dotted_whole = text.startswith(".", high)
                # A word broken at a line's end is known whole ("correction"), or as the
                # hyphenated word it is ("well-known").
                whole_known[low, high] = _holds(lexicon, _LINE_BREAK.sub("-", whole),
                                                dotted_whole) or (
                    whole != _LINE_BREAK.sub("", whole)
                    and _holds(lexicon, _LINE_BREAK.sub("", whole), dotted_whole))
            if whole_known[low, high]:
                continue
            compound_of[at] = (low, high)
        unknown.append((at, verdict))
    # Each word's share of the text's words: a word the text writes is the likelier guess at
    # a slip, and the likelier meant where it stands. (Its unknown words are counted too:
    # they are no guess of anything.)
    written = Counter(map(attrgetter("word"), found)) if unknown or real_words else Counter()
    shares = text_shares(_lowered(written), len(found))
    misplaced = {} if not real_words else rivals_in_place(
        lexicon, text, found, known,
        lambda at: found[at].start in span_starts or _opens_sentence(text, found[at].start),
        metric, confidence, shares)
    if not unknown:
        return _in_order([], found, misplaced, k)
    queries = list(dict.fromkeys(query for _, (query, _) in unknown))
    # The likeliest guesses by letters and counts, ranked again in each word's context; the
    # lead of the first over the second is evidence.
    answers = dict(zip(queries, lexicon.lookup_many(queries, max_dist, max(k, CANDIDATES),
                                                    metric=metric)))
    compounds = lexicon._compounds
    if compounds is not None:  # a long word the lexicon lacks may be a compound mistyped
        for query in queries:
            answers[query] = compounds.with_compounds(query, answers[query], lexicon,
                                                      max(k, CANDIDATES), max_dist, metric)
    # A word's uses count its every form: "trie", "Trie" and "trie's" are one word.
    uses = Counter(query.lower() for _, (query, _) in unknown)
    unit = metric.unit if isinstance(metric, Costs) else 1
    total = lexicon.total()
    # A misspelt neighbour is read as its likeliest guess by its letters: "jumpd ovr" is
    # "jumped" before "ovr".
    guessed = {at: answers[query][0].word for at, (query, _) in unknown if answers[query]}

    def read(at: int) -> str:
        return guessed.get(at, found[at].word)

    fixes, guesses = [], []
    known_at = set(known)
    coined = Counter(compound_of.values())
    outside = _words_outside(text, spans, left_out)
    written_as: list[tuple[str, str, bool]] = []
    splits: dict[str, list[str]] = {}
    language = lexicon.language
    in_context = []
    # For each word, in how many of its places its best guess is supported: a word that the
    # text repeats is read as meant unless its neighbours support the guess in most of them.
    backing: dict[str, list[int]] = {}
    # And in how many different pairs of neighbours: a phrase the text writes over and over
    # ("later to maint") is one piece of evidence, however often it is written.
    settings: dict[str, set[tuple[str | None, str | None]]] = {}
    # A word between the same neighbours ranks its guesses alike: once a text.
    ranked_in: dict[tuple[str, bool, str | None, str | None],
                    tuple[list[Suggestion], list[float]]] = {}
    for at, (query, (elision, _)) in unknown:
        before, after = neighbours(text, found, at, read)
        setting = (query, bool(elision), before, after)
        if setting not in ranked_in:
            pool = answers[query]
            if elision:  # "l'" stands only before what it may elide before
                pool = [answer for answer in pool if language.elides_before(answer.word)]
            ranked_in[setting] = ranked(
                pool, lexicon._lifts(before, [guess.word for guess in pool], after), unit,
                total, query, shares)
        pool, lifts = ranked_in[setting]
        in_context.append((before, after, pool, lifts))
        tally = backing.setdefault(query.lower(), [0, 0])
        tally[0] += bool(lifts) and lifts[0] >= SUPPORTED
        tally[1] += 1
        if lifts and lifts[0] >= SUPPORTED:
            settings.setdefault(query.lower(), set()).add(
                (before and before.lower(), after and after.lower()))
    # The best guesses at capitalised words that the text writes with a capital inside a
    # sentence: its own terms.
    capitalised = _capitalised_inside(text, found, {
        pool[0].word for (_, (query, _)), (_, _, pool, _) in zip(unknown, in_context)
        if pool and query[:1].isupper() and not query.isupper()})
    for (at, (query, _)), (before, after, pool, lifts) in zip(unknown, in_context):
        start = found[at].start
        opens = start in span_starts or _opens_sentence(text, start)
        backed, places = backing[query.lower()]
        in_code = outside[query.lower()]
        title, named = _capitals_beside(lexicon, text, found, at, known_at)
        named = named or _credited(text, found[at]) or _name_form(text, found, at)
        evidence = Evidence(query, opens, title,
                            uses[query.lower()] + in_code, pool, unit, lifts,
                            _shouted(text, found, at), backed / (places + in_code), named,
                            len(settings.get(query.lower(), ())), _quoted(text, found[at]),
                            (lexicon._unknown_in_pairs(pool[0].word),
                             lexicon._unknown_in_pairs(pool[1].word))
                            if len(pool) > 1 and (before or after) else (False, False),
                            bool(pool) and pool[0].word in capitalised, shares)
        fix = decide(evidence, confidence, lexicon)
        written_as.append((query, found[at].word, opens))
        # Nor is a part of a name split ("Aman Verma").
        held = named and query[:1].isupper()
        run_on, sure = _run_on(lexicon, query, opens, before, after, unit,
                               score(pool[0], lifts[0], unit, total, query) if pool else None,
                               evidence.uses, confidence, splits)
        # A word mentioned between quotes is a name or a setting, split or not; and one in
        # capitals outside a passage in capitals is a keyword or a code ("see the HOWTO").
        coded = query.isupper() and not evidence.shouted
        sure = sure and not ((held or evidence.quoted or coded) and confidence >= MIN_CONFIDENCE)
        if run_on is not None:
            pool = [run_on, *pool]
            fix = run_on.word if sure else None
        if confidence >= MIN_CONFIDENCE and fix is not None and _english_term(lexicon, query,
                                                                               fix):
            fix = None
        # A hyphenated word of two parts or more that the lexicon lacks is a name or a code
        # ("sys-auxv-header", "musl-ssp"), not two slips; nor is a part of a word broken at a
        # line's end fixed on its own.
        if confidence >= MIN_CONFIDENCE and at in compound_of and (
                coined[compound_of[at]] > 1 or "\n" in text[slice(*compound_of[at])]
                or fix is not None and not _pairs_in_compound(lexicon, found, at,
                                                               compound_of[at], fix)):
            fix = None
        guesses.append(pool)
        fixes.append(fix)
    if confidence >= MIN_CONFIDENCE:
        crowded = _crowded([at for (at, _), fix in zip(unknown, fixes) if fix is not None],
                           [at for (at, _), fix in zip(unknown, fixes) if fix is None],
                           len(found))
        fixes = [None if at in crowded else fix for (at, _), fix in zip(unknown, fixes)]
        fixes = _consistent(written_as, fixes, guesses)
    misspelt = []
    for (at, (query, (elision, suffix))), fix, pool in zip(unknown, fixes, guesses):
        word, start, end = found[at]
        misspelt.append(Misspelling(
            word, start, end, _with_affixes(pool[:k], elision, suffix),
            None if fix is None else _with_format(word, elision + fix + suffix)))
    return _in_order(misspelt, found, misplaced, k)


# A part of a hyphenated word of at most _COMPOUND_PART letters is a term of the compound
# ("tree-ish", "util-linux", "mule-ucs", "paren-enclosed"), not a slip, unless its fix makes a
# compound people write: one whose parts the bigram counts pair e**_COMPOUND_LIFT times as
# often as chance ("well-knwon" is "well-known"; "tree is" is no compound, though common).
_COMPOUND_PART = 5
_COMPOUND_LIFT = 2.0


def _pairs_in_compound(lexicon: Lexicon, found: list[Token], at: int, compound: tuple[int, int],
                       fix: str) -> bool:
    """Whether `fix`, made of token `at`, a part of the hyphenated word spanning `compound`,
    may stand in it: a long part, or one whose fix pairs with the parts beside it."""
    if len(found[at].word) > _COMPOUND_PART:
        return True
    low, high = compound
    before = found[at - 1].word if at and found[at - 1].start >= low else None
    after = found[at + 1].word if at + 1 < len(found) and found[at + 1].end <= high else None
    return lexicon._lift(before, fix, after) >= _COMPOUND_LIFT


def _consistent(words: list[tuple[str, str, bool]], fixes: list[str | None],
                guesses: list[list[Suggestion]]) -> list[str | None]:
    """The `fixes` of unknown words made alike wherever a word stands. Each of `words` is the
    query a place looks up, the word as written there and whether it opens a sentence. A
    writer spells a word one way throughout: a word (its forms taken as one, "trie", "Trie"
    and "trie's") fixed in fewer than half its places, or fixed two ways as often, is meant,
    and left in all of them ("the trie" read as "the true" only where that suits). Otherwise
    its commonest fix is made wherever it is among the place's `guesses` and the place was
    fixed or is written alike as one that was (not where a shape rule may have held it)."""
    tallies: dict[str, Counter[str | None]] = {}
    for (query, _, _), fix in zip(words, fixes):
        tallies.setdefault(query.lower(), Counter())[None if fix is None else fix.lower()] += 1
    fixed_as: dict[str, str | None] = {}
    for query, tally in tallies.items():
        ranked_fixes = [(fix, count) for fix, count in tally.most_common() if fix is not None]
        sure = ranked_fixes and 2 * ranked_fixes[0][1] >= tally.total() \
            and (len(ranked_fixes) == 1 or ranked_fixes[1][1] < ranked_fixes[0][1])
        fixed_as[query] = ranked_fixes[0][0] if sure else None
    fixed_alike = {(written, opens) for (_, written, opens), fix in zip(words, fixes)
                   if fix is not None}
    made: list[str | None] = []
    for (query, written, opens), fix, pool in zip(words, fixes, guesses):
        winner = fixed_as[query.lower()]
        if winner is None or (fix is None and (written, opens) not in fixed_alike):
            made.append(None)
        else:
            made.append(next((guess.word for guess in pool if guess.word.lower() == winner),
                             None))
    return made


def _in_order(misspelt: list[Misspelling], found: list[Token],
              misplaced: dict[int, list[Suggestion]], k: int) -> list[Misspelling]:
    """The unknown words and the known ones in the wrong place, in the order of the text."""
    if not misplaced:
        return misspelt
    new = tuple.__new__
    flagged = [new(Misspelling, (*found[at], rivals[:k], None)) for at, rivals in misplaced.items()]
    return sorted(misspelt + flagged, key=lambda misspelling: misspelling.start)


# The shortest run-on word that is offered a split ("alot"): shorter ones are mostly slips; and
# the longest, past which a run of letters is no sentence that lost its spaces but data.
_SHORTEST_RUN_ON = 4
_LONGEST_RUN_ON = 80
# A split that `correct` makes holds a short word ("a lot", "in fact", "thank you"), where each
# pair of its words makes at least e**COMMON_PAIR of the bigram counts' total: two long words
# written as one, or two that seldom meet, are mostly a compound the lexicon lacks
# ("namespace", "onerror", "tarfile").
_SHORT_PIECE = 3
_COMMON_PAIR = -7.0


def _run_on(lexicon: Lexicon, query: str, opens: bool, before: str | None, after: str | None,
            unit: int, best: float | None, uses: int, confidence: float,
            splits: dict[str, list[str]]) -> tuple[Suggestion | None, bool]:
    """The split of `query` as a guess (its pieces with spaces between, one plain edit a
    space) where it is likelier than the best single guess, scoring `best` (None where there
    is none), and whether `correct` makes it (`confidence.split_wins`). Names and acronyms
    are not split (a capitalised word inside a sentence, short capitals), nor compounds, nor
    a run-on that nobody writes, unless its neighbours suit the split.
    `splits` keeps the split of each query, made once a text."""
    if not _SHORTEST_RUN_ON <= len(query) <= _LONGEST_RUN_ON or not query.isalpha() \
            or lexicon._bigrams is None:
        return None, False
    pieces = splits.get(query)
    if pieces is None:
        pieces = splits[query] = split(lexicon, query)
    found = [lexicon._base_number(piece) for piece in pieces]
    numbers = [number for number in found if number is not None]
    # A piece of one or two letters must be a common word, as a split weighs it: "a log i rh
    # tm" is no split of "alogirhtm", though it is the best of its letters.
    if len(pieces) < 2 or len(numbers) < len(pieces) \
            or any(is_rare_short(lexicon, number) for number in numbers):
        return None, False
    totals, total, bigrams = lexicon._tables.totals(), lexicon.total(), lexicon._bigrams
    pairs = list(zip(numbers, numbers[1:]))
    inner = [pair_lift(bigrams, totals, total, *pair) for pair in pairs]
    outer = [lexicon._lift(before, pieces[0], None), lexicon._lift(None, pieces[-1], after)]
    together = (sum(math.log(max(totals[number], 1) / total) for number in numbers)
                + sum(inner) + sum(outer) - SPACE_WEIGHT * (len(pieces) - 1))
    if best is not None and together <= best:
        return None, False
    guess = tuple.__new__(Suggestion, (" ".join(pieces), min(totals[n] for n in numbers),
                                       unit * (len(pieces) - 1)))
    shaped = not ((query.isupper() and len(query) <= 4)
                  or (query[:1].isupper() and not opens and not query.isupper())) \
        and min(map(len, pieces)) <= _SHORT_PIECE \
        and all(math.log(max(bigrams.count(*pair), 1) / total) >= _COMMON_PAIR
                for pair in pairs)
    # A run-on that people write is a slip ("alot", "infact"); one that nobody writes is more
    # often a term of its own ("Inplace", "inits", "DOWNTO", "the mailto URL"), unless the
    # neighbours it has suit its split ("it isnot so", "we canbe there"): otherwise its split
    # is offered but not made.
    if shaped and lexicon.heard(query) == 0:
        beside = [lift for lift, neighbour in zip(outer, (before, after)) if neighbour is not None]
        shaped = bool(beside) and min(beside) >= SUPPORTED
    return guess, confidence < MIN_CONFIDENCE or (shaped and split_wins(together, inner, best,
                                                                        uses, confidence))


def _with_affixes(answers: list[Suggestion], elision: str, suffix: str) -> list[Suggestion]:
    if not elision and not suffix:
        return answers
    return [answer._replace(word=elision + answer.word + suffix) for answer in answers]


def _with_format(written: str, replacement: str) -> str:
    """`replacement` for the word `written`, with the format characters that `written` holds
    put back where the letters around them are the same."""
    bare = _without_format(written)
    if bare == written:
        return replacement
    same_start = 0
    for a, b in zip(bare.lower(), replacement.lower()):
        if a != b:
            break
        same_start += 1
    same_end = 0
    for a, b in zip(reversed(bare.lower()), reversed(replacement.lower())):
        if a != b or same_end >= min(len(bare), len(replacement)) - same_start:
            break
        same_end += 1
    pieces: list[str] = []
    taken = letters = 0
    for character in written:
        if character not in FORMAT_CHARACTERS:
            letters += 1
            continue
        if letters <= same_start:
            at = letters
        elif len(bare) - letters <= same_end:
            at = len(replacement) - (len(bare) - letters)
        else:
            continue  # inside what the correction changed: it no longer marks a place
        pieces += (replacement[taken:at], character)
        taken = at
    pieces.append(replacement[taken:])
    return "".join(pieces)


def correct(lexicon: Lexicon, text: str, spans: list[tuple[int, int]], max_dist: int | None,
            metric: Metric | Costs, confidence: float) -> str:
    """`text` with each unknown word that `check` gives a fix replaced by it."""
    pieces: list[str] = []
    done = 0
    for misspelling in check(lexicon, text, spans, max_dist, 1, metric, confidence):
        if misspelling.fix is not None:
            pieces += (text[done:misspelling.start], misspelling.fix)
            done = misspelling.end
    pieces.append(text[done:])
    return "".join(pieces)
