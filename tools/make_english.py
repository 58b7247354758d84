"""Makes the English lexicon that ships with the package: data/english.txt, "word count" lines
commonest first, and data/english.lexicon, the index `Lexicon.english()` loads.

Sources (see data/LICENSE.english):
- the words and counts of the frequency dictionary that symspellpy ships (82,765 words;
  its counts come from the Google Books Ngram data), all in lowercase;
- their casing from SCOWL's size-50 American list (Debian's wamerican): a word that list holds
  only with capitals takes them ("london" becomes "London", "nasa" "NASA", "i'm" "I'm"), a
  word it also holds in lowercase stays lowercase ("march", "polish");
- the contractions SCOWL holds that the dictionary lacks, and common abbreviations (titles,
  units, months), each counted as the dictionary counts its own contractions (300,000), a
  modest count that ranks them after the common words they might be mistaken for;
- the other words of that SCOWL list that the dictionary lacks (inflections such as
  "defenses", names, acronyms such as "HTML"), each counted 10,000, below the dictionary's
  least count (12,714), so that they rank after every word it counts;
- where the dictionary gives a word no count of its own (the words above, counted 300,000 or
  10,000) or one Google Books split ("cannot", counted as "can not"), how often wordfreq says
  it is written (the heard table that ships beside it, data/heard-english.bin) times the
  dictionary's total, where that is more: "don't" is written more often than "done", and
  "favorite" about as often as "favourite";
- the bigram counts that symspellpy ships (243,342 pairs of lowercase words, also from the
  Google Books Ngram data), kept in the index for the pairs of words the lexicon holds; the
  list writes British spellings only ("colour", "centre"), and each American one the lexicon
  holds is given its British twin's pairs; "cannot", which it counts as "can not", is given
  the pairs of its parts, and "can not" the count that chance gives it.

Needs symspellpy (`make bench` installs it) and wamerican (`apt-get install wamerican`):

    .venv/bin/python tools/make_english.py
"""

import re
from importlib import resources
from pathlib import Path

from brindlemap.heard import Heard

DATA = Path(__file__).resolve().parent.parent / "python/brindlemap/data"
SCOWL = Path("/usr/share/dict/american-english")
ADDED_COUNT = 300_000
UNCOUNTED = 10_000
# Words the dictionary counts, but as Google Books splits them, and their parts.
SPLIT_BY_GOOGLE = {"cannot": ("can", "not")}

# The casing a reader expects where SCOWL holds two capitalised forms, or holds the word in
# lowercase too for a sense that prose seldom means (the letter i).
CASING_CHOICES = {
    "i": "I", "pm": "PM", "cd": "CD", "dec": "Dec", "al": "Al", "co": "Co", "unix": "Unix",
    "sam": "Sam", "tex": "TeX", "mia": "Mia", "ira": "IRA", "isis": "Isis", "pms": "PMS", "btu": "BTU",
    "eula": "EULA",
}

# Abbreviations that ordinary prose writes with or without a period: titles, units, days and
# months, and a few initialisms.
ABBREVIATIONS = """
    Dr Mr Mrs Ms Mx St Jr Sr Prof Rev Gen Col Lt Sgt Capt Cmdr Gov Sen Rep Hon Pres Supt
    Inc Ltd Co Corp Bros LLC PLC vs etc approx dept est fig figs vol vols pp ed eds no nos
    Jan Feb Mar Apr Jun Jul Aug Sep Sept Oct Nov Dec Mon Tue Tues Wed Thu Thur Thurs Fri Sat
    Sun Ave Blvd Rd Mt ft lb lbs oz km cm mm kg mg ml hr hrs min mins sec secs mph
    TV USA UK EU UN OK PhD BA BSc MA MSc MD CEO FAQ PDF
""".split()


def read_counts():
    source = resources.files("symspellpy") / "frequency_dictionary_en_82_765.txt"
    counts = {}
    for line in source.read_text(encoding="utf-8").splitlines():
        word, count = line.split()
        counts[word] = counts.get(word, 0) + int(count)
    return counts


def read_bigrams():
    source = resources.files("symspellpy") / "frequency_bigramdictionary_en_243_342.txt"
    for line in source.read_text(encoding="utf-8").splitlines():
        first, second, count = line.split()
        yield (first, second), int(count)


# British endings and the American ones they stand for, before an ending of their own
# ("colours", "centred", "defences", "catalogues", "organisation").
BRITISH = (("our", "or"), ("re", "er"), ("ence", "ense"), ("ogue", "og"), ("is", "iz"),
           ("ys", "yz"))
AMERICAN = re.compile(
    "(?P<stem>[a-z]{3,})(?P<part>%s)(?P<ending>|s|ed|ing|ings|er|ers|ful|al|ally|able|ably|ite|"
    "ites|hood|hoods|ation|ations|ism|e|es)" % "|".join(american for _, american in BRITISH))


def american_pairs(pairs, words):
    """The pairs of each American spelling the bigram list lacks ("color", "center",
    "defense": it writes "colour", "centre", "defence"), counted as its British twin's are."""
    paired = {word for pair in pairs for word in pair}
    british_of = {american: british for british, american in BRITISH}
    twins = {}
    for word in sorted(words - paired):
        found = AMERICAN.fullmatch(word)
        if found is not None:
            twin = found["stem"] + british_of[found["part"]] + found["ending"]
            if twin in paired:
                twins.setdefault(twin, word)
    for (first, second), count in pairs.items():
        if first in twins or second in twins:
            yield (twins.get(first, first), twins.get(second, second)), count


def joined_pairs(pairs, counts):
    """The bigram counts with each word that Google Books splits ("cannot", counted as "can
    not") given the pairs of its parts: the words before its first part and after its last,
    each pair scaled by how often the word is written against that part, where that comes to
    the list's least count or more. The pair of its parts, which counts every use of the word
    too, is counted as chance would count it."""
    total, mass, least = sum(counts.values()), sum(pairs.values()), min(pairs.values())
    joined = dict(pairs)
    for word, (first, last) in SPLIT_BY_GOOGLE.items():
        joined[first, last] = round(counts[first] * counts[last] / total * mass / total)
        for (one, two), count in pairs.items():
            if two == first and one != last:
                pair = one, word
                joined[pair] = joined.get(pair, 0) + round(count * counts[word] / counts[first])
            if one == last and two != first:
                pair = word, two
                joined[pair] = joined.get(pair, 0) + round(count * counts[word] / counts[last])
    return {pair: count for pair, count in joined.items() if count >= least or pair in pairs}


def read_scowl():
    """(the lowercase words, each other word's capitalised forms by its lowercase)."""
    lowercase, capitalised = set(), {}
    for word in SCOWL.read_text(encoding="utf-8").split("\n"):
        if not word or word.endswith("'s"):
            continue
        if word == word.lower():
            lowercase.add(word)
        else:
            capitalised.setdefault(word.lower(), []).append(word)
    return lowercase, capitalised


def cased(word, lowercase, capitalised):
    if word in CASING_CHOICES:
        return CASING_CHOICES[word]
    if word in lowercase or word not in capitalised:
        return word
    (form,) = capitalised[word]  # CASING_CHOICES has the words with two
    return form


def entries():
    counts = read_counts()
    lowercase, capitalised = read_scowl()
    for word in sorted(lowercase | set(capitalised)):
        if "'" in word and word not in counts and not word[:1].isupper():
            counts[word] = ADDED_COUNT
    for word in ("I'd", "I'll", "I'm", "I've"):
        counts.setdefault(word.lower(), ADDED_COUNT)
    for word in ABBREVIATIONS:
        counts.setdefault(word.lower(), ADDED_COUNT)
        if word != word.lower() and word.lower() not in lowercase:
            capitalised[word.lower()] = [word]
    words = [(cased(word, lowercase, capitalised), counts[word]) for word in counts]
    words = heard_counts(words + uncounted(set(counts), lowercase), sum(counts.values()))
    return sorted(words, key=lambda item: -item[1])  # ties as the source has them


def heard_counts(words, total):
    """`words` (word, count), each that the dictionary does not count as written taking the
    count its frequency in the heard table gives against `total`, where that is more."""
    heard = Heard((DATA / "heard-english.bin").read_bytes())
    for word, count in words:
        # (Not a letter alone: wordfreq counts those its tokenizer splits off, the s of
        # "Peter's", the t of "don t".)
        if (count in (ADDED_COUNT, UNCOUNTED) and len(word) > 1) or word in SPLIT_BY_GOOGLE:
            count = max(count, round(heard.frequency(word) * total))
        yield word, count


def uncounted(counted, lowercase):
    """The words of SCOWL's list whose keys the dictionary lacks, one spelling a key (the
    lowercase one where the list has it), in the list's order."""
    taken = []
    for word in SCOWL.read_text(encoding="utf-8").split("\n"):
        key = word.lower()
        if not word or word.endswith("'s") or key in counted or (word != key and key in lowercase):
            continue
        counted.add(key)
        taken.append((word, UNCOUNTED))
    return taken


def main():
    from brindlemap import Lexicon  # the package as `make build` installed it

    words = entries()
    text = DATA / "english.txt"
    text.write_text("".join(f"{word} {count}\n" for word, count in words), encoding="utf-8")
    pairs = dict(read_bigrams())
    pairs.update(list(american_pairs(pairs, {word.lower() for word, _ in words})))
    pairs = joined_pairs(pairs, {word.lower(): count for word, count in reversed(words)})
    Lexicon.from_file(text).with_bigrams(pairs.items()).save(DATA / "english.lexicon")
    print(f"{len(words)} words in {text}")


if __name__ == "__main__":
    main()
