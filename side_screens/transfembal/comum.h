// Routines shared by the packaging-configuration transfer dialogs (transfembal.h).
#pragma once

#include <string>

#include "platform/core/variant.h"
#include "platform/data/dataset.h"
#include "platform/ui/component.h"

namespace cad::transfembal {

// The text of a field of the current row, blanks trimmed.
std::string Campo(const DataSet& ds, const char* field);
// Loads a packet the server answered into a dataset; a reply of another shape is a fault.
void CarregaPacote(DataSet& ds, const Variant& pacote, const char* metodo);
// How a delivery point is shown: the first 25 characters of the client's name, three blanks, the
// point's name.
std::string TextoPonto(const DataSet& pontos);
// The position key of a delivery point: the point code filled with blanks to 3 characters, then
// the client code; "" for the service itself (both empty).
std::string ChavePosicao(const std::string& ponto, const std::string& cliente);
// Moves the focus to the control when it can take it.
void Foca(TControl* control);

}  // namespace cad::transfembal
