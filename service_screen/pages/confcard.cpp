// Default menu configuration page (tshConfCard) of TfrmCadastroServ: the column layout of the
// configuration grid stgCard, and the page's entry points that the screen frame calls. The
// grid's rows, their editing and the save arrive with the page's own work; until then the page
// loads nothing and offers no command.
#include "platform/framework/session.h"
#include "service_screen/cadastroserv.h"
#include "service_screen/module.h"

namespace cad {

namespace {

constexpr int kOculta = -1;

}  // namespace

// Which columns show: the hospital modules hide the standard-menu columns; standard-menu mode
// shows the variable and visible flags and, for an aggregated branch, the weekdays.
void TfrmCadastroServ::ConfiguraColunas() {
  auto largura = [this](int from, int to, int width) {
    for (int c = from; c <= to; ++c) stgCard->SetColWidths(c, width);
  };
  if (Geral::ModuloHospitalar()) {
    largura(7, 17, kOculta);
  } else if (TpConfPadrao == "S") {
    largura(6, 6, kOculta);
    largura(7, 8, 45);
    largura(9, 9, 105);
    bool semanal = Campo(*qryFilial, "IDFILCENTPME") == "N" && !Campo(*qryFilial, "CDFILCENTPME").empty();
    largura(10, 17, semanal ? 45 : kOculta);
  } else {
    largura(6, 8, kOculta);
    largura(9, 9, 105);
    largura(10, 17, kOculta);
  }
}

// Loads cdsConfCard and the grid; filled by the default-menu-configuration page.
void TfrmCadastroServ::CarregaConf(bool) {}

// Entering the page. Its loading and commands arrive with the page; meanwhile no command applies.
void TfrmCadastroServ::EntraConfCard() {
  sbtExportComens->SetHint("Exportação de Configuração Padrão");
  if (FilialFixa)
    for (TControl* c : std::initializer_list<TControl*>{grbTipoPrat, spbItemDir, spbTodosDir, sbtItemEsq, sbtTodosEsq,
                                                         lsbCdDisponiveis, lsbDisponiveis, spbItemUp, spbItemDown,
                                                         sbtImportExport})
      c->SetEnabled(false);
  sbtExportComens->SetEnabled(false);
  mnuExpConfiguracaoPadr->SetEnabled(false);
  ChangeButtons(false, false, false, false, false, false);
}

// The selected service changed while the page is active; filled by the default-menu-configuration page.
void TfrmCadastroServ::ConfCardTrocaServico() {}

}  // namespace cad
