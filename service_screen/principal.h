// TelaPrincipal: all a side screen may know of the main service screen and ask of it. Of this
// folder, the side screens include this header only, never the main screen's; the main screen
// implements it.
//
// Invariants: Principal() is null while no main screen is open, and never points at a closed one.
#pragma once

#include <string>

namespace cad {

class TNetConnection;

class TelaPrincipal {
 public:
  virtual ~TelaPrincipal() = default;

  // ---- what a side screen reads
  // The branch on screen (its code and name).
  virtual std::string Filial() const = 0;
  virtual std::string NomeFilial() const = 0;
  // The current service's code ("" when there is none).
  virtual std::string Servico() const = 0;
  // The group filter of the service list ("" when none).
  virtual std::string Grupo() const = 0;
  // Fixed-branch mode: the screen changes nothing.
  virtual bool SomenteLeitura() const = 0;
  // The screen's connection to the application server (the side screen's calls share its session).
  virtual TNetConnection& Conexao() = 0;

  // ---- what a side screen asks
  // The standard costs of the current service are read again (they changed elsewhere).
  virtual void RecarregaCustos() = 0;
  // The service list is read again (services were created elsewhere).
  virtual void RecarregaLista() = 0;
};

// The open main screen, or null.
TelaPrincipal* Principal();

}  // namespace cad
