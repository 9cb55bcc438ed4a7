// The operator's sign-in dialog of the desktop host: operator code and password, the refusal of the
// last attempt in red, "Entrar" and "Cancelar". At start the operator may be changed; when a
// session expired it is fixed (the screens stay as they were and go on as that operator).
//
// With an attempt function the dialog signs in itself and stays open, showing the server's text,
// until an attempt succeeds or the operator cancels; without one it only collects the password.
#pragma once

#include <QDialog>

#include <functional>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;

namespace cad::desktop {

class SignInDialog : public QDialog {
 public:
  // Signs in with operator and password; returns the operator as stored, throws cad::Exception
  // with the refusal's text.
  using Attempt = std::function<std::string(const std::string& operatorName, const std::string& password)>;

  SignInDialog(const std::string& operatorName, bool fixedOperator, const std::string& message, Attempt attempt,
               QWidget* parent = nullptr);

  std::string operatorName() const;  // after an accepted attempt: as the server stores it
  std::string password() const;
  QString message() const;

  void accept() override;

 private:
  Attempt attempt_;
  std::string signedIn_;
  QLineEdit* operator_;
  QLineEdit* password_;
  QLabel* message_;
};

// At start: asks until the server accepts; the operator signed in, or nothing when cancelled.
std::optional<std::string> askSignIn(const std::string& operatorName, const SignInDialog::Attempt& attempt);
// After a session expired: the password of that operator; throws cad::Exception when cancelled.
std::string askPasswordAgain(const std::string& operatorName, const std::string& why);

}  // namespace cad::desktop
