// The screen-module loader (see modules.h).
#include "platform/framework/modules.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cctype>

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/framework/session.h"

namespace cad {

ScreenTarget parseScreenTarget(const std::string& target) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t i = 0; i <= target.size(); ++i)
    if (i == target.size() || (target[i] == ':' && parts.size() < 2)) {
      parts.push_back(target.substr(start, i - start));
      start = i + 1;
    }
  ScreenTarget s;
  s.code = parts[0];
  if (parts.size() > 1) s.entry = parts[1];
  if (parts.size() > 2) s.params.push_back(Variant(parts[2]));
  return s;
}

std::string ScreenModules::libraryPath(const std::string& code) const {
  if (code.empty() || code.size() > 32) throw Exception("Código de tela inválido: '" + code + "'.");
  for (char c : code)
    if (!std::isalnum(static_cast<unsigned char>(c))) throw Exception("Código de tela inválido: '" + code + "'.");
  return folder_ + "/libcadserv_" + lowerCase(code) + ".so";
}

const CadServEntry* ScreenModules::table(const std::string& code) {
  std::string key = upperCase(code);
  if (auto it = loaded_.find(key); it != loaded_.end()) return it->second;
  std::string path = libraryPath(code);
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    throw Exception("Pacote de tela '" + key + "' não encontrado (" + (why ? why : path) + ").");
  }
  auto fn = reinterpret_cast<CadServEntriesFn>(dlsym(handle, kScreenEntryTableSymbol));
  if (!fn) throw Exception("O pacote '" + key + "' não exporta a tabela de entradas.");
  const CadServEntry* entries = fn();
  loaded_[key] = entries;
  // The packages a module opens by screen code live next to it.
  SetScreenPackageFolder(folder_);
  return entries;
}

const CadServEntry* ScreenModules::entry(const std::string& code, const std::string& name) {
  for (const CadServEntry* e = table(code); e && e->name; ++e)
    if (name.empty() || sameText(e->name, name)) return e;
  return nullptr;
}

std::vector<std::string> ScreenModules::entries(const std::string& code) {
  std::vector<std::string> out;
  for (const CadServEntry* e = table(code); e && e->name; ++e) out.emplace_back(e->name);
  return out;
}

void ScreenModules::call(const std::string& code, const std::string& name, VariantArray& params) {
  const CadServEntry* e = entry(code, name);
  if (!e) throw Exception("O pacote '" + upperCase(code) + "' não tem a entrada '" + name + "'.");
  e->fn(params);
}

std::string ScreenModules::executableFolder() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  std::string path(buf, static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

}  // namespace cad
