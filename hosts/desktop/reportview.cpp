// The desktop host's report preview, printing and "save as" question (see reportview.h).
#include "hosts/desktop/reportview.h"

#include <QApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QImage>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

#include "platform/core/errors.h"
#include "platform/report/render.h"

namespace cad::desktop {

namespace {

constexpr double kScreenPxPerMm = 96.0 / 25.4;
constexpr double kMaxPrintDpi = 300.0;

// A page image as a QImage that owns its pixels.
QImage imageOf(const report::Document& doc, int page, double pxPerMm) {
  report::PageImage img = report::RenderPage(doc, static_cast<size_t>(page), pxPerMm);
  QImage view(img.pixels.data(), img.width, img.height, img.stride, QImage::Format_ARGB32_Premultiplied);
  return view.copy();
}

}  // namespace

ReportPreview::ReportPreview(report::Document doc, QWidget* parent) : QDialog(parent), doc_(std::move(doc)) {
  setObjectName("ReportPreview");
  setWindowTitle(QString::fromStdString(doc_.title.empty() ? doc_.code : doc_.title));
  auto* layout = new QVBoxLayout(this);
  auto* bar = new QHBoxLayout;
  auto button = [&](const char* text, const char* name) {
    auto* b = new QPushButton(QString::fromUtf8(text), this);
    b->setObjectName(name);
    bar->addWidget(b);
    return b;
  };
  first_ = button("|<", "first");
  prev_ = button("<", "prev");
  pageLabel_ = new QLabel(this);
  pageLabel_->setObjectName("pageLabel");
  bar->addWidget(pageLabel_);
  next_ = button(">", "next");
  last_ = button(">|", "last");
  QPushButton* menos = button("Diminuir", "zoomOut");
  QPushButton* mais = button("Ampliar", "zoomIn");
  bar->addStretch();
  QPushButton* imprimir = button("Imprimir", "print");
  QPushButton* pdf = button("Salvar PDF", "savePdf");
  QPushButton* fechar = button("Fechar", "close");
  layout->addLayout(bar);
  scroll_ = new QScrollArea(this);
  scroll_->setBackgroundRole(QPalette::Dark);
  scroll_->setAlignment(Qt::AlignCenter);
  image_ = new QLabel;
  image_->setObjectName("pageImage");
  scroll_->setWidget(image_);
  layout->addWidget(scroll_, 1);
  connect(first_, &QPushButton::clicked, this, [this] { setPage(0); });
  connect(prev_, &QPushButton::clicked, this, [this] { setPage(page_ - 1); });
  connect(next_, &QPushButton::clicked, this, [this] { setPage(page_ + 1); });
  connect(last_, &QPushButton::clicked, this, [this] { setPage(static_cast<int>(doc_.pages.size()) - 1); });
  connect(menos, &QPushButton::clicked, this, [this] { setZoom(zoom_ / 1.25); });
  connect(mais, &QPushButton::clicked, this, [this] { setZoom(zoom_ * 1.25); });
  connect(imprimir, &QPushButton::clicked, this, [this] { print(); });
  connect(pdf, &QPushButton::clicked, this, [this] { savePdf(); });
  connect(fechar, &QPushButton::clicked, this, &QDialog::accept);
  resize(1000, 760);
  redraw();
}

QString ReportPreview::pageText() const {
  return QString::fromUtf8("Página %1 de %2").arg(page_ + 1).arg(doc_.pages.size());
}

void ReportPreview::setPage(int page) {
  page_ = std::clamp(page, 0, std::max(0, static_cast<int>(doc_.pages.size()) - 1));
  redraw();
}

void ReportPreview::setZoom(double zoom) {
  zoom_ = std::clamp(zoom, 0.25, 4.0);
  redraw();
}

void ReportPreview::redraw() {
  const int pages = static_cast<int>(doc_.pages.size());
  pageLabel_->setText(pageText());
  first_->setEnabled(page_ > 0);
  prev_->setEnabled(page_ > 0);
  next_->setEnabled(page_ + 1 < pages);
  last_->setEnabled(page_ + 1 < pages);
  if (pages == 0) return;
  image_->setPixmap(QPixmap::fromImage(imageOf(doc_, page_, kScreenPxPerMm * zoom_)));
  image_->adjustSize();
}

bool ReportPreview::print() { return PrintDocument(doc_, this); }

bool ReportPreview::savePdf() {
  QString path = QFileDialog::getSaveFileName(this, QString::fromUtf8("Salvar relatório em PDF"),
                                              QString::fromStdString(doc_.code) + ".pdf", "PDF (*.pdf)");
  if (path.isEmpty()) return false;
  try {
    report::WritePdf(doc_, path.toStdString());
    return true;
  } catch (const std::exception& e) {
    QMessageBox::critical(this, QString::fromUtf8("Erro"), QString::fromUtf8(e.what()));
    return false;
  }
}

bool PrintDocument(const report::Document& doc, QWidget* parent) {
  if (doc.pages.empty()) return false;
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(QString::fromStdString(doc.title));
  printer.setPageSize(
      QPageSize(QSizeF(std::min(doc.width, doc.height), std::max(doc.width, doc.height)), QPageSize::Millimeter));
  printer.setPageOrientation(doc.width > doc.height ? QPageLayout::Landscape : QPageLayout::Portrait);
  printer.setFromTo(1, static_cast<int>(doc.pages.size()));
  QPrintDialog dialog(&printer, parent);
  dialog.setWindowTitle(QString::fromUtf8("Imprimir relatório"));
  if (dialog.exec() != QDialog::Accepted) return false;
  int from = printer.fromPage() > 0 ? printer.fromPage() : 1;
  int to = printer.toPage() > 0 ? printer.toPage() : static_cast<int>(doc.pages.size());
  to = std::min(to, static_cast<int>(doc.pages.size()));
  const double pxPerMm = std::min<double>(printer.resolution(), kMaxPrintDpi) / 25.4;
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  for (int p = from; p <= to; ++p) {
    if (p > from) printer.newPage();
    QImage img = imageOf(doc, p - 1, pxPerMm);
    painter.drawImage(painter.viewport(), img);
  }
  painter.end();
  return true;
}

void QtReportHost::Preview(const report::Document& doc) {
  ReportPreview preview(doc, QApplication::activeWindow());
  if (previewHook) {
    preview.show();
    previewHook(preview);
    return;
  }
  preview.exec();
}

bool QtReportHost::Print(const report::Document& doc) { return PrintDocument(doc, QApplication::activeWindow()); }

bool QtReportHost::InputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
  bool ok = false;
  QString text =
      QInputDialog::getText(QApplication::activeWindow(), QString::fromStdString(caption),
                            QString::fromStdString(prompt), QLineEdit::Normal, QString::fromStdString(value), &ok);
  if (!ok) return false;
  value = text.toStdString();
  return true;
}

}  // namespace cad::desktop
