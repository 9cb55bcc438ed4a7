// The list and form pages (tshFolhaDados, tshFormulario): the service record and its billing setup.
#pragma once

#include "service_screen/pages/pagina.h"

namespace cad {

class PagServico : public PaginaServ {
 public:
  using PaginaServ::PaginaServ;
  bool Mostra(const TTabSheet* aba) const override;
  void Entra() override;
  void TrocaServico() override;
  void Inclui(TComponent& sender) override;
  void Altera(TComponent& sender) override;
  void Confirma() override;
  void Cancela() override;
  void Verifica() override;
  bool Exclui() override;
  void Procura(TComponent& sender) override;
  void EstadoServico() override;
  void Avisa(Aviso aviso) override;
};

}  // namespace cad
