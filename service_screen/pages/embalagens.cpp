// Packaging page (tshEmbalagens, PagEmbalagens), a transported service's packaging with two
// sub-pages:
//  - "Distribuição": per delivery point (item 0 of the list is the service itself), the packages
//    (cdsDistrEmb, one row per group) and the dish types of the menu configuration that are free
//    (cdsDistrTpPrat) or placed in the current package (cdsDistrEmbTpPrat, filtered by group);
//  - "Restrições de Embalagens Coletivas": per dish type (cdsRestTpPrat, from the service's menu
//    configuration as the server holds it) and delivery point, the ordered collective packages
//    (cdsRestricoes) with their optional minimum quantity.
//
// Invariants:
//  - Every change is saved as soon as it is posted or deleted and the lists are reloaded from the
//    server afterwards, also when the server refuses it, so the page never shows what the server
//    does not hold. Moves of dish types are local until the package row is posted; cancelling
//    reloads both lists.
//  - The dish-type lists take rows only from the moves (MovendoTpPrat); a user cannot type in them.
//  - A delivery point holds at most one "DIST" and one "DISTR" package.
//  - Restriction rows without a minimum quantity carry order 999999 and stay after the ordered
//    ones; an ordered row gets one more than the highest order below 999999 of its list, so the
//    up and down buttons always exchange two distinct orders.
//  - While a sub-page's dataset is not browsing, no other page, service, branch, delivery point or
//    dish type can be reached; in fixed-branch mode nothing that changes data is enabled.
#include <algorithm>
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
#include "service_screen/pages/embalagens.h"

namespace cad {

namespace {

// The order of a restriction row without minimum quantity, and the marker of an empty number the
// server reads as "no minimum".
constexpr double kSemOrdem = 999999;
constexpr double kCampoNumericoVazio = -1;

bool Automatica(const std::string& codigo) { return codigo == "DIST" || codigo == "DISTR"; }

// A restriction row without minimum quantity: empty, or the empty-number marker.
bool SemMinimo(const Field& minimo) { return minimo.IsNull() || minimo.AsFloat() == kCampoNumericoVazio; }

}  // namespace

// At creation: fills the category filter, opens the page's lists
// empty and sets the controls.
void PagEmbalagens::PreparaEmbalagens() {
  for (DataSet* ds :
       std::initializer_list<DataSet*>{cdsDistrTpPrat, cdsDistrEmbTpPrat, cdsDistrEmb, cdsRestTpPrat, cdsRestricoes})
    ds->CreateDataSet();
  cdsDistrEmbAux->SetData(cdsDistrEmb->Data());
  cdsRestricoesAux->SetData(cdsRestricoes->Data());
  for (TComboBox* c : {cmbDistrPEntrega, cmbRestFiltroPEntrega}) c->SetItems({""});
  ChavesPEntrega = {""};
  cmbDistrPEntrega->SetItemIndex(0);
  cmbRestFiltroPEntrega->SetItemIndex(0);
  cmbRestFiltroCat->SetItems({""});
  ChavesCategoria = {""};
  cmbRestFiltroCat->SetItemIndex(0);
  HabilitaEmbalagens();
}

// ---------------------------------------------------------------- delivery points

void PagEmbalagens::ChavePEntrega(const TComboBox& combo, std::string& cliente, std::string& destino) const {
  cliente.clear();
  destino.clear();
  int i = combo.ItemIndex();
  if (i <= 0 || static_cast<size_t>(i) >= ChavesPEntrega.size()) return;
  const std::string& chave = ChavesPEntrega[static_cast<size_t>(i)];
  size_t sep = chave.find('_');
  if (sep == std::string::npos) return;
  cliente = chave.substr(0, sep);
  destino = chave.substr(sep + 1, 3);
}

// Both delivery-point lists and their keys for the current service; item 0 (the service itself)
// selected. They are read only while the packaging page shows them (entering the page reads them
// again), so browsing the services costs no call.
void PagEmbalagens::GetPEntregaRest() {
  // Items and keys are replaced together, once the server answered: a failed call leaves both.
  std::vector<std::string> itens{""}, chaves{""};
  if (Ativa() && tela.cdsServico->Active() && !tela.cdsServico->IsEmpty() &&
      tela.Campo(*tela.cdsServico, "IDSERVTRAN") == "S") {
    ClientDataSet pontos("cdsPontosEntrega");
    Variant r = Consiste::CheckResultServ(tela.netCadastroServ.Call(
        "GetPontosEntrega", {tela.Campo(*tela.cdsServico, "CDFILIAL"), tela.Campo(*tela.cdsServico, "CDSERVFILI")}));
    CarregaPacote(pontos, r, "GetPontosEntrega");
    for (pontos.First(); !pontos.Eof(); pontos.Next()) {
      itens.push_back(utf8Left(tela.Campo(pontos, "NMRAZSOCCLIE"), 25) + "   " + tela.Campo(pontos, "NMDESTFILI"));
      chaves.push_back(tela.Campo(pontos, "CDCLIENTE") + "_" + tela.Campo(pontos, "CDDESTFILI"));
    }
  }
  ChavesPEntrega = std::move(chaves);
  cmbRestFiltroPEntrega->SetItems(itens);
  cmbDistrPEntrega->SetItems(itens);
  cmbRestFiltroPEntrega->SetItemIndex(0);
  cmbDistrPEntrega->SetItemIndex(0);
}

// ---------------------------------------------------------------- distribution

void PagEmbalagens::GetDadosDistribuicao(double grupo) {
  if (!tela.cdsServico->Active() || tela.cdsServico->IsEmpty()) return;
  std::string cliente, destino;
  ChavePEntrega(*cmbDistrPEntrega, cliente, destino);
  cdsDistrEmbTpPrat->DisableControls();
  ScopeExit reabilita([this] { cdsDistrEmbTpPrat->EnableControls(); });
  Variant dados;
  {
    ShowAviGuard avi(&tela, 1);
    dados = Consiste::CheckResultServ(tela.netCadastroServ.Call(
        "GetDadosDistribuicao",
        {tela.Campo(*tela.cdsServico, "CDFILIAL"), tela.Campo(*tela.cdsServico, "CDSERVFILI"), cliente, destino}));
  }
  if (!dados.isArray() || dados.asArray().size() != 3) throw RespostaInesperada("GetDadosDistribuicao");
  {
    Suspend<DataSetEvent> rolagem(cdsDistrEmb->AfterScroll);
    CarregaPacote(*cdsDistrTpPrat, dados.asArray()[0], "GetDadosDistribuicao");
    CarregaPacote(*cdsDistrEmb, dados.asArray()[1], "GetDadosDistribuicao");
    CarregaPacote(*cdsDistrEmbTpPrat, dados.asArray()[2], "GetDadosDistribuicao");
    cdsDistrEmbAux->SetData(cdsDistrEmb->Data());
    if (grupo != 0) cdsDistrEmb->Locate("NRGRUPO", grupo);
  }
  cdsDistrEmbAfterScroll(*cdsDistrEmb);
}

// The code column offers the lookup button only while a row is typed or the list is empty.
void PagEmbalagens::BotaoCodigo(TDBGrid* grade, DataSet& ds, const char* campo) {
  TColumn* col = grade->ColumnByField(campo);
  if (!col) return;
  auto estilo = ds.State() == DataSetState::Insert || ds.IsEmpty() ? TColumnButtonStyle::cbsEllipsis
                                                                   : TColumnButtonStyle::cbsNone;
  if (col->ButtonStyle == estilo) return;
  col->ButtonStyle = estilo;
  grade->ColumnsChanged();
}

// The placed dish types follow the current package.
void PagEmbalagens::cdsDistrEmbAfterScroll(DataSet&) {
  BotaoCodigo(dbgDistrEmb, *cdsDistrEmb, "CDCNFDISTEMBSERV");
  double grupo = cdsDistrEmb->IsEmpty() ? 0 : cdsDistrEmb->FieldByName("NRGRUPO").AsFloat();
  if (grupo > 0) {
    cdsDistrEmbTpPrat->SetFiltered(false);
    cdsDistrEmbTpPrat->SetFilter("NRGRUPO = " + formatFloat("0", grupo));
    cdsDistrEmbTpPrat->SetFiltered(true);
  }
  HabilitaEmbalagens();
}

void PagEmbalagens::cdsDistrEmbBeforeInsert(DataSet&) {
  if (FilialFixa) Abort();
  cdsDistrEmbAux->SetData(cdsDistrEmb->Data());
}

// A new package takes the group after the highest one of the delivery point.
void PagEmbalagens::cdsDistrEmbNewRecord(DataSet&) {
  double maior = 0;
  for (cdsDistrEmbAux->First(); !cdsDistrEmbAux->Eof(); cdsDistrEmbAux->Next())
    maior = std::max(maior, cdsDistrEmbAux->FieldByName("NRGRUPO").AsFloat());
  cdsDistrEmb->FieldByName("NRGRUPO").SetAsFloat(maior + 1);
}

// An edit counts as a change even when only dish types moved, so its post saves.
void PagEmbalagens::cdsDistrEmbAfterEdit(DataSet&) {
  Field& grupo = cdsDistrEmb->FieldByName("NRGRUPO");
  grupo.SetValue(grupo.Value());
}

void PagEmbalagens::cdsDistrEmbCDCNFDISTEMBSERVChange(Field&) {
  if (cdsDistrEmb->State() == DataSetState::Insert) cdsDistrEmb->FieldByName("NOME").Clear();
}

void PagEmbalagens::GetVdDistrEmb(const std::string& codigo) {
  ShowAviGuard avi(&tela, 1);
  CarregaPacote(*cdsVdDistrEmb, Consiste::CheckResultServ(tela.netCadastroServ.Call("GetVdDistrEmb", {codigo})),
                "GetVdDistrEmb");
}

// Checks and completes the code of a package row being inserted.
void PagEmbalagens::VdDistrEmb(bool informaVazio) {
  if (cdsDistrEmb->State() != DataSetState::Insert) return;
  Field& campo = cdsDistrEmb->FieldByName("CDCNFDISTEMBSERV");
  std::string codigo = Consiste::AllTrim(campo.AsString());
  if (codigo.empty()) {
    if (informaVazio) tela.FalhaCampo(dbgDistrEmb, "DISTREMB_N_INF");
    return;
  }
  codigo = Consiste::Ajusta(codigo, 5);
  if (Automatica(upperCase(codigo))) codigo = upperCase(codigo);
  GetVdDistrEmb(codigo);
  // Only the package of the code typed: a code matching none (a typed "T", which the lookup reads
  // as "all", too) is refused, never completed to another package.
  if (!cdsVdDistrEmb->Locate("CDCNFDISTEMBSERV", codigo)) tela.FalhaCampo(dbgDistrEmb, "DISTREMB_N_CAD");
  if (Automatica(codigo) && cdsDistrEmbAux->Locate("CDCNFDISTEMBSERV", codigo))
    tela.FalhaCampo(dbgDistrEmb, "DISTREMB_AUTO_DUPLICADO");
  Suspend<std::function<void(Field&)>> limpa(campo.OnChange);
  for (const char* f : {"CDCNFDISTEMBSERV", "CDCONTAINER", "NOME", "VARIOSTPPRAT"})
    cdsDistrEmb->FieldByName(f).SetValue(cdsVdDistrEmb->FieldByName(f).Value());
}

// Posting checks the package and its dish types; the save follows the post (see AfterPost).
void PagEmbalagens::cdsDistrEmbBeforePost(DataSet&) {
  VdDistrEmb(true);
  std::string grupo = formatFloat("0", cdsDistrEmb->FieldByName("NRGRUPO").AsFloat());
  cdsDistrEmbTpPrat->SetFiltered(false);
  cdsDistrEmbTpPrat->SetFilter("NRGRUPO = " + grupo);
  cdsDistrEmbTpPrat->SetFiltered(true);
  if (cdsDistrEmbTpPrat->IsEmpty()) tela.Erro("DISTREMB_TPPRAT_N_INF");
  if (tela.Campo(*cdsDistrEmb, "VARIOSTPPRAT") == "N" && cdsDistrEmbTpPrat->RecordCount() > 1)
    tela.FalhaCampo(dbgDistrEmb, "DISTREMB_APENAS_UM");
}

// Sends the posted package with the placed dish types of every group of the delivery point.
void PagEmbalagens::SetDistrEmb() {
  std::string cliente, destino;
  ChavePEntrega(*cmbDistrPEntrega, cliente, destino);
  ShowAviGuard avi(&tela, 1);
  Consiste::CheckResultServ(tela.netCadastroServ.Call(
      "SetDistrEmb",
      {tela.Campo(*tela.cdsServico, "CDFILIAL"), tela.Campo(*tela.cdsServico, "CDSERVFILI"), cliente, destino,
       tela.Campo(*cdsDistrEmb, "CDCNFDISTEMBSERV"), cdsDistrEmb->FieldByName("CDCONTAINER").Value(),
       cdsDistrEmb->FieldByName("NRGRUPO").AsFloat(), Variant(cdsDistrEmbTpPrat->Data())}));
}

// The save runs once the row is posted, so that a refusal can reload the server's lists (which
// undoes the row on screen) before the failure is shown.
void PagEmbalagens::cdsDistrEmbAfterPost(DataSet&) {
  double grupo = cdsDistrEmb->FieldByName("NRGRUPO").AsFloat();
  try {
    SetDistrEmb();
  } catch (...) {
    GetDadosDistribuicao(0);
    throw;
  }
  GetDadosDistribuicao(grupo);
}

void PagEmbalagens::DelDistrEmb() {
  std::string cliente, destino;
  ChavePEntrega(*cmbDistrPEntrega, cliente, destino);
  ShowAviGuard avi(&tela, 1);
  Consiste::CheckResultServ(tela.netCadastroServ.Call(
      "DelDistrEmb", {tela.Campo(*tela.cdsServico, "CDFILIAL"), tela.Campo(*tela.cdsServico, "CDSERVFILI"), cliente,
                      destino, cdsDistrEmb->FieldByName("NRGRUPO").AsFloat()}));
}

void PagEmbalagens::cdsDistrEmbBeforeDelete(DataSet&) {
  if (FilialFixa) Abort();
  DelDistrEmb();
}

// After a delete or a cancel the lists come back as the server holds them (undoing moves).
void PagEmbalagens::cdsDistrEmbAfterDelete(DataSet&) { GetDadosDistribuicao(0); }

// The dish-type lists take rows only from the moves.
void PagEmbalagens::cdsDistrTpPratBeforeInsert(DataSet&) {
  if (!MovendoTpPrat) Abort();
}

void PagEmbalagens::MoveTpPrat(bool paraEmbalagem, bool todos) {
  if (FilialFixa || !cdsDistrEmb->Active() || cdsDistrEmb->IsEmpty()) return;
  DataSet& de = paraEmbalagem ? static_cast<DataSet&>(*cdsDistrTpPrat) : *cdsDistrEmbTpPrat;
  DataSet& para = paraEmbalagem ? static_cast<DataSet&>(*cdsDistrEmbTpPrat) : *cdsDistrTpPrat;
  if (de.IsEmpty()) return;
  if (!tela.EmEdicao(*cdsDistrEmb)) cdsDistrEmb->Edit();
  double grupo = cdsDistrEmb->FieldByName("NRGRUPO").AsFloat();
  cdsDistrTpPrat->DisableControls();
  cdsDistrEmbTpPrat->DisableControls();
  MovendoTpPrat = true;
  ScopeExit fim([this] {
    MovendoTpPrat = false;
    cdsDistrTpPrat->EnableControls();
    cdsDistrEmbTpPrat->EnableControls();
  });
  do {
    para.Append();
    if (paraEmbalagem) para.FieldByName("NRGRUPO").SetAsFloat(grupo);
    for (const char* f : {"NRORDCNFCARD", "NRSEQCNFCARD", "NMTIPOPRAT"})
      para.FieldByName(f).SetValue(de.FieldByName(f).Value());
    para.Post();
    de.Delete();
  } while (todos && !de.IsEmpty());
  fim.Run();
  HabilitaEmbalagens();
}

void PagEmbalagens::btnAddDistrTpPratClick(TComponent&) { MoveTpPrat(true, false); }
void PagEmbalagens::btnAddTDistrTpPratClick(TComponent&) { MoveTpPrat(true, true); }
void PagEmbalagens::btnDelDistrTpPratClick(TComponent&) { MoveTpPrat(false, false); }
void PagEmbalagens::btnDelTDistrTpPratClick(TComponent&) { MoveTpPrat(false, true); }

void PagEmbalagens::dbgDistrEmbColEnter(TComponent&) { BotaoCodigo(dbgDistrEmb, *cdsDistrEmb, "CDCNFDISTEMBSERV"); }

void PagEmbalagens::dbgDistrEmbColExit(TComponent&) {
  Field* f = dbgDistrEmb->SelectedField();
  if (f && f->FieldName() == "CDCNFDISTEMBSERV") VdDistrEmb(false);
}

// The package lookup starts a row with the package picked.
void PagEmbalagens::dbgDistrEmbEditButtonClick(TComponent&) {
  Field* f = dbgDistrEmb->SelectedField();
  if (FilialFixa || !f || f->FieldName() != "CDCNFDISTEMBSERV") return;
  if (!(cdsDistrEmb->IsEmpty() || cdsDistrEmb->State() == DataSetState::Insert)) return;
  GetVdDistrEmb("T");
  if (!Pesquisa::Pesquisar(*dtsVdDistrEmb, tela.Msg("EMBREST"))) return;
  if (cdsDistrEmb->State() != DataSetState::Insert) cdsDistrEmb->Insert();
  Suspend<std::function<void(Field&)>> limpa(cdsDistrEmb->FieldByName("CDCNFDISTEMBSERV").OnChange);
  for (const char* c : {"CDCNFDISTEMBSERV", "CDCONTAINER", "NOME", "VARIOSTPPRAT"})
    cdsDistrEmb->FieldByName(c).SetValue(cdsVdDistrEmb->FieldByName(c).Value());
  HabilitaEmbalagens();
}

namespace {

// Whether typing may reach a code column: a row being inserted, or an empty list.
bool DigitaCodigo(TDBGrid& grade, DataSet& ds, const char* campo) {
  Field* f = grade.SelectedField();
  return f && f->FieldName() == campo && ds.Active() && (ds.State() == DataSetState::Insert || ds.IsEmpty());
}

}  // namespace

void PagEmbalagens::dbgDistrEmbKeyDown(TComponent&, int& key, ShiftState shift) {
  if (key == VK_DELETE && (shift & ssCtrl)) {
    key = 0;
    return;
  }
  if ((key == VK_BACK || key == VK_DELETE) && !DigitaCodigo(*dbgDistrEmb, *cdsDistrEmb, "CDCNFDISTEMBSERV")) key = 0;
}

void PagEmbalagens::dbgDistrEmbKeyPress(TComponent&, std::string& key) {
  if (key == "\t" || key == "\r") return;
  if (FilialFixa || !DigitaCodigo(*dbgDistrEmb, *cdsDistrEmb, "CDCNFDISTEMBSERV")) key.clear();
}

// The dish-type lists take no typing and no deletion from the keyboard.
void PagEmbalagens::dbgDistrTpPratKeyDown(TComponent&, int& key, ShiftState) {
  if (key == VK_BACK || key == VK_DELETE) key = 0;
}

void PagEmbalagens::cmbDistrPEntregaEnter(TComponent&) { HabilitaEmbalagens(); }

void PagEmbalagens::cmbDistrPEntregaChange(TComponent&) { GetDadosDistribuicao(0); }

void PagEmbalagens::dtsDistrEmbStateChange(DataSource&) { HabilitaEmbalagens(); }

// ---------------------------------------------------------------- restrictions

// Read once, when the restrictions are first shown.
void PagEmbalagens::GetCategoriaRest() {
  ClientDataSet categorias("cdsCategorias");
  CarregaPacote(categorias, Consiste::CheckResultServ(tela.netCadastroServ.Call("GetCatembalag", {})), "GetCatembalag");
  std::vector<std::string> itens{""};
  ChavesCategoria = {""};
  for (categorias.First(); !categorias.Eof(); categorias.Next()) {
    itens.push_back(tela.Campo(categorias, "NMCATEMBALAG"));
    ChavesCategoria.push_back(formatFloat("0", categorias.FieldByName("NRCATEMBALAG").AsFloat()));
  }
  cmbRestFiltroCat->SetItems(itens);
  cmbRestFiltroCat->SetItemIndex(0);
}

// The dish types of the service's menu configuration as the server holds it, named from the
// dish-type table; the restrictions of the first (or the located) one follow through its scroll.
void PagEmbalagens::GetTiposPratoRest(double seqCnfCard) {
  if (!tela.cdsServico->Active() || tela.cdsServico->IsEmpty()) return;
  if (ChavesCategoria.size() <= 1) GetCategoriaRest();
  cdsRestricoes->DisableControls();
  ScopeExit reabilita([this] { cdsRestricoes->EnableControls(); });
  cdsRestricoes->EmptyDataSet();
  cdsRestricoes->MergeChangeLog();
  ClientDataSet conf("cdsConfCardRest");
  {
    ShowAviGuard avi(&tela, 1);
    CarregaPacote(conf,
                  tela.netCadastroServ.Call("GetConfCard", {tela.Campo(*tela.cdsServico, "CDFILIAL"),
                                                            tela.Campo(*tela.cdsServico, "CDSERVFILI")}),
                  "GetConfCard");
  }
  if (!qryTipoPratRest->Active()) qryTipoPratRest->Open();
  {
    Suspend<DataSetEvent> rolagem(cdsRestTpPrat->AfterScroll);
    cdsRestTpPrat->Close();
    cdsRestTpPrat->CreateDataSet();
    for (conf.First(); !conf.Eof(); conf.Next()) {
      cdsRestTpPrat->Append();
      for (const char* f : {"NRSEQCNFCARD", "NRORDCNFCARD", "CDTIPOPRAT"})
        cdsRestTpPrat->FieldByName(f).SetValue(conf.FieldByName(f).Value());
      Variant nome = qryTipoPratRest->Lookup("CDTIPOPRAT", conf.FieldByName("CDTIPOPRAT").Value(), "NMTIPOPRAT");
      Field& nm = cdsRestTpPrat->FieldByName("NMTIPOPRAT");
      nm.ReadOnly = false;
      nm.SetValue(nome);
      nm.ReadOnly = true;
      cdsRestTpPrat->Post();
    }
    cdsRestTpPrat->MergeChangeLog();
    cdsRestTpPrat->First();
    if (seqCnfCard != 0) cdsRestTpPrat->Locate("NRSEQCNFCARD", seqCnfCard);
  }
  GetRestricoes();
}

void PagEmbalagens::cdsRestTpPratAfterScroll(DataSet&) { GetRestricoes(); }

void PagEmbalagens::GetRestricoes() {
  if (!tela.cdsServico->Active() || tela.cdsServico->IsEmpty()) return;
  cdsRestricoes->DisableControls();
  ScopeExit reabilita([this] { cdsRestricoes->EnableControls(); });
  cdsRestricoes->SetFiltered(false);
  std::string cliente, destino;
  ChavePEntrega(*cmbRestFiltroPEntrega, cliente, destino);
  double seq =
      cdsRestTpPrat->Active() && !cdsRestTpPrat->IsEmpty() ? cdsRestTpPrat->FieldByName("NRSEQCNFCARD").AsFloat() : 0;
  {
    ShowAviGuard avi(&tela, 1);
    Variant r = Consiste::CheckResultServ(tela.netCadastroServ.Call(
        "GetRestricoes",
        {tela.Campo(*tela.cdsServico, "CDFILIAL"), tela.Campo(*tela.cdsServico, "CDSERVFILI"), cliente, destino, seq}));
    Suspend<DataSetEvent> rolagem(cdsRestricoes->AfterScroll);
    CarregaPacote(*cdsRestricoes, r, "GetRestricoes");
  }
  cdsRestricoesAux->SetData(cdsRestricoes->Data());
  NrRestricao = cdsRestricoes->IsEmpty() ? 0 : cdsRestricoes->FieldByName("NRRESTEMBTPPRAT").AsFloat();
  cmbRestFiltroCatChange(*cmbRestFiltroCat);
  cdsRestricoesAfterScroll(*cdsRestricoes);
}

// Item 0 shows every category; another item only its packages.
void PagEmbalagens::cmbRestFiltroCatChange(TComponent&) {
  cdsRestricoes->SetFiltered(false);
  int i = cmbRestFiltroCat->ItemIndex();
  if (i > 0 && static_cast<size_t>(i) < ChavesCategoria.size() && !ChavesCategoria[static_cast<size_t>(i)].empty()) {
    cdsRestricoes->SetFilter("NRCATEMBALAG = " + ChavesCategoria[static_cast<size_t>(i)]);
    cdsRestricoes->SetFiltered(true);
  }
}

void PagEmbalagens::cmbRestFiltroPEntregaChange(TComponent&) { GetRestricoes(); }

void PagEmbalagens::cdsRestricoesBeforeInsert(DataSet&) {
  if (FilialFixa || !cdsRestTpPrat->Active() || cdsRestTpPrat->IsEmpty()) Abort();
  cdsRestricoesAux->SetData(cdsRestricoes->Data());
}

void PagEmbalagens::cdsRestricoesNewRecord(DataSet&) {
  cdsRestricoes->FieldByName("NRRESTEMBTPPRAT").SetAsFloat(NrRestricao);
}

void PagEmbalagens::cdsRestricoesAfterInsert(DataSet&) { tela.Foca(dbgRestricoes); }

void PagEmbalagens::cdsRestricoesAfterEdit(DataSet&) {
  tela.Foca(dbgRestricoes);
  Field& nr = cdsRestricoes->FieldByName("NRRESTEMBTPPRAT");
  nr.SetValue(nr.Value());
}

void PagEmbalagens::cdsRestricoesCDCONTAINERChange(Field&) {
  if (cdsRestricoes->State() == DataSetState::Insert) cdsRestricoes->FieldByName("NMCONTAINER").Clear();
}

// Packages of the selected category ("T": all of them).
void PagEmbalagens::GetVdEmbRestricao(const std::string& codigo) {
  int i = cmbRestFiltroCat->ItemIndex();
  double categoria = i > 0 && static_cast<size_t>(i) < ChavesCategoria.size()
                         ? parseFloat(ChavesCategoria[static_cast<size_t>(i)]).value_or(0)
                         : 0;
  Variant cod(codigo), cat(categoria);
  ShowAviGuard avi(&tela, 1);
  CarregaPacote(*cdsVdEmbRest,
                Consiste::CheckResultServ(tela.netCadastroServ.Call("GetVdEmbRest", {ByRef(cod), ByRef(cat)})),
                "GetVdEmbRest");
}

void PagEmbalagens::VdEmbRestricao(bool informaVazio) {
  if (cdsRestricoes->State() != DataSetState::Insert) return;
  Field& campo = cdsRestricoes->FieldByName("CDCONTAINER");
  std::string codigo = Consiste::AllTrim(campo.AsString());
  if (codigo.empty()) {
    if (informaVazio) tela.FalhaCampo(dbgRestricoes, "EMBREST_N_INF");
    return;
  }
  codigo = Consiste::Ajusta(codigo, 5);
  GetVdEmbRestricao(codigo);
  // Only the package of the code typed ("T" reads as "all" to the lookup: never the first of them).
  if (!cdsVdEmbRest->Locate("CDCONTAINER", codigo)) tela.FalhaCampo(dbgRestricoes, "EMBREST_N_CAD");
  // The snapshot is unfiltered: a package hidden by the category filter counts too.
  if (cdsRestricoesAux->Locate("CDCONTAINER", codigo)) tela.FalhaCampo(dbgRestricoes, "EMBREST_JA_UTIL");
  Suspend<std::function<void(Field&)>> limpa(campo.OnChange);
  campo.SetValue(cdsVdEmbRest->FieldByName("CDCONTAINER").Value());
  cdsRestricoes->FieldByName("NMCONTAINER").SetValue(cdsVdEmbRest->FieldByName("NMCONTAINER").Value());
}

// A row without minimum goes after the ordered ones; an ordered row after the last ordered one.
void PagEmbalagens::VdRestricao() {
  VdEmbRestricao(true);
  Field& minimo = cdsRestricoes->FieldByName("VRMINCONTAINER");
  bool semMinimo = SemMinimo(minimo);
  if (!semMinimo && minimo.AsFloat() <= 0) tela.FalhaCampo(dbgRestricoes, "VRMINREST<=0");
  Field& ordem = cdsRestricoes->FieldByName("NRORDEM");
  if (semMinimo) {
    ordem.SetAsFloat(kSemOrdem);
    minimo.SetAsFloat(kCampoNumericoVazio);
    return;
  }
  // An edited row that already has its place keeps it.
  if (!ordem.IsNull() && ordem.AsFloat() < kSemOrdem) return;
  double maior = 0;
  std::string codigo = tela.Campo(*cdsRestricoes, "CDCONTAINER");
  for (cdsRestricoesAux->First(); !cdsRestricoesAux->Eof(); cdsRestricoesAux->Next()) {
    double o = cdsRestricoesAux->FieldByName("NRORDEM").AsFloat();
    if (o < kSemOrdem && tela.Campo(*cdsRestricoesAux, "CDCONTAINER") != codigo) maior = std::max(maior, o);
  }
  ordem.SetAsFloat(maior + 1);
}

void PagEmbalagens::cdsRestricoesBeforePost(DataSet&) { VdRestricao(); }

// After a post or a delete: the list's change set goes to the server and the list is reloaded,
// also when the server refused it.
void PagEmbalagens::GravaRestricoes() {
  if (cdsRestricoes->ChangeCount() == 0) return;
  std::string codigo = tela.Campo(*cdsRestricoes, "CDCONTAINER");
  std::string cliente, destino;
  ChavePEntrega(*cmbRestFiltroPEntrega, cliente, destino);
  Variant numero(NrRestricao), cli(cliente), dest(destino);
  auto recarrega = [&] {
    GetRestricoes();
    if (!codigo.empty()) cdsRestricoes->Locate("CDCONTAINER", codigo);
  };
  try {
    ShowAviGuard avi(&tela, 1);
    Consiste::CheckResultServ(tela.netCadastroServ.Call(
        "SetRestricoes", {ByRef(numero), tela.Campo(*tela.cdsServico, "CDFILIAL"),
                          tela.Campo(*tela.cdsServico, "CDSERVFILI"), ByRef(cli), ByRef(dest),
                          cdsRestTpPrat->FieldByName("NRSEQCNFCARD").AsFloat(), Variant(cdsRestricoes->Delta())}));
  } catch (...) {
    recarrega();
    throw;
  }
  recarrega();
}

void PagEmbalagens::cdsRestricoesAfterPost(DataSet&) { GravaRestricoes(); }

void PagEmbalagens::cdsRestricoesAfterCancel(DataSet&) { HabilitaEmbalagens(); }

void PagEmbalagens::cdsRestricoesAfterScroll(DataSet&) {
  BotaoCodigo(dbgRestricoes, *cdsRestricoes, "CDCONTAINER");
  HabilitaEmbalagens();
}

void PagEmbalagens::dbgRestricoesColEnter(TComponent&) { BotaoCodigo(dbgRestricoes, *cdsRestricoes, "CDCONTAINER"); }

void PagEmbalagens::dbgRestricoesColExit(TComponent&) {
  Field* f = dbgRestricoes->SelectedField();
  if (f && f->FieldName() == "CDCONTAINER") VdEmbRestricao(false);
}

void PagEmbalagens::dbgRestricoesEditButtonClick(TComponent&) {
  Field* f = dbgRestricoes->SelectedField();
  if (FilialFixa || !f || f->FieldName() != "CDCONTAINER") return;
  if (!(cdsRestricoes->IsEmpty() || cdsRestricoes->State() == DataSetState::Insert)) return;
  GetVdEmbRestricao("T");
  if (!Pesquisa::Pesquisar(*dtsVdEmbRest, tela.Msg("EMBREST") + "|" + tela.Msg("N_HA_EMBREST"))) return;
  if (cdsRestricoes->State() != DataSetState::Insert) cdsRestricoes->Insert();
  Suspend<std::function<void(TComponent&)>> saida(dbgRestricoes->OnColExit);
  Suspend<std::function<void(Field&)>> limpa(cdsRestricoes->FieldByName("CDCONTAINER").OnChange);
  for (const char* c : {"CDCONTAINER", "NMCONTAINER", "NRCATEMBALAG"})
    cdsRestricoes->FieldByName(c).SetValue(cdsVdEmbRest->FieldByName(c).Value());
}

// Backspace and Delete only where a value may be typed, never Ctrl+Delete.
void PagEmbalagens::dbgPadraoKeyDown(TComponent&, int& key, ShiftState shift) {
  if (key == VK_DELETE && (shift & ssCtrl)) {
    key = 0;
    return;
  }
  if (key != VK_BACK && key != VK_DELETE) return;
  Field* f = dbgRestricoes->SelectedField();
  std::string campo = f ? f->FieldName() : std::string();
  if (campo == "CDCONTAINER" && !DigitaCodigo(*dbgRestricoes, *cdsRestricoes, "CDCONTAINER")) key = 0;
  if (campo != "CDCONTAINER" && campo != "VRMINCONTAINER") key = 0;
}

void PagEmbalagens::dbgRestricoesKeyPress(TComponent&, std::string& key) {
  if (key == "\t" || key == "\r") return;
  Field* f = dbgRestricoes->SelectedField();
  std::string campo = f ? f->FieldName() : std::string();
  // Nothing is typed in fixed-branch mode; the minimum takes digits, the package code what its
  // lookup accepts, and no other column anything.
  bool aceita = false;
  if (FilialFixa)
    aceita = false;
  else if (campo == "VRMINCONTAINER")
    aceita = key.size() == 1 && ((key[0] >= '0' && key[0] <= '9') || key[0] == '\b');
  else if (campo == "CDCONTAINER")
    aceita = DigitaCodigo(*dbgRestricoes, *cdsRestricoes, "CDCONTAINER");
  if (!aceita) key.clear();
}

// Exchanges the order of the current row with its neighbour's; both rows go in one change set.
void PagEmbalagens::MoveRestricao(bool paraCima) {
  if (FilialFixa || cdsRestricoes->State() != DataSetState::Browse || cdsRestricoes->RecordCount() < 2) return;
  std::string codigo = tela.Campo(*cdsRestricoes, "CDCONTAINER");
  {
    Suspend<DataSetEvent> antes(cdsRestricoes->BeforePost), depois(cdsRestricoes->AfterPost),
        rolagem(cdsRestricoes->AfterScroll);
    Suspend<DataSetEvent> edita(cdsRestricoes->BeforeInsert), editaDepois(cdsRestricoes->AfterEdit);
    cdsRestricoes->DisableControls();
    ScopeExit reabilita([this] { cdsRestricoes->EnableControls(); });
    double ordem = cdsRestricoes->FieldByName("NRORDEM").AsFloat();
    if (paraCima)
      cdsRestricoes->Prior();
    else
      cdsRestricoes->Next();
    // Only ordered rows trade places: a row without minimum stays after them.
    if (SemMinimo(cdsRestricoes->FieldByName("VRMINCONTAINER"))) {
      cdsRestricoes->Locate("CDCONTAINER", codigo);
      return;
    }
    double vizinha = cdsRestricoes->FieldByName("NRORDEM").AsFloat();
    Suspend<DataSetEvent> antesEdicao(cdsRestricoes->BeforeEdit);
    cdsRestricoes->Edit();
    cdsRestricoes->FieldByName("NRORDEM").SetAsFloat(ordem);
    cdsRestricoes->Post();
    cdsRestricoes->Locate("CDCONTAINER", codigo);
    cdsRestricoes->Edit();
    cdsRestricoes->FieldByName("NRORDEM").SetAsFloat(vizinha);
    cdsRestricoes->Post();
  }
  GravaRestricoes();
  cdsRestricoes->Locate("CDCONTAINER", codigo);
  HabilitaEmbalagens();
}

void PagEmbalagens::sbtRestricaoUpClick(TComponent&) { MoveRestricao(true); }
void PagEmbalagens::sbtRestricaoDownClick(TComponent&) { MoveRestricao(false); }

// ---------------------------------------------------------------- page

// Whether the current service is a transported corporate one, the only kind with packaging.
bool PagEmbalagens::Transportado() {
  return tela.cdsServico->Active() && !tela.cdsServico->IsEmpty() && tela.TipoServico() == "N" &&
         tela.Campo(*tela.cdsServico, "IDSERVTRAN") == "S";
}

// The enabled state of the page's controls, of the screen's commands and of the other pages.
void PagEmbalagens::HabilitaEmbalagens() {
  // Packaging belongs to a transported service: for any other the page's commands stay off.
  bool ativa = Ativa() && Transportado();
  bool ieDist = TemEntrada("CriaImpDist") || TemEntrada("CriaExpDist");
  bool ieRest = TemEntrada("CriaImpRest") || TemEntrada("CriaExpRest");
  if (!ativa) {
    tela.sbtImportExportConf->SetEnabled(false);
    tela.mnuImportExportConf->SetEnabled(false);
    return;
  }
  bool distribuicao = pgcEmbalagens->ActivePage() != tshRestricoes;
  DataSet& ds = distribuicao ? *cdsDistrEmb : *cdsRestricoes;
  bool b = ds.Active() && ds.State() == DataSetState::Browse;
  bool e = !ds.Active() || ds.IsEmpty();
  bool muda = !FilialFixa;
  bool tiposRest = cdsRestTpPrat->Active() && !cdsRestTpPrat->IsEmpty();

  bool incluir = b && (distribuicao || tiposRest);
  bool procurar = distribuicao ? (b || !dbgDistrEmb->Focused()) : b;
  tela.ChangeButtons(muda && incluir, muda && b && !e, muda && b && !e, procurar, b, muda && !b);
  tela.sbtAutomatico->SetEnabled(false);
  tela.sbtExportComens->SetEnabled(false);
  tela.HabilitaCopia(b && tela.PodeCopiar());
  tela.sbtImportExportConf->SetEnabled(muda && b && (distribuicao ? ieDist : ieRest));
  tela.mnuImportExportConf->SetEnabled(tela.sbtImportExportConf->Enabled());
  tela.mnuImportRest->SetEnabled(muda && !distribuicao && TemEntrada("CriaImpRest"));
  tela.mnuExportRest->SetEnabled(muda && !distribuicao && TemEntrada("CriaExpRest"));
  tela.mnuImportDist->SetEnabled(muda && distribuicao && TemEntrada("CriaImpDist"));
  tela.mnuExportDist->SetEnabled(muda && distribuicao && !e && TemEntrada("CriaExpDist"));

  bool livres = cdsDistrTpPrat->Active() && !cdsDistrTpPrat->IsEmpty();
  bool colocados = cdsDistrEmbTpPrat->Active() && !cdsDistrEmbTpPrat->IsEmpty();
  bool temEmb = cdsDistrEmb->Active() && !cdsDistrEmb->IsEmpty();
  btnAddDistrTpPrat->SetEnabled(muda && temEmb && livres);
  btnAddTDistrTpPrat->SetEnabled(btnAddDistrTpPrat->Enabled());
  btnDelDistrTpPrat->SetEnabled(muda && temEmb && colocados);
  btnDelTDistrTpPrat->SetEnabled(btnDelDistrTpPrat->Enabled());

  // The order buttons move only rows with a minimum quantity, and never past a row without one.
  // The neighbours are those the grid shows (under a category filter too), the ones a move swaps.
  bool sobe = false, desce = false;
  if (!distribuicao && muda && b && !e && cdsRestricoes->RecordCount() > 1 &&
      !SemMinimo(cdsRestricoes->FieldByName("VRMINCONTAINER"))) {
    int atual = cdsRestricoes->RecNo();
    sobe = atual > 1;
    if (atual < cdsRestricoes->DisplayCount())
      cdsRestricoes->ReadRow(atual, [&] { desce = !SemMinimo(cdsRestricoes->FieldByName("VRMINCONTAINER")); });
  }
  sbtRestricaoUp->SetEnabled(sobe);
  sbtRestricaoDown->SetEnabled(desce);

  // While a package or a restriction is edited nothing else can be reached.
  tshDistribuicao->SetEnabled(distribuicao || b);
  tshRestricoes->SetEnabled(!distribuicao || b);
  Consiste::SetChildEnabled(*grbDistrPEntrega, b);
  Consiste::SetChildEnabled(*panRestTpPrat, b);
  Consiste::SetChildEnabled(*grbRestFiltro, b);
  if (FilialFixa)
    tela.panFilial->SetEnabled(false);
  else
    tela.HabilitaPainelFilial(b);
  for (auto [sheet, menu] : tela.Paginas()) {
    if (sheet == tela.tshEmbalagens) continue;
    sheet->SetEnabled(b && tela.PaginaPermitida(sheet));
    menu->SetEnabled(sheet->Enabled());
  }
  tela.tshFolhaDados->SetEnabled(b);
  tela.mnuFolhaDados->SetEnabled(b);
  tela.dbnPadrao->SetEnabled(b && tela.cdsServico->Active() && !tela.cdsServico->IsEmpty());
}

// Entering the page shows the distribution of the service itself.
void PagEmbalagens::Entra() {
  pgcEmbalagens->SetActivePage(tshDistribuicao);
  GetPEntregaRest();
  GetDadosDistribuicao(0);
}

// The selected service changed while the page is active: its lists are reloaded, for the service
// itself (the previous service's delivery points mean nothing to the new one).
void PagEmbalagens::EmbalagensTrocaServico() {
  if (tela.Campo(*tela.cdsServico, "IDSERVTRAN") != "S") return;
  GetPEntregaRest();
  if (pgcEmbalagens->ActivePage() == tshRestricoes)
    GetTiposPratoRest(0);
  else
    GetDadosDistribuicao(0);
}

void PagEmbalagens::pgcEmbalagensChange(TComponent&) {
  if (pgcEmbalagens->ActivePage() == tshRestricoes)
    GetTiposPratoRest(0);
  else
    GetDadosDistribuicao(0);
  HabilitaEmbalagens();
}

// The import and export entries open their side screens with the selected delivery point; a
// screen that changed something (its result true) reloads the sub-page.
void PagEmbalagens::ChamaImportExport(const std::string& entrada, bool restricao) {
  if (FilialFixa || !TemEntrada(entrada) || !Transportado()) return;
  std::string cliente, destino;
  ChavePEntrega(restricao ? *cmbRestFiltroPEntrega : *cmbDistrPEntrega, cliente, destino);
  // The creator writes its result into the last parameter.
  VariantArray params{tela.Campo(*tela.cdsServico, "CDFILIAL"), tela.Campo(*tela.cdsServico, "CDSERVFILI"), cliente,
                      destino, false};
  ChamaEntrada(entrada, params);
  if (!(params.back().isBool() && params.back().asBool())) return;
  if (restricao)
    GetTiposPratoRest(0);
  else
    GetDadosDistribuicao(cdsDistrEmb->IsEmpty() ? 0 : cdsDistrEmb->FieldByName("NRGRUPO").AsFloat());
}

// The button and its menu entry (Ctrl+M) open the import/export menu while they are enabled.
void PagEmbalagens::sbtImportExportConfClick(TComponent&) {
  if (!tela.sbtImportExportConf->Enabled() || !tela.mnuImportExportConf->Enabled()) return;
  tela.pmnImportExportConf->Popup();
}

void PagEmbalagens::mnuImportRestClick(TComponent& sender) {
  if (&sender == tela.mnuImportRest) ChamaImportExport("CriaImpRest", true);
  if (&sender == tela.mnuExportRest) ChamaImportExport("CriaExpRest", true);
  if (&sender == tela.mnuImportDist) ChamaImportExport("CriaImpDist", false);
  if (&sender == tela.mnuExportDist) ChamaImportExport("CriaExpDist", false);
}

// ---------------------------------------------------------------- the screen's commands

void PagEmbalagens::Inclui(TComponent&) {
  if (pgcEmbalagens->ActivePage() == tshRestricoes) {
    tela.Foca(dbgRestricoes);
    cdsRestricoes->Insert();
  } else {
    tela.Foca(dbgDistrEmb);
    cdsDistrEmb->Insert();
  }
}

void PagEmbalagens::Altera(TComponent&) {
  if (pgcEmbalagens->ActivePage() == tshRestricoes) {
    tela.Foca(dbgRestricoes);
    if (!cdsRestricoes->IsEmpty()) cdsRestricoes->Edit();
  } else {
    tela.Foca(dbgDistrEmb);
    if (!cdsDistrEmb->IsEmpty()) cdsDistrEmb->Edit();
  }
}

void PagEmbalagens::Cancela() {
  DataSet& ds = pgcEmbalagens->ActivePage() == tshRestricoes ? *cdsRestricoes : *cdsDistrEmb;
  if (tela.EmEdicao(ds)) ds.Cancel();
}

void PagEmbalagens::Procura(TComponent&) {
  for (auto [grade, ds] : std::initializer_list<std::pair<TDBGrid*, DataSet*>>{{dbgDistrTpPrat, cdsDistrTpPrat},
                                                                               {dbgDistrEmbTpPrat, cdsDistrEmbTpPrat},
                                                                               {dbgDistrEmb, cdsDistrEmb},
                                                                               {dbgRestTpPrat, cdsRestTpPrat},
                                                                               {dbgRestricoes, cdsRestricoes}})
    if (grade->Focused() && ds->Active()) {
      Procurar::Procura(*ds);
      return;
    }
}

void PagEmbalagens::Confirma() {
  DataSet& ds = pgcEmbalagens->ActivePage() == tshRestricoes ? *cdsRestricoes : *cdsDistrEmb;
  if (tela.EmEdicao(ds)) ds.Post();
}

void PagEmbalagens::Verifica() {
  if (pgcEmbalagens->ActivePage() == tshRestricoes)
    GetTiposPratoRest(0);
  else
    GetDadosDistribuicao(cdsDistrEmb->IsEmpty() ? 0 : cdsDistrEmb->FieldByName("NRGRUPO").AsFloat());
}

// A refused deletion reloads the list, so a package another user removed disappears.
bool PagEmbalagens::Exclui() {
  bool restricao = pgcEmbalagens->ActivePage() == tshRestricoes;
  DataSet& ds = restricao ? *cdsRestricoes : *cdsDistrEmb;
  tela.Foca(restricao ? dbgRestricoes : dbgDistrEmb);
  if (FilialFixa || ds.IsEmpty() || ds.State() != DataSetState::Browse) return false;
  if (tela.msgPadrao->ShowMsg("Excl", TMsgDlgType::mtConfirmation, mbYesNo) != mrYes) return false;
  try {
    ds.Delete();
    return true;
  } catch (const EAbort&) {
    throw;
  } catch (...) {
    if (!restricao) GetDadosDistribuicao(0);
    throw;
  }
}

// ---------------------------------------------------------------- the page

bool PagEmbalagens::Mostra(const TTabSheet* aba) const { return aba == tela.tshEmbalagens; }
// Packaging belongs to a transported corporate service.
bool PagEmbalagens::Serve(const std::string& tipo) const {
  return tipo == "N" && tela.Campo(*tela.cdsServico, "IDSERVTRAN") == "S";
}

// The page stays only for a transported corporate service.
void PagEmbalagens::ServicoMostrado() {
  EmbalagensTrocaServico();
  HabilitaEmbalagens();
  if (tela.TipoServico() == "N" && tela.Campo(*tela.cdsServico, "IDSERVTRAN") == "S") return;
  tela.MostraLista();
  // Off the page: its import/export command goes off with it.
  HabilitaEmbalagens();
}

void PagEmbalagens::Avisa(Aviso aviso) {
  if (aviso == Aviso::Criacao) PreparaEmbalagens();
  if (aviso == Aviso::PaginaTrocada) HabilitaEmbalagens();
  // The delivery points of the restriction filter, whatever the page.
  if (aviso == Aviso::ServicoMostrado || aviso == Aviso::PontosAlterados) GetPEntregaRest();
}

}  // namespace cad
