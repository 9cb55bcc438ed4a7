// Fixture of the main screen's tests: opens TfrmCadastroServ through the module's entries and
// offers the few user gestures every test repeats (leaving the branch panel, picking a service in
// the list, moving to a page by its menu item).
#pragma once

#include <string>
#include <vector>

#include "platform/ui/actions.h"
#include "service_screen/cadastroserv.h"
#include "service_screen/module.h"
#include "service_screen/pages/confcard.h"
#include "service_screen/pages/custpadr.h"
#include "service_screen/pages/pontentr.h"
#include "service_screen/pages/servico.h"
#include "tests/support/screen_fixture.h"

namespace cad::test {

class CadastroServTest : public ScreenTest {
 protected:
  // IniProc with a branch (fixed-branch mode) or null, then the screen.
  TfrmCadastroServ& Abre(const Variant& filial = Variant()) {
    CallEntry("GER04100", "IniProc", {filial});
    return Screen<TfrmCadastroServ>("TfrmCadastroServ");
  }

  // The user leaves the branch panel for the services list (Tab out of the branch code first,
  // which validates it and opens the data area).
  void SaiPainel(TfrmCadastroServ& f) {
    if (f.medCdFilial->Focused()) Ok(UserActions::Key(*f.medCdFilial, "Tab"), "Tab no código da filial");
    Ok(UserActions::Focus(*f.dbgPadrao), "foco na lista de serviços");
  }

  // Opens the screen on a branch typed by the user and lists its services.
  TfrmCadastroServ& AbreFilial(const std::string& filial) {
    TfrmCadastroServ& f = Abre();
    Digita(*f.medCdFilial, filial);
    SaiPainel(f);
    return f;
  }

  // Clicks the service's row in the list (the grid page must be active).
  void Seleciona(TfrmCadastroServ& f, const std::string& cdServFili) {
    DataSet& ds = *f.cdsServico;
    int row = 0;
    for (int i = 0; i < ds.DisplayCount() && row == 0; ++i)
      ds.ReadRow(i, [&] {
        if (ds.FieldByName("CDSERVFILI").AsString() == cdServFili) row = i + 1;
      });
    ASSERT_GT(row, 0) << "serviço " << cdServFili << " não está na lista";
    Ok(UserActions::SelectCell(*f.dbgPadrao, 0, row), "selecionar o serviço " + cdServFili);
  }

  // The user replaces the whole text of an edit (select all, type).
  void Digita(TControl& edit, const std::string& text) {
    Ok(UserActions::Focus(edit), "foco em " + edit.Name());
    Ok(UserActions::SetText(edit, text), "digitar em " + edit.Name());
  }

  void Menu(TfrmCadastroServ& f, const std::string& item) { Ok(UserActions::MenuItem(f, item), "menu " + item); }

  // A page of a service reached as a user does: the branch, the service's row, the page's menu item.
  TfrmCadastroServ& AbrePagina(const std::string& filial, const std::string& servico, const std::string& menu) {
    TfrmCadastroServ& f = AbreFilial(filial);
    Seleciona(f, servico);
    Menu(f, menu);
    return f;
  }

  // What would let a user change data in fixed-branch mode, named: an enabled command of the
  // toolbar or the menus, the branch fields, or an enabled editor, button or editable grid of the
  // active page. "" when nothing is offered.
  static std::string Alteravel(TfrmCadastroServ& f) {
    std::string out;
    auto ve = [&](TControl* c) { out += c->Enabled() ? c->Name() + " " : ""; };
    for (TMenuItem* m :
         {f.mnuIncluir, f.mnuAlterar, f.mnuExcluir, f.mnuConfirmar, f.mnuCancelar, f.mnuCopiar, f.mnuExportComens,
          f.mnuExpComCard, f.mnuExpComDiet, f.mnuExpConfiguracaoPadr, f.mnuCadaAuto, f.mnuImportExportConf})
      out += m->Enabled() ? m->Name() + " " : "";
    for (TControl* c : std::initializer_list<TControl*>{f.sbtIncluir, f.sbtAlterar, f.sbtExcluir, f.sbtConfirmar,
                                                        f.sbtCancelar, f.sbtCopiar, f.sbtExportComens, f.sbtAutomatico,
                                                        f.sbtImportExportConf, f.medCdFilial, f.btnFilial})
      ve(c);
    TTabSheet* p = f.pgcPadrao->ActivePage();
    if (p == f.tshFormulario) {
      auto& form = f.Pagina<PagServico>();
      for (TControl* c : std::initializer_list<TControl*>{
               form.medCdServico, form.btnServico, form.dbeNmServico, form.dbeNmFantasServ, form.dbeCdGrupServ,
               form.btnGrupServ, form.dbeIniAtend, form.dbeCdRota, form.btnRota, form.dbePreco, form.dbeCdProduto,
               form.btnPesqProd, form.dbcTipoServ, form.dckUtilReqReti, form.dckServTran, form.dbServFatVar,
               form.dbFatServSep, form.drgTipoServ})
        ve(c);
      if (f.cdsServico->FieldByName("IDTIPOSERV").AsString() != "F")
        for (TControl* c : std::initializer_list<TControl*>{form.lblServFatu, form.lblServEqui, form.lblServFat}) ve(c);
      if (!form.cdsServFatu->ReadOnly) out += "cdsServFatu ";
      if (form.dbgServFatu->ColumnByField("CDSERVICFATURAM")->HasEditButton()) out += "CDSERVICFATURAM ";
    }
    if (p == f.tshConfCard) {
      auto& c = f.Pagina<PagConfCard>();
      for (TControl* b : std::initializer_list<TControl*>{c.spbItemDir, c.sbtItemEsq, c.spbItemUp, c.sbtImportExport,
                                                          c.lsbDisponiveis})
        ve(b);
      if (c.stgCard->HasOption(goEditing)) out += "stgCard ";
    }
    auto& custo = f.Pagina<PagCustPadr>();
    auto& pe = f.Pagina<PagPontEntr>();
    std::vector<TDBGrid*> grades;
    if (p == f.tshCustPadr) grades = {custo.dbgCustPadr, custo.dbgCustPadrTp};
    if (p == f.tshPontEntr) grades = {pe.dbgCliente, pe.dbgPontEntr};
    for (TDBGrid* g : grades) out += g->ReadOnly() ? "" : g->Name() + " ";
    return out;
  }

  static std::string Atual(TfrmCadastroServ& f, const char* field) {
    return f.cdsServico->FieldByName(field).AsString();
  }

  // The first row of a query as texts (a null as "<null>", no row as {}), so a stored row is
  // checked in one expectation. Meant for text columns: numbers print differently per backend.
  std::vector<std::string> Linha(const std::string& sql, const db::Params& params = {}) {
    db::ResultSet rs = Sql(sql, params);
    std::vector<std::string> out;
    if (rs.rows.empty()) return out;
    for (const Variant& v : rs.rows[0]) out.push_back(v.isNull() ? "<null>" : v.asString());
    return out;
  }
};

}  // namespace cad::test
