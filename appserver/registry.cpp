// Method registry: declarations checked once at registration, lookup by upper-cased
// "SERVER.METHOD" so that both spellings the screens use reach the same method.
#include "appserver/registry.h"

#include "appserver/methods/methods.h"
#include "platform/core/errors.h"
#include "platform/core/format.h"

namespace cad::appserver {

namespace {
std::string keyOf(std::string_view server, std::string_view name) { return upperCase(server) + "." + upperCase(name); }
}  // namespace

void Registry::add(Method m) {
  if (m.server.empty() || m.name.empty() || !m.fn) throw Exception("Método sem servidor, nome ou implementação.");
  if (m.args.find_first_not_of("sdfpv") != std::string::npos)
    throw Exception("Tipos de argumento inválidos em " + m.name + ": " + m.args);
  for (int i : m.byRef)
    if (i < 0 || static_cast<size_t>(i) >= m.args.size())
      throw Exception("Argumento por referência inexistente em " + m.name + ".");
  if (m.branchArg >= 0 && (static_cast<size_t>(m.branchArg) >= m.args.size() || m.args[m.branchArg] != 's'))
    throw Exception("Argumento de filial inválido em " + m.name + ".");
  std::string key = keyOf(m.server, m.name);
  if (!methods_.emplace(key, std::move(m)).second) throw Exception("Método registrado duas vezes: " + key);
}

const Method* Registry::find(std::string_view server, std::string_view name) const {
  auto it = methods_.find(keyOf(server, name));
  return it == methods_.end() ? nullptr : &it->second;
}

bool Registry::hasServer(std::string_view server) const {
  std::string prefix = upperCase(server) + ".";
  auto it = methods_.lower_bound(prefix);
  return it != methods_.end() && it->first.compare(0, prefix.size(), prefix) == 0;
}

std::vector<const Method*> Registry::methods() const {
  std::vector<const Method*> list;
  list.reserve(methods_.size());
  for (const auto& [key, method] : methods_) list.push_back(&method);
  return list;
}

const Registry& defaultRegistry() {
  static const Registry registry = [] {
    Registry r;
    registerAllMethods(r);
    return r;
  }();
  return registry;
}

Variant checkOk(Variant payload) { return VariantArray{true, std::move(payload)}; }

Variant checkFail(const std::string& message) { return VariantArray{false, message}; }

bool isRefusal(const Variant& result) {
  if (result.isString()) return !result.str().empty();
  if (result.isArray()) {
    const VariantArray& a = result.asArray();
    return !a.empty() && a[0].isBool() && !a[0].asBool();
  }
  return false;
}

}  // namespace cad::appserver
