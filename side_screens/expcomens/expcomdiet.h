// TfrmExpComDiet: "Exportar Comensais para outras Dietas" (screen code "GER04104"), the dialog
// that copies one diet's estimated diners of a service onto other diets of the same service. The
// user ticks the destination diets in a list (a click toggles a row, a click on the check
// column's title ticks or clears them all) and confirms; the application server copies the
// figures (SetExpComens). The dialog stays open after an export, so several can follow.
//
// Invariants: at most one dialog is open (DialogoExpComDietAberto); the source diet is never in
// the list; nothing is sent with an empty selection.
#pragma once

#include <string>

#include "platform/core/variant.h"
#include "platform/data/dataset.h"
#include "platform/db/query.h"
#include "platform/framework/messages.h"
#include "platform/framework/rotigeral.h"
#include "platform/net/netconnection.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbcontrols.h"
#include "side_screens/expcomens/layout/binding.h"

namespace cad {

// ---- unit-level state: the dialog-open flag and the three strings the creator stores
extern bool DialogoExpComDietAberto;
extern std::string ExpComDietFilial, ExpComDietServico, ExpComDietDieta;

class TfrmExpComDiet : public TfrmRotiGeral, public layout::expcomens::TfrmExpComDietComponents {
 public:
  TfrmExpComDiet();
  const char* ClassName() const override { return "TfrmExpComDiet"; }

  TNetConnection netExpComens{"netExpComens"};

  void FormCreate(TComponent& sender) override;
  void FormActivate(TComponent& sender);
  void FormClose(TComponent& sender, TCloseAction& action) override;
  void sbtConfirmaClick(TComponent& sender) override;
  void dbgDietaCellClick(TComponent& sender, TColumn& column);
  void dbgDietaTitleClick(TComponent& sender, TColumn& column);
  void dbgDietaKeyDown(TComponent& sender, int& key, ShiftState shift);

  // The selected diet codes in grid order, each followed by "_" ("0002_0005_").
  std::string ListaSelecionadas();

 private:
  bool carregado_ = false;
};

// Opens the dialog modally for the branch, service and source diet unless one is already open.
void CriaExpComDiet(const std::string& filial, const std::string& servico, const std::string& dieta);
// The module's entry: [branch, service, source diet].
void EntradaCriaExpComDiet(VariantArray& params);

}  // namespace cad
