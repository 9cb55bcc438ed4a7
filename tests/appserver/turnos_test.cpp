// Shifts on both backends: GetTurno's packet over the demo shifts; UpdTurno inserting, changing and
// deleting shifts as stored rows (name trimmed), every refusal leaving TURNOSERV as it was (a
// valid row ahead of a refused one included), and malformed calls as faults; GetTurnoPontEntr's
// clients, delivery points and shifts of one service, or its error text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/core/errors.h"
#include "tests/appserver/method_fixture.h"

namespace cad {
namespace {

const DateTime kProcessa = DateTime::fromDate(2026, 12, 7);

class TurnosTest : public test::MethodTest {
 protected:
  PacketPtr turnos(const std::string& filial, const std::string& servico) {
    return call("GetTurno", {filial, servico}).packetPtr();
  }
  std::string upd(PacketPtr delta, DateTime processa = kProcessa) {
    return call("UpdTurno", {Variant(delta), Variant(processa)}).str();
  }
  // The stored shifts as "filial/servico/codigo name seg..fer", in key order.
  std::vector<std::string> stored(const std::string& where = "1 = 1") {
    std::vector<std::string> out;
    for (const auto& row : sql("SELECT CDFILIAL, CDSERVFILI, CDTURNO, NMTURNO, QTCOMESTTSEG, QTCOMESTTTER,"
                               " QTCOMESTTQUA, QTCOMESTTQUI, QTCOMESTTSEX, QTCOMESTTSAB, QTCOMESTTDOM, QTCOMESTTFER"
                               " FROM TURNOSERV WHERE " + where + " ORDER BY CDFILIAL, CDSERVFILI, CDTURNO")
                           .rows) {
      std::string s = row[0].asString() + "/" + row[1].asString() + "/" + row[2].asString() + " " + row[3].asString();
      for (size_t i = 4; i < row.size(); ++i) s += " " + (row[i].isNull() ? std::string("-") : formatNum(row[i]));
      out.push_back(s);
    }
    return out;
  }
  static std::string formatNum(const Variant& v) {
    double d = v.asFloat();
    return d == static_cast<long long>(d) ? std::to_string(static_cast<long long>(d)) : std::to_string(d);
  }
  // An inserted shift of 0001/00001 with the given code, name and Monday figure (other days null).
  PacketPtr novo(const Packet& shape, const Variant& codigo, const Variant& nome, const Variant& seg) {
    return changeSet(shape, {{ChangeKind::Inserted, {}, {{"CDFILIAL", "0001"}, {"CDSERVFILI", "00001"},
                                                         {"CDTURNO", codigo}, {"NMTURNO", nome},
                                                         {"QTCOMESTTSEG", seg}}}});
  }
};

TEST_P(TurnosTest, GetTurnoListsTheServiceShiftsInCodeOrder) {
  PacketPtr p = turnos("0001", "00001");
  std::vector<std::string> names;
  for (const auto& f : p->fields) names.push_back(f.name);
  EXPECT_EQ(names, (std::vector<std::string>{"CDFILIAL", "CDSERVFILI", "CDTURNO", "NMTURNO", "QTCOMESTTSEG",
                                             "QTCOMESTTTER", "QTCOMESTTQUA", "QTCOMESTTQUI", "QTCOMESTTSEX",
                                             "QTCOMESTTSAB", "QTCOMESTTDOM", "QTCOMESTTFER"}));
  EXPECT_EQ(p->fields[3].size, 10);
  EXPECT_EQ(p->fields[11].type, FieldType::Float);
  ASSERT_EQ(p->rowCount(), 2u);
  EXPECT_EQ(p->value(0, "CDTURNO").str(), "1");
  EXPECT_EQ(p->value(0, "NMTURNO").str(), "1º Turno");
  EXPECT_EQ(p->value(1, "QTCOMESTTTER"), Variant(142.0));
  EXPECT_EQ(turnos("0001", "99999")->rowCount(), 0u);
  EXPECT_EQ(turnos("0001", "")->fields.size(), 12u);
}

TEST_P(TurnosTest, UpdTurnoInsertsChangesAndDeletesShifts) {
  exec("DELETE FROM TURNOSERV WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001' AND CDTURNO = '2'");
  PacketPtr p = turnos("0001", "00001");
  // A new shift between the stored ones; its name is stored trimmed.
  EXPECT_EQ(upd(novo(*p, "3", "  Noite  ", 12.5)), "");
  EXPECT_EQ(upd(novo(*p, "2", "Tarde", 0)), "");
  p = turnos("0001", "00001");
  ASSERT_EQ(p->rowCount(), 3u);
  std::vector<Variant> um = rowWhere(*p, "CDTURNO", "1");
  EXPECT_EQ(upd(changeSet(*p, {{ChangeKind::Modified, um, {{"NMTURNO", "Manhã"}, {"QTCOMESTTFER", Variant()}}}})), "");
  const std::string almoco = "CDFILIAL = '0001' AND CDSERVFILI = '00001'";
  EXPECT_EQ(stored(almoco), (std::vector<std::string>{"0001/00001/1 Manhã 207 213 210 207 195 84 0 -",
                                                "0001/00001/2 Tarde 0 - - - - - - -",
                                                "0001/00001/3 Noite 12.500000 - - - - - - -"}));

  // Deleting the highest code, then the rest in one change set.
  p = turnos("0001", "00001");
  EXPECT_EQ(upd(changeSet(*p, {{ChangeKind::Deleted, rowWhere(*p, "CDTURNO", "3"), {}}})), "");
  EXPECT_EQ(count("TURNOSERV", almoco + " AND CDTURNO = '3'"), 0);
  EXPECT_EQ(upd(changeSet(*p, {{ChangeKind::Deleted, p->rows[0], {}}, {ChangeKind::Deleted, p->rows[1], {}}})), "");
  EXPECT_TRUE(stored(almoco).empty());
}

TEST_P(TurnosTest, UpdTurnoRefusalsWriteNothing) {
  PacketPtr p = turnos("0001", "00001");
  std::vector<Variant> um = rowWhere(*p, "CDTURNO", "1");
  auto insertInto = [&](const char* filial, const char* servico) {
    return changeSet(*p, {{ChangeKind::Inserted, {}, {{"CDFILIAL", filial}, {"CDSERVFILI", servico},
                                                      {"CDTURNO", "3"}, {"NMTURNO", "Noite"}}}});
  };
  // A valid new shift followed by a refused row: neither is kept.
  PacketPtr validThenBad = changeSet(*p, {{ChangeKind::Inserted, {}, {{"CDFILIAL", "0001"}, {"CDSERVFILI", "00001"},
                                                                      {"CDTURNO", "3"}, {"NMTURNO", "Noite"}}},
                                          {ChangeKind::Modified, um, {{"QTCOMESTTQUA", -1.0}}}});
  const std::string negative = "Quantidade comensais do turno deve ser maior ou igual a zero.";
  struct Case {
    const char* what;
    PacketPtr delta;
    std::string text;
  };
  const Case cases[] = {
      {"fifth code", novo(*p, "5", "Extra", 1), "Código de turno inválido: '5' (1 a 4)."},
      {"empty code", novo(*p, "", "Extra", 1), "Código de turno inválido: '' (1 a 4)."},
      {"numeric code", novo(*p, 3, "Extra", 1), "Código de turno inválido: '3' (1 a 4)."},
      {"blank name", novo(*p, "3", "   ", 1), "Nome deve ser informado."},
      {"null name", novo(*p, "3", Variant(), 1), "Nome deve ser informado."},
      {"long name", novo(*p, "3", "Madrugada 01", 1), "O valor de NMTURNO excede 10 caracteres."},
      {"negative day", novo(*p, "3", "Noite", -0.5), negative},
      {"text day", novo(*p, "3", "Noite", "10"), "Quantidade de comensais inválida no turno 3 (QTCOMESTTSEG)."},
      {"huge day", novo(*p, "3", "Noite", 1e12), "Quantidade de comensais inválida no turno 3 (QTCOMESTTSEG)."},
      {"code stored", novo(*p, "2", "Outro", 1), "O registro já foi incluído por outro usuário. Recarregue os dados"
                                                 " e tente novamente."},
      {"unknown service", insertInto("0001", "99999"), "Serviço 99999 não cadastrado na filial 0001."},
      {"hospital service", insertInto("0003", "00010"),
       "O serviço 00010 da filial 0003 não é corporativo; só serviços corporativos têm turnos."},
      {"key changed", changeSet(*p, {{ChangeKind::Modified, um, {{"CDTURNO", "4"}}}}),
       "A filial, o serviço e o código de um turno cadastrado não podem ser alterados."},
      {"valid row first", validThenBad, negative},
  };
  const std::vector<std::string> before = stored();
  for (const Case& c : cases) {
    EXPECT_EQ(upd(c.delta), c.text) << c.what;
    EXPECT_EQ(stored(), before) << c.what;
  }
  EXPECT_EQ(upd(novo(*p, "3", "Noite", 1), DateTime()), "Data de processamento não informada.");

  // Changed by another connection since it was read: the edit and the deletion are stale.
  exec("UPDATE TURNOSERV SET QTCOMESTTSEG = 200 WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001' AND CDTURNO = '1'");
  const std::vector<std::string> changed = stored();
  const std::string stale = "O registro foi alterado por outro usuário. Recarregue os dados e tente novamente.";
  EXPECT_EQ(upd(changeSet(*p, {{ChangeKind::Modified, um, {{"NMTURNO", "Manhã"}}}})), stale);
  EXPECT_EQ(upd(changeSet(*p, {{ChangeKind::Deleted, um, {}}})), stale);
  EXPECT_EQ(stored(), changed);

  // JOAO has no access to 0002, whose corporate snack takes shifts from operators who do.
  server.setOperator("JOAO");
  EXPECT_EQ(upd(insertInto("0002", "00004")), "O operador JOAO não tem acesso à filial 0002.");
  EXPECT_EQ(stored(), changed);
  server.setOperator("MARIA");
  EXPECT_EQ(upd(insertInto("0002", "00004")), "");
  EXPECT_EQ(count("TURNOSERV", "CDFILIAL = '0002' AND CDSERVFILI = '00004' AND CDTURNO = '3'"), 1);
}

TEST_P(TurnosTest, ShiftsOfAServiceNoLongerCorporateCanStillBeDeleted) {
  PacketPtr p = turnos("0001", "00001");
  exec("UPDATE SERVICO SET IDTIPOSERV = 'A' WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'");
  EXPECT_EQ(upd(changeSet(*p, {{ChangeKind::Modified, p->rows[0], {{"NMTURNO", "Manhã"}}}})),
            "O serviço 00001 da filial 0001 não é corporativo; só serviços corporativos têm turnos.");
  EXPECT_EQ(upd(changeSet(*p, {{ChangeKind::Deleted, p->rows[0], {}}, {ChangeKind::Deleted, p->rows[1], {}}})), "");
  EXPECT_EQ(count("TURNOSERV", "CDFILIAL = '0001' AND CDSERVFILI = '00001'"), 0);
}

TEST_P(TurnosTest, MalformedCallsAreFaults) {
  PacketPtr p = turnos("0001", "00001");
  EXPECT_THROW(upd(p), Exception);  // a plain packet, not a change set
  EXPECT_THROW(call("UpdTurno", {Variant(novo(*p, "3", "Noite", 1)), "07/12/2026"}), Exception);
  // A change set without the shift code.
  auto semCodigo = std::make_shared<Packet>(*novo(*p, "3", "Noite", 1));
  semCodigo->fields.erase(semCodigo->fields.begin() + 2);
  for (auto& row : semCodigo->rows) row.erase(row.begin() + 2);
  EXPECT_THROW(upd(semCodigo), Exception);
  EXPECT_EQ(count("TURNOSERV", "CDSERVFILI = '00001' AND CDTURNO = '3'"), 1);  // the demo's 0002/00001
}

TEST_P(TurnosTest, GetTurnoPontEntrReadsClientsDeliveryPointsAndShiftsTogether) {
  auto names = [](const Packet& p) {
    std::string out;
    for (const auto& f : p.fields) out += (out.empty() ? "" : " ") + f.name + ":" + std::to_string(f.size);
    return out;
  };
  auto column = [](const Packet& p, const char* field) {
    std::string out;
    for (size_t r = 0; r < p.rowCount(); ++r) out += (out.empty() ? "" : " ") + p.value(r, field).asString();
    return out;
  };
  Variant result = call("GetTurnoPontEntr", {"0001", "00001"});
  ASSERT_TRUE(result.isArray());
  ASSERT_EQ(result.asArray().size(), 2u);
  ASSERT_TRUE(result.asArray()[0].isArray());
  const VariantArray& destinos = result.asArray()[0].asArray();
  ASSERT_EQ(destinos.size(), 2u);
  const Packet& clientes = destinos[0].asPacket();
  const Packet& pontos = destinos[1].asPacket();
  const Packet& shifts = result.asArray()[1].asPacket();
  EXPECT_EQ(names(clientes), "CDFILIAL:4 CDSERVFILI:5 CDCLIENTE:21 IDTPIJURCLIE:1 NRINSJURCLIE:18 NMRAZSOCCLIE:50"
                             " NMFANTCLIE:50");
  EXPECT_EQ(names(pontos), "CDFILIAL:4 CDSERVFILI:5 CDCLIENTE:21 CDDESTFILI:3 NMDESTFILI:30 QTCOESTCSSEG:0"
                           " QTCOESTCSTER:0 QTCOESTCSQUA:0 QTCOESTCSQUI:0 QTCOESTCSSEX:0 QTCOESTCSSAB:0"
                           " QTCOESTCSDOM:0 QTCOESTCSFER:0");
  EXPECT_EQ(column(clientes, "CDCLIENTE"), "000001 000002");
  EXPECT_EQ(column(clientes, "NRINSJURCLIE"), "33444555000181 55666777000181");
  EXPECT_EQ(column(clientes, "NMFANTCLIE"), "Metalpaulista Banco Horizonte");
  EXPECT_EQ(column(pontos, "CDCLIENTE"), "000001 000001 000002");
  EXPECT_EQ(column(pontos, "NMDESTFILI"), "Portaria Principal Refeitório Bloco A Refeitório Bloco B");
  EXPECT_EQ(pontos.value(1, "QTCOESTCSTER"), Variant(105.0));
  EXPECT_EQ(pontos.fields[12].type, FieldType::Float);
  EXPECT_EQ(column(shifts, "CDTURNO"), "1 2");
  EXPECT_EQ(names(shifts), names(*turnos("0001", "00001")));

  // Another branch's service of the same code brings only its own rows.
  result = call("GetTurnoPontEntr", {"0002", "00001"});
  EXPECT_EQ(column(result.asArray()[0].asArray()[0].asPacket(), "CDCLIENTE"), "000003");
  EXPECT_EQ(column(result.asArray()[0].asArray()[1].asPacket(), "CDFILIAL"), "0002 0002");
  EXPECT_EQ(column(result.asArray()[1].asPacket(), "CDTURNO"), "1 2 3");

  EXPECT_EQ(call("GetTurnoPontEntr", {"0001", ""}), Variant("Serviço não informado."));
  EXPECT_EQ(call("GetTurnoPontEntr", {"0001", "99999"}), Variant("Serviço 99999 não cadastrado na filial 0001."));
}

INSTANTIATE_TEST_SUITE_P(Db, TurnosTest, ::testing::ValuesIn(test::backends()), test::BackendName());

}  // namespace
}  // namespace cad
