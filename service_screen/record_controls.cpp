// The controls of the service record on the form page: the exit and change handlers of its edits,
// its check boxes, the hospital-kind text of the combo dbcTipoServ, and the lookups that fill
// its fields.
//
// Invariants:
//  - A lookup pick puts a browsing record into edit before writing it; a code is written before
//    its name (the code's editor clears the name when it changes).
//  - The change handlers clear a name only while the record is being edited: data-aware edits
//    also change when another service becomes current.
#include <string>

#include "platform/core/errors.h"
#include "platform/core/scope.h"
#include "platform/framework/consiste.h"
#include "platform/framework/lookups.h"
#include "platform/framework/remoto.h"
#include "platform/framework/session.h"
#include "service_screen/cadastroserv.h"
#include "service_screen/module.h"

namespace cad {

namespace {

// Hospital kinds: stored digit and message key of its text.
const std::pair<const char*, const char*> kEspecificacoes[] = {{"0", "Oral"}, {"1", "EntPare"}, {"2", "Lactario"}};

}  // namespace

// ---------------------------------------------------------------- hospital kind

// The stored digit shows as its text in every module, as the set-text handler stores the digit in
// every module: otherwise a kind picked outside the hospital modules would blank the combo and
// the next post would clear it.
void TfrmCadastroServ::cdsServicoIDTPSERVHOSPGetText(Field& sender, std::string& text, bool) {
  if (sender.IsNull()) return;
  std::string valor = sender.AsString();
  for (auto [digito, key] : kEspecificacoes)
    if (valor == digito) text = Msg(key);
}

// One of the three texts stores its digit in every module: the field holds one character, so the
// text itself would be cut to its first letter. Other texts are stored as entered.
void TfrmCadastroServ::cdsServicoIDTPSERVHOSPSetText(Field& sender, const std::string& text) {
  for (auto [digito, key] : kEspecificacoes)
    if (text == Msg(key)) {
      sender.SetAsString(digito);
      return;
    }
  sender.SetAsString(text);
}

// ---------------------------------------------------------------- edits

void TfrmCadastroServ::dbeCdServFiliExit(TComponent&) { Vd_CdServFili(true); }

void TfrmCadastroServ::dbeCdServFiliKeyPress(TComponent&, std::string& key) {
  if (key == " ") key.clear();
}

void TfrmCadastroServ::dbeCdGrupServExit(TComponent&) { Vd_GrupServ(false); }

void TfrmCadastroServ::dbeCdGrupServChange(TComponent&) {
  if (ServicoEmEdicao()) AtribuiCampo("NMGRUPSERV", "");
}

void TfrmCadastroServ::edtCdGrupoFiltroExit(TComponent&) { Vd_GrupServFiltro(); }

void TfrmCadastroServ::edtCdGrupoFiltroChange(TComponent&) { edtNmGrupoFiltro->SetText(""); }

void TfrmCadastroServ::dbeCdProdutoExit(TComponent&) {
  if (ServicoEmEdicao()) Vd_CdProduto(false);
}

void TfrmCadastroServ::dbeCdProdutoChange(TComponent&) {
  if (ServicoEmEdicao()) AtribuiCampo("NMPRODUTO", "");
}

void TfrmCadastroServ::dbeCdRotaExit(TComponent&) {
  if (ServicoEmEdicao()) Vd_CdRota(false);
}

void TfrmCadastroServ::dbeCdRotaChange(TComponent&) {
  if (ServicoEmEdicao()) AtribuiCampo("NMROTATRANS", "");
}

void TfrmCadastroServ::dbeCdPadIntExit(TComponent&) { Vd_PadInt(); }

void TfrmCadastroServ::dbeCdPadIntChange(TComponent&) {
  if (ServicoEmEdicao()) AtribuiCampo("NMSERPADDIE", "");
}

void TfrmCadastroServ::dbeHrEntregaExit(TComponent&) { Vd_Hora_Entrega(); }

void TfrmCadastroServ::medCdServicoExit(TComponent&) { Vd_ServicoPrinc(); }

void TfrmCadastroServ::medCdServicoChange(TComponent&) { edtNmServico->SetText(""); }

// ---------------------------------------------------------------- check boxes and type

// A data-aware box raises its click on every change of its state, also when the record moves or
// the billing mode clears it; the handlers act only on what the user does in the record.

void TfrmCadastroServ::dckUtilReqRetiClick(TComponent&) {
  if (SuspendeCliques || cdsServico->State() != DataSetState::Edit) return;
  if (!dckUtilReqReti->Checked()) msgPadrao->ShowMsg("SERV_INATIVO", TMsgDlgType::mtInformation, mbOK);
}

void TfrmCadastroServ::dckUtilReqPratoClick(TComponent&) {
  dckBloqAlt->SetEnabled(dckUtilReqPrato->Checked() && !FilialFixa);
  if (SuspendeCliques) return;
  if (!dckUtilReqPrato->Checked() && ServicoEmEdicao()) AtribuiCampo("IDBLOQALTPRA", "N");
}

void TfrmCadastroServ::dbkConFixPerClick(TComponent&) {
  if (SuspendeCliques || cdsServico->State() != DataSetState::Edit) return;
  if (!dbkConFixPer->Checked()) {
    AtribuiCampo("IDBLOQCONFIXPER", "N");
    return;
  }
  AtribuiCampo("IDBLOQCONFIXPER", "S");
  if (msgPadrao->ShowMsg("ExcluiProd", TMsgDlgType::mtConfirmation, mbYesNo) == mrYes) {
    if (dbkConsSerCar->Checked()) AtribuiCampo("IDCONSSERVCA", "N");
  } else {
    // The box follows the field.
    AtribuiCampo("IDBLOQCONFIXPER", "N");
  }
}

void TfrmCadastroServ::drgTipoServChange(TComponent&) {
  if (cdsServico->State() == DataSetState::Insert) Habilita_Faturamento();
}

// ---------------------------------------------------------------- lookups

void TfrmCadastroServ::btnGrupServBeforePesq(TComponent&) { Parametriza(*qryVdGrupServ, {{"CDGRUPSERV", "T"}}); }

void TfrmCadastroServ::btnGrupServAfterPesq(TComponent&) {
  EditaServico();
  AtribuiCampo("CDGRUPSERV", Campo(*qryVdGrupServ, "CDGRUPSERV"));
  AtribuiCampo("NMGRUPSERV", Campo(*qryVdGrupServ, "NMGRUPSERV"));
}

void TfrmCadastroServ::btnPesqGrupoFiltroBeforePesq(TComponent& sender) { btnGrupServBeforePesq(sender); }

void TfrmCadastroServ::btnPesqGrupoFiltroAfterPesq(TComponent&) {
  edtCdGrupoFiltro->SetText(Campo(*qryVdGrupServ, "CDGRUPSERV"));
  edtNmGrupoFiltro->SetText(Campo(*qryVdGrupServ, "NMGRUPSERV"));
}

void TfrmCadastroServ::btnRotaBeforePesq(TComponent&) {
  Parametriza(*qryRota, {{"P_CDROTATRANS", Variant()}, {"P_TCDROTATRANS", "T"}});
}

void TfrmCadastroServ::btnRotaAfterPesq(TComponent&) {
  EditaServico();
  AtribuiCampo("CDROTATRANS", Campo(*qryRota, "CDROTATRANS"));
  AtribuiCampo("NMROTATRANS", Campo(*qryRota, "NMROTATRANS"));
}

// The standard services the branch does not have yet ("L"): the ones an include may still take.
void TfrmCadastroServ::btpServicoBeforePesq(TComponent&) {
  Parametriza(*qryServPadr, {{"P_TCDSERVPADR", "L"}, {"P_CDSERVPADR", "X"}, {"P_CDFILIAL", CodFilial()}});
}

void TfrmCadastroServ::btpServicoAfterPesq(TComponent&) {
  EditaServico();
  AtribuiCampo("CDSERVFILI", Campo(*qryServPadr, "CDSERVPADR"));
  AtribuiCampo("NMSERVICO", Campo(*qryServPadr, "NMSERVPADR"));
  AtribuiCampo("CDARVPROD", Campo(*qryServPadr, "CDARVPROD"));
  AtribuiCampo("CDPRODUTO", Campo(*qryServPadr, "CDPRODUTO"));
  AtribuiCampo("NMPRODUTO", Campo(*qryServPadr, "NMPRODUTO"));
}

void TfrmCadastroServ::btpPadrIntBeforePesq(TComponent&) {
  CarregaPacote(*cdsPadInt, netCadastroServ.Call("GetPadInter"), "GetPadInter");
}

void TfrmCadastroServ::btpPadrIntAfterPesq(TComponent&) {
  EditaServico();
  AtribuiCampo("CDSERPADDIE", Campo(*cdsPadInt, "CDSERPADDIE"));
  AtribuiCampo("NMSERPADDIE", Campo(*cdsPadInt, "NMSERPADDIE"));
}

void TfrmCadastroServ::btnServicoBeforePesq(TComponent&) {
  Parametriza(*qryServico, {{"P_CDFILIAL", medCdFilial->Text()}, {"P_CDSERVFILI", Variant()}});
}

// The main service is shown in medCdServico, which the post writes back into CDSERVPREQUI: the
// pick goes to both, or the post would undo it.
void TfrmCadastroServ::btnServicoAfterPesq(TComponent&) {
  EditaServico();
  std::string codigo = Campo(*qryServico, "CDSERVFILI");
  AtribuiCampo("CDSERVPREQUI", codigo);
  if (medCdServico->Text() != codigo) medCdServico->SetText(codigo);
  edtNmServico->SetText(Campo(*qryServico, "NMSERVICO"));
}

void TfrmCadastroServ::btnPesqProdClick(TComponent&) {
  qryParamGeral->Close();
  qryParamGeral->Open();
  std::string titulos = "Produto|" + Msg("Prod_Empty");
  DataSet* produtos;
  if (Campo(*qryParamGeral, "CDGRUPRODFAT").empty()) {
    Parametriza(*qryPesqProd, {{"P_CDNVPRODUTO", Corvane::DBPictObj(0)}});
    if (!Pesquisa::Pesquisar_Plus(*qryPesqProd, titulos)) return;
    produtos = qryPesqProd;
  } else {
    CarregaPacote(*cdsPesqProd, netCadastroServ.Call("GetPesqProdFat", {medCdFilial->Text(), "T"}), "GetPesqProdFat");
    if (!Pesquisa::Pesquisar(*cdsPesqProd, titulos)) return;
    produtos = cdsPesqProd;
  }
  EditaServico();
  AtribuiCampo("CDARVPROD", Campo(*produtos, "CDARVPROD"));
  AtribuiCampo("CDPRODUTO", Campo(*produtos, "CDPRODUTO"));
  AtribuiCampo("NMPRODUTO", Campo(*produtos, "NMPRODUTO"));
}

}  // namespace cad
