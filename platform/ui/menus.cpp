// Menu items, main menus and popup menus. Items notify their own property changes; the tree
// notifies the menu ("Items") when an item is added or removed so a renderer rebuilds the bar.
#include "platform/ui/menus.h"

#include <algorithm>

#include "platform/core/format.h"
#include "platform/ui/props.h"

namespace cad {

using ui_detail::EventProp;
using ui_detail::Prop;
using ui_detail::ReadOnlyProp;

TMenuItem::TMenuItem() = default;

TMenuItem::~TMenuItem() {
  for (TMenuItem* i : items_) i->parent_ = nullptr;
  if (parent_) std::erase(parent_->items_, this);
}

#define CAD_SETTER(member, value, prop) \
  if ((member) == (value)) return;      \
  (member) = (value);                   \
  Changed(prop)

void TMenuItem::SetCaption(const std::string& caption) { CAD_SETTER(caption_, caption, "Caption"); }
void TMenuItem::SetEnabled(bool enabled) { CAD_SETTER(enabled_, enabled, "Enabled"); }
void TMenuItem::SetVisible(bool visible) { CAD_SETTER(visible_, visible, "Visible"); }
void TMenuItem::SetRadioItem(bool radio) { CAD_SETTER(radioItem_, radio, "RadioItem"); }
void TMenuItem::SetGroupIndex(int index) { CAD_SETTER(groupIndex_, index, "GroupIndex"); }
void TMenuItem::SetShortCut(TShortCut sc) { CAD_SETTER(shortCut_, sc, "ShortCut"); }
void TMenuItem::SetHint(const std::string& hint) { CAD_SETTER(hint_, hint, "Hint"); }

void TMenu::SetEnabled(bool enabled) { CAD_SETTER(enabled_, enabled, "Enabled"); }

#undef CAD_SETTER

void TMenuItem::SetChecked(bool checked) {
  if (checked_ == checked) return;
  checked_ = checked;
  // Radio items of one group under the same parent exclude each other.
  if (checked && radioItem_ && parent_)
    for (TMenuItem* s : parent_->items_)
      if (s != this && s->radioItem_ && s->groupIndex_ == groupIndex_) s->SetChecked(false);
  Changed("Checked");
}

void TMenuItem::Add(TMenuItem* item) {
  if (item->parent_) item->parent_->Remove(item);
  item->parent_ = this;
  items_.push_back(item);
  Changed("Items");
}

void TMenuItem::Remove(TMenuItem* item) {
  if (item->parent_ != this) return;
  std::erase(items_, item);
  item->parent_ = nullptr;
  Changed("Items");
}

TMenu* TMenuItem::Menu() const {
  const TMenuItem* i = this;
  while (i->parent_) i = i->parent_;
  return i->menu_;
}

bool TMenuItem::Runnable() const { return RefusalReason().empty(); }

std::string TMenuItem::RefusalReason() const {
  for (const TMenuItem* i = this; i; i = i->parent_) {
    if (i->menu_) {
      if (!i->menu_->Enabled()) return Describe() + ": o menu está desabilitado.";
      break;
    }
    if (!i->enabled_)
      return i == this ? Describe() + " está desabilitado."
                       : Describe() + " está dentro de " + i->Describe() + ", que está desabilitado.";
    if (!i->visible_)
      return i == this ? Describe() + " está oculto."
                       : Describe() + " está dentro de " + i->Describe() + ", que está oculto.";
  }
  return {};
}

void TMenuItem::Click() {
  if (autoCheck_) SetChecked(!checked_);
  if (OnClick) OnClick(*this);
}

TMenuItem* TMenuItem::FindShortCut(TShortCut sc) {
  for (TMenuItem* i : items_) {
    if (i->shortCut_ == sc && sc != 0) return i;
    if (TMenuItem* found = i->FindShortCut(sc)) return found;
  }
  return nullptr;
}

const PropertyTable& TMenuItem::Properties() const {
  static const PropertyTable table(
      &TComponent::Properties(),
      {
          Prop<TMenuItem>(
              "Caption", [](const TMenuItem& c) { return c.Caption(); },
              [](TMenuItem& c, const Variant& v) { c.SetCaption(PropString(v)); }),
          Prop<TMenuItem>(
              "Enabled", [](const TMenuItem& c) { return c.Enabled(); },
              [](TMenuItem& c, const Variant& v) { c.SetEnabled(PropBool(v)); }),
          Prop<TMenuItem>(
              "Visible", [](const TMenuItem& c) { return c.Visible(); },
              [](TMenuItem& c, const Variant& v) { c.SetVisible(PropBool(v)); }),
          Prop<TMenuItem>(
              "Checked", [](const TMenuItem& c) { return c.Checked(); },
              [](TMenuItem& c, const Variant& v) { c.SetChecked(PropBool(v)); }),
          Prop<TMenuItem>(
              "AutoCheck", [](const TMenuItem& c) { return c.autoCheck_; },
              [](TMenuItem& c, const Variant& v) { c.autoCheck_ = PropBool(v); }),
          Prop<TMenuItem>(
              "RadioItem", [](const TMenuItem& c) { return c.RadioItem(); },
              [](TMenuItem& c, const Variant& v) { c.SetRadioItem(PropBool(v)); }),
          Prop<TMenuItem>(
              "GroupIndex", [](const TMenuItem& c) { return c.GroupIndex(); },
              [](TMenuItem& c, const Variant& v) { c.SetGroupIndex(PropInt(v)); }),
          Prop<TMenuItem>(
              "ShortCut", [](const TMenuItem& c) { return ShortCutToText(c.ShortCut()); },
              [](TMenuItem& c, const Variant& v) {
                if (v.isNumber()) return c.SetShortCut(PropInt(v));
                std::string s = PropString(v);
                TShortCut sc = TextToShortCut(s);
                if (sc == 0 && !trim(s).empty()) throw Exception(c.Describe() + ": atalho inválido '" + s + "'.");
                c.SetShortCut(sc);
              }),
          Prop<TMenuItem>(
              "Hint", [](const TMenuItem& c) { return c.Hint(); },
              [](TMenuItem& c, const Variant& v) { c.SetHint(PropString(v)); }),
          ReadOnlyProp<TMenuItem>("Runnable", [](const TMenuItem& c) { return c.Runnable(); }),
          EventProp<TMenuItem>("OnClick", &TMenuItem::OnClick),
      });
  return table;
}

TMenu::TMenu() { root_.menu_ = this; }

TMenuItem* TMenu::FindShortCut(TShortCut sc) {
  TMenuItem* i = root_.FindShortCut(sc);
  return i && i->Runnable() ? i : nullptr;
}

const PropertyTable& TMenu::Properties() const {
  static const PropertyTable table(&TComponent::Properties(),
                                   {
                                       Prop<TMenu>(
                                           "Enabled", [](const TMenu& c) { return c.Enabled(); },
                                           [](TMenu& c, const Variant& v) { c.SetEnabled(PropBool(v)); }),
                                   });
  return table;
}

const PropertyTable& TPopupMenu::Properties() const {
  static const PropertyTable table(&TMenu::Properties(), {
                                                             EventProp<TPopupMenu>("OnPopup", &TPopupMenu::OnPopup),
                                                         });
  return table;
}

void TPopupMenu::Popup() {
  if (OnPopup) OnPopup(*this);
  ++popups_;
  Changed("Popup");
}

}  // namespace cad
