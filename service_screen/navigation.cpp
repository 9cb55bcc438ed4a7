// Service selection and page navigation of TfrmCadastroServ: what happens before and after the
// selected service changes, the reload of the service list, leaving and entering pages, the page
// menu handlers and the screen's include, alter, cancel, search and print handlers (with the steps
// of the service list's commands that more than one page gives). Each page's own loading and
// button rules live in its unit under pages/; this unit fixes when they run.
//
// Invariants: a move to another service corrects the active page to one its type has before that
// page loads; every remote call shown under the progress display hides it on every way out.
#include <string>

#include "platform/core/errors.h"
#include "platform/framework/consiste.h"
#include "platform/framework/lookups.h"
#include "platform/framework/remoto.h"
#include "platform/framework/session.h"
#include "platform/framework/showavi.h"
#include "service_screen/cadastroserv.h"
#include "service_screen/module.h"
#include "service_screen/pages/pontentr.h"
#include "service_screen/pages/turnos.h"

namespace cad {

// ---------------------------------------------------------------- service selection

void TfrmCadastroServ::cdsServicoBeforeScroll(DataSet&) {
  if (PaginaServ* p = Ativa()) p->SaiServico();
}

void TfrmCadastroServ::cdsServicoAfterScroll(DataSet&) {
  std::string tipo = TipoServico();
  bool navegando = cdsServico->State() == DataSetState::Browse;

  // A page the service type does not have gives way to one it has.
  TTabSheet* corrigida = Ativa() ? Ativa()->Substituta(tipo) : nullptr;
  if (corrigida) {
    pgcPadrao->SetActivePage(corrigida);
    if (corrigida == tshFolhaDados) Avisa(Aviso::ListaMostrada);
  }
  MarcaMenuPagina();
  PaginaServ* ativa = Ativa();

  // Shifts and delivery points belong to a browsed corporate service.
  bool corporativo = tipo == "N" && navegando;
  tshTurnos->SetEnabled(corporativo);
  mnuTurnos->SetEnabled(corporativo);
  tshPontEntr->SetEnabled(corporativo);
  mnuPontEntr->SetEnabled(corporativo);

  // Every page drops what it loaded for the previous service; the active page loads at once.
  Avisa(Aviso::ServicoTrocado);
  if (ativa) ativa->TrocaServico();

  // A billing-only service resets the billing controls; the others open the pages of their type
  // unless the record is being edited.
  if (tipo == "F")
    Habilita_Faturamento();
  else if (ServicoEmEdicao())
    Habilita_Pagina(false);
  else if (!cdsServico->IsEmpty())
    Habilita_Pagina(true);

  if (ativa) ativa->ServicoMostrado();
  Avisa(Aviso::ServicoMostrado);
}

void TfrmCadastroServ::GetServicos(const std::string& grupo) {
  ShowAviGuard avi(this, 6, Msg("get_cdsServico"));
  Variant servicos = netCadastroServ.Call("GetServico", {CodFilial(), grupo});
  CarregaPacote(*cdsServico, servicos, "GetServico");
}

// ---------------------------------------------------------------- pages

// The list page becomes the active one without the page checks (the service cannot stay where it was).
void TfrmCadastroServ::MostraLista() {
  pgcPadrao->SetActivePage(tshFolhaDados);
  MarcaMenuPagina();
  Avisa(Aviso::ListaMostrada);
}

void TfrmCadastroServ::MarcaMenuPagina() {
  for (auto [sheet, menu] : Paginas()) menu->SetChecked(pgcPadrao->ActivePage() == sheet);
}

void TfrmCadastroServ::pgcPadraoChanging(TComponent&, bool& allowChange) {
  PaginaServ* p = Ativa();
  allowChange = !p || p->PodeSair(Saida::Pagina);
}

void TfrmCadastroServ::pgcPadraoChange(TComponent& sender) {
  TfrmPadrao::pgcPadraoChange(sender);
  TTabSheet* page = pgcPadrao->ActivePage();

  // The branch parameters of the branch on screen.
  ParametrosFilial(CodFilial());

  // The fantasy name is listed on every page but the list.
  cdsServico->FieldByName("NMFANTASSERV").Visible = page != tshFolhaDados;
  MarcaMenuPagina();

  // Toolbar: nothing that changes data in fixed-branch mode; side-screen commands only once the
  // module has the side screen. The pages set their own commands.
  sbtCopiar->SetEnabled(!FilialFixa && PodeCopiar());
  mnuCopiar->SetEnabled(sbtCopiar->Enabled());
  Avisa(Aviso::PaginaMudando);

  // The page loads and sets its commands; the other pages hear of the move.
  if (PaginaServ* p = Ativa()) p->Entra();
  Avisa(Aviso::PaginaTrocada);

  // Billing controls on every page.
  Habilita_Faturamento();
}

void TfrmCadastroServ::IrParaPagina(TTabSheet* page, bool consisteSaida) {
  if (pgcPadrao->ActivePage() == page) return;
  if (consisteSaida) {
    bool permite = true;
    pgcPadraoChanging(*pgcPadrao, permite);
    if (!permite) return;
  }
  pgcPadrao->SetActivePage(page);
  pgcPadraoChange(*pgcPadrao);
}

void TfrmCadastroServ::mnuFolhaDadosClick(TComponent&) {
  if (!ServicoEmEdicao()) IrParaPagina(tshFolhaDados, true);
}

void TfrmCadastroServ::mnuFormularioClick(TComponent&) {
  if (!ServicoEmEdicao()) IrParaPagina(tshFormulario, true);
}

// Only while a command of the current page is free (nothing is being edited there), or in
// fixed-branch mode, where no command ever is.
void TfrmCadastroServ::mnuConfCardClick(TComponent&) {
  if (mnuAlterar->Enabled() || mnuIncluir->Enabled() || FilialFixa) IrParaPagina(tshConfCard, true);
}

void TfrmCadastroServ::mnuTurnosClick(TComponent&) {
  if (!Pagina<PagTurnos>().Editando()) IrParaPagina(tshTurnos, false);
}

void TfrmCadastroServ::mnuComensClick(TComponent&) {
  if (!ServicoEmEdicao()) IrParaPagina(tshComensais, true);
}

void TfrmCadastroServ::mnuPontEntrClick(TComponent&) {
  if (!ServicoEmEdicao() && !Pagina<PagPontEntr>().Editando()) IrParaPagina(tshPontEntr, true);
}

void TfrmCadastroServ::mnuEmbalagensClick(TComponent&) { IrParaPagina(tshEmbalagens, false); }

void TfrmCadastroServ::pgcPadraoEnter(TComponent&) {
  if (PaginaServ* p = Ativa()) p->FocoNasAbas();
}

void TfrmCadastroServ::dbnPadraoClick(TComponent&, TNavigateBtn) { Habilita_Faturamento(); }

// ---------------------------------------------------------------- operation commands

void TfrmCadastroServ::getParamPlaneja() {
  Variant parametros = Consiste::CheckResultServ(netCadastroServ.Call("getParamPlaneja", {medCdFilial->Text()}));
  CarregaPacote(*cdsParamPlaneja, parametros, "getParamPlaneja");
  if (cdsParamPlaneja->IsEmpty()) Erro("N_PARAM_PLANEJA");
}

void TfrmCadastroServ::sbtIncluirClick(TComponent& sender) {
  if (PaginaServ* p = Ativa()) p->Inclui(sender);
  dbnPadrao->SetEnabled(false);
}

// A new service from a page that has no form of its own: the planning parameters must exist first.
void TfrmCadastroServ::IncluiServico(TComponent& sender) {
  getParamPlaneja();
  tshFormulario->SetEnabled(true);
  mnuFormulario->SetEnabled(true);
  TfrmPadrao::sbtIncluirClick(sender);
}

void TfrmCadastroServ::sbtAlterarClick(TComponent& sender) {
  HabilitaPainelFilial(false);
  if (PaginaServ* p = Ativa()) p->Altera(sender);
  dbnPadrao->SetEnabled(false);
}

// The base screen's alter of the service record (the diners page edits the record's figures).
void TfrmCadastroServ::AlteraRegistro(TComponent& sender) { TfrmPadrao::sbtAlterarClick(sender); }

void TfrmCadastroServ::sbtCancelarClick(TComponent&) {
  if (!ConfirmaCancelamento()) return;
  if (PaginaServ* p = Ativa()) p->Cancela();
  HabilitaNavegacao();
}

void TfrmCadastroServ::CancelaServico() {
  bool inclusao = cdsServico->State() == DataSetState::Insert;
  CancelaRegistro();
  // A cancelled include returns to the service shown before without a scroll: what the new
  // row emptied (its billing services, the pages of its type) is shown for that service again.
  if (inclusao && cdsServico->Active() && !cdsServico->IsEmpty()) cdsServicoAfterScroll(*cdsServico);
  if (cdsServico->Active() && cdsServico->IsEmpty()) {
    tshFolhaDados->SetEnabled(true);
    mnuFolhaDados->SetEnabled(true);
    IrParaPagina(tshFolhaDados, false);
    tshFormulario->SetEnabled(false);
    mnuFormulario->SetEnabled(false);
    ChangeButtons(!FilialFixa, false, false, false, false, false);
  }
}

void TfrmCadastroServ::HabilitaNavegacao() {
  bool livre = cdsServico->State() == DataSetState::Browse && !cdsServico->IsEmpty();
  for (const auto& p : paginas_) livre = livre && !p->Editando();
  dbnPadrao->SetEnabled(livre);
}

void TfrmCadastroServ::sbtProcurarClick(TComponent& sender) {
  if (PaginaServ* p = Ativa()) p->Procura(sender);
}

// The service listing report is a side screen of its own: the command is offered, and opens it,
// once the module has its creator.
bool TfrmCadastroServ::TemRelatorio() const { return TemEntrada("CriaListServ"); }

void TfrmCadastroServ::sbtImprimirClick(TComponent&) {
  VariantArray semParametros;
  if (TemRelatorio()) ChamaEntrada("CriaListServ", semParametros);
}

}  // namespace cad
