// ScreenTest: the fixture of the screen tests. Every test gets a fresh demo database, the real
// application-server code behind the in-process transport, the session database of the screens'
// reference queries, the scripted host services (dialogs, lookups, progress, session) and clean
// application hooks. Screens are opened through the module's exported entries, as the hosts open
// them (the library of a screen code, its entry table), and are driven only through
// cad::UserActions. The fixture then reads back what the user saw and what happened: dialogs,
// errors, progress texts, remote calls, local-cache refreshes and database rows.
//
// Session defaults: operator ADMIN, host branch 0001 (not fixed), module 0, processing date
// 2026-12-07 for every branch. Tests change them before opening a screen.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/variant.h"
#include "platform/db/database.h"
#include "platform/framework/scripted.h"
#include "platform/framework/services.h"
#include "platform/framework/session.h"
#include "platform/net/netconnection.h"
#include "platform/ui/actions.h"
#include "tests/support/inprocess_server.h"
#include "tests/support/support.h"

namespace cad::test {

class ScreenTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The backend of this test ("sqlite" unless the test is parameterised over backends()).
  std::string backend() const;

  // ---- the module
  // Calls an entry of the module of a screen code by name (without regard to case) through the
  // hosts' loader (cad::ScreenModules). Fails the test for an unknown module or entry.
  void CallEntry(const std::string& screenCode, const std::string& entry, VariantArray params = {});
  // The open form of a class ("TfrmCadastroServ"); null when none.
  TForm* FindScreen(const std::string& className) const;
  template <class T>
  T& Screen(const std::string& className) {
    T* s = dynamic_cast<T*>(FindScreen(className));
    if (!s) throw std::runtime_error("tela " + className + " não está aberta");
    return *s;
  }
  int OpenForms(const std::string& className) const;

  // ---- what happened
  ScriptedDialogs& dialogs() { return *host_.dialogs; }
  ScriptedLookups& lookups() { return *host_.lookups; }
  ScriptedProgress& progress() { return *host_.progress; }
  Session& session() { return *host_.session; }
  InProcessServer& server() { return *server_; }
  // Dialog texts shown since the last ClearLogs, and the keys of those that came from a table.
  std::vector<std::string> Texts() const;
  std::vector<std::string> Keys() const;
  // Remote calls made since the last ClearLogs (method names).
  std::vector<std::string> Methods() const;
  // The calls of one method.
  std::vector<RpcCallRecord> CallsOf(const std::string& method) const;
  std::vector<std::string> ProgressTexts() const;
  void ClearLogs();

  // Rows of a query on the test database (a connection of its own).
  db::ResultSet Sql(const std::string& sql, const db::Params& params = {});
  int64_t Exec(const std::string& sql, const db::Params& params = {});

  // Expects a user action to succeed, naming it in the failure.
  static void Ok(const ActionResult& r, const std::string& what);
  // Whether `acao`, run on cleared logs, is refused (aborted) showing exactly these dialog texts
  // (with `chaves`, raising these message keys); for EXPECT_TRUE, which names the call's line.
  ::testing::AssertionResult Recusada(const std::function<ActionResult()>& acao,
                                      const std::vector<std::string>& esperado, bool chaves = false);

 private:
  ScriptedHost host_;
  std::unique_ptr<InProcessServer> server_;
  std::shared_ptr<db::Database> sessionDb_;
  std::unique_ptr<db::Database> checkDb_;
  std::vector<RpcCallRecord> calls_;
  int observer_ = 0;
};

// Instantiates a ScreenTest-derived suite once per available backend.
#define CADSERV_SCREEN_SUITE(Suite) \
  INSTANTIATE_TEST_SUITE_P(Db, Suite, ::testing::ValuesIn(::cad::test::backends()), ::cad::test::BackendName())

}  // namespace cad::test
