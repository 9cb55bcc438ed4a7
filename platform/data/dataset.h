// DataSet: the one in-memory dataset core. It owns the rows, the cursor, the state machine
// (inactive, browse, edit, insert), the classic event order, fields, filters, index order, the
// change log and the notification of data sources. ClientDataSet (the screens' working data) and
// the query component's result sets are this class or thin subclasses that only supply storage.
//
// Invariants:
//  - Navigation, RecordCount, IsEmpty and Locate see the filtered view only.
//  - Leaving a record in edit or insert posts it when modified, cancels it when not.
//  - An exception thrown by a Before... handler leaves the state unchanged.
//  - With IndexFieldNames set, rows are kept in index order; a posted row takes its place.
//
// Event order:
//   Open / SetData   BeforeOpen, AfterOpen, AfterScroll (when not empty)
//   Close            BeforeClose, AfterClose
//   Insert / Append  BeforeInsert, BeforeScroll, OnNewRecord, AfterInsert, AfterScroll
//   Edit             BeforeEdit, AfterEdit
//   Post             BeforePost, AfterPost
//   Cancel           BeforeCancel, AfterCancel
//   Delete           BeforeDelete, BeforeScroll, AfterDelete, AfterScroll
//   First/Next/Prior/Last/MoveBy/Locate   BeforeScroll, AfterScroll
//   (navigation fires the pair even when it cannot move; Locate finding nothing fires nothing;
//    changing Filter or Filtered on an open dataset goes to the first row with the pair)
//
// Classic details kept: Edit on an empty dataset inserts; Delete while inserting cancels; Post
// outside edit or insert throws; an insert nobody typed into is cancelled (not posted) when the
// record is left; values set by OnNewRecord do not count as typed. RecordCount counts posted rows
// (a row being inserted shows in DisplayCount and keeps IsEmpty false). Posting an edit that
// changed nothing logs nothing. OnCalcFields runs only when there are calculated fields.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/errors.h"
#include "platform/core/packet.h"
#include "platform/core/variant.h"

namespace cad {

class DataSet;
class DataSource;

enum class DataSetState : uint8_t { Inactive, Browse, Edit, Insert, CalcFields };
enum class FieldKind : uint8_t { Data, Calculated };
enum class Alignment : uint8_t { Left, Right, Center };

const char* stateName(DataSetState s);  // "inactive", "browse", "edit", "insert", "calcfields"

// A field object: definition, display properties, events, and access to the value of the
// dataset's current record.
class Field {
 public:
  Field(DataSet& owner, FieldDef def, FieldKind kind);

  const std::string& FieldName() const { return def_.name; }
  FieldType DataType() const { return def_.type; }
  int Size() const { return def_.size; }
  FieldKind Kind() const { return kind_; }
  const FieldDef& Def() const { return def_; }
  int Index() const;
  DataSet& Owner() const { return *owner_; }

  // Display and editing properties.
  bool Required = false;
  bool ReadOnly = false;
  bool Visible = true;
  std::string DisplayLabel;  // defaults to the field name
  int DisplayWidth = 0;      // characters; 0 = from the size
  std::string EditMask;
  std::string DisplayFormat;  // numbers: a format string of cad::formatFloat; dates: a date format
  std::string EditFormat;     // numbers: the format of the edit text (empty: DisplayFormat)
  Alignment Align = Alignment::Left;
  int Tag = 0;
  // Number typing: an integer or float field, or a string field marked Numeric (a figure kept as
  // text), takes only digits, a leading minus when MinValue is below 0, and (a float) one decimal
  // separator of the session. AcceptsText tells whether a text being typed (possibly incomplete:
  // "" or "-") keeps to that; any text suits another field.
  bool Numeric = false;
  double MinValue = 0;
  bool IsNumber() const;
  bool AcceptsText(const std::string& text) const;

  // The name shown to the user: DisplayLabel, or the field name when the label is empty.
  std::string DisplayName() const;

  // Events. OnGetText receives the text to return (prefilled with the default) and whether the
  // display text (true) or the edit text (false) is asked. OnSetText replaces the default store.
  std::function<void(Field&, std::string& text, bool displayText)> OnGetText;
  std::function<void(Field&, const std::string& text)> OnSetText;
  std::function<void(Field&)> OnValidate;  // before a new value is stored; throw to refuse
  std::function<void(Field&)> OnChange;    // after a new value is stored

  // Value of the current record. Setting requires edit or insert state (or calculated fields
  // during OnCalcFields) and throws cad::Exception otherwise; read-only fields refuse too.
  Variant Value() const;
  void SetValue(const Variant& v);
  Variant OldValue() const;  // the value before the current edit (null while inserting)
  bool IsNull() const;
  void Clear();

  // Conversions with the session's settings: floats with the decimal comma, dates in the short
  // date format, booleans "True"/"False". Setting a string to a numeric field parses it and
  // throws cad::Exception ("'x' não é um valor válido para <DisplayName>.") when it is not a number
  // (or breaks the number typing rules above).
  std::string AsString() const;
  void SetAsString(const std::string& s);
  double AsFloat() const;
  void SetAsFloat(double d);
  int64_t AsInteger() const;
  void SetAsInteger(int64_t i);
  DateTime AsDateTime() const;
  void SetAsDateTime(DateTime d);
  bool AsBoolean() const;
  void SetAsBoolean(bool b);

  std::string Text() const;            // edit text (OnGetText with displayText = false)
  void SetText(const std::string& s);  // OnSetText, or AsString
  std::string DisplayText() const;     // OnGetText with displayText = true, or DisplayFormat

  // Asks the data-aware control bound to this field (through any data source) to take the focus.
  void FocusControl();

 private:
  friend class DataSet;
  DataSet* owner_;
  FieldDef def_;
  FieldKind kind_;
  int slot_ = -1;   // position of the value in the record (data or calculated values)
  int index_ = -1;  // position in the dataset's field list; -1 once dropped by a later load
};

struct LocateOptions {
  bool caseInsensitive = false;
  bool partialKey = false;
};

using Bookmark = int64_t;  // stable row identity; 0 = none

using DataSetEvent = std::function<void(DataSet&)>;

class DataSet {
 public:
  explicit DataSet(std::string name = {});
  virtual ~DataSet();
  DataSet(const DataSet&) = delete;
  DataSet& operator=(const DataSet&) = delete;

  std::string Name;
  int Tag = 0;
  bool ReadOnly = false;   // refuses Insert, Edit and Delete
  bool LogChanges = true;  // when false, changes go straight into the base data

  // ---- fields
  // Field definitions used by CreateDataSet when no persistent field was added.
  std::vector<FieldDef> FieldDefs;
  // Persistent fields, declared before opening; data fields map to packet columns by name.
  Field& AddField(const FieldDef& def);
  Field& AddCalcField(const std::string& name, FieldType type, int size = 0);
  Field* FindField(std::string_view name) const;    // case-insensitive
  Field& FieldByName(std::string_view name) const;  // throws cad::Exception when absent
  int FieldCount() const;
  Field& Fields(int index) const;

  // ---- lifecycle
  void Open();
  void Close();
  bool Active() const;
  void SetActive(bool active);
  void CreateDataSet();  // opens empty, fields from persistent fields or FieldDefs
  void EmptyDataSet();   // removes every row (logged as deletes when logging)
  DataSetState State() const;
  // Re-fetches data that came from fetchData (queries) and keeps the cursor on the same row when
  // it can (same index key, else same values, else same position); loaded data is kept and only
  // re-filtered (e.g. after OnFilterRecord changed).
  virtual void Refresh();

  // ---- packets
  // Current rows as a plain packet (all posted rows, ignoring filters, in storage/index order).
  // An unchanged load returns the loaded packet itself.
  PacketPtr Data() const;
  // Closes, loads the packet as the base data (sharing its rows, no copy), opens. A change set is
  // refused; a null packet closes and drops the data. Close keeps loaded data for a later Open.
  void SetData(PacketPtr packet);
  PacketPtr Delta() const;  // the change log as a change set
  int ChangeCount() const;
  void MergeChangeLog();  // the changes become the base data
  void CancelUpdates();   // every change since the last merge is undone

  // ---- navigation (filtered view)
  void First();
  void Last();
  void Next();
  void Prior();
  int MoveBy(int distance);  // returns the distance actually moved
  int RecNo() const;         // 1-based in the filtered view; 0 when empty
  void SetRecNo(int recNo);
  bool Bof() const;
  bool Eof() const;
  int RecordCount() const;
  bool IsEmpty() const;
  // keyFields "A;B"; values a single Variant or a VariantArray for several fields.
  bool Locate(std::string_view keyFields, const Variant& values, LocateOptions options = {});
  Variant Lookup(std::string_view keyFields, const Variant& values, std::string_view resultFields);
  Bookmark GetBookmark() const;
  bool BookmarkValid(Bookmark b) const;
  void GotoBookmark(Bookmark b);

  // ---- painting rows other than the current one (grids)
  // The rows a grid shows: the filtered view plus a row being inserted (RecordCount counts posted
  // rows only), and the 0-based position of the current row among them (-1 when none).
  int DisplayCount() const;
  int DisplayIndex() const;
  // Runs fn with the fields reading display row `index` (calculated fields computed for it),
  // without moving the cursor, firing events or notifying; fn must only read.
  void ReadRow(int index, const std::function<void()>& fn);

  // ---- editing
  void Insert();
  void Append();
  void Edit();
  void Post();
  void Cancel();
  void Delete();
  bool Modified() const;   // the record in edit or insert has changed values
  void CheckBrowseMode();  // posts when modified, cancels when not
  void UpdateRecord();     // asks the data-aware controls to write their pending text

  // ---- filter and order
  const std::string& Filter() const;
  void SetFilter(const std::string& expr);  // throws cad::Exception on a malformed expression
  bool Filtered() const;
  void SetFiltered(bool on);
  std::function<bool(DataSet&)> OnFilterRecord;  // extra row test while Filtered
  const std::string& IndexFieldNames() const;
  // "A;B DESC": ascending unless a field ends in " DESC", case-sensitive, stable; the cursor
  // stays on its row. Removing the index
  // keeps the current order.
  void SetIndexFieldNames(const std::string& names);

  // ---- controls
  void DisableControls();  // nested; data sources hear nothing until the matching Enable
  void EnableControls();
  bool ControlsDisabled() const;

  // ---- events
  DataSetEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  DataSetEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  DataSetEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  DataSetEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  DataSetEvent OnNewRecord, OnCalcFields;

  // ---- internal links (data sources register themselves)
  void attachSource(DataSource* src);
  void detachSource(DataSource* src);
  const std::vector<DataSource*>& sources() const;

  // Internal state (platform/data/dataset_impl.h); named here only so the data units' helpers
  // can refer to it.
  struct Impl;

 protected:
  // Storage hook: called by Open when the dataset has no loaded data. The default refuses
  // ("Conjunto de dados sem dados para abrir."); queries override it to run their SQL.
  virtual PacketPtr fetchData();

 private:
  std::unique_ptr<Impl> d_;
  friend class Field;
};

// The screens' working dataset: the core with the change log; the name is the classic one.
class ClientDataSet : public DataSet {
 public:
  using DataSet::DataSet;
};

// Read-only dataset link used by data-aware controls; a control derives from DataLink and is
// notified through its DataSource.
class DataLink {
 public:
  virtual ~DataLink();
  DataSource* Source() const { return source_; }
  void SetSource(DataSource* src);
  DataSet* GetDataSet() const;
  bool Active() const;  // linked to an open dataset through an enabled source

  virtual void ActiveChanged() {}
  virtual void DataSetChanged() {}                     // rows, cursor or state changed: redraw all
  virtual void RecordChanged(Field*) {}                // a field of the current record changed (null: all)
  virtual void EditingChanged() {}                     // the dataset entered or left edit/insert
  virtual void UpdateData() {}                         // write pending control text into the field
  virtual bool FocusControl(Field&) { return false; }  // take the focus if bound to the field

 private:
  friend class DataSource;
  DataSource* source_ = nullptr;
};

class DataSource {
 public:
  explicit DataSource(std::string name = {});
  ~DataSource();
  DataSource(const DataSource&) = delete;
  DataSource& operator=(const DataSource&) = delete;

  std::string Name;
  bool AutoEdit = true;  // controls put the dataset into edit when the user types

  DataSet* GetDataSet() const { return dataSet_; }
  void SetDataSet(DataSet* ds);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool e);
  DataSetState State() const;  // inactive when unlinked or disabled
  void Edit();                 // with AutoEdit, puts a browsing dataset into edit

  std::function<void(DataSource&)> OnStateChange;
  std::function<void(DataSource&, Field*)> OnDataChange;  // field null: record moved/refreshed
  std::function<void(DataSource&)> OnUpdateData;

  // Called by the dataset.
  void notifyStateChange();
  void notifyDataSetChanged();
  void notifyRecordChanged(Field* f);
  void notifyUpdateData();
  void notifyActiveChanged();
  bool notifyFocusControl(Field& f);

  void addLink(DataLink* l);
  void removeLink(DataLink* l);

 private:
  DataSet* dataSet_ = nullptr;
  bool enabled_ = true;
  DataSetState lastState_ = DataSetState::Inactive;
  std::vector<DataLink*> links_;
};

}  // namespace cad
