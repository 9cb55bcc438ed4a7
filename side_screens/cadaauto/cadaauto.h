// TfrmCadaAutoServico (screen code GER04102): the automatic maintenance of standard costs. The
// operator selects a branch group, branches and services, a period of months and an operation;
// entering the grid loads the rows from the server (GetCustPadrManu, a working list kept there);
// the operator marks rows and may type a new value per row; confirm includes month costs over the
// period (InsereCustoPadrao), overwrites the marked months, or alters them scaling their dish-type
// split; delete removes the marked months. Closing removes the working list (DeletaLista).
//
// Invariants:
//  - Rows exist only as loaded; any change of the selection closes them and switches the three
//    command buttons off; a load switches them on by operation (include: sbtConfirma; alter:
//    sbtCancel and sbtExcluir).
//  - The period is checked when its edits are left, when the rows are loaded and before confirming.
//  - A run the server refuses is undone on screen (months, marks, deletions and scaled dish-type
//    costs); an alter run that cannot scale a month writes nothing.
//  - A month's dish-type costs keep adding up to its new cost (each rounded to 5 decimals, the
//    remainder on the largest one).
//  - Closing removes the working list; when that fails the failure is shown and the screen closes
//    all the same (the server removes an abandoned list after a day).
#pragma once

#include <string>

#include "platform/core/datetime.h"
#include "platform/data/dataset.h"
#include "platform/db/query.h"
#include "platform/framework/messages.h"
#include "platform/framework/rotigeral.h"
#include "platform/net/netconnection.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbcontrols.h"
#include "side_screens/cadaauto/layout/binding.h"

namespace cad {

class TfrmCadaAutoServico : public TfrmRotiGeral, public layout::cadaauto::TfrmCadaAutoServicoComponents {
 public:
  TfrmCadaAutoServico();
  const char* ClassName() const override { return "TfrmCadaAutoServico"; }

  // ---- components: layout::cadaauto::TfrmCadaAutoServicoComponents (layout unit cadaautoservico.json)
  TNetConnection netCadastroServ{"netCadastroServ"};

  // ---- state
  std::string SelecaoFiliais;    // branch selection text ("" = none chosen)
  std::string SelecaoServicos;   // service selection text
  std::string IdLista;           // the server's working list of the last load
  DateTime DataServidor;         // read at every activation
  bool PerguntaExclusao = true;  // the delete command asks "Excl" while set

  // ---- handlers
  void FormCreate(TComponent& sender) override;
  void FormClose(TComponent& sender, TCloseAction& action) override;
  void FormKeyDown(TComponent& sender, int& key, ShiftState shift) override;
  void FormActivate(TComponent& sender);
  void FormCloseQuery(TComponent& sender, bool& canClose);
  void sbtConfirmaClick(TComponent& sender) override;
  void sbtCancelClick(TComponent& sender) override;
  void sbtExcluirClick(TComponent& sender);
  void sbtSairClick(TComponent& sender);
  void medAgrupFiliChange(TComponent& sender);
  void medAgrupFiliExit(TComponent& sender);
  void btpPesqAgrupFiliBeforePesq(TComponent& sender);
  void btpPesqAgrupFiliAfterPesq(TComponent& sender);
  void rbtTodasFiliClick(TComponent& sender);
  void rbtListaFiliClick(TComponent& sender);
  void rbtListaFiliKeyDown(TComponent& sender, int& key, ShiftState shift);
  void btnFilialClick(TComponent& sender);
  void rbtTodosServClick(TComponent& sender);
  void rbtListaServClick(TComponent& sender);
  void rbtListaServKeyDown(TComponent& sender, int& key, ShiftState shift);
  void btnServClick(TComponent& sender);
  void chbServPrinClick(TComponent& sender);
  void depDataDeChange(TComponent& sender);
  void depDataAteChange(TComponent& sender);
  void depDataDeExit(TComponent& sender);
  void depDataAteExit(TComponent& sender);
  void grbDataExit(TComponent& sender);
  void rbtIncluirClick(TComponent& sender);
  void rbtAlterarClick(TComponent& sender);
  void chbSobreporClick(TComponent& sender);
  void rbtValorClick(TComponent& sender);
  void rbtPercentClick(TComponent& sender);
  void nedValPerExit(TComponent& sender);
  void panGridEnter(TComponent& sender);
  void cdsPrincipalBeforeInsert(DataSet& ds);
  void cdsPrincipalBeforePost(DataSet& ds);
  void dbgCustPadrManuEnter(TComponent& sender);
  void dbgCustPadrManuExit(TComponent& sender);
  void dbgCustPadrManuColEnter(TComponent& sender);
  void dbgCustPadrManuCellClick(TComponent& sender, TColumn& column);
  void dbgCustPadrManuTitleClick(TComponent& sender, TColumn& column);
  void dbgCustPadrManuKeyDown(TComponent& sender, int& key, ShiftState shift);
  void dbgCustPadrManuKeyPress(TComponent& sender, std::string& key);
  void dbgCustPadrManuDrawColumnCell(TComponent& sender, const TRect& rect, int dataCol, TColumn& column,
                                     unsigned state);

  // ---- routines
  // Drops the loaded rows (any change of the selection).
  void Reseta();
  // Loads the rows when none is loaded (entering the grid; the end of confirm and delete).
  void CarregaLinhas();
  // The period's checks; each fails with its message and the focus where it belongs.
  void VerificaInicio();
  void VerificaFim();
  // The general value's limit, and a row's new value's limit.
  void VerificaLimiteGeral();
  void VerificaLimiteLinha();
  // "I", "S" or "A", and "S"/"N" for main services only.
  std::string Modo() const;
  std::string SomentePrincipais() const;
  // The new cost of the current row of `ds` (a marked row): its own new value, else the general
  // value or percentage over `base`.
  double NovoCusto(DataSet& ds, double base) const;

 private:
  std::string Msg(const std::string& key) const { return msgPadrao->Msg(key); }
  // The limit text of a limit message (" 999.999.999,99999" in the session's separators).
  std::string TextoLimite(const std::string& key) const;
  void ChecaBranchLista();
  void AbreListaFiliais();
  void AbreListaServicos();
  void MarcaLinha();
  void EdicaoNaColuna();
  void ConfirmaInclusao(int linhaAtual, bool existeCusto);
  void ConfirmaAlteracao();
  // Scales the dish-type costs of the month cdsCustPadrTp is filtered on from `antigo` to `novo`.
  void EscalaTipos(double antigo, double novo);
  // Sends the month changes (and dish-type changes the arguments carry) through `metodo`; on
  // success reloads the rows, on a refusal discards the pending changes and rethrows.
  void GravaMeses(const std::string& metodo, const std::vector<RpcArg>& args);
  // Delete of the marked rows on the server (asked, then the rows reloaded).
  void Exclui();
  // Deletes the marked rows from cdsPrincipal, not yet sent (asking "Excl" while PerguntaExclusao
  // is set); false when the user declines. Refuses when nothing is marked.
  bool MarcaExclusao();
  bool Marcada(DataSet& ds) const;
  // The rows as the user left them (marks and typed values), kept when a command starts, so that
  // a refused command gives them back: DevolveLinhas undoes the command's changes and marks and
  // types the rows again.
  void GuardaLinhas();
  void DevolveLinhas();
  // The changes of cdsPrincipal of one kind made to rows the user marked (a mark set and unset,
  // or any other row, is no change to send).
  PacketPtr AlteracoesMarcadas(ChangeKind kind) const;
  // Shows how many months a run wrote and how many of them replaced stored ones.
  void InformaGravados(const Variant& contagem);
  PacketPtr linhasDoUsuario_;
};

// Creator of the module's entry table: creates the screen and shows it modally (no parameters).
void CriaCAutoCPadrao(VariantArray& params);

}  // namespace cad
