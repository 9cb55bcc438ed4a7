// Consiste: the classic validation and utility routines the screens call (errors, remote result
// check, code and registration-number normalisation, branch validation, hours, dates, grids).
//
// Rules decided here (the screens rely on them):
//  - MensErro shows an error dialog; with abort (the default) it then raises EAbort, so the
//    operation in progress ends silently after the message.
//  - CheckResultServ accepts every shape the application server answers with:
//      [true, payload]        -> the payload (null when absent; [true, a, b] -> [a, b])
//      [false, "message"]     -> failure with that message ([false] alone: a generic text)
//      "text"                 -> "" is a success with an empty payload, any other text a failure
//      true / false           -> success with a null payload / failure with a generic text
//      null, a number, a date, a packet, or an array not led by a boolean -> that value itself
//    A failure is shown as an error dialog and raises EAbort; with showError false nothing is
//    shown and cad::Exception carrying the message is raised instead.
//  - Ajusta trims a code; an all-digit code shorter than n is padded with leading zeros to n
//    ("1" -> "00001" for 5, "12" -> "0012" for 4). Any other code comes back trimmed and
//    otherwise unchanged ("AB" stays "AB", "dist" stays "dist"); a code is never cut.
//  - Ajusta_Inscricao keeps the digits of a CPF or CNPJ (punctuation and blanks dropped); 11
//    digits are a CPF (person type "F"), 14 a CNPJ ("J"). The check digits must verify and a
//    number of one repeated digit is refused. Errors (cad::Exception): "CPF inválido.",
//    "CNPJ inválido.", "A inscrição deve ter 11 dígitos (CPF) ou 14 dígitos (CNPJ)."
//  - PictPess: "F" -> "999.999.999-99", "J" -> "99.999.999/9999-99", anything else -> "".
//  - ValidaFilial(branch, operator, required): the branch code is adjusted to 4 characters and
//    looked up in FILIAL, then the operator's access in FILIOPER. `required` says whether an
//    empty code is an error ("Filial deve ser informada."); without it an empty code passes and
//    gives an empty name. Failures: "Filial não cadastrada.", "Operador sem permissão para a
//    filial." — each shown by ValidaFilial itself (MensErro with abort). Returns NMFILIAL.
//  - HorarioOk: exactly four digits hhmm (a ':' between hours and minutes is allowed) with
//    00 <= hh <= 23 and 00 <= mm <= 59; "1230" passes, "12" and "2561" fail, "" fails.
#pragma once

#include <string>
#include <vector>

#include "platform/core/datetime.h"
#include "platform/core/variant.h"

namespace cad {

class Field;
class TControl;
class TDBGrid;

namespace Consiste {

void MensErro(const std::string& text, bool abort = true);

Variant CheckResultServ(const Variant& result, bool showError = true, int helpContext = 0);

// Empty or only blanks.
bool EmptyString(const std::string& text);
// Blanks (spaces, tabs, line breaks) removed at both ends.
std::string AllTrim(const std::string& text);
std::string Ajusta(const std::string& code, int n);

std::string ValidaFilial(const std::string& branch, const std::string& operatorCode, bool required);

bool HorarioOk(const std::string& text);
// OnSetText handler of an hour field (stored as "hhmm"): keeps the digits typed; an empty text
// (mask blanks only) clears the field.
void TimeSetText(Field& field, const std::string& text);

double RoundDec(double value, int places);
DateTime PriDiaMes(DateTime date);
DateTime SomaMes(DateTime date, int months);

template <class T>
T iif(bool condition, T whenTrue, T whenFalse) {
  return condition ? whenTrue : whenFalse;
}
inline std::string iif(bool condition, const std::string& whenTrue, const std::string& whenFalse) {
  return condition ? whenTrue : whenFalse;
}

// Index of the grid column that shows the field (case-insensitive); -1 when none does.
int IndiceCol(TDBGrid& grid, const std::string& fieldName);
// The text the grid shows in the field's column on the current row; cad::Exception when the
// grid has no such column.
std::string GridText(TDBGrid& grid, const std::string& fieldName);

// Enables or disables the direct children of a container (the container itself keeps its state).
void SetChildEnabled(TControl& container, bool enabled);

std::string PictPess(const std::string& personType);
// Returns the number's digits and sets personType ("F" or "J").
std::string Ajusta_Inscricao(const std::string& number, std::string& personType);

}  // namespace Consiste
}  // namespace cad
