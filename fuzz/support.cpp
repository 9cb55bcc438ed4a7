#include "fuzz/support.h"

#include <spdlog/spdlog.h>

#include <cstdio>
#include <cstdlib>

#include "appserver/schema.h"

namespace cad::fuzz {

std::unique_ptr<db::Pool> demoPool() {
  auto pool = std::make_unique<db::Pool>("sqlite::memory:", 1);
  auto db = pool->acquire();
  appserver::createSchema(*db);
  appserver::loadDemo(*db);
  return pool;
}

const std::vector<appserver::TableSpec>& changeSetTables() {
  static const std::vector<appserver::TableSpec> tables = {
      {"SERVICO", {"CDFILIAL", "CDSERVFILI"}, {"NMPRODUTO", "NMGRUPSERV", "NMROTATRANS", "NMSERPADDIE", "CDARVPROD"}},
      {"TURNOSERV", {"CDFILIAL", "CDSERVFILI", "CDTURNO"}, {}},
      {"DIETSERV", {"CDFILIAL", "CDSERVFILI", "CDDIETPAD"}, {}},
      {"DESTSRVCLI", {"CDFILIAL", "CDSERVFILI", "CDCLIENTE", "CDDESTFILI"}, {}},
      {"SERVFATU", {"CDFILIAL", "CDSERVFILI", "CDSERVICFATURAM"}, {}},
      {"CUSTPADR", {"CDFILIAL", "CDSERVFILI", "DTREFCUSPADR"}, {}},
      {"CUSTPADRTP", {"CDFILIAL", "CDSERVFILI", "DTREFCUSPADR", "CDTIPOPRAT"}, {}},
      {"RESTEMBCONT", {"NRRESTEMBTPPRAT", "CDCONTAINER"}, {}},
  };
  return tables;
}

const std::vector<std::string>& operators() {
  static const std::vector<std::string> list = {"ADMIN", "JOAO", "MARIA", "NINGUEM"};
  return list;
}

void fail(std::string_view what, std::string_view detail) {
  std::fprintf(stderr, "fuzz: %.*s\n%.*s\n", static_cast<int>(what.size()), what.data(),
               static_cast<int>(detail.size()), detail.data());
  std::abort();
}

void quietLogs() { spdlog::set_level(spdlog::level::warn); }

}  // namespace cad::fuzz
