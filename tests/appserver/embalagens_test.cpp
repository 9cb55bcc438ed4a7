// Packaging on both backends: the distribution of a delivery point read in its three lists, a
// package saved and deleted with its lines, every refusal of SetDistrEmb leaving the tables as they
// were; restrictions created from nothing, the empty-minimum marker stored as null, two rows'
// orders exchanged in one change set, the category filter of the package lookup and the refusals
// of SetRestricoes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "appserver/changeset.h"
#include "appserver/helpers.h"
#include "tests/appserver/method_fixture.h"

namespace cad {
namespace {

using appserver::kChangedByOther;

class EmbalagensTest : public test::MethodTest {
 protected:
  // The three lists of a delivery point as "free | code/group ... | group:seq ...".
  std::string distribuicao(const std::string& cli, const std::string& dest) {
    VariantArray r = payload(call("GetDadosDistribuicao", {"0001", "00001", cli, dest})).asArray();
    std::string out = column(r[0].asPacket(), "NRSEQCNFCARD") + " |";
    for (size_t i = 0; i < r[1].asPacket().rowCount(); ++i)
      out += " " + r[1].asPacket().value(i, "CDCNFDISTEMBSERV").asString() + "/" +
             r[1].asPacket().value(i, "NRGRUPO").asString();
    out += " |";
    for (size_t i = 0; i < r[2].asPacket().rowCount(); ++i)
      out += " " + r[2].asPacket().value(i, "NRGRUPO").asString() + ":" +
             r[2].asPacket().value(i, "NRSEQCNFCARD").asString();
    return out;
  }
  Variant setDistr(const std::string& dest, const std::string& codigo, double grupo, PacketPtr l) {
    return call("SetDistrEmb",
                {"0001", "00001", dest.empty() ? "" : "000001", dest, codigo, Variant(), grupo, Variant(l)});
  }
};

TEST_P(EmbalagensTest, DistributionReadSavedAndDeleted) {
  EXPECT_EQ(column(payload(call("GetPontosEntrega", {"0001", "00001"})).asPacket(), "CDDESTFILI"), "001 002 003");
  EXPECT_EQ(distribuicao("", ""), "4 8 | MX08/1 GN12/2 | 1:1 1:2 1:3 1:5 1:6 2:7");
  EXPECT_EQ(distribuicao("000001", "002"), "3 4 5 6 7 8 | DIST/1 | 1:1 1:2");
  EXPECT_EQ(column(payload(call("GetVdDistrEmb", {"T"})).asPacket(), "CDCNFDISTEMBSERV"),
            "DIST DISTR MX08 MX09 GN11 GN12 CT50");
  EXPECT_EQ(payload(call("GetVdDistrEmb", {"XX"})).asPacket().rowCount(), 0u);

  // A new group 5 takes lines 4 and 8; the other groups' rows in the packet are not written.
  EXPECT_EQ(payload(setDistr("", "CT50", 5, linhasEmGrupos({{1, 1}, {2, 7}, {5, 4}, {5, 8}}))), Variant(""));
  EXPECT_EQ(distribuicao("", ""), " | MX08/1 GN12/2 CT50/5 | 1:1 1:2 1:3 5:4 1:5 1:6 2:7 5:8");
  EXPECT_EQ(sql("SELECT CDCONTAINER FROM CNFDISTEMBSERV WHERE CDCLIENTE = '' AND NRGRUPO = 5").rows.at(0).at(0).str(),
            "CT50");
  // Group 1 replaced: fewer lines; the DISTR beside a DIST of the point is accepted.
  EXPECT_EQ(payload(setDistr("", "MX09", 1, linhasEmGrupos({{1, 2}}))), Variant(""));
  EXPECT_EQ(payload(setDistr("002", "DISTR", 2, linhasEmGrupos({{2, 3}}))), Variant(""));
  EXPECT_EQ(distribuicao("000001", "002"), "4 5 6 7 8 | DIST/1 DISTR/2 | 1:1 1:2 2:3");
  EXPECT_EQ(payload(call("DelDistrEmb", {"0001", "00001", "", "", 1.0})), Variant(""));
  EXPECT_EQ(distribuicao("", ""), "1 2 3 5 6 | GN12/2 CT50/5 | 5:4 2:7 5:8");
  EXPECT_EQ(refusal(call("DelDistrEmb", {"0001", "00001", "", "", 1.0})), kChangedByOther);
}

TEST_P(EmbalagensTest, SetDistrEmbRefusalsWriteNothing) {
  struct Case {
    std::string dest, codigo;
    double grupo;
    PacketPtr l;
    std::string text;
  };
  const Case cases[] = {
      {"002", "DIST", 3, linhasEmGrupos({{3, 4}}),
       "É permitido apenas um registro de distribuição automática e um registro de distribuição automática "
       "recursiva."},
      {"", "ZZ", 3, linhasEmGrupos({{3, 4}}), "Embalagem informada não cadastrada."},
      {"", "MX08", 3, linhasEmGrupos({{1, 1}}),
       "Ao menos um tipo de prato deve ser informado na embalagem ou distribuição automática."},
      {"", "GN11", 3, linhasEmGrupos({{3, 4}, {3, 8}}),
       "Somente um tipo de prato pode ser associado à embalagem selecionada."},
      {"", "MX08", 3, linhasEmGrupos({{3, 1}}), kChangedByOther},  // line 1 is in group 1
      {"", "MX08", 3, linhasEmGrupos({{3, 99}}), "Tipo de prato 99 não está na configuração de cardápio do serviço."},
      {"", "MX08", 0, linhasEmGrupos({{0, 4}}), "Grupo da embalagem inválido."},
      {"", "MX08", 2.5, linhasEmGrupos({{2.5, 4}}), "Grupo da embalagem inválido."},
      {"009", "MX08", 3, linhasEmGrupos({{3, 4}}), "Ponto de entrega 000001/009 não cadastrado para o serviço 00001."},
  };
  const std::string before = distribuicao("", "") + distribuicao("000001", "002");
  for (const Case& c : cases) EXPECT_EQ(refusal(setDistr(c.dest, c.codigo, c.grupo, c.l)), c.text) << c.codigo;
  server.setOperator("JOAO");
  EXPECT_EQ(refusal(call("SetDistrEmb",
                         {"0002", "00001", "", "", "MX08", Variant(), 3.0, Variant(linhasEmGrupos({{3, 4}}))})),
            "O operador JOAO não tem acesso à filial 0002.");
  server.setOperator("ADMIN");
  EXPECT_EQ(distribuicao("", "") + distribuicao("000001", "002"), before);
}

class RestricoesTest : public EmbalagensTest {
 protected:
  PacketPtr restricoes(const std::string& cli, const std::string& dest, double seq) {
    return payload(call("GetRestricoes", {"0001", "00001", cli, dest, seq})).packetPtr();
  }
  // The stored packages of one restriction as "code:min:order" ("-" for a null minimum).
  std::string stored(const std::string& cli, const std::string& dest, int seq) {
    std::string out;
    for (const auto& row : sql("SELECT C.CDCONTAINER, C.VRMINCONTAINER, C.NRORDEM FROM RESTEMBTPPRAT R JOIN"
                               " RESTEMBCONT C ON C.NRRESTEMBTPPRAT = R.NRRESTEMBTPPRAT WHERE R.CDFILIAL = '0001'"
                               " AND R.CDCLIENTE = :C AND R.CDDESTFILI = :D AND R.NRSEQCNFCARD = :Q"
                               " ORDER BY C.NRORDEM, C.CDCONTAINER",
                               {{"C", cli}, {"D", dest}, {"Q", seq}})
                               .rows)
      out += (out.empty() ? "" : " ") + row[0].str() + ":" + (row[1].isNull() ? "-" : std::to_string(row[1].asInt())) +
             ":" + std::to_string(row[2].asInt());
    return out;
  }
  Variant set(double numero, const std::string& cli, const std::string& dest, double seq, PacketPtr delta) {
    return call("SetRestricoes", {numero, "0001", "00001", cli, dest, seq, Variant(delta)});
  }
  PacketPtr novo(const Packet& shape, const char* codigo, const Variant& minimo, double ordem, double numero = 0) {
    return changeSet(
        shape,
        {{ChangeKind::Inserted,
          {},
          {{"NRRESTEMBTPPRAT", numero}, {"CDCONTAINER", codigo}, {"VRMINCONTAINER", minimo}, {"NRORDEM", ordem}}}});
  }
};

TEST_P(RestricoesTest, RestrictionCreatedMovedAndEmptied) {
  EXPECT_EQ(column(payload(call("GetCatembalag")).asPacket(), "NMCATEMBALAG"),
            "Marmitex Caixa Térmica Cuba Gastronorm");
  EXPECT_EQ(stored("", "", 1), "GN11:2:1 GN12:-:999999");
  PacketPtr vazio = restricoes("000001", "002", 2);
  EXPECT_EQ(vazio->rowCount(), 0u);
  // From nothing: number 0, a row without minimum sent as -1 is stored as null.
  EXPECT_EQ(payload(set(0, "000001", "002", 2, novo(*vazio, "CT80", -1.0, 999999))), Variant(""));
  EXPECT_EQ(payload(set(0, "000001", "002", 2, novo(*vazio, "GN11", 3.0, 1))).asString(), "");
  EXPECT_EQ(stored("000001", "002", 2), "GN11:3:1 CT80:-:999999");
  PacketPtr p = restricoes("000001", "002", 2);
  double numero = p->value(0, "NRRESTEMBTPPRAT").asFloat();
  EXPECT_GT(numero, 2);
  EXPECT_TRUE(p->value(1, "VRMINCONTAINER").isNull());
  // Two ordered rows exchange their orders in one change set.
  EXPECT_EQ(payload(set(numero, "000001", "002", 2, novo(*p, "CT50", 1.0, 2, numero))), Variant(""));
  p = restricoes("000001", "002", 2);
  EXPECT_EQ(payload(set(numero, "000001", "002", 2,
                        changeSet(*p, {{ChangeKind::Modified, p->rows[0], {{"NRORDEM", 2.0}}},
                                       {ChangeKind::Modified, p->rows[1], {{"NRORDEM", 1.0}}}}))),
            Variant(""));
  EXPECT_EQ(stored("000001", "002", 2), "CT50:1:1 GN11:3:2 CT80:-:999999");
  // Deleting every row removes the restriction itself.
  p = restricoes("000001", "002", 2);
  EXPECT_EQ(payload(set(numero, "000001", "002", 2,
                        changeSet(*p, {{ChangeKind::Deleted, p->rows[0], {}},
                                       {ChangeKind::Deleted, p->rows[1], {}},
                                       {ChangeKind::Deleted, p->rows[2], {}}}))),
            Variant(""));
  EXPECT_EQ(count("RESTEMBTPPRAT", "CDDESTFILI = '002'"), 0);
}

TEST_P(RestricoesTest, PackageLookupAndRefusals) {
  auto lookup = [&](const char* codigo, double categoria) {
    return column(payload(call("GetVdEmbRest", {codigo, categoria})).asPacket(), "CDCONTAINER");
  };
  EXPECT_EQ(lookup("T", 0), "CT50 CT80 GN11 GN12");  // collective packages only
  EXPECT_EQ(lookup("T", 2), "CT50 CT80");
  EXPECT_EQ(lookup("GN11", 2), "");
  EXPECT_EQ(lookup("GN11", 0), "GN11");
  EXPECT_EQ(lookup("MX08", 0), "");

  PacketPtr p = restricoes("", "", 1);
  const std::string before = stored("", "", 1);
  struct Case {
    PacketPtr delta;
    double numero;
    std::string text;
  };
  const Case cases[] = {
      {novo(*p, "CT50", 0.0, 2, 1), 1, "Quantidade mínima deve ser maior que zero."},
      {novo(*p, "MX08", 1.0, 2, 1), 1, "Embalagem informada não cadastrada"},
      {novo(*p, "CT50", 1.0, 1000000, 1), 1, "Ordem inválida na embalagem CT50."},
      {novo(*p, "GN12", 1.0, 2, 1), 1, appserver::kAlreadyStored},
      {novo(*p, "CT50", 1.0, 2, 1), 2, kChangedByOther},  // restriction 2 is another line's
  };
  for (const Case& c : cases) EXPECT_EQ(refusal(set(c.numero, "", "", 1, c.delta)), c.text);
  EXPECT_EQ(refusal(set(1, "", "", 99, novo(*p, "CT50", 1.0, 2, 1))),
            "Tipo de prato não cadastrado na configuração de cardápio do serviço.");
  EXPECT_EQ(stored("", "", 1), before);
}

INSTANTIATE_TEST_SUITE_P(Db, EmbalagensTest, ::testing::ValuesIn(test::backends()), test::BackendName());
INSTANTIATE_TEST_SUITE_P(Db, RestricoesTest, ::testing::ValuesIn(test::backends()), test::BackendName());

}  // namespace
}  // namespace cad
