// Automatic standard-cost maintenance on both backends: the branch and service selections open to
// the operator, the rows of each mode with their working list, the refusals (a run written all or
// nothing), and the removal of working lists (DeletaLista and the sweep of abandoned ones). The
// writes the screen makes are checked through it in tests/side_screens/cadaauto_test.cpp.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "appserver/methods/custoauto.h"
#include "tests/appserver/method_fixture.h"

namespace cad {
namespace {

class CustoAutoTest : public test::MethodTest {
 protected:
  // GetCustPadrManu over the selection texts, [rows, list, dish types] on success.
  Variant manu(const std::string& servicos, const std::string& filiais, const std::string& modo, DateTime de,
               DateTime ate, const std::string& lista = "", const std::string& grupo = "",
               const char* principal = "N") {
    return call("GetCustPadrManu",
                {servicos, filiais, grupo, "ADMIN", modo, principal, Variant(de), Variant(ate), lista});
  }
  // The rows of a packet as "filial/servico mm/yyyy valor existe".
  static std::vector<std::string> linhas(const Packet& p) {
    std::vector<std::string> out;
    for (size_t r = 0; r < p.rowCount(); ++r) {
      DateTime d = p.value(r, "DTREFCUSPADR").asDateTime();
      char b[96];
      std::snprintf(b, sizeof b, "%s/%s %02d/%04d %g %s", p.value(r, "CDFILIAL").asString().c_str(),
                    p.value(r, "CDSERVFILI").asString().c_str(), d.month(), d.year(),
                    p.value(r, "VRCUSTPADR").asFloat(), p.value(r, "EXIST_CUSTO").asString().c_str());
      out.emplace_back(b);
    }
    return out;
  }
  Variant insere(const std::string& lista, DateTime de, DateTime ate, PacketPtr delta) {
    return call("InsereCustoPadrao", {lista, Variant(de), Variant(ate), Variant(delta)});
  }
};

TEST_P(CustoAutoTest, SelectionsKeepToTheOperatorsBranches) {
  struct Caso {
    const char* operador;
    std::vector<RpcArg> args;
    const char* chaves;
  };
  // JOAO has no access to 0002; "T" as the no-group flag ignores the group code.
  const Caso casos[]{
      {"ADMIN",
       {"0000000001", "", "", "T", "ADMIN", "N"},
       "000100001 000100002 000100003 000100090 000200001 000200004"},
      {"JOAO", {"0000000001", "", "", "T", "JOAO", "N"}, "000100001 000100002 000100003 000100090"},
      {"ADMIN", {"0000000001", "", "", "T", "ADMIN", "S"}, "000100001 000200001"},
      {"ADMIN", {"", "T", "_0003_", "", "ADMIN", "N"}, "000300010 000300011 000300091"},
      {"JOAO", {"qualquer", "T", "_0002_0003_", "", "ADMIN", "S"}, "000300010"},
  };
  for (const Caso& c : casos) {
    server.setOperator(c.operador);
    EXPECT_EQ(column(payload(call("GetServPorGrupOper", c.args)).asPacket(), "L_FILISERV"), c.chaves)
        << c.operador << " " << c.args[2].value().asString();
  }
  server.setOperator("JOAO");
  Packet filiais = payload(call("GetFiliPorGrupOper", {"0000000001", "JOAO"})).asPacket();
  ASSERT_EQ(filiais.rowCount(), 1u);
  EXPECT_EQ(filiais.value(0, "CDFILIAL").asString(), "0001");
  EXPECT_EQ(refusal(call("GetFiliPorGrupOper", {"0000000009", "JOAO"})), "Agrupamento de Filiais não cadastrado.");
  EXPECT_TRUE(payload(call("GetDataServ")).isDateTime());
}

TEST_P(CustoAutoTest, RowsOfEachModeAndTheirDishTypes) {
  // Include: one row per service with its latest cost up to the end of the period.
  Variant r = payload(manu("_000100001_000100003_", "", "I", mes(2027, 1), mes(2027, 3)));
  EXPECT_EQ(linhas(r.asArray()[0].asPacket()),
            (std::vector<std::string>{"0001/00001 01/2027 20.35 S", "0001/00003 01/2027 0 N"}));
  EXPECT_FALSE(r.asArray()[1].asString().empty());
  EXPECT_TRUE(r.asArray()[2].isNull());
  EXPECT_EQ(count("LISTCUSTPADR", "IDLISTA = '" + r.asArray()[1].asString() + "' AND CDOPERADOR = 'ADMIN'"), 2);

  // Alter (and overwrite): the stored months of the period, with the dish-type split in "A".
  Variant a = payload(manu("", "_0001_", "A", mes(2027, 1), mes(2027, 2), r.asArray()[1].asString()));
  EXPECT_EQ(linhas(a.asArray()[0].asPacket()),
            (std::vector<std::string>{"0001/00001 01/2027 19.98 S", "0001/00001 02/2027 20.35 S",
                                      "0001/00002 01/2027 13.1 S"}));
  EXPECT_EQ(a.asArray()[2].asPacket().rowCount(),
            static_cast<size_t>(count("CUSTPADRTP", "CDFILIAL = '0001' AND DTREFCUSPADR >= '2027-01-01'")));
  EXPECT_EQ(count("LISTCUSTPADR", "IDLISTA = '" + r.asArray()[1].asString() + "'"), 0) << "a reload replaces its list";
  EXPECT_EQ(count("LISTCUSTPADR", "IDLISTA = '" + a.asArray()[1].asString() + "'"), 4) << "the branch's services";
}

TEST_P(CustoAutoTest, LoadRefusals) {
  DateTime atual = DateTime::today();
  DateTime passado = mes(atual.year() - 1, atual.month());
  struct Caso {
    std::string operador, modo;
    DateTime de, ate;
    std::string grupo, texto;
  };
  std::vector<Caso> casos{
      {"JOAO", "I", mes(2027, 1), mes(2027, 1), "",
       "O operador JOAO não pertence ao grupo autorizado a manter custos padrão."},
      {"ADMIN", "X", mes(2027, 1), mes(2027, 1), "", "Operação inválida: X."},
      {"ADMIN", "I", passado, mes(2027, 1), "", "O mês inicial não pode ser anterior ao mês atual do servidor."},
      {"ADMIN", "I", mes(2027, 3), mes(2027, 2), "", "O mês final não pode ser anterior ao mês inicial."},
      {"ADMIN", "I", mes(2027, 1), mes(2037, 1), "", "O período não pode passar de 120 meses."},
      {"ADMIN", "I", DateTime{}, mes(2027, 1), "", "Período deve ser informado."},
      {"ADMIN", "A", mes(2027, 1), mes(2027, 1), "9", "Agrupamento de Filiais não cadastrado."},
  };
  for (const Caso& c : casos) {
    server.setOperator(c.operador);
    EXPECT_EQ(refusal(manu("", "", c.modo, c.de, c.ate, "", c.grupo)), c.texto);
  }
  EXPECT_EQ(count("LISTCUSTPADR", "1 = 1"), 0) << "a refused load keeps no list";
  // The current month itself is accepted.
  server.setOperator("ADMIN");
  payload(manu("", "_0001_", "I", atual, atual));
}

TEST_P(CustoAutoTest, ARefusedRowWritesNothingOfTheRun) {
  std::string lista = payload(manu("", "_0001_0002_", "I", mes(2027, 4), mes(2027, 5))).asArray()[1].asString();
  auto tudo = [] {
    return custos({{"0001", "00001", mes(2027, 4), 21},
                   {"0001", "00001", mes(2027, 5), 21},
                   {"0002", "00004", mes(2027, 4), 8},
                   {"0002", "00004", mes(2027, 5), 8}});
  };
  auto nada = [&] { return count("CUSTPADR", "DTREFCUSPADR >= '2027-04-01'"); };
  struct Caso {
    const char* porque;
    PacketPtr delta;
    DateTime ate;
    std::string texto;
  };
  std::vector<Caso> casos{
      {"month outside the period", custos({{"0001", "00001", mes(2027, 4), 21}, {"0002", "00004", mes(2027, 6), 8}}),
       mes(2027, 5), "Filial 0002, serviço 00004: o mês 06/2027 está fora do período informado."},
      {"a value of zero", custos({{"0001", "00001", mes(2027, 4), 21}, {"0002", "00004", mes(2027, 4), 0}}),
       mes(2027, 5), "Filial 0002, serviço 00004: Valor informado deve ser maior que zero."},
      {"a month not a first day", custos({{"0002", "00004", DateTime::fromDate(2027, 4, 2), 8}}), mes(2027, 5),
       "Filial 0002, serviço 00004: O mês de referência deve ser o primeiro dia do mês."},
      {"a service not loaded", custos({{"0001", "00001", mes(2027, 4), 21}, {"0003", "00010", mes(2027, 4), 8}}),
       mes(2027, 5), ""},
      {"a wrong list", tudo(), mes(2027, 5), "Lista de trabalho não encontrada. Carregue os registros novamente."},
  };
  for (const Caso& c : casos) {
    std::string id = std::string(c.porque) == "a wrong list" ? "outra" : lista;
    std::string texto = refusal(insere(id, mes(2027, 4), c.ate, c.delta));
    if (!c.texto.empty()) {
      EXPECT_EQ(texto, c.texto) << c.porque;
    }
    EXPECT_EQ(nada(), 0) << c.porque;
  }
  // The operator loses branch 0002 between the load and the confirm: nothing of 0001 is written.
  exec("DELETE FROM FILIOPER WHERE CDFILIAL = '0002' AND CDOPERADOR = 'ADMIN'");
  EXPECT_EQ(refusal(insere(lista, mes(2027, 4), mes(2027, 5), tudo())),
            "O operador ADMIN não tem acesso à filial 0002.");
  EXPECT_EQ(nada(), 0);
  // An operator outside the standard-cost group writes nothing either, whatever list he names.
  server.setOperator("JOAO");
  EXPECT_EQ(refusal(insere(lista, mes(2027, 4), mes(2027, 5), custos({{"0001", "00001", mes(2027, 4), 21}}))),
            "O operador JOAO não pertence ao grupo autorizado a manter custos padrão.");
  EXPECT_EQ(nada(), 0);
}

// An overwrite is all or nothing: new months refused after the old ones were deleted, or a first
// change set doing more than delete months of the run, leave the months and their dish types. (The
// accepted overwrite is checked through the screen in tests/side_screens/cadaauto_test.cpp.)
TEST_P(CustoAutoTest, ARefusedOverwriteLeavesTheMonthsAsTheyWere) {
  Variant carga = payload(manu("_000100001_", "", "A", mes(2027, 1), mes(2027, 2)));
  const Packet& linhas = carga.asArray()[0].asPacket();
  Packet shape;
  shape.fields = linhas.fields;
  std::vector<Edit> apagar;
  for (const auto& row : linhas.rows) apagar.push_back({ChangeKind::Deleted, row, {}});
  auto sobrepoe = [&](PacketPtr excl, double valor) {
    return call("SobrepoeCustoPadrao", {carga.asArray()[1], Variant(mes(2027, 1)), Variant(mes(2027, 2)), Variant(excl),
                                        Variant(custos({{"0001", "00001", mes(2027, 1), valor}}))});
  };
  ASSERT_GT(count("CUSTPADRTP", "CDFILIAL = '0001' AND CDSERVFILI = '00001' AND DTREFCUSPADR >= '2027-01-01'"), 0);
  const std::string antes = everything();
  EXPECT_EQ(refusal(sobrepoe(changeSet(shape, apagar), 0)),
            "Filial 0001, serviço 00001: Valor informado deve ser maior que zero.");
  PacketPtr muda = changeSet(shape, {{ChangeKind::Modified, linhas.rows[0], {{"VRCUSTPADR", 1.0}}}});
  EXPECT_EQ(refusal(sobrepoe(muda, 30)), "Só podem ser substituídos os meses do período dos serviços carregados.");
  EXPECT_EQ(everything(), antes);
}

TEST_P(CustoAutoTest, WorkingListsAreRemoved) {
  std::string minha = payload(manu("", "_0001_", "I", mes(2027, 1), mes(2027, 1))).asArray()[1].asString();
  server.setOperator("MARIA");
  std::string dela = payload(manu("", "_0001_", "I", mes(2027, 1), mes(2027, 1))).asArray()[1].asString();
  EXPECT_NE(minha, dela);
  auto linhas = [&](const std::string& lista) { return count("LISTCUSTPADR", "IDLISTA = '" + lista + "'"); };
  // DeletaLista removes only the caller's list; an empty identifier is accepted.
  EXPECT_EQ(payload(call("DeletaLista", {minha})).asString(), "");
  EXPECT_EQ(payload(call("DeletaLista", {""})).asString(), "");
  EXPECT_EQ(linhas(minha), 4);
  server.setOperator("ADMIN");
  EXPECT_EQ(payload(call("DeletaLista", {minha})).asString(), "");
  EXPECT_EQ(linhas(minha), 0);

  // Maria's list, loaded two days ago and abandoned, goes with the next load of anyone; one loaded
  // yesterday stays.
  DateTime hoje = DateTime::today();
  exec("UPDATE LISTCUSTPADR SET DTCRIACAO = :D WHERE IDLISTA = :L",
       {{"D", Variant(DateTime{hoje.serial - 2})}, {"L", dela}});
  std::string ontem = payload(manu("", "_0002_", "I", mes(2027, 1), mes(2027, 1))).asArray()[1].asString();
  exec("UPDATE LISTCUSTPADR SET DTCRIACAO = :D WHERE IDLISTA = :L",
       {{"D", Variant(DateTime{hoje.serial - 1})}, {"L", ontem}});
  std::string nova = payload(manu("", "_0001_", "I", mes(2027, 1), mes(2027, 1))).asArray()[1].asString();
  EXPECT_EQ(linhas(dela), 0);
  EXPECT_EQ(linhas(ontem), 2);
  EXPECT_EQ(linhas(nova), 4);
  // The sweep the server also runs at start.
  exec("UPDATE LISTCUSTPADR SET DTCRIACAO = :D", {{"D", Variant(DateTime{hoje.serial - 3})}});
  EXPECT_EQ(appserver::removeListasCustoAbandonadas(*server.pool().acquire(), hoje), 6);
  // Insert with a swept list is refused.
  server.setOperator("MARIA");
  EXPECT_EQ(refusal(insere(dela, mes(2027, 1), mes(2027, 1), custos({{"0001", "00003", mes(2027, 1), 5}}))),
            "Lista de trabalho não encontrada. Carregue os registros novamente.");
}

INSTANTIATE_TEST_SUITE_P(Db, CustoAutoTest, ::testing::ValuesIn(test::backends()), test::BackendName());

}  // namespace
}  // namespace cad
