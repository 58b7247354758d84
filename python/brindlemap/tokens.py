"""Splitting prose into the words a spelling check looks at, each with its span in the text.

A word is a run of letters of any script, with the combining marks that belong to them
("café" written with a combining accent, Devanagari vowel signs), joined by apostrophes (' or
’) inside it: "don't", "O’Brien", and a trailing apostrophe after an s ("the dogs' bowls").
Invisible format characters inside a word (a soft hyphen, a zero-width space, non-joiner or
joiner, a word joiner) keep it one word: "infor\\u00admation" is one word, and so is a Persian
word written with a zero-width non-joiner. Hyphens end a word, so "well-known" is the two words
"well" and "known", each checked on its own: a lexicon seldom holds every compound, but it
holds their parts.

Left out, since no lexicon can judge them: anything with a digit or an underscore in it
(numbers such as "1,000", "3.14", "2nd", "1990s", and code such as "utf8" or "max_dist"), and
every run of text between spaces that holds a link or a name of a machine's: a scheme and a
colon in any case ("https://…", "HTTPS:…", "mailto:…", "file:…", "localhost:8080"), "www.", an
"@" (e-mail addresses, @handles, "git@host:path"), a "#" (#hashtags), a slash or a backslash
(paths: "docs/dict.txt", "C:\\Users"), an "=", a "|", a "$", a backquote or an angle bracket
inside it (settings, variables, tables, literals and arrows: "--pretty=oneline", "$args",
"|:cmap|", "``alnum``", "calulated->calculated"), angle brackets round it (tags and
placeholders: "<tree-ish>"), a hyphen, a colon or a period it begins with (options, commands
and dotfiles: "--recurse", ":packadd", ".mailmap"), a parenthesis straight after a letter
(calls: "sizeof(int)", "foreach()", "popen(3)"; but "file(s)" is a word) or a square bracket
(indexes and Vim's abbreviated commands: "argv[i]", ":lan[guage]"), a period between two
letters or digits (host and file names, "example.com", "setup.py", and abbreviations written
as single letters with periods: "e.g.", "U.S.A."), and bytes that are not text (lone surrogates, as
`errors="surrogateescape"` decodes them). HTML entities ("&nbsp;", "&#8217;") are left out too.
Words with capitals inside ("camelCase", "iPhone") are words here: the checker asks the lexicon
first, then leaves them alone as code or brand names.

Every character is looked at a bounded number of times, so the time and memory a text takes
grow with its length whatever it holds.

Public: the names of `__all__`; the rest serves the package and may change.
"""

from __future__ import annotations

import functools
import re
import sys
import unicodedata
from collections.abc import Iterator
from typing import NamedTuple

__all__ = ["FORMAT_CHARACTERS", "Token", "tokens"]

# Invisible characters that may stand inside a word without ending it; a word is looked up
# without them.
FORMAT_CHARACTERS = "\u00ad\u200b\u200c\u200d\u2060"


class Token(NamedTuple):
    """A word and where it is: `text[start:end] == word`."""

    word: str
    start: int
    end: int


def _ranges(code_points: list[int]) -> str:
    """A character class body for `code_points` (ascending, none of them special in a class),
    as runs of neighbours written as the characters themselves: re parses a character
    faster than an escape, and the class is parsed in every pattern that holds it."""
    runs: list[list[int]] = []
    for point in code_points:
        if runs and runs[-1][1] == point - 1:
            runs[-1][1] = point
        else:
            runs.append([point, point])
    return "".join(chr(a) if a == b else f"{chr(a)}-{chr(b)}" for a, b in runs)


# Punctuation that may open or close a word within its run: "(word", "“word”", "word.),".
_OPEN = "([{<\"'“‘«‹„‚¿¡*"
_CLOSE = ")]}>\"'”’»›.,;:!?*…"
_APOSTROPHE = "'’"


class _Patterns(NamedTuple):
    plain: re.Pattern[str]  # a run that is one word with its punctuation, or any other run
    piece: re.Pattern[str]  # a run of word characters within an odd run
    word: re.Pattern[str]  # a word within a piece
    whole_run_left_out: re.Pattern[str]  # what makes a run a link, a path or a name
    scheme: re.Pattern[str]
    digit: re.Pattern[str]  # what makes a piece a number or code


def combining_marks() -> str:
    """The character-class body of the combining marks of this interpreter's Unicode tables.
    Marks live in the first two planes and among the variation selectors of plane 14: walking
    only those keeps the cost near 35 ms, which a shipped copy spares (`_marks`)."""
    planes = (range(0x20000), range(0xE0000, min(0xE1000, sys.maxunicode + 1)))
    return _ranges([p for plane in planes for p in plane
                    if unicodedata.category(chr(p)).startswith("M")])


def _compile() -> _Patterns:
    # Python's \w leaves out combining marks, so their class is built from the Unicode tables
    # this interpreter has: shipped for the Unicode version the package is made with, worked
    # out once, on first use, for any other.
    from brindlemap import _marks  # noqa: PLC0415  (made by tools/make_marks.py from this module)

    marks = _marks.MARKS if _marks.UNIDATA_VERSION == unicodedata.unidata_version \
        else combining_marks()
    letter = r"[^\W\d_]"
    # Every repetition is possessive: a run that fails to be one thing is never read again
    # from inside, which is what keeps the scan linear. An apostrophe or a joiner stands
    # inside a word only before a letter; the marks' class is written once, since compiling
    # it is most of the cost of the first check of a process.
    word = (f"{letter}(?:{letter}|[{marks}]|(?:[{_APOSTROPHE}]|[{FORMAT_CHARACTERS}]++)"
            f"(?={letter}))*+(?:(?<=[sS])[{_APOSTROPHE}])?+")
    close = re.escape(_CLOSE)
    return _Patterns(
        # The common case in one step: a word with its punctuation and nothing else up to a
        # space. Any other run is taken whole, to be read apart by `_odd_run`.
        # A run in angle brackets is a tag or a placeholder ("<branch>"), left out whole.
        plain=re.compile(rf"(?!<[^\s>]*+>)[{re.escape(_OPEN)}]*+(?P<word>{word})"
                         rf"[{close}]*+(?=\s|\Z)"
                         r"|\S++"),
        piece=re.compile(rf"[\w{_APOSTROPHE}{FORMAT_CHARACTERS}{marks}]++"),
        word=re.compile(word),
        whole_run_left_out=re.compile(r"[\ud800-\udfff@#/\\=|`<>$]|\w\.\w|\A(?:[-:]|\.\w)"
                                      r"|\w\((?!e?s(?:\)|\Z))|[^\W\d_]\["),
        scheme=re.compile(r"(?:[A-Za-z][A-Za-z0-9+.\-]*+:|www\.)\S", re.IGNORECASE),
        digit=re.compile(r"[\d_]"),
    )


@functools.cache
def _patterns() -> _Patterns:
    """The patterns, compiled once the first text asks for them."""
    return _compile()


def _odd_run(patterns: _Patterns, text: str, start: int, end: int,
             left_out: list[str] | None) -> Iterator[Token]:
    """The words of the run text[start:end], which is more than a word and its punctuation;
    what of it is no word (a link, a path, code) goes into `left_out`, where one is given."""
    run = text[start:end]
    begin = start + len(run) - len(run.lstrip(_OPEN))
    finish = start + len(run.rstrip(_CLOSE))
    if begin >= finish:
        return
    core = text[begin:finish]
    if patterns.whole_run_left_out.search(core) or patterns.scheme.match(core) or \
            (run.startswith("<") and ">" in run):
        if left_out is not None:
            left_out.append(core)
        return
    new = tuple.__new__
    for piece in patterns.piece.finditer(text, begin, finish):
        low, high = piece.span()
        if text.startswith(";", high) and (text.startswith("&", low - 1)
                                           or text.startswith("&#", low - 2)):
            continue  # an HTML entity
        if patterns.digit.search(text, low, high):
            if left_out is not None:
                left_out.append(piece.group())
            continue
        for found in patterns.word.finditer(text, low, high):
            yield new(Token, (found.group(), *found.span()))


def tokens(text: str) -> Iterator[Token]:
    """The words of `text`, in order, each with its span."""
    return words_and_rest(text, None)


def words_and_rest(text: str, left_out: list[str] | None) -> Iterator[Token]:
    """The words of `text` as `tokens` gives them, putting each run it leaves out as no word
    (a link, a path, a name of code, a number) into `left_out`."""
    patterns = _patterns()
    new = tuple.__new__
    for match in patterns.plain.finditer(text):
        if match.lastgroup == "word":
            start, end = match.span("word")
            yield new(Token, (text[start:end], start, end))
        else:
            yield from _odd_run(patterns, text, *match.span(), left_out)
