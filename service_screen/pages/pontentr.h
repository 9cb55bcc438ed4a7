// Clients and delivery points page (tshPontEntr): the clients of a corporate service and their delivery points.
#pragma once

#include "service_screen/layout/binding.h"
#include "service_screen/pages/pagina.h"

namespace cad {

class PagPontEntr : public PaginaServ, public layout::service_screen::PagPontEntrComponents {
 public:
  using PaginaServ::PaginaServ;
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
  void Verifica() override;
  bool Exclui() override;
  void Procura(TComponent& sender) override;
  bool Editando() const override;
  void Avisa(Aviso aviso) override;

  // Handlers the layout names.
  void cdsClienteBeforeInsert(DataSet& sender);
  void cdsClienteNewRecord(DataSet& sender);
  void cdsClienteBeforeEdit(DataSet& sender);
  void cdsClienteAfterScroll(DataSet& sender);
  void cdsClienteBeforePost(DataSet& sender);
  void cdsClienteAfterPost(DataSet& sender);
  void cdsClienteAfterCancel(DataSet& sender);
  void cdsClienteBeforeScroll(DataSet& sender);
  void cdsPEntClieBeforeInsert(DataSet& sender);
  void cdsPEntClieNewRecord(DataSet& sender);
  void cdsPEntClieBeforePost(DataSet& sender);
  void cdsPEntClieAfterPost(DataSet& sender);
  void cdsPEntClieAfterCancel(DataSet& sender);
  void cdsPEntClieAfterDelete(DataSet& sender);
  void cdsClienteNRINSJURCLIEGetText(Field& sender, std::string& text, bool displayText);
  void cdsPesqClieNRINSJURCLIEGetText(Field& sender, std::string& text, bool displayText);
  void cdsPEntClieCDDESTFILIGetText(Field& sender, std::string& text, bool displayText);
  void dtsClienteStateChange(DataSource& sender);
  void dtsPEntClieStateChange(DataSource& sender);
  void dbgClienteEnter(TComponent& sender);
  void dbgClienteColExit(TComponent& sender);
  void dbgClienteKeyDown(TComponent& sender, int& key, ShiftState shift);
  void dbgClienteEditButtonClick(TComponent& sender);
  void dbgPontEntrEnter(TComponent& sender);
  void dbgPontEntrColExit(TComponent& sender);
  void dbgPontEntrKeyDown(TComponent& sender, int& key, ShiftState shift);
  void dbgPontEntrKeyPress(TComponent& sender, std::string& key);
  void dbgPontEntrEditButtonClick(TComponent& sender);

 private:
  // Delivery-point diners changed: leaving the page offers them to the client estimates.
  bool AlterouPEntr = false;
  // Leaving the page: the day sums offered to the client estimates when points changed.
  void SaiPontEntr();
  // Both lists from GetPontEntr under the progress display, then the current client's points.
  void CarregaPontEntr();
  // The delivery points of the current client only (closed when there is none).
  void FiltraPontEntr();
  void TerminaPontoAntesDoCliente();
  void Vd_Cliente(bool obrigatorio);
  void Vd_PontEntr(bool obrigatorio);
  // Sends the change log of cdsPEntClie with UpdPontoEntr; a refusal undoes it on screen.
  void GravaPontEntr();
  // Reloads the lists when the current client has no point left on screen.
  void DescartaClienteSemPontos();
  // The commands of the page for the state of the focused grid's dataset.
  void BotoesPontEntr();
};

}  // namespace cad
