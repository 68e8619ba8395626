#!/usr/bin/env bash
# Builds the script fuzzer with clang (libFuzzer, ASan, UBSan) and runs it for a bounded
# time on the seed corpus of real scripts. FUZZ_SECONDS sets the time (default 60).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DZARVEX_SANITIZE=ON -DZARVEX_FUZZ=ON >/dev/null
cmake --build build-fuzz --target script_fuzz -j"$(nproc)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp fuzz/corpus/* "$work"/
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=halt_on_error=1 \
    ./build-fuzz/fuzz/script_fuzz "$work" -max_len=4096 -max_total_time="$seconds" -timeout=20 \
    -print_final_stats=1 2>&1 | tail -n 12
