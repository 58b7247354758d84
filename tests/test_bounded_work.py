"""Every query's time and memory follow its real work, and a long one can be interrupted: the
regressions of unbounded walks, each run where a faulty build would blow its bounds."""

import signal
import subprocess
import sys
import textwrap
import time
from pathlib import Path

import pytest

from brindlemap import from_internal_data
from conftest import LONG_SHAPES, panic_message, plain_allocator_only, run_python

COMMON_WORDS = Path(__file__).resolve().parent.parent / "python/brindlemap/data/frequent-words.txt"


def test_regression_absent_character_after_unsorted_siblings_fails_every_query():
    # The shape check once stopped reading a run after comparing its out-of-order characters,
    # so the fast road answered on a trie whose third sibling has no character.
    trie = from_internal_data([0, 3, 3, 3], ["", "b", "a", ""], [None, 1, 2, 3], [1, 2, 3])
    for call, args in [(trie.get_children, (0,)), (trie.exact_match, ("b",)),
                       (trie.fuzzy_match, ("b", 0, None)), (trie.fuzzy_match, ("b", 1, None))]:
        assert panic_message(call, *args) == "called `Option::unwrap()` on a `None` value"


def test_regression_a_long_word_and_query_take_linear_time():
    # Quadratic once: minutes for these, where the band of each row keeps it to milliseconds.
    out, _ = run_python("""
        from brindlemap import build, from_internal_data
        w = "ab" * 100_000
        trie = build([w])
        print(trie.fuzzy_match(w, 0, None)[0][1:], trie.fuzzy_match(w[1:], 1, None)[0][1:],
              trie.fuzzy_match("b" + w, 2, 1)[0][1:], trie.exact_match(w)[1:])
        cycle = from_internal_data([0, 1], ["r", "a"], [None] * 2 * 10**6, [1, 0])
        try:
            cycle.fuzzy_match("a", 10**9, None)
        except BaseException as error:
            print(str(error).split(":")[0])
    """, timeout=30)
    assert out == "(0, 0) (0, 1) (0, 1) (0, 0)\nmalformed trie\n"


@plain_allocator_only
def test_regression_memory_does_not_grow_with_query_length_times_pending_siblings():
    # Every pending sibling once held its own copy of its parent's row: gigabytes for a long
    # query over a wide root. Both roads now share it, the fast one keeping only its band. A
    # weighted query's tables once took 512 bytes a query character.
    out, _ = run_python("""
        import resource
        from brindlemap import Costs, build, from_internal_data, search
        from brindlemap.builder import build_arrays
        arrays = build_arrays([chr(0x4E00 + i) for i in range(4000)] + ["z" * 1000])
        shifts, chars, payloads, children = arrays
        # An unlinked node more makes the trie fail its shape check: the general road.
        malformed = from_internal_data(shifts + [len(children)], chars + ["q"], payloads + [None],
                                       children)
        common = build(open(COMMON_WORDS, encoding="utf-8").read().split())
        vm = int(open("/proc/self/statm").read().split()[0]) * resource.getpagesize()
        resource.setrlimit(resource.RLIMIT_AS, (vm + (128 << 20), resource.RLIM_INFINITY))
        for trie in from_internal_data(*arrays), malformed:
            print(trie.fuzzy_match("z" * 10_000, 0, None), trie.fuzzy_match("z" * 999, 1, 5))
        print(common.fuzzy_match("x" * 2_000_000, 2, None))
        print(search(common, "x" * 1_000_000, 20, metric=Costs.english()))
    """.replace("COMMON_WORDS", repr(str(COMMON_WORDS))))
    long_word = [("z" * 1000, 4000, 1)]
    assert out == f"[] {long_word}\n" * 2 + "[]\n[]\n"


@plain_allocator_only
def test_regression_a_huge_query_leaves_no_memory_behind():
    # A thread keeps its walks' buffers for its next query: a query that grew them to
    # megabytes (30,000 words found here) must not leave them held.
    out, _ = run_python("""
        import ctypes
        from brindlemap import build
        class Info(ctypes.Structure):
            _fields_ = [(name, ctypes.c_size_t) for name in "arena ordblks smblks hblks hblkhd "
                        "usmblks fsmblks uordblks fordblks keepcost".split()]
        libc = ctypes.CDLL("libc.so.6")
        libc.mallinfo2.restype = Info
        def in_use():
            info = libc.mallinfo2()
            return info.uordblks + info.hblkhd
        trie = build(open(COMMON_WORDS, encoding="utf-8").read().split())
        query = "etaoinshrdlucmfwypvb"
        trie.fuzzy_match(query, 1, None)
        before = in_use()
        print(len(trie.fuzzy_match(query, 19, None)) > 20_000, in_use() - before < 256 << 10)
    """.replace("COMMON_WORDS", repr(str(COMMON_WORDS))))
    assert out == "True True\n"


# A suite started in the background by a shell without job control has SIGINT ignored, and a
# child inherits that: the children that wait for Ctrl-C take it back first.
TAKE_CTRL_C = "import signal; signal.signal(signal.SIGINT, signal.default_int_handler)"

LONG_QUERY = f"""
    {TAKE_CTRL_C}
    import os, random, sys
    from brindlemap import from_internal_data, search_many
    from brindlemap.builder import build_arrays
    rng = random.Random(0)
    shifts, chars, payloads, children = build_arrays(
        "".join(rng.choices("abcdefgh", k=8)) for _ in range(50_000))
    if sys.argv[1] == "general":  # an unlinked node more fails the shape check
        shifts, chars, payloads = shifts + [len(children)], chars + ["q"], payloads + [None]
    trie = from_internal_data(shifts, chars, payloads, children)
    if sys.argv[1] == "segment":
        from brindlemap import Lexicon
        lexicon = Lexicon("".join(rng.choices("abcdefgh", k=8)) for _ in range(5_000))
        run = "".join(rng.choices("abcdefgh", k=1_000_000))
    threads = len(os.listdir("/proc/self/task"))
    print("ready", flush=True)
    try:
        if sys.argv[1] == "batch":  # minutes of work on native threads, the lock released
            search_many(trie, ["x" * 100_000] * 64, 2**64 - 1, threads=2)
        elif sys.argv[1] == "segment":  # near words of a long run of letters
            lexicon.segment(run, 2)
        else:
            trie.fuzzy_match("x" * 1_000_000, 2**64 - 1, None)  # minutes of work
        print("finished")
    except KeyboardInterrupt:
        print("interrupted", len(os.listdir("/proc/self/task")) - threads)
"""


@pytest.mark.parametrize("road", ["fast", "general", "batch", "segment"])
def test_regression_ctrl_c_ends_a_long_query(road):
    child = subprocess.Popen([sys.executable, "-c", textwrap.dedent(LONG_QUERY), road],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    try:
        assert child.stdout.readline() == "ready\n"
        time.sleep(0.3)
        child.send_signal(signal.SIGINT)
        out, err = child.communicate(timeout=30)
    finally:
        child.kill()
    # No thread of the batch is left running.
    assert (out, child.returncode) == ("interrupted 0\n", 0), err


def test_regression_suggest_with_a_huge_max_dist_stops_widening():
    # Widening one distance at a time once made 2**63 walks of this.
    out, _ = run_python("""
        from brindlemap import build, suggest
        trie = build(["abc", "xyzzy"])
        print([suggest(trie, "q", max_dist, k=5) for max_dist in (2**63, 2**64, 10**30)])
    """, timeout=30)
    assert out == str([[("abc", 0, 3), ("xyzzy", 1, 5)]] * 3) + "\n"


@pytest.mark.parametrize("shape, call", [
    ("stem_with_leaves(200_000, 200_000)", "suggest(trie, 'a' * 200_000, 1, k=1, rank='word')"),
    ("stem_with_leaves(200_000, 200_000)",
     "search_many(trie, ['a' * 200_000], 1, k=1, rank='word', threads=1)"),
    ("chain(2_000_000)", "complete(trie, 'a', 0, k=1)"),
], ids=["suggest", "search_many", "complete"])
def test_regression_ctrl_c_ends_calls_that_make_text_for_long_words(shape, call):
    # The text of every tying word, or copied at each step down a long one, was once made
    # outside the interrupt's accounting: minutes of work here that Ctrl-C could not end. The
    # call repeats until the signal comes, so that it lands inside one.
    out, _ = run_python(TAKE_CTRL_C + LONG_SHAPES + f"""
import os, signal, threading
from brindlemap import complete, search_many, suggest
trie = {shape}
threading.Timer(0.5, os.kill, (os.getpid(), signal.SIGINT)).start()
try:
    while True:
        {call}
except KeyboardInterrupt:
    print("interrupted")
""", timeout=60)
    assert out == "interrupted\n"


LIMITED = """
import resource
from brindlemap import complete, search
vm = int(open("/proc/self/statm").read().split()[0]) * resource.getpagesize()
resource.setrlimit(resource.RLIMIT_AS, (vm + (64 << 20), resource.RLIM_INFINITY))
"""


@plain_allocator_only
def test_regression_complete_on_a_long_stem_keeps_nodes_not_texts():
    # Every place and candidate once carried its whole text: 256 MB for this.
    out, _ = run_python(LONG_SHAPES + "trie = stem_with_leaves(16_000, 16_000)" + LIMITED + """
print(complete(trie, "a", 0, k=1) == [("a" * 16_000 + "\U00010000", 0, 0)])
""")
    assert out == "True\n"


@plain_allocator_only
def test_regression_rows_grow_with_the_depth_reached():
    # 64 rows of the query's width were once allocated up front: 260 MB here, for two rows used.
    out, _ = run_python(LONG_SHAPES + "trie = chain(65, every_prefix=True)" + LIMITED + """
print(search(trie, "b" * 10**6, 10**6, limit=1))
""")
    assert out == "[('a', 64, 1000000)]\n"


# A character or two of each kind that the text layer tells apart, lone surrogates (bytes that
# are not UTF-8) and line breaks among them.
TEXT_KINDS = ["a", "Z", "東", "\u0301", "7", "_", "'", "’", ".", ",", "@", "#", "/", "\\", ":",
              "&", ";", "-", "(", ")", '"', "*", "…", "\u00ad", "\u200c", "\udce9", " ", "\t",
              "\r", "\n", "www.", "s'", "ab:", "&a;"]


@plain_allocator_only
def test_regression_the_text_layer_is_linear_in_time_and_memory_on_runs_of_every_kind():
    # A run of text that no branch of the tokenizer took was once read again from each of its
    # characters (hours for a 1 MiB line), a long word held 130 bytes a character, and word
    # lists and frequency files backtracked over runs of spaces: each read here took minutes.
    # A word broken at every line's end was once joined part by part (hours for a megabyte).
    out, _ = run_python(f"""
        import io, random, resource, tempfile
        from brindlemap import Lexicon
        from brindlemap.frequency_file import read_frequencies
        from brindlemap.lines import read_lines
        from brindlemap.tokens import tokens
        kinds = {TEXT_KINDS!r}
        rng = random.Random(0)
        patterns = kinds + ["".join(rng.choices(kinds, k=rng.randint(2, 6))) for _ in range(60)]
        lexicon = Lexicon(["the", "a-ab"])
        with tempfile.NamedTemporaryFile() as file:
            file.write(b"a" + b" " * 1_000_000 + b"b 5\\r" + b"\\r" * 100_000 + b"c\\t 7\\n")
            file.flush()
            counted = list(read_frequencies(file.name))
        vm = int(open("/proc/self/statm").read().split()[0]) * resource.getpagesize()
        resource.setrlimit(resource.RLIMIT_AS, (vm + (256 << 20), resource.RLIM_INFINITY))
        words = 0
        for pattern in patterns:
            text = pattern * ((1 << 16) // len(pattern))
            words += sum(1 for _ in tokens(text)) + len(lexicon.check(text))
            lines = read_lines(io.BytesIO(text.encode("utf-8", "surrogatepass")), 1 << 16)
            words += sum(1 for _ in lines)
        words += len(lexicon.check("xq-\\n " * 200_000))
        print(counted[-1], sum(1 for _ in tokens("a" * 50_000_000)))
    """, timeout=600)
    assert out == "(100002, 'c', 7) 1\n"


@plain_allocator_only
def test_regression_lexicon_load_holds_one_section_at_a_time():
    # The whole body was once read into a buffer grown by doubling, copied, and each section
    # copied again: 2.2 times the shipped lexicon's file at the peak. A load may take the file
    # once (mapped or read) beside what the lexicon holds, and half as much again to work in.
    out, _ = run_python("""
        import os, resource
        from brindlemap import Lexicon
        from brindlemap.shipped import english_index
        size = os.path.getsize(english_index())
        def vm():
            return int(open("/proc/self/statm").read().split()[0]) * resource.getpagesize()
        before = vm()
        first = Lexicon.load(english_index())
        held = vm() - before
        for mmap in True, False:
            resource.setrlimit(resource.RLIMIT_AS, (vm() + held + size * 3 // 2,
                                                    resource.RLIM_INFINITY))
            print("the" in Lexicon.load(english_index(), mmap=mmap))
            resource.setrlimit(resource.RLIMIT_AS, (resource.RLIM_INFINITY,) * 2)
    """)
    assert out == "True\nTrue\n"
