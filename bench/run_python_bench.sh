#!/bin/sh
# The Python module's survey against the command line's: vexorin.survey over
# the real CIFs of ../shared/realdata/cif (each file given 20 times) against
# `vexorin --all --format=json` over the same files, both from this tree,
# side by side: the whole Python process (start and import included), and
# the call alone as a notebook makes it (median of 10 calls in one process,
# against the median of 10 runs of the program).
#
#   bench/run_python_bench.sh
#
# Builds the program and the wheel, installs the wheel into a virtual
# environment in build-bench-python, and prints farm-bench's medians and the
# ratio A/B (A = Python). Needs farm-bench, or hyperfine as a fallback.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
data="$root/../shared/realdata/cif"
[ -d "$data" ] || { echo "no $data: nothing to measure" >&2; exit 2; }

build="$root/build-bench"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVEXORIN_TESTS=OFF >/dev/null
cmake --build "$build" --target vexorin -j2 >/dev/null

venv="$root/build-bench-python"
rm -rf "$venv" && /usr/bin/python3 -m venv --system-site-packages "$venv"
(cd "$root" && /usr/bin/python3 -m build --no-isolation --wheel --outdir "$venv/dist" >/dev/null 2>&1)
"$venv/bin/python" -m pip install -q --no-index --no-deps "$venv"/dist/vexorin-*.whl

files=""
for i in $(seq 20); do files="$files $(ls "$data"/*.cif | tr '\n' ' ')"; done
script="$venv/survey.py"
cat >"$script" <<PY
import sys, vexorin
records = vexorin.survey(sys.argv[1:])
print(len(records))
PY

echo "machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)"
echo "== survey: vexorin.survey (A) against vexorin --all --format=json (B)"
if command -v farm-bench >/dev/null; then
  # shellcheck disable=SC2086
  farm-bench -n 10 --timeout 600 --vs "$build/vexorin --all --format=json$files" -- \
    "$venv/bin/python" "$script" $files | grep -E 'wall|A/B cpu'
else
  hyperfine -N -w 1 -r 10 "$venv/bin/python $script$files" \
    "$build/vexorin --all --format=json$files" | grep -E 'Time|faster'
fi

echo "== the call alone: vexorin.survey (A) in one process against the program's run (B)"
# shellcheck disable=SC2086
"$venv/bin/python" - "$build/vexorin" $files <<'PY'
import statistics, subprocess, sys, time
import vexorin
program, files = sys.argv[1], sys.argv[2:]
def median_seconds(step, runs=10):
    step()
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        step()
        times.append(time.perf_counter() - start)
    return statistics.median(times)
a = median_seconds(lambda: vexorin.survey(files))
b = median_seconds(lambda: subprocess.run([program, "--all", "--format=json", *files],
                                          stdout=subprocess.DEVNULL))
print(f"A median s {a:.3f}   B median s {b:.3f}   A/B {a / b:.2f}")
PY
