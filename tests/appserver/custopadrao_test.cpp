// Standard costs on both backends: the reads of a service's months and dish-type costs, the month
// and dish-type saves as stored rows (a deleted month taking its dish-type costs), the planned-menu
// check, and every refusal (operator outside the authorised group, foreign branch, bad values)
// leaving the tables as they were.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/appserver/method_fixture.h"

namespace cad {
namespace {

class CustoPadraoTest : public test::MethodTest {
 protected:
  PacketPtr meses(const char* filial = "0001", const char* servico = "00001") {
    return call("GetCustPadr", {filial, servico}).packetPtr();
  }
  PacketPtr tipos(const char* filial = "0001", const char* servico = "00001") {
    return call("GetCustPadrTp", {filial, servico}).packetPtr();
  }
  std::string upd(PacketPtr delta) { return call("UpdCustPadr", {Variant(delta)}).str(); }
  // The stored months and dish-type costs of 0001/00001 from `desde` on, as "yyyy-mm value" and
  // "yyyy-mm/tipo value".
  std::vector<std::string> stored(DateTime desde) {
    std::vector<std::string> out;
    auto fmt = [](const Variant& d, const Variant& v) {
      int y, m, dd;
      d.asDateTime().decode(y, m, dd);
      char b[64];
      std::snprintf(b, sizeof b, "%04d-%02d %g", y, m, v.asFloat());
      return std::string(b);
    };
    for (const auto& r : sql("SELECT DTREFCUSPADR, VRCUSTPADR FROM CUSTPADR WHERE CDFILIAL = '0001' AND"
                             " CDSERVFILI = '00001' AND DTREFCUSPADR >= :D ORDER BY DTREFCUSPADR",
                             {{"D", Variant(desde)}})
                             .rows)
      out.push_back(fmt(r[0], r[1]));
    for (const auto& r : sql("SELECT DTREFCUSPADR, VRCUSTPADRTP, CDTIPOPRAT FROM CUSTPADRTP WHERE CDFILIAL = '0001'"
                             " AND CDSERVFILI = '00001' AND DTREFCUSPADR >= :D ORDER BY DTREFCUSPADR, CDTIPOPRAT",
                             {{"D", Variant(desde)}})
                             .rows) {
      std::string s = fmt(r[0], r[1]);
      out.push_back(s.substr(0, 7) + "/" + r[2].asString() + s.substr(7));
    }
    return out;
  }
  static PacketPtr novoMes(const Packet& shape, const Variant& data, const Variant& valor, const char* filial = "0001",
                           const char* servico = "00001") {
    return changeSet(
        shape, {{ChangeKind::Inserted,
                 {},
                 {{"CDFILIAL", filial}, {"CDSERVFILI", servico}, {"DTREFCUSPADR", data}, {"VRCUSTPADR", valor}}}});
  }
};

TEST_P(CustoPadraoTest, ReadsMonthsDishTypesLatestMonthAndPlannedMenus) {
  VariantArray all = call("GetCustoPadrao", {"0001", "00001"}).asArray();
  ASSERT_EQ(all.size(), 2u);
  const Packet& m = all[0].asPacket();
  const Packet& t = all[1].asPacket();
  ASSERT_EQ(m.rowCount(), 6u);
  EXPECT_EQ(m.value(0, "DTREFCUSPADR").asDateTime(), mes(2026, 9));
  EXPECT_DOUBLE_EQ(m.value(0, "VRCUSTPADR").asFloat(), 18.5);
  EXPECT_EQ(t.rowCount(), tipos()->rowCount());

  EXPECT_EQ(call("GetCustPadrAux", {"0001", "00001"}).asPacket().value(0, "DTREFCUSPADR").asDateTime(), mes(2027, 2));
  EXPECT_TRUE(call("GetCustPadrAux", {"0001", "00003"}).asPacket().value(0, "DTREFCUSPADR").isNull());
  EXPECT_EQ(call("GetCustoPadrao", {"0001", ""}), Variant("Serviço não informado."));
  EXPECT_EQ(call("GetCustoPadrao", {"0001", "00099"}), Variant("Serviço 00099 não cadastrado na filial 0001."));

  // A menu on any day of the month counts.
  EXPECT_EQ(call("GetCardadia", {"0001", "00001", Variant(mes(2026, 12, 20))}).str(), "EXISTE_CARD");
  EXPECT_EQ(call("GetCardadia", {"0001", "00001", Variant(mes(2027, 1))}).str(), "");
  EXPECT_EQ(call("GetCardadia", {"0001", "00002", Variant(mes(2026, 12))}).str(), "");
}

TEST_P(CustoPadraoTest, MonthSavesAndADeletedMonthTakesItsDishTypes) {
  PacketPtr m = meses();
  EXPECT_EQ(upd(novoMes(*m, mes(2027, 3), 21.5)), "");
  std::vector<Variant> jan = rowWhere(*m, "VRCUSTPADR", "19.98");
  std::vector<Variant> fev = rowWhere(*m, "VRCUSTPADR", "20.35");
  EXPECT_EQ(upd(changeSet(*m, {{ChangeKind::Modified, jan, {{"VRCUSTPADR", 30.0}}}, {ChangeKind::Deleted, fev, {}}})),
            "");
  EXPECT_EQ(stored(mes(2027, 1)), (std::vector<std::string>{"2027-01 30", "2027-03 21.5", "2027-01/01 2.16",
                                                            "2027-01/02 1.944", "2027-01/03 9.18", "2027-01/04 2.376",
                                                            "2027-01/05 1.62", "2027-01/06 1.62", "2027-01/07 1.08"}));
}

TEST_P(CustoPadraoTest, MonthRefusalsWriteNothing) {
  PacketPtr m = meses();
  std::vector<Variant> dez = rowWhere(*m, "VRCUSTPADR", "19.61");
  std::vector<Variant> jan = rowWhere(*m, "VRCUSTPADR", "19.98");
  exec("DELETE FROM FILIOPER WHERE CDOPERADOR = 'MARIA' AND CDFILIAL = '0002'");
  struct Case {
    const char* operador;
    PacketPtr delta;
    std::string text;
  };
  const Case cases[] = {
      {"JOAO", novoMes(*m, mes(2027, 3), 1),
       "O operador JOAO não pertence ao grupo autorizado a manter custos padrão."},
      {"MARIA", novoMes(*m, mes(2027, 3), 1, "0002"), "O operador MARIA não tem acesso à filial 0002."},
      {"ADMIN", novoMes(*m, mes(2027, 3), 0.0), "Valor informado deve ser maior que zero."},
      {"ADMIN", novoMes(*m, mes(2027, 3), Variant()), "Valor deve ser informado."},
      {"ADMIN", novoMes(*m, mes(2027, 3), 1e12), "Valor de custo padrão inválido."},
      {"ADMIN", novoMes(*m, mes(2027, 3, 15), 1), "O mês de referência deve ser o primeiro dia do mês."},
      {"ADMIN", novoMes(*m, Variant(), 1), "Mês deve ser informado."},
      {"ADMIN", novoMes(*m, mes(2027, 3), 1, "0001", "00099"), "Serviço 00099 não cadastrado na filial 0001."},
      // A valid month ahead of a refused one is not kept either.
      {"ADMIN",
       changeSet(*m, {{ChangeKind::Modified, jan, {{"VRCUSTPADR", 25.0}}},
                      {ChangeKind::Modified, jan, {{"DTREFCUSPADR", Variant(mes(2027, 4))}}}}),
       "A filial, o serviço e o mês de um custo padrão cadastrado não podem ser alterados."},
      {"ADMIN", changeSet(*m, {{ChangeKind::Deleted, dez, {}}}),
       "Operação bloqueada! Existe cardápio cadastrado para o mês."},
  };
  std::vector<std::string> before = stored(mes(2026, 9));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    server.setOperator(c.operador);
    EXPECT_EQ(upd(c.delta), c.text);
  }
  EXPECT_EQ(stored(mes(2026, 9)), before);
  EXPECT_EQ(count("CUSTPADR", "CDFILIAL = '0002' AND CDSERVFILI = '00001'"), 1);
}

TEST_P(CustoPadraoTest, DishTypeSavesAndRefusals) {
  PacketPtr t = tipos();
  std::vector<Variant> fevArroz, fevSuco;
  for (size_t r = 0; r < t->rowCount(); ++r)
    if (t->value(r, "DTREFCUSPADR").asDateTime() == mes(2027, 2)) {
      if (t->value(r, "CDTIPOPRAT").asString() == "01") fevArroz = t->rows[r];
      if (t->value(r, "CDTIPOPRAT").asString() == "07") fevSuco = t->rows[r];
    }
  ASSERT_FALSE(fevArroz.empty());
  ASSERT_FALSE(fevSuco.empty());
  auto updTp = [&](PacketPtr d) { return call("UpdCustPadrTp", {Variant(d)}); };
  std::vector<std::string> before = stored(mes(2026, 9));
  struct Case {
    const char* operador;
    PacketPtr delta;
    std::string text;
  };
  const Case cases[] = {
      {"JOAO", changeSet(*t, {{ChangeKind::Deleted, fevSuco, {}}}),
       "O operador JOAO não pertence ao grupo autorizado a manter custos padrão."},
      {"ADMIN", changeSet(*t, {novoTipo("08", -0.01, mes(2027, 2))}),
       "Valor do custo do tipo de prato deve ser maior ou igual a zero."},
      {"ADMIN", changeSet(*t, {novoTipo("08", Variant(), mes(2027, 2))}),
       "Valor do custo do tipo de prato deve ser informado."},
      {"ADMIN", changeSet(*t, {novoTipo("99", 1, mes(2027, 2))}), "Tipo de prato não cadastrado."},
      {"ADMIN", changeSet(*t, {novoTipo("08", 1, mes(2027, 5))}), "Mês do custo padrão não cadastrado para o serviço."},
      {"ADMIN", changeSet(*t, {novoTipo("01", 1, mes(2027, 2))}),
       "O registro já foi incluído por outro usuário. Recarregue os dados e tente novamente."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    server.setOperator(c.operador);
    EXPECT_EQ(refusal(updTp(c.delta)), c.text);
  }
  EXPECT_EQ(stored(mes(2026, 9)), before);

  server.setOperator("MARIA");
  payload(updTp(
      changeSet(*t, {{ChangeKind::Modified, fevArroz, {{"VRCUSTPADRTP", 0.0}}}, {ChangeKind::Deleted, fevSuco, {}}})));
  payload(updTp(changeSet(*t, {novoTipo("08 ", 3.2, mes(2027, 2))})));
  std::vector<std::string> now = stored(mes(2027, 2));
  EXPECT_EQ(now.front(), "2027-02 20.35");
  EXPECT_EQ(now.at(1), "2027-02/01 0");
  EXPECT_EQ(now.back(), "2027-02/08 3.2");
  EXPECT_EQ(count("CUSTPADRTP", "DTREFCUSPADR >= '2027-02-01' AND CDTIPOPRAT = '07'"), 0);
}

TEST_P(CustoPadraoTest, AMonthAndItsDishTypesAreWrittenTogetherOrNotAtAll) {
  PacketPtr m = meses();
  PacketPtr mesDelta =
      changeSet(*m, {{ChangeKind::Modified, rowWhere(*m, "VRCUSTPADR", "20.35"), {{"VRCUSTPADR", 40.7}}}});
  auto comTp = [&](PacketPtr tp) { return call("UpdCustPadrComTp", {Variant(mesDelta), Variant(tp)}); };

  // The month would pass; its dish types are refused (one changed meanwhile, or one unknown): the
  // month stays as it was.
  PacketPtr lidos = tiposDobrados();
  exec(
      "UPDATE CUSTPADRTP SET VRCUSTPADRTP = VRCUSTPADRTP + 1 WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'"
      " AND DTREFCUSPADR = '2027-02-01' AND CDTIPOPRAT = '01'");
  std::vector<std::string> antes = stored(mes(2027, 2));
  EXPECT_FALSE(refusal(comTp(lidos)).empty());
  EXPECT_EQ(refusal(comTp(changeSet(*tipos(), {novoTipo("99", 1, mes(2027, 2))}))), "Tipo de prato não cadastrado.");
  EXPECT_EQ(stored(mes(2027, 2)), antes);

  payload(comTp(tiposDobrados()));
  std::vector<std::string> depois = stored(mes(2027, 2));
  EXPECT_EQ(depois.front(), "2027-02 40.7");
  ASSERT_EQ(depois.size(), antes.size());
  auto valor = [](const std::string& linha) { return std::stod(linha.substr(linha.find(' ') + 1)); };
  for (size_t i = 1; i < antes.size(); ++i) EXPECT_DOUBLE_EQ(valor(depois[i]), valor(antes[i]) * 2) << antes[i];
}

INSTANTIATE_TEST_SUITE_P(Db, CustoPadraoTest, ::testing::ValuesIn(test::backends()), test::BackendName());

}  // namespace
}  // namespace cad
