"""What the bench scripts measure with: resident and allocated memory, and the best of a few
timings."""

import time


def rss_bytes():
    with open("/proc/self/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) * 1024
    raise RuntimeError("no VmRSS")


def release_free_memory():
    """Hands the allocator's free pages back to the system, so that resident memory then grows
    only by what is allocated afresh; and returns the bytes malloc has handed out."""
    import ctypes

    libc = ctypes.CDLL("libc.so.6")
    libc.malloc_trim(0)

    class MallInfo2(ctypes.Structure):
        _fields_ = [(name, ctypes.c_size_t) for name in
                    ("arena", "ordblks", "smblks", "hblks", "hblkhd", "usmblks", "fsmblks",
                     "uordblks", "fordblks", "keepcost")]

    libc.mallinfo2.restype = MallInfo2
    info = libc.mallinfo2()
    return info.uordblks + info.hblkhd


def best_us(call, reps):
    best = float("inf")
    for _ in range(reps):
        start = time.perf_counter_ns()
        call()
        best = min(best, time.perf_counter_ns() - start)
    return best / 1000


def median(xs):
    xs = sorted(xs)
    return xs[len(xs) // 2] if len(xs) % 2 else (xs[len(xs) // 2 - 1] + xs[len(xs) // 2]) / 2
