// The user-action dispatcher (see actions.h for the order of events). Every entry runs inside
// run(), which turns exceptions into results the driver can report.
#include "platform/ui/actions.h"

#include <exception>

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbcontrols.h"
#include "platform/ui/forms.h"
#include "platform/ui/grids.h"
#include "platform/ui/menus.h"
#include "platform/ui/pages.h"

namespace cad {

const char* ActionResult::statusName(Status s) {
  switch (s) {
    case Status::Ok: return "ok";
    case Status::Refused: return "refused";
    case Status::Aborted: return "aborted";
    case Status::Failed: return "failed";
  }
  return "?";
}

namespace {

struct Refusal {
  std::string why;
};

template <class F>
ActionResult run(F&& body) {
  ActionResult r;
  try {
    body();
  } catch (const Refusal& refusal) {
    r.status = ActionResult::Status::Refused;
    r.message = refusal.why;
  } catch (...) {
    std::string shown = Application().HandleException(std::current_exception());
    r.status = shown.empty() ? ActionResult::Status::Aborted : ActionResult::Status::Failed;
    r.message = shown;
  }
  Application().FlushReleased();
  return r;
}

[[noreturn]] void refuse(std::string why) { throw Refusal{std::move(why)}; }

TForm* topModal() {
  TForm* top = nullptr;
  for (TForm* f : Application().Forms())
    if (f->Modal() && f->Visible()) top = f;
  return top;
}

// The form must be shown and reachable (not behind a modal form); it becomes the active form.
TForm& reachableForm(TControl& c) {
  TForm* form = c.ParentForm();
  if (!form) refuse(c.Describe() + " não pertence a um formulário.");
  if (!form->Visible()) refuse(form->Describe() + " não está visível.");
  if (TForm* modal = topModal(); modal && modal != form) refuse(modal->Describe() + " está aberto como modal.");
  if (!form->Active()) form->Activate();
  return *form;
}

TForm& checkInput(TControl& c) {
  TForm& form = reachableForm(c);
  if (&c != &form)
    if (std::string why = c.InputRefusal(); !why.empty()) refuse(why);
  return form;
}

void focus(TForm& form, TControl& c) {
  if (form.ActiveControl() == &c) return;
  if (!c.Focusable()) refuse(c.Describe() + " não recebe o foco.");
  form.FocusControl(&c);
}

void keyPress(TForm& form, TControl& target, const std::string& ch) {
  std::string key = ch;
  if (form.KeyPreview() && form.OnKeyPress) {
    form.OnKeyPress(form, key);
    if (key.empty()) return;
  }
  if (target.OnKeyPress) {
    target.OnKeyPress(target, key);
    if (key.empty()) return;
  }
  target.KeyPressDefault(key);
}

TButton* dialogButton(TForm& form, bool isDefault) {
  for (TComponent* comp : form.Components())
    if (auto* b = dynamic_cast<TButton*>(comp))
      if ((isDefault ? b->Default() : b->Cancel()) && b->ParentForm() == &form && b->InputAllowed()) return b;
  return nullptr;
}

bool menuShortcut(TForm& form, TControl& target, int key, ShiftState shift) {
  TShortCut sc = ShortCut(key, shift);
  for (TControl* c = &target; c; c = c->Parent())
    if (TPopupMenu* pm = c->PopupMenu())
      if (TMenuItem* item = pm->FindShortCut(sc)) {
        item->Click();
        return true;
      }
  if (TMainMenu* menu = form.Menu())
    if (TMenuItem* item = menu->FindShortCut(sc)) {
      item->Click();
      return true;
    }
  return false;
}

void keyDown(TForm& form, TControl& target, int key, ShiftState shift) {
  if (menuShortcut(form, target, key, shift)) return;
  if (key == VK_TAB && !(shift & (ssCtrl | ssAlt)) && !target.WantsTab()) {
    form.SelectNext(&target, !(shift & ssShift));
    return;
  }
  if ((key == VK_RETURN || key == VK_ESCAPE) && !shift) {
    if (TButton* b = dialogButton(form, key == VK_RETURN); b && !dynamic_cast<TCustomGrid*>(&target)) {
      b->Click();
      return;
    }
  }
  int k = key;
  if (form.KeyPreview() && form.OnKeyDown) {
    form.OnKeyDown(form, k, shift);
    if (k == 0) return;
  }
  if (target.OnKeyDown) {
    target.OnKeyDown(target, k, shift);
    if (k == 0) return;
  }
  target.KeyDownDefault(k, shift);
  if (shift & (ssCtrl | ssAlt)) return;
  // The character the key produces follows its key down.
  switch (key) {
    case VK_BACK: keyPress(form, target, "\b"); break;
    case VK_RETURN: keyPress(form, target, "\r"); break;
    case VK_ESCAPE: keyPress(form, target, "\x1b"); break;
    default: break;
  }
}

// The key code of a typed character, for the key down that precedes its key press.
int keyOfChar(const std::string& ch, ShiftState& shift) {
  shift = 0;
  if (ch.size() != 1) return 0;
  char c = ch[0];
  if (c >= 'a' && c <= 'z') return c - 32;
  if (c >= 'A' && c <= 'Z') {
    shift = ssShift;
    return c;
  }
  if (c >= '0' && c <= '9') return c;
  if (c == ' ') return VK_SPACE;
  return 0;
}

void typeText(TForm& form, std::string_view text) {
  for (const std::string& ch : utf8Chars(text)) {
    TControl* target = form.ActiveControl();
    if (!target) refuse(form.Describe() + " não tem controle com o foco.");
    if (ch == "\b")
      keyDown(form, *target, VK_BACK, 0);
    else if (ch == "\r" || ch == "\n")
      keyDown(form, *target, VK_RETURN, 0);
    else if (ch == "\t")
      keyDown(form, *target, VK_TAB, 0);
    else if (ch == "\x1b")
      keyDown(form, *target, VK_ESCAPE, 0);
    else {
      ShiftState shift;
      if (int key = keyOfChar(ch, shift)) {
        int k = key;
        if (form.KeyPreview() && form.OnKeyDown) form.OnKeyDown(form, k, shift);
        if (k != 0 && target->OnKeyDown) target->OnKeyDown(*target, k, shift);
        if (k != 0) target->KeyDownDefault(k, shift);
      }
      keyPress(form, *target, ch);
    }
  }
}

}  // namespace

ActionResult UserActions::Focus(TControl& control) {
  return run([&] { focus(checkInput(control), control); });
}

ActionResult UserActions::Type(TControl& control, std::string_view text) {
  return run([&] {
    TForm& form = checkInput(control);
    focus(form, control);
    typeText(form, text);
  });
}

ActionResult UserActions::SetText(TControl& control, std::string_view text) {
  return run([&] {
    TForm& form = checkInput(control);
    auto* edit = dynamic_cast<TCustomEdit*>(&control);
    if (!edit) refuse(control.Describe() + " não é um campo de texto.");
    focus(form, control);
    if (!edit->CanModify()) refuse(control.Describe() + " não aceita edição.");
    if (!edit->ReplaceText(std::string(text))) refuse(control.Describe() + " recusou o texto.");
  });
}

ActionResult UserActions::KeyDown(TControl& control, int key, ShiftState shift) {
  return run([&] {
    TForm& form = checkInput(control);
    if (&control != &form) focus(form, control);
    keyDown(form, form.ActiveControl() ? *form.ActiveControl() : control, key, shift);
  });
}

ActionResult UserActions::Key(TControl& control, std::string_view keyText) {
  int key;
  ShiftState shift;
  if (!ParseKey(keyText, key, shift))
    return ActionResult{ActionResult::Status::Refused, "Tecla desconhecida: '" + std::string(keyText) + "'."};
  return KeyDown(control, key, shift);
}

ActionResult UserActions::Click(TControl& control) {
  return run([&] {
    if (auto* sheet = dynamic_cast<TTabSheet*>(&control)) {
      TPageControl* pc = sheet->PageControl();
      if (!pc) refuse(sheet->Describe() + " não está num controle de páginas.");
      checkInput(*pc);
      if (std::string why = pc->UserSelect(*sheet); !why.empty()) refuse(why);
      return;
    }
    TForm& form = checkInput(control);
    if (control.Focusable()) focus(form, control);
    control.Click();
  });
}

ActionResult UserActions::DblClick(TControl& control) {
  return run([&] {
    TForm& form = checkInput(control);
    if (control.Focusable()) focus(form, control);
    control.DblClick();
  });
}

ActionResult UserActions::ClickMenuItem(TMenuItem& item) {
  return run([&] {
    if (std::string why = item.RefusalReason(); !why.empty()) refuse(why);
    if (auto* form = dynamic_cast<TForm*>(item.Owner())) {
      if (!form->Visible()) refuse(form->Describe() + " não está visível.");
      if (TForm* modal = topModal(); modal && modal != form) refuse(modal->Describe() + " está aberto como modal.");
    }
    if (item.Count() > 0) refuse(item.Describe() + " abre um submenu.");
    item.Click();
  });
}

ActionResult UserActions::MenuItem(TForm& form, std::string_view itemName) {
  TMenuItem* item = dynamic_cast<TMenuItem*>(form.FindComponent(itemName));
  if (!item)
    return ActionResult{ActionResult::Status::Refused,
                        form.Describe() + ": item de menu '" + std::string(itemName) + "' não existe."};
  return ClickMenuItem(*item);
}

ActionResult UserActions::SelectCell(TCustomGrid& grid, int col, int row, bool extend) {
  return run([&] {
    TForm& form = checkInput(grid);
    if (col < 0 || row < 0 || col >= grid.ColCount() || row >= grid.RowCount())
      refuse(grid.Describe() + ": célula (" + std::to_string(col) + ", " + std::to_string(row) + ") inexistente.");
    focus(form, grid);
    if (!grid.MoveTo(col, row, extend)) return;
    if (auto* db = dynamic_cast<TDBGrid*>(&grid)) db->CellClick();
    grid.Click();
  });
}

ActionResult UserActions::TitleClick(TDBGrid& grid, int column) {
  return run([&] {
    TForm& form = checkInput(grid);
    if (column < 0 || column >= grid.ColumnCount())
      refuse(grid.Describe() + ": coluna " + std::to_string(column) + " inexistente.");
    focus(form, grid);
    grid.TitleClick(column);
  });
}

ActionResult UserActions::EditButtonClick(TDBGrid& grid) {
  return run([&] {
    TForm& form = checkInput(grid);
    focus(form, grid);
    TColumn* c = grid.SelectedColumn();
    if (!c || !c->HasEditButton()) refuse(grid.Describe() + ": a coluna selecionada não tem botão.");
    if (grid.ReadOnly()) refuse(grid.Describe() + " é somente leitura.");
    grid.EditButtonClick();
  });
}

ActionResult UserActions::Navigate(TDBNavigator& navigator, TNavigateBtn button) {
  return run([&] {
    checkInput(navigator);
    if (!navigator.ButtonEnabled(button))
      refuse(navigator.Describe() + ": o botão " + NavigateBtnName(button) + " está desabilitado.");
    navigator.BtnClick(button);
  });
}

ActionResult UserActions::SelectIndex(TControl& control, int index, bool extend) {
  return run([&] {
    TForm& form = checkInput(control);
    if (auto* combo = dynamic_cast<TComboBox*>(&control)) {
      if (index < 0 || index >= static_cast<int>(combo->Items().size()))
        refuse(control.Describe() + ": item " + std::to_string(index) + " inexistente.");
      focus(form, control);
      if (!combo->CanModify()) refuse(control.Describe() + " não aceita edição.");
      combo->UserSelect(index);
    } else if (auto* group = dynamic_cast<TCustomRadioGroup*>(&control)) {
      if (index < 0 || index >= static_cast<int>(group->Items().size()))
        refuse(control.Describe() + ": item " + std::to_string(index) + " inexistente.");
      focus(form, control);
      group->UserSelect(index);
    } else if (auto* list = dynamic_cast<TListBox*>(&control)) {
      if (index < 0 || index >= list->Count())
        refuse(control.Describe() + ": item " + std::to_string(index) + " inexistente.");
      focus(form, control);
      list->UserSelect(index, extend);
    } else {
      refuse(control.Describe() + " não tem itens para escolher.");
    }
  });
}

ActionResult UserActions::SelectPage(TTabSheet& page) { return Click(page); }

ActionResult UserActions::Activate(TForm& form) {
  return run([&] {
    if (!form.Visible()) refuse(form.Describe() + " não está visível.");
    if (TForm* modal = topModal(); modal && modal != &form) refuse(modal->Describe() + " está aberto como modal.");
    if (!form.Active()) form.Activate();
  });
}

ActionResult UserActions::Popup(TControl& control, TPopupMenu& menu) {
  return run([&] {
    TForm& form = checkInput(control);
    if (&control != &form && control.Focusable()) focus(form, control);
    menu.Popup();
  });
}

ActionResult UserActions::Run(const std::function<void()>& body) { return run(body); }

ActionResult UserActions::CloseForm(TForm& form) {
  return run([&] {
    if (!form.Visible()) refuse(form.Describe() + " não está visível.");
    if (TForm* modal = topModal(); modal && modal != &form) refuse(modal->Describe() + " está aberto como modal.");
    form.Close();
  });
}

}  // namespace cad
