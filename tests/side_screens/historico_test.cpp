// The change history screen on both backends: opened from the main screen's menu (and Ctrl+H)
// after a change confirmed on the service's form, it lists that change with old and new value,
// and its filters read the trail again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "side_screens/historico/historico.h"
#include "tests/service_screen/cadastroserv_fixture.h"
#include "tests/support/modal_script.h"

namespace cad::test {
namespace {

class HistoricoTelaTest : public CadastroServTest {
 protected:
  // The grid's rows as "operator|operation|record|field|old|new".
  static std::vector<std::string> Linhas(TfrmHistorico& h) {
    std::vector<std::string> out;
    DataSet& ds = *h.cdsHistorico;
    for (int i = 0; i < ds.DisplayCount(); ++i)
      ds.ReadRow(i, [&] {
        std::string s;
        for (const char* f : {"CDOPERADOR", "DSOPERACAO", "DSOBJETO", "DSCAMPO", "VLANTERIOR", "VLNOVO"})
          s += (s.empty() ? "" : "|") + ds.FieldByName(f).AsString();
        out.push_back(s);
      });
    return out;
  }
};

TEST_P(HistoricoTelaTest, ListsTheChangeJustConfirmedAndFilters) {
  auto& f = AbrePagina("0001", "00002", "mnuFormulario");
  Ok(UserActions::Click(*f.sbtAlterar), "alterar");
  Digita(*f.Pagina<PagServico>().dbeNmFantasServ, "Jantar Noturno");
  Ok(UserActions::Click(*f.sbtConfirmar), "confirmar");

  auto aberto = Roteiro<TfrmHistorico>("TfrmHistorico", [&](TfrmHistorico& h) {
    EXPECT_EQ(h.edtServico->Text(), "0001 / 00002");
    std::vector<std::string> linhas = Linhas(h);
    ASSERT_FALSE(linhas.empty());
    EXPECT_EQ(linhas[0].substr(linhas[0].find('|')),
              "|Alteração|Serviço|Nome Fantasia|Jantar dos Turnos Noturnos|Jantar Noturno");
    EXPECT_EQ(h.dbgHistorico->ColumnCount(), 7);

    // Another operator's changes only: none; an invalid date reads nothing.
    Digita(*h.edtOperador, "NINGUEM");
    Ok(UserActions::Click(*h.btnFiltrar), "filtrar por operador");
    EXPECT_TRUE(Linhas(h).empty());
    Digita(*h.edtOperador, "");
    Digita(*h.dteInicio, "31/02/2026");
    ActionResult invalida = UserActions::Click(*h.btnFiltrar);
    EXPECT_EQ(invalida.status, ActionResult::Status::Failed);
    EXPECT_NE(invalida.message.find("não é uma data válida"), std::string::npos) << invalida.message;
    EXPECT_TRUE(Linhas(h).empty());
    Digita(*h.dteInicio, "");
    Ok(UserActions::Click(*h.btnFiltrar), "sem filtro");
    EXPECT_EQ(Linhas(h), linhas);
    Ok(UserActions::Click(*h.sbtCancel), "fechar");
  });
  Menu(f, "mnuHistorico");
  EXPECT_TRUE(*aberto);

  aberto = Roteiro<TfrmHistorico>("TfrmHistorico",
                                  [&](TfrmHistorico& h) { Ok(UserActions::Click(*h.sbtCancel), "fechar"); });
  Ok(UserActions::Key(*f.pgcPadrao, "Ctrl+H"), "Ctrl+H");
  EXPECT_TRUE(*aberto);
}

CADSERV_SCREEN_SUITE(HistoricoTelaTest);

}  // namespace
}  // namespace cad::test
