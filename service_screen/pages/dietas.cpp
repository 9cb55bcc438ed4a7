// Notebook page "Dieta" of the estimated-diners page (PagComensais, tela.tshComensais): the diets
// of a hospital or outpatient service (cdsDietPad, grid dbgDieta) and, under them, the diners the
// selected diet expects per weekday column (cdsDietServ, panel panComenDiet), split into clients,
// employees and donations with the day's total.
//
// Invariants:
//  - The total of a day is never typed: it is the sum of the day's categories that hold a value,
//    null only when all three are empty, recomputed whenever a category field is left.
//  - A diet's figures are saved as soon as they are posted (confirm, moving to another diet, a
//    state change of the diet list); a refused save is undone on screen, so the panel shows what
//    the server holds.
//  - While a diet is being edited no other page, service or branch can be reached.
#include <optional>
#include <string>

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/framework/consiste.h"
#include "platform/framework/remoto.h"
#include "platform/framework/showavi.h"
#include "service_screen/cadastroserv.h"
#include "service_screen/module.h"
#include "service_screen/pages/comensais.h"

namespace cad {

namespace {

// Control-name suffixes of the weekday columns (Monday ... holiday) and prefixes of the
// categories (clients, employees, donations) and of the total.
constexpr const char* kDias[] = {"Seg", "Ter", "Qua", "Qui", "Sex", "Sab", "Dom", "Fer"};
constexpr const char* kCategorias[] = {"dbeCli", "dbeFun", "dbeDoa", "dbeTot"};
constexpr size_t kTotal = 3;

}  // namespace

void PagComensais::RegistraDieta() {
  // The 24 exit handlers share one routine: each recomputes the day of the field it left.
  for (const char* dia : kDias)
    for (size_t c = 0; c < kTotal; ++c)
      tela.Handler<void(TComponent&)>(std::string(kCategorias[c]) + dia + "Exit", [this](TComponent& sender) {
        if (auto* e = dynamic_cast<TDBEdit*>(&sender)) TotalDiaDieta(*e);
      });
}

std::array<std::array<TDBEdit*, 4>, 8> PagComensais::EditoresDieta() const {
  return {{{dbeCliSeg, dbeFunSeg, dbeDoaSeg, dbeTotSeg},
           {dbeCliTer, dbeFunTer, dbeDoaTer, dbeTotTer},
           {dbeCliQua, dbeFunQua, dbeDoaQua, dbeTotQua},
           {dbeCliQui, dbeFunQui, dbeDoaQui, dbeTotQui},
           {dbeCliSex, dbeFunSex, dbeDoaSex, dbeTotSex},
           {dbeCliSab, dbeFunSab, dbeDoaSab, dbeTotSab},
           {dbeCliDom, dbeFunDom, dbeDoaDom, dbeTotDom},
           {dbeCliFer, dbeFunFer, dbeDoaFer, dbeTotFer}}};
}

// ---------------------------------------------------------------- loading

void PagComensais::CarregaDietPad() {
  {
    ShowAviGuard avi(&tela, 6, tela.Msg("get_cdsComeDiet"));
    Variant dietas =
        tela.netCadastroServ.Call("GetDietPad", {tela.CodFilial(), tela.Campo(*tela.cdsServico, "CDSERVFILI")});
    CarregaPacote(*cdsDietPad, dietas, "GetDietPad");
  }
  // Without a diet there is nothing to type: the editors look inactive.
  TColor cor = cdsDietPad->IsEmpty() ? clBtnFace : clWindow;
  for (auto& dia : EditoresDieta())
    for (TDBEdit* e : dia) e->SetColor(cor);
}

// Saves the diet being edited before the list leaves it: a refused save stops the move, so the
// list stays on the diet whose figures the panel shows.
void PagComensais::cdsDietPadBeforeScroll(DataSet&) {
  if (tela.EmEdicao(*cdsDietServ)) cdsDietServ->Post();
}

void PagComensais::cdsDietPadAfterScroll(DataSet&) {
  if (tela.EmEdicao(*cdsDietServ)) cdsDietServ->Post();
  Variant figuras = tela.netCadastroServ.Call(
      "GetDietServ",
      {tela.CodFilial(), tela.Campo(*tela.cdsServico, "CDSERVFILI"), tela.Campo(*cdsDietPad, "CDDIETPAD")});
  CarregaPacote(*cdsDietServ, figuras, "GetDietServ");
}

void PagComensais::dtsDietPadStateChange(DataSource&) {
  panComenDiet->SetEnabled(cdsDietPad->Active() && !cdsDietPad->IsEmpty());
  if (tela.EmEdicao(*cdsDietServ)) cdsDietServ->Post();
  // A list that opens with diets scrolls to its first one next, which loads its figures; an
  // empty or closed list has no diet, so its (empty) figures load here.
  if (cdsDietPad->Active() && !cdsDietPad->IsEmpty()) return;
  cdsDietPadAfterScroll(*cdsDietPad);
}

// ---------------------------------------------------------------- day totals and keys

void PagComensais::TotalDiaDieta(TDBEdit& deixado) {
  tela.Vd_QtComensais(deixado);
  if (!tela.EmEdicao(*cdsDietServ)) return;
  for (auto& dia : EditoresDieta()) {
    size_t proprio = kTotal;
    for (size_t c = 0; c < kTotal; ++c)
      if (dia[c] == &deixado) proprio = c;
    if (proprio == kTotal) continue;
    // The field left counts with the text typed into it (not yet written while a confirm runs it
    // with the focus still there); the other two with their stored values.
    double soma = 0;
    bool algum = false;
    for (size_t c = 0; c < kTotal; ++c) {
      if (c == proprio) {
        std::string texto = Consiste::AllTrim(deixado.Text());
        if (texto.empty()) continue;
        std::optional<double> valor = parseFloat(texto);
        // Text that is no number is refused when the field is written; no total from it.
        if (!valor) return;
        soma += *valor;
        algum = true;
      } else if (Field* f = dia[c]->GetField(); f && !f->IsNull()) {
        soma += f->AsFloat();
        algum = true;
      }
    }
    Field* total = dia[kTotal]->GetField();
    if (!total) return;
    if (algum && (total->IsNull() || total->AsFloat() != soma))
      total->SetAsFloat(soma);
    else if (!algum && !total->IsNull())
      total->Clear();
    return;
  }
}

// Whole or decimal figures without sign or separators typed: "+", "-", "," and "." are swallowed.
void PagComensais::dbeCliSegKeyPress(TComponent&, std::string& key) {
  if (key == "+" || key == "-" || key == "," || key == ".") key.clear();
}

// Diets are not deleted from the grid.
void PagComensais::dbgDietaKeyDown(TComponent&, int& key, ShiftState shift) {
  if (key == VK_DELETE && (shift & ssCtrl)) key = 0;
}

// ---------------------------------------------------------------- save

void PagComensais::cdsDietServBeforePost(DataSet&) {
  if (cdsDietServ->State() == DataSetState::Insert) {
    cdsDietServ->FieldByName("CDFILIAL").SetAsString(tela.CodFilial());
    cdsDietServ->FieldByName("CDSERVFILI").SetAsString(tela.Campo(*tela.cdsServico, "CDSERVFILI"));
    cdsDietServ->FieldByName("CDDIETPAD").SetAsString(tela.Campo(*cdsDietPad, "CDDIETPAD"));
  }
  for (const char* chave : {"CDFILIAL", "CDSERVFILI", "CDDIETPAD"}) {
    Field& f = cdsDietServ->FieldByName(chave);
    if (!f.IsNull() && f.AsString().empty()) f.Clear();
  }
}

// Also the after-delete reaction.
void PagComensais::cdsDietServAfterPost(DataSet&) {
  GravaAlteracoes(tela.netCadastroServ, *cdsDietServ, "UpdDietServ");
}

void PagComensais::ConfirmaDieta() {
  TControl* foco = tela.ActiveControl();
  for (auto& dia : EditoresDieta())
    for (size_t c = 0; c < kTotal; ++c)
      if (dia[c] == foco) TotalDiaDieta(*dia[c]);
  if (tela.EmEdicao(*cdsDietServ)) cdsDietServ->Post();
  tela.GravaServicoCache();
}

void PagComensais::CancelaDieta() {
  if (tela.EmEdicao(*cdsDietServ)) cdsDietServ->Cancel();
}

// ---------------------------------------------------------------- commands and page lock

void PagComensais::dtsDietServStateChange(DataSource&) {
  if (!Ativa()) return;
  bool editando = tela.EmEdicao(*cdsDietServ);
  bool navegando = cdsDietServ->State() == DataSetState::Browse;
  bool dietas = cdsDietPad->Active() && !cdsDietPad->IsEmpty();

  // Exporting works on stored figures only, and never in fixed-branch mode.
  tela.sbtExportComens->SetEnabled(!FilialFixa && !editando && dietas && TemEntrada("CriaExpComDiet"));
  tela.mnuExportComens->SetEnabled(tela.sbtExportComens->Enabled());
  tela.mnuExpComCard->SetEnabled(tela.mnuExportComens->Enabled());

  // The commands and the lock belong to the per-diet figures; the "Default" page follows the
  // service record instead.
  if (nbkComensais->PageIndex() != 1) return;
  if (FilialFixa) {
    tela.panFilial->SetEnabled(false);
    for (TMenuItem* m : {tela.mnuConfirmar, tela.mnuCancelar, tela.mnuAlterar}) m->SetEnabled(false);
  } else {
    tela.HabilitaPainelFilial(!editando);
    tela.mnuConfirmar->SetEnabled(editando);
    tela.mnuCancelar->SetEnabled(editando);
    tela.mnuAlterar->SetEnabled(navegando && dietas);
  }

  // While a diet is edited, no other page and no other service can be reached.
  std::string tipo = tela.TipoServico();
  tela.dbnPadrao->SetEnabled(navegando);
  for (TTabSheet* t : {tela.tshFolhaDados, tela.tshFormulario, tela.tshConfCard, tela.tshCustPadr})
    t->SetEnabled(!editando);
  tela.tshTurnos->SetEnabled(!editando && tipo == "N");
  tela.tshPontEntr->SetEnabled(!editando && tipo == "N");
  tela.tshEmbalagens->SetEnabled(!editando && tipo == "N" && tela.Campo(*tela.cdsServico, "IDSERVTRAN") == "S");
  for (auto [sheet, menu] : tela.Paginas())
    if (sheet != tela.tshComensais) menu->SetEnabled(sheet->Enabled());
}

}  // namespace cad
