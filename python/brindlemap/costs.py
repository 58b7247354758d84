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
from collections.abc import Callable, Iterable, Mapping
from dataclasses import dataclass, field, fields
from functools import cached_property, partial
from types import MappingProxyType
from typing import Any

from brindlemap._search import MAX_COST, EditCosts, edit_costs

__all__ = ["Costs", "LAYOUTS", "PRESETS", "weighted_distance"]

# The letter keys of each layout, row by row from the top; each row sits half a key to the
# right of the one above it, as on a staggered keyboard.
LAYOUTS = {
    "qwerty": ("qwertyuiop", "asdfghjkl", "zxcvbnm"),
    "qwertz": ("qwertzuiop", "asdfghjkl", "yxcvbnm"),
    "azerty": ("azertyuiop", "qsdfghjklm", "wxcvbn"),
}


def _cost(value: Any, name: str) -> int:
    """An edit's cost: none is free, since the walks rely on every edit costing something."""
    cost = operator.index(value)
    if not 1 <= cost <= MAX_COST:
        raise ValueError(f"{name} must be in 1..{MAX_COST}, not {cost}")
    return cost


def _char(value: Any, name: str) -> str:
    if not isinstance(value, str) or len(value) != 1:
        raise TypeError(f"{name} must be one character, not {value!r}")
    return value


@dataclass(frozen=True, init=False, repr=False)
class Costs:
    """What each edit costs, in units of `unit` per plain edit: a metric that the queries take
    (`metric=Costs(...)`), with `max_dist` counted in the same unit.

    `insert` (a character typed that the word lacks), `delete` (a character of the word not
    typed), `substitute` and `transpose` (two neighbours typed in swapped order) are the
    costs of plain edits, `unit` unless given; `substitutions` maps pairs of characters to the
    cost of typing one for the other (either way round), `insertions` and `deletions` single
    characters to theirs. `double` is the cost of typing a letter twice where the word has it
    once ("tommorrow"), `undouble` of typing once a letter the word doubles ("tomorow"); by
    default (None) they cost as much as any insertion or deletion of that letter. Every edit
    costs at least 1: a free insertion or deletion would make every word near, and a free
    substitution would make two characters one, which a lexicon's folding does better
    (`fold="case+accents"`).

    A Costs is plain data, checked and compiled once into the native table that the walks read
    (which it holds), and immutable: equal costs are equal (and hash alike), and it pickles as
    its costs.
    """

    unit: int
    insert: int
    delete: int
    substitute: int
    transpose: int
    double: int | None
    undouble: int | None
    substitutions: Mapping[tuple[str, str], int]  # (typed, meant) -> cost, in both orders
    insertions: Mapping[str, int]
    deletions: Mapping[str, int]
    # The native table the walks read, compiled from the fields above.
    _compiled: EditCosts = field(compare=False)

    def __init__(self, *, unit: int = 1, insert: int | None = None, delete: int | None = None,
                 substitute: int | None = None, transpose: int | None = None,
                 substitutions: Mapping[tuple[str, str], int] | None = None,
                 insertions: Mapping[str, int] | None = None,
                 deletions: Mapping[str, int] | None = None,
                 double: int | None = None, undouble: int | None = None) -> None:
        if "_compiled" in self.__dict__:
            raise TypeError("Costs is immutable: its __init__ has run")
        unit = _cost(unit, "unit")

        def plain(value: int | None, name: str) -> int:
            return unit if value is None else _cost(value, name)

        pairs: dict[tuple[str, str], int] = {}
        for pair, cost in (substitutions or {}).items():
            a, b = pair
            if type(a) is not str or type(b) is not str or len(a) != 1 or len(b) != 1:
                pair = (_char(a, "a substituted character"), _char(b, "a substituted character"))
            if a == b:
                raise ValueError(f"{pair} substitutes a character for itself, which costs 0")
            if type(cost) is not int or not 1 <= cost <= MAX_COST:  # the message made only here
                cost = _cost(cost, f"the cost of {pair}")
            if pairs.get((b, a), cost) != cost:
                raise ValueError(f"{pair} and its reverse are given different costs")
            pairs[a, b] = pairs[b, a] = cost
        plains = (plain(insert, "insert"), plain(delete, "delete"),
                  plain(substitute, "substitute"), plain(transpose, "transpose"),
                  None if double is None else _cost(double, "double"),
                  None if undouble is None else _cost(undouble, "undouble"))
        inserted = {_char(c, "an inserted character"): _cost(v, f"inserting {c!r}")
                    for c, v in (insertions or {}).items()}
        deleted = {_char(c, "a deleted character"): _cost(v, f"deleting {c!r}")
                   for c, v in (deletions or {}).items()}
        values: dict[str, Any] = dict(zip(
            (each.name for each in fields(self) if each.name != "_compiled"),
            (unit, *plains, MappingProxyType(pairs), MappingProxyType(inserted),
             MappingProxyType(deleted)), strict=True))
        # The native table takes the plain costs by their names, and reads no other.
        values["_compiled"] = edit_costs(
            values, [(typed, meant, cost) for (typed, meant), cost in pairs.items()],
            list(inserted.items()), list(deleted.items()))
        self.__dict__.update(values)

    # What one edit costs, as the reference and the native rule both ask it.

    def substitution(self, typed: str, meant: str) -> int:
        if typed == meant:
            return 0
        return self.substitutions.get((typed, meant), self.substitute)

    def insertion(self, typed: str) -> int:
        """Typing `typed`, which the word lacks."""
        return self.insertions.get(typed, self.insert)

    def deletion(self, meant: str) -> int:
        """Leaving out the word's `meant`."""
        return self.deletions.get(meant, self.delete)

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
        """A mix for English typed on a QWERTY keyboard, a plain edit costing 10: each of the
        typist's usual slips costs 7, a neighbouring key, a letter of the word left out
        ("teminate"), a doubled or undoubled letter ("tommorrow", "accomodate"), a swap of two
        neighbours ("recieve") and a missing or extra accent (café, naïve); a letter typed that
        the word lacks, and a substitution between keys apart, cost 10.

        Tuned on codespell's real misspellings and on keyboard slips drawn from the shipped
        lexicon (bench/weighted_quality.py). A slip cheaper than a letter left out (6 against
        10) put a rare word one slip away ahead of the meant word one letter short ("geminate"
        for "teminate") and fell below plain OSA on real misspellings; a left-out letter
        cheaper than a slip lost the slips; cheaper vowels, or doubled letters at 5 and accents
        at 3, gained nothing and widened the search (edits(2) reaches further the cheaper the
        cheapest edit), and a typed extra letter at 9 lost on both.
        """
        return cls.keyboard("qwerty", neighbour=7, delete=7, double=7, undouble=7, transpose=7,
                            substitutions={pair: 7 for pair in _accent_pairs(None)})

    # Value semantics: equal costs are one rule, and a rule travels to worker processes.

    def _costs(self) -> dict[str, Any]:
        """Each cost by its field's name, the mappings as plain dicts."""
        return {each.name: dict(value) if isinstance(value, Mapping) else value
                for each in fields(self) if each.compare
                for value in [getattr(self, each.name)]}

    @cached_property
    def _hashed(self) -> int:
        # Made once: hashing thousands of pairs is not free.
        return hash(tuple(frozenset(value.items()) if isinstance(value, dict) else value
                          for value in self._costs().values()))

    def __hash__(self) -> int:
        return self._hashed

    def __reduce__(self) -> tuple[Any, ...]:
        return _of_costs, (self._costs(),)

    def __repr__(self) -> str:
        shown = ", ".join(f"{name}={len(value) // 2 if name == 'substitutions' else len(value)}"
                          if isinstance(value, dict) else f"{name}={value}"
                          for name, value in self._costs().items())
        return f"<Costs {shown}>"


# The presets by the names the command line gives them.
PRESETS: dict[str, Callable[[], Costs]] = {
    "english": Costs.english,
    "keyboard": Costs.keyboard,
    **{layout: partial(Costs.keyboard, layout) for layout in LAYOUTS if layout != "qwerty"},
    "accents": Costs.accents,
}


def _of_costs(costs: dict[str, Any]) -> Costs:
    """A pickled Costs: each cost by its field's name (each substitution in both orders)."""
    return Costs(**costs)


# What earlier versions pickled a Costs as.
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
    reference the native walks are held to. A doubled letter is two typed characters for one
    of the word's, an undoubled one a typed character for two of the word's, all of them the
    same letter: each edit depends on its own characters alone, so a query and a word are as
    far apart spelt backwards, as the backward half of the split search measures them."""
    n, m = len(query), len(word)
    double, undouble = costs.double, costs.undouble
    table = [[0] * (n + 1) for _ in range(m + 1)]
    for j in range(1, n + 1):
        table[0][j] = table[0][j - 1] + costs.insertion(query[j - 1])
    for i in range(1, m + 1):
        meant = word[i - 1]
        table[i][0] = table[i - 1][0] + costs.deletion(meant)
        for j in range(1, n + 1):
            typed = query[j - 1]
            best = min(table[i - 1][j] + costs.deletion(meant),
                       table[i][j - 1] + costs.insertion(typed),
                       table[i - 1][j - 1] + costs.substitution(typed, meant))
            if i > 1 and j > 1 and typed == word[i - 2] and query[j - 2] == meant \
                    and typed != meant:
                best = min(best, table[i - 2][j - 2] + costs.transpose)
            if typed == meant:
                if double is not None and j > 1 and query[j - 2] == meant:
                    best = min(best, table[i - 1][j - 2] + double)
                if undouble is not None and i > 1 and word[i - 2] == meant:
                    best = min(best, table[i - 2][j - 1] + undouble)
            table[i][j] = best
    return table[m][n]
