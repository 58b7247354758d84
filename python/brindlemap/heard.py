"""How often words are written in a broad sample of a language, whether a lexicon holds them or
not: what tells a name or a term that people write ("Zelensky", "gzip") from a slip that nobody
does ("meens"), where the lexicon knows neither.

A table holds the words written at least HEARD_FROM times a word, each by the CRC-32 of its
lowercase UTF-8 (its apostrophes plain), with its frequency in tenths of a power of ten:

    b"BMHEARD\\x01", u32 count n, u32 hashes[n] increasing, u8 tenths[n]   (little-endian)

A word whose hash is not there is written less often than that; one of the 4 billion hashes
that some other word shares is taken for it, one chance in tens of thousands.
"""

from __future__ import annotations

import functools
import math
import mmap
import sys
import zlib
from array import array
from bisect import bisect_left
from collections.abc import Mapping

from brindlemap.shipped import data_path

__all__ = ["HEARD_FROM", "Heard", "shipped_english", "table_bytes"]

# Once in about 30 million words: rarer words are seldom more than slips or one writer's coinage.
HEARD_FROM = 3.5e-8
_MAGIC = b"BMHEARD\x01"
_HEAD = len(_MAGIC) + 4


def _hash(word: str) -> int:
    return zlib.crc32(word.lower().replace("’", "'").encode("utf-8", "surrogatepass"))


def table_bytes(frequencies: Mapping[str, float]) -> bytes:
    """The table of `frequencies` (word: how often it is written a word), in the layout above;
    of two words that share a hash, the commoner is kept."""
    tenths: dict[int, int] = {}
    for word, frequency in frequencies.items():
        step = min(255, max(0, round(-10 * math.log10(frequency))))
        key = _hash(word)
        tenths[key] = min(step, tenths.get(key, 255))
    keys = array("I", sorted(tenths))
    if sys.byteorder == "big":
        keys.byteswap()
    return (_MAGIC + len(tenths).to_bytes(4, "little") + keys.tobytes()
            + bytes(tenths[key] for key in sorted(tenths)))


class Heard:
    """A table of how often words are written (the layout above)."""

    __slots__ = ("_keys", "_tenths")

    def __init__(self, data: bytes | memoryview) -> None:
        """The table of `data`, whose hashes and tenths are read where they lie (in a mapped
        file, shared by the processes that map it) where the processor reads them as laid
        out."""
        view = memoryview(data)
        count = int.from_bytes(view[len(_MAGIC):_HEAD], "little")
        if bytes(view[:len(_MAGIC)]) != _MAGIC or len(view) != _HEAD + 5 * count:
            raise ValueError("not a table of how often words are written")
        keys = view[_HEAD:_HEAD + 4 * count]
        self._keys: memoryview | array[int]
        if sys.byteorder == "big":
            self._keys = array("I", keys.tobytes())
            self._keys.byteswap()
        else:
            self._keys = keys.cast("I")
        self._tenths = view[_HEAD + 4 * count:]

    def frequency(self, word: str) -> float:
        """How often `word` is written, a word (its casing aside); 0 below HEARD_FROM."""
        key = _hash(word)
        at = bisect_left(self._keys, key)
        if at == len(self._keys) or self._keys[at] != key:
            return 0.0
        return float(10.0 ** (-self._tenths[at] / 10))


@functools.cache
def shipped_english() -> Heard:
    """The table that ships for English, mapped on first use."""
    with open(data_path("heard-english.bin"), "rb") as file:
        return Heard(memoryview(mmap.mmap(file.fileno(), 0, access=mmap.ACCESS_READ)))
