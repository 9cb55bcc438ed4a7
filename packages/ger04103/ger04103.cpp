// Screen package "GER04103": export of a service's estimated diners to the menu planning. It
// receives [branch, service code, service type, general-parameter text] and shows a small
// dialog with the service and the month it writes — the processing month of the branch — and,
// on confirm, asks the application server to write the planning's diners of every day of that
// month (SetComensCardapio) from the service's weekday figures (per diet for hospital and
// outpatient services).
//
// Loading the library registers the package with the session, so Corvane::LoadBPL("GER04103")
// opens it; its entry table offers the same screen by name to the hosts.
#include <nlohmann/json.hpp>

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/core/datetime.h"
#include "platform/core/errors.h"
#include "platform/core/variant.h"
#include "platform/framework/consiste.h"
#include "platform/framework/messages.h"
#include "platform/framework/rotigeral.h"
#include "platform/framework/screen_module.h"
#include "platform/framework/session.h"
#include "platform/framework/showavi.h"
#include "platform/net/netconnection.h"
#include "platform/ui/controls.h"

extern const std::string_view kLayout_ger04103;

namespace cad {
namespace {

constexpr const char* kServidor = "Ger04100.rdmCadastroServ";

// The company name of the general-parameter text (a JSON object of PARAMGERAL), "" when absent.
std::string nomeEmpresa(const std::string& paramGeral) {
  nlohmann::json j = nlohmann::json::parse(paramGeral, nullptr, false);
  if (!j.is_object() || !j.contains("NMEMPRESA") || !j["NMEMPRESA"].is_string()) return {};
  return j["NMEMPRESA"].get<std::string>();
}

std::string textoMes(DateTime d) {
  char b[16];
  std::snprintf(b, sizeof b, "%02d/%04d", d.month(), d.year());
  return b;
}

class TfrmExpComCard : public TfrmRotiGeral {
 public:
  TfrmExpComCard(std::string filial, std::string servico, std::string tipo, const std::string& paramGeral)
      : filial_(std::move(filial)), servico_(std::move(servico)), tipo_(std::move(tipo)) {
    SetName("frmExpComCard");
    LoadLayout(kLayout_ger04103);
    edtCdFilial = find<TEdit>("edtCdFilial");
    edtCdServ = find<TEdit>("edtCdServ");
    edtMes = find<TEdit>("edtMes");
    lblEmpresa = find<TLabel>("lblEmpresa");
    msgPadrao = find<TMessages>("msgPadrao");
    netExpComCard.ServerName = kServidor;
    netExpComCard.BeforeConnect = [](TNetConnection& c) {
      c.Host = Corvane::WebURL();
      c.Port = Corvane::WebPort();
    };
    mes_ = Corvane::DataProc(filial_);
    edtCdFilial->SetText(filial_);
    edtCdServ->SetText(servico_);
    edtMes->SetText(textoMes(mes_));
    lblEmpresa->SetCaption(nomeEmpresa(paramGeral));
  }
  const char* ClassName() const override { return "TfrmExpComCard"; }

  TNetConnection netExpComCard{"netExpComCard"};
  TEdit *edtCdFilial, *edtCdServ, *edtMes;
  TLabel* lblEmpresa;
  TMessages* msgPadrao;

  void sbtConfirmaClick(TComponent& sender) override {
    if (tipo_ == "F" || tipo_ == "M") {
      msgPadrao->ShowMsg("SemComens", TMsgDlgType::mtError, mbOK);
      Abort();
    }
    {
      ShowAviGuard avi(this, 0);
      Consiste::CheckResultServ(netExpComCard.Call("SetComensCardapio", {filial_, servico_, Variant(mes_)}));
    }
    msgPadrao->ShowMsg("Exportado", TMsgDlgType::mtInformation, mbOK, {textoMes(mes_)});
    TfrmRotiGeral::sbtConfirmaClick(sender);
  }

 private:
  std::string filial_, servico_, tipo_;
  DateTime mes_;
};

// [branch, service, type, general parameters]: shows the dialog modally.
void abre(VariantArray& params) {
  if (params.size() < 4) throw Exception("O pacote GER04103 espera filial, serviço, tipo e parâmetros gerais.");
  auto texto = [&](size_t i) { return params[i].isNull() ? std::string() : params[i].asString(); };
  Application().CreateForm<TfrmExpComCard>(texto(0), texto(1), texto(2), texto(3)).ShowModal();
}

struct Registro {
  Registro() { RegisterScreenPackage("GER04103", abre); }
} registro;

const CadServEntry kEntradas[] = {{"ExpComensCardapio", abre}, {nullptr, nullptr}};

}  // namespace
}  // namespace cad

extern "C" const CadServEntry* CadServEntries() { return cad::kEntradas; }
