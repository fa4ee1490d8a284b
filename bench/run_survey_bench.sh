#!/bin/sh
# Surveys against single runs and against the CIF reader of gemmi (Debian's
# gemmi package; no dependency of vexorin), whole processes side by side:
#
#   all / one   --all on a CIF of 10^5 atoms of which every 50th is a Ni
#               centre (about 2000), against one centre of the same file;
#   json/gemmi  --all --format=json over the real CIFs beside the project in
#               one process, against `gemmi validate` given the same files.
#
# The large CIF is the benchmark's atoms_100k.cif with every 50th carbon made
# a nickel (in the atom sites and the angle rows) and the cell edges made
# 13.5 times longer: 4 x 10^5 atom images in the cell then give 0.055 atoms
# per cubic Angstrom, as in a molecular crystal, and coordination numbers
# around 3 to 5, instead of random points packed 2400 times too densely.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-bench"
jobs=${JOBS:-2}
repeat=${REPEAT:-5}

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVEXORIN_BENCH=ON -DVEXORIN_TESTS=OFF >/dev/null
cmake --build "$build" --target vexorin_bench vexorin -j"$jobs" >/dev/null
program="$build/vexorin"

work=$(mktemp -d "${TMPDIR:-/tmp}/vexorin_survey_bench.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
"$build/vexorin_bench" generate "$work" >/dev/null

awk '
  function nickel(label) { return substr(label, 2) % 50 == 0 ? "Ni" substr(label, 2) : label }
  $1 ~ /^_cell_length_[abc]$/ { sub(/\(.*/, "", $2); printf "%s %.4f\n", $1, $2 * 13.5; next }
  NF == 13 && $1 ~ /^C[0-9]+$/ && $2 == "C" {
    if (nickel($1) != $1) { $1 = nickel($1); $2 = "Ni" }
    print; next
  }
  NF == 7 && $1 ~ /^C[0-9]+$/ { $1 = nickel($1); $2 = nickel($2); $3 = nickel($3); print; next }
  { print }
' "$work/atoms_100k.cif" >"$work/nickel_100k.cif"

now() { date +%s.%N; }
# Prints the mean wall time in seconds of REPEAT runs of a command.
mean_time() {
  runs=$1; shift
  start=$(now)
  i=0
  while [ "$i" -lt "$runs" ]; do "$@" >/dev/null 2>&1 || true; i=$((i + 1)); done
  awk -v a="$start" -v b="$(now)" -v n="$runs" 'BEGIN { printf "%.4f", (b - a) / n }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf (b > 0 ? "%.2f" : "-"), a / b }'; }

big="$work/nickel_100k.cif"
centres=$("$program" --all --format=csv "$big" | tail -n +2 | wc -l)
printf '%-52s %10s\n' "nickel_100k.cif: MB, centres" "$(awk -v s="$(wc -c <"$big")" 'BEGIN { printf "%.1f", s / 1048576 }'), $centres"
one=$(mean_time "$repeat" "$program" "$big" Ni50 --brief)
all=$(mean_time 1 "$program" --all --format=json "$big")
printf '%-52s %10s\n' "one centre (Ni50), s" "$one"
printf '%-52s %10s\n' "--all --format=json, s" "$all"
printf '%-52s %10s\n' "ratio all / one" "$(ratio "$all" "$one")"

real="$root/../shared/realdata/cif"
gemmi=$(command -v gemmi || true)
if [ -d "$real" ] && [ -n "$gemmi" ]; then
  set -- "$real"/*.cif
  survey=$(mean_time "$repeat" "$program" --all --format=json "$@")
  read=$(mean_time "$repeat" "$gemmi" validate "$@")
  printf '%-52s %10s\n' "$# real CIFs, --all --format=json, s" "$survey"
  printf '%-52s %10s\n' "$# real CIFs, gemmi validate, s" "$read"
  printf '%-52s %10s\n' "ratio survey / gemmi" "$(ratio "$survey" "$read")"
else
  echo "no real CIFs beside the project, or gemmi not installed (apt-get install gemmi)"
fi
