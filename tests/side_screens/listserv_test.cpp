// The service listing screen over both backends, opened as the main screen's print command opens
// it: the report's query parameters for each choice (all, lists, group, branch module), the
// branch and service lists and how one clears the other, the refusals before the report runs,
// the missing definition and save under another title. (The rendered PDF is read back in the
// driver README's report session, tests/hosts/driver/readme_test.cpp.)
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/report/dadosgerrel.h"
#include "platform/report/report.h"
#include "side_screens/listserv/listserv.h"
#include "tests/service_screen/cadastroserv_fixture.h"
#include "tests/support/modal_script.h"

namespace cad {
namespace {

namespace fs = std::filesystem;

class ListServTest : public test::CadastroServTest {
 protected:
  void SetUp() override {
    CadastroServTest::SetUp();
    relatorios_ = std::dynamic_pointer_cast<ScriptedReportHost>(InstallReportHost(nullptr));
    pastaOriginal_ = report::ReportsFolder();
  }
  void TearDown() override {
    report::SetReportsFolder(pastaOriginal_);
    if (!pastaTemp_.empty()) fs::remove_all(pastaTemp_);
    CadastroServTest::TearDown();
  }

  // Opens the listing through the module's entry and runs the script while it is shown modally.
  void Abre(const std::function<void(TfrmListServ&)>& roteiro) {
    auto rodou = test::Roteiro<TfrmListServ>("TfrmListServ", roteiro);
    CallEntry("GER04100", "CriaListServ");
    EXPECT_TRUE(*rodou) << "a tela de listagem não abriu";
  }

  void Clica(TControl& c) { Ok(UserActions::Click(c), "clicar em " + c.Name()); }

  // The parameters of the last report data read, by name.
  std::map<std::string, std::string> Parametros() {
    std::map<std::string, std::string> out;
    auto calls = CallsOf("GetDadosRel");
    if (calls.empty()) return out;
    const Packet& p = calls.back().args.at(1).asPacket();
    for (size_t i = 0; i < p.fields.size(); ++i) out[p.fields[i].name] = p.rows.at(0).at(i).asString();
    return out;
  }

  std::string PastaTemp() {
    pastaTemp_ = (fs::temp_directory_path() / ("cadserv_listserv_" + std::to_string(::getpid()))).string();
    fs::create_directories(pastaTemp_);
    return pastaTemp_;
  }

  std::shared_ptr<ScriptedReportHost> relatorios_;
  std::string pastaOriginal_, pastaTemp_;
};

using Params = std::map<std::string, std::string>;

TEST_P(ListServTest, BotaoImprimirDaTelaPrincipalAbreAListagem) {
  TfrmCadastroServ& f = AbreFilial("0001");
  ASSERT_TRUE(f.sbtImprimir->Enabled());
  bool abriu = false;
  Application().ScriptModal("TfrmListServ", [&](TForm&) { abriu = true; });
  Clica(*f.sbtImprimir);
  EXPECT_TRUE(abriu);
  EXPECT_EQ(OpenForms("TfrmListServ"), 0) << "fechar a listagem a libera";
}

TEST_P(ListServTest, ParametrosDoRelatorioPorEscolha) {
  struct Caso {
    const char* nome;
    std::function<void(TfrmListServ&)> escolhe;
    Params esperado;
  } casos[] = {
      {"tudo",
       [](TfrmListServ&) {},
       {{"P_CDGRUPFILI", ""}, {"P_TCDGRUPFILI", "T"}, {"L_FILIAL", "T"}, {"L_FILISERV", "T"}}},
      {"grupo",
       [this](TfrmListServ& l) {
         Digita(*l.medAgrupFili, "1");
         Clica(*l.rbtTodasFili);
       },
       {{"P_CDGRUPFILI", "0000000001"}, {"P_TCDGRUPFILI", ""}, {"L_FILIAL", "T"}, {"L_FILISERV", "T"}}},
      {"listas",
       [this](TfrmListServ& l) {
         Clica(*l.rbtListaFili);
         lookups().QueueMultiPick({"0001", "0003"});
         Clica(*l.btnFilial);
         Clica(*l.rbtListaServ);
         lookups().QueueMultiPick({"000100002", "000300010"});
         Clica(*l.btnServico);
       },
       {{"P_CDGRUPFILI", ""},
        {"P_TCDGRUPFILI", "T"},
        {"L_FILIAL", "_0001_0003_"},
        {"L_FILISERV", "_000100002_000300010_"}}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nome);
    ClearLogs();
    Abre([&](TfrmListServ& l) {
      c.escolhe(l);
      Clica(*l.sbtPreview);
    });
    EXPECT_EQ(Parametros(), c.esperado);
    ASSERT_FALSE(relatorios_->previews.empty());
  }
  // The lists: the branches of the group, then the services of the chosen branches.
  auto filiais = CallsOf("GetFiliPorGrup");
  ASSERT_EQ(filiais.size(), 1u);
  EXPECT_EQ(filiais[0].args.at(0).asString(), "");
  auto servicos = CallsOf("GetServPorGrup");
  ASSERT_EQ(servicos.size(), 1u);
  EXPECT_EQ(servicos[0].args.at(2).asString(), "_0001_0003_");
  EXPECT_EQ(servicos[0].args.at(3).asString(), "");
  ASSERT_GE(lookups().Log().size(), 2u);
  // Titles from the screen's table, asked in another letter case ("FILIAL", "SERVICO").
  EXPECT_EQ(lookups().Log()[0].title, "Filial");
  EXPECT_EQ(lookups().Log()[1].title, "Servico");
}

TEST_P(ListServTest, ModuloPorFilialListaAFilialDoHospedeiro) {
  session().ModuFili = true;
  session().FiliProc = "0003";
  Abre([&](TfrmListServ& l) {
    EXPECT_TRUE(l.medCdFili->Visible());
    EXPECT_EQ(l.medCdFili->Text(), "0003");
    EXPECT_EQ(l.edtNmFili->Text(), "Hospital Santa Clara");
    EXPECT_FALSE(l.medCdFili->Enabled());
    EXPECT_FALSE(l.btpPesqFili->Enabled());
    EXPECT_FALSE(l.grbFilial->Visible());
    EXPECT_FALSE(l.medAgrupFili->Enabled());
    Clica(*l.rbtListaServ);
    lookups().QueueMultiPick({"000300011"});
    Clica(*l.btnServico);
    Clica(*l.sbtPreview);
  });
  auto servicos = CallsOf("GetServPorGrup");
  ASSERT_EQ(servicos.size(), 1u);
  std::vector<std::string> args;
  for (const Variant& v : servicos[0].args) args.push_back(v.asString());
  EXPECT_EQ(args, (std::vector<std::string>{" ", "T", "0003", " "}));
  EXPECT_EQ(
      Parametros(),
      (Params{{"P_CDGRUPFILI", ""}, {"P_TCDGRUPFILI", "T"}, {"L_FILIAL", "0003"}, {"L_FILISERV", "_000300011_"}}));
  ASSERT_EQ(relatorios_->previews.size(), 1u);
  std::string texto = relatorios_->previews[0].PlainText();
  EXPECT_NE(texto.find("Dieta Ambulatorial"), std::string::npos);
  EXPECT_EQ(texto.find("Almoço"), std::string::npos);
}

TEST_P(ListServTest, ListaVaziaRecusadaAntesDoRelatorio) {
  struct Caso {
    std::function<void(TfrmListServ&)> escolhe;
    std::function<TControl*(TfrmListServ&)> botao;
    const char* mensagem;
    const char* foco;
  } casos[] = {
      {[this](TfrmListServ& l) { Clica(*l.rbtListaFili); }, [](TfrmListServ& l) { return l.sbtPreview; },
       "Filial deve ser informada.", "rbtListaFili"},
      {[this](TfrmListServ& l) { Clica(*l.rbtListaServ); }, [](TfrmListServ& l) { return l.sbtPrint; },
       "Serviço deve ser informado.", "rbtListaServ"},
      {[this](TfrmListServ& l) { Clica(*l.rbtListaFili); }, [](TfrmListServ& l) { return l.btnServico; },
       "Filial deve ser informada.", "rbtListaFili"},
  };
  for (const Caso& c : casos) {
    ClearLogs();
    Abre([&](TfrmListServ& l) {
      c.escolhe(l);
      if (c.botao(l) == l.btnServico) {
        Clica(*l.rbtListaServ);
        l.rbtListaFili->SetChecked(true);
      }
      EXPECT_EQ(UserActions::Click(*c.botao(l)).status, ActionResult::Status::Aborted);
      ASSERT_NE(l.ActiveControl(), nullptr);
      EXPECT_EQ(l.ActiveControl()->Name(), c.foco);
    });
    EXPECT_EQ(Texts(), std::vector<std::string>{c.mensagem});
    EXPECT_TRUE(CallsOf("GetDadosRel").empty());
    EXPECT_TRUE(CallsOf("GetServPorGrup").empty());
  }
  EXPECT_TRUE(relatorios_->previews.empty());
  EXPECT_TRUE(relatorios_->printed.empty());
}

TEST_P(ListServTest, OutraListaDeFiliaisLimpaOsServicos) {
  Abre([&](TfrmListServ& l) {
    Clica(*l.rbtListaFili);
    lookups().QueueMultiPick({"0001"});
    Clica(*l.btnFilial);
    Clica(*l.rbtListaServ);
    lookups().QueueMultiPick({"000100001"});
    Clica(*l.btnServico);
    EXPECT_EQ(l.SelServico(), "_000100001_");
    lookups().QueueMultiPick({"0001"});  // the same branches: the services stay chosen
    Clica(*l.btnFilial);
    EXPECT_EQ(l.SelServico(), "_000100001_");
    lookups().QueueMultiPick({"0001", "0002"});
    Clica(*l.btnFilial);
    EXPECT_EQ(l.SelFilial(), "_0001_0002_");
    EXPECT_EQ(l.SelServico(), "");
    // The list opened with the current selection marked.
    EXPECT_EQ(lookups().Log().back().selected, std::vector<std::string>{"0001"});
    Clica(*l.rbtTodasFili);  // back to all: both lists are dropped and "Todos" is selected
    EXPECT_EQ(l.SelFilial(), "");
    EXPECT_TRUE(l.rbtTodosServ->Checked());
    EXPECT_FALSE(l.btnFilial->Enabled());
    // F9 on "Lista" chooses it and opens its list at once.
    lookups().QueueMultiPick({"0003"});
    Ok(UserActions::KeyDown(*l.rbtListaFili, VK_F9), "F9 em Lista");
    EXPECT_TRUE(l.rbtListaFili->Checked());
    EXPECT_EQ(l.SelFilial(), "_0003_");
  });
}

TEST_P(ListServTest, GrupoInexistenteRecusadoAoSair) {
  Abre([&](TfrmListServ& l) {
    Digita(*l.medAgrupFili, "77");
    EXPECT_EQ(UserActions::Focus(*l.rbtListaFili).status, ActionResult::Status::Aborted);
    EXPECT_EQ(l.ActiveControl(), l.medAgrupFili);
    EXPECT_EQ(Texts(), std::vector<std::string>{"Agrupamento de Filiais não cadastrado."});
    EXPECT_EQ(l.edtNmAgrupFili->Text(), "");
    Ok(UserActions::SetText(*l.medAgrupFili, "2"), "digitar o grupo 2");
    Ok(UserActions::Focus(*l.rbtListaFili), "sair do grupo");
    EXPECT_EQ(l.medAgrupFili->Text(), "0000000002");
    EXPECT_EQ(l.edtNmAgrupFili->Text(), "Unidades Hospitalares");
  });
  EXPECT_EQ(CallsOf("getAgrupFili").size() + CallsOf("GetAgrupFili").size(), 1u) << "os grupos são lidos uma vez";
}

TEST_P(ListServTest, DefinicaoAusenteMostraArqRelErr) {
  const std::string pasta = PastaTemp();
  report::SetReportsFolder(pasta);
  Abre([&](TfrmListServ& l) { EXPECT_EQ(UserActions::Click(*l.sbtPreview).status, ActionResult::Status::Aborted); });
  EXPECT_EQ(Texts(), std::vector<std::string>{"O arquivo contendo a definição do relatório de código 'GER041' não foi "
                                              "encontrado no diretório '" +
                                              pasta + "'."});
  EXPECT_TRUE(relatorios_->previews.empty());
}

TEST_P(ListServTest, SalvarComoOutroTitulo) {
  const std::string pasta = PastaTemp();
  fs::copy_file(pastaOriginal_ + "/GER041.json", pasta + "/GER041.json");
  report::SetReportsFolder(pasta);
  relatorios_->QueueInput("Auditoria 2026");
  Abre([&](TfrmListServ& l) {
    Clica(*l.sbtSalvarComo);
    EXPECT_EQ(l.TituloRelatorio(), "Auditoria 2026");
    Clica(*l.sbtPreview);
  });
  EXPECT_EQ(relatorios_->questions,
            std::vector<std::string>{"Título do relatório|Informe o título do relatório:|Relação de Serviços"});
  report::Definition salvo = report::LoadDefinition(pasta, "GER041-Auditoria_2026");
  EXPECT_EQ(salvo.title, "Auditoria 2026");
  EXPECT_EQ(report::LoadDefinition(pasta, "GER041").title, "Relação de Serviços");
  ASSERT_EQ(relatorios_->previews.size(), 1u);
  EXPECT_NE(relatorios_->previews[0].PlainText().find("Auditoria 2026\n"), std::string::npos);
}

CADSERV_SCREEN_SUITE(ListServTest);

}  // namespace
}  // namespace cad
