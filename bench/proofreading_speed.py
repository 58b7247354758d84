"""How fast Lexicon.check reads prose: megabytes of text per second, tokenising and the one
batch lookup of the unknown words together.

    .venv/bin/python bench/proofreading_speed.py

The prose is the plain-text licences under /usr/share/common-licenses, concatenated and cut
to 1 MB; the lexicon is the shipped English one, Lexicon.english(). Wall
time, best of 5 rounds, each of tokens() alone, check() and correct().
"""

import glob
import time
from pathlib import Path

from brindlemap import Lexicon
from brindlemap.tokens import tokens

SIZE = 1_000_000


def prose() -> str:
    texts = []
    for path in sorted(glob.glob("/usr/share/common-licenses/*")):
        try:
            texts.append(Path(path).read_text(encoding="utf-8"))
        except (UnicodeDecodeError, IsADirectoryError):
            pass
    whole = "\n".join(texts)
    return (whole * (SIZE // len(whole) + 1))[:SIZE]


def best(call, rounds=5):
    times = []
    for _ in range(rounds):
        start = time.perf_counter()
        call()
        times.append(time.perf_counter() - start)
    return min(times)


def main():
    lexicon = Lexicon.english()
    text = prose()
    found = lexicon.check(text)
    print(f"{len(text) / 1e6:.2f} MB, {sum(1 for _ in tokens(text))} words, "
          f"{len(found)} flagged ({len({m.word for m in found})} distinct)")
    for name, call in [("tokens", lambda: sum(1 for _ in tokens(text))),
                       ("check", lambda: lexicon.check(text)),
                       ("correct", lambda: lexicon.correct(text))]:
        seconds = best(call)
        print(f"{name:8} {seconds:.3f} s  {len(text) / 1e6 / seconds:.2f} MB/s")


if __name__ == "__main__":
    main()
