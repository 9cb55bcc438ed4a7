// Shifts page (tshTurnos): the shifts of a corporate service with their diners per weekday.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "service_screen/layout/binding.h"
#include "service_screen/pages/pagina.h"

namespace cad {

class PagTurnos : public PaginaServ, public layout::service_screen::PagTurnosComponents {
 public:
  // Registers the day fields' shared validator (before the layout loads).
  explicit PagTurnos(TfrmCadastroServ& t);

  bool Mostra(const TTabSheet* aba) const override;
  bool Serve(const std::string& tipo) const override;
  TTabSheet* Substituta(const std::string& tipo) const override;
  void Entra() override;
  bool PodeSair(Saida saida) override;
  void Fecha() override;
  void SaiServico() override;
  void TrocaServico() override;
  void Inclui(TComponent& sender) override;
  void Altera(TComponent& sender) override;
  void Confirma() override;
  void Cancela() override;
  void Verifica() override;
  bool Exclui() override;
  void Procura(TComponent& sender) override;
  void FocoNasAbas() override;
  bool Editando() const override;
  bool GravaServico() override;
  void Avisa(Aviso aviso) override;

  // Handlers the layout names.
  void cdsTurnoBeforeInsert(DataSet& sender);
  void cdsTurnoAfterInsert(DataSet& sender);
  void cdsTurnoBeforePost(DataSet& sender);
  void cdsTurnoAfterPost(DataSet& sender);
  void cdsTurnoAfterDelete(DataSet& sender);
  void cdsTurnoAfterCancel(DataSet& sender);
  void cdsTurnoAfterScroll(DataSet& sender);
  void cdsTurnoAfterOpen(DataSet& sender);
  void dtsTurnoStateChange(DataSource& sender);
  void dbgTurnoColExit(TComponent& sender);
  void dbgTurnoExit(TComponent& sender);
  void dbgTurnoKeyDown(TComponent& sender, int& key, ShiftState shift);
  void dbgTurnoKeyPress(TComponent& sender, std::string& key);

 private:
  void CarregaTurnos();
  // The shift codes array, from the loaded shifts.
  void EncheArray();
  int QuantidadeTurnos() const;
  // A service has no shift, or between 2 and 4 (checked only while the page is active).
  void Vd_Turno();
  void Vd_QtTurno(Field& campo);
  void QtTurnoValidate(Field& campo);
  // Saves the pending shift changes with UpdTurno; a refusal undoes them.
  void GravaTurnos();
  void AbreSomaTurnos();
  // One day's shift sum into the service's total and categories.
  void Atualiza_Comensais(int dia);
  // New day totals of the service (none: the day has no total) spread onto the shifts, read afresh.
  void SegueTotais(const std::array<std::optional<double>, 8>& totais);
  // A day's new total (novo) spread onto the shifts' field `turno`, `soma` the current shift sum.
  void Atualiza_ComenTurno(Field& turno, Field& soma, double novo);
  // The commands of the page for the state of cdsTurno.
  void BotoesTurno();

  // The page fetches its shifts on its next entry.
  bool RecarregaTurno = true;
  // A shift save asked the next post of the service record to be saved.
  bool GravaServicoTurno = false;
  // Codes of the loaded shifts, ascending (the last is the highest), and the code of a new one.
  std::vector<int> CodigosTurno;
  int ProximoTurno = 0;
};

}  // namespace cad
