// TfrmDadosGerRel: the base of report-parameter screens. It owns the report: its definition
// (report.h, by the screen's report code from the reports folder), the data (the query the
// definition names, run by the application server through the screen's connection), the layout,
// and the three actions: preview, print and save under another title. A derived screen supplies
// its connection, the checks of its choices and the values of the query's parameters.
//
// Rules:
//  - Every action first runs VerificaParametros (a derived screen aborts there with its message),
//    then reads the definition: a missing file shows "Arq_Rel_Err" with the code and the folder
//    and ends the action.
//  - Parameters: the derived screen sets them through ParametrosRel::Set, which keeps only the
//    names the definition's query lists; a listed parameter left unset is sent empty.
//  - The data is read under the progress display (kind 6) and passes Consiste::CheckResultServ.
//  - Preview and print go to the installed report host (IReportHost); the desktop host shows a
//    preview window and the system's print dialog, tests and the driver record the document.
//  - Save as: asks a title ("NovoCaption" / "NovoPrompt", the current title offered); a confirmed
//    non-empty title becomes the screen's report title and is saved with a copy of the definition
//    as <CODE>-<title letters>.json in the reports folder (the shipped definition stays as it is).
//  - Closing frees the screen (caFree).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/framework/messages.h"
#include "platform/report/report.h"
#include "platform/ui/controls.h"
#include "platform/ui/forms.h"

namespace cad {

class TNetConnection;

// ---- what a host does with a report

class IReportHost {
 public:
  virtual ~IReportHost() = default;
  // Shows the document's pages (zoom, page navigation, print, save as PDF) until the user closes it.
  virtual void Preview(const report::Document& doc) = 0;
  // Prints the document on a printer the user chooses; false when the user cancelled.
  virtual bool Print(const report::Document& doc) = 0;
  // Asks for a text; false when the user cancelled (value then unchanged).
  virtual bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) = 0;
};

// Records every document and question; answers questions from a queue (empty queue: cancel).
class ScriptedReportHost : public IReportHost {
 public:
  void Preview(const report::Document& doc) override { previews.push_back(doc); }
  bool Print(const report::Document& doc) override {
    printed.push_back(doc);
    return true;
  }
  bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) override;
  void QueueInput(std::string answer) { answers_.push_back(std::move(answer)); }

  std::vector<report::Document> previews, printed;
  std::vector<std::string> questions;  // "caption|prompt|offered value"

 private:
  std::vector<std::string> answers_;
};

// Installs the host's report service (null: a fresh scripted one); returns the installed one.
std::shared_ptr<IReportHost> InstallReportHost(std::shared_ptr<IReportHost> host);
IReportHost& ReportHost();

// The query parameters of one run: only the names the definition lists are kept.
class ParametrosRel {
 public:
  explicit ParametrosRel(const report::Definition& def);
  bool Has(const std::string& name) const { return def_.HasParam(name); }
  void Set(const std::string& name, const Variant& value);  // ignored for a name not listed
  const std::map<std::string, Variant>& Values() const { return values_; }

 private:
  const report::Definition& def_;
  std::map<std::string, Variant> values_;
};

class TfrmDadosGerRel : public TForm {
 public:
  TfrmDadosGerRel();
  const char* ClassName() const override { return "TfrmDadosGerRel"; }

  TPanel* panBotoes;
  TButtonFlat* sbtPreview;
  TButtonFlat* sbtPrint;
  TButtonFlat* sbtSalvarComo;
  TButtonFlat* sbtFechar;
  TLabel* lblCodRel;  // the report code, shown on the screen
  TMessages* msgMensagensPadroes;
  TMessages* msgPadrao;

  virtual void FormCreate(TComponent& sender);
  virtual void FormActivate(TComponent& sender);
  virtual void FormClose(TComponent& sender, TCloseAction& action);
  virtual void sbtPreviewClick(TComponent& sender);
  virtual void sbtPrintClick(TComponent& sender);
  virtual void sbtSalvarComoClick(TComponent& sender);
  virtual void sbtFecharClick(TComponent& sender);
  // Escape closes the dialog as Fechar does.
  virtual void FormKeyDown(TComponent& sender, int& key, ShiftState shift);

  // The report code (the definition file's name) and the title it prints under.
  const std::string& CodRelatorio() const { return codRelatorio_; }
  void SetCodRelatorio(std::string code);
  const std::string& TituloRelatorio() const { return titulo_; }

  // Runs the checks, reads the definition and the data and lays the report out (what every
  // action shows). Aborts (EAbort) after showing a message.
  report::Document GeraRelatorio();
  // The report as a PDF file (the driver's command, "save as PDF" without a display); returns
  // the number of pages written.
  size_t GeraPdf(const std::string& path);

 protected:
  // Checks of the derived screen's choices before any action (abort to refuse).
  virtual void VerificaParametros() {}
  // Values of the query's parameters.
  virtual void PreencheParametros(ParametrosRel& params) { (void)params; }
  // The connection the report's data is read through.
  virtual TNetConnection& ConexaoRelatorio() = 0;

 private:
  report::Definition definicao();
  std::string codRelatorio_;
  std::string titulo_;
};

}  // namespace cad
