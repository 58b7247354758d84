"""Time, peak memory and Ctrl-C on tries of very long words, where the ranked queries once did
work beyond their answer: run on a build (the one first on PYTHONPATH) and print a table.

    .venv/bin/python bench/long_shapes.py [--cap SECONDS]

Each case runs in a fresh interpreter, twice: once timed, with the growth of its peak resident
memory over what the trie took; once with SIGINT sent by this process 0.2 s into the call,
timing how long the call runs on after it. A case still running after the cap is stopped.
"""

import argparse
import os
import signal
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests"))
from conftest import LONG_SHAPES  # noqa: E402

STEM = 32_000
CASES = {
    "suggest(k=1, rank=word), 32,000-char stem, 32,000 leaves":
        ("stem_with_leaves(STEM, STEM)", "suggest(trie, 'a' * STEM, 1, k=1, rank='word')"),
    "search_many(k=1, rank=word), same trie":
        ("stem_with_leaves(STEM, STEM)",
         "search_many(trie, ['a' * STEM], 1, k=1, rank='word', threads=1)"),
    "complete('a', 0, k=1), same trie":
        ("stem_with_leaves(STEM, STEM)", "complete(trie, 'a', 0, k=1)"),
    "complete('a', 0, k=1), 2M-node chain": ("chain(2_000_000)", "complete(trie, 'a', 0, k=1)"),
    "search(1M-char query, max_dist 10**6, limit=1), 65-node chain":
        ("chain(65, every_prefix=True)", "search(trie, 'b' * 10**6, 10**6, limit=1)"),
}


def high_water_mark():
    """The peak resident size, in bytes."""
    with open("/proc/self/status") as f:
        return next(int(line.split()[1]) for line in f if line.startswith("VmHWM")) * 1024


def child(case, mode):
    exec(LONG_SHAPES, globals())
    import brindlemap
    shape, call = CASES[case]
    trie = eval(shape, globals(), {"STEM": STEM})  # noqa: S307 - the fixed cases above
    scope = dict(globals(), trie=trie, STEM=STEM, **vars(brindlemap))
    with open("/proc/self/clear_refs", "w") as f:
        f.write("5")  # the peak resident size starts again from here
    base = high_water_mark()
    if mode == "sigint":  # the parent sends the signal: a call may hold the lock throughout
        print("ready", flush=True)
        try:  # a build that misses the signal raises it just after the call
            eval(call, scope)  # noqa: S307
        except KeyboardInterrupt:
            pass
        print(time.monotonic())
        return
    start = time.perf_counter()
    eval(call, scope)  # noqa: S307
    took = time.perf_counter() - start
    print(f"{took * 1000:.0f} ms | {(high_water_mark() - base) / 2**20:.0f} MiB")


def interrupted_after(case, cap):
    """How long the case's call runs on after a SIGINT sent 0.2 s into it."""
    child = subprocess.Popen([sys.executable, __file__, "--child", case, "sigint"],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    try:
        assert child.stdout.readline() == "ready\n"
        time.sleep(0.2)
        sent = time.monotonic()
        child.send_signal(signal.SIGINT)
        out, _ = child.communicate(timeout=cap)
    except subprocess.TimeoutExpired:
        return f"> {cap:.0f} s"
    finally:
        child.kill()
    ended = float(out.split()[-1])  # the same clock in both processes
    return f"{(ended - sent) * 1000:.0f} ms" if ended > sent else "finished before it"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cap", type=float, default=60)
    parser.add_argument("--child", nargs=2, help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.child:
        return child(*args.child)
    print("| case | time | peak memory growth | SIGINT 0.2 s in: the call ends after |")
    print("|---|---|---|---|")
    for case in CASES:
        cells = []
        try:
            done = subprocess.run([sys.executable, __file__, "--child", case, "time"],
                                  capture_output=True, text=True, timeout=args.cap)
            cells.append(done.stdout.strip() or done.stderr.strip().splitlines()[-1])
        except subprocess.TimeoutExpired:
            cells.append(f"> {args.cap:.0f} s | ?")
        cells.append(interrupted_after(case, args.cap))
        print(f"| {case} | {' | '.join(cells)} |")


if __name__ == "__main__":
    main()
