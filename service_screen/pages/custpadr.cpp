// Standard-cost page (PagCustPadr, sheet tshCustPadr): the cost of the selected service month by
// month (cdsCustPadr, upper grid) and each month's split over dish types (cdsCustPadrTp, lower
// grid, filtered to the month under the cursor). A month is saved as soon as it is posted; the
// dish-type rows of a month are posted locally and sent together when the focus leaves their
// grid, on confirm, or after a proportional split.
//
// Invariants:
//  - From the branch's processing month on, a month's dish-type costs add up (to 5 decimals) to
//    its cost before the user leaves the month, the page, the service or the screen (Vd_Soma).
//  - Months before the processing month are read-only; only operators of the authorised group
//    (or everyone, when no group holds the authorization) edit; fixed-branch mode edits nothing.
//  - A save the server refuses is undone on screen, so the grids show what is stored.
//  - While dish-type changes wait to be sent, the month grid is disabled: the month cannot change.
//  - The automatic maintenance is offered only once the module has its side screen.
#include <cmath>
#include <initializer_list>
#include <string>

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
#include "service_screen/pages/custpadr.h"

namespace cad {

namespace {

constexpr const char* kFormatoSoma = "#,##0.00000";

std::string TextoData(DateTime d) { return formatDate(d, formatSettings().shortDateFormat); }

bool Editado(const DataSet& ds) {
  return ds.Active() && (ds.State() == DataSetState::Edit || ds.State() == DataSetState::Insert);
}

}  // namespace

// ---------------------------------------------------------------- shared rules

// The standard-cost authorization of the operator, on every activation of the screen; without it
// neither grid is edited.
void PagCustPadr::CarregaAutorizacao() {
  ShowAviGuard avi(&tela, 1);
  VariantArray autorizacao = ChamaPartes(tela.netCadastroServ, "GetAutGrupACPS", {Corvane::Operador()}, 2, &avi);
  CarregaPacote(*cdsAutGrupACPS, autorizacao[0], "GetAutGrupACPS");
  CarregaPacote(*cdsOperACPS, autorizacao[1], "GetAutGrupACPS");
  if (!TemAutorizacaoCusto()) {
    dbgCustPadr->SetOption(goEditing, false);
    dbgCustPadrTp->SetOption(goEditing, false);
  }
}

bool PagCustPadr::TemAutorizacaoCusto() {
  if (!cdsAutGrupACPS->Active() || cdsAutGrupACPS->IsEmpty()) return true;
  cdsAutGrupACPS->First();
  Variant grupo = cdsAutGrupACPS->FieldByName("CDGRUPOPER").Value();
  LocateOptions semCaixa;
  semCaixa.caseInsensitive = true;
  return cdsOperACPS->Active() && cdsOperACPS->Locate("CDGRUPOPER", grupo, semCaixa);
}

void PagCustPadr::HabilitaNavegador(bool livre) {
  tela.dbnPadrao->SetEnabled(livre && !Editado(*cdsCustPadr) && tela.cdsServico->Active() &&
                             !tela.cdsServico->IsEmpty());
}

DateTime PagCustPadr::MesProcessamento() const {
  return Consiste::PriDiaMes(Corvane::DataProc(tela.medCdFilial->Text()));
}

bool PagCustPadr::PodeAutomatico() const { return !FilialFixa && TemEntrada("CriaCAutoCPadrao"); }

bool PagCustPadr::FocoNosTipos() const { return dbgCustPadrTp->Focused(); }

void PagCustPadr::HabilitaAutomatico(bool habilita) {
  tela.sbtAutomatico->SetEnabled(habilita && PodeAutomatico());
  tela.mnuCadaAuto->SetEnabled(tela.sbtAutomatico->Enabled());
}

// True when nobody holds the standard-cost authorization or the operator is in the group that
// holds it; otherwise every command of the page goes off.
bool PagCustPadr::AutorizaCustoPadrao() {
  if (TemAutorizacaoCusto()) return true;
  tela.ChangeButtons(false, false, false, false, false, false);
  HabilitaAutomatico(false);
  return false;
}

// The dish-type rows of the month under the cursor.
void PagCustPadr::FiltraTp() {
  if (!cdsCustPadr->Active() || cdsCustPadr->IsEmpty() || !cdsCustPadrTp->Active()) return;
  cdsCustPadrTp->SetFilter(FiltroMes(*cdsCustPadr));
  cdsCustPadrTp->SetFiltered(true);
}

std::string PagCustPadr::FiltroMes(const DataSet& mes) const {
  const Field& data = mes.FieldByName("DTREFCUSPADR");
  std::string texto = data.IsNull() ? std::string() : TextoData(data.AsDateTime());
  return "CDFILIAL = '" + tela.Campo(mes, "CDFILIAL") + "' AND CDSERVFILI = '" + tela.Campo(mes, "CDSERVFILI") +
         "' AND DTREFCUSPADR = '" + texto + "'";
}

// The month as the grid shows it: the short date without its day ("12/2026", "2026-12").
void PagCustPadr::cdsCustPadrCalcFields(DataSet&) {
  Field& data = cdsCustPadr->FieldByName("DTREFCUSPADR");
  Field& mes = cdsCustPadr->FieldByName("STMESREFER");
  if (data.IsNull()) {
    mes.Clear();
    return;
  }
  const std::string& formato = formatSettings().shortDateFormat;
  std::string texto = TextoData(data.AsDateTime());
  size_t d = formato.find_first_of("dD");
  size_t p = d == std::string::npos ? 0 : d + 1;
  if (p > 1)
    mes.SetAsString(texto.substr(0, p - 2));
  else
    mes.SetAsString(p + 2 <= texto.size() ? texto.substr(p + 2) : std::string());
}

// Sum of the current month's dish-type costs, each rounded to 5 decimals.
double PagCustPadr::SomaTiposMes() {
  cdsCustPadrTp->DisableControls();
  ScopeExit reativa([this] { cdsCustPadrTp->EnableControls(); });
  double soma = 0;
  for (int i = 0; i < cdsCustPadrTp->DisplayCount(); ++i)
    cdsCustPadrTp->ReadRow(
        i, [this, &soma] { soma += Consiste::RoundDec(cdsCustPadrTp->FieldByName("VRCUSTPADRTP").AsFloat(), 5); });
  return soma;
}

// The sum rule of the current month: from the processing month on, the dish-type costs add up to
// the month's cost. A mismatch shows the sum and the difference and answers false.
bool PagCustPadr::Vd_Soma() {
  if (!cdsCustPadrTp->Active() || cdsCustPadrTp->State() != DataSetState::Browse || cdsCustPadrTp->IsEmpty())
    return true;
  if (!cdsCustPadr->Active() || cdsCustPadr->IsEmpty()) return true;
  try {
    double soma = Consiste::RoundDec(SomaTiposMes(), 5);
    Field& data = cdsCustPadr->FieldByName("DTREFCUSPADR");
    if (data.IsNull() || data.AsDateTime() < MesProcessamento()) return true;
    double custo = Consiste::RoundDec(cdsCustPadr->FieldByName("VRCUSTPADR").AsFloat(), 5);
    if (soma == custo) return true;
    tela.msgPadrao->ShowMsg(
        "soma_dif", TMsgDlgType::mtInformation, mbOK,
        {formatFloat(kFormatoSoma, soma), formatFloat(kFormatoSoma, Consiste::RoundDec(custo - soma, 5))});
    return false;
  } catch (...) {
    if (Ativa()) {
      dbgCustPadrTp->SetSelectedField(cdsCustPadrTp->FindField("VRCUSTPADRTP"));
      tela.Foca(dbgCustPadrTp);
    }
    throw;
  }
}

// Whether the dish-type costs still add up to the month's cost before its edit.
bool PagCustPadr::Vd_SomaAnterior() {
  if (cdsCustPadrTp->State() != DataSetState::Browse || cdsCustPadrTp->IsEmpty()) return true;
  return Consiste::RoundDec(SomaTiposMes(), 5) == Consiste::RoundDec(static_cast<double>(VrCustPadrAnterior), 5);
}

// Fixed-branch mode: only search and verify, and those only with months listed.
void PagCustPadr::SomenteConsulta(bool comLinhas) {
  for (TMenuItem* m : {tela.mnuConfirmar, tela.mnuCancelar, tela.mnuIncluir, tela.mnuAlterar, tela.mnuExcluir})
    m->SetEnabled(false);
  tela.mnuProcurar->SetEnabled(comLinhas);
  tela.mnuVerificar->SetEnabled(comLinhas);
  HabilitaAutomatico(false);
}

// The processing-month lock: true when the current month is before the processing month, after
// setting the commands for a read-only month; otherwise the commands follow the month's state.
bool PagCustPadr::MenorDataProc() {
  bool ativo = cdsCustPadr->Active();
  Field* data = ativo ? cdsCustPadr->FindField("DTREFCUSPADR") : nullptr;
  bool anterior = data && !cdsCustPadr->IsEmpty() && !data->IsNull() && data->AsDateTime() < MesProcessamento();
  DataSetState estado = ativo ? cdsCustPadr->State() : DataSetState::Inactive;
  bool navegando = estado == DataSetState::Browse;
  bool comLinhas = navegando && !cdsCustPadr->IsEmpty();
  bool editando = tela.EmEdicao(*cdsCustPadr);
  if (anterior) {
    bool naGrade = dbgCustPadr->Focused();
    tela.mnuConfirmar->SetEnabled(false);
    tela.mnuCancelar->SetEnabled(false);
    tela.mnuAlterar->SetEnabled(false);
    tela.mnuExcluir->SetEnabled(false);
    tela.mnuIncluir->SetEnabled(naGrade && !FilialFixa);
    tela.mnuProcurar->SetEnabled(naGrade);
    tela.mnuVerificar->SetEnabled(naGrade);
    HabilitaAutomatico(naGrade);
    if (editando) cdsCustPadr->Cancel();
    return true;
  }
  if (FilialFixa) {
    SomenteConsulta(comLinhas);
  } else {
    tela.mnuConfirmar->SetEnabled(editando);
    tela.mnuCancelar->SetEnabled(editando);
    tela.mnuIncluir->SetEnabled(navegando);
    for (TMenuItem* m : {tela.mnuAlterar, tela.mnuExcluir, tela.mnuProcurar, tela.mnuVerificar})
      m->SetEnabled(comLinhas);
    HabilitaAutomatico(navegando);
  }
  return false;
}

// ---------------------------------------------------------------- loading and page entry

// Both datasets of the service in one call, the dish types filtered to the current month.
void PagCustPadr::CarregaCustoPadrao() {
  ShowAviGuard avi(&tela, 6, tela.Msg("get_cdsCustPadr"));
  VariantArray r = ChamaPartes(tela.netCadastroServ, "GetCustoPadrao",
                               {tela.CodFilial(), tela.Campo(*tela.cdsServico, "CDSERVFILI")}, 2, &avi);
  cdsCustPadrTp->SetFiltered(false);
  CarregaPacote(*cdsCustPadrTp, r[1], "GetCustoPadrao");
  CarregaPacote(*cdsCustPadr, r[0], "GetCustoPadrao");
  FiltraTp();
  RecarregaCustPadr = false;
}

// The commands of the page for the loaded months (authorised operators only).
void PagCustPadr::BotoesCustPadr(bool consultaTrava) {
  if (!AutorizaCustoPadrao()) return;
  if (!cdsCustPadr->Active() || cdsCustPadr->IsEmpty()) {
    tela.ChangeButtons(!FilialFixa, false, false, false, false, false);
  } else if (FilialFixa) {
    tela.ChangeButtons(false, false, false, true, true, false);
  } else if (!consultaTrava || !MenorDataProc()) {
    tela.ChangeButtons(true, true, true, true, true, false);
  }
}

// Entering the page: in fixed-branch mode both grids are read-only; the data of the service is
// loaded once per service.
void PagCustPadr::Entra() {
  if (FilialFixa) {
    dbgCustPadr->SetReadOnly(true);
    dbgCustPadrTp->SetReadOnly(true);
  }
  HabilitaAutomatico(false);
  if (RecarregaCustPadr) CarregaCustoPadrao();
  BotoesCustPadr(true);
  if (AutorizaCustoPadrao()) HabilitaAutomatico(cdsCustPadr->Active() && cdsCustPadr->State() == DataSetState::Browse);
}

// Before another service becomes current on this page: the months must add up, and the month list
// is read again, so a month another user removed does not stay on screen.
void PagCustPadr::SaiServico() {
  if (!Vd_Soma()) Abort();
  {
    ShowAviGuard avi(&tela, 6, tela.Msg("get_cdsCustPadr"));
    Variant meses =
        tela.netCadastroServ.Call("GetCustPadr", {tela.CodFilial(), tela.Campo(*tela.cdsServico, "CDSERVFILI")});
    cdsCustPadrTp->SetFiltered(false);
    CarregaPacote(*cdsCustPadr, meses, "GetCustPadr");
  }
  if (cdsCustPadr->IsEmpty()) tela.ChangeButtons(!FilialFixa, false, false, false, false, false);
}

// The selected service changed while the page is active.
void PagCustPadr::TrocaServico() {
  CarregaCustoPadrao();
  BotoesCustPadr(true);
}

// ---------------------------------------------------------------- months

void PagCustPadr::cdsCustPadrBeforeScroll(DataSet&) {
  if (Ativa() && !PesquisaCusto && !RelocalizandoMes && !Vd_Soma()) Abort();
}

void PagCustPadr::cdsCustPadrAfterScroll(DataSet&) {
  FiltraTp();
  if (Ativa() && TemAutorizacaoCusto()) MenorDataProc();
}

void PagCustPadr::cdsCustPadrBeforeInsert(DataSet&) {
  VrCustPadrAnterior = 0;
  if (!Vd_Soma()) Abort();
}

// A new month follows the latest one stored (or is the current month), never before the
// processing month.
void PagCustPadr::cdsCustPadrAfterInsert(DataSet&) {
  {
    ShowAviGuard avi(&tela, 6, tela.Msg("get_cdsCustPadrAux"));
    CarregaPacote(*cdsCustPadrAux,
                  tela.netCadastroServ.Call("GetCustPadrAux", {tela.Campo(*tela.cdsServico, "CDFILIAL"),
                                                               tela.Campo(*tela.cdsServico, "CDSERVFILI")}),
                  "GetCustPadrAux");
  }
  DateTime mes;
  Field* ultimo = cdsCustPadrAux->IsEmpty() ? nullptr : cdsCustPadrAux->FindField("DTREFCUSPADR");
  if (ultimo && !ultimo->IsNull()) {
    int ano, m, dia;
    ultimo->AsDateTime().decode(ano, m, dia);
    if (++m == 13) {
      m = 1;
      ++ano;
    }
    mes = DateTime::fromDate(ano, m, 1);
  } else {
    mes = Consiste::PriDiaMes(DateTime::today());
  }
  DateTime processamento = MesProcessamento();
  cdsCustPadr->FieldByName("DTREFCUSPADR").SetAsDateTime(mes < processamento ? processamento : mes);
  cdsCustPadr->FieldByName("STMESREFER").ReadOnly = false;
}

void PagCustPadr::cdsCustPadrBeforeEdit(DataSet&) {
  double valor = cdsCustPadr->FieldByName("VRCUSTPADR").AsFloat();
  VrCustPadrAnterior = valor > 0 ? valor : 0;
}

void PagCustPadr::Vd_Mes(bool obrigatorio) {
  if (!tela.EmEdicao(*cdsCustPadr)) return;
  if (obrigatorio && tela.Campo(*cdsCustPadr, "STMESREFER").empty()) {
    if (Ativa()) {
      dbgCustPadr->SetSelectedField(cdsCustPadr->FindField("STMESREFER"));
      tela.Foca(dbgCustPadr);
    }
    tela.Erro("Mes_inf");
  }
}

void PagCustPadr::Vd_Valor(bool obrigatorio) {
  if (!tela.EmEdicao(*cdsCustPadr)) return;
  Field& valor = cdsCustPadr->FieldByName("VRCUSTPADR");
  const char* chave = nullptr;
  if (valor.IsNull()) {
    if (obrigatorio) chave = "Valor_inf";
  } else if (!(valor.AsFloat() > 0)) {
    chave = "CUST_ZERO";
  }
  if (!chave) return;
  if (Ativa()) {
    dbgCustPadr->SetSelectedField(&valor);
    tela.Foca(dbgCustPadr);
  }
  tela.Erro(chave);
}

void PagCustPadr::cdsCustPadrBeforePost(DataSet&) {
  Vd_Mes(true);
  Vd_Valor(true);
  cdsCustPadr->FieldByName("CDFILIAL").SetAsString(tela.CodFilial());
  cdsCustPadr->FieldByName("CDSERVFILI").SetAsString(tela.Campo(*tela.cdsServico, "CDSERVFILI"));
  for (const char* nome : {"CDFILIAL", "CDSERVFILI"}) {
    Field& f = cdsCustPadr->FieldByName(nome);
    if (!f.IsNull() && f.AsString().empty()) f.Clear();
  }
  Field& valor = cdsCustPadr->FieldByName("VRCUSTPADR");
  if (!valor.IsNull()) valor.SetAsFloat(Consiste::RoundDec(valor.AsFloat(), 5));
}

// The month is saved at once; a changed cost may carry its dish types along in proportion.
void PagCustPadr::cdsCustPadrAfterPost(DataSet&) {
  ShowAviGuard avi(&tela, 1, tela.Msg("upd_cdsCustPadr"));
  try {
    if (cdsCustPadr->ChangeCount() > 0) {
      Variant resposta = tela.netCadastroServ.Call("UpdCustPadr", {Variant(cdsCustPadr->Delta())});
      std::string recusa = resposta.isNull() ? std::string() : resposta.asString();
      if (!recusa.empty()) {
        cdsCustPadr->CancelUpdates();
        Consiste::MensErro(recusa, true);
      }
      cdsCustPadr->MergeChangeLog();
    }
    DateTime mes = cdsCustPadr->FieldByName("DTREFCUSPADR").AsDateTime();
    // The new month's dish types (none yet) or the edited month's.
    FiltraTp();
    double valor = cdsCustPadr->FieldByName("VRCUSTPADR").AsFloat();
    if (!cdsCustPadrTp->IsEmpty() && valor != static_cast<double>(VrCustPadrAnterior)) {
      avi.Hide();
      if (Vd_SomaAnterior() &&
          tela.msgPadrao->ShowMsg("alteraproporcional", TMsgDlgType::mtConfirmation, mbYesNo) == mrYes)
        RateiaProporcional(valor);
    }
    {
      // The month just saved is found again; its sum is checked when the user leaves it.
      RelocalizandoMes = true;
      ScopeExit fim([this] { RelocalizandoMes = false; });
      cdsCustPadr->Locate("DTREFCUSPADR", Variant(mes));
    }
    CarregaPacote(*cdsCustPadrAux,
                  tela.netCadastroServ.Call("GetCustPadrAux", {tela.Campo(*tela.cdsServico, "CDFILIAL"),
                                                               tela.Campo(*tela.cdsServico, "CDSERVFILI")}),
                  "GetCustPadrAux");
  } catch (...) {
    avi.Hide();
    throw;
  }
  Corvane::AtualizaLocalCache({"CUSTPADR"});
}

// The dish types of the month scaled by the new cost over the old one; what rounding leaves out
// goes to the last row, so the split adds up to the cost exactly.
void PagCustPadr::RateiaProporcional(double valor) {
  long double anterior = VrCustPadrAnterior == 0 ? 1 : VrCustPadrAnterior;
  long double fator = static_cast<long double>(valor) / anterior;
  long double soma = 0;
  Field& custo = cdsCustPadrTp->FieldByName("VRCUSTPADRTP");
  for (cdsCustPadrTp->First(); !cdsCustPadrTp->Eof(); cdsCustPadrTp->Next()) {
    cdsCustPadrTp->Edit();
    custo.SetAsFloat(Consiste::RoundDec(static_cast<double>(custo.AsFloat() * fator), 5));
    cdsCustPadrTp->Post();
    soma += custo.AsFloat();
  }
  double resto = Consiste::RoundDec(static_cast<double>(valor - soma), 5);
  if (resto != 0) {
    cdsCustPadrTp->Last();
    cdsCustPadrTp->Edit();
    custo.SetAsFloat(Consiste::RoundDec(custo.AsFloat() + resto, 5));
  }
  cdsCustPadrTp->First();
  Confirma_CusTp();
}

// A deleted month is saved at once; the last one gone reloads the service.
void PagCustPadr::cdsCustPadrAfterDelete(DataSet&) {
  if (cdsCustPadr->ChangeCount() > 0) {
    ShowAviGuard avi(&tela, 1, tela.Msg("upd_cdsCustPadr"));
    GravaAlteracoes(tela.netCadastroServ, *cdsCustPadr, "UpdCustPadr");
    Corvane::AtualizaLocalCache({"CUSTPADR"});
  }
  if (cdsCustPadr->IsEmpty()) tela.sbtVerificarClick(*tela.sbtVerificar);
}

// ---------------------------------------------------------------- dish types

// The dish-type codes already in the current month.
void PagCustPadr::Monta_Lista() {
  if (tela.EmEdicao(*cdsCustPadrTp)) return;
  ListaTipoPrato.clear();
  cdsAuxCustPadrTp->SetData(cdsCustPadrTp->Data());
  if (!cdsAuxCustPadrTp->IsEmpty() && cdsCustPadr->Active() && !cdsCustPadr->IsEmpty()) {
    cdsAuxCustPadrTp->SetFilter(FiltroMes(*cdsCustPadr));
    cdsAuxCustPadrTp->SetFiltered(true);
  }
  for (int i = 0; i < cdsAuxCustPadrTp->DisplayCount(); ++i)
    cdsAuxCustPadrTp->ReadRow(i, [this] { ListaTipoPrato.push_back(tela.Campo(*cdsAuxCustPadrTp, "CDTIPOPRAT")); });
  cdsAuxCustPadrTp->SetFiltered(false);
  cdsAuxCustPadrTp->EmptyDataSet();
}

void PagCustPadr::cdsCustPadrTpBeforeInsert(DataSet&) {
  if (!cdsCustPadr->Active() || cdsCustPadr->IsEmpty() || TravaTipoPrato) Abort();
  Monta_Lista();
}

void PagCustPadr::cdsCustPadrTpBeforeEdit(DataSet&) { Monta_Lista(); }

void PagCustPadr::cdsCustPadrTpAfterInsert(DataSet&) {
  dbgCustPadrTp->SetSelectedField(cdsCustPadrTp->FindField("CDTIPOPRAT"));
}

void PagCustPadr::FalhaTipoPrato(const char* campo, const std::string& chave) {
  if (Ativa()) {
    dbgCustPadrTp->SetSelectedField(cdsCustPadrTp->FindField(campo));
    tela.Foca(dbgCustPadrTp);
  }
  tela.Erro(chave);
}

void PagCustPadr::Vd_TpPrato(bool obrigatorio) {
  Field& codigo = cdsCustPadrTp->FieldByName("CDTIPOPRAT");
  Field& nome = cdsCustPadrTp->FieldByName("NMTIPOPRAT");
  std::string texto = Consiste::AllTrim(codigo.AsString());
  if (texto.empty()) {
    nome.Clear();
    if (obrigatorio) FalhaTipoPrato("CDTIPOPRAT", "TPPRATO_INF");
    return;
  }
  texto = Consiste::Ajusta(texto, 2);
  Reabre(*qryVdTipoPrat, {{"P_CDTIPOPRAT", texto}});
  if (qryVdTipoPrat->IsEmpty()) FalhaTipoPrato("CDTIPOPRAT", "TPPRATO_N_CAD");
  if (codigo.AsString() != tela.Campo(*qryVdTipoPrat, "CDTIPOPRAT"))
    codigo.SetAsString(tela.Campo(*qryVdTipoPrat, "CDTIPOPRAT"));
  nome.SetAsString(tela.Campo(*qryVdTipoPrat, "NMTIPOPRAT"));
  if (cdsCustPadrTp->State() == DataSetState::Insert)
    for (const std::string& existente : ListaTipoPrato)
      if (existente == texto) FalhaTipoPrato("CDTIPOPRAT", "TPPRATO_J_CAD");
}

void PagCustPadr::Vd_CustoTP() {
  if (!tela.EmEdicao(*cdsCustPadrTp)) return;
  Field& valor = cdsCustPadrTp->FieldByName("VRCUSTPADRTP");
  if (valor.IsNull()) FalhaTipoPrato("VRCUSTPADRTP", "vr_inf");
  if (valor.AsFloat() < 0) FalhaTipoPrato("VRCUSTPADRTP", "vr_maior_zero");
}

void PagCustPadr::cdsCustPadrTpBeforePost(DataSet&) {
  if (!tela.EmEdicao(*cdsCustPadrTp)) return;
  for (const char* chave : {"CDFILIAL", "CDSERVFILI", "DTREFCUSPADR"})
    cdsCustPadrTp->FieldByName(chave).SetValue(cdsCustPadr->FieldByName(chave).Value());
  Vd_TpPrato(true);
  Vd_CustoTP();
  Field& valor = cdsCustPadrTp->FieldByName("VRCUSTPADRTP");
  valor.SetAsFloat(Consiste::RoundDec(valor.AsFloat(), 5));
}

// The commands after the dish types were sent.
void PagCustPadr::BotoesAposTipos() {
  if (!cdsCustPadrTp->IsEmpty()) {
    if (FilialFixa)
      tela.ChangeButtons(false, false, false, true, true, false);
    else
      tela.ChangeButtons(true, true, true, true, true, false);
  }
  tela.Habilita_Pagina(!tela.EmEdicao(*cdsCustPadrTp) && cdsCustPadrTp->ChangeCount() == 0);
  HabilitaNavegador(!tela.EmEdicao(*cdsCustPadrTp) && cdsCustPadrTp->ChangeCount() == 0);
  if (!Corvane::ModuFili())
    for (TControl* c : std::initializer_list<TControl*>{tela.lblFilial, tela.medCdFilial, tela.btnFilial})
      c->SetEnabled(true);
}

// Sends the dish-type changes of the month, once they add up; a refusal undoes them on screen.
void PagCustPadr::Confirma_CusTp() {
  if (!cdsCustPadrTp->Active()) return;
  if (tela.EmEdicao(*cdsCustPadrTp)) cdsCustPadrTp->Post();
  if (cdsCustPadrTp->ChangeCount() == 0) return;
  if (!Vd_Soma()) {
    tela.Foca(dbgCustPadrTp);
    return;
  }
  ShowAviGuard avi(&tela, 1, tela.Msg("upd_cdsCustPadr"));
  GravaAlteracoes(tela.netCadastroServ, *cdsCustPadrTp, "UpdCustPadrTp", Gravacao::ChecandoResultado());
  BotoesAposTipos();
  HabilitaAutomatico(true);
  dbgCustPadr->SetEnabled(true);
}

void PagCustPadr::cdsCustPadrTpAfterDelete(DataSet&) {
  if (cdsCustPadrTp->ChangeCount() > 0) {
    ShowAviGuard avi(&tela, 1, tela.Msg("upd_cdsCustPadr"));
    GravaAlteracoes(tela.netCadastroServ, *cdsCustPadrTp, "UpdCustPadrTp", Gravacao::ChecandoResultado());
  }
  BotoesAposTipos();
}

// ---------------------------------------------------------------- grids

void PagCustPadr::dbgCustPadrEnter(TComponent&) {
  if (!TemAutorizacaoCusto()) return;
  dtsCustPadrStateChange(*dtsCustPadr);
  if (tela.EmEdicao(*cdsCustPadrTp)) cdsCustPadrTp->Post();
}

// The month cell is typed only while a new month is being inserted.
void PagCustPadr::dbgCustPadrColEnter(TComponent&) {
  if (TColumn* c = dbgCustPadr->ColumnByField("STMESREFER")) {
    c->ReadOnly = cdsCustPadr->State() != DataSetState::Insert;
    dbgCustPadr->ColumnsChanged();
  }
}

void PagCustPadr::dbgCustPadrColExit(TComponent&) {
  Field* campo = dbgCustPadr->SelectedField();
  if (!campo) return;
  if (campo->FieldName() == "STMESREFER") Vd_Mes(false);
  if (campo->FieldName() == "VRCUSTPADR") Vd_Valor(false);
}

void PagCustPadr::dbgCustPadrKeyDown(TComponent&, int& key, ShiftState shift) {
  if (key == VK_DELETE && (shift & ssCtrl)) {
    key = 0;
    return;
  }
  bool vazio = !cdsCustPadr->Active() || (cdsCustPadr->IsEmpty() && cdsCustPadr->State() != DataSetState::Insert);
  if (vazio &&
      (key == VK_TAB || key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN || key == VK_INSERT)) {
    key = 0;
    return;
  }
  if (key == VK_NEXT && shift == ssAlt) {
    key = 0;
    tela.Foca(dbgCustPadrTp);
  }
}

void PagCustPadr::dbgCustPadrKeyPress(TComponent&, std::string& key) {
  if (!cdsCustPadr->Active() || (cdsCustPadr->IsEmpty() && cdsCustPadr->State() != DataSetState::Insert)) {
    key.clear();
    return;
  }
  Field& data = cdsCustPadr->FieldByName("DTREFCUSPADR");
  if (!data.IsNull() && data.AsDateTime() < MesProcessamento()) key.clear();
}

// Entering the dish types posts a pending month and locks them for a read-only month.
void PagCustPadr::dbgCustPadrTpEnter(TComponent&) {
  if (!TemAutorizacaoCusto()) return;
  if (cdsCustPadr->Active() && cdsCustPadr->State() != DataSetState::Browse) cdsCustPadr->Post();
  TravaTipoPrato = MenorDataProc() || !cdsCustPadr->Active() || cdsCustPadr->IsEmpty();
  dbgCustPadrTp->SetOption(goEditing, !TravaTipoPrato && !FilialFixa);
  if (!TravaTipoPrato) dtsCustPadrTpStateChange(*dtsCustPadrTp);
  HabilitaAutomatico(!tela.EmEdicao(*cdsCustPadrTp));
}

void PagCustPadr::dbgCustPadrTpExit(TComponent&) { Confirma_CusTp(); }

void PagCustPadr::dbgCustPadrTpColExit(TComponent&) {
  Field* campo = dbgCustPadrTp->SelectedField();
  if (campo && campo->FieldName() == "CDTIPOPRAT" && tela.EmEdicao(*cdsCustPadrTp)) Vd_TpPrato(false);
}

void PagCustPadr::dbgCustPadrTpKeyDown(TComponent&, int& key, ShiftState shift) {
  if (key == VK_DELETE && (shift & ssCtrl)) {
    key = 0;
    return;
  }
  if (!TemAutorizacaoCusto()) return;
  if (key == VK_DELETE) {
    key = 0;
    return;
  }
  if (key == VK_PRIOR && shift == ssAlt) {
    key = 0;
    if (dbgCustPadr->Enabled()) tela.Foca(dbgCustPadr);
  }
}

void PagCustPadr::dbgCustPadrTpKeyPress(TComponent&, std::string& key) {
  if (TravaTipoPrato) {
    key.clear();
    return;
  }
  Field* campo = dbgCustPadrTp->SelectedField();
  if (campo && campo->FieldName() == "CDTIPOPRAT" && cdsCustPadrTp->State() != DataSetState::Insert) key.clear();
}

void PagCustPadr::dbgCustPadrTpEditButtonClick(TComponent&) {
  Field* campo = dbgCustPadrTp->SelectedField();
  if (!campo || campo->FieldName() != "CDTIPOPRAT") return;
  qryTipoPrat->Close();
  qryTipoPrat->Open();
  if (!Pesquisa::Pesquisar(*dtsTipoPrat, tela.Msg("TIPO_PRATO"))) return;
  if (!tela.EmEdicao(*cdsCustPadrTp)) cdsCustPadrTp->Edit();
  cdsCustPadrTp->FieldByName("CDTIPOPRAT").SetAsString(tela.Campo(*qryTipoPrat, "CDTIPOPRAT"));
  cdsCustPadrTp->FieldByName("NMTIPOPRAT").SetAsString(tela.Campo(*qryTipoPrat, "NMTIPOPRAT"));
}

// The dish-type column shows the type's name, except in the cell being typed.
void PagCustPadr::dbgCustPadrTpDrawColumnCell(TComponent&, const TRect& rect, int, TColumn& column, unsigned state) {
  if (column.FieldName != "CDTIPOPRAT") return;
  if ((state & gdSelected) && (state & gdFocused) && dbgCustPadrTp->EditorMode()) return;
  TCanvas& canvas = dbgCustPadrTp->Canvas();
  canvas.FillRect(rect);
  canvas.TextRect(rect, rect.Left + 3, rect.Top + 3, Consiste::AllTrim(tela.Campo(*cdsCustPadrTp, "NMTIPOPRAT")));
}

// ---------------------------------------------------------------- command states

void PagCustPadr::dtsCustPadrStateChange(DataSource&) {
  if (!Ativa() || !TemAutorizacaoCusto() || !cdsCustPadr->Active()) return;
  DataSetState estado = cdsCustPadr->State();
  bool editando = tela.EmEdicao(*cdsCustPadr);
  bool navegando = estado == DataSetState::Browse;
  bool comLinhas = navegando && !cdsCustPadr->IsEmpty();
  if (FilialFixa) {
    SomenteConsulta(comLinhas);
    tela.panFilial->SetEnabled(false);
  } else if (!MenorDataProc()) {
    tela.HabilitaPainelFilial(!editando);
  }
  if (cdsCustPadr->IsEmpty() && !editando) tela.ChangeButtons(!FilialFixa, false, false, false, false, false);
  if (TColumn* c = dbgCustPadr->ColumnByField("STMESREFER")) {
    c->ReadOnly = estado != DataSetState::Insert;
    dbgCustPadr->ColumnsChanged();
  }
  tela.Habilita_Pagina(!editando);
  HabilitaNavegador(!editando &&
                    !(cdsCustPadrTp->Active() && (Editado(*cdsCustPadrTp) || cdsCustPadrTp->ChangeCount() > 0)));
}

void PagCustPadr::dtsCustPadrTpStateChange(DataSource&) {
  if (!Ativa() || !TemAutorizacaoCusto() || !cdsCustPadrTp->Active()) return;
  if (!dbgCustPadrTp->Focused() && !tela.pgcPadrao->Focused()) return;
  DataSetState estado = cdsCustPadrTp->State();
  bool editando = tela.EmEdicao(*cdsCustPadrTp);
  bool navegando = estado == DataSetState::Browse;
  bool pendente = cdsCustPadrTp->ChangeCount() > 0;
  bool consulta = navegando && !cdsCustPadrTp->IsEmpty() && !pendente;
  if (FilialFixa) {
    for (TMenuItem* m : {tela.mnuConfirmar, tela.mnuCancelar, tela.mnuIncluir, tela.mnuAlterar, tela.mnuExcluir})
      m->SetEnabled(false);
    tela.mnuProcurar->SetEnabled(consulta);
    tela.mnuVerificar->SetEnabled(consulta);
    HabilitaAutomatico(false);
    tela.panFilial->SetEnabled(false);
  } else {
    tela.mnuConfirmar->SetEnabled(editando || pendente);
    tela.mnuCancelar->SetEnabled(editando || pendente);
    tela.mnuIncluir->SetEnabled(navegando && cdsCustPadr->Active() && !cdsCustPadr->IsEmpty() && !pendente);
    for (TMenuItem* m : {tela.mnuAlterar, tela.mnuExcluir, tela.mnuProcurar, tela.mnuVerificar})
      m->SetEnabled(consulta);
    if (!pendente) HabilitaAutomatico(navegando);
    // Another branch or group would change the service under the pending dish types.
    tela.HabilitaPainelFilial(!editando && !pendente && !Corvane::ModuFili());
  }
  if (TColumn* c = dbgCustPadrTp->ColumnByField("CDTIPOPRAT")) {
    bool inserindo = estado == DataSetState::Insert;
    c->ButtonStyle = inserindo ? TColumnButtonStyle::cbsEllipsis : TColumnButtonStyle::cbsNone;
    c->ReadOnly = !inserindo;
    dbgCustPadrTp->ColumnsChanged();
  }
  bool livre = !editando && !pendente;
  tela.Habilita_Pagina(livre);
  dbgCustPadr->SetEnabled(livre);
  HabilitaNavegador(livre);
}

// ---------------------------------------------------------------- commands of the page

void PagCustPadr::Confirma() {
  if (!FocoNosTipos() && cdsCustPadr->Active() && tela.EmEdicao(*cdsCustPadr)) {
    cdsCustPadr->Post();
    if (!cdsCustPadr->IsEmpty()) {
      if (FilialFixa)
        tela.ChangeButtons(false, false, false, true, true, false);
      else
        tela.ChangeButtons(true, true, true, true, true, false);
    }
  } else {
    Confirma_CusTp();
  }
}

void PagCustPadr::Verifica() {
  if (!Vd_Soma()) Abort();
  ShowAviGuard avi(&tela, 6, tela.Msg("get_cdsCustPadr"));
  std::string filial = tela.CodFilial(), servico = tela.Campo(*tela.cdsServico, "CDSERVFILI");
  if (!FocoNosTipos()) {
    cdsCustPadrTp->SetFiltered(false);
    CarregaPacote(*cdsCustPadr, tela.netCadastroServ.Call("GetCustPadr", {filial, servico}), "GetCustPadr");
    BotoesCustPadr(true);
  }
  CarregaPacote(*cdsCustPadrTp, tela.netCadastroServ.Call("GetCustPadrTp", {filial, servico}), "GetCustPadrTp");
  FiltraTp();
  if (FocoNosTipos()) BotoesCustPadr(false);
}

// Without months, only include is left.
void PagCustPadr::BotoesSemMeses() {
  if (!cdsCustPadr->Active() || !cdsCustPadr->IsEmpty()) return;
  tela.mnuIncluir->SetEnabled(!FilialFixa);
  for (TMenuItem* m : {tela.mnuAlterar, tela.mnuExcluir, tela.mnuProcurar, tela.mnuVerificar}) m->SetEnabled(false);
}

bool PagCustPadr::Exclui() {
  if (!cdsCustPadr->Active()) return false;
  bool excluiu = false;
  if (!FocoNosTipos()) {
    if (cdsCustPadr->State() == DataSetState::Browse && !cdsCustPadr->IsEmpty()) {
      std::string resposta =
          tela.netCadastroServ
              .Call("GetCardadia", {tela.medCdFilial->Text(), tela.Campo(*tela.cdsServico, "CDSERVFILI"),
                                    cdsCustPadr->FieldByName("DTREFCUSPADR").Value()})
              .str();
      if (!resposta.empty()) {
        tela.Foca(dbgCustPadr);
        if (resposta == "EXISTE_CARD") tela.Erro("EXISTE_CARD");
        Consiste::MensErro(resposta, true);
      }
      if (tela.msgPadrao->ShowMsg("Excl", TMsgDlgType::mtConfirmation, mbYesNo) == mrYes) {
        bool antes = PesquisaCusto;
        PesquisaCusto = true;
        ScopeExit volta([this, antes] { PesquisaCusto = antes; });
        cdsCustPadr->Delete();
        excluiu = true;
        tela.Foca(dbgCustPadr);
      }
    }
    if (Ativa() && tela.cdsServico->Active() && !tela.cdsServico->IsEmpty()) {
      ShowAviGuard avi(&tela, 6, tela.Msg("get_cdsCustPadr"));
      CarregaPacote(
          *cdsCustPadrTp,
          tela.netCadastroServ.Call("GetCustPadrTp", {tela.CodFilial(), tela.Campo(*tela.cdsServico, "CDSERVFILI")}),
          "GetCustPadrTp");
      FiltraTp();
    }
    BotoesSemMeses();
  } else if (cdsCustPadrTp->State() == DataSetState::Browse && !cdsCustPadrTp->IsEmpty()) {
    if (tela.msgPadrao->ShowMsg("Excl", TMsgDlgType::mtConfirmation, mbYesNo) == mrYes) {
      cdsCustPadrTp->Delete();
      excluiu = true;
      tela.Foca(dbgCustPadrTp);
    }
    if (cdsCustPadrTp->IsEmpty()) BotoesSemMeses();
  }
  return excluiu;
}

void PagCustPadr::Inclui(TComponent&) {
  if (!FocoNosTipos()) {
    if (cdsCustPadr->Active() && cdsCustPadr->State() == DataSetState::Browse) {
      tela.Foca(dbgCustPadr);
      cdsCustPadr->Insert();
      dbgCustPadr->SetSelectedField(cdsCustPadr->FindField("VRCUSTPADR"));
    }
  } else if (cdsCustPadrTp->Active() && cdsCustPadrTp->State() == DataSetState::Browse) {
    cdsCustPadrTp->Insert();
    dbgCustPadrTp->SetSelectedField(cdsCustPadrTp->FindField("CDTIPOPRAT"));
  }
}

void PagCustPadr::Altera(TComponent&) {
  if (!FocoNosTipos()) {
    if (cdsCustPadr->Active() && cdsCustPadr->State() == DataSetState::Browse && !cdsCustPadr->IsEmpty()) {
      tela.Foca(dbgCustPadr);
      dbgCustPadr->SetSelectedField(cdsCustPadr->FindField("VRCUSTPADR"));
      cdsCustPadr->Edit();
    }
  } else if (cdsCustPadrTp->Active() && cdsCustPadrTp->State() == DataSetState::Browse && !cdsCustPadrTp->IsEmpty()) {
    dbgCustPadrTp->SetSelectedField(cdsCustPadrTp->FindField("VRCUSTPADRTP"));
    cdsCustPadrTp->Edit();
  }
}

void PagCustPadr::Cancela() {
  if (!FocoNosTipos()) {
    bool inclusao = cdsCustPadr->Active() && cdsCustPadr->State() == DataSetState::Insert;
    if (cdsCustPadr->Active() && tela.EmEdicao(*cdsCustPadr)) cdsCustPadr->Cancel();
    // A cancelled new month returns to the month before without a scroll: its dish types show again.
    if (inclusao) cdsCustPadrAfterScroll(*cdsCustPadr);
    tela.Avisa(Aviso::CustoCancelado);
  } else if (cdsCustPadrTp->Active()) {
    if (tela.EmEdicao(*cdsCustPadrTp)) {
      cdsCustPadrTp->Cancel();
    } else {
      cdsCustPadrTp->CancelUpdates();
      if (cdsCustPadrTp->LogChanges) cdsCustPadrTp->MergeChangeLog();
      tela.Avisa(Aviso::CustoCancelado);
    }
    dtsCustPadrTpStateChange(*dtsCustPadrTp);
  }
}

void PagCustPadr::Procura(TComponent&) {
  if (!Vd_Soma()) Abort();
  bool antes = PesquisaCusto;
  PesquisaCusto = true;
  ScopeExit volta([this, antes] { PesquisaCusto = antes; });
  if (!FocoNosTipos()) {
    if (cdsCustPadr->Active()) Procurar::Procura(*cdsCustPadr);
  } else if (cdsCustPadrTp->Active()) {
    Procurar::Procura(*cdsCustPadrTp);
  }
}

// The automatic maintenance: once the month adds up, its side screen, then the service reloaded.
void PagCustPadr::sbtAutomaticoClick(TComponent&) {
  if (!Ativa() || !PodeAutomatico() || !Vd_Soma()) return;
  tela.Foca(dbgCustPadr);
  VariantArray semParametros;
  // The screen runs the verify command itself when it closes, so the page shows the new costs.
  ChamaEntrada("CriaCAutoCPadrao", semParametros);
}

// ---------------------------------------------------------------- the page

bool PagCustPadr::Mostra(const TTabSheet* aba) const { return aba == tela.tshCustPadr; }
TTabSheet* PagCustPadr::Substituta(const std::string& tipo) const { return tipo == "F" ? tela.tshFolhaDados : nullptr; }

// The page's menu item while no month is edited.
void PagCustPadr::mnuCustPadrClick(TComponent&) {
  if (!tela.EmEdicao(*cdsCustPadr)) tela.IrParaPagina(tela.tshCustPadr, true);
}

// The months' costs must add up to the dish types' before the page, the screen or the list is
// left; a refused entry into the branch panel keeps the focus on the months, and the next exit
// from the panel does not read the list again.
bool PagCustPadr::PodeSair(Saida saida) {
  switch (saida) {
    case Saida::Pagina:
    case Saida::Tela:
      if (tela.EmEdicao(*cdsCustPadrTp)) cdsCustPadrTp->Post();
      return Vd_Soma();
    case Saida::EntraFilial:
      if (!Vd_Soma()) {
        PesquisaCusto = true;
        if (dbgCustPadr->CanFocus()) dbgCustPadr->SetFocus();
        Abort();
      }
      return true;
    case Saida::SaiFilial:
      if (!PesquisaCusto) return true;
      PesquisaCusto = false;
      return false;
  }
  return true;
}

bool PagCustPadr::Editando() const { return tela.EmEdicao(*cdsCustPadr) || cdsCustPadrTp->ChangeCount() > 0; }

void PagCustPadr::Avisa(Aviso aviso) {
  if (aviso == Aviso::TelaAtivada) CarregaAutorizacao();
  if (aviso == Aviso::ServicoTrocado) RecarregaCustPadr = true;
  if (aviso == Aviso::PaginaMudando) {
    tela.sbtAutomatico->SetEnabled(!FilialFixa && Ativa() && TemEntrada("CriaCAutoCPadrao"));
    tela.mnuCadaAuto->SetEnabled(tela.sbtAutomatico->Enabled());
  }
}
}  // namespace cad
