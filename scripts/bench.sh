#!/usr/bin/env bash
# Builds the release preset and runs the benchmarks; extra arguments go to the benchmark program
# (e.g. --benchmark_filter=SetData).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release --target cadserv-bench -j"${JOBS:-2}"
exec build/release/bin/cadserv-bench "$@"
