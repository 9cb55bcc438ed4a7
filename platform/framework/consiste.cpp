// Consiste: the classic validation and utility routines (rules in consiste.h). Branch validation
// reads FILIAL and FILIOPER through the query component on the session database.
#include "platform/framework/consiste.h"

#include <cctype>

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/data/dataset.h"
#include "platform/db/query.h"
#include "platform/framework/services.h"
#include "platform/ui/dbcontrols.h"

namespace cad::Consiste {

namespace {

constexpr const char* kServerRefused = "O servidor de aplicação não realizou a operação.";

[[noreturn]] void failServer(const std::string& message, bool showError, int helpContext) {
  std::string text = trim(message).empty() ? std::string(kServerRefused) : message;
  if (!showError) throw Exception(text);
  ShowDialog(DialogRequest{TMsgDlgType::mtError, {}, text, mbOK, helpContext});
  Abort();
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Check digit of the weighted sum (modulus 11), as CPF and CNPJ define it.
int checkDigit(const std::string& digits, const std::vector<int>& weights) {
  int sum = 0;
  for (size_t i = 0; i < weights.size(); ++i) sum += (digits[i] - '0') * weights[i];
  int rest = sum % 11;
  return rest < 2 ? 0 : 11 - rest;
}

bool oneRepeatedDigit(const std::string& digits) { return digits.find_first_not_of(digits[0]) == std::string::npos; }

bool cpfValid(const std::string& d) {
  if (oneRepeatedDigit(d)) return false;
  int d1 = checkDigit(d, {10, 9, 8, 7, 6, 5, 4, 3, 2});
  int d2 = checkDigit(d, {11, 10, 9, 8, 7, 6, 5, 4, 3, 2});
  return d[9] - '0' == d1 && d[10] - '0' == d2;
}

bool cnpjValid(const std::string& d) {
  if (oneRepeatedDigit(d)) return false;
  int d1 = checkDigit(d, {5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2});
  int d2 = checkDigit(d, {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2});
  return d[12] - '0' == d1 && d[13] - '0' == d2;
}

}  // namespace

void MensErro(const std::string& text, bool abort) {
  ShowDialog(DialogRequest{TMsgDlgType::mtError, {}, text, mbOK, 0});
  if (abort) Abort();
}

Variant CheckResultServ(const Variant& result, bool showError, int helpContext) {
  switch (result.kind()) {
    case Variant::Kind::String:
      if (!trim(result.str()).empty()) failServer(result.str(), showError, helpContext);
      return Variant(std::string());
    case Variant::Kind::Bool:
      if (!result.asBool()) failServer({}, showError, helpContext);
      return Variant();
    case Variant::Kind::Array: {
      const VariantArray& a = result.asArray();
      if (a.empty() || !a[0].isBool()) return result;
      if (!a[0].asBool()) {
        std::string message = a.size() > 1 && !a[1].isNull() ? a[1].asString() : std::string();
        failServer(message, showError, helpContext);
      }
      if (a.size() == 1) return Variant();
      if (a.size() == 2) return a[1];
      return Variant(VariantArray(a.begin() + 1, a.end()));
    }
    default: return result;
  }
}

bool EmptyString(const std::string& text) { return trim(text).empty(); }

std::string AllTrim(const std::string& text) { return trim(text); }

std::string Ajusta(const std::string& code, int n) {
  std::string c = trim(code);
  if (c.empty() || !isAllDigits(c) || n <= 0 || c.size() >= static_cast<size_t>(n)) return c;
  return std::string(static_cast<size_t>(n) - c.size(), '0') + c;
}

std::string ValidaFilial(const std::string& branch, const std::string& operatorCode, bool required) {
  std::string code = Ajusta(branch, 4);
  if (code.empty()) {
    if (required) MensErro("Filial deve ser informada.", true);
    return {};
  }
  TADOIBQuery q("qryValidaFilial");
  q.SetSQL(
      "SELECT F.NMFILIAL, (SELECT COUNT(*) FROM FILIOPER O WHERE O.CDFILIAL = F.CDFILIAL"
      " AND O.CDOPERADOR = :P_CDOPERADOR) AS NRACESSO FROM FILIAL F WHERE F.CDFILIAL = :P_CDFILIAL");
  q.ParamByName("P_CDFILIAL") = code;
  q.ParamByName("P_CDOPERADOR") = trim(operatorCode);
  q.Open();
  if (q.IsEmpty()) MensErro("Filial não cadastrada.", true);
  if (q.FieldByName("NRACESSO").AsInteger() == 0) MensErro("Operador sem permissão para a filial.", true);
  return q.FieldByName("NMFILIAL").AsString();
}

bool HorarioOk(const std::string& text) {
  std::string t = trim(text);
  if (t.size() == 5 && t[2] == ':') t.erase(2, 1);
  if (t.size() != 4 || !isAllDigits(t)) return false;
  int hh = (t[0] - '0') * 10 + (t[1] - '0');
  int mm = (t[2] - '0') * 10 + (t[3] - '0');
  return hh <= 23 && mm <= 59;
}

void TimeSetText(Field& field, const std::string& text) {
  std::string digits;
  for (char c : text)
    if (isDigit(c)) digits += c;
  if (digits.empty())
    field.Clear();
  else
    field.SetAsString(digits);
}

double RoundDec(double value, int places) { return roundDec(value, places); }

DateTime PriDiaMes(DateTime date) { return firstDayOfMonth(date); }

DateTime SomaMes(DateTime date, int months) { return addMonths(date, months); }

int IndiceCol(TDBGrid& grid, const std::string& fieldName) {
  for (int i = 0; i < grid.ColumnCount(); ++i)
    if (sameText(grid.Columns(i).FieldName, fieldName)) return i;
  return -1;
}

std::string GridText(TDBGrid& grid, const std::string& fieldName) {
  int col = IndiceCol(grid, fieldName);
  if (col < 0) throw Exception(grid.Describe() + ": não há coluna do campo '" + fieldName + "'.");
  int row = grid.CurrentRow();
  return row > 0 ? grid.CellText(col, row) : std::string();
}

void SetChildEnabled(TControl& container, bool enabled) {
  for (TControl* child : container.Controls()) child->SetEnabled(enabled);
}

std::string PictPess(const std::string& personType) {
  std::string t = upperCase(trim(personType));
  if (t == "F") return "999.999.999-99";
  if (t == "J") return "99.999.999/9999-99";
  return {};
}

std::string Ajusta_Inscricao(const std::string& number, std::string& personType) {
  static const char* const kLength = "A inscrição deve ter 11 dígitos (CPF) ou 14 dígitos (CNPJ).";
  std::string digits;
  for (char c : number) {
    if (isDigit(c))
      digits += c;
    else if (c != '.' && c != '-' && c != '/' && !std::isspace(static_cast<unsigned char>(c)))
      throw Exception(kLength);
  }
  if (digits.size() == 11) {
    if (!cpfValid(digits)) throw Exception("CPF inválido.");
    personType = "F";
  } else if (digits.size() == 14) {
    if (!cnpjValid(digits)) throw Exception("CNPJ inválido.");
    personType = "J";
  } else {
    throw Exception(kLength);
  }
  return digits;
}

}  // namespace cad::Consiste
