// The creators of the transfer dialogs and their entries in the module's table.
#include <memory>
#include <string>

#include "platform/core/errors.h"
#include "platform/framework/remoto.h"
#include "platform/framework/session.h"
#include "platform/ui/forms.h"
#include "service_screen/principal.h"
#include "side_screens/transfembal/transfembal.h"

namespace cad {

namespace {

// Creates the dialog, hands it the connection and the four codes and shows it modally. The main
// screen's connection is used when the main screen is open; otherwise (a host opening the dialog
// by itself) one to the session's server lives as long as the dialog's loop.
template <class T>
bool Abre(const std::string& filial, const std::string& servico, const std::string& cliente, const std::string& ponto) {
  std::unique_ptr<TNetConnection> propria;
  TNetConnection* net = Principal() ? &Principal()->Conexao() : nullptr;
  if (!net) {
    propria = std::make_unique<TNetConnection>("netTransfEmbal");
    propria->ServerName = "Ger04100.rdmCadastroServ";
    ServidorDaSessao(*propria);
    net = propria.get();
  }
  T& dlg = Application().CreateForm<T>();
  try {
    dlg.Inicializa(*net, filial, servico, cliente, ponto);
  } catch (...) {
    dlg.Close();
    throw;
  }
  return dlg.ShowModal() == mrOk;
}

std::string Texto(const VariantArray& params, size_t i) {
  return i < params.size() && !params[i].isNull() ? params[i].asString() : std::string();
}

// A failure is shown as the application loop shows it and reads as "nothing done".
template <bool (*Cria)(const std::string&, const std::string&, const std::string&, const std::string&)>
void Entrada(VariantArray& params) {
  bool feito = false;
  try {
    feito = Cria(Texto(params, 0), Texto(params, 1), Texto(params, 2), Texto(params, 3));
  } catch (...) {
    Application().HandleException(std::current_exception());
  }
  if (params.size() < 5) params.resize(5);
  params.back() = Variant(feito);
}

}  // namespace

bool CriaImpDist(const std::string& f, const std::string& s, const std::string& c, const std::string& p) {
  return Abre<TfrmImpDist>(f, s, c, p);
}
bool CriaExpDist(const std::string& f, const std::string& s, const std::string& c, const std::string& p) {
  return Abre<TfrmExportDist>(f, s, c, p);
}
bool CriaImpRest(const std::string& f, const std::string& s, const std::string& c, const std::string& p) {
  return Abre<TfrmImpRest>(f, s, c, p);
}
bool CriaExpRest(const std::string& f, const std::string& s, const std::string& c, const std::string& p) {
  return Abre<TfrmExportRest>(f, s, c, p);
}

void EntradaCriaImpDist(VariantArray& params) { Entrada<CriaImpDist>(params); }
void EntradaCriaExpDist(VariantArray& params) { Entrada<CriaExpDist>(params); }
void EntradaCriaImpRest(VariantArray& params) { Entrada<CriaImpRest>(params); }
void EntradaCriaExpRest(VariantArray& params) { Entrada<CriaExpRest>(params); }

}  // namespace cad
