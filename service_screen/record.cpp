// The service record of TfrmCadastroServ: the defaults of a new service, the field checks, the
// check run before a post, the save through the application server and what follows it. The
// lookups and the small control handlers of the record live in record_controls.cpp.
//
// Invariants:
//  - Every check that fails shows its message, moves the focus to its editor and aborts, so the
//    post (or the focus change) does not happen and the record keeps the values entered.
//  - A save either merges the whole change log (the server accepted it) or cancels every pending
//    change of cdsServico; it never leaves half a change behind.
#include <string>
#include <vector>

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/core/scope.h"
#include "platform/framework/consiste.h"
#include "platform/framework/lookups.h"
#include "platform/framework/remoto.h"
#include "platform/framework/session.h"
#include "platform/framework/showavi.h"
#include "platform/ui/forms.h"
#include "service_screen/cadastroserv.h"
#include "service_screen/module.h"

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

}  // namespace

// ---------------------------------------------------------------- helpers

void TfrmCadastroServ::Foca(TControl* c) {
  if (c && c->CanFocus() && !c->Focused()) c->SetFocus();
}

void TfrmCadastroServ::FalhaCampo(TControl* foco, const std::string& key, const std::vector<std::string>& args) {
  msgPadrao->ShowMsg(key, TMsgDlgType::mtError, mbOK, args);
  Foca(foco);
  Abort();
}

void TfrmCadastroServ::AtribuiCampo(const char* field, const std::string& value) {
  Field& f = cdsServico->FieldByName(field);
  if (value.empty()) {
    if (!f.IsNull()) f.Clear();
  } else if (f.IsNull() || f.AsString() != value) {
    f.SetAsString(value);
  }
}

void TfrmCadastroServ::EditaServico() {
  if (cdsServico->State() == DataSetState::Browse) cdsServico->Edit();
}

std::string TfrmCadastroServ::CarregaUtilReqPrat() {
  UtilReqPrat.assign(5, Variant());
  Variant r = netCadastroServ.Call("GetUtilReqPrat", {CodFilial()});
  if (!r.isArray() || r.asArray().size() < 5)
    throw Exception("Resposta inesperada do servidor de aplicação para GetUtilReqPrat.");
  for (size_t i = 0; i < 5; ++i) UtilReqPrat[i] = r.asArray()[i];
  return UtilReqPrat[0].isNull() ? std::string() : UtilReqPrat[0].asString();
}

// ---------------------------------------------------------------- defaults and edit

void TfrmCadastroServ::cdsServicoNewRecord(DataSet&) {
  // The box still shows the service selected before the insert; read it before the defaults
  // below refresh it.
  bool ativoAnterior = dckUtilReqReti->Checked();
  std::string obrigacao = CarregaUtilReqPrat();
  // Element 0 carries an error as a message key of this screen.
  if (!obrigacao.empty() && obrigacao != "N" && obrigacao != "S") Erro(obrigacao);
  std::string porPrato = obrigacao == "S" ? "S" : "N";
  AtribuiCampo("IDUTRETIPRAT", porPrato);
  AtribuiCampo("IDBLOQALTPRA", porPrato);
  AtribuiCampo("IDTIPOSERV", Geral::ModuloHospitalar() ? "D" : "N");
  for (const char* flag : {"IDCONSSERVCA", "IDSERVPRINC", "IDSERVTRAN", "IDSERVATIV", "IDSERVFATSEP"})
    AtribuiCampo(flag, "N");
  if (ativoAnterior) AtribuiCampo("IDSERVATIV", "S");
}

void TfrmCadastroServ::cdsServicoAfterInsert(DataSet&) {
  AtribuiCampo("IDCARDDESCENTR", "N");
  AtribuiCampo("IDBLOQCONFIXPER", "N");
}

// ---------------------------------------------------------------- field checks

void TfrmCadastroServ::Vd_CdServFili(bool obrigatorio) {
  if (cdsServico->State() != DataSetState::Insert) return;
  Field& campo = cdsServico->FieldByName("CDSERVFILI");
  std::string codigo = Consiste::AllTrim(campo.AsString());
  if (codigo.empty()) {
    if (obrigatorio) FalhaCampo(dbeCdServFili, "Servico_deve");
    return;
  }
  codigo = Consiste::Ajusta(codigo, 5);
  AtribuiCampo("CDSERVFILI", codigo);
  if (utf8Length(codigo) < 5) FalhaCampo(dbeCdServFili, "Cod_Serv");

  Reabre(*qryServPesq, {{"P_CDFILIAL", CodFilial()}, {"P_CDSERVFILI", codigo}});
  if (!qryServPesq->IsEmpty()) FalhaCampo(dbeCdServFili, "Servico_ja_cad");

  if (NmTabServ == "SERVPADR") {
    Reabre(*qryServPadr, {{"P_CDSERVPADR", codigo}, {"P_TCDSERVPADR", "X"}});
    if (qryServPadr->IsEmpty()) FalhaCampo(dbeCdServFili, "SERVPADR_N_CAD");
    AtribuiCampo("NMSERVICO", Campo(*qryServPadr, "NMSERVPADR"));
    // The tree code first: its editor's change clears the product name.
    AtribuiCampo("CDARVPROD", Campo(*qryServPadr, "CDARVPROD"));
    AtribuiCampo("CDPRODUTO", Campo(*qryServPadr, "CDPRODUTO"));
    AtribuiCampo("NMPRODUTO", Campo(*qryServPadr, "NMPRODUTO"));
  }
}

void TfrmCadastroServ::Vd_NmServFili(bool obrigatorio) {
  std::string nome = Campo(*cdsServico, "NMSERVICO");
  if (obrigatorio && Consiste::EmptyString(nome)) FalhaCampo(dbeNmServico, "Nome_deve");
  if (ServicoEmEdicao() && Consiste::EmptyString(Campo(*cdsServico, "NMSERVICOREDU")))
    AtribuiCampo("NMSERVICOREDU", utf8Left(nome, 15));
}

void TfrmCadastroServ::Vd_GrupServ(bool obrigatorio) {
  if (!ServicoEmEdicao()) return;
  Field& campo = cdsServico->FieldByName("CDGRUPSERV");
  std::string codigo = Consiste::AllTrim(campo.AsString());
  auto falha = [&](const char* key) {
    msgPadrao->ShowMsg(key, TMsgDlgType::mtError, mbOK);
    campo.FocusControl();
    Abort();
  };
  if (codigo.empty()) {
    if (obrigatorio) falha("Info_Grup_Serv");
    return;
  }
  codigo = Consiste::Ajusta(codigo, campo.Size());
  AtribuiCampo("CDGRUPSERV", codigo);
  Reabre(*qryVdGrupServ, {{"CDGRUPSERV", codigo}});
  if (qryVdGrupServ->IsEmpty()) falha("Grupo_nao_cad");
  AtribuiCampo("NMGRUPSERV", Campo(*qryVdGrupServ, "NMGRUPSERV"));
}

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

void TfrmCadastroServ::Vd_CdServAgre() {
  if (cdsServico->State() != DataSetState::Insert) return;
  std::string central = Campo(*qryFilial, "CDFILCENTPME");
  if (TpConfPadrao != "S" || Campo(*qryFilial, "IDFILCENTPME") == "S" || central.empty()) return;
  // The central branch must have configured the same service.
  ClientDataSet confCentral("cdsConfCardCentral");
  CarregaPacote(confCentral, netCadastroServ.Call("GetConfCard", {central, Campo(*cdsServico, "CDSERVFILI")}),
                "GetConfCard");
  if (TipoServico() != "F" && confCentral.IsEmpty()) FalhaCampo(dbeCdServFili, "Conf_Car");
}

void TfrmCadastroServ::HoraInvalida(TControl* foco, const std::string& valor) {
  msgPadrao->ShowMsg("Hora_deve", TMsgDlgType::mtInformation, mbOK, {valor});
  Foca(foco);
  Abort();
}

void TfrmCadastroServ::Vd_HrInicAten(bool obrigatorio) {
  std::string hora = Campo(*cdsServico, "HRINICATEN");
  if (Consiste::EmptyString(hora)) {
    if (obrigatorio) FalhaCampo(dbeIniAtend, "Inic_Empty");
    return;
  }
  if (!Consiste::HorarioOk(hora)) HoraInvalida(dbeIniAtend, hora);
}

void TfrmCadastroServ::Vd_Hora(const char* field, TControl* editor) {
  std::string hora = Campo(*cdsServico, field);
  if (Consiste::EmptyString(hora)) return;
  if (!Consiste::HorarioOk(hora) || utf8Length(hora) < 4) HoraInvalida(editor, hora);
}

void TfrmCadastroServ::Vd_Hora_ServdIni() { Vd_Hora("HRINICSERV", dbePeriServDe); }

void TfrmCadastroServ::Vd_Hora_ServdFim() { Vd_Hora("HRFINASERV", dbePeriServAte); }

void TfrmCadastroServ::Vd_Hora_Entrega() {
  if (ServicoEmEdicao()) Vd_Hora("HRENTREGA", dbeHrEntrega);
}

void TfrmCadastroServ::Vd_CdRota(bool obrigatorio) {
  if (pgcPadrao->ActivePage() != tshFormulario) return;
  std::string codigo = Consiste::AllTrim(Campo(*cdsServico, "CDROTATRANS"));
  if (codigo.empty()) {
    if (obrigatorio) FalhaCampo(dbeCdRota, "Rota_deve");
    return;
  }
  codigo = Consiste::Ajusta(codigo, 6);
  AtribuiCampo("CDROTATRANS", codigo);
  Reabre(*qryRota, {{"P_CDROTATRANS", codigo}, {"P_TCDROTATRANS", ""}});
  AtribuiCampo("NMROTATRANS", Campo(*qryRota, "NMROTATRANS"));
  if (qryRota->IsEmpty()) FalhaCampo(dbeCdRota, "Rota_cad");
}

void TfrmCadastroServ::Vd_ServicoPrinc() {
  if (!ServicoEmEdicao()) return;
  std::string codigo = Consiste::AllTrim(medCdServico->Text());
  if (codigo.empty()) return;
  codigo = Consiste::Ajusta(codigo, 5);
  AtribuiCampo("CDSERVPREQUI", codigo);
  if (medCdServico->Text() != codigo) medCdServico->SetText(codigo);
  Reabre(*qryVd_Servico, {{"P_CDFILIAL", medCdFilial->Text()}, {"P_CDSERVICO", codigo}});
  if (qryVd_Servico->IsEmpty()) FalhaCampo(medCdServico, "Serv_cad");
  std::string encontrado = Campo(*qryVd_Servico, "CDSERVFILI");
  if (medCdServico->Text() != encontrado) medCdServico->SetText(encontrado);
  edtNmServico->SetText(Campo(*qryVd_Servico, "NMSERVICO"));
}

void TfrmCadastroServ::Vd_CdProduto(bool obrigatorio) {
  if (pgcPadrao->ActivePage() != tshFormulario) return;
  bool editavel = dbeCdProduto->Enabled();
  TControl* foco = editavel ? dbeCdProduto : nullptr;
  std::string arvore = Consiste::AllTrim(Campo(*cdsServico, "CDARVPROD"));
  if (arvore.empty()) {
    if (obrigatorio && editavel) FalhaCampo(foco, "Prod_NotNull");
    return;
  }
  qryParamGeral->Close();
  qryParamGeral->Open();
  std::string grupoFaturamento = Campo(*qryParamGeral, "CDGRUPRODFAT");
  DataSet* produtos;
  const char* naoCadastrado;
  try {
    if (grupoFaturamento.empty()) {
      Reabre(*qryProduto, {{"P_CDARVPROD", arvore}});
      produtos = qryProduto;
      naoCadastrado = "Prod_nao_Cad";
    } else {
      CarregaPacote(*cdsPesqProd, netCadastroServ.Call("GetPesqProdFat", {medCdFilial->Text(), arvore}),
                    "GetPesqProdFat");
      produtos = cdsPesqProd;
      naoCadastrado = "Prod_nao_CGr";
    }
    Tabvalid::ValidEx(*produtos);
  } catch (...) {
    Foca(foco);
    throw;
  }
  if (produtos->IsEmpty()) {
    if (editavel) FalhaCampo(foco, naoCadastrado);
    return;
  }
  AtribuiCampo("CDPRODUTO", Campo(*produtos, "CDPRODUTO"));
  AtribuiCampo("NMPRODUTO", Campo(*produtos, "NMPRODUTO"));
}

void TfrmCadastroServ::Vd_PadInt() {
  if (!ServicoEmEdicao()) return;
  std::string codigo = Consiste::AllTrim(dbeCdPadInt->Text());
  if (codigo.empty()) return;
  codigo = Consiste::Ajusta(codigo, 3);
  AtribuiCampo("CDSERPADDIE", codigo);
  {
    ShowAviGuard avi(this, 0);
    Variant padroes = Consiste::CheckResultServ(netCadastroServ.Call("GetPesqPadInter", {codigo}));
    CarregaPacote(*cdsPesqPadInter, padroes, "GetPesqPadInter");
  }
  if (cdsPesqPadInter->IsEmpty()) FalhaCampo(dbeCdPadInt, "PadInt_NCad");
  EditaServico();
  AtribuiCampo("NMSERPADDIE", Campo(*cdsPesqPadInter, "NMSERPADDIE"));
}

void TfrmCadastroServ::Vd_RequerRetiPrato() {
  std::string obrigacao = CarregaUtilReqPrat();
  if (TipoServico() == "F") return;
  // An error key is shown with its text, as the new record shows it.
  if (!obrigacao.empty() && obrigacao != "S" && obrigacao != "N") Erro(obrigacao);
  if (obrigacao == "S" && !dckUtilReqPrato->Checked()) {
    Foca(dckUtilReqPrato);
    Erro("FILIALREQPRAT");
  }
  if (!dckUtilReqPrato->Checked()) return;
  static const char* const kPadroes[] = {"CDTPPRATOFIXO", "CDPRATOFIXO", "CDTPPRATOPER", "CDPRATOPER"};
  for (size_t i = 0; i < 4; ++i)
    if (UtilReqPrat[i + 1].isNull() || Consiste::EmptyString(UtilReqPrat[i + 1].asString()))
      FalhaCampo(dckUtilReqPrato, kPadroes[i]);
}

void TfrmCadastroServ::Vd_QtComensais(TDBEdit& editor) {
  if (cdsServico->State() != DataSetState::Edit) return;
  std::string texto = Consiste::AllTrim(editor.Text());
  if (texto.empty()) {
    editor.SetText("0");
    return;
  }
  std::optional<double> valor = parseFloat(texto);
  if (valor && *valor < 0) FalhaCampo(&editor, "Val_Inteiro");
}

// ---------------------------------------------------------------- post

void TfrmCadastroServ::cdsServicoBeforePost(DataSet&) {
  Vd_RequerRetiPrato();
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

  EditaServico();
  AtribuiCampo("CDFILIAL", CodFilial());
  if (Consiste::EmptyString(dbeCdRota->Text())) {
    AtribuiCampo("CDROTATRANS", "");
    AtribuiCampo("NMROTATRANS", "");
  }
  for (const std::string& nome : CamposNulosSeVazios()) {
    Field& f = cdsServico->FieldByName(nome);
    if (!f.IsNull() && f.AsString().empty()) f.Clear();
  }
  if (Campo(*cdsServico, "IDSERVTRAN").empty()) AtribuiCampo("IDSERVTRAN", "N");
  if (Campo(*cdsServico, "IDSERVATIV").empty()) AtribuiCampo("IDSERVATIV", "N");
  if (cdsServico->State() == DataSetState::Insert && !dckUtilReqReti->Checked() && TipoServico() != "F")
    msgPadrao->ShowMsg("SERV_INATIVO", TMsgDlgType::mtInformation, mbOK);

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

void TfrmCadastroServ::cdsServicoAfterPost(DataSet&) {
  if (pgcPadrao->ActivePage() == tshTurnos) {
    if (GravaServicoTurno) {
      ScopeExit atendido([this] { GravaServicoTurno = false; });
      GravaServicoCache();
    }
  } else {
    GravaServicoCache();
    if (dbkConFixPer->Checked()) {
      Variant resposta = netCadastroServ.Call(
          "GetProdExcl", {medCdFilial->Text(), dbeCdServFili->Text(), Corvane::DataProc(Corvane::FiliProc())});
      if (!resposta.isNull() && !resposta.asString().empty()) Consiste::MensErro(resposta.asString(), true);
    }
  }
  if (cdsServico->State() == DataSetState::Browse) {
    bool livre = Campo(*cdsServico, "CDSERVPREQUI").empty() && TipoServico() != "F";
    grbServFatu->SetEnabled(livre);
    lblServFatu->SetEnabled(livre);
  }
  Habilita_Faturamento();
}

// ---------------------------------------------------------------- save

void TfrmCadastroServ::GravaServicoCache() {
  if (!cdsServico->Active() || cdsServico->ChangeCount() == 0) return;
  bool turnos = pgcPadrao->ActivePage() == tshTurnos;
  ShowAviGuard avi(this, 1, Msg(turnos ? "upd_cdsTurno" : "upd_cdsServico"));
  std::string codigo = Campo(*cdsServico, "CDSERVFILI");
  bool recusado = false;
  try {
    // "_FIELD" for every null field of the current record, in field order.
    std::string nulos;
    if (!cdsServico->IsEmpty())
      for (int i = 0; i < cdsServico->FieldCount(); ++i) {
        Field& f = cdsServico->Fields(i);
        if (f.Kind() == FieldKind::Data && f.IsNull()) nulos += "_" + f.FieldName();
      }
    Variant resposta = netCadastroServ.Call("UpdServico", {Variant(cdsServico->Delta()), nulos});
    Application().ProcessMessages();
    if (!resposta.isNull() && !resposta.asString().empty()) {
      recusado = true;
      avi.Hide();
      Consiste::MensErro(resposta.asString(), true);
    }
    cdsServico->MergeChangeLog();
    if (!turnos) Corvane::AtualizaLocalCache({"SERVICO"});
  } catch (...) {
    cdsServico->CancelUpdates();
    if (recusado) MostraServicoGuardado(codigo);
    throw;
  }
}

void TfrmCadastroServ::MostraServicoGuardado(const std::string& cdServFili) {
  // The refusal was shown already; a failure to read the list again is shown after it and the
  // screen keeps what it had.
  try {
    GetServicos(edtCdGrupoFiltro->Text());
    if (!cdServFili.empty()) cdsServico->Locate("CDSERVFILI", cdServFili);
  } catch (const EAbort&) {
  } catch (const std::exception& e) {
    Consiste::MensErro(e.what(), false);
  }
}

}  // namespace cad
