"""Each language's rules for reading its texts, in one place: which elided words it writes
before an apostrophe ("l'homme", "dell'anno"), which endings it writes after one ("don't",
"gibt's", "porta'l"), whether its accents are letters of their own, and which Debian package
holds its hunspell dictionary.

The tokenizer keeps "l'homme" one word; the checker reads it through its language's profile:
an elided form is known when the word after the elision is, and correcting it fixes that word
and keeps the elision. A lexicon without a language follows English's rules, as it always has.
"""

from __future__ import annotations

import functools
from collections.abc import Callable, Mapping
from dataclasses import dataclass, field
import unicodedata
from types import MappingProxyType
from typing import TYPE_CHECKING

from brindlemap.costs import Costs

if TYPE_CHECKING:
    from brindlemap.lexicon import Lexicon

__all__ = ["ENGLISH", "Profile", "language_code", "profile", "speaking"]

APOSTROPHES = "'’"
_VOWELS = "aeiouyhœæ"  # with their accents taken off


def _longest_first(forms: str) -> tuple[str, ...]:
    return tuple(sorted(forms.split(), key=len, reverse=True))


@dataclass(frozen=True)
class Profile:
    """The rules of one language. Elisions and endings are written in small letters with a
    plain apostrophe, longest first; a text's own ’ and capitals match them too."""

    code: str  # ISO 639-1, as wordfreq and hunspell's file names give it: "fr", "de"
    elisions: tuple[str, ...] = ()  # words written before an apostrophe and the next word
    endings: tuple[str, ...] = ()  # contractions and clitics written after a word
    # Whether "dogs'" (an apostrophe alone after an s) is the possessive of the word.
    bare_possessive: bool = False
    # Stems before n't that are no words of their own, and the words they stand for.
    irregular: Mapping[str, str] = field(default_factory=lambda: MappingProxyType({}))
    # Whether a missing accent is a misspelling, not another way of writing the word: such
    # lexicons fold case only and weigh an accent as a small edit (`accent_costs`).
    accented: bool = False
    debian: str | None = None  # the Debian package of its hunspell dictionary
    # Whether its elisions stand only before a vowel or an h ("l'homme", never "l'comme").
    before_vowels: bool = False

    def elision(self, word: str) -> tuple[str, str]:
        """The elided word that opens `word` with its apostrophe, as written, and the rest
        ("" and `word` where there is none)."""
        lowered = word[:8].lower().replace("’", "'")
        for elided in self.elisions:
            if lowered.startswith(elided) and len(word) > len(elided):
                return word[:len(elided)], word[len(elided):]
        return "", word

    def elides_before(self, word: str) -> bool:
        """Whether an elision may stand before `word`."""
        if not self.before_vowels:
            return True
        first = unicodedata.normalize("NFD", word[:1].lower())[:1]
        return first != "" and first in _VOWELS

    def ending(self, word: str) -> tuple[str, str]:
        """The stem of `word` and the contraction or clitic that closes it, as written ("" where
        it has none)."""
        lowered = word[-4:].lower().replace("’", "'")
        for ending in self.endings:
            if lowered.endswith(ending) and len(word) > len(ending):
                return word[:-len(ending)], word[-len(ending):]
        if self.bare_possessive and word[-1:] in APOSTROPHES and word[-2:-1] in "sSxXzZ" \
                and len(word) > 1:
            return word[:-1], word[-1]
        return word, ""


ENGLISH = Profile(
    "en", endings=_longest_first("n't 'll 're 've 's 'd 'm"), bare_possessive=True,
    irregular=MappingProxyType({"ca": "can", "wo": "will", "sha": "shall", "ai": "am"}))

_PROFILES = {p.code: p for p in (
    ENGLISH,
    Profile("fr", elisions=_longest_first(
        "l' d' j' m' n' s' t' c' ç' qu' jusqu' lorsqu' puisqu' quoiqu' presqu' quelqu'"),
        accented=True, debian="hunspell-fr", before_vowels=True),
    Profile("it", elisions=_longest_first(
        "l' un' dell' all' dall' nell' sull' dall' coll' quell' quest' bell' sant' c' d' "
        "dev' com' dov' anch' tutt' nessun' ciascun' buon' mezz' cent' senz'"),
        accented=True, debian="hunspell-it", before_vowels=True),
    Profile("ca", elisions=_longest_first("l' d' m' t' s' n'"),
            endings=_longest_first("'l 'ls 'n 'm 't 's 'ns 'us 'ho 'hi 'en"),
            accented=True, debian="hunspell-ca", before_vowels=True),
    Profile("de", endings=("'s",), bare_possessive=True, accented=True,
            debian="hunspell-de-de"),
    Profile("es", accented=True, debian="hunspell-es"),
    Profile("pt", elisions=("d'",), accented=True, debian="hunspell-pt-pt"),
    Profile("nl", endings=_longest_first("'s 'tje"), accented=True, debian="hunspell-nl"),
)}
# Debian names some dictionaries by region.
_DEBIAN = {"en": "hunspell-en-us", "ru": "hunspell-ru", "pl": "hunspell-pl",
           "sv": "hunspell-sv", "da": "hunspell-da", "cs": "hunspell-cs"}


def language_code(name: str) -> str:
    """The language of a name such as "fr", "fr_FR", "fr-CA" or "de_DE_frami": "fr", "de"."""
    return name.replace("-", "_").split("_", 1)[0].lower()


def profile(name: str | None) -> Profile:
    """The profile of the language `name` ("fr", "fr_FR"); English's for None; a profile
    without elisions or endings for a language this module has no rules for."""
    if name is None:
        return ENGLISH
    code = language_code(name)
    known = _PROFILES.get(code)
    if known is not None:
        return known
    return Profile(code, debian=_DEBIAN.get(code, f"hunspell-{code}"))


# Measured on typos of frequent words in French, German and Spanish (bench/languages.py):
# folding case alone and weighing a missing or wrong accent as a fifth of an edit beats folding
# accents away, which brings every accented neighbour one edit closer; and a letter left out or
# two swapped at 7, as Costs.english() weighs them, put the meant word first for 95-96% of
# them against 79-84% at 10 ("eien" is "eine" before "ein"). Doubled letters at 7 too lost
# half a point.
@functools.cache
def accent_costs() -> Costs:
    """The metric of the lexicons of accented languages, made once:
    `Costs.accents(delete=7, transpose=7)`."""
    return Costs.accents(delete=7, transpose=7)


def speaking(lexicon: Lexicon, name: str | None) -> Lexicon:
    """`lexicon`, which it changes, following the rules of the language `name` from now on:
    for an accented language its queries, `check` and `correct` weigh edits by
    `accent_costs()` unless told otherwise."""
    rules = profile(name)
    lexicon._language = rules
    if rules.accented:
        lexicon._metric = lexicon._query_metric = accent_costs()
    return lexicon


# What makes a lexicon of its index's bytes: the lexicon module imports this one, and hands it
# over as it loads (rebuilt_by), so that this module need not import it back.
_from_bytes: Callable[[bytes], Lexicon] | None = None


def rebuilt_by(from_bytes: Callable[[bytes], Lexicon]) -> None:
    """Takes what makes a lexicon of its index's bytes, for `restored`."""
    global _from_bytes
    _from_bytes = from_bytes


def restored(data: bytes, code: str) -> Lexicon:
    """A pickled lexicon of a language: its index's bytes and its language."""
    if _from_bytes is None:  # only ever so while the package itself is being imported
        raise RuntimeError("brindlemap.lexicon has not been imported")
    return speaking(_from_bytes(data), code)
