"""Makes python/brindlemap/_marks.py: the combining marks of the Unicode version of the
interpreter that runs it, as the character-class body the tokenizer puts them in, so that a
process need not walk the Unicode tables (some 35 ms) before its first text.

    .venv/bin/python tools/make_marks.py

Run it again when the package moves to a CPython with another Unicode version; until then the
tokenizer works the class out itself on such an interpreter. The data is the Unicode Character
Database's, as CPython's unicodedata holds it (Unicode License v3).
"""

import re
import unicodedata
from pathlib import Path

from brindlemap.tokens import combining_marks

TARGET = Path(__file__).resolve().parent.parent / "python" / "brindlemap" / "_marks.py"


def main() -> None:
    # Written as escapes, which the compiler turns into the characters themselves.
    lines, line = [], ""
    for run in re.findall(".-.|.", combining_marks()):
        if line and len(ascii(line + run)) > 90:
            lines.append(ascii(line))
            line = ""
        line += run
    lines.append(ascii(line))
    TARGET.write_text(
        '"""The combining marks (general category M) of the Unicode Character Database '
        f'{unicodedata.unidata_version},\nas the tokenizer\'s character class takes them, made '
        "by tools/make_marks.py from CPython's\nunicodedata. The data is Unicode's (Unicode "
        'License v3)."""\n\n'
        f'UNIDATA_VERSION = "{unicodedata.unidata_version}"\n'
        "MARKS = (\n" + "".join(f"    {line}\n" for line in lines) + ")\n",
        encoding="utf-8")


if __name__ == "__main__":
    main()
