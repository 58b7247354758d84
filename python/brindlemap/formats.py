"""Which parts of a Markdown or HTML document are prose to check, as spans of the text itself:
code, link targets, tags, comments and entities are left out, so that a checker looking only
inside the spans changes nothing else. Of plain text, all is prose but the lines of an
interactive Python session (a ">>> " prompt and the "... " lines that continue it).

Markdown's block structure is read a line at a time: a fence opens with three or more
backticks or tildes (an info string after them) and closes with a run of its character at
least as long; an indented line is code after a blank line, not inside a list item's
paragraphs; headings, lists, tables and block quotes are prose (a fence inside a block quote is
not told apart). Inline, a code span runs from a backtick run to the next run of the same
length in its paragraph, and a link's "(target "title")" after its "]" is left out, its text
kept.

A scan's work grows with the text's length whatever it holds (times the logarithm of a binary
search): the places that end a construct (a closing backtick run, quote or `-->`) are found by
binary search in lists made once per text, and a tag that turned out unclosed marks the
attributes it went through, so that a later tag reaching one of them gives up at once.

Unclosed constructs: in Markdown they are read as CommonMark reads them. An unclosed fence or
`<pre>`, `<script>`, `<style>` or `<textarea>` block runs to the end of the text; an unmatched
backtick run, an unclosed tag, comment or link target is plain text, checked as prose. In HTML
they are read as a browser reads them: an unclosed tag, comment or `<code>`, `<pre>`,
`<script>`, `<style>` or `<textarea>` element runs to the end of the text.
"""

import re
from bisect import bisect_left
from collections.abc import Callable

__all__ = ["FORMATS", "prose_spans"]

FORMATS = ("text", "markdown", "html")

Span = tuple[int, int]
# The elements whose whole content is code or data, not prose.
_RAW_ELEMENTS = ("code", "pre", "script", "style", "textarea")
_TAG_NAME = re.compile(r"[A-Za-z][A-Za-z0-9:-]*+")
_SPACE = re.compile(r"[ \t\r\n\f]*+")
_ENTITY = re.compile(r"&(?:#[0-9]{1,7}|#[xX][0-9a-fA-F]{1,6}|[A-Za-z][A-Za-z0-9]{0,31});")
_AUTOLINK = re.compile(r"<(?:[A-Za-z][A-Za-z0-9+.-]{1,31}:[^\s<>]*+|[^\s<>@]++@[^\s<>]++)>")


class _Finder:
    """The next place at or after an offset where a pattern matches, found by binary search in
    the list of all its matches, made the first time it is asked."""

    def __init__(self, text: str, pattern: str) -> None:
        self._text = text
        self._pattern = re.compile(pattern)
        self._starts: list[int] | None = None

    def __call__(self, start: int, end: int) -> int:
        """The first match starting in [start, end), or -1."""
        if self._starts is None:
            self._starts = [m.start() for m in self._pattern.finditer(self._text)]
        at = bisect_left(self._starts, start)
        return self._starts[at] if at < len(self._starts) and self._starts[at] < end else -1


class _Scanner:
    """The inline constructs of one text that both formats share: tags, comments, entities and
    raw elements, each found from its first character."""

    def __init__(self, text: str) -> None:
        self.text = text

        def find(pattern: str) -> _Finder:
            return _Finder(text, pattern)

        self.tag_special = find(r"[=>]")
        self.gt = find(r">")
        self.value_end = find(r"[ \t\r\n\f>]")
        self.quote = {'"': find('"'), "'": find("'")}
        self.comment_end = find(r"-->")
        self.pi_end = find(r"\?>")
        self.cdata_end = find(r"\]\]>")
        self.closing = {name: find(rf"(?i)</{name}(?=[ \t\r\n\f/>])") for name in _RAW_ELEMENTS}
        # The '=' of attributes that a tag found unclosed went through: any tag reaching one
        # is unclosed too, since what follows it reads the same.
        self.dead: set[int] = set()

    def tag_end(self, start: int, end: int) -> int | None:
        """The end of the tag at `start` (a '<' followed by a letter, or "</" and a letter),
        read before `end`; None where it is not closed there, or is no tag."""
        text = self.text
        at = start + 1 + (text.startswith("/", start + 1))
        name = _TAG_NAME.match(text, at, end)
        if name is None:
            return None
        at = name.end()
        passed: list[int] = []
        while True:
            special = self.tag_special(at, end)
            if special < 0 or special in self.dead:
                self.dead.update(passed)
                return None
            if text[special] == ">":
                return special + 1
            passed.append(special)
            at = _SPACE.match(text, special + 1, end).end()  # type: ignore[union-attr]
            if at < end and text[at] in self.quote:
                closing = self.quote[text[at]](at + 1, end)
                if closing < 0:
                    self.dead.update(passed)
                    return None
                at = closing + 1
            else:
                stop = self.value_end(at, end)
                at = end if stop < 0 else stop

    def other_markup_end(self, start: int, end: int) -> int | None:
        """The end of the comment, declaration or processing instruction at `start` (a "<!"
        or "<?"), or -1 where it is not closed before `end`; None where there is none."""
        text = self.text
        if text.startswith("<!--", start):
            found = self.comment_end(start + 4, end)
            return -1 if found < 0 else found + 3
        if text.startswith("<![CDATA[", start):
            found = self.cdata_end(start + 9, end)
            return -1 if found < 0 else found + 3
        if text.startswith("<?", start):
            found = self.pi_end(start + 2, end)
            return -1 if found < 0 else found + 2
        if text.startswith("<!", start) and start + 2 < end and text[start + 2].isalpha():
            found = self.gt(start + 2, end)
            return -1 if found < 0 else found + 1
        return None

    def raw_content_end(self, start: int, tag_end: int, end: int) -> int | None:
        """For a tag at `start` that opens a raw element, the end of its closing tag (or -1
        where there is none before `end`); None for any other tag."""
        name = _TAG_NAME.match(self.text, start + 1, tag_end)
        if name is None or self.text[tag_end - 2] == "/":
            return None
        closing = self.closing.get(name.group().lower())
        if closing is None:
            return None
        found = closing(tag_end, end)
        if found < 0:
            return -1
        gt = self.gt(found, end)
        return end if gt < 0 else gt + 1


def _complement(text_length: int, left_out: list[Span]) -> list[Span]:
    """The spans between those left out (ascending, not overlapping), empty ones dropped."""
    spans: list[Span] = []
    at = 0
    for start, end in left_out:
        if start > at:
            spans.append((at, start))
        at = max(at, end)
    if at < text_length:
        spans.append((at, text_length))
    return spans


_HTML_SPECIAL = re.compile(r"[<&]")


def _html(text: str) -> list[Span]:
    scanner = _Scanner(text)
    n = len(text)
    left_out: list[Span] = []
    at = 0
    while (found := _HTML_SPECIAL.search(text, at)) is not None:
        start = found.start()
        if text[start] == "&":
            entity = _ENTITY.match(text, start)
            at = start + 1 if entity is None else entity.end()
            if entity is not None:
                left_out.append((start, at))
            continue
        end = scanner.other_markup_end(start, n)
        if end is None and _TAG_NAME.match(text, start + 1 + text.startswith("/", start + 1)):
            end = scanner.tag_end(start, n)
            if end is None:
                end = -1
            else:
                end = scanner.raw_content_end(start, end, n) or end
        if end is None:  # a '<' that starts nothing: "a < b"
            at = start + 1
            continue
        at = n if end < 0 else end
        left_out.append((start, at))
    return _complement(n, left_out)


# Block-level Markdown, a line at a time.
_LINE = re.compile(r"[^\n]*+\n?")
_FENCE = re.compile(r"(?:(`{3,}+)[^`\n]*+|(~{3,}+)[^\n]*+)$")
_CLOSING_FENCE = re.compile(r"(`{3,}+|~{3,}+)[ \t\r]*+$")
_REFERENCE = re.compile(r" {0,3}\[[^\]\n]++\]:[ \t]*+\S")
_RAW_BLOCK = re.compile(r"(?i) {0,3}<(pre|script|style|textarea)(?=[ \t\r\n>]|$)")
_LIST_ITEM = re.compile(r" {0,3}(?:[-*+]|[0-9]{1,9}[.)])(?:[ \t]++|$)")
_INDENT = re.compile(r"[ \t]*+")


def _indent(line: str) -> int:
    """The columns of a line's leading whitespace, a tab reaching the next multiple of 4."""
    columns = 0
    for c in _INDENT.match(line).group():  # type: ignore[union-attr]
        columns = columns + 4 - columns % 4 if c == "\t" else columns + 1
    return columns


def _markdown_blocks(text: str) -> tuple[list[Span], list[Span]]:
    """The lines left out whole (code blocks, fences, reference definitions, raw HTML blocks)
    and the runs of lines between them and blank lines, whose inline markup is read next."""
    left_out: list[Span] = []
    paragraphs: list[Span] = []
    fence: tuple[str, int] | None = None  # the character and length of an open fence
    raw_close: str | None = None  # the closing tag an open raw HTML block waits for
    paragraph_start: int | None = None
    list_indent: int | None = None  # where the content of the latest list item begins
    blank_before = True

    def end_paragraph(at: int) -> None:
        nonlocal paragraph_start
        if paragraph_start is not None:
            paragraphs.append((paragraph_start, at))
            paragraph_start = None

    for line_match in _LINE.finditer(text):
        start, end = line_match.span()
        if start == end:
            break
        line = line_match.group().rstrip("\n")
        if fence is not None:
            closing = _CLOSING_FENCE.match(line.lstrip(" \t"))
            if closing and closing.group(1)[0] == fence[0] and len(closing.group(1)) >= fence[1]:
                fence = None
            left_out.append((start, end))
            continue
        if raw_close is not None:
            if raw_close in line.lower():
                raw_close = None
            left_out.append((start, end))
            continue
        if not line.strip():
            end_paragraph(start)
            blank_before = True
            continue
        indent = _indent(line)
        if list_indent is not None and blank_before and indent < list_indent \
                and not _LIST_ITEM.match(line):
            list_indent = None
        code = blank_before and indent >= 4 + (list_indent or 0)
        # A fence may stand where a list item's content does.
        fenced = not code and indent <= (list_indent or 0) + 3
        opened = _FENCE.match(line.lstrip(" \t")) if fenced else None
        raw = None if code or opened else _RAW_BLOCK.match(line)
        if code or opened or raw or _REFERENCE.match(line):
            end_paragraph(start)
            if opened:
                marks = opened.group(1) or opened.group(2)
                fence = (marks[0], len(marks))
            elif raw and f"</{raw.group(1).lower()}" not in line.lower():
                raw_close = f"</{raw.group(1).lower()}"
            left_out.append((start, end))
            blank_before = bool(code)
            continue
        item = _LIST_ITEM.match(line)
        if item:
            list_indent = len(item.group().expandtabs(4)) if item.end() < len(line) \
                else indent + 2
        if paragraph_start is None:
            paragraph_start = start
        blank_before = False
    end_paragraph(len(text))
    return left_out, paragraphs


_MARKDOWN_SPECIAL = re.compile(r"[\\`<&\]]")
_BACKTICKS = re.compile(r"`++")
_LINK_TITLE = re.compile(r"""[ \t\r\n]*+(?:(["'(])|\))""")


class _CodeSpans:
    """The backtick runs of a paragraph by length, so that each opening run finds the next run
    of its length, its closing, in steps that only go forward."""

    def __init__(self, text: str, start: int, end: int) -> None:
        self._runs: dict[int, list[int]] = {}
        self._next: dict[int, int] = {}
        for run in _BACKTICKS.finditer(text, start, end):
            self._runs.setdefault(run.end() - run.start(), []).append(run.start())

    def closing(self, after: int, length: int) -> int:
        runs = self._runs.get(length, [])
        at = self._next.get(length, 0)
        while at < len(runs) and runs[at] < after:
            at += 1
        self._next[length] = at
        return runs[at] if at < len(runs) else -1


class _MarkdownScanner(_Scanner):
    """The scanner with what Markdown links need besides."""

    def __init__(self, text: str) -> None:
        super().__init__(text)
        self.url_end = _Finder(text, r"[ \t\r\n\f)]")
        self.label_end = _Finder(text, r"\]")
        self.title_end = {'"': self.quote['"'], "'": self.quote["'"],
                          "(": _Finder(text, r"\)")}


def _link_target_end(scanner: _MarkdownScanner, start: int, end: int) -> int:
    """The end of the link target "(url "title")" at `start` (its '('), or -1."""
    text = scanner.text
    at = _SPACE.match(text, start + 1, end).end()  # type: ignore[union-attr]
    if at < end and text[at] == "<":
        close = scanner.gt(at, end)
        if close < 0:
            return -1
        at = close + 1
    else:
        stop = scanner.url_end(at, end)
        if stop < 0:
            return -1
        at = stop
    title = _LINK_TITLE.match(text, at, end)
    if title is None:
        return -1
    if title.group(1) is None:
        return title.end()
    opener = title.group(1)
    close = scanner.title_end[opener](title.end(), end)
    if close < 0:
        return -1
    after = _SPACE.match(text, close + 1, end).end()  # type: ignore[union-attr]
    return after + 1 if after < end and text[after] == ")" else -1


def _markdown_inline(scanner: _MarkdownScanner, start: int, end: int, left_out: list[Span]) -> None:
    text = scanner.text
    spans = _CodeSpans(text, start, end)
    at = start
    while (found := _MARKDOWN_SPECIAL.search(text, at, end)) is not None:
        here = found.start()
        c = text[here]
        skipped: int | None = None
        if c == "\\":
            at = here + 2
            continue
        if c == "`":
            run = _BACKTICKS.match(text, here, end).end()  # type: ignore[union-attr]
            closing = spans.closing(run, run - here)
            if closing < 0:
                at = run
                continue
            skipped = closing + run - here
        elif c == "&":
            entity = _ENTITY.match(text, here, end)
            skipped = None if entity is None else entity.end()
        elif c == "]":
            if text.startswith("(", here + 1):
                target = _link_target_end(scanner, here + 1, end)
                skipped = None if target < 0 else target
                here += 1
            elif text.startswith("[", here + 1):
                close = scanner.label_end(here + 2, end)
                skipped = None if close < 0 else close + 1
                here += 1
        else:
            skipped = _markdown_markup_end(scanner, here, end)
        if skipped is None:
            at = here + 1
        else:
            left_out.append((here, skipped))
            at = skipped


def _markdown_markup_end(scanner: _Scanner, start: int, end: int) -> int | None:
    """The end of the autolink or HTML at `start` (a '<'), or None where there is none."""
    text = scanner.text
    link = _AUTOLINK.match(text, start, end)
    if link is not None:
        return link.end()
    other = scanner.other_markup_end(start, end)
    if other is not None:
        return None if other < 0 else other
    tag = scanner.tag_end(start, end)
    if tag is None:
        return None
    raw = scanner.raw_content_end(start, tag, end)
    return tag if raw is None or raw < 0 else raw


def _markdown(text: str) -> list[Span]:
    left_out, paragraphs = _markdown_blocks(text)
    scanner = _MarkdownScanner(text)
    for start, end in paragraphs:
        _markdown_inline(scanner, start, end, left_out)
    left_out.sort()
    return _complement(len(text), left_out)


# The lines of an interactive Python session: a prompt, then the lines that continue it.
_SESSION = re.compile(r"^[ \t]*+>>>(?:[ \t].*+)?+(?:\n[ \t]*+\.\.\.(?:[ \t].*+)?+)*+",
                      re.MULTILINE)


def _text(text: str) -> list[Span]:
    return _complement(len(text), [session.span() for session in _SESSION.finditer(text)])


_SCANS: dict[str, Callable[[str], list[Span]]] = {
    "text": _text, "markdown": _markdown, "html": _html}


def prose_spans(text: str, format: str) -> list[Span]:
    """The spans (start, end) of `text` that are prose, ascending and not overlapping, for
    `format` "text" (all of it but the lines of an interactive Python session, ">>> " and
    the "... " lines that continue it), "markdown" or "html"; ValueError naming the formats
    for another. What each format leaves out, and how unclosed constructs read, the module's
    description says."""
    scan = _SCANS.get(format) if isinstance(format, str) else None
    if scan is None:
        raise ValueError(f"format must be one of {', '.join(map(repr, FORMATS))}, "
                         f"not {format!r}")
    return scan(text)
