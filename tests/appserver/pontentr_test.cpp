// Clients and delivery points on both backends: the page's lists, the client and point checks
// with their message keys, the multi-select's rows, the per-day sums, and UpdPontoEntr's writes
// (empty figures stored as 0) with every refusal leaving DESTSRVCLI as it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "appserver/changeset.h"
#include "platform/core/errors.h"
#include "tests/appserver/method_fixture.h"

namespace cad {
namespace {

using appserver::kAlreadyStored;

class PontEntrTest : public test::MethodTest {
 protected:
  PacketPtr pontos() { return payload(call("GetPEntClie", {"0001", "00001"})).packetPtr(); }
  std::string upd(PacketPtr delta) { return call("UpdPontoEntr", {Variant(delta)}).str(); }
  // The stored points, in key order.
  std::vector<std::string> stored() {
    return rows("SELECT * FROM DESTSRVCLI ORDER BY CDFILIAL, CDSERVFILI, CDCLIENTE, CDDESTFILI");
  }
  static std::string column(const Packet& p, const char* field) { return " " + MethodTest::column(p, field); }
  // A change set inserting one point (Monday's figure only; the other days null).
  static PacketPtr novo(const Packet& shape, const char* cliente, const char* ponto, const Variant& seg,
                        const char* servico = "00001", const char* filial = "0001") {
    return changeSet(shape, {{ChangeKind::Inserted,
                              {},
                              {{"CDFILIAL", filial},
                               {"CDSERVFILI", servico},
                               {"CDCLIENTE", cliente},
                               {"CDDESTFILI", ponto},
                               {"QTCOESTCSSEG", seg}}}});
  }
};

TEST_P(PontEntrTest, PageListsChecksAndMultiSelect) {
  VariantArray lists = call("GetPontEntr", {"0001", "00001"}).asArray();
  ASSERT_EQ(lists.size(), 2u);
  EXPECT_EQ(column(lists[0].asPacket(), "CDCLIENTE") + " |" + column(lists[1].asPacket(), "CDDESTFILI"),
            " 000001 000002 | 001 002 003");
  EXPECT_EQ(call("GetPontEntr", {"0001", "00099"}), Variant("Serviço 00099 não cadastrado na filial 0001."));
  EXPECT_EQ(column(*pontos(), "NMDESTFILI"), " Portaria Principal Refeitório Bloco A Refeitório Bloco B");
  EXPECT_EQ(column(payload(call("GetPesqClie", {"T"})).asPacket(), "NMFANTCLIE"),
            " Ana Beatriz (eventos) Banco Horizonte Quimicamp Metalpaulista");
  EXPECT_EQ(column(payload(call("GetPesqPontoEntr", {"0002"})).asPacket(), "CDDESTFILI"), " 001 002");

  // Client check: the number compared by its digits; the keys the screen turns into its texts.
  struct ClientCase {
    const char* servico;
    const char* numero;
    const char* answer;  // the client found, or the refusal key
  };
  const ClientCase clients[] = {{"00002", "33.444.555/0001-81", "000001"},
                                {"00002", "123.456.789-09", "000004"},
                                {"00001", "33444555000181", "Clie_JCad"},
                                {"00002", "11.111.111/0001-11", "Clie_NCad"},
                                {"00002", "", "Clie_NCad"},
                                {"00002", "3344455500018100000", "Clie_NCad"}};
  for (const ClientCase& c : clients) {
    Variant r = call("GetVerifClie", {"0001", c.servico, c.numero, ""});
    std::string got = r.asArray()[0].asBool() ? r.asArray()[1].asPacket().value(0, "CDCLIENTE").asString()
                                              : r.asArray()[1].asString();
    EXPECT_EQ(got, c.answer) << c.numero;
  }
  struct PointCase {
    const char* cliente;
    const char* ponto;
    const char* answer;
  };
  const PointCase points[] = {
      {"000001", "003", "Refeitório Bloco B"}, {"000001", "001", "PontEntr_JCad"}, {"000001", "009", "PontEntr_NCad"}};
  for (const PointCase& c : points) {
    Variant r = call("GetVerifPontEntr", {"0001", "00001", c.cliente, c.ponto});
    std::string got = r.asArray()[0].asBool() ? r.asArray()[1].asPacket().value(0, "NMDESTFILI").asString()
                                              : r.asArray()[1].asString();
    EXPECT_EQ(got, c.answer) << c.ponto;
  }

  // Multi-select: the points the client has already and repeats drop out; the selection comes back
  // with the codes returned.
  Variant selecao("_004_001_003_004_");
  Variant r = net.Call("SetPEntClie", {"0001", "00001", "000001", ByRef(selecao)});
  Variant added = payload(r);
  const Packet& add = added.asPacket();
  EXPECT_EQ(column(add, "CDDESTFILI") + " |" + column(add, "CDCLIENTE"), " 003 004 | 000001 000001");
  EXPECT_EQ(selecao.str(), "_003_004_");
  EXPECT_EQ(column(payload(call("SetPEntClie", {"0001", "00001", "000002", "T"})).asPacket(), "CDDESTFILI"),
            " 001 002 004");
  EXPECT_EQ(refusal(call("SetPEntClie", {"0001", "00001", "000001", "_004_099_"})),
            "Ponto de Entrega 099 não cadastrado.");
  std::string grande;
  for (int i = 0; i < 1001; ++i) grande += "_" + std::to_string(i);
  EXPECT_EQ(refusal(call("SetPEntClie", {"0001", "00001", "000001", grande})),
            "Seleção de pontos de entrega grande demais.");

  Variant sums = payload(call("GetMaxCPEntr", {"0001", "00001"}));
  const Packet& somas = sums.asPacket();
  EXPECT_EQ(column(somas, "MAXCSEGCLI") + column(somas, "MAXCFERCLI"), " 300 60");
  EXPECT_EQ(refusal(call("GetMaxCPEntr", {"0003", "00010"})),
            "O serviço 00010 da filial 0003 não é corporativo; só serviços corporativos têm pontos de entrega.");
}

TEST_P(PontEntrTest, UpdPontoEntrStoresNewClientsEditsAndDeletions) {
  PacketPtr p = pontos();
  // A new client of the service arrives with its first points; a point without figures stores 0.
  PacketPtr delta =
      changeSet(*p, {{ChangeKind::Inserted,
                      {},
                      {{"CDFILIAL", "0001"},
                       {"CDSERVFILI", "00002"},
                       {"CDCLIENTE", "000004"},
                       {"CDDESTFILI", "004"},
                       {"NMDESTFILI", "Almoxarifado Central"}}},
                     {ChangeKind::Inserted,
                      {},
                      {{"CDFILIAL", "0001"},
                       {"CDSERVFILI", "00002"},
                       {"CDCLIENTE", "000004"},
                       {"CDDESTFILI", "001"},
                       {"QTCOESTCSSEG", 7.5}}},
                     {ChangeKind::Modified, p->rows[0], {{"QTCOESTCSFER", Variant()}, {"QTCOESTCSDOM", 3.0}}},
                     {ChangeKind::Deleted, p->rows[2], {}}});
  EXPECT_EQ(upd(delta), "");
  EXPECT_EQ(stored(), (std::vector<std::string>{
                          "0001|00001|000001|001|150|155|150|150|140|60|3|0",
                          "0001|00001|000001|002|100|105|105|100|90|40|0|20",
                          "0001|00002|000002|002|120|120|120|120|120|60|60|30",
                          "0001|00002|000004|001|7.5|0|0|0|0|0|0|0",
                          "0001|00002|000004|004|0|0|0|0|0|0|0|0",
                          "0002|00001|000003|001|90|90|90|90|90|30|0|12",
                          "0002|00001|000003|002|60|60|60|60|60|20|0|8",
                          "0002|00004|000003|001|80|80|80|80|80|0|0|0",
                      }));
}

TEST_P(PontEntrTest, UpdPontoEntrRefusalsWriteNothing) {
  PacketPtr p = pontos();
  std::vector<Variant> um = p->rows[0];
  const std::string negative = "Quantidade de comensais do ponto de entrega deve ser maior ou igual a zero.";
  struct Case {
    PacketPtr delta;
    std::string text;
  };
  const Case cases[] = {
      {novo(*p, "000001", "001", 1), kAlreadyStored},
      {novo(*p, "000009", "004", 1), "Cliente deve estar cadastrado."},
      {novo(*p, "", "004", 1), "Cliente deve ser informado."},
      {novo(*p, "000001", "099", 1), "Ponto de Entrega não cadastrado."},
      {novo(*p, "000001", "", 1), "Ponto de Entrega deve ser informado."},
      {novo(*p, "000001", "004", -1), negative},
      {novo(*p, "000001", "004", "10"), "Quantidade de comensais inválida no ponto de entrega 004 (QTCOESTCSSEG)."},
      {novo(*p, "000001", "004", 1e12), "Quantidade de comensais inválida no ponto de entrega 004 (QTCOESTCSSEG)."},
      {novo(*p, "000001", "004", 1, "00099"), "Serviço 00099 não cadastrado na filial 0001."},
      {changeSet(*p, {{ChangeKind::Modified, um, {{"CDDESTFILI", "004"}}}}),
       "A filial, o serviço, o cliente e o código de um ponto de entrega cadastrado não podem ser alterados."},
      // A valid new point ahead of a refused row is not kept either.
      {changeSet(*p, {{ChangeKind::Inserted,
                       {},
                       {{"CDFILIAL", "0001"}, {"CDSERVFILI", "00001"}, {"CDCLIENTE", "000001"}, {"CDDESTFILI", "004"}}},
                      {ChangeKind::Modified, um, {{"QTCOESTCSQUA", -1.0}}}}),
       negative},
  };
  const std::vector<std::string> before = stored();
  for (const Case& c : cases) EXPECT_EQ(upd(c.delta), c.text);
  server.setOperator("JOAO");  // no access to 0002
  EXPECT_EQ(upd(novo(*p, "000003", "001", 1, "00001", "0002")), "O operador JOAO não tem acesso à filial 0002.");
  EXPECT_THROW(upd(std::make_shared<Packet>(*p)), Exception);  // not a change set
  EXPECT_EQ(stored(), before);
}

INSTANTIATE_TEST_SUITE_P(Db, PontEntrTest, ::testing::ValuesIn(test::backends()), test::BackendName());

}  // namespace
}  // namespace cad
