"""The encodings that `check` and `correct` read texts in and `correct` writes them back in,
every byte that does not decode passing through as it was.

A byte that does not decode stands in the text as the lone surrogate U+DC00 + its value (for
bytes from 0x80 the character "surrogateescape" gives), which no word holds and which is
written back as that byte. An encoding that writes "\\n", "\\r" and the ASCII letters as
ASCII does (UTF-8, Latin-1, cp1252) is read a line of bytes at a time; any other (UTF-16,
UTF-32) is decoded as it comes and read as UTF-8, which then holds its line breaks as single
bytes. A byte-order mark says the byte order of UTF-16 and UTF-32; without one they are read
little-endian. The mark itself is kept in the text as U+FEFF and written back as it was.
"""

import codecs
import re
from typing import NamedTuple

from brindlemap.cli.streams import BufferedLines, UserError
from brindlemap.lines import LineSource

DEFAULT_ENCODING = "utf-8"
_ESCAPES = "brindlemap-escape"
_ESCAPED = re.compile("[\udc00-\udcff]+")
# What an ASCII-compatible encoding must write as ASCII does.
_ASCII_PROBE = "\n\r\t abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789#<>&`"
# Encodings whose byte order a byte-order mark gives, and the marks of each order.
_ORDERED = {
    "utf-16": ((codecs.BOM_UTF16_LE, "utf-16-le"), (codecs.BOM_UTF16_BE, "utf-16-be")),
    "utf-32": ((codecs.BOM_UTF32_LE, "utf-32-le"), (codecs.BOM_UTF32_BE, "utf-32-be")),
    "utf-8-sig": ((codecs.BOM_UTF8, "utf-8"),),
}


def _escape(error: UnicodeError) -> tuple[str, int]:
    if not isinstance(error, UnicodeDecodeError):
        raise error
    return "".join(chr(0xDC00 + b) for b in error.object[error.start:error.end]), error.end


codecs.register_error(_ESCAPES, _escape)


class Line(NamedTuple):
    text: str
    bad_byte: int | None  # from 1, the first byte of the line that did not decode


class Encoding:
    """One encoding as `check` and `correct` use it: how a source is read, how each of its
    lines decodes, and how a text is written back."""

    def __init__(self, name: str) -> None:
        try:
            self.name = codecs.lookup(name).name
            # How messages name it: as the user did, and the default as it is usually written.
            self.label = "UTF-8" if self.name == DEFAULT_ENCODING else name
        except LookupError:
            raise UserError(f"unknown encoding {name!r}") from None
        try:
            self.ascii_compatible = _ASCII_PROBE.encode(self.name) == _ASCII_PROBE.encode()
        except UnicodeError:
            self.ascii_compatible = False
        self._codec = self.name  # the byte order's codec, once a source has told it

    def source(self, raw: LineSource) -> LineSource:
        """The lines to read of `raw`: itself, or the text decoded and encoded as UTF-8."""
        return raw if self.ascii_compatible else _Transcoded(raw, self)

    def line(self, data: bytes) -> Line:
        """A line of what `source` reads, decoded."""
        codec = self._codec if self.ascii_compatible else "utf-8"
        try:
            return Line(data.decode(codec), None)
        except UnicodeDecodeError as error:
            bad = error.start + 1
        if self.ascii_compatible:
            return Line(data.decode(codec, _ESCAPES), bad)
        text = data.decode("utf-8", "surrogatepass")
        first = _ESCAPED.search(text)
        at = first.start() if first else 0
        return Line(text, len(text[:at].encode(self._codec)) + 1)

    def order_of(self, head: bytes) -> None:
        """Takes the byte order from the byte-order mark that `head` may begin with."""
        for mark, codec in _ORDERED.get(self.name, ()):
            if head.startswith(mark):
                self._codec = codec
                return
        if self.name in _ORDERED:
            self._codec = _ORDERED[self.name][0][1]

    def decoder(self) -> codecs.IncrementalDecoder:
        return codecs.getincrementaldecoder(self._codec)(_ESCAPES)

    def writer(self) -> "Writer":
        """What writes the texts of a source back, once it has been read from."""
        return Writer(self._codec, self.ascii_compatible)


class Writer:
    """Turns the texts of a source, and the lines it passed through unread, back into its
    bytes, in order."""

    def __init__(self, codec: str, ascii_compatible: bool) -> None:
        self._encoder = codecs.getincrementalencoder(codec)("strict")
        # Lines passed through come as the bytes the source read: UTF-8 for a transcoded one.
        self._raw = None if ascii_compatible else \
            codecs.getincrementaldecoder("utf-8")("surrogatepass")

    def text(self, text: str) -> bytes:
        """`text` in the encoding, escaped bytes as they were; UnicodeEncodeError for a
        character it cannot write."""
        parts = []
        at = 0
        for run in _ESCAPED.finditer(text):
            parts.append(self._encoder.encode(text[at:run.start()]))
            parts.append(bytes(ord(c) - 0xDC00 for c in run.group()))
            at = run.end()
        parts.append(self._encoder.encode(text[at:]))
        return b"".join(parts)

    def raw(self, data: bytes) -> bytes:
        """A part of a line that was passed through unread, as the source held it."""
        return data if self._raw is None else self.text(self._raw.decode(data))


class _Transcoded(BufferedLines):
    """A source in an encoding that is not ASCII-compatible, read as UTF-8 ("surrogatepass"
    keeps the escaped bytes), a line at a time as `LineSource` reads them."""

    CHUNK = 1 << 16

    def __init__(self, raw: LineSource, encoding: Encoding) -> None:
        super().__init__()
        self._raw = raw
        self._encoding = encoding
        self._decoder: codecs.IncrementalDecoder | None = None
        self._head = b""  # the first bytes, until they are enough to hold a byte-order mark

    def _more(self) -> None:
        data = self._raw.readline(self.CHUNK)
        if self._decoder is None:
            self._head += data
            if len(self._head) < 4 and data:
                return
            self._encoding.order_of(self._head)
            self._decoder = self._encoding.decoder()
            data, self._head = self._head, b""
        self._ended = not data
        text = self._decoder.decode(data, final=self._ended)
        self._buffer += text.encode("utf-8", "surrogatepass")
