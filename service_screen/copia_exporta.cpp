// The main screen's commands that hand work to other screens: the copy of services (sbtCopiar,
// mnuCopiar, the copy dialog of this module), the change history of the current service
// (mnuHistorico, Ctrl+H), the export command (sbtExportComens, mnuExpConfiguracaoPadr: the active
// page's) and the export of estimated diners on the diners page (its popup and menu entries): to
// the menu planning through the screen package "GER04103", to other diets through the export
// dialog of this module.
//
// Invariants: the service list is read again only after a copy was made (result 1); the general
// parameters handed to "GER04103" are read from the server at the moment of the hand-over.
#include <string>

#include "platform/core/errors.h"
#include "platform/framework/consiste.h"
#include "platform/framework/remoto.h"
#include "platform/framework/session.h"
#include "service_screen/cadastroserv.h"
#include "service_screen/module.h"

namespace cad {

namespace {

constexpr const char* kPacoteCardapio = "GER04103";

}  // namespace

// The copy dialog reports 1 when it created services: the list then shows them.
void TfrmCadastroServ::sbtCopiarClick(TComponent&) {
  if (!PodeCopiar()) return;
  VariantArray params;
  ChamaEntrada("CriaCopiaServico", params);
  if (!params.empty() && params.back().isNumber() && params.back().asInt() == mrOk) RecarregaLista();
}

// The general parameters as the server's text (getParamGeral), kept in ParamGeral.
void TfrmCadastroServ::LeParamGeral() {
  Variant texto = netCadastroServ.Call("getParamGeral", {});
  if (!texto.isString()) throw RespostaInesperada("getParamGeral");
  ParamGeral = texto.str();
}

// The export button and the configuration's export entry: the active page exports what it shows.
void TfrmCadastroServ::sbtExportComensClick(TComponent&) {
  if (PaginaServ* p = Ativa()) p->Exporta();
}

void TfrmCadastroServ::mnuExpConfiguracaoPadrClick(TComponent& sender) { sbtExportComensClick(sender); }

// Hands the current service's estimated diners to the menu planning package.
void TfrmCadastroServ::ExportaComensCardapio() {
  LeParamGeral();
  VariantArray params{Variant(CodFilial()), Variant(Campo(*cdsServico, "CDSERVFILI")), Variant(TipoServico()),
                      Variant(ParamGeral)};
  Corvane::LoadBPL(kPacoteCardapio, params);
}

// The export button on the diners page: a corporate service goes straight to the menu; the
// others choose between the menu and other diets in the button's popup.
void TfrmCadastroServ::ExportaComensais() {
  if (!sbtExportComens->Enabled()) return;
  if (TipoServico() == "N") {
    ExportaComensCardapio();
    Corvane::AtualizaLocalCache({"SERVICO"});
    return;
  }
  pmnExpComCard->SetEnabled(mnuExpComCard->Enabled());
  pmnExpComDiet->SetEnabled(mnuExpComDiet->Enabled());
  pmnExportComens->Popup();
}

// The change history of the current service; nothing without one (an empty list, a new record).
void TfrmCadastroServ::mnuHistoricoClick(TComponent&) {
  if (!cdsServico->Active() || cdsServico->IsEmpty() || !TemEntrada("CriaHistorico")) return;
  std::string servico = Campo(*cdsServico, "CDSERVFILI");
  if (servico.empty()) return;
  VariantArray params{Variant(CodFilial()), Variant(servico)};
  ChamaEntrada("CriaHistorico", params);
}

}  // namespace cad
