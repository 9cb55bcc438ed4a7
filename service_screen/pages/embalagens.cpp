// Packaging page (tshEmbalagens, sub-pages distribution and restrictions) of TfrmCadastroServ:
// the enabling of the import/export entries and the page's entry points that the screen frame
// calls. Distribution and restriction data arrive with the page's own work; until then nothing is
// loaded and no command applies.
#include "service_screen/cadastroserv.h"

namespace cad {

// At creation: the package categories and the empty restriction and distribution datasets come
// with the packaging pages; the controls are set now.
void TfrmCadastroServ::PreparaEmbalagens() { HabilitaEmbalagens(); }

// Away from the packaging page the import/export entries are off. On the page they need its
// distribution and restriction data, which arrive with the packaging pages.
void TfrmCadastroServ::HabilitaEmbalagens() {
  sbtImportExportConf->SetEnabled(false);
  mnuImportExportConf->SetEnabled(false);
}

// Fills the delivery-point lists of the restriction filter; filled by the restrictions page.
void TfrmCadastroServ::GetPEntregaRest() {}

// Entering the page; its loading and command rules are filled by the packaging pages.
void TfrmCadastroServ::EntraEmbalagens() {
  pgcEmbalagens->SetActivePage(tshDistribuicao);
  ChangeButtons(false, false, false, false, false, false);
}

// The selected service changed while the page is active; filled by the packaging pages.
void TfrmCadastroServ::EmbalagensTrocaServico() {}

}  // namespace cad
