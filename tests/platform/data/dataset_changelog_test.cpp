// Change log (Delta, ChangeCount, MergeChangeLog, CancelUpdates), packets in and out, emptying
// and read-only datasets.
#include <gtest/gtest.h>

#include "platform/core/errors.h"
#include "platform/data/dataset.h"
#include "tests/platform/data/data_fixtures.h"

namespace cad {
namespace {

using Texts = std::vector<std::string>;
using Row = std::vector<Variant>;

class ChangeLog : public ::testing::Test {
 protected:
  ClientDataSet ds{"cds"};
  void SetUp() override { ds.SetData(test::people({{1, "Ana"}, {2, "Bia"}, {3, "Caio"}})); }
  void set(const char* field, const Variant& v) { ds.FieldByName(field).SetValue(v); }
};

TEST_F(ChangeLog, DeltaRecordsEachRowOnceWithItsOriginalValues) {
  ds.Locate("CODIGO", 2);
  ds.Edit();
  set("NOME", "Bia 2");
  ds.Post();
  ds.Edit();  // a second change of the same row is still one modification of the base row
  set("NOME", "Bia 3");
  ds.Post();
  ds.Append();
  set("CODIGO", 4);
  set("NOME", "Davi");
  ds.Post();
  ds.Edit();  // inserted then modified: one insert with the last values
  set("NOME", "Davi 2");
  ds.Post();
  ds.Append();  // inserted then deleted: nothing
  set("CODIGO", 5);
  ds.Post();
  ds.Delete();
  ds.Locate("CODIGO", 3);
  ds.Edit();  // modified then deleted: one delete with the base row's values
  set("NOME", "Caio 2");
  ds.Post();
  ds.Delete();
  EXPECT_EQ(ds.ChangeCount(), 3);

  PacketPtr d = ds.Delta();
  ASSERT_TRUE(d->delta);
  EXPECT_EQ(d->kinds, (std::vector<ChangeKind>{ChangeKind::Modified, ChangeKind::Inserted, ChangeKind::Deleted}));
  EXPECT_EQ(d->rows, (std::vector<Row>{{2, "Bia 3"}, {4, "Davi 2"}, {3, "Caio"}}));
  EXPECT_EQ(d->original, (std::vector<Row>{{2, "Bia"}, {}, {3, "Caio"}}));

  ds.MergeChangeLog();
  EXPECT_EQ(ds.ChangeCount(), 0);
  EXPECT_EQ(ds.Data()->rows, (std::vector<Row>{{1, "Ana"}, {2, "Bia 3"}, {4, "Davi 2"}}));

  // After a merge the merged values are the originals of the next change.
  ds.First();
  ds.Next();
  ds.Edit();
  set("NOME", "Bia 4");
  ds.Post();
  EXPECT_EQ(ds.Delta()->original[0], (Row{2, "Bia 3"}));
}

TEST_F(ChangeLog, CancelUpdatesRestoresTheBase) {
  ds.Last();
  ds.Edit();
  set("NOME", "Caio 2");
  ds.Post();
  ds.First();
  ds.Delete();
  ds.Append();
  set("CODIGO", 9);
  ds.Post();
  ds.Edit();
  set("NOME", "em edição");
  ds.CancelUpdates();  // also drops the edit in progress
  EXPECT_EQ(ds.State(), DataSetState::Browse);
  EXPECT_EQ(ds.Data()->rows, (std::vector<Row>{{1, "Ana"}, {2, "Bia"}, {3, "Caio"}}));
  EXPECT_FALSE(ds.FieldByName("CODIGO").IsNull());  // the inserted row is gone; the cursor is on a real row

  // Restored rows come back in base order and then take their index places.
  ds.SetIndexFieldNames("NOME");
  ds.First();
  ds.Edit();
  set("NOME", "Zeca");
  ds.Post();
  ds.MergeChangeLog();  // base order now Bia, Caio, Zeca
  ds.SetIndexFieldNames("CODIGO");
  ds.Locate("CODIGO", 2);
  ds.Delete();
  ds.CancelUpdates();
  EXPECT_EQ(test::column(ds, "NOME"), (Texts{"Zeca", "Bia", "Caio"}));
}

TEST_F(ChangeLog, WithoutLoggingChangesGoStraightToTheBase) {
  ds.LogChanges = false;
  ds.Edit();
  set("NOME", "Ana 2");
  ds.Post();
  ds.Append();
  set("CODIGO", 4);
  ds.Post();
  ds.Prior();
  ds.Delete();
  EXPECT_EQ(ds.ChangeCount(), 0);
  ds.CancelUpdates();
  EXPECT_EQ(ds.Data()->rows, (std::vector<Row>{{1, "Ana 2"}, {2, "Bia"}, {4, Variant()}}));
}

TEST_F(ChangeLog, EmptyDataSetLogsBaseRowsAsDeletes) {
  ds.Append();
  set("CODIGO", 4);
  ds.Post();
  ds.EmptyDataSet();
  EXPECT_EQ(ds.ChangeCount(), 3);  // the inserted row was never in the base
  PacketPtr d = ds.Delta();
  for (ChangeKind k : d->kinds) EXPECT_EQ(k, ChangeKind::Deleted);
  ds.CancelUpdates();
  EXPECT_EQ(ds.RecordCount(), 3);
}

TEST_F(ChangeLog, PacketsInAndOut) {
  // Data copies a dataset, in index order, without the row being inserted.
  ds.SetIndexFieldNames("NOME");
  ds.Edit();
  set("NOME", "Zoe");
  ds.Post();
  ds.Append();
  set("CODIGO", 7);
  ClientDataSet copy;
  copy.SetData(ds.Data());
  EXPECT_EQ(test::column(copy, "NOME"), (Texts{"Bia", "Caio", "Zoe"}));
  ds.Cancel();

  // An unchanged load hands back the same rows; any change shows in the next Data.
  PacketPtr p = test::people({{5, "Eva"}});
  copy.SetData(p);
  EXPECT_EQ(copy.Data(), p);
  copy.Edit();
  copy.FieldByName("NOME").SetValue("Eva 2");
  copy.Post();
  EXPECT_EQ(copy.Data()->rows, (std::vector<Row>{{5, "Eva 2"}}));
  EXPECT_EQ(p->rows[0][1], Variant("Eva"));  // the loaded packet is never written

  auto delta = std::make_shared<Packet>(*copy.Delta());
  EXPECT_THROW(copy.SetData(delta), Exception);
  EXPECT_TRUE(copy.Active());
}

TEST(DataSetCreate, CreateDataSetReadOnlyAndPersistentFields) {
  ClientDataSet ds;
  EXPECT_THROW(ds.CreateDataSet(), Exception);  // no field definitions
  ds.FieldDefs = {test::def("A", FieldType::Integer), test::def("B", FieldType::String, 3)};
  ds.CreateDataSet();
  test::EventLog log(ds);
  ds.Append();
  ds.FieldByName("A").SetValue(1);
  ds.Post();
  log.take();

  ds.ReadOnly = true;
  for (auto op : {&DataSet::Insert, &DataSet::Append, &DataSet::Edit, &DataSet::Delete}) {
    try {
      (ds.*op)();
      ADD_FAILURE() << "read-only dataset accepted a change";
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), "Conjunto de dados somente leitura.");
    }
  }
  EXPECT_EQ(log.take(), test::Events{});  // refused before any event
  EXPECT_EQ(ds.RecordCount(), 1);

  // Persistent fields: mapped by name without regard to case, missing ones read null, extra
  // packet columns become dynamic fields.
  ClientDataSet p;
  Field& nome = p.AddField(test::def("nome", FieldType::String, 4));
  Field& falta = p.AddField(test::def("FALTA", FieldType::Integer));
  p.SetData(test::people({{1, "Fernanda"}}));
  EXPECT_EQ(nome.AsString(), "Fernanda");  // loaded values are kept as they came
  EXPECT_TRUE(falta.IsNull());
  EXPECT_EQ(p.Fields(2).AsInteger(), 1);
  EXPECT_THROW(p.AddField(test::def("OUTRO")), Exception);  // open
  p.Close();
  p.CreateDataSet();
  EXPECT_EQ(p.FieldCount(), 2);  // the persistent fields only
}

}  // namespace
}  // namespace cad
