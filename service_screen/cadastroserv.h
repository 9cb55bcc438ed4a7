// TfrmCadastroServ: the service maintenance screen (screen code "GER04100"). It lists the services
// of one branch and shows the selected service on eight pages: the list, the form (record and
// billing setup), default menu configuration, standard cost, shifts, estimated diners, delivery
// points and packaging.
//
// The components come from the layout unit layout/cadastroserv.json, which extends the base
// screen's: the build generates from it (and layout/owners) a typed member per component, filled
// once after loading, and the binding of every handler it names. Behaviour lives in
// one unit per area: cadastroserv.cpp (frame, branch panel, group filter, switchboards),
// navigation.cpp (service selection, pages, include/alter/cancel/search/print), commands.cpp
// (confirm, verify, delete), record.cpp (the service record's save and the checks the pages
// share) and pages/*.cpp (one per page).
//
// Invariants:
//  - The current branch code is CdFilialFixa in fixed-branch mode, the text of medCdFilial
//    otherwise (CodFilial()); every branch-dependent call takes it from there.
//  - In fixed-branch mode no command that changes data is ever enabled.
//  - Every progress display and every suspended handler is restored on every way out (guards).
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/variant.h"
#include "platform/data/dataset.h"
#include "platform/db/query.h"
#include "platform/framework/padrao.h"
#include "platform/net/netconnection.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbcontrols.h"
#include "platform/ui/grids.h"
#include "platform/ui/menus.h"
#include "platform/ui/pages.h"
#include "service_screen/layout/binding.h"
#include "service_screen/pages/pagina.h"
#include "service_screen/principal.h"

namespace cad {

// Column suffixes of the per-weekday quantities, Monday to Sunday, then holidays.
inline constexpr const char* kDiasSemana[8] = {"SEG", "TER", "QUA", "QUI", "SEX", "SAB", "DOM", "FER"};

class TfrmCadastroServ : public TfrmPadrao,
                         public layout::service_screen::TfrmCadastroServComponents,
                         public TelaPrincipal {
 public:
  TfrmCadastroServ();
  ~TfrmCadastroServ() override;
  const char* ClassName() const override { return "TfrmCadastroServ"; }

  // ================================================================ what is not a layout component
  // The connection to the application server.
  TNetConnection netCadastroServ{"netCadastroServ"};
  // Fields the screen adjusts by name (their edit mask): the service list's and the standard
  // services' product tree code.
  Field* cdsServicoCDARVPROD = nullptr;
  Field* qryServPadrCDARVPROD = nullptr;

  // ================================================================ screen state
  bool PrimeiraAtivacao = true;
  // The day totals the diners page confirmed, Monday .. holiday (none: the day has no total), for
  // Aviso::ComensaisConfirmados.
  std::array<std::optional<double>, 8> TotaisComensais{};
  std::string NmTabServ;
  // GetUtilReqPrat of the current branch: [0] obligation ("S", "N", "" or an error key),
  // [1]..[4] default dish types and dishes for fixed and per-capita consumption.
  VariantArray UtilReqPrat;

  // ================================================================ frame, entry and branch
  void FormCreate(TComponent& sender) override;
  void FormActivate(TComponent& sender);
  void FormCloseQuery(TComponent& sender, bool& canClose) override;
  void FormClose(TComponent& sender, TCloseAction& action) override;
  void panFilialEnter(TComponent& sender);
  void panFilialExit(TComponent& sender);
  void medCdFilialChange(TComponent& sender);
  void medCdFilialExit(TComponent& sender);
  // Enter in the branch code or the group filter: on to the service list, loading it.
  void medCdFilialKeyDown(TComponent& sender, int& key, ShiftState shift);
  void btnFilialBeforePesq(TComponent& sender);
  void btnFilialAfterPesq(TComponent& sender);
  void dtsPadraoStateChange(DataSource& sender) override;
  void qryParamGeralAfterOpen(DataSet& sender);

  // The branch every call carries: CdFilialFixa in fixed-branch mode, else medCdFilial's text.
  std::string CodFilial() const;
  std::string FilialStatus() const override { return CodFilial(); }
  // TpConfPadrao and IdNaoUtCardPadr for a branch, reopening qryParamGeral.
  void ParametrosFilial(const std::string& filial);
  void Habilita_Pagina(bool habilita);
  std::string GetServTabName();
  // Whether a page may be entered for the selected service's type (the pages table).
  bool PaginaPermitida(TTabSheet* page) const;

  // ================================================================ service selection
  void cdsServicoBeforeScroll(DataSet& sender);
  void cdsServicoAfterScroll(DataSet& sender);
  void GetServicos(const std::string& grupo);

  // ================================================================ what the side screens see
  std::string Filial() const override { return CodFilial(); }
  std::string NomeFilial() const override;
  std::string Servico() const override;
  std::string Grupo() const override;
  bool SomenteLeitura() const override;
  TNetConnection& Conexao() override { return netCadastroServ; }
  void RecarregaCustos() override;
  void RecarregaLista() override;

  // ================================================================ pages and commands
  // The page whose sheet is active (null while none is).
  PaginaServ* Ativa() const;
  // The page object of a class (each class serves one page); what a test or the layout load needs.
  template <class P>
  P& Pagina() const {
    for (const auto& p : paginas_)
      if (auto* pagina = dynamic_cast<P*>(p.get())) return *pagina;
    throw std::logic_error("página não criada");
  }
  // Hands a notice to every page.
  void Avisa(Aviso aviso);
  void pgcPadraoChanging(TComponent& sender, bool& allowChange);
  void pgcPadraoChange(TComponent& sender) override;
  void pgcPadraoEnter(TComponent& sender);
  void dbnPadraoClick(TComponent& sender, TNavigateBtn button);
  void mnuFolhaDadosClick(TComponent& sender) override;
  void mnuFormularioClick(TComponent& sender) override;
  void mnuConfCardClick(TComponent& sender);
  void mnuTurnosClick(TComponent& sender);
  void mnuComensClick(TComponent& sender);
  void mnuPontEntrClick(TComponent& sender);
  void mnuEmbalagensClick(TComponent& sender);
  void sbtIncluirClick(TComponent& sender) override;
  void sbtAlterarClick(TComponent& sender) override;
  void sbtCancelarClick(TComponent& sender) override;
  void sbtProcurarClick(TComponent& sender) override;
  void sbtImprimirClick(TComponent& sender) override;
  bool TemRelatorio() const override;
  void sbtConfirmarClick(TComponent& sender) override;
  void sbtVerificarClick(TComponent& sender) override;
  void sbtExcluirClick(TComponent& sender) override;
  void getParamPlaneja();

  // ================================================================ the service record (record.cpp)
  // Checks and the save of the record that the pages share; the record's own events and checks are
  // the form page's (pages/servico_registro.cpp).
  void Vd_GrupServFiltro();
  // What the branch requires of a service that uses requisition by dish (GetUtilReqPrat); a
  // failure aborts with the focus on `foco` when given.
  void Vd_RequerRetiPrato(TControl* foco = nullptr);
  void Vd_QtComensais(TDBEdit& editor);
  // Sends the pending changes of cdsServico with UpdServico and the null-field list, under the
  // progress text of `mensagem`; `atualizaCache` refreshes the local cache of SERVICO after it.
  void GravaServicoCache(const std::string& mensagem = "upd_cdsServico", bool atualizaCache = true);
  // A post of the service record goes to the server at once unless the active page sends the
  // record's changes itself (PaginaServ::GravaServico); true when it was sent here.
  bool GravaServicoPostado();
  // After the server refused a save: the list read again, on the same service, so the screen shows
  // what is stored (another user's change included) instead of what it had loaded.
  void MostraServicoGuardado(const std::string& cdServFili);
  void edtCdGrupoFiltroExit(TComponent& sender);
  void edtCdGrupoFiltroChange(TComponent& sender);
  void btnPesqGrupoFiltroBeforePesq(TComponent& sender);
  void btnPesqGrupoFiltroAfterPesq(TComponent& sender);
  // The billing or planning mode may have changed: the form page and the pages' sheets follow.
  void Habilita_Faturamento() { Avisa(Aviso::ModoFaturamento); }

  // ================================================================ other screens (copia_exporta.cpp)
  // Copy of services, the export command, the change history and the export of estimated diners.
  std::string ParamGeral;
  void sbtCopiarClick(TComponent& sender);
  // The export button and the configuration's export entry: the active page's export.
  void sbtExportComensClick(TComponent& sender);
  void mnuExpConfiguracaoPadrClick(TComponent& sender);
  void mnuHistoricoClick(TComponent& sender);
  void LeParamGeral();
  void ExportaComensCardapio();
  void ExportaComensais();

 private:
  // Fields the screen adjusts by name.
  void ResolveCampos();
  // ---- helpers of the frame (cadastroserv.cpp)
  // Text of a message key of the screen's table.
  std::string Msg(const std::string& key) const;
  // Shows the message of a key as an error (the dialog log keeps the key) and aborts.
  [[noreturn]] void Erro(const std::string& key, const std::vector<std::string>& args = {});
  bool EmEdicao(const DataSet& ds) const;
  bool ServicoEmEdicao() const { return EmEdicao(*cdsServico); }
  // A field of the current record as text; "" when the dataset is closed or has no record.
  std::string Campo(const DataSet& ds, const char* field) const;
  std::string TipoServico() const;
  void AbreFilial(const std::string& codigo, const Variant& todas);
  void ListaFilialFixa();
  // Shows a branch code in medCdFilial (its change handler runs only when the text changes).
  void MostraFilial(const std::string& codigo);
  // The branch panel's data area (the page control): off while a typed branch code is not
  // validated yet.
  void HabilitaAreaDados(bool habilita);
  // The children of panFilial, except the branch fields the host fixed (tag 99).
  void HabilitaPainelFilial(bool habilita);
  bool PodeCopiar() const;
  void HabilitaCopia(bool habilita);
  // The eight pages with their menu items, in page order.
  std::vector<std::pair<TTabSheet*, TMenuItem*>> Paginas() const;

  // ---- navigation (navigation.cpp)
  // Page moves of the menu handlers: optional leave checks, then the page and its entry.
  void IrParaPagina(TTabSheet* page, bool consisteSaida);
  void MarcaMenuPagina();
  void MostraLista();
  // Enables the base screen's navigation control only when nothing is being edited anywhere.
  void HabilitaNavegacao();

  // ---- service record (record.cpp)
  // Moves the focus to a control when it can take it (a check's editor).
  void Foca(TControl* c);
  // A check's failure: the message of the key as an error, the focus on its editor, abort.
  [[noreturn]] void FalhaCampo(TControl* foco, const std::string& key, const std::vector<std::string>& args = {});
  // A lookup pick edits a browsing record.
  void EditaServico();
  // UtilReqPrat from GetUtilReqPrat for the current branch; returns its element 0.
  std::string CarregaUtilReqPrat();

  // ---- the service list's commands that more than one page gives (commands.cpp, navigation.cpp)
  // A new service (the form page adds its own steps around it).
  void IncluiServico(TComponent& sender);
  void AlteraRegistro(TComponent& sender);
  // Cancels the record's edit; a cancelled include shows the service that was current again.
  void CancelaServico();
  bool ExcluiServico();

  // The pages, in page order.
  std::vector<std::unique_ptr<PaginaServ>> paginas_;
  friend class PaginaServ;
  friend class PagServico;
  friend class PagConfCard;
  friend class PagCustPadr;
  friend class PagTurnos;
  friend class PagComensais;
  friend class PagPontEntr;
  friend class PagEmbalagens;
};

}  // namespace cad
