// Packaging page (tshEmbalagens): the distribution of dish types into packages and the packaging restrictions.
#pragma once

#include "service_screen/pages/pagina.h"

namespace cad {

class PagEmbalagens : public PaginaServ {
 public:
  using PaginaServ::PaginaServ;
  bool Mostra(const TTabSheet* aba) const override;
  bool Serve(const std::string& tipo) const override;
  void Entra() override;
  void ServicoMostrado() override;
  void Inclui(TComponent& sender) override;
  void Altera(TComponent& sender) override;
  void Confirma() override;
  void Cancela() override;
  void Verifica() override;
  bool Exclui() override;
  void Procura(TComponent& sender) override;
  void Avisa(Aviso aviso) override;
};

}  // namespace cad
