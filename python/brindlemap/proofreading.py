"""Checking and correcting whole texts with a Lexicon: which words it does not know, and what
to put in their place.

A word is known when the lexicon holds it (with ’ read as '), or, followed by a period, holds
it with the period ("Dr." for "Dr"). The lexicon's language (`brindlemap.languages`) says which
elisions may open a word and which endings may close it: in English a contraction or a
possessive ('s, 't, 'll, 're, 've, 'd, 'm, or the bare ' of "dogs'"), known when the lexicon
holds the whole word or its stem: the word before "n't" for 't ("don't": "do"), with a few
irregular stems taken from a table ("can't": "ca" or "can", "won't": "wo" or "will"); in
French an elision ("l'homme", "qu’il"), known when the lexicon holds the word after it. A word written with invisible format
characters inside it (a soft hyphen, a zero-width joiner) is known as written or without them;
a part of a hyphenated word is known when the lexicon holds the whole ("Jean-Baptiste"); a word
in capitals that the lexicon holds in small letters, as the casing of some languages writes
them, is known ("IŞIK", "İstanbul" for "ışık", "istanbul"). Unknown words with capitals inside
them ("camelCase", "iPhone") are left alone, as code or names, and so are single letters,
which mark list items and stand for variables and initials ("(b)", "x", "J. Smith"). Unknown
words in capitals are checked like any other, since "TEH" is a typo as much as "teh": a
lexicon that should pass acronyms holds them.

An unknown word with an elision or an ending is looked up without them, and its suggestions
and its fix carry them back ("freind's" suggests "friend's", "l'homne" "l'homme"). Correcting a word keeps its format characters where
the replacement keeps the letters around them.
"""

from __future__ import annotations

from collections import Counter
from itertools import accumulate
from typing import TYPE_CHECKING, NamedTuple

from brindlemap.casing import in_turkic_capitals
from brindlemap.confidence import MIN_CONFIDENCE, Evidence, decide
from brindlemap.costs import Costs
from brindlemap.tokens import FORMAT_CHARACTERS, Token, tokens

if TYPE_CHECKING:
    from brindlemap.lexicon import Lexicon, Suggestion
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


def _compounds(text: str, found: list[Token]) -> list[tuple[int, int]]:
    """For each token, the span of the hyphenated word it is part of (its own span where it
    stands alone)."""
    spans: list[tuple[int, int]] = []
    first = 0
    for at, token in enumerate(found):
        if at and not (token.start == found[at - 1].end + 1
                       and text[token.start - 1] in _HYPHENS):
            spans += [(found[first].start, found[at - 1].end)] * (at - first)
            first = at
    if found:
        spans += [(found[first].start, found[-1].end)] * (len(found) - first)
    return spans


# What may stand between the end of a sentence and the word that opens the next.
_OPENERS = "\"'“‘«([{*#>-–—•"
_SENTENCE_ENDS = ".!?…:"


def _opens_sentence(text: str, start: int) -> bool:
    """Whether the word at `start` opens a sentence, a paragraph or an item of a list."""
    at, breaks = start - 1, 0
    while at >= 0 and (text[at].isspace() or text[at] in _OPENERS):
        breaks += text[at] == "\n"
        at -= 1
    return at < 0 or text[at] in _SENTENCE_ENDS or breaks > 1


def _in_title(text: str, found: list[Token], at: int) -> bool:
    """Whether a capitalised word stands beside token `at` within its paragraph, as in a
    title or a heading ("GNU General Public License")."""
    token = found[at]
    for other in found[max(at - 1, 0):at] + found[at + 1:at + 2]:
        low, high = min(other.end, token.end), max(other.start, token.start)
        if other.word[:1].isupper() and "\n\n" not in text[low:high]:
            return True
    return False


def _tokens_in(text: str, spans: list[tuple[int, int]]) -> tuple[list[Token], set[int]]:
    """The words of the spans of `text`, each span read as a text of its own, and where the
    first word of each span starts (after a tag or a code block, a word opens a sentence as
    far as its capitals tell)."""
    if spans == [(0, len(text))]:
        return list(tokens(text)), set()
    new = tuple.__new__
    found: list[Token] = []
    firsts = set()
    for low, high in spans:
        words = [new(Token, (word, low + start, low + end))
                 for word, start, end in tokens(text[low:high])]
        if words and not text[low:words[0].start].strip(_OPENERS + " \t\r\n"):
            firsts.add(words[0].start)
        found += words
    return found, firsts


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


def check(lexicon: Lexicon, text: str, spans: list[tuple[int, int]], max_dist: int | None,
          k: int, metric: Metric | Costs, confidence: float) -> list[Misspelling]:
    """The words of the spans of `text` that `lexicon` does not know, with up to `k`
    suggestions each and the fix that `correct` makes of each."""
    verdicts: dict[tuple[str, bool], tuple[str, Affixes] | None] = {}
    whole_known: dict[tuple[int, int], bool] = {}
    unknown: list[tuple[int, tuple[str, Affixes]]] = []
    found, span_starts = _tokens_in(text, spans)
    for at, ((word, start, end), (low, high)) in enumerate(zip(found,
                                                              _compounds(text, found))):
        dotted = text.startswith(".", end)
        try:
            verdict = verdicts[word, dotted]
        except KeyError:
            verdict = verdicts[word, dotted] = _verdict(lexicon, word, dotted)
        if verdict is None:
            continue
        if (low, high) != (start, end):
            if (low, high) not in whole_known:  # once for each hyphenated word, however long
                whole_known[low, high] = _holds(lexicon, _without_format(text[low:high]),
                                                text.startswith(".", high))
            if whole_known[low, high]:
                continue
        unknown.append((at, verdict))
    if not unknown:
        return []
    queries = list(dict.fromkeys(query for _, (query, _) in unknown))
    # Two guesses at least: the lead of the first over the second is evidence.
    answers = dict(zip(queries, lexicon.lookup_many(queries, max_dist, max(k, 2),
                                                    metric=metric)))
    compounds = lexicon._compounds
    if compounds is not None:  # a long word the lexicon lacks may be a compound mistyped
        for query in queries:
            answers[query] = compounds.with_compounds(query, answers[query], lexicon,
                                                      max(k, 2), max_dist, metric)
    uses = Counter(word.lower() for word, _, _ in found)
    unit = metric.unit if isinstance(metric, Costs) else 1
    fixes = []
    language = lexicon.language
    fitting = [[answer for answer in answers[query] if language.elides_before(answer.word)]
               if elision else answers[query] for _, (query, (elision, _)) in unknown]
    for (at, (query, _)), guesses in zip(unknown, fitting):
        start = found[at].start
        opens = start in span_starts or _opens_sentence(text, start)
        evidence = Evidence(query, opens, _in_title(text, found, at),
                            uses[found[at].word.lower()], guesses, unit)
        fixes.append(decide(evidence, confidence, lexicon))
    if confidence >= MIN_CONFIDENCE:
        crowded = _crowded([at for (at, _), fix in zip(unknown, fixes) if fix is not None],
                           [at for (at, _), fix in zip(unknown, fixes) if fix is None],
                           len(found))
        fixes = [None if at in crowded else fix for (at, _), fix in zip(unknown, fixes)]
    misspelt = []
    for (at, (query, (elision, suffix))), fix, guesses in zip(unknown, fixes, fitting):
        word, start, end = found[at]
        misspelt.append(Misspelling(
            word, start, end, _with_affixes(guesses[:k], elision, suffix),
            None if fix is None else _with_format(word, elision + fix + suffix)))
    return misspelt


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
