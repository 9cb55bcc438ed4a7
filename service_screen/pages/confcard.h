// Default menu configuration page (tshConfCard): the dish types a service's menu offers, in order.
#pragma once

#include "service_screen/pages/pagina.h"

namespace cad {

class PagConfCard : public PaginaServ {
 public:
  using PaginaServ::PaginaServ;
  bool Mostra(const TTabSheet* aba) const override;
  TTabSheet* Substituta(const std::string& tipo) const override;
  void Entra() override;
  void TrocaServico() override;
  void Altera(TComponent& sender) override;
  void Confirma() override;
  void Cancela() override;
  void Verifica() override;
  bool Editando() const override;
  void Avisa(Aviso aviso) override;
};

}  // namespace cad
