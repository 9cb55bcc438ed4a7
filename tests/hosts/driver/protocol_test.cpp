// The driver's protocol on a small test screen, in-process: every command acts only through the
// user-action dispatcher (typing goes through key-press filters, clicks are refused on disabled
// controls, exit handlers keep the focus), grids and datasets read back as the user
// sees them (a data grid's rows by their display texts), queued answers and picks are consumed
// in order and logged, modal forms nest and chain with one reply per line, and a modal form
// still open at the end of input is cancelled.
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

  TfrmTeste() {
    SetName("frmTeste");
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
    button("btnPergunta", [] {
      ShowDialog(DialogRequest{TMsgDlgType::mtConfirmation, "Conf", "Confirma a operação?", mbYesNo, 0});
    });
    button("btnPesquisa", [this] {
      Progress().Show(this, 1, "Pesquisando itens");
      Lookups().Pick(PickRequest{"Itens", cdsItens, "CODIGO;NOME", 0});
      Progress().Hide();
      Corvane::AtualizaLocalCache({"ITENS", "MARCAS"});
    });
    button("btnMarcar", [this] {
      Lookups().MultiPick(MultiPickRequest{"Marcar itens", cdsItens, "CODIGO", {"0002"}, 0});
    });
    button("btnPacote", [] {
      VariantArray params{Variant("0001")};
      Corvane::LoadBPL("TST00002", params);
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
    cdsItens->FieldDefs = {{"CODIGO", FieldType::String, 4},
                           {"NOME", FieldType::String, 20},
                           {"DATA", FieldType::DateTime},
                           {"PRECO", FieldType::Float},
                           {"TIPO", FieldType::String, 1}};
    cdsItens->CreateDataSet();
    // What the grid shows differs from the stored values: a number format and a code translated
    // by a get-text handler (as a lookup does).
    cdsItens->FieldByName("PRECO").DisplayFormat = "#,##0.00";
    cdsItens->FieldByName("TIPO").OnGetText = [](Field& f, std::string& text, bool) {
      text = f.AsString() == "G" ? "Grão" : f.AsString() == "V" ? "Verdura" : text;
    };
    const char* names[] = {"Arroz", "Feijão", "Salada"};
    const double prices[] = {1234.5, 8, 0.25};
    const char* kinds[] = {"G", "G", "V"};
    for (int i = 0; i < 3; ++i) {
      cdsItens->Append();
      cdsItens->FieldByName("CODIGO").SetAsString("000" + std::to_string(i + 1));
      cdsItens->FieldByName("NOME").SetAsString(names[i]);
      cdsItens->FieldByName("DATA").SetAsDateTime(DateTime::fromDate(2026, 12, 7 + i));
      cdsItens->FieldByName("PRECO").SetAsFloat(prices[i]);
      cdsItens->FieldByName("TIPO").SetAsString(kinds[i]);
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
    sgr->SetColWidths(2, -1);
    sgr->SetOptions(goEditing);
    sgr->OnClick = [sgr](TComponent&) {
      if (sgr->Col() == 0) sgr->SetCells(0, sgr->Row(), sgr->Cells(0, sgr->Row()).empty() ? "X" : "");
    };

    auto* pgc = Create<TPageControl>("pgcAbas", this);
    pgc->SetActivePage(Create<TTabSheet>("tshUm", pgc));
    Create<TTabSheet>("tshDois", pgc);

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
    return {
        [](const std::string& code) -> std::vector<std::string> {
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

  // One command line and what its reply must hold (empty: {"ok": true}).
  struct Step {
    std::string line;
    std::string want;
  };
  void Expect(const std::vector<Step>& steps, const std::function<void()>& inspect = {}) {
    std::vector<std::string> lines;
    for (const auto& s : steps) lines.push_back(s.line);
    auto r = Run(lines, inspect);
    for (size_t i = 0; i < steps.size() && i < r.size(); ++i)
      EXPECT_TRUE(Holds(r[i], json::parse(steps[i].want.empty() ? R"({"ok":true})" : steps[i].want)))
          << "linha " << i << ": " << steps[i].line << "\n -> " << r[i];
  }
  // Objects match key by key, arrays element by element (same length, null for any element),
  // texts of "error" and "message" by substring.
  static bool Holds(const json& got, const json& want, const std::string& key = {}) {
    if (want.is_null()) return true;
    if (want.is_object()) {
      if (!got.is_object()) return false;
      for (const auto& [k, v] : want.items())
        if (!got.contains(k) || !Holds(got[k], v, k)) return false;
      return true;
    }
    if (want.is_array()) {
      if (!got.is_array() || got.size() != want.size()) return false;
      for (size_t i = 0; i < want.size(); ++i)
        if (!Holds(got[i], want[i])) return false;
      return true;
    }
    if ((key == "error" || key == "message") && got.is_string())
      return got.get<std::string>().find(want.get<std::string>()) != std::string::npos;
    return got == want;
  }
};

constexpr const char* kRefused = R"({"ok":false,"error":""})";

TfrmTeste* screen() { return dynamic_cast<TfrmTeste*>(Application().FindForm("frmTeste")); }

TEST_F(DriverProtocol, InputGoesThroughTheDispatcherAndReadsBackAsShown) {
  Expect({
      {kOpen, R"({"form":"frmTeste"})"},
      // Typed through the key-press filter (upper case) and cut at MaxLength.
      {R"({"cmd":"type","control":"edtNome","text":"ana maria de souza"})", R"({"focused":"edtNome"})"},
      {R"({"cmd":"get","control":"edtNome"})", R"({"text":"ANA MARIA "})"},
      // An exit handler's error is shown and keeps the focus where it was.
      {R"({"cmd":"set","control":"edtNome","text":"erro"})", ""},
      {R"({"cmd":"focus","control":"chkAtivo"})",
       R"({"status":"failed","message":"Nome inválido.","focused":"edtNome"})"},
      {R"({"cmd":"set","control":"edtNome","text":"Bia"})", ""},
      {R"({"cmd":"click","control":"chkAtivo"})", ""},
      {R"({"cmd":"get","control":"chkAtivo"})", R"({"checked":true,"focused":true})"},
      {R"({"cmd":"click","control":"btnOff"})", R"({"ok":false,"error":"desabilitado"})"},
      {R"({"cmd":"click","control":"btnOk","form":"frmTeste"})", ""},
      {R"({"cmd":"get","control":"lblStatus"})", R"({"caption":"ok:Bia"})"},
      {R"({"cmd":"key","control":"edtNome","key":"Tab"})", R"({"focused":"chkAtivo"})"},
      {R"({"cmd":"key","key":"tab","shift":["shift"]})", R"({"focused":"edtNome"})"},
      {R"({"cmd":"select","control":"cboTipo","index":2})", ""},
      {R"({"cmd":"get","control":"cboTipo"})", R"({"text":"C"})"},
      {R"({"cmd":"select","control":"lsbCores","indexes":[2,0]})", ""},
      {R"({"cmd":"get","control":"lsbCores"})", R"({"selected":[0,2]})"},
      {R"({"cmd":"click","control":"tshDois"})", ""},
      {R"({"cmd":"get","control":"pgcAbas"})", R"({"activePage":"tshDois"})"},
      {R"({"cmd":"click","control":"mnuSobre"})", ""},
      {R"({"cmd":"get","control":"lblStatus"})", R"({"caption":"menu"})"},
      {R"({"cmd":"close","form":"frmTeste"})", ""},
      {R"({"cmd":"forms"})", R"({"forms":[{"visible":false}]})"},
  });
}

TEST_F(DriverProtocol, GridsAndDatasetsMoveByRowAndFieldAndReadTheFilteredView) {
  std::string status;
  Expect(
      {
          {kOpen, ""},
          {R"({"cmd":"cell","control":"dbgItens","row":2,"col":"NOME"})", R"({"row":2,"col":1})"},
          {R"({"cmd":"cell","control":"dbgItens","row":2,"col":"nome","text":"Caju"})", ""},
          {R"({"cmd":"dataset","name":"cdsItens"})", R"({"state":"edit","recNo":2})"},
          {R"({"cmd":"nav","control":"dbnItens","button":"next"})", ""},
          {R"({"cmd":"dataset","name":"cdsItens"})",
           R"({"state":"browse","recNo":3,"changeCount":1,"rows":[null,{"NOME":"Caju"},{"DATA":"2026-12-09"}]})"},
          // The rows as shown: formats, translated codes and the edited value (session locale pt-BR).
          {R"({"cmd":"get","control":"dbgItens"})",
           R"({"row":3,"editing":true,"texts":[["0001","Arroz","07/12/2026","1.234,50","Grão"],
              ["0002","Caju","08/12/2026","8,00","Grão"],["0003","Salada","09/12/2026","0,25","Verdura"]]})"},
          {R"({"cmd":"cell","control":"dbgItens","row":4,"col":0})",
           R"j({"ok":false,"error":"linha 4 fora da grade (1..3)"})j"},
          {R"({"cmd":"cell","control":"dbgItens","row":1,"col":"CUSTO"})", R"({"ok":false,"error":"CUSTO"})"},
          {R"({"cmd":"title","control":"dbgItens","col":"CODIGO"})", ""},
          // Reaching a cell clicks it once; "click" clicks again where the grid already is.
          {R"({"cmd":"cell","control":"sgrMarcas","row":2,"col":0})", R"({"row":2,"col":0})"},
          {R"({"cmd":"cell","control":"sgrMarcas","row":2,"col":"Marca","click":true})", ""},
          {R"({"cmd":"cell","control":"sgrMarcas","row":1,"col":"Marca","click":true})", ""},
          {R"({"cmd":"set","control":"sgrMarcas","text":"Ok"})", ""},
          {R"({"cmd":"get","control":"sgrMarcas"})",
           R"({"row":1,"cells":[["Marca","Nome","Obs"],["Ok","",""],["","",""]],"colWidths":[null,null,-1]})"},
          {R"({"cmd":"click","control":"btnFiltrar"})", ""},
          {R"({"cmd":"dataset","name":"cdsItens"})", R"({"recordCount":2,"rows":[null,{"CODIGO":"0003"}]})"},
          {R"({"cmd":"get","control":"dbgItens"})",
           R"({"texts":[["0001",null,null,null,null],["0003",null,null,null,null]]})"},
      },
      [&] { status = screen()->lblStatus->Caption(); });
  EXPECT_EQ(status, "titulo:CODIGO");
}

TEST_F(DriverProtocol, QueuedAnswersAndPicksAreConsumedInOrderAndEverythingShownIsLogged) {
  const char* search = R"({"cmd":"click","control":"btnPesquisa"})";
  Expect({
      {kOpen, ""},
      {R"({"cmd":"answer","button":"Yes"})", R"({"pending":1})"},
      {R"({"cmd":"click","control":"btnPergunta"})", ""},
      {R"({"cmd":"click","control":"btnPergunta"})", ""},
      {R"({"cmd":"answer","button":"Talvez"})", kRefused},
      {R"({"cmd":"pick","match":{"CODIGO":"0003"}})", ""},
      {R"({"cmd":"pick","cancel":true})", ""},
      {R"({"cmd":"pick","match":{"CODIGO":"9999"}})", R"({"pending":3})"},
      {search, ""},
      {search, ""},
      {search, R"({"status":"failed","message":"9999"})"},  // the queued pick names no row
      {search, ""},
      {R"({"cmd":"picklist","keys":["0003","0001"]})", ""},
      {R"({"cmd":"click","control":"btnMarcar"})", ""},
      // Unanswered question and lookup, the failed pick shown like any handler error.
      {R"({"cmd":"messages"})", R"({"messages":[{"text":"Confirma a operação?","answer":"Yes"},
          {"answer":"No","unanswered":true}, {"picked":true}, {"picked":false,"unanswered":false}, {"error":""},
          {"kind":"error"}, {"unanswered":true}, {"keys":["0001","0003"],"selected":["0002"]}]})"},
      {R"({"cmd":"messages"})", R"({"messages":[]})"},
      {R"({"cmd":"progress"})", R"({"visible":false,"texts":["Pesquisando itens",null,null,null]})"},
      // The failed pick left before its refresh.
      {R"({"cmd":"cache"})", R"({"refreshes":[["ITENS","MARCAS"],null,null]})"},
      {R"({"cmd":"click","control":"btnPacote"})", ""},
      {R"({"cmd":"bpl"})", R"({"packages":[{"code":"TST00002","result":["0001","visto"]}]})"},
  });
}

TEST_F(DriverProtocol, SqlTakesNamedParamsAndARefusedSessionChangeLeavesTheSession) {
  InProcessServer server;
  db::setSessionDatabase(db::open(server.url()));
  Expect({
      {R"({"cmd":"sql","query":"SELECT COUNT(*) AS N FROM FILIAL WHERE CDFILIAL = :F","params":{"F":"0001"}})",
       R"({"rows":[{"N":1}]})"},
      {R"({"cmd":"sql","query":"SELECT * FROM FILIAL WHERE CDFILIAL = :F","params":[]})", kRefused},
      {R"({"cmd":"session","set":{"date":"2026-01-31","operator":"MARIA"}})", ""},
      {R"({"cmd":"session","set":{"server":"http://127.0.0.1:1"}})", kRefused},
      {R"({"cmd":"session","set":{"date":"31/01/2026"}})", kRefused},
      {R"({"cmd":"session"})", R"({"session":{"operator":"MARIA","date":"2026-01-31"}})"},
  });
  db::setSessionDatabase(nullptr);
}

TEST_F(DriverProtocol, ModalFormsAnswerOnOpeningAndOnClosingOnceTheOpenerWentOn) {
  Expect({
      {kOpen, ""},
      {R"({"cmd":"click","control":"btnDialogo"})", R"({"ok":true,"opened":"dlgNome"})"},
      {R"({"cmd":"click","control":"btnOk"})", kRefused},  // the screen behind takes no input
      {R"({"cmd":"forms"})", R"({"forms":[null,{"name":"dlgNome","modal":true,"active":true}]})"},
      {R"({"cmd":"type","control":"edtValor","text":"DE NOVO"})", ""},
      // Closing the first dialog lets the opener go on, and it opens the second one.
      {R"({"cmd":"click","control":"sbtConfirma"})", R"({"closed":"dlgNome","result":"OK","opened":"dlgNome2"})"},
      {R"({"cmd":"type","control":"edtValor","text":"fim"})", ""},
      {R"({"cmd":"key","key":"Escape"})", R"({"closed":"dlgNome2","result":"Cancel"})"},
      {R"({"cmd":"get","control":"lblStatus"})", R"({"caption":"Cancel:fim"})"},
      {R"({"cmd":"forms"})", R"({"forms":[null]})"},  // released dialogs are gone
  });
}

TEST_F(DriverProtocol, EndOfInputInsideAModalFormCancelsItAndEndsCleanly) {
  std::string status;
  Expect({{kOpen, ""},
          {R"({"cmd":"click","control":"btnDialogo"})", R"({"opened":"dlgNome"})"},
          {R"({"cmd":"type","control":"edtValor","text":"meio"})", ""}},
         [&] { status = screen()->lblStatus->Caption(); });
  EXPECT_EQ(status, "Cancel:meio");
}

}  // namespace
}  // namespace cad::test
