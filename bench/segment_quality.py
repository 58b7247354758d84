"""How well and how fast `Lexicon.segment` splits text written without spaces, beside
symspellpy's `word_segmentation` on the same sentences, one call each in turn.

    .venv/bin/python bench/segment_quality.py

The sentences are 1,000 drawn with a fixed seed from the public prose of
`bench/trusted_correction.py` (licence texts, fortunes-min quotations, standard library
docstrings): those of 3 to 20 words of letters (no numbers, contractions, code or initials),
lowercased and stripped of their punctuation, their spaces then removed. A split is right when it gives the sentence's own words. symspellpy loads
the frequency dictionary it ships (the counts of the shipped English lexicon) and its bigram
list, and is measured with its default edit distance (2, what its users report as slow) and
with 0 (exact words only, as `segment` takes them by default). The same sentences are then
split with a misspelling from codespell's list (CC BY-SA 3.0) planted in one word of each
where the list has one, against symspellpy's default, which corrects its pieces as
`segment(text, max_dist)` does.
"""

import random
import re
import statistics
import sys
import time
from importlib import resources
from pathlib import Path

from brindlemap import Lexicon

sys.path.insert(0, str(Path(__file__).resolve().parent))
from casing_quality import misspellings  # noqa: E402
from trusted_correction import corpus  # noqa: E402

SENTENCES = 1000
SEED = 7


def sentences() -> list[list[str]]:
    found = []
    for text in corpus().values():
        for sentence in re.split(r"(?<=[.!?])\s+|\n\s*\n", text):
            words = sentence.lower().strip(".!?").split()
            words = [word.strip(",;:\"()") for word in words]
            # Prose only: words of letters (no contractions, numbers or code), no initials.
            if 3 <= len(words) <= 20 and all(word.isalpha() and word.isascii() and
                                             (len(word) > 1 or word in "ai") for word in words):
                found.append(words)
    return random.Random(SEED).sample(found, SENTENCES)


def symspell():
    from symspellpy import SymSpell

    index = SymSpell(max_dictionary_edit_distance=2, prefix_length=7)
    data = resources.files("symspellpy")
    index.load_dictionary(str(data / "frequency_dictionary_en_82_765.txt"), 0, 1)
    index.load_bigram_dictionary(str(data / "frequency_bigramdictionary_en_243_342.txt"), 0, 2)
    return index


def with_typos(picked: list[list[str]]) -> list[str]:
    """Each sentence written without spaces, with one word of it that codespell's list
    corrects replaced by one of that word's misspellings (seeded), where it has one."""
    by_right: dict[str, list[str]] = {}
    for wrong, right in misspellings():
        by_right.setdefault(right, []).append(wrong)
    chooser = random.Random(SEED)
    texts = []
    for words in picked:
        places = [at for at, word in enumerate(words) if word in by_right]
        if places:
            at = chooser.choice(places)
            words = [*words[:at], chooser.choice(by_right[words[at]]), *words[at + 1:]]
        texts.append("".join(words))
    return texts


def _compared(picked, texts, systems, held) -> list[str]:
    """The table of how many of `texts` each system splits into the words of `picked`, and
    how fast, the systems taking each text in turn."""
    right = dict.fromkeys(systems, 0)
    right_known = dict.fromkeys(systems, 0)
    times: dict[str, list[float]] = {name: [] for name in systems}
    for words, text, known in zip(picked, texts, held):
        for name, run in systems.items():  # interleaved: each sentence's path as warm for all
            started = time.perf_counter()
            found = run(text)
            times[name].append(time.perf_counter() - started)
            good = [w.lower() for w in found] == words
            right[name] += good
            right_known[name] += good and known
    ours = statistics.mean(next(iter(times.values())))
    known = sum(held)
    lines = [f"| system | sentences split right | of the {known} whose words the shipped "
             "lexicon holds | mean per sentence | median | against the first |",
             "|---|---|---|---|---|---|"]
    for name in systems:
        mean = statistics.mean(times[name])
        lines.append(f"| {name} | {right[name]} ({100 * right[name] / len(texts):.1f}%) | "
                     f"{right_known[name]} ({100 * right_known[name] / max(known, 1):.1f}%) | "
                     f"{1e3 * mean:.2f} ms | {1e3 * statistics.median(times[name]):.2f} ms | "
                     f"{mean / ours:.1f}x |")
    return lines


def section() -> list[str]:
    english, index = Lexicon.english(), symspell()
    picked = sentences()
    held = [all(word in english for word in words) for words in picked]

    def symspell_split(distance):
        return lambda text: index.word_segmentation(text, distance).corrected_string.split()

    exact = {"brindlemap segment": english.segment,
             "brindlemap segment, max_dist=1": lambda text: english.segment(text, 1),
             "symspellpy word_segmentation, max_edit_distance=0": symspell_split(0),
             "symspellpy word_segmentation, default (2)": symspell_split(2)}
    typos = {"brindlemap segment, max_dist=1": lambda text: english.segment(text, 1),
             "brindlemap segment, max_dist=2": lambda text: english.segment(text, 2),
             "symspellpy word_segmentation, default (2)": symspell_split(2)}
    texts = with_typos(picked)
    planted = sum(text != "".join(words) for text, words in zip(texts, picked))
    return [f"{SENTENCES} sentences, {sum(map(len, picked))} words, "
            f"{statistics.mean(len(''.join(w)) for w in picked):.0f} letters each on average",
            "", *_compared(picked, ["".join(words) for words in picked], exact, held), "",
            f"The same sentences with a misspelling from codespell's list planted in {planted} "
            "of them (one word each):", "", *_compared(picked, texts, typos, held), ""]


if __name__ == "__main__":
    print("\n".join(section()))
