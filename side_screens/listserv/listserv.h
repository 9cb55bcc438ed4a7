// TfrmListServ: the parameter screen of the service listing (report "GER041"). It chooses what
// is listed — a branch group, the branches and the services, each all or a chosen list — and
// fills the report's query parameters from that choice; the report itself (definition, data,
// preview, print, save as) belongs to the base screen TfrmDadosGerRel.
//
// Invariants:
//  - SelFilial / SelServico are the list lookups' selection texts, "" while nothing is chosen;
//    a new group, another branch or another branch list clears the service selection.
//  - In a module that works per branch (Corvane::ModuFili) the branch is the host's, shown and
//    not changeable; the branch choice is hidden and L_FILIAL is that branch.
//  - Nothing is previewed, printed or saved while a "Lista" has nothing chosen.
//  - The screen has one instance (ListServCriada); closing it frees it and clears the flag.
#pragma once

#include <string>

#include "platform/data/dataset.h"
#include "platform/db/query.h"
#include "platform/net/netconnection.h"
#include "platform/report/dadosgerrel.h"
#include "platform/ui/controls.h"
#include "side_screens/listserv/layout/binding.h"

namespace cad {

class TfrmListServ : public TfrmDadosGerRel, public layout::listserv::TfrmListServComponents {
 public:
  TfrmListServ();
  ~TfrmListServ() override;
  const char* ClassName() const override { return "TfrmListServ"; }

  TNetConnection netCadastroServ{"netCadastroServ"};

  void FormCreate(TComponent& sender) override;
  void FormActivate(TComponent& sender) override;
  void medAgrupFiliEnter(TComponent& sender);
  void medAgrupFiliExit(TComponent& sender);
  void medAgrupFiliChange(TComponent& sender);
  void btpPesqAgrupFiliBeforePesq(TComponent& sender);
  void btpPesqAgrupFiliAfterPesq(TComponent& sender);
  void medCdFiliChange(TComponent& sender);
  void btpPesqFiliAfterPesq(TComponent& sender);
  void rbtTodasFiliClick(TComponent& sender);
  void rbtListaFiliClick(TComponent& sender);
  void rbtTodosServClick(TComponent& sender);
  void rbtListaServClick(TComponent& sender);
  void rbtListaFiliKeyDown(TComponent& sender, int& key, ShiftState shift);
  void rbtListaServKeyDown(TComponent& sender, int& key, ShiftState shift);
  void btnFilialClick(TComponent& sender);
  void btnServicoClick(TComponent& sender);

  // The selection texts (read by tests and the driver's state).
  const std::string& SelFilial() const { return selFilial_; }
  const std::string& SelServico() const { return selServico_; }

 protected:
  void VerificaParametros() override;
  void PreencheParametros(ParametrosRel& params) override;
  TNetConnection& ConexaoRelatorio() override { return netCadastroServ; }

 private:
  std::string Msg(const std::string& key) const { return msgPadrao->Msg(key); }
  std::string CodigoGrupo() const;
  void VerificaFilial();
  std::string selFilial_;
  std::string selServico_;
};

// Unit flag: the screen exists.
extern bool ListServCriada;

// The module's entry "CriaListServ" (no parameters).
void EntradaListServ(VariantArray& params);

}  // namespace cad

extern "C" {
// Creates the listing screen once, restores its window state and shows it modally.
void CriaListServ();
}
