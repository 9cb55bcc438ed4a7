// The diet export dialog (see expcomdiet.h): loading the service's other diets, ticking them,
// and the confirm that sends the selection to the application server.
#include "side_screens/expcomens/expcomdiet.h"

#include <string_view>

#include "platform/core/errors.h"
#include "platform/core/scope.h"
#include "platform/framework/consiste.h"
#include "platform/framework/remoto.h"
#include "platform/framework/session.h"
#include "platform/framework/showavi.h"

namespace cad {

bool DialogoExpComDietAberto = false;
std::string ExpComDietFilial, ExpComDietServico, ExpComDietDieta;

namespace {

constexpr const char* kServidor = "Ger04100.rdmCadastroServ";

}  // namespace

TfrmExpComDiet::TfrmExpComDiet() {
  SetName("frmExpComDiet");
  layout::expcomens::Load_expcomdiet(*this);
  // A tick box in the check column: the flag's text is never shown as "S"/"N".
  cdsBuscaDietas->FieldByName("IDCHECK").OnGetText = [](Field& f, std::string& text, bool exibicao) {
    if (exibicao) text = f.AsString() == "S" ? "[X]" : "[  ]";
  };
  netExpComens.ServerName = kServidor;
  netExpComens.ThrowException = false;
  ServidorDaSessao(netExpComens);
}

void TfrmExpComDiet::FormCreate(TComponent& sender) {
  TfrmRotiGeral::FormCreate(sender);
  edtCodDieta->SetText(ExpComDietDieta);
  Reabre(*qryNomeDieta, {{"P_CDDIETPAD", ExpComDietDieta}});
  edtNomDieta->SetText(qryNomeDieta->IsEmpty() ? std::string() : qryNomeDieta->FieldByName("DSDIETPAD").AsString());
  qryNomeDieta->Close();
}

// The other diets of the service, none ticked; then the connection.
void TfrmExpComDiet::FormActivate(TComponent&) {
  if (carregado_) return;
  carregado_ = true;
  Reabre(*qryBuscaDietas,
         {{"P_CDFILIAL", ExpComDietFilial}, {"P_CDSERVFILI", ExpComDietServico}, {"P_NCDDIETPAD", ExpComDietDieta}});
  cdsBuscaDietas->SetData(qryBuscaDietas->Data());
  qryBuscaDietas->Close();
  {
    ShowAviGuard avi(this, 0);
    netExpComens.Open();
  }
}

void TfrmExpComDiet::FormClose(TComponent& sender, TCloseAction& action) {
  TfrmRotiGeral::FormClose(sender, action);
  DialogoExpComDietAberto = false;
  netExpComens.Close();
}

void TfrmExpComDiet::dbgDietaCellClick(TComponent&, TColumn&) {
  if (!cdsBuscaDietas->Active() || cdsBuscaDietas->IsEmpty()) return;
  Field& f = cdsBuscaDietas->FieldByName("IDCHECK");
  cdsBuscaDietas->Edit();
  f.SetAsString(f.AsString() == "S" ? "N" : "S");
  cdsBuscaDietas->Post();
}

// The check title ticks every row, or clears them all when the first row is ticked.
void TfrmExpComDiet::dbgDietaTitleClick(TComponent&, TColumn& column) {
  if (column.FieldName != "IDCHECK" || !cdsBuscaDietas->Active() || cdsBuscaDietas->IsEmpty()) return;
  cdsBuscaDietas->First();
  std::string novo = cdsBuscaDietas->FieldByName("IDCHECK").AsString() == "S" ? "N" : "S";
  cdsBuscaDietas->DisableControls();
  ScopeExit reativa([this] { cdsBuscaDietas->EnableControls(); });
  for (; !cdsBuscaDietas->Eof(); cdsBuscaDietas->Next()) {
    cdsBuscaDietas->Edit();
    cdsBuscaDietas->FieldByName("IDCHECK").SetAsString(novo);
    cdsBuscaDietas->Post();
  }
  cdsBuscaDietas->First();
}

void TfrmExpComDiet::dbgDietaKeyDown(TComponent&, int& key, ShiftState shift) {
  if (key == VK_DELETE && (shift & ssCtrl)) key = 0;
}

std::string TfrmExpComDiet::ListaSelecionadas() {
  std::string lista;
  if (!cdsBuscaDietas->Active()) return lista;
  for (cdsBuscaDietas->First(); !cdsBuscaDietas->Eof(); cdsBuscaDietas->Next())
    if (cdsBuscaDietas->FieldByName("IDCHECK").AsString() == "S")
      lista += cdsBuscaDietas->FieldByName("CDDIETPAD").AsString() + "_";
  cdsBuscaDietas->First();
  return lista;
}

// Sends the ticked diets after a confirmation; the dialog stays open for another export.
void TfrmExpComDiet::sbtConfirmaClick(TComponent&) {
  std::string selecao = ListaSelecionadas();
  if (selecao.empty()) {
    msgPadrao->ShowMsg("Diet_inf", TMsgDlgType::mtError, mbOK);
    Abort();
  }
  if (msgPadrao->ShowMsg("Export", TMsgDlgType::mtConfirmation, mbYesNo) != mrYes) return;
  {
    ShowAviGuard avi(this, 0);
    Variant filial(ExpComDietFilial), servico(ExpComDietServico), dieta(ExpComDietDieta), lista(selecao);
    Consiste::CheckResultServ(
        netExpComens.Call("SetExpComens", {ByRef(filial), ByRef(servico), ByRef(dieta), ByRef(lista)}));
  }
  msgPadrao->ShowMsg("Export_Suces", TMsgDlgType::mtInformation, mbOK);
}

void CriaExpComDiet(const std::string& filial, const std::string& servico, const std::string& dieta) {
  if (DialogoExpComDietAberto) return;
  ExpComDietFilial = filial;
  ExpComDietServico = servico;
  ExpComDietDieta = dieta;
  TfrmExpComDiet& tela = Application().CreateForm<TfrmExpComDiet>();
  DialogoExpComDietAberto = true;
  ScopeExit fecha([] { DialogoExpComDietAberto = false; });
  tela.ShowModal();
}

namespace {

// The dialog is also the screen package "GER04104", for screens that open it by its code.
struct RegistroPacote {
  RegistroPacote() { RegisterScreenPackage("GER04104", EntradaCriaExpComDiet); }
  ~RegistroPacote() { RegisterScreenPackage("GER04104", {}); }
} registroPacote;

}  // namespace

void EntradaCriaExpComDiet(VariantArray& params) {
  if (params.size() < 3) throw Exception("CriaExpComDiet espera a filial, o serviço e a dieta de origem.");
  CriaExpComDiet(params[0].asString(), params[1].asString(), params[2].asString());
}

}  // namespace cad
