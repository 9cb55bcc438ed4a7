#include "platform/core/format.h"

namespace cad {

FormatSettings& formatSettings() {
  static FormatSettings settings;
  return settings;
}

}  // namespace cad
