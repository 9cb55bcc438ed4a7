// Standard cost page (tshCustPadr): the monthly standard cost of a service and its split by dish type.
#pragma once

#include "service_screen/pages/pagina.h"

namespace cad {

class PagCustPadr : public PaginaServ {
 public:
  using PaginaServ::PaginaServ;
  bool Mostra(const TTabSheet* aba) const override;
  TTabSheet* Substituta(const std::string& tipo) const override;
  void Entra() override;
  bool PodeSair(Saida saida) override;
  void SaiServico() override;
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
