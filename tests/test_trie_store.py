"""Building tries from arrays and navigating them with get_children and get_payload."""

import pytest

from brindlemap import _brindlemap as bm
from conftest import CAR_CAT_DOG, out_of_bounds, panic_message


def test_worked_example_navigation(words):
    assert words.get_children(0) == [("c", 1), ("d", 2)]
    assert words.get_children(3) == [("r", 5), ("t", 6)]
    assert words.get_children(node_id=7) == []
    assert [words.get_payload(i) for i in range(8)] == [None] * 5 + [10, 11, 12]
    assert panic_message(words.get_children, 8) == out_of_bounds(8, 8)
    assert panic_message(words.get_payload, 8) == out_of_bounds(8, 8)


def test_only_the_first_character_of_a_node_string_counts():
    shifts, _, payloads, children = CAR_CAT_DOG
    trie = bm.from_internal_data(shifts, ["", "cx", "dog", "a", "o", "r", "t", "g"], payloads, children)
    original = bm.from_internal_data(*CAR_CAT_DOG)
    assert [trie.get_children(i) for i in range(8)] == [original.get_children(i) for i in range(8)]


@pytest.mark.parametrize("character", ["é", "€", "\U0001F600", "\x00"])
def test_characters_beyond_ascii_round_trip(character):
    trie = bm.from_internal_data([0, 1], ["", character + "tail"], [None, 0], [1])
    assert trie.get_children(0) == [(character, 1)]
    assert trie.get_payload(1) == 0  # 0 is a present payload, not None


def test_single_node_trie():
    trie = bm.from_internal_data([0], [""], [None], [])
    assert trie.get_children(0) == []
    assert trie.get_payload(0) is None


def test_other_sequence_types_are_accepted():
    trie = bm.from_internal_data((0, 1), ["", "a"], range(2), b"\x01")
    assert trie.get_children(0) == [("a", 1)]
    assert trie.get_payload(1) == 1


def test_u32_bounds_of_elements():
    trie = bm.from_internal_data([4294967295], [""], [4294967295], [4294967295])
    assert trie.get_payload(0) == 4294967295
    for bad in (-1, 4294967296):
        for position in (0, 2, 3):
            arrays = [[0], [""], [None], []]
            arrays[position] = [bad]
            with pytest.raises(OverflowError) as caught:
                bm.from_internal_data(*arrays)
            assert str(caught.value) == "out of range integral type conversion attempted"


class TestMalformedArraysAreAcceptedThenFailOnRead:
    def test_unequal_lengths(self):
        trie = bm.from_internal_data([0], [], [], [])
        assert trie.get_children(0) == []
        assert panic_message(trie.get_payload, 0) == out_of_bounds(0, 0)

    def test_no_nodes(self):
        trie = bm.from_internal_data([], [], [], [])
        assert panic_message(trie.get_children, 0) == out_of_bounds(0, 0)
        assert panic_message(trie.get_payload, 0) == out_of_bounds(0, 0)

    def test_child_beyond_node_strings(self):
        trie = bm.from_internal_data([0, 1], ["", "a"], [None, None], [9])
        assert panic_message(trie.get_children, 0) == out_of_bounds(2, 9)

    def test_absent_character_fails_only_its_parent(self):
        shifts, strings, payloads, children = CAR_CAT_DOG
        strings = list(strings)
        strings[5] = ""
        trie = bm.from_internal_data(shifts, strings, payloads, children)
        assert panic_message(trie.get_children, 3) == "called `Option::unwrap()` on a `None` value"
        assert trie.get_children(0) == [("c", 1), ("d", 2)]
        assert trie.get_children(4) == [("g", 7)]

    def test_run_beyond_child_indices_fails_at_first_position_past_the_end(self):
        trie = bm.from_internal_data([0, 1, 5], ["", "a", "b"], [None] * 3, [1, 2])
        assert panic_message(trie.get_children, 1) == out_of_bounds(2, 2)

    def test_last_node_takes_remaining_entries_and_decreasing_runs_are_empty(self):
        trie = bm.from_internal_data([0, 2, 1], ["", "a", "b"], [None] * 3, [1, 2, 1, 2])
        assert trie.get_children(1) == []
        assert trie.get_children(2) == [("b", 2), ("a", 1), ("b", 2)]

    def test_node_valid_for_shifts_but_beyond_payloads(self):
        trie = bm.from_internal_data([0, 1], ["", "a"], [None], [1])
        assert trie.get_children(1) == []
        assert panic_message(trie.get_payload, 1) == out_of_bounds(1, 1)


class TestConversionFailures:
    def test_first_failing_parameter_is_the_one_reported(self):
        with pytest.raises(TypeError) as caught:
            bm.from_internal_data("x", 5, 5, 5)
        assert str(caught.value) == "argument 'node_shifts': Can't extract `str` to `Vec`"

    @pytest.mark.parametrize(
        "arrays, message",
        [
            (([0], "a", [None], []), "argument 'node_strings': Can't extract `str` to `Vec`"),
            (([0], [1], [None], []),
             "argument 'node_strings': 'int' object cannot be converted to 'PyString'"),
            (({0: 1}, [""], [None], []),
             "argument 'node_shifts': 'dict' object cannot be converted to 'Sequence'"),
            (([0], [""], [None], (i for i in [])),
             "argument 'child_indices': 'generator' object cannot be converted to 'Sequence'"),
            (([0], [""], ["7"], []),
             "argument 'node_payloads': 'str' object cannot be interpreted as an integer"),
        ],
    )
    def test_messages(self, arrays, message):
        with pytest.raises(TypeError) as caught:
            bm.from_internal_data(*arrays)
        assert str(caught.value) == message

    def test_lone_surrogate_anywhere_in_a_node_string_fails_unchanged(self):
        with pytest.raises(UnicodeEncodeError):
            bm.from_internal_data([0, 1], ["", "a\ud800"], [None, None], [1])

    def test_iterator_errors_pass_through_and_type_errors_are_wrapped(self):
        class Failing:
            def __init__(self, error):
                self.error = error

            def __len__(self):
                return 1

            def __getitem__(self, index):
                raise self.error

        with pytest.raises(KeyError):
            bm.from_internal_data(Failing(KeyError("k")), [], [], [])
        with pytest.raises(TypeError) as caught:
            bm.from_internal_data(Failing(TypeError("bad item")), [], [], [])
        assert str(caught.value) == "argument 'node_shifts': bad item"


def test_list_mutated_by_an_element_conversion_is_read_like_its_iterator():
    shifts = [0, 0, 0]

    class Shrinking:
        def __index__(self):
            del shifts[1:]
            return 0

    shifts[0] = Shrinking()
    trie = bm.from_internal_data(shifts, [""], [None], [])
    assert panic_message(trie.get_children, 1) == out_of_bounds(1, 1)  # one element was read
