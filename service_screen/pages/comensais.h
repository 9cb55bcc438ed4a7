// Estimated diners page (tshComensais): the service's own figures per weekday and, in its notebook, the figures per
// diet.
#pragma once

#include <array>
#include <string>

#include "service_screen/layout/binding.h"
#include "service_screen/pages/pagina.h"

namespace cad {

class PagComensais : public PaginaServ, public layout::service_screen::PagComensaisComponents {
 public:
  // Registers the per-day editors' shared exit handlers (before the layout loads).
  explicit PagComensais(TfrmCadastroServ& t);

  bool Mostra(const TTabSheet* aba) const override;
  bool Serve(const std::string& tipo) const override;
  TTabSheet* Substituta(const std::string& tipo) const override;
  void Entra() override;
  bool PodeSair(Saida saida) override;
  void TrocaServico() override;
  void Inclui(TComponent& sender) override;
  void Altera(TComponent& sender) override;
  void Confirma() override;
  void Cancela() override;
  bool Exclui() override;
  void Exporta() override;
  void EstadoServico() override;
  bool Editando() const override;
  void Avisa(Aviso aviso) override;

  // Handlers the layout names: the page "Default" (comensais.cpp) ...
  void dbeCSegKeyPress(TComponent& sender, std::string& key);
  void tshComensaisExit(TComponent& sender);
  void mnuExpComCardClick(TComponent& sender);
  void mnuExpComDietClick(TComponent& sender);
  // ... and the page "Dieta" (dietas.cpp).
  void dbeCliSegKeyPress(TComponent& sender, std::string& key);
  void cdsDietServBeforePost(DataSet& sender);
  void cdsDietServAfterPost(DataSet& sender);
  void dtsDietServStateChange(DataSource& sender);
  void cdsDietPadBeforeScroll(DataSet& sender);
  void cdsDietPadAfterScroll(DataSet& sender);
  void dtsDietPadStateChange(DataSource& sender);
  void dbgDietaKeyDown(TComponent& sender, int& key, ShiftState shift);

 private:
  // The notebook shows the per-diet page (the service is not corporate).
  bool PorDieta() const;
  void HabilitaExportaDietas();
  void HabilitaExportaComens(bool habilita);
  void LeituraComensais(bool somenteLeitura);

  // Page "Default": clients, employees, donations and the total of a day (Monday ... holiday).
  struct DiaComensais {
    TDBEdit *clientes, *funcionarios, *doacoes, *total;
  };
  DiaComensais DiaDefault(int dia) const;
  // A day's total from its three categories (the day handlers dbeCSegExit ...).
  void TotalDiaDefault(int dia, TComponent& sender);
  // Whether a control is one of the page's 24 category editors, and of which day.
  bool EditorDefault(TControl* c, int& dia) const;
  // The confirm of the page "Default": the totals shown are announced to the shifts, then the
  // record is saved.
  void ConfirmaDefault();

  // Page "Dieta": the editors of a day (Monday ... holiday) by category: clients, employees,
  // donations, total.
  std::array<std::array<TDBEdit*, 4>, 8> EditoresDieta() const;
  // Registers the 24 category exit handlers (from the constructor).
  void RegistraDieta();
  // The diets of the service (GetDietPad) under the progress display, then the panel's colour.
  void CarregaDietPad();
  // Day total after leaving a category field; the 24 exit handlers dbeCliSegExit ... dbeDoaFerExit.
  void TotalDiaDieta(TDBEdit& deixado);
  // Confirm on the page: the focused field's day total, then the diet's post (its save) and the
  // service's save.
  void ConfirmaDieta();
  void CancelaDieta();

  // The per-diet figures are fetched on the page's next entry.
  bool RecarregaComeDiet = true;
  // A confirm here changed shifts: leaving the page refreshes their local cache.
  bool AlterouComensTurno = false;
};

}  // namespace cad
