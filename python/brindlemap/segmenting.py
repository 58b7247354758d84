"""Text written without spaces split into the likeliest words of a lexicon: "thequickbrownfox"
is "the quick brown fox", "alot" is "a lot".

Each run of letters is split on its own. A split is as likely as its words' shares of the
lexicon's counts multiplied together, times the lift of each pair of neighbours where the
lexicon has bigram counts (`brindlemap.context`); a stretch that spells no word may stand as
written, at a cost that grows with its length, so that every run has a split. The native
`spelt_words` finds every word that a stretch of the run spells (one descent from each
letter); a dynamic programme over them keeps, for each position and each word that may end
there, the best split of the run up to it.
"""

from __future__ import annotations

import math
import re
from collections.abc import Iterator
from typing import TYPE_CHECKING

from brindlemap import _search
from brindlemap.context import pair_lift

if TYPE_CHECKING:
    from brindlemap.lexicon import Lexicon

__all__ = ["LONGEST_WORD", "segment", "split"]

# The longest word looked for in a run, in characters; longer words are rarer than the errors
# of a split that tries them.
LONGEST_WORD = 32
# What a stretch that spells no word costs: as a word seen UNKNOWN_COUNT times, less
# UNKNOWN_PER_LETTER (natural logarithms) for each of its letters.
UNKNOWN_COUNT = 10
UNKNOWN_PER_LETTER = math.log(10)

_RUNS = re.compile(r"[^\W\d_]+|\S")


def _folded(lexicon: Lexicon, run: str) -> tuple[str, list[int]]:
    """The run folded as the lexicon folds words, and for each position of the fold the
    position of the run it stands for (-1 inside a letter that folds to several)."""
    key = lexicon._key_of(run)
    if len(key) == len(run):
        return key, list(range(len(run) + 1))
    pieces, places = [], []
    for at, character in enumerate(run):
        folded = lexicon._key_of(character) or character
        places += [at] + [-1] * (len(folded) - 1)
        pieces.append(folded)
    places.append(len(run))
    return "".join(pieces), places


def split(lexicon: Lexicon, run: str) -> list[str]:
    """The likeliest split of `run`, a run of letters, into pieces of it."""
    folded, places = _folded(lexicon, run)
    size = len(folded)
    ending: list[list[tuple[int, int]]] = [[] for _ in range(size + 1)]
    for start, end, number in _search.spelt_words(lexicon._trie, folded, LONGEST_WORD):
        if places[start] >= 0 and places[end] >= 0:
            ending[end].append((start, number))
    totals, total, bigrams = lexicon._totals, lexicon.total(), lexicon._bigrams
    log_total = math.log(total)
    unknown_first = math.log(UNKNOWN_COUNT) - log_total - UNKNOWN_PER_LETTER
    # states[i][last]: the best split of folded[:i] whose last piece is key `last` (UNKNOWN
    # for a stretch that spells no word, START before the first), as (its score, where that
    # piece starts, the piece before it). Each word's lift depends on the word before it only,
    # so these are all the states a best split can pass through.
    states: list[dict[int, tuple[float, int, int]]] = [{} for _ in range(size + 1)]
    states[0][_START] = (0.0, 0, _START)
    for end in range(1, size + 1):
        if places[end] < 0:
            continue
        here = states[end]
        previous = _last_place(places, end)
        for last, (score, start, before) in states[previous].items():
            if last == _UNKNOWN:  # the stretch grows by a letter
                candidate = (score - UNKNOWN_PER_LETTER * (end - previous), start, before)
            else:
                candidate = (score + unknown_first - UNKNOWN_PER_LETTER * (end - previous - 1),
                             previous, last)
            if candidate[0] > here.get(_UNKNOWN, _NONE)[0]:
                here[_UNKNOWN] = candidate
        for start, number in ending[end]:
            alone = math.log(max(totals[number], 1)) - log_total
            for last, (score, _, _) in states[start].items():
                candidate_score = score + alone
                if bigrams is not None and last >= 0:
                    candidate_score += pair_lift(bigrams, totals, total, last, number)
                if candidate_score > here.get(number, _NONE)[0]:
                    here[number] = (candidate_score, start, last)
    pieces = []
    end, last = size, max(states[size], key=lambda key: states[size][key][0])
    while end > 0:
        _, start, before = states[end][last]
        pieces.append(run[places[start]:places[end]])
        end, last = start, before
    return pieces[::-1]


_START, _UNKNOWN = -2, -1
_NONE = (-math.inf, 0, 0)


def _last_place(places: list[int], end: int) -> int:
    at = end - 1
    while places[at] < 0:
        at -= 1
    return at


def segment(lexicon: Lexicon, text: str) -> Iterator[str]:
    """The words of `text`: each run of letters split as `split` splits it, every other
    character but spaces a piece of its own."""
    for found in _RUNS.finditer(text):
        piece = found.group()
        if piece[0].isalpha():
            yield from split(lexicon, piece)
        else:
            yield piece
