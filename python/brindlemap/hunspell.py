"""Reading a hunspell dictionary (a .dic word list and its .aff affix file) into the forms its
words take, with what each form may be in a compound.

Each word of the .dic stands as written, unless NEEDAFFIX or ONLYINCOMPOUND marks it, and
with each of its suffixes and prefixes whose condition it meets; a suffix and a prefix that
both allow cross products combine, a suffix whose continuation flags name another suffix
takes that one too (a twofold suffix), and a prefix whose continuation flags name a suffix
takes it. A CIRCUMFIX affix counts only with a partner of the other kind that is one too.
FORBIDDENWORD forms are never words, even where another word's affixes make them. KEEPCASE
changes nothing here: each form answers in the casing the dictionary gives it, and the
lexicon's fold decides what else matches it.

For compounds each form keeps its roles: BEGIN, MIDDLE and END from COMPOUNDFLAG,
COMPOUNDBEGIN, COMPOUNDMIDDLE and COMPOUNDEND on the word or on its affixes; as hunspell
reads them, a prefix keeps a form to the start of a compound and a suffix to its end unless
it carries COMPOUNDPERMITFLAG, and COMPOUNDFORBIDFLAG on an affix takes the form out of
compounds.
"""

from __future__ import annotations

import os
import re
from collections.abc import Iterable
from typing import NamedTuple

from brindlemap.errors import DictionaryFormatError
from brindlemap.hunspell_affixes import Affix, AffixFile, read_affixes

__all__ = ["BEGIN", "END", "FORBIDDEN", "MIDDLE", "Dictionary", "read_dictionary"]

# A form's roles in compounds, as bits; FORBIDDEN marks a form that is no word and no part.
BEGIN, MIDDLE, END, FORBIDDEN = 1, 2, 4, 8

# Where a .dic line's word and flags end: at a tab, or at a space before a morphological field
# ("po:adj").
_MORPHOLOGY = re.compile(r"\t|\s+\S\S:")
_FLAG_SLASH = re.compile(r"(?<!\\)/")


class Dictionary(NamedTuple):
    """The forms of a hunspell dictionary."""

    words: list[str]  # the forms that stand alone, in the order the .dic gives their words
    parts: dict[str, int]  # forms with a role in compounds, or FORBIDDEN, and their bits
    compound_min: int  # the fewest letters of a part
    check_case: bool  # CHECKCOMPOUNDCASE: no capital on either side of a boundary


class _Forms:
    """The forms read so far."""

    def __init__(self) -> None:
        self.words: dict[str, None] = {}
        self.parts: dict[str, int] = {}

    def add(self, form: str, alone: bool, roles: int) -> None:
        # A form that opens or closes with a hyphen ("-laken", "Arbeits-") is written only
        # beside another word, and the tokenizer never gives one.
        if alone and not roles & FORBIDDEN and form[:1] != "-" and form[-1:] != "-":
            self.words[form] = None
        if roles:
            self.parts[form] = self.parts.get(form, 0) | roles


def _roles(aff: AffixFile, flags: frozenset[str]) -> int:
    roles = 0
    if aff.compound is not None and aff.compound in flags:
        roles |= BEGIN | MIDDLE | END
    for flag, role in ((aff.compound_begin, BEGIN), (aff.compound_middle, MIDDLE),
                       (aff.compound_end, END)):
        if flag is not None and flag in flags:
            roles |= role
    return roles


def _affixed(aff: AffixFile, forms: _Forms, form: str, root: frozenset[str],
             applied: tuple[Affix, ...]) -> None:
    """Adds `form`, made of a word with flags `root` by the affixes `applied`, innermost first."""
    flags = frozenset().union(*(affix.flags for affix in applied))
    if aff.circumfix is not None:
        circled = [affix.prefix for affix in applied if aff.circumfix in affix.flags]
        if circled and (True not in circled or False not in circled):
            return
    if aff.forbidden is not None and aff.forbidden in flags:
        forms.add(form, False, FORBIDDEN)
        return
    # NEEDAFFIX on the outermost affix asks for one more; on the word, any affix will do.
    outer = applied[-1].flags if len(applied) == 1 else frozenset()
    alone = not (aff.only_in_compound is not None and aff.only_in_compound in root | flags) \
        and not (aff.need_affix is not None and aff.need_affix in outer)
    roles = _roles(aff, root | flags)
    if aff.compound_forbid is not None and aff.compound_forbid in flags:
        roles = 0
    permit = aff.compound_permit
    for affix in applied:
        if permit is None or permit not in affix.flags:
            roles &= BEGIN if affix.prefix else END
    forms.add(form, alone, roles)


def _classes(aff: AffixFile, flags: Iterable[str], prefix: bool) -> list[Affix]:
    return [rule for flag in flags for rule in aff.affixes.get(flag, ()) if rule.prefix == prefix]


def _expand(aff: AffixFile, forms: _Forms, word: str, flags: frozenset[str]) -> None:
    """Adds the forms of one word of the .dic."""
    if aff.forbidden is not None and aff.forbidden in flags:
        forms.add(word, False, FORBIDDEN)
        return
    alone = not any(flag is not None and flag in flags
                    for flag in (aff.need_affix, aff.only_in_compound))
    forms.add(word, alone, _roles(aff, flags))
    full = aff.full_strip
    prefixes = _classes(aff, flags, True)
    for suffix in _classes(aff, flags, False):
        if not suffix.applies(word, full):
            continue
        form = suffix.apply(word)
        _affixed(aff, forms, form, flags, (suffix,))
        for second in _classes(aff, suffix.flags, False):
            if second.applies(form, full):
                _affixed(aff, forms, second.apply(form), flags, (suffix, second))
        if suffix.cross:
            for prefix in prefixes + _classes(aff, suffix.flags, True):
                if prefix.cross and prefix.applies(form, full):
                    _affixed(aff, forms, prefix.apply(form), flags, (suffix, prefix))
    for prefix in prefixes:
        if not prefix.applies(word, full):
            continue
        form = prefix.apply(word)
        _affixed(aff, forms, form, flags, (prefix,))
        for suffix in _classes(aff, prefix.flags, False):
            if suffix.applies(word, full):
                _affixed(aff, forms, prefix.apply(suffix.apply(word)), flags, (suffix, prefix))


def read_dictionary(dic: str | os.PathLike[str],
                    aff: str | os.PathLike[str] | None = None) -> Dictionary:
    """The forms of the dictionary `dic` and its affix file (`aff`, by default the .aff beside
    it); OSError where either cannot be read, DictionaryFormatError for a line that makes no
    sense."""
    dic_name = os.fspath(dic)
    aff_name = os.fspath(aff) if aff is not None else os.path.splitext(dic_name)[0] + ".aff"
    with open(aff_name, "rb") as file:
        affixes = read_affixes(file.read(), aff_name)
    with open(dic_name, "rb") as file:
        text = file.read().decode(affixes.encoding, "replace")
    forms = _Forms()
    lines = text.lstrip("\ufeff").splitlines()
    if lines and lines[0].strip().isdigit():
        del lines[0]
    for number, line in enumerate(lines, 2):
        if not line.strip() or line[0] in " \t":  # blank, or a comment as some .dic write it
            continue
        body = _MORPHOLOGY.split(line, maxsplit=1)[0].rstrip()
        word, *flag_text = _FLAG_SLASH.split(body, maxsplit=1)
        word = affixes.without_ignored(word.replace("\\/", "/"))
        if not word:
            continue
        try:
            flags = affixes.flags(flag_text[0]) if flag_text else frozenset()
        except DictionaryFormatError as error:
            raise DictionaryFormatError(f"{dic_name}:{number}: {error}") from None
        _expand(affixes, forms, word, flags)
    words = [word for word in forms.words if not forms.parts.get(word, 0) & FORBIDDEN]
    return Dictionary(words, forms.parts, affixes.compound_min, affixes.check_compound_case)
