"""Replacing a regular file atomically without being steered: the path is walked one component
at a time through folder descriptors, so that a device, a FIFO or another user's symlink is
found and refused before anything is created, and the new file takes the old one's place by a
rename within the folder found, keeping its owner and permission bits."""

import contextlib
import errno
import fcntl
import os
import re
import stat
import time
from collections.abc import Iterable, Iterator
from typing import NamedTuple

__all__ = ["UnsafeTargetError", "replace_file"]

# As the kernel's own bound on the links met while resolving one path.
MOST_LINKS = 40
# A temporary file of ours is a killed save's leftover once no save holds its lock (a save
# locks its file from the start) and it is this old (a lock is taken just after creation).
ABANDONED_SECONDS = 60
# An unnamed temporary file (O_TMPFILE) dies with a killed process; it is named through
# /proc just before the rename. Without either, a named file is used and swept later.
_UNNAMED = getattr(os, "O_TMPFILE", 0) if os.path.isdir("/proc/self/fd") else 0
# A folder is held only to name things in it (O_PATH where there is one: no read permission
# needed); it is opened for reading separately, to list and to sync it.
_FOLDER_FLAGS = getattr(os, "O_PATH", os.O_RDONLY) | os.O_DIRECTORY | os.O_CLOEXEC
# A temporary file's name is the target's, hidden, with a random part: no two writers meet.
_RANDOM_HEX = 16


class UnsafeTargetError(OSError):
    """The path is no place for a file to be replaced: a folder, device, FIFO or socket is
    there, or a symlink on the way belongs to another user (it may have been planted to steer
    the write). Raised before anything is created; errno is EISDIR, EINVAL or EACCES."""


class _Found(NamedTuple):
    folder: int  # an O_PATH descriptor of the folder that holds the file
    name: str  # the file's name in it, no symlink
    existing: os.stat_result | None  # the regular file there, or None for a new one


def _temporary_name(name: str) -> str:
    return f".{name}.{os.urandom(_RANDOM_HEX // 2).hex()}.tmp"


def _is_temporary_of(name: str, entry: str) -> bool:
    return re.fullmatch(rf"\.{re.escape(name)}\.[0-9a-f]{{{_RANDOM_HEX}}}\.tmp", entry) is not None


def _folder(path: str) -> UnsafeTargetError:
    return UnsafeTargetError(errno.EISDIR, "a folder, not a regular file", path)


def _not_regular(path: str, status: os.stat_result) -> UnsafeTargetError:
    if stat.S_ISDIR(status.st_mode):
        return _folder(path)
    kind = ("a FIFO" if stat.S_ISFIFO(status.st_mode) else
            "a socket" if stat.S_ISSOCK(status.st_mode) else
            "a device" if stat.S_ISCHR(status.st_mode) or stat.S_ISBLK(status.st_mode) else
            "not a regular file")
    return UnsafeTargetError(errno.EINVAL, f"{kind}, not a regular file: refused", path)


def _names_a_folder(part: str) -> bool:
    return part in ("", ".", "..")


def _enter(left: int, entered: int) -> int:
    os.close(left)
    return entered


def _walk(path: str, folder: int) -> _Found:
    """Walks `path` from `folder`, which it then owns (closing each folder it leaves). Folder
    components are opened with O_NOFOLLOW, so a component swapped for a symlink after its
    check fails rather than being followed; symlinks are read and followed here, by hand,
    only when owned by the effective user (or, on the way to the folder, by root)."""
    pending = path.split("/")[::-1]  # popped from the end, in path order
    try:
        if _names_a_folder(pending[0]):
            raise _folder(path)
        links = 0
        user = os.geteuid()
        while True:
            part = pending.pop()
            if part in ("", "."):
                continue
            last = not pending
            try:
                status = os.lstat(part, dir_fd=folder)
            except FileNotFoundError:
                if last:
                    return _Found(folder, part, None)
                raise
            if stat.S_ISLNK(status.st_mode):
                if status.st_uid != user and (last or status.st_uid != 0):
                    raise UnsafeTargetError(
                        errno.EACCES, f"a symlink owned by uid {status.st_uid}, not by this user "
                        f"(uid {user}): refused, since another user may have planted it", path)
                links += 1
                if links > MOST_LINKS:
                    raise OSError(errno.ELOOP, os.strerror(errno.ELOOP), path)
                target = os.readlink(part, dir_fd=folder)
                if last and _names_a_folder(target.rsplit("/", 1)[-1]):
                    raise _folder(path)
                if target.startswith("/"):
                    folder = _enter(folder, os.open("/", _FOLDER_FLAGS))
                pending.extend(target.split("/")[::-1])
                continue
            if last:
                if not stat.S_ISREG(status.st_mode):
                    raise _not_regular(path, status)
                return _Found(folder, part, status)
            folder = _enter(folder, os.open(part, _FOLDER_FLAGS | os.O_NOFOLLOW, dir_fd=folder))
    except BaseException:
        os.close(folder)  # the folder it stopped in: every other one is closed
        raise


@contextlib.contextmanager
def _found(path: str) -> Iterator[_Found]:
    found = _walk(path, os.open("/" if path.startswith("/") else ".", _FOLDER_FLAGS))
    try:
        yield found
    finally:
        os.close(found.folder)


@contextlib.contextmanager
def _listing(folder: int) -> Iterator[int | None]:
    """The folder opened for reading, to list and to sync; None where it may not be read."""
    try:
        handle = os.open(".", os.O_RDONLY | os.O_DIRECTORY | os.O_CLOEXEC, dir_fd=folder)
    except OSError:
        yield None
        return
    try:
        yield handle
    finally:
        os.close(handle)


def _abandoned(folder: int, entry: str, before: float) -> bool:
    try:
        handle = os.open(entry, os.O_RDONLY | os.O_NOFOLLOW | os.O_NONBLOCK | os.O_CLOEXEC,
                         dir_fd=folder)
    except OSError:
        return False
    try:
        status = os.fstat(handle)
        if not stat.S_ISREG(status.st_mode) or status.st_mtime >= before:
            return False
        fcntl.flock(handle, fcntl.LOCK_EX | fcntl.LOCK_NB)  # fails while a save holds it
        return True
    except OSError:
        return False
    finally:
        os.close(handle)


def _sweep(listing: int, folder: int, name: str) -> None:
    """Removes the temporary files of saves of `name` that were killed before their rename."""
    before = time.time() - ABANDONED_SECONDS
    for entry in os.listdir(listing):
        if _is_temporary_of(name, entry) and _abandoned(folder, entry, before):
            with contextlib.suppress(OSError):
                os.unlink(entry, dir_fd=folder)


def _create(folder: int, name: str) -> tuple[int, str | None]:
    """A new file for writing in the folder, created with 0666 for the umask to reduce, as
    open() does; and its name, or None while it is still unnamed."""
    if _UNNAMED:
        try:
            return os.open(".", _UNNAMED | os.O_WRONLY | os.O_CLOEXEC, 0o666, dir_fd=folder), None
        except OSError as error:  # a file system or kernel without unnamed files
            if error.errno not in (errno.EOPNOTSUPP, errno.EISDIR, errno.EINVAL):
                raise
    temporary = _temporary_name(name)
    flags = os.O_WRONLY | os.O_CREAT | os.O_EXCL | os.O_NOFOLLOW | os.O_CLOEXEC
    return os.open(temporary, flags, 0o666, dir_fd=folder), temporary


def _keep_owner_and_mode(handle: int, existing: os.stat_result | None) -> None:
    """Gives the new file the old one's owner and group where the process may set them (the
    group alone otherwise; never a reason to fail), and its permission bits without setuid,
    setgid or sticky."""
    if existing is None:
        return
    try:
        os.fchown(handle, existing.st_uid, existing.st_gid)
    except OSError:
        with contextlib.suppress(OSError):
            os.fchown(handle, -1, existing.st_gid)
    os.fchmod(handle, stat.S_IMODE(existing.st_mode) & 0o777)


def _named(handle: int, folder: int, name: str) -> str:
    temporary = _temporary_name(name)
    os.link(f"/proc/self/fd/{handle}", temporary, dst_dir_fd=folder, follow_symlinks=True)
    return temporary


def _check_still_replaceable(path: str, folder: int, name: str) -> None:
    """Refuses a rename over what appeared at the name since it was checked, other than a
    regular file."""
    try:
        status = os.lstat(name, dir_fd=folder)
    except FileNotFoundError:
        return
    if not stat.S_ISREG(status.st_mode):
        raise _not_regular(path, status)


def replace_file(path: str | os.PathLike[str], chunks: Iterable[bytes | memoryview]) -> None:
    """Writes `chunks` to the regular file at `path`, atomically: a crash leaves the old file
    (or none), never a part-written one, nor a temporary file that a later write of the same
    path does not remove.

    A folder, device, FIFO or socket at the path, or a symlink on the way owned by another
    user (root's are followed on the way to the folder, as in /var/run), raises
    UnsafeTargetError before anything is created. A symlink of the caller's own is followed,
    link by link, and the file it leads to is replaced: the new file is renamed onto that
    name, in that folder, held open since it was checked. The new file keeps the old one's
    owner and group where the process may set them, and its permission bits (never setuid,
    setgid or sticky); a new one gets 0666 less the umask. File and folder are synced to disk.
    """
    shown = os.fspath(path)
    with _found(shown) as (folder, name, existing), _listing(folder) as listing:
        if listing is not None:
            _sweep(listing, folder, name)
        handle, temporary = _create(folder, name)
        try:
            fcntl.flock(handle, fcntl.LOCK_EX | fcntl.LOCK_NB)  # a new file: never contended
            with os.fdopen(handle, "wb", closefd=False) as out:
                _keep_owner_and_mode(handle, existing)
                for chunk in chunks:
                    out.write(chunk)
                out.flush()
                os.fsync(handle)
            if temporary is None:
                temporary = _named(handle, folder, name)
            _check_still_replaceable(shown, folder, name)
            os.replace(temporary, name, src_dir_fd=folder, dst_dir_fd=folder)
        except BaseException:
            if temporary is not None:
                with contextlib.suppress(OSError):
                    os.unlink(temporary, dir_fd=folder)
            raise
        finally:
            os.close(handle)
        # The rename itself reaches the disk with the folder; some file systems cannot sync one.
        if listing is not None:
            with contextlib.suppress(OSError):
                os.fsync(listing)
