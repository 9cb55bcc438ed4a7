// Dataset costs on 100 000 rows: loading a packet (against parsing the same rows as JSON text),
// filtering plus locating, navigation and copying a dataset.
#include <benchmark/benchmark.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "platform/core/packet.h"
#include "platform/data/dataset.h"

namespace {

constexpr int kRows = 100000;

// Services-like rows: code, name, branch, value, reference date, flag.
cad::PacketPtr bigPacket() {
  static cad::PacketPtr p = [] {
    auto pk = std::make_shared<cad::Packet>();
    auto def = [](const char* n, cad::FieldType t, int size) {
      cad::FieldDef d;
      d.name = n;
      d.type = t;
      d.size = size;
      return d;
    };
    pk->fields = {def("CDSERV", cad::FieldType::String, 6),   def("NMSERV", cad::FieldType::String, 40),
                  def("CDFILIAL", cad::FieldType::String, 4), def("VALOR", cad::FieldType::Float, 0),
                  def("DTREF", cad::FieldType::DateTime, 0),  def("IDATIVO", cad::FieldType::String, 1)};
    pk->rows.reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
      char code[8];
      std::snprintf(code, sizeof code, "%06d", i);
      char branch[8];
      std::snprintf(branch, sizeof branch, "%04d", i % 20);
      pk->rows.push_back({cad::Variant(code), cad::Variant("Serviço de refeição número " + std::to_string(i)),
                          cad::Variant(branch), cad::Variant((i % 1000) / 10.0),
                          cad::Variant(cad::DateTime::fromDate(2026, 1 + i % 12, 1)), cad::Variant(i % 3 ? "S" : "N")});
    }
    return pk;
  }();
  return p;
}

std::string bigJson() {
  nlohmann::json rows = nlohmann::json::array();
  for (const auto& r : bigPacket()->rows)
    rows.push_back(
        {r[0].str(), r[1].str(), r[2].str(), r[3].asFloat(), {{"$date", r[4].asDateTime().iso()}}, r[5].str()});
  nlohmann::json fields = nlohmann::json::array();
  for (const auto& f : bigPacket()->fields)
    fields.push_back({{"name", f.name}, {"type", cad::fieldTypeName(f.type)}, {"size", f.size}});
  return nlohmann::json{{"$packet", {{"fields", fields}, {"rows", rows}}}}.dump();
}

void BM_SetData(benchmark::State& state) {
  cad::PacketPtr p = bigPacket();
  cad::ClientDataSet ds;
  for (auto _ : state) {
    ds.SetData(p);
    benchmark::DoNotOptimize(ds.RecordCount());
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_SetData)->Unit(benchmark::kMillisecond);

// The same load kept in index order (the packet is in code order, so by branch it must sort).
void BM_SetDataIndexed(benchmark::State& state) {
  cad::PacketPtr p = bigPacket();
  cad::ClientDataSet ds;
  ds.SetIndexFieldNames("CDFILIAL;CDSERV");
  for (auto _ : state) {
    ds.SetData(p);
    benchmark::DoNotOptimize(ds.RecordCount());
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_SetDataIndexed)->Unit(benchmark::kMillisecond);

// Reference: parsing the same rows from their JSON text.
void BM_JsonParse(benchmark::State& state) {
  std::string text = bigJson();
  for (auto _ : state) {
    auto j = nlohmann::json::parse(text);
    benchmark::DoNotOptimize(j.size());
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_JsonParse)->Unit(benchmark::kMillisecond);

void BM_FilterAndLocate(benchmark::State& state) {
  cad::ClientDataSet ds;
  ds.SetData(bigPacket());
  for (auto _ : state) {
    ds.SetFilter("CDFILIAL = '0019' AND VALOR >= 50 AND NOT IDATIVO = 'N' AND DTREF > '01/06/2026'");
    ds.SetFiltered(true);
    bool found = ds.Locate("NMSERV", "serviço de refeição número 99999", {.caseInsensitive = true});
    benchmark::DoNotOptimize(found);
    ds.SetFiltered(false);
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_FilterAndLocate)->Unit(benchmark::kMillisecond);

void BM_LocateLastRow(benchmark::State& state) {
  cad::ClientDataSet ds;
  ds.SetData(bigPacket());
  for (auto _ : state) {
    ds.First();
    benchmark::DoNotOptimize(ds.Locate("CDFILIAL;CDSERV", cad::VariantArray{"0019", "099999"}));
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_LocateLastRow)->Unit(benchmark::kMillisecond);

void BM_NavigateAll(benchmark::State& state) {
  cad::ClientDataSet ds;
  ds.SetData(bigPacket());
  cad::Field& valor = ds.FieldByName("VALOR");
  for (auto _ : state) {
    double sum = 0;
    for (ds.First(); !ds.Eof(); ds.Next()) sum += valor.AsFloat();
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_NavigateAll)->Unit(benchmark::kMillisecond);

// Copying a changed dataset (Data builds a new packet) into another one.
void BM_CopyChangedDataSet(benchmark::State& state) {
  cad::ClientDataSet a, b;
  a.SetData(bigPacket());
  a.Edit();
  a.FieldByName("NMSERV").SetValue("alterado");
  a.Post();
  for (auto _ : state) {
    b.SetData(a.Data());
    benchmark::DoNotOptimize(b.RecordCount());
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_CopyChangedDataSet)->Unit(benchmark::kMillisecond);

}  // namespace
