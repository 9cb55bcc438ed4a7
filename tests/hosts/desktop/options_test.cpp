// Desktop host settings: defaults that reach the server `make run` starts, the config file
// overridden by the command line, and malformed settings refused with a reason; the module
// loader refuses codes that are not plain names.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "hosts/desktop/mainwindow.h"
#include "hosts/desktop/options.h"
#include "platform/core/errors.h"

namespace cad::desktop {
namespace {

TEST(DesktopOptions, ConfigFileThenCommandLine) {
  Options o;
  EXPECT_EQ(o.serverHost, "127.0.0.1");
  EXPECT_EQ(o.serverPort, 8099);
  EXPECT_EQ(o.db, "sqlite:cadserv.db");

  std::string path = testing::TempDir() + "cadserv-desktop.conf";
  {
    std::ofstream f(path);
    f << "# sessão de treinamento\nserver = http://10.0.0.5:9000/\ntoken = abc\noperator = MARIA\n"
         "branch = 0002\nmodule = 10\nmodufili = sim\n\ndate = 2026-12-07\n";
  }
  parseCommandLine(o, {"--config", path, "--branch=0003", "--open", "GER04100", "--db", "sqlite:/tmp/x.db"});
  EXPECT_EQ(o.serverHost, "10.0.0.5");
  EXPECT_EQ(o.serverPort, 9000);
  EXPECT_EQ(o.token, "abc");
  EXPECT_EQ(o.operatorName, "MARIA");
  EXPECT_EQ(o.branch, "0003");
  EXPECT_EQ(o.module, 10);
  EXPECT_TRUE(o.moduFili);
  EXPECT_EQ(o.date, "2026-12-07");
  EXPECT_EQ(o.db, "sqlite:/tmp/x.db");
  EXPECT_EQ(o.open, std::vector<std::string>{"GER04100"});
  std::remove(path.c_str());
}

TEST(DesktopOptions, MalformedSettingsAreRefusedWithAReason) {
  auto refused = [](std::vector<std::string> args, const std::string& fragment) {
    Options o;
    try {
      parseCommandLine(o, args);
    } catch (const Exception& e) {
      EXPECT_NE(std::string(e.what()).find(fragment), std::string::npos) << e.what();
      return;
    }
    ADD_FAILURE() << "accepted: " << args.front();
  };
  refused({"--server", "127.0.0.1"}, "Servidor inválido");
  refused({"--server", "http://host:99999"}, "Servidor inválido");
  refused({"--server", "http://host:80/rpc"}, "Servidor inválido");
  refused({"--date", "07/12/2026"}, "Data de processamento inválida");
  refused({"--module", "x"}, "Módulo inválido");
  refused({"--colour", "red"}, "Opção desconhecida");
  refused({"--token"}, "Falta o valor");
  refused({"solto"}, "Argumento inesperado");
  refused({"--config", "/nonexistent/cadserv.conf"}, "Não foi possível ler");

  ScreenModules modules("/opt/bin");
  EXPECT_EQ(modules.libraryPath("GER04100"), "/opt/bin/libcadserv_ger04100.so");
  EXPECT_THROW(modules.libraryPath("../../x"), Exception);
  EXPECT_THROW(modules.entries("GER09999"), Exception);
}

}  // namespace
}  // namespace cad::desktop
