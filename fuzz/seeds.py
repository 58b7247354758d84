"""Writes the seed corpora of the fuzz targets: known tries, their bytes and the decode failures.

Run from anywhere with any Python 3; the files it writes are committed under fuzz/corpus/.
"""

import pathlib
import shutil


def varint(value):
    if value <= 250:
        return bytes([value])
    for tag, size in ((251, 2), (252, 4), (253, 8)):
        if value < 1 << (8 * size):
            return bytes([tag]) + value.to_bytes(size, "little")
    raise ValueError(value)


def serialize(shifts, strings, payloads, children):
    out = varint(len(shifts)) + b"".join(map(varint, shifts))
    out += varint(len(strings))
    for s in strings:
        out += b"\x01" + s[0].encode() if s else b"\x00"
    out += varint(len(payloads))
    for p in payloads:
        out += b"\x00" if p is None else b"\x01" + varint(p)
    return out + varint(len(children)) + b"".join(map(varint, children))


A_AB = ([0, 1, 2], ["", "a", "b"], [None, 7, 300], [1, 2])
A_AB_B = ([0, 2, 3, 3], ["", "a", "b", "b"], [None, 7, 300, 5], [1, 3, 2])
CAR_CAT_DOG = ([0, 2, 3, 4, 6, 7, 7, 7], ["", "c", "d", "a", "o", "r", "t", "g"],
               [None] * 5 + [10, 11, 12], [1, 2, 3, 4, 5, 6, 7])
TRIES = {
    "a_ab": A_AB,
    "a_ab_b": A_AB_B,
    "car_cat_dog": CAR_CAT_DOG,
    "no_nodes": ([], [], [], []),
    "one_shift_only": ([0], [], [], []),
    "cycle": ([0, 1], ["", "a"], [None, 1], [1, 1]),
    "shared_child": ([0, 2, 3, 4], ["", "a", "b", "c"], [None, None, None, 5], [1, 2, 3, 3]),
    "same_sibling_characters": ([0, 2, 3, 3], ["", "a", "a", "b"], [None, 1, 2, 3], [1, 2, 3]),
    "child_without_character": ([0, 1], ["", ""], [None, 1], [1]),
    "decreasing_shifts": ([2, 0, 1], ["", "x", "é"], [0, None, 4294967295], [2, 1, 0]),
    "absent_after_unsorted": ([0, 3, 3, 3], ["", "b", "a", ""], [None, 1, 2, 3], [1, 2, 3]),
}

# The exact bytes the writer is known to give for the worked examples.
assert serialize(*A_AB).hex() == "030001020300016101620300010701fb2c01020102"
assert len(serialize(*A_AB_B)) == 27 and len(serialize(*CAR_CAT_DOG)) == 45
assert serialize(*TRIES["no_nodes"]) == bytes(4)

DECODE_FAILURES = {
    "empty": "",
    "u16_cut": "01fb05",
    "u32_cut": "01fc05",
    "u64_in_u32": "01fd",
    "u128_count": "fe",
    "reserved_count": "ff00",
    "char_tag_2": "01000102",
    "payload_tag_5": "0100000105",
    "bad_continuation": "01000101c328",
    "bad_lead": "01000101ff",
    "surrogate": "01000101eda080",
    "char_cut": "01000101e282",
    "capacity_overflow": "fd" + (1 << 61).to_bytes(8, "little").hex(),
    "payload_capacity_overflow": "000000fd" + (1 << 60).to_bytes(8, "little").hex(),
    "huge_count_short_input": "fcffffffff0001",
    "long_forms": "fb0300" + serialize(*A_AB)[1:].hex(),
    "trailing_bytes": serialize(*A_AB).hex() + "ffee",
}

# Walk header: three queries of five bytes, then a byte of flags (see fuzz/walk_inputs.h).
def query(text, max_dist, limit=None):
    chars = (text.encode() + b"a" * 4)[:4]
    return bytes([max_dist | len(text) << 2 | (7 if limit is None else limit) << 5]) + chars


HEADERS = {
    "": query("cas", 1) + query("cat", 1, 1) + query("", 3) + b"\x09",
    ".q2": query("ab", 2) + query("b", 1, 2) + query("b", 0, 0) + b"\x05",
}


# Word lists for the roads target, which builds their trie (flag bit 0), numbered depth first
# (bit 1) and with siblings reversed (bit 2); words end at 0xFF, bytes from 0x80 on stand for
# non-ASCII and astral characters, 0xFE and the byte after it for one of 256 ideographs.
WORD_LISTS = {
    "car_cat_dog": b"car\xffcat\xffdog",
    "nested": b"a\xffab\xffabc\xffb\xffba",
    "wide": b"\x81\xff\xc1\xffz\xff\x81\xc1x\xffzz",
    # More characters than the walks' one-byte character codes hold.
    "crowded": b"\xff".join([b"ca" + bytes([0xFE, i]) + b"s" for i in range(256)]
                            + [bytes([0x80 + i]) + b"at" for i in range(64)]),
}


def main():
    root = pathlib.Path(__file__).resolve().parent / "corpus"
    for target in ("decode", "walk", "roads"):
        shutil.rmtree(root / target, ignore_errors=True)
        (root / target).mkdir(parents=True)
    for name, arrays in TRIES.items():
        (root / "decode" / name).write_bytes(serialize(*arrays))
        for suffix, header in HEADERS.items():
            (root / "walk" / (name + suffix)).write_bytes(header + serialize(*arrays))
            (root / "roads" / (name + suffix)).write_bytes(header[:-1] + b"\x00" +
                                                         serialize(*arrays))
    for name, words in WORD_LISTS.items():
        for flags in range(1, 8, 2):
            header = HEADERS[".q2" if flags & 2 else ""]
            (root / "roads" / f"{name}.{flags}").write_bytes(header[:-1] + bytes([flags]) + words)
    for name, hex_bytes in DECODE_FAILURES.items():
        (root / "decode" / name).write_bytes(bytes.fromhex(hex_bytes))


if __name__ == "__main__":
    main()
