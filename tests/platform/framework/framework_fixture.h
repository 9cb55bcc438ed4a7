// Fixture of the framework tests: fresh scripted host services (dialogs, lookups, progress,
// session) for every test, the application hooks they install, and a small branch list.
#pragma once

#include <gtest/gtest.h>

#include "platform/data/dataset.h"
#include "platform/framework/scripted.h"
#include "platform/framework/services.h"
#include "platform/framework/session.h"
#include "platform/ui/forms.h"
#include "tests/platform/data/data_fixtures.h"

namespace cad::test {

class FrameworkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().ResetHooks();
    host = InstallScriptedHost();
  }
  void TearDown() override {
    Application().ResetHooks();
    InstallScriptedHost();
  }
  ScriptedDialogs& dialogs() { return *host.dialogs; }
  ScriptedLookups& lookups() { return *host.lookups; }
  ScriptedProgress& progress() { return *host.progress; }
  Session& session() { return *host.session; }

  ScriptedHost host;
};

// Branches 0001..0003 (CDFILIAL string 4, NMFILIAL string 30), open on the first row.
inline void loadBranches(DataSet& ds) {
  ds.Name = "cdsFilial";
  ds.SetData(packet({def("CDFILIAL", FieldType::String, 4), def("NMFILIAL", FieldType::String, 30)},
                    {{"0001", "Central"}, {"0002", "Campinas"}, {"0003", "Hospital"}}));
}

}  // namespace cad::test
