// JSON forms of values, components, forms and datasets (see snapshot.h).
#include "hosts/driver/snapshot.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/core/packet.h"
#include "platform/data/dataset.h"
#include "platform/framework/services.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbcontrols.h"
#include "platform/ui/forms.h"
#include "platform/ui/grids.h"
#include "platform/ui/pages.h"

namespace cad::driver {

namespace {

constexpr int kMaxGridRows = 10000;  // rows of display texts one "get" reply carries

json rowObject(const std::vector<FieldDef>& fields, const std::vector<Variant>& row) {
  json o = json::object();
  for (size_t i = 0; i < fields.size() && i < row.size(); ++i) o[fields[i].name] = toJson(row[i]);
  return o;
}

json packetJson(const Packet& p) {
  json fields = json::array();
  for (const FieldDef& f : p.fields) fields.push_back(f.name);
  json rows = json::array();
  for (const auto& row : p.rows) rows.push_back(rowObject(p.fields, row));
  json out{{"fields", fields}, {"rows", rows}};
  if (p.delta) {
    json kinds = json::array(), original = json::array();
    for (size_t i = 0; i < p.rows.size(); ++i) {
      kinds.push_back(i < p.kinds.size() ? changeKindName(p.kinds[i]) : "?");
      bool has = i < p.original.size() && !p.original[i].empty();
      original.push_back(has ? rowObject(p.fields, p.original[i]) : json());
    }
    out["delta"] = true;
    out["kinds"] = kinds;
    out["original"] = original;
  }
  return out;
}

json property(const TComponent& c, const char* name) {
  if (!c.HasProperty(name)) return nullptr;
  try {
    return toJson(c.GetProperty(name));
  } catch (const std::exception&) {
    return nullptr;  // a property whose getter fails in this state reads as absent
  }
}

}  // namespace

json toJson(const Variant& v) {
  switch (v.kind()) {
    case Variant::Kind::Null: return nullptr;
    case Variant::Kind::Bool: return v.asBool();
    case Variant::Kind::Int: return v.asInt();
    case Variant::Kind::Float: {
      double d = v.asFloat();
      return std::isfinite(d) ? json(d) : json();
    }
    case Variant::Kind::String: return v.str();
    case Variant::Kind::DateTime: return v.asDateTime().iso();
    case Variant::Kind::Packet: return packetJson(v.asPacket());
    case Variant::Kind::Array: {
      json a = json::array();
      for (const Variant& e : v.asArray()) a.push_back(toJson(e));
      return a;
    }
  }
  return nullptr;
}

Variant toVariant(const json& j, const std::string& what) {
  switch (j.type()) {
    case json::value_t::null: return Variant();
    case json::value_t::boolean: return Variant(j.get<bool>());
    case json::value_t::number_integer: return Variant(static_cast<long long>(j.get<int64_t>()));
    case json::value_t::number_unsigned: {
      uint64_t u = j.get<uint64_t>();
      if (u > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
        throw CommandError(what + ": número grande demais.");
      return Variant(static_cast<long long>(u));
    }
    case json::value_t::number_float: return Variant(j.get<double>());
    case json::value_t::string: return Variant(j.get<std::string>());
    case json::value_t::array: {
      VariantArray a;
      a.reserve(j.size());
      for (const json& e : j) a.push_back(toVariant(e, what));
      return Variant(std::move(a));
    }
    case json::value_t::object:
      if (j.size() == 1 && j.contains("$date") && j["$date"].is_string()) {
        if (auto d = DateTime::parseIso(j["$date"].get<std::string>())) return Variant(*d);
        throw CommandError(what + ": data inválida '" + j["$date"].get<std::string>() + "' (use AAAA-MM-DD).");
      }
      throw CommandError(what + ": objeto não suportado (só {\"$date\": \"AAAA-MM-DD\"}).");
    default: throw CommandError(what + ": valor não suportado.");
  }
}

std::string resultName(int modalResult) {
  std::string n = ModalResultName(modalResult);
  if (n == "ok") return "OK";
  if (!n.empty() && n[0] >= 'a' && n[0] <= 'z') n[0] = static_cast<char>(n[0] - 'a' + 'A');
  return n;
}

json describeComponent(TComponent& c) {
  json j{{"name", c.Name()}, {"type", c.ClassName()}};
  j["enabled"] = property(c, "Enabled");
  j["visible"] = property(c, "Visible");
  j["readonly"] = property(c, "ReadOnly");
  j["text"] = property(c, "Text");
  j["caption"] = property(c, "Caption");
  j["hint"] = property(c, "Hint");
  j["checked"] = property(c, "Checked");
  j["itemIndex"] = property(c, "ItemIndex");
  j["items"] = property(c, "Items");
  j["tag"] = c.Tag();
  auto* control = dynamic_cast<TControl*>(&c);
  j["focused"] = control ? json(control->Focused()) : json(false);
  if (control) j["showing"] = control->Showing();

  if (auto* list = dynamic_cast<TListBox*>(&c)) {
    json selected = json::array();
    for (int i = 0; i < list->Count(); ++i)
      if (list->Selected(i)) selected.push_back(i);
    j["selected"] = selected;
  }
  if (auto* grid = dynamic_cast<TCustomGrid*>(&c)) {
    j["editing"] = grid->HasOption(goEditing);
    j["editorMode"] = grid->EditorMode();
    if (auto* db = dynamic_cast<TDBGrid*>(grid)) {
      j["row"] = db->CurrentRow();
      j["col"] = db->SelectedIndex();
      Field* f = db->SelectedField();
      j["field"] = f ? json(f->FieldName()) : json();
      json cols = json::array();
      for (int i = 0; i < db->ColumnCount(); ++i) {
        TColumn& col = db->Columns(i);
        cols.push_back(
            {{"field", col.FieldName}, {"title", col.Title()}, {"visible", col.Visible}, {"readonly", col.ReadOnly}});
      }
      j["columns"] = cols;
      // The rows as the user reads them, one text per column (null for a hidden column).
      json texts = json::array();
      int rows = std::min(db->RowCount() - 1, kMaxGridRows);
      for (int r = 1; r <= rows; ++r) {
        json row = json::array();
        for (int i = 0; i < db->ColumnCount(); ++i)
          row.push_back(db->Columns(i).Visible ? json(db->ShownText(i, r)) : json());
        texts.push_back(std::move(row));
      }
      j["texts"] = texts;
      if (db->RowCount() - 1 > rows) j["textsTruncated"] = true;
    } else {
      j["row"] = grid->Row() - grid->FixedRows() + 1;
      j["col"] = grid->Col();
    }
    if (auto* sg = dynamic_cast<TStringGrid*>(grid)) {
      json cells = json::array();
      for (int r = 0; r < sg->RowCount(); ++r) cells.push_back(sg->Rows(r));
      j["cells"] = cells;
      json widths = json::array();
      for (int col = 0; col < sg->ColCount(); ++col) widths.push_back(sg->ColWidths(col));
      j["colWidths"] = widths;
    }
  }
  if (auto* pc = dynamic_cast<TPageControl*>(&c)) {
    j["activePage"] = pc->ActivePage() ? json(pc->ActivePage()->Name()) : json();
    j["pageIndex"] = pc->ActivePageIndex();
  }
  if (auto* nb = dynamic_cast<TNotebook*>(&c)) {
    std::vector<TPage*> pages = nb->Pages();
    int index = nb->PageIndex();
    j["activePage"] = index >= 0 && index < static_cast<int>(pages.size()) ? json(pages[index]->Name()) : json();
    j["pageIndex"] = index;
  }
  return j;
}

json describeForm(TForm& f) {
  return {{"name", f.Name()},
          {"class", f.ClassName()},
          {"caption", f.Caption()},
          {"modal", f.Modal()},
          {"active", Application().ActiveForm() == &f},
          {"visible", f.Visible()}};
}

json describeDataSet(DataSet& ds) {
  json j{{"name", ds.Name},
         {"active", ds.Active()},
         {"state", stateName(ds.State())},
         {"filter", ds.Filter()},
         {"filtered", ds.Filtered()}};
  json fields = json::array();
  for (int i = 0; i < ds.FieldCount(); ++i) fields.push_back(ds.Fields(i).FieldName());
  j["fields"] = fields;
  json rows = json::array();
  if (ds.Active()) {
    j["recordCount"] = ds.RecordCount();
    j["recNo"] = ds.RecNo();
    j["changeCount"] = ds.ChangeCount();
    for (int r = 0; r < ds.DisplayCount(); ++r)
      ds.ReadRow(r, [&] {
        json row = json::object();
        for (int i = 0; i < ds.FieldCount(); ++i) row[ds.Fields(i).FieldName()] = toJson(ds.Fields(i).Value());
        rows.push_back(std::move(row));
      });
  } else {
    j["recordCount"] = 0;
    j["recNo"] = 0;
    j["changeCount"] = 0;
  }
  j["rows"] = rows;
  return j;
}

}  // namespace cad::driver
