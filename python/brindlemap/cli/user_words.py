"""The user's own words, which `--words FILE` adds to a lexicon: one word a line, optionally
followed by its count, with comments and blank lines skipped."""

import re

from brindlemap.cli.indexes import opened
from brindlemap.cli.streams import UserError
from brindlemap._types import MAX_COUNT
from brindlemap.lexicon import Lexicon
from brindlemap.wordlist import WordListError, lines, parse_unsigned

# A comment begins with a # at the start of a line or after whitespace, so "C#" is a word.
_COMMENT = re.compile(r"(?:^|\s)#.*")

UserWords = list[str | tuple[str, int]]


def read_user_words(path: str) -> UserWords:
    """The words of the file at `path`: each line, stripped of its comment and surrounding
    whitespace, is a word; where its last field, after whitespace, is decimal digits, that is
    the word's count (a word alone counts 1)."""
    words: UserWords = []
    try:
        with opened(path) as source:
            for line in lines(source, path):
                text = _COMMENT.sub("", line).strip()
                if not text:
                    continue
                parts = text.rsplit(None, 1)
                count = parse_unsigned(parts[-1], MAX_COUNT) if len(parts) == 2 else None
                words.append(text if count is None else (parts[0], count))
    except WordListError as error:
        raise UserError(str(error)) from None
    return words


def with_user_words(lexicon: Lexicon, paths: list[str]) -> Lexicon:
    """`lexicon`, knowing the words of the files at `paths` too."""
    for path in paths:
        words = read_user_words(path)
        try:
            lexicon = lexicon.with_words(words)
        except (TypeError, ValueError) as error:  # a word that folds to nothing
            raise UserError(f"{path}: {error}") from None
    return lexicon
