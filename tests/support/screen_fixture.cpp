// ScreenTest (see screen_fixture.h). The module library is opened by its screen code with the
// hosts' loader (cad::ScreenModules); in the test binary it is already loaded, so the same copy
// answers.
// Teardown frees every form the test left open without running its close handlers, so one
// test's screen never leaks into the next.
#include "tests/support/screen_fixture.h"

#include <algorithm>

#include "platform/core/datetime.h"
#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/framework/modules.h"
#include "platform/ui/forms.h"
#include "tests/support/support.h"

namespace cad::test {

void ScreenTest::SetUp() {
  Application().ResetHooks();
  host_ = InstallScriptedHost();
  server_ = std::make_unique<InProcessServer>(backend(), "ADMIN");
  sessionDb_ = db::open(server_->url());
  db::setSessionDatabase(sessionDb_);
  Session& s = session();
  s.Operador = "ADMIN";
  s.FiliProc = "0001";
  s.ModuFili = false;
  s.ModuloAtiv = 0;
  s.SetDataProc("", DateTime::fromDate(2026, 12, 7));
  observer_ = AddCallObserver([this](const RpcCallRecord& r) { calls_.push_back(r); });
}

void ScreenTest::TearDown() {
  RemoveCallObserver(observer_);
  std::vector<TForm*> forms = Application().Forms();
  for (TForm* f : forms) {
    f->Hide();
    Application().release(f);
  }
  Application().FlushReleased();
  Application().ResetHooks();
  db::setSessionDatabase(nullptr);
  sessionDb_.reset();
  checkDb_.reset();
  server_.reset();
  InstallScriptedHost();
}

std::string ScreenTest::backend() const { return GetParam(); }

void ScreenTest::CallEntry(const std::string& screenCode, const std::string& entry, VariantArray params) {
  // One loader for the whole test binary: a module is loaded once, as in a host.
  static ScreenModules modules(CADSERV_BIN_DIR);
  std::vector<std::string> names;
  try {
    names = modules.entries(screenCode);
  } catch (const Exception& e) {
    FAIL() << e.what();
  }
  ASSERT_NE(std::find_if(names.begin(), names.end(), [&](const std::string& n) { return sameText(n, entry); }),
            names.end())
      << "entrada " << entry << " não existe no módulo " << screenCode;
  modules.call(screenCode, entry, params);
  Application().FlushReleased();
}

TForm* ScreenTest::FindScreen(const std::string& className) const {
  for (TForm* f : Application().Forms())
    if (!f->Released() && className == f->ClassName()) return f;
  return nullptr;
}

int ScreenTest::OpenForms(const std::string& className) const {
  int n = 0;
  for (TForm* f : Application().Forms())
    if (!f->Released() && (className.empty() || className == f->ClassName())) ++n;
  return n;
}

std::vector<std::string> ScreenTest::Texts() const { return host_.dialogs->Texts(); }

std::vector<std::string> ScreenTest::Keys() const {
  std::vector<std::string> keys;
  for (const DialogRecord& d : host_.dialogs->Log())
    if (!d.key.empty()) keys.push_back(d.key);
  return keys;
}

std::vector<std::string> ScreenTest::Methods() const {
  std::vector<std::string> names;
  for (const RpcCallRecord& c : calls_) names.push_back(c.method);
  return names;
}

std::vector<RpcCallRecord> ScreenTest::CallsOf(const std::string& method) const {
  std::vector<RpcCallRecord> out;
  std::copy_if(calls_.begin(), calls_.end(), std::back_inserter(out),
               [&](const RpcCallRecord& c) { return c.method == method; });
  return out;
}

std::vector<std::string> ScreenTest::ProgressTexts() const {
  std::vector<std::string> texts;
  for (const ProgressRecord& p : host_.progress->Shown())
    if (!p.text.empty()) texts.push_back(p.text);
  return texts;
}

void ScreenTest::ClearLogs() {
  host_.dialogs->Clear();
  host_.lookups->Clear();
  host_.progress->Clear();
  calls_.clear();
  Application().ClearErrors();
}

db::ResultSet ScreenTest::Sql(const std::string& sql, const db::Params& params) {
  if (!checkDb_) checkDb_ = db::open(server_->url());
  return checkDb_->query(sql, params);
}

int64_t ScreenTest::Exec(const std::string& sql, const db::Params& params) {
  if (!checkDb_) checkDb_ = db::open(server_->url());
  return checkDb_->exec(sql, params);
}

void ScreenTest::Ok(const ActionResult& r, const std::string& what) {
  EXPECT_TRUE(r.ok()) << what << ": " << ActionResult::statusName(r.status) << " — " << r.message;
}

::testing::AssertionResult ScreenTest::Recusada(const std::function<ActionResult()>& acao,
                                                const std::vector<std::string>& esperado, bool chaves) {
  ClearLogs();
  ActionResult r = acao();
  std::vector<std::string> visto = chaves ? Keys() : Texts();
  if (r.status == ActionResult::Status::Aborted && visto == esperado) return ::testing::AssertionSuccess();
  auto falha = ::testing::AssertionFailure() << ActionResult::statusName(r.status) << " " << r.message << "; mostrou:";
  for (const std::string& t : visto) falha << " \"" << t << "\"";
  return falha;
}

}  // namespace cad::test
