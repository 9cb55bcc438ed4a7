// Fixture of the remote-method tests: a demo database on the test's backend behind the in-process
// server, a TNetConnection to "Ger04100.rdmCadastroServ", and helpers to run SQL on the server's
// database, build change sets over a packet's fields and unwrap checkable results.
#pragma once

#include <gtest/gtest.h>

#include <string>
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
};

}  // namespace cad::test
