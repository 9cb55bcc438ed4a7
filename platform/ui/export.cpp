// Grid export (see export.h).
#include "platform/ui/export.h"

#include <strings.h>
#include <xlsxwriter.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/data/dataset.h"
#include "platform/ui/dbcontrols.h"
#include "platform/ui/grids.h"

namespace cad {

bool ExportFormatFromName(std::string_view name, ExportFormat& out) {
  std::string n(name);
  if (strcasecmp(n.c_str(), "csv") == 0)
    out = ExportFormat::Csv;
  else if (strcasecmp(n.c_str(), "xlsx") == 0)
    out = ExportFormat::Xlsx;
  else
    return false;
  return true;
}

namespace {

// A cell's typed value: a number with its spreadsheet format (empty: general).
struct Typed {
  double value = 0;
  std::string format;
};

// The classic date format letters that differ in a spreadsheet: "nn" is the minute there "mm"
// (the spreadsheet tells minutes from months by the hour beside them).
std::string sheetDateFormat(std::string f) {
  for (size_t p = 0; (p = f.find("nn", p)) != std::string::npos; p += 2) f.replace(p, 2, "mm");
  return f;
}

// What the grid shows, cell by cell, with the typed value of the data grid's cells that show
// their field's own display text.
struct Table {
  std::vector<std::vector<std::string>> texts;
  std::vector<std::vector<std::optional<Typed>>> typed;
  int titleRows = 0;
};

std::optional<Typed> typedValue(Field& f, const std::string& shown) {
  if (shown.empty() || f.IsNull() || shown != f.DisplayText()) return std::nullopt;
  switch (f.DataType()) {
    case FieldType::Integer:
      return Typed{static_cast<double>(f.AsInteger()), f.DisplayFormat.empty() ? "0" : f.DisplayFormat};
    case FieldType::Float:
      if (!std::isfinite(f.AsFloat())) return std::nullopt;
      return Typed{f.AsFloat(), f.DisplayFormat};
    case FieldType::DateTime: {
      double serial = f.AsDateTime().serial;
      std::string fmt = f.DisplayFormat;
      if (fmt.empty()) fmt = formatSettings().shortDateFormat + (serial != std::floor(serial) ? " hh:nn:ss" : "");
      return Typed{serial, sheetDateFormat(fmt)};
    }
    default: return std::nullopt;
  }
}

Table readGrid(TCustomGrid& grid) {
  Table t;
  auto* db = dynamic_cast<TDBGrid*>(&grid);
  std::vector<int> cols;
  for (int c = 0; c < grid.ColCount(); ++c)
    if (db ? db->Columns(c).EffectiveWidth() >= 0 : grid.ColVisible(c)) cols.push_back(c);
  DataSet* ds = db ? db->GetDataSet() : nullptr;
  t.titleRows = grid.FixedRows();
  for (int r = 0; r < grid.RowCount(); ++r) {
    std::vector<std::string> line;
    std::vector<std::optional<Typed>> kinds;
    for (int c : cols) {
      line.push_back(grid.ShownText(c, r));
      Field* f = db && r >= grid.FixedRows() ? db->Columns(c).GetField() : nullptr;
      std::optional<Typed> v;
      if (f && ds) ds->ReadRow(r - grid.FixedRows(), [&] { v = typedValue(*f, line.back()); });
      kinds.push_back(std::move(v));
    }
    t.texts.push_back(std::move(line));
    t.typed.push_back(std::move(kinds));
  }
  return t;
}

std::string csvCell(const std::string& s) {
  if (s.find_first_of(";\"\r\n") == std::string::npos) return s;
  std::string out = "\"";
  for (char ch : s) out += ch == '"' ? std::string("\"\"") : std::string(1, ch);
  return out + "\"";
}

void writeCsv(const Table& t, const std::string& file) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  for (const auto& line : t.texts) {
    for (size_t c = 0; c < line.size(); ++c) out << (c ? ";" : "") << csvCell(line[c]);
    out << "\r\n";
  }
  out.close();
  if (!out) throw Exception(std::strerror(errno));
}

void writeXlsx(const Table& t, const std::string& file) {
  // Constant-memory mode writes rows in order with the texts inline in the sheet.
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  lxw_workbook* wb = workbook_new_opt(file.c_str(), &options);
  if (!wb) throw Exception("não foi possível criar o arquivo");
  lxw_worksheet* ws = workbook_add_worksheet(wb, "Planilha1");
  lxw_format* bold = workbook_add_format(wb);
  format_set_bold(bold);
  std::map<std::string, lxw_format*> formats;
  auto formatFor = [&](const std::string& f) -> lxw_format* {
    if (f.empty()) return nullptr;
    auto [it, added] = formats.try_emplace(f, nullptr);
    if (added) {
      it->second = workbook_add_format(wb);
      format_set_num_format(it->second, f.c_str());
    }
    return it->second;
  };
  lxw_error err = LXW_NO_ERROR;
  for (size_t r = 0; r < t.texts.size() && err == LXW_NO_ERROR; ++r)
    for (size_t c = 0; c < t.texts[r].size() && err == LXW_NO_ERROR; ++c) {
      auto row = static_cast<lxw_row_t>(r);
      auto col = static_cast<lxw_col_t>(c);
      const auto& typed = t.typed[r][c];
      if (typed)
        err = worksheet_write_number(ws, row, col, typed->value, formatFor(typed->format));
      else if (!t.texts[r][c].empty())
        err = worksheet_write_string(ws, row, col, t.texts[r][c].c_str(),
                                     static_cast<int>(r) < t.titleRows ? bold : nullptr);
    }
  lxw_error closed = workbook_close(wb);
  if (err == LXW_NO_ERROR) err = closed;
  if (err != LXW_NO_ERROR) throw Exception(lxw_strerror(err));
}

}  // namespace

void ExportGrid(TCustomGrid& grid, const std::string& path, ExportFormat format) {
  if (path.empty()) throw Exception("Informe o arquivo da exportação.");
  Table t = readGrid(grid);
  const std::string temp = path + ".tmp";
  try {
    if (format == ExportFormat::Csv)
      writeCsv(t, temp);
    else
      writeXlsx(t, temp);
  } catch (const Exception& e) {
    std::remove(temp.c_str());
    throw Exception("Não foi possível gravar o arquivo " + path + ": " + e.what());
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    std::string why = std::strerror(errno);
    std::remove(temp.c_str());
    throw Exception("Não foi possível gravar o arquivo " + path + ": " + why);
  }
}

}  // namespace cad
