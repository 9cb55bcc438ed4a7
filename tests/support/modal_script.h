// Scripting a modal form by its class: the script gets the form as its own type, and the flag
// returned says whether the form was shown at all.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/ui/forms.h"

namespace cad::test {

// Scripts the next modal runs of the forms of class `className` (as Application::ScriptModal does),
// each form cast to T; *returned flag turns true when the script ran.
template <class T>
std::shared_ptr<bool> Roteiro(const std::string& className, std::function<void(T&)> script) {
  auto ran = std::make_shared<bool>(false);
  Application().ScriptModal(className, [ran, script = std::move(script)](TForm& form) {
    *ran = true;
    script(dynamic_cast<T&>(form));
  });
  return ran;
}

}  // namespace cad::test
