"""The command-line tool, run as users run it."""

import importlib.metadata
import json
import os
import resource
import select
import subprocess
import sys
import time

import pytest

from brindlemap import build, from_internal_data, save
from brindlemap.files import read_header as load_header
from brindlemap.queries import COMPLETION_EDITS, RANKED_EDITS, UNRANKED_EDITS
from conftest import CYCLE, plain_allocator_only

TOOL = [sys.executable, "-m", "brindlemap"]


def cli(*args, cwd=None, input=None, env=None, **streams):
    done = subprocess.run([*TOOL, *(a if isinstance(a, bytes) else str(a) for a in args)],
                          capture_output=not streams, text=True, cwd=cwd, timeout=60,
                          input=input, env=env and {**os.environ, **env}, **streams)
    return done.returncode, done.stdout, done.stderr


@pytest.fixture
def word_list(tmp_path):
    path = tmp_path / "words.txt"
    path.write_text("car\ncat\t77\n\ndog\ncär\n", encoding="utf-8")
    return path


def test_build_info_and_query(word_list, tmp_path):
    index = tmp_path / "words.idx"
    assert cli("build", word_list, "-o", index)[0] == 0
    header = load_header(index)
    assert cli("info", index) == (0, f"nodes\t10\nwords\t4\nbytes\t{index.stat().st_size}\n"
                                     f"format\t{header.version}\nlength\t{header.length}\n"
                                     f"crc32\t{header.crc:08x}\n", "")
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
    (("info", "cut.idx"), "'cut.idx' is not a valid brindlemap index: no index header, and"),
    (("query", "damaged.idx", "x"), "'damaged.idx' is not a valid brindlemap index: checksum"),
    (("build", "bad.txt", "-o", "x.idx"), "bad.txt:2: payload 'lots' is not an integer"),
    (("query", "words.txt", "x", "--max-dist", 2**64), f"'{2**64}' is larger than {2**64 - 1}"),
    (("suggest", "words.txt", "x", "--k", 2**64), f"'{2**64}' is larger than {2**64 - 1}"),
    (("query", "words.txt", b"ab\xff"), "error: the word b'ab\\xff' is not UTF-8 text"),
    (("query", "words.txt", "x", "--limit", "1", "--best", "2"), "--best: not allowed with"),
    (("query", "words.txt", "x", "--limit", "1", "--rank", "word"), "--limit cuts the traversal"),
    (("suggest", "words.txt", "x", "--costs", "english", "--metric", "osa"), "not allowed with"),
    (("query", "malformed.idx", "x"), "'malformed.idx' is not a valid brindlemap index: an "
                                      "index of the earlier headerless format, which has no "
                                      "checksum to catch a damaged byte: load it with "
                                      "legacy=True (--legacy on the command line)"),
    (("query", "malformed.idx", "x", "--legacy"), "index: malformed trie: its arrays are not"),
    (("build", "words.txt", "-o", "."), "cannot write '.': a folder, not a regular file"),
    (("check", "words.txt", "words.txt"), "words.txt: a trie (a word list, or an index of one)"),
])
def test_user_mistakes_are_one_line_and_exit_2(word_list, tmp_path, args, message):
    (tmp_path / "cut.idx").write_bytes(b"\x03\x00\x01")
    save(build(["car"]), tmp_path / "damaged.idx")
    (tmp_path / "damaged.idx").write_bytes((tmp_path / "damaged.idx").read_bytes()[:-1] + b"t")
    (tmp_path / "malformed.idx").write_bytes(from_internal_data(*CYCLE).to_bytes())
    (tmp_path / "bad.txt").write_text("fine\nword\tlots\n", encoding="utf-8")
    code, out, err = cli(*args, cwd=tmp_path)
    assert code == 2 and out == ""
    assert err.count("\n") == 1 and err.startswith("brindlemap: error: ")
    assert message in err


@pytest.mark.parametrize("content, outcome", [
    # Lines end at \n, \r\n or \r: \v and U+2028 stay inside theirs, so zeta is on line 3.
    ("alpha\vbeta\ngamma\ndelta\u2028eps\nzeta\n".encode(), "zeta\tzeta\t0\t3\n"),
    (b"\xef\xbb\xbfzeta\r\n", "zeta\tzeta\t0\t0\n"),
    (b"alpha\rzeta\r", "zeta\tzeta\t0\t1\n"),  # a lone \r ends a line too
    (b"\n  zeta \t 7\n", "error: words.txt:2: payload ' 7' is not an integer"),
    ("a\nzeta\t1_000\n".encode(), "error: words.txt:2: payload '1_000' is not an integer"),
    ("zeta\t\u0663\n".encode(), "error: words.txt:1: payload '\u0663' is not an integer"),
    (b"zeta\t4294967296\n", "error: words.txt:1: payload '4294967296' is not an integer"),
    (b"a\nz\xffta\n", "error: words.txt:2: not UTF-8 text (byte 2)\n"),
    (b"zeta\nze\0ta\n", "error: words.txt:2: a NUL byte (at byte 3)"),
])
def test_regression_word_lists_split_at_newlines_and_refuse_bad_lines(tmp_path, content, outcome):
    (tmp_path / "words.txt").write_bytes(content)
    code, out, err = cli("query", "words.txt", "zeta", "--max-dist", "0", cwd=tmp_path)
    assert (out + err).count("\n") == 1 and outcome in out + err
    assert code == (2 if err else 0)


def test_regression_queries_stream_from_standard_input(word_list):
    assert cli("query", word_list, "car", "-", input="dg\ncär\r\n") == (
        0, "car\tcar\t0\t0\ncar\tcat\t1\t77\ncar\tcär\t1\t4\ndg\tdog\t1\t3\n"
           "cär\tcär\t0\t4\ncär\tcar\t1\t0\n", "")
    assert cli("suggest", word_list, "--k", "1", input="cat\nca\0t\n") == (
        2, "", "brindlemap: error: <stdin>:2: a NUL byte (at byte 3), which text does not hold\n")
    # A word is answered while the input is still open, as a program that writes one and
    # waits for the answer needs.
    tool = subprocess.Popen([*TOOL, "query", word_list], stdin=subprocess.PIPE,
                            stdout=subprocess.PIPE)
    tool.stdin.write(b"dg\n")
    tool.stdin.flush()
    assert select.select([tool.stdout], [], [], 60)[0] and tool.stdout.readline() == (
        b"dg\tdog\t1\t3\n")
    tool.stdin.close()
    tool.stdout.close()
    tool.wait(60)


def test_regression_broken_pipe_exits_quietly(word_list, tmp_path):
    (tmp_path / "many.txt").write_bytes(b"car\n" * 100_000)
    with open(tmp_path / "many.txt", "rb") as many:
        tool = subprocess.Popen([*TOOL, "query", word_list, "-"], stdin=many,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    tool.stdout.readline()
    tool.stdout.close()
    assert (tool.wait(60), tool.stderr.read()) == (141, b"")


def test_regression_unwritable_output_is_one_line_and_exit_2(word_list):
    with open("/dev/full", "w") as full:
        assert cli("query", word_list, "car", stdout=full, stderr=subprocess.PIPE)[::2] == (
            2, "brindlemap: error: cannot write to standard output: No space left on device\n")
    closed = subprocess.run(["sh", "-c", 'exec "$@" >&-', "sh", *TOOL, "query", word_list, "car"],
                            capture_output=True, text=True, timeout=60)
    assert closed.stderr == "brindlemap: error: cannot write to standard output: it is closed\n"


@pytest.mark.parametrize("args, code, out", [
    (("query", "{words}", "cär"), 0, "cär\tcär\t0\t4\ncär\tcar\t1\t0\n"),
    (("info", "{words}"), 2, ""),
])
def test_regression_closed_standard_error_changes_nothing_else(word_list, args, code, out):
    done = subprocess.run(["sh", "-c", 'exec "$@" 2>&-', "sh", *TOOL,
                           *(a.format(words=word_list) for a in args)],
                          capture_output=True, text=True, timeout=60)
    assert (done.returncode, done.stdout) == (code, out)


def test_regression_output_is_utf8_json_under_any_io_encoding(word_list):
    code, out, _ = cli("query", word_list, "cär", "zzzz", "--json",
                       env={"PYTHONIOENCODING": "ascii"})
    assert code == 0 and json.loads(out) == [
        {"query": "cär", "matches": [{"word": "cär", "payload": 4, "distance": 0},
                                     {"word": "car", "payload": 0, "distance": 1}]},
        {"query": "zzzz", "matches": []}]


def test_regression_tsv_fields_escape_separators_and_control_characters(tmp_path):
    (tmp_path / "odd.txt").write_text("a\\b\nti\x1b]0;x\x07tle\n", encoding="utf-8")
    code, out, _ = cli("query", "odd.txt", "a\tb", "ti\ntle", "--max-dist", "9", "--limit", "1",
                       cwd=tmp_path)
    assert code == 0 and out == ("a\\tb\ta\\\\b\t1\t0\n"
                                 "ti\\ntle\tti\\x1b]0;x\\x07tle\t6\t1\n")


def test_regression_json_stays_well_formed_when_input_turns_bad_midway(word_list):
    # A whole batch is answered before the bad line is read.
    code, out, err = cli("suggest", word_list, "--json", input="car\n" * 4096 + "c\0r\n")
    assert code == 2 and "NUL byte" in err
    assert [json.loads(line)["query"] for line in out.splitlines()] == ["car"] * 4096


@pytest.mark.parametrize("args", [
    ("suggest", "{words}", "--k", "1", "-"),
    ("suggest", "{words}", "-", "--k", "1"),
    ("suggest", "--k", "1", "{words}", "dgo", "--max-dist", "1", "-"),
])
def test_regression_options_after_the_index_are_taken(word_list, args):
    args = [a.format(words=word_list) for a in args]
    code, out, err = cli(*args, input="acr\n")
    assert (code, err) == (0, "")
    assert out.endswith("acr\tcar\t1\t0\n") and out.count("\n") == 1 + ("dgo" in args)


def test_regression_blank_and_padded_stdin_lines_are_skipped_and_stripped(word_list):
    assert cli("query", word_list, "--max-dist", "0", input="\n  cat \t\n \t\r\n\ndog\n") == (
        0, "cat\tcat\t0\t77\ndog\tdog\t0\t3\n", "")
    # A word given as an argument is the user's own, taken as it is.
    assert cli("query", word_list, " cat", "--max-dist", "0")[1] == " cat\t\t\t\n"


def test_regression_json_lines_on_a_stream(word_list):
    code, out, _ = cli("suggest", word_list, "car", "-", "--json", "--k", "1", input="dgo\n")
    assert code == 0 and [json.loads(line) for line in out.splitlines()] == [
        {"query": "car", "matches": [{"word": "car", "payload": 0, "distance": 0}]},
        {"query": "dgo", "matches": [{"word": "dog", "payload": 3, "distance": 1}]}]


def test_shipped_lexicon_and_word_list_are_named_at_english_and_at_frequent_words(tmp_path):
    # The ranked commands count a swapped pair as one edit unasked; a lexicon answers counts.
    assert cli("suggest", "@english", "Teh", "--k", "1") == (0, "Teh\tThe\t1\t23135851162\n", "")
    assert cli("complete", "@frequent-words", "wrold", "--k", "1")[1] == "wrold\tworld\t1\t113\n"
    assert cli("build", "@frequent-words", "-o", tmp_path / "english.idx")[0] == 0
    assert cli("info", tmp_path / "english.idx")[1].startswith("nodes\t74138\nwords\t30000\n")
    assert cli("info", "@english")[1].startswith("kind\tlexicon\nwords\t96066\n")


TEXT = "Teh cat sat\r\non teh mat, dr Smith's cat; see https://x.org/teh\nqqqqqq"


def test_build_lexicon_then_check_and_correct_a_text(tmp_path):
    counts = tmp_path / "counts.txt"
    counts.write_text("the 50\ncat 9\nsat 3\non 20\nmat 2\nDr 4\nSmith 1\nsee 5\n")
    lexicon, text = tmp_path / "words.lexicon", tmp_path / "text.txt"
    text.write_bytes(TEXT.encode())
    assert cli("build", counts, "--counts", "-o", lexicon)[0] == 0
    assert cli("check", lexicon, text, "-k", "1") == (
        1, f"{text}:1:1: Teh -> The\n{text}:2:4: teh -> the\n{text}:3:1: qqqqqq\n", "")
    with open(tmp_path / "out", "wb") as out:  # bytes, so that \r\n is seen as written
        assert cli("correct", lexicon, "-", input=TEXT, stdout=out)[0] == 0
    assert (tmp_path / "out").read_bytes() == TEXT.replace("eh", "he", 2).encode()
    code, out, _ = cli("check", "-", "--json", "--k", "1", input="Teh\n\nok qqqqqq\n")
    assert (code, [json.loads(line) for line in out.splitlines()]) == (1, [
        {"file": "<stdin>", "line": 1, "column": 1, "word": "Teh",
         "suggestions": [{"word": "The", "count": 23135851162, "distance": 7}], "fix": "The"},
        {"file": "<stdin>", "line": 3, "column": 4, "word": "qqqqqq", "suggestions": [],
         "fix": None}])
    # A plain word list folded makes a lexicon too; a trie has no counts to check with.
    words = tmp_path / "words.txt"
    words.write_text("Café\nnaïve\n")
    assert cli("build", words, "--fold", "case+accents", "-o", lexicon)[0] == 0
    assert cli("check", lexicon, "-", input="CAFE naive cafes\n")[:2] == \
        (1, "<stdin>:1:12: cafes -> Café\n")
    assert cli("suggest", lexicon, "cafe")[1] == "cafe\tCafé\t0\t1\n"
    assert cli("build", words, "-o", tmp_path / "words.idx")[0] == 0
    assert "a trie (a word list, or an index of one)" in cli("check", tmp_path / "words.idx",
                                                             text)[2]


def test_regression_what_cannot_be_checked_passes_through_and_is_reported(tmp_path):
    # A byte that was not UTF-8 once ended correct, dropping the lines already read with it,
    # and a line longer than the limit wrote nothing; a lone \r did not end a line.
    texts = {"latin.txt": b"teh cat\n" + "a \xa35 caf\xe9 recieved\n".encode("latin-1")
                          + b"beleive it\n",
             "long.txt": b"teh cat\r" + b"house " * 200_000 + b"teh\r\nrecieve it"}
    for name, text in texts.items():
        (tmp_path / name).write_bytes(text)
        with open(tmp_path / "out", "wb") as out:
            code, _, err = cli("correct", name, cwd=tmp_path, stdout=out, stderr=subprocess.PIPE)
        fixed = text.replace(b"teh", b"the", 1).replace(b"recieve", b"receive").replace(
            b"beleive", b"believe")
        assert (code, (tmp_path / "out").read_bytes()) == (1, fixed)
        assert err.count("\n") == 1 and err.startswith(f"brindlemap: warning: {name}:")
    assert cli("check", "latin.txt", "-k", "1", cwd=tmp_path) == (1, "".join(
        f"latin.txt:{line}:{column}: {word} -> {fix}\n"
        for line, column, word, fix in [(1, 1, "teh", "the"), (2, 11, "recieved", "received"),
                                        (3, 1, "beleive", "believe")]),
        "brindlemap: warning: latin.txt:2: not UTF-8 text (byte 3): the words around it are "
        "left unchecked\n")
    assert cli("check", "long.txt", "-k", "2", cwd=tmp_path)[1:] == (
        "long.txt:1:1: teh -> the, tech\nlong.txt:3:1: recieve -> receive, received\n",
        "brindlemap: warning: long.txt:2: a line longer than 1048576 bytes, left unchecked\n")


def test_formats_encodings_standard_input_user_words_and_other_languages(tmp_path):
    def flagged(*args, input=None):
        code, out, _ = cli("check", "--json", *args, cwd=tmp_path, input=input)
        return code, [json.loads(line)["word"] for line in out.splitlines()]

    (tmp_path / "doc.md").write_text("Teh `nmupy` [a link](http://x/shrae) wrold\n\n"
                                     "```py\nprnt x\n```\n<b class='mian'>ok</b>\n")
    (tmp_path / "doc.HTML").write_text('<p class="mian">recieve&nbsp;<code>prnt</code></p>\n')
    assert flagged("doc.md") == (1, ["Teh", "wrold"])
    assert "prnt" in flagged("doc.md", "--format", "text")[1]
    assert flagged("doc.HTML") == (1, ["recieve"])
    assert cli("correct", "doc.md", cwd=tmp_path)[1] == (tmp_path / "doc.md").read_text() \
        .replace("Teh", "The").replace("wrold", "world")
    # Bytes that do not decode pass through, even an odd byte at the end of UTF-16.
    for encoding, tail in ("latin-1", b""), ("utf-16", b"z"):
        (tmp_path / "coded.txt").write_bytes("Café recieve\r\n".encode(encoding) + tail)
        done = subprocess.run([*TOOL, "correct", "coded.txt", "--encoding", encoding],
                              cwd=tmp_path, capture_output=True, timeout=60)
        assert done.stdout == "Café receive\r\n".encode(encoding) + tail
        assert (done.returncode, done.stderr.count(b"\n")) == ((1, 1) if tail else (0, 0))
        assert flagged("coded.txt", "--encoding", encoding)[1] == ["recieve"]
    # No FILE: standard input; the user's words are known, and suggested.
    (tmp_path / "mine.txt").write_text("# words of mine\nqzxv\nBrindlemap 5  # the tool\n")
    assert flagged(input="teh qzxv brindlemap\n") == (1, ["teh", "qzxv", "brindlemap"])
    # The shipped lexicon's costs, and --max-dist in plain edits all the same.
    assert cli("check", "--max-dist", "1", "-k", "1", input="wrold\n")[1] == \
        "<stdin>:1:1: wrold -> world\n"
    assert flagged("--words", "mine.txt", input="teh qzxv Brindlemap\n") == (1, ["teh"])
    assert flagged("--real-words", input="a letter form my friend\n") == (1, ["form"])
    assert cli("suggest", "@english", "brindlemapp", "-k", "1", "--words", "mine.txt",
               cwd=tmp_path)[1].split("\t")[1] == "Brindlemap"
    assert cli("build", "--wordfreq", "fr", "--n", "1000", "-o", tmp_path / "fr.lexicon")[0] == 0
    assert flagged("fr.lexicon", "-", input="le bonjoor est dans la maison\n")[1] == ["bonjoor"]


def test_costs_presets_weigh_the_edits_and_scale_max_dist_in_plain_edits(tmp_path):
    words, lexicon = tmp_path / "words.txt", tmp_path / "words.lexicon"
    words.write_text("hallo\nhello\n")
    assert cli("build", words, "--fold", "case", "-o", lexicon)[0] == 0
    assert cli("suggest", words, "hrllo", "--k", "1")[1] == "hrllo\thallo\t1\t0\n"
    for index in words, lexicon:  # r is next to e, and one plain edit reaches a slip
        assert cli("suggest", index, "hrllo", "--k", "1", "--max-dist", "1", "--costs",
                   "keyboard")[1] == "hrllo\thello\t6\t1\n"
    assert cli("query", words, "hrllo", "--costs", "english", "--best", "2")[1] == (
        "hrllo\thello\t7\t1\nhrllo\thallo\t10\t0\n")
    assert cli("correct", lexicon, "-", input="Hrllo\n")[1] == "Hrllo\n"  # two alike: unsure
    assert cli("correct", lexicon, "-", "--costs", "keyboard", input="Hrllo\n")[1] == "Hello\n"


def test_regression_non_blocking_standard_input_is_waited_for(word_list):
    read_end, write_end = os.pipe()
    os.set_blocking(read_end, False)  # shared with the tool, which finds nothing there yet
    with os.fdopen(write_end, "wb") as writer:
        tool = subprocess.Popen([*TOOL, "query", word_list], stdin=read_end,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        os.close(read_end)
        time.sleep(1)  # not a measure: gives the tool the time to start and find the pipe empty
        writer.write(b"dg\n")
    assert tool.communicate(timeout=60) == (b"dg\tdog\t1\t3\n", b"")


def test_version_and_every_default_in_help():
    assert cli("--version")[:2] == (0, f"brindlemap {importlib.metadata.version('brindlemap')}\n")
    for command in "query", "suggest", "complete", "check", "correct", "build":
        help = cli(command, "--help")[1]
        options = help.count("\n  --") + help.count("\n  -k, --k")
        assert " ".join(help.split()).count("(default: ") == options
    # The defaults shown are the queries' own.
    for command, edits in ("query", UNRANKED_EDITS), ("suggest", RANKED_EDITS), \
            ("complete", COMPLETION_EDITS), ("check", RANKED_EDITS):
        assert f"plain edits, whatever the metric (default: {edits})" in " ".join(
            cli(command, "--help")[1].split())


def limit_memory():
    resource.setrlimit(resource.RLIMIT_AS, (2 << 30, resource.RLIM_INFINITY))


@plain_allocator_only
@pytest.mark.parametrize("arrays, out", [
    # Node 0 its own child; node 1 its own child twice, so that unvisited lists double. No
    # index holds such a trie: it is refused as it loads, before anything counts its nodes.
    (([0], ["a"], [None], [0]), "is not a valid brindlemap index: malformed trie: its arrays"),
    (([0, 1], ["", "a"], [None, 4], [1, 1, 1]), "is not a valid brindlemap index: malformed"),
    (None, "brindlemap: error: '/dev/zero' is not a valid brindlemap index: no index header, "
           "and not a regular file\n"),
])
def test_regression_info_counts_each_node_once_and_reads_no_endless_file(tmp_path, arrays, out):
    index = tmp_path / "odd.idx"
    if arrays:
        index.write_bytes(from_internal_data(*arrays).to_bytes())
    done = subprocess.run([*TOOL, "info", "--legacy", index if arrays else "/dev/zero"],
                          capture_output=True, text=True, timeout=60, preexec_fn=limit_memory)
    assert done.stdout == "" and done.stderr.count("\n") == 1 and out in done.stderr
