// Smoke runs: with CADSERV_BENCH_SMOKE=1 (CI) each benchmark asking for a minimum time runs one
// iteration instead, so CI sees that every benchmark still runs without spending minutes on
// timings it does not read (the others get --benchmark_min_time=0, scripts/bench.sh --smoke).
#pragma once

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string_view>

namespace cad::bench {

inline bool smokeRun() {
  const char* s = std::getenv("CADSERV_BENCH_SMOKE");
  return s && std::string_view(s) == "1";
}

// BENCHMARK(...)->Apply(cad::bench::minTime<2>): at least 2 s of measurement, one iteration in a
// smoke run.
template <int Seconds>
void minTime(benchmark::internal::Benchmark* b) {
  if (smokeRun())
    b->Iterations(1);
  else
    b->MinTime(Seconds);
}

}  // namespace cad::bench
