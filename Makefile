# Set-up, build and test on a fresh machine: `make test` and `make run` need nothing else.

# The first CPython 3.13 found that has its C headers.
PYTHON313 ?= $(shell for p in /root/.pyenv/versions/3.13.*/bin/python3.13 /usr/bin/python3.13 \
	$$(command -v python3.13 2>/dev/null); do \
	  [ -x "$$p" ] && "$$p" -c 'import os, sys, sysconfig; \
	    sys.exit(not os.path.exists(os.path.join(sysconfig.get_paths()["include"], "Python.h")))' \
	    2>/dev/null && { echo "$$p"; break; }; done)

VENV := .venv
PY := $(VENV)/bin/python
STAMPS := .stamps
SOURCES := $(shell find src python -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.py' \
	-o -name '*.pyi' -o -name 'py.typed' -o -path '*/brindlemap/data/*' \) 2>/dev/null)

.PHONY: test run build clean format sanitize fuzz fuzz-ci bench

test: $(STAMPS)/installed $(STAMPS)/dictionaries
	$(PY) -m pytest -q tests

# The hunspell dictionaries the end-to-end tests read (Debian's, installed only when missing;
# where they cannot be installed those tests skip, and the next run tries again).
DICTIONARIES := /usr/share/hunspell/fr.dic /usr/share/hunspell/de_DE.dic
$(STAMPS)/dictionaries:
	@for f in $(DICTIONARIES); do [ -e "$$f" ] || missing=1; done; \
	if [ -n "$$missing" ]; then \
	  (apt-get update && apt-get install -y hunspell-fr hunspell-de-de) \
	    || echo "warning: hunspell-fr and hunspell-de-de could not be installed:" \
	            "the tests that read them skip" >&2; fi
	@for f in $(DICTIONARIES); do [ -e "$$f" ] || exit 0; done; mkdir -p $(STAMPS) && touch $@

# A demo of the command-line tool: the shipped English lexicon checks, corrects and completes a
# letter (check exits 1 when it finds unknown words, as linters do; correct fixes only what it
# is sure of) and a Markdown note, whose code and link targets it leaves alone, with a word list
# of the user's own; then a trie index of the
# 30,000 commonest English words (@frequent-words), commonest first, so that payloads are
# frequency ranks. The ranked commands count a swapped pair as one edit (osa) unless told
# otherwise; --costs weighs the edits (here a slip to a touching key costs less).
DEMO := build/demo
run: $(STAMPS)/installed
	@mkdir -p $(DEMO)
	printf "Teh meeting is on Mondy at 10 am.\nDr Smith didn't recieve the LETTR from londn.\n" \
	  > $(DEMO)/letter.txt
	$(VENV)/bin/brindlemap check $(DEMO)/letter.txt --k 3 || [ $$? -eq 1 ]
	$(VENV)/bin/brindlemap correct $(DEMO)/letter.txt
	printf '# Notes on brindlemap\n\nInstall `nmupy`, then read [teh guide](docs/gude.md): brindlemap recieved them.\n' \
	  > $(DEMO)/notes.md
	printf 'brindlemap\n' > $(DEMO)/my-words.txt
	$(VENV)/bin/brindlemap check $(DEMO)/notes.md --words $(DEMO)/my-words.txt --k 2 || [ $$? -eq 1 ]
	$(VENV)/bin/brindlemap correct $(DEMO)/notes.md --words $(DEMO)/my-words.txt
	$(VENV)/bin/brindlemap suggest @english Teh RECIEVE londn --k 2
	$(VENV)/bin/brindlemap suggest @english wodld --k 2 --costs keyboard
	$(VENV)/bin/brindlemap complete @english Univrs --k 3
	$(VENV)/bin/brindlemap info @english
	$(VENV)/bin/brindlemap build @frequent-words -o $(DEMO)/frequent-words.idx
	$(VENV)/bin/brindlemap info $(DEMO)/frequent-words.idx
	$(VENV)/bin/brindlemap suggest $(DEMO)/frequent-words.idx helo wrld --k 3
	$(VENV)/bin/brindlemap suggest $(DEMO)/frequent-words.idx --k 1 teh --metric levenshtein
	printf '  wrold \n\nrecie\n' | $(VENV)/bin/brindlemap complete $(DEMO)/frequent-words.idx - --k 1 --json
	$(VENV)/bin/brindlemap query $(DEMO)/frequent-words.idx speling --max-dist 2 --limit 3 --json

build: $(STAMPS)/installed

# The whole test suite against an AddressSanitizer and UndefinedBehaviorSanitizer build.
sanitize: $(STAMPS)/installed
	tools/sanitize.sh

# Coverage-guided fuzzing of the byte decoder and of walks over decoded tries (libFuzzer, clang,
# installed from Debian's packages when missing): replays the seeds, then fuzzes each target
# for FUZZ_SECONDS seconds.
FUZZ_SECONDS ?= 60
fuzz: $(STAMPS)/deps
	FUZZ_SECONDS=$(FUZZ_SECONDS) tools/fuzz.sh

# The short run CI makes.
fuzz-ci: $(STAMPS)/deps
	FUZZ_SECONDS=20 tools/fuzz.sh

$(STAMPS)/python:
	@if [ -z "$(PYTHON313)" ]; then \
	  echo "error: no CPython 3.13 with its C headers was found (looked in" \
	       "/root/.pyenv/versions/3.13.*/bin, /usr/bin/python3.13 and PATH)." \
	       "Install one, e.g. Debian's python3.13-dev, or set PYTHON313=/path/to/python3.13." >&2; \
	  exit 1; fi
	@echo "using $(PYTHON313)"
	$(PYTHON313) -m venv $(VENV)
	$(PY) -m pip install -q --upgrade pip
	@mkdir -p $(STAMPS) && touch $@

$(STAMPS)/deps: pyproject.toml $(STAMPS)/python
	$(PY) -m pip install -q "scikit-build-core>=0.10" "cmake>=3.21" ninja "pytest>=8" "hypothesis>=6" \
	  "mypy>=1.11" "dask[distributed]>=2024.8" "wordfreq>=3"
	@touch $@

# A persistent build directory and no build isolation: a second run rebuilds only what changed.
$(STAMPS)/installed: $(STAMPS)/deps CMakeLists.txt $(SOURCES)
	$(PY) -m pip install -q --no-build-isolation --no-deps .
	@touch $@

clean:
	rm -rf build $(STAMPS) $(VENV)

# Applies the committed .clang-format to the C++ sources.
format: $(STAMPS)/python
	$(PY) -m pip install -q clang-format
	$(VENV)/bin/clang-format -i $$(find src bench fuzz -name '*.cpp' -o -name '*.h' 2>/dev/null)

# The benchmark suite against the peers, not part of test or CI: the word lists and the
# quotations of the correction bench from Debian (installed only when missing), the bench-only
# peers from PyPI, and the lean C++ walk built beside the bench; writes bench/RESULTS.md. Takes
# about half an hour.
WORD_LISTS := /usr/share/dict/american-english /usr/share/dict/american-english-insane \
	/usr/share/dict/french /usr/share/games/fortunes/fortunes /usr/bin/hunspell \
	/usr/share/hunspell/fr.dic /usr/share/hunspell/de_DE.dic /usr/share/hunspell/es_ES.dic \
	/usr/share/hunspell/it_IT.dic
LEAN_WALK = bench/build/_lean_walk$(shell $(PY) -c \
	'import sysconfig; print(sysconfig.get_config_var("EXT_SUFFIX"))' 2>/dev/null)

bench: $(STAMPS)/installed $(STAMPS)/bench-deps
	@for f in $(WORD_LISTS); do [ -e "$$f" ] || missing=1; done; \
	if [ -n "$$missing" ]; then \
	  apt-get update && apt-get install -y wamerican wamerican-insane wfrench fortunes-min \
	    hunspell hunspell-fr hunspell-de-de hunspell-es hunspell-it; fi
	$(MAKE) --no-print-directory "$(LEAN_WALK)"
	BENCH_COMMAND="make bench" $(PY) bench/run.py

$(STAMPS)/bench-deps: $(STAMPS)/python
	$(PY) -m pip install -q rapidfuzz "symspellpy[editdistpy]" codespell
	@touch $@

bench/build/_lean_walk%: bench/lean_walk.cpp
	@mkdir -p bench/build
	g++ -O3 -std=c++20 -shared -fPIC -Wall -Wextra \
	  -I"$$($(PY) -c 'import sysconfig; print(sysconfig.get_paths()["include"])')" $< -o $@
