"""Laying out trie arrays from words."""

import pytest
from hypothesis import given, strategies as st

from brindlemap.builder import build, build_arrays
from conftest import CAR_CAT_DOG


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
