"""Making a Lexicon of a hunspell dictionary: its forms, counted by wordfreq or a mapping, its
compound rules and its language's profile."""

from __future__ import annotations

import os
from collections.abc import Callable, Mapping
from typing import TYPE_CHECKING

from brindlemap.compounds import Compounds
from brindlemap.folding import Fold
from brindlemap.hunspell import Dictionary, read_dictionary
from brindlemap.languages import language_code, speaking
from brindlemap.shipped import PER_WORDS

if TYPE_CHECKING:
    from brindlemap.lexicon import Lexicon

__all__ = ["counter", "from_hunspell", "lexicon_of", "source_language"]

# What a form no count names counts: less than any that wordfreq or a mapping gives.
LEAST = 1
Counter = Callable[[str], int]


def source_language(dic: str | os.PathLike[str]) -> str:
    """The language a dictionary's file name names: "fr" for fr.dic, "de" for de_DE.dic."""
    return language_code(os.path.splitext(os.path.basename(os.fspath(dic)))[0])


def counter(counts: str | Mapping[str, int] | None, language: str) -> Counter:
    """How a form is counted: by its frequency per billion words in wordfreq ("wordfreq",
    where installed; else as None), by a mapping (the form as written, else in small
    letters), or each as 1 (None)."""
    if counts is None:
        return lambda form: LEAST
    if isinstance(counts, str):
        if counts != "wordfreq":
            raise ValueError(f"counts must be 'wordfreq', a mapping or None, not {counts!r}")
        try:
            import wordfreq
        except ImportError:
            return lambda form: LEAST
        try:
            frequencies = wordfreq.get_frequency_dict(language, "best")
        except LookupError:  # a language wordfreq has no list of
            return lambda form: LEAST

        def frequency(form: str) -> int:
            # wordfreq keeps its words case-folded: "strasse" for "straße".
            found = frequencies.get(form.lower()) or frequencies.get(form.casefold())
            return LEAST if found is None else max(LEAST + 1, round(found * PER_WORDS))
        return frequency
    table = counts
    return lambda form: table.get(form, table.get(form.lower(), LEAST))


def lexicon_of(cls: type[Lexicon], dictionary: Dictionary, count: Counter, language: str,
               fold: Fold) -> Lexicon:
    """The lexicon of a dictionary read: each form counted once under its small letters (the
    spelling in small letters, where the dictionary has it, takes the count; the others
    count least), with the dictionary's compounds."""
    holders: dict[str, str] = {}
    for word in dictionary.words:
        lowered = word.lower()
        if lowered not in holders or word == lowered:
            holders[lowered] = word
    lexicon = cls([(word, count(word) if holders[word.lower()] == word else LEAST)
                   for word in dictionary.words], fold=fold)
    if dictionary.parts:
        lexicon._compounds = Compounds(cls(dictionary.parts, fold=None),
                                       dictionary.compound_min, dictionary.check_case)
    return speaking(lexicon, language)


def from_hunspell(cls: type[Lexicon], dic: str | os.PathLike[str],
                  aff: str | os.PathLike[str] | None, counts: str | Mapping[str, int] | None,
                  language: str | None, fold: Fold) -> Lexicon:
    """`Lexicon.from_hunspell`."""
    code = language_code(language) if language is not None else source_language(dic)
    return lexicon_of(cls, read_dictionary(dic, aff), counter(counts, code), code, fold)
