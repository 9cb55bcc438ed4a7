// Confirm, verify and delete on the list and form pages: deleting a service (accepted, refused,
// stale), deleting a billing equivalence that already has effective entries, reloading the list,
// and the confirm's reload for the group filter with the scroll reactions back on every way out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/service_screen/cadastroserv_fixture.h"

namespace cad::test {

namespace {

class ComandosTest : public CadastroServTest {
 protected:
  // How many rows of a table belong to a service of branch 0001.
  int64_t Linhas(const std::string& tabela, const std::string& servico) {
    return Sql("SELECT COUNT(*) FROM " + tabela + " WHERE CDFILIAL = '0001' AND CDSERVFILI = :S", {{"S", servico}})
        .rows[0][0]
        .asInt();
  }
};

}  // namespace

TEST_P(ComandosTest, DeletingAServiceRemovesItWithWhatHangsOnIt) {
  auto& f = AbreFilial("0001");
  Seleciona(f, "00002");
  ClearLogs();
  Ok(UserActions::Click(*f.sbtExcluir), "excluir (não)");  // unanswered: No
  EXPECT_EQ(Keys(), std::vector<std::string>{"Excl"});
  EXPECT_EQ(f.cdsServico->RecordCount(), 4);
  EXPECT_TRUE(CallsOf("UpdServico").empty());

  dialogs().Answer(mrYes);
  Ok(UserActions::Click(*f.sbtExcluir), "excluir");
  EXPECT_EQ(f.cdsServico->RecordCount(), 3);
  EXPECT_EQ(f.cdsServico->ChangeCount(), 0);
  EXPECT_EQ(Linhas("SERVICO", "00002"), 0);
  EXPECT_EQ(Linhas("SERVFATU", "00002"), 0);
  ASSERT_FALSE(session().CacheRequests().empty());
  EXPECT_EQ(session().CacheRequests().back(), std::vector<std::string>{"SERVICO"});
  EXPECT_FALSE(progress().Visible());
}

TEST_P(ComandosTest, ARefusedOrStaleDeletionShowsTheServersTextAndKeepsTheService) {
  auto& f = AbreFilial("0001");
  // Operational history keeps 00001.
  Seleciona(f, "00001");
  ClearLogs();
  dialogs().Answer(mrYes);
  EXPECT_EQ(UserActions::Click(*f.sbtExcluir).status, ActionResult::Status::Aborted);
  ASSERT_EQ(Texts().size(), 2u);
  EXPECT_EQ(Texts()[1].rfind("Operação bloqueada.", 0), 0u) << Texts()[1];
  EXPECT_EQ(f.cdsServico->RecordCount(), 4);
  EXPECT_EQ(f.cdsServico->ChangeCount(), 0);
  EXPECT_EQ(Linhas("SERVICO", "00001"), 1);
  EXPECT_FALSE(progress().Visible());

  // Another connection changed 00002 after it was listed: nothing is deleted.
  Exec("UPDATE SERVICO SET NMSERVICO = 'Jantar Executivo' WHERE CDFILIAL = '0001' AND CDSERVFILI = '00002'");
  Seleciona(f, "00002");
  ClearLogs();
  dialogs().Answer(mrYes);
  EXPECT_EQ(UserActions::Click(*f.sbtExcluir).status, ActionResult::Status::Aborted);
  ASSERT_EQ(Texts().size(), 2u);
  EXPECT_NE(Texts()[1].find("alterado por outro usuário"), std::string::npos) << Texts()[1];
  EXPECT_EQ(f.cdsServico->RecordCount(), 4);
  EXPECT_EQ(Linha("SELECT NMSERVICO FROM SERVICO WHERE CDFILIAL = '0001' AND CDSERVFILI = '00002'"),
            std::vector<std::string>{"Jantar Executivo"});
  EXPECT_EQ(Linhas("SERVFATU", "00002"), 1);

  // Verify brings the other connection's change in and stays on the service.
  ClearLogs();
  Ok(UserActions::Click(*f.sbtVerificar), "verificar");
  EXPECT_EQ(Atual(f, "CDSERVFILI"), "00002");
  EXPECT_EQ(Atual(f, "NMSERVICO"), "Jantar Executivo");
}

TEST_P(ComandosTest, ABillingEquivalenceWithEffectiveEntriesCannotBeDeleted) {
  auto& f = AbrePagina("0001", "00001", "mnuFormulario");
  auto& form = f.Pagina<PagServico>();
  ASSERT_EQ(form.cdsServFatu->RecordCount(), 1);
  Ok(UserActions::Focus(*form.dbgServFatu), "foco na grade de faturamento");
  ClearLogs();
  dialogs().Answer(mrYes);
  EXPECT_EQ(UserActions::Click(*f.sbtExcluir).status, ActionResult::Status::Aborted);
  EXPECT_EQ(Keys(), (std::vector<std::string>{"Excl", "ExisteEfetServFat"}));
  EXPECT_EQ(
      Texts().back(),
      "Operação bloqueada. Já existem efetivos lançados para o serviço de faturamento 00090 Faturamento Refeições "
      "Metal. vinculado ao serviço de planejamento 00001 Almoço. Últimos efetivos lançados em 01/12/2026.");
  EXPECT_EQ(form.cdsServFatu->RecordCount(), 1);
  EXPECT_TRUE(CallsOf("SerServFatu").empty());
  EXPECT_EQ(Linhas("SERVFATU", "00001"), 1);
  EXPECT_FALSE(progress().Visible());
  EXPECT_EQ(f.cdsServico->RecordCount(), 4) << "the service itself is untouched";
}

TEST_P(ComandosTest, ConfirmReloadsForTheGroupFilterAndReattachesTheScrollReactionsOnEveryWayOut) {
  Exec("UPDATE SERVICO SET CDGRUPSERV = '001' WHERE CDFILIAL = '0001' AND CDSERVFILI = '00003'");
  auto& f = Abre();
  auto& form = f.Pagina<PagServico>();
  Ok(UserActions::Key(*f.medCdFilial, "Tab"), "Tab");
  Digita(*f.edtCdGrupoFiltro, "001");
  SaiPainel(f);
  ASSERT_EQ(CallsOf("GetServico").back().args, (VariantArray{Variant("0001"), Variant("001")}));
  ASSERT_EQ(f.cdsServico->RecordCount(), 3);

  // A service that stays in the group: no reload.
  Seleciona(f, "00002");
  Menu(f, "mnuFormulario");
  Ok(UserActions::Click(*f.sbtAlterar), "alterar");
  ClearLogs();
  Ok(UserActions::Click(*f.sbtConfirmar), "confirmar");
  EXPECT_TRUE(CallsOf("GetServico").empty());
  EXPECT_EQ(Atual(f, "CDSERVFILI"), "00002");

  // A service moved to another group: saved, then the list is reloaded for the filter.
  Ok(UserActions::Click(*f.sbtAlterar), "alterar");
  Digita(*form.dbeCdGrupServ, "002");
  ClearLogs();
  Ok(UserActions::Click(*f.sbtConfirmar), "confirmar");
  ASSERT_EQ(CallsOf("GetServico").size(), 1u);
  EXPECT_TRUE(CallsOf("GetServFatu").empty()) << "the reload runs with the scroll reactions detached";
  EXPECT_EQ(f.cdsServico->RecordCount(), 2) << "00002 left the group";
  EXPECT_EQ(Linha("SELECT CDGRUPSERV FROM SERVICO WHERE CDFILIAL = '0001' AND CDSERVFILI = '00002'"),
            std::vector<std::string>{"002"});

  // The reactions are back: another service on the form page loads its billing services.
  ClearLogs();
  Ok(UserActions::Navigate(*f.dbnPadrao, TNavigateBtn::nbLast), "último serviço");
  EXPECT_EQ(Atual(f, "CDSERVFILI"), "00003");
  EXPECT_EQ(CallsOf("GetServFatu").size(), 1u);

  // Also when the confirm fails halfway (the reload cannot read the hospitalization standards).
  Exec("ALTER TABLE SERPADDIE RENAME TO SERPADDIE_FORA");
  Ok(UserActions::Click(*f.sbtAlterar), "alterar");
  Digita(*form.dbeCdGrupServ, "002");
  ClearLogs();
  EXPECT_EQ(UserActions::Click(*f.sbtConfirmar).status, ActionResult::Status::Failed);
  EXPECT_EQ(CallsOf("UpdServico").size(), 1u) << "the service itself was saved before the reload";
  EXPECT_FALSE(progress().Visible());
  Exec("ALTER TABLE SERPADDIE_FORA RENAME TO SERPADDIE");
  ClearLogs();
  Ok(UserActions::Navigate(*f.dbnPadrao, TNavigateBtn::nbFirst), "primeiro serviço");
  EXPECT_EQ(CallsOf("GetServFatu").size(), 1u);
}

CADSERV_SCREEN_SUITE(ComandosTest);

}  // namespace cad::test
