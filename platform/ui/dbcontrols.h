// Data-aware controls: a field link (TFieldDataLink) and the controls built on it — edit, check
// box, radio group, combo box, grid with columns, and the navigation control.
//
// Invariants (the classic data-aware contract):
//  - The control shows its field: the edit text while it has the focus and may edit, the
//    display text otherwise; every RecordChanged/DataSetChanged of the source refreshes it.
//  - User input first puts the dataset into edit through the source (AutoEdit); when that is not
//    possible the input is refused and nothing changes.
//  - Typed text is written into the field on exit and before post (DataLink::UpdateData); an
//    error there keeps the focus and the typed text. Discrete choices (check box, radio group,
//    combo pick) are written at once.
//  - Grid: typed cell text is written into the field when the cell, row or focus changes and
//    before post; leaving the row lets the dataset post it (its own auto-post).
#pragma once

#include <string>
#include <vector>

#include "platform/data/dataset.h"
#include "platform/ui/controls.h"
#include "platform/ui/grids.h"

namespace cad {

class TFieldDataLink : public DataLink {
 public:
  explicit TFieldDataLink(TControl& control) : control_(control) {}
  const std::string& FieldName() const { return fieldName_; }
  void SetFieldName(const std::string& name);
  Field* GetField() const;  // null when unlinked, inactive or absent
  // Field present, dataset not read-only, field writable (not calculated, not read-only).
  bool CanModify() const;
  bool Editing() const;
  // Puts the dataset into edit when it may (AutoEdit or already editing); returns Editing().
  bool Edit();
  bool Modified() const { return modified_; }
  void SetModified() { modified_ = true; }
  void Reset();  // discards the control's pending text and reloads it

  std::function<void()> OnDataChange, OnEditingChange, OnActiveChange, OnUpdateData;

  void ActiveChanged() override;
  void DataSetChanged() override;
  void RecordChanged(Field* f) override;
  void EditingChanged() override;
  void UpdateData() override;
  bool FocusControl(Field& f) override;

 private:
  TControl& control_;
  std::string fieldName_;
  bool modified_ = false;
};

// Resolves a "DataSource" layout value on the owning form.
DataSource* ResolveDataSource(TComponent& c, const Variant& v);

// The data source and field of a control that shows one field of the current record; changing
// either reloads the control through its link's data-change reaction.
class TFieldBinding {
 public:
  explicit TFieldBinding(TControl& control) : link_(control) {}
  DataSource* GetDataSource() const { return link_.Source(); }
  void SetDataSource(DataSource* src) {
    link_.SetSource(src);
    reload();
  }
  const std::string& DataField() const { return link_.FieldName(); }
  void SetDataField(const std::string& name) {
    link_.SetFieldName(name);
    reload();
  }
  Field* GetField() const { return link_.GetField(); }

 protected:
  TFieldDataLink link_;

 private:
  void reload() {
    if (link_.OnDataChange) link_.OnDataChange();
  }
};

class TDBEdit : public TMaskEdit, public TFieldBinding {
 public:
  TDBEdit();
  const char* ClassName() const override { return "TDBEdit"; }
  const PropertyTable& Properties() const override;

  bool CanModify() override;
  bool InsertText(const std::string& ch) override;
  bool DeleteBack() override;
  bool DeleteForward() override;
  bool ReplaceText(const std::string& text) override;
  void DoEnter() override;
  void DoExit() override;
  void KeyDownDefault(int& key, ShiftState shift) override;
  // While set, the edit shows no text whatever its field holds (a value that does not apply to
  // the record); the field is left alone and nothing is written back.
  void SetShowBlank(bool blank);
  bool ShowBlank() const { return showBlank_; }

 protected:
  void Change() override;

 private:
  void dataChange();
  void updateData();
  bool focused_ = false;
  bool loading_ = false;
  bool showBlank_ = false;
  int fixedMaxLength_ = -1;  // MaxLength set by the layout or code (-1: from the field)
};

class TDBCheckBox : public TCheckBox, public TFieldBinding {
 public:
  TDBCheckBox();
  const char* ClassName() const override { return "TDBCheckBox"; }
  const PropertyTable& Properties() const override;
  std::string ValueChecked = "True", ValueUnchecked = "False";
  void Toggle() override;

 private:
  void dataChange();
};

class TDBRadioGroup : public TCustomRadioGroup, public TFieldBinding {
 public:
  TDBRadioGroup();
  const char* ClassName() const override { return "TDBRadioGroup"; }
  const PropertyTable& Properties() const override;
  // The field value of each item (the item texts when empty).
  std::vector<std::string> Values;
  std::string Value() const;  // value of the checked item ("" when none)
  void UserSelect(int index) override;
  // Runs when the shown value changes, by the user or by the data.
  TNotifyEvent OnChange;

 private:
  void dataChange();
  std::string valueOf(int index) const;
};

class TDBComboBox : public TComboBox, public TFieldBinding {
 public:
  TDBComboBox();
  const char* ClassName() const override { return "TDBComboBox"; }
  const PropertyTable& Properties() const override;
  bool CanModify() override;
  void UserSelect(int index) override;
  bool InsertText(const std::string& ch) override;
  bool DeleteBack() override;
  bool ReplaceText(const std::string& text) override;
  void DoExit() override;

 protected:
  void Change() override;

 private:
  void dataChange();
  bool loading_ = false;
};

// ---------------------------------------------------------------- data grid

enum class TColumnButtonStyle : uint8_t { cbsAuto, cbsEllipsis, cbsNone };

class TDBGrid;

class TColumn {
 public:
  explicit TColumn(TDBGrid& grid) : grid_(&grid) {}
  std::string FieldName;
  std::string TitleCaption;  // empty: the field's display label
  TAlignment TitleAlignment = TAlignment::taLeftJustify;
  std::string TitleFontName;
  int Width = -1;  // -1: from the field's display width
  TAlignment Alignment = TAlignment::taLeftJustify;
  bool AlignmentSet = false;  // false: the field's alignment
  bool ReadOnly = false;
  bool Visible = true;
  TColumnButtonStyle ButtonStyle = TColumnButtonStyle::cbsAuto;
  TColor Color = clDefault;

  Field* GetField() const;
  std::string Title() const;
  int EffectiveWidth() const;
  TAlignment EffectiveAlignment() const;
  // The column shows a lookup button in its cells.
  bool HasEditButton() const { return ButtonStyle == TColumnButtonStyle::cbsEllipsis; }
  void SetProperty(std::string_view name, const Variant& value);
  int Index() const;
  TDBGrid& Grid() const { return *grid_; }

 private:
  TDBGrid* grid_;
};

using TDBGridColumnEvent = std::function<void(TComponent& sender, TColumn& column)>;
using TDBGridDrawColumnCellEvent =
    std::function<void(TComponent& sender, const TRect& rect, int dataCol, TColumn& column, unsigned state)>;

// Grid over a data source: row 0 shows the titles, row r (r >= 1) the r-th row of the dataset's
// display rows (DataSet::DisplayCount); grid column c is data column c (no indicator column).
class TDBGrid : public TCustomGrid {
 public:
  TDBGrid();
  ~TDBGrid() override;
  const char* ClassName() const override { return "TDBGrid"; }
  const PropertyTable& Properties() const override;

  DataSource* GetDataSource() const { return link_.Source(); }
  void SetDataSource(DataSource* src);
  DataSet* GetDataSet() const { return link_.GetDataSet(); }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool ro);

  // Declared columns, or (when none is declared) one per visible field of the dataset.
  int ColumnCount() const;
  TColumn& Columns(int index);
  TColumn& AddColumn();
  void ClearColumns();
  TColumn* ColumnByField(std::string_view fieldName);

  int SelectedIndex() const { return col_; }
  // Moves to the column (OnColExit of the old column, then OnColEnter); pending cell text is
  // written into its field first.
  void SetSelectedIndex(int index);
  Field* SelectedField();
  void SetSelectedField(Field* field);
  TColumn* SelectedColumn();

  int ColCount() const override;
  int RowCount() const override;
  std::string CellText(int col, int row) const override;
  // Moves to a cell as the user does: the row through the dataset (auto-post), then the column.
  bool MoveTo(int col, int row, bool extend = false) override;
  // Display row of the dataset's current record + 1 (0 when none).
  int CurrentRow() const;

  // User actions the dispatcher routes here.
  void CellClick();
  // OnTitleClick when the screen handles it; otherwise sorts by the column's field through the
  // dataset's index (again on the same column: descending), keeping the current record.
  void TitleClick(int col);
  // Runs OnEditButtonClick when the selected column has a lookup button; false otherwise.
  bool EditButtonClick();

  TNotifyEvent OnColEnter, OnColExit, OnEditButtonClick;
  TDBGridColumnEvent OnCellClick, OnTitleClick;
  TDBGridDrawColumnCellEvent OnDrawColumnCell;

  void DoEnter() override;
  void DoExit() override;
  void KeyDownDefault(int& key, ShiftState shift) override;
  void KeyPressDefault(const std::string& key) override;
  void AddLayoutEntry(std::string_view list, const std::vector<std::pair<std::string, Variant>>& props) override;
  // Tells observers that column properties changed (after setting TColumn fields directly).
  void ColumnsChanged() { Changed("Columns"); }

 protected:
  bool canEditCell() override;
  std::string editStartText() override;
  void storeEditText(const std::string& text) override;
  void editorCancelled() override;
  void userDraw(int col, int row, const TRect& rect, unsigned state) override;

 private:
  friend class TColumn;
  void dataChange();
  void rebuildAutoColumns();
  void updateData();  // writes the pending cell text into its field
  bool moveRow(int row);
  bool moveCol(int col);
  std::vector<std::unique_ptr<TColumn>> columns_, autoColumns_;
  TFieldDataLink link_;
  bool readOnly_ = false;
  bool pending_ = false;  // editor text not yet written to the field
  int pendingCol_ = -1;
};

enum class TNavigateBtn : uint8_t {
  nbFirst,
  nbPrior,
  nbNext,
  nbLast,
  nbInsert,
  nbDelete,
  nbEdit,
  nbPost,
  nbCancel,
  nbRefresh
};
const char* NavigateBtnName(TNavigateBtn b);
bool NavigateBtnFromName(std::string_view name, TNavigateBtn& out);

using TNavClickEvent = std::function<void(TComponent& sender, TNavigateBtn button)>;

class TDBNavigator : public TControl {
 public:
  TDBNavigator();
  const char* ClassName() const override { return "TDBNavigator"; }
  const PropertyTable& Properties() const override;
  DataSource* GetDataSource() const { return link_.Source(); }
  void SetDataSource(DataSource* src);
  bool ButtonVisible(TNavigateBtn b) const { return (visibleButtons_ >> unsigned(b)) & 1u; }
  void SetButtonVisible(TNavigateBtn b, bool visible);
  // Enabled as the dataset allows: first/prior off at the first row, next/last at the last,
  // edit/delete need a row, post/cancel need edit or insert, all off when disabled or inactive.
  bool ButtonEnabled(TNavigateBtn b) const;
  bool ConfirmDelete = true;
  // Performs the button's action (delete asks TApplication::Confirm), then OnClick.
  void BtnClick(TNavigateBtn b);
  TNavClickEvent BeforeAction;
  TNavClickEvent OnNavClick;

 private:
  TFieldDataLink link_;
  unsigned visibleButtons_ = 0x3FF;
};

}  // namespace cad
