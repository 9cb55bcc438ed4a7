// Shifts page (tshTurnos): the shifts of a corporate service with their diners per weekday.
#pragma once

#include "service_screen/pages/pagina.h"

namespace cad {

class PagTurnos : public PaginaServ {
 public:
  using PaginaServ::PaginaServ;
  bool Mostra(const TTabSheet* aba) const override;
  bool Serve(const std::string& tipo) const override;
  TTabSheet* Substituta(const std::string& tipo) const override;
  void Entra() override;
  bool PodeSair(Saida saida) override;
  void Fecha() override;
  void SaiServico() override;
  void TrocaServico() override;
  void Inclui(TComponent& sender) override;
  void Altera(TComponent& sender) override;
  void Confirma() override;
  void Cancela() override;
  void Verifica() override;
  bool Exclui() override;
  void Procura(TComponent& sender) override;
  void FocoNasAbas() override;
  bool Editando() const override;
  bool GravaServico() override;
  void Avisa(Aviso aviso) override;
};

}  // namespace cad
