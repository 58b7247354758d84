"""How much likelier a word is between its neighbours than alone, from a lexicon's bigram
counts: the evidence that ranks the guesses at a misspelling in its sentence.

A word w after a word p is as likely as the count of the pair (p, w) says, smoothed towards
what the two words' counts would give if they were independent; the lift of the pair is the
logarithm of the one over the other,

    lift(p, w) = ln(1 + count(p, w) / (SMOOTHING * scale * count(p) * count(w) / total)),

which is 0 where the pair is not listed (the word's own count decides, a backoff to it) and
grows with how much more often the pair is seen than chance allows. `scale` is the bigram
counts' total over the word counts' total: the two may be counted in corpora of different
sizes (the shipped pairs come from one 23 times larger than its words). A word's lift in its
place is the sum of the lifts of the pair it closes and the pair it opens.
"""

from __future__ import annotations

from collections.abc import Callable
from math import log, log1p
from typing import TYPE_CHECKING

if TYPE_CHECKING:
    from brindlemap._types import Numbers
    from brindlemap.bigrams import Bigrams
    from brindlemap.tokens import Token

__all__ = ["SMOOTHING", "adjacent", "lift", "neighbours", "pair_lift"]

# What an unlisted pair is worth against a listed one, as a multiple of the count that chance
# gives it: the bigram list holds the commonest pairs only, so one it lacks may still be met.
SMOOTHING = 1.0
# What may stand between two words that are read as neighbours: spaces, and one line break.
_BETWEEN = frozenset(" \t\r\n\u00a0")


def pair_lift(bigrams: Bigrams, totals: Numbers, total: int, first: int, second: int,
              absent: float = 0.0) -> float:
    """The lift of key `second` after key `first`. A pair the table lacks lifts nothing,
    unless `absent` weighs what its absence says: the table holds every pair met at least
    `bigrams.least()` times, so one that chance alone would give far more often than that is
    met less than chance gives, by at least that factor, which `absent` times its logarithm
    counts against it."""
    count = bigrams.count(first, second)
    scale = bigrams.mass() / total
    if not count:
        if not absent:
            return 0.0
        expected = scale * max(totals[first], 1) * max(totals[second], 1) / total
        return absent * min(0.0, log(bigrams.least() / expected))
    return log1p(count * total / (SMOOTHING * scale * max(totals[first], 1)
                                  * max(totals[second], 1)))


def lift(bigrams: Bigrams, totals: Numbers, total: int, before: int | None, number: int,
         after: int | None, absent: float = 0.0) -> float:
    """The lift of key `number` between keys `before` and `after` (None where the word has
    no neighbour known to the lexicon); `absent` as `pair_lift` takes it."""
    found = 0.0
    if before is not None:
        found += pair_lift(bigrams, totals, total, before, number, absent)
    if after is not None:
        found += pair_lift(bigrams, totals, total, number, after, absent)
    return found


def adjacent(text: str, end: int, start: int) -> bool:
    """Whether the words ending at `end` and starting at `start` are neighbours: nothing but
    spaces and at most one line break between them, and not a tab or two spaces within a line,
    which part a table's columns."""
    between = text[end:start]
    return set(between) <= _BETWEEN and (between.count("\n") == 1 or (
        between.count("\n") == 0 and "\t" not in between and "  " not in between))


def neighbours(text: str, found: list[Token], at: int,
               read: Callable[[int], str] | None = None) -> tuple[str | None, str | None]:
    """The words just before and just after token `at` in its sentence (None where
    punctuation, a paragraph's end or the text's edge stands between), each token read by
    `read(index)` (a misspelt neighbour may be read as its best guess), else as written."""
    token = found[at]
    before = after = None
    if at and adjacent(text, found[at - 1].end, token.start):
        before = found[at - 1].word if read is None else read(at - 1)
    if at + 1 < len(found) and adjacent(text, token.end, found[at + 1].start):
        after = found[at + 1].word if read is None else read(at + 1)
    return before, after
