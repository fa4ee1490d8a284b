#!/bin/sh
# The cost of the chemical sphere in a survey: --all over the real CIFs of
# ../shared/realdata/cif (each file given 20 times, so that a run takes long
# enough to time), side by side
#
#  1. the default sphere against the build of an earlier commit (REV, the
#     first argument; default HEAD, the last commit) with its default;
#  2. the default sphere against --sphere=radii of the same build.
#
#   bench/run_sphere_bench.sh [REV]
#
# Prints farm-bench's medians and the ratio A/B (A = this tree). Needs
# farm-bench, or hyperfine (Debian package) as a fallback.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
rev=${1:-HEAD}
data="$root/../shared/realdata/cif"
[ -d "$data" ] || { echo "no $data: nothing to measure" >&2; exit 2; }

build="$root/build-bench"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVEXORIN_TESTS=OFF >/dev/null
cmake --build "$build" --target vexorin -j2 >/dev/null

previous="$root/build-bench-previous"
rm -rf "$previous"
git -C "$root" worktree add --detach "$previous/src" "$rev" >/dev/null 2>&1
trap 'git -C "$root" worktree remove --force "$previous/src" >/dev/null 2>&1 || true' EXIT INT TERM
cmake -S "$previous/src" -B "$previous/build" -DCMAKE_BUILD_TYPE=Release -DVEXORIN_TESTS=OFF >/dev/null
cmake --build "$previous/build" --target vexorin -j2 >/dev/null

files=""
for i in $(seq 20); do files="$files $(ls "$data"/*.cif | tr '\n' ' ')"; done

compare() {  # label A B
  echo "== $1"
  if command -v farm-bench >/dev/null; then
    # shellcheck disable=SC2086
    farm-bench -n 10 --timeout 600 --vs "$3" -- $2 | grep -E 'wall|A/B cpu'
  else
    hyperfine -N -w 1 -r 10 "$2" "$3" | grep -E 'Time|faster'
  fi
}

echo "machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)"
echo "previous build: $(git -C "$root" rev-parse --short "$rev")"
compare "survey, default sphere: this tree (A) against $rev (B)" \
  "$build/vexorin --all$files" "$previous/build/vexorin --all$files"
compare "survey, this tree: --sphere=chemical (A) against --sphere=radii (B)" \
  "$build/vexorin --all$files" "$build/vexorin --all --sphere=radii$files"
