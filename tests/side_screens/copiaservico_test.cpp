// The copy-service dialog opened from the main screen, on both backends: destination codes typed
// or picked from the standard services, the standard-service rule, repeated codes, an empty list,
// cancel, the progress display and the service list read again after a copy, with the copies
// stored.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "side_screens/copia/copiaservico.h"
#include "tests/service_screen/cadastroserv_fixture.h"
#include "tests/support/modal_script.h"

namespace cad::test {
namespace {

class CopiaServicoTest : public CadastroServTest {
 protected:
  // Opens the main screen on 0001 and the copy dialog from sbtCopiar; `roteiro` drives the dialog.
  TfrmCadastroServ& Copia(const std::function<void(TfrmCopiaServico&)>& roteiro) {
    auto& f = AbreFilial("0001");
    auto aberto = Roteiro<TfrmCopiaServico>("TfrmCopiaServico", roteiro);
    ClearLogs();
    Ok(UserActions::Click(*f.sbtCopiar), "copiar");
    EXPECT_TRUE(*aberto);
    return f;
  }
  // Group and source typed by the user.
  void Origem(TfrmCopiaServico& c, const std::string& grupo = "1", const std::string& servico = "1") {
    Digita(*c.edtCdGrupServ, grupo);
    Digita(*c.edtCdServ, servico);
    Ok(UserActions::Focus(*c.dbgServico), "foco na lista de destino");
  }
  // A new destination row: the code typed, Tab to the name, the name typed (when given).
  ActionResult Destino(TfrmCopiaServico& c, const std::string& codigo, const std::string& nome = {}) {
    Ok(UserActions::Click(*c.sbtIncluir), "incluir destino");
    Ok(UserActions::Type(*c.dbgServico, codigo), "código " + codigo);
    ActionResult r = UserActions::Key(*c.dbgServico, "Tab");
    if (r.ok() && !nome.empty()) Ok(UserActions::Type(*c.dbgServico, nome), "nome " + nome);
    return r;
  }
  static std::vector<std::string> Codigos(DataSet& ds) {
    std::vector<std::string> out;
    for (int i = 0; i < ds.DisplayCount(); ++i)
      ds.ReadRow(i, [&] { out.push_back(ds.FieldByName("CDSERVFILI").AsString()); });
    return out;
  }
};

TEST_P(CopiaServicoTest, CopiesTypedAndPickedStandardServicesAndReloadsTheList) {
  auto& f = Copia([&](TfrmCopiaServico& c) {
    EXPECT_TRUE(c.ServPadrao());
    Origem(c);
    EXPECT_EQ(c.edtCdGrupServ->Text(), "001");
    EXPECT_EQ(c.edtNmServ->Text(), "Almoço");
    ASSERT_TRUE(Destino(c, "4").ok());
    EXPECT_EQ(c.cdsServicoNMSERVICO->AsString(), "Lanche da Tarde") << "name from the standard service";
    // The name takes no typing while codes come from the standard services.
    Ok(UserActions::Type(*c.dbgServico, "xyz"), "digitar no nome");
    EXPECT_EQ(c.cdsServicoNMSERVICO->AsString(), "Lanche da Tarde");
    // The second destination comes from the lookup.
    Ok(UserActions::Click(*c.sbtIncluir), "incluir destino");
    lookups().QueuePick({{"CDSERVPADR", "00005"}});
    Ok(UserActions::EditButtonClick(*c.dbgServico), "pesquisa de padrão");
    EXPECT_EQ(c.cdsServicoNMSERVICO->AsString(), "Ceia");
    Ok(UserActions::Click(*c.sbtConfirma), "confirmar");
  });
  EXPECT_EQ(OpenForms("TfrmCopiaServico"), 0);
  EXPECT_EQ(Methods(), (std::vector<std::string>{"ReplicaServico", "GetServico"}));
  EXPECT_FALSE(progress().Shown().empty());
  EXPECT_FALSE(progress().Visible());
  EXPECT_EQ(session().CacheRequests().back(), std::vector<std::string>{"SERVICO"});
  EXPECT_EQ(Codigos(*f.cdsServico), (std::vector<std::string>{"00001", "00002", "00003", "00004", "00005", "00090"}));
  EXPECT_EQ(
      Linha("SELECT NMSERVICO, CDGRUPSERV, IDTIPOSERV FROM SERVICO WHERE CDFILIAL = '0001' AND CDSERVFILI = '00005'"),
      (std::vector<std::string>{"Ceia", "001", "N"}));
  EXPECT_EQ(Sql("SELECT COUNT(*) FROM TURNOSERV WHERE CDFILIAL = '0001' AND CDSERVFILI = '00004'").rows[0][0].asInt(),
            2);
}

TEST_P(CopiaServicoTest, DestinationCodesFollowTheStandardServiceRule) {
  struct Caso {
    std::string codigo, chave;
  };
  // 00077 is no standard service; 00001 is one already used by the branch; 00004 twice.
  const std::vector<Caso> casos{{"77", "CodServNCad"}, {"00001", "CodServNCad"}};
  Copia([&](TfrmCopiaServico& c) {
    Origem(c);
    for (const Caso& caso : casos) {
      EXPECT_TRUE(Recusada([&] { return Destino(c, caso.codigo); }, {caso.chave}, true)) << caso.codigo;
      Ok(UserActions::Click(*c.sbtExcluir), "excluir");
    }
    ASSERT_TRUE(Destino(c, "00004").ok());
    EXPECT_TRUE(Recusada([&] { return Destino(c, "00004"); }, {"CodServJCad"}, true));
    Ok(UserActions::Click(*c.sbtExcluir), "excluir");
    Ok(UserActions::Click(*c.sbtCancel), "cancelar");
  });
  EXPECT_TRUE(CallsOf("ReplicaServico").empty());
}

TEST_P(CopiaServicoTest, WithoutStandardServicesCodeAndNameAreTyped) {
  Exec("DELETE FROM SERVPADR");
  Copia([&](TfrmCopiaServico& c) {
    EXPECT_FALSE(c.ServPadrao());
    EXPECT_FALSE(c.dbgServico->ColumnByField("CDSERVFILI")->HasEditButton());
    Origem(c);
    // 00002 is a service of the branch, 00090 a billing-only one; "AB" is short of five characters.
    for (const auto& caso : std::vector<std::pair<std::string, std::string>>{
             {"2", "CodServJCad"}, {"90", "CodServJCad"}, {"AB", "Cod_Serv"}}) {
      const std::string& codigo = caso.first;
      EXPECT_TRUE(Recusada([&] { return Destino(c, codigo); }, {caso.second}, true)) << codigo;
      Ok(UserActions::Click(*c.sbtExcluir), "excluir");
    }
    ASSERT_TRUE(Destino(c, "20").ok());
    EXPECT_TRUE(Recusada([&] { return UserActions::Click(*c.sbtConfirma); }, {"NmServNInf"}, true));
    Ok(UserActions::Type(*c.dbgServico, "Almoço Ala Norte"), "nome");
    Ok(UserActions::Click(*c.sbtConfirma), "confirmar");
  });
  EXPECT_EQ(Linha("SELECT NMSERVICO FROM SERVICO WHERE CDFILIAL = '0001' AND CDSERVFILI = '00020'"),
            std::vector<std::string>{"Almoço Ala Norte"});
}

TEST_P(CopiaServicoTest, HeaderAndEmptyListAreRefusedBeforeAnythingIsSent) {
  Copia([&](TfrmCopiaServico& c) {
    EXPECT_TRUE(Recusada([&] { return UserActions::Click(*c.sbtConfirma); }, {"GrupServNInf"}, true));
    Digita(*c.edtCdGrupServ, "9");
    EXPECT_TRUE(Recusada([&] { return UserActions::Focus(*c.edtCdServ); }, {"GrupServNCad"}, true))
        << "the focus stays on the group";
    Digita(*c.edtCdGrupServ, "2");
    Digita(*c.edtCdServ, "1");
    EXPECT_TRUE(Recusada([&] { return UserActions::Focus(*c.dbgServico); }, {"ServNCad"}, true))
        << "00001 is not of group 002";
    Digita(*c.edtCdServ, "3");
    Ok(UserActions::Focus(*c.dbgServico), "sair do serviço");
    EXPECT_EQ(c.edtNmServ->Text(), "Desjejum");
    EXPECT_TRUE(
        Recusada([&] { return UserActions::Click(*c.sbtConfirma); }, {"Informe pelo menos um serviço de destino."}));
    // A new group clears the source.
    Digita(*c.edtCdGrupServ, "1");
    EXPECT_EQ(c.edtCdServ->Text(), "");
    EXPECT_EQ(c.edtNmServ->Text(), "");
    Ok(UserActions::Click(*c.sbtCancel), "cancelar");
  });
  EXPECT_TRUE(CallsOf("ReplicaServico").empty());
}

TEST_P(CopiaServicoTest, CancelReturnsTwoAndTheListIsNotReloaded) {
  Copia([&](TfrmCopiaServico& c) {
    Origem(c);
    ASSERT_TRUE(Destino(c, "4").ok());
    Ok(UserActions::Click(*c.sbtCancel), "cancelar");
  });
  EXPECT_TRUE(Methods().empty());
  EXPECT_EQ(Sql("SELECT COUNT(*) FROM SERVICO WHERE CDFILIAL = '0001' AND CDSERVFILI = '00004'").rows[0][0].asInt(), 0);
  // The entry reports the dialog's result in its last parameter.
  Roteiro<TfrmCopiaServico>("TfrmCopiaServico",
                            [](TfrmCopiaServico& c) { Ok(UserActions::Click(*c.sbtCancel), "cancelar"); });
  VariantArray params;
  ChamaEntrada("CriaCopiaServico", params);
  ASSERT_EQ(params.size(), 1u);
  EXPECT_EQ(params[0].asInt(), 2);
  // The same dialog by its screen code, as another screen opens it.
  VariantArray porCodigo{Variant(0)};
  Corvane::LoadBPL("GER04107", porCodigo);
  EXPECT_EQ(porCodigo[0].asInt(), 2);
}

TEST_P(CopiaServicoTest, ARefusedCopyKeepsTheDialogOpenWithItsData) {
  Copia([&](TfrmCopiaServico& c) {
    Origem(c);
    ASSERT_TRUE(Destino(c, "4").ok());
    Ok(UserActions::Run([&] { c.cdsServico->Post(); }), "gravar o destino");
    // Another user creates 00004 meanwhile: the server refuses the whole copy.
    Exec("INSERT INTO SERVICO (CDFILIAL, CDSERVFILI, NMSERVICO, IDTIPOSERV) VALUES ('0001', '00004', 'Outro', 'N')");
    EXPECT_TRUE(Recusada([&] { return UserActions::Click(*c.sbtConfirma); },
                         {"Código de serviço 00004 já cadastrado para a filial 0001."}));
    EXPECT_FALSE(progress().Visible());
    EXPECT_TRUE(c.Visible());
    EXPECT_EQ(c.cdsServico->RecordCount(), 1);
    Ok(UserActions::Click(*c.sbtCancel), "cancelar");
  });
  EXPECT_TRUE(CallsOf("GetServico").empty());
}

CADSERV_SCREEN_SUITE(CopiaServicoTest);

}  // namespace
}  // namespace cad::test
