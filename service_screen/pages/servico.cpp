// The list and form pages of the service screen: the service record and its billing setup.
#include "service_screen/pages/servico.h"

#include "platform/framework/consiste.h"
#include "platform/framework/showavi.h"
#include "service_screen/cadastroserv.h"
#include "service_screen/module.h"

namespace cad {

bool PagServico::Mostra(const TTabSheet* aba) const { return aba == tela.tshFolhaDados || aba == tela.tshFormulario; }

void PagServico::Entra() { tela.EntraServico(); }

// The form page shows the billing services of the new service.
void PagServico::TrocaServico() {
  if (tela.pgcPadrao->ActivePage() != tela.tshFormulario) return;
  {
    ShowAviGuard avi(&tela, 0);
    Variant servFatu = Consiste::CheckResultServ(tela.netCadastroServ.Call(
        "GetServFatu", {tela.Campo(*tela.cdsServico, "CDFILIAL"), tela.Campo(*tela.cdsServico, "CDSERVFILI")}));
    tela.CarregaPacote(*tela.cdsServFatu, servFatu, "GetServFatu");
  }
  if (tela.dbgServFatu->Focused()) tela.grbServFatuEnter(*tela.grbServFatu);
}

void PagServico::Inclui(TComponent& sender) { tela.IncluiServico(sender); }
void PagServico::Altera(TComponent& sender) { tela.AlteraServico(sender); }
void PagServico::Confirma() { tela.ConfirmaServico(); }
void PagServico::Cancela() { tela.CancelaServico(); }
void PagServico::Verifica() { tela.VerificaServico(); }
bool PagServico::Exclui() { return tela.ExcluiServicoOuFatu(); }
void PagServico::Procura(TComponent& sender) { tela.ProcuraServico(sender); }
void PagServico::EstadoServico() { tela.ControlesServico(); }

void PagServico::Avisa(Aviso aviso) {
  if (aviso == Aviso::ServicoTrocado) {
    // The main billed service; a service billed under a main one has no equivalences of its own.
    tela.MostraServicoPrincipal();
    if (tela.TipoServico() != "F") {
      bool semPrincipal = tela.Campo(*tela.cdsServico, "CDSERVPREQUI").empty();
      tela.grbServFatu->SetEnabled(semPrincipal);
      // Labels of controls that cannot change data stay off in fixed-branch mode.
      tela.lblServFatu->SetEnabled(semPrincipal && !FilialFixa);
    } else if (tela.pgcPadrao->ActivePage() == tela.tshFormulario && !FilialFixa && tela.dbeNmFantasServ->CanFocus()) {
      tela.dbeNmFantasServ->SetFocus();
    }
  }
  // The separate invoice follows the service's variable billing value.
  if (aviso == Aviso::ServicoMostrado) tela.HabilitaNotaSeparada(tela.Campo(*tela.cdsServico, "IDVLRVARDATA") == "S");
}

}  // namespace cad
