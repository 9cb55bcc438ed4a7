// The desktop host's report service: the preview window of a laid-out report (page images drawn
// by the platform's renderer; zoom, page navigation, print through the system's print dialog,
// save as PDF), printing without a preview, and the text question of "save as".
//
// Invariants:
//  - Every page shown, printed or saved comes from the one renderer (platform/report/render.h):
//    the preview, the printout and the PDF hold the same pages.
//  - Printing draws each page at no more than 300 dots per inch (a page image stays a few tens
//    of megabytes whatever the printer's resolution), scaled to the printer's page.
#pragma once

#include <QDialog>

#include <functional>

#include "platform/report/dadosgerrel.h"
#include "platform/report/report.h"

class QLabel;
class QPushButton;
class QScrollArea;

namespace cad::desktop {

class ReportPreview : public QDialog {
  Q_OBJECT
 public:
  explicit ReportPreview(report::Document doc, QWidget* parent = nullptr);

  int page() const { return page_; }
  double zoom() const { return zoom_; }
  void setPage(int page);     // clamped to the document's pages
  void setZoom(double zoom);  // 0.25 to 4
  QString pageText() const;   // "Página N de M"
  QLabel* pageImage() const { return image_; }
  // Prints through the system's print dialog; false when the user cancelled.
  bool print();
  // Asks a file name and writes the PDF; false when cancelled (an error is shown).
  bool savePdf();

 private:
  void redraw();
  report::Document doc_;
  int page_ = 0;
  double zoom_ = 1.0;
  QLabel* image_ = nullptr;
  QLabel* pageLabel_ = nullptr;
  QScrollArea* scroll_ = nullptr;
  QPushButton *first_ = nullptr, *prev_ = nullptr, *next_ = nullptr, *last_ = nullptr;
};

// Prints every page of the document on the printer the user picks (true when printed).
bool PrintDocument(const report::Document& doc, QWidget* parent);

class QtReportHost : public IReportHost {
 public:
  void Preview(const report::Document& doc) override;
  bool Print(const report::Document& doc) override;
  bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) override;
  // Tests: called with the preview instead of running it modally.
  std::function<void(ReportPreview&)> previewHook;
};

}  // namespace cad::desktop
