"""The first answer of a fresh process from an index file, in each format, measured side by side
(run by bench/run.py, or alone):

    .venv/bin/python bench/first_answer.py [--rounds 7] [--list /usr/share/dict/american-english-insane]
        [--before DIR]

The word list's trie is written four times: as earlier brindlemaps saved it (format 1, the
trie's `to_bytes()` behind a header; format 3, the trie and its reversed trie laid out flat;
format 4, both packed with runs of children) and as `save` writes it now (format 5, packed with
each node's shift in lines that are read where they lie). Format 5 is loaded mapped, as `load`
does by default, and read into memory (`mmap=False`). With `--before DIR`, a folder where an earlier
brindlemap is installed (`pip install --target DIR`), that one loads the files of formats 1 and
3 too, side by side. Each round starts one fresh interpreter per way, the ways taking turns at
going first; each times `load`, then the first `suggest` (which, without a stored reversed
trie, makes one), then the first `complete` (which makes the completion tables). Medians over
the rounds, in ms, with the bytes a word of each file.
"""

import argparse
import json
import os
import subprocess
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
from measure import median  # noqa: E402
from wordlists import load_words  # noqa: E402

import brindlemap  # noqa: E402
from brindlemap import _search  # noqa: E402
from brindlemap.index_format import (PACKED, SECTIONED, Kind, pack_header, sectioned,  # noqa: E402
                                     trie_sections)

INSANE = "/usr/share/dict/american-english-insane"
CHILD = """
import json, sys, time
import brindlemap
start = time.perf_counter()
how = {} if sys.argv[2] == "default" else {"mmap": sys.argv[2] == "mapped"}
trie = brindlemap.load(sys.argv[1], **how)
loaded = time.perf_counter()
brindlemap.suggest(trie, "abbreviatoin")
answered = time.perf_counter()
brindlemap.complete(trie, "abbrev")
completed = time.perf_counter()
print(json.dumps([(loaded - start) * 1000, (answered - loaded) * 1000,
                  (completed - answered) * 1000]))
"""


LEXICON_CHILD = """
import json, time
start = time.perf_counter()
from brindlemap import Lexicon
imported = time.perf_counter()
english = Lexicon.english()
loaded = time.perf_counter()
english.check("Teh quick brown fox jumpd over the lazy dog in Londn.")
checked = time.perf_counter()
print(json.dumps([(imported - start) * 1000, (loaded - imported) * 1000,
                  (checked - loaded) * 1000]))
"""


def _child_ms(code, args, before=None):
    env = dict(os.environ, PYTHONPATH=before) if before else None
    done = subprocess.run([sys.executable, "-c", code, *args], capture_output=True, text=True,
                          check=True, env=env)
    return json.loads(done.stdout)


def first_check(rounds=7, log=print, before=None):
    """`Lexicon.english()` and its first `check` of a sentence in fresh processes (the import
    timed apart), this brindlemap and, with `before`, an earlier one taking turns."""
    ways = {"this brindlemap": None, **({"earlier brindlemap": before} if before else {})}
    times = {name: [] for name in ways}
    names = list(ways)
    for r in range(rounds):
        for name in names[r % len(names):] + names[:r % len(names)]:
            times[name].append(_child_ms(LEXICON_CHILD, [], ways[name]))
    out = {}
    for name in names:
        runs = times[name]
        out[name] = {"import_ms": median([t[0] for t in runs]),
                     "load_ms": median([t[1] for t in runs]),
                     "check_ms": median([t[2] for t in runs]),
                     "total_ms": median([t[1] + t[2] for t in runs])}
        log(f"  {name}: import {out[name]['import_ms']:.1f} ms, Lexicon.english() "
            f"{out[name]['load_ms']:.1f} ms, first check {out[name]['check_ms']:.1f} ms, "
            f"together {out[name]['total_ms']:.1f} ms")
    return out


def first_answer_ms(path, how, before=None):
    return _child_ms(CHILD, [str(path), how], before)


def measure(word_list=INSANE, rounds=7, log=print, before=None):
    words = load_words(word_list)
    trie = brindlemap.build(words)
    with tempfile.TemporaryDirectory() as folder:
        old, flat, runs, new = (Path(folder) / name
                                for name in ("1.idx", "3.idx", "4.idx", "5.idx"))
        data = trie.to_bytes()
        old.write_bytes(pack_header(data) + data)
        parts = {"trie": _search.flat(trie), "reversed": _search.flat_reversed(trie)}
        flat.write_bytes(b"".join(sectioned(Kind.TRIE, parts, version=SECTIONED)))
        runs.write_bytes(b"".join(sectioned(Kind.TRIE, trie_sections(trie, PACKED),
                                            version=PACKED)))
        brindlemap.save(trie, new)
        del trie, parts
        ways = {"format 1 (earlier save)": (old, "read"),
                "format 3 (earlier save), read": (flat, "read"),
                "format 3 (earlier save), mapped": (flat, "mapped"),
                "format 4 (earlier save), mapped": (runs, "mapped"),
                "format 5 (save), read": (new, "read"),
                "format 5 (save), mapped": (new, "mapped")}
        if before:
            ways = {"format 1, earlier brindlemap": (old, "default", before),
                    "format 3, earlier brindlemap": (flat, "default", before), **ways}
        times = {name: [] for name in ways}
        names = list(ways)
        for r in range(rounds):
            for name in names[r % len(names):] + names[:r % len(names)]:
                times[name].append(first_answer_ms(*ways[name]))
        out = {}
        for name, (path, *_) in ways.items():
            load = median([t[0] for t in times[name]])
            first = median([t[1] for t in times[name]])
            both = median([t[0] + t[1] for t in times[name]])
            complete = median([t[2] for t in times[name]])
            out[name] = {"load_ms": load, "first_ms": first, "total_ms": both,
                         "complete_ms": complete,
                         "bytes_per_word": path.stat().st_size / len(words)}
            log(f"  {name}: load {load:.1f} ms, first suggest {first:.1f} ms, together "
                f"{both:.1f} ms, then first complete {complete:.1f} ms; "
                f"{out[name]['bytes_per_word']:.1f} bytes a word")
    return {"words": len(words), "rounds": rounds, "formats": out,
            "lexicon": first_check(rounds, log, before)}


def section(out=None, log=print):
    """The lines of RESULTS.md's first-answer section."""
    if out is None:
        out = measure(log=log)
    formats = out["formats"]
    old, new = formats["format 1 (earlier save)"], formats["format 5 (save), mapped"]
    runs = formats["format 4 (earlier save), mapped"]
    flat = formats["format 3 (earlier save), read"]
    lines = ["## First answer from an index file, in a fresh process", "",
             f"wamerican-insane, {out['words']:,} words; medians of {out['rounds']} fresh "
             "processes per way, taking turns.", "",
             "| file | bytes a word | load | first suggest | together | then first complete |",
             "|---|---|---|---|---|---|"]
    for name, f in out["formats"].items():
        lines.append(f"| {name} | {f['bytes_per_word']:.1f} | {f['load_ms']:.1f} ms | "
                     f"{f['first_ms']:.1f} ms | {f['total_ms']:.1f} ms | "
                     f"{f['complete_ms']:.1f} ms |")
    lines += ["", f"Format 5 mapped against format 1, together: "
              f"{new['total_ms'] / old['total_ms']:.2f}×; against format 3 read: "
              f"{new['total_ms'] / flat['total_ms']:.2f}×; against format 4 mapped (the earlier "
              f"save and load): {new['total_ms'] / runs['total_ms']:.2f}×; target 5 ms: "
              f"{'met' if new['total_ms'] <= 5 else '**not met**'}.", "",
              "`Lexicon.english()` and its first `check` of one sentence, in fresh processes "
              "(the import timed apart):", "",
              "| brindlemap | import | `Lexicon.english()` | first check | together |",
              "|---|---|---|---|---|"]
    for name, f in out["lexicon"].items():
        lines.append(f"| {name} | {f['import_ms']:.1f} ms | {f['load_ms']:.1f} ms | "
                     f"{f['check_ms']:.1f} ms | {f['total_ms']:.1f} ms |")
    now = out["lexicon"]["this brindlemap"]["total_ms"]
    lines += ["", f"Target 20 ms: {'met' if now <= 20 else '**not met**'}.", ""]
    return lines


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--rounds", type=int, default=7)
    parser.add_argument("--list", default=INSANE)
    parser.add_argument("--before", help="a folder where an earlier brindlemap is installed")
    args = parser.parse_args()
    print("\n".join(section(measure(args.list, args.rounds, before=args.before))))
