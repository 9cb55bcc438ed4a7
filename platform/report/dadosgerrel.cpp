// TfrmDadosGerRel: the report-parameter base screen (rules in dadosgerrel.h), built from the
// layout unit dadosgerrel.json compiled into the library.
#include "platform/report/dadosgerrel.h"

#include <cctype>
#include <fstream>
#include <string_view>

#include "platform/core/datetime.h"
#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/core/packet.h"
#include "platform/framework/consiste.h"
#include "platform/framework/session.h"
#include "platform/framework/showavi.h"
#include "platform/net/netconnection.h"
#include "platform/report/render.h"

extern const std::string_view kLayoutTfrmDadosGerRel;

namespace cad {

namespace {

std::shared_ptr<IReportHost>& reportHost() {
  static std::shared_ptr<IReportHost> host = std::make_shared<ScriptedReportHost>();
  return host;
}

// The letters and digits of a title, for a file name (at most 40, others as '_').
std::string nomeArquivo(const std::string& titulo) {
  std::string out;
  for (unsigned char c : titulo) {
    if (out.size() >= 40) break;
    out += std::isalnum(c) ? static_cast<char>(c) : '_';
  }
  return out;
}

}  // namespace

bool ScriptedReportHost::InputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
  questions.push_back(caption + "|" + prompt + "|" + value);
  if (answers_.empty()) return false;
  value = answers_.front();
  answers_.erase(answers_.begin());
  return true;
}

std::shared_ptr<IReportHost> InstallReportHost(std::shared_ptr<IReportHost> host) {
  reportHost() = host ? std::move(host) : std::make_shared<ScriptedReportHost>();
  return reportHost();
}

IReportHost& ReportHost() { return *reportHost(); }

ParametrosRel::ParametrosRel(const report::Definition& def) : def_(def) {
  for (const std::string& p : def.queryParams) values_[p] = Variant("");
}

void ParametrosRel::Set(const std::string& name, const Variant& value) {
  for (const std::string& p : def_.queryParams)
    if (sameText(p, name)) values_[p] = value;
}

TfrmDadosGerRel::TfrmDadosGerRel() {
  Bind("FormCreate", &TfrmDadosGerRel::FormCreate);
  Bind("FormActivate", &TfrmDadosGerRel::FormActivate);
  Bind("FormClose", &TfrmDadosGerRel::FormClose);
  Bind("sbtPreviewClick", &TfrmDadosGerRel::sbtPreviewClick);
  Bind("sbtPrintClick", &TfrmDadosGerRel::sbtPrintClick);
  Bind("sbtSalvarComoClick", &TfrmDadosGerRel::sbtSalvarComoClick);
  Bind("sbtFecharClick", &TfrmDadosGerRel::sbtFecharClick);
  Bind("FormKeyDown", &TfrmDadosGerRel::FormKeyDown);
  LoadLayout(kLayoutTfrmDadosGerRel);
  panBotoes = find<TPanel>("panBotoes");
  sbtPreview = find<TButtonFlat>("sbtPreview");
  sbtPrint = find<TButtonFlat>("sbtPrint");
  sbtSalvarComo = find<TButtonFlat>("sbtSalvarComo");
  sbtFechar = find<TButtonFlat>("sbtFechar");
  lblCodRel = find<TLabel>("lblCodRel");
  msgMensagensPadroes = find<TMessages>("msgMensagensPadroes");
  msgPadrao = find<TMessages>("msgPadrao");
}

void TfrmDadosGerRel::FormCreate(TComponent&) { SetKeyPreview(true); }

void TfrmDadosGerRel::FormActivate(TComponent&) {}

void TfrmDadosGerRel::FormClose(TComponent&, TCloseAction& action) { action = TCloseAction::caFree; }

void TfrmDadosGerRel::sbtFecharClick(TComponent&) { Close(); }

void TfrmDadosGerRel::FormKeyDown(TComponent&, int& key, ShiftState shift) {
  if (key != VK_ESCAPE || shift != 0) return;
  key = 0;
  sbtFecharClick(*sbtFechar);
}

void TfrmDadosGerRel::SetCodRelatorio(std::string code) {
  codRelatorio_ = std::move(code);
  lblCodRel->SetCaption(codRelatorio_);
}

report::Definition TfrmDadosGerRel::definicao() {
  const std::string pasta = report::ReportsFolder();
  try {
    return report::LoadDefinition(pasta, codRelatorio_);
  } catch (const report::DefinitionMissing&) {
    Consiste::MensErro(msgPadrao->Msg("Arq_Rel_Err", {codRelatorio_, pasta}));
  } catch (const EAbort&) {
    throw;
  } catch (const Exception& e) {
    Consiste::MensErro(e.what());
  }
  throw EAbort();
}

report::Document TfrmDadosGerRel::GeraRelatorio() {
  VerificaParametros();
  report::Definition def = definicao();
  ParametrosRel params(def);
  PreencheParametros(params);
  auto valores = std::make_shared<Packet>();
  valores->rows.emplace_back();
  for (const auto& [nome, valor] : params.Values()) {
    valores->fields.push_back(FieldDef{nome, FieldType::String, 0, false, false});
    valores->rows[0].push_back(valor);
  }
  Variant dados;
  {
    ShowAviGuard aviso(this, 6, msgPadrao->Msg("get_Relatorio"));
    dados = Consiste::CheckResultServ(ConexaoRelatorio().Call("GetDadosRel", {def.queryName, Variant(valores)}));
  }
  if (!dados.isPacket()) Consiste::MensErro("O servidor não devolveu os dados do relatório " + codRelatorio_ + ".");
  report::Context ctx;
  ctx.title = titulo_;
  ctx.date = formatDate(Corvane::DataProc(Corvane::FiliProc()), formatSettings().shortDateFormat);
  ctx.operador = Corvane::Operador();
  try {
    return report::Layout(def, dados.asPacket(), ctx);
  } catch (const Exception& e) {
    Consiste::MensErro(e.what());
  }
  throw EAbort();
}

void TfrmDadosGerRel::sbtPreviewClick(TComponent&) {
  report::Document doc = GeraRelatorio();
  ReportHost().Preview(doc);
}

void TfrmDadosGerRel::sbtPrintClick(TComponent&) {
  report::Document doc = GeraRelatorio();
  ReportHost().Print(doc);
}

size_t TfrmDadosGerRel::GeraPdf(const std::string& path) {
  report::Document doc = GeraRelatorio();
  try {
    report::WritePdf(doc, path);
  } catch (const Exception& e) {
    Consiste::MensErro(e.what());
  }
  return doc.pages.size();
}

void TfrmDadosGerRel::sbtSalvarComoClick(TComponent&) {
  VerificaParametros();
  report::Definition def = definicao();
  std::string titulo = titulo_.empty() ? def.title : titulo_;
  if (!ReportHost().InputQuery(msgPadrao->Msg("NovoCaption"), msgPadrao->Msg("NovoPrompt"), titulo)) return;
  titulo = trim(titulo);
  if (titulo.empty()) return;
  if (utf8Length(titulo) > 80) titulo = utf8Left(titulo, 80);
  def.title = titulo;
  const std::string arquivo = report::ReportsFolder() + "/" + codRelatorio_ + "-" + nomeArquivo(titulo) + ".json";
  std::ofstream out(arquivo, std::ios::binary | std::ios::trunc);
  out << report::DefinitionJson(def);
  out.close();
  if (!out) Consiste::MensErro("Não foi possível gravar o arquivo " + arquivo + ".");
  titulo_ = titulo;
}

}  // namespace cad
