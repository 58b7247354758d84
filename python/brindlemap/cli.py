"""The command-line tool: build an index from a word list, query it, describe it."""

import argparse
import json
import os
import sys
import time

from brindlemap._brindlemap import PrefixSearch, from_bytes
from brindlemap._failures import is_panic, native_reports_silenced
from brindlemap._types import MAX_PAYLOAD
from brindlemap.builder import build
from brindlemap.files import save
from brindlemap.index_format import HEADER, loads, starts_with_header
from brindlemap.queries import complete, search_many

EXIT_USAGE = 2


class UserError(Exception):
    """A mistake of the user's (bad argument, unreadable file, corrupt index): one line, exit 2."""


class _Parser(argparse.ArgumentParser):
    def error(self, message):
        raise UserError(message)


def _progress(message: str) -> None:
    if sys.stderr.isatty():
        print(f"\r{message}", end="", file=sys.stderr, flush=True)


def _read(path: str) -> bytes:
    try:
        with open(path, "rb") as source:
            return source.read()
    except OSError as error:
        raise UserError(f"cannot read {path!r}: {error.strerror or error}") from None


def read_word_list(path: str, data: bytes | None = None) -> list[tuple[str, int]]:
    """(word, payload) per non-empty line: "word" (payload: the line's index) or "word<TAB>n"."""
    data = _read(path) if data is None else data
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as error:
        raise UserError(f"{path!r} is not UTF-8 text (byte {error.start})") from None
    entries = []
    for number, line in enumerate(text.splitlines()):
        word, tab, payload = line.partition("\t")
        if not word:
            if tab:
                raise UserError(f"{path}:{number + 1}: empty word before the tab")
            continue
        if tab:
            try:
                value = int(payload)
            except ValueError:
                value = -1
            if not 0 <= value <= MAX_PAYLOAD:
                raise UserError(f"{path}:{number + 1}: payload {payload!r} is not an integer "
                                f"in 0..{MAX_PAYLOAD}")
        else:
            value = number
        entries.append((word, value))
        if number % 100_000 == 0:
            _progress(f"reading {path}: {number} lines")
    return entries


def _decode_index(path: str, data: bytes) -> PrefixSearch:
    if starts_with_header(data[:HEADER.size]):  # what save writes, checked by the package
        try:
            return loads(data)
        except ValueError as error:
            raise UserError(f"{path!r} is not a valid brindlemap index ({error})") from None
    with native_reports_silenced():
        try:
            return from_bytes(data)
        except BaseException as error:
            if not is_panic(error):
                raise
            reason = error.args[0] if error.args else ""
    raise UserError(f"{path!r} is not a valid brindlemap index ({reason})")


def open_trie(path: str) -> PrefixSearch:
    """An index written by `build`, or a word list built on the fly.

    Every index holds a zero byte (the root carries no character), and text never does.
    """
    data = _read(path)
    if b"\0" in data:
        return _decode_index(path, data)
    return build(read_word_list(path, data))


def _walk_counts(trie: PrefixSearch) -> tuple[int, int]:
    nodes = words = 0
    pending = [0]
    while pending:
        node = pending.pop()
        nodes += 1
        words += trie.get_payload(node) is not None
        pending.extend(child for _, child in trie.get_children(node))
    return nodes, words


def command_build(args) -> None:
    started = time.monotonic()
    entries = read_word_list(args.wordlist)
    _progress(f"building the trie of {len(entries)} words")
    try:
        trie = build(entries)
    except (TypeError, ValueError) as error:
        raise UserError(f"{args.wordlist}: {error}") from None
    try:
        save(trie, args.output)
    except OSError as error:
        raise UserError(f"cannot write {args.output!r}: {error.strerror or error}") from None
    if sys.stderr.isatty():
        _progress(f"wrote {args.output}: {len(entries)} words, "
                  f"{os.path.getsize(args.output)} bytes in {time.monotonic() - started:.1f} s\n")


def _answer(args, query_all) -> None:
    """Answers every word with `query_all(trie, words)` and prints the answers, as TSV or JSON."""
    trie = open_trie(args.index)
    try:
        answers = list(zip(args.words, query_all(trie, args.words)))
    except ValueError as error:  # an index whose arrays are no well-formed trie
        raise UserError(f"{args.index}: {error}") from None
    if args.json:
        json.dump([{"query": word,
                    "matches": [{"word": w, "payload": p, "distance": d} for w, p, d in found]}
                   for word, found in answers], sys.stdout, ensure_ascii=False)
        print()
        return
    for word, matches in answers:
        for found, payload, distance in matches:
            print(f"{word}\t{found}\t{distance}\t{payload}")


def command_query(args) -> None:
    # The words are walked on native threads, all cores at once.
    _answer(args, lambda trie, words: search_many(trie, words, args.max_dist, metric=args.metric,
                                                  limit=args.limit, k=args.best, rank=args.rank))


def command_suggest(args) -> None:
    _answer(args, lambda trie, words: search_many(trie, words, args.max_dist, metric=args.metric,
                                                  k=args.k, rank=args.rank))


def command_complete(args) -> None:
    _answer(args, lambda trie, words: [complete(trie, word, args.max_dist, args.k,
                                                metric=args.metric, rank=args.rank)
                                       for word in words])


def command_info(args) -> None:
    data = _read(args.index)
    trie = _decode_index(args.index, data)
    with native_reports_silenced():
        try:
            nodes, words = _walk_counts(trie)
        except BaseException as error:
            if not is_panic(error):
                raise
            raise UserError(f"{args.index!r} holds a malformed trie ({error.args[0]})") from None
    print(f"nodes\t{nodes}\nwords\t{words}\nbytes\t{len(data)}")


def _non_negative(text: str) -> int:
    try:
        value = int(text)
    except ValueError:
        value = -1
    if value < 0:
        raise argparse.ArgumentTypeError(f"{text!r} is not a non-negative integer")
    return value


def parser() -> argparse.ArgumentParser:
    top = _Parser(prog="brindlemap", description="Approximate word lookup over a trie index.")
    commands = top.add_subparsers(dest="command", required=True, parser_class=_Parser)

    make = commands.add_parser("build", help="build an index from a word list")
    make.add_argument("wordlist", help="one word per line, optionally a tab and a payload")
    make.add_argument("-o", "--output", required=True, help="the index file to write")
    make.set_defaults(run=command_build)

    def query_command(name, run, help, words, max_dist):
        command = commands.add_parser(name, help=help)
        command.add_argument("index", metavar="INDEX_OR_WORDLIST")
        command.add_argument("words", metavar=words, nargs="+")
        command.add_argument("--max-dist", type=_non_negative, default=max_dist,
                             help=f"the largest distance of a match (default {max_dist})")
        command.add_argument("--metric", choices=["levenshtein", "osa"], default="levenshtein",
                             help="osa also counts swapping two adjacent characters as one edit "
                                  "(default levenshtein)")
        command.add_argument("--rank", choices=["payload", "word"], default="payload",
                             help="what orders matches at one distance: the smaller payload "
                                  "(a frequency rank) or the word (default payload)")
        command.add_argument("--json", action="store_true", help="print the results as JSON")
        command.set_defaults(run=run)
        return command

    query = query_command("query", command_query, "every word within a distance, in traversal "
                          "order", "WORD", 1)
    query.add_argument("--limit", type=_non_negative, default=None,
                       help="at most this many matches per word, in traversal order")
    query.add_argument("--best", type=_non_negative, default=None, metavar="K",
                       help="the K best matches per word instead, as suggest gives them")
    for name, run, help, words, max_dist in [
            ("suggest", command_suggest, "the best words within a distance", "WORD", 2),
            ("complete", command_complete, "the best words that begin with something within a "
             "distance of what was typed", "TYPED", 1)]:
        command = query_command(name, run, help, words, max_dist)
        command.add_argument("-k", "--k", type=_non_negative, default=10,
                             help="how many words per query (default 10)")

    info = commands.add_parser("info", help="nodes, words and bytes of an index")
    info.add_argument("index")
    info.set_defaults(run=command_info)
    return top


def main(argv: list[str] | None = None) -> int:
    try:
        args = parser().parse_args(argv)
        args.run(args)
    except UserError as error:
        print(f"brindlemap: error: {error}", file=sys.stderr)
        return EXIT_USAGE
    except KeyboardInterrupt:
        return 130
    return 0
