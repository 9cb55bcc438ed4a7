// Reading back files the program wrote: whole files and entries of a zip archive (an XLSX).
#pragma once

#include <string>

namespace cad::test {

// The file's bytes; "" when it cannot be read.
std::string readFile(const std::string& path);

// One entry of a zip archive, extracted by the unzip command; "" when absent.
std::string unzipEntry(const std::string& zip, const std::string& entry);

}  // namespace cad::test
