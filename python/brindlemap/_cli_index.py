"""What the command-line tool is given to query: an index written by `build`, or a word list
built on the fly; and the counts that `info` shows of an index."""

import contextlib
import os
import stat
from collections.abc import Iterator
from typing import BinaryIO

from brindlemap._brindlemap import PrefixSearch, from_bytes
from brindlemap._cli_io import UserError
from brindlemap._failures import is_panic, native_reports_silenced
from brindlemap.builder import build
from brindlemap.wordlist import WordListError, entries

_SCAN_BYTES = 1 << 20


def _reason(error: OSError) -> str:
    return error.strerror or str(error)


@contextlib.contextmanager
def opened(path: str) -> Iterator[BinaryIO]:
    """`path` open for reading in binary; a failure to open or read it is a UserError."""
    try:
        source = open(path, "rb")
    except OSError as error:
        raise UserError(f"cannot read {path!r}: {_reason(error)}") from None
    with source:
        try:
            yield source
        except OSError as error:
            raise UserError(f"cannot read {path!r}: {_reason(error)}") from None


def _is_regular(source: BinaryIO) -> bool:
    return stat.S_ISREG(os.fstat(source.fileno()).st_mode)


def read_index_bytes(path: str) -> bytes:
    """The bytes of the index file at `path`. An index is read whole, so only a regular file
    is taken: a device or a pipe (/dev/zero) could go on for ever."""
    with opened(path) as source:
        if not _is_regular(source):
            raise UserError(f"{path!r} is not a regular file, so not a brindlemap index")
        return source.read()


def decode_index(path: str, data: bytes) -> PrefixSearch:
    with native_reports_silenced():
        try:
            return from_bytes(data)
        except BaseException as error:
            if not is_panic(error):
                raise
            reason = error.args[0] if error.args else ""
    raise UserError(f"{path!r} is not a valid brindlemap index ({reason})")


def _holds_nul(source: BinaryIO) -> bool:
    while chunk := source.read(_SCAN_BYTES):
        if b"\0" in chunk:
            return True
    return False


def _as_index(data: bytes) -> PrefixSearch | None:
    """The trie of `data` if `data` is exactly the bytes of one (those that `build` writes)."""
    with native_reports_silenced():
        try:
            trie = from_bytes(data)
        except BaseException as error:
            if not is_panic(error):
                raise
            return None
    return trie if trie.to_bytes() == data else None


def build_word_list(source: BinaryIO, name: str) -> PrefixSearch:
    try:
        return build(entries(source, name))
    except WordListError as error:
        raise UserError(str(error)) from None
    except (TypeError, ValueError) as error:
        raise UserError(f"{name}: {error}") from None


def open_trie(path: str) -> PrefixSearch:
    """An index written by `build`, or a word list built on the fly.

    Every index holds a NUL byte (the root's absent character is a zero tag) and text never
    does; a file holding one is still only taken for an index if it is exactly an index's
    bytes, so that a word list with a stray NUL is refused as a word list, at its line.
    """
    with opened(path) as source:
        if _is_regular(source):
            if _holds_nul(source):
                source.seek(0)
                trie = _as_index(source.read())
                if trie is not None:
                    return trie
            source.seek(0)
        return build_word_list(source, path)


def count_nodes_and_words(trie: PrefixSearch, budget: int) -> tuple[int, int]:
    """The nodes reachable from the root, and the words among them, each node counted once.

    A malformed trie may list a node as its own child, or share children between parents, so
    every node is visited once; and since runs of children may overlap, listing more than
    `budget` children in all (a tree from the same bytes lists fewer) is refused.
    """
    seen = {0}
    pending = [0]
    nodes = words = listed = 0
    while pending:
        node = pending.pop()
        nodes += 1
        words += trie.get_payload(node) is not None
        children = trie.get_children(node)
        listed += len(children)
        if listed > budget:
            raise ValueError(f"its nodes list more than {budget} children in all, "
                             "more than its bytes hold")
        for _, child in children:
            if child not in seen:
                seen.add(child)
                pending.append(child)
    return nodes, words
