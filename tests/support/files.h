// Reading back files the program wrote: whole files, entries of a zip archive (an XLSX) and what a
// command prints about a file (pdftotext).
#pragma once

#include <string>

namespace cad::test {

// The file's bytes; "" when it cannot be read.
std::string readFile(const std::string& path);

// One entry of a zip archive, extracted by the unzip command; "" when absent.
std::string unzipEntry(const std::string& zip, const std::string& entry);

// What a shell command writes to its standard output.
std::string commandOutput(const std::string& command);

}  // namespace cad::test
