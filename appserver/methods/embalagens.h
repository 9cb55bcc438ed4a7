// Helpers of the packaging methods shared by the areas that write the packaging tables (the page's
// own methods in embalagens.cpp and the configuration transfers in transfembal.cpp).
#pragma once

#include <string>

#include "platform/core/variant.h"
#include "platform/db/database.h"

namespace cad::appserver {

// "" when the delivery point (CDCLIENTE, CDDESTFILI) belongs to the service ('' / '' is the
// service itself); otherwise the refusal text.
std::string destinoRefusal(db::Database& db, const std::string& filial, const std::string& servico,
                           const std::string& cliente, const std::string& destino);

// A whole number from min to max, or -1 when the value is anything else.
long long wholeNumber(const Variant& v, double min, double max);

// Parameters :F, :S, :C, :D of a service's delivery point.
db::Params destinoParams(const std::string& f, const std::string& s, const std::string& c, const std::string& d);

// A new restriction number from the counter 'RESTEMBTPPRAT' (its row stays locked until the
// transaction ends).
long long novaRestricao(db::Database& db);

// Whether the service has any packaging distribution (CNFDISTEMBSERV) or restriction
// (RESTEMBTPPRAT), at the service level or at any delivery point: what a change of its menu lines
// may remove.
bool existeDistribuicaoOuRestricao(db::Database& db, const std::string& filial, const std::string& servico);

// Deletes the service's packages (every delivery point) left without a menu line, with nothing
// else: a configuration change that took their lines leaves no empty package behind.
void removeEmbalagensSemLinhas(db::Database& db, const std::string& filial, const std::string& servico);

}  // namespace cad::appserver
