// Standard-cost page (tshCustPadr) of TfrmCadastroServ: the operator's authorization, and the
// page's entry points that the screen frame calls. The month and dish-type costs, their checks
// and saves arrive with the page's own work; until then nothing is loaded and no command applies.
#include "platform/core/errors.h"
#include "service_screen/cadastroserv.h"
#include "service_screen/module.h"

namespace cad {

// The sum rule of the current month; the comparison arrives with the standard-cost page. Until
// then nothing loads cdsCustPadrTp, so there is no month to check.
bool TfrmCadastroServ::Vd_Soma() {
  if (cdsCustPadrTp->State() != DataSetState::Browse || cdsCustPadrTp->IsEmpty()) return true;
  throw Exception("A verificação da soma dos custos padrão ainda não está disponível nesta tela.");
}

// True when nobody holds the standard-cost authorization or the operator is in the group that
// holds it; otherwise every command of the page goes off.
bool TfrmCadastroServ::AutorizaCustoPadrao() {
  if (TemAutorizacaoCusto()) return true;
  ChangeButtons(false, false, false, false, false, false);
  sbtAutomatico->SetEnabled(false);
  mnuCadaAuto->SetEnabled(false);
  return false;
}

// Entering the page; its loading and command rules are filled by the standard-cost page.
void TfrmCadastroServ::EntraCustPadr() {
  if (FilialFixa) {
    dbgCustPadr->SetReadOnly(true);
    dbgCustPadrTp->SetReadOnly(true);
  }
  ChangeButtons(false, false, false, false, false, false);
  sbtAutomatico->SetEnabled(false);
  mnuCadaAuto->SetEnabled(false);
  AutorizaCustoPadrao();
}

// Before another service becomes current on this page (month list reload); filled by the standard-cost page.
void TfrmCadastroServ::CustPadrSaiServico() {}

// The selected service changed while the page is active; filled by the standard-cost page.
void TfrmCadastroServ::CustPadrTrocaServico() {}

}  // namespace cad
