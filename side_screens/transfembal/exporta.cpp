// The export dialogs: the main screen's service and delivery point are the origin; the user picks
// a destination branch, marks any number of its transported services and says, per service,
// whether the service-level configuration is copied and to which delivery points. The server
// copies the distribution (TfrmExportDist) or the restrictions of the dish types chosen
// (TfrmExportRest) to all of them in one transaction.
#include <string>
#include <string_view>

#include "platform/core/errors.h"
#include "platform/core/scope.h"
#include "platform/framework/consiste.h"
#include "platform/framework/lookups.h"
#include "platform/framework/remoto.h"
#include "platform/framework/session.h"
#include "platform/framework/showavi.h"
#include "side_screens/transfembal/comum.h"
#include "side_screens/transfembal/transfembal.h"

namespace cad {

using transfembal::Campo;
using transfembal::Foca;
using transfembal::kFilial;
using transfembal::ValidaCodigo;

namespace {

bool EmEdicao(const DataSet& ds) { return ds.State() == DataSetState::Edit || ds.State() == DataSetState::Insert; }

bool ColunaMarca(const TColumn& column) { return column.FieldName == "IDMARCADO"; }

}  // namespace

void TfrmExportaConf::Prepara() {
  cdsServicos->CreateDataSet();
  btnPontos->SetEnabled(false);
}

void TfrmExportaConf::Erro(const char* key) {
  msgPadrao->ShowMsg(key, TMsgDlgType::mtError, mbOK);
  Abort();
}

// The origin with its names and delivery point; the destination branch fixed when the host works
// per branch.
void TfrmExportaConf::Inicializa(TNetConnection& net, const std::string& filial, const std::string& servico,
                                 const std::string& cliente, const std::string& ponto) {
  net_ = &net;
  filialOri_ = Consiste::AllTrim(filial);
  servicoOri_ = Consiste::AllTrim(servico);
  clienteOri_ = Consiste::AllTrim(cliente);
  pontoOri_ = Consiste::AllTrim(ponto);
  edtCdFilialOri->SetText(filialOri_);
  edtCdServOri->SetText(servicoOri_);
  Reabre(*adqFilial, {{"P_CDFILIAL", filialOri_}});
  if (!adqFilial->IsEmpty()) edtNmFilialOri->SetText(Campo(*adqFilial, "NMFILIAL"));
  Reabre(*adqServico, {{"P_CDFILIAL", filialOri_}, {"P_CDSERVFILI", servicoOri_}});
  if (!adqServico->IsEmpty()) edtNmServOri->SetText(Campo(*adqServico, "NMSERVICO"));
  if (!clienteOri_.empty()) {
    ClientDataSet pontos("cdsPontosOrigem");
    Variant s = servicoOri_;
    CarregaPacote(pontos, Consiste::CheckResultServ(net_->Call("GetPontosEntrega", {filialOri_, ByRef(s)})),
                  "GetPontosEntrega");
    if (pontos.Locate("CDCLIENTE;CDDESTFILI", VariantArray{clienteOri_, pontoOri_}))
      edtPontoEntregaOri->SetText(transfembal::TextoPonto(pontos));
  }
  OrigemInicializada();
  if (Corvane::ModuFili()) {
    edtCdFilialDest->SetText(Corvane::FiliProc());
    edtCdFilialDest->SetEnabled(false);
    btnFilialDest->SetEnabled(false);
    VdFilial(true);
  }
}

// The destination branch, looked up only after a change; a branch found lists its services.
void TfrmExportaConf::VdFilial(bool vazioErro) {
  if (Consiste::EmptyString(edtCdFilialDest->Text())) {
    if (!vazioErro) return;
    Foca(edtCdFilialDest);
    Erro("FILIAL_N_INF");
  }
  if (edtCdFilialDest->Tag() != 1) return;
  ValidaCodigo(kFilial, *edtCdFilialDest, *edtNmFilialDest, *adqFilial, *msgPadrao);
  edtCdFilialDest->SetTag(0);
  GetServicos();
}

// The destination branch's transported services, none marked, with an empty delivery-point
// selection each.
void TfrmExportaConf::GetServicos() {
  Variant r;
  {
    ShowAviGuard avi(this, 1);
    Variant filial = edtCdFilialDest->Text();
    r = Consiste::CheckResultServ(net_->Call("GetServicosFilial", {ByRef(filial)}));
  }
  {
    Suspend<DataSetEvent> rolagem(cdsServicos->AfterScroll);
    CarregaPacote(*cdsServicos, r, "GetServicosFilial");
  }
  pontosServicos_.clear();
  cdsServicos->First();
  cdsServicosAfterScroll(*cdsServicos);
}

void TfrmExportaConf::edtCdFilialDestExit(TComponent&) { VdFilial(false); }

void TfrmExportaConf::edtCdFilialDestChange(TComponent&) {
  edtCdFilialDest->SetTag(1);
  edtNmFilialDest->SetText("");
  if (EmEdicao(*cdsServicos)) cdsServicos->Cancel();
  Suspend<DataSetEvent> rolagem(cdsServicos->AfterScroll);
  if (!cdsServicos->Active())
    cdsServicos->CreateDataSet();
  else
    cdsServicos->EmptyDataSet();
  pontosServicos_.clear();
  cdsPontosEntrega->Tag = 0;
}

void TfrmExportaConf::btnFilialDestClick(TComponent&) {
  Parametriza(*adqFilial, {{"P_CDFILIAL", "T"}});
  if (!Pesquisa::Pesquisar(*adqFilial, msgPadrao->Msg("FILIAL") + "|" + msgPadrao->Msg("N_HA_FILIAL"))) return;
  std::string codigo = Campo(*adqFilial, "CDFILIAL"), nome = Campo(*adqFilial, "NMFILIAL");
  {
    Suspend<TNotifyEvent> saida(edtCdFilialDest->OnExit);
    edtCdFilialDest->SetText(codigo);
  }
  edtNmFilialDest->SetText(nome);
  edtCdFilialDest->SetTag(0);
  GetServicos();
}

// Rows come only from the server.
void TfrmExportaConf::cdsServicosBeforeInsert(DataSet&) { Abort(); }

// A marked service copying to listed delivery points needs at least one.
void TfrmExportaConf::cdsServicosBeforePost(DataSet& ds) {
  if (Campo(ds, "IDMARCADO") != "S" || Campo(ds, "TODOS_PONTOS") == "S") return;
  if (!PontosDoServico(Campo(ds, "CDSERVFILI")).empty()) return;
  Foca(rbtPontosL);
  Erro("PONTOENTREGA_N_INF");
}

// The current service's delivery-point choice on the radio buttons; its points load again when
// the list is opened.
void TfrmExportaConf::cdsServicosAfterScroll(DataSet& ds) {
  bool lista = ds.Active() && !ds.IsEmpty() && Campo(ds, "TODOS_PONTOS") != "S";
  {
    Suspend<TNotifyEvent> t(rbtPontosT->OnClick), l(rbtPontosL->OnClick);
    (lista ? rbtPontosL : rbtPontosT)->SetChecked(true);
  }
  btnPontos->SetEnabled(lista);
  cdsPontosEntrega->Tag = 0;
}

void TfrmExportaConf::cdsPontosEntregaCalcFields(DataSet& ds) {
  ds.FieldByName("CHAVE").SetAsString(transfembal::ChavePosicao(Campo(ds, "CDDESTFILI"), Campo(ds, "CDCLIENTE")));
}

// Marks or unmarks the current row, or every row (all "S" unless all already are).
void TfrmExportaConf::MarcaServicos(bool todos) {
  if (!cdsServicos->Active() || cdsServicos->IsEmpty()) return;
  if (!todos) {
    if (!EmEdicao(*cdsServicos)) cdsServicos->Edit();
    Field& f = cdsServicos->FieldByName("IDMARCADO");
    f.SetAsString(f.AsString() == "S" ? "N" : "S");
    return;
  }
  cdsServicos->CheckBrowseMode();
  bool todosMarcados = true;
  for (int i = 0; i < cdsServicos->DisplayCount(); ++i)
    cdsServicos->ReadRow(i, [&] { todosMarcados = todosMarcados && Campo(*cdsServicos, "IDMARCADO") == "S"; });
  std::string valor = todosMarcados ? "N" : "S";
  Bookmark atual = cdsServicos->GetBookmark();
  {
    Suspend<DataSetEvent> rolagem(cdsServicos->AfterScroll);
    cdsServicos->DisableControls();
    ScopeExit reabilita([this] { cdsServicos->EnableControls(); });
    for (cdsServicos->First(); !cdsServicos->Eof(); cdsServicos->Next()) {
      cdsServicos->Edit();
      cdsServicos->FieldByName("IDMARCADO").SetAsString(valor);
      cdsServicos->Post();
    }
    if (cdsServicos->BookmarkValid(atual)) cdsServicos->GotoBookmark(atual);
  }
  cdsServicosAfterScroll(*cdsServicos);
}

void TfrmExportaConf::dbgServicosCellClick(TComponent&, TColumn& column) {
  if (ColunaMarca(column)) MarcaServicos(false);
}

void TfrmExportaConf::dbgServicosTitleClick(TComponent&, TColumn& column) {
  if (ColunaMarca(column)) MarcaServicos(true);
}

// The mark column as a box with or without a tick, centred in the cell.
void TfrmExportaConf::dbgServicosDrawColumnCell(TComponent&, const TRect& rect, int, TColumn& column, unsigned) {
  if (!ColunaMarca(column)) return;
  TCanvas& canvas = dbgServicos->Canvas();
  const TImage& imagem = Campo(*cdsServicos, "IDMARCADO") == "S" ? *imgChecked : *imgUnChecked;
  canvas.FillRect(rect);
  canvas.Draw(rect.Left + (rect.Width() - imagem.Width()) / 2, rect.Top, imagem);
}

// Space marks; the keys that would clear or delete are swallowed.
void TfrmExportaConf::dbgServicosKeyDown(TComponent&, int& key, ShiftState) {
  if (key == VK_SPACE) {
    key = 0;
    MarcaServicos(false);
  } else if (key == VK_DELETE || key == VK_BACK) {
    key = 0;
  }
}

void TfrmExportaConf::dbgServicosKeyPress(TComponent&, std::string& key) {
  if (key != "\t" && key != "\r") key.clear();
}

void TfrmExportaConf::rbtPontosTClick(TComponent&) {
  bool lista = rbtPontosL->Checked();
  btnPontos->SetEnabled(lista);
  if (!cdsServicos->Active() || cdsServicos->IsEmpty()) return;
  if (!EmEdicao(*cdsServicos)) cdsServicos->Edit();
  cdsServicos->FieldByName("TODOS_PONTOS").SetAsString(lista ? "N" : "S");
}

// The current service's delivery points (loaded once per row) in the list lookup; a confirmed
// choice becomes the row's selection.
void TfrmExportaConf::btnPontosClick(TComponent&) {
  if (!cdsServicos->Active() || cdsServicos->IsEmpty()) return;
  if (cdsPontosEntrega->Tag == 0) {
    Variant r;
    {
      ShowAviGuard avi(this, 1);
      Variant servico = Campo(*cdsServicos, "CDSERVFILI");
      r = Consiste::CheckResultServ(net_->Call("GetPontosEntrega", {edtCdFilialDest->Text(), ByRef(servico)}));
    }
    CarregaPacote(*cdsPontosEntrega, r, "GetPontosEntrega");
    cdsPontosEntrega->Tag = 1;
  }
  std::string servico = Campo(*cdsServicos, "CDSERVFILI");
  std::string selecao = PontosDoServico(servico);
  if (Pesqlista::PesquisaLista(*dtsPontosEntrega, "CHAVE",
                               msgPadrao->Msg("PONTOENTREGA") + "|" + msgPadrao->Msg("N_HA_PONTOENTREGA"), selecao))
    pontosServicos_[servico] = selecao;
}

std::string TfrmExportaConf::PontosDoServico(const std::string& servico) const {
  auto it = pontosServicos_.find(servico);
  return it == pontosServicos_.end() ? std::string() : it->second;
}

std::string TfrmExportaConf::TextoPontos() const {
  std::string texto;
  if (!cdsServicos->Active()) return texto;
  for (int i = 0; i < cdsServicos->DisplayCount(); ++i)
    cdsServicos->ReadRow(i, [&] {
      std::string servico = Campo(*cdsServicos, "CDSERVFILI");
      texto += servico + "=" + PontosDoServico(servico) + "\n";
    });
  return texto;
}

// Checks the destination, asks, and lets the server copy the origin's configuration; the dialog
// ends with mrOk only once the server accepted.
void TfrmExportaConf::sbtConfirmaClick(TComponent& sender) {
  AntesDaValidacao();
  VdFilial(true);
  if (EmEdicao(*cdsServicos)) cdsServicos->Post();
  bool marcado = false;
  for (int i = 0; i < cdsServicos->DisplayCount() && !marcado; ++i)
    cdsServicos->ReadRow(i, [&] { marcado = Campo(*cdsServicos, "IDMARCADO") == "S"; });
  if (!marcado) {
    Foca(dbgServicos);
    Erro("SERVICO_N_INF");
  }
  if (msgPadrao->ShowMsg("CONF_EXPORT", TMsgDlgType::mtConfirmation, mbYesNo) != mrYes) return;
  {
    ShowAviGuard avi(this, 1);
    Variant cliente = clienteOri_, ponto = pontoOri_;
    Consiste::CheckResultServ(Exporta(cliente, ponto, Variant(cdsServicos->Data()), TextoPontos()));
  }
  msgPadrao->ShowMsg("SUCESSO", TMsgDlgType::mtInformation, mbOK);
  TfrmRotiGeral::sbtConfirmaClick(sender);
}

// ---------------------------------------------------------------- distribution

TfrmExportDist::TfrmExportDist() {
  SetName("frmExportDist");
  layout::transfembal::Load_expdist(*this);
  Prepara();
}

Variant TfrmExportDist::Exporta(Variant& cliOri, Variant& pontoOri, const Variant& servicos,
                                const std::string& pontos) {
  return net_->Call("ExportaDistribuicao", {filialOri_, servicoOri_, ByRef(cliOri), ByRef(pontoOri), servicos, pontos});
}

// ---------------------------------------------------------------- restrictions

TfrmExportRest::TfrmExportRest() {
  SetName("frmExportRest");
  layout::transfembal::Load_exprest(*this, tipos);
  Prepara();
  tipos.Prepara(*msgPadrao);
}

void TfrmExportRest::OrigemInicializada() { tipos.Carrega(*this, *net_, filialOri_, servicoOri_); }

void TfrmExportRest::AntesDaValidacao() { selecaoEnvio_ = tipos.Selecao(*msgPadrao); }

Variant TfrmExportRest::Exporta(Variant& cliOri, Variant& pontoOri, const Variant& servicos,
                                const std::string& pontos) {
  Variant selecao = selecaoEnvio_;
  return net_->Call("ExportaRestricoes",
                    {filialOri_, servicoOri_, ByRef(cliOri), ByRef(pontoOri), ByRef(selecao), servicos, pontos});
}

}  // namespace cad
