"""Saving tries to index files and loading them back within a bound, and pickling through an
index file's bytes; `index_reader` reads every one of them.

Public: the names of `__all__`. `trie_from_index`, `malformed_trie_from_index` and
`trie_from_bytes` rebuild pickled tries (by these names, which pickles hold), `reduce_trie`
makes their pickles; the rest serves the package and may change."""

import os
from collections.abc import Callable

from brindlemap import _search
from brindlemap._brindlemap import PrefixSearch
from brindlemap.errors import IndexFileError, IndexFileReason, MalformedTrieError
from brindlemap.index_format import (
    DEFAULT_MAX_BYTES, MALFORMED, IndexHeader, Kind, byte_bound, pack_header, sectioned, shaped,
    trie_sections)
from brindlemap.index_reader import IndexFile, looks_like_index, read_index, trie_of
from brindlemap.index_reader import read_header as _read_header
from brindlemap.safe_replace import UnsafeTargetError, replace_file

__all__ = ["DEFAULT_MAX_BYTES", "IndexHeader", "UnsafeTargetError", "dumps", "is_index_file",
           "load", "loads", "read_header", "save"]


def save(trie: PrefixSearch, path: str | os.PathLike[str]) -> None:
    """Writes `trie` to the index file `path`: the bytes of `dumps(trie)`.

    Only a trie that passes the shape check (every trie that `build` makes) is saved, since
    `load` refuses any other: a malformed one raises ValueError before anything is touched.
    Only a regular file is written: a folder, device, FIFO or socket at the path, or a
    symlink on the way that belongs to another user (one in the folders owned by root is
    followed), raises `UnsafeTargetError`, an OSError, before anything is created; a symlink
    of the caller's own is followed to the file it names, which is replaced.

    The bytes go to a temporary file in the target's folder (unnamed where Linux allows),
    which is flushed to disk and then renamed over the target: a crash or a failed write
    leaves the old file (or none) behind, never a half-written index, and the next save of
    the same path removes the temporary file of a killed one. An existing file keeps its
    owner and group where the process may set them, and its permission bits without setuid,
    setgid or sticky; a new one gets 0666 less the umask, as files do.
    """
    replace_file(path, _index_pieces(trie))


def _index_pieces(trie: PrefixSearch) -> list[bytes | memoryview]:
    if not _search.well_formed(trie):
        raise MalformedTrieError(f"{MALFORMED}: load would refuse its index, so none is "
                                 "written")
    return sectioned(Kind.TRIE, trie_sections(trie))


def dumps(trie: PrefixSearch) -> bytes:
    """The bytes of the index file of `trie`, which `loads` reads back (and `save` writes): a
    header with a checksum, then the trie's arrays and those of the trie of its words spelt
    backwards that `search`, `suggest` and `fuzzy_match` read, each packed, and the tables that
    rank `complete`'s answers, so that a loaded index answers its first query of any kind
    without making them. The reversed trie and the tables are made here if no query has made
    them yet. A trie that fails the shape check raises MalformedTrieError."""
    return b"".join(_index_pieces(trie))


def load(path: str | os.PathLike[str], *, max_bytes: int = DEFAULT_MAX_BYTES,
         legacy: bool = False, mmap: bool = True) -> PrefixSearch:
    """Reads an index written by `save`, or by an earlier brindlemap.

    Anything else raises ValueError saying what is wrong: another kind of file, a newer
    format, a truncated file, a checksum mismatch, sections that do not fit together, or a
    trie that fails the shape check. Nothing is written to standard error. At most
    `max_bytes` bytes of index are read (by default DEFAULT_MAX_BYTES, 4 GiB, ample for an
    index of several million words): a header that announces more is refused before any of
    them is read, and no more is read than the header announces, a chunk at a time, so a
    pipe that lies about its length costs nothing.

    An index of the earliest format (the trie's bytes alone, without a header or checksum)
    loads only with `legacy=True`, since a damaged byte in it goes unnoticed unless it breaks
    the trie's shape; otherwise it raises ValueError naming that way.

    An index that `save` wrote in a regular file is memory-mapped (`mmap=False` reads it into
    memory instead): its checksum and arrays are read in place, with the same checks, and the
    trie keeps reading its characters, payloads and ranking tables there, so that processes
    that load one file share those pages (the resident size of each counts them); the mapping
    goes with the trie. `save` replaces a file rather than
    writing over it, so a mapped index is never changed or cut short under its trie; a file
    that another program truncates meanwhile may stop the process (SIGBUS), as with any
    mapping, where `mmap=False` would refuse it.
    """
    return read_index(path, trie_of, kind=Kind.TRIE, max_bytes=byte_bound(max_bytes),
                      legacy=legacy, mapped=mmap)


def loads(data: bytes | bytearray | memoryview, *, max_bytes: int = DEFAULT_MAX_BYTES,
          legacy: bool = False) -> PrefixSearch:
    """The trie of the bytes of an index file (as `dumps` gives them), with the checks that
    `load` makes. `trie.to_bytes()` is the earliest, headerless format, which has no checksum:
    it loads only with `legacy=True` (or through `from_bytes`), and is otherwise refused with
    an IndexFileError of reason "headerless" that says so."""
    return read_index(data, trie_of, kind=Kind.TRIE, max_bytes=byte_bound(max_bytes),
                      legacy=legacy)


def read_header(path: str | os.PathLike[str]) -> IndexHeader | None:
    """The header of an index file (version, length and CRC-32 of the bytes behind it), or None
    for a file without one: an index of the earlier format, or no index at all. ValueError for
    a cut header or a newer format."""
    header = _read_header(path)
    return None if header is None else IndexHeader(*header[:3])


def is_index_file(path: str | os.PathLike[str]) -> bool:
    """Whether the file begins as an index does, reading at most its first 64 KiB: one with a
    header (valid or not), or one of the earlier format (trie bytes alone). No text file does,
    whatever bytes it holds."""
    with open(path, "rb") as source:
        return looks_like_index(source)


def trie_from_index(data: bytes) -> PrefixSearch:
    """The trie that a pickle holds, as the bytes of an index file, checked as `loads` checks
    them. Its bytes are in memory already: no bound but their own length applies."""
    return loads(data, max_bytes=len(data))


def malformed_trie_from_index(data: bytes) -> PrefixSearch:
    """The trie that a pickle of a trie without the shape check's approval holds, as the
    bytes of an index file: checked against the header and its checksum, but not for shape,
    so that such a trie (which from_internal_data may make) travels to a worker process as
    it is."""
    def unshaped(index: IndexFile) -> PrefixSearch:
        if index.header is None:
            raise IndexFileError("no index header", IndexFileReason.NO_HEADER)
        return trie_of(index, shape=False)

    return read_index(data, unshaped, kind=Kind.TRIE, max_bytes=len(data))


def trie_from_bytes(data: bytes) -> PrefixSearch:
    """The trie of `to_bytes()` output, which pickles made by earlier versions hold; bytes that
    do not decode, or a trie that fails the shape check, raise ValueError."""
    return shaped(_search.decode(data))


def reduce_trie(trie: PrefixSearch) -> tuple[Callable[[bytes], PrefixSearch], tuple[bytes]]:
    """Pickles a trie as the bytes of its index file and the call that rebuilds it from them
    (registered with copyreg): a damaged pickle fails its checksum, and a malformed trie, which
    no index file holds, still round-trips. It is written in the first header's version, which
    every brindlemap since then reads, and without the reversed trie: a pickle is made for
    every task of a pool, and making that here would cost every one of them."""
    data = trie.to_bytes()
    rebuild = trie_from_index if _search.well_formed(trie) else malformed_trie_from_index
    return rebuild, (pack_header(data) + data,)
