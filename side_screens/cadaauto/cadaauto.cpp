// TfrmCadaAutoServico: construction, selection, loading the rows, marking, confirm (include,
// overwrite, alter), delete and closing. The contract is in cadaauto.h.
#include "side_screens/cadaauto/cadaauto.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <set>
#include <string_view>
#include <vector>

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/core/scope.h"
#include "platform/framework/consiste.h"
#include "platform/framework/lookups.h"
#include "platform/framework/remoto.h"
#include "platform/framework/session.h"
#include "platform/framework/showavi.h"
#include "service_screen/principal.h"

namespace cad {

namespace {

constexpr const char* kServidor = "GER04100.rdmCadastroServ";
constexpr const char* kFormatoValor = "#,#####0.00000";
// Values above this are refused (general value, percentage and a row's new value).
constexpr double kLimite = 999999999;
// Kind of the progress display of this screen.
constexpr int kAvi = 6;
// A connection that reports "still connected" is closed again at most this many times.
constexpr int kMaxDesconexoes = 5;

bool EmEdicao(const DataSet& ds) { return ds.State() == DataSetState::Edit || ds.State() == DataSetState::Insert; }

std::string Texto(const DataSet& ds, const char* campo) { return ds.FieldByName(campo).AsString(); }

// Round to the five decimals a cost is stored with.
double Arredonda(double v) { return roundDec(v, 5); }

}  // namespace

TfrmCadaAutoServico::TfrmCadaAutoServico() {
  SetName("frmCadaAutoServico");
  layout::cadaauto::Load_cadaautoservico(*this);
  netCadastroServ.ServerName = kServidor;
  ServidorDaSessao(netCadastroServ);
}

// ---------------------------------------------------------------- creation and activation

void TfrmCadaAutoServico::FormCreate(TComponent& sender) {
  TfrmRotiGeral::FormCreate(sender);
  PerguntaExclusao = true;
}

void TfrmCadaAutoServico::FormActivate(TComponent&) {
  netCadastroServ.Open();
  DataServidor = Consiste::CheckResultServ(netCadastroServ.Call("GetDataServ", {})).asDateTime();
  // A branch module works on its own branch; set once, so a later activation (the window coming
  // back to the front) neither drops the loaded rows nor moves the focus.
  if (Corvane::ModuFili() && !rbtListaFili->Checked()) {
    for (TControl* c : {static_cast<TControl*>(lblAgrupFili), static_cast<TControl*>(medAgrupFili),
                        static_cast<TControl*>(btpPesqAgrupFili)})
      c->SetEnabled(false);
    rbtListaFili->SetChecked(true);
    for (TControl* c : {static_cast<TControl*>(rbtTodasFili), static_cast<TControl*>(rbtListaFili),
                        static_cast<TControl*>(btnFilial)})
      c->SetEnabled(false);
    SelecaoFiliais = Pesqlista::SelectionText({Corvane::FiliProc()});
    FocusControl(rbtTodosServ);
  }
}

// ---------------------------------------------------------------- selection

void TfrmCadaAutoServico::Reseta() {
  cdsPrincipal->Close();
  cdsCustPadrTp->Close();
  sbtConfirma->SetEnabled(false);
  sbtCancel->SetEnabled(false);
  sbtExcluir->SetEnabled(false);
}

void TfrmCadaAutoServico::medAgrupFiliChange(TComponent&) {
  SelecaoFiliais.clear();
  SelecaoServicos.clear();
  edtNmAgrupFili->SetText("");
  if (!Corvane::ModuFili()) rbtTodasFili->SetChecked(true);
  rbtTodosServ->SetChecked(true);
  Reseta();
}

void TfrmCadaAutoServico::medAgrupFiliExit(TComponent&) {
  std::string codigo = Consiste::AllTrim(medAgrupFili->Text());
  if (codigo.empty()) return;
  codigo = Consiste::Ajusta(codigo, 10);
  if (medAgrupFili->Text() != codigo) medAgrupFili->SetText(codigo);
  if (!cdsGrupFili->Active()) {
    ShowAviGuard avi(this, kAvi, Msg("Get_Agrup"));
    cdsGrupFili->SetData(Consiste::CheckResultServ(netCadastroServ.Call("getAgrupFili", {})).packetPtr());
  }
  if (!cdsGrupFili->Locate("CDGRUPFILI", Variant(codigo))) {
    FocusControl(medAgrupFili);
    Consiste::MensErro(Msg("GRUP_NCAD"));
  }
  edtNmAgrupFili->SetText(Texto(*cdsGrupFili, "NMGRUPFILI"));
}

void TfrmCadaAutoServico::btpPesqAgrupFiliBeforePesq(TComponent&) {
  if (!cdsGrupFili->Active()) {
    ShowAviGuard avi(this, kAvi, Msg("Get_Agrup"));
    cdsGrupFili->SetData(Consiste::CheckResultServ(netCadastroServ.Call("GetAgrupFili", {})).packetPtr());
  } else {
    cdsGrupFili->First();
  }
}

void TfrmCadaAutoServico::btpPesqAgrupFiliAfterPesq(TComponent&) {
  std::string nome = Texto(*cdsGrupFili, "NMGRUPFILI");
  medAgrupFili->SetText(Texto(*cdsGrupFili, "CDGRUPFILI"));
  edtNmAgrupFili->SetText(nome);
}

void TfrmCadaAutoServico::rbtTodasFiliClick(TComponent&) {
  if (!rbtTodasFili->Checked()) return;
  btnFilial->SetEnabled(false);
  SelecaoFiliais.clear();
  rbtTodosServ->SetChecked(true);
  Reseta();
}

void TfrmCadaAutoServico::rbtListaFiliClick(TComponent&) {
  if (!rbtListaFili->Checked()) return;
  if (!Corvane::ModuFili()) btnFilial->SetEnabled(true);
  Reseta();
}

void TfrmCadaAutoServico::rbtListaFiliKeyDown(TComponent&, int& key, ShiftState) {
  if ((key != VK_F6 && key != VK_F9) || !rbtListaFili->Checked() || !btnFilial->Enabled()) return;
  Pesquisa::KeyPressed = key;
  AbreListaFiliais();
}

void TfrmCadaAutoServico::btnFilialClick(TComponent&) { AbreListaFiliais(); }

// The branch list (the flat button takes no focus, so the focus stays where it was).
void TfrmCadaAutoServico::AbreListaFiliais() {
  Reseta();
  std::string grupo = Consiste::AllTrim(medAgrupFili->Text());
  std::string titulo = Msg("FILIAL") + "|" + Msg("Inf_filial");
  std::string antes = SelecaoFiliais;
  if (grupo.empty()) {
    {
      ShowAviGuard avi(this, kAvi, Msg("Get_Fili"));
      Reabre(*qryPesqFili, {{"P_CDOPERADOR", Variant(Corvane::Operador())}});
    }
    Pesqlista::PesquisaLista(*qryPesqFili, "CDFILIAL", titulo, SelecaoFiliais);
  } else {
    {
      ShowAviGuard avi(this, kAvi, Msg("Get_Fili"));
      cdsFiliPorGrup->SetData(
          Consiste::CheckResultServ(netCadastroServ.Call("GetFiliPorGrupOper", {grupo, Corvane::Operador()}))
              .packetPtr());
    }
    Pesqlista::PesquisaLista(*cdsFiliPorGrup, "CDFILIAL", titulo, SelecaoFiliais);
  }
  if (SelecaoFiliais != antes) SelecaoServicos.clear();
}

void TfrmCadaAutoServico::rbtTodosServClick(TComponent&) {
  if (!rbtTodosServ->Checked()) return;
  btnServ->SetEnabled(false);
  SelecaoServicos.clear();
  Reseta();
}

void TfrmCadaAutoServico::rbtListaServClick(TComponent&) {
  if (!rbtListaServ->Checked()) return;
  btnServ->SetEnabled(true);
  Reseta();
}

void TfrmCadaAutoServico::rbtListaServKeyDown(TComponent&, int& key, ShiftState) {
  if ((key != VK_F6 && key != VK_F9) || !rbtListaServ->Checked()) return;
  Pesquisa::KeyPressed = key;
  AbreListaServicos();
}

void TfrmCadaAutoServico::btnServClick(TComponent&) { AbreListaServicos(); }

void TfrmCadaAutoServico::ChecaBranchLista() {
  if (rbtListaFili->Checked() && SelecaoFiliais.empty()) {
    FocusControl(rbtListaFili);
    Consiste::MensErro(Msg("Inf_Filial"));
  }
}

void TfrmCadaAutoServico::AbreListaServicos() {
  Reseta();
  ChecaBranchLista();
  std::string grupo = Consiste::AllTrim(medAgrupFili->Text());
  {
    ShowAviGuard avi(this, kAvi, Msg("Get_Serv"));
    Variant r = Corvane::ModuFili()
                    ? netCadastroServ.Call("GetServPorGrupOper",
                                           {" ", "T", SelecaoFiliais, " ", Corvane::Operador(), SomentePrincipais()})
                    : netCadastroServ.Call("GetServPorGrupOper", {grupo, grupo.empty() ? "T" : "", SelecaoFiliais,
                                                                  rbtTodasFili->Checked() ? "T" : "",
                                                                  Corvane::Operador(), SomentePrincipais()});
    cdsServico->SetData(Consiste::CheckResultServ(r).packetPtr());
  }
  Pesqlista::PesquisaListaMsg(*cdsServico, "L_FILISERV", Msg("SERVICO") + "|" + Msg("Ncad_Servico"), SelecaoServicos);
}

void TfrmCadaAutoServico::chbServPrinClick(TComponent&) {
  rbtTodosServ->SetChecked(true);
  Reseta();
}

void TfrmCadaAutoServico::rbtIncluirClick(TComponent&) {
  if (!rbtIncluir->Checked()) return;
  chbSobrepor->SetEnabled(true);
  Reseta();
}

void TfrmCadaAutoServico::rbtAlterarClick(TComponent&) {
  if (!rbtAlterar->Checked()) return;
  chbSobrepor->SetChecked(false);
  chbSobrepor->SetEnabled(false);
  Reseta();
}

void TfrmCadaAutoServico::chbSobreporClick(TComponent&) { Reseta(); }

void TfrmCadaAutoServico::rbtValorClick(TComponent&) { lblPercent->SetEnabled(false); }

void TfrmCadaAutoServico::rbtPercentClick(TComponent&) { lblPercent->SetEnabled(rbtPercent->Checked()); }

std::string TfrmCadaAutoServico::Modo() const {
  if (rbtAlterar->Checked()) return "A";
  return chbSobrepor->Checked() ? "S" : "I";
}

std::string TfrmCadaAutoServico::SomentePrincipais() const { return chbServPrin->Checked() ? "S" : "N"; }

// ---------------------------------------------------------------- period and limits

void TfrmCadaAutoServico::depDataDeChange(TComponent&) { Reseta(); }

void TfrmCadaAutoServico::depDataAteChange(TComponent&) { Reseta(); }

// The start month may not lie before the server's month (the current month is accepted).
void TfrmCadaAutoServico::VerificaInicio() {
  depDataDe->CheckValidDate();
  DateTime de = depDataDe->Date();
  if (de.serial != 0 && Consiste::PriDiaMes(de) < Consiste::PriDiaMes(DataServidor)) {
    FocusControl(depDataDe);
    Consiste::MensErro(Msg("Data_Maior_Ser"));
  }
}

// The end month may not lie before the start month (equal months are accepted).
void TfrmCadaAutoServico::VerificaFim() {
  DateTime de = depDataDe->Date(), ate = depDataAte->Date();
  if (de.serial != 0 && ate.serial != 0 && Consiste::PriDiaMes(ate) < Consiste::PriDiaMes(de)) {
    FocusControl(depDataAte);
    Consiste::MensErro(Msg("Date_Fin_maior"));
  }
}

void TfrmCadaAutoServico::depDataDeExit(TComponent&) { VerificaInicio(); }

void TfrmCadaAutoServico::depDataAteExit(TComponent&) { depDataAte->CheckValidDate(); }

void TfrmCadaAutoServico::grbDataExit(TComponent&) { VerificaFim(); }

std::string TfrmCadaAutoServico::TextoLimite(const std::string& key) const {
  const FormatSettings& fs = formatSettings();
  std::string t = " 999";
  t += fs.thousandSeparator;
  t += "999";
  t += fs.thousandSeparator;
  t += "999";
  t += fs.decimalSeparator;
  t += "99999";
  return Msg(key) + t;
}

void TfrmCadaAutoServico::VerificaLimiteGeral() {
  if (nedValPer->Value() > kLimite) {
    FocusControl(nedValPer);
    Consiste::MensErro(TextoLimite(rbtPercent->Checked() ? "Perc_Men" : "NVal_Men"));
  }
}

void TfrmCadaAutoServico::VerificaLimiteLinha() {
  if (!cdsPrincipal->Active()) return;
  const Field& novo = cdsPrincipal->FieldByName("NOVO_VALOR");
  if (!novo.IsNull() && novo.AsFloat() > kLimite) {
    FocusControl(dbgCustPadrManu);
    dbgCustPadrManu->SetSelectedField(&cdsPrincipal->FieldByName("NOVO_VALOR"));
    Consiste::MensErro(TextoLimite("Val_Men"));
  }
}

void TfrmCadaAutoServico::nedValPerExit(TComponent&) { VerificaLimiteGeral(); }

void TfrmCadaAutoServico::cdsPrincipalBeforeInsert(DataSet&) { Abort(); }

void TfrmCadaAutoServico::cdsPrincipalBeforePost(DataSet&) { VerificaLimiteLinha(); }

// ---------------------------------------------------------------- loading the rows

void TfrmCadaAutoServico::panGridEnter(TComponent&) { CarregaLinhas(); }

void TfrmCadaAutoServico::CarregaLinhas() {
  if (cdsPrincipal->Active() && !cdsPrincipal->IsEmpty()) return;
  ChecaBranchLista();
  if (rbtListaServ->Checked() && SelecaoServicos.empty()) {
    FocusControl(rbtListaServ);
    Consiste::MensErro(Msg("Inf_Serv"));
  }
  // The period is checked here too: the grid can be entered without leaving the date edits.
  VerificaInicio();
  VerificaFim();
  std::string modo = Modo();
  {
    ShowAviGuard avi(this, kAvi, Msg("get_cdsPrincipal"));
    Variant r = Consiste::CheckResultServ(netCadastroServ.Call(
        "GetCustPadrManu",
        {SelecaoServicos, SelecaoFiliais, Consiste::AllTrim(medAgrupFili->Text()), Corvane::Operador(), modo,
         SomentePrincipais(), Variant(depDataDe->Date()), Variant(depDataAte->Date()), IdLista}));
    if (r.isString()) {
      avi.Hide();
      Consiste::MensErro(r.asString());
    }
    const VariantArray& partes = r.asArray();
    cdsPrincipal->SetData(partes.at(0).packetPtr());
    IdLista = partes.at(1).asString();
    if (modo == "A") cdsCustPadrTp->SetData(partes.at(2).packetPtr());
  }
  bool incluir = modo != "A";
  sbtConfirma->SetEnabled(incluir);
  sbtCancel->SetEnabled(!incluir);
  sbtExcluir->SetEnabled(!incluir);
}

// ---------------------------------------------------------------- marking rows

bool TfrmCadaAutoServico::Marcada(DataSet& ds) const { return Texto(ds, "IDMARCADO") == "S"; }

// Editing only in the new-value column.
void TfrmCadaAutoServico::EdicaoNaColuna() {
  TColumn* coluna = dbgCustPadrManu->SelectedColumn();
  dbgCustPadrManu->SetOption(goEditing, coluna && coluna->FieldName == "NOVO_VALOR");
}

void TfrmCadaAutoServico::dbgCustPadrManuEnter(TComponent&) { EdicaoNaColuna(); }

void TfrmCadaAutoServico::dbgCustPadrManuColEnter(TComponent&) { EdicaoNaColuna(); }

void TfrmCadaAutoServico::dbgCustPadrManuExit(TComponent&) {
  if (cdsPrincipal->Active() && EmEdicao(*cdsPrincipal)) cdsPrincipal->Post();
  VerificaLimiteLinha();
}

// Toggles the current row's mark; unmarking clears its new value. Posted at once.
void TfrmCadaAutoServico::MarcaLinha() {
  if (!cdsPrincipal->Active() || cdsPrincipal->IsEmpty()) return;
  bool marcada = Marcada(*cdsPrincipal);
  if (!EmEdicao(*cdsPrincipal)) cdsPrincipal->Edit();
  cdsPrincipal->FieldByName("IDMARCADO").SetAsString(marcada ? "N" : "S");
  if (marcada) cdsPrincipal->FieldByName("NOVO_VALOR").Clear();
  cdsPrincipal->Post();
}

void TfrmCadaAutoServico::dbgCustPadrManuCellClick(TComponent&, TColumn& column) {
  if (column.FieldName == "IDMARCADO") MarcaLinha();
}

// The mark title: when the first row is marked every row is unmarked, else every row is marked.
void TfrmCadaAutoServico::dbgCustPadrManuTitleClick(TComponent&, TColumn& column) {
  if (column.FieldName != "IDMARCADO" || !cdsPrincipal->Active() || cdsPrincipal->IsEmpty()) return;
  if (EmEdicao(*cdsPrincipal)) cdsPrincipal->Post();
  cdsPrincipal->DisableControls();
  ScopeExit libera([this] { cdsPrincipal->EnableControls(); });
  cdsPrincipal->First();
  std::string marca = Marcada(*cdsPrincipal) ? "N" : "S";
  for (; !cdsPrincipal->Eof(); cdsPrincipal->Next()) {
    if (Texto(*cdsPrincipal, "IDMARCADO") == marca) continue;
    cdsPrincipal->Edit();
    cdsPrincipal->FieldByName("IDMARCADO").SetAsString(marca);
    cdsPrincipal->Post();
  }
  cdsPrincipal->First();
}

void TfrmCadaAutoServico::dbgCustPadrManuKeyDown(TComponent&, int& key, ShiftState shift) {
  // Rows leave the grid only through the delete command, which asks and sends the marked ones.
  if (key == VK_DELETE && (shift & ssCtrl)) {
    key = 0;
    return;
  }
  TColumn* coluna = dbgCustPadrManu->SelectedColumn();
  if (key == VK_TAB && (shift & ssShift) && coluna && coluna->FieldName == "IDMARCADO" && cdsPrincipal->Active() &&
      cdsPrincipal->RecNo() <= 1) {
    key = 0;
    FocusControl(rbtIncluir->Checked() ? rbtIncluir : rbtAlterar);
  }
}

void TfrmCadaAutoServico::dbgCustPadrManuKeyPress(TComponent&, std::string& key) {
  TColumn* coluna = dbgCustPadrManu->SelectedColumn();
  if (!coluna || !cdsPrincipal->Active() || cdsPrincipal->IsEmpty()) return;
  if (coluna->FieldName == "IDMARCADO") {
    if (key == " ") {
      key.clear();
      MarcaLinha();
    }
    return;
  }
  if (coluna->FieldName != "NOVO_VALOR") return;
  if (key == "\b" || key == "\t" || key == "\r") return;
  bool digito = key.size() == 1 && key[0] >= '0' && key[0] <= '9';
  bool separador = key == "," || key == ".";
  if (!digito && !separador) {
    key.clear();
    return;
  }
  if (!EmEdicao(*cdsPrincipal)) cdsPrincipal->Edit();
  cdsPrincipal->FieldByName("IDMARCADO").SetAsString("S");
  if (separador) {
    // One decimal separator, after some digit.
    std::string texto = dbgCustPadrManu->EditorMode() ? dbgCustPadrManu->EditorText() : std::string();
    char decimal = formatSettings().decimalSeparator;
    if (texto.empty() || texto.find(decimal) != std::string::npos)
      key.clear();
    else
      key = std::string(1, decimal);
  }
}

void TfrmCadaAutoServico::dbgCustPadrManuDrawColumnCell(TComponent&, const TRect& rect, int, TColumn& column,
                                                        unsigned) {
  if (column.FieldName != "IDMARCADO" || !cdsPrincipal->Active() || cdsPrincipal->IsEmpty()) return;
  TCanvas& canvas = dbgCustPadrManu->Canvas();
  canvas.FillRect(rect);
  canvas.Draw(rect.Left + 3, rect.Top, Marcada(*cdsPrincipal) ? *imgCheck : *imgUnCheck);
}

// The base dialog's keys only while rows are loaded.
void TfrmCadaAutoServico::FormKeyDown(TComponent& sender, int& key, ShiftState shift) {
  if (cdsPrincipal->Active()) TfrmRotiGeral::FormKeyDown(sender, key, shift);
}

// ---------------------------------------------------------------- confirm

double TfrmCadaAutoServico::NovoCusto(DataSet& ds, double base) const {
  const Field& novo = ds.FieldByName("NOVO_VALOR");
  if (!novo.IsNull() && novo.AsFloat() != 0) return novo.AsFloat();
  if (rbtValor->Checked()) return nedValPer->Value();
  double p = nedValPer->Value();
  return base + (p * base) / 100;
}

void TfrmCadaAutoServico::sbtCancelClick(TComponent& sender) { sbtConfirmaClick(sender); }

void TfrmCadaAutoServico::sbtConfirmaClick(TComponent&) {
  if (!cdsPrincipal->Active()) return;
  if (EmEdicao(*cdsPrincipal)) cdsPrincipal->Post();
  GuardaLinhas();
  VerificaLimiteGeral();
  // The period as it stands now: the date edits may have changed since the load.
  VerificaInicio();
  VerificaFim();
  int linhaAtual = cdsPrincipal->RecNo();
  bool existeCusto = false;
  {
    cdsPrincipal->DisableControls();
    ScopeExit libera([this] { cdsPrincipal->EnableControls(); });
    cdsPrincipal->First();
    dbgCustPadrManu->SetSelectedIndex(0);
    std::string zero = formatFloat(kFormatoValor, 0);
    bool algumaMarcada = false;
    for (; !cdsPrincipal->Eof(); cdsPrincipal->Next()) {
      if (!Marcada(*cdsPrincipal)) continue;
      algumaMarcada = true;
      std::string novo = Consiste::GridText(*dbgCustPadrManu, "NOVO_VALOR");
      auto naLinha = [&](const char* key) {
        FocusControl(dbgCustPadrManu);
        dbgCustPadrManu->SetSelectedField(&cdsPrincipal->FieldByName("NOVO_VALOR"));
        Consiste::MensErro(Msg(key));
      };
      auto noValor = [&](const char* key) {
        cdsPrincipal->SetRecNo(linhaAtual);
        FocusControl(nedValPer);
        Consiste::MensErro(Msg(key));
      };
      if (novo == zero) naLinha("nvalor_maior_zero");
      if (Consiste::AllTrim(novo).empty()) {
        double v = nedValPer->Value();
        if (rbtValor->Checked()) {
          if (!(v > 0)) noValor("Val_Inf");
        } else {
          if (!(v > -100)) noValor("Perc_maior");
          if (v == 0) noValor("Perc_Inf");
          if (!(cdsPrincipal->FieldByName("VRCUSTPADR").AsFloat() > 0)) naLinha("Perc_N_Calc");
        }
      }
      if (Texto(*cdsPrincipal, "EXIST_CUSTO") != "N") existeCusto = true;
    }
    if (!algumaMarcada) {
      cdsPrincipal->SetRecNo(linhaAtual);
      Consiste::MensErro(Msg("Reg_n_marc"));
    }
  }
  if (rbtIncluir->Checked())
    ConfirmaInclusao(linhaAtual, existeCusto);
  else
    ConfirmaAlteracao();
}

void TfrmCadaAutoServico::ConfirmaInclusao(int linhaAtual, bool existeCusto) {
  bool sobrepor = chbSobrepor->Checked();
  if (sobrepor) {
    // The marked months are deleted here and sent with the new ones below, in one call.
    if (msgPadrao->ShowMsg("Exclui_TipoPrat", TMsgDlgType::mtConfirmation, mbYesNo) == mrNo) return;
    PerguntaExclusao = false;
    ScopeExit volta([this] { PerguntaExclusao = true; });
    if (!MarcaExclusao()) return;
    existeCusto = false;
  }
  if (existeCusto && msgPadrao->ShowMsg("Exist_Cad", TMsgDlgType::mtConfirmation, mbYesNo) == mrNo) {
    FocusControl(dbgCustPadrManu);
    if (cdsPrincipal->Active()) cdsPrincipal->SetRecNo(linhaAtual);
    return;
  }
  if (!cdsCustPadr->Active())
    cdsCustPadr->CreateDataSet();
  else
    cdsCustPadr->EmptyDataSet();
  cdsCustPadr->MergeChangeLog();
  auto insere = [this](DataSet& origem, DateTime mes, double valor) {
    cdsCustPadr->Append();
    cdsCustPadr->FieldByName("CDFILIAL").SetAsString(Texto(origem, "CDFILIAL"));
    cdsCustPadr->FieldByName("CDSERVFILI").SetAsString(Texto(origem, "CDSERVFILI"));
    cdsCustPadr->FieldByName("DTREFCUSPADR").SetAsDateTime(mes);
    cdsCustPadr->FieldByName("VRCUSTPADR").SetAsFloat(valor);
    cdsCustPadr->Post();
  };
  if (sobrepor) {
    for (cdsPrincipalAux->First(); !cdsPrincipalAux->Eof(); cdsPrincipalAux->Next())
      if (Marcada(*cdsPrincipalAux))
        insere(*cdsPrincipalAux, cdsPrincipalAux->FieldByName("DTREFCUSPADR").AsDateTime(),
               NovoCusto(*cdsPrincipalAux, cdsPrincipalAux->FieldByName("VRCUSTPADR").AsFloat()));
    EdicaoNaColuna();
  } else {
    DateTime inicio = Consiste::PriDiaMes(depDataDe->Date()), fim = Consiste::PriDiaMes(depDataAte->Date());
    cdsPrincipal->DisableControls();
    ScopeExit libera([this] { cdsPrincipal->EnableControls(); });
    for (cdsPrincipal->First(); !cdsPrincipal->Eof(); cdsPrincipal->Next()) {
      if (!Marcada(*cdsPrincipal)) continue;
      double valor = NovoCusto(*cdsPrincipal, cdsPrincipal->FieldByName("VRCUSTPADR").AsFloat());
      for (DateTime mes = inicio; !(fim < mes); mes = Consiste::SomaMes(mes, 1)) insere(*cdsPrincipal, mes, valor);
    }
  }
  if (cdsCustPadr->ChangeCount() == 0) {
    if (sobrepor) DevolveLinhas();
    return;
  }
  Variant contagem;
  try {
    ShowAviGuard avi(this, kAvi, Msg("Atu_CustPadr"));
    std::vector<RpcArg> args{IdLista, Variant(depDataDe->Date()), Variant(depDataAte->Date())};
    if (sobrepor) args.push_back(Variant(AlteracoesMarcadas(ChangeKind::Deleted)));
    args.push_back(Variant(cdsCustPadr->Delta()));
    contagem =
        Consiste::CheckResultServ(netCadastroServ.Call(sobrepor ? "SobrepoeCustoPadrao" : "InsereCustoPadrao", args));
    Corvane::AtualizaLocalCache({"CUSTPADR"});
    cdsCustPadr->MergeChangeLog();
    cdsPrincipal->MergeChangeLog();
    cdsPrincipal->Close();
  } catch (...) {
    // A refused run leaves the stored months, and the screen shows them with the user's marks and
    // values, as they were.
    cdsCustPadr->CancelUpdates();
    if (sobrepor) DevolveLinhas();
    throw;
  }
  CarregaLinhas();
  InformaGravados(contagem);
}

void TfrmCadaAutoServico::InformaGravados(const Variant& contagem) {
  if (!contagem.isArray() || contagem.asArray().size() < 2) return;
  const VariantArray& c = contagem.asArray();
  msgPadrao->ShowMsg("Custos_Gravados", TMsgDlgType::mtInformation, mbOK,
                     {std::to_string(c[0].asInt()), std::to_string(c[1].asInt())});
}

// Each dish type of the filtered month keeps its share of it: scaled from `antigo` to `novo` and
// rounded to the 5 decimals stored. When the old split added up to the month, the new one does
// too: the rounding remainder (at most half a unit of the fifth decimal per dish type) moves, one
// unit at a time, to the dish types that rounding moved furthest from their exact share. A split
// that did not add up is scaled as it is, never made up by one dish type.
void TfrmCadaAutoServico::EscalaTipos(double antigo, double novo) {
  Field& tipo = cdsCustPadrTp->FieldByName("VRCUSTPADRTP");
  std::vector<double> exatos, partes;
  double somaAntiga = 0;
  for (cdsCustPadrTp->First(); !cdsCustPadrTp->Eof(); cdsCustPadrTp->Next()) {
    somaAntiga += tipo.AsFloat();
    exatos.push_back(novo * (tipo.AsFloat() * 100 / antigo) / 100);
    partes.push_back(Arredonda(exatos.back()));
  }
  if (Arredonda(somaAntiga) == Arredonda(antigo) && !partes.empty()) {
    double soma = 0;
    for (double p : partes) soma += p;
    long long unidades = std::llround((novo - soma) * 1e5);
    std::vector<size_t> ordem(partes.size());
    for (size_t i = 0; i < ordem.size(); ++i) ordem[i] = i;
    // Units added go to the shares rounded down most; units taken, to those rounded up most.
    std::stable_sort(ordem.begin(), ordem.end(), [&](size_t a, size_t b) {
      double da = exatos[a] - partes[a], db = exatos[b] - partes[b];
      return unidades > 0 ? da > db : da < db;
    });
    for (long long k = 0; k < std::llabs(unidades); ++k) {
      size_t i = ordem[static_cast<size_t>(k) % ordem.size()];
      partes[i] = Arredonda(partes[i] + (unidades > 0 ? 1e-5 : -1e-5));
    }
  }
  size_t i = 0;
  for (cdsCustPadrTp->First(); !cdsCustPadrTp->Eof(); cdsCustPadrTp->Next()) {
    cdsCustPadrTp->Edit();
    tipo.SetAsFloat(partes[i++]);
    cdsCustPadrTp->Post();
  }
}

void TfrmCadaAutoServico::ConfirmaAlteracao() {
  // Each marked month takes its new cost and its dish-type costs keep their shares of it. A month
  // whose current cost is 0 has no shares to scale: the run is refused before anything is sent.
  try {
    cdsPrincipal->DisableControls();
    ScopeExit libera([this] { cdsPrincipal->EnableControls(); });
    Field& custo = cdsPrincipal->FieldByName("VRCUSTPADR");
    custo.ReadOnly = false;
    ScopeExit somenteLeitura([&custo] { custo.ReadOnly = true; });
    std::string formato = formatSettings().shortDateFormat;
    for (cdsPrincipal->First(); !cdsPrincipal->Eof(); cdsPrincipal->Next()) {
      if (!Marcada(*cdsPrincipal)) continue;
      std::string filial = Texto(*cdsPrincipal, "CDFILIAL"), servico = Texto(*cdsPrincipal, "CDSERVFILI");
      DateTime mes = cdsPrincipal->FieldByName("DTREFCUSPADR").AsDateTime();
      double antigo = custo.AsFloat();
      double novo = Arredonda(NovoCusto(*cdsPrincipal, antigo));
      cdsPrincipal->Edit();
      custo.SetAsFloat(novo);
      cdsPrincipal->Post();
      cdsCustPadrTp->SetFilter("CDFILIAL = '" + filial + "' AND CDSERVFILI = '" + servico + "' AND DTREFCUSPADR = '" +
                               formatDate(mes, formato) + "'");
      cdsCustPadrTp->SetFiltered(true);
      ScopeExit semFiltro([this] { cdsCustPadrTp->SetFiltered(false); });
      if (cdsCustPadrTp->IsEmpty()) continue;
      if (antigo == 0)
        Consiste::MensErro(msgPadrao->Msg("Custo_Zero_TipoPrat", {filial, servico, formatDate(mes, "mm/yyyy")}));
      EscalaTipos(antigo, novo);
    }
  } catch (...) {
    if (cdsCustPadrTp->Active()) cdsCustPadrTp->CancelUpdates();
    DevolveLinhas();
    throw;
  }
  PacketPtr meses = AlteracoesMarcadas(ChangeKind::Modified);
  if (meses->rows.empty()) return;
  // Months whose dish types were scaled go with them in one call: one transaction for both.
  if (cdsCustPadrTp->Active() && cdsCustPadrTp->ChangeCount() > 0)
    GravaMeses("UpdCustPadrComTp", {Variant(meses), Variant(cdsCustPadrTp->Delta())});
  else
    GravaMeses("UpdCustPadr", {Variant(meses)});
}

void TfrmCadaAutoServico::GravaMeses(const std::string& metodo, const std::vector<RpcArg>& args) {
  try {
    ShowAviGuard avi(this, kAvi, Msg("Atu_CustPadr"));
    Consiste::CheckResultServ(netCadastroServ.Call(metodo, args));
    Corvane::AtualizaLocalCache({"CUSTPADR"});
    cdsPrincipal->MergeChangeLog();
    avi.Hide();
    cdsPrincipal->Close();
  } catch (...) {
    // A refused save discards the month changes and any scaled dish-type costs together; the
    // marks and typed values stay for the user to correct.
    if (cdsCustPadrTp->Active()) cdsCustPadrTp->CancelUpdates();
    DevolveLinhas();
    throw;
  }
  CarregaLinhas();
}

// ---------------------------------------------------------------- delete

void TfrmCadaAutoServico::sbtExcluirClick(TComponent&) { Exclui(); }

void TfrmCadaAutoServico::Exclui() {
  if (cdsPrincipal->Active() && EmEdicao(*cdsPrincipal)) cdsPrincipal->Post();
  GuardaLinhas();
  if (!MarcaExclusao()) return;
  PacketPtr exclusao = AlteracoesMarcadas(ChangeKind::Deleted);
  if (exclusao->rows.empty()) return;
  GravaMeses("UpdCustPadr", {Variant(exclusao)});
}

bool TfrmCadaAutoServico::MarcaExclusao() {
  if (!cdsPrincipal->Active()) return false;
  if (EmEdicao(*cdsPrincipal)) cdsPrincipal->Post();
  int linhaAtual = cdsPrincipal->RecNo();
  if (PerguntaExclusao && msgPadrao->ShowMsg("Excl", TMsgDlgType::mtConfirmation, mbYesNo) == mrNo) return false;
  cdsPrincipal->DisableControls();
  ScopeExit libera([this] { cdsPrincipal->EnableControls(); });
  cdsPrincipal->First();
  dbgCustPadrManu->SetSelectedIndex(0);
  cdsPrincipalAux->SetData(cdsPrincipal->Data());
  bool algumaMarcada = false;
  cdsPrincipal->First();
  while (!cdsPrincipal->Eof()) {
    if (Marcada(*cdsPrincipal)) {
      algumaMarcada = true;
      cdsPrincipal->Delete();
    } else {
      cdsPrincipal->Next();
    }
  }
  if (!algumaMarcada) {
    cdsPrincipal->SetRecNo(linhaAtual);
    Consiste::MensErro(Msg("Reg_n_marc"));
  }
  return true;
}

// ---------------------------------------------------------------- the user's rows

namespace {

// The key of a row of the grid: branch, service and month.
std::string ChaveLinha(const Variant& filial, const Variant& servico, const Variant& mes) {
  return filial.asString() + "\x1f" + servico.asString() + "\x1f" +
         (mes.isNull() ? std::string() : std::to_string(mes.asDateTime().serial));
}

}  // namespace

void TfrmCadaAutoServico::GuardaLinhas() { linhasDoUsuario_ = cdsPrincipal->Active() ? cdsPrincipal->Data() : nullptr; }

void TfrmCadaAutoServico::DevolveLinhas() {
  cdsPrincipal->CancelUpdates();
  if (!linhasDoUsuario_ || !cdsPrincipal->Active()) return;
  const Packet& p = *linhasDoUsuario_;
  int marca = p.fieldIndex("IDMARCADO"), novo = p.fieldIndex("NOVO_VALOR"), filial = p.fieldIndex("CDFILIAL"),
      servico = p.fieldIndex("CDSERVFILI"), mes = p.fieldIndex("DTREFCUSPADR");
  if (marca < 0 || novo < 0 || filial < 0 || servico < 0 || mes < 0) return;
  int linha = cdsPrincipal->RecNo();
  cdsPrincipal->DisableControls();
  ScopeExit libera([this] { cdsPrincipal->EnableControls(); });
  for (const auto& r : p.rows) {
    const Variant& m = r[static_cast<size_t>(marca)];
    const Variant& v = r[static_cast<size_t>(novo)];
    if ((m.isNull() || m.asString() != "S") && v.isNull()) continue;
    if (!cdsPrincipal->Locate(
            "CDFILIAL;CDSERVFILI;DTREFCUSPADR",
            VariantArray{r[static_cast<size_t>(filial)], r[static_cast<size_t>(servico)], r[static_cast<size_t>(mes)]}))
      continue;
    cdsPrincipal->Edit();
    cdsPrincipal->FieldByName("IDMARCADO").SetAsString(m.isNull() ? std::string() : m.asString());
    Field& valor = cdsPrincipal->FieldByName("NOVO_VALOR");
    if (v.isNull())
      valor.Clear();
    else
      valor.SetAsFloat(v.asFloat());
    cdsPrincipal->Post();
  }
  if (linha > 0) cdsPrincipal->SetRecNo(linha);
}

PacketPtr TfrmCadaAutoServico::AlteracoesMarcadas(ChangeKind kind) const {
  PacketPtr delta = cdsPrincipal->Delta();
  auto out = std::make_shared<Packet>();
  out->fields = delta->fields;
  out->delta = true;
  std::set<std::string> marcadas;
  if (linhasDoUsuario_) {
    const Packet& p = *linhasDoUsuario_;
    int marca = p.fieldIndex("IDMARCADO"), filial = p.fieldIndex("CDFILIAL"), servico = p.fieldIndex("CDSERVFILI"),
        mes = p.fieldIndex("DTREFCUSPADR");
    if (marca >= 0 && filial >= 0 && servico >= 0 && mes >= 0)
      for (const auto& r : p.rows)
        if (!r[static_cast<size_t>(marca)].isNull() && r[static_cast<size_t>(marca)].asString() == "S")
          marcadas.insert(
              ChaveLinha(r[static_cast<size_t>(filial)], r[static_cast<size_t>(servico)], r[static_cast<size_t>(mes)]));
  }
  int filial = delta->fieldIndex("CDFILIAL"), servico = delta->fieldIndex("CDSERVFILI"),
      mes = delta->fieldIndex("DTREFCUSPADR");
  if (filial < 0 || servico < 0 || mes < 0) return out;
  for (size_t i = 0; i < delta->rows.size(); ++i) {
    const auto& r = delta->rows[i];
    if (delta->kinds[i] != kind ||
        !marcadas.count(
            ChaveLinha(r[static_cast<size_t>(filial)], r[static_cast<size_t>(servico)], r[static_cast<size_t>(mes)])))
      continue;
    out->rows.push_back(r);
    out->kinds.push_back(delta->kinds[i]);
    out->original.push_back(delta->original[i]);
  }
  return out;
}

// ---------------------------------------------------------------- closing

void TfrmCadaAutoServico::sbtSairClick(TComponent&) { Close(); }

void TfrmCadaAutoServico::FormCloseQuery(TComponent&, bool& canClose) {
  if (cdsPrincipal->Active() && (EmEdicao(*cdsPrincipal) || cdsPrincipal->ChangeCount() > 0) &&
      msgPadrao->ShowMsg("Can_upd", TMsgDlgType::mtConfirmation, mbYesNo) == mrNo) {
    canClose = false;
    return;
  }
  // A failure is shown and the screen still closes: the server removes a working list abandoned
  // for a day, and a modal screen that cannot close while the server is out of reach would hold
  // the whole application.
  try {
    ShowAviGuard avi(this, kAvi, Msg("Del_Reg_temp"));
    Variant r = Consiste::CheckResultServ(netCadastroServ.Call("DeletaLista", {IdLista}));
    if (r.isString() && !r.asString().empty()) {
      avi.Hide();
      Consiste::MensErro(r.asString(), false);
    }
  } catch (const EAbort&) {
    // Already shown by the result check.
  } catch (const std::exception& e) {
    Consiste::MensErro(e.what(), false);
  }
  IdLista.clear();
}

void TfrmCadaAutoServico::FormClose(TComponent& sender, TCloseAction& action) {
  TfrmRotiGeral::FormClose(sender, action);
  if (cdsPrincipal->Active() && EmEdicao(*cdsPrincipal)) cdsPrincipal->Cancel();
  for (int i = 0; i < kMaxDesconexoes && netCadastroServ.Connected(); ++i) netCadastroServ.Close();
  // The standard-cost page of the main screen shows the new costs.
  if (TelaPrincipal* principal = Principal()) principal->RecarregaCustos();
}

}  // namespace cad

// The screen, modal; the module's entry table offers it under this name.
void cad::CriaCAutoCPadrao(VariantArray&) {
  TfrmCadaAutoServico& f = Application().CreateForm<TfrmCadaAutoServico>();
  f.SetWindowState(TWindowState::wsNormal);
  f.ShowModal();
}
