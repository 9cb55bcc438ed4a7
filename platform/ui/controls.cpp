// Standard controls. Text positions are counted in UTF-8 characters; the masked edit works on one
// display cell per mask position, so literals stay in place while the user types over blanks.
#include "platform/ui/controls.h"

#include <algorithm>
#include <cmath>

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/data/dataset.h"
#include "platform/ui/forms.h"
#include "platform/ui/props.h"

namespace cad {

using ui_detail::EventProp;
using ui_detail::Prop;
using ui_detail::ReadOnlyProp;

namespace {

std::string join(const std::vector<std::string>& v, size_t from = 0, size_t to = std::string::npos) {
  std::string out;
  for (size_t i = from; i < v.size() && i < to; ++i) out += v[i];
  return out;
}

bool isControlChar(const std::string& c) { return c.size() == 1 && static_cast<unsigned char>(c[0]) < 0x20; }

TAlignment alignmentFrom(const Variant& v) {
  std::string s = PropString(v);
  if (sameText(s, "taRightJustify") || sameText(s, "right")) return TAlignment::taRightJustify;
  if (sameText(s, "taCenter") || sameText(s, "center")) return TAlignment::taCenter;
  if (sameText(s, "taLeftJustify") || sameText(s, "left")) return TAlignment::taLeftJustify;
  throw Exception("Alinhamento de texto inválido: '" + s + "'.");
}

const char* alignmentName(TAlignment a) {
  switch (a) {
    case TAlignment::taRightJustify: return "taRightJustify";
    case TAlignment::taCenter: return "taCenter";
    default: return "taLeftJustify";
  }
}

}  // namespace

// ---------------------------------------------------------------- TLabel

void TLabel::SetAlignment(TAlignment a) {
  if (a == alignment_) return;
  alignment_ = a;
  Changed("Alignment");
}

const PropertyTable& TLabel::Properties() const {
  static const PropertyTable table(
      &TControl::Properties(),
      {
          Prop<TLabel>(
              "Alignment", [](const TLabel& c) { return std::string(alignmentName(c.Alignment())); },
              [](TLabel& c, const Variant& v) { c.SetAlignment(alignmentFrom(v)); }),
          Prop<TLabel>(
              "FocusControl",
              [](const TLabel& c) { return c.FocusControl() ? c.FocusControl()->Name() : std::string(); },
              [](TLabel& c, const Variant& v) {
                TForm* f = dynamic_cast<TForm*>(c.Owner());
                std::string name = PropString(v);
                c.SetFocusControl(name.empty() || !f ? nullptr : f->find<TControl>(name));
              }),
      });
  return table;
}

// ---------------------------------------------------------------- TCustomEdit

void TCustomEdit::storeText(const std::string& text) { text_ = text; }

void TCustomEdit::Change() {
  Changed("Text");
  if (OnChange) OnChange(*this);
}

void TCustomEdit::SetText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  int len = static_cast<int>(utf8Length(text_));
  selStart_ = std::min(selStart_, len);
  selLength_ = 0;
  if (changeOnSetText_)
    Change();
  else
    Changed("Text");
}

void TCustomEdit::SetMaxLength(int n) {
  if (n == maxLength_) return;
  maxLength_ = std::max(0, n);
  Changed("MaxLength");
}

void TCustomEdit::SetReadOnly(bool ro) {
  if (ro == readOnly_) return;
  readOnly_ = ro;
  Changed("ReadOnly");
}

void TCustomEdit::SetSel(int start, int length) {
  int len = static_cast<int>(utf8Length(displayText()));
  start = std::clamp(start, 0, len);
  length = std::clamp(length, 0, len - start);
  if (start == selStart_ && length == selLength_) return;
  selStart_ = start;
  selLength_ = length;
  Changed("Selection");
}

void TCustomEdit::SelectAll() { SetSel(0, static_cast<int>(utf8Length(displayText()))); }

void TCustomEdit::DoEnter() {
  if (autoSelect_) SelectAll();
  TControl::DoEnter();
}

namespace {

// The display text as characters, with the caret and selection clamped to it.
struct Caret {
  std::vector<std::string> chars;
  int len, start, sel;
  Caret(const std::string& text, int selStart, int selLength) : chars(utf8Chars(text)) {
    len = static_cast<int>(chars.size());
    start = std::min(selStart, len);
    sel = std::min(selLength, len - start);
  }
};

}  // namespace

bool TCustomEdit::splice(const std::vector<std::string>& chars, int start, int count, const std::string& insert) {
  text_ = join(chars, 0, start) + insert + join(chars, start + count);
  selStart_ = start + (insert.empty() ? 0 : 1);
  selLength_ = 0;
  modified_ = true;
  Change();
  return true;
}

bool TCustomEdit::InsertText(const std::string& ch) {
  if (!CanModify()) return false;
  Caret c(text_, selStart_, selLength_);
  if (maxLength_ > 0 && c.len - c.sel + 1 > maxLength_) return false;
  return splice(c.chars, c.start, c.sel, ch);
}

bool TCustomEdit::DeleteBack() {
  if (!CanModify()) return false;
  Caret c(text_, selStart_, selLength_);
  if (c.sel == 0) {
    if (c.start == 0) return false;
    return splice(c.chars, c.start - 1, 1, {});
  }
  return splice(c.chars, c.start, c.sel, {});
}

bool TCustomEdit::DeleteForward() {
  if (!CanModify()) return false;
  Caret c(text_, selStart_, selLength_);
  if (c.sel == 0) {
    if (c.start >= c.len) return false;
    return splice(c.chars, c.start, 1, {});
  }
  return splice(c.chars, c.start, c.sel, {});
}

bool TCustomEdit::ReplaceText(const std::string& text) {
  if (!CanModify()) return false;
  std::string t = maxLength_ > 0 ? utf8Left(text, maxLength_) : text;
  modified_ = true;
  if (t == text_) return true;
  text_ = t;
  selStart_ = static_cast<int>(utf8Length(text_));
  selLength_ = 0;
  Change();
  return true;
}

void TCustomEdit::KeyDownDefault(int& key, ShiftState shift) {
  int len = static_cast<int>(utf8Length(displayText()));
  if ((shift & ssShift) && (key == VK_LEFT || key == VK_RIGHT || key == VK_HOME || key == VK_END)) {
    // Shift moves the caret and keeps the other end of the selection where it was.
    int caret = caretAtStart_ ? selStart_ : selStart_ + selLength_;
    int anchor = caretAtStart_ ? selStart_ + selLength_ : selStart_;
    int to = key == VK_LEFT ? caret - 1 : key == VK_RIGHT ? caret + 1 : key == VK_HOME ? 0 : len;
    to = std::clamp(to, 0, len);
    SetSel(std::min(anchor, to), std::abs(to - anchor));
    caretAtStart_ = to < anchor;
    return;
  }
  caretAtStart_ = false;
  switch (key) {
    case VK_DELETE: DeleteForward(); break;
    case VK_LEFT: SetSel(selLength_ ? selStart_ : std::max(0, selStart_ - 1), 0); break;  // a selection collapses
    case VK_RIGHT: SetSel(std::min(len, selStart_ + selLength_ + (selLength_ ? 0 : 1)), 0); break;
    case VK_HOME: SetSel(0, 0); break;
    case VK_END: SetSel(len, 0); break;
    default: break;
  }
}

void TCustomEdit::KeyPressDefault(const std::string& key) {
  if (key == "\b") {
    DeleteBack();
    return;
  }
  if (key.empty() || isControlChar(key)) return;
  InsertText(key);
}

const PropertyTable& TCustomEdit::Properties() const {
  static const PropertyTable table(
      &TControl::Properties(),
      {
          Prop<TCustomEdit>(
              "MaxLength", [](const TCustomEdit& c) { return c.MaxLength(); },
              [](TCustomEdit& c, const Variant& v) { c.SetMaxLength(PropInt(v)); }),
          Prop<TCustomEdit>(
              "ReadOnly", [](const TCustomEdit& c) { return c.ReadOnly(); },
              [](TCustomEdit& c, const Variant& v) { c.SetReadOnly(PropBool(v)); }),
          Prop<TCustomEdit>(
              "AutoSelect", [](const TCustomEdit& c) { return c.AutoSelect(); },
              [](TCustomEdit& c, const Variant& v) { c.SetAutoSelect(PropBool(v)); }),
          ReadOnlyProp<TCustomEdit>("SelStart", [](const TCustomEdit& c) { return c.SelStart(); }),
          ReadOnlyProp<TCustomEdit>("SelLength", [](const TCustomEdit& c) { return c.SelLength(); }),
          ReadOnlyProp<TCustomEdit>("Modified", [](const TCustomEdit& c) { return c.Modified(); }),
          EventProp<TCustomEdit>("OnChange", &TCustomEdit::OnChange),
      });
  return table;
}

// ---------------------------------------------------------------- TMaskEdit

void TMaskEdit::SetEditMask(const std::string& mask) {
  if (mask == mask_) return;
  std::string value = Text();
  mask_ = mask;
  cad::EditMask m(mask_);
  blank_ = m.blank();
  editable_.clear();
  if (!m.empty()) {
    // A probe value marks which display positions take typed characters.
    std::string probe = m.apply(std::string(m.editableCount(), '\x01'));
    for (char c : probe) editable_.push_back(c == '\x01');
  }
  rebuild(value);
  Changed("EditMask");
}

void TMaskEdit::rebuild(const std::string& value) {
  if (mask_.empty()) {
    storeText(value);
    cells_.clear();
    return;
  }
  cad::EditMask m(mask_);
  std::string shaped = m.apply(value);
  cells_ = utf8Chars(shaped);
  cells_.resize(editable_.size(), std::string(1, blank_));
  storeText(joined());
}

std::string TMaskEdit::joined() const { return join(cells_); }

std::string TMaskEdit::EditText() const { return displayText(); }

std::string TMaskEdit::Text() const {
  if (mask_.empty()) return displayText();
  return cad::EditMask(mask_).strip(joined());
}

void TMaskEdit::SetText(const std::string& text) {
  if (mask_.empty()) return TCustomEdit::SetText(text);
  std::string before = displayText();
  rebuild(text);
  if (displayText() == before) return;
  SetSel(std::min(SelStart(), static_cast<int>(cells_.size())), 0);
  Change();
}

bool TMaskEdit::IsBlank() const {
  if (mask_.empty()) return trim(displayText()).empty();
  for (size_t i = 0; i < cells_.size(); ++i)
    if (editable_[i] && cells_[i] != std::string(1, blank_) && cells_[i] != " ") return false;
  return true;
}

int TMaskEdit::editIndex(int pos) const {
  int n = 0;
  for (int i = 0; i < pos && i < static_cast<int>(editable_.size()); ++i)
    if (editable_[i]) ++n;
  return n;
}

bool TMaskEdit::InsertText(const std::string& ch) {
  if (mask_.empty()) return TCustomEdit::InsertText(ch);
  if (!CanModify()) return false;
  int n = static_cast<int>(cells_.size());
  int start = std::min(SelStart(), n), sel = std::min(SelLength(), n - start);
  int p = start;
  while (p < n && !editable_[p]) ++p;
  if (p >= n) return false;
  std::optional<std::string> accepted = cad::EditMask(mask_).accept(editIndex(p), ch);
  if (!accepted) return false;
  // Typing over a selection blanks it first (literals stay).
  for (int i = start; i < start + sel; ++i)
    if (editable_[i]) cells_[i] = std::string(1, blank_);
  cells_[p] = *accepted;
  int caret = p + 1;
  while (caret < n && !editable_[caret]) ++caret;
  storeText(joined());
  SetSel(caret, 0);
  SetModified(true);
  Change();
  return true;
}

bool TMaskEdit::DeleteBack() {
  if (mask_.empty()) return TCustomEdit::DeleteBack();
  if (!CanModify()) return false;
  int n = static_cast<int>(cells_.size());
  int start = std::min(SelStart(), n), sel = std::min(SelLength(), n - start);
  if (sel > 0) {
    for (int i = start; i < start + sel; ++i)
      if (editable_[i]) cells_[i] = std::string(1, blank_);
  } else {
    int p = start - 1;
    while (p >= 0 && !editable_[p]) --p;
    if (p < 0) return false;
    cells_[p] = std::string(1, blank_);
    start = p;
  }
  storeText(joined());
  SetSel(start, 0);
  SetModified(true);
  Change();
  return true;
}

bool TMaskEdit::DeleteForward() {
  if (mask_.empty()) return TCustomEdit::DeleteForward();
  if (!CanModify()) return false;
  int n = static_cast<int>(cells_.size());
  int start = std::min(SelStart(), n), sel = std::min(SelLength(), n - start);
  int from = start, to = start + sel;
  if (sel == 0) {
    while (from < n && !editable_[from]) ++from;
    if (from >= n) return false;
    to = from + 1;
  }
  for (int i = from; i < to; ++i)
    if (editable_[i]) cells_[i] = std::string(1, blank_);
  storeText(joined());
  SetSel(start, 0);
  SetModified(true);
  Change();
  return true;
}

bool TMaskEdit::ReplaceText(const std::string& text) {
  if (mask_.empty()) return TCustomEdit::ReplaceText(text);
  if (!CanModify()) return false;
  std::string before = displayText();
  rebuild(text);
  SetModified(true);
  if (displayText() != before) Change();
  return true;
}

void TMaskEdit::ValidateEdit() {
  if (mask_.empty() || !Modified() || IsBlank()) return;
  cad::EditMask m(mask_);
  if (!m.complete(m.strip(joined())))
    throw Exception("Valor de entrada inválido. Use a tecla Esc para abandonar as alterações.");
}

void TMaskEdit::DoExit() {
  ValidateEdit();
  TCustomEdit::DoExit();
}

const PropertyTable& TMaskEdit::Properties() const {
  static const PropertyTable table(
      &TCustomEdit::Properties(),
      {
          Prop<TMaskEdit>(
              "EditMask", [](const TMaskEdit& c) { return c.EditMask(); },
              [](TMaskEdit& c, const Variant& v) { c.SetEditMask(PropString(v)); }),
          ReadOnlyProp<TMaskEdit>("EditText", [](const TMaskEdit& c) { return c.EditText(); }),
      });
  return table;
}

// ---------------------------------------------------------------- TDateEditPlus

namespace {

std::string dateMaskFor(const std::string& format) {
  std::string mask;
  for (char c : format) {
    char l = static_cast<char>(c | 0x20);
    mask += (l == 'd' || l == 'm' || l == 'y') ? '9' : (c == '9' || c == '0' ? '\\' : '\0');
    if (mask.back() == '\0')
      mask.back() = c;
    else if (mask.back() == '\\')
      mask += c;
  }
  return mask + ";1;_";
}

}  // namespace

TDateEditPlus::TDateEditPlus() { SetEditMask(dateMaskFor(formatSettings().shortDateFormat)); }

DateTime TDateEditPlus::Date() const {
  if (IsBlank()) return DateTime{};
  auto d = parseDate(trim(EditText()), formatSettings().shortDateFormat);
  if (!d) throw Exception("'" + EditText() + "' não é uma data válida.");
  return *d;
}

void TDateEditPlus::SetDate(DateTime d) {
  SetText(d.serial == 0 ? std::string() : formatDate(d, formatSettings().shortDateFormat));
}

void TDateEditPlus::CheckValidDate() {
  if (IsBlank()) return;
  if (!parseDate(trim(EditText()), formatSettings().shortDateFormat)) {
    if (CanFocus() && !Focused()) SetFocus();
    throw Exception("'" + EditText() + "' não é uma data válida.");
  }
}

void TDateEditPlus::StepDays(int days) {
  if (!CanModify()) return;
  DateTime d = IsBlank() ? DateTime::today() : Date();
  d.serial += days;
  SetDate(d);
  SetModified(true);
}

const PropertyTable& TDateEditPlus::Properties() const {
  static const PropertyTable table(
      &TMaskEdit::Properties(),
      {
          Prop<TDateEditPlus>(
              "Date", [](const TDateEditPlus& c) { return c.IsBlank() ? std::string() : c.Date().iso(); },
              [](TDateEditPlus& c, const Variant& v) {
                std::string s = PropString(v);
                if (s.empty()) return c.SetDate(DateTime{});
                auto d = DateTime::parseIso(s);
                if (!d) throw Exception(c.Describe() + ": data inválida '" + s + "'.");
                c.SetDate(*d);
              }),
      });
  return table;
}

// ---------------------------------------------------------------- TNumberEdit

TNumberEdit::TNumberEdit() { SetText(FormatValue(0, true)); }

void TNumberEdit::SetDecimals(int d) {
  d = std::clamp(d, 0, 15);
  if (d == decimals_) return;
  double v = 0;
  try {
    v = Value();
  } catch (const Exception&) {
  }
  decimals_ = d;
  SetValue(v);
}

void TNumberEdit::SetThousandSeparator(bool on) {
  if (on == thousands_) return;
  thousands_ = on;
  if (!Focused()) {
    try {
      SetText(FormatValue(Value(), thousands_));
    } catch (const Exception&) {
    }
  }
}

std::string TNumberEdit::FormatValue(double v, bool grouped) const {
  std::string fmt = grouped ? "#,##0" : "0";
  if (decimals_ > 0) fmt += "." + std::string(decimals_, '0');
  return formatFloat(fmt, v);
}

double TNumberEdit::Value() const {
  std::string t = trim(Text());
  if (t.empty() || t == "-") return 0;
  auto v = parseFloat(t);
  if (!v) throw Exception("'" + t + "' não é um valor numérico válido.");
  return *v;
}

void TNumberEdit::SetValue(double v) { SetText(FormatValue(v, thousands_ && !Focused())); }

bool TNumberEdit::InsertText(const std::string& typed) {
  std::string ch = typed;
  const char dec = formatSettings().decimalSeparator;
  if (ch == "." || ch == ",") ch = std::string(1, dec);
  if (ch.size() != 1) return false;
  char c = ch[0];
  std::string t = Text();
  int start = SelStart(), sel = SelLength();
  std::string kept =
      utf8Left(t, start) + std::string(t.begin() + std::min(t.size(), utf8Left(t, start + sel).size()), t.end());
  if (c == dec) {
    if (decimals_ == 0 || kept.find(dec) != std::string::npos) return false;
  } else if (c == '-') {
    if (start != 0 || kept.find('-') != std::string::npos) return false;
  } else if (c < '0' || c > '9') {
    return false;
  }
  return TCustomEdit::InsertText(ch);
}

bool TNumberEdit::ReplaceText(const std::string& text) {
  if (!trim(text).empty() && !parseFloat(trim(text))) return false;
  return TCustomEdit::ReplaceText(trim(text));
}

void TNumberEdit::DoEnter() {
  // While typing, the value shows without grouping so the caret moves over digits only.
  try {
    SetText(FormatValue(Value(), false));
  } catch (const Exception&) {
  }
  TCustomEdit::DoEnter();
}

void TNumberEdit::DoExit() {
  SetText(FormatValue(Value(), thousands_));  // a malformed number keeps the focus
  TCustomEdit::DoExit();
}

const PropertyTable& TNumberEdit::Properties() const {
  static const PropertyTable table(
      &TCustomEdit::Properties(),
      {
          Prop<TNumberEdit>(
              "Decimals", [](const TNumberEdit& c) { return c.Decimals(); },
              [](TNumberEdit& c, const Variant& v) { c.SetDecimals(PropInt(v)); }),
          Prop<TNumberEdit>(
              "ThousandSeparator", [](const TNumberEdit& c) { return c.ThousandSeparator(); },
              [](TNumberEdit& c, const Variant& v) { c.SetThousandSeparator(PropBool(v)); }),
          Prop<TNumberEdit>(
              "Value", [](const TNumberEdit& c) { return c.Value(); },
              [](TNumberEdit& c, const Variant& v) {
                c.SetValue(v.isString() ? parseFloat(v.str()).value_or(0) : v.asFloat());
              }),
      });
  return table;
}

// ---------------------------------------------------------------- TCheckBox

void TCheckBox::applyState(TCheckBoxState s, bool) {
  if (s == state_) return;
  state_ = s;
  Changed("Checked");
  TControl::Click();  // the classic check box raises OnClick on every change of Checked
}

void TCheckBox::SetChecked(bool checked) {
  applyState(checked ? TCheckBoxState::cbChecked : TCheckBoxState::cbUnchecked, false);
}
void TCheckBox::SetState(TCheckBoxState s) { applyState(s, false); }

void TCheckBox::SetReadOnly(bool ro) {
  if (ro == readOnly_) return;
  readOnly_ = ro;
  Changed("ReadOnly");
}

void TCheckBox::Toggle() {
  if (readOnly_) return;
  TCheckBoxState next = TCheckBoxState::cbUnchecked;
  if (state_ == TCheckBoxState::cbUnchecked)
    next = TCheckBoxState::cbChecked;
  else if (state_ == TCheckBoxState::cbChecked && allowGrayed_)
    next = TCheckBoxState::cbGrayed;
  applyState(next, true);
}

void TCheckBox::Click() { Toggle(); }

void TCheckBox::KeyPressDefault(const std::string& key) {
  if (key == " ") Toggle();
}

const PropertyTable& TCheckBox::Properties() const {
  static const PropertyTable table(
      &TControl::Properties(),
      {
          Prop<TCheckBox>(
              "Checked", [](const TCheckBox& c) { return c.Checked(); },
              [](TCheckBox& c, const Variant& v) { c.SetChecked(PropBool(v)); }),
          Prop<TCheckBox>(
              "AllowGrayed", [](const TCheckBox& c) { return c.AllowGrayed(); },
              [](TCheckBox& c, const Variant& v) { c.SetAllowGrayed(PropBool(v)); }),
          Prop<TCheckBox>(
              "ReadOnly", [](const TCheckBox& c) { return c.ReadOnly(); },
              [](TCheckBox& c, const Variant& v) { c.SetReadOnly(PropBool(v)); }),
          ReadOnlyProp<TCheckBox>("State", [](const TCheckBox& c) { return static_cast<int>(c.State()); }),
      });
  return table;
}

// ---------------------------------------------------------------- TRadioButton

void TRadioButton::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  if (checked && Parent())
    for (TControl* sibling : Parent()->Controls())
      if (auto* rb = dynamic_cast<TRadioButton*>(sibling); rb && rb != this) rb->SetChecked(false);
  Changed("Checked");
  if (checked) TControl::Click();
}

void TRadioButton::Click() {
  if (!checked_)
    SetChecked(true);
  else
    TControl::Click();
}

void TRadioButton::KeyPressDefault(const std::string& key) {
  if (key == " ") Click();
}

const PropertyTable& TRadioButton::Properties() const {
  static const PropertyTable table(&TControl::Properties(),
                                   {
                                       Prop<TRadioButton>(
                                           "Checked", [](const TRadioButton& c) { return c.Checked(); },
                                           [](TRadioButton& c, const Variant& v) { c.SetChecked(PropBool(v)); }),
                                   });
  return table;
}

// ---------------------------------------------------------------- TCustomRadioGroup

void TCustomRadioGroup::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  if (itemIndex_ >= static_cast<int>(items_.size())) itemIndex_ = -1;
  Changed("Items");
}

bool TCustomRadioGroup::storeIndex(int index) {
  if (index < -1 || index >= static_cast<int>(items_.size())) index = -1;
  if (index == itemIndex_) return false;
  itemIndex_ = index;
  Changed("ItemIndex");
  return true;
}

void TCustomRadioGroup::SetItemIndex(int index) {
  if (storeIndex(index)) TControl::Click();
}

void TCustomRadioGroup::UserSelect(int index) {
  if (index < 0 || index >= static_cast<int>(items_.size()))
    throw Exception(Describe() + ": item " + std::to_string(index) + " inexistente.");
  SetItemIndex(index);
}

void TCustomRadioGroup::KeyDownDefault(int& key, ShiftState) {
  int n = static_cast<int>(items_.size());
  if (n == 0) return;
  if (key == VK_DOWN || key == VK_RIGHT)
    UserSelect(std::min(n - 1, itemIndex_ + 1));
  else if (key == VK_UP || key == VK_LEFT)
    UserSelect(std::max(0, itemIndex_ - 1));
}

const PropertyTable& TCustomRadioGroup::Properties() const {
  static const PropertyTable table(
      &TControl::Properties(), {
                                   Prop<TCustomRadioGroup>(
                                       "Items", [](const TCustomRadioGroup& c) { return StringsToVariant(c.Items()); },
                                       [](TCustomRadioGroup& c, const Variant& v) { c.SetItems(PropStrings(v)); }),
                                   Prop<TCustomRadioGroup>(
                                       "ItemIndex", [](const TCustomRadioGroup& c) { return c.ItemIndex(); },
                                       [](TCustomRadioGroup& c, const Variant& v) { c.SetItemIndex(PropInt(v)); }),
                                   Prop<TCustomRadioGroup>(
                                       "Columns", [](const TCustomRadioGroup& c) { return c.Columns(); },
                                       [](TCustomRadioGroup& c, const Variant& v) { c.SetColumns(PropInt(v)); }),
                               });
  return table;
}

// ---------------------------------------------------------------- TComboBox

TComboBox::TComboBox() { changeOnSetText_ = false; }

void TComboBox::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  if (itemIndex_ >= static_cast<int>(items_.size())) itemIndex_ = -1;
  Changed("Items");
}

void TComboBox::AddItem(const std::string& item) {
  items_.push_back(item);
  Changed("Items");
}

void TComboBox::Clear() {
  items_.clear();
  itemIndex_ = -1;
  Changed("Items");
  TCustomEdit::SetText("");
}

void TComboBox::SetItemIndex(int index) {
  if (index < -1 || index >= static_cast<int>(items_.size())) index = -1;
  bool changed = index != itemIndex_;
  itemIndex_ = index;
  TCustomEdit::SetText(index >= 0 ? items_[index] : std::string());
  if (changed) Changed("ItemIndex");
}

void TComboBox::SetStyle(TComboStyle s) {
  if (s == style_) return;
  style_ = s;
  Changed("Style");
}

void TComboBox::UserSelect(int index) {
  if (index < 0 || index >= static_cast<int>(items_.size()))
    throw Exception(Describe() + ": item " + std::to_string(index) + " inexistente.");
  if (!CanModify()) return;
  SetItemIndex(index);
  SetModified(true);
  Change();
  TControl::Click();
}

void TComboBox::Change() {
  // Text typed into the edit part selects the item of that text, if any.
  if (style_ == TComboStyle::csDropDown) {
    auto it = std::find(items_.begin(), items_.end(), TCustomEdit::Text());
    int idx = it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
    if (idx != itemIndex_) {
      itemIndex_ = idx;
      Changed("ItemIndex");
    }
  }
  TCustomEdit::Change();
}

bool TComboBox::InsertText(const std::string& ch) {
  if (style_ == TComboStyle::csDropDown) return TCustomEdit::InsertText(ch);
  // A list-only combo jumps to the next item that starts with the typed character.
  int n = static_cast<int>(items_.size());
  for (int step = 1; step <= n; ++step) {
    int i = (itemIndex_ + step) % n;
    if (sameText(utf8Left(items_[i], 1), ch)) {
      UserSelect(i);
      return true;
    }
  }
  return false;
}

void TComboBox::KeyDownDefault(int& key, ShiftState shift) {
  int n = static_cast<int>(items_.size());
  if ((key == VK_DOWN || key == VK_UP) && n > 0) {
    int next = key == VK_DOWN ? std::min(n - 1, itemIndex_ + 1) : std::max(0, itemIndex_ - 1);
    if (next != itemIndex_) UserSelect(next);
    return;
  }
  if (style_ == TComboStyle::csDropDown) TCustomEdit::KeyDownDefault(key, shift);
}

const PropertyTable& TComboBox::Properties() const {
  static const PropertyTable table(
      &TCustomEdit::Properties(),
      {
          Prop<TComboBox>(
              "Items", [](const TComboBox& c) { return StringsToVariant(c.Items()); },
              [](TComboBox& c, const Variant& v) { c.SetItems(PropStrings(v)); }),
          Prop<TComboBox>(
              "ItemIndex", [](const TComboBox& c) { return c.ItemIndex(); },
              [](TComboBox& c, const Variant& v) { c.SetItemIndex(PropInt(v)); }),
          Prop<TComboBox>(
              "Style",
              [](const TComboBox& c) {
                return std::string(c.Style() == TComboStyle::csDropDownList ? "csDropDownList" : "csDropDown");
              },
              [](TComboBox& c, const Variant& v) {
                std::string s = PropString(v);
                if (sameText(s, "csDropDownList"))
                  c.SetStyle(TComboStyle::csDropDownList);
                else if (sameText(s, "csDropDown"))
                  c.SetStyle(TComboStyle::csDropDown);
                else
                  throw Exception(c.Describe() + ": estilo inválido '" + s + "'.");
              }),
      });
  return table;
}

// ---------------------------------------------------------------- TListBox

void TListBox::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  selected_.assign(items_.size(), false);
  itemIndex_ = -1;
  Changed("Items");
}

void TListBox::AddItem(const std::string& item) {
  items_.push_back(item);
  selected_.push_back(false);
  Changed("Items");
}

void TListBox::Clear() { SetItems({}); }

void TListBox::SetItemIndex(int index) {
  if (index < -1 || index >= Count()) index = -1;
  if (!multiSelect_) {
    std::fill(selected_.begin(), selected_.end(), false);
    if (index >= 0) selected_[index] = true;
  }
  if (index == itemIndex_) return;
  itemIndex_ = index;
  Changed("ItemIndex");
}

void TListBox::SetMultiSelect(bool on) {
  if (on == multiSelect_) return;
  multiSelect_ = on;
  Changed("MultiSelect");
}

bool TListBox::Selected(int index) const {
  if (index < 0 || index >= Count())
    throw Exception(Describe() + ": índice de lista fora dos limites (" + std::to_string(index) + ").");
  return selected_[index];
}

void TListBox::SetSelected(int index, bool selected) {
  if (index < 0 || index >= Count())
    throw Exception(Describe() + ": índice de lista fora dos limites (" + std::to_string(index) + ").");
  if (!multiSelect_ && selected) {
    SetItemIndex(index);
    return;
  }
  if (selected_[index] == selected) return;
  selected_[index] = selected;
  Changed("Selected");
}

int TListBox::SelCount() const { return static_cast<int>(std::count(selected_.begin(), selected_.end(), true)); }

void TListBox::UserSelect(int index, bool extend) {
  if (index < 0 || index >= Count()) throw Exception(Describe() + ": item " + std::to_string(index) + " inexistente.");
  if (multiSelect_ && extend) {
    SetSelected(index, !selected_[index]);
    if (itemIndex_ != index) {
      itemIndex_ = index;
      Changed("ItemIndex");
    }
  } else {
    std::fill(selected_.begin(), selected_.end(), false);
    selected_[index] = true;
    Changed("Selected");
    itemIndex_ = -2;  // force the notification below
    SetItemIndex(index);
  }
  TControl::Click();
}

void TListBox::KeyDownDefault(int& key, ShiftState shift) {
  if (Count() == 0) return;
  if (key == VK_DOWN)
    UserSelect(std::min(Count() - 1, itemIndex_ + 1), false);
  else if (key == VK_UP)
    UserSelect(std::max(0, itemIndex_ - 1), false);
  else if (key == VK_HOME)
    UserSelect(0, false);
  else if (key == VK_END)
    UserSelect(Count() - 1, false);
  else if (key == VK_SPACE && multiSelect_ && itemIndex_ >= 0)
    UserSelect(itemIndex_, true);
  (void)shift;
}

const PropertyTable& TListBox::Properties() const {
  static const PropertyTable table(&TControl::Properties(),
                                   {
                                       Prop<TListBox>(
                                           "Items", [](const TListBox& c) { return StringsToVariant(c.Items()); },
                                           [](TListBox& c, const Variant& v) { c.SetItems(PropStrings(v)); }),
                                       Prop<TListBox>(
                                           "ItemIndex", [](const TListBox& c) { return c.ItemIndex(); },
                                           [](TListBox& c, const Variant& v) { c.SetItemIndex(PropInt(v)); }),
                                       Prop<TListBox>(
                                           "MultiSelect", [](const TListBox& c) { return c.MultiSelect(); },
                                           [](TListBox& c, const Variant& v) { c.SetMultiSelect(PropBool(v)); }),
                                       ReadOnlyProp<TListBox>("Selected",
                                                              [](const TListBox& c) {
                                                                std::vector<int> sel;
                                                                for (int i = 0; i < c.Count(); ++i)
                                                                  if (c.Selected(i)) sel.push_back(i);
                                                                return IntsToVariant(sel);
                                                              }),
                                   });
  return table;
}

// ---------------------------------------------------------------- buttons

void TButton::Click() {
  TControl::Click();
  if (modalResult_ != 0)
    if (TForm* f = ParentForm()) f->SetModalResult(modalResult_);
}

void TButton::KeyPressDefault(const std::string& key) {
  if (key == " ") Click();
}

const PropertyTable& TButton::Properties() const {
  static const PropertyTable table(&TControl::Properties(),
                                   {
                                       Prop<TButton>(
                                           "ModalResult", [](const TButton& c) { return c.ModalResult(); },
                                           [](TButton& c, const Variant& v) { c.SetModalResult(PropInt(v)); }),
                                       Prop<TButton>(
                                           "Default", [](const TButton& c) { return c.Default(); },
                                           [](TButton& c, const Variant& v) { c.SetDefault(PropBool(v)); }),
                                       Prop<TButton>(
                                           "Cancel", [](const TButton& c) { return c.Cancel(); },
                                           [](TButton& c, const Variant& v) { c.SetCancel(PropBool(v)); }),
                                   });
  return table;
}

void TSpeedButton::SetFlat(bool f) {
  if (f == flat_) return;
  flat_ = f;
  Changed("Flat");
}

void TSpeedButton::SetGlyph(const std::string& g) {
  if (g == glyph_) return;
  glyph_ = g;
  Changed("Glyph");
}

void TSpeedButton::SetDown(bool d) {
  if (d == down_) return;
  down_ = d;
  if (d && groupIndex_ != 0 && Parent())
    for (TControl* s : Parent()->Controls())
      if (auto* sb = dynamic_cast<TSpeedButton*>(s); sb && sb != this && sb->groupIndex_ == groupIndex_)
        sb->SetDown(false);
  Changed("Down");
}

void TSpeedButton::Click() {
  if (groupIndex_ != 0) SetDown(allowAllUp_ ? !down_ : true);
  TControl::Click();
}

const PropertyTable& TSpeedButton::Properties() const {
  static const PropertyTable table(&TControl::Properties(),
                                   {
                                       Prop<TSpeedButton>(
                                           "Flat", [](const TSpeedButton& c) { return c.Flat(); },
                                           [](TSpeedButton& c, const Variant& v) { c.SetFlat(PropBool(v)); }),
                                       Prop<TSpeedButton>(
                                           "Glyph", [](const TSpeedButton& c) { return c.Glyph(); },
                                           [](TSpeedButton& c, const Variant& v) { c.SetGlyph(PropString(v)); }),
                                       Prop<TSpeedButton>(
                                           "Down", [](const TSpeedButton& c) { return c.Down(); },
                                           [](TSpeedButton& c, const Variant& v) { c.SetDown(PropBool(v)); }),
                                       Prop<TSpeedButton>(
                                           "GroupIndex", [](const TSpeedButton& c) { return c.GroupIndex(); },
                                           [](TSpeedButton& c, const Variant& v) { c.SetGroupIndex(PropInt(v)); }),
                                       Prop<TSpeedButton>(
                                           "AllowAllUp", [](const TSpeedButton& c) { return c.AllowAllUp(); },
                                           [](TSpeedButton& c, const Variant& v) { c.SetAllowAllUp(PropBool(v)); }),
                                   });
  return table;
}

std::function<bool(TBtnPesquisa&)> TBtnPesquisa::LookupHook;

bool TBtnPesquisa::Execute() {
  if (BeforePesq) BeforePesq(*this);
  if (!LookupHook) throw Exception(Describe() + ": serviço de pesquisa não instalado.");
  bool picked = LookupHook(*this);
  if (picked && AfterPesq) AfterPesq(*this);
  return picked;
}

void TBtnPesquisa::Click() {
  // A lookup button runs its lookup: it passes no ModalResult to its form, as TButton::Click does.
  TControl::Click();  // NOLINT(bugprone-parent-virtual-call)
  Execute();
}

const PropertyTable& TBtnPesquisa::Properties() const {
  static const PropertyTable table(
      &TButton::Properties(),
      {
          Prop<TBtnPesquisa>(
              "Title", [](const TBtnPesquisa& c) { return c.Title(); },
              [](TBtnPesquisa& c, const Variant& v) { c.SetTitle(PropString(v)); }),
          Prop<TBtnPesquisa>(
              "EmptyError", [](const TBtnPesquisa& c) { return c.EmptyError(); },
              [](TBtnPesquisa& c, const Variant& v) { c.SetEmptyError(PropString(v)); }),
          Prop<TBtnPesquisa>(
              "LookupFields", [](const TBtnPesquisa& c) { return c.LookupFields(); },
              [](TBtnPesquisa& c, const Variant& v) { c.SetLookupFields(PropString(v)); }),
          Prop<TBtnPesquisa>(
              "DataSet",
              [](const TBtnPesquisa& c) { return c.LookupDataSet() ? c.LookupDataSet()->Name : std::string(); },
              [](TBtnPesquisa& c, const Variant& v) {
                TForm* f = dynamic_cast<TForm*>(c.Owner());
                std::string name = PropString(v);
                if (name.empty() || !f) return c.SetLookupDataSet(nullptr);
                DataSet* ds = f->FindDataSet(name);
                if (!ds) throw Exception(c.Describe() + ": conjunto de dados '" + name + "' não encontrado.");
                c.SetLookupDataSet(ds);
              }),
          EventProp<TBtnPesquisa>("BeforePesq", &TBtnPesquisa::BeforePesq),
          EventProp<TBtnPesquisa>("AfterPesq", &TBtnPesquisa::AfterPesq),
      });
  return table;
}

// ---------------------------------------------------------------- decoration

const PropertyTable& TSplitter::Properties() const {
  static const PropertyTable table(&TControl::Properties(),
                                   {
                                       Prop<TSplitter>(
                                           "MinSize", [](const TSplitter& c) { return c.MinSize(); },
                                           [](TSplitter& c, const Variant& v) { c.SetMinSize(PropInt(v)); }),
                                   });
  return table;
}

void TImage::SetPicture(const std::string& p) {
  if (p == picture_) return;
  picture_ = p;
  Changed("Picture");
}

const PropertyTable& TImage::Properties() const {
  static const PropertyTable table(&TControl::Properties(),
                                   {
                                       Prop<TImage>(
                                           "Picture", [](const TImage& c) { return c.Picture(); },
                                           [](TImage& c, const Variant& v) { c.SetPicture(PropString(v)); }),
                                       Prop<TImage>(
                                           "Transparent", [](const TImage& c) { return c.Transparent(); },
                                           [](TImage& c, const Variant& v) { c.SetTransparent(PropBool(v)); }),
                                       Prop<TImage>(
                                           "Stretch", [](const TImage& c) { return c.Stretch(); },
                                           [](TImage& c, const Variant& v) { c.SetStretch(PropBool(v)); }),
                                   });
  return table;
}

}  // namespace cad
