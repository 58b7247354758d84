"""The prose of Markdown and HTML documents: what each construct leaves to check."""

import re

import pytest

from brindlemap.formats import prose_spans
from conftest import run_python


def prose_words(text, format):
    spans = prose_spans(text, format)
    assert all(a < b <= c for (a, b), (c, _) in zip(spans, spans[1:]))
    return re.findall(r"\w+", " ".join(text[a:b] for a, b in spans))


@pytest.mark.parametrize("snippet, words", [
    # code spans, of any length of run; an unmatched run is text
    ("Use `nmupy` or ``a ` b`` now", ["Use", "or", "now"]),
    ("a lone ` tick", ["a", "lone", "tick"]),
    # fences with info strings, closed by a run at least as long; unclosed to the end
    ("```python\nprnt(x)\n```\nafter", ["after"]),
    ("~~~~\ncode\n~~~\nstill\n~~~~\nout", ["out"]),
    ("text\n```\nnever closed\n", ["text"]),
    # indented code, but not a paragraph's continuation nor a list item's paragraph
    ("para\n\n    indented code\nmore", ["para", "more"]),
    ("para\n    lazy line", ["para", "lazy", "line"]),
    ("- item\n\n    continued\n", ["item", "continued"]),
    ("1. item\n\n    ```\n    prnt\n    ```\n\n   more", ["1", "item", "more"]),
    # link and image targets and titles; their text is prose
    ('See [the docs](http://x/shrae "A tytle") and ![alt txt](img.png).',
     ["See", "the", "docs", "and", "alt", "txt"]),
    ("[a](<with space> 'x') [b][lbl] [c](unclosed", ["a", "b", "c", "unclosed"]),
    ("[ref]: http://mian.com 'tytle'\nprose", ["prose"]),
    ("<https://mian.org> <me@mian.org> ok", ["ok"]),
    # HTML inside Markdown: tags and attributes, comments, entities, raw elements
    ('a <span class="mian">word</span> &nbsp; b', ["a", "word", "b"]),
    ("<!-- hiden --> shown, x <!-- open", ["shown", "x", "open"]),
    ("text <code>inl</code> t\n\n<pre>\ncode\n\nmore\n</pre>\nafter", ["text", "t", "after"]),
    (r"\`not code\` and a <b c", ["not", "code", "and", "a", "b", "c"]),
])
def test_markdown_leaves_out_code_targets_and_markup(snippet, words):
    assert prose_words(snippet, "markdown") == words


@pytest.mark.parametrize("snippet, words", [
    ('<p class="mian" data-x=\'it"s\' n=v>Hello &amp; wrld&#x41;</p>', ["Hello", "wrld"]),
    ("<!DOCTYPE html><?xml x?><!-- hiden -->seen", ["seen"]),
    ("<PRE>x\ny</PRE>a<code>b</code>c<script>var</script>d<style>p{}</style>e",
     ["a", "c", "d", "e"]),
    ("a < b and a<3", ["a", "b", "and", "a", "3"]),
    # unclosed: to the end, as a browser reads them
    ("a<!-- open", ["a"]), ('b<a href="x y', ["b"]), ("c<pre>code", ["c"]),
])
def test_html_leaves_out_tags_comments_entities_and_raw_elements(snippet, words):
    assert prose_words(snippet, "html") == words


def test_text_is_prose_but_its_sessions_and_other_formats_are_refused():
    assert prose_spans("a `b` <c>", "text") == [(0, 9)] and prose_spans("", "text") == []
    # The lines of an interactive session are code; an ellipsis alone opens no code.
    session = "Try:\n>>> import json\n>>> f(1,\n...   2)\n3\n... and so on\n"
    assert [session[a:b] for a, b in prose_spans(session, "text")] == [
        "Try:\n", "\n", "\n3\n... and so on\n"]
    with pytest.raises(ValueError, match="'text', 'markdown', 'html'"):
        prose_spans("x", "rst")


def test_unclosed_and_nested_markup_of_a_mebibyte_takes_linear_work():
    # Each would take minutes where a construct is searched for afresh from every opener.
    out, _ = run_python("""
        from brindlemap.formats import prose_spans
        inputs = ["`" * 2**20, "` ``" * 2**18, "<" * 2**20, "[a](" * 2**18, "](a()" * 2**18,
                  "<!--" * 2**18, '<a b="' * 2**17, "<a x=1 " * 2**17, "][" * 2**19,
                  "```\\n" * 2**18, "<pre>\\n" * 2**18, "<code>" * 2**17]
        for text in inputs:
            for format in "markdown", "html":
                prose_spans(text, format)
        print("done")
    """, timeout=120)
    assert out == "done\n"
