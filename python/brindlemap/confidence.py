"""Whether `correct` should replace a word the lexicon does not know by its best suggestion:
the evidence a careful reader weighs before touching someone else's text.

A suggestion is a good guess when the typo it supposes is small for the word's length, when
the word it proposes is much likelier than the next guess, and when the word looks like a
slip rather than a name, a term or a word of another language. So a fix is left out where:

- the word holds a letter of a script the lexicon does not hold, or the fix would write it in
  another script ("東京" never becomes "of");
- the word is the fix with accents of its own ("naïve" for "naive"), or the fix with a common
  ending or beginning ("executables", "relicensing"): a form the lexicon lacks, not a typo
  (where the word lacks the accents of its fix, "fraternite", or the fix is shorter than four
  letters, "ther", it is a typo);
- a third or more of the words around it are unknown words without a sure fix: a passage in
  another language, a list of names or a line of code reads so (`proofreading` weighs this
  once every word has its fix);
- the text writes the word elsewhere and it is not fixed the same way in at least half of its
  places: a writer spells a word one way throughout (`proofreading` weighs this too, and
  makes a word fixed so in its other places where it is written alike);
- the word stands alone between quotation marks ('the "oneline" format', "'gdefault'"): a word
  mentioned, a name or a setting, written as it is;
- the word is in capitals of four letters or fewer (an acronym: "GPL"; but not in a passage
  written in capitals, "IN NO EVENT SHALL TEH AUTHORS"), or capitalised inside
  a sentence (and not in a title, beside other capitalised words, one that opens the
  sentence aside) while the fix is not a name itself nor supported by its neighbours, or
  is more than one edit away ("Hakuin" is not "Akin", "Zelensky" not "Kerensky"), or
  stands beside another capitalised word the lexicon lacks, as the parts of a name do,
  even where it opens the sentence ("Matteo Collina" is not "Collins", nor "Alexandre
  Oliva" "Alexander");
- the word has fewer than three letters ("en", "nl": mostly codes), or the typo supposed
  is large for the word (more than two of the commonest slips in a word of five letters or
  fewer, "owudl" is still "would"; more than two plain edits in any; more than two slips in a
  word the text writes twice or more, "soname"), or the word is in small letters and the fix
  an acronym ("bfi" is not "FBI").

Otherwise the noisy channel decides (`score`): each guess is as likely as its count, less a
factor for each edit its typo supposes (and one more where it changes the word's first letter,
which writers seldom get wrong), times its lift between the word's neighbours where the lexicon
has bigram counts (`brindlemap.context`: "jumpd ovr the" means "over", not the commoner "or").
The guesses are ranked so; the best must be likelier, by its letters and count alone, than the
word being right as written, and lead the next guess, in context, by a margin that grows with
the size of the typo. The first bar falls with the word's length (a long word a slip from a
known one is seldom a word of its own); both rise with the times the text uses the word, in all
its forms (a writer who repeats a word means it), unless the neighbours support the guess in
most of the places the text uses it, all but two of them; a phrase the text writes again and
again ("later to maint") supports it once. A document that writes the word in its code, tags or
links uses it there too, and there nothing supports the guess ("a struct" beside `struct
Point`). Where the lexicon knows how often words are written (`Facts.heard`: the shipped
English one does), a word that nobody writes, whose best guess its neighbours support wherever
the text uses it, needs only a small lead if the guess is near enough, and meets a lower first
bar otherwise ("accortind to": "according"); one that people write often meets a higher one
("multipart" is not "multiparty"), and so does one without a vowel, more often an abbreviation
than a slip ("fsck" is not "fuck"). `confidence`, from 0 to 1, scales the bars: 0 takes every
best suggestion, as a plain spelling corrector does, 1 fixes nothing; the rules above hold from
MIN_CONFIDENCE on.
"""

from __future__ import annotations

import math
import re
import unicodedata
from collections.abc import Iterable, Mapping
from typing import NamedTuple, Protocol

from brindlemap._types import Suggestion
from brindlemap.heard import HEARD_FROM


__all__ = ["CANDIDATES", "DEFAULT_CONFIDENCE", "MIN_CONFIDENCE", "Evidence", "Facts",
           "checked_confidence", "decide", "ranked", "score", "scripts", "scripts_of_utf8",
           "split_wins"]

DEFAULT_CONFIDENCE = 0.9
# From here on, the rules that keep names, terms and other forms as written hold.
MIN_CONFIDENCE = 0.1
# Endings and beginnings that make a word the lexicon lacks from one it holds.
_ENDINGS = ("s", "es", "ed", "ing", "ly", "er", "ers", "or", "ors", "ness", "ment",
            "ments", "able", "ability", "ity", "ism", "ist", "ists", "ize", "ized", "ise", "al")
_BEGINNINGS = ("re", "un", "non", "pre", "co", "de", "dis", "mis", "sub", "over", "under",
               "inter", "multi", "anti", "semi", "self", "cross", "counter", "post", "super")
# The British spellings that have an American twin, as patterns: only where no common slip
# writes the one for the other ("sentense" is no twin of "sentence", nor "yor" of "your", nor
# "advize" of "advise", which Americans write so too).
_SPELT_AMERICAN = [(re.compile(british), american) for british, american in (
    (r"isation", "ization"), (r"yse(s?|d)$", r"yze\1"), (r"ysing$", "yzing"),
    (r"(\w\w[^aeiou])our(s|ed|ing|ful|ite|ites|able|ably|hood|less|er|ers)?$", r"\1or\2"),
    (r"([^aeiou])tre(s?)$", r"\1ter\2"), (r"ogue(s?)$", r"og\1"),
    (r"^(def|off|lic|pret)ence(s?)$", r"\1ense\2"))]
_SHORTEST_STEM = 4  # letters of a word that takes an ending
_SHORTEST_FORMED = 6  # letters of a known word whose forms are words too
# Plain Latin letters without a vowel: one real misspelling in 1,500 is written so (codespell's
# list, Wikipedia's), and many abbreviations and names of code are.
_NO_VOWEL = re.compile(r"[b-df-hj-np-tv-xzB-DF-HJ-NP-TV-XZ]+")


def checked_confidence(confidence: float) -> float:
    """`confidence` as a float from 0 to 1; TypeError or ValueError naming it otherwise."""
    if isinstance(confidence, bool) or not isinstance(confidence, (int, float)):
        raise TypeError(f"confidence must be a number from 0 to 1, not "
                        f"{type(confidence).__name__}")
    if not 0 <= confidence <= 1:
        raise ValueError(f"confidence must be from 0 to 1, not {confidence!r}")
    return float(confidence)


class Evidence(NamedTuple):
    """What is known of a flagged word: itself, its place and the guesses at it."""

    word: str  # as written (its stem, where a suffix was taken off)
    sentence_start: bool  # whether it opens a sentence, where capitals say nothing
    in_title: bool  # whether a capitalised word stands beside it ("GNU General Public")
    uses: int  # how many times the text holds it (by its lowercase)
    suggestions: list[Suggestion]  # best first, at least the first two where there are two
    unit: int  # the cost of a plain edit in the suggestions' distances
    lifts: list[float] | None = None  # each suggestion's lift between the word's neighbours
    shouted: bool = False  # whether the words either side are in capitals too ("THE SOFTWARE")
    # The share of the word's places in the text where its neighbours support its best guess.
    backed: float = 1.0
    # Whether a capitalised word the lexicon lacks stands beside it.
    named: bool = False
    # In how many different pairs of neighbours the word's best guess is supported.
    contexts: int = 1
    # Whether it stands alone between quotation marks: a word mentioned, written as it is.
    quoted: bool = False
    # Whether the bigram counts should know the best two guesses but hold no pair of each.
    unknown_in_pairs: tuple[bool, bool] = (False, False)
    # Whether the text writes its best guess elsewhere as it is written, with a capital, inside
    # a sentence.
    capital_elsewhere: bool = False
    # Each word's share of the text's words, by its lowercase: the words the text writes.
    shares: Mapping[str, float] | None = None


def script(character: str) -> str:
    """The script a letter is written in, by the first word of its Unicode name: LATIN,
    CYRILLIC, GREEK, CJK, HIRAGANA, ARABIC..."""
    name = unicodedata.name(character, "")
    return name.split(" ", 1)[0] if name else ""


_ASCII = re.compile(rb"[\x00-\x7f]+")
_ASCII_LETTER = re.compile(rb"[A-Za-z]")


def scripts(words: Iterable[str]) -> frozenset[str]:
    """The scripts of the letters of `words`."""
    return scripts_of_utf8("".join(words).encode("utf-8", "surrogatepass"))


def scripts_of_utf8(text: bytes | memoryview) -> frozenset[str]:
    """The scripts of the letters of `text`, in UTF-8. A lexicon's words are mostly ASCII:
    the regular expressions pass over those in C, and only the rest is decoded and looked at
    a character at a time."""
    rest = str(_ASCII.sub(b" ", text), "utf-8", "replace")
    held = {script(c) for c in set(rest) if c.isalpha()}
    if _ASCII_LETTER.search(text):
        held.add("LATIN")
    return frozenset(held)


def _bare(word: str) -> str:
    apart = unicodedata.normalize("NFD", word)
    return "".join(c for c in apart if not unicodedata.combining(c))


# The endings of one who does a thing, and the endings of the doing ("uploader", "uploaded").
_DOERS = ("ers", "er")
_DOINGS = ("ing", "ed", "es", "s")


def _ending_swapped(word: str, fix: str) -> str | None:
    """The stem that `word` and `fix` share where one ends as a doer ("uploader") and the other
    as a doing of it ("uploaded"), neither doubling the stem's last letter; None otherwise."""
    word, fix = word.lower(), fix.lower()
    for first, second in ((_DOERS, _DOINGS), (_DOINGS, _DOERS)):
        one = next((ending for ending in first if word.endswith(ending)), None)
        two = next((ending for ending in second if fix.endswith(ending)), None)
        if one is None or two is None:
            continue
        stem = word[:-len(one)]
        if stem == fix[:-len(two)] and len(stem) >= _SHORTEST_STEM and stem[-1] != one[0]:
            return stem
    return None


def _lettered(word: str, fix: str) -> bool:
    """Whether `word` is `fix` with a letter put before it, or a "y" after it (for its final
    "e"), both in small letters."""
    return word[1:] == fix or word == fix + "y" or (fix[-1:] == "e" and word == fix[:-1] + "y")


def _commonest(guess: Suggestion, facts: Facts) -> bool:
    """Whether `guess` is among the commonest words: by how often it is written where the
    lexicon knows that, by its share of the lexicon's counts otherwise."""
    heard = facts.heard(guess.word)
    return (heard if heard is not None else guess.count / facts.total()) >= COMMONEST


def _inflected(word: str, fix: str) -> bool:
    """Whether `word` is `fix` with a common ending or beginning, or with accents."""
    word, fix = word.lower(), fix.lower()
    # A word written with accents of its own is a form ("naïve"); one written without the
    # accents its fix has is a typo ("fraternite", "Erklarung").
    if word != fix and _bare(word) == _bare(fix) and _bare(word) != word:
        return True
    # A word of three letters with an ending is mostly a slip: "ther" is "the" mistyped, not
    # a form of it.
    if len(fix) < _SHORTEST_STEM:
        return word.endswith(fix) and word[:len(word) - len(fix)].rstrip("-") in _BEGINNINGS
    if word.startswith(fix) and word[len(fix):] in _ENDINGS and word[-2:] != fix[-1] * 2:
        return True  # but "thiss" is "this" with a doubled letter
    if fix.endswith("e") and word.startswith(fix[:-1]) and word[len(fix) - 1:] in _ENDINGS:
        return True  # "licensor" of "license"
    return word.endswith(fix) and word[:len(word) - len(fix)].rstrip("-") in _BEGINNINGS


def _twins(word: str, fix: str) -> bool:
    """Whether `word` and `fix` are one word spelt two ways, British and American
    ("virtualization" of "virtualisation", "colour", "centre", "catalogue", "defence"): a
    lexicon may hold one spelling only, and the other is no slip of it."""
    return word.lower() != fix.lower() and _american(word) == _american(fix)


def _american(word: str) -> str:
    word = word.lower()
    for british, american in _SPELT_AMERICAN:
        word = british.sub(american, word)
    return word


def _formed(word: str, fix: str, facts: Facts) -> bool:
    """Whether `word` is a known word of _SHORTEST_FORMED letters or more with a common ending
    ("prepended", "prepending" of "prepend"), a form the lexicon lacks, other than where `fix`
    keeps the known word's letters but for its last: then the slip is in the ending
    ("occured", "arguement", "begining")."""
    word, fix = word.lower(), fix.lower()
    for ending in _ENDINGS:
        stem = word[:-len(ending)]
        if word.endswith(ending) and len(stem) >= _SHORTEST_FORMED \
                and (stem in facts or stem + "e" in facts) and not fix.startswith(stem[:-1]):
            return True
    return False


class Facts(Protocol):
    """What the decision asks of the lexicon."""

    def scripts(self) -> frozenset[str]:
        """The scripts of the lexicon's letters."""

    def is_name(self, word: str) -> bool:
        """Whether the lexicon writes `word` with a capital of its own."""

    def total(self) -> int:
        """The count of all the lexicon's words, at least 1."""

    def heard(self, word: str) -> float | None:
        """How often `word` is written, a word, in a broad sample of the lexicon's language;
        None where nothing is known of that."""

    def __contains__(self, word: object) -> bool:
        """Whether the lexicon holds `word`."""


# The noisy channel: a guess is as likely as its share of the lexicon's counts, less a factor of
# e**EDIT_WEIGHT for each plain edit its typo supposes. A fix must be likelier, so measured in
# natural logarithms, than e**-WRITTEN_AS_MEANT, what the word being right as written is worth
# (more for a word the text repeats: a word of 23 in a billion needs to be no more than a slip
# away), and lead the next guess by LEAD (more for a repeated word or a larger typo);
# `confidence` scales both (1 at DEFAULT_CONFIDENCE, without bound towards 1). The weights are
# those that `bench/trusted_correction.py` measured best.
EDIT_WEIGHT = 6.0
SPACE_WEIGHT = 3.0  # for each space a run-on word lacks: a slip commoner than most
CONTEXT_WEIGHT = 1.0  # times a guess's lift between its neighbours (`brindlemap.context`)
# The guesses at a word that are ranked in its context: the best by their letters and counts.
CANDIDATES = 24
# A guess whose lift in its place is at least this much is supported by its neighbours: its
# capital inside a sentence no longer marks a name, nor its repeats a word that is meant. A word
# the text repeats needs that support in at least BACKED of its places, and in all but
# UNBACKED of them: "the func" suits "fund" here and there, and "the trie" "the true" in two
# places of three, but a writer who uses "func" or "trie" twenty times means it.
SUPPORTED = 0.5
BACKED = 0.5
UNBACKED = 2
# Words of fewer letters are never fixed: a slip there leaves too many words a letter away,
# and such tokens are mostly codes and names ("en", "nl", "fh"). Neither list of real
# misspellings the bench draws from holds one.
SHORTEST_FIXED = 3
# A word the text writes more than once is meant where its best guess lies more than this many
# plain edits away, two of the commonest slips: the same large slip made twice is rarer than a
# term used twice ("the soname number" is not "the same number"), but a writer who swaps
# letters swaps them alike ("ahev" twice is still "have").
REPEATED_EDITS = 1.4
WRITTEN_AS_MEANT = 17.0
# A long word a slip away from a known one is seldom a word of its own that the lexicon lacks:
# the bar falls by LENGTH_CREDIT for each letter past SHORT_WORD.
LENGTH_CREDIT = 0.75
# What the commonest slips cost in plain edits (a transposition or a doubled letter, as the
# English costs weigh them).
SLIP = 0.7
SHORT_WORD = 6
LEAD = 2.0
PER_USE = 2.0  # times the logarithm of the uses of the word in the text, on both
LEAD_PER_EDIT = 2.0  # for each plain edit past a slip
LEAD_WITHOUT_RUNNER = 5.0  # the lead of a guess that has no other beside it
# Where the lexicon knows how often words are written (`brindlemap.heard`), a word that nobody
# writes, whose guess its neighbours support wherever the text uses it, is a slip if the guess
# scores at least -UNHEARD_BAR ("that meens": "means") and leads the runner-up by UNHEARD_LEAD
# ("on Mondy at 10" is "Money" or "Monday" alike). (How often a word is written says less the
# other way: "accomodate" is written a hundredth as often as "accommodate", "Marmion" a
# fiftieth as often as "Marion".)
UNHEARD_BAR = 16.0
UNHEARD_LEAD = 0.5
# Farther guesses at such a word still need their lead, but the first bar falls by this much.
UNHEARD_CREDIT = 3.0
# Writers seldom slip on a word's first letter: it differs in one real misspelling in fifty
# (codespell's list, Wikipedia's), far fewer than a slip anywhere in the word would give. A guess
# that changes it, other than by swapping the first two letters ("hte"), is less likely by this
# much: "readline" is seldom "deadline", nor "fname" "name".
FIRST_LETTER = 3.0
# A word people write often is as likely a term as a slip: the first bar rises by this much for
# each power of ten it is written more often than HEARD_FROM ("multipart" is not "multiparty").
HEARD_CREDIT = 2.0
# Writers leave out a contraction's apostrophe far more often than they slip anywhere else
# ("youre", "dont", "isnt"): putting it back counts as this many plain edits, so that "you're"
# comes before "your", five times as common and one slip away.
LOST_APOSTROPHE = 0.1
# A text's own words are likelier in it than their counts say: a guess the text writes elsewhere
# is as likely as its share of the lexicon's counts and its share of the text's words mixed,
# this much of the latter (a cache of the document's words: "Copver" in a licence that writes
# "Cover" forty times and "copper" never), where the guess is at most two of the commonest slips
# away. It ranks the guesses; whether the word is meant as written is still weighed by the
# lexicon's counts alone.
IN_TEXT = 0.5
# A word's share of a text counts its uses among this many more words than the text holds: a
# word used once in a short note is no topic of it.
TEXT_PRIOR = 1000


def text_share(uses: int, words: int) -> float:
    """A word's share of a text of `words` words that uses it `uses` times, as `score` takes
    it."""
    return uses / (words + TEXT_PRIOR)


def text_shares(uses: Mapping[str, int], words: int) -> dict[str, float]:
    """Each word's `text_share`, by its lowercase."""
    return {word: text_share(count, words) for word, count in uses.items()}


def mixed(share: float, in_text: float) -> float:
    """A word's share of the lexicon's counts mixed with its share of the text, where the
    text writes it."""
    return (1 - IN_TEXT) * share + IN_TEXT * in_text if in_text else share

# How often the commonest words are written, or their share of a lexicon's counts: about the
# 150 commonest of English.
COMMONEST = 5e-4
# The first bar of a word without a vowel rises by this much, and none is taken for a word that
# nobody writes.
ABBREVIATED = 3.0


def _first_changed(written: str, guess: str) -> bool:
    """Whether `guess` begins with another letter than `written` does, other than by a swap
    of the first two letters; case and accents aside."""
    a, b = written[:2].lower(), guess[:2].lower()
    if a[:1] == b[:1]:
        return False
    if not (a.isascii() and b.isascii()):
        a, b = _bare(a), _bare(b)
    return a[:1] != b[:1] and a != b[::-1]


def _apostrophes_back(written: str, guess: str) -> bool:
    """Whether `guess` is `written` with the apostrophes it lacks put back ("you're" for
    "youre"), case aside."""
    return "'" in guess and "'" not in written and "\u2019" not in written \
        and guess.replace("'", "").lower() == written.lower()


def score(guess: Suggestion, lift: float, unit: int, total: int, written: str = "",
          in_text: float = 0.0) -> float:
    """How likely `guess` is meant for the word `written`, as a natural logarithm: its share
    of the counts (mixed with its share `in_text` of the text's words, IN_TEXT of that, where
    the text writes it and it is two slips away at most), less EDIT_WEIGHT for each plain
    edit (LOST_APOSTROPHE for putting back the apostrophes it lacks) and FIRST_LETTER where
    it changes the first letter, plus CONTEXT_WEIGHT times its lift in its place."""
    edits = LOST_APOSTROPHE if written and _apostrophes_back(written, guess.word) \
        else guess.distance / unit
    share = max(guess.count, 1) / total
    if edits <= 2 * SLIP:
        share = mixed(share, in_text)
    return (math.log(share) - EDIT_WEIGHT * edits
            - FIRST_LETTER * (bool(written) and _first_changed(written, guess.word))
            + CONTEXT_WEIGHT * lift)


def ranked(guesses: list[Suggestion], lifts: list[float], unit: int, total: int,
           written: str = "", shares: Mapping[str, float] | None = None,
           ) -> tuple[list[Suggestion], list[float]]:
    """`guesses` at the word `written` and their `lifts`, likeliest first by `score`, with
    their `shares` of the text's words where it is known (ties in the order given)."""
    order = sorted(range(len(guesses)), key=lambda at: -score(
        guesses[at], lifts[at], unit, total, written, _share(shares, guesses[at])))
    return [guesses[at] for at in order], [lifts[at] for at in order]


def _share(shares: Mapping[str, float] | None, guess: Suggestion) -> float:
    return shares.get(guess.word.lower(), 0.0) if shares else 0.0


def split_wins(split: float, inner: list[float], best: float | None, uses: int,
               confidence: float) -> bool:
    """Whether a run-on word is to be split (`correct` writes "alot" as "a lot"): its split
    scores `split` as `score` does (each inserted space an edit), each pair of its pieces has
    one of the `inner` lifts, and its best single guess scores `best` (None for none). Each
    pair must be a supported one, and the split lead the single guess as a fix leads its
    runner-up, by more for a word the text repeats."""
    if confidence <= 0:
        return best is None or split > best
    if confidence >= 1 or not inner or min(inner) < SUPPORTED:
        return False
    scale = confidence / (1 - confidence) / (DEFAULT_CONFIDENCE / (1 - DEFAULT_CONFIDENCE))
    needed = (LEAD + PER_USE * math.log(max(uses, 1))) * scale
    return best is None or split - best >= needed


def decide(evidence: Evidence, confidence: float, facts: Facts) -> str | None:
    """The fix `correct` makes of the word (the best suggestion), or None to leave it."""
    (word, start, title, uses, suggestions, unit, lifts, shouted, backed, named, contexts,
     quoted, unknown_in_pairs, capital_elsewhere, shares) = evidence
    if not suggestions:
        return None
    best = suggestions[0]
    if confidence <= 0:
        return best.word
    edits = best.distance / unit
    letters = sum(c.isalpha() for c in word)
    in_place = lifts or [0.0] * len(suggestions)
    supported = in_place[0] >= SUPPORTED and backed >= max(BACKED, 1 - UNBACKED / uses)
    if confidence >= MIN_CONFIDENCE:
        written = {script(c) for c in word if c.isalpha()}
        if not written <= facts.scripts() or written != {script(c) for c in best.word
                                                          if c.isalpha()}:
            return None
        if _inflected(word, best.word) or _formed(word, best.word, facts) \
                or _twins(word, best.word) or quoted:
            return None
        # A known word with the ending of one who does it, where the guess gives the doing
        # ("uploader" for "uploaded", "shortener"), or the other way, is a form the lexicon
        # lacks: one real misspelling in several thousand swaps the two.
        stem = _ending_swapped(word, best.word)
        if stem is not None and (stem in facts or stem + "e" in facts or (
                stem[-1] == stem[-2] and stem[:-1] in facts)):  # "embedder" of "embed"
            return None
        # A letter put before a word names a variant of it in code ("pthread", "vterm",
        # "mmap"), and a "y" after it makes an adjective ("falsy", "truthy"); only the
        # commonest words are never made so, where it is a stutter ("tthat", "thisy"), but
        # in capitals outside a passage in capitals ("EAGAIN", "EEXIST": error codes).
        if _lettered(word.lower(), best.word.lower()) and (
                not _commonest(best, facts) or word.isupper() and not shouted):
            return None
        # Capitals outside a passage in capitals make an acronym, or a name of code where
        # the word is long ("MANPAGER", "COMPOUNDEND"), unless its neighbours suit the guess
        # as they suit a word stressed ("teh LETTR from").
        if word.isupper() and not shouted and (letters <= 4 or not supported):
            return None
        # Nor is a word in small letters made an acronym: codes are written so ("bfi" in a
        # language tag is not "FBI"); nor a name, other than by its case, where people write
        # the word ("json" is not "Jason", though "londn" is "London").
        if word.islower() and best.word.lower() != word and (best.word.isupper() or (
                not best.word.islower() and not best.word.startswith("I'")
                and facts.heard(word))):
            return None
        # A capitalised word inside a sentence is a name the lexicon lacks, unless its guess
        # is one, or it stands in a title, or its neighbours support the guess; or the text
        # writes the guess so elsewhere, a term of its own ("the Covered Code": "Codo").
        if word[:1].isupper() and not word.isupper() and (named or not start and not (
                capital_elsewhere) and (edits > 1 or not (
                    title or supported or facts.is_name(best.word)))):
            return None
        if edits > 2 * SLIP and letters <= 5 or letters < SHORTEST_FIXED:
            return None
        # Nor is a word made one of those by undoubling its last letter: "iff" is a term.
        if len(best.word) < SHORTEST_FIXED and word[-1:] == word[-2:-1] \
                and word[:-1].lower() == best.word.lower():
            return None
        if uses > 1 and edits > REPEATED_EDITS:
            return None
    if edits > 2 or confidence >= 1:
        return None
    total = facts.total()

    def likelihood_of(at: int, lifted: bool = True) -> float:
        return score(suggestions[at], in_place[at] if lifted else 0.0, unit, total, word,
                     _share(shares, suggestions[at]))

    scale = confidence / (1 - confidence) / (DEFAULT_CONFIDENCE / (1 - DEFAULT_CONFIDENCE))
    likelihood = likelihood_of(0)
    plain = score(best, 0.0, unit, total, word)
    heard = facts.heard(word) if confidence >= MIN_CONFIDENCE else None
    # A word of plain Latin letters without a vowel is an abbreviation or a name of code more
    # often than a slip ("fsck", "cmd"), though a writer in a hurry drops one ("wth").
    abbreviated = confidence >= MIN_CONFIDENCE and bool(_NO_VOWEL.fullmatch(word))
    unheard = supported and backed == 1 and heard == 0 and not abbreviated
    written_often = HEARD_CREDIT * max(math.log10(heard / HEARD_FROM), 0.0) if heard else 0.0
    lead = LEAD_WITHOUT_RUNNER
    if len(suggestions) > 1:
        lead = likelihood - likelihood_of(1)
        if unknown_in_pairs[0] != unknown_in_pairs[1]:
            # The neighbours can lift only the guess the bigram counts know ("think your
            # right" against "you're", which no pair holds): the two are weighed by their
            # letters and counts alone.
            lead = likelihood_of(0, False) - likelihood_of(1, False)
    # A phrase written over and over ("later to maint") supports its guess once, and still
    # repeats the word each time.
    repeated = PER_USE * math.log(max(uses / (max(contexts, 1) if supported else 1), 1))
    if unheard and not repeated and plain + UNHEARD_BAR / scale >= 0 \
            and lead >= UNHEARD_LEAD * scale:
        return best.word
    # Whether the word may be right as written is weighed by its letters and counts alone: a
    # neighbour that suits the guess says nothing of a name or a term the lexicon lacks.
    written_as_meant = (WRITTEN_AS_MEANT + LENGTH_CREDIT * max(letters - SHORT_WORD, 0)
                        + UNHEARD_CREDIT * unheard - written_often
                        - ABBREVIATED * abbreviated)
    if plain + written_as_meant / scale < repeated * scale:
        return None
    needed = LEAD + repeated + LEAD_PER_EDIT * (edits - SLIP)
    return best.word if lead >= needed * scale else None
