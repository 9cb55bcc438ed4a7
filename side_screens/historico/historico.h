// TfrmHistorico: "Histórico de Alterações", the changes of one service and of everything stored
// under it (configuration lines, costs, shifts, diners, clients, packaging) as the application
// server's audit trail records them (GetHistorico): when, operator, operation, the record (table
// and line or month), field, old and new value, newest first. The period (days, both included)
// and the operator narrow the list; "Filtrar" reads it again. Modal, opened from the main
// screen's menu (mnuHistorico, Ctrl+H) with the current branch and service; read-only.
#pragma once

#include <string>

#include "platform/core/variant.h"
#include "platform/data/dataset.h"
#include "platform/framework/rotigeral.h"
#include "platform/net/netconnection.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbcontrols.h"
#include "side_screens/historico/layout/binding.h"

namespace cad {

class TfrmHistorico : public TfrmRotiGeral, public layout::historico::TfrmHistoricoComponents {
 public:
  TfrmHistorico(std::string filial, std::string servico);
  const char* ClassName() const override { return "TfrmHistorico"; }

  TNetConnection netHistorico{"netHistorico"};

  void FormActivate(TComponent& sender);
  void FormClose(TComponent& sender, TCloseAction& action) override;
  void btnFiltrarClick(TComponent& sender);

  // Reads the history with the filters typed (an invalid date raises before anything is read).
  void Carrega();

 private:
  std::string filial_, servico_;
  bool carregado_ = false;
};

// Opens the history of the branch's service modally.
void CriaHistorico(const std::string& filial, const std::string& servico);
// The module's entry: [branch, service].
void EntradaCriaHistorico(VariantArray& params);

}  // namespace cad
