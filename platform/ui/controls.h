// Standard controls: labels, edits (plain, masked, date, number), check boxes, radio buttons and
// groups, combo and list boxes, buttons (push, speed, flat, lookup), containers (panel, group
// box), splitter and image.
//
// Invariants:
//  - Text edited by the user goes through the edit primitives (InsertText, DeleteBack,
//    DeleteForward), which respect ReadOnly, MaxLength and the edit mask and raise OnChange once
//    per change; SetText replaces the whole text with one OnChange.
//  - A masked edit keeps its display text in the mask's shape; Text() is the stored value.
//  - Radio buttons under one parent exclude each other; a radio group has at most one item.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/core/datetime.h"
#include "platform/ui/component.h"

namespace cad {

class DataSet;
class TBtnPesquisa;

class TLabel : public TControl {
 public:
  const char* ClassName() const override { return "TLabel"; }
  const PropertyTable& Properties() const override;
  TControl* FocusControl() const { return focusControl_; }
  void SetFocusControl(TControl* c) { focusControl_ = c; }
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a);

 private:
  TControl* focusControl_ = nullptr;
  TAlignment alignment_ = TAlignment::taLeftJustify;
};

// ---------------------------------------------------------------- edits

class TCustomEdit : public TControl {
 public:
  const PropertyTable& Properties() const override;
  bool Focusable() const override { return true; }

  std::string Text() const override { return text_; }
  // Replaces the whole text (the mask shapes it); OnChange runs once when it changed.
  void SetText(const std::string& text) override;
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int n);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool ro);
  bool AutoSelect() const { return autoSelect_; }
  void SetAutoSelect(bool on) { autoSelect_ = on; }
  bool Modified() const { return modified_; }
  void SetModified(bool m) { modified_ = m; }
  // Caret and selection, in characters of the display text.
  int SelStart() const { return selStart_; }
  int SelLength() const { return selLength_; }
  void SetSel(int start, int length);
  void SelectAll();

  // Edit primitives used by the key handling (and the dispatcher); each returns whether the text
  // changed. They refuse when the control cannot be edited (read-only).
  virtual bool InsertText(const std::string& utf8Char);
  virtual bool DeleteBack();
  virtual bool DeleteForward();
  // The user replaces the whole text at once (one OnChange); false when refused.
  virtual bool ReplaceText(const std::string& text);
  // Whether the user may change the text now (data-aware edits also need an editable field).
  virtual bool CanModify() { return !readOnly_; }

  TNotifyEvent OnChange;

  void DoEnter() override;
  void KeyDownDefault(int& key, ShiftState shift) override;
  void KeyPressDefault(const std::string& key) override;

 protected:
  // Stores new display text without events; subclasses call Change() afterwards.
  void storeText(const std::string& text);
  // The text changed: notifies observers ("Text") and runs OnChange (or the subclass's Change).
  virtual void Change();
  const std::string& displayText() const { return text_; }
  // Programmatic SetText raises OnChange (edits do; combo boxes do not).
  bool changeOnSetText_ = true;

 private:
  std::string text_;
  int maxLength_ = 0;
  bool readOnly_ = false;
  bool autoSelect_ = true;
  bool modified_ = false;
  int selStart_ = 0, selLength_ = 0;
  bool caretAtStart_ = false;  // a selection grown leftwards with Shift keeps its caret at its start
  // Replaces `count` characters from `start` of the display text with `insert` (one character or
  // none), leaves the caret after it and raises OnChange.
  bool splice(const std::vector<std::string>& chars, int start, int count, const std::string& insert);
};

class TEdit : public TCustomEdit {
 public:
  const char* ClassName() const override { return "TEdit"; }
};

// An edit with a classic edit mask ("99:99;0;_", ">aaaa;0; "). Without a mask it is a plain edit.
class TMaskEdit : public TCustomEdit {
 public:
  const char* ClassName() const override { return "TMaskEdit"; }
  const PropertyTable& Properties() const override;

  const std::string& EditMask() const { return mask_; }
  void SetEditMask(const std::string& mask);
  // The text as shown, literals and blanks included ("12:__").
  std::string EditText() const;
  // The stored value: the mask's literals dropped unless saved, trailing blanks trimmed.
  std::string Text() const override;
  void SetText(const std::string& text) override;
  // No editable position is filled.
  bool IsBlank() const;

  bool InsertText(const std::string& utf8Char) override;
  bool DeleteBack() override;
  bool DeleteForward() override;
  bool ReplaceText(const std::string& text) override;
  // Leaving a modified, partly filled mask with required positions empty raises cad::Exception.
  void ValidateEdit();
  void DoExit() override;

 private:
  void rebuild(const std::string& value);
  std::string joined() const;
  int editIndex(int pos) const;  // index among editable positions
  std::string mask_;
  std::vector<std::string> cells_;  // one display character per mask position
  std::vector<bool> editable_;
  char blank_ = '_';
};

// Date edit in the session's short date format ("dd/mm/yyyy" -> mask "99/99/9999;1;_").
class TDateEditPlus : public TMaskEdit {
 public:
  TDateEditPlus();
  const char* ClassName() const override { return "TDateEditPlus"; }
  const PropertyTable& Properties() const override;
  // The date typed; the zero date when blank; throws like CheckValidDate when invalid.
  DateTime Date() const;
  void SetDate(DateTime d);  // the zero date clears the text
  // A blank text is valid; any other text must be a valid date, else the control takes the focus
  // (when it can) and cad::Exception "'<text>' não é uma data válida." is raised.
  void CheckValidDate();
  // The up-down buttons: moves the date by days (the text must hold a valid date).
  void StepDays(int days);
};

// Number edit: Value as double, Decimals, thousands separators from the session settings when
// the control shows the value (not while it is being typed).
class TNumberEdit : public TCustomEdit {
 public:
  TNumberEdit();
  const char* ClassName() const override { return "TNumberEdit"; }
  const PropertyTable& Properties() const override;
  int Decimals() const { return decimals_; }
  void SetDecimals(int d);
  bool ThousandSeparator() const { return thousands_; }
  void SetThousandSeparator(bool on);
  // The number typed (0 when blank); throws cad::Exception when the text is not a number.
  double Value() const;
  void SetValue(double v);
  // Accepts digits, one decimal separator ('.' typed on the keypad becomes the session's
  // separator) and a leading minus sign.
  bool InsertText(const std::string& utf8Char) override;
  bool ReplaceText(const std::string& text) override;
  void DoEnter() override;
  void DoExit() override;
  std::string FormatValue(double v, bool grouped) const;

 private:
  int decimals_ = 2;
  bool thousands_ = true;
};

// ---------------------------------------------------------------- check boxes and radios

enum class TCheckBoxState : uint8_t { cbUnchecked, cbChecked, cbGrayed };

class TCheckBox : public TControl {
 public:
  const char* ClassName() const override { return "TCheckBox"; }
  const PropertyTable& Properties() const override;
  bool Focusable() const override { return true; }
  bool Checked() const { return state_ == TCheckBoxState::cbChecked; }
  // A change raises OnClick, as a user click does.
  void SetChecked(bool checked);
  TCheckBoxState State() const { return state_; }
  void SetState(TCheckBoxState s);
  bool AllowGrayed() const { return allowGrayed_; }
  void SetAllowGrayed(bool on) { allowGrayed_ = on; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool ro);
  // Toggles (unchecked -> checked [-> grayed] -> unchecked); read-only boxes do not change.
  virtual void Toggle();
  void Click() override;
  void KeyPressDefault(const std::string& key) override;

 protected:
  // Stores the state; `user` is true for a toggle by the user.
  virtual void applyState(TCheckBoxState s, bool user);

 private:
  TCheckBoxState state_ = TCheckBoxState::cbUnchecked;
  bool allowGrayed_ = false;
  bool readOnly_ = false;
};

class TRadioButton : public TControl {
 public:
  const char* ClassName() const override { return "TRadioButton"; }
  const PropertyTable& Properties() const override;
  bool Focusable() const override { return true; }
  bool Checked() const { return checked_; }
  // Checking unchecks the other radio buttons of the same parent and raises OnClick.
  void SetChecked(bool checked);
  void Click() override;
  void KeyPressDefault(const std::string& key) override;

 private:
  bool checked_ = false;
};

class TCustomRadioGroup : public TControl {
 public:
  const PropertyTable& Properties() const override;
  bool Focusable() const override { return true; }
  const std::vector<std::string>& Items() const { return items_; }
  void SetItems(std::vector<std::string> items);
  int ItemIndex() const { return itemIndex_; }
  // A change raises OnClick.
  virtual void SetItemIndex(int index);
  int Columns() const { return columns_; }
  void SetColumns(int n) { columns_ = n; }
  void KeyDownDefault(int& key, ShiftState shift) override;
  // The user picks an item (dispatcher): refused silently when it cannot change.
  virtual void UserSelect(int index);

 protected:
  // Stores the index without OnClick; returns whether it changed.
  bool storeIndex(int index);

 private:
  std::vector<std::string> items_;
  int itemIndex_ = -1;
  int columns_ = 1;
};

class TRadioGroup : public TCustomRadioGroup {
 public:
  const char* ClassName() const override { return "TRadioGroup"; }
};

// ---------------------------------------------------------------- lists

enum class TComboStyle : uint8_t { csDropDown, csDropDownList };

class TComboBox : public TCustomEdit {
 public:
  TComboBox();
  const char* ClassName() const override { return "TComboBox"; }
  const PropertyTable& Properties() const override;
  const std::vector<std::string>& Items() const { return items_; }
  void SetItems(std::vector<std::string> items);
  void AddItem(const std::string& item);
  void Clear();  // items and text
  int ItemIndex() const { return itemIndex_; }
  // Programmatic selection: the text follows; no OnChange (as the classic combo).
  void SetItemIndex(int index);
  TComboStyle Style() const { return style_; }
  void SetStyle(TComboStyle s);
  // The user picks an item: text follows, then OnChange and OnClick.
  virtual void UserSelect(int index);
  bool InsertText(const std::string& utf8Char) override;
  void KeyDownDefault(int& key, ShiftState shift) override;

 protected:
  void Change() override;

 private:
  std::vector<std::string> items_;
  int itemIndex_ = -1;
  TComboStyle style_ = TComboStyle::csDropDown;
};

class TListBox : public TControl {
 public:
  const char* ClassName() const override { return "TListBox"; }
  const PropertyTable& Properties() const override;
  bool Focusable() const override { return true; }
  const std::vector<std::string>& Items() const { return items_; }
  void SetItems(std::vector<std::string> items);
  void AddItem(const std::string& item);
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);
  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool on);
  bool Selected(int index) const;
  void SetSelected(int index, bool selected);
  int SelCount() const;
  // The user clicks an item: single selection moves; with MultiSelect and `extend` (Ctrl+click)
  // the item's selection toggles. OnClick follows.
  void UserSelect(int index, bool extend);
  void KeyDownDefault(int& key, ShiftState shift) override;

 private:
  std::vector<std::string> items_;
  std::vector<bool> selected_;
  int itemIndex_ = -1;
  bool multiSelect_ = false;
};

// ---------------------------------------------------------------- buttons

class TButton : public TControl {
 public:
  const char* ClassName() const override { return "TButton"; }
  const PropertyTable& Properties() const override;
  bool Focusable() const override { return true; }
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int r) { modalResult_ = r; }
  bool Default() const { return default_; }
  void SetDefault(bool d) { default_ = d; }
  bool Cancel() const { return cancel_; }
  void SetCancel(bool c) { cancel_ = c; }
  // OnClick, then the button's ModalResult (when set) goes to its form.
  void Click() override;
  void KeyPressDefault(const std::string& key) override;

 private:
  int modalResult_ = 0;
  bool default_ = false, cancel_ = false;
};

// Toolbar button: never takes the focus, so the focused control stays where it was.
class TSpeedButton : public TControl {
 public:
  const char* ClassName() const override { return "TSpeedButton"; }
  const PropertyTable& Properties() const override;
  bool Flat() const { return flat_; }
  void SetFlat(bool f);
  const std::string& Glyph() const { return glyph_; }
  void SetGlyph(const std::string& g);
  bool Down() const { return down_; }
  void SetDown(bool d);
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int g) { groupIndex_ = g; }
  bool AllowAllUp() const { return allowAllUp_; }
  void SetAllowAllUp(bool a) { allowAllUp_ = a; }
  void Click() override;

 private:
  bool flat_ = false, down_ = false, allowAllUp_ = false;
  int groupIndex_ = 0;
  std::string glyph_;
};

// The framework's flat toolbar button.
class TButtonFlat : public TSpeedButton {
 public:
  TButtonFlat() { SetFlat(true); }
  const char* ClassName() const override { return "TButtonFlat"; }
};

// Lookup button: BeforePesq, the framework's lookup over its dataset (installed through
// TBtnPesquisa::LookupHook; it shows EmptyError when there is nothing to pick), then AfterPesq
// when a row was picked (the dataset stands on it).
class TBtnPesquisa : public TButton {
 public:
  const char* ClassName() const override { return "TBtnPesquisa"; }
  const PropertyTable& Properties() const override;
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& t) { title_ = t; }
  const std::string& EmptyError() const { return emptyError_; }
  void SetEmptyError(const std::string& e) { emptyError_ = e; }
  // The dataset the lookup lists, and the fields it shows ("CDFILIAL;NMFILIAL"; empty = all).
  DataSet* LookupDataSet() const { return dataSet_; }
  void SetLookupDataSet(DataSet* ds) { dataSet_ = ds; }
  const std::string& LookupFields() const { return fields_; }
  void SetLookupFields(const std::string& f) { fields_ = f; }

  TNotifyEvent BeforePesq, AfterPesq;
  // Installed by the framework: runs the lookup for the button, returns true when picked.
  static std::function<bool(TBtnPesquisa&)> LookupHook;
  // Runs the whole sequence; returns whether a row was picked.
  bool Execute();
  void Click() override;
  // A lookup button never takes the focus: a click opens the list whatever the field holds, and
  // the field's own check runs on the pick or when the user leaves it.
  bool Focusable() const override { return false; }

 private:
  std::string title_, emptyError_, fields_;
  DataSet* dataSet_ = nullptr;
};

// ---------------------------------------------------------------- containers and decoration

class TPanel : public TControl {
 public:
  const char* ClassName() const override { return "TPanel"; }
};

class TGroupBox : public TControl {
 public:
  const char* ClassName() const override { return "TGroupBox"; }
};

class TSplitter : public TControl {
 public:
  const char* ClassName() const override { return "TSplitter"; }
  const PropertyTable& Properties() const override;
  int MinSize() const { return minSize_; }
  void SetMinSize(int m) { minSize_ = m; }

 private:
  int minSize_ = 30;
};

// An image: the picture is a resource name the renderer resolves.
class TImage : public TControl {
 public:
  const char* ClassName() const override { return "TImage"; }
  const PropertyTable& Properties() const override;
  const std::string& Picture() const { return picture_; }
  void SetPicture(const std::string& p);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool t) { transparent_ = t; }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool s) { stretch_ = s; }

 private:
  std::string picture_;
  bool transparent_ = false, stretch_ = false;
};

}  // namespace cad
