#!/usr/bin/env bash
# Builds the release preset and runs the benchmarks; extra arguments go to the benchmark program
# (e.g. --benchmark_filter=SetData). --smoke first runs each benchmark for one iteration (CI: they
# still run; no timing is read).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--smoke" ]; then
  shift
  export CADSERV_BENCH_SMOKE=1
  set -- --benchmark_min_time=0 "$@"
fi
cmake --preset release >/dev/null
cmake --build --preset release --target cadserv-bench -j"${JOBS:-2}"
exec build/release/bin/cadserv-bench "$@"
