// The part of the page interface every page shares.
#include "service_screen/pages/pagina.h"

#include "service_screen/cadastroserv.h"

namespace cad {

bool PaginaServ::Ativa() const { return tela.Ativa() == this; }

}  // namespace cad
