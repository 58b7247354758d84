"""Carrying the casing of what a user typed over to the words a Lexicon answers with.

A query is read as written in capitals (two or more cased letters, all of them capitals:
"TEH"), as capitalised (its first cased letter a capital: "Teh", and a lone capital such as
"I" or "A", which says no more than that), or as plain. Capitals turn an answer into capitals
whatever its own casing ("london" and "London" answer "LONDON"); a capitalised query gives a
capital first letter to an answer that has no capitals of its own ("the" answers "The") and
leaves one that has them as it is ("iPhone", "NASA"); a plain query leaves every answer as it
is stored ("teh" answers "the", "londn" answers "London").
"""

from collections.abc import Callable


def _as_written(word: str) -> str:
    return word


def _capitalised(word: str) -> str:
    if word.lower() != word:
        return word  # its own capitals say how it is written
    for at, character in enumerate(word):
        if character.islower():
            # The titlecase form: "ß" opens a word as "Ss", not "SS".
            return word[:at] + character.title() + word[at + 1:]
    return word


def carrier(query: str) -> Callable[[str], str]:
    """The function that gives an answer to `query` the casing that `query` was typed in."""
    if query.isupper():
        capitals = sum(1 for c in query if c.isupper() or c.istitle())
        return str.upper if capitals > 1 else _capitalised
    for character in query:
        if character.isupper() or character.istitle():
            return _capitalised
        if character.islower():
            return _as_written
    return _as_written



def in_turkic_capitals(word: str) -> str:
    """`word` with I read as the capital of ı and İ as that of i, as Turkish and Azerbaijani
    write them: "IŞIK" is "ışık" there and "İstanbul" "istanbul", where case folding, which
    reads I as i, makes other keys of them."""
    return word.replace("I", "ı").replace("İ", "i")
