// Estimated-diners page (tshComensais) of TfrmCadastroServ. Its notebook shows the page
// "Default" for a corporate service (the service record's own clients, employees and donations
// per weekday with their totals) and the page "Dieta" for the other types (figures per diet, in
// pages/dietas.cpp). This unit holds the page's entry, the "Default" page and the confirm that
// spreads new totals onto the shifts.
//
// Invariants:
//  - A day's total is never typed: it is the sum of the day's three categories, recomputed when a
//    category is left while the service is being altered.
//  - Confirming here saves the service and each shift changed by the new totals; leaving the page
//    after a confirm refreshes the local shift cache once.
#include <initializer_list>
#include <optional>
#include <string>

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/core/scope.h"
#include "platform/framework/consiste.h"
#include "platform/framework/session.h"
#include "platform/framework/showavi.h"
#include "service_screen/cadastroserv.h"
#include "service_screen/module.h"
#include "service_screen/pages/comensais.h"

namespace cad {

namespace {

// Control names of the "Default" page per weekday (the holiday's employees editor is
// "dbeFeriado").
const char* const kControleDia[8] = {"Seg", "Ter", "Quar", "Quint", "Sex", "Sab", "Domin", "Feriado"};

// A diner editor's text as a number; an empty or unreadable text counts 0.
double Numero(const TDBEdit& e) { return parseFloat(Consiste::AllTrim(e.Text())).value_or(0); }

}  // namespace

void TfrmCadastroServ::BindComensaisHandlers() {
  // One day handler per weekday, shared by the day's three category editors.
  for (int dia = 0; dia < 8; ++dia)
    Handler<void(TComponent&)>(std::string("dbeC") + kControleDia[dia] + "Exit",
                               [this, dia](TComponent& sender) { TotalDiaDefault(dia, sender); });
}

void TfrmCadastroServ::ResolveComensais() {
  TDBEdit* clientes[8] = {dbeCSeg, dbeCTer, dbeCQuar, dbeCQuint, dbeCSex, dbeCSab, dbeCDomin, dbeCFeriado};
  TDBEdit* funcionarios[8] = {dbeFSeg, dbeFTer, dbeFQuar, dbeFQuint, dbeFSex, dbeFSab, dbeFDomin, dbeFeriado};
  TDBEdit* doacoes[8] = {dbeDSeg, dbeDTer, dbeDQuar, dbeDQuint, dbeDSex, dbeDSab, dbeDDomin, dbeDFeriado};
  TDBEdit* totais[8] = {dbeTSeg, dbeTTer, dbeTQuar, dbeTQuint, dbeTSex, dbeTSab, dbeTDomin, dbeTFeriado};
  for (int dia = 0; dia < 8; ++dia) DiasDefault[dia] = {clientes[dia], funcionarios[dia], doacoes[dia], totais[dia]};
}

// ---------------------------------------------------------------- page "Default"

// Whole numbers only: no sign, no separator, no exponent.
void TfrmCadastroServ::dbeCSegKeyPress(TComponent&, std::string& key) {
  if (key == "+" || key == "-" || key == "," || key == "." || key == "e" || key == "E") key.clear();
}

void TfrmCadastroServ::TotalDiaDefault(int dia, TComponent& sender) {
  if (auto* editor = dynamic_cast<TDBEdit*>(&sender)) Vd_QtComensais(*editor);
  if (cdsServico->State() != DataSetState::Edit) return;
  const DiaComensais& d = DiasDefault[dia];
  double total = Numero(*d.clientes) + Numero(*d.funcionarios) + Numero(*d.doacoes);
  cdsServico->FieldByName(std::string("QTCOMESTI") + kDiasSemana[dia]).SetAsFloat(total);
}

bool TfrmCadastroServ::EditorDefault(TControl* c, int& dia) const {
  for (dia = 0; dia < 8; ++dia) {
    const DiaComensais& d = DiasDefault[dia];
    if (c == d.clientes || c == d.funcionarios || c == d.doacoes) return true;
  }
  return false;
}

void TfrmCadastroServ::LeituraComensais(bool somenteLeitura) {
  for (const DiaComensais& d : DiasDefault)
    for (TDBEdit* e : {d.clientes, d.funcionarios, d.doacoes}) e->SetReadOnly(somenteLeitura);
  // The captions of both notebook pages' editors.
  for (TControl* painel : std::initializer_list<TControl*>{pagDefault, panComenDiet})
    for (TControl* c : painel->Controls())
      if (dynamic_cast<TLabel*>(c)) c->SetEnabled(!somenteLeitura);
}

// ---------------------------------------------------------------- entering the page

bool TfrmCadastroServ::PorDieta() const { return drgTipoServ->ItemIndex() != 0; }

void TfrmCadastroServ::HabilitaExportaComens(bool habilita) {
  bool exporta = habilita && !FilialFixa && TemEntrada("CriaExpComDiet");
  sbtExportComens->SetEnabled(exporta);
  mnuExportComens->SetEnabled(exporta);
  mnuExpComCard->SetEnabled(exporta);
}

void TfrmCadastroServ::EntraComensais() {
  sbtExportComens->SetHint("Exportar Comensais Estimados");
  LeituraComensais(FilialFixa);
  mnuIncluir->SetEnabled(false);
  mnuExcluir->SetEnabled(false);
  mnuProcurar->SetEnabled(false);
  mnuVerificar->SetEnabled(false);
  if (PorDieta()) {
    nbkComensais->SetPageIndex(1);
    if (RecarregaComeDiet) {
      CarregaDietPad();
      RecarregaComeDiet = false;
    }
    // Alter keeps its state while the service has no diet figures to alter.
    if (cdsDietServ->Active() && !cdsDietServ->IsEmpty())
      mnuAlterar->SetEnabled(!FilialFixa && cdsServico->State() == DataSetState::Browse);
    HabilitaExportaComens(cdsDietPad->Active() && !cdsDietPad->IsEmpty());
    // The per-diet commands and the page lock follow the diet figures from the start.
    dtsDietServStateChange(*dtsDietServ);
  } else {
    nbkComensais->SetPageIndex(0);
    mnuAlterar->SetEnabled(!FilialFixa && cdsServico->State() == DataSetState::Browse);
    HabilitaExportaComens(true);
  }
}

// Another service became current while the page is active.
void TfrmCadastroServ::ComensaisTrocaServico() {
  HabilitaExportaDietas();
  if (PorDieta()) {
    nbkComensais->SetPageIndex(1);
    CarregaDietPad();
    RecarregaComeDiet = false;
    if (FilialFixa) mnuAlterar->SetEnabled(false);
    HabilitaExportaComens(cdsDietPad->Active() && !cdsDietPad->IsEmpty());
    dtsDietServStateChange(*dtsDietServ);
  } else {
    nbkComensais->SetPageIndex(0);
    Foca(DiasDefault[0].clientes);
    mnuAlterar->SetEnabled(!FilialFixa);
    HabilitaExportaComens(true);
  }
}

// Export to other diets: on this page, for a non-corporate service, outside fixed-branch mode and
// once the module has the export screen.
void TfrmCadastroServ::HabilitaExportaDietas() {
  std::string tipo = TipoServico();
  mnuExpComDiet->SetEnabled(pgcPadrao->ActivePage() == tshComensais && !tipo.empty() && tipo != "N" && !FilialFixa &&
                            TemEntrada("CriaExpComDiet"));
}

// The page's commands for the state of the service list.
void TfrmCadastroServ::ComandosComensais() {
  bool alterar = !FilialFixa && cdsServico->State() == DataSetState::Browse;
  mnuIncluir->SetEnabled(false);
  mnuAlterar->SetEnabled(alterar);
  mnuExcluir->SetEnabled(false);
  mnuProcurar->SetEnabled(false);
  mnuVerificar->SetEnabled(false);
  bool exporta = !FilialFixa && !ServicoEmEdicao() && TemEntrada("CriaExpComDiet");
  sbtExportComens->SetEnabled(exporta);
  mnuExportComens->SetEnabled(exporta);
  mnuExpComCard->SetEnabled(exporta);
}

// Leaving the page after a confirm here: the shifts it changed reach the local cache once.
void TfrmCadastroServ::tshComensaisExit(TComponent&) {
  if (!AlterouComensTurno) return;
  AlterouComensTurno = false;
  Corvane::AtualizaLocalCache({"TURNOSERV"});
}

// ---------------------------------------------------------------- confirm

void TfrmCadastroServ::ConfirmaComensais() {
  ShowAviGuard avi(this, 1, Msg("upd_Comensais"));
  AlterouComensTurno = true;
  try {
    if (PorDieta()) {
      ConfirmaDieta();
      return;
    }
    // The value still being typed counts in its day's total.
    int dia = 0;
    if (EditorDefault(ActiveControl(), dia)) TotalDiaDefault(dia, *ActiveControl());
    Vd_RequerRetiPrato();
    Variant resposta = netCadastroServ.Call("GetTurnoPontEntr", {CodFilial(), Campo(*cdsServico, "CDSERVFILI")});
    if (resposta.isString()) {
      avi.Hide();
      throw Exception(resposta.str());
    }
    if (!resposta.isArray() || resposta.asArray().size() < 2 || !resposta.asArray()[0].isArray() ||
        resposta.asArray()[0].asArray().size() < 2)
      throw Exception("Resposta inesperada do servidor de aplicação para GetTurnoPontEntr.");
    CarregaPacote(*cdsTurno, resposta.asArray()[1], "GetTurnoPontEntr");
    EncheArray();
    AbreSomaTurnos();
    for (int d = 0; d < 8; ++d) {
      std::string total = Consiste::AllTrim(DiasDefault[d].total->Text());
      if (total.empty()) continue;
      Atualiza_ComenTurno(cdsTurno->FieldByName(std::string("QTCOMESTT") + kDiasSemana[d]),
                          qrySCom->FieldByName(kDiasSemana[d]), Numero(*DiasDefault[d].total));
    }
    if (ServicoEmEdicao()) cdsServico->Post();
  } catch (...) {
    if (cdsTurno->Active() && cdsTurno->ChangeCount() > 0) cdsTurno->CancelUpdates();
    if (cdsServico->Active() && cdsServico->ChangeCount() > 0) cdsServico->CancelUpdates();
    throw;
  }
}

// ---------------------------------------------------------------- the page

bool PagComensais::Mostra(const TTabSheet* aba) const { return aba == tela.tshComensais; }
bool PagComensais::Serve(const std::string& tipo) const { return tipo != "F"; }
TTabSheet* PagComensais::Substituta(const std::string& tipo) const {
  return tipo == "F" ? tela.tshFolhaDados : nullptr;
}
void PagComensais::Entra() { tela.EntraComensais(); }

bool PagComensais::PodeSair(Saida saida) {
  if (saida == Saida::Pagina) tela.tshComensaisExit(*tela.tshComensais);
  return true;
}

void PagComensais::TrocaServico() { tela.ComensaisTrocaServico(); }
void PagComensais::Inclui(TComponent& sender) { tela.IncluiServico(sender); }

// The page "Default" alters the service's own figures, the page "Dieta" the current diet's.
void PagComensais::Altera(TComponent& sender) {
  if (tela.drgTipoServ->ItemIndex() == 0)
    tela.AlteraRegistro(sender);
  else if (tela.cdsDietServ->State() == DataSetState::Browse)
    tela.cdsDietServ->Edit();
}

void PagComensais::Confirma() { tela.ConfirmaComensais(); }

void PagComensais::Cancela() {
  bool dieta = tela.nbkComensais->PageIndex() == 1;
  tela.CancelaServico();
  if (dieta) tela.CancelaDieta();
}

bool PagComensais::Exclui() { return tela.ExcluiServicoOuFatu(); }
void PagComensais::EstadoServico() { tela.ComandosComensais(); }
bool PagComensais::Editando() const { return tela.EmEdicao(*tela.cdsDietServ); }

void PagComensais::Avisa(Aviso aviso) {
  if (aviso == Aviso::ServicoTrocado) tela.RecarregaComeDiet = true;
  // Diners export to other diets only from this page, for a non-corporate service.
  if (aviso == Aviso::PaginaMudando) {
    tela.HabilitaExportaDietas();
    tela.HabilitaExportaComens(Ativa());
  }
}

}  // namespace cad
