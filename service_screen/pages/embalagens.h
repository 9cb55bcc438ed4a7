// Packaging page (tshEmbalagens): the distribution of dish types into packages and the packaging restrictions.
#pragma once

#include <string>
#include <vector>

#include "service_screen/layout/binding.h"
#include "service_screen/pages/pagina.h"

namespace cad {

class PagEmbalagens : public PaginaServ, public layout::service_screen::PagEmbalagensComponents {
 public:
  using PaginaServ::PaginaServ;
  bool Mostra(const TTabSheet* aba) const override;
  bool Serve(const std::string& tipo) const override;
  void Entra() override;
  void ServicoMostrado() override;
  void Inclui(TComponent& sender) override;
  void Altera(TComponent& sender) override;
  void Confirma() override;
  void Cancela() override;
  void Verifica() override;
  bool Exclui() override;
  void Procura(TComponent& sender) override;
  void Avisa(Aviso aviso) override;

  // Handlers the layout names (the import/export ones are the frame's toolbar button and menus').
  void cmbDistrPEntregaEnter(TComponent& sender);
  void cmbDistrPEntregaChange(TComponent& sender);
  void cdsDistrEmbBeforeInsert(DataSet& ds);
  void cdsDistrEmbNewRecord(DataSet& ds);
  void cdsDistrEmbAfterEdit(DataSet& ds);
  void cdsDistrEmbBeforePost(DataSet& ds);
  void cdsDistrEmbAfterPost(DataSet& ds);
  void cdsDistrEmbBeforeDelete(DataSet& ds);
  void cdsDistrEmbAfterDelete(DataSet& ds);
  void cdsDistrEmbAfterScroll(DataSet& ds);
  void cdsDistrEmbCDCNFDISTEMBSERVChange(Field& f);
  void cdsDistrTpPratBeforeInsert(DataSet& ds);
  void dtsDistrEmbStateChange(DataSource& sender);
  void dbgDistrEmbColEnter(TComponent& sender);
  void dbgDistrEmbColExit(TComponent& sender);
  void dbgDistrEmbEditButtonClick(TComponent& sender);
  void dbgDistrEmbKeyDown(TComponent& sender, int& key, ShiftState shift);
  void dbgDistrEmbKeyPress(TComponent& sender, std::string& key);
  void dbgDistrTpPratKeyDown(TComponent& sender, int& key, ShiftState shift);
  void btnAddDistrTpPratClick(TComponent& sender);
  void btnAddTDistrTpPratClick(TComponent& sender);
  void btnDelDistrTpPratClick(TComponent& sender);
  void btnDelTDistrTpPratClick(TComponent& sender);
  void pgcEmbalagensChange(TComponent& sender);
  void mnuImportRestClick(TComponent& sender);
  void sbtImportExportConfClick(TComponent& sender);
  void cmbRestFiltroPEntregaChange(TComponent& sender);
  void cmbRestFiltroCatChange(TComponent& sender);
  void cdsRestTpPratAfterScroll(DataSet& ds);
  void cdsRestricoesBeforeInsert(DataSet& ds);
  void cdsRestricoesNewRecord(DataSet& ds);
  void cdsRestricoesAfterInsert(DataSet& ds);
  void cdsRestricoesAfterEdit(DataSet& ds);
  void cdsRestricoesBeforePost(DataSet& ds);
  void cdsRestricoesAfterPost(DataSet& ds);
  void cdsRestricoesAfterCancel(DataSet& ds);
  void cdsRestricoesAfterScroll(DataSet& ds);
  void cdsRestricoesCDCONTAINERChange(Field& f);
  void dbgRestricoesColEnter(TComponent& sender);
  void dbgRestricoesColExit(TComponent& sender);
  void dbgRestricoesEditButtonClick(TComponent& sender);
  void dbgPadraoKeyDown(TComponent& sender, int& key, ShiftState shift);
  void dbgRestricoesKeyPress(TComponent& sender, std::string& key);
  void sbtRestricaoUpClick(TComponent& sender);
  void sbtRestricaoDownClick(TComponent& sender);

 private:
  // One key per item of the delivery-point lists ("" for item 0, the service itself; else
  // client code + "_" + delivery-point code) and one per item of the category filter.
  std::vector<std::string> ChavesPEntrega, ChavesCategoria;
  // The restriction number of the list shown (0 while it has no row).
  double NrRestricao = 0;
  // While false, the dish-type lists refuse inserts and edits (only the moves write them).
  bool MovendoTpPrat = false;

  // At creation: the page's lists open empty, the controls set.
  void PreparaEmbalagens();
  // The enabled state of the page's controls, of the screen's commands and of the other pages.
  void HabilitaEmbalagens();
  // Whether the current service is a transported corporate one, the only kind with packaging.
  bool Transportado();
  // Both delivery-point lists and their keys, read while the page is shown.
  void GetPEntregaRest();
  // The selected service changed while the page is active: its lists, for the service itself.
  void EmbalagensTrocaServico();
  // Splits the key of a delivery-point list item into client and delivery-point codes.
  void ChavePEntrega(const TComboBox& combo, std::string& cliente, std::string& destino) const;
  // Distribution: loading, the package code check and lookup, moves of dish types.
  void GetDadosDistribuicao(double grupo);
  void GetVdDistrEmb(const std::string& codigo);
  void VdDistrEmb(bool informaVazio);
  void SetDistrEmb();
  void DelDistrEmb();
  // Moves the current row of one dish-type list into the other (true: into the package).
  void MoveTpPrat(bool paraEmbalagem, bool todos);
  void BotaoCodigo(TDBGrid* grade, DataSet& ds, const char* campo);
  // Restrictions: categories, dish types, rows, checks and the save of the list.
  void GetCategoriaRest();
  void GetTiposPratoRest(double seqCnfCard);
  void GetRestricoes();
  void GetVdEmbRestricao(const std::string& codigo);
  void VdEmbRestricao(bool informaVazio);
  void VdRestricao();
  void GravaRestricoes();
  void MoveRestricao(bool paraCima);
  // Opens a transfer side screen on the selected delivery point; reloads when it changed something.
  void ChamaImportExport(const std::string& entrada, bool restricao);
};

}  // namespace cad
