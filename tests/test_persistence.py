"""to_bytes and from_bytes: the exact bytes written, every decode failure, and round trips."""

import bisect
import re

import pytest
from hypothesis import given, settings, strategies as st

from brindlemap import from_bytes, from_internal_data

ERR = "called `Result::unwrap()` on an `Err` value: "
END_1 = ERR + "UnexpectedEnd { additional: 1 }"
FAILURE = re.compile(
    r"capacity overflow|" + re.escape(ERR) + r"(?:UnexpectedEnd \{ additional: \d+ \}"
    r"|InvalidIntegerType \{ expected: U(?:32|64), found: (?:U64|U128|Reserved) \}"
    r'|UnexpectedVariant \{ type_name: "core::option::Option<(?:char|u32)>", '
    r"allowed: Range \{ min: 0, max: 1 \}, found: \d+ \}"
    r"|InvalidCharEncoding\(\[\d+, \d+, \d+, \d+\]\))"
)
CAR_CAT_DOG = ([0, 2, 3, 4, 6, 7, 7, 7], ["", "c", "d", "a", "o", "r", "t", "g"],
               [None] * 5 + [10, 11, 12], [1, 2, 3, 4, 5, 6, 7])
WORKED = "03 00 01 02 03 00 01 61 01 62 03 00 01 07 01 FB 2C 01 02 01 02"


def h(text):
    return bytes.fromhex(text)


def le(count):
    return count.to_bytes(8, "little")


def outcome(call, *args):
    """The value of a call, or the type name and args of what it raised."""
    try:
        return call(*args)
    except BaseException as e:  # PanicException derives from BaseException
        return type(e).__name__, e.args


def panic_message(bs):
    kind, args = outcome(from_bytes, bs)
    assert kind == "PanicException"
    return args[0]


@pytest.mark.parametrize("arrays, expected", [
    (([0, 1, 2], ["", "a", "b"], [None, 7, 300], [1, 2]), WORKED),
    (([0, 2, 3, 3], ["", "a", "b", "b"], [None, 7, 300, 5], [1, 3, 2]),
     "04 00 02 03 03 04 00 01 61 01 62 01 62 04 00 01 07 01 FB 2C 01 01 05 03 01 03 02"),
    (CAR_CAT_DOG, "08 00 02 03 04 06 07 07 07 08 00 01 63 01 64 01 61 01 6F 01 72 01 74 01 67"
                  " 08 00 00 00 00 00 01 0A 01 0B 01 0C 07 01 02 03 04 05 06 07"),
    (([], [], [], []), "00 00 00 00"),
    (([250, 251, 65535, 65536, 2**32 - 1], [], [], []),
     "05 FA FB FB 00 FB FF FF FC 00 00 01 00 FC FF FF FF FF 00 00 00"),
    (([], ["é", "€", "\U0001F600", "\0"], [], []),
     "00 04 01 C3 A9 01 E2 82 AC 01 F0 9F 98 80 01 00 00 00"),
    (([], [], [0, 250, 251, 2**32 - 1, None], []),
     "00 00 05 01 00 01 FA 01 FB FB 00 01 FC FF FF FF FF 00 00"),
])
def test_bytes_written_and_read_back(arrays, expected):
    written = from_internal_data(*arrays).to_bytes()
    assert type(written) is bytes and written == h(expected)
    assert from_bytes(written).to_bytes() == written


@pytest.mark.parametrize("variant", [
    "FB 03 00 00 01 02 03 00 01 61 01 62 03 00 01 07 01 FC 2C 01 00 00 FD 02" + " 00" * 7 + " 01 02",
    WORKED + " FF FE 05",  # trailing bytes are never looked at
])
def test_longer_forms_and_trailing_bytes_read_as_the_shortest(variant):
    assert from_bytes(h(variant)).to_bytes() == h(WORKED)


@pytest.mark.parametrize("data, failure", [
    ("", "UnexpectedEnd { additional: 1 }"),
    ("01 FB 05", "UnexpectedEnd { additional: 1 }"),
    ("01 FC 05", "UnexpectedEnd { additional: 3 }"),
    ("FD 01", "UnexpectedEnd { additional: 7 }"),
    ("01 FD", "InvalidIntegerType { expected: U32, found: U64 }"),
    ("FE" + " 00" * 20, "InvalidIntegerType { expected: U64, found: U128 }"),
    ("00 00 00 FF", "InvalidIntegerType { expected: U64, found: Reserved }"),
    ("01 FE", "InvalidIntegerType { expected: U32, found: U128 }"),
    ("00 00 01 01 FF", "InvalidIntegerType { expected: U32, found: Reserved }"),
    ("00 00 01 01 FD" + " 00" * 8, "InvalidIntegerType { expected: U32, found: U64 }"),
    ("00 00 01 01", "UnexpectedEnd { additional: 1 }"),
    ("01 00 01 02", 'UnexpectedVariant { type_name: "core::option::Option<char>", '
                    "allowed: Range { min: 0, max: 1 }, found: 2 }"),
    ("01 00 00 01 05", 'UnexpectedVariant { type_name: "core::option::Option<u32>", '
                       "allowed: Range { min: 0, max: 1 }, found: 5 }"),
    ("01 00 01", "UnexpectedEnd { additional: 1 }"),
    ("01 00 01 01", "UnexpectedEnd { additional: 1 }"),
    ("01 00 01 01 E2 82", "UnexpectedEnd { additional: 1 }"),
    ("01 00 01 01 F0", "UnexpectedEnd { additional: 3 }"),
    ("01 00 01 01 C3 28", "InvalidCharEncoding([195, 40, 0, 0])"),
    ("01 00 01 01 FF", "InvalidCharEncoding([255, 0, 0, 0])"),
    ("01 00 01 01 80", "InvalidCharEncoding([128, 0, 0, 0])"),
    ("01 00 01 01 C1 BF", "InvalidCharEncoding([193, 0, 0, 0])"),
    ("01 00 01 01 F5 80 80 80", "InvalidCharEncoding([245, 0, 0, 0])"),
    ("01 00 01 01 ED A0 80", "InvalidCharEncoding([237, 160, 128, 0])"),
    ("01 00 01 01 E0 9F BF", "InvalidCharEncoding([224, 159, 191, 0])"),
    ("01 00 01 01 F0 8F BF BF", "InvalidCharEncoding([240, 143, 191, 191])"),
    ("01 00 01 01 F4 90 80 80", "InvalidCharEncoding([244, 144, 128, 128])"),
    ("01 00 01 01 E2 28 AC", "InvalidCharEncoding([226, 40, 172, 0])"),
])
def test_decode_failures(data, failure):
    assert panic_message(h(data)) == ERR + failure


@pytest.mark.parametrize("block", range(4))
def test_huge_counts(block):
    limit = 2**60 if block == 2 else 2**61
    head = bytes(block) + b"\xfd"
    assert panic_message(head + le(limit)) == "capacity overflow"
    assert panic_message(head + le(2**64 - 1) + b"\xff") == "capacity overflow"
    # Far more than could be reserved: must run out of input, not of memory.
    for count in (2**40, limit - 1):
        assert panic_message(head + le(count) + bytes(3)) == END_1


class LyingLength:
    """A sequence whose length claims far more items than it yields."""

    def __init__(self, items):
        self.items = items

    def __len__(self):
        return 2**40

    def __getitem__(self, i):
        return self.items[i]


class Bytes(bytes):
    pass


@pytest.mark.parametrize("convert", [bytes, bytearray, list, tuple, Bytes, LyingLength])
def test_any_sequence_of_small_integers_is_read(convert):
    assert from_bytes(convert(h(WORKED))).to_bytes() == h(WORKED)
    assert outcome(from_bytes, convert(b"\x01")) == ("PanicException", (END_1,))


def test_bs_by_keyword_and_to_bytes_without_arguments():
    trie = from_bytes(bs=bytearray(4))
    assert trie.to_bytes() == bytes(4)
    assert type(trie).to_bytes.__text_signature__ == "($self)"
    assert outcome(trie.to_bytes, 1) == (
        "TypeError", ("PrefixSearch.to_bytes() takes no arguments (1 given)",))


@pytest.mark.parametrize("bs, error", [
    ("abc", ("TypeError", "argument 'bs': Can't extract `str` to `Vec`")),
    (type("S", (str,), {})("abc"), ("TypeError", "argument 'bs': Can't extract `str` to `Vec`")),
    (5, ("TypeError", "argument 'bs': 'int' object cannot be converted to 'Sequence'")),
    ({1: 2}, ("TypeError", "argument 'bs': 'dict' object cannot be converted to 'Sequence'")),
    ([1, 300], ("OverflowError", "out of range integral type conversion attempted")),
    ((0, -1), ("OverflowError", "out of range integral type conversion attempted")),
    ([2**70], ("OverflowError", "Python int too large to convert to C long")),
    ([0.5], ("TypeError", "argument 'bs': 'float' object cannot be interpreted as an integer")),
])
def test_bs_conversion_failures(bs, error):
    assert outcome(from_bytes, bs) == (error[0], (error[1],))


def encode(shifts, strings, payloads, children):
    """The format written out independently of the extension, for comparison."""
    def varint(v):
        if v < 251:
            return bytes([v])
        tag, size = (251, 2) if v < 1 << 16 else (252, 4) if v < 1 << 32 else (253, 8)
        return bytes([tag]) + v.to_bytes(size, "little")

    def block(items, item):
        return varint(len(items)) + b"".join(map(item, items))

    return (block(shifts, varint)
            + block(strings, lambda s: b"\1" + s[0].encode() if s else b"\0")
            + block(payloads, lambda p: b"\0" if p is None else b"\1" + varint(p))
            + block(children, varint))


u32 = st.one_of(st.integers(0, 12), st.integers(0, 2**32 - 1))
chars = st.text(max_size=2)
malformed = st.tuples(st.lists(u32, max_size=12), st.lists(chars, max_size=12),
                      st.lists(st.none() | u32, max_size=12), st.lists(u32, max_size=12))


@st.composite
def well_formed(draw):
    # Parents in non-decreasing order number the nodes level by level.
    parents = [min(p, i) for i, p in enumerate(sorted(draw(st.lists(st.integers(0, 30), max_size=30))))]
    n = len(parents) + 1
    return ([bisect.bisect_left(parents, p) for p in range(n)],
            [""] + draw(st.lists(chars.filter(bool), min_size=n - 1, max_size=n - 1)),
            draw(st.lists(st.none() | u32, min_size=n, max_size=n)), list(range(1, n)))


@settings(max_examples=150, deadline=None)
@given(well_formed() | malformed)
def test_round_trip_answers_alike(arrays):
    original = from_internal_data(*arrays)
    written = original.to_bytes()
    assert written == encode(*arrays)
    decoded = from_bytes(written)
    assert decoded.to_bytes() == written
    for node in range(max(map(len, arrays)) + 2):
        for method in ("get_children", "get_payload"):
            assert outcome(getattr(decoded, method), node) == outcome(getattr(original, method), node)


def decodes_or_fails_cleanly(data):
    result = outcome(from_bytes, data)
    if isinstance(result, tuple):
        assert result[0] == "PanicException" and FAILURE.fullmatch(result[1][0]), result
        return result[1][0]
    assert from_bytes(result.to_bytes()).to_bytes() == result.to_bytes()


@settings(max_examples=150, deadline=None)
@given(well_formed() | malformed, st.data())
def test_truncations_and_mutations(arrays, data):
    written = from_internal_data(*arrays).to_bytes()
    cut = data.draw(st.integers(0, len(written) - 1))
    assert decodes_or_fails_cleanly(written[:cut]).startswith(ERR + "UnexpectedEnd")
    mutated = bytearray(written)
    for _ in range(data.draw(st.integers(1, 3))):
        mutated[data.draw(st.integers(0, len(written) - 1))] = data.draw(st.integers(0, 255))
    decodes_or_fails_cleanly(bytes(mutated))


@settings(max_examples=300, deadline=None)
@given(st.binary(max_size=40))
def test_random_bytes(data):
    decodes_or_fails_cleanly(data)
