// Internal state of DataSet, shared by the dataset and field units; not part of the interface.
//
// Storage model: `rows` is the storage order (kept in index order when IndexFieldNames is set).
// A row loaded from a packet refers to the packet's row by number (the packet is immutable and
// kept alive) and its values are read from the packet's columns, so loading copies no values;
// a row gets values of its own only when it is changed (`cur`) or when its changes are merged
// (`base`). The change log is the status of each row plus the rows
// deleted since the last merge. The cursor is an index into the display list: all rows, or the
// filtered subset `view` (storage positions, ascending) when a filter is active. A row being
// inserted sits in `rows` at its display place with no values; its values live in `buf` until it
// is posted, like the values of a row in edit.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/data/dataset.h"
#include "platform/data/filter.h"

namespace cad {

using Values = std::vector<Variant>;

enum class RowStatus : uint8_t { Base, Inserted, Modified };

struct Row {
  Bookmark id = 0;
  static constexpr uint32_t kNoPkt = UINT32_MAX;
  uint32_t pkt = kNoPkt;         // row of the loaded packet holding the base values
  std::unique_ptr<Values> base;  // base values by data slot (then pkt is null)
  std::unique_ptr<Values> cur;   // current values by data slot, when changed since the base
  uint64_t seq = 0;              // order of the last logged change (Delta lists changes in order)
  uint32_t baseOrd = 0;          // position in the base data; CancelUpdates restores it
  RowStatus status = RowStatus::Base;
  bool visible = true;  // passes the active filter (cached)
};

struct DataSet::Impl {
  explicit Impl(DataSet& s) : self(s) {}

  DataSet& self;
  DataSetState state = DataSetState::Inactive;
  bool calcState = false;  // OnCalcFields is running: State() reports CalcFields

  // ---- fields
  std::vector<std::unique_ptr<Field>> fields;  // persistent first, then dynamic
  size_t persistentCount = 0;
  std::vector<std::unique_ptr<Field>> retired;  // dynamic fields dropped by a later load, kept so
                                                // pointers held by controls never dangle
  std::vector<Field*> dataFields;               // by data slot
  std::vector<Field*> calcFields;               // by calculated slot

  // ---- storage and change log
  PacketPtr packet;             // the loaded packet that rows' pkt pointers refer to
  std::vector<int> colMap;      // data slot -> packet column, -1 when the packet lacks the field
  bool identityFields = false;  // the data fields are exactly the packet's columns
  bool pristine = false;        // rows are the packet's rows, unchanged and in packet order
  bool loaded = false;          // rows hold data (SetData, CreateDataSet or fetched)
  bool fetched = false;         // the data came from fetchData: Close drops it, Refresh re-fetches
  std::vector<Row> rows;
  std::vector<Row> deleted;  // logged deletions, with their base values
  Bookmark nextId = 1;
  uint64_t nextSeq = 1;

  // ---- display list and cursor
  bool filtering = false;  // `view` holds the visible subset
  std::vector<uint32_t> view;
  int cur = -1;  // display index of the current row; -1 when there is none
  bool bof = true, eof = true;
  int pending = -1;  // storage position of the row being inserted
  int prevCur = -1;  // display index to return to when the insert is cancelled
  bool prevBof = true, prevEof = true;

  // ---- record buffers
  Values buf;  // values of the row in edit or insert
  bool modified = false;
  Values calc;                   // calculated values of the record being read
  const Row* readRow = nullptr;  // another row being read (ReadRow, filters, lookups)
  bool readBuf = false;          // ... whose values are those of `buf`

  // ---- filter and index
  std::string filterText;
  std::unique_ptr<FilterExpr> filter;
  bool filtered = false;
  bool filterUsesCalc = false;
  std::string indexText;
  std::vector<int> indexSlots;
  std::vector<bool> indexDesc;  // per index field: descending ("Field DESC")

  // ---- controls
  int disableCount = 0;
  DataSetState disableState = DataSetState::Inactive;
  std::vector<DataSource*> sources;

  // ---- helpers (dataset.cpp)
  static int slotOf(const Field& f) { return f.slot_; }
  bool editing() const { return state == DataSetState::Edit || state == DataSetState::Insert; }
  int count() const { return filtering ? static_cast<int>(view.size()) : static_cast<int>(rows.size()); }
  int rowAt(int display) const { return filtering ? static_cast<int>(view[static_cast<size_t>(display)]) : display; }
  int displayOf(int rowPos) const;
  int displayOfId(Bookmark id) const;
  int editRow() const;  // storage position of the row in edit or insert
  Variant stored(const Row& r, int slot) const;
  Values values(const Row& r) const;
  Values baseValues(const Row& r) const;
  Variant fieldValue(const Field& f) const;

  Field& addPersistent(const FieldDef& def, FieldKind kind);
  void insertRow(bool append);
  void dropPending();
  void beginScroll();  // active check, CheckBrowseMode, BeforeScroll
  // Moves the cursor and sets Bof/Eof; recomputes calculated fields and notifies the sources
  // when anything changed (always when rowsChanged).
  void setCursor(int to, bool newBof, bool newEof, bool rowsChanged = false);
  // After the rows changed: to display row `at`, else the position nearest `oldPos`.
  void resync(int at, int oldPos);
  void refilterToFirst();
  void checkActive() const;
  void checkCanModify() const;
  void computeCalc();
  void rebuildView();
  bool filterActive() const;
  bool evalFilter(const Row& r);
  void applyFilter();
  bool bindFilter(FilterExpr& fx);  // returns whether it reads calculated fields
  std::vector<int> resolveIndex(const std::string& names, std::vector<bool>& desc) const;
  int compareRows(const Row& a, const Row& b) const;
  void sortRows();
  int placeByIndex(int r);
  void recheckPristine();
  void prepareRows();
  void bindFields(const std::vector<FieldDef>& cols);
  void load(PacketPtr p, bool fromFetch);
  void unload();
  std::vector<FieldDef> dataDefs() const;

  void sendStateChange();
  void sendDataSetChanged();
  void sendRecordChanged(Field* f);
  void sendUpdateData();
};

}  // namespace cad
