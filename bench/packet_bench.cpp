// Packet loading benchmark: a 100 000-row packet as JSON, decoded by the RPC codec and loaded into
// a ClientDataSet (SetData), against parsing the same text with nlohmann-json alone (a document,
// nothing loaded). The second benchmark reports its ratio to the first.
// BM_Packet100k_VsSimdjson interleaves, iteration by iteration, simdjson's DOM parse of the same
// text (the anchor), decode + SetData, and decode + SetData into a dataset ordered by name
// (IndexFieldNames); it reports the median of each and the medians of the per-iteration ratios
// (goals: decode + SetData at most 2x the anchor, the ordered load at most 1.5x the plain one),
// in wall time and in thread CPU time (cpu_*; the machine may be shared), the CPU time of
// merely copying the decoded packet (a deep copy of its columns) against the anchor, and the
// memory the decoded packet holds per number or date cell and per text cell (goal: at most 12
// bytes per number or date cell).
#include <benchmark/benchmark.h>
#include <simdjson.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <nlohmann/json.hpp>
#include <vector>

#include "bench/smoke.h"
#include "platform/core/packet.h"
#include "platform/data/dataset.h"
#include "platform/net/codec.h"

namespace {

using Clock = std::chrono::steady_clock;

// Service-like rows: codes, names, flags, eight weekday quantities, a date and a sequence number.
const std::string& packetJson() {
  static const std::string text = [] {
    auto p = std::make_shared<cad::Packet>();
    p->fields = {{"CDFILIAL", cad::FieldType::String, 4},    {"CDSERVFILI", cad::FieldType::String, 5},
                 {"NMSERVICO", cad::FieldType::String, 40},  {"CDGRUPSERV", cad::FieldType::String, 3},
                 {"IDTIPOSERV", cad::FieldType::String, 1},  {"IDSERVATIV", cad::FieldType::String, 1},
                 {"DTREFCUSPADR", cad::FieldType::DateTime}, {"NRORDEM", cad::FieldType::Integer}};
    for (const char* d : {"SEG", "TER", "QUA", "QUI", "SEX", "SAB", "DOM", "FER"})
      p->fields.push_back({std::string("QTCOMESTI") + d, cad::FieldType::Float});
    p->rows.reserve(100000);
    for (int r = 0; r < 100000; ++r) {
      char code[8];
      std::snprintf(code, sizeof code, "%05d", r);
      std::vector<cad::Variant> row{"0001",
                                    code,
                                    "Serviço de refeição número " + std::to_string(r),
                                    "001",
                                    "N",
                                    r % 3 ? "S" : "N",
                                    cad::DateTime::fromDate(2026, 1 + r % 12, 1),
                                    r};
      for (int d = 0; d < 8; ++d) {
        cad::Variant qty;  // Sundays stay null
        if (d != 6) qty = 100.5 + (r % 97) + d * 0.25;
        row.push_back(qty);
      }
      p->rows.push_back(std::move(row));
    }
    return cad::net::encodeValue(cad::Variant(cad::PacketPtr(p)));
  }();
  return text;
}

double gNlohmannSeconds = 0;

void BM_Packet100k_NlohmannParse(benchmark::State& state) {
  const std::string& text = packetJson();
  double total = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    nlohmann::json doc = nlohmann::json::parse(text);
    benchmark::DoNotOptimize(doc);
    total += std::chrono::duration<double>(Clock::now() - start).count();
  }
  gNlohmannSeconds = total / static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_Packet100k_DecodeAndSetData(benchmark::State& state) {
  const std::string& text = packetJson();
  double total = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    cad::ClientDataSet cds;
    cds.SetData(cad::net::decodeValue(text).packetPtr());
    benchmark::DoNotOptimize(cds.RecordCount());
    total += std::chrono::duration<double>(Clock::now() - start).count();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  if (gNlohmannSeconds > 0)
    state.counters["ratio_vs_nlohmann"] = total / static_cast<double>(state.iterations()) / gNlohmannSeconds;
}

void BM_Packet100k_DecodeOnly(benchmark::State& state) {
  const std::string& text = packetJson();
  for (auto _ : state) benchmark::DoNotOptimize(cad::net::decodeValue(text));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Thread CPU time in seconds: on a machine other builds share, the wall clock also counts the
// time this thread waited for a core; the CPU ratios show the work alone.
double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void BM_Packet100k_VsSimdjson(benchmark::State& state) {
  const std::string& text = packetJson();
  simdjson::padded_string padded(text);
  simdjson::dom::parser parser;
  // Wall and CPU time of each part, per iteration: the anchor, the load, the ordered load.
  std::vector<double> wall[4], cpu[4], loadRatio, orderRatio, loadCpuRatio, orderCpuRatio, storageCpuRatio;
  // The floor the dataset's storage sets: building the same rows of Variants from decoded ones
  // (a deep copy: every allocation and cell, no text read).
  cad::PacketPtr decoded = cad::net::decodeValue(text).packetPtr();
  auto run = [&](int part, auto&& body) {
    auto start = Clock::now();
    double c = cpuSeconds();
    body();
    cpu[part].push_back(cpuSeconds() - c);
    wall[part].push_back(std::chrono::duration<double>(Clock::now() - start).count());
  };
  for (auto _ : state) {
    run(0, [&] {
      simdjson::dom::element doc;
      if (parser.parse(padded).get(doc) != simdjson::SUCCESS) state.SkipWithError("simdjson não leu o pacote");
      benchmark::DoNotOptimize(doc);
    });
    run(1, [&] {
      cad::ClientDataSet cds;
      cds.SetData(cad::net::decodeValue(text).packetPtr());
      benchmark::DoNotOptimize(cds.RecordCount());
    });
    run(2, [&] {
      cad::ClientDataSet cds;
      cds.SetIndexFieldNames("NMSERVICO");
      cds.SetData(cad::net::decodeValue(text).packetPtr());
      benchmark::DoNotOptimize(cds.RecordCount());
    });
    run(3, [&] {
      auto copy = std::make_shared<cad::Packet>(*decoded);
      benchmark::DoNotOptimize(copy->rows.size());
    });
    storageCpuRatio.push_back(cpu[3].back() / cpu[0].back());
    loadRatio.push_back(wall[1].back() / wall[0].back());
    orderRatio.push_back(wall[2].back() / wall[1].back());
    loadCpuRatio.push_back(cpu[1].back() / cpu[0].back());
    orderCpuRatio.push_back(cpu[2].back() / cpu[1].back());
  }
  state.counters["simdjson_dom_ms"] = median(wall[0]) * 1e3;
  state.counters["load_ms"] = median(wall[1]) * 1e3;
  state.counters["ordered_load_ms"] = median(wall[2]) * 1e3;
  state.counters["load_ratio_vs_simdjson"] = median(loadRatio);
  state.counters["ordered_ratio_vs_load"] = median(orderRatio);
  state.counters["cpu_load_ratio_vs_simdjson"] = median(loadCpuRatio);
  state.counters["cpu_ordered_ratio_vs_load"] = median(orderCpuRatio);
  state.counters["cpu_storage_only_ratio_vs_simdjson"] = median(storageCpuRatio);
  // Memory the decoded packet holds per cell: number and date columns, and text columns.
  double numberBytes = 0, textBytes = 0, numberCells = 0, textCells = 0;
  for (size_t c = 0; decoded->rows.columnar() && c < decoded->rows.width(); ++c) {
    const cad::PacketColumn& col = decoded->rows.column(c);
    bool isText = decoded->fields[c].type == cad::FieldType::String;
    (isText ? textBytes : numberBytes) += static_cast<double>(col.bytes());
    (isText ? textCells : numberCells) += static_cast<double>(col.size());
  }
  if (numberCells > 0) state.counters["bytes_per_number_cell"] = numberBytes / numberCells;
  if (textCells > 0) state.counters["bytes_per_text_cell"] = textBytes / textCells;
}

}  // namespace

BENCHMARK(BM_Packet100k_VsSimdjson)->Unit(benchmark::kMillisecond)->UseRealTime()->Apply(cad::bench::minTime<5>);
BENCHMARK(BM_Packet100k_NlohmannParse)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Packet100k_DecodeAndSetData)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Packet100k_DecodeOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
