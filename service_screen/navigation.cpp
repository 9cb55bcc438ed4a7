// Service selection and page navigation of TfrmCadastroServ: what happens before and after the
// selected service changes, the reload of the service list, leaving and entering pages, the page
// menu handlers and the screen's include, alter, cancel, search and print handlers. Each page's
// own loading and button rules live in its unit under pages/; this unit fixes when they run.
//
// Invariants: a move to another service corrects the active page to one its type has before that
// page loads; every remote call shown under the progress display hides it on every way out.
#include <string>

#include "platform/core/errors.h"
#include "platform/framework/consiste.h"
#include "platform/framework/lookups.h"
#include "platform/framework/session.h"
#include "platform/framework/showavi.h"
#include "service_screen/cadastroserv.h"
#include "service_screen/module.h"

namespace cad {

// ---------------------------------------------------------------- service selection

void TfrmCadastroServ::cdsServicoBeforeScroll(DataSet&) {
  TTabSheet* page = pgcPadrao->ActivePage();
  if (page == tshTurnos) {
    Vd_Turno();
    SaiGradeTurno();
  }
  if (page == tshCustPadr) {
    if (!Vd_Soma()) Abort();
    CustPadrSaiServico();
  }
}

void TfrmCadastroServ::cdsServicoAfterScroll(DataSet&) {
  std::string tipo = TipoServico();
  bool navegando = cdsServico->State() == DataSetState::Browse;

  // A page the service type does not have gives way to one it has.
  TTabSheet* page = pgcPadrao->ActivePage();
  TTabSheet* corrigida = nullptr;
  if (tipo == "F" && (page == tshConfCard || page == tshCustPadr || page == tshTurnos || page == tshComensais || page == tshPontEntr))
    corrigida = tshFolhaDados;
  else if ((tipo == "D" || tipo == "A") && page == tshTurnos)
    corrigida = tshCustPadr;
  else if ((tipo == "D" || tipo == "A") && page == tshPontEntr)
    corrigida = tshComensais;
  if (corrigida) {
    pgcPadrao->SetActivePage(corrigida);
    if (corrigida == tshFolhaDados) BotoesListaFormulario();
  }
  MarcaMenuPagina();
  page = pgcPadrao->ActivePage();

  // Shifts and delivery points belong to a browsed corporate service; the hospital kind to the
  // planned types, never in fixed-branch mode.
  bool corporativo = tipo == "N" && navegando;
  tshTurnos->SetEnabled(corporativo);
  mnuTurnos->SetEnabled(corporativo);
  tshPontEntr->SetEnabled(corporativo);
  mnuPontEntr->SetEnabled(corporativo);
  bool especificacao = !FilialFixa && (tipo == "D" || tipo == "A" || tipo == "N");
  dbcTipoServ->SetEnabled(especificacao);
  lblEspeci->SetEnabled(especificacao);

  // Every reloadable page fetches its data again for this service; a change of the previous
  // service's delivery points is never offered to this one.
  RecarregaTurno = RecarregaComeDiet = true;
  RecarregaCustPadr = true;
  AlterouPEntr = false;

  // The active page loads at once.
  if (page == tshConfCard) ConfCardTrocaServico();
  if (page == tshComensais) ComensaisTrocaServico();
  if (page == tshTurnos && tshTurnos->Enabled()) TurnosTrocaServico();
  if (page == tshCustPadr) CustPadrTrocaServico();
  if (page == tshPontEntr && tshPontEntr->Enabled()) PontEntrTrocaServico();

  // The main billed service; a service billed under a main one has no equivalences of its own.
  MostraServicoPrincipal();
  if (tipo != "F") {
    bool semPrincipal = Campo(*cdsServico, "CDSERVPREQUI").empty();
    grbServFatu->SetEnabled(semPrincipal);
    // Labels of controls that cannot change data stay off in fixed-branch mode.
    lblServFatu->SetEnabled(semPrincipal && !FilialFixa);
  } else if (page == tshFormulario && !FilialFixa && dbeNmFantasServ->CanFocus()) {
    dbeNmFantasServ->SetFocus();
  }

  // The form page shows the billing services of this service.
  if (page == tshFormulario) {
    {
      ShowAviGuard avi(this, 0);
      Variant servFatu = Consiste::CheckResultServ(netCadastroServ.Call(
          "GetServFatu", {Campo(*cdsServico, "CDFILIAL"), Campo(*cdsServico, "CDSERVFILI")}));
      CarregaPacote(*cdsServFatu, servFatu, "GetServFatu");
    }
    if (dbgServFatu->Focused()) grbServFatuEnter(*grbServFatu);
  }

  // A billing-only service resets the billing controls; the others open the pages of their type
  // unless the record is being edited.
  if (tipo == "F")
    Habilita_Faturamento();
  else if (ServicoEmEdicao())
    Habilita_Pagina(false);
  else if (!cdsServico->IsEmpty())
    Habilita_Pagina(true);

  // The packaging page stays only for a transported corporate service.
  if (page == tshEmbalagens) {
    EmbalagensTrocaServico();
    HabilitaEmbalagens();
    if (!(tipo == "N" && Campo(*cdsServico, "IDSERVTRAN") == "S")) {
      pgcPadrao->SetActivePage(tshFolhaDados);
      MarcaMenuPagina();
      BotoesListaFormulario();
      // Off the page: its import/export command goes off with it.
      HabilitaEmbalagens();
    }
  }

  // The delivery points of the restriction filter, whatever the page; the separate invoice
  // follows the service's variable billing value.
  GetPEntregaRest();
  HabilitaNotaSeparada(Campo(*cdsServico, "IDVLRVARDATA") == "S");
}

void TfrmCadastroServ::GetServicos(const std::string& grupo) {
  ShowAviGuard avi(this, 6, Msg("get_cdsServico"));
  Variant servicos = netCadastroServ.Call("GetServico", {CodFilial(), grupo});
  CarregaPacote(*cdsServico, servicos, "GetServico");
}

// ---------------------------------------------------------------- pages

void TfrmCadastroServ::MarcaMenuPagina() {
  for (auto [sheet, menu] : Paginas()) menu->SetChecked(pgcPadrao->ActivePage() == sheet);
}

void TfrmCadastroServ::BotoesListaFormulario() {
  if (!cdsServico->Active()) return;
  if (FilialFixa)
    ChangeButtons(false, false, false, true, true, false);
  else
    ChangeButtons(true, true, true, true, true, false);
}

void TfrmCadastroServ::pgcPadraoChanging(TComponent&, bool& allowChange) {
  allowChange = true;
  TTabSheet* page = pgcPadrao->ActivePage();
  if (page == tshTurnos) {
    try {
      Vd_Turno();
    } catch (const EAbort&) {
      allowChange = false;
      return;
    } catch (const std::exception& e) {
      Consiste::MensErro(e.what(), false);
      allowChange = false;
      return;
    }
  }
  if (page == tshCustPadr) {
    if (EmEdicao(*cdsCustPadrTp)) cdsCustPadrTp->Post();
    if (!Vd_Soma()) {
      allowChange = false;
      return;
    }
  }
  if (page == tshPontEntr) SaiPontEntr();
  if (page == tshComensais) tshComensaisExit(*tshComensais);
}

void TfrmCadastroServ::pgcPadraoChange(TComponent& sender) {
  TfrmPadrao::pgcPadraoChange(sender);
  TTabSheet* page = pgcPadrao->ActivePage();
  std::string tipo = TipoServico();

  // The branch parameters of the branch on screen.
  ParametrosFilial(CodFilial());

  // The fantasy name is listed on every page but the list; diners export to other diets only for
  // a non-corporate service.
  cdsServico->FieldByName("NMFANTASSERV").Visible = page != tshFolhaDados;
  MarcaMenuPagina();
  HabilitaExportaDietas();

  // Toolbar: nothing that changes data in fixed-branch mode.
  if (FilialFixa) {
    sbtAutomatico->SetEnabled(false);
    sbtExportComens->SetEnabled(false);
    sbtCopiar->SetEnabled(false);
  } else {
    // Side-screen commands only once the module has the side screen.
    sbtCopiar->SetEnabled(PodeCopiar());
    sbtAutomatico->SetEnabled(page == tshCustPadr && TemEntrada("CriaCAutoCPadrao"));
    sbtExportComens->SetEnabled(page == tshComensais && TemEntrada("CriaExpComDiet"));
  }
  mnuCopiar->SetEnabled(sbtCopiar->Enabled());
  mnuCadaAuto->SetEnabled(sbtAutomatico->Enabled());
  mnuExportComens->SetEnabled(sbtExportComens->Enabled());
  mnuExpComCard->SetEnabled(mnuExportComens->Enabled());

  // The list and form pages.
  if ((page == tshFolhaDados || page == tshFormulario) && !medCdFilial->Focused()) BotoesListaFormulario();

  // The form page shows the billing services of the selected service; in fixed-branch mode nothing
  // on it can be changed.
  if (page == tshFormulario && cdsServico->Active()) {
    {
      ShowAviGuard avi(this, 0);
      Variant servFatu = Consiste::CheckResultServ(netCadastroServ.Call(
          "GetServFatu", {Campo(*cdsServico, "CDFILIAL"), Campo(*cdsServico, "CDSERVFILI")}));
      CarregaPacote(*cdsServFatu, servFatu, "GetServFatu");
    }
    if (FilialFixa) {
      for (TControl* c : std::initializer_list<TControl*>{
               dbeCdServFili, dbeNmServico, dbeNmFantasServ, dbeNmServicoRedu, dbeCdGrupServ, btnGrupServ, btpServico,
               drgTipoServ, dbcTipoServ, dbeIniAtend, dbePeriServDe, dbePeriServAte, dbeHrEntrega, dbeCdRota, btnRota,
               dbeCdPadInt, btpPadrInt, dbePreco, dbeCdProduto, btnPesqProd, dckUtilReqReti, dbkConsSerCar, dbkConFixPer,
               dckUtilReqPrato, dckBloqAlt, dbConsFatPla, dbkServPrinc, dckServTran, dbkDepLiber, dbkBloqProdReti,
               dbServFatVar, dbFatServSep, medCdServico, btnServico})
        c->SetEnabled(false);
      cdsServFatu->ReadOnly = true;
      if (TColumn* col = dbgServFatu->ColumnByField("CDSERVICFATURAM")) {
        col->ButtonStyle = TColumnButtonStyle::cbsNone;
        dbgServFatu->ColumnsChanged();
      }
    }
  }

  // The other pages load and set their commands in their own units.
  if (page == tshConfCard)
    EntraConfCard();
  else
    mnuExpConfiguracaoPadr->SetEnabled(false);
  if (page == tshCustPadr) EntraCustPadr();
  if (page == tshTurnos) EntraTurnos();
  if (page == tshComensais) EntraComensais();
  if (page == tshPontEntr) EntraPontEntr();
  if (page == tshEmbalagens) EntraEmbalagens();

  // Packaging and billing controls on every page.
  HabilitaEmbalagens();
  Habilita_Faturamento();
}

void TfrmCadastroServ::IrParaPagina(TTabSheet* page, bool consisteSaida) {
  if (pgcPadrao->ActivePage() == page) return;
  if (consisteSaida) {
    bool permite = true;
    pgcPadraoChanging(*pgcPadrao, permite);
    if (!permite) return;
  }
  pgcPadrao->SetActivePage(page);
  pgcPadraoChange(*pgcPadrao);
}

void TfrmCadastroServ::mnuFolhaDadosClick(TComponent&) {
  if (!ServicoEmEdicao()) IrParaPagina(tshFolhaDados, true);
}

void TfrmCadastroServ::mnuFormularioClick(TComponent&) {
  if (!ServicoEmEdicao()) IrParaPagina(tshFormulario, true);
}

// Only while a command of the current page is free (nothing is being edited there), or in
// fixed-branch mode, where no command ever is.
void TfrmCadastroServ::mnuConfCardClick(TComponent&) {
  if (mnuAlterar->Enabled() || mnuIncluir->Enabled() || FilialFixa) IrParaPagina(tshConfCard, true);
}

void TfrmCadastroServ::mnuCustPadrClick(TComponent&) {
  if (!EmEdicao(*cdsCustPadr)) IrParaPagina(tshCustPadr, true);
}

void TfrmCadastroServ::mnuTurnosClick(TComponent&) {
  if (!EmEdicao(*cdsTurno)) IrParaPagina(tshTurnos, false);
}

void TfrmCadastroServ::mnuComensClick(TComponent&) {
  if (!ServicoEmEdicao()) IrParaPagina(tshComensais, true);
}

void TfrmCadastroServ::mnuPontEntrClick(TComponent&) {
  if (!ServicoEmEdicao() && !EmEdicao(*cdsCliente) && !EmEdicao(*cdsPEntClie)) IrParaPagina(tshPontEntr, true);
}

void TfrmCadastroServ::mnuEmbalagensClick(TComponent&) { IrParaPagina(tshEmbalagens, false); }

void TfrmCadastroServ::pgcPadraoEnter(TComponent&) {
  if (pgcPadrao->ActivePage() == tshTurnos && ServicoEmEdicao()) Habilita_Faturamento();
}

void TfrmCadastroServ::dbnPadraoClick(TComponent&, TNavigateBtn) { Habilita_Faturamento(); }

// ---------------------------------------------------------------- operation commands

void TfrmCadastroServ::getParamPlaneja() {
  Variant parametros = Consiste::CheckResultServ(netCadastroServ.Call("getParamPlaneja", {medCdFilial->Text()}));
  CarregaPacote(*cdsParamPlaneja, parametros, "getParamPlaneja");
  if (cdsParamPlaneja->IsEmpty()) Erro("N_PARAM_PLANEJA");
}

void TfrmCadastroServ::sbtIncluirClick(TComponent& sender) {
  TTabSheet* page = pgcPadrao->ActivePage();
  if (page == tshFolhaDados || page == tshFormulario || page == tshComensais) {
    getParamPlaneja();
    tshFormulario->SetEnabled(true);
    mnuFormulario->SetEnabled(true);
    dbkConFixPer->SetEnabled(true);
    dbkConFixPer->SetChecked(false);
    if (dbgServFatu->Focused()) {
      dbgServFatu->SetSelectedField(cdsServFatu->FindField("CDSERVICFATURAM"));
      if (!EmEdicao(*cdsServFatu)) cdsServFatu->Insert();
    } else {
      // The new service is typed on the form page.
      if (page == tshFolhaDados) IrParaPagina(tshFormulario, true);
      if (pgcPadrao->ActivePage() != tshFolhaDados) {
        TfrmPadrao::sbtIncluirClick(sender);
        if (dbeCdServFili->CanFocus()) dbeCdServFili->SetFocus();
      }
    }
  }
  if (page == tshTurnos && cdsTurno->Active() && cdsTurno->State() == DataSetState::Browse) {
    Foca(dbgTurno);
    cdsTurno->Insert();
    dbgTurno->SetSelectedField(cdsTurno->FindField("NMTURNO"));
  }
  if (page == tshCustPadr) IncluiCustPadr();
  if (page == tshEmbalagens) IncluiEmbalagem();
  if (page == tshPontEntr) IncluiPontEntr();
  dbnPadrao->SetEnabled(false);
}

void TfrmCadastroServ::sbtAlterarClick(TComponent& sender) {
  HabilitaPainelFilial(false);
  TTabSheet* page = pgcPadrao->ActivePage();
  if (page == tshFolhaDados || page == tshFormulario) {
    if (dbgServFatu->Focused()) {
      dbgServFatu->SetSelectedField(cdsServFatu->FindField("CDSERVFILI"));
      if (!EmEdicao(*cdsServFatu)) cdsServFatu->Edit();
    } else {
      // The service is altered on the form page.
      if (page == tshFolhaDados) IrParaPagina(tshFormulario, true);
      if (pgcPadrao->ActivePage() != tshFolhaDados) {
        TfrmPadrao::sbtAlterarClick(sender);
        for (TControl* c : std::initializer_list<TControl*>{dbeNmServico, dbeIniAtend, dbeNmFantasServ})
          if (c->CanFocus()) {
            c->SetFocus();
            break;
          }
      }
    }
  } else if (page == tshComensais) {
    if (drgTipoServ->ItemIndex() == 0)
      TfrmPadrao::sbtAlterarClick(sender);
    else if (cdsDietServ->State() == DataSetState::Browse)
      cdsDietServ->Edit();
  } else if (page == tshTurnos) {
    if (cdsTurno->Active() && cdsTurno->State() == DataSetState::Browse && !cdsTurno->IsEmpty()) {
      Foca(dbgTurno);
      cdsTurno->Edit();
      dbgTurno->SetSelectedField(cdsTurno->FindField("NMTURNO"));
    }
  } else if (page == tshPontEntr) {
    AlteraPontEntr();
  }
  if (page == tshCustPadr) AlteraCustPadr();
  if (page == tshConfCard) AlteraConfCard();
  if (page == tshEmbalagens) AlteraEmbalagem();
  dbnPadrao->SetEnabled(false);
}

void TfrmCadastroServ::sbtCancelarClick(TComponent&) {
  if (!ConfirmaCancelamento()) return;
  TTabSheet* page = pgcPadrao->ActivePage();
  if (page == tshCustPadr) CancelaCustPadr();
  if (page == tshFolhaDados || page == tshFormulario || page == tshComensais) {
    if (dbgServFatu->Focused()) {
      if (EmEdicao(*cdsServFatu)) {
        cdsServFatu->Cancel();
        if (page == tshFormulario) grbServFatuEnter(*grbServFatu);
      }
    } else {
      CancelaRegistro();
      if (cdsServico->Active() && cdsServico->IsEmpty()) {
        tshFolhaDados->SetEnabled(true);
        mnuFolhaDados->SetEnabled(true);
        IrParaPagina(tshFolhaDados, false);
        tshFormulario->SetEnabled(false);
        mnuFormulario->SetEnabled(false);
        ChangeButtons(!FilialFixa, false, false, false, false, false);
      }
    }
    if (page == tshComensais && nbkComensais->PageIndex() == 1) CancelaDieta();
  }
  if (page == tshTurnos && EmEdicao(*cdsTurno)) cdsTurno->Cancel();
  if (page == tshConfCard) CancelaConfCard();
  if (page == tshEmbalagens) CancelaEmbalagem();
  if (page == tshPontEntr) CancelaPontEntr();
  HabilitaNavegacao();
}

void TfrmCadastroServ::HabilitaNavegacao() {
  bool livre = cdsServico->State() == DataSetState::Browse && !cdsServico->IsEmpty() &&
               cdsCustPadrTp->ChangeCount() == 0;
  for (DataSet* ds : std::initializer_list<DataSet*>{cdsCustPadr, cdsTurno, cdsDietServ, cdsCliente, cdsPEntClie, cdsConfCard})
    livre = livre && !EmEdicao(*ds);
  dbnPadrao->SetEnabled(livre);
}

void TfrmCadastroServ::sbtProcurarClick(TComponent& sender) {
  TTabSheet* page = pgcPadrao->ActivePage();
  if (page == tshFolhaDados || page == tshFormulario) {
    cdsServico->FieldByName("NMFANTASSERV").Visible = page == tshFormulario;
    if (dbgServFatu->Focused())
      Procurar::Procura(*cdsServFatu);
    else
      TfrmPadrao::sbtProcurarClick(sender);
  }
  if (page == tshTurnos && cdsTurno->Active()) Procurar::Procura(*cdsTurno);
  if (page == tshCustPadr) ProcuraCustPadr();
  if (page == tshEmbalagens) ProcuraEmbalagem();
  if (page == tshPontEntr) ProcuraPontEntr();
}

// The service listing report is a side screen of its own: the command is offered, and opens it,
// once the module has its creator.
bool TfrmCadastroServ::TemRelatorio() const { return TemEntrada("CriaListServ"); }

void TfrmCadastroServ::sbtImprimirClick(TComponent&) {
  VariantArray semParametros;
  if (TemRelatorio()) ChamaEntrada("CriaListServ", semParametros);
}

}  // namespace cad
