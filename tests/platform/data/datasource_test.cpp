// Data sources and links: notifications, DisableControls nesting, write-back before post, focus
// requests and detaching on destruction.
#include <gtest/gtest.h>

#include <memory>

#include "platform/data/dataset.h"
#include "tests/platform/data/data_fixtures.h"

namespace cad {
namespace {

// A control stand-in: counts notifications, holds pending text for one field.
class CountingLink : public DataLink {
 public:
  int active = 0, dataSet = 0, record = 0, editing = 0, update = 0;
  Field* lastField = nullptr;
  std::string field, pending;
  bool focused = false;

  void ActiveChanged() override { ++active; }
  void DataSetChanged() override { ++dataSet; }
  void RecordChanged(Field* f) override {
    ++record;
    lastField = f;
  }
  void EditingChanged() override { ++editing; }
  void UpdateData() override {
    ++update;
    if (!pending.empty()) GetDataSet()->FieldByName(field).SetText(std::exchange(pending, {}));
  }
  bool FocusControl(Field& f) override {
    if (f.FieldName() != field) return false;
    focused = true;
    return true;
  }
  int total() const { return active + dataSet + record + editing + update; }
};

TEST(DataSource, NotificationsFollowTheDataSet) {
  ClientDataSet ds;
  DataSource src;
  CountingLink link;
  std::vector<std::string> states;
  src.OnStateChange = [&](DataSource& s) { states.push_back(stateName(s.State())); };
  int dataChanges = 0;
  Field* changed = nullptr;
  src.OnDataChange = [&](DataSource&, Field* f) {
    ++dataChanges;
    changed = f;
  };
  src.SetDataSet(&ds);
  link.SetSource(&src);
  ds.SetData(test::people({{1, "Ana"}, {2, "Bia"}}));
  EXPECT_EQ(link.active, 1);
  ds.Next();
  EXPECT_EQ(link.dataSet, 1);
  src.Edit();  // AutoEdit puts the dataset into edit
  EXPECT_EQ(link.editing, 1);
  ds.FieldByName("NOME").SetValue("Bia 2");
  EXPECT_EQ(link.lastField, &ds.FieldByName("NOME"));
  EXPECT_EQ(changed, &ds.FieldByName("NOME"));
  ds.Post();
  ds.Close();
  EXPECT_EQ(states, (std::vector<std::string>{"browse", "edit", "browse", "inactive"}));
  EXPECT_GT(dataChanges, 3);

  src.AutoEdit = false;
  ds.Open();
  src.Edit();
  EXPECT_EQ(ds.State(), DataSetState::Browse);
  src.SetEnabled(false);  // a disabled source passes nothing on
  EXPECT_EQ(src.State(), DataSetState::Inactive);
  EXPECT_EQ(link.active, 4);  // opened, then disabled
  int redraws = link.dataSet;
  ds.Next();
  EXPECT_EQ(link.dataSet, redraws);
}

TEST(DataSource, DisableControlsNestsAndEndsWithOneChange) {
  ClientDataSet ds;
  ds.SetData(test::people({{1, "Ana"}, {2, "Bia"}, {3, "Caio"}}));
  DataSource src;
  src.SetDataSet(&ds);
  CountingLink link;
  link.SetSource(&src);
  int before = link.total();
  int scrolls = 0;
  ds.AfterScroll = [&](DataSet&) { ++scrolls; };

  ds.DisableControls();
  ds.DisableControls();
  ds.Next();
  ds.Edit();
  ds.FieldByName("NOME").SetValue("x");
  ds.Post();
  ds.Delete();
  ds.EnableControls();
  EXPECT_TRUE(ds.ControlsDisabled());
  ds.Last();
  EXPECT_EQ(link.total(), before);  // nothing reached the control
  EXPECT_EQ(scrolls, 3);            // dataset events still run
  ds.EnableControls();
  EXPECT_EQ(link.total(), before + 1);  // one redraw
  ds.EnableControls();                  // unmatched: ignored
  EXPECT_EQ(link.total(), before + 1);

  // A state change while disabled is reported at the end, then one redraw.
  ds.DisableControls();
  ds.Edit();
  ds.EnableControls();
  EXPECT_EQ(link.editing, 1);
  EXPECT_EQ(link.dataSet, 2);
}

// The write-back before post is covered through the data-aware edits (dbcontrols_test); here,
// the pending text of a link counts as a change when the record is left, and a focus request
// reaches only the link of its field.
TEST(DataSource, PendingTextPostsOnLeavingAndFocusReachesItsLink) {
  ClientDataSet ds;
  ds.SetData(test::people({{1, "Ana"}}));
  DataSource src;
  src.SetDataSet(&ds);
  CountingLink code, name;
  code.field = "CODIGO";
  name.field = "NOME";
  code.SetSource(&src);
  name.SetSource(&src);
  ds.Edit();
  name.pending = "Ana 3";
  ds.Next();
  EXPECT_EQ(ds.FieldByName("NOME").AsString(), "Ana 3");
  EXPECT_EQ(ds.State(), DataSetState::Browse);

  ds.FieldByName("NOME").FocusControl();
  EXPECT_TRUE(name.focused);
  EXPECT_FALSE(code.focused);
}

TEST(DataSource, DestructionDetaches) {
  auto ds = std::make_unique<ClientDataSet>();
  auto src = std::make_unique<DataSource>();
  auto link = std::make_unique<CountingLink>();
  ds->SetData(test::people({{1, "Ana"}}));
  src->SetDataSet(ds.get());
  link->SetSource(src.get());
  EXPECT_EQ(ds->sources().size(), 1u);

  link.reset();  // the source forgets the link
  ds->Next();
  link = std::make_unique<CountingLink>();
  link->SetSource(src.get());
  src.reset();  // the link loses its source, the dataset forgets the source
  EXPECT_EQ(link->Source(), nullptr);
  EXPECT_EQ(link->active, 2);
  EXPECT_TRUE(ds->sources().empty());
  ds->Next();

  src = std::make_unique<DataSource>();
  src->SetDataSet(ds.get());
  link->SetSource(src.get());
  ds.reset();  // the source loses its dataset
  EXPECT_EQ(link->GetDataSet(), nullptr);
  EXPECT_EQ(src->State(), DataSetState::Inactive);
}

}  // namespace
}  // namespace cad
