// TfrmPadrao: the base maintenance screen. It supplies the grid page and the form page in the
// page control pgcPadrao, the data source dtsPadrao (a derived screen binds its dataset to it),
// the message tables msgPadrao (the screen's own, falling back to the standard one) and
// msgMensagensPadroes (standard keys "Canc", "Excl", "Ajuda"), the toolbar panMenu with the
// operation buttons, the navigation control dbnPadrao, the main menu with mnuManutencao (one
// item per operation button) and mnuOperacao (one item per page), and the base handlers.
//
// Rules:
//  - Each operation button follows its menu item under mnuManutencao: whenever the item's
//    Enabled changes, the button takes the same state (the reverse does not happen).
//  - Base state handling (dtsPadraoStateChange), from the state of dtsPadrao's dataset:
//      inactive      every operation off (Ajuda and Fechar stay on)
//      browse        Incluir unless the dataset is read-only; Alterar and Excluir with rows
//                    (and not read-only); Procurar with rows; Verificar on; Imprimir on when
//                    the screen has a report (TemRelatorio); Confirmar/Cancelar off
//      edit, insert  only Confirmar/Cancelar on
//    The navigation control goes off in edit, insert and inactive, and comes back on when the
//    dataset opens; after an edit the confirm and cancel handlers switch it on again (a derived
//    screen that overrides them decides itself).
//  - Every handler is virtual: a derived screen overrides it and calls the base one first,
//    later or not at all. Layout handler names are bound to these virtuals, so the derived
//    override runs for the button, the menu item and any other control bound to the name.
//  - Include and alter only change the dataset's state; the page stays where it is.
//  - Closing never drops pending changes unasked (FormCloseQuery).
//  - A confirm that leaves nothing pending says "Registro gravado." in the status bar; the base
//    delete says "Registro excluído." (a derived delete calls Informa itself).
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/framework/messages.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbcontrols.h"
#include "platform/ui/forms.h"
#include "platform/ui/menus.h"
#include "platform/ui/pages.h"

namespace cad {

class TfrmPadrao : public TForm {
 public:
  TfrmPadrao();
  const char* ClassName() const override { return "TfrmPadrao"; }

  // ---- components of the base layout
  TPageControl* pgcPadrao;
  TTabSheet* tshFolhaDados;
  TTabSheet* tshFormulario;
  TDBGrid* dbgPadrao;
  DataSource* dtsPadrao;
  TMessages* msgPadrao;
  TMessages* msgMensagensPadroes;
  TPanel* panMenu;
  TButtonFlat *sbtIncluir, *sbtAlterar, *sbtExcluir, *sbtConfirmar, *sbtCancelar, *sbtProcurar, *sbtImprimir,
      *sbtVerificar, *sbtAjuda, *sbtFechar;
  TDBNavigator* dbnPadrao;
  TMainMenu* mnuPrincipal;
  TMenuItem* mnuManutencao;
  TMenuItem *mnuIncluir, *mnuAlterar, *mnuExcluir, *mnuConfirmar, *mnuCancelar, *mnuProcurar, *mnuImprimir,
      *mnuVerificar, *mnuAjuda, *mnuFechar;
  TMenuItem* mnuOperacao;
  TMenuItem *mnuFolhaDados, *mnuFormulario;
  // The status bar: operator, branch, record n of N of dtsPadrao's dataset and the result of the
  // last action (cleared when an edit starts).
  TPanel *panStatus, *panStOperador, *panStFilial, *panStRegistro, *panStMensagem;

  // ---- base handlers
  // Shows the grid page and sets the operations from the dataset's state, running the base
  // page-change and state handling (not a derived screen's overrides).
  virtual void FormCreate(TComponent& sender);
  // Closing with pending changes (AlteracoesPendentes) asks "SalvarAlt" with Sim / Não /
  // Cancelar: Sim runs the confirm handler and closes only when it succeeded and left no dataset
  // in edit or insert, Não
  // runs the cancel handler without its own question, Cancelar keeps the screen open. A derived
  // screen's own closing checks run after this, on what the answer left.
  virtual void FormCloseQuery(TComponent& sender, bool& canClose);
  // Cancels an unconfirmed edit of the dataset and frees the screen (caFree).
  virtual void FormClose(TComponent& sender, TCloseAction& action);
  // Checks the mnuOperacao item of the active page.
  virtual void pgcPadraoChange(TComponent& sender);
  virtual void dtsPadraoStateChange(DataSource& sender);
  virtual void sbtIncluirClick(TComponent& sender);    // Insert
  virtual void sbtAlterarClick(TComponent& sender);    // Edit
  virtual void sbtExcluirClick(TComponent& sender);    // asks "Excl" (Yes/No), Delete on Yes
  virtual void sbtConfirmarClick(TComponent& sender);  // Post
  virtual void sbtCancelarClick(TComponent& sender);   // asks "Canc" (Yes/No), Cancel on Yes
  virtual void sbtProcurarClick(TComponent& sender);   // Procurar::Procura over the dataset
  virtual void sbtVerificarClick(TComponent& sender);  // fetches the dataset again (queries)
  virtual void sbtImprimirClick(TComponent& sender);   // the base screen has no report
  // Whether the print command has a report to open; the command is never offered without one.
  virtual bool TemRelatorio() const { return false; }
  virtual void sbtAjudaClick(TComponent& sender);   // information with the "Ajuda" text
  virtual void sbtFecharClick(TComponent& sender);  // Close
  virtual void mnuFolhaDadosClick(TComponent& sender);
  virtual void mnuFormularioClick(TComponent& sender);

  // ---- routines for derived screens
  // The dataset bound to dtsPadrao (null when none).
  DataSet* DataSetPadrao() const;
  // The six operation switches: include, alter, delete, search, verify and the confirm/cancel
  // pair. Sets the menu items, then every operation button from its menu item.
  void ChangeButtons(bool incluir, bool alterar, bool excluir, bool procurar, bool verificar, bool confirmaCancela);
  // Shows the result of the last action in the status bar ("Registro gravado.").
  void Informa(const std::string& texto);
  // Brings the status bar in line with the session, the branch and the dataset's cursor.
  void AtualizaStatus();
  // The branch the status bar names (the session's unless the screen works on another).
  virtual std::string FilialStatus() const;
  // Whether any dataset of the screen is in edit or insert, or holds logged changes not yet sent.
  virtual bool AlteracoesPendentes() const;
  bool EmEdicaoAlgum() const;  // any dataset of the screen in edit or insert
  // The standard question "Canc"; true on Yes (and without asking while the closing question's
  // Não runs the cancel handler).
  bool ConfirmaCancelamento();
  // Cancels the dataset's edit or insert (no question) and switches the navigation control on.
  void CancelaRegistro();
  // Moves to a page as the operation menu does: nothing when it is active already; the page
  // control's OnChanging may refuse (false); otherwise the page changes and pgcPadraoChange runs.
  bool MudaPagina(TTabSheet* page);

 private:
  void followMenu(TMenuItem* item, TControl* button);
  std::vector<std::pair<TMenuItem*, TControl*>> operations_;  // menu item -> its button
  DataSetState lastState_ = DataSetState::Inactive;
  bool cancelaSemPergunta_ = false;
  std::unique_ptr<DataLink> statusLink_;  // follows dtsPadrao for the record n of N
  void confirmaEInforma(TComponent& sender);
};

}  // namespace cad
