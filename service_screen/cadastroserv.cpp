// The screen frame of TfrmCadastroServ: construction (layout and component resolution), creation
// and activation, the branch panel and the group filter, the two switchboards (ChangeButtons is the base screen's,
// Habilita_Pagina is here), the record's state handling and closing.
//
// Invariants: the branch fields stay disabled while the host fixes its branch (tag 99) or the
// screen is in fixed-branch mode; the copy entries are on only with a branch loaded, outside
// fixed-branch mode, while nothing is being confirmed and the general parameters do not use the
// standard menu.
#include "service_screen/cadastroserv.h"

#include <string_view>

#include "platform/core/errors.h"
#include "platform/framework/consiste.h"
#include "platform/framework/remoto.h"
#include "platform/framework/session.h"
#include "platform/framework/showavi.h"
#include "service_screen/module.h"
#include "service_screen/pages/comensais.h"
#include "service_screen/pages/confcard.h"
#include "service_screen/pages/custpadr.h"
#include "service_screen/pages/embalagens.h"
#include "service_screen/pages/pontentr.h"
#include "service_screen/pages/servico.h"
#include "service_screen/pages/turnos.h"

namespace cad {

namespace {

constexpr const char* kServidor = "Ger04100.rdmCadastroServ";
// Tag of the branch fields while the host fixes its current branch.
constexpr int kTagFilialHost = 99;
// Connections that report "still connected" are closed again at most this many times.
constexpr int kMaxDesconexoes = 5;

}  // namespace

TfrmCadastroServ::TfrmCadastroServ() {
  SetName("frmCadastroServ");
  // The pages in page order.
  paginas_.push_back(std::make_unique<PagServico>(*this));
  paginas_.push_back(std::make_unique<PagConfCard>(*this));
  paginas_.push_back(std::make_unique<PagCustPadr>(*this));
  paginas_.push_back(std::make_unique<PagTurnos>(*this));
  paginas_.push_back(std::make_unique<PagComensais>(*this));
  paginas_.push_back(std::make_unique<PagPontEntr>(*this));
  paginas_.push_back(std::make_unique<PagEmbalagens>(*this));
  // The pages registered their handlers bound in code to per-day names; the layout's own go with the load.
  layout::service_screen::Load_cadastroserv(*this, Pagina<PagServico>(), Pagina<PagConfCard>(), Pagina<PagCustPadr>(),
                                            Pagina<PagTurnos>(), Pagina<PagComensais>(), Pagina<PagPontEntr>(),
                                            Pagina<PagEmbalagens>());
  ResolveCampos();

  dtsPadrao->SetDataSet(cdsServico);
  netCadastroServ.ServerName = kServidor;
  netCadastroServ.ThrowException = false;
  ServidorDaSessao(netCadastroServ);
}

TfrmCadastroServ::~TfrmCadastroServ() {
  if (frmCadastroServ == this) {
    frmCadastroServ = nullptr;
    TelaCriada = false;
  }
}

// Fields the screen adjusts by name (the layout gives components, not their fields).
void TfrmCadastroServ::ResolveCampos() {
  cdsServicoCDARVPROD = &cdsServico->FieldByName("CDARVPROD");
  qryServPadrCDARVPROD = &qryServPadr->FieldByName("CDARVPROD");
}

// ---------------------------------------------------------------- pages

PaginaServ* TfrmCadastroServ::Ativa() const {
  TTabSheet* aba = pgcPadrao->ActivePage();
  for (const auto& p : paginas_)
    if (p->Mostra(aba)) return p.get();
  return nullptr;
}

void TfrmCadastroServ::Avisa(Aviso aviso) {
  for (const auto& p : paginas_) p->Avisa(aviso);
}

// ---------------------------------------------------------------- what the side screens see

std::string TfrmCadastroServ::NomeFilial() const { return edtNmFilial->Text(); }
std::string TfrmCadastroServ::Servico() const { return Campo(*cdsServico, "CDSERVFILI"); }
std::string TfrmCadastroServ::Grupo() const { return edtCdGrupoFiltro->Text(); }
bool TfrmCadastroServ::SomenteLeitura() const { return FilialFixa; }
// The active page verifies: the cost page reads its months again.
void TfrmCadastroServ::RecarregaCustos() { sbtVerificarClick(*sbtVerificar); }
void TfrmCadastroServ::RecarregaLista() { GetServicos(edtCdGrupoFiltro->Text()); }

// ---------------------------------------------------------------- small helpers

std::string TfrmCadastroServ::Msg(const std::string& key) const { return msgPadrao->Msg(key); }

void TfrmCadastroServ::Erro(const std::string& key, const std::vector<std::string>& args) {
  msgPadrao->ShowMsg(key, TMsgDlgType::mtError, mbOK, args);
  Abort();
}

bool TfrmCadastroServ::EmEdicao(const DataSet& ds) const {
  DataSetState s = ds.State();
  return s == DataSetState::Edit || s == DataSetState::Insert;
}

std::string TfrmCadastroServ::Campo(const DataSet& ds, const char* field) const {
  if (!ds.Active() || (ds.IsEmpty() && !EmEdicao(ds))) return {};
  Field* f = ds.FindField(field);
  return f ? f->AsString() : std::string();
}

std::string TfrmCadastroServ::TipoServico() const { return Campo(*cdsServico, "IDTIPOSERV"); }

std::string TfrmCadastroServ::CodFilial() const { return FilialFixa ? CdFilialFixa : medCdFilial->Text(); }

// Copying needs the copy screen in the module, a branch loaded outside fixed-branch mode, nothing
// being confirmed and general parameters that do not use the standard menu.
bool TfrmCadastroServ::PodeCopiar() const {
  return TemEntrada("CriaCopiaServico") && !FilialFixa && cdsServico->Active() && !mnuConfirmar->Enabled() &&
         Campo(*qryParamGeral, "IDUTCARDPADR") != "S";
}

void TfrmCadastroServ::HabilitaCopia(bool habilita) {
  sbtCopiar->SetEnabled(habilita);
  mnuCopiar->SetEnabled(habilita);
}

void TfrmCadastroServ::HabilitaAreaDados(bool habilita) { pgcPadrao->SetEnabled(habilita); }

void TfrmCadastroServ::HabilitaPainelFilial(bool habilita) {
  Consiste::SetChildEnabled(*panFilial, habilita);
  // The branch the host fixed stays fixed.
  for (TControl* c : panFilial->Controls())
    if (c->Tag() == kTagFilialHost) c->SetEnabled(false);
}

void TfrmCadastroServ::MostraFilial(const std::string& codigo) {
  if (medCdFilial->Text() != codigo) medCdFilial->SetText(codigo);
}

// ---------------------------------------------------------------- creation and activation

void TfrmCadastroServ::FormCreate(TComponent& sender) {
  TfrmPadrao::FormCreate(sender);
  {
    ShowAviGuard avi(nullptr, 0);
    netCadastroServ.Open();
  }
  PrimeiraAtivacao = true;
  SetWidth(800);
  SetHeight(649);
  Corvane::AtualizaLocalCache({"SERVICO", "SERVPADR"});
  ParametrosFilial(Corvane::FiliProc());
  Avisa(Aviso::TelaMontada);
  UtilReqPrat.assign(5, Variant());
  pgcPadrao->SetActivePage(tshFolhaDados);
  Avisa(Aviso::Criacao);
  // No branch is loaded yet: only the list page may be entered.
  Habilita_Pagina(false);
}

void TfrmCadastroServ::ParametrosFilial(const std::string& filial) {
  TpConfPadrao = "D";
  IdNaoUtCardPadr = "N";
  qryParamGeral->Close();
  qryParamGeral->Open();
  std::string usa = Campo(*qryParamGeral, "IDUTCARDPADR");
  if (usa == "S") {
    IdNaoUtCardPadr = "N";
    Reabre(*qryServDep, {{"P_CDFILIAL", filial}});
    TpConfPadrao = qryServDep->IsEmpty() ? "S" : "D";
  } else if (usa == "N") {
    IdNaoUtCardPadr = "S";
  }
  Avisa(Aviso::ParametrosLidos);
}

void TfrmCadastroServ::qryParamGeralAfterOpen(DataSet&) { Avisa(Aviso::ParametrosLidos); }

void TfrmCadastroServ::AbreFilial(const std::string& codigo, const Variant& todas) {
  Reabre(*qryFilial, {{"P_CDFILIAL", codigo}, {"P_TCDFILIAL", todas}});
}

void TfrmCadastroServ::FormActivate(TComponent&) {
  if (PrimeiraAtivacao) {
    if (FilialFixa) {
      AbreFilial(Consiste::Ajusta(CdFilialFixa, 4), Variant(""));
      MostraFilial(CdFilialFixa);
      edtNmFilial->SetText(Campo(*qryFilial, "NMFILIAL"));
      for (TControl* c : std::initializer_list<TControl*>{medCdFilial, btnFilial, lblFilial}) c->SetEnabled(false);
      HabilitaCopia(false);
      ListaFilialFixa();
    } else {
      AbreFilial(Corvane::FiliProc(), Variant(""));
      MostraFilial(Campo(*qryFilial, "CDFILIAL"));
      edtNmFilial->SetText(Campo(*qryFilial, "NMFILIAL"));
      bool hostFixa = Corvane::ModuFili();
      for (TControl* c : std::initializer_list<TControl*>{medCdFilial, btnFilial, lblFilial}) {
        c->SetEnabled(!hostFixa);
        c->SetTag(hostFixa ? kTagFilialHost : 0);
      }
    }
    if (Corvane::ModuFili()) {
      HabilitaAreaDados(true);
      ListaFilialFixa();
    }
    std::string mascara = Corvane::DBPict(0);
    for (Field* f : {cdsServicoCDARVPROD, qryServPadrCDARVPROD}) f->EditMask = mascara;
    PrimeiraAtivacao = false;
  }
  Avisa(Aviso::TelaAtivada);
}

// Lists the services of a branch the user cannot change. When the focus waits in the branch
// panel, it moves to the list (leaving the panel loads the services), so a later focus move does
// not leave the panel again and reload the list under an edit.
void TfrmCadastroServ::ListaFilialFixa() {
  if (ActiveControl() && panFilial->Contains(ActiveControl()) && dbgPadrao->CanFocus())
    dbgPadrao->SetFocus();
  else
    panFilialExit(*panFilial);
}

// ---------------------------------------------------------------- closing

void TfrmCadastroServ::FormCloseQuery(TComponent& sender, bool& canClose) {
  // Pending changes are saved or dropped as the user answers first; the page checks then run on
  // what is left.
  TfrmPadrao::FormCloseQuery(sender, canClose);
  if (!canClose) return;
  if (PaginaServ* p = Ativa(); p && !p->PodeSair(Saida::Tela)) canClose = false;
}

void TfrmCadastroServ::FormClose(TComponent& sender, TCloseAction& action) {
  if (PaginaServ* p = Ativa()) p->Fecha();
  TelaCriada = false;
  for (int i = 0; i < kMaxDesconexoes && netCadastroServ.Connected(); ++i) netCadastroServ.Close();
  TfrmPadrao::FormClose(sender, action);
}

// ---------------------------------------------------------------- branch panel

void TfrmCadastroServ::panFilialEnter(TComponent&) {
  if (PaginaServ* p = Ativa(); p && !p->PodeSair(Saida::EntraFilial)) Abort();
  mnuFolhaDadosClick(*mnuFolhaDados);
  for (TTabSheet* t : {tshFormulario, tshConfCard, tshCustPadr, tshTurnos, tshComensais, tshPontEntr, tshEmbalagens})
    t->SetEnabled(false);
  cdsServico->Close();
  ChangeButtons(false, false, false, false, false, false);
  pgcPadrao->SetActivePage(tshFolhaDados);
  MarcaMenuPagina();
  for (TMenuItem* m : {mnuFormulario, mnuConfCard, mnuCustPadr, mnuTurnos, mnuComens, mnuEmbalagens, mnuPontEntr})
    m->SetEnabled(false);
  if (!FilialFixa) HabilitaCopia(false);
}

void TfrmCadastroServ::medCdFilialChange(TComponent&) {
  edtNmFilial->SetText("");
  HabilitaAreaDados(FilialFixa);
  AtualizaStatus();
}

void TfrmCadastroServ::btnFilialBeforePesq(TComponent&) {
  Parametriza(*qryFilial, {{"P_CDFILIAL", Variant()}, {"P_TCDFILIAL", "T"}});
}

void TfrmCadastroServ::btnFilialAfterPesq(TComponent&) {
  MostraFilial(Campo(*qryFilial, "CDFILIAL"));
  edtNmFilial->SetText(Campo(*qryFilial, "NMFILIAL"));
  // Back in the code, so leaving it validates the branch picked and opens the data area.
  if (medCdFilial->CanFocus() && !medCdFilial->Focused()) medCdFilial->SetFocus();
}

void TfrmCadastroServ::medCdFilialExit(TComponent&) {
  try {
    std::string filial = Consiste::Ajusta(medCdFilial->Text(), 4);
    AbreFilial(filial, Variant());
    ParametrosFilial(filial);
    Avisa(Aviso::FilialAberta);
    std::string nome;
    if (FilialFixa) {
      nome = Consiste::ValidaFilial(CdFilialFixa, Corvane::Operador(), false);
      MostraFilial(Consiste::Ajusta(CdFilialFixa, 4));
    } else {
      nome = Consiste::ValidaFilial(filial, Corvane::Operador(), false);
      MostraFilial(filial);
    }
    edtNmFilial->SetText(nome);
    HabilitaAreaDados(true);
  } catch (...) {
    if (medCdFilial->CanFocus() && !medCdFilial->Focused()) medCdFilial->SetFocus();
    throw;
  }
}

// Enter leaves the branch panel for the service list, as Tab does field by field: leaving the
// branch code validates it (and opens the list page), leaving the panel loads the services. A
// refusal on the way keeps the focus where it sent it back and stops here.
void TfrmCadastroServ::medCdFilialKeyDown(TComponent& sender, int& key, ShiftState shift) {
  if (key != VK_RETURN || shift != 0) return;
  key = 0;
  if (&sender == medCdFilial && edtCdGrupoFiltro->CanFocus()) edtCdGrupoFiltro->SetFocus();
  if (panFilial->Contains(ActiveControl()) && dbgPadrao->CanFocus()) dbgPadrao->SetFocus();
}

void TfrmCadastroServ::panFilialExit(TComponent&) {
  NmTabServ = GetServTabName();
  if (PaginaServ* p = Ativa(); p && !p->PodeSair(Saida::SaiFilial)) Abort();
  {
    ShowAviGuard avi(this, 6, Msg("get_cdsServico"));
    Variant servicos = netCadastroServ.Call("GetServico", {CodFilial(), edtCdGrupoFiltro->Text()});
    CarregaPacote(*cdsServico, servicos, "GetServico");
  }
  try {
    if (FilialFixa) {
      MostraFilial(Consiste::Ajusta(CdFilialFixa, 4));
      edtNmFilial->SetText(Consiste::ValidaFilial(CdFilialFixa, Corvane::Operador(), true));
      for (TControl* c : std::initializer_list<TControl*>{lblFilial, medCdFilial, btnFilial}) c->SetEnabled(false);
      ChangeButtons(false, false, false, true, true, false);
    } else {
      std::string filial = Consiste::Ajusta(medCdFilial->Text(), 4);
      MostraFilial(filial);
      edtNmFilial->SetText(Consiste::ValidaFilial(filial, Corvane::Operador(), true));
      HabilitaAreaDados(true);
    }
  } catch (...) {
    if (medCdFilial->CanFocus() && !medCdFilial->Focused()) medCdFilial->SetFocus();
    throw;
  }
  Avisa(Aviso::FilialListada);
  if (!FilialFixa) HabilitaCopia(PodeCopiar());
}

// ---------------------------------------------------------------- group filter

// The filter's edit takes five digits while a group code has three: zeros typed ahead of a code
// that fits ("00001") are dropped; a longer value stays as typed and is refused.
void TfrmCadastroServ::Vd_GrupServFiltro() {
  std::string codigo = Consiste::AllTrim(edtCdGrupoFiltro->Text());
  if (codigo.empty()) return;
  size_t zeros = 0;
  while (codigo.size() - zeros > 3 && codigo[zeros] == '0') ++zeros;
  if (codigo.size() - zeros > 3) FalhaCampo(edtCdGrupoFiltro, "Grupo_nao_cad");
  codigo = Consiste::Ajusta(codigo.substr(zeros), 3);
  if (edtCdGrupoFiltro->Text() != codigo) edtCdGrupoFiltro->SetText(codigo);
  Reabre(*qryVdGrupServ, {{"CDGRUPSERV", codigo}});
  if (qryVdGrupServ->IsEmpty()) FalhaCampo(edtCdGrupoFiltro, "Grupo_nao_cad");
  edtNmGrupoFiltro->SetText(Campo(*qryVdGrupServ, "NMGRUPSERV"));
}

void TfrmCadastroServ::edtCdGrupoFiltroExit(TComponent&) { Vd_GrupServFiltro(); }

void TfrmCadastroServ::edtCdGrupoFiltroChange(TComponent&) { edtNmGrupoFiltro->SetText(""); }

void TfrmCadastroServ::btnPesqGrupoFiltroBeforePesq(TComponent&) { Parametriza(*qryVdGrupServ, {{"CDGRUPSERV", "T"}}); }

void TfrmCadastroServ::btnPesqGrupoFiltroAfterPesq(TComponent&) {
  edtCdGrupoFiltro->SetText(Campo(*qryVdGrupServ, "CDGRUPSERV"));
  edtNmGrupoFiltro->SetText(Campo(*qryVdGrupServ, "NMGRUPSERV"));
}

// ---------------------------------------------------------------- switchboards

bool TfrmCadastroServ::PaginaPermitida(TTabSheet* page) const {
  for (const auto& p : paginas_)
    if (p->Mostra(page)) return p->Serve(TipoServico());
  return true;
}

std::vector<std::pair<TTabSheet*, TMenuItem*>> TfrmCadastroServ::Paginas() const {
  return {{tshFolhaDados, mnuFolhaDados}, {tshFormulario, mnuFormulario}, {tshConfCard, mnuConfCard},
          {tshCustPadr, mnuCustPadr},     {tshTurnos, mnuTurnos},         {tshComensais, mnuComens},
          {tshPontEntr, mnuPontEntr},     {tshEmbalagens, mnuEmbalagens}};
}

void TfrmCadastroServ::Habilita_Pagina(bool habilita) {
  for (auto [sheet, menu] : Paginas()) {
    sheet->SetEnabled((pgcPadrao->ActivePage() == sheet || habilita) && PaginaPermitida(sheet));
    menu->SetEnabled(sheet->Enabled());
  }
}

std::string TfrmCadastroServ::GetServTabName() {
  Reabre(*qryServPadr, {{"P_CDSERVPADR", "X"}, {"P_TCDSERVPADR", "T"}});
  return qryServPadr->IsEmpty() ? "SERVFILI" : "SERVPADR";
}

void TfrmCadastroServ::dtsPadraoStateChange(DataSource& sender) {
  TfrmPadrao::dtsPadraoStateChange(sender);
  DataSetState estado = cdsServico->State();
  bool editando = ServicoEmEdicao();
  if (FilialFixa) {
    panFilial->SetEnabled(false);
  } else {
    HabilitaPainelFilial(!editando);
    HabilitaCopia(PodeCopiar());
  }

  if (estado == DataSetState::Inactive)
    Habilita_Pagina(false);
  else
    Habilita_Pagina(estado == DataSetState::Browse && cdsServico->RecordCount() > 0);

  if (PaginaServ* p = Ativa()) p->EstadoServico();

  if (cdsServico->Active() && cdsServico->IsEmpty()) ChangeButtons(!FilialFixa, false, false, false, false, false);
  Habilita_Faturamento();
}

}  // namespace cad
