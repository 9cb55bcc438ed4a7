// Clients and delivery-points page (tshPontEntr) of TfrmCadastroServ: the page's entry points
// that the screen frame calls. The client and delivery-point grids, their checks and saves arrive
// with the page's own work; until then nothing is loaded and no command applies.
#include "service_screen/cadastroserv.h"

namespace cad {

// At creation: the client's registration number is marked for its display (tag 1) once the
// delivery-points page gives cdsCliente its fields.
void TfrmCadastroServ::PreparaPontEntr() {
  if (Field* f = cdsCliente->FindField("NRINSJURCLIE")) f->Tag = 1;
}

// Leaving the page: the delivery-point diners of a loaded page are summed and offered to the
// client estimates; filled by the delivery-points page (nothing is loaded before it).
void TfrmCadastroServ::SaiPontEntr() {}

// Entering the page; its loading and command rules are filled by the delivery-points page.
void TfrmCadastroServ::EntraPontEntr() { ChangeButtons(false, false, false, false, false, false); }

// The selected service changed while the page is active; filled by the delivery-points page.
void TfrmCadastroServ::PontEntrTrocaServico() {}

}  // namespace cad
