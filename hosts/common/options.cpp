// Host settings (see options.h).
#include "hosts/common/options.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <fstream>

#include "platform/core/datetime.h"
#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/framework/session.h"
#include "platform/report/report.h"

namespace cad::host {

namespace {

constexpr size_t kMaxValue = 4096;  // no setting is longer; a longer one is a mistake

bool parseInt(const std::string& s, int& out) {
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
  return ec == std::errc() && p == s.data() + s.size() && !s.empty();
}

bool parseBool(const std::string& s, bool& out) {
  std::string v = lowerCase(trim(s));
  if (v.empty() || v == "1" || v == "true" || v == "sim" || v == "s" || v == "yes") return out = true, true;
  if (v == "0" || v == "false" || v == "nao" || v == "não" || v == "n" || v == "no") return out = false, true;
  return false;
}

struct LocaleFormats {
  const char* name;
  char decimal, thousands;
  const char* shortDate;
};
constexpr LocaleFormats kLocales[] = {
    {"pt-BR", ',', '.', "dd/mm/yyyy"},
    {"en-US", '.', ',', "mm/dd/yyyy"},
};

const LocaleFormats* findLocale(const std::string& name) {
  std::string n = name;
  for (char& c : n)
    if (c == '_') c = '-';
  for (const LocaleFormats& l : kLocales)
    if (sameText(l.name, n)) return &l;
  return nullptr;
}

// The command line: one option per key of applySetting, plus --config; the help lists them in
// this order.
struct OpcaoHost {
  const char* key;
  const char* value;  // what the value looks like in the help; "" for a flag
  const char* text;
};
constexpr OpcaoHost kOpcoes[] = {
    {"server", "http://HOST:PORTA", "servidor de aplicação (padrão http://127.0.0.1:8099)"},
    {"token", "T", "token de host para ferramentas sem operador (padrão $CADSERV_TOKEN)"},
    {"embedded", "", "executa o servidor de aplicação neste processo, sobre --db"},
    {"init", "", "com --embedded: cria o esquema"},
    {"demo", "", "com --embedded: carrega os dados de demonstração"},
    {"db", "URL", "banco compartilhado (padrão sqlite:cadserv.db)"},
    {"operator", "OP", "operador (padrão ADMIN)"},
    {"password", "SENHA", "senha do operador (visível na lista de processos: prefira --password-file)"},
    {"password-file", "ARQUIVO", "arquivo cuja primeira linha é a senha do operador"},
    {"branch", "FILIAL", "filial corrente (padrão 0001)"},
    {"date", "AAAA-MM-DD", "data de processamento de toda filial (padrão: a da filial)"},
    {"module", "N", "módulo ativo (padrão 0)"},
    {"modufili", "", "filial fixada pelo hospedeiro"},
    {"locale", "pt-BR|en-US", "formatos de número e data (padrão pt-BR)"},
    {"reports", "PASTA", "pasta das definições de relatório (padrão: a instalada)"},
    {"open", "CODIGO[:ENTRADA[:ARG]]", "abre uma tela ao iniciar (ex.: GER04100:IniProc:0001); pode repetir"},
    {"config", "ARQUIVO", "lê 'chave = valor' (as mesmas chaves) de um arquivo; a linha de comando prevalece"},
};

// Declares every option on the app; returns them in kOpcoes order. Values are kept as
// texts: applySetting checks them, as it does for the config file.
std::vector<CLI::Option*> declareOptions(CLI::App& app) {
  app.set_help_flag("-h,--help", "mostra esta ajuda e sai")->group("Opções");
  app.allow_extras();  // left-over arguments are refused below, with a reason in Portuguese
  auto formatter = app.get_formatter();
  formatter->label("Usage", "Uso");
  formatter->label("OPTIONS", "OPÇÕES");
  formatter->column_width(34);
  std::vector<CLI::Option*> out;
  for (const OpcaoHost& opcao : kOpcoes) {
    std::string name = std::string("--") + opcao.key;
    CLI::Option* opt = *opcao.value ? app.add_option(name, opcao.text)->expected(1)->type_name(opcao.value)
                                    : app.add_flag(name, opcao.text);
    opt->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)->group("Opções");
    out.push_back(opt);
  }
  return out;
}

}  // namespace

void applySetting(Options& o, const std::string& key, const std::string& raw) {
  std::string value = trim(raw);
  if (value.size() > kMaxValue) throw Exception("Valor longo demais para '" + key + "'.");
  auto flag = [&](bool& target) {
    bool b = true;
    if (!parseBool(value, b)) throw Exception("Valor inválido para " + key + ": '" + value + "'.");
    target = b;
  };
  if (key == "server") {
    std::string rest = value;
    if (rest.rfind("http://", 0) == 0) rest = rest.substr(7);
    if (!rest.empty() && rest.back() == '/') rest.pop_back();
    auto colon = rest.rfind(':');
    int port = 0;
    if (colon == std::string::npos || colon == 0 || !parseInt(rest.substr(colon + 1), port) || port <= 0 ||
        port > 65535 || rest.find('/') != std::string::npos)
      throw Exception("Servidor inválido: '" + value + "' (use http://HOST:PORTA).");
    o.serverHost = rest.substr(0, colon);
    o.serverPort = port;
    o.serverGiven = true;
  } else if (key == "token") {
    o.token = value;
  } else if (key == "operator") {
    if (value.empty()) throw Exception("Operador não informado.");
    o.operatorName = value;
  } else if (key == "password") {
    o.password = raw;  // a password keeps its blanks
  } else if (key == "password-file") {
    o.passwordFile = value;
  } else if (key == "branch") {
    o.branch = value;
  } else if (key == "date") {
    if (!value.empty() && !DateTime::parseIso(value))
      throw Exception("Data de processamento inválida: '" + value + "' (use AAAA-MM-DD).");
    o.date = value;
  } else if (key == "module") {
    int m = 0;
    if (!parseInt(value, m) || m < 0) throw Exception("Módulo inválido: '" + value + "'.");
    o.module = m;
  } else if (key == "modufili") {
    flag(o.moduFili);
  } else if (key == "embedded") {
    flag(o.embedded);
  } else if (key == "init") {
    flag(o.init);
  } else if (key == "demo") {
    flag(o.demo);
  } else if (key == "db") {
    if (value.empty()) throw Exception("Banco de dados não informado.");
    o.db = value;
  } else if (key == "locale") {
    const LocaleFormats* l = findLocale(value);
    if (!l) throw Exception("Idioma não suportado: '" + value + "' (use pt-BR ou en-US).");
    o.locale = l->name;
  } else if (key == "reports") {
    if (trim(value).empty()) throw Exception("Pasta de relatórios não informada.");
    o.reports = trim(value);
  } else if (key == "open") {
    if (!value.empty()) o.open.push_back(value);
  } else {
    throw Exception("Opção desconhecida: '" + key + "'.");
  }
}

bool isSessionKey(const std::string& key) {
  return key == "operator" || key == "password" || key == "branch" || key == "date" || key == "module" ||
         key == "modufili" || key == "locale";
}

void readConfigFile(Options& o, const std::string& path) {
  std::ifstream in(path);
  if (!in) throw Exception("Não foi possível ler o arquivo de configuração '" + path + "'.");
  // CLI11's config reader on the format the hosts have always read: "key = value" lines, whole-line
  // '#' comments. A value stays whole: no trailing comments (a password may hold '#': the comment
  // character is one no line can hold) and no arrays (a value may hold ',' or blanks).
  CLI::ConfigBase reader;
  reader.comment('\n')->arrayBounds('\x01', '\x02')->arrayDelimiter('\x01');
  std::vector<CLI::ConfigItem> items;
  try {
    items = reader.from_config(in);
  } catch (const CLI::Error& e) {
    throw Exception(path + ": " + e.what());
  }
  for (const CLI::ConfigItem& item : items) {
    // A "[section]" or a dotted key names no setting of the hosts.
    std::string key = lowerCase(item.fullname());
    try {
      for (const std::string& value : item.inputs) applySetting(o, key, value);
    } catch (const Exception& e) {
      throw Exception(path + ": " + e.what());
    }
  }
}

void parseCommandLine(Options& o, const std::vector<std::string>& args) {
  CLI::App app;
  std::vector<CLI::Option*> options = declareOptions(app);
  // CLI11 takes the arguments last first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    o.help = true;
    return;
  } catch (const CLI::ArgumentMismatch& e) {
    std::string what = e.what();
    throw Exception("Falta o valor de " + what.substr(0, what.find(':')) + ".");
  } catch (const CLI::ParseError& e) {
    throw Exception(std::string("Linha de comando inválida: ") + e.what());
  }
  if (std::vector<std::string> extra = app.remaining(); !extra.empty()) {
    const std::string& first = extra.front();
    if (first.rfind("-", 0) == 0) {
      std::string key = first;
      key.erase(0, key.find_first_not_of('-'));
      throw Exception("Opção desconhecida: '" + key.substr(0, key.find('=')) + "'.");
    }
    throw Exception("Argumento inesperado: '" + first + "'.");
  }
  // The config file first, so every option given on the command line overrides it.
  for (size_t i = 0; i < options.size(); ++i)
    if (std::string_view(kOpcoes[i].key) == "config")
      for (const std::string& path : options[i]->results()) readConfigFile(o, path);
  for (size_t i = 0; i < options.size(); ++i) {
    std::string key = kOpcoes[i].key;
    if (key == "config") continue;
    for (const std::string& value : options[i]->results()) applySetting(o, key, value);
  }
}

void validate(const Options& o) {
  if (o.embedded && o.serverGiven) throw Exception("Use --server ou --embedded, não os dois.");
  if ((o.init || o.demo) && !o.embedded)
    throw Exception("--init e --demo exigem --embedded (o servidor prepara o próprio banco).");
  // A private in-memory database would differ between the embedded server and the screens'
  // queries, which open their own connection.
  if (o.embedded && o.db.find(":memory:") != std::string::npos)
    throw Exception("--embedded precisa de um banco em arquivo ou PostgreSQL, não de um banco em memória.");
}

std::string signInPassword(const Options& o) {
  if (!o.password.empty() || o.passwordFile.empty()) return o.password;
  std::ifstream in(o.passwordFile);
  std::string line;
  if (!in || !std::getline(in, line))
    throw Exception("Não foi possível ler a senha do arquivo '" + o.passwordFile + "'.");
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::string usage(const std::string& program, const std::string& description) {
  CLI::App app(description, program);
  declareOptions(app);
  return app.help();
}

void applyLocale(const std::string& locale) {
  const LocaleFormats* l = findLocale(locale);
  if (!l) throw Exception("Idioma não suportado: '" + locale + "' (use pt-BR ou en-US).");
  FormatSettings& fs = formatSettings();
  fs.decimalSeparator = l->decimal;
  fs.thousandSeparator = l->thousands;
  fs.shortDateFormat = l->shortDate;
}

void applySession(Session& session, const Options& o) {
  applyLocale(o.locale);
  session.Operador = o.operatorName;
  session.FiliProc = o.branch;
  session.ModuFili = o.moduFili;
  session.WebURL = o.serverHost;
  session.WebPort = o.serverPort;
  session.ModuloAtiv = o.module;
  session.ClearDataProc();
  if (!o.date.empty()) session.SetDataProc("", *DateTime::parseIso(o.date));
  if (!o.reports.empty()) report::SetReportsFolder(o.reports);
}

}  // namespace cad::host
