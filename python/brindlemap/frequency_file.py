"""Reading frequency files: UTF-8 text, one word and its count per line."""

import os
from collections.abc import Iterator

from brindlemap._types import MAX_COUNT
from brindlemap.wordlist import WordListError, lines, parse_unsigned


def read_frequencies(path: str | os.PathLike[str]) -> Iterator[tuple[int, str, int]]:
    """(line number, word, count) for each non-blank line of the file at `path`, read one
    line at a time: "word count", the two parted by spaces or tabs, surrounding whitespace
    trimmed. A line without a count, or with one that is not decimal digits worth at most
    MAX_COUNT, raises WordListError naming the file and the line, as do the lines that
    `wordlist.lines` refuses."""
    name = os.fspath(path)
    with open(path, "rb") as source:
        for number, line in enumerate(lines(source, name), 1):
            text = line.strip()
            if not text:
                continue
            # The count is the line's last field; the word is all before it, and may hold
            # spaces ("New York 1234").
            parts = text.rsplit(None, 1)
            if len(parts) != 2:
                raise WordListError(f"{name}:{number}: expected a word and a count, "
                                    f"not {text!r}")
            word, count = parts
            value = parse_unsigned(count, MAX_COUNT)
            if value is None:
                raise WordListError(f"{name}:{number}: count {count!r} is not an integer "
                                    f"in 0..{MAX_COUNT}")
            yield number, word, value
