// Menus: TMenuItem (caption with '&' accelerator, shortcut, checked, enabled, visible, sub-items),
// TMainMenu (the form's menu bar) and TPopupMenu (attached to controls or popped by code).
//
// Invariants:
//  - A menu item belongs to at most one parent item; the menu's root item holds the top level.
//  - An item runs only while it and every parent item are enabled and visible (Runnable).
//  - A shortcut is looked up over every item of the menu, depth first, first match wins.
#pragma once

#include <string>
#include <vector>

#include "platform/ui/component.h"

namespace cad {

class TMenu;

class TMenuItem : public TComponent {
 public:
  TMenuItem();
  ~TMenuItem() override;
  const char* ClassName() const override { return "TMenuItem"; }
  const PropertyTable& Properties() const override;

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);
  bool RadioItem() const { return radioItem_; }
  void SetRadioItem(bool radio);
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int index);
  TShortCut ShortCut() const { return shortCut_; }
  void SetShortCut(TShortCut sc);
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint);
  bool IsSeparator() const { return caption_ == "-"; }

  // ---- tree
  TMenuItem* Parent() const { return parent_; }
  const std::vector<TMenuItem*>& Items() const { return items_; }
  int Count() const { return static_cast<int>(items_.size()); }
  void Add(TMenuItem* item);
  void Remove(TMenuItem* item);
  TMenu* Menu() const;  // the menu whose tree holds this item

  // Enabled and visible along the chain of parent items (and the menu's own).
  bool Runnable() const;
  std::string RefusalReason() const;  // "" when runnable

  TNotifyEvent OnClick;
  // Runs OnClick (a checked radio item is kept checked, the others of its group unchecked).
  virtual void Click();

  // Depth-first search of this item's sub-tree.
  TMenuItem* FindShortCut(TShortCut sc);

 private:
  friend class TMenu;
  std::string caption_, hint_;
  bool enabled_ = true, visible_ = true, checked_ = false, radioItem_ = false, autoCheck_ = false;
  int groupIndex_ = 0;
  TShortCut shortCut_ = 0;
  TMenuItem* parent_ = nullptr;
  TMenu* menu_ = nullptr;  // set on the root item only
  std::vector<TMenuItem*> items_;
};

class TMenu : public TComponent {
 public:
  TMenu();
  const PropertyTable& Properties() const override;
  // The invisible root whose sub-items are the menu's top level.
  TMenuItem& Items() { return root_; }
  const TMenuItem& Items() const { return root_; }
  // The enabled, visible item with this shortcut; null when none.
  TMenuItem* FindShortCut(TShortCut sc);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

 private:
  TMenuItem root_;
  bool enabled_ = true;
};

class TMainMenu : public TMenu {
 public:
  const char* ClassName() const override { return "TMainMenu"; }
};

class TPopupMenu : public TMenu {
 public:
  const char* ClassName() const override { return "TPopupMenu"; }
  const PropertyTable& Properties() const override;
  TNotifyEvent OnPopup;
  // The popup shows (the host lists its items); OnPopup runs first.
  void Popup();
  int PopupCount() const { return popups_; }

 private:
  int popups_ = 0;
};

}  // namespace cad
