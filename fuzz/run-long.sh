#!/usr/bin/env bash
# Runs one fuzz target for SECONDS on its corpus and prints the executions,
# the executions per second and the coverage reached.
#
#   fuzz/run-long.sh TARGET SECONDS [libFuzzer options...]
#   TARGET: cif shelx mat xyz cli run
#
# Builds the targets with clang into build-fuzz (VEXORIN_FUZZ_BUILD to
# change it). The working corpus lives in build-fuzz/corpus/TARGET: the
# committed seeds of fuzz/corpus/TARGET, the files of ../shared/realdata
# when that folder is present (copied there, never into the project), and
# what earlier runs found. A finding (crash, sanitizer report, a run over
# 2 s or over 1 GiB) ends the run with a non-zero status and is kept in
# build-fuzz/findings/TARGET.
set -euo pipefail

if [ $# -lt 2 ]; then
  echo "usage: $0 TARGET SECONDS [libFuzzer options...]" >&2
  exit 2
fi
target=$1
seconds=$2
shift 2
case "$target" in
  cif|shelx|mat|xyz|cli|run) ;;
  *) echo "unknown target: $target (cif shelx mat xyz cli run)" >&2; exit 2 ;;
esac

root=$(cd "$(dirname "$0")/.." && pwd)
build=${VEXORIN_FUZZ_BUILD:-$root/build-fuzz}
cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVEXORIN_FUZZ=ON -DVEXORIN_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target "fuzz_$target" >/dev/null

corpus="$build/corpus/$target"
findings="$build/findings/$target"
mkdir -p "$corpus" "$findings"
cp "$root/fuzz/corpus/$target/"* "$corpus/"

# Real files as seeds; the whole-run target takes them behind its four
# choice bytes (file kind, options, centre word, ligand mode).
realdata="$root/../shared/realdata"
seed_real() {  # folder header-bytes
  [ -d "$realdata/$1" ] || return 0
  for file in "$realdata/$1"/*; do
    [ -f "$file" ] || continue
    [ "$(wc -c <"$file")" -le 65536 ] || continue
    if [ -z "$2" ]; then
      cp "$file" "$corpus/real_$(basename "$file")"
    else
      { printf "$2"; cat "$file"; } >"$corpus/real_$(basename "$file")"
    fi
  done
}
case "$target" in
  cif) seed_real cif "" ;;
  shelx) seed_real shelx "" ;;
  mat) seed_real mat "" ;;
  xyz) seed_real xyz "" ;;
  run) seed_real cif '\000\000\007\000'; seed_real shelx '\001\000\003\000'
       seed_real xyz '\003\000\001\000' ;;
esac

# Inputs of a few KB reach every branch of the readers; longer ones (the
# real files) are cut there, so that the run spends its time on many inputs
# rather than on re-reading a few large ones. VEXORIN_FUZZ_MAX_LEN changes it.
max_len=${VEXORIN_FUZZ_MAX_LEN:-4096}
log="$findings/last-run.log"
status=0
(cd "$findings" && nice -n 19 "$build/fuzz_$target" "$corpus" \
   -dict="$root/fuzz/$target.dict" -max_total_time="$seconds" -timeout=2 \
   -rss_limit_mb=1024 -malloc_limit_mb=1024 -max_len="$max_len" -print_final_stats=1 \
   -artifact_prefix="$findings/" "$@") >"$log" 2>&1 || status=$?

executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
per_second=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
coverage=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -n 1 || true)
# The run ends at -max_total_time or earlier (-runs, a finding): report the
# time it took, as libFuzzer counts it.
elapsed=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -n 1)
# With -fork=N libFuzzer prints no final stats; its last status line
# ("#N: cov: ... time: Ss") holds the executions of all jobs and the time.
if [ -z "$executions" ]; then
  fork_line=$(grep -E '^#[0-9]+: cov: ' "$log" | tail -n 1 || true)
  if [ -n "$fork_line" ]; then
    executions=$(echo "$fork_line" | sed -n 's/^#\([0-9]*\):.*/\1/p')
    elapsed=$(echo "$fork_line" | sed -n 's/.* time: \([0-9]*\)s.*/\1/p')
    [ -n "$elapsed" ] && [ "$elapsed" -gt 0 ] && per_second=$((executions / elapsed))
  fi
fi
echo "fuzz_$target: ${executions:-?} executions in ${elapsed:-$seconds} s, ${per_second:-?} per second, ${coverage:-no coverage line}"
if [ "$status" -ne 0 ]; then
  echo "fuzz_$target: FINDING (status $status); log $log" >&2
  grep -E 'ERROR|SUMMARY|runtime error|Test unit written|ALARM' "$log" | head -n 20 >&2 || true
fi
exit "$status"
