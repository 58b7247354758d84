"""Makes the word list that ships with the package: the most frequent English words, one per
line, commonest first, so that a word's payload (its line number) is its frequency rank.

The source is the frequency dictionary that the symspellpy package ships (82,765 words with
their counts; MIT licence, counts from Google Books Ngram data under CC BY 3.0, words checked
against SCOWL). Needs symspellpy, which `make bench` installs:

    .venv/bin/python tools/make_frequent_words.py
"""

from importlib import resources
from pathlib import Path

SIZE = 30_000
TARGET = Path(__file__).resolve().parent.parent / "python/brindlemap/data/frequent-words.txt"


def main():
    source = resources.files("symspellpy") / "frequency_dictionary_en_82_765.txt"
    counts = {}
    for line in source.read_text(encoding="utf-8").splitlines():
        word, count = line.split()
        if word.isascii() and word.isalpha():
            counts[word] = int(count)
    ranked = sorted(counts, key=lambda w: (-counts[w], w))[:SIZE]
    TARGET.write_text("\n".join(ranked) + "\n", encoding="utf-8")


if __name__ == "__main__":
    main()
