#!/usr/bin/env bash
# Builds the fuzz targets with clang and fuzzes them over the committed seeds.
#
#   fuzz/run.sh [TARGET] [SECONDS]
#
# TARGET is a *_fuzz.cpp name with or without "_fuzz" (command_table, hostile_host, kalbrix)
# or "all" (the default); SECONDS is the time per target (default 30). A lone number is the
# time: `fuzz/run.sh 60` fuzzes every target for 60 seconds each. New inputs and crashes go to
# fuzz/corpus-run/TARGET/; the build goes to build-fuzz/, or to $VANTEL_FUZZ_BUILD when set.
# Every target runs even after one fails; the status is non-zero when any did.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VANTEL_FUZZ_BUILD:-$root/build-fuzz}

target=all
seconds=30
if [[ $# -ge 1 && $1 =~ ^[0-9]+$ ]]; then
  seconds=$1
  shift
elif [[ $# -ge 1 ]]; then
  target=${1%_fuzz}
  shift
fi
if [[ $# -ge 1 ]]; then
  seconds=$1
  shift
fi
if [[ $# -gt 0 || ! $seconds =~ ^[0-9]+$ ]]; then
  echo "usage: fuzz/run.sh [TARGET|all] [SECONDS]" >&2
  exit 2
fi

targets=()
for source in "$root"/fuzz/*_fuzz.cpp; do
  name=$(basename "$source" _fuzz.cpp)
  if [[ $target == all || $target == "$name" ]]; then targets+=("$name"); fi
done
if [[ ${#targets[@]} -eq 0 ]]; then
  echo "fuzz/run.sh: no target \"$target\"; there are:" $(basename -s _fuzz.cpp "$root"/fuzz/*_fuzz.cpp) >&2
  exit 2
fi

# The longest input each target needs: a Kalbrix file is several kilobytes.
max_len() {
  case $1 in
    kalbrix) echo 16384 ;;
    *) echo 4096 ;;
  esac
}

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DVANTEL_FUZZ=ON -DVANTEL_TESTS=OFF \
  -DVANTEL_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/%/_fuzz}"

# The targets fuzz side by side, each for its time, its output kept apart and printed whole
# when it ends.
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
pids=()
for name in "${targets[@]}"; do
  run=$root/fuzz/corpus-run/$name
  mkdir -p "$run"
  # The run directory comes first: libFuzzer writes what it finds there, never to the seeds.
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ASAN_OPTIONS=detect_leaks=1 \
    "$build/fuzz/${name}_fuzz" -max_total_time="$seconds" -max_len="$(max_len "$name")" \
    -timeout=10 -print_final_stats=1 -artifact_prefix="$run/" \
    "$run" "$root/fuzz/corpus/$name" >"$logs/$name" 2>&1 &
  pids+=($!)
done
status=0
for i in "${!targets[@]}"; do
  name=${targets[$i]}
  verdict=passed
  wait "${pids[$i]}" || { verdict=FAILED; status=1; }
  echo "== $name: $seconds seconds, $verdict"
  cat "$logs/$name"
done
exit $status
