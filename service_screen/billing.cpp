// The billing setup of TfrmCadastroServ: billing mode (a service of type "F" has no planning of
// its own) against planning mode, the billing-by-equivalence grid (cdsServFatu: its checks,
// lookup, row life cycle, keys and commands) and the separate-invoice dependency.
//
// Invariants:
//  - In billing mode every planning control and page is off and only the main service to be
//    billed stays open; in fixed-branch mode no billing control can change data.
//  - An equivalence is never edited: it is inserted or deleted, and each insertion or deletion
//    reaches the server at once. A refused one is undone on screen, so the grid shows what the
//    server holds.
#include <initializer_list>
#include <string>

#include "platform/core/errors.h"
#include "platform/core/scope.h"
#include "platform/framework/consiste.h"
#include "platform/framework/lookups.h"
#include "platform/framework/remoto.h"
#include "platform/framework/session.h"
#include "platform/framework/showavi.h"
#include "platform/ui/controls.h"
#include "service_screen/cadastroserv.h"
#include "service_screen/module.h"

namespace cad {

// ---------------------------------------------------------------- billing and planning mode

void TfrmCadastroServ::Habilita_Faturamento() {
  bool ativo = cdsServico->Active();
  bool faturamento = TipoServico() == "F" || (ativo && drgTipoServ->ItemIndex() == 3);
  const std::initializer_list<TDBEdit*> edicoes{dbeIniAtend,    dbePeriServDe, dbeCdRota,
                                                dbePeriServAte, dbePreco,      dbeCdPadInt};
  const std::initializer_list<TDBCheckBox*> caixas{dckUtilReqReti,  dbkConsSerCar, dbkConFixPer,
                                                   dckUtilReqPrato, dckBloqAlt,    dbConsFatPla,
                                                   dbkServPrinc,    dckServTran,   dbkDepLiber};
  const std::initializer_list<TControl*> planejamento{
      dbePreco,     lblEspeci,      lblHMInicAten,  lblPeriServDe, lblRota,      lblPeriServAte,  lblPesoCusto,
      lblServFatu,  dbgServFatu,    dckUtilReqReti, dbkConsSerCar, dbkConFixPer, dckUtilReqPrato, dckBloqAlt,
      dbConsFatPla, dbkServPrinc,   dckServTran,    dbkDepLiber,   btnRota,      dbeIniAtend,     dbePeriServDe,
      dbeCdRota,    dbePeriServAte, dbcTipoServ,    dbeHrEntrega};
  bool vazio = !ativo || cdsServico->IsEmpty();

  if (faturamento) {
    // Clearing the boxes is not the user's doing: their click handlers stay out of it.
    SuspendeCliques = true;
    ScopeExit retoma([this] { SuspendeCliques = false; });
    // A record being edited loses its planning values; the display follows the data.
    if (ServicoEmEdicao()) {
      for (TDBEdit* e : edicoes)
        if (Field* f = e->GetField(); f && !f->IsNull()) f->Clear();
      if (Field* f = cdsServico->FindField("IDTPSERVHOSP"); f && !f->IsNull()) f->Clear();
      for (TDBCheckBox* c : caixas)
        if (Field* f = c->GetField(); f && !f->IsNull() && f->AsString() != c->ValueUnchecked)
          f->SetAsString(c->ValueUnchecked);
    }
    // While browsing the stored planning values stay in the record; they are only not shown.
    for (TDBEdit* e : edicoes) e->SetShowBlank(true);
    dbcTipoServ->SetItemIndex(-1);
    for (TDBCheckBox* c : caixas) c->SetChecked(false);
    lblServEqui->SetEnabled(true);
    lblServFat->SetEnabled(true);
    // The main service to be billed is the one thing left to change, so in fixed-branch mode
    // nothing is.
    medCdServico->SetEnabled(!FilialFixa);
    btnServico->SetEnabled(!FilialFixa);
    for (TControl* c : planejamento) c->SetEnabled(false);
    tshFolhaDados->SetEnabled(true);
    tshFormulario->SetEnabled(!vazio);
    for (TTabSheet* t : {tshConfCard, tshCustPadr, tshTurnos, tshComensais, tshPontEntr, tshEmbalagens})
      t->SetEnabled(false);
  } else {
    for (TDBEdit* e : edicoes) e->SetShowBlank(false);
    if (!ServicoEmEdicao()) {
      std::string tipo = TipoServico();
      bool transportado = Campo(*cdsServico, "IDSERVTRAN") == "S";
      tshFolhaDados->SetEnabled(true);
      for (TTabSheet* t : {tshFormulario, tshConfCard, tshCustPadr, tshComensais}) t->SetEnabled(!vazio);
      tshTurnos->SetEnabled(!vazio && tipo == "N");
      tshPontEntr->SetEnabled(!vazio && tipo == "N");
      tshEmbalagens->SetEnabled(!vazio && tipo == "N" && transportado);
    }
    if (FilialFixa) {
      for (TControl* c : planejamento) c->SetEnabled(false);
      for (TControl* c : std::initializer_list<TControl*>{medCdServico, btnServico, lblServEqui, lblServFat, lblFilial,
                                                          medCdFilial, btnFilial})
        c->SetEnabled(false);
      dbgServFatu->SetEnabled(true);
      ChangeButtons(false, false, false, true, true, false);
    } else {
      for (TControl* c : planejamento) c->SetEnabled(true);
      for (TControl* c : std::initializer_list<TControl*>{medCdServico, btnServico, lblServEqui, lblServFat})
        c->SetEnabled(true);
      dckBloqAlt->SetEnabled(dckUtilReqPrato->Checked());
      // The hospital modules never offer transported services.
      if (Geral::ModuloHospitalar()) dckServTran->SetEnabled(false);
    }
  }
  for (auto [sheet, menu] : Paginas()) menu->SetEnabled(sheet->Enabled());
}

// ---------------------------------------------------------------- check of a billing service

void TfrmCadastroServ::Vd_ServFatu(bool obrigatorio) {
  try {
    std::string codigo = Consiste::AllTrim(Campo(*cdsServFatu, "CDSERVICFATURAM"));
    if (codigo.empty()) {
      if (obrigatorio) Erro("SERV_INF");
      return;
    }
    codigo = Consiste::Ajusta(codigo, 5);
    Field& faturam = cdsServFatu->FieldByName("CDSERVICFATURAM");
    if (faturam.AsString() != codigo) faturam.SetAsString(codigo);
    std::string filial = Campo(*cdsServico, "CDFILIAL");
    std::string servico = Campo(*cdsServico, "CDSERVFILI");
    {
      ShowAviGuard avi(this, 0);
      Variant guardadas = Consiste::CheckResultServ(netCadastroServ.Call("GetServFatu", {filial, servico}), true, 0);
      CarregaPacote(*cdsServFatuAux, guardadas, "GetServFatu");
    }
    Field& nome = cdsServFatu->FieldByName("NMSERVICO");
    if (!cdsServFatuAux->IsEmpty() &&
        cdsServFatuAux->Locate("CDFILIAL;CDSERVFILI;CDSERVICFATURAM", VariantArray{filial, servico, codigo})) {
      nome.Clear();
      Erro("SERV_JA_CAD");
    }
    {
      ShowAviGuard avi(this, 0);
      Variant candidatos = Consiste::CheckResultServ(netCadastroServ.Call("GetPesqServFatu", {filial}), true, 0);
      CarregaPacote(*cdsPesqServFatu, candidatos, "GetPesqServFatu");
    }
    if (!cdsPesqServFatu->Locate("CDFILIAL;CDSERVFILI", VariantArray{filial, codigo})) {
      nome.Clear();
      Erro("Serv_cad");
    }
    cdsServFatu->FieldByName("CDFILIAL").SetAsString(filial);
    cdsServFatu->FieldByName("CDSERVFILI").SetAsString(servico);
    nome.SetAsString(Campo(*cdsPesqServFatu, "NMSERVICO"));
  } catch (...) {
    Foca(dbgServFatu);
    throw;
  }
}

// ---------------------------------------------------------------- lookup

void TfrmCadastroServ::dbgServFatuEditButtonClick(TComponent&) {
  if (FilialFixa || cdsServFatu->State() != DataSetState::Insert) return;
  std::string filial = Campo(*cdsServico, "CDFILIAL");
  {
    ShowAviGuard avi(this, 0);
    Variant candidatos = Consiste::CheckResultServ(netCadastroServ.Call("GetPesqServFatu", {filial}), true, 0);
    CarregaPacote(*cdsPesqServFatu, candidatos, "GetPesqServFatu");
  }
  if (!Pesquisa::Pesquisar(*dtsPesqServFatu, Msg("Serv_Fatu") + "|" + Msg("Serv_Fatu_Empty"))) return;
  if (!EmEdicao(*cdsServFatu)) cdsServFatu->Edit();
  cdsServFatu->FieldByName("CDFILIAL").SetAsString(Campo(*cdsPesqServFatu, "CDFILIAL"));
  cdsServFatu->FieldByName("CDSERVFILI").SetAsString(Campo(*cdsServico, "CDSERVFILI"));
  cdsServFatu->FieldByName("CDSERVICFATURAM").SetAsString(Campo(*cdsPesqServFatu, "CDSERVFILI"));
  cdsServFatu->FieldByName("NMSERVICO").SetAsString(Campo(*cdsPesqServFatu, "NMSERVICO"));
}

// ---------------------------------------------------------------- row life cycle

void TfrmCadastroServ::cdsServFatuBeforeInsert(DataSet&) {
  if (!FilialFixa) dbgServFatu->SetSelectedField(cdsServFatu->FindField("CDSERVICFATURAM"));
}

// An equivalence is changed by deleting it and inserting another.
void TfrmCadastroServ::cdsServFatuBeforeEdit(DataSet&) { Abort(); }

void TfrmCadastroServ::cdsServFatuBeforePost(DataSet&) { Vd_ServFatu(true); }

void TfrmCadastroServ::cdsServFatuBeforeDelete(DataSet&) {
  if (FilialFixa) Abort();
}

// Also the after-delete reaction.
void TfrmCadastroServ::cdsServFatuAfterPost(DataSet&) {
  GravaAlteracoes(netCadastroServ, *cdsServFatu, "SerServFatu", Gravacao::ChecandoResultado());
  if (pgcPadrao->ActivePage() == tshFormulario) BotoesServFatu();
}

void TfrmCadastroServ::cdsServFatuAfterCancel(DataSet&) {
  if (pgcPadrao->ActivePage() == tshFormulario) BotoesServFatu();
}

// ---------------------------------------------------------------- keys and focus

void TfrmCadastroServ::dbgServFatuKeyPress(TComponent&, std::string& key) {
  Field* campo = dbgServFatu->SelectedField();
  if (campo && campo->FieldName() == "CDSERVICFATURAM" && !cdsServFatu->IsEmpty() &&
      cdsServFatu->State() != DataSetState::Insert)
    key.clear();
}

void TfrmCadastroServ::dbgServFatuKeyDown(TComponent&, int& key, ShiftState shift) {
  if (key != VK_DELETE) return;
  if ((shift & ssCtrl) || cdsServFatu->State() != DataSetState::Insert) key = 0;
}

void TfrmCadastroServ::dbgServFatuColExit(TComponent&) {
  if (EmEdicao(*cdsServFatu)) Vd_ServFatu(true);
}

void TfrmCadastroServ::dbgServFatuExit(TComponent&) {
  if (!EmEdicao(*cdsServFatu)) return;
  Habilita_Pagina(true);
  cdsServFatu->Post();
}

// The commands of the billing-service group.
void TfrmCadastroServ::BotoesServFatu() {
  if (FilialFixa) {
    ChangeButtons(false, false, false, false, false, false);
    for (TControl* c : std::initializer_list<TControl*>{lblFilial, medCdFilial, btnFilial}) c->SetEnabled(false);
  } else {
    bool linhas = cdsServFatu->Active() && !cdsServFatu->IsEmpty();
    ChangeButtons(true, false, linhas, linhas, true, false);
  }
}

void TfrmCadastroServ::grbServFatuEnter(TComponent&) {
  if (ServicoEmEdicao()) cdsServico->Post();
  BotoesServFatu();
}

void TfrmCadastroServ::grbServFatuExit(TComponent&) {
  TTabSheet* page = pgcPadrao->ActivePage();
  if ((page != tshFolhaDados && page != tshFormulario) || medCdFilial->Focused() || ServicoEmEdicao()) return;
  if (FilialFixa)
    ChangeButtons(false, false, false, true, true, false);
  else
    ChangeButtons(true, true, true, true, true, false);
}

void TfrmCadastroServ::dtsServFatuStateChange(DataSource&) {
  if (!dbgServFatu->Focused()) return;
  // Nothing that changes data is offered in fixed-branch mode, and its branch stays fixed.
  if (FilialFixa) {
    ChangeButtons(false, false, false, false, false, false);
    return;
  }
  bool editando = EmEdicao(*cdsServFatu);
  if (editando)
    ChangeButtons(false, false, false, false, false, true);
  else
    ChangeButtons(true, true, true, true, true, false);
  Habilita_Pagina(!editando);
  HabilitaPainelFilial(!editando);
}

// ---------------------------------------------------------------- separate invoice

// A separate invoice is only possible for a service whose billing value varies by date, and is
// never changed in fixed-branch mode.
void TfrmCadastroServ::HabilitaNotaSeparada(bool valorVariavel) {
  dbFatServSep->SetEnabled(valorVariavel && !FilialFixa);
}

void TfrmCadastroServ::dbServFatVarClick(TComponent&) {
  bool variavel = dbServFatVar->Checked();
  HabilitaNotaSeparada(variavel);
  if (!variavel && ServicoEmEdicao() && Campo(*cdsServico, "IDSERVFATSEP") == "S") AtribuiCampo("IDSERVFATSEP", "N");
}

}  // namespace cad
