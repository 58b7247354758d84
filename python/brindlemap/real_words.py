"""Known words in the wrong place: "form" where "from" was meant, "there" for "their". A word
the lexicon knows is flagged when a word one edit away, or its partner in a short list of words
writers confuse, is far likelier between the same neighbours.

Each word is scored as `confidence.score` scores a guess: its share of the counts plus its
lift between its neighbours (`brindlemap.context`, a pair the bigram list lacks though chance
would make it common counting against the word); a rival pays for the slip it supposes,
EDIT_WEIGHT for an edit or CONFUSED for a confusion of the list. The word is flagged where the
best rival's score beats its own by MARGIN (by more at a higher `confidence`) and its
neighbours, not its count alone, make the difference: a rare word is no slip for a common one
because it is rare. Names (capitalised words inside a sentence), capitals and words without
neighbours the lexicon knows are never flagged.
"""

from __future__ import annotations

import math
from collections.abc import Callable
from typing import TYPE_CHECKING

from brindlemap._types import Suggestion
from brindlemap.casing import carrier
from brindlemap.confidence import DEFAULT_CONFIDENCE, EDIT_WEIGHT
from brindlemap.context import neighbours
from brindlemap.costs import Costs

if TYPE_CHECKING:
    from brindlemap.lexicon import Lexicon
    from brindlemap.queries import Metric
    from brindlemap.tokens import Token

__all__ = ["CONFUSIONS", "rivals_in_place"]

# Words that writers put for one another, whatever their letters.
CONFUSIONS = (("their", "there", "they're"), ("its", "it's"), ("your", "you're"),
              ("then", "than"), ("to", "too"), ("lose", "loose"), ("affect", "effect"),
              ("form", "from"), ("who's", "whose"), ("were", "where"), ("of", "off"))
_PARTNERS = {word: tuple(other for other in group if other != word)
             for group in CONFUSIONS for word in group}
# What a confusion of the list costs, against EDIT_WEIGHT for an edit: it is commoner.
CONFUSED = 2.0
# What a pair that the bigram list lacks, though chance would make it common, says against the
# word in it (`context.pair_lift`): chance alone would put "his a" in the list forty times over
# ("the object his a name"), so its absence tells against "his" as much as "this a" tells for
# "this".
ABSENT = 2.0
# How much likelier the rival must be, and how much of that its neighbours must give.
MARGIN = 2.0
CONTEXT_GAIN = 1.0
# Guesses one edit from each word, before they are weighed in context.
_RIVALS = 12


def rivals_in_place(lexicon: Lexicon, text: str, found: list[Token], known: list[int],
                    opens: Callable[[int], bool], metric: Metric | Costs,
                    confidence: float) -> dict[int, list[Suggestion]]:
    """For each of the `known` tokens (indexes into `found`; `opens(at)` tells whether token
    `at` opens a sentence) that stands in the wrong place, its likelier rivals, best first, in
    its casing."""
    unit = metric.unit if isinstance(metric, Costs) else 1
    asked = {}
    for at in known:
        word = found[at].word
        if len(word) < 2 or word.isupper() or (word[:1].isupper() and not opens(at)) \
                or not word.replace("'", "").replace("’", "").isalpha():
            continue
        before, after = neighbours(text, found, at)
        number = lexicon._base_number(word)
        if before is None and after is None or not _paired(lexicon, number):
            continue
        asked[at] = (word, before, after)
    words = list(dict.fromkeys(word for word, _, _ in asked.values()))
    answers = dict(zip(words, lexicon.lookup_many(words, unit, _RIVALS, metric=metric)))
    total = lexicon.total()
    scale = confidence / (1 - confidence) / (DEFAULT_CONFIDENCE / (1 - DEFAULT_CONFIDENCE)) \
        if confidence < 1 else math.inf
    flagged = {}
    for at, (word, before, after) in asked.items():
        lowered = word.lower()
        own_lift = lexicon._lift(before, lowered, after, ABSENT)
        own = math.log(max(lexicon.count(lowered), 1) / total) + own_lift
        # (rival, what its slip costs)
        candidates = {guess.word.lower(): (guess, EDIT_WEIGHT * guess.distance / unit)
                      for guess in answers[word] if guess.distance > 0}
        carry = carrier(word)
        for partner in _PARTNERS.get(lowered, ()):
            if partner in lexicon:
                candidates[partner] = (tuple.__new__(Suggestion, (
                    carry(partner), lexicon.count(partner), unit)), CONFUSED)
        rivals = []
        for guess, slip in candidates.values():
            if not _paired(lexicon, lexicon._base_number(guess.word)):
                continue  # nothing is known of the words it goes with
            lift = lexicon._lift(before, guess.word, after, ABSENT)
            rival = math.log(max(guess.count, 1) / total) + lift - slip
            if rival - own >= MARGIN * scale and lift - own_lift >= CONTEXT_GAIN * scale:
                rivals.append((rival, guess))
        if rivals:
            rivals.sort(key=lambda pair: -pair[0])
            flagged[at] = [guess for _, guess in rivals]
    return flagged


def _paired(lexicon: Lexicon, number: int | None) -> bool:
    bigrams = lexicon._bigrams
    return number is not None and bigrams is not None and bigrams.paired(number)
