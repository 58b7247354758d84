"""Compound words as a hunspell dictionary allows them: a word is known when it splits into
parts of at least `minimum` letters, a part that may begin a compound, any number that may
stand in its middle, and one that may end it ("Kranken" "versicherungs" "pflicht"); an unknown
one is suggested the known compounds that its parts and a fixed last part make.

The parts are kept as a lexicon that folds nothing, each counting its roles as bits
(`brindlemap.hunspell`), so that they are saved and opened as fast as any lexicon.
"""

from __future__ import annotations

from typing import TYPE_CHECKING

from brindlemap._types import Suggestion
from brindlemap.costs import Costs
from brindlemap.hunspell import BEGIN, END, FORBIDDEN, MIDDLE

if TYPE_CHECKING:
    from brindlemap.lexicon import Lexicon
    from brindlemap.queries import Metric

__all__ = ["Compounds"]

# The most parts a compound is split into, and the most last parts tried for a suggestion:
# they bound the work a long unknown word takes.
_MOST_PARTS = 8
_LAST_PARTS_TRIED = 3


class Compounds:
    """The compound rules of one dictionary."""

    __slots__ = ("check_case", "minimum", "parts")

    def __init__(self, parts: Lexicon, minimum: int, check_case: bool) -> None:
        self.parts = parts  # fold=None; each part's count is its role bits
        self.minimum = max(1, minimum)
        self.check_case = check_case

    def _roles(self, part: str) -> int:
        return self.parts.count(part)

    def _openings(self, word: str) -> list[bool]:
        """For each length n, whether word[:n] is a part that begins a compound and then
        parts that stand in its middle, in at most _MOST_PARTS - 1 parts."""
        size, least = len(word), self.minimum
        reached = [False] * (size + 1)
        depth = [0] * (size + 1)
        for end in range(least, size - least + 1):
            if self._roles(word[:end]) & BEGIN:
                reached[end], depth[end] = True, 1
                continue
            for start in range(least, end - least + 1):
                if reached[start] and depth[start] < _MOST_PARTS - 1 \
                        and self._boundary(word, start) \
                        and self._roles(word[start:end]) & MIDDLE:
                    reached[end], depth[end] = True, depth[start] + 1
                    break
        return reached

    def _boundary(self, word: str, at: int) -> bool:
        return not self.check_case or not (word[at - 1].isupper() or word[at].isupper())

    def _splits(self, word: str) -> bool:
        if len(word) < 2 * self.minimum or self._roles(word) & FORBIDDEN:
            return False
        reached = self._openings(word)
        return any(reached[at] and self._boundary(word, at)
                   and self._roles(word[at:]) & END
                   for at in range(self.minimum, len(word) - self.minimum + 1))

    def holds(self, word: str) -> bool:
        """Whether `word`, as written or in the casing a compound takes (its first letter
        alone a capital, or all small letters), is a compound of known parts."""
        if len(word) < 2 * self.minimum:
            return False
        if self._splits(word):
            return True
        if word.isupper() or word[1:] != word[1:].lower():
            lowered = word.lower()
            return self._splits(lowered[:1].upper() + lowered[1:]) or self._splits(lowered)
        return False

    def with_compounds(self, word: str, answers: list[Suggestion], lexicon: Lexicon, k: int,
                       max_dist: int | None, metric: Metric | Costs) -> list[Suggestion]:
        """`answers`, the lexicon's for `word`, with the compounds near it among them, best
        first, where they are no better than a plain edit away."""
        unit = metric.unit if isinstance(metric, Costs) else 1
        if answers and answers[0].distance <= unit:
            return answers
        found = self.suggestions(word, lexicon, k, max_dist, metric)
        if not found:
            return answers
        merged = {answer.word: answer for answer in found + answers}
        return sorted(merged.values(), key=lambda s: (s.distance, -s.count))[:k]

    def suggestions(self, word: str, lexicon: Lexicon, k: int, max_dist: int | None = None,
                    metric: Metric | Costs | None = None) -> list[Suggestion]:
        """Known compounds near `word`: its longest openings of known parts, each with the
        lexicon's suggestions for the rest in the small letters a last part takes."""
        if len(word) < 2 * self.minimum + 1:
            return []
        reached = self._openings(word)
        found: dict[str, Suggestion] = {}
        tried = 0
        for at in range(len(word) - self.minimum, self.minimum - 1, -1):
            if not reached[at]:
                continue
            tried += 1
            opening, rest = word[:at], word[at:]
            for answer in lexicon.suggest(rest, max_dist, k, metric=metric):
                last = answer.word
                compound = opening + (last.lower() if rest[:1].islower() else last)
                if compound not in found and self.holds(compound):
                    found[compound] = answer._replace(word=compound)
            if tried == _LAST_PARTS_TRIED:
                break
        return sorted(found.values(), key=lambda s: (s.distance, -s.count))[:k]
