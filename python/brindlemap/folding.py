"""Folding words to the keys a Lexicon looks them up by: NFC, then case, then accents."""

import unicodedata
from collections.abc import Callable
from typing import Literal

# What a Lexicon folds away: the case (the default), the case and the accents, or nothing.
Fold = Literal["case"] | Literal["case+accents"] | None
FOLDS: tuple[Fold, ...] = ("case", "case+accents", None)


def _nfc(text: str) -> str:
    # ASCII is its own normal form, and most queries are ASCII: skip the table walk.
    return text if text.isascii() else unicodedata.normalize("NFC", text)


def _case(text: str) -> str:
    if text.isascii():
        return text.lower()  # what casefold gives for ASCII, a little faster
    # Case folding can leave a sequence that composes ("İ" folds to "i" and a combining dot
    # above, which stays as it is, but others recompose), so normalise on both sides.
    return unicodedata.normalize("NFC", unicodedata.normalize("NFC", text).casefold())


def _case_and_accents(text: str) -> str:
    folded = _case(text)
    if folded.isascii():
        return folded
    marks_apart = unicodedata.normalize("NFD", folded)
    bare = "".join(c for c in marks_apart if unicodedata.category(c) != "Mn")
    return unicodedata.normalize("NFC", bare)


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
