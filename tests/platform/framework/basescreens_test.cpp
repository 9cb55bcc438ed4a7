// The base screens: a small maintenance screen derived from TfrmPadrao goes through include,
// alter, cancel (answering the standard question both ways), confirm and delete with its
// buttons following their menu items; a dialog derived from TfrmRotiGeral runs modally to its
// result with Enter moving the focus and Escape cancelling.
#include <gtest/gtest.h>

#include "platform/core/errors.h"
#include "platform/framework/consiste.h"
#include "platform/framework/padrao.h"
#include "platform/framework/rotigeral.h"
#include "platform/ui/actions.h"
#include "tests/platform/framework/framework_fixture.h"

namespace cad::test {
namespace {

// People (CODIGO, NOME) kept on the form page; include also proposes the next code; the
// overrides record that they ran.
struct TfrmPessoas : TfrmPadrao {
  ClientDataSet* cdsPessoas;
  TDBEdit* dbeNome;
  std::vector<std::string> calls;

  TfrmPessoas() {
    SetName("frmPessoas");
    auto owned = std::make_unique<ClientDataSet>("cdsPessoas");
    cdsPessoas = owned.get();
    AddDataSet(std::move(owned));
    cdsPessoas->SetData(people({{1, "Ana"}, {2, "Bruno"}, {3, "Carla"}}));
    LoadLayout(R"({"components": [
      { "name": "tshFormulario", "children": [
        { "type": "TDBEdit", "name": "dbeNome", "DataSource": "dtsPadrao", "DataField": "NOME" } ] },
      { "name": "msgPadrao", "Items": ["Excl|Excluir a pessoa?"] } ]})");
    dbeNome = find<TDBEdit>("dbeNome");
    dtsPadrao->SetDataSet(cdsPessoas);
  }
  const char* ClassName() const override { return "TfrmPessoas"; }
  bool relatorio = true;
  bool TemRelatorio() const override { return relatorio; }

  void pgcPadraoChange(TComponent& sender) override {
    calls.push_back("pagina:" + pgcPadrao->ActivePage()->Name());
    TfrmPadrao::pgcPadraoChange(sender);
  }
  void sbtIncluirClick(TComponent& sender) override {
    calls.push_back("incluir:" + sender.Name());
    TfrmPadrao::sbtIncluirClick(sender);
    cdsPessoas->FieldByName("CODIGO").SetAsInteger(cdsPessoas->RecordCount() + 1);
  }
};

class BaseScreenTest : public FrameworkTest {
 protected:
  void SetUp() override {
    FrameworkTest::SetUp();
    frm = std::make_unique<TfrmPessoas>();
    frm->DoCreate();
    frm->Show();
  }
  void TearDown() override {
    frm.reset();
    FrameworkTest::TearDown();
  }
  // The enabled operation buttons, by name without the prefix, checking that each one shows the
  // state of its menu item.
  std::string enabledOperations() {
    std::string out;
    const std::pair<TButtonFlat*, TMenuItem*> pairs[] = {
        {frm->sbtIncluir, frm->mnuIncluir},     {frm->sbtAlterar, frm->mnuAlterar},
        {frm->sbtExcluir, frm->mnuExcluir},     {frm->sbtConfirmar, frm->mnuConfirmar},
        {frm->sbtCancelar, frm->mnuCancelar},   {frm->sbtProcurar, frm->mnuProcurar},
        {frm->sbtVerificar, frm->mnuVerificar}, {frm->sbtImprimir, frm->mnuImprimir}};
    for (auto [button, item] : pairs) {
      EXPECT_EQ(button->Enabled(), item->Enabled()) << button->Name();
      if (button->Enabled()) out += (out.empty() ? "" : " ") + button->Name().substr(3);
    }
    return out;
  }
  std::unique_ptr<TfrmPessoas> frm;
};

TEST_F(BaseScreenTest, IncludeAlterCancelAndConfirmMoveTheDatasetWithTheButtons) {
  ClientDataSet& cds = *frm->cdsPessoas;
  EXPECT_EQ(frm->pgcPadrao->ActivePage(), frm->tshFolhaDados);
  EXPECT_EQ(enabledOperations(), "Incluir Alterar Excluir Procurar Verificar Imprimir");
  EXPECT_TRUE(frm->dbnPadrao->Enabled());
  EXPECT_TRUE(UserActions::Click(*frm->sbtConfirmar).refused());

  // Include from the menu; the derived handler runs and calls the base one.
  ASSERT_TRUE(UserActions::MenuItem(*frm, "mnuFormulario").ok());
  EXPECT_TRUE(frm->mnuFormulario->Checked());
  ASSERT_TRUE(UserActions::MenuItem(*frm, "mnuIncluir").ok());
  // Creation ran the base page handling only; the menu's page change ran the derived one.
  EXPECT_EQ(frm->calls, (std::vector<std::string>{"pagina:tshFormulario", "incluir:mnuIncluir"}));
  EXPECT_EQ(cds.State(), DataSetState::Insert);
  EXPECT_EQ(enabledOperations(), "Confirmar Cancelar");
  EXPECT_FALSE(frm->dbnPadrao->Enabled());
  EXPECT_TRUE(UserActions::Type(*frm->dbeNome, "Daniel").ok());
  ASSERT_TRUE(UserActions::Click(*frm->sbtConfirmar).ok());
  EXPECT_EQ(cds.State(), DataSetState::Browse);
  EXPECT_EQ(cds.FieldByName("CODIGO").AsInteger(), 4);
  EXPECT_EQ(enabledOperations(), "Incluir Alterar Excluir Procurar Verificar Imprimir");

  // Alter, then cancel: No keeps the edit and the typed text, Yes restores the record.
  ASSERT_TRUE(UserActions::Click(*frm->sbtAlterar).ok());
  EXPECT_EQ(cds.State(), DataSetState::Edit);
  EXPECT_TRUE(UserActions::SetText(*frm->dbeNome, "Davi").ok());
  dialogs().Answer(mrNo);
  ASSERT_TRUE(UserActions::Click(*frm->sbtCancelar).ok());
  EXPECT_EQ(cds.State(), DataSetState::Edit);
  EXPECT_EQ(frm->dbeNome->Text(), "Davi");
  dialogs().Answer(mrYes);
  ASSERT_TRUE(UserActions::MenuItem(*frm, "mnuCancelar").ok());
  EXPECT_EQ(cds.State(), DataSetState::Browse);
  EXPECT_EQ(cds.FieldByName("NOME").AsString(), "Daniel");
  ASSERT_EQ(dialogs().Log().size(), 2u);
  EXPECT_EQ(dialogs().Log()[0].text, "Confirma cancelamento?");  // from the standard table

  // Delete asks the screen's own "Excl"; an unanswered question deletes nothing.
  ASSERT_TRUE(UserActions::Click(*frm->sbtExcluir).ok());
  EXPECT_EQ(cds.RecordCount(), 4);
  EXPECT_TRUE(dialogs().Log().back().unanswered);
  dialogs().Answer(mrYes);
  ASSERT_TRUE(UserActions::Click(*frm->sbtExcluir).ok());
  EXPECT_EQ(cds.RecordCount(), 3);
  EXPECT_EQ(dialogs().Log().back().text, "Excluir a pessoa?");
}

// Closing with an edit or a change log not sent asks first; whatever the answer, nothing typed is
// lost without the user saying so.
TEST_F(BaseScreenTest, ClosingWithPendingChangesAsksToSaveThem) {
  ClientDataSet& cds = *frm->cdsPessoas;
  auto fecha = [&](int resposta) {
    dialogs().Answer(resposta);
    return UserActions::CloseForm(*frm);
  };
  ASSERT_TRUE(UserActions::MenuItem(*frm, "mnuFormulario").ok());
  ASSERT_TRUE(UserActions::Click(*frm->sbtAlterar).ok());
  ASSERT_TRUE(UserActions::SetText(*frm->dbeNome, "Ana Maria").ok());
  ASSERT_TRUE(fecha(mrCancel).ok());
  EXPECT_TRUE(frm->Visible()) << "Cancelar keeps the screen and the edit";
  EXPECT_EQ(frm->dbeNome->Text(), "Ana Maria");
  EXPECT_EQ(dialogs().Log().back().text, "Salvar as alterações?");
  EXPECT_EQ(dialogs().Log().back().buttons, mbYesNoCancel);

  // A refused confirm keeps the screen open with the edit.
  cds.BeforePost = [](DataSet&) { throw Exception("Nome recusado."); };
  EXPECT_FALSE(fecha(mrYes).ok());
  EXPECT_TRUE(frm->Visible());
  EXPECT_EQ(cds.State(), DataSetState::Edit);
  cds.BeforePost = nullptr;

  // Não cancels without the cancel question of its own, and closes.
  size_t perguntas = dialogs().Log().size();
  ASSERT_TRUE(fecha(mrNo).ok());
  EXPECT_FALSE(frm->Visible());
  EXPECT_EQ(dialogs().Log().size(), perguntas + 1);
  EXPECT_EQ(cds.FieldByName("NOME").AsString(), "Ana");

  // Sim confirms the edit and closes.
  frm->Show();
  ASSERT_TRUE(UserActions::Click(*frm->sbtAlterar).ok());
  ASSERT_TRUE(UserActions::SetText(*frm->dbeNome, "Ana Clara").ok());
  ASSERT_TRUE(fecha(mrYes).ok());
  EXPECT_FALSE(frm->Visible());
  EXPECT_EQ(cds.FieldByName("NOME").AsString(), "Ana Clara");
  // A posted change not sent yet counts too.
  frm->Show();
  ASSERT_TRUE(fecha(mrCancel).ok());
  EXPECT_TRUE(frm->Visible());
  cds.MergeChangeLog();
  size_t antes = dialogs().Log().size();
  ASSERT_TRUE(UserActions::CloseForm(*frm).ok());
  EXPECT_FALSE(frm->Visible());
  EXPECT_EQ(dialogs().Log().size(), antes) << "nothing pending, nothing asked";
}

TEST_F(BaseScreenTest, ButtonsFollowTheirMenuItemsAndEmptyOrClosedDatasets) {
  ClientDataSet& cds = *frm->cdsPessoas;
  frm->ChangeButtons(true, false, false, false, false, true);
  EXPECT_EQ(enabledOperations(), "Incluir Confirmar Cancelar Imprimir");
  // A button set directly does not drive its menu item.
  frm->sbtAlterar->SetEnabled(true);
  EXPECT_TRUE(UserActions::MenuItem(*frm, "mnuAlterar").refused());

  // An empty dataset offers include and verify only; a closed one offers nothing.
  cds.EmptyDataSet();
  frm->dtsPadraoStateChange(*frm->dtsPadrao);
  EXPECT_EQ(enabledOperations(), "Incluir Verificar Imprimir");
  cds.Close();
  EXPECT_EQ(enabledOperations(), "");
  EXPECT_TRUE(frm->sbtFechar->Enabled() && frm->sbtAjuda->Enabled());
  cds.SetData(people({{7, "Gil"}}));
  cds.ReadOnly = true;
  frm->dtsPadraoStateChange(*frm->dtsPadrao);
  EXPECT_EQ(enabledOperations(), "Procurar Verificar Imprimir");
  // A screen without a report never offers the print command.
  frm->relatorio = false;
  frm->dtsPadraoStateChange(*frm->dtsPadrao);
  EXPECT_EQ(enabledOperations(), "Procurar Verificar");
  frm->relatorio = true;

  // The search picks through the lookups service and leaves the cursor there.
  cds.ReadOnly = false;
  cds.SetData(people({{1, "Ana"}, {2, "Bruno"}}));
  lookups().QueuePick({{"NOME", "Bruno"}});
  ASSERT_TRUE(UserActions::Click(*frm->sbtProcurar).ok());
  EXPECT_EQ(cds.FieldByName("CODIGO").AsInteger(), 2);

  // Closing discards an unconfirmed edit.
  ASSERT_TRUE(UserActions::Click(*frm->sbtAlterar).ok());
  ASSERT_TRUE(UserActions::Click(*frm->sbtFechar).ok());
  EXPECT_FALSE(frm->Visible());
  EXPECT_EQ(cds.State(), DataSetState::Browse);
}

// A dialog that refuses to confirm without a code.
struct TfrmCodigo : TfrmRotiGeral {
  TEdit* edtCodigo = Create<TEdit>("edtCodigo", this);
  TEdit* edtNome = Create<TEdit>("edtNome", this);
  TfrmCodigo() { SetName("frmCodigo"); }
  const char* ClassName() const override { return "TfrmCodigo"; }
  void sbtConfirmaClick(TComponent& sender) override {
    if (Consiste::EmptyString(edtCodigo->Text())) {
      edtCodigo->SetFocus();
      Consiste::MensErro("Código deve ser informado.");
    }
    TfrmRotiGeral::sbtConfirmaClick(sender);
  }
};

using RotiGeralTest = FrameworkTest;

TEST_F(RotiGeralTest, ShowModalRunsTheDialogToItsResult) {
  TfrmCodigo dlg;
  dlg.DoCreate();
  Application().ScriptModal("TfrmCodigo", [&](TForm& form) {
    EXPECT_TRUE(form.Modal());
    EXPECT_TRUE(UserActions::Click(*dlg.sbtConfirma).ok() == false);  // refused with a message
    EXPECT_EQ(dlg.ActiveControl(), dlg.edtCodigo);
    EXPECT_TRUE(UserActions::Type(*dlg.edtCodigo, "42").ok());
    EXPECT_TRUE(UserActions::Key(*dlg.edtCodigo, "Enter").ok());
    EXPECT_EQ(dlg.ActiveControl(), dlg.edtNome);
    EXPECT_TRUE(UserActions::Click(*dlg.sbtConfirma).ok());
  });
  EXPECT_EQ(dlg.ShowModal(), mrOk);
  EXPECT_EQ(dialogs().Texts(), std::vector<std::string>{"Código deve ser informado."});

  Application().ScriptModal("TfrmCodigo", [&](TForm&) { EXPECT_TRUE(UserActions::Key(*dlg.edtNome, "Escape").ok()); });
  EXPECT_EQ(dlg.ShowModal(), mrCancel);
  EXPECT_FALSE(dlg.Visible());
}

TEST_F(RotiGeralTest, AnApplicationDialogIsFreedOnlyAfterItsLoop) {
  auto& dlg = Application().CreateForm<TfrmCodigo>();
  Application().ScriptModal("TfrmCodigo", [&](TForm&) { EXPECT_TRUE(UserActions::Click(*dlg.sbtCancel).ok()); });
  EXPECT_EQ(dlg.ShowModal(), mrCancel);
  // The click inside the loop closed it with caFree, but it was still in its ShowModal.
  EXPECT_EQ(Application().FindForm("frmCodigo"), &dlg);
  Application().FlushReleased();
  EXPECT_EQ(Application().FindForm("frmCodigo"), nullptr);
}

}  // namespace
}  // namespace cad::test
