"""The command-line tool, run as users run it."""

import json
import subprocess
import sys

import pytest


def cli(*args, cwd=None):
    done = subprocess.run([sys.executable, "-m", "brindlemap", *map(str, args)],
                          capture_output=True, text=True, cwd=cwd, timeout=60)
    return done.returncode, done.stdout, done.stderr


@pytest.fixture
def word_list(tmp_path):
    path = tmp_path / "words.txt"
    path.write_text("car\ncat\t77\n\ndog\ncär\n", encoding="utf-8")
    return path


def test_build_info_and_query(word_list, tmp_path):
    index = tmp_path / "words.idx"
    assert cli("build", word_list, "-o", index)[0] == 0
    assert cli("info", index) == (0, "nodes\t10\nwords\t4\nbytes\t%d\n" % index.stat().st_size, "")
    assert cli("query", index, "cär", "dgo") == (
        0, "cär\tcär\t0\t4\ncär\tcar\t1\t0\ndgo\t\t\t\n", "")
    code, out, _ = cli("query", word_list, "car", "--max-dist", "1", "--best", "2", "--json")
    assert code == 0
    assert json.loads(out) == [{"query": "car", "matches": [
        {"word": "car", "payload": 0, "distance": 0},
        {"word": "cär", "payload": 4, "distance": 1}]}]
    assert cli("query", index, "car", "--max-dist", "2", "--limit", "1")[1] == "car\tcar\t0\t0\n"
    assert cli("suggest", index, "dgo", "acr", "--metric", "osa", "-k", "1")[1] == (
        "dgo\tdog\t1\t3\nacr\tcar\t1\t0\n")
    assert cli("complete", index, "cz", "--k", "2", "--rank", "word")[1] == (
        "cz\tcar\t1\t0\ncz\tcat\t1\t77\n")


@pytest.mark.parametrize("args, message", [
    (("query", "missing.idx", "x"), "cannot read 'missing.idx'"),
    (("query", "words.txt", "x", "--max-dist", "-1"), "'-1' is not a non-negative integer"),
    (("frobnicate",), "invalid choice"),
    (("build", "words.txt"), "required: -o/--output"),
    (("info", "cut.idx"), "'cut.idx' is not a valid brindlemap index (called `Result::unwrap()`"),
    (("build", "bad.txt", "-o", "x.idx"), "bad.txt:2: payload 'lots' is not an integer"),
])
def test_user_mistakes_are_one_line_and_exit_2(word_list, tmp_path, args, message):
    (tmp_path / "cut.idx").write_bytes(b"\x03\x00\x01")
    (tmp_path / "bad.txt").write_text("fine\nword\tlots\n", encoding="utf-8")
    code, out, err = cli(*args, cwd=tmp_path)
    assert code == 2 and out == ""
    assert err.count("\n") == 1 and err.startswith("brindlemap: error: ")
    assert message in err
