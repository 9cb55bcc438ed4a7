// Shifts page (tshTurnos) of TfrmCadastroServ: the shifts of a corporate service with their
// estimated diners per weekday, saved one by one as they are posted, and the two ways the shifts
// and the service's estimated totals follow each other: a shift save makes the shift sums the
// service totals (Atualiza_Comensais), the totals the diners page confirms are spread onto the
// shifts (Aviso::ComensaisConfirmados, Atualiza_ComenTurno).
//
// Invariants:
//  - At most 4 shifts, coded "1" to "4"; a new shift takes the lowest free code; only the shift
//    with the highest code can be deleted; on leaving the page a service has no shift or 2 to 4.
//  - A shift change the server refuses is undone on screen: the grid shows what is stored.
//  - The totals never leave a category below 0: a decrease is taken from clients, then
//    employees, then donations.
#include "service_screen/pages/turnos.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <optional>
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
#include "service_screen/cadastroserv.h"
#include "service_screen/module.h"

namespace cad {

namespace {

constexpr int kMaxTurnos = 4;

}  // namespace

PagTurnos::PagTurnos(TfrmCadastroServ& t) : PaginaServ(t) {
  // The eight day fields share one rule.
  for (const char* dia : kDiasSemana)
    tela.Handler<void(Field&)>(std::string("cdsTurnoQTCOMESTT") + dia + "Validate",
                               [this](Field& f) { QtTurnoValidate(f); });
}

// ---------------------------------------------------------------- loading

void PagTurnos::CarregaTurnos() {
  ShowAviGuard avi(&tela, 6, tela.Msg("get_cdsTurno"));
  cdsTurno->DisableControls();
  ScopeExit reativa([this] { cdsTurno->EnableControls(); });
  CarregaPacote(*cdsTurno,
                tela.netCadastroServ.Call("GetTurno", {tela.CodFilial(), tela.Campo(*tela.cdsServico, "CDSERVFILI")}),
                "GetTurno");
  EncheArray();
}

void PagTurnos::EncheArray() {
  CodigosTurno.clear();
  if (!cdsTurno->Active()) return;
  for (int i = 0; i < cdsTurno->DisplayCount(); ++i)
    cdsTurno->ReadRow(i, [this] {
      if (cdsTurno->State() == DataSetState::Insert) return;
      if (std::optional<double> codigo = parseFloat(tela.Campo(*cdsTurno, "CDTURNO")))
        CodigosTurno.push_back(static_cast<int>(*codigo));
    });
  std::sort(CodigosTurno.begin(), CodigosTurno.end());
}

int PagTurnos::QuantidadeTurnos() const { return cdsTurno->Active() ? cdsTurno->RecordCount() : 0; }

// ---------------------------------------------------------------- new shift and checks

void PagTurnos::cdsTurnoBeforeInsert(DataSet&) {
  // A fifth shift is not offered; the insert is dropped without a word.
  if (QuantidadeTurnos() >= kMaxTurnos) Abort();
  // The lowest code no shift on screen holds, read from the shifts themselves (a failed save can
  // leave the code list behind them).
  std::vector<bool> usado(kMaxTurnos + 1, false);
  for (int i = 0; i < cdsTurno->DisplayCount(); ++i)
    cdsTurno->ReadRow(i, [&] {
      std::optional<double> codigo = parseFloat(tela.Campo(*cdsTurno, "CDTURNO"));
      if (codigo && *codigo >= 1 && *codigo <= kMaxTurnos) usado[static_cast<size_t>(*codigo)] = true;
    });
  ProximoTurno = 0;
  for (int codigo = 1; codigo <= kMaxTurnos && ProximoTurno == 0; ++codigo)
    if (!usado[static_cast<size_t>(codigo)]) ProximoTurno = codigo;
  if (ProximoTurno == 0) Abort();
}

void PagTurnos::cdsTurnoAfterInsert(DataSet&) {
  cdsTurno->FieldByName("CDFILIAL").SetAsString(tela.CodFilial());
  cdsTurno->FieldByName("CDSERVFILI").SetAsString(tela.Campo(*tela.cdsServico, "CDSERVFILI"));
  cdsTurno->FieldByName("CDTURNO").SetAsString(std::to_string(ProximoTurno));
}

void PagTurnos::QtTurnoValidate(Field& campo) {
  if (!campo.IsNull() && campo.AsFloat() < 0) tela.Erro("Val_Inteiro");
}

void PagTurnos::Vd_QtTurno(Field& campo) {
  if (!tela.EmEdicao(*cdsTurno) || campo.IsNull() || campo.AsFloat() >= 0) return;
  if (Ativa()) {
    dbgTurno->SetSelectedField(&campo);
    tela.Foca(dbgTurno);
  }
  tela.Erro("QTTURNO_INV");
}

void PagTurnos::cdsTurnoBeforePost(DataSet&) {
  bool inserindo = cdsTurno->State() == DataSetState::Insert;
  if (tela.EmEdicao(*cdsTurno)) {
    Field& nome = cdsTurno->FieldByName("NMTURNO");
    if (nome.IsNull() || Consiste::EmptyString(nome.AsString())) {
      if (Ativa()) {
        dbgTurno->SetSelectedField(&nome);
        tela.Foca(dbgTurno);
      }
      tela.Erro("Inf_Nm_Turno");
    }
    for (const char* dia : kDiasSemana) Vd_QtTurno(cdsTurno->FieldByName(std::string("QTCOMESTT") + dia));
  }
  int depois = QuantidadeTurnos() + (inserindo ? 1 : 0);
  tela.mnuIncluir->SetEnabled(!FilialFixa && Ativa() && depois != kMaxTurnos);
  // The first shift of a service carries the whole of every day left empty.
  if (inserindo && QuantidadeTurnos() == 0)
    for (const char* dia : kDiasSemana) {
      Field& turno = cdsTurno->FieldByName(std::string("QTCOMESTT") + dia);
      Field& total = tela.cdsServico->FieldByName(std::string("QTCOMESTI") + dia);
      if (turno.IsNull() && !total.IsNull()) turno.SetAsFloat(total.AsFloat());
    }
  for (const char* nome : {"CDTURNO", "NMTURNO", "CDSERVFILI", "CDFILIAL"}) {
    Field& f = cdsTurno->FieldByName(nome);
    if (!f.IsNull() && f.AsString().empty()) f.Clear();
  }
}

// ---------------------------------------------------------------- save

void PagTurnos::GravaTurnos() {
  if (cdsTurno->ChangeCount() == 0) return;
  ShowAviGuard avi(&tela, 1, tela.Msg("upd_cdsTurno"));
  GravaAlteracoes(
      tela.netCadastroServ, *cdsTurno, "UpdTurno",
      {.extras = {Variant(Corvane::DataProc(tela.medCdFilial->Text()))}, .respondido = [&avi] { avi.Hide(); }});
}

void PagTurnos::cdsTurnoAfterPost(DataSet&) {
  // The code list follows the shifts on every way out, a refused service save included.
  ScopeExit codigos([this] { EncheArray(); });
  GravaTurnos();
  if (Ativa()) {
    Corvane::AtualizaLocalCache({"TURNOSERV"});
    AbreSomaTurnos();
    // The per-day posts below only stage the new totals; the last post saves them at once.
    GravaServicoTurno = false;
    {
      ClientDataSet* servico = tela.cdsServico;
      servico->DisableControls();
      ScopeExit reativa([servico] { servico->EnableControls(); });
      for (int dia = 0; dia < 8; ++dia) Atualiza_Comensais(dia);
      GravaServicoTurno = true;
      ScopeExit atendido([this] { GravaServicoTurno = false; });
      tela.EditaServico();
      servico->Post();
    }
  }
  codigos.Run();
  // The codes changed after the state did: the delete command follows the new highest code.
  if (Ativa()) BotoesTurno();
}

void PagTurnos::cdsTurnoAfterDelete(DataSet& sender) { cdsTurnoAfterPost(sender); }

void PagTurnos::AbreSomaTurnos() {
  Reabre(*qrySCom, {{"P_CDFILIAL", tela.Campo(*tela.cdsServico, "CDFILIAL")},
                    {"P_CDSERVICO", tela.Campo(*tela.cdsServico, "CDSERVFILI")}});
}

// The shift sum of one day becomes the service's total; the difference goes to the clients,
// and a decrease beyond them to the employees, then the donations, none below 0.
void PagTurnos::Atualiza_Comensais(int dia) {
  if (qrySCom->IsEmpty()) return;
  ClientDataSet* servico = tela.cdsServico;
  const std::string sufixo = kDiasSemana[dia];
  Field& total = servico->FieldByName("QTCOMESTI" + sufixo);
  Field& clientes = servico->FieldByName("QTCLIESTI" + sufixo);
  Field& funcionarios = servico->FieldByName("QTFUNESTI" + sufixo);
  Field& doacoes = servico->FieldByName("QTDOAESTI" + sufixo);
  double soma = qrySCom->FieldByName(sufixo).AsFloat();
  // The difference is taken from what the categories hold (not from a stored total that may
  // disagree with them), so the day is sent with a total its categories add up to.
  double atual = clientes.AsFloat() + funcionarios.AsFloat() + doacoes.AsFloat();
  if (atual == soma && !total.IsNull() && total.AsFloat() == soma) {
    if (tela.ServicoEmEdicao()) servico->Post();
    return;
  }
  tela.EditaServico();
  double c = clientes.AsFloat() + (soma - atual);
  if (c >= 0) {
    clientes.SetAsFloat(c);
  } else {
    clientes.SetAsFloat(0);
    double f = funcionarios.AsFloat() + c;
    if (f >= 0) {
      funcionarios.SetAsFloat(f);
    } else {
      funcionarios.SetAsFloat(0);
      double d = doacoes.AsFloat() + f;
      doacoes.SetAsFloat(d >= 0 ? d : 0);
    }
  }
  total.SetAsFloat(soma);
  servico->Post();
}

// The shifts as stored, then each day's new total spread onto them; a failure leaves them as
// stored. The answer's clients and delivery points are the points page's, which reads its lists
// on every entry.
void PagTurnos::SegueTotais(const std::array<std::optional<double>, 8>& totais) {
  try {
    VariantArray resposta = ChamaPartes(tela.netCadastroServ, "GetTurnoPontEntr",
                                        {tela.CodFilial(), tela.Campo(*tela.cdsServico, "CDSERVFILI")}, 2);
    // The first part is the points page's [clients, delivery points].
    if (!resposta[0].isArray() || resposta[0].asArray().size() < 2) throw RespostaInesperada("GetTurnoPontEntr");
    CarregaPacote(*cdsTurno, resposta[1], "GetTurnoPontEntr");
    EncheArray();
    AbreSomaTurnos();
    for (int d = 0; d < 8; ++d)
      if (totais[static_cast<size_t>(d)])
        Atualiza_ComenTurno(cdsTurno->FieldByName(std::string("QTCOMESTT") + kDiasSemana[d]),
                            qrySCom->FieldByName(kDiasSemana[d]), *totais[static_cast<size_t>(d)]);
  } catch (...) {
    if (cdsTurno->Active() && cdsTurno->ChangeCount() > 0) cdsTurno->CancelUpdates();
    throw;
  }
}

// A new service total of one day spread onto the shifts: an increase goes to the first shift, a
// decrease is taken from the first shift down to 0, then from the next. Each changed shift is
// posted, and so saved, on its own.
void PagTurnos::Atualiza_ComenTurno(Field& turno, Field& soma, double novo) {
  if (tela.cdsServico->State() != DataSetState::Edit || !cdsTurno->Active() || cdsTurno->IsEmpty()) return;
  cdsTurno->DisableControls();
  ScopeExit reativa([this] { cdsTurno->EnableControls(); });
  auto grava = [this, &turno](double valor) {
    if (!turno.IsNull() && turno.AsFloat() == valor) return;
    cdsTurno->Edit();
    turno.SetAsFloat(valor);
    cdsTurno->Post();
  };
  cdsTurno->First();
  if (novo == 0) {
    for (; !cdsTurno->Eof(); cdsTurno->Next()) grava(0);
    return;
  }
  // The current sum is cut to a whole number before the difference is taken.
  double resto = novo - std::trunc(soma.AsFloat());
  for (; !cdsTurno->Eof(); cdsTurno->Next()) {
    double v = turno.AsFloat() + resto;
    if (v < 0) {
      grava(0);
      resto = v;
    } else {
      grava(v);
      break;
    }
  }
}

// ---------------------------------------------------------------- the shift-count rule

void PagTurnos::Vd_Turno() {
  if (!Ativa() || !cdsTurno->Active()) return;
  int turnos = cdsTurno->RecordCount();
  if (turnos == 1 || turnos > kMaxTurnos) {
    tela.Foca(dbgTurno);
    tela.Erro("LIMT_SERV");
  }
}

void PagTurnos::dbgTurnoExit(TComponent&) { Vd_Turno(); }

void PagTurnos::dbgTurnoColExit(TComponent&) {
  Field* campo = dbgTurno->SelectedField();
  if (!campo || campo->FieldName() == "CDTURNO" || campo->FieldName() == "NMTURNO") return;
  Vd_QtTurno(*campo);
}

// An empty grid cannot start a row by itself; rows are deleted only through the delete command.
void PagTurnos::dbgTurnoKeyDown(TComponent&, int& key, ShiftState shift) {
  if (key == VK_DELETE && (shift & ssCtrl)) {
    key = 0;
    return;
  }
  bool vazio = !cdsTurno->Active() || (cdsTurno->IsEmpty() && cdsTurno->State() != DataSetState::Insert);
  if (vazio &&
      (key == VK_TAB || key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN || key == VK_INSERT))
    key = 0;
}

void PagTurnos::dbgTurnoKeyPress(TComponent&, std::string& key) {
  if (!cdsTurno->Active() || (cdsTurno->IsEmpty() && cdsTurno->State() != DataSetState::Insert)) key.clear();
}

// ---------------------------------------------------------------- commands

// Only the shift with the highest code can be deleted.
void PagTurnos::cdsTurnoAfterScroll(DataSet&) {
  bool maior = !CodigosTurno.empty() && cdsTurno->State() == DataSetState::Browse && !cdsTurno->IsEmpty() &&
               parseFloat(tela.Campo(*cdsTurno, "CDTURNO")).value_or(-1) == CodigosTurno.back();
  tela.mnuExcluir->SetEnabled(maior && !FilialFixa);
}

void PagTurnos::cdsTurnoAfterOpen(DataSet&) { EncheArray(); }

void PagTurnos::cdsTurnoAfterCancel(DataSet&) {
  if (cdsTurno->IsEmpty()) tela.ChangeButtons(!FilialFixa, false, false, false, false, false);
}

void PagTurnos::BotoesTurno() {
  bool navegando = cdsTurno->Active() && cdsTurno->State() == DataSetState::Browse;
  bool vazio = !cdsTurno->Active() || cdsTurno->IsEmpty();
  bool editando = tela.EmEdicao(*cdsTurno);
  bool consulta = navegando && !vazio;
  if (FilialFixa) {
    tela.ChangeButtons(false, false, false, consulta, consulta, false);
    tela.panFilial->SetEnabled(false);
  } else {
    tela.ChangeButtons(navegando && QuantidadeTurnos() < kMaxTurnos, consulta, false, consulta, consulta, editando);
    cdsTurnoAfterScroll(*cdsTurno);
    tela.HabilitaPainelFilial(!editando);
    tela.HabilitaCopia(tela.PodeCopiar());
  }
  if (vazio && !editando) tela.ChangeButtons(!FilialFixa, false, false, false, false, false);
  tela.Habilita_Pagina(!editando);
  tela.dbnPadrao->SetEnabled(navegando);
}

void PagTurnos::dtsTurnoStateChange(DataSource&) {
  if (Ativa()) BotoesTurno();
}

bool PagTurnos::Exclui() {
  if (!cdsTurno->Active() || cdsTurno->State() != DataSetState::Browse || cdsTurno->IsEmpty()) return false;
  bool excluiu = false;
  if (tela.msgPadrao->ShowMsg("Excl", TMsgDlgType::mtConfirmation, mbYesNo) == mrYes) {
    cdsTurno->Delete();
    excluiu = true;
    tela.Foca(dbgTurno);
  }
  if (QuantidadeTurnos() >= kMaxTurnos) {
    tela.mnuIncluir->SetEnabled(false);
    tela.mnuProcurar->SetEnabled(false);
  } else {
    tela.mnuIncluir->SetEnabled(!FilialFixa);
  }
  if (QuantidadeTurnos() == 0) tela.ChangeButtons(!FilialFixa, false, false, false, false, false);
  return excluiu;
}

// ---------------------------------------------------------------- the page

bool PagTurnos::Mostra(const TTabSheet* aba) const { return aba == tela.tshTurnos; }
// Shifts belong to a corporate service.
bool PagTurnos::Serve(const std::string& tipo) const { return tipo == "N"; }

TTabSheet* PagTurnos::Substituta(const std::string& tipo) const {
  if (tipo == "F") return tela.tshFolhaDados;
  if (tipo == "D" || tipo == "A") return tela.tshCustPadr;
  return nullptr;
}

void PagTurnos::Entra() {
  if (FilialFixa) dbgTurno->SetReadOnly(true);
  if (RecarregaTurno) {
    CarregaTurnos();
    RecarregaTurno = false;
  }
  BotoesTurno();
}

// A service leaves the page with no shift or 2 to 4; moving to another page shows the refusal
// and stays.
bool PagTurnos::PodeSair(Saida saida) {
  if (saida == Saida::Tela) Vd_Turno();
  if (saida != Saida::Pagina) return true;
  try {
    Vd_Turno();
  } catch (const EAbort&) {
    return false;
  } catch (const std::exception& e) {
    Consiste::MensErro(e.what(), false);
    return false;
  }
  return true;
}

void PagTurnos::Fecha() {
  if (!tela.EmEdicao(*cdsTurno)) return;
  Vd_Turno();
  dbgTurnoExit(*dbgTurno);
}

void PagTurnos::SaiServico() {
  Vd_Turno();
  dbgTurnoExit(*dbgTurno);
}

// Another service became current while the page is active.
void PagTurnos::TrocaServico() {
  if (!tela.tshTurnos->Enabled()) return;
  CarregaTurnos();
  RecarregaTurno = false;
  BotoesTurno();
}

void PagTurnos::Inclui(TComponent&) {
  if (!cdsTurno->Active() || cdsTurno->State() != DataSetState::Browse) return;
  tela.Foca(dbgTurno);
  cdsTurno->Insert();
  dbgTurno->SetSelectedField(cdsTurno->FindField("NMTURNO"));
}

void PagTurnos::Altera(TComponent&) {
  if (!cdsTurno->Active() || cdsTurno->State() != DataSetState::Browse || cdsTurno->IsEmpty()) return;
  tela.Foca(dbgTurno);
  cdsTurno->Edit();
  dbgTurno->SetSelectedField(cdsTurno->FindField("NMTURNO"));
}

void PagTurnos::Confirma() {
  tela.Vd_RequerRetiPrato();
  if (tela.EmEdicao(*cdsTurno)) cdsTurno->Post();
  tela.mnuIncluir->SetEnabled(!FilialFixa && QuantidadeTurnos() < kMaxTurnos);
}

void PagTurnos::Cancela() {
  if (tela.EmEdicao(*cdsTurno)) cdsTurno->Cancel();
}

void PagTurnos::Verifica() { CarregaTurnos(); }

void PagTurnos::Procura(TComponent&) {
  if (cdsTurno->Active()) Procurar::Procura(*cdsTurno);
}

void PagTurnos::FocoNasAbas() {
  if (tela.ServicoEmEdicao()) tela.Habilita_Faturamento();
}

bool PagTurnos::Editando() const { return tela.EmEdicao(*cdsTurno); }

// The per-day posts of a shift save only stage the new totals; the post the page asked for sends
// them, under the shifts' progress text.
bool PagTurnos::GravaServico() {
  if (GravaServicoTurno) {
    ScopeExit atendido([this] { GravaServicoTurno = false; });
    tela.GravaServicoCache("upd_cdsTurno", false);
  }
  return false;
}

void PagTurnos::Avisa(Aviso aviso) {
  if (aviso == Aviso::ServicoTrocado) RecarregaTurno = true;
  // The totals the diners page confirmed reach the shifts, active page or not.
  if (aviso == Aviso::ComensaisConfirmados) SegueTotais(tela.TotaisComensais);
}

}  // namespace cad
