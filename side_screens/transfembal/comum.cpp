// Routines shared by the transfer dialogs: small helpers and the dish-type selection of the
// restriction dialogs.
#include "side_screens/transfembal/comum.h"

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/core/scope.h"
#include "platform/framework/consiste.h"
#include "platform/framework/lookups.h"
#include "platform/framework/remoto.h"
#include "platform/framework/showavi.h"
#include "side_screens/transfembal/transfembal.h"

namespace cad::transfembal {

std::string Campo(const DataSet& ds, const char* field) {
  const Field& f = ds.FieldByName(field);
  return f.IsNull() ? std::string() : Consiste::AllTrim(f.AsString());
}

std::string TextoPonto(const DataSet& pontos) {
  return utf8Left(Campo(pontos, "NMRAZSOCCLIE"), 25) + "   " + Campo(pontos, "NMDESTFILI");
}

std::string ChavePosicao(const std::string& ponto, const std::string& cliente) {
  if (ponto.empty() && cliente.empty()) return {};
  std::string chave = ponto;
  chave.resize(3, ' ');
  return chave + cliente;
}

void Foca(TControl* control) {
  if (control && control->CanFocus()) control->SetFocus();
}

void ValidaCodigo(const TipoCodigo& tipo, TCustomEdit& codigo, TCustomEdit& nome, TADOIBQuery& consulta, TMessages& msg,
                  std::vector<std::pair<const char*, Variant>> chave) {
  std::string ajustado = Consiste::Ajusta(codigo.Text(), tipo.digitos);
  chave.emplace_back(tipo.parametro, ajustado);
  Reabre(consulta, chave);
  if (consulta.IsEmpty()) {
    Foca(&codigo);
    msg.ShowMsg(tipo.naoCadastrado, TMsgDlgType::mtError, mbOK);
    Abort();
  }
  if (codigo.Text() != ajustado) {
    Suspend<TNotifyEvent> mudanca(codigo.OnChange);
    codigo.SetText(ajustado);
  }
  nome.SetText(Campo(consulta, tipo.campoNome));
}

}  // namespace cad::transfembal

namespace cad {

void SelecaoTiposPrato::Prepara(TMessages& msg) {
  msg_ = &msg;
  cdsTiposPrato->CreateDataSet();
  Habilita();
}

void SelecaoTiposPrato::Carrega(TForm& form, TNetConnection& net, const std::string& filial,
                                const std::string& servico) {
  Variant r;
  {
    ShowAviGuard avi(&form, 1);
    r = Consiste::CheckResultServ(net.Call("GetTiposPratoServ", {filial, servico}));
  }
  CarregaPacote(*cdsTiposPrato, r, "GetTiposPratoServ");
}

std::string SelecaoTiposPrato::Selecao(TMessages& msg) {
  if (rbtTiposPratoT->Checked()) {
    std::string todos = "_";
    cdsTiposPrato->DisableControls();
    for (cdsTiposPrato->First(); !cdsTiposPrato->Eof(); cdsTiposPrato->Next())
      todos += transfembal::Campo(*cdsTiposPrato, "CHAVE") + "_";
    cdsTiposPrato->First();
    cdsTiposPrato->EnableControls();
    selecao = todos;
  } else if (selecao.empty()) {
    transfembal::Foca(rbtTiposPratoL);
    msg.ShowMsg("TIPOPRATO_N_INF", TMsgDlgType::mtError, mbOK);
    Abort();
  }
  return selecao;
}

void SelecaoTiposPrato::rbtTiposPratoTClick(TComponent&) { Habilita(); }
void SelecaoTiposPrato::btnTiposPratoClick(TComponent&) { Pesquisa(*msg_); }

void SelecaoTiposPrato::Habilita() { btnTiposPrato->SetEnabled(rbtTiposPratoL->Checked()); }

void SelecaoTiposPrato::Pesquisa(TMessages& msg) {
  std::string escolha = selecao;
  if (Pesqlista::PesquisaLista(*dtsTiposPrato, "CHAVE", msg.Msg("TIPOPRATO") + "|" + msg.Msg("N_HA_TIPOPRATO"),
                               escolha))
    selecao = escolha;
}

}  // namespace cad
