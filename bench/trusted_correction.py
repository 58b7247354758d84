"""How far `correct` can be trusted on prose nobody here wrote: how many words it changes in
error-free text (per 1,000 words), and how many of the real misspellings injected into the
same text (about 1 word in 60) it puts right exactly, in their casing.

    .venv/bin/python bench/trusted_correction.py

The corpus is assembled here from text installed on the machine, nothing of it shipped: the
licence texts in /usr/share/common-licenses (GPL, LGPL, Apache, MPL, Artistic, BSD, CC0, GFDL;
each may be copied verbatim), the quotations of Debian's fortunes-min (/usr/share/games/
fortunes; the package holds them freely redistributable) and the docstrings of CPython's
standard library modules (PSF licence). The misspellings are codespell's list (its
dictionary.txt, CC BY-SA 3.0, read from the installed codespell package), and for the defaults
also Wikipedia's list of common misspellings (CC BY-SA, as `casing_quality` reads it): a word
of the corpus's prose (what `check` reads of plain text: not the lines of an interactive
session, nor the runs the tokenizer takes for code) that the list gives as the correction of a
misspelling is replaced, drawn with a seed and the word's place, by one of its misspellings
written in the word's casing. Each setting is timed once, the whole corpus in one call.
"""

import ast
import glob
import random
import sys
import time
from collections import defaultdict
from collections.abc import Iterator
from pathlib import Path

from brindlemap import Costs, Lexicon
from brindlemap.formats import prose_spans
from brindlemap.tokens import tokens

sys.path.insert(0, str(Path(__file__).resolve().parent))
from casing_quality import misspellings, wikipedia_misspellings  # noqa: E402

STDLIB = ("argparse", "asyncio/tasks", "collections/__init__", "contextlib", "csv", "dataclasses",
          "datetime", "decimal", "difflib", "email/message", "enum", "fractions", "functools",
          "heapq", "inspect", "ipaddress", "json/__init__", "logging/__init__", "pathlib/_local",
          "pickle", "random", "shutil", "smtplib", "statistics", "string", "subprocess",
          "tarfile", "textwrap", "threading", "typing", "unittest/case", "urllib/parse",
          "uuid", "zipfile/__init__")
INJECTED_EVERY = 60


def _docstrings(path: Path) -> list[str]:
    tree = ast.parse(path.read_text(encoding="utf-8"))
    found = []
    for node in ast.walk(tree):
        if isinstance(node, (ast.Module, ast.ClassDef, ast.FunctionDef, ast.AsyncFunctionDef)):
            doc = ast.get_docstring(node)
            if doc:
                found.append(doc)
    return found


def corpus() -> dict[str, str]:
    """Each source's text, by name."""
    texts = {}
    licences = [Path(p).read_text(encoding="utf-8", errors="replace")
                for p in sorted(glob.glob("/usr/share/common-licenses/*"))
                if Path(p).is_file() and not Path(p).is_symlink()]
    texts["licences"] = "\n\n".join(licences)
    quotes = [Path(p).read_text(encoding="utf-8", errors="replace").replace("\n%\n", "\n\n")
              for p in sorted(glob.glob("/usr/share/games/fortunes/*"))
              if "." not in Path(p).name]
    texts["quotations"] = "\n\n".join(quotes)
    library = Path(ast.__file__).parent
    docs = [doc for name in STDLIB for doc in _docstrings(library / f"{name}.py")]
    texts["python docs"] = "\n\n".join(docs)
    return texts


def prose_words(text: str, format: str = "text") -> Iterator[tuple[str, int, int]]:
    """The words `check` reads in `text`: those of its prose, not of its code."""
    for low, high in prose_spans(text, format):
        for word, start, end in tokens(text[low:high]):
            yield word, low + start, low + end


def injected(text: str, seed: int, pairs: list[tuple[str, str]] | None = None,
             ) -> tuple[str, list[tuple[int, str, str]]]:
    """`text` with about one word in INJECTED_EVERY replaced by a misspelling of it (from
    `pairs`, codespell's by default), and for each (where it starts in the new text, the
    misspelling, the word meant)."""
    wrong_for = defaultdict(list)
    for wrong, right in misspellings() if pairs is None else pairs:
        wrong_for[right].append(wrong)
    pieces, planted, done, shift = [], [], 0, 0
    for word, start, end in prose_words(text):
        lower = word.lower()
        if lower not in wrong_for or not word.isalpha():
            continue
        # Each place draws on its own, from the seed and where it stands, so that a change in
        # how text is split into words leaves the plants of the other places as they were.
        draw = random.Random(f"{seed}:{start}")
        if draw.randrange(INJECTED_EVERY):
            continue
        wrong = draw.choice(wrong_for[lower])
        if word.isupper() and len(word) > 1:
            wrong = wrong.upper()
        elif word[0].isupper():
            wrong = wrong[0].upper() + wrong[1:]
        elif word != lower:
            continue
        pieces += (text[done:start], wrong)
        planted.append((start + shift, wrong, word))
        shift += len(wrong) - len(word)
        done = end
    pieces.append(text[done:])
    return "".join(pieces), planted


def measure(lexicon: Lexicon, texts: dict[str, str], pairs: list[tuple[str, str]] | None = None,
            **options) -> dict[str, tuple]:
    """For each source: (words, changes in the error-free text, misspellings planted (from
    `pairs`, codespell's by default), fixed exactly, seconds)."""
    results = {}
    for name, text in texts.items():
        words = sum(1 for _ in prose_words(text))
        started = time.perf_counter()
        changed = sum(1 for m in lexicon.check(text, **options) if m.fix is not None)
        seconds = time.perf_counter() - started
        bad, planted = injected(text, seed=len(name), pairs=pairs)
        fixes = {m.start: m.fix for m in lexicon.check(bad, **options)}
        fixed = sum(1 for start, _, right in planted if fixes.get(start) == right)
        results[name] = (words, changed, len(planted), fixed, seconds)
    return results


def report(label: str, results: dict[str, tuple]) -> list[str]:
    lines = []
    total = [0] * 5
    for name, row in results.items():
        total = [a + b for a, b in zip(total, row)]
        lines.append(_row(f"{label}, {name}", row))
    lines.append(_row(f"{label}, all", total))
    return lines


def _row(label: str, row) -> str:
    words, changed, planted, fixed, seconds = row
    return (f"| {label} | {words} | {changed} ({1000 * changed / words:.2f} per 1,000) | "
            f"{fixed} of {planted} ({100 * fixed / max(planted, 1):.1f}%) | "
            f"{words / seconds / 1000:.0f}k words/s |")


def section() -> list[str]:
    texts = corpus()
    english = Lexicon.english()
    lines = ["| setting, corpus | words | changed in error-free text | injected misspellings "
             "fixed | check speed |", "|---|---|---|---|---|"]
    wikipedia = wikipedia_misspellings()
    for label, options in [("defaults", {}), ("every suggestion taken", {"confidence": 0.0}),
                           ("OSA", {"metric": "osa"}),
                           ("defaults, Wikipedia's misspellings", {"pairs": wikipedia}),
                           ("every suggestion taken, Wikipedia's misspellings",
                            {"pairs": wikipedia, "confidence": 0.0})]:
        try:
            lines += report(label, measure(english, texts, **options))
        except TypeError as error:  # an option this version does not take
            lines.append(f"| {label} | {error} | | | |")
    return lines + ["", package_documents(english)]


def package_documents(lexicon: Lexicon) -> str:
    """The words `correct` changes in the long descriptions of the other packages installed
    beside it (their README files as published on PyPI, each under its package's licence): real
    documents with code, names and links throughout, though not free of errors (codespell's
    and pyspellchecker's quote misspellings)."""
    import email
    from importlib.metadata import distributions

    words = changed = documents = 0
    for distribution in distributions():
        if distribution.metadata["Name"] == "brindlemap":  # our own README is no fair test
            continue
        body = email.message_from_string(distribution.read_text("METADATA") or "").get_payload()
        if not isinstance(body, str) or len(body) < 500:
            continue
        markdown = "markdown" in (distribution.metadata.get("Description-Content-Type") or "")
        format = "markdown" if markdown else "text"
        documents += 1
        words += sum(1 for _ in prose_words(body, format))
        changed += sum(m.fix is not None for m in lexicon.check(body, format=format))
    return (f"The long descriptions of the {documents} packages installed beside it: {words} "
            f"words of prose, {changed} changed ({1000 * changed / max(words, 1):.2f} per "
            "1,000).")


if __name__ == "__main__":
    print("\n".join(section()))
