"""Known words in the wrong place: "form" where "from" was meant, "there" for "their". A word
the lexicon knows is flagged when a word one edit away, or its partner in a short list of words
writers confuse, is far likelier between the same neighbours.

Each word is scored as `confidence.score` scores a guess: its share of the counts (mixed with
its share of the text, where the text writes it elsewhere) plus its lift between its
neighbours (`brindlemap.context`, a pair the bigram list lacks though chance would make it
common counting against the word); a rival pays for the slip it supposes,
EDIT_WEIGHT for an edit or CONFUSED for a confusion of the list. The word is flagged where the
best rival's score beats its own by MARGIN (by more at a higher `confidence`) and its
neighbours, not its count alone, make the difference: a rare word is no slip for a common one
because it is rare. A word the bigram list never pairs because it is too rare for the list is
weighed only against rivals that the list pairs with both its neighbours; one it should know
but never saw ("you're", "yo") is weighed so only against rivals at least UNSEEN times as
common, its own pairs saying nothing against it. Names (capitalised words inside a sentence),
capitals, words without neighbours the lexicon knows and words beside a neighbour the text
gives them again elsewhere (a writer who repeats a phrase means it: "dead ant, dead ant") are
never flagged; unless the text gives a rival beside that neighbour far more often still ("in
tie" twice where "in the" comes two hundred times).
"""

from __future__ import annotations

import math
from collections import Counter
from collections.abc import Callable, Mapping
from typing import TYPE_CHECKING

from brindlemap._types import Suggestion
from brindlemap.casing import carrier
from brindlemap.confidence import DEFAULT_CONFIDENCE, EDIT_WEIGHT, mixed, text_share
from brindlemap.context import adjacent, lift, neighbours
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
MARGIN = 1.0
CONTEXT_GAIN = 1.0
# Guesses one edit from each word, before they are weighed in context: a short word has dozens
# ("a" is the 37th guess at "an" by its letters, after every word a slip away), and the one
# meant is seldom among the first.
_RIVALS = 64
# A word the bigram list never saw is no slip for one merely a few times as common ("you're"
# for "your"), but it may be for one far commoner ("that yo have").
UNSEEN = 30
# How often the text may give a word beside the same neighbour before it is taken as meant ("a
# dead ant, a dead ant"): unless the text gives a rival beside that neighbour _OUTNUMBERED
# times as often still, where the same slip made twice is more likely than a phrase of its own
# ("in tie" twice, in a licence that writes "in the" two hundred times).
_REPEATED = 2
_OUTNUMBERED = 30


def rivals_in_place(lexicon: Lexicon, text: str, found: list[Token], known: list[int],
                    opens: Callable[[int], bool], metric: Metric | Costs,
                    confidence: float, shares: Mapping[str, float] | None = None,
                    ) -> dict[int, list[Suggestion]]:
    """For each of the `known` tokens (indexes into `found`; `opens(at)` tells whether token
    `at` opens a sentence) that stands in the wrong place, its likelier rivals, best first, in
    its casing; `shares` gives each word's share of the text (`confidence.text_shares`)."""
    shares = shares or {}
    bigrams = lexicon._bigrams
    if bigrams is None:
        return {}
    unit = metric.unit if isinstance(metric, Costs) else 1
    pairs = _pairs(text, found)
    after_most, before_most = _most_beside(pairs)
    asked = {}
    for at in known:
        word = found[at].word
        if len(word) < 2 or word.isupper() or (word[:1].isupper() and not opens(at)) \
                or not word.replace("'", "").replace("’", "").isalpha():
            continue
        before, after = neighbours(text, found, at)
        if before is None and after is None:
            continue
        said = _beside(pairs, before, word.lower(), after)
        if said >= _REPEATED and _OUTNUMBERED * said > max(
                after_most.get(before.lower(), 0) if before is not None else 0,
                before_most.get(after.lower(), 0) if after is not None else 0):
            continue  # no word outnumbers it beside its neighbours
        number = lexicon._base_number(word)
        if number is None:
            continue
        paired = bigrams.paired(number)
        unseen = not paired and lexicon._unknown_in_pairs(word)
        if not paired and (before is None or after is None):
            continue
        asked[at] = (word, before, after, number, paired, unseen, said)
    words = list(dict.fromkeys(word for word, *_ in asked.values()))
    answers = dict(zip(words, lexicon.lookup_many(words, unit, _RIVALS, metric=metric)))
    total = lexicon.total()
    totals = lexicon._tables.totals()
    scale = confidence / (1 - confidence) / (DEFAULT_CONFIDENCE / (1 - DEFAULT_CONFIDENCE)) \
        if confidence < 1 else math.inf
    margin, gain = MARGIN * scale, CONTEXT_GAIN * scale
    rivals_of: dict[str, list[tuple[Suggestion, int, float]]] = {}
    numbers: dict[str, int | None] = {}

    def number_of(word: str | None) -> int | None:
        if word is None:
            return None
        if word not in numbers:
            numbers[word] = lexicon._base_number(word)
        return numbers[word]

    flagged = {}
    once = text_share(1, len(found))
    for at, (word, before, after, number, paired, unseen, said) in asked.items():
        if word not in rivals_of:
            rivals_of[word] = _rivals(lexicon, word, answers[word], unit, total)
        first, second = number_of(before), number_of(after)
        # The pairs of a word the list never saw say nothing against it.
        own_lift = lift(bigrams, totals, total, first, number, second, 0.0 if unseen else ABSENT)
        # The word counts as the text writes it elsewhere, its own place aside.
        elsewhere = max(shares.get(word.lower(), 0.0) - once, 0.0)
        own = math.log(mixed(max(lexicon.count(word), 1) / total, elsewhere)) + own_lift
        rivals = []
        for guess, rival_number, prior in rivals_of[word]:
            if unseen and guess.count < UNSEEN * lexicon.count(word):
                continue
            if said >= _REPEATED and \
                    _beside(pairs, before, guess.word.lower(), after) < _OUTNUMBERED * said:
                continue
            if not paired and (first is None or second is None
                               or not bigrams.count(first, rival_number)
                               or not bigrams.count(rival_number, second)):
                continue
            rival_lift = lift(bigrams, totals, total, first, rival_number, second, ABSENT)
            rival = prior + rival_lift + _written(shares, guess, total)
            if rival - own >= margin and rival_lift - own_lift >= gain:
                rivals.append((rival, guess))
        if rivals:
            rivals.sort(key=lambda pair: -pair[0])
            flagged[at] = [guess for _, guess in rivals]
    return flagged


def _rivals(lexicon: Lexicon, word: str, guesses: list[Suggestion], unit: int,
            total: int) -> list[tuple[Suggestion, int, float]]:
    """The rivals of `word` that the bigram list pairs, each with its key's number and its
    score before its neighbours are weighed: its share of the counts, less its slip."""
    bigrams = lexicon._bigrams
    assert bigrams is not None
    # (rival, what its slip costs)
    candidates = {guess.word.lower(): (guess, EDIT_WEIGHT * guess.distance / unit)
                  for guess in guesses if guess.distance > 0}
    carry = carrier(word)
    for partner in _PARTNERS.get(word.lower(), ()):
        if partner in lexicon:
            candidates[partner] = (tuple.__new__(Suggestion, (
                carry(partner), lexicon.count(partner), unit)), CONFUSED)
    found = []
    for guess, slip in candidates.values():
        number = lexicon._base_number(guess.word)
        if number is None or not bigrams.paired(number):
            continue  # nothing is known of the words it goes with
        found.append((guess, number, math.log(max(guess.count, 1) / total) - slip))
    return found


def _written(shares: Mapping[str, float], guess: Suggestion, total: int) -> float:
    """What the text's writing `guess` elsewhere adds to its score."""
    in_text = shares.get(guess.word.lower(), 0.0)
    if not in_text:
        return 0.0
    share = max(guess.count, 1) / total
    return math.log(mixed(share, in_text) / share)


def _beside(pairs: Counter[tuple[str, str]], before: str | None, lowered: str,
            after: str | None) -> int:
    """How often the text gives the word `lowered` beside `before` or beside `after`, which
    ever it gives it beside more often."""
    return max(0 if before is None else pairs[before.lower(), lowered],
               0 if after is None else pairs[lowered, after.lower()])


def _most_beside(pairs: Counter[tuple[str, str]]) -> tuple[dict[str, int], dict[str, int]]:
    """For each word of the text, how often it gives its commonest word after it, and its
    commonest word before it."""
    after_most: dict[str, int] = {}
    before_most: dict[str, int] = {}
    for (one, two), count in pairs.items():
        after_most[one] = max(after_most.get(one, 0), count)
        before_most[two] = max(before_most.get(two, 0), count)
    return after_most, before_most


def _pairs(text: str, found: list[Token]) -> Counter[tuple[str, str]]:
    """How often the text gives each pair of neighbouring words, in lowercase."""
    pairs: Counter[tuple[str, str]] = Counter()
    for one, two in zip(found, found[1:]):
        if adjacent(text, one.end, two.start):
            pairs[one.word.lower(), two.word.lower()] += 1
    return pairs
