// The session context and the classic Corvane/Geral entry points. Reads of the shared database
// (processing dates, product-tree levels) go through the query component on the session
// database, with bound parameters.
#include "platform/framework/session.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/db/query.h"
#include "platform/framework/consiste.h"
#include "platform/framework/modules.h"
#include "platform/framework/services.h"

namespace cad {

namespace {

std::map<std::string, ScreenPackage, std::less<>>& packages() {
  static std::map<std::string, ScreenPackage, std::less<>> table;
  return table;
}

// Digits of each product-tree level, root first.
std::vector<int> treeLevels() {
  TADOIBQuery q("qryNivelProd");
  q.SetSQL("SELECT CDNVPRODUTO, NRDIGNIVEL FROM NIVELPROD ORDER BY CDNVPRODUTO");
  q.Open();
  std::vector<int> digits;
  for (q.First(); !q.Eof(); q.Next()) digits.push_back(static_cast<int>(q.FieldByName("NRDIGNIVEL").AsInteger()));
  return digits;
}

int checkedLevel(int level, size_t levels) {
  if (level < 0 || static_cast<size_t>(level) > levels)
    throw Exception("Nível " + std::to_string(level) + " não existe na árvore de produtos (" + std::to_string(levels) +
                    " níveis).");
  return level == 0 ? static_cast<int>(levels) : level;
}

}  // namespace

// ---------------------------------------------------------------- processing dates

void Session::SetDataProc(const std::string& branch, DateTime date) {
  std::string key = trim(branch);
  dataProc_[key.empty() ? key : Consiste::Ajusta(key, 4)] = date.dateOnly();
}

void Session::ClearDataProc() { dataProc_.clear(); }

DateTime Session::DataProc(const std::string& branch) const {
  std::string code = Consiste::Ajusta(branch, 4);
  if (auto it = dataProc_.find(code); !code.empty() && it != dataProc_.end()) return it->second;
  if (auto it = dataProc_.find(std::string()); it != dataProc_.end()) return it->second;
  if (!code.empty()) {
    TADOIBQuery q("qryDataProc");
    q.SetSQL("SELECT DTPROCESSA FROM FILIAL WHERE CDFILIAL = :P_CDFILIAL");
    q.ParamByName("P_CDFILIAL") = code;
    q.Open();
    if (!q.IsEmpty() && !q.FieldByName("DTPROCESSA").IsNull())
      return q.FieldByName("DTPROCESSA").AsDateTime().dateOnly();
  }
  return DateTime::today().dateOnly();
}

// ---------------------------------------------------------------- cache and packages

void Session::AtualizaLocalCache(const std::vector<std::string>& tables) {
  cacheRequests_.push_back(tables);
  if (OnAtualizaLocalCache) OnAtualizaLocalCache(tables);
}

void Session::LoadBPL(const std::string& code, VariantArray& params) {
  size_t entry = packageLoads_.size();
  packageLoads_.push_back(PackageLoad{code, params, {}});
  auto it = packages().find(upperCase(trim(code)));
  if (it == packages().end()) {
    // Not registered in-process: load its library, whose load registers it.
    if (!ScreenPackageAvailable(code)) throw Exception("Pacote de tela '" + code + "' não encontrado.");
    ScreenModules modules(ScreenPackageFolder());
    modules.entries(trim(code));
    it = packages().find(upperCase(trim(code)));
    if (it == packages().end()) {
      // Loaded before and unregistered since: its first entry opens the screen.
      modules.call(trim(code), "", params);
      packageLoads_[entry].result = params;
      return;
    }
  }
  ScreenPackage creator = it->second;  // a copy: the package may register others
  creator(params);
  packageLoads_[entry].result = params;  // by index: the package may load others
}

void RegisterScreenPackage(const std::string& code, ScreenPackage creator) {
  std::string key = upperCase(trim(code));
  if (key.empty()) throw Exception("Código de pacote de tela vazio.");
  if (creator)
    packages()[key] = std::move(creator);
  else
    packages().erase(key);
}

bool ScreenPackageRegistered(const std::string& code) { return packages().count(upperCase(trim(code))) != 0; }

namespace {

std::string& packageFolder() {
  static std::string folder;
  return folder;
}

// The folder of the platform library itself (where the build and an installation put the
// screen modules and packages).
std::string platformFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&platformFolder), &info) == 0 || !info.dli_fname) return ".";
  std::string path = info.dli_fname;
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

}  // namespace

void SetScreenPackageFolder(std::string folder) { packageFolder() = std::move(folder); }

std::string ScreenPackageFolder() { return packageFolder().empty() ? platformFolder() : packageFolder(); }

bool ScreenPackageAvailable(const std::string& code) {
  if (ScreenPackageRegistered(code)) return true;
  try {
    return access(ScreenModules(ScreenPackageFolder()).libraryPath(trim(code)).c_str(), R_OK) == 0;
  } catch (const Exception&) {
    return false;  // not a plain screen code: never a file
  }
}

// ---------------------------------------------------------------- product tree

std::string Session::DBPict(int level) const {
  std::vector<int> digits = treeLevels();
  if (digits.empty() && level == 0) return {};
  int upTo = checkedLevel(level, digits.size());
  std::string mask;
  for (int i = 0; i < upTo; ++i) {
    if (i > 0) mask += '.';
    mask.append(static_cast<size_t>(std::max(digits[static_cast<size_t>(i)], 0)), '9');
  }
  return mask + ";0;_";
}

int Session::DBPictObj(int level) const { return checkedLevel(level, treeLevels().size()); }

// ---------------------------------------------------------------- classic entry points

namespace Corvane {
std::string FiliProc() { return CurrentSession().FiliProc; }
std::string Operador() { return CurrentSession().Operador; }
DateTime DataProc(const std::string& branch) { return CurrentSession().DataProc(branch); }
bool ModuFili() { return CurrentSession().ModuFili; }
std::string WebURL() { return CurrentSession().WebURL; }
int WebPort() { return CurrentSession().WebPort; }
void AtualizaLocalCache(const std::vector<std::string>& tables) { CurrentSession().AtualizaLocalCache(tables); }
void LoadBPL(const std::string& code, VariantArray& params) { CurrentSession().LoadBPL(code, params); }
std::string DBPict(int level) { return CurrentSession().DBPict(level); }
int DBPictObj(int level) { return CurrentSession().DBPictObj(level); }
}  // namespace Corvane

namespace Geral {
int ModuloAtiv() { return CurrentSession().ModuloAtiv; }
bool ModuloHospitalar() {
  int m = ModuloAtiv();
  return m == 10 || m == 11 || m == 24;
}
}  // namespace Geral

}  // namespace cad
