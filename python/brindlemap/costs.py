"""Weighted edits: what each insertion, deletion, substitution and swap costs, so that a slip to
the next key, a missing accent or a doubled letter costs less than an edit out of nowhere.

Costs are integers in a unit the caller picks: `unit` is the cost of a plain edit (10 in the
presets, so that a slip can cost 6), and a query's `max_dist` counts in the same unit. The
distance is the cheapest sequence of edits that turns the query into the word, each character
edited at most once, as optimal string alignment counts it; `weighted_distance` is its plain
Python reference.
"""

from __future__ import annotations

import operator
import unicodedata
from collections.abc import Iterable, Mapping
from typing import Any

__all__ = ["Costs", "LAYOUTS", "weighted_distance"]

# The letter keys of each layout, row by row from the top; each row sits half a key to the
# right of the one above it, as on a staggered keyboard.
LAYOUTS = {
    "qwerty": ("qwertyuiop", "asdfghjkl", "zxcvbnm"),
    "qwertz": ("qwertzuiop", "asdfghjkl", "yxcvbnm"),
    "azerty": ("azertyuiop", "qsdfghjklm", "wxcvbn"),
}
# The most any one edit may cost: far beyond any sensible weighting, and small enough that a
# distance over thousands of characters stays well within 64 bits.
MAX_COST = 1 << 20


def _cost(value: Any, name: str, least: int) -> int:
    value = operator.index(value)
    if not least <= value <= MAX_COST:
        raise ValueError(f"{name} must be in {least}..{MAX_COST}, not {value}")
    return value


def _char(value: Any, name: str) -> str:
    if not isinstance(value, str) or len(value) != 1:
        raise TypeError(f"{name} must be one character, not {value!r}")
    return value


class Costs:
    """What each edit costs, in units of `unit` per plain edit.

    `insert` (a character typed that the word lacks), `delete` (a character of the word not
    typed), `substitute` and `transpose` (two neighbours typed in swapped order) are the
    costs of plain edits; `substitutions` maps pairs of characters to the cost of typing one
    for the other (either way round), `insertions` and `deletions` single characters to theirs.
    `double` is the cost of typing a letter twice where the word has it once ("tommorrow"),
    `undouble` of typing once a letter the word doubles ("tomorow"); by default they cost as
    much as any insertion or deletion of that letter. Insertions and deletions cost at least 1,
    since a free one would make every word near; substitutions may cost 0, which makes two
    characters one.
    """

    __slots__ = ("_deletions", "_insertions", "_substitutions", "delete", "double", "insert",
                 "substitute", "transpose", "undouble", "unit")

    def __init__(self, *, unit: int = 1, insert: int | None = None, delete: int | None = None,
                 substitute: int | None = None, transpose: int | None = None,
                 substitutions: Mapping[tuple[str, str], int] | None = None,
                 insertions: Mapping[str, int] | None = None,
                 deletions: Mapping[str, int] | None = None,
                 double: int | None = None, undouble: int | None = None) -> None:
        self.unit = _cost(unit, "unit", 1)

        def plain(value: int | None, name: str) -> int:
            return self.unit if value is None else _cost(value, name, 1)

        self.insert, self.delete = plain(insert, "insert"), plain(delete, "delete")
        self.substitute, self.transpose = plain(substitute, "substitute"), plain(transpose,
                                                                                  "transpose")
        self.double = None if double is None else _cost(double, "double", 1)
        self.undouble = None if undouble is None else _cost(undouble, "undouble", 1)
        self._substitutions: dict[tuple[str, str], int] = {}
        for (a, b), cost in (substitutions or {}).items():
            pair = (_char(a, "a substituted character"), _char(b, "a substituted character"))
            cost = _cost(cost, f"the cost of {pair}", 0)
            if self._substitutions.get(pair[::-1], cost) != cost:
                raise ValueError(f"{pair} and its reverse are given different costs")
            self._substitutions[pair] = self._substitutions[pair[::-1]] = cost
        self._insertions = {_char(c, "an inserted character"): _cost(v, f"inserting {c!r}", 1)
                            for c, v in (insertions or {}).items()}
        self._deletions = {_char(c, "a deleted character"): _cost(v, f"deleting {c!r}", 1)
                           for c, v in (deletions or {}).items()}

    # What one edit costs, as the reference and the native rule both ask it.

    def substitution(self, typed: str, meant: str) -> int:
        if typed == meant:
            return 0
        return self._substitutions.get((typed, meant), self.substitute)

    def insertion(self, typed: str, before: str | None) -> int:
        """Typing `typed`, which the word lacks, right after typing `before`."""
        if typed == before and self.double is not None:
            return self.double
        return self._insertions.get(typed, self.insert)

    def deletion(self, meant: str, before: str | None) -> int:
        """Leaving out the word's `meant`, which follows its `before`."""
        if meant == before and self.undouble is not None:
            return self.undouble
        return self._deletions.get(meant, self.delete)

    def edits(self, count: int) -> int:
        """`count` plain edits in this unit: the max_dist of a query as tolerant as `count`."""
        return operator.index(count) * self.unit

    # Presets.

    @classmethod
    def keyboard(cls, layout: str = "qwerty", *, unit: int = 10, neighbour: int = 6,
                 **costs: Any) -> Costs:
        """Substituting a key for one next to it on `layout` ("qwerty", "qwertz" or "azerty":
        the keys beside it in its row and the two touching it in each row above and below)
        costs `neighbour`, in either case; other edits as given, a plain edit costing `unit`."""
        rows = LAYOUTS.get(layout)
        if rows is None:
            raise ValueError(f"layout must be one of {', '.join(map(repr, LAYOUTS))}, "
                             f"not {layout!r}")
        pairs = dict(costs.pop("substitutions", None) or {})
        for a, b in _neighbours(rows):
            for x, y in ((a, b), (a.upper(), b.upper())):
                pairs.setdefault((x, y), neighbour)
        return cls(unit=unit, substitutions=pairs, **costs)

    @classmethod
    def accents(cls, alphabet: Iterable[str] | None = None, *, unit: int = 10, accent: int = 2,
                **costs: Any) -> Costs:
        """Typing a letter for the same letter with another accent (e for é, ü for u) costs
        `accent`, among the letters of `alphabet` (by default Latin-1 and Latin Extended-A)."""
        pairs = dict(costs.pop("substitutions", None) or {})
        for a, b in _accent_pairs(alphabet):
            pairs.setdefault((a, b), accent)
        return cls(unit=unit, substitutions=pairs, **costs)

    @classmethod
    def english(cls) -> Costs:
        """A mix for English typed on a QWERTY keyboard, a plain edit costing 10: a slip to a
        neighbouring key 6 (the commonest substitution in typed text), a doubled or undoubled
        letter 5 (the commonest spelling error: "accomodate", "tommorrow"), a missing or extra
        accent 3 (café, naïve), a swap of two neighbours 8 (a typing slip, but one that often
        makes another word)."""
        accents = Costs.accents(accent=3)
        return cls.keyboard("qwerty", neighbour=6, double=5, undouble=5, transpose=8,
                            substitutions={pair: cost for pair, cost
                                           in accents._substitutions.items()})

    # Value semantics: equal costs are one rule, and a rule travels to worker processes.

    def _key(self) -> tuple[Any, ...]:
        return (self.unit, self.insert, self.delete, self.substitute, self.transpose,
                self.double, self.undouble, frozenset(self._substitutions.items()),
                frozenset(self._insertions.items()), frozenset(self._deletions.items()))

    def __eq__(self, other: object) -> bool:
        return isinstance(other, Costs) and self._key() == other._key()

    def __hash__(self) -> int:
        return hash(self._key())

    def __reduce__(self) -> tuple[Any, ...]:
        substitutions = {pair: cost for pair, cost in self._substitutions.items()
                         if pair <= pair[::-1]}
        return _rebuilt, (self.unit, self.insert, self.delete, self.substitute, self.transpose,
                          substitutions, self._insertions, self._deletions, self.double,
                          self.undouble)

    def __repr__(self) -> str:
        pairs = len(self._substitutions) // 2
        return (f"<Costs unit={self.unit} insert={self.insert} delete={self.delete} "
                f"substitute={self.substitute} transpose={self.transpose} "
                f"double={self.double} undouble={self.undouble}, {pairs} substitution pairs, "
                f"{len(self._insertions)} insertions, {len(self._deletions)} deletions>")


def _rebuilt(unit: int, insert: int, delete: int, substitute: int, transpose: int,
             substitutions: dict[tuple[str, str], int], insertions: dict[str, int],
             deletions: dict[str, int], double: int | None, undouble: int | None) -> Costs:
    return Costs(unit=unit, insert=insert, delete=delete, substitute=substitute,
                 transpose=transpose, substitutions=substitutions, insertions=insertions,
                 deletions=deletions, double=double, undouble=undouble)


def _neighbours(rows: tuple[str, ...]) -> Iterable[tuple[str, str]]:
    for r, row in enumerate(rows):
        for k, key in enumerate(row):
            if k + 1 < len(row):
                yield key, row[k + 1]
            if r + 1 < len(rows):
                # Half a key to the right: the key below-left and the key below-right.
                below = rows[r + 1]
                for m in (k - 1, k):
                    if 0 <= m < len(below):
                        yield key, below[m]


def _accent_pairs(alphabet: Iterable[str] | None) -> Iterable[tuple[str, str]]:
    letters = alphabet if alphabet is not None else (chr(p) for p in range(0x41, 0x180))
    by_base: dict[str, list[str]] = {}
    for letter in letters:
        if not letter.isalpha():
            continue
        base = unicodedata.normalize("NFD", letter)[0]
        by_base.setdefault(base, [])
        if letter not in by_base[base]:
            by_base[base].append(letter)
    for base, forms in by_base.items():
        group = [base, *(f for f in forms if f != base)]
        for i, a in enumerate(group):
            for b in group[i + 1:]:
                yield a, b


def weighted_distance(query: str, word: str, costs: Costs) -> int:
    """The weighted optimal-string-alignment distance from `query` (as typed) to `word`: the
    reference the native walks are held to."""
    n, m = len(query), len(word)
    table = [[0] * (n + 1) for _ in range(m + 1)]
    for j in range(1, n + 1):
        table[0][j] = table[0][j - 1] + costs.insertion(query[j - 1], query[j - 2] if j > 1
                                                        else None)
    for i in range(1, m + 1):
        meant, before = word[i - 1], word[i - 2] if i > 1 else None
        table[i][0] = table[i - 1][0] + costs.deletion(meant, before)
        for j in range(1, n + 1):
            typed = query[j - 1]
            best = min(table[i - 1][j] + costs.deletion(meant, before),
                       table[i][j - 1] + costs.insertion(typed, query[j - 2] if j > 1 else None),
                       table[i - 1][j - 1] + costs.substitution(typed, meant))
            if i > 1 and j > 1 and typed == before and query[j - 2] == meant and typed != meant:
                best = min(best, table[i - 2][j - 2] + costs.transpose)
            table[i][j] = best
    return table[m][n]
