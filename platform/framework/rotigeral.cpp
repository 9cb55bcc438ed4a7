// TfrmRotiGeral: the dialogs' base screen (rules in rotigeral.h), built from the layout unit
// rotigeral.json compiled into the library.
#include "platform/framework/rotigeral.h"

#include <string_view>

#include "platform/ui/grids.h"

extern const std::string_view kLayoutTfrmRotiGeral;

namespace cad {

TfrmRotiGeral::TfrmRotiGeral() {
  Bind("FormCreate", &TfrmRotiGeral::FormCreate);
  Bind("FormClose", &TfrmRotiGeral::FormClose);
  Bind("FormKeyDown", &TfrmRotiGeral::FormKeyDown);
  Bind("sbtConfirmaClick", &TfrmRotiGeral::sbtConfirmaClick);
  Bind("sbtCancelClick", &TfrmRotiGeral::sbtCancelClick);
  LoadLayout(kLayoutTfrmRotiGeral);
  panBotoes = find<TPanel>("panBotoes");
  sbtConfirma = find<TButtonFlat>("sbtConfirma");
  sbtCancel = find<TButtonFlat>("sbtCancel");
}

void TfrmRotiGeral::FormCreate(TComponent&) { SetKeyPreview(true); }

void TfrmRotiGeral::FormClose(TComponent&, TCloseAction& action) { action = TCloseAction::caFree; }

void TfrmRotiGeral::FormKeyDown(TComponent&, int& key, ShiftState shift) {
  if (shift != 0) return;
  if (key == VK_RETURN) {
    TControl* current = ActiveControl();
    if (current && (dynamic_cast<TCustomGrid*>(current) || dynamic_cast<TButton*>(current))) return;
    key = 0;
    SelectNext(current, true);
  } else if (key == VK_ESCAPE) {
    // A grid editing a cell takes Escape itself (it undoes the cell). Otherwise Escape cancels
    // the dialog, never through a Cancel handler a dialog may have made save (cadaauto's does).
    if (auto* grid = dynamic_cast<TCustomGrid*>(ActiveControl()); grid && grid->EditorMode()) return;
    key = 0;
    Encerra(mrCancel);
  }
}

void TfrmRotiGeral::sbtConfirmaClick(TComponent&) { Encerra(mrOk); }

void TfrmRotiGeral::sbtCancelClick(TComponent&) { Encerra(mrCancel); }

void TfrmRotiGeral::Encerra(int modalResult) {
  if (Modal())
    SetModalResult(modalResult);
  else
    Close();
}

}  // namespace cad
