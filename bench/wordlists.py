"""The benchmark's word lists (Debian's wamerican, wamerican-insane and wfrench), each word's
payload its line number, and the fixed query sets made from them."""

from pathlib import Path

LISTS = [
    ("wamerican", "/usr/share/dict/american-english"),
    ("wamerican-insane", "/usr/share/dict/american-english-insane"),
    ("wfrench", "/usr/share/dict/french"),
]
QUERY_DIR = Path(__file__).resolve().parent / "queries"


def load_words(path):
    """Word -> line number (from 1), the first line of a repeated word; blank lines skipped."""
    words = {}
    with open(path, encoding="utf-8") as f:
        for line, text in enumerate(f, 1):
            word = text.rstrip("\n")
            if word:
                words.setdefault(word, line)
    return words


def load_queries(name):
    """(kind, query) pairs of the list's committed query set."""
    text = (QUERY_DIR / f"{name}.tsv").read_text(encoding="utf-8")
    return [tuple(line.split("\t", 1)) for line in text.splitlines()]
