// Makes the query component a layout dataset type ("TADOIBQuery"), so screens declare their
// reference queries next to their other datasets. Layout properties of a query:
//   "SQL":    one text (the default dialect) or an object dialect -> text
//             ({"default": "...", "postgresql": "..."});
//   "Params": an object of initial parameter values ({"P_TCDFILIAL": "T"}).
// Fields, events and the generic dataset properties are the loader's. Registered when the
// library loads.
#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/db/query.h"
#include "platform/ui/component.h"
#include "platform/ui/layout.h"

namespace cad {

namespace {

// A JSON object arrives as an array of [key, value] pairs (layout.h).
template <class Fn>
void eachPair(const TADOIBQuery& q, std::string_view property, const Variant& value, Fn fn) {
  for (const Variant& pair : value.asArray()) {
    if (!pair.isArray() || pair.asArray().size() != 2 || !pair.asArray()[0].isString())
      throw Exception("Layout: consulta '" + q.Name + "': '" + std::string(property) + "' deve ser um objeto.");
    fn(pair.asArray()[0].str(), pair.asArray()[1]);
  }
}

bool setQueryProperty(TForm&, DataSet& ds, std::string_view property, const Variant& value) {
  auto& q = static_cast<TADOIBQuery&>(ds);
  if (sameText(property, "SQL")) {
    if (value.isString()) {
      q.SetSQL(value.str());
    } else {
      eachPair(q, property, value,
               [&](const std::string& dialect, const Variant& text) { q.SetSQL(PropString(text), dialect); });
    }
    return true;
  }
  if (sameText(property, "Params")) {
    eachPair(q, property, value, [&](const std::string& name, const Variant& v) { q.ParamByName(name) = v; });
    return true;
  }
  return false;
}

[[maybe_unused]] const bool kRegistered = [] {
  RegisterDataSetType(
      "TADOIBQuery",
      DataSetType{[] { return std::unique_ptr<DataSet>(std::make_unique<TADOIBQuery>()); }, setQueryProperty});
  return true;
}();

}  // namespace

}  // namespace cad
