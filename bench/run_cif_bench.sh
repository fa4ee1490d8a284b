#!/bin/sh
# Builds the CIF benchmark, writes the benchmark CIFs into a temporary
# directory and measures, side by side with `gemmi validate` (Debian:
# apt-get install gemmi; it is no dependency of vexorin):
#
#  1. the reader alone on each file (in-process load, and as a process);
#  2. one whole run (one Ni centre) on structures of 10^5 and 10^6 atoms,
#     as ratios to gemmi reading the same file, peak memory over file size
#     and the growth from 10^5 to 10^6 atoms;
#  3. the survey of every metal centre (--all), against one centre and gemmi.
#
# Whole processes are timed from outside: wall seconds by the clock around
# each run, peak memory by /usr/bin/time (Debian package time). Two commands
# compared run in turn, A B A B ..., and the ratio is the median of the
# ratios of each pair, so that a machine whose speed drifts still compares
# fairly. RUNS sets the number of pairs (default 5).
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-bench"
jobs=${JOBS:-2}
runs=${RUNS:-5}

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

memory_kb=$(awk '/^MemTotal/ { print $2 }' /proc/meminfo 2>/dev/null || echo 0)
cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo 2>/dev/null | head -n 1)
echo "machine: $(nproc 2>/dev/null || echo '?') cores, ${cpu:-unknown processor}," \
     "$((memory_kb / 1048576)) GiB; $(uname -sr)"
if [ -n "$gemmi" ]; then echo "peer: $("$gemmi" --version 2>&1 | head -n 1)"; fi
echo

now() { date +%s.%N; }

# Runs a command once, its output thrown away; prints "wall_seconds
# peak_kilobytes" (the peak is "-" without /usr/bin/time).
run_once() {
  start=$(now)
  if [ -n "$timer" ]; then
    "$timer" -f "%M" -o "$work/peak.txt" "$@" >/dev/null 2>&1 || true
    peak=$(tail -n 1 "$work/peak.txt")
  else
    "$@" >/dev/null 2>&1 || true
    peak="-"
  fi
  awk -v a="$start" -v b="$(now)" -v p="$peak" 'BEGIN { printf "%.4f %s\n", b - a, p }'
}

median() {
  sort -g | awk '{ v[NR] = $1 }
    END {
      if (NR == 0) print "-"
      else if (NR % 2) print v[(NR + 1) / 2]
      else printf "%.4f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2
    }'
}

# Runs command A (the words up to "--vs") and command B (the rest) in turn,
# $runs pairs after one warm-up pair. Sets a_s, b_s (median wall seconds),
# ratio (median of A/B pair by pair), a_kb, b_kb (largest peaks).
compare() {
  a_cmd="" b_cmd="" side=a
  for word in "$@"; do
    if [ "$word" = "--vs" ]; then side=b; continue; fi
    if [ "$side" = a ]; then a_cmd="$a_cmd '$word'"; else b_cmd="$b_cmd '$word'"; fi
  done
  : >"$work/pairs.txt"
  i=0
  while [ "$i" -le "$runs" ]; do
    a=$(eval run_once "$a_cmd")
    b=$(eval run_once "$b_cmd")
    if [ "$i" -gt 0 ]; then echo "$a $b" >>"$work/pairs.txt"; fi
    i=$((i + 1))
  done
  a_s=$(awk '{ print $1 }' "$work/pairs.txt" | median)
  b_s=$(awk '{ print $3 }' "$work/pairs.txt" | median)
  ratio=$(awk '$3 > 0 { printf "%.4f\n", $1 / $3 }' "$work/pairs.txt" | median)
  a_kb=$(awk '{ print $2 }' "$work/pairs.txt" | sort -g | tail -n 1)
  b_kb=$(awk '{ print $4 }' "$work/pairs.txt" | sort -g | tail -n 1)
}

# Like compare for one command alone: sets a_s and a_kb.
measure() {
  : >"$work/runs.txt"
  i=0
  while [ "$i" -le "$runs" ]; do
    t=$(run_once "$@")
    if [ "$i" -gt 0 ]; then echo "$t" >>"$work/runs.txt"; fi
    i=$((i + 1))
  done
  a_s=$(awk '{ print $1 }' "$work/runs.txt" | median)
  a_kb=$(awk '{ print $2 }' "$work/runs.txt" | sort -g | tail -n 1)
}

size_of() { wc -c <"$1" | tr -d ' '; }
per_file() {
  awk -v kb="$1" -v bytes="$2" 'BEGIN { if (kb == "-") print "-"; else printf "%.2f", kb * 1024 / bytes }'
}
mib() { awk -v kb="$1" 'BEGIN { if (kb == "-") print "-"; else printf "%.1f", kb / 1024 }'; }

# ------------------------------------------------------------ 1. the reader
echo "1. The reader alone (read = best of three loads in the process; as a process: wall, peak)"
printf '%-20s %8s | %8s %8s | %8s %8s %6s | %8s %8s | %6s\n' \
  file MB read_s MB/s wall_s peak_MB xsize gemmi_s gemmi_MB t/gemmi
field() { sed -n "s/.*$1=\([^ ]*\).*/\1/p" "$work/read.txt"; }
for name in atoms_100k.cif blocks_2000.cif textfield_25mb.cif typical_20k.cif nickel_100k.cif; do
  file="$work/$name"
  size=$(size_of "$file")
  "$bench" read "$file" 3 >"$work/read.txt"
  if [ -n "$gemmi" ]; then
    compare "$bench" read "$file" 1 --vs "$gemmi" validate "$file"
  else
    measure "$bench" read "$file" 1
    b_s="-" b_kb="-" ratio="-"
  fi
  printf '%-20s %8.2f | %8.4f %8.0f | %8s %8s %6s | %8s %8s | %6s\n' "$name" \
    "$(awk -v s="$size" 'BEGIN { print s / 1048576 }')" "$(field read_s)" "$(field mb_s)" \
    "$a_s" "$(mib "$a_kb")" "$(per_file "$a_kb" "$size")" "$b_s" "$(mib "$b_kb")" "$ratio"
done
echo

# ------------------------------------------------------------ 2. one centre
echo "2. One run, central atom Ni1 (the whole program: read, atom sites, search, report)"
printf '%-16s %8s | %9s %9s %9s | %9s %9s\n' file MB vexorin_s gemmi_s t/gemmi peak_MB peak/file
for name in nickel_100k.cif nickel_1m.cif; do
  file="$work/$name"
  size=$(size_of "$file")
  if [ -n "$gemmi" ]; then
    compare "$program" "$file" Ni1 --vs "$gemmi" validate "$file"
  else
    measure "$program" "$file" Ni1
    b_s="-" ratio="-"
  fi
  printf '%-16s %8.1f | %9s %9s %9s | %9s %9s\n' "$name" \
    "$(awk -v s="$size" 'BEGIN { print s / 1048576 }')" "$a_s" "$b_s" "$ratio" "$(mib "$a_kb")" \
    "$(per_file "$a_kb" "$size")"
  case $name in
    nickel_100k.cif) ratio_small=$ratio ;;
    nickel_1m.cif) ratio_large=$ratio ;;
  esac
done
# The growth from 10^5 to 10^6 atoms, also measured pair by pair.
compare "$program" "$work/nickel_1m.cif" Ni1 --vs "$program" "$work/nickel_100k.cif" Ni1
growth=$ratio

# Peak memory of a whole run on every benchmark file. The runs on the
# reader's files end in a coordination error after everything is read.
echo
printf '%-20s %8s %9s %9s\n' "whole run on" MB peak_MB peak/file
worst=0
for name in atoms_100k.cif blocks_2000.cif textfield_25mb.cif typical_20k.cif nickel_100k.cif \
            nickel_1m.cif; do
  file="$work/$name"
  size=$(size_of "$file")
  centre=C1
  case $name in nickel_*) centre=Ni1 ;; esac
  set -- $(run_once "$program" "$file" "$centre")
  x=$(per_file "$2" "$size")
  note=""
  if [ "$size" -lt 1048576 ]; then
    note="  (small file: the process itself is most of the peak)"
  elif [ "$x" != "-" ]; then
    worst=$(awk -v a="$worst" -v b="$x" 'BEGIN { print (b > a) ? b : a }')
  fi
  printf '%-20s %8.2f %9s %9s%s\n' "$name" "$(awk -v s="$size" 'BEGIN { print s / 1048576 }')" \
    "$(mib "$2")" "$x" "$note"
done

echo
echo "Targets of one run                                  measured   target"
printf '  time / gemmi validate, 10^5 atoms                %8s   <= 0.5\n' "$ratio_small"
printf '  time / gemmi validate, 10^6 atoms                %8s   <= 0.5\n' "$ratio_large"
printf '  peak memory / file size, largest over files >1 MB%8s   <= 3\n' "$worst"
printf '  time 10^6 atoms / time 10^5 atoms                %8s   <= 12\n' "$growth"

# ------------------------------------------------------------ small inputs
# Whole runs on small inputs, where starting the process is most of the
# time: a typical CIF, a real one, and a search that fills the neighbour
# list (20000 images) in a small cell.
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

# Prints the mean wall time in seconds of 20 runs of a command in a row
# (the timer of a single run would cost more than such a run).
mean_time() {
  start=$(now)
  i=0
  while [ "$i" -lt 20 ]; do "$@" >/dev/null 2>&1 || true; i=$((i + 1)); done
  awk -v a="$start" -v b="$(now)" 'BEGIN { printf "%.4f", (b - a) / 20 }'
}

echo
printf '%-44s %10s %10s %8s\n' "whole run, small input (mean of 20)" vexorin_s gemmi_s t/gemmi
small_line() {
  label=$1; file=$2; shift 2
  t=$(mean_time "$program" "$file" "$@")
  g="-" r="-"
  if [ -n "$gemmi" ]; then
    g=$(mean_time "$gemmi" validate "$file")
    r=$(awk -v t="$t" -v g="$g" 'BEGIN { printf "%.2f", t / g }')
  fi
  printf '%-44s %10s %10s %8s\n' "$label" "$t" "$g" "$r"
}
small_line "typical_20k.cif C1" "$work/typical_20k.cif" C1
real="$root/../shared/realdata/cif/cod2224874_Ru.cif"
if [ -f "$real" ]; then small_line "cod2224874_Ru.cif Ru (real 22 KB CIF)" "$real" Ru; fi
printf '%-44s %10s %10s %8s\n' "small cell, --max=60 (20000 neighbours)" \
  "$(mean_time "$program" "$work/small_cell.cif" Ni1 --max=60)" - -

# ------------------------------------------------------------ 3. the survey
# The survey of every metal centre: --all on nickel_100k.cif (2000 Ni
# centres) against one centre of the same file, and --all --format=json over
# the real CIFs beside the project in one process against gemmi validate
# given the same files in one process.
survey_ratios() {
  echo
  echo "3. Survey (--all)                                   measured   target"
  compare "$program" --all --format=json "$work/nickel_100k.cif" --vs "$program" "$work/nickel_100k.cif" Ni1
  printf '  --all / one centre, nickel_100k.cif (%s s / %s s) %6s   <= 1.5\n' "$a_s" "$b_s" "$ratio"
  real_dir="$root/../shared/realdata/cif"
  if [ -d "$real_dir" ] && [ -n "$gemmi" ]; then
    set -- "$real_dir"/*.cif
    compare "$program" --all --format=json "$@" --vs "$gemmi" validate "$@"
    printf '  --all --format=json / gemmi validate, %s real CIFs %6s   <= 1.0\n' "$#" "$ratio"
  else
    echo "  no real CIFs beside the project, or gemmi not installed: no survey/gemmi ratio"
  fi
}
survey_ratios
