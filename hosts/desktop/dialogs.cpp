// Qt implementations of the host services (see dialogs.h).
#include "hosts/desktop/dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

#include "hosts/desktop/renderer.h"
#include "hosts/desktop/style.h"
#include "hosts/desktop/widgets.h"
#include "platform/data/dataset.h"
#include "platform/ui/forms.h"

namespace cad::desktop {

namespace {

// The arrow while a dialog waits for the user, whatever the screen's hourglass says.
struct ArrowCursor {
  ArrowCursor() { QApplication::setOverrideCursor(Qt::ArrowCursor); }
  ~ArrowCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

// ---------------------------------------------------------------- messages

QString QtDialogs::ButtonCaption(TMsgDlgButtons button) {
  switch (button) {
    case mbYes: return QString::fromUtf8("&Sim");
    case mbNo: return QString::fromUtf8("&Não");
    case mbOK: return QStringLiteral("OK");
    case mbCancel: return QStringLiteral("Cancelar");
    case mbAbort: return QStringLiteral("&Anular");
    case mbRetry: return QStringLiteral("&Repetir");
    case mbIgnore: return QStringLiteral("&Ignorar");
    default: return {};
  }
}

QString QtDialogs::TitleOf(TMsgDlgType kind) {
  switch (kind) {
    case TMsgDlgType::mtWarning: return QStringLiteral("Aviso");
    case TMsgDlgType::mtError: return QStringLiteral("Erro");
    case TMsgDlgType::mtInformation: return QString::fromUtf8("Informação");
    case TMsgDlgType::mtConfirmation: return QString::fromUtf8("Confirmação");
    default: return QApplication::applicationDisplayName();
  }
}

int QtDialogs::Show(const DialogRequest& request) {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  switch (request.kind) {
    case TMsgDlgType::mtWarning: icon = QMessageBox::Warning; break;
    case TMsgDlgType::mtError: icon = QMessageBox::Critical; break;
    case TMsgDlgType::mtInformation: icon = QMessageBox::Information; break;
    case TMsgDlgType::mtConfirmation: icon = QMessageBox::Question; break;
    default: break;
  }
  QMessageBox box(icon, TitleOf(request.kind), qs(request.text), QMessageBox::NoButton, QApplication::activeWindow());
  box.setFont(style::ScreenFont());
  static const std::pair<TMsgDlgButtons, QMessageBox::ButtonRole> order[] = {
      {mbYes, QMessageBox::YesRole},       {mbNo, QMessageBox::NoRole},        {mbOK, QMessageBox::AcceptRole},
      {mbCancel, QMessageBox::RejectRole}, {mbAbort, QMessageBox::RejectRole}, {mbRetry, QMessageBox::AcceptRole},
      {mbIgnore, QMessageBox::AcceptRole},
  };
  TMsgDlgButtons buttons = request.buttons ? request.buttons : mbOK;
  std::vector<std::pair<QPushButton*, int>> map;
  for (const auto& [button, role] : order)
    if (buttons & button) map.emplace_back(box.addButton(ButtonCaption(button), role), ButtonResult(button));
  box.setDefaultButton(map.front().first);
  // Escape and the close box answer with the most careful button.
  int careful = (buttons & mbCancel) ? mrCancel
                : (buttons & mbNo)   ? mrNo
                : (buttons & mbOK)   ? mrOk
                                     : map.front().second;
  for (auto& [b, r] : map)
    if (r == careful) box.setEscapeButton(b);
  ArrowCursor arrow;
  box.exec();
  for (auto& [b, r] : map)
    if (box.clickedButton() == b) return r;
  return careful;
}

// ---------------------------------------------------------------- lookups

namespace {

std::vector<Field*> listedFields(DataSet& ds, const std::string& names) {
  std::vector<Field*> out;
  for (const QString& n : qs(names).split(';', Qt::SkipEmptyParts))
    if (Field* f = ds.FindField(ss(n.trimmed()))) out.push_back(f);
  if (out.empty())
    for (int i = 0; i < ds.FieldCount(); ++i)
      if (ds.Fields(i).Visible) out.push_back(&ds.Fields(i));
  return out;
}

// A list of the dataset's rows with a search box; single or multiple choice.
class LookupDialog : public QDialog {
 public:
  LookupDialog(const std::string& title, DataSet& ds, const std::vector<Field*>& fields, bool multiple,
               const std::vector<std::string>& marked, Field* keyField)
      : QDialog(QApplication::activeWindow()), multiple_(multiple) {
    setWindowTitle(qs(title.empty() ? std::string("Pesquisa") : title));
    setFont(style::ScreenFont());
    model_ = new QStandardItemModel(this);
    QStringList headers;
    for (Field* f : fields) headers << qs(f->DisplayName());
    model_->setHorizontalHeaderLabels(headers);
    for (int i = 0; i < ds.DisplayCount(); ++i) {
      QList<QStandardItem*> row;
      ds.ReadRow(i, [&] {
        for (Field* f : fields) {
          auto* item = new QStandardItem(qs(f->DisplayText()));
          item->setEditable(false);
          if (f->Align == Alignment::Right) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
          row << item;
        }
        std::string key = keyField ? keyField->AsString() : std::string();
        keys_.push_back(key);
        if (multiple) {
          row.front()->setCheckable(true);
          bool on = std::find(marked.begin(), marked.end(), key) != marked.end();
          row.front()->setCheckState(on ? Qt::Checked : Qt::Unchecked);
        }
      });
      row.front()->setData(i, Qt::UserRole);
      model_->appendRow(row);
    }
    proxy_ = new QSortFilterProxyModel(this);
    proxy_->setSourceModel(model_);
    proxy_->setFilterKeyColumn(-1);
    proxy_->setFilterCaseSensitivity(Qt::CaseInsensitive);

    auto* search = new QLineEdit(this);
    search->setPlaceholderText(QStringLiteral("Procurar..."));
    search->setClearButtonEnabled(true);
    table_ = new QTableView(this);
    table_->setModel(proxy_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setWordWrap(false);
    int width = 40;
    for (size_t c = 0; c < fields.size(); ++c) {
      int chars = fields[c]->DisplayWidth > 0 ? fields[c]->DisplayWidth : std::clamp(fields[c]->Size(), 6, 40);
      int w = std::max(table_->fontMetrics().horizontalAdvance(headers[int(c)]) + 16,
                       table_->fontMetrics().averageCharWidth() * chars + 12);
      table_->setColumnWidth(int(c), w);
      width += w;
    }
    empty_ = new QLabel(QStringLiteral("Nenhum registro encontrado."), this);
    empty_->hide();

    auto* buttons = new QDialogButtonBox(this);
    if (multiple) {
      auto* all = buttons->addButton(QStringLiteral("Marcar todos"), QDialogButtonBox::ActionRole);
      auto* none = buttons->addButton(QStringLiteral("Desmarcar todos"), QDialogButtonBox::ActionRole);
      connect(all, &QPushButton::clicked, this, [this] { markAll(Qt::Checked); });
      connect(none, &QPushButton::clicked, this, [this] { markAll(Qt::Unchecked); });
    }
    ok_ = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole);
    ok_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(table_, &QTableView::doubleClicked, this, [this](const QModelIndex&) {
      if (!multiple_) accept();
    });
    connect(search, &QLineEdit::textChanged, this, [this](const QString& t) {
      proxy_->setFilterFixedString(t);
      bool none = proxy_->rowCount() == 0;
      empty_->setVisible(none);
      if (!multiple_) ok_->setEnabled(!none);
      if (!none && !table_->currentIndex().isValid()) table_->selectRow(0);
    });

    auto* box = new QVBoxLayout(this);
    box->addWidget(search);
    box->addWidget(table_, 1);
    box->addWidget(empty_);
    box->addWidget(buttons);
    resize(std::clamp(width, 360, 900), 420);

    int current = ds.DisplayIndex();
    table_->selectRow(current >= 0 ? current : 0);
    search->setFocus();
    search->installEventFilter(this);
  }

  // Source row of the chosen line (-1 when none).
  int chosenRow() const {
    QModelIndex idx = table_->currentIndex();
    if (!idx.isValid()) return -1;
    return proxy_->mapToSource(idx).row();
  }
  std::vector<std::string> checkedKeys() const {
    std::vector<std::string> out;
    for (int r = 0; r < model_->rowCount(); ++r)
      if (model_->item(r, 0)->checkState() == Qt::Checked) out.push_back(keys_[size_t(r)]);
    return out;
  }

 protected:
  // Up and Down in the search box move through the list.
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::KeyPress) {
      auto* k = static_cast<QKeyEvent*>(e);
      if (k->key() == Qt::Key_Up || k->key() == Qt::Key_Down || k->key() == Qt::Key_PageUp ||
          k->key() == Qt::Key_PageDown) {
        QApplication::sendEvent(table_, e);
        return true;
      }
      if (multiple_ && k->key() == Qt::Key_Space && k->modifiers() & Qt::ControlModifier) {
        toggleCurrent();
        return true;
      }
    }
    return QDialog::eventFilter(o, e);
  }

 private:
  void markAll(Qt::CheckState state) {
    for (int r = 0; r < proxy_->rowCount(); ++r)
      model_->item(proxy_->mapToSource(proxy_->index(r, 0)).row(), 0)->setCheckState(state);
  }
  void toggleCurrent() {
    int row = chosenRow();
    if (row < 0) return;
    QStandardItem* item = model_->item(row, 0);
    item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
  }

  bool multiple_;
  QStandardItemModel* model_;
  QSortFilterProxyModel* proxy_;
  QTableView* table_;
  QLabel* empty_;
  QPushButton* ok_;
  std::vector<std::string> keys_;
};

}  // namespace

bool QtLookups::Pick(const PickRequest& request) {
  if (!request.dataSet || !request.dataSet->Active()) return false;
  DataSet& ds = *request.dataSet;
  LookupDialog dlg(request.title, ds, listedFields(ds, request.fields), false, {}, nullptr);
  ArrowCursor arrow;
  if (dlg.exec() != QDialog::Accepted) return false;
  int row = dlg.chosenRow();
  if (row < 0 || row >= ds.DisplayCount()) return false;
  ds.SetRecNo(row + 1);
  return true;
}

std::optional<std::vector<std::string>> QtLookups::MultiPick(const MultiPickRequest& request) {
  if (!request.dataSet || !request.dataSet->Active()) return std::nullopt;
  DataSet& ds = *request.dataSet;
  Field* key = ds.FindField(request.keyField);
  if (!key) throw Exception("Pesquisa: campo chave '" + request.keyField + "' inexistente.");
  LookupDialog dlg(request.title, ds, listedFields(ds, {}), true, request.selected, key);
  ArrowCursor arrow;
  if (dlg.exec() != QDialog::Accepted) return std::nullopt;
  return dlg.checkedKeys();
}

// ---------------------------------------------------------------- progress

QtProgress::~QtProgress() { delete window_; }

QString QtProgress::text() const { return label_ && window_ && window_->isVisible() ? label_->text() : QString(); }

void QtProgress::Show(TForm* form, int kind, const std::string& text) {
  if (!window_) {
    window_ = new QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    window_->setAttribute(Qt::WA_ShowWithoutActivating);
    window_->setFont(style::ScreenFont());
    auto* frame = new QFrame(window_);
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* outer = new QVBoxLayout(window_);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);
    auto* box = new QVBoxLayout(frame);
    label_ = new QLabel(frame);
    label_->setAlignment(Qt::AlignCenter);
    auto* bar = new QProgressBar(frame);
    bar->setRange(0, 0);  // busy: the steps have no known length
    bar->setTextVisible(false);
    box->addWidget(label_);
    box->addWidget(bar);
    window_->resize(280, 70);
  }
  QString shown = qs(text);
  if (shown.isEmpty())
    shown = kind == 1   ? QStringLiteral("Pesquisando...")
            : kind == 6 ? QStringLiteral("Carregando dados...")
                        : QStringLiteral("Aguarde...");
  label_->setText(shown);
  QWidget* over = form ? renderer_.window(*form) : nullptr;
  if (!over || !over->isVisible()) over = QApplication::activeWindow();
  if (over) window_->move(over->geometry().center() - QPoint(window_->width() / 2, window_->height() / 2));
  window_->show();
  window_->raise();
  // Paint now: the step that follows runs without returning to the event loop.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtProgress::Hide() {
  if (window_) window_->hide();
}

}  // namespace cad::desktop
