"""What a loaded index holds in memory, in bytes a word: a trie's and a lexicon's, resident once
loaded and after every kind of query, and how much of it a second process that loads the same
file shares (run by bench/run.py, or alone):

    .venv/bin/python bench/resident.py [--list /usr/share/dict/american-english-insane]

The word list is saved as a trie's index and as a lexicon's (fold="case"); each is then loaded
in a fresh interpreter, whose resident size (VmRSS) is read before the load, after it, and
after a fuzzy_match, a suggest, a complete and (for the lexicon) a check; the malloc arena's
free pages are handed back before each reading. A second interpreter, started while the first
still holds its index, loads the same file; its proportional set size (Pss in
/proc/self/smaps_rollup, which splits each shared page among the processes that map it) is
set against its resident size: 1.0 where nothing of the index is shared.
"""

import argparse
import json
import subprocess
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
from wordlists import load_words  # noqa: E402

import brindlemap  # noqa: E402
from brindlemap import Lexicon  # noqa: E402

INSANE = "/usr/share/dict/american-english-insane"
CHILD = """
import json, sys
sys.path.insert(0, sys.argv[3])
from measure import release_free_memory, rss_bytes
import brindlemap
from brindlemap import Lexicon

def proportional():
    with open("/proc/self/smaps_rollup") as rollup:
        fields = dict(line.split()[:2] for line in rollup if line.split()[0].endswith(":"))
    return int(fields["Pss:"]) * 1024, int(fields["Rss:"]) * 1024

def reading():
    release_free_memory()
    return rss_bytes()

lexicon = sys.argv[2] == "lexicon"
base = reading()
index = Lexicon.load(sys.argv[1]) if lexicon else brindlemap.load(sys.argv[1])
steps = {"loaded": reading() - base}
if lexicon:
    index.suggest("abbreviatoin")
    steps["suggest"] = reading() - base
    index.complete("abbrev")
    steps["complete"] = reading() - base
    index.check("The abbreviatoin of an abbrevaited wrd.")
    steps["check"] = reading() - base
else:
    index.fuzzy_match("abbreviatoin", 2, None)
    steps["fuzzy_match"] = reading() - base
    brindlemap.suggest(index, "abbreviatoin")
    steps["suggest"] = reading() - base
    brindlemap.complete(index, "abbrev")
    steps["complete"] = reading() - base
pss, rss = proportional()
print(json.dumps({"steps": steps, "pss": pss, "rss": rss}), flush=True)
sys.stdin.read()  # held until the second process has measured
"""


def _child(path, kind):
    return subprocess.Popen([sys.executable, "-c", CHILD, str(path), kind, str(HERE)],
                            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)


def measure(word_list=INSANE, log=print):
    words = load_words(word_list)
    out = {"words": len(words)}
    with tempfile.TemporaryDirectory() as folder:
        trie_path, lexicon_path = Path(folder) / "words.idx", Path(folder) / "words.lexicon"
        brindlemap.save(brindlemap.build(words), trie_path)
        Lexicon(words, fold="case").save(lexicon_path)
        del words
        for kind, path in (("trie", trie_path), ("lexicon", lexicon_path)):
            first = _child(path, kind)
            held = json.loads(first.stdout.readline())
            second = _child(path, kind)
            again = json.loads(second.stdout.readline())
            for process in first, second:
                process.communicate("")
            out[kind] = {"steps": held["steps"], "file_bytes": path.stat().st_size,
                         "second_pss": again["pss"], "second_rss": again["rss"]}
            steps = ", ".join(f"{step} {grown / out['words']:.1f}"
                              for step, grown in held["steps"].items())
            log(f"  {kind}: bytes a word resident: {steps}; file "
                f"{out[kind]['file_bytes'] / out['words']:.1f}; a second process's PSS "
                f"{again['pss'] / again['rss']:.2f}x its RSS")
    return out


def section(out=None, log=print):
    """The lines of RESULTS.md's section on memory."""
    if out is None:
        out = measure(log=log)
    words = out["words"]
    lines = ["## Memory of a loaded index", "",
             f"wamerican-insane, {words:,} words: resident growth in bytes a word (a fresh "
             "process, the malloc arena's free pages handed back before each reading), the "
             "index file, and a second process that loads the same file.", "",
             "| index | file | loaded | after every kind of query | target | second process "
             "PSS / RSS (target 0.6) |", "|---|---|---|---|---|---|"]
    for kind, target in (("trie", 40), ("lexicon", 55)):
        f = out[kind]
        steps = list(f["steps"].values())
        lines.append(f"| {kind} | {f['file_bytes'] / words:.1f} | {steps[0] / words:.1f} | "
                     f"{max(steps) / words:.1f} | {target} | "
                     f"{f['second_pss'] / f['second_rss']:.2f} |")
    return lines + [""]


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--list", default=INSANE)
    args = parser.parse_args()
    print("\n".join(section(measure(args.list))))
