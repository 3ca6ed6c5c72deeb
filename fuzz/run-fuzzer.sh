#!/bin/sh
# The fuzz tests of CTest call this twice over:
#
#   run-fuzzer.sh build <source dir> <clang build dir> <clang++>
#       configures the clang tree (once) and builds every fuzz target in it;
#   run-fuzzer.sh run <clang build dir> <target> <seed corpus> [seconds]
#       fuzzes a throw-away copy of the seed corpus for a bounded time.
#
# Building happens once, before any target runs, so that two targets fuzzing side by
# side never run two builds in one tree. A run exits non-zero on any finding; the input
# that caused it is kept in <clang build dir>/fuzz-artifacts/.
set -eu
mode=$1
shift

if [ "$mode" = build ]; then
    src=$1 build=$2 cxx=$3
    if [ ! -f "$build/build.ninja" ]; then
        # ccache, when there is one, makes a fresh tree (a new CI checkout) quick.
        launcher=$(command -v ccache || true)
        cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DCMAKE_CXX_COMPILER="$cxx" -DPALAVO_FUZZ=ON \
            ${launcher:+-DCMAKE_CXX_COMPILER_LAUNCHER="$launcher"}
    fi
    exec cmake --build "$build" -j 2
fi

build=$1 target=$2 seeds=$3 seconds=${4:-20}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$build/fuzz-artifacts"
cp "$seeds"/* "$work/corpus/"

UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
ASAN_OPTIONS=detect_leaks=1 \
    "$build/bin/$target" -max_total_time="$seconds" -timeout=5 -max_len=9000 -print_final_stats=1 \
    -artifact_prefix="$build/fuzz-artifacts/" "$work/corpus"
