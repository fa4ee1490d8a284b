#!/bin/sh
# Builds the CIF benchmark, writes the benchmark CIFs into a temporary
# directory and reads each one, side by side with `gemmi validate` when gemmi
# is installed (Debian: apt-get install gemmi; it is no dependency of vexorin).
#
# Columns: read = best of three loads inside the program; wall and peak =
# one load as a whole process, as /usr/bin/time sees it (or getrusage
# without it), which is what gemmi is measured by.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-bench"
jobs=${JOBS:-2}

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVEXORIN_BENCH=ON -DVEXORIN_TESTS=OFF >/dev/null
cmake --build "$build" --target vexorin_bench -j"$jobs" >/dev/null
bench="$build/vexorin_bench"

work=$(mktemp -d "${TMPDIR:-/tmp}/vexorin_cif_bench.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
"$bench" generate "$work" >/dev/null

timer=""
if [ -x /usr/bin/time ]; then timer=/usr/bin/time; fi
gemmi=$(command -v gemmi || true)
if [ -z "$gemmi" ]; then echo "gemmi is not installed: no comparison (apt-get install gemmi)"; fi

# Runs a command; prints "wall_seconds peak_kilobytes" ("- -" without a timer).
measure() {
  if [ -n "$timer" ]; then
    "$timer" -f "%e %M" -o "$work/time.txt" "$@" >"$work/out.txt" 2>&1 || true
    tail -n 1 "$work/time.txt"
  else
    "$@" >"$work/out.txt" 2>&1 || true
    echo "- -"
  fi
}

field() { sed -n "s/.*$1=\([^ ]*\).*/\1/p" "$work/out.txt"; }

printf '%-20s %8s | %8s %8s %7s %8s %6s | %8s %8s | %6s\n' \
  file MB read_s MB/s wall_s peak_MB xsize gemmi_s gemmi_MB t/gemmi
for name in atoms_100k.cif blocks_2000.cif textfield_25mb.cif typical_20k.cif; do
  file="$work/$name"
  size=$(wc -c <"$file")
  "$bench" read "$file" 3 >"$work/out.txt"
  read_s=$(field read_s)
  mb_s=$(field mb_s)
  set -- $(measure "$bench" read "$file" 1)
  wall=$1 peak=$2
  if [ "$peak" = "-" ]; then peak=$(field peak_kb); fi
  gwall="-" gpeak="-"
  if [ -n "$gemmi" ]; then
    set -- $(measure "$gemmi" validate "$file")
    gwall=$1 gpeak=$2
  fi
  awk -v n="$name" -v size="$size" -v r="$read_s" -v s="$mb_s" -v w="$wall" -v p="$peak" \
      -v gw="$gwall" -v gp="$gpeak" 'BEGIN {
    mb = size / 1048576
    ratio = (gw == "-" || gw + 0 == 0 || w == "-") ? "-" : sprintf("%.2f", w / gw)
    gmb = (gp == "-") ? "-" : sprintf("%.1f", gp / 1024)
    printf "%-20s %8.2f | %8.4f %8.0f %7s %8.1f %6.2f | %8s %8s | %6s\n",
           n, mb, r, s, w, p / 1024, (p / 1024) / mb, gw, gmb, ratio
  }'
done
