// TComponent and TControl: names, observers, reflected properties, the parent tree, geometry and
// the enabled/showing chain. Setters notify only on a real change, so observers can redraw
// without loops.
#include "platform/ui/component.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/ui/forms.h"
#include "platform/ui/menus.h"
#include "platform/ui/props.h"

namespace cad {

using ui_detail::EventProp;
using ui_detail::Prop;
using ui_detail::ReadOnlyProp;

// ---------------------------------------------------------------- keys and shortcuts

namespace {

struct KeyName {
  const char* name;
  int key;
};

const KeyName kKeyNames[] = {
    {"Backspace", VK_BACK}, {"BkSp", VK_BACK},     {"Tab", VK_TAB},     {"Enter", VK_RETURN}, {"Return", VK_RETURN},
    {"Esc", VK_ESCAPE},     {"Escape", VK_ESCAPE}, {"Space", VK_SPACE}, {"PgUp", VK_PRIOR},   {"PageUp", VK_PRIOR},
    {"PgDn", VK_NEXT},      {"PageDown", VK_NEXT}, {"End", VK_END},     {"Home", VK_HOME},    {"Left", VK_LEFT},
    {"Up", VK_UP},          {"Right", VK_RIGHT},   {"Down", VK_DOWN},   {"Ins", VK_INSERT},   {"Insert", VK_INSERT},
    {"Del", VK_DELETE},     {"Delete", VK_DELETE},
};

std::string keyName(int key) {
  if (key >= VK_F1 && key <= VK_F12) return "F" + std::to_string(key - VK_F1 + 1);
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return std::string(1, char(key));
  switch (key) {
    case VK_BACK: return "BkSp";
    case VK_TAB: return "Tab";
    case VK_RETURN: return "Enter";
    case VK_ESCAPE: return "Esc";
    case VK_SPACE: return "Space";
    case VK_PRIOR: return "PgUp";
    case VK_NEXT: return "PgDn";
    case VK_END: return "End";
    case VK_HOME: return "Home";
    case VK_LEFT: return "Left";
    case VK_UP: return "Up";
    case VK_RIGHT: return "Right";
    case VK_DOWN: return "Down";
    case VK_INSERT: return "Ins";
    case VK_DELETE: return "Del";
    default: return {};
  }
}

int keyFromName(std::string_view name) {
  if (name.size() == 1) {
    char c = name[0];
    if (c >= 'a' && c <= 'z') c = char(c - 32);
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;
    return 0;
  }
  if ((name[0] == 'F' || name[0] == 'f') && name.size() <= 3) {
    int n = 0;
    auto [p, ec] = std::from_chars(name.data() + 1, name.data() + name.size(), n);
    if (ec == std::errc() && p == name.data() + name.size() && n >= 1 && n <= 12) return VK_F1 + n - 1;
  }
  for (const KeyName& k : kKeyNames)
    if (sameText(k.name, name)) return k.key;
  return 0;
}

}  // namespace

TShortCut ShortCut(int key, ShiftState shift) {
  TShortCut sc = key & 0xFF;
  if (shift & ssShift) sc |= scShift;
  if (shift & ssCtrl) sc |= scCtrl;
  if (shift & ssAlt) sc |= scAlt;
  return sc;
}

bool ParseKey(std::string_view text, int& key, ShiftState& shift) {
  key = 0;
  shift = 0;
  std::string t = trim(text);
  std::string_view rest = t;
  while (true) {
    size_t plus = rest.find('+', 1);  // "+" alone or a trailing "+" is not a separator
    if (plus == std::string_view::npos) break;
    std::string_view mod = rest.substr(0, plus);
    if (sameText(mod, "Ctrl") || sameText(mod, "Control"))
      shift |= ssCtrl;
    else if (sameText(mod, "Shift"))
      shift |= ssShift;
    else if (sameText(mod, "Alt"))
      shift |= ssAlt;
    else
      return false;
    rest = rest.substr(plus + 1);
  }
  if (rest.empty()) return false;
  key = keyFromName(rest);
  return key != 0;
}

TShortCut TextToShortCut(std::string_view text) {
  int key;
  ShiftState shift;
  if (!ParseKey(text, key, shift)) return 0;
  return ShortCut(key, shift);
}

std::string ShortCutToText(TShortCut sc) {
  if (sc == 0) return {};
  std::string name = keyName(sc & 0xFF);
  if (name.empty()) return {};
  std::string out;
  if (sc & scShift) out += "Shift+";
  if (sc & scCtrl) out += "Ctrl+";
  if (sc & scAlt) out += "Alt+";
  return out + name;
}

std::string StripHotkey(std::string_view caption) {
  std::string out;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&') {
      if (i + 1 < caption.size() && caption[i + 1] == '&') {
        out += '&';
        ++i;
      }
      continue;
    }
    out += caption[i];
  }
  return out;
}

TColor ColorFromText(std::string_view text) {
  static const std::pair<const char*, TColor> names[] = {
      {"clBlack", clBlack},     {"clMaroon", clMaroon},   {"clGreen", clGreen},
      {"clOlive", clOlive},     {"clNavy", clNavy},       {"clPurple", clPurple},
      {"clTeal", clTeal},       {"clGray", clGray},       {"clSilver", clSilver},
      {"clRed", clRed},         {"clLime", clLime},       {"clYellow", clYellow},
      {"clBlue", clBlue},       {"clFuchsia", clFuchsia}, {"clAqua", clAqua},
      {"clWhite", clWhite},     {"clWindow", clWindow},   {"clWindowText", clWindowText},
      {"clBtnFace", clBtnFace}, {"clInfoBk", clInfoBk},   {"clDefault", clDefault},
  };
  for (const auto& [name, value] : names)
    if (sameText(name, text)) return value;
  std::string t = trim(text);
  int base = 10;
  std::string_view digits = t;
  if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
    base = 16;
    digits.remove_prefix(2);
  } else if (!t.empty() && t[0] == '$') {
    base = 16;
    digits.remove_prefix(1);
  }
  TColor value = 0;
  auto [p, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (digits.empty() || ec != std::errc() || p != digits.data() + digits.size())
    throw Exception("Cor inválida: '" + t + "'.");
  return value;
}

// ---------------------------------------------------------------- property conversions

int PropInt(const Variant& v) {
  if (v.isString()) {
    int out = 0;
    const std::string& s = v.str();
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    if (ec != std::errc() || p != s.data() + s.size()) throw Exception("Número inteiro inválido: '" + s + "'.");
    return out;
  }
  return static_cast<int>(v.asInt());
}

bool PropBool(const Variant& v) {
  if (v.isString()) {
    if (sameText(v.str(), "true") || v.str() == "1") return true;
    if (sameText(v.str(), "false") || v.str() == "0" || v.str().empty()) return false;
    throw Exception("Valor lógico inválido: '" + v.str() + "'.");
  }
  return v.asBool();
}

std::string PropString(const Variant& v) { return v.isNull() ? std::string() : v.asString(); }

std::vector<std::string> PropStrings(const Variant& v) {
  std::vector<std::string> out;
  if (v.isNull()) return out;
  if (v.isArray()) {
    for (const Variant& e : v.asArray()) out.push_back(PropString(e));
    return out;
  }
  std::string s = v.asString();
  if (s.empty()) return out;
  size_t start = 0;
  while (true) {
    size_t nl = s.find('\n', start);
    out.push_back(s.substr(start, nl == std::string::npos ? std::string::npos : nl - start));
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  return out;
}

std::vector<int> PropInts(const Variant& v) {
  std::vector<int> out;
  if (v.isArray())
    for (const Variant& e : v.asArray()) out.push_back(PropInt(e));
  else if (!v.isNull())
    out.push_back(PropInt(v));
  return out;
}

Variant StringsToVariant(const std::vector<std::string>& items) {
  VariantArray a;
  a.reserve(items.size());
  for (const auto& s : items) a.emplace_back(s);
  return Variant(std::move(a));
}

Variant IntsToVariant(const std::vector<int>& items) {
  VariantArray a;
  a.reserve(items.size());
  for (int i : items) a.emplace_back(i);
  return Variant(std::move(a));
}

// ---------------------------------------------------------------- PropertyTable

PropertyTable::PropertyTable(const PropertyTable* base, std::vector<Property> props)
    : base_(base), props_(std::move(props)) {}

const Property* PropertyTable::find(std::string_view name) const {
  for (const PropertyTable* t = this; t; t = t->base_)
    for (const Property& p : t->props_)
      if (sameText(p.name, name)) return &p;
  return nullptr;
}

std::vector<const Property*> PropertyTable::all() const {
  std::vector<const Property*> out = base_ ? base_->all() : std::vector<const Property*>{};
  for (const Property& p : props_) out.push_back(&p);
  return out;
}

// ---------------------------------------------------------------- TComponent

TComponent::TComponent() = default;

TComponent::~TComponent() { Changed("Destroying"); }

void TComponent::SetName(std::string name) {
  if (name == name_) return;
  name_ = std::move(name);
  Changed("Name");
}

void TComponent::SetTag(int tag) {
  if (tag == tag_) return;
  tag_ = tag;
  Changed("Tag");
}

int TComponent::Observe(Observer observer) {
  int id = nextObserver_++;
  observers_.emplace_back(id, std::move(observer));
  return id;
}

void TComponent::Unobserve(int id) {
  std::erase_if(observers_, [id](const auto& o) { return o.first == id; });
}

void TComponent::Changed(std::string_view property) {
  if (observers_.empty()) return;
  // A copy, so an observer may add or remove observers while being notified.
  auto copy = observers_;
  for (auto& [id, fn] : copy)
    if (fn) fn(*this, property);
}

const PropertyTable& TComponent::Properties() const {
  static const PropertyTable table(
      nullptr,
      {
          ReadOnlyProp<TComponent>("ClassName", [](const TComponent& c) { return std::string(c.ClassName()); }),
          Prop<TComponent>(
              "Name", [](const TComponent& c) { return c.Name(); },
              [](TComponent& c, const Variant& v) { c.SetName(PropString(v)); }),
          Prop<TComponent>(
              "Tag", [](const TComponent& c) { return c.Tag(); },
              [](TComponent& c, const Variant& v) { c.SetTag(PropInt(v)); }),
      });
  return table;
}

std::string TComponent::Describe() const { return std::string(ClassName()) + " '" + name_ + "'"; }

void TComponent::AddLayoutEntry(std::string_view list, const std::vector<std::pair<std::string, Variant>>&) {
  throw Exception(Describe() + ": não aceita a lista '" + std::string(list) + "'.");
}

Variant TComponent::GetProperty(std::string_view name) const {
  const Property* p = Properties().find(name);
  if (!p) throw Exception(Describe() + ": propriedade desconhecida '" + std::string(name) + "'.");
  return p->get(*this);
}

void TComponent::SetProperty(std::string_view name, const Variant& value) {
  const Property* p = Properties().find(name);
  if (!p) throw Exception(Describe() + ": propriedade desconhecida '" + std::string(name) + "'.");
  if (!p->set) throw Exception(Describe() + ": a propriedade '" + std::string(name) + "' é somente leitura.");
  p->set(*this, value);
}

// ---------------------------------------------------------------- TControl

TControl::TControl() = default;

TControl::~TControl() {
  if (TForm* form = ParentForm(); form && form != this) form->ControlDestroying(*this);
  for (TControl* c : children_) c->parent_ = nullptr;
  children_.clear();
  if (parent_) std::erase(parent_->children_, this);
}

void TControl::SetParent(TControl* parent) {
  if (parent == parent_) return;
  for (TControl* p = parent; p; p = p->parent_)
    if (p == this) throw Exception(Describe() + ": um controle não pode conter a si mesmo.");
  if (parent_) std::erase(parent_->children_, this);
  parent_ = parent;
  if (parent_) parent_->children_.push_back(this);
  Changed("Parent");
}

bool TControl::Contains(const TControl* other) const {
  for (const TControl* c = other; c; c = c->parent_)
    if (c == this) return true;
  return false;
}

TForm* TControl::ParentForm() const {
  for (const TControl* c = this; c; c = c->parent_)
    if (auto* f = dynamic_cast<const TForm*>(c)) return const_cast<TForm*>(f);
  return nullptr;
}

#define CAD_SETTER(member, value, prop) \
  if ((member) == (value)) return;      \
  (member) = (value);                   \
  Changed(prop)

void TControl::SetEnabled(bool enabled) { CAD_SETTER(enabled_, enabled, "Enabled"); }
void TControl::SetVisible(bool visible) { CAD_SETTER(visible_, visible, "Visible"); }
void TControl::SetCaption(const std::string& caption) { CAD_SETTER(caption_, caption, "Caption"); }
void TControl::SetHint(const std::string& hint) { CAD_SETTER(hint_, hint, "Hint"); }
void TControl::SetColor(TColor color) { CAD_SETTER(color_, color, "Color"); }
void TControl::SetFontColor(TColor color) { CAD_SETTER(fontColor_, color, "FontColor"); }
void TControl::SetFontBold(bool bold) { CAD_SETTER(fontBold_, bold, "FontBold"); }
void TControl::SetFontName(const std::string& name) { CAD_SETTER(fontName_, name, "FontName"); }
void TControl::SetLeft(int v) { CAD_SETTER(left_, v, "Left"); }
void TControl::SetTop(int v) { CAD_SETTER(top_, v, "Top"); }
void TControl::SetWidth(int v) { CAD_SETTER(width_, v, "Width"); }
void TControl::SetHeight(int v) { CAD_SETTER(height_, v, "Height"); }
void TControl::SetAlign(TAlign align) { CAD_SETTER(align_, align, "Align"); }
void TControl::SetTabOrder(int order) { CAD_SETTER(tabOrder_, order, "TabOrder"); }
void TControl::SetTabStop(bool stop) { CAD_SETTER(tabStop_, stop, "TabStop"); }
void TControl::SetPopupMenu(TPopupMenu* menu) { CAD_SETTER(popupMenu_, menu, "PopupMenu"); }

#undef CAD_SETTER

void TControl::SetBounds(int left, int top, int width, int height) {
  SetLeft(left);
  SetTop(top);
  SetWidth(width);
  SetHeight(height);
}

bool TControl::Showing() const {
  if (!visible_) return false;
  for (const TControl* c = this; c->parent_; c = c->parent_) {
    if (!c->parent_->visible_ && !dynamic_cast<const TForm*>(c->parent_)) return false;
    if (!c->parent_->ChildShowing(*c)) return false;
    if (dynamic_cast<const TForm*>(c->parent_)) break;  // a form's own visibility is its window's
  }
  return true;
}

bool TControl::EnabledChain() const {
  for (const TControl* c = this; c; c = c->parent_) {
    if (!c->enabled_) return false;
    if (dynamic_cast<const TForm*>(c)) break;
  }
  return true;
}

std::string TControl::InputRefusal() const {
  for (const TControl* c = this; c; c = c->parent_) {
    bool isForm = dynamic_cast<const TForm*>(c) != nullptr;
    if (!c->enabled_)
      return c == this ? Describe() + " está desabilitado."
                       : Describe() + " está dentro de " + c->Describe() + ", que está desabilitado.";
    if (!isForm && !c->visible_)
      return c == this ? Describe() + " está oculto."
                       : Describe() + " está dentro de " + c->Describe() + ", que está oculto.";
    if (c->parent_ && !c->parent_->ChildShowing(*c)) return Describe() + " está numa página que não está visível.";
    if (isForm) break;
  }
  return {};
}

bool TControl::CanFocus() const { return Focusable() && InputAllowed(); }

bool TControl::Focused() const {
  TForm* f = ParentForm();
  return f && f->ActiveControl() == this;
}

void TControl::SetFocus() {
  TForm* f = ParentForm();
  if (!f) throw Exception(Describe() + " não pertence a um formulário.");
  if (f == this) return;
  f->FocusControl(this);
}

void TControl::Click() {
  if (OnClick) OnClick(*this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(*this);
}

void TControl::DoEnter() {
  if (OnEnter) OnEnter(*this);
}

void TControl::DoExit() {
  if (OnExit) OnExit(*this);
}

void TControl::KeyDownDefault(int&, ShiftState) {}
void TControl::KeyPressDefault(const std::string&) {}
bool TControl::ChildShowing(const TControl&) const { return true; }

namespace {

const char* alignName(TAlign a) {
  switch (a) {
    case TAlign::alTop: return "alTop";
    case TAlign::alBottom: return "alBottom";
    case TAlign::alLeft: return "alLeft";
    case TAlign::alRight: return "alRight";
    case TAlign::alClient: return "alClient";
    default: return "alNone";
  }
}

TAlign alignFrom(const Variant& v) {
  std::string s = PropString(v);
  for (TAlign a :
       {TAlign::alNone, TAlign::alTop, TAlign::alBottom, TAlign::alLeft, TAlign::alRight, TAlign::alClient}) {
    std::string n = alignName(a);
    if (sameText(n, s) || sameText(n.substr(2), s)) return a;
  }
  throw Exception("Alinhamento inválido: '" + s + "'.");
}

TColor colorFrom(const Variant& v) { return v.isString() ? ColorFromText(v.str()) : v.asInt(); }

}  // namespace

const PropertyTable& TControl::Properties() const {
  static const PropertyTable table(
      &TComponent::Properties(),
      {
          Prop<TControl>(
              "Enabled", [](const TControl& c) { return c.Enabled(); },
              [](TControl& c, const Variant& v) { c.SetEnabled(PropBool(v)); }),
          Prop<TControl>(
              "Visible", [](const TControl& c) { return c.Visible(); },
              [](TControl& c, const Variant& v) { c.SetVisible(PropBool(v)); }),
          Prop<TControl>(
              "Caption", [](const TControl& c) { return c.Caption(); },
              [](TControl& c, const Variant& v) { c.SetCaption(PropString(v)); }),
          Prop<TControl>(
              "Text", [](const TControl& c) { return c.Text(); },
              [](TControl& c, const Variant& v) { c.SetText(PropString(v)); }),
          Prop<TControl>(
              "Hint", [](const TControl& c) { return c.Hint(); },
              [](TControl& c, const Variant& v) { c.SetHint(PropString(v)); }),
          Prop<TControl>(
              "Color", [](const TControl& c) { return static_cast<long long>(c.Color()); },
              [](TControl& c, const Variant& v) { c.SetColor(colorFrom(v)); }),
          Prop<TControl>(
              "FontColor", [](const TControl& c) { return static_cast<long long>(c.FontColor()); },
              [](TControl& c, const Variant& v) { c.SetFontColor(colorFrom(v)); }),
          Prop<TControl>(
              "FontBold", [](const TControl& c) { return c.FontBold(); },
              [](TControl& c, const Variant& v) { c.SetFontBold(PropBool(v)); }),
          Prop<TControl>(
              "FontName", [](const TControl& c) { return c.FontName(); },
              [](TControl& c, const Variant& v) { c.SetFontName(PropString(v)); }),
          Prop<TControl>(
              "Left", [](const TControl& c) { return c.Left(); },
              [](TControl& c, const Variant& v) { c.SetLeft(PropInt(v)); }),
          Prop<TControl>(
              "Top", [](const TControl& c) { return c.Top(); },
              [](TControl& c, const Variant& v) { c.SetTop(PropInt(v)); }),
          Prop<TControl>(
              "Width", [](const TControl& c) { return c.Width(); },
              [](TControl& c, const Variant& v) { c.SetWidth(PropInt(v)); }),
          Prop<TControl>(
              "Height", [](const TControl& c) { return c.Height(); },
              [](TControl& c, const Variant& v) { c.SetHeight(PropInt(v)); }),
          Prop<TControl>(
              "Align", [](const TControl& c) { return std::string(alignName(c.Align())); },
              [](TControl& c, const Variant& v) { c.SetAlign(alignFrom(v)); }),
          Prop<TControl>(
              "TabOrder", [](const TControl& c) { return c.TabOrder(); },
              [](TControl& c, const Variant& v) { c.SetTabOrder(PropInt(v)); }),
          Prop<TControl>(
              "TabStop", [](const TControl& c) { return c.TabStop(); },
              [](TControl& c, const Variant& v) { c.SetTabStop(PropBool(v)); }),
          ReadOnlyProp<TControl>("Showing", [](const TControl& c) { return c.Showing(); }),
          ReadOnlyProp<TControl>("Focused", [](const TControl& c) { return c.Focused(); }),
          ReadOnlyProp<TControl>("Parent",
                                 [](const TControl& c) { return c.Parent() ? c.Parent()->Name() : std::string(); }),
          Prop<TControl>(
              "PopupMenu", [](const TControl& c) { return c.PopupMenu() ? c.PopupMenu()->Name() : std::string(); },
              [](TControl& c, const Variant& v) {
                std::string name = PropString(v);
                auto* f = dynamic_cast<TForm*>(c.Owner());
                c.SetPopupMenu(name.empty() || !f ? nullptr : f->find<TPopupMenu>(name));
              }),
          EventProp<TControl>("OnClick", &TControl::OnClick),
          EventProp<TControl>("OnDblClick", &TControl::OnDblClick),
          EventProp<TControl>("OnEnter", &TControl::OnEnter),
          EventProp<TControl>("OnExit", &TControl::OnExit),
          EventProp<TControl>("OnKeyDown", &TControl::OnKeyDown),
          EventProp<TControl>("OnKeyPress", &TControl::OnKeyPress),
      });
  return table;
}

}  // namespace cad
