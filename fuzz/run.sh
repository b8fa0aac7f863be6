#!/usr/bin/env bash
# Builds the fuzz targets with clang and fuzzes the command-table parser for SECONDS
# (default 30) over the committed seeds. New inputs and crashes go to fuzz/corpus-run/.
set -euo pipefail
seconds=${1:-30}
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-fuzz
run=$root/fuzz/corpus-run/command_table

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DVANTEL_FUZZ=ON -DVANTEL_TESTS=OFF \
  -DVANTEL_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target command_table_fuzz

mkdir -p "$run"
# The run directory comes first: libFuzzer writes what it finds there, never to the seeds.
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ASAN_OPTIONS=detect_leaks=1 \
  "$build/fuzz/command_table_fuzz" -max_total_time="$seconds" -max_len=4096 \
  -timeout=10 -print_final_stats=1 -artifact_prefix="$run/" \
  "$run" "$root/fuzz/corpus/command_table"
