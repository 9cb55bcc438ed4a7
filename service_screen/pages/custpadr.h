// Standard cost page (tshCustPadr): the monthly standard cost of a service and its split by dish type.
// It owns the two grids laid out in its sheet, the month and dish-type datasets, the dish-type
// queries and the standard-cost authorization; the sheet itself and its menu item are the frame's.
#pragma once

#include <string>
#include <vector>

#include "platform/core/datetime.h"
#include "platform/data/dataset.h"
#include "platform/ui/controls.h"
#include "platform/ui/grids.h"
#include "service_screen/layout/binding.h"
#include "service_screen/pages/pagina.h"

namespace cad {

class PagCustPadr : public PaginaServ, public layout::service_screen::PagCustPadrComponents {
 public:
  using PaginaServ::PaginaServ;
  bool Mostra(const TTabSheet* aba) const override;
  TTabSheet* Substituta(const std::string& tipo) const override;
  void Entra() override;
  bool PodeSair(Saida saida) override;
  void SaiServico() override;
  void TrocaServico() override;
  void Inclui(TComponent& sender) override;
  void Altera(TComponent& sender) override;
  void Confirma() override;
  void Cancela() override;
  void Verifica() override;
  bool Exclui() override;
  void Procura(TComponent& sender) override;
  bool Editando() const override;
  void Avisa(Aviso aviso) override;

  // Handlers the layout names.
  void mnuCustPadrClick(TComponent& sender);
  void sbtAutomaticoClick(TComponent& sender);
  void cdsCustPadrBeforeInsert(DataSet& sender);
  void cdsCustPadrAfterInsert(DataSet& sender);
  void cdsCustPadrBeforeEdit(DataSet& sender);
  void cdsCustPadrBeforePost(DataSet& sender);
  void cdsCustPadrAfterPost(DataSet& sender);
  void cdsCustPadrAfterDelete(DataSet& sender);
  void cdsCustPadrBeforeScroll(DataSet& sender);
  void cdsCustPadrAfterScroll(DataSet& sender);
  void cdsCustPadrCalcFields(DataSet& sender);
  void cdsCustPadrTpBeforeInsert(DataSet& sender);
  void cdsCustPadrTpAfterInsert(DataSet& sender);
  void cdsCustPadrTpBeforeEdit(DataSet& sender);
  void cdsCustPadrTpBeforePost(DataSet& sender);
  void cdsCustPadrTpAfterDelete(DataSet& sender);
  void dtsCustPadrStateChange(DataSource& sender);
  void dtsCustPadrTpStateChange(DataSource& sender);
  void dbgCustPadrEnter(TComponent& sender);
  void dbgCustPadrColEnter(TComponent& sender);
  void dbgCustPadrColExit(TComponent& sender);
  void dbgCustPadrKeyDown(TComponent& sender, int& key, ShiftState shift);
  void dbgCustPadrKeyPress(TComponent& sender, std::string& key);
  void dbgCustPadrTpEnter(TComponent& sender);
  void dbgCustPadrTpExit(TComponent& sender);
  void dbgCustPadrTpColExit(TComponent& sender);
  void dbgCustPadrTpKeyDown(TComponent& sender, int& key, ShiftState shift);
  void dbgCustPadrTpKeyPress(TComponent& sender, std::string& key);
  void dbgCustPadrTpEditButtonClick(TComponent& sender);
  void dbgCustPadrTpDrawColumnCell(TComponent& sender, const TRect& rect, int dataCol, TColumn& column, unsigned state);

 private:
  // Fixed-branch mode: only search and verify, and those only with months listed.
  void SomenteConsulta(bool comLinhas);
  // The page fetches its data on its next entry.
  bool RecarregaCustPadr = true;
  // While a search, a delete or a refused entry into the branch panel moves the months, leaving a
  // month runs no sum check (and the next exit from the panel does not read the list again).
  bool PesquisaCusto = false;
  // The month's cost when its edit began (0 for a new month or a cost not above 0).
  long double VrCustPadrAnterior = 0;
  // The dish-type grid is read-only for the current month.
  bool TravaTipoPrato = false;
  // The dish-type codes already in the current month.
  std::vector<std::string> ListaTipoPrato;
  // The month saved is being found again: leaving it runs no sum check.
  bool RelocalizandoMes = false;

  // The standard-cost authorization of the operator (GetAutGrupACPS), read on every activation.
  void CarregaAutorizacao();
  // The operator holds the standard-cost authorization (or nobody holds it).
  bool TemAutorizacaoCusto();
  bool AutorizaCustoPadrao();
  DateTime MesProcessamento() const;
  bool PodeAutomatico() const;
  bool FocoNosTipos() const;
  void HabilitaAutomatico(bool habilita);
  // The navigator moves to another service only while nothing of the page is edited or waits to
  // be sent.
  void HabilitaNavegador(bool livre);
  std::string FiltroMes(const DataSet& mes) const;
  double SomaTiposMes();
  bool Vd_Soma();
  bool Vd_SomaAnterior();
  bool MenorDataProc();
  void FiltraTp();
  void Monta_Lista();
  void Confirma_CusTp();
  void Vd_Mes(bool obrigatorio);
  void Vd_Valor(bool obrigatorio);
  void Vd_TpPrato(bool obrigatorio);
  void Vd_CustoTP();
  [[noreturn]] void FalhaTipoPrato(const char* campo, const std::string& chave);
  void CarregaCustoPadrao();
  // The page's commands for the loaded months; consultaTrava runs the processing-month lock.
  void BotoesCustPadr(bool consultaTrava);
  void BotoesAposTipos();
  void BotoesSemMeses();
  void RateiaProporcional(double valor);
};

}  // namespace cad
