// Data-aware controls against a real client dataset: edits writing back before post and on exit,
// failing checks keeping the edit, grid cell editing with post on row change, check boxes, radio
// groups, the navigator, and datasets declared in a layout.
#include <gtest/gtest.h>

#include <tuple>

#include "platform/core/errors.h"
#include "platform/data/dataset.h"
#include "platform/ui/actions.h"
#include "platform/ui/dbcontrols.h"
#include "tests/platform/ui/ui_fixture.h"

namespace cad::test {
namespace {

void addRow(DataSet& ds, const std::string& code, const std::string& name) {
  ds.Append();
  ds.FieldByName("CDSERVFILI").SetAsString(code);
  ds.FieldByName("NMSERVICO").SetAsString(name);
  ds.Post();
}

struct ServiceForm : TForm {
  ClientDataSet cds{"cdsServico"};
  DataSource dts{"dtsServico"};
  TDBEdit* dbeCd = Create<TDBEdit>("dbeCdServFili", this);
  TDBEdit* dbeNm = Create<TDBEdit>("dbeNmServico", this);
  TButtonFlat* sbtConfirmar = Create<TButtonFlat>("sbtConfirmar", this);
  EventLog log;
  ServiceForm() {
    cds.AddField({"CDSERVFILI", FieldType::String, 5});
    cds.AddField({"NMSERVICO", FieldType::String, 40});
    cds.CreateDataSet();
    addRow(cds, "00001", "Almoço");
    addRow(cds, "00002", "Jantar");
    cds.First();
    dts.SetDataSet(&cds);
    dbeCd->SetDataSource(&dts);
    dbeCd->SetDataField("CDSERVFILI");
    dbeNm->SetDataSource(&dts);
    dbeNm->SetDataField("NMSERVICO");
    sbtConfirmar->OnClick = [this](TComponent&) { cds.Post(); };
    cds.BeforePost = [this](DataSet& ds) {
      log.events.push_back("BeforePost:" + ds.FieldByName("NMSERVICO").AsString());
      if (ds.FieldByName("NMSERVICO").AsString().empty()) throw Exception("Nome deve ser informado.");
    };
  }
};

using DbControlsTest = UiTest;

TEST_F(DbControlsTest, EditWritesBackBeforePostAndAFailingCheckKeepsTheEdit) {
  ServiceForm f;
  f.Show();
  EXPECT_EQ(f.dbeNm->Text(), "Almoço");
  EXPECT_EQ(f.dbeCd->MaxLength(), 5);  // from the field size

  // Typing puts the dataset into edit; the field takes the text only when it is written back,
  // which happens before BeforePost.
  ASSERT_TRUE(UserActions::Type(*f.dbeNm, "Ceia").ok());
  EXPECT_EQ(f.cds.State(), DataSetState::Edit);
  EXPECT_EQ(f.cds.FieldByName("NMSERVICO").AsString(), "Almoço");
  ASSERT_TRUE(UserActions::Click(*f.sbtConfirmar).ok());  // the toolbar keeps the focus where it is
  EXPECT_EQ(f.log.joined(), "BeforePost:Ceia");
  EXPECT_EQ(f.cds.State(), DataSetState::Browse);

  // A check that fails in BeforePost leaves the record in edit with what the user typed.
  f.log.clear();
  ASSERT_TRUE(UserActions::SetText(*f.dbeNm, "").ok());
  ActionResult r = UserActions::Click(*f.sbtConfirmar);
  EXPECT_EQ(r.message, "Nome deve ser informado.");
  EXPECT_EQ(f.cds.State(), DataSetState::Edit);
  EXPECT_EQ(f.ActiveControl(), f.dbeNm);
  ASSERT_TRUE(UserActions::Type(*f.dbeNm, "Lanche").ok());
  EXPECT_TRUE(UserActions::Click(*f.sbtConfirmar).ok());
  EXPECT_EQ(f.cds.FieldByName("NMSERVICO").AsString(), "Lanche");

  // A field check that fails on exit keeps the focus and the typed text.
  f.cds.FieldByName("CDSERVFILI").OnValidate = [](Field& fld) {
    if (fld.AsString().find(' ') != std::string::npos) throw Exception("Código inválido.");
  };
  ASSERT_TRUE(UserActions::SetText(*f.dbeCd, "1 2").ok());
  EXPECT_EQ(UserActions::Focus(*f.dbeNm).status, ActionResult::Status::Failed);
  EXPECT_EQ(f.ActiveControl(), f.dbeCd);
  EXPECT_EQ(f.dbeCd->Text(), "1 2");

  // Moving to another record shows it; without AutoEdit a browsing dataset refuses typing.
  ASSERT_TRUE(UserActions::SetText(*f.dbeCd, "00009").ok());
  f.cds.Post();
  f.cds.Next();
  EXPECT_EQ(f.dbeNm->Text(), "Jantar");
  f.dts.AutoEdit = false;
  ASSERT_TRUE(UserActions::Type(*f.dbeNm, "x").ok());
  EXPECT_EQ(f.dbeNm->Text(), "Jantar");
  EXPECT_EQ(f.cds.State(), DataSetState::Browse);
  EXPECT_TRUE(UserActions::SetText(*f.dbeNm, "y").refused());
}

// A masked field shows its literals once, focused or not, and stores the bare digits.
TEST_F(DbControlsTest, MaskedFieldShowsItsLiteralsOnceAndStoresTheDigits) {
  TForm f;
  ClientDataSet cds{"cdsHora"};
  DataSource dts{"dtsHora"};
  Field& hr = cds.AddField({"HRINICATEN", FieldType::String, 4});
  hr.EditMask = "99:99;0;_";
  cds.CreateDataSet();
  cds.Append();
  hr.SetAsString("0930");
  cds.Post();
  dts.SetDataSet(&cds);
  TDBEdit* edit = f.Create<TDBEdit>("dbeIniAtend", &f);
  TEdit* other = f.Create<TEdit>("edtOutro", &f);
  edit->SetDataSource(&dts);
  edit->SetDataField("HRINICATEN");
  f.Show();
  ASSERT_TRUE(UserActions::Focus(*other).ok());
  EXPECT_EQ(edit->EditText(), "09:30");
  ASSERT_TRUE(UserActions::SetText(*edit, "1245").ok());
  ASSERT_TRUE(UserActions::Focus(*other).ok());
  EXPECT_EQ(edit->EditText(), "12:45");
  cds.Post();
  EXPECT_EQ(hr.AsString(), "1245");
}

struct GridForm : ServiceForm {
  TDBGrid* dbg = Create<TDBGrid>("dbgServico", this);
  GridForm() {
    dbg->AddColumn().FieldName = "CDSERVFILI";
    dbg->Columns(0).ReadOnly = true;
    dbg->AddColumn().FieldName = "NMSERVICO";
    dbg->SetDataSource(&dts);
    dbg->OnColExit = log.note("ColExit");
    dbg->OnColEnter = log.note("ColEnter");
    cds.AfterPost = [this](DataSet& ds) {
      log.events.push_back("AfterPost:" + ds.FieldByName("NMSERVICO").AsString());
    };
    SetActiveControl(dbg);
  }
};

// A data grid's column widths cover all its columns, also past the plain grid's default count
// and while its dataset is closed (a renderer sizes them before any data arrives).
TEST_F(DbControlsTest, GridColumnWidthsCoverEveryColumnWithTheDatasetClosed) {
  GridForm f;
  f.cds.Close();
  for (int i = 0; i < 6; ++i) f.dbg->AddColumn().FieldName = "NMSERVICO";
  ASSERT_EQ(f.dbg->ColCount(), 8);
  f.dbg->SetColWidths(7, 40);
  EXPECT_EQ(f.dbg->ColWidths(7), 40);
  EXPECT_THROW(f.dbg->ColWidths(8), Exception);
}

TEST_F(DbControlsTest, GridCellEditingEntersEditAndPostsOnRowChange) {
  GridForm f;
  f.Show();
  ASSERT_EQ(f.dbg->RowCount(), 3);

  // The code column is read-only: typing there changes nothing.
  ASSERT_TRUE(UserActions::SelectCell(*f.dbg, 0, 1).ok());
  ASSERT_TRUE(UserActions::Type(*f.dbg, "9").ok());
  EXPECT_EQ(f.cds.State(), DataSetState::Browse);

  ASSERT_TRUE(UserActions::Key(*f.dbg, "Right").ok());
  EXPECT_EQ(f.log.joined(), "ColExit ColEnter");
  f.log.clear();
  ASSERT_TRUE(UserActions::Type(*f.dbg, "Café").ok());
  EXPECT_EQ(f.cds.State(), DataSetState::Edit);
  EXPECT_EQ(f.dbg->CellText(1, 1), "Café");
  EXPECT_EQ(f.cds.FieldByName("NMSERVICO").AsString(), "Almoço");  // not written yet

  // Leaving the row writes the cell and lets the dataset post.
  ASSERT_TRUE(UserActions::Key(*f.dbg, "Down").ok());
  EXPECT_EQ(f.log.joined(), "BeforePost:Café AfterPost:Café");
  EXPECT_EQ(f.dbg->CurrentRow(), 2);

  // A post refused on the row change keeps the row, the edit and the text.
  f.log.clear();
  ASSERT_TRUE(UserActions::Key(*f.dbg, "Delete").ok());  // clears the cell
  ActionResult r = UserActions::Key(*f.dbg, "Up");
  EXPECT_EQ(r.status, ActionResult::Status::Failed);
  EXPECT_EQ(f.dbg->CurrentRow(), 2);
  EXPECT_EQ(f.cds.State(), DataSetState::Edit);
  ASSERT_TRUE(UserActions::Type(*f.dbg, "Ceia").ok());
  ASSERT_TRUE(UserActions::Key(*f.dbg, "Up").ok());
  EXPECT_EQ(f.cds.FieldByName("NMSERVICO").AsString(), "Café");
  f.cds.Next();
  EXPECT_EQ(f.cds.FieldByName("NMSERVICO").AsString(), "Ceia");

  // Down on the last row appends; Escape cancels the untouched new row; Ctrl+Delete asks first.
  ASSERT_TRUE(UserActions::Key(*f.dbg, "Down").ok());
  EXPECT_EQ(f.cds.State(), DataSetState::Insert);
  EXPECT_EQ(f.dbg->RowCount(), 4);
  ASSERT_TRUE(UserActions::Key(*f.dbg, "Escape").ok());
  EXPECT_EQ(f.cds.RecordCount(), 2);
  Application().ConfirmHook = [](const std::string&) { return false; };
  ASSERT_TRUE(UserActions::Key(*f.dbg, "Ctrl+Delete").ok());
  EXPECT_EQ(f.cds.RecordCount(), 2);
  Application().ConfirmHook = [](const std::string&) { return true; };
  ASSERT_TRUE(UserActions::Key(*f.dbg, "Ctrl+Delete").ok());
  EXPECT_EQ(f.cds.RecordCount(), 1);

  // Without the editing option nothing starts an edit.
  f.dbg->SetOption(goEditing, false);
  ASSERT_TRUE(UserActions::Type(*f.dbg, "x").ok());
  EXPECT_EQ(f.cds.State(), DataSetState::Browse);
}

// Number fields take as typed only what keeps them a number, in an edit and in a grid cell: digits,
// a leading minus where negatives are allowed, the session's decimal separator once (a '.' typed in
// a float field is that separator); a string field marked Numeric takes digits only.
TEST_F(DbControlsTest, NumberFieldsTakeOnlyWhatKeepsThemANumber) {
  struct Numeros : TForm {
    ClientDataSet cds{"cdsNumeros"};
    DataSource dts{"dtsNumeros"};
    TDBEdit* dbeValor = Create<TDBEdit>("dbeValor", this);
    TDBEdit* dbeSaldo = Create<TDBEdit>("dbeSaldo", this);
    TDBEdit* dbePeso = Create<TDBEdit>("dbePeso", this);
    TDBGrid* dbg = Create<TDBGrid>("dbgNumeros", this);
    Numeros() {
      cds.AddField({"VALOR", FieldType::Float, 0});
      cds.AddField({"SALDO", FieldType::Integer, 0}).MinValue = -999;
      Field& peso = cds.AddField({"PESO", FieldType::String, 2});
      peso.Numeric = true;
      peso.DisplayLabel = "Peso p/ Custo";
      cds.CreateDataSet();
      cds.Append();
      cds.Post();
      dts.SetDataSet(&cds);
      int i = 0;
      for (const char* n : {"VALOR", "SALDO", "PESO"}) {
        TDBEdit* e = std::vector<TDBEdit*>{dbeValor, dbeSaldo, dbePeso}[i++];
        e->SetDataSource(&dts);
        e->SetDataField(n);
      }
      dbg->AddColumn().FieldName = "VALOR";
      dbg->SetDataSource(&dts);
    }
  } f;
  f.Show();
  const std::tuple<TDBEdit*, const char*, const char*> casos[] = {
      {f.dbeValor, "-1a2.3,4", "12,34"}, {f.dbeSaldo, "-1-2,3", "-123"}, {f.dbePeso, "a-7,x1", "71"}};
  for (auto [edit, digitado, esperado] : casos) {
    ASSERT_TRUE(UserActions::Type(*edit, digitado).ok());
    EXPECT_EQ(edit->Text(), esperado) << edit->Name();
  }
  EXPECT_TRUE(UserActions::SetText(*f.dbePeso, "ab").refused());
  EXPECT_TRUE(UserActions::SetText(*f.dbeValor, "-5").refused());
  ASSERT_TRUE(UserActions::SetText(*f.dbeValor, "1.234,5").ok()) << "a pasted number with thousands";
  ASSERT_TRUE(UserActions::SelectCell(*f.dbg, 0, 1).ok());
  ASSERT_TRUE(UserActions::Type(*f.dbg, "x9,5.1-").ok());
  EXPECT_EQ(f.dbg->EditorText(), "9,51");
}

constexpr std::string_view kFlagsLayout = R"({
  "dataSets": [ { "name": "cdsServico", "fields": [
      { "name": "CDSERVFILI", "type": "string", "size": 5, "required": true, "DisplayLabel": "Código" },
      { "name": "IDSERVTRAN", "type": "string", "size": 1 },
      { "name": "IDTIPOSERV", "type": "string", "size": 1 } ],
      "AfterScroll": "cdsServicoAfterScroll" } ],
  "dataSources": [ { "name": "dtsPadrao", "DataSet": "cdsServico" } ],
  "components": [
    { "type": "TDBCheckBox", "name": "dckServTran", "DataSource": "dtsPadrao", "DataField": "IDSERVTRAN",
      "ValueChecked": "S", "ValueUnchecked": "N", "Caption": "Transportado" },
    { "type": "TDBRadioGroup", "name": "drgTipoServ", "DataSource": "dtsPadrao", "DataField": "IDTIPOSERV",
      "Items": ["Normal", "Hospitalar", "Ambulatorial", "Faturamento"], "Values": ["N", "D", "A", "F"],
      "OnChange": "drgTipoServChange" },
    { "type": "TDBNavigator", "name": "dbnPadrao", "DataSource": "dtsPadrao" }
  ]
})";

TEST_F(DbControlsTest, LayoutDeclaredDataWithCheckBoxRadioGroupAndNavigator) {
  struct Screen : TForm {
    EventLog log;
    Screen() {
      Bind("cdsServicoAfterScroll", &Screen::cdsServicoAfterScroll);
      Bind("drgTipoServChange", &Screen::drgTipoServChange);
      LoadLayout(kFlagsLayout);
    }
    void cdsServicoAfterScroll(DataSet&) { log.events.push_back("scroll"); }
    void drgTipoServChange(TComponent& s) { log.events.push_back("tipo:" + static_cast<TDBRadioGroup&>(s).Value()); }
  } s;
  auto* cds = s.find<ClientDataSet>("cdsServico");
  cds->CreateDataSet();
  // A null transported flag on the first service, "S" on the second.
  for (auto [code, tran, tipo] : {std::tuple{"00001", "", "D"}, std::tuple{"00002", "S", "N"}}) {
    cds->Append();
    cds->FieldByName("CDSERVFILI").SetValue(code);
    if (*tran) cds->FieldByName("IDSERVTRAN").SetValue(tran);
    cds->FieldByName("IDTIPOSERV").SetValue(tipo);
    cds->Post();
  }
  s.Show();
  auto* dck = s.find<TDBCheckBox>("dckServTran");
  auto* drg = s.find<TDBRadioGroup>("drgTipoServ");
  auto* dbn = s.find<TDBNavigator>("dbnPadrao");
  EXPECT_TRUE(dck->Checked());
  EXPECT_EQ(drg->Value(), "N");

  s.log.clear();
  ASSERT_TRUE(UserActions::Navigate(*dbn, TNavigateBtn::nbFirst).ok());
  EXPECT_FALSE(dck->Checked());  // a null flag shows unchecked
  EXPECT_EQ(drg->ItemIndex(), 1);
  EXPECT_EQ(s.log.joined(), "tipo:D scroll");  // controls show the row before AfterScroll
  EXPECT_TRUE(UserActions::Navigate(*dbn, TNavigateBtn::nbPrior).refused());

  // The user's choices go to the fields at once and put the record into edit.
  ASSERT_TRUE(UserActions::Click(*dck).ok());
  EXPECT_EQ(cds->State(), DataSetState::Edit);
  EXPECT_EQ(cds->FieldByName("IDSERVTRAN").AsString(), "S");
  ASSERT_TRUE(UserActions::SelectIndex(*drg, 3).ok());
  EXPECT_EQ(cds->FieldByName("IDTIPOSERV").AsString(), "F");
  ASSERT_TRUE(UserActions::Navigate(*dbn, TNavigateBtn::nbCancel).ok());
  EXPECT_EQ(drg->Value(), "D");
  EXPECT_FALSE(dck->Checked());

  // A read-only dataset refuses the click without changing anything.
  cds->ReadOnly = true;
  ASSERT_TRUE(UserActions::Click(*dck).ok());
  EXPECT_FALSE(dck->Checked());
  EXPECT_FALSE(dbn->ButtonEnabled(TNavigateBtn::nbDelete));
}

}  // namespace
}  // namespace cad::test
