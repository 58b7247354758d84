"""Splitting prose into the words a spelling check looks at, each with its span in the text.

A word is a run of letters of any script, with the combining marks that belong to them
("café" written with a combining accent, Devanagari vowel signs), joined by apostrophes (' or
’) inside it: "don't", "O’Brien", and a trailing apostrophe after an s ("the dogs' bowls").
Hyphens end a word, so "well-known" is the two words "well" and "known", each checked on its
own: a lexicon seldom holds every compound, but it holds their parts.

Left out, since no lexicon can judge them: anything with a digit or an underscore in it
(numbers such as "1,000", "3.14", "2nd", "1990s", and code such as "utf8" or "max_dist"),
URLs ("https://…", "www.…"), e-mail addresses, @handles and #hashtags, and abbreviations
written as single letters with periods ("e.g.", "i.e.", "U.S.A."). Words with capitals inside
("camelCase", "iPhone") are words here: the checker asks the lexicon first, then leaves them
alone as code or brand names.
"""

from __future__ import annotations

import re
import sys
import unicodedata
from collections.abc import Iterator
from typing import NamedTuple

__all__ = ["Token", "tokens"]


class Token(NamedTuple):
    """A word and where it is: `text[start:end] == word`."""

    word: str
    start: int
    end: int


def _ranges(code_points: list[int]) -> str:
    """A character class body for `code_points` (ascending), as runs of neighbours."""
    runs: list[list[int]] = []
    for point in code_points:
        if runs and runs[-1][1] == point - 1:
            runs[-1][1] = point
        else:
            runs.append([point, point])
    return "".join(f"\\U{a:08x}-\\U{b:08x}" for a, b in runs)


def _compile() -> re.Pattern[str]:
    # Python's \w leaves out combining marks, so their class is built from the Unicode tables
    # this interpreter has, once, on first use. Marks live in the first two planes and among
    # the variation selectors of plane 14; walking only those keeps the cost near 50 ms.
    planes = (range(0x20000), range(0xE0000, min(0xE1000, sys.maxunicode + 1)))
    marks = _ranges([p for plane in planes for p in plane
                     if unicodedata.category(chr(p)).startswith("M")])
    letter = r"[^\W\d_]"
    part = f"{letter}(?:{letter}|[{marks}])*"
    return re.compile(
        # Skipped: URLs (up to a closing punctuation mark), handles and hashtags, dotted
        # abbreviations. Then a word, unless it runs on into a digit, an underscore or an
        # e-mail address; those are skipped by the last two branches. Words come before
        # e-mail addresses and numbers so that a plain word is read in one pass, with no
        # backtracking over it.
        r"(?:https?|ftp)://\S*[^\s.,;:!?)\]}'\"’]"
        r"|www\.\S*[^\s.,;:!?)\]}'\"’]"
        r"|(?<!\w)[@#]\w+"
        rf"|(?<!\w){letter}(?:\.{letter})+\.?(?![\w@])"
        # A word: letters and marks, apostrophes between them, and an s' at its end.
        rf"|(?P<word>{part}(?:['’]{part})*(?:(?<=[sS])['’](?!\w))?)(?![\w@]|[.+-][\w.+-]*@)"
        r"|[\w.+-]+@[\w-]+(?:\.[\w-]+)+"
        r"|\w*[\d_]\w*(?:[.,:/]\d\w*)*")


_compiled: list[re.Pattern[str]] = []  # the pattern, once the first text asks for it


def _pattern() -> re.Pattern[str]:
    if not _compiled:
        _compiled.append(_compile())
    return _compiled[0]


def tokens(text: str) -> Iterator[Token]:
    """The words of `text`, in order, each with its span."""
    new = tuple.__new__
    for match in _pattern().finditer(text):
        if match.lastgroup == "word":
            start, end = match.span()
            yield new(Token, (text[start:end], start, end))
