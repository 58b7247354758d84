"""Internal failures: PanicException, the standard-error report, resumed failures, memory."""

import pytest

from brindlemap import _brindlemap as bm
from conftest import out_of_bounds, panic_of, plain_allocator_only, run_python


FAIL_TWICE = """
    from brindlemap import _brindlemap as bm
    trie = bm.from_internal_data([0, 0, 0], [""] * 3, [None] * 3, [])
    for _ in range(2):
        try:
            trie.get_payload(7)
        except BaseException as error:
            print(type(error).__name__, error)
"""


def test_panic_exception_type(words):
    error = panic_of(words.get_payload, 8)
    assert error.args == (out_of_bounds(8, 8),)
    kind = type(error)
    assert (kind.__module__, kind.__name__, kind.__qualname__) == (
        "pyo3_runtime", "PanicException", "PanicException")
    assert kind.__bases__ == (BaseException,) and not isinstance(error, Exception)
    assert type(panic_of(words.get_children, 9)) is kind
    assert words.get_payload(5) == 10  # the instance answers normally afterwards


def test_report_on_standard_error_with_one_time_hint():
    out, err = run_python(FAIL_TWICE)
    assert out == "PanicException index out of bounds: the len is 3 but the index is 7\n" * 2
    reports = err.split("\nthread '<unnamed>' panicked at ")
    assert reports[0] == "" and len(reports) == 3
    first, second = (r.split("\n") for r in reports[1:])
    assert first[0].startswith("src/") and first[0].endswith(":")
    assert first[1] == "index out of bounds: the len is 3 but the index is 7"
    assert "BRINDLEMAP_BACKTRACE" in first[2] and first[3:] == [""]
    assert second[1:] == ["index out of bounds: the len is 3 but the index is 7", ""]


@pytest.mark.parametrize("setting, frames, note", [("1", True, True), ("full", True, False),
                                                   ("0", False, False)])
def test_backtrace_setting(setting, frames, note):
    _, err = run_python(FAIL_TWICE, BRINDLEMAP_BACKTRACE=setting)
    assert ("stack backtrace:" in err) == frames
    assert ("set BRINDLEMAP_BACKTRACE=full" in err) == note


def test_panic_raised_by_python_code_is_resumed_with_its_message():
    out, err = run_python("""
        from brindlemap import _brindlemap as bm
        trie = bm.from_internal_data([0], [""], [None], [])
        try:
            trie.get_payload(1)
        except BaseException as error:
            Panic = type(error)

        class Index:
            def __index__(self):
                raise Panic("raised in Python")

        try:
            trie.get_children(Index())
        except BaseException as error:
            print(type(error) is Panic, error.args)
    """)
    assert out == "True ('raised in Python',)\n"
    resumed = err.split("index out of bounds: the len is 1 but the index is 1\n", 1)[1]
    assert "thread '" not in resumed
    banner = [line for line in resumed.splitlines() if "PanicException" in line][0]
    assert "resuming" in banner
    assert "Python stack trace below:" in resumed
    assert 'raise Panic("raised in Python")' in resumed


def test_panic_from_a_size_hint_is_resumed_not_dropped(words):
    panic_type = type(panic_of(words.get_payload, 8))

    class Sequence:
        def __len__(self):
            raise panic_type("from len")

        def __getitem__(self, index):
            raise IndexError

    assert panic_of(bm.from_internal_data, Sequence(), [], [], []).args == ("from len",)


def test_untrustworthy_size_hint_does_not_fail_the_call():
    class Claims:
        def __len__(self):
            return 2**40

        def __getitem__(self, index):
            if index < 3:
                return index
            raise IndexError

    trie = bm.from_internal_data(Claims(), ["", "a", "b"], [None, 1, 2], [1, 2])
    assert (trie.get_children(0), trie.get_children(1)) == ([("a", 1)], [("b", 2)])


@plain_allocator_only
def test_exhausted_memory_raises_memory_error_and_leaves_the_interpreter_working():
    out, _ = run_python("""
        import resource
        from brindlemap import _brindlemap as bm
        shifts = [0] * 40_000_000
        trie = bm.from_internal_data([0], [""], [7], [])
        used = int(open("/proc/self/statm").read().split()[0]) * resource.getpagesize()
        resource.setrlimit(resource.RLIMIT_AS, (used + 16 * 2**20, resource.RLIM_INFINITY))
        import gc, sys
        def fail():
            try:
                bm.from_internal_data(shifts, [], [], [])
            except MemoryError:
                return "MemoryError"
        print(fail())
        gc.collect()
        blocks = sys.getallocatedblocks()
        outcomes = {fail() for _ in range(100)}
        gc.collect()
        print(outcomes, sys.getallocatedblocks() - blocks < 50)
        resource.setrlimit(resource.RLIMIT_AS, (resource.RLIM_INFINITY,) * 2)
        print(trie.get_payload(0), len(bm.from_internal_data(shifts, [], [], []).get_children(0)))
    """)
    assert out == "MemoryError\n{'MemoryError'} True\n7 0\n"
