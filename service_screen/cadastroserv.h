// TfrmCadastroServ: the service maintenance screen (screen code "GER04100"). It lists the services
// of one branch and shows the selected service on eight pages: the list, the form (record and
// billing setup), default menu configuration, standard cost, shifts, estimated diners, delivery
// points and packaging.
//
// The components come from the layout unit layout/cadastroserv.json, which extends the base
// screen's: the build generates from it (and layout/owners) a typed member per component, filled
// once after loading, and the binding of every handler it names. Behaviour lives in
// one unit per area: cadastroserv.cpp (frame, branch panel, switchboards), navigation.cpp
// (service selection, pages, include/alter/cancel/search/print), commands.cpp (confirm, verify,
// delete), record.cpp and record_controls.cpp (service record), billing.cpp (billing setup) and
// pages/*.cpp (one per page).
//
// Invariants:
//  - The current branch code is CdFilialFixa in fixed-branch mode, the text of medCdFilial
//    otherwise (CodFilial()); every branch-dependent call takes it from there.
//  - In fixed-branch mode no command that changes data is ever enabled.
//  - Every progress display and every suspended handler is restored on every way out (guards).
#pragma once

#include <array>
#include <memory>
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

  // ================================================================ components
  // ---- connection to the application server (not a layout component)
  TNetConnection netCadastroServ{"netCadastroServ"};

  // ---- datasets of the service record and billing
  // Working datasets of the later pages (their fields arrive with each page).
  // Fields the screen adjusts by name.
  Field *cdsServicoCDARVPROD, *cdsPesqProdCDARVPROD;

  // ---- reference queries
  Field *qryProdutoCDARVPROD, *qryPesqProdCDARVPROD, *qryServPadrCDARVPROD;

  // ---- branch panel

  // ---- added toolbar buttons, maintenance-menu entries and popups

  // ---- pages and their menu items (the list and form pages are the base screen's)
  // Estimated diners: page 0 "Default" (the service's own figures), page 1 "Dieta" (per diet).
  // Page "Default": clients, employees, donations and the total per weekday.
  // The same editors by weekday, Monday to holiday.
  struct DiaComensais {
    TDBEdit *clientes, *funcionarios, *doacoes, *total;
  };
  DiaComensais DiasDefault[8] = {};

  // ---- shifts page
  // Per-day sums of the service's shifts as stored (SEG .. FER).

  // ---- form page: service record
  // The product lookup chooses its list itself (billing group or product tree).
  // ---- form page: billing setup

  // ---- default menu configuration page (content: its own unit)

  // ---- standard-cost page (content: its own unit)

  // ================================================================ screen state
  bool PrimeiraAtivacao = true;
  // The shifts page asked the next post of the service record to be saved.
  bool GravaServicoTurno = false;
  // The shifts and per-diet diners pages fetch their data on their next entry.
  bool RecarregaTurno = true, RecarregaComeDiet = true;
  // A confirm on the diners page changed shifts: leaving the page refreshes their local cache.
  bool AlterouComensTurno = false;
  // Codes of the loaded shifts, ascending (the last is the highest), and the code of a new one.
  std::vector<int> CodigosTurno;
  int ProximoTurno = 0;
  // The last text an update method answered ("" = accepted).
  std::string UltimaResposta;
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
  void mnuCustPadrClick(TComponent& sender);
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

  // ================================================================ service record (record.cpp)
  void Vd_CdServFili(bool obrigatorio);
  void Vd_NmServFili(bool obrigatorio);
  void Vd_GrupServ(bool obrigatorio);
  void Vd_GrupServFiltro();
  void Vd_CdServAgre();
  void Vd_CdProduto(bool obrigatorio);
  void Vd_HrInicAten(bool obrigatorio);
  void Vd_Hora_ServdIni();
  void Vd_Hora_ServdFim();
  void Vd_Hora_Entrega();
  void Vd_CdRota(bool obrigatorio);
  void Vd_ServicoPrinc();
  void Vd_PadInt();
  void Vd_RequerRetiPrato();
  void Vd_QtComensais(TDBEdit& editor);
  // Sends the pending changes of cdsServico with UpdServico and the null-field list.
  void GravaServicoCache();
  // After the server refused a save: the list read again, on the same service, so the screen shows
  // what is stored (another user's change included) instead of what it had loaded.
  void MostraServicoGuardado(const std::string& cdServFili);
  void cdsServicoNewRecord(DataSet& sender);
  void cdsServicoAfterInsert(DataSet& sender);
  void cdsServicoBeforePost(DataSet& sender);
  void cdsServicoAfterPost(DataSet& sender);
  void cdsServicoIDTPSERVHOSPGetText(Field& sender, std::string& text, bool displayText);
  void cdsServicoIDTPSERVHOSPSetText(Field& sender, const std::string& text);
  void dbeCdServFiliExit(TComponent& sender);
  void dbeCdServFiliKeyPress(TComponent& sender, std::string& key);
  void dbeCdGrupServExit(TComponent& sender);
  void dbeCdGrupServChange(TComponent& sender);
  void edtCdGrupoFiltroExit(TComponent& sender);
  void edtCdGrupoFiltroChange(TComponent& sender);
  void dbeCdProdutoExit(TComponent& sender);
  void dbeCdProdutoChange(TComponent& sender);
  void dbeCdRotaExit(TComponent& sender);
  void dbeCdRotaChange(TComponent& sender);
  void dbeCdPadIntExit(TComponent& sender);
  void dbeCdPadIntChange(TComponent& sender);
  void dbeHrEntregaExit(TComponent& sender);
  void medCdServicoExit(TComponent& sender);
  void medCdServicoChange(TComponent& sender);
  void dckUtilReqRetiClick(TComponent& sender);
  void dckUtilReqPratoClick(TComponent& sender);
  void dbkConFixPerClick(TComponent& sender);
  void drgTipoServChange(TComponent& sender);
  void btnGrupServBeforePesq(TComponent& sender);
  void btnGrupServAfterPesq(TComponent& sender);
  void btnPesqGrupoFiltroBeforePesq(TComponent& sender);
  void btnPesqGrupoFiltroAfterPesq(TComponent& sender);
  void btnRotaBeforePesq(TComponent& sender);
  void btnRotaAfterPesq(TComponent& sender);
  void btpServicoBeforePesq(TComponent& sender);
  void btpServicoAfterPesq(TComponent& sender);
  void btpPadrIntBeforePesq(TComponent& sender);
  void btpPadrIntAfterPesq(TComponent& sender);
  void btnServicoBeforePesq(TComponent& sender);
  void btnServicoAfterPesq(TComponent& sender);
  void btnPesqProdClick(TComponent& sender);

  // ================================================================ billing setup (billing.cpp)
  // Switches the form between billing mode (type "F") and planning mode.
  void Habilita_Faturamento();
  void Vd_ServFatu(bool obrigatorio);
  void dbgServFatuEditButtonClick(TComponent& sender);
  void dbgServFatuKeyPress(TComponent& sender, std::string& key);
  void dbgServFatuKeyDown(TComponent& sender, int& key, ShiftState shift);
  void dbgServFatuColExit(TComponent& sender);
  void dbgServFatuExit(TComponent& sender);
  void grbServFatuEnter(TComponent& sender);
  void grbServFatuExit(TComponent& sender);
  void dtsServFatuStateChange(DataSource& sender);
  void cdsServFatuBeforeInsert(DataSet& sender);
  void cdsServFatuBeforeEdit(DataSet& sender);
  void cdsServFatuBeforePost(DataSet& sender);
  void cdsServFatuBeforeDelete(DataSet& sender);
  void cdsServFatuAfterPost(DataSet& sender);
  void cdsServFatuAfterCancel(DataSet& sender);
  void dbServFatVarClick(TComponent& sender);

  // ================================================================ pages of later units
  // Default menu configuration (pages/confcard.cpp).
  void ConfiguraColunas();
  void CarregaConf(bool recarregaLista);
  void EntraConfCard();
  void ConfCardTrocaServico();
  // Removed lines until the next save, and the dish-type catalogue of the lists.
  // "branch|service" whose lines the grid holds; another one loads on the page's next entry.
  std::string ConfCardCarregada;
  void spbItemDirClick(TComponent& sender);
  void spbTodosDirClick(TComponent& sender);
  void sbtItemEsqClick(TComponent& sender);
  void sbtTodosEsqClick(TComponent& sender);
  void spbItemUpClick(TComponent& sender);
  void spbItemDownClick(TComponent& sender);
  void StgCardDblClick(TComponent& sender);
  void stgCardKeyDown(TComponent& sender, int& key, ShiftState shift);
  void stgCardKeyPress(TComponent& sender, std::string& key);
  void stgCardDrawCell(TComponent& sender, int col, int row, const TRect& rect, unsigned state);
  void lsbDisponiveisKeyDown(TComponent& sender, int& key, ShiftState shift);
  void sbtImportExportClick(TComponent& sender);
  void cdsConfCardBeforePost(DataSet& sender);
  void dtsConfCardStateChange(DataSource& sender);
  void sbtExportComensClick(TComponent& sender);
  void mnuExpConfiguracaoPadrClick(TComponent& sender);
  // The page's blocks of the alter, cancel, confirm and verify commands.
  void AlteraConfCard();
  void CancelaConfCard();
  void ConfirmaConfCard();
  void VerificaConfCard();
  // Whether the service has packaging distribution or restriction settings (server check).
  bool ExisteDistrRest(const std::string& filial, const std::string& servico);

  // ---- copy of services and export of estimated diners (copia_exporta.cpp)
  std::string ParamGeral;
  void sbtCopiarClick(TComponent& sender);
  void mnuExpComCardClick(TComponent& sender);
  void mnuExpComDietClick(TComponent& sender);
  void mnuHistoricoClick(TComponent& sender);
  void LeParamGeral();
  void ExportaComensCardapio();
  void ExportaComensais();

 private:
  // ---- default menu configuration (pages/confcard.cpp)
  std::string SimNao(bool sim) const;
  void LimpaGradeConf();
  void RecarregaConf();
  void HabilitaExportaConf();
  bool AgregadaConf() const;
  void IniciaEdicaoConf();
  void AdicionaLinhaConf(int indice, bool percentual);
  void FimAdicaoConf();
  void RemoveLinhaConf(int linha);
  void MoveLinhaConf(int passo);
  int LarguraConf(int col) const;
  bool AceitaExcluirDistrRest();
  void GravaConfCard();
  void ExportaConfCard();

 public:
  // Estimated diners per diet (pages/dietas.cpp): the notebook page "Dieta" of tshComensais, the
  // figures of one diet of the service at a time, saved as soon as they are posted.
  // The diets of the service (GetDietPad) under the progress display, then the panel's colour.
  void CarregaDietPad();
  // Confirm on the page: the focused field's day total, then the diet's post (its save) and the
  // service's save.
  void ConfirmaDieta();
  void CancelaDieta();
  // Day total after leaving a category field; the 24 exit handlers dbeCliSegExit ... dbeDoaFerExit.
  void TotalDiaDieta(TDBEdit& deixado);
  void dbeCliSegKeyPress(TComponent& sender, std::string& key);
  void cdsDietServBeforePost(DataSet& sender);
  void cdsDietServAfterPost(DataSet& sender);
  void dtsDietServStateChange(DataSource& sender);
  void cdsDietPadBeforeScroll(DataSet& sender);
  void cdsDietPadAfterScroll(DataSet& sender);
  void dtsDietPadStateChange(DataSource& sender);
  void dbgDietaKeyDown(TComponent& sender, int& key, ShiftState shift);
  // Binds the handler names of the page; runs before the layout loads.
  void BindDietHandlers();
  // Resolves the page's components; runs after the layout loads.
  void ResolveDietComponents();
  // The editors of a day (Monday ... holiday) by category: clients, employees, donations, total.
  std::array<std::array<TDBEdit*, 4>, 8> EditoresDieta{};
  // Standard cost (pages/custpadr.cpp).
  bool Vd_Soma();
  bool AutorizaCustoPadrao();
  void EntraCustPadr();
  void CustPadrSaiServico();
  void CustPadrTrocaServico();
  // The latest stored month of the service, and a scratch copy of the dish-type rows.
  // Dish-type catalogue: the lookup's list and the check of a typed code.
  // The page fetches its data on its next entry.
  bool RecarregaCustPadr = true;
  // The month's cost when its edit began (0 for a new month or a cost not above 0).
  long double VrCustPadrAnterior = 0;
  // The dish-type grid is read-only for the current month.
  bool TravaTipoPrato = false;
  // The dish-type codes already in the current month.
  std::vector<std::string> ListaTipoPrato;
  // The month saved is being found again: leaving it runs no sum check.
  bool RelocalizandoMes = false;
  DateTime MesProcessamento() const;
  bool PodeAutomatico() const;
  bool FocoNosTipos() const;
  void HabilitaAutomatico(bool habilita);
  std::string FiltroMes(const DataSet& mes) const;
  double SomaTiposMes();
  bool Vd_SomaAnterior();
  bool MenorDataProc();
  void FiltraTp();
  void Monta_Lista();
  void Confirma_CusTp();
  void Vd_Mes(bool obrigatorio);
  void Vd_Valor(bool obrigatorio);
  void Vd_TpPrato(bool obrigatorio);
  void Vd_CustoTP();
  [[noreturn]] void FalhaTipoPrato(const char* campo, const std::string& chave);
  void CarregaCustoPadrao();
  // The page's commands for the loaded months; consultaTrava runs the processing-month lock.
  void BotoesCustPadr(bool consultaTrava);
  void BotoesAposTipos();
  void BotoesSemMeses();
  void RateiaProporcional(double valor);
  // The page's blocks of the confirm, verify, delete, include, alter, cancel and search commands.
  void ConfirmaCustPadr();
  void VerificaCustPadr();
  bool ExcluiCustPadr();
  void IncluiCustPadr();
  void AlteraCustPadr();
  void CancelaCustPadr();
  void ProcuraCustPadr();
  void cdsCustPadrBeforeInsert(DataSet& sender);
  void cdsCustPadrAfterInsert(DataSet& sender);
  void cdsCustPadrBeforeEdit(DataSet& sender);
  void cdsCustPadrBeforePost(DataSet& sender);
  void cdsCustPadrAfterPost(DataSet& sender);
  void cdsCustPadrAfterDelete(DataSet& sender);
  void cdsCustPadrBeforeScroll(DataSet& sender);
  void cdsCustPadrAfterScroll(DataSet& sender);
  void cdsCustPadrCalcFields(DataSet& sender);
  void cdsCustPadrTpBeforeInsert(DataSet& sender);
  void cdsCustPadrTpAfterInsert(DataSet& sender);
  void cdsCustPadrTpBeforeEdit(DataSet& sender);
  void cdsCustPadrTpBeforePost(DataSet& sender);
  void cdsCustPadrTpAfterDelete(DataSet& sender);
  void dtsCustPadrStateChange(DataSource& sender);
  void dtsCustPadrTpStateChange(DataSource& sender);
  void dbgCustPadrEnter(TComponent& sender);
  void dbgCustPadrColEnter(TComponent& sender);
  void dbgCustPadrColExit(TComponent& sender);
  void dbgCustPadrKeyDown(TComponent& sender, int& key, ShiftState shift);
  void dbgCustPadrKeyPress(TComponent& sender, std::string& key);
  void dbgCustPadrTpEnter(TComponent& sender);
  void dbgCustPadrTpExit(TComponent& sender);
  void dbgCustPadrTpColExit(TComponent& sender);
  void dbgCustPadrTpKeyDown(TComponent& sender, int& key, ShiftState shift);
  void dbgCustPadrTpKeyPress(TComponent& sender, std::string& key);
  void dbgCustPadrTpEditButtonClick(TComponent& sender);
  void dbgCustPadrTpDrawColumnCell(TComponent& sender, const TRect& rect, int dataCol, TColumn& column, unsigned state);
  void sbtAutomaticoClick(TComponent& sender);
  // Shifts (pages/turnos.cpp).
  void Vd_Turno();
  void Vd_QtTurno(Field& campo);
  void SaiGradeTurno();
  void EntraTurnos();
  void TurnosTrocaServico();
  void CarregaTurnos();
  // The shift codes array, from the loaded shifts.
  void EncheArray();
  int QuantidadeTurnos() const;
  // Saves the pending shift changes with UpdTurno; a refusal undoes them.
  void GravaTurnos();
  void AbreSomaTurnos();
  // One day's shift sum into the service's total and categories.
  void Atualiza_Comensais(int dia);
  // A day's new total (novo) spread onto the shifts' field `turno`, `soma` the current shift sum.
  void Atualiza_ComenTurno(Field& turno, Field& soma, double novo);
  // The commands of the shifts page for the state of cdsTurno.
  void BotoesTurno();
  void ConfirmaTurno();
  void VerificaTurno();
  bool ExcluiTurno();
  void QtTurnoValidate(Field& campo);
  void cdsTurnoBeforeInsert(DataSet& sender);
  void cdsTurnoAfterInsert(DataSet& sender);
  void cdsTurnoBeforePost(DataSet& sender);
  void cdsTurnoAfterPost(DataSet& sender);
  void cdsTurnoAfterDelete(DataSet& sender);
  void cdsTurnoAfterCancel(DataSet& sender);
  void cdsTurnoAfterScroll(DataSet& sender);
  void cdsTurnoAfterOpen(DataSet& sender);
  void dtsTurnoStateChange(DataSource& sender);
  void dbgTurnoColExit(TComponent& sender);
  void dbgTurnoExit(TComponent& sender);
  void dbgTurnoKeyDown(TComponent& sender, int& key, ShiftState shift);
  void dbgTurnoKeyPress(TComponent& sender, std::string& key);
  void BindTurnosHandlers();
  // Estimated diners (pages/comensais.cpp).
  void EntraComensais();
  void ComensaisTrocaServico();
  void HabilitaExportaDietas();
  void HabilitaExportaComens(bool habilita);
  // The notebook shows the per-diet page (the service is not corporate).
  bool PorDieta() const;
  // Page "Default": a day's total from its three categories (the day handlers dbeCSegExit ...).
  void TotalDiaDefault(int dia, TComponent& sender);
  // Whether a control is one of the page's 24 category editors, and of which day.
  bool EditorDefault(TControl* c, int& dia) const;
  void LeituraComensais(bool somenteLeitura);
  void ConfirmaComensais();
  void dbeCSegKeyPress(TComponent& sender, std::string& key);
  void tshComensaisExit(TComponent& sender);
  void BindComensaisHandlers();
  void ResolveComensais();

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
  // Loads a packet answered by the server; anything else is refused with a clear text.
  void CarregaPacote(DataSet& ds, const Variant& pacote, const char* metodo);
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
  void dtsPadraoDataChange(DataSource& sender, Field* field);
  // medCdServico and edtNmServico from the record's CDSERVPREQUI.
  void MostraServicoPrincipal();
  // The operator holds the standard-cost authorization (or nobody holds it).
  bool TemAutorizacaoCusto();
  // The stgCard header row and widths that the first activation writes.
  void CabecalhoConfCard();
  // The eight pages with their menu items, in page order.
  std::vector<std::pair<TTabSheet*, TMenuItem*>> Paginas() const;

  // ---- navigation (navigation.cpp)
  // Page moves of the menu handlers: optional leave checks, then the page and its entry.
  void IrParaPagina(TTabSheet* page, bool consisteSaida);
  void MarcaMenuPagina();
  void MostraLista();
  // The list and form pages' buttons when one of them becomes the active page.
  void BotoesListaFormulario();
  // Enables the base screen's navigation control only when nothing is being edited anywhere.
  void HabilitaNavegacao();

  // ---- service record (record.cpp, record_controls.cpp)
  // Moves the focus to a control when it can take it (a check's editor).
  void Foca(TControl* c);
  // A check's failure: the message of the key as an error, the focus on its editor, abort.
  [[noreturn]] void FalhaCampo(TControl* foco, const std::string& key, const std::vector<std::string>& args = {});
  // "Hora_deve" with the value in an information dialog, the focus on the editor, abort.
  [[noreturn]] void HoraInvalida(TControl* foco, const std::string& valor);
  // The serving and delivery hours: empty passes; otherwise a valid time of four digits.
  void Vd_Hora(const char* field, TControl* editor);
  // Writes a field of the current service only when it changes (an empty text clears it), so no
  // change event runs for nothing.
  void AtribuiCampo(const char* field, const std::string& value);
  // A lookup pick edits a browsing record.
  void EditaServico();
  // UtilReqPrat from GetUtilReqPrat for the current branch; returns its element 0.
  std::string CarregaUtilReqPrat();
  // True while code (not the user) changes the record's check boxes.
  bool SuspendeCliques = false;

  // ---- billing setup (billing.cpp)
  // The commands of the billing-service group (entering it, after a row is saved or cancelled).
  void BotoesServFatu();
  // "Faturar serviço em nota separada": open exactly while the billing value varies by date.
  void HabilitaNotaSeparada(bool valorVariavel);

  // ---- commands (commands.cpp, navigation.cpp): the list and form pages' blocks
  void EntraServico();
  void ControlesServico();
  void IncluiServico(TComponent& sender);
  void AlteraServico(TComponent& sender);
  void AlteraRegistro(TComponent& sender);
  void CancelaServico();
  void ProcuraServico(TComponent& sender);
  void ConfirmaServico();
  void VerificaServico();
  bool ExcluiServicoOuFatu();
  bool ExcluiServico();
  bool ExcluiServFatu();
  void ComandosComensais();

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
