// The module's unit-level state (contract in module.h). Loading the library counts one
// initialization and registers the module's screen package "GER04100" with the session, so other
// screens can open it with LoadBPL; the entries themselves are module/module.cpp's.
#include "service_screen/module.h"

#include <type_traits>

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/framework/session.h"
#include "platform/framework/showavi.h"
#include "platform/ui/forms.h"

namespace cad {

TfrmCadastroServ* frmCadastroServ = nullptr;
bool TelaCriada = false;
bool FilialFixa = false;
std::string CdFilialFixa;
std::string TpConfPadrao;
std::string IdNaoUtCardPadr;

namespace {

int contagem = 0;

void abreTela(VariantArray& params) { IniProc(params.empty() ? Variant() : params[0]); }

// Library load and unload count as one initialization and its finalization.
struct RegistroModulo {
  RegistroModulo() { InicializaModulo(); }
  ~RegistroModulo() { FinalizaModulo(); }
} registroModulo;

}  // namespace

void InicializaModulo() {
  if (contagem++ == 0) RegisterScreenPackage("GER04100", abreTela);
}

void FinalizaModulo() {
  if (contagem == 0 || --contagem > 0) return;
  CdFilialFixa.clear();
  TpConfPadrao.clear();
  IdNaoUtCardPadr.clear();
  RegisterScreenPackage("GER04100", {});
}

int ContagemModulo() { return contagem; }

}  // namespace cad
