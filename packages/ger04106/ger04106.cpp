// Screen package "GER04106": export of a service's default menu configuration to other services of
// its branch. It receives [branch, branch name, service code, service name, changed flag]; the
// dialog lists the branch's other services (billing-only ones left out), the user ticks the
// destinations (a click toggles a row, the check title ticks or clears all) and confirms; when a
// destination has packaging distribution or restrictions the user agrees to their removal first
// ("CONF_EXCL_DIST_REST"); the application server replaces their configuration by the source's
// (ExportaConfPadrao), refusing to remove packaging without that consent. When it
// did, the flag (element 4) is set to 1, so the caller reloads its service list.
//
// Loading the library registers the package with the session, so Corvane::LoadBPL("GER04106")
// opens it; its entry table offers the same screen by name to the hosts.
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/errors.h"
#include "platform/core/scope.h"
#include "platform/core/variant.h"
#include "platform/data/dataset.h"
#include "platform/db/query.h"
#include "platform/framework/consiste.h"
#include "platform/framework/messages.h"
#include "platform/framework/rotigeral.h"
#include "platform/framework/screen_module.h"
#include "platform/framework/session.h"
#include "platform/framework/showavi.h"
#include "platform/net/netconnection.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbcontrols.h"

extern const std::string_view kLayout_ger04106;

namespace cad {
namespace {

constexpr const char* kServidor = "Ger04100.rdmCadastroServ";

class TfrmExpConfPadr : public TfrmRotiGeral {
 public:
  TfrmExpConfPadr(std::string filial, const std::string& nomeFilial, std::string servico,
                  const std::string& nomeServico)
      : filial_(std::move(filial)), servico_(std::move(servico)) {
    SetName("frmExpConfPadr");
    Bind("dbgServicoCellClick", &TfrmExpConfPadr::dbgServicoCellClick);
    Bind("dbgServicoTitleClick", &TfrmExpConfPadr::dbgServicoTitleClick);
    LoadLayout(kLayout_ger04106);
    edtCdFilial = find<TEdit>("edtCdFilial");
    edtNmFilial = find<TEdit>("edtNmFilial");
    edtCdServ = find<TEdit>("edtCdServ");
    edtNmServ = find<TEdit>("edtNmServ");
    dbgServico = find<TDBGrid>("dbgServico");
    cdsServicos = find<ClientDataSet>("cdsServicos");
    qryServicos = find<TADOIBQuery>("qryServicos");
    msgPadrao = find<TMessages>("msgPadrao");
    cdsServicos->FieldByName("IDCHECK").OnGetText = [](Field& f, std::string& text, bool exibicao) {
      if (exibicao) text = f.AsString() == "S" ? "[X]" : "[  ]";
    };
    netExpConf.ServerName = kServidor;
    netExpConf.BeforeConnect = [](TNetConnection& c) {
      c.Host = Corvane::WebURL();
      c.Port = Corvane::WebPort();
    };
    edtCdFilial->SetText(filial_);
    edtNmFilial->SetText(nomeFilial);
    edtCdServ->SetText(servico_);
    edtNmServ->SetText(nomeServico);
    qryServicos->ParamByName("P_CDFILIAL") = filial_;
    qryServicos->ParamByName("P_CDSERVFILI") = servico_;
    qryServicos->Open();
    cdsServicos->SetData(qryServicos->Data());
    qryServicos->Close();
  }
  const char* ClassName() const override { return "TfrmExpConfPadr"; }

  TNetConnection netExpConf{"netExpConf"};
  TEdit *edtCdFilial, *edtNmFilial, *edtCdServ, *edtNmServ;
  TDBGrid* dbgServico;
  ClientDataSet* cdsServicos;
  TADOIBQuery* qryServicos;
  TMessages* msgPadrao;
  bool Alterou = false;

  void dbgServicoCellClick(TComponent&, TColumn&) {
    if (cdsServicos->IsEmpty()) return;
    Field& f = cdsServicos->FieldByName("IDCHECK");
    cdsServicos->Edit();
    f.SetAsString(f.AsString() == "S" ? "N" : "S");
    cdsServicos->Post();
  }

  void dbgServicoTitleClick(TComponent&, TColumn& column) {
    if (column.FieldName != "IDCHECK" || cdsServicos->IsEmpty()) return;
    cdsServicos->First();
    std::string novo = cdsServicos->FieldByName("IDCHECK").AsString() == "S" ? "N" : "S";
    for (; !cdsServicos->Eof(); cdsServicos->Next()) {
      cdsServicos->Edit();
      cdsServicos->FieldByName("IDCHECK").SetAsString(novo);
      cdsServicos->Post();
    }
    cdsServicos->First();
  }

  void sbtConfirmaClick(TComponent& sender) override {
    std::string lista;
    std::vector<std::string> destinos;
    for (cdsServicos->First(); !cdsServicos->Eof(); cdsServicos->Next())
      if (cdsServicos->FieldByName("IDCHECK").AsString() == "S") {
        destinos.push_back(cdsServicos->FieldByName("CDSERVFILI").AsString());
        lista += destinos.back() + "_";
      }
    cdsServicos->First();
    if (lista.empty()) {
      msgPadrao->ShowMsg("ServDestNInf", TMsgDlgType::mtError, mbOK);
      Abort();
    }
    if (msgPadrao->ShowMsg("Confirma", TMsgDlgType::mtConfirmation, mbYesNo) != mrYes) return;
    // Replacing a destination's lines removes its packaging distribution and restrictions: the
    // user agrees to that first, as on the service's own menu configuration.
    std::string excluiEmbalagens = "N";
    {
      ShowAviGuard avi(this, 0);
      for (const std::string& d : destinos)
        if (Consiste::CheckResultServ(netExpConf.Call("ExisteDistrRest", {filial_, d})).asBool())
          excluiEmbalagens = "S";
    }
    if (excluiEmbalagens == "S" &&
        msgPadrao->ShowMsg("CONF_EXCL_DIST_REST", TMsgDlgType::mtInformation, mbOKCancel) != mrOk)
      return;
    {
      ShowAviGuard avi(this, 0);
      Consiste::CheckResultServ(netExpConf.Call("ExportaConfPadrao", {filial_, servico_, lista, excluiEmbalagens}));
    }
    Alterou = true;
    msgPadrao->ShowMsg("Exportado", TMsgDlgType::mtInformation, mbOK);
    TfrmRotiGeral::sbtConfirmaClick(sender);
  }

 private:
  std::string filial_, servico_;
};

// [branch, branch name, service, service name, changed flag]: shows the dialog modally and sets the
// flag to 1 when services were changed.
void abre(VariantArray& params) {
  if (params.size() < 5) throw Exception("O pacote GER04106 espera filial, nome, serviço, nome e o indicador.");
  auto texto = [&](size_t i) { return params[i].isNull() ? std::string() : params[i].asString(); };
  TfrmExpConfPadr& tela = Application().CreateForm<TfrmExpConfPadr>(texto(0), texto(1), texto(2), texto(3));
  bool alterou = false;
  tela.OnClose = [&alterou, &tela, base = tela.OnClose](TComponent& s, TCloseAction& a) {
    alterou = tela.Alterou;
    if (base) base(s, a);
  };
  tela.ShowModal();
  if (alterou) params[4] = Variant(1);
}

struct Registro {
  Registro() { RegisterScreenPackage("GER04106", abre); }
} registro;

const CadServEntry kEntradas[] = {{"ExpConfPadrao", abre}, {nullptr, nullptr}};

}  // namespace
}  // namespace cad

extern "C" const CadServEntry* CadServEntries() { return cad::kEntradas; }
