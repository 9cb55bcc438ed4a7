// The main screen on a large branch: branch 0001 holds 5 000 services. Both benchmarks go through
// the real dispatcher behind the in-process transport (no socket), on a SQLite demo database.
//  - BM_LargeBranch_Fetch: the bare GetServico call through TNetConnection (reply decoded).
//  - BM_LargeBranch_ListShown: the screen opened on the branch (untimed), then from the user
//    leaving the branch field (Tab, focus to the services grid) to the list shown: the grid's
//    first visible rows read as the renderer reads them.
// Each iteration runs one of each, interleaved, so whatever else the machine runs falls on both;
// the second reports the median of the per-iteration ratios (goal: at most 2), and the medians of
// both in thread CPU time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "appserver/changeset.h"
#include "appserver/dispatcher.h"
#include "appserver/schema.h"
#include "bench/bench_fixture.h"
#include "bench/smoke.h"
#include "platform/core/datetime.h"
#include "platform/db/database.h"
#include "platform/db/pool.h"
#include "platform/framework/modules.h"
#include "platform/framework/services.h"
#include "platform/framework/session.h"
#include "platform/net/netconnection.h"
#include "platform/net/transport.h"
#include "platform/ui/actions.h"
#include "platform/ui/forms.h"
#include "service_screen/cadastroserv.h"

namespace {

using cad::bench::Clock;
using cad::bench::median;
constexpr int kServices = 5000;

struct LargeBranch {
  cad::bench::DemoDatabase database{"filial", 2};
  std::unique_ptr<cad::appserver::Dispatcher> dispatcher;
  cad::ScriptedHost host;
  std::shared_ptr<cad::db::Database> sessionDb;

  LargeBranch() {
    // Copies of a demo service under new codes and names until the branch has kServices.
    cad::bench::fillBranch(*database.pool->acquire(), kServices, 'L',
                           [](int i) { return "Serviço de refeição " + std::to_string(kServices - i); });
    dispatcher = std::make_unique<cad::appserver::Dispatcher>(*database.pool);
    cad::net::setTransportFactory(cad::net::inProcessTransportFactory(dispatcher->handler(), "ADMIN"));
    host = cad::InstallScriptedHost();
    sessionDb = cad::db::open(database.url);
    cad::db::setSessionDatabase(sessionDb);
    cad::Session& s = *host.session;
    s.Operador = "ADMIN";
    s.FiliProc = "0001";
    s.ModuFili = false;
    s.ModuloAtiv = 0;
    s.SetDataProc("", cad::DateTime::fromDate(2026, 12, 7));
  }
  ~LargeBranch() {
    cad::db::setSessionDatabase(nullptr);
    cad::net::setTransportFactory(nullptr);
  }
};

LargeBranch& fixture() {
  static LargeBranch f;
  return f;
}

// The main screen opened through the module's entry, the branch typed in its field.
cad::TfrmCadastroServ& openScreen() {
  static cad::ScreenModules modules(CADSERV_BIN_DIR);
  cad::VariantArray params{cad::Variant()};
  modules.call("GER04100", "IniProc", params);
  cad::TfrmCadastroServ* screen = nullptr;
  for (cad::TForm* f : cad::Application().Forms())
    if (!f->Released() && std::string(f->ClassName()) == "TfrmCadastroServ")
      screen = dynamic_cast<cad::TfrmCadastroServ*>(f);
  if (!screen) throw std::runtime_error("a tela principal não abriu");
  cad::UserActions::Focus(*screen->medCdFilial);
  cad::UserActions::SetText(*screen->medCdFilial, "0001");
  return *screen;
}

void closeScreens() {
  for (cad::TForm* f : cad::Application().Forms()) {
    f->Hide();
    cad::Application().release(f);
  }
  cad::Application().FlushReleased();
}

void BM_LargeBranch_ListShown(benchmark::State& state) {
  fixture();  // the database, the server and the session, once
  auto net = cad::bench::openConnection(cad::CurrentSession().WebPort);
  std::vector<double> fetch, shown, ratio, fetchCpu, shownCpu;
  std::string firstRow;
  int rows = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    double cpu = cad::bench::threadCpuMicroseconds();
    cad::Variant packet = net->Call("GetServico", {"0001", ""});
    benchmark::DoNotOptimize(packet.asPacket().rowCount());
    double a = cad::bench::microsecondsSince(start);
    fetchCpu.push_back(cad::bench::threadCpuMicroseconds() - cpu);

    state.PauseTiming();
    cad::TfrmCadastroServ& screen = openScreen();
    state.ResumeTiming();
    start = Clock::now();
    cpu = cad::bench::threadCpuMicroseconds();
    cad::UserActions::Key(*screen.medCdFilial, "Tab");
    cad::ActionResult r = cad::UserActions::Focus(*screen.dbgPadrao);
    cad::TCustomGrid& grid = *screen.dbgPadrao;
    std::string text;
    for (int row = 1; row < std::min(grid.RowCount(), 30); ++row)
      for (int col = 0; col < 3; ++col) text += grid.CellText(col, row) + '|';
    double b = cad::bench::microsecondsSince(start);
    shownCpu.push_back(cad::bench::threadCpuMicroseconds() - cpu);
    if (r.status != cad::ActionResult::Status::Ok) state.SkipWithError(r.message.c_str());
    rows = screen.cdsServico->RecordCount();
    firstRow = text.substr(0, text.find('|', text.find('|', text.find('|') + 1) + 1));
    state.PauseTiming();
    closeScreens();
    state.ResumeTiming();
    fetch.push_back(a);
    shown.push_back(b);
    ratio.push_back(b / a);
  }
  state.counters["fetch_median_us"] = median(fetch);
  state.counters["shown_median_us"] = median(shown);
  state.counters["ratio_vs_fetch"] = median(ratio);
  // The same in thread CPU time: on a machine other work shares, the wall clock also counts the
  // time this thread waited for a core.
  state.counters["fetch_cpu_median_us"] = median(fetchCpu);
  state.counters["shown_cpu_median_us"] = median(shownCpu);
  state.counters["rows"] = rows;
  state.SetLabel(firstRow);
}

}  // namespace

BENCHMARK(BM_LargeBranch_ListShown)->UseRealTime()->Unit(benchmark::kMicrosecond)->Apply(cad::bench::minTime<3>);
