"""Types: the stubs match the modules at run time, the package and the README's examples pass
`mypy --strict`, and the misuses a checker should catch are caught."""

import pathlib
import re
import subprocess
import sys

import pytest

from conftest import SANITIZED

ROOT = pathlib.Path(__file__).resolve().parent.parent

pytestmark = pytest.mark.skipif(SANITIZED, reason="checks the Python types, not native memory")

# Each line must be an error, and nothing else in the checked files may be.
MISUSES = """\
brindlemap.match_many(trie, "cas", 1)
brindlemap.search_many(trie, "cas", 1)
brindlemap.search(trie, "cas", "1")
brindlemap.suggest(trie, "cas", metric="hamming")
trie.fuzzy_match("cas", 1.5, None)
brindlemap.save(trie, 5)
found: tuple[str, int, int] = trie.exact_match("cas")
brindlemap.Lexicon(["car"], fold="accents")
brindlemap.Lexicon(["car"]).lookup_many("car")
"""
ACCEPTED = """\
import brindlemap
trie = brindlemap.build(["car", "cat"])
brindlemap.match_many(trie, (word for word in ["car"]), 1)
brindlemap.search_many(trie, {"car", "cat"}, 1, k=1)
"""


def run(*command, cwd):
    done = subprocess.run([sys.executable, "-m", *command], capture_output=True, text=True,
                          cwd=cwd, timeout=600)
    return done.returncode, done.stdout + done.stderr


def test_stubs_match_the_modules_at_run_time(tmp_path):
    code, out = run("mypy.stubtest", "brindlemap", "--allowlist",
                    str(ROOT / "tests" / "stubtest-allowlist.txt"), cwd=tmp_path)
    assert code == 0, out


def test_package_and_readme_examples_pass_strict_checking_and_misuses_fail(tmp_path):
    readme = (ROOT / "README.md").read_text(encoding="utf-8")
    (tmp_path / "readme.py").write_text(
        "".join(re.findall(r"```python\n(.*?)```", readme, re.S)), encoding="utf-8")
    (tmp_path / "misuses.py").write_text(ACCEPTED + MISUSES, encoding="utf-8")
    code, out = run("mypy", "--strict", "-p", "brindlemap", cwd=tmp_path)
    assert code == 0, out
    code, out = run("mypy", "--strict", "--no-error-summary", "readme.py", "misuses.py",
                    cwd=tmp_path)
    first = ACCEPTED.count("\n") + 1
    expected = {f"misuses.py:{line}" for line in range(first, first + MISUSES.count("\n"))}
    assert {m for m in re.findall(r"^(\S+\.py:\d+): error", out, re.M)} == expected, out


def test_regression_public_functions_had_no_docstrings():
    import brindlemap
    from brindlemap import _search

    # PrefixSearch is the extension's fixed type: its documentation lives in its stub alone;
    # Metric and Rank are the annotations' names of choices, unions that carry none.
    functions = [getattr(brindlemap, name) for name in brindlemap.__all__
                 if name not in ("PrefixSearch", "PanicException", "Metric", "Rank")]
    functions += [getattr(_search, name) for name in dir(_search) if not name.startswith("_")]
    assert [f.__name__ for f in functions if not (f.__doc__ or "").strip()] == []
