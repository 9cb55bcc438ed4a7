// The screen module's unit-level state and its exported entry points (defined in module/, the
// folder above this one and side_screens/). The host loads the module
// (libcadserv_ger04100.so for screen code "GER04100") and calls its creators by name, either
// directly (CriaCadServico, IniProc) or through the entry table CadServEntries, whose type the
// platform defines (platform/framework/screen_module.h), so a host needs no per-entry knowledge
// and none of this module's headers.
//
// Invariants:
//  - At most one main screen exists: frmCadastroServ is set while TelaCriada is true and is
//    cleared when the screen is destroyed, so it never points at a freed screen.
//  - FilialFixa and CdFilialFixa are set by every entry before the screen is shown: IniProc with a
//    branch sets fixed-branch mode, CriaCadServico and IniProc(null) the normal mode. A screen open
//    in the other mode is closed first (when it refuses, it stays as it is).
#pragma once

#include <string>

#include "platform/core/variant.h"
#include "platform/framework/screen_module.h"

namespace cad {

class TfrmCadastroServ;

// ---- unit-level state (one copy for the module)
extern TfrmCadastroServ* frmCadastroServ;
extern bool TelaCriada;
extern bool FilialFixa;
extern std::string CdFilialFixa;
extern std::string TpConfPadrao;     // "D" or "S": menu-configuration mode of the branch
extern std::string IdNaoUtCardPadr;  // "S" when PARAMGERAL.IDUTCARDPADR is "N"

// The module's initialization and finalization, counted: the state is cleared only when the
// count returns to zero. Loading the library initializes it once.
void InicializaModulo();
void FinalizaModulo();
int ContagemModulo();

// Whether the module's entry table offers an entry (a side screen's creator): a command that
// opens a side screen is offered only once that screen is part of the module.
bool TemEntrada(const std::string& nome);
// Calls an entry of the table by name; throws cad::Exception when the module has none.
void ChamaEntrada(const std::string& nome, VariantArray& params);

}  // namespace cad

extern "C" {
// Shows the main screen in normal mode, creating it on the first call (single instance).
void CriaCadServico();
// The host's entry with context: a branch code puts the screen into fixed-branch mode on that
// branch; null opens it on the host's current branch.
void IniProc(const cad::Variant& filial);
// The entry table, ended by an entry whose name is null.
const CadServEntry* CadServEntries();
}
