"""Index files: every damaged or foreign file is refused with ValueError and nothing on
standard error, modes and symlinks are kept, reads stay within their bound, and headerless
indexes of the earlier format load when asked for."""

import io
import os
import pickle
import zlib

import pytest

import brindlemap
from brindlemap import (Lexicon, _brindlemap, _search, files, from_internal_data, load, loads,
                        save)
from brindlemap.files import is_index_file, read_header
from brindlemap.index_format import (HEADER, KIND_HEADER, MAGIC, NEWEST, LINED, VERSION,
                                     pack_header)
from conftest import CYCLE, plain_allocator_only, run_python

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
        for mapped in True, False:
            with pytest.raises(ValueError, match="is not a valid brindlemap index"):
                load(path, mmap=mapped)
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
    (lambda data: header(NEWEST + 1, data) + data, "newer"),
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


def test_headerless_index_loads_only_with_legacy(tmp_path):
    with open(COMMON_WORDS, encoding="utf-8") as words:
        common = brindlemap.build(words.read().split())
    for trie in brindlemap.build(["car"]), common:  # shorter and longer than one first read
        path = tmp_path / "old.idx"
        path.write_bytes(trie.to_bytes())
        with pytest.raises(ValueError, match="headerless format.*legacy=True"):
            load(path)
        with pytest.raises(ValueError, match="legacy=True"):
            loads(trie.to_bytes())
        assert load(path, legacy=True).to_bytes() == trie.to_bytes()
        assert loads(trie.to_bytes(), legacy=True).to_bytes() == trie.to_bytes()
        assert is_index_file(path) and read_header(path) is None
    with pytest.raises(ValueError, match="more than max_bytes"):
        load(path, legacy=True, max_bytes=len(common.to_bytes()) - 1)
    save(common, path)
    data = path.read_bytes()
    assert data == brindlemap.dumps(common)
    assert read_header(path) == (LINED, len(data) - KIND_HEADER.size,
                                 zlib.crc32(data[KIND_HEADER.size:]))


# A pipe whose header announces 2**62 bytes, read under a 1 GiB limit on address space. With
# the default bound it is refused before the body is read: the writer stays open, so a read
# would never end. With a larger bound, memory follows what arrives until the writer closes.
ANNOUNCED_2_62 = """
    import os, resource, threading
    from brindlemap import load
    from brindlemap.index_format import HEADER, MAGIC
    resource.setrlimit(resource.RLIMIT_AS, (1 << 30, resource.RLIM_INFINITY))

    def send(writer, body):
        with open(writer, "wb") as out:
            out.write(body)

    for bound, body in (None, b""), (2**63, bytes(8 << 20)):
        reader, writer = os.pipe()
        os.write(writer, HEADER.pack(MAGIC, 1, 2**62, 0) + b"x" * 100)
        if body:
            threading.Thread(target=send, args=(writer, body)).start()
        try:
            load(f"/dev/fd/{reader}", **({} if bound is None else {"max_bytes": bound}))
        except ValueError as error:
            print(str(error).split(": ", 1)[1])
        os.close(reader)
        if not body:
            os.close(writer)
"""


@plain_allocator_only
def test_load_of_a_pipe_announcing_2_62_bytes_stays_within_memory():
    out, err = run_python(ANNOUNCED_2_62)
    assert out == (f"{2**62} bytes of trie, more than max_bytes ({4 << 30}) allows\n"
                   f"truncated: {(8 << 20) + 100} of the {2**62} bytes of the trie\n") and err == ""


def test_checksum_is_zlibs_over_any_length_and_from_any_value():
    # Blocks of 256 (where the processor folds 512 bits at once), 64 and 16 bytes are folded,
    # what is left over taken from tables.
    data = os.urandom(4096 + 100)
    for length in 0, 1, 15, 16, 63, 64, 65, 80, 127, 128, 255, 256, 320, 335, 1000, 4096 + 100:
        for value in 0, 1, 0xFFFFFFFF:
            assert _search.crc32(data[:length], value) == zlib.crc32(data[:length], value)
    assert _search.crc32(memoryview(data)[3:], _search.crc32(data[:3])) == zlib.crc32(data)


def test_checksummed_index_of_a_malformed_trie_is_refused(tmp_path, capfd):
    malformed = from_internal_data(*CYCLE)
    path = tmp_path / "words.idx"
    data = malformed.to_bytes()
    path.write_bytes(pack_header(data) + data)
    for attempt in lambda: load(path), lambda: loads(path.read_bytes()):
        with pytest.raises(ValueError, match="malformed trie"):
            attempt()
    # Nor is one written, which load would then refuse; yet it pickles as it is.
    with pytest.raises(ValueError, match="malformed trie.*none is written"):
        save(malformed, tmp_path / "new.idx")
    assert sorted(os.listdir(tmp_path)) == ["words.idx"]
    assert pickle.loads(pickle.dumps(malformed)).to_bytes() == data
    assert capfd.readouterr().err == ""


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


@pytest.mark.parametrize("rebuild", [_brindlemap.from_bytes, files.trie_from_bytes])
def test_regression_unpickling_bad_bytes_raised_a_base_exception(small, capfd, rebuild):
    data = small.to_bytes()
    with pytest.raises(ValueError, match="checksum mismatch"):
        pickle.loads(pickle.dumps(small).replace(data, b"\xff" * len(data)))

    class Earlier:  # what pickles made by earlier versions hold: the trie's bytes alone
        def __reduce__(self):
            return rebuild, (data,)

    assert pickle.loads(pickle.dumps(Earlier())).to_bytes() == data
    if rebuild is files.trie_from_bytes:  # the extension's own from_bytes checks no shape
        Earlier.__reduce__ = lambda self: (rebuild, (from_internal_data(*CYCLE).to_bytes(),))
        with pytest.raises(ValueError, match="malformed trie"):
            pickle.loads(pickle.dumps(Earlier()))
    assert capfd.readouterr().err == ""


@pytest.mark.parametrize("call, error, reason", [
    (lambda data: brindlemap._search.decode(data[:-3]), brindlemap.IndexFileError, "ends_early"),
    (lambda data: brindlemap._search.decode(b"\xfe" * 12), brindlemap.IndexFileError,
     "undecodable"),
    (lambda data: loads(pack_header(data) + data[:-1] + b"?"), brindlemap.IndexFileError,
     "checksum"),
    (lambda data: loads(data), brindlemap.IndexFileError, "headerless"),
    (lambda data: loads(pack_header(data) + data, max_bytes=3), brindlemap.IndexFileError,
     "too_large"),
    (lambda data: brindlemap.search(from_internal_data(*CYCLE), "a"),
     brindlemap.MalformedTrieError, None),
    (lambda data: save(from_internal_data(*CYCLE), "unused.idx"), brindlemap.MalformedTrieError,
     None),
])
def test_failures_carry_their_type_and_reason(small, call, error, reason):
    with pytest.raises(error) as raised:
        call(small.to_bytes())
    assert isinstance(raised.value, ValueError) and getattr(raised.value, "reason", None) == reason


def test_regression_index_in_a_file_object_without_a_descriptor_was_refused(small):
    # io.BytesIO has no fileno(): it was reported as an undecodable index, intact or not.
    lexicon = brindlemap.Lexicon({"car": 3, "cat": 2})
    for good, read in ((brindlemap.dumps(small), load), (lexicon.to_bytes(), Lexicon.load)):
        assert read(io.BytesIO(good)).to_bytes() == read(good).to_bytes()
        for damaged, reason in ((good[:-1], "truncated"), (good + b"?", "unexpected bytes")):
            with pytest.raises(brindlemap.IndexFileError, match=reason):
                read(io.BytesIO(damaged))
    with open(COMMON_WORDS, encoding="utf-8") as text, pytest.raises(TypeError, match="'rb'"):
        load(text)
