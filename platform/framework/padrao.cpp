// TfrmPadrao: the base maintenance screen (rules in padrao.h). The layout unit padrao.json is
// compiled into the library; the constructor binds the handler names to the virtual handlers,
// loads it and resolves every named component once.
#include "platform/framework/padrao.h"

#include <string_view>

#include "platform/core/errors.h"
#include "platform/core/scope.h"
#include "platform/data/dataset.h"
#include "platform/framework/lookups.h"
#include "platform/framework/session.h"

extern const std::string_view kLayoutTfrmPadrao;

namespace cad {

namespace {

bool editing(DataSetState s) { return s == DataSetState::Edit || s == DataSetState::Insert; }

}  // namespace

TfrmPadrao::TfrmPadrao() {
  Bind("FormCreate", &TfrmPadrao::FormCreate);
  Bind("FormCloseQuery", &TfrmPadrao::FormCloseQuery);
  Bind("FormClose", &TfrmPadrao::FormClose);
  Bind("pgcPadraoChange", &TfrmPadrao::pgcPadraoChange);
  Bind("dtsPadraoStateChange", &TfrmPadrao::dtsPadraoStateChange);
  Bind("sbtIncluirClick", &TfrmPadrao::sbtIncluirClick);
  Bind("sbtAlterarClick", &TfrmPadrao::sbtAlterarClick);
  Bind("sbtExcluirClick", &TfrmPadrao::sbtExcluirClick);
  // The confirm reports its result whichever screen's override runs.
  Handler<void(TComponent&)>("sbtConfirmarClick", [this](TComponent& sender) { confirmaEInforma(sender); });
  Bind("sbtCancelarClick", &TfrmPadrao::sbtCancelarClick);
  Bind("sbtProcurarClick", &TfrmPadrao::sbtProcurarClick);
  Bind("sbtVerificarClick", &TfrmPadrao::sbtVerificarClick);
  Bind("sbtImprimirClick", &TfrmPadrao::sbtImprimirClick);
  Bind("sbtAjudaClick", &TfrmPadrao::sbtAjudaClick);
  Bind("sbtFecharClick", &TfrmPadrao::sbtFecharClick);
  Bind("mnuFolhaDadosClick", &TfrmPadrao::mnuFolhaDadosClick);
  Bind("mnuFormularioClick", &TfrmPadrao::mnuFormularioClick);
  LoadLayout(kLayoutTfrmPadrao);

  pgcPadrao = find<TPageControl>("pgcPadrao");
  tshFolhaDados = find<TTabSheet>("tshFolhaDados");
  tshFormulario = find<TTabSheet>("tshFormulario");
  dbgPadrao = find<TDBGrid>("dbgPadrao");
  dtsPadrao = find<DataSource>("dtsPadrao");
  msgPadrao = find<TMessages>("msgPadrao");
  msgMensagensPadroes = find<TMessages>("msgMensagensPadroes");
  panMenu = find<TPanel>("panMenu");
  sbtIncluir = find<TButtonFlat>("sbtIncluir");
  sbtAlterar = find<TButtonFlat>("sbtAlterar");
  sbtExcluir = find<TButtonFlat>("sbtExcluir");
  sbtConfirmar = find<TButtonFlat>("sbtConfirmar");
  sbtCancelar = find<TButtonFlat>("sbtCancelar");
  sbtProcurar = find<TButtonFlat>("sbtProcurar");
  sbtImprimir = find<TButtonFlat>("sbtImprimir");
  sbtVerificar = find<TButtonFlat>("sbtVerificar");
  sbtAjuda = find<TButtonFlat>("sbtAjuda");
  sbtFechar = find<TButtonFlat>("sbtFechar");
  dbnPadrao = find<TDBNavigator>("dbnPadrao");
  mnuPrincipal = find<TMainMenu>("mnuPrincipal");
  mnuManutencao = find<TMenuItem>("mnuManutencao");
  mnuIncluir = find<TMenuItem>("mnuIncluir");
  mnuAlterar = find<TMenuItem>("mnuAlterar");
  mnuExcluir = find<TMenuItem>("mnuExcluir");
  mnuConfirmar = find<TMenuItem>("mnuConfirmar");
  mnuCancelar = find<TMenuItem>("mnuCancelar");
  mnuProcurar = find<TMenuItem>("mnuProcurar");
  mnuImprimir = find<TMenuItem>("mnuImprimir");
  mnuVerificar = find<TMenuItem>("mnuVerificar");
  mnuAjuda = find<TMenuItem>("mnuAjuda");
  mnuFechar = find<TMenuItem>("mnuFechar");
  mnuOperacao = find<TMenuItem>("mnuOperacao");
  mnuFolhaDados = find<TMenuItem>("mnuFolhaDados");
  mnuFormulario = find<TMenuItem>("mnuFormulario");
  panStatus = find<TPanel>("panStatus");
  panStOperador = find<TPanel>("panStOperador");
  panStFilial = find<TPanel>("panStFilial");
  panStRegistro = find<TPanel>("panStRegistro");
  panStMensagem = find<TPanel>("panStMensagem");

  // The status bar follows the dataset of dtsPadrao: its cursor, and an edit clearing the last
  // result.
  struct StatusLink : DataLink {
    TfrmPadrao& f;
    explicit StatusLink(TfrmPadrao& form) : f(form) {}
    void ActiveChanged() override { f.AtualizaStatus(); }
    void DataSetChanged() override { f.AtualizaStatus(); }
    void EditingChanged() override {
      if (DataSet* ds = GetDataSet(); ds && editing(ds->State())) f.Informa({});
    }
  };
  statusLink_ = std::make_unique<StatusLink>(*this);
  statusLink_->SetSource(dtsPadrao);

  followMenu(mnuIncluir, sbtIncluir);
  followMenu(mnuAlterar, sbtAlterar);
  followMenu(mnuExcluir, sbtExcluir);
  followMenu(mnuConfirmar, sbtConfirmar);
  followMenu(mnuCancelar, sbtCancelar);
  followMenu(mnuProcurar, sbtProcurar);
  followMenu(mnuImprimir, sbtImprimir);
  followMenu(mnuVerificar, sbtVerificar);
  followMenu(mnuAjuda, sbtAjuda);
  followMenu(mnuFechar, sbtFechar);
}

void TfrmPadrao::followMenu(TMenuItem* item, TControl* button) {
  operations_.emplace_back(item, button);
  button->SetEnabled(item->Enabled());
  item->Observe([item, button](TComponent&, std::string_view property) {
    if (property == "Enabled") button->SetEnabled(item->Enabled());
  });
}

DataSet* TfrmPadrao::DataSetPadrao() const { return dtsPadrao->GetDataSet(); }

void TfrmPadrao::ChangeButtons(bool incluir, bool alterar, bool excluir, bool procurar, bool verificar,
                               bool confirmaCancela) {
  mnuIncluir->SetEnabled(incluir);
  mnuAlterar->SetEnabled(alterar);
  mnuExcluir->SetEnabled(excluir);
  mnuProcurar->SetEnabled(procurar);
  mnuVerificar->SetEnabled(verificar);
  mnuConfirmar->SetEnabled(confirmaCancela);
  mnuCancelar->SetEnabled(confirmaCancela);
  // Also brings back in line a button a screen had set by hand.
  for (auto [item, button] : operations_) button->SetEnabled(item->Enabled());
}

// ---------------------------------------------------------------- handlers

void TfrmPadrao::Informa(const std::string& texto) {
  panStMensagem->SetCaption(texto);
  AtualizaStatus();
}

std::string TfrmPadrao::FilialStatus() const { return Corvane::FiliProc(); }

void TfrmPadrao::AtualizaStatus() {
  panStOperador->SetCaption("Operador: " + Corvane::Operador());
  std::string filial = FilialStatus();
  panStFilial->SetCaption(filial.empty() ? std::string() : "Filial: " + filial);
  DataSet* ds = DataSetPadrao();
  bool linhas = ds && ds->Active() && !ds->IsEmpty() && !editing(ds->State());
  panStRegistro->SetCaption(
      linhas ? "Registro " + std::to_string(ds->RecNo()) + " de " + std::to_string(ds->RecordCount()) : std::string());
}

void TfrmPadrao::confirmaEInforma(TComponent& sender) {
  bool pendia = AlteracoesPendentes();
  sbtConfirmarClick(sender);
  if (pendia && !EmEdicaoAlgum()) Informa(msgMensagensPadroes->Msg("RegGravado"));
}

void TfrmPadrao::FormCreate(TComponent&) {
  // The status bar takes its height from below the screen's design, never from its controls.
  SetHeight(Height() + panStatus->Height());
  AtualizaStatus();
  // Each operation button's hint names the key of its command ("Incluir (F2)"), once every layout
  // has set the hints.
  for (auto [item, button] : operations_)
    if (item->ShortCut() != 0 && button->Hint().find(" (") == std::string::npos)
      button->SetHint(button->Hint() + " (" + ShortCutToText(item->ShortCut()) + ")");
  // The base versions on purpose: a derived screen's page entry and state handling must not run
  // before its own creation has done its part.
  pgcPadrao->SetActivePage(tshFolhaDados);
  TfrmPadrao::pgcPadraoChange(*pgcPadrao);
  lastState_ = DataSetState::Inactive;
  TfrmPadrao::dtsPadraoStateChange(*dtsPadrao);
}

bool TfrmPadrao::EmEdicaoAlgum() const {
  for (DataSet* ds : DataSets())
    if (ds->Active() && editing(ds->State())) return true;
  return false;
}

bool TfrmPadrao::AlteracoesPendentes() const {
  if (EmEdicaoAlgum()) return true;
  for (DataSet* ds : DataSets())
    if (ds->Active() && ds->ChangeCount() > 0) return true;
  return false;
}

void TfrmPadrao::FormCloseQuery(TComponent&, bool& canClose) {
  if (!canClose || !AlteracoesPendentes()) return;
  switch (msgMensagensPadroes->ShowMsg("SalvarAlt", TMsgDlgType::mtConfirmation, mbYesNoCancel)) {
    case mrYes:
      // The confirm saved what it saves when it left nothing being edited (a dataset that keeps
      // its log by design must not keep the screen from ever closing).
      sbtConfirmarClick(*sbtConfirmar);
      canClose = !EmEdicaoAlgum();
      return;
    case mrNo: {
      cancelaSemPergunta_ = true;
      ScopeExit reset([this] { cancelaSemPergunta_ = false; });
      sbtCancelarClick(*sbtCancelar);
      return;
    }
    default: canClose = false; return;
  }
}

void TfrmPadrao::FormClose(TComponent&, TCloseAction& action) {
  if (DataSet* ds = DataSetPadrao(); ds && editing(ds->State())) ds->Cancel();
  action = TCloseAction::caFree;
}

void TfrmPadrao::pgcPadraoChange(TComponent&) {
  TTabSheet* page = pgcPadrao->ActivePage();
  mnuFolhaDados->SetChecked(page == tshFolhaDados);
  mnuFormulario->SetChecked(page == tshFormulario);
}

void TfrmPadrao::dtsPadraoStateChange(DataSource&) {
  DataSet* ds = DataSetPadrao();
  DataSetState state = dtsPadrao->State();
  bool browse = state == DataSetState::Browse;
  bool rows = browse && !ds->IsEmpty();
  bool writable = ds && !ds->ReadOnly;
  ChangeButtons(browse && writable, rows && writable, rows && writable, rows, browse, editing(state));
  mnuImprimir->SetEnabled(browse && TemRelatorio());
  if (state != DataSetState::Browse)
    dbnPadrao->SetEnabled(false);
  else if (lastState_ == DataSetState::Inactive)
    dbnPadrao->SetEnabled(true);
  lastState_ = state;
}

void TfrmPadrao::sbtIncluirClick(TComponent&) {
  DataSet* ds = DataSetPadrao();
  if (!ds) throw Exception(Describe() + ": não há conjunto de dados na tela.");
  ds->Insert();
  dbnPadrao->SetEnabled(false);
}

void TfrmPadrao::sbtAlterarClick(TComponent&) {
  DataSet* ds = DataSetPadrao();
  if (!ds) throw Exception(Describe() + ": não há conjunto de dados na tela.");
  ds->Edit();
  dbnPadrao->SetEnabled(false);
}

void TfrmPadrao::sbtExcluirClick(TComponent&) {
  DataSet* ds = DataSetPadrao();
  if (!ds || !ds->Active() || ds->IsEmpty()) return;
  if (msgPadrao->ShowMsg("Excl", TMsgDlgType::mtConfirmation, mbYesNo) != mrYes) return;
  ds->Delete();
  Informa(msgMensagensPadroes->Msg("RegExcluido"));
}

void TfrmPadrao::sbtConfirmarClick(TComponent&) {
  DataSet* ds = DataSetPadrao();
  if (!ds) return;
  if (editing(ds->State())) ds->Post();
  if (ds->State() == DataSetState::Browse) dbnPadrao->SetEnabled(true);
}

bool TfrmPadrao::ConfirmaCancelamento() {
  if (cancelaSemPergunta_) return true;
  return msgMensagensPadroes->ShowMsg("Canc", TMsgDlgType::mtConfirmation, mbYesNo) == mrYes;
}

void TfrmPadrao::CancelaRegistro() {
  DataSet* ds = DataSetPadrao();
  if (!ds) return;
  if (editing(ds->State())) ds->Cancel();
  if (ds->State() == DataSetState::Browse) dbnPadrao->SetEnabled(true);
}

void TfrmPadrao::sbtCancelarClick(TComponent&) {
  if (ConfirmaCancelamento()) CancelaRegistro();
}

void TfrmPadrao::sbtProcurarClick(TComponent&) {
  if (DataSet* ds = DataSetPadrao()) Procurar::Procura(*ds);
}

void TfrmPadrao::sbtVerificarClick(TComponent&) {
  if (DataSet* ds = DataSetPadrao(); ds && ds->Active()) ds->Refresh();
}

void TfrmPadrao::sbtImprimirClick(TComponent&) {}

void TfrmPadrao::sbtAjudaClick(TComponent&) {
  msgPadrao->ShowMsg("Ajuda", TMsgDlgType::mtInformation, mbOK, {Caption()});
}

void TfrmPadrao::sbtFecharClick(TComponent&) { Close(); }

bool TfrmPadrao::MudaPagina(TTabSheet* page) {
  if (!page || pgcPadrao->ActivePage() == page) return false;
  if (pgcPadrao->OnChanging) {
    bool allow = true;
    pgcPadrao->OnChanging(*pgcPadrao, allow);
    if (!allow) return false;
  }
  pgcPadrao->SetActivePage(page);
  if (pgcPadrao->OnChange)
    pgcPadrao->OnChange(*pgcPadrao);
  else
    pgcPadraoChange(*pgcPadrao);
  return true;
}

void TfrmPadrao::mnuFolhaDadosClick(TComponent&) { MudaPagina(tshFolhaDados); }

void TfrmPadrao::mnuFormularioClick(TComponent&) { MudaPagina(tshFormulario); }

}  // namespace cad
