// Estimated diners per diet on both backends: the diets a hospital service lists (none for a
// corporate one, an inactive diet only while it still has figures), one diet's figures, and
// UpdDietServ storing, changing and removing figures while each refusal writes nothing.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/appserver/method_fixture.h"

namespace cad {
namespace {

class DietasTest : public test::MethodTest {
 protected:
  PacketPtr dietPad(const std::string& filial, const std::string& servico) {
    return call("GetDietPad", {filial, servico}).packetPtr();
  }
  PacketPtr dietServ(const std::string& servico, const std::string& dieta) {
    return call("GetDietServ", {"0003", servico, dieta}).packetPtr();
  }
  std::string upd(PacketPtr delta) { return call("UpdDietServ", {Variant(delta)}).asString(); }
  double stored(const std::string& column, const std::string& dieta) {
    return sql("SELECT " + column +
                   " FROM DIETSERV WHERE CDFILIAL = '0003' AND CDSERVFILI = '00010' AND CDDIETPAD = :D",
               {{"D", dieta}})
        .rows.at(0)
        .at(0)
        .asFloat();
  }
};

TEST_P(DietasTest, DietsOfAHospitalServiceAndTheFiguresOfOne) {
  PacketPtr p = dietPad("0003", "00010");
  EXPECT_EQ(column(*p, "CDDIETPAD"), "0001 0002 0003 0004 0005 0006");
  EXPECT_EQ(p->value(0, "DSDIETPAD").str(), "Dieta Geral");
  EXPECT_EQ(dietPad("0001", "00001")->rowCount(), 0u) << "corporate service";
  EXPECT_EQ(dietPad("0003", "00091")->rowCount(), 0u) << "billing-only service";
  EXPECT_EQ(dietPad("0001", "00010")->rowCount(), 0u) << "service of another branch";

  // An inactive diet stays listed where figures are stored for it (0005 in 00010, not in 00011).
  exec("UPDATE DIETPADR SET IDATIVO = 'N' WHERE CDDIETPAD IN ('0005', '0006')");
  EXPECT_EQ(column(*dietPad("0003", "00010"), "CDDIETPAD"), "0001 0002 0003 0004 0005");
  EXPECT_EQ(column(*dietPad("0003", "00011"), "CDDIETPAD"), "0001 0002 0003 0004");

  PacketPtr f = dietServ("00010", "0001");
  ASSERT_EQ(f->rowCount(), 1u);
  EXPECT_EQ(f->value(0, "QTCLIDIETSEG").asFloat(), 80);
  EXPECT_EQ(dietServ("00010", "0004")->rowCount(), 0u);
}

TEST_P(DietasTest, StoresChangesAndRemovesFigures) {
  PacketPtr shape = dietServ("00010", "0004");
  EXPECT_EQ(upd(changeSet(*shape, {{ChangeKind::Inserted, {}, novaDieta()}})), "");
  EXPECT_EQ(stored("QTCOMDIETSEG", "0004"), 7);
  EXPECT_EQ(count("DIETSERV", "CDDIETPAD = '0004' AND QTDOADIETSEG IS NULL AND QTCOMDIETTER IS NULL"), 1);

  // Emptying a category lowers the total to the sum of the others.
  PacketPtr now = dietServ("00010", "0004");
  EXPECT_EQ(upd(changeSet(
                *now, {{ChangeKind::Modified, now->rows[0], {{"QTCLIDIETSEG", Variant()}, {"QTCOMDIETSEG", 3.0}}}})),
            "");
  EXPECT_EQ(stored("QTCOMDIETSEG", "0004"), 3);

  now = dietServ("00010", "0004");
  EXPECT_EQ(upd(changeSet(*now, {{ChangeKind::Deleted, now->rows[0], {}}})), "");
  EXPECT_EQ(count("DIETSERV", "CDSERVFILI = '00010' AND CDDIETPAD = '0004'"), 0);
}

TEST_P(DietasTest, RefusalsWriteNothing) {
  PacketPtr shape = dietServ("00010", "0004");
  PacketPtr geral = dietServ("00010", "0001");
  auto insert = [&](std::vector<std::pair<std::string, Variant>> extra) {
    auto changes = novaDieta();
    for (auto& e : extra) changes.push_back(std::move(e));
    return changeSet(*shape, {{ChangeKind::Inserted, {}, changes}});
  };
  auto modify = [&](std::vector<std::pair<std::string, Variant>> changes) {
    return changeSet(*geral, {{ChangeKind::Modified, geral->rows[0], std::move(changes)}});
  };
  struct Case {
    const char* what;
    PacketPtr delta;
    std::string text;
  };
  const std::vector<Case> cases{
      {"negative", insert({{"QTFUNDIETSEG", -3.0}, {"QTCOMDIETSEG", 1.0}}),
       "Quantidade de comensais de segunda-feira deve ser maior ou igual a zero."},
      {"beyond the column", insert({{"QTCLIDIETSEG", 1e12}, {"QTCOMDIETSEG", 1e12 + 3}}),
       "Quantidade de comensais de segunda-feira excede o máximo permitido."},
      {"not a number", insert({{"QTDOADIETSEX", "x"}}), "Quantidade de comensais inválida em QTDOADIETSEX."},
      {"total not the sum", insert({{"QTCOMDIETSEG", 8.0}}),
       "O total de comensais de segunda-feira deve ser a soma dos comensais do cliente, dos funcionários e das "
       "doações."},
      {"total without categories", insert({{"QTCOMDIETFER", 5.0}}),
       "O total de comensais de feriado deve ser a soma dos comensais do cliente, dos funcionários e das doações."},
      {"category without total", insert({{"QTDOADIETDOM", 2.0}}),
       "O total de comensais de domingo deve ser a soma dos comensais do cliente, dos funcionários e das doações."},
      {"unknown diet", insert({{"CDDIETPAD", "0099"}}), "Dieta não cadastrada: 0099."},
      {"no diet", insert({{"CDDIETPAD", Variant()}}), "Dieta não informada."},
      {"unknown service", insert({{"CDSERVFILI", "00099"}}), "Serviço 00099 não cadastrado na filial 0003."},
      {"already stored", insert({{"CDDIETPAD", "0001"}}),
       "O registro já foi incluído por outro usuário. Recarregue os dados e tente novamente."},
      {"key changed", modify({{"CDDIETPAD", "0004"}}),
       "A filial, o serviço e a dieta de comensais cadastrados não podem ser alterados."},
      {"total left standing", modify({{"QTCLIDIETSEG", Variant()}}),
       "O total de comensais de segunda-feira deve ser a soma dos comensais do cliente, dos funcionários e das "
       "doações."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(upd(c.delta), c.text);
  }
  // Malformed: a plain packet is not a change set; a change set without the day columns.
  EXPECT_THROW(upd(geral), std::exception);
  auto semDias = std::make_shared<Packet>();
  semDias->fields = {shape->fields[static_cast<size_t>(shape->fieldIndex("CDFILIAL"))],
                     shape->fields[static_cast<size_t>(shape->fieldIndex("CDSERVFILI"))],
                     shape->fields[static_cast<size_t>(shape->fieldIndex("CDDIETPAD"))]};
  EXPECT_THROW(
      upd(changeSet(
          *semDias,
          {{ChangeKind::Inserted, {}, {{"CDFILIAL", "0003"}, {"CDSERVFILI", "00010"}, {"CDDIETPAD", "0004"}}}})),
      std::exception);
  EXPECT_EQ(count("DIETSERV", "CDDIETPAD = '0004'"), 0);
  EXPECT_EQ(stored("QTCLIDIETSEG", "0001"), 80);

  // An operator without access to the branch.
  exec("DELETE FROM FILIOPER WHERE CDFILIAL = '0003' AND CDOPERADOR = 'JOAO'");
  server.setOperator("JOAO");
  EXPECT_EQ(upd(changeSet(*shape, {{ChangeKind::Inserted, {}, novaDieta()}})),
            "O operador JOAO não tem acesso à filial 0003.");
  EXPECT_EQ(count("DIETSERV", "CDDIETPAD = '0004'"), 0);
  server.setOperator("MARIA");
  EXPECT_EQ(upd(changeSet(*shape, {{ChangeKind::Inserted, {}, novaDieta()}})), "");
}

INSTANTIATE_TEST_SUITE_P(Db, DietasTest, ::testing::ValuesIn(test::backends()), test::BackendName());

}  // namespace
}  // namespace cad
