// Connection and session settings of the desktop host: defaults, a small config file
// ("key = value" lines, '#' comments) and the command line, later sources overriding earlier
// ones. By default the host connects to the server `make run` starts (127.0.0.1:8099, token from
// $CADSERV_TOKEN) and reads the same database file the server uses (sqlite:cadserv.db).
//
// Invariants: parsing never half-applies a bad setting; an unknown key, a malformed server URL,
// date or module number raises cad::Exception naming it.
#pragma once

#include <string>
#include <vector>

namespace cad::desktop {

struct Options {
  std::string serverHost = "127.0.0.1";
  int serverPort = 8099;
  std::string token;             // sent as the bearer token
  std::string operatorName = "ADMIN";
  std::string branch = "0001";   // the host's current branch
  std::string date;              // processing date "YYYY-MM-DD"; empty: the branch's own
  int module = 0;                // active module
  bool moduFili = false;         // branch fixed by the host
  std::string db = "sqlite:cadserv.db";  // the shared database of the screens' reference queries
  std::vector<std::string> open;  // screens to open at start: "GER04100" or "GER04100:IniProc:0001"
  bool help = false;
};

// Applies one setting by its key (the long option name without dashes: "server", "token",
// "operator", "branch", "date", "module", "modufili", "db", "open").
void applySetting(Options& o, const std::string& key, const std::string& value);
// Reads a config file into o; throws cad::Exception when it cannot be read or is malformed.
void readConfigFile(Options& o, const std::string& path);
// Reads the command line (argv without the program name): --key value or --key=value, and
// --config FILE read in place; --modufili and --help take no value.
void parseCommandLine(Options& o, const std::vector<std::string>& args);
std::string usage();

}  // namespace cad::desktop
