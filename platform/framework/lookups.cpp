// The lookup routines (rules in lookups.h) over the installed lookups service, and the wiring of
// TBtnPesquisa to the single pick.
#include "platform/framework/lookups.h"

#include <optional>

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/data/dataset.h"
#include "platform/db/query.h"
#include "platform/framework/services.h"
#include "platform/ui/controls.h"

namespace cad {

namespace {

constexpr const char* kEmptyList = "Não há registros para pesquisar.";

struct Titles {
  std::string title, empty;
};

Titles splitTitles(const std::string& titles) {
  size_t bar = titles.find('|');
  if (bar == std::string::npos) return {titles, {}};
  return {titles.substr(0, bar), titles.substr(bar + 1)};
}

DataSet& sourceDataSet(DataSource& source) {
  DataSet* ds = source.GetDataSet();
  if (!ds) throw Exception("Fonte de dados '" + source.Name + "' sem conjunto de dados para pesquisa.");
  return *ds;
}

// Opens the list; an empty one shows its empty text and gives false.
bool prepareList(DataSet& ds, const Titles& t) {
  if (!ds.Active()) ds.Open();
  if (!ds.IsEmpty()) return true;
  ShowDialog(
      DialogRequest{TMsgDlgType::mtInformation, {}, t.empty.empty() ? std::string(kEmptyList) : t.empty, mbOK, 0});
  return false;
}

// Takes the key that opened the lookup; every lookup clears it, whatever happens.
int takeKeyPressed() {
  int key = Pesquisa::KeyPressed;
  Pesquisa::KeyPressed = 0;
  return key;
}

// Runs a single pick; a cancel puts the cursor back where it was.
bool runPick(DataSet& ds, const std::string& title, const std::string& fields, int key) {
  Bookmark before = ds.GetBookmark();
  bool picked = Lookups().Pick(PickRequest{title, &ds, fields, key});
  if (!picked && before && ds.GetBookmark() != before && ds.BookmarkValid(before)) ds.GotoBookmark(before);
  return picked;
}

bool pesquisar(DataSet& ds, const std::string& titles, const std::string& fields, bool refresh) {
  int key = takeKeyPressed();
  Titles t = splitTitles(titles);
  if (refresh && ds.Active() && dynamic_cast<TADOIBQuery*>(&ds)) ds.Refresh();
  if (!prepareList(ds, t)) return false;
  return runPick(ds, t.title, fields, key);
}

std::optional<std::string> pesquisaLista(DataSet& ds, const std::string& keyField, const std::string& titles,
                                         const std::string& current) {
  int key = takeKeyPressed();
  Titles t = splitTitles(titles);
  if (!prepareList(ds, t)) return std::nullopt;
  Field& kf = ds.FieldByName(keyField);
  std::vector<std::string> marked;
  for (int i = 0; i < ds.DisplayCount(); ++i)
    ds.ReadRow(i, [&] {
      std::string k = kf.AsString();
      if (Pesqlista::InSelection(current, k)) marked.push_back(k);
    });
  Bookmark before = ds.GetBookmark();
  std::optional<std::vector<std::string>> keys =
      Lookups().MultiPick(MultiPickRequest{t.title, &ds, keyField, marked, key});
  if (before && ds.GetBookmark() != before && ds.BookmarkValid(before)) ds.GotoBookmark(before);
  if (!keys) return std::nullopt;
  return Pesqlista::SelectionText(*keys);
}

}  // namespace

// ---------------------------------------------------------------- Pesquisa

namespace Pesquisa {
int KeyPressed = 0;

bool Pesquisar(DataSet& dataSet, const std::string& titles, const std::string& fields) {
  return pesquisar(dataSet, titles, fields, false);
}
bool Pesquisar(DataSource& source, const std::string& titles, const std::string& fields) {
  return pesquisar(sourceDataSet(source), titles, fields, false);
}
bool Pesquisar_Plus(DataSet& dataSet, const std::string& titles, const std::string& fields) {
  return pesquisar(dataSet, titles, fields, true);
}
bool Pesquisar_Plus(DataSource& source, const std::string& titles, const std::string& fields) {
  return pesquisar(sourceDataSet(source), titles, fields, true);
}
}  // namespace Pesquisa

// ---------------------------------------------------------------- Pesqlista

namespace Pesqlista {

std::string SelectionText(const std::vector<std::string>& keys) {
  if (keys.empty()) return {};
  std::string out = "_";
  for (const std::string& k : keys) out += k + "_";
  return out;
}

bool InSelection(const std::string& selection, const std::string& key) {
  if (trim(selection) == "T") return true;
  return !key.empty() && selection.find("_" + key + "_") != std::string::npos;
}

bool PesquisaLista(DataSet& dataSet, const std::string& keyField, const std::string& titles, std::string& selection) {
  std::optional<std::string> chosen = pesquisaLista(dataSet, keyField, titles, selection);
  if (!chosen) return false;
  selection = *chosen;
  return true;
}
bool PesquisaLista(DataSource& source, const std::string& keyField, const std::string& titles, std::string& selection) {
  return PesquisaLista(sourceDataSet(source), keyField, titles, selection);
}
std::string PesquisaLista(DataSet& dataSet, const std::string& keyField, const std::string& titles) {
  return pesquisaLista(dataSet, keyField, titles, {}).value_or(std::string());
}
std::string PesquisaLista(DataSource& source, const std::string& keyField, const std::string& titles) {
  return PesquisaLista(sourceDataSet(source), keyField, titles);
}
bool PesquisaListaMsg(DataSet& dataSet, const std::string& keyField, const std::string& titles,
                      std::string& selection) {
  return PesquisaLista(dataSet, keyField, titles, selection);
}
bool PesquisaListaMsg(DataSource& source, const std::string& keyField, const std::string& titles,
                      std::string& selection) {
  return PesquisaLista(sourceDataSet(source), keyField, titles, selection);
}

}  // namespace Pesqlista

// ---------------------------------------------------------------- Procurar

namespace Procurar {
bool Procura(DataSet& dataSet) {
  int key = takeKeyPressed();
  if (!dataSet.Active() || dataSet.IsEmpty()) return false;
  return runPick(dataSet, "Procurar", {}, key);
}
bool Procura(DataSource& source) { return Procura(sourceDataSet(source)); }
}  // namespace Procurar

// ---------------------------------------------------------------- Tabvalid

namespace Tabvalid {

void ValidEx(DataSet& dataSet) {
  if (!dataSet.Active() || dataSet.IsEmpty()) return;
  std::string code = trim(dataSet.FieldByName("CDARVPROD").AsString());
  TADOIBQuery levels("qryNiveisProduto");
  levels.SetSQL("SELECT COUNT(*) AS NRNIVEIS, SUM(NRDIGNIVEL) AS NRDIGITOS FROM NIVELPROD");
  levels.Open();
  int64_t count = levels.FieldByName("NRNIVEIS").AsInteger();
  int64_t digits = levels.FieldByName("NRDIGITOS").AsInteger();
  if (code.empty() || !isAllDigits(code) || (count > 0 && static_cast<int64_t>(code.size()) != digits))
    throw Exception("Código de produto '" + code + "' inválido.");
  if (Field* level = dataSet.FindField("CDNVPRODUTO");
      level && !level->IsNull() && count > 0 && level->AsInteger() != count)
    throw Exception("O código '" + code + "' não é de um produto (nível " + std::to_string(level->AsInteger()) +
                    " de " + std::to_string(count) + ").");
}

void ValidEx(DataSource& source) { ValidEx(sourceDataSet(source)); }

}  // namespace Tabvalid

void InstallLookupButtonHook() {
  TBtnPesquisa::LookupHook = [](TBtnPesquisa& button) {
    DataSet* ds = button.LookupDataSet();
    if (!ds) throw Exception(button.Describe() + ": sem conjunto de dados para pesquisa.");
    std::string titles = button.Title();
    if (!button.EmptyError().empty()) titles += "|" + button.EmptyError();
    return Pesquisa::Pesquisar(*ds, titles, button.LookupFields());
  };
}

}  // namespace cad
