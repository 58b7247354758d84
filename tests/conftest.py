"""Shared tries and helpers for the test suite."""

import os
import subprocess
import sys
import textwrap

import pytest

from brindlemap import _brindlemap as bm

# The words car, cat and dog with payloads 10, 11 and 12, nodes numbered level by level.
CAR_CAT_DOG = (
    [0, 2, 3, 4, 6, 7, 7, 7],
    ["", "c", "d", "a", "o", "r", "t", "g"],
    [None, None, None, None, None, 10, 11, 12],
    [1, 2, 3, 4, 5, 6, 7],
)
# a (7), ab (300), b (5); the node of "ab" is numbered before that of "b".
A_AB_B = ([0, 2, 3, 3], ["", "a", "b", "b"], [None, 7, 300, 5], [1, 3, 2])


@pytest.fixture
def words():
    return bm.from_internal_data(*CAR_CAT_DOG)


def panic_of(call, *args, **kwargs):
    """Runs a call that must fail internally and returns the PanicException it raised."""
    with pytest.raises(BaseException) as caught:
        call(*args, **kwargs)
    error = caught.value
    assert type(error).__name__ == "PanicException", repr(error)
    return error


def panic_message(call, *args, **kwargs):
    error = panic_of(call, *args, **kwargs)
    assert len(error.args) == 1
    return error.args[0]


def run_python(code, timeout=60, **env):
    """Runs `code` in a fresh interpreter, which must succeed within `timeout` seconds; returns
    (stdout, stderr)."""
    environment = {k: v for k, v in os.environ.items() if k != "BRINDLEMAP_BACKTRACE"}
    environment.update(env)
    done = subprocess.run([sys.executable, "-c", textwrap.dedent(code)], capture_output=True,
                          text=True, env=environment, timeout=timeout)
    assert done.returncode == 0, done.stderr
    return done.stdout, done.stderr


def out_of_bounds(length, index):
    return f"index out of bounds: the len is {length} but the index is {index}"


# Limits on address space mean nothing to a sanitizer runtime, which reserves terabytes of it.
plain_allocator_only = pytest.mark.skipif(
    os.environ.get("BRINDLEMAP_SANITIZED") == "1",
    reason="the sanitizer runtime reserves address space beyond any small limit")


def levenshtein(a, b):
    """Edit distance by the textbook dynamic programme: the reference for the queries."""
    row = list(range(len(b) + 1))
    for i, ca in enumerate(a, 1):
        previous, row[0] = row[0], i
        for j, cb in enumerate(b, 1):
            previous, row[j] = row[j], min(row[j] + 1, row[j - 1] + 1, previous + (ca != cb))
    return row[-1]
