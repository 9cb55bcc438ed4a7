// Page control, tab sheets and notebook. Focus inside a page that stops showing is moved out
// first, so no hidden control keeps the focus.
#include "platform/ui/pages.h"

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/ui/forms.h"
#include "platform/ui/props.h"

namespace cad {

using ui_detail::EventProp;
using ui_detail::Prop;
using ui_detail::ReadOnlyProp;

namespace {

// Moves the focus out of `page` to `fallback` when the focused control is inside it; exit
// handlers may refuse by throwing.
void leavePage(TControl* page, TControl* fallback) {
  if (!page) return;
  TForm* form = page->ParentForm();
  if (!form || !form->ActiveControl() || !page->Contains(form->ActiveControl())) return;
  if (fallback && fallback->Focusable() && fallback->EnabledChain()) form->FocusControl(fallback);
}

}  // namespace

// ---------------------------------------------------------------- TTabSheet

TPageControl* TTabSheet::PageControl() const { return dynamic_cast<TPageControl*>(Parent()); }

void TTabSheet::SetTabVisible(bool v) {
  if (v == tabVisible_) return;
  tabVisible_ = v;
  Changed("TabVisible");
}

int TTabSheet::PageIndex() const {
  TPageControl* pc = PageControl();
  if (!pc) return -1;
  auto pages = pc->Pages();
  for (size_t i = 0; i < pages.size(); ++i)
    if (pages[i] == this) return static_cast<int>(i);
  return -1;
}

const PropertyTable& TTabSheet::Properties() const {
  static const PropertyTable table(
      &TControl::Properties(),
      {
          Prop<TTabSheet>(
              "TabVisible", [](const TTabSheet& c) { return c.TabVisible(); },
              [](TTabSheet& c, const Variant& v) { c.SetTabVisible(PropBool(v)); }),
          ReadOnlyProp<TTabSheet>("PageIndex", [](const TTabSheet& c) { return c.PageIndex(); }),
      });
  return table;
}

// ---------------------------------------------------------------- TPageControl

std::vector<TTabSheet*> TPageControl::Pages() const {
  std::vector<TTabSheet*> out;
  for (TControl* c : Controls())
    if (auto* s = dynamic_cast<TTabSheet*>(c)) out.push_back(s);
  return out;
}

int TPageControl::ActivePageIndex() const { return active_ ? active_->PageIndex() : -1; }

void TPageControl::changeTo(TTabSheet* page) {
  if (page == active_) return;
  if (page && page->Parent() != this)
    throw Exception(Describe() + ": " + page->Describe() + " não é uma página deste controle.");
  leavePage(active_, this);
  active_ = page;
  Changed("ActivePage");
}

void TPageControl::SetActivePage(TTabSheet* page) { changeTo(page); }

void TPageControl::SetActivePageIndex(int index) {
  auto pages = Pages();
  if (index < 0 || index >= static_cast<int>(pages.size()))
    throw Exception(Describe() + ": página " + std::to_string(index) + " inexistente.");
  changeTo(pages[index]);
}

std::string TPageControl::UserSelect(TTabSheet& page) {
  if (page.Parent() != this) return page.Describe() + " não é uma página de " + Describe() + ".";
  if (!page.TabVisible() || !page.Visible()) return page.Describe() + " está oculta.";
  if (!page.Enabled()) return page.Describe() + " está desabilitada.";
  if (&page == active_) return {};
  bool allow = true;
  if (OnChanging) OnChanging(*this, allow);
  if (!allow) return {};
  changeTo(&page);
  if (OnChange) OnChange(*this);
  return {};
}

void TPageControl::KeyDownDefault(int& key, ShiftState shift) {
  if (key != VK_TAB || !(shift & ssCtrl)) return;
  auto pages = Pages();
  int n = static_cast<int>(pages.size());
  int cur = ActivePageIndex();
  for (int step = 1; step < n; ++step) {
    int i = ((cur + ((shift & ssShift) ? -step : step)) % n + n) % n;
    if (pages[i]->TabVisible() && pages[i]->Visible() && pages[i]->Enabled()) {
      UserSelect(*pages[i]);
      return;
    }
  }
}

bool TPageControl::ChildShowing(const TControl& child) const {
  if (dynamic_cast<const TTabSheet*>(&child)) return &child == active_;
  return true;
}

const PropertyTable& TPageControl::Properties() const {
  static const PropertyTable table(
      &TControl::Properties(),
      {
          Prop<TPageControl>(
              "ActivePage",
              [](const TPageControl& c) { return c.ActivePage() ? c.ActivePage()->Name() : std::string(); },
              [](TPageControl& c, const Variant& v) {
                std::string name = PropString(v);
                if (name.empty()) return c.SetActivePage(nullptr);
                for (TTabSheet* s : c.Pages())
                  if (sameText(s->Name(), name)) return c.SetActivePage(s);
                throw Exception(c.Describe() + ": página '" + name + "' inexistente.");
              }),
          Prop<TPageControl>(
              "ActivePageIndex", [](const TPageControl& c) { return c.ActivePageIndex(); },
              [](TPageControl& c, const Variant& v) { c.SetActivePageIndex(PropInt(v)); }),
          EventProp<TPageControl>("OnChanging", &TPageControl::OnChanging),
          EventProp<TPageControl>("OnChange", &TPageControl::OnChange),
      });
  return table;
}

// ---------------------------------------------------------------- TNotebook

std::vector<TPage*> TNotebook::Pages() const {
  std::vector<TPage*> out;
  for (TControl* c : Controls())
    if (auto* p = dynamic_cast<TPage*>(c)) out.push_back(p);
  return out;
}

std::vector<std::string> TNotebook::PageNames() const {
  std::vector<std::string> out;
  for (TPage* p : Pages()) out.push_back(p->Caption());
  return out;
}

void TNotebook::SetPageIndex(int index) {
  auto pages = Pages();
  if (index < 0 || index >= static_cast<int>(pages.size()))
    throw Exception(Describe() + ": página " + std::to_string(index) + " inexistente.");
  if (index == pageIndex_) return;
  if (pageIndex_ >= 0 && pageIndex_ < static_cast<int>(pages.size())) {
    TForm* form = ParentForm();
    TControl* old = pages[pageIndex_];
    if (form && form->ActiveControl() && old->Contains(form->ActiveControl())) {
      // Leave the page for the next focusable control outside it, running the exit handlers.
      for (TControl* c : form->TabOrderList())
        if (!old->Contains(c) && c->Focusable() && c->EnabledChain() && c->Visible() && c != form->ActiveControl()) {
          form->FocusControl(c);
          break;
        }
    }
  }
  pageIndex_ = index;
  Changed("PageIndex");
  if (OnPageChanged) OnPageChanged(*this);
}

std::string TNotebook::ActivePage() const {
  auto names = PageNames();
  return pageIndex_ >= 0 && pageIndex_ < static_cast<int>(names.size()) ? names[pageIndex_] : std::string();
}

void TNotebook::SetActivePage(const std::string& name) {
  auto names = PageNames();
  for (size_t i = 0; i < names.size(); ++i)
    if (sameText(names[i], name)) return SetPageIndex(static_cast<int>(i));
  throw Exception(Describe() + ": página '" + name + "' inexistente.");
}

bool TNotebook::ChildShowing(const TControl& child) const {
  auto pages = Pages();
  for (size_t i = 0; i < pages.size(); ++i)
    if (pages[i] == &child) return static_cast<int>(i) == pageIndex_;
  return true;
}

const PropertyTable& TNotebook::Properties() const {
  static const PropertyTable table(
      &TControl::Properties(),
      {
          Prop<TNotebook>(
              "PageIndex", [](const TNotebook& c) { return c.PageIndex(); },
              [](TNotebook& c, const Variant& v) { c.SetPageIndex(PropInt(v)); }),
          Prop<TNotebook>(
              "ActivePage", [](const TNotebook& c) { return c.ActivePage(); },
              [](TNotebook& c, const Variant& v) { c.SetActivePage(PropString(v)); }),
          ReadOnlyProp<TNotebook>("Pages", [](const TNotebook& c) { return StringsToVariant(c.PageNames()); }),
          EventProp<TNotebook>("OnPageChanged", &TNotebook::OnPageChanged),
      });
  return table;
}

}  // namespace cad
