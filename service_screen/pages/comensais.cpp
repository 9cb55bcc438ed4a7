// Estimated-diners page (tshComensais) of TfrmCadastroServ. Its notebook shows the page
// "Default" for a corporate service (the service record's own clients, employees and donations
// per weekday with their totals) and the page "Dieta" for the other types (figures per diet, in
// pages/dietas.cpp). This unit holds the page's entry, the "Default" page, the confirm that
// announces new totals to the shifts and the export commands of the page.
//
// Invariants:
//  - A day's total is never typed: it is the sum of the day's three categories, recomputed when a
//    category is left while the service is being altered.
//  - Confirming here saves the service and each shift changed by the new totals; leaving the page
//    after a confirm refreshes the local shift cache once.
#include "service_screen/pages/comensais.h"

#include <initializer_list>
#include <optional>
#include <string>

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/framework/consiste.h"
#include "platform/framework/session.h"
#include "platform/framework/showavi.h"
#include "service_screen/cadastroserv.h"
#include "service_screen/module.h"

namespace cad {

namespace {

// Control names of the "Default" page per weekday (the holiday's employees editor is
// "dbeFeriado").
const char* const kControleDia[8] = {"Seg", "Ter", "Quar", "Quint", "Sex", "Sab", "Domin", "Feriado"};

// A diner editor's text as a number; an empty or unreadable text counts 0.
double Numero(const TDBEdit& e) { return parseFloat(Consiste::AllTrim(e.Text())).value_or(0); }

}  // namespace

PagComensais::PagComensais(TfrmCadastroServ& t) : PaginaServ(t) {
  // One day handler per weekday, shared by the day's three category editors.
  for (int dia = 0; dia < 8; ++dia)
    tela.Handler<void(TComponent&)>(std::string("dbeC") + kControleDia[dia] + "Exit",
                                    [this, dia](TComponent& sender) { TotalDiaDefault(dia, sender); });
  RegistraDieta();
}

// ---------------------------------------------------------------- page "Default"

PagComensais::DiaComensais PagComensais::DiaDefault(int dia) const {
  const DiaComensais dias[8] = {
      {dbeCSeg, dbeFSeg, dbeDSeg, dbeTSeg},         {dbeCTer, dbeFTer, dbeDTer, dbeTTer},
      {dbeCQuar, dbeFQuar, dbeDQuar, dbeTQuar},     {dbeCQuint, dbeFQuint, dbeDQuint, dbeTQuint},
      {dbeCSex, dbeFSex, dbeDSex, dbeTSex},         {dbeCSab, dbeFSab, dbeDSab, dbeTSab},
      {dbeCDomin, dbeFDomin, dbeDDomin, dbeTDomin}, {dbeCFeriado, dbeFeriado, dbeDFeriado, dbeTFeriado}};
  return dias[dia];
}

// Whole numbers only: no sign, no separator, no exponent.
void PagComensais::dbeCSegKeyPress(TComponent&, std::string& key) {
  if (key == "+" || key == "-" || key == "," || key == "." || key == "e" || key == "E") key.clear();
}

void PagComensais::TotalDiaDefault(int dia, TComponent& sender) {
  if (auto* editor = dynamic_cast<TDBEdit*>(&sender)) tela.Vd_QtComensais(*editor);
  if (tela.cdsServico->State() != DataSetState::Edit) return;
  const DiaComensais d = DiaDefault(dia);
  double total = Numero(*d.clientes) + Numero(*d.funcionarios) + Numero(*d.doacoes);
  tela.cdsServico->FieldByName(std::string("QTCOMESTI") + kDiasSemana[dia]).SetAsFloat(total);
}

bool PagComensais::EditorDefault(TControl* c, int& dia) const {
  for (dia = 0; dia < 8; ++dia) {
    const DiaComensais d = DiaDefault(dia);
    if (c == d.clientes || c == d.funcionarios || c == d.doacoes) return true;
  }
  return false;
}

void PagComensais::LeituraComensais(bool somenteLeitura) {
  for (int dia = 0; dia < 8; ++dia) {
    const DiaComensais d = DiaDefault(dia);
    for (TDBEdit* e : {d.clientes, d.funcionarios, d.doacoes}) e->SetReadOnly(somenteLeitura);
  }
  // The captions of both notebook pages' editors.
  for (TControl* painel : std::initializer_list<TControl*>{pagDefault, panComenDiet})
    for (TControl* c : painel->Controls())
      if (dynamic_cast<TLabel*>(c)) c->SetEnabled(!somenteLeitura);
}

// ---------------------------------------------------------------- entering the page

bool PagComensais::PorDieta() const { return tela.TipoServico() != "N"; }

void PagComensais::HabilitaExportaComens(bool habilita) {
  bool exporta = habilita && !FilialFixa && TemEntrada("CriaExpComDiet");
  tela.sbtExportComens->SetEnabled(exporta);
  tela.mnuExportComens->SetEnabled(exporta);
  tela.mnuExpComCard->SetEnabled(exporta);
}

void PagComensais::Entra() {
  tela.sbtExportComens->SetHint("Exportar Comensais Estimados");
  LeituraComensais(FilialFixa);
  tela.mnuIncluir->SetEnabled(false);
  tela.mnuExcluir->SetEnabled(false);
  tela.mnuProcurar->SetEnabled(false);
  tela.mnuVerificar->SetEnabled(false);
  if (PorDieta()) {
    nbkComensais->SetPageIndex(1);
    if (RecarregaComeDiet) {
      CarregaDietPad();
      RecarregaComeDiet = false;
    }
    // Alter keeps its state while the service has no diet figures to alter.
    if (cdsDietServ->Active() && !cdsDietServ->IsEmpty())
      tela.mnuAlterar->SetEnabled(!FilialFixa && tela.cdsServico->State() == DataSetState::Browse);
    HabilitaExportaComens(cdsDietPad->Active() && !cdsDietPad->IsEmpty());
    // The per-diet commands and the page lock follow the diet figures from the start.
    dtsDietServStateChange(*dtsDietServ);
  } else {
    nbkComensais->SetPageIndex(0);
    tela.mnuAlterar->SetEnabled(!FilialFixa && tela.cdsServico->State() == DataSetState::Browse);
    HabilitaExportaComens(true);
  }
}

// Another service became current while the page is active.
void PagComensais::TrocaServico() {
  HabilitaExportaDietas();
  if (PorDieta()) {
    nbkComensais->SetPageIndex(1);
    CarregaDietPad();
    RecarregaComeDiet = false;
    if (FilialFixa) tela.mnuAlterar->SetEnabled(false);
    HabilitaExportaComens(cdsDietPad->Active() && !cdsDietPad->IsEmpty());
    dtsDietServStateChange(*dtsDietServ);
  } else {
    nbkComensais->SetPageIndex(0);
    tela.Foca(DiaDefault(0).clientes);
    tela.mnuAlterar->SetEnabled(!FilialFixa);
    HabilitaExportaComens(true);
  }
}

// Export to other diets: on this page, for a non-corporate service, outside fixed-branch mode and
// once the module has the export screen.
void PagComensais::HabilitaExportaDietas() {
  std::string tipo = tela.TipoServico();
  tela.mnuExpComDiet->SetEnabled(Ativa() && !tipo.empty() && tipo != "N" && !FilialFixa &&
                                 TemEntrada("CriaExpComDiet"));
}

// The page's commands for the state of the service list.
void PagComensais::EstadoServico() {
  bool alterar = !FilialFixa && tela.cdsServico->State() == DataSetState::Browse;
  tela.mnuIncluir->SetEnabled(false);
  tela.mnuAlterar->SetEnabled(alterar);
  tela.mnuExcluir->SetEnabled(false);
  tela.mnuProcurar->SetEnabled(false);
  tela.mnuVerificar->SetEnabled(false);
  bool exporta = !FilialFixa && !tela.ServicoEmEdicao() && TemEntrada("CriaExpComDiet");
  tela.sbtExportComens->SetEnabled(exporta);
  tela.mnuExportComens->SetEnabled(exporta);
  tela.mnuExpComCard->SetEnabled(exporta);
}

// Leaving the page after a confirm here: the shifts it changed reach the local cache once.
void PagComensais::tshComensaisExit(TComponent&) {
  if (!AlterouComensTurno) return;
  AlterouComensTurno = false;
  Corvane::AtualizaLocalCache({"TURNOSERV"});
}

// ---------------------------------------------------------------- confirm

void PagComensais::Confirma() {
  ShowAviGuard avi(&tela, 1, tela.Msg("upd_Comensais"));
  AlterouComensTurno = true;
  try {
    if (PorDieta())
      ConfirmaDieta();
    else
      ConfirmaDefault();
  } catch (...) {
    if (tela.cdsServico->Active() && tela.cdsServico->ChangeCount() > 0) tela.cdsServico->CancelUpdates();
    throw;
  }
}

void PagComensais::ConfirmaDefault() {
  // The value still being typed counts in its day's total.
  int dia = 0;
  if (EditorDefault(tela.ActiveControl(), dia)) TotalDiaDefault(dia, *tela.ActiveControl());
  tela.Vd_RequerRetiPrato();
  // The shifts follow each day total shown (an empty one leaves its day alone), then the record is saved.
  for (int d = 0; d < 8; ++d) {
    const TDBEdit& total = *DiaDefault(d).total;
    tela.TotaisComensais[static_cast<size_t>(d)] =
        Consiste::AllTrim(total.Text()).empty() ? std::nullopt : std::optional<double>(Numero(total));
  }
  tela.Avisa(Aviso::ComensaisConfirmados);
  if (tela.ServicoEmEdicao()) tela.cdsServico->Post();
}

// ---------------------------------------------------------------- export

// To the menu planning, from this page only.
void PagComensais::mnuExpComCardClick(TComponent&) {
  if (!Ativa() || FilialFixa) return;
  tela.ExportaComensCardapio();
  Corvane::AtualizaLocalCache({"SERVICO", "DIETSERV"});
}

// Export to other diets; the page then shows the figures the export wrote, on the same diet.
void PagComensais::mnuExpComDietClick(TComponent&) {
  if (!Ativa() || FilialFixa || !PorDieta()) return;
  std::string dieta = tela.Campo(*cdsDietPad, "CDDIETPAD");
  if (dieta.empty()) return;
  VariantArray params{Variant(tela.CodFilial()), Variant(tela.Campo(*tela.cdsServico, "CDSERVFILI")), Variant(dieta)};
  ChamaEntrada("CriaExpComDiet", params);
  Corvane::AtualizaLocalCache({"SERVICO", "DIETSERV"});
  CarregaDietPad();
  cdsDietPad->Locate("CDDIETPAD", dieta);
}

// ---------------------------------------------------------------- the page

bool PagComensais::Mostra(const TTabSheet* aba) const { return aba == tela.tshComensais; }
bool PagComensais::Serve(const std::string& tipo) const { return tipo != "F"; }
TTabSheet* PagComensais::Substituta(const std::string& tipo) const {
  return tipo == "F" ? tela.tshFolhaDados : nullptr;
}

bool PagComensais::PodeSair(Saida saida) {
  if (saida == Saida::Pagina) tshComensaisExit(*tela.tshComensais);
  return true;
}

void PagComensais::Inclui(TComponent& sender) { tela.IncluiServico(sender); }

// The page "Default" alters the service's own figures, the page "Dieta" the current diet's.
void PagComensais::Altera(TComponent& sender) {
  if (tela.TipoServico() == "N")
    tela.AlteraRegistro(sender);
  else if (cdsDietServ->State() == DataSetState::Browse)
    cdsDietServ->Edit();
}

void PagComensais::Cancela() {
  bool dieta = nbkComensais->PageIndex() == 1;
  tela.CancelaServico();
  if (dieta) CancelaDieta();
}

bool PagComensais::Exclui() { return tela.ExcluiServico(); }
void PagComensais::Exporta() { tela.ExportaComensais(); }
bool PagComensais::Editando() const { return tela.EmEdicao(*cdsDietServ); }

void PagComensais::Avisa(Aviso aviso) {
  if (aviso == Aviso::ServicoTrocado) RecarregaComeDiet = true;
  // Diners export to other diets only from this page, for a non-corporate service.
  if (aviso == Aviso::PaginaMudando) {
    HabilitaExportaDietas();
    HabilitaExportaComens(Ativa());
  }
}

}  // namespace cad
