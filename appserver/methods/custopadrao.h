// Rules of the standard cost (CUSTPADR, CUSTPADRTP) shared by the areas that write it: the
// standard-cost page's methods (custopadrao.cpp) and the automatic maintenance (custoauto.cpp).
#pragma once

#include <string>

#include "appserver/registry.h"
#include "platform/core/datetime.h"
#include "platform/core/packet.h"
#include "platform/core/variant.h"
#include "platform/db/database.h"

namespace cad::appserver {

// The first day of the month of `d`, and of the month after it.
DateTime primeiroDia(DateTime d);
DateTime proximoMes(DateTime d);

// Whether menus are planned for the service in the month that starts at `mes`.
bool existeCardapio(db::Database& db, const std::string& filial, const std::string& servico, DateTime mes);

// "" when the operator may maintain standard costs: nobody holds the authorization 'ACPS', or the
// operator belongs to its first holder (lowest NRAUTGRUPOP); otherwise the refusal text.
std::string autorizacaoRefusal(db::Database& db, const std::string& operador);

// Why a month cost may not be stored, "" when it may: the month given and the first day of a
// month, the value given, a finite number above 0 within NUMERIC(15,5).
std::string custoMesRefusal(const Variant& mes, const Variant& valor);

// UpdCustPadr's write of a change set of month costs (rules in custopadrao.cpp), in the caller's
// transaction: "" when written, else the refusal text (the caller must not commit then).
std::string gravaMesesCusto(CallContext& ctx, const Packet& delta);

}  // namespace cad::appserver
