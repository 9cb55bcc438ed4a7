// Shared helpers of the component-model tests: a fixture that clears the application hooks and
// a recorder of event names in the order they ran.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/forms.h"

namespace cad::test {

class UiTest : public ::testing::Test {
 protected:
  void SetUp() override { Application().ResetHooks(); }
  void TearDown() override { Application().ResetHooks(); }
};

struct EventLog {
  std::vector<std::string> events;
  TNotifyEvent note(std::string what) {
    return [this, what](TComponent&) { events.push_back(what); };
  }
  std::string joined() const {
    std::string out;
    for (const auto& e : events) out += (out.empty() ? "" : " ") + e;
    return out;
  }
  void clear() { events.clear(); }
};

}  // namespace cad::test
