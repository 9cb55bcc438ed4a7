// Shifts page (tshTurnos) of TfrmCadastroServ: the shifts of a corporate service with their
// estimated diners per weekday, saved one by one as they are posted, and the two ways the shifts
// and the service's estimated totals follow each other: a shift save makes the shift sums the
// service totals (Atualiza_Comensais), a confirmed total on the diners page is spread onto the
// shifts (Atualiza_ComenTurno).
//
// Invariants:
//  - At most 4 shifts, coded "1" to "4"; a new shift takes the lowest free code; only the shift
//    with the highest code can be deleted; on leaving the page a service has no shift or 2 to 4.
//  - A shift change the server refuses is undone on screen: the grid shows what is stored.
//  - The totals never leave a category below 0: a decrease is taken from clients, then
//    employees, then donations.
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
#include "service_screen/pages/turnos.h"

namespace cad {

namespace {

constexpr int kMaxTurnos = 4;

}  // namespace

void TfrmCadastroServ::BindTurnosHandlers() {
  // The eight day fields share one rule.
  for (const char* dia : kDiasSemana)
    Handler<void(Field&)>(std::string("cdsTurnoQTCOMESTT") + dia + "Validate",
                          [this](Field& f) { QtTurnoValidate(f); });
}

// ---------------------------------------------------------------- loading

void TfrmCadastroServ::CarregaTurnos() {
  ShowAviGuard avi(this, 6, Msg("get_cdsTurno"));
  cdsTurno->DisableControls();
  ScopeExit reativa([this] { cdsTurno->EnableControls(); });
  CarregaPacote(*cdsTurno, netCadastroServ.Call("GetTurno", {CodFilial(), Campo(*cdsServico, "CDSERVFILI")}),
                "GetTurno");
  EncheArray();
}

void TfrmCadastroServ::EncheArray() {
  CodigosTurno.clear();
  if (!cdsTurno->Active()) return;
  for (int i = 0; i < cdsTurno->DisplayCount(); ++i)
    cdsTurno->ReadRow(i, [this] {
      if (cdsTurno->State() == DataSetState::Insert) return;
      if (std::optional<double> codigo = parseFloat(Campo(*cdsTurno, "CDTURNO")))
        CodigosTurno.push_back(static_cast<int>(*codigo));
    });
  std::sort(CodigosTurno.begin(), CodigosTurno.end());
}

int TfrmCadastroServ::QuantidadeTurnos() const { return cdsTurno->Active() ? cdsTurno->RecordCount() : 0; }

// Entering the page.
void TfrmCadastroServ::EntraTurnos() {
  if (FilialFixa) dbgTurno->SetReadOnly(true);
  if (RecarregaTurno) {
    CarregaTurnos();
    RecarregaTurno = false;
  }
  BotoesTurno();
}

// Another service became current while the page is active.
void TfrmCadastroServ::TurnosTrocaServico() {
  CarregaTurnos();
  RecarregaTurno = false;
  BotoesTurno();
}

// ---------------------------------------------------------------- new shift and checks

void TfrmCadastroServ::cdsTurnoBeforeInsert(DataSet&) {
  // A fifth shift is not offered; the insert is dropped without a word.
  if (QuantidadeTurnos() >= kMaxTurnos) Abort();
  // The lowest code no shift on screen holds, read from the shifts themselves (a failed save can
  // leave the code list behind them).
  std::vector<bool> usado(kMaxTurnos + 1, false);
  for (int i = 0; i < cdsTurno->DisplayCount(); ++i)
    cdsTurno->ReadRow(i, [&] {
      std::optional<double> codigo = parseFloat(Campo(*cdsTurno, "CDTURNO"));
      if (codigo && *codigo >= 1 && *codigo <= kMaxTurnos) usado[static_cast<size_t>(*codigo)] = true;
    });
  ProximoTurno = 0;
  for (int codigo = 1; codigo <= kMaxTurnos && ProximoTurno == 0; ++codigo)
    if (!usado[static_cast<size_t>(codigo)]) ProximoTurno = codigo;
  if (ProximoTurno == 0) Abort();
}

void TfrmCadastroServ::cdsTurnoAfterInsert(DataSet&) {
  cdsTurno->FieldByName("CDFILIAL").SetAsString(CodFilial());
  cdsTurno->FieldByName("CDSERVFILI").SetAsString(Campo(*cdsServico, "CDSERVFILI"));
  cdsTurno->FieldByName("CDTURNO").SetAsString(std::to_string(ProximoTurno));
}

void TfrmCadastroServ::QtTurnoValidate(Field& campo) {
  if (!campo.IsNull() && campo.AsFloat() < 0) Erro("Val_Inteiro");
}

void TfrmCadastroServ::Vd_QtTurno(Field& campo) {
  if (!EmEdicao(*cdsTurno) || campo.IsNull() || campo.AsFloat() >= 0) return;
  if (pgcPadrao->ActivePage() == tshTurnos) {
    dbgTurno->SetSelectedField(&campo);
    Foca(dbgTurno);
  }
  Erro("QTTURNO_INV");
}

void TfrmCadastroServ::cdsTurnoBeforePost(DataSet&) {
  bool inserindo = cdsTurno->State() == DataSetState::Insert;
  if (EmEdicao(*cdsTurno)) {
    Field& nome = cdsTurno->FieldByName("NMTURNO");
    if (nome.IsNull() || Consiste::EmptyString(nome.AsString())) {
      if (pgcPadrao->ActivePage() == tshTurnos) {
        dbgTurno->SetSelectedField(&nome);
        Foca(dbgTurno);
      }
      Erro("Inf_Nm_Turno");
    }
    for (const char* dia : kDiasSemana) Vd_QtTurno(cdsTurno->FieldByName(std::string("QTCOMESTT") + dia));
  }
  int depois = QuantidadeTurnos() + (inserindo ? 1 : 0);
  mnuIncluir->SetEnabled(!FilialFixa && pgcPadrao->ActivePage() == tshTurnos && depois != kMaxTurnos);
  // The first shift of a service carries the whole of every day left empty.
  if (inserindo && QuantidadeTurnos() == 0)
    for (const char* dia : kDiasSemana) {
      Field& turno = cdsTurno->FieldByName(std::string("QTCOMESTT") + dia);
      Field& total = cdsServico->FieldByName(std::string("QTCOMESTI") + dia);
      if (turno.IsNull() && !total.IsNull()) turno.SetAsFloat(total.AsFloat());
    }
  for (const char* nome : {"CDTURNO", "NMTURNO", "CDSERVFILI", "CDFILIAL"}) {
    Field& f = cdsTurno->FieldByName(nome);
    if (!f.IsNull() && f.AsString().empty()) f.Clear();
  }
}

// ---------------------------------------------------------------- save

void TfrmCadastroServ::GravaTurnos() {
  if (cdsTurno->ChangeCount() == 0) return;
  ShowAviGuard avi(this, 1, Msg("upd_cdsTurno"));
  GravaAlteracoes(netCadastroServ, *cdsTurno, "UpdTurno",
                  {.extras = {Variant(Corvane::DataProc(medCdFilial->Text()))}, .respondido = [&avi] { avi.Hide(); }});
}

void TfrmCadastroServ::cdsTurnoAfterPost(DataSet&) {
  // The code list follows the shifts on every way out, a refused service save included.
  ScopeExit codigos([this] { EncheArray(); });
  GravaTurnos();
  if (pgcPadrao->ActivePage() == tshTurnos) {
    Corvane::AtualizaLocalCache({"TURNOSERV"});
    AbreSomaTurnos();
    // The per-day posts below only stage the new totals; the last post saves them at once.
    GravaServicoTurno = false;
    {
      cdsServico->DisableControls();
      ScopeExit reativa([this] { cdsServico->EnableControls(); });
      for (int dia = 0; dia < 8; ++dia) Atualiza_Comensais(dia);
      GravaServicoTurno = true;
      ScopeExit atendido([this] { GravaServicoTurno = false; });
      EditaServico();
      cdsServico->Post();
    }
  }
  codigos.Run();
  // The codes changed after the state did: the delete command follows the new highest code.
  if (pgcPadrao->ActivePage() == tshTurnos) BotoesTurno();
}

void TfrmCadastroServ::cdsTurnoAfterDelete(DataSet& sender) { cdsTurnoAfterPost(sender); }

void TfrmCadastroServ::AbreSomaTurnos() {
  Reabre(*qrySCom, {{"P_CDFILIAL", Campo(*cdsServico, "CDFILIAL")}, {"P_CDSERVICO", Campo(*cdsServico, "CDSERVFILI")}});
}

// The shift sum of one day becomes the service's total; the difference goes to the clients,
// and a decrease beyond them to the employees, then the donations, none below 0.
void TfrmCadastroServ::Atualiza_Comensais(int dia) {
  if (qrySCom->IsEmpty()) return;
  const std::string sufixo = kDiasSemana[dia];
  Field& total = cdsServico->FieldByName("QTCOMESTI" + sufixo);
  Field& clientes = cdsServico->FieldByName("QTCLIESTI" + sufixo);
  Field& funcionarios = cdsServico->FieldByName("QTFUNESTI" + sufixo);
  Field& doacoes = cdsServico->FieldByName("QTDOAESTI" + sufixo);
  double soma = qrySCom->FieldByName(sufixo).AsFloat();
  // The difference is taken from what the categories hold (not from a stored total that may
  // disagree with them), so the day is sent with a total its categories add up to.
  double atual = clientes.AsFloat() + funcionarios.AsFloat() + doacoes.AsFloat();
  if (atual == soma && !total.IsNull() && total.AsFloat() == soma) {
    if (ServicoEmEdicao()) cdsServico->Post();
    return;
  }
  EditaServico();
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
  cdsServico->Post();
}

// A new service total of one day spread onto the shifts: an increase goes to the first shift, a
// decrease is taken from the first shift down to 0, then from the next. Each changed shift is
// posted, and so saved, on its own.
void TfrmCadastroServ::Atualiza_ComenTurno(Field& turno, Field& soma, double novo) {
  if (cdsServico->State() != DataSetState::Edit || !cdsTurno->Active() || cdsTurno->IsEmpty()) return;
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

// A service has no shift, or between 2 and 4 (checked only while the page is active).
void TfrmCadastroServ::Vd_Turno() {
  if (pgcPadrao->ActivePage() != tshTurnos || !cdsTurno->Active()) return;
  int turnos = cdsTurno->RecordCount();
  if (turnos == 1 || turnos > kMaxTurnos) {
    Foca(dbgTurno);
    Erro("LIMT_SERV");
  }
}

void TfrmCadastroServ::SaiGradeTurno() { dbgTurnoExit(*dbgTurno); }

void TfrmCadastroServ::dbgTurnoExit(TComponent&) { Vd_Turno(); }

void TfrmCadastroServ::dbgTurnoColExit(TComponent&) {
  Field* campo = dbgTurno->SelectedField();
  if (!campo || campo->FieldName() == "CDTURNO" || campo->FieldName() == "NMTURNO") return;
  Vd_QtTurno(*campo);
}

// An empty grid cannot start a row by itself; rows are deleted only through the delete command.
void TfrmCadastroServ::dbgTurnoKeyDown(TComponent&, int& key, ShiftState shift) {
  if (key == VK_DELETE && (shift & ssCtrl)) {
    key = 0;
    return;
  }
  bool vazio = !cdsTurno->Active() || (cdsTurno->IsEmpty() && cdsTurno->State() != DataSetState::Insert);
  if (vazio &&
      (key == VK_TAB || key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN || key == VK_INSERT))
    key = 0;
}

void TfrmCadastroServ::dbgTurnoKeyPress(TComponent&, std::string& key) {
  if (!cdsTurno->Active() || (cdsTurno->IsEmpty() && cdsTurno->State() != DataSetState::Insert)) key.clear();
}

// ---------------------------------------------------------------- commands

// Only the shift with the highest code can be deleted.
void TfrmCadastroServ::cdsTurnoAfterScroll(DataSet&) {
  bool maior = !CodigosTurno.empty() && cdsTurno->State() == DataSetState::Browse && !cdsTurno->IsEmpty() &&
               parseFloat(Campo(*cdsTurno, "CDTURNO")).value_or(-1) == CodigosTurno.back();
  mnuExcluir->SetEnabled(maior && !FilialFixa);
}

void TfrmCadastroServ::cdsTurnoAfterOpen(DataSet&) { EncheArray(); }

void TfrmCadastroServ::cdsTurnoAfterCancel(DataSet&) {
  if (cdsTurno->IsEmpty()) ChangeButtons(!FilialFixa, false, false, false, false, false);
}

void TfrmCadastroServ::BotoesTurno() {
  bool navegando = cdsTurno->Active() && cdsTurno->State() == DataSetState::Browse;
  bool vazio = !cdsTurno->Active() || cdsTurno->IsEmpty();
  bool editando = EmEdicao(*cdsTurno);
  bool consulta = navegando && !vazio;
  if (FilialFixa) {
    ChangeButtons(false, false, false, consulta, consulta, false);
    panFilial->SetEnabled(false);
  } else {
    ChangeButtons(navegando && QuantidadeTurnos() < kMaxTurnos, consulta, false, consulta, consulta, editando);
    cdsTurnoAfterScroll(*cdsTurno);
    HabilitaPainelFilial(!editando);
    HabilitaCopia(PodeCopiar());
  }
  if (vazio && !editando) ChangeButtons(!FilialFixa, false, false, false, false, false);
  Habilita_Pagina(!editando);
  dbnPadrao->SetEnabled(navegando);
}

void TfrmCadastroServ::dtsTurnoStateChange(DataSource&) {
  if (pgcPadrao->ActivePage() == tshTurnos) BotoesTurno();
}

void TfrmCadastroServ::ConfirmaTurno() {
  Vd_RequerRetiPrato();
  if (EmEdicao(*cdsTurno)) cdsTurno->Post();
  mnuIncluir->SetEnabled(!FilialFixa && QuantidadeTurnos() < kMaxTurnos);
}

void TfrmCadastroServ::VerificaTurno() { CarregaTurnos(); }

bool TfrmCadastroServ::ExcluiTurno() {
  if (!cdsTurno->Active() || cdsTurno->State() != DataSetState::Browse || cdsTurno->IsEmpty()) return false;
  bool excluiu = false;
  if (msgPadrao->ShowMsg("Excl", TMsgDlgType::mtConfirmation, mbYesNo) == mrYes) {
    cdsTurno->Delete();
    excluiu = true;
    Foca(dbgTurno);
  }
  if (QuantidadeTurnos() >= kMaxTurnos) {
    mnuIncluir->SetEnabled(false);
    mnuProcurar->SetEnabled(false);
  } else {
    mnuIncluir->SetEnabled(!FilialFixa);
  }
  if (QuantidadeTurnos() == 0) ChangeButtons(!FilialFixa, false, false, false, false, false);
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

void PagTurnos::Entra() { tela.EntraTurnos(); }

// A service leaves the page with no shift or 2 to 4; moving to another page shows the refusal
// and stays.
bool PagTurnos::PodeSair(Saida saida) {
  if (saida == Saida::Tela) tela.Vd_Turno();
  if (saida != Saida::Pagina) return true;
  try {
    tela.Vd_Turno();
  } catch (const EAbort&) {
    return false;
  } catch (const std::exception& e) {
    Consiste::MensErro(e.what(), false);
    return false;
  }
  return true;
}

void PagTurnos::Fecha() {
  if (!tela.EmEdicao(*tela.cdsTurno)) return;
  tela.Vd_Turno();
  tela.SaiGradeTurno();
}

void PagTurnos::SaiServico() {
  tela.Vd_Turno();
  tela.SaiGradeTurno();
}

void PagTurnos::TrocaServico() {
  if (tela.tshTurnos->Enabled()) tela.TurnosTrocaServico();
}

void PagTurnos::Inclui(TComponent&) {
  ClientDataSet* cdsTurno = tela.cdsTurno;
  if (!cdsTurno->Active() || cdsTurno->State() != DataSetState::Browse) return;
  tela.Foca(tela.dbgTurno);
  cdsTurno->Insert();
  tela.dbgTurno->SetSelectedField(cdsTurno->FindField("NMTURNO"));
}

void PagTurnos::Altera(TComponent&) {
  ClientDataSet* cdsTurno = tela.cdsTurno;
  if (!cdsTurno->Active() || cdsTurno->State() != DataSetState::Browse || cdsTurno->IsEmpty()) return;
  tela.Foca(tela.dbgTurno);
  cdsTurno->Edit();
  tela.dbgTurno->SetSelectedField(cdsTurno->FindField("NMTURNO"));
}

void PagTurnos::Confirma() { tela.ConfirmaTurno(); }

void PagTurnos::Cancela() {
  if (tela.EmEdicao(*tela.cdsTurno)) tela.cdsTurno->Cancel();
}

void PagTurnos::Verifica() { tela.VerificaTurno(); }
bool PagTurnos::Exclui() { return tela.ExcluiTurno(); }

void PagTurnos::Procura(TComponent&) {
  if (tela.cdsTurno->Active()) Procurar::Procura(*tela.cdsTurno);
}

void PagTurnos::FocoNasAbas() {
  if (tela.ServicoEmEdicao()) tela.Habilita_Faturamento();
}

bool PagTurnos::Editando() const { return tela.EmEdicao(*tela.cdsTurno); }

// The per-day posts of a shift save only stage the new totals; the post the page asked for sends
// them, under the shifts' progress text.
bool PagTurnos::GravaServico() {
  if (tela.GravaServicoTurno) {
    ScopeExit atendido([this] { tela.GravaServicoTurno = false; });
    tela.GravaServicoCache("upd_cdsTurno", false);
  }
  return false;
}

void PagTurnos::Avisa(Aviso aviso) {
  if (aviso == Aviso::ServicoTrocado) tela.RecarregaTurno = true;
}

}  // namespace cad
