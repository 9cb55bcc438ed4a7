// Estimated diners page (tshComensais): the service's own figures per weekday and, in its notebook, the figures per
// diet.
#pragma once

#include "service_screen/pages/pagina.h"

namespace cad {

class PagComensais : public PaginaServ {
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
  bool Exclui() override;
  void Exporta() override;
  void EstadoServico() override;
  bool Editando() const override;
  void Avisa(Aviso aviso) override;
};

}  // namespace cad
