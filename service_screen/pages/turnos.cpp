// Shifts page (tshTurnos) of TfrmCadastroServ: the shift-count rule and the page's entry points
// that the screen frame calls. The shift grid, its editing and saves arrive with the page's own
// work; until then no shift is loaded and no command applies.
#include "service_screen/cadastroserv.h"

namespace cad {

// A service has no shift, or between 2 and 4 (checked only while the page is active).
void TfrmCadastroServ::Vd_Turno() {
  if (pgcPadrao->ActivePage() != tshTurnos || !cdsTurno->Active()) return;
  int turnos = cdsTurno->RecordCount();
  if (turnos == 1 || turnos >= 5) Erro("LIMT_SERV");
}

// The shift grid's exit handling; filled by the shifts page.
void TfrmCadastroServ::SaiGradeTurno() {}

// Entering the page; its loading and command rules are filled by the shifts page.
void TfrmCadastroServ::EntraTurnos() { ChangeButtons(false, false, false, false, false, false); }

// The selected service changed while the page is active; filled by the shifts page.
void TfrmCadastroServ::TurnosTrocaServico() {}

}  // namespace cad
