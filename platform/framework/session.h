// The session context a host hands to the screens (operator, branch, processing dates, active
// module, application-server address), the host's local-cache refresh and the loading of other
// screen packages by screen code, with the classic entry points Corvane::* and Geral::ModuloAtiv.
//
// Invariants:
//  - One session is current (services.h installs it); the Corvane functions read that one.
//  - Processing date of a branch: the session's date set for that branch, else the date set for
//    every branch, else DTPROCESSA of the branch in FILIAL (session database), else today.
//  - Product-tree masks come from NIVELPROD of the session database, read on every call.
//  - Screen packages are registered process-wide (a loaded module registers its screens once);
//    the log of the packages loaded belongs to the session.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/datetime.h"
#include "platform/core/variant.h"

namespace cad {

class Session {
 public:
  std::string Operador;              // operator code (OPERADOR.CDOPERADOR)
  std::string FiliProc;              // the host's current branch
  bool ModuFili = false;             // the host fixed its current branch: screens may not choose another
  std::string WebURL = "127.0.0.1";  // application-server host
  int WebPort = 8099;                // application-server port
  int ModuloAtiv = 0;                // active module of the host; 10, 11 and 24 are the hospital ones

  // ---- processing dates
  // Sets the processing date of one branch, or of every branch when `branch` is empty.
  void SetDataProc(const std::string& branch, DateTime date);
  void ClearDataProc();
  DateTime DataProc(const std::string& branch) const;

  // ---- local cache of the host
  // The host refreshes its cache of these tables (when it set OnAtualizaLocalCache); every
  // request is logged.
  void AtualizaLocalCache(const std::vector<std::string>& tables);
  std::function<void(const std::vector<std::string>& tables)> OnAtualizaLocalCache;
  const std::vector<std::vector<std::string>>& CacheRequests() const { return cacheRequests_; }

  // ---- other screen packages
  struct PackageLoad {
    std::string code;
    VariantArray params;  // as handed to the package
    VariantArray result;  // as the package left them
  };
  // Opens the screen of another package by its screen code. The package receives the
  // parameters by reference and may write values back (a flag it sets, for instance).
  // A code not registered in-process is loaded from its library in the package folder
  // (ScreenPackageFolder), whose load registers it; a library that does not register the code
  // has its first entry called instead. A code with neither raises cad::Exception "Pacote de
  // tela 'X' não encontrado."; the load is logged either way.
  void LoadBPL(const std::string& code, VariantArray& params);
  const std::vector<PackageLoad>& PackageLoads() const { return packageLoads_; }

  // ---- product tree (NIVELPROD)
  // Edit mask of a product-tree code up to `level` (0 = a complete code): one '9' per digit of
  // each level, levels joined by '.', literals not stored ("9.99.9999;0;_" for levels of 1, 2
  // and 4 digits). Empty when the tree has no level; cad::Exception for a level it lacks.
  std::string DBPict(int level) const;
  // The level number of the codes DBPict(level) masks: the number of levels for 0 (the level of
  // complete products), `level` itself otherwise; cad::Exception for a level the tree lacks.
  int DBPictObj(int level) const;

 private:
  std::map<std::string, DateTime> dataProc_;  // "" = every branch
  std::vector<std::vector<std::string>> cacheRequests_;
  std::vector<PackageLoad> packageLoads_;
};

// Registry of screen packages by screen code (case-insensitive). Registering a code again
// replaces the creator; an empty creator removes the code.
using ScreenPackage = std::function<void(VariantArray& params)>;
void RegisterScreenPackage(const std::string& code, ScreenPackage creator);
bool ScreenPackageRegistered(const std::string& code);
// The folder LoadBPL loads unregistered packages from (libcadserv_<code>.so): the folder of the
// last screen module a host loaded through cad::ScreenModules, else the platform library's own.
void SetScreenPackageFolder(std::string folder);
std::string ScreenPackageFolder();
// Whether LoadBPL can open the code: registered, or its library is in the package folder.
bool ScreenPackageAvailable(const std::string& code);

namespace Corvane {
std::string FiliProc();
std::string Operador();
DateTime DataProc(const std::string& branch);
bool ModuFili();
std::string WebURL();
int WebPort();
void AtualizaLocalCache(const std::vector<std::string>& tables);
void LoadBPL(const std::string& code, VariantArray& params);
std::string DBPict(int level);
int DBPictObj(int level);
}  // namespace Corvane

namespace Geral {
int ModuloAtiv();
// Modules 10, 11 and 24 (the hospital modules).
bool ModuloHospitalar();
}  // namespace Geral

}  // namespace cad
