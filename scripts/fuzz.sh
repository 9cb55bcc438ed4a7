#!/usr/bin/env bash
# Runs every fuzz target of build/fuzz on its seed corpus (fuzz/corpus/<target>) with the libFuzzer
# options given (e.g. -max_total_time=60 or -runs=1000000). New inputs go to build/fuzz/work, not
# into the committed corpus; a crashing input is kept in build/fuzz/artifacts. Exits non-zero as
# soon as one target fails, after printing its report. Usage: scripts/fuzz.sh [options] [-- targets]
set -euo pipefail
cd "$(dirname "$0")/.."

options=()
targets=(codec changeset dispatcher)
while [ $# -gt 0 ]; do
  if [ "$1" = "--" ]; then
    shift
    targets=("$@")
    break
  fi
  options+=("$1")
  shift
done

for t in "${targets[@]}"; do
  bin="build/fuzz/bin/fuzz_$t"
  if [ ! -x "$bin" ]; then
    echo "fuzz: $bin não existe (make build-fuzz)" >&2
    exit 1
  fi
  mkdir -p "build/fuzz/work/$t" build/fuzz/artifacts
  log="build/fuzz/$t.log"
  echo "== fuzz_$t ${options[*]}"
  # Leaks fail the run like crashes do; one slow input (10 s) counts as a failure too.
  if ! ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}" "$bin" "build/fuzz/work/$t" "fuzz/corpus/$t" \
      -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="build/fuzz/artifacts/$t-" "${options[@]}" >"$log" 2>&1; then
    tail -n 60 "$log" >&2
    echo "fuzz: fuzz_$t falhou (registro completo em $log)" >&2
    exit 1
  fi
  grep -E "^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)" "$log" || true
  grep -E "^#[0-9]+" "$log" | tail -n 1 || true
done
