// Estimated-diners page (tshComensais) of TfrmCadastroServ: the page's entry points that the
// screen frame calls. The diner editors, the per-diet figures and their saves arrive with the
// page's own work; until then nothing is loaded and no command applies.
#include "service_screen/cadastroserv.h"
#include "service_screen/module.h"

namespace cad {

// Entering the page; its loading and command rules are filled by the estimated-diners page.
void TfrmCadastroServ::EntraComensais() {
  sbtExportComens->SetHint("Exportar Comensais Estimados");
  ChangeButtons(false, false, false, false, false, false);
  sbtExportComens->SetEnabled(false);
  mnuExportComens->SetEnabled(false);
  mnuExpComCard->SetEnabled(false);
  if (drgTipoServ->ItemIndex() != 0) {
    nbkComensais->SetPageIndex(1);
    CarregaDietPad();
  }
}

// The selected service changed while the page is active: only a non-corporate service exports
// to other diets; the rest is filled by the estimated-diners page.
void TfrmCadastroServ::ComensaisTrocaServico() { HabilitaExportaDietas(); }

// Export to other diets: on this page, for a non-corporate service, outside fixed-branch mode and
// once the module has the export screen.
void TfrmCadastroServ::HabilitaExportaDietas() {
  std::string tipo = TipoServico();
  mnuExpComDiet->SetEnabled(pgcPadrao->ActivePage() == tshComensais && !tipo.empty() && tipo != "N" && !FilialFixa &&
                            TemEntrada("CriaExpComDiet"));
}

}  // namespace cad
