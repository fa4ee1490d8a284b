#!/bin/sh
# Builds and runs the shape measure benchmark (Release): the time per
# coordination centre of the exact search against every reference of its
# CN, for CN 8 (13 references, the worst case) on random, near-ideal and real
# polyhedra and for CN 2 to 7, with the brute force over all N! assignments
# on the same polyhedra as the peer.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-bench"
jobs=${JOBS:-2}

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVEXORIN_BENCH=ON -DVEXORIN_TESTS=OFF >/dev/null
cmake --build "$build" --target vexorin_shape_bench -j"$jobs" >/dev/null
realdata="$root/../shared/realdata"
if [ -d "$realdata" ]; then
  "$build/vexorin_shape_bench" "$realdata"
else
  echo "no ../shared/realdata: real structures skipped"
  "$build/vexorin_shape_bench"
fi
