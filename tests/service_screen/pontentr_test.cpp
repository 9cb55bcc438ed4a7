// The delivery-points page: a client entered by its registration number (normalised, checked,
// shown formatted), its first point started by moving into the points and saved with zeros, the
// multi-select sending three points in one change set, deletions of one point and of a whole
// client with the reload, and leaving the page copying the day sums into the client estimates.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "service_screen/pages/pontentr.h"
#include "tests/service_screen/cadastroserv_fixture.h"

namespace cad::test {

namespace {

class PontEntrTest : public CadastroServTest {
 protected:
  TfrmCadastroServ& Pagina(const std::string& servico) { return AbrePagina("0001", servico, "mnuPontEntr"); }
  // The stored points of a service as "cliente/ponto seg ... fer".
  std::vector<std::string> Pontos(const std::string& servico) {
    std::vector<std::string> out;
    for (const auto& r : Sql("SELECT * FROM DESTSRVCLI WHERE CDFILIAL = '0001' AND CDSERVFILI = :S"
                             " ORDER BY CDCLIENTE, CDDESTFILI",
                             {{"S", servico}})
                             .rows) {
      std::string s = r[2].asString() + "/" + r[3].asString();
      for (size_t i = 4; i < r.size(); ++i) s += " " + Variant(r[i].asFloat()).asString();
      out.push_back(s);
    }
    return out;
  }
  // Empties the current cell as a person does: Delete on a closed editor; an open one (still
  // holding a refused text) has its text selected first.
  void Apaga(TDBGrid& grade) {
    if (grade.EditorMode()) {
      Ok(UserActions::Key(grade, "Home"), "início do texto");
      Ok(UserActions::Key(grade, "Shift+End"), "texto selecionado");
    }
    Ok(UserActions::Key(grade, "Delete"), "apagar a célula");
  }
  void Celula(TDBGrid& grade, int coluna, int linha, const std::string& texto) {
    Ok(UserActions::SelectCell(grade, coluna, linha), grade.Name() + " célula");
    Apaga(grade);
    Ok(UserActions::Type(grade, texto), "digitar em " + grade.Name());
  }
  static size_t Linhas(const RpcCallRecord& c) { return c.args.at(0).asPacket().rowCount(); }
};

}  // namespace

TEST_P(PontEntrTest, ANewClientIsCheckedShownFormattedAndSavedWithItsFirstPoint) {
  auto& f = Pagina("00003");  // a corporate service without clients
  auto& p = f.Pagina<PagPontEntr>();
  EXPECT_TRUE(p.cdsCliente->IsEmpty());
  EXPECT_FALSE(f.sbtExcluir->Enabled());

  Ok(UserActions::Click(*f.sbtIncluir), "incluir cliente");
  ASSERT_EQ(p.cdsCliente->State(), DataSetState::Insert);
  EXPECT_TRUE(p.dbgCliente->Columns(0).HasEditButton()) << "lookup only while inserting";

  // Invalid numbers and a client the service already has are refused with their texts.
  struct Caso {
    const char* numero;
    const char* texto;
  };
  const Caso recusas[] = {{"33.444.555/0001-82", "CNPJ inválido."},
                          {"11.111.111/1111-11", "CNPJ inválido."},
                          {"123.456", "A inscrição deve ter 11 dígitos (CPF) ou 14 dígitos (CNPJ)."},
                          {"98.765.432/0001-98", "Cliente deve estar cadastrado."}};
  for (const Caso& c : recusas) {
    ClearLogs();
    Apaga(*p.dbgCliente);
    Ok(UserActions::Type(*p.dbgCliente, c.numero), c.numero);
    EXPECT_NE(UserActions::Key(*p.dbgCliente, "Tab").status, ActionResult::Status::Ok) << c.numero;
    EXPECT_EQ(Texts(), std::vector<std::string>{c.texto}) << c.numero;
  }

  // Typed with punctuation: stored as digits with its person type, shown formatted.
  Ok(UserActions::SelectCell(*p.dbgCliente, 0, 1), "inscrição");
  Apaga(*p.dbgCliente);
  Ok(UserActions::Type(*p.dbgCliente, "33.444.555/0001-81"), "inscrição válida");
  Ok(UserActions::Key(*p.dbgCliente, "Tab"), "sair da inscrição");
  EXPECT_EQ(p.cdsCliente->FieldByName("NRINSJURCLIE").AsString(), "33444555000181");
  EXPECT_EQ(p.cdsCliente->FieldByName("IDTPIJURCLIE").AsString(), "J");
  EXPECT_EQ(p.dbgCliente->CellText(0, 1), "33.444.555/0001-81");
  EXPECT_TRUE(Pontos("00003").empty()) << "the client alone is never sent";

  // Moving into the points posts the client locally and starts its first point; a point with no
  // figures is saved with 0 on every day.
  Ok(UserActions::Focus(*p.dbgPontEntr), "pontos de entrega");
  EXPECT_EQ(p.cdsCliente->State(), DataSetState::Browse);
  ASSERT_EQ(p.cdsPEntClie->State(), DataSetState::Insert);
  Ok(UserActions::Type(*p.dbgPontEntr, "9"), "ponto inexistente");
  ClearLogs();
  EXPECT_NE(UserActions::Key(*p.dbgPontEntr, "Tab").status, ActionResult::Status::Ok);
  EXPECT_EQ(Texts(), std::vector<std::string>{"Ponto de Entrega não cadastrado."});
  Celula(*p.dbgPontEntr, 0, 1, "4");
  Ok(UserActions::Click(*f.sbtConfirmar), "confirmar o ponto");
  EXPECT_EQ(Pontos("00003"), std::vector<std::string>{"000001/004 0 0 0 0 0 0 0 0"});
  EXPECT_EQ(p.dbgPontEntr->CellText(0, 1), "Almoxarifado Central");

  // The same client again is refused with the text of the server's key.
  Ok(UserActions::Focus(*p.dbgCliente), "clientes");
  Ok(UserActions::Click(*f.sbtIncluir), "incluir outro cliente");
  Ok(UserActions::Type(*p.dbgCliente, "33444555000181"), "mesma inscrição");
  ClearLogs();
  EXPECT_NE(UserActions::Key(*p.dbgCliente, "Tab").status, ActionResult::Status::Ok);
  EXPECT_EQ(Texts(), std::vector<std::string>{"Cliente já cadastrado."});
  dialogs().Answer(mrYes);
  Ok(UserActions::Click(*f.sbtCancelar), "cancelar");
  EXPECT_EQ(p.cdsCliente->RecordCount(), 1);
}

// A refused first point leaves no client on screen that the server does not hold.
TEST_P(PontEntrTest, ARefusedFirstPointTakesItsNewClientOffTheScreen) {
  auto& f = Pagina("00003");
  auto& p = f.Pagina<PagPontEntr>();
  Ok(UserActions::Click(*f.sbtIncluir), "incluir cliente");
  Ok(UserActions::Type(*p.dbgCliente, "55666777000181"), "inscrição");
  Ok(UserActions::Focus(*p.dbgPontEntr), "pontos de entrega");
  Ok(UserActions::Type(*p.dbgPontEntr, "3"), "ponto");
  Ok(UserActions::Key(*p.dbgPontEntr, "Tab"), "segunda-feira");
  // A negative figure cannot be typed; one that arrives otherwise is refused by the point's check.
  p.dbgPontEntr->SelectedField()->SetAsInteger(-5);
  ClearLogs();
  EXPECT_NE(UserActions::Click(*f.sbtConfirmar).status, ActionResult::Status::Ok);
  EXPECT_EQ(Texts(),
            std::vector<std::string>{"Quantidade de comensais do ponto de entrega deve ser maior ou igual a zero."});
  EXPECT_TRUE(Pontos("00003").empty());
  EXPECT_TRUE(p.cdsCliente->IsEmpty());
}

// However a new client's row is left (arrow key, Insert, a click on another client), the client is
// posted and its first point started, with the commands of a point being typed and no dialog. A
// point being typed is saved, or refused, before another client shows its points; a cancelled
// new client gives the points of the client under the cursor back.
TEST_P(PontEntrTest, LeavingANewClientStartsItsFirstPointAndAnotherClientWaitsForThePoint) {
  auto& f = Pagina("00002");  // one client, 000002, with one point
  auto& p = f.Pagina<PagPontEntr>();
  for (const std::string gesto : {"Down", "Insert", "clique"}) {
    Ok(UserActions::Focus(*p.dbgCliente), "clientes");
    Ok(UserActions::Click(*f.sbtIncluir), "incluir cliente");
    Ok(UserActions::Type(*p.dbgCliente, "33444555000181"), "inscrição");
    ClearLogs();
    if (gesto == "clique")
      UserActions::SelectCell(*p.dbgCliente, 0, 2);
    else
      UserActions::Key(*p.dbgCliente, gesto);
    EXPECT_TRUE(Texts().empty()) << gesto;
    EXPECT_EQ(p.cdsCliente->State(), DataSetState::Browse) << gesto;
    EXPECT_EQ(p.cdsCliente->FieldByName("CDCLIENTE").AsString(), "000001") << gesto;
    ASSERT_EQ(p.cdsPEntClie->State(), DataSetState::Insert) << gesto;
    EXPECT_TRUE(f.sbtConfirmar->Enabled() && !f.sbtIncluir->Enabled() && !f.sbtExcluir->Enabled()) << gesto;
    if (gesto == "clique") break;
    dialogs().Answer(mrYes);
    Ok(UserActions::Click(*f.sbtCancelar), "cancelar o ponto");
    EXPECT_EQ(p.cdsCliente->RecordCount(), 1) << "the client without points goes";
  }

  // The point is refused before the cursor moves, then saved, and the other client's points show.
  Ok(UserActions::Type(*p.dbgPontEntr, "9"), "ponto inexistente");
  ClearLogs();
  EXPECT_NE(UserActions::SelectCell(*p.dbgCliente, 0, 2).status, ActionResult::Status::Ok);
  EXPECT_EQ(Texts(), std::vector<std::string>{"Ponto de Entrega não cadastrado."});
  EXPECT_EQ(p.cdsCliente->FieldByName("CDCLIENTE").AsString(), "000001");
  Celula(*p.dbgPontEntr, 0, 1, "4");
  Ok(UserActions::SelectCell(*p.dbgCliente, 0, 2), "cliente 000002");
  EXPECT_EQ(Pontos("00002"),
            (std::vector<std::string>{"000001/004 0 0 0 0 0 0 0 0", "000002/002 120 120 120 120 120 60 60 30"}));
  ASSERT_EQ(p.cdsPEntClie->RecordCount(), 1);
  EXPECT_EQ(p.cdsPEntClie->FieldByName("CDCLIENTE").AsString(), "000002");

  Ok(UserActions::Click(*f.sbtIncluir), "incluir cliente");
  dialogs().Answer(mrYes);
  Ok(UserActions::Click(*f.sbtCancelar), "cancelar o cliente");
  EXPECT_EQ(p.cdsCliente->FieldByName("CDCLIENTE").AsString(), "000002");
  ASSERT_EQ(p.cdsPEntClie->RecordCount(), 1);
  EXPECT_EQ(p.cdsPEntClie->FieldByName("CDDESTFILI").AsString(), "002");
}

TEST_P(PontEntrTest, TheMultiSelectSavesThreePointsInOneChangeSet) {
  auto& f = Pagina("00001");
  auto& p = f.Pagina<PagPontEntr>();
  ASSERT_EQ(p.cdsCliente->RecordCount(), 2);
  Ok(UserActions::SelectCell(*p.dbgCliente, 1, 2), "cliente 000002");
  EXPECT_EQ(p.cdsPEntClie->RecordCount(), 1) << "only the current client's points";
  Ok(UserActions::Focus(*p.dbgPontEntr), "pontos");
  Ok(UserActions::Click(*f.sbtIncluir), "incluir ponto");
  ASSERT_EQ(p.cdsPEntClie->State(), DataSetState::Insert);
  ClearLogs();
  lookups().QueueMultiPick({"001", "002", "004"});
  Ok(UserActions::EditButtonClick(*p.dbgPontEntr), "seleção múltipla");
  ASSERT_EQ(CallsOf("UpdPontoEntr").size(), 1u);
  EXPECT_EQ(Linhas(CallsOf("UpdPontoEntr")[0]), 3u);
  EXPECT_EQ(Pontos("00001"),
            (std::vector<std::string>{"000001/001 150 155 150 150 140 60 0 30", "000001/002 100 105 105 100 90 40 0 20",
                                      "000002/001 0 0 0 0 0 0 0 0", "000002/002 0 0 0 0 0 0 0 0",
                                      "000002/003 50 50 50 50 50 20 0 10", "000002/004 0 0 0 0 0 0 0 0"}));
  EXPECT_EQ(p.cdsPEntClie->ChangeCount(), 0);
}

TEST_P(PontEntrTest, DeletingAPointOrAWholeClientSavesAndReloads) {
  auto& f = Pagina("00001");
  auto& p = f.Pagina<PagPontEntr>();
  // Verify reads what another station stored: from the points grid the points alone, elsewhere
  // both lists.
  Exec(
      "UPDATE DESTSRVCLI SET QTCOESTCSSEG = 151 WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001' AND CDDESTFILI = "
      "'001'");
  Ok(UserActions::Focus(*p.dbgPontEntr), "pontos");
  ClearLogs();
  Ok(UserActions::Click(*f.sbtVerificar), "verificar");
  EXPECT_EQ(Methods(), std::vector<std::string>{"GetPEntClie"});
  EXPECT_EQ(p.dbgPontEntr->CellText(1, 1), "151");
  Ok(UserActions::Focus(*p.dbgCliente), "clientes");
  ClearLogs();
  Ok(UserActions::Click(*f.sbtVerificar), "verificar");
  EXPECT_EQ(Methods(), std::vector<std::string>{"GetPontEntr"});
  // One point of a client that keeps others: no reload.
  Ok(UserActions::SelectCell(*p.dbgPontEntr, 1, 2), "ponto 002");
  ClearLogs();
  dialogs().Answer(mrYes);
  Ok(UserActions::Click(*f.sbtExcluir), "excluir ponto");
  EXPECT_EQ(Pontos("00001").size(), 2u);
  EXPECT_TRUE(CallsOf("GetPontEntr").empty());

  // The client list: every point of the client goes in one change set, and the client with it.
  Ok(UserActions::SelectCell(*p.dbgCliente, 1, 2), "cliente 000002");
  ClearLogs();
  dialogs().Answer(mrYes);
  Ok(UserActions::Click(*f.sbtExcluir), "excluir cliente");
  ASSERT_EQ(CallsOf("UpdPontoEntr").size(), 1u);
  EXPECT_EQ(CallsOf("GetPontEntr").size(), 1u) << "the client lost its last point";
  EXPECT_EQ(Pontos("00001"), std::vector<std::string>{"000001/001 151 155 150 150 140 60 0 30"});

  // The last point of the last client: the page reloads empty, only include remains.
  Ok(UserActions::SelectCell(*p.dbgPontEntr, 1, 1), "ponto 001");
  dialogs().Answer(mrYes);
  Ok(UserActions::Click(*f.sbtExcluir), "excluir último ponto");
  EXPECT_TRUE(Pontos("00001").empty());
  EXPECT_TRUE(p.cdsCliente->IsEmpty());
  EXPECT_FALSE(f.sbtExcluir->Enabled());
}

TEST_P(PontEntrTest, LeavingAfterAChangeCopiesTheDaySumsIntoTheClientEstimates) {
  auto& f = Pagina("00001");
  auto& p = f.Pagina<PagPontEntr>();
  Ok(UserActions::SelectCell(*p.dbgPontEntr, 1, 1), "segunda do ponto 001");
  Ok(UserActions::Click(*f.sbtAlterar), "alterar");
  Ok(UserActions::Key(*p.dbgPontEntr, "Delete"), "apagar");
  Ok(UserActions::Type(*p.dbgPontEntr, "160"), "160");
  Ok(UserActions::Click(*f.sbtConfirmar), "confirmar");
  ASSERT_EQ(Pontos("00001")[0], "000001/001 160 155 150 150 140 60 0 30");

  // The code of a stored point cannot be erased or typed over; Ctrl+Delete deletes nothing.
  Ok(UserActions::SelectCell(*p.dbgPontEntr, 0, 1), "código do ponto 001");
  Ok(UserActions::Key(*p.dbgPontEntr, "Ctrl+Delete"), "Ctrl+Delete");
  Ok(UserActions::Key(*p.dbgPontEntr, "Backspace"), "Backspace");
  Ok(UserActions::Type(*p.dbgPontEntr, "4"), "digitar sobre o código");
  EXPECT_EQ(p.cdsPEntClie->State(), DataSetState::Browse);
  EXPECT_EQ(p.cdsPEntClie->FieldByName("CDDESTFILI").AsString(), "001");
  EXPECT_EQ(Pontos("00001").size(), 3u);

  ClearLogs();
  dialogs().Answer(mrYes);
  Menu(f, "mnuFolhaDados");
  EXPECT_EQ(Keys(), std::vector<std::string>{"Atualiza_com_cli"});
  EXPECT_EQ(CallsOf("UpdServico").size(), 1u) << "the figures and their totals in one save";
  auto r =
      Sql("SELECT QTCLIESTISEG, QTCLIESTITER, QTCLIESTIQUA, QTCLIESTIQUI, QTCLIESTISEX, QTCLIESTISAB,"
          " QTCLIESTIDOM, QTCLIESTIFER, QTCOMESTISEG FROM SERVICO WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'")
          .rows.at(0);
  std::vector<double> got;
  for (const Variant& v : r) got.push_back(v.asFloat());
  // Sums of the three points per day; Monday's total adds the 40 employees and 5 donations.
  EXPECT_EQ(got, (std::vector<double>{310, 310, 305, 300, 280, 120, 0, 60, 355}));

  // Asked once: another round trip without a change asks nothing.
  Menu(f, "mnuPontEntr");
  ClearLogs();
  Menu(f, "mnuFolhaDados");
  EXPECT_TRUE(Keys().empty());

  // A change is forgotten with its service: the next service's figures are never offered.
  Menu(f, "mnuPontEntr");
  Ok(UserActions::SelectCell(*p.dbgPontEntr, 1, 1), "segunda do ponto 001");
  Ok(UserActions::Click(*f.sbtAlterar), "alterar");
  Ok(UserActions::Key(*p.dbgPontEntr, "Delete"), "apagar");
  Ok(UserActions::Type(*p.dbgPontEntr, "170"), "170");
  Ok(UserActions::Click(*f.sbtConfirmar), "confirmar");
  Ok(UserActions::Navigate(*f.dbnPadrao, TNavigateBtn::nbNext), "serviço 00002");
  ClearLogs();
  Menu(f, "mnuFolhaDados");
  EXPECT_TRUE(Keys().empty());
}

// What fixed-branch mode offers on entering the page is entry_test's; moving into the points grid
// brings nothing back.
TEST_P(PontEntrTest, FixedBranchModeOffersNoChangeInThePointsGrid) {
  auto& f = Abre(Variant("0001"));
  Seleciona(f, "00001");
  Menu(f, "mnuPontEntr");
  Ok(UserActions::Focus(*f.Pagina<PagPontEntr>().dbgPontEntr), "pontos");
  EXPECT_EQ(Alteravel(f), "");
}

CADSERV_SCREEN_SUITE(PontEntrTest);

}  // namespace cad::test
