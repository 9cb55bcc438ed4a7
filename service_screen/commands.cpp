// The confirm, verify and delete commands of TfrmCadastroServ, forwarded to the active page, and
// the deletion of the list's current service that more than one page gives.
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

// ---------------------------------------------------------------- verify

void TfrmCadastroServ::sbtVerificarClick(TComponent&) {
  if (PaginaServ* p = Ativa()) p->Verifica();
}

// ---------------------------------------------------------------- delete

void TfrmCadastroServ::sbtExcluirClick(TComponent&) {
  PaginaServ* p = Ativa();
  // Whichever page deleted, the status bar reports it the same way.
  if (p && p->Exclui()) Informa(msgMensagensPadroes->Msg("RegExcluido"));
}

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
