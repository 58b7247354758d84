"""The module object, its functions and the PrefixSearch class as Python sees them."""

import importlib
import sys

import pytest

from brindlemap import _brindlemap as bm


def test_module_surface():
    assert bm.__all__ == ["from_internal_data", "from_bytes", "PrefixSearch"]
    assert bm.__doc__ == ""
    assert not hasattr(bm, "PanicException")
    for function in (bm.from_internal_data, bm.from_bytes):
        assert function.__self__ is bm
        assert function.__module__ == "brindlemap._brindlemap"
        assert function.__doc__ is None
    assert bm.from_internal_data.__text_signature__ == (
        "(node_shifts, node_strings, node_payloads, child_indices)")
    assert bm.from_bytes.__text_signature__ == "(bs)"


def test_class_surface():
    cls = bm.PrefixSearch
    assert (cls.__module__, cls.__name__, cls.__qualname__, cls.__doc__) == (
        "builtins", "PrefixSearch", "PrefixSearch", None)
    assert cls.get_children.__text_signature__ == "($self, node_id)"
    assert cls.get_payload.__text_signature__ == "($self, node_id)"


@pytest.mark.parametrize("args, kwargs", [((), {}), ((1, 2), {"x": 3})])
def test_class_has_no_constructor(args, kwargs):
    with pytest.raises(TypeError) as caught:
        bm.PrefixSearch(*args, **kwargs)
    assert str(caught.value) == "No constructor defined for PrefixSearch"


def test_class_cannot_be_subclassed():
    with pytest.raises(TypeError):
        class Derived(bm.PrefixSearch):
            pass


def test_instances_have_no_dict_and_no_weak_references(words):
    import weakref

    with pytest.raises(AttributeError):
        words.anything = 1
    with pytest.raises(TypeError):
        weakref.ref(words)


def test_reimport_gives_the_identical_module():
    saved = sys.modules.pop("brindlemap._brindlemap")
    try:
        again = importlib.import_module("brindlemap._brindlemap")
        assert again is saved
        assert again.__all__ == ["from_internal_data", "from_bytes", "PrefixSearch"]
    finally:
        sys.modules["brindlemap._brindlemap"] = saved


def test_second_interpreter_is_refused():
    interpreters = pytest.importorskip("_interpreters")
    interpreter = interpreters.create("legacy")
    try:
        failure = interpreters.run_string(interpreter, "import brindlemap._brindlemap")
    finally:
        interpreters.destroy(interpreter)
    assert failure.type.__name__ == "ImportError"
    assert "does not support sub-interpreters" in failure.msg


def test_failed_calls_give_back_the_reference_they_took(words):
    before = sys.getrefcount(words)
    for _ in range(100):
        with pytest.raises(BaseException):
            words.get_payload(99)
        with pytest.raises(OverflowError):
            words.get_children(-1)
        words.get_children(0)
    assert sys.getrefcount(words) == before
