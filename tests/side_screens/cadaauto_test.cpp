// The automatic standard-cost maintenance screen, driven through its module entry on both backends:
// include without and with overwrite, alter by value and by percentage (dish-type costs scaled and
// adding up), delete asking once, a run refused (by the screen or by the server) leaving nothing
// stored and the screen as it was, the period checked at load, and the working list removed on
// close. Stored rows are checked in the database.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "side_screens/cadaauto/cadaauto.h"
#include "tests/service_screen/cadastroserv_fixture.h"
#include "tests/support/modal_script.h"

namespace cad::test {

namespace {

class CadaAutoTest : public CadastroServTest {
 protected:
  using CadastroServTest::Seleciona;
  // Opens the screen through the module's entry and runs the script while it is shown.
  void Tela(const std::function<void(TfrmCadaAutoServico&)>& roteiro) {
    auto aberta = Roteiro<TfrmCadaAutoServico>("TfrmCadaAutoServico", roteiro);
    CallEntry("GER04100", "CriaCAutoCPadrao");
    EXPECT_TRUE(*aberta);
  }
  // Branches and services chosen through their lists, the period and the general value.
  void Seleciona(TfrmCadaAutoServico& f, const std::vector<std::string>& filiais,
                 const std::vector<std::string>& servicos, const std::string& de, const std::string& ate) {
    Ok(UserActions::Click(*f.rbtListaFili), "filiais: lista");
    lookups().QueueMultiPick(filiais);
    Ok(UserActions::Click(*f.btnFilial), "lista de filiais");
    if (!servicos.empty()) {
      Ok(UserActions::Click(*f.rbtListaServ), "serviços: lista");
      lookups().QueueMultiPick(servicos);
      Ok(UserActions::Click(*f.btnServ), "lista de serviços");
    }
    Digita(*f.depDataDe, de);
    Digita(*f.depDataAte, ate);
  }
  void Valor(TfrmCadaAutoServico& f, const std::string& v) { Digita(*f.nedValPer, v); }
  // A user action that a check ends (its message shown, the action aborted).
  static void Barra(const ActionResult& r, const std::string& what) {
    EXPECT_EQ(r.status, ActionResult::Status::Aborted) << what << ": " << r.message;
  }
  void Carrega(TfrmCadaAutoServico& f) { Ok(UserActions::Focus(*f.dbgCustPadrManu), "entrar na grade"); }
  // Clicks the mark cell of a display row (from 1).
  void Marca(TfrmCadaAutoServico& f, int linha) {
    Ok(UserActions::SelectCell(*f.dbgCustPadrManu, 0, linha), "marca da linha " + std::to_string(linha));
  }
  // The grid's rows as "filial/servico mm/yyyy marca".
  static std::vector<std::string> Linhas(TfrmCadaAutoServico& f) {
    std::vector<std::string> out;
    DataSet& ds = *f.cdsPrincipal;
    if (!ds.Active()) return out;
    for (int i = 0; i < ds.DisplayCount(); ++i)
      ds.ReadRow(i, [&] {
        DateTime d = ds.FieldByName("DTREFCUSPADR").AsDateTime();
        char b[64];
        std::snprintf(b, sizeof b, "%s/%s %02d/%04d %s", ds.FieldByName("CDFILIAL").AsString().c_str(),
                      ds.FieldByName("CDSERVFILI").AsString().c_str(), d.month(), d.year(),
                      ds.FieldByName("IDMARCADO").AsString().c_str());
        out.emplace_back(b);
      });
    return out;
  }
  // Stored costs of a service from 2027 on: "mm/yyyy value" and, per month, "mm/yyyy/tipo value".
  std::vector<std::string> Custos(const std::string& filial, const std::string& servico, bool tipos = false) {
    std::vector<std::string> out;
    std::string sql = tipos ? "SELECT DTREFCUSPADR, VRCUSTPADRTP, CDTIPOPRAT FROM CUSTPADRTP"
                            : "SELECT DTREFCUSPADR, VRCUSTPADR, '' FROM CUSTPADR";
    for (auto& r : Sql(sql + " WHERE CDFILIAL = :F AND CDSERVFILI = :S AND DTREFCUSPADR >= '2027-01-01'" +
                           (tipos ? " ORDER BY DTREFCUSPADR, CDTIPOPRAT" : " ORDER BY DTREFCUSPADR"),
                       {{"F", filial}, {"S", servico}})
                       .rows) {
      char b[64];
      std::snprintf(b, sizeof b, "%02d/%04d%s%s %.5f", r[0].asDateTime().month(), r[0].asDateTime().year(),
                    tipos ? "/" : "", r[2].asString().c_str(), r[1].asFloat());
      out.emplace_back(b);
    }
    return out;
  }
  // A month of 0001/00003 with its cost and dish types 01, 02, ...
  void Mes(const std::string& mes, double custo, const std::vector<double>& tipos) {
    Exec("INSERT INTO CUSTPADR (CDFILIAL, CDSERVFILI, DTREFCUSPADR, VRCUSTPADR) VALUES ('0001', '00003', :M, :V)",
         {{"M", mes}, {"V", custo}});
    for (size_t i = 0; i < tipos.size(); ++i)
      Exec(
          "INSERT INTO CUSTPADRTP (CDFILIAL, CDSERVFILI, DTREFCUSPADR, CDTIPOPRAT, VRCUSTPADRTP)"
          " VALUES ('0001', '00003', :M, :T, :V)",
          {{"M", mes}, {"T", "0" + std::to_string(i + 1)}, {"V", tipos[i]}});
  }
  long long Listas() { return Sql("SELECT COUNT(*) FROM LISTCUSTPADR").rows.at(0).at(0).asInt(); }
};

}  // namespace

TEST_P(CadaAutoTest, IncludeWithoutOverwriteFillsThePeriodReplacingStoredMonthsWhenAsked) {
  Tela([&](TfrmCadaAutoServico& f) {
    Seleciona(f, {"0001"}, {"000100001", "000100003"}, "01/01/2027", "31/03/2027");
    Valor(f, "30");
    Carrega(f);
    EXPECT_EQ(Linhas(f), (std::vector<std::string>{"0001/00001 01/2027 N", "0001/00003 01/2027 N"}));
    Ok(UserActions::TitleClick(*f.dbgCustPadrManu, 0), "marcar todas");
    ClearLogs();
    dialogs().Answer(mrYes);  // costs exist in the period: overwrite them
    Ok(UserActions::Click(*f.sbtConfirma), "confirmar");
    EXPECT_EQ(Keys(), (std::vector<std::string>{"Exist_Cad", "Custos_Gravados"}));
    EXPECT_EQ(Texts().back(), "Custos padrão gravados: 6 mês(es), 2 deles em substituição a custos já cadastrados.");
    EXPECT_EQ(Linhas(f), (std::vector<std::string>{"0001/00001 01/2027 N", "0001/00003 01/2027 N"})) << "reloaded";
    Ok(UserActions::Click(*f.sbtSair), "fechar");
  });
  EXPECT_EQ(Custos("0001", "00001"),
            (std::vector<std::string>{"01/2027 30.00000", "02/2027 30.00000", "03/2027 30.00000"}));
  EXPECT_TRUE(Custos("0001", "00001", true).empty()) << "a replaced month loses its old split";
  EXPECT_EQ(Custos("0001", "00003"),
            (std::vector<std::string>{"01/2027 30.00000", "02/2027 30.00000", "03/2027 30.00000"}));
  EXPECT_EQ(Listas(), 0) << "closing removes the working list";
}

TEST_P(CadaAutoTest, IncludeWithOverwriteReplacesTheMarkedMonthsAskingOnce) {
  Tela([&](TfrmCadaAutoServico& f) {
    Seleciona(f, {"0001"}, {"000100001"}, "01/01/2027", "28/02/2027");
    Ok(UserActions::Click(*f.chbSobrepor), "sobrepor");
    Ok(UserActions::Click(*f.rbtPercent), "percentual");
    Valor(f, "10");
    Carrega(f);
    EXPECT_EQ(Linhas(f), (std::vector<std::string>{"0001/00001 01/2027 N", "0001/00001 02/2027 N"}));
    // Keys delete no row; a mark set and unset is no change to send.
    Ok(UserActions::Key(*f.dbgCustPadrManu, "Ctrl+Delete"), "Ctrl+Delete");
    EXPECT_EQ(f.cdsPrincipal->RecordCount(), 2);
    Marca(f, 1);
    Marca(f, 1);
    // The first month takes the percentage; the second its own typed value (typing marks it).
    Marca(f, 1);
    Ok(UserActions::SelectCell(*f.dbgCustPadrManu, 7, 2), "novo valor da segunda linha");
    Ok(UserActions::Type(*f.dbgCustPadrManu, "25"), "digitar 25");
    ClearLogs();
    dialogs().Answer(mrYes);
    Ok(UserActions::Click(*f.sbtConfirma), "confirmar");
    EXPECT_EQ(Keys(), (std::vector<std::string>{"Exclui_TipoPrat", "Custos_Gravados"}))
        << "the delete inside asks nothing";
    EXPECT_EQ(Texts().back(), "Custos padrão gravados: 2 mês(es), 2 deles em substituição a custos já cadastrados.");
    EXPECT_EQ(Methods(), (std::vector<std::string>{"SobrepoeCustoPadrao", "GetCustPadrManu"})) << "one transaction";
    Ok(UserActions::Click(*f.sbtSair), "fechar");
  });
  EXPECT_EQ(Custos("0001", "00001"), (std::vector<std::string>{"01/2027 21.97800", "02/2027 25.00000"}));
  EXPECT_TRUE(Custos("0001", "00001", true).empty()) << "the replaced months lose their dish-type split";
}

// A run refused, by the screen before anything is sent or by the server for whatever reason, writes
// nothing: the stored costs stay as they were (with what another user changed meanwhile), the rows
// built for the run are discarded, and the rows, their values and marks stay as they were shown.
TEST_P(CadaAutoTest, ARefusedRunWritesNothingAndKeepsTheScreen) {
  struct Caso {
    std::vector<std::string> filiais, servicos;
    const char *de, *ate;
    char modo;              // 'I' include, 'S' include overwriting, 'A' alter
    const char* meanwhile;  // what another user does before the confirm
    std::string texto;      // the refusal shown
  };
  const Caso casos[] = {
      {{"0001"},
       {"000100001"},
       "01/01/2027",
       "28/02/2027",
       'S',
       "DELETE FROM LISTCUSTPADR",
       "Lista de trabalho não encontrada. Carregue os registros novamente."},
      {{"0001", "0002"},
       {},
       "01/05/2027",
       "30/06/2027",
       'I',
       "DELETE FROM FILIOPER WHERE CDFILIAL = '0002' AND CDOPERADOR = 'ADMIN'",
       "O operador ADMIN não tem acesso à filial 0002."},
      // The months below are stored before this case: June costs 0 and has dish types to scale.
      {{"0001"},
       {"000100003"},
       "01/05/2027",
       "30/06/2027",
       'A',
       "",
       "Alteração não permitida! O custo padrão da filial 0001, serviço 00003, mês 06/2027 é zero e possui custos "
       "por tipo de prato: não há como distribuir o novo valor."},
      {{"0001"},
       {"000100003"},
       "01/05/2027",
       "31/05/2027",
       'A',
       "UPDATE CUSTPADRTP SET VRCUSTPADRTP = 5 WHERE CDSERVFILI = '00003' AND CDTIPOPRAT = '01'",
       "O registro foi alterado por outro usuário. Recarregue os dados e tente novamente."},
      {{"0001"},
       {"000100003"},
       "01/05/2027",
       "31/05/2027",
       'A',
       "DELETE FROM OPERGRUP WHERE CDOPERADOR = 'ADMIN' AND CDGRUPOPER = '02'",
       "O operador ADMIN não pertence ao grupo autorizado a manter custos padrão."},
  };
  auto custos = [&] {
    std::string out;
    for (const char* q : {"SELECT * FROM CUSTPADR ORDER BY CDFILIAL, CDSERVFILI, DTREFCUSPADR",
                          "SELECT * FROM CUSTPADRTP ORDER BY CDFILIAL, CDSERVFILI, DTREFCUSPADR, CDTIPOPRAT"})
      for (const auto& r : Sql(q).rows)
        for (const Variant& v : r)
          out += (v.isNull() ? std::string("-") : v.asString()) + (&v == &r.back() ? "\n" : "|");
    return out;
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.texto);
    if (c.modo == 'A' && c.meanwhile[0] == 0) {
      Mes("2027-05-01", 10, {4, 6});
      Mes("2027-06-01", 0, {1, 2});
    }
    std::string esperado;
    Tela([&](TfrmCadaAutoServico& f) {
      Seleciona(f, c.filiais, c.servicos, c.de, c.ate);
      if (c.modo == 'S') Ok(UserActions::Click(*f.chbSobrepor), "sobrepor");
      if (c.modo == 'A') Ok(UserActions::Click(*f.rbtAlterar), "alterar");
      Valor(f, "20");
      Carrega(f);
      Ok(UserActions::TitleClick(*f.dbgCustPadrManu, 0), "marcar todas");
      auto tela = [&] {
        std::vector<std::string> linhas = Linhas(f);
        for (size_t i = 0; i < linhas.size(); ++i)
          f.cdsPrincipal->ReadRow(static_cast<int>(i),
                                  [&] { linhas[i] += " " + f.cdsPrincipal->FieldByName("VRCUSTPADR").AsString(); });
        return linhas;
      };
      std::vector<std::string> antes = tela();
      if (c.meanwhile[0]) Exec(c.meanwhile);
      esperado = custos();
      ClearLogs();
      if (c.modo == 'S') dialogs().Answer(mrYes);  // the dish-type costs of the replaced months go
      Barra(UserActions::Click(c.modo == 'A' ? *f.sbtCancel : *f.sbtConfirma), "confirmar");
      EXPECT_EQ(Texts().back(), c.texto);
      if (!c.meanwhile[0]) {
        EXPECT_TRUE(Methods().empty()) << "refused before anything is sent";
      }
      EXPECT_EQ(f.cdsCustPadr->ChangeCount(), 0);
      EXPECT_EQ(f.cdsCustPadrTp->ChangeCount(), 0);
      EXPECT_EQ(tela(), antes);
      dialogs().Answer(mrYes);  // the marks are given up
      Ok(UserActions::Click(*f.sbtSair), "fechar");
    });
    EXPECT_EQ(custos(), esperado);
  }
}

TEST_P(CadaAutoTest, AlterScalesTheDishTypesSoTheyStillAddUp) {
  Mes("2027-03-01", 100, {60, 40});
  Mes("2027-04-01", 19.98, {2, 1.8, 8.5, 2.2, 1.5, 1.5, 2.48});
  Mes("2027-05-01", 100, {30, 20});  // a split that does not add up is scaled as it is
  struct Caso {
    bool percentual;
    std::string valor;
    std::vector<std::string> custos, tipos;
  };
  std::vector<Caso> casos{
      {false,
       "150",
       {"03/2027 150.00000", "04/2027 150.00000", "05/2027 150.00000"},
       {"03/2027/01 90.00000", "03/2027/02 60.00000", "04/2027/01 15.01502", "04/2027/02 13.51351",
        "04/2027/03 63.81381", "04/2027/04 16.51652", "04/2027/05 11.26126", "04/2027/06 11.26126",
        "04/2027/07 18.61862", "05/2027/01 45.00000", "05/2027/02 30.00000"}},
      {true,
       "10",
       {"03/2027 165.00000", "04/2027 165.00000", "05/2027 165.00000"},
       {"03/2027/01 99.00000", "03/2027/02 66.00000", "04/2027/01 16.51652", "04/2027/02 14.86486",
        "04/2027/03 70.19519", "04/2027/04 18.16817", "04/2027/05 12.38739", "04/2027/06 12.38739",
        "04/2027/07 20.48048", "05/2027/01 49.50000", "05/2027/02 33.00000"}},
      // The rounded shares of 1 add up to 1,00001: the unit goes from the share rounding raised most
      // (0,0750751 shown 0,07508), not from the largest.
      {false,
       "1",
       {"03/2027 1.00000", "04/2027 1.00000", "05/2027 1.00000"},
       {"03/2027/01 0.60000", "03/2027/02 0.40000", "04/2027/01 0.10010", "04/2027/02 0.09009", "04/2027/03 0.42543",
        "04/2027/04 0.11011", "04/2027/05 0.07507", "04/2027/06 0.07508", "04/2027/07 0.12412", "05/2027/01 0.30000",
        "05/2027/02 0.20000"}},
  };
  for (const Caso& c : casos) {
    Tela([&](TfrmCadaAutoServico& f) {
      Seleciona(f, {"0001"}, {"000100003"}, "01/03/2027", "31/05/2027");
      Ok(UserActions::Click(*f.rbtAlterar), "alterar");
      EXPECT_FALSE(f.chbSobrepor->Enabled());
      if (c.percentual) Ok(UserActions::Click(*f.rbtPercent), "percentual");
      Valor(f, c.valor);
      Carrega(f);
      EXPECT_FALSE(f.sbtConfirma->Enabled());
      EXPECT_TRUE(f.sbtCancel->Enabled());
      EXPECT_TRUE(f.sbtExcluir->Enabled());
      Ok(UserActions::TitleClick(*f.dbgCustPadrManu, 0), "marcar todas");
      Ok(UserActions::Click(*f.sbtCancel), "confirmar alteração");
      EXPECT_TRUE(Texts().empty()) << (Texts().empty() ? "" : Texts()[0]);
      Ok(UserActions::Click(*f.sbtSair), "fechar");
    });
    EXPECT_EQ(Custos("0001", "00003"), c.custos) << c.valor;
    // Rounded to the stored decimals, each month's dish types still add up to its cost.
    EXPECT_EQ(Custos("0001", "00003", true), c.tipos) << c.valor;
  }
}

TEST_P(CadaAutoTest, DeleteAsksOnceAndTakesTheDishTypes) {
  Tela([&](TfrmCadaAutoServico& f) {
    Seleciona(f, {"0001"}, {"000100001"}, "01/01/2027", "28/02/2027");
    Ok(UserActions::Click(*f.rbtAlterar), "alterar");
    Carrega(f);
    ClearLogs();
    dialogs().Answer(mrYes);
    Barra(UserActions::Click(*f.sbtExcluir), "excluir sem marca");
    EXPECT_EQ(Keys(), (std::vector<std::string>{"Excl"}));
    EXPECT_EQ(Texts().back(), "Operação bloqueada! Nenhum registro selecionado!");
    Marca(f, 2);
    ClearLogs();
    dialogs().Answer(mrNo);
    Ok(UserActions::Click(*f.sbtExcluir), "excluir, não");
    EXPECT_EQ(Keys(), (std::vector<std::string>{"Excl"}));
    EXPECT_TRUE(CallsOf("UpdCustPadr").empty());
    ClearLogs();
    dialogs().Answer(mrYes);
    Ok(UserActions::Click(*f.sbtExcluir), "excluir, sim");
    EXPECT_EQ(Keys(), (std::vector<std::string>{"Excl"}));
    EXPECT_EQ(Linhas(f), (std::vector<std::string>{"0001/00001 01/2027 N"}));
    Ok(UserActions::Click(*f.sbtSair), "fechar");
  });
  EXPECT_EQ(Custos("0001", "00001"), (std::vector<std::string>{"01/2027 19.98000"}));
  EXPECT_EQ(Sql("SELECT COUNT(*) FROM CUSTPADRTP WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'"
                " AND DTREFCUSPADR = '2027-02-01'")
                .rows[0][0]
                .asInt(),
            0);
}

TEST_P(CadaAutoTest, ChecksBeforeAnyLoad) {
  Tela([&](TfrmCadaAutoServico& f) {
    // A list of branches with none chosen.
    Ok(UserActions::Click(*f.rbtListaFili), "filiais: lista");
    ClearLogs();
    Barra(UserActions::Focus(*f.dbgCustPadrManu), "entrar na grade sem filial");
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Filial deve ser informada."}));
    EXPECT_TRUE(CallsOf("GetCustPadrManu").empty());
    Ok(UserActions::Click(*f.rbtTodasFili), "filiais: todas");
    // A start month before the server's, typed without leaving the edit for the grid.
    DateTime hoje = DateTime::today();
    f.depDataDe->SetDate(DateTime::fromDate(hoje.year() - 1, hoje.month(), 1));
    f.depDataAte->SetDate(hoje);
    ClearLogs();
    Barra(UserActions::Focus(*f.dbgCustPadrManu), "entrar na grade");
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Date de início não pode ser menor que a data do servidor."}));
    EXPECT_TRUE(CallsOf("GetCustPadrManu").empty());
    EXPECT_FALSE(f.cdsPrincipal->Active());
    // The current month is accepted; no row marked refuses the confirm.
    Digita(*f.depDataDe, formatDate(hoje, "dd/mm/yyyy"));
    Valor(f, "5");
    Carrega(f);
    ClearLogs();
    Barra(UserActions::Click(*f.sbtConfirma), "confirmar sem marca");
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Operação bloqueada! Nenhum registro selecionado!"}));
    // Marking is a pending change: closing asks.
    Marca(f, 1);
    ClearLogs();
    dialogs().Answer(mrNo);
    Ok(UserActions::Click(*f.sbtSair), "fechar, não");
    EXPECT_EQ(Keys(), (std::vector<std::string>{"Can_upd"}));
    EXPECT_TRUE(CallsOf("DeletaLista").empty());
    dialogs().Answer(mrYes);
    Ok(UserActions::Click(*f.sbtSair), "fechar, sim");
  });
  EXPECT_EQ(Listas(), 0);
}

TEST_P(CadaAutoTest, TheStandardCostPageOpensItAndReloadsAfterwards) {
  auto& f = AbreFilial("0001");
  Seleciona(f, "00001");
  Menu(f, "mnuCustPadr");
  ASSERT_TRUE(f.mnuCadaAuto->Enabled());
  auto aberta = Roteiro<TfrmCadaAutoServico>(
      "TfrmCadaAutoServico", [&](TfrmCadaAutoServico& c) { Ok(UserActions::Click(*c.sbtSair), "fechar"); });
  ClearLogs();
  Menu(f, "mnuCadaAuto");
  EXPECT_TRUE(*aberta);
  std::vector<std::string> chamadas = Methods();
  ASSERT_FALSE(chamadas.empty());
  EXPECT_EQ(chamadas.front(), "GetDataServ");
  auto deleta = std::find(chamadas.begin(), chamadas.end(), "DeletaLista");
  ASSERT_NE(deleta, chamadas.end());
  EXPECT_NE(deleta + 1, chamadas.end()) << "the service is read again after the screen closed";
  EXPECT_EQ(std::count(deleta, chamadas.end(), "GetCustPadrTp"), 1) << "the standard costs are read once";
  EXPECT_EQ(FindScreen("TfrmCadaAutoServico"), nullptr);
}

TEST_P(CadaAutoTest, MarksTypingAndTheChecksOfTheGeneralValue) {
  Tela([&](TfrmCadaAutoServico& f) {
    Seleciona(f, {"0001"}, {"000100001", "000100003"}, "01/01/2027", "31/01/2027");
    Ok(UserActions::Click(*f.rbtPercent), "percentual");
    Carrega(f);
    Marca(f, 1);  // 00001, cost 20,35
    struct Caso {
      std::string valor, texto;
    };
    for (const Caso& c : std::vector<Caso>{{"0", "Percentual deve ser diferente de zero."},
                                           {"-100", "Percentual deve ser maior que -100."},
                                           {"1000000000", "Percentual deve ser menor que 999.999.999,99999"}}) {
      Valor(f, c.valor);
      ClearLogs();
      Barra(UserActions::Click(*f.sbtConfirma), "confirmar com " + c.valor);
      EXPECT_EQ(Texts(), (std::vector<std::string>{c.texto})) << c.valor;
      EXPECT_TRUE(f.nedValPer->Focused()) << c.valor;
    }
    // -99,99999 passes; the question about stored costs answered No stores nothing.
    Valor(f, "-99,99999");
    ClearLogs();
    dialogs().Answer(mrNo);
    Ok(UserActions::Click(*f.sbtConfirma), "confirmar com -99,99999");
    EXPECT_EQ(Keys(), (std::vector<std::string>{"Exist_Cad"}));
    EXPECT_TRUE(CallsOf("InsereCustoPadrao").empty());
    // A marked service without a cost needs its own value in percentage mode.
    Marca(f, 2);
    ClearLogs();
    Barra(UserActions::Click(*f.sbtConfirma), "confirmar sem custo");
    EXPECT_EQ(Texts(),
              (std::vector<std::string>{"Inclusão não permitida! Serviço(s) não possui(em) custo padrão cadastrado "
                                        "para cálculo de percentual."}));
    EXPECT_EQ(f.cdsPrincipal->RecNo(), 2);
    EXPECT_EQ(f.dbgCustPadrManu->SelectedColumn()->FieldName, "NOVO_VALOR");
    // Typing: a letter changes nothing; a digit is the row's value; the mark cell clears it.
    Marca(f, 2);
    Ok(UserActions::SelectCell(*f.dbgCustPadrManu, 7, 2), "novo valor");
    Ok(UserActions::Type(*f.dbgCustPadrManu, "x"), "letra");
    EXPECT_EQ(Linhas(f)[1].back(), 'N');
    Ok(UserActions::Type(*f.dbgCustPadrManu, "7"), "dígito");
    EXPECT_EQ(Linhas(f)[1].back(), 'S');
    Ok(UserActions::SelectCell(*f.dbgCustPadrManu, 0, 2), "desmarcar");
    EXPECT_EQ(Linhas(f)[1].back(), 'N');
    EXPECT_TRUE(f.cdsPrincipal->FieldByName("NOVO_VALOR").IsNull());
    dialogs().Answer(mrYes);
    Ok(UserActions::Click(*f.sbtSair), "fechar");
  });
}

TEST_P(CadaAutoTest, BranchGroupNamesItsBranches) {
  Tela([&](TfrmCadaAutoServico& f) {
    Digita(*f.medAgrupFili, "9");
    ClearLogs();
    Barra(UserActions::Key(*f.medAgrupFili, "Tab"), "grupo desconhecido");
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Agrupamento de Filiais não cadastrado."}));
    EXPECT_TRUE(f.medAgrupFili->Focused());
    Digita(*f.medAgrupFili, "2");
    Ok(UserActions::Key(*f.medAgrupFili, "Tab"), "grupo 2");
    EXPECT_EQ(f.medAgrupFili->Text(), "0000000002");
    EXPECT_EQ(f.edtNmAgrupFili->Text(), "Unidades Hospitalares");
    // The branch list offers the group's branches, read from the server.
    Ok(UserActions::Click(*f.rbtListaFili), "filiais: lista");
    ClearLogs();
    lookups().QueueMultiPick({"0003"});
    Ok(UserActions::Click(*f.btnFilial), "lista de filiais");
    EXPECT_EQ(Methods(), (std::vector<std::string>{"GetFiliPorGrupOper"}));
    EXPECT_EQ(f.SelecaoFiliais, "_0003_");
    // Changing the group drops the selections.
    Digita(*f.medAgrupFili, "1");
    EXPECT_EQ(f.SelecaoFiliais, "");
    EXPECT_TRUE(f.rbtTodasFili->Checked());
    Ok(UserActions::Click(*f.sbtSair), "fechar");
  });
}

TEST_P(CadaAutoTest, ABranchModuleWorksOnItsOwnBranchOnly) {
  session().ModuFili = true;
  session().FiliProc = "0003";
  Tela([&](TfrmCadaAutoServico& f) {
    for (TControl* c :
         std::vector<TControl*>{f.medAgrupFili, f.btpPesqAgrupFili, f.rbtTodasFili, f.rbtListaFili, f.btnFilial})
      EXPECT_FALSE(c->Enabled()) << c->Name();
    EXPECT_TRUE(f.rbtListaFili->Checked());
    EXPECT_TRUE(f.rbtTodosServ->Focused());
    Digita(*f.depDataDe, "01/01/2027");
    Digita(*f.depDataAte, "31/01/2027");
    Carrega(f);
    EXPECT_EQ(Linhas(f),
              (std::vector<std::string>{"0003/00010 01/2027 N", "0003/00011 01/2027 N", "0003/00091 01/2027 N"}));
    Ok(UserActions::Click(*f.sbtSair), "fechar");
  });
}

TEST_P(CadaAutoTest, ClosesEvenWhenTheWorkingListCannotBeRemoved) {
  Tela([&](TfrmCadaAutoServico& f) {
    Digita(*f.depDataDe, "01/01/2027");
    Digita(*f.depDataAte, "31/01/2027");
    Carrega(f);
    Exec("UPDATE OPERADOR SET IDATIVO = 'N' WHERE CDOPERADOR = 'ADMIN'");
    ClearLogs();
    Ok(UserActions::Click(*f.sbtSair), "fechar");
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(CallsOf("DeletaLista").size(), 1u);
  });
  EXPECT_EQ(FindScreen("TfrmCadaAutoServico"), nullptr);
  EXPECT_EQ(Listas(), 9) << "left for the server's sweep";
}

CADSERV_SCREEN_SUITE(CadaAutoTest);

}  // namespace cad::test
