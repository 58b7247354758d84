"""End to end with Debian's French and German hunspell dictionaries: the Declaration of Human
Rights checks clean, its planted typos are flagged and fixed with their elisions kept, German
compounds are known, and the cache opens the lexicon in a new process."""

import pytest

from brindlemap.cli import main
from conftest import run_python
from udhr import ARTICLES, TYPOS


@pytest.mark.parametrize("language", ["fr", "de"])
def test_the_declaration_checks_clean_and_its_typos_are_fixed(system_lexicon, language):
    lexicon = system_lexicon(language)
    text = ARTICLES[language]
    assert lexicon.check(text) == []
    typed = text
    for meant, planted in TYPOS[language]:
        typed = typed.replace(meant, planted, 1)
    found = lexicon.check(typed)
    assert sorted(m.word for m in found) == sorted(planted for _, planted in TYPOS[language])
    assert lexicon.correct(typed) == text


def test_german_compounds_are_known_and_suggested_from_their_parts(system_lexicon):
    german = system_lexicon("de")
    for word in ("Krankenversicherungspflicht", "Donaudampfschifffahrtsgesellschaft",
                 "KRANKENVERSICHERUNGSPFLICHT"):
        assert word in german
    assert "Krankenversicherungspflichtt" not in german
    [found] = german.check("Die Krankenversicherungspflichtt gilt.")
    assert found.suggestions[0].word == "Krankenversicherungspflicht"


def test_a_new_process_opens_the_cached_lexicon(system_lexicon, language_cache):
    system_lexicon("fr")  # built and cached
    out, _ = run_python("""
        from brindlemap import Lexicon
        from brindlemap import language_cache
        french = Lexicon.for_language("fr")
        print(french.suggest("ecole", k=1)[0].word, french.check("L'homme qu’il aime") == [])
        """, XDG_CACHE_HOME=str(language_cache))
    assert out.split() == ["école", "True"]
    assert sorted(path.suffix for path in (language_cache / "brindlemap").glob("fr-*")) == \
        [".json", ".lexicon"]  # French has no compounds


def test_the_command_line_checks_and_corrects_in_a_language(system_lexicon, tmp_path, capsys):
    system_lexicon("fr")
    text = tmp_path / "note.txt"
    text.write_text("L'homme qu’il voit d'opinoin.\n")
    assert main(["check", "--language", "fr", str(text)]) == 1
    assert main(["correct", "--language", "fr", str(text)]) == 0
    assert main(["suggest", "--language", "fr", "ecole", "--k", "1"]) == 0
    lines = capsys.readouterr().out.splitlines()
    assert ":1:20: d'opinoin -> d'opinion, d'opinions" in lines[0]
    assert lines[1] == "L'homme qu’il voit d'opinion."
    assert lines[2].startswith("ecole\técole\t2\t")
