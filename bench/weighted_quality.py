"""How often weighted edits put the meant word first: the shipped English lexicon's suggest with
OSA against the presets of brindlemap.Costs, and symspellpy beside them. Run by bench/run.py,
or alone:

    .venv/bin/python bench/weighted_quality.py [--words 3000] [--real N]

Three sets of (typed, meant), all lowercase: keyboard slips, made with a fixed seed from words
of at least 4 letters among the lexicon's 30,000 commonest (@frequent-words), drawn by their
counts as a writer meets them, each with one letter replaced by a QWERTY neighbour; the same
with one more plain edit (an insertion, deletion, substitution or swap elsewhere in the word);
and codespell's list of real misspellings, as bench/casing_quality.py reads it. A typo that
makes another word of the lexicon is drawn again: no speller can tell it from what was meant.
The top answer counts when it is the meant word (or that word as the lexicon capitalises it).
OSA searches within 2 edits, each preset within `costs.edits(2)`, symspellpy (its own 82,765
words, max edit distance 2, Verbosity.CLOSEST) within 2.
"""

import argparse
import random
import sys
import time
from importlib import resources
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
from casing_quality import misspellings  # noqa: E402

from brindlemap import Costs, Lexicon  # noqa: E402
from brindlemap.costs import LAYOUTS, _neighbours  # noqa: E402
from brindlemap.frequency_file import read_frequencies  # noqa: E402
from brindlemap.shipped import data_path  # noqa: E402

SEED = 20261209
LETTERS = "abcdefghijklmnopqrstuvwxyz"
# The rows of the table: each speller's metric and max_dist.
METRICS = {
    "OSA": lambda: ("osa", 2),
    "keyboard": lambda: (Costs.keyboard(), Costs.keyboard().edits(2)),
    "english": lambda: (Costs.english(), Costs.english().edits(2)),
    "accents": lambda: (Costs.accents(), Costs.accents().edits(2)),
}
SYMSPELL = "symspellpy"


def frequent_words():
    """(word, count) of the lexicon's commonest words, lowercase letters only, 4 or more."""
    frequent = set(Path(data_path("frequent-words.txt")).read_text("utf-8").split())
    return [(word, count) for _, word, count in read_frequencies(data_path("english.txt"))
            if word in frequent and len(word) >= 4 and word.isascii() and word.isalpha()
            and word.islower()]


def qwerty_neighbours():
    near = {}
    for a, b in _neighbours(LAYOUTS["qwerty"]):
        near.setdefault(a, []).append(b)
        near.setdefault(b, []).append(a)
    return {key: sorted(keys) for key, keys in near.items()}


def slipped(word, rng, near):
    """`word` with one letter replaced by a neighbouring key, and where."""
    at = rng.randrange(len(word))
    return word[:at] + rng.choice(near[word[at]]) + word[at + 1:], at


def edited(word, rng, away):
    """`word` with one plain edit at a place that leaves position `away` alone."""
    kind = rng.choice(["insert", "delete", "substitute", "swap"])
    places = [i for i in range(len(word)) if abs(i - away) > 1]
    if not places:
        return word
    at = rng.choice(places)
    if kind == "insert":
        return word[:at] + rng.choice(LETTERS) + word[at:]
    if kind == "delete":
        return word[:at] + word[at + 1:]
    if kind == "substitute":
        return word[:at] + rng.choice(LETTERS.replace(word[at], "")) + word[at + 1:]
    at = min(at, len(word) - 2)
    return word[:at] + word[at + 1] + word[at] + word[at + 2:]


def synthetic_sets(lexicon, count):
    """{set name: [(typed, meant)]}: one slip each, and one slip with one more edit."""
    rng = random.Random(SEED)
    pool = frequent_words()
    words, weights = [w for w, _ in pool], [c for _, c in pool]
    near = qwerty_neighbours()
    sets = {"keyboard slips": [], "slip + edit": []}
    for name, more in (("keyboard slips", False), ("slip + edit", True)):
        while len(sets[name]) < count:
            meant = rng.choices(words, weights)[0]
            typed, at = slipped(meant, rng, near)
            if more:
                typed = edited(typed, rng, at)
            if typed != meant and typed not in lexicon:
                sets[name].append((typed, meant))
    return sets


def right(answer, meant):
    return answer == meant or (answer.lower() == meant and answer[:1].isupper())


def symspell_lookup():
    from symspellpy import SymSpell, Verbosity

    symspell = SymSpell(max_dictionary_edit_distance=2, prefix_length=7)
    dictionary = resources.files("symspellpy") / "frequency_dictionary_en_82_765.txt"
    symspell.load_dictionary(str(dictionary), 0, 1)

    def top(typed):
        answers = symspell.lookup(typed, Verbosity.CLOSEST, 2)
        return answers[0].term if answers else ""
    return top


def rates(words=3000, real=None):
    """{(speller, set name): top-1 rate}, the sets' sizes, and each speller's seconds."""
    english = Lexicon.english()
    sets = synthetic_sets(english, words)
    sets["codespell"] = misspellings()[:real]
    top = symspell_lookup()
    found, seconds = {}, {}
    for name, pairs in sets.items():
        typed = [t for t, _ in pairs]
        for speller, make in METRICS.items():
            metric, max_dist = make()
            start = time.perf_counter()
            answers = [a[0].word if a else "" for a in
                       english.lookup_many(typed, max_dist, 1, metric=metric)]
            seconds[speller] = seconds.get(speller, 0.0) + time.perf_counter() - start
            found[speller, name] = sum(map(right, answers, [m for _, m in pairs])) / len(pairs)
        start = time.perf_counter()
        answers = [top(t) for t in typed]
        seconds[SYMSPELL] = seconds.get(SYMSPELL, 0.0) + time.perf_counter() - start
        found[SYMSPELL, name] = sum(map(right, answers, [m for _, m in pairs])) / len(pairs)
    return found, {name: len(pairs) for name, pairs in sets.items()}, seconds


def lines(words=3000, real=None):
    found, sizes, seconds = rates(words, real)
    names = list(sizes)
    out = ["Top-1 accuracy, Lexicon.english().suggest (OSA within 2, presets within "
           "costs.edits(2)) and symspellpy (its dictionary, CLOSEST within 2):", "",
           "| speller | " + " | ".join(f"{name} ({sizes[name]:,})" for name in names)
           + " | seconds |", "|---" * (len(names) + 2) + "|"]
    for speller in [*METRICS, SYMSPELL]:
        out.append(f"| {speller} | " + " | ".join(f"{found[speller, name]:.1%}" for name in names)
                   + f" | {seconds[speller]:.1f} |")
    gain = found["keyboard", "keyboard slips"] - found["OSA", "keyboard slips"]
    real_gain = found["english", "codespell"] - found["OSA", "codespell"]
    out += ["", f"keyboard over OSA on keyboard slips: {gain * 100:+.1f} points (target +5: "
            f"{'met' if gain >= 0.05 else 'not met'}); english over OSA on codespell: "
            f"{real_gain * 100:+.1f} points (target above 0: "
            f"{'met' if real_gain > 0 else 'not met'})"]
    return out


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--words", type=int, default=3000, help="typos per synthetic set")
    parser.add_argument("--real", type=int, default=None,
                        help="the first N of codespell's misspellings (default: all)")
    args = parser.parse_args()
    print("\n".join(lines(args.words, args.real)))
