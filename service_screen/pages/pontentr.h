// Clients and delivery points page (tshPontEntr): the clients of a corporate service and their delivery points.
#pragma once

#include "service_screen/pages/pagina.h"

namespace cad {

class PagPontEntr : public PaginaServ {
 public:
  using PaginaServ::PaginaServ;
  bool Mostra(const TTabSheet* aba) const override;
  bool Serve(const std::string& tipo) const override;
  TTabSheet* Substituta(const std::string& tipo) const override;
  void Entra() override;
  bool PodeSair(Saida saida) override;
  void TrocaServico() override;
  void Inclui(TComponent& sender) override;
  void Altera(TComponent& sender) override;
  void Confirma() override;
  void Cancela() override;
  void Verifica() override;
  bool Exclui() override;
  void Procura(TComponent& sender) override;
  bool Editando() const override;
  void Avisa(Aviso aviso) override;
};

}  // namespace cad
