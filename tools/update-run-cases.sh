#!/bin/bash
# Writes the expected console and exit status of every whole-run case
# (tests/runs/cases/<name>.args) from a build's program, then shows what
# changed, for review: nothing is accepted without a look at the diff.
#   tools/update-run-cases.sh [build-dir] [case-name ...]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
[ $# -gt 0 ] && shift
program="$build/vexorin"
cases="$root/tests/runs/cases"
if [ $# -eq 0 ]; then
  set -- $(cd "$cases" && ls *.args | sed 's/\.args$//')
fi
cd "$root/tests"
for name in "$@"; do
  mapfile -t argv < "$cases/$name.args"
  out=out
  for arg in "${argv[@]}"; do
    case "$arg" in --format=json|format=json) out=jsonl ;; --format=csv|format=csv) out=csv ;; esac
  done
  rm -f "$cases/$name.out" "$cases/$name.jsonl" "$cases/$name.csv"
  status=0
  "$program" "${argv[@]}" > "$cases/$name.$out" 2>/dev/null || status=$?
  echo "$status" > "$cases/$name.status"
done
cd "$root"
git add -N tests/runs/cases
git diff --stat -- tests/runs/cases
git diff -- tests/runs/cases
