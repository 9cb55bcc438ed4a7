// Internal to the driver: the JSON forms of what the driver reads back — values (Variant),
// components ("get"), forms ("forms") and datasets ("dataset") — and the conversion of command
// arguments from JSON to values.
//
// Invariants: reading never changes what it reads (no cursor moves, no events other than the
// drawing and get-text handlers a renderer runs to paint a grid's cells); dates come out
// as "YYYY-MM-DD" (with "THH:MM:SS" when a time of day is present); a value JSON cannot carry
// (NaN, infinity) comes out as null.
#pragma once

#include <nlohmann/json.hpp>

#include "platform/core/variant.h"

namespace cad {
class DataSet;
class TComponent;
class TForm;
}  // namespace cad

namespace cad::driver {

using json = nlohmann::ordered_json;

// A command the driver refuses: the text becomes the reply's "error".
class CommandError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

json toJson(const Variant& v);
// null, booleans, numbers, strings, arrays and {"$date": "YYYY-MM-DD"}; throws CommandError
// naming `what` for anything else.
Variant toVariant(const json& j, const std::string& what);

// The "get" reply members of a component (always the same keys; null where a key does not
// apply), plus the grid, string-grid and page members for those kinds; a data grid adds the
// display texts of its rows ("texts", as the renderer draws them).
json describeComponent(TComponent& c);
json describeForm(TForm& f);
json describeDataSet(DataSet& ds);

// The protocol's name of a modal result or dialog button ("OK", "Cancel", "Yes", "No", ...).
std::string resultName(int modalResult);

}  // namespace cad::driver
