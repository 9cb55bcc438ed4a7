// TfrmCopiaServico: "Inclusão Automática de Serviço" (screen code "GER04107"), the dialog that
// creates new services of the main screen's branch as copies of one existing service. The user
// names a service group and a source service of that group, lists the destination codes with
// their names, and confirms; the application server (ReplicaServico) copies the source under
// every destination code at once.
//
// The dialog has no connection of its own: it calls through the main screen's, and reads the
// main screen's branch fields, its group query and its standard-service query, so it opens only
// while the main screen exists.
//
// Invariants:
//  - With standard services registered (SERVPADR not empty) a destination code is a standard
//    service not yet used in the branch and its name comes from that standard service (the name
//    column takes no typing); without them code and name are typed freely.
//  - cdsServicoAux is the destination list as last posted, for the duplicate check of a new row.
#pragma once

#include <string>

#include "platform/core/variant.h"
#include "platform/data/dataset.h"
#include "platform/db/query.h"
#include "platform/framework/messages.h"
#include "platform/framework/rotigeral.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbcontrols.h"
#include "service_screen/principal.h"
#include "side_screens/copia/layout/binding.h"

namespace cad {

class TfrmCopiaServico : public TfrmRotiGeral, public layout::copia::TfrmCopiaServicoComponents {
 public:
  explicit TfrmCopiaServico(TelaPrincipal& principal);
  const char* ClassName() const override { return "TfrmCopiaServico"; }

  // ---- components
  Field *cdsServicoCDSERVFILI, *cdsServicoNMSERVICO;

  // Whether standard services exist (destination codes must then be standard services).
  bool ServPadrao() const { return servPadrao_; }

  // ---- handlers
  void FormCreate(TComponent& sender) override;
  void FormActivate(TComponent& sender);
  void sbtConfirmaClick(TComponent& sender) override;
  void edtCdGrupServChange(TComponent& sender);
  void edtCdGrupServExit(TComponent& sender);
  void edtCdServChange(TComponent& sender);
  void edtCdServExit(TComponent& sender);
  void btnGrupServBeforePesq(TComponent& sender);
  void btnGrupServAfterPesq(TComponent& sender);
  void btpServicoBeforePesq(TComponent& sender);
  void btpServicoAfterPesq(TComponent& sender);
  void sbtIncluirClick(TComponent& sender);
  void sbtExcluirClick(TComponent& sender);
  void cdsServicoBeforeInsert(DataSet& sender);
  void cdsServicoBeforeEdit(DataSet& sender);
  void cdsServicoBeforePost(DataSet& sender);
  void cdsServicoAfterPost(DataSet& sender);
  void cdsServicoCDSERVFILIChange(Field& sender);
  void dbgServicoColExit(TComponent& sender);
  void dbgServicoEditButtonClick(TComponent& sender);
  void dbgServicoKeyDown(TComponent& sender, int& key, ShiftState shift);
  void dbgServicoKeyPress(TComponent& sender, std::string& key);

  // ---- checks (a set flag reports an empty value as an error)
  void VdGrupServ(bool obrigatorio);
  void VdServicoOrigem(bool obrigatorio);
  void VdCdServico(bool obrigatorio);

 private:
  [[noreturn]] void Falha(TControl* foco, const std::string& key);
  void FocaCodigo();
  void FocaNome();
  void AtualizaAux();
  bool Editando() const;

  TelaPrincipal& principal_;
  bool servPadrao_ = false;
};

// Creates the dialog over the main screen, shows it modally, frees it and returns its result:
// 1 (mrOk) when the services were copied, 2 (mrCancel) when the user cancelled. Without the main
// screen it reports that the screen must be open and returns 2.
int CriaCopiaServico();
// The module's entry: the result goes into the last parameter (appended when none is given).
void EntradaCriaCopiaServico(VariantArray& params);

}  // namespace cad
