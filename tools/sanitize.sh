#!/usr/bin/env bash
# Builds the extension with AddressSanitizer and UndefinedBehaviorSanitizer and runs the whole
# test suite against that build, failing on any sanitizer report.
set -euo pipefail
cd "$(dirname "$0")/.."
venv=.venv
build=build/sanitize
stage=$build/stage

"$venv/bin/cmake" -S . -B "$build" -G Ninja -DCMAKE_MAKE_PROGRAM="$PWD/$venv/bin/ninja" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRINDLEMAP_SANITIZE=ON \
    -DPython_EXECUTABLE="$PWD/$venv/bin/python" >/dev/null
"$venv/bin/cmake" --build "$build" --target _brindlemap _search

# The tests import the staged package ahead of the one installed in the venv.
rm -rf "$stage" && mkdir -p "$stage"
cp -r python/brindlemap "$stage/"
cp "$build"/_brindlemap*.so "$build"/_search*.so "$build"/libbrindlemap_native.so \
    "$stage/brindlemap/"
"$venv/bin/cmake" --build "$build" --target walk_check

# The C++ runtime is preloaded too, so the sanitizer finds the real __cxa_throw to wrap.
asan_runtime="$(g++ -print-file-name=libasan.so) $(g++ -print-file-name=libstdc++.so)"
log_dir=$(mktemp -d)
export LD_PRELOAD="$asan_runtime"
export PYTHONMALLOC=malloc
export PYTHONPATH="$PWD/$stage"
export BRINDLEMAP_SANITIZED=1
export BRINDLEMAP_WALK_CHECK="$(ls "$PWD/$build"/*walk_check*.so)"
# Short allocation stacks keep the interpreter's suppressions from hiding leaks of this
# module's own C++ allocations, whose callers are interpreter frames further up.
# The leak checker's record of dynamically loaded modules' thread-local blocks (kept by
# intercepting __tls_get_addr) goes wrong on this glibc: depending on what the interpreter
# happened to load, it scanned a bogus range at exit and crashed ("Tracer caught signal 11").
# Without the interception those blocks are not scanned, which can only add leak reports
# (pointers held there alone), never hide one.
export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1:malloc_context_size=2:log_path=$log_dir/asan:abort_on_error=0:intercept_tls_get_addr=0"
export LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$log_dir/ubsan"

status=0
"$venv/bin/python" -m pytest -q -p no:cacheprovider tests "$@" || status=$?
if compgen -G "$log_dir/*" >/dev/null; then
    cat "$log_dir"/* >&2
    echo "sanitizer reports above" >&2
    status=1
fi
rm -rf "$log_dir"
exit $status
