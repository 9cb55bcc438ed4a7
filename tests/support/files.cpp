#include "tests/support/files.h"

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

namespace cad::test {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::string unzipEntry(const std::string& zip, const std::string& entry) {
  return commandOutput("unzip -p '" + zip + "' '" + entry + "' 2>/dev/null");
}

std::string commandOutput(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return {};
  std::string text;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, pipe.get())) > 0;) text.append(buf, n);
  return text;
}

}  // namespace cad::test
