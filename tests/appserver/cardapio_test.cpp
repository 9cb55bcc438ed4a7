// Default menu configuration on both backends: UpdConfCard replacing a service's lines as a whole
// (each line's packaging settings moving with it), every refusal leaving
// the stored lines as they were; Importa__ConfCard copying the central branch's lines; and
// ExisteDistrRest.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/appserver/method_fixture.h"

namespace cad {
namespace {

class CardapioTest : public test::MethodTest {
 protected:
  PacketPtr conf(const char* filial = "0001", const char* servico = "00001") {
    return call("GetConfCard", {filial, servico}).packetPtr();
  }
  std::string upd(PacketPtr c, PacketPtr del, Variant& modo, const char* filial = "0001") {
    return call("UpdConfCard", {Variant(c), Variant(del), ByRef(modo), filial, "00001"}).str();
  }
  std::string upd(PacketPtr c, PacketPtr del = removidas({})) {
    Variant modo("D");
    return upd(c, del, modo);
  }
  // "seq:type" of each stored line, and the line numbers the packaging settings refer to.
  std::string linhas(const char* filial = "0001") {
    std::string s;
    for (const auto& r : sql("SELECT NRSEQCNFCARD, CDTIPOPRAT, IDALTERCARD FROM CNFCARD WHERE CDFILIAL = :F AND "
                             "CDSERVFILI = '00001' ORDER BY NRSEQCNFCARD",
                             {{"F", filial}})
                             .rows)
      s += " " + std::to_string(r[0].asInt()) + ":" + r[1].asString() + r[2].asString();
    return s;
  }
  std::string dependentes() {
    std::string s = "dist";
    for (const auto& r : sql("SELECT CDDESTFILI, NRSEQCNFCARD FROM CNFDISTEMBTP WHERE CDFILIAL = '0001' "
                             "ORDER BY CDDESTFILI, NRSEQCNFCARD")
                             .rows)
      s += " " + r[0].asString() + "/" + std::to_string(r[1].asInt());
    s += " rest";
    for (const auto& r : sql("SELECT R.NRSEQCNFCARD, COUNT(C.CDCONTAINER) FROM RESTEMBTPPRAT R LEFT JOIN RESTEMBCONT C"
                             " ON C.NRRESTEMBTPPRAT = R.NRRESTEMBTPPRAT WHERE R.CDFILIAL = '0001'"
                             " GROUP BY R.NRSEQCNFCARD ORDER BY R.NRSEQCNFCARD")
                             .rows)
      s += " " + std::to_string(r[0].asInt()) + "x" + std::to_string(r[1].asInt());
    return s;
  }
};

TEST_P(CardapioTest, UpdConfCardMovesEachLinesPackagingSettingsWithTheLine) {
  PacketPtr p = conf();
  ASSERT_EQ(p->rowCount(), 8u);
  EXPECT_EQ(linhas(), " 1:01A 2:02A 3:03A 4:03A 5:04A 6:05A 7:06A 8:07A");
  EXPECT_EQ(dependentes(), "dist /1 /2 /3 /5 /6 /7 002/1 002/2 rest 1x2 3x1");
  // Lines 3 and 4 (both main dishes) change places: line 3's settings go with it to number 4.
  EXPECT_EQ(upd(monta(*p, {1, 2, 4, 3, 5, 6, 7, 8})), "");
  EXPECT_EQ(dependentes(), "dist /1 /2 /4 /5 /6 /7 002/1 002/2 rest 1x2 4x1");
  // Line 2 removed: the lines below move up with their settings.
  EXPECT_EQ(upd(monta(*conf(), {1, 3, 4, 5, 6, 7, 8}), removidas({2})), "");
  EXPECT_EQ(linhas(), " 1:01A 2:03A 3:03A 4:04A 5:05A 6:06A 7:07A");
  EXPECT_EQ(dependentes(), "dist /1 /3 /4 /5 /6 002/1 rest 1x2 3x1");
  // A line claiming the settings of a line of another dish type, or of a removed line, gets none.
  auto c = monta(*conf(), {1, 2, 3});
  c->rows[1][static_cast<size_t>(c->fieldIndex("NRSEQANTCNFCARD"))] = Variant(4.0);
  EXPECT_EQ(upd(c, removidas({1})), "");
  EXPECT_EQ(dependentes(), "dist /3 rest 3x1");
  EXPECT_EQ(upd(monta(*conf(), {})), "");
  EXPECT_EQ(linhas(), "");
}

// The package of the removed line 7 (GN12, group 2) holds no line any more and goes with it.
TEST_P(CardapioTest, APackageLeftWithoutLinesIsRemoved) {
  EXPECT_EQ(upd(monta(*conf(), {1, 2, 3, 4, 5, 6, 8}), removidas({7})), "");
  EXPECT_EQ(count("CNFDISTEMBSERV", "CDFILIAL = '0001' AND CDSERVFILI = '00001' AND CDCONTAINER = 'GN12'"), 0);
  EXPECT_EQ(count("CNFDISTEMBSERV", "CDFILIAL = '0001' AND CDSERVFILI = '00001'"), 2);
}

TEST_P(CardapioTest, UpdConfCardRefusalsWriteNothing) {
  PacketPtr p = conf();
  auto com = [&](std::vector<int> l, const char* campo, Variant v, size_t linha = 0) {
    auto c = monta(*p, l);
    c->rows.at(linha).at(static_cast<size_t>(c->fieldIndex(campo))) = v;
    return c;
  };
  auto muitas = monta(*p, std::vector<int>(999, 1));
  for (size_t i = 0; i < muitas->rowCount(); ++i) muitas->rows[i][2] = Variant(double(i + 1));
  struct Case {
    PacketPtr conf;
    std::string text;
  };
  const std::vector<Case> cases{
      {com({1, 2}, "NRSEQCNFCARD", 2.0), "Linha 2 da configuração repetida."},
      {com({1, 2}, "NRSEQANTCNFCARD", 1.0, 1), "Linha guardada 1 enviada duas vezes."},
      {com({1, 2}, "NRSEQCNFCARD", 3.0), "As linhas da configuração devem ser numeradas de 1 a 2."},
      {com({1}, "NRSEQCNFCARD", 1.5), "Número de linha da configuração inválido."},
      {com({1}, "CDTIPOPRAT", "99"), "Tipo de prato não cadastrado: 99."},
      {com({1}, "IDOPCCNFCARD", "X"), "Valor inválido em IDOPCCNFCARD: X."},
      {com({1}, "IDIMPCNFCARD", Variant()), "Campo IDIMPCNFCARD não informado na linha 1."},
      {com({1}, "DSCOMPLTP", std::string(16, 'a')), "O complemento da linha 1 excede 15 caracteres."},
      {com({1}, "DSOBSCNFCARD", std::string(61, 'a')), "A observação da linha 1 excede 60 caracteres."},
      {com({1}, "VRPERCOMCARD", -1.0), "Percentual de acréscimo inválido na linha 1."},
      {com({1}, "CDSERVFILI", "00002"), "A configuração enviada contém linhas de outro serviço ou de outra filial."},
      {com({1}, "CDFILIAL", "0002"), "A configuração enviada contém linhas de outro serviço ou de outra filial."},
      {muitas, "A configuração padrão admite no máximo 998 linhas."},
  };
  const std::string antes = linhas() + dependentes();
  for (const Case& c : cases) EXPECT_EQ(upd(c.conf), c.text);
  EXPECT_EQ(upd(monta(*p, {1}), removidas({2}, "0003")),
            "A configuração enviada contém linhas de outro serviço ou de outra filial.");
  Variant modo("X");
  EXPECT_EQ(upd(monta(*p, {1}), removidas({}), modo), "Modo de configuração padrão inválido.");
  PacketPtr agregada = monta(*conf("0002"), {1});
  server.setOperator("JOAO");  // no access to 0002
  modo = Variant("S");
  EXPECT_EQ(upd(agregada, removidas({}), modo, "0002"), "O operador JOAO não tem acesso à filial 0002.");
  EXPECT_EQ(linhas() + dependentes(), antes);
  EXPECT_EQ(linhas("0002"), " 1:01I 2:02I 3:03I 4:03I 5:04I 6:05I 7:06I 8:07I");
}

TEST_P(CardapioTest, StandardMenuModeKeepsTheCentralMarksAndIsSentBack) {
  PacketPtr p = conf("0002");
  Variant modo("S");
  ASSERT_EQ(upd(monta(*p, {2, 1}), removidas({}, "0002"), modo, "0002"), "");
  EXPECT_EQ(modo, Variant("S"));
  EXPECT_EQ(linhas("0002"), " 1:02I 2:01I");
  modo = Variant("D");
  ASSERT_EQ(upd(monta(*conf("0002"), {1}), removidas({2}, "0002"), modo, "0002"), "");
  EXPECT_EQ(linhas("0002"), " 1:02A");
}

TEST_P(CardapioTest, ImportCopiesTheCentralLinesOfTheSameService) {
  ASSERT_EQ(upd(monta(*conf(), {8, 1, 4})), "");
  EXPECT_EQ(payload(call("Importa__ConfCard", {"00001", "0002", "0001"})), Variant());
  EXPECT_EQ(linhas("0002"), " 1:07I 2:01I 3:03I");
  PacketPtr importada = conf("0002");
  EXPECT_EQ(importada->value(2, "DSOBSCNFCARD").asString(), "Opção do dia");
  EXPECT_EQ(importada->value(2, "IDOPCCNFCARD").asString(), "S");

  struct Case {
    const char *servico, *filial, *central, *text;
  };
  const Case cases[] = {
      {"00001", "0002", "0003", "A central da filial 0002 é a filial 0001."},
      {"00001", "0001", "0001", "A filial 0001 não é agregada a uma central."},
      {"00010", "0003", "", "A filial 0003 não é agregada a uma central."},
      {"00099", "0002", "0001", "Serviço 00099 não cadastrado na filial 0002."},
      {"", "0002", "0001", "Serviço não informado."},
  };
  for (const Case& c : cases) EXPECT_EQ(refusal(call("Importa__ConfCard", {c.servico, c.filial, c.central})), c.text);
  exec("DELETE FROM CNFCARD WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'");
  EXPECT_EQ(refusal(call("Importa__ConfCard", {"00001", "0002", "0001"})),
            "A central 0001 não tem configuração padrão para o serviço 00001.");
  server.setOperator("JOAO");
  EXPECT_EQ(refusal(call("Importa__ConfCard", {"00001", "0002", "0001"})),
            "O operador JOAO não tem acesso à filial 0002.");
  EXPECT_EQ(linhas("0002"), " 1:07I 2:01I 3:03I");
}

TEST_P(CardapioTest, ExisteDistrRestSeesDistributionsAndRestrictions) {
  EXPECT_EQ(payload(call("ExisteDistrRest", {"0001", "00001"})), Variant(true));
  EXPECT_EQ(payload(call("ExisteDistrRest", {"0002", "00001"})), Variant(false));
  exec("DELETE FROM CNFDISTEMBSERV WHERE CDFILIAL = '0001'");
  EXPECT_EQ(payload(call("ExisteDistrRest", {"0001", "00001"})), Variant(true));  // restrictions remain
  exec("DELETE FROM RESTEMBTPPRAT WHERE CDFILIAL = '0001'");
  EXPECT_EQ(payload(call("ExisteDistrRest", {"0001", "00001"})), Variant(false));
}

INSTANTIATE_TEST_SUITE_P(Db, CardapioTest, ::testing::ValuesIn(test::backends()), test::BackendName());

}  // namespace
}  // namespace cad
