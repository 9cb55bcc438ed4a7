// TfrmListServ: the service listing's parameter screen (invariants in listserv.h) and its
// creator CriaListServ.
#include "side_screens/listserv/listserv.h"

#include <string_view>

#include "platform/core/format.h"
#include "platform/framework/consiste.h"
#include "platform/framework/lookups.h"
#include "platform/framework/remoto.h"
#include "platform/framework/session.h"
#include "platform/framework/showavi.h"

namespace cad {

bool ListServCriada = false;

namespace {

TfrmListServ* frmListServ = nullptr;
constexpr const char* kServidor = "GER04100.rdmCadastroServ";
constexpr const char* kCodRelatorio = "GER041";

// The packet of a checked remote result; a reply of another shape is refused with a message.
PacketPtr pacote(const Variant& resultado, const char* metodo) {
  Variant dados = Consiste::CheckResultServ(resultado);
  if (!dados.isPacket()) Consiste::MensErro(std::string("Resposta inválida do servidor em ") + metodo + ".");
  return dados.packetPtr();
}

}  // namespace

TfrmListServ::TfrmListServ() {
  SetName("frmListServ");
  layout::listserv::Load_listserv(*this);
  netCadastroServ.ServerName = kServidor;
  netCadastroServ.ThrowException = false;
  ServidorDaSessao(netCadastroServ);
  SetCodRelatorio(kCodRelatorio);
}

TfrmListServ::~TfrmListServ() {
  if (frmListServ == this) {
    frmListServ = nullptr;
    ListServCriada = false;
  }
}

void TfrmListServ::FormCreate(TComponent& sender) {
  TfrmDadosGerRel::FormCreate(sender);
  ShowAviGuard avi(nullptr, 0);
  netCadastroServ.Open();
}

// A branch module shows its one branch in place of the branch choice; otherwise the group and
// the branch lists are offered.
void TfrmListServ::FormActivate(TComponent& sender) {
  TfrmDadosGerRel::FormActivate(sender);
  const bool porFilial = Corvane::ModuFili();
  for (TControl* c : std::initializer_list<TControl*>{lblFili, medCdFili, edtNmFili, btpPesqFili})
    c->SetVisible(porFilial);
  grbFilial->SetVisible(!porFilial);
  btnFilial->SetVisible(!porFilial);
  for (TControl* c : std::initializer_list<TControl*>{medAgrupFili, btpPesqAgrupFili, edtNmAgrupFili, lblAgrupFili})
    c->SetEnabled(!porFilial);
  if (!porFilial) return;
  Reabre(*qryFilial, {{"P_MODUFILI", Corvane::FiliProc()}});
  if (!qryFilial->IsEmpty()) {
    medCdFili->SetText(qryFilial->FieldByName("CDFILIAL").AsString());
    edtNmFili->SetText(qryFilial->FieldByName("NMFILIAL").AsString());
    medCdFili->SetEnabled(false);
    edtNmFili->SetEnabled(false);
    btpPesqFili->SetEnabled(false);
    btpPesqAgrupFili->SetEnabled(false);
  }
  grbServico->SetLeft(grbFilial->Left());
  grbServico->SetTop(grbFilial->Top());
}

// ---------------------------------------------------------------- branch group

std::string TfrmListServ::CodigoGrupo() const { return trim(medAgrupFili->Text()); }

void TfrmListServ::medAgrupFiliEnter(TComponent&) {
  medAgrupFili->SetText("");
  edtNmAgrupFili->SetText("");
  rbtTodasFili->SetChecked(true);
  rbtTodosServ->SetChecked(true);
}

void TfrmListServ::medAgrupFiliExit(TComponent&) {
  if (CodigoGrupo().empty()) {
    edtNmAgrupFili->SetText("");
    return;
  }
  const std::string codigo = Consiste::Ajusta(CodigoGrupo(), 10);
  if (medAgrupFili->Text() != codigo) medAgrupFili->SetText(codigo);
  if (!cdsGrupFili->Active()) {
    ShowAviGuard avi(this, 6);
    cdsGrupFili->SetData(pacote(netCadastroServ.Call("getAgrupFili"), "getAgrupFili"));
  }
  if (!cdsGrupFili->Locate("CDGRUPFILI", Variant(codigo))) {
    edtNmAgrupFili->SetText("");
    Consiste::MensErro(Msg("GRUP_NCAD"));
  }
  edtNmAgrupFili->SetText(cdsGrupFili->FieldByName("NMGRUPFILI").AsString());
}

void TfrmListServ::medAgrupFiliChange(TComponent&) {
  selFilial_.clear();
  selServico_.clear();
}

void TfrmListServ::btpPesqAgrupFiliBeforePesq(TComponent&) {
  if (!cdsGrupFili->Active()) {
    ShowAviGuard avi(this, 6);
    cdsGrupFili->SetData(pacote(netCadastroServ.Call("GetAgrupFili"), "GetAgrupFili"));
  } else {
    cdsGrupFili->First();
  }
}

void TfrmListServ::btpPesqAgrupFiliAfterPesq(TComponent&) {
  medAgrupFili->SetText(cdsGrupFili->FieldByName("CDGRUPFILI").AsString());
  edtNmAgrupFili->SetText(cdsGrupFili->FieldByName("NMGRUPFILI").AsString());
}

// ---------------------------------------------------------------- single branch (branch module)

void TfrmListServ::medCdFiliChange(TComponent&) {
  medAgrupFili->SetText("");
  edtNmAgrupFili->SetText("");
  selFilial_.clear();
  selServico_.clear();
}

void TfrmListServ::btpPesqFiliAfterPesq(TComponent&) {
  medCdFili->SetText(qryPesqFili->FieldByName("CDFILIAL").AsString());
  edtNmFili->SetText(qryPesqFili->FieldByName("NMFILIAL").AsString());
}

// ---------------------------------------------------------------- all or a list

void TfrmListServ::rbtTodasFiliClick(TComponent&) {
  btnFilial->SetEnabled(false);
  selFilial_.clear();
  rbtTodosServ->SetChecked(true);
}

void TfrmListServ::rbtListaFiliClick(TComponent&) {
  btnFilial->SetEnabled(true);
  rbtTodosServ->SetChecked(true);
  selFilial_.clear();
}

void TfrmListServ::rbtTodosServClick(TComponent&) {
  btnServico->SetEnabled(false);
  selServico_.clear();
}

void TfrmListServ::rbtListaServClick(TComponent&) {
  btnServico->SetEnabled(true);
  selServico_.clear();
}

// F6 or F9 on a "Lista" opens its list at once (the lookup is told which key opened it).
void TfrmListServ::rbtListaFiliKeyDown(TComponent& sender, int& key, ShiftState shift) {
  if (shift != 0 || (key != VK_F6 && key != VK_F9)) return;
  if (!rbtListaFili->Checked()) rbtListaFili->SetChecked(true);
  Pesquisa::KeyPressed = key;
  key = 0;
  btnFilialClick(sender);
}

void TfrmListServ::rbtListaServKeyDown(TComponent& sender, int& key, ShiftState shift) {
  if (shift != 0 || (key != VK_F6 && key != VK_F9)) return;
  if (!rbtListaServ->Checked()) rbtListaServ->SetChecked(true);
  Pesquisa::KeyPressed = key;
  key = 0;
  btnServicoClick(sender);
}

void TfrmListServ::btnFilialClick(TComponent&) {
  {
    ShowAviGuard avi(this, 6);
    cdsFiliPorGrup->SetData(pacote(netCadastroServ.Call("GetFiliPorGrup", {CodigoGrupo()}), "GetFiliPorGrup"));
  }
  std::string selecao = selFilial_;
  if (!Pesqlista::PesquisaLista(*cdsFiliPorGrup, "CDFILIAL", Msg("FILIAL") + "|" + Msg("Inf_filial"), selecao)) return;
  if (selecao != selFilial_) selServico_.clear();
  selFilial_ = selecao;
}

void TfrmListServ::btnServicoClick(TComponent&) {
  VerificaFilial();
  Variant resposta;
  {
    ShowAviGuard avi(this, 6);
    if (Corvane::ModuFili()) {
      resposta = netCadastroServ.Call("GetServPorGrup", {" ", "T", trim(medCdFili->Text()), " "});
    } else {
      const std::string grupo = CodigoGrupo();
      resposta = netCadastroServ.Call(
          "GetServPorGrup", {grupo, grupo.empty() ? "T" : "", selFilial_, rbtTodasFili->Checked() ? "T" : ""});
    }
    cdsServico->SetData(pacote(resposta, "GetServPorGrup"));
  }
  Pesqlista::PesquisaListaMsg(*cdsServico, "L_FILISERV", Msg("SERVICO") + "|" + Msg("Ncad_Servico"), selServico_);
}

// ---------------------------------------------------------------- report parameters

void TfrmListServ::VerificaFilial() {
  if (rbtListaFili->Checked() && selFilial_.empty()) {
    FocusControl(rbtListaFili);
    Consiste::MensErro(Msg("Inf_Filial"));
  }
}

void TfrmListServ::VerificaParametros() {
  VerificaFilial();
  if (rbtListaServ->Checked() && selServico_.empty()) {
    FocusControl(rbtListaServ);
    Consiste::MensErro(Msg("Inf_Servico"));
  }
}

void TfrmListServ::PreencheParametros(ParametrosRel& params) {
  const std::string grupo = CodigoGrupo();
  params.Set("P_CDGRUPFILI", grupo);
  params.Set("P_TCDGRUPFILI", grupo.empty() ? "T" : "");
  if (Corvane::ModuFili())
    params.Set("L_FILIAL", trim(medCdFili->Text()));
  else
    params.Set("L_FILIAL", rbtTodasFili->Checked() ? "T" : selFilial_);
  params.Set("L_FILISERV", rbtTodosServ->Checked() ? "T" : selServico_);
}

void EntradaListServ(VariantArray&) { CriaListServ(); }

}  // namespace cad

// A failure while the screen opens is shown as the application loop shows it.
extern "C" void CriaListServ() {
  using namespace cad;
  try {
    if (!ListServCriada || !frmListServ) {
      frmListServ = &Application().CreateForm<TfrmListServ>();
      ListServCriada = true;
    }
    frmListServ->SetWindowState(TWindowState::wsNormal);
    frmListServ->ShowModal();
  } catch (...) {
    Application().HandleException(std::current_exception());
  }
}
