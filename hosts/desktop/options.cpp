// Desktop host settings (see options.h).
#include "hosts/desktop/options.h"

#include <charconv>
#include <fstream>

#include "platform/core/datetime.h"
#include "platform/core/errors.h"
#include "platform/core/format.h"

namespace cad::desktop {

namespace {

constexpr size_t kMaxValue = 4096;  // no setting is longer; a longer one is a mistake

bool parseInt(const std::string& s, int& out) {
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
  return ec == std::errc() && p == s.data() + s.size() && !s.empty();
}

bool parseBool(const std::string& s, bool& out) {
  std::string v = lowerCase(trim(s));
  if (v == "1" || v == "true" || v == "sim" || v == "s" || v == "yes") return out = true, true;
  if (v == "0" || v == "false" || v == "nao" || v == "não" || v == "n" || v == "no") return out = false, true;
  return false;
}

}  // namespace

void applySetting(Options& o, const std::string& key, const std::string& raw) {
  std::string value = trim(raw);
  if (value.size() > kMaxValue) throw Exception("Valor longo demais para '" + key + "'.");
  if (key == "server") {
    std::string rest = value;
    if (rest.rfind("http://", 0) == 0) rest = rest.substr(7);
    if (!rest.empty() && rest.back() == '/') rest.pop_back();
    auto colon = rest.rfind(':');
    int port = 0;
    if (colon == std::string::npos || colon == 0 || !parseInt(rest.substr(colon + 1), port) || port <= 0 || port > 65535 ||
        rest.find('/') != std::string::npos)
      throw Exception("Servidor inválido: '" + value + "' (use http://HOST:PORTA).");
    o.serverHost = rest.substr(0, colon);
    o.serverPort = port;
  } else if (key == "token") {
    o.token = value;
  } else if (key == "operator") {
    if (value.empty()) throw Exception("Operador não informado.");
    o.operatorName = value;
  } else if (key == "branch") {
    o.branch = value;
  } else if (key == "date") {
    if (!value.empty() && !DateTime::parseIso(value)) throw Exception("Data de processamento inválida: '" + value + "' (use AAAA-MM-DD).");
    o.date = value;
  } else if (key == "module") {
    int m = 0;
    if (!parseInt(value, m) || m < 0) throw Exception("Módulo inválido: '" + value + "'.");
    o.module = m;
  } else if (key == "modufili") {
    bool b = true;
    if (!value.empty() && !parseBool(value, b)) throw Exception("Valor inválido para modufili: '" + value + "'.");
    o.moduFili = b;
  } else if (key == "db") {
    if (value.empty()) throw Exception("Banco de dados não informado.");
    o.db = value;
  } else if (key == "open") {
    if (!value.empty()) o.open.push_back(value);
  } else {
    throw Exception("Opção desconhecida: '" + key + "'.");
  }
}

void readConfigFile(Options& o, const std::string& path) {
  std::ifstream in(path);
  if (!in) throw Exception("Não foi possível ler o arquivo de configuração '" + path + "'.");
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (line.size() > kMaxValue) throw Exception(path + ":" + std::to_string(number) + ": linha longa demais.");
    std::string t = trim(line);
    if (t.empty() || t[0] == '#') continue;
    auto eq = t.find('=');
    if (eq == std::string::npos) throw Exception(path + ":" + std::to_string(number) + ": esperado 'chave = valor'.");
    try {
      applySetting(o, lowerCase(trim(t.substr(0, eq))), t.substr(eq + 1));
    } catch (const Exception& e) {
      throw Exception(path + ":" + std::to_string(number) + ": " + e.what());
    }
  }
}

void parseCommandLine(Options& o, const std::vector<std::string>& args) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.rfind("--", 0) != 0) throw Exception("Argumento inesperado: '" + a + "'.");
    std::string key = a.substr(2), value;
    bool hasValue = false;
    if (auto eq = key.find('='); eq != std::string::npos) {
      value = key.substr(eq + 1);
      key = key.substr(0, eq);
      hasValue = true;
    }
    if (key == "help") {
      o.help = true;
      continue;
    }
    if (key == "modufili" && !hasValue) {
      o.moduFili = true;
      continue;
    }
    if (!hasValue) {
      if (i + 1 >= args.size()) throw Exception("Falta o valor de --" + key + ".");
      value = args[++i];
    }
    if (key == "config") readConfigFile(o, value);
    else applySetting(o, key, value);
  }
}

std::string usage() {
  return "Uso: cadserv-desktop [opções]\n"
         "  --server http://HOST:PORTA  servidor de aplicação (padrão http://127.0.0.1:8099)\n"
         "  --token T                   token da sessão (padrão $CADSERV_TOKEN)\n"
         "  --operator OP               operador (padrão ADMIN)\n"
         "  --branch FILIAL             filial corrente (padrão 0001)\n"
         "  --date AAAA-MM-DD           data de processamento (padrão: a da filial)\n"
         "  --module N                  módulo ativo (padrão 0)\n"
         "  --modufili                  filial fixada pelo hospedeiro\n"
         "  --db URL                    banco das consultas das telas (padrão sqlite:cadserv.db)\n"
         "  --open CODIGO[:ENTRADA[:ARG]]  abre uma tela ao iniciar (ex.: GER04100)\n"
         "  --config ARQUIVO            lê 'chave = valor' (as mesmas chaves) de um arquivo\n";
}

}  // namespace cad::desktop
