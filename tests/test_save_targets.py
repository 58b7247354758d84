"""Where save writes: only regular files, through no other user's symlink, keeping the owner,
and leaving no temporary file behind a killed save."""

import errno
import os
import socket
import stat
import subprocess
import sys
import textwrap

import pytest

from brindlemap import UnsafeTargetError, build, load, safe_replace, save

ROOT = os.geteuid() == 0
OTHER_UID, OTHER_GID = 4321, 8765
root_only = pytest.mark.skipif(not ROOT, reason="needs root to make devices and to chown")


@pytest.fixture(scope="module")
def trie():
    return build(["car", "cat", "dog"])


def _device(path):
    os.mknod(path, 0o666 | stat.S_IFCHR, os.makedev(1, 3))  # a private /dev/null


def _socket(path):
    with socket.socket(socket.AF_UNIX) as bound:
        bound.bind(str(path))


@pytest.mark.parametrize("make", [
    pytest.param(_device, marks=root_only, id="device"),
    pytest.param(os.mkfifo, id="fifo"),
    pytest.param(_socket, id="socket"),
    pytest.param(os.mkdir, id="folder"),
])
def test_save_refuses_device_fifo_socket_and_folder_targets(trie, tmp_path, make):
    target = tmp_path / "words.idx"
    make(target)
    before = os.lstat(target)
    with pytest.raises(UnsafeTargetError, match="not a regular file") as refused:
        save(trie, target)
    assert isinstance(refused.value, OSError) and refused.value.filename == str(target)
    after = os.lstat(target)
    assert (after.st_ino, after.st_mode, after.st_rdev) == (before.st_ino, before.st_mode,
                                                            before.st_rdev)
    assert os.listdir(tmp_path) == ["words.idx"]


@pytest.mark.parametrize("path, error", [
    ("loop", errno.ELOOP),  # two links that name each other: refused, not followed forever
    ("missing/words.idx", errno.ENOENT),
    ("up", errno.EISDIR),  # a link to ".."
    ("words.idx/", errno.EISDIR),
])
def test_save_refuses_paths_that_lead_to_no_file(trie, tmp_path, monkeypatch, path, error):
    monkeypatch.chdir(tmp_path)
    os.symlink("loop2", "loop")
    os.symlink("loop", "loop2")
    os.symlink("..", "up")
    with pytest.raises(OSError) as refused:
        save(trie, path)
    assert refused.value.errno == error
    assert sorted(os.listdir(".")) == ["loop", "loop2", "up"]


@root_only
@pytest.mark.parametrize("where", ["file", "folder"])
@pytest.mark.parametrize("owner, followed", [(OTHER_UID, False), (os.geteuid(), True)])
def test_save_follows_only_symlinks_of_its_own_user(trie, tmp_path, where, owner, followed):
    (tmp_path / "real").mkdir()
    victim = tmp_path / "real" / "words.idx"
    victim.write_bytes(b"someone's file")
    link = tmp_path / "link"
    link.symlink_to(victim if where == "file" else victim.parent)
    os.lchown(link, owner, -1)
    path = link if where == "file" else link / "words.idx"
    if followed:
        save(trie, path)
        assert load(victim).to_bytes() == trie.to_bytes() and link.is_symlink()
    else:
        with pytest.raises(UnsafeTargetError, match=f"symlink owned by uid {OTHER_UID}"):
            save(trie, path)
        assert victim.read_bytes() == b"someone's file"
    assert sorted(os.listdir(victim.parent)) == ["words.idx"]


@root_only
def test_save_keeps_owner_and_group_and_drops_setuid_setgid(trie, tmp_path):
    path = tmp_path / "words.idx"
    path.write_bytes(b"old")
    os.chown(path, OTHER_UID, OTHER_GID)
    os.chmod(path, 0o6750 | stat.S_ISVTX)
    save(trie, path)
    status = os.stat(path)
    assert (status.st_uid, status.st_gid, stat.S_IMODE(status.st_mode)) == (
        OTHER_UID, OTHER_GID, 0o750)


KILLED_SAVE = """
    import os, signal, sys
    import brindlemap
    from brindlemap import safe_replace
    if sys.argv[1] == "named":
        safe_replace._UNNAMED = 0
    # The first fsync is the temporary file's, once its bytes are written.
    os.fsync = lambda handle: os.kill(os.getpid(), signal.SIGKILL)
    brindlemap.save(brindlemap.build(["car"]), sys.argv[2])
"""


@pytest.mark.parametrize("kind", [
    pytest.param("unnamed", marks=pytest.mark.skipif(not safe_replace._UNNAMED,
                                                     reason="no O_TMPFILE here")),
    "named"])
def test_killed_save_leaves_no_temporary_file_behind(trie, tmp_path, kind):
    path = tmp_path / "words.idx"
    save(trie, path)
    done = subprocess.run([sys.executable, "-c", textwrap.dedent(KILLED_SAVE), kind, path],
                          timeout=60)
    assert done.returncode == -9
    leftovers = [name for name in os.listdir(tmp_path) if name != "words.idx"]
    assert len(leftovers) == (kind == "named")
    for name in leftovers:  # as a killed save's file is, after a while
        os.utime(tmp_path / name, (0, 0))
    save(trie, path)
    assert os.listdir(tmp_path) == ["words.idx"] and load(path).to_bytes() == trie.to_bytes()
