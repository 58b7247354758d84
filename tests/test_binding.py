"""Argument binding and value conversion: the exact words of every failure."""

import pytest

from brindlemap import _brindlemap as bm


def type_error(call, *args, **kwargs):
    with pytest.raises(TypeError) as caught:
        call(*args, **kwargs)
    return caught.value


class TestBinding:
    def test_missing_arguments_name_every_empty_slot(self):
        assert str(type_error(bm.from_internal_data)) == (
            "from_internal_data() missing 4 required positional arguments: 'node_shifts', "
            "'node_strings', 'node_payloads', and 'child_indices'")
        assert str(type_error(bm.from_internal_data, [], node_payloads=[])) == (
            "from_internal_data() missing 2 required positional arguments: 'node_strings' and "
            "'child_indices'")

    def test_method_messages(self, words):
        assert str(type_error(words.get_payload)) == (
            "PrefixSearch.get_payload() missing 1 required positional argument: 'node_id'")
        assert str(type_error(words.get_children, 1, 2)) == (
            "PrefixSearch.get_children() takes 1 positional arguments but 2 were given")
        assert str(type_error(words.get_children, 1, node_id=2)) == (
            "PrefixSearch.get_children() got multiple values for argument 'node_id'")
        assert str(type_error(words.get_children, Node_id=1)) == (
            "PrefixSearch.get_children() got an unexpected keyword argument 'Node_id'")

    def test_order_of_binding_checks(self):
        # Too many positionals come before any keyword; the first bad keyword comes before
        # missing arguments.
        assert str(type_error(bm.from_internal_data, [], [], [], [], [], bogus=1)) == (
            "from_internal_data() takes 4 positional arguments but 5 were given")
        assert str(type_error(bm.from_internal_data, [], data=[], other=1)) == (
            "from_internal_data() got an unexpected keyword argument 'data'")

    def test_keywords_in_any_order(self, words):
        arrays = dict(child_indices=[], node_payloads=[5], node_strings=[""], node_shifts=[0])
        assert bm.from_internal_data(**arrays).get_payload(node_id=0) == 5

    def test_keyword_that_cannot_be_encoded_is_unexpected(self, words):
        error = type_error(words.get_payload, **{"\ud800": 1})
        assert str(error).startswith("PrefixSearch.get_payload() got an unexpected keyword argument '")


class TestIntegerConversion:
    @pytest.mark.parametrize("value", [-1, 4294967296, 2**63 - 1])
    def test_out_of_u32_range(self, words, value):
        with pytest.raises(OverflowError) as caught:
            words.get_payload(value)
        assert str(caught.value) == "out of range integral type conversion attempted"

    def test_beyond_signed_64_bits_is_the_interpreters_overflow(self, words):
        with pytest.raises(OverflowError) as caught:
            words.get_payload(2**64)
        assert "out of range integral type" not in str(caught.value)

    def test_non_integers_are_wrapped_with_the_parameter_name(self, words):
        assert str(type_error(words.get_payload, 1.5)) == (
            "argument 'node_id': 'float' object cannot be interpreted as an integer")

    def test_index_objects_and_bools(self, words):
        class Two:
            def __index__(self):
                return 2

        assert words.get_children(Two()) == [("o", 4)]
        assert words.get_children(True) == [("a", 3)]

    def test_errors_raised_by_index(self, words):
        class Raising:
            def __init__(self, error):
                self.error = error

            def __index__(self):
                raise self.error

        class TypeErrorSubclass(TypeError):
            pass

        subclass_error = TypeErrorSubclass("sub")
        with pytest.raises(TypeErrorSubclass) as caught:
            words.get_payload(Raising(subclass_error))
        assert caught.value is subclass_error

        with pytest.raises(ValueError):
            words.get_payload(Raising(ValueError("v")))

        cause = KeyError("cause")
        plain = TypeError("plain")
        plain.__cause__ = cause
        wrapped = type_error(words.get_payload, Raising(plain))
        assert str(wrapped) == "argument 'node_id': plain"
        assert wrapped.__cause__ is cause

    def test_unprintable_type_error_is_wrapped_with_a_stand_in(self, words, monkeypatch):
        class Unprintable:
            def __str__(self):
                raise RuntimeError("no text")

        class Raising:
            def __index__(self):
                raise TypeError(Unprintable())

        unraisable = []
        monkeypatch.setattr("sys.unraisablehook", unraisable.append)
        wrapped = type_error(words.get_payload, Raising())
        assert str(wrapped) == "argument 'node_id': <unprintable TypeError object>"
        assert [type(u.exc_value) for u in unraisable] == [RuntimeError]
