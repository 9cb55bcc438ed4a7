// The service record on the form page (PagServico): the defaults of a new service, the field
// checks, the check run before a post and what follows the save; the exit and change handlers of
// the record's edits, its check boxes, the hospital-kind text of the combo dbcTipoServ, and the
// lookups that fill its fields. The save itself is the frame's (GravaServicoCache).
//
// Invariants:
//  - Every check that fails shows its message, moves the focus to its editor and aborts, so the
//    post (or the focus change) does not happen and the record keeps the values entered.
//  - A lookup pick puts a browsing record into edit before writing it; a code is written before
//    its name (the code's editor clears the name when it changes).
//  - The change handlers clear a name only while the record is being edited: data-aware edits
//    also change when another service becomes current.
#include <string>
#include <utility>
#include <vector>

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/core/scope.h"
#include "platform/framework/consiste.h"
#include "platform/framework/lookups.h"
#include "platform/framework/remoto.h"
#include "platform/framework/session.h"
#include "platform/framework/showavi.h"
#include "service_screen/cadastroserv.h"
#include "service_screen/module.h"
#include "service_screen/pages/servico.h"

namespace cad {

namespace {

// Fields that a post stores as null when their text is empty.
std::vector<std::string> CamposNulosSeVazios() {
  std::vector<std::string> campos{"CDSERVFILI", "NMSERVICO", "NMFANTASSERV", "CDGRUPSERV", "VRPESOCUSTO", "HRINICATEN"};
  for (const char* prefixo : {"QTCOMESTI", "QTCLIESTI", "QTFUNESTI", "QTDOAESTI"})
    for (const char* dia : {"SEG", "TER", "QUA", "QUI", "SEX", "SAB", "DOM", "FER"})
      campos.push_back(std::string(prefixo) + dia);
  for (const char* c : {"HRENTREGA", "CDPRODUTO", "IDFATUSERV", "NMPRODUTO", "NMGRUPSERV", "CDFILIAL", "CDROTATRANS",
                        "IDTIPOSERV", "NMROTATRANS", "HRINICSERV", "HRFINASERV"})
    campos.emplace_back(c);
  return campos;
}

// Hospital kinds: stored digit and message key of its text.
const std::pair<const char*, const char*> kEspecificacoes[] = {{"0", "Oral"}, {"1", "EntPare"}, {"2", "Lactario"}};

}  // namespace

// ---------------------------------------------------------------- helpers

void PagServico::AtribuiCampo(const char* field, const std::string& value) {
  Field& f = tela.cdsServico->FieldByName(field);
  if (value.empty()) {
    if (!f.IsNull()) f.Clear();
  } else if (f.IsNull() || f.AsString() != value) {
    f.SetAsString(value);
  }
}

// ---------------------------------------------------------------- defaults and edit

void PagServico::cdsServicoNewRecord(DataSet&) {
  // The box still shows the service selected before the insert; read it before the defaults
  // below refresh it.
  bool ativoAnterior = dckUtilReqReti->Checked();
  std::string obrigacao = tela.CarregaUtilReqPrat();
  // Element 0 carries an error as a message key of this screen.
  if (!obrigacao.empty() && obrigacao != "N" && obrigacao != "S") tela.Erro(obrigacao);
  std::string porPrato = obrigacao == "S" ? "S" : "N";
  AtribuiCampo("IDUTRETIPRAT", porPrato);
  AtribuiCampo("IDBLOQALTPRA", porPrato);
  AtribuiCampo("IDTIPOSERV", Geral::ModuloHospitalar() ? "D" : "N");
  for (const char* flag : {"IDCONSSERVCA", "IDSERVPRINC", "IDSERVTRAN", "IDSERVATIV", "IDSERVFATSEP"})
    AtribuiCampo(flag, "N");
  if (ativoAnterior) AtribuiCampo("IDSERVATIV", "S");
}

void PagServico::cdsServicoAfterInsert(DataSet&) {
  AtribuiCampo("IDCARDDESCENTR", "N");
  AtribuiCampo("IDBLOQCONFIXPER", "N");
}

// ---------------------------------------------------------------- field checks

void PagServico::Vd_CdServFili(bool obrigatorio) {
  if (tela.cdsServico->State() != DataSetState::Insert) return;
  Field& campo = tela.cdsServico->FieldByName("CDSERVFILI");
  std::string codigo = Consiste::AllTrim(campo.AsString());
  if (codigo.empty()) {
    if (obrigatorio) tela.FalhaCampo(dbeCdServFili, "Servico_deve");
    return;
  }
  codigo = Consiste::Ajusta(codigo, 5);
  AtribuiCampo("CDSERVFILI", codigo);
  if (utf8Length(codigo) < 5) tela.FalhaCampo(dbeCdServFili, "Cod_Serv");

  Reabre(*qryServPesq, {{"P_CDFILIAL", tela.CodFilial()}, {"P_CDSERVFILI", codigo}});
  if (!qryServPesq->IsEmpty()) tela.FalhaCampo(dbeCdServFili, "Servico_ja_cad");

  if (tela.NmTabServ == "SERVPADR") {
    Reabre(*tela.qryServPadr, {{"P_CDSERVPADR", codigo}, {"P_TCDSERVPADR", "X"}});
    if (tela.qryServPadr->IsEmpty()) tela.FalhaCampo(dbeCdServFili, "SERVPADR_N_CAD");
    AtribuiCampo("NMSERVICO", tela.Campo(*tela.qryServPadr, "NMSERVPADR"));
    // The tree code first: its editor's change clears the product name.
    AtribuiCampo("CDARVPROD", tela.Campo(*tela.qryServPadr, "CDARVPROD"));
    AtribuiCampo("CDPRODUTO", tela.Campo(*tela.qryServPadr, "CDPRODUTO"));
    AtribuiCampo("NMPRODUTO", tela.Campo(*tela.qryServPadr, "NMPRODUTO"));
  }
}

void PagServico::Vd_NmServFili(bool obrigatorio) {
  std::string nome = tela.Campo(*tela.cdsServico, "NMSERVICO");
  if (obrigatorio && Consiste::EmptyString(nome)) tela.FalhaCampo(dbeNmServico, "Nome_deve");
  if (tela.ServicoEmEdicao() && Consiste::EmptyString(tela.Campo(*tela.cdsServico, "NMSERVICOREDU")))
    AtribuiCampo("NMSERVICOREDU", utf8Left(nome, 15));
}

void PagServico::Vd_GrupServ(bool obrigatorio) {
  if (!tela.ServicoEmEdicao()) return;
  Field& campo = tela.cdsServico->FieldByName("CDGRUPSERV");
  std::string codigo = Consiste::AllTrim(campo.AsString());
  auto falha = [&](const char* key) {
    tela.msgPadrao->ShowMsg(key, TMsgDlgType::mtError, mbOK);
    campo.FocusControl();
    Abort();
  };
  if (codigo.empty()) {
    if (obrigatorio) falha("Info_Grup_Serv");
    return;
  }
  codigo = Consiste::Ajusta(codigo, campo.Size());
  AtribuiCampo("CDGRUPSERV", codigo);
  Reabre(*tela.qryVdGrupServ, {{"CDGRUPSERV", codigo}});
  if (tela.qryVdGrupServ->IsEmpty()) falha("Grupo_nao_cad");
  AtribuiCampo("NMGRUPSERV", tela.Campo(*tela.qryVdGrupServ, "NMGRUPSERV"));
}

// An aggregated branch takes its menu configuration from the central branch: a new planned
// service needs a code the central branch configured (read into a dataset of its own, so the
// configuration page keeps what it loaded).
void PagServico::Vd_CdServAgre() {
  if (tela.cdsServico->State() != DataSetState::Insert) return;
  std::string central = tela.Campo(*tela.qryFilial, "CDFILCENTPME");
  if (TpConfPadrao != "S" || tela.Campo(*tela.qryFilial, "IDFILCENTPME") == "S" || central.empty()) return;
  ClientDataSet confCentral;
  CarregaPacote(confCentral,
                tela.netCadastroServ.Call("GetConfCard", {central, tela.Campo(*tela.cdsServico, "CDSERVFILI")}),
                "GetConfCard");
  if (tela.TipoServico() != "F" && confCentral.IsEmpty()) tela.FalhaCampo(dbeCdServFili, "Conf_Car");
}

void PagServico::HoraInvalida(TControl* foco, const std::string& valor) {
  tela.msgPadrao->ShowMsg("Hora_deve", TMsgDlgType::mtInformation, mbOK, {valor});
  tela.Foca(foco);
  Abort();
}

void PagServico::Vd_HrInicAten(bool obrigatorio) {
  std::string hora = tela.Campo(*tela.cdsServico, "HRINICATEN");
  if (Consiste::EmptyString(hora)) {
    if (obrigatorio) tela.FalhaCampo(dbeIniAtend, "Inic_Empty");
    return;
  }
  if (!Consiste::HorarioOk(hora)) HoraInvalida(dbeIniAtend, hora);
}

void PagServico::Vd_Hora(const char* field, TControl* editor) {
  std::string hora = tela.Campo(*tela.cdsServico, field);
  if (Consiste::EmptyString(hora)) return;
  if (!Consiste::HorarioOk(hora) || utf8Length(hora) < 4) HoraInvalida(editor, hora);
}

void PagServico::Vd_Hora_ServdIni() { Vd_Hora("HRINICSERV", dbePeriServDe); }

void PagServico::Vd_Hora_ServdFim() { Vd_Hora("HRFINASERV", dbePeriServAte); }

void PagServico::Vd_Hora_Entrega() {
  if (tela.ServicoEmEdicao()) Vd_Hora("HRENTREGA", dbeHrEntrega);
}

void PagServico::Vd_CdRota(bool obrigatorio) {
  if (tela.pgcPadrao->ActivePage() != tela.tshFormulario) return;
  std::string codigo = Consiste::AllTrim(tela.Campo(*tela.cdsServico, "CDROTATRANS"));
  if (codigo.empty()) {
    if (obrigatorio) tela.FalhaCampo(dbeCdRota, "Rota_deve");
    return;
  }
  codigo = Consiste::Ajusta(codigo, 6);
  AtribuiCampo("CDROTATRANS", codigo);
  Reabre(*qryRota, {{"P_CDROTATRANS", codigo}, {"P_TCDROTATRANS", ""}});
  AtribuiCampo("NMROTATRANS", tela.Campo(*qryRota, "NMROTATRANS"));
  if (qryRota->IsEmpty()) tela.FalhaCampo(dbeCdRota, "Rota_cad");
}

void PagServico::Vd_ServicoPrinc() {
  if (!tela.ServicoEmEdicao()) return;
  std::string codigo = Consiste::AllTrim(medCdServico->Text());
  if (codigo.empty()) return;
  codigo = Consiste::Ajusta(codigo, 5);
  AtribuiCampo("CDSERVPREQUI", codigo);
  if (medCdServico->Text() != codigo) medCdServico->SetText(codigo);
  Reabre(*qryVd_Servico, {{"P_CDFILIAL", tela.medCdFilial->Text()}, {"P_CDSERVICO", codigo}});
  if (qryVd_Servico->IsEmpty()) tela.FalhaCampo(medCdServico, "Serv_cad");
  std::string encontrado = tela.Campo(*qryVd_Servico, "CDSERVFILI");
  if (medCdServico->Text() != encontrado) medCdServico->SetText(encontrado);
  edtNmServico->SetText(tela.Campo(*qryVd_Servico, "NMSERVICO"));
}

void PagServico::Vd_CdProduto(bool obrigatorio) {
  if (tela.pgcPadrao->ActivePage() != tela.tshFormulario) return;
  bool editavel = dbeCdProduto->Enabled();
  TControl* foco = editavel ? dbeCdProduto : nullptr;
  std::string arvore = Consiste::AllTrim(tela.Campo(*tela.cdsServico, "CDARVPROD"));
  if (arvore.empty()) {
    if (obrigatorio && editavel) tela.FalhaCampo(foco, "Prod_NotNull");
    return;
  }
  tela.qryParamGeral->Close();
  tela.qryParamGeral->Open();
  std::string grupoFaturamento = tela.Campo(*tela.qryParamGeral, "CDGRUPRODFAT");
  DataSet* produtos;
  const char* naoCadastrado;
  try {
    if (grupoFaturamento.empty()) {
      Reabre(*qryProduto, {{"P_CDARVPROD", arvore}});
      produtos = qryProduto;
      naoCadastrado = "Prod_nao_Cad";
    } else {
      CarregaPacote(*cdsPesqProd, tela.netCadastroServ.Call("GetPesqProdFat", {tela.medCdFilial->Text(), arvore}),
                    "GetPesqProdFat");
      produtos = cdsPesqProd;
      naoCadastrado = "Prod_nao_CGr";
    }
    Tabvalid::ValidEx(*produtos);
  } catch (...) {
    tela.Foca(foco);
    throw;
  }
  if (produtos->IsEmpty()) {
    if (editavel) tela.FalhaCampo(foco, naoCadastrado);
    return;
  }
  AtribuiCampo("CDPRODUTO", tela.Campo(*produtos, "CDPRODUTO"));
  AtribuiCampo("NMPRODUTO", tela.Campo(*produtos, "NMPRODUTO"));
}

void PagServico::Vd_PadInt() {
  if (!tela.ServicoEmEdicao()) return;
  std::string codigo = Consiste::AllTrim(dbeCdPadInt->Text());
  if (codigo.empty()) return;
  codigo = Consiste::Ajusta(codigo, 3);
  AtribuiCampo("CDSERPADDIE", codigo);
  {
    ShowAviGuard avi(&tela, 0);
    Variant padroes = Consiste::CheckResultServ(tela.netCadastroServ.Call("GetPesqPadInter", {codigo}));
    CarregaPacote(*cdsPesqPadInter, padroes, "GetPesqPadInter");
  }
  if (cdsPesqPadInter->IsEmpty()) tela.FalhaCampo(dbeCdPadInt, "PadInt_NCad");
  tela.EditaServico();
  AtribuiCampo("NMSERPADDIE", tela.Campo(*cdsPesqPadInter, "NMSERPADDIE"));
}

// ---------------------------------------------------------------- post

void PagServico::cdsServicoBeforePost(DataSet&) {
  tela.Vd_RequerRetiPrato(dckUtilReqPrato);
  Vd_GrupServ(true);
  Vd_CdServFili(true);
  Vd_CdServAgre();
  Vd_NmServFili(true);
  bool faturamento = drgTipoServ->Value() == "F";
  if (!faturamento) {
    Vd_HrInicAten(true);
    Vd_Hora_ServdIni();
    Vd_Hora_ServdFim();
    Vd_CdRota(false);
  }
  // A billing-only service keeps its main service to be billed, typed in an editor that is open
  // while browsing: it is checked on every post, or an unchecked code would be stored.
  Vd_ServicoPrinc();
  if (!faturamento) Vd_Hora_Entrega();
  Vd_CdProduto(true);
  if (dbeCdPadInt->Visible()) Vd_PadInt();

  tela.EditaServico();
  AtribuiCampo("CDFILIAL", tela.CodFilial());
  if (Consiste::EmptyString(dbeCdRota->Text())) {
    AtribuiCampo("CDROTATRANS", "");
    AtribuiCampo("NMROTATRANS", "");
  }
  for (const std::string& nome : CamposNulosSeVazios()) {
    Field& f = tela.cdsServico->FieldByName(nome);
    if (!f.IsNull() && f.AsString().empty()) f.Clear();
  }
  if (tela.Campo(*tela.cdsServico, "IDSERVTRAN").empty()) AtribuiCampo("IDSERVTRAN", "N");
  if (tela.Campo(*tela.cdsServico, "IDSERVATIV").empty()) AtribuiCampo("IDSERVATIV", "N");
  if (tela.cdsServico->State() == DataSetState::Insert && !dckUtilReqReti->Checked() && tela.TipoServico() != "F")
    tela.msgPadrao->ShowMsg("SERV_INATIVO", TMsgDlgType::mtInformation, mbOK);

  // An empty main service or hospital kind is stored as null, like every other empty code.
  AtribuiCampo("CDSERVPREQUI", Consiste::AllTrim(medCdServico->Text()));
  if (dbcTipoServ->ItemIndex() < 0) AtribuiCampo("IDTPSERVHOSP", "");

  if (!dckUtilReqReti->Checked()) AtribuiCampo("IDSERVATIV", "N");
  if (dbkConFixPer->Checked() || !dbkConsSerCar->Checked()) AtribuiCampo("IDCONSSERVCA", "N");
  const std::pair<TDBCheckBox*, const char*> caixas[] = {{dckUtilReqPrato, "IDUTRETIPRAT"},
                                                         {dckBloqAlt, "IDBLOQALTPRA"},
                                                         {dbConsFatPla, "IDCONSCOMFAT"},
                                                         {dbkServPrinc, "IDSERVPRINC"},
                                                         {dckServTran, "IDSERVTRAN"},
                                                         {dbkDepLiber, "IDCARDDESCENTR"},
                                                         {dbkBloqProdReti, "IDBLOQINCPRODRETIPLA"}};
  for (auto [caixa, campo] : caixas)
    if (!caixa->Checked()) AtribuiCampo(campo, "N");
}

// The frame sends the post to the server unless the active page sends the record's changes itself;
// a consumption fixed per period then offers the products it excludes.
void PagServico::cdsServicoAfterPost(DataSet&) {
  if (tela.GravaServicoPostado() && dbkConFixPer->Checked()) {
    Variant resposta = tela.netCadastroServ.Call(
        "GetProdExcl", {tela.medCdFilial->Text(), dbeCdServFili->Text(), Corvane::DataProc(Corvane::FiliProc())});
    if (!resposta.isNull() && !resposta.asString().empty()) Consiste::MensErro(resposta.asString(), true);
  }
  if (tela.cdsServico->State() == DataSetState::Browse) {
    bool livre = tela.Campo(*tela.cdsServico, "CDSERVPREQUI").empty() && tela.TipoServico() != "F";
    grbServFatu->SetEnabled(livre);
    lblServFatu->SetEnabled(livre);
  }
  Habilita_Faturamento();
}

// ---------------------------------------------------------------- hospital kind

// The stored digit shows as its text in every module, as the set-text handler stores the digit in
// every module: otherwise a kind picked outside the hospital modules would blank the combo and
// the next post would clear it.
void PagServico::cdsServicoIDTPSERVHOSPGetText(Field& sender, std::string& text, bool) {
  if (sender.IsNull()) return;
  std::string valor = sender.AsString();
  for (auto [digito, key] : kEspecificacoes)
    if (valor == digito) text = tela.Msg(key);
}

// One of the three texts stores its digit in every module: the field holds one character, so the
// text itself would be cut to its first letter. Other texts are stored as entered.
void PagServico::cdsServicoIDTPSERVHOSPSetText(Field& sender, const std::string& text) {
  for (auto [digito, key] : kEspecificacoes)
    if (text == tela.Msg(key)) {
      sender.SetAsString(digito);
      return;
    }
  sender.SetAsString(text);
}

// ---------------------------------------------------------------- edits

void PagServico::dbeCdServFiliExit(TComponent&) { Vd_CdServFili(true); }

void PagServico::dbeCdServFiliKeyPress(TComponent&, std::string& key) {
  if (key == " ") key.clear();
}

void PagServico::dbeCdGrupServExit(TComponent&) { Vd_GrupServ(false); }

void PagServico::dbeCdGrupServChange(TComponent&) {
  if (tela.ServicoEmEdicao()) AtribuiCampo("NMGRUPSERV", "");
}

void PagServico::dbeCdProdutoExit(TComponent&) {
  if (tela.ServicoEmEdicao()) Vd_CdProduto(false);
}

void PagServico::dbeCdProdutoChange(TComponent&) {
  if (tela.ServicoEmEdicao()) AtribuiCampo("NMPRODUTO", "");
}

void PagServico::dbeCdRotaExit(TComponent&) {
  if (tela.ServicoEmEdicao()) Vd_CdRota(false);
}

void PagServico::dbeCdRotaChange(TComponent&) {
  if (tela.ServicoEmEdicao()) AtribuiCampo("NMROTATRANS", "");
}

void PagServico::dbeCdPadIntExit(TComponent&) { Vd_PadInt(); }

void PagServico::dbeCdPadIntChange(TComponent&) {
  if (tela.ServicoEmEdicao()) AtribuiCampo("NMSERPADDIE", "");
}

void PagServico::dbeHrEntregaExit(TComponent&) { Vd_Hora_Entrega(); }

void PagServico::medCdServicoExit(TComponent&) { Vd_ServicoPrinc(); }

void PagServico::medCdServicoChange(TComponent&) { edtNmServico->SetText(""); }

// ---------------------------------------------------------------- check boxes and type

// A data-aware box raises its click on every change of its state, also when the record moves or
// the billing mode clears it; the handlers act only on what the user does in the record.

void PagServico::dckUtilReqRetiClick(TComponent&) {
  if (SuspendeCliques || tela.cdsServico->State() != DataSetState::Edit) return;
  if (!dckUtilReqReti->Checked()) tela.msgPadrao->ShowMsg("SERV_INATIVO", TMsgDlgType::mtInformation, mbOK);
}

void PagServico::dckUtilReqPratoClick(TComponent&) {
  dckBloqAlt->SetEnabled(dckUtilReqPrato->Checked() && !FilialFixa);
  if (SuspendeCliques) return;
  if (!dckUtilReqPrato->Checked() && tela.ServicoEmEdicao()) AtribuiCampo("IDBLOQALTPRA", "N");
}

void PagServico::dbkConFixPerClick(TComponent&) {
  if (SuspendeCliques || tela.cdsServico->State() != DataSetState::Edit) return;
  if (!dbkConFixPer->Checked()) {
    AtribuiCampo("IDBLOQCONFIXPER", "N");
    return;
  }
  AtribuiCampo("IDBLOQCONFIXPER", "S");
  if (tela.msgPadrao->ShowMsg("ExcluiProd", TMsgDlgType::mtConfirmation, mbYesNo) == mrYes) {
    if (dbkConsSerCar->Checked()) AtribuiCampo("IDCONSSERVCA", "N");
  } else {
    // The box follows the field.
    AtribuiCampo("IDBLOQCONFIXPER", "N");
  }
}

void PagServico::drgTipoServChange(TComponent&) {
  if (tela.cdsServico->State() == DataSetState::Insert) Habilita_Faturamento();
}

// ---------------------------------------------------------------- lookups

void PagServico::btnGrupServBeforePesq(TComponent&) { Parametriza(*tela.qryVdGrupServ, {{"CDGRUPSERV", "T"}}); }

void PagServico::btnGrupServAfterPesq(TComponent&) {
  tela.EditaServico();
  AtribuiCampo("CDGRUPSERV", tela.Campo(*tela.qryVdGrupServ, "CDGRUPSERV"));
  AtribuiCampo("NMGRUPSERV", tela.Campo(*tela.qryVdGrupServ, "NMGRUPSERV"));
}

void PagServico::btnRotaBeforePesq(TComponent&) {
  Parametriza(*qryRota, {{"P_CDROTATRANS", Variant()}, {"P_TCDROTATRANS", "T"}});
}

void PagServico::btnRotaAfterPesq(TComponent&) {
  tela.EditaServico();
  AtribuiCampo("CDROTATRANS", tela.Campo(*qryRota, "CDROTATRANS"));
  AtribuiCampo("NMROTATRANS", tela.Campo(*qryRota, "NMROTATRANS"));
}

// The standard services the branch does not have yet ("L"): the ones an include may still take.
void PagServico::btpServicoBeforePesq(TComponent&) {
  Parametriza(*tela.qryServPadr, {{"P_TCDSERVPADR", "L"}, {"P_CDSERVPADR", "X"}, {"P_CDFILIAL", tela.CodFilial()}});
}

void PagServico::btpServicoAfterPesq(TComponent&) {
  tela.EditaServico();
  AtribuiCampo("CDSERVFILI", tela.Campo(*tela.qryServPadr, "CDSERVPADR"));
  AtribuiCampo("NMSERVICO", tela.Campo(*tela.qryServPadr, "NMSERVPADR"));
  AtribuiCampo("CDARVPROD", tela.Campo(*tela.qryServPadr, "CDARVPROD"));
  AtribuiCampo("CDPRODUTO", tela.Campo(*tela.qryServPadr, "CDPRODUTO"));
  AtribuiCampo("NMPRODUTO", tela.Campo(*tela.qryServPadr, "NMPRODUTO"));
}

void PagServico::btpPadrIntBeforePesq(TComponent&) {
  CarregaPacote(*cdsPadInt, tela.netCadastroServ.Call("GetPadInter"), "GetPadInter");
}

void PagServico::btpPadrIntAfterPesq(TComponent&) {
  tela.EditaServico();
  AtribuiCampo("CDSERPADDIE", tela.Campo(*cdsPadInt, "CDSERPADDIE"));
  AtribuiCampo("NMSERPADDIE", tela.Campo(*cdsPadInt, "NMSERPADDIE"));
}

void PagServico::btnServicoBeforePesq(TComponent&) {
  Parametriza(*qryServico, {{"P_CDFILIAL", tela.medCdFilial->Text()}, {"P_CDSERVFILI", Variant()}});
}

// The main service is shown in medCdServico, which the post writes back into CDSERVPREQUI: the
// pick goes to both, or the post would undo it.
void PagServico::btnServicoAfterPesq(TComponent&) {
  tela.EditaServico();
  std::string codigo = tela.Campo(*qryServico, "CDSERVFILI");
  AtribuiCampo("CDSERVPREQUI", codigo);
  if (medCdServico->Text() != codigo) medCdServico->SetText(codigo);
  edtNmServico->SetText(tela.Campo(*qryServico, "NMSERVICO"));
}

void PagServico::btnPesqProdClick(TComponent&) {
  tela.qryParamGeral->Close();
  tela.qryParamGeral->Open();
  std::string titulos = "Produto|" + tela.Msg("Prod_Empty");
  DataSet* produtos;
  if (tela.Campo(*tela.qryParamGeral, "CDGRUPRODFAT").empty()) {
    Parametriza(*qryPesqProd, {{"P_CDNVPRODUTO", Corvane::DBPictObj(0)}});
    if (!Pesquisa::Pesquisar_Plus(*qryPesqProd, titulos)) return;
    produtos = qryPesqProd;
  } else {
    CarregaPacote(*cdsPesqProd, tela.netCadastroServ.Call("GetPesqProdFat", {tela.medCdFilial->Text(), "T"}),
                  "GetPesqProdFat");
    if (!Pesquisa::Pesquisar(*cdsPesqProd, titulos)) return;
    produtos = cdsPesqProd;
  }
  tela.EditaServico();
  AtribuiCampo("CDARVPROD", tela.Campo(*produtos, "CDARVPROD"));
  AtribuiCampo("CDPRODUTO", tela.Campo(*produtos, "CDPRODUTO"));
  AtribuiCampo("NMPRODUTO", tela.Campo(*produtos, "NMPRODUTO"));
}

}  // namespace cad
