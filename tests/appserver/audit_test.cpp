// Audit trail on both backends. The main check is generic: before and after a call every business
// table is read whole, and replaying the call's audit rows (inserts, changed fields, deletes, each
// old value checked against the replayed state) over the state before must give exactly the state
// after. So an audited call cannot change a row the audit does not show, nor show a change that
// did not happen. Every registered update method is called so; refused updates and reads must
// leave nothing; the `audit` command is run as a
// process over a database written through the HTTP front.
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <set>

#include "appserver/registry.h"
#include "platform/core/datetime.h"
#include "tests/appserver/method_fixture.h"
#include "tests/support/child_process.h"
#include "tests/support/raw_http.h"
#include "tests/support/server_child.h"

namespace cad {
namespace {

using namespace std::chrono_literals;
using Row = std::map<std::string, std::optional<std::string>>;  // column -> value as text
using Table = std::map<std::string, Row>;                       // key text -> row

std::string numberText(double d) {
  char b[40];
  std::snprintf(b, sizeof b, "%.10g", d);
  return b;
}

class AuditTest : public test::MethodTest {
 protected:
  static std::optional<std::string> text(const Variant& v) {
    if (v.isNull()) return std::nullopt;
    if (v.isNumber()) return numberText(v.asFloat());
    if (v.isDateTime()) return v.asDateTime().iso().substr(0, 10);
    return v.asString();
  }
  // An audited value read back as the column's kind, so both sides compare alike.
  static std::optional<std::string> audited(const Variant& v, bool numeric, bool date) {
    if (v.isNull()) return std::nullopt;
    if (numeric) return numberText(std::stod(v.str()));
    return date ? v.str().substr(0, 10) : v.str();
  }
  static std::string keyText(const std::vector<std::string>& keys, const Row& row) {
    std::string s;
    for (const auto& k : keys) {
      auto it = row.find(k);
      s += (s.empty() ? "" : ", ") + k + "=" + (it != row.end() && it->second ? *it->second : "");
    }
    return s;
  }

  struct State {
    std::map<std::string, Table> tables;
    std::map<std::string, std::set<std::string>> numeric;  // numeric columns per table
    std::map<std::string, std::set<std::string>> dates;    // date columns per table
    std::map<std::string, std::vector<std::string>> columns;
  };
  State snapshot() {
    State s;
    for (const auto& [name, keys] : catalogue()) {
      auto rs = sql("SELECT * FROM " + name);
      Table& t = s.tables[name];
      for (const auto& c : rs.columns) s.columns[name].push_back(c.name);
      for (const auto& c : rs.columns)
        if (c.type == FieldType::Integer || c.type == FieldType::Float)
          s.numeric[name].insert(c.name);
        else if (c.type == FieldType::DateTime)
          s.dates[name].insert(c.name);
      for (const auto& r : rs.rows) {
        Row row;
        for (size_t i = 0; i < rs.columns.size(); ++i) row[rs.columns[i].name] = text(r[i]);
        t[keyText(keys, row)] = row;
      }
    }
    return s;
  }
  int64_t lastAudit() { return sql("SELECT COALESCE(MAX(NRAUDITORIA), 0) FROM AUDITORIA").rows.at(0).at(0).asInt(); }
  long long auditCount() { return count("AUDITORIA", "1 = 1") + count("AUDITCAMPO", "1 = 1"); }

  // Replays the audit rows after `from` over `before`; every failure names the row.
  void expectReplayGives(State before, const State& after, int64_t from, const std::string& method) {
    auto keys = catalogue();
    auto rows =
        sql("SELECT NRAUDITORIA, NMTABELA, IDOPERACAO, DSCHAVE, CDOPERADOR, DSPEER, NMMETODO, DTAUDITORIA "
            "FROM AUDITORIA WHERE NRAUDITORIA > :N ORDER BY NRAUDITORIA",
            {{"N", Variant(from)}});
    ASSERT_FALSE(rows.rows.empty()) << method << " não deixou auditoria";
    for (const auto& a : rows.rows) {
      std::string table = a[1].str(), op = a[2].str(), key = a[3].str();
      SCOPED_TRACE(method + ": " + table + " " + op + " " + key);
      EXPECT_EQ(a[4].str(), "ADMIN");
      EXPECT_EQ(a[5].str(), "interno");
      EXPECT_EQ(a[6].str(), method);
      EXPECT_EQ(a[7].str().size(), 19u);
      ASSERT_TRUE(keys.count(table));
      Table& t = before.tables[table];
      const auto& numeric = before.numeric[table];
      const auto& dates = before.dates[table];
      Row changed, old;
      for (const auto& f :
           sql("SELECT NMCAMPO, VLANTERIOR, VLNOVO FROM AUDITCAMPO WHERE NRAUDITORIA = :N", {{"N", a[0]}}).rows) {
        bool num = numeric.count(f[0].str()) > 0, date = dates.count(f[0].str()) > 0;
        old[f[0].str()] = audited(f[1], num, date);
        changed[f[0].str()] = audited(f[2], num, date);
      }
      if (op == "I") {
        EXPECT_FALSE(t.count(key)) << "inclusão de uma linha existente";
        Row row;
        for (const auto& c : before.columns[table]) row[c] = std::nullopt;
        for (const auto& [c, v] : changed) row[c] = v;
        EXPECT_EQ(keyText(keys[table], row), key);
        t[key] = row;
      } else {
        // An update that changed key fields is shown under the new key: the row is the one
        // holding all the old values.
        std::string lookup = key;
        if (op == "U") {
          bool moved = false;
          for (const auto& k : keys[table]) moved = moved || old.count(k);
          if (moved) {
            for (auto& [k2, r2] : t) {
              bool all = true;
              for (const auto& [c, v] : old) all = all && r2[c] == v;
              if (all) {
                lookup = k2;
                break;
              }
            }
          }
        }
        auto it = t.find(lookup);
        ASSERT_NE(it, t.end()) << "linha auditada inexistente";
        for (const auto& [c, v] : old) EXPECT_EQ(it->second[c], v) << "valor anterior de " << c;
        if (op == "D") {
          t.erase(it);
        } else {
          Row row = it->second;
          t.erase(it);
          for (const auto& [c, v] : changed) row[c] = v;
          EXPECT_EQ(keyText(keys[table], row), key);
          t[key] = row;
        }
      }
    }
    for (const auto& [name, table] : after.tables) EXPECT_EQ(before.tables[name], table) << method << ": " << name;
  }

  // Runs `call` (a successful update of `method`) and checks its audit rows by replay.
  void audits(const std::string& method, const std::function<void()>& call) {
    State before = snapshot();
    int64_t from = lastAudit();
    call();
    expectReplayGives(std::move(before), snapshot(), from, method);
  }
};

TEST_P(AuditTest, EveryBusinessTableHasItsTriggersAndTheOthersNone) {
  auto tables = catalogue();
  ASSERT_GT(tables.size(), 35u);
  std::set<std::string> audited;
  if (GetParam() == "postgresql") {
    for (const auto& r : sql("SELECT DISTINCT UPPER(event_object_table) FROM information_schema.triggers "
                             "WHERE trigger_name ILIKE 'TRG_AUD_%'")
                             .rows)
      audited.insert(r[0].str());
  } else {
    for (const auto& r : sql("SELECT UPPER(tbl_name), COUNT(*) FROM sqlite_master WHERE type = 'trigger' AND name "
                             "LIKE 'TRG_AUD_%' GROUP BY tbl_name")
                             .rows) {
      EXPECT_EQ(r[1].asInt(), 3) << r[0].str();
      audited.insert(r[0].str());
    }
  }
  std::set<std::string> expected;
  for (const auto& [t, keys] : tables) {
    expected.insert(t);
    EXPECT_FALSE(keys.empty()) << t;
  }
  EXPECT_EQ(audited, expected);
}

TEST_P(AuditTest, UpdatesLeaveTheirChangesAndReplayingThemGivesTheStateAfter) {
  // Every update method, in an order where each finds the data it needs (the demo's, changed only
  // by the calls before it).
  std::set<std::string> covered;
  auto run = [&](const std::string& method, const std::function<void()>& call) {
    covered.insert(method);
    audits(method, call);
  };
  // The packaging transfers and restrictions, into the point 000001/002 that has neither before.
  run("ImportaDistribuicao", [&] {
    payload(call("ImportaDistribuicao", {"0001", "00001", "", "", "0001", "00001", "000001", "002"}));
  });
  // The one transported service of branch 0002 marked as a destination.
  auto destino = [&](const char* todosPontos) { return Variant(servicos("0002", {{"00001", "S", todosPontos}})); };
  run("ExportaDistribuicao", [&] {
    payload(call("ExportaDistribuicao", {"0001", "00001", "", "", destino("S"), "\n"}));
  });
  run("ImportaRestricoes", [&] {
    payload(call("ImportaRestricoes", {"0001", "00001", "000001", "001", "_01_03_", "0001", "00001", "000001", "002"}));
  });
  run("ExportaRestricoes", [&] {
    payload(call("ExportaRestricoes", {"0001", "00001", "", "", "_01_", destino("N"), "\n"}));
  });
  run("SetRestricoes", [&] {
    PacketPtr p = payload(call("GetRestricoes", {"0001", "00001", "", "", 1.0})).packetPtr();
    ASSERT_EQ(p->rowCount(), 2u);
    double numero = p->value(0, "NRRESTEMBTPPRAT").asFloat();
    PacketPtr delta = changeSet(
        *p, {{ChangeKind::Modified, p->rows[0], {{"VRMINCONTAINER", 5.0}}},
             {ChangeKind::Deleted, p->rows[1], {}},
             {ChangeKind::Inserted,
              {},
              {{"NRRESTEMBTPPRAT", numero}, {"CDCONTAINER", "CT80"}, {"VRMINCONTAINER", -1.0}, {"NRORDEM", 2.0}}}});
    EXPECT_EQ(payload(call("SetRestricoes", {numero, "0001", "00001", "", "", 1.0, Variant(delta)})).str(), "");
  });
  run("UpdServico", [&] {
    PacketPtr list = call("GetServico", {"0001", ""}).packetPtr();
    PacketPtr delta = changeSet(*list, {{ChangeKind::Modified, list->rows[1], {{"NMSERVICO", "Jantar A"}}}});
    EXPECT_EQ(call("UpdServico", {Variant(delta), ""}).str(), "");
  });
  run("UpdPontoEntr", [&] {
    PacketPtr p = payload(call("GetPEntClie", {"0001", "00001"})).packetPtr();
    PacketPtr delta =
        changeSet(*p, {{ChangeKind::Inserted,
                        {},
                        {{"CDFILIAL", "0001"},
                         {"CDSERVFILI", "00002"},
                         {"CDCLIENTE", "000004"},
                         {"CDDESTFILI", "001"},
                         {"QTCOESTCSSEG", 7.5}}},
                       {ChangeKind::Modified, p->rows[0], {{"QTCOESTCSFER", Variant()}, {"QTCOESTCSDOM", 3.0}}},
                       {ChangeKind::Deleted, p->rows[2], {}}});
    EXPECT_EQ(call("UpdPontoEntr", {Variant(delta)}).str(), "");
  });
  run("SetDistrEmb", [&] {
    payload(call("SetDistrEmb",
                 {"0001", "00001", "", "", "CT50", Variant(), 5.0, Variant(linhasEmGrupos({{5, 4}, {5, 8}}))}));
  });
  run("DelDistrEmb", [&] { payload(call("DelDistrEmb", {"0001", "00001", "", "", 1.0})); });
  run("UpdConfCard", [&] {
    PacketPtr p = call("GetConfCard", {"0001", "00001"}).packetPtr();
    Variant modo("D");
    EXPECT_EQ(call("UpdConfCard",
                   {Variant(monta(*p, {1, 3, 4, 5, 6, 7, 8})), Variant(removidas({2})), ByRef(modo), "0001", "00001"})
                  .str(),
              "");
  });
  run("ReplicaServico", [&] {
    EXPECT_EQ(
        payload(call("ReplicaServico", {"0001", "001", "00001", Variant(destinos({{"00004", "Lanche"}}))})).asInt(), 1);
  });
  run("Importa__ConfCard", [&] { payload(call("Importa__ConfCard", {"00001", "0002", "0001"})); });
  run("SetExpComens", [&] {
    Variant f("0003"), s("00010"), d("0002"), l("0003_0005_");
    payload(call("SetExpComens", {ByRef(f), ByRef(s), ByRef(d), ByRef(l)}));
  });
  run("SetComensCardapio", [&] { payload(call("SetComensCardapio", {"0001", "00001", Variant(mes(2026, 12, 15))})); });
  run("ExportaConfPadrao", [&] { payload(call("ExportaConfPadrao", {"0001", "00001", "00002_00003_", "N"})); });
  run("InsereCustoPadrao", [&] {
    std::string lista = payload(call("GetCustPadrManu", {"_000100001_", "", "", "ADMIN", "I", "N",
                                                         Variant(mes(2027, 3)), Variant(mes(2027, 5)), ""}))
                            .asArray()[1]
                            .asString();
    PacketPtr novos = custos({{"0001", "00001", mes(2027, 3), 31.25},
                              {"0001", "00001", mes(2027, 4), 31.25},
                              {"0001", "00001", mes(2027, 5), 31.25}});
    payload(call("InsereCustoPadrao", {lista, Variant(mes(2027, 3)), Variant(mes(2027, 5)), Variant(novos)}));
  });
  run("SobrepoeCustoPadrao", [&] {
    Variant carga = payload(call("GetCustPadrManu", {"_000100001_", "", "", "ADMIN", "A", "N", Variant(mes(2027, 3)),
                                                     Variant(mes(2027, 3)), ""}));
    const Packet& linhas = carga.asArray()[0].asPacket();
    ASSERT_EQ(linhas.rowCount(), 1u);
    payload(call("SobrepoeCustoPadrao", {carga.asArray()[1], Variant(mes(2027, 3)), Variant(mes(2027, 3)),
                                         Variant(changeSet(linhas, {{ChangeKind::Deleted, linhas.rows[0], {}}})),
                                         Variant(custos({{"0001", "00001", mes(2027, 3), 44.5}}))}));
  });
  run("UpdTurno", [&] {
    PacketPtr p = call("GetTurno", {"0001", "00001"}).packetPtr();
    PacketPtr delta =
        changeSet(*p, {{ChangeKind::Modified, p->rows[0], {{"NMTURNO", "Manhã"}, {"QTCOMESTTFER", Variant()}}},
                       {ChangeKind::Deleted, p->rows[1], {}}});
    EXPECT_EQ(call("UpdTurno", {Variant(delta), Variant(mes(2026, 12, 7))}).str(), "");
  });
  run("UpdCustPadr", [&] {
    PacketPtr m = call("GetCustPadr", {"0001", "00001"}).packetPtr();
    PacketPtr delta =
        changeSet(*m, {{ChangeKind::Modified, rowWhere(*m, "VRCUSTPADR", "19.98"), {{"VRCUSTPADR", 30.0}}}});
    EXPECT_EQ(call("UpdCustPadr", {Variant(delta)}).str(), "");
  });

  // Billing equivalences, diets, dish-type costs and the consumption removal.
  run("SerServFatu", [&] {
    PacketPtr p = payload(call("GetServFatu", {"0001", "00002"})).packetPtr();
    PacketPtr delta = changeSet(
        *p,
        {{ChangeKind::Deleted, p->rows.at(0), {}},
         {ChangeKind::Inserted, {}, {{"CDFILIAL", "0001"}, {"CDSERVFILI", "00003"}, {"CDSERVICFATURAM", "00090"}}}});
    EXPECT_EQ(payload(call("SerServFatu", {Variant(delta)})).str(), "");
  });
  run("UpdDietServ", [&] {
    PacketPtr p = call("GetDietServ", {"0003", "00010", "0001"}).packetPtr();
    ASSERT_EQ(p->rowCount(), 1u);
    PacketPtr delta = changeSet(*p, {{ChangeKind::Modified,
                                      p->rows[0],
                                      {{"QTCLIDIETSEG", p->value(0, "QTCLIDIETSEG").asFloat() + 1},
                                       {"QTCOMDIETSEG", p->value(0, "QTCOMDIETSEG").asFloat() + 1}}},
                                     {ChangeKind::Inserted, {}, novaDieta()}});
    EXPECT_EQ(call("UpdDietServ", {Variant(delta)}).str(), "");
  });
  run("UpdCustPadrTp", [&] {
    PacketPtr t = call("GetCustPadrTp", {"0001", "00001"}).packetPtr();
    std::vector<Edit> edits{novoTipo("08", 3.2, mes(2027, 2))};
    for (size_t r = 0; r < t->rowCount(); ++r)
      if (t->value(r, "DTREFCUSPADR").asDateTime() == mes(2027, 2)) {
        if (t->value(r, "CDTIPOPRAT").asString() == "01")
          edits.push_back({ChangeKind::Modified, t->rows[r], {{"VRCUSTPADRTP", 0.0}}});
        if (t->value(r, "CDTIPOPRAT").asString() == "07") edits.push_back({ChangeKind::Deleted, t->rows[r], {}});
      }
    ASSERT_EQ(edits.size(), 3u);
    payload(call("UpdCustPadrTp", {Variant(changeSet(*t, edits))}));
  });
  run("UpdCustPadrComTp", [&] {
    PacketPtr m = call("GetCustPadr", {"0001", "00001"}).packetPtr();
    PacketPtr meses =
        changeSet(*m, {{ChangeKind::Modified, rowWhere(*m, "VRCUSTPADR", "20.35"), {{"VRCUSTPADR", 40.7}}}});
    payload(call("UpdCustPadrComTp", {Variant(meses), Variant(tiposDobrados())}));
  });
  exec("UPDATE SERVICO SET IDBLOQCONFIXPER = 'S' WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'");
  run("GetProdExcl", [&] {
    EXPECT_EQ(call("GetProdExcl", {"0001", "00001", Variant(mes(2026, 12, 7))}).str(), "");
    EXPECT_EQ(count("CONSPRODSERV", "CDFILIAL = '0001' AND CDSERVFILI = '00001'"), 0);
  });

  // The standard-cost working list is the only other thing update methods write, and it is not
  // business data: taking and dropping one leaves no audit.
  long long antes = auditCount();
  std::string lista = payload(call("GetCustPadrManu", {"_000100001_", "", "", "ADMIN", "I", "N", Variant(mes(2028, 1)),
                                                       Variant(mes(2028, 2)), ""}))
                          .asArray()[1]
                          .asString();
  payload(call("DeletaLista", {lista}));
  EXPECT_EQ(auditCount(), antes);
  covered.insert({"GetCustPadrManu", "DeletaLista"});

  // So every registered update is shown here, and nothing else.
  for (const appserver::Method* m : appserver::defaultRegistry().methods()) {
    EXPECT_EQ(m->update, covered.count(m->name) > 0) << m->name;
  }
}

TEST_P(AuditTest, RefusedUpdatesAndReadsLeaveNothing) {
  long long before = auditCount();
  // Refused by the method (a replica whose second destination is refused), by the branch check,
  // by the optimistic check; then reads, and a write outside any call.
  EXPECT_FALSE(
      refusal(call("ReplicaServico", {"0001", "001", "00001", Variant(destinos({{"00004", "A"}, {"00090", "B"}}))}))
          .empty());
  server.setOperator("JOAO");
  EXPECT_FALSE(refusal(call("SetComensCardapio", {"0002", "00001", Variant(mes(2026, 12, 1))})).empty());
  server.setOperator("ADMIN");
  payload(call("DelDistrEmb", {"0001", "00001", "", "", 1.0}));
  long long afterDelete = auditCount();
  EXPECT_GT(afterDelete, before);
  EXPECT_FALSE(refusal(call("DelDistrEmb", {"0001", "00001", "", "", 1.0})).empty());
  call("GetServico", {"0001", "001"});
  call("GetCustoPadrao", {"0001", "00001"});
  exec("UPDATE SERVICO SET NMSERVICO = 'fora' WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'");
  EXPECT_EQ(auditCount(), afterDelete);
  EXPECT_EQ(count("AUDITCONTEXTO", "1 = 1"), 0);
}

// The listing of `cadserv-server audit` over changes made through the HTTP front by two
// operators on two branches.
class AuditCommand : public ::testing::TestWithParam<std::string> {
 protected:
  // Runs the command with `args`; its output, and its exit status in `code`.
  std::string audit(const std::vector<std::string>& args, int* code = nullptr) {
    std::vector<std::string> all{std::string(CADSERV_BIN_DIR) + "/cadserv-server", "audit", "--db", url};
    all.insert(all.end(), args.begin(), args.end());
    test::ChildProcess p(all);
    std::string out;
    int lines = 0;
    for (std::string line = p.readLine(30s); (!p.atEnd() || !line.empty()) && ++lines < 100000; line = p.readLine(30s))
      out += line + "\n";
    int status = p.wait(30s);
    if (code) *code = status;
    return out;
  }
  std::string url;
};

TEST_P(AuditCommand, ListsTheChangesChronologicallyByOperatorBranchMethodAndDate) {
  url = test::freshDatabaseUrl(GetParam());
  test::ServerChild server({"--db", url, "--demo", "--token", "t", "--log-level", "warn"});
  int port = server.port();
  ASSERT_GT(port, 0) << server.output();
  auto rpc = [&](const std::string& op, const std::string& body) {
    test::RawHttp c(port);
    c.send(test::rpcRequest("t", op, body));
    auto r = c.read(30s);
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body.find("false"), std::string::npos) << r.body;
  };
  rpc("MARIA", R"({"server":"Ger04100.rdmCadastroServ","method":"DelDistrEmb","args":["0001","00001","","",1]})");
  rpc("ADMIN",
      R"({"server":"Ger04100.rdmCadastroServ","method":"SetExpComens","args":["0003","00010","0002","0003_0005_"]})");
  rpc("ADMIN", R"({"server":"Ger04100.rdmCadastroServ","method":"GetServico","args":["0001","001"]})");
  ASSERT_EQ(server.process().stop(SIGTERM, 30s), 0);

  std::string all = audit({});
  size_t maria = all.find("MARIA (127.0.0.1)  DelDistrEmb"), admin = all.find("ADMIN (127.0.0.1)  SetExpComens");
  ASSERT_NE(maria, std::string::npos) << all;
  ASSERT_NE(admin, std::string::npos) << all;
  EXPECT_LT(maria, admin);
  EXPECT_NE(all.find("  CNFDISTEMBSERV exclusão  "), std::string::npos) << all;
  EXPECT_NE(all.find("    CDCONTAINER: \"MX08\" -> (nulo)\n"), std::string::npos) << all;
  EXPECT_NE(all.find("CDFILIAL=0003, CDSERVFILI=00010, CDDIETPAD=0003  filial 0003\n"), std::string::npos) << all;
  EXPECT_EQ(all.find("GetServico"), std::string::npos);

  struct Case {
    std::vector<std::string> args;
    bool delDistr, expComens;
  };
  for (const Case& c :
       {Case{{"--operator", "maria"}, true, false}, Case{{"--branch", "0003"}, false, true},
        Case{{"--method", "setexpcomens"}, false, true}, Case{{"--since", "2000-01-01T10:00"}, true, true},
        Case{{"--since", "2999-01-01", "--operator", "MARIA"}, false, false}}) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    std::string out = audit(c.args);
    EXPECT_EQ(out.find("DelDistrEmb") != std::string::npos, c.delDistr) << out;
    EXPECT_EQ(out.find("SetExpComens") != std::string::npos, c.expComens) << out;
    if (!c.delDistr && !c.expComens) {
      EXPECT_EQ(out, "Nenhuma alteração registrada com esses filtros.\n");
    }
  }
  for (const char* bad : {"2026-13-01", "ontem", "2026-12-01T25:00", "2026-12-01 10"}) {
    int code = 0;
    audit({"--since", bad}, &code);
    EXPECT_EQ(code, 1) << bad;
  }
}

INSTANTIATE_TEST_SUITE_P(Db, AuditCommand, ::testing::ValuesIn(test::backends()), test::BackendName());

INSTANTIATE_TEST_SUITE_P(Db, AuditTest, ::testing::ValuesIn(test::backends()), test::BackendName());

}  // namespace
}  // namespace cad
