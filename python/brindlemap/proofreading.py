"""Checking and correcting whole texts with a Lexicon: which words it does not know, and what
to put in their place.

A word is known when the lexicon holds it, or, followed by a period, holds it with the period
("Dr." for "Dr"). A word ending in a contraction or a possessive ('s, 't, 'll, 're, 've, 'd,
'm, or the bare ' of "dogs'") is known when the lexicon holds the whole word or its stem: the
word before "n't" for 't ("don't": "do"), with a few irregular stems taken from a table
("can't": "ca" or "can", "won't": "wo" or "will"). Unknown words with capitals inside them
("camelCase", "iPhone") are left alone, as code or names, and so are single letters, which
mark list items and stand for variables and initials ("(b)", "x", "J. Smith"). Unknown words
in capitals are checked like any other, since "TEH" is a typo as much as "teh": a lexicon
that should pass acronyms holds them.

An unknown word with a suffix is looked up by its stem, and its suggestions carry the suffix
back ("freind's" suggests "friend's").
"""

from __future__ import annotations

import re
from typing import TYPE_CHECKING, NamedTuple

from brindlemap.tokens import tokens

if TYPE_CHECKING:
    from brindlemap.costs import Costs
    from brindlemap.lexicon import Lexicon, Suggestion
    from brindlemap.queries import Metric

__all__ = ["Misspelling", "check", "correct"]


class Misspelling(NamedTuple):
    """A word the lexicon does not know, where it is (`text[start:end] == word`), and the
    lexicon's best guesses at what was meant, best first."""

    word: str
    start: int
    end: int
    suggestions: list[Suggestion]


# The stem, the apostrophe and the rest of a word with a contraction or possessive suffix.
_SUFFIXED = re.compile(r"(.+?)(n['’]t|['’](?:s|ll|re|ve|d|m)|(?<=[sS])['’])", re.I | re.S)
# Stems before n't that are not words of their own, and the words they stand for.
_IRREGULAR = {"ca": "can", "wo": "will", "sha": "shall", "ai": "am"}


def _has_inner_capital(word: str) -> bool:
    """Whether `word` has a capital past its first letter without being all capitals:
    camelCase, iPhone, McDonald."""
    rest = word[1:]
    return rest != rest.lower() and not word.isupper()


def _verdict(lexicon: Lexicon, word: str, dotted: bool) -> tuple[str, str] | None:
    """None where `word` is known; otherwise the query to look up and the suffix that its
    answers take back."""
    if word in lexicon or (dotted and word + "." in lexicon):
        return None
    split = _SUFFIXED.fullmatch(word)
    if split is not None:
        stem, suffix = split.groups()
        if stem in lexicon:
            return None
        if suffix[0] in "nN" and (stem + suffix[0] in lexicon
                                  or _IRREGULAR.get(stem.lower(), "") in lexicon):
            return None
    else:
        stem, suffix = word, ""
    if len(stem) < 2 or _has_inner_capital(word):
        return None
    return stem, suffix


def check(lexicon: Lexicon, text: str, max_dist: int | None, k: int,
          metric: Metric | Costs) -> list[Misspelling]:
    """The words of `text` that `lexicon` does not know, with up to `k` suggestions each."""
    verdicts: dict[tuple[str, bool], tuple[str, str] | None] = {}
    unknown: list[tuple[str, int, int, tuple[str, str]]] = []
    for word, start, end in tokens(text):
        dotted = text.startswith(".", end)
        try:
            verdict = verdicts[word, dotted]
        except KeyError:
            verdict = verdicts[word, dotted] = _verdict(lexicon, word, dotted)
        if verdict is not None:
            unknown.append((word, start, end, verdict))
    queries = list(dict.fromkeys(query for *_, (query, _) in unknown))
    answers = dict(zip(queries, lexicon.lookup_many(queries, max_dist, k, metric=metric)))
    return [Misspelling(word, start, end, _with_suffix(answers[query], suffix))
            for word, start, end, (query, suffix) in unknown]


def _with_suffix(answers: list[Suggestion], suffix: str) -> list[Suggestion]:
    if not suffix:
        return answers
    return [answer._replace(word=answer.word + suffix) for answer in answers]


def correct(lexicon: Lexicon, text: str, max_dist: int | None, metric: Metric | Costs) -> str:
    """`text` with each unknown word that has a suggestion replaced by the best one."""
    pieces: list[str] = []
    done = 0
    for word, start, end, suggestions in check(lexicon, text, max_dist, 1, metric):
        if suggestions:
            pieces += (text[done:start], suggestions[0].word)
            done = end
    pieces.append(text[done:])
    return "".join(pieces)
