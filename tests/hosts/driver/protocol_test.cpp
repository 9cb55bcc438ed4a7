// The driver's protocol on a small test screen, in-process: every command acts only through the
// user-action dispatcher (typing goes through key-press filters, clicks are refused on disabled
// or hidden controls, exit handlers keep the focus), grids and datasets read back as the user
// sees them, queued answers and picks are consumed in order and logged, modal forms nest and
// chain with one reply per line, and a modal form still open at the end of input is cancelled.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sstream>

#include "hosts/driver/driver.h"
#include "platform/core/errors.h"
#include "platform/data/dataset.h"
#include "platform/db/database.h"
#include "platform/framework/rotigeral.h"
#include "platform/framework/services.h"
#include "platform/framework/session.h"
#include "platform/net/netconnection.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbcontrols.h"
#include "platform/ui/forms.h"
#include "platform/ui/grids.h"
#include "platform/ui/menus.h"
#include "platform/ui/pages.h"
#include "tests/support/inprocess_server.h"

namespace cad::test {
namespace {

using json = nlohmann::json;

class TdlgNome : public TfrmRotiGeral {
 public:
  TEdit* edtValor;
  explicit TdlgNome(const std::string& name) {
    SetName(name);
    edtValor = Create<TEdit>("edtValor", this);
    edtValor->SetTabOrder(0);
  }
};

// The test screen: one control of each kind the protocol addresses, with handlers that leave
// what they saw in lblStatus.
class TfrmTeste : public TForm {
 public:
  TLabel* lblStatus;
  TEdit* edtNome;
  ClientDataSet* cdsItens;
  TNetConnection con{"conTeste"};

  TfrmTeste() {
    SetName("frmTeste");
    SetCaption("Teste do driver");
    lblStatus = Create<TLabel>("lblStatus", this);
    edtNome = Create<TEdit>("edtNome", this);
    edtNome->SetMaxLength(10);
    edtNome->OnKeyPress = [](TComponent&, std::string& key) {
      if (key.size() == 1 && key[0] >= 'a' && key[0] <= 'z') key[0] = static_cast<char>(key[0] - 'a' + 'A');
    };
    edtNome->OnExit = [this](TComponent&) {
      if (edtNome->Text() == "erro") throw Exception("Nome inválido.");
    };
    Create<TCheckBox>("chkAtivo", this);
    button("btnOk", [this] { status("ok:" + edtNome->Text()); });
    button("btnOff", [] {})->SetEnabled(false);
    button("btnOculto", [] {})->SetVisible(false);
    button("btnPergunta", [this] {
      int r = ShowDialog(DialogRequest{TMsgDlgType::mtConfirmation, "Conf", "Confirma a operação?", mbYesNo, 0});
      status(r == mrYes ? "sim" : "nao");
    });
    button("btnPesquisa", [this] {
      Progress().Show(this, 1, "Pesquisando itens");
      bool picked = Lookups().Pick(PickRequest{"Itens", cdsItens, "CODIGO;NOME", 0});
      Progress().Hide();
      status(picked ? cdsItens->FieldByName("CODIGO").AsString() : "cancelado");
      Corvane::AtualizaLocalCache({"ITENS", "MARCAS"});
    });
    button("btnMarcar", [this] {
      auto keys = Lookups().MultiPick(MultiPickRequest{"Marcar itens", cdsItens, "CODIGO", {"0002"}, 0});
      std::string joined;
      for (const auto& k : keys.value_or(std::vector<std::string>{})) joined += "_" + k;
      status(keys ? joined : "cancelado");
    });
    button("btnPacote", [] {
      VariantArray params{Variant("0001")};
      Corvane::LoadBPL("TST00002", params);
    });
    button("btnServidor", [this] {
      con.ServerName = "Ger04100.rdmCadastroServ";
      con.Call("getParamGeral");
    });
    button("btnFiltrar", [this] {
      cdsItens->SetFilter("CODIGO <> '0002'");
      cdsItens->SetFiltered(true);
    });
    button("btnDialogo", [this] {
      // A chain: a second dialog follows when the first is confirmed with "DE NOVO".
      std::string name = "dlgNome";
      for (;;) {
        auto& dlg = Application().CreateForm<TdlgNome>(name);
        int r = dlg.ShowModal();
        std::string value = dlg.edtValor->Text();
        status(std::string(r == mrOk ? "OK" : "Cancel") + ":" + value);
        if (r != mrOk || value != "DE NOVO" || name == "dlgNome2") break;
        name = "dlgNome2";
      }
    });

    auto* cbo = Create<TComboBox>("cboTipo", this);
    cbo->SetItems({"A", "B", "C"});
    cbo->SetStyle(TComboStyle::csDropDownList);
    auto* lsb = Create<TListBox>("lsbCores", this);
    lsb->SetItems({"azul", "verde", "rosa"});
    lsb->SetMultiSelect(true);

    cdsItens = static_cast<ClientDataSet*>(&AddDataSet(std::make_unique<ClientDataSet>("cdsItens")));
    cdsItens->FieldDefs = {{"CODIGO", FieldType::String, 4}, {"NOME", FieldType::String, 20}, {"DATA", FieldType::DateTime}};
    cdsItens->CreateDataSet();
    const char* names[] = {"Arroz", "Feijão", "Salada"};
    for (int i = 0; i < 3; ++i) {
      cdsItens->Append();
      cdsItens->FieldByName("CODIGO").SetAsString("000" + std::to_string(i + 1));
      cdsItens->FieldByName("NOME").SetAsString(names[i]);
      cdsItens->FieldByName("DATA").SetAsDateTime(DateTime::fromDate(2026, 12, 7 + i));
      cdsItens->Post();
    }
    cdsItens->MergeChangeLog();
    cdsItens->First();
    DataSource& dts = AddDataSource(std::make_unique<DataSource>("dtsItens"));
    dts.SetDataSet(cdsItens);
    auto* dbg = Create<TDBGrid>("dbgItens", this);
    dbg->SetOptions(goEditing | goTitles);
    dbg->SetDataSource(&dts);
    dbg->OnTitleClick = [this](TComponent&, TColumn& col) { status("titulo:" + col.FieldName); };
    Create<TDBNavigator>("dbnItens", this)->SetDataSource(&dts);

    auto* sgr = Create<TStringGrid>("sgrMarcas", this);
    sgr->SetColCount(3);
    sgr->SetRowCount(3);
    sgr->SetFixedCols(0);
    sgr->SetRows(0, {"Marca", "Nome", "Obs"});
    sgr->SetRows(1, {"", "Almoço", ""});
    sgr->SetRows(2, {"", "Jantar", ""});
    sgr->SetColWidths(2, -1);
    sgr->SetOptions(goEditing);
    sgr->OnClick = [sgr](TComponent&) {
      if (sgr->Col() == 0) sgr->SetCells(0, sgr->Row(), sgr->Cells(0, sgr->Row()).empty() ? "X" : "");
    };

    auto* pgc = Create<TPageControl>("pgcAbas", this);
    auto* um = Create<TTabSheet>("tshUm", pgc);
    Create<TTabSheet>("tshDois", pgc);
    pgc->SetActivePage(um);

    auto* menu = Create<TMainMenu>("mnuPrincipal");
    auto* item = Create<TMenuItem>("mnuSobre");
    item->SetCaption("&Sobre");
    item->OnClick = [this](TComponent&) { status("menu"); };
    menu->Items().Add(item);
    SetMenu(menu);
  }

  void status(const std::string& s) { lblStatus->SetCaption(s); }

 private:
  TButton* button(const char* name, std::function<void()> onClick) {
    auto* b = Create<TButton>(name, this);
    b->OnClick = [fn = std::move(onClick)](TComponent&) { fn(); };
    return b;
  }
};

class DriverProtocol : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().ResetHooks();
    RegisterScreenPackage("TST00002", [](VariantArray& params) { params.push_back(Variant("visto")); });
  }
  void TearDown() override {
    RegisterScreenPackage("TST00002", {});
    Application().ResetHooks();
    InstallScriptedHost();
  }

  static driver::ModuleAccess modules() {
    return {[](const std::string& code) -> std::vector<std::string> {
              if (code != "TST00001") throw Exception("Pacote de tela '" + code + "' não encontrado.");
              return {"CriaTeste"};
            },
            [](const std::string&, const std::string&, VariantArray&) { Application().CreateForm<TfrmTeste>().Show(); }};
  }

  // Runs the driver over the lines; `inspect` sees the screens before the driver frees them.
  std::vector<json> Run(const std::vector<std::string>& lines, const std::function<void()>& inspect = {}) {
    std::string input;
    for (const auto& l : lines) input += l + "\n";
    std::istringstream in(input);
    std::ostringstream out;
    {
      host::Options options;
      options.branch = "0001";
      driver::Driver d(in, out, modules(), options);
      EXPECT_EQ(d.Run(), 0);
      if (inspect) inspect();
    }
    std::vector<json> replies;
    std::istringstream lines_out(out.str());
    for (std::string line; std::getline(lines_out, line);) replies.push_back(json::parse(line));
    EXPECT_EQ(replies.size(), lines.size()) << out.str();
    return replies;
  }

  static constexpr const char* kOpen = R"({"cmd":"open","code":"TST00001","entry":"criateste"})";
};

TfrmTeste* screen() { return dynamic_cast<TfrmTeste*>(Application().FindForm("frmTeste")); }

TEST_F(DriverProtocol, InputGoesThroughTheDispatcherAndReadsBackAsShown) {
  auto r = Run({
      kOpen,
      R"({"cmd":"type","control":"edtNome","text":"ana maria de souza"})",
      R"({"cmd":"get","control":"edtNome"})",
      R"({"cmd":"set","control":"edtNome","text":"erro"})",
      R"({"cmd":"focus","control":"chkAtivo"})",
      R"({"cmd":"set","control":"edtNome","text":"Bia"})",
      R"({"cmd":"click","control":"chkAtivo"})",
      R"({"cmd":"get","control":"chkAtivo"})",
      R"({"cmd":"click","control":"btnOff"})",
      R"({"cmd":"click","control":"btnOculto"})",
      R"({"cmd":"click","control":"btnOk","form":"frmTeste"})",
      R"({"cmd":"get","control":"lblStatus"})",
      R"({"cmd":"key","control":"edtNome","key":"Tab"})",
      R"({"cmd":"key","key":"tab","shift":["shift"]})",
      R"({"cmd":"select","control":"cboTipo","index":2})",
      R"({"cmd":"get","control":"cboTipo"})",
      R"({"cmd":"select","control":"lsbCores","indexes":[2,0]})",
      R"({"cmd":"get","control":"lsbCores"})",
      R"({"cmd":"click","control":"tshDois"})",
      R"({"cmd":"get","control":"pgcAbas"})",
      R"({"cmd":"click","control":"mnuSobre"})",
      R"({"cmd":"forms"})",
      R"({"cmd":"close","form":"frmTeste"})",
      R"({"cmd":"forms"})",
  });
  EXPECT_EQ(r[0]["ok"], true);
  EXPECT_EQ(r[0]["form"], "frmTeste");
  EXPECT_EQ(r[1]["focused"], "edtNome");
  // Typed through the key-press filter (upper case) and cut at MaxLength.
  EXPECT_EQ(r[2]["text"], "ANA MARIA ");
  EXPECT_EQ(r[2]["type"], "TEdit");
  EXPECT_EQ(r[2]["focused"], true);
  EXPECT_EQ(r[2]["enabled"], true);
  EXPECT_TRUE(r[2]["checked"].is_null());
  // An exit handler's error is shown and keeps the focus where it was.
  EXPECT_EQ(r[4]["ok"], true);
  EXPECT_EQ(r[4]["status"], "failed");
  EXPECT_EQ(r[4]["message"], "Nome inválido.");
  EXPECT_EQ(r[4]["focused"], "edtNome");
  EXPECT_EQ(r[7]["checked"], true);
  EXPECT_EQ(r[7]["focused"], true);
  EXPECT_EQ(r[8]["ok"], false);
  EXPECT_NE(r[8]["error"].get<std::string>().find("desabilitado"), std::string::npos) << r[8];
  EXPECT_EQ(r[9]["ok"], false);
  EXPECT_EQ(r[11]["caption"], "ok:Bia");
  EXPECT_EQ(r[12]["focused"], "chkAtivo");
  EXPECT_EQ(r[13]["focused"], "edtNome");
  EXPECT_EQ(r[15]["text"], "C");
  EXPECT_EQ(r[15]["itemIndex"], 2);
  EXPECT_EQ(r[17]["selected"], json::parse("[0,2]"));
  EXPECT_EQ(r[19]["activePage"], "tshDois");
  EXPECT_EQ(r[19]["pageIndex"], 1);
  EXPECT_EQ(r[20]["ok"], true);
  ASSERT_EQ(r[21]["forms"].size(), 1u);
  EXPECT_EQ(r[21]["forms"][0]["name"], "frmTeste");
  EXPECT_EQ(r[21]["forms"][0]["active"], true);
  EXPECT_EQ(r[21]["forms"][0]["modal"], false);
  EXPECT_EQ(r[22]["ok"], true);
  EXPECT_EQ(r[23]["forms"][0]["visible"], false);
}

TEST_F(DriverProtocol, GridsAndDatasetsMoveByRowAndFieldAndReadTheFilteredView) {
  std::string status;
  auto r = Run(
      {
          kOpen,
          R"({"cmd":"cell","control":"dbgItens","row":2,"col":"NOME"})",
          R"({"cmd":"cell","control":"dbgItens","row":2,"col":"nome","text":"Caju"})",
          R"({"cmd":"dataset","name":"cdsItens"})",
          R"({"cmd":"nav","control":"dbnItens","button":"next"})",
          R"({"cmd":"dataset","name":"cdsItens"})",
          R"({"cmd":"get","control":"dbgItens"})",
          R"({"cmd":"cell","control":"dbgItens","row":4,"col":0})",
          R"({"cmd":"cell","control":"dbgItens","row":1,"col":"PRECO"})",
          R"({"cmd":"title","control":"dbgItens","col":"CODIGO"})",
          R"({"cmd":"cell","control":"sgrMarcas","row":2,"col":0})",
          R"({"cmd":"cell","control":"sgrMarcas","row":2,"col":"Marca","click":true})",
          R"({"cmd":"cell","control":"sgrMarcas","row":1,"col":"Marca","click":true})",
          R"({"cmd":"set","control":"sgrMarcas","text":"Ok"})",
          R"({"cmd":"get","control":"sgrMarcas"})",
          R"({"cmd":"click","control":"btnFiltrar"})",
          R"({"cmd":"dataset","name":"cdsItens"})",
          R"({"cmd":"nav","control":"dbnItens","button":"sideways"})",
      },
      [&] { status = screen()->lblStatus->Caption(); });
  EXPECT_EQ(r[1]["row"], 2);
  EXPECT_EQ(r[1]["col"], 1);
  EXPECT_EQ(r[2]["ok"], true) << r[2];
  EXPECT_EQ(r[3]["state"], "edit");
  EXPECT_EQ(r[3]["recNo"], 2);
  EXPECT_EQ(r[5]["state"], "browse");
  EXPECT_EQ(r[5]["recNo"], 3);
  EXPECT_EQ(r[5]["changeCount"], 1);
  EXPECT_EQ(r[5]["fields"], json::parse(R"(["CODIGO","NOME","DATA"])"));
  EXPECT_EQ(r[5]["rows"][1]["NOME"], "Caju");
  EXPECT_EQ(r[5]["rows"][2]["DATA"], "2026-12-09");
  EXPECT_EQ(r[6]["row"], 3);
  EXPECT_EQ(r[6]["editing"], true);
  EXPECT_EQ(r[6]["columns"][1]["field"], "NOME");
  EXPECT_EQ(r[7]["ok"], false);
  EXPECT_NE(r[7]["error"].get<std::string>().find("linha 4 fora da grade (1..3)"), std::string::npos) << r[7];
  EXPECT_EQ(r[8]["ok"], false);
  EXPECT_NE(r[8]["error"].get<std::string>().find("PRECO"), std::string::npos) << r[8];
  // Reaching a cell clicks it once; "click" clicks again where the grid already is.
  EXPECT_EQ(r[10]["row"], 2);
  EXPECT_EQ(r[10]["col"], 0);
  json cells = r[14]["cells"];
  EXPECT_EQ(cells[2][0], "");  // toggled on, then off
  EXPECT_EQ(cells[1][0], "Ok");
  EXPECT_EQ(cells[0][1], "Nome");
  EXPECT_EQ(r[14]["colWidths"][2], -1);
  EXPECT_EQ(r[14]["row"], 1);
  EXPECT_EQ(r[16]["filtered"], true);
  EXPECT_EQ(r[16]["filter"], "CODIGO <> '0002'");
  EXPECT_EQ(r[16]["recordCount"], 2);
  ASSERT_EQ(r[16]["rows"].size(), 2u);
  EXPECT_EQ(r[16]["rows"][1]["CODIGO"], "0003");
  EXPECT_EQ(r[17]["ok"], false);
  EXPECT_EQ(status, "titulo:CODIGO");
}

TEST_F(DriverProtocol, QueuedAnswersAndPicksAreConsumedInOrderAndEverythingShownIsLogged) {
  InProcessServer server;
  db::setSessionDatabase(db::open(server.url()));
  std::vector<std::string> statuses;
  auto r = Run({
      kOpen,
      R"({"cmd":"answer","button":"Yes"})",
      R"({"cmd":"click","control":"btnPergunta"})",
      R"({"cmd":"click","control":"btnPergunta"})",
      R"({"cmd":"answer","button":"Talvez"})",
      R"({"cmd":"pick","match":{"CODIGO":"0003"}})",
      R"({"cmd":"pick","cancel":true})",
      R"({"cmd":"pick","match":{"CODIGO":"9999"}})",
      R"({"cmd":"click","control":"btnPesquisa"})",
      R"({"cmd":"click","control":"btnPesquisa"})",
      R"({"cmd":"click","control":"btnPesquisa"})",
      R"({"cmd":"click","control":"btnPesquisa"})",
      R"({"cmd":"picklist","keys":["0003","0001"]})",
      R"({"cmd":"click","control":"btnMarcar"})",
      R"({"cmd":"messages"})",
      R"({"cmd":"messages"})",
      R"({"cmd":"progress"})",
      R"({"cmd":"cache"})",
      R"({"cmd":"cache"})",
      R"({"cmd":"click","control":"btnPacote"})",
      R"({"cmd":"bpl"})",
      R"({"cmd":"click","control":"btnServidor"})",
      R"({"cmd":"calls"})",
      R"({"cmd":"calls"})",
  });
  EXPECT_EQ(r[1]["pending"], 1);
  EXPECT_EQ(r[4]["ok"], false);
  EXPECT_EQ(r[7]["pending"], 3);
  EXPECT_EQ(r[10]["status"], "failed");  // the queued pick names a row that does not exist
  EXPECT_NE(r[10]["message"].get<std::string>().find("9999"), std::string::npos) << r[10];

  json m = r[14]["messages"];
  ASSERT_EQ(m.size(), 8u) << m;
  EXPECT_EQ(m[0]["kind"], "confirmation");
  EXPECT_EQ(m[0]["key"], "Conf");
  EXPECT_EQ(m[0]["text"], "Confirma a operação?");
  EXPECT_EQ(m[0]["buttons"], json::parse(R"(["Yes","No"])"));
  EXPECT_EQ(m[0]["answer"], "Yes");
  EXPECT_EQ(m[0]["unanswered"], false);
  EXPECT_EQ(m[1]["answer"], "No");
  EXPECT_EQ(m[1]["unanswered"], true);
  EXPECT_EQ(m[2]["kind"], "lookup");
  EXPECT_EQ(m[2]["picked"], true);
  EXPECT_EQ(m[2]["match"]["CODIGO"], "0003");
  EXPECT_EQ(m[3]["picked"], false);
  EXPECT_EQ(m[3]["unanswered"], false);
  EXPECT_TRUE(m[4].contains("error"));
  EXPECT_EQ(m[5]["kind"], "error");  // the script error, shown like any handler error
  EXPECT_EQ(m[6]["unanswered"], true);
  EXPECT_EQ(m[7]["kind"], "picklist");
  EXPECT_EQ(m[7]["keys"], json::parse(R"(["0001","0003"])"));
  EXPECT_EQ(m[7]["selected"], json::parse(R"(["0002"])"));
  EXPECT_TRUE(r[15]["messages"].empty());

  EXPECT_EQ(r[16]["visible"], false);
  EXPECT_EQ(r[16]["texts"].size(), 4u);
  EXPECT_EQ(r[16]["texts"][0], "Pesquisando itens");
  EXPECT_EQ(r[17]["refreshes"].size(), 3u);  // the failed pick left before its refresh
  EXPECT_EQ(r[17]["refreshes"][0], json::parse(R"(["ITENS","MARCAS"])"));
  EXPECT_TRUE(r[18]["refreshes"].empty());
  ASSERT_EQ(r[20]["packages"].size(), 1u);
  EXPECT_EQ(r[20]["packages"][0]["code"], "TST00002");
  EXPECT_EQ(r[20]["packages"][0]["result"], json::parse(R"(["0001","visto"])"));
  ASSERT_EQ(r[22]["calls"].size(), 1u) << r[22];
  EXPECT_EQ(r[22]["calls"][0]["method"], "getParamGeral");
  EXPECT_TRUE(r[23]["calls"].empty());
  db::setSessionDatabase(nullptr);
}

TEST_F(DriverProtocol, SqlAndSessionCommandsCheckTheirFields) {
  InProcessServer server;
  db::setSessionDatabase(db::open(server.url()));
  auto r = Run({
      R"({"cmd":"sql","query":"SELECT CDFILIAL FROM FILIAL WHERE CDFILIAL = :F OR CDFILIAL = :G ORDER BY 1","params":["0002","0001"]})",
      R"({"cmd":"sql","query":"SELECT COUNT(*) AS N FROM FILIAL WHERE CDFILIAL = :F","params":{"F":"0001"}})",
      R"({"cmd":"sql","query":"UPDATE FILIAL SET NMFILIAL = :N WHERE CDFILIAL = :C","params":["Filial Teste","0002"]})",
      R"({"cmd":"sql","query":"SELECT NMFILIAL FROM FILIAL WHERE CDFILIAL = '0002'"})",
      R"({"cmd":"sql","query":"SELECT * FROM FILIAL WHERE CDFILIAL = :F","params":[]})",
      R"({"cmd":"sql","query":"SELECT * FROM TABELA_QUE_NAO_EXISTE"})",
      R"({"cmd":"session","set":{"branch":"0002","date":"2026-01-31","module":10,"modufili":true,"operator":"MARIA"}})",
      R"({"cmd":"session","set":{"server":"http://127.0.0.1:1"}})",
      R"({"cmd":"session","set":{"date":"31/01/2026"}})",
      R"({"cmd":"session"})",
  });
  EXPECT_EQ(r[0]["rows"], json::parse(R"([{"CDFILIAL":"0001"},{"CDFILIAL":"0002"}])"));
  EXPECT_EQ(r[1]["rows"][0]["N"], 1);
  EXPECT_EQ(r[2]["affected"], 1);
  EXPECT_EQ(r[3]["rows"][0]["NMFILIAL"], "Filial Teste");
  EXPECT_EQ(r[4]["ok"], false);
  EXPECT_EQ(r[5]["ok"], false);
  EXPECT_EQ(r[6]["session"]["branch"], "0002");
  EXPECT_EQ(r[6]["session"]["date"], "2026-01-31");
  EXPECT_EQ(r[6]["session"]["module"], 10);
  EXPECT_EQ(r[6]["session"]["modufili"], true);
  EXPECT_EQ(r[7]["ok"], false);
  EXPECT_EQ(r[8]["ok"], false);
  // A refused change leaves the session as it was.
  EXPECT_EQ(r[9]["session"]["operator"], "MARIA");
  EXPECT_EQ(r[9]["session"]["date"], "2026-01-31");
  db::setSessionDatabase(nullptr);
}

TEST_F(DriverProtocol, ModalFormsAnswerOnOpeningAndOnClosingOnceTheOpenerWentOn) {
  std::string status;
  auto r = Run(
      {
          kOpen,
          R"({"cmd":"click","control":"btnDialogo"})",
          R"({"cmd":"click","control":"btnOk"})",
          R"({"cmd":"forms"})",
          R"({"cmd":"type","control":"edtValor","text":"DE NOVO"})",
          R"({"cmd":"click","control":"sbtConfirma"})",
          R"({"cmd":"type","control":"edtValor","text":"fim"})",
          R"({"cmd":"key","key":"Escape"})",
          R"({"cmd":"get","control":"lblStatus"})",
          R"({"cmd":"forms"})",
      },
      [&] { status = screen()->lblStatus->Caption(); });
  EXPECT_EQ(r[1], json::parse(R"({"ok":true,"opened":"dlgNome"})"));
  EXPECT_EQ(r[2]["ok"], false);  // the screen behind the modal form takes no input
  ASSERT_EQ(r[3]["forms"].size(), 2u);
  EXPECT_EQ(r[3]["forms"][1]["name"], "dlgNome");
  EXPECT_EQ(r[3]["forms"][1]["modal"], true);
  EXPECT_EQ(r[3]["forms"][1]["active"], true);
  EXPECT_EQ(r[4]["ok"], true);
  // Closing the first dialog lets the opener go on, and it opens the second one.
  EXPECT_EQ(r[5]["closed"], "dlgNome");
  EXPECT_EQ(r[5]["result"], "OK");
  EXPECT_EQ(r[5]["opened"], "dlgNome2");
  EXPECT_EQ(r[7]["closed"], "dlgNome2");
  EXPECT_EQ(r[7]["result"], "Cancel");
  EXPECT_EQ(r[8]["caption"], "Cancel:fim");
  ASSERT_EQ(r[9]["forms"].size(), 1u);  // released dialogs are gone
  EXPECT_EQ(status, "Cancel:fim");
}

TEST_F(DriverProtocol, EndOfInputInsideAModalFormCancelsItAndEndsCleanly) {
  std::string status;
  auto r = Run({kOpen, R"({"cmd":"click","control":"btnDialogo"})", R"({"cmd":"type","control":"edtValor","text":"meio"})"},
               [&] { status = screen()->lblStatus->Caption(); });
  EXPECT_EQ(r[1]["opened"], "dlgNome");
  EXPECT_EQ(r[2]["ok"], true);
  EXPECT_EQ(status, "Cancel:meio");
}

}  // namespace
}  // namespace cad::test
