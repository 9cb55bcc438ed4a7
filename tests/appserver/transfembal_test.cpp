// Packaging-configuration transfers on both backends: a distribution and restrictions imported
// from another delivery point, service and branch (menu lines matched by dish type), exported to
// several services and delivery points in one call, and every refusal leaving the tables as they
// were, also when only a later destination of an export fails.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "appserver/helpers.h"
#include "tests/appserver/method_fixture.h"

namespace cad {
namespace {

class TransfEmbalTest : public test::MethodTest {
 protected:
  // Stored distribution of a delivery point as "group:code:seq,seq ...".
  std::string distribuicao(const std::string& f, const std::string& s, const std::string& c, const std::string& d) {
    std::string out;
    db::Params p{{"F", f}, {"S", s}, {"C", c}, {"D", d}};
    for (const auto& g : sql("SELECT NRGRUPO, CDCNFDISTEMBSERV FROM CNFDISTEMBSERV WHERE CDFILIAL = :F AND CDSERVFILI = :S"
                             " AND CDCLIENTE = :C AND CDDESTFILI = :D ORDER BY NRGRUPO",
                             p)
                             .rows) {
      out += (out.empty() ? "" : " ") + std::to_string(g[0].asInt()) + ":" + g[1].asString() + ":";
      db::Params q = p;
      q.push_back({"G", g[0]});
      std::string linhas;
      for (const auto& l : sql("SELECT NRSEQCNFCARD FROM CNFDISTEMBTP WHERE CDFILIAL = :F AND CDSERVFILI = :S"
                               " AND CDCLIENTE = :C AND CDDESTFILI = :D AND NRGRUPO = :G ORDER BY NRSEQCNFCARD",
                               q)
                               .rows)
        linhas += (linhas.empty() ? "" : ",") + std::to_string(l[0].asInt());
      out += linhas;
    }
    return out;
  }
  // Stored restrictions of a delivery point as "seq:code/min/order ...", null minimum as "-".
  std::string restricoes(const std::string& f, const std::string& s, const std::string& c, const std::string& d) {
    std::string out;
    for (const auto& r : sql("SELECT R.NRSEQCNFCARD, C.CDCONTAINER, C.VRMINCONTAINER, C.NRORDEM FROM RESTEMBTPPRAT R"
                             " JOIN RESTEMBCONT C ON C.NRRESTEMBTPPRAT = R.NRRESTEMBTPPRAT WHERE R.CDFILIAL = :F"
                             " AND R.CDSERVFILI = :S AND R.CDCLIENTE = :C AND R.CDDESTFILI = :D"
                             " ORDER BY R.NRSEQCNFCARD, C.NRORDEM, C.CDCONTAINER",
                             {{"F", f}, {"S", s}, {"C", c}, {"D", d}})
                             .rows)
      out += (out.empty() ? "" : " ") + std::to_string(r[0].asInt()) + ":" + r[1].asString() + "/" +
             (r[2].isNull() ? std::string("-") : std::to_string(static_cast<int>(r[2].asFloat()))) + "/" +
             std::to_string(r[3].asInt());
    return out;
  }
  // Every packaging row, to show that a refusal wrote nothing.
  std::string tudo() {
    std::string out;
    for (const char* t : {"CNFDISTEMBSERV", "CNFDISTEMBTP", "RESTEMBTPPRAT", "RESTEMBCONT"})
      out += std::string(t) + "=" + std::to_string(count(t, "1 = 1")) + " ";
    return out + distribuicao("0002", "00001", "", "") + "|" + restricoes("0001", "00001", "", "");
  }
  // The services packet of a branch with rows marked: {code, level, all points}.
  PacketPtr servicos(const std::string& filial, const std::vector<std::vector<std::string>>& marcas) {
    auto p = std::make_shared<Packet>(payload(call("GetServicosFilial", {filial})).asPacket());
    for (const auto& m : marcas)
      for (size_t r = 0; r < p->rowCount(); ++r)
        if (p->value(r, "CDSERVFILI").asString() == m[0]) {
          p->rows[r][static_cast<size_t>(p->fieldIndex("IDMARCADO"))] = Variant("S");
          p->rows[r][static_cast<size_t>(p->fieldIndex("NIVELSERV"))] = Variant(m[1]);
          p->rows[r][static_cast<size_t>(p->fieldIndex("TODOS_PONTOS"))] = Variant(m[2]);
        }
    return p;
  }
};

TEST_P(TransfEmbalTest, ImportedDistributionReplacesTheDestinationMatchingLinesByDishType) {
  EXPECT_EQ(payload(call("GetVdDistribuicoesServ", {"0001", "00001", "", ""})).asPacket().rowCount(), 2u);
  EXPECT_EQ(payload(call("GetVdDistribuicoesServ", {"0001", "00001", "000001", "001"})).asPacket().rowCount(), 0u);

  // Another point of the same service: the same lines, the old packages gone.
  EXPECT_EQ(payload(call("ImportaDistribuicao", {"0001", "00001", "", "", "0001", "00001", "000001", "002"})), Variant(2.0));
  EXPECT_EQ(distribuicao("0001", "00001", "000001", "002"), "1:MX08:1,2,3,5,6 2:GN12:7");

  // Another branch whose menu has rice and beans swapped and no dessert line: lines follow their
  // dish type, and the package left without lines is not created.
  exec("UPDATE CNFCARD SET CDTIPOPRAT = CASE NRSEQCNFCARD WHEN 1 THEN '02' ELSE '01' END"
       " WHERE CDFILIAL = '0002' AND CDSERVFILI = '00001' AND NRSEQCNFCARD IN (1, 2)");
  exec("DELETE FROM CNFCARD WHERE CDFILIAL = '0002' AND CDSERVFILI = '00001' AND NRSEQCNFCARD = 7");
  EXPECT_EQ(payload(call("ImportaDistribuicao", {"0001", "00001", "", "", "0002", "00001", "000003", "001"})), Variant(1.0));
  EXPECT_EQ(distribuicao("0002", "00001", "000003", "001"), "1:MX08:1,2,3,5,6");
  EXPECT_EQ(sql("SELECT CDCONTAINER FROM CNFDISTEMBSERV WHERE CDFILIAL = '0002'").rows.at(0).at(0).asString(), "MX08");
}

TEST_P(TransfEmbalTest, RefusedTransfersWriteNothing) {
  struct Case {
    std::string operador, metodo;
    std::vector<RpcArg> args;
    std::string texto;
  };
  PacketPtr pontoInexistente = servicos("0002", {{"00001", "S", "N"}});
  std::string muitosTipos = "_";
  for (int i = 0; i < 2001; ++i) muitosTipos += std::to_string(i) + "_";
  std::vector<Case> cases{
      {"ADMIN", "ImportaDistribuicao", {"0001", "00001", "", "", "0001", "00001", "", ""},
       "Origem dos dados deve ser diferente do destino."},
      {"ADMIN", "ImportaDistribuicao", {"0001", "00001", "000001", "001", "0002", "00001", "", ""},
       "Origem informada não possui distribuição cadastrada."},
      {"ADMIN", "ImportaDistribuicao", {"0001", "00001", "", "", "0002", "00001", "000001", "009"},
       "Ponto de entrega 000001/009 não cadastrado para o serviço 00001."},
      {"JOAO", "ImportaDistribuicao", {"0001", "00001", "", "", "0002", "00001", "", ""},
       "O operador JOAO não tem acesso à filial 0002."},
      {"JOAO", "GetServicosFilial", {"0002"}, "O operador JOAO não tem acesso à filial 0002."},
      {"ADMIN", "ImportaRestricoes", {"0001", "00001", "", "", "", "0002", "00001", "", ""},
       "Tipo de prato deve ser informado"},
      {"ADMIN", "ImportaRestricoes", {"0001", "00001", "000001", "002", "_01_", "0002", "00001", "", ""},
       "Origem informada não possui restrição cadastrada."},
      // The service level goes first, then the unknown point refuses the whole export.
      {"ADMIN", "ExportaDistribuicao", {"0001", "00001", "", "", Variant(pontoInexistente), "_009000003_\n"},
       "Ponto de entrega 000003/009 não cadastrado para o serviço 00001."},
      {"ADMIN", "ExportaDistribuicao", {"0001", "00001", "", "", Variant(pontoInexistente), "\n\n"},
       "A lista de pontos de entrega não corresponde aos serviços."},
      {"ADMIN", "ExportaRestricoes", {"0001", "00001", "", "", muitosTipos, Variant(pontoInexistente), "\n"},
       "Tipos de prato demais na seleção."},
      {"JOAO", "ExportaRestricoes", {"0001", "00001", "", "", "_01_", Variant(pontoInexistente), "\n"},
       "O operador JOAO não tem acesso à filial 0002."},
      // A service that is not transported has no packaging to receive or to give.
      {"ADMIN", "ImportaDistribuicao", {"0001", "00001", "", "", "0001", "00002", "", ""},
       "Serviço 00002 da filial 0001 não é transportado."},
      {"ADMIN", "ExportaRestricoes", {"0001", "00002", "", "", "_01_", Variant(pontoInexistente), "\n"},
       "Serviço 00002 da filial 0001 não é transportado."},
  };
  exec("UPDATE SERVICO SET IDSERVTRAN = 'N' WHERE CDFILIAL = '0001' AND CDSERVFILI = '00002'");
  std::string antes = tudo();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.metodo + " " + c.texto);
    server.setOperator(c.operador);
    EXPECT_EQ(refusal(call(c.metodo, c.args)), c.texto);
    EXPECT_EQ(tudo(), antes);
  }
  // A services packet without its fields is a fault, not a crash, and writes nothing either.
  server.setOperator("ADMIN");
  auto semCampos = std::make_shared<Packet>();
  semCampos->fields = {appserver::textField("CDSERVFILI", 5)};
  semCampos->rows = {{Variant("00001")}};
  EXPECT_ANY_THROW(call("ExportaDistribuicao", {"0001", "00001", "", "", Variant(PacketPtr(semCampos)), ""}));
  EXPECT_EQ(tudo(), antes);
}

TEST_P(TransfEmbalTest, ExportedDistributionReachesTheChosenServicesAndPoints) {
  PacketPtr p = servicos("0002", {{"00001", "S", "N"}});
  ASSERT_EQ(p->rowCount(), 1u) << "only transported services are offered";
  EXPECT_EQ(payload(call("ExportaDistribuicao", {"0001", "00001", "000001", "002", Variant(p), "_001000003_\n"})),
            Variant(2.0));
  EXPECT_EQ(distribuicao("0002", "00001", "", ""), "1:DIST:1,2");
  EXPECT_EQ(distribuicao("0002", "00001", "000003", "001"), "1:DIST:1,2");
  EXPECT_EQ(distribuicao("0002", "00001", "000003", "002"), "");

  // All points of the origin's own service: the origin itself is left as it was.
  p = servicos("0001", {{"00001", "N", "S"}});
  EXPECT_EQ(payload(call("ExportaDistribuicao", {"0001", "00001", "000001", "002", Variant(p), ""})), Variant(2.0));
  EXPECT_EQ(distribuicao("0001", "00001", "000001", "001"), "1:DIST:1,2");
  EXPECT_EQ(distribuicao("0001", "00001", "000002", "003"), "1:DIST:1,2");
  EXPECT_EQ(distribuicao("0001", "00001", "", ""), "1:MX08:1,2,3,5,6 2:GN12:7");
}

TEST_P(TransfEmbalTest, RestrictionsOfTheSelectedDishTypesAreReplaced) {
  EXPECT_EQ(payload(call("GetTiposPratoServ", {"0001", "00001"})).asPacket().rowCount(), 7u) << "one row per dish type";
  EXPECT_EQ(payload(call("GetVdRestricoesServ", {"0001", "00001", "", ""})).asPacket().rowCount(), 2u);

  // Only the main dish: rice keeps its restriction at the service level.
  EXPECT_EQ(payload(call("ImportaRestricoes", {"0001", "00001", "000001", "001", "_03_", "0001", "00001", "", ""})),
            Variant(1.0));
  EXPECT_EQ(restricoes("0001", "00001", "", ""), "1:GN11/2/1 1:GN12/-/999999 3:CT50/1/1");
  // Rice selected too: the origin has none for it, so it goes.
  EXPECT_EQ(payload(call("ImportaRestricoes", {"0001", "00001", "000001", "001", "_01_03_", "0001", "00001", "", ""})),
            Variant(1.0));
  EXPECT_EQ(restricoes("0001", "00001", "", ""), "3:CT50/1/1");
  EXPECT_EQ(sql("SELECT NRULTVALOR FROM SEQUENCIA WHERE NMSEQUENCIA = 'RESTEMBTPPRAT'").rows.at(0).at(0).asInt(), 4);

  // Export of the main dish to the other branch's service and all its points.
  PacketPtr p = servicos("0002", {{"00001", "S", "S"}});
  EXPECT_EQ(payload(call("ExportaRestricoes", {"0001", "00001", "", "", "_03_", Variant(p), "\n"})), Variant(3.0));
  for (const char* ponto : {"", "001", "002"})
    EXPECT_EQ(restricoes("0002", "00001", *ponto ? "000003" : "", ponto), "3:CT50/1/1") << ponto;
  // A selection without dish types copies nothing and changes nothing.
  EXPECT_EQ(payload(call("ExportaRestricoes", {"0001", "00001", "", "", "_", Variant(p), "\n"})), Variant(3.0));
  EXPECT_EQ(restricoes("0002", "00001", "000003", "002"), "3:CT50/1/1");
}

INSTANTIATE_TEST_SUITE_P(Db, TransfEmbalTest, ::testing::ValuesIn(test::backends()), test::BackendName());

}  // namespace
}  // namespace cad
