// Layout units: a small screen declared in JSON (page control, grid columns, menu with a
// shortcut, popup menu, handlers bound by name), extended by a second layout as a derived screen
// does, and the errors a wrong layout raises.
#include <gtest/gtest.h>

#include "platform/core/errors.h"
#include "platform/ui/actions.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbcontrols.h"
#include "platform/ui/layout.h"
#include "platform/ui/menus.h"
#include "platform/ui/pages.h"
#include "tests/platform/ui/ui_fixture.h"
#include "tests/support/error_text.h"

namespace cad::test {
namespace {

constexpr std::string_view kBaseLayout = R"({
  "form": { "Name": "frmBase", "Caption": "Base", "Width": 800, "Height": 649, "KeyPreview": true,
            "OnCreate": "FormCreate" },
  "components": [
    { "type": "TPanel", "name": "panMenu", "Align": "alTop", "Height": 40, "children": [
      { "type": "TButtonFlat", "name": "sbtIncluir", "Hint": "Incluir", "Left": 4, "OnClick": "sbtIncluirClick" },
      { "type": "TButtonFlat", "name": "sbtExportComens", "PopupMenu": "pmnExportComens" } ] },
    { "type": "TPageControl", "name": "pgcPadrao", "Align": "client", "ActivePage": "tshFolhaDados",
      "OnChanging": "pgcPadraoChanging", "children": [
      { "type": "TTabSheet", "name": "tshFolhaDados", "Caption": "Serviços", "children": [
        { "type": "TDBGrid", "name": "dbgPadrao", "Align": "alClient", "Options": ["dgEditing", "dgTitles", "dgTabs"],
          "columns": [
            { "FieldName": "CDSERVFILI", "Title": "Código", "Width": 60 },
            { "FieldName": "NMSERVICO", "Title": "Nome", "Width": 250, "ReadOnly": true },
            { "FieldName": "CDPRODUTO", "ButtonStyle": "cbsEllipsis", "Alignment": "taRightJustify" } ] } ] },
      { "type": "TTabSheet", "name": "tshFormulario", "Caption": "Formulário" } ] },
    { "type": "TMainMenu", "name": "mnuPrincipal", "items": [
      { "name": "mnuManutencao", "Caption": "&Manutenção", "items": [
        { "name": "mnuIncluir", "Caption": "&Incluir", "ShortCut": "Ctrl+I", "OnClick": "sbtIncluirClick" },
        { "Caption": "-" },
        { "name": "mnuCadaAuto", "Caption": "Cadast&ro Automático", "ShortCut": "Ctrl+A", "Enabled": false } ] } ] },
    { "type": "TPopupMenu", "name": "pmnExportComens", "items": [
      { "name": "pmnExpComCard", "Caption": "Exportar Comensais para Cardápio" } ] }
  ]
})";

// What a derived screen adds: a control on an inherited page, a changed caption, a new item.
constexpr std::string_view kDerivedLayout = R"({
  "components": [
    { "name": "tshFormulario", "Caption": "Serviço", "children": [
      { "type": "TMaskEdit", "name": "medCdFilial", "EditMask": ">aaaa;0; ", "MaxLength": 4,
        "Left": 8, "Top": 8, "TabOrder": 0, "OnExit": "medCdFilialExit" },
      { "type": "TRadioGroup", "name": "rdgTipo", "Items": ["Normal", "Hospitalar"], "ItemIndex": 0 } ] },
    { "name": "mnuManutencao", "items": [ { "name": "mnuCopiar", "Caption": "Inclusão Automática de Serviço", "ShortCut": "Ctrl+K" } ] }
  ]
})";

struct BaseScreen : TForm {
  EventLog log;
  TButtonFlat* sbtIncluir = nullptr;
  TPageControl* pgcPadrao = nullptr;
  BaseScreen() {
    Bind("FormCreate", &BaseScreen::FormCreate);
    Bind("sbtIncluirClick", &BaseScreen::sbtIncluirClick);
    Bind("pgcPadraoChanging", &BaseScreen::pgcPadraoChanging);
    LoadLayout(kBaseLayout);
    sbtIncluir = find<TButtonFlat>("sbtIncluir");
    pgcPadrao = find<TPageControl>("pgcPadrao");
  }
  void FormCreate(TComponent&) { log.events.push_back("FormCreate"); }
  // Overridable, as the base screen's handlers are.
  virtual void sbtIncluirClick(TComponent& sender) { log.events.push_back("base:" + sender.Name()); }
  void pgcPadraoChanging(TComponent&, bool& allow) { allow = true; }
};

struct DerivedScreen : BaseScreen {
  TMaskEdit* medCdFilial;
  DerivedScreen() {
    Bind("medCdFilialExit", &DerivedScreen::medCdFilialExit);
    LoadLayout(kDerivedLayout);
    medCdFilial = find<TMaskEdit>("medCdFilial");
  }
  const char* ClassName() const override { return "TfrmDerivada"; }
  void sbtIncluirClick(TComponent& sender) override {
    log.events.push_back("derived");
    BaseScreen::sbtIncluirClick(sender);
  }
  void medCdFilialExit(TComponent&) { log.events.push_back("exit:" + medCdFilial->Text()); }
};

using LayoutTest = UiTest;

TEST_F(LayoutTest, BuildsTheTreePropertiesColumnsMenusAndHandlers) {
  DerivedScreen& s = Application().CreateForm<DerivedScreen>();
  EXPECT_EQ(s.log.joined(), "FormCreate");
  EXPECT_EQ(s.sbtIncluir->Parent(), s.find<TPanel>("panMenu"));
  EXPECT_EQ(s.find<TButtonFlat>("sbtExportComens")->PopupMenu(), s.find<TPopupMenu>("pmnExportComens"));
  EXPECT_EQ(s.find<TTabSheet>("tshFormulario")->Caption(), "Serviço");  // changed by the derived layout
  EXPECT_EQ(s.medCdFilial->Parent(), s.find<TTabSheet>("tshFormulario"));

  auto* grid = s.find<TDBGrid>("dbgPadrao");
  ASSERT_EQ(grid->ColumnCount(), 3);
  EXPECT_TRUE(grid->Columns(1).ReadOnly);
  EXPECT_TRUE(grid->Columns(2).HasEditButton());
  EXPECT_TRUE(grid->HasOption(goEditing) && grid->HasOption(goTabs) && !grid->HasOption(goConfirmDelete));

  auto* mnuManutencao = s.find<TMenuItem>("mnuManutencao");
  ASSERT_EQ(mnuManutencao->Count(), 4);  // the derived item comes after the inherited ones
  EXPECT_TRUE(mnuManutencao->Items()[1]->IsSeparator());
  EXPECT_EQ(mnuManutencao->Items()[3], s.find<TMenuItem>("mnuCopiar"));

  // Handlers bound by name reach the derived screen's override.
  s.Show();
  s.log.clear();
  EXPECT_TRUE(UserActions::Click(*s.sbtIncluir).ok());
  EXPECT_TRUE(UserActions::Key(*grid, "Ctrl+I").ok());
  EXPECT_TRUE(UserActions::MenuItem(s, "mnuCadaAuto").refused());
  ASSERT_TRUE(UserActions::SelectPage(*s.find<TTabSheet>("tshFormulario")).ok());
  ASSERT_TRUE(UserActions::Type(*s.medCdFilial, "ab12").ok());
  EXPECT_TRUE(UserActions::Focus(*s.find<TRadioGroup>("rdgTipo")).ok());
  EXPECT_EQ(s.log.joined(), "derived base:sbtIncluir derived base:mnuIncluir exit:AB12");
  s.Close();
  EXPECT_EQ(s.pgcPadrao->GetProperty("ActivePage").asString(), "tshFormulario");
}

TEST_F(LayoutTest, WrongLayoutsNameTheOffendingPart) {
  TForm f;
  f.Handler<void(TComponent&, int&, ShiftState)>("e4KeyDown", [](TComponent&, int&, ShiftState) {});
  // An unknown type, property, handler or component; broken JSON; a handler of the wrong signature.
  const std::pair<const char*, const char*> wrong[] = {
      {R"({"components": [{"type": "TBotao", "name": "x"}]})", "TBotao"},
      {R"({"components": [{"type": "TEdit", "name": "e1", "Cor": 1}]})", "Cor"},
      {R"({"components": [{"type": "TEdit", "name": "e2", "OnExit": "e2Exit"}]})", "e2Exit"},
      {R"({"components": [{"name": "naoExiste", "Caption": "x"}]})", "naoExiste"},
      {R"({"components": [)", "Layout"},
      {R"({"components": [{"type": "TEdit", "name": "e4", "OnExit": "e4KeyDown"}]})", "e4KeyDown"}};
  for (const auto& [text, part] : wrong) {
    const char* layout = text;  // clang-tidy (clang 14) cannot capture a structured binding
    EXPECT_NE(ErrorText([&] { f.LoadLayout(layout); }).find(part), std::string::npos) << text;
  }

  // Types registered later (by other layers) are created by name like the built-in ones.
  struct TMemoTeste : TCustomEdit {
    const char* ClassName() const override { return "TMemoTeste"; }
  };
  RegisterComponentType("TMemoTeste", [] { return std::unique_ptr<TComponent>(std::make_unique<TMemoTeste>()); });
  f.LoadLayout(R"({"components": [{"type": "TMemoTeste", "name": "memObs", "MaxLength": 60}]})");
  EXPECT_EQ(f.find<TCustomEdit>("memObs")->MaxLength(), 60);
}

}  // namespace
}  // namespace cad::test
