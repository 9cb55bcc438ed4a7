// The module's entries: the main screen's creators, the side screens' creators and the entry
// table the hosts call by name (contract in service_screen/module.h). This folder stands above
// both the main screen (service_screen/) and the side screens (side_screens/): it is the one
// place that knows them all; the side screens know the main screen only as a TelaPrincipal.
#include <type_traits>

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/framework/session.h"
#include "platform/framework/showavi.h"
#include "platform/ui/forms.h"
#include "service_screen/cadastroserv.h"
#include "service_screen/module.h"
#include "service_screen/principal.h"
#include "side_screens/cadaauto/cadaauto.h"
#include "side_screens/copia/copiaservico.h"
#include "side_screens/expcomens/expcomdiet.h"
#include "side_screens/historico/historico.h"
#include "side_screens/listserv/listserv.h"
#include "side_screens/transfembal/transfembal.h"

cad::TelaPrincipal* cad::Principal() { return frmCadastroServ; }

namespace {

// Shows the screen, creating it when none is open. A failure while it opens (its activation, a
// branch refused) is shown as the application loop shows it; the host's call returns normally.
void mostraTela() {
  using namespace cad;
  HourGlass ampulheta;
  try {
    if (!TelaCriada || !frmCadastroServ) {
      frmCadastroServ = &Application().CreateForm<TfrmCadastroServ>();
      TelaCriada = true;
    }
    frmCadastroServ->Show();
    frmCadastroServ->SetWindowState(TWindowState::wsNormal);
  } catch (...) {
    Application().HandleException(std::current_exception());
  }
}

// Opens the screen in the mode the entry asks for: fixed-branch (read-only) on a branch, or
// normal. The mode belongs to the screen being opened, so one entry never inherits another's.
// A screen open in another mode closes first as any close does (it may ask about pending
// changes); when it stays open, it is shown as it is.
void abreNoModo(bool fixa, const std::string& filial) {
  using namespace cad;
  bool outroModo = FilialFixa != fixa || (fixa && CdFilialFixa != filial);
  if (outroModo && TelaCriada && frmCadastroServ && frmCadastroServ->Visible()) {
    try {
      frmCadastroServ->Close();
    } catch (...) {
      Application().HandleException(std::current_exception());
    }
    if (TelaCriada && frmCadastroServ && frmCadastroServ->Visible()) {
      mostraTela();
      return;
    }
  }
  FilialFixa = fixa;
  CdFilialFixa = fixa ? filial : std::string();
  mostraTela();
}

}  // namespace

extern "C" void CriaCadServico() { abreNoModo(false, {}); }

extern "C" void IniProc(const cad::Variant& filial) {
  if (filial.isNull())
    abreNoModo(false, {});
  else
    abreNoModo(true, filial.asString());
}

namespace {

void entryCriaCadServico(cad::VariantArray&) { CriaCadServico(); }
void entryIniProc(cad::VariantArray& params) { IniProc(params.empty() ? cad::Variant() : params[0]); }

const CadServEntry kEntries[] = {
    {"CriaCadServico", entryCriaCadServico},
    {"IniProc", entryIniProc},
    {"CriaImpDist", cad::EntradaCriaImpDist},
    {"CriaExpDist", cad::EntradaCriaExpDist},
    {"CriaImpRest", cad::EntradaCriaImpRest},
    {"CriaExpRest", cad::EntradaCriaExpRest},
    {"CriaListServ", cad::EntradaListServ},
    {"CriaCAutoCPadrao", cad::CriaCAutoCPadrao},
    {"CriaCopiaServico", cad::EntradaCriaCopiaServico},
    {"CriaExpComDiet", cad::EntradaCriaExpComDiet},
    {"CriaHistorico", cad::EntradaCriaHistorico},
    {nullptr, nullptr},
};

}  // namespace

extern "C" const CadServEntry* CadServEntries() { return kEntries; }
static_assert(std::is_same_v<decltype(&CadServEntries), CadServEntriesFn>,
              "the entry table keeps the platform's signature");

namespace {

const CadServEntry* entrada(const std::string& nome) {
  for (const CadServEntry* e = CadServEntries(); e->name; ++e)
    if (cad::sameText(nome, e->name)) return e;
  return nullptr;
}

}  // namespace

bool cad::TemEntrada(const std::string& nome) { return entrada(nome) != nullptr; }

void cad::ChamaEntrada(const std::string& nome, VariantArray& params) {
  const CadServEntry* e = entrada(nome);
  if (!e) throw Exception("O módulo não tem a entrada " + nome + ".");
  e->fn(params);
}
