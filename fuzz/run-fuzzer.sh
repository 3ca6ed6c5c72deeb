#!/bin/sh
# Builds one fuzz target in the clang tree and fuzzes a throw-away copy of its seed
# corpus for a bounded time. Exits non-zero on any finding; the input that caused it
# is kept in <clang build dir>/fuzz-artifacts/.
#
# usage: run-fuzzer.sh <source dir> <clang build dir> <clang++> <target> <seed corpus> [seconds]
set -eu
src=$1 build=$2 cxx=$3 target=$4 seeds=$5 seconds=${6:-20}

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_COMPILER="$cxx" -DPALAVO_FUZZ=ON
fi
cmake --build "$build" --target "$target" -j 2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$build/fuzz-artifacts"
cp "$seeds"/* "$work/corpus/"

UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
ASAN_OPTIONS=detect_leaks=1 \
    "$build/bin/$target" -max_total_time="$seconds" -timeout=5 -max_len=9000 -print_final_stats=1 \
    -artifact_prefix="$build/fuzz-artifacts/" "$work/corpus"
