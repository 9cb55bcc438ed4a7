// Packet loading benchmark: a 100 000-row packet as JSON, decoded by the RPC codec and loaded into
// a ClientDataSet (SetData), against parsing the same text with nlohmann-json alone (a document,
// nothing loaded). The second benchmark reports its ratio to the first.
// BM_Packet100k_VsSimdjson interleaves, iteration by iteration, simdjson's DOM parse of the same
// text (the anchor), decode + SetData, and decode + SetData into a dataset ordered by name
// (IndexFieldNames); it reports the median of each and the medians of the per-iteration ratios
// (goals: decode + SetData at most 2x the anchor, the ordered load at most 1.5x the plain one).
#include <benchmark/benchmark.h>
#include <simdjson.h>

#include <algorithm>
#include <chrono>
#include <nlohmann/json.hpp>
#include <vector>

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
      std::vector<cad::Variant> row{"0001", code, "Serviço de refeição número " + std::to_string(r), "001",
                                    "N", r % 3 ? "S" : "N", cad::DateTime::fromDate(2026, 1 + r % 12, 1),
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

void BM_Packet100k_VsSimdjson(benchmark::State& state) {
  const std::string& text = packetJson();
  simdjson::padded_string padded(text);
  simdjson::dom::parser parser;
  std::vector<double> dom, load, ordered, loadRatio, orderRatio;
  auto seconds = [](Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); };
  for (auto _ : state) {
    auto start = Clock::now();
    simdjson::dom::element doc;
    if (parser.parse(padded).get(doc) != simdjson::SUCCESS) state.SkipWithError("simdjson não leu o pacote");
    benchmark::DoNotOptimize(doc);
    double d = seconds(start);

    start = Clock::now();
    {
      cad::ClientDataSet cds;
      cds.SetData(cad::net::decodeValue(text).packetPtr());
      benchmark::DoNotOptimize(cds.RecordCount());
    }
    double l = seconds(start);

    start = Clock::now();
    {
      cad::ClientDataSet cds;
      cds.SetIndexFieldNames("NMSERVICO");
      cds.SetData(cad::net::decodeValue(text).packetPtr());
      benchmark::DoNotOptimize(cds.RecordCount());
    }
    double o = seconds(start);
    dom.push_back(d);
    load.push_back(l);
    ordered.push_back(o);
    loadRatio.push_back(l / d);
    orderRatio.push_back(o / l);
  }
  state.counters["simdjson_dom_ms"] = median(dom) * 1e3;
  state.counters["load_ms"] = median(load) * 1e3;
  state.counters["ordered_load_ms"] = median(ordered) * 1e3;
  state.counters["load_ratio_vs_simdjson"] = median(loadRatio);
  state.counters["ordered_ratio_vs_load"] = median(orderRatio);
}

}  // namespace

BENCHMARK(BM_Packet100k_VsSimdjson)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_Packet100k_NlohmannParse)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Packet100k_DecodeAndSetData)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Packet100k_DecodeOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
