"""Finding the system's hunspell dictionary of a language, and keeping the lexicon built of
it in the user's cache folder, so that only the first call ever builds it.

The folders searched are hunspell's own: those of $DICPATH, then ~/.local/share/hunspell,
/usr/local/share/hunspell, /usr/share/hunspell (where Debian's hunspell-* packages install),
and the older myspell folders; the first folder that has one wins. For "fr" the file fr.dic
is taken, else fr_FR.dic, else the first fr_*.dic by name; "de_CH" names its file.

The cache ($XDG_CACHE_HOME/brindlemap, by default ~/.cache/brindlemap) holds, for each
dictionary, the index of its lexicon (NAME-KEY.lexicon), that of its compound parts
(NAME-KEY.parts, where it has compounds) and what else opening them needs (NAME-KEY.json: the
language, the compound rules). KEY changes with the dictionary's files, this package's
version and whether wordfreq gave the counts, so a changed dictionary is built anew; files of
older keys may be deleted at any time.
"""

from __future__ import annotations

import glob
import hashlib
import importlib.metadata
import json
import os
from typing import TYPE_CHECKING

from brindlemap.compounds import Compounds
from brindlemap.errors import DictionaryNotFoundError, IndexFileError
from brindlemap.hunspell import read_dictionary
from brindlemap.hunspell_lexicon import counter, lexicon_of
from brindlemap.languages import language_code, profile, speaking

if TYPE_CHECKING:
    from brindlemap.lexicon import Lexicon

__all__ = ["cache_folder", "dictionary_path", "for_language"]

# Changes whenever what is read from a dictionary changes, or how a lexicon is written (2: its
# reversed trie inside, its spellings counted in bytes), so that older caches are not used.
READER_VERSION = 2
_FOLDERS = ("~/.local/share/hunspell", "/usr/local/share/hunspell", "/usr/share/hunspell",
            "/usr/local/share/myspell", "/usr/share/myspell", "/usr/share/myspell/dicts")
_opened: dict[str, Lexicon] = {}  # by dictionary path: a second call in a process is free


def search_folders() -> tuple[str, ...]:
    """The folders searched for dictionaries, in order."""
    named = [folder for folder in os.environ.get("DICPATH", "").split(os.pathsep) if folder]
    return tuple(os.path.expanduser(folder) for folder in (*named, *_FOLDERS))


def dictionary_path(language: str) -> str:
    """The .dic file of `language`; DictionaryNotFoundError naming the Debian package that
    installs one."""
    name = language.replace("-", "_")
    code = language_code(name)
    wanted = [name] if "_" in name else [code, f"{code}_{code.upper()}"]
    folders = search_folders()
    for folder in folders:  # an earlier folder wins, as $DICPATH does in hunspell
        candidates = [os.path.join(folder, f"{stem}.dic") for stem in wanted]
        if "_" not in name:
            candidates += sorted(glob.glob(os.path.join(glob.escape(folder), f"{code}_*.dic")))
        for path in candidates:
            if os.path.isfile(path) and os.path.isfile(path[:-4] + ".aff"):
                return path
    package = profile(code).debian or f"hunspell-{code}"
    if "_" in name and package.count("-") == 2:  # Debian names these by region: -de-ch, -pt-br
        package = f"hunspell-{code}-{name.split('_')[1].lower()}"
    raise DictionaryNotFoundError(language, package, folders)


def cache_folder() -> str:
    """Where built lexicons are kept."""
    base = os.environ.get("XDG_CACHE_HOME") or os.path.join(os.path.expanduser("~"), ".cache")
    return os.path.join(base, "brindlemap")


def _version() -> str:
    try:
        return importlib.metadata.version("brindlemap")
    except importlib.metadata.PackageNotFoundError:
        return "unknown"


def _counts_source() -> str:
    try:
        return f"wordfreq {importlib.metadata.version('wordfreq')}"
    except importlib.metadata.PackageNotFoundError:
        return "none"


def _cache_stem(dic: str) -> str:
    """The cache files' path without extension: the dictionary's name and a key of what it was
    built from."""
    facts = [os.path.realpath(dic), _version(), str(READER_VERSION), _counts_source()]
    for path in (dic, dic[:-4] + ".aff"):
        status = os.stat(path)
        facts += [str(status.st_size), str(status.st_mtime_ns)]
    key = hashlib.sha256("\0".join(facts).encode("utf-8", "surrogateescape")).hexdigest()[:16]
    return os.path.join(cache_folder(), f"{os.path.basename(dic)[:-4]}-{key}")


def _opened_from_cache(cls: type[Lexicon], stem: str) -> Lexicon | None:
    try:
        with open(stem + ".json", encoding="utf-8") as file:
            facts = json.load(file)
        lexicon = cls.load(stem + ".lexicon")
        if facts.get("parts"):
            lexicon._compounds = Compounds(cls.load(stem + ".parts"), int(facts["minimum"]),
                                           bool(facts["check_case"]))
        return speaking(lexicon, str(facts["language"]))
    except (OSError, ValueError, KeyError, TypeError, IndexFileError):
        return None  # none yet, or one a crash or another version left: built anew


def _kept(lexicon: Lexicon, stem: str, language: str) -> None:
    """Writes the cache files of `lexicon`, the description last, so that a cache is used only
    once whole; a cache that cannot be written is left unwritten."""
    compounds = lexicon._compounds
    try:
        os.makedirs(os.path.dirname(stem), exist_ok=True)
        lexicon.save(stem + ".lexicon")
        if compounds is not None:
            compounds.parts.save(stem + ".parts")
        facts = {"language": language, "parts": compounds is not None,
                 "minimum": compounds.minimum if compounds else 0,
                 "check_case": compounds.check_case if compounds else False}
        temporary = f"{stem}.json.{os.getpid()}"
        with open(temporary, "w", encoding="utf-8") as file:
            json.dump(facts, file)
        os.replace(temporary, stem + ".json")
    except OSError:
        pass


def for_language(cls: type[Lexicon], language: str) -> Lexicon:
    """`Lexicon.for_language`."""
    dic = dictionary_path(language)
    if dic in _opened:
        return _opened[dic]
    stem = _cache_stem(dic)
    lexicon = _opened_from_cache(cls, stem)
    if lexicon is None:
        code = language_code(language)
        lexicon = lexicon_of(cls, read_dictionary(dic), counter("wordfreq", code), code, "case")
        _kept(lexicon, stem, code)
    _opened[dic] = lexicon
    return lexicon
