"""The package's own exceptions, both ValueErrors, so that code written to catch ValueError
keeps working while new code tells the failures apart by type and reason."""

import enum

from brindlemap import _search

__all__ = ["DictionaryFormatError", "DictionaryNotFoundError", "IndexFileError",
           "IndexFileReason", "MalformedTrieError"]


class MalformedTrieError(ValueError):
    """A trie whose arrays are not those of a well-formed tree (from_internal_data or
    from_bytes of foreign data can make one): its own methods answer on it, but search,
    suggest, complete and saving refuse it."""


class IndexFileReason(enum.StrEnum):
    """What is wrong with bytes that are not a valid index."""

    NO_HEADER = "no_header"  # not an index at all
    VERSION = "version"  # a format version or kind of index this brindlemap cannot read
    KIND = "kind"  # an index of another kind: a trie's where a lexicon's was asked for
    TRUNCATED = "truncated"  # shorter than its header says
    TRAILING = "trailing"  # longer than its header says
    TOO_LARGE = "too_large"  # its header announces more than max_bytes
    CHECKSUM = "checksum"  # bytes changed since they were written
    HEADERLESS = "headerless"  # of the earlier format, which loads only when asked for
    ENDS_EARLY = "ends_early"  # trie bytes that end before the trie does
    UNDECODABLE = "undecodable"  # trie bytes that no writer makes
    MALFORMED = "malformed"  # a trie that fails the shape check
    LAYOUT = "layout"  # a lexicon's sections or tables that do not fit together


class IndexFileError(ValueError):
    """Bytes, or a file, that are not a valid index; `reason` (an IndexFileReason) says what
    is wrong, the message says it in words."""

    def __init__(self, message: str, reason: str = IndexFileReason.UNDECODABLE) -> None:
        super().__init__(message)
        self.reason = IndexFileReason(reason)

    def __reduce__(self) -> tuple[type["IndexFileError"], tuple[str, str]]:
        return type(self), (str(self), self.reason)


class DictionaryFormatError(ValueError):
    """A hunspell dictionary (.aff or .dic) with a line its reader cannot make sense of."""


class DictionaryNotFoundError(LookupError):
    """No hunspell dictionary of a language in the folders hunspell searches; `package` names
    the Debian package that installs one."""

    def __init__(self, language: str, package: str, searched: tuple[str, ...]) -> None:
        super().__init__(f"no hunspell dictionary for {language!r} in {', '.join(searched)}: "
                         f"install one (on Debian: apt-get install {package}) or name its "
                         "folder in $DICPATH")
        self.language, self.package, self.searched = language, package, searched

    def __reduce__(self) -> tuple[type["DictionaryNotFoundError"],
                                  tuple[str, str, tuple[str, ...]]]:
        return type(self), (self.language, self.package, self.searched)


# The native code raises these types with these reasons: handed over once, by name, so that a
# reason it names and this module lacks fails here, at import.
_search.register_errors(MalformedTrieError, IndexFileError,
                        tuple(IndexFileReason(name) for name in _search.INDEX_REASONS))
