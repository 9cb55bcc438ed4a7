// Copy of a service and the exports of a service's data, on both backends: every dependent table of
// the copy compared row by row with the source, all-or-nothing when a later destination is
// refused, the branch rights; the diet export, the hand-over of diners to the menu planning and
// the export of the menu configuration as stored rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/appserver/method_fixture.h"

namespace cad {
namespace {

class ReplicaTest : public test::MethodTest {
 protected:
  Variant replica(const std::vector<std::pair<std::string, std::string>>& lista, const char* filial = "0001",
                  const char* grupo = "001", const char* origem = "00001") {
    return call("ReplicaServico", {filial, grupo, origem, Variant(destinos(lista))});
  }

  // The rows of a table for one service as sorted texts, without the columns that differ by
  // design in a copy (the service code, the restriction number, the names and the product).
  std::vector<std::string> linhas(const std::string& tabela, const std::string& filial, const std::string& servico) {
    db::ResultSet rs =
        sql("SELECT * FROM " + tabela + " WHERE CDFILIAL = :F AND CDSERVFILI = :S", {{"F", filial}, {"S", servico}});
    return texto(rs, {"CDSERVFILI", "NRRESTEMBTPPRAT", "NMSERVICO", "NMSERVICOREDU", "CDPRODUTO"});
  }
  static std::vector<std::string> texto(const db::ResultSet& rs, const std::vector<std::string>& fora) {
    std::vector<std::string> out;
    for (const auto& r : rs.rows) {
      std::string s;
      for (size_t i = 0; i < rs.columns.size(); ++i) {
        if (std::find(fora.begin(), fora.end(), rs.columns[i].name) != fora.end()) continue;
        s += rs.columns[i].name + "=" + (r[i].isNull() ? "<null>" : r[i].asString()) + ";";
      }
      out.push_back(s);
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  // The packages of the service's restrictions, by the restriction's menu line and delivery point.
  std::vector<std::string> pacotesRestricao(const std::string& servico) {
    return texto(sql("SELECT R.NRSEQCNFCARD, R.CDCLIENTE, R.CDDESTFILI, C.CDCONTAINER, C.VRMINCONTAINER, C.NRORDEM"
                     " FROM RESTEMBTPPRAT R JOIN RESTEMBCONT C ON C.NRRESTEMBTPPRAT = R.NRRESTEMBTPPRAT"
                     " WHERE R.CDFILIAL = '0001' AND R.CDSERVFILI = :S",
                     {{"S", servico}}),
                 {});
  }
};

const std::vector<std::string> kTabelas{"SERVICO",    "SERVFATU",       "TURNOSERV",    "CUSTPADR",
                                        "CUSTPADRTP", "CNFCARD",        "CONSPRODSERV", "DIETSERV",
                                        "DESTSRVCLI", "CNFDISTEMBSERV", "CNFDISTEMBTP", "RESTEMBTPPRAT"};

TEST_P(ReplicaTest, EveryDependentTableIsCopiedRowByRowToEachDestination) {
  // Under standard services the name and product are the standard service's, whatever is sent.
  EXPECT_EQ(payload(replica({{"00004", "Lanche da Tarde"}, {"00005", "Outro nome"}})).asInt(), 2);
  for (const char* destino : {"00004", "00005"}) {
    for (const std::string& t : kTabelas) {
      std::vector<std::string> fonte = linhas(t, "0001", "00001");
      if (t != "DIETSERV") {
        EXPECT_FALSE(fonte.empty()) << t << ": the demo source should have rows";
      }
      EXPECT_EQ(linhas(t, "0001", destino), fonte) << t << " of " << destino;
    }
    EXPECT_EQ(pacotesRestricao(destino), pacotesRestricao("00001"));
  }
  db::ResultSet nova =
      sql("SELECT NMSERVICO, NMSERVICOREDU, CDPRODUTO FROM SERVICO WHERE CDFILIAL = '0001' AND CDSERVFILI = '00005'");
  EXPECT_EQ(nova.rows.at(0).at(0).asString() + "|" + nova.rows.at(0).at(1).asString() + "|" +
                nova.rows.at(0).at(2).asString(),
            "Ceia|Ceia|1005");
  // New restriction numbers, none shared with the source; history is not copied.
  EXPECT_EQ(count("RESTEMBTPPRAT", "CDFILIAL = '0001'"), 6);
  EXPECT_EQ(sql("SELECT COUNT(DISTINCT NRRESTEMBTPPRAT) FROM RESTEMBTPPRAT").rows[0][0].asInt(), 6);
  EXPECT_EQ(count("EFETSERVFAT", "CDSERVFILI IN ('00004', '00005')"), 0);
}

TEST_P(ReplicaTest, DietsOfAHospitalServiceAreCopied) {
  exec("DELETE FROM SERVPADR");  // codes typed freely
  payload(call("ReplicaServico", {"0003", "003", "00010", Variant(destinos({{"00020", "Dietas Ala B"}}))}));
  EXPECT_EQ(linhas("DIETSERV", "0003", "00020"), linhas("DIETSERV", "0003", "00010"));
  EXPECT_EQ(linhas("DIETSERV", "0003", "00020").size(), 4u);
}

TEST_P(ReplicaTest, ARefusedThirdDestinationLeavesNothingWritten) {
  struct Caso {
    std::vector<std::pair<std::string, std::string>> lista;
    std::string texto;
  };
  const std::vector<Caso> casos{
      {{{"00004", "A"}, {"00005", "B"}, {"00002", "C"}}, "Código de serviço 00002 já cadastrado para a filial 0001."},
      {{{"00004", "A"}, {"00005", "B"}, {"00004", "C"}}, "Serviço 00004 informado mais de uma vez."},
      {{{"00004", "A"}, {"00005", "B"}, {"00077", "C"}}, "Padrão de serviço 00077 não encontrado."},
      {{{"00004", "A"}, {"00005", "B"}, {"00077", ""}}, "Nome do serviço 00077 deve ser informado."},
      {{{"00004", "A"}, {"00005", "B"}, {"0'; --", "C"}}, "Código de serviço inválido: 0'; --."},
      {{{"00004", "A"}, {"00005", "B"}, {"004", "C"}}, "Código de serviço inválido: 004."},
  };
  const std::string antes = everything();
  for (const Caso& c : casos) {
    EXPECT_EQ(refusal(replica(c.lista)), c.texto);
    EXPECT_EQ(everything(), antes);
  }
}

TEST_P(ReplicaTest, RefusalsOfTheSourceTheListAndTheBranch) {
  EXPECT_EQ(refusal(replica({})), "Informe pelo menos um serviço de destino.");
  EXPECT_EQ(refusal(replica({{"00004", "A"}}, "0001", "002")), "Serviço 00001 não pertence ao grupo 002.");
  EXPECT_EQ(refusal(replica({{"00004", "A"}}, "0001", "009")), "Grupo de serviço 009 não cadastrado.");
  EXPECT_EQ(refusal(replica({{"00004", "A"}}, "0001", "004", "00090")), "O serviço 00090 não pode ser copiado.");
  EXPECT_EQ(refusal(replica({{"00004", "A"}}, "0001", "001", "00099")), "Serviço 00099 não cadastrado na filial 0001.");
  std::vector<std::pair<std::string, std::string>> muitos(101, {"00004", "A"});
  EXPECT_EQ(refusal(replica(muitos)), "Serviços de destino demais (limite 100).");
  server.setOperator("JOAO");
  EXPECT_EQ(refusal(replica({{"00004", "A"}}, "0002", "001")), "O operador JOAO não tem acesso à filial 0002.");
  EXPECT_EQ(count("SERVICO", "CDSERVFILI = '00004' AND CDFILIAL IN ('0001', '0002')"), 1);  // the demo's 0002/00004
}

TEST_P(ReplicaTest, DietExportCopiesTheSourceFiguresToTheListedDiets) {
  Variant filial("0003"), servico("00010"), dieta("0002"), lista("0003_0005_");
  Variant r = call("SetExpComens", {ByRef(filial), ByRef(servico), ByRef(dieta), ByRef(lista)});
  EXPECT_EQ(payload(r).asInt(), 2);
  std::vector<std::string> fonte = texto(sql("SELECT * FROM DIETSERV WHERE CDFILIAL = '0003' AND CDSERVFILI = '00010'"
                                             " AND CDDIETPAD = '0002'"),
                                         {"CDDIETPAD"});
  for (const char* d : {"0003", "0005"})
    EXPECT_EQ(texto(sql("SELECT * FROM DIETSERV WHERE CDFILIAL = '0003' AND CDSERVFILI = '00010' AND CDDIETPAD = :D",
                        {{"D", d}}),
                    {"CDDIETPAD"}),
              fonte)
        << d;
  // The diet that was not listed keeps its figures.
  EXPECT_EQ(sql("SELECT QTCLIDIETSEG FROM DIETSERV WHERE CDFILIAL = '0003' AND CDSERVFILI = '00010'"
                " AND CDDIETPAD = '0001'")
                .rows[0][0]
                .asFloat(),
            80.0);

  struct Caso {
    std::string lista, texto;
  };
  for (const Caso& c : std::vector<Caso>{{"", "Dieta de destino deve ser informada."},
                                         {"0003_0006_", "Dieta 0006 não cadastrada para o serviço 00010."},
                                         {"0001_", "A dieta 0001 é a dieta de origem."},
                                         {"00033_", "Lista de dietas de destino inválida."},
                                         {std::string(3000, '_'), "Lista de dietas de destino inválida."}}) {
    EXPECT_EQ(refusal(call("SetExpComens", {"0003", "00010", "0001", c.lista})), c.texto);
  }
  // The refused list with a valid first diet wrote nothing.
  EXPECT_EQ(sql("SELECT QTCLIDIETSEG FROM DIETSERV WHERE CDFILIAL = '0003' AND CDSERVFILI = '00010'"
                " AND CDDIETPAD = '0003'")
                .rows[0][0]
                .asFloat(),
            25.0);
  server.setOperator("JOAO");
  EXPECT_EQ(refusal(call("SetExpComens", {"0002", "00001", "0001", "0002_"})),
            "O operador JOAO não tem acesso à filial 0002.");
}

TEST_P(ReplicaTest, MenuPlanningGetsEachDayOfTheMonthFromItsWeekday) {
  auto dia = [&](int ano, int d, const char* dieta = "") {
    return sql("SELECT QTCOMENSAIS FROM CARDCOMENS WHERE CDFILIAL = :F AND CDSERVFILI = :S AND DTCARDAPIO = :D"
               " AND CDDIETPAD = :T",
               {{"F", dieta[0] ? "0003" : "0001"},
                {"S", dieta[0] ? "00010" : "00001"},
                {"D", Variant(DateTime::fromDate(ano, 12, d))},
                {"T", dieta}})
        .rows.at(0)
        .at(0)
        .asFloat();
  };
  // December 2026, the 7th a Monday; December 1800, the 1st a Monday. Dates before 30/12/1899 have
  // negative serials, whose weekday once came out negative and read outside the row of figures.
  for (auto [ano, segunda] : {std::pair{2026, 7}, std::pair{1800, 1}}) {
    SCOPED_TRACE(ano);
    payload(call("SetComensCardapio", {"0001", "00001", Variant(DateTime::fromDate(ano, 12, 15))}));
    EXPECT_EQ(dia(ano, segunda), 345.0);      // Monday
    EXPECT_EQ(dia(ano, segunda + 1), 355.0);  // Tuesday
    EXPECT_EQ(dia(ano, segunda + 5), 140.0);  // Saturday
    EXPECT_EQ(dia(ano, segunda + 6), 0.0);    // Sunday
  }
  EXPECT_EQ(count("CARDCOMENS", "CDFILIAL = '0001' AND CDSERVFILI = '00001'"), 2 * 31);
  // Again: the month is replaced, not added to.
  payload(call("SetComensCardapio", {"0001", "00001", Variant(DateTime::fromDate(2026, 12, 1))}));
  EXPECT_EQ(count("CARDCOMENS", "CDFILIAL = '0001' AND CDSERVFILI = '00001'"), 2 * 31);
  // Per diet for a hospital service.
  payload(call("SetComensCardapio", {"0003", "00010", Variant(DateTime::fromDate(2026, 12, 1))}));
  EXPECT_EQ(count("CARDCOMENS", "CDFILIAL = '0003' AND CDSERVFILI = '00010'"), 31 * 4);
  EXPECT_EQ(dia(2026, 7, "0001"), 100.0);
  EXPECT_EQ(refusal(call("SetComensCardapio", {"0001", "00090", Variant(DateTime::fromDate(2026, 12, 1))})),
            "O serviço 00090 não tem comensais estimados.");
}

TEST_P(ReplicaTest, MenuConfigurationExportReplacesTheDestinationsLines) {
  std::vector<std::string> fonte = linhas("CNFCARD", "0001", "00001");
  // A destination with packaging loses it with its lines: only with the user's consent.
  exec(
      "INSERT INTO CNFDISTEMBSERV (CDFILIAL, CDSERVFILI, CDCLIENTE, CDDESTFILI, NRGRUPO, CDCNFDISTEMBSERV, CDCONTAINER)"
      " VALUES ('0001', '00003', '', '', 1, 'DIST', NULL)");
  std::vector<std::string> antes = linhas("CNFCARD", "0001", "00002");
  EXPECT_EQ(refusal(call("ExportaConfPadrao", {"0001", "00001", "00002_00003_", "N"})),
            "O serviço 00003 tem distribuição ou restrição de embalagens, que a exportação exclui; confirme a exclusão"
            " para exportar.");
  EXPECT_EQ(linhas("CNFCARD", "0001", "00002"), antes);
  EXPECT_EQ(payload(call("ExportaConfPadrao", {"0001", "00001", "00002_00003_", "S"})).asInt(), 2);
  EXPECT_EQ(linhas("CNFCARD", "0001", "00002"), fonte);
  EXPECT_EQ(linhas("CNFCARD", "0001", "00003"), fonte);
  EXPECT_EQ(refusal(call("ExportaConfPadrao", {"0001", "00001", "00002_00090_", "S"})),
            "O serviço 00090 é somente de faturamento.");
  EXPECT_EQ(refusal(call("ExportaConfPadrao", {"0001", "00001", "00002_00009_", "S"})),
            "Serviço 00009 não cadastrado na filial 0001.");
}

INSTANTIATE_TEST_SUITE_P(Db, ReplicaTest, ::testing::ValuesIn(test::backends()), test::BackendName());

}  // namespace
}  // namespace cad
