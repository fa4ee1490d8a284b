#!/bin/sh
# Whole runs on a typical 20 KB CIF, process start included, side by side with
# `gemmi validate` merely reading the same file (Debian: apt-get install
# gemmi; it is no dependency of vexorin). Prints the mean time of each and the
# ratio vexorin / gemmi, for the released static program and for the build
# with Debian's shared runtime (the .deb).
#
# Uses hyperfine when installed (apt-get install hyperfine), otherwise plain
# repeated runs. RUNS sets the number of runs per command (default 300).
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
runs=${RUNS:-300}
jobs=${JOBS:-2}

gemmi=$(command -v gemmi || true)
if [ -z "$gemmi" ]; then echo "gemmi is not installed: nothing to compare with (apt-get install gemmi)"; exit 1; fi

build() {  # build directory, static runtime ON/OFF
  cmake -S "$root" -B "$1" -DCMAKE_BUILD_TYPE=Release -DVEXORIN_BENCH=ON -DVEXORIN_TESTS=OFF \
        -DVEXORIN_STATIC_RUNTIME="$2" >/dev/null
  cmake --build "$1" --target vexorin vexorin_bench -j"$jobs" >/dev/null
}
build "$root/build-bench" ON
build "$root/build-bench-shared" OFF
static="$root/build-bench/vexorin"
shared="$root/build-bench-shared/vexorin"

work=$(mktemp -d "${TMPDIR:-/tmp}/vexorin_startup_bench.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
"$root/build-bench/vexorin_bench" generate "$work" >/dev/null
cif="$work/typical_20k.cif"
central=C1
real="$root/../shared/realdata/cif/cod2224874_Ru.cif"
if [ -f "$real" ]; then cif=$real central=Ru; fi
echo "CIF: $(basename "$cif") ($(wc -c <"$cif") bytes), central atom $central, $runs runs each"

# Prints the mean seconds of one command.
mean_seconds() {
  if command -v hyperfine >/dev/null; then
    hyperfine -N --warmup 20 --runs "$runs" --export-csv "$work/t.csv" "$*" >/dev/null 2>&1
    awk -F, 'NR == 2 { printf "%.6f", $2 }' "$work/t.csv"
  else
    start=$(date +%s.%N)
    i=0
    while [ "$i" -lt "$runs" ]; do "$@" >/dev/null 2>&1 || true; i=$((i + 1)); done
    awk -v a="$start" -v b="$(date +%s.%N)" -v n="$runs" 'BEGIN { printf "%.6f", (b - a) / n }'
  fi
}

g=$(mean_seconds "$gemmi" validate "$cif")
s=$(mean_seconds "$static" "$cif" "$central")
d=$(mean_seconds "$shared" "$cif" "$central")
g2=$(mean_seconds "$gemmi" validate "$cif")
awk -v g="$g" -v g2="$g2" -v s="$s" -v d="$d" 'BEGIN {
  gm = (g + g2) / 2
  printf "%-40s %10s %8s\n", "command", "mean_ms", "x_gemmi"
  printf "%-40s %10.3f %8s\n", "gemmi validate", gm * 1000, "1.00"
  printf "%-40s %10.3f %8.2f\n", "vexorin, static (release, install)", s * 1000, s / gm
  printf "%-40s %10.3f %8.2f\n", "vexorin, shared runtime (.deb)", d * 1000, d / gm
}'
