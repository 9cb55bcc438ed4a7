// The list and form pages (tshFolhaDados, tshFormulario): the service record on the form (its
// controls, lookups, checks and events) and its billing setup (billing mode and the
// billing-by-equivalence grid). The frame keeps the list itself (cdsServico, its scroll events and
// its save); this page owns the record's events and the form's components.
#pragma once

#include <string>
#include <vector>

#include "service_screen/layout/binding.h"
#include "service_screen/pages/pagina.h"

namespace cad {

class PagServico : public PaginaServ, public layout::service_screen::PagServicoComponents {
 public:
  explicit PagServico(TfrmCadastroServ& tela);
  bool Mostra(const TTabSheet* aba) const override;
  void Entra() override;
  void TrocaServico() override;
  void Inclui(TComponent& sender) override;
  void Altera(TComponent& sender) override;
  void Confirma() override;
  void Cancela() override;
  void Verifica() override;
  bool Exclui() override;
  void Procura(TComponent& sender) override;
  void EstadoServico() override;
  void Avisa(Aviso aviso) override;

  // ---- the service record's events (pages/servico_registro.cpp)
  void cdsServicoNewRecord(DataSet& sender);
  void cdsServicoAfterInsert(DataSet& sender);
  void cdsServicoBeforePost(DataSet& sender);
  void cdsServicoAfterPost(DataSet& sender);
  void cdsServicoIDTPSERVHOSPGetText(Field& sender, std::string& text, bool displayText);
  void cdsServicoIDTPSERVHOSPSetText(Field& sender, const std::string& text);

  // ---- the record's controls and lookups (pages/servico_registro.cpp)
  void dbeCdServFiliExit(TComponent& sender);
  void dbeCdServFiliKeyPress(TComponent& sender, std::string& key);
  void dbeCdGrupServExit(TComponent& sender);
  void dbeCdGrupServChange(TComponent& sender);
  void dbeCdProdutoExit(TComponent& sender);
  void dbeCdProdutoChange(TComponent& sender);
  void dbeCdRotaExit(TComponent& sender);
  void dbeCdRotaChange(TComponent& sender);
  void dbeCdPadIntExit(TComponent& sender);
  void dbeCdPadIntChange(TComponent& sender);
  void dbeHrEntregaExit(TComponent& sender);
  void medCdServicoExit(TComponent& sender);
  void medCdServicoChange(TComponent& sender);
  void dckUtilReqRetiClick(TComponent& sender);
  void dckUtilReqPratoClick(TComponent& sender);
  void dbkConFixPerClick(TComponent& sender);
  void drgTipoServChange(TComponent& sender);
  void btnGrupServBeforePesq(TComponent& sender);
  void btnGrupServAfterPesq(TComponent& sender);
  void btnRotaBeforePesq(TComponent& sender);
  void btnRotaAfterPesq(TComponent& sender);
  void btpServicoBeforePesq(TComponent& sender);
  void btpServicoAfterPesq(TComponent& sender);
  void btpPadrIntBeforePesq(TComponent& sender);
  void btpPadrIntAfterPesq(TComponent& sender);
  void btnServicoBeforePesq(TComponent& sender);
  void btnServicoAfterPesq(TComponent& sender);
  void btnPesqProdClick(TComponent& sender);

  // ---- billing setup (pages/servico_faturamento.cpp)
  void dbgServFatuEditButtonClick(TComponent& sender);
  void dbgServFatuKeyPress(TComponent& sender, std::string& key);
  void dbgServFatuKeyDown(TComponent& sender, int& key, ShiftState shift);
  void dbgServFatuColExit(TComponent& sender);
  void dbgServFatuExit(TComponent& sender);
  void grbServFatuEnter(TComponent& sender);
  void grbServFatuExit(TComponent& sender);
  void dtsServFatuStateChange(DataSource& sender);
  void cdsServFatuBeforeInsert(DataSet& sender);
  void cdsServFatuBeforeEdit(DataSet& sender);
  void cdsServFatuBeforePost(DataSet& sender);
  void cdsServFatuBeforeDelete(DataSet& sender);
  void cdsServFatuAfterPost(DataSet& sender);
  void cdsServFatuAfterCancel(DataSet& sender);
  void dbServFatVarClick(TComponent& sender);

 private:
  // ---- the list and form commands (pages/servico.cpp)
  // The list and form pages' buttons when one of them becomes the active page.
  void BotoesListaFormulario();
  // The record's controls for the state of the service list.
  void ControlesServico();
  // The list's main-service editor follows the record (the frame's dtsPadrao data change).
  void dtsPadraoDataChange(DataSource& sender, Field* field);
  // medCdServico and edtNmServico from the record's CDSERVPREQUI.
  void MostraServicoPrincipal();
  // The form's controls for the module and the session, once the screen is created.
  void PreparaFormulario();
  bool ExcluiServFatu();

  // ---- the service record (pages/servico_registro.cpp)
  void Vd_CdServFili(bool obrigatorio);
  void Vd_NmServFili(bool obrigatorio);
  void Vd_GrupServ(bool obrigatorio);
  void Vd_CdServAgre();
  void Vd_CdProduto(bool obrigatorio);
  void Vd_HrInicAten(bool obrigatorio);
  void Vd_Hora_ServdIni();
  void Vd_Hora_ServdFim();
  void Vd_Hora_Entrega();
  void Vd_CdRota(bool obrigatorio);
  void Vd_ServicoPrinc();
  void Vd_PadInt();
  // "Hora_deve" with the value in an information dialog, the focus on the editor, abort.
  [[noreturn]] void HoraInvalida(TControl* foco, const std::string& valor);
  // The serving and delivery hours: empty passes; otherwise a valid time of four digits.
  void Vd_Hora(const char* field, TControl* editor);
  // Writes a field of the current service only when it changes (an empty text clears it), so no
  // change event runs for nothing.
  void AtribuiCampo(const char* field, const std::string& value);

  // ---- billing setup (pages/servico_faturamento.cpp)
  // Switches the form between billing mode (type "F") and planning mode.
  void Habilita_Faturamento();
  void Vd_ServFatu(bool obrigatorio);
  // The commands of the billing-service group (entering it, after a row is saved or cancelled).
  void BotoesServFatu();
  // "Faturar serviço em nota separada": open exactly while the billing value varies by date.
  void HabilitaNotaSeparada(bool valorVariavel);

  // True while code (not the user) changes the record's check boxes.
  bool SuspendeCliques = false;
};

}  // namespace cad
