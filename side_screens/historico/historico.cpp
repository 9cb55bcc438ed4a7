// The change history screen (see historico.h): the filters and the read of GetHistorico.
#include "side_screens/historico/historico.h"

#include <cstdio>
#include <string_view>
#include <utility>

#include "platform/core/errors.h"
#include "platform/framework/remoto.h"
#include "platform/framework/session.h"
#include "platform/framework/showavi.h"

namespace cad {

namespace {

constexpr const char* kServidor = "Ger04100.rdmCadastroServ";

// The date typed as "dd/mm/yyyy", "" when blank; an invalid date raises (and takes the focus).
std::string dataDigitada(TDateEditPlus& edit) {
  edit.CheckValidDate();
  if (edit.IsBlank()) return "";
  int y, m, d;
  edit.Date().decode(y, m, d);
  char b[16];
  std::snprintf(b, sizeof b, "%02d/%02d/%04d", d, m, y);
  return b;
}

}  // namespace

TfrmHistorico::TfrmHistorico(std::string filial, std::string servico)
    : filial_(std::move(filial)), servico_(std::move(servico)) {
  SetName("frmHistorico");
  layout::historico::Load_historico(*this);
  edtServico->SetText(filial_ + " / " + servico_);
  netHistorico.ServerName = kServidor;
  ServidorDaSessao(netHistorico);
}

// The whole history at the first activation.
void TfrmHistorico::FormActivate(TComponent&) {
  if (carregado_) return;
  carregado_ = true;
  Carrega();
}

void TfrmHistorico::FormClose(TComponent& sender, TCloseAction& action) {
  TfrmRotiGeral::FormClose(sender, action);
  netHistorico.Close();
}

void TfrmHistorico::btnFiltrarClick(TComponent&) { Carrega(); }

void TfrmHistorico::Carrega() {
  std::string inicio = dataDigitada(*dteInicio), fim = dataDigitada(*dteFim);
  ShowAviGuard avi(this, 0);
  Variant lido = netHistorico.Call("GetHistorico", {filial_, servico_, inicio, fim, edtOperador->Text()});
  CarregaPacote(*cdsHistorico, lido, "GetHistorico");
  cdsHistorico->First();
}

void CriaHistorico(const std::string& filial, const std::string& servico) {
  TfrmHistorico& tela = Application().CreateForm<TfrmHistorico>(filial, servico);
  tela.ShowModal();
}

void EntradaCriaHistorico(VariantArray& params) {
  if (params.size() < 2) throw Exception("CriaHistorico espera a filial e o serviço.");
  CriaHistorico(params[0].asString(), params[1].asString());
}

}  // namespace cad
