// Default menu configuration page (PagConfCard, sheet tshConfCard): the service's ordered menu
// lines, edited in the string grid stgCard (one line a row, row 0 the header) and saved as a whole.
// cdsConfCard only carries the rows between the server and the grid; cdsDelCard collects the line
// numbers of removed lines until the next save.
//
// Columns of stgCard: 0 dish-type name, 1 its code, 2 complement, 3 optional, 4 printed,
// 5 observation, 6 percentage increase, 7 variable, 8 visible, 9 checks diners, 10-17 weekdays
// (Monday ... holiday, empty on a line that is not variable), 18 line mark ("I" as the central
// branch inserted it, "A" touched here), 19 the line's stored number, 20 package name.
//
// Invariants: the grid is the working copy (nothing reaches the server before Confirm); a refused
// save leaves the user's lines in the grid and cdsConfCard as loaded; fixed-branch mode changes no
// cell; a typed text never exceeds its field's width.
#include <algorithm>
#include <optional>
#include <string>

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/core/scope.h"
#include "platform/framework/consiste.h"
#include "platform/framework/remoto.h"
#include "platform/framework/session.h"
#include "platform/framework/showavi.h"
#include "service_screen/cadastroserv.h"
#include "service_screen/module.h"
#include "service_screen/pages/confcard.h"

namespace cad {

namespace {

constexpr int kOculta = -1;
constexpr int kMaxLinhasGrade = 999;  // header included
// Grid columns.
constexpr int cNome = 0, cCodigo = 1, cCompl = 2, cOpcao = 3, cImpressao = 4, cObs = 5, cPerc = 6, cVariavel = 7,
              cVisu = 8, cConsiste = 9, cSeg = 10, cFer = 17, cMarca = 18, cSeq = 19, cEmbalagem = 20;
constexpr const char* kDiasConf[] = {"IDTPPRATSEGP", "IDTPPRATTERP", "IDTPPRATQUAP", "IDTPPRATQUIP",
                                     "IDTPPRATSEXP", "IDTPPRATSABP", "IDTPPRATDOMP", "IDTPPRATFERP"};
// The export of the configuration is another module's screen package.
constexpr const char* kPacoteExporta = "GER04106";

bool diaSemana(int col) { return col >= cSeg && col <= cFer; }

}  // namespace

// Which columns show: the hospital modules hide the standard-menu columns; standard-menu mode
// shows the variable and visible flags and, for an aggregated branch, the weekdays.
void PagConfCard::ConfiguraColunas() {
  auto largura = [this](int from, int to, int width) {
    for (int c = from; c <= to; ++c) stgCard->SetColWidths(c, width);
  };
  if (Geral::ModuloHospitalar()) {
    largura(7, 17, kOculta);
  } else if (TpConfPadrao == "S") {
    largura(6, 6, kOculta);
    largura(7, 8, 45);
    largura(9, 9, 105);
    bool semanal =
        tela.Campo(*tela.qryFilial, "IDFILCENTPME") == "N" && !tela.Campo(*tela.qryFilial, "CDFILCENTPME").empty();
    largura(10, 17, semanal ? 45 : kOculta);
  } else {
    largura(6, 8, kOculta);
    largura(9, 9, 105);
    largura(10, 17, kOculta);
  }
}

// ---------------------------------------------------------------- loading

// The header row and the widths the first activation writes; -1 hides a column, 0 keeps the width
// of the layout (column 8 follows the branch: LayoutAgregada).
void PagConfCard::CabecalhoConfCard() {
  static const char* const kCabecalho[] = {"TIPO_PRATO", "CODIGO",   "COMPL",    "OPTION",   "IMPRESSION", "OBSERVACAO",
                                           "Perc",       "VARIAVEL", "VISU",     "CONSISTE", "SEGUNDA",    "TERCA",
                                           "QUARTA",     "QUINTA",   "SEXTA",    "SABADO",   "DOMINGO",    "FERIADO",
                                           nullptr,      nullptr,    "EMBALAGEM"};
  static const int kLargura[] = {115, -1, 105, 45, 55, 105, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1, -1, 100};
  for (int c = 0; c < 21; ++c) {
    stgCard->SetCells(c, 0, kCabecalho[c] ? tela.Msg(kCabecalho[c]) : std::string());
    if (kLargura[c] != 0) stgCard->SetColWidths(c, kLargura[c]);
  }
}

// A branch aggregated to another central branch in standard-menu mode does not reorder or pick
// lines: it imports its central branch's and shows the visible flag.
void PagConfCard::LayoutAgregada() {
  std::string central = tela.Campo(*tela.qryFilial, "CDFILCENTPME");
  bool agregada = !Geral::ModuloHospitalar() && TpConfPadrao == "S" && !central.empty() &&
                  central != tela.Campo(*tela.qryFilial, "CDFILIAL");
  spbItemUp->SetVisible(!agregada);
  spbItemDown->SetVisible(!agregada);
  Panel1->SetVisible(!agregada);
  sbtImportExport->SetVisible(agregada);
  stgCard->SetColWidths(8, agregada ? 45 : -1);
}

std::string PagConfCard::SimNao(bool sim) const { return tela.Msg(sim ? "Sim" : "Não"); }

void PagConfCard::LimpaGradeConf() {
  stgCard->SetDefaultRowHeight(15);
  stgCard->SetRowCount(2);
  stgCard->SetRows(1, {});
}

// Loads cdsConfCard from the server and shows its lines in the grid; with `recarregaLista` the
// catalogue lists are filled again too, and they are filled whenever they are still empty, since
// the lines take their names from them (another page may redraw the grid first).
// Every stored flag goes into its cell, shown or not, so a save writes back what it did not show.
void PagConfCard::CarregaConf(bool recarregaLista) {
  if (recarregaLista || lsbCdDisponiveis->Count() == 0) {
    lsbDisponiveis->Clear();
    lsbCdDisponiveis->Clear();
    qryConfTipoPrat->Close();
    qryConfTipoPrat->Open();
    for (qryConfTipoPrat->First(); !qryConfTipoPrat->Eof(); qryConfTipoPrat->Next()) {
      lsbDisponiveis->AddItem(tela.Campo(*qryConfTipoPrat, "NMTIPOPRAT"));
      lsbCdDisponiveis->AddItem(tela.Campo(*qryConfTipoPrat, "CDTIPOPRAT"));
    }
  }
  // The columns follow the mode of the branch on screen.
  ConfiguraColunas();
  LimpaGradeConf();
  std::string filial = tela.Campo(*tela.cdsServico, "CDFILIAL"), servico = tela.Campo(*tela.cdsServico, "CDSERVFILI");
  CarregaPacote(*cdsConfCard, tela.netCadastroServ.Call("GetConfCard", {filial, servico}), "GetConfCard");
  ConfCardCarregada = filial + "|" + servico;
  int linha = 0;
  cdsConfCard->DisableControls();
  ScopeExit reativa([this] { cdsConfCard->EnableControls(); });
  for (cdsConfCard->First(); !cdsConfCard->Eof(); cdsConfCard->Next()) {
    ++linha;
    if (linha > 1) stgCard->SetRowCount(linha + 1);
    std::string codigo = tela.Campo(*cdsConfCard, "CDTIPOPRAT");
    // The names come from the catalogue list, which holds every dish type.
    const auto& codigos = lsbCdDisponiveis->Items();
    auto achado = std::find(codigos.begin(), codigos.end(), codigo);
    if (achado != codigos.end())
      stgCard->SetCells(cNome, linha, lsbDisponiveis->Items().at(static_cast<size_t>(achado - codigos.begin())));
    stgCard->SetCells(cCodigo, linha, codigo);
    stgCard->SetCells(cCompl, linha, tela.Campo(*cdsConfCard, "DSCOMPLTP"));
    stgCard->SetCells(cOpcao, linha, SimNao(tela.Campo(*cdsConfCard, "IDOPCCNFCARD") == "S"));
    stgCard->SetCells(cImpressao, linha, SimNao(tela.Campo(*cdsConfCard, "IDIMPCNFCARD") == "S"));
    stgCard->SetCells(cObs, linha, tela.Campo(*cdsConfCard, "DSOBSCNFCARD"));
    Field& perc = cdsConfCard->FieldByName("VRPERCOMCARD");
    stgCard->SetCells(cPerc, linha, perc.IsNull() ? std::string() : floatToStr(perc.AsFloat()));
    bool variavel = tela.Campo(*cdsConfCard, "IDTPPRATEXTR") == "S";
    stgCard->SetCells(cVariavel, linha, SimNao(variavel));
    for (int d = 0; d < 8; ++d)
      stgCard->SetCells(cSeg + d, linha,
                        variavel ? SimNao(tela.Campo(*cdsConfCard, kDiasConf[d]) == "S") : std::string());
    stgCard->SetCells(cVisu, linha, SimNao(tela.Campo(*cdsConfCard, "IDVISUTPEXTR") == "S"));
    stgCard->SetCells(cMarca, linha, tela.Campo(*cdsConfCard, "IDALTERCARD") == "I" ? "I" : "A");
    stgCard->SetCells(cConsiste, linha, SimNao(tela.Campo(*cdsConfCard, "IDCONCNFCARD") == "S"));
    stgCard->SetCells(cSeq, linha, tela.Campo(*cdsConfCard, "NRSEQCNFCARD"));
    stgCard->SetCells(cEmbalagem, linha, tela.Campo(*cdsConfCard, "NMCONTAINER"));
  }
  cdsConfCard->First();
  if (cdsConfCard->IsEmpty()) {
    tela.mnuExcluir->SetEnabled(false);
    tela.sbtExcluir->SetEnabled(false);
  }
}

// The load of the page under the progress display, then its commands: alter only (nothing in
// fixed-branch mode) and the export when it applies.
void PagConfCard::RecarregaConf() {
  {
    ShowAviGuard avi(&tela, 6, tela.Msg("get_cdsConfCard"));
    CarregaConf(true);
  }
  tela.ChangeButtons(false, !FilialFixa, false, false, false, false);
  HabilitaExportaConf();
}

// The export command: outside fixed-branch mode and standard-menu mode, with a line loaded, while
// nothing is edited, and only when the export's screen package is there to open.
void PagConfCard::HabilitaExportaConf() {
  bool exporta = !FilialFixa && TpConfPadrao != "S" && !stgCard->Cells(cCodigo, 1).empty() &&
                 !tela.EmEdicao(*cdsConfCard) && ScreenPackageAvailable(kPacoteExporta);
  tela.sbtExportComens->SetEnabled(exporta);
  tela.mnuExpConfiguracaoPadr->SetEnabled(exporta);
}

// Entering the page: its lists are closed in fixed-branch mode; the lines load once per service.
void PagConfCard::Entra() {
  tela.sbtExportComens->SetHint("Exportação de Configuração Padrão");
  if (FilialFixa)
    for (TControl* c :
         std::initializer_list<TControl*>{grbTipoPrat, spbItemDir, spbTodosDir, sbtItemEsq, sbtTodosEsq,
                                          lsbCdDisponiveis, lsbDisponiveis, spbItemUp, spbItemDown, sbtImportExport})
      c->SetEnabled(false);
  if (ConfCardCarregada !=
      tela.Campo(*tela.cdsServico, "CDFILIAL") + "|" + tela.Campo(*tela.cdsServico, "CDSERVFILI")) {
    ShowAviGuard avi(&tela, 6, tela.Msg("get_cdsConfCard"));
    CarregaConf(true);
  }
  HabilitaExportaConf();
  tela.ChangeButtons(false, !FilialFixa, false, false, false, false);
}

// The selected service changed while the page is active: its lines load at once.
void PagConfCard::TrocaServico() { RecarregaConf(); }

// ---------------------------------------------------------------- editing

// Whether the branch on screen is aggregated to a central branch, in standard-menu mode outside
// the hospital modules: it may change only its variable lines.
bool PagConfCard::AgregadaConf() const {
  return !Geral::ModuloHospitalar() && TpConfPadrao == "S" && tela.Campo(*tela.qryFilial, "IDFILCENTPME") != "S" &&
         !tela.Campo(*tela.qryFilial, "CDFILCENTPME").empty();
}

// The alter command's block of this page: the dataset enters edit, the grid takes the focus.
void PagConfCard::Altera(TComponent&) {
  if (cdsConfCard->Active() && cdsConfCard->State() == DataSetState::Browse) cdsConfCard->Edit();
  tela.Foca(stgCard);
  if (FilialFixa)
    tela.ChangeButtons(false, false, false, false, false, false);
  else
    tela.ChangeButtons(false, false, false, false, false, true);
  tela.Habilita_Pagina(false);
}

void PagConfCard::IniciaEdicaoConf() { tela.sbtAlterarClick(*tela.sbtAlterar); }

void PagConfCard::AdicionaLinhaConf(int indice, bool percentual) {
  if (stgCard->RowCount() >= kMaxLinhasGrade) return;
  int linha;
  if (stgCard->RowCount() == 2 && stgCard->Cells(cNome, 1).empty()) {
    linha = 1;
  } else {
    linha = stgCard->RowCount();
    stgCard->SetRowCount(linha + 1);
  }
  std::vector<std::string> celulas(21);
  celulas[cNome] = lsbDisponiveis->Items().at(static_cast<size_t>(indice));
  celulas[cCodigo] = lsbCdDisponiveis->Items().at(static_cast<size_t>(indice));
  celulas[cOpcao] = SimNao(false);
  celulas[cImpressao] = SimNao(true);
  celulas[cPerc] = percentual ? "0" : "";
  celulas[cVariavel] = SimNao(false);
  celulas[cVisu] = SimNao(true);
  celulas[cConsiste] = SimNao(true);
  celulas[cMarca] = "A";
  // cSeq stays empty: the line has no stored number until it is saved.
  stgCard->SetRows(linha, celulas);
}

void PagConfCard::FimAdicaoConf() {
  int ultima = stgCard->RowCount() - 1;
  stgCard->MoveTo(std::max(stgCard->Col(), 0), ultima);
  tela.ChangeButtons(false, false, false, false, false, !FilialFixa);
}

void PagConfCard::spbItemDirClick(TComponent&) {
  if (lsbDisponiveis->SelCount() == 0) return;
  IniciaEdicaoConf();
  for (int i = 0; i < lsbDisponiveis->Count(); ++i)
    if (lsbDisponiveis->Selected(i)) AdicionaLinhaConf(i, true);
  FimAdicaoConf();
}

void PagConfCard::spbTodosDirClick(TComponent&) {
  IniciaEdicaoConf();
  tela.Foca(stgCard);
  for (int i = 0; i < lsbDisponiveis->Count(); ++i) AdicionaLinhaConf(i, false);
  FimAdicaoConf();
}

void PagConfCard::lsbDisponiveisKeyDown(TComponent& sender, int& key, ShiftState) {
  if (key == VK_RETURN) spbItemDirClick(sender);
}

// A removed line's stored number goes to cdsDelCard, so the save deletes what refers to it.
void PagConfCard::RemoveLinhaConf(int linha) {
  if (!cdsDelCard->Active()) cdsDelCard->CreateDataSet();
  cdsDelCard->Append();
  cdsDelCard->FieldByName("CDFILIAL").SetAsString(tela.medCdFilial->Text());
  cdsDelCard->FieldByName("CDSERVFILI").SetAsString(tela.Campo(*tela.cdsServico, "CDSERVFILI"));
  const std::string& seq = stgCard->Cells(cSeq, linha);
  if (auto n = parseFloat(seq)) cdsDelCard->FieldByName("NRSEQCNFCARD").SetAsFloat(*n);
  cdsDelCard->FieldByName("IDALTERCARD").SetAsString("D");
  cdsDelCard->Post();
}

void PagConfCard::sbtItemEsqClick(TComponent&) {
  if (stgCard->Cells(cNome, stgCard->Row()).empty()) return;
  TGridRect sel = stgCard->Selection();
  int de = std::max(sel.Top, 1), ate = std::min(sel.Bottom, stgCard->RowCount() - 1);
  if (ate < de) de = ate = stgCard->Row();
  for (int r = de; r <= ate; ++r) RemoveLinhaConf(r);
  int removidas = ate - de + 1;
  if (removidas >= stgCard->RowCount() - 1) {
    LimpaGradeConf();
  } else {
    for (int r = ate + 1; r < stgCard->RowCount(); ++r) stgCard->SetRows(r - removidas, stgCard->Rows(r));
    stgCard->SetRowCount(stgCard->RowCount() - removidas);
  }
  IniciaEdicaoConf();
  tela.ChangeButtons(false, false, false, false, false, !FilialFixa);
}

void PagConfCard::sbtTodosEsqClick(TComponent&) {
  for (int r = 1; r < stgCard->RowCount(); ++r)
    if (!stgCard->Cells(cSeq, r).empty()) RemoveLinhaConf(r);
  LimpaGradeConf();
  tela.ChangeButtons(false, false, false, false, false, !FilialFixa);
  IniciaEdicaoConf();
}

void PagConfCard::MoveLinhaConf(int passo) {
  int linha = stgCard->Row();
  if (stgCard->Cells(cNome, linha).empty()) return;
  if (!FilialFixa) IniciaEdicaoConf();
  TGridRect sel = stgCard->Selection();
  if (sel.Bottom > sel.Top) return;  // a range does not move
  int vizinha = linha + passo;
  if (vizinha < 1 || vizinha >= stgCard->RowCount()) return;
  stgCard->SetCells(cMarca, linha, "A");
  stgCard->SetCells(cMarca, vizinha, "A");
  std::vector<std::string> esta = stgCard->Rows(linha);
  stgCard->SetRows(linha, stgCard->Rows(vizinha));
  stgCard->SetRows(vizinha, esta);
  stgCard->MoveTo(stgCard->Col(), vizinha);
  tela.ChangeButtons(false, false, false, false, false, !FilialFixa);
}

void PagConfCard::spbItemUpClick(TComponent&) { MoveLinhaConf(-1); }
void PagConfCard::spbItemDownClick(TComponent&) { MoveLinhaConf(+1); }

// Toggles the flag under the cursor, with the rules of the aggregated branch, of the checks-diners
// group and of variable lines.
void PagConfCard::StgCardDblClick(TComponent&) {
  int col = stgCard->Col(), row = stgCard->Row();
  if (FilialFixa || col == cNome || col == cCompl || col == cObs || col == cPerc) return;
  if (row < 1 || stgCard->Cells(col, row).empty() || stgCard->Cells(cNome, row).empty()) return;
  const std::string sim = SimNao(true), nao = SimNao(false);
  auto alterna = [&](int c, int r) { stgCard->SetCells(c, r, stgCard->Cells(c, r) == sim ? nao : sim); };
  bool variavel = stgCard->Cells(cVariavel, row) != nao;
  if (AgregadaConf() &&
      (col == cOpcao || col == cImpressao || col == cVariavel || ((col == cVisu || diaSemana(col)) && !variavel)))
    tela.Erro("Altera_Agregada");
  if (col == cConsiste && stgCard->Cells(cOpcao, row) == nao) {
    // Every non-optional line of the same dish type that had the same value follows.
    std::string codigo = stgCard->Cells(cCodigo, row), valor = stgCard->Cells(cConsiste, row);
    for (int r = 1; r < stgCard->RowCount(); ++r)
      if (stgCard->Cells(cCodigo, r) == codigo && stgCard->Cells(cOpcao, r) == nao &&
          stgCard->Cells(cConsiste, r) == valor) {
        alterna(cConsiste, r);
        IniciaEdicaoConf();
      }
  }
  if (col == cCodigo || col == cOpcao || col == cImpressao || col == cVisu || col == cMarca || col == cSeq) {
    alterna(col, row);
    IniciaEdicaoConf();
  }
  // An optional dish never checks diners.
  if (col == cOpcao && stgCard->Cells(cOpcao, row) == sim) stgCard->SetCells(cConsiste, row, nao);
  if (diaSemana(col) && stgCard->Cells(cVariavel, row) == sim) {
    alterna(col, row);
    IniciaEdicaoConf();
  }
  if (col == cVariavel) {
    bool passa = stgCard->Cells(cVariavel, row) != sim;
    stgCard->SetCells(cVariavel, row, passa ? sim : nao);
    for (int c = cSeg; c <= cFer; ++c) stgCard->SetCells(c, row, passa ? sim : std::string());
    IniciaEdicaoConf();
  }
  if (col == cOpcao || col == cImpressao || col == cVariavel || col == cConsiste || diaSemana(col)) {
    stgCard->SetCells(cMarca, row, "A");
    IniciaEdicaoConf();
  }
}

void PagConfCard::stgCardKeyDown(TComponent& sender, int& key, ShiftState) {
  int col = stgCard->Col(), row = stgCard->Row();
  bool texto = col == cCompl || col == cObs || col == cPerc;
  stgCard->SetOption(goEditing, texto && !FilialFixa);
  if (key == VK_SPACE && !texto) {
    key = 0;
    StgCardDblClick(sender);
    return;
  }
  if (key == VK_DELETE && !FilialFixa && (col == cCompl || col == cObs) && row >= 1) {
    stgCard->SetCells(cMarca, row, "A");
    IniciaEdicaoConf();
  }
}

// The width of a typed text column: its field's size in cdsConfCard.
int PagConfCard::LarguraConf(int col) const {
  const char* campo = col == cCompl ? "DSCOMPLTP" : "DSOBSCNFCARD";
  int largura = cdsConfCard->FieldByName(campo).Size();
  return largura > 0 ? largura : 60;
}

void PagConfCard::stgCardKeyPress(TComponent&, std::string& key) {
  int col = stgCard->Col(), row = stgCard->Row();
  if (row < 1) return;
  bool semNome = stgCard->Cells(cNome, row).empty();
  const std::string texto = stgCard->EditorMode() ? stgCard->EditorText() : stgCard->Cells(col, row);
  if ((col == cCompl || col == cObs) && !FilialFixa) {
    if (semNome || key == "\r" || (key == "\b" && texto.empty())) {
      key.clear();
      return;
    }
    // Typing starts with the cell's text selected only while no editor is open; once the cell
    // holds its field's width, only Backspace is taken.
    if (key != "\b" && stgCard->EditorMode() && static_cast<int>(utf8Length(texto)) >= LarguraConf(col)) {
      key.clear();
      return;
    }
    stgCard->SetCells(cMarca, row, "A");
    IniciaEdicaoConf();
    return;
  }
  if (col == cPerc) {
    if (semNome || FilialFixa) {
      key.clear();
      return;
    }
    // Either separator types the session's decimal separator, once.
    const std::string decimal(1, formatSettings().decimalSeparator);
    if (key == "." || key == ",") key = decimal;
    bool aceita = key == decimal || key == "\b" || (key.size() == 1 && key[0] >= '0' && key[0] <= '9');
    if (key == decimal && stgCard->EditorMode() && texto.find(decimal) != std::string::npos) aceita = false;
    if (!aceita) {
      key.clear();
      return;
    }
    IniciaEdicaoConf();
    tela.ChangeButtons(false, false, false, false, false, !FilialFixa);
  }
}

// The percentage right-aligned as "#,##0.00"; the weekday flags as check images.
void PagConfCard::stgCardDrawCell(TComponent&, int col, int row, const TRect& rect, unsigned) {
  if (row < 1) return;
  TCanvas& canvas = stgCard->Canvas();
  if (col == cPerc) {
    double valor = parseFloat(stgCard->Cells(col, row)).value_or(0.0);
    std::string texto = formatFloat("#,##0.00", valor);
    canvas.FillRect(rect);
    canvas.TextRect(rect, rect.Right - canvas.TextWidth(texto) - 2, rect.Top + 2, texto);
  } else if (diaSemana(col)) {
    const std::string& texto = stgCard->Cells(col, row);
    canvas.FillRect(rect);
    if (texto == SimNao(false))
      canvas.Draw(rect.Left + 15, rect.Top, *imgUnChecked);
    else if (texto == SimNao(true))
      canvas.Draw(rect.Left + 15, rect.Top, *imgChecked);
  }
}

void PagConfCard::cdsConfCardBeforePost(DataSet&) {
  for (const char* campo :
       {"CDSERVFILI", "NRSEQCNFCARD", "CDTIPOPRAT", "IDOPCCNFCARD", "IDIMPCNFCARD", "NRPAGCNFCARD", "CDFILIAL"}) {
    Field& f = cdsConfCard->FieldByName(campo);
    if (!f.IsNull() && f.AsString().empty()) f.Clear();
  }
}

void PagConfCard::dtsConfCardStateChange(DataSource&) {
  if (!Ativa()) return;
  bool editando = tela.EmEdicao(*cdsConfCard);
  if (FilialFixa) {
    tela.panFilial->SetEnabled(false);
    tela.ChangeButtons(false, false, false, !editando, !editando, false);
    tela.mnuExpConfiguracaoPadr->SetEnabled(false);
    tela.sbtExportComens->SetEnabled(false);
  } else {
    tela.HabilitaPainelFilial(!editando);
    tela.ChangeButtons(false, !editando, false, !editando, !editando, editando);
    HabilitaExportaConf();
  }
  tela.Habilita_Pagina(!editando);
}

// ---------------------------------------------------------------- commands

bool PagConfCard::ExisteDistrRest(const std::string& filial, const std::string& servico) {
  Variant r = Consiste::CheckResultServ(tela.netCadastroServ.Call("ExisteDistrRest", {filial, servico}));
  return r.isBool() && r.asBool();
}

// Whether the user accepts losing the packaging settings of the service, when it has any.
bool PagConfCard::AceitaExcluirDistrRest() {
  if (!ExisteDistrRest(tela.Campo(*tela.cdsServico, "CDFILIAL"), tela.Campo(*tela.cdsServico, "CDSERVFILI")))
    return true;
  return tela.msgPadrao->ShowMsg("CONF_EXCL_DIST_REST", TMsgDlgType::mtInformation, mbOKCancel) == mrOk;
}

// Rebuilds cdsConfCard from the grid (lines numbered 1..n in grid order, printed lines paired
// 1, 1, 2, 2, ...) and sends it with the removed lines. The loaded rows are deleted first, so the
// packet holds exactly the new configuration; a refusal cancels every change of cdsConfCard.
void PagConfCard::GravaConfCard() {
  std::string filial = tela.Campo(*tela.cdsServico, "CDFILIAL"), servico = tela.Campo(*tela.cdsServico, "CDSERVFILI");
  const std::string sim = SimNao(true);
  cdsConfCard->DisableControls();
  ScopeExit fim([this] {
    if (cdsDelCard->Active()) cdsDelCard->Close();
    cdsConfCard->EnableControls();
  });
  try {
    if (tela.EmEdicao(*cdsConfCard)) cdsConfCard->Cancel();
    while (!cdsConfCard->IsEmpty()) cdsConfCard->Delete();
    int par = 1;
    bool primeiro = true;
    for (int i = 1; i < stgCard->RowCount() && !stgCard->Cells(cCodigo, 1).empty(); ++i) {
      cdsConfCard->Append();
      auto poe = [this](const char* campo, const std::string& v) { cdsConfCard->FieldByName(campo).SetAsString(v); };
      poe("CDFILIAL", filial);
      poe("CDSERVFILI", servico);
      cdsConfCard->FieldByName("NRSEQCNFCARD").SetAsFloat(i);
      cdsConfCard->FieldByName("NRORDCNFCARD").SetAsFloat(i);
      poe("CDTIPOPRAT", stgCard->Cells(cCodigo, i));
      // The number the line is stored under, so the server moves its packaging settings with it.
      if (auto anterior = parseFloat(stgCard->Cells(cSeq, i)))
        cdsConfCard->FieldByName("NRSEQANTCNFCARD").SetAsFloat(*anterior);
      if (!stgCard->Cells(cCompl, i).empty()) poe("DSCOMPLTP", stgCard->Cells(cCompl, i));
      poe("IDOPCCNFCARD", stgCard->Cells(cOpcao, i) == sim ? "S" : "N");
      if (stgCard->Cells(cImpressao, i) == sim) {
        poe("IDIMPCNFCARD", "S");
        cdsConfCard->FieldByName("NRPAGCNFCARD").SetAsFloat(par);
        if (!primeiro) ++par;
        primeiro = !primeiro;
      } else {
        poe("IDIMPCNFCARD", "N");
        cdsConfCard->FieldByName("NRPAGCNFCARD").SetAsFloat(0);
      }
      if (!stgCard->Cells(cObs, i).empty()) poe("DSOBSCNFCARD", stgCard->Cells(cObs, i));
      const std::string& perc = stgCard->Cells(cPerc, i);
      std::optional<double> valor = perc.empty() ? std::optional<double>(0.0) : parseFloat(perc);
      if (!valor) {
        stgCard->MoveTo(cPerc, i);
        Consiste::MensErro("Percentual de acréscimo inválido na linha " + std::to_string(i) + ".", true);
      }
      cdsConfCard->FieldByName("VRPERCOMCARD").SetAsFloat(*valor);
      poe("IDTPPRATEXTR", stgCard->Cells(cVariavel, i) == sim ? "S" : "N");
      poe("IDVISUTPEXTR", stgCard->Cells(cVisu, i) == sim ? "S" : "N");
      poe("IDCONCNFCARD", stgCard->Cells(cConsiste, i) == sim ? "S" : "N");
      bool variavel = stgCard->Cells(cVariavel, i) == sim;
      for (int d = 0; d < 8; ++d) poe(kDiasConf[d], !variavel || stgCard->Cells(cSeg + d, i) == sim ? "S" : "N");
      poe("IDALTERCARD", stgCard->Cells(cMarca, i) == "I" ? "I" : "A");
      cdsConfCard->Post();
    }
    bool removidas = cdsDelCard->Active() && !cdsDelCard->IsEmpty();
    if (cdsConfCard->ChangeCount() > 0 || removidas) {
      if (!cdsDelCard->Active()) cdsDelCard->CreateDataSet();
      Variant modo(TpConfPadrao);
      Variant resposta = tela.netCadastroServ.Call(
          "UpdConfCard", {cdsConfCard->Data(), cdsDelCard->Data(), ByRef(modo), filial, servico});
      if (modo.isString() && (modo.str() == "S" || modo.str() == "D")) TpConfPadrao = modo.str();
      if (!resposta.isString()) throw RespostaInesperada("UpdConfCard");
      if (!resposta.str().empty()) Consiste::MensErro(resposta.str(), true);
      cdsConfCard->MergeChangeLog();
    }
    if (tela.tshConfCard->Enabled() && !FilialFixa) HabilitaExportaConf();
  } catch (...) {
    if (tela.EmEdicao(*cdsConfCard)) cdsConfCard->Cancel();
    cdsConfCard->CancelUpdates();
    throw;
  }
}

// The confirm command's block of this page.
void PagConfCard::Confirma() {
  // Declining to lose the packaging settings leaves the edit as it was, removed lines included.
  if (!AceitaExcluirDistrRest()) return;
  ScopeExit botoes([this] {
    if (FilialFixa) {
      tela.ChangeButtons(false, false, false, false, false, false);
      tela.panFilial->SetEnabled(false);
    } else {
      tela.ChangeButtons(false, true, false, false, false, false);
      tela.HabilitaPainelFilial(true);
    }
    tela.Habilita_Pagina(!tela.EmEdicao(*cdsConfCard));
  });
  GravaConfCard();
  // The server renumbered the lines: the grid shows the stored configuration.
  CarregaConf(false);
  HabilitaExportaConf();
}

// The cancel command's block: the lines as stored.
void PagConfCard::Cancela() {
  if (cdsDelCard->Active()) cdsDelCard->Close();
  if (tela.EmEdicao(*cdsConfCard)) cdsConfCard->Cancel();
  RecarregaConf();
  tela.Habilita_Pagina(true);
}

// The verify command's block: the lines and the catalogue as stored.
void PagConfCard::Verifica() {
  if (tela.EmEdicao(*cdsConfCard)) return;
  {
    ShowAviGuard avi(&tela, 6, tela.Msg("get_cdsConfCard"));
    CarregaConf(true);
  }
  HabilitaExportaConf();
}

// The aggregated branch takes its central branch's configuration of the same service.
void PagConfCard::sbtImportExportClick(TComponent&) {
  if (tela.msgPadrao->ShowMsg("Importar_Central", TMsgDlgType::mtConfirmation, mbYesNo) != mrYes) return;
  ShowAviGuard avi(&tela, 0);
  if (!AceitaExcluirDistrRest()) return;
  Consiste::CheckResultServ(
      tela.netCadastroServ.Call("Importa__ConfCard",
                                {tela.Campo(*tela.cdsServico, "CDSERVFILI"), tela.Campo(*tela.qryFilial, "CDFILIAL"),
                                 tela.Campo(*tela.qryFilial, "CDFILCENTPME")}),
      true, 0);
  if (cdsDelCard->Active()) cdsDelCard->Close();
  CarregaConf(true);
  tela.ChangeButtons(false, !FilialFixa, false, false, false, false);
}

// The export of the configuration opens its own screen package; when it reports a change of
// services, the service list is read again and stays on the same service.
void PagConfCard::Exporta() {
  if (!tela.mnuExpConfiguracaoPadr->Enabled()) return;
  std::string servico = tela.Campo(*tela.cdsServico, "CDSERVFILI");
  VariantArray params{Variant(tela.medCdFilial->Text()), Variant(tela.edtNmFilial->Text()), Variant(servico),
                      Variant(tela.Campo(*tela.cdsServico, "NMSERVICO")), Variant(0)};
  Corvane::LoadBPL(kPacoteExporta, params);
  bool mudou = params.size() > 4 && params[4].isNumber() && params[4].asInt() != 0;
  if (!mudou) return;
  Suspend<DataSetEvent> antes(tela.cdsServico->BeforeScroll);
  Suspend<DataSetEvent> depois(tela.cdsServico->AfterScroll);
  CarregaPacote(*tela.cdsServico,
                tela.netCadastroServ.Call("GetServico", {tela.medCdFilial->Text(), tela.edtCdGrupoFiltro->Text()}),
                "GetServico");
  tela.cdsServico->Locate("CDSERVFILI", servico);
}

// ---------------------------------------------------------------- the page

bool PagConfCard::Mostra(const TTabSheet* aba) const { return aba == tela.tshConfCard; }
TTabSheet* PagConfCard::Substituta(const std::string& tipo) const { return tipo == "F" ? tela.tshFolhaDados : nullptr; }

bool PagConfCard::Editando() const { return tela.EmEdicao(*cdsConfCard); }

void PagConfCard::Avisa(Aviso aviso) {
  switch (aviso) {
    case Aviso::TelaAtivada:
      if (CabecalhoEscrito) break;
      CabecalhoConfCard();
      ConfiguraColunas();
      CabecalhoEscrito = true;
      break;
    // The columns follow the mode of the branch just opened.
    case Aviso::FilialAberta: ConfiguraColunas(); break;
    case Aviso::FilialListada:
      if (!FilialFixa) LayoutAgregada();
      break;
    // The export of the configuration is a command of this page only.
    case Aviso::PaginaTrocada:
      if (!Ativa()) tela.mnuExpConfiguracaoPadr->SetEnabled(false);
      break;
    // A cancelled cost edit may have changed what the grid shows of the service.
    case Aviso::CustoCancelado: CarregaConf(false); break;
    default: break;
  }
}

}  // namespace cad
