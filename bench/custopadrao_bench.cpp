// Standard-cost page load: GetCustoPadrao for a service with 10 years of months (120) and 30 dish
// types a month (3,600 rows) over loopback HTTP through TNetConnection and the real server.
//  - BM_CustoPadrao_Fetch: the bare packet fetch of those rows (call, reply decoded to packets).
//  - BM_CustoPadrao_FirstRowShown: from the same call to the first row shown in the grids: both
//    packets loaded into datasets declared as the page declares them (the month shown by a
//    calculated field), the dish types filtered to the current month, and the first row's cells
//    of both grids read. Reports its median's ratio to the fetch's median (goal: at most 1.5).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "appserver/dispatcher.h"
#include "appserver/httpserver.h"
#include "appserver/schema.h"
#include "bench/bench_fixture.h"
#include "platform/core/datetime.h"
#include "platform/core/format.h"
#include "platform/data/dataset.h"
#include "platform/db/database.h"
#include "platform/db/pool.h"
#include "platform/net/netconnection.h"
#include "platform/net/transport.h"
#include "platform/ui/dbcontrols.h"

namespace {

using cad::bench::Clock;
using cad::bench::median;

constexpr int kMeses = 120;
constexpr int kTipos = 30;

struct CustoFixture {
  cad::bench::DemoDatabase database{"custo", 4};
  cad::bench::LoopbackServer loopback{*database.pool};
  double fetchMedian = 0;

  CustoFixture() {
    {
      auto db = database.pool->acquire();
      cad::db::Transaction tx(*db);
      for (int t = 11; t <= kTipos; ++t)
        db->exec("INSERT INTO TIPOPRAT (CDTIPOPRAT, NMTIPOPRAT) VALUES (:C, :N)",
                 {{"C", std::to_string(t)}, {"N", "Tipo " + std::to_string(t)}});
      db->exec("DELETE FROM CUSTPADRTP WHERE CDFILIAL = '0001' AND CDSERVFILI = '00002'");
      db->exec("DELETE FROM CUSTPADR WHERE CDFILIAL = '0001' AND CDSERVFILI = '00002'");
      for (int m = 0; m < kMeses; ++m) {
        cad::Variant mes(cad::DateTime::fromDate(2020 + m / 12, m % 12 + 1, 1));
        db->exec(
            "INSERT INTO CUSTPADR (CDFILIAL, CDSERVFILI, DTREFCUSPADR, VRCUSTPADR) VALUES ('0001', '00002', :M, 30)",
            {{"M", mes}});
        for (int t = 1; t <= kTipos; ++t) {
          char codigo[4];
          std::snprintf(codigo, sizeof codigo, "%02d", t);
          db->exec(
              "INSERT INTO CUSTPADRTP (CDFILIAL, CDSERVFILI, DTREFCUSPADR, CDTIPOPRAT, VRCUSTPADRTP)"
              " VALUES ('0001', '00002', :M, :T, 1)",
              {{"M", mes}, {"T", std::string(codigo)}});
        }
      }
      tx.commit();
    }
    cad::net::setTransportFactory(cad::net::httpTransportFactory({"bench", "ADMIN"}));
  }
};

CustoFixture& fixture() {
  static CustoFixture f;
  return f;
}

cad::Variant chamada(cad::TNetConnection& net) { return net.Call("GetCustoPadrao", {"0001", "00002"}); }

void BM_CustoPadrao_Fetch(benchmark::State& state) {
  CustoFixture& f = fixture();
  auto net = cad::bench::openConnection(f.loopback.port);
  std::vector<double> us;
  size_t linhas = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    cad::Variant r = chamada(*net);
    linhas = r.asArray()[0].asPacket().rowCount() + r.asArray()[1].asPacket().rowCount();
    us.push_back(cad::bench::microsecondsSince(start));
  }
  f.fetchMedian = median(us);
  state.counters["median_us"] = f.fetchMedian;
  state.counters["rows"] = static_cast<double>(linhas);
}

// The page's two datasets and grids, as its layout declares them.
struct Pagina {
  cad::ClientDataSet meses, tipos;
  cad::DataSource dtsMeses{"dtsCustPadr"}, dtsTipos{"dtsCustPadrTp"};
  cad::TDBGrid gradeMeses, gradeTipos;

  Pagina() {
    using cad::FieldType;
    for (auto [n, t, s] : {std::tuple{"CDFILIAL", FieldType::String, 4},
                           {"CDSERVFILI", FieldType::String, 5},
                           {"DTREFCUSPADR", FieldType::DateTime, 0},
                           {"VRCUSTPADR", FieldType::Float, 0}})
      meses.AddField(cad::FieldDef{n, t, s, false, false});
    meses.FieldByName("VRCUSTPADR").DisplayFormat = "#,##0.00000";
    meses.FieldByName("CDFILIAL").Visible = meses.FieldByName("CDSERVFILI").Visible = false;
    meses.FieldByName("DTREFCUSPADR").Visible = false;
    meses.AddCalcField("STMESREFER", FieldType::String, 10);
    meses.OnCalcFields = [this](cad::DataSet&) {
      std::string texto = cad::formatDate(meses.FieldByName("DTREFCUSPADR").AsDateTime(), "dd/mm/yyyy");
      meses.FieldByName("STMESREFER").SetAsString(texto.substr(3));
    };
    for (auto [n, t, s] : {std::tuple{"CDSERVFILI", FieldType::String, 5},
                           {"CDFILIAL", FieldType::String, 4},
                           {"CDTIPOPRAT", FieldType::String, 2},
                           {"NMTIPOPRAT", FieldType::String, 15},
                           {"VRCUSTPADRTP", FieldType::Float, 0},
                           {"DTREFCUSPADR", FieldType::DateTime, 0}})
      tipos.AddField(cad::FieldDef{n, t, s, false, false});
    tipos.FieldByName("VRCUSTPADRTP").DisplayFormat = "###,##0.00000";
    for (const char* oculto : {"CDSERVFILI", "CDFILIAL", "NMTIPOPRAT", "DTREFCUSPADR"})
      tipos.FieldByName(oculto).Visible = false;
    dtsMeses.SetDataSet(&meses);
    dtsTipos.SetDataSet(&tipos);
    gradeMeses.SetDataSource(&dtsMeses);
    gradeTipos.SetDataSource(&dtsTipos);
  }
};

void BM_CustoPadrao_FirstRowShown(benchmark::State& state) {
  CustoFixture& f = fixture();
  auto net = cad::bench::openConnection(f.loopback.port);
  std::vector<double> us;
  std::string primeira;
  for (auto _ : state) {
    state.PauseTiming();
    auto pagina = std::make_unique<Pagina>();
    state.ResumeTiming();
    auto start = Clock::now();
    cad::Variant r = chamada(*net);
    pagina->tipos.SetData(r.asArray()[1].packetPtr());
    pagina->meses.SetData(r.asArray()[0].packetPtr());
    std::string data = cad::formatDate(pagina->meses.FieldByName("DTREFCUSPADR").AsDateTime(), "dd/mm/yyyy");
    pagina->tipos.SetFilter("CDFILIAL = '0001' AND CDSERVFILI = '00002' AND DTREFCUSPADR = '" + data + "'");
    pagina->tipos.SetFiltered(true);
    primeira = pagina->gradeMeses.CellText(0, 1) + " " + pagina->gradeMeses.CellText(1, 1) + " | " +
               pagina->gradeTipos.CellText(0, 1) + " " + pagina->gradeTipos.CellText(1, 1);
    us.push_back(cad::bench::microsecondsSince(start));
    state.PauseTiming();
    pagina.reset();
    state.ResumeTiming();
  }
  double m = median(us);
  state.counters["median_us"] = m;
  if (f.fetchMedian > 0) state.counters["ratio_vs_fetch"] = m / f.fetchMedian;
  state.SetLabel(primeira);
}

}  // namespace

BENCHMARK(BM_CustoPadrao_Fetch)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CustoPadrao_FirstRowShown)->UseRealTime()->Unit(benchmark::kMicrosecond);
