"""What weighing the edits costs in time: search and suggest with Costs.english() within
`edits(2)` (20) against OSA within 2, on wamerican-insane. Run by bench/run.py, or alone:

    .venv/bin/python bench/weighted_speed.py [--per-kind 20]

The queries are those of bench/split_targets.py (the first of each kind of the committed set);
each call is timed query by query, the two metrics interleaved, the best of 3 calls; the
ratios compare medians over the same queries. Target: weighted at most 1.5x OSA.
"""

import argparse
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
from measure import best_us, median  # noqa: E402
from split_targets import INSANE, first_of_each_kind  # noqa: E402
from wordlists import load_queries, load_words  # noqa: E402

import brindlemap  # noqa: E402
from brindlemap import Costs  # noqa: E402

TARGET = 1.5


def lines(per_kind=20):
    name, path = INSANE
    trie = brindlemap.build(load_words(path))
    sample = first_of_each_kind(load_queries(name), per_kind)
    english = Costs.english()
    metrics = {"osa": ("osa", 2), "english": (english, english.edits(2))}
    calls = {"search": brindlemap.search, "suggest": brindlemap.suggest}
    for metric, max_dist in metrics.values():  # the reversed trie and the tables, made once
        for call in calls.values():
            call(trie, sample[0], max_dist, metric=metric)
    times = {(call, metric): [] for call in calls for metric in metrics}
    for q in sample:  # interleaved, so that both metrics meet the same machine
        for call_name, call in calls.items():
            for metric_name, (metric, max_dist) in metrics.items():
                times[call_name, metric_name].append(
                    best_us(lambda: call(trie, q, max_dist, metric=metric), 3))
    out = [f"wamerican-insane, {len(sample)} queries, median µs per query:", "",
           "| call | osa, max_dist 2 | english, max_dist 20 | ratio |", "|---|---|---|---|"]
    for call_name in calls:
        osa, weighted = (median(times[call_name, m]) for m in metrics)
        ratio = weighted / osa
        out.append(f"| {call_name} | {osa:,.1f} | {weighted:,.1f} | {ratio:.2f}× "
                   f"({'met' if ratio <= TARGET else 'not met'}: at most {TARGET}×) |")
    return out


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--per-kind", type=int, default=20)
    args = parser.parse_args()
    print("\n".join(lines(args.per_kind)))
