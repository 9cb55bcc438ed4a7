// Host settings shared by the desktop host and the driver: the config file overridden by the
// command line wherever --config stands, malformed settings and impossible combinations refused
// with a reason, the session filled from them, and the module loader: codes that are not plain
// names refused, entries found by name without regard to case in a module it knows nothing of.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "hosts/common/options.h"
#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/framework/modules.h"
#include "platform/framework/session.h"
#include "tests/support/error_text.h"

namespace cad::host {
namespace {

TEST(HostOptions, ConfigFileThenCommandLine) {
  std::string path = testing::TempDir() + "cadserv-host.conf";
  {
    std::ofstream f(path);
    f << "# sessão de treinamento\nserver = http://10.0.0.5:9000/\noperator = MARIA\n"
         "branch = 0002\nmodufili = sim\n\ndate = 2026-12-07\n";
  }
  Options o;
  o.token = "do-ambiente";  // what the host read from $CADSERV_TOKEN before parsing
  parseCommandLine(o, {"--branch=0003", "--config", path, "--locale", "en_us", "--open", "GER04100", "--open=X:Y:1",
                       "--operator", "ANA", "--operator", "JOAO"});
  EXPECT_EQ(o.serverPort, 9000);
  EXPECT_EQ(o.branch, "0003");        // the command line wins over the file, even when given before it
  EXPECT_EQ(o.operatorName, "JOAO");  // a repeated option: the last one
  EXPECT_EQ(o.open, (std::vector<std::string>{"GER04100", "X:Y:1"}));
  EXPECT_EQ(o.token, "do-ambiente");  // neither the file nor the command line named it
  EXPECT_EQ(o.locale, "en-US");

  Options e;
  parseCommandLine(e, {"--embedded", "--db", "sqlite:/tmp/y.db", "--init", "--demo", "--modufili=nao"});
  EXPECT_NO_THROW(validate(e));
  EXPECT_FALSE(e.moduFili);
  Options r;
  parseCommandLine(r, {"--reports", " /srv/relatorios "});
  EXPECT_EQ(r.reports, "/srv/relatorios");

  // --help is asked whatever else the line holds; the text lists every option.
  Options h;
  parseCommandLine(h, {"--branch", "0009", "--help"});
  EXPECT_TRUE(h.help);
  std::string help = usage("cadserv-driver", "Automação.");
  for (const char* option :
       {"--server", "--token", "--embedded", "--init", "--demo", "--db", "--operator", "--branch", "--date", "--module",
        "--modufili", "--locale", "--reports", "--open", "--config", "--help"})
    EXPECT_NE(help.find(option), std::string::npos) << option;
  std::remove(path.c_str());

  Session s;
  applySession(s, o);
  EXPECT_EQ(s.FiliProc, "0003");
  EXPECT_TRUE(s.ModuFili);
  EXPECT_EQ(s.DataProc("0042").iso(), "2026-12-07");  // every branch's processing date
  EXPECT_EQ(formatSettings().decimalSeparator, '.');
  applyLocale("pt-BR");
  EXPECT_EQ(formatSettings().decimalSeparator, ',');
}

TEST(HostOptions, MalformedSettingsAreRefusedWithAReason) {
  auto refused = [](std::vector<std::string> args, const std::string& fragment) {
    Options o;
    std::string error = cad::test::ErrorText([&] {
      parseCommandLine(o, args);
      validate(o);
    });
    EXPECT_NE(error.find(fragment), std::string::npos) << args.front() << ": " << error;
  };
  refused({"--server", "http://host:99999"}, "Servidor inválido");
  refused({"--server", "http://host:80/rpc"}, "Servidor inválido");
  refused({"--date", "07/12/2026"}, "Data de processamento inválida");
  refused({"--locale", "fr-FR"}, "Idioma não suportado");
  refused({"--colour", "red"}, "Opção desconhecida");
  refused({"--token"}, "Falta o valor");
  refused({"solto"}, "Argumento inesperado");
  refused({"--config", "/nonexistent/cadserv.conf"}, "Não foi possível ler");
  refused({"--embedded", "--server", "http://127.0.0.1:8099"}, "não os dois");
  refused({"--demo"}, "exigem --embedded");
  refused({"--embedded", "--db", "sqlite::memory:"}, "banco em memória");
  refused({"--modufili=talvez"}, "Valor inválido para modufili");
  refused({"--reports", " "}, "Pasta de relatórios não informada");
}

TEST(ScreenModuleLoader, FindsEntriesByNameInAnyModuleAndRefusesWhatIsNotThere) {
  EXPECT_THROW(ScreenModules("/opt/bin").libraryPath("../../x"), Exception);

  ScreenModules modules(CADSERV_BIN_DIR);
  EXPECT_THROW(modules.entries("GER09999"), Exception);
  EXPECT_EQ(modules.entries("tst00001"), (std::vector<std::string>{"Conta", "EcoTexto"}));
  VariantArray params{Variant("a")};
  modules.call("TST00001", "CONTA", params);
  modules.call("Tst00001", "ecotexto", params);
  modules.call("TST00001", "", params);  // no name: the first entry
  ASSERT_EQ(params.size(), 4u);
  EXPECT_EQ(params[2].asString(), "eco");
  EXPECT_EQ(params[3].asInt(), 3);
  EXPECT_THROW(modules.call("TST00001", "Conta2", params), Exception);

  ScreenTarget target = parseScreenTarget("GER04100:IniProc:0001");
  EXPECT_EQ(target.entry, "IniProc");
  EXPECT_EQ(target.params, VariantArray{Variant("0001")});
}

}  // namespace
}  // namespace cad::host
