// Default menu configuration page (tshConfCard): the dish types a service's menu offers, in order.
// It owns what is laid out in its sheet (the catalogue lists, the grid stgCard and its buttons),
// cdsConfCard, cdsDelCard and the catalogue query; the sheet itself and its menu item are the frame's.
#pragma once

#include <string>

#include "platform/data/dataset.h"
#include "platform/ui/controls.h"
#include "platform/ui/grids.h"
#include "service_screen/layout/binding.h"
#include "service_screen/pages/pagina.h"

namespace cad {

class PagConfCard : public PaginaServ, public layout::service_screen::PagConfCardComponents {
 public:
  using PaginaServ::PaginaServ;
  bool Mostra(const TTabSheet* aba) const override;
  TTabSheet* Substituta(const std::string& tipo) const override;
  void Entra() override;
  void TrocaServico() override;
  void Altera(TComponent& sender) override;
  void Confirma() override;
  void Cancela() override;
  void Verifica() override;
  void Exporta() override;
  bool Editando() const override;
  void Avisa(Aviso aviso) override;

  // Handlers the layout names.
  void spbItemDirClick(TComponent& sender);
  void spbTodosDirClick(TComponent& sender);
  void sbtItemEsqClick(TComponent& sender);
  void sbtTodosEsqClick(TComponent& sender);
  void spbItemUpClick(TComponent& sender);
  void spbItemDownClick(TComponent& sender);
  void StgCardDblClick(TComponent& sender);
  void stgCardKeyDown(TComponent& sender, int& key, ShiftState shift);
  void stgCardKeyPress(TComponent& sender, std::string& key);
  void stgCardDrawCell(TComponent& sender, int col, int row, const TRect& rect, unsigned state);
  void lsbDisponiveisKeyDown(TComponent& sender, int& key, ShiftState shift);
  void sbtImportExportClick(TComponent& sender);
  void cdsConfCardBeforePost(DataSet& sender);
  void dtsConfCardStateChange(DataSource& sender);

 private:
  // "branch|service" whose lines the grid holds; another one loads on the page's next entry.
  std::string ConfCardCarregada;
  // The grid's header row and widths are written once, on the screen's first activation.
  bool CabecalhoEscrito = false;

  void CabecalhoConfCard();
  void ConfiguraColunas();
  // The aggregated branch moves no line and imports its central branch's configuration instead.
  void LayoutAgregada();
  std::string SimNao(bool sim) const;
  void LimpaGradeConf();
  void CarregaConf(bool recarregaLista);
  void RecarregaConf();
  void HabilitaExportaConf();
  bool AgregadaConf() const;
  void IniciaEdicaoConf();
  void AdicionaLinhaConf(int indice, bool percentual);
  void FimAdicaoConf();
  void RemoveLinhaConf(int linha);
  void MoveLinhaConf(int passo);
  int LarguraConf(int col) const;
  // Whether the service has packaging distribution or restriction settings (server check).
  bool ExisteDistrRest(const std::string& filial, const std::string& servico);
  bool AceitaExcluirDistrRest();
  void GravaConfCard();
};

}  // namespace cad
