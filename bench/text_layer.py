"""How the text layer holds up on hostile input: the time `check` takes over lines of 1 MiB
made of one shape each (the shapes that once cost quadratic time), the time a frequency file
with a megabyte-long run of spaces takes to read, and the peak memory of `Lexicon.load` over
the size of the file it reads.

    .venv/bin/python bench/text_layer.py [LEXICON_FILE ...]

Time is wall time of one call each. The peak is the address space a fresh interpreter needs to
load the file, found by bisection on an RLIMIT_AS limit (the same figure on every run, unlike
resident size); by default for the shipped lexicon and one of
/usr/share/dict/american-english-insane (wamerican-insane, built into a temporary file).
"""

import os
import subprocess
import sys
import tempfile
import time

SHAPES = {"letters then @": "a" * (1 << 20) + "@", "dashes": "-" * (1 << 20),
          '"ab-" repeated': "ab-" * (1 << 18), "soft hyphens": "a\u00ad" * (1 << 19),
          "a.b.c": "a." * (1 << 19), "prose": "the quick brown fox jumps " * (1 << 15)}
PEAK = """
import resource, sys
from brindlemap import Lexicon
vm = int(open("/proc/self/statm").read().split()[0]) * resource.getpagesize()
resource.setrlimit(resource.RLIMIT_AS, (vm + int(sys.argv[2]), resource.RLIM_INFINITY))
try:
    Lexicon.load(sys.argv[1])
except MemoryError:
    sys.exit(1)
"""


def load_peak(path: str) -> float:
    """The least address space, as a multiple of the file's size, that loading it takes."""
    size = os.path.getsize(path)
    low, high = 0.5, 4.0
    for _ in range(9):
        middle = (low + high) / 2
        done = subprocess.run([sys.executable, "-c", PEAK, path, str(int(middle * size))])
        low, high = (low, middle) if done.returncode == 0 else (middle, high)
    return high


def main() -> None:
    from brindlemap import Lexicon
    from brindlemap.frequency_file import read_frequencies
    from brindlemap.shipped import english_index
    english = Lexicon.english()
    for name, text in SHAPES.items():
        started = time.perf_counter()
        english.check(text)
        print(f"check of a 1 MiB line of {name}: {time.perf_counter() - started:.2f} s")
    with tempfile.TemporaryDirectory() as folder:
        spaced = os.path.join(folder, "spaces.txt")
        with open(spaced, "w") as file:
            file.write("a" + " " * 1_000_000 + "b 5\n")
        started = time.perf_counter()
        list(read_frequencies(spaced))
        print(f"a frequency file line with 10**6 spaces: {time.perf_counter() - started:.2f} s")
        paths = sys.argv[1:] or [str(english_index())]
        insane = "/usr/share/dict/american-english-insane"
        if not sys.argv[1:] and os.path.exists(insane):
            paths.append(os.path.join(folder, "wamerican-insane.lexicon"))
            with open(insane, encoding="utf-8") as words:
                Lexicon(line.rstrip("\n") for line in words if line.strip()).save(paths[-1])
        for path in paths:
            print(f"Lexicon.load of {os.path.basename(path)} "
                  f"({os.path.getsize(path) / 1e6:.1f} MB): peak {load_peak(path):.2f}x the file")


if __name__ == "__main__":
    main()
