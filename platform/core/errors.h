// The exception types every layer shares. EAbort is the silent exception: it ends the operation in
// progress without a message (the user-action dispatcher swallows it). Exception carries a text
// meant for the user.
#pragma once

#include <stdexcept>
#include <string>

namespace cad {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

class EAbort : public Exception {
 public:
  EAbort() : Exception("Operação cancelada.") {}
};

// Raises the silent exception.
[[noreturn]] inline void Abort() { throw EAbort(); }

}  // namespace cad
