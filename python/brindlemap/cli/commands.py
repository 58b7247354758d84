"""The command line's parser, its commands and `main`, which turns every failure into one
line on standard error."""

import argparse
import importlib.metadata
import inspect
import itertools
import json
import os
import sys
import re
import time
from argparse import Namespace
from collections.abc import Callable, Iterator, Sequence
from typing import Any, NoReturn

from brindlemap._brindlemap import PrefixSearch
from brindlemap.cli.encodings import DEFAULT_ENCODING, Encoding, Writer
from brindlemap.cli.indexes import (ENGLISH, SHIPPED_COSTS, Index, build_word_list,
                                   count_nodes_and_words, open_index, opened, read_index_file,
                                   word_list_path)
from brindlemap.cli.streams import (ReadyAwareInput, UserError, end_after_closed_pipe,
                                occupy_closed_descriptors, progress, say, tsv_field, write,
                                write_bytes)
from brindlemap.cli.texts import (EXTENSION_FORMATS, STDIN_NAME, Chunk, Places, Unchecked,
                                  text_format, text_name, text_parts)
from brindlemap.cli.user_words import with_user_words
from brindlemap._failures import is_panic
from brindlemap._types import MAX_ANSWERS, MAX_DISTANCE
from brindlemap.costs import PRESETS, Costs
from brindlemap.errors import DictionaryFormatError, DictionaryNotFoundError
from brindlemap.files import save
from brindlemap.folding import FOLDS
from brindlemap.formats import FORMATS
from brindlemap.index_reader import IndexFile
from brindlemap.languages import accent_costs
from brindlemap.lexicon import Lexicon, Suggestion
from brindlemap.proofreading import Misspelling
from brindlemap.queries import (COMPLETION_EDITS, DEFAULT_RANK, METRICS, RANKED_EDITS,
                                RANKED_METRIC, RANKS, SUGGESTIONS, UNRANKED_EDITS,
                                UNRANKED_METRIC, Metric, complete, in_units, search_many)
from brindlemap.wordlist import MAX_LINE_BYTES, WordListError, entries, lines, parse_unsigned

EXIT_USAGE = 2
EXIT_INTERRUPTED = 130
# Queries read from standard input are answered this many at a time: memory stays bounded
# while each batch still spreads over every core.
BATCH = 4096
# Each query's matches, as (word, payload or count, distance), for each query of a batch.
Answers = Sequence[Sequence[tuple[str, int, int]]]
QueryAll = Callable[[Any, list[str]], Answers]
# How the command line names each fold.
FOLD_NAMES = {str(fold).lower(): fold for fold in FOLDS}
# Exit status of check when the text holds words the lexicon does not know, as linters do, or
# parts it could not check; and of correct when it wrote parts of the text unchecked.
EXIT_UNKNOWN_WORDS = 1
EXIT_UNCHECKED = 1
# The lines of a chunk, each with its line break.
_LINES = re.compile(r"[^\r\n]*+(?:\r\n|\r|\n)|[^\r\n]++")
# How many words `build --wordfreq` takes unless told.
WORDFREQ_WORDS: int = inspect.signature(Lexicon.from_wordfreq).parameters["n"].default
# How many suggestions check gives a word unless told.
CHECK_SUGGESTIONS: int = inspect.signature(Lexicon.check).parameters["k"].default


class _Parser(argparse.ArgumentParser):
    def error(self, message: str) -> NoReturn:
        raise UserError(message)

    def _print_message(self, message: str, file: Any = None) -> None:
        # Help and version go through the same careful output as results do.
        if message:
            say(message.rstrip("\n")) if file is sys.stderr else write(message)


class _CommandParser(_Parser):
    """A subcommand whose options may stand anywhere among its words (`suggest words.idx
    --k 1 -`): the words are gathered after the options, one subcommand at a time, since the
    parser above them has subcommands, which an intermixed parse cannot take."""

    _intermixing = False

    def parse_known_args(  # type: ignore[override]
            self, args: Sequence[str] | None = None,
            namespace: argparse.Namespace | None = None) -> tuple[argparse.Namespace, list[str]]:
        if self._intermixing:  # the two passes that the intermixed parse makes
            return super().parse_known_args(args, namespace)
        self._intermixing = True
        try:
            return self.parse_known_intermixed_args(args, namespace)
        finally:
            self._intermixing = False


def _version() -> str:
    try:
        return importlib.metadata.version("brindlemap")
    except importlib.metadata.PackageNotFoundError:  # run from a source tree
        return "unknown"


def _build_lexicon(args: Namespace) -> Lexicon:
    path = word_list_path(args.wordlist)
    fold = FOLD_NAMES[args.fold or "case"]
    try:
        if args.counts or args.wordlist == ENGLISH:
            return Lexicon.from_file(path, fold=fold)
        with opened(path) as source:
            return Lexicon((word for word, _ in entries(source, path)), fold=fold)
    except OSError as error:
        raise UserError(f"cannot read {path!r}: {error.strerror or error}") from None
    except (TypeError, ValueError) as error:
        raise UserError(str(error)) from None


def _wordfreq_lexicon(args: Namespace) -> Lexicon:
    if args.wordlist is not None or args.counts:
        raise UserError("--wordfreq reads the words of a language: give no word list and no "
                        "--counts with it")
    try:
        return Lexicon.from_wordfreq(args.wordfreq, n=args.n, fold=FOLD_NAMES[args.fold or "case"])
    except ImportError as error:
        raise UserError(str(error)) from None
    except LookupError as error:  # a language wordfreq has no list of
        raise UserError(f"--wordfreq {args.wordfreq}: {error.args[0] if error.args else error}"
                        ) from None


def _hunspell_lexicon(args: Namespace) -> Lexicon:
    if args.wordlist is not None or args.counts or args.wordfreq is not None:
        raise UserError("--hunspell reads a dictionary's words: give no word list, --counts "
                        "or --wordfreq with it")
    try:
        return Lexicon.from_hunspell(args.hunspell, fold=FOLD_NAMES[args.fold or "case"])
    except OSError as error:
        raise UserError(f"cannot read {error.filename or args.hunspell!r}: "
                        f"{error.strerror or error}") from None
    except DictionaryFormatError as error:
        raise UserError(str(error)) from None


def language_lexicon(language: str) -> Lexicon:
    """The lexicon of --language: the system's hunspell dictionary, built once and cached."""
    try:
        return Lexicon.for_language(language)
    except DictionaryNotFoundError as error:
        raise UserError(str(error)) from None
    except OSError as error:
        raise UserError(f"cannot read the dictionary of {language!r}: "
                        f"{error.strerror or error}") from None
    except DictionaryFormatError as error:
        raise UserError(str(error)) from None


def _language_metric(args: Namespace, lexicon: Lexicon) -> None:
    """An accented language's metric (languages.accent_costs) where none was asked for."""
    if args.metric is None and lexicon.language.accented:
        args.metric = accent_costs()


def _bound(args: Namespace, metric: Metric | Costs | None, edits: int) -> int:
    """--max-dist, which counts plain edits, as the max_dist of a query under `metric`;
    `edits` plain edits, the query's own default, where it was not given."""
    return in_units(edits if args.max_dist is None else args.max_dist, metric)


def _lexicon_bound(args: Namespace, lexicon: Lexicon, edits: int, text: bool = False) -> int:
    """`_bound` under the metric the lexicon's query weighs edits by: --metric or --costs, or
    else its own (for a `text` query, the one check and correct use)."""
    own = lexicon.text_metric if text else lexicon.metric
    return _bound(args, own if args.metric is None else args.metric, edits)


def command_build(args: Namespace) -> None:
    started = time.monotonic()
    built: Index
    if args.hunspell is not None:
        built = _hunspell_lexicon(args)
    elif args.wordfreq is not None:
        built = _wordfreq_lexicon(args)
    elif args.wordlist is None:
        raise UserError("give a word list, --wordfreq LANG or --hunspell DIC")
    elif args.counts or args.fold is not None or args.wordlist == ENGLISH:
        built = _build_lexicon(args)
    else:
        path = word_list_path(args.wordlist)
        with opened(path) as source:
            built = build_word_list(source, path)
    try:
        built.save(args.output) if isinstance(built, Lexicon) else save(built, args.output)
        size = os.path.getsize(args.output)
    except OSError as error:
        raise UserError(f"cannot write {args.output!r}: {error.strerror or error}") from None
    progress(f"wrote {args.output}: {size} bytes in {time.monotonic() - started:.1f} s\n")


def _checked_word(word: str) -> str:
    try:
        word.encode("utf-8")
    except UnicodeEncodeError:  # argv bytes that were not UTF-8, kept as lone surrogates
        raise UserError(f"the word {os.fsencode(word)!r} is not UTF-8 text") from None
    return word


def _stdin_batches() -> Iterator[list[str]]:
    """The words of standard input, one a line with its surrounding whitespace stripped and
    blank lines skipped, a batch at a time. A batch ends at BATCH words, or sooner when no
    further line has arrived yet: a program that writes one word and waits for its answer gets
    it, and a file or a fast writer still fills whole batches."""
    if sys.stdin is None:
        return
    source = ReadyAwareInput(sys.stdin.fileno())
    batch: list[str] = []
    try:
        for line in lines(source, STDIN_NAME):
            word = line.strip()
            if word:
                batch.append(word)
            if batch and (len(batch) >= BATCH or not source.line_ready()):
                yield batch
                batch = []
    except WordListError as error:
        raise UserError(str(error)) from None
    if batch:
        yield batch


def _given_words(args: Namespace) -> list[str]:
    """The words given, checked at once before any answer, with "-" standing for the lines of
    standard input; with no words at all, standard input unless it is a terminal."""
    given = [_checked_word(word) for word in args.words]
    if not given:
        if sys.stdin is not None and sys.stdin.isatty():
            raise UserError("no words given: name them, or give - to read them from "
                            "standard input")
        given = ["-"]
    return given


def _batched(given: list[str]) -> Iterator[list[str]]:
    """The words to answer, in order and in batches: the words given as they are, each run of
    them one batch, and standard input's where "-" stands."""
    for dash, run in itertools.groupby(given, lambda word: word == "-"):
        if dash:
            yield from _stdin_batches()  # a second "-" finds it read to the end
        else:
            yield list(run)


def _json_objects(words: list[str], answers: Answers, number: str) -> list[str]:
    return [json.dumps({"query": word, "matches": [
        {"word": w, number: p, "distance": d} for w, p, d in found]}, ensure_ascii=False)
        for word, found in zip(words, answers)]


def _tsv_rows(words: list[str], answers: Answers) -> str:
    """One row per match, or for a word without any one row with empty match fields, so that
    the output keeps step with its input."""
    rows: list[str] = []
    for word, matches in zip(words, answers):
        query = tsv_field(word)
        if not matches:
            rows.append(f"{query}\t\t\t\n")
        rows.extend(f"{query}\t{tsv_field(found)}\t{distance}\t{payload}\n"
                    for found, payload, distance in matches)
    return "".join(rows)


def _answered(args: Namespace, query_all: QueryAll, index: Index,
              words: list[str]) -> Answers:
    try:
        return query_all(index, words)
    except ValueError as error:  # an index whose arrays are no well-formed trie
        raise UserError(f"{args.index}: {error}") from None
    except BaseException as error:
        if not is_panic(error):
            raise
        raise UserError(f"{args.index}: {error.args[0] if error.args else error}") from None


def _answer(args: Namespace, query_trie: QueryAll, query_lexicon: QueryAll) -> None:
    """Answers the words with `query_trie(trie, words)`, or `query_lexicon(lexicon, words)`
    for a lexicon index, a batch at a time, printing as it goes.

    Words read from standard input are answered as they come, so their JSON is one object a
    line (JSON Lines), each line whole, and a run that a bad line or Ctrl-C ends midway leaves
    only complete lines. Words given as arguments make one batch and one JSON array.
    """
    language = getattr(args, "language", None)
    if language is not None and args.index is not None:
        args.words.insert(0, args.index)  # with --language, every name is a word
    elif args.index is None:
        raise UserError("give an index or a word list, or --language LANG")
    given = _given_words(args)
    streamed = "-" in given
    index: Index
    if language:
        index = language_lexicon(language)
        _language_metric(args, index)
    else:
        index = open_index(args.index, args.legacy)
    lexicon = isinstance(index, Lexicon)
    if lexicon and args.rank is not None:
        raise UserError("a lexicon ranks its words by their counts: --rank is for tries")
    if getattr(args, "user_words", None):
        if not isinstance(index, Lexicon):
            raise UserError(f"{args.index}: --words adds words to a lexicon, and this is the "
                            "index of a trie")
        index = with_user_words(index, args.user_words)
    query_all = query_lexicon if lexicon else query_trie
    number = "count" if lexicon else "payload"
    objects: list[str] = []
    for batch in _batched(given):
        answers = _answered(args, query_all, index, batch)
        if not args.json:
            write(_tsv_rows(batch, answers))
        elif streamed:
            write("".join(f"{line}\n" for line in _json_objects(batch, answers, number)))
        else:
            objects += _json_objects(batch, answers, number)
    if args.json and not streamed:
        write(f"[{', '.join(objects)}]\n")


def command_query(args: Namespace) -> None:
    if args.limit is not None and args.rank is not None:
        raise UserError("--limit cuts the traversal order, which --rank does not apply to; "
                        "give --best K to rank")
    def query_lexicon(lexicon: Lexicon, words: list[str]) -> Answers:
        if args.limit is not None:
            raise UserError("a lexicon answers best first: --limit cuts a trie's traversal "
                            "order; give --best K")
        if args.best is not None:
            metric = args.metric or RANKED_METRIC
            return lexicon.lookup_many(words, _bound(args, metric, RANKED_EDITS), args.best,
                                       metric=metric)
        metric = args.metric or UNRANKED_METRIC
        bound = _bound(args, metric, UNRANKED_EDITS)
        return [lexicon.search(word, bound, metric=metric) for word in words]

    # The words are walked on native threads, all cores at once.
    _answer(args, lambda trie, words: search_many(
        trie, words, _bound(args, args.metric, UNRANKED_EDITS), metric=args.metric,
        limit=args.limit, k=args.best, rank=args.rank or DEFAULT_RANK), query_lexicon)


def command_suggest(args: Namespace) -> None:
    metric = args.metric or RANKED_METRIC
    _answer(args, lambda trie, words: search_many(
        trie, words, _bound(args, metric, RANKED_EDITS), metric=metric, k=args.k,
        rank=args.rank or DEFAULT_RANK),
        lambda lexicon, words: lexicon.lookup_many(
            words, _lexicon_bound(args, lexicon, RANKED_EDITS), args.k, metric=args.metric))


def command_complete(args: Namespace) -> None:
    metric = args.metric or RANKED_METRIC
    _answer(args, lambda trie, words: [
        complete(trie, word, _bound(args, metric, COMPLETION_EDITS), args.k, metric=metric,
                 rank=args.rank or DEFAULT_RANK) for word in words],
        lambda lexicon, words: [lexicon.complete(
            word, _lexicon_bound(args, lexicon, COMPLETION_EDITS), args.k, metric=args.metric)
            for word in words])


def _text_lexicon(args: Namespace) -> tuple[Lexicon, str]:
    """The lexicon that `check` and `correct` use, with the user's words, and the text they
    read: [INDEX] FILE, or standard input where no FILE is given and it is no terminal."""
    if len(args.paths) > 2:
        raise UserError(f"give at most an index and a text, not {len(args.paths)} paths")
    if not args.paths:
        if sys.stdin is not None and sys.stdin.isatty():
            raise UserError("no text given: name its FILE, or give - to read it from standard "
                            "input")
        args.paths = ["-"]
    *named, text = args.paths
    if args.language is not None:
        if named:
            raise UserError("--language names the lexicon: give only the text")
        if args.format is None:
            args.format = "text" if text == "-" else text_format(text)
        lexicon = language_lexicon(args.language)
        _language_metric(args, lexicon)
        return with_user_words(lexicon, args.user_words), text
    index_path = named[0] if named else ENGLISH
    index = open_index(index_path, legacy=False)
    if args.costs is None and index_path in SHIPPED_COSTS:
        args.costs = SHIPPED_COSTS[index_path]
        _weighed(args)
    if not isinstance(index, Lexicon):
        raise UserError(f"{named[0]}: a trie (a word list, or an index of one), which holds "
                        "no counts to rank suggestions by: build a lexicon with `brindlemap "
                        "build --counts` (or --fold for a plain word list)")
    if args.format is None:
        args.format = "text" if text == "-" else text_format(text)
    return with_user_words(index, args.user_words), text


# What check adds to the suggestions of a word that correct leaves as written.
UNSURE = " (left as written)"


def _misspelling_line(name: str, place: tuple[int, int], found: Misspelling) -> str:
    guesses = ", ".join(tsv_field(s.word) for s in found.suggestions)
    if guesses:
        guesses = f" -> {guesses}{UNSURE if found.fix is None else ''}"
    return f"{name}:{place[0]}:{place[1]}: {tsv_field(found.word)}{guesses}\n"


def command_check(args: Namespace) -> int:
    lexicon, path = _text_lexicon(args)
    name = text_name(path)
    encoding = Encoding(args.encoding)
    unchecked = Unchecked(name, encoding)
    unknown = 0
    bound = _lexicon_bound(args, lexicon, RANKED_EDITS, text=True)
    for part in text_parts(path, encoding, args.format != "text"):
        unchecked.of(part)
        if not isinstance(part, Chunk):
            continue
        where = Places(part)
        found = lexicon.check(part.text, bound, args.k, metric=args.metric,
                              format=args.format, real_words=args.real_words)
        unknown += len(found)
        if args.json:
            write("".join(json.dumps(
                {"file": name, "line": line, "column": column, "word": m.word,
                 "suggestions": [s._asdict() for s in m.suggestions], "fix": m.fix},
                ensure_ascii=False)
                + "\n" for m in found for line, column in [where(m.start)]))
        else:
            write("".join(_misspelling_line(name, where(m.start), m) for m in found))
    unchecked.close()
    return EXIT_UNKNOWN_WORDS if unknown or unchecked.count else 0


def command_correct(args: Namespace) -> int:
    lexicon, path = _text_lexicon(args)
    encoding = Encoding(args.encoding)
    unchecked = Unchecked(text_name(path), encoding)
    writer: Writer | None = None  # made once the text has told its byte order
    bound = _lexicon_bound(args, lexicon, RANKED_EDITS, text=True)
    for part in text_parts(path, encoding, args.format != "text"):
        unchecked.of(part)
        writer = writer or encoding.writer()
        if isinstance(part, Chunk):
            corrected = lexicon.correct(part.text, bound,
                                        metric=args.metric, format=args.format)
            write_bytes(_written_back(writer, part, corrected, unchecked))
        else:
            write_bytes(writer.raw(part.data))
    unchecked.close()
    return EXIT_UNCHECKED if unchecked.count else 0


def _written_back(writer: Writer, chunk: Chunk, corrected: str, unchecked: Unchecked) -> bytes:
    """`corrected` in the text's encoding; a line whose corrections it cannot write (a word
    with a letter Latin-1 lacks) is written as it was, and said to be left unchecked."""
    try:
        return writer.text(corrected)
    except UnicodeEncodeError:
        pass
    # Corrections change words only, never a line break: the lines correspond one to one.
    written = []
    for number, (was, now) in enumerate(zip(_LINES.findall(chunk.text),
                                            _LINES.findall(corrected)), chunk.first_line):
        try:
            written.append(writer.text(now))
        except UnicodeEncodeError:
            unchecked.cannot_write(number)
            written.append(writer.text(was))
    return b"".join(written)


def _lexicon_info(lexicon: Lexicon, read: IndexFile) -> None:
    assert read.header is not None  # a lexicon is read only through its header
    fold = next(name for name, fold in FOLD_NAMES.items() if fold == lexicon.fold)
    write(f"kind\tlexicon\nwords\t{len(lexicon)}\nkeys\t{lexicon.keys}\nfold\t{fold}\n"
          f"bytes\t{read.header.size + read.header.length}\n{_header_lines(read)}")


def _header_lines(read: IndexFile) -> str:
    assert read.header is not None
    return (f"format\t{read.header.version}\nlength\t{read.header.length}\n"
            f"crc32\t{read.header.crc:08x}\n")


def command_info(args: Namespace) -> None:
    index, read = read_index_file(args.index, args.legacy)
    if isinstance(index, Lexicon):
        return _lexicon_info(index, read)
    size = len(index.to_bytes())
    try:
        # A tree lists each node but the root once, in fewer entries than its bytes.
        nodes, words = count_nodes_and_words(index, size)
    except ValueError as error:
        raise UserError(f"{args.index!r} holds a malformed trie ({error})") from None
    except BaseException as error:
        if not is_panic(error):
            raise
        raise UserError(f"{args.index!r} holds a malformed trie ({error.args[0]})") from None
    if read.header is None:
        write(f"nodes\t{nodes}\nwords\t{words}\nbytes\t{size}\nformat\theaderless\n")
    else:
        write(f"nodes\t{nodes}\nwords\t{words}\nbytes\t{read.header.size + read.header.length}"
              f"\n{_header_lines(read)}")


def _unsigned(maximum: int) -> Callable[[str], int]:
    def parse(text: str) -> int:
        value = parse_unsigned(text, maximum)
        if value is None:
            if text.isascii() and text.isdigit():
                raise argparse.ArgumentTypeError(f"{text!r} is larger than {maximum}")
            raise argparse.ArgumentTypeError(f"{text!r} is not a non-negative integer")
        return value
    return parse


def _costs_option(command: argparse._ActionsContainer, default: str = "unweighted") -> None:
    command.add_argument("--costs", choices=list(PRESETS), default=None, metavar="PRESET",
                         help="weigh the edits by a preset of brindlemap.Costs: "
                              f"{', '.join(PRESETS)} (english: QWERTY slips, letters left "
                              "out, doubled or swapped, and accents cost less than other "
                              "edits; keyboard: QWERTY slips); --max-dist still counts plain "
                              f"edits, scaled by the preset's unit (default: {default})")


def _weighed(args: Namespace) -> None:
    """With --costs, the preset as the metric."""
    if getattr(args, "costs", None) is not None:
        args.metric = PRESETS[args.costs]()


def _max_dist_option(command: argparse.ArgumentParser, what: str, edits: int) -> None:
    command.add_argument("--max-dist", type=_unsigned(MAX_DISTANCE), default=None,
                         help=f"the largest distance of a {what}, in plain edits, whatever the "
                              f"metric (default: {edits})")


def _extensions() -> str:
    return ", ".join(f"{extension} {format}" for extension, format in EXTENSION_FORMATS.items())


def _legacy_option(command: argparse.ArgumentParser) -> None:
    command.add_argument("--legacy", action="store_true",
                         help="also load an index of the earlier format, without a header or "
                              "checksum (default: refused)")


def _words_option(command: argparse.ArgumentParser) -> None:
    command.add_argument("--words", metavar="FILE", action="append", default=[],
                         dest="user_words",
                         help="words the lexicon should know too, which are never flagged or "
                              "changed (and may be suggested): one a line, optionally followed "
                              "by its count (default 1); # starts a comment at the start of a "
                              "line or after a space; may be given more than once (default: "
                              "none)")


def _language_option(command: argparse.ArgumentParser) -> None:
    command.add_argument("--language", metavar="LANG", default=None,
                         help="use the system's hunspell dictionary of LANG (fr, de, es_MX...) "
                              "with wordfreq's counts and the language's own rules (French "
                              "elisions, say), built on first use and then opened from "
                              "$XDG_CACHE_HOME/brindlemap; with it, no index is named "
                              "(default: none)")


def parser() -> argparse.ArgumentParser:
    top = _Parser(prog="brindlemap", description="Approximate word lookup over a trie index.")
    top.add_argument("--version", action="version", version=f"%(prog)s {_version()}")
    commands = top.add_subparsers(dest="command", required=True, parser_class=_CommandParser)

    make = commands.add_parser(
        "build", help="build an index from a word list, or a lexicon from a frequency file",
        description="Build a trie index from a word list, or with --counts or --fold a lexicon: "
                    "words with their counts, looked up past case (and accents), which check "
                    "and correct use.")
    make.add_argument("wordlist", nargs="?", default=None,
                      help="one word per line, optionally a tab and a payload; with "
                      "--counts a word and its count per line; @english for the English "
                      "lexicon's frequency file, @frequent-words for the 30,000 commonest "
                      "English words, commonest first")
    make.add_argument("-o", "--output", required=True, help="the index file to write")
    make.add_argument("--counts", action="store_true",
                      help="read \"word count\" lines and build a lexicon (default: a word "
                           "list of words and payloads, built into a trie)")
    make.add_argument("--wordfreq", metavar="LANG", default=None,
                      help="build the lexicon of a language's commonest words in the lists of "
                           "the wordfreq package (a code such as fr or de), each counted as its "
                           "frequency per billion words, instead of reading a word list "
                           "(default: none)")
    make.add_argument("--hunspell", metavar="DIC", default=None,
                      help="build the lexicon of a hunspell dictionary: every form the words "
                           "of DIC take with the affixes of the .aff beside it, each counted "
                           "as its frequency per billion words in wordfreq where installed "
                           "(compounds are known only through --language, whose cache keeps "
                           "them) (default: none)")
    make.add_argument("--n", type=_unsigned(MAX_ANSWERS), default=WORDFREQ_WORDS,
                      help="how many words --wordfreq takes (default: %(default)s)")
    make.add_argument("--fold", choices=list(FOLD_NAMES), default=None,
                      help="build a lexicon that folds case, case and accents, or nothing "
                           "(default: case; a plain word list then counts each word once)")
    make.set_defaults(run=command_build)

    def query_command(name: str, run: Callable[[Namespace], None], help: str, words: str,
                      max_dist: int, metric: Metric | None) -> argparse.ArgumentParser:
        command = commands.add_parser(name, help=help, description=help[0].upper() + help[1:] +
                                      ". With no words, or - among them, the words are read "
                                      "from standard input, one a line (blank lines skipped, "
                                      "surrounding whitespace stripped); options may stand "
                                      "anywhere among the words.")
        command.add_argument("index", metavar="INDEX_OR_WORDLIST", nargs="?", default=None,
                             help="an index written by build (of a trie or a lexicon, whose "
                                  "answers give counts where a trie's give payloads), or a word "
                                  "list; @english for the English lexicon that ships with the "
                                  "package, @frequent-words for its 30,000 commonest words")
        _legacy_option(command)
        command.add_argument("words", metavar=words, nargs="*", default=[])
        _max_dist_option(command, "match", max_dist)
        metrics = command.add_mutually_exclusive_group()
        # Left unset, a lexicon's queries weigh edits its own way (accent_costs() for an
        # accented language) and a trie's as `metric` says.
        metrics.add_argument("--metric", choices=list(METRICS), default=None,
                             help="osa also counts swapping two adjacent characters as one edit "
                                  f"(default: {metric or UNRANKED_METRIC}"
                                  f"{'' if metric else f', or {RANKED_METRIC} with --best'})")
        _costs_option(metrics)
        command.add_argument("--rank", choices=list(RANKS), default=None,
                             help="what orders matches at one distance: the smaller payload "
                                  f"(a frequency rank) or the word (default: {DEFAULT_RANK})")
        command.add_argument("--json", action="store_true",
                             help="print the results as JSON: one array, or one object a line "
                                  "(JSON Lines) for words read from standard input (default: "
                                  "tab-separated rows)")
        command.set_defaults(run=run)
        return command

    # query's metric follows search_many's: that of search, or with --best that of suggest.
    query = query_command("query", command_query, "every word within a distance, in traversal "
                          "order", "WORD", UNRANKED_EDITS, None)
    # A limit cuts the traversal order; ranked answers have their own count.
    either = query.add_mutually_exclusive_group()
    either.add_argument("--limit", type=_unsigned(MAX_ANSWERS), default=None,
                        help="at most this many matches per word, in traversal order "
                             "(default: all of them)")
    either.add_argument("--best", type=_unsigned(MAX_ANSWERS), default=None, metavar="K",
                        help="the K best matches per word instead, as suggest gives them "
                             "(default: unranked)")
    for name, run, help, words, max_dist in [
            ("suggest", command_suggest, "the best words within a distance", "WORD",
             RANKED_EDITS),
            ("complete", command_complete, "the best words that begin with something within a "
             "distance of what was typed", "TYPED", COMPLETION_EDITS)]:
        command = query_command(name, run, help, words, max_dist, RANKED_METRIC)
        _words_option(command)
        _language_option(command)
        command.add_argument("-k", "--k", type=_unsigned(MAX_ANSWERS), default=SUGGESTIONS,
                             help="how many words per query (default: %(default)s)")

    text_commands: list[tuple[str, Callable[[Namespace], int | None], str]] = [
            ("check", command_check, "list the words of a text that a lexicon does not know, "
             "each as FILE:LINE:COLUMN: WORD -> SUGGESTIONS, the first the fix that correct "
             "makes, or followed by" + UNSURE + " where correct is not sure; exit status 1 if "
             "there are any, or if some of the text could not be checked"),
            ("correct", command_correct, "write the text with each unknown word that the "
             "lexicon is sure of replaced by its fix, in the word's casing; exit status 1 if "
             "some of the text could not be checked (it is written as it was)")]
    for name, text_run, help in text_commands:
        command = commands.add_parser(name, help=help, description=help[0].upper() + help[1:] +
                                      ". Numbers, links, paths, e-mail addresses and code are "
                                      "left alone, contractions and possessives known by their "
                                      "stems. Bytes that do not decode, and lines longer than "
                                      f"{MAX_LINE_BYTES} bytes, are left unchecked, each place "
                                      "named on standard error.")
        command.add_argument("paths", metavar="[INDEX] FILE", nargs="*",
                             help="a lexicon index written by build --counts or --fold "
                                  "(@english, the English lexicon that ships with the "
                                  "package, unless one is named), then the text, or - for "
                                  "standard input (read too where no FILE is given and it is "
                                  "no terminal)")
        command.add_argument("--format", choices=FORMATS, default=None,
                             help="what the text is: in markdown, code, link targets and HTML "
                                  "are left alone; in html, tags, attributes, entities and the "
                                  "content of code, pre, script, style and textarea (default: "
                                  f"by the file's extension, {_extensions()}; else text)")
        command.add_argument("--encoding", default=DEFAULT_ENCODING, metavar="ENC",
                             help="the text's encoding, which correct writes it back in; bytes "
                                  "that do not decode pass through unchanged (default: "
                                  "%(default)s)")
        _words_option(command)
        _language_option(command)
        _max_dist_option(command, "suggestion", RANKED_EDITS)
        shipped = ", ".join(f"{preset} for {name}" for name, preset in SHIPPED_COSTS.items())
        _costs_option(command, f"the lexicon's own: {shipped}, else unweighted")
        command.set_defaults(metric=None)
        if name == "check":
            command.add_argument("-k", "--k", type=_unsigned(MAX_ANSWERS),
                                 default=CHECK_SUGGESTIONS,
                                 help="suggestions per word (default: %(default)s)")
            command.add_argument("--json", action="store_true",
                                 help="one JSON object a line for each unknown word "
                                      "(default: FILE:LINE:COLUMN: WORD -> SUGGESTIONS lines)")
            command.add_argument("--real-words", action="store_true",
                                 help="also known words that a word one edit away, or one "
                                      "writers confuse with them (their, there), would suit "
                                      "far better between their neighbours; correct leaves "
                                      "them as written (default: unknown words only)")
        command.set_defaults(run=text_run)

    info = commands.add_parser("info", help="nodes, words and bytes of an index, and what its "
                               "header says: format version, length and CRC-32 of the trie")
    info.add_argument("index", help="an index written by build; @english for the English "
                      "lexicon that ships with the package")
    _legacy_option(info)
    info.set_defaults(run=command_info)
    return top


def main(argv: list[str] | None = None) -> int:
    """Runs the tool; every failure is one line on standard error and exit status 2."""
    occupy_closed_descriptors()
    try:
        args = parser().parse_args(argv)
        _weighed(args)
        status = args.run(args)
    except SystemExit as done:  # --help and --version, already printed
        return done.code if isinstance(done.code, int) else 0
    except UserError as error:
        say(f"brindlemap: error: {error}")
        return EXIT_USAGE
    except BrokenPipeError:  # the reader has gone (`| head -1`): nothing is wrong
        return end_after_closed_pipe()
    except KeyboardInterrupt:
        return EXIT_INTERRUPTED
    except MemoryError:
        say("brindlemap: error: out of memory")
        return EXIT_USAGE
    except BaseException as error:  # an internal failure; still one line, never a traceback
        say(f"brindlemap: error: internal failure: {type(error).__name__}: {error}")
        return EXIT_USAGE
    return status or 0
