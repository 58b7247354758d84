"""Laying out trie arrays from words."""

from array import array

import pytest
from hypothesis import given, strategies as st

from brindlemap import _search, from_internal_data
from brindlemap.builder import build, build_arrays
from conftest import CAR_CAT_DOG, layout, plain_allocator_only, run_python

# Words that share prefixes and repeat; NUL pads the native sort's 8-byte keys, and U+FFFF
# against U+10000 is where code-point order and UTF-16 order part.
WORDS = st.text(alphabet="ab\0é\uffff\U00010000", min_size=1, max_size=5)


def stored_words(trie, node=0, text=""):
    """Every (word, payload) reachable from `node`, by walking the trie."""
    found = {}
    for character, child in trie.get_children(node):
        payload = trie.get_payload(child)
        if payload is not None:
            found[text + character] = payload
        found.update(stored_words(trie, child, text + character))
    return found


def test_level_by_level_layout_of_the_worked_examples():
    assert build_arrays([("dog", 12), ("cat", 11), ("car", 10)]) == CAR_CAT_DOG
    assert build_arrays({"b": 5, "ab": 300, "a": 7}) == (
        [0, 2, 3, 3], ["", "a", "b", "b"], [None, 7, 5, 300], [1, 2, 3])


def test_payloads_default_to_positions_and_repeats_keep_the_last():
    assert stored_words(build(["b", "a", "b"])) == {"a": 1, "b": 2}
    assert build_arrays([]) == ([0], [""], [None], [])


@pytest.mark.parametrize("words, error, message", [
    (["ok", ""], ValueError, "item 1 is the empty word"),
    (["ok", 5], TypeError, "item 1 (5) is neither a str nor a (str, int) pair"),
    ([("ok", 1), (b"x", 2)], TypeError, "item 1 ((b'x', 2)) is not a str word"),
    ([("ok", -1)], ValueError, "payload of item 0 (('ok', -1)) is outside 0..4294967295"),
    ({"ok": 2**32}, ValueError, "payload of item 0 (('ok', 4294967296)) is outside"),
    ([("ok", "1")], TypeError, "payload of item 0 (('ok', '1')) is not an integer"),
    ("word", TypeError, "not a single str"),
    # The first word given that holds a lone surrogate, and the surrogate's place in it.
    (["ok", "a\ud800"], UnicodeEncodeError, "'\\ud800' in position 1: item 1 ('a\\ud800')"),
    (["b\ud800", "a\udc00"], UnicodeEncodeError, "'\\ud800' in position 1: item 0"),
    ([("ok", 1), ("\udc00b", 2)], UnicodeEncodeError, "'\\udc00' in position 0: item 1"),
])
def test_refusals_name_the_item_and_its_position(words, error, message):
    with pytest.raises(error) as caught:
        build_arrays(words)
    assert message in str(caught.value)


@given(st.dictionaries(st.text(alphabet="abé€\U0001F600z", min_size=1, max_size=6),
                       st.integers(0, 2**32 - 1), max_size=40))
def test_every_word_and_only_words_are_stored(entries):
    shifts, strings, payloads, children = build_arrays(entries)
    assert len(shifts) == len(strings) == len(payloads) == len(children) + 1
    assert shifts == sorted(shifts) and children == sorted(children)
    assert stored_words(build(entries)) == entries


@given(st.lists(st.one_of(WORDS, st.tuples(WORDS, st.integers(0, 2**32 - 1))), max_size=40))
def test_native_build_gives_the_level_by_level_layout(items):
    last = {}
    for position, item in enumerate(items):
        word, payload = (item, position) if isinstance(item, str) else item
        last[word] = payload
    expected = layout(last)
    assert build_arrays(items) == expected
    assert build(items).to_bytes() == from_internal_data(*expected).to_bytes()


@pytest.mark.parametrize("text, lengths, payloads, message", [
    (b"ab", array("I", [1]), array("I", [0]), "do not agree"),
    (b"ab", [1, 1], [0], "do not agree"),
    (bytearray(b"ab"), [0, 2], [0, 1], "word 0 has no bytes"),
    (b"a\xff", [1, 1], [0, 1], "word 1 is not UTF-8"),
    (b"\xed\xa0\x80", [3], [0], "word 0 is not UTF-8"),  # an encoded surrogate
])
def test_native_build_refuses_buffers_that_are_no_word_list(text, lengths, payloads, message):
    with pytest.raises(ValueError, match=message):
        _search.build(text, lengths, payloads)


@plain_allocator_only
def test_building_a_word_list_stays_within_three_times_the_index_memory():
    # Building once cost about 670 bytes per line (a dict entry, a str per node, an int per
    # payload): these 200,000 lines took 220 MiB. Their trie has 1,181,065 nodes, 14 MiB.
    out, _ = run_python("""
        import io, random, resource, string
        from brindlemap.cli.indexes import build_word_list
        rng = random.Random(1)
        lines = io.BytesIO("".join("".join(rng.choices(string.ascii_lowercase,
                                                       k=rng.randint(3, 15))) + "\\n"
                                   for _ in range(200_000)).encode())
        vm = int(open("/proc/self/statm").read().split()[0]) * resource.getpagesize()
        resource.setrlimit(resource.RLIMIT_AS, (vm + (42 << 20), resource.RLIM_INFINITY))
        print(len(build_word_list(lines, "list").get_children(0)))
    """)
    assert out == "26\n"
