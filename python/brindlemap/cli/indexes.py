"""What the command-line tool is given to query: an index written by `build` (of a trie or of
a lexicon), the shipped English lexicon, or a word list built on the fly; and the counts that
`info` shows of an index."""

import contextlib
import os
import stat
from collections.abc import Iterator
from typing import BinaryIO

from brindlemap._brindlemap import PrefixSearch
from brindlemap.cli.streams import UserError
from brindlemap.builder import build
from brindlemap.index_format import DEFAULT_MAX_BYTES, Kind
from brindlemap.index_reader import IndexFile, looks_like_index, read_index, trie_of
from brindlemap.lexicon import Lexicon
from brindlemap.lexicon_file import lexicon_of
from brindlemap.shipped import data_path, english_index
from brindlemap.wordlist import WordListError, entries

# The shipped English lexicon wherever an index is taken, and its frequency file where `build`
# reads one; a file of that name is still reached as ./@english.
ENGLISH = "@english"
# The preset of brindlemap.Costs that each shipped lexicon's check and correct weigh edits by
# (Lexicon.english() says so), so that --max-dist counts plain edits there too.
SHIPPED_COSTS = {ENGLISH: "english"}
# Names that stand for a word list shipped with the package wherever a word list is taken.
SHIPPED_WORD_LISTS = {"@frequent-words": "frequent-words.txt"}

Index = PrefixSearch | Lexicon


def word_list_path(name: str) -> str:
    """`name`, or the path of the shipped file that it stands for."""
    if name == ENGLISH:
        return str(data_path("english.txt"))
    shipped = SHIPPED_WORD_LISTS.get(name)
    return name if shipped is None else str(data_path(shipped))


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


def build_word_list(source: BinaryIO, name: str) -> PrefixSearch:
    try:
        return build(entries(source, name))
    except WordListError as error:
        raise UserError(str(error)) from None
    except (TypeError, ValueError) as error:
        raise UserError(f"{name}: {error}") from None


def _read(source: BinaryIO, path: str, legacy: bool) -> tuple[Index, IndexFile]:
    """The trie or lexicon in the index open at `source`, read once (mapped, as `load` maps
    it, where it is a regular file) and checked as `load` and `Lexicon.load` check it, with
    what was read of it."""
    def take(index: IndexFile) -> tuple[Index, IndexFile]:
        if index.kind is Kind.LEXICON:
            return Lexicon._of(*lexicon_of(index)), index
        return trie_of(index), index

    try:
        return read_index(source, take, max_bytes=DEFAULT_MAX_BYTES, legacy=legacy,
                          name=repr(path), mapped=True)
    except ValueError as error:
        raise UserError(str(error)) from None


def read_index_file(path: str, legacy: bool) -> tuple[Index, IndexFile]:
    """The index file at `path` (the shipped English lexicon's for @english), opened once; a
    file that is not an index is refused as such. Its header, kind and sections come with it,
    for `info`."""
    if path == ENGLISH:
        path = str(english_index())
    with opened(path) as source:
        return _read(source, path, legacy)


def open_index(path: str, legacy: bool) -> Index:
    """The shipped English lexicon for @english, an index written by `build` (of a trie or a
    lexicon), or a word list built on the fly into a trie, the file opened once.

    A regular file that begins as an index does (its header, or trie bytes of the earlier
    headerless format, which load only with `legacy`) is loaded as one; anything else, a pipe
    included, is read as a word list, so that a word list with a stray NUL byte is refused at
    its line.
    """
    if path == ENGLISH:
        return Lexicon.english()
    path = word_list_path(path)
    with opened(path) as source:
        if _is_regular(source) and looks_like_index(source):
            return _read(source, path, legacy)[0]
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
