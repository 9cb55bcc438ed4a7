// Data-aware controls over TFieldDataLink. The link tracks whether the control holds text not yet
// written (Modified); RecordChanged for the control's field (or for the whole record) reloads the
// control and clears that mark, UpdateData writes it.
#include "platform/ui/dbcontrols.h"

#include <algorithm>
#include <optional>

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/ui/forms.h"
#include "platform/ui/props.h"

namespace cad {

using ui_detail::EventProp;
using ui_detail::Prop;
using ui_detail::ReadOnlyProp;

namespace {

bool editingState(DataSetState s) { return s == DataSetState::Edit || s == DataSetState::Insert; }

std::string sourceName(DataSource* s) { return s ? s->Name : std::string(); }

}  // namespace

DataSource* ResolveDataSource(TComponent& c, const Variant& v) {
  std::string name = PropString(v);
  if (name.empty()) return nullptr;
  TForm* f = dynamic_cast<TForm*>(c.Owner());
  DataSource* s = f ? f->FindDataSource(name) : nullptr;
  if (!s) throw Exception(c.Describe() + ": fonte de dados '" + name + "' não encontrada.");
  return s;
}

// ---------------------------------------------------------------- TFieldDataLink

void TFieldDataLink::SetFieldName(const std::string& name) {
  fieldName_ = name;
  modified_ = false;
}

Field* TFieldDataLink::GetField() const {
  DataSet* ds = GetDataSet();
  if (!ds || !ds->Active() || fieldName_.empty()) return nullptr;
  return ds->FindField(fieldName_);
}

bool TFieldDataLink::CanModify() const {
  Field* f = GetField();
  return f && !f->ReadOnly && f->Kind() == FieldKind::Data && !f->Owner().ReadOnly;
}

bool TFieldDataLink::Editing() const {
  DataSet* ds = GetDataSet();
  return ds && editingState(ds->State());
}

bool TFieldDataLink::Edit() {
  if (Editing()) return true;
  DataSet* ds = GetDataSet();
  if (!ds || !ds->Active() || ds->ReadOnly || !Source()->Enabled()) return false;
  if (!fieldName_.empty() && !CanModify()) return false;
  Source()->Edit();
  return Editing();
}

void TFieldDataLink::Reset() {
  modified_ = false;
  if (OnDataChange) OnDataChange();
}

void TFieldDataLink::ActiveChanged() {
  modified_ = false;
  if (OnActiveChange) OnActiveChange();
  if (OnDataChange) OnDataChange();
}

void TFieldDataLink::DataSetChanged() { RecordChanged(nullptr); }

void TFieldDataLink::RecordChanged(Field* f) {
  if (fieldName_.empty()) {
    // A link without a field (grids, navigators) follows every change of the record.
    if (OnDataChange) OnDataChange();
    if (!f) modified_ = false;
    return;
  }
  if (f && f != GetField()) return;
  if (OnDataChange) OnDataChange();
  modified_ = false;
}

void TFieldDataLink::EditingChanged() {
  if (OnEditingChange) OnEditingChange();
}

void TFieldDataLink::UpdateData() {
  if (!modified_) return;
  if (OnUpdateData) OnUpdateData();
  modified_ = false;
}

bool TFieldDataLink::FocusControl(Field& f) {
  if (&f != GetField() || !control_.CanFocus()) return false;
  control_.SetFocus();
  return true;
}

namespace {

// The DataSource and DataField properties of a control bound to one field, then its own.
template <class T>
std::vector<Property> FieldBindingProps(std::vector<Property> own = {}) {
  std::vector<Property> props{
      Prop<T>(
          "DataSource", [](const T& c) { return sourceName(c.GetDataSource()); },
          [](T& c, const Variant& v) { c.SetDataSource(ResolveDataSource(c, v)); }),
      Prop<T>(
          "DataField", [](const T& c) { return c.DataField(); },
          [](T& c, const Variant& v) { c.SetDataField(PropString(v)); }),
  };
  props.insert(props.end(), std::make_move_iterator(own.begin()), std::make_move_iterator(own.end()));
  return props;
}

}  // namespace

// ---------------------------------------------------------------- TDBEdit

TDBEdit::TDBEdit() : TFieldBinding(static_cast<TControl&>(*this)) {
  link_.OnDataChange = [this] { dataChange(); };
  link_.OnUpdateData = [this] { updateData(); };
  link_.OnEditingChange = [this] { Changed("ReadOnly"); };
}

void TDBEdit::dataChange() {
  bool was = loading_;
  loading_ = true;
  struct Reset {
    bool& flag;
    bool value;
    ~Reset() { flag = value; }
  } reset{loading_, was};
  Field* f = link_.GetField();
  if (!f || showBlank_) {
    SetText("");
    return;
  }
  SetEditMask(f->EditMask);
  if (fixedMaxLength_ < 0) SetMaxLength(f->DataType() == FieldType::String ? f->Size() : 0);
  // A masked edit shows the mask's literals itself: it takes the stored text, never the field's
  // display text, which has the same mask applied already.
  bool editText = (focused_ && link_.CanModify()) || !EditMask().empty();
  SetText(editText ? f->Text() : f->DisplayText());
}

void TDBEdit::updateData() {
  Field* f = link_.GetField();
  if (!f) return;
  ValidateEdit();
  f->SetText(Text());
}

void TDBEdit::Change() {
  if (!loading_) link_.SetModified();
  TMaskEdit::Change();
}

bool TDBEdit::CanModify() { return !showBlank_ && !ReadOnly() && link_.CanModify(); }

void TDBEdit::SetShowBlank(bool blank) {
  if (showBlank_ == blank) return;
  showBlank_ = blank;
  link_.Reset();
}

namespace {

// The edit's text once `insert` replaces the selection (what the typing rules of a number judge).
std::string textAfter(const std::string& text, int selStart, int selLength, const std::string& insert) {
  std::vector<std::string> chars = utf8Chars(text);
  int len = static_cast<int>(chars.size());
  int start = std::clamp(selStart, 0, len), end = std::clamp(selStart + selLength, start, len);
  std::string out;
  for (int i = 0; i < start; ++i) out += chars[i];
  out += insert;
  for (int i = end; i < len; ++i) out += chars[i];
  return out;
}

// A typed '.' or ',' is the session's decimal separator in a float field; a thousands separator
// is never typed into a number (only its formatted text holds them).
std::optional<std::string> typedForField(const Field* f, const std::string& ch) {
  if (f && f->DataType() == FieldType::Float && (ch == "." || ch == ","))
    return std::string(1, formatSettings().decimalSeparator);
  if (f && f->IsNumber() && ch == std::string(1, formatSettings().thousandSeparator)) return std::nullopt;
  return ch;
}

}  // namespace

bool TDBEdit::InsertText(const std::string& typed) {
  if (!CanModify()) return false;
  // A number field takes only what keeps it a number; the refused key changes nothing.
  Field* f = link_.GetField();
  std::optional<std::string> ch = typedForField(f, typed);
  if (!ch) return false;
  if (f && EditMask().empty() && !f->AcceptsText(textAfter(Text(), SelStart(), SelLength(), *ch))) return false;
  if (!link_.Edit()) return false;
  return TMaskEdit::InsertText(*ch);
}

bool TDBEdit::DeleteBack() {
  if (!CanModify() || !link_.Edit()) return false;
  return TMaskEdit::DeleteBack();
}

bool TDBEdit::DeleteForward() {
  if (!CanModify() || !link_.Edit()) return false;
  return TMaskEdit::DeleteForward();
}

bool TDBEdit::ReplaceText(const std::string& text) {
  if (!CanModify()) return false;
  // A whole text (a paste) is taken when it keeps to the typing rules or reads as a number of the
  // field's type (thousands separators included).
  if (Field* f = link_.GetField(); f && EditMask().empty() && !f->AcceptsText(trim(text))) {
    bool numero = !f->Numeric && !trim(text).empty() && parseFloat(trim(text)).has_value();
    if (!numero || (f->MinValue >= 0 && trim(text)[0] == '-')) return false;
  }
  if (!link_.Edit()) return false;
  return TMaskEdit::ReplaceText(text);
}

void TDBEdit::DoEnter() {
  focused_ = true;
  dataChange();
  TMaskEdit::DoEnter();
}

void TDBEdit::DoExit() {
  link_.UpdateData();  // a refusal keeps the focus and the typed text
  focused_ = false;
  dataChange();
  // Not TMaskEdit::DoExit: UpdateData above validated the mask already (updateData).
  TCustomEdit::DoExit();  // NOLINT(bugprone-parent-virtual-call)
}

void TDBEdit::KeyDownDefault(int& key, ShiftState shift) {
  if (key == VK_ESCAPE) {
    link_.Reset();
    SelectAll();
    return;
  }
  TMaskEdit::KeyDownDefault(key, shift);
}

const PropertyTable& TDBEdit::Properties() const {
  static const PropertyTable table(&TMaskEdit::Properties(),
                                   FieldBindingProps<TDBEdit>({
                                       Prop<TDBEdit>(
                                           "MaxLength", [](const TDBEdit& c) { return c.MaxLength(); },
                                           [](TDBEdit& c, const Variant& v) {
                                             c.fixedMaxLength_ = PropInt(v);
                                             c.SetMaxLength(c.fixedMaxLength_);
                                           }),
                                   }));
  return table;
}

// ---------------------------------------------------------------- TDBCheckBox

TDBCheckBox::TDBCheckBox() : TFieldBinding(static_cast<TControl&>(*this)) {
  link_.OnDataChange = [this] { dataChange(); };
}

void TDBCheckBox::dataChange() {
  Field* f = link_.GetField();
  TCheckBoxState s = TCheckBoxState::cbUnchecked;
  if (f && !f->IsNull()) {
    std::string v = f->AsString();
    if (sameText(v, ValueChecked))
      s = TCheckBoxState::cbChecked;
    else if (!sameText(v, ValueUnchecked) && AllowGrayed())
      s = TCheckBoxState::cbGrayed;
  }
  applyState(s, false);
}

void TDBCheckBox::Toggle() {
  if (ReadOnly()) return;
  Field* f = link_.GetField();
  if (!f) {
    TCheckBox::Toggle();
    return;
  }
  if (!link_.Edit()) return;
  // The field takes the new value at once; the box follows through the data change.
  f->SetAsString(Checked() ? ValueUnchecked : ValueChecked);
}

const PropertyTable& TDBCheckBox::Properties() const {
  static const PropertyTable table(&TCheckBox::Properties(),
                                   FieldBindingProps<TDBCheckBox>({
                                       Prop<TDBCheckBox>(
                                           "ValueChecked", [](const TDBCheckBox& c) { return c.ValueChecked; },
                                           [](TDBCheckBox& c, const Variant& v) {
                                             c.ValueChecked = PropString(v);
                                             c.dataChange();
                                           }),
                                       Prop<TDBCheckBox>(
                                           "ValueUnchecked", [](const TDBCheckBox& c) { return c.ValueUnchecked; },
                                           [](TDBCheckBox& c, const Variant& v) {
                                             c.ValueUnchecked = PropString(v);
                                             c.dataChange();
                                           }),
                                   }));
  return table;
}

// ---------------------------------------------------------------- TDBRadioGroup

TDBRadioGroup::TDBRadioGroup() : TFieldBinding(static_cast<TControl&>(*this)) {
  link_.OnDataChange = [this] { dataChange(); };
}

std::string TDBRadioGroup::valueOf(int index) const {
  if (index < 0) return {};
  if (index < static_cast<int>(Values.size())) return Values[index];
  return index < static_cast<int>(Items().size()) ? Items()[index] : std::string();
}

std::string TDBRadioGroup::Value() const { return valueOf(ItemIndex()); }

void TDBRadioGroup::dataChange() {
  Field* f = link_.GetField();
  int index = -1;
  if (f && !f->IsNull()) {
    std::string v = f->AsString();
    for (int i = 0; i < static_cast<int>(Items().size()); ++i)
      if (valueOf(i) == v) index = i;
  }
  if (storeIndex(index) && OnChange) OnChange(*this);
}

void TDBRadioGroup::UserSelect(int index) {
  Field* f = link_.GetField();
  if (!f) return TCustomRadioGroup::UserSelect(index);
  if (index < 0 || index >= static_cast<int>(Items().size()))
    throw Exception(Describe() + ": item " + std::to_string(index) + " inexistente.");
  if (!link_.Edit()) return;
  f->SetAsString(valueOf(index));
  TControl::Click();
}

const PropertyTable& TDBRadioGroup::Properties() const {
  static const PropertyTable table(
      &TCustomRadioGroup::Properties(),
      FieldBindingProps<TDBRadioGroup>({
          Prop<TDBRadioGroup>(
              "Values", [](const TDBRadioGroup& c) { return StringsToVariant(c.Values); },
              [](TDBRadioGroup& c, const Variant& v) {
                c.Values = PropStrings(v);
                c.dataChange();
              }),
          ReadOnlyProp<TDBRadioGroup>("Value", [](const TDBRadioGroup& c) { return c.Value(); }),
          EventProp<TDBRadioGroup>("OnChange", &TDBRadioGroup::OnChange),
      }));
  return table;
}

// ---------------------------------------------------------------- TDBComboBox

TDBComboBox::TDBComboBox() : TFieldBinding(static_cast<TControl&>(*this)) {
  link_.OnDataChange = [this] { dataChange(); };
  link_.OnUpdateData = [this] {
    if (Field* f = link_.GetField()) f->SetText(Text());
  };
}

void TDBComboBox::dataChange() {
  bool was = loading_;
  loading_ = true;
  Field* f = link_.GetField();
  std::string text = f ? f->Text() : std::string();
  auto it = std::find(Items().begin(), Items().end(), text);
  if (it != Items().end())
    SetItemIndex(static_cast<int>(it - Items().begin()));
  else {
    SetItemIndex(-1);
    if (Style() == TComboStyle::csDropDown) SetText(text);
  }
  loading_ = was;
}

void TDBComboBox::Change() {
  if (!loading_) link_.SetModified();
  TComboBox::Change();
}

bool TDBComboBox::CanModify() { return !ReadOnly() && link_.CanModify(); }

void TDBComboBox::UserSelect(int index) {
  Field* f = link_.GetField();
  if (!f) return TComboBox::UserSelect(index);
  if (index < 0 || index >= static_cast<int>(Items().size()))
    throw Exception(Describe() + ": item " + std::to_string(index) + " inexistente.");
  if (!CanModify() || !link_.Edit()) return;
  f->SetText(Items()[index]);
  Change();
  TControl::Click();
}

bool TDBComboBox::InsertText(const std::string& ch) {
  if (!CanModify() || !link_.Edit()) return false;
  return TComboBox::InsertText(ch);
}

bool TDBComboBox::DeleteBack() {
  if (!CanModify() || !link_.Edit()) return false;
  return TComboBox::DeleteBack();
}

bool TDBComboBox::ReplaceText(const std::string& text) {
  if (!CanModify() || !link_.Edit()) return false;
  return TComboBox::ReplaceText(text);
}

void TDBComboBox::DoExit() {
  link_.UpdateData();
  TComboBox::DoExit();
}

const PropertyTable& TDBComboBox::Properties() const {
  static const PropertyTable table(&TComboBox::Properties(), FieldBindingProps<TDBComboBox>());
  return table;
}

// ---------------------------------------------------------------- TColumn

Field* TColumn::GetField() const {
  DataSet* ds = grid_->GetDataSet();
  if (!ds || !ds->Active() || FieldName.empty()) return nullptr;
  return ds->FindField(FieldName);
}

std::string TColumn::Title() const {
  if (!TitleCaption.empty()) return TitleCaption;
  if (Field* f = GetField()) return f->DisplayName();
  return FieldName;
}

int TColumn::EffectiveWidth() const {
  if (!Visible) return -1;
  if (Width >= 0) return Width;
  Field* f = GetField();
  int chars = f ? (f->DisplayWidth > 0 ? f->DisplayWidth : std::max(f->Size(), 8)) : 10;
  return std::min(chars, 40) * 7 + 4;
}

TAlignment TColumn::EffectiveAlignment() const {
  if (AlignmentSet) return Alignment;
  Field* f = GetField();
  if (!f) return TAlignment::taLeftJustify;
  return f->Align == cad::Alignment::Right    ? TAlignment::taRightJustify
         : f->Align == cad::Alignment::Center ? TAlignment::taCenter
                                              : TAlignment::taLeftJustify;
}

int TColumn::Index() const {
  for (int i = 0; i < grid_->ColumnCount(); ++i)
    if (&grid_->Columns(i) == this) return i;
  return -1;
}

namespace {

TAlignment columnAlignment(const Variant& v) {
  std::string s = PropString(v);
  if (sameText(s, "taRightJustify") || sameText(s, "right")) return TAlignment::taRightJustify;
  if (sameText(s, "taCenter") || sameText(s, "center")) return TAlignment::taCenter;
  return TAlignment::taLeftJustify;
}

}  // namespace

void TColumn::SetProperty(std::string_view name, const Variant& v) {
  if (sameText(name, "FieldName"))
    FieldName = PropString(v);
  else if (sameText(name, "Title") || sameText(name, "TitleCaption"))
    TitleCaption = PropString(v);
  else if (sameText(name, "TitleAlignment"))
    TitleAlignment = columnAlignment(v);
  else if (sameText(name, "TitleFontName") || sameText(name, "TitleFont"))
    TitleFontName = PropString(v);
  else if (sameText(name, "Width"))
    Width = PropInt(v);
  else if (sameText(name, "Alignment")) {
    Alignment = columnAlignment(v);
    AlignmentSet = true;
  } else if (sameText(name, "ReadOnly"))
    ReadOnly = PropBool(v);
  else if (sameText(name, "Visible"))
    Visible = PropBool(v);
  else if (sameText(name, "Color"))
    Color = v.isString() ? ColorFromText(v.str()) : v.asInt();
  else if (sameText(name, "ButtonStyle")) {
    std::string s = PropString(v);
    if (sameText(s, "cbsEllipsis") || sameText(s, "ellipsis"))
      ButtonStyle = TColumnButtonStyle::cbsEllipsis;
    else if (sameText(s, "cbsNone") || sameText(s, "none"))
      ButtonStyle = TColumnButtonStyle::cbsNone;
    else if (sameText(s, "cbsAuto") || sameText(s, "auto"))
      ButtonStyle = TColumnButtonStyle::cbsAuto;
    else
      throw Exception(grid_->Describe() + ": estilo de botão inválido '" + s + "'.");
  } else {
    throw Exception(grid_->Describe() + ": propriedade de coluna desconhecida '" + std::string(name) + "'.");
  }
  grid_->ColumnsChanged();
}

// ---------------------------------------------------------------- TDBGrid

TDBGrid::TDBGrid() : link_(*this) {
  fixedCols_ = 0;
  fixedRows_ = 1;
  col_ = 0;
  row_ = 1;
  options_ = goEditing | goTitles | goTabs | goConfirmDelete | goCancelOnExit | goColumnResize;
  link_.OnDataChange = [this] { dataChange(); };
  link_.OnActiveChange = [this] { rebuildAutoColumns(); };
  link_.OnUpdateData = [this] { updateData(); };
  link_.OnEditingChange = [this] {
    if (!link_.Editing()) {
      pending_ = false;
      endEdit();
    }
    Changed("Cells");
  };
}

TDBGrid::~TDBGrid() = default;

void TDBGrid::SetDataSource(DataSource* src) {
  link_.SetSource(src);
  rebuildAutoColumns();
  dataChange();
}

void TDBGrid::SetReadOnly(bool ro) {
  if (ro == readOnly_) return;
  readOnly_ = ro;
  if (ro) endEdit();
  Changed("ReadOnly");
}

void TDBGrid::rebuildAutoColumns() {
  autoColumns_.clear();
  DataSet* ds = GetDataSet();
  if (!columns_.empty() || !ds || !ds->Active()) return;
  for (int i = 0; i < ds->FieldCount(); ++i) {
    Field& f = ds->Fields(i);
    if (!f.Visible) continue;
    auto c = std::make_unique<TColumn>(*this);
    c->FieldName = f.FieldName();
    autoColumns_.push_back(std::move(c));
  }
  Changed("Columns");
}

int TDBGrid::ColumnCount() const { return static_cast<int>((columns_.empty() ? autoColumns_ : columns_).size()); }

TColumn& TDBGrid::Columns(int index) {
  auto& list = columns_.empty() ? autoColumns_ : columns_;
  if (index < 0 || index >= static_cast<int>(list.size()))
    throw Exception(Describe() + ": coluna " + std::to_string(index) + " inexistente.");
  return *list[index];
}

TColumn& TDBGrid::AddColumn() {
  autoColumns_.clear();
  columns_.push_back(std::make_unique<TColumn>(*this));
  Changed("Columns");
  return *columns_.back();
}

void TDBGrid::ClearColumns() {
  columns_.clear();
  col_ = 0;
  rebuildAutoColumns();
  Changed("Columns");
}

TColumn* TDBGrid::ColumnByField(std::string_view fieldName) {
  for (int i = 0; i < ColumnCount(); ++i)
    if (sameText(Columns(i).FieldName, fieldName)) return &Columns(i);
  return nullptr;
}

void TDBGrid::AddLayoutEntry(std::string_view list, const std::vector<std::pair<std::string, Variant>>& props) {
  if (list != "columns") return TCustomGrid::AddLayoutEntry(list, props);
  TColumn& c = AddColumn();
  for (const auto& [k, v] : props) c.SetProperty(k, v);
}

int TDBGrid::ColCount() const { return ColumnCount(); }

int TDBGrid::RowCount() const {
  DataSet* ds = GetDataSet();
  return ds && ds->Active() ? ds->DisplayCount() + 1 : 1;
}

int TDBGrid::CurrentRow() const {
  DataSet* ds = GetDataSet();
  return ds && ds->Active() ? ds->DisplayIndex() + 1 : 0;
}

Field* TDBGrid::SelectedField() {
  TColumn* c = SelectedColumn();
  return c ? c->GetField() : nullptr;
}

TColumn* TDBGrid::SelectedColumn() { return col_ >= 0 && col_ < ColumnCount() ? &Columns(col_) : nullptr; }

void TDBGrid::SetSelectedField(Field* field) {
  if (!field) return;
  for (int i = 0; i < ColumnCount(); ++i)
    if (Columns(i).GetField() == field) return SetSelectedIndex(i);
}

void TDBGrid::SetSelectedIndex(int index) {
  if (index < 0 || index >= ColumnCount())
    throw Exception(Describe() + ": coluna " + std::to_string(index) + " inexistente.");
  moveCol(index);
}

void TDBGrid::dataChange() {
  int cr = CurrentRow();
  int r = std::max(1, cr);
  if (r != row_ || !pending_) {
    if (editorMode_ && !pending_) {
      Field* f = SelectedField();
      editorTextReset(f ? f->Text() : std::string());
    }
  }
  if (col_ >= ColumnCount()) col_ = std::max(0, ColumnCount() - 1);
  row_ = r;
  selection_ = {col_, row_, col_, row_};
  Changed("Cells");
}

std::string TDBGrid::CellText(int col, int row) const {
  auto* self = const_cast<TDBGrid*>(this);
  if (col < 0 || col >= ColumnCount()) return {};
  TColumn& c = self->Columns(col);
  if (row == 0) return c.Title();
  DataSet* ds = GetDataSet();
  Field* f = c.GetField();
  if (!ds || !f || row < 1 || row > ds->DisplayCount()) return {};
  if (editorMode_ && col == col_ && row == CurrentRow()) return editorText_;
  std::string text;
  ds->ReadRow(row - 1, [&] { text = f->DisplayText(); });
  return text;
}

void TDBGrid::userDraw(int col, int row, const TRect& rect, unsigned state) {
  DataSet* ds = GetDataSet();
  if (!ds || !ds->Active() || row < 1 || row > ds->DisplayCount()) return;
  // Handlers read the fields of the row being drawn.
  ds->ReadRow(row - 1, [&] {
    if (OnDrawColumnCell)
      OnDrawColumnCell(*this, rect, col, Columns(col), state);
    else if (OnDrawCell)
      OnDrawCell(*this, col, row, rect, state);
  });
}

void TDBGrid::updateData() {
  if (!pending_) return;
  if (pendingCol_ >= 0 && pendingCol_ < ColumnCount())
    if (Field* f = Columns(pendingCol_).GetField()) f->SetText(editorText_);
  pending_ = false;
}

bool TDBGrid::moveRow(int row) {
  DataSet* ds = GetDataSet();
  if (!ds || !ds->Active()) return false;
  int cur = CurrentRow();
  if (row == cur) return true;
  updateData();
  endEdit();
  ds->MoveBy(row - cur);  // the dataset posts or cancels the row being left
  return true;
}

bool TDBGrid::moveCol(int col) {
  if (col == col_) return true;
  updateData();
  if (OnColExit) OnColExit(*this);
  endEdit();
  col_ = col;
  selection_ = {col_, row_, col_, row_};
  Changed("Current");
  if (OnColEnter) OnColEnter(*this);
  return true;
}

bool TDBGrid::MoveTo(int col, int row, bool) {
  if (col < 0 || col >= ColumnCount() || row < 1 || row >= RowCount())
    throw Exception(Describe() + ": célula (" + std::to_string(col) + ", " + std::to_string(row) +
                    ") fora da área de dados.");
  moveRow(row);
  moveCol(col);
  return true;
}

void TDBGrid::CellClick() {
  if (OnCellClick && SelectedColumn()) OnCellClick(*this, *SelectedColumn());
}

void TDBGrid::TitleClick(int col) {
  if (col < 0 || col >= ColumnCount())
    throw Exception(Describe() + ": coluna " + std::to_string(col) + " inexistente.");
  if (OnTitleClick) {
    OnTitleClick(*this, Columns(col));
    return;
  }
  // Only a browsed dataset is reordered (a record in edit would otherwise be posted by the
  // reorder), and only by a stored field (calculated and lookup values have no index).
  Field* f = Columns(col).GetField();
  DataSet* ds = f ? &f->Owner() : nullptr;
  if (!ds || !ds->Active() || ds->State() != DataSetState::Browse || f->Kind() != FieldKind::Data) return;
  const std::string& name = f->FieldName();
  ds->SetIndexFieldNames(ds->IndexFieldNames() == name ? name + " DESC" : name);
}

bool TDBGrid::EditButtonClick() {
  TColumn* c = SelectedColumn();
  if (!c || !c->HasEditButton()) return false;
  if (OnEditButtonClick) OnEditButtonClick(*this);
  return true;
}

bool TDBGrid::canEditCell() {
  if (!HasOption(goEditing) || readOnly_) return false;
  TColumn* c = SelectedColumn();
  if (!c || c->ReadOnly) return false;
  Field* f = c->GetField();
  if (!f || f->ReadOnly || f->Kind() != FieldKind::Data || f->Owner().ReadOnly) return false;
  return link_.Editing() || (GetDataSource() && GetDataSource()->AutoEdit);
}

std::string TDBGrid::editStartText() {
  Field* f = SelectedField();
  return f ? f->Text() : std::string();
}

void TDBGrid::storeEditText(const std::string&) {
  pending_ = true;
  pendingCol_ = col_;
  link_.SetModified();
  Changed("Cells");
}

void TDBGrid::editorCancelled() {
  pending_ = false;
  Changed("Cells");
}

void TDBGrid::DoEnter() { TCustomGrid::DoEnter(); }

void TDBGrid::DoExit() {
  updateData();  // a refusal keeps the focus and the typed text
  endEdit();
  DataSet* ds = GetDataSet();
  if (HasOption(goCancelOnExit) && ds && ds->State() == DataSetState::Insert && !ds->Modified()) ds->Cancel();
  TCustomGrid::DoExit();
}

void TDBGrid::KeyDownDefault(int& key, ShiftState shift) {
  DataSet* ds = GetDataSet();
  if (!ds || !ds->Active()) return;
  // In the open editor the arrows move the caret, and pass to the next column at the text's edge.
  if (editorCaretKey(key, shift, true)) return;
  bool canInsert = HasOption(goEditing) && !readOnly_ && !ds->ReadOnly && GetDataSource() && GetDataSource()->AutoEdit;
  int rows = RowCount() - 1;
  int cur = CurrentRow();
  auto nextCol = [&](int from, int step) {
    for (int c = from; c >= 0 && c < ColumnCount(); c += step)
      if (Columns(c).EffectiveWidth() >= 0) return c;
    return -1;
  };
  switch (key) {
    case VK_DOWN:
      if (cur >= rows) {
        if (canInsert && !(ds->State() == DataSetState::Insert && !ds->Modified())) {
          updateData();
          endEdit();
          ds->Append();
        }
      } else {
        moveRow(cur + 1);
      }
      return;
    case VK_UP:
      if (ds->State() == DataSetState::Insert && !ds->Modified() && cur == rows) {
        endEdit();
        ds->Cancel();
      } else if (cur > 1) {
        moveRow(cur - 1);
      }
      return;
    case VK_PRIOR:
      if (cur > 1) moveRow(std::max(1, cur - 10));
      return;
    case VK_NEXT:
      if (cur < rows) moveRow(std::min(rows, cur + 10));
      return;
    case VK_HOME:
      if (shift & ssCtrl) {
        if (rows > 0) moveRow(1);
      } else if (int c = nextCol(0, 1); c >= 0)
        moveCol(c);
      return;
    case VK_END:
      if (shift & ssCtrl) {
        if (rows > 0) moveRow(rows);
      } else if (int c = nextCol(ColumnCount() - 1, -1); c >= 0)
        moveCol(c);
      return;
    case VK_LEFT:
      if (int c = nextCol(col_ - 1, -1); c >= 0) moveCol(c);
      return;
    case VK_RIGHT:
      if (int c = nextCol(col_ + 1, 1); c >= 0) moveCol(c);
      return;
    case VK_TAB: {
      if (!HasOption(goTabs)) return;
      bool back = shift & ssShift;
      if (int c = nextCol(col_ + (back ? -1 : 1), back ? -1 : 1); c >= 0) {
        moveCol(c);
      } else if (!back && cur < rows) {
        moveRow(cur + 1);
        moveCol(nextCol(0, 1));
      } else if (back && cur > 1) {
        moveRow(cur - 1);
        moveCol(nextCol(ColumnCount() - 1, -1));
      } else if (TForm* f = ParentForm()) {
        f->SelectNext(this, !back);
      }
      return;
    }
    case VK_INSERT:
      if (canInsert) {
        updateData();
        endEdit();
        ds->Insert();
      }
      return;
    case VK_DELETE:
      if (shift & ssCtrl) {
        if (readOnly_ || ds->ReadOnly || ds->IsEmpty()) return;
        if (HasOption(goConfirmDelete) && !Application().Confirm("Excluir o registro?")) return;
        endEdit();
        pending_ = false;
        ds->Delete();
        return;
      }
      if (!canEditCell() || !link_.Edit()) return;
      TCustomGrid::KeyDownDefault(key, shift);
      return;
    case VK_ESCAPE:
      if (editorMode_ && pending_) {
        TCustomGrid::KeyDownDefault(key, shift);
      } else if (link_.Editing()) {
        endEdit();
        ds->Cancel();
      }
      return;
    case VK_RETURN:
      if (shift & ssCtrl) {
        EditButtonClick();
        return;
      }
      if (editorMode_) {
        updateData();
        endEdit();
      } else if (canEditCell()) {
        beginEdit(true);
      }
      return;
    case VK_F2:
      if (canEditCell() && link_.Edit()) beginEdit(true);
      return;
    default: return;
  }
}

void TDBGrid::KeyPressDefault(const std::string& key) {
  if (key.empty() || key == "\r" || key == "\x1b" || key == "\t") return;
  if (key != "\b" && static_cast<unsigned char>(key[0]) < 0x20) return;
  if (!canEditCell()) return;
  // A number column takes only what keeps its cell a number.
  Field* f = SelectedField();
  std::optional<std::string> ch = key == "\b" ? key : typedForField(f, key);
  if (!ch) return;
  if (f && *ch != "\b" && f->EditMask.empty() && !f->AcceptsText(editorMode_ ? editorTextWith(*ch) : *ch)) return;
  if (!link_.Edit()) return;
  TCustomGrid::KeyPressDefault(*ch);
}

const PropertyTable& TDBGrid::Properties() const {
  static const PropertyTable table(
      &TCustomGrid::Properties(),
      {
          Prop<TDBGrid>(
              "DataSource", [](const TDBGrid& c) { return sourceName(c.GetDataSource()); },
              [](TDBGrid& c, const Variant& v) { c.SetDataSource(ResolveDataSource(c, v)); }),
          Prop<TDBGrid>(
              "ReadOnly", [](const TDBGrid& c) { return c.ReadOnly(); },
              [](TDBGrid& c, const Variant& v) { c.SetReadOnly(PropBool(v)); }),
          Prop<TDBGrid>(
              "SelectedIndex", [](const TDBGrid& c) { return c.SelectedIndex(); },
              [](TDBGrid& c, const Variant& v) { c.SetSelectedIndex(PropInt(v)); }),
          ReadOnlyProp<TDBGrid>("SelectedField",
                                [](const TDBGrid& c) {
                                  auto& g = const_cast<TDBGrid&>(c);
                                  Field* f = g.SelectedField();
                                  return f ? f->FieldName() : std::string();
                                }),
          ReadOnlyProp<TDBGrid>("Columns",
                                [](const TDBGrid& c) {
                                  auto& g = const_cast<TDBGrid&>(c);
                                  std::vector<std::string> names;
                                  for (int i = 0; i < g.ColumnCount(); ++i) names.push_back(g.Columns(i).FieldName);
                                  return StringsToVariant(names);
                                }),
          EventProp<TDBGrid>("OnColEnter", &TDBGrid::OnColEnter),
          EventProp<TDBGrid>("OnColExit", &TDBGrid::OnColExit),
          EventProp<TDBGrid>("OnEditButtonClick", &TDBGrid::OnEditButtonClick),
          EventProp<TDBGrid>("OnCellClick", &TDBGrid::OnCellClick),
          EventProp<TDBGrid>("OnTitleClick", &TDBGrid::OnTitleClick),
          EventProp<TDBGrid>("OnDrawColumnCell", &TDBGrid::OnDrawColumnCell),
      });
  return table;
}

// ---------------------------------------------------------------- TDBNavigator

namespace {

const char* const kNavNames[] = {"nbFirst",  "nbPrior", "nbNext", "nbLast",   "nbInsert",
                                 "nbDelete", "nbEdit",  "nbPost", "nbCancel", "nbRefresh"};

}  // namespace

const char* NavigateBtnName(TNavigateBtn b) { return kNavNames[static_cast<int>(b)]; }

bool NavigateBtnFromName(std::string_view name, TNavigateBtn& out) {
  for (int i = 0; i < 10; ++i)
    if (sameText(kNavNames[i], name) || sameText(std::string(kNavNames[i]).substr(2), name)) {
      out = static_cast<TNavigateBtn>(i);
      return true;
    }
  return false;
}

TDBNavigator::TDBNavigator() : link_(*this) {
  link_.OnDataChange = [this] { Changed("Buttons"); };
  link_.OnEditingChange = [this] { Changed("Buttons"); };
  link_.OnActiveChange = [this] { Changed("Buttons"); };
}

void TDBNavigator::SetDataSource(DataSource* src) {
  link_.SetSource(src);
  Changed("Buttons");
}

void TDBNavigator::SetButtonVisible(TNavigateBtn b, bool visible) {
  unsigned bit = 1u << unsigned(b);
  unsigned next = visible ? (visibleButtons_ | bit) : (visibleButtons_ & ~bit);
  if (next == visibleButtons_) return;
  visibleButtons_ = next;
  Changed("Buttons");
}

bool TDBNavigator::ButtonEnabled(TNavigateBtn b) const {
  DataSet* ds = link_.GetDataSet();
  if (!ds || !ds->Active() || !Enabled() || !ButtonVisible(b) || !link_.Source()->Enabled()) return false;
  bool editing = editingState(ds->State());
  bool empty = ds->IsEmpty();
  int recNo = ds->RecNo(), count = ds->RecordCount();
  bool canModify = !ds->ReadOnly;
  switch (b) {
    case TNavigateBtn::nbFirst:
    case TNavigateBtn::nbPrior: return !empty && (recNo > 1 || ds->State() == DataSetState::Insert);
    case TNavigateBtn::nbNext:
    case TNavigateBtn::nbLast: return !empty && recNo < count;
    case TNavigateBtn::nbInsert: return canModify;
    case TNavigateBtn::nbDelete: return canModify && !empty;
    case TNavigateBtn::nbEdit: return canModify && !editing && !empty;
    case TNavigateBtn::nbPost:
    case TNavigateBtn::nbCancel: return editing;
    case TNavigateBtn::nbRefresh: return !editing;
  }
  return false;
}

void TDBNavigator::BtnClick(TNavigateBtn b) {
  if (!ButtonEnabled(b)) return;
  DataSet* ds = link_.GetDataSet();
  if (BeforeAction) BeforeAction(*this, b);
  switch (b) {
    case TNavigateBtn::nbFirst: ds->First(); break;
    case TNavigateBtn::nbPrior: ds->Prior(); break;
    case TNavigateBtn::nbNext: ds->Next(); break;
    case TNavigateBtn::nbLast: ds->Last(); break;
    case TNavigateBtn::nbInsert: ds->Insert(); break;
    case TNavigateBtn::nbDelete:
      if (ConfirmDelete && !Application().Confirm("Excluir o registro?")) return;
      ds->Delete();
      break;
    case TNavigateBtn::nbEdit: ds->Edit(); break;
    case TNavigateBtn::nbPost: ds->Post(); break;
    case TNavigateBtn::nbCancel: ds->Cancel(); break;
    case TNavigateBtn::nbRefresh: ds->Refresh(); break;
  }
  if (OnNavClick) OnNavClick(*this, b);
}

const PropertyTable& TDBNavigator::Properties() const {
  static const PropertyTable table(
      &TControl::Properties(),
      {
          Prop<TDBNavigator>(
              "DataSource", [](const TDBNavigator& c) { return sourceName(c.GetDataSource()); },
              [](TDBNavigator& c, const Variant& v) { c.SetDataSource(ResolveDataSource(c, v)); }),
          Prop<TDBNavigator>(
              "ConfirmDelete", [](const TDBNavigator& c) { return c.ConfirmDelete; },
              [](TDBNavigator& c, const Variant& v) { c.ConfirmDelete = PropBool(v); }),
          Prop<TDBNavigator>(
              "VisibleButtons",
              [](const TDBNavigator& c) {
                std::vector<std::string> names;
                for (int i = 0; i < 10; ++i)
                  if (c.ButtonVisible(static_cast<TNavigateBtn>(i))) names.push_back(kNavNames[i]);
                return StringsToVariant(names);
              },
              [](TDBNavigator& c, const Variant& v) {
                for (int i = 0; i < 10; ++i) c.SetButtonVisible(static_cast<TNavigateBtn>(i), false);
                for (const std::string& n : PropStrings(v)) {
                  TNavigateBtn b;
                  if (!NavigateBtnFromName(n, b)) throw Exception(c.Describe() + ": botão desconhecido '" + n + "'.");
                  c.SetButtonVisible(b, true);
                }
              }),
          ReadOnlyProp<TDBNavigator>("EnabledButtons",
                                     [](const TDBNavigator& c) {
                                       std::vector<std::string> names;
                                       for (int i = 0; i < 10; ++i)
                                         if (c.ButtonEnabled(static_cast<TNavigateBtn>(i)))
                                           names.push_back(kNavNames[i]);
                                       return StringsToVariant(names);
                                     }),
          EventProp<TDBNavigator>("OnClick", &TDBNavigator::OnNavClick),
          EventProp<TDBNavigator>("BeforeAction", &TDBNavigator::BeforeAction),
      });
  return table;
}

}  // namespace cad
