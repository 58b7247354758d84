"""Where the package's own data comes from: the English lexicon in the wheel, and other
languages' word lists from the optional `wordfreq` package."""

import operator
import os
from collections.abc import Iterator

# Counts are frequencies per this many words, so the rarest word wordfreq lists still counts.
PER_WORDS = 10**9


def data_path(name: str) -> str:
    """The path of a file the package ships in its data folder."""
    # Beside this module, where the wheel installs it: importlib.resources (or pathlib) would
    # cost a process 4 to 10 ms of imports before its first lexicon, and the package is never
    # zipped.
    return os.path.join(os.path.dirname(os.path.realpath(__file__)), "data", name)


def english_index() -> str:
    """The prebuilt index of the English lexicon (tools/make_english.py makes it)."""
    return data_path("english.lexicon")


def wordfreq_counts(language: str, n: int, wordlist: str) -> Iterator[tuple[str, int]]:
    """(word, count) for the `n` commonest words of `language` that wordfreq lists, leaving out
    tokens with a digit or without a letter; ImportError naming the extra without wordfreq."""
    n = operator.index(n)
    if n < 0:
        raise ValueError(f"n must be at least 0, not {n}")
    try:
        import wordfreq
    except ImportError:
        raise ImportError("Lexicon.from_wordfreq needs the wordfreq package: "
                          "pip install 'brindlemap[wordfreq]'") from None
    frequencies = wordfreq.get_frequency_dict(language, wordlist)
    taken = 0
    for word, frequency in sorted(frequencies.items(), key=lambda item: -item[1]):
        if taken == n:
            return
        if any(c.isalpha() for c in word) and not any(c.isdigit() for c in word):
            taken += 1
            yield word, max(1, round(frequency * PER_WORDS))
