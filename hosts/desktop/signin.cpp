// The sign-in dialog (see signin.h).
#include "hosts/desktop/signin.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "hosts/desktop/widgets.h"
#include "platform/core/errors.h"

namespace cad::desktop {

SignInDialog::SignInDialog(const std::string& operatorName, bool fixedOperator, const std::string& message,
                           Attempt attempt, QWidget* parent)
    : QDialog(parent), attempt_(std::move(attempt)) {
  setObjectName("dlgEntrada");
  setWindowTitle(QString::fromUtf8("Entrada no sistema"));
  setModal(true);
  operator_ = new QLineEdit(qs(operatorName));
  operator_->setObjectName("edtOperador");
  operator_->setMaxLength(12);  // OPERADOR.CDOPERADOR
  operator_->setReadOnly(fixedOperator);
  password_ = new QLineEdit;
  password_->setObjectName("edtSenha");
  password_->setEchoMode(QLineEdit::Password);
  password_->setMaxLength(1024);
  message_ = new QLabel(qs(message));
  message_->setObjectName("lblMensagem");
  message_->setWordWrap(true);
  message_->setStyleSheet("color: #b00020;");
  message_->setVisible(!message.empty());

  auto* form = new QFormLayout;
  form->addRow(QString::fromUtf8("Operador:"), operator_);
  form->addRow(QString::fromUtf8("Senha:"), password_);
  auto* buttons = new QDialogButtonBox;
  QPushButton* enter = buttons->addButton(QString::fromUtf8("Entrar"), QDialogButtonBox::AcceptRole);
  enter->setDefault(true);
  buttons->addButton(QString::fromUtf8("Cancelar"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(message_);
  layout->addWidget(buttons);
  // Wide enough for the whole title the window manager shows (with the application's name).
  QString title = windowTitle() + QString::fromUtf8(" — ") + QApplication::applicationDisplayName();
  setMinimumWidth(std::max(360, fontMetrics().horizontalAdvance(title) + 160));
  (fixedOperator || operatorName.empty() ? (operatorName.empty() ? operator_ : password_) : password_)->setFocus();
}

std::string SignInDialog::operatorName() const {
  return signedIn_.empty() ? ss(operator_->text().trimmed()) : signedIn_;
}
std::string SignInDialog::password() const { return ss(password_->text()); }
QString SignInDialog::message() const { return message_->isHidden() ? QString() : message_->text(); }

void SignInDialog::accept() {
  auto refuse = [this](const QString& text) {
    message_->setText(text);
    message_->setVisible(true);
    password_->clear();
    password_->setFocus();
  };
  if (operator_->text().trimmed().isEmpty()) {
    message_->setText(QString::fromUtf8("Informe o operador."));
    message_->setVisible(true);
    operator_->setFocus();
    return;
  }
  if (password_->text().isEmpty()) return refuse(QString::fromUtf8("Informe a senha."));
  if (attempt_) {
    try {
      signedIn_ = attempt_(ss(operator_->text().trimmed()), password());
    } catch (const std::exception& e) {
      return refuse(qs(e.what()));
    }
  }
  QDialog::accept();
}

std::optional<std::string> askSignIn(const std::string& operatorName, const SignInDialog::Attempt& attempt) {
  SignInDialog dialog(operatorName, false, "", attempt);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.operatorName();
}

std::string askPasswordAgain(const std::string& operatorName, const std::string& why) {
  SignInDialog dialog(operatorName, true, why, nullptr);
  if (dialog.exec() != QDialog::Accepted)
    throw Exception("Sessão não renovada: a operação não foi enviada ao servidor de aplicação.");
  return dialog.password();
}

}  // namespace cad::desktop
