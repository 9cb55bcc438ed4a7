// Routines shared by the packaging-configuration transfer dialogs (transfembal.h).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/core/variant.h"
#include "platform/data/dataset.h"
#include "platform/ui/component.h"

namespace cad {
class TADOIBQuery;
class TCustomEdit;
class TMessages;
}  // namespace cad

namespace cad::transfembal {

// The text of a field of the current row, blanks trimmed.
std::string Campo(const DataSet& ds, const char* field);
// How a delivery point is shown: the first 25 characters of the client's name, three blanks, the
// point's name.
std::string TextoPonto(const DataSet& pontos);
// The position key of a delivery point: the point code filled with blanks to 3 characters, then
// the client code; "" for the service itself (both empty).
std::string ChavePosicao(const std::string& ponto, const std::string& cliente);
// Moves the focus to the control when it can take it.
void Foca(TControl* control);

// A kind of code the dialogs look up: its width (an all-digit code is padded with zeros to it), the
// lookup's parameter for it, the message of a code not found and the lookup's name field.
struct TipoCodigo {
  int digitos = 0;
  const char* parametro = "";
  const char* naoCadastrado = "";
  const char* campoNome = "";
};
inline constexpr TipoCodigo kFilial{4, "P_CDFILIAL", "FILIAL_N_CAD", "NMFILIAL"};
inline constexpr TipoCodigo kServico{5, "P_CDSERVFILI", "SERVICO_N_CAD", "NMSERVICO"};

// Pads the code typed in `codigo` and looks it up (`consulta` reopened with `chave`, then the
// code): a code not found is refused (focus back on the code, Abort); a code found replaces what
// was typed without raising the edit's OnChange, and `nome` shows its name.
void ValidaCodigo(const TipoCodigo& tipo, TCustomEdit& codigo, TCustomEdit& nome, TADOIBQuery& consulta, TMessages& msg,
                  std::vector<std::pair<const char*, Variant>> chave = {});

}  // namespace cad::transfembal
