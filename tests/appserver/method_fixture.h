// Fixture of the remote-method tests: a demo database on the test's backend behind the in-process
// server, a TNetConnection to "Ger04100.rdmCadastroServ", and helpers to run SQL on the server's
// database, build change sets over a packet's fields and unwrap checkable results.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/core/packet.h"
#include "platform/db/database.h"
#include "platform/net/netconnection.h"
#include "tests/support/inprocess_server.h"
#include "tests/support/support.h"

namespace cad::test {

class MethodTest : public ::testing::TestWithParam<std::string> {
 protected:
  MethodTest() : server(GetParam()) {
    net.ServerName = "Ger04100.rdmCadastroServ";
    net.Host = "localhost";
    net.Port = 8099;
  }

  Variant call(const std::string& method, const std::vector<RpcArg>& args = {}) { return net.Call(method, args); }

  // The payload of a checkable result, failing the test unless it is [true, payload].
  Variant payload(const Variant& result) {
    EXPECT_TRUE(result.isArray() && result.asArray().size() == 2 && result.asArray()[0].isBool() &&
                result.asArray()[0].asBool())
        << "resultado recusado: "
        << (result.isArray() && result.asArray().size() == 2 ? result.asArray()[1].asString() : "");
    return result.isArray() && result.asArray().size() == 2 ? result.asArray()[1] : Variant();
  }
  // The text of a refused checkable result ([false, text]); "" (and a failure) otherwise.
  std::string refusal(const Variant& result) {
    bool refused = result.isArray() && result.asArray().size() == 2 && result.asArray()[0].isBool() &&
                   !result.asArray()[0].asBool();
    EXPECT_TRUE(refused);
    return refused ? result.asArray()[1].asString() : std::string();
  }

  // The tables that are not business data: the audit trail, sign-in state, working lists, counters.
  static bool notAudited(const std::string& table) {
    static const std::set<std::string> kNot = {"AUDITORIA",    "AUDITCAMPO", "AUDITCONTEXTO",
                                               "SESSAOOPER",   "SENHAOPER",  "FALHAENTRADA",
                                               "LISTCUSTPADR", "SEQUENCIA",  "ESQUEMA"};
    return kNot.count(table) > 0;
  }
  // Business tables and their key columns, from the catalogue (read once per test).
  const std::map<std::string, std::vector<std::string>>& catalogue() {
    std::map<std::string, std::vector<std::string>>& out = catalogue_;
    if (!out.empty()) return out;
    if (GetParam() == "postgresql") {
      for (const auto& r : sql("SELECT UPPER(table_name) FROM information_schema.tables WHERE table_schema = "
                               "current_schema() AND table_type = 'BASE TABLE'")
                               .rows)
        if (!notAudited(r[0].str())) out[r[0].str()];
      for (const auto& r :
           sql("SELECT UPPER(kcu.table_name), UPPER(kcu.column_name) FROM information_schema.table_constraints tc "
               "JOIN information_schema.key_column_usage kcu ON kcu.constraint_name = tc.constraint_name AND "
               "kcu.table_name = tc.table_name AND kcu.table_schema = tc.table_schema WHERE tc.constraint_type = "
               "'PRIMARY KEY' AND tc.table_schema = current_schema() ORDER BY 1, kcu.ordinal_position")
               .rows)
        if (out.count(r[0].str())) out[r[0].str()].push_back(r[1].str());
    } else {
      for (const auto& r :
           sql("SELECT UPPER(name) FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite%'").rows) {
        if (notAudited(r[0].str())) continue;
        auto& keys = out[r[0].str()];
        for (const auto& c :
             sql("SELECT UPPER(name) FROM pragma_table_info(:T) WHERE pk > 0 ORDER BY pk", {{"T", r[0]}}).rows)
          keys.push_back(c[0].str());
      }
    }
    return out;
  }

  // Every business table's rows as sorted text: what a refused call must leave as it was.
  std::string everything() {
    std::string out;
    for (const auto& [table, keys] : catalogue()) {
      std::vector<std::string> all = rows("SELECT * FROM " + table);
      std::sort(all.begin(), all.end());
      for (const std::string& r : all) out += table + "|" + r + "\n";
    }
    return out;
  }
  // The rows of a query, each its values joined by "|": numbers alike whatever the backend's column
  // type, null as "-".
  std::vector<std::string> rows(const std::string& query, const db::Params& params = {}) {
    std::vector<std::string> out;
    for (const auto& r : sql(query, params).rows) {
      std::string line;
      for (size_t i = 0; i < r.size(); ++i)
        line += (i ? "|" : "") + (r[i].isNull()     ? std::string("-")
                                  : r[i].isNumber() ? Variant(r[i].asFloat()).asString()
                                                    : r[i].asString());
      out.push_back(line);
    }
    return out;
  }

  db::ResultSet sql(const std::string& text, const db::Params& params = {}) {
    return server.pool().acquire()->query(text, params);
  }
  void exec(const std::string& text, const db::Params& params = {}) { server.pool().acquire()->exec(text, params); }
  long long count(const std::string& table, const std::string& where) {
    return sql("SELECT COUNT(*) FROM " + table + " WHERE " + where).rows.at(0).at(0).asInt();
  }

  // A change set over `shape`'s fields: each edit starts from `original` (all null for an insert)
  // and sets the named values.
  struct Edit {
    ChangeKind kind;
    std::vector<Variant> original;
    std::vector<std::pair<std::string, Variant>> changes;
  };
  static PacketPtr changeSet(const Packet& shape, const std::vector<Edit>& edits) {
    auto d = std::make_shared<Packet>();
    d->fields = shape.fields;
    d->delta = true;
    for (const Edit& e : edits) {
      std::vector<Variant> row = e.original.empty() ? std::vector<Variant>(shape.fields.size()) : e.original;
      for (const auto& [name, value] : e.changes) row.at(static_cast<size_t>(shape.fieldIndex(name))) = value;
      d->kinds.push_back(e.kind);
      d->rows.push_back(row);
      d->original.push_back(e.kind == ChangeKind::Inserted ? std::vector<Variant>{} : e.original);
    }
    return d;
  }
  // Menu lines placed in packages, as SetDistrEmb takes them: {group, line} pairs.
  static PacketPtr linhasEmGrupos(const std::vector<std::pair<double, double>>& rows) {
    auto p = std::make_shared<Packet>();
    p->fields = {FieldDef{"NRGRUPO", FieldType::Float}, FieldDef{"NRORDCNFCARD", FieldType::Float},
                 FieldDef{"NRSEQCNFCARD", FieldType::Float}};
    for (auto [g, s] : rows) p->rows.push_back({Variant(g), Variant(s), Variant(s)});
    return p;
  }
  // The destination list of ReplicaServico: {code, name} pairs.
  static PacketPtr destinos(const std::vector<std::pair<std::string, std::string>>& lista) {
    auto p = std::make_shared<Packet>();
    p->fields = {FieldDef{"CDSERVFILI", FieldType::String, 5}, FieldDef{"NMSERVICO", FieldType::String, 40}};
    for (const auto& [c, n] : lista) p->rows.push_back({Variant(c), Variant(n)});
    return p;
  }
  static DateTime mes(int y, int m, int d = 1) { return DateTime::fromDate(y, m, d); }

  // The change sets and packets several suites send (the method's own suite checks what they store,
  // audit_test.cpp what they leave in the audit trail).

  // The menu configuration made of the loaded lines at `linhas` (1-based), renumbered 1..n.
  static std::shared_ptr<Packet> monta(const Packet& p, const std::vector<int>& linhas) {
    auto out = std::make_shared<Packet>();
    out->fields = p.fields;
    int seq = 0;
    for (int l : linhas) {
      out->rows.push_back(p.rows.at(static_cast<size_t>(l - 1)));
      out->rows.back().at(static_cast<size_t>(p.fieldIndex("NRSEQCNFCARD"))) = Variant(double(++seq));
      out->rows.back().at(static_cast<size_t>(p.fieldIndex("NRORDCNFCARD"))) = Variant(double(seq));
    }
    return out;
  }
  // The removed lines UpdConfCard takes beside the configuration.
  static PacketPtr removidas(const std::vector<int>& seqs, const char* filial = "0001") {
    auto d = std::make_shared<Packet>();
    d->fields = {{"CDFILIAL", FieldType::String, 4},
                 {"CDSERVFILI", FieldType::String, 5},
                 {"NRSEQCNFCARD", FieldType::Float},
                 {"IDALTERCARD", FieldType::String, 1}};
    for (int s : seqs) d->rows.push_back({filial, "00001", double(s), "D"});
    return d;
  }
  // A change set of month costs to insert (InsereCustoPadrao, SobrepoeCustoPadrao): (filial,
  // servico, month, value).
  static PacketPtr custos(const std::vector<std::tuple<const char*, const char*, DateTime, double>>& rows) {
    Packet shape;
    shape.fields = {FieldDef{"CDFILIAL", FieldType::String, 4}, FieldDef{"CDSERVFILI", FieldType::String, 5},
                    FieldDef{"DTREFCUSPADR", FieldType::DateTime}, FieldDef{"VRCUSTPADR", FieldType::Float}};
    std::vector<Edit> edits;
    for (auto& [f, s, m, v] : rows)
      edits.push_back({ChangeKind::Inserted,
                       {},
                       {{"CDFILIAL", f}, {"CDSERVFILI", s}, {"DTREFCUSPADR", Variant(m)}, {"VRCUSTPADR", v}}});
    return changeSet(shape, edits);
  }
  // A dish-type cost of 0001/00001 to insert.
  static Edit novoTipo(const Variant& tipo, const Variant& valor, DateTime data) {
    return {ChangeKind::Inserted,
            {},
            {{"CDFILIAL", "0001"},
             {"CDSERVFILI", "00001"},
             {"CDTIPOPRAT", tipo},
             {"NMTIPOPRAT", "x"},
             {"DTREFCUSPADR", Variant(data)},
             {"VRCUSTPADRTP", valor}}};
  }
  // The dish-type costs of 0001/00001 in February 2027 as read now, each doubled.
  PacketPtr tiposDobrados() {
    PacketPtr t = call("GetCustPadrTp", {"0001", "00001"}).packetPtr();
    std::vector<Edit> edits;
    for (size_t r = 0; r < t->rowCount(); ++r)
      if (t->value(r, "DTREFCUSPADR").asDateTime() == mes(2027, 2))
        edits.push_back(
            {ChangeKind::Modified, t->rows[r], {{"VRCUSTPADRTP", t->value(r, "VRCUSTPADRTP").asFloat() * 2}}});
    EXPECT_FALSE(edits.empty());
    return changeSet(*t, edits);
  }
  // The services packet of a branch (GetServicosFilial) with rows marked: {code, level, all points}.
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
  // Monday's figures of diet 0004 of 0003/00010: clients 4, employees 3, donations null, total 7.
  static std::vector<std::pair<std::string, Variant>> novaDieta() {
    return {{"CDFILIAL", "0003"},  {"CDSERVFILI", "00010"}, {"CDDIETPAD", "0004"},
            {"QTCLIDIETSEG", 4.0}, {"QTFUNDIETSEG", 3.0},   {"QTCOMDIETSEG", 7.0}};
  }

  // One column of a packet, its values joined by spaces.
  static std::string column(const Packet& p, const std::string& field) {
    std::string out;
    for (size_t r = 0; r < p.rowCount(); ++r) out += (r ? " " : "") + p.value(r, field).asString();
    return out;
  }

  // The row of `p` whose field has the value.
  static std::vector<Variant> rowWhere(const Packet& p, const std::string& field, const std::string& value) {
    for (size_t r = 0; r < p.rowCount(); ++r)
      if (p.value(r, field).asString() == value) return p.rows[r];
    ADD_FAILURE() << "sem linha com " << field << " = " << value;
    return std::vector<Variant>(p.fields.size());
  }

  InProcessServer server;
  TNetConnection net;

 private:
  std::map<std::string, std::vector<std::string>> catalogue_;
};

}  // namespace cad::test
