// Grid export read back: the CSV holds the grid's texts, the XLSX the same texts with numbers and
// dates as typed cells in the grid's formats, and a grid's own drawing wins over the field.
#include <gtest/gtest.h>

#include <map>
#include <regex>

#include <unistd.h>

#include "platform/core/errors.h"
#include "platform/data/dataset.h"
#include "platform/ui/dbcontrols.h"
#include "platform/ui/export.h"
#include "tests/platform/ui/ui_fixture.h"
#include "tests/support/files.h"

namespace cad::test {
namespace {

// The cells of a sheet: reference -> text or number as stored, "n:" before a typed number.
std::map<std::string, std::string> sheetCells(const std::string& xml) {
  static const std::regex cell(
      R"re(<c r="([A-Z]+[0-9]+)"[^>]*?(?:/>|>(?:<v>([^<]*)</v>|<is><t[^>]*>([^<]*)</t></is>)</c>))re");
  auto unescape = [](std::string s) {
    for (auto [from, to] : {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}})
      for (size_t at = 0; (at = s.find(from, at)) != std::string::npos; ++at)
        s.replace(at, std::string(from).size(), to);
    return s;
  };
  std::map<std::string, std::string> out;
  for (std::sregex_iterator it(xml.begin(), xml.end(), cell), end; it != end; ++it)
    out[(*it)[1]] = (*it)[2].matched ? "n:" + (*it)[2].str() : unescape((*it)[3]);
  return out;
}

struct Prices : TForm {
  ClientDataSet cds{"cdsPreco"};
  DataSource dts{"dtsPreco"};
  TDBGrid* dbg = Create<TDBGrid>("dbgPreco", this);
  Prices() {
    cds.AddField({"CODIGO", FieldType::Integer, 0}).DisplayLabel = "Código";
    cds.AddField({"NOME", FieldType::String, 40}).DisplayLabel = "Nome";
    cds.AddField({"VALOR", FieldType::Float, 0}).DisplayFormat = "#,##0.00";
    cds.AddField({"DATA", FieldType::DateTime, 0}).DisplayLabel = "Validade";
    cds.AddField({"OCULTO", FieldType::String, 5});
    cds.CreateDataSet();
    auto add = [&](int code, const char* name, std::optional<double> value, std::optional<DateTime> date) {
      cds.Append();
      cds.FieldByName("CODIGO").SetAsInteger(code);
      cds.FieldByName("NOME").SetAsString(name);
      if (value) cds.FieldByName("VALOR").SetAsFloat(*value);
      if (date) cds.FieldByName("DATA").SetAsDateTime(*date);
      cds.FieldByName("OCULTO").SetAsString("x");
      cds.Post();
    };
    add(7, "Almoço", 1234.5, DateTime::fromDate(2026, 12, 7));
    add(12, "Jantar; \"noite\" <a&b>", std::nullopt, std::nullopt);
    dts.SetDataSet(&cds);
    for (const char* n : {"CODIGO", "NOME", "VALOR", "DATA", "OCULTO"}) dbg->AddColumn().FieldName = n;
    dbg->Columns(4).Visible = false;
    dbg->SetDataSource(&dts);
  }
};

using ExportTest = UiTest;

TEST_F(ExportTest, CsvAndXlsxHoldTheShownTextsAndTypedNumbersAndDates) {
  Prices f;
  f.Show();
  // The grid's own drawing replaces the code of the second row: the file shows the drawn text.
  f.dbg->OnDrawColumnCell = [&](TComponent&, const TRect& r, int, TColumn& c, unsigned) {
    if (c.FieldName == "CODIGO" && f.cds.FieldByName("CODIGO").AsInteger() == 12) {
      f.dbg->Canvas().FillRect(r);
      f.dbg->Canvas().TextRect(r, r.Left, r.Top, "doze");
    }
  };
  const std::string base = testing::TempDir() + "cadserv-export-" + std::to_string(::getpid());
  ExportGrid(*f.dbg, base + ".csv", ExportFormat::Csv);
  EXPECT_EQ(readFile(base + ".csv"),
            "Código;Nome;VALOR;Validade\r\n"
            "7;Almoço;1.234,50;07/12/2026\r\n"
            "doze;\"Jantar; \"\"noite\"\" <a&b>\";;\r\n");

  ExportGrid(*f.dbg, base + ".xlsx", ExportFormat::Xlsx);
  auto cells = sheetCells(unzipEntry(base + ".xlsx", "xl/worksheets/sheet1.xml"));
  const std::map<std::string, std::string> expected{
      {"A1", "Código"}, {"B1", "Nome"},     {"C1", "VALOR"},   {"D1", "Validade"}, {"A2", "n:7"},
      {"B2", "Almoço"}, {"C2", "n:1234.5"}, {"D2", "n:46363"}, {"A3", "doze"},     {"B3", "Jantar; \"noite\" <a&b>"}};
  EXPECT_EQ(cells, expected);
  std::string styles = unzipEntry(base + ".xlsx", "xl/styles.xml");
  for (const char* fmt : {"#,##0.00", "dd/mm/yyyy"}) EXPECT_NE(styles.find(fmt), std::string::npos) << fmt;

  // A string grid: every row as shown, its fixed row first; an unwritable path writes nothing.
  auto* sg = f.Create<TStringGrid>("sgrResumo", &f);
  sg->SetColCount(2);
  sg->SetRowCount(2);
  sg->SetRows(0, {"Mês", "Total"});
  sg->SetRows(1, {"12/2026", "1,5"});
  ExportGrid(*sg, base + ".csv", ExportFormat::Csv);
  EXPECT_EQ(readFile(base + ".csv"), "Mês;Total\r\n12/2026;1,5\r\n");
  EXPECT_THROW(ExportGrid(*sg, base + "-nada/x.csv", ExportFormat::Csv), Exception);
  EXPECT_EQ(readFile(base + "-nada/x.csv.tmp"), "");
  for (const char* ext : {".csv", ".xlsx"}) std::remove((base + ext).c_str());
}

}  // namespace
}  // namespace cad::test
