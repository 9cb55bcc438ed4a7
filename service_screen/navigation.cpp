// Service selection and page navigation of TfrmCadastroServ: what happens before and after the
// selected service changes, the reload of the service list, leaving and entering pages, the page
// menu handlers and the screen's include, alter, cancel, search and print handlers. Each page's
// own loading and button rules live in its unit under pages/; this unit fixes when they run.
//
// Invariants: a move to another service corrects the active page to one its type has before that
// page loads; every remote call shown under the progress display hides it on every way out.
#include <string>

#include "platform/core/errors.h"
#include "platform/framework/consiste.h"
#include "platform/framework/lookups.h"
#include "platform/framework/session.h"
#include "platform/framework/showavi.h"
#include "service_screen/cadastroserv.h"
#include "service_screen/module.h"
#include "service_screen/pages/pontentr.h"

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
    if (corrigida == tshFolhaDados) BotoesListaFormulario();
  }
  MarcaMenuPagina();
  PaginaServ* ativa = Ativa();

  // Shifts and delivery points belong to a browsed corporate service; the hospital kind to the
  // planned types, never in fixed-branch mode.
  bool corporativo = tipo == "N" && navegando;
  tshTurnos->SetEnabled(corporativo);
  mnuTurnos->SetEnabled(corporativo);
  tshPontEntr->SetEnabled(corporativo);
  mnuPontEntr->SetEnabled(corporativo);
  bool especificacao = !FilialFixa && (tipo == "D" || tipo == "A" || tipo == "N");
  dbcTipoServ->SetEnabled(especificacao);
  lblEspeci->SetEnabled(especificacao);

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
  BotoesListaFormulario();
}

void TfrmCadastroServ::MarcaMenuPagina() {
  for (auto [sheet, menu] : Paginas()) menu->SetChecked(pgcPadrao->ActivePage() == sheet);
}

void TfrmCadastroServ::BotoesListaFormulario() {
  if (!cdsServico->Active()) return;
  if (FilialFixa)
    ChangeButtons(false, false, false, true, true, false);
  else if (ServicoEmEdicao() || EmEdicao(*cdsServFatu))
    // Moving between the list and the form keeps the service's edit open, with Confirm and
    // Cancel, so what was typed is neither dropped by a Verify nor left unsaved.
    ChangeButtons(false, false, false, false, false, true);
  else
    ChangeButtons(true, true, true, true, true, false);
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

void TfrmCadastroServ::EntraServico() {
  TTabSheet* page = pgcPadrao->ActivePage();
  if (!medCdFilial->Focused()) BotoesListaFormulario();

  // The form page shows the billing services of the selected service; in fixed-branch mode nothing
  // on it can be changed.
  if (page == tshFormulario && cdsServico->Active()) {
    {
      ShowAviGuard avi(this, 0);
      Variant servFatu = Consiste::CheckResultServ(
          netCadastroServ.Call("GetServFatu", {Campo(*cdsServico, "CDFILIAL"), Campo(*cdsServico, "CDSERVFILI")}));
      CarregaPacote(*cdsServFatu, servFatu, "GetServFatu");
    }
    if (FilialFixa) {
      for (TControl* c : std::initializer_list<TControl*>{
               dbeCdServFili, dbeNmServico, dbeNmFantasServ, dbeNmServicoRedu, dbeCdGrupServ, btnGrupServ,
               btpServico,    drgTipoServ,  dbcTipoServ,     dbeIniAtend,      dbePeriServDe, dbePeriServAte,
               dbeHrEntrega,  dbeCdRota,    btnRota,         dbeCdPadInt,      btpPadrInt,    dbePreco,
               dbeCdProduto,  btnPesqProd,  dckUtilReqReti,  dbkConsSerCar,    dbkConFixPer,  dckUtilReqPrato,
               dckBloqAlt,    dbConsFatPla, dbkServPrinc,    dckServTran,      dbkDepLiber,   dbkBloqProdReti,
               dbServFatVar,  dbFatServSep, medCdServico,    btnServico})
        c->SetEnabled(false);
      cdsServFatu->ReadOnly = true;
      if (TColumn* col = dbgServFatu->ColumnByField("CDSERVICFATURAM")) {
        col->ButtonStyle = TColumnButtonStyle::cbsNone;
        dbgServFatu->ColumnsChanged();
      }
    }
  }
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

void TfrmCadastroServ::mnuCustPadrClick(TComponent&) {
  if (!EmEdicao(*cdsCustPadr)) IrParaPagina(tshCustPadr, true);
}

void TfrmCadastroServ::mnuTurnosClick(TComponent&) {
  if (!EmEdicao(*cdsTurno)) IrParaPagina(tshTurnos, false);
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

// A new service (or, in the billing grid, a new billing service); the new service is typed on
// the form page.
void TfrmCadastroServ::IncluiServico(TComponent& sender) {
  TTabSheet* page = pgcPadrao->ActivePage();
  getParamPlaneja();
  tshFormulario->SetEnabled(true);
  mnuFormulario->SetEnabled(true);
  dbkConFixPer->SetEnabled(true);
  dbkConFixPer->SetChecked(false);
  if (dbgServFatu->Focused()) {
    dbgServFatu->SetSelectedField(cdsServFatu->FindField("CDSERVICFATURAM"));
    if (!EmEdicao(*cdsServFatu)) cdsServFatu->Insert();
  } else {
    if (page == tshFolhaDados) IrParaPagina(tshFormulario, true);
    if (pgcPadrao->ActivePage() != tshFolhaDados) {
      TfrmPadrao::sbtIncluirClick(sender);
      if (dbeCdServFili->CanFocus()) dbeCdServFili->SetFocus();
    }
  }
}

void TfrmCadastroServ::sbtAlterarClick(TComponent& sender) {
  HabilitaPainelFilial(false);
  if (PaginaServ* p = Ativa()) p->Altera(sender);
  dbnPadrao->SetEnabled(false);
}

// The service is altered on the form page (the billing grid alters its current row).
void TfrmCadastroServ::AlteraServico(TComponent& sender) {
  if (dbgServFatu->Focused()) {
    dbgServFatu->SetSelectedField(cdsServFatu->FindField("CDSERVFILI"));
    if (!EmEdicao(*cdsServFatu)) cdsServFatu->Edit();
    return;
  }
  if (pgcPadrao->ActivePage() == tshFolhaDados) IrParaPagina(tshFormulario, true);
  if (pgcPadrao->ActivePage() != tshFolhaDados) {
    TfrmPadrao::sbtAlterarClick(sender);
    for (TControl* c : std::initializer_list<TControl*>{dbeNmServico, dbeIniAtend, dbeNmFantasServ})
      if (c->CanFocus()) {
        c->SetFocus();
        break;
      }
  }
}

// The base screen's alter of the service record (the diners page edits the record's figures).
void TfrmCadastroServ::AlteraRegistro(TComponent& sender) { TfrmPadrao::sbtAlterarClick(sender); }

void TfrmCadastroServ::sbtCancelarClick(TComponent&) {
  if (!ConfirmaCancelamento()) return;
  if (PaginaServ* p = Ativa()) p->Cancela();
  HabilitaNavegacao();
}

void TfrmCadastroServ::CancelaServico() {
  TTabSheet* page = pgcPadrao->ActivePage();
  if (dbgServFatu->Focused()) {
    if (EmEdicao(*cdsServFatu)) {
      cdsServFatu->Cancel();
      if (page == tshFormulario) grbServFatuEnter(*grbServFatu);
    }
    return;
  }
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

void TfrmCadastroServ::ProcuraServico(TComponent& sender) {
  cdsServico->FieldByName("NMFANTASSERV").Visible = pgcPadrao->ActivePage() == tshFormulario;
  if (dbgServFatu->Focused())
    Procurar::Procura(*cdsServFatu);
  else
    TfrmPadrao::sbtProcurarClick(sender);
}

// The service listing report is a side screen of its own: the command is offered, and opens it,
// once the module has its creator.
bool TfrmCadastroServ::TemRelatorio() const { return TemEntrada("CriaListServ"); }

void TfrmCadastroServ::sbtImprimirClick(TComponent&) {
  VariantArray semParametros;
  if (TemRelatorio()) ChamaEntrada("CriaListServ", semParametros);
}

}  // namespace cad
