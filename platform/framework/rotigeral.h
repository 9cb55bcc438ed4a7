// TfrmRotiGeral: the base of the module's dialogs (routine screens). It supplies the button
// panel panBotoes with sbtConfirma and sbtCancel and the base handlers, all virtual so a dialog
// overrides them and calls the base one first, later or not at all.
//
// Rules:
//  - Keys (the form previews them): Enter moves the focus to the next control in tab order,
//    except on a grid or a button, which handle Enter themselves; Escape cancels (a modal dialog
//    ends with mrCancel, a modeless one closes), unless a grid is editing a cell (the grid undoes
//    the cell); it never runs a dialog's own Cancel handler, which may save.
//  - sbtConfirma ends a modal dialog with mrOk; sbtCancel cancels as Escape does.
//  - Closing frees the dialog (caFree) once the current user action is over.
#pragma once

#include "platform/ui/controls.h"
#include "platform/ui/forms.h"

namespace cad {

class TfrmRotiGeral : public TForm {
 public:
  TfrmRotiGeral();
  const char* ClassName() const override { return "TfrmRotiGeral"; }

  TPanel* panBotoes;
  TButtonFlat* sbtConfirma;
  TButtonFlat* sbtCancel;

  virtual void FormCreate(TComponent& sender);
  virtual void FormClose(TComponent& sender, TCloseAction& action);
  virtual void FormKeyDown(TComponent& sender, int& key, ShiftState shift);
  virtual void sbtConfirmaClick(TComponent& sender);
  virtual void sbtCancelClick(TComponent& sender);

 protected:
  // Ends a modal dialog with the result, or closes a modeless one.
  void Encerra(int modalResult);
};

}  // namespace cad
