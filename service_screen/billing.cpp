// The billing setup of TfrmCadastroServ: billing mode (a service of type "F" has no planning of
// its own) against planning mode, and the commands of the billing-service group. The equivalence
// grid's row life cycle, checks and lookup join this unit with the billing work;
// BindBillingHandlers binds the names of every billing handler the layout uses.
//
// Invariants: in billing mode every planning control and page is off and only the main service to
// be billed stays open; in fixed-branch mode no billing control can change data.
#include <initializer_list>
#include <string>

#include "platform/framework/session.h"
#include "platform/ui/controls.h"
#include "service_screen/cadastroserv.h"
#include "service_screen/module.h"

namespace cad {

void TfrmCadastroServ::BindBillingHandlers() { Bind("grbServFatuEnter", &TfrmCadastroServ::grbServFatuEnter); }

void TfrmCadastroServ::Habilita_Faturamento() {
  bool ativo = cdsServico->Active();
  bool faturamento = TipoServico() == "F" || (ativo && drgTipoServ->ItemIndex() == 3);
  const std::initializer_list<TDBEdit*> edicoes{dbeIniAtend, dbePeriServDe, dbeCdRota, dbePeriServAte, dbePreco, dbeCdPadInt};
  const std::initializer_list<TDBCheckBox*> caixas{dckUtilReqReti, dbkConsSerCar, dbkConFixPer, dckUtilReqPrato, dckBloqAlt,
                                                   dbConsFatPla, dbkServPrinc, dckServTran, dbkDepLiber};
  const std::initializer_list<TControl*> planejamento{
      dbePreco, lblEspeci, lblHMInicAten, lblPeriServDe, lblRota, lblPeriServAte, lblPesoCusto, lblServFatu, dbgServFatu,
      dckUtilReqReti, dbkConsSerCar, dbkConFixPer, dckUtilReqPrato, dckBloqAlt, dbConsFatPla, dbkServPrinc, dckServTran,
      dbkDepLiber, btnRota, dbeIniAtend, dbePeriServDe, dbeCdRota, dbePeriServAte, dbcTipoServ, dbeHrEntrega};
  bool vazio = !ativo || cdsServico->IsEmpty();

  if (faturamento) {
    // A record being edited loses its planning values; the display follows the data.
    if (ServicoEmEdicao()) {
      for (TDBEdit* e : edicoes)
        if (Field* f = e->GetField(); f && !f->IsNull()) f->Clear();
      if (Field* f = cdsServico->FindField("IDTPSERVHOSP"); f && !f->IsNull()) f->Clear();
      for (TDBCheckBox* c : caixas)
        if (Field* f = c->GetField(); f && !f->IsNull() && f->AsString() != c->ValueUnchecked) f->SetAsString(c->ValueUnchecked);
    }
    dbcTipoServ->SetItemIndex(-1);
    for (TDBCheckBox* c : caixas) c->SetChecked(false);
    for (TControl* c : std::initializer_list<TControl*>{medCdServico, btnServico, lblServEqui, lblServFat}) c->SetEnabled(true);
    for (TControl* c : planejamento) c->SetEnabled(false);
    tshFolhaDados->SetEnabled(true);
    tshFormulario->SetEnabled(!vazio);
    for (TTabSheet* t : {tshConfCard, tshCustPadr, tshTurnos, tshComensais, tshPontEntr, tshEmbalagens}) t->SetEnabled(false);
  } else {
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
      for (TControl* c : std::initializer_list<TControl*>{medCdServico, btnServico, lblFilial, medCdFilial, btnFilial})
        c->SetEnabled(false);
      dbgServFatu->SetEnabled(true);
      ChangeButtons(false, false, false, true, true, false);
    } else {
      for (TControl* c : planejamento) c->SetEnabled(true);
      for (TControl* c : std::initializer_list<TControl*>{medCdServico, btnServico, lblServEqui, lblServFat}) c->SetEnabled(true);
      dckBloqAlt->SetEnabled(dckUtilReqPrato->Checked());
      // The hospital modules never offer transported services.
      if (Geral::ModuloHospitalar()) dckServTran->SetEnabled(false);
    }
  }
  for (auto [sheet, menu] : Paginas()) menu->SetEnabled(sheet->Enabled());
}

void TfrmCadastroServ::grbServFatuEnter(TComponent&) {
  if (ServicoEmEdicao()) cdsServico->Post();
  if (FilialFixa) {
    ChangeButtons(false, false, false, false, false, false);
    for (TControl* c : std::initializer_list<TControl*>{lblFilial, medCdFilial, btnFilial}) c->SetEnabled(false);
  } else {
    bool linhas = cdsServFatu->Active() && !cdsServFatu->IsEmpty();
    ChangeButtons(true, false, linhas, linhas, true, false);
  }
}

}  // namespace cad
