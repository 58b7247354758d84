"""Index files: every damaged or foreign file is refused with ValueError and nothing on
standard error, modes and symlinks are kept, and headerless indexes of the earlier format load."""

import os
import pickle
import zlib

import pytest

import brindlemap
from brindlemap import _brindlemap, load, loads, save
from brindlemap.files import is_index_file, read_header
from brindlemap.index_format import HEADER, MAGIC, VERSION

COMMON_WORDS = os.path.join(os.path.dirname(brindlemap.__file__), "data", "frequent-words.txt")


@pytest.fixture(scope="module")
def small():
    return brindlemap.build(["car", "cat", "dog"])


def test_regression_damaged_index_loaded_or_raised_a_base_exception(small, tmp_path, capfd):
    path = tmp_path / "words.idx"
    save(small, path)
    good = path.read_bytes()
    assert load(path).to_bytes() == loads(good).to_bytes() == small.to_bytes()
    damaged = [good[:cut] for cut in range(len(good))]
    damaged += [bytes(b ^ (1 << bit) if i == at else b for i, b in enumerate(good))
                for at in range(len(good)) for bit in range(8)]
    for data in damaged:
        path.write_bytes(data)
        with pytest.raises(ValueError, match="is not a valid brindlemap index"):
            load(path)
        with pytest.raises(ValueError):
            loads(data)
    assert capfd.readouterr().err == ""


def header(version, body):
    return HEADER.pack(MAGIC, version, len(body), zlib.crc32(body))


@pytest.mark.parametrize("content, reason", [
    (b"\x89PNG\r\n\x1a\n" + bytes(40), "no index header"),
    (b"car\ncat\0\ndog\n", "no index header"),
    (b"", "no index header"),
    (bytes(4) + b"\n", "no index header, and more bytes than a trie's"),
    (lambda data: header(VERSION + 1, data) + data, "newer"),
    (lambda data: header(VERSION, data)[:-1], "truncated"),
    (lambda data: header(VERSION, data) + data[:-1], "truncated"),
    (lambda data: header(VERSION, data[:-1]) + data[:-2] + b"?", "checksum"),
])
def test_other_files_are_refused_saying_why(small, tmp_path, content, reason):
    path = tmp_path / "other"
    path.write_bytes(content(small.to_bytes()) if callable(content) else content)
    with pytest.raises(ValueError, match=reason):
        load(path)
    assert is_index_file(path) == callable(content)


@pytest.mark.parametrize("start", [b"", b"\xff", b"car\n"])
def test_regression_huge_or_endless_files_were_read_whole(tmp_path, start):
    # Sparse: a loader that read all of it would run out of memory, not into a ValueError.
    path = tmp_path / "huge"
    with open(path, "wb") as out:
        out.write(start)
        out.truncate(2**40)
    for huge in path, "/dev/zero":
        with pytest.raises(ValueError, match="no index header"):
            load(huge)
        assert not is_index_file(huge)


def test_headerless_indexes_of_the_earlier_format_still_load(tmp_path):
    with open(COMMON_WORDS, encoding="utf-8") as words:
        common = brindlemap.build(words.read().split())
    for trie in brindlemap.build(["car"]), common:  # shorter and longer than one first read
        path = tmp_path / "old.idx"
        path.write_bytes(trie.to_bytes())
        assert load(path).to_bytes() == trie.to_bytes()
        assert is_index_file(path) and read_header(path) is None
    save(common, path)
    assert read_header(path) == (VERSION, len(common.to_bytes()), zlib.crc32(common.to_bytes()))


@pytest.mark.parametrize("umask, existing, expected", [
    (0o022, None, 0o644), (0o077, None, 0o600), (0o077, 0o644, 0o644), (0o022, 0o600, 0o600)])
def test_regression_save_made_every_index_0600(small, tmp_path, umask, existing, expected):
    path = tmp_path / "words.idx"
    if existing is not None:
        path.write_bytes(b"old")
        path.chmod(existing)
    old_umask = os.umask(umask)
    try:
        save(small, path)
    finally:
        os.umask(old_umask)
    assert os.stat(path).st_mode & 0o7777 == expected


def test_regression_save_replaced_a_symlink_by_a_file(small, tmp_path):
    (tmp_path / "real").mkdir()
    link = tmp_path / "words.idx"
    link.symlink_to(tmp_path / "real" / "words.idx")
    save(small, link)
    assert link.is_symlink() and load(tmp_path / "real" / "words.idx").exact_match("dog")
    assert sorted(os.listdir(tmp_path / "real")) == ["words.idx"]


def test_regression_unpickling_bad_bytes_raised_a_base_exception(small, capfd):
    data = small.to_bytes()
    with pytest.raises(ValueError, match="undecodable trie bytes"):
        pickle.loads(pickle.dumps(small).replace(data, b"\xff" * len(data)))

    class Earlier:  # what pickles made before the package's own decoder hold
        def __reduce__(self):
            return _brindlemap.from_bytes, (data,)

    assert pickle.loads(pickle.dumps(Earlier())).to_bytes() == data
    assert capfd.readouterr().err == ""

