// Paged containers: TPageControl with TTabSheet pages, and TNotebook with TPage pages chosen by
// index or name.
//
// Invariants:
//  - Only the active page shows; controls on other pages are neither clickable nor focusable.
//  - Changing the page while the focus is inside the old page first moves the focus to the page
//    control (exit handlers run; an exception there cancels the change).
//  - Programmatic changes (SetActivePage, SetPageIndex) raise no OnChanging/OnChange; a user
//    selection (UserSelect) asks OnChanging(allow) and then raises OnChange.
#pragma once

#include <string>
#include <vector>

#include "platform/ui/component.h"

namespace cad {

class TPageControl;

class TTabSheet : public TControl {
 public:
  const char* ClassName() const override { return "TTabSheet"; }
  const PropertyTable& Properties() const override;
  TPageControl* PageControl() const;
  bool TabVisible() const { return tabVisible_; }
  void SetTabVisible(bool v);
  int PageIndex() const;  // position among the page control's sheets; -1 when not on one

 private:
  bool tabVisible_ = true;
};

using TTabChangingEvent = std::function<void(TComponent& sender, bool& allowChange)>;

class TPageControl : public TControl {
 public:
  const char* ClassName() const override { return "TPageControl"; }
  const PropertyTable& Properties() const override;
  bool Focusable() const override { return true; }

  std::vector<TTabSheet*> Pages() const;  // child sheets in order
  int PageCount() const { return static_cast<int>(Pages().size()); }
  TTabSheet* ActivePage() const { return active_; }
  void SetActivePage(TTabSheet* page);
  int ActivePageIndex() const;
  void SetActivePageIndex(int index);
  // The user picks a tab: refused (returns a reason) when the sheet is disabled or its tab is
  // hidden; OnChanging may refuse silently; otherwise the page changes and OnChange runs.
  std::string UserSelect(TTabSheet& page);
  // Ctrl+Tab / Ctrl+Shift+Tab cycle through the selectable tabs.
  void KeyDownDefault(int& key, ShiftState shift) override;
  bool ChildShowing(const TControl& child) const override;

  TTabChangingEvent OnChanging;
  TNotifyEvent OnChange;

 private:
  void changeTo(TTabSheet* page);
  TTabSheet* active_ = nullptr;
};

class TPage : public TControl {
 public:
  const char* ClassName() const override { return "TPage"; }
};

class TNotebook : public TControl {
 public:
  const char* ClassName() const override { return "TNotebook"; }
  const PropertyTable& Properties() const override;
  std::vector<TPage*> Pages() const;
  std::vector<std::string> PageNames() const;  // the pages' captions
  int PageIndex() const { return pageIndex_; }
  void SetPageIndex(int index);
  std::string ActivePage() const;  // caption of the shown page
  void SetActivePage(const std::string& name);
  bool ChildShowing(const TControl& child) const override;
  TNotifyEvent OnPageChanged;

 private:
  int pageIndex_ = 0;
};

}  // namespace cad
