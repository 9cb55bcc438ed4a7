// Notebook page "Dieta" of the estimated-diners page (tshComensais) of TfrmCadastroServ: the diets
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

namespace cad {

namespace {

// Control-name suffixes of the weekday columns (Monday ... holiday) and prefixes of the
// categories (clients, employees, donations) and of the total.
constexpr const char* kDias[] = {"Seg", "Ter", "Qua", "Qui", "Sex", "Sab", "Dom", "Fer"};
constexpr const char* kCategorias[] = {"dbeCli", "dbeFun", "dbeDoa", "dbeTot"};
constexpr size_t kTotal = 3;

}  // namespace

void TfrmCadastroServ::BindDietHandlers() {
  // The 24 exit handlers share one routine: each recomputes the day of the field it left.
  for (const char* dia : kDias)
    for (size_t c = 0; c < kTotal; ++c)
      Handler<void(TComponent&)>(std::string(kCategorias[c]) + dia + "Exit", [this](TComponent& sender) {
        if (auto* e = dynamic_cast<TDBEdit*>(&sender)) TotalDiaDieta(*e);
      });
}

void TfrmCadastroServ::ResolveDietComponents() {
  EditoresDieta = {{{dbeCliSeg, dbeFunSeg, dbeDoaSeg, dbeTotSeg},
                    {dbeCliTer, dbeFunTer, dbeDoaTer, dbeTotTer},
                    {dbeCliQua, dbeFunQua, dbeDoaQua, dbeTotQua},
                    {dbeCliQui, dbeFunQui, dbeDoaQui, dbeTotQui},
                    {dbeCliSex, dbeFunSex, dbeDoaSex, dbeTotSex},
                    {dbeCliSab, dbeFunSab, dbeDoaSab, dbeTotSab},
                    {dbeCliDom, dbeFunDom, dbeDoaDom, dbeTotDom},
                    {dbeCliFer, dbeFunFer, dbeDoaFer, dbeTotFer}}};
}

// ---------------------------------------------------------------- loading

void TfrmCadastroServ::CarregaDietPad() {
  {
    ShowAviGuard avi(this, 6, Msg("get_cdsComeDiet"));
    Variant dietas = netCadastroServ.Call("GetDietPad", {CodFilial(), Campo(*cdsServico, "CDSERVFILI")});
    CarregaPacote(*cdsDietPad, dietas, "GetDietPad");
  }
  // Without a diet there is nothing to type: the editors look inactive.
  TColor cor = cdsDietPad->IsEmpty() ? clBtnFace : clWindow;
  for (auto& dia : EditoresDieta)
    for (TDBEdit* e : dia) e->SetColor(cor);
}

// Saves the diet being edited before the list leaves it: a refused save stops the move, so the
// list stays on the diet whose figures the panel shows.
void TfrmCadastroServ::cdsDietPadBeforeScroll(DataSet&) {
  if (EmEdicao(*cdsDietServ)) cdsDietServ->Post();
}

void TfrmCadastroServ::cdsDietPadAfterScroll(DataSet&) {
  if (EmEdicao(*cdsDietServ)) cdsDietServ->Post();
  Variant figuras = netCadastroServ.Call(
      "GetDietServ", {CodFilial(), Campo(*cdsServico, "CDSERVFILI"), Campo(*cdsDietPad, "CDDIETPAD")});
  CarregaPacote(*cdsDietServ, figuras, "GetDietServ");
}

void TfrmCadastroServ::dtsDietPadStateChange(DataSource&) {
  panComenDiet->SetEnabled(cdsDietPad->Active() && !cdsDietPad->IsEmpty());
  if (EmEdicao(*cdsDietServ)) cdsDietServ->Post();
  // A list that opens with diets scrolls to its first one next, which loads its figures; an
  // empty or closed list has no diet, so its (empty) figures load here.
  if (cdsDietPad->Active() && !cdsDietPad->IsEmpty()) return;
  cdsDietPadAfterScroll(*cdsDietPad);
}

// ---------------------------------------------------------------- day totals and keys

void TfrmCadastroServ::TotalDiaDieta(TDBEdit& deixado) {
  Vd_QtComensais(deixado);
  if (!EmEdicao(*cdsDietServ)) return;
  for (auto& dia : EditoresDieta) {
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
void TfrmCadastroServ::dbeCliSegKeyPress(TComponent&, std::string& key) {
  if (key == "+" || key == "-" || key == "," || key == ".") key.clear();
}

// Diets are not deleted from the grid.
void TfrmCadastroServ::dbgDietaKeyDown(TComponent&, int& key, ShiftState shift) {
  if (key == VK_DELETE && (shift & ssCtrl)) key = 0;
}

// ---------------------------------------------------------------- save

void TfrmCadastroServ::cdsDietServBeforePost(DataSet&) {
  if (cdsDietServ->State() == DataSetState::Insert) {
    cdsDietServ->FieldByName("CDFILIAL").SetAsString(CodFilial());
    cdsDietServ->FieldByName("CDSERVFILI").SetAsString(Campo(*cdsServico, "CDSERVFILI"));
    cdsDietServ->FieldByName("CDDIETPAD").SetAsString(Campo(*cdsDietPad, "CDDIETPAD"));
  }
  for (const char* chave : {"CDFILIAL", "CDSERVFILI", "CDDIETPAD"}) {
    Field& f = cdsDietServ->FieldByName(chave);
    if (!f.IsNull() && f.AsString().empty()) f.Clear();
  }
}

// Also the after-delete reaction.
void TfrmCadastroServ::cdsDietServAfterPost(DataSet&) { GravaAlteracoes(netCadastroServ, *cdsDietServ, "UpdDietServ"); }

void TfrmCadastroServ::ConfirmaDieta() {
  TControl* foco = ActiveControl();
  for (auto& dia : EditoresDieta)
    for (size_t c = 0; c < kTotal; ++c)
      if (dia[c] == foco) TotalDiaDieta(*dia[c]);
  if (EmEdicao(*cdsDietServ)) cdsDietServ->Post();
  GravaServicoCache();
}

void TfrmCadastroServ::CancelaDieta() {
  if (EmEdicao(*cdsDietServ)) cdsDietServ->Cancel();
}

// ---------------------------------------------------------------- commands and page lock

void TfrmCadastroServ::dtsDietServStateChange(DataSource&) {
  if (pgcPadrao->ActivePage() != tshComensais) return;
  bool editando = EmEdicao(*cdsDietServ);
  bool navegando = cdsDietServ->State() == DataSetState::Browse;
  bool dietas = cdsDietPad->Active() && !cdsDietPad->IsEmpty();

  // Exporting works on stored figures only, and never in fixed-branch mode.
  sbtExportComens->SetEnabled(!FilialFixa && !editando && dietas && TemEntrada("CriaExpComDiet"));
  mnuExportComens->SetEnabled(sbtExportComens->Enabled());
  mnuExpComCard->SetEnabled(mnuExportComens->Enabled());

  // The commands and the lock belong to the per-diet figures; the "Default" page follows the
  // service record instead.
  if (nbkComensais->PageIndex() != 1) return;
  if (FilialFixa) {
    panFilial->SetEnabled(false);
    for (TMenuItem* m : {mnuConfirmar, mnuCancelar, mnuAlterar}) m->SetEnabled(false);
  } else {
    HabilitaPainelFilial(!editando);
    mnuConfirmar->SetEnabled(editando);
    mnuCancelar->SetEnabled(editando);
    mnuAlterar->SetEnabled(navegando && dietas);
  }

  // While a diet is edited, no other page and no other service can be reached.
  std::string tipo = TipoServico();
  dbnPadrao->SetEnabled(navegando);
  for (TTabSheet* t : {tshFolhaDados, tshFormulario, tshConfCard, tshCustPadr}) t->SetEnabled(!editando);
  tshTurnos->SetEnabled(!editando && tipo == "N");
  tshPontEntr->SetEnabled(!editando && tipo == "N");
  tshEmbalagens->SetEnabled(!editando && tipo == "N" && Campo(*cdsServico, "IDSERVTRAN") == "S");
  for (auto [sheet, menu] : Paginas())
    if (sheet != tshComensais) menu->SetEnabled(sheet->Enabled());
}

}  // namespace cad
