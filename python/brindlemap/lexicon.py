"""Lexicon: words with their counts, looked up as the user typed them and answered in the
user's own words."""

from __future__ import annotations

import functools
import heapq
import os
from array import array
from collections.abc import Callable, Iterator, Mapping
from typing import Any

from brindlemap import languages, proofreading, queries, segmenting
from brindlemap._brindlemap import PrefixSearch
from brindlemap._search import alphabet, number_span
from brindlemap._types import MAX_COUNT, Match, Queries, Suggestion
from brindlemap.bigrams import Bigrams, Pairs
from brindlemap.builder import Words
from brindlemap.casing import carrier
from brindlemap.confidence import (CANDIDATES, DEFAULT_CONFIDENCE, checked_confidence, ranked,
                                   scripts as scripts_of)
from brindlemap.context import lift
from brindlemap.costs import Costs
from brindlemap.folding import FOLDS, Fold, folder, spelling
from brindlemap.formats import prose_spans
from brindlemap.frequency_file import read_frequencies
from brindlemap.heard import Heard, shipped_english
from brindlemap.index_format import DEFAULT_MAX_BYTES
from brindlemap.lexicon_file import lexicon_bytes, read_lexicon, tables_of_characters
from brindlemap.lexicon_tables import Tables, counted_items, lay_out
from brindlemap.queries import (COMPLETION_EDITS, RANKED_EDITS, RANKED_METRIC, SUGGESTIONS,
                                UNRANKED_EDITS, Metric, reach)
from brindlemap.safe_replace import replace_file
from brindlemap.shipped import english_index, wordfreq_counts

__all__ = ["MAX_COUNT", "Lexicon", "Suggestion"]


def _unchanged(word: str) -> str:
    return word


# Suggestion's own __new__ is a Python function; this makes the same tuple, a little faster,
# for the answers of every query.
_new_answer = tuple.__new__


class Lexicon:
    """Words and how often each is used, looked up past typos, case and (optionally) accents.

    `Lexicon(words, fold="case")` takes words (each counts 1), (word, count) pairs or a
    mapping; `Lexicon.from_file(path)` reads "word count" lines. Counts are integers from 0 to
    MAX_COUNT (2**63 - 1), and repeated words add theirs up, as do the words that fold alike.

    Words are looked up by their key: the word in NFC, then with `fold="case"` case-folded
    ("Straße" and "STRASSE" are one key), with `fold="case+accents"` also stripped of accents
    ("café" and "Cafe"), with `fold=None` as it is. Answers give back the words as they were
    given (in NFC): a key given in several spellings answers with its commonest one (among
    tied ones, one without capitals, then the first given), or with the query's own where the
    query is one of them exactly. Unless `fold` is None, an answer takes the query's casing as
    `brindlemap.casing` describes ("Teh" answers "The", "TEH" answers "THE", "londn" answers
    "London"), unless that would fold it to another key: then it answers as stored.

    Queries count a swap of adjacent letters as one edit (`metric="osa"`) unless told
    otherwise, and rank the commoner words first. A `brindlemap.Costs` as the metric weighs the
    edits (`metric=Costs.english()`: a slip to the next key, a doubled letter or a missing
    accent costs less than another edit); `max_dist` then counts in its unit, and left out
    (None) it is as tolerant as the query's default number of plain edits, `costs.edits(n)`.
    """

    __slots__ = ("_bigrams", "_compounds", "_extra", "_fold", "_heard", "_key_of", "_language",
                 "_metric", "_query_metric", "_rare_short", "_scripts_held", "_tables", "_total",
                 "_trie", "_under")

    _bigrams: Bigrams | None  # how often each pair of its keys is seen together, if known

    def __init__(self, words: Words = (), *, fold: Fold = "case",
                 bigrams: Pairs | None = None) -> None:
        self._take(fold, lay_out(counted_items(words), folder(fold), lambda at: f"item {at}"))
        if bigrams is not None:
            self._bigrams = self._bigram_table(bigrams)

    @classmethod
    def from_file(cls, path: str | os.PathLike[str], *, fold: Fold = "case") -> Lexicon:
        """The lexicon of the frequency file at `path` ("word count" lines, read one at a
        time); a bad line raises ValueError naming the file and the line."""
        name = os.fspath(path)
        return cls._of(fold, lay_out(read_frequencies(path), folder(fold),
                                     lambda line: f"{name}:{line}"))

    @classmethod
    def english(cls) -> Lexicon:
        """The English lexicon that ships with the package: 96,066 words with their counts in
        Google Books (those of SCOWL's American list that it lacks count least), in their
        usual casing ("London", "NASA", "I'm"), with contractions and common abbreviations
        ("Dr", "etc"), folded by case; its `check` and `correct` weigh edits by
        `Costs.english()` unless told otherwise. Loaded once, from a prebuilt index; later
        calls give the same lexicon, which no query changes (and which pickles as itself)."""
        return _english()

    @classmethod
    def from_wordfreq(cls, language: str, n: int = 100_000, *, fold: Fold = "case",
                      wordlist: str = "best") -> Lexicon:
        """The `n` commonest words of `language` (a code such as "fr" or "de") in the lists
        of the `wordfreq` package, which this needs (`pip install brindlemap[wordfreq]`),
        each counted as its frequency per billion words. wordfreq keeps its words
        case-folded, so answers are in lowercase unless the query's casing says otherwise;
        tokens with digits, and those without a letter, are left out. Its `check` and `correct`
        follow the language's rules (`brindlemap.languages`: French elisions, say), and for a
        language with accents its queries weigh edits by `Costs.accents(delete=7,
        transpose=7)` unless told otherwise."""
        return languages.speaking(cls(wordfreq_counts(language, n, wordlist), fold=fold),
                                  language)

    @classmethod
    def from_hunspell(cls, dic: str | os.PathLike[str], aff: str | os.PathLike[str] | None = None,
                      *, counts: str | Mapping[str, int] | None = "wordfreq",
                      language: str | None = None, fold: Fold = "case") -> Lexicon:
        """The lexicon of a hunspell dictionary: every form its `.dic` words take with the
        affixes of its `.aff` (beside it unless named), which knows its compounds too
        (`brindlemap.hunspell` says what it reads). Each form counts as its frequency per
        billion words in wordfreq (`counts="wordfreq"`, where installed; forms wordfreq lacks
        count least), as `counts` maps it, or 1 (None). `language` ("fr") defaults to the file
        name's ("fr_FR.dic")."""
        from brindlemap.hunspell_lexicon import from_hunspell
        return from_hunspell(cls, dic, aff, counts, language, fold)

    @classmethod
    def for_language(cls, language: str) -> Lexicon:
        """The lexicon of the system's hunspell dictionary for `language` ("fr", "de_DE"),
        with wordfreq's counts, built once and then opened from the user's cache
        (`brindlemap.language_cache`); LookupError (a `DictionaryNotFoundError`) naming the
        Debian package to install where no dictionary is found."""
        from brindlemap.language_cache import for_language
        return for_language(cls, language)

    @classmethod
    def load(cls, path: str | os.PathLike[str], *, max_bytes: int = DEFAULT_MAX_BYTES,
             mmap: bool = True) -> Lexicon:
        """The lexicon in the index file at `path`, written by `save` (or by an earlier
        brindlemap), with the checks that `brindlemap.load` makes of a trie's: ValueError for
        another kind of file (a trie's index names `brindlemap.load`), a newer format, a
        truncated file, a checksum mismatch or tables that do not fit together; at most
        `max_bytes` bytes are read. It maps the file (`mmap=False` reads it into memory
        instead): its spellings and counts are read where they lie, so processes that load
        one file share those pages, and the file holds the reversed trie that searches read and
        the tables that rank completions, so the first query makes nothing. The mapping lasts as long as the lexicon; `save`
        replaces files rather than writing into them, so it never cuts one short, but a file
        that another program truncates in place may then stop the process (SIGBUS), as with
        any mapping."""
        return cls._of(*read_lexicon(path, max_bytes, mmap))

    def save(self, path: str | os.PathLike[str]) -> None:
        """Writes the lexicon to the index file `path`, replacing it as `brindlemap.save`
        replaces a trie's: never half-written, only a regular file."""
        replace_file(path, (self.to_bytes(),))

    def to_bytes(self) -> bytes:
        """The bytes of the lexicon's index file, which `from_bytes` reads back. A lexicon
        with words of its own over another (`with_words`) is written as one lexicon of them
        all, which answers as it does."""
        if self._extra is not None:
            return Lexicon(self._items(), fold=self._fold,
                           bigrams=self._bigram_items()).to_bytes()
        return lexicon_bytes(self._fold, self._tables, self._bigrams)

    def with_words(self, words: Words) -> Lexicon:
        """This lexicon with `words` too: plain words (each counts 1), (word, count) pairs or
        a mapping, checked as the constructor checks them. Words whose key it already holds
        keep their counts and spellings; the others are known from then on, never flagged or
        changed by `check` and `correct`, and suggested as their counts rank them. This
        lexicon is shared, not copied, and is not changed: a few thousand words take
        milliseconds whatever its size."""
        added = [item for item in counted_items(words) if self._base_number(item[1]) is None]
        if self._extra is not None:
            added[:0] = ((-1, word, count) for word, count in self._extra._items())
        under = self if self._under is None else self._under
        return _layered(under, Lexicon._of(self._fold, lay_out(added, self._key_of,
                                                                lambda at: f"item {at}")))

    def with_bigrams(self, pairs: Pairs) -> Lexicon:
        """This lexicon with `pairs` as its bigram counts: ((word, word), count) items or a
        mapping of (word, word) to count, the words folded as the lexicon folds its own
        (pairs that fold alike add up; pairs of a word it lacks are left out). They replace
        any it had; `check`, `correct` and `suggest(before=..., after=...)` rank guesses by
        them (`brindlemap.context`). The tables are shared, not copied."""
        table = self._bigram_table(pairs)
        under = self if self._under is None else self._under
        lexicon = Lexicon._of(self._fold, under._tables)
        lexicon._metric, lexicon._bigrams = self._metric, table
        lexicon._query_metric, lexicon._language = self._query_metric, self._language
        lexicon._compounds, lexicon._heard = self._compounds, self._heard
        if self._extra is not None:
            lexicon = _layered(lexicon, self._extra)
        return lexicon

    def _bigram_table(self, pairs: Pairs) -> Bigrams:
        return Bigrams.of(pairs, self._tables.keys, self._base_number)

    def _bigram_items(self) -> Iterator[tuple[tuple[str, str], int]]:
        """The lexicon's bigrams as ((word, word), count), each word its key's commonest
        spelling."""
        if self._bigrams is not None:
            spelling_of = self._commonest
            for first, second, count in self._bigrams.numbered():
                yield (spelling_of(first), spelling_of(second)), count

    def bigram(self, first: str, second: str) -> int:
        """How often a word that folds as `second` follows one that folds as `first`, by the
        lexicon's bigram counts; 0 where it has none for them."""
        one, two = self._number(self._key(first)), self._number(self._key(second))
        if self._bigrams is None or one is None or two is None:
            return 0
        return self._bigrams.count(one, two)

    def _lift(self, before: str | None, word: str, after: str | None,
              absent: float = 0.0) -> float:
        """How much likelier `word` is between `before` and `after` than alone (`absent` as
        `context.pair_lift` takes it)."""
        return self._lifts(before, [word], after, absent)[0]

    def _lifts(self, before: str | None, words: list[str], after: str | None,
               absent: float = 0.0) -> list[float]:
        """`_lift` of each of `words` between the same neighbours, looked up once."""
        bigrams = self._bigrams
        if bigrams is None:
            return [0.0] * len(words)
        totals, total = self._tables.totals(), self.total()
        first = None if before is None else self._base_number(before)
        second = None if after is None else self._base_number(after)
        found = []
        for word in words:
            number = self._base_number(word)
            found.append(0.0 if number is None else
                         lift(bigrams, totals, total, first, number, second, absent))
        return found

    def _unknown_in_pairs(self, word: str) -> bool:
        """Whether the bigram counts hold no pair of `word` though chance alone would list its
        pair with the commonest word: they were counted over other words ("you're", which
        no pair holds; "color", whose pairs the shipped list writes "colour"), and its lift
        in a place says nothing."""
        bigrams = self._bigrams
        number = self._base_number(word)
        if bigrams is None or number is None:
            return False
        totals, total = self._tables.totals(), self.total()
        expected = bigrams.mass() / total * totals[number] * totals[0] / total
        return expected >= bigrams.least() and not bigrams.opens_pair(number)

    def _items(self) -> Iterator[tuple[str, int]]:
        """(spelling, count) of every word, in the order of the tables (commonest key first),
        and then those of the words layered over them."""
        yield from zip(self._tables.spellings(), self._tables.counts)
        if self._extra is not None:
            yield from self._extra._items()

    def __iter__(self) -> Iterator[str]:
        """Every word (each spelling, in NFC), the commonest key's first, and then those that
        `with_words` added."""
        return (word for word, _ in self._items())

    @classmethod
    def from_bytes(cls, data: bytes | bytearray) -> Lexicon:
        """The lexicon of the bytes of its index file, checked as `load` checks them."""
        return cls._of(*read_lexicon(data, len(data)))

    @classmethod
    def _of(cls, fold: Fold, tables: Tables, bigrams: Bigrams | None = None) -> Lexicon:
        lexicon = cls.__new__(cls)
        lexicon._take(fold, tables)
        lexicon._bigrams = bigrams
        return lexicon

    def _take(self, fold: Fold, tables: Tables) -> None:
        self._extra: Lexicon | None = None  # the words of with_words, kept apart
        self._under: Lexicon | None = None  # with them, the lexicon whose tables these are
        self._metric: Metric | Costs = RANKED_METRIC  # what check and correct weigh edits by
        self._query_metric: Metric | Costs = RANKED_METRIC  # and the other queries
        self._language: languages.Profile | None = None  # None: English, as ever
        self._compounds: Any = None  # the compound rules of a hunspell dictionary
        # How often its language writes words, where that is known (`brindlemap.heard`).
        self._heard: Callable[[], Heard] | None = None
        self._scripts_held: frozenset[str] | None = None
        self._rare_short: bytes | None = None  # `segmenting.rare_short`, once asked for
        self._bigrams = None
        self._total: int | None = None
        self._key_of = folder(fold)
        self._fold = fold
        self._tables, self._trie = tables, tables.trie

    def _key(self, word: str) -> str:
        if not isinstance(word, str):
            raise TypeError(f"a word is a str, not {type(word).__name__}")
        return self._key_of(word)

    # The answers.

    def _commonest(self, number: int) -> str:
        """The spelling of key `number` that answers for it: its commonest, and among
        spellings tied for that, one without capitals, else the first given."""
        return self._commonest_of(self._tables.run(number))

    def _commonest_of(self, run: range) -> str:
        """The spelling that answers for the key whose spellings are `run`."""
        tables = self._tables
        first, counts = run.start, tables.counts
        word = tables.spelling(first)
        if len(run) > 1 and counts[first + 1] == counts[first] and word != word.lower():
            for tied in run[1:]:
                if counts[tied] != counts[first]:
                    break
                other = tables.spelling(tied)
                if other == other.lower():
                    return other
        return word

    def _answers(self, query: str, key: str, found: list[Match]) -> list[Suggestion]:
        if not found:
            return []
        carry: Callable[[str], str] = _unchanged if self._fold is None else carrier(query)
        key_of, run_of, total_of = self._key_of, self._tables.run, self._tables.total_of
        answers = []
        for found_key, number, distance in found:
            run = run_of(number)
            word = self._commonest_of(run)
            if found_key == key and self._holds_as_typed(query, number):
                word = spelling(query)
            elif carry is not _unchanged:
                carried = carry(word)
                # Carrying the casing must not make another word ("Işık" of "ışık" folds to
                # "işık"): where it would, the stored spelling answers. So each answer folds to
                # the key it was found under, and no two are alike.
                if carried == word or key_of(carried) == found_key:
                    word = carried
            answers.append(_new_answer(Suggestion, (word, total_of(run), distance)))
        return answers

    def _spellings(self, number: int) -> Iterator[str]:
        return map(self._tables.spelling, self._tables.run(number))

    def _holds_as_typed(self, query: str, number: int) -> bool:
        """Whether key `number` holds the query's own spelling exactly."""
        return spelling(query) in self._spellings(number)

    # The queries.

    def _layered(self, answer: Callable[[Lexicon], list[Suggestion]],
                 k: int | None) -> list[Suggestion]:
        """`answer(self)`, merged in rank with the answers of the words layered over it."""
        found = answer(self)
        if self._extra is None:
            return found
        return _merged(found, answer(self._extra), k)

    def suggest(self, word: str, max_dist: int | None = None, k: int = SUGGESTIONS, *,
                metric: Metric | Costs | None = None, before: str | None = None,
                after: str | None = None) -> list[Suggestion]:
        """The `k` best words within `max_dist` of `word` (by default 2 edits, or
        `metric.edits(2)` for a Costs metric), best first: by distance, then by count (most
        first), then in the order the words were given. The empty word has none. Given the
        word written `before` it or `after` it, the guesses are ranked in that context
        instead, as `check` ranks them (`brindlemap.confidence.score`)."""
        key = self._key(word)
        if not key:
            return []
        metric = self._query_metric if metric is None else metric
        for neighbour in (before, after):
            if neighbour is not None and not isinstance(neighbour, str):
                raise TypeError(f"a neighbour is a str or None, not {type(neighbour).__name__}")
        bound = reach(max_dist, metric, RANKED_EDITS)
        if before is None and after is None:
            return self._layered(lambda lexicon: lexicon._answers(word, key, queries.suggest(
                lexicon._trie, key, bound, k, metric=metric)), k)
        k = queries.checked_k(self._trie, k)
        pool = self._layered(lambda lexicon: lexicon._answers(word, key, queries.suggest(
            lexicon._trie, key, bound, max(k, CANDIDATES), metric=metric)), None)
        unit = metric.unit if isinstance(metric, Costs) else 1
        return ranked(pool, self._lifts(before, [guess.word for guess in pool], after), unit,
                      self.total(), word)[0][:k]

    def complete(self, typed: str, max_dist: int | None = None, k: int = SUGGESTIONS, *,
                 metric: Metric | Costs | None = None) -> list[Suggestion]:
        """The `k` best words that begin with something within `max_dist` of `typed` (by
        default 1 edit, or `metric.edits(1)` for a Costs metric): by that distance, then by
        count (most first), then in the order the words were given. Every word begins with
        the empty word: for it, the `k` commonest."""
        key = self._key(typed)
        metric = self._query_metric if metric is None else metric
        bound = reach(max_dist, metric, COMPLETION_EDITS)
        return self._layered(lambda lexicon: lexicon._answers(typed, key, queries.complete(
            lexicon._trie, key, bound, k, metric=metric)), k)

    def search(self, word: str, max_dist: int | None = None, *,
               metric: Metric | Costs | None = None) -> list[Suggestion]:
        """Every word within `max_dist` of `word` (by default 1 edit, or `metric.edits(1)`
        for a Costs metric), in the order of `suggest`. The empty word has none."""
        key = self._key(word)
        if not key:
            return []
        metric = self._query_metric if metric is None else metric
        bound = reach(max_dist, metric, UNRANKED_EDITS)

        def answer(lexicon: Lexicon) -> list[Suggestion]:
            found = queries.search(lexicon._trie, key, bound, metric=metric)
            found.sort(key=lambda match: (match[2], match[1]))
            return lexicon._answers(word, key, found)
        return self._layered(answer, None)

    def lookup_many(self, words: Queries, max_dist: int | None = None, k: int = SUGGESTIONS, *,
                    metric: Metric | Costs | None = None,
                    threads: int | None = None) -> list[list[Suggestion]]:
        """For each of `words`, in input order, what `suggest` gives (`max_dist` defaults as
        there); the walks run on `threads` native threads (default: one per CPU) with the
        interpreter lock released."""
        if isinstance(words, str):
            raise TypeError("a str is one word, not a sequence of them: pass [word] for one")
        given = list(words)
        keys = [self._key(word) for word in given]
        metric = self._query_metric if metric is None else metric
        bound = reach(max_dist, metric, RANKED_EDITS)

        def answers(lexicon: Lexicon) -> list[list[Suggestion]]:
            found = queries.search_many(lexicon._trie, keys, bound, metric=metric, k=k,
                                        threads=threads)
            return [lexicon._answers(*answer) if answer[1] else []
                    for answer in zip(given, keys, found)]
        found = answers(self)
        if self._extra is None:
            return found
        return [_merged(mine, theirs, k) for mine, theirs in zip(found, answers(self._extra))]

    # Whole texts.

    def segment(self, text: str, max_dist: int = 0) -> list[str]:
        """The likeliest words of `text` written without spaces, each as written there:
        `segment("thequickbrownfox")` is ["the", "quick", "brown", "fox"]. Each run of letters
        is split on its own, by the words' counts and, where the lexicon has them, the bigram
        counts of neighbours; a stretch that spells no word stays whole, and every character
        but a space or a letter is a piece of its own (`brindlemap.segmenting`). A word of
        `with_words` is a piece as written, counting at least as the rarest word does. With
        `max_dist` (up to 2), a piece may be a word that many edits from what is written,
        and is given as that word: `segment("thequikbrwnfox", 1)` is ["the", "quick",
        "brown", "fox"]."""
        max_dist = segmenting.checked_edits(max_dist)
        return list(segmenting.segment(self, self._text_of(text), max_dist))

    def _meant(self, written: str, number: int, edits: int) -> str:
        """Key `number` as it answers for `written`, `edits` away: cased as written is."""
        found = (self._key_of(self._commonest(number)), number, edits)
        return self._answers(written, self._key_of(written), [found])[0].word

    def check(self, text: str, max_dist: int | None = None, k: int = 5, *,
              metric: Metric | Costs | None = None, confidence: float = DEFAULT_CONFIDENCE,
              format: str = "text", real_words: bool = False) -> list[proofreading.Misspelling]:
        """The words of `text` the lexicon does not know, in order, each with its span, up
        to `k` suggestions as `lookup_many` finds them (`max_dist` as there; `metric` the
        lexicon's own, `Costs.english()` for the shipped one, or "osa") and the `fix` that
        `correct` makes of it at `confidence` (`brindlemap.confidence`); numbers, links, paths,
        e-mail addresses and code are left out, and contractions and possessives are known by
        their stems (`brindlemap.proofreading`). With `format="markdown"` or `"html"` only the
        document's prose is read: code, link targets, tags, attributes and entities are not
        (`brindlemap.formats`). With `real_words=True`, known words that a word one edit away
        (or a word writers confuse with them: "their", "there") would suit far better between
        their neighbours are given too, with that word as a suggestion and no fix
        (`brindlemap.real_words`)."""
        text = self._text_of(text)
        if not isinstance(real_words, bool):
            raise TypeError(f"real_words must be True or False, not {type(real_words).__name__}")
        return proofreading.check(self, text, prose_spans(text, format), max_dist,
                                  queries.checked_k(self._trie, k),
                                  self._text_metric(metric), checked_confidence(confidence),
                                  real_words)

    def correct(self, text: str, max_dist: int | None = None, *,
                metric: Metric | Costs | None = None, confidence: float = DEFAULT_CONFIDENCE,
                format: str = "text") -> str:
        """`text` with each unknown word replaced by its fix, in the word's casing, where
        `check` gives one: by default only where it is sure (`confidence` 0 takes every best
        suggestion); every other word, and everything between words, are left as they are,
        and so is all but the prose of a Markdown or HTML document (`format` as in `check`)."""
        text = self._text_of(text)
        return proofreading.correct(self, text, prose_spans(text, format), max_dist,
                                    self._text_metric(metric), checked_confidence(confidence))

    def _text_metric(self, metric: Metric | Costs | None) -> Metric | Costs:
        return self._metric if metric is None else metric

    @property
    def metric(self) -> Metric | Costs:
        """What `suggest`, `complete` and the other word queries weigh edits by when given no
        `metric`: "osa" unless the lexicon was made for an accented language."""
        return self._query_metric

    @property
    def text_metric(self) -> Metric | Costs:
        """What `check` and `correct` weigh edits by when given no `metric`: `Costs.english()`
        for the shipped lexicon, the word queries' metric for any other."""
        return self._metric

    @property
    def language(self) -> languages.Profile:
        """The rules of the lexicon's language that `check` and `correct` follow
        (`brindlemap.languages`); English's unless it was made for another."""
        return languages.ENGLISH if self._language is None else self._language

    def scripts(self) -> frozenset[str]:
        """The scripts the lexicon's letters are written in (LATIN, CYRILLIC, CJK...)."""
        if self._scripts_held is None:
            # Folding keeps a letter's script, so the keys' letters tell without reading the
            # spellings.
            held = scripts_of(alphabet(self._trie))
            if self._extra is not None:
                held |= self._extra.scripts()
            self._scripts_held = held
        return self._scripts_held

    def total(self) -> int:
        """The count of all the lexicon's words, at least 1."""
        if self._total is None:
            extra = 0 if self._extra is None else self._extra.total()
            self._total = max(1, number_span(self._tables.counts)[1] + extra)
        return self._total

    def is_name(self, word: str) -> bool:
        """Whether the lexicon writes `word` with a capital of its own, in any of its
        spellings ("London", "NASA", "Smith" beside "smith")."""
        number = self._base_number(word)
        if number is None:
            return self._extra is not None and self._extra.is_name(word)
        return any(spelling != spelling.lower() for spelling in self._spellings(number))

    def heard(self, word: str) -> float | None:
        """How often `word` is written, a word, in a broad sample of the lexicon's language
        (its casing aside; 0 for words written less than about once in 30 million), whether
        the lexicon holds it or not; None where that is not known (it is for the shipped
        English lexicon, from wordfreq's list: `brindlemap.heard`)."""
        return None if self._heard is None else self._heard().frequency(word)

    @staticmethod
    def _text_of(text: str) -> str:
        if not isinstance(text, str):
            raise TypeError(f"a text is a str, not {type(text).__name__}")
        return text

    def _number(self, key: str) -> int | None:
        try:
            match = self._trie.exact_match(key)
        except UnicodeEncodeError:  # a lone surrogate, which no word holds
            return None
        return None if match is None else match[1]

    def _base_number(self, word: str) -> int | None:
        """The number of the key of `word` in this lexicon's own tables, if they hold it."""
        return self._number(self._key_of(word))

    def __contains__(self, word: object) -> bool:
        """Whether a word that folds as `word` does is in the lexicon."""
        return isinstance(word, str) and (
            self._base_number(word) is not None
            or (self._extra is not None and word in self._extra)
            or (self._compounds is not None and self._compounds.holds(word)))

    def count(self, word: str) -> int:
        """The count of all the words that fold as `word` does; 0 for none."""
        number = self._number(self._key(word))
        if number is not None:
            return self._tables.total(number)
        return 0 if self._extra is None else self._extra.count(word)

    def __len__(self) -> int:
        """The number of distinct words (spellings, in NFC)."""
        return len(self._tables.counts) + (0 if self._extra is None else len(self._extra))

    @property
    def keys(self) -> int:
        """The number of distinct keys the words fold to."""
        return self._tables.keys + (0 if self._extra is None else self._extra.keys)

    @property
    def fold(self) -> Fold:
        """What the lexicon folds away: "case", "case+accents" or None."""
        return self._fold

    def __repr__(self) -> str:
        return f"<Lexicon of {len(self)} words, {self.keys} keys, fold={self._fold!r}>"

    def __reduce__(self) -> tuple[Any, ...]:
        # A lexicon pickles as the bytes of its index file, checked as they are read back; the
        # shipped one as itself, and one with words of its own as the two lexicons.
        if self._under is not None:
            return _layered, (self._under, self._extra)
        if _english.cache_info().currsize and self is _english():
            return Lexicon.english, ()
        if self._language is not None:
            return languages.restored, (self.to_bytes(), self._language.code)
        return Lexicon.from_bytes, (self.to_bytes(),)


languages.rebuilt_by(Lexicon.from_bytes)


@functools.cache
def _english() -> Lexicon:
    """The shipped lexicon, loaded once."""
    english = Lexicon.load(english_index())
    english._metric = Costs.english()
    english._heard = shipped_english
    return english


def _layered(under: Lexicon, extra: Lexicon) -> Lexicon:
    """A lexicon of the tables of `under` with the words of `extra` over them."""
    if not isinstance(under, Lexicon) or not isinstance(extra, Lexicon) \
            or under._under is not None or extra._under is not None:
        raise ValueError("not the state of a pickled Lexicon")
    layered = Lexicon._of(under._fold, under._tables)
    layered._extra, layered._under, layered._metric = extra, under, under._metric
    layered._query_metric, layered._language = under._query_metric, under._language
    layered._compounds, layered._bigrams = under._compounds, under._bigrams
    layered._heard = under._heard
    return layered


def _merged(first: list[Suggestion], second: list[Suggestion],
            k: int | None) -> list[Suggestion]:
    """Two lists of answers, each best first, as one: by distance, then by count, `first`'s
    before `second`'s where they tie; at most `k` of them."""
    merged = list(heapq.merge(first, second, key=lambda answer: (answer.distance,
                                                                  -answer.count)))
    return merged if k is None else merged[:k]


def _restored(fold: Fold, trie: PrefixSearch, text: str, starts: array[int], counts: array[int],
              firsts: array[int], totals: array[int]) -> Lexicon:
    """A lexicon pickled by an earlier version, its tables checked as a file's are."""
    if fold not in FOLDS or not isinstance(trie, PrefixSearch) or not isinstance(text, str) \
            or not all(isinstance(table, array) for table in (starts, counts, firsts, totals)):
        raise ValueError("not the state of a pickled Lexicon")
    try:
        tables = tables_of_characters(trie, text, starts, counts, firsts)
    except ValueError as error:
        raise ValueError(f"not the state of a pickled Lexicon: {error}") from None
    return Lexicon._of(fold, tables)
