// The text of the error a step raises, so a refusal and its message are checked in one expectation.
#pragma once

#include <functional>
#include <string>

#include "platform/core/errors.h"

namespace cad::test {

// What `step` throws as a cad::Exception: its text; "(silent abort)" for EAbort; "(no exception)"
// when it returns normally.
inline std::string ErrorText(const std::function<void()>& step) {
  try {
    step();
  } catch (const EAbort&) {
    return "(silent abort)";
  } catch (const Exception& e) {
    return e.what();
  }
  return "(no exception)";
}

}  // namespace cad::test
