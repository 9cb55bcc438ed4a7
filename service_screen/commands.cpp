// The confirm, verify and delete commands of TfrmCadastroServ. Each command is one sequence of
// page blocks in a fixed order; this unit holds the blocks of the service list and the form page,
// and each other page adds its block with its own unit.
//
// Invariants: while the confirm command runs, the scroll reactions of cdsServico are detached, so
// moving inside the list reloads no page; they are re-attached on every way out. A refused or
// failed deletion leaves the dataset as the server has it (pending changes cancelled).
#include <string>

#include "platform/core/errors.h"
#include "platform/core/scope.h"
#include "platform/framework/consiste.h"
#include "platform/framework/showavi.h"
#include "service_screen/cadastroserv.h"
#include "service_screen/module.h"

namespace cad {

// ---------------------------------------------------------------- confirm

void TfrmCadastroServ::sbtConfirmarClick(TComponent&) {
  std::string cdServFili = Campo(*cdsServico, "CDSERVFILI");
  // Last on every way out, so a failed confirm does not leave the list without navigation.
  ScopeExit navegacao(
      [this] { dbnPadrao->SetEnabled(!mnuConfirmar->Enabled() && cdsServico->Active() && !cdsServico->IsEmpty()); });
  Suspend<DataSetEvent> antes(cdsServico->BeforeScroll);
  Suspend<DataSetEvent> depois(cdsServico->AfterScroll);
  if (PaginaServ* p = Ativa()) p->Confirma();
  if (cdsServico->Active() && !ServicoEmEdicao() && !cdServFili.empty()) cdsServico->Locate("CDSERVFILI", cdServFili);
}

void TfrmCadastroServ::ConfirmaServico() {
  std::string cdServFili = Campo(*cdsServico, "CDSERVFILI");
  if (EmEdicao(*cdsServFatu)) {
    cdsServFatu->Post();
    if (pgcPadrao->ActivePage() == tshFormulario) grbServFatuEnter(*grbServFatu);
  }
  if (ServicoEmEdicao()) cdsServico->Post();
  std::string grupo = Consiste::AllTrim(edtCdGrupoFiltro->Text());
  if (!grupo.empty() && grupo != Campo(*cdsServico, "CDGRUPSERV")) {
    GetServicos(grupo);
    cdsServico->Locate("CDSERVFILI", cdServFili);
  }
}

// ---------------------------------------------------------------- verify

void TfrmCadastroServ::sbtVerificarClick(TComponent&) {
  if (PaginaServ* p = Ativa()) p->Verifica();
}

void TfrmCadastroServ::VerificaServico() {
  {
    cdsServico->DisableControls();
    ScopeExit reativa([this] { cdsServico->EnableControls(); });
    std::string cdServFili = Campo(*cdsServico, "CDSERVFILI");
    panFilialExit(*panFilial);
    if (!cdServFili.empty()) cdsServico->Locate("CDSERVFILI", cdServFili);
  }
  if (pgcPadrao->ActivePage() == tshFormulario && dbgServFatu->Focused()) grbServFatuEnter(*grbServFatu);
}

// ---------------------------------------------------------------- delete

void TfrmCadastroServ::sbtExcluirClick(TComponent&) {
  PaginaServ* p = Ativa();
  // Whichever page deleted, the status bar reports it the same way.
  if (p && p->Exclui()) Informa(msgMensagensPadroes->Msg("RegExcluido"));
}

bool TfrmCadastroServ::ExcluiServFatu() {
  if (!cdsServFatu->Active() || cdsServFatu->IsEmpty()) return false;
  if (msgPadrao->ShowMsg("Excl", TMsgDlgType::mtConfirmation, mbYesNo) != mrYes) return false;
  bool formulario = pgcPadrao->ActivePage() == tshFormulario;
  try {
    Variant efetivos;
    {
      ShowAviGuard avi(this, 0);
      efetivos = Consiste::CheckResultServ(netCadastroServ.Call(
          "verificaEfetServFat",
          {Campo(*cdsServFatu, "CDFILIAL"), Campo(*cdsServFatu, "CDSERVICFATURAM"), Campo(*cdsServico, "CDSERVFILI")}));
    }
    if (!efetivos.isArray() || efetivos.asArray().size() < 2)
      throw Exception("Resposta inesperada do servidor de aplicação para verificaEfetServFat.");
    if (efetivos.asArray()[0].asBool())
      Erro("ExisteEfetServFat", {Campo(*cdsServFatu, "CDSERVICFATURAM") + " " + Campo(*cdsServFatu, "NMSERVICO"),
                                 Campo(*cdsServico, "CDSERVFILI") + " " + Campo(*cdsServico, "NMSERVICO"),
                                 efetivos.asArray()[1].asString()});
    cdsServFatu->Delete();
    GravaServicoCache();
    if (formulario) grbServFatuEnter(*grbServFatu);
    return true;
  } catch (...) {
    if (cdsServFatu->Active() && cdsServFatu->ChangeCount() > 0) cdsServFatu->CancelUpdates();
    if (formulario) grbServFatuEnter(*grbServFatu);
    throw;
  }
}

bool TfrmCadastroServ::ExcluiServicoOuFatu() { return dbgServFatu->Focused() ? ExcluiServFatu() : ExcluiServico(); }

bool TfrmCadastroServ::ExcluiServico() {
  std::string cdServFili = Campo(*cdsServico, "CDSERVFILI");
  if (!cdsServico->Active() || cdsServico->IsEmpty()) return false;
  if (msgPadrao->ShowMsg("Excl", TMsgDlgType::mtConfirmation, mbYesNo) != mrYes) return false;
  try {
    cdsServico->Delete();
    GravaServicoCache();
    return true;
  } catch (...) {
    if (cdsServico->ChangeCount() > 0) cdsServico->CancelUpdates();
    cdsServico->Locate("CDSERVFILI", cdServFili);
    throw;
  }
}

}  // namespace cad
