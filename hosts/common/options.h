// Settings shared by the hosts (desktop and automation driver): defaults, a small config file
// ("key = value" lines, '#' comments) and the command line, both read by CLI11 like every program
// of the project. Precedence, lowest first: defaults, the environment the host reads before parsing
// ($CADSERV_TOKEN), the config file (--config FILE), the other command-line options; a repeated
// option's last value wins (--open accumulates). By default a host connects to the server
// `make run` starts (127.0.0.1:8099) and reads the same database file the server uses
// (sqlite:cadserv.db); with --embedded it runs the application-server code itself on --db.
//
// Invariants: every key has one meaning and one check, whether it comes from the command line,
// the config file or the driver's "session" command (applySetting); an unknown key, a malformed
// server URL, date, module number or locale raises cad::Exception naming it; validate() refuses
// combinations that cannot work (--server with --embedded, --init/--demo without --embedded).
#pragma once

#include <string>
#include <vector>

namespace cad {
class Session;
}

namespace cad::host {

struct Options {
  std::string serverHost = "127.0.0.1";
  int serverPort = 8099;
  bool serverGiven = false;  // --server was set (conflicts with --embedded)
  std::string token;         // host token (unattended tools); empty: the operator signs in
  std::string operatorName = "ADMIN";
  std::string password;                  // the operator's password for the sign-in (driver; desktop asks)
  std::string passwordFile;              // or a file whose first line is the password
  std::string branch = "0001";           // the host's current branch
  std::string date;                      // processing date "YYYY-MM-DD"; empty: the branch's own
  int module = 0;                        // active module
  bool moduFili = false;                 // branch fixed by the host
  std::string db = "sqlite:cadserv.db";  // the shared database (reference queries; embedded server)
  bool embedded = false;                 // run the application-server code in this process on `db`
  bool init = false;                     // embedded: create the schema
  bool demo = false;                     // embedded: load the demo data (creates the schema when missing)
  std::string locale = "pt-BR";          // number and date formats
  std::string reports;                   // folder of the report definitions; empty: the installed one
  std::vector<std::string> open;         // screens to open at start: "GER04100" or "GER04100:IniProc:0001"
  bool help = false;
};

// Applies one setting by its key (the long option name without dashes: "server", "token",
// "operator", "password", "password-file", "branch", "date", "module", "modufili", "db",
// "embedded", "init", "demo", "locale", "open", "reports").
void applySetting(Options& o, const std::string& key, const std::string& value);
// Keys that change the session (and may change between commands): operator, password, branch,
// date, module, modufili, locale.
bool isSessionKey(const std::string& key);
// Reads a config file into o; throws cad::Exception when it cannot be read or is malformed.
void readConfigFile(Options& o, const std::string& path);
// Reads the command line (argv without the program name): --key value or --key=value for every
// key of applySetting, --config FILE, and --help (sets help; nothing else is applied then).
// --modufili, --embedded, --init and --demo take no value (--key=false turns one off).
void parseCommandLine(Options& o, const std::vector<std::string>& args);
// Refuses settings that cannot work together; throws cad::Exception saying why.
void validate(const Options& o);
// The password of the sign-in: --password, else the first line of --password-file, else "".
// Throws cad::Exception when the file cannot be read.
std::string signInPassword(const Options& o);
// The --help text of a host program: its usage line, what it does and every option.
std::string usage(const std::string& program, const std::string& description);

// Fills the session from the settings (operator, branch, fixed branch, server address, active
// module, processing date for every branch) and applies the locale's formats and the reports
// folder (when one is given).
void applySession(Session& session, const Options& o);
// Number and date formats of a locale ("pt-BR", "en-US"); throws cad::Exception for others.
void applyLocale(const std::string& locale);

}  // namespace cad::host
