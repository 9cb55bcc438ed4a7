// Billing by equivalence on both backends: the equivalences and candidate billing services of the
// demo data, SerServFatu's inserts and deletes with each refusal writing nothing (not a billing
// service, itself, duplicate, edit, effective entries, foreign branch), and
// verificaEfetServFat on the demo billing service that has entries.
#include <gtest/gtest.h>

#include "tests/appserver/method_fixture.h"

namespace cad {
namespace {

class FaturamentoTest : public test::MethodTest {
 protected:
  PacketPtr servFatu(const std::string& filial, const std::string& servico) {
    return payload(call("GetServFatu", {filial, servico})).packetPtr();
  }
  Variant ser(PacketPtr delta) { return call("SerServFatu", {Variant(delta)}); }
  // A change set of cdsServFatu inserting one equivalence.
  PacketPtr insert(const Packet& shape, const std::string& filial, const std::string& servico,
                   const std::string& faturam) {
    return changeSet(
        shape,
        {{ChangeKind::Inserted, {}, {{"CDFILIAL", filial}, {"CDSERVFILI", servico}, {"CDSERVICFATURAM", faturam}}}});
  }
  long long stored(const std::string& where) { return count("SERVFATU", where); }
};

TEST_P(FaturamentoTest, EquivalencesAndCandidatesOfTheDemoBranch) {
  PacketPtr p = servFatu("0001", "00001");
  ASSERT_EQ(p->rowCount(), 1u);
  EXPECT_EQ(p->value(0, "CDSERVICFATURAM").str(), "00090");
  EXPECT_EQ(servFatu("0001", "")->rowCount(), 0u);

  PacketPtr c = payload(call("GetPesqServFatu", {"0001"})).packetPtr();
  ASSERT_EQ(c->rowCount(), 1u);
  EXPECT_EQ(c->value(0, "CDSERVFILI").str(), "00090");
  EXPECT_EQ(payload(call("GetPesqServFatu", {"0002"})).asPacket().rowCount(), 0u);
}

TEST_P(FaturamentoTest, SerServFatuInsertsDeletesAndRefusesWithNothingWritten) {
  exec(
      "INSERT INTO SERVICO (CDFILIAL, CDSERVFILI, NMSERVICO, IDTIPOSERV, IDSERVTRAN, IDSERVATIV)"
      " VALUES ('0001', '00092', 'Faturamento Eventos', 'F', 'N', 'N')");
  PacketPtr shape = servFatu("0001", "00003");
  EXPECT_EQ(payload(ser(insert(*shape, "0001", "00003", "00092"))).str(), "");
  EXPECT_EQ(stored("CDFILIAL = '0001' AND CDSERVFILI = '00003' AND CDSERVICFATURAM = '00092'"), 1);

  EXPECT_EQ(refusal(ser(insert(*shape, "0001", "00003", "00092"))),
            "Serviço de faturamento 00092 já cadastrado para o serviço 00003.");
  EXPECT_EQ(refusal(ser(insert(*shape, "0001", "00003", "00091"))),  // billing service of another branch
            "O serviço 00091 não é um serviço de faturamento da filial 0001.");
  EXPECT_EQ(refusal(ser(insert(*shape, "0001", "00092", "00092"))),
            "Um serviço não pode ser serviço de faturamento de si mesmo.");
  // Two rows of one change set: a valid one and a duplicate of it; neither is kept.
  PacketPtr twice = changeSet(
      *shape,
      {{ChangeKind::Inserted, {}, {{"CDFILIAL", "0001"}, {"CDSERVFILI", "00002"}, {"CDSERVICFATURAM", "00092"}}},
       {ChangeKind::Inserted, {}, {{"CDFILIAL", "0001"}, {"CDSERVFILI", "00002"}, {"CDSERVICFATURAM", "00092"}}}});
  EXPECT_EQ(refusal(ser(twice)), "Serviço de faturamento 00092 já cadastrado para o serviço 00002.");
  EXPECT_EQ(stored("CDSERVFILI = '00002' AND CDSERVICFATURAM = '00092'"), 0);

  PacketPtr now = servFatu("0001", "00003");
  ASSERT_EQ(now->rowCount(), 1u);
  EXPECT_EQ(refusal(ser(changeSet(*now, {{ChangeKind::Modified, now->rows[0], {{"CDSERVICFATURAM", "00090"}}}}))),
            "Uma equivalência não pode ser alterada: exclua-a e inclua outra.");

  // 00001 -> 00090 has effective entries; 00002 -> 00090 has none and goes.
  PacketPtr almoco = servFatu("0001", "00001");
  EXPECT_EQ(refusal(ser(changeSet(*almoco, {{ChangeKind::Deleted, almoco->rows[0], {}}}))),
            "Operação bloqueada. Já existem efetivos lançados para o serviço de faturamento 00090 Faturamento"
            " Refeições Metal. vinculado ao serviço de planejamento 00001 Almoço. Últimos efetivos lançados em"
            " 01/12/2026.");
  EXPECT_EQ(stored("CDSERVFILI = '00001'"), 1);
  PacketPtr jantar = servFatu("0001", "00002");
  EXPECT_EQ(payload(ser(changeSet(*jantar, {{ChangeKind::Deleted, jantar->rows[0], {}}}))).str(), "");
  EXPECT_EQ(stored("CDSERVFILI = '00002'"), 0);

  // JOAO has no access to 0002.
  exec(
      "INSERT INTO SERVICO (CDFILIAL, CDSERVFILI, NMSERVICO, IDTIPOSERV, IDSERVTRAN, IDSERVATIV)"
      " VALUES ('0002', '00095', 'Faturamento Campinas', 'F', 'N', 'N')");
  server.setOperator("JOAO");
  EXPECT_EQ(refusal(ser(insert(*shape, "0002", "00001", "00095"))), "O operador JOAO não tem acesso à filial 0002.");
  EXPECT_EQ(stored("CDFILIAL = '0002'"), 0);
  server.setOperator("MARIA");
  EXPECT_EQ(payload(ser(insert(*shape, "0002", "00001", "00095"))).str(), "");
}

TEST_P(FaturamentoTest, VerificaEfetServFat) {
  VariantArray with = payload(call("verificaEfetServFat", {"0001", "00090", "00001"})).asArray();
  ASSERT_EQ(with.size(), 2u);
  EXPECT_EQ(with[0], Variant(true));
  EXPECT_EQ(with[1].str(), "01/12/2026");
  EXPECT_EQ(payload(call("verificaEfetServFat", {"0001", "00090", "00002"})).asArray()[0], Variant(false));
  EXPECT_EQ(refusal(call("verificaEfetServFat", {"0001", "", "00001"})), "Serviço de faturamento não informado.");
}

INSTANTIATE_TEST_SUITE_P(Db, FaturamentoTest, ::testing::ValuesIn(test::backends()), test::BackendName());

}  // namespace
}  // namespace cad
