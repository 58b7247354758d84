"""The hunspell reader on small hand-written dictionaries: each affix rule makes the forms it
should and no others, each compound rule joins the parts it should."""

import os
import subprocess
import sys

import pytest

from brindlemap import Lexicon
from brindlemap.errors import DictionaryFormatError, DictionaryNotFoundError
from brindlemap.hunspell import read_dictionary


@pytest.fixture
def dictionary(tmp_path):
    """Writes an .aff and a .dic (a count line first) and gives the .dic's path."""
    def write(aff, words, encoding="utf-8", name="xx_XX"):
        (tmp_path / f"{name}.aff").write_bytes(aff.encode(encoding))
        (tmp_path / f"{name}.dic").write_bytes(
            f"{len(words)}\n{chr(10).join(words)}\n".encode(encoding))
        return tmp_path / f"{name}.dic"
    return write


SUFFIXES = """SFX S Y 4
SFX S 0 s [^sy]
SFX S y ies [^aeiou]y
SFX S 0 s [aeiou]y
SFX S 0 es s
PFX U Y 1
PFX U 0 un .
PFX R N 1
PFX R 0 re .
"""


@pytest.mark.parametrize("aff, words, forms", [
    # Strip, add and condition; a cross product where both allow it, none where one refuses.
    (SUFFIXES, ["cat/SU", "fly/S", "boy/S", "bus/S", "do/RS"],
     {"cat", "cats", "uncat", "uncats", "fly", "flies", "boy", "boys", "bus", "buses",
      "do", "dos", "redo"}),
    # Long, numeric and UTF-8 flags, and numbered aliases of flag sets.
    ("FLAG long\nSFX Aa Y 1\nSFX Aa 0 s .\nPFX Bb Y 1\nPFX Bb 0 un .\n", ["cat/AaBb"],
     {"cat", "cats", "uncat", "uncats"}),
    ("FLAG num\nSFX 12 Y 1\nSFX 12 0 s .\nSFX 7 Y 1\nSFX 7 0 ed .\n", ["walk/12,7"],
     {"walk", "walks", "walked"}),
    ("SET UTF-8\nFLAG UTF-8\nSFX é Y 1\nSFX é 0 s .\n", ["chat/é"], {"chat", "chats"}),
    ("AF 2\nAF S\nAF SU\n" + SUFFIXES, ["cat/2", "dog/1"],
     {"cat", "cats", "uncat", "uncats", "dog", "dogs"}),
    # NEEDAFFIX keeps the bare word out; FORBIDDENWORD takes a form out whatever makes it;
    # KEEPCASE changes nothing a lexicon holds.
    ("NEEDAFFIX h\nFORBIDDENWORD d\nKEEPCASE k\n" + SUFFIXES,
     ["walk/hS", "boy/Sk", "boys/d"], {"walks", "boy"}),
    # A twofold suffix, an affix needing another, and a circumfix that needs its partner.
    ("NEEDAFFIX h\nCIRCUMFIX c\nSFX A Y 1\nSFX A 0 er/Bh .\nSFX B Y 1\nSFX B 0 s .\n"
     "SFX C Y 1\nSFX C 0 t/c .\nPFX D Y 1\nPFX D 0 ge/c .\n", ["lauf/A", "sag/CD"],
     {"lauf", "laufers", "sag", "gesagt"}),
    # Prefixes that elide are left to the language's profile.
    ("PFX L Y 1\nPFX L 0 l' [aeiou]\n", ["ami/L"], {"ami"}),
    # ONLYINCOMPOUND parts and forms with a hyphen at an end are no words of their own.
    ("ONLYINCOMPOUND o\nCOMPOUNDFLAG x\nSFX j Y 1\nSFX j 0 -/x .\n", ["Haus/xj", "s/o"],
     {"Haus"}),
    # A prefix's continuation names a suffix that the prefixed word takes.
    ("PFX P Y 1\nPFX P 0 re/S .\nSFX S Y 1\nSFX S 0 s .\n", ["do/P"], {"do", "redo", "redos"}),
])
def test_affixes_make_exactly_their_forms(dictionary, aff, words, forms):
    assert set(read_dictionary(dictionary(aff, words)).words) == forms


def test_the_encoding_that_set_names_and_morphological_fields(dictionary):
    path = dictionary("SET ISO8859-1\nSFX S Y 1\nSFX S 0 s .\n",
                      ["café/S po:noun", "naïve\tst:naïve", "\ta comment line"], "iso8859-1")
    assert read_dictionary(path).words == ["café", "cafés", "naïve"]


@pytest.mark.parametrize("aff, words, message", [
    ("SFX S Y 1\nSFX S 0 s [ab\n", ["cat/S"], "never closes"),
    ("AF 1\nAF S\n", ["cat/3"], "no flag alias 3"),
    ("SET NOT-AN-ENCODING\n", ["cat"], "unknown encoding"),
])
def test_malformed_dictionaries_name_their_fault(dictionary, aff, words, message):
    with pytest.raises(DictionaryFormatError, match=message):
        read_dictionary(dictionary(aff, words))


GERMANIC = """COMPOUNDBEGIN x
COMPOUNDMIDDLE y
COMPOUNDEND z
ONLYINCOMPOUND o
NEEDAFFIX h
COMPOUNDPERMITFLAG c
FORBIDDENWORD d
COMPOUNDMIN 2
SFX j Y 1
SFX j 0 0/xoc .
SFX P Y 1
SFX P 0 en .
"""


@pytest.mark.parametrize("aff, words, known, unknown", [
    # Begin, middle and end parts, of at least COMPOUNDMIN letters, some only in compounds.
    (GERMANIC, ["Kranken/hj", "versicherungs/yo", "pflicht/zoP", "Pflicht/P", "Haus",
                "Hausversicherungspflicht/d"],
     ["Krankenversicherungspflicht", "Krankenpflicht", "Krankenpflichten",
      "KRANKENPFLICHT", "Pflichten"],
     ["Versicherungspflicht", "versicherungspflicht", "Krankenversicherungs", "Hauspflicht",
      "Hausversicherungspflicht", "Kranken"]),
    # COMPOUNDFLAG parts anywhere; COMPOUNDMIN; CHECKCOMPOUNDCASE at the boundaries.
    ("COMPOUNDFLAG X\nCOMPOUNDMIN 3\n", ["foot/X", "ball/X", "ab/X"],
     ["football", "ballfoot", "footballfoot"], ["abfoot", "footab", "foo"]),
    ("COMPOUNDFLAG X\nCHECKCOMPOUNDCASE\n", ["foot/X", "Ball/X"], ["Ballfoot"], ["footBall"]),
    # A suffix keeps its form to the end of a compound unless it permits more.
    ("COMPOUNDFLAG X\nSFX S Y 1\nSFX S 0 s .\n", ["foot/XS", "ball/X"],
     ["ballfoots"], ["footsball"]),
])
def test_compounds_of_known_parts_are_known(dictionary, aff, words, known, unknown):
    lexicon = Lexicon.from_hunspell(dictionary(aff, words, name="de_DE"), counts=None)
    assert [word for word in known + unknown if word in lexicon] == known


def test_an_unknown_compound_is_suggested_from_its_parts_and_counts_come_from_a_mapping(
        dictionary):
    path = dictionary(GERMANIC, ["Kranken/hj", "versicherungs/yo", "pflicht/zo", "Pflicht",
                                 "Pflaume"], name="de_DE")
    lexicon = Lexicon.from_hunspell(path, counts={"pflicht": 50, "Pflaume": 7})
    assert lexicon.language.code == "de" and lexicon.count("Pflicht") == 50
    assert lexicon.count("Pflaume") == 7 and lexicon.count("Kranken") == 0
    [found] = lexicon.check("Krankenversicherungspflicth", k=2)
    assert found.suggestions[0].word == "Krankenversicherungspflicht"


def test_a_language_is_found_in_dicpath_cached_and_named_by_its_package_when_missing(
        dictionary, tmp_path):
    dic = dictionary(SUFFIXES, ["chat/S", "maison/S", "ami"], name="fr_FR")
    env = {"DICPATH": str(dic.parent), "XDG_CACHE_HOME": str(tmp_path / "cache")}
    tool = [sys.executable, "-m", "brindlemap"]
    for _ in range(2):  # built, then opened from the cache
        done = subprocess.run([*tool, "suggest", "--language", "fr", "maisons", "chta", "--k",
                               "1"], capture_output=True, text=True, env={**os.environ, **env},
                              timeout=60)
        assert [row.split("\t")[:3] for row in done.stdout.splitlines()] == [
            ["maisons", "maisons", "0"], ["chta", "chat", "7"]], done.stderr  # a swap costs 7
    assert len(list((tmp_path / "cache" / "brindlemap").glob("fr_FR-*.json"))) == 1
    done = subprocess.run([*tool, "check", "--language", "pt_BR", "-"], input="olá",
                          capture_output=True, text=True, env={**os.environ, **env}, timeout=60)
    assert done.returncode == 2 and "apt-get install hunspell-pt-br" in done.stderr
    with pytest.raises(DictionaryNotFoundError) as missing:
        with pytest.MonkeyPatch.context() as patch:
            patch.setenv("DICPATH", str(tmp_path / "nowhere"))
            Lexicon.for_language("zz")
    assert missing.value.package == "hunspell-zz"
