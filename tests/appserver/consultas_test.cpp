// The read-only methods of the main screen on both backends, against the demo data: the
// standard-cost authorization groups, the branch parameters (requisition per dish, planning), the
// hospitalization standards, the billing products and the menu configuration with its packages.
#include <gtest/gtest.h>

#include "tests/appserver/method_fixture.h"

namespace cad {
namespace {

using ConsultasTest = test::MethodTest;

TEST_P(ConsultasTest, AutGrupACPS) {
  Variant admin = call("GetAutGrupACPS", {"ADMIN"});
  ASSERT_EQ(admin.asArray().size(), 2u);
  EXPECT_EQ(column(admin.asArray()[0].asPacket(), "CDGRUPOPER"), "02");
  EXPECT_EQ(column(admin.asArray()[1].asPacket(), "CDGRUPOPER"), "01 02");
  EXPECT_EQ(column(call("GetAutGrupACPS", {"JOAO"}).asArray()[1].asPacket(), "CDGRUPOPER"), "03");
  EXPECT_EQ(call("GetAutGrupACPS", {"NINGUEM"}).str(), "Operador NINGUEM não cadastrado.");
  const Variant nenhum;
  EXPECT_EQ(call("GetAutGrupACPS", {nenhum}).str(), "Operador não informado.");
}

TEST_P(ConsultasTest, BranchGroupsByCodeUnderEitherSpelling) {
  for (const char* nome : {"GetAgrupFili", "getAgrupFili"}) {
    PacketPtr grupos = payload(call(nome)).packetPtr();
    EXPECT_EQ(column(*grupos, "CDGRUPFILI"), "0000000001 0000000002") << nome;
  }
}

TEST_P(ConsultasTest, UtilReqPratAndParamPlaneja) {
  auto req = [&](const std::string& filial) {
    std::vector<std::string> out;
    Variant result = call("GetUtilReqPrat", {filial});
    for (const Variant& v : result.asArray()) out.push_back(v.str());
    return out;
  };
  EXPECT_EQ(req("0002"), (std::vector<std::string>{"S", "03", "000301", "01", "000101"}));  // required
  EXPECT_EQ(req("0001"), (std::vector<std::string>{"N", "", "", "", ""}));
  EXPECT_EQ(req("0003"), (std::vector<std::string>{"", "", "", "", ""}));  // no setting
  EXPECT_EQ(req("9999"), (std::vector<std::string>{"FILIAL_N_CAD", "", "", "", ""}));
  EXPECT_EQ(req(""), (std::vector<std::string>{"FILIAL_N_INF", "", "", "", ""}));

  PacketPtr plan = payload(call("getParamPlaneja", {"0001"})).packetPtr();
  ASSERT_EQ(plan->rowCount(), 1u);
  EXPECT_EQ(plan->value(0, "QTDIASPLANEJ"), Variant(30));
  EXPECT_EQ(payload(call("getParamPlaneja", {"0003"})).asPacket().rowCount(), 0u);
  EXPECT_EQ(refusal(call("getParamPlaneja", {"9999"})), "Filial 9999 não cadastrada.");
}

TEST_P(ConsultasTest, HospitalizationStandardsAndBillingProducts) {
  PacketPtr one = payload(call("GetPesqPadInter", {"002"})).packetPtr();
  ASSERT_EQ(one->rowCount(), 1u);
  EXPECT_EQ(one->value(0, "NMSERPADDIE").str(), "Apartamento");
  EXPECT_EQ(payload(call("GetPesqPadInter", {"009"})).asPacket().rowCount(), 0u);
  EXPECT_EQ(column(call("GetPadInter").asPacket(), "CDSERPADDIE"), "001 002 003");

  // No billing product group configured: nothing to offer.
  EXPECT_EQ(call("GetPesqProdFat", {"0001", "T"}).asPacket().rowCount(), 0u);
  exec("UPDATE PARAMGERAL SET CDGRUPRODFAT = 'FATREF'");
  exec("UPDATE PRODUTO SET IDATIVO = 'N' WHERE CDPRODUTO = '1005'");
  PacketPtr all = call("GetPesqProdFat", {"0001", "T"}).packetPtr();
  EXPECT_EQ(column(*all, "CDPRODUTO"), "1001 1002 1003 1004 1101 1102");
  EXPECT_EQ(column(*call("GetPesqProdFat", {"0001", "1010005"}).packetPtr(), "NMPRODUTO"), "Ceia");  // inactive
  EXPECT_EQ(call("GetPesqProdFat", {"0001", "2020001"}).asPacket().rowCount(), 0u);                  // not in the group
}

TEST_P(ConsultasTest, ConfCardOrderAndPackages) {
  exec("UPDATE CNFCARD SET NRORDCNFCARD = 9 WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001' AND NRSEQCNFCARD = 1");
  PacketPtr p = call("GetConfCard", {"0001", "00001"}).packetPtr();
  EXPECT_EQ(column(*p, "NRSEQCNFCARD"), "2 3 4 5 6 7 8 1");
  EXPECT_EQ(p->value(5, "NMCONTAINER").str(), "Cuba Gastronorm 1/2");  // line 7 in group 2
  EXPECT_EQ(p->value(5, "NRGRUPOEMB"), Variant(2.0));
  EXPECT_EQ(p->value(7, "CDCONTAINER").str(), "MX08");  // line 1 in group 1
  EXPECT_TRUE(p->value(2, "CDCONTAINER").isNull());     // line 4 in no package
  EXPECT_EQ(call("GetConfCard", {"0001", "00099"}).asPacket().rowCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Db, ConsultasTest, ::testing::ValuesIn(test::backends()), test::BackendName());

}  // namespace
}  // namespace cad
