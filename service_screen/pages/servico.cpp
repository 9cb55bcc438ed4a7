// The list and form pages of the service screen: entering them, their command blocks (include,
// alter, cancel, search, confirm, verify, delete) and the notices they follow. The record's own
// events and checks are in servico_registro.cpp, the billing setup in servico_faturamento.cpp.
//
// Invariants: a command given while the billing grid has the focus acts on the grid's row, any
// other on the service record; the main-service editor always shows the current record's.
#include "service_screen/pages/servico.h"

#include <initializer_list>
#include <string>

#include "platform/core/errors.h"
#include "platform/core/scope.h"
#include "platform/framework/consiste.h"
#include "platform/framework/lookups.h"
#include "platform/framework/remoto.h"
#include "platform/framework/session.h"
#include "platform/framework/showavi.h"
#include "service_screen/cadastroserv.h"
#include "service_screen/module.h"

namespace cad {

// The frame's data source of the list: its data change is the form's (the main-service editor).
PagServico::PagServico(TfrmCadastroServ& t) : PaginaServ(t) {
  tela.dtsPadrao->OnDataChange = [this](DataSource& s, Field* f) { dtsPadraoDataChange(s, f); };
}

bool PagServico::Mostra(const TTabSheet* aba) const { return aba == tela.tshFolhaDados || aba == tela.tshFormulario; }

// ---------------------------------------------------------------- entering the pages

void PagServico::BotoesListaFormulario() {
  if (!tela.cdsServico->Active()) return;
  if (FilialFixa)
    tela.ChangeButtons(false, false, false, true, true, false);
  else if (tela.ServicoEmEdicao() || tela.EmEdicao(*cdsServFatu))
    // Moving between the list and the form keeps the service's edit open, with Confirm and
    // Cancel, so what was typed is neither dropped by a Verify nor left unsaved.
    tela.ChangeButtons(false, false, false, false, false, true);
  else
    tela.ChangeButtons(true, true, true, true, true, false);
}

void PagServico::Entra() {
  TTabSheet* page = tela.pgcPadrao->ActivePage();
  if (!tela.medCdFilial->Focused()) BotoesListaFormulario();

  // The form page shows the billing services of the selected service; in fixed-branch mode nothing
  // on it can be changed.
  if (page == tela.tshFormulario && tela.cdsServico->Active()) {
    {
      ShowAviGuard avi(&tela, 0);
      Variant servFatu = Consiste::CheckResultServ(tela.netCadastroServ.Call(
          "GetServFatu", {tela.Campo(*tela.cdsServico, "CDFILIAL"), tela.Campo(*tela.cdsServico, "CDSERVFILI")}));
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

// The form page shows the billing services of the new service.
void PagServico::TrocaServico() {
  if (tela.pgcPadrao->ActivePage() != tela.tshFormulario) return;
  {
    ShowAviGuard avi(&tela, 0);
    Variant servFatu = Consiste::CheckResultServ(tela.netCadastroServ.Call(
        "GetServFatu", {tela.Campo(*tela.cdsServico, "CDFILIAL"), tela.Campo(*tela.cdsServico, "CDSERVFILI")}));
    CarregaPacote(*cdsServFatu, servFatu, "GetServFatu");
  }
  if (dbgServFatu->Focused()) grbServFatuEnter(*grbServFatu);
}

// The record's controls for the state of the service list.
void PagServico::ControlesServico() {
  bool inserindo = tela.cdsServico->State() == DataSetState::Insert;
  for (TControl* c : std::initializer_list<TControl*>{drgTipoServ, lblCdServico, dbeCdServFili})
    c->SetEnabled(inserindo);
  if (tela.pgcPadrao->ActivePage() == tela.tshFormulario && inserindo && dbeCdServFili->CanFocus())
    dbeCdServFili->SetFocus();
  bool padrao = tela.NmTabServ == "SERVPADR";
  btpServico->SetVisible(padrao && inserindo);
  btpServico->SetEnabled(padrao && inserindo);
  for (TControl* c : std::initializer_list<TControl*>{lblNmServico, dbeNmServico, lblFaturamento, lblProduto,
                                                      dbeCdProduto, btnPesqProd})
    c->SetEnabled(!padrao);
}

void PagServico::EstadoServico() { ControlesServico(); }

// Keeps the main-service editor (not bound to a field) in step with the record: a move, a
// cancel or a reload shows the record's own CDSERVPREQUI, so a later save never writes the main
// service of another record.
void PagServico::dtsPadraoDataChange(DataSource&, Field* field) {
  if (field || tela.ServicoEmEdicao()) return;
  if (medCdServico->Text() != tela.Campo(*tela.cdsServico, "CDSERVPREQUI")) MostraServicoPrincipal();
}

void PagServico::MostraServicoPrincipal() {
  std::string principal = tela.Campo(*tela.cdsServico, "CDSERVPREQUI");
  if (medCdServico->Text() != principal) medCdServico->SetText(principal);
  std::string nome;
  if (!principal.empty()) {
    Reabre(*qryServico, {{"P_CDFILIAL", tela.medCdFilial->Text()}, {"P_CDSERVFILI", principal}});
    nome = tela.Campo(*qryServico, "NMSERVICO");
  }
  edtNmServico->SetText(nome);
}

// Hospital modules plan by inpatient standard instead of delivery route, and never transport.
void PagServico::PreparaFormulario() {
  dbcTipoServ->SetItems({tela.Msg("Oral"), tela.Msg("EntPare"), tela.Msg("Lactario")});
  if (Geral::ModuloHospitalar()) {
    for (TControl* c : std::initializer_list<TControl*>{lblPadInt, dbeCdPadInt, dbeNmPadInt, btpPadrInt})
      c->SetVisible(true);
    for (TControl* c : std::initializer_list<TControl*>{lblRota, dbeCdRota, btnRota, dbeNmRota}) c->SetVisible(false);
    dckServTran->SetEnabled(false);
  }
  std::string mascara = Corvane::DBPict(0);
  for (DataSet* ds : std::initializer_list<DataSet*>{qryProduto, qryPesqProd, cdsPesqProd})
    ds->FieldByName("CDARVPROD").EditMask = mascara;
}

void PagServico::Avisa(Aviso aviso) {
  switch (aviso) {
    case Aviso::TelaMontada: PreparaFormulario(); break;
    // Menu lines for decentralized delivery only where the branch uses the standard menu.
    case Aviso::ParametrosLidos: dbkDepLiber->SetVisible(IdNaoUtCardPadr == "N"); break;
    case Aviso::ModoFaturamento: Habilita_Faturamento(); break;
    case Aviso::ListaMostrada: BotoesListaFormulario(); break;
    case Aviso::ServicoTrocado: {
      // The hospital kind belongs to the planned types, never in fixed-branch mode.
      std::string tipo = tela.TipoServico();
      bool especificacao = !FilialFixa && (tipo == "D" || tipo == "A" || tipo == "N");
      dbcTipoServ->SetEnabled(especificacao);
      lblEspeci->SetEnabled(especificacao);
      // The main billed service; a service billed under a main one has no equivalences of its own.
      MostraServicoPrincipal();
      if (tipo != "F") {
        bool semPrincipal = tela.Campo(*tela.cdsServico, "CDSERVPREQUI").empty();
        grbServFatu->SetEnabled(semPrincipal);
        // Labels of controls that cannot change data stay off in fixed-branch mode.
        lblServFatu->SetEnabled(semPrincipal && !FilialFixa);
      } else if (tela.pgcPadrao->ActivePage() == tela.tshFormulario && !FilialFixa && dbeNmFantasServ->CanFocus()) {
        dbeNmFantasServ->SetFocus();
      }
      break;
    }
    // The separate invoice follows the service's variable billing value.
    case Aviso::ServicoMostrado: HabilitaNotaSeparada(tela.Campo(*tela.cdsServico, "IDVLRVARDATA") == "S"); break;
    default: break;
  }
}

// ---------------------------------------------------------------- include, alter, cancel, search

// A new service (or, in the billing grid, a new billing service); the new service is typed on
// the form page.
void PagServico::Inclui(TComponent& sender) {
  TTabSheet* page = tela.pgcPadrao->ActivePage();
  tela.getParamPlaneja();
  tela.tshFormulario->SetEnabled(true);
  tela.mnuFormulario->SetEnabled(true);
  dbkConFixPer->SetEnabled(true);
  dbkConFixPer->SetChecked(false);
  if (dbgServFatu->Focused()) {
    dbgServFatu->SetSelectedField(cdsServFatu->FindField("CDSERVICFATURAM"));
    if (!tela.EmEdicao(*cdsServFatu)) cdsServFatu->Insert();
  } else {
    if (page == tela.tshFolhaDados) tela.IrParaPagina(tela.tshFormulario, true);
    if (tela.pgcPadrao->ActivePage() != tela.tshFolhaDados) {
      tela.TfrmPadrao::sbtIncluirClick(sender);
      if (dbeCdServFili->CanFocus()) dbeCdServFili->SetFocus();
    }
  }
}

// The service is altered on the form page (the billing grid alters its current row).
void PagServico::Altera(TComponent& sender) {
  if (dbgServFatu->Focused()) {
    dbgServFatu->SetSelectedField(cdsServFatu->FindField("CDSERVFILI"));
    if (!tela.EmEdicao(*cdsServFatu)) cdsServFatu->Edit();
    return;
  }
  if (tela.pgcPadrao->ActivePage() == tela.tshFolhaDados) tela.IrParaPagina(tela.tshFormulario, true);
  if (tela.pgcPadrao->ActivePage() != tela.tshFolhaDados) {
    tela.AlteraRegistro(sender);
    for (TControl* c : std::initializer_list<TControl*>{dbeNmServico, dbeIniAtend, dbeNmFantasServ})
      if (c->CanFocus()) {
        c->SetFocus();
        break;
      }
  }
}

void PagServico::Cancela() {
  if (!dbgServFatu->Focused()) {
    tela.CancelaServico();
    return;
  }
  if (tela.EmEdicao(*cdsServFatu)) {
    cdsServFatu->Cancel();
    if (tela.pgcPadrao->ActivePage() == tela.tshFormulario) grbServFatuEnter(*grbServFatu);
  }
}

void PagServico::Procura(TComponent& sender) {
  tela.cdsServico->FieldByName("NMFANTASSERV").Visible = tela.pgcPadrao->ActivePage() == tela.tshFormulario;
  if (dbgServFatu->Focused())
    Procurar::Procura(*cdsServFatu);
  else
    tela.TfrmPadrao::sbtProcurarClick(sender);
}

// ---------------------------------------------------------------- confirm, verify, delete

void PagServico::Confirma() {
  std::string cdServFili = tela.Campo(*tela.cdsServico, "CDSERVFILI");
  if (tela.EmEdicao(*cdsServFatu)) {
    cdsServFatu->Post();
    if (tela.pgcPadrao->ActivePage() == tela.tshFormulario) grbServFatuEnter(*grbServFatu);
  }
  if (tela.ServicoEmEdicao()) tela.cdsServico->Post();
  std::string grupo = Consiste::AllTrim(tela.edtCdGrupoFiltro->Text());
  if (!grupo.empty() && grupo != tela.Campo(*tela.cdsServico, "CDGRUPSERV")) {
    tela.GetServicos(grupo);
    tela.cdsServico->Locate("CDSERVFILI", cdServFili);
  }
}

void PagServico::Verifica() {
  {
    tela.cdsServico->DisableControls();
    ScopeExit reativa([this] { tela.cdsServico->EnableControls(); });
    std::string cdServFili = tela.Campo(*tela.cdsServico, "CDSERVFILI");
    tela.panFilialExit(*tela.panFilial);
    if (!cdServFili.empty()) tela.cdsServico->Locate("CDSERVFILI", cdServFili);
  }
  if (tela.pgcPadrao->ActivePage() == tela.tshFormulario && dbgServFatu->Focused()) grbServFatuEnter(*grbServFatu);
}

bool PagServico::Exclui() { return dbgServFatu->Focused() ? ExcluiServFatu() : tela.ExcluiServico(); }

bool PagServico::ExcluiServFatu() {
  if (!cdsServFatu->Active() || cdsServFatu->IsEmpty()) return false;
  if (tela.msgPadrao->ShowMsg("Excl", TMsgDlgType::mtConfirmation, mbYesNo) != mrYes) return false;
  bool formulario = tela.pgcPadrao->ActivePage() == tela.tshFormulario;
  try {
    Variant efetivos;
    {
      ShowAviGuard avi(&tela, 0);
      efetivos = Consiste::CheckResultServ(tela.netCadastroServ.Call(
          "verificaEfetServFat", {tela.Campo(*cdsServFatu, "CDFILIAL"), tela.Campo(*cdsServFatu, "CDSERVICFATURAM"),
                                  tela.Campo(*tela.cdsServico, "CDSERVFILI")}));
    }
    if (!efetivos.isArray() || efetivos.asArray().size() < 2) throw RespostaInesperada("verificaEfetServFat");
    if (efetivos.asArray()[0].asBool())
      tela.Erro("ExisteEfetServFat",
                {tela.Campo(*cdsServFatu, "CDSERVICFATURAM") + " " + tela.Campo(*cdsServFatu, "NMSERVICO"),
                 tela.Campo(*tela.cdsServico, "CDSERVFILI") + " " + tela.Campo(*tela.cdsServico, "NMSERVICO"),
                 efetivos.asArray()[1].asString()});
    cdsServFatu->Delete();
    tela.GravaServicoCache();
    if (formulario) grbServFatuEnter(*grbServFatu);
    return true;
  } catch (...) {
    if (cdsServFatu->Active() && cdsServFatu->ChangeCount() > 0) cdsServFatu->CancelUpdates();
    if (formulario) grbServFatuEnter(*grbServFatu);
    throw;
  }
}

}  // namespace cad
