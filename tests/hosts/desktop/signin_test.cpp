// The desktop sign-in dialog: an empty field or a refused attempt keeps it open with the reason in
// its message line and the password cleared; an accepted one closes it with the operator as the
// server stores it; after an expiry the operator is fixed and the server's reason is shown.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>

#include "hosts/desktop/signin.h"
#include "platform/core/errors.h"

namespace cad::desktop {
namespace {

TEST(SignInDialog, StaysOpenWithTheRefusalUntilAnAttemptIsAccepted) {
  std::vector<std::pair<std::string, std::string>> attempts;
  SignInDialog dialog("admin", false, "", [&](const std::string& op, const std::string& password) -> std::string {
    attempts.emplace_back(op, password);
    if (password != "certa") throw Exception("Operador ou senha inválidos.");
    return "ADMIN";
  });
  auto* op = dialog.findChild<QLineEdit*>("edtOperador");
  auto* password = dialog.findChild<QLineEdit*>("edtSenha");
  ASSERT_TRUE(op && password);
  EXPECT_FALSE(op->isReadOnly());
  EXPECT_EQ(password->echoMode(), QLineEdit::Password);
  dialog.show();

  dialog.accept();  // no password yet: not even tried
  EXPECT_TRUE(attempts.empty());
  EXPECT_EQ(dialog.message(), QString::fromUtf8("Informe a senha."));

  password->setText("errada");
  dialog.accept();
  ASSERT_EQ(attempts.size(), 1u);
  EXPECT_EQ(attempts[0], (std::pair<std::string, std::string>{"admin", "errada"}));
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.message(), QString::fromUtf8("Operador ou senha inválidos."));
  EXPECT_TRUE(password->text().isEmpty());
  QApplication::processEvents();
  QString path = QDir(QString::fromUtf8(CADSERV_BIN_DIR)).filePath("../entrada_recusada.png");
  EXPECT_TRUE(dialog.grab().save(path));

  password->setText("certa");
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.operatorName(), "ADMIN");
}

TEST(SignInDialog, AfterAnExpiryTheOperatorIsFixedAndTheReasonShown) {
  SignInDialog dialog("MARIA", true, "Sessão expirada por inatividade: entre novamente.", nullptr);
  EXPECT_TRUE(dialog.findChild<QLineEdit*>("edtOperador")->isReadOnly());
  dialog.show();
  EXPECT_EQ(dialog.message(), QString::fromUtf8("Sessão expirada por inatividade: entre novamente."));
  dialog.findChild<QLineEdit*>("edtSenha")->setText("maria");
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.password(), "maria");
}

}  // namespace
}  // namespace cad::desktop
