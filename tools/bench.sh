#!/usr/bin/env bash
# Builds the benchmarks in a Release build directory and runs them all, then prints a short
# table of their figures. Benchmarks print what they measured; a missed target is shown as
# MISSED in the table and never makes this script fail (only a failed build does).
#   tools/bench.sh [--quick] [BUILD_DIR]      (default BUILD_DIR: build-bench)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
quick=
if [ "${1:-}" = "--quick" ]; then
  quick=--quick
  shift
fi
build=${1:-$top/build-bench}

cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target bench_decode bench_alloc bench_stack bench_feeder bench_kernels bench_anim bench_redraw bench_program -j"$(nproc)"

out=$(mktemp)
trap 'rm -f "$out"' EXIT
run() {
  if [ -x "$build/bin/$1" ]; then
    "$build/bin/$@" | tee -a "$out" || echo "bench: $1 ended with status $?" | tee -a "$out"
  else
    echo "bench: $1 was not built" | tee -a "$out"
  fi
}
run bench_decode
run bench_alloc
run bench_stack $quick
run bench_feeder $quick
run bench_kernels
run bench_anim
run bench_redraw
run bench_program $quick

field() { grep -m1 "^$1[[:space:]]*:" /proc/cpuinfo | sed 's/^[^:]*: *//'; }
cpu="$(field 'model name') (family $(field 'cpu family'), model $(field model), stepping $(field stepping))"
echo
echo "CPU: $cpu, $(nproc) CPUs; load average before the summary: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-3s %-50s %10s %-11s %-8s %s\n' id figure value unit target status
grep '^RESULT ' "$out" | while read -r _ id name value unit target status; do
  printf '%-3s %-50s %10s %-11s %-8s %s\n' "$id" "$name" "$value" "$unit" "$target" "$status"
done
