"""How many real-word slips `check(real_words=True)` catches ("form" for "from", "there" for
"their") and how many correct words it flags, on the public prose of
`bench/trusted_correction.py` (licence texts, fortunes-min quotations, standard library
docstrings).

    .venv/bin/python bench/real_word_slips.py

About one word in PLANTED_EVERY of lowercase prose is replaced, with a fixed seed, by a partner
from the confusion list where it has one, or else by a word the shipped lexicon holds one edit
away among its 20,000 commonest (a slip that a spelling checker cannot see).
"""

import random
import sys
import time
from pathlib import Path

from brindlemap import Lexicon
from brindlemap.real_words import CONFUSIONS
from brindlemap.tokens import tokens

sys.path.insert(0, str(Path(__file__).resolve().parent))
from trusted_correction import corpus  # noqa: E402

PLANTED_EVERY = 200
COMMON = 20_000
PARTNERS = {word: [other for other in group if other != word]
            for group in CONFUSIONS for word in group}


def planted(lexicon: Lexicon, text: str, seed: int) -> tuple[str, set[int]]:
    """`text` with its slips, and where each slip starts in it."""
    pieces, starts, done, shift = [], set(), 0, 0
    for word, start, end in tokens(text):
        # Each place draws on its own, from the seed and where it stands, so that a change in
        # the lexicon's words one edit away moves only the plants of the places it touches.
        rng = random.Random(f"{seed}:{start}")
        if rng.randrange(PLANTED_EVERY) or word != word.lower() or not word.isalpha():
            continue
        choices = PARTNERS.get(word) or [
            s.word for s in lexicon.search(word, 1) if s.distance == 1 and s.word.isalpha()
            and s.word == s.word.lower() and lexicon._base_number(s.word) < COMMON]
        if not choices:
            continue
        slip = rng.choice(choices)
        pieces += (text[done:start], slip)
        starts.add(start + shift)
        shift += len(slip) - len(word)
        done = end
    pieces.append(text[done:])
    return "".join(pieces), starts


def section() -> list[str]:
    english = Lexicon.english()
    lines = ["| corpus | words | correct words flagged | slips planted | slips flagged | check speed |",
             "|---|---|---|---|---|---|"]
    sums = [0] * 5
    for name, text in corpus().items():
        words = sum(1 for _ in tokens(text))
        started = time.perf_counter()
        clean = [m for m in english.check(text, real_words=True)
                 if m.word in english and m.word.lower() in english]
        seconds = time.perf_counter() - started
        bad, starts = planted(english, text, seed=len(name))
        caught = {m.start for m in english.check(bad, real_words=True)} & starts
        row = [words, len(clean), len(starts), len(caught), seconds]
        sums = [a + b for a, b in zip(sums, row)]
        lines.append(_row(name, row))
    lines.append(_row("all", sums))
    return lines


def _row(name, row) -> str:
    words, flagged, planted_count, caught, seconds = row
    return (f"| {name} | {words} | {flagged} ({1000 * flagged / words:.2f} per 1,000) | "
            f"{planted_count} | {caught} ({100 * caught / max(planted_count, 1):.1f}%) | "
            f"{words / seconds / 1000:.0f}k words/s |")


if __name__ == "__main__":
    print("\n".join(section()))
