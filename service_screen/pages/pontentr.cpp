// Clients and delivery points page (tshPontEntr, PagPontEntr): the clients a corporate
// service delivers to (dbgCliente over cdsCliente) and, below, the delivery points of the client
// under the cursor (dbgPontEntr over cdsPEntClie, filtered to that client) with their diners per
// weekday and holiday.
//
// Invariants:
//  - Both lists are loaded together (GetPontEntr) on every entry and whenever a client is left
//    without delivery points, so a client never stays on screen that the server does not hold.
//  - A client row is never sent: it is posted locally, however its row is left, and its first
//    delivery point starts at once; the server learns of it through the point rows, which carry
//    its CDCLIENTE.
//  - The points shown are the current client's: a point being typed is posted or refused before
//    the cursor leaves its client.
//  - Every post or deletion of a delivery point is sent at once (UpdPontoEntr); a refusal cancels
//    the change log, so the grid shows what is stored.
//  - Registration numbers are stored as digits with their person type and shown formatted.
#include <functional>
#include <string>

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/core/scope.h"
#include "platform/framework/consiste.h"
#include "platform/framework/lookups.h"
#include "platform/framework/remoto.h"
#include "platform/framework/showavi.h"
#include "service_screen/cadastroserv.h"
#include "service_screen/module.h"
#include "service_screen/pages/pontentr.h"

namespace cad {

namespace {

// The per-day diners of a delivery point, Monday to holiday (QTCOESTCS + kDiasSemana).
std::string CampoDia(int dia) { return std::string("QTCOESTCS") + kDiasSemana[dia]; }

// A registration number formatted for its person type; "" for an empty one.
std::string InscricaoFormatada(const DataSet& ds, const std::string& numero) {
  if (numero.empty()) return {};
  const Field* tipo = ds.FindField("IDTPIJURCLIE");
  std::string mascara = Consiste::PictPess(tipo ? tipo->AsString() : std::string());
  return mascara.empty() ? numero : EditMask(mascara).apply(numero);
}

// The lookup button of a grid's key column, shown only while its dataset inserts a row.
void BotaoPesquisa(TDBGrid& grade, const char* campo, const DataSet& ds) {
  TColumn* col = grade.ColumnByField(campo);
  if (!col) return;
  TColumnButtonStyle estilo =
      ds.State() == DataSetState::Insert ? TColumnButtonStyle::cbsEllipsis : TColumnButtonStyle::cbsNone;
  if (col->ButtonStyle == estilo) return;
  col->ButtonStyle = estilo;
  grade.ColumnsChanged();
}

}  // namespace

// ---------------------------------------------------------------- loading and filter

void PagPontEntr::CarregaPontEntr() {
  ShowAviGuard avi(&tela, 6, tela.Msg("getPontEntr"));
  VariantArray resposta = ChamaPartes(tela.netCadastroServ, "GetPontEntr",
                                      {tela.CodFilial(), tela.Campo(*tela.cdsServico, "CDSERVFILI")}, 2, &avi);
  // The state handler of the points stays quiet while both lists are replaced.
  Suspend<std::function<void(DataSource&)>> estado(dtsPEntClie->OnStateChange);
  CarregaPacote(*cdsCliente, resposta[0], "GetPontEntr");
  CarregaPacote(*cdsPEntClie, resposta[1], "GetPontEntr");
  FiltraPontEntr();
}

void PagPontEntr::FiltraPontEntr() {
  if (!cdsCliente->Active() || (cdsCliente->IsEmpty() && cdsCliente->State() != DataSetState::Insert)) {
    cdsPEntClie->Close();
    return;
  }
  // A point being typed keeps its row; the filter follows once it is posted or cancelled.
  if (!cdsPEntClie->Active() || tela.EmEdicao(*cdsPEntClie)) return;
  std::string cliente = tela.Campo(*cdsCliente, "CDCLIENTE");
  // Codes come from the server as digits; a quote would end the filter's literal.
  std::string literal;
  for (char c : cliente)
    if (c != '\'') literal += c;
  cdsPEntClie->SetFilter("CDCLIENTE = '" + literal + "'");
  cdsPEntClie->SetFiltered(true);
}

void PagPontEntr::cdsClienteAfterScroll(DataSet&) {
  if (!Ativa()) return;
  Suspend<std::function<void(DataSource&)>> estado(dtsPEntClie->OnStateChange);
  FiltraPontEntr();
}

// A point being typed belongs to the client under the cursor: before the cursor leaves that client
// (another row, a new client) the point is posted, and so saved, or its refusal stops the move. A
// new row nothing was typed into waits, with the focus on it, for its code or a cancel.
void PagPontEntr::TerminaPontoAntesDoCliente() {
  if (!cdsPEntClie->Active() || !tela.EmEdicao(*cdsPEntClie)) return;
  if (cdsPEntClie->State() == DataSetState::Insert && !cdsPEntClie->Modified()) {
    if (Ativa()) {
      tela.Foca(dbgPontEntr);
      dbgPontEntr->SetSelectedField(cdsPEntClie->FindField("CDDESTFILI"));
    }
    Abort();
  }
  cdsPEntClie->Post();
}

void PagPontEntr::cdsClienteBeforeScroll(DataSet&) { TerminaPontoAntesDoCliente(); }

// A cancelled new client gives the cursor back to the previous one, whose points are shown again.
void PagPontEntr::cdsClienteAfterCancel(DataSet&) {
  if (!Ativa()) return;
  {
    Suspend<std::function<void(DataSource&)>> estado(dtsPEntClie->OnStateChange);
    FiltraPontEntr();
  }
  BotoesPontEntr();
}

// ---------------------------------------------------------------- page entry and leaving

void PagPontEntr::Entra() {
  dbgCliente->SetReadOnly(FilialFixa);
  dbgPontEntr->SetReadOnly(FilialFixa);
  CarregaPontEntr();
  BotaoPesquisa(*dbgCliente, "NRINSJURCLIE", *cdsCliente);
  BotaoPesquisa(*dbgPontEntr, "CDDESTFILI", *cdsPEntClie);
  bool temClientes = cdsCliente->Active() && !cdsCliente->IsEmpty();
  if (!temClientes) {
    tela.ChangeButtons(!FilialFixa, false, false, false, false, false);
    if (FilialFixa) tela.panFilial->SetEnabled(false);
  } else if (FilialFixa) {
    tela.ChangeButtons(false, false, false, true, true, false);
    tela.panFilial->SetEnabled(false);
  } else {
    tela.ChangeButtons(true, !dbgCliente->Focused(), true, true, true, false);
  }
}

// Another service became current while the page is active: its lists, with the page's commands.
void PagPontEntr::TrocaServico() {
  if (!tela.tshPontEntr->Enabled()) return;
  {
    HourGlass ampulheta;
    CarregaPontEntr();
  }
  BotoesPontEntr();
}

// Leaving the page: when delivery-point diners changed, the operator may make the eight day sums
// of all the service's points its client estimates (and so its totals).
void PagPontEntr::SaiPontEntr() {
  if (!cdsPEntClie->Active() || tela.EmEdicao(*cdsPEntClie)) return;
  double somas[8] = {};
  int linhas = 0;
  {
    cdsPEntClie->DisableControls();
    ScopeExit reativa([this] { cdsPEntClie->EnableControls(); });
    Suspend<std::function<void(DataSource&)>> estado(dtsPEntClie->OnStateChange);
    cdsPEntClie->SetFiltered(false);
    ScopeExit refiltra([this] { FiltraPontEntr(); });
    linhas = cdsPEntClie->DisplayCount();
    for (int i = 0; i < linhas; ++i)
      cdsPEntClie->ReadRow(i, [&] {
        for (int dia = 0; dia < 8; ++dia) somas[dia] += cdsPEntClie->FieldByName(CampoDia(dia)).AsFloat();
      });
  }
  bool alterou = AlterouPEntr;
  AlterouPEntr = false;
  if (linhas == 0 || !alterou) return;
  if (tela.msgPadrao->ShowMsg("Atualiza_com_cli", TMsgDlgType::mtConfirmation, mbYesNo) != mrYes) return;
  try {
    // The client figures and the day totals that follow them go to the server in one save.
    tela.EditaServico();
    for (int dia = 0; dia < 8; ++dia) {
      const std::string sufixo = kDiasSemana[dia];
      tela.cdsServico->FieldByName("QTCLIESTI" + sufixo).SetAsFloat(somas[dia]);
      tela.cdsServico->FieldByName("QTCOMESTI" + sufixo)
          .SetAsFloat(somas[dia] + tela.cdsServico->FieldByName("QTFUNESTI" + sufixo).AsFloat() +
                      tela.cdsServico->FieldByName("QTDOAESTI" + sufixo).AsFloat());
    }
    tela.cdsServico->Post();
  } catch (...) {
    // What was not saved does not stay on screen.
    if (tela.ServicoEmEdicao()) tela.cdsServico->Cancel();
    if (tela.cdsServico->ChangeCount() > 0) tela.cdsServico->CancelUpdates();
    throw;
  }
}

// ---------------------------------------------------------------- registration numbers

void PagPontEntr::cdsClienteNRINSJURCLIEGetText(Field& sender, std::string& text, bool displayText) {
  text = displayText ? InscricaoFormatada(*cdsCliente, sender.AsString()) : sender.AsString();
}

void PagPontEntr::cdsPesqClieNRINSJURCLIEGetText(Field& sender, std::string& text, bool displayText) {
  text = displayText ? InscricaoFormatada(*cdsPesqClie, sender.AsString()) : sender.AsString();
}

// The point column shows the point's name; its editor shows the code.
void PagPontEntr::cdsPEntClieCDDESTFILIGetText(Field& sender, std::string& text, bool displayText) {
  text = sender.AsString();
  if (!displayText || text.empty()) return;
  std::string nome = tela.Campo(*cdsPEntClie, "NMDESTFILI");
  if (!nome.empty()) text = nome;
}

// ---------------------------------------------------------------- new client

void PagPontEntr::cdsClienteBeforeInsert(DataSet&) {
  TerminaPontoAntesDoCliente();
  dbgCliente->SetSelectedField(cdsCliente->FindField("NRINSJURCLIE"));
  if (!cdsPEntClie->Active()) cdsPEntClie->CreateDataSet();
  FiltraPontEntr();
}

void PagPontEntr::cdsClienteNewRecord(DataSet&) {
  cdsCliente->FieldByName("CDFILIAL").SetAsString(tela.CodFilial());
  cdsCliente->FieldByName("CDSERVFILI").SetAsString(tela.Campo(*tela.cdsServico, "CDSERVFILI"));
}

// A client is replaced by deleting its points and entering it again, never edited.
void PagPontEntr::cdsClienteBeforeEdit(DataSet&) { Abort(); }

void PagPontEntr::Vd_Cliente(bool obrigatorio) {
  if (!cdsCliente->Active() || cdsCliente->State() != DataSetState::Insert) return;
  Field& numero = cdsCliente->FieldByName("NRINSJURCLIE");
  std::string digitado = Consiste::AllTrim(numero.AsString());
  auto focaNumero = [this, &numero] {
    if (!Ativa()) return;
    tela.Foca(dbgCliente);
    dbgCliente->SetSelectedField(&numero);
  };
  if (digitado.empty()) {
    if (obrigatorio) {
      focaNumero();
      tela.Erro("Clie_Inf");
    }
    return;
  }
  try {
    std::string tipo;
    std::string normalizado = Consiste::Ajusta_Inscricao(digitado, tipo);
    numero.SetAsString(normalizado);
    cdsCliente->FieldByName("IDTPIJURCLIE").SetAsString(tipo);
    FiltraPontEntr();
    HourGlass ampulheta;
    Variant cliente = Consiste::CheckResultServ(
        tela.netCadastroServ.Call("GetVerifClie", {tela.CodFilial(), tela.Campo(*tela.cdsServico, "CDSERVFILI"),
                                                   normalizado, tela.Campo(*cdsCliente, "CDCLIENTE")}),
        false);
    CarregaPacote(*cdsPesqClie, cliente, "GetVerifClie");
    if (cdsPesqClie->IsEmpty()) throw Exception("Clie_NCad");
    for (const char* campo : {"CDCLIENTE", "NRINSJURCLIE", "NMRAZSOCCLIE", "NMFANTCLIE"})
      cdsCliente->FieldByName(campo).SetAsString(tela.Campo(*cdsPesqClie, campo));
    cdsPesqClie->Close();
  } catch (const EAbort&) {
    cdsPesqClie->Close();
    focaNumero();
    throw;
  } catch (const std::exception& e) {
    cdsPesqClie->Close();
    focaNumero();
    std::string texto = e.what();
    if (tela.msgPadrao->Contains(texto)) tela.Erro(texto);
    throw;
  }
}

// The client lookup, only while a client is being inserted.
void PagPontEntr::dbgClienteEditButtonClick(TComponent&) {
  if (cdsCliente->State() != DataSetState::Insert) return;
  Field* campo = dbgCliente->SelectedField();
  if (!campo || campo->FieldName() != "NRINSJURCLIE") return;
  if (!cdsPesqClie->Active() || cdsPesqClie->IsEmpty()) {
    HourGlass ampulheta;
    CarregaPacote(*cdsPesqClie, Consiste::CheckResultServ(tela.netCadastroServ.Call("GetPesqClie", {"T"})),
                  "GetPesqClie");
  }
  if (!Pesquisa::Pesquisar(*dtsPesqClie, tela.Msg("Cliente"))) return;
  for (const char* nome : {"CDCLIENTE", "NRINSJURCLIE", "NMRAZSOCCLIE", "IDTPIJURCLIE", "NMFANTCLIE"})
    cdsCliente->FieldByName(nome).SetAsString(tela.Campo(*cdsPesqClie, nome));
}

void PagPontEntr::dbgClienteColExit(TComponent&) {
  Field* campo = dbgCliente->SelectedField();
  if (campo && campo->FieldName() == "NRINSJURCLIE") Vd_Cliente(false);
}

// ---------------------------------------------------------------- new delivery point

void PagPontEntr::cdsPEntClieBeforeInsert(DataSet&) {
  dbgPontEntr->SetSelectedField(cdsPEntClie->FindField("CDDESTFILI"));
}

void PagPontEntr::cdsPEntClieNewRecord(DataSet&) {
  cdsPEntClie->FieldByName("CDFILIAL").SetAsString(tela.CodFilial());
  cdsPEntClie->FieldByName("CDSERVFILI").SetAsString(tela.Campo(*tela.cdsServico, "CDSERVFILI"));
  cdsPEntClie->FieldByName("CDCLIENTE").SetAsString(tela.Campo(*cdsCliente, "CDCLIENTE"));
}

void PagPontEntr::Vd_PontEntr(bool obrigatorio) {
  if (!cdsPEntClie->Active() || cdsPEntClie->State() != DataSetState::Insert) return;
  Field& codigo = cdsPEntClie->FieldByName("CDDESTFILI");
  std::string ajustado = Consiste::Ajusta(codigo.AsString(), 3);
  if (ajustado != codigo.AsString()) codigo.SetAsString(ajustado);
  if (ajustado.empty()) {
    if (obrigatorio) {
      if (Ativa()) {
        tela.Foca(dbgPontEntr);
        dbgPontEntr->SetSelectedField(&codigo);
      }
      tela.Erro("PontEntr_Inf");
    }
    return;
  }
  try {
    HourGlass ampulheta;
    Variant ponto = Consiste::CheckResultServ(
        tela.netCadastroServ.Call("GetVerifPontEntr", {tela.CodFilial(), tela.Campo(*tela.cdsServico, "CDSERVFILI"),
                                                       tela.Campo(*cdsPEntClie, "CDCLIENTE"), ajustado}),
        false);
    CarregaPacote(*cdsPontoEntr, ponto, "GetVerifPontEntr");
    if (cdsPontoEntr->IsEmpty()) throw Exception("PontEntr_NCad");
    codigo.SetAsString(tela.Campo(*cdsPontoEntr, "CDDESTFILI"));
    cdsPEntClie->FieldByName("NMDESTFILI").SetAsString(tela.Campo(*cdsPontoEntr, "NMDESTFILI"));
  } catch (const EAbort&) {
    throw;
  } catch (const std::exception& e) {
    if (!cdsPEntClie->IsEmpty() && Ativa()) {
      tela.Foca(dbgPontEntr);
      dbgPontEntr->SetSelectedField(&codigo);
    }
    std::string texto = e.what();
    if (tela.msgPadrao->Contains(texto)) tela.Erro(texto);
    throw;
  }
}

void PagPontEntr::dbgPontEntrColExit(TComponent&) {
  Field* campo = dbgPontEntr->SelectedField();
  if (campo && campo->FieldName() == "CDDESTFILI") Vd_PontEntr(false);
}

// The multi-select of the branch's points: the row being inserted takes the first, a new row
// each further one; all of them are saved in one change set.
void PagPontEntr::dbgPontEntrEditButtonClick(TComponent&) {
  if (cdsPEntClie->State() != DataSetState::Insert) return;
  Field* campo = dbgPontEntr->SelectedField();
  if (!campo || campo->FieldName() != "CDDESTFILI") return;
  CarregaPacote(*cdsPontoEntr,
                Consiste::CheckResultServ(tela.netCadastroServ.Call("GetPesqPontoEntr", {tela.CodFilial()})),
                "GetPesqPontoEntr");
  std::string selecao;
  if (!Pesqlista::PesquisaLista(*dtsPontEntr, "CDDESTFILI", tela.Msg("PontEntr") + "|" + tela.Msg("N_PontEntr"),
                                selecao))
    return;
  Variant escolha(selecao);
  CarregaPacote(*cdsPEntClieAux,
                Consiste::CheckResultServ(tela.netCadastroServ.Call(
                    "SetPEntClie", {tela.CodFilial(), tela.Campo(*tela.cdsServico, "CDSERVFILI"),
                                    tela.Campo(*cdsPEntClie, "CDCLIENTE"), ByRef(escolha)})),
                "SetPEntClie");
  if (cdsPEntClieAux->IsEmpty()) return;
  try {
    Suspend<DataSetEvent> depois(cdsPEntClie->AfterPost);
    bool primeiro = true;
    for (cdsPEntClieAux->First(); !cdsPEntClieAux->Eof(); cdsPEntClieAux->Next()) {
      if (!primeiro) cdsPEntClie->Append();
      primeiro = false;
      cdsPEntClie->FieldByName("CDDESTFILI").SetAsString(tela.Campo(*cdsPEntClieAux, "CDDESTFILI"));
      cdsPEntClie->FieldByName("NMDESTFILI").SetAsString(tela.Campo(*cdsPEntClieAux, "NMDESTFILI"));
      cdsPEntClie->Post();
    }
  } catch (...) {
    if (tela.EmEdicao(*cdsPEntClie)) cdsPEntClie->Cancel();
    if (cdsPEntClie->ChangeCount() > 0) cdsPEntClie->CancelUpdates();
    throw;
  }
  GravaPontEntr();
}

// ---------------------------------------------------------------- post and save

// Posting a client, however the post comes (confirm, moving into the points, leaving the row by
// the keyboard or a click, Insert): it is checked and keyed; it stays local.
void PagPontEntr::cdsClienteBeforePost(DataSet&) {
  Vd_Cliente(true);
  cdsCliente->FieldByName("CDFILIAL").SetAsString(tela.CodFilial());
  cdsCliente->FieldByName("CDSERVFILI").SetAsString(tela.Campo(*tela.cdsServico, "CDSERVFILI"));
}

// A posted client reaches the server only with a point: its first point starts at once, with the
// focus on it when the page is shown. Its checks run when that point posts.
void PagPontEntr::cdsClienteAfterPost(DataSet&) {
  if (!cdsPEntClie->Active()) cdsPEntClie->CreateDataSet();
  {
    Suspend<std::function<void(DataSource&)>> estado(dtsPEntClie->OnStateChange);
    FiltraPontEntr();
  }
  if (cdsPEntClie->State() != DataSetState::Browse) return;
  if (Ativa()) tela.Foca(dbgPontEntr);
  cdsPEntClie->Insert();
  if (Ativa()) BotoesPontEntr();
}

// Posting a delivery point: it is checked, its empty figures become 0, and GetMaxCPEntr must pass
// before it is saved.
void PagPontEntr::cdsPEntClieBeforePost(DataSet&) {
  Vd_PontEntr(true);
  for (int dia = 0; dia < 8; ++dia) {
    Field& f = cdsPEntClie->FieldByName(CampoDia(dia));
    if (f.IsNull()) f.SetAsFloat(0);
  }
  {
    HourGlass ampulheta;
    CarregaPacote(*cdsMaxCPEntr,
                  Consiste::CheckResultServ(tela.netCadastroServ.Call(
                      "GetMaxCPEntr", {tela.CodFilial(), tela.Campo(*tela.cdsServico, "CDSERVFILI")})),
                  "GetMaxCPEntr");
  }
  AlterouPEntr = true;
}

void PagPontEntr::GravaPontEntr() { GravaAlteracoes(tela.netCadastroServ, *cdsPEntClie, "UpdPontoEntr"); }

// A client left without points (its first point cancelled or refused) exists on screen only: the
// lists are read again from the server.
void PagPontEntr::DescartaClienteSemPontos() {
  if (Ativa() && cdsCliente->Active() && !cdsCliente->IsEmpty() && cdsPEntClie->Active() && cdsPEntClie->IsEmpty())
    CarregaPontEntr();
}

void PagPontEntr::cdsPEntClieAfterPost(DataSet&) {
  try {
    GravaPontEntr();
  } catch (...) {
    DescartaClienteSemPontos();
    throw;
  }
}

void PagPontEntr::cdsPEntClieAfterCancel(DataSet&) {
  if (cdsPEntClie->ChangeCount() > 0) cdsPEntClie->CancelUpdates();
  DescartaClienteSemPontos();
}

void PagPontEntr::cdsPEntClieAfterDelete(DataSet&) {
  GravaPontEntr();
  if (cdsPEntClie->Active() && cdsPEntClie->IsEmpty()) CarregaPontEntr();
}

// ---------------------------------------------------------------- keys and command states

// Rows are deleted only through the delete command, which asks first and saves once.
void PagPontEntr::dbgClienteKeyDown(TComponent&, int& key, ShiftState shift) {
  if (key == VK_DELETE && (shift & ssCtrl)) {
    key = 0;
    return;
  }
  if (key == VK_NEXT && (shift & ssAlt)) {
    key = 0;
    if (dbgPontEntr->Enabled()) tela.Foca(dbgPontEntr);
  }
}

void PagPontEntr::dbgPontEntrKeyDown(TComponent&, int& key, ShiftState shift) {
  if (key == VK_PRIOR && (shift & ssAlt)) {
    key = 0;
    if (dbgCliente->Enabled()) tela.Foca(dbgCliente);
    return;
  }
  if (key == VK_DELETE && (shift & ssCtrl)) {
    key = 0;
    return;
  }
  // Erasing the code of a stored point cancels its edit: a point is replaced, not retyped.
  Field* campo = dbgPontEntr->SelectedField();
  if ((key == VK_DELETE || key == VK_BACK) && campo && campo->FieldName() == "CDDESTFILI" &&
      cdsPEntClie->State() != DataSetState::Insert) {
    key = 0;
    if (cdsPEntClie->State() == DataSetState::Edit) {
      cdsPEntClie->Cancel();
      Abort();
    }
  }
}

void PagPontEntr::dbgPontEntrKeyPress(TComponent&, std::string& key) {
  Field* campo = dbgPontEntr->SelectedField();
  if (campo && campo->FieldName() == "CDDESTFILI" && cdsPEntClie->State() != DataSetState::Insert) key.clear();
}

void PagPontEntr::dbgClienteEnter(TComponent&) { dtsClienteStateChange(*dtsCliente); }

// Entering the points while a client is typed posts the client and starts its first point.
void PagPontEntr::dbgPontEntrEnter(TComponent&) {
  if (cdsCliente->State() == DataSetState::Insert) cdsCliente->Post();
  dtsPEntClieStateChange(*dtsPEntClie);
}

void PagPontEntr::BotoesPontEntr() {
  // A point being typed drives the commands wherever the focus is.
  bool pontos = dbgPontEntr->Focused() || tela.EmEdicao(*cdsPEntClie);
  DataSet* ds = pontos ? cdsPEntClie : cdsCliente;
  BotaoPesquisa(*dbgCliente, "NRINSJURCLIE", *cdsCliente);
  BotaoPesquisa(*dbgPontEntr, "CDDESTFILI", *cdsPEntClie);
  bool editando = tela.EmEdicao(*cdsCliente) || tela.EmEdicao(*cdsPEntClie);
  bool navegando = ds->Active() && ds->State() == DataSetState::Browse;
  bool registros = ds->Active() && !ds->IsEmpty();
  bool semClientes = !cdsCliente->Active() || (cdsCliente->IsEmpty() && !tela.EmEdicao(*cdsCliente));
  if (FilialFixa) {
    tela.ChangeButtons(false, false, false, registros && !semClientes, registros && !semClientes, false);
    tela.panFilial->SetEnabled(false);
  } else if (semClientes) {
    tela.ChangeButtons(true, false, false, false, false, false);
    tela.HabilitaPainelFilial(true);
  } else {
    // A client is never altered; its points are.
    tela.ChangeButtons(navegando, navegando && registros && pontos, navegando && registros, navegando, navegando,
                       editando);
    tela.HabilitaPainelFilial(!editando);
  }
  tela.Habilita_Pagina(!editando);
  tela.dbnPadrao->SetEnabled(!editando);
}

// The commands follow both lists' states on the page, whichever grid has the focus (a point started
// by posting a client from the client list, too).
void PagPontEntr::dtsClienteStateChange(DataSource&) {
  if (Ativa()) BotoesPontEntr();
}

void PagPontEntr::dtsPEntClieStateChange(DataSource&) {
  if (Ativa()) BotoesPontEntr();
}

// ---------------------------------------------------------------- commands

void PagPontEntr::Inclui(TComponent&) {
  if (dbgPontEntr->Focused()) {
    if (!cdsPEntClie->Active()) cdsPEntClie->CreateDataSet();
    if (!cdsCliente->Active()) cdsCliente->CreateDataSet();
    if (cdsCliente->IsEmpty()) {
      tela.Foca(dbgCliente);
      cdsCliente->Insert();
    } else {
      cdsPEntClie->Insert();
    }
    return;
  }
  tela.Foca(dbgCliente);
  if (!cdsCliente->Active()) cdsCliente->CreateDataSet();
  cdsCliente->Insert();
}

// Alter edits the current client's point under the cursor (clients themselves are never edited),
// so the command never leaves the page locked with nothing to confirm.
void PagPontEntr::Altera(TComponent&) {
  if (!cdsPEntClie->Active() || cdsPEntClie->IsEmpty() || tela.EmEdicao(*cdsCliente)) return;
  tela.Foca(dbgPontEntr);
  if (cdsPEntClie->State() == DataSetState::Browse) cdsPEntClie->Edit();
}

void PagPontEntr::Cancela() {
  if (dbgPontEntr->Focused()) {
    if (tela.EmEdicao(*cdsPEntClie)) cdsPEntClie->Cancel();
  } else if (tela.EmEdicao(*cdsCliente)) {
    cdsCliente->Cancel();
  }
  BotoesPontEntr();
}

void PagPontEntr::Procura(TComponent&) {
  DataSet* ds = dbgPontEntr->Focused() ? cdsPEntClie : cdsCliente;
  if (ds->Active()) Procurar::Procura(*ds);
}

void PagPontEntr::Confirma() {
  if (dbgCliente->Focused() || tela.pgcPadrao->Focused()) {
    if (cdsCliente->Active() && cdsCliente->State() == DataSetState::Insert) cdsCliente->Post();
  } else if (tela.EmEdicao(*cdsPEntClie))
    cdsPEntClie->Post();
  tela.Avisa(Aviso::PontosAlterados);
}

void PagPontEntr::Verifica() {
  if (dbgPontEntr->Focused()) {
    {
      ShowAviGuard avi(&tela, 6, tela.Msg("getPontEntr"));
      CarregaPacote(*cdsPEntClie,
                    Consiste::CheckResultServ(tela.netCadastroServ.Call(
                        "GetPEntClie", {tela.CodFilial(), tela.Campo(*tela.cdsServico, "CDSERVFILI")})),
                    "GetPEntClie");
    }
    FiltraPontEntr();
  } else {
    CarregaPontEntr();
  }
  BotoesPontEntr();
}

// Deletes the point under the cursor, or (from the client list) every point of the client in one
// change set; the client row goes with the reload that follows.
bool PagPontEntr::Exclui() {
  if (!cdsPEntClie->Active() || cdsPEntClie->State() != DataSetState::Browse || cdsPEntClie->IsEmpty()) return false;
  bool excluiu = false;
  if (tela.msgPadrao->ShowMsg("Excl", TMsgDlgType::mtConfirmation, mbYesNo) == mrYes) {
    AlterouPEntr = true;
    if (dbgPontEntr->Focused()) {
      cdsPEntClie->Delete();
      excluiu = true;
    } else {
      try {
        {
          cdsPEntClie->DisableControls();
          ScopeExit reativa([this] { cdsPEntClie->EnableControls(); });
          Suspend<DataSetEvent> depois(cdsPEntClie->AfterDelete);
          while (!cdsPEntClie->IsEmpty()) {
            cdsPEntClie->First();
            cdsPEntClie->Delete();
          }
        }
        cdsPEntClieAfterDelete(*cdsPEntClie);
        excluiu = true;
      } catch (const EAbort&) {
        // The refusal was shown; the lists show what is stored.
      } catch (const std::exception& e) {
        Consiste::MensErro(e.what(), false);
      }
    }
  }
  tela.Avisa(Aviso::PontosAlterados);
  BotoesPontEntr();
  return excluiu;
}

// ---------------------------------------------------------------- the page

bool PagPontEntr::Mostra(const TTabSheet* aba) const { return aba == tela.tshPontEntr; }
// Delivery points belong to a corporate service.
bool PagPontEntr::Serve(const std::string& tipo) const { return tipo == "N"; }

TTabSheet* PagPontEntr::Substituta(const std::string& tipo) const {
  if (tipo == "F") return tela.tshFolhaDados;
  if (tipo == "D" || tipo == "A") return tela.tshComensais;
  return nullptr;
}

bool PagPontEntr::PodeSair(Saida saida) {
  if (saida == Saida::Pagina) SaiPontEntr();
  return true;
}

bool PagPontEntr::Editando() const { return tela.EmEdicao(*cdsCliente) || tela.EmEdicao(*cdsPEntClie); }

void PagPontEntr::Avisa(Aviso aviso) {
  // At creation the client's registration number is marked for its display (tag 1).
  if (aviso == Aviso::Criacao)
    if (Field* f = cdsCliente->FindField("NRINSJURCLIE")) f->Tag = 1;
  // A change of the previous service's delivery points is never offered to the new one.
  if (aviso == Aviso::ServicoTrocado) AlterouPEntr = false;
}

}  // namespace cad
