// Host services as the screens meet them: scripted dialogs and lookups (queued answers, the
// defaults of an empty queue, script errors), the message tables, the lookup routines and
// their selection texts, the lookup button and the error display of the application loop.
#include <gtest/gtest.h>

#include "platform/core/errors.h"
#include "platform/framework/lookups.h"
#include "platform/framework/messages.h"
#include "platform/ui/actions.h"
#include "platform/ui/controls.h"
#include "tests/platform/framework/framework_fixture.h"

namespace cad::test {
namespace {

using ServicesTest = FrameworkTest;

TEST_F(ServicesTest, DialogsTakeQueuedAnswersAndDefaultCarefully) {
  dialogs().Answer(mrYes);
  dialogs().Answer(mrCancel);
  // A plain message does not consume the queue.
  EXPECT_EQ(ShowDialog({TMsgDlgType::mtError, {}, "Falhou.", mbOK, 0}), mrOk);
  EXPECT_EQ(ShowDialog({TMsgDlgType::mtConfirmation, "Excl", "Confirma exclusão?", mbYesNo, 0}), mrYes);
  EXPECT_EQ(ShowDialog({TMsgDlgType::mtInformation, {}, "Continua?", mbOKCancel, 0}), mrCancel);
  // Empty queue: No, else Cancel, else the first button; logged as unanswered.
  EXPECT_EQ(ShowDialog({TMsgDlgType::mtConfirmation, {}, "Sim ou não?", mbYesNoCancel, 0}), mrNo);
  EXPECT_EQ(ShowDialog({TMsgDlgType::mtWarning, {}, "Ok ou cancela?", mbOKCancel, 0}), mrCancel);
  EXPECT_EQ(ShowDialog({TMsgDlgType::mtWarning, {}, "Repete?", mbAbortRetryIgnore, 0}), mrAbort);

  const auto& log = dialogs().Log();
  ASSERT_EQ(log.size(), 6u);
  EXPECT_FALSE(log[2].unanswered);
  EXPECT_TRUE(log[3].unanswered);

  // An answer that is not a button of the dialog is a script error, not a silent substitute.
  dialogs().Answer(mrYes);
  EXPECT_THROW(ShowDialog({TMsgDlgType::mtInformation, {}, "Confirma?", mbOKCancel, 0}), Exception);
  EXPECT_THROW(dialogs().Answer(42), Exception);
}

TEST_F(ServicesTest, MessageTablesMatchKeysWithoutRegardToCase) {
  TMessages msg;
  msg.SetName("msgPadrao");
  msg.SetItems(
      {"Filial|Filial", "Inf_Filial|Filial deve ser informada.", "Hora_deve|'%S' não é uma hora válida.", "Url|a|b"});
  TMessages standard;
  standard.SetItems({"Canc|Confirma cancelamento?"});
  msg.SetFallback(&standard);

  EXPECT_EQ(msg.Msg("inf_filial"), "Filial deve ser informada.");
  EXPECT_EQ(msg.Msg("Url"), "a|b");  // only the first bar separates
  EXPECT_EQ(msg.Msg("CANC"), "Confirma cancelamento?");
  EXPECT_EQ(msg.Msg("Hora_deve", {"2561"}), "'2561' não é uma hora válida.");
  EXPECT_FALSE(msg.Contains("Nao_Existe"));

  // ShowMsg with a key logs the key and shows its text; a plain text is shown as it is.
  dialogs().Answer(mrYes);
  EXPECT_EQ(msg.ShowMsg("canc", TMsgDlgType::mtConfirmation, mbYesNo), 6);
  EXPECT_EQ(msg.ShowMsg("Texto livre."), mrOk);
  EXPECT_EQ(dialogs().Texts(), (std::vector<std::string>{"Confirma cancelamento?", "Texto livre."}));

  // Malformed tables are refused whole, keeping the previous one.
  EXPECT_THROW(msg.SetItems({"A|1", "a|2"}), Exception);
  EXPECT_THROW(msg.SetItems({"sem barra"}), Exception);
  EXPECT_EQ(msg.Msg("Filial"), "Filial");
  EXPECT_THROW(standard.SetFallback(&msg), Exception);  // a loop
}

TEST_F(ServicesTest, SinglePickByMatchCancelAndUnanswered) {
  ClientDataSet branches;
  loadBranches(branches);
  lookups().QueuePick({{"CDFILIAL", "0003"}});
  lookups().QueuePickCancel();

  EXPECT_TRUE(Pesquisa::Pesquisar(branches, "Filial|Não há filial cadastrada."));
  EXPECT_EQ(branches.FieldByName("NMFILIAL").AsString(), "Hospital");
  // A cancel leaves the cursor where it was; so does an unanswered lookup.
  EXPECT_FALSE(Pesquisa::Pesquisar(branches, "Filial"));
  EXPECT_FALSE(Pesquisa::Pesquisar(branches, "Filial"));
  EXPECT_EQ(branches.FieldByName("CDFILIAL").AsString(), "0003");

  ASSERT_EQ(lookups().Log().size(), 3u);
  EXPECT_TRUE(lookups().Log()[2].unanswered);

  // A pick of a row the list does not hold is a script error.
  lookups().QueuePick({{"CDFILIAL", "0009"}});
  EXPECT_THROW(Pesquisa::Pesquisar(branches, "Filial"), Exception);

  // An empty list shows its empty text and picks nothing.
  branches.EmptyDataSet();
  lookups().QueuePick({{"CDFILIAL", "0001"}});
  EXPECT_FALSE(Pesquisa::Pesquisar(branches, "Filial|Não há filial cadastrada."));
  EXPECT_EQ(dialogs().Texts().back(), "Não há filial cadastrada.");
  EXPECT_EQ(lookups().PendingPicks(), 1u);
}

TEST_F(ServicesTest, MultiPickGivesTheSelectionText) {
  ClientDataSet branches;
  loadBranches(branches);
  DataSource dts("dtsFilial");
  dts.SetDataSet(&branches);

  // Keys come back in list order, between underscores.
  lookups().QueueMultiPick({"0003", "0001"});
  EXPECT_EQ(Pesqlista::PesquisaLista(dts, "CDFILIAL", "Filial|Filial deve ser informada."), "_0001_0003_");

  // The current selection marks its rows; "T" marks every row; a cancel keeps the selection.
  std::string selection = "_0002_";
  lookups().QueueMultiPickCancel();
  EXPECT_FALSE(Pesqlista::PesquisaLista(dts, "CDFILIAL", "Filial", selection));
  EXPECT_EQ(selection, "_0002_");
  EXPECT_EQ(lookups().Log().back().selected, std::vector<std::string>{"0002"});
  selection = "T";
  lookups().QueueMultiPick({"0002"});
  EXPECT_TRUE(Pesqlista::PesquisaListaMsg(dts, "CDFILIAL", "Filial", selection));
  EXPECT_EQ(lookups().Log().back().selected, (std::vector<std::string>{"0001", "0002", "0003"}));
  EXPECT_EQ(selection, "_0002_");
  // Confirming with nothing chosen gives an empty selection, never "_".
  lookups().QueueMultiPick({});
  EXPECT_TRUE(Pesqlista::PesquisaLista(dts, "CDFILIAL", "Filial", selection));
  EXPECT_EQ(selection, "");
  lookups().QueueMultiPick({"0009"});
  EXPECT_THROW(Pesqlista::PesquisaLista(dts, "CDFILIAL", "Filial"), Exception);

  // Keys that hold underscores still match the current selection by whole key.
  EXPECT_TRUE(Pesqlista::InSelection("_12345_001_77_002_", "12345_001"));
  EXPECT_FALSE(Pesqlista::InSelection("_12345_001_", "345_0"));
  EXPECT_FALSE(Pesqlista::InSelection("", "0001"));
}

TEST_F(ServicesTest, LookupButtonRunsBeforePickAndAfterOnAPick) {
  TForm form;
  auto* btn = form.Create<TBtnPesquisa>("btnFilial", &form);
  ClientDataSet branches;
  loadBranches(branches);
  btn->SetLookupDataSet(&branches);
  btn->SetTitle("Filial");
  btn->SetEmptyError("Não há filial cadastrada.");
  std::vector<std::string> events;
  btn->BeforePesq = [&](TComponent&) {
    events.push_back("before");
    branches.Close();  // as the screens do: the lookup reopens it
  };
  btn->AfterPesq = [&](TComponent&) { events.push_back("after:" + branches.FieldByName("CDFILIAL").AsString()); };
  form.Show();

  lookups().QueuePick({{"NMFILIAL", "Campinas"}});
  EXPECT_TRUE(UserActions::Click(*btn).ok());
  lookups().QueuePickCancel();
  EXPECT_TRUE(UserActions::Click(*btn).ok());
  EXPECT_EQ(events, (std::vector<std::string>{"before", "after:0002", "before"}));
}

TEST_F(ServicesTest, ErrorsOfHandlersAreShownAsErrorDialogs) {
  TForm form;
  auto* btn = form.Create<TButton>("btnFalha", &form);
  int clicks = 0;
  btn->OnClick = [&](TComponent&) {
    if (++clicks == 1) throw Exception("Filial não cadastrada.");
    Abort();
  };
  form.Show();
  EXPECT_EQ(UserActions::Click(*btn).status, ActionResult::Status::Failed);
  EXPECT_EQ(UserActions::Click(*btn).status, ActionResult::Status::Aborted);
  ASSERT_EQ(dialogs().Log().size(), 1u);  // the abort is silent
  EXPECT_EQ(dialogs().Log()[0].kind, TMsgDlgType::mtError);

  // The framework's own yes/no confirmations go through the dialogs too.
  dialogs().Answer(mrNo);
  EXPECT_FALSE(Application().Confirm("Excluir o registro?"));
}

}  // namespace
}  // namespace cad::test
