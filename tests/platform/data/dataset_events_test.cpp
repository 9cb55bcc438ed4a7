// Event order and state machine of the dataset core: every operation, the automatic post or
// cancel when a record is left, refusals by Before... handlers, insert placement and index order.
#include <gtest/gtest.h>

#include <utility>

#include "platform/core/errors.h"
#include "platform/data/dataset.h"
#include "tests/platform/data/data_fixtures.h"

namespace cad {
namespace {

using test::Events;

class DataSetEvents : public ::testing::Test {
 protected:
  ClientDataSet ds{"cds"};
  test::EventLog log{ds};
  void load() {
    ds.SetData(test::people({{1, "Ana"}, {2, "Bia"}, {3, "Caio"}}));
    log.take();
  }
  std::string name() { return ds.FieldByName("NOME").AsString(); }
};

TEST_F(DataSetEvents, OpenCloseAndNavigation) {
  ds.SetData(test::people({{1, "Ana"}, {2, "Bia"}, {3, "Caio"}}));
  EXPECT_EQ(log.take(), (Events{"BeforeOpen", "AfterOpen", "AfterScroll"}));
  EXPECT_TRUE(ds.Bof());

  const Events scroll{"BeforeScroll", "AfterScroll"};
  ds.Last();
  EXPECT_EQ(log.take(), scroll);
  EXPECT_TRUE(ds.Eof());
  ds.Next();  // at the end: still fires, does not move
  EXPECT_EQ(log.take(), scroll);
  EXPECT_EQ(ds.RecNo(), 3);
  ds.Prior();
  EXPECT_EQ(ds.MoveBy(5), 1);
  EXPECT_EQ(ds.MoveBy(-5), -2);
  EXPECT_TRUE(ds.Bof());
  log.take();
  EXPECT_TRUE(ds.Locate("CODIGO", 2));
  EXPECT_EQ(log.take(), scroll);
  EXPECT_FALSE(ds.Locate("CODIGO", 9));
  EXPECT_EQ(log.take(), Events{});
  EXPECT_EQ(ds.RecNo(), 2);

  ds.Close();
  EXPECT_EQ(log.take(), (Events{"BeforeClose", "AfterClose"}));
  ds.Open();  // loaded data survives a close
  EXPECT_EQ(log.take(), (Events{"BeforeOpen", "AfterOpen", "AfterScroll"}));
  EXPECT_EQ(ds.RecordCount(), 3);

  ds.SetData(test::people({}));
  EXPECT_EQ(log.take(), (Events{"BeforeClose", "AfterClose", "BeforeOpen", "AfterOpen"}));
  EXPECT_TRUE(ds.IsEmpty());
  EXPECT_TRUE(ds.Bof() && ds.Eof());
}

TEST_F(DataSetEvents, EditPostCancelInsertDelete) {
  load();
  ds.Edit();
  EXPECT_EQ(log.take(), (Events{"BeforeEdit", "AfterEdit"}));
  ds.Edit();  // already editing: nothing
  EXPECT_EQ(log.take(), Events{});
  ds.FieldByName("NOME").SetValue("Ana Maria");
  ds.Post();
  EXPECT_EQ(log.take(), (Events{"BeforePost", "AfterPost"}));
  EXPECT_EQ(name(), "Ana Maria");

  ds.Edit();
  ds.Post();  // nothing changed: still a post
  EXPECT_EQ(log.take(), (Events{"BeforeEdit", "AfterEdit", "BeforePost", "AfterPost"}));
  EXPECT_THROW(ds.Post(), Exception);  // not editing

  ds.Edit();
  ds.FieldByName("NOME").SetValue("x");
  ds.Cancel();
  EXPECT_EQ(log.take(), (Events{"BeforeEdit", "AfterEdit", "BeforeCancel", "AfterCancel"}));
  EXPECT_EQ(name(), "Ana Maria");

  const Events insert{"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll"};
  ds.Insert();
  EXPECT_EQ(log.take(), insert);
  ds.Cancel();
  EXPECT_EQ(log.take(), (Events{"BeforeCancel", "AfterCancel"}));
  ds.Append();
  EXPECT_EQ(log.take(), insert);
  ds.Delete();  // deleting a row being inserted cancels it
  EXPECT_EQ(log.take(), (Events{"BeforeCancel", "AfterCancel"}));

  ds.Next();
  log.take();
  ds.Delete();
  EXPECT_EQ(log.take(), (Events{"BeforeDelete", "BeforeScroll", "AfterDelete", "AfterScroll"}));
  EXPECT_EQ(name(), "Caio");
  ds.Delete();  // the last row: the cursor falls back to the new last
  EXPECT_EQ(name(), "Ana Maria");
  ds.Delete();
  EXPECT_TRUE(ds.IsEmpty());
  log.take();
  EXPECT_THROW(ds.Delete(), Exception);
  ds.Edit();  // editing an empty dataset inserts
  EXPECT_EQ(log.take(), insert);
}

TEST_F(DataSetEvents, LeavingARecordPostsOrCancels) {
  load();
  const Events scroll{"BeforeScroll", "AfterScroll"};
  ds.Edit();
  ds.FieldByName("NOME").SetValue("Ana 2");
  log.take();
  ds.Next();
  EXPECT_EQ(log.take(), (Events{"BeforePost", "AfterPost", "BeforeScroll", "AfterScroll"}));
  ds.Edit();
  log.take();
  ds.Prior();
  EXPECT_EQ(log.take(), (Events{"BeforeCancel", "AfterCancel", "BeforeScroll", "AfterScroll"}));
  EXPECT_EQ(name(), "Ana 2");

  // Insert while editing posts first; Locate while inserting posts the new row.
  ds.Edit();
  ds.FieldByName("NOME").SetValue("Ana 3");
  log.take();
  ds.Append();
  EXPECT_EQ(log.take(), (Events{"BeforePost", "AfterPost", "BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert",
                                "AfterScroll"}));
  ds.FieldByName("CODIGO").SetValue(4);
  ds.FieldByName("NOME").SetValue("Davi");
  EXPECT_TRUE(ds.Locate("CODIGO", 2));
  EXPECT_EQ(log.take(), (Events{"BeforePost", "AfterPost", "BeforeScroll", "AfterScroll"}));
  EXPECT_EQ(ds.RecordCount(), 4);

  // An insert with nothing typed is cancelled by any move: values set by OnNewRecord don't count.
  ds.OnNewRecord = [](DataSet& d) { d.FieldByName("NOME").SetValue("padrão"); };
  ds.Insert();
  ds.First();
  EXPECT_EQ(ds.RecordCount(), 4);
  log.take();

  ds.Edit();
  ds.FieldByName("NOME").SetValue("Ana 4");
  log.take();
  ds.Close();
  EXPECT_EQ(log.take(), (Events{"BeforePost", "AfterPost", "BeforeClose", "AfterClose"}));
  ds.Open();
  EXPECT_EQ(name(), "Ana 4");

  ds.Edit();
  ds.FieldByName("NOME").SetValue("perdido?");
  log.take();
  ds.SetData(test::people({{7, "Gil"}}));
  EXPECT_EQ(log.take(),
            (Events{"BeforePost", "AfterPost", "BeforeClose", "AfterClose", "BeforeOpen", "AfterOpen", "AfterScroll"}));
}

TEST_F(DataSetEvents, ExceptionFromBeforeHandlerChangesNothing) {
  load();
  auto refuse = [](DataSet&) { Abort(); };

  ds.Edit();
  ds.FieldByName("NOME").SetValue("Ana X");
  ds.BeforePost = refuse;
  EXPECT_THROW(ds.Post(), EAbort);
  EXPECT_THROW(ds.Next(), EAbort);  // the automatic post is refused too: no move
  EXPECT_EQ(ds.State(), DataSetState::Edit);
  EXPECT_EQ(ds.RecNo(), 1);
  EXPECT_EQ(name(), "Ana X");
  ds.BeforeCancel = refuse;
  EXPECT_THROW(ds.Cancel(), EAbort);
  EXPECT_EQ(ds.State(), DataSetState::Edit);
  ds.BeforeCancel = nullptr;
  ds.Cancel();
  EXPECT_EQ(name(), "Ana");

  ds.BeforeScroll = refuse;
  EXPECT_THROW(ds.Locate("CODIGO", 3), EAbort);
  EXPECT_EQ(ds.RecNo(), 1);
  EXPECT_THROW(ds.Insert(), EAbort);  // BeforeScroll comes after BeforeInsert
  EXPECT_EQ(ds.State(), DataSetState::Browse);
  EXPECT_EQ(ds.RecordCount(), 3);
  EXPECT_THROW(ds.SetFiltered(true), EAbort);
  EXPECT_FALSE(ds.Filtered());
  ds.BeforeScroll = nullptr;

  ds.BeforeDelete = refuse;
  EXPECT_THROW(ds.Delete(), EAbort);
  EXPECT_EQ(ds.RecordCount(), 3);
  ds.BeforeEdit = refuse;
  EXPECT_THROW(ds.Edit(), EAbort);
  EXPECT_EQ(ds.State(), DataSetState::Browse);

  ds.OnNewRecord = [](DataSet&) { throw Exception("sem padrão"); };
  ds.Next();
  EXPECT_THROW(ds.Insert(), Exception);
  EXPECT_EQ(ds.State(), DataSetState::Browse);
  EXPECT_EQ(name(), "Bia");

  ds.BeforeClose = refuse;
  EXPECT_THROW(ds.Close(), EAbort);
  EXPECT_TRUE(ds.Active());
  EXPECT_THROW(ds.SetData(test::people({})), EAbort);
  EXPECT_EQ(ds.RecordCount(), 3);
}

TEST_F(DataSetEvents, HandlersThatChangeTheDataSetStopTheOperationSafely) {
  load();
  ds.BeforeDelete = [](DataSet& d) { d.EmptyDataSet(); };
  EXPECT_THROW(ds.Delete(), Exception);
  EXPECT_TRUE(ds.IsEmpty());
  ds.BeforeDelete = nullptr;

  load();
  ds.Edit();
  ds.FieldByName("NOME").SetValue("x");
  ds.BeforePost = [](DataSet& d) { d.Cancel(); };
  EXPECT_THROW(ds.Post(), Exception);
  EXPECT_EQ(ds.State(), DataSetState::Browse);
  ds.BeforePost = nullptr;

  ds.Edit();
  ds.FieldByName("NOME").OnValidate = [](Field& f) { f.Owner().Cancel(); };
  ds.FieldByName("NOME").SetValue("y");
  EXPECT_EQ(ds.State(), DataSetState::Browse);
  EXPECT_EQ(name(), "Ana");

  ds.Last();
  bool once = true;
  ds.BeforeScroll = [&once](DataSet& d) {
    if (std::exchange(once, false)) d.Delete();
  };
  EXPECT_THROW(ds.Locate("CODIGO", 3), Exception);  // the row it was going to is gone
  EXPECT_EQ(ds.RecordCount(), 2);
}

TEST_F(DataSetEvents, InsertPlacementAndCancelReturn) {
  load();
  ds.Next();  // on Bia
  ds.Insert();
  EXPECT_EQ(ds.RecNo(), 2);
  EXPECT_EQ(ds.RecordCount(), 3);  // the new row counts once posted
  ds.Cancel();
  EXPECT_EQ(name(), "Bia");

  ds.Last();
  ds.Insert();
  ds.FieldByName("CODIGO").SetValue(10);
  ds.Post();
  EXPECT_EQ(test::column(ds, "CODIGO"), (std::vector<std::string>{"1", "2", "10", "3"}));
  EXPECT_EQ(ds.RecNo(), 3);

  ds.First();
  ds.Append();
  EXPECT_EQ(ds.RecNo(), 5);
  ds.Cancel();
  EXPECT_EQ(ds.RecNo(), 1);  // back where it was
}

TEST_F(DataSetEvents, IndexKeepsRowsOrderedAndCursorOnPostedRow) {
  ds.SetIndexFieldNames("GRUPO;CODIGO");
  ds.SetData(test::packet({test::def("GRUPO", FieldType::Integer), test::def("CODIGO", FieldType::Integer)},
                          {{2, 1}, {1, 5}, {2, 0}, {1, 2}}));
  auto order = [&] { return test::column(ds, "CODIGO"); };
  EXPECT_EQ(order(), (std::vector<std::string>{"2", "5", "0", "1"}));

  ds.Insert();  // placed before the current row, then moved to its index place
  ds.FieldByName("GRUPO").SetValue(1);
  ds.FieldByName("CODIGO").SetValue(3);
  ds.Post();
  EXPECT_EQ(order(), (std::vector<std::string>{"2", "3", "5", "0", "1"}));
  EXPECT_EQ(ds.RecNo(), 2);

  ds.Edit();
  ds.FieldByName("GRUPO").SetValue(3);
  ds.Post();
  EXPECT_EQ(order(), (std::vector<std::string>{"2", "5", "0", "1", "3"}));
  EXPECT_EQ(ds.RecNo(), 5);

  ds.First();  // a change that keeps the key order leaves the row in place
  ds.Edit();
  ds.FieldByName("CODIGO").SetValue(4);
  ds.Post();
  EXPECT_EQ(order(), (std::vector<std::string>{"4", "5", "0", "1", "3"}));
  EXPECT_EQ(ds.RecNo(), 1);

  ds.Locate("CODIGO", 0);
  ds.SetIndexFieldNames("CODIGO");  // re-sorted, cursor stays on its row
  EXPECT_EQ(order(), (std::vector<std::string>{"0", "1", "3", "4", "5"}));
  EXPECT_EQ(ds.RecNo(), 1);
  ds.SetIndexFieldNames("CODIGO desc");  // descending, and a posted row finds its place in it
  EXPECT_EQ(order(), (std::vector<std::string>{"5", "4", "3", "1", "0"}));
  EXPECT_EQ(ds.RecNo(), 5);
  ds.Edit();
  ds.FieldByName("CODIGO").SetValue(6);
  ds.Post();
  EXPECT_EQ(order(), (std::vector<std::string>{"6", "5", "4", "3", "1"}));
  EXPECT_EQ(ds.RecNo(), 1);
  ds.SetIndexFieldNames("GRUPO DESC;CODIGO");  // mixed directions
  EXPECT_EQ(order(), (std::vector<std::string>{"3", "1", "6", "4", "5"}));
  EXPECT_THROW(ds.SetIndexFieldNames("NADA"), Exception);
  EXPECT_EQ(ds.IndexFieldNames(), "GRUPO DESC;CODIGO");
}

TEST_F(DataSetEvents, BookmarksDisplayRowsAndFieldIdentity) {
  load();
  ds.Last();
  Bookmark caio = ds.GetBookmark();
  ds.First();
  ds.Insert();  // bookmarks survive inserts, index changes and filters
  ds.FieldByName("CODIGO").SetValue(0);
  ds.Post();
  ds.SetIndexFieldNames("NOME");
  ASSERT_TRUE(ds.BookmarkValid(caio));
  ds.GotoBookmark(caio);
  EXPECT_EQ(name(), "Caio");
  ds.SetFilter("CODIGO < 3");
  ds.SetFiltered(true);
  EXPECT_THROW(ds.GotoBookmark(caio), Exception);  // hidden by the filter
  ds.SetFiltered(false);

  // A grid painting other rows sees the values being typed in the current one.
  ds.GotoBookmark(caio);
  ds.Edit();
  ds.FieldByName("NOME").SetValue("Caio digitando");
  EXPECT_EQ(test::column(ds, "NOME"), (std::vector<std::string>{"", "Ana", "Bia", "Caio digitando"}));
  EXPECT_THROW(ds.ReadRow(0, [&] { ds.FieldByName("NOME").SetValue("x"); }), Exception);
  ds.Delete();  // deleting the row in edit drops the typed values with it
  EXPECT_EQ(ds.RecordCount(), 3);
  EXPECT_FALSE(ds.BookmarkValid(caio));
  EXPECT_THROW(ds.ReadRow(3, [] {}), Exception);

  // Reloading a packet with the same columns keeps the same field objects.
  ds.SetIndexFieldNames("");
  Field* nome = &ds.FieldByName("NOME");
  nome->DisplayLabel = "Nome";
  ds.SetData(test::people({{8, "Hugo"}}));
  EXPECT_EQ(&ds.FieldByName("NOME"), nome);
  EXPECT_EQ(nome->AsString(), "Hugo");
  ds.SetData(test::packet({test::def("OUTRO")}, {{"x"}}));
  EXPECT_EQ(ds.FindField("NOME"), nullptr);
  EXPECT_TRUE(nome->IsNull());  // dropped by the load, still safe to touch
  EXPECT_THROW(nome->SetValue("y"), Exception);
  ds.SetData(test::people({{9, "Ivo"}}));
  EXPECT_EQ(&ds.FieldByName("NOME"), nome);
  EXPECT_EQ(nome->DisplayLabel, "Nome");
}

}  // namespace
}  // namespace cad
