"""Makes the table of how often English words are written that ships with the package
(python/brindlemap/data/heard-english.bin, read by brindlemap.heard): each word of wordfreq's
large English list that is written at least HEARD_FROM times a word, with its frequency, in the
layout that brindlemap.heard describes.

The source is wordfreq's own data (CC BY-SA 4.0; see data/LICENSE.heard-english). Needs
wordfreq, which `make bench` installs:

    .venv/bin/python tools/make_heard.py
"""

from pathlib import Path

from brindlemap.heard import HEARD_FROM, table_bytes

TARGET = Path(__file__).resolve().parent.parent / "python/brindlemap/data/heard-english.bin"


def main():
    import wordfreq

    frequencies = wordfreq.get_frequency_dict("en", "large")
    kept = {word: frequency for word, frequency in frequencies.items()
            if frequency >= HEARD_FROM and any(c.isalpha() for c in word)
            and not any(c.isdigit() for c in word)}
    TARGET.write_bytes(table_bytes(kept))
    print(f"{len(kept)} words, {TARGET.stat().st_size} bytes")


if __name__ == "__main__":
    main()
