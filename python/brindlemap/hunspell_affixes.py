"""Reading a hunspell affix file (.aff), as the hunspell(5) manual page describes it: its
encoding, its kind of flags and their aliases, its prefixes and suffixes with their conditions,
and the flags that mark words and affixes for special treatment.

What is read: SET, FLAG (single characters, long, num, UTF-8), AF, PFX and SFX (strip, affix,
continuation flags, condition; cross products), NEEDAFFIX (and its older name PSEUDOROOT),
FORBIDDENWORD, KEEPCASE, ONLYINCOMPOUND, CIRCUMFIX, IGNORE, FULLSTRIP, and the compound
directives COMPOUNDFLAG, COMPOUNDBEGIN, COMPOUNDMIDDLE, COMPOUNDEND, COMPOUNDMIN,
COMPOUNDPERMITFLAG, COMPOUNDFORBIDFLAG and CHECKCOMPOUNDCASE. Prefixes that elide ("l'",
"dell'") are left out: `brindlemap.languages` reads elisions in texts, whatever word follows,
and a lexicon of every word with every elision would be many times larger. The rest (suggestion
tables such as REP, MAP and TRY, COMPOUNDRULE, conversions, morphology) is skipped.
"""

from __future__ import annotations

import codecs
import re
from collections.abc import Iterator
from dataclasses import dataclass, field

from brindlemap.errors import DictionaryFormatError
from brindlemap.languages import APOSTROPHES

__all__ = ["Affix", "AffixFile", "read_affixes"]

# Names hunspell's files give their encodings, where Python calls them otherwise.
_ENCODINGS = {"microsoft-cp1250": "cp1250", "microsoft-cp1251": "cp1251",
              "microsoft-cp1252": "cp1252", "tis620-2533": "tis-620", "iscii-devanagari": "utf-8"}
_SET = re.compile(rb"^SET[ \t]+(\S+)", re.M)
_FLAGS = re.compile(rb"^FLAG[ \t]+(\S+)", re.M)


def encoding_of(aff: bytes) -> str:
    """The Python codec of the encoding an affix file's SET names (ISO8859-1 by default)."""
    named = _SET.search(aff)
    name = named.group(1).decode("ascii", "replace") if named else "ISO8859-1"
    name = _ENCODINGS.get(name.lower(), name)
    try:
        return codecs.lookup(name).name
    except LookupError:
        raise DictionaryFormatError(f"SET names an unknown encoding: {name!r}") from None


@dataclass(frozen=True)
class Affix:
    """One rule of a prefix or suffix class: take `strip` off the word's end (a prefix's: its
    start) and put `add` there, where the word matches `condition`."""

    flag: str
    prefix: bool
    cross: bool  # whether it combines with the other kind (a cross product)
    strip: str
    add: str
    flags: frozenset[str]  # its continuation flags
    condition: re.Pattern[str] | None  # None: any word
    span: int  # how many characters of the word the condition looks at

    def applies(self, word: str, full_strip: bool) -> bool:
        if len(word) < self.span or len(word) < len(self.strip) + (not full_strip):
            return False
        if self.prefix:
            if not word.startswith(self.strip):
                return False
            return self.condition is None or self.condition.match(word) is not None
        if not word.endswith(self.strip):
            return False
        return self.condition is None or \
            self.condition.fullmatch(word, len(word) - self.span) is not None

    def apply(self, word: str) -> str:
        if self.prefix:
            return self.add + word[len(self.strip):]
        return word[:len(word) - len(self.strip)] + self.add


@dataclass
class AffixFile:
    """What an affix file says."""

    encoding: str = "iso8859-1"
    flag_kind: str = "short"  # short, long, num or UTF-8
    aliases: list[frozenset[str]] = field(default_factory=list)  # AF, numbered from 1
    affixes: dict[str, list[Affix]] = field(default_factory=dict)  # by flag
    need_affix: str | None = None
    forbidden: str | None = None
    keep_case: str | None = None
    only_in_compound: str | None = None
    circumfix: str | None = None
    compound: str | None = None  # COMPOUNDFLAG: a part anywhere
    compound_begin: str | None = None
    compound_middle: str | None = None
    compound_end: str | None = None
    compound_permit: str | None = None  # affixes that may stand inside a compound
    compound_forbid: str | None = None  # affixes that make a form no part
    compound_min: int = 3
    check_compound_case: bool = False
    full_strip: bool = False
    ignore: str = ""

    def flags(self, text: str) -> frozenset[str]:
        """The flags `text` writes, in the file's kind of flags, or those of its alias."""
        if self.aliases and text.isdigit():
            at = int(text)
            if not 1 <= at <= len(self.aliases):
                raise DictionaryFormatError(f"no flag alias {at} (AF has {len(self.aliases)})")
            return self.aliases[at - 1]
        return self.parse_flags(text)

    def parse_flags(self, text: str) -> frozenset[str]:
        if self.flag_kind == "long":
            return frozenset(text[at:at + 2] for at in range(0, len(text), 2))
        if self.flag_kind == "num":
            return frozenset(part.strip() for part in text.split(",") if part.strip())
        return frozenset(text)

    def one_flag(self, text: str) -> str:
        (flag,) = self.parse_flags(text) or {""}
        return flag

    def without_ignored(self, word: str) -> str:
        return word.translate(str.maketrans("", "", self.ignore)) if self.ignore else word


_ONE_FLAG = {"NEEDAFFIX": "need_affix", "PSEUDOROOT": "need_affix", "FORBIDDENWORD": "forbidden",
             "KEEPCASE": "keep_case", "ONLYINCOMPOUND": "only_in_compound",
             "CIRCUMFIX": "circumfix", "COMPOUNDFLAG": "compound",
             "COMPOUNDBEGIN": "compound_begin", "COMPOUNDMIDDLE": "compound_middle",
             "COMPOUNDEND": "compound_end", "COMPOUNDPERMITFLAG": "compound_permit",
             "COMPOUNDFORBIDFLAG": "compound_forbid"}


def _condition(text: str, prefix: bool, where: str) -> tuple[re.Pattern[str] | None, int]:
    """A condition as a pattern over as many characters as it spans (None for "."), and
    that number."""
    if text == ".":
        return None, 0
    pieces: list[str] = []
    at = 0
    while at < len(text):
        if text[at] == "[":
            end = text.find("]", at + 1)
            if end < 0:
                raise DictionaryFormatError(f"{where}: condition {text!r} opens [ and never "
                                            "closes it")
            body = text[at + 1:end]
            negated = body.startswith("^")
            body = re.escape(body[1:] if negated else body)
            pieces.append(f"[{'^' if negated else ''}{body}]")
            at = end + 1
        else:
            pieces.append("." if text[at] == "." else re.escape(text[at]))
            at += 1
    return re.compile("".join(pieces), re.S), len(pieces)


def _lines(text: str) -> Iterator[tuple[int, list[str]]]:
    for number, line in enumerate(text.splitlines(), 1):
        fields = line.split()
        if fields and not fields[0].startswith("#"):
            yield number, fields


def read_affixes(data: bytes, name: str) -> AffixFile:
    """The affix file of the bytes `data`; DictionaryFormatError naming `name` and the line
    for a rule it cannot read."""
    aff = AffixFile(encoding=encoding_of(data))
    kind = _FLAGS.search(data)
    if kind:
        aff.flag_kind = kind.group(1).decode("ascii", "replace")
    text = data.decode(aff.encoding, "replace")
    if text.startswith("\ufeff"):
        text = text[1:]
    headers: dict[tuple[str, str], bool] = {}
    for number, fields in _lines(text):
        where = f"{name}:{number}"
        directive = fields[0]
        try:
            if directive in _ONE_FLAG and len(fields) > 1:
                setattr(aff, _ONE_FLAG[directive], aff.one_flag(fields[1]))
            elif directive == "COMPOUNDMIN" and len(fields) > 1:
                aff.compound_min = max(1, int(fields[1]))
            elif directive == "CHECKCOMPOUNDCASE":
                aff.check_compound_case = True
            elif directive == "FULLSTRIP":
                aff.full_strip = True
            elif directive == "IGNORE" and len(fields) > 1:
                aff.ignore = fields[1]
            elif directive == "AF" and len(fields) > 1:
                if ("AF", "") in headers:
                    aff.aliases.append(aff.parse_flags(fields[1]))
                else:  # the first line counts the aliases
                    headers["AF", ""] = True
            elif directive in ("PFX", "SFX") and len(fields) >= 4:
                _affix_line(aff, directive == "PFX", fields, headers, where)
        except ValueError as error:
            if isinstance(error, DictionaryFormatError):
                raise
            raise DictionaryFormatError(f"{where}: {error}") from None
    return aff


def _affix_line(aff: AffixFile, prefix: bool, fields: list[str],
                headers: dict[tuple[str, str], bool], where: str) -> None:
    flag = fields[1]
    if (fields[0], flag) not in headers:  # the class's header: flag, cross product, count
        headers[fields[0], flag] = fields[2] == "Y"
        int(fields[3])
        return
    if len(fields) < 4:
        raise DictionaryFormatError(f"{where}: an affix rule needs strip, affix and condition")
    strip = "" if fields[2] == "0" else aff.without_ignored(fields[2])
    add, _, continuation = fields[3].partition("/")
    add = "" if add == "0" else aff.without_ignored(add)
    if prefix and any(apostrophe in add for apostrophe in APOSTROPHES):
        return  # an elision ("l'", "dell'"): the language's profile reads those in texts
    condition = fields[4] if len(fields) > 4 else "."
    pattern, span = _condition(condition, prefix, where)
    aff.affixes.setdefault(flag, []).append(Affix(
        flag, prefix, headers[fields[0], flag], strip, add,
        aff.flags(continuation) if continuation else frozenset(), pattern, span))
