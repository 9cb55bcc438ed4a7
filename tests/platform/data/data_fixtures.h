// Helpers for the dataset tests: packets built inline and a recorder of dataset events.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/packet.h"
#include "platform/data/dataset.h"

namespace cad::test {

inline FieldDef def(std::string name, FieldType type = FieldType::String, int size = 0) {
  FieldDef d;
  d.name = std::move(name);
  d.type = type;
  d.size = size;
  return d;
}

inline PacketPtr packet(std::vector<FieldDef> fields, std::vector<std::vector<Variant>> rows) {
  auto p = std::make_shared<Packet>();
  p->fields = std::move(fields);
  p->rows = std::move(rows);
  return p;
}

// Codes and names: CODIGO (integer), NOME (string 20), in the given order.
inline PacketPtr people(const std::vector<std::pair<int, std::string>>& rows) {
  std::vector<std::vector<Variant>> r;
  for (const auto& [code, name] : rows) r.push_back({code, name});
  return packet({def("CODIGO", FieldType::Integer), def("NOME", FieldType::String, 20)}, std::move(r));
}

// Records every dataset event by name; take() returns and clears them.
class EventLog {
 public:
  explicit EventLog(DataSet& ds) {
    auto rec = [this](const char* name) { return [this, name](DataSet&) { events_.push_back(name); }; };
    ds.BeforeOpen = rec("BeforeOpen");
    ds.AfterOpen = rec("AfterOpen");
    ds.BeforeClose = rec("BeforeClose");
    ds.AfterClose = rec("AfterClose");
    ds.BeforeInsert = rec("BeforeInsert");
    ds.AfterInsert = rec("AfterInsert");
    ds.BeforeEdit = rec("BeforeEdit");
    ds.AfterEdit = rec("AfterEdit");
    ds.BeforePost = rec("BeforePost");
    ds.AfterPost = rec("AfterPost");
    ds.BeforeCancel = rec("BeforeCancel");
    ds.AfterCancel = rec("AfterCancel");
    ds.BeforeDelete = rec("BeforeDelete");
    ds.AfterDelete = rec("AfterDelete");
    ds.BeforeScroll = rec("BeforeScroll");
    ds.AfterScroll = rec("AfterScroll");
    ds.OnNewRecord = rec("OnNewRecord");
  }
  std::vector<std::string> take() { return std::exchange(events_, {}); }

 private:
  std::vector<std::string> events_;
};

// Text of one field on every displayed row, read without moving the cursor.
inline std::vector<std::string> column(DataSet& ds, const std::string& field) {
  std::vector<std::string> out;
  for (int i = 0; i < ds.DisplayCount(); ++i) ds.ReadRow(i, [&] { out.push_back(ds.FieldByName(field).AsString()); });
  return out;
}

using Events = std::vector<std::string>;

}  // namespace cad::test
