"""to_bytes and from_bytes: the exact bytes written, every decode failure, and round trips."""

import bisect
import re
import subprocess
import sys

import pytest
from hypothesis import given, settings, strategies as st

from brindlemap import from_bytes, from_internal_data
from conftest import A_AB_B, CAR_CAT_DOG, panic_message, plain_allocator_only

ERR = "called `Result::unwrap()` on an `Err` value: "
FAILURE = re.compile(
    r"capacity overflow|" + re.escape(ERR) + r"(?:UnexpectedEnd \{ additional: \d+ \}"
    r"|InvalidIntegerType \{ expected: U(?:32|64), found: (?:U64|U128|Reserved) \}"
    r'|UnexpectedVariant \{ type_name: "core::option::Option<(?:char|u32)>", '
    r"allowed: Range \{ min: 0, max: 1 \}, found: \d+ \}"
    r"|InvalidCharEncoding\(\[\d+, \d+, \d+, \d+\]\))"
)
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


@pytest.mark.parametrize("arrays, expected", [
    (([0, 1, 2], ["", "a", "b"], [None, 7, 300], [1, 2]), WORKED),
    (A_AB_B,
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
    # counts and values in longer forms than needed
    "FB 03 00 00 01 02 03 00 01 61 01 62 03 00 01 07 01 FC 2C 01 00 00 FD 02 00 00 00 00 00 00 00"
    " 01 02",
    WORKED + " FF FE 05",  # trailing bytes are never looked at
])
def test_longer_forms_and_trailing_bytes_read_as_the_shortest(variant):
    assert from_bytes(h(variant)).to_bytes() == h(WORKED)


def end(n):
    return f"UnexpectedEnd {{ additional: {n} }}"


def int_type(expected, found):
    return f"InvalidIntegerType {{ expected: {expected}, found: {found} }}"


def variant(of, found):
    return (f'UnexpectedVariant {{ type_name: "core::option::Option<{of}>", '
            f"allowed: Range {{ min: 0, max: 1 }}, found: {found} }}")


def bad_char(*four):
    return f"InvalidCharEncoding({list(four)})"


@pytest.mark.parametrize("data, failure", [
    ("", end(1)), ("01 FB 05", end(1)), ("01 FC 05", end(3)), ("FD 01", end(7)),
    ("01 00 01", end(1)), ("01 00 01 01", end(1)),
    ("01 00 01 01 E2 82", end(1)), ("01 00 01 01 F0", end(3)),
    ("01 FD", int_type("U32", "U64")), ("00 00 01 01 FD" + " 00" * 8, int_type("U32", "U64")),
    ("FE" + " 00" * 20, int_type("U64", "U128")), ("00 00 00 FF", int_type("U64", "Reserved")),
    ("01 FE", int_type("U32", "U128")), ("00 00 01 01 FF", int_type("U32", "Reserved")),
    ("01 00 01 02", variant("char", 2)), ("01 00 00 01 05", variant("u32", 5)),
    ("00 01 FF", variant("char", 255)),
    ("01 00 01 01 C3 28", bad_char(195, 40, 0, 0)), ("01 00 01 01 FF", bad_char(255, 0, 0, 0)),
    ("01 00 01 01 80", bad_char(128, 0, 0, 0)), ("01 00 01 01 E2 28 AC", bad_char(226, 40, 172, 0)),
    ("01 00 01 01 ED A0 80", bad_char(237, 160, 128, 0)),  # a surrogate
    ("01 00 01 01 F4 90 80 80", bad_char(244, 144, 128, 128)),  # beyond U+10FFFF
    # overlong forms
    ("01 00 01 01 C1 BF", bad_char(193, 0, 0, 0)),
    ("01 00 01 01 E0 9F BF", bad_char(224, 159, 191, 0)),
    ("01 00 01 01 F0 8F BF BF", bad_char(240, 143, 191, 191)),
])
def test_decode_failures(data, failure):
    assert panic_message(from_bytes, h(data)) == ERR + failure


@pytest.mark.parametrize("block", range(4))
def test_huge_counts(block):
    limit = 2**60 if block == 2 else 2**61
    head = bytes(block) + b"\xfd"
    assert panic_message(from_bytes, head + le(limit)) == "capacity overflow"
    assert panic_message(from_bytes, head + le(2**64 - 1) + b"\xff") == "capacity overflow"
    # Far more than could be reserved: must run out of input, not of memory.
    for count in (2**40, limit - 1):
        assert panic_message(from_bytes, head + le(count) + bytes(3)) == ERR + end(1)


class LyingLength(list):
    """A sequence whose length claims far more items than it yields."""

    def __len__(self):
        return 2**40


class Bytes(bytes):
    pass


@pytest.mark.parametrize("convert", [bytes, bytearray, list, tuple, Bytes, LyingLength])
def test_any_sequence_of_small_integers_is_read(convert):
    assert from_bytes(convert(h(WORKED))).to_bytes() == h(WORKED)
    assert outcome(from_bytes, convert(b"\x01")) == ("PanicException", (ERR + end(1),))


def test_bs_by_keyword_and_to_bytes_without_arguments():
    trie = from_bytes(bs=bytearray(4))
    assert trie.to_bytes() == bytes(4)
    assert type(trie).to_bytes.__text_signature__ == "($self)"
    assert outcome(trie.to_bytes, 1) == (
        "TypeError", ("PrefixSearch.to_bytes() takes no arguments (1 given)",))


NO_STR = "argument 'bs': Can't extract `str` to `Vec`"
RANGE = "out of range integral type conversion attempted"


@pytest.mark.parametrize("bs, kind, message", [
    ("abc", "TypeError", NO_STR), (type("S", (str,), {})("abc"), "TypeError", NO_STR),
    (5, "TypeError", "argument 'bs': 'int' object cannot be converted to 'Sequence'"),
    ({1: 2}, "TypeError", "argument 'bs': 'dict' object cannot be converted to 'Sequence'"),
    ([1, 300], "OverflowError", RANGE), ((0, -1), "OverflowError", RANGE),
    ([2**70], "OverflowError", "Python int too large to convert to C long"),
    ([0.5], "TypeError", "argument 'bs': 'float' object cannot be interpreted as an integer"),
])
def test_bs_conversion_failures(bs, kind, message):
    assert outcome(from_bytes, bs) == (kind, (message,))


u32 = st.one_of(st.integers(0, 12), st.integers(0, 2**32 - 1))
chars = st.text(max_size=2)
malformed = st.tuples(st.lists(u32, max_size=12), st.lists(chars, max_size=12),
                      st.lists(st.none() | u32, max_size=12), st.lists(u32, max_size=12))


@st.composite
def well_formed(draw):
    # Parents in non-decreasing order number the nodes level by level.
    drawn = sorted(draw(st.lists(st.integers(0, 30), max_size=30)))
    parents = [min(p, i) for i, p in enumerate(drawn)]
    n = len(parents) + 1
    return ([bisect.bisect_left(parents, p) for p in range(n)],
            [""] + draw(st.lists(chars.filter(bool), min_size=n - 1, max_size=n - 1)),
            draw(st.lists(st.none() | u32, min_size=n, max_size=n)), list(range(1, n)))


@settings(max_examples=150, deadline=None)
@given(well_formed() | malformed)
def test_round_trip_answers_alike(arrays):
    original = from_internal_data(*arrays)
    written = original.to_bytes()
    decoded = from_bytes(written)
    assert decoded.to_bytes() == written
    for node in range(max(map(len, arrays)) + 2):
        for method in ("get_children", "get_payload"):
            call = lambda trie: outcome(getattr(trie, method), node)  # noqa: E731
            assert call(decoded) == call(original)


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


MEMORY_SCRIPT = """
import resource
from brindlemap import from_bytes
data = b"\\xfc" + (4 << 20).to_bytes(4, "little") + bytes(4 << 20) + bytes(3)
trie = from_bytes(data)
vm = int(open("/proc/self/statm").read().split()[0]) * resource.getpagesize()
resource.setrlimit(resource.RLIMIT_AS, (vm + (2 << 20), resource.RLIM_INFINITY))
for attempt in (trie.to_bytes, lambda: from_bytes(data)):
    try:
        attempt()
    except MemoryError:
        print("MemoryError")
"""


@plain_allocator_only
def test_exhausted_memory_is_a_memory_error():
    done = subprocess.run([sys.executable, "-c", MEMORY_SCRIPT], capture_output=True, text=True)
    assert (done.returncode, done.stdout) == (0, "MemoryError\nMemoryError\n"), done.stderr
