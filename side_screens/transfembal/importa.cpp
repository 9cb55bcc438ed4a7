// The import dialogs: the main screen's service and delivery point are the destination; the user
// picks one origin (branch, service, delivery point) and the server replaces the destination's
// distribution (TfrmImpDist) or restrictions of the dish types chosen (TfrmImpRest) with the
// origin's.
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
using transfembal::kServico;
using transfembal::ValidaCodigo;

void TfrmImportaConf::Prepara() {
  cmbPontoEntrega->SetItems({""});
  cmbPontoEntrega->SetItemIndex(0);
}

void TfrmImportaConf::Erro(const char* key) {
  msgPadrao->ShowMsg(key, TMsgDlgType::mtError, mbOK);
  Abort();
}

void TfrmImportaConf::FocaOrigem() {
  if (edtCdFilialOri->CanFocus())
    edtCdFilialOri->SetFocus();
  else
    Foca(edtCdServOri);
}

// The destination with its names, and the origin branch fixed when the host works per branch.
void TfrmImportaConf::Inicializa(TNetConnection& net, const std::string& filial, const std::string& servico,
                                 const std::string& cliente, const std::string& ponto) {
  net_ = &net;
  filialDest_ = Consiste::AllTrim(filial);
  servicoDest_ = Consiste::AllTrim(servico);
  clienteDest_ = Consiste::AllTrim(cliente);
  pontoDest_ = Consiste::AllTrim(ponto);
  if (Corvane::ModuFili()) {
    edtCdFilialOri->SetText(Corvane::FiliProc());
    edtCdFilialOri->SetEnabled(false);
    btnFilialOri->SetEnabled(false);
    VdFilial(true);
  }
  edtCdFilialDest->SetText(filialDest_);
  edtCdServDest->SetText(servicoDest_);
  Reabre(*adqFilial, {{"P_CDFILIAL", filialDest_}});
  if (!adqFilial->IsEmpty()) edtNmFilialDest->SetText(Campo(*adqFilial, "NMFILIAL"));
  Reabre(*adqServico, {{"P_CDFILIAL", filialDest_}, {"P_CDSERVFILI", servicoDest_}});
  if (!adqServico->IsEmpty()) edtNmServDest->SetText(Campo(*adqServico, "NMSERVICO"));
  chaveDestino_ = transfembal::ChavePosicao(pontoDest_, clienteDest_);
  if (!clienteDest_.empty() || !pontoDest_.empty()) {
    ClientDataSet pontos("cdsPontosDestino");
    Variant s = servicoDest_;
    CarregaPacote(pontos, Consiste::CheckResultServ(net_->Call("GetPontosEntrega", {filialDest_, ByRef(s)})),
                  "GetPontosEntrega");
    if (pontos.Locate("CDCLIENTE;CDDESTFILI", VariantArray{clienteDest_, pontoDest_}))
      edtPontoEntregaDest->SetText(transfembal::TextoPonto(pontos));
  }
}

// The origin branch: empty is reported only with the flag; the code found shows its name.
void TfrmImportaConf::VdFilial(bool vazioErro) {
  if (Consiste::EmptyString(edtCdFilialOri->Text())) {
    if (!vazioErro) return;
    Foca(edtCdFilialOri);
    Erro("FILIAL_N_INF");
  }
  ValidaCodigo(kFilial, *edtCdFilialOri, *edtNmFilialOri, *adqFilial, *msgPadrao);
}

// The origin service, looked up only after a change: its name, delivery points (and, for the
// restrictions, dish types).
void TfrmImportaConf::VdServico(bool vazioErro) {
  if (Consiste::EmptyString(edtCdServOri->Text())) {
    if (!vazioErro) return;
    Foca(edtCdServOri);
    Erro("SERVICO_N_INF");
  }
  if (edtCdServOri->Tag() != 1) return;
  VdFilial(true);
  ValidaCodigo(kServico, *edtCdServOri, *edtNmServOri, *adqServico, *msgPadrao,
               {{"P_CDFILIAL", edtCdFilialOri->Text()}});
  CarregaPontos();
  edtCdServOri->SetTag(0);
  OrigemValidada();
}

// The origin service's delivery points in the combo box, item 0 (the service itself) selected.
void TfrmImportaConf::CarregaPontos() {
  ClientDataSet pontos("cdsPontosOrigem");
  Variant s = edtCdServOri->Text();
  CarregaPacote(pontos, Consiste::CheckResultServ(net_->Call("GetPontosEntrega", {edtCdFilialOri->Text(), ByRef(s)})),
                "GetPontosEntrega");
  std::vector<std::string> itens{""};
  chavesPontos_ = {""};
  for (pontos.First(); !pontos.Eof(); pontos.Next()) {
    itens.push_back(transfembal::TextoPonto(pontos));
    chavesPontos_.push_back(Campo(pontos, "CDCLIENTE") + "_" + Campo(pontos, "CDDESTFILI"));
  }
  cmbPontoEntrega->SetItems(itens);
  cmbPontoEntrega->SetItemIndex(0);
}

void TfrmImportaConf::edtCdFilialOriExit(TComponent&) { VdFilial(false); }

void TfrmImportaConf::edtCdFilialOriChange(TComponent&) {
  edtNmFilialOri->SetText("");
  edtCdServOri->SetText("");
}

void TfrmImportaConf::edtCdServOriExit(TComponent&) { VdServico(false); }

void TfrmImportaConf::edtCdServOriChange(TComponent&) {
  edtCdServOri->SetTag(1);
  edtNmServOri->SetText("");
  cmbPontoEntrega->SetItems({""});
  cmbPontoEntrega->SetItemIndex(0);
  chavesPontos_ = {""};
}

void TfrmImportaConf::btnFilialOriClick(TComponent&) {
  Parametriza(*adqFilial, {{"P_CDFILIAL", "T"}});
  if (!Pesquisa::Pesquisar(*adqFilial, msgPadrao->Msg("FILIAL") + "|" + msgPadrao->Msg("N_HA_FILIAL"))) return;
  std::string codigo = Campo(*adqFilial, "CDFILIAL"), nome = Campo(*adqFilial, "NMFILIAL");
  {
    Suspend<TNotifyEvent> saida(edtCdFilialOri->OnExit);
    edtCdFilialOri->SetText(codigo);
  }
  edtNmFilialOri->SetText(nome);
}

void TfrmImportaConf::btnServOriClick(TComponent&) {
  VdFilial(true);
  Parametriza(*adqServico, {{"P_CDFILIAL", edtCdFilialOri->Text()}, {"P_CDSERVFILI", "T"}});
  if (!Pesquisa::Pesquisar(*adqServico, msgPadrao->Msg("SERVICO") + "|" + msgPadrao->Msg("N_HA_SERVICO"))) return;
  std::string codigo = Campo(*adqServico, "CDSERVFILI"), nome = Campo(*adqServico, "NMSERVICO");
  {
    Suspend<TNotifyEvent> saida(edtCdServOri->OnExit);
    edtCdServOri->SetText(codigo);
  }
  CarregaPontos();
  edtNmServOri->SetText(nome);
  edtCdServOri->SetTag(0);
  OrigemValidada();
}

// Checks the origin, asks, and lets the server replace the destination's configuration; the
// dialog ends with mrOk only once the server accepted.
void TfrmImportaConf::sbtConfirmaClick(TComponent& sender) {
  VdFilial(true);
  VdServico(true);
  std::string cliente, ponto;
  size_t item = cmbPontoEntrega->ItemIndex() < 0 ? 0 : static_cast<size_t>(cmbPontoEntrega->ItemIndex());
  if (item < chavesPontos_.size()) {
    const std::string& chave = chavesPontos_[item];
    if (size_t sep = chave.find('_'); sep != std::string::npos) {
      cliente = chave.substr(0, sep);
      ponto = chave.substr(sep + 1);
    }
  }
  std::string filial = edtCdFilialOri->Text(), servico = edtCdServOri->Text();
  bool temConfiguracao;
  {
    ShowAviGuard avi(this, 1);
    temConfiguracao = OrigemTemConfiguracao(cliente, ponto);
  }
  if (!temConfiguracao) {
    FocaOrigem();
    Erro(SemConfiguracao());
  }
  if (filial == filialDest_ && servico == servicoDest_ && ponto == pontoDest_ && cliente == clienteDest_) {
    FocaOrigem();
    Erro("ORI_IGUAL_DEST");
  }
  std::string pontoDest = chaveDestino_.substr(0, 3);
  std::string clienteDest = chaveDestino_.size() > 3 ? chaveDestino_.substr(3, 21) : std::string();
  AntesDaPergunta();
  if (msgPadrao->ShowMsg("CONF_IMPORT", TMsgDlgType::mtConfirmation, mbYesNo) != mrYes) return;
  {
    ShowAviGuard avi(this, 1);
    Variant cliOri = cliente, pontoOri = ponto, cliDest = Consiste::AllTrim(clienteDest),
            pontoDestV = Consiste::AllTrim(pontoDest);
    Consiste::CheckResultServ(Importa(cliOri, pontoOri, cliDest, pontoDestV));
  }
  msgPadrao->ShowMsg("SUCESSO", TMsgDlgType::mtInformation, mbOK);
  TfrmRotiGeral::sbtConfirmaClick(sender);
}

// ---------------------------------------------------------------- distribution

TfrmImpDist::TfrmImpDist() {
  SetName("frmImpDist");
  layout::transfembal::Load_impdist(*this);
  Prepara();
}

bool TfrmImpDist::OrigemTemConfiguracao(const std::string& cliente, const std::string& ponto) {
  Variant c = cliente, p = ponto, f = edtCdFilialOri->Text(), s = edtCdServOri->Text();
  ClientDataSet linhas("cdsVdDistribuicoes");
  CarregaPacote(
      linhas, Consiste::CheckResultServ(net_->Call("GetVdDistribuicoesServ", {ByRef(f), ByRef(s), ByRef(c), ByRef(p)})),
      "GetVdDistribuicoesServ");
  return !linhas.IsEmpty();
}

Variant TfrmImpDist::Importa(Variant& cliOri, Variant& pontoOri, Variant& cliDest, Variant& pontoDest) {
  return net_->Call("ImportaDistribuicao",
                    {edtCdFilialOri->Text(), edtCdServOri->Text(), ByRef(cliOri), ByRef(pontoOri), filialDest_,
                     servicoDest_, ByRef(cliDest), ByRef(pontoDest)});
}

// ---------------------------------------------------------------- restrictions

TfrmImpRest::TfrmImpRest() {
  SetName("frmImpRest");
  layout::transfembal::Load_imprest(*this, tipos);
  Prepara();
  tipos.Prepara(*msgPadrao);
}

void TfrmImpRest::OrigemValidada() { tipos.Carrega(*this, *net_, edtCdFilialOri->Text(), edtCdServOri->Text()); }

bool TfrmImpRest::OrigemTemConfiguracao(const std::string& cliente, const std::string& ponto) {
  Variant c = cliente, p = ponto, f = edtCdFilialOri->Text(), s = edtCdServOri->Text();
  ClientDataSet linhas("cdsVdRestricoes");
  CarregaPacote(linhas,
                Consiste::CheckResultServ(net_->Call("GetVdRestricoesServ", {ByRef(f), ByRef(s), ByRef(c), ByRef(p)})),
                "GetVdRestricoesServ");
  return !linhas.IsEmpty();
}

void TfrmImpRest::AntesDaPergunta() { selecaoEnvio_ = tipos.Selecao(*msgPadrao); }

Variant TfrmImpRest::Importa(Variant& cliOri, Variant& pontoOri, Variant& cliDest, Variant& pontoDest) {
  Variant selecao = selecaoEnvio_;
  return net_->Call("ImportaRestricoes", {edtCdFilialOri->Text(), edtCdServOri->Text(), ByRef(cliOri), ByRef(pontoOri),
                                          ByRef(selecao), filialDest_, servicoDest_, ByRef(cliDest), ByRef(pontoDest)});
}

}  // namespace cad
