"""Makes the word list that ships with the package, from Debian's wamerican-small.

Run: python3 tools/make_common_words.py /usr/share/dict/american-english-small
"""

import sys

SIZE = 5000


def main(source):
    with open(source, encoding="utf-8") as lines:
        plain = [w for w in (line.strip() for line in lines)
                 if 3 <= len(w) <= 8 and w.isascii() and w.isalpha() and w.islower()]
    step = len(plain) / SIZE
    chosen = [plain[int(i * step)] for i in range(SIZE)]
    with open("python/brindlemap/data/common-words.txt", "w", encoding="utf-8") as out:
        out.write("\n".join(chosen) + "\n")


if __name__ == "__main__":
    main(sys.argv[1])
