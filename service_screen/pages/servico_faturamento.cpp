// The billing setup of the form page (PagServico): billing mode (a service of type "F" has no planning of
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
#include "service_screen/pages/servico.h"

namespace cad {

// ---------------------------------------------------------------- billing and planning mode

void PagServico::Habilita_Faturamento() {
  bool ativo = tela.cdsServico->Active();
  bool faturamento = tela.TipoServico() == "F" || (ativo && drgTipoServ->ItemIndex() == 3);
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
  bool vazio = !ativo || tela.cdsServico->IsEmpty();

  if (faturamento) {
    // Clearing the boxes is not the user's doing: their click handlers stay out of it.
    SuspendeCliques = true;
    ScopeExit retoma([this] { SuspendeCliques = false; });
    // A record being edited loses its planning values; the display follows the data.
    if (tela.ServicoEmEdicao()) {
      for (TDBEdit* e : edicoes)
        if (Field* f = e->GetField(); f && !f->IsNull()) f->Clear();
      if (Field* f = tela.cdsServico->FindField("IDTPSERVHOSP"); f && !f->IsNull()) f->Clear();
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
    tela.tshFolhaDados->SetEnabled(true);
    tela.tshFormulario->SetEnabled(!vazio);
    for (TTabSheet* t :
         {tela.tshConfCard, tela.tshCustPadr, tela.tshTurnos, tela.tshComensais, tela.tshPontEntr, tela.tshEmbalagens})
      t->SetEnabled(false);
  } else {
    for (TDBEdit* e : edicoes) e->SetShowBlank(false);
    if (!tela.ServicoEmEdicao()) {
      std::string tipo = tela.TipoServico();
      bool transportado = tela.Campo(*tela.cdsServico, "IDSERVTRAN") == "S";
      tela.tshFolhaDados->SetEnabled(true);
      for (TTabSheet* t : {tela.tshFormulario, tela.tshConfCard, tela.tshCustPadr, tela.tshComensais})
        t->SetEnabled(!vazio);
      tela.tshTurnos->SetEnabled(!vazio && tipo == "N");
      tela.tshPontEntr->SetEnabled(!vazio && tipo == "N");
      tela.tshEmbalagens->SetEnabled(!vazio && tipo == "N" && transportado);
    }
    if (FilialFixa) {
      for (TControl* c : planejamento) c->SetEnabled(false);
      for (TControl* c : std::initializer_list<TControl*>{medCdServico, btnServico, lblServEqui, lblServFat,
                                                          tela.lblFilial, tela.medCdFilial, tela.btnFilial})
        c->SetEnabled(false);
      dbgServFatu->SetEnabled(true);
      tela.ChangeButtons(false, false, false, true, true, false);
    } else {
      for (TControl* c : planejamento) c->SetEnabled(true);
      for (TControl* c : std::initializer_list<TControl*>{medCdServico, btnServico, lblServEqui, lblServFat})
        c->SetEnabled(true);
      dckBloqAlt->SetEnabled(dckUtilReqPrato->Checked());
      // The hospital modules never offer transported services.
      if (Geral::ModuloHospitalar()) dckServTran->SetEnabled(false);
    }
  }
  for (auto [sheet, menu] : tela.Paginas()) menu->SetEnabled(sheet->Enabled());
}

// ---------------------------------------------------------------- check of a billing service

void PagServico::Vd_ServFatu(bool obrigatorio) {
  try {
    std::string codigo = Consiste::AllTrim(tela.Campo(*cdsServFatu, "CDSERVICFATURAM"));
    if (codigo.empty()) {
      if (obrigatorio) tela.Erro("SERV_INF");
      return;
    }
    codigo = Consiste::Ajusta(codigo, 5);
    Field& faturam = cdsServFatu->FieldByName("CDSERVICFATURAM");
    if (faturam.AsString() != codigo) faturam.SetAsString(codigo);
    std::string filial = tela.Campo(*tela.cdsServico, "CDFILIAL");
    std::string servico = tela.Campo(*tela.cdsServico, "CDSERVFILI");
    {
      ShowAviGuard avi(&tela, 0);
      Variant guardadas =
          Consiste::CheckResultServ(tela.netCadastroServ.Call("GetServFatu", {filial, servico}), true, 0);
      CarregaPacote(*cdsServFatuAux, guardadas, "GetServFatu");
    }
    Field& nome = cdsServFatu->FieldByName("NMSERVICO");
    if (!cdsServFatuAux->IsEmpty() &&
        cdsServFatuAux->Locate("CDFILIAL;CDSERVFILI;CDSERVICFATURAM", VariantArray{filial, servico, codigo})) {
      nome.Clear();
      tela.Erro("SERV_JA_CAD");
    }
    {
      ShowAviGuard avi(&tela, 0);
      Variant candidatos = Consiste::CheckResultServ(tela.netCadastroServ.Call("GetPesqServFatu", {filial}), true, 0);
      CarregaPacote(*cdsPesqServFatu, candidatos, "GetPesqServFatu");
    }
    if (!cdsPesqServFatu->Locate("CDFILIAL;CDSERVFILI", VariantArray{filial, codigo})) {
      nome.Clear();
      tela.Erro("Serv_cad");
    }
    cdsServFatu->FieldByName("CDFILIAL").SetAsString(filial);
    cdsServFatu->FieldByName("CDSERVFILI").SetAsString(servico);
    nome.SetAsString(tela.Campo(*cdsPesqServFatu, "NMSERVICO"));
  } catch (...) {
    tela.Foca(dbgServFatu);
    throw;
  }
}

// ---------------------------------------------------------------- lookup

void PagServico::dbgServFatuEditButtonClick(TComponent&) {
  if (FilialFixa || cdsServFatu->State() != DataSetState::Insert) return;
  std::string filial = tela.Campo(*tela.cdsServico, "CDFILIAL");
  {
    ShowAviGuard avi(&tela, 0);
    Variant candidatos = Consiste::CheckResultServ(tela.netCadastroServ.Call("GetPesqServFatu", {filial}), true, 0);
    CarregaPacote(*cdsPesqServFatu, candidatos, "GetPesqServFatu");
  }
  if (!Pesquisa::Pesquisar(*dtsPesqServFatu, tela.Msg("Serv_Fatu") + "|" + tela.Msg("Serv_Fatu_Empty"))) return;
  if (!tela.EmEdicao(*cdsServFatu)) cdsServFatu->Edit();
  cdsServFatu->FieldByName("CDFILIAL").SetAsString(tela.Campo(*cdsPesqServFatu, "CDFILIAL"));
  cdsServFatu->FieldByName("CDSERVFILI").SetAsString(tela.Campo(*tela.cdsServico, "CDSERVFILI"));
  cdsServFatu->FieldByName("CDSERVICFATURAM").SetAsString(tela.Campo(*cdsPesqServFatu, "CDSERVFILI"));
  cdsServFatu->FieldByName("NMSERVICO").SetAsString(tela.Campo(*cdsPesqServFatu, "NMSERVICO"));
}

// ---------------------------------------------------------------- row life cycle

void PagServico::cdsServFatuBeforeInsert(DataSet&) {
  if (!FilialFixa) dbgServFatu->SetSelectedField(cdsServFatu->FindField("CDSERVICFATURAM"));
}

// An equivalence is changed by deleting it and inserting another.
void PagServico::cdsServFatuBeforeEdit(DataSet&) { Abort(); }

void PagServico::cdsServFatuBeforePost(DataSet&) { Vd_ServFatu(true); }

void PagServico::cdsServFatuBeforeDelete(DataSet&) {
  if (FilialFixa) Abort();
}

// Also the after-delete reaction.
void PagServico::cdsServFatuAfterPost(DataSet&) {
  GravaAlteracoes(tela.netCadastroServ, *cdsServFatu, "SerServFatu", Gravacao::ChecandoResultado());
  if (tela.pgcPadrao->ActivePage() == tela.tshFormulario) BotoesServFatu();
}

void PagServico::cdsServFatuAfterCancel(DataSet&) {
  if (tela.pgcPadrao->ActivePage() == tela.tshFormulario) BotoesServFatu();
}

// ---------------------------------------------------------------- keys and focus

void PagServico::dbgServFatuKeyPress(TComponent&, std::string& key) {
  Field* campo = dbgServFatu->SelectedField();
  if (campo && campo->FieldName() == "CDSERVICFATURAM" && !cdsServFatu->IsEmpty() &&
      cdsServFatu->State() != DataSetState::Insert)
    key.clear();
}

void PagServico::dbgServFatuKeyDown(TComponent&, int& key, ShiftState shift) {
  if (key != VK_DELETE) return;
  if ((shift & ssCtrl) || cdsServFatu->State() != DataSetState::Insert) key = 0;
}

void PagServico::dbgServFatuColExit(TComponent&) {
  if (tela.EmEdicao(*cdsServFatu)) Vd_ServFatu(true);
}

void PagServico::dbgServFatuExit(TComponent&) {
  if (!tela.EmEdicao(*cdsServFatu)) return;
  tela.Habilita_Pagina(true);
  cdsServFatu->Post();
}

// The commands of the billing-service group.
void PagServico::BotoesServFatu() {
  if (FilialFixa) {
    tela.ChangeButtons(false, false, false, false, false, false);
    for (TControl* c : std::initializer_list<TControl*>{tela.lblFilial, tela.medCdFilial, tela.btnFilial})
      c->SetEnabled(false);
  } else {
    bool linhas = cdsServFatu->Active() && !cdsServFatu->IsEmpty();
    tela.ChangeButtons(true, false, linhas, linhas, true, false);
  }
}

void PagServico::grbServFatuEnter(TComponent&) {
  if (tela.ServicoEmEdicao()) tela.cdsServico->Post();
  BotoesServFatu();
}

void PagServico::grbServFatuExit(TComponent&) {
  TTabSheet* page = tela.pgcPadrao->ActivePage();
  if ((page != tela.tshFolhaDados && page != tela.tshFormulario) || tela.medCdFilial->Focused() ||
      tela.ServicoEmEdicao())
    return;
  if (FilialFixa)
    tela.ChangeButtons(false, false, false, true, true, false);
  else
    tela.ChangeButtons(true, true, true, true, true, false);
}

void PagServico::dtsServFatuStateChange(DataSource&) {
  if (!dbgServFatu->Focused()) return;
  // Nothing that changes data is offered in fixed-branch mode, and its branch stays fixed.
  if (FilialFixa) {
    tela.ChangeButtons(false, false, false, false, false, false);
    return;
  }
  bool editando = tela.EmEdicao(*cdsServFatu);
  if (editando)
    tela.ChangeButtons(false, false, false, false, false, true);
  else
    tela.ChangeButtons(true, true, true, true, true, false);
  tela.Habilita_Pagina(!editando);
  tela.HabilitaPainelFilial(!editando);
}

// ---------------------------------------------------------------- separate invoice

// A separate invoice is only possible for a service whose billing value varies by date, and is
// never changed in fixed-branch mode.
void PagServico::HabilitaNotaSeparada(bool valorVariavel) { dbFatServSep->SetEnabled(valorVariavel && !FilialFixa); }

void PagServico::dbServFatVarClick(TComponent&) {
  bool variavel = dbServFatVar->Checked();
  HabilitaNotaSeparada(variavel);
  if (!variavel && tela.ServicoEmEdicao() && tela.Campo(*tela.cdsServico, "IDSERVFATSEP") == "S")
    AtribuiCampo("IDSERVFATSEP", "N");
}

}  // namespace cad
