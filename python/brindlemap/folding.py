"""Folding words to the keys a Lexicon looks them up by: NFC, then case, then accents."""

import unicodedata
from collections.abc import Callable
from typing import Literal

# What a Lexicon folds away: nothing, the case (the default), or the case and the accents. A
# lexicon's index file stores its fold as its place in FOLDS: append, never reorder.
Fold = Literal["case"] | Literal["case+accents"] | None
FOLDS: tuple[Fold, ...] = (None, "case", "case+accents")


def _nfc(text: str) -> str:
    # ASCII is its own normal form, and most queries are ASCII: skip the table walk.
    return text if text.isascii() else unicodedata.normalize("NFC", text)


def _case(text: str) -> str:
    if text.isascii():
        return text.lower()  # what casefold gives for ASCII, a little faster
    # Case folding can leave a sequence that composes ("İ" folds to "i" and a combining dot
    # above, which stays as it is, but others recompose), so normalise on both sides.
    return unicodedata.normalize("NFC", unicodedata.normalize("NFC", text).casefold())


# The scripts whose marks are accents on a letter that stays the same letter without them. In
# other scripts a mark is a letter of its own or changes one (Devanagari's virama, Arabic's
# vowel signs, the dakuten of kana): stripping it would merge distinct words.
_ACCENTED_SCRIPTS = ("LATIN", "GREEK", "CYRILLIC")
_bases: dict[str, bool] = {}  # whether a base character's marks are accents, once asked


def _takes_accents(character: str) -> bool:
    known = _bases.get(character)
    if known is None:
        known = _bases[character] = unicodedata.name(character, "").startswith(
            _ACCENTED_SCRIPTS)
    return known


def _case_and_accents(text: str) -> str:
    folded = _case(text)
    if folded.isascii():
        return folded
    kept: list[str] = []
    # Whether the marks that follow stand on a Latin, Greek or Cyrillic letter; a mark that
    # opens the text stands on nothing, and goes.
    accented = True
    for c in unicodedata.normalize("NFD", folded):
        if unicodedata.category(c) != "Mn":
            accented = _takes_accents(c)
        elif accented:
            continue
        kept.append(c)
    return unicodedata.normalize("NFC", "".join(kept))


def folder(fold: Fold) -> Callable[[str], str]:
    """The function that makes a word's key under `fold`; ValueError for an unknown fold."""
    if fold is None:
        return _nfc
    if fold == "case":
        return _case
    if fold == "case+accents":
        return _case_and_accents
    raise ValueError(f"fold must be one of {', '.join(map(repr, FOLDS))}, not {fold!r}")


def spelling(word: str) -> str:
    """How a Lexicon keeps a word as the user wrote it: in NFC, so that composed and
    decomposed input are one spelling."""
    return _nfc(word)
