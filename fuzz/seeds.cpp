// Writes the fuzzers' seed corpus into <dir>/codec, <dir>/changeset and <dir>/dispatcher from the
// demo data set the tests run on: a well-formed call of every registered method (demo codes for
// texts, a date, a number, change sets made from the demo rows), the requests and replies those
// calls exchange, and change sets that modify, delete and insert rows of every table the update
// methods write. Usage: fuzz_seeds <dir> (fuzz/corpus is the committed copy).
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "appserver/dispatcher.h"
#include "fuzz/support.h"
#include "platform/core/datetime.h"
#include "platform/core/errors.h"
#include "platform/core/packet.h"
#include "platform/db/database.h"
#include "platform/net/codec.h"

using namespace cad;
namespace fs = std::filesystem;

namespace {

// Seeds larger than this (whole-table replies) would only slow the fuzzers down.
constexpr size_t kMaxSeed = 4096;

struct Writer {
  explicit Writer(fs::path d) : dir(std::move(d)) {}
  fs::path dir;
  std::set<std::string> seen;
  int count = 0;
  void write(const std::string& bytes) {
    if (bytes.size() > kMaxSeed || !seen.insert(bytes).second) return;
    char name[32];
    std::snprintf(name, sizeof name, "seed-%03d", count++);
    std::ofstream(dir / name, std::ios::binary) << bytes;
  }
};

// Change sets over the first demo rows of `table`: the first row modified, the second deleted
// and a copy of the first inserted under another key (a table without demo rows gets an insert
// of a row holding only its keys).
std::vector<PacketPtr> changeSets(db::Database& db, const appserver::TableSpec& table) {
  db::ResultSet rs = db.query("SELECT * FROM " + table.table + " LIMIT 2");
  PacketPtr shape = rs.toPacket();
  auto make = [&] {
    auto p = std::make_shared<Packet>();
    p->fields = shape->fields;
    p->delta = true;
    return p;
  };
  std::vector<PacketPtr> out;
  if (rs.rows.empty()) {
    auto p = make();
    std::vector<Variant> row(p->fields.size());
    for (const std::string& key : table.keys)
      if (int i = p->fieldIndex(key); i >= 0) row[static_cast<size_t>(i)] = Variant("0001");
    p->kinds.push_back(ChangeKind::Inserted);
    p->rows.push_back(row);
    p->original.emplace_back();
    out.push_back(p);
    return out;
  }
  {
    auto p = make();
    std::vector<Variant> row = rs.rows[0];
    for (size_t i = 0; i < row.size(); ++i)
      if (row[i].isString() && p->fields[i].name.rfind("NM", 0) == 0) row[i] = Variant(row[i].str() + " (alterado)");
    p->kinds.push_back(ChangeKind::Modified);
    p->rows.push_back(row);
    p->original.push_back(rs.rows[0]);
    out.push_back(p);
  }
  {
    auto p = make();
    p->kinds.push_back(ChangeKind::Deleted);
    p->rows.push_back(rs.rows.back());
    p->original.push_back(rs.rows.back());
    out.push_back(p);
  }
  {
    auto p = make();
    std::vector<Variant> row = rs.rows[0];
    int last = p->fieldIndex(table.keys.back());
    if (last >= 0 && row[static_cast<size_t>(last)].isString()) row[static_cast<size_t>(last)] = Variant("0999");
    if (last >= 0 && row[static_cast<size_t>(last)].isInt()) row[static_cast<size_t>(last)] = Variant(999);
    p->kinds.push_back(ChangeKind::Inserted);
    p->rows.push_back(row);
    p->original.emplace_back();
    out.push_back(p);
  }
  return out;
}

// Arguments for `m`: demo codes for texts by position (branch, service, group), or all empty.
VariantArray arguments(const appserver::Method& m, bool empty, const PacketPtr& packet) {
  static const char* codes[] = {"0001", "00001", "001", "00001", "1"};
  VariantArray args;
  for (size_t i = 0; i < m.args.size(); ++i) {
    switch (m.args[i]) {
      case 's': args.emplace_back(empty ? "" : codes[i < 5 ? i : 4]); break;
      case 'd': args.emplace_back(DateTime::fromDate(2024, 3, 1)); break;
      case 'f': args.emplace_back(1); break;
      case 'p': args.emplace_back(packet); break;
      default: args.emplace_back(empty ? Variant() : Variant("0001")); break;
    }
  }
  return args;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "uso: fuzz_seeds <pasta>\n");
    return 2;
  }
  fuzz::quietLogs();
  fs::path root = argv[1];
  Writer codec(root / "codec"), changeset(root / "changeset"), dispatcher(root / "dispatcher");
  for (Writer* w : {&codec, &changeset, &dispatcher}) fs::create_directories(w->dir);

  auto pool = fuzz::demoPool();
  std::vector<std::vector<PacketPtr>> tableSets;
  {
    auto db = pool->acquire();
    const auto& tables = fuzz::changeSetTables();
    for (size_t t = 0; t < tables.size(); ++t) {
      tableSets.push_back(changeSets(*db, tables[t]));
      for (const PacketPtr& p : tableSets.back())
        for (uint8_t nulls : {0, 0x80})
          changeset.write(std::string{static_cast<char>(t), static_cast<char>(nulls)} + net::encodeValue(Variant(p)));
    }
  }

  // Calls are answered by a dispatcher on a database of their own, so the change sets above stay
  // in step with the rows they were made from.
  auto callPool = fuzz::demoPool();
  appserver::Dispatcher server(*callPool);
  std::vector<const appserver::Method*> methods = appserver::defaultRegistry().methods();
  for (size_t i = 0; i < methods.size(); ++i) {
    const appserver::Method& m = *methods[i];
    // A change-set argument gets the smallest of the tables' modify change sets.
    PacketPtr packet;
    if (m.args.find('p') != std::string::npos) {
      size_t best = SIZE_MAX;
      for (const auto& sets : tableSets)
        if (size_t n = net::encodeValue(Variant(sets.front())).size(); n < best) {
          best = n;
          packet = sets.front();
        }
    }
    for (bool empty : {false, true}) {
      VariantArray args = arguments(m, empty, packet);
      std::string prefix{static_cast<char>(1 | (empty ? 2 : 0)), static_cast<char>(i & 0xff),
                         static_cast<char>(i >> 8)};
      dispatcher.write(prefix + net::encodeValue(Variant(args)));
      if (empty) continue;
      std::string request = net::encodeRequest({m.server, m.name, args});
      // The raw form only for some methods: the decoder needs few examples.
      if (i % 4 == 0) dispatcher.write(std::string(1, '\0') + request);
      codec.write(request);
      codec.write(server.handle(request, "ADMIN"));
    }
  }
  std::printf("codec %d, changeset %d, dispatcher %d\n", codec.count, changeset.count, dispatcher.count);
  return 0;
}
