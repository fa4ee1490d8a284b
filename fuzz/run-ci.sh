#!/usr/bin/env bash
# The fuzz step of continuous integration, reproducible: the same inputs
# give the same verdict on every run, so that a new finding cannot fail an
# unrelated change at random.
#
#   fuzz/run-ci.sh [RUNS]
#
# For each target (cif shelx mat xyz cli run):
#  1. replay every committed corpus and regression input once (a hard gate:
#     any crash, sanitizer report, run over 10 s or over 1 GiB fails);
#  2. fuzz from the committed seed corpus with a fixed seed for RUNS
#     executions (default 50000) under the same limits.
# Builds the targets with clang into build-fuzz (VEXORIN_FUZZ_BUILD to
# change it). Long runs that explore are fuzz/run-long.sh.
set -euo pipefail

runs=${1:-50000}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VEXORIN_FUZZ_BUILD:-$root/build-fuzz}
cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVEXORIN_FUZZ=ON -DVEXORIN_TESTS=OFF >/dev/null
cmake --build "$build" -j2 >/dev/null

limits=(-timeout=10 -rss_limit_mb=1024 -malloc_limit_mb=1024)
status=0
for target in cif shelx mat xyz cli run; do
  binary="$build/fuzz_$target"
  work="$build/ci/$target"
  rm -rf "$work" && mkdir -p "$work/corpus" "$work/findings"
  inputs=("$root/fuzz/corpus/$target")
  [ -d "$root/fuzz/regressions/$target" ] && inputs+=("$root/fuzz/regressions/$target")

  # 1. Every committed input once (-runs=0: the corpus is read and run,
  # nothing new is tried).
  if ! (cd "$work/findings" && "$binary" -runs=0 "${limits[@]}" -artifact_prefix="$work/findings/" \
          "${inputs[@]}") >"$work/replay.log" 2>&1; then
    echo "fuzz_$target: a committed input fails; log $work/replay.log" >&2
    grep -E 'ERROR|SUMMARY|runtime error|Test unit written|ALARM' "$work/replay.log" | head -n 20 >&2 || true
    status=1
    continue
  fi
  replayed=$(find "${inputs[@]}" -type f | wc -l)

  # 2. A fixed seed from a copy of the committed corpus (new inputs land in
  # the copy, never in the project). Whole runs on inputs of a few KB are
  # slow; 1 KB reaches their branches.
  max_len=4096
  [ "$target" = run ] && max_len=1024
  # The regressions are replayed above, not mutated: some are slow by
  # design (a search of 10^4 neighbours).
  cp "$root/fuzz/corpus/$target"/* "$work/corpus/"
  if ! (cd "$work/findings" && "$binary" "$work/corpus" -seed=1 -runs="$runs" "${limits[@]}" \
          -dict="$root/fuzz/$target.dict" -max_len="$max_len" -artifact_prefix="$work/findings/" \
          -print_final_stats=1) >"$work/fuzz.log" 2>&1; then
    echo "fuzz_$target: FINDING with -seed=1 -runs=$runs; log $work/fuzz.log" >&2
    grep -E 'ERROR|SUMMARY|runtime error|Test unit written|ALARM' "$work/fuzz.log" | head -n 20 >&2 || true
    status=1
    continue
  fi
  elapsed=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$work/fuzz.log" | tail -n 1)
  echo "fuzz_$target: ${replayed:-?} committed inputs replayed; $runs executions with seed 1 in ${elapsed:-?} s, no finding"
done
exit "$status"
