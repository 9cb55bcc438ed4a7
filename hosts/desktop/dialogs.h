// The desktop host's services for the screens: message dialogs (modal, Portuguese button
// captions), the single and multiple pick lookups over a dataset, and the progress display.
//
// Invariants:
//  - Every dialog is modal and returns only when answered; closing it without a button answers
//    with its most careful button (Cancel, else No, else OK).
//  - A lookup reads the dataset's rows without moving its cursor; only a confirmed single pick
//    positions the cursor on the chosen row.
//  - The progress display never takes input; Hide always hides it.
#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/framework/services.h"

class QLabel;

namespace cad::desktop {

class Renderer;

class QtDialogs : public IDialogs {
 public:
  int Show(const DialogRequest& request) override;
  // Caption of a button ("Sim", "Não", "OK", "Cancelar", ...).
  static QString ButtonCaption(TMsgDlgButtons button);
  static QString TitleOf(TMsgDlgType kind);
};

class QtLookups : public ILookups {
 public:
  bool Pick(const PickRequest& request) override;
  std::optional<std::vector<std::string>> MultiPick(const MultiPickRequest& request) override;
};

class QtProgress : public IProgress {
 public:
  explicit QtProgress(Renderer& renderer) : renderer_(renderer) {}
  ~QtProgress() override;
  void Show(TForm* form, int kind, const std::string& text) override;
  void Hide() override;
  // The window while shown (tests and screenshots).
  QWidget* window() const { return window_; }
  QString text() const;

 private:
  Renderer& renderer_;
  QPointer<QWidget> window_;
  QLabel* label_ = nullptr;
};

}  // namespace cad::desktop
