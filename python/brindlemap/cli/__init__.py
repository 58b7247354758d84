"""The command-line tool (`brindlemap`, or `python -m brindlemap`): build an index from a word
list or a frequency file, query it, describe it, and check or correct texts with a lexicon."""

from brindlemap.cli.commands import main

__all__ = ["main"]
