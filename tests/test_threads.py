"""One instance shared by many threads answers each of them as it answers one."""

import sys
import threading

from brindlemap import _brindlemap as bm
from brindlemap import build, search, suggest
from brindlemap.builder import build_arrays
from conftest import run_python

WORDS = [a + b + c for a in "abcdé" for b in "xyz€" for c in "kl\U0001F600mn"]
QUERIES = ["axk", "bym", "é€\U0001F600", "zz", "", "dynx"]


class SwitchingIndex:
    """An integer whose conversion lets other threads run while a call holds the instance."""

    def __init__(self, value):
        self.value = value

    def __index__(self):
        threading.Event().wait(0)
        return self.value


def test_shared_instance_under_concurrent_use():
    arrays = build_arrays(WORDS)
    shared = bm.from_internal_data(*arrays)
    data = shared.to_bytes()
    expected = {(q, d): shared.fuzzy_match(q, d, None) for q in QUERIES for d in range(3)}
    children = [shared.get_children(n) for n in range(len(arrays[0]))]
    references = sys.getrefcount(shared)
    failures = []
    rounds = 40

    def query(worker):
        try:
            for i in range(rounds):
                q = QUERIES[(i + worker) % len(QUERIES)]
                d = i % 3
                assert shared.fuzzy_match(q, SwitchingIndex(d), None) == expected[q, d]
                assert shared.fuzzy_match(q, d, SwitchingIndex(2)) == expected[q, d][:2]
                node = (i * 7 + worker) % len(children)
                assert shared.get_children(SwitchingIndex(node)) == children[node]
                assert shared.to_bytes() == data
        except BaseException as error:  # noqa: BLE001 - reported by the main thread
            failures.append(error)

    def churn():
        try:
            for _ in range(rounds):
                copy = bm.from_bytes(data)
                assert copy.fuzzy_match("axk", 1, None) == expected["axk", 1]
                del copy
                bm.from_internal_data(*arrays)
        except BaseException as error:  # noqa: BLE001
            failures.append(error)

    interval = sys.getswitchinterval()
    sys.setswitchinterval(1e-6)
    try:
        threads = [threading.Thread(target=query, args=(w,)) for w in range(6)]
        threads += [threading.Thread(target=churn) for _ in range(2)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
    finally:
        sys.setswitchinterval(interval)
    assert failures == []
    assert sys.getrefcount(shared) == references


def test_regression_exit_with_daemon_threads_inside_native_calls_ends_cleanly():
    # The forced unwind that ends a daemon thread at shutdown was once swallowed by a catch-all:
    # the process aborted ("exception not rethrown") nearly every time.
    code = """
        import threading, time
        from brindlemap import build, search_many, suggest
        trie = build([f"{i:06d}" * 3 for i in range(20_000)])
        def batch():
            while True:
                search_many(trie, ["123456" * 30] * 8, 40, threads=2)
        def best():
            while True:
                suggest(trie, "123456" * 30, 40, k=3)
        for loop in (batch, batch, best):
            threading.Thread(target=loop, daemon=True).start()
        time.sleep(0.2)
    """
    for _ in range(20):
        run_python(code, timeout=120)


def test_regression_queries_let_other_threads_run_while_they_walk():
    # Queries once held the interpreter lock while they walked, so a threaded server answered
    # one at a time. A thread counts while the main thread walks; with a long switch interval
    # it can count only while the lock is given up, and a busy machine may keep it from a core
    # for the few milliseconds of one walk, so each query has a few tries.
    trie = build([f"{i:06d}" for i in range(0, 1_000_000, 7)])
    ticks = [0]
    stop = threading.Event()

    def count():
        while not stop.is_set():
            ticks[0] += 1

    def counted_while(call):
        for _ in range(50):
            before = ticks[0]
            call()
            if ticks[0] != before:
                return True
        return False

    counter = threading.Thread(target=count)
    counter.start()
    interval = sys.getswitchinterval()
    try:
        while ticks[0] == 0:
            threading.Event().wait(0.001)
        sys.setswitchinterval(0.05)
        counted = [counted_while(call) for call in (
            lambda: search(trie, "12345678", 4), lambda: suggest(trie, "12345678", 4, 5000),
            lambda: trie.fuzzy_match("12345678", 4, None))]
    finally:
        sys.setswitchinterval(interval)
        stop.set()
        counter.join()
    assert counted == [True] * 3
