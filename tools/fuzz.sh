#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (installing it when missing), replays each target's
# seed corpus, then fuzzes each target for FUZZ_SECONDS seconds; any finding fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
venv=.venv
build=build/fuzz
targets=(decode walk roads flat)

# A clang whose fuzzer runtime links. Debian's clang 14 cannot compile std::source_location,
# so a newer versioned package is used.
probe() {
    printf 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }\n' |
        "$1" -x c++ -fsanitize=fuzzer,address,undefined -o /dev/null - >/dev/null 2>&1
}
find_clang() {
    local version
    for version in 19 18 17 16; do
        if command -v "clang++-$version" >/dev/null && probe "clang++-$version"; then
            echo "clang++-$version"
            return
        fi
    done
}
cxx=$(find_clang)
if [ -z "$cxx" ]; then
    echo "installing clang and its fuzzer runtime from Debian's packages" >&2
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -q >/dev/null
    for version in 19 18 17 16; do
        if apt-cache show "clang-$version" "libclang-rt-$version-dev" >/dev/null 2>&1; then
            DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends \
                "clang-$version" "libclang-rt-$version-dev" >/dev/null
            break
        fi
    done
    cxx=$(find_clang)
    [ -n "$cxx" ] || { echo "error: no clang with a working libFuzzer runtime" >&2; exit 1; }
fi

"$venv/bin/cmake" -S . -B "$build" -G Ninja -DCMAKE_MAKE_PROGRAM="$PWD/$venv/bin/ninja" \
    -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRINDLEMAP_FUZZ=ON >/dev/null
"$venv/bin/cmake" --build "$build" >/dev/null

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
limits=(-timeout=5 -rss_limit_mb=1024 -malloc_limit_mb=128 -max_len=4096)
for target in "${targets[@]}"; do
    binary="$build/fuzz/fuzz_$target"
    seeds="fuzz/corpus/$target"
    # New inputs go to a scratch corpus, so the committed seeds stay small.
    scratch="$build/corpus/$target"
    artifacts="$build/artifacts/$target/"
    mkdir -p "$scratch" "$artifacts"
    log="$build/$target.log"

    if ! "$binary" "${limits[@]}" "$seeds"/* >"$log" 2>&1; then
        tail -n 40 "$log" >&2
        echo "fuzz_$target: a seed input fails (log: $log)" >&2
        exit 1
    fi
    if ! "$binary" "${limits[@]}" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$artifacts" "$scratch" "$seeds" >"$log" 2>&1; then
        grep -E "==FINDING==|ERROR|SUMMARY|Test unit written" "$log" >&2 || tail -n 40 "$log" >&2
        echo "fuzz_$target: finding; the input is under $artifacts (log: $log)" >&2
        exit 1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz_$target: $runs executions in ${seconds}s, $(ls "$scratch" | wc -l) inputs" \
        "in its scratch corpus, no finding"
done
