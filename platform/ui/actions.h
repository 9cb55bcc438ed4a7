// The user-action dispatcher: the one entry for what a user does, used by the desktop host, the
// automation driver and the tests. Each entry checks that the user could do it (the form is
// shown and not behind a modal form; the control and its containers are enabled and showing),
// performs it the way the keyboard and mouse do (focus first, then key down / key press /
// click), and handles errors like the application loop: EAbort is silent, any other exception is
// shown through TApplication::ShowError. Released forms are freed after every action. Hosts
// carry no copy of that step: window activation, popup menus and the steps a host starts on the
// user's behalf (opening a screen) come through here too.
//
// Key order for a key down: menu shortcuts (the focused control's popup menus, then the form's
// main menu); Tab (unless the control takes tabs) moves the focus; Enter/Escape click the form's
// default/cancel button when it has one; then the form's OnKeyDown when KeyPreview, the control's
// OnKeyDown, the control's own handling, and finally the character of the key (Backspace, Enter,
// Escape, Space) goes through key press. A key press runs the form's OnKeyPress when
// KeyPreview, the control's OnKeyPress (which may change or swallow the character), then the
// control's own handling (the character enters the text, respecting MaxLength and the mask).
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/ui/component.h"

namespace cad {

class TCustomGrid;
class TDBGrid;
class TDBNavigator;
class TForm;
class TMenuItem;
class TPageControl;
class TPopupMenu;
class TTabSheet;
enum class TNavigateBtn : uint8_t;

struct ActionResult {
  enum class Status : uint8_t {
    Ok,       // done
    Refused,  // the user could not do it; nothing ran (message says why)
    Aborted,  // a handler aborted silently (EAbort)
    Failed,   // a handler raised an error, which was shown (message is its text)
  };
  Status status = Status::Ok;
  std::string message;
  bool ok() const { return status == Status::Ok; }
  bool refused() const { return status == Status::Refused; }
  static const char* statusName(Status s);  // "ok", "refused", "aborted", "failed"
};

class UserActions {
 public:
  static ActionResult Focus(TControl& control);
  // Focuses the control, then each character as a key (see above).
  static ActionResult Type(TControl& control, std::string_view text);
  // Replaces the whole text of an edit at once (one OnChange); edits that refuse input refuse.
  static ActionResult SetText(TControl& control, std::string_view text);
  static ActionResult KeyDown(TControl& control, int key, ShiftState shift = 0);
  // Key text as in ParseKey: "Enter", "Shift+Tab", "Ctrl+Delete", "F6".
  static ActionResult Key(TControl& control, std::string_view keyText);
  // A mouse click: focusable controls take the focus first; check boxes toggle, radio buttons
  // check, buttons run, tab sheets become the active page through the page control.
  static ActionResult Click(TControl& control);
  static ActionResult DblClick(TControl& control);
  static ActionResult ClickMenuItem(TMenuItem& item);
  static ActionResult MenuItem(TForm& form, std::string_view itemName);
  // String grid: (col, row) in grid cells. Data grid: col = column index, row = display row
  // from 1. Extend grows the selection (range select).
  static ActionResult SelectCell(TCustomGrid& grid, int col, int row, bool extend = false);
  static ActionResult TitleClick(TDBGrid& grid, int column);
  static ActionResult EditButtonClick(TDBGrid& grid);
  static ActionResult Navigate(TDBNavigator& navigator, TNavigateBtn button);
  // Combo box, radio group or list box item (extend: Ctrl+click in a multi-select list).
  static ActionResult SelectIndex(TControl& control, int index, bool extend = false);
  static ActionResult SelectPage(TTabSheet& page);
  static ActionResult CloseForm(TForm& form);
  // The user brings a form's window to the front: it becomes the active form (OnActivate).
  // Refused for a hidden form or one behind a modal form.
  static ActionResult Activate(TForm& form);
  // The user opens a control's popup menu (right click): the control takes the focus when it
  // can, then the menu's OnPopup runs; on success the host shows the menu's items.
  static ActionResult Popup(TControl& control, TPopupMenu& menu);
  // A step the host starts for the user (opening a screen from its menu or at start): run the
  // same way, without the checks of a control's reachability.
  static ActionResult Run(const std::function<void()>& body);
};

}  // namespace cad
