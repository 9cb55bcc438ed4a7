// The toolkit-neutral component model: TComponent (name, tag, observers, reflected properties)
// and TControl (parent tree, geometry, enabled/visible state, caption, focus and key hooks,
// events). Renderers, the automation driver and tests see components only through this model.
//
// Invariants:
//  - Every property change goes through a setter that notifies the observers with the property's
//    name, so a renderer can redraw exactly what changed; setting an equal value notifies nothing.
//  - A control's Parent lists it among its Controls exactly once, in insertion order.
//  - A control accepts user input only when it and every ancestor are enabled and showing
//    (InputAllowed); the controls' own Enabled flags are not changed by a disabled container.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/variant.h"

namespace cad {

class TComponent;
class TControl;
class TForm;
class TPopupMenu;

// ---- keys and shift state (classic virtual-key codes, so handlers compare against VK_*)
enum : int {
  VK_BACK = 8,
  VK_TAB = 9,
  VK_RETURN = 13,
  VK_SHIFT = 16,
  VK_CONTROL = 17,
  VK_MENU = 18,
  VK_ESCAPE = 27,
  VK_SPACE = 32,
  VK_PRIOR = 33,
  VK_NEXT = 34,
  VK_END = 35,
  VK_HOME = 36,
  VK_LEFT = 37,
  VK_UP = 38,
  VK_RIGHT = 39,
  VK_DOWN = 40,
  VK_INSERT = 45,
  VK_DELETE = 46,
  VK_F1 = 112,
  VK_F2,
  VK_F3,
  VK_F4,
  VK_F5,
  VK_F6,
  VK_F7,
  VK_F8,
  VK_F9,
  VK_F10,
  VK_F11,
  VK_F12,
};

using ShiftState = unsigned;
constexpr ShiftState ssShift = 1, ssAlt = 2, ssCtrl = 4;

// A menu shortcut in the classic encoding: key code plus modifier bits.
using TShortCut = int;
constexpr TShortCut scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000;
TShortCut ShortCut(int key, ShiftState shift);
// "Ctrl+A", "Shift+F6", "Ctrl+Del", "Enter"; 0 for an empty or unknown text.
TShortCut TextToShortCut(std::string_view text);
std::string ShortCutToText(TShortCut sc);
// Key text as the driver gives it ("Tab", "Shift+Tab", "F6", "Ctrl+Delete", "A") -> key, shift.
bool ParseKey(std::string_view text, int& key, ShiftState& shift);

// Caption without its '&' accelerator marks ("&Serviços" -> "Serviços", "&&" -> "&").
std::string StripHotkey(std::string_view caption);

// ---- colours: 0x00BBGGRR, with system colours flagged by the high bit
using TColor = int64_t;
constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080, clNavy = 0x800000,
                 clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080, clSilver = 0xC0C0C0, clRed = 0x0000FF,
                 clLime = 0x00FF00, clYellow = 0x00FFFF, clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00,
                 clWhite = 0xFFFFFF, clWindow = 0x80000005, clWindowText = 0x80000008, clBtnFace = 0x8000000F,
                 clInfoBk = 0x80000018, clDefault = 0x20000000;
// Name ("clInfoBk") or number text ("0x008080", "32896") -> colour; throws cad::Exception.
TColor ColorFromText(std::string_view text);

enum class TAlign : uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum class TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };

// ---- event signatures; every handler receives the component that raised the event
using TNotifyEvent = std::function<void(TComponent& sender)>;
// key may be set to 0 to swallow the key.
using TKeyEvent = std::function<void(TComponent& sender, int& key, ShiftState shift)>;
// key is one UTF-8 character ("\b" Backspace, "\r" Enter, "\x1b" Escape); set it to another
// character to change it, or to "" to swallow it.
using TKeyPressEvent = std::function<void(TComponent& sender, std::string& key)>;

// ---- reflected properties: the layout loader, the driver and the renderer read and write
// properties by name through these tables.
struct Property {
  const char* name;
  std::function<Variant(const TComponent&)> get;
  std::function<void(TComponent&, const Variant&)> set;  // empty for read-only properties
  // An event: set takes the name of a handler registered on the owning form; get tells
  // whether a handler is assigned. The layout loader assigns events after the other properties.
  bool event = false;
};

class PropertyTable {
 public:
  PropertyTable(const PropertyTable* base, std::vector<Property> props);
  const Property* find(std::string_view name) const;  // case-insensitive, walks the bases
  std::vector<const Property*> all() const;           // bases first

 private:
  const PropertyTable* base_;
  std::vector<Property> props_;
};

class TComponent {
 public:
  TComponent();
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  // The registered type name ("TEdit", "TfrmCadastroServ").
  virtual const char* ClassName() const { return "TComponent"; }

  const std::string& Name() const { return name_; }
  void SetName(std::string name);
  int Tag() const { return tag_; }
  void SetTag(int tag);
  // The form (or other component) that owns this one; null for free-standing components.
  TComponent* Owner() const { return owner_; }
  void SetOwner(TComponent* owner) { owner_ = owner; }

  // Observers hear the name of every property that changed ("Text", "Enabled", "Cells", ...);
  // "Destroying" is the last notification.
  using Observer = std::function<void(TComponent&, std::string_view property)>;
  int Observe(Observer observer);
  void Unobserve(int id);

  virtual const PropertyTable& Properties() const;
  Variant GetProperty(std::string_view name) const;  // throws cad::Exception when unknown
  void SetProperty(std::string_view name, const Variant& value);
  bool HasProperty(std::string_view name) const { return Properties().find(name) != nullptr; }

  // "TEdit 'medCdFilial'" for messages.
  std::string Describe() const;

  // A structured list of a layout node other than children and menu items (a grid's
  // "columns"): called once per entry with the entry's properties in order. The default refuses.
  virtual void AddLayoutEntry(std::string_view list, const std::vector<std::pair<std::string, Variant>>& props);

 protected:
  void Changed(std::string_view property);

 private:
  std::string name_;
  int tag_ = 0;
  TComponent* owner_ = nullptr;
  int nextObserver_ = 1;
  std::vector<std::pair<int, Observer>> observers_;
};

class TControl : public TComponent {
 public:
  TControl();
  ~TControl() override;
  const char* ClassName() const override { return "TControl"; }
  const PropertyTable& Properties() const override;

  // ---- tree
  TControl* Parent() const { return parent_; }
  void SetParent(TControl* parent);
  const std::vector<TControl*>& Controls() const { return children_; }
  int ControlCount() const { return static_cast<int>(children_.size()); }
  bool Contains(const TControl* other) const;  // other is this or a descendant
  TForm* ParentForm() const;                   // the nearest form above (or this form)

  // ---- state
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  // Visible and every ancestor shows it (hidden tab sheets and notebook pages do not).
  bool Showing() const;
  // Enabled along the whole chain up to the form.
  bool EnabledChain() const;
  // Why user input to this control is refused ("" = allowed): disabled or hidden self/ancestor.
  std::string InputRefusal() const;
  bool InputAllowed() const { return InputRefusal().empty(); }

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  // Text of the control: Caption for captioned controls; edits override with their contents.
  virtual std::string Text() const { return caption_; }
  virtual void SetText(const std::string& text) { SetCaption(text); }
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TColor FontColor() const { return fontColor_; }
  void SetFontColor(TColor color);
  bool FontBold() const { return fontBold_; }
  void SetFontBold(bool bold);
  const std::string& FontName() const { return fontName_; }
  void SetFontName(const std::string& name);

  // ---- geometry
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v);
  void SetTop(int v);
  void SetWidth(int v);
  void SetHeight(int v);
  void SetBounds(int left, int top, int width, int height);
  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);

  // ---- focus and tab order
  int TabOrder() const { return tabOrder_; }
  void SetTabOrder(int order);
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool stop);
  // Whether this kind of control can hold the focus (edits, grids, buttons, ...).
  virtual bool Focusable() const { return false; }
  // Focusable, enabled along the chain and showing.
  bool CanFocus() const;
  bool Focused() const;
  // Moves the focus of the parent form here (exit and enter events run); throws
  // cad::Exception when the control cannot take the focus, and re-raises an exit handler's error.
  void SetFocus();
  // Whether the control handles Tab itself (grids with the tabs option) instead of the form.
  virtual bool WantsTab() const { return false; }

  TPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TPopupMenu* menu);

  // ---- events
  TNotifyEvent OnClick, OnDblClick, OnEnter, OnExit;
  TKeyEvent OnKeyDown;
  TKeyPressEvent OnKeyPress;

  // ---- behaviour hooks (the focus manager and the dispatcher call these)
  // A click as the user makes it (after the dispatcher's checks); the default runs OnClick.
  virtual void Click();
  virtual void DblClick();
  // Focus arrives or leaves: bookkeeping first, then OnEnter / OnExit.
  virtual void DoEnter();
  virtual void DoExit();
  // Default processing of a key that no handler swallowed.
  virtual void KeyDownDefault(int& key, ShiftState shift);
  // Default processing of a typed character that no handler swallowed.
  virtual void KeyPressDefault(const std::string& key);
  // Whether a child shows while this container shows (page controls show only the active page).
  virtual bool ChildShowing(const TControl& child) const;

 private:
  TControl* parent_ = nullptr;
  std::vector<TControl*> children_;
  bool enabled_ = true;
  bool visible_ = true;
  std::string caption_, hint_, fontName_;
  TColor color_ = clDefault;
  TColor fontColor_ = clDefault;
  bool fontBold_ = false;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  TAlign align_ = TAlign::alNone;
  int tabOrder_ = -1;
  bool tabStop_ = true;
  TPopupMenu* popupMenu_ = nullptr;
};

// Conversions used by property setters (and the layout loader): Variant -> typed values, with
// clear errors for the wrong kind.
int PropInt(const Variant& v);
bool PropBool(const Variant& v);
std::string PropString(const Variant& v);
std::vector<std::string> PropStrings(const Variant& v);  // array of strings, or "a\nb" text
std::vector<int> PropInts(const Variant& v);
Variant StringsToVariant(const std::vector<std::string>& items);
Variant IntsToVariant(const std::vector<int>& items);

}  // namespace cad
