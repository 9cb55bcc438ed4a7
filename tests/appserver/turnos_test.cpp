// Shifts on both backends: UpdTurno's writes as stored rows (name trimmed), every refusal leaving
// TURNOSERV as it was (a valid row ahead of a refused one included); GetTurnoPontEntr's clients,
// delivery points and shifts of one service, or its error text.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "appserver/changeset.h"
#include "platform/core/errors.h"
#include "tests/appserver/method_fixture.h"

namespace cad {
namespace {

using appserver::kAlreadyStored;

class TurnosTest : public test::MethodTest {
 protected:
  PacketPtr turnos() { return call("GetTurno", {"0001", "00001"}).packetPtr(); }
  std::string upd(PacketPtr delta, DateTime processa = DateTime::fromDate(2026, 12, 7)) {
    return call("UpdTurno", {Variant(delta), Variant(processa)}).str();
  }
  // The stored shifts, in key order.
  std::vector<std::string> stored() { return rows("SELECT * FROM TURNOSERV ORDER BY CDFILIAL, CDSERVFILI, CDTURNO"); }
  // A change set inserting one shift (days other than Monday null).
  static PacketPtr novo(const Packet& shape, const Variant& codigo, const Variant& nome, const Variant& seg,
                        const char* filial = "0001", const char* servico = "00001") {
    return changeSet(shape, {{ChangeKind::Inserted,
                              {},
                              {{"CDFILIAL", filial},
                               {"CDSERVFILI", servico},
                               {"CDTURNO", codigo},
                               {"NMTURNO", nome},
                               {"QTCOMESTTSEG", seg}}}});
  }
};

TEST_P(TurnosTest, UpdTurnoStoresInsertsEditsAndDeletions) {
  PacketPtr p = turnos();
  EXPECT_EQ(upd(novo(*p, "3", "  Noite  ", 12.5)), "");
  EXPECT_EQ(upd(changeSet(*p, {{ChangeKind::Modified, p->rows[0], {{"NMTURNO", "Manhã"}, {"QTCOMESTTFER", Variant()}}},
                               {ChangeKind::Deleted, p->rows[1], {}}})),
            "");
  std::vector<std::string> now = stored();
  now.resize(2);
  EXPECT_EQ(now, (std::vector<std::string>{"0001|00001|1|Manhã|207|213|210|207|195|84|0|-",
                                           "0001|00001|3|Noite|12.5|-|-|-|-|-|-|-"}));
}

TEST_P(TurnosTest, UpdTurnoRefusalsWriteNothing) {
  PacketPtr p = turnos();
  std::vector<Variant> um = p->rows[0];
  const std::string negative = "Quantidade comensais do turno deve ser maior ou igual a zero.";
  const std::string invalid = "Quantidade de comensais inválida no turno 3 (QTCOMESTTSEG).";
  struct Case {
    PacketPtr delta;
    std::string text;
  };
  const Case cases[] = {
      {novo(*p, "5", "Extra", 1), "Código de turno inválido: '5' (1 a 4)."},
      {novo(*p, 3, "Extra", 1), "Código de turno inválido: '3' (1 a 4)."},
      {novo(*p, "3", "   ", 1), "Nome deve ser informado."},
      {novo(*p, "3", "Madrugada 01", 1), "O valor de NMTURNO excede 10 caracteres."},
      {novo(*p, "3", "Noite", -0.5), negative},
      {novo(*p, "3", "Noite", "10"), invalid},
      {novo(*p, "3", "Noite", 1e12), invalid},
      {novo(*p, "2", "Outro", 1), kAlreadyStored},
      {novo(*p, "3", "Noite", 1, "0001", "00099"), "Serviço 00099 não cadastrado na filial 0001."},
      {novo(*p, "3", "Noite", 1, "0003", "00010"),
       "O serviço 00010 da filial 0003 não é corporativo; só serviços corporativos têm turnos."},
      {changeSet(*p, {{ChangeKind::Modified, um, {{"CDTURNO", "4"}}}}),
       "A filial, o serviço e o código de um turno cadastrado não podem ser alterados."},
      // A valid new shift ahead of a refused row is not kept either.
      {changeSet(*p, {{ChangeKind::Inserted,
                       {},
                       {{"CDFILIAL", "0001"}, {"CDSERVFILI", "00001"}, {"CDTURNO", "3"}, {"NMTURNO", "Noite"}}},
                      {ChangeKind::Modified, um, {{"QTCOMESTTQUA", -1.0}}}}),
       negative},
  };
  const std::vector<std::string> before = stored();
  for (const Case& c : cases) EXPECT_EQ(upd(c.delta), c.text);
  EXPECT_EQ(upd(novo(*p, "3", "Noite", 1), DateTime()), "Data de processamento não informada.");
  server.setOperator("JOAO");  // no access to 0002
  EXPECT_EQ(upd(novo(*p, "3", "Noite", 1, "0002", "00004")), "O operador JOAO não tem acesso à filial 0002.");
  EXPECT_THROW(upd(std::make_shared<Packet>(*p)), Exception);  // not a change set
  EXPECT_EQ(stored(), before);
}

TEST_P(TurnosTest, GetTurnoPontEntrReadsOneServiceClientsPointsAndShifts) {
  auto column = [](const Variant& packet, const char* field) {
    return " " + MethodTest::column(packet.asPacket(), field);
  };
  for (const char* filial : {"0001", "0002"}) {
    VariantArray r = call("GetTurnoPontEntr", {filial, "00001"}).asArray();
    ASSERT_EQ(r.size(), 2u);
    const VariantArray& destinos = r[0].asArray();
    ASSERT_EQ(destinos.size(), 2u);
    std::string all = column(destinos[0], "CDCLIENTE") + " |" + column(destinos[0], "NMFANTCLIE") + " |" +
                      column(destinos[1], "NMDESTFILI") + " |" + column(destinos[1], "QTCOESTCSTER") + " |" +
                      column(r[1], "CDTURNO");
    EXPECT_EQ(all, filial == std::string("0001")
                       ? " 000001 000002 | Metalpaulista Banco Horizonte | Portaria Principal Refeitório Bloco A"
                         " Refeitório Bloco B | 155 105 50 | 1 2"
                       : " 000003 | Quimicamp | Portaria Distrito Industrial Refeitório Fábrica | 90 60 | 1 2 3");
  }
  EXPECT_EQ(call("GetTurnoPontEntr", {"0001", ""}), Variant("Serviço não informado."));
  EXPECT_EQ(call("GetTurnoPontEntr", {"0001", "00099"}), Variant("Serviço 00099 não cadastrado na filial 0001."));
}

INSTANTIATE_TEST_SUITE_P(Db, TurnosTest, ::testing::ValuesIn(test::backends()), test::BackendName());

}  // namespace
}  // namespace cad
