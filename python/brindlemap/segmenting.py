"""Text written without spaces split into the likeliest words of a lexicon: "thequickbrownfox"
is "the quick brown fox", "alot" is "a lot".

Each run of letters (with the apostrophes between them: "Idon'tknow") is split on its own; a
number is a piece of its own. A split is as likely as its words' shares of the
lexicon's counts multiplied together, times the lift of each pair of neighbours where the
lexicon has bigram counts (`brindlemap.context`); a stretch that spells no word may stand as
written, at a cost that grows with its length, so that every run has a split. A word of one or
two letters counts so only among the commonest ("a", "go"), and otherwise as a letter that
spells no word: a code the lexicon lacks stands whole ("kwargs", not "kw ar gs"). The native
`segment` finds every word that a stretch of the run spells (one descent from each letter),
and a dynamic programme over them keeps, for each position and each word that may end there,
the best split of the run up to it. With `max_dist`, a piece may also be a word a few edits
from the stretch (a letter typed for another, left out, added, or two swapped; one edit for a
word of three letters or more, two from six), each edit costing EDIT_WEIGHT as it does in a
correction: "thequikbrownfox" is "the quick brown fox"; such a piece is given as the word.
The words laid over a lexicon (`Lexicon.with_words`) are pieces as written, each counting at
least as the lexicon's rarest word.
"""

from __future__ import annotations

import math
import re
from array import array
from collections.abc import Iterator
from typing import TYPE_CHECKING

from brindlemap import _search
from brindlemap.confidence import EDIT_WEIGHT
from brindlemap.context import SMOOTHING

if TYPE_CHECKING:
    from brindlemap.lexicon import Lexicon

__all__ = ["LONGEST_WORD", "MOST_EDITS", "checked_edits", "is_rare_short", "rare_short",
           "segment", "split"]

# The longest word looked for in a run, in characters; longer words are rarer than the errors
# of a split that tries them.
LONGEST_WORD = 32
# What a stretch that spells no word costs: as a word seen UNKNOWN_COUNT times, less
# UNKNOWN_PER_LETTER (natural logarithms) for each of its letters.
UNKNOWN_COUNT = 10
UNKNOWN_PER_LETTER = math.log(10)
# A piece of one letter is a word only among the lexicon's COMMON_ONE commonest keys ("a",
# "I"), not an initial ("pprint" is not "p print"); one of two letters only among the
# COMMON_TWO commonest ("go", "ok"), not a code ("kwargs" is not "kw ar gs", "alogirhtm" not
# "a log i rh tm"): any other such piece counts RARE_SHORT_COUNT, as much as a letter that
# spells no word.
COMMON_ONE = 100
COMMON_TWO = 2000
RARE_SHORT_COUNT = max(round(UNKNOWN_COUNT / math.exp(UNKNOWN_PER_LETTER)), 1)

# A run of letters may hold apostrophes between them ("Idon'tknow", "thedog'sbone"); a number
# is one piece, with its decimal point or thousands separators ("In1984", "pi3.14").
_RUNS = re.compile(r"[^\W\d_]+(?:['\u2019][^\W\d_]+)*|\d+(?:[.,]\d+)*|\S")
# The ending of a possessive: a word the lexicon knows with it is a piece ("dog's"), as written.
_POSSESSIVE = "s"
# The most edits between a piece and its word that a split looks for: past two, the word is
# more often a guess than the one meant.
MOST_EDITS = 2


def checked_edits(max_dist: object) -> int:
    """`max_dist` as the edits a split's pieces may lie from their words (0 to MOST_EDITS);
    TypeError or ValueError naming it otherwise."""
    if isinstance(max_dist, bool) or not isinstance(max_dist, int):
        raise TypeError(f"max_dist must be an int, not {type(max_dist).__name__}")
    if not 0 <= max_dist <= MOST_EDITS:
        raise ValueError(f"max_dist must be from 0 to {MOST_EDITS}, not {max_dist}")
    return max_dist


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


def split(lexicon: Lexicon, run: str, max_dist: int = 0) -> list[str]:
    """The likeliest split of `run`, a run of letters, into pieces of it, or into words within
    `max_dist` edits of its pieces."""
    folded, places = _folded(lexicon, run)
    allowed = b"" if len(folded) == len(run) else bytes(place >= 0 for place in places)
    possessives = array("Q")
    if "\u2019" in folded or "'" in folded:
        # An apostrophe stays inside its word: no piece starts or ends beside it, so that a
        # contraction the lexicon holds ("don't") is one piece, and a possessive is its word
        # with the ending ("dog's", as written). A ’ is read as ', as a check reads it.
        folded = folded.replace("\u2019", "'")
        cuts = bytearray(allowed) if allowed else bytearray(b"\x01" * (len(folded) + 1))
        for at, character in enumerate(folded):
            if character == "'":
                cuts[at] = cuts[at + 1] = 0
        allowed = bytes(cuts)
        possessives = _possessives(lexicon, folded)
    own = _own_words(lexicon, folded) + possessives
    bigrams = lexicon._bigrams
    pairs, counts, mass = ((_NO_PAIRS, _NO_PAIRS, 1) if bigrams is None
                           else (bigrams.pairs, bigrams.counts, bigrams.mass()))
    totals = lexicon._tables.totals()
    pieces = _search.segment(lexicon._trie, folded, allowed, totals,
                             lexicon.total(), pairs, counts, mass, SMOOTHING,
                             math.log(UNKNOWN_COUNT / lexicon.total()) - UNKNOWN_PER_LETTER,
                             UNKNOWN_PER_LETTER, LONGEST_WORD, max_dist, EDIT_WEIGHT, own,
                             rare_short(lexicon), RARE_SHORT_COUNT)
    ends = [piece[0] for piece in pieces[1:]] + [len(folded)]
    words = []
    for (start, number, edits), end in zip(pieces, ends):
        written = run[places[start]:places[end]]
        words.append(written if not edits or number is None or number >= len(totals)
                     else lexicon._meant(written, number, edits))
    return words


def rare_short(lexicon: Lexicon) -> bytes:
    """The lexicon's keys of one letter past its COMMON_ONE commonest and of two letters past
    its COMMON_TWO, as bits (key r's is bit r % 8 of byte r // 8, up to the last set): found
    among the trie's first two levels, once a lexicon."""
    if lexicon._rare_short is None:
        trie, found = lexicon._trie, []
        for _, node in trie.get_children(0):
            found.append((trie.get_payload(node), COMMON_ONE))
            found += ((trie.get_payload(child), COMMON_TWO)
                      for _, child in trie.get_children(node))
        rare = [number for number, common in found if number is not None and number >= common]
        bits = bytearray(max(rare, default=-1) // 8 + 1)
        for number in rare:
            bits[number // 8] |= 1 << number % 8
        lexicon._rare_short = bytes(bits)
    return lexicon._rare_short


def is_rare_short(lexicon: Lexicon, number: int) -> bool:
    """Whether key `number` is one of the lexicon's `rare_short` keys."""
    rare = rare_short(lexicon)
    return number // 8 < len(rare) and rare[number // 8] >> number % 8 & 1 == 1


def _own_words(lexicon: Lexicon, folded: str) -> array[int]:
    """The stretches of `folded` that spell the words laid over `lexicon` (`with_words`), as
    (start, end, count) triples one after another: pieces a split may take, as written. A
    word someone adds counts at least as its lexicon's rarest word does: they say it is one,
    however few times they counted it."""
    own = lexicon._extra
    found = array("Q")
    if own is not None:
        for start, end, number, _ in _search.spelt_words(own._trie, folded, LONGEST_WORD, 0):
            found.extend((start, end, _laid_count(lexicon, own, number)))
    return found


def _laid_count(lexicon: Lexicon, own: Lexicon, number: int) -> int:
    """What the word of key `number` among the words `own` laid over `lexicon` counts."""
    return max(own._tables.totals()[number], lexicon._tables.least_total())


def _possessives(lexicon: Lexicon, folded: str) -> array[int]:
    """The stretches of `folded` that are a word the lexicon holds, or one laid over it, with
    a possessive ending after it ("dog's"), as `_own_words` gives its triples, each counting as
    its word does there."""
    found = array("Q")
    ending = len(_POSSESSIVE) + 1
    for at, character in enumerate(folded):
        if character != "'" or folded[at + 1:at + ending] != _POSSESSIVE:
            continue
        for start in range(max(at - LONGEST_WORD + ending, 0), at):
            count = _count_of(lexicon, folded[start:at])
            if count is not None:
                found.extend((start, at + ending, count))
    return found


def _count_of(lexicon: Lexicon, key: str) -> int | None:
    """How often the word of `key` counts in a split: its count, or for a word laid over the
    lexicon at least its rarest word's; None for a word of neither."""
    number = lexicon._number(key)
    if number is not None:
        return lexicon._tables.totals()[number]
    own = lexicon._extra
    if own is None or (number := own._number(key)) is None:
        return None
    return _laid_count(lexicon, own, number)


_NO_PAIRS = array("Q")


def segment(lexicon: Lexicon, text: str, max_dist: int = 0) -> Iterator[str]:
    """The words of `text`: each run of letters split as `split` splits it, every other
    character but spaces a piece of its own."""
    for found in _RUNS.finditer(text):
        piece = found.group()
        if piece[0].isalpha():
            yield from split(lexicon, piece, max_dist)
        else:
            yield piece
