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
cmake --build "$build" --target vexorin_bench vexorin -j"$jobs" >/dev/null
bench="$build/vexorin_bench"
program="$build/vexorin"

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

# Whole runs, process start included: the mean of repeated runs of the
# program on a typical CIF, next to gemmi merely reading the same file, and a
# search that fills the neighbour list (20000 images) in a small cell.
cat >"$work/small_cell.cif" <<'CIF'
data_small_cell
_cell_length_a 5.0
_cell_length_b 5.2
_cell_length_c 5.4
_cell_angle_beta 95
loop_
_atom_site_label
_atom_site_fract_x
_atom_site_fract_y
_atom_site_fract_z
Ni1 0.1 0.2 0.3
O1 0.4 0.2 0.3
O2 0.1 0.5 0.3
O3 0.1 0.2 0.6
CIF

now() { date +%s.%N; }
# Prints the mean wall time in seconds of REPEAT runs of a command.
mean_time() {
  repeat=$1; shift
  start=$(now)
  i=0
  while [ "$i" -lt "$repeat" ]; do "$@" >/dev/null 2>&1 || true; i=$((i + 1)); done
  awk -v a="$start" -v b="$(now)" -v n="$repeat" 'BEGIN { printf "%.4f", (b - a) / n }'
}

echo
printf '%-44s %10s %10s\n' "whole run" vexorin_s gemmi_s
run_line() {
  label=$1; shift
  t=$(mean_time 20 "$program" "$@")
  g="-"
  if [ -n "$gemmi" ]; then g=$(mean_time 20 "$gemmi" validate "$1"); fi
  printf '%-44s %10s %10s\n' "$label" "$t" "$g"
}
run_line "typical_20k.cif C1 (whole run)" "$work/typical_20k.cif" C1
real="$root/../shared/realdata/cif/cod2224874_Ru.cif"
if [ -f "$real" ]; then run_line "cod2224874_Ru.cif Ru (real 22 KB CIF)" "$real" Ru; fi
t=$(mean_time 5 "$program" "$work/small_cell.cif" Ni1 --max=60)
printf '%-44s %10s %10s\n' "small cell, --max=60 (20000 neighbours)" "$t" "-"
