"""Index files of the sectioned format: dumps and loads are inverses and keep every answer,
earlier formats still load, the command line opens an index once, and damage anywhere is
refused, even when its checksum is made to match."""

import builtins
import itertools
import pickle
import random
import struct
import zlib
from array import array
from itertools import accumulate

import pytest
from hypothesis import given, settings, strategies as st

import brindlemap
from brindlemap import IndexFileError, Lexicon, _search, dumps, from_internal_data, loads
from brindlemap import index_format, index_reader
from brindlemap.cli import main
from brindlemap.index_format import (ENTRY, KIND_HEADER, LINED, PACKED, SECTIONED, TABLE, Kind,
                                     pack_header, sectioned, trie_sections)
from brindlemap.lexicon_file import ITEMS
from conftest import CYCLE, layout

WORDS = {"tea": 4, "ten": 9, "to": 1, "inn": 3, "in": 2, "été": 7, "a\U0001F600b": 0}
LAST = 69_999


@pytest.fixture(scope="module", params=["built", "shuffled", "root only", "wide", "widest"])
def trie(request):
    """Tries on the builder's layout, numbered at random (child_indices stored), with a
    payload on the root alone, and with alphabets too large for one-byte and two-byte codes
    (whose roots have more children than a byte counts)."""
    if request.param == "built":
        return brindlemap.build(WORDS)
    if request.param == "wide":
        return brindlemap.build({chr(0x4E00 + i) + "x": i for i in range(300)} | WORDS)
    if request.param == "widest":
        return _widest()
    if request.param == "shuffled":
        return from_internal_data(*layout(WORDS, rng=random.Random(5)))
    return from_internal_data(*layout({"": 6}))


def _widest():
    """70,000 leaves of the root, the first and the last with a child: the first nodes'
    shifts, and those children's parents, lie too far apart for 16-bit offsets."""
    return brindlemap.build({chr(0x10000 + i) + "x" * (i in (0, LAST)): i
                             for i in range(LAST + 1)} | WORDS)


def test_nodes_too_far_apart_for_offsets_keep_their_runs_parents_and_order():
    far = chr(0x10000 + LAST) + "x"
    for trie in (_widest(), loads(dumps(_widest()))):
        assert trie.exact_match(far) == (far, LAST, 0)
        assert brindlemap.complete(trie, far[0], 0) == [(far, LAST, 0)]
        assert brindlemap.suggest(trie, far + "y", 1) == [(far, LAST, 1)]
    # Along each level of long words, the places in word order lie a word's length apart:
    # too far for one byte.
    long = {chr(0x100 + i) + "ab"[i % 2] * 999: i for i in range(100)}
    trie = brindlemap.build(long)
    first = sorted(long)[:3]
    assert brindlemap.complete(trie, "", 0, k=3, rank="word") == [(w, long[w], 0) for w in first]
    assert brindlemap.complete(trie, first[1][:500], 0, rank="word") == [(first[1], 1, 0)]


def answers(trie):
    return [(brindlemap.suggest(trie, q, 2), brindlemap.search(trie, q, 2),
             brindlemap.complete(trie, q[:2]), trie.fuzzy_match(q, 1, None))
            for q in ("tne", "e", "inm", "ab", "", "tto", chr(0x10000 + LAST) + "y")]


def test_dumps_and_loads_are_inverses_that_keep_every_answer(trie, tmp_path):
    data = dumps(trie)
    loaded = loads(data)
    assert loaded.to_bytes() == trie.to_bytes() and dumps(loaded) == data
    assert loads(bytearray(data)).to_bytes() == loads(memoryview(data)).to_bytes()
    brindlemap.save(trie, tmp_path / "t.idx")
    assert (tmp_path / "t.idx").read_bytes() == data
    # Mapped (the default) and read into memory, one file loads as one trie.
    assert dumps(brindlemap.load(tmp_path / "t.idx", mmap=False)) == data
    assert answers(brindlemap.load(tmp_path / "t.idx")) == answers(loaded) == answers(trie)
    assert pickle.loads(pickle.dumps(loaded)).to_bytes() == trie.to_bytes()


def _flat_index(trie):
    """The index of `trie` in format 3, its tries laid out flat, as earlier brindlemaps saved."""
    parts = {"trie": _search.flat(trie), "reversed": _search.flat_reversed(trie)}
    return b"".join(sectioned(Kind.TRIE, parts, version=SECTIONED))


def _runs_index(trie):
    """The index of `trie` in format 4, its tries packed with runs of children, as earlier
    brindlemaps saved."""
    return b"".join(sectioned(Kind.TRIE, trie_sections(trie, PACKED), version=PACKED))


def test_earlier_formats_still_load_alike(tmp_path):
    trie = brindlemap.build(WORDS)
    old = trie.to_bytes()
    for data, legacy in ((pack_header(old) + old, False), (old, True), (_flat_index(trie), False),
                         (_runs_index(trie), False)):
        assert answers(loads(data, legacy=legacy)) == answers(trie)
    for version, data in (3, _flat_index(trie)), (4, _runs_index(trie)):
        (tmp_path / f"{version}.idx").write_bytes(data)
        assert dumps(brindlemap.load(tmp_path / f"{version}.idx")) == dumps(trie)
    lexicon = Lexicon({"the": 9, "The": 4, "thee": 2})
    (tmp_path / "x.lexicon").write_bytes(lexicon.to_bytes())  # still format 2
    assert Lexicon.load(tmp_path / "x.lexicon").suggest("teh") == lexicon.suggest("teh")
    # Formats 4 (its tries packed with runs of children) and 5: where each spelling and each
    # key's run of spellings begin, and the keys' totals.
    data = lexicon.to_bytes()
    parts = {name: bytes(section) for name, section in index_format.sections(
        index_format.parse_header(data), memoryview(data)[KIND_HEADER.size:]).items()}
    tables = lexicon._tables
    del parts["lengths"], parts["runs"]
    for name, items in (("starts", accumulate(tables.lengths, initial=0)),
                        ("firsts", accumulate(tables.runs, initial=0)),
                        ("totals", tables.totals())):
        parts[name] = ITEMS.pack(8) + array("Q", items).tobytes()
    for version in PACKED, LINED:
        parts |= trie_sections(lexicon._trie, version)
        (tmp_path / "old.lexicon").write_bytes(b"".join(sectioned(Kind.LEXICON, parts, version)))
        old_lexicon = Lexicon.load(tmp_path / "old.lexicon")
        for query in "teh", "th":
            assert old_lexicon.suggest(query) == lexicon.suggest(query)
            assert old_lexicon.complete(query) == lexicon.complete(query)


def test_to_bytes_and_malformed_tries_are_refused_saying_what_to_call():
    trie = brindlemap.build(WORDS)
    with pytest.raises(IndexFileError, match=r"legacy=True.*brindlemap\.dumps") as raised:
        loads(trie.to_bytes())
    assert raised.value.reason == "headerless"
    with pytest.raises(brindlemap.MalformedTrieError):
        dumps(from_internal_data(*CYCLE))


def _resealed(data, at, value):
    """`data` with the bytes at `at` replaced and its checksum made to match again."""
    body = bytearray(data[KIND_HEADER.size:])
    body[at - KIND_HEADER.size:at - KIND_HEADER.size + len(value)] = value
    return data[:KIND_HEADER.size - 4] + struct.pack("<I", zlib.crc32(body)) + bytes(body)


def _table(data):
    """(offset, length) of each section of `data`, and where its entry lies."""
    (count,) = TABLE.unpack_from(data, KIND_HEADER.size)
    first = KIND_HEADER.size + TABLE.size
    return [(first + ENTRY.size * i, *ENTRY.unpack_from(data, first + ENTRY.size * i)[1:])
            for i in range(count)]


def _arrays_at(offset, nodes):
    """Where the characters, payloads and presence bits of a flat trie of `nodes` nodes at
    `offset` begin (its shifts begin 16 bytes in)."""
    padded = -(-4 * nodes // 8) * 8
    return offset + 16 + padded, offset + 16 + 2 * padded, offset + 16 + 3 * padded


def _packed_at(data, offset=0):
    """Where the codes, runs, wide runs, presence bits and payloads of the packed trie at
    `offset` of `data` begin, as its preamble says (counts of nodes, links, payloads and wide
    runs or values kept whole, then the alphabet's size and the codes' width, plus 256 where the
    shifts are stored in lines of 64 bytes from 64 bytes in; runs and wide runs are then
    none)."""
    def padded(size):
        return -(-size // 8) * 8
    nodes, _, _, fourth, letters, sizes = struct.unpack_from("<QQQQII", data, offset)
    lined, width = sizes & 256, sizes & 255
    alphabet = padded(offset + 64 + 64 * -(-nodes // 60) + 4 * fourth) if lined else offset + 40
    codes = alphabet + padded(4 * letters)
    runs = codes + padded(width * nodes)
    wide_runs = runs if lined else runs + padded(nodes)
    presence = wide_runs if lined else wide_runs + padded(4 * fourth)
    return codes, runs, wide_runs, presence, presence + 8 * -(-nodes // 64)


# car, cat and do: 7 nodes (root, c, d, a, o, r, t), the reversed trie 9 (root, o, r, t, d, a,
# a, c, c), whose words' payloads name the forward nodes 4, 5 and 6; both spell with the six
# letters a, c, d, o, r, t. TRIE as save writes it, packed with its shifts in lines; RUNS and
# FLAT as earlier brindlemaps did, packed with runs of children and laid out flat.
CAR_CAT_DO = brindlemap.build({"car": 10, "cat": 11, "do": 12})
TRIE, RUNS_TRIE, FLAT = dumps(CAR_CAT_DO), _runs_index(CAR_CAT_DO), _flat_index(CAR_CAT_DO)
(TRIE_ENTRY, TRIE_AT, TRIE_LENGTH), (REVERSED_ENTRY, REVERSED_AT, _) = _table(FLAT)
CHARACTERS, PAYLOADS, PRESENCE = _arrays_at(TRIE_AT, 7)
REVERSED_PAYLOADS = _arrays_at(REVERSED_AT, 9)[1]
(_, PACKED_AT, _), (_, PACKED_REVERSED_AT, _), (_, TABLES_AT, _) = _table(RUNS_TRIE)
CODES, RUNS, _, BITS, VALUES = _packed_at(RUNS_TRIE, PACKED_AT)
REVERSED_VALUES = _packed_at(RUNS_TRIE, PACKED_REVERSED_AT)[4]
# TRIE's shifts, one line: 0, 2, 3, 4, 6, 6, 6 (its root's children are 1 and 2, c's 3).
LINED_AT = _table(TRIE)[0][1]
SHIFTS = LINED_AT + 64 + 4


@pytest.mark.parametrize("at, value, reason", [
    (KIND_HEADER.size + 4, struct.pack("<I", 3), "layout"),  # more sections than a trie has
    (TRIE_ENTRY, struct.pack("<I", 9), "layout"),  # an unknown tag
    (REVERSED_ENTRY, struct.pack("<I", 1), "layout"),  # the trie twice
    (TRIE_ENTRY + 8, struct.pack("<Q", TRIE_AT + 8), "layout"),  # not aligned
    (TRIE_ENTRY + 16, struct.pack("<Q", TRIE_LENGTH + 64), "layout"),  # over the next one
    (REVERSED_ENTRY + 16, struct.pack("<Q", 2**63), "layout"),  # past the end
    (TRIE_ENTRY + 16, struct.pack("<Q", TRIE_LENGTH - 8), "layout"),  # cut short
    (TRIE_AT, struct.pack("<Q", 2**40), "layout"),  # more nodes than bytes
    (TRIE_AT, struct.pack("<Q", 0), "layout"),  # no root
    (TRIE_AT + 8, struct.pack("<Q", 3), "layout"),  # links that no tree has
    (TRIE_AT + 16 + 4 * 7, b"\x01", "layout"),  # padding after the shifts
    (CHARACTERS + 4, struct.pack("<I", 0xD800), "layout"),  # a surrogate
    (CHARACTERS + 4, struct.pack("<I", 0x110000), "layout"),  # beyond Unicode
    (PAYLOADS + 4, struct.pack("<I", 5), "layout"),  # a value without a payload
    (PRESENCE + 1, b"\x01", "layout"),  # a payload bit past the last node
    (CHARACTERS + 8, struct.pack("<I", ord("c")), "malformed"),  # twin siblings
    (CHARACTERS + 4, struct.pack("<I", 0xFFFFFFFF), "malformed"),  # a child without one
    (TRIE_AT + 16 + 4, struct.pack("<I", 9), "malformed"),  # shifts past the links
    (REVERSED_PAYLOADS + 4 * 8, struct.pack("<I", 5), "layout"),  # a word named twice
    (REVERSED_PAYLOADS + 4 * 8, struct.pack("<I", 2), "layout"),  # not a word's node
    (REVERSED_PAYLOADS + 4 * 8, struct.pack("<I", 70), "layout"),  # no node at all
])
def test_damage_that_passes_the_checksum_is_refused_by_the_layout(at, value, reason):
    with pytest.raises(IndexFileError) as raised:
        loads(_resealed(FLAT, at, value))
    assert raised.value.reason == reason


@pytest.mark.parametrize("at, value, reason", [
    (PACKED_AT, struct.pack("<Q", 2**40), "layout"),  # more nodes than bytes
    (PACKED_AT, struct.pack("<Q", 0), "layout"),  # no root
    (PACKED_AT + 8, struct.pack("<Q", 3), "layout"),  # links that no tree has
    (PACKED_AT + 16, struct.pack("<Q", 4), "layout"),  # more payloads than bits
    (PACKED_AT + 24, struct.pack("<Q", 1), "layout"),  # a wide run that is not there
    (PACKED_AT + 36, struct.pack("<I", 2), "layout"),  # codes wider than the alphabet needs
    (PACKED_AT + 44, struct.pack("<I", ord("a")), "layout"),  # an alphabet out of order
    (PACKED_AT + 40, struct.pack("<I", 0xD800), "layout"),  # a surrogate
    (PACKED_AT + 60, struct.pack("<I", 0x110000), "layout"),  # beyond Unicode
    (CODES + 1, b"\x07", "layout"),  # a code past the alphabet
    (CODES + 7, b"\x01", "layout"),  # padding after the codes
    (RUNS, b"\xff", "layout"),  # a wide run without its count
    (RUNS, b"\x03", "layout"),  # runs that do not add up to the links
    (BITS, b"\x21", "layout"),  # a payload bit moved to the root
    (BITS, b"\xf0", "layout"),  # a payload bit past the last node
    (CODES + 2, b"\x02", "malformed"),  # twin siblings (c and c)
    (CODES + 1, b"\x00", "malformed"),  # a child without a character
    (REVERSED_VALUES + 8, struct.pack("<I", 5), "layout"),  # a word named twice
    (REVERSED_VALUES + 8, struct.pack("<I", 2), "layout"),  # not a word's node
    (REVERSED_VALUES + 8, struct.pack("<I", 70), "layout"),  # no node at all
    (TABLES_AT, struct.pack("<Q", 8), "layout"),  # tables of another trie
    (TABLES_AT + 8, struct.pack("<I", 3), "layout"),  # a width that is none
    (TABLES_AT + 24, struct.pack("<Q", 6), "layout"),  # fewer values than nodes
    (TABLES_AT + 40, struct.pack("<Q", 1), "layout"),  # lines of a whole table
    (TABLES_AT + 100, b"\x01", "layout"),  # padding after the entries
    (TABLES_AT + 128 + 28, b"\x01", "layout"),  # padding after the values
])
def test_damage_to_a_packed_trie_that_passes_the_checksum_is_refused(at, value, reason):
    with pytest.raises(IndexFileError) as raised:
        loads(_resealed(RUNS_TRIE, at, value))
    assert raised.value.reason == reason


@pytest.mark.parametrize("at, value, reason", [
    (LINED_AT + 36, struct.pack("<I", 1), "layout"),  # lines read as runs
    (LINED_AT + 44, b"\x01", "layout"),  # padding after the preamble
    (LINED_AT + 64, struct.pack("<I", 1), "layout"),  # shifts that do not start at 0
    (SHIFTS, b"\x01", "layout"),  # a line that does not start at its base
    (SHIFTS + 6, b"\x03", "layout"),  # shifts that fall
    (SHIFTS + 6, b"\x07", "layout"),  # children past the last node
    (SHIFTS + 7, b"\x01", "layout"),  # an unused byte of the line
    (LINED_AT + 64, struct.pack("<I", 0xFFFFFFFF), "layout"),  # values kept whole that are not
    (SHIFTS + 1, b"\x00", "malformed"),  # a root without children, c its own child
])
def test_damage_to_shifts_stored_in_lines_is_refused(at, value, reason):
    with pytest.raises(IndexFileError) as raised:
        loads(_resealed(TRIE, at, value))
    assert raised.value.reason == reason


@pytest.mark.parametrize("at", [KIND_HEADER.size, PACKED_AT + 40, len(TRIE) - 1],
                         ids=["table", "trie", "padding"])
def test_a_body_read_beside_its_checksum_is_refused_as_changed_whatever_else_breaks(
        at, tmp_path, monkeypatch):
    # Large bodies are read while their checksum is worked out, by the readers of the tries.
    monkeypatch.setattr(index_reader, "CHECK_BESIDE_BYTES", 0)
    damaged = TRIE[:at] + bytes([TRIE[at] ^ 0xFF]) + TRIE[at + 1:]
    (tmp_path / "damaged.idx").write_bytes(damaged)
    for read in lambda: loads(damaged), lambda: brindlemap.load(tmp_path / "damaged.idx"):
        with pytest.raises(IndexFileError) as raised:
            read()
        assert raised.value.reason == "checksum"
    assert loads(TRIE).to_bytes() == CAR_CAT_DO.to_bytes()


@pytest.mark.parametrize("data", [TRIE, RUNS_TRIE, FLAT], ids=["lines", "runs", "flat"])
def test_any_byte_changed_under_a_matching_checksum_is_refused_or_answers_safely(data):
    # The checksum catches accidents; bytes made to pass it may mislead, never fault.
    for at in range(KIND_HEADER.size, len(data)):
        for value in 0x00, 0x7F, 0xFF:
            try:
                trie = loads(_resealed(data, at, bytes([value])))
            except IndexFileError:
                continue
            answers(trie)


@settings(max_examples=150, deadline=None)
@given(words=st.dictionaries(st.text("ab\u00e9\u4e00\U0001F600", max_size=5),
                             st.integers(0, 2**32 - 1), max_size=12),
       rng=st.randoms(use_true_random=False), shuffled=st.booleans())
def test_packed_tries_read_back_as_they_were_written(words, rng, shuffled):
    # Level by level as the builder lays tries out, or numbered at random; "" puts a payload
    # on the root.
    trie = from_internal_data(*layout(words, rng=rng if shuffled else None))
    for version in 4, 5:
        read = _search.from_packed(_search.packed(trie, version=version),
                                   _search.packed_reversed(trie, version=version),
                                   version=version)
        assert read.to_bytes() == trie.to_bytes()
        assert _search.well_formed(read) == _search.well_formed(trie)
        assert _search.alphabet(read) == _search.alphabet(trie) == "".join(
            sorted(set("".join(words))))
        assert _search.flat_reversed(read) == _search.flat_reversed(trie)


# 300 two-letter words under as many first characters (601 nodes, 301 letters): two-byte codes,
# and a root whose run of children is kept among the wide runs.
WIDE = _search.packed(brindlemap.build({chr(0x4E00 + i) + "x": i for i in range(300)}),
                      version=4)
WIDE_CODES, WIDE_RUNS, WIDE_COUNTS = _packed_at(WIDE)[:3]


@pytest.mark.parametrize("at, value, message", [
    (36, struct.pack("<I", 1), "codes of 1 bytes for an alphabet of 301"),
    (WIDE_CODES + 2, struct.pack("<H", 302), "a character code past its alphabet"),
    (WIDE_COUNTS, struct.pack("<I", 200), "a wide run of fewer than 255 children"),
    (WIDE_RUNS + 1, b"\xff", "more wide runs than it holds"),
])
def test_damaged_wide_codes_and_runs_are_refused(at, value, message):
    assert len(_search.alphabet(_search.from_packed(WIDE, None, version=4))) == 301
    damaged = WIDE[:at] + value + WIDE[at + len(value):]
    with pytest.raises(IndexFileError, match=message) as raised:
        _search.from_packed(damaged, None, version=4)
    assert raised.value.reason == "layout"


def _every_word(letters, lengths):
    """The trie of every word of `letters` of each of `lengths`, and its packed bytes in
    formats 4 and 5."""
    trie = brindlemap.build({"".join(w): i for i, w in enumerate(
        w for n in lengths for w in itertools.product(letters, repeat=n))})
    return trie, {version: _search.packed(trie, version=version) for version in (4, 5)}


# One-byte codes, most taken 64 at a time, the first 64 and the last few one at a time; runs
# added up, or shifts checked, a line of 60 at a time, lines of runs of 7 passing a byte (every
# word of five letters from "abcdefg", 19,608 nodes: their shifts are kept whole) and lines of
# runs of 2 within one (every word of up to twelve from "ab", 8,191 nodes; its even nodes are
# second children).
FULL = {"runs of 7": _every_word("abcdefg", [5]), "runs of 2": _every_word("ab", range(1, 13))}


@pytest.mark.parametrize("full, node", [
    ("runs of 7", 9), ("runs of 7", 2000), ("runs of 7", 19_583), ("runs of 7", 19_607),
    ("runs of 2", 10), ("runs of 2", 2000), ("runs of 2", 8_190)])
@pytest.mark.parametrize("code, message", [
    (8, "a character code past its alphabet"),
    (0, "not a well-formed tree"),  # a child without a character
    (None, "not a well-formed tree"),  # twin siblings: the code of the one before
])
@pytest.mark.parametrize("version", [4, 5])
def test_damaged_codes_are_refused_wherever_the_reader_takes_them(full, node, code, message,
                                                                   version):
    trie, packed = FULL[full][0], FULL[full][1][version]
    codes = _packed_at(packed)[0]
    read = _search.from_packed(packed, None, version=version)
    assert _search.well_formed(read) and read.to_bytes() == trie.to_bytes()
    if code is None:
        code = packed[codes + node - 1]
    damaged = packed[:codes + node] + bytes([code]) + packed[codes + node + 1:]
    with pytest.raises(IndexFileError, match=message):
        _search.from_packed(damaged, None, version=version)


def test_tables_read_with_a_trie_answer_as_those_it_makes_and_damage_is_refused():
    trie, packed = FULL["runs of 7"][0], FULL["runs of 7"][1][5]
    tables = _search.packed_tables(trie)
    read = _search.from_packed(packed, None, tables)
    for query in "abc", "gfe", "a", "":
        assert brindlemap.complete(read, query, max_dist=1) == brindlemap.complete(
            trie, query, max_dist=1)
    # Its tables keep lines of one-byte offsets, a few lines' values whole: the first such line
    # names where its values begin.
    (width, _, lines, values), line = struct.unpack_from("<IIQQ", tables, 8), 128
    assert width == 1 and values > 0
    while tables[line:line + 4] != b"\xff" * 4:
        line += 64
    for at, value in (line + 4, struct.pack("<I", 1)), (24, struct.pack("<Q", lines - 1)):
        with pytest.raises(IndexFileError) as raised:
            _search.from_packed(packed, None, tables[:at] + value + tables[at + len(value):])
        assert raised.value.reason == "layout"


def test_a_mapped_index_is_read_in_place_and_let_go_with_what_loaded_it(tmp_path):
    path, lexicon_path = tmp_path / "mapped.idx", tmp_path / "mapped.lexicon"
    brindlemap.save(brindlemap.build(WORDS), path)
    lexicon = Lexicon(WORDS, bigrams=[(("tea", "in"), 2)])
    lexicon.save(lexicon_path)
    trie, copied = brindlemap.load(path), brindlemap.load(path, mmap=False)
    mapped, read = Lexicon.load(lexicon_path), Lexicon.load(lexicon_path, mmap=False)

    def held():
        with open("/proc/self/maps", encoding="utf-8") as maps:
            text = maps.read()
        return str(path) in text, str(lexicon_path) in text

    # A trie's characters and payloads, a lexicon's tables are read in place.
    assert held() == (True, True)
    assert answers(trie) == answers(copied) == answers(brindlemap.build(WORDS))
    assert pickle.loads(pickle.dumps(trie)).to_bytes() == copied.to_bytes()
    assert mapped.to_bytes() == read.to_bytes() == lexicon.to_bytes()
    assert mapped.suggest("te") == read.suggest("te") == lexicon.suggest("te")
    assert pickle.loads(pickle.dumps(mapped)).to_bytes() == lexicon.to_bytes()
    del trie, mapped
    assert held() == (False, False)


def test_sections_are_aligned_for_mapping():
    assert all(offset % 64 == 0 for _, offset, _ in _table(TRIE))
    # A long stem with many leaves makes no reversed trie, and its index holds none.
    stem = brindlemap.build(["ab" * 100 + c for c in "cdefghijklmnopqrstuvwxyz"])
    assert _search.flat_reversed(stem) is None
    assert len(_table(dumps(stem))) == 2 and answers(loads(dumps(stem))) == answers(stem)


def test_each_command_opens_its_index_once(tmp_path, monkeypatch, capsys):
    for name, write in ("t.idx", lambda p: brindlemap.save(brindlemap.build(WORDS), p)), \
                       ("w.lexicon", lambda p: Lexicon(WORDS).save(p)):
        path = tmp_path / name
        write(path)
        opened = []
        real_open = builtins.open

        def counting(file, *args, **kwargs):
            opened.append(str(file))
            return real_open(file, *args, **kwargs)

        monkeypatch.setattr(builtins, "open", counting)
        for command in ("info", str(path)), ("suggest", str(path), "tne"):
            opened.clear()
            assert main(list(command)) == 0
            assert opened.count(str(path)) == 1, (command, opened)
        monkeypatch.setattr(builtins, "open", real_open)
    capsys.readouterr()
