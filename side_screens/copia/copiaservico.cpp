// The copy-service dialog (see copiaservico.h): header checks (group, source), the destination
// list with its code checks and the standard-service lookup, and the confirm that asks the
// application server to replicate the source.
#include "side_screens/copia/copiaservico.h"

#include <string_view>

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/core/scope.h"
#include "platform/framework/consiste.h"
#include "platform/framework/lookups.h"
#include "platform/framework/remoto.h"
#include "platform/framework/session.h"
#include "platform/framework/showavi.h"
#include "platform/net/netconnection.h"

namespace cad {

namespace {

// Code lengths of the group and of a service (CDGRUPSERV, CDSERVFILI).
constexpr int kTamGrupo = 3;
constexpr int kTamServico = 5;

}  // namespace

TfrmCopiaServico::TfrmCopiaServico(TelaPrincipal& principal) : principal_(principal) {
  SetName("frmCopiaServico");
  layout::copia::Load_copiaservico(*this);
  cdsServicoCDSERVFILI = &cdsServico->FieldByName("CDSERVFILI");
  cdsServicoNMSERVICO = &cdsServico->FieldByName("NMSERVICO");
  cdsServicoCDSERVFILI->OnChange = [this](Field& f) { cdsServicoCDSERVFILIChange(f); };
  btnGrupServ->SetLookupDataSet(qryVdGrupServ);
}

// ---------------------------------------------------------------- creation and activation

void TfrmCopiaServico::FormCreate(TComponent& sender) {
  TfrmRotiGeral::FormCreate(sender);
  {
    Suspend<TNotifyEvent> grupo(edtCdGrupServ->OnChange), grupoSai(edtCdGrupServ->OnExit);
    Suspend<TNotifyEvent> serv(edtCdServ->OnChange), servSai(edtCdServ->OnExit);
    edtCdFilial->SetText(principal_.Filial());
    edtNmFilial->SetText(principal_.NomeFilial());
    edtCdGrupServ->SetMaxLength(kTamGrupo);
    edtCdServ->SetMaxLength(kTamServico);
    // Standard services exist at all (used in the branch or not).
    qryExisteServPadr->Open();
    servPadrao_ = !qryExisteServPadr->IsEmpty();
    qryExisteServPadr->Close();
    cdsServico->CreateDataSet();
    AtualizaAux();
  }
  // The code column offers the standard-service lookup only when codes come from there.
  dbgServico->ColumnByField("CDSERVFILI")->ButtonStyle =
      servPadrao_ ? TColumnButtonStyle::cbsEllipsis : TColumnButtonStyle::cbsNone;
  dbgServico->ColumnsChanged();
}

void TfrmCopiaServico::FormActivate(TComponent&) {
  if (!Consiste::AllTrim(edtCdServ->Text()).empty()) FocaCodigo();
}

// ---------------------------------------------------------------- helpers

void TfrmCopiaServico::Falha(TControl* foco, const std::string& key) {
  msgPadrao->ShowMsg(key, TMsgDlgType::mtError, mbOK);
  if (foco && foco->CanFocus() && !foco->Focused()) foco->SetFocus();
  Abort();
}

void TfrmCopiaServico::FocaCodigo() {
  if (dbgServico->CanFocus() && !dbgServico->Focused()) dbgServico->SetFocus();
  dbgServico->SetSelectedField(cdsServicoCDSERVFILI);
}

void TfrmCopiaServico::FocaNome() {
  if (dbgServico->CanFocus() && !dbgServico->Focused()) dbgServico->SetFocus();
  dbgServico->SetSelectedField(cdsServicoNMSERVICO);
}

void TfrmCopiaServico::AtualizaAux() { cdsServicoAux->SetData(cdsServico->Data()); }

bool TfrmCopiaServico::Editando() const {
  return cdsServico->State() == DataSetState::Edit || cdsServico->State() == DataSetState::Insert;
}

// ---------------------------------------------------------------- group and source

void TfrmCopiaServico::VdGrupServ(bool obrigatorio) {
  std::string codigo = Consiste::AllTrim(edtCdGrupServ->Text());
  if (codigo.empty()) {
    if (obrigatorio) Falha(edtCdGrupServ, "GrupServNInf");
    return;
  }
  codigo = Consiste::Ajusta(codigo, kTamGrupo);
  if (edtCdGrupServ->Text() != codigo) {
    Suspend<TNotifyEvent> muda(edtCdGrupServ->OnChange);
    edtCdGrupServ->SetText(codigo);
  }
  TADOIBQuery& q = *qryVdGrupServ;
  Reabre(q, {{"CDGRUPSERV", codigo}});
  if (q.IsEmpty()) Falha(edtCdGrupServ, "GrupServNCad");
  edtNmGrupServ->SetText(q.FieldByName("NMGRUPSERV").AsString());
}

void TfrmCopiaServico::VdServicoOrigem(bool obrigatorio) {
  std::string codigo = Consiste::AllTrim(edtCdServ->Text());
  if (codigo.empty()) {
    if (obrigatorio) Falha(edtCdServ, "ServNInf");
    return;
  }
  codigo = Consiste::Ajusta(codigo, kTamServico);
  if (edtCdServ->Text() != codigo) {
    Suspend<TNotifyEvent> muda(edtCdServ->OnChange);
    edtCdServ->SetText(codigo);
  }
  Reabre(*qryVdServ, {{"CDFILIAL", edtCdFilial->Text()},
                      {"CDSERVFILI", codigo},
                      {"CDGRUPSERV", Consiste::AllTrim(edtCdGrupServ->Text())}});
  if (qryVdServ->IsEmpty()) Falha(edtCdServ, "ServNCad");
  edtNmServ->SetText(qryVdServ->FieldByName("NMSERVICO").AsString());
}

void TfrmCopiaServico::edtCdGrupServChange(TComponent&) {
  edtNmGrupServ->SetText("");
  edtCdServ->SetText("");
}

void TfrmCopiaServico::edtCdGrupServExit(TComponent&) { VdGrupServ(false); }

void TfrmCopiaServico::edtCdServChange(TComponent&) { edtNmServ->SetText(""); }

void TfrmCopiaServico::edtCdServExit(TComponent&) { VdServicoOrigem(false); }

void TfrmCopiaServico::btnGrupServBeforePesq(TComponent&) {
  TADOIBQuery& q = *qryVdGrupServ;
  Parametriza(q, {{"CDGRUPSERV", "T"}});
}

void TfrmCopiaServico::btnGrupServAfterPesq(TComponent&) {
  edtCdGrupServ->SetText(qryVdGrupServ->FieldByName("CDGRUPSERV").AsString());
  edtNmGrupServ->SetText(qryVdGrupServ->FieldByName("NMGRUPSERV").AsString());
}

void TfrmCopiaServico::btpServicoBeforePesq(TComponent&) {
  VdGrupServ(true);
  Parametriza(*qryVdServ, {{"CDFILIAL", edtCdFilial->Text()},
                           {"CDSERVFILI", "T"},
                           {"CDGRUPSERV", Consiste::AllTrim(edtCdGrupServ->Text())}});
}

void TfrmCopiaServico::btpServicoAfterPesq(TComponent&) {
  edtCdServ->SetText(qryVdServ->FieldByName("CDSERVFILI").AsString());
  edtNmServ->SetText(qryVdServ->FieldByName("NMSERVICO").AsString());
}

// ---------------------------------------------------------------- destination list

void TfrmCopiaServico::VdCdServico(bool obrigatorio) {
  if (!Editando()) return;
  std::string codigo = Consiste::AllTrim(cdsServicoCDSERVFILI->AsString());
  if (codigo.empty()) {
    if (obrigatorio) Falha(nullptr, "CodServNInf");
    return;
  }
  // The service record's code rules: digits filled with zeros, five characters.
  codigo = Consiste::Ajusta(codigo, kTamServico);
  if (cdsServicoCDSERVFILI->AsString() != codigo) cdsServicoCDSERVFILI->SetAsString(codigo);
  if (utf8Length(codigo) < static_cast<size_t>(kTamServico)) {
    FocaCodigo();
    Falha(nullptr, "Cod_Serv");
  }
  std::string filial = edtCdFilial->Text();
  if (servPadrao_) {
    Reabre(*qryServPadr, {{"CDFILIAL", filial}, {"CDSERVPADR", codigo}});
    if (qryServPadr->IsEmpty()) {
      FocaCodigo();
      Falha(nullptr, "CodServNCad");
    }
  }
  // Any service of the branch holds its code, billing-only and menu services too.
  Reabre(*qryServExiste, {{"CDFILIAL", filial}, {"CDSERVFILI", codigo}});
  bool repetido = cdsServico->State() == DataSetState::Insert && cdsServicoAux->Active() &&
                  cdsServicoAux->Locate("CDSERVFILI", codigo);
  if (!qryServExiste->IsEmpty() || repetido) {
    FocaCodigo();
    Falha(nullptr, "CodServJCad");
  }
  if (servPadrao_) cdsServicoNMSERVICO->SetAsString(qryServPadr->FieldByName("NMSERVPADR").AsString());
}

void TfrmCopiaServico::cdsServicoBeforeInsert(DataSet&) { AtualizaAux(); }

void TfrmCopiaServico::cdsServicoBeforeEdit(DataSet&) { AtualizaAux(); }

void TfrmCopiaServico::cdsServicoBeforePost(DataSet&) {
  VdCdServico(true);
  if (!servPadrao_ && Consiste::AllTrim(cdsServicoNMSERVICO->AsString()).empty()) {
    FocaNome();
    Falha(nullptr, "NmServNInf");
  }
}

void TfrmCopiaServico::cdsServicoAfterPost(DataSet&) { AtualizaAux(); }

void TfrmCopiaServico::cdsServicoCDSERVFILIChange(Field&) {
  if (servPadrao_) cdsServicoNMSERVICO->Clear();
}

void TfrmCopiaServico::dbgServicoColExit(TComponent&) {
  if (dbgServico->SelectedField() == cdsServicoCDSERVFILI) VdCdServico(false);
}

// The standard-service lookup: a pick fills code and name of the current row (inserting one on
// an empty list).
void TfrmCopiaServico::dbgServicoEditButtonClick(TComponent&) {
  Parametriza(*qryServPadr, {{"CDFILIAL", edtCdFilial->Text()}, {"CDSERVPADR", "T"}});
  if (!Pesquisa::Pesquisar(*qryServPadr, msgPadrao->Msg("ServPadr") + "|" + msgPadrao->Msg("NExitsServPadr"),
                           "CDSERVPADR;NMSERVPADR"))
    return;
  std::string codigo = qryServPadr->FieldByName("CDSERVPADR").AsString();
  std::string nome = qryServPadr->FieldByName("NMSERVPADR").AsString();
  if (!Editando()) cdsServico->Edit();
  cdsServicoCDSERVFILI->SetAsString(codigo);
  cdsServicoNMSERVICO->SetAsString(nome);
}

void TfrmCopiaServico::dbgServicoKeyDown(TComponent&, int& key, ShiftState shift) {
  if (key == VK_DELETE && (shift & ssCtrl)) key = 0;
  // With standard services the name is not typed: Backspace and Delete do not clear it.
  if (servPadrao_ && dbgServico->SelectedField() == cdsServicoNMSERVICO && (key == VK_BACK || key == VK_DELETE))
    key = 0;
}

void TfrmCopiaServico::dbgServicoKeyPress(TComponent&, std::string& key) {
  if (!servPadrao_ || dbgServico->SelectedField() != cdsServicoNMSERVICO) return;
  if (key != "\t" && key != "\r") key.clear();
}

void TfrmCopiaServico::sbtIncluirClick(TComponent&) {
  if (Editando()) cdsServico->Post();
  cdsServico->Insert();
  FocaCodigo();
}

void TfrmCopiaServico::sbtExcluirClick(TComponent&) {
  if (cdsServico->State() == DataSetState::Insert)
    cdsServico->Cancel();
  else if (!cdsServico->IsEmpty())
    cdsServico->Delete();
  AtualizaAux();
}

// ---------------------------------------------------------------- confirm

void TfrmCopiaServico::sbtConfirmaClick(TComponent& sender) {
  VdGrupServ(true);
  VdServicoOrigem(true);
  if (Editando()) cdsServico->Post();
  if (cdsServico->IsEmpty()) {
    FocaCodigo();
    Falha(nullptr, "ServicoDestNInf");
  }
  {
    ShowAviGuard avi(this, 1);
    Consiste::CheckResultServ(principal_.Conexao().Call(
        "ReplicaServico", {edtCdFilial->Text(), Consiste::AllTrim(edtCdGrupServ->Text()),
                           Consiste::AllTrim(edtCdServ->Text()), Variant(cdsServico->Data())}));
    Corvane::AtualizaLocalCache({"SERVICO"});
  }
  TfrmRotiGeral::sbtConfirmaClick(sender);
}

// ---------------------------------------------------------------- creator

int CriaCopiaServico() {
  TelaPrincipal* principal = Principal();
  if (!principal) {
    Consiste::MensErro("A tela de cadastro de serviços deve estar aberta para a inclusão automática de serviço.",
                       false);
    return mrCancel;
  }
  TfrmCopiaServico& tela = Application().CreateForm<TfrmCopiaServico>(*principal);
  return tela.ShowModal();
}

namespace {

// The dialog is also the screen package "GER04107", for screens that open it by its code.
struct RegistroPacote {
  RegistroPacote() { RegisterScreenPackage("GER04107", EntradaCriaCopiaServico); }
  ~RegistroPacote() { RegisterScreenPackage("GER04107", {}); }
} registroPacote;

}  // namespace

void EntradaCriaCopiaServico(VariantArray& params) {
  int resultado = CriaCopiaServico();
  if (params.empty())
    params.push_back(Variant(resultado));
  else
    params.back() = Variant(resultado);
}

}  // namespace cad
